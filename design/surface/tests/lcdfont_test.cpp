#include "design/surface/lcdfont.h"

#include <gtest/gtest.h>

#include "design/model/dsggoption.h"
#include "design/surface/pagecoords.h"
#include "platform/textcodec.h"

namespace {

constexpr LONG U = 10000;  // LCD units per dot
using Lines = std::vector<std::string>;
using Offsets = std::vector<int>;

CRect DotRect(LONG l, LONG t, LONG r, LONG b) { return {l * U, t * U, r * U, b * U}; }

void Set(CDsgWObj& wobj, const std::string& key, const std::string& value) {
    wobj.GetUTProps().SetString(key, value);
}

// An LCD text object.
CDsgWObj Text(const std::string& script, int krn = 4, int aln = 0) {
    CDsgWObj wobj;
    wobj.SetWOKind(nDSG_WOKIND__WOTEXT);
    Set(wobj, "UTP.lscript", script);
    Set(wobj, "UTP.krnfindex", std::to_string(krn));
    Set(wobj, "UTP.alnfindex", std::to_string(aln));
    return wobj;
}

}  // namespace

TEST(LCDFontTableTest, CellsFacesAndWidthsPerFont) {
    const char* faces[] = {"돋움", "샘물", "바탕", "돋움", "굴림", "으뜸", "돋움", "바탕", "돋움"};
    const int widths[] = {10, 10, 16, 16, 16, 16, 24, 24, 48};
    const int heights[] = {16, 16, 16, 16, 16, 16, 24, 24, 48};
    const int halves[] = {7, 7, 8, 8, 8, 8, 12, 12, 25};
    // Proportional 'A' and '~' by cell size.
    const int upperA[] = {7, 7, 11, 11, 11, 11, 17, 17, 38};
    const int tilde[] = {7, 7, 12, 12, 12, 12, 20, 20, 28};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(GetLCDFontFace(k), A(faces[k])) << k;
        EXPECT_EQ(GetLCDFontWidth(k), widths[k]) << k;
        EXPECT_EQ(GetLCDFontHeight(k), heights[k]) << k;
        EXPECT_EQ(GetLCDCharWidth(k, 0, 'W'), halves[k]) << k;
        EXPECT_EQ(GetLCDCharWidth(k, 1 + k % 3, 'A'), upperA[k]) << k;
        EXPECT_EQ(GetLCDCharWidth(k, 1, '~'), tilde[k]) << k;
    }
    EXPECT_EQ(GetLCDCharWidth(9, 0, 'A'), -1);
    EXPECT_EQ(GetUTPDisplayName("UTP.krnfindex"), "kor_font_index");

    // Sums of the 95 advances of each list, so that no entry goes astray.
    const CFxNamedLists& table = GetLCDAlnumWidthTable();
    const std::pair<const char*, int> sums[] = {
        {"10x16", 95 * 7}, {"16x16", 828}, {"24x24", 1249}, {"48x48", 2578}};
    for (const auto& [name, sum] : sums) {
        int total = 0;
        for (int i = 0; i < 95; ++i) total += table.GetListInt(name, i, -1000);
        EXPECT_EQ(total, sum) << name;
        EXPECT_EQ(table.GetListItem(name, 95), "") << name;
    }

    // Outside 32..126 the proportional font has nothing: the "?" stands in.
    BOOL notFound = FALSE;
    EXPECT_EQ(GetLCDCharWidth(4, 1, '\t', &notFound), 8);
    EXPECT_TRUE(notFound);
    EXPECT_EQ(GetLCDCharWidth(6, 1, 127, &notFound), 14);
    EXPECT_TRUE(notFound);
    EXPECT_EQ(GetLCDCharWidth(4, 0, '\t', &notFound), 8);
    EXPECT_FALSE(notFound);
}

// Lines break at newlines and at the right edge and are dropped at the
// bottom. Font 4: 8-dot single-byte advances, 16-dot cells and lines; a
// character moves to a new line once x + 12.8 dots passes the right edge.
TEST(LScriptLayoutTest, LinesOffsetsAndSizes) {
    const std::string ga = A("가"), na = A("나");
    const std::string lone = std::string("AB") + '\xB0';  // ends in half a pair
    const auto R = DotRect;
    struct Case {
        std::string text;
        int krn, aln;
        CRect rect;
        BOOL singleLine;
        Lines lines;
        Offsets offsets;
        CSize size;
    } cases[] = {
        // clang-format off
        {"AB\nC",      4, 0, R(10, 20, 200, 200), FALSE, {"AB", "C"}, {0, 16 * U}, {16 * U, 32 * U}},
        {"A\n\nB",     4, 0, R(0, 0, 200, 200), FALSE, {"A", "", "B"}, {0, 16 * U, 32 * U},
                                                                       {8 * U, 48 * U}},
        {"A\r\nB\n",   4, 0, R(0, 0, 200, 200), FALSE, {"A", "B"}, {0, 16 * U}, {8 * U, 32 * U}},
        {"",           4, 0, R(0, 0, 200, 200), FALSE, {}, {}, {0, 0}},
        // Right edge: the fourth character starts at 24 dots.
        {"ABCDEFGHI",  4, 0, R(0, 0, 40, 100), FALSE, {"ABCD", "EFGH", "I"}, {0, 16 * U, 32 * U},
                                                                             {32 * U, 48 * U}},
        {"ABCDE",      4, 0, {0, 0, 368000, 100 * U}, FALSE, {"ABCD", "E"}, {0, 16 * U},
                                                                            {32 * U, 32 * U}},
        {"ABCDE",      4, 0, {0, 0, 367999, 100 * U}, FALSE, {"ABC", "DE"}, {0, 16 * U},
                                                                            {24 * U, 32 * U}},
        // Narrower than the reach: an empty first line, then one per line.
        {"ABC",        4, 0, R(0, 0, 5, 100), FALSE, {"", "A", "B", "C"},
                                                     {0, 16 * U, 32 * U, 48 * U}, {8 * U, 48 * U}},
        // Bottom: a line starting at 32 dots would reach 44.8 > 40.
        {"A\nB\nC\nD",  4, 0, R(0, 0, 100, 40), FALSE, {"A", "B"}, {0, 16 * U}, {8 * U, 32 * U}},
        {"ABC",        4, 0, {0, 0, 100 * U, 127999}, FALSE, {}, {}, {0, 0}},
        {"ABC",        4, 0, {0, 0, 100 * U, 128000}, FALSE, {"ABC"}, {0}, {24 * U, 16 * U}},
        // Single line: layout ends where the second line would begin.
        {"AB\nCD",     4, 0, R(0, 0, 100, 100), TRUE, {"AB"}, {0}, {16 * U, 16 * U}},
        {"ABCDEFG",    4, 0, R(0, 0, 40, 100), TRUE, {"ABCD"}, {0}, {32 * U, 16 * U}},
        // Widths per font: fonts 0 and 1 have 11-dot cells and 7-dot halves.
        {ga + na,      0, 0, R(0, 0, 300, 300), FALSE, {ga + na}, {0}, {22 * U, 16 * U}},
        {"AB",         1, 1, R(0, 0, 300, 300), FALSE, {"AB"}, {0}, {14 * U, 16 * U}},
        {ga + "A",     6, 1, R(0, 0, 300, 300), FALSE, {ga + "A"}, {0}, {41 * U, 24 * U}},
        {"iW",         4, 1, R(0, 0, 300, 300), FALSE, {"iW"}, {0}, {18 * U, 16 * U}},
        // A character the font lacks keeps its place in the line, measured as "?".
        {"A\tB",       4, 1, R(0, 0, 300, 300), FALSE, {"A\tB"}, {0}, {29 * U, 16 * U}},
        // Font indexes outside 0..8 are held to the nearest font.
        {"A\nB",      12, 0, R(0, 0, 300, 300), FALSE, {"A", "B"}, {0, 48 * U}, {25 * U, 96 * U}},
        {"A\nB",      -3, 0, R(0, 0, 300, 300), FALSE, {"A", "B"}, {0, 16 * U}, {7 * U, 32 * U}},
        // A final lone lead byte reads as "?".
        {lone,         4, 0, R(0, 0, 300, 300), FALSE, {"AB?"}, {0}, {24 * U, 16 * U}},
        // clang-format on
    };
    for (const Case& c : cases) {
        Lines lines{"stale"};
        Offsets offsets{-1};
        CSize size(-1, -1);
        const CDsgWObj wobj = Text(c.text, c.krn, c.aln);
        EXPECT_EQ(CDsgLScriptPrinter(wobj).PrintLScript(nullptr, c.rect, nullptr, &lines, &offsets,
                                                        &size, TRUE, c.singleLine),
                  1);
        EXPECT_EQ(lines, c.lines) << c.text << " font " << c.krn;
        EXPECT_EQ(offsets, c.offsets) << c.text << " font " << c.krn;
        EXPECT_EQ(size, c.size) << c.text << " font " << c.krn;
    }
}

// Drawing on an off-screen surface.
namespace {

// A page at `zoom` pixels per dot with the LCD's top-left corner at (10, 10).
class TestPage : public CDsgCDinateEVMent {
public:
    explicit TestPage(double zoom) {
        m_rcLM =
            CRect(10, 10, 10 + static_cast<LONG>(320 * zoom), 10 + static_cast<LONG>(240 * zoom));
    }
};

int Count(const CDC& dc, const CRect& area, COLORREF colour) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) n += dc.GetPixel(x, y) == colour;
    return n;
}

// Pixels that are not white.
int Ink(const CDC& dc, const CRect& area) {
    return area.Width() * area.Height() - Count(dc, area, RGB(255, 255, 255));
}

// The smallest rectangle (inclusive) around the pixels of the colour;
// left -1 when there are none.
CRect ExtentOf(const CDC& dc, COLORREF colour) {
    CRect r(-1, -1, -1, -1);
    for (int y = 0; y < dc.GetSize().cy; ++y)
        for (int x = 0; x < dc.GetSize().cx; ++x)
            if (dc.GetPixel(x, y) == colour) {
                if (r.left < 0) r = CRect(x, y, x, y);
                r.left = std::min<LONG>(r.left, x);
                r.right = std::max<LONG>(r.right, x);
                r.bottom = y;
            }
    return r;
}

class LScriptDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetDsgGOption().RemoveAll();
        GetDsgGOption().SetDefaultGOption();
    }
    void TearDown() override { SetUp(); }
    int Print(CDC& dc, const CDsgWObj& wobj, double zoom, Lines* lines = nullptr) {
        const TestPage page(zoom);
        return CDsgLScriptPrinter(wobj).PrintLScript(&dc, DotRect(0, 0, 100, 60), &page, lines);
    }
};

}  // namespace

TEST_F(LScriptDrawTest, CharactersStayInTheirCells) {
    CDC dc(120, 80);
    EXPECT_EQ(Print(dc, Text(A("가") + "A\n" + A("나")), 1.0), 1);
    const CRect cells[] = {{10, 10, 26, 26}, {26, 10, 34, 26}, {10, 26, 26, 42}};
    int inside = 0;
    for (const CRect& c : cells) {
        EXPECT_GT(Ink(dc, c), 0) << c.left << "," << c.top;
        EXPECT_EQ(Ink(dc, c), Count(dc, c, RGB(0, 0, 0)));  // one ink, no smoothing
        inside += Ink(dc, c);
    }
    EXPECT_EQ(Ink(dc, CRect(0, 0, 120, 80)), inside);

    // At zoom 2 the glyph fills a cell twice the size.
    CDC large(120, 80);
    EXPECT_EQ(Print(large, Text(A("가")), 2.0), 1);
    EXPECT_GT(Ink(large, CRect(0, 0, 120, 80)), 2 * Ink(dc, cells[0]));
    EXPECT_EQ(Ink(large, CRect(0, 0, 120, 80)), Ink(large, CRect(10, 10, 42, 42)));
}

TEST_F(LScriptDrawTest, InversedCellsUnderlineAndInk) {
    CDsgWObj wobj = Text("A");
    Set(wobj, "UTP.is_inversed", "1");
    CDC dc(80, 60);
    ASSERT_EQ(Print(dc, wobj, 1.0), 1);
    // The 8x16 cell, one pixel wider on the left and one lower, in the ink;
    // the character in the highlight colour.
    const CRect fill(9, 10, 18, 27);
    const COLORREF negative = GetDsgGOption().GetNegativeColor();
    EXPECT_GT(Count(dc, fill, negative), 0);
    EXPECT_EQ(Count(dc, fill, RGB(0, 0, 0)) + Count(dc, fill, negative), 9 * 17);
    EXPECT_EQ(Ink(dc, CRect(0, 0, 80, 60)), 9 * 17);

    // Underlined: a bar on the cell's last row, 3 pixel past it each side.
    Set(wobj, "UTP.is_inversed", "0");
    Set(wobj, "UTP.is_underlined", "1");
    CDC under(80, 60);
    ASSERT_EQ(Print(under, wobj, 1.0), 1);
    EXPECT_EQ(ExtentOf(under, RGB(0, 0, 0)).bottom, 25);
    EXPECT_EQ(Count(under, CRect(0, 25, 80, 26), RGB(0, 0, 0)), 14);
    EXPECT_EQ(Count(under, CRect(7, 25, 21, 26), RGB(0, 0, 0)), 14);

    // White ink on a dark page; bold draws more of it.
    GetDsgGOption().SetInt(GOPT_CPCINDEX, 1);
    CDC white(80, 60, RGB(0, 0, 0)), bold(80, 60, RGB(0, 0, 0));
    CDsgWObj hangul = Text(A("한"));
    ASSERT_EQ(Print(white, hangul, 1.0), 1);
    Set(hangul, "UTP.bstate", "1");
    ASSERT_EQ(Print(bold, hangul, 1.0), 1);
    const int normal = Count(white, CRect(10, 10, 26, 26), RGB(255, 255, 255));
    EXPECT_GT(normal, 0);
    EXPECT_GT(Count(bold, CRect(10, 10, 26, 26), RGB(255, 255, 255)), normal);
}

TEST_F(LScriptDrawTest, NothingIsDrawnWithoutAPageSize) {
    const CDsgWObj wobj = Text("AB\nC");
    for (double zoom : {0.0, -1.0, 1.0}) {
        if (zoom > 0) GetDsgGOption().SetInt(GOPT_LMWIDTH, 0);  // an LCD of no width
        CDC dc(80, 80);
        Lines lines;
        EXPECT_EQ(Print(dc, wobj, zoom, &lines), 0) << zoom;
        EXPECT_EQ(lines, (Lines{"AB", "C"}));  // the layout is still given
        EXPECT_EQ(Ink(dc, CRect(0, 0, 80, 80)), 0);
    }
    GetDsgGOption().SetInt(GOPT_LMWIDTH, 320);
    CDC dc(80, 80);
    const TestPage page(1.0);
    EXPECT_EQ(CDsgLScriptPrinter(wobj).PrintLScript(&dc, DotRect(0, 0, 50, 50), &page, nullptr,
                                                    nullptr, nullptr, TRUE),
              1);
    EXPECT_EQ(Ink(dc, CRect(0, 0, 80, 80)), 0);  // measure-only
}

TEST_F(LScriptDrawTest, PCText) {
    const TestPage page(1.0);
    auto ptext = [](const std::string& text, const CRect& dots) {
        CDsgWObj wobj;
        wobj.SetNTProps(1, nDSG_WOKIND__WOPTEXT, dots);
        Set(wobj, "UTP.lscript", text);
        Set(wobj, "UTP.ptsize", "12");
        Set(wobj, "UTP.ptwordbreak", "0");
        return wobj;
    };
    auto draw = [&page](const CDsgWObj& wobj) {
        auto dc = std::make_unique<CDC>(80, 80);
        CDsgLScriptPrinter(wobj).DrawPText(dc.get(), &page);
        return dc;
    };

    // On its background colour unless transparent, in the normalised
    // rectangle (12, 14)-(40, 30).
    CDsgWObj hi = ptext("Hi", DotRect(30, 20, 2, 4));
    Set(hi, "UTP.pttransparent", "0");
    Set(hi, "UTP.ptbkcolor", std::to_string(RGB(255, 0, 0)));
    const CRect ink = ExtentOf(*draw(hi), RGB(0, 0, 0));
    EXPECT_EQ(ExtentOf(*draw(hi), RGB(255, 0, 0)), CRect(12, 14, 39, 29));
    EXPECT_GE(ink.left, 12);
    EXPECT_LE(ink.right, 39);
    Set(hi, "UTP.pttransparent", "1");
    EXPECT_EQ(ExtentOf(*draw(hi), RGB(255, 0, 0)).left, -1);
    EXPECT_EQ(ExtentOf(*draw(hi), RGB(0, 0, 0)), ink);

    // Word breaking makes several lines inside the rectangle.
    CDsgWObj words = ptext("aaa bbb ccc", DotRect(0, 0, 40, 60));
    const CRect one = ExtentOf(*draw(words), RGB(0, 0, 0));
    Set(words, "UTP.ptwordbreak", "1");
    const CRect several = ExtentOf(*draw(words), RGB(0, 0, 0));
    EXPECT_GT(several.bottom, one.bottom + 8);
    EXPECT_LE(several.right, 49);

    // Centring moves a short text away from the left edge.
    CDsgWObj ab = ptext("ab", DotRect(0, 0, 40, 20));
    const CRect left = ExtentOf(*draw(ab), RGB(0, 0, 0));
    Set(ab, "UTP.pthcenter", "1");
    const CRect centred = ExtentOf(*draw(ab), RGB(0, 0, 0));
    EXPECT_GT(centred.left, left.left + 10);

    // An ampersand is text, not a mnemonic mark.
    EXPECT_GE(ExtentOf(*draw(ptext("&", DotRect(0, 0, 40, 20))), RGB(0, 0, 0)).left, 0);
}
