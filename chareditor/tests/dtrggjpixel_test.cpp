#include "chareditor/dtrggjpixel.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QListWidget>
#include <chrono>
#include <vector>

#include "chareditor/tests/chartesting.h"
#include "foundation/fxsharedvalues.h"
#include "platform/paths.h"
#include "platform/testing/testsupport.h"

namespace {

std::vector<int> CodesOf(const CDtrGGJPixel& set) {
    std::vector<int> codes;
    for (int i = 0; i < set.GetGJPCount(); ++i) codes.push_back(set.GetGJPixelAt(i)->nccode);
    return codes;
}

CRevolver CharacterRecord(int code) {
    CRevolver record;
    Dot(code)->GJPixelToRevolver(record);
    return record;
}

}  // namespace

TEST(DtrGGJPixelTest, LowestFreeCode) {
    CDtrGGJPixel set;
    EXPECT_EQ(set.GetFVacantNCCode(), 0xDB30);
    for (int code : {0xDB32, 0xDB30, 0x41}) set.AddGJPixel(Dot(code));
    EXPECT_EQ(set.GetFVacantNCCode(), 0xDB31);

    CDtrGGJPixel full;
    for (int code = 0xDBFF; code >= 0xDB30; --code) full.AddGJPixel(Dot(code));
    EXPECT_EQ(full.GetFVacantNCCode(), 0);
    full.DeleteByNCCode(0xDB77, 1);
    EXPECT_EQ(full.GetFVacantNCCode(), 0xDB77);
}

TEST(DtrGGJPixelTest, LookupDeletionAndListTakeSetOrder) {
    CDtrGGJPixel set;
    CDtrGJPixel* first = set.AddGJPixel(Dot(0xDB31, 1));
    set.AddGJPixel(Dot(0xDB30));
    CDtrGJPixel* second = set.AddGJPixel(Dot(0xDB31, 2));
    set.eirncachar = 0xDB31;
    EXPECT_EQ(set.GetGJPixelByNCCode(0xDB31), first);
    std::set<int> codes = {0x99};
    set.GetNCCodeMap(codes);
    EXPECT_EQ(codes, (std::set<int>{0xDB30, 0xDB31}));

    QListWidget list;
    list.addItem("stale");
    set.GGJPixelToListCtrl(list);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(1)->text(), "&HDB30");
    EXPECT_EQ(CDtrGJPixel::GJPixelFromListItem(list.item(2)), second);

    set.DeleteByNCCode(0xDB40, 1);
    set.DeleteByNCCode(0xDB31, 1);
    EXPECT_EQ(set.GetGJPixelByNCCode(0xDB31), second);
    // Without the delete flag the character lives on with the caller.
    set.DeleteByNCCode(0xDB31, 0);
    EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB30}));
    std::unique_ptr<CDtrGJPixel> kept(second);
    EXPECT_EQ(kept->GetJPixel(2, 0), 0);
    set.GGJPClear();
    EXPECT_EQ(set.GetGJPCount(), 0);
}

TEST(DtrGGJPixelTest, SetFileBytesAndRoundTrip) {
    CDtrGGJPixel set;
    set.AddGJPixel(Dot(0xDB30));
    set.eirncachar = 0xDB30;
    const std::string folder = testsupport::MakeTempFolder("set");
    const std::string path = folder + "/prj0/irggjp.dat";  // the folder is made
    ASSERT_EQ(set.GGJPixelToFile(path), 1);
    const std::string character = CharacterRecordBytes("\x80" + Zeros(31), 0xDB30);
    EXPECT_EQ(testsupport::ReadFileBytes(path),
              ItemHead(0x23, "GGJP.bpp") + IntBytes(1) + ItemHead(0x23, "GGJP.eirncachar") +
                  IntBytes(0xDB30) + ItemHead(0x23, "GGJP.gjpcount") + IntBytes(1) +
                  ItemHead(0x00, "GGJP.gjpixel0") + Bytes({63}) + character);

    // Twelve characters: "GGJP.gjpixel10" holds the eleventh.
    for (int i = 1; i < 12; ++i) set.AddGJPixel(Dot(0xDB30 + i, i));
    set.eirncachar = -1;
    ASSERT_EQ(set.GGJPixelToFile(path), 1);
    CDtrGGJPixel back;
    ASSERT_EQ(back.GGJPixelFromFile(path), 1);
    EXPECT_EQ(CodesOf(back), CodesOf(set));
    EXPECT_EQ(back.GetGJPixelAt(11)->GetJPixel(11, 0), 0);
    EXPECT_EQ(back.eirncachar, -1);
    EXPECT_EQ(back.GGJPixelFromFile(folder + "/missing.dat"), 0);
    EXPECT_EQ(back.GetGJPCount(), 12);
    EXPECT_EQ(set.GGJPixelToFile(folder), 0);  // a folder in the way
}

TEST(DtrGGJPixelTest, ReadingSkipsMissingEntriesAndAppends) {
    CFxRevPropStore store;
    store.SetInt("GGJP.gjpcount", 3);
    store.SetRevolver("GGJP.gjpixel0", CharacterRecord(0xDB30));
    store.SetRevolver("GGJP.gjpixel2", CharacterRecord(0xDB32));
    // Not entries of the set: past the count, or not the index's own text.
    store.SetRevolver("GGJP.gjpixel3", CharacterRecord(0xDB33));
    store.SetRevolver("GGJP.gjpixel01", CharacterRecord(0xDB34));
    store.SetInt("GGJP.eirncachar", 0xDB32);
    CDtrGGJPixel set;
    set.AddGJPixel(Dot(0xDB50));
    ASSERT_EQ(set.GGJPixelFromRevolver(Encoded(store)), 1);
    EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB50, 0xDB30, 0xDB32}));
    EXPECT_EQ(set.eirncachar, 0xDB32);
    // A second read without clearing doubles the set.
    ASSERT_EQ(set.GGJPixelFromRevolver(Encoded(store)), 1);
    EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB50, 0xDB30, 0xDB32, 0xDB30, 0xDB32}));

    // No count, or a count of 0 or less: no characters, the current code
    // still taken.
    for (int count : {0, -4}) {
        if (count < 0)
            store.SetInt("GGJP.gjpcount", count);
        else
            store.RenameKey("GGJP.gjpcount", "GGJP.count");
        CDtrGGJPixel none;
        EXPECT_EQ(none.GGJPixelFromRevolver(Encoded(store)), 1);
        EXPECT_EQ(none.GetGJPCount(), 0);
        EXPECT_EQ(none.eirncachar, 0xDB32);
    }
    // A damaged count does not walk two thousand million indexes.
    store.SetInt("GGJP.gjpcount", 0x7FFFFFFF);
    CDtrGGJPixel huge;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(huge.GGJPixelFromRevolver(Encoded(store)), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(CodesOf(huge), (std::vector<int>{0xDB30, 0xDB32, 0xDB33}));
}

TEST(DtrGGJPixelTest, BadRecordsAndFilesChangeNothing) {
    CFxRevPropStore shortPattern;
    shortPattern.SetInt("GJP.nccode", 0xDB31);
    shortPattern.SetRevolver("GJP.gjpfruit", RevolverOf(Zeros(31)));
    CFxRevPropStore badCharacter;
    badCharacter.SetInt("GGJP.gjpcount", 2);
    badCharacter.SetInt("GGJP.eirncachar", 0xDB31);
    badCharacter.SetRevolver("GGJP.gjpixel0", CharacterRecord(0xDB30));
    badCharacter.SetRevolver("GGJP.gjpixel1", Encoded(shortPattern));
    CFxRevPropStore noCurrent;
    noCurrent.SetInt("GGJP.gjpcount", 1);
    noCurrent.SetRevolver("GGJP.gjpixel0", CharacterRecord(0xDB30));
    const std::string good =
        ContentOf(Encoded(noCurrent)) + ItemHead(0x23, "GGJP.eirncachar") + IntBytes(0xDB30);
    const std::string folder = testsupport::MakeTempFolder("bad");
    testsupport::WriteFileBytes(folder + "/cut.dat", good.substr(0, good.size() - 30));

    const std::pair<const char*, CRevolver> bad[] = {
        {"bad character", Encoded(badCharacter)},
        {"no current code", Encoded(noCurrent)},
        {"key number", RevolverOf(Bytes({0x40, 0x00, 0x01}) + good)},
    };
    auto check = [](const char* what, auto read) {
        CDtrGGJPixel set;
        set.AddGJPixel(Dot(0xDB40, 7));
        set.eirncachar = 0xDB40;
        EXPECT_EQ(read(set), 0) << what;
        EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB40})) << what;
        EXPECT_EQ(set.GetGJPixelAt(0)->GetJPixel(7, 0), 0) << what;
        EXPECT_EQ(set.eirncachar, 0xDB40) << what;
    };
    for (const auto& [what, bytes] : bad) {
        const CRevolver& record = bytes;
        check(what, [&](CDtrGGJPixel& set) { return set.GGJPixelFromRevolver(record); });
    }
    // A file cut inside the character's byte block.
    check("cut file", [&](CDtrGGJPixel& set) { return set.GGJPixelFromFile(folder + "/cut.dat"); });

    CDtrGGJPixel set;
    EXPECT_EQ(set.GGJPixelFromRevolver(RevolverOf(good)), 1);
    EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB30}));
}

namespace {

// The diagnostics switch is tested once per module, so the marker file must
// be there before the library's first log entry.
class DiagnosticsOn : public ::testing::Environment {
public:
    void SetUp() override {
        const std::string marker = GetDeveloperMarkerPath();
        MakeFolderPath(marker.substr(0, marker.rfind('/')));
        testsupport::WriteFileBytes(marker, "");
    }
};
const auto* const g_diagnostics = ::testing::AddGlobalTestEnvironment(new DiagnosticsOn);

}  // namespace

TEST(DtrGGJPixelTest, ReadFailuresAreLoggedWithTheirReason) {
    const std::string log = testsupport::MakeTempFolder("log") + "/dsg.log";
    const std::string pathName = GetSharedLogPathName(static_cast<unsigned long>(::getpid()));
    ASSERT_TRUE(FxSharedValues().PutShared(pathName, log));
    CFxRevPropStore store;
    store.SetInt("GGJP.gjpcount", 0);
    CDtrGGJPixel set;
    EXPECT_EQ(set.GGJPixelFromRevolver(Encoded(store)), 0);
    store.SetInt("GGJP.eirncachar", 1);
    store.SetInt("GGJP.gjpcount", 1);
    store.SetRevolver("GGJP.gjpixel0", RevolverOf("x"));
    EXPECT_EQ(set.GGJPixelFromRevolver(Encoded(store)), 0);
    FxSharedValues().ReleaseShared(pathName);

    const std::string text = testsupport::ReadFileBytes(log);
    for (const char* entry : {"] GGJPixelFromRevolver Fail Reason 2.0\r\n\r\n",
                              "] GJPixelFromRevolver Fail Reason 1.0\r\n",
                              "] GGJPixelFromRevolver Fail Reason 3.0 GGJP.gjpixel0\r\n"})
        EXPECT_NE(text.find(entry), std::string::npos) << entry;
}
