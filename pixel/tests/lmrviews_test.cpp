// The two views and their tool frames driven by mouse and key events.

#include <QClipboard>
#include <QKeyEvent>
#include <QMainWindow>
#include <set>

#include "pixel/lmrmwindow.h"
#include "pixel/lmrnotice.h"
#include "pixeltesting.h"
#include "platform/clipboard.h"
#include "platform/uiservices.h"
#include "viewstesting.h"

namespace {

using viewtest::ViewsTest;
using Pixels = std::vector<std::pair<int, int>>;

constexpr DWORD kBlack = 0x000000;
constexpr DWORD kWhite = 0xFFFFFF;

// ---- Coordinates ---------------------------------------------------------

TEST_F(ViewsTest, ZoomedViewMapsClientPointsToCanvasPixels) {
    struct Case {
        int breadth, clientX, clientY, oslX, oslY;
    } cases[] =
        {
            // Default area at cell (1, 2): OSL origin (16, 32); squares 13 + 1 gap.
            {13, 40, 40, 16, 32},
            {13, 53, 53, 16, 32},  // the gap belongs to the square before it
            {13, 54, 54, 17, 33},
            {13, 39, 39, 15, 31},  // the margin maps before the area (floor)
            {13, 26, 40, 15, 32},
            {13, 25, 40, 14, 32},
            {1, 40 + 2 * 31, 40 + 2 * 15, 47, 47},
            {1, 40 + 2 * 32, 40, 48, 32},
        };
    for (const Case& c : cases) {
        LmrGOption().SetInt("ejpbreadth", c.breadth);
        LmrGOption().Refresh();
        zoom().ResetScrollSize();
        const CPoint p = zoom().ClientToOSL(CPoint(c.clientX, c.clientY));
        EXPECT_EQ(p, CPoint(c.oslX, c.oslY)) << c.breadth << " " << c.clientX << "," << c.clientY;
    }
    EXPECT_EQ(zoom().GetScrollSize(), CSize(16 * 2 * 2 + 78, 16 * 1 * 2 + 78));
}

TEST_F(ViewsTest, ZoomedViewPaintsSquaresGridAndFrame) {
    canvas().SetJPixelByOSLPoint(16, 32, kBlack);
    canvas().SetPGInfo(17, 32, 0x0000FF, 0x1000000, 0);  // a layer pixel shows over the canvas
    canvas().SetPGInfo(18, 32, 0x0000FF, 0, 0);          // without the mark it does not
    QImage image;
    zoom().RenderTo(image);
    auto at = [&](int x, int y) { return FromQRgb(image.pixel(x, y)); };
    EXPECT_EQ(at(40, 40), kBlack);
    EXPECT_EQ(at(52, 52), kBlack);
    EXPECT_EQ(at(53, 40), 0xF0F0F0u);  // the gap
    EXPECT_EQ(at(54 + 6, 46), 0x0000FFu);
    EXPECT_EQ(at(68 + 6, 46), kWhite);
    EXPECT_EQ(at(39, 39), 0x505050u);  // the frame, one pixel outside
    EXPECT_EQ(at(10, 10), 0x828282u);
    // The last square of the area ends one gap before the frame.
    const int end = 40 + 32 * 14 - 1;
    EXPECT_EQ(at(end - 1, 41), kWhite);
    EXPECT_EQ(at(end, 41), 0x505050u);
}

TEST_F(ViewsTest, WholeCanvasViewShadesCheckerboardAndFramesTheArea) {
    canvas().SetJPixelByOSLPoint(0, 0, kBlack);
    canvas().SetJPixelByOSLPoint(16, 0, kBlack);  // cell (1, 0): odd, lightened
    QImage image;
    canvas().RenderTo(image);
    auto at = [&](int x, int y) { return FromQRgb(image.pixel(x, y)); };
    EXPECT_EQ(at(40, 40), kBlack);
    EXPECT_EQ(at(41, 40), kWhite);
    EXPECT_EQ(at(56, 40), kBlack);     // black lightened by 20 % stays black
    EXPECT_EQ(at(57, 40), 0xF4F4F4u);  // white darkened by 4 %
    EXPECT_EQ(at(39, 39), 0x505050u);  // canvas frame
    // Working area (1, 2) 2 x 1 cells: x 16..47, y 32..47; innermost frame.
    EXPECT_EQ(at(40 + 16 - 1, 40 + 32 + 3), 0x5367D2u);
    EXPECT_EQ(at(40 + 48, 40 + 32 + 3), 0x5367D2u);
    // Each further outline is the one inside it lightened by 40 % of itself.
    EXPECT_EQ(at(40 + 16 - 2, 40 + 32 + 3), 0x7490FFu);
    EXPECT_EQ(at(40 + 16 - 3, 40 + 32 + 3), 0xA2C9FFu);
}

// ---- Pencil --------------------------------------------------------------

TEST_F(ViewsTest, PencilClickOnSameColourAddsNoStep) {
    QTest::mouseClick(zoomPort(), Qt::LeftButton, Qt::NoModifier, AtArea(3, 4));
    ASSERT_EQ(canvas().GetYUStepCount(), 1);
    EXPECT_EQ(canvas().GetJPixelByOSLPoint(16 + 3, 32 + 4), static_cast<int>(kBlack));
    QTest::mouseClick(zoomPort(), Qt::LeftButton, Qt::NoModifier, AtArea(3, 4));
    EXPECT_EQ(canvas().GetYUStepCount(), 1);
    EXPECT_EQ(zoom().m_nMode, CLmrEGJPEState::EM_IDLE);
}

TEST_F(ViewsTest, FastPencilDragMarksAConnectedLine) {
    DragZoom({AtArea(0, 0), AtArea(10, 3)});
    const Pixels black = PixelsOf(kBlack, CLmrOGJPixel::GetWorkingAreaOSLRect());
    ASSERT_EQ(black.size(), 11u);
    std::set<std::pair<int, int>> set(black.begin(), black.end());
    EXPECT_TRUE(set.count({16, 32}));
    EXPECT_TRUE(set.count({26, 35}));
    // Each column once, each step at most one row.
    for (int x = 16; x <= 26; ++x) {
        int rows = 0;
        for (int y = 32; y <= 35; ++y) rows += static_cast<int>(set.count({x, y}));
        EXPECT_EQ(rows, 1) << x;
    }
    EXPECT_EQ(canvas().GetYUStepCount(), 1);
}

TEST_F(ViewsTest, PencilOutsideTheWorkingAreaNeverStartsAStroke) {
    // A stroke earlier leaves its last point behind.
    QTest::mouseClick(zoomPort(), Qt::LeftButton, Qt::NoModifier, AtArea(1, 1));
    ASSERT_EQ(canvas().GetYUStepCount(), 1);
    // From the margin into the area: nothing, and no line from the old point.
    DragZoom({QPoint(10, 10), AtArea(8, 8), AtArea(9, 8)});
    EXPECT_EQ(canvas().GetYUStepCount(), 1);
    EXPECT_EQ(PixelsOf(kBlack, CLmrOGJPixel::GetWorkingAreaOSLRect()).size(), 1u);
}

// ---- Shapes --------------------------------------------------------------

struct ShapeCase {
    const char* name;
    int button;          // the tool's button
    int x1, y1, x2, y2;  // relative to the area
    Pixels expected;     // relative to the area
};

Pixels Box(int l, int t, int r, int b, bool filled) {
    Pixels out;
    for (int y = t; y <= b; ++y)
        for (int x = l; x <= r; ++x)
            if (filled || x == l || x == r || y == t || y == b) out.emplace_back(x, y);
    return out;
}

TEST_F(ViewsTest, ShapesCommitExactPixels) {
    const ShapeCase cases[] = {
        {"line with its end pixel", 28010, 0, 0, 4, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
        {"vertical line", 28010, 5, 1, 5, 4, {{5, 1}, {5, 2}, {5, 3}, {5, 4}}},
        {"box", 28011, 1, 1, 4, 3, Box(1, 1, 4, 3, false)},
        {"box dragged backwards", 28011, 4, 3, 1, 1, Box(1, 1, 4, 3, false)},
        {"filled box", 28013, 2, 2, 5, 4, Box(2, 2, 5, 4, true)},
        {"ellipse 5 x 5",
         28012,
         0,
         0,
         4,
         4,
         {{1, 0},
          {2, 0},
          {3, 0},
          {0, 1},
          {4, 1},
          {0, 2},
          {4, 2},
          {0, 3},
          {4, 3},
          {1, 4},
          {2, 4},
          {3, 4}}},
        {"filled ellipse 5 x 5", 28015, 0, 0, 4, 4, {{1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1},
                                                     {3, 1}, {4, 1}, {0, 2}, {1, 2}, {2, 2}, {3, 2},
                                                     {4, 2}, {0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3},
                                                     {1, 4}, {2, 4}, {3, 4}}},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        canvas().OGJPClear();
        QTest::mouseClick(eframe->GetButton(c.button), Qt::LeftButton);
        const int steps = canvas().GetYUStepCount();
        DragZoom({AtArea(c.x1, c.y1), AtArea((c.x1 + c.x2) / 2, c.y1), AtArea(c.x2, c.y2)});
        EXPECT_EQ(canvas().GetYUStepCount(), steps + 1);
        Pixels got;
        for (auto [x, y] : PixelsOf(kBlack, CLmrOGJPixel::GetWorkingAreaOSLRect()))
            got.emplace_back(x - 16, y - 32);
        std::set<std::pair<int, int>> want(c.expected.begin(), c.expected.end());
        const std::set<std::pair<int, int>> gotSet(got.begin(), got.end());
        EXPECT_EQ(gotSet, want);
        EXPECT_EQ(zoom().m_nMode, CLmrEGJPEState::EM_IDLE);
        EXPECT_EQ(canvas().GetPGInfoByOSLPoint(16 + c.x2, 32 + c.y2), 0u);  // layer cleared
    }
}

TEST_F(ViewsTest, LineFromTheMarginCommitsOnlyInsideTheArea) {
    eframe->OnEnableUJPLine();
    // From three pixels left of the area to its fourth column, on row 2.
    DragZoom({At(13, 34), At(14, 34), At(19, 34)});
    const Pixels black = PixelsOf(kBlack, CRect(0, 0, 255, 207));
    const Pixels want = {{16, 34}, {17, 34}, {18, 34}, {19, 34}};
    EXPECT_EQ(black, want);
}

// ---- Selection -----------------------------------------------------------

class SelectionTest : public ViewsTest {
protected:
    SelectionTest() {
        // A recognisable pattern: every pixel its own colour.
        const CRect work = CLmrOGJPixel::GetWorkingAreaOSLRect();
        for (int y = work.top; y <= work.bottom; ++y)
            for (int x = work.left; x <= work.right; ++x)
                canvas().SetJPixelByOSLPoint(x, y, static_cast<DWORD>(x * 256 + y));
        eframe->OnEnableGJPSelect();
    }
    DWORD Pattern(int x, int y) { return static_cast<DWORD>(x * 256 + y); }
    int At_(int x, int y) { return canvas().GetJPixelByOSLPoint(x, y); }
};

TEST_F(SelectionTest, MovingTwiceLeavesWhiteThenRestoresWhatItCovered) {
    // Select area pixels (0,0)..(2,1): OSL (16,32)..(18,33).
    DragZoom({AtArea(0, 0), AtArea(1, 1), AtArea(2, 1)});
    ASSERT_EQ(zoom().m_nMode, CLmrEGJPEState::EM_SELECTED);
    EXPECT_EQ(zoom().m_rcPlaced, CRect(16, 32, 18, 33));
    EXPECT_EQ(canvas().GetYUStepCount(), 0);
    EXPECT_TRUE(eframe->EGJPWFrameIsGJPSCopiable());

    // First move: 5 right.
    DragZoom({AtArea(1, 0), AtArea(3, 0), AtArea(6, 0)});
    ASSERT_EQ(zoom().m_nMode, CLmrEGJPEState::EM_FLOATING);
    EXPECT_EQ(zoom().m_rcPlaced, CRect(21, 32, 23, 33));
    for (int y = 32; y <= 33; ++y)
        for (int x = 16; x <= 18; ++x) {
            EXPECT_EQ(At_(x, y), static_cast<int>(kWhite)) << x << "," << y;
            EXPECT_EQ(At_(x + 5, y), static_cast<int>(Pattern(x, y)));
        }
    // Second move: 1 down, 2 right.
    DragZoom({AtArea(6, 1), AtArea(8, 2)});
    EXPECT_EQ(zoom().m_rcPlaced, CRect(23, 33, 25, 34));
    // What the floating pixels covered at their second place comes back
    // where they no longer lie.
    EXPECT_EQ(At_(21, 32), static_cast<int>(Pattern(21, 32)));
    EXPECT_EQ(At_(22, 33), static_cast<int>(Pattern(22, 33)));
    EXPECT_EQ(At_(16, 32), static_cast<int>(kWhite));  // the first place stays white
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(At_(23 + x, 33 + y), static_cast<int>(Pattern(16 + x, 32 + y)));
    EXPECT_EQ(canvas().GetYUStepCount(), 2);

    // Undo twice: the picture as it was.
    canvas().YUndo(1, 1, 1);
    canvas().YUndo(1, 1, 1);
    for (int y = 32; y <= 35; ++y)
        for (int x = 16; x <= 26; ++x) EXPECT_EQ(At_(x, y), static_cast<int>(Pattern(x, y)));
}

// Whatever arrives while a selection is dragged finishes the move where it
// is shown, as one step, before it acts; the release after it does nothing.
// (The seeded session checks the pixel values after each of these.)
TEST_F(SelectionTest, AnythingArrivingDuringAMoveFinishesItFirst) {
    QWidget* port = zoomPort();
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        return [=] { QTest::keyClick(port, k, mods); };
    };
    const struct {
        const char* name;
        std::function<void()> arrive;
        int position;  // of the undo buffer afterwards
    } cases[] = {
        {"Esc", key(Qt::Key_Escape), 0},
        {"Ctrl+A", key(Qt::Key_A, Qt::ControlModifier), 0},
        {"Ctrl+V", key(Qt::Key_V, Qt::ControlModifier), 1},
        {"Ctrl+Z", key(Qt::Key_Z, Qt::ControlModifier), -1},
        {"Ctrl+Y", key(Qt::Key_Y, Qt::ControlModifier), 0},
        {"Delete", key(Qt::Key_Delete), 1},
        {"Ctrl+X", key(Qt::Key_X, Qt::ControlModifier), 1},
        {"a tool", [&] { eframe->OnEnableUJPLine(); }, 0},
        {"menu undo", [&] { canvas().YUndo(1, 1, 1); }, -1},
        {"a flip", [&] { eframe->OnKGJPMXFlip(); }, 1},
        {"a click in the whole-canvas view",
         [&] { QTest::mouseClick(canvas().viewport(), Qt::LeftButton); }, 0},
        {"the focus going",
         [&] {
             QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
             QApplication::sendEvent(&zoom(), &out);
         },
         0},
        {"Clear All answered No", [&] { oframe->AGJPEADelete(); }, 0},
    };
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(Qt::black);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetWorkingArea(1, 2, 2, 1);
        eframe->OnEnableGJPSelect();
        canvas().AGJPEADelete();
        for (int y = 32; y <= 47; ++y)
            for (int x = 16; x <= 47; ++x) canvas().SetJPixelByOSLPoint(x, y, Pattern(x, y));
        const std::vector<int> original = pixeltest::Snapshot(canvas());
        ASSERT_TRUE(SetClipboardImage(dot));  // pasted at (16, 32), away from the move
        ui.messageAnswers = {IDNO};
        DragZoom({AtArea(4, 0), AtArea(6, 1)});
        Drag(port, {AtArea(5, 0), AtArea(8, 0)}, c.arrive);
        QApplication::processEvents();
        EXPECT_FALSE(zoom().IsMoving());
        EXPECT_EQ(canvas().GetYUPosition(), c.position);
        while (canvas().IsYUndoable()) canvas().YUndo(1, 1, 1);
        EXPECT_EQ(pixeltest::Snapshot(canvas()), original);
    }
}

// A change of the canvas under a selection leaves nothing stale in it: a
// drag afterwards changes nothing, and its undo gives the canvas before it.
TEST_F(SelectionTest, ChangesUnderASelectionLeaveNothingStale) {
    struct Case {
        const char* name;
        int button;  // of the whole-canvas frame
        int dragSteps;
    } cases[] = {
        {"walk right", CDlgOGJPWFrame::IDC_RWALK, 0},
        {"Clear Selected Area", CDlgOGJPWFrame::IDC_CLEARAREA, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetWorkingArea(1, 2, 2, 1);
        eframe->OnEnableGJPSelect();
        canvas().AGJPEADelete();
        for (int y = 32; y <= 47; ++y)
            for (int x = 0; x <= 63; ++x) canvas().SetJPixelByOSLPoint(x, y, Pattern(x, y));
        // A selection floating after one move, over pixel values it covers.
        DragZoom({AtArea(4, 0), AtArea(6, 1)});
        DragZoom({AtArea(5, 0), AtArea(6, 0)});
        ASSERT_EQ(zoom().m_nMode, CLmrEGJPEState::EM_FLOATING);
        QTest::mouseClick(oframe->GetButton(c.button), Qt::LeftButton);
        const std::vector<int> changed = pixeltest::Snapshot(canvas());
        const int position = canvas().GetYUPosition();
        DragZoom({At(22, 32), At(23, 32), At(26, 33)});
        EXPECT_EQ(canvas().GetYUPosition(), position + c.dragSteps);
        EXPECT_EQ(pixeltest::Snapshot(canvas()), changed);
        if (c.dragSteps) canvas().YUndo(1, 1, 1);
        EXPECT_EQ(pixeltest::Snapshot(canvas()), changed);
    }
}

TEST_F(SelectionTest, GrabbingWithoutMovingRecordsNothing) {
    DragZoom({AtArea(0, 0), AtArea(2, 1)});
    QTest::mouseClick(zoomPort(), Qt::LeftButton, Qt::NoModifier, AtArea(1, 1));
    EXPECT_EQ(canvas().GetYUStepCount(), 0);
    EXPECT_EQ(zoom().m_nMode, CLmrEGJPEState::EM_SELECTED);
    EXPECT_EQ(At_(16, 32), static_cast<int>(Pattern(16, 32)));
}

TEST_F(SelectionTest, ClickInsideAreaOutsideSelectionDropsIt) {
    DragZoom({AtArea(0, 0), AtArea(2, 1)});
    ASSERT_TRUE(zoom().HasSelection());
    QTest::mouseClick(zoomPort(), Qt::LeftButton, Qt::NoModifier, AtArea(10, 10));
    EXPECT_EQ(zoom().m_nMode, CLmrEGJPEState::EM_IDLE);
    EXPECT_EQ(canvas().GetPGInfoByOSLPoint(16, 32), 0u);
    EXPECT_FALSE(eframe->EGJPWFrameIsGJPSCopiable());
}

TEST_F(SelectionTest, DeleteAndCutActOnlyOnAShownSelection) {
    QWidget* target = zoomPort();
    struct Case {
        const char* name;
        std::function<void()> end;  // how the selection ended (null: it did not)
        bool acts;
    } cases[] = {
        {"shown selection", nullptr, true},
        {"after Esc", [&] { QTest::keyClick(target, Qt::Key_Escape); }, false},
        {"after a tool change", [&] { eframe->OnEnableUJPixel(); }, false},
    };
    for (const Case& c : cases) {
        for (const bool cut : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (cut ? " cut" : " delete"));
            eframe->OnEnableGJPSelect();
            canvas().AGJPEADelete();
            canvas().SetJPixelByOSLPoint(16, 32, Pattern(16, 32));
            DragZoom({AtArea(0, 0), AtArea(2, 1)});
            if (c.end) c.end();
            if (cut)
                QTest::keyClick(target, Qt::Key_X, Qt::ControlModifier);
            else
                QTest::keyClick(target, Qt::Key_Delete);
            EXPECT_EQ(canvas().GetYUStepCount(), c.acts ? 1 : 0);
            EXPECT_EQ(At_(16, 32), static_cast<int>(c.acts ? kWhite : Pattern(16, 32)));
        }
    }
}

TEST_F(ViewsTest, CutIgnoresAbsentRectangles) {
    zoom().m_nMode = CLmrEGJPEState::EM_SELECTED;  // even with a mode that claims a selection
    zoom().m_rcPlaced = LmrNullRect();
    canvas().GJPSCut(LmrNullRect());
    canvas().GJPSCut(CRect(-1, 0, 3, 3));
    canvas().GJPSCut(CRect(16, 32, LMR_NULL_COORD, 33));
    EXPECT_EQ(canvas().GetYUStepCount(), 0);
}

TEST_F(SelectionTest, SelectAllCopyAndPasteRoundTrip) {
    eframe->EGJPWFrameAZGJPSelect();
    EXPECT_EQ(zoom().m_rcPlaced, CLmrOGJPixel::GetWorkingAreaOSLRect());
    canvas().SetJPixelByOSLPoint(16, 32, kBlack);
    canvas().SetJPixelByOSLPoint(17, 32, kWhite);
    eframe->EGJPWFrameGJPSCopy();
    const std::optional<QImage> image = GetClipboardImage();
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size(), QSize(32, 16));
    EXPECT_EQ(FromQRgb(image->pixel(0, 0)), kBlack);
    EXPECT_EQ(FromQRgb(image->pixel(1, 0)), kWhite);
    EXPECT_EQ(FromQRgb(image->pixel(5, 3)), Pattern(21, 35));
    EXPECT_TRUE(eframe->EGJPWFrameIsQDShiftable());
}

// ---- Paste ---------------------------------------------------------------

struct PasteCase {
    const char* name;
    QSize bitmap;
    int answer;  // 0: the dialog is not asked
    QSize expected;
};

class PasteTest : public ViewsTest {
protected:
    PasteTest() {
        SetDialogHook([this](QDialog& dialog) {
            ++asked;
            EXPECT_NE(dynamic_cast<CDlgFitBitmap*>(&dialog), nullptr);
            return answer;
        });
    }
    ~PasteTest() override { SetDialogHook(nullptr); }
    int answer = LMR_FIT_CANCEL;
    int asked = 0;
};

TEST_F(PasteTest, EachFitAnswerIsOneUndoableStep) {
    const PasteCase cases[] = {
        {"fits", {10, 6}, 0, {10, 6}},
        {"shrink only keeps proportions", {64, 16}, LMR_FIT_SHRINK_ONLY, {32, 8}},
        {"shrink and extend fills the area", {64, 64}, LMR_FIT_SHRINK_EXTEND, {32, 16}},
        {"cut out keeps the top-left", {40, 20}, LMR_FIT_CUT_OUT, {32, 16}},
        {"very elongated keeps a pixel", {4000, 1}, LMR_FIT_SHRINK_ONLY, {32, 1}},
        {"very tall keeps a pixel", {1, 4000}, LMR_FIT_SHRINK_ONLY, {1, 16}},
        {"huge, shrink only", {4000, 4000}, LMR_FIT_SHRINK_ONLY, {16, 16}},
        {"huge, shrink and extend", {4000, 4000}, LMR_FIT_SHRINK_EXTEND, {32, 16}},
        {"huge, cut out", {4000, 4000}, LMR_FIT_CUT_OUT, {32, 16}},
    };
    for (const PasteCase& c : cases) {
        SCOPED_TRACE(c.name);
        canvas().AGJPEADelete();
        canvas().OGJPClear();
        QImage bitmap(c.bitmap, QImage::Format_RGB32);
        bitmap.fill(Qt::black);
        ASSERT_TRUE(SetClipboardImage(bitmap));
        answer = c.answer;
        asked = 0;
        eframe->EGJPWFrameQDShift();
        EXPECT_EQ(asked, c.answer ? 1 : 0);
        ASSERT_EQ(canvas().GetYUStepCount(), 1);
        EXPECT_EQ(zoom().m_nMode, CLmrEGJPEState::EM_FLOATING);
        EXPECT_EQ(zoom().m_nTool, CLmrEGJPEState::ET_SELECT);
        EXPECT_EQ(zoom().m_rcPlaced,
                  CRect(16, 32, 16 + c.expected.width() - 1, 32 + c.expected.height() - 1));
        EXPECT_EQ(PixelsOf(kBlack, CRect(0, 0, 255, 207)).size(),
                  static_cast<size_t>(c.expected.width() * c.expected.height()));
        canvas().YUndo(1, 1, 1);
        EXPECT_TRUE(PixelsOf(kBlack, CRect(0, 0, 255, 207)).empty());
    }
}

TEST_F(PasteTest, CancelAndAnEmptyClipboardPasteNothing) {
    QImage bitmap(100, 100, QImage::Format_RGB32);
    bitmap.fill(Qt::black);
    SetClipboardImage(bitmap);
    answer = LMR_FIT_CANCEL;
    eframe->EGJPWFrameQDShift();
    EXPECT_EQ(asked, 1);
    EmptyClipboard();
    EXPECT_FALSE(eframe->EGJPWFrameIsQDShiftable());
    eframe->EGJPWFrameQDShift();
    EXPECT_EQ(canvas().GetYUStepCount(), 0);
    EXPECT_EQ(zoom().m_nMode, CLmrEGJPEState::EM_IDLE);
}

TEST_F(PasteTest, CtrlVPastesOnceAfterTheKey) {
    QImage bitmap(3, 2, QImage::Format_RGB32);
    bitmap.fill(Qt::black);
    SetClipboardImage(bitmap);
    QTest::keyClick(zoomPort(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(canvas().GetYUStepCount(), 0);  // posted, not yet run
    QApplication::processEvents();
    EXPECT_EQ(canvas().GetYUStepCount(), 1);
    EXPECT_EQ(PixelsOf(kBlack, CRect(0, 0, 255, 207)).size(), 6u);
}

// ---- Frames --------------------------------------------------------------

TEST_F(ViewsTest, FrameButtonsCarryTheirTooltips) {
    const std::pair<int, const char*> zoomed[] = {
        {28014, "Pencil"},
        {28010, "Line"},
        {28011, "Box"},
        {28012, "Ellipse"},
        {28013, "Filled Box"},
        {28015, "Filled Ellipse"},
        {28016, "Select"},
        {27003, "Flip Horizontally"},
        {27004, "Flip Vertically"},
        {27005, "Rotate"},
        {27006, "Nudge Left"},
        {27007, "Nudge Right"},
        {27008, "Nudge Up"},
        {27009, "Nudge Down"},
        {28004, "Zoom In"},
        {28003, "Zoom Out"},
        {28027, "Clear"},
        {27000, "Select Color"},
        {28024, "Copy"},
        {28025, "Paste"},
    };
    for (auto [id, tip] : zoomed) {
        ASSERT_NE(eframe->GetButton(id), nullptr) << id;
        EXPECT_EQ(eframe->GetButton(id)->toolTip().toStdString(), tip);
        EXPECT_EQ(GetDlgCtrlID(eframe->GetButton(id)), id);
    }
    const std::pair<int, const char*> whole[] = {
        {28014, "Move Up"},
        {28015, "Move Down"},
        {28016, "Move Left"},
        {28017, "Move Right"},
        {28018, "Clear Selected Area"},
        {28019, "Add Text"},
        {27000, ""},
        {27005, ""},
    };
    for (auto [id, tip] : whole) {
        ASSERT_NE(oframe->GetButton(id), nullptr) << id;
        EXPECT_EQ(oframe->GetButton(id)->toolTip().toStdString(), tip);
    }
    EXPECT_EQ(zoom().objectName(), "EGJPW");
    EXPECT_EQ(canvas().objectName(), "OGJPW");
}

TEST_F(ViewsTest, ToolButtonsFormOneRadioGroup) {
    const int tools[] = {28014, 28010, 28011, 28012, 28013, 28015, 28016};
    for (int chosen : tools) {
        QTest::mouseClick(eframe->GetButton(chosen), Qt::LeftButton);
        for (int id : tools) EXPECT_EQ(eframe->GetButton(id)->isChecked(), id == chosen) << chosen;
    }
    EXPECT_EQ(zoom().m_nTool, CLmrEGJPEState::ET_SELECT);
}

TEST_F(ViewsTest, RotateFollowsTheSquareTest) {
    struct Case {
        int width, height;
        bool enabled;
    } cases[] = {{2, 1, false}, {1, 1, true}, {3, 3, true}, {1, 2, false}};
    for (const Case& c : cases) {
        SetWorkingArea(0, 0, c.width, c.height);
        eframe->UpdateEBState();
        EXPECT_EQ(eframe->GetButton(27005)->isEnabled(), c.enabled) << c.width << "x" << c.height;
    }
}

TEST_F(ViewsTest, TextToolDisablesWalkClearAndText) {
    const int ids[] = {28014, 28015, 28016, 28017, 28018, 28019};
    for (int id : ids) EXPECT_TRUE(oframe->GetButton(id)->isEnabled());
    int made = 0;
    LmrSetAddTextDialogFactory([&](QWidget* parent) {
        ++made;
        return new QDialog(parent);
    });
    oframe->OnUJPTAdd();
    oframe->OnUJPTAdd();  // already open: nothing
    EXPECT_EQ(made, 1);
    EXPECT_EQ(canvas().m_nOTool, CLmrOGJPEState::OT_TEXT);
    EXPECT_EQ(canvas().GetUJPTextRect(), CRect(16, 32, 36, 52));
    for (int id : ids) EXPECT_FALSE(oframe->GetButton(id)->isEnabled());
    oframe->GetAddTextDialog()->close();  // deleted on close
    QApplication::processEvents();
    EXPECT_EQ(oframe->GetAddTextDialog(), nullptr);
    EXPECT_EQ(canvas().m_nOTool, CLmrOGJPEState::OT_AREA);
    for (int id : ids) EXPECT_TRUE(oframe->GetButton(id)->isEnabled());
    LmrSetAddTextDialogFactory(nullptr);
}

TEST_F(ViewsTest, WalkButtonsStopAtTheCanvasEdges) {
    struct Case {
        int left, top, id, newLeft, newTop;
    } cases[] = {
        {1, 2, 28014, 1, 1}, {1, 0, 28014, 1, 0}, {1, 11, 28015, 1, 12}, {1, 12, 28015, 1, 12},
        {1, 2, 28016, 0, 2}, {0, 2, 28016, 0, 2}, {13, 2, 28017, 14, 2}, {14, 2, 28017, 14, 2},
    };
    for (const Case& c : cases) {
        SetWorkingArea(c.left, c.top, 2, 1);
        QTest::mouseClick(oframe->GetButton(c.id), Qt::LeftButton);
        EXPECT_EQ(LmrOpt().omlegjpleft, c.newLeft) << c.id << " from " << c.left << "," << c.top;
        EXPECT_EQ(LmrOpt().omlegjptop, c.newTop) << c.id << " from " << c.left << "," << c.top;
    }
}

TEST_F(ViewsTest, ZoomButtonsHoldTheBreadthWithinItsLimits) {
    for (int i = 0; i < 60; ++i) QTest::mouseClick(eframe->GetButton(28004), Qt::LeftButton);
    EXPECT_EQ(LmrOpt().ejpbreadth, 50);
    for (int i = 0; i < 60; ++i) QTest::mouseClick(eframe->GetButton(28003), Qt::LeftButton);
    EXPECT_EQ(LmrOpt().ejpbreadth, 1);
    EXPECT_EQ(zoom().GetScrollSize(), CSize(16 * 2 * 2 + 78, 16 * 2 + 78));
}

TEST_F(ViewsTest, ClearAllAsksAndOnYesEmptiesCanvasAndSteps) {
    QTest::mouseClick(zoomPort(), Qt::LeftButton, Qt::NoModifier, AtArea(0, 0));
    ASSERT_EQ(canvas().GetYUStepCount(), 1);
    ui.messageAnswers = {IDNO};
    oframe->AGJPEADelete();
    EXPECT_EQ(canvas().GetYUStepCount(), 1);
    // The cleared canvas is a change the document hears of.
    QWidget document;
    int modified = 0;
    SetMessageHandler(&document, WM_LMR_MODIFIED, [&](WPARAM, LPARAM) {
        ++modified;
        return 0;
    });
    LmrWindowNotice().SetHostWindow(&document);
    ui.messageAnswers = {IDYES};
    oframe->AGJPEADelete();
    QApplication::processEvents();
    LmrWindowNotice().SetHostWindow(nullptr);
    EXPECT_EQ(modified, 1);
    ASSERT_EQ(ui.messages.size(), 2u) << ui.messages[0].text;
    EXPECT_EQ(ui.messages[1].text, "Clear all ? This action cannot be undone.");
    EXPECT_EQ(ui.messages[1].caption, "Clear All");
    EXPECT_EQ(canvas().GetYUStepCount(), 0);
    EXPECT_EQ(canvas().GetJPixelByOSLPoint(16, 32), static_cast<int>(kWhite));
}

TEST_F(ViewsTest, ColourToggleDrawsWhite) {
    QTest::mouseClick(eframe->GetButton(27000), Qt::LeftButton);
    EXPECT_EQ(zoom().m_dwDrawColor, kWhite);
    canvas().SetJPixelByOSLPoint(16, 32, kBlack);
    QTest::mouseClick(zoomPort(), Qt::LeftButton, Qt::NoModifier, AtArea(0, 0));
    EXPECT_EQ(canvas().GetJPixelByOSLPoint(16, 32), static_cast<int>(kWhite));
    QTest::mouseClick(eframe->GetButton(27000), Qt::LeftButton);
    EXPECT_EQ(zoom().m_dwDrawColor, kBlack);
    // The whole-canvas frame toggles the same colour; its Rotate is not ready.
    ASSERT_NE(oframe->GetButton(27000), nullptr);
    QTest::mouseClick(oframe->GetButton(27000), Qt::LeftButton);
    EXPECT_EQ(zoom().m_dwDrawColor, kWhite);
    ASSERT_NE(oframe->GetButton(27005), nullptr);
    QTest::mouseClick(oframe->GetButton(27005), Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Not Ready");
}

// ---- Keys ----------------------------------------------------------------

TEST_F(ViewsTest, FramesTakeTheirShortcutsBeforeTheMenu) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool frames;
    } cases[] = {
        {Qt::Key_Escape, Qt::NoModifier, true},  {Qt::Key_Delete, Qt::NoModifier, true},
        {Qt::Key_A, Qt::ControlModifier, true},  {Qt::Key_C, Qt::ControlModifier, true},
        {Qt::Key_V, Qt::ControlModifier, true},  {Qt::Key_X, Qt::ControlModifier, true},
        {Qt::Key_Y, Qt::ControlModifier, true},  {Qt::Key_Z, Qt::ControlModifier, true},
        {Qt::Key_Z, Qt::NoModifier, true},       {Qt::Key_A, Qt::NoModifier, false},
        {Qt::Key_N, Qt::ControlModifier, false}, {Qt::Key_S, Qt::ControlModifier, false},
    };
    for (const Case& c : cases) {
        for (QWidget* target : {static_cast<QWidget*>(zoomPort()), canvas().viewport(),
                                static_cast<QWidget*>(eframe->GetButton(28014))}) {
            QKeyEvent override(QEvent::ShortcutOverride, c.key, c.modifiers);
            override.ignore();
            QApplication::sendEvent(target, &override);
            EXPECT_EQ(override.isAccepted(), c.frames) << c.key << " " << c.modifiers;
        }
    }
}

TEST_F(ViewsTest, CtrlZWithAMenuActionUndoesExactlyOneStep) {
    // A main window with the same shortcut, as the program has.
    QMainWindow window;
    auto* action = window.addAction("Undo");
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    action->setShortcutContext(Qt::ApplicationShortcut);
    int triggered = 0;
    QObject::connect(action, &QAction::triggered, [&] {
        ++triggered;
        canvas().YUndo(1, 1, 1);
    });
    window.show();
    for (int x = 0; x < 3; ++x)
        QTest::mouseClick(zoomPort(), Qt::LeftButton, Qt::NoModifier, AtArea(x, 0));
    ASSERT_EQ(canvas().GetYUPosition(), 2);
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    zoom().setFocus();
    QTest::keyClick(zoomPort(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(triggered, 0);
    EXPECT_EQ(canvas().GetYUPosition(), 1);
    QTest::keyClick(zoomPort(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(canvas().GetYUPosition(), 2);
}

// ---- Whole-canvas view ---------------------------------------------------

TEST_F(ViewsTest, DraggingOverCellsChoosesTheWorkingArea) {
    QWidget* port = canvas().viewport();
    auto cell = [&](int cx, int cy) {
        const CRect r = canvas().OSLToClientRect(cx * 16 + 3, cy * 16 + 3);
        return QPoint(r.left, r.top);
    };
    struct Case {
        QPoint from, to;
        int left, top, width, height;
    } cases[] = {
        {cell(3, 4), cell(5, 6), 3, 4, 3, 3},
        {cell(5, 6), cell(3, 4), 3, 4, 3, 3},              // backwards
        {cell(14, 11), QPoint(2000, 2000), 14, 11, 2, 2},  // past the canvas: clamped
        {cell(0, 0), cell(0, 0), 0, 0, 1, 1},
    };
    for (const Case& c : cases) {
        Drag(port, {c.from, c.to});
        EXPECT_EQ(LmrOpt().omlegjpleft, c.left);
        EXPECT_EQ(LmrOpt().omlegjptop, c.top);
        EXPECT_EQ(LmrOpt().mlegjpwidth, c.width);
        EXPECT_EQ(LmrOpt().mlegjpheight, c.height);
        EXPECT_EQ(canvas().m_nOMode, CLmrOGJPEState::OM_IDLE);
    }
    // Outside the canvas a press does nothing.
    Drag(port, {QPoint(5, 5), cell(2, 2)});
    EXPECT_EQ(LmrOpt().omlegjpleft, 0);
    EXPECT_EQ(LmrOpt().mlegjpwidth, 1);

    // A selection made while the drag goes on lies in the area before it:
    // the new area starts without one, and Delete then erases nothing.
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(Qt::black);
    for (const Qt::Key key : {Qt::Key_A, Qt::Key_V}) {
        SCOPED_TRACE(key == Qt::Key_A ? "Ctrl+A" : "Ctrl+V");
        SetWorkingArea(1, 2, 2, 1);
        canvas().AGJPEADelete();
        canvas().SetJPixelByOSLPoint(20, 40, 0x000000);
        ASSERT_TRUE(SetClipboardImage(dot));
        QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, cell(6, 6));
        QTest::keyClick(port, key, Qt::ControlModifier);
        QApplication::processEvents();
        QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, cell(7, 7));
        EXPECT_EQ(LmrOpt().omlegjpleft, 6);
        EXPECT_FALSE(zoom().HasSelection());
        const int steps = canvas().GetYUPosition();
        const std::vector<int> before = pixeltest::Snapshot(canvas());
        QTest::keyClick(port, Qt::Key_Delete);
        EXPECT_EQ(canvas().GetYUPosition(), steps);
        EXPECT_EQ(pixeltest::Snapshot(canvas()), before);
    }
}

TEST_F(ViewsTest, TextCarvingIsThresholdedAndSized) {
    canvas().SetUJPTextRect(CRect(20, 40, 40, 60));
    canvas().PGICarveForUJPText("");
    EXPECT_EQ(canvas().GetUJPTextRect(), CRect(20, 40, 36, 56));
    int marked = 0;
    for (int y = 0; y < 208; ++y)
        for (int x = 0; x < 256; ++x) marked += (canvas().GetPGInfoByOSLPoint(x, y) >> 24) & 1;
    EXPECT_EQ(marked, 0);

    LmrGOption().SetString("UJPT.fntsize", "30");
    canvas().PGICarveForUJPText("WWWW");
    const CRect r = canvas().GetUJPTextRect();
    EXPECT_EQ(r.left, 20);
    EXPECT_GT(r.Width(), 40);
    EXPECT_GE(r.Height(), 16);
    std::set<DWORD> values;
    for (int y = 0; y < 208; ++y)
        for (int x = 0; x < 256; ++x) {
            const DWORD v = canvas().GetPGInfoByOSLPoint(x, y);
            if (!v) continue;
            values.insert(v);
            EXPECT_TRUE(x >= r.left && x < r.right && y >= r.top && y < r.bottom);
        }
    EXPECT_EQ(values, std::set<DWORD>{0x1000000});
}

TEST_F(ViewsTest, TextDragStaysWithinHalfItsSizeOfTheCanvas) {
    canvas().m_nOTool = CLmrOGJPEState::OT_TEXT;
    canvas().SetUJPTextRect(CRect(16, 32, 36, 52));
    int moved = 0;
    QObject::connect(&canvas(), &CLmrOGJPWindow::UJPTextMoved, [&] { ++moved; });
    const CRect inside = canvas().OSLToClientRect(20, 40);
    Drag(canvas().viewport(), {QPoint(inside.left, inside.top), QPoint(-3000, -3000)});
    EXPECT_EQ(canvas().GetUJPTextRect(), CRect(-10, -10, 10, 10));
    EXPECT_GE(moved, 2);  // while moving and once at the release
    EXPECT_EQ(canvas().m_nOMode, CLmrOGJPEState::OM_IDLE);
}

// ---- Crawling dashes -----------------------------------------------------

TEST_F(ViewsTest, CrawlJobsAdvanceThePhaseAndStopAtOnce) {
    ASSERT_TRUE(zoom().IsMarqueeRunning());
    ASSERT_TRUE(canvas().IsTextFrameRunning());
    // The first job of each view's manager begins a batch of 30 threads.
    EXPECT_EQ(zoom().GetMLThreadManager().GetThreadCount(), 30);
    EXPECT_EQ(canvas().GetMLThreadManager().GetThreadCount(), 30);
    const int zoomPhase = zoom().GetMarqueePhase(), textPhase = canvas().GetTextFramePhase();
    QTest::qWait(400);
    EXPECT_NE(zoom().GetMarqueePhase(), zoomPhase);
    EXPECT_NE(canvas().GetTextFramePhase(), textPhase);
    zoom().StopMarquee();
    canvas().StopTextFrame();
    ASSERT_TRUE(viewtest::WaitIdle(zoom().GetMLThreadManager(), 200));
    ASSERT_TRUE(viewtest::WaitIdle(canvas().GetMLThreadManager(), 200));
    const int stopped = zoom().GetMarqueePhase();
    QTest::qWait(350);
    EXPECT_EQ(zoom().GetMarqueePhase(), stopped);
}

TEST_F(SelectionTest, MarqueeDashesCrawlOnTheSelectionOutline) {
    DragZoom({AtArea(1, 1), AtArea(3, 2)});
    // The steps are taken here, not by the job's clock.
    zoom().StopMarquee();
    auto edgeRow = [&] {
        QImage image;
        zoom().RenderTo(image);
        const CRect r = zoom().OSLToClientRect(17, 33);
        std::vector<COLORREF> row;
        for (int x = r.left; x < r.left + 10; ++x)
            row.push_back(FromQRgb(image.pixel(x, r.top - 1)));
        return row;
    };
    const std::vector<COLORREF> before = edgeRow();
    // Solid cyan under black 3-on 2-off dashes.
    int black = 0, cyan = 0;
    for (COLORREF c : before) (c == 0 ? black : cyan) += (c == 0 || c == 0x00FFFF) ? 1 : 0;
    EXPECT_EQ(black + cyan, 10);
    EXPECT_EQ(black, 6);
    zoom().GJPSMDraw();
    EXPECT_NE(edgeRow(), before);
    for (int i = 0; i < 4; ++i) zoom().GJPSMDraw();
    EXPECT_EQ(edgeRow(), before);  // five steps: round again
}

}  // namespace
