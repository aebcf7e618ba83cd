#include "pixel/lmrgoption.h"

#include "pixel/tests/pixeltesting.h"

namespace {

using OptionTest = pixeltest::EngineTest;

// Values read from a file are held within their limits, so that the working
// area lies on the canvas and no breadth divides by zero.
TEST_F(OptionTest, LoadedValuesAreHeldWithinTheirLimits) {
    const std::string path = testsupport::MakeTempFolder() + "/lmr_goption.dat";
    const char* keys[] = {"mlegjpwidth", "mlegjpheight", "omlegjpleft", "omlegjptop",
                          "ejpbreadth",  "ojpbreadth",   "shfdindent"};
    struct Case {
        int stored[7];  // -99: not stored
        const char* textHeight;
        int expected[7];
        const char* heldHeight;
    };
    const Case cases[] = {
        {{-99, -99, -99, -99, -99, -99, -99}, "12", {2, 1, 1, 2, 13, 1, 0}, "12"},
        {{-99, 3, -99, 12, -1, 0, -99}, "12", {2, 3, 1, 10, 1, 1, 0}, "12"},
        {{17, 14, 3, -99, 51, 1000, 12}, "500", {16, 13, 0, 0, 50, 50, 9}, "200"},
        {{0, -4, 15, -1, -99, -99, -1}, "0", {1, 1, 15, 0, 13, 1, 0}, "1"},
        {{-99, -99, 15, -99, -99, -99, -99}, "x", {2, 1, 14, 2, 13, 1, 0}, "1"},
    };
    for (const Case& c : cases) {
        CFxRevPropStore stored;
        for (int i = 0; i < 7; ++i)
            if (c.stored[i] != -99) stored.SetInt(keys[i], c.stored[i]);
        stored.SetString("UJPT.fntsize", c.textHeight);
        ASSERT_TRUE(stored.ToFile(path));
        LmrGOption().SetDefaults();
        ASSERT_TRUE(LmrGOption().LoadFromFile(path));
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(LmrGOption().GetInt(keys[i], -5), c.expected[i]) << keys[i];
        EXPECT_EQ(LmrGOption().GetString("UJPT.fntsize"), c.heldHeight);
        const LmrOptionValues& v = LmrOpt();
        EXPECT_EQ(std::vector<int>({v.mlegjpwidth, v.mlegjpheight, v.omlegjpleft, v.omlegjptop,
                                    v.ejpbreadth, v.ojpbreadth}),
                  std::vector<int>(c.expected, c.expected + 6));
    }
    // An unreadable file leaves the values.
    LmrGOption().SetString("tnccode", "00");
    EXPECT_FALSE(LmrGOption().LoadFromFile(path + ".missing"));
    EXPECT_EQ(LmrGOption().GetString("tnccode"), "00");
}

}  // namespace
