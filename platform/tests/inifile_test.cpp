#include "platform/inifile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "platform/testing/testsupport.h"
#include "platform/textcodec.h"

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

namespace {

std::string TempIni(const std::string& name = "test.ini") {
    return testsupport::MakeTempFolder("ini") + "/" + name;
}

}  // namespace

TEST(IniFileTest, ReadsWithDefaultsCaseAndBlanks) {
    const std::string file = TempIni();
    EXPECT_EQ(GetPrivateProfileString("S", "k", "dflt", file), "dflt");  // no file
    EXPECT_EQ(GetPrivateProfileInt("S", "k", 42, file), 42u);
    WriteFileBytes(file,
                   "top=ignored\n"
                   "; comment=not a key\r\n"
                   "  [ Main ]  \r\n"
                   "  Name  =  Some Value  \r\n"
                   "Quoted=\"  padded  \"\n"
                   "Single=' x '\n"
                   "Half=\"open\n"
                   "Empty=\n"
                   "Count= 37abc\n"
                   "Neg=-5\n"
                   "Word=abc\n"
                   "name=second\n"
                   "[Other]\n"
                   "Name=other\n"
                   "[main]\n"
                   "Late=in duplicate section");
    EXPECT_EQ(GetPrivateProfileString("main", "NAME", "d", file), "Some Value");
    EXPECT_EQ(GetPrivateProfileString("MAIN", "quoted", "d", file), "  padded  ");
    EXPECT_EQ(GetPrivateProfileString("Main", "Single", "d", file), " x ");
    EXPECT_EQ(GetPrivateProfileString("Main", "Half", "d", file), "\"open");
    EXPECT_EQ(GetPrivateProfileString("Main", "Empty", "d", file), "");
    EXPECT_EQ(GetPrivateProfileString("Main", "Missing", "d", file), "d");
    EXPECT_EQ(GetPrivateProfileString("Nope", "Name", "d", file), "d");
    EXPECT_EQ(GetPrivateProfileString("Other", "Name", "d", file), "other");
    // Keys before the first section and comment lines are not entries.
    EXPECT_EQ(GetPrivateProfileString("", "top", "d", file), "d");
    EXPECT_EQ(GetPrivateProfileString("Main", "; comment", "d", file), "d");
    EXPECT_EQ(GetPrivateProfileInt("Main", "Count", 9, file), 37u);
    EXPECT_EQ(GetPrivateProfileInt("Main", "Neg", 9, file), static_cast<UINT>(-5));
    EXPECT_EQ(GetPrivateProfileInt("Main", "Word", 9, file), 0u);
    EXPECT_EQ(GetPrivateProfileInt("Main", "Empty", 9, file), 0u);
    EXPECT_EQ(GetPrivateProfileInt("Main", "Nothing", 9, file), 9u);
    EXPECT_EQ(GetPrivateProfileSectionNames(file), (std::vector<std::string>{"Main", "Other"}));
    EXPECT_EQ(GetPrivateProfileKeys("MAIN", file),
              (std::vector<std::string>{"Name", "Quoted", "Single", "Half", "Empty", "Count", "Neg",
                                        "Word"}));
    EXPECT_TRUE(GetPrivateProfileKeys("Nope", file).empty());
}

TEST(IniFileTest, KoreanSectionsAndKeysAreBytes) {
    const std::string file = TempIni();
    // A key whose second byte is 'A' must not match one whose second byte is 'a'.
    ASSERT_TRUE(WritePrivateProfileString(A("설정"), "\x81\x41", A("값"), file));
    EXPECT_EQ(GetPrivateProfileString(A("설정"), "\x81\x41", "d", file), A("값"));
    EXPECT_EQ(GetPrivateProfileString(A("설정"), "\x81\x61", "d", file), "d");
    EXPECT_EQ(ReadFileBytes(file), "[" + A("설정") + "]\r\n\x81\x41=" + A("값") + "\r\n");
}

TEST(IniFileTest, WritesCreateFileSectionAndKeysInPlace) {
    const std::string file = TempIni();
    ASSERT_TRUE(WritePrivateProfileString("Main", "a", "1", file));
    EXPECT_EQ(ReadFileBytes(file), "[Main]\r\na=1\r\n");
    ASSERT_TRUE(WritePrivateProfileString("Main", "b", "2", file));
    ASSERT_TRUE(WritePrivateProfileString("Second", "x", "y z", file));
    ASSERT_TRUE(WritePrivateProfileString("main", "c", "3", file));    // into Main
    ASSERT_TRUE(WritePrivateProfileString("MAIN", "A", "one", file));  // replaces a=1
    EXPECT_EQ(ReadFileBytes(file), "[Main]\r\nA=one\r\nb=2\r\nc=3\r\n[Second]\r\nx=y z\r\n");
    EXPECT_EQ(GetPrivateProfileString("Main", "a", "", file), "one");
    EXPECT_EQ(GetPrivateProfileString("Second", "X", "", file), "y z");
}

TEST(IniFileTest, WritesKeepOtherLinesAndTheirOrder) {
    const std::string file = TempIni();
    const std::string head = "; settings\n\n[First]\r\n";
    const std::string tail = "junk line\nk2=v2\nk3=v3\r\n; trailing comment\n\n[Second]\nonly=1";
    // The last line has no line end.
    WriteFileBytes(file,
                   head + "k1 = v1\njunk line\nk2=v2\n; trailing comment\n\n[Second]\nonly=1");
    // A new key goes after the section's last key, before its trailing lines.
    ASSERT_TRUE(WritePrivateProfileString("first", "k3", "v3", file));
    EXPECT_EQ(ReadFileBytes(file), head + "k1 = v1\n" + tail);
    // Replacing a key rewrites only its line.
    ASSERT_TRUE(WritePrivateProfileString("First", "K1", "new", file));
    EXPECT_EQ(ReadFileBytes(file), head + "K1=new\r\n" + tail);
    // Appending after a last line without a line end gives it one.
    ASSERT_TRUE(WritePrivateProfileString("Second", "two", "2", file));
    ASSERT_TRUE(WritePrivateProfileString("Third", "t", "", file));
    EXPECT_EQ(ReadFileBytes(file), head + "K1=new\r\n" + tail + "\r\ntwo=2\r\n[Third]\r\nt=\r\n");
}

TEST(IniFileTest, KeyIntoEmptySectionFollowsHeader) {
    const std::string file = TempIni();
    WriteFileBytes(file, "[A]\n; nothing yet\n[B]\nx=1\n");
    ASSERT_TRUE(WritePrivateProfileString("A", "k", "v", file));
    EXPECT_EQ(ReadFileBytes(file), "[A]\nk=v\r\n; nothing yet\n[B]\nx=1\n");
    // A section header without a line end at the end of the file.
    WriteFileBytes(file, "[A]");
    ASSERT_TRUE(WritePrivateProfileString("a", "k", "v", file));
    EXPECT_EQ(ReadFileBytes(file), "[A]\r\nk=v\r\n");
}

TEST(IniFileTest, DeleteKeyAndSection) {
    const std::string file = TempIni();
    WriteFileBytes(file, "; head\n[A]\na=1\n; about b\nb=2\n[B]\nc=3\n[C]\nd=4\n");
    EXPECT_TRUE(DeletePrivateProfileKey("a", "B", file));
    EXPECT_EQ(ReadFileBytes(file), "; head\n[A]\na=1\n; about b\n[B]\nc=3\n[C]\nd=4\n");
    EXPECT_TRUE(DeletePrivateProfileKey("A", "missing", file));
    EXPECT_TRUE(DeletePrivateProfileSection("b", file));
    EXPECT_EQ(ReadFileBytes(file), "; head\n[A]\na=1\n; about b\n[C]\nd=4\n");
    EXPECT_EQ(GetPrivateProfileString("B", "c", "gone", file), "gone");
    EXPECT_TRUE(DeletePrivateProfileSection("C", file));
    EXPECT_EQ(ReadFileBytes(file), "; head\n[A]\na=1\n; about b\n");
    // Deleting from a file that is not there creates nothing.
    const std::string none = TempIni("none.ini");
    EXPECT_TRUE(DeletePrivateProfileKey("A", "a", none));
    EXPECT_EQ(access(none.c_str(), F_OK), -1);
}

TEST(IniFileTest, RefusesWritesThatWouldCorruptTheFile) {
    const std::string file = TempIni();
    WriteFileBytes(file, "[A]\nk=v\n");
    EXPECT_FALSE(WritePrivateProfileString("A", "k", "line1\r\n[Evil]\r\nx=1", file));
    EXPECT_FALSE(WritePrivateProfileString("A", "a=b", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("A\n", "k", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("A]", "k", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("", "k", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("A", " ", "v", file));
    EXPECT_EQ(ReadFileBytes(file), "[A]\nk=v\n");
}

TEST(IniFileTest, FailedWriteKeepsTheOldFile) {
    const std::string file = TempIni();
    const std::string original = "[A]\r\nk=v\r\n; keep me\r\n";
    WriteFileBytes(file, original);
    // The child may write only a few bytes per file, so writing the new file fails midway.
    const pid_t pid = testsupport::ForkChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{8, 8};
        if (setrlimit(RLIMIT_FSIZE, &lim) != 0) return 10;
        return WritePrivateProfileString("A", "k", std::string(1000, 'x'), file) ? 1 : 0;
    });
    EXPECT_EQ(testsupport::WaitChild(pid), 0);
    EXPECT_EQ(ReadFileBytes(file), original);
    // No temporary file is left behind: only the file and its lock file.
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
}

TEST(IniFileTest, KeepsPermissionsAndMakesNoFolder) {
    const std::string file = TempIni();
    WriteFileBytes(file, "[A]\n");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(WritePrivateProfileString("A", "k", "v", file));
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const std::string folder = file + ".d/missing";
    EXPECT_FALSE(WritePrivateProfileString("A", "k", "v", folder + "/x.ini"));
    EXPECT_NE(stat(folder.c_str(), &st), 0);
}

TEST(IniFileTest, UnreadableFileIsNeverWrittenOver) {
    const std::string file = TempIni();
    WriteFileBytes(file, "[A]\r\nk=v\r\n");
    ASSERT_EQ(chmod(file.c_str(), 0200), 0);  // the owner may write, nobody read
    const pid_t child = testsupport::ForkChild([&] {
        // The superuser reads anything: give up that power first.
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct caps[2] = {};
        if (syscall(SYS_capget, &header, caps) != 0) return 10;
        caps[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        if (syscall(SYS_capset, &header, caps) != 0) return 11;
        const int probe = open(file.c_str(), O_RDONLY);
        if (probe >= 0) return 12;
        int written = 0;
        written += WritePrivateProfileString("B", "x", "1", file);
        written += DeletePrivateProfileKey("A", "k", file);
        written += DeletePrivateProfileSection("A", file);
        return written;
    });
    EXPECT_EQ(testsupport::WaitChild(child), 0);
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    EXPECT_EQ(ReadFileBytes(file), "[A]\r\nk=v\r\n");
}

TEST(IniFileTest, ConcurrentWritersLoseNoKey) {
    const std::string file = testsupport::MakeMemoryTempFolder("inirace") + "/CurrentProj.ini";
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kKeys = 150;  // every read of the growing file is slow there
#else
    constexpr int kKeys = 500;
#endif
    std::vector<pid_t> writers;
    for (const char* prefix : {"a", "b"}) {
        writers.push_back(testsupport::ForkChild([&, prefix] {
            int failed = 0;
            for (int i = 0; i < kKeys; ++i) {
                const std::string key = prefix + std::to_string(i);
                if (!WritePrivateProfileString("Project", key, key + "v", file)) ++failed;
            }
            return failed;
        }));
    }
    for (pid_t w : writers) EXPECT_EQ(testsupport::WaitChild(w), 0) << "every write acknowledged";
    int missing = 0;
    for (const char* prefix : {"a", "b"}) {
        for (int i = 0; i < kKeys; ++i) {
            const std::string key = prefix + std::to_string(i);
            if (GetPrivateProfileString("Project", key, "", file) != key + "v") ++missing;
        }
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(GetPrivateProfileKeys("Project", file).size(), 2u * kKeys);
}
