#pragma once

// A test host for the engine's windows: both tool frames with their views,
// shown side by side, on default options, with the user interface scripted
// and mouse and key input sent as real events.

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <QThread>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/fxsharedvalues.h"
#include "pixel/dlgwframes.h"
#include "pixel/lmregjpwindow.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrogjpwindow.h"
#include "platform/testing/scriptedui.h"

namespace viewtest {

// Waits until the manager runs no job; false after `ms`.
inline bool WaitIdle(CFxMLThreadManager& manager, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (manager.GetBusyThreadCount() > 0) {
        if (timer.elapsed() > ms) return false;
        QThread::msleep(5);
    }
    return true;
}

// The centre of an OSL pixel's square in the zoomed view.
inline QPoint PixelCentre(CLmrEGJPWindow& zoom, int x, int y) {
    const CRect r = zoom.OSLToClientRect(x, y);
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// A press, moves through the points and a release at the last one; what
// arrives mid-drag comes just before the release.
inline void Drag(QWidget* target, const std::vector<QPoint>& points,
                 const std::function<void()>& beforeRelease = {}) {
    QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, points.front());
    for (size_t i = 1; i < points.size(); ++i) {
        QMouseEvent move(QEvent::MouseMove, points[i], target->mapToGlobal(points[i]), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }
    if (beforeRelease) beforeRelease();
    QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, points.back());
}

inline void ResetOptions() {
    LmrGOption().RemoveAll();
    LmrGOption().SetDefaults();
    LmrGOption().Refresh();
}

class ViewsTest : public ::testing::Test {
protected:
    ViewsTest() {
        ResetOptions();
        // No developer diagnostics over the pictures.
        static const bool released = [] {
            FxSharedValues().InitRealRelease(1);
            return true;
        }();
        (void)released;
        host = std::make_unique<QWidget>();
        host->resize(1200, 700);
        oframe = new CDlgOGJPWFrame(host.get());
        eframe = new CDlgEGJPWFrame(host.get());
        oframe->setGeometry(0, 0, 400, 700);
        eframe->setGeometry(400, 0, 800, 700);
        oframe->show();
        eframe->show();
        host->show();
        QApplication::processEvents();
    }
    ~ViewsTest() override {
        host.reset();
        ResetOptions();
    }

    CLmrOGJPWindow& canvas() { return *oframe->GetOGJPWindow(); }
    CLmrEGJPWindow& zoom() { return *eframe->GetEGJPWindow(); }
    QWidget* zoomPort() { return zoom().viewport(); }

    void SetWorkingArea(int left, int top, int width, int height) {
        LmrGOption().SetInt("omlegjpleft", left);
        LmrGOption().SetInt("omlegjptop", top);
        LmrGOption().SetInt("mlegjpwidth", width);
        LmrGOption().SetInt("mlegjpheight", height);
        LmrGOption().Refresh();
        zoom().ResetScrollSize();
    }

    QPoint At(int x, int y) { return PixelCentre(zoom(), x, y); }
    // Relative to the working area's top-left pixel.
    QPoint AtArea(int ex, int ey) {
        const CRect work = CLmrOGJPixel::GetWorkingAreaOSLRect();
        return At(work.left + ex, work.top + ey);
    }

    static void Drag(QWidget* target, const std::vector<QPoint>& points,
                     const std::function<void()>& beforeRelease = {}) {
        viewtest::Drag(target, points, beforeRelease);
    }
    void DragZoom(const std::vector<QPoint>& points) { Drag(zoomPort(), points); }

    // Every OSL pixel with the colour, within the rectangle (inclusive).
    std::vector<std::pair<int, int>> PixelsOf(DWORD color, const CRect& r) {
        std::vector<std::pair<int, int>> out;
        for (int y = r.top; y <= r.bottom; ++y)
            for (int x = r.left; x <= r.right; ++x)
                if (canvas().GetJPixelByOSLPoint(x, y) == static_cast<int>(color))
                    out.emplace_back(x, y);
        return out;
    }

    testsupport::ScriptedUi ui;
    std::unique_ptr<QWidget> host;
    CDlgOGJPWFrame* oframe = nullptr;
    CDlgEGJPWFrame* eframe = nullptr;
};

}  // namespace viewtest
