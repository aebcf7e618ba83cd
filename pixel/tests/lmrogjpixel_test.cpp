#include "pixel/lmrogjpixel.h"

#include "chareditor/dtrgjpixel.h"
#include "foundation/fxrevpropstore.h"
#include "pixel/tests/pixeltesting.h"

namespace {

using pixeltest::EngineTest;

std::string BitmapBytes(const CLmrOGJPixel& canvas, CPoint cell) {
    CRevolver bitmap;
    canvas.BHFCreate(bitmap, cell);
    std::string bytes(static_cast<size_t>(bitmap.GetLength()), '\0');
    bitmap.ReadAt(bytes.data(), bitmap.GetLength(), 0);
    return bytes;
}

using CanvasTest = EngineTest;

TEST_F(CanvasTest, PointAccessStopsAtTheCanvasEdges) {
    CLmrOGJPixel fresh;
    EXPECT_EQ(fresh.GetJPixelByOSLPoint(0, 0), 0xFFFFFF);
    EXPECT_EQ(BitmapBytes(fresh, CPoint(15, 12)), std::string(32, '\0'));
    struct Case {
        int x, y;
        bool inside;
    };
    const Case cases[] = {{0, 0, true},    {255, 207, true}, {-1, 0, false},
                          {256, 0, false}, {0, 208, false},  {0, -1, false}};
    for (const Case& c : cases) {
        CLmrOGJPixel canvas;
        canvas.SetJPixelByOSLPoint(c.x, c.y, 0x123456);
        canvas.SetPGInfo(c.x, c.y, 0x42, CLmrOGJPixel::kPGMark, 0);
        EXPECT_EQ(canvas.GetJPixelByOSLPoint(c.x, c.y), c.inside ? 0x123456 : -1)
            << c.x << "," << c.y;
        EXPECT_EQ(canvas.GetPGInfoByOSLPoint(c.x, c.y), c.inside ? 0x1000042u : 0u);
        // Nothing outside lands anywhere else.
        int changed = 0;
        for (int i = 0; i < CLmrOGJPixel::OGJP_COUNT; ++i)
            changed += canvas.GetJPixelByOSLIndex(i) != 0xFFFFFF;
        EXPECT_EQ(changed, c.inside ? 1 : 0);
    }
    // Merging ORs into the stored value; OGJPClear leaves the layer alone.
    CLmrOGJPixel canvas;
    canvas.SetPGInfo(3, 4, 0x0F, 0, 0);
    canvas.SetPGInfo(3, 4, 0xF0, CLmrOGJPixel::kPGMark, 1);
    EXPECT_EQ(canvas.GetPGInfoByOSLPoint(3, 4), 0x10000FFu);
    canvas.SetJPixelByOSLPoint(3, 4, 0);
    canvas.OGJPClear();
    EXPECT_EQ(canvas.GetJPixelByOSLPoint(3, 4), 0xFFFFFF);
    EXPECT_EQ(canvas.GetPGInfoByOSLPoint(3, 4), 0x10000FFu);
    canvas.ClearAllPGInfos();
    EXPECT_EQ(canvas.GetPGInfoByOSLPoint(3, 4), 0u);
}

TEST_F(CanvasTest, EslPointsAreRelativeToTheWorkingArea) {
    SetWorkingArea(3, 4, 2, 1);
    canvas.SetJPixelByESLPoint(1, 2, 0x111111);
    EXPECT_EQ(canvas.GetJPixelByOSLPoint(49, 66), 0x111111);
    canvas.SetJPixelByESLIndex(32 + 5, 0x222222);  // row 1, column 5 of a 32-wide area
    EXPECT_EQ(canvas.GetJPixelByESLPoint(5, 1), 0x222222);
    EXPECT_EQ(canvas.GetJPixelByOSLPoint(53, 65), 0x222222);
}

TEST_F(CanvasTest, CellBitmapIsTheDefinableCharacterPatternOfThePicture) {
    pixeltest::FillRandom(canvas, 7);
    for (CPoint cell : {CPoint(0, 0), CPoint(15, 12), CPoint(7, 3)}) {
        CDtrGJPixel character;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (canvas.GetJPixelByOSLPoint(cell.x * 16 + x, cell.y * 16 + y) == 0)
                    character.SetJPixel(x + 16 * y, CDtrGJPixel::GJP_INK);
        CRevolver pattern;
        character.ToGJPFruit(pattern);
        CRevolver bitmap;
        canvas.BHFCreate(bitmap, cell);
        ASSERT_EQ(bitmap.GetLength(), 32);
        std::string a(32, '\0'), b(32, '\0');
        pattern.ReadAt(a.data(), 32, 0);
        bitmap.ReadAt(b.data(), 32, 0);
        EXPECT_EQ(a, b) << cell.x << "," << cell.y;
    }
    // Only pure black is ink: 0x000001 is blank.
    CLmrOGJPixel one;
    one.SetJPixelByOSLPoint(0, 0, 0x000001);
    one.SetJPixelByOSLPoint(9, 0, 0x000000);
    one.SetJPixelByOSLPoint(15, 15, 0x000000);
    const std::string bytes = BitmapBytes(one, CPoint(0, 0));
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x00);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0x40);
    EXPECT_EQ(static_cast<unsigned char>(bytes[31]), 0x01);
}

TEST_F(CanvasTest, DefchrStatementByteForByte) {
    const std::string whiteRow = "&H00,&H00,&H00,&H00,&H00,&H00,&H00,&H00";
    std::string text;
    EXPECT_EQ(canvas.SHFCreate(text, CPoint(0, 0), 0xDB30), 1);
    EXPECT_EQ(text, "DEFCHR &HDB30,_\r\n  " + whiteRow + ",_\r\n  " + whiteRow + ",_\r\n  " +
                        whiteRow + ",_\r\n  " + whiteRow);

    struct Case {
        int code;
        int indent;
        const char* head;
    };
    const Case cases[] = {
        {65, 0, "DEFCHR &H41,_\r\n"},           {255, 0, "DEFCHR &HFF,_\r\n"},
        {256, 0, "DEFCHR &H0100,_\r\n"},        {0x12DB30, 0, "DEFCHR &HDB30,_\r\n"},
        {0xDB30, 2, "\t\tDEFCHR &HDB30,_\r\n"},
    };
    canvas.SetJPixelByOSLPoint(16, 0, 0);   // cell (1,0): first byte 0x80
    canvas.SetJPixelByOSLPoint(31, 15, 0);  // last byte 0x01
    for (const Case& c : cases) {
        LmrGOption().SetInt("shfdindent", c.indent);
        canvas.SHFCreate(text, CPoint(1, 0), c.code);
        const std::string lead = std::string(static_cast<size_t>(c.indent), '\t') + "  ";
        EXPECT_EQ(text, std::string(c.head) + lead + "&H80," + whiteRow.substr(5) + ",_\r\n" +
                            lead + whiteRow + ",_\r\n" + lead + whiteRow + ",_\r\n" + lead +
                            whiteRow.substr(0, 35) + "&H01");
    }
    // A missing indent key reads as one tab.
    LmrGOption().RemoveAll();
    canvas.SHFCreate(text, CPoint(0, 0), 1);
    EXPECT_EQ(text.substr(0, 14), "\tDEFCHR &H01,_");
}

TEST_F(CanvasTest, BlockStatementsGoRowByRowJoinedBySingleLineBreaks) {
    // Each cell of the block gets a different top-left pixel pattern.
    const CPoint cells[] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k <= i; ++k)
            canvas.SetJPixelByOSLPoint(cells[i].x * 16 + k, cells[i].y * 16, 0);
    std::string block, one, expected;
    canvas.GSHFCreate(block, CRect(0, 0, 1, 1), 0xDB30);
    for (int i = 0; i < 4; ++i) {
        canvas.SHFCreate(one, cells[i], 0xDB30 + i);
        expected += (i ? "\r\n" : "") + one;
    }
    EXPECT_EQ(block, expected);
    EXPECT_NE(block.find("DEFCHR &HDB31,_\r\n  &HC0,"), std::string::npos);
    EXPECT_NE(block.find("DEFCHR &HDB33,_\r\n  &HF0,"), std::string::npos);
    EXPECT_EQ(block.substr(block.size() - 4), "&H00");
}

TEST_F(CanvasTest, GatheringDrawnPixelsSkipsUnchangedOnesColumnByColumn) {
    SetWorkingArea(0, 0, 1, 1);
    zoom.m_dwDrawColor = 0x000000;
    canvas.SetJPixelByOSLPoint(2, 1, 0x000000);  // already the drawing colour
    canvas.SetJPixelByOSLPoint(2, 3, 0x0000FF);
    for (CPoint p : {CPoint(2, 3), CPoint(2, 1), CPoint(1, 5), CPoint(20, 0)})
        canvas.SetPGInfo(p.x, p.y, 0, CLmrOGJPixel::kPGMark, 0);
    canvas.SetPGInfo(4, 4, 0x2000000, 0, 0);  // not a layer pixel
    std::vector<DWORD> xs, ys, colors;
    canvas.GetUJPixelByPGInfo(xs, ys, colors);
    EXPECT_EQ(xs, (std::vector<DWORD>{1, 2}));
    EXPECT_EQ(ys, (std::vector<DWORD>{5, 3}));
    EXPECT_EQ(colors, (std::vector<DWORD>{0xFFFFFF, 0x0000FF}));
    const CRect beyond(-5, -5, 300, 300);  // clipped to the canvas
    canvas.GetUJPixelByPGInfo(xs, ys, colors, &beyond);
    EXPECT_EQ(xs, (std::vector<DWORD>{1, 2, 20}));
}

TEST_F(CanvasTest, CrawlEdgeIsTheLineThatIsPushedOut) {
    SetWorkingArea(1, 1, 1, 1);  // pixels 16..31
    std::vector<DWORD> xs, ys, colors;
    struct Case {
        int kind, result;
        DWORD x0, y0, xN, yN;
        size_t count;
    };
    const Case cases[] = {
        {5, 1, 16, 16, 16, 31, 16}, {6, 1, 31, 16, 31, 31, 16}, {7, 1, 16, 16, 31, 16, 16},
        {8, 1, 16, 31, 31, 31, 16}, {3, 1, 0, 0, 0, 0, 0},      {9, 1, 0, 0, 0, 0, 0},
        {2, 0, 0, 0, 0, 0, 0},      {10, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(canvas.GetUJPixelForKGJPEdit(xs, ys, colors, c.kind), c.result) << c.kind;
        ASSERT_EQ(xs.size(), c.count) << c.kind;
        if (c.count) {
            EXPECT_EQ(xs.front(), c.x0);
            EXPECT_EQ(ys.front(), c.y0);
            EXPECT_EQ(xs.back(), c.xN);
            EXPECT_EQ(ys.back(), c.yN);
        }
    }
    // With a selection, its edge.
    zoom.m_nMode = CLmrEGJPEState::EM_SELECTED;
    zoom.m_rcPlaced = CRect(20, 18, 23, 19);
    canvas.SetJPixelByOSLPoint(23, 19, 0x0000FF);
    canvas.GetUJPixelForKGJPEdit(xs, ys, colors, 6);
    EXPECT_EQ(xs, (std::vector<DWORD>{23, 23}));
    EXPECT_EQ(colors, (std::vector<DWORD>{0xFFFFFF, 0x0000FF}));
}

}  // namespace
