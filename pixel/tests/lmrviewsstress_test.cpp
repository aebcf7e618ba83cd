// The crawl jobs of both views and a notice fetch run on their worker
// threads while the user draws, moves selections and undoes; extra threads
// step the dashes too. Nothing may race (run under the sanitizers).

#include <QDateTime>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <array>
#include <atomic>
#include <cstdlib>
#include <random>
#include <thread>

#include "foundation/pixel/fxnoticebar.h"
#include "localhttpserver.h"
#include "pixel/dlgujptext.h"
#include "pixel/lmrmwindow.h"
#include "pixeltesting.h"
#include "platform/clipboard.h"
#include "platform/window.h"
#include "viewstesting.h"

namespace {

using testsupport::LocalHttpServer;

int StressSeconds() {
    const char* text = std::getenv("LMR_STRESS_SECONDS");
    const int seconds = text ? std::atoi(text) : 10;
    return seconds > 0 ? seconds : 10;
}

class ViewsStress : public viewtest::ViewsTest {};

TEST_F(ViewsStress, JobsRunWhileTheUserEdits) {
    // A notice fetch that trickles for the whole run.
    LocalHttpServer server;
    LocalHttpServer::Response trickle;
    trickle.behaviour = LocalHttpServer::Behaviour::EndlessLine;
    trickle.body = "gntiscript:";
    server.SetResponse(trickle);
    CFxRevPropStore options;
    std::atomic<int> running{1};
    CFxNoticeBar bar(&options, &running, server.Address(CFxNoticeBar::kScriptPath), "stress");
    bar.SetTimeLimits(60000, 1000);
    bar.StartNoticeBar();
    ASSERT_TRUE(bar.IsRequestStarted());

    SetWorkingArea(2, 2, 4, 3);
    std::atomic<bool> stop{false};
    std::vector<std::thread> steppers;
    for (int i = 0; i < 2; ++i)
        steppers.emplace_back([&] {
            while (!stop) {
                zoom().GJPSMDraw();
                canvas().UJPTFDraw();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });

    QElapsedTimer timer;
    timer.start();
    int rounds = 0;
    canvas().m_nOTool = CLmrOGJPEState::OT_TEXT;  // the text frame crawls too
    canvas().SetUJPTextRect(CRect(0, 0, 20, 20));
    while (timer.elapsed() < StressSeconds() * 1000) {
        const int k = rounds % 7;
        eframe->OnEnableUJPixel();
        DragZoom({AtArea(k, 0), AtArea(k + 5, 3), AtArea(k + 9, 8)});
        eframe->OnEnableUJPFBox();
        DragZoom({AtArea(1, k), AtArea(6, k + 4)});
        eframe->OnEnableGJPSelect();
        DragZoom({AtArea(0, 0), AtArea(8, 6)});
        DragZoom({AtArea(3, 3), AtArea(3 + k, 5)});
        DragZoom({AtArea(3 + k, 5), AtArea(12, 9)});
        canvas().YUndo(1, 1, 1);
        if (k % 2) canvas().YRedo(1, 1, 1);
        QApplication::processEvents();
        ++rounds;
    }
    stop = true;
    for (std::thread& t : steppers) t.join();
    EXPECT_GT(rounds, 10);
    EXPECT_TRUE(zoom().IsMarqueeRunning());
    EXPECT_EQ(server.RequestCount(), 1);
    // Every step can still be undone to a white canvas.
    while (canvas().IsYUndoable()) canvas().YUndo(1, 1, 1);
    for (int i = 0; i < CLmrOGJPixel::OGJP_COUNT; ++i)
        ASSERT_EQ(canvas().GetJPixelByOSLIndex(i), 0xFFFFFF) << i;
}

}  // namespace

// ---- A seeded random session ---------------------------------------------
//
// The host window with both views is driven with mouse and key events
// through every tool, selection drags interrupted by keys and commands,
// walks, clears, transforms, pastes and text, undo and redo. Beside it a
// model keeps the canvas each step should give, from what the user saw (the
// preview layer before a release) and what the commands mean, and the steps
// as the differences between those canvases.

namespace {

using Canvas = std::vector<int>;
constexpr int kWhite = 0xFFFFFF;
constexpr int kW = CLmrOGJPixel::OGJP_WIDTH, kH = CLmrOGJPixel::OGJP_HEIGHT;

struct SessionModel {
    struct Step {
        std::vector<std::array<int, 3>> diff;  // index, before, after
        bool walk = false;
        CPoint before, after;  // the area's origin around a walk, in cells
    };
    enum { kNone, kFresh, kFloating };

    Canvas cur, first;
    std::vector<Step> done, undone;
    CPoint area{1, 2};
    CSize size{2, 1};
    int sel = kNone;
    CRect r;                         // the selection's place (inclusive)
    std::vector<int> lifted, under;  // its pixel values and what lies under them

    CRect Work() const {
        return CRect(area.x * 16, area.y * 16, (area.x + size.cx) * 16 - 1,
                     (area.y + size.cy) * 16 - 1);
    }
    int& At(Canvas& c, int x, int y) const { return c[static_cast<size_t>(x + kW * y)]; }
    std::vector<int> Lift(const Canvas& c, const CRect& q) const {
        std::vector<int> out;
        for (int y = q.top; y <= q.bottom; ++y)
            for (int x = q.left; x <= q.right; ++x) out.push_back(c[x + kW * y]);
        return out;
    }
    void Put(Canvas& c, const CRect& q, const std::vector<int>& v) const {
        size_t i = 0;
        for (int y = q.top; y <= q.bottom; ++y)
            for (int x = q.left; x <= q.right; ++x) At(c, x, y) = v[i++];
    }
    void Fill(Canvas& c, const CRect& q, int v) const {
        for (int y = q.top; y <= q.bottom; ++y)
            for (int x = q.left; x <= q.right; ++x) At(c, x, y) = v;
    }
    void Push(const Canvas& next, bool walk = false, CPoint before = {}, CPoint after = {}) {
        Step step;
        for (size_t i = 0; i < next.size(); ++i)
            if (next[i] != cur[i]) step.diff.push_back({static_cast<int>(i), cur[i], next[i]});
        step.walk = walk;
        step.before = before;
        step.after = after;
        done.push_back(std::move(step));
        undone.clear();
        cur = next;
    }
    // The area keeps on the canvas whatever its size is now.
    void HoldArea(CPoint origin) {
        area = CPoint(std::clamp<LONG>(origin.x, 0, 16 - size.cx),
                      std::clamp<LONG>(origin.y, 0, 13 - size.cy));
    }
    void Undo() {
        sel = kNone;
        if (done.empty()) return;
        for (const auto& d : done.back().diff) cur[static_cast<size_t>(d[0])] = d[1];
        if (done.back().walk) HoldArea(done.back().before);
        undone.push_back(std::move(done.back()));
        done.pop_back();
    }
    void Redo() {
        sel = kNone;
        if (undone.empty()) return;
        for (const auto& d : undone.back().diff) cur[static_cast<size_t>(d[0])] = d[2];
        if (undone.back().walk) HoldArea(undone.back().after);
        done.push_back(std::move(undone.back()));
        undone.pop_back();
    }
    // A move of the selection to `to` ends as the release would.
    void EndMove(const CRect& to) {
        if (sel == kNone || to == r) return;
        Canvas base = cur;
        if (sel == kFresh)
            Fill(base, r, kWhite);
        else
            Put(base, r, under);
        under = Lift(base, to);
        Put(base, to, lifted);
        Push(base);
        sel = kFloating;
        r = to;
    }
    void Clear(const CRect& q) {
        Canvas next = cur;
        Fill(next, q, kWhite);
        Push(next);
    }
    void Paste(const std::vector<int>& bitmap, CSize bsize) {
        const CRect to(Work().left, Work().top, Work().left + bsize.cx - 1,
                       Work().top + bsize.cy - 1);
        Canvas next = cur;
        under = Lift(cur, to);
        Put(next, to, bitmap);
        Push(next);
        sel = kFloating;
        r = to;
        lifted = bitmap;
    }
    // The kinds 3 to 9 over the selection or the working area.
    void Transform(int kind) {
        const CRect q = sel != kNone ? r : Work();
        const int w = q.Width() + 1, h = q.Height() + 1;
        if (kind == GJPEA_ROTATE && w != h) return;
        Canvas next = cur;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sx = x, sy = y;
                if (kind == GJPEA_XFLIP) sx = w - 1 - x;
                if (kind == GJPEA_YFLIP) sy = h - 1 - y;
                if (kind == GJPEA_LCRAWL) sx = x + 1;
                if (kind == GJPEA_RCRAWL) sx = x - 1;
                if (kind == GJPEA_UCRAWL) sy = y + 1;
                if (kind == GJPEA_DCRAWL) sy = y - 1;
                if (kind == GJPEA_ROTATE) sx = y, sy = w - 1 - x;  // (sx, sy) turns to (x, y)
                const bool inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
                At(next, q.left + x, q.top + y) =
                    inside ? cur[q.left + sx + kW * (q.top + sy)] : kWhite;
            }
        Push(next);
        if (sel != kNone) lifted = Lift(cur, r);
    }
    // The area's content walks one cell; the cell it covers goes to the
    // other end.
    bool Walk(int direction) {
        const bool fits = (direction == GJPCGZ_LEFT && area.x > 0) ||
                          (direction == GJPCGZ_RIGHT && area.x + size.cx < 16) ||
                          (direction == GJPCGZ_UP && area.y > 0) ||
                          (direction == GJPCGZ_DOWN && area.y + size.cy < 13);
        if (!fits) return false;
        sel = kNone;
        const bool horizontal = direction == GJPCGZ_LEFT || direction == GJPCGZ_RIGHT;
        const bool back = direction == GJPCGZ_LEFT || direction == GJPCGZ_UP;
        const CRect work = Work();
        const int from = (horizontal ? work.left : work.top) - (back ? 16 : 0);
        const int length = 16 * ((horizontal ? size.cx : size.cy) + 1);
        Canvas next = cur;
        for (int line = horizontal ? work.top : work.left;
             line <= (horizontal ? work.bottom : work.right); ++line)
            for (int i = 0; i < length; ++i) {
                const int to = (i + (back ? length - 16 : 16)) % length;
                auto pixel = [&](Canvas& c, int at) -> int& {
                    return horizontal ? At(c, from + at, line) : At(c, line, from + at);
                };
                pixel(next, to) = pixel(cur, i);
            }
        const CPoint before = area;
        area.x += direction == GJPCGZ_LEFT ? -1 : direction == GJPCGZ_RIGHT ? 1 : 0;
        area.y += direction == GJPCGZ_UP ? -1 : direction == GJPCGZ_DOWN ? 1 : 0;
        Push(next, true, before, area);
        return true;
    }
};

class SessionTest : public ::testing::Test {
protected:
    SessionTest() {
        viewtest::ResetOptions();
        FxSharedValues().InitRealRelease(1);
        setenv("DRAVIK_NOTICE_URL",
               LocalHttpServer::RefusedAddress(CFxNoticeBar::kScriptPath).c_str(), 1);
        LmrSetAddTextDialogFactory([](QWidget* parent) { return new CDlgUJPText(parent); });
        window = std::make_unique<CLmrMWindow>();
        window->resize(1100, 760);
        window->show();
        QApplication::processEvents();
    }
    ~SessionTest() override {
        window.reset();
        unsetenv("DRAVIK_NOTICE_URL");
        viewtest::ResetOptions();
    }
    testsupport::ScriptedUi ui;
    std::unique_ptr<CLmrMWindow> window;
};

int SessionSteps() {
    const char* text = std::getenv("LMR_SESSION_STEPS");
    const int steps = text ? std::atoi(text) : 0;
    return steps > 0 ? steps : 2000;
}

TEST_F(SessionTest, SeededRandomSessionKeepsToItsModel) {
    const char* seedText = std::getenv("LMR_SESSION_SEED");
    const unsigned seed =
        seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 20261210u;
    SCOPED_TRACE("LMR_SESSION_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

    CDlgOGJPWFrame& oframe = *window->GetOGJPWFrame();
    CDlgEGJPWFrame& eframe = *window->GetEGJPWFrame();
    CLmrOGJPWindow& canvas = *window->GetOGJPWindow();
    CLmrEGJPWindow& zoom = *window->GetEGJPWindow();
    QWidget* port = zoom.viewport();
    QWidget* wholePort = canvas.viewport();
    LmrGOption().SetInt("ejpbreadth", 5);
    LmrGOption().Refresh();
    zoom.ResetScrollSize();
    pixeltest::FillRandom(canvas, seed);

    SessionModel m;
    m.cur = m.first = pixeltest::Snapshot(canvas);
    auto click = [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); };
    auto centre = [&](CPoint p) {
        const CRect q = zoom.OSLToClientRect(p.x, p.y);
        return QPoint((q.left + q.right) / 2, (q.top + q.bottom) / 2);
    };
    auto moveTo = [](QWidget* w, QPoint p) {
        QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    };
    auto inWork = [&](int margin) {
        const CRect w = m.Work();
        return CPoint(w.left - margin + pick(w.Width() + 1 + 2 * margin),
                      w.top - margin + pick(w.Height() + 1 + 2 * margin));
    };
    auto wholeAt = [&](int x, int y) {
        const CRect q = canvas.OSLToClientRect(x, y);
        return QPoint(q.left, q.top);
    };
    auto layerOver = [&](const Canvas& base, const CRect& within) {
        Canvas next = base;
        for (int y = within.top; y <= within.bottom; ++y)
            for (int x = within.left; x <= within.right; ++x) {
                const DWORD v = canvas.GetPGInfoByOSLPoint(x, y);
                if (v & 0x1000000) m.At(next, x, y) = static_cast<int>(v & 0xFFFFFF);
            }
        return next;
    };
    auto pushIfChanged = [&](const Canvas& next) {
        if (next != m.cur) m.Push(next);
    };
    // A black and white bitmap on the clipboard that fits the area.
    auto clip = [&](std::vector<int>& bitmap, CSize& size) {
        size = CSize(1 + pick(16 * m.size.cx), 1 + pick(16 * m.size.cy));
        QImage image(static_cast<int>(size.cx), static_cast<int>(size.cy), QImage::Format_RGB32);
        bitmap.clear();
        for (int y = 0; y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x) {
                const int v = pick(2) ? kWhite : 0;
                bitmap.push_back(v);
                image.setPixel(x, y, ToQRgb(static_cast<COLORREF>(v)));
            }
        ASSERT_TRUE(SetClipboardImage(image));
    };
    const int transforms[] = {GJPEA_XFLIP,  GJPEA_YFLIP,  GJPEA_ROTATE, GJPEA_LCRAWL,
                              GJPEA_RCRAWL, GJPEA_UCRAWL, GJPEA_DCRAWL};
    auto transform = [&](int kind) {
        switch (kind) {
            case GJPEA_XFLIP:
                click(eframe.GetButton(27003));
                break;
            case GJPEA_YFLIP:
                click(eframe.GetButton(27004));
                break;
            case GJPEA_ROTATE:
                eframe.OnKGJPMRotate();
                break;  // the button may be disabled
            case GJPEA_LCRAWL:
                click(eframe.GetButton(27006));
                break;
            case GJPEA_RCRAWL:
                click(eframe.GetButton(27007));
                break;
            case GJPEA_UCRAWL:
                click(eframe.GetButton(27008));
                break;
            default:
                click(eframe.GetButton(27009));
                break;
        }
        m.Transform(kind);
    };
    const int walkButtons[] = {0, 28016, 28017, 28014, 28015};
    auto walk = [&] {
        const int direction = 1 + pick(4);
        click(oframe.GetButton(walkButtons[direction]));
        m.Walk(direction);
    };
    auto wholeClear = [&] {
        click(oframe.GetButton(CDlgOGJPWFrame::IDC_CLEARAREA));
        m.Clear(m.Work());
        if (m.sel != SessionModel::kNone) {
            m.lifted.assign(m.lifted.size(), kWhite);
            m.under.assign(m.under.size(), kWhite);
        }
    };
    auto zoomClear = [&] {
        click(eframe.GetButton(CDlgEGJPWFrame::IDC_CLEAR));
        m.Clear(m.sel != SessionModel::kNone ? m.r : m.Work());
        if (m.sel != SessionModel::kNone) m.lifted.assign(m.lifted.size(), kWhite);
    };
    auto chooseArea = [&](CPoint from, CPoint to) {
        QTest::mousePress(wholePort, Qt::LeftButton, Qt::NoModifier,
                          wholeAt(from.x * 16 + 3, from.y * 16 + 3));
        moveTo(wholePort, wholeAt(to.x * 16 + 3, to.y * 16 + 3));
        QTest::mouseRelease(wholePort, Qt::LeftButton, Qt::NoModifier,
                            wholeAt(to.x * 16 + 3, to.y * 16 + 3));
        m.sel = SessionModel::kNone;
        m.area = CPoint(std::min(from.x, to.x), std::min(from.y, to.y));
        m.size = CSize(std::abs(to.x - from.x) + 1, std::abs(to.y - from.y) + 1);
    };
    auto addText = [&] {
        click(oframe.GetButton(CDlgOGJPWFrame::IDC_ADDTEXT));
        m.sel = SessionModel::kNone;
        QApplication::processEvents();
        QPointer<QWidget> dialog = oframe.GetAddTextDialog();
        ASSERT_FALSE(dialog.isNull());
        static const char* texts[] = {"", "A", "Hi", "Ok 7", "WW"};
        static_cast<QLineEdit*>(GetDlgItem(dialog, CDlgUJPText::IDC_TEXT))->setText(texts[pick(5)]);
        for (int i = pick(3); i > 0; --i)
            click((pick(2) ? static_cast<CLmrWFrameBase&>(oframe) : eframe).GetButton(27000));
        if (pick(2)) {
            const CRect t = canvas.GetUJPTextRect();
            const QPoint from = wholeAt(t.left + 1, t.top + 1);
            QTest::mousePress(wholePort, Qt::LeftButton, Qt::NoModifier, from);
            const QPoint to = from + QPoint(pick(61) - 30, pick(61) - 30);
            moveTo(wholePort, to);
            QTest::mouseRelease(wholePort, Qt::LeftButton, Qt::NoModifier, to);
        }
        if (pick(2)) {
            const Canvas next = layerOver(m.cur, CRect(0, 0, kW - 1, kH - 1));
            click(GetDlgItem(dialog, CDlgUJPText::IDC_APPLY));
            pushIfChanged(next);
        } else {
            click(GetDlgItem(dialog, CDlgUJPText::IDC_CANCEL));
        }
        QApplication::processEvents();
        ASSERT_TRUE(dialog.isNull());
    };
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(port, k, mods);
    };

    // A selection drag: grabbed inside, moved, then perhaps interrupted.
    // Answers whether the interruption kept to the working area (an undo or
    // a redo may act on any earlier step).
    auto moveSelection = [&](std::string& what) -> bool {
        const CRect work = m.Work();
        const CPoint grab(m.r.left + pick(m.r.Width() + 1), m.r.top + pick(m.r.Height() + 1));
        const int dx = pick(13) - 6, dy = pick(13) - 6;
        auto within = [](int d, int low, int high) { return std::clamp(d, low, high); };
        CRect to = m.r;
        to.OffsetRect(within(dx, work.left - m.r.left, work.right - m.r.right),
                      within(dy, work.top - m.r.top, work.bottom - m.r.bottom));
        QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, centre(grab));
        moveTo(port, centre(CPoint(grab.x + dx / 2, grab.y + dy / 2)));
        moveTo(port, centre(CPoint(grab.x + dx, grab.y + dy)));
        const int interruption = pick(24);
        what = "move " + std::to_string(interruption);
        std::vector<int> bitmap;
        CSize bsize;
        if (interruption == 3) clip(bitmap, bsize);
        // Anything that arrives first finishes the move where it is shown.
        m.EndMove(to);
        switch (interruption) {
            case 1:
                key(Qt::Key_Escape);
                m.sel = SessionModel::kNone;
                break;
            case 2:
                key(Qt::Key_A, Qt::ControlModifier);
                m.sel = SessionModel::kFresh;
                m.r = m.Work();
                m.lifted = m.Lift(m.cur, m.r);
                break;
            case 3:
                key(Qt::Key_V, Qt::ControlModifier);
                break;
            case 4:
                key(Qt::Key_Z, Qt::ControlModifier);
                m.Undo();
                break;
            case 5:
                key(Qt::Key_Y, Qt::ControlModifier);
                m.Redo();
                break;
            case 6:
                key(Qt::Key_Delete);
                m.Clear(m.r);
                m.sel = SessionModel::kNone;
                break;
            case 7:
                click(eframe.GetButton(CDlgEGJPWFrame::IDC_PENCIL));
                m.sel = SessionModel::kNone;
                break;
            case 8: {
                QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
                QApplication::sendEvent(&zoom, &out);
                break;
            }
            case 9:
                walk();
                break;
            case 10:
                wholeClear();
                break;
            case 11:
                zoomClear();
                break;
            case 12:
                transform(transforms[pick(7)]);
                break;
            case 13: {
                const CPoint cell(pick(16), pick(13));
                QTest::mouseClick(wholePort, Qt::LeftButton, Qt::NoModifier,
                                  wholeAt(cell.x * 16 + 3, cell.y * 16 + 3));
                m.sel = SessionModel::kNone;
                m.area = cell;
                m.size = CSize(1, 1);
                break;
            }
            case 14:
                canvas.YUndo(1, 1, 1);
                m.Undo();
                break;
            case 15:
                ui.messageAnswers = {IDNO};
                oframe.AGJPEADelete();
                break;
            case 16:
                key(Qt::Key_X, Qt::ControlModifier);
                m.Clear(m.r);
                m.sel = SessionModel::kNone;
                break;
            default:
                break;  // the release ends it
        }
        QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier,
                            centre(CPoint(grab.x + dx, grab.y + dy)));
        QApplication::processEvents();
        if (interruption == 3) m.Paste(bitmap, bsize);
        return interruption != 4 && interruption != 5;
    };

    const int steps = SessionSteps();
    for (int step = 0; step < steps; ++step) {
        const Canvas before = m.cur;
        const CRect workBefore = m.Work();
        bool zoomedEdit = false;
        std::string what;
        const int action = pick(100);
        if (action < 22) {  // a drawing tool
            static const int tools[] = {28014, 28010, 28011, 28012, 28013, 28015};
            const int tool = tools[pick(6)];
            what = "draw " + std::to_string(tool);
            zoomedEdit = true;
            click(eframe.GetButton(tool));
            m.sel = SessionModel::kNone;
            QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, centre(inWork(3)));
            for (int i = pick(5); i > 0; --i) moveTo(port, centre(inWork(3)));
            const QPoint end = centre(inWork(3));
            moveTo(port, end);
            const Canvas next = layerOver(m.cur, m.Work());
            QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, end);
            pushIfChanged(next);
        } else if (action < 50) {  // the select tool
            zoomedEdit = true;
            click(eframe.GetButton(CDlgEGJPWFrame::IDC_SELECT));
            if (m.sel != SessionModel::kNone && pick(3)) {
                zoomedEdit = moveSelection(what);
            } else {
                what = "select";
                CPoint start = inWork(0);
                CPoint end = inWork(3);
                if (end == start) end.x += 1;
                if (m.sel != SessionModel::kNone && start.x >= m.r.left && start.x <= m.r.right &&
                    start.y >= m.r.top && start.y <= m.r.bottom)
                    continue;
                QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, centre(start));
                moveTo(port, centre(end));
                QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, centre(end));
                const CRect w = m.Work();
                m.r = CRect(std::max(std::min(start.x, end.x), w.left),
                            std::max(std::min(start.y, end.y), w.top),
                            std::min(std::max(start.x, end.x), w.right),
                            std::min(std::max(start.y, end.y), w.bottom));
                m.sel = SessionModel::kFresh;
                m.lifted = m.Lift(m.cur, m.r);
            }
        } else if (action < 56) {
            what = "transform";
            zoomedEdit = true;
            transform(transforms[pick(7)]);
        } else if (action < 60) {
            what = "walk";
            walk();
        } else if (action < 63) {
            what = "whole clear";
            wholeClear();
        } else if (action < 66) {
            what = "zoomed clear";
            zoomedEdit = true;
            zoomClear();
        } else if (action < 70) {
            what = "paste";
            zoomedEdit = true;
            std::vector<int> bitmap;
            CSize bsize;
            clip(bitmap, bsize);
            if (pick(2)) {
                click(eframe.GetButton(CDlgEGJPWFrame::IDC_PASTE));
            } else {
                key(Qt::Key_V, Qt::ControlModifier);
                QApplication::processEvents();
            }
            m.Paste(bitmap, bsize);
        } else if (action < 79) {
            what = "undo";
            if (pick(2))
                key(Qt::Key_Z);
            else
                canvas.YUndo(1, 1, 1);
            m.Undo();
        } else if (action < 85) {
            what = "redo";
            if (pick(2))
                key(Qt::Key_Y, Qt::ControlModifier);
            else
                canvas.YRedo(1, 1, 1);
            m.Redo();
        } else if (action < 88) {
            what = "area";
            const CPoint from(pick(16), pick(13));
            const CPoint to(std::clamp<int>(from.x + pick(5) - 2, 0, 15),
                            std::clamp<int>(from.y + pick(5) - 2, 0, 12));
            chooseArea(from, to);
        } else if (action < 91) {
            what = "text";
            addText();
        } else if (action < 93) {
            what = "colour";
            click((pick(2) ? static_cast<CLmrWFrameBase&>(oframe) : eframe).GetButton(27000));
        } else if (action < 96) {
            what = "keys";
            zoomedEdit = true;
            switch (pick(4)) {
                case 0:
                    key(Qt::Key_Escape);
                    m.sel = SessionModel::kNone;
                    break;
                case 1:
                    key(Qt::Key_A, Qt::ControlModifier);
                    m.sel = SessionModel::kFresh;
                    m.r = m.Work();
                    m.lifted = m.Lift(m.cur, m.r);
                    break;
                case 2:
                    key(Qt::Key_Delete);
                    if (m.sel != SessionModel::kNone) m.Clear(m.r);
                    m.sel = SessionModel::kNone;
                    break;
                case 3:
                    key(Qt::Key_X, Qt::ControlModifier);
                    if (m.sel != SessionModel::kNone) m.Clear(m.r);
                    m.sel = SessionModel::kNone;
                    break;
            }
        } else {
            what = "clear all";
            const bool yes = pick(20) == 0;
            ui.messageAnswers = {yes ? IDYES : IDNO};
            oframe.AGJPEADelete();
            if (yes) {
                m.cur.assign(m.cur.size(), kWhite);
                m.first = m.cur;
                m.done.clear();
                m.undone.clear();
                m.sel = SessionModel::kNone;
            }
        }
        QApplication::processEvents();
        SCOPED_TRACE("step " + std::to_string(step) + ": " + what);
        const Canvas now = pixeltest::Snapshot(canvas);
        if (now != m.cur) {
            size_t i = 0;
            while (now[i] == m.cur[i]) ++i;
            FAIL() << "pixel (" << i % kW << "," << i / kW << ") is " << now[i] << ", not "
                   << m.cur[i];
        }
        ASSERT_EQ(canvas.GetYUPosition() + 1, static_cast<int>(m.done.size()));
        ASSERT_EQ(canvas.GetYUStepCount(), static_cast<int>(m.done.size() + m.undone.size()));
        ASSERT_EQ(CPoint(LmrOpt().omlegjpleft, LmrOpt().omlegjptop), m.area);
        ASSERT_EQ(CSize(LmrOpt().mlegjpwidth, LmrOpt().mlegjpheight), m.size);
        // A zoomed-view edit changes nothing outside the working area.
        if (zoomedEdit && m.Work() == workBefore)
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const bool inside = x >= workBefore.left && x <= workBefore.right &&
                                        y >= workBefore.top && y <= workBefore.bottom;
                    if (!inside) {
                        ASSERT_EQ(now[x + kW * y], before[x + kW * y]) << x << "," << y;
                    }
                }
    }
    while (canvas.IsYUndoable()) canvas.YUndo(1, 1, 1);
    EXPECT_EQ(pixeltest::Snapshot(canvas), m.first);
}

}  // namespace
