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
#include <functional>
#include <optional>
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

// The canvas indices of a rectangle's pixels (inclusive), row by row.
std::vector<int> Cells(const CRect& q) {
    std::vector<int> out;
    for (int y = q.top; y <= q.bottom; ++y)
        for (int x = q.left; x <= q.right; ++x) out.push_back(x + kW * y);
    return out;
}

bool Inside(const CRect& q, CPoint p) {
    return p.x >= q.left && p.x <= q.right && p.y >= q.top && p.y <= q.bottom;
}

struct SessionModel {
    struct Step {
        std::vector<std::array<int, 3>> diff;  // index, before, after
        bool walk;
        CPoint before, after;  // the area's origin around a walk, in cells
    };
    struct Selection {
        CRect r;                         // its place
        std::vector<int> lifted, under;  // its values, what lies under them (white if fresh)
    };

    Canvas cur, first;
    std::vector<Step> done, undone;
    CPoint area{1, 2};
    CSize size{2, 1};
    std::optional<Selection> sel;

    CRect Work() const {
        return CRect(area.x * 16, area.y * 16, (area.x + size.cx) * 16 - 1,
                     (area.y + size.cy) * 16 - 1);
    }
    static std::vector<int> Lift(const Canvas& c, const CRect& q) {
        std::vector<int> out;
        for (int i : Cells(q)) out.push_back(c[static_cast<size_t>(i)]);
        return out;
    }
    // One value fills the rectangle.
    static void Put(Canvas& c, const CRect& q, const std::vector<int>& v) {
        size_t k = 0;
        for (int i : Cells(q)) c[static_cast<size_t>(i)] = v.size() == 1 ? v[0] : v[k++];
    }
    void Push(const Canvas& next, bool walk = false, CPoint before = {}) {
        Step step{{}, walk, before, area};
        for (size_t i = 0; i < next.size(); ++i)
            if (next[i] != cur[i]) step.diff.push_back({static_cast<int>(i), cur[i], next[i]});
        done.push_back(std::move(step));
        undone.clear();
        cur = next;
    }
    // Undoes the last step or redoes the last undone one; an undone walk's
    // area keeps on the canvas whatever its size is now.
    void Replay(bool redo) {
        sel.reset();
        auto& from = redo ? undone : done;
        if (from.empty()) return;
        Step& s = from.back();
        for (const auto& d : s.diff) cur[static_cast<size_t>(d[0])] = d[redo ? 2 : 1];
        const CPoint o = redo ? s.after : s.before;
        if (s.walk)
            area = CPoint(std::clamp<LONG>(o.x, 0, 16 - size.cx),
                          std::clamp<LONG>(o.y, 0, 13 - size.cy));
        (redo ? done : undone).push_back(std::move(s));
        from.pop_back();
    }
    // Puts the values, and makes them the selection there when `select`.
    void Place(const CRect& q, const std::vector<int>& values, bool select = false) {
        if (select) sel = Selection{q, values, Lift(cur, q)};
        Canvas next = cur;
        Put(next, q, values);
        Push(next);
    }
    // A move of the selection to `to` ends as the release would.
    void EndMove(const CRect& to) {
        if (!sel || to == sel->r) return;
        Canvas next = cur;
        Put(next, sel->r, sel->under);
        sel = Selection{to, sel->lifted, Lift(next, to)};
        Put(next, to, sel->lifted);
        Push(next);
    }
    // Each pixel of q takes the one at source(x, y) within q, or white.
    template <class Source>
    Canvas Remap(const CRect& q, Source source) const {
        const int w = q.Width() + 1, h = q.Height() + 1;
        Canvas next = cur;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto [sx, sy] = source(x, y, w, h);
                const bool inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
                next[q.left + x + kW * (q.top + y)] =
                    inside ? cur[q.left + sx + kW * (q.top + sy)] : kWhite;
            }
        return next;
    }
    // The flips, the turn and the crawls of the selection or the area.
    void Transform(int kind) {
        const CRect q = sel ? sel->r : Work();
        if (kind == GJPEA_ROTATE && q.Width() != q.Height()) return;
        Push(Remap(q, [&](int x, int y, int w, int h) {
            if (kind == GJPEA_ROTATE) return std::pair(y, w - 1 - x);  // turns to (x, y)
            return std::pair((kind == GJPEA_XFLIP ? w - 1 - x : x) + (kind == GJPEA_LCRAWL) -
                                 (kind == GJPEA_RCRAWL),
                             (kind == GJPEA_YFLIP ? h - 1 - y : y) + (kind == GJPEA_UCRAWL) -
                                 (kind == GJPEA_DCRAWL));
        }));
        if (sel) sel->lifted = Lift(cur, sel->r);
    }
    // The area's content walks one cell; the cell it covers goes to the
    // other end.
    void Walk(int direction) {
        const int dx = direction == GJPCGZ_LEFT ? -1 : direction == GJPCGZ_RIGHT ? 1 : 0;
        const int dy = direction == GJPCGZ_UP ? -1 : direction == GJPCGZ_DOWN ? 1 : 0;
        const CPoint before = area, to(area.x + dx, area.y + dy);
        if (to.x < 0 || to.y < 0 || to.x + size.cx > 16 || to.y + size.cy > 13) return;
        CRect strip = Work(), next = strip;
        next.OffsetRect(16 * dx, 16 * dy);
        strip.UnionRect(strip, next);
        sel.reset();
        area = to;
        Push(Remap(strip,
                   [&](int x, int y, int w, int h) {
                       return std::pair((x - 16 * dx + w) % w, (y - 16 * dy + h) % h);
                   }),
             true, before);
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

TEST_F(SessionTest, SeededRandomSessionKeepsToItsModel) {
    const char* seedText = std::getenv("LMR_SESSION_SEED");
    const char* stepsText = std::getenv("LMR_SESSION_STEPS");
    const unsigned seed =
        seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 20261210u;
    const int steps = stepsText && std::atoi(stepsText) > 0 ? std::atoi(stepsText) : 2000;
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
    auto key = [&](Qt::Key k, bool ctrl = false) {
        QTest::keyClick(port, k, ctrl ? Qt::ControlModifier : Qt::NoModifier);
    };
    auto centre = [&](CPoint p) { return viewtest::PixelCentre(zoom, p.x, p.y); };
    auto wholeAt = [&](int x, int y) {
        const CRect q = canvas.OSLToClientRect(x, y);
        return QPoint(q.left, q.top);
    };
    auto inWork = [&](int margin) {
        const CRect w = m.Work();
        return CPoint(w.left - margin + pick(w.Width() + 1 + 2 * margin),
                      w.top - margin + pick(w.Height() + 1 + 2 * margin));
    };
    // The canvas with the preview layer the user sees over it.
    auto layerOver = [&](const CRect& within) {
        Canvas next = m.cur;
        for (int i : Cells(within))
            if (const DWORD v = canvas.GetPGInfoByOSLPoint(i % kW, i / kW); v & 0x1000000)
                next[static_cast<size_t>(i)] = static_cast<int>(v & 0xFFFFFF);
        return next;
    };
    auto toggleColour = [&] {
        click((pick(2) ? static_cast<CLmrWFrameBase&>(oframe) : eframe).GetButton(27000));
    };
    auto clearSelection = [&] {
        if (m.sel) m.Place(m.sel->r, {kWhite});
        m.sel.reset();
    };
    // A clear keeps the selection, white; the whole-canvas one also clears
    // what lies under it.
    auto clearKeeping = [&](bool whole) {
        m.Place(m.sel && !whole ? m.sel->r : m.Work(), {kWhite});
        if (m.sel) m.sel->lifted.assign(m.sel->lifted.size(), kWhite);
        if (m.sel && whole) m.sel->under.assign(m.sel->under.size(), kWhite);
    };
    // A fresh selection of what the drag covers within the area.
    auto select = [&](CPoint a, CPoint b) {
        const CRect w = m.Work(),
                    q(std::max(std::min(a.x, b.x), w.left), std::max(std::min(a.y, b.y), w.top),
                      std::min(std::max(a.x, b.x), w.right),
                      std::min(std::max(a.y, b.y), w.bottom));
        m.sel = SessionModel::Selection{q, m.Lift(m.cur, q), {kWhite}};
    };
    static const int kTools[] = {28014, 28010, 28011, 28012, 28013, 28015};
    static const std::pair<int, int> kTransforms[] = {
        {GJPEA_XFLIP, 27003},  {GJPEA_YFLIP, 27004},  {GJPEA_ROTATE, 0},    {GJPEA_LCRAWL, 27006},
        {GJPEA_RCRAWL, 27007}, {GJPEA_UCRAWL, 27008}, {GJPEA_DCRAWL, 27009}};
    static const int kWalkButtons[] = {0, 28016, 28017, 28014, 28015};

    // The steps with their weights; the first kInterruptions also arrive
    // while a selection is dragged.
    struct Command {
        const char* name;
        int weight;
        bool local;  // changes nothing outside the working area
        std::function<void(bool moving)> act;
    };
    std::string what;
    bool local = true;
    std::function<void()> moveSelection;
    std::vector<Command> commands = {
        {"Esc", 1, true, [&](bool) { key(Qt::Key_Escape), m.sel.reset(); }},
        {"Ctrl+A", 1, true,
         [&](bool) {
             key(Qt::Key_A, true), select({0, 0}, {kW, kH});
         }},
        {"Delete", 1, true, [&](bool) { key(Qt::Key_Delete), clearSelection(); }},
        {"Ctrl+X", 1, true, [&](bool) { key(Qt::Key_X, true), clearSelection(); }},
        {"paste", 4, true,
         [&](bool) {  // a black and white bitmap that fits the area
             const CSize size(1 + pick(16 * m.size.cx), 1 + pick(16 * m.size.cy));
             QImage image(static_cast<int>(size.cx), static_cast<int>(size.cy),
                          QImage::Format_RGB32);
             std::vector<int> bitmap;
             for (int i = 0; i < image.width() * image.height(); ++i) {
                 bitmap.push_back(pick(2) ? kWhite : 0);
                 image.setPixel(i % image.width(), i / image.width(), ToQRgb(bitmap.back()));
             }
             ASSERT_TRUE(SetClipboardImage(image));
             pick(2) ? click(eframe.GetButton(CDlgEGJPWFrame::IDC_PASTE)) : key(Qt::Key_V, true);
             QApplication::processEvents();
             const CRect w = m.Work();
             m.Place(CRect(w.left, w.top, w.left + size.cx - 1, w.top + size.cy - 1), bitmap, true);
         }},
        {"undo", 9, false,
         [&](bool) {
             const int how = pick(3);
             how == 2 ? canvas.YUndo(1, 1, 1) : key(Qt::Key_Z, how == 1);
             m.Replay(false);
         }},
        {"redo", 6, false,
         [&](bool) {
             pick(2) ? key(Qt::Key_Y, true) : canvas.YRedo(1, 1, 1);
             m.Replay(true);
         }},
        {"a tool", 1, true, [&](bool) { click(eframe.GetButton(kTools[pick(6)])), m.sel.reset(); }},
        {"focus out", 1, true,
         [&](bool) {
             QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
             QApplication::sendEvent(&zoom, &out);
         }},
        {"walk", 4, false,
         [&](bool) {
             const int direction = 1 + pick(4);
             click(oframe.GetButton(kWalkButtons[direction]));
             m.Walk(direction);
         }},
        {"whole clear", 3, true,
         [&](bool) { click(oframe.GetButton(CDlgOGJPWFrame::IDC_CLEARAREA)), clearKeeping(true); }},
        {"zoomed clear", 3, true,
         [&](bool) { click(eframe.GetButton(CDlgEGJPWFrame::IDC_CLEAR)), clearKeeping(false); }},
        {"transform", 6, true,
         [&](bool) {
             const auto [kind, button] = kTransforms[pick(7)];
             button ? click(eframe.GetButton(button)) : eframe.OnKGJPMRotate();  // may be disabled
             m.Transform(kind);
         }},
        {"area", 3, false,
         [&](bool) {  // a click or a drag over cells of the whole canvas
             const CPoint from(pick(16), pick(13));
             const CPoint to = pick(2) ? from
                                       : CPoint(std::clamp<int>(from.x + pick(5) - 2, 0, 15),
                                                std::clamp<int>(from.y + pick(5) - 2, 0, 12));
             auto cell = [&](CPoint c) { return wholeAt(c.x * 16 + 3, c.y * 16 + 3); };
             viewtest::Drag(wholePort, from == to ? std::vector{cell(from)}
                                                  : std::vector{cell(from), cell(to)});
             m.sel.reset();
             m.area = CPoint(std::min(from.x, to.x), std::min(from.y, to.y));
             m.size = CSize(std::abs(to.x - from.x) + 1, std::abs(to.y - from.y) + 1);
         }},
        {"Clear All", 4, false,
         [&](bool moving) {
             const bool yes = !moving && pick(20) == 0;
             ui.messageAnswers = {yes ? IDYES : IDNO};
             oframe.AGJPEADelete();
             if (yes)
                 m = {Canvas(m.cur.size(), kWhite),
                      Canvas(m.cur.size(), kWhite),
                      {},
                      {},
                      m.area,
                      m.size,
                      std::nullopt};
         }},
        {"text", 3, false,
         [&](bool) {
             click(oframe.GetButton(CDlgOGJPWFrame::IDC_ADDTEXT));
             m.sel.reset();
             QApplication::processEvents();
             QPointer<QWidget> dialog = oframe.GetAddTextDialog();
             ASSERT_FALSE(dialog.isNull());
             static const char* texts[] = {"", "A", "Hi", "Ok 7", "WW"};
             static_cast<QLineEdit*>(GetDlgItem(dialog, CDlgUJPText::IDC_TEXT))
                 ->setText(texts[pick(5)]);
             for (int i = pick(3); i > 0; --i) toggleColour();
             const QPoint from =
                 wholeAt(canvas.GetUJPTextRect().left + 1, canvas.GetUJPTextRect().top + 1);
             if (pick(2))
                 viewtest::Drag(wholePort, {from, from + QPoint(pick(61) - 30, pick(61) - 30)});
             const bool apply = pick(2);
             const Canvas next = layerOver(CRect(0, 0, kW - 1, kH - 1));
             click(GetDlgItem(dialog, apply ? CDlgUJPText::IDC_APPLY : CDlgUJPText::IDC_CANCEL));
             if (apply && next != m.cur) m.Push(next);
             QApplication::processEvents();
             ASSERT_TRUE(dialog.isNull());
         }},
        {"colour", 2, true, [&](bool) { toggleColour(); }},
        {"draw", 22, true,
         [&](bool) {
             click(eframe.GetButton(kTools[pick(6)]));
             m.sel.reset();
             std::vector<QPoint> points;
             for (int i = 2 + pick(5); i > 0; --i) points.push_back(centre(inWork(3)));
             Canvas next;
             viewtest::Drag(port, points, [&] { next = layerOver(m.Work()); });
             if (next != m.cur) m.Push(next);
         }},
        {"select", 28, true,
         [&](bool) {
             click(eframe.GetButton(CDlgEGJPWFrame::IDC_SELECT));
             if (m.sel && pick(3)) return moveSelection();
             const CPoint start = inWork(0);
             CPoint end = inWork(3);
             if (end == start) end.x += 1;
             if (m.sel && Inside(m.sel->r, start)) return;  // that would grab it
             viewtest::Drag(port, {centre(start), centre(end)});
             select(start, end);
         }},
    };
    const int kInterruptions = 15;
    // A selection drag: grabbed inside, moved, then perhaps interrupted;
    // what arrives first finishes the move where it is shown.
    moveSelection = [&] {
        const CRect w = m.Work(), r = m.sel->r;
        const CPoint grab(r.left + pick(r.Width() + 1), r.top + pick(r.Height() + 1));
        const int dx = pick(13) - 6, dy = pick(13) - 6, then = pick(kInterruptions + 8);
        CRect to = r;
        to.OffsetRect(std::clamp<int>(dx, w.left - r.left, w.right - r.right),
                      std::clamp<int>(dy, w.top - r.top, w.bottom - r.bottom));
        what = "move";
        if (then < kInterruptions) what += std::string(", then ") + commands[then].name;
        local = then >= kInterruptions || commands[then].local;
        viewtest::Drag(port,
                       {centre(grab), centre(CPoint(grab.x + dx / 2, grab.y + dy / 2)),
                        centre(CPoint(grab.x + dx, grab.y + dy))},
                       [&] {
                           m.EndMove(to);
                           if (then < kInterruptions) commands[then].act(true);
                       });
    };
    int total = 0;
    for (const Command& c : commands) total += c.weight;

    for (int step = 0; step < steps; ++step) {
        const Canvas before = m.cur;
        const CRect workBefore = m.Work();
        size_t c = 0;
        for (int action = pick(total); action >= commands[c].weight; ++c)
            action -= commands[c].weight;
        what = commands[c].name;
        local = commands[c].local;
        commands[c].act(false);
        QApplication::processEvents();
        SCOPED_TRACE("step " + std::to_string(step) + ": " + what);
        const Canvas now = pixeltest::Snapshot(canvas);
        const bool sameArea = m.Work() == workBefore;
        for (size_t i = 0; i < now.size(); ++i) {
            const CPoint p(static_cast<int>(i) % kW, static_cast<int>(i) / kW);
            ASSERT_EQ(now[i], m.cur[i]) << "pixel (" << p.x << "," << p.y << ")";
            if (local && sameArea && !Inside(workBefore, p)) {
                ASSERT_EQ(now[i], before[i]) << "outside the working area: " << p.x << "," << p.y;
            }
        }
        ASSERT_EQ(canvas.GetYUPosition() + 1, static_cast<int>(m.done.size()));
        ASSERT_EQ(canvas.GetYUStepCount(), static_cast<int>(m.done.size() + m.undone.size()));
        ASSERT_EQ(CPoint(LmrOpt().omlegjpleft, LmrOpt().omlegjptop), m.area);
        ASSERT_EQ(CSize(LmrOpt().mlegjpwidth, LmrOpt().mlegjpheight), m.size);
    }
    while (canvas.IsYUndoable()) canvas.YUndo(1, 1, 1);
    EXPECT_EQ(pixeltest::Snapshot(canvas), m.first);
}

}  // namespace
