#include "design/surface/lcdfont.h"

#include <gtest/gtest.h>

#include <memory>

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

constexpr COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255);

// A page at `zoom` pixels per dot with the LCD's top-left corner at (10, 10).
class TestPage : public CDsgCDinateEVMent {
public:
    explicit TestPage(double zoom) {
        m_rcLM = CRect(10, 10, 10 + LONG(320 * zoom), 10 + LONG(240 * zoom));
    }
};

// Pixels of the area in the colour, or with `other` in any other colour.
int Count(const CDC& dc, const CRect& area, COLORREF colour, bool other = false) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) n += (dc.GetPixel(x, y) == colour) != other;
    return n;
}
int Ink(const CDC& dc, const CRect& area) { return Count(dc, area, kWhite, true); }

// The smallest rectangle (inclusive) around the pixels of the colour; left
// -1 when there are none.
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

const CRect kSurface(0, 0, 120, 80);

// Every test starts from, and leaves, the default options.
class LScriptDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetDsgGOption().RemoveAll();
        GetDsgGOption().SetDefaultGOption();
    }
    void TearDown() override { SetUp(); }
    static int Print(CDC& dc, const CDsgWObj& wobj, double zoom, Lines* lines = nullptr,
                     BOOL measureOnly = FALSE) {
        const TestPage page(zoom);
        return CDsgLScriptPrinter(wobj).PrintLScript(&dc, DotRect(0, 0, 100, 60), &page, lines,
                                                     nullptr, nullptr, measureOnly);
    }
    // The text drawn on a surface of the paper colour.
    static std::unique_ptr<CDC> Draw(const CDsgWObj& wobj, double zoom = 1.0,
                                     COLORREF paper = kWhite) {
        auto dc = std::make_unique<CDC>(kSurface.right, kSurface.bottom, paper);
        EXPECT_EQ(Print(*dc, wobj, zoom), 1);
        return dc;
    }
};

}  // namespace

TEST(LCDFontTableTest, CharacterAdvances) {
    // With alnum index 0 the Korean font's half width for any character;
    // otherwise the proportional advance of the font's cell size, checked at
    // 'A' and at '~', the last entry of each list. Outside 32..126 the "?"
    // stands in; a cell size without a table gives -1.
    struct {
        int krn, aln, ch, advance;
        BOOL notFound;
    } cases[] = {{0, 0, 'W', 7, FALSE},  {8, 0, 'W', 25, FALSE},  {4, 0, '\t', 8, FALSE},
                 {9, 0, 'A', -1, FALSE}, {-1, 0, 'A', -1, FALSE}, {1, 2, 'A', 7, FALSE},
                 {0, 1, '~', 7, FALSE},  {3, 1, 'A', 11, FALSE},  {2, 3, '~', 12, FALSE},
                 {7, 1, 'A', 17, FALSE}, {6, 1, '~', 20, FALSE},  {8, 1, 'A', 38, FALSE},
                 {8, 1, '~', 28, FALSE}, {4, 1, ' ', 8, FALSE},   {4, 1, 31, 8, TRUE},
                 {4, 1, '\t', 8, TRUE},  {6, 1, 127, 14, TRUE},   {9, 1, 'A', -1, TRUE}};
    for (const auto& c : cases) {
        BOOL notFound = !c.notFound;
        EXPECT_EQ(GetLCDCharWidth(c.krn, c.aln, c.ch, &notFound), c.advance)
            << c.krn << "/" << c.aln << " " << c.ch;
        EXPECT_EQ(notFound, c.notFound) << c.krn << "/" << c.aln << " " << c.ch;
    }
    EXPECT_EQ(GetLCDFontFace(4), A("굴림"));
    EXPECT_EQ(GetLCDFontFace(9), "");
    EXPECT_EQ(GetLCDFontWidth(9), 0);
    EXPECT_EQ(GetUTPDisplayName("UTP.krnfindex"), "kor_font_index");
}

// Lines break at newlines and at the right edge and are dropped at the
// bottom. Font 4: 8-dot single-byte advances, 16-dot cells and lines; a
// character moves to a new line once x + 12.8 dots passes the right edge.
// Offsets and sizes below are in dots.
TEST(LScriptLayoutTest, LinesOffsetsAndSizes) {
    const std::string ga = A("가"), na = A("나");
    const std::string lone = std::string("AB") + '\xB0';  // ends in half a pair
    const auto R = DotRect;
    const CRect big = R(0, 0, 300, 300);
    struct {
        std::string text;
        int krn, aln;
        CRect rect;
        BOOL singleLine;
        Lines lines;
        Offsets offsets;
        CSize size;
    } cases[] = {
        // clang-format off
        {"AB\nC",     4, 0, R(10, 20, 200, 200), FALSE, {"AB", "C"}, {0, 16}, {16, 32}},
        {"A\n\nB",    4, 0, big, FALSE, {"A", "", "B"}, {0, 16, 32}, {8, 48}},
        {"A\r\nB\n",  4, 0, big, FALSE, {"A", "B"}, {0, 16}, {8, 32}},
        {"",          4, 0, big, FALSE, {}, {}, {0, 0}},
        // Right edge: the fourth character starts at 24 dots.
        {"ABCDE",     4, 0, {0, 0, 368000, 100 * U}, FALSE, {"ABCD", "E"}, {0, 16}, {32, 32}},
        {"ABCDE",     4, 0, {0, 0, 367999, 100 * U}, FALSE, {"ABC", "DE"}, {0, 16}, {24, 32}},
        // Narrower than the break reach: an empty first line, then one per line.
        {"ABC",       4, 0, R(0, 0, 5, 100), FALSE, {"", "A", "B", "C"}, {0, 16, 32, 48}, {8, 48}},
        // Bottom: a line starting at 32 dots would reach 44.8 > 40.
        {"A\nB\nC\nD", 4, 0, R(0, 0, 100, 40), FALSE, {"A", "B"}, {0, 16}, {8, 32}},
        {"ABC",       4, 0, {0, 0, 100 * U, 127999}, FALSE, {}, {}, {0, 0}},
        {"ABC",       4, 0, {0, 0, 100 * U, 128000}, FALSE, {"ABC"}, {0}, {24, 16}},
        // Single line: layout ends where the second line would begin.
        {"AB\nCD",    4, 0, R(0, 0, 100, 100), TRUE, {"AB"}, {0}, {16, 16}},
        {"ABCDEFG",   4, 0, R(0, 0, 40, 100), TRUE, {"ABCD"}, {0}, {32, 16}},
        // Fonts 0 and 1 have 11-dot cells, font 6 24-dot cells.
        {ga + na,     1, 0, big, FALSE, {ga + na}, {0}, {22, 16}},
        {ga + "A",    6, 1, big, FALSE, {ga + "A"}, {0}, {41, 24}},
        // A character the font lacks keeps its place, measured as "?".
        {"A\tB",      4, 1, big, FALSE, {"A\tB"}, {0}, {29, 16}},
        // Font indexes outside 0..8 are held to the nearest font.
        {"A\nB",     12, 0, big, FALSE, {"A", "B"}, {0, 48}, {25, 96}},
        {"A\nB",     -3, 0, big, FALSE, {"A", "B"}, {0, 16}, {7, 32}},
        // A final lone lead byte reads as "?".
        {lone,        4, 0, big, FALSE, {"AB?"}, {0}, {24, 16}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " font " << c.krn);
        Lines lines{"stale"};
        Offsets offsets{-1};
        CSize size(-1, -1);
        const CDsgWObj wobj = Text(c.text, c.krn, c.aln);
        EXPECT_EQ(CDsgLScriptPrinter(wobj).PrintLScript(nullptr, c.rect, nullptr, &lines, &offsets,
                                                        &size, TRUE, c.singleLine),
                  1);
        Offsets expected;
        for (int dots : c.offsets) expected.push_back(dots * U);
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(offsets, expected);
        EXPECT_EQ(size, CSize(c.size.cx * U, c.size.cy * U));
    }
}

TEST_F(LScriptDrawTest, CharactersStayInTheirCells) {
    const auto dc = Draw(Text(A("가") + "A\n" + A("나")));
    // One ink, no smoothing, inside the cells and only there.
    int inside = 0;
    for (const CRect& cell :
         {CRect(10, 10, 26, 26), CRect(26, 10, 34, 26), CRect(10, 26, 26, 42)}) {
        EXPECT_GT(Ink(*dc, cell), 0) << cell.left << "," << cell.top;
        EXPECT_EQ(Ink(*dc, cell), Count(*dc, cell, kBlack));
        inside += Ink(*dc, cell);
    }
    EXPECT_EQ(Ink(*dc, kSurface), inside);
    // At zoom 2 the glyph fills a cell twice the size.
    const auto large = Draw(Text(A("가")), 2.0);
    EXPECT_GT(Ink(*large, kSurface), 2 * Ink(*dc, CRect(10, 10, 26, 26)));
    EXPECT_EQ(Ink(*large, kSurface), Ink(*large, CRect(10, 10, 42, 42)));
}

TEST_F(LScriptDrawTest, InversedUnderlinedBoldAndWhiteInk) {
    // Inversed: the 8x16 cell, one pixel wider on the left and one lower, in
    // the ink; the character in the highlight colour.
    CDsgWObj wobj = Text("A");
    Set(wobj, "UTP.is_inversed", "1");
    auto dc = Draw(wobj);
    const CRect fill(9, 10, 18, 27);
    const COLORREF negative = GetDsgGOption().GetNegativeColor();
    EXPECT_GT(Count(*dc, fill, negative), 0);
    EXPECT_EQ(Count(*dc, fill, kBlack) + Count(*dc, fill, negative), 9 * 17);
    EXPECT_EQ(Ink(*dc, kSurface), 9 * 17);
    // Underlined: a bar on the cell's last row, 3 pixels past it each side.
    Set(wobj, "UTP.is_inversed", "0");
    Set(wobj, "UTP.is_underlined", "1");
    dc = Draw(wobj);
    EXPECT_EQ(ExtentOf(*dc, kBlack).bottom, 25);
    EXPECT_EQ(Count(*dc, CRect(0, 25, 120, 26), kBlack), 14);
    EXPECT_EQ(Count(*dc, CRect(7, 25, 21, 26), kBlack), 14);
    // White ink on a dark page; bold draws more of it.
    GetDsgGOption().SetInt(GOPT_CPCINDEX, 1);
    CDsgWObj hangul = Text(A("한"));
    const CRect cell(10, 10, 26, 26);
    const int normal = Count(*Draw(hangul, 1.0, kBlack), cell, kWhite);
    Set(hangul, "UTP.bstate", "1");
    EXPECT_GT(normal, 0);
    EXPECT_GT(Count(*Draw(hangul, 1.0, kBlack), cell, kWhite), normal);
}

TEST_F(LScriptDrawTest, NothingIsDrawnWithoutAPageSizeOrWhenMeasuring) {
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
    EXPECT_EQ(Print(dc, wobj, 1.0, nullptr, TRUE), 1);
    EXPECT_EQ(Ink(dc, CRect(0, 0, 80, 80)), 0);
}

// Drawn into the object's rectangle, normalised: (12, 14)-(40, 30) here.
TEST_F(LScriptDrawTest, PCText) {
    // The extent of the colour after drawing a 12-point text with the
    // attributes.
    const auto drawn = [](const std::string& text, const CRect& dots,
                          std::vector<std::pair<const char*, std::string>> attrs,
                          COLORREF colour = kBlack) {
        CDsgWObj wobj;
        wobj.SetNTProps(1, nDSG_WOKIND__WOPTEXT, dots);
        attrs.insert(attrs.begin(), {{"lscript", text}, {"ptsize", "12"}, {"ptwordbreak", "0"}});
        for (const auto& [key, value] : attrs) Set(wobj, std::string("UTP.") + key, value);
        CDC dc(80, 80);
        const TestPage page(1.0);
        CDsgLScriptPrinter(wobj).DrawPText(&dc, &page);
        return ExtentOf(dc, colour);
    };
    // On its background colour unless transparent.
    const CRect hi = DotRect(30, 20, 2, 4);
    const std::string red = std::to_string(RGB(255, 0, 0));
    const CRect ink = drawn("Hi", hi, {{"pttransparent", "0"}, {"ptbkcolor", red}});
    EXPECT_EQ(drawn("Hi", hi, {{"pttransparent", "0"}, {"ptbkcolor", red}}, RGB(255, 0, 0)),
              CRect(12, 14, 39, 29));
    EXPECT_GE(ink.left, 12);
    EXPECT_LE(ink.right, 39);
    EXPECT_EQ(drawn("Hi", hi, {{"pttransparent", "1"}, {"ptbkcolor", red}}, RGB(255, 0, 0)).left,
              -1);
    EXPECT_EQ(drawn("Hi", hi, {{"pttransparent", "1"}}), ink);
    // Word breaking makes several lines inside the rectangle; centring moves
    // a short text away from the left edge; ampersands are text, not
    // mnemonic marks.
    const CRect tall = DotRect(0, 0, 40, 60), wide = DotRect(0, 0, 40, 20);
    const CRect broken = drawn("aaa bbb ccc", tall, {{"ptwordbreak", "1"}});
    EXPECT_GT(broken.bottom, drawn("aaa bbb ccc", tall, {}).bottom + 8);
    EXPECT_LE(broken.right, 49);
    EXPECT_GT(drawn("ab", wide, {{"pthcenter", "1"}}).left, drawn("ab", wide, {}).left + 10);
    EXPECT_GT(drawn("&&", wide, {}).right, drawn("&", wide, {}).right);
}
