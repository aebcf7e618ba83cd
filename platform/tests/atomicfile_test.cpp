#include "platform/atomicfile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/testing/testsupport.h"

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

namespace {

// The names in the folder, sorted.
std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Temporary names come from the list first, then from fresh ones.
class NameScript {
public:
    explicit NameScript(std::vector<std::string> names) : m_names(std::move(names)) {
        SetTemporaryNameSourceForTest([this] {
            if (m_next < m_names.size()) return m_names[m_next++];
            return std::string("fresh") + std::to_string(100000000000 + m_next++);
        });
    }
    ~NameScript() { SetTemporaryNameSourceForTest({}); }

private:
    std::vector<std::string> m_names;
    size_t m_next = 0;
};

std::string TempName(const std::string& random) {
    return ".~dravik." + std::to_string(getpid()) + "." + random;
}

// Runs the body in a child that has given up the superuser's power to write
// anywhere, so that permissions hold for it.
int AsOrdinaryUser(const std::function<int()>& body) {
    const pid_t child = testsupport::ForkChild([&] {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct caps[2] = {};
        if (syscall(SYS_capget, &header, caps) != 0) return 10;
        caps[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        if (syscall(SYS_capset, &header, caps) != 0) return 11;
        return body();
    });
    return testsupport::WaitChild(child);
}

TEST(AtomicFileTest, WhatIsPlantedAtATemporaryNameIsNeverWrittenThrough) {
    const std::string folder = testsupport::MakeTempFolder("plant");
    const std::string target = folder + "/Form1.frm";
    const std::string victim = folder + "/victim";
    WriteFileBytes(victim, "victim");
    struct Case {
        const char* what;
        std::function<void(const std::string&)> plant;
    };
    const Case cases[] = {
        {"a link to another file",
         [&](const std::string& at) { ASSERT_EQ(symlink(victim.c_str(), at.c_str()), 0); }},
        {"a dangling link",
         [&](const std::string& at) {
             ASSERT_EQ(symlink((folder + "/nowhere").c_str(), at.c_str()), 0);
         }},
        {"a stale temporary", [&](const std::string& at) { WriteFileBytes(at, "stale"); }},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string random = "planted" + std::to_string(100000000 + round++);
        const std::string planted = folder + "/" + TempName(random);
        c.plant(planted);
        struct stat before {};
        ASSERT_EQ(lstat(planted.c_str(), &before), 0);
        {
            // The first name taken is the planted one: the writer picks another.
            NameScript names({random});
            EXPECT_TRUE(WriteFileAtomically(target, std::string("new ") + c.what));
        }
        EXPECT_EQ(ReadFileBytes(target), std::string("new ") + c.what);
        EXPECT_EQ(ReadFileBytes(victim), "victim");
        EXPECT_FALSE(std::filesystem::exists(folder + "/nowhere"));
        struct stat after {};
        ASSERT_EQ(lstat(planted.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_size, before.st_size);
        {
            // Every name it may take is taken: it gives up, the file stays.
            NameScript names(std::vector<std::string>(64, random));
            EXPECT_FALSE(WriteFileAtomically(target, "never"));
        }
        EXPECT_EQ(ReadFileBytes(target), std::string("new ") + c.what);
        EXPECT_EQ(ReadFileBytes(victim), "victim");
    }
}

TEST(AtomicFileTest, FailedWriteLeavesTheOldFileAndNoTemporary) {
    struct Case {
        const char* what;
        std::function<void(const std::string& folder, const std::string& target)> prepare;
        std::function<int(const std::string& target)> write;  // 1 written, 0 refused
    };
    const auto plainWrite = [](const std::string& target) {
        return WriteFileAtomically(target, std::string(5000, 'n')) ? 1 : 0;
    };
    const Case cases[] = {
        {"a read-only folder",
         [](const std::string& folder, const std::string&) {
             ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
         },
         [&](const std::string& target) {
             return AsOrdinaryUser([&] { return plainWrite(target); });
         }},
        {"a disk that fills up", [](const std::string&, const std::string&) {},
         [&](const std::string& target) {
             const pid_t child = testsupport::ForkChild([&] {
                 std::signal(SIGXFSZ, SIG_IGN);
                 rlimit lim{100, 100};
                 if (setrlimit(RLIMIT_FSIZE, &lim) != 0) return 10;
                 return plainWrite(target);
             });
             return testsupport::WaitChild(child);
         }},
        {"a batch whose temporary cannot be written",
         [](const std::string& folder, const std::string&) {
             ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
         },
         [&](const std::string& target) {
             return AsOrdinaryUser([&] {
                 AtomicFileBatch batch;
                 batch.Add(target, "n", 1);
                 return batch.Commit() ? 1 : 0;
             });
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = testsupport::MakeTempFolder("fail");
        const std::string target = folder + "/irggjp.dat";
        WriteFileBytes(target, "old content");
        c.prepare(folder, target);
        EXPECT_EQ(c.write(target), 0);
        chmod(folder.c_str(), 0755);
        EXPECT_EQ(ReadFileBytes(target), "old content");
        EXPECT_EQ(Names(folder), std::set<std::string>{"irggjp.dat"});
    }

    // What is no regular file is never replaced.
    const std::string folder = testsupport::MakeTempFolder("odd");
    ASSERT_EQ(mkdir((folder + "/dir").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0644), 0);
    EXPECT_FALSE(WriteFileAtomically(folder + "/dir", "x"));
    EXPECT_FALSE(WriteFileAtomically(folder + "/fifo", "x"));
    EXPECT_FALSE(WriteFileAtomically(folder + "/missing/file", "x"));
    EXPECT_EQ(Names(folder), (std::set<std::string>{"dir", "fifo"}));
}

TEST(AtomicFileTest, ReplacementKeepsModeAndFollowsOwnLinks) {
    const std::string folder = testsupport::MakeTempFolder("mode");
    const std::string file = folder + "/dvk_goptions.dat";
    WriteFileBytes(file, "old");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(file, "new"));
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A link of the user's own keeps pointing at the file, which is replaced.
    const std::string link = folder + "/link.dat";
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(link, "through"));
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFileBytes(file), "through");

    // Someone else's link is replaced by the file, never followed.
    const std::string foreign = folder + "/foreign.dat";
    ASSERT_EQ(symlink(file.c_str(), foreign.c_str()), 0);
    ASSERT_EQ(lchown(foreign.c_str(), 4321, 4321), 0);
    ASSERT_TRUE(WriteFileAtomically(foreign, "own file"));
    ASSERT_EQ(lstat(foreign.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadFileBytes(file), "through");
    EXPECT_EQ(ReadFileBytes(foreign), "own file");
}

TEST(AtomicFileTest, StaleTemporariesOfDeadWritersAreRemoved) {
    const std::string folder = testsupport::MakeTempFolder("stale");
    const pid_t gone = testsupport::ForkChild([] { return 0; });
    ASSERT_EQ(testsupport::WaitChild(gone), 0);
    const std::string dead = ".~dravik." + std::to_string(gone) + ".0123456789abcdef";
    const std::string live = TempName("0123456789abcdef");
    const std::vector<std::string> kept = {live, "Form1.frm", ".~dravik.x", ".~dravik.1.short",
                                           ".~dravik..0123456789abcdef"};
    for (const std::string& name : kept) WriteFileBytes(folder + "/" + name, "x");
    WriteFileBytes(folder + "/" + dead, "x");
    EXPECT_TRUE(IsTemporaryFileName(dead));
    EXPECT_TRUE(IsTemporaryFileName(live));
    EXPECT_FALSE(IsTemporaryFileName("Form1.frm"));

    EXPECT_EQ(RemoveStaleTemporaries(folder), 1);
    EXPECT_EQ(Names(folder), std::set<std::string>(kept.begin(), kept.end()));
}

TEST(AtomicFileTest, BatchPutsEveryFileInPlaceOnlyOnCommit) {
    const std::string folder = testsupport::MakeTempFolder("batch");
    const std::vector<std::string> files = {folder + "/a.frm", folder + "/b.frm"};
    for (const std::string& f : files) WriteFileBytes(f, "old");
    {
        AtomicFileBatch batch;
        for (const std::string& f : files) ASSERT_TRUE(batch.Add(f, "new", 3));
        EXPECT_EQ(Names(folder).size(), 4u) << "the temporaries wait beside the files";
        EXPECT_EQ(ReadFileBytes(files[0]), "old");
    }
    // Dropped uncommitted: the temporaries go, the files stay.
    EXPECT_EQ(Names(folder), (std::set<std::string>{"a.frm", "b.frm"}));
    EXPECT_EQ(ReadFileBytes(files[1]), "old");

    {
        // One file that cannot be written fails the whole batch.
        AtomicFileBatch batch;
        EXPECT_TRUE(batch.Add(files[0], "new", 3));
        EXPECT_FALSE(batch.Add(folder, "new", 3));
        EXPECT_FALSE(batch.Add(files[1], "new", 3));
        EXPECT_FALSE(batch.Commit());
    }
    EXPECT_EQ(Names(folder), (std::set<std::string>{"a.frm", "b.frm"}));
    EXPECT_EQ(ReadFileBytes(files[0]), "old");

    AtomicFileBatch batch;
    for (const std::string& f : files) ASSERT_TRUE(batch.Add(f, "new", 3));
    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(Names(folder), (std::set<std::string>{"a.frm", "b.frm"}));
    for (const std::string& f : files) EXPECT_EQ(ReadFileBytes(f), "new");
}

TEST(AtomicFileTest, AppendedEntriesOfTwoProcessesNeverInterleave) {
    const std::string log = testsupport::MakeTempFolder("log") + "/dsg.log";
    constexpr int kEntries = 100;
    constexpr size_t kSize = 70000;  // more than any stdio or pipe buffer
    std::vector<pid_t> writers;
    for (char fill : {'a', 'b'}) {
        writers.push_back(testsupport::ForkChild([&, fill] {
            const std::string entry = std::string(kSize, fill) + "\r\n";
            for (int i = 0; i < kEntries; ++i)
                if (!AppendFileAtomically(log, entry)) return 1;
            return 0;
        }));
    }
    for (pid_t w : writers) EXPECT_EQ(testsupport::WaitChild(w), 0);
    const std::string bytes = ReadFileBytes(log);
    ASSERT_EQ(bytes.size(), 2 * kEntries * (kSize + 2));
    for (size_t at = 0; at < bytes.size(); at += kSize + 2) {
        const std::string whole = std::string(kSize, bytes[at]) + "\r\n";
        ASSERT_EQ(bytes.compare(at, kSize + 2, whole), 0) << "entry at " << at << " is mixed";
    }
}

}  // namespace

namespace {

// The replacement without syncs keeps every guarantee but the disk's: the
// file replaced whole with its permission bits, nothing planted written
// through, nothing that is not a regular file replaced, no temporary left.
TEST(AtomicFileTest, UnsyncedReplacementKeepsTheWritersGuarantees) {
    const std::string folder = testsupport::MakeTempFolder("unsynced");
    const std::string target = folder + "/code.inc";
    const std::string victim = folder + "/victim";
    WriteFileBytes(victim, "victim");
    WriteFileBytes(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);

    EXPECT_TRUE(ReplaceFileUnsynced(target, std::string(70000, 'n')));
    EXPECT_EQ(ReadFileBytes(target), std::string(70000, 'n'));
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const std::string random = "planted100000001";
    ASSERT_EQ(symlink(victim.c_str(), (folder + "/" + TempName(random)).c_str()), 0);
    {
        NameScript names({random});
        EXPECT_TRUE(ReplaceFileUnsynced(target, "new"));
    }
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(ReadFileBytes(victim), "victim");

    const std::string sub = folder + "/sub.inc";
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    EXPECT_FALSE(ReplaceFileUnsynced(sub, "never"));
    EXPECT_FALSE(ReplaceFileUnsynced("", "never"));
    EXPECT_EQ(Names(folder),
              (std::set<std::string>{"code.inc", "sub.inc", "victim", TempName(random)}));
}

}  // namespace
