#include "design/surface/dsgcodegen.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
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
              kDNChar = nDSG_WOKIND__WODNCHAR, kImage = nDSG_WOKIND__WOIMAGE,
              kPText = nDSG_WOKIND__WOPTEXT;

// Attributes as "key=value" pairs (keys without "UTP.") separated by spaces.
const std::string kFigure = "cswitch=1 dtspace=0 dtsize=0";

// The attributes of an LCD text (a script without spaces) or a menu.
std::string Text(const std::string& script, int krn = 4, int aln = 0) {
    return "lscript=" + script + " krnfindex=" + std::to_string(krn) +
           " alnfindex=" + std::to_string(aln) + " bstate=0 is_inversed=0 is_underlined=0";
}
std::string Menu(const std::string& title, int krn = 4, int aln = 0) {
    return Text(title, krn, aln) + " wonorder=3 wonstyle=1";
}
std::string DN(int code) { return "dirncachar=" + std::to_string(code); }

void SetAttrs(CDsgUTProps& ut, const std::string& attrs) {
    ut.RemoveAll();
    std::istringstream in(attrs);
    for (std::string pair; std::getline(in, pair, ' ');)
        if (const size_t eq = pair.find('='); eq != std::string::npos)
            ut.SetString("UTP." + pair.substr(0, eq), pair.substr(eq + 1));
}

// A rectangle given in dots.
CRect D(LONG l, LONG t, LONG r, LONG b) { return {l * 10000, t * 10000, r * 10000, b * 10000}; }
const CRect kPage = D(0, 0, 100, 100), kCell = D(0, 0, 16, 16);

// One object with exactly the given attributes.
CDsgWObj Obj(int kind, const CRect& rect, const std::string& attrs = "") {
    CDsgWObj wobj;
    wobj.GetNTProps().SetNTProps(1, kind, rect);
    SetAttrs(wobj.GetUTProps(), attrs);
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
    Form& Add(int kind, const CRect& rect, const std::string& attrs) {
        auto create = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        EXPECT_TRUE(create->InitWOCreation(counter, kind, rect, CDsgUTProps(), FALSE));
        SetAttrs(create->m_tprops.GetUTProps(), attrs);
        EXPECT_TRUE(actions.EAAdd(std::move(create)));
        return *this;
    }
    // The form's SUB with no definable characters.
    std::string Sub(const std::string& name) const {
        CDsgWObjs wobjs;
        EXPECT_TRUE(wobjs.WObjsFromEActions(actions, FALSE));
        std::string out = "untouched";
        EXPECT_TRUE(GetSPGCommands(wobjs, name, FALSE, CDtrGGJPixel(), {}, nullptr, out));
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

}  // namespace

TEST(CodeGenRegisterTest, StatementsSignaturesAndChanges) {
    const CDsgWObj text = Obj(kText, CRect(),
                              "krnfindex=6 alnfindex=1 bstate=3 is_inversed=1 is_underlined=0 "
                              "dtspace=2 dtsize=1 cswitch=0");
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
    // Font indexes outside the tables are written as stored.
    EXPECT_EQ(GetRGCKCommand(Obj(kText, CRect(), Text("A", 12)), "RGCK.fontkind"), "FONT 12,0");
    EXPECT_NE(GetRGCKSignature(Obj(kText, CRect(), "bstate= is_inversed=1 is_underlined=0"),
                               "RGCK.style"),
              GetRGCKSignature(Obj(kText, CRect(), "bstate=1 is_inversed=0 is_underlined="),
                               "RGCK.style"));

    // The registers of the kind whose signature changed (the forms below show
    // the rest); kinds without registers leave the set empty.
    CDsgRGCKTexts signatures;
    CFxKeySet changed = {"stale"};
    GetChangedRGCKKeys(Obj(kMenu, CRect(), Menu("A")), changed, signatures);
    EXPECT_EQ(changed, (CFxKeySet{"RGCK.fontkind", "RGCK.style"}));
    GetChangedRGCKKeys(Obj(kText, CRect(), Menu("B")), changed, signatures);
    EXPECT_TRUE(changed.empty());
    for (int kind : {kDNChar, 0, 50, -1}) {
        changed = {"stale"};
        GetChangedRGCKKeys(Obj(kind, CRect(), kFigure), changed, signatures);
        EXPECT_TRUE(changed.empty()) << kind;
    }
    EXPECT_EQ(signatures.size(), 2u);
}

// Figures: every kind but the line is normalised after the division toward
// zero; centre and radii of an ellipse truncate toward zero. Texts in font 4
// (16-dot lines, 8-dot half widths): one GLOCATE per non-empty laid-out line,
// written unchanged. Menus: the title centred by its measured size ("AB" 16 x
// 16 dots, the proportional "W" of font 3 15 x 16); a title breaks inside a
// narrow menu, a character wider than the menu gives a negative offset, a
// title too high for the menu measures nothing.
TEST(CodeGenStatementTest, EveryKind) {
    const CRect r = D(10, 20, 100, 50), reversed = D(100, 50, 10, 10);
    const std::string ga = A("가");
    const struct {
        int kind;
        CRect rect;
        std::string attrs, statement;
    } cases[] = {
        // clang-format off
        {kBox, r, "", "BOX 10,20,100,50"},               {kLine, r, "", "LINE 10,20,100,50"},
        {kEllipse, D(11, 21, 100, 50), "", "ELLIPSE 55,35,44,14"},
        {kBox, reversed, "", "BOX 10,10,100,50"},
        {kFBox, reversed, "", "BOXFILL 10,10,100,50,0"},
        {kEllipse, reversed, "", "ELLIPSE 55,30,45,20"}, {kLine, reversed, "", "LINE 100,50,10,10"},
        {kBox, {-5000, -15000, 19999, 20000}, "", "BOX 0,-1,1,2"},
        {kLine, {19999, -15000, -5000, -25000}, "", "LINE 1,-1,0,-2"},
        {kBox, {-5000, 0, -15000, 10000}, "", "BOX -1,0,0,1"},
        {kFEllipse, D(-5, -3, 0, 0), "", "ELFILL -2,-1,2,1"},
        {kText, D(10, 20, 100, 100), Text("AB\r\n\nCD"),
            "GLOCATE 10,20\n\tGPRINT \"AB\"\n\tGLOCATE 10,52\n\tGPRINT \"CD\""},
        // Stored bottom-up and right-to-left: laid out in the normalised box.
        {kText, D(100, 100, 10, 20), Text("A\nB"),
            "GLOCATE 10,20\n\tGPRINT \"A\"\n\tGLOCATE 10,36\n\tGPRINT \"B\""},
        // A first written line that is not line 0 keeps its tab.
        {kText, kPage, Text("\nX"), "\tGLOCATE 0,16\n\tGPRINT \"X\""},
        {kText, kPage, Text("\n\n"), ""},
        {kText, kPage, Text("\"hi\"" + ga), "GLOCATE 0,0\n\tGPRINT \"\"hi\"" + ga + "\""},
        // Font index 12 lays out as font 8 (48-dot lines).
        {kText, kPage, Text("A\nB", 12),
            "GLOCATE 0,0\n\tGPRINT \"A\"\n\tGLOCATE 0,48\n\tGPRINT \"B\""},
        {kMenu, D(0, 0, 100, 40), Menu("AB"), "MENUSET 3,1,0,0,100,40\n\tMENUTITLE 3,42,12,\"AB\""},
        // Stored reversed: the same offsets; halves and dots truncate.
        {kMenu, {1015000, 415000, 0, 0}, Menu("AB"),
            "MENUSET 3,1,0,0,101,41\n\tMENUTITLE 3,42,12,\"AB\""},
        {kMenu, D(10, 10, 60, 30), Menu("W", 3, 1),
            "MENUSET 3,1,10,10,60,30\n\tMENUTITLE 3,17,2,\"W\""},
        {kMenu, D(0, 0, 20, 20), Menu("AB"), "MENUSET 3,1,0,0,20,20\n\tMENUTITLE 3,6,2,\"AB\""},
        // Narrower than the break reach the title measures nothing.
        {kMenu, D(0, 0, 5, 20), Menu("AB"), "MENUSET 3,1,0,0,5,20\n\tMENUTITLE 3,2,10,\"AB\""},
        {kMenu, D(0, 0, 13, 20), Menu("\xB0\xA1"),
            "MENUSET 3,1,0,0,13,20\n\tMENUTITLE 3,-1,2,\"\xB0\xA1\""},
        {kMenu, D(0, 0, 20, 10), Menu("AB"), "MENUSET 3,1,0,0,20,10\n\tMENUTITLE 3,10,5,\"AB\""},
        {kMenu, D(0, 0, 100, 40), Menu(""), "MENUSET 3,1,0,0,100,40"},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(Statement(Obj(c.kind, c.rect, c.attrs)), Crlf(c.statement)) << c.statement;
    // Kinds that draw nothing in BASIC.
    for (int kind : {kImage, kPText, nDSG_WOKIND__WOJCLIP, 0, 14, -3})
        EXPECT_EQ(Statement(Obj(kind, r, Text("X"))), "") << kind;
    // The layout's lines come from the object's own rectangle: 30 dots high
    // hold two.
    std::vector<std::string> lines;
    std::vector<int> offsets;
    GetWOTextLines(Obj(kText, D(0, 0, 100, 30), Text("A\r\n\nB\nC")), lines, offsets);
    EXPECT_EQ(lines, (std::vector<std::string>{"A", ""}));
    EXPECT_EQ(offsets, (std::vector<int>{0, 160000}));
}

TEST(CodeGenDNCharTest, DefinedCharactersAndTheFontRule) {
    const CDsgNCCodeSet defined = {0xDB30, 0xDB3A};
    const CDsgWObj dn = Obj(kDNChar, D(5, 6, 21, 22), DN(0xDB3A));
    const std::string plain = Crlf("GLOCATE 5,6\n\tGPRINT CHR(&HDB3A)\n\tDELAY 1");
    EXPECT_EQ(Statement(dn, defined), plain);
    // Not in the set, or no code at all: nothing.
    EXPECT_EQ(Statement(dn, {0xDB30}), "");
    EXPECT_EQ(Statement(Obj(kDNChar, kCell), {0}), "");
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
    // Ascending codes, those without a character left out; every statement
    // but the last code's ends its line, so an undefined last code leaves a
    // line end behind.
    ASSERT_EQ(GetDEFCHRCommands({0xDBFF, 0xDB41, 0xDB31, 0xDB30}, 1, charset, text), 1);
    EXPECT_EQ(text, BlankDEFCHR("DB30") + "\r\n" + inked + "\r\n");
}

TEST(CodeGenFormTest, TheWorkedExample) {
    Form form;
    form.Add(kBox, D(10, 10, 100, 50), kFigure)
        .Add(kLine, D(0, 60, 127, 60), "cswitch=1 dtspace=2 dtsize=0")
        .Add(kFEllipse, D(20, 20, 40, 30), "cswitch=0")
        .Add(kText, D(10, 100, 90, 120), Text("OK"));
    EXPECT_EQ(form.Sub("Form1"),
              Crlf("SUB FORM1()\n\tLINESTYLE 0\n\tDOTSIZE 0,0\n\tCOLOR 1\n\tBOX 10,10,100,50\n"
                   "\tLINESTYLE 2\n\tLINE 0,60,127,60\n\tCOLOR 0\n\tELFILL 30,25,10,5\n"
                   "\tFONT 4,0\n\tSTYLE 0,0,0\n\tGLOCATE 10,100\n\tGPRINT \"OK\"\n"
                   "\tLINESTYLE 0\n\tCOLOR 1\nEND SUB"));
}

TEST(CodeGenFormTest, EmptyFormsRepeatedRegistersAndRestores) {
    EXPECT_EQ(Form().Sub("main"), Crlf("SUB MAIN()\n\nEND SUB"));
    // Kinds without statements or registers; the name upper-cased with the
    // second bytes of double-byte characters kept.
    const std::string name = A("화면");
    EXPECT_EQ(Form().Add(kImage, kCell, "").Add(kPText, kCell, "lscript=x").Sub(name + "a"),
              "SUB " + name + "A()\r\n\r\nEND SUB");
    // Equal registers are written once; registers only ever set to their
    // defaults are not restored.
    Form boxes;
    boxes.Add(kBox, D(0, 0, 10, 10), kFigure).Add(kBox, D(0, 0, 20, 20), kFigure);
    boxes.Add(kFBox, D(0, 0, 30, 30), "cswitch=1");
    EXPECT_EQ(boxes.Sub("b"),
              Crlf("SUB B()\n\tLINESTYLE 0\n\tDOTSIZE 0,0\n\tCOLOR 1\n"
                   "\tBOX 0,0,10,10\n\tBOX 0,0,20,20\n\tBOXFILL 0,0,30,30,0\nEND SUB"));
    // Restores in register order, each once, from the last statement written.
    Form changes;
    changes.Add(kText, kPage,
                "lscript=A krnfindex=0 alnfindex=1 bstate=1 is_inversed=0 "
                "is_underlined=1");
    changes.Add(kBox, D(0, 0, 10, 10), "cswitch=0 dtspace=0 dtsize=2");
    changes.Add(kBox, D(0, 0, 10, 10), "cswitch=1 dtspace=0 dtsize=2");
    EXPECT_EQ(changes.Sub("c"),
              Crlf("SUB C()\n\tFONT 0,1\n\tSTYLE 1,0,1\n\tGLOCATE 0,0\n\tGPRINT \"A\"\n"
                   "\tLINESTYLE 0\n\tDOTSIZE 2,0\n\tCOLOR 0\n\tBOX 0,0,10,10\n\tCOLOR 1\n"
                   "\tBOX 0,0,10,10\n\tFONT 4,0\n\tDOTSIZE 0,0\n\tSTYLE 0,0,0\nEND SUB"));
}

// Definable characters in forms: the DEFCHR block of each form, or one
// isolated SUB of them all ahead of the forms.
TEST(CodeGenProjectTest, DEFCHRBlocksAndTheIsolatedSub) {
    CDtrGGJPixel charset;
    AddChar(charset, 0xDB30);
    AddChar(charset, 0xDB31);
    // Before any FONT a character is not wrapped, after FONT 1,0 it is. An
    // undefined code is counted but writes nothing; code 0 is not counted.
    Form one, two, empty, undefined;
    one.Add(kDNChar, kCell, DN(0xDB31))
        .Add(kText, D(0, 20, 100, 40), Text("T", 1))
        .Add(kDNChar, D(20, 0, 36, 16), DN(0xDB30))
        .Add(kDNChar, kCell, DN(0xDB99))
        .Add(kDNChar, kCell, DN(0));
    const std::string oneBody = Crlf(
        "\tGLOCATE 0,0\n\tGPRINT CHR(&HDB31)\n\tDELAY 1\n"
        "\tFONT 1,0\n\tSTYLE 0,0,0\n\tGLOCATE 0,20\n\tGPRINT \"T\"\n"
        "\tFONT 4,0\n\tGLOCATE 20,0\n\tGPRINT CHR(&HDB30)\n\tDELAY 1\n\tFONT 1,0\n"
        "\tFONT 4,0\nEND SUB");
    two.Add(kFBox, D(0, 0, 10, 10), "cswitch=1").Add(kDNChar, kCell, DN(0xDB30));
    undefined.Add(kDNChar, kCell, DN(1));

    CDsgPJCodeGen own(charset, FALSE, "chars");
    ASSERT_TRUE(own.AddSPGCommands(one.actions, "one"));
    EXPECT_EQ(own.GetPJGCommands(), "SUB ONE()\r\n" + BlankDEFCHR("DB30") + "\r\n" +
                                        BlankDEFCHR("DB31") + "\r\n\r\n" + oneBody);
    // The codes used gather over the forms.
    ASSERT_TRUE(own.AddSPGCommands(undefined.actions, "u"));
    EXPECT_EQ(own.GetUsedNCCodes(), (CDsgNCCodeSet{1, 0xDB30, 0xDB31, 0xDB99}));

    CDsgPJCodeGen isolated(charset, TRUE, "chars");
    ASSERT_TRUE(isolated.AddSPGCommands(two.actions, "two"));
    ASSERT_TRUE(isolated.AddSPGCommands(one.actions, "one"));
    EXPECT_EQ(isolated.GetPJGCommands(),
              "SUB CHARS()\r\n" + BlankDEFCHR("DB30") + "\r\n" + BlankDEFCHR("DB31") +
                  Crlf("\n\nEND SUB\n\nSUB TWO()\n\tCOLOR 1\n\tBOXFILL 0,0,10,10,0\n\tGLOCATE 0,0\n"
                       "\tGPRINT CHR(&HDB30)\n\tDELAY 1\nEND SUB\n\nSUB ONE()\n") +
                  oneBody);
    // Isolated without a character used, or none defined: no extra SUB.
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
    ASSERT_TRUE(form.Add(kFBox, D(0, 0, 10, 10), "cswitch=0").actions.EActionsToFile(good, TRUE));
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

TEST(CodeGenTextTest, NarrowTextBoxKeepsAnEmptyFirstLine) {
    // 10 dots is narrower than the break reach of font 4 (12.8 dots): the
    // break comes before the first character too, so line 0 stays empty.
    Form form;
    form.Add(kText, D(0, 0, 10, 100), Text("AB"));
    EXPECT_EQ(form.Sub("v"),
              Crlf("SUB V()\n\tFONT 4,0\n\tSTYLE 0,0,0\n"
                   "\t\tGLOCATE 0,16\n\tGPRINT \"A\"\n\tGLOCATE 0,32\n\tGPRINT \"B\"\n"
                   "END SUB"));
}
