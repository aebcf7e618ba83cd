#include "design/surface/lcdfont.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "design/model/dsggoption.h"
#include "design/surface/pagecoords.h"
#include "platform/textcodec.h"

namespace {

constexpr LONG U = 10000;  // LCD units per dot

CRect DotRect(LONG l, LONG t, LONG r, LONG b) { return {l * U, t * U, r * U, b * U}; }

// An LCD text object.
CDsgWObj Text(const std::string& script, int krn = 4, int aln = 0) {
    CDsgWObj wobj;
    wobj.SetWOKind(nDSG_WOKIND__WOTEXT);
    CDsgUTProps& utp = wobj.GetUTProps();
    utp.SetString("UTP.lscript", script);
    utp.SetString("UTP.krnfindex", std::to_string(krn));
    utp.SetString("UTP.alnfindex", std::to_string(aln));
    return wobj;
}

void Set(CDsgWObj& wobj, const std::string& key, const std::string& value) {
    wobj.GetUTProps().SetString(key, value);
}

struct Layout {
    int result = -1;
    std::vector<std::string> lines;
    std::vector<int> offsets;
    CSize size;
};

Layout Measure(const CDsgWObj& utp, const CRect& rect, BOOL singleLine = FALSE) {
    Layout out;
    out.result = CDsgLScriptPrinter(utp).PrintLScript(nullptr, rect, nullptr, &out.lines,
                                                      &out.offsets, &out.size, TRUE, singleLine);
    return out;
}

using Lines = std::vector<std::string>;
using Offsets = std::vector<int>;

}  // namespace

TEST(LCDFontTableTest, CellsAndFacesPerFont) {
    const int widths[] = {10, 10, 16, 16, 16, 16, 24, 24, 48};
    const int heights[] = {16, 16, 16, 16, 16, 16, 24, 24, 48};
    const char* faces[] = {"돋움", "샘물", "바탕", "돋움", "굴림", "으뜸", "돋움", "바탕", "돋움"};
    const int halves[] = {7, 7, 8, 8, 8, 8, 12, 12, 25};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(GetLCDFontWidth(k), widths[k]) << k;
        EXPECT_EQ(GetLCDFontHeight(k), heights[k]) << k;
        EXPECT_EQ(GetLCDFontFace(k), A(faces[k])) << k;
        EXPECT_EQ(GetLCDCharWidth(k, 0, 'W'), halves[k]) << k;
    }
    EXPECT_EQ(GetLCDFontTable().GetHeader(), (Lines{"width", "height", "face"}));
    EXPECT_EQ(GetLCDFontFace(9), "");
    EXPECT_EQ(GetLCDCharWidth(9, 0, 'A'), -1);
    EXPECT_EQ(GetLCDCharWidth(-1, 0, 'A'), -1);
    EXPECT_EQ(GetUTPDisplayName("UTP.krnfindex"), "kor_font_index");
    EXPECT_EQ(GetUTPDisplayName("UTP.wonorder"), "storder");
    EXPECT_EQ(GetUTPDisplayName("UTP.ptface"), "");
}

TEST(LCDFontTableTest, ProportionalWidths) {
    const CFxNamedLists& table = GetLCDAlnumWidthTable();
    EXPECT_EQ(table.GetMaxListSize(), 95);
    // Sums of the lists, so that no entry can go astray unnoticed.
    const std::pair<const char*, int> sums[] = {
        {"10x16", 95 * 7}, {"16x16", 828}, {"24x24", 1249}, {"48x48", 2578}};
    for (const auto& [name, sum] : sums) {
        int total = 0;
        for (int i = 0; i < 95; ++i) total += table.GetListInt(name, i, -1000);
        EXPECT_EQ(total, sum) << name;
        EXPECT_EQ(table.GetListItem(name, 95), "") << name;
    }
    // 'A' and '~' per cell size; fonts 0 and 1 use the 10x16 list.
    EXPECT_EQ(GetLCDCharWidth(0, 1, 'A'), 7);
    EXPECT_EQ(GetLCDCharWidth(1, 2, '~'), 7);
    EXPECT_EQ(GetLCDCharWidth(4, 1, 'A'), 11);
    EXPECT_EQ(GetLCDCharWidth(5, 1, '~'), 12);
    EXPECT_EQ(GetLCDCharWidth(2, 1, ' '), 8);
    EXPECT_EQ(GetLCDCharWidth(6, 1, 'A'), 17);
    EXPECT_EQ(GetLCDCharWidth(7, 1, '~'), 20);
    EXPECT_EQ(GetLCDCharWidth(8, 1, 'A'), 38);
    EXPECT_EQ(GetLCDCharWidth(8, 1, '~'), 28);

    // Characters outside 32..126 take the place of "?".
    BOOL notFound = FALSE;
    EXPECT_EQ(GetLCDCharWidth(4, 1, 'A', &notFound), 11);
    EXPECT_FALSE(notFound);
    EXPECT_EQ(GetLCDCharWidth(4, 1, '\t', &notFound), 8);
    EXPECT_TRUE(notFound);
    EXPECT_EQ(GetLCDCharWidth(6, 1, 127, &notFound), 14);
    EXPECT_TRUE(notFound);
    EXPECT_EQ(GetLCDCharWidth(9, 1, 'A', &notFound), -1);
    EXPECT_TRUE(notFound);
    // The half-width advance holds for every single-byte character.
    EXPECT_EQ(GetLCDCharWidth(4, 0, '\t', &notFound), 8);
    EXPECT_FALSE(notFound);
}

TEST(NamedListsTest, MissingNamesAndItemsAreEmpty) {
    CFxNamedLists lists;
    lists.SetList("a", "1||3", '|');
    lists.AppendToList("a", {"4"});
    lists.AppendToList("b", {"x"});
    EXPECT_EQ(lists.GetMaxListSize(), 4);
    EXPECT_EQ(lists.GetListItem("a", 1), "");
    EXPECT_EQ(lists.GetListItem("a", 3), "4");
    EXPECT_EQ(lists.GetListItem("a", 4), "");
    EXPECT_EQ(lists.GetListItem("a", -1), "");
    EXPECT_EQ(lists.GetListItem("c", 0), "");
    EXPECT_EQ(lists.GetListInt("a", 2, -1), 3);
    EXPECT_EQ(lists.GetListInt("c", 0, -1), -1);
}

// Lines break at newlines, at the right edge, and stop at the bottom.
TEST(LScriptLayoutTest, LinesBreakAtNewlines) {
    const CRect wide = DotRect(10, 20, 200, 200);
    Layout l = Measure(Text("AB\nC"), wide);
    EXPECT_EQ(l.result, 1);
    EXPECT_EQ(l.lines, (Lines{"AB", "C"}));
    EXPECT_EQ(l.offsets, (Offsets{0, 16 * U}));
    EXPECT_EQ(l.size, CSize(16 * U, 32 * U));

    // Two newlines in a row make an empty line that keeps its height.
    l = Measure(Text("A\n\nB"), wide);
    EXPECT_EQ(l.lines, (Lines{"A", "", "B"}));
    EXPECT_EQ(l.offsets, (Offsets{0, 16 * U, 32 * U}));
    EXPECT_EQ(l.size, CSize(8 * U, 48 * U));

    // Carriage returns go; a final newline opens no line.
    l = Measure(Text("A\r\nB\n"), wide);
    EXPECT_EQ(l.lines, (Lines{"A", "B"}));
    l = Measure(Text("\n"), wide);
    EXPECT_EQ(l.lines, (Lines{""}));
    EXPECT_EQ(l.size, CSize(0, 0));

    // An empty text lays out nothing.
    l = Measure(Text(""), wide);
    EXPECT_EQ(l.result, 1);
    EXPECT_TRUE(l.lines.empty());
    EXPECT_TRUE(l.offsets.empty());
    EXPECT_EQ(l.size, CSize(0, 0));
}

TEST(LScriptLayoutTest, LinesBreakAtTheRightEdge) {
    // 8-dot characters: the next one starts a line once x + 12.8 dots passes
    // the right edge, so 4 fit into 40 dots.
    Layout l = Measure(Text("ABCDEFGHI"), DotRect(0, 0, 40, 100));
    EXPECT_EQ(l.lines, (Lines{"ABCD", "EFGH", "I"}));
    EXPECT_EQ(l.offsets, (Offsets{0, 16 * U, 32 * U}));
    EXPECT_EQ(l.size, CSize(32 * U, 48 * U));
    // The fourth character starts at 24 dots: it fits while 24 + 12.8 dots
    // does not pass the right edge.
    l = Measure(Text("ABCDE"), CRect(0, 0, 368000, 100 * U));
    EXPECT_EQ(l.lines, (Lines{"ABCD", "E"}));
    l = Measure(Text("ABCDE"), CRect(0, 0, 367999, 100 * U));
    EXPECT_EQ(l.lines, (Lines{"ABC", "DE"}));

    // A rectangle given corner to corner the other way round is the same.
    l = Measure(Text("ABCDEFGHI"), DotRect(40, 100, 0, 0));
    EXPECT_EQ(l.lines, (Lines{"ABCD", "EFGH", "I"}));

    // Narrower than one character: one character per line, none lost.
    l = Measure(Text("ABC"), DotRect(0, 0, 5, 100));
    EXPECT_EQ(l.lines, (Lines{"A", "B", "C"}));
}

TEST(LScriptLayoutTest, LinesPastTheBottomAreDropped) {
    // The third line would start at 32 dots and reach past 32 + 12.8 > 40.
    Layout l = Measure(Text("A\nB\nC\nD"), DotRect(0, 0, 100, 40));
    EXPECT_EQ(l.lines, (Lines{"A", "B"}));
    EXPECT_EQ(l.offsets, (Offsets{0, 16 * U}));
    EXPECT_EQ(l.size, CSize(8 * U, 32 * U));

    l = Measure(Text("ABCDEFGHIJ"), DotRect(0, 0, 40, 40));
    EXPECT_EQ(l.lines, (Lines{"ABCD", "EFGH"}));

    // Too low for a single line.
    l = Measure(Text("ABC"), DotRect(0, 0, 100, 12));
    EXPECT_TRUE(l.lines.empty());
    EXPECT_EQ(l.size, CSize(0, 0));
    l = Measure(Text("ABC"), CRect(0, 0, 100 * U, 128000));
    EXPECT_EQ(l.lines, (Lines{"ABC"}));

    // Single line: layout ends where the second line would begin.
    l = Measure(Text("AB\nCD"), DotRect(0, 0, 100, 100), TRUE);
    EXPECT_EQ(l.lines, (Lines{"AB"}));
    l = Measure(Text("ABCDEFG"), DotRect(0, 0, 40, 100), TRUE);
    EXPECT_EQ(l.lines, (Lines{"ABCD"}));
    EXPECT_EQ(l.size, CSize(32 * U, 16 * U));
}

TEST(LScriptLayoutTest, WidthsPerFont) {
    const CRect wide = DotRect(0, 0, 300, 300);
    const std::string hangul = A("가나");
    // Fonts 0 and 1: 11-dot cells for double-byte characters, 7-dot single.
    EXPECT_EQ(Measure(Text(hangul, 0), wide).size, CSize(22 * U, 16 * U));
    EXPECT_EQ(Measure(Text(hangul, 1), wide).size, CSize(22 * U, 16 * U));
    EXPECT_EQ(Measure(Text("AB", 0), wide).size, CSize(14 * U, 16 * U));
    EXPECT_EQ(Measure(Text("AB", 1, 1), wide).size, CSize(14 * U, 16 * U));
    // Larger fonts.
    EXPECT_EQ(Measure(Text(hangul, 4), wide).size, CSize(32 * U, 16 * U));
    EXPECT_EQ(Measure(Text(hangul + "A", 6), wide).size, CSize(60 * U, 24 * U));
    EXPECT_EQ(Measure(Text(hangul + "A", 6, 1), wide).size, CSize(65 * U, 24 * U));
    EXPECT_EQ(Measure(Text("A~", 8, 3), wide).size, CSize(66 * U, 48 * U));
    // Proportional: 'i' 3 dots, 'W' 15 dots in 16x16.
    EXPECT_EQ(Measure(Text("iW", 4, 1), wide).size, CSize(18 * U, 16 * U));

    // A character the proportional font lacks keeps its place in the line
    // text and is measured as "?".
    Layout l = Measure(Text("A\tB", 4, 1), wide);
    EXPECT_EQ(l.lines, (Lines{"A\tB"}));
    EXPECT_EQ(l.size, CSize((11 + 8 + 10) * U, 16 * U));
}

TEST(LScriptLayoutTest, FontIndexOutsideTheTablesIsClamped) {
    CDsgWObj utp = Text("A\nB", 12);
    Layout l = Measure(utp, DotRect(0, 0, 300, 300));
    EXPECT_EQ(l.offsets, (Offsets{0, 48 * U}));
    EXPECT_EQ(l.size, CSize(25 * U, 96 * U));
    EXPECT_EQ(utp.GetUTProps().GetString("UTP.krnfindex"), "12");  // the record is left as it is

    l = Measure(Text("A\nB", -3), DotRect(0, 0, 300, 300));
    EXPECT_EQ(l.offsets, (Offsets{0, 16 * U}));
    EXPECT_EQ(l.size, CSize(7 * U, 32 * U));
}

TEST(LScriptLayoutTest, LoneLeadByteReadsAsQuestionMark) {
    // The text ends in the first byte of a pair.
    std::string text = "AB";
    text += '\xB0';
    Layout l = Measure(Text(text), DotRect(0, 0, 300, 300));
    EXPECT_EQ(l.lines, (Lines{"AB?"}));
    EXPECT_EQ(l.size, CSize(24 * U, 16 * U));

    // A lead byte before a newline takes the newline as its pair, as the
    // code page reads it.
    text = A("가");
    text += '\xB0';
    text += '\n';
    l = Measure(Text(text), DotRect(0, 0, 300, 300));
    ASSERT_EQ(l.lines.size(), 1u);
    EXPECT_EQ(l.size, CSize(32 * U, 16 * U));
}

// Drawing on an off-screen surface.
namespace {

// zoom client pixels per dot; the LCD's top-left corner at (10, 10).
class TestPage : public CDsgCDinateEVMent {
public:
    explicit TestPage(double zoom) {
        m_rcLM =
            CRect(10, 10, 10 + static_cast<LONG>(320 * zoom), 10 + static_cast<LONG>(240 * zoom));
    }
};

int CountColour(const CDC& dc, const CRect& area, COLORREF colour) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (dc.GetPixel(x, y) == colour) ++n;
    return n;
}

int CountNot(const CDC& dc, const CRect& area, COLORREF colour) {
    return area.Width() * area.Height() - CountColour(dc, area, colour);
}

class LScriptDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetDsgGOption().RemoveAll();
        GetDsgGOption().SetDefaultGOption();
    }
    void TearDown() override { SetUp(); }
};

}  // namespace

TEST_F(LScriptDrawTest, CharactersStayInTheirCells) {
    CDC dc(120, 80);
    const TestPage m(1.0);
    CDsgWObj utp = Text(A("가") + "A\n" + A("나"));
    EXPECT_EQ(CDsgLScriptPrinter(utp).PrintLScript(&dc, DotRect(0, 0, 100, 60), &m), 1);
    const CRect cells[] = {{10, 10, 26, 26}, {26, 10, 34, 26}, {10, 26, 26, 42}};
    int inside = 0;
    for (const CRect& c : cells) {
        const int n = CountNot(dc, c, RGB(255, 255, 255));
        EXPECT_GT(n, 0) << c.left << "," << c.top;
        EXPECT_EQ(n, CountColour(dc, c, RGB(0, 0, 0)));  // one ink, no smoothing
        inside += n;
    }
    EXPECT_EQ(CountNot(dc, CRect(0, 0, 120, 80), RGB(255, 255, 255)), inside);
}

TEST_F(LScriptDrawTest, ZoomScalesTheGlyphs) {
    CDC small(200, 100), large(200, 100);
    const TestPage one(1.0), two(2.0);
    CDsgWObj utp = Text(A("가"));
    ASSERT_EQ(CDsgLScriptPrinter(utp).PrintLScript(&small, DotRect(0, 0, 50, 50), &one), 1);
    ASSERT_EQ(CDsgLScriptPrinter(utp).PrintLScript(&large, DotRect(0, 0, 50, 50), &two), 1);
    const int a = CountNot(small, CRect(0, 0, 200, 100), RGB(255, 255, 255));
    const int b = CountNot(large, CRect(0, 0, 200, 100), RGB(255, 255, 255));
    EXPECT_GT(b, 2 * a);
    EXPECT_EQ(CountNot(large, CRect(42, 0, 200, 100), RGB(255, 255, 255)), 0);
    EXPECT_EQ(CountNot(large, CRect(0, 42, 200, 100), RGB(255, 255, 255)), 0);
}

TEST_F(LScriptDrawTest, InversedCellsAndUnderline) {
    CDC dc(80, 60);
    const TestPage m(1.0);
    CDsgWObj utp = Text("A");
    Set(utp, "UTP.is_inversed", "1");
    ASSERT_EQ(CDsgLScriptPrinter(utp).PrintLScript(&dc, DotRect(0, 0, 50, 40), &m), 1);
    // The 8x16 cell at (10, 10) filled one pixel wider on the left and one
    // lower, in the ink; the character in the highlight colour.
    const COLORREF negative = GetDsgGOption().GetNegativeColor();
    const CRect fill(9, 10, 18, 27);
    EXPECT_EQ(CountColour(dc, fill, RGB(0, 0, 0)) + CountColour(dc, fill, negative),
              fill.Width() * fill.Height());
    EXPECT_GT(CountColour(dc, fill, negative), 0);
    EXPECT_EQ(CountNot(dc, CRect(0, 0, 80, 60), RGB(255, 255, 255)), fill.Width() * fill.Height());

    // Underlined: a bar on the cell's last row, 3 pixel past it each side.
    CDC under(80, 60);
    Set(utp, "UTP.is_inversed", "0");
    Set(utp, "UTP.is_underlined", "1");
    ASSERT_EQ(CDsgLScriptPrinter(utp).PrintLScript(&under, DotRect(0, 0, 50, 40), &m), 1);
    EXPECT_EQ(CountColour(under, CRect(7, 25, 21, 26), RGB(0, 0, 0)), 14);
    EXPECT_EQ(under.GetPixel(6, 25), RGB(255, 255, 255));
    EXPECT_EQ(under.GetPixel(21, 25), RGB(255, 255, 255));
}

TEST_F(LScriptDrawTest, WhiteInkAndBold) {
    GetDsgGOption().SetInt(GOPT_CPCINDEX, 1);
    CDC dc(80, 60, RGB(0, 0, 0));
    const TestPage m(1.0);
    CDsgWObj utp = Text(A("한"));
    ASSERT_EQ(CDsgLScriptPrinter(utp).PrintLScript(&dc, DotRect(0, 0, 50, 40), &m), 1);
    const int normal = CountColour(dc, CRect(10, 10, 26, 26), RGB(255, 255, 255));
    EXPECT_GT(normal, 0);

    CDC bold(80, 60, RGB(0, 0, 0));
    Set(utp, "UTP.bstate", "1");
    ASSERT_EQ(CDsgLScriptPrinter(utp).PrintLScript(&bold, DotRect(0, 0, 50, 40), &m), 1);
    EXPECT_GT(CountColour(bold, CRect(10, 10, 26, 26), RGB(255, 255, 255)), normal);
}

TEST_F(LScriptDrawTest, MeasureOnlyAndSizelessPagesDrawNothing) {
    CDsgWObj utp = Text("AB\nC");
    const CRect rect = DotRect(0, 0, 50, 50);
    for (double zoom : {0.0, -1.0, 1.0}) {
        // A page whose LCD has no size, or an LCD of no width.
        if (zoom > 0) GetDsgGOption().SetInt(GOPT_LMWIDTH, 0);
        CDC dc(80, 80);
        const TestPage m(zoom);
        std::vector<std::string> lines;
        EXPECT_EQ(CDsgLScriptPrinter(utp).PrintLScript(&dc, rect, &m, &lines), 0) << zoom;
        EXPECT_EQ(lines, (Lines{"AB", "C"}));  // the layout is still given
        EXPECT_EQ(CountNot(dc, CRect(0, 0, 80, 80), RGB(255, 255, 255)), 0);
    }
    GetDsgGOption().SetInt(GOPT_LMWIDTH, 320);
    CDC dc(80, 80);
    const TestPage m(1.0);
    EXPECT_EQ(CDsgLScriptPrinter(utp).PrintLScript(&dc, rect, &m, nullptr, nullptr, nullptr, TRUE),
              1);
    EXPECT_EQ(CountNot(dc, CRect(0, 0, 80, 80), RGB(255, 255, 255)), 0);
    EXPECT_EQ(CDsgLScriptPrinter(utp).PrintLScript(&dc, rect, nullptr), 0);
}

namespace {

// A PC-font text object over the dots (l, t)-(r, b).
CDsgWObj PText(const std::string& text, LONG l, LONG t, LONG r, LONG b) {
    CDsgWObj wobj;
    wobj.SetNTProps(1, nDSG_WOKIND__WOPTEXT, DotRect(l, t, r, b));
    Set(wobj, "UTP.lscript", text);
    Set(wobj, "UTP.ptface", "Arial");
    Set(wobj, "UTP.ptsize", "12");
    Set(wobj, "UTP.ptwordbreak", "0");
    return wobj;
}

// The first and last column and row holding a pixel of the colour; left is
// -1 when there is none.
CRect ExtentOf(const CDC& dc, COLORREF colour) {
    CRect r(-1, -1, -1, -1);
    const CSize size = dc.GetSize();
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            if (dc.GetPixel(x, y) == colour) {
                if (r.left < 0) r = CRect(x, y, x, y);
                r.left = std::min<LONG>(r.left, x);
                r.right = std::max<LONG>(r.right, x);
                r.bottom = y;
            }
    return r;
}

}  // namespace

TEST_F(LScriptDrawTest, PTextBackgroundUnlessTransparent) {
    const TestPage m(1.0);
    CDsgWObj wobj = PText("Hi", 30, 20, 2, 4);  // stored corner to corner backwards
    Set(wobj, "UTP.pttransparent", "0");
    Set(wobj, "UTP.ptbkcolor", std::to_string(RGB(255, 0, 0)));

    CDC dc(80, 60);
    CDsgLScriptPrinter(wobj).DrawPText(&dc, &m);
    // The normalised rectangle (12, 14)-(40, 30) on the background colour.
    EXPECT_EQ(ExtentOf(dc, RGB(255, 0, 0)), CRect(12, 14, 39, 29));
    const CRect ink = ExtentOf(dc, RGB(0, 0, 0));
    ASSERT_GE(ink.left, 12);
    EXPECT_LE(ink.right, 39);
    EXPECT_GE(ink.top, 14);
    EXPECT_LE(ink.bottom, 29);

    Set(wobj, "UTP.pttransparent", "1");
    CDC clear(80, 60);
    CDsgLScriptPrinter(wobj).DrawPText(&clear, &m);
    EXPECT_EQ(ExtentOf(clear, RGB(255, 0, 0)).left, -1);
    EXPECT_EQ(ExtentOf(clear, RGB(0, 0, 0)), ink);

    // A page without a size draws nothing.
    CDC none(80, 60);
    const TestPage zero(0.0);
    CDsgLScriptPrinter(wobj).DrawPText(&none, &zero);
    EXPECT_EQ(ExtentOf(none, RGB(0, 0, 0)).left, -1);
}

TEST_F(LScriptDrawTest, PTextWordBreakAndCentring) {
    const TestPage m(1.0);
    CDsgWObj wobj = PText("aaa bbb ccc", 0, 0, 40, 60);
    CDC one(80, 80);
    CDsgLScriptPrinter(wobj).DrawPText(&one, &m);
    const CRect single = ExtentOf(one, RGB(0, 0, 0));
    ASSERT_GE(single.left, 0);

    Set(wobj, "UTP.ptwordbreak", "1");
    CDC broken(80, 80);
    CDsgLScriptPrinter(wobj).DrawPText(&broken, &m);
    const CRect lines = ExtentOf(broken, RGB(0, 0, 0));
    EXPECT_GT(lines.bottom, single.bottom + 8);  // more than one line
    EXPECT_LE(lines.right, 49);                  // nothing past the right edge

    // Centred: a short text moves away from the left edge.
    CDsgWObj shortText = PText("ab", 0, 0, 40, 20);
    CDC left(80, 60), centred(80, 60);
    CDsgLScriptPrinter(shortText).DrawPText(&left, &m);
    Set(shortText, "UTP.pthcenter", "1");
    CDsgLScriptPrinter(shortText).DrawPText(&centred, &m);
    const CRect a = ExtentOf(left, RGB(0, 0, 0)), b = ExtentOf(centred, RGB(0, 0, 0));
    EXPECT_GT(b.left, a.left + 10);
    EXPECT_EQ(b.right - b.left, a.right - a.left);

    // An ampersand is text, not a mnemonic mark.
    CDsgWObj amp = PText("&", 0, 0, 40, 20);
    CDC withAmp(80, 60);
    CDsgLScriptPrinter(amp).DrawPText(&withAmp, &m);
    EXPECT_GE(ExtentOf(withAmp, RGB(0, 0, 0)).left, 0);
}
