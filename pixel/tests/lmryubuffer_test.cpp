#include "pixel/lmryubuffer.h"

#include <QCoreApplication>
#include <QObject>
#include <functional>

#include "pixel/tests/pixeltesting.h"

namespace {

using pixeltest::EngineTest;
using pixeltest::Snapshot;

class YUBufferTest : public EngineTest {
protected:
    // Layer pixels at random over the working area.
    void CarveRandom(unsigned seed) {
        std::mt19937 random(seed);
        const CRect area = CLmrOGJPixel::GetWorkingAreaOSLRect();
        for (int y = area.top; y <= area.bottom; ++y)
            for (int x = area.left; x <= area.right; ++x)
                if (random() % 3 == 0) canvas.SetPGInfo(x, y, 0, CLmrOGJPixel::kPGMark, 0);
    }
    // Lifts a selection as the zoomed view does: the floating buffer and the
    // evacuation buffer take the rectangle's colours.
    void Select(const CRect& r, int mode = CLmrEGJPEState::EM_SELECTED) {
        zoom.m_nMode = mode;
        zoom.m_rcPlaced = zoom.m_rcShown = r;
        canvas.DSPGIUpdateFromOSLRect(r.left, r.top, r.right, r.bottom);
        zoom.m_revEvacuation.Assign(canvas.GetDSPGInfo());
    }
    int At(int x, int y) const { return canvas.GetJPixelByOSLPoint(x, y); }
};

// Every kind of edit, built as its command builds it: what it does, and that
// undo gives back the exact canvas and redo the edited one, on random
// canvases.
TEST_F(YUBufferTest, EveryEditUndoesAndRedoesExactly) {
    using Before = std::vector<int>;
    auto old = [](const Before& b, int x, int y) { return b[static_cast<size_t>(x + 256 * y)]; };
    struct Case {
        const char* name;
        std::function<void()> edit;
        std::function<void(const Before&)> check;
    };
    const CRect sel(20, 35, 27, 42);
    const Case cases[] = {
        {"pencil",
         [&] {
             CarveRandom(5);
             ASSERT_EQ(canvas.GJPEAANPerformByUJPixel(1, 1), 1);
         },
         [&](const Before&) {
             EXPECT_EQ(pixeltest::PGSnapshot(canvas), std::vector<DWORD>(53248, 0));
         }},
        {"x flip of the working area", [&] { canvas.GJPEAANPerformByKGJPEdit(GJPEA_XFLIP); },
         [&](const Before& b) {
             EXPECT_EQ(At(16, 33), old(b, 47, 33));
             EXPECT_EQ(At(47, 47), old(b, 16, 47));
         }},
        {"y flip of a selection",
         [&] {
             Select(sel);
             canvas.GJPEAANPerformByKGJPEdit(GJPEA_YFLIP);
         },
         [&](const Before& b) {
             EXPECT_EQ(At(20, 35), old(b, 20, 42));
             EXPECT_EQ(At(19, 35), old(b, 19, 35));
         }},
        {"left crawl", [&] { canvas.GJPEAANPerformByKGJPEdit(GJPEA_LCRAWL); },
         [&](const Before& b) {
             EXPECT_EQ(At(16, 40), old(b, 17, 40));
             EXPECT_EQ(At(47, 40), 0xFFFFFF);
         }},
        {"right crawl of a selection",
         [&] {
             Select(sel);
             canvas.GJPEAANPerformByKGJPEdit(GJPEA_RCRAWL);
         },
         [&](const Before& b) {
             EXPECT_EQ(At(21, 36), old(b, 20, 36));
             EXPECT_EQ(At(20, 36), 0xFFFFFF);
             EXPECT_EQ(At(28, 36), old(b, 28, 36));
         }},
        {"up crawl", [&] { canvas.GJPEAANPerformByKGJPEdit(GJPEA_UCRAWL); },
         [&](const Before& b) {
             EXPECT_EQ(At(30, 32), old(b, 30, 33));
             EXPECT_EQ(At(30, 47), 0xFFFFFF);
         }},
        {"down crawl", [&] { canvas.GJPEAANPerformByKGJPEdit(GJPEA_DCRAWL); },
         [&](const Before& b) {
             EXPECT_EQ(At(30, 33), old(b, 30, 32));
             EXPECT_EQ(At(30, 32), 0xFFFFFF);
         }},
        {"rotate of a square selection",
         [&] {
             Select(sel);
             canvas.GJPEAANPerformByKGJPEdit(GJPEA_ROTATE);
         },
         [&](const Before& b) {
             // (x, y) of the square goes to (n-1-y, x).
             EXPECT_EQ(At(20 + 7 - 1, 35 + 2), old(b, 20 + 2, 35 + 1));
             EXPECT_EQ(zoom.m_nMode, CLmrEGJPEState::EM_SELECTED);
             EXPECT_EQ(canvas.GetDSPGInfo().GetLength(), 8 * 8 * 4);  // lifted again
         }},
        {"walk left", [&] { ASSERT_EQ(canvas.GJPEAANPerformByGJPCGZWalk(GJPCGZ_LEFT), 1); },
         [&](const Before& b) {
             EXPECT_EQ(LmrOpt().omlegjpleft, 0);
             EXPECT_EQ(At(0, 32), old(b, 16, 32));  // the area's content moved with it
             EXPECT_EQ(At(31, 47), old(b, 47, 47));
             EXPECT_EQ(At(32, 40), old(b, 0, 40));   // the cell it covered went to its other end
             EXPECT_EQ(At(48, 40), old(b, 48, 40));  // beyond: untouched
         }},
        {"walk down", [&] { ASSERT_EQ(canvas.GJPEAANPerformByGJPCGZWalk(GJPCGZ_DOWN), 1); },
         [&](const Before& b) {
             EXPECT_EQ(LmrOpt().omlegjptop, 3);
             EXPECT_EQ(At(20, 48), old(b, 20, 32));
             EXPECT_EQ(At(20, 32), old(b, 20, 48));
         }},
        {"clear", [&] { canvas.GJPEAANPerformByGJPCGZClear(3, 4, 40, 9); },
         [&](const Before& b) {
             EXPECT_EQ(At(3, 4), 0xFFFFFF);
             EXPECT_EQ(At(40, 9), 0xFFFFFF);
             EXPECT_EQ(At(41, 9), old(b, 41, 9));
         }},
        {"move of a fresh selection over itself",
         [&] {
             Select(sel);
             canvas.DSGJPEAAdd(1, 1, sel, CRect(23, 37, 30, 44), 1, 1);
         },
         [&](const Before& b) {
             EXPECT_EQ(At(23, 37), old(b, 20, 35));
             EXPECT_EQ(At(30, 44), old(b, 27, 42));
             EXPECT_EQ(At(20, 35), 0xFFFFFF);  // left behind: white
             EXPECT_EQ(zoom.m_rcPlaced, CRect(23, 37, 30, 44));
         }},
        {"move of a floating selection",
         [&] {
             Select(sel, CLmrEGJPEState::EM_FLOATING);
             canvas.DSGJPEAAdd(1, 0, sel, CRect(100, 100, 107, 107), 1, 1);
         },
         [&](const Before& b) {
             EXPECT_EQ(At(100, 100), old(b, 20, 35));
             EXPECT_EQ(At(20, 35), old(b, 20, 35));  // the evacuated colours come back
         }},
        {"paste",
         [&] {
             Select(CRect(0, 0, 9, 4));
             zoom.m_nMode = CLmrEGJPEState::EM_IDLE;
             canvas.DSGJPEAAdd(1, 0, LmrNullRect(), CRect(200, 150, 209, 154), 1, 1);
         },
         [&](const Before& b) {
             EXPECT_EQ(At(200, 150), old(b, 0, 0));
             EXPECT_EQ(At(209, 154), old(b, 9, 4));
         }},
    };
    for (unsigned seed : {1u, 2u, 3u}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " seed " + std::to_string(seed));
            LmrGOption().SetDefaults();
            SetWorkingArea(1, 2, 2, 1);
            if (std::string(c.name).find("crawl") != std::string::npos ||
                std::string(c.name).find("flip") != std::string::npos)
                SetWorkingArea(1, 2, 2, 1);
            zoom.m_nMode = CLmrEGJPEState::EM_IDLE;
            canvas.AGJPEADelete();
            canvas.ClearAllPGInfos();
            pixeltest::FillRandom(canvas, seed);
            const Before before = Snapshot(canvas);
            c.edit();
            const Before after = Snapshot(canvas);
            EXPECT_NE(after, before);
            c.check(before);
            ASSERT_EQ(canvas.GetYUStepCount(), 1);
            canvas.YUndo(1, 1, 1);
            EXPECT_EQ(Snapshot(canvas), before);
            EXPECT_EQ(LmrOpt().omlegjpleft, 1);
            EXPECT_EQ(LmrOpt().omlegjptop, 2);
            EXPECT_EQ(zoom.m_nMode, CLmrEGJPEState::EM_IDLE);  // undo ends a selection
            canvas.YRedo(1, 1, 1);
            EXPECT_EQ(Snapshot(canvas), after);
        }
    }
}

TEST_F(YUBufferTest, RotateFourTimesIsNothingAndItsUndoIsThreeTurns) {
    SetWorkingArea(2, 2, 2, 2);
    pixeltest::FillRandom(canvas, 9);
    const std::vector<int> start = Snapshot(canvas);
    canvas.GJPEAANPerformByKGJPEdit(GJPEA_ROTATE);
    const std::vector<int> once = Snapshot(canvas);
    canvas.GJPEAANPerformByKGJPEdit(GJPEA_ROTATE);
    canvas.GJPEAANPerformByKGJPEdit(GJPEA_ROTATE);
    const std::vector<int> thrice = Snapshot(canvas);
    canvas.GJPEAANPerformByKGJPEdit(GJPEA_ROTATE);
    EXPECT_EQ(Snapshot(canvas), start);
    canvas.GJPEAANPerformByKGJPEdit(GJPEA_ROTATE);
    EXPECT_EQ(Snapshot(canvas), once);
    canvas.YUndo(1, 0, 0);
    EXPECT_EQ(Snapshot(canvas), start);
    canvas.YUndo(1, 0, 0);
    EXPECT_EQ(Snapshot(canvas), thrice);
    // Not square: nothing turns, but the step stays.
    SetWorkingArea(2, 2, 2, 1);
    const std::vector<int> now = Snapshot(canvas);
    canvas.GJPEAANPerformByKGJPEdit(GJPEA_ROTATE);
    EXPECT_EQ(Snapshot(canvas), now);
    EXPECT_EQ(canvas.GetCurrentYUStep()->GetKind(), GJPEA_ROTATE);
}

TEST_F(YUBufferTest, WalksThatWouldLeaveTheCanvasAreNotStarted) {
    struct Case {
        int left, top, width, height, direction;
    };
    const Case refused[] = {{0, 2, 2, 1, GJPCGZ_LEFT},
                            {14, 2, 2, 1, GJPCGZ_RIGHT},
                            {3, 0, 1, 1, GJPCGZ_UP},
                            {3, 11, 1, 2, GJPCGZ_DOWN}};
    for (const Case& c : refused) {
        SetWorkingArea(c.left, c.top, c.width, c.height);
        EXPECT_EQ(canvas.GJPEAANPerformByGJPCGZWalk(c.direction), 0) << c.direction;
    }
    EXPECT_EQ(canvas.GetYUStepCount(), 0);
    EXPECT_TRUE(notice.calls.empty());
    SetWorkingArea(13, 11, 2, 1);
    EXPECT_EQ(canvas.GJPEAANPerformByGJPCGZWalk(GJPCGZ_RIGHT), 1);
    EXPECT_EQ(canvas.GJPEAANPerformByGJPCGZWalk(GJPCGZ_DOWN), 1);
    EXPECT_EQ(LmrOpt().omlegjpleft, 14);
    EXPECT_EQ(LmrOpt().omlegjptop, 12);
}

TEST_F(YUBufferTest, NewStepDropsTheRedoTailAndTheListingMarksTheCurrentStep) {
    for (int i = 0; i < 3; ++i) canvas.GJPEAANPerformByGJPCGZClear(i, 0, i, 0);
    canvas.YUndo(1, 1, 1);
    canvas.YUndo(1, 1, 1);
    EXPECT_EQ(canvas.GetYUBufferExp(), "GJPCGZClear *\r\nGJPCGZClear\r\nGJPCGZClear");
    canvas.GJPEAANPerformByKGJPEdit(GJPEA_XFLIP);
    EXPECT_EQ(canvas.GetYUStepCount(), 2);
    EXPECT_EQ(canvas.GetCurrentYUStep()->GetKind(), GJPEA_XFLIP);
    EXPECT_FALSE(canvas.IsYRedoable());
    canvas.GJPEAAdd(std::make_unique<CLmrYUStep>(1));
    EXPECT_EQ(canvas.GetYUBufferExp(), "GJPCGZClear\r\nKGJPMXFlip\r\nUnknown *");
    // Undo without applying moves the position only.
    const std::vector<int> now = Snapshot(canvas);
    canvas.YUndo(0, 1, 1);
    canvas.YUndo(0, 1, 1);
    EXPECT_EQ(canvas.GetYUPosition(), 0);
    EXPECT_EQ(Snapshot(canvas), now);
    // Clear All: nothing to undo or redo.
    canvas.AGJPEADelete();
    EXPECT_FALSE(canvas.IsYUndoable());
    EXPECT_FALSE(canvas.IsYRedoable());
    EXPECT_EQ(canvas.GetCurrentYUStep(), nullptr);
    canvas.YUndo(1, 1, 1);
    canvas.YRedo(1, 1, 1);
    EXPECT_EQ(canvas.GetYUPosition(), -1);
}

TEST_F(YUBufferTest, PencilOverPixelsOfTheDrawingColourRecordsNothing) {
    SetWorkingArea(0, 0, 1, 1);
    for (DWORD color : {0x000000u, 0xFFFFFFu}) {
        zoom.m_dwDrawColor = color;
        canvas.SetJPixelByOSLPoint(4, 4, color);
        canvas.SetPGInfo(4, 4, color, CLmrOGJPixel::kPGMark, 0);
        canvas.SetPGInfo(40, 40, color, CLmrOGJPixel::kPGMark, 0);  // outside the working area
        EXPECT_EQ(canvas.GJPEAANPerformByUJPixel(1, 1), 0);
        EXPECT_EQ(canvas.GetYUStepCount(), 0);
        EXPECT_NE(canvas.GetPGInfoByOSLPoint(4, 4), 0u);  // the layer stays when nothing is added
    }
    canvas.SetJPixelByOSLPoint(4, 4, 0x000001);
    EXPECT_EQ(canvas.GJPEAANPerformByUJPixel(0, 0), 1);
    EXPECT_EQ(At(4, 4), 0xFFFFFF);
    EXPECT_EQ(At(40, 40), 0xFFFFFF);
}

// What an edit does to windows, in order, through the test host's recorder.
TEST_F(YUBufferTest, EditsTellTheViewsInOrder) {
    using Calls = std::vector<std::string>;
    canvas.GJPEAANPerformByGJPCGZClear(0, 0, 1, 1);
    EXPECT_EQ(notice.calls, (Calls{"buttons", "redraw", "stale", "modified"}));
    notice.calls.clear();
    canvas.SetPGInfo(20, 40, 0, CLmrOGJPixel::kPGMark, 0);
    canvas.GJPEAANPerformByUJPixel(0, 1);
    EXPECT_EQ(notice.calls, (Calls{"buttons", "stale", "modified"}));
    notice.calls.clear();
    canvas.YUndo(1, 1, 1);
    canvas.YRedo(1, 0, 0);
    canvas.YUndo(0, 1, 1);
    EXPECT_EQ(notice.calls,
              (Calls{"redraw", "stale", "modified", "buttons", "stale", "modified", "buttons"}));
}

// The same edits through the engine's own wiring: the host window hears
// WM_USER+52 once per applied record, on its event loop.
TEST_F(YUBufferTest, HostWindowReceivesTheModifiedMessage) {
    LmrSetViewNotice(nullptr);
    QObject host;
    std::vector<std::pair<WPARAM, LPARAM>> received;
    SetMessageHandler(&host, WM_USER + 52, [&](WPARAM w, LPARAM l) -> LRESULT {
        received.emplace_back(w, l);
        return 0;
    });
    LmrWindowNotice().SetHostWindow(&host);
    int redraws = 0;
    LmrWindowNotice().onRedrawViews = [&] { ++redraws; };
    canvas.GJPEAANPerformByGJPCGZClear(0, 0, 1, 1);
    canvas.YUndo(1, 1, 1);
    EXPECT_TRUE(received.empty());  // posted, not sent
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(received, (std::vector<std::pair<WPARAM, LPARAM>>{{0, 0}, {0, 0}}));
    EXPECT_EQ(redraws, 2);
    LmrWindowNotice().SetHostWindow(nullptr);
    LmrWindowNotice().onRedrawViews = nullptr;
    LmrSetViewNotice(&notice);
}

// Records whose blocks or arrays are short change only what they cover.
TEST_F(YUBufferTest, ShortBlocksAndUnequalArraysLeaveTheRestAlone) {
    pixeltest::FillRandom(canvas, 4);
    const std::vector<int> start = Snapshot(canvas);
    CRevolver twoPixels;
    const BYTE black[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    twoPixels.Append(black, 8);

    CLmrYUStep clear(GJPEA_CLEAR);
    clear.SetInt(GJPEA_LEFT, 10);
    clear.SetInt(GJPEA_TOP, 10);
    clear.SetInt(GJPEA_WIDTH, 4);
    clear.SetInt(GJPEA_HEIGHT, 1);
    clear.SetRevolver(GJPEA_VPIXEL, twoPixels);
    canvas.GJPEAApply(clear, 1, 0, 0);
    EXPECT_EQ(At(10, 10), 0);
    EXPECT_EQ(At(11, 10), 0);
    EXPECT_EQ(At(12, 10), start[12 + 256 * 10]);

    CLmrYUStep shift(GJPEA_DSHIFT);
    shift.SetString(GJPEA_SRCRECT, "50,50,53,50");
    shift.SetString(GJPEA_DSTRECT, "60,60,63,60");
    shift.SetInt(GJPEA_SRCCLEAR, 0);
    shift.SetRevolver(GJPEA_DSTNEW, twoPixels);
    shift.SetRevolver(GJPEA_SRCOLD, twoPixels);
    canvas.GJPEAApply(shift, 0, 0, 0);
    EXPECT_EQ(At(61, 60), 0);
    EXPECT_EQ(At(62, 60), start[62 + 256 * 60]);
    EXPECT_EQ(At(51, 50), 0);
    EXPECT_EQ(At(52, 50), start[52 + 256 * 50]);

    CLmrYUStep pencil(GJPEA_SETUJPIXEL);
    pencil.PutDWordArray(GJPEA_XS, {70, 71});
    pencil.PutDWordArray(GJPEA_YS, {70});
    pencil.PutDWordArray(GJPEA_COLORS, {1, 2});
    pencil.SetInt(GJPEA_JPCOLOR, 0x0000FF);
    const std::vector<int> before = Snapshot(canvas);
    canvas.GJPEAApply(pencil, 0, 0, 0);
    canvas.GJPEAApply(pencil, 1, 0, 0);
    EXPECT_EQ(Snapshot(canvas), before);
}

}  // namespace
