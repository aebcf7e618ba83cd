#include "pixel/lmrgoption.h"

#include "pixel/tests/pixeltesting.h"

namespace {

using OptionTest = pixeltest::EngineTest;

// Values read from a file pass their checks or take their defaults, so that
// the working area lies on the canvas, no breadth divides by zero and the
// code dialog's fields are never refused when they first show.
TEST_F(OptionTest, LoadedValuesPassTheirChecksOrTakeTheirDefaults) {
    const std::string path = testsupport::MakeTempFolder() + "/lmr_goption.dat";
    const char* keys[] = {"mlegjpwidth", "mlegjpheight", "omlegjpleft", "omlegjptop",
                          "ejpbreadth",  "ojpbreadth",   "shfdindent"};
    struct Case {
        int stored[7];  // -99: not stored
        const char* textHeight;
        const char* code;  // nullptr: not stored
        int expected[7];
        const char* heldHeight;
        const char* heldCode;
    };
    const Case cases[] = {
        {{-99, -99, -99, -99, -99, -99, -99}, "12", nullptr, {2, 1, 1, 2, 13, 1, 0}, "12", "DB30"},
        {{-99, 3, -99, 12, -1, 0, -99}, "12", "0041", {2, 3, 1, 2, 13, 1, 0}, "12", "0041"},
        {{17, 14, 3, -99, 51, 1000, 12}, "500", "ZZ", {2, 1, 3, 2, 13, 1, 0}, "12", "DB30"},
        {{0, -4, 15, -1, -99, -99, -1}, "0", "DB3G", {2, 1, 1, 2, 13, 1, 0}, "12", "DB30"},
        {{-99, -99, 15, -99, -99, -99, -99}, "x", "db3", {2, 1, 1, 2, 13, 1, 0}, "12", "DB30"},
        {{16, 13, 0, 0, 50, 50, 9}, "200", "00ff", {16, 13, 0, 0, 50, 50, 9}, "200", "00ff"},
        {{1, 1, 15, 12, 1, 1, 0}, "12.5", " DB3", {1, 1, 15, 12, 1, 1, 0}, "12", "DB30"},
    };
    for (const Case& c : cases) {
        CFxRevPropStore stored;
        for (int i = 0; i < 7; ++i)
            if (c.stored[i] != -99) stored.SetInt(keys[i], c.stored[i]);
        stored.SetString("UJPT.fntsize", c.textHeight);
        if (c.code) stored.SetString("tnccode", c.code);
        ASSERT_TRUE(stored.ToFile(path));
        LmrGOption().SetDefaults();
        ASSERT_TRUE(LmrGOption().LoadFromFile(path));
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(LmrGOption().GetInt(keys[i], -5), c.expected[i]) << keys[i];
        EXPECT_EQ(LmrGOption().GetString("UJPT.fntsize"), c.heldHeight);
        EXPECT_EQ(LmrGOption().GetString("tnccode"), c.heldCode);
        const LmrOptionValues& v = LmrOpt();
        EXPECT_EQ(std::vector<int>({v.mlegjpwidth, v.mlegjpheight, v.omlegjpleft, v.omlegjptop,
                                    v.ejpbreadth, v.ojpbreadth}),
                  std::vector<int>(c.expected, c.expected + 6));
    }
    // Values of the wrong kind take their defaults too; whole numbers kept
    // as texts pass.
    CFxRevPropStore kinds;
    kinds.SetString("ejpbreadth", "7");
    kinds.SetString("ojpbreadth", "7x");
    kinds.SetInt("tnccode", 4660);
    kinds.SetInt("UJPT.fntsize", 30);
    kinds.SetString("UJPT.fntface", "");
    kinds.SetInt("UJPT.fntbold", 2);
    ASSERT_TRUE(kinds.ToFile(path));
    LmrGOption().SetDefaults();
    ASSERT_TRUE(LmrGOption().LoadFromFile(path));
    EXPECT_EQ(LmrOpt().ejpbreadth, 7);
    EXPECT_EQ(LmrOpt().ojpbreadth, 1);
    EXPECT_EQ(LmrGOption().GetValueType("tnccode"), CFxPropItem::VT_STRING);
    EXPECT_EQ(LmrGOption().GetString("tnccode") + "|" + LmrGOption().GetString("UJPT.fntsize") +
                  "|" + LmrGOption().GetString("UJPT.fntface"),
              "DB30|12|Arial");
    EXPECT_EQ(LmrGOption().GetInt("UJPT.fntbold", -1), 0);
    // An unreadable file leaves the values.
    LmrGOption().SetString("tnccode", "00");
    EXPECT_FALSE(LmrGOption().LoadFromFile(path + ".missing"));
    EXPECT_EQ(LmrGOption().GetString("tnccode"), "00");
}

}  // namespace
