// The image object's blocks and settings, and the byte streams.

#include "image/raster.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "image/rasterfile.h"
#include "image/tests/imagetesting.h"
#include "platform/testing/testsupport.h"

namespace {

using imagetesting::Pattern;
using imagetesting::SamePixels;

TEST(RasterTest, CreateRoundsDepthsRefusesBadSizesAndZeroesPixels) {
    const struct {
        LONG width, height;
        DWORD bpp;
        WORD depth;
        DWORD colors, stride;
        const char* error;
    } cases[] = {
        {3, 2, 24, 24, 0, 12, ""},
        {1, 1, 1, 1, 2, 4, ""},
        {5, 5, 32, 24, 0, 16, ""},
        {5, 5, 2, 4, 16, 4, ""},
        {5, 5, 5, 8, 256, 8, ""},
        {0, 10, 8, 0, 0, 0, "CRaster::Create : width and height must be greater than zero"},
        {10, -1, 8, 0, 0, 0, "CRaster::Create : width and height must be greater than zero"},
        {-10, -10, 8, 0, 0, 0, "CRaster::Create : width and height must be greater than zero"},
        // 2^31 - 1 square: far above the cap, computed without overflow.
        {INT32_MAX, INT32_MAX, 24, 0, 0, 0, "RASTER_MAX_MEMORY exceeded"},
        {70000, 70000, 1, 0, 0, 0, "RASTER_MAX_MEMORY exceeded"},  // planes would be 4.5 GiB
    };
    for (const auto& c : cases) {
        CRaster image = Pattern(4, 4, 24);  // old pixels, freed by Create
        const bool made = image.Create(c.width, c.height, c.bpp, 3) != nullptr;
        EXPECT_EQ(made, *c.error == '\0') << c.width << "x" << c.height;
        EXPECT_EQ(image.IsValid(), made);
        if (!made) {
            EXPECT_STREQ(image.GetLastError(), c.error);
            continue;
        }
        EXPECT_EQ(image.GetBpp(), c.depth);
        EXPECT_EQ(image.GetNumColors(), c.colors);
        EXPECT_EQ(image.GetEffWidth(), c.stride);
        EXPECT_EQ(image.GetType(), 3u);
        EXPECT_EQ(image.GetSize(), 40 + c.colors * 4 + c.stride * c.height);
        // The block is a packed DIB: header, zeroed palette, zeroed rows.
        const BYTE* block = static_cast<const BYTE*>(image.GetDIB());
        EXPECT_EQ(std::memcmp(block, &image.GetHeader(), 40), 0);
        EXPECT_EQ(image.GetBits(0), block + 40 + c.colors * 4);
        for (DWORD i = 40; i < image.GetSize(); ++i) ASSERT_EQ(block[i], 0) << "byte " << i;
        EXPECT_EQ(image.GetBits(c.height), nullptr);
        EXPECT_EQ(image.GetBits(-1), nullptr);
    }
}

TEST(RasterTest, CapCountsPaletteAndHeader) {
    // 10 pixels at 8 bits are a 12-byte row.
    SetRasterMaxMemory(40 + 1024 + 119);
    CRaster image;
    EXPECT_EQ(image.Create(10, 10, 8, 0), nullptr);
    EXPECT_STREQ(image.GetLastError(), "RASTER_MAX_MEMORY exceeded");
    SetRasterMaxMemory(40 + 1024 + 120);
    EXPECT_NE(image.Create(10, 10, 8, 0), nullptr);
    // Rows beyond any image are refused before anything is made for them.
    const BYTE row[4] = {};
    EXPECT_FALSE(image.CreateFromArray(row, 1, 0xFFFFFFFF, 8, 4, false));
    SetRasterMaxMemory(0);
    EXPECT_EQ(GetRasterMaxMemory(), RASTER_MAX_MEMORY);
}

TEST(RasterTest, CopiesOwnTheirBlocksGhostsBorrowAndTransferEmptiesItsSource) {
    CRaster owner = Pattern(6, 3, 8);
    owner.AlphaCreate();
    owner.SelectionAddRect(CRect(0, 0, 2, 2));

    CRaster ghost;
    ghost.Ghost(&owner);
    EXPECT_EQ(ghost.GetDIB(), owner.GetDIB());
    EXPECT_FALSE(ghost.Destroy());
    EXPECT_EQ(ghost.Create(2, 2, 8, 0), nullptr);
    EXPECT_TRUE(owner.IsValid());
    // An image becoming a view frees what it owned.
    CRaster reused = Pattern(3, 3, 24);
    reused.Ghost(&owner);
    EXPECT_EQ(reused.GetDIB(), owner.GetDIB());

    // A copy of a ghost is an image of its own: it can be made anew and
    // frees its own blocks.
    CRaster copy(ghost);
    EXPECT_NE(copy.GetDIB(), owner.GetDIB());
    EXPECT_TRUE(SamePixels(copy, owner));
    EXPECT_TRUE(copy.AlphaIsValid() && copy.SelectionIsValid());
    EXPECT_NE(copy.Create(2, 2, 24, 0), nullptr);
    CRaster assigned;
    assigned = ghost;
    EXPECT_TRUE(assigned.Destroy());
    // Settings taken from a ghost (as a codec takes its caller's) borrow
    // nothing either.
    CRaster settings;
    settings.CopyInfo(ghost);
    EXPECT_NE(settings.Create(2, 2, 8, 0), nullptr);
    EXPECT_TRUE(settings.Destroy());

    CRaster bare(owner, false, false, false);
    EXPECT_TRUE(bare.IsSamePalette(owner));
    EXPECT_FALSE(bare.AlphaIsValid() || bare.SelectionIsValid());
    EXPECT_EQ(bare.GetPixelIndex(1, 0), 0);

    // CopyInfo hands settings only to an empty image.
    CRaster target = Pattern(2, 2, 24);
    owner.SetJpegScale(4);
    target.CopyInfo(owner);
    EXPECT_EQ(target.GetJpegScale(), 0);
    CRaster empty;
    empty.CopyInfo(owner);
    EXPECT_EQ(empty.GetJpegScale(), 4);

    // An empty image copies as empty, without a text of its own.
    const CRaster none(empty);
    EXPECT_FALSE(none.IsValid());
    EXPECT_STREQ(none.GetLastError(), "");
    EXPECT_EQ(none.GetJpegScale(), 4);

    CRaster moved;
    const void* block = owner.GetDIB();
    EXPECT_TRUE(moved.Transfer(owner));
    EXPECT_EQ(moved.GetDIB(), block);
    EXPECT_TRUE(moved.AlphaIsValid());
    EXPECT_FALSE(owner.IsValid() || owner.AlphaIsValid() || owner.SelectionIsValid());
    EXPECT_EQ(owner.GetWidth(), 0u);
}

TEST(RasterTest, ResolutionAndTransparencyColour) {
    CRaster image(4, 4, 8, 0);
    image.SetXDPI(0);
    image.SetYDPI(300);
    EXPECT_EQ(image.GetXDPI(), 96);
    EXPECT_EQ(image.GetHeader().biXPelsPerMeter, 3780);
    // The block's own header follows.
    EXPECT_EQ(static_cast<const BITMAPINFOHEADER*>(image.GetDIB())->biYPelsPerMeter, 11811);
    image.SetXDPI(INT32_MAX);  // pels per metre saturate
    EXPECT_EQ(image.GetHeader().biXPelsPerMeter, INT32_MAX);

    CRaster indexed = Pattern(2, 2, 8);
    indexed.SetTransIndex(3);
    EXPECT_EQ(CRaster::RGBQUADtoRGB(indexed.GetTransColor()),
              CRaster::RGBQUADtoRGB(indexed.GetPaletteColor(3)));
    CRaster rgb(2, 2, 24, 0);
    rgb.SetTransIndex(0);
    rgb.SetTransColor(RGBQUAD{1, 2, 3, 4});
    EXPECT_EQ(rgb.GetTransColor().rgbReserved, 0);
}

// ---- Streams ----------------------------------------------------------------------------

TEST(RasterFileTest, MemoryStreamReadsSeeksAndGrowsInPages) {
    BYTE caller[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    CRasterMemFile stream(caller, 10);
    BYTE out[16] = {};
    EXPECT_EQ(stream.Read(out, 4, 1), 1u);
    EXPECT_EQ(stream.Read(out, 4, 3), 1u);  // 6 bytes left: one whole item
    EXPECT_EQ(stream.Tell(), 10);
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.Read(out, 1, 1), 0u);
    EXPECT_EQ(stream.GetC(), -1);
    EXPECT_TRUE(stream.Seek(-5, 0));
    EXPECT_EQ(stream.Tell(), 0);
    EXPECT_FALSE(stream.Seek(0, 3));
    EXPECT_FALSE(stream.Seek(INT32_MAX, 1) && stream.Seek(1, 1));  // past 2^31 - 1
    EXPECT_TRUE(stream.Seek(-1, 2));
    EXPECT_EQ(stream.GetC(), 9);

    // Writing past the caller's buffer moves the content into the stream's
    // own block; the caller's bytes stay as they were.
    stream.Seek(8, 0);
    const BYTE more[4] = {0xA0, 0xA1, 0xA2, 0xA3};
    EXPECT_EQ(stream.Write(more, 2, 2), 2u);
    EXPECT_NE(stream.GetBuffer(false), caller);
    EXPECT_EQ(caller[9], 9);
    EXPECT_EQ(stream.Size(), 12);
    EXPECT_EQ(stream.Capacity(), 4096);
    EXPECT_EQ(stream.GetBuffer(false)[7], 7);

    // A write after a seek past the end leaves zeros in the gap.
    EXPECT_TRUE(stream.Seek(4100, 0));
    EXPECT_EQ(stream.Error(), 1);
    EXPECT_TRUE(stream.PutC(0x55));
    EXPECT_EQ(stream.Size(), 4101);
    EXPECT_EQ(stream.Capacity(), 8192);
    const BYTE* bytes = stream.GetBuffer(false);
    for (int i = 12; i < 4100; ++i) ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(bytes[4100], 0x55);

    // Writes that would pass 2^31 - 1 bytes write nothing.
    EXPECT_TRUE(stream.Seek(INT32_MAX - 1, 0));
    EXPECT_EQ(stream.Write(more, 1, 4), 0u);
    EXPECT_EQ(stream.Write(more, SIZE_MAX / 2, 4), 0u);
    EXPECT_EQ(stream.Size(), 4101);
}

TEST(RasterFileTest, OwnedBuffersAndFilesAreFreedOnlyByTheirOwner) {
    CRasterMemFile fresh;
    EXPECT_EQ(fresh.Write("x", 1, 1), 0u);  // no buffer before Open
    ASSERT_TRUE(fresh.Open());
    EXPECT_FALSE(fresh.Open());
    EXPECT_EQ(fresh.Write("a", 1, 1), 1u);
    EXPECT_EQ(fresh.Capacity(), 4096);
    BYTE* kept = nullptr;
    {
        CRasterMemFile detached;
        detached.Open();
        detached.Write("abc", 1, 3);
        kept = detached.GetBuffer(true);
    }
    EXPECT_EQ(std::memcmp(kept, "abc", 3), 0);
    CRaster::FreeMemory(kept);
    CRaster::FreeMemory(nullptr);

    const std::string folder = testsupport::MakeTempFolder("stream");
    const std::string path = folder + "/f.bin";
    testsupport::WriteFileBytes(path, "xyz");
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    {
        CRasterIOFile borrowed(fp);
        EXPECT_EQ(borrowed.Size(), 3);
        EXPECT_EQ(borrowed.GetC(), 'x');
        EXPECT_TRUE(borrowed.Close());  // not ours: nothing closed
    }
    EXPECT_EQ(std::fgetc(fp), 'y');  // still open
    std::fclose(fp);

    CRasterIOFile own;
    EXPECT_EQ(own.Size(), -1);
    EXPECT_TRUE(own.Eof());
    ASSERT_TRUE(own.Open(path, "rb"));
    EXPECT_FALSE(own.Open(path, "rb"));
    EXPECT_TRUE(own.Close());
    // Opening for reading never waits on a FIFO.
    ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0600), 0);
    EXPECT_FALSE(own.Open(folder + "/fifo", "rb"));
}

}  // namespace
