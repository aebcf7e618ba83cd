// Windows metafiles: the headers, the picture's size, the surface the player
// draws on and the image taken from it.

#include "image/codecs/rasterwmf.h"

#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "image/codecs/codecbytes.h"
#include "image/codecs/rasterwmfplayer.h"
#include "platform/dc.h"

namespace {

constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
constexpr DWORD kEmfSignature = 0x464D4520;  // " EMF"
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kStandardHeaderSize = 18;
constexpr std::size_t kEmfHeaderSize = 88;
constexpr int kPixelsPerInch = 96;

constexpr char kCorrupted[] = "corrupted WMF";
constexpr char kEmpty[] = "empty WMF";
constexpr char kNoApplication[] = "Cannot play WMF without a GUI application";

// The 22-byte header of a placeable metafile, when it is a valid one and a
// standard header of a memory or disk metafile follows.
bool IsPlaceable(const std::vector<BYTE>& data) {
    if (data.size() < kPlaceableSize + kStandardHeaderSize) return false;
    const BYTE* p = data.data();
    if (GetLE32(p) != kPlaceableKey) return false;
    WORD sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= GetLE16(p + 2 * i);
    if (sum != GetLE16(p + 20)) return false;
    const WORD inch = GetLE16(p + 14);
    if (inch < 1 || inch > 2540) return false;
    const WORD type = GetLE16(p + kPlaceableSize);
    return type == 1 || type == 2;
}

}  // namespace

CSize CRasterWMF::PictureSize(std::int64_t width, std::int64_t height, int unitsPerInch) {
    double cx = static_cast<double>(std::llabs(width));
    double cy = static_cast<double>(std::llabs(height));
    if (unitsPerInch > 0) {
        cx = std::round(cx * kPixelsPerInch / unitsPerInch);
        cy = std::round(cy * kPixelsPerInch / unitsPerInch);
    }
    if (cx < 1 || cy < 1) return {0, 0};
    // The larger side becomes kMaxSide, the other shrinks with it.
    if (cx > kMaxSide) {
        cy = std::max(1.0, std::round(cy * kMaxSide / cx));
        cx = kMaxSide;
    }
    if (cy > kMaxSide) {
        cx = std::max(1.0, std::round(cx * kMaxSide / cy));
        cy = kMaxSide;
    }
    return {static_cast<int>(cx), static_cast<int>(cy)};
}

bool CRasterWMF::Decode(CRasterFile* hFile) {
    if (hFile == nullptr) return false;
    return Run("can't allocate memory", [&] { DecodeOrThrow(hFile); });
}

bool CRasterWMF::Encode(CRasterFile* hFile) {
    if (hFile != nullptr) SetLastError("Save WMF not supported");
    return false;
}

void CRasterWMF::DecodeOrThrow(CRasterFile* hFile) {
    // The whole metafile in memory, within the memory cap.
    const LONG start = hFile->Tell();
    const LONG end = hFile->Size();
    if (start < 0 || end < start) throw CRasterCodecError(kCorrupted);
    const std::size_t size = static_cast<std::size_t>(end - start);
    if (size < 8) throw CRasterCodecError(kCorrupted);
    if (size > GetRasterMaxMemory()) throw CRasterCodecError(RASTER_MAX_MEMORY_TEXT);
    std::vector<BYTE> data(size);
    ReadOrThrow(hFile, data.data(), size, kCorrupted);

    const bool placeable = IsPlaceable(data);
    CRect frame;
    CSize picture;
    if (placeable) {
        const BYTE* p = data.data();
        frame = CRect(
            static_cast<std::int16_t>(GetLE16(p + 6)), static_cast<std::int16_t>(GetLE16(p + 8)),
            static_cast<std::int16_t>(GetLE16(p + 10)), static_cast<std::int16_t>(GetLE16(p + 12)));
        picture = PictureSize(std::int64_t{frame.right} - frame.left,
                              std::int64_t{frame.bottom} - frame.top, GetLE16(p + 14));
    } else {
        // Anything else must be an enhanced metafile from its first byte.
        const BYTE* p = data.data();
        if (size < kEmfHeaderSize || GetLE32(p) != 1 || GetLE32(p + 4) < kEmfHeaderSize ||
            GetLE32(p + 4) > size || GetLE32(p + 40) != kEmfSignature)
            throw CRasterCodecError(kCorrupted);
        const std::int64_t left = static_cast<LONG>(GetLE32(p + 8));
        const std::int64_t top = static_cast<LONG>(GetLE32(p + 12));
        const std::int64_t right = static_cast<LONG>(GetLE32(p + 16));
        const std::int64_t bottom = static_cast<LONG>(GetLE32(p + 20));
        // The bounds are inclusive; an empty picture has right < left.
        picture = right < left || bottom < top ? CSize(0, 0)
                                               : PictureSize(right - left + 1, bottom - top + 1, 0);
    }
    if (picture.cx == 0 || picture.cy == 0) throw CRasterCodecError(kEmpty);

    // Size only: width and height, no pixels.
    if (info.nEscape == -1) {
        head.biWidth = picture.cx;
        head.biHeight = picture.cy;
        throw CRasterCodecError(kRasterSizeOnlyText);
    }
    if (info.nEscape != 0) throw CRasterCodecError("Cancelled");
    // The surface measures and draws text with the application's fonts;
    // without a GUI application there are none, and Qt would end the process.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        throw CRasterCodecError(kNoApplication);

    // The surface (32 bits a pixel) and the image (24) both within the cap.
    const std::size_t pixels =
        static_cast<std::size_t>(picture.cx) * static_cast<std::size_t>(picture.cy);
    if (pixels * 4 > GetRasterMaxMemory()) throw CRasterCodecError(RASTER_MAX_MEMORY_TEXT);
    CDC dc(picture.cx, picture.cy, RGB(255, 255, 255));
    if (dc.Image().isNull()) throw CRasterCodecError("Can't allocate memory");
    CMetafilePlayer player(dc, &info.nEscape);
    if (placeable) {
        const int objects = GetLE16(data.data() + kPlaceableSize + 10);
        const std::size_t body = kPlaceableSize + kStandardHeaderSize;
        player.PlayWinMetafile(data.data() + body, size - body, objects, frame);
    } else {
        player.PlayEnhMetafile(data.data(), size);
    }

    if (CreateForWriting(picture.cx, picture.cy, 24, RASTER_FORMAT_WMF) == nullptr)
        throw CRasterCodecError(CreateFailureText("Can't allocate memory"));
    const QImage& surface = dc.Image();
    for (LONG y = 0; y < picture.cy; ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(surface.constScanLine(y));
        BYTE* d = GetBits(picture.cy - 1 - y);
        for (LONG x = 0; x < picture.cx; ++x, d += 3) {
            d[0] = static_cast<BYTE>(qBlue(s[x]));
            d[1] = static_cast<BYTE>(qGreen(s[x]));
            d[2] = static_cast<BYTE>(qRed(s[x]));
        }
        // The row's padding bytes too: the image is written byte for byte.
        std::memset(GetBits(picture.cy - 1 - y) + 3 * picture.cx, 0,
                    GetEffWidth() - 3 * static_cast<std::size_t>(picture.cx));
    }
    SetXDPI(kPixelsPerInch);
    SetYDPI(kPixelsPerInch);
}
