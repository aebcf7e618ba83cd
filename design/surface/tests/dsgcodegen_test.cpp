#include "design/surface/dsgcodegen.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "chareditor/dtrgjpixel.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsgwobjs.h"
#include "foundation/fxrevpropstore.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/textcodec.h"

namespace {

constexpr LONG U = 10000;  // LCD units per dot

using Attrs = std::vector<std::pair<const char*, std::string>>;

const Attrs kFigure = {{"UTP.cswitch", "1"}, {"UTP.dtspace", "0"}, {"UTP.dtsize", "0"}};

Attrs TextAttrs(const std::string& script, const std::string& krn = "4",
                const std::string& aln = "0") {
    return {{"UTP.lscript", script}, {"UTP.krnfindex", krn},   {"UTP.alnfindex", aln},
            {"UTP.bstate", "0"},     {"UTP.is_inversed", "0"}, {"UTP.is_underlined", "0"}};
}

Attrs MenuAttrs(const std::string& title, const std::string& order = "3") {
    Attrs attrs = TextAttrs(title);
    attrs.push_back({"UTP.wonorder", order});
    attrs.push_back({"UTP.wonstyle", "1"});
    return attrs;
}

// One object with exactly the given attributes.
CDsgWObj Obj(int kind, const CRect& rect, const Attrs& attrs = {}) {
    CDsgWObj wobj;
    wobj.GetNTProps().SetNTProps(1, kind, rect);
    wobj.GetUTProps().RemoveAll();
    for (const auto& [key, value] : attrs) wobj.GetUTProps().SetString(key, value);
    return wobj;
}

std::string Statement(const CDsgWObj& wobj, const CDsgNCCodeSet& defined = {},
                      const CDsgRGCKTexts& emitted = {}) {
    return GetGCKBasicAGCommand(wobj, defined, emitted);
}

// A form built as the designer builds one: an edit-action list of creations.
struct Form {
    CDsgEActions actions;
    int counter = 0;

    Form() { actions.SetSPIndex(0); }

    void Add(int kind, const CRect& rect, const Attrs& attrs) {
        auto create = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        ASSERT_TRUE(create->InitWOCreation(counter, kind, rect, CDsgUTProps(), FALSE));
        CDsgUTProps& ut = create->m_tprops.GetUTProps();
        ut.RemoveAll();
        for (const auto& [key, value] : attrs) ut.SetString(key, value);
        ASSERT_TRUE(actions.EAAdd(std::move(create)));
    }

    std::string Sub(const std::string& name, const CDtrGGJPixel& charset, BOOL isolate = FALSE,
                    CDsgNCCodeSet* projectUsed = nullptr) const {
        CDsgWObjs wobjs;
        EXPECT_TRUE(wobjs.WObjsFromEActions(actions, FALSE));
        CDsgNCCodeSet defined;
        charset.GetNCCodeMap(defined);
        std::string out = "untouched";
        EXPECT_TRUE(GetSPGCommands(wobjs, name, isolate, charset, defined, projectUsed, out));
        return out;
    }
};

// A character with ink at the given cells (x, y).
void AddChar(CDtrGGJPixel& charset, int code, const std::vector<std::pair<int, int>>& ink = {}) {
    auto character = std::make_unique<CDtrGJPixel>();
    character->nccode = code;
    for (const auto& [x, y] : ink) character->SetJPixel(x + 16 * y, CDtrGJPixel::GJP_INK);
    charset.AddGJPixel(std::move(character));
}

// The DEFCHR statement of a blank character.
std::string BlankDEFCHR(const std::string& hex) {
    const std::string eight = "&H00,&H00,&H00,&H00,&H00,&H00,&H00,&H00";
    return "\tDEFCHR &H" + hex + ",_\r\n\t  " + eight + ",_\r\n\t  " + eight + ",_\r\n\t  " +
           eight + ",_\r\n\t  " + eight;
}

}  // namespace

// ---- Registers ---------------------------------------------------------------

TEST(CodeGenRegisterTest, StatementsDefaultsAndSignatures) {
    const CDsgWObj text = Obj(nDSG_WOKIND__WOTEXT, CRect(),
                              {{"UTP.krnfindex", "6"},
                               {"UTP.alnfindex", "1"},
                               {"UTP.bstate", "3"},
                               {"UTP.is_inversed", "1"},
                               {"UTP.is_underlined", "0"},
                               {"UTP.dtspace", "2"},
                               {"UTP.dtsize", "1"},
                               {"UTP.cswitch", "0"}});
    EXPECT_EQ(GetRGCKCommand(text, "RGCK.fontkind"), "FONT 6,1");
    EXPECT_EQ(GetRGCKCommand(text, "RGCK.linestyle"), "LINESTYLE 2");
    EXPECT_EQ(GetRGCKCommand(text, "RGCK.dotsize"), "DOTSIZE 1,0");
    EXPECT_EQ(GetRGCKCommand(text, "RGCK.style"), "STYLE 3,1,0");
    EXPECT_EQ(GetRGCKCommand(text, "RGCK.color"), "COLOR 0");
    EXPECT_EQ(GetRGCKCommand(text, "RGCK.other"), "");

    EXPECT_EQ(GetRGCKDefault("RGCK.other"), "");

    // Missing attributes give empty values.
    const CDsgWObj bare = Obj(nDSG_WOKIND__WOTEXT, CRect());
    EXPECT_EQ(GetRGCKCommand(bare, "RGCK.style"), "STYLE ,,");
    EXPECT_EQ(GetRGCKCommand(bare, "RGCK.fontkind"), "FONT ,");

    EXPECT_EQ(GetRGCKSignature(text, "RGCK.other"), "");
    EXPECT_NE(GetRGCKSignature(text, "RGCK.style"), GetRGCKSignature(bare, "RGCK.style"));
    // Values that only run together differently are different signatures.
    const CDsgWObj a =
        Obj(nDSG_WOKIND__WOTEXT, CRect(),
            {{"UTP.bstate", ""}, {"UTP.is_inversed", "1"}, {"UTP.is_underlined", "0"}});
    const CDsgWObj b =
        Obj(nDSG_WOKIND__WOTEXT, CRect(),
            {{"UTP.bstate", "1"}, {"UTP.is_inversed", "0"}, {"UTP.is_underlined", ""}});
    EXPECT_NE(GetRGCKSignature(a, "RGCK.style"), GetRGCKSignature(b, "RGCK.style"));
}

TEST(CodeGenRegisterTest, ChangedRegistersFollowTheSignatureMap) {
    CDsgRGCKTexts signatures;
    CFxKeySet changed = {"stale"};
    const CDsgWObj box = Obj(nDSG_WOKIND__WOBOX, CRect(), kFigure);
    GetChangedRGCKKeys(box, changed, signatures);
    EXPECT_EQ(changed, (CFxKeySet{"RGCK.color", "RGCK.dotsize", "RGCK.linestyle"}));
    EXPECT_EQ(signatures.size(), 3u);

    // The same values again: nothing changes.
    const CDsgWObj ellipse = Obj(nDSG_WOKIND__WOELLIPSE, CRect(), kFigure);
    GetChangedRGCKKeys(ellipse, changed, signatures);
    EXPECT_TRUE(changed.empty());

    // A filled box only has the colour register.
    const CDsgWObj fbox =
        Obj(nDSG_WOKIND__WOFBOX, CRect(), {{"UTP.cswitch", "0"}, {"UTP.dtspace", "5"}});
    GetChangedRGCKKeys(fbox, changed, signatures);
    EXPECT_EQ(changed, (CFxKeySet{"RGCK.color"}));
    EXPECT_EQ(signatures["RGCK.color"], GetRGCKSignature(fbox, "RGCK.color"));

    // Kinds without registers leave the set empty and the map alone.
    for (int kind : {nDSG_WOKIND__WOIMAGE, nDSG_WOKIND__WODNCHAR, nDSG_WOKIND__WOPTEXT,
                     nDSG_WOKIND__WOJCLIP, 0, 49, 50, -1}) {
        changed = {"stale"};
        GetChangedRGCKKeys(Obj(kind, CRect(), kFigure), changed, signatures);
        EXPECT_TRUE(changed.empty()) << kind;
    }
    EXPECT_EQ(signatures.size(), 3u);

    const CDsgWObj menu = Obj(nDSG_WOKIND__WOMENU, CRect(), MenuAttrs("A"));
    GetChangedRGCKKeys(menu, changed, signatures);
    EXPECT_EQ(changed, (CFxKeySet{"RGCK.fontkind", "RGCK.style"}));
}

// ---- Statements of the figures -------------------------------------------------

TEST(CodeGenStatementTest, FiguresFromTheirDotRectangles) {
    const CRect r(100000, 200000, 1000000, 500000);
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOBOX, r)), "BOX 10,20,100,50");
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOFBOX, r)), "BOXFILL 10,20,100,50,0");
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOLINE, r)), "LINE 10,20,100,50");
    // Centre and radii truncate: (11+100)/2 = 55, (100-11)/2 = 44.
    const CRect odd(110000, 210000, 1000000, 500000);
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOELLIPSE, odd)), "ELLIPSE 55,35,44,14");
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOFELLIPSE, odd)), "ELFILL 55,35,44,14");

    // Kinds that draw nothing in BASIC.
    for (int kind :
         {nDSG_WOKIND__WOIMAGE, nDSG_WOKIND__WOPTEXT, nDSG_WOKIND__WOJCLIP, 0, 1, 9, 14, -3})
        EXPECT_EQ(Statement(Obj(kind, r, TextAttrs("X"))), "") << kind;
}

TEST(CodeGenStatementTest, ReversedAndNegativeCoordinates) {
    // Right of left and below bottom swapped for every kind but the line.
    const CRect reversed(1000000, 500000, 100000, 100000);
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOBOX, reversed)), "BOX 10,10,100,50");
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOFBOX, reversed)), "BOXFILL 10,10,100,50,0");
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOELLIPSE, reversed)), "ELLIPSE 55,30,45,20");
    // A line drawn right to left keeps its direction.
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOLINE, reversed)), "LINE 100,50,10,10");

    // Truncation toward zero: -0.5 dot is 0, -1.5 dots is -1, just under two
    // dots is 1.
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOBOX, CRect(-5000, -15000, 19999, 20000))),
              "BOX 0,-1,1,2");
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOLINE, CRect(19999, -15000, -5000, -25000))),
              "LINE 1,-1,0,-2");
    // Normalised after the division: -1.5 and -0.5 dots swap as -1 and 0.
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOBOX, CRect(-5000, 0, -15000, 10000))), "BOX -1,0,0,1");
    // Centre and radius of a negative span truncate toward zero.
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOFELLIPSE, CRect(-50000, -30000, 0, 0))),
              "ELFILL -2,-1,2,1");
}

// ---- LCD text --------------------------------------------------------------------

TEST(CodeGenTextTest, LinesBrokenAtNewlinesRightEdgeAndBottom) {
    // Font 4: 16-dot lines, 8-dot single-byte advances.
    // Newlines; an empty line still takes its height but writes nothing.
    CDsgWObj text =
        Obj(nDSG_WOKIND__WOTEXT, CRect(100000, 200000, 1000000, 1000000), TextAttrs("AB\r\n\nCD"));
    std::vector<std::string> lines;
    std::vector<int> offsets;
    GetWOTextLines(text, lines, offsets);
    EXPECT_EQ(lines, (std::vector<std::string>{"AB", "", "CD"}));
    EXPECT_EQ(offsets, (std::vector<int>{0, 160000, 320000}));
    EXPECT_EQ(Statement(text),
              "GLOCATE 10,20\r\n\tGPRINT \"AB\"\r\n\tGLOCATE 10,52\r\n\tGPRINT \"CD\"");

    // The right edge: 30 dots wide takes "ABC" (x + 12.8 dots passes 30 at
    // the fourth character), the rest goes on below.
    text = Obj(nDSG_WOKIND__WOTEXT, CRect(0, 0, 300000, 1000000), TextAttrs("ABCDEFG"));
    EXPECT_EQ(Statement(text),
              "GLOCATE 0,0\r\n\tGPRINT \"ABC\"\r\n\tGLOCATE 0,16\r\n\tGPRINT "
              "\"DEF\"\r\n\tGLOCATE 0,32\r\n\tGPRINT \"G\"");

    // The bottom: 30 dots high holds two lines' starts (16 + 12.8 < 30), the
    // third line is dropped.
    text = Obj(nDSG_WOKIND__WOTEXT, CRect(0, 0, 1000000, 300000), TextAttrs("1\n2\n3\n4"));
    EXPECT_EQ(Statement(text), "GLOCATE 0,0\r\n\tGPRINT \"1\"\r\n\tGLOCATE 0,16\r\n\tGPRINT \"2\"");

    // Stored bottom-up and right-to-left: laid out in the normalised box.
    text = Obj(nDSG_WOKIND__WOTEXT, CRect(1000000, 1000000, 100000, 200000), TextAttrs("A\nB"));
    EXPECT_EQ(Statement(text),
              "GLOCATE 10,20\r\n\tGPRINT \"A\"\r\n\tGLOCATE 10,36\r\n\tGPRINT \"B\"");

    // The first written line is not indented even when it is not line 0.
    text = Obj(nDSG_WOKIND__WOTEXT, CRect(0, 0, 1000000, 1000000), TextAttrs("\nX"));
    EXPECT_EQ(Statement(text), "\tGLOCATE 0,16\r\n\tGPRINT \"X\"");

    // Nothing to write.
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOTEXT, CRect(0, 0, 1000000, 1000000), TextAttrs(""))),
              "");
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WOTEXT, CRect(0, 0, 1000000, 1000000), TextAttrs("\n\n"))),
              "");
}

TEST(CodeGenTextTest, TextIsWrittenUnchangedAndFontsAreClampedForLayoutOnly) {
    // Double quotes stay as they are; double-byte characters stay whole.
    const std::string korean = A("가나");
    CDsgWObj text =
        Obj(nDSG_WOKIND__WOTEXT, CRect(0, 0, 1000000, 1000000), TextAttrs("say \"hi\"" + korean));
    EXPECT_EQ(Statement(text), "GLOCATE 0,0\r\n\tGPRINT \"say \"hi\"" + korean + "\"");

    // A lone lead byte at the end is "?" and nothing past it is read.
    std::string script = "AB";
    script += '\xB0';
    text = Obj(nDSG_WOKIND__WOTEXT, CRect(0, 0, 1000000, 1000000), TextAttrs(script));
    EXPECT_EQ(Statement(text), "GLOCATE 0,0\r\n\tGPRINT \"AB?\"");

    // Font index 12 lays out as font 8 (48-dot lines); the FONT statement
    // keeps the stored value.
    text = Obj(nDSG_WOKIND__WOTEXT, CRect(0, 0, 1000000, 1000000), TextAttrs("A\nB", "12"));
    EXPECT_EQ(Statement(text), "GLOCATE 0,0\r\n\tGPRINT \"A\"\r\n\tGLOCATE 0,48\r\n\tGPRINT \"B\"");
    EXPECT_EQ(GetRGCKCommand(text, "RGCK.fontkind"), "FONT 12,0");
    text = Obj(nDSG_WOKIND__WOTEXT, CRect(0, 0, 1000000, 1000000), TextAttrs("A\nB", "-1"));
    EXPECT_EQ(Statement(text), "GLOCATE 0,0\r\n\tGPRINT \"A\"\r\n\tGLOCATE 0,16\r\n\tGPRINT \"B\"");

    // A text object of no size still writes its first character.
    text = Obj(nDSG_WOKIND__WOTEXT, CRect(50000, 50000, 50000, 50000), TextAttrs("Q"));
    std::vector<std::string> lines;
    std::vector<int> offsets;
    GetWOTextLines(text, lines, offsets);
    EXPECT_EQ(lines, std::vector<std::string>{""});  // an empty first line, then the bottom
    EXPECT_EQ(Statement(text), "");
}

// ---- Menus ------------------------------------------------------------------------

TEST(CodeGenMenuTest, TitleCentredByItsMeasuredSize) {
    // "AB" in font 4 with the half-width advances: 16 x 16 dots.
    CDsgWObj menu = Obj(nDSG_WOKIND__WOMENU, CRect(0, 0, 1000000, 400000), MenuAttrs("AB"));
    EXPECT_EQ(GetWOMenuTitleSize(menu), CSize(160000, 160000));
    EXPECT_EQ(Statement(menu), "MENUSET 3,1,0,0,100,40\r\n\tMENUTITLE 3,42,12,\"AB\"");

    // Stored reversed: the same offsets; halves and dots truncate.
    menu = Obj(nDSG_WOKIND__WOMENU, CRect(1015000, 415000, 0, 0), MenuAttrs("AB"));
    EXPECT_EQ(Statement(menu), "MENUSET 3,1,0,0,101,41\r\n\tMENUTITLE 3,42,12,\"AB\"");

    // A proportional title ("W" is 15 dots at 16x16) in font 3.
    Attrs attrs = MenuAttrs("W", "0");
    attrs[1].second = "3";
    attrs[2].second = "1";
    menu = Obj(nDSG_WOKIND__WOMENU, CRect(100000, 100000, 600000, 300000), attrs);
    EXPECT_EQ(Statement(menu), "MENUSET 0,1,10,10,60,30\r\n\tMENUTITLE 0,17,2,\"W\"");

    // A title wider than its menu breaks inside it; a single character wider
    // than the menu gives a negative offset, truncated toward zero.
    menu = Obj(nDSG_WOKIND__WOMENU, CRect(0, 0, 200000, 200000), MenuAttrs("AB"));
    EXPECT_EQ(GetWOMenuTitleSize(menu), CSize(80000, 160000));
    EXPECT_EQ(Statement(menu), "MENUSET 3,1,0,0,20,20\r\n\tMENUTITLE 3,6,2,\"AB\"");
    menu = Obj(nDSG_WOKIND__WOMENU, CRect(0, 0, 130000, 200000), MenuAttrs(A("가")));
    EXPECT_EQ(Statement(menu), "MENUSET 3,1,0,0,13,20\r\n\tMENUTITLE 3,-1,2,\"" + A("가") + "\"");
    // A title that does not fit the menu's height measures nothing.
    menu = Obj(nDSG_WOKIND__WOMENU, CRect(0, 0, 200000, 100000), MenuAttrs("AB"));
    EXPECT_EQ(Statement(menu), "MENUSET 3,1,0,0,20,10\r\n\tMENUTITLE 3,10,5,\"AB\"");

    // No title: MENUSET only.
    menu = Obj(nDSG_WOKIND__WOMENU, CRect(0, 0, 1000000, 400000), MenuAttrs(""));
    EXPECT_EQ(Statement(menu), "MENUSET 3,1,0,0,100,40");
}

// ---- Definable characters -------------------------------------------------------

TEST(CodeGenDNCharTest, DefinedCharactersAndTheFontRule) {
    const CDsgNCCodeSet defined = {0xDB30, 0xDB3A};
    const CRect r(50000, 60000, 210000, 220000);
    const CDsgWObj dn = Obj(nDSG_WOKIND__WODNCHAR, r, {{"UTP.dirncachar", std::to_string(0xDB3A)}});
    const std::string plain = "GLOCATE 5,6\r\n\tGPRINT CHR(&HDB3A)\r\n\tDELAY 1";
    EXPECT_EQ(Statement(dn, defined), plain);
    // Not in the set, or no code at all: nothing.
    EXPECT_EQ(Statement(dn, {0xDB30}), "");
    EXPECT_EQ(Statement(Obj(nDSG_WOKIND__WODNCHAR, r), {0}), "");

    // After a FONT statement of font 0 or 1 the character is drawn in font 4
    // and the previous font set again; after other fonts it is not wrapped.
    for (const char* font : {"FONT 0,0", "FONT 1,1", "FONT -1,0", "FONT ,0"}) {
        const CDsgRGCKTexts emitted = {{"RGCK.fontkind", font}, {"RGCK.color", "COLOR 0"}};
        EXPECT_EQ(Statement(dn, defined, emitted),
                  "FONT 4,0\r\n\t" + plain + "\r\n\t" + std::string(font))
            << font;
    }
    for (const char* font : {"FONT 2,0", "FONT 4,0", "FONT 12,1"}) {
        const CDsgRGCKTexts emitted = {{"RGCK.fontkind", font}};
        EXPECT_EQ(Statement(dn, defined, emitted), plain) << font;
    }
    EXPECT_EQ(Statement(dn, defined, {{"RGCK.style", "STYLE 0,0,0"}}), plain);
}

TEST(CodeGenDNCharTest, DEFCHRStatementsAndBlocks) {
    CDtrGGJPixel charset;
    // Ink at the top-left and bottom-right corners and along row 1.
    std::vector<std::pair<int, int>> ink = {{0, 0}, {15, 15}};
    for (int x = 0; x < 16; ++x) ink.push_back({x, 1});
    AddChar(charset, 0xDB41, ink);
    AddChar(charset, 0xDB30);

    std::string text = "untouched";
    ASSERT_EQ(GetGJPixelDEFCHR(*charset.GetGJPixelByNCCode(0xDB41), 1, text), 1);
    EXPECT_EQ(text,
              "\tDEFCHR &HDB41,_\r\n"
              "\t  &H80,&H00,&HFF,&HFF,&H00,&H00,&H00,&H00,_\r\n"
              "\t  &H00,&H00,&H00,&H00,&H00,&H00,&H00,&H00,_\r\n"
              "\t  &H00,&H00,&H00,&H00,&H00,&H00,&H00,&H00,_\r\n"
              "\t  &H00,&H00,&H00,&H00,&H00,&H00,&H00,&H01");
    // Another flag: success and no text.
    EXPECT_EQ(GetGJPixelDEFCHR(*charset.GetGJPixelByNCCode(0xDB41), 0, text), 1);
    EXPECT_EQ(text, "");

    // The block: ascending codes, codes without a character left out; every
    // statement but the last code's ends its line, so a last code without a
    // character leaves an empty line.
    ASSERT_EQ(GetDEFCHRCommands({0xDBFF, 0xDB41, 0xDB30, 0xDB31}, 1, charset, text), 1);
    std::string first;
    GetGJPixelDEFCHR(*charset.GetGJPixelByNCCode(0xDB41), 1, first);
    EXPECT_EQ(text, BlankDEFCHR("DB30") + "\r\n" + first + "\r\n");
    ASSERT_EQ(GetDEFCHRCommands({0xDB32}, 1, charset, text), 1);
    EXPECT_EQ(text, "");
    ASSERT_EQ(GetDEFCHRCommands({}, 1, charset, text), 1);
    EXPECT_EQ(text, "");
}

// ---- One form ----------------------------------------------------------------------

TEST(CodeGenFormTest, TheWorkedExample) {
    Form form;
    form.Add(nDSG_WOKIND__WOBOX, CRect(100000, 100000, 1000000, 500000), kFigure);
    form.Add(nDSG_WOKIND__WOLINE, CRect(0, 600000, 1270000, 600000),
             {{"UTP.cswitch", "1"}, {"UTP.dtspace", "2"}, {"UTP.dtsize", "0"}});
    form.Add(nDSG_WOKIND__WOFELLIPSE, CRect(200000, 200000, 400000, 300000),
             {{"UTP.cswitch", "0"}});
    form.Add(nDSG_WOKIND__WOTEXT, CRect(100000, 1000000, 900000, 1200000), TextAttrs("OK"));
    CDtrGGJPixel charset;
    EXPECT_EQ(form.Sub("Form1", charset),
              "SUB FORM1()\r\n"
              "\tLINESTYLE 0\r\n"
              "\tDOTSIZE 0,0\r\n"
              "\tCOLOR 1\r\n"
              "\tBOX 10,10,100,50\r\n"
              "\tLINESTYLE 2\r\n"
              "\tLINE 0,60,127,60\r\n"
              "\tCOLOR 0\r\n"
              "\tELFILL 30,25,10,5\r\n"
              "\tFONT 4,0\r\n"
              "\tSTYLE 0,0,0\r\n"
              "\tGLOCATE 10,100\r\n"
              "\tGPRINT \"OK\"\r\n"
              "\tLINESTYLE 0\r\n"
              "\tCOLOR 1\r\n"
              "END SUB");
}

TEST(CodeGenFormTest, EmptyFormsAndRepeatedRegisters) {
    CDtrGGJPixel charset;
    EXPECT_EQ(Form().Sub("main", charset), "SUB MAIN()\r\n\r\nEND SUB");

    // Kinds without statements or registers give the same empty SUB.
    Form silent;
    silent.Add(nDSG_WOKIND__WOIMAGE, CRect(0, 0, 100000, 100000), {});
    silent.Add(nDSG_WOKIND__WOPTEXT, CRect(0, 0, 100000, 100000), {{"UTP.ptcontent", "x"}});
    silent.Add(nDSG_WOKIND__WOJCLIP, CRect(0, 0, 100000, 100000), {});
    // The name is upper-cased; second bytes of double-byte characters stay.
    const std::string name = A("화면") + "a";
    EXPECT_EQ(silent.Sub(name, charset), "SUB " + A("화면") + "A()\r\n\r\nEND SUB");

    // Equal registers are written only before the first box; registers that
    // were only set to their defaults are not restored.
    Form boxes;
    boxes.Add(nDSG_WOKIND__WOBOX, CRect(0, 0, 100000, 100000), kFigure);
    boxes.Add(nDSG_WOKIND__WOBOX, CRect(0, 0, 200000, 200000), kFigure);
    boxes.Add(nDSG_WOKIND__WOFBOX, CRect(0, 0, 300000, 300000), {{"UTP.cswitch", "1"}});
    EXPECT_EQ(boxes.Sub("b", charset),
              "SUB B()\r\n\tLINESTYLE 0\r\n\tDOTSIZE 0,0\r\n\tCOLOR 1\r\n\tBOX 0,0,10,10\r\n"
              "\tBOX 0,0,20,20\r\n\tBOXFILL 0,0,30,30,0\r\nEND SUB");

    // Restores in register order, each once, from the last statement written.
    Form changes;
    changes.Add(nDSG_WOKIND__WOTEXT, CRect(0, 0, 1000000, 1000000),
                {{"UTP.lscript", "A"},
                 {"UTP.krnfindex", "0"},
                 {"UTP.alnfindex", "1"},
                 {"UTP.bstate", "1"},
                 {"UTP.is_inversed", "0"},
                 {"UTP.is_underlined", "1"}});
    changes.Add(nDSG_WOKIND__WOBOX, CRect(0, 0, 100000, 100000),
                {{"UTP.cswitch", "0"}, {"UTP.dtspace", "0"}, {"UTP.dtsize", "2"}});
    changes.Add(nDSG_WOKIND__WOBOX, CRect(0, 0, 100000, 100000),
                {{"UTP.cswitch", "1"}, {"UTP.dtspace", "0"}, {"UTP.dtsize", "2"}});
    EXPECT_EQ(changes.Sub("c", charset),
              "SUB C()\r\n\tFONT 0,1\r\n\tSTYLE 1,0,1\r\n\tGLOCATE 0,0\r\n\tGPRINT \"A\"\r\n"
              "\tLINESTYLE 0\r\n\tDOTSIZE 2,0\r\n\tCOLOR 0\r\n\tBOX 0,0,10,10\r\n\tCOLOR 1\r\n"
              "\tBOX 0,0,10,10\r\n\tFONT 4,0\r\n\tDOTSIZE 0,0\r\n\tSTYLE 0,0,0\r\nEND SUB");
}

TEST(CodeGenFormTest, DefinableCharactersAndTheirDEFCHRBlock) {
    CDtrGGJPixel charset;
    AddChar(charset, 0xDB30);
    AddChar(charset, 0xDB31);

    Form form;
    // Placed before any FONT: not wrapped.
    form.Add(nDSG_WOKIND__WODNCHAR, CRect(0, 0, 160000, 160000),
             {{"UTP.dirncachar", std::to_string(0xDB31)}});
    form.Add(nDSG_WOKIND__WOTEXT, CRect(0, 200000, 1000000, 400000), TextAttrs("T", "1"));
    // After FONT 1,0: wrapped. The undefined code is counted but writes
    // nothing; code 0 is not counted.
    form.Add(nDSG_WOKIND__WODNCHAR, CRect(200000, 0, 360000, 160000),
             {{"UTP.dirncachar", std::to_string(0xDB30)}});
    form.Add(nDSG_WOKIND__WODNCHAR, CRect(0, 0, 160000, 160000),
             {{"UTP.dirncachar", std::to_string(0xDB99)}});
    form.Add(nDSG_WOKIND__WODNCHAR, CRect(0, 0, 160000, 160000), {{"UTP.dirncachar", "0"}});

    const std::string body =
        "\tGLOCATE 0,0\r\n\tGPRINT CHR(&HDB31)\r\n\tDELAY 1\r\n"
        "\tFONT 1,0\r\n\tSTYLE 0,0,0\r\n\tGLOCATE 0,20\r\n\tGPRINT \"T\"\r\n"
        "\tFONT 4,0\r\n\tGLOCATE 20,0\r\n\tGPRINT CHR(&HDB30)\r\n\tDELAY 1\r\n\tFONT 1,0\r\n"
        "\tFONT 4,0\r\nEND SUB";
    CDsgNCCodeSet projectUsed = {0xDB50};
    EXPECT_EQ(
        form.Sub("f", charset, FALSE, &projectUsed),
        "SUB F()\r\n" + BlankDEFCHR("DB30") + "\r\n" + BlankDEFCHR("DB31") + "\r\n\r\n" + body);
    EXPECT_EQ(projectUsed, (CDsgNCCodeSet{0xDB30, 0xDB31, 0xDB50, 0xDB99}));

    // Isolated: no block in the form.
    EXPECT_EQ(form.Sub("f", charset, TRUE), "SUB F()\r\n" + body);

    // Only undefined characters: no block, no statement.
    Form undefined;
    undefined.Add(nDSG_WOKIND__WODNCHAR, CRect(0, 0, 160000, 160000),
                  {{"UTP.dirncachar", std::to_string(0xDBAA)}});
    EXPECT_EQ(undefined.Sub("u", charset), "SUB U()\r\n\r\nEND SUB");
}

// ---- The project -------------------------------------------------------------------

TEST(CodeGenProjectTest, FormsJoinedAndTheIsolatedSub) {
    CDtrGGJPixel charset;
    AddChar(charset, 0xDB30);
    AddChar(charset, 0xDB31);
    Form one;
    one.Add(nDSG_WOKIND__WODNCHAR, CRect(0, 0, 160000, 160000),
            {{"UTP.dirncachar", std::to_string(0xDB31)}});
    Form two;
    two.Add(nDSG_WOKIND__WOFBOX, CRect(0, 0, 100000, 100000), {{"UTP.cswitch", "1"}});
    two.Add(nDSG_WOKIND__WODNCHAR, CRect(0, 0, 160000, 160000),
            {{"UTP.dirncachar", std::to_string(0xDB30)}});
    const std::string dn31 = "\tGLOCATE 0,0\r\n\tGPRINT CHR(&HDB31)\r\n\tDELAY 1";
    const std::string dn30 = "\tGLOCATE 0,0\r\n\tGPRINT CHR(&HDB30)\r\n\tDELAY 1";

    {
        CDsgPJCodeGen gen(charset, TRUE, "chars");
        ASSERT_TRUE(gen.AddSPGCommands(one.actions, "one"));
        ASSERT_TRUE(gen.AddSPGCommands(two.actions, "two"));
        EXPECT_EQ(gen.GetPJGCommands(), "SUB CHARS()\r\n" + BlankDEFCHR("DB30") + "\r\n" +
                                            BlankDEFCHR("DB31") +
                                            "\r\nEND SUB\r\n\r\n"
                                            "SUB ONE()\r\n" +
                                            dn31 +
                                            "\r\nEND SUB\r\n\r\n"
                                            "SUB TWO()\r\n\tCOLOR 1\r\n\tBOXFILL 0,0,10,10,0\r\n" +
                                            dn30 + "\r\nEND SUB");
    }
    {
        // Not isolated: each form declares its own characters.
        CDsgPJCodeGen gen(charset, FALSE, "chars");
        ASSERT_TRUE(gen.AddSPGCommands(one.actions, "one"));
        EXPECT_EQ(gen.GetPJGCommands(),
                  "SUB ONE()\r\n" + BlankDEFCHR("DB31") + "\r\n" + dn31 + "\r\nEND SUB");
        EXPECT_EQ(gen.GetUsedNCCodes(), (CDsgNCCodeSet{0xDB31}));
    }
    {
        // Isolated without any character used: no extra SUB.
        CDsgPJCodeGen gen(charset, TRUE, "chars");
        Form empty;
        ASSERT_TRUE(gen.AddSPGCommands(empty.actions, "e"));
        EXPECT_EQ(gen.GetPJGCommands(), "SUB E()\r\n\r\nEND SUB");
        // Characters used but none defined: no extra SUB either.
        Form undefined;
        undefined.Add(nDSG_WOKIND__WODNCHAR, CRect(0, 0, 160000, 160000),
                      {{"UTP.dirncachar", "1"}});
        ASSERT_TRUE(gen.AddSPGCommands(undefined.actions, "u"));
        EXPECT_EQ(gen.GetPJGCommands(), "SUB E()\r\n\r\nEND SUB\r\n\r\nSUB U()\r\n\r\nEND SUB");
    }
    // No forms: no text.
    EXPECT_EQ(CDsgPJCodeGen(charset, TRUE, "c").GetPJGCommands(), "");
}

TEST(CodeGenProjectTest, FormsFromWorkingFiles) {
    testsupport::ScriptedUi ui;
    const std::string folder = testsupport::MakeTempFolder("codegen");
    CDtrGGJPixel charset;
    Form form;
    form.Add(nDSG_WOKIND__WOFBOX, CRect(0, 0, 100000, 100000), {{"UTP.cswitch", "0"}});
    const std::string good = folder + "/Good.frm";
    ASSERT_TRUE(form.actions.EActionsToFile(good, TRUE));

    // A record that asks for a newer program reads with a warning verdict.
    CFxRevPropStore store;
    ASSERT_TRUE(store.FromFile(good));
    ASSERT_TRUE(store.HasKey("EAS.erqversion"));
    store.SetInt("EAS.erqversion", 0x7FFFFFFF);
    const std::string newer = folder + "/Newer.frm";
    ASSERT_TRUE(store.ToFile(newer));

    CDsgPJCodeGen gen(charset, FALSE, "");
    EXPECT_FALSE(gen.AddSPGCommandsFromFile(folder + "/Missing.frm", "gone"));
    EXPECT_TRUE(gen.AddSPGCommandsFromFile(good, "good"));
    EXPECT_FALSE(gen.AddSPGCommandsFromFile(newer, "newer"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Cannot load form.");
    EXPECT_EQ(ui.messages[0].caption, "Load error");
    EXPECT_EQ(ui.messages[1].text.rfind("Form file is corrupt to get source code.", 0), 0u);
    EXPECT_EQ(ui.messages[1].caption, "Load error");
    // Only the readable form is in the project.
    EXPECT_EQ(gen.GetPJGCommands(),
              "SUB GOOD()\r\n\tCOLOR 0\r\n\tBOXFILL 0,0,10,10,0\r\n\tCOLOR 1\r\nEND SUB");
}

// ---- Layout and DEFCHR edge cases ----------------------------------------------

TEST(CodeGenEdgeTest, NarrowTextBoxKeepsAnEmptyFirstLine) {
    // 10 dots is narrower than the break reach of font 4 (12.8 dots): the
    // break comes before the first character too, so line 0 stays empty and
    // the written lines are indented from the first.
    Form form;
    form.Add(nDSG_WOKIND__WOTEXT, CRect(0, 0, 100000, 1000000), TextAttrs("AB"));
    CDtrGGJPixel charset;
    EXPECT_EQ(form.Sub("v", charset),
              "SUB V()\r\n\tFONT 4,0\r\n\tSTYLE 0,0,0\r\n"
              "\t\tGLOCATE 0,16\r\n\tGPRINT \"A\"\r\n\tGLOCATE 0,32\r\n\tGPRINT \"B\"\r\nEND SUB");
}

TEST(CodeGenEdgeTest, LastCodeWithoutCharacterLeavesAnEmptyLine) {
    CDtrGGJPixel charset;
    AddChar(charset, 0xDB30);
    Form form;
    form.Add(nDSG_WOKIND__WODNCHAR, CRect(0, 0, 160000, 160000),
             {{"UTP.dirncachar", std::to_string(0xDB30)}});
    form.Add(nDSG_WOKIND__WODNCHAR, CRect(0, 0, 160000, 160000),
             {{"UTP.dirncachar", std::to_string(0xDB31)}});
    const std::string body = "\tGLOCATE 0,0\r\n\tGPRINT CHR(&HDB30)\r\n\tDELAY 1";
    EXPECT_EQ(form.Sub("f", charset),
              "SUB F()\r\n" + BlankDEFCHR("DB30") + "\r\n\r\n" + body + "\r\nEND SUB");

    CDsgPJCodeGen gen(charset, TRUE, "defs");
    ASSERT_TRUE(gen.AddSPGCommands(form.actions, "f"));
    EXPECT_EQ(gen.GetPJGCommands(), "SUB DEFS()\r\n" + BlankDEFCHR("DB30") +
                                        "\r\n\r\nEND SUB\r\n\r\nSUB F()\r\n" + body +
                                        "\r\nEND SUB");
}
