// Feeds arbitrary bytes to the packed-DIB reader, as the clipboard hands
// them over. The block is allocated at its exact size, so that any read
// past it is caught. A refusal must come with a text and leave no image;
// whatever is read must give its block back unchanged and survive the trip
// through a bitmap.

#include <QImage>
#include <vector>

#include "image/codecs/fuzz/rasterfuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    SetRasterMaxMemory(std::size_t{1} << 20);
    const std::vector<BYTE> block(data, data + size);
    CRaster image(3, 2, 8, 0);
    if (!image.CreateFromHANDLE(block)) {
        rasterfuzzing::Check(image.GetLastError()[0] != '\0');
        rasterfuzzing::Check(std::strlen(image.GetLastError()) < 256);
        rasterfuzzing::Check(!image.IsValid());
        return 0;
    }
    rasterfuzzing::Check(image.GetSize() ==
                         40 + image.GetPaletteSize() + image.GetEffWidth() * image.GetHeight());
    const std::vector<BYTE> out = image.CopyToHandle();
    rasterfuzzing::Check(out.size() == image.GetSize());
    CRaster again;
    rasterfuzzing::Check(again.CreateFromHANDLE(out));
    rasterfuzzing::Check(again.CopyToHandle() == out);
    CRaster bitmap;
    // 4 bits come back as 8, which may pass the memory cap.
    if (bitmap.CreateFromHBITMAP(image.MakeBitmap()))
        rasterfuzzing::Check(rasterfuzzing::SamePixels(bitmap, image));
    else
        rasterfuzzing::Check(std::strcmp(bitmap.GetLastError(), "RASTER_MAX_MEMORY exceeded") == 0);
    return 0;
}
