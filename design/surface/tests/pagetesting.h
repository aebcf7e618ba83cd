#pragma once

// A shown design page in a parent window, driven by QTest mouse and key
// events on Qt's offscreen platform: a 370 x 290 page over a 320 x 240 LCD,
// so the LCD lies at (25, 25)-(345, 265) with one pixel per dot. The host is
// the landed test host with the page as its visible page; ticks come from
// the test.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <memory>
#include <string>

#include "design/model/dsggoption.h"
#include "design/model/tests/lsdtesting.h"
#include "design/surface/dsgdspframe.h"
#include "platform/paths.h"
#include "platform/testing/scriptedui.h"

namespace pagetesting {

constexpr int kDot = 10000;

// The landed test host, its visible page being a real design page.
class PageHost : public lsdtesting::Host {
public:
    using Host::Host;
    CDsgEActions* GetDSPEActions() override { return dsp; }
    void DSPClear() override { dsp->SPClear(FALSE, FALSE); }
    void MFRefresh(int code) override {
        Log("refresh:" + std::to_string(code));
        if (code == 1) dsp->RebuildWObjs();
        if (code == 2) dsp->update();
    }
    CDsgDSPFrame* dsp = nullptr;
};

class PageTest : public ::testing::Test {
protected:
    void SetUp() override {
        CDsgGOption& options = GetDsgGOption();
        options.RemoveAll();
        options.SetDefaultGOption();
        options.SetInt(GOPT_LMWIDTH, 320);
        options.SetInt(GOPT_LMHEIGHT, 240);
        options.SetInt(GOPT_USE_UGRID, 0);
        SetTickSource([this] { return tick; });
        host = std::make_unique<PageHost>(testsupport::MakeTempFolder("slot"));
        parent = std::make_unique<QWidget>();
        parent->resize(400, 320);
        page = new CDsgDSPFrame(1, parent.get());
        host->dsp = page;
        page->resize(370, 290);
        page->SetSPIndex(0);
        parent->show();
        QApplication::setActiveWindow(parent.get());
        page->setFocus();
        page->CalcLMRect();
    }
    void TearDown() override {
        parent.reset();
        host.reset();
        SetTickSource({});
        GetDsgGOption().RemoveAll();
        GetDsgGOption().SetDefaultGOption();
    }

    // The client pixel of an LCD dot.
    static QPoint At(double x, double y) {
        return {25 + static_cast<int>(x), 25 + static_cast<int>(y)};
    }
    void Press(QPoint p, Qt::KeyboardModifiers keys = {}) {
        QTest::mousePress(page, Qt::LeftButton, keys, p);
    }
    void Move(QPoint p, Qt::KeyboardModifiers keys = {}, Qt::MouseButtons held = Qt::LeftButton) {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), page->mapToGlobal(QPointF(p)), Qt::NoButton,
                         held, keys);
        QApplication::sendEvent(page, &move);
    }
    void Release(QPoint p, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseRelease(page, Qt::LeftButton, keys, p);
    }
    // A left drag through a middle point.
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers keys = {}) {
        Press(from, keys);
        Move(QPoint((from.x() + to.x()) / 2, (from.y() + to.y()) / 2), keys);
        Move(to, keys);
        Release(to, keys);
    }
    void Key(int key, Qt::KeyboardModifiers keys = {}) {
        QTest::keyClick(page, Qt::Key(key), keys);
    }

    // Creates an object by a drag with a tool; the tool is then put back.
    int Draw(int tool, QPoint from, QPoint to, Qt::KeyboardModifiers keys = {}) {
        const int id = page->GetWOIdCounter();
        page->SetWOETool(tool);
        Drag(from, to, keys);
        page->SetWOETool(0);
        return id;
    }
    // Clicks an object (by a point on it), making it the only chosen one.
    void Click(QPoint p, Qt::KeyboardModifiers keys = {}) {
        Press(p, keys);
        Release(p, keys);
    }
    CRect Rect(int id) const { return page->GetWObjRect(id); }
    static CRect Dots(int l, int t, int r, int b) {
        return {l * kDot, t * kDot, r * kDot, b * kDot};
    }

    DWORD tick = 100000;
    testsupport::ScriptedUi ui;
    std::unique_ptr<PageHost> host;
    std::unique_ptr<QWidget> parent;
    CDsgDSPFrame* page = nullptr;
};

}  // namespace pagetesting
