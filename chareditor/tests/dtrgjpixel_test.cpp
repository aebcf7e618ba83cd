#include "chareditor/dtrgjpixel.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <set>
#include <utility>

#include "chareditor/tests/chartesting.h"
#include "platform/dc.h"

namespace {

std::string FruitOf(const CDtrGJPixel& character) {
    CRevolver fruit = RevolverOf("earlier content");  // replaced, not appended to
    character.ToGJPFruit(fruit);
    return ContentOf(fruit);
}

}  // namespace

TEST(DtrGJPixelTest, PatternBytes) {
    EXPECT_EQ(FruitOf(Character({})), Zeros(32));
    EXPECT_EQ(FruitOf(Character(AllCells())), std::string(32, '\xFF'));
    EXPECT_EQ(FruitOf(Character({{0, 0}})), "\x80" + Zeros(31));
    EXPECT_EQ(FruitOf(Character({{15, 15}})), Zeros(31) + "\x01");
    EXPECT_EQ(FruitOf(Character({{8, 0}, {7, 1}, {3, 2}})),
              Bytes({0x00, 0x80, 0x01, 0x00, 0x10}) + Zeros(27));
    // Only 0 is ink.
    CDtrGJPixel odd = Character({{0, 0}});
    odd.SetJPixel(1, 5);
    EXPECT_EQ(FruitOf(odd), "\x80" + Zeros(31));
}

TEST(DtrGJPixelTest, PatternIsReadOnlyFromExactly32Bytes) {
    const std::set<Cell> picture = {{0, 0}, {8, 0}, {7, 1}, {15, 15}, {4, 9}};
    CDtrGJPixel target = Character({{2, 2}}, 0xDB40);
    target.SetJPixel(3, 77);
    ASSERT_EQ(target.FromGJPFruit(RevolverOf(FruitOf(Character(picture)))), 1);
    EXPECT_EQ(InkOf(target), picture);
    EXPECT_EQ(target.GetJPixel(3, 0), kBlank);
    EXPECT_EQ(target.nccode, 0xDB40);
    for (size_t size : {0, 31, 33}) {
        EXPECT_EQ(target.FromGJPFruit(RevolverOf(std::string(size, '\xFF'))), 0) << size;
        EXPECT_EQ(InkOf(target), picture) << size;
    }
}

TEST(DtrGJPixelTest, CellAccessAndInverse) {
    CDtrGJPixel character = Character({{0, 0}});
    character.SetJPixel(2, 0x123456);
    for (int index : {0, 1, 2, -1, 256}) character.Inverse(index);
    character.SetJPixel(256, 0);
    character.SetJPixel(-1, 0);
    EXPECT_EQ(InkOf(character), (std::set<Cell>{{1, 0}}));
    for (auto [x, y] : {Cell{2, 0}, Cell{16, 0}, Cell{0, -1}})
        EXPECT_EQ(character.GetJPixel(x, y), kBlank) << x << "," << y;
    character.SetJPixel(17, 0);  // row by row
    EXPECT_EQ(character.GetJPixel(1, 1), 0);
}

TEST(DtrGJPixelTest, MovesFlipsAndRotation) {
    const std::set<Cell> picture = {{0, 3}, {5, 0}, {15, 9}, {7, 15}};
    // Crawls drop the cells at the edge; flips and the quarter turn
    // (x, y) -> (15 - y, x) keep them all.
    const std::pair<void (CDtrGJPixel::*)(), std::set<Cell>> moves[] = {
        {&CDtrGJPixel::KGJPMLCrawl, {{4, 0}, {14, 9}, {6, 15}}},
        {&CDtrGJPixel::KGJPMRCrawl, {{1, 3}, {6, 0}, {8, 15}}},
        {&CDtrGJPixel::KGJPMUCrawl, {{0, 2}, {15, 8}, {7, 14}}},
        {&CDtrGJPixel::KGJPMDCrawl, {{0, 4}, {5, 1}, {15, 10}}},
        {&CDtrGJPixel::KGJPMXFlip, {{15, 3}, {10, 0}, {0, 9}, {8, 15}}},
        {&CDtrGJPixel::KGJPMYFlip, {{0, 12}, {5, 15}, {15, 6}, {7, 0}}},
        {&CDtrGJPixel::KGJPMRotate, {{12, 0}, {15, 5}, {6, 15}, {0, 7}}},
    };
    for (size_t i = 0; i < std::size(moves); ++i) {
        const auto& [move, expected] = moves[i];
        CDtrGJPixel character = Character(picture);
        (character.*move)();
        EXPECT_EQ(InkOf(character), expected) << i;
        if (i >= 4) continue;
        // All ink: fifteen crawls leave one line, the sixteenth nothing.
        CDtrGJPixel full = Character(AllCells());
        for (int n = 0; n < 15; ++n) (full.*move)();
        EXPECT_EQ(InkOf(full).size(), 16u) << i;
        (full.*move)();
        EXPECT_TRUE(InkOf(full).empty()) << i;
    }
    CDtrGJPixel turned = Character(picture);
    for (int i = 0; i < 4; ++i) turned.KGJPMRotate();
    EXPECT_EQ(InkOf(turned), picture);
}

TEST(DtrGJPixelTest, DrawsAnOpaqueSquareAtThePoint) {
    CDtrGJPixel character = Character({{0, 0}, {15, 15}});
    character.SetJPixel(1, 5);
    const COLORREF grey = RGB(128, 128, 128);
    CDC dc(40, 40, grey);
    character.RGJPDraw(dc, CPoint(10, 20));
    EXPECT_EQ(dc.GetPixel(10, 20) | dc.GetPixel(25, 35), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(11, 20), RGB(255, 255, 255));
    for (auto [px, py] : {Cell{9, 20}, Cell{26, 35}, Cell{10, 19}, Cell{10, 36}})
        EXPECT_EQ(dc.GetPixel(px, py), grey);
}

TEST(DtrGJPixelTest, CopiesAndListItem) {
    CDtrGJPixel low = Character({}, 0x1A);
    low.GJPCopyFrom(Character({{1, 1}}, 0xDB30), 0);
    EXPECT_EQ(InkOf(low), (std::set<Cell>{{1, 1}}));
    EXPECT_EQ(low.nccode, 0x1A);
    QListWidget list;
    low.AddToListCtrl(list);
    EXPECT_EQ(list.item(0)->text(), "&H001A");
    low.GJPCopyFrom(Character({}, 0xDB36), 1);
    EXPECT_TRUE(InkOf(low).empty());
    EXPECT_EQ(low.nccode, 0xDB36);
}

TEST(DtrGJPixelTest, RecordBytes) {
    CRevolver buffer;
    ASSERT_EQ(Character({{0, 0}}, 0xDB31).GJPixelToRevolver(buffer), 1);
    EXPECT_EQ(ContentOf(buffer), CharacterRecordBytes("\x80" + Zeros(31), 0xDB31));

    CDtrGJPixel back = Character({{5, 5}}, 0);
    ASSERT_EQ(
        back.GJPixelFromRevolver(RevolverOf(CharacterRecordBytes(Zeros(31) + "\x01", 0xDB77))), 1);
    EXPECT_EQ(back.nccode, 0xDB77);
    EXPECT_EQ(InkOf(back), (std::set<Cell>{{15, 15}}));
}

TEST(DtrGJPixelTest, BadRecordsLeaveTheCharacterUnchanged) {
    const std::string fruit = "\x80" + Zeros(31);
    auto record = [](const char* codeKey, bool codeAsText, const std::string* pattern) {
        CFxRevPropStore store;
        if (codeAsText)
            store.SetString(codeKey, "56217");
        else
            store.SetInt(codeKey, 0xDB99);
        if (pattern) store.SetRevolver("GJP.gjpfruit", RevolverOf(*pattern));
        return Encoded(store);
    };
    const std::string shortFruit = fruit.substr(0, 31), longFruit = fruit + Zeros(1);
    const std::string whole = CharacterRecordBytes(fruit, 0xDB99);
    const std::pair<const char*, CRevolver> bad[] = {
        {"no code", record("GJP.code", false, &fruit)},
        {"code as text", record("GJP.nccode", true, &fruit)},
        {"no pattern", record("GJP.nccode", false, nullptr)},
        {"short pattern", record("GJP.nccode", false, &shortFruit)},
        {"long pattern", record("GJP.nccode", false, &longFruit)},
        {"key number", RevolverOf(Bytes({0x40, 0x01, 0x00}) + whole)},
        {"cut in the pattern", RevolverOf(whole.substr(0, 20))},
    };
    for (const auto& [what, bytes] : bad) {
        CDtrGJPixel character = Character({{9, 9}}, 0xDB40);
        EXPECT_EQ(character.GJPixelFromRevolver(bytes), 0) << what;
        EXPECT_EQ(character.nccode, 0xDB40) << what;
        EXPECT_EQ(InkOf(character), (std::set<Cell>{{9, 9}})) << what;
    }
    CDtrGJPixel character;
    EXPECT_EQ(character.GJPixelFromRevolver(record("GJP.nccode", false, &fruit)), 1);
    EXPECT_EQ(character.nccode, 0xDB99);
}
