#include "chareditor/dtrggjpixel.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <chrono>
#include <set>
#include <vector>

#include "foundation/fxrevpropstore.h"
#include "foundation/tests/storetesting.h"
#include "platform/testing/testsupport.h"

namespace {

std::string Zeros(int n) { return std::string(static_cast<size_t>(n), '\0'); }

std::string IntBytes(int v) {
    return Bytes({v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, (v >> 24) & 0xFF});
}

// A character whose only ink is the cell of the given linear index.
std::unique_ptr<CDtrGJPixel> Dot(int code, int inkIndex = 0) {
    auto character = std::make_unique<CDtrGJPixel>();
    character->nccode = code;
    character->SetJPixel(inkIndex, 0);
    return character;
}

std::vector<int> CodesOf(const CDtrGGJPixel& set) {
    std::vector<int> codes;
    for (int i = 0; i < set.GetGJPCount(); ++i) codes.push_back(set.GetGJPixelAt(i)->nccode);
    return codes;
}

CRevolver CharacterRecord(int code, int inkIndex = 0) {
    CRevolver record;
    Dot(code, inkIndex)->GJPixelToRevolver(record);
    return record;
}

CRevolver Encoded(const CFxRevPropStore& store) {
    CRevolver bytes;
    store.ToRevolver(bytes);
    return bytes;
}

}  // namespace

TEST(DtrGGJPixelTest, LowestFreeCode) {
    CDtrGGJPixel set;
    EXPECT_EQ(set.GetFVacantNCCode(), 0xDB30);
    set.AddGJPixel(Dot(0xDB32));
    set.AddGJPixel(Dot(0xDB30));
    set.AddGJPixel(Dot(0x41));  // codes outside the range take nothing
    EXPECT_EQ(set.GetFVacantNCCode(), 0xDB31);

    CDtrGGJPixel full;
    for (int code = 0xDBFF; code >= 0xDB30; --code) full.AddGJPixel(Dot(code));
    EXPECT_EQ(full.GetGJPCount(), 208);
    EXPECT_EQ(full.GetFVacantNCCode(), 0);
    // A code freed by deletion is the next one given.
    full.DeleteByNCCode(0xDB77, 1);
    EXPECT_EQ(full.GetFVacantNCCode(), 0xDB77);
}

TEST(DtrGGJPixelTest, LookupAndDeletionTakeTheFirstOfACode) {
    CDtrGGJPixel set;
    CDtrGJPixel* first = set.AddGJPixel(Dot(0xDB31, 1));
    set.AddGJPixel(Dot(0xDB30));
    CDtrGJPixel* second = set.AddGJPixel(Dot(0xDB31, 2));
    set.eirncachar = 0xDB31;

    EXPECT_EQ(set.GetGJPixelByNCCode(0xDB31), first);
    EXPECT_EQ(set.GetGJPixelByNCCode(0xDB40), nullptr);
    std::set<int> codes = {0x99};
    set.GetNCCodeMap(codes);
    EXPECT_EQ(codes, (std::set<int>{0xDB30, 0xDB31}));

    set.DeleteByNCCode(0xDB40, 1);
    EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB31, 0xDB30, 0xDB31}));

    set.DeleteByNCCode(0xDB31, 1);
    EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB30, 0xDB31}));
    EXPECT_EQ(set.GetGJPixelByNCCode(0xDB31), second);
    EXPECT_EQ(set.eirncachar, 0xDB31);

    // Without the delete flag the character lives on with the caller.
    set.DeleteByNCCode(0xDB31, 0);
    EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB30}));
    std::unique_ptr<CDtrGJPixel> kept(second);
    EXPECT_EQ(kept->GetJPixel(2, 0), 0);

    set.GGJPClear();
    EXPECT_EQ(set.GetGJPCount(), 0);
    EXPECT_EQ(set.eirncachar, 0xDB31);
}

TEST(DtrGGJPixelTest, ListShowsTheSetInOrder) {
    CDtrGGJPixel set;
    set.AddGJPixel(Dot(0xDB35));
    set.AddGJPixel(Dot(0xDB30));
    QListWidget list;
    list.addItem("stale");
    set.GGJPixelToListCtrl(list);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(0)->text(), "&HDB35");
    EXPECT_EQ(list.item(1)->text(), "&HDB30");
    EXPECT_EQ(CDtrGJPixel::GJPixelFromListItem(list.item(1)), set.GetGJPixelAt(1));
}

TEST(DtrGGJPixelTest, SetFileBytes) {
    CDtrGGJPixel set;
    set.AddGJPixel(Dot(0xDB30));
    set.eirncachar = 0xDB30;
    const std::string path = testsupport::MakeTempFolder("set") + "/slot/prj0/irggjp.dat";
    ASSERT_EQ(set.GGJPixelToFile(path), 1);

    const std::string character =
        Bytes({0x00, 0x0C, 'G', 'J', 'P', '.', 'g', 'j', 'p', 'f', 'r', 'u', 'i', 't', 0x20}) +
        "\x80" + Zeros(31) + Bytes({0x23, 0x0A, 'G', 'J', 'P', '.', 'n', 'c', 'c', 'o', 'd', 'e'}) +
        IntBytes(0xDB30);
    ASSERT_EQ(character.size(), 63u);
    // Items in the store's key order.
    const std::string expected =
        Bytes({0x23, 0x08, 'G', 'G', 'J', 'P', '.', 'b', 'p', 'p'}) + IntBytes(1) +
        Bytes({0x23, 0x0F, 'G', 'G', 'J', 'P', '.', 'e', 'i', 'r', 'n', 'c', 'a', 'c', 'h', 'a',
               'r'}) +
        IntBytes(0xDB30) +
        Bytes({0x23, 0x0D, 'G', 'G', 'J', 'P', '.', 'g', 'j', 'p', 'c', 'o', 'u', 'n', 't'}) +
        IntBytes(1) +
        Bytes({0x00, 0x0D, 'G', 'G', 'J', 'P', '.', 'g', 'j', 'p', 'i', 'x', 'e', 'l', '0', 63}) +
        character;
    EXPECT_EQ(testsupport::ReadFileBytes(path), expected);
}

TEST(DtrGGJPixelTest, RecordKeysOfALargerSet) {
    CDtrGGJPixel set;
    for (int i = 0; i < 12; ++i) set.AddGJPixel(Dot(0xDB30 + i, i));
    set.eirncachar = -1;
    CRevolver bytes;
    ASSERT_EQ(set.GGJPixelToRevolver(bytes), 1);

    CFxRevPropStore store;
    ASSERT_TRUE(store.FromRevolver(bytes));
    std::vector<std::string> keys;
    store.GetKeys(keys);
    std::set<std::string> expected = {"GGJP.gjpcount", "GGJP.eirncachar", "GGJP.bpp"};
    for (int i = 0; i < 12; ++i) expected.insert("GGJP.gjpixel" + std::to_string(i));
    EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()), expected);
    EXPECT_EQ(store.GetInt("GGJP.gjpcount", 0), 12);
    EXPECT_EQ(store.GetInt("GGJP.eirncachar", 0), -1);
    // Index 10 is the eleventh character, whatever the key order.
    CRevolver tenth;
    ASSERT_TRUE(store.LookupRevolver("GGJP.gjpixel10", tenth));
    EXPECT_EQ(ContentOf(tenth), ContentOf(CharacterRecord(0xDB3A, 10)));

    CDtrGGJPixel back;
    ASSERT_EQ(back.GGJPixelFromRevolver(bytes), 1);
    ASSERT_EQ(back.GetGJPCount(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(back.GetGJPixelAt(i)->nccode, 0xDB30 + i);
        EXPECT_EQ(back.GetGJPixelAt(i)->GetJPixel(i, 0), 0);
    }
    EXPECT_EQ(back.eirncachar, -1);
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
    const CRevolver bytes = Encoded(store);

    CDtrGGJPixel set;
    set.AddGJPixel(Dot(0xDB50));
    ASSERT_EQ(set.GGJPixelFromRevolver(bytes), 1);
    EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB50, 0xDB30, 0xDB32}));
    EXPECT_EQ(set.eirncachar, 0xDB32);

    // A second read without clearing doubles the set.
    ASSERT_EQ(set.GGJPixelFromRevolver(bytes), 1);
    EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB50, 0xDB30, 0xDB32, 0xDB30, 0xDB32}));
}

TEST(DtrGGJPixelTest, CountDecidesHowManyAreRead) {
    CFxRevPropStore store;
    store.SetInt("GGJP.eirncachar", 0xDB30);
    store.SetRevolver("GGJP.gjpixel0", CharacterRecord(0xDB30));

    // No count: nothing is read, but the current code is taken.
    CDtrGGJPixel none;
    EXPECT_EQ(none.GGJPixelFromRevolver(Encoded(store)), 1);
    EXPECT_EQ(none.GetGJPCount(), 0);
    EXPECT_EQ(none.eirncachar, 0xDB30);

    store.SetInt("GGJP.gjpcount", -4);
    CDtrGGJPixel negative;
    EXPECT_EQ(negative.GGJPixelFromRevolver(Encoded(store)), 1);
    EXPECT_EQ(negative.GetGJPCount(), 0);

    // A damaged count does not make the reader walk two thousand million
    // indexes.
    store.SetInt("GGJP.gjpcount", 0x7FFFFFFF);
    CDtrGGJPixel huge;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(huge.GGJPixelFromRevolver(Encoded(store)), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(CodesOf(huge), (std::vector<int>{0xDB30}));
}

TEST(DtrGGJPixelTest, BadRecordsChangeNothing) {
    CRevolver shortPattern;
    {
        CFxRevPropStore character;
        character.SetInt("GJP.nccode", 0xDB31);
        character.SetRevolver("GJP.gjpfruit", RevolverOf(Zeros(31)));
        shortPattern = Encoded(character);
    }
    CFxRevPropStore withBadCharacter;
    withBadCharacter.SetInt("GGJP.gjpcount", 2);
    withBadCharacter.SetInt("GGJP.eirncachar", 0xDB31);
    withBadCharacter.SetRevolver("GGJP.gjpixel0", CharacterRecord(0xDB30));
    withBadCharacter.SetRevolver("GGJP.gjpixel1", shortPattern);

    CFxRevPropStore withoutCurrent;
    withoutCurrent.SetInt("GGJP.gjpcount", 1);
    withoutCurrent.SetRevolver("GGJP.gjpixel0", CharacterRecord(0xDB30));

    const std::string good = ContentOf(Encoded(withoutCurrent)) +
                             Bytes({0x23, 0x0F, 'G', 'G', 'J', 'P', '.', 'e', 'i', 'r', 'n', 'c',
                                    'a', 'c', 'h', 'a', 'r'}) +
                             IntBytes(0xDB30);
    const std::pair<const char*, CRevolver> bad[] = {
        {"bad character", Encoded(withBadCharacter)},
        {"no current code", Encoded(withoutCurrent)},
        // Cut inside the character's byte block.
        {"cut", RevolverOf(good.substr(0, good.size() - 30))},
        {"key number", RevolverOf(Bytes({0x40, 0x00, 0x01}) + good)},
    };
    for (const auto& [what, bytes] : bad) {
        CDtrGGJPixel set;
        set.AddGJPixel(Dot(0xDB40, 7));
        set.eirncachar = 0xDB40;
        EXPECT_EQ(set.GGJPixelFromRevolver(bytes), 0) << what;
        EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB40})) << what;
        EXPECT_EQ(set.GetGJPixelAt(0)->GetJPixel(7, 0), 0) << what;
        EXPECT_EQ(set.eirncachar, 0xDB40) << what;
    }
    // Whole, the same bytes read.
    CDtrGGJPixel set;
    EXPECT_EQ(set.GGJPixelFromRevolver(RevolverOf(good)), 1);
    EXPECT_EQ(CodesOf(set), (std::vector<int>{0xDB30}));
}

TEST(DtrGGJPixelTest, Files) {
    const std::string folder = testsupport::MakeTempFolder("files");
    CDtrGGJPixel set;
    set.AddGJPixel(Dot(0xDB30, 5));
    set.AddGJPixel(Dot(0xDB31, 200));
    set.eirncachar = 0xDB31;
    ASSERT_EQ(set.GGJPixelToFile(folder + "/irggjp.dat"), 1);

    CDtrGGJPixel back;
    ASSERT_EQ(back.GGJPixelFromFile(folder + "/irggjp.dat"), 1);
    EXPECT_EQ(CodesOf(back), (std::vector<int>{0xDB30, 0xDB31}));
    EXPECT_EQ(back.GetGJPixelAt(1)->GetJPixel(200 % 16, 200 / 16), 0);
    EXPECT_EQ(back.eirncachar, 0xDB31);

    // A missing file leaves the set as it was.
    EXPECT_EQ(back.GGJPixelFromFile(folder + "/missing.dat"), 0);
    EXPECT_EQ(back.GetGJPCount(), 2);

    // A file cut short is refused whole.
    const std::string bytes = testsupport::ReadFileBytes(folder + "/irggjp.dat");
    testsupport::WriteFileBytes(folder + "/cut.dat", bytes.substr(0, bytes.size() - 10));
    EXPECT_EQ(back.GGJPixelFromFile(folder + "/cut.dat"), 0);
    EXPECT_EQ(back.GetGJPCount(), 2);

    // The file is replaced, not appended to.
    CDtrGGJPixel empty;
    ASSERT_EQ(empty.GGJPixelToFile(folder + "/irggjp.dat"), 1);
    EXPECT_LT(testsupport::ReadFileBytes(folder + "/irggjp.dat").size(), 60u);

    // A folder in the way of the file: the write fails.
    EXPECT_EQ(set.GGJPixelToFile(folder), 0);
}
