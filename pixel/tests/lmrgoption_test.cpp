#include "pixel/lmrgoption.h"

#include "pixel/tests/pixeltesting.h"

namespace {

using OptionTest = pixeltest::EngineTest;

TEST_F(OptionTest, LoadedValuesAreHeldWithinTheirLimits) {
    const std::string path = testsupport::MakeTempFolder() + "/lmr_goption.dat";
    struct Case {
        const char* name;
        std::function<void(CFxRevPropStore&)> stored;
        LmrOptionValues expected;
        int indent;
        const char* textHeight;
    };
    const Case cases[] = {
        {"defaults", [](CFxRevPropStore&) {}, {2, 1, 2, 1, 13, 1}, 0, "12"},
        {"top past the planes",
         [](CFxRevPropStore& s) {
             s.SetInt("omlegjptop", 12);
             s.SetInt("mlegjpheight", 3);
         },
         {2, 3, 10, 1, 13, 1},
         0,
         "12"},
        {"breadths that divide by zero",
         [](CFxRevPropStore& s) {
             s.SetInt("ejpbreadth", -1);
             s.SetInt("ojpbreadth", 0);
         },
         {2, 1, 2, 1, 1, 1},
         0,
         "12"},
        {"too large",
         [](CFxRevPropStore& s) {
             s.SetInt("mlegjpwidth", 17);
             s.SetInt("mlegjpheight", 14);
             s.SetInt("omlegjpleft", 3);
             s.SetInt("ejpbreadth", 51);
             s.SetInt("ojpbreadth", 1000);
             s.SetInt("shfdindent", 12);
             s.SetString("UJPT.fntsize", "500");
         },
         {16, 13, 0, 0, 50, 50},
         9,
         "200"},
        {"too small",
         [](CFxRevPropStore& s) {
             s.SetInt("mlegjpwidth", 0);
             s.SetInt("mlegjpheight", -4);
             s.SetInt("omlegjpleft", 15);
             s.SetInt("omlegjptop", -1);
             s.SetInt("shfdindent", -1);
             s.SetString("UJPT.fntsize", "0");
         },
         {1, 1, 0, 15, 13, 1},
         0,
         "1"},
        {"left beside a wide area",
         [](CFxRevPropStore& s) { s.SetInt("omlegjpleft", 15); },
         {2, 1, 2, 14, 13, 1},
         0,
         "12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFxRevPropStore stored;
        c.stored(stored);
        ASSERT_TRUE(stored.ToFile(path));
        LmrGOption().RemoveAll();
        LmrGOption().SetDefaults();
        ASSERT_TRUE(LmrGOption().LoadFromFile(path));
        const LmrOptionValues& v = LmrOpt();
        EXPECT_EQ(v.mlegjpwidth, c.expected.mlegjpwidth);
        EXPECT_EQ(v.mlegjpheight, c.expected.mlegjpheight);
        EXPECT_EQ(v.omlegjptop, c.expected.omlegjptop);
        EXPECT_EQ(v.omlegjpleft, c.expected.omlegjpleft);
        EXPECT_EQ(v.ejpbreadth, c.expected.ejpbreadth);
        EXPECT_EQ(v.ojpbreadth, c.expected.ojpbreadth);
        EXPECT_EQ(LmrGOption().GetInt("shfdindent", -5), c.indent);
        EXPECT_EQ(LmrGOption().GetString("UJPT.fntsize"), c.textHeight);
        // The working area always lies on the canvas.
        const CRect area = CLmrOGJPixel::GetWorkingAreaOSLRect();
        EXPECT_GE(area.left, 0);
        EXPECT_GE(area.top, 0);
        EXPECT_LE(area.right, 255);
        EXPECT_LE(area.bottom, 207);
    }
}

TEST_F(OptionTest, UnreadableFileLeavesTheValuesAndSavedValuesReadBack) {
    const std::string folder = testsupport::MakeTempFolder();
    LmrGOption().SetString("tnccode", "00");
    EXPECT_FALSE(LmrGOption().LoadFromFile(folder + "/missing.dat"));
    EXPECT_EQ(LmrGOption().GetString("tnccode"), "00");
    LmrGOption().SetInt("omlegjpleft", 7);
    LmrGOption().Refresh();
    ASSERT_TRUE(LmrGOption().SaveToFile(folder + "/o.dat"));
    LmrGOption().SetDefaults();
    LmrGOption().Refresh();
    ASSERT_TRUE(LmrGOption().LoadFromFile(folder + "/o.dat"));
    EXPECT_EQ(LmrOpt().omlegjpleft, 7);
    EXPECT_EQ(LmrGOption().GetString("tnccode"), "00");
    EXPECT_EQ(LmrGOption().GetString("UJPT.fntface"), "Arial");
}

}  // namespace
