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

constexpr int kBox = nDSG_WOKIND__WOBOX, kLine = nDSG_WOKIND__WOLINE, kText = nDSG_WOKIND__WOTEXT,
              kFBox = nDSG_WOKIND__WOFBOX, kEllipse = nDSG_WOKIND__WOELLIPSE,
              kFEllipse = nDSG_WOKIND__WOFELLIPSE, kMenu = nDSG_WOKIND__WOMENU,
              kDNChar = nDSG_WOKIND__WODNCHAR;

using Attrs = std::vector<std::pair<const char*, std::string>>;

const Attrs kFigure = {{"UTP.cswitch", "1"}, {"UTP.dtspace", "0"}, {"UTP.dtsize", "0"}};

Attrs TextAttrs(const std::string& script, const std::string& krn = "4",
                const std::string& aln = "0") {
    return {{"UTP.lscript", script}, {"UTP.krnfindex", krn},   {"UTP.alnfindex", aln},
            {"UTP.bstate", "0"},     {"UTP.is_inversed", "0"}, {"UTP.is_underlined", "0"}};
}

Attrs MenuAttrs(const std::string& title, const std::string& krn = "4",
                const std::string& aln = "0") {
    Attrs attrs = TextAttrs(title, krn, aln);
    attrs.push_back({"UTP.wonorder", "3"});
    attrs.push_back({"UTP.wonstyle", "1"});
    return attrs;
}

Attrs DNChar(int code) { return {{"UTP.dirncachar", std::to_string(code)}}; }

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

// The text with every "\n" made the CR LF the generator writes.
std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// A form built as the designer builds one: an edit-action list of creations.
struct Form {
    CDsgEActions actions;
    int counter = 0;

    Form() { actions.SetSPIndex(0); }

    Form& Add(int kind, const CRect& rect, const Attrs& attrs) {
        auto create = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        EXPECT_TRUE(create->InitWOCreation(counter, kind, rect, CDsgUTProps(), FALSE));
        CDsgUTProps& ut = create->m_tprops.GetUTProps();
        ut.RemoveAll();
        for (const auto& [key, value] : attrs) ut.SetString(key, value);
        EXPECT_TRUE(actions.EAAdd(std::move(create)));
        return *this;
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
    const std::string eight = ",_\n\t  &H00,&H00,&H00,&H00,&H00,&H00,&H00,&H00";
    return Crlf("\tDEFCHR &H" + hex + eight + eight + eight + eight);
}

// A rectangle given in dots.
CRect D(LONG l, LONG t, LONG r, LONG b) { return {l * 10000, t * 10000, r * 10000, b * 10000}; }

const CRect kPage = D(0, 0, 100, 100);

}  // namespace

TEST(CodeGenRegisterTest, StatementsSignaturesAndChanges) {
    const CDsgWObj text = Obj(kText, CRect(),
                              {{"UTP.krnfindex", "6"},
                               {"UTP.alnfindex", "1"},
                               {"UTP.bstate", "3"},
                               {"UTP.is_inversed", "1"},
                               {"UTP.is_underlined", "0"},
                               {"UTP.dtspace", "2"},
                               {"UTP.dtsize", "1"},
                               {"UTP.cswitch", "0"}});
    const std::pair<const char*, const char*> commands[] = {
        {"RGCK.fontkind", "FONT 6,1"},   {"RGCK.linestyle", "LINESTYLE 2"},
        {"RGCK.dotsize", "DOTSIZE 1,0"}, {"RGCK.style", "STYLE 3,1,0"},
        {"RGCK.color", "COLOR 0"},       {"RGCK.other", ""}};
    for (const auto& [key, command] : commands) EXPECT_EQ(GetRGCKCommand(text, key), command);
    EXPECT_EQ(GetRGCKDefault("RGCK.other"), "");
    EXPECT_EQ(GetRGCKSignature(text, "RGCK.other"), "");
    // Missing attributes give empty values; values that only run together
    // differently are different signatures.
    EXPECT_EQ(GetRGCKCommand(Obj(kText, CRect()), "RGCK.style"), "STYLE ,,");
    const CDsgWObj a = Obj(
        kText, CRect(), {{"UTP.bstate", ""}, {"UTP.is_inversed", "1"}, {"UTP.is_underlined", "0"}});
    const CDsgWObj b = Obj(
        kText, CRect(), {{"UTP.bstate", "1"}, {"UTP.is_inversed", "0"}, {"UTP.is_underlined", ""}});
    EXPECT_NE(GetRGCKSignature(a, "RGCK.style"), GetRGCKSignature(b, "RGCK.style"));

    // Registers of the kind whose signature changed; the map keeps the new ones.
    CDsgRGCKTexts signatures;
    CFxKeySet changed = {"stale"};
    GetChangedRGCKKeys(Obj(kBox, CRect(), kFigure), changed, signatures);
    EXPECT_EQ(changed, (CFxKeySet{"RGCK.color", "RGCK.dotsize", "RGCK.linestyle"}));
    GetChangedRGCKKeys(Obj(kEllipse, CRect(), kFigure), changed, signatures);
    EXPECT_TRUE(changed.empty());
    const CDsgWObj fbox = Obj(kFBox, CRect(), {{"UTP.cswitch", "0"}, {"UTP.dtspace", "5"}});
    GetChangedRGCKKeys(fbox, changed, signatures);
    EXPECT_EQ(changed, (CFxKeySet{"RGCK.color"}));
    EXPECT_EQ(signatures["RGCK.color"], GetRGCKSignature(fbox, "RGCK.color"));
    // Kinds without registers leave the set empty and the map alone.
    for (int kind : {nDSG_WOKIND__WOIMAGE, kDNChar, nDSG_WOKIND__WOPTEXT, 0, 50, -1}) {
        changed = {"stale"};
        GetChangedRGCKKeys(Obj(kind, CRect(), kFigure), changed, signatures);
        EXPECT_TRUE(changed.empty()) << kind;
    }
    EXPECT_EQ(signatures.size(), 3u);
    GetChangedRGCKKeys(Obj(kMenu, CRect(), MenuAttrs("A")), changed, signatures);
    EXPECT_EQ(changed, (CFxKeySet{"RGCK.fontkind", "RGCK.style"}));
}

TEST(CodeGenStatementTest, FiguresFromTheirDotRectangles) {
    // Every kind but the line is normalised after the division toward zero;
    // centre and radii of an ellipse truncate toward zero.
    const CRect r(100000, 200000, 1000000, 500000), reversed(1000000, 500000, 100000, 100000);
    const struct {
        int kind;
        CRect rect;
        const char* statement;
    } cases[] = {{kBox, r, "BOX 10,20,100,50"},
                 {kLine, r, "LINE 10,20,100,50"},
                 {kEllipse, CRect(110000, 210000, 1000000, 500000), "ELLIPSE 55,35,44,14"},
                 {kBox, reversed, "BOX 10,10,100,50"},
                 {kFBox, reversed, "BOXFILL 10,10,100,50,0"},
                 {kEllipse, reversed, "ELLIPSE 55,30,45,20"},
                 {kLine, reversed, "LINE 100,50,10,10"},
                 {kBox, CRect(-5000, -15000, 19999, 20000), "BOX 0,-1,1,2"},
                 {kLine, CRect(19999, -15000, -5000, -25000), "LINE 1,-1,0,-2"},
                 {kBox, CRect(-5000, 0, -15000, 10000), "BOX -1,0,0,1"},
                 {kFEllipse, CRect(-50000, -30000, 0, 0), "ELFILL -2,-1,2,1"}};
    for (const auto& c : cases) EXPECT_EQ(Statement(Obj(c.kind, c.rect)), c.statement);
    // Kinds that draw nothing in BASIC.
    for (int kind : {nDSG_WOKIND__WOIMAGE, nDSG_WOKIND__WOPTEXT, nDSG_WOKIND__WOJCLIP, 0, 14, -3})
        EXPECT_EQ(Statement(Obj(kind, r, TextAttrs("X"))), "") << kind;
}

// Font 4: 16-dot lines and 8-dot half widths. Breaking and dropping lines is
// the layout's; here what the generator makes of its lines.
TEST(CodeGenTextTest, OneLocatePerNonEmptyLine) {
    const std::string ga = A("가");
    const struct {
        CRect rect;
        std::string script, statement;
    } cases[] = {
        // clang-format off
        {D(10, 20, 100, 100), "AB\r\n\nCD",
            "GLOCATE 10,20\n\tGPRINT \"AB\"\n\tGLOCATE 10,52\n\tGPRINT \"CD\""},
        // Stored bottom-up and right-to-left: laid out in the normalised box.
        {D(100, 100, 10, 20), "A\nB",
            "GLOCATE 10,20\n\tGPRINT \"A\"\n\tGLOCATE 10,36\n\tGPRINT \"B\""},
        // A first written line that is not line 0 keeps its tab.
        {kPage, "\nX", "\tGLOCATE 0,16\n\tGPRINT \"X\""},
        {kPage, "\n\n", ""},
        // Quotes as they are, double-byte characters whole.
        {kPage, "say \"hi\"" + ga, "GLOCATE 0,0\n\tGPRINT \"say \"hi\"" + ga + "\""},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(Statement(Obj(kText, c.rect, TextAttrs(c.script))), Crlf(c.statement))
            << c.script;
    // Lines are laid out in the object's own rectangle: 30 dots high hold two.
    std::vector<std::string> lines;
    std::vector<int> offsets;
    GetWOTextLines(Obj(kText, D(0, 0, 100, 30), TextAttrs("A\r\n\nB\nC")), lines, offsets);
    EXPECT_EQ(lines, (std::vector<std::string>{"A", ""}));
    EXPECT_EQ(offsets, (std::vector<int>{0, 160000}));
    // Font index 12 lays out as font 8 (48-dot lines); FONT keeps the value.
    const CDsgWObj big = Obj(kText, kPage, TextAttrs("A\nB", "12"));
    EXPECT_EQ(Statement(big), Crlf("GLOCATE 0,0\n\tGPRINT \"A\"\n\tGLOCATE 0,48\n\tGPRINT \"B\""));
    EXPECT_EQ(GetRGCKCommand(big, "RGCK.fontkind"), "FONT 12,0");
}

TEST(CodeGenMenuTest, TitleCentredByItsMeasuredSize) {
    // "AB" in font 4 with the half-width advances measures 16 x 16 dots, the
    // proportional "W" of font 3 15 x 16. A title breaks inside a narrow
    // menu; a character wider than the menu gives a negative offset; a title
    // too high for the menu measures nothing.
    const Attrs ab = MenuAttrs("AB");
    const struct {
        CRect rect;
        Attrs attrs;
        const char* statement;
    } cases[] = {
        // clang-format off
        {D(0, 0, 100, 40), ab, "MENUSET 3,1,0,0,100,40\n\tMENUTITLE 3,42,12,\"AB\""},
        // Stored reversed: the same offsets; halves and dots truncate.
        {{1015000, 415000, 0, 0}, ab, "MENUSET 3,1,0,0,101,41\n\tMENUTITLE 3,42,12,\"AB\""},
        {D(10, 10, 60, 30), MenuAttrs("W", "3", "1"),
            "MENUSET 3,1,10,10,60,30\n\tMENUTITLE 3,17,2,\"W\""},
        {D(0, 0, 20, 20), ab, "MENUSET 3,1,0,0,20,20\n\tMENUTITLE 3,6,2,\"AB\""},
        {D(0, 0, 5, 20), ab, "MENUSET 3,1,0,0,5,20\n\tMENUTITLE 3,-1,2,\"AB\""},
        {D(0, 0, 20, 10), ab, "MENUSET 3,1,0,0,20,10\n\tMENUTITLE 3,10,5,\"AB\""},
        {D(0, 0, 100, 40), MenuAttrs(""), "MENUSET 3,1,0,0,100,40"},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(Statement(Obj(kMenu, c.rect, c.attrs)), Crlf(c.statement)) << c.statement;
    EXPECT_EQ(GetWOMenuTitleSize(Obj(kMenu, D(0, 0, 20, 20), ab)), CSize(80000, 160000));
}

TEST(CodeGenDNCharTest, DefinedCharactersAndTheFontRule) {
    const CDsgNCCodeSet defined = {0xDB30, 0xDB3A};
    const CDsgWObj dn = Obj(kDNChar, CRect(50000, 60000, 210000, 220000), DNChar(0xDB3A));
    const std::string plain = Crlf("GLOCATE 5,6\n\tGPRINT CHR(&HDB3A)\n\tDELAY 1");
    EXPECT_EQ(Statement(dn, defined), plain);
    // Not in the set, or no code at all: nothing.
    EXPECT_EQ(Statement(dn, {0xDB30}), "");
    EXPECT_EQ(Statement(Obj(kDNChar, CRect()), {0}), "");
    // After a FONT statement of font 0 or 1 the character is drawn in font 4
    // and that font set again; other fonts and registers leave it alone.
    for (const char* font : {"FONT 0,0", "FONT 1,1", "FONT -1,0", "FONT ,0"})
        EXPECT_EQ(Statement(dn, defined, {{"RGCK.fontkind", font}, {"RGCK.color", "COLOR 0"}}),
                  "FONT 4,0\r\n\t" + plain + "\r\n\t" + font);
    for (const char* font : {"FONT 2,0", "FONT 12,1"})
        EXPECT_EQ(Statement(dn, defined, {{"RGCK.fontkind", font}}), plain) << font;
    EXPECT_EQ(Statement(dn, defined, {{"RGCK.style", "STYLE 0,0,0"}}), plain);
}

TEST(CodeGenDNCharTest, DEFCHRStatementsAndBlocks) {
    CDtrGGJPixel charset;
    // Ink at the top-left and bottom-right corners and along row 1.
    std::vector<std::pair<int, int>> ink = {{0, 0}, {15, 15}};
    for (int x = 0; x < 16; ++x) ink.push_back({x, 1});
    AddChar(charset, 0xDB41, ink);
    AddChar(charset, 0xDB30);
    const std::string inked = Crlf(
        "\tDEFCHR &HDB41,_\n"
        "\t  &H80,&H00,&HFF,&HFF,&H00,&H00,&H00,&H00,_\n"
        "\t  &H00,&H00,&H00,&H00,&H00,&H00,&H00,&H00,_\n"
        "\t  &H00,&H00,&H00,&H00,&H00,&H00,&H00,&H00,_\n"
        "\t  &H00,&H00,&H00,&H00,&H00,&H00,&H00,&H01");
    std::string text = "untouched";
    ASSERT_EQ(GetGJPixelDEFCHR(*charset.GetGJPixelByNCCode(0xDB41), 1, text), 1);
    EXPECT_EQ(text, inked);
    // Another flag: success and no text.
    EXPECT_EQ(GetGJPixelDEFCHR(*charset.GetGJPixelByNCCode(0xDB41), 0, text), 1);
    EXPECT_EQ(text, "");
    // Ascending codes; codes without a character leave no empty line.
    ASSERT_EQ(GetDEFCHRCommands({0xDBFF, 0xDB41, 0xDB30, 0xDB31}, 1, charset, text), 1);
    EXPECT_EQ(text, BlankDEFCHR("DB30") + "\r\n" + inked);
    ASSERT_EQ(GetDEFCHRCommands({0xDB32}, 1, charset, text), 1);
    EXPECT_EQ(text, "");
}

TEST(CodeGenFormTest, TheWorkedExample) {
    Form form;
    form.Add(kBox, CRect(100000, 100000, 1000000, 500000), kFigure)
        .Add(kLine, CRect(0, 600000, 1270000, 600000),
             {{"UTP.cswitch", "1"}, {"UTP.dtspace", "2"}, {"UTP.dtsize", "0"}})
        .Add(kFEllipse, CRect(200000, 200000, 400000, 300000), {{"UTP.cswitch", "0"}})
        .Add(kText, CRect(100000, 1000000, 900000, 1200000), TextAttrs("OK"));
    EXPECT_EQ(form.Sub("Form1", CDtrGGJPixel()),
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

TEST(CodeGenFormTest, EmptyFormsRepeatedRegistersAndRestores) {
    const CDtrGGJPixel charset;
    const CRect r(0, 0, 100000, 100000);
    EXPECT_EQ(Form().Sub("main", charset), Crlf("SUB MAIN()\n\nEND SUB"));
    // Kinds without statements or registers; the name upper-cased with the
    // second bytes of double-byte characters kept.
    Form silent;
    silent.Add(nDSG_WOKIND__WOIMAGE, r, {}).Add(nDSG_WOKIND__WOPTEXT, r, {{"UTP.lscript", "x"}});
    EXPECT_EQ(silent.Sub(A("화면") + "a", charset), "SUB " + A("화면") + "A()\r\n\r\nEND SUB");

    // Equal registers are written once; registers only ever set to their
    // defaults are not restored.
    Form boxes;
    boxes.Add(kBox, r, kFigure).Add(kBox, CRect(0, 0, 200000, 200000), kFigure);
    boxes.Add(kFBox, CRect(0, 0, 300000, 300000), {{"UTP.cswitch", "1"}});
    EXPECT_EQ(boxes.Sub("b", charset),
              Crlf("SUB B()\n\tLINESTYLE 0\n\tDOTSIZE 0,0\n\tCOLOR 1\n\tBOX 0,0,10,10\n"
                   "\tBOX 0,0,20,20\n\tBOXFILL 0,0,30,30,0\nEND SUB"));

    // Restores in register order, each once, after the last statement.
    Form changes;
    changes.Add(kText, kPage,
                {{"UTP.lscript", "A"},
                 {"UTP.krnfindex", "0"},
                 {"UTP.alnfindex", "1"},
                 {"UTP.bstate", "1"},
                 {"UTP.is_inversed", "0"},
                 {"UTP.is_underlined", "1"}});
    changes.Add(kBox, r, {{"UTP.cswitch", "0"}, {"UTP.dtspace", "0"}, {"UTP.dtsize", "2"}});
    changes.Add(kBox, r, {{"UTP.cswitch", "1"}, {"UTP.dtspace", "0"}, {"UTP.dtsize", "2"}});
    EXPECT_EQ(changes.Sub("c", charset),
              Crlf("SUB C()\n\tFONT 0,1\n\tSTYLE 1,0,1\n\tGLOCATE 0,0\n\tGPRINT \"A\"\n"
                   "\tLINESTYLE 0\n\tDOTSIZE 2,0\n\tCOLOR 0\n\tBOX 0,0,10,10\n\tCOLOR 1\n"
                   "\tBOX 0,0,10,10\n\tFONT 4,0\n\tDOTSIZE 0,0\n\tSTYLE 0,0,0\nEND SUB"));
}

TEST(CodeGenFormTest, DefinableCharactersAndTheirDEFCHRBlock) {
    CDtrGGJPixel charset;
    AddChar(charset, 0xDB30);
    AddChar(charset, 0xDB31);
    const CRect cell(0, 0, 160000, 160000);
    // Before any FONT: not wrapped; after FONT 1,0: wrapped. The undefined
    // code is counted but writes nothing; code 0 is not counted.
    Form form;
    form.Add(kDNChar, cell, DNChar(0xDB31))
        .Add(kText, CRect(0, 200000, 1000000, 400000), TextAttrs("T", "1"))
        .Add(kDNChar, CRect(200000, 0, 360000, 160000), DNChar(0xDB30))
        .Add(kDNChar, cell, DNChar(0xDB99))
        .Add(kDNChar, cell, DNChar(0));
    const std::string body = Crlf(
        "\tGLOCATE 0,0\n\tGPRINT CHR(&HDB31)\n\tDELAY 1\n"
        "\tFONT 1,0\n\tSTYLE 0,0,0\n\tGLOCATE 0,20\n\tGPRINT \"T\"\n"
        "\tFONT 4,0\n\tGLOCATE 20,0\n\tGPRINT CHR(&HDB30)\n\tDELAY 1\n\tFONT 1,0\n"
        "\tFONT 4,0\nEND SUB");
    CDsgNCCodeSet projectUsed = {0xDB50};
    EXPECT_EQ(form.Sub("f", charset, FALSE, &projectUsed),
              "SUB F()\r\n" + BlankDEFCHR("DB30") + "\r\n" + BlankDEFCHR("DB31") + "\r\n" + body);
    EXPECT_EQ(projectUsed, (CDsgNCCodeSet{0xDB30, 0xDB31, 0xDB50, 0xDB99}));
    // Isolated: no block in the form.
    EXPECT_EQ(form.Sub("f", charset, TRUE), "SUB F()\r\n" + body);
    // Only undefined characters: no block, no statement.
    EXPECT_EQ(Form().Add(kDNChar, cell, DNChar(0xDBAA)).Sub("u", charset),
              Crlf("SUB U()\n\nEND SUB"));
}

TEST(CodeGenProjectTest, FormsJoinedAndTheIsolatedSub) {
    CDtrGGJPixel charset;
    AddChar(charset, 0xDB30);
    AddChar(charset, 0xDB31);
    const CRect cell(0, 0, 160000, 160000);
    Form one, two, empty, undefined;
    one.Add(kDNChar, cell, DNChar(0xDB31));
    two.Add(kFBox, CRect(0, 0, 100000, 100000), {{"UTP.cswitch", "1"}})
        .Add(kDNChar, cell, DNChar(0xDB30));
    undefined.Add(kDNChar, cell, DNChar(1));
    const std::string dn = "\r\n\tGLOCATE 0,0\r\n\tGPRINT CHR(&HDB3";
    const std::string end = ")\r\n\tDELAY 1\r\nEND SUB";

    CDsgPJCodeGen isolated(charset, TRUE, "chars");
    ASSERT_TRUE(isolated.AddSPGCommands(one.actions, "one"));
    ASSERT_TRUE(isolated.AddSPGCommands(two.actions, "two"));
    EXPECT_EQ(isolated.GetPJGCommands(),
              "SUB CHARS()\r\n" + BlankDEFCHR("DB30") + "\r\n" + BlankDEFCHR("DB31") +
                  "\r\nEND SUB\r\n\r\nSUB ONE()" + dn + "1" + end +
                  "\r\n\r\nSUB TWO()\r\n\tCOLOR 1\r\n\tBOXFILL 0,0,10,10,0" + dn + "0" + end);
    // Not isolated: each form declares its own characters.
    CDsgPJCodeGen own(charset, FALSE, "chars");
    ASSERT_TRUE(own.AddSPGCommands(one.actions, "one"));
    EXPECT_EQ(own.GetPJGCommands(), "SUB ONE()\r\n" + BlankDEFCHR("DB31") + dn + "1" + end);
    EXPECT_EQ(own.GetUsedNCCodes(), (CDsgNCCodeSet{0xDB31}));
    // Isolated without a character used, or with none defined: no extra SUB.
    CDsgPJCodeGen none(charset, TRUE, "chars");
    EXPECT_EQ(none.GetPJGCommands(), "");
    ASSERT_TRUE(none.AddSPGCommands(empty.actions, "e"));
    ASSERT_TRUE(none.AddSPGCommands(undefined.actions, "u"));
    EXPECT_EQ(none.GetPJGCommands(), Crlf("SUB E()\n\nEND SUB\n\nSUB U()\n\nEND SUB"));
}

TEST(CodeGenProjectTest, FormsFromWorkingFiles) {
    testsupport::ScriptedUi ui;
    const std::string folder = testsupport::MakeTempFolder("codegen");
    const std::string good = folder + "/Good.frm", newer = folder + "/Newer.frm";
    Form form;
    form.Add(kFBox, CRect(0, 0, 100000, 100000), {{"UTP.cswitch", "0"}});
    ASSERT_TRUE(form.actions.EActionsToFile(good, TRUE));
    // A record that asks for a newer program reads with a warning verdict.
    CFxRevPropStore store;
    ASSERT_TRUE(store.FromFile(good));
    ASSERT_TRUE(store.HasKey("EAS.erqversion"));
    store.SetInt("EAS.erqversion", 0x7FFFFFFF);
    ASSERT_TRUE(store.ToFile(newer));

    const CDtrGGJPixel charset;
    CDsgPJCodeGen gen(charset, FALSE, "");
    EXPECT_FALSE(gen.AddSPGCommandsFromFile(folder + "/Missing.frm", "gone"));
    EXPECT_TRUE(gen.AddSPGCommandsFromFile(good, "good"));
    EXPECT_FALSE(gen.AddSPGCommandsFromFile(newer, "newer"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Cannot load form.");
    EXPECT_EQ(ui.messages[1].text.rfind("Form file is corrupt to get source code.", 0), 0u);
    for (const auto& message : ui.messages) EXPECT_EQ(message.caption, "Load error");
    // Only the readable form is in the project.
    EXPECT_EQ(gen.GetPJGCommands(),
              Crlf("SUB GOOD()\n\tCOLOR 0\n\tBOXFILL 0,0,10,10,0\n\tCOLOR 1\nEND SUB"));
}
