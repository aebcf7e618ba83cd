#include "design/model/dsggoption.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "design/model/dsgdpsettings.h"
#include "design/model/tests/eactionstesting.h"
#include "platform/paths.h"
#include "platform/testing/testsupport.h"

using namespace eatesting;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

namespace {

// The default record. Our store writes its items in key order.
const std::string kDefaultBytes =
    IntItem("GOPT.cpcindex", 0) + IntItem("GOPT.epusftype", 0) + IntItem("GOPT.lmheight", 240) +
    IntItem("GOPT.lmtight_uggap", 5) + IntItem("GOPT.lmwidth", 320) +
    IntItem("GOPT.spage_back_color", 0xFBF0DD) + IntItem("GOPT.use_ugrid", 1);

class GOptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = CDsgGOption::GetGOptionFolder();
        Clean();
        GetDsgGOption().RemoveAll();
        GetDsgGOption().SetDefaultGOption();
    }
    void TearDown() override {
        Clean();
        SetKeyStyle(KEYSTYLE_LONG);
        GetDsgGOption().RemoveAll();
        GetDsgGOption().SetDefaultGOption();
    }
    void Clean() {
        std::filesystem::remove_all(ShortFile());
        std::filesystem::remove_all(LongFile());
        std::filesystem::remove_all(GridFile());
    }
    std::string ShortFile() const { return folder_ + "/dvk_goptions.dat"; }
    std::string LongFile() const { return folder_ + "/dsg_gopt.dat"; }
    static std::string GridFile() { return GetSystemFolder() + "/grid.cfg"; }
    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

    std::string folder_;
};

}  // namespace

TEST_F(GOptionTest, FolderIsTheTestProgramFolder) {
    // Linked into the program, the library keeps its files beside the
    // program; the tests point that folder at a temporary one.
    EXPECT_EQ(folder_, GetFolder(FolderKind::Program));
    EXPECT_EQ(folder_.rfind(testsupport::TempRoot(), 0), 0u);
}

// The default values and their types are checked by the exact bytes below.
TEST_F(GOptionTest, ConstructedEmptyDefaultsOnRequest) {
    CDsgGOption options;
    EXPECT_EQ(options.GetCount(), 0);
    EXPECT_EQ(options.GetSPageBackColor(), 0u);
    options.SetDefaultGOption();
    EXPECT_EQ(options.GetSPageBackColor(), 0xFBF0DDu);
}

TEST_F(GOptionTest, FreshInstallationKeepsDefaults) {
    CDsgGOption options;
    options.SetDefaultGOption();
    EXPECT_EQ(options.FromFile(), 0);  // no file in either style
    SetKeyStyle(KEYSTYLE_SHORT);
    EXPECT_EQ(options.FromFile(), 0);
    CDsgGOption defaults;
    defaults.SetDefaultGOption();
    EXPECT_EQ(options.GetText(), defaults.GetText());
}

TEST_F(GOptionTest, WritesExactBytesInBothKeyStyles) {
    CDsgGOption options;
    options.SetDefaultGOption();

    // Short style: the designer program's file, still with the long keys.
    SetKeyStyle(KEYSTYLE_SHORT);
    ASSERT_EQ(options.ToFile(), 1);
    EXPECT_EQ(ReadFileBytes(ShortFile()), kDefaultBytes);
    EXPECT_FALSE(Exists(LongFile()));

    // Long style: its own file, and the short style's file goes.
    SetKeyStyle(KEYSTYLE_LONG);
    options.SetInt(GOPT_LMWIDTH, 128);
    ASSERT_EQ(options.ToFile(), 1);
    EXPECT_FALSE(Exists(ShortFile()));
    const std::string expected =
        IntItem("GOPT.cpcindex", 0) + IntItem("GOPT.epusftype", 0) + IntItem("GOPT.lmheight", 240) +
        IntItem("GOPT.lmtight_uggap", 5) + std::string("\x23\x0CGOPT.lmwidth\x80\x00\x00\x00", 18) +
        IntItem("GOPT.spage_back_color", 0xFBF0DD) + IntItem("GOPT.use_ugrid", 1);
    EXPECT_EQ(ReadFileBytes(LongFile()), expected);

    CDsgGOption back;
    back.SetDefaultGOption();
    EXPECT_EQ(back.FromFile(), 1);
    EXPECT_EQ(back.GetText(), options.GetText());
}

TEST_F(GOptionTest, ReadsOverPresentValues) {
    // A hand-written file holding only the width.
    WriteFileBytes(ShortFile(), std::string("\x23\x0CGOPT.lmwidth\x40\x01\x00\x00", 18));
    CDsgGOption options;
    options.SetDefaultGOption();
    options.SetInt(GOPT_LMWIDTH, 1);
    SetKeyStyle(KEYSTYLE_SHORT);
    EXPECT_EQ(options.FromFile(), 1);
    EXPECT_EQ(options.GetInt(GOPT_LMWIDTH, -1), 320);
    EXPECT_EQ(options.GetInt(GOPT_LMHEIGHT, -1), 240);
    EXPECT_EQ(options.GetInt(GOPT_LMTIGHT_UGGAP, -1), 5);
    EXPECT_EQ(options.GetCount(), 7);

    // Short keys are not option keys: they are read as they stand.
    WriteFileBytes(ShortFile(), IntItem("lmwidth", 64) + IntItem(GOPT_LMHEIGHT, 48));
    EXPECT_EQ(options.FromFile(), 1);
    EXPECT_EQ(options.GetInt(GOPT_LMWIDTH, -1), 320);
    EXPECT_EQ(options.GetInt(GOPT_LMHEIGHT, -1), 48);
}

// Which file the long key style reads.
TEST_F(GOptionTest, LongStyleChoosesItsFile) {
    CDsgGOption options;
    options.SetDefaultGOption();

    // Only the short style's file: read it.
    WriteFileBytes(ShortFile(), IntItem(GOPT_LMWIDTH, 200));
    EXPECT_EQ(options.FromFile(), 1);
    EXPECT_EQ(options.GetInt(GOPT_LMWIDTH, -1), 200);

    // Only its own file.
    std::filesystem::remove(ShortFile());
    WriteFileBytes(LongFile(), IntItem(GOPT_LMWIDTH, 240));
    EXPECT_EQ(options.FromFile(), 1);
    EXPECT_EQ(options.GetInt(GOPT_LMWIDTH, -1), 240);

    // The short style never looks at the long style's file.
    SetKeyStyle(KEYSTYLE_SHORT);
    EXPECT_EQ(options.FromFile(), 0);
    EXPECT_EQ(options.GetInt(GOPT_LMWIDTH, -1), 240);
}

TEST_F(GOptionTest, BothFilesTakeOnlyTheLegacyGrid) {
    WriteFileBytes(ShortFile(), IntItem(GOPT_LMWIDTH, 200));
    WriteFileBytes(LongFile(), IntItem(GOPT_LMWIDTH, 240));
    CDsgGOption options;
    options.SetDefaultGOption();

    // No grid file: still a success, and nothing changes.
    EXPECT_EQ(options.FromFile(), 1);
    EXPECT_EQ(options.GetInt(GOPT_LMWIDTH, -1), 320);
    EXPECT_EQ(options.GetInt(GOPT_USE_UGRID, -1), 1);

    MakeFolderPath(GetSystemFolder());
    WriteFileBytes(GridFile(), IntItem("use_grid", 0) + IntItem("grid_size", 12));
    EXPECT_EQ(options.FromFile(), 1);
    EXPECT_EQ(options.GetInt(GOPT_LMWIDTH, -1), 320);
    EXPECT_EQ(options.GetInt(GOPT_USE_UGRID, -1), 0);
    EXPECT_EQ(options.GetInt(GOPT_LMTIGHT_UGGAP, -1), 12);

    // Keys missing from the grid file take the grid defaults.
    options.SetInt(GOPT_LMTIGHT_UGGAP, 30);
    WriteFileBytes(GridFile(), TextItem("other", "x"));
    EXPECT_EQ(options.FromFile(), 1);
    EXPECT_EQ(options.GetInt(GOPT_USE_UGRID, -1), 1);
    EXPECT_EQ(options.GetInt(GOPT_LMTIGHT_UGGAP, -1), 5);

    // The short style ignores the grid file.
    SetKeyStyle(KEYSTYLE_SHORT);
    EXPECT_EQ(options.FromFile(), 1);
    EXPECT_EQ(options.GetInt(GOPT_LMWIDTH, -1), 200);
}

TEST_F(GOptionTest, UnwritableFileFails) {
    std::filesystem::create_directory(LongFile());  // a folder in the file's place
    CDsgGOption options;
    options.SetDefaultGOption();
    EXPECT_EQ(options.ToFile(), 0);
    std::filesystem::create_directory(ShortFile());
    SetKeyStyle(KEYSTYLE_SHORT);
    EXPECT_EQ(options.ToFile(), 0);
}

TEST_F(GOptionTest, SizesComeFromTheGlobalOptions) {
    CDsgGOption local;  // empty: its own keys do not count
    EXPECT_EQ(local.GetLMSize(), CSize(320, 240));
    EXPECT_EQ(CDsgGOption::GetTSPHeight(), 41);  // 55 x 240 / 320 = 41.25

    GetDsgGOption().SetInt(GOPT_LMWIDTH, 240);
    GetDsgGOption().SetInt(GOPT_LMHEIGHT, 128);
    EXPECT_EQ(CDsgGOption::GetTSPHeight(), 29);  // 29.33

    GetDsgGOption().RemoveAll();
    EXPECT_EQ(CDsgGOption::GetLMSize(), CSize(1, 1));
    EXPECT_EQ(CDsgGOption::GetTSPHeight(), 55);

    // A zero or negative width counts as missing.
    GetDsgGOption().SetInt(GOPT_LMWIDTH, 0);
    GetDsgGOption().SetInt(GOPT_LMHEIGHT, 10);
    EXPECT_EQ(CDsgGOption::GetTSPHeight(), 550);
    GetDsgGOption().SetInt(GOPT_LMWIDTH, -4);
    EXPECT_EQ(CDsgGOption::GetTSPHeight(), 550);
    GetDsgGOption().SetInt(GOPT_LMWIDTH, 1);
    GetDsgGOption().SetInt(GOPT_LMHEIGHT, 0x7FFFFFFF);
    EXPECT_EQ(CDsgGOption::GetTSPHeight(), 0x7FFFFFFF);
}

// Grid and highlight colours on either side of the 128 channel mean.
TEST_F(GOptionTest, GridAndNegativeColours) {
    CDsgGOption options;
    options.SetDefaultGOption();
    // Default page: mean 237, light: darker grid, lighter highlight.
    EXPECT_EQ(options.GetUGridColor(), RGB(192, 208, 218));
    EXPECT_EQ(options.GetNegativeColor(), RGB(224, 241, 251));

    struct Case {
        COLORREF back, grid, negative;
    };
    const Case cases[] = {
        {RGB(128, 128, 128), RGB(111, 111, 111), RGB(139, 139, 139)},  // mean 128
        {RGB(128, 128, 127), RGB(144, 144, 143), RGB(116, 116, 115)},  // 383 / 3 = 127
        {RGB(0, 100, 255), RGB(33, 120, 255), RGB(0, 91, 232)},        // mean 118
        // Bits above the colour are not carried into the shades.
        {0xFF000000u | RGB(255, 255, 255), RGB(221, 221, 221), RGB(255, 255, 255)},
    };
    for (const Case& c : cases) {
        options.SetInt(GOPT_SPAGE_BACK_COLOR, static_cast<int>(c.back));
        EXPECT_EQ(options.GetUGridColor(), c.grid) << std::hex << c.back;
        EXPECT_EQ(options.GetNegativeColor(), c.negative) << std::hex << c.back;
    }
    // Missing colour: black page.
    options.RemoveAll();
    EXPECT_EQ(options.GetUGridColor(), RGB(33, 33, 33));
    EXPECT_EQ(options.GetNegativeColor(), RGB(0, 0, 0));
}

TEST(DPSettingsTest, DefaultsAndRecordBytes) {
    CDsgDPSettings settings;
    CRevolver buffer;
    ASSERT_TRUE(settings.ToRevolver(buffer));
    EXPECT_EQ(ContentOf(buffer),
              IntItem("DPS.irncgcisolate", 0) + TextItem("DPS.irncgcscname", "DEFINECHRS") +
                  TextItem("DPS.tgcmflpath", "") + IntItem("DPS.tgcmwhether", 0));

    settings.SetInt(DPS_TGCMWHETHER, 1);
    settings.SetString(DPS_IRNCGCSCNAME, "X");
    settings.SetDefaultDPSettings();
    EXPECT_EQ(settings.GetInt(DPS_TGCMWHETHER, -1), 0);
    EXPECT_EQ(settings.GetString(DPS_IRNCGCSCNAME), "DEFINECHRS");
}
