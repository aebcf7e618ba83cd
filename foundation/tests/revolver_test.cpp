#include "foundation/revolver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "foundation/tests/storetesting.h"
#include "platform/testing/testsupport.h"

TEST(RevolverTest, GrowsInWholeStepsOfAQuarter) {
    CRevolver buffer;
    EXPECT_EQ(buffer.GetCapacity(), 0);
    EXPECT_EQ(buffer.GetGrowthStep(), 256);

    const std::string ten(10, 'x');
    ASSERT_TRUE(buffer.Append(ten.data(), 10));
    EXPECT_EQ(buffer.GetCapacity(), 256);
    EXPECT_EQ(buffer.GetGrowthStep(), 64);
    EXPECT_EQ(buffer.GetLength(), 10);
    EXPECT_EQ(buffer.GetFreeSpace(), 246);

    // 246 more fit exactly; no growth.
    const std::string more(246, 'y');
    ASSERT_TRUE(buffer.Append(more.data(), 246));
    EXPECT_EQ(buffer.GetCapacity(), 256);

    // 70 more need two steps of 64: 384, and the step becomes 96.
    const std::string over(70, 'z');
    ASSERT_TRUE(buffer.Append(over.data(), 70));
    EXPECT_EQ(buffer.GetCapacity(), 384);
    EXPECT_EQ(buffer.GetGrowthStep(), 96);
    EXPECT_EQ(ContentOf(buffer), ten + more + over);
}

TEST(RevolverTest, ReserveFreeAndGrowRules) {
    CRevolver buffer;
    EXPECT_FALSE(buffer.Reserve(0, 10));
    EXPECT_FALSE(buffer.Reserve(-5, 10));
    EXPECT_EQ(buffer.GetGrowthStep(), 256);

    ASSERT_TRUE(buffer.Reserve(100, 0));
    EXPECT_EQ(buffer.GetGrowthStep(), 25);
    ASSERT_TRUE(buffer.Reserve(100, 7));
    EXPECT_EQ(buffer.GetGrowthStep(), 7);
    ASSERT_TRUE(buffer.Reserve(3, 0));
    EXPECT_EQ(buffer.GetGrowthStep(), 1);  // never below 1

    ASSERT_TRUE(buffer.Append("abc", 3));
    EXPECT_FALSE(buffer.Grow(3));
    EXPECT_FALSE(buffer.Grow(2));
    ASSERT_TRUE(buffer.Grow(40));
    EXPECT_EQ(buffer.GetCapacity(), 40);
    EXPECT_EQ(buffer.GetGrowthStep(), 10);
    EXPECT_EQ(ContentOf(buffer), "abc");

    buffer.Free();
    EXPECT_EQ(buffer.GetCapacity(), 0);
    EXPECT_EQ(buffer.GetLength(), 0);
    EXPECT_EQ(buffer.GetGrowthStep(), 10);

    EXPECT_FALSE(buffer.Append("abc", -1));
    EXPECT_TRUE(buffer.Append(nullptr, 0));
    EXPECT_EQ(buffer.GetCapacity(), 0);
}

TEST(RevolverTest, ContentWrapsAtTheEndOfTheStorage) {
    RingRevolver ring(8, 6);
    ASSERT_TRUE(ring.Append("abcde", 5));
    EXPECT_EQ(ring.GetCapacity(), 8);
    EXPECT_EQ(ring.RawAt(6), 'a');
    EXPECT_EQ(ring.RawAt(7), 'b');
    EXPECT_EQ(ring.RawAt(0), 'c');
    EXPECT_EQ(ring.RawAt(2), 'e');
    EXPECT_EQ(ContentOf(ring), "abcde");

    char three[3];
    ASSERT_TRUE(ring.ReadAt(three, 3, 1));
    EXPECT_EQ(std::string(three, 3), "bcd");

    // Another buffer takes both pieces of the ring.
    CRevolver other;
    ASSERT_TRUE(other.AppendFrom(ring, 1, -1));
    EXPECT_EQ(ContentOf(other), "bcde");
    CRevolver copy(ring);
    EXPECT_EQ(ContentOf(copy), "abcde");

    // Growing lays the content out from the start again.
    ASSERT_TRUE(ring.Append("fghij", 5));
    EXPECT_EQ(ring.GetStart(), 0);
    EXPECT_EQ(ring.GetCapacity(), 10);  // 8 + one step of 8 / 4
    EXPECT_EQ(ContentOf(ring), "abcdefghij");
}

TEST(RevolverTest, ReadsStayInsideTheContent) {
    CRevolver buffer = RevolverOf("0123456789");
    char out[16] = {};
    EXPECT_FALSE(buffer.ReadAt(out, 4, 7));
    EXPECT_FALSE(buffer.ReadAt(out, 1, 10));
    EXPECT_FALSE(buffer.ReadAt(out, 1, -1));
    EXPECT_FALSE(buffer.ReadAt(out, -2, 0));
    // -1 stands for the content's length, so it only fits from offset 0.
    EXPECT_FALSE(buffer.ReadAt(out, -1, 6));
    ASSERT_TRUE(buffer.ReadAt(out, -1, 0));
    EXPECT_EQ(std::string(out, 10), "0123456789");

    int cursor = 8;
    EXPECT_FALSE(buffer.ReadNext(cursor, out, -1));
    EXPECT_FALSE(buffer.ReadNext(cursor, out, 3));
    EXPECT_EQ(cursor, 8);
    ASSERT_TRUE(buffer.ReadNext(cursor, out, 2));
    EXPECT_EQ(cursor, 10);
    EXPECT_EQ(std::string(out, 2), "89");

    CRevolver part;
    EXPECT_FALSE(part.AppendFrom(buffer, 5, 6));
    EXPECT_EQ(part.GetLength(), 0);
    ASSERT_TRUE(part.AppendFrom(buffer, 5, 3));
    EXPECT_EQ(ContentOf(part), "567");

    // 32-bit values go little-endian: a colour as red, green, blue, spare.
    ASSERT_TRUE(AppendDWord(part, 0x0A112233));
    EXPECT_EQ(ContentOf(part), std::string("567\x33\x22\x11\x0A"));
    DWORD value = 7;
    ASSERT_TRUE(ReadDWordAt(part, 3, value));
    EXPECT_EQ(value, 0x0A112233u);
    EXPECT_FALSE(ReadDWordAt(part, 4, value));
    EXPECT_EQ(value, 0x0A112233u);
}

TEST(RevolverTest, InconsistentBufferRefusesReadsAndAppends) {
    RingRevolver ring(8, 0);
    ring.SetFields(8, 0, 9);  // longer than its storage
    char out[4];
    EXPECT_FALSE(ring.Append("a", 1));
    EXPECT_FALSE(ring.ReadAt(out, 1, 0));
    ring.SetFields(8, 8, 0);  // start outside the storage
    EXPECT_FALSE(ring.Append("a", 1));
    CRevolver other;
    EXPECT_FALSE(other.AppendFrom(ring, 0, -1));
    ring.SetFields(8, 0, 0);
    EXPECT_TRUE(ring.Append("a", 1));
}

TEST(RevolverTest, ExtendInPlaceOnlyInOneRunBehindTheContent) {
    const struct {
        int capacity, start, length, extend;
        int at;  // offset in the storage of the new bytes; -1: refused
    } cases[] = {
        {16, 0, 0, 16, 0},  {16, 0, 10, 6, 10}, {16, 0, 10, 7, -1},
        {16, 4, 6, 6, 10},  {16, 4, 6, 7, -1},  // the free space wraps to the front of the storage
        {16, 12, 6, 2, -1},  // the content wraps, the free space lies in the middle
        {16, 0, 0, 0, -1},  {16, 0, 0, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.capacity << " " << c.start << " " << c.length << " " << c.extend);
        RingRevolver ring(c.capacity, c.start);
        ring.SetFields(c.capacity, c.start, c.length);
        BYTE* p = ring.ExtendInPlace(c.extend);
        if (c.at < 0) {
            EXPECT_EQ(p, nullptr);
            EXPECT_EQ(ring.GetLength(), c.length);
            continue;
        }
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(ring.GetLength(), c.length + c.extend);
        std::memset(p, 'x', static_cast<size_t>(c.extend));
        EXPECT_EQ(ring.RawAt(c.at), 'x');
        EXPECT_EQ(ring.RawAt(c.at + c.extend - 1), 'x');
    }
    RingRevolver broken(8, 0);
    broken.SetFields(8, 0, 9);
    EXPECT_EQ(broken.ExtendInPlace(1), nullptr);
    CRevolver none;
    EXPECT_EQ(none.ExtendInPlace(1), nullptr);
}

TEST(RevolverTest, CopiesAreIndependent) {
    CRevolver a = RevolverOf("hello");
    CRevolver b(a);
    EXPECT_EQ(b.GetCapacity(), 256);
    EXPECT_EQ(b.GetGrowthStep(), 64);
    b.Append("!", 1);
    EXPECT_EQ(ContentOf(a), "hello");
    EXPECT_EQ(ContentOf(b), "hello!");

    // Assign keeps the growth step it had when its storage was freed.
    CRevolver c;
    c.Reserve(1000, 7);
    ASSERT_TRUE(c.Assign(RevolverOf("0123456789")));
    EXPECT_EQ(c.GetCapacity(), 14);
    EXPECT_EQ(ContentOf(c), "0123456789");

    const CRevolver& same = c;
    c = same;  // self-assignment keeps the content
    EXPECT_EQ(ContentOf(c), "0123456789");
}

TEST(RevolverTest, WholeFiles) {
    const std::string folder = testsupport::MakeTempFolder("rev");
    const std::string path = folder + "/a/b/c/data.bin";
    const std::string bytes = Bytes({0, 1, 2, 0xFF, 0x80, 0});
    ASSERT_TRUE(RevolverOf(bytes).ToFile(path));  // makes the missing folders
    EXPECT_EQ(testsupport::ReadFileBytes(path), bytes);

    // A shorter content replaces the whole file.
    ASSERT_TRUE(RevolverOf("xy").ToFile(path));
    EXPECT_EQ(testsupport::ReadFileBytes(path), "xy");

    CRevolver in = RevolverOf("old");
    ASSERT_TRUE(in.FromFile(path));
    EXPECT_EQ(ContentOf(in), "xy");

    EXPECT_FALSE(in.FromFile(folder + "/missing.bin"));
    EXPECT_EQ(in.GetLength(), 0);
    EXPECT_FALSE(in.FromFile(folder));  // a folder is not a file
    EXPECT_FALSE(RevolverOf("z").ToFile(folder));

    // Open files: truncate or append, and a piece of a file.
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(RevolverOf("12345").ToFile(f, FALSE));
    ASSERT_TRUE(RevolverOf("678").ToFile(f, TRUE));
    ASSERT_TRUE(in.FromFile(f, 2, 4));
    EXPECT_EQ(ContentOf(in), "3456");
    ASSERT_TRUE(in.FromFile(f, 5, -1));
    EXPECT_EQ(ContentOf(in), "678");
    EXPECT_FALSE(in.FromFile(f, 6, 10));  // past the end
    EXPECT_EQ(in.GetLength(), 0);
    std::fclose(f);
    EXPECT_EQ(testsupport::ReadFileBytes(path), "12345678");
}
