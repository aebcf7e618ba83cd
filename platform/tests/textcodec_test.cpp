#include "platform/textcodec.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// "한글" and "모든 파일" in the code page, as iconv gives them.
const std::string kHangulAnsi = "\xC7\xD1\xB1\xDB";
const std::string kAllFilesAnsi = "\xB8\xF0\xB5\xE7 \xC6\xC4\xC0\xCF";

}  // namespace

TEST(TextCodecTest, KoreanRoundTrips) {
    EXPECT_EQ(Utf8ToAnsi("한글"), kHangulAnsi);
    EXPECT_EQ(A("모든 파일"), kAllFilesAnsi);
    EXPECT_EQ(AnsiToUtf8(kHangulAnsi), "한글");
    EXPECT_EQ(AnsiToUtf8(kAllFilesAnsi), "모든 파일");
    EXPECT_EQ(AnsiToUtf16(kHangulAnsi), u"한글");
    EXPECT_EQ(Utf16ToAnsi(u"한글 abc"), kHangulAnsi + " abc");
    EXPECT_EQ(AnsiToQString(kAllFilesAnsi), QString::fromUtf8("모든 파일"));
    EXPECT_EQ(QStringToAnsi(QString::fromUtf8("모든 파일")), kAllFilesAnsi);
    // Extended Hangul with an ASCII capital as second byte, the euro sign
    // and a CJK ideograph.
    EXPECT_EQ(A("갂€中"), "\x81\x41\xA2\xE6\xF1\xE9");
    EXPECT_EQ(AnsiToUtf8("\x81\x41\xA2\xE6\xF1\xE9"), "갂€中");
    EXPECT_EQ(AnsiToUtf8(""), "");
    EXPECT_EQ(Utf8ToAnsi(""), "");
    // Embedded NUL bytes are text like any other.
    EXPECT_EQ(AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextCodecTest, BadCodePageBytesBecomeQuestionMarks) {
    // 0xC9 0x41 is no character: the lead byte becomes '?', the 'A' survives.
    EXPECT_EQ(AnsiToUtf8(std::string("x\xC9") + "Ay"), "x?Ay");
    // A byte that can start nothing, in the middle of Korean text.
    EXPECT_EQ(AnsiToUtf8(kHangulAnsi.substr(0, 2) + "\x80" + kHangulAnsi.substr(2)), "한?글");
    EXPECT_EQ(AnsiToUtf16(std::string("\xFF") + "ab"), u"?ab");
    // A lead byte alone at the end.
    EXPECT_EQ(AnsiToUtf8("ab\xC7"), "ab?");
    EXPECT_EQ(AnsiToUtf8(kHangulAnsi + "\xB1"), "한글?");
    EXPECT_EQ(AnsiToQString("\xC7"), QString("?"));
    // Long input with many bad bytes keeps its length (no truncation).
    std::string longText;
    for (int i = 0; i < 3000; ++i) longText += kHangulAnsi + "\x80";
    const std::u16string u = AnsiToUtf16(longText);
    ASSERT_EQ(u.size(), 9000u);
    EXPECT_EQ(u.substr(8997), u"한글?");
}

// Text of ASCII alone takes a shorter way to a QString than text with code
// page characters: both give what the converter gives.
TEST(TextCodecTest, QStringOfAsciiIsTheConvertersText) {
    std::string every;
    for (int c = 0; c < 0x80; ++c) every.push_back(static_cast<char>(c));
    const std::string cases[] = {every,
                                 "",
                                 "SUB A()\r\n\tBOX 1,2,3,4\r\nEND SUB",
                                 "abc" + kHangulAnsi,
                                 kHangulAnsi + "abc",
                                 "ab\xC7"};
    for (const std::string& text : cases) {
        const std::u16string converted = AnsiToUtf16(text);
        EXPECT_EQ(AnsiToQString(text),
                  QString::fromUtf16(converted.data(), static_cast<qsizetype>(converted.size())))
            << text;
    }
    EXPECT_EQ(AnsiToUtf16(every).size(), every.size());
}

TEST(TextCodecTest, UnicodeWithoutCodePageFormBecomesQuestionMark) {
    EXPECT_EQ(Utf8ToAnsi("a😀b"), "a?b");
    EXPECT_EQ(Utf8ToAnsi("한😀글"), "\xC7\xD1?\xB1\xDB");
    EXPECT_EQ(Utf16ToAnsi(u"x\U0001F600y"), "x?y");
    EXPECT_EQ(QStringToAnsi(QString::fromUtf8("ÿ한")), "?\xC7\xD1");
}

TEST(TextCodecTest, MalformedUnicodeInputBecomesQuestionMarks) {
    // Lone surrogates in UTF-16, high and low, in the middle and at the end.
    EXPECT_EQ(Utf16ToAnsi(std::u16string{u'a', char16_t(0xD800), u'b'}), "a?b");
    EXPECT_EQ(Utf16ToAnsi(std::u16string{u'a', char16_t(0xDC00)}), "a?");
    EXPECT_EQ(Utf16ToAnsi(std::u16string{char16_t(0xD83D)}), "?");
    // Stray continuation byte, truncated sequence, overlong form, encoded surrogate.
    EXPECT_EQ(Utf8ToAnsi(std::string("a\x80") + "b"), "a?b");
    EXPECT_EQ(Utf8ToAnsi("a\xED\x95"), "a??");
    EXPECT_EQ(Utf8ToAnsi(std::string("\xC0\xAF") + "z"), "??z");
    EXPECT_EQ(Utf8ToAnsi("\xED\xA0\x80"), "???");
    // The rest of the text survives a bad byte.
    EXPECT_EQ(Utf8ToAnsi("\xFF한글"), "?" + kHangulAnsi);
}

TEST(TextCodecTest, CaseMappingLeavesPairsAlone) {
    // "갂" is 0x81 0x41: its second byte is an ASCII 'A' that must stay.
    const std::string mixed = "AbC\x81\x41Z\xC7\xD1q";
    EXPECT_EQ(MbLower(mixed), "abc\x81\x41z\xC7\xD1q");
    EXPECT_EQ(MbUpper(mixed), "ABC\x81\x41Z\xC7\xD1Q");
    EXPECT_EQ(MbUpper("\x81\x61"), "\x81\x61");
    // A lead byte at the end takes nothing with it.
    EXPECT_EQ(MbLower("A\xC7"), "a\xC7");
    EXPECT_EQ(MbLower(std::string("\xC7") + "AB"), std::string("\xC7") + "Ab");
}

TEST(TextCodecTest, CompareNoCase) {
    EXPECT_EQ(MbCompareNoCase("Settings", "SETTINGS"), 0);
    EXPECT_LT(MbCompareNoCase("abc", "ABD"), 0);
    EXPECT_GT(MbCompareNoCase("abd", "ABC"), 0);
    EXPECT_LT(MbCompareNoCase("ab", "AB c"), 0);
    EXPECT_GT(MbCompareNoCase("ab ", "AB"), 0);
    // Second bytes 'A' and 'a' are different characters.
    EXPECT_NE(MbCompareNoCase("\x81\x41", "\x81\x61"), 0);
    EXPECT_EQ(MbCompareNoCase("X\x81\x41", "x\x81\x41"), 0);
    // Bytes compare unsigned: a high byte sorts after ASCII.
    EXPECT_GT(MbCompareNoCase(kHangulAnsi, "z"), 0);
}

TEST(TextCodecTest, Trim) {
    EXPECT_EQ(TrimText(" \t\r\n a b \r\n\t "), "a b");
    EXPECT_EQ(TrimText("   "), "");
    EXPECT_EQ(TrimText(""), "");
    EXPECT_EQ(TrimText("x"), "x");
    EXPECT_EQ(TrimText(" " + kHangulAnsi + "\n"), kHangulAnsi);
}

TEST(TextCodecTest, ConvertsOnManyThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 500; ++i) {
                if (AnsiToUtf8(kAllFilesAnsi + "\x80") != "모든 파일?") ++failures[t];
                if (Utf8ToAnsi("한글😀") != kHangulAnsi + "?") ++failures[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int f : failures) EXPECT_EQ(f, 0);
}

namespace {

// Converts in its destructor, as a window whose title is converted does when
// a function-static object holding it goes at program exit.
struct LateConverter {
    std::string* toUtf8 = nullptr;
    std::string* toAnsi = nullptr;
    ~LateConverter() {
        if (toUtf8) *toUtf8 = AnsiToUtf8(kAllFilesAnsi);
        if (toAnsi) *toAnsi = Utf8ToAnsi("한글");
    }
};

}  // namespace

TEST(TextCodecTest, ConvertsInDestructorsThatRunAfterTheThreadsConverters) {
    // The late object is made before the thread's first conversion, so it is
    // destroyed after the thread's converters at the thread's end.
    std::string toUtf8, toAnsi, during;
    std::thread([&] {
        thread_local LateConverter late;
        late.toUtf8 = &toUtf8;
        late.toAnsi = &toAnsi;
        during = AnsiToUtf8(kHangulAnsi) + QStringToAnsi(QString::fromUtf8("x"));
    }).join();
    EXPECT_EQ(during, "한글x");
    EXPECT_EQ(toUtf8, "모든 파일");
    EXPECT_EQ(toAnsi, kHangulAnsi);
}
