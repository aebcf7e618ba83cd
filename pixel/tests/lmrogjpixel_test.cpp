#include "pixel/lmrogjpixel.h"

#include "chareditor/dtrgjpixel.h"
#include "pixel/tests/pixeltesting.h"

namespace {

std::string BitmapBytes(const CLmrOGJPixel& canvas, CPoint cell) {
    CRevolver bitmap;
    canvas.BHFCreate(bitmap, cell);
    return pixeltest::ContentOf(bitmap);
}

using CanvasTest = pixeltest::EngineTest;

TEST_F(CanvasTest, PointAccessStopsAtTheCanvasEdges) {
    EXPECT_EQ(BitmapBytes(CLmrOGJPixel(), CPoint(15, 12)), std::string(32, '\0'));
    const int points[][3] = {{0, 0, 1},   {255, 207, 1}, {-1, 0, 0},
                             {256, 0, 0}, {0, 208, 0},   {0, -1, 0}};
    for (const auto& p : points) {
        CLmrOGJPixel c;
        c.SetJPixelByOSLPoint(p[0], p[1], 0x123456);
        c.SetPGInfo(p[0], p[1], 0x42, CLmrOGJPixel::kPGMark, 0);
        EXPECT_EQ(c.GetJPixelByOSLPoint(p[0], p[1]), p[2] ? 0x123456 : -1) << p[0] << "," << p[1];
        EXPECT_EQ(c.GetPGInfoByOSLPoint(p[0], p[1]), p[2] ? 0x1000042u : 0u);
        const std::vector<int> all = pixeltest::Snapshot(c);
        EXPECT_EQ(std::count(all.begin(), all.end(), 0x123456), p[2]);
    }
    // Merging ORs into the stored value; OGJPClear leaves the layer alone.
    canvas.SetPGInfo(3, 4, 0x0F, 0, 0);
    canvas.SetPGInfo(3, 4, 0xF0, CLmrOGJPixel::kPGMark, 1);
    canvas.SetJPixelByOSLPoint(3, 4, 0);
    canvas.OGJPClear();
    EXPECT_EQ(canvas.GetJPixelByOSLPoint(3, 4), 0xFFFFFF);
    EXPECT_EQ(canvas.GetPGInfoByOSLPoint(3, 4), 0x10000FFu);
    // ESL points are relative to the working area.
    SetWorkingArea(3, 4, 2, 1);
    canvas.SetJPixelByESLPoint(1, 2, 0x111111);
    canvas.SetJPixelByESLIndex(32 + 5, 0x222222);  // row 1, column 5 of a 32-wide area
    EXPECT_EQ(canvas.GetJPixelByOSLPoint(49, 66), 0x111111);
    EXPECT_EQ(canvas.GetJPixelByOSLPoint(53, 65), 0x222222);
}

TEST_F(CanvasTest, CellBitmapIsTheDefinableCharacterPatternOfThePicture) {
    pixeltest::FillRandom(canvas, 7);  // black, 0x000001 and other colours
    for (CPoint cell : {CPoint(0, 0), CPoint(15, 12), CPoint(7, 3)}) {
        CDtrGJPixel character;
        for (int i = 0; i < 256; ++i)
            if (canvas.GetJPixelByOSLPoint(cell.x * 16 + i % 16, cell.y * 16 + i / 16) == 0)
                character.SetJPixel(i, CDtrGJPixel::GJP_INK);
        CRevolver pattern;
        character.ToGJPFruit(pattern);
        EXPECT_EQ(BitmapBytes(canvas, cell), pixeltest::ContentOf(pattern))
            << cell.x << "," << cell.y;
    }
}

TEST_F(CanvasTest, DefchrTextByteForByte) {
    const std::string white = "&H00,&H00,&H00,&H00,&H00,&H00,&H00,&H00";
    canvas.SetJPixelByOSLPoint(16, 0, 0);   // cell (1,0): first byte 0x80
    canvas.SetJPixelByOSLPoint(31, 15, 0);  // last byte 0x01
    struct Case {
        int code, indent;
        const char* head;
    };
    const Case cases[] = {{65, 0, "DEFCHR &H41,_\r\n"},
                          {255, 0, "DEFCHR &HFF,_\r\n"},
                          {256, 0, "DEFCHR &H0100,_\r\n"},
                          {0x12DB30, 0, "DEFCHR &HDB30,_\r\n"},
                          {0xDB30, 2, "\t\tDEFCHR &HDB30,_\r\n"}};
    std::string text;
    for (const Case& c : cases) {
        LmrGOption().SetInt("shfdindent", c.indent);
        EXPECT_EQ(canvas.SHFCreate(text, CPoint(1, 0), c.code), 1);
        const std::string lead = std::string(static_cast<size_t>(c.indent), '\t') + "  ";
        EXPECT_EQ(text, c.head + lead + "&H80," + white.substr(5) + ",_\r\n" + lead + white +
                            ",_\r\n" + lead + white + ",_\r\n" + lead + white.substr(0, 35) +
                            "&H01");
    }
    // Blocks go row by row, codes counting up, joined by single line breaks.
    for (int k = 0; k < 3; ++k) canvas.SetJPixelByOSLPoint(k, 16, 0);  // cell (0,1): 0xE0
    std::string block, one, expected;
    canvas.GSHFCreate(block, CRect(0, 0, 1, 1), 0xDB30);
    const CPoint order[] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int i = 0; i < 4; ++i) {
        canvas.SHFCreate(one, order[i], 0xDB30 + i);
        expected += (i ? "\r\n" : "") + one;
    }
    EXPECT_EQ(block, expected);
    EXPECT_NE(block.find("DEFCHR &HDB32,_\r\n\t\t  &HE0,"), std::string::npos);
    // A missing indent key reads as one tab.
    LmrGOption().RemoveAll();
    canvas.SHFCreate(text, CPoint(0, 0), 1);
    EXPECT_EQ(text.substr(0, 14), "\tDEFCHR &H01,_");
}

TEST_F(CanvasTest, GatheringSkipsUnchangedPixelsAndWalksColumnByColumn) {
    SetWorkingArea(0, 0, 1, 1);
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

    // The crawl edge: the line a crawl pushes out, of the working area or
    // the selection; nothing for the other transforms, 0 for other kinds.
    SetWorkingArea(1, 1, 1, 1);  // pixels 16..31
    const int cases[][6] = {{5, 1, 16, 16, 16, 31},
                            {6, 1, 31, 16, 31, 31},
                            {7, 1, 16, 16, 31, 16},
                            {8, 1, 16, 31, 31, 31},
                            {3, 1, -1},
                            {9, 1, -1},
                            {2, 0, -1},
                            {10, 0, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(canvas.GetUJPixelForKGJPEdit(xs, ys, colors, c[0]), c[1]) << c[0];
        EXPECT_EQ(xs.size(), c[2] < 0 ? 0u : 16u);
        if (c[2] >= 0) {
            EXPECT_EQ(std::vector<DWORD>({xs[0], ys[0], xs[15], ys[15]}),
                      std::vector<DWORD>(c + 2, c + 6));
        }
    }
    zoom.m_nMode = CLmrEGJPEState::EM_SELECTED;
    zoom.m_rcPlaced = CRect(20, 18, 23, 19);
    canvas.SetJPixelByOSLPoint(23, 19, 0x0000FF);
    canvas.GetUJPixelForKGJPEdit(xs, ys, colors, 6);
    EXPECT_EQ(xs, (std::vector<DWORD>{23, 23}));
    EXPECT_EQ(colors, (std::vector<DWORD>{0xFFFFFF, 0x0000FF}));
}

}  // namespace
