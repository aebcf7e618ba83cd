#include "design/surface/dsgwodraw.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <climits>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "design/model/dsggoption.h"
#include "design/model/tests/eactionstesting.h"
#include "design/surface/dsgimagescaler.h"
#include "design/surface/dsgimageseams.h"
#include "design/surface/fxmemdc.h"
#include "design/surface/pagecoords.h"
#include "image/raster.h"
#include "platform/testing/testsupport.h"

using namespace std::string_literals;

namespace {

constexpr LONG U = 10000;  // LCD units per dot
constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

// A page at `zoom` pixels per dot with the LCD's top-left corner at (0, 0).
class TestPage : public CDsgCDinateEVMent {
public:
    explicit TestPage(double zoom) { m_rcLM = CRect(0, 0, LONG(320 * zoom), LONG(240 * zoom)); }
};

CDsgWObj MakeWObj(int kind, CRect dots,
                  std::initializer_list<std::pair<const char*, std::string>> utp = {}) {
    CDsgWObj wobj;
    wobj.SetWOId(7);
    wobj.SetWOKind(kind);
    wobj.SetLMHugeRect(dots.left * U, dots.top * U, dots.right * U, dots.bottom * U);
    for (const auto& [key, value] : utp) wobj.GetUTProps().SetString(key, value);
    return wobj;
}

// The area as text, one line per row: '#' for `ink`, '.' for white, '?' for
// anything else.
std::string Picture(const CDC& dc, const CRect& area, COLORREF ink = kBlack) {
    std::string text;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF c = dc.GetPixel(x, y);
            text += c == ink ? '#' : c == kWhite ? '.' : '?';
        }
        text += '\n';
    }
    return text;
}
std::string Rows(std::initializer_list<const char*> rows) {
    std::string text;
    for (const char* row : rows) text += std::string(row) + '\n';
    return text;
}

// Smallest rectangle (right and bottom outside) around the pixels of a colour.
CRect Extent(const CDC& dc, COLORREF color) {
    CRect r(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    for (int y = 0; y < dc.GetSize().cy; ++y)
        for (int x = 0; x < dc.GetSize().cx; ++x)
            if (dc.GetPixel(x, y) == color)
                r = CRect(std::min<LONG>(r.left, x), std::min<LONG>(r.top, y),
                          std::max<LONG>(r.right, x + 1), std::max<LONG>(r.bottom, y + 1));
    return r;
}

class DrawWObjTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetDsgGOption().RemoveAll();
        GetDsgGOption().SetDefaultGOption();
        SetDsgWOPictureRenderer(nullptr);
    }
    void TearDown() override { SetUp(); }
    // Draws the object on a white surface at the zoom.
    std::unique_ptr<CFxMemDC> Draw(const CDsgWObj& wobj, double zoom, int state = 1,
                                   const CDsgWOChoice* choice = nullptr) {
        auto dc = std::make_unique<CFxMemDC>(nullptr, CSize(64, 48));
        const TestPage coords(zoom);
        CDsgWODrawPage page(&coords);
        page.woeState = state;
        page.choice = choice;
        page.charset = &m_charset;
        DrawWObj(wobj, dc.get(), page);
        return dc;
    }
    CDtrGGJPixel m_charset;
};

// Shapes and lines, exact to the pixel at 100 % and 200 %.
struct ShapeCase {
    const char* name;
    double zoom;
    CDsgWObj wobj;
    CRect area;
    std::string expected;
};

TEST_F(DrawWObjTest, ShapesCoverTheirPixels) {
    const ShapeCase cases[] = {
        {"solid box, size 0 spacing 0",
         1,
         MakeWObj(2, {1, 1, 4, 3}),
         {0, 0, 6, 5},
         Rows({"......", ".####.", ".#..#.", ".####.", "......"})},
        {"solid box at 200 %",
         2,
         MakeWObj(2, {1, 1, 4, 3}),
         {0, 0, 11, 9},
         Rows({"...........", "...........", "..########.", "..########.", "..##....##.",
               "..##....##.", "..########.", "..########.", "..........."})},
        {"dotted box, spacing 2",
         1,
         MakeWObj(2, {0, 0, 6, 4}, {{"UTP.dtspace", "2"}}),
         {0, 0, 8, 6},
         Rows({"#.#.#.#.", "........", "#.....#.", "........", "#.#.#.#.", "........"})},
        {"dotted box at 200 %: 2-pixel dashes",
         2,
         MakeWObj(2, {0, 0, 3, 1}, {{"UTP.dtspace", "2"}}),
         {0, 0, 10, 5},
         Rows({".##..##...", "###..###..", "###..###..", ".##..##...", ".........."})},
        {"dotted line: dash, gap, flat caps",
         1,
         MakeWObj(3, {0, 2, 10, 2}, {{"UTP.dtsize", "1"}, {"UTP.dtspace", "4"}}),
         {0, 0, 12, 4},
         Rows({"............", "##..##..##..", "##..##..##..", "............"})},
        {"dotted line at 200 %",
         2,
         MakeWObj(3, {0, 1, 5, 1}, {{"UTP.dtspace", "2"}}),
         {0, 0, 12, 4},
         Rows({"............", "##..##..##..", "##..##..##..", "............"})},
        {"line with spacing below the dot size is solid",
         1,
         MakeWObj(3, {2, 3, 8, 3}, {{"UTP.dtsize", "3"}, {"UTP.dtspace", "2"}}),
         {0, 0, 11, 6},
         Rows({"...........", "##########.", "##########.", "##########.", "##########.",
               "..........."})},
        {"filled box takes the +1",
         1,
         MakeWObj(5, {3, 2, 1, 1}),
         {0, 0, 5, 4},
         Rows({".....", ".###.", ".###.", "....."})},
        {"filled box at 200 %",
         2,
         MakeWObj(5, {1, 1, 2, 2}),
         {0, 0, 7, 7},
         Rows({".......", ".......", "..###..", "..###..", "..###..", ".......", "......."})},
        {"filled ellipse",
         1,
         MakeWObj(7, {0, 0, 4, 4}),
         {0, 0, 6, 6},
         Rows({".###..", "#####.", "#####.", "#####.", ".###..", "......"})},
        {"filled ellipse at 200 %",
         2,
         MakeWObj(7, {0, 0, 2, 2}),
         {0, 0, 6, 6},
         Rows({".###..", "#####.", "#####.", "#####.", ".###..", "......"})},
        {"ellipse outline",
         1,
         MakeWObj(6, {0, 0, 4, 4}),
         {0, 0, 6, 6},
         Rows({".###..", "#...#.", "#...#.", "#...#.", ".###..", "......"})},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Picture(*Draw(c.wobj, c.zoom), c.area), c.expected);
    }
}

TEST_F(DrawWObjTest, DefinableCharactersDrawTheirInkAsSquares) {
    auto character = std::make_unique<CDtrGJPixel>();
    character->GJPClear();
    character->nccode = 0xDB30;
    for (int index : {0, 3 + 16 * 1, 15 + 16 * 15}) character->SetJPixel(index, 0);
    character->SetJPixel(5, 0x123456);  // neither ink nor blank: blank
    m_charset.AddGJPixel(std::move(character));
    const CDsgWObj wobj = MakeWObj(11, {2, 2, 18, 18}, {{"UTP.dirncachar", "56112"}});

    const auto at100 = Draw(wobj, 1);
    EXPECT_EQ(Picture(*at100, {2, 2, 8, 4}), Rows({"#.....", "...#.."}));
    EXPECT_EQ(at100->GetPixel(17, 17), kBlack);

    const auto at200 = Draw(wobj, 2);
    EXPECT_EQ(Picture(*at200, {4, 4, 12, 8}),
              Rows({"##......", "##......", "......##", "......##"}));
    EXPECT_EQ(Picture(*at200, {34, 34, 37, 37}), Rows({"##.", "##.", "..."}));
}

TEST_F(DrawWObjTest, MissingCharacterShowsItsOutlineAndIsLogged) {
    const eatesting::ReasonLog log;
    const auto dc = Draw(MakeWObj(11, {0, 0, 6, 4}, {{"UTP.dirncachar", "56113"}}), 1);
    EXPECT_EQ(Picture(*dc, {0, 0, 7, 5}, nDSG_PHCOLOR__WODNCHAR),
              Rows({"#.#.#.#", ".......", "#.....#", ".......", "#.#.#.#"}));
    EXPECT_NE(log.Text().find("Cannot get GJPixel by 56113 in CDsgWObj::DrawWObj"),
              std::string::npos);
}

// Every placeholder is the same dotted one-pixel outline in its colour.
TEST_F(DrawWObjTest, EmptyObjectsShowColouredPlaceholders) {
    struct Case {
        int kind;
        std::initializer_list<std::pair<const char*, std::string>> utp;
        COLORREF color;
    };
    const Case cases[] = {
        {4, {}, 0x5AC8BE},                          // text without script
        {8, {}, 0xD25078},                          // image without picture
        {10, {{"UTP.wonstyle", "0"}}, 0xD28CD2},    // menu without frame
        {11, {{"UTP.dirncachar", "1"}}, 0xABA578},  // character not in the set
        {12, {{"UTP.ptcontent", "pc"}}, 0xD663F3},  // PC text without script
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const auto dc = Draw(MakeWObj(c.kind, {0, 0, 6, 4}, c.utp), 1);
        EXPECT_EQ(Picture(*dc, {0, 0, 7, 5}, c.color),
                  Rows({"#.#.#.#", ".......", "#.....#", ".......", "#.#.#.#"}));
    }
}

TEST_F(DrawWObjTest, MenuFramesByStyle) {
    struct Case {
        const char* style;
        std::string expected;  // black pixels
    };
    const Case cases[] = {
        {"1", Rows({"##########", "#........#", "#........#", "#........#", "#........#",
                    "##########"})},
        {"2", Rows({"########..", "#......#..", "#......###", "##########", "..########",
                    "..########"})},
        {"0", Rows({"..........", "..........", "..........", "..........", "..........",
                    ".........."})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        const auto dc = Draw(MakeWObj(10, {0, 0, 9, 5}, {{"UTP.wonstyle", c.style}}), 1);
        std::string black = Picture(*dc, {0, 0, 10, 6});
        std::replace(black.begin(), black.end(), '?', '.');
        EXPECT_EQ(black, c.expected);
    }
}

TEST_F(DrawWObjTest, MenuNumberLandsAtItsCornerExceptWhileMoving) {
    const COLORREF numberColor = 0x782F2F;  // 0xF05F5F darkened by half
    const CDsgWObj menu =
        MakeWObj(10, {10, 5, 40, 30}, {{"UTP.wonstyle", "0"}, {"UTP.wonorder", "42"}});
    const CRect ink = Extent(*Draw(menu, 1), numberColor);
    ASSERT_LT(ink.left, ink.right);
    EXPECT_GE(ink.left, 12);
    EXPECT_GE(ink.top, 7);
    EXPECT_LE(ink.right, 12 + 20);
    EXPECT_LE(ink.bottom, 7 + 15);
    for (int state : {7, 8, 9})
        EXPECT_EQ(Extent(*Draw(menu, 1, state), numberColor).left, INT_MAX) << state;
}

TEST_F(DrawWObjTest, TextLandsInsideItsBox) {
    // An LCD text from its top-left corner; a menu title in the middle.
    const auto text = Draw(MakeWObj(4, {4, 4, 60, 40}, {{"UTP.lscript", "AB"}}), 1);
    const CRect ink = Extent(*text, kBlack);
    ASSERT_LT(ink.left, ink.right);
    EXPECT_GE(ink.left, 3);
    EXPECT_GE(ink.top, 4);
    EXPECT_LE(ink.right, 4 + 16);
    EXPECT_LE(ink.bottom, 4 + 16);

    const auto title =
        Draw(MakeWObj(10, {0, 0, 60, 40}, {{"UTP.wonstyle", "0"}, {"UTP.lscript", "AB"}}), 1);
    const CRect middle = Extent(*title, kBlack);
    ASSERT_LT(middle.left, middle.right);
    EXPECT_GE(middle.left, 30 - 7 - 2);
    EXPECT_LE(middle.right, 30 + 7 + 2);
    EXPECT_GE(middle.top, 20 - 8 - 1);
    EXPECT_LE(middle.bottom, 20 + 8 + 1);

    const auto pc = Draw(MakeWObj(12, {4, 4, 60, 40}, {{"UTP.lscript", "pc"}}), 1);
    const CRect pcInk = Extent(*pc, kBlack);
    ASSERT_LT(pcInk.left, pcInk.right);
    EXPECT_GE(pcInk.left, 4);
    EXPECT_LE(pcInk.right, 62);
    EXPECT_GE(pcInk.top, 4);
    EXPECT_LE(pcInk.bottom, 42);
}

// A tampered form's dot size and spacing draw as the largest (or smallest)
// the designer offers.
TEST_F(DrawWObjTest, DotSizeAndSpacingAreHeldForDrawing) {
    auto box = [](const char* size, const char* space) {
        return MakeWObj(2, {2, 2, 20, 20}, {{"UTP.dtsize", size}, {"UTP.dtspace", space}});
    };
    const std::string limit = Picture(*Draw(box("25", "25"), 1), {0, 0, 64, 48});
    EXPECT_EQ(Picture(*Draw(box("10000000", "10000000"), 1), {0, 0, 64, 48}), limit);
    const std::string solid = Picture(*Draw(box("0", "1"), 2), {0, 0, 64, 48});
    EXPECT_EQ(Picture(*Draw(box("-10000000", "-5"), 2), {0, 0, 64, 48}), solid);
    EXPECT_EQ(box("10000000", "1").GetUTProps().GetString("UTP.dtsize"), "10000000");
}

// Decodes a picture as 4 x 2 pixels of the colour in its first two bytes,
// counting the decodes.
class FakeRenderer : public CDsgWOPictureRenderer {
public:
    QImage DecodeWOPicture(const BYTE* bytes, std::size_t length, int bpp) override {
        ++decodes;
        lastBpp = bpp;
        if (length < 2) return {};
        QImage picture(4, 2, QImage::Format_RGB32);
        picture.fill(ToQRgb(RGB(bytes[0], bytes[1], 0)));
        return picture;
    }
    int decodes = 0;
    int lastBpp = 0;
};

CDsgWObj Image(const std::string& bytes, const char* keepRatio = "1") {
    CDsgWObj wobj = MakeWObj(8, {0, 0, 9, 9}, {{"UTP.keep_xyratio", keepRatio}});
    CRevolver picture;
    picture.Append(bytes.data(), static_cast<int>(bytes.size()));
    wobj.GetUTProps().SetRevolver("UTP.obwbmp", picture);
    return wobj;
}

TEST_F(DrawWObjTest, PicturesAreKeptByContentAndDepth) {
    FakeRenderer renderer;
    SetDsgWOPictureRenderer(&renderer);
    const COLORREF red = RGB(200, 0, 0), green = RGB(0, 200, 0);
    // Aspect kept: 4 x 2 in a 10 x 10 box is 10 x 5; stretched, the box.
    EXPECT_EQ(Extent(*Draw(Image("\xC8\x00xx"s), 1), red), CRect(0, 0, 10, 5));
    EXPECT_EQ(Extent(*Draw(Image("\xC8\x00xx"s, "0"), 1), red), CRect(0, 0, 10, 10));
    EXPECT_EQ(renderer.decodes, 1);  // a rebuilt object finds its picture again
    // Another picture of the same size is decoded and shown.
    EXPECT_EQ(Extent(*Draw(Image("\x00\xC8xx"s), 1), green), CRect(0, 0, 10, 5));
    EXPECT_EQ(renderer.decodes, 2);
    // Another depth is decoded anew.
    GetDsgGOption().SetInt(GOPT_EPUSFTYPE, 1);
    Draw(Image("\xC8\x00xx"s), 1);
    EXPECT_EQ(renderer.decodes, 3);
    EXPECT_EQ(renderer.lastBpp, 8);

    // A chosen picture being moved or resized, one that does not decode, and
    // any picture without a renderer show the outline only.
    struct Choice : CDsgWOChoice {
        CDsgWObj* GetWOChoiceWObj(int) const override { return nullptr; }
        void SetWOChoiceEState(int) override {}
    } choice;
    choice.WOChoose(7);
    EXPECT_EQ(Extent(*Draw(Image("\xC8\x00xx"s), 1, 8, &choice), 0xD25078), CRect(0, 0, 10, 10));
    EXPECT_EQ(Extent(*Draw(Image("\xC8\x00xx"s), 1, 9, &choice), red).left, INT_MAX);
    EXPECT_EQ(Extent(*Draw(Image("\xC8\x00xx"s), 1, 3, &choice), red), CRect(0, 0, 10, 5));
    EXPECT_EQ(Extent(*Draw(Image("x"), 1), 0xD25078), CRect(0, 0, 10, 10));
    SetDsgWOPictureRenderer(nullptr);
    EXPECT_EQ(Extent(*Draw(Image("\xC8\x00xx"s), 1), 0xD25078), CRect(0, 0, 10, 10));
}

// The image library behind the seams, as the design library registers it:
// a BMP written by Qt is decoded, reduced to the LCD's palette and drawn
// stretched pixel for pixel; a thumbnail keeps a uniform form exactly.
TEST_F(DrawWObjTest, TheImageLibraryDrawsPicturesAndScalesThumbnails) {
    RegisterDsgImageSeams();
    ASSERT_NE(GetDsgWOPictureRenderer(), nullptr);
    ASSERT_TRUE(GetDsgImageScaler());
    // 2 x 2 of colours in both standard palettes, red at the top left.
    const COLORREF red = RGB(255, 0, 0), lime = RGB(0, 255, 0), blue = RGB(0, 0, 255);
    QImage source(2, 2, QImage::Format_RGB32);
    source.setPixel(0, 0, ToQRgb(red));
    source.setPixel(1, 0, ToQRgb(lime));
    source.setPixel(0, 1, ToQRgb(blue));
    source.setPixel(1, 1, ToQRgb(kWhite));
    QByteArray bmp;
    QBuffer buffer(&bmp);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && source.save(&buffer, "BMP"));
    for (const int depth : {0, 1}) {
        SCOPED_TRACE(depth);
        GetDsgGOption().SetInt(GOPT_EPUSFTYPE, depth);
        const auto dc = Draw(Image(bmp.toStdString(), "0"), 1);
        EXPECT_EQ(Extent(*dc, red), CRect(0, 0, 5, 5));
        EXPECT_EQ(Extent(*dc, lime), CRect(5, 0, 10, 5));
        EXPECT_EQ(Extent(*dc, blue), CRect(0, 5, 5, 10));
        EXPECT_EQ(Picture(*dc, {5, 5, 10, 10}),
                  Rows({".....", ".....", ".....", ".....", "....."}));
    }
    // Pictures of 1, 4 and 8 bits whose palettes hold colours the LCD lacks
    // show in the LCD's palette at either depth, as deeper pictures do.
    for (const DWORD bits : {1u, 4u, 8u}) {
        CRaster own;
        ASSERT_NE(own.Create(2, 2, bits, RASTER_FORMAT_BMP), nullptr);
        own.SetPaletteColor(0, RGB(200, 10, 30));
        own.SetPaletteColor(1, RGB(5, 250, 9));
        for (LONG y = 0; y < 2; ++y)
            for (LONG x = 0; x < 2; ++x) own.SetPixelIndex(x, y, BYTE((x + y) % 2));
        BYTE* encoded = nullptr;
        LONG length = 0;
        ASSERT_TRUE(own.Encode(encoded, length, RASTER_FORMAT_BMP));
        const std::string bytes(reinterpret_cast<const char*>(encoded), size_t(length));
        own.FreeMemory(encoded);
        for (const int depth : {0, 1}) {
            SCOPED_TRACE(std::to_string(bits) + " bits on depth " + std::to_string(depth));
            GetDsgGOption().SetInt(GOPT_EPUSFTYPE, depth);
            CRaster lcd;
            ASSERT_NE(lcd.Create(1, 1, depth == 1 ? 8 : 4), nullptr);
            lcd.SetStdPalette();
            std::set<COLORREF> palette;
            for (int i = 0; i < (depth == 1 ? 256 : 16); ++i) {
                const RGBQUAD q = lcd.GetPaletteColor(BYTE(i));
                palette.insert(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
            }
            const auto dc = Draw(Image(bytes, "0"), 1);
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 10; ++x)
                    ASSERT_EQ(palette.count(dc->GetPixel(x, y)), 1u) << x << "," << y;
        }
    }
    // Bytes that are no BMP show the outline.
    EXPECT_EQ(Extent(*Draw(Image("BMxxxxxxxx"), 1), 0xD25078), CRect(0, 0, 10, 10));

    QImage form(320, 240, QImage::Format_RGB32);
    form.fill(ToQRgb(RGB(40, 90, 160)));
    QImage thumb;
    ASSERT_TRUE(GetDsgImageScaler()(form, 55, 41, thumb));
    ASSERT_EQ(thumb.size(), QSize(55, 41));
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 55; ++x)
            ASSERT_EQ(thumb.pixel(x, y) & 0xFFFFFF, ToQRgb(RGB(40, 90, 160)) & 0xFFFFFF)
                << x << "," << y;
}

// The image panel's side of the renderer: picture files of any known format
// read by their content whatever their name, stored as BMP bytes with their
// pixels as they were, or resampled to the size asked for.
TEST(PictureFileSeamTest, FilesReadByContentAndStoreAsBmp) {
    RegisterDsgImageSeams();
    CDsgWOPictureRenderer& renderer = *GetDsgWOPictureRenderer();
    const std::string dir = testsupport::MakeTempFolder("pictures");
    QImage colours(7, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) colours.setPixel(x, y, qRgb(x * 36, y * 100, 255 - x * 9));
    QImage indexed(5, 4, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(200, 10, 30), qRgb(5, 250, 9)});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) indexed.setPixel(x, y, static_cast<uint>((x + y) % 3));
    const QImage mono = colours.convertToFormat(QImage::Format_Mono);
    QImage uniform(40, 30, QImage::Format_RGB32);
    uniform.fill(qRgb(40, 90, 160));
    const auto own = [](const CSize& size) { return size; };
    const auto quarter = [](const CSize& size) { return CSize(size.cx / 4, size.cy / 4); };

    struct Case {
        const char* name;
        QImage picture;  // null: the bytes below
        std::string bytes;
        std::function<CSize(const CSize&)> fit;
        QSize stored;  // empty: refused
    };
    const std::vector<Case> cases = {
        {"24 bits, named .png", colours, "", own, {7, 3}},
        {"palette", indexed, "", own, {5, 4}},
        {"one bit", mono, "", own, {7, 3}},
        {"no fit given", colours, "", {}, {7, 3}},
        {"shrunk", uniform, "", quarter, {10, 7}},
        {"fitted to nothing", colours, "", quarter, {}},
        {"text", {}, "just some words", own, {}},
        {"cut BMP header", {}, std::string("BM\x10\0\0\0", 6), own, {}},
        {"empty", {}, "", own, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/picture.png";
        if (c.picture.isNull())
            testsupport::WriteFileBytes(path, c.bytes);
        else
            ASSERT_TRUE(c.picture.save(QString::fromStdString(path), "BMP"));
        std::vector<BYTE> bmp = {1, 2, 3};
        CSize size(-1, -1);
        const bool loaded = renderer.LoadWOPictureFile(path, c.fit, bmp, size);
        if (c.stored.isEmpty()) {
            EXPECT_FALSE(loaded);
            continue;
        }
        ASSERT_TRUE(loaded);
        EXPECT_EQ(size, CSize(c.stored.width(), c.stored.height()));
        QImage back;
        ASSERT_TRUE(back.loadFromData(bmp.data(), static_cast<int>(bmp.size()), "BMP"));
        ASSERT_EQ(back.size(), c.stored);
        const bool same = c.stored == c.picture.size();
        for (int y = 0; y < back.height(); ++y)
            for (int x = 0; x < back.width(); ++x)
                ASSERT_EQ(back.pixel(x, y) & 0xFFFFFF,
                          (same ? c.picture.pixel(x, y) : c.picture.pixel(0, 0)) & 0xFFFFFF)
                    << x << "," << y;
    }
    std::vector<BYTE> bmp;
    CSize size;
    EXPECT_FALSE(renderer.LoadWOPictureFile(dir + "/missing.bmp", own, bmp, size));
}

// Damaged forms draw without harm: rectangles at the ends of the range,
// wild attributes, a lone lead byte and unknown kinds.
TEST_F(DrawWObjTest, DamagedObjectsDrawWithoutHarm) {
    const CRect rects[] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                           {INT_MAX, INT_MAX, INT_MIN, INT_MIN},
                           {INT_MIN, 0, INT_MIN, 0},
                           {0, 0, INT_MAX, 5 * U}};
    for (int kind : {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 99, INT_MAX}) {
        for (const CRect& rect : rects) {
            for (const char* wild : {"2147483647", "-2147483648", "\x81"}) {
                CDsgWObj wobj = Image("BM\x81");
                wobj.SetWOKind(kind);
                wobj.SetLMHugeRect(rect);
                for (const char* key :
                     {"UTP.dtsize", "UTP.dtspace", "UTP.krnfindex", "UTP.alnfindex", "UTP.bstate",
                      "UTP.wonstyle", "UTP.wonorder", "UTP.dirncachar", "UTP.ptsize",
                      "UTP.ptbkcolor", "UTP.cswitch", "UTP.pttransparent"})
                    wobj.GetUTProps().SetString(key, wild);
                wobj.GetUTProps().SetString("UTP.lscript", std::string("A\x81", 2));
                Draw(wobj, 2);
            }
        }
    }
}

}  // namespace
