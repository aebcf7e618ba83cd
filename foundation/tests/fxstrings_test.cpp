#include "foundation/fxstrings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <climits>
#include <cstring>

#include "platform/textcodec.h"

using Items = std::vector<std::string>;

TEST(FxStringsSplitTest, CharacterDelimiterKeepsOrSkipsEmptyPieces) {
    Items items{"stale"};
    EXPECT_EQ(SplitString("a,,b,", items, ',', FALSE, "-"), 4);
    EXPECT_EQ(items, (Items{"a", "-", "b", "-"}));
    EXPECT_EQ(SplitString("a,,b,", items, ',', TRUE, "-"), 2);
    EXPECT_EQ(items, (Items{"a", "b"}));
    SplitString(",", items, ',');
    EXPECT_EQ(items, (Items{"", ""}));
    EXPECT_EQ(SplitString("", items, ','), 0);
    EXPECT_TRUE(items.empty());
}

TEST(FxStringsSplitTest, SeparatorTextWithAndWithoutCase) {
    Items items;
    SplitStringBySeparator(items, "oneANDtwoandthree", "and", FALSE, FALSE);
    EXPECT_EQ(items, (Items{"oneANDtwo", "three"}));
    SplitStringBySeparator(items, "oneANDtwoandthreeAnd", "and", TRUE, FALSE);
    EXPECT_EQ(items, (Items{"one", "two", "three", ""}));
    SplitStringBySeparator(items, "oneANDtwoandthreeAnd", "and", TRUE, TRUE);
    EXPECT_EQ(items, (Items{"one", "two", "three"}));
    // An empty separator splits nothing (and does not hang).
    SplitStringBySeparator(items, "a,b", "", FALSE, FALSE);
    EXPECT_EQ(items, (Items{"a,b"}));
}

TEST(FxStringsSplitTest, SeparatorNeverMatchesInsideADoubleByteCharacter) {
    // 0xB0 0x41 is one character whose second byte is the letter A.
    const std::string text = std::string("x\xB0") + "AyAz";
    Items items;
    SplitString(text, items, 'A');
    EXPECT_EQ(items, (Items{std::string("x\xB0") + "Ay", "z"}));
    EXPECT_EQ(FindText(FALSE, text, "A"), 4);
    EXPECT_EQ(FindNoCase(text, "a"), 4);
    EXPECT_EQ(FindLastText(std::string("\xB0") + "A", "A"), -1);
}

TEST(FxStringsSplitTest, PiecesAsKeysAndNumbers) {
    std::set<std::string> keys{"old"};
    EXPECT_EQ(SplitStringToMap("b||a|b", keys, "|", FALSE), 3);
    EXPECT_EQ(keys, (std::set<std::string>{"", "a", "b"}));
    SplitStringToMap("b||a|b", keys, "|", TRUE);
    EXPECT_EQ(keys, (std::set<std::string>{"a", "b"}));

    std::set<int> numbers{99};
    SplitToIntMap("12, -3,x,,12,99999999999", numbers, ",");
    EXPECT_EQ(numbers, (std::set<int>{-3, 0, 12, INT_MAX}));
    std::string text;
    IntMapKeysToText(numbers, text, ";");
    EXPECT_EQ(text, "-3;0;12;2147483647");
    std::vector<DWORD> dwords;
    MapKeysToDWordArray(numbers, dwords);
    EXPECT_EQ(dwords, (std::vector<DWORD>{0xFFFFFFFDu, 0, 12, 0x7FFFFFFFu}));

    StringArrayToMapKeys({"Ab", "aB", "c"}, keys, TRUE);
    EXPECT_EQ(keys, (std::set<std::string>{"ab", "c"}));

    std::vector<int> ints;
    StringArrayToInts({" 7x", "", "-2147483649", "+5"}, ints);
    EXPECT_EQ(ints, (std::vector<int>{7, 0, INT_MIN, 5}));
    Items items;
    MapKeysToStringArray(CFxStringMap{{"k2", "v"}, {"k1", "w"}}, items);
    EXPECT_EQ(items, (Items{"k1", "k2"}));
}

TEST(FxStringsJoinTest, EmptyItemsTakeTheFillText) {
    const Items items{"a", "", "b"};
    EXPECT_EQ(JoinStrings(items, ", "), "a, , b");
    EXPECT_EQ(JoinStrings(items, ", ", "?"), "a, ?, b");
    std::string out = "stale";
    JoinWithChar({"x", ""}, out, '|', "0");
    EXPECT_EQ(out, "x|0");
}

TEST(FxStringsArrayTest, FindRemoveAndCopy) {
    Items items{"a", "B", "a"};
    EXPECT_EQ(FindStringInArray(items, "a"), 0);
    EXPECT_EQ(FindStringInArray(items, "b"), -1);
    EXPECT_TRUE(RemoveStringFromArray(items, "a"));
    EXPECT_EQ(items, (Items{"B", "a"}));
    EXPECT_FALSE(RemoveStringFromArray(items, "c"));
    EXPECT_EQ(items.size(), 2u);
}

TEST(FxStringsKeyValueTest, ParseKeepsOnlyTwoPartPieces) {
    CFxStringMap map{{"stale", "1"}};
    EXPECT_EQ(ParseKeyValueText("max=1&x=10&bad&y=20&a=b=c&&x=11", map), 4);
    EXPECT_EQ(map, (CFxStringMap{{"max", "1"}, {"x", "11"}, {"y", "20"}}));

    ParseKeyValueText(" Key = Value ;k2=", map, "=", ";", TRUE, FALSE, TRUE, FALSE);
    EXPECT_EQ(map, (CFxStringMap{{"key", "Value"}, {"k2", ""}}));
    ParseKeyValueText("A=B", map, "=", "&", FALSE, TRUE, FALSE, TRUE);
    EXPECT_EQ(map, (CFxStringMap{{"b", "A"}}));
}

TEST(FxStringsKeyValueTest, TextFromMapHasNoTrailingSeparator) {
    std::string out = "stale";
    KeyValueTextFromMap({{"y", "2"}, {"x", ""}, {"max", "1"}}, out);
    EXPECT_EQ(out, "max=1&x=&y=2");
    KeyValueTextFromMap({}, out);
    EXPECT_EQ(out, "");
    KeyValueTextFromMap({{"a", "1"}}, out, ":", ";;");
    EXPECT_EQ(out, "a:1");
}

TEST(FxStringsSearchTest, FindFromStartWithAndWithoutCase) {
    EXPECT_EQ(FindText(FALSE, "abcABCabc", "abc", 1), 6);
    EXPECT_EQ(FindText(TRUE, "abcABCabc", "abc", 1), 3);
    EXPECT_EQ(FindText(FALSE, "abc", "abc", -5), 0);
    EXPECT_EQ(FindText(FALSE, "abc", "c", 3), -1);
    EXPECT_EQ(FindText(FALSE, "abc", "abcd"), -1);
    EXPECT_EQ(FindText(FALSE, "abc", ""), -1);
}

TEST(FxStringsSearchTest, AllAndLastPositions) {
    std::vector<int> positions{42};
    EXPECT_EQ(FindAllSubstrings("aaaa", "aa", positions), 2);
    EXPECT_EQ(positions, (std::vector<int>{0, 2}));
    FindAllSubstrings("xAyaz", "a", positions, TRUE);
    EXPECT_EQ(positions, (std::vector<int>{1, 3}));
    EXPECT_EQ(FindAllSubstrings("abc", "", positions), 0);

    EXPECT_EQ(FindLastText("aaaa", "aa"), 2);
    EXPECT_EQ(FindLastText("a.b.c", ".", FALSE, 3), 1);
    EXPECT_EQ(FindLastText("a.b.c", ".", FALSE, 4), 3);
    EXPECT_EQ(FindLastText("a.b.c", ".", FALSE, 0), -1);
    EXPECT_EQ(FindLastText("xABx", "ab", TRUE), 1);
    EXPECT_EQ(FindLastText("abc", ""), -1);
}

TEST(FxStringsSearchTest, PrefixesAndCharacterClasses) {
    int length = 0;
    EXPECT_TRUE(StartsWithText("GOPT.grid", "GOPT.", FALSE, &length));
    EXPECT_EQ(length, 5);
    EXPECT_FALSE(StartsWithText("GOPT.grid", "gopt.", FALSE));
    EXPECT_TRUE(StartsWithText("GOPT.grid", "gopt.", TRUE));
    EXPECT_FALSE(StartsWithText("GO", "GOPT", TRUE, &length));
    EXPECT_EQ(length, 4);

    EXPECT_TRUE(IsAsciiLetter('a') && IsAsciiLetter('Z'));
    EXPECT_FALSE(IsAsciiLetter('@') || IsAsciiLetter('[') || IsAsciiLetter('`') ||
                 IsAsciiLetter('{') || IsAsciiLetter(0xC1));
    EXPECT_TRUE(IsAsciiDigit('0') && IsAsciiDigit('9'));
    EXPECT_FALSE(IsAsciiDigit('/') || IsAsciiDigit(':'));
}

TEST(FxStringsPathTest, ParentFileNameStemAndExtension) {
    EXPECT_EQ(GetParentPath("c:\\a\\b\\"), "c:\\a");
    EXPECT_EQ(GetParentPath("/home/u/file"), "/home/u");
    EXPECT_EQ(GetParentPath("name"), "");
    EXPECT_EQ(GetParentPath(""), "");

    EXPECT_EQ(GetPathFileName("c:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(GetPathFileName("plain"), "plain");
    EXPECT_EQ(GetPathFileName("c:\\dir\\"), "");

    EXPECT_EQ(GetFileStemOrExtension("c:\\v1.2\\form.tar.dkf", TRUE), "form.tar");
    EXPECT_EQ(GetFileStemOrExtension("c:\\v1.2\\form.tar.dkf", FALSE), "dkf");
    EXPECT_EQ(GetFileStemOrExtension("c:\\v1.2\\README", TRUE), "");

    const std::string korean = A("폴더") + "\\" + A("파일.frm");
    EXPECT_EQ(GetPathFileName(korean), A("파일.frm"));
    EXPECT_EQ(GetParentPath(korean), A("폴더"));
}

TEST(FxStringsTextTest, RepeatAndBoundedCopy) {
    EXPECT_EQ(RepeatString("ab", 3), "ababab");
    EXPECT_EQ(RepeatString("ab", -2), "");

    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(CopyTextToBuffer("abc", buffer, sizeof buffer, TRUE), 3);
    EXPECT_STREQ(buffer, "abc");
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(CopyTextToBuffer("abc", buffer, sizeof buffer, FALSE), 3);
    EXPECT_EQ(std::string(buffer, 4), "abcx");

    // Too long: cut to the buffer, never past it, and never half a character.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(CopyTextToBuffer("0123456789", buffer, 4, TRUE), 3);
    EXPECT_EQ(std::string(buffer, 5), std::string("012\0x", 5));
    EXPECT_EQ(CopyTextToBuffer("0123456789", buffer, 4, FALSE), 4);
    EXPECT_EQ(CopyTextToBuffer("ab" + A("가"), buffer, 4, TRUE), 2);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(CopyTextToBuffer("abc", buffer, 0, TRUE), 0);
}

TEST(FxStringsTextTest, ClipboardAndComboText) {
    const std::string text = A("한글 text");
    EXPECT_TRUE(CopyTextToClipboard(text));
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("한글 text"));

    QComboBox combo;
    EXPECT_EQ(GetComboText(&combo), "");
    combo.addItems({QString::fromUtf8("검정"), "White"});
    combo.setCurrentIndex(0);
    EXPECT_EQ(GetComboText(&combo), A("검정"));
    combo.setEditable(true);
    combo.setCurrentIndex(-1);
    combo.setEditText("typed");
    EXPECT_EQ(GetComboText(&combo), "typed");
    EXPECT_EQ(GetComboText(nullptr), "");

    // Items by exactly their text.
    combo.clear();
    combo.addItems({"Arial", "arial", QString::fromUtf8("바탕"), "Tahoma"});
    combo.setCurrentIndex(0);
    EXPECT_EQ(ComboFindText(&combo, "arial"), 1);
    EXPECT_EQ(ComboFindText(&combo, A("바탕")), 2);
    EXPECT_EQ(ComboFindText(&combo, "Arial "), -1);
    EXPECT_EQ(ComboFindText(&combo, "Ari"), -1);
    EXPECT_EQ(ComboSelectText(&combo, "Tahoma"), 3);
    EXPECT_EQ(ComboSelectText(&combo, "Courier"), -1);
    EXPECT_EQ(combo.currentIndex(), 3);
    EXPECT_EQ(ComboFindText(nullptr, "Arial"), -1);
}

TEST(FxStringsHexTest, TextToHexAndBack) {
    EXPECT_EQ(TextToHex("AB"), "4142");
    EXPECT_EQ(TextToHex(std::string("\xB0\x0A\xFF", 3)), "B00AFF");
    EXPECT_EQ(TextToHex(""), "");

    std::string text = "stale";
    EXPECT_TRUE(HexToText("4142", text));
    EXPECT_EQ(text, "AB");
    EXPECT_TRUE(HexToText("b00aff", text));
    EXPECT_EQ(text, std::string("\xB0\x0A\xFF", 3));
    const std::string korean = A("설정 값");
    ASSERT_TRUE(HexToText(TextToHex(korean), text));
    EXPECT_EQ(text, korean);

    for (const char* bad : {"414", "4100", "41G2", "4 41", "0x41", "-1"}) {
        text = "stale";
        EXPECT_FALSE(HexToText(bad, text)) << bad;
        EXPECT_EQ(text, "") << bad;
    }
}

TEST(FxStringsHexTest, ParseHexReadsThirtyTwoBits) {
    EXPECT_EQ(ParseHex("ff"), 0xFFu);
    EXPECT_EQ(ParseHex("0x1F"), 0x1Fu);
    EXPECT_EQ(ParseHex("0xFFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseHex("80000000"), 0x80000000u);
    EXPECT_EQ(ParseHex("123456789"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseHex("12zz"), 0x12u);
    EXPECT_EQ(ParseHex(""), 0u);
}

TEST(FxStringsGeometryTest, UnionDistanceAndFit) {
    EXPECT_EQ(UnionOfRects(CRect(10, 10, 0, 0), CRect(5, 20, 30, 15)), CRect(0, 0, 30, 20));
    // An empty rectangle still counts with its corner.
    EXPECT_EQ(UnionOfRects(CRect(50, 50, 50, 50), CRect(0, 0, 10, 10)), CRect(0, 0, 50, 50));

    EXPECT_DOUBLE_EQ(PointDistance(0, 0, 3, 4), 5.0);
    EXPECT_DOUBLE_EQ(PointDistance(INT_MIN, 0, INT_MAX, 0), 4294967295.0);

    EXPECT_EQ(FitSizeInto(200, 100, 100, 100, FALSE), CSize(100, 50));
    EXPECT_EQ(FitSizeInto(100, 200, 100, 100, FALSE), CSize(50, 100));
    EXPECT_EQ(FitSizeInto(10, 5, 100, 100, FALSE), CSize(10, 5));
    EXPECT_EQ(FitSizeInto(10, 5, 100, 100, TRUE), CSize(100, 50));
    // The fitted side is exact, the other truncated.
    EXPECT_EQ(FitSizeInto(3, 2, 10, 10, TRUE), CSize(10, 6));
    EXPECT_EQ(FitSizeInto(300, 299, 100, 100, FALSE), CSize(100, 99));
    EXPECT_EQ(FitSizeInto(0, 5, 100, 100, TRUE), CSize(0, 0));
    EXPECT_EQ(FitSizeInto(5, 5, 0, 100, TRUE), CSize(0, 0));
}

TEST(FxStringsColorTest, LightenAndDarken) {
    EXPECT_EQ(LightenColor(0x404040, 50), 0x9F9F9Fu);
    EXPECT_EQ(LightenColor(RGB(0, 128, 255), 100), 0xFFFFFFu);
    EXPECT_EQ(LightenColor(0x123456, 0), 0x123456u);
    EXPECT_EQ(LightenColor(0x123456, 101), 0x123456u);

    EXPECT_EQ(DarkenColor(RGB(64, 128, 255), 50), RGB(32, 64, 127));
    EXPECT_EQ(DarkenColor(0x808080, 100), 0u);
    EXPECT_EQ(DarkenColor(0x808080, 0), 0x808080u);
    EXPECT_EQ(DarkenColor(0x808080, 101), 0x808080u);
}
