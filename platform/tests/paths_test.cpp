#include "platform/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <functional>

#include "platform/testing/testsupport.h"

using testsupport::ForkChild;
using testsupport::WaitChild;

namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int FunctionOfThisProgram() { return 42; }

std::string RealPath(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

}  // namespace

TEST(PathsTest, TranslatesWindowsPaths) {
    const std::string data = GetFolder(FolderKind::Data);
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(TranslateWindowsPath("C:\\Program Files\\A.txt"),
              data + "/drive_c/Program Files/A.txt");
    EXPECT_EQ(TranslateWindowsPath("d:/mixed\\seps"), data + "/drive_d/mixed/seps");
    EXPECT_EQ(TranslateWindowsPath("c:\\"), data + "/drive_c");
    EXPECT_EQ(TranslateWindowsPath("c:"), data + "/drive_c");
    // The system folder, in any case, keeps the case of what follows it.
    EXPECT_EQ(GetSystemFolder(), data + "/system");
    EXPECT_EQ(TranslateWindowsPath("C:\\WINDOWS\\System32\\Grid.Dat"), data + "/system/Grid.Dat");
    EXPECT_EQ(TranslateWindowsPath("c:\\windows\\system\\a.ini"), data + "/system/a.ini");
    EXPECT_EQ(TranslateWindowsPath("c:\\windows\\system32"), data + "/system");
    // Only whole folder names count.
    EXPECT_EQ(TranslateWindowsPath("c:\\windows\\system32x\\a"),
              data + "/drive_c/windows/system32x/a");
    // Without a drive the path stays where it is.
    EXPECT_EQ(TranslateWindowsPath("sub\\dir\\file.txt"), "sub/dir/file.txt");
    EXPECT_EQ(TranslateWindowsPath(""), "");
    EXPECT_EQ(TranslateWindowsPath("1:\\x"), "1:/x");
}

TEST(PathsTest, MakeFolderPathMakesEveryParent) {
    const std::string base = testsupport::MakeTempFolder("paths");
    const std::string nested = base + "/a/b/c";
    EXPECT_TRUE(MakeFolderPath(nested));
    EXPECT_TRUE(IsFolder(base + "/a/b"));
    EXPECT_TRUE(IsFolder(nested));
    EXPECT_TRUE(MakeFolderPath(nested));  // already there
    EXPECT_TRUE(MakeFolderPath(base + "/d/e/"));
    EXPECT_TRUE(IsFolder(base + "/d/e"));
    // A file in the way.
    testsupport::WriteFileBytes(base + "/file", "x");
    EXPECT_FALSE(MakeFolderPath(base + "/file/sub"));
    EXPECT_FALSE(MakeFolderPath(base + "/file"));
    EXPECT_FALSE(MakeFolderPath(""));
    // The folders of a file path: all before the last "/".
    EXPECT_TRUE(MakeFolderPathFor(base + "/f/g/file.txt"));
    EXPECT_TRUE(IsFolder(base + "/f/g"));
    EXPECT_FALSE(IsFolder(base + "/f/g/file.txt"));
    EXPECT_FALSE(MakeFolderPathFor(base + "/file/sub/x.txt"));
    // Relative to the current folder.
    const pid_t child = ForkChild([&] {
        if (chdir(base.c_str()) != 0) return 2;
        return MakeFolderPath("r1/r2") && IsFolder(base + "/r1/r2") ? 0 : 1;
    });
    EXPECT_EQ(WaitChild(child), 0);
}

TEST(PathsTest, FolderOverridesAndEnvironment) {
    const std::string saved = GetFolder(FolderKind::Data);
    SetFolderOverride(FolderKind::Data, "/some/where/");
    EXPECT_EQ(GetFolder(FolderKind::Data), "/some/where");
    EXPECT_EQ(TranslateWindowsPath("c:\\f"), "/some/where/drive_c/f");
    // The other kinds are not affected.
    EXPECT_NE(GetFolder(FolderKind::Runtime), "/some/where");
    // Cleared, the environment variable the test main set applies again.
    SetFolderOverride(FolderKind::Data, "");
    EXPECT_EQ(GetFolder(FolderKind::Data), std::string(std::getenv("DRAVIK_DATA_DIR")));
    SetFolderOverride(FolderKind::Data, saved);
    EXPECT_EQ(GetFolder(FolderKind::Data), saved);

    // Without override or variable, the user's usual folders.
    const pid_t child = ForkChild([] {
        SetFolderOverride(FolderKind::Data, "");
        SetFolderOverride(FolderKind::Runtime, "");
        SetFolderOverride(FolderKind::Program, "");
        unsetenv("DRAVIK_DATA_DIR");
        unsetenv("DRAVIK_RUNTIME_DIR");
        unsetenv("DRAVIK_PROGRAM_DIR");
        setenv("XDG_DATA_HOME", "/xdg/data/", 1);
        setenv("XDG_RUNTIME_DIR", "/run/user/77", 1);
        if (GetFolder(FolderKind::Data) != "/xdg/data/dravik") return 1;
        if (GetFolder(FolderKind::Runtime) != "/run/user/77/dravik") return 2;
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_RUNTIME_DIR");
        setenv("HOME", "/home/someone", 1);
        if (GetFolder(FolderKind::Data) != "/home/someone/.local/share/dravik") return 3;
        if (GetFolder(FolderKind::Runtime) != "/tmp/dravik-" + std::to_string(getuid())) return 4;
        const std::string program = GetProgramFilePath();
        if (GetFolder(FolderKind::Program) != program.substr(0, program.rfind('/'))) return 5;
        return 0;
    });
    EXPECT_EQ(WaitChild(child), 0);
}

TEST(PathsTest, ModuleFileOfAnAddress) {
    const std::string exe = RealPath("/proc/self/exe");
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(GetProgramFilePath(), exe);
    EXPECT_EQ(GetModuleFileOf(reinterpret_cast<const void*>(&FunctionOfThisProgram)), exe);
    // Also when the current folder is no longer the one the program started in.
    const pid_t child = ForkChild([&] {
        if (chdir("/") != 0) return 2;
        return GetModuleFileOf(reinterpret_cast<const void*>(&FunctionOfThisProgram)) == exe ? 0
                                                                                             : 1;
    });
    EXPECT_EQ(WaitChild(child), 0);
    // A function of the platform library names the library's file.
    const std::string lib = GetModuleFileOf(reinterpret_cast<const void*>(&MakeFolderPath));
    EXPECT_NE(lib, exe);
    EXPECT_NE(lib.find("libdravikplatform.so"), std::string::npos) << lib;
    EXPECT_EQ(lib, RealPath(lib));
    EXPECT_EQ(GetModuleFileOf(nullptr), "");
}

TEST(PathsTest, TickSourceCanBeReplaced) {
    // A source may use the other helpers (it runs outside their lock).
    const pid_t child = ForkChild([] {
        alarm(5);
        SetTickSource([] { return static_cast<DWORD>(GetFolder(FolderKind::Data).size()); });
        return GetTickCount() == GetFolder(FolderKind::Data).size() ? 0 : 1;
    });
    EXPECT_EQ(WaitChild(child), 0);
    SetTickSource({});
    const DWORD a = GetTickCount();
    usleep(20000);
    const DWORD b = GetTickCount();
    EXPECT_GE(static_cast<DWORD>(b - a), 15u);
    EXPECT_LT(static_cast<DWORD>(b - a), 5000u);
}

TEST(PathsTest, LocalTimeIsTheCalendarDate) {
    const LocalTime now = GetLocalTime();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
}

TEST(PathsTest, PrivateFolderInASharedPlace) {
    const std::string shared = testsupport::MakeTempFolder("sharedtmp");
    const auto isPrivate = [](const std::string& path) {
        struct stat st {};
        return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
               (st.st_mode & 0777) == 0700;
    };
    // Missing: made private; already private: kept.
    const std::string fresh = shared + "/dravik-1";
    EXPECT_EQ(ChoosePrivateFolder(fresh), fresh);
    EXPECT_TRUE(isPrivate(fresh));
    EXPECT_EQ(ChoosePrivateFolder(fresh), fresh);

    // Made first by someone else, or open to others: a private folder beside it.
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
    };
    const Case cases[] = {
        {"a folder open to others",
         [](const std::string& p) {
             ASSERT_EQ(mkdir(p.c_str(), 0700), 0);
             ASSERT_EQ(chmod(p.c_str(), 0777), 0);
         }},
        {"another user's folder",
         [](const std::string& p) {
             ASSERT_EQ(mkdir(p.c_str(), 0700), 0);
             ASSERT_EQ(chown(p.c_str(), 4321, 4321), 0);
         }},
        {"a link to a private folder",
         [&](const std::string& p) { ASSERT_EQ(symlink(fresh.c_str(), p.c_str()), 0); }},
        {"a file", [](const std::string& p) { testsupport::WriteFileBytes(p, "x"); }},
    };
    int round = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string wanted = shared + "/dravik-" + std::to_string(round++);
        c.make(wanted);
        const std::string chosen = ChoosePrivateFolder(wanted);
        EXPECT_EQ(chosen.substr(0, wanted.size() + 1), wanted + "-");
        EXPECT_EQ(chosen.size(), wanted.size() + 7);
        EXPECT_TRUE(isPrivate(chosen));
        // The user's next process finds the same folder.
        EXPECT_EQ(ChoosePrivateFolder(wanted), chosen);
    }
}
