// Feeds arbitrary bytes to the metafile decoder and its player. The player
// draws text, so the target runs a GUI application on the offscreen
// platform.

#include <QGuiApplication>

#include "image/codecs/fuzz/rasterfuzzing.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // The fuzzer's own options stay out of Qt's sight.
    static int argc = 1;
    static char name[] = "rasterwmf_fuzz";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    return rasterfuzzing::Run(data, size, RASTER_FORMAT_WMF);
}
