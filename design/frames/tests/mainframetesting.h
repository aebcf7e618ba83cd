#pragma once

// The design main frame inside a host window, on a real working slot, for the
// frame's tests: start, drawing with the mouse, the focus timers.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "design/frames/dlggrid.h"
#include "design/frames/dlgubar.h"
#include "design/frames/dlgwopos.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgscriptedit.h"
#include "design/frames/dsgtoolbox.h"
#include "design/frames/dsgtspframe.h"
#include "design/frames/dsgxfframe.h"
#include "design/frames/dsgxfpanels.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsgutprops.h"
#include "design/model/dsgwobj.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxpropstore.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "platform/keyboard.h"
#include "platform/paths.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/window.h"

namespace mainframetesting {

constexpr int kDot = 10000;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearIniCache();
        dir = testsupport::MakeTempFolder("slot");
        host = std::make_unique<QWidget>();
        host->resize(900, 600);
        SetMessageHandler(host.get(), WM_DSG_DESIGNCHANGED, [this](WPARAM, LPARAM) {
            ++designChanges;
            return 0;
        });
        frame = new CDsgMainFrame(host.get());
        frame->setGeometry(0, 0, 900, 600);
    }
    void TearDown() override {
        SetModifierSource({});
        host.reset();
        SetKeyStyle(KEYSTYLE_LONG);
    }

    // The option file the frame reads at its start, with a 128 x 64 LCD.
    void WriteOptions(int width = 128, int height = 64) {
        // Under the short keys the frame is started with.
        SetKeyStyle(KEYSTYLE_SHORT);
        CDsgGOption options;
        options.SetDefaultGOption();
        options.SetInt(GOPT_LMWIDTH, width);
        options.SetInt(GOPT_LMHEIGHT, height);
        options.ToFile();
    }
    // Starts the frame on an LCD of that size.
    int Init(int width = 128, int height = 64) {
        WriteOptions(width, height);
        const int result = frame->InitMainFrame(0, 1, dir, 1, host.get(),
                                                HandleToText(GetWindowHandle(host.get())));
        host->show();
        host->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(host.get()));
        EXPECT_TRUE(QTest::qWaitForWindowActive(host.get()));
        return result;
    }
    CDsgDSPFrame& Page() { return *frame->GetDSPFrame(); }
    // Appends an object as a creation drag records it (two actions).
    int Make(int kind, const CRect& rect) {
        CDsgDSPFrame& page = Page();
        const int id = dsgtesting::AppendCreationDrag(page, kind, rect);
        page.RebuildWObjs();
        return id;
    }
    void OpenForm() {
        ASSERT_TRUE(CDsgLSDAction().LSDReset(TRUE, TRUE, FALSE, TRUE));
        ASSERT_EQ(Page().GetSPIndex(), 0);
    }

    // The mouse on the page at an LCD point given in dots.
    QPoint At(int x, int y) {
        const CPoint p = Page().LMToClientPoint(x * kDot, y * kDot);
        return {p.x, p.y};
    }
    void Press(QPoint p, Qt::KeyboardModifiers keys = {}) {
        QTest::mousePress(&Page(), Qt::LeftButton, keys, p);
    }
    // A move with the left button held.
    void Move(QPoint p, Qt::KeyboardModifiers keys = {}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), Page().mapToGlobal(QPointF(p)),
                         Qt::NoButton, Qt::LeftButton, keys);
        QApplication::sendEvent(&Page(), &move);
    }
    void Release(QPoint p, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseRelease(&Page(), Qt::LeftButton, keys, p);
    }
    // Draws with a palette tool from one point to another, as the user
    // drags; the selection tool is armed again afterwards.
    int Draw(int tool, QPoint from, QPoint to) {
        const int id = Page().GetWOIdCounter();
        Page().SetWOETool(tool);
        Press(from);
        Move((from + to) / 2);
        Move(to);
        Release(to);
        Page().SetWOETool(0);
        return id;
    }
    // The timers armed by a release run out: the script edits' focus timers
    // first (1 ms), then the page's (10 ms).
    void RunFocusTimers() {
        CDlgXFText* panel = frame->GetXFFrame()->GetTextPanel();
        for (QObject* edit : {static_cast<QObject*>(panel->GetTextEdit()),
                              static_cast<QObject*>(panel->GetTitleEdit())})
            FireTimerForTest(edit, 1);
        FireTimerForTest(&Page(), nDSG_DSPTIMER__FOCUS);
    }
    std::string Script(int id) {
        const CDsgWObj* obj = Page().GetWObjById(id);
        return obj ? obj->GetUTProps().GetString(szUTP_LSCRIPT) : "<none>";
    }

    testsupport::ScriptedUi ui;
    std::string dir;
    std::unique_ptr<QWidget> host;
    CDsgMainFrame* frame = nullptr;  // a child of the host
    int designChanges = 0;
};

}  // namespace mainframetesting
