// Feeds arbitrary bytes to the pixel project loader. It must never read
// outside the data, crash or hang; a failed load leaves the canvas as it was,
// a successful one leaves only 24-bit colours in it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "pixel/lmrogjpixel.h"
#include "platform/testing/quietui.h"
#include "platform/uiservices.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Reaches the planes, so that whole planes are compared at once.
class Canvas : public CLmrOGJPixel {
public:
    const std::vector<DWORD>& Colors() const { return m_dwColors; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The file loader refuses larger files before reading them.
    if (size > kMaxLmrFileBytes) return 0;
    static QuietUi ui;
    SetUiServices(&ui);
    CRevolver bytes;
    Check(bytes.Append(data, static_cast<int>(size)));

    static Canvas before;
    static bool ready = false;
    if (!ready) {
        for (int i = 0; i < CLmrOGJPixel::OGJP_COUNT; i += 97)
            before.SetJPixelByOSLIndex(i, 0x123456);
        before.SetPGInfo(1, 2, 0x42, CLmrOGJPixel::kPGMark, 0);
        ready = true;
    }
    Canvas canvas(before);
    const int result = canvas.OGJPixelFromRevolver(bytes);
    Check(canvas.GetPGInfoByOSLPoint(1, 2) == 0x1000042);
    if (result == 0) {
        Check(canvas.Colors() == before.Colors());
    } else {
        for (DWORD value : canvas.Colors()) Check(value <= 0xFFFFFF);
    }
    return 0;
}
