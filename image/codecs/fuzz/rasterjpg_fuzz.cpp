// Feeds arbitrary bytes to the JPEG decoder, and to the marker-section
// reader on its own: every section read and written back.

#include "image/codecs/fuzz/rasterfuzzing.h"
#include "image/codecs/rasterjpg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    rasterfuzzing::Run(data, size, RASTER_FORMAT_JPG);

    CRasterMemFile in(const_cast<BYTE*>(data), static_cast<DWORD>(size));
    CRasterJPG::CRasterExifInfo exif;
    if (exif.DecodeExif(&in, CRasterJPG::CRasterExifInfo::EXIF_READ_ALL)) {
        const RasterExifInfo* info = exif.GetInfo();
        rasterfuzzing::Check(std::strlen(info->CameraMake) < sizeof(info->CameraMake));
        rasterfuzzing::Check(std::strlen(info->Comments) < sizeof(info->Comments));
        rasterfuzzing::Check(info->Orientation >= 0 && info->Orientation <= 8);
        if (info->ThumbnailPointer != nullptr) {
            // Inside the bytes the reader holds: touching them must be safe.
            unsigned sum = 0;
            for (unsigned i = 0; i < info->ThumbnailSize; ++i) sum += info->ThumbnailPointer[i];
            rasterfuzzing::Check(sum <= 255u * info->ThumbnailSize);
        }
        CRasterMemFile out;
        out.Open();
        exif.EncodeExif(&out);
        exif.DiscardAllButExif();
    }
    return 0;
}
