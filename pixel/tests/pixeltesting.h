#pragma once

// Helpers shared by the engine's tests: a fresh engine state per test, a
// recorder of what the engine does to windows, seeded random canvases and
// the developer log that failure reasons go to.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QLabel>
#include <QWidget>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "foundation/fxsharedvalues.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrnotice.h"
#include "pixel/lmrogjpcanvas.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"

namespace pixeltest {

// Every label of the dialog shows its whole text and no two of its children
// overlap (a label cut to a fixed width hides the end of its text).
inline void ExpectLabelsWholeAndApart(const QWidget& dialog) {
    const auto children = dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (const QWidget* child : children) {
        if (const auto* label = qobject_cast<const QLabel*>(child)) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        }
        for (const QWidget* other : children) {
            if (other == child) continue;
            EXPECT_FALSE(child->geometry().intersects(other->geometry()))
                << child->metaObject()->className() << " and " << other->metaObject()->className();
        }
    }
}

// Records the calls in order.
class NoticeRecorder : public CLmrViewNotice {
public:
    NoticeRecorder() { LmrSetViewNotice(this); }
    ~NoticeRecorder() override { LmrSetViewNotice(nullptr); }
    void RedrawViews() override { calls.push_back("redraw"); }
    void MarkCodeStale() override { calls.push_back("stale"); }
    void RefreshEBState() override { calls.push_back("buttons"); }
    void NotifyModified() override { calls.push_back("modified"); }
    std::vector<std::string> calls;
};

// Every test starts from the default options, a zoomed-view state and a
// canvas of its own, with the notices recorded and the user interface
// scripted.
class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        LmrGOption().RemoveAll();
        LmrGOption().SetDefaults();
        LmrGOption().Refresh();
    }
    ~EngineTest() override {
        LmrGOption().RemoveAll();
        LmrGOption().SetDefaults();
        LmrGOption().Refresh();
    }
    void SetWorkingArea(int left, int top, int width, int height) {
        LmrGOption().SetInt("omlegjpleft", left);
        LmrGOption().SetInt("omlegjptop", top);
        LmrGOption().SetInt("mlegjpwidth", width);
        LmrGOption().SetInt("mlegjpheight", height);
        LmrGOption().Refresh();
    }

    testsupport::ScriptedUi ui;
    NoticeRecorder notice;
    CLmrEGJPEState zoom;
    CLmrOGJPCanvas canvas;
};

// Fills the canvas from a small palette (black, white, near-black and a few
// colours) so that equal colours occur often.
inline void FillRandom(CLmrOGJPixel& canvas, unsigned seed) {
    static const DWORD kPalette[] = {0x000000, 0xFFFFFF, 0x000001, 0x0000FF, 0x123456, 0xFFFFFE};
    std::mt19937 random(seed);
    for (int i = 0; i < CLmrOGJPixel::OGJP_COUNT; ++i)
        canvas.SetJPixelByOSLIndex(i, kPalette[random() % 6]);
}

inline std::string ContentOf(const CRevolver& buffer) {
    std::string out(static_cast<size_t>(buffer.GetLength()), '\0');
    if (!out.empty()) buffer.ReadAt(out.data(), buffer.GetLength(), 0);
    return out;
}

inline std::vector<int> Snapshot(const CLmrOGJPixel& canvas) {
    std::vector<int> pixels(CLmrOGJPixel::OGJP_COUNT);
    for (int i = 0; i < CLmrOGJPixel::OGJP_COUNT; ++i) pixels[i] = canvas.GetJPixelByOSLIndex(i);
    return pixels;
}

inline std::vector<DWORD> PGSnapshot(const CLmrOGJPixel& canvas) {
    std::vector<DWORD> values;
    for (int y = 0; y < CLmrOGJPixel::OGJP_HEIGHT; ++y)
        for (int x = 0; x < CLmrOGJPixel::OGJP_WIDTH; ++x)
            values.push_back(canvas.GetPGInfoByOSLPoint(x, y));
    return values;
}

// The log the failure reasons go to, for the object's lifetime. The library
// tests the diagnostics switch once, with its own copy of the common
// library, so the marker file is made before any test runs (DiagnosticsOn).
class ReasonLog {
public:
    ReasonLog()
        : m_name(GetSharedLogPathName(static_cast<unsigned long>(::getpid()))),
          m_log(testsupport::MakeTempFolder("log") + "/lmr.log") {
        FxSharedValues().PutShared(m_name, m_log);
    }
    ~ReasonLog() { FxSharedValues().ReleaseShared(m_name); }
    ReasonLog(const ReasonLog&) = delete;
    ReasonLog& operator=(const ReasonLog&) = delete;
    std::string Text() const { return testsupport::ReadFileBytes(m_log); }

private:
    std::string m_name, m_log;
};

class DiagnosticsOn : public ::testing::Environment {
public:
    void SetUp() override {
        const std::string marker = GetDeveloperMarkerPath();
        std::filesystem::create_directories(std::filesystem::path(marker).parent_path());
        testsupport::WriteFileBytes(marker, "");
    }
};

}  // namespace pixeltest
