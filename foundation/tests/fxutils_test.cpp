#include "foundation/fxutils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLocale>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/textcodec.h"

using testsupport::MakeTempFolder;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

TEST(FileUtilsTest, ReadingGivesTheWholeContent) {
    const std::string folder = MakeTempFolder("read");
    const std::string path = folder + "/a.txt";
    WriteFileBytes(path, std::string("ab\0c\r\n\0", 7));

    std::string text;
    ASSERT_TRUE(ReadTextFile(path, text));
    EXPECT_EQ(text, std::string("ab\0c\r\n\0", 7));
    EXPECT_EQ(ReadWholeTextFile(path, TRUE, '_'), "ab_c\r\n_");

    // From an open file whose position is elsewhere: still from the start.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fseek(file, 3, SEEK_SET);
    ASSERT_TRUE(ReadFileAsText(file, text, TRUE, '.'));
    EXPECT_EQ(text, "ab.c\r\n.");
    std::fclose(file);

    EXPECT_FALSE(ReadTextFile(folder + "/missing.txt", text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(ReadTextFile(folder, text));

    // A path exists as a folder or a readable file.
    EXPECT_TRUE(IsPathExisting(folder));
    EXPECT_TRUE(IsPathExisting(path));
    EXPECT_FALSE(IsPathExisting(folder + "/missing.txt"));
    EXPECT_FALSE(IsPathExisting(""));
}

TEST(FileUtilsTest, WritingMakesFoldersAndReplacesTheContent) {
    testsupport::ScriptedUi ui;
    const std::string folder = MakeTempFolder("write");
    const std::string path = folder + "/x/y/out.bas";
    ASSERT_TRUE(WriteTextFile(path, "10 CLS\r\n20 END\r\n"));
    EXPECT_EQ(ReadFileBytes(path), "10 CLS\r\n20 END\r\n");
    ASSERT_TRUE(WriteTextFile(path, "short"));
    EXPECT_EQ(ReadFileBytes(path), "short");
    EXPECT_TRUE(ui.openedDocuments.empty());

    // Opened as a document even when the file could be run.
    ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
    ASSERT_TRUE(WriteTextFile(path, "open me", TRUE));
    ASSERT_EQ(ui.openedDocuments.size(), 1u);
    EXPECT_EQ(ui.openedDocuments[0], path);
    EXPECT_TRUE(ui.startedPrograms.empty());

    // A folder path that runs through a file cannot be made.
    EXPECT_FALSE(WriteTextFile(path + "/inner.txt", "x"));
    EXPECT_FALSE(WriteTextFile("", "x"));

    // Writing to an open file cuts it first.
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    std::fseek(file, 3, SEEK_SET);
    ASSERT_TRUE(WriteTextToOpenFile(file, "new"));
    std::fclose(file);
    EXPECT_EQ(ReadFileBytes(path), "new");

    ASSERT_TRUE(CreateEmptyFile(folder + "/new/empty.dat"));
    EXPECT_EQ(ReadFileBytes(folder + "/new/empty.dat"), "");
    ASSERT_TRUE(CreateEmptyFile(path));
    EXPECT_EQ(ReadFileBytes(path), "");
}

TEST(FileUtilsTest, DeletingRemovesFilesAndWholeFolders) {
    const std::string folder = MakeTempFolder("delete");
    ASSERT_TRUE(MakeFolderPath(folder + "/prj0/sub"));
    WriteFileBytes(folder + "/prj0/a.frm", "x");
    WriteFileBytes(folder + "/prj0/sub/b.frm", "y");
    WriteFileBytes(folder + "/single", "z");

    EXPECT_TRUE(ShellDeletePath(folder + "/single"));
    EXPECT_FALSE(IsPathExisting(folder + "/single"));
    EXPECT_TRUE(ShellDeletePath(folder + "/prj0"));
    EXPECT_FALSE(IsPathExisting(folder + "/prj0"));
    EXPECT_TRUE(IsPathExisting(folder));
    EXPECT_FALSE(ShellDeletePath(folder + "/prj0"));
    EXPECT_FALSE(ShellDeletePath(""));

    // 258 characters are the limit; a longer path is refused, not cut.
    std::string longFolder = folder + "/";
    longFolder += std::string(258 - longFolder.size(), 'd');
    ASSERT_EQ(longFolder.size(), 258u);
    ASSERT_TRUE(MakeFolderPath(longFolder));
    ASSERT_TRUE(MakeFolderPath(longFolder + "/e"));
    EXPECT_FALSE(ShellDeletePath(longFolder + "/e"));
    EXPECT_TRUE(IsPathExisting(longFolder + "/e"));
    EXPECT_TRUE(ShellDeletePath(longFolder));
    EXPECT_FALSE(IsPathExisting(longFolder));
}

TEST(FileUtilsTest, ListingSeparatesFilesAndFolders) {
    const std::string folder = MakeTempFolder("list");
    ASSERT_TRUE(MakeFolderPath(folder + "/prj1/deep"));
    ASSERT_TRUE(MakeFolderPath(folder + "/prj0"));
    WriteFileBytes(folder + "/b.ini", "");
    WriteFileBytes(folder + "/a.dat", "");
    WriteFileBytes(folder + "/prj1/f.frm", "");
    WriteFileBytes(folder + "/prj1/deep/g.frm", "");

    using Names = std::vector<std::string>;
    auto list = [](const std::string& at, BOOL recurse, BOOL fullPaths, BOOL folders) {
        Names entries;
        return ListFolder(at, entries, recurse, fullPaths, folders) ? entries : Names{"<failed>"};
    };
    EXPECT_EQ(list(folder, FALSE, FALSE, FALSE), (Names{"a.dat", "b.ini"}));
    EXPECT_EQ(list(folder + "/", FALSE, TRUE, TRUE), (Names{folder + "/prj0", folder + "/prj1"}));
    EXPECT_EQ(list(folder, TRUE, FALSE, FALSE),
              (Names{"a.dat", "b.ini", "prj1/deep/g.frm", "prj1/f.frm"}));
    EXPECT_EQ(list(folder, TRUE, FALSE, TRUE), (Names{"prj0", "prj1", "prj1/deep"}));
    EXPECT_EQ(list(folder + "/none", FALSE, FALSE, FALSE), Names{"<failed>"});
    // A link back up is listed once, never walked round and round.
    ASSERT_EQ(::symlink("..", (folder + "/prj1/deep/up").c_str()), 0);
    EXPECT_EQ(list(folder, TRUE, FALSE, TRUE),
              (Names{"prj0", "prj1", "prj1/deep", "prj1/deep/up"}));
}

TEST(ShellUtilsTest, ParametersAreQuotedUnlessTheyCarryQuotes) {
    EXPECT_EQ(QuoteShellParameters("", FALSE), "");
    EXPECT_EQ(QuoteShellParameters("a b.txt", FALSE), "\"a b.txt\"");
    EXPECT_EQ(QuoteShellParameters("a b.txt", TRUE), "a b.txt");
    EXPECT_EQ(QuoteShellParameters("-x \"a b\"", FALSE), "-x \"a b\"");

    testsupport::ScriptedUi ui;
    const std::string folder = MakeTempFolder("shell");
    const std::string program = folder + "/tool";
    WriteFileBytes(program, "#!/bin/sh\n");
    ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
    WriteFileBytes(folder + "/doc.txt", "");

    EXPECT_TRUE(ShellOpen(program, "my file.dvk"));
    ASSERT_EQ(ui.startedPrograms.size(), 1u);
    EXPECT_EQ(ui.startedPrograms[0].first, program);
    EXPECT_EQ(ui.startedPrograms[0].second, "\"my file.dvk\"");
    EXPECT_TRUE(ShellOpen(folder + "/doc.txt"));
    EXPECT_TRUE(ShellOpen(folder));
    EXPECT_EQ(ui.openedDocuments, (std::vector<std::string>{folder + "/doc.txt", folder}));
    ui.openDocumentResult = false;
    EXPECT_FALSE(ShellOpen(folder + "/doc.txt"));
    EXPECT_FALSE(ShellOpen(""));
}

TEST(ModuleUtilsTest, ModulePathsLieInTheProgramFolder) {
    const std::string programFolder = GetFolder(FolderKind::Program);
    EXPECT_EQ(GetModuleFilePath(), programFolder + "/foundation_tests");
    EXPECT_EQ(GetModuleDir(), programFolder);
    EXPECT_EQ(GetModuleFolder(), programFolder + "/");
    EXPECT_EQ(GetModuleParentDir(), programFolder.substr(0, programFolder.rfind('/')));
    EXPECT_EQ(GetModuleFileTitle(), "foundation_tests");
    EXPECT_EQ(GetModuleLongPath(nullptr), "");
}

TEST(ModuleUtilsTest, KoreanTestReadsTheFakeEnglishFileOnce) {
    const std::string fake = TranslateWindowsPath("c:\\_fakeengwindow.txt");
    ASSERT_TRUE(MakeFolderPathFor(fake));
    WriteFileBytes(fake, "");
    SetKoreanUILanguageForTest(-1);
    EXPECT_FALSE(FxIsKoreanUILanguage());
    std::remove(fake.c_str());
    EXPECT_FALSE(FxIsKoreanUILanguage());  // once per run
    SetKoreanUILanguageForTest(1);
    EXPECT_TRUE(FxIsKoreanUILanguage());
    SetKoreanUILanguageForTest(-1);
    EXPECT_EQ(FxIsKoreanUILanguage(), QLocale::system().language() == QLocale::Korean);
}

TEST(VersionUtilsTest, TheBuildVersionGivesCodeAndText) {
    std::vector<int> numbers;
    ASSERT_TRUE(GetVersionNumbers("", numbers));
    EXPECT_EQ(numbers, SplitVersionText(DRAVIK_VERSION_TEXT));
    ASSERT_EQ(numbers.size(), 4u);
    int fourth = -1;
    EXPECT_EQ(std::string(DRAVIK_VERSION_TEXT), "2.4.2.0");
    EXPECT_EQ(GetProductVersionCode("", &fourth), 242);
    EXPECT_EQ(fourth, 0);
    EXPECT_EQ(GetVersionText(), "2.42");

    // The program's own file carries it too; other files carry none.
    EXPECT_TRUE(GetVersionNumbers(GetProgramFilePath(), numbers));
    const std::string other = MakeTempFolder("ver") + "/other.so";
    WriteFileBytes(other, "x");
    EXPECT_FALSE(GetVersionNumbers(other, numbers));
    EXPECT_TRUE(numbers.empty());
    EXPECT_FALSE(GetVersionNumbers("/no/such/file", numbers));
    EXPECT_EQ(GetProductVersionCode("/no/such/file", &fourth), 0);
    EXPECT_EQ(fourth, 0);
    EXPECT_EQ(GetVersionText("/no/such/file"), "0.00");

    EXPECT_EQ(SplitVersionText("2, 4, 2, 17"), (std::vector<int>{2, 4, 2, 17}));
    EXPECT_EQ(SplitVersionText("1.99999999999"), (std::vector<int>{1, 2147483647}));
}

TEST(SortUtilsTest, ValuesSortByTheTextsOfTheirKeys) {
    std::vector<DWORD> values{10, 9, 5, 7};
    const std::vector<DWORD> keys{1, 1, 0, 0xFFFFFFFF};
    // Texts: 0000000110, 000000019, 000000005, FFFFFFFF7; equal keys order
    // their values as text.
    ASSERT_TRUE(SortByKeys(values, &keys));
    EXPECT_EQ(values, (std::vector<DWORD>{5, 10, 9, 7}));
    values = {10, 9, 5, 7};
    ASSERT_TRUE(SortByKeys(values, &keys, TRUE));
    EXPECT_EQ(values, (std::vector<DWORD>{7, 9, 10, 5}));

    const std::vector<DWORD> shortKeys{1};
    values = {3, 1, 2};
    EXPECT_FALSE(SortByKeys(values, &shortKeys));
    EXPECT_EQ(values, (std::vector<DWORD>{3, 1, 2}));
    ASSERT_TRUE(SortByKeys(values));
    EXPECT_EQ(values, (std::vector<DWORD>{1, 2, 3}));
}

TEST(SortUtilsTest, TextsSortWithOrWithoutCase) {
    std::vector<std::string> texts{"b", "A", "a", "B", "\xB0\xA1"};
    SortStrings(texts, TRUE);
    EXPECT_EQ(texts, (std::vector<std::string>{"A", "B", "a", "b", "\xB0\xA1"}));
    texts = {"b", "A", "a", "B"};
    SortStrings(texts, FALSE);
    EXPECT_EQ(texts, (std::vector<std::string>{"A", "a", "b", "B"}));
    struct Case {
        BOOL caseSensitive, descending;
        std::vector<std::string> sorted;
    };
    const Case cases[] = {{TRUE, FALSE, {"B", "a", "b", "b"}},
                          {TRUE, TRUE, {"b", "b", "a", "B"}},
                          {FALSE, FALSE, {"a", "b", "B", "b"}},
                          {FALSE, TRUE, {"b", "B", "b", "a"}}};
    for (const Case& c : cases) {
        texts = {"b", "B", "a", "b"};
        SortStrings(texts, c.caseSensitive, c.descending);
        EXPECT_EQ(texts, c.sorted) << c.caseSensitive << c.descending;
    }
}

TEST(FontUtilsTest, FontFacesAreListedOnceInTheirGroups) {
    std::vector<std::string> faces;
    ASSERT_GT(EnumDisplayFontFaces(faces), 0);
    std::vector<std::string> sorted = faces;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    for (const char* left : {"Terminal", "Fixedsys", ""})
        EXPECT_EQ(std::count(faces.begin(), faces.end(), left), 0) << left;
    // Groups in order: names that begin with a double-byte character, other
    // names with one, plain names; the plain ones sorted.
    auto group = [](const std::string& name) {
        if (IsLeadByte(name[0])) return 0;
        return std::any_of(name.begin(), name.end(), [](char c) { return IsLeadByte(c); }) ? 1 : 2;
    };
    EXPECT_TRUE(std::is_sorted(faces.begin(), faces.end(),
                               [&](auto& a, auto& b) { return group(a) < group(b); }));
    const auto plain = std::find_if(faces.begin(), faces.end(),
                                    [&](const std::string& f) { return group(f) == 2; });
    EXPECT_TRUE(std::is_sorted(plain, faces.end()));
    std::vector<std::string> first;
    EnumDisplayFontFaces(first, TRUE, FALSE, TRUE);
    EXPECT_TRUE(std::all_of(first.begin(), first.end(),
                            [&](const std::string& f) { return group(f) == 0; }));
}

class IniUtilsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearIniCache();
        file = MakeTempFolder("ini") + "/CurrentProj.ini";
    }
    void TearDown() override { ClearIniCache(); }
    std::string file;
};

TEST_F(IniUtilsTest, MissingFileGivesTheDefaultAndStaysMissing) {
    EXPECT_EQ(GetIniString(file, "UComplete", "Main", "1"), "1");
    EXPECT_EQ(GetIniString(file, "UComplete", "Main"), "");
    EXPECT_FALSE(IsPathExisting(file));
}

TEST_F(IniUtilsTest, ReadingAMissingKeyWritesNothing) {
    WriteFileBytes(file, "[Main]\r\nUHwnd=12\r\n");
    EXPECT_EQ(GetIniString(file, "UHwnd", "Main", "0"), "12");
    EXPECT_EQ(GetIniString(file, "Other", "Main", "x"), "x");
    EXPECT_EQ(GetIniString(file, "UComplete", "Main"), "");
    EXPECT_EQ(GetIniString(file, "UComplete", "Other"), "");
    EXPECT_EQ(ReadFileBytes(file), "[Main]\r\nUHwnd=12\r\n");
}

TEST_F(IniUtilsTest, BufferSizeLimitsTheValue) {
    WriteFileBytes(file, "[S]\r\nk=abcdefgh\r\n");
    EXPECT_EQ(GetIniString(file, "k", "S", "", 4), "abc");
    EXPECT_EQ(GetIniString(file, "k", "S", "", 0), "abcdefgh");
    const std::string big(2500, 'v');
    WriteFileBytes(file, "[S]\r\nk=" + big + "\r\n");
    EXPECT_EQ(GetIniString(file, "k", "S"), std::string(1999, 'v'));
}

TEST_F(IniUtilsTest, SettingCreatesFoldersAndFile) {
    const std::string nested = MakeTempFolder("ini") + "/prj0/CurrentProj.ini";
    ASSERT_TRUE(SetIniString(nested, "UComplete", "1", "Main"));
    ASSERT_TRUE(SetIniString(nested, "UHwnd", "4294967297", "Main"));
    EXPECT_EQ(ReadFileBytes(nested), "[Main]\r\nUComplete=1\r\nUHwnd=4294967297\r\n");
    EXPECT_EQ(GetIniString(nested, "uhwnd", "MAIN"), "4294967297");
    // A path through a file cannot be made.
    EXPECT_FALSE(SetIniString(nested + "/x.ini", "k", "v", "S"));
}

TEST_F(IniUtilsTest, CachedReadsAnswerFromTheTableUntilTheValueIsSet) {
    WriteFileBytes(file, "[S]\r\nk=first\r\n");
    EXPECT_EQ(GetIniString(file, "k", "S", "", 0, FALSE, TRUE), "first");
    WriteFileBytes(file, "[S]\r\nk=second\r\n");
    EXPECT_EQ(GetIniString(file, "k", "S", "", 0, FALSE, TRUE), "first");
    EXPECT_EQ(GetIniString(file, "k", "S"), "second");
    // The table is keyed by file, key and section.
    EXPECT_EQ(GetIniString(file, "k", "T", "d", 0, FALSE, TRUE), "d");
    ASSERT_TRUE(SetIniString(file, "k", "third", "S"));
    EXPECT_EQ(GetIniString(file, "k", "S", "", 0, FALSE, TRUE), "third");
    ClearIniCache();
    WriteFileBytes(file, "[S]\r\nk=fourth\r\n");
    EXPECT_EQ(GetIniString(file, "k", "S", "", 0, FALSE, TRUE), "fourth");
}

TEST_F(IniUtilsTest, EncodedValuesAreStoredAsHex) {
    ASSERT_TRUE(SetIniString(file, "name", "AB", "S", TRUE));
    EXPECT_EQ(ReadFileBytes(file), "[S]\r\nname=4142\r\n");
    EXPECT_EQ(GetIniString(file, "name", "S", "", 0, TRUE), "AB");
    EXPECT_EQ(GetIniString(file, "name", "S"), "4142");
    // The default comes back as it was given and writes nothing.
    EXPECT_EQ(GetIniString(file, "other", "S", "xy", 0, TRUE), "xy");
    EXPECT_EQ(ReadFileBytes(file), "[S]\r\nname=4142\r\n");
    // A value that is no hex code reads as the default.
    WriteFileBytes(file, "[S]\r\nname=414\r\n");
    EXPECT_EQ(GetIniString(file, "name", "S", "dd", 0, TRUE), "dd");
}
