#include "pixel/lmryubuffer.h"

#include <QCoreApplication>
#include <functional>

#include "pixel/tests/pixeltesting.h"

namespace {

using pixeltest::Snapshot;

class YUBufferTest : public pixeltest::EngineTest {
protected:
    // Lifts a selection as the zoomed view does: the floating and the
    // evacuation buffer take the rectangle's colours.
    void Select(const CRect& r, int mode = CLmrEGJPEState::EM_SELECTED) {
        zoom.m_nMode = mode;
        zoom.m_rcPlaced = zoom.m_rcShown = r;
        canvas.DSPGIUpdateFromOSLRect(r.left, r.top, r.right, r.bottom);
        zoom.m_revEvacuation.Assign(canvas.GetDSPGInfo());
    }
    int At(int x, int y) const { return canvas.GetJPixelByOSLPoint(x, y); }
    std::vector<std::pair<WPARAM, LPARAM>> received;
};

// Every kind of edit as its command builds it, on random canvases: spot
// pixels show what it did (taken from the old canvas at a point, or white),
// undo gives back the exact canvas, options and mode, redo the edited one.
TEST_F(YUBufferTest, EveryEditUndoesAndRedoesExactly) {
    struct Expect {
        int x, y, fromX, fromY;  // fromX -1: white
    };
    struct Case {
        const char* name;
        std::function<void()> edit;
        std::vector<Expect> expects;
    };
    const CRect sel(20, 35, 27, 42);
    const Case cases[] = {
        {"pencil",
         [&] {
             for (int i = 0; i < 512; i += 3)
                 canvas.SetPGInfo(16 + i % 32, 32 + i / 32, 0, 0x1000000, 0);
             ASSERT_EQ(canvas.GJPEAANPerformByUJPixel(1, 1), 1);
             EXPECT_EQ(pixeltest::PGSnapshot(canvas), std::vector<DWORD>(53248, 0));
         },
         {}},
        {"x flip",
         [&] { canvas.GJPEAANPerformByKGJPEdit(GJPEA_XFLIP); },
         {{16, 33, 47, 33}, {47, 47, 16, 47}}},
        {"y flip of a selection",
         [&] { Select(sel), canvas.GJPEAANPerformByKGJPEdit(GJPEA_YFLIP); },
         {{20, 35, 20, 42}, {19, 35, 19, 35}}},
        {"left crawl",
         [&] { canvas.GJPEAANPerformByKGJPEdit(GJPEA_LCRAWL); },
         {{16, 40, 17, 40}, {47, 40, -1, 0}}},
        {"right crawl of a selection",
         [&] { Select(sel), canvas.GJPEAANPerformByKGJPEdit(GJPEA_RCRAWL); },
         {{21, 36, 20, 36}, {20, 36, -1, 0}, {28, 36, 28, 36}}},
        {"up crawl",
         [&] { canvas.GJPEAANPerformByKGJPEdit(GJPEA_UCRAWL); },
         {{30, 32, 30, 33}, {30, 47, -1, 0}}},
        {"down crawl",
         [&] { canvas.GJPEAANPerformByKGJPEdit(GJPEA_DCRAWL); },
         {{30, 33, 30, 32}, {30, 32, -1, 0}}},
        {"rotate of a selection",
         [&] { Select(sel), canvas.GJPEAANPerformByKGJPEdit(GJPEA_ROTATE); },
         {{26, 37, 22, 36}}},  // (x, y) of the square goes to (n-1-y, x)
        {"walk left",
         [&] { canvas.GJPEAANPerformByGJPCGZWalk(GJPCGZ_LEFT); },
         {{0, 32, 16, 32}, {31, 47, 47, 47}, {32, 40, 0, 40}, {48, 40, 48, 40}}},
        {"walk down",
         [&] { canvas.GJPEAANPerformByGJPCGZWalk(GJPCGZ_DOWN); },
         {{20, 48, 20, 32}, {20, 32, 20, 48}}},
        {"clear",
         [&] { canvas.GJPEAANPerformByGJPCGZClear(3, 4, 40, 9); },
         {{3, 4, -1, 0}, {40, 9, -1, 0}, {41, 9, 41, 9}}},
        {"move of a fresh selection over itself",
         [&] { Select(sel), canvas.DSGJPEAAdd(1, 1, sel, CRect(23, 37, 30, 44), 1, 1); },
         {{23, 37, 20, 35}, {30, 44, 27, 42}, {20, 35, -1, 0}}},
        {"move of a floating selection",
         [&] { Select(sel, 7), canvas.DSGJPEAAdd(1, 0, sel, CRect(100, 100, 107, 107), 1, 1); },
         {{100, 100, 20, 35}, {20, 35, 20, 35}}},
        {"paste",
         [&] {
             Select(CRect(0, 0, 9, 4), 1),
                 canvas.DSGJPEAAdd(1, 0, LmrNullRect(), CRect(200, 150, 209, 154), 1, 1);
         },
         {{200, 150, 0, 0}, {209, 154, 9, 4}}},
    };
    for (unsigned seed : {1u, 2u}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " seed " + std::to_string(seed));
            SetWorkingArea(1, 2, 2, 1);
            zoom.m_nMode = CLmrEGJPEState::EM_IDLE;
            canvas.AGJPEADelete();
            pixeltest::FillRandom(canvas, seed);
            const std::vector<int> before = Snapshot(canvas);
            c.edit();
            const std::vector<int> after = Snapshot(canvas);
            EXPECT_NE(after, before);
            for (const Expect& e : c.expects)
                EXPECT_EQ(At(e.x, e.y), e.fromX < 0 ? 0xFFFFFF : before[e.fromX + 256 * e.fromY])
                    << e.x << "," << e.y;
            ASSERT_EQ(canvas.GetYUStepCount(), 1);
            canvas.YUndo(1, 1, 1);
            EXPECT_EQ(Snapshot(canvas), before);
            EXPECT_EQ(LmrOpt().omlegjpleft * 100 + LmrOpt().omlegjptop, 102);
            EXPECT_EQ(zoom.m_nMode, CLmrEGJPEState::EM_IDLE);  // undo ends a selection
            canvas.YRedo(1, 1, 1);
            EXPECT_EQ(Snapshot(canvas), after);
        }
    }
}

TEST_F(YUBufferTest, RotateFourTimesIsNothingAndItsUndoIsThreeTurns) {
    SetWorkingArea(2, 2, 2, 2);
    pixeltest::FillRandom(canvas, 9);
    std::vector<std::vector<int>> turns{Snapshot(canvas)};
    for (int i = 0; i < 4; ++i) {
        canvas.GJPEAANPerformByKGJPEdit(GJPEA_ROTATE);
        turns.push_back(Snapshot(canvas));
    }
    EXPECT_EQ(turns[4], turns[0]);
    EXPECT_NE(turns[1], turns[0]);
    canvas.YUndo(1, 0, 0);
    canvas.YUndo(1, 0, 0);
    EXPECT_EQ(Snapshot(canvas), turns[2]);
    // Not square: nothing turns, but the step stays.
    SetWorkingArea(2, 2, 2, 1);
    canvas.GJPEAANPerformByKGJPEdit(GJPEA_ROTATE);
    EXPECT_EQ(Snapshot(canvas), turns[2]);
    EXPECT_EQ(canvas.GetCurrentYUStep()->GetKind(), GJPEA_ROTATE);
}

TEST_F(YUBufferTest, WalksThatWouldLeaveTheCanvasAreNotStarted) {
    const int refused[][5] = {{0, 2, 2, 1, GJPCGZ_LEFT},
                              {14, 2, 2, 1, GJPCGZ_RIGHT},
                              {3, 0, 1, 1, GJPCGZ_UP},
                              {3, 11, 1, 2, GJPCGZ_DOWN}};
    for (const auto& c : refused) {
        SetWorkingArea(c[0], c[1], c[2], c[3]);
        EXPECT_EQ(canvas.GJPEAANPerformByGJPCGZWalk(c[4]), 0) << c[4];
    }
    EXPECT_EQ(canvas.GetYUStepCount(), 0);
    EXPECT_TRUE(notice.calls.empty());
    SetWorkingArea(13, 11, 2, 1);
    EXPECT_EQ(canvas.GJPEAANPerformByGJPCGZWalk(GJPCGZ_RIGHT), 1);
    EXPECT_EQ(canvas.GJPEAANPerformByGJPCGZWalk(GJPCGZ_DOWN), 1);
    EXPECT_EQ(LmrOpt().omlegjpleft * 100 + LmrOpt().omlegjptop, 1412);
}

TEST_F(YUBufferTest, NewStepDropsTheRedoTailAndTheListingMarksTheCurrentStep) {
    for (int i = 0; i < 3; ++i) canvas.GJPEAANPerformByGJPCGZClear(i, 0, i, 0);
    canvas.YUndo(1, 1, 1);
    canvas.YUndo(1, 1, 1);
    canvas.GJPEAANPerformByKGJPEdit(GJPEA_XFLIP);
    EXPECT_FALSE(canvas.IsYRedoable());
    canvas.GJPEAAdd(std::make_unique<CLmrYUStep>(1));
    EXPECT_EQ(canvas.GetYUBufferExp(), "GJPCGZClear\r\nKGJPMXFlip\r\nUnknown *");
    // Undo without applying moves the position only.
    const std::vector<int> now = Snapshot(canvas);
    canvas.YUndo(0, 1, 1);
    canvas.YUndo(0, 1, 1);
    EXPECT_EQ(canvas.GetYUBufferExp(), "GJPCGZClear *\r\nKGJPMXFlip\r\nUnknown");
    EXPECT_EQ(Snapshot(canvas), now);
    // Clear All: nothing to undo or redo.
    canvas.AGJPEADelete();
    canvas.YRedo(1, 1, 1);
    EXPECT_FALSE(canvas.IsYUndoable() || canvas.IsYRedoable() || canvas.GetCurrentYUStep());
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
    }
    canvas.SetJPixelByOSLPoint(4, 4, 0x000001);
    EXPECT_EQ(canvas.GJPEAANPerformByUJPixel(0, 0), 1);
    EXPECT_EQ(At(4, 4) * 2 + At(40, 40), 0xFFFFFF * 3);
}

// What edits and undo do to windows, in order, through the test host's
// recorder and through the engine's own wiring, whose host window hears
// WM_USER+52 on its event loop once per applied record.
TEST_F(YUBufferTest, EditsTellTheViewsAndTheHostWindow) {
    using Calls = std::vector<std::string>;
    canvas.GJPEAANPerformByGJPCGZClear(0, 0, 1, 1);
    canvas.SetPGInfo(20, 40, 0, CLmrOGJPixel::kPGMark, 0);
    canvas.GJPEAANPerformByUJPixel(0, 1);
    canvas.YUndo(1, 1, 1);
    canvas.YRedo(1, 0, 0);
    canvas.YUndo(0, 1, 1);
    EXPECT_EQ(notice.calls,
              (Calls{"buttons", "redraw", "stale", "modified", "buttons", "stale", "modified",
                     "redraw", "stale", "modified", "buttons", "stale", "modified", "buttons"}));

    LmrSetViewNotice(nullptr);
    QObject host;
    SetMessageHandler(&host, WM_LMR_MODIFIED, [&](WPARAM w, LPARAM l) -> LRESULT {
        received.emplace_back(w, l);
        return 0;
    });
    LmrWindowNotice().SetHostWindow(&host);
    canvas.GJPEAANPerformByGJPCGZClear(0, 0, 1, 1);
    canvas.YUndo(1, 1, 1);
    EXPECT_TRUE(received.empty());  // posted, not sent
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(received, (std::vector<std::pair<WPARAM, LPARAM>>{{0, 0}, {0, 0}}));
    LmrWindowNotice().SetHostWindow(nullptr);
    LmrSetViewNotice(&notice);
}

// Records whose blocks or arrays are short change only what they cover.
TEST_F(YUBufferTest, ShortBlocksAndUnequalArraysLeaveTheRestAlone) {
    pixeltest::FillRandom(canvas, 4);
    const std::vector<int> start = Snapshot(canvas);
    CRevolver twoBlack;
    twoBlack.Append(std::string(8, '\0').data(), 8);
    CLmrYUStep clear(GJPEA_CLEAR), shift(GJPEA_DSHIFT), pencil(GJPEA_SETUJPIXEL);
    for (auto [key, v] :
         {std::pair{GJPEA_LEFT, 10}, {GJPEA_TOP, 10}, {GJPEA_WIDTH, 4}, {GJPEA_HEIGHT, 1}})
        clear.SetInt(key, v);
    clear.SetRevolver(GJPEA_VPIXEL, twoBlack);
    canvas.GJPEAApply(clear, 1, 0, 0);
    shift.SetString(GJPEA_SRCRECT, "50,50,53,50");
    shift.SetString(GJPEA_DSTRECT, "60,60,63,60");
    shift.SetRevolver(GJPEA_DSTNEW, twoBlack);
    shift.SetRevolver(GJPEA_SRCOLD, twoBlack);
    canvas.GJPEAApply(shift, 0, 0, 0);
    for (auto [x, y] : {std::pair{10, 10}, {11, 10}, {61, 60}, {51, 50}}) EXPECT_EQ(At(x, y), 0);
    for (auto [x, y] : {std::pair{12, 10}, {62, 60}, {52, 50}})
        EXPECT_EQ(At(x, y), start[x + 256 * y]);
    pencil.PutDWordArray(GJPEA_XS, {70, 71});
    pencil.PutDWordArray(GJPEA_YS, {70});
    pencil.PutDWordArray(GJPEA_COLORS, {1, 2});
    const std::vector<int> before = Snapshot(canvas);
    canvas.GJPEAApply(pencil, 0, 0, 0);
    canvas.GJPEAApply(pencil, 1, 0, 0);
    EXPECT_EQ(Snapshot(canvas), before);
}

}  // namespace
