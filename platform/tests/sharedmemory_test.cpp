#include "platform/sharedmemory.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/paths.h"
#include "platform/testing/testsupport.h"

using testsupport::Channel;
using testsupport::ForkChild;
using testsupport::WaitChild;

namespace {

std::string UniqueName(const char* base) {
    static int counter = 0;
    return std::string(base) + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

bool FileThere(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string ReadText(const std::unique_ptr<SharedMemoryBlock>& b, size_t offset, size_t count) {
    if (!b) return "<absent>";
    std::string s(count, '\0');
    if (!b->Read(offset, s.data(), count)) return "<refused>";
    return s;
}

}  // namespace

TEST(SharedMemoryTest, BlockLivesUntilItsLastHolderLetsGo) {
    const std::string name = UniqueName("Shared Block/1");
    Channel ready, done;
    const pid_t child = ForkChild([&] {
        bool existed = true;
        auto block = SharedMemoryBlock::Create(name, 64, &existed);
        if (!block || existed || block->Size() != 64) return 2;
        if (!block->Write(10, "hello", 5)) return 3;
        ready.Send('r');
        if (done.Receive() != 'd') return 4;
        // The parent has written meanwhile.
        return std::memcmp(block->Data(), "parent", 6) == 0 ? 0 : 5;
    });
    ASSERT_EQ(ready.Receive(), 'r');
    EXPECT_TRUE(SharedMemoryBlock::Exists(name));
    auto mine = SharedMemoryBlock::Open(name);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(mine->Size(), 64u);
    EXPECT_EQ(ReadText(mine, 10, 5), "hello");
    EXPECT_EQ(ReadText(mine, 0, 10), std::string(10, '\0'));
    EXPECT_TRUE(mine->Write(0, "parent", 6));
    // A second holder here lets go while the creator still holds it.
    SharedMemoryBlock::Open(name).reset();
    EXPECT_TRUE(SharedMemoryBlock::Exists(name));
    done.Send('d');
    ASSERT_EQ(WaitChild(child), 0);
    // The creator has gone; the block lives on with its contents.
    EXPECT_TRUE(SharedMemoryBlock::Exists(name));
    EXPECT_TRUE(FileThere(SharedMemoryBlock::PathFor(name)));
    EXPECT_EQ(ReadText(SharedMemoryBlock::Open(name), 10, 5), "hello");
    mine.reset();
    EXPECT_FALSE(FileThere(SharedMemoryBlock::PathFor(name)));
    EXPECT_FALSE(SharedMemoryBlock::Exists(name));
    EXPECT_EQ(SharedMemoryBlock::Open(name), nullptr);
}

TEST(SharedMemoryTest, KilledHolderLeavesNoBlock) {
    const std::string name = UniqueName("killed");
    Channel ready;
    const pid_t child = ForkChild([&] {
        auto block = SharedMemoryBlock::Create(name, 32);
        if (!block || !block->Write(0, "left behind", 11)) return 2;
        ready.Send('r');
        for (;;) pause();
    });
    ASSERT_EQ(ready.Receive(), 'r');
    EXPECT_TRUE(SharedMemoryBlock::Exists(name));
    kill(child, SIGKILL);
    EXPECT_EQ(WaitChild(child), -SIGKILL);
    // The file is still there, but nobody holds it.
    const std::string path = SharedMemoryBlock::PathFor(name);
    EXPECT_TRUE(FileThere(path));
    EXPECT_EQ(SharedMemoryBlock::Open(name), nullptr);
    EXPECT_FALSE(FileThere(path));
    EXPECT_FALSE(SharedMemoryBlock::Exists(name));
}

TEST(SharedMemoryTest, StaleFileCountsAsAbsent) {
    const std::string name = UniqueName("stale");
    const std::string path = SharedMemoryBlock::PathFor(name);
    testsupport::WriteFileBytes(path, "old contents of a dead holder");
    EXPECT_FALSE(SharedMemoryBlock::Exists(name));
    EXPECT_FALSE(FileThere(path));

    testsupport::WriteFileBytes(path, "old contents of a dead holder");
    bool existed = true;
    auto block = SharedMemoryBlock::Create(name, 8, &existed);
    ASSERT_NE(block, nullptr);
    EXPECT_FALSE(existed);
    EXPECT_EQ(block->Size(), 8u);
    EXPECT_EQ(ReadText(block, 0, 8), std::string(8, '\0'));
    EXPECT_EQ(testsupport::ReadFileBytes(path), std::string(8, '\0'));
}

TEST(SharedMemoryTest, CreateOfExistingBlockKeepsContentsAndSize) {
    const std::string name = UniqueName("existing");
    bool existed = true;
    auto first = SharedMemoryBlock::Create(name, 32, &existed);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(existed);
    ASSERT_TRUE(first->Write(28, "tail", 4));
    auto second = SharedMemoryBlock::Create(name, 100, &existed);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(existed);
    EXPECT_EQ(second->Size(), 32u);
    EXPECT_EQ(ReadText(second, 28, 4), "tail");
    // Both map the same bytes.
    second->Data()[0] = 'Z';
    EXPECT_EQ(first->Data()[0], 'Z');
    // Seen from another process too.
    const pid_t child = ForkChild([&] {
        bool ex = false;
        auto b = SharedMemoryBlock::Create(name, 1, &ex);
        return (b && ex && b->Size() == 32 && b->Data()[0] == 'Z') ? 0 : 1;
    });
    EXPECT_EQ(WaitChild(child), 0);
    first.reset();
    second.reset();
    EXPECT_FALSE(SharedMemoryBlock::Exists(name));
    // A new block needs a size.
    EXPECT_EQ(SharedMemoryBlock::Create(name, 0), nullptr);
    EXPECT_FALSE(SharedMemoryBlock::Exists(name));
}

TEST(SharedMemoryTest, ReadsAndWritesStayInsideTheBlock) {
    auto block = SharedMemoryBlock::Create(UniqueName("bounds"), 32);
    ASSERT_NE(block, nullptr);
    char buf[40];
    std::memset(buf, 'q', sizeof(buf));
    EXPECT_TRUE(block->Write(0, "0123456789abcdefghijklmnopqrstuv", 32));
    EXPECT_FALSE(block->Read(30, buf, 3));
    EXPECT_FALSE(block->Read(0, buf, 33));
    EXPECT_FALSE(block->Read(33, buf, 0));
    EXPECT_FALSE(block->Read(SIZE_MAX, buf, 2));  // offset + count wraps
    EXPECT_FALSE(block->Read(2, buf, SIZE_MAX));
    EXPECT_EQ(buf[0], 'q');
    EXPECT_TRUE(block->Read(32, buf, 0));
    EXPECT_TRUE(block->Read(30, buf, 2));
    EXPECT_EQ(std::string(buf, 2), "uv");
    EXPECT_FALSE(block->Write(31, "xy", 2));
    EXPECT_FALSE(block->Write(SIZE_MAX, "xy", 2));
    EXPECT_TRUE(block->Write(31, "x", 1));
    EXPECT_EQ(ReadText(block, 29, 3), "tux");
}

TEST(SharedMemoryTest, TwoCreatorsAtOnceMakeOneBlock) {
    constexpr int kChildren = 6;
    for (int round = 0; round < 10; ++round) {
        const std::string name = UniqueName("race");
        Channel go, report, finish;
        std::vector<pid_t> children;
        for (int i = 0; i < kChildren; ++i) {
            children.push_back(ForkChild([&, i] {
                if (go.Receive() != 'g') return 2;
                bool existed = false;
                auto block = SharedMemoryBlock::Create(name, 64, &existed);
                if (!block || block->Size() != 64) {
                    report.Send('x');
                    return 3;
                }
                const char mark = static_cast<char>('A' + i);
                block->Write(static_cast<size_t>(i), &mark, 1);
                report.Send(existed ? 'e' : 'n');
                return finish.Receive() == 'f' ? 0 : 4;
            }));
        }
        for (int i = 0; i < kChildren; ++i) go.Send('g');
        int fresh = 0, joined = 0;
        for (int i = 0; i < kChildren; ++i) {
            const char c = report.Receive();
            fresh += c == 'n';
            joined += c == 'e';
        }
        EXPECT_EQ(fresh, 1);
        EXPECT_EQ(joined, kChildren - 1);
        // Nobody re-initialised the block under the others.
        EXPECT_EQ(ReadText(SharedMemoryBlock::Open(name), 0, kChildren), "ABCDEF");
        for (int i = 0; i < kChildren; ++i) finish.Send('f');
        for (pid_t c : children) EXPECT_EQ(WaitChild(c), 0);
        EXPECT_FALSE(SharedMemoryBlock::Exists(name));
    }
}

TEST(SharedMemoryTest, FileNamesAreSafeAndDistinct) {
    EXPECT_EQ(SharedMemoryBlock::FileNameFor("Plain_name-1.x"), "shm-Plain_name-1.x");
    EXPECT_EQ(SharedMemoryBlock::FileNameFor("a/b c%"), "shm-a%2Fb%20c%25");
    EXPECT_EQ(SharedMemoryBlock::FileNameFor(".."), "shm-..");
    EXPECT_EQ(SharedMemoryBlock::FileNameFor("\xC7\xD1"), "shm-%C7%D1");
    EXPECT_EQ(SharedMemoryBlock::FileNameFor(""), "shm-");
    // Long names are cut and end in the 64-bit FNV-1a hash of the whole name.
    const std::string longName(200, 'x');
    const std::string file = SharedMemoryBlock::FileNameFor(longName);
    EXPECT_EQ(file, "shm-" + std::string(146, 'x') + "~6ee14c8caecd5c45");
    EXPECT_NE(SharedMemoryBlock::FileNameFor(longName + "1"),
              SharedMemoryBlock::FileNameFor(longName + "2"));
    // Such names work as blocks, and do not meet each other.
    auto a = SharedMemoryBlock::Create(longName + "/one", 8);
    auto b = SharedMemoryBlock::Create(longName + "/two", 8);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    a->Data()[0] = 1;
    EXPECT_EQ(b->Data()[0], 0);
    EXPECT_FALSE(SharedMemoryBlock::Exists(longName + "/three"));
}

TEST(SharedMemoryTest, RuntimeFolderMustBeOwnAndPrivate) {
    const std::string base = testsupport::MakeTempFolder("rt");
    const auto mode = [](const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0u;
    };
    // A missing folder is made with its parents; folder and files are the owner's alone.
    const std::string fresh = base + "/deeper/runtime";
    SetFolderOverride(FolderKind::Runtime, fresh);
    {
        auto block = SharedMemoryBlock::Create("private", 4);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(mode(fresh), 0700u);
        EXPECT_EQ(mode(fresh + "/shm-private"), 0600u);
    }
    // A folder open to others is closed before use.
    const std::string open = base + "/open";
    ASSERT_EQ(mkdir(open.c_str(), 0777), 0);
    ASSERT_EQ(chmod(open.c_str(), 0777), 0);
    SetFolderOverride(FolderKind::Runtime, open);
    EXPECT_NE(SharedMemoryBlock::Create("x", 4), nullptr);
    EXPECT_EQ(mode(open), 0700u);
    // A link in place of the folder is refused.
    const std::string link = base + "/link";
    ASSERT_EQ(symlink(open.c_str(), link.c_str()), 0);
    SetFolderOverride(FolderKind::Runtime, link);
    EXPECT_EQ(SharedMemoryBlock::Create("y", 4), nullptr);
    {
        SetFolderOverride(FolderKind::Runtime, open);
        auto held = SharedMemoryBlock::Create("x", 4);
        ASSERT_NE(held, nullptr);
        SetFolderOverride(FolderKind::Runtime, link);
        EXPECT_FALSE(SharedMemoryBlock::Exists("x"));
        EXPECT_EQ(SharedMemoryBlock::Open("x"), nullptr);
        SetFolderOverride(FolderKind::Runtime, open);
        EXPECT_TRUE(SharedMemoryBlock::Exists("x"));
    }
    // So is a folder of another user.
    if (geteuid() == 0) {
        const std::string foreign = base + "/foreign";
        ASSERT_EQ(mkdir(foreign.c_str(), 0700), 0);
        ASSERT_EQ(chown(foreign.c_str(), 4242, 4242), 0);
        SetFolderOverride(FolderKind::Runtime, foreign);
        EXPECT_EQ(SharedMemoryBlock::Create("z", 4), nullptr);
    }
    SetFolderOverride(FolderKind::Runtime, testsupport::TempRoot() + "/runtime");
}
