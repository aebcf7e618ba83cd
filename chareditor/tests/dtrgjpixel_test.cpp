#include "chareditor/dtrgjpixel.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <set>
#include <utility>

#include "foundation/fxrevpropstore.h"
#include "foundation/tests/storetesting.h"
#include "platform/dc.h"

namespace {

using Cell = std::pair<int, int>;  // column, row
constexpr int kBlank = CDtrGJPixel::GJP_BLANK;

CDtrGJPixel Character(const std::set<Cell>& ink, int code = 0xDB30) {
    CDtrGJPixel character;
    character.GJPClear();
    character.nccode = code;
    for (auto [x, y] : ink) character.SetJPixel(x + 16 * y, 0);
    return character;
}

std::set<Cell> InkOf(const CDtrGJPixel& character) {
    std::set<Cell> ink;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (character.GetJPixel(x, y) == 0) ink.insert({x, y});
    return ink;
}

std::set<Cell> AllCells() {
    std::set<Cell> all;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) all.insert({x, y});
    return all;
}

std::string FruitOf(const CDtrGJPixel& character) {
    CRevolver fruit;
    character.ToGJPFruit(fruit);
    return ContentOf(fruit);
}

std::string Zeros(int n) { return std::string(static_cast<size_t>(n), '\0'); }

// The record of a character as the format tables give it: the pattern item,
// then the code item (the store's key order).
std::string RecordBytes(const std::string& fruit, int code) {
    return Bytes({0x00, 0x0C, 'G', 'J', 'P', '.', 'g', 'j', 'p', 'f', 'r', 'u', 'i', 't', 0x20}) +
           fruit +
           Bytes({0x23, 0x0A, 'G', 'J', 'P', '.', 'n', 'c', 'c', 'o', 'd', 'e', code & 0xFF,
                  (code >> 8) & 0xFF, (code >> 16) & 0xFF, (code >> 24) & 0xFF});
}

}  // namespace

TEST(DtrGJPixelTest, PatternBytes) {
    EXPECT_EQ(FruitOf(Character({})), Zeros(32));
    EXPECT_EQ(FruitOf(Character(AllCells())), std::string(32, '\xFF'));
    EXPECT_EQ(FruitOf(Character({{0, 0}})), "\x80" + Zeros(31));
    EXPECT_EQ(FruitOf(Character({{15, 15}})), Zeros(31) + "\x01");
    // Column 8 starts the second byte of its row; column 7 ends the first.
    EXPECT_EQ(FruitOf(Character({{8, 0}, {7, 1}, {3, 2}})),
              Bytes({0x00, 0x80, 0x01, 0x00, 0x10}) + Zeros(27));

    // Only 0 is ink: any other value gives a 0 bit.
    CDtrGJPixel odd = Character({{0, 0}});
    odd.SetJPixel(1, 5);
    EXPECT_EQ(FruitOf(odd), "\x80" + Zeros(31));

    // The buffer holds nothing but the pattern afterwards.
    CRevolver fruit = RevolverOf("earlier content");
    Character({{0, 0}}).ToGJPFruit(fruit);
    EXPECT_EQ(ContentOf(fruit), "\x80" + Zeros(31));
}

TEST(DtrGJPixelTest, PatternIsReadBackOnlyFromExactly32Bytes) {
    const std::set<Cell> picture = {{0, 0}, {8, 0}, {7, 1}, {15, 15}, {4, 9}};
    CDtrGJPixel target = Character({{2, 2}}, 0xDB40);
    target.SetJPixel(3, 77);
    ASSERT_EQ(target.FromGJPFruit(RevolverOf(FruitOf(Character(picture)))), 1);
    EXPECT_EQ(InkOf(target), picture);
    EXPECT_EQ(target.GetJPixel(3, 0), kBlank);  // every 0 bit is exactly blank
    EXPECT_EQ(target.nccode, 0xDB40);

    for (int size : {0, 31, 33}) {
        CDtrGJPixel kept = Character({{2, 2}});
        EXPECT_EQ(kept.FromGJPFruit(RevolverOf(std::string(static_cast<size_t>(size), '\xFF'))), 0)
            << size;
        EXPECT_EQ(InkOf(kept), (std::set<Cell>{{2, 2}})) << size;
    }
}

TEST(DtrGJPixelTest, CellsOutsideTheGridAreLeftAlone) {
    CDtrGJPixel character = Character({});
    character.SetJPixel(-1, 0);
    character.SetJPixel(256, 0);
    character.Inverse(256);
    character.Inverse(-1);
    EXPECT_TRUE(InkOf(character).empty());
    EXPECT_EQ(character.GetJPixel(16, 0), kBlank);
    EXPECT_EQ(character.GetJPixel(0, -1), kBlank);
    // The linear index runs row by row.
    character.SetJPixel(17, 0);
    EXPECT_EQ(InkOf(character), (std::set<Cell>{{1, 1}}));
}

TEST(DtrGJPixelTest, InverseTurnsEveryNonBlankValueBlank) {
    CDtrGJPixel character = Character({{0, 0}});
    character.SetJPixel(2, 0x123456);
    character.Inverse(0);
    character.Inverse(1);
    character.Inverse(2);
    EXPECT_EQ(character.GetJPixel(0, 0), kBlank);
    EXPECT_EQ(character.GetJPixel(1, 0), 0);
    EXPECT_EQ(character.GetJPixel(2, 0), kBlank);
}

TEST(DtrGJPixelTest, MovesDropCellsAtTheEdgeAndBlankTheOtherSide) {
    const std::set<Cell> picture = {{0, 3}, {5, 0}, {15, 9}, {7, 15}};

    CDtrGJPixel left = Character(picture);
    left.KGJPMLCrawl();
    EXPECT_EQ(InkOf(left), (std::set<Cell>{{4, 0}, {14, 9}, {6, 15}}));
    CDtrGJPixel right = Character(picture);
    right.KGJPMRCrawl();
    EXPECT_EQ(InkOf(right), (std::set<Cell>{{1, 3}, {6, 0}, {8, 15}}));
    CDtrGJPixel up = Character(picture);
    up.KGJPMUCrawl();
    EXPECT_EQ(InkOf(up), (std::set<Cell>{{0, 2}, {15, 8}, {7, 14}}));
    CDtrGJPixel down = Character(picture);
    down.KGJPMDCrawl();
    EXPECT_EQ(InkOf(down), (std::set<Cell>{{0, 4}, {5, 1}, {15, 10}}));

    // Other cell values travel with the picture.
    CDtrGJPixel odd = Character({});
    odd.SetJPixel(5, 42);
    odd.KGJPMRCrawl();
    EXPECT_EQ(odd.GetJPixel(6, 0), 42);
    EXPECT_EQ(odd.GetJPixel(5, 0), kBlank);
}

TEST(DtrGJPixelTest, AllInkMovedAwayBecomesBlank) {
    std::set<Cell> withoutLastColumn;
    for (auto cell : AllCells())
        if (cell.first != 15) withoutLastColumn.insert(cell);
    CDtrGJPixel once = Character(AllCells());
    once.KGJPMLCrawl();
    EXPECT_EQ(InkOf(once), withoutLastColumn);

    void (CDtrGJPixel::*moves[])() = {&CDtrGJPixel::KGJPMLCrawl, &CDtrGJPixel::KGJPMRCrawl,
                                      &CDtrGJPixel::KGJPMUCrawl, &CDtrGJPixel::KGJPMDCrawl};
    for (auto move : moves) {
        CDtrGJPixel character = Character(AllCells());
        for (int i = 0; i < 15; ++i) (character.*move)();
        EXPECT_EQ(InkOf(character).size(), 16u);
        (character.*move)();
        EXPECT_TRUE(InkOf(character).empty());
    }
}

TEST(DtrGJPixelTest, FlipsAndRotation) {
    const std::set<Cell> picture = {{0, 0}, {1, 0}, {0, 2}, {3, 5}};

    CDtrGJPixel x = Character(picture);
    x.KGJPMXFlip();
    EXPECT_EQ(InkOf(x), (std::set<Cell>{{15, 0}, {14, 0}, {15, 2}, {12, 5}}));
    CDtrGJPixel y = Character(picture);
    y.KGJPMYFlip();
    EXPECT_EQ(InkOf(y), (std::set<Cell>{{0, 15}, {1, 15}, {0, 13}, {3, 10}}));

    // Clockwise: column x, row y goes to column 15 - y, row x.
    CDtrGJPixel turned = Character(picture);
    turned.KGJPMRotate();
    EXPECT_EQ(InkOf(turned), (std::set<Cell>{{15, 0}, {15, 1}, {13, 0}, {10, 3}}));
    turned.KGJPMRotate();
    EXPECT_EQ(InkOf(turned), (std::set<Cell>{{15, 15}, {14, 15}, {15, 13}, {12, 10}}));
    turned.KGJPMRotate();
    turned.KGJPMRotate();
    EXPECT_EQ(InkOf(turned), picture);
}

TEST(DtrGJPixelTest, DrawsOpaqueSquareAtThePoint) {
    CDtrGJPixel character = Character({{0, 0}, {15, 15}, {3, 4}});
    character.SetJPixel(1, 5);  // not ink: drawn white
    const COLORREF grey = RGB(128, 128, 128);
    CDC dc(40, 40, grey);
    character.RGJPDraw(dc, CPoint(10, 20));
    EXPECT_EQ(dc.GetPixel(10, 20), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(25, 35), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(13, 24), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(11, 20), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(24, 35), RGB(255, 255, 255));
    // Nothing outside the 16x16 square.
    EXPECT_EQ(dc.GetPixel(9, 20), grey);
    EXPECT_EQ(dc.GetPixel(26, 35), grey);
    EXPECT_EQ(dc.GetPixel(10, 19), grey);
    EXPECT_EQ(dc.GetPixel(10, 36), grey);
}

TEST(DtrGJPixelTest, CopyWithAndWithoutCode) {
    const CDtrGJPixel source = Character({{1, 1}}, 0xDB35);
    CDtrGJPixel target = Character({{9, 9}}, 0xDB40);
    target.GJPCopyFrom(source, 0);
    EXPECT_EQ(InkOf(target), (std::set<Cell>{{1, 1}}));
    EXPECT_EQ(target.nccode, 0xDB40);
    target.GJPCopyFrom(Character({}, 0xDB36), 1);
    EXPECT_TRUE(InkOf(target).empty());
    EXPECT_EQ(target.nccode, 0xDB36);

    CDtrGJPixel copy(source);
    EXPECT_EQ(InkOf(copy), InkOf(source));
    EXPECT_EQ(copy.nccode, 0xDB35);
}

TEST(DtrGJPixelTest, ListItemNamesTheCodeAndFindsTheCharacter) {
    QListWidget list;
    list.addItem("first");
    CDtrGJPixel a = Character({}, 0xDB30);
    CDtrGJPixel b = Character({}, 0xDBFF);
    CDtrGJPixel small = Character({}, 0x1A);
    a.AddToListCtrl(list);
    b.AddToListCtrl(list);
    small.AddToListCtrl(list);
    ASSERT_EQ(list.count(), 4);
    EXPECT_EQ(list.item(1)->text(), "&HDB30");
    EXPECT_EQ(list.item(2)->text(), "&HDBFF");
    EXPECT_EQ(list.item(3)->text(), "&H001A");
    EXPECT_EQ(CDtrGJPixel::GJPixelFromListItem(list.item(1)), &a);
    EXPECT_EQ(CDtrGJPixel::GJPixelFromListItem(list.item(2)), &b);
    EXPECT_EQ(CDtrGJPixel::GJPixelFromListItem(list.item(0)), nullptr);
    EXPECT_EQ(CDtrGJPixel::GJPixelFromListItem(nullptr), nullptr);
}

TEST(DtrGJPixelTest, RecordBytes) {
    CRevolver buffer;
    ASSERT_EQ(Character({{0, 0}}, 0xDB31).GJPixelToRevolver(buffer), 1);
    EXPECT_EQ(ContentOf(buffer), RecordBytes("\x80" + Zeros(31), 0xDB31));

    CDtrGJPixel back = Character({{5, 5}}, 0);
    ASSERT_EQ(back.GJPixelFromRevolver(RevolverOf(RecordBytes(Zeros(31) + "\x01", 0xDB77))), 1);
    EXPECT_EQ(back.nccode, 0xDB77);
    EXPECT_EQ(InkOf(back), (std::set<Cell>{{15, 15}}));
}

TEST(DtrGJPixelTest, BadRecordsLeaveTheCharacterUnchanged) {
    const std::string fruit = "\x80" + Zeros(31);
    // A record with the code (unless told otherwise) and the given pattern
    // bytes (none: no pattern item).
    auto store = [](bool code, const std::string* pattern) {
        CFxRevPropStore record;
        if (code) record.SetInt("GJP.nccode", 0xDB99);
        if (pattern) record.SetRevolver("GJP.gjpfruit", RevolverOf(*pattern));
        CRevolver bytes;
        record.ToRevolver(bytes);
        return bytes;
    };
    const std::string shortFruit = fruit.substr(0, 31);
    const std::string longFruit = fruit + Zeros(1);
    CFxRevPropStore textCode;
    textCode.SetString("GJP.nccode", "56217");
    textCode.SetRevolver("GJP.gjpfruit", RevolverOf(fruit));
    CRevolver textCodeBytes;
    textCode.ToRevolver(textCodeBytes);

    const std::pair<const char*, CRevolver> bad[] = {
        {"no code", store(false, &fruit)},
        {"no pattern", store(true, nullptr)},
        {"short pattern", store(true, &shortFruit)},
        {"long pattern", store(true, &longFruit)},
        {"code as text", textCodeBytes},
        // A key number cannot be decoded at all.
        {"undecodable", RevolverOf(Bytes({0x40, 0x01, 0x00}) + RecordBytes(fruit, 0xDB99))},
        // Cut inside the pattern's bytes.
        {"cut", RevolverOf(RecordBytes(fruit, 0xDB99).substr(0, 20))},
    };
    for (const auto& [what, bytes] : bad) {
        CDtrGJPixel character = Character({{9, 9}}, 0xDB40);
        EXPECT_EQ(character.GJPixelFromRevolver(bytes), 0) << what;
        EXPECT_EQ(character.nccode, 0xDB40) << what;
        EXPECT_EQ(InkOf(character), (std::set<Cell>{{9, 9}})) << what;
    }
    // The same record whole is read.
    CDtrGJPixel character = Character({{9, 9}}, 0xDB40);
    EXPECT_EQ(character.GJPixelFromRevolver(store(true, &fruit)), 1);
    EXPECT_EQ(character.nccode, 0xDB99);
}
