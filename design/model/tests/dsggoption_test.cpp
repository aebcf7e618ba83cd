#include "design/model/dsggoption.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "design/model/dsgdpsettings.h"
#include "design/model/tests/eactionstesting.h"
#include "platform/paths.h"
#include "platform/testing/testsupport.h"

using eatesting::IntItem;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

namespace {

class GOptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& f : {ShortFile(), LongFile(), GridFile()})
            std::filesystem::remove_all(f);
        MakeFolderPath(GetSystemFolder());
        GetDsgGOption().RemoveAll();
        GetDsgGOption().SetDefaultGOption();
        options_.SetDefaultGOption();
    }
    void TearDown() override {
        SetKeyStyle(KEYSTYLE_LONG);
        SetUp();
    }
    static std::string ShortFile() { return GetFolder(FolderKind::Program) + "/dvk_goptions.dat"; }
    static std::string LongFile() { return GetFolder(FolderKind::Program) + "/dsg_gopt.dat"; }
    static std::string GridFile() { return GetSystemFolder() + "/grid.cfg"; }
    int Width() const { return options_.GetInt(GOPT_LMWIDTH, -1); }

    CDsgGOption options_;
};

}  // namespace

TEST_F(GOptionTest, WritesExactBytesInBothKeyStyles) {
    EXPECT_EQ(CDsgGOption().GetCount(), 0);  // defaults only on request
    // Our store writes its items in key order; the keys are long in both.
    auto bytes = [](int width) {
        return IntItem("GOPT.cpcindex", 0) + IntItem("GOPT.epusftype", 0) +
               IntItem("GOPT.lmheight", 240) + IntItem("GOPT.lmtight_uggap", 5) +
               IntItem("GOPT.lmwidth", width) + IntItem("GOPT.spage_back_color", 0xFBF0DD) +
               IntItem("GOPT.use_ugrid", 1);
    };
    SetKeyStyle(KEYSTYLE_SHORT);
    ASSERT_EQ(options_.ToFile(), 1);
    EXPECT_EQ(ReadFileBytes(ShortFile()), bytes(320));
    EXPECT_FALSE(std::filesystem::exists(LongFile()));

    // The long style writes its own file and removes the short style's.
    SetKeyStyle(KEYSTYLE_LONG);
    options_.SetInt(GOPT_LMWIDTH, 128);
    ASSERT_EQ(options_.ToFile(), 1);
    EXPECT_EQ(ReadFileBytes(LongFile()), bytes(128));
    EXPECT_FALSE(std::filesystem::exists(ShortFile()));

    // A folder in the file's place cannot be written.
    std::filesystem::remove(LongFile());
    std::filesystem::create_directory(LongFile());
    EXPECT_EQ(options_.ToFile(), 0);
}

TEST_F(GOptionTest, ReadingChoosesTheFileOfTheKeyStyle) {
    // No file: defaults stay, result 0.
    EXPECT_EQ(options_.FromFile(), 0);
    EXPECT_EQ(Width(), 320);

    // The long style without its own file reads the short style's; values
    // missing from the file keep theirs.
    WriteFileBytes(ShortFile(), IntItem(GOPT_LMWIDTH, 200));
    options_.SetInt(GOPT_LMHEIGHT, 64);
    EXPECT_EQ(options_.FromFile(), 1);
    EXPECT_EQ(Width(), 200);
    EXPECT_EQ(options_.GetInt(GOPT_LMHEIGHT, -1), 64);

    // Only its own file.
    std::filesystem::remove(ShortFile());
    WriteFileBytes(LongFile(), IntItem(GOPT_LMWIDTH, 240));
    EXPECT_EQ(options_.FromFile(), 1);
    EXPECT_EQ(Width(), 240);

    // The short style never reads the long style's file.
    SetKeyStyle(KEYSTYLE_SHORT);
    EXPECT_EQ(options_.FromFile(), 0);
    EXPECT_EQ(Width(), 240);
}

TEST_F(GOptionTest, BothFilesTakeOnlyTheLegacyGrid) {
    WriteFileBytes(ShortFile(), IntItem(GOPT_LMWIDTH, 200));
    WriteFileBytes(LongFile(), IntItem(GOPT_LMWIDTH, 240));
    EXPECT_EQ(options_.FromFile(), 1);  // no grid file: nothing changes
    EXPECT_EQ(Width(), 320);

    WriteFileBytes(GridFile(), IntItem("use_grid", 0) + IntItem("grid_size", 12));
    EXPECT_EQ(options_.FromFile(), 1);
    EXPECT_EQ(Width(), 320);
    EXPECT_EQ(options_.GetInt(GOPT_USE_UGRID, -1), 0);
    EXPECT_EQ(options_.GetInt(GOPT_LMTIGHT_UGGAP, -1), 12);

    // Keys missing from the grid file take the grid defaults.
    WriteFileBytes(GridFile(), IntItem("other", 1));
    EXPECT_EQ(options_.FromFile(), 1);
    EXPECT_EQ(options_.GetInt(GOPT_USE_UGRID, -1), 1);
    EXPECT_EQ(options_.GetInt(GOPT_LMTIGHT_UGGAP, -1), 5);
}

TEST_F(GOptionTest, SizesComeFromTheGlobalOptions) {
    EXPECT_EQ(CDsgGOption::GetTSPHeight(), 41);  // 55 x 240 / 320 = 41.25
    CDsgGOption& global = GetDsgGOption();
    global.SetInt(GOPT_LMWIDTH, 1000);  // only the global object counts
    EXPECT_EQ(CDsgGOption().GetLMSize(), CSize(1000, 240));
    global.RemoveAll();
    EXPECT_EQ(CDsgGOption::GetLMSize(), CSize(1, 1));
    EXPECT_EQ(CDsgGOption::GetTSPHeight(), 55);
    // A width of 0 counts as missing; a huge height is held.
    global.SetInt(GOPT_LMHEIGHT, 10);
    global.SetInt(GOPT_LMWIDTH, 0);
    EXPECT_EQ(CDsgGOption::GetTSPHeight(), 550);
    global.SetInt(GOPT_LMWIDTH, 1);
    global.SetInt(GOPT_LMHEIGHT, 0x7FFFFFFF);
    EXPECT_EQ(CDsgGOption::GetTSPHeight(), 0x7FFFFFFF);
}

// Grid and highlight colours on either side of the 128 channel mean.
TEST_F(GOptionTest, GridAndNegativeColours) {
    struct Case {
        COLORREF back, grid, negative;
    } cases[] = {
        {0xFBF0DD, RGB(192, 208, 218), RGB(224, 241, 251)},                // default, mean 237
        {RGB(128, 128, 128), RGB(111, 111, 111), RGB(139, 139, 139)},      // mean 128
        {RGB(128, 128, 127), RGB(144, 144, 143), RGB(116, 116, 115)},      // 383 / 3 = 127
        {RGB(0, 100, 255), RGB(33, 120, 255), RGB(0, 91, 232)},            // mean 118
        {0xFF000000u | RGB(255, 255, 255), RGB(221, 221, 221), 0xFFFFFF},  // high bits dropped
    };
    for (const Case& c : cases) {
        options_.SetInt(GOPT_SPAGE_BACK_COLOR, static_cast<int>(c.back));
        EXPECT_EQ(options_.GetUGridColor(), c.grid) << std::hex << c.back;
        EXPECT_EQ(options_.GetNegativeColor(), c.negative) << std::hex << c.back;
    }
    options_.RemoveAll();  // no colour: a black page
    EXPECT_EQ(options_.GetUGridColor(), RGB(33, 33, 33));
    EXPECT_EQ(options_.GetNegativeColor(), 0u);
}

TEST(DPSettingsTest, Defaults) {
    CDsgDPSettings settings;
    settings.SetInt(DPS_TGCMWHETHER, 1);
    settings.SetString(DPS_IRNCGCSCNAME, "X");
    settings.SetDefaultDPSettings();
    EXPECT_EQ(settings.GetText(),
              "DPS.irncgcisolate=0,DPS.irncgcscname=DEFINECHRS,DPS.tgcmflpath=,DPS.tgcmwhether=0");
    EXPECT_EQ(settings.GetValueType(DPS_TGCMFLPATH), CFxPropItem::VT_STRING);
    EXPECT_EQ(settings.GetValueType(DPS_TGCMWHETHER), CFxPropItem::VT_INT);
}
