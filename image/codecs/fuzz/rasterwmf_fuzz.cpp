// Feeds arbitrary bytes to the metafile decoder and its player.

#include "image/codecs/fuzz/rasterfuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    return rasterfuzzing::Run(data, size, RASTER_FORMAT_WMF);
}
