#pragma once

// What the parts of the metafile player share: the record reader, whose
// every read is checked against the record's length, and the values of the
// records' fields.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/codecs/codecbytes.h"
#include "image/codecs/rastercodecs.h"

namespace metafile {

inline constexpr char kCorrupted[] = "corrupted WMF";

// How deep SaveDC may stack states; deeper saves are left out.
inline constexpr std::size_t kMaxSavedStates = 4096;
// Device coordinates are kept within this reach of the surface, so that
// sums and differences of them stay in range.
inline constexpr double kReach = double{1 << 26};

inline constexpr int MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4,
                     MM_HIENGLISH = 5, MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;
inline constexpr int RGN_AND = 1, RGN_OR = 2, RGN_COPY = 5;
inline constexpr UINT TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24;
inline constexpr UINT ETO_OPAQUE = 2, ETO_CLIPPED = 4, ETO_PDY = 0x2000, ETO_NO_RECT = 0x100,
                      ETO_SMALL_CHARS = 0x200;
inline constexpr unsigned DIB_PAL_COLORS = 1;
inline constexpr int BS_PATTERN = 3, BS_DIBPATTERN = 5, BS_DIBPATTERNPT = 6;

// The parameters of one record: every read is checked against its length.
// The parameters of one record: every read is checked against its length.
struct Params {
    const BYTE* p;
    std::size_t n;
    bool Has(std::size_t off, std::size_t len) const { return off <= n && len <= n - off; }
    void Need(std::size_t off, std::size_t len) const {
        if (!Has(off, len)) throw CRasterCodecError(kCorrupted);
    }
    int S16(std::size_t off) const {
        Need(off, 2);
        return static_cast<std::int16_t>(GetLE16(p + off));
    }
    unsigned U16(std::size_t off) const {
        Need(off, 2);
        return GetLE16(p + off);
    }
    LONG S32(std::size_t off) const {
        Need(off, 4);
        return static_cast<LONG>(GetLE32(p + off));
    }
    DWORD U32(std::size_t off) const {
        Need(off, 4);
        return GetLE32(p + off);
    }
    double F32(std::size_t off) const {
        const DWORD bits = U32(off);
        float f;
        std::memcpy(&f, &bits, 4);
        return std::isfinite(f) ? f : 0.0;
    }
    BYTE U8(std::size_t off) const {
        Need(off, 1);
        return p[off];
    }
    // A count of items of `item` bytes at `off`, checked to fit.
    void NeedItems(std::size_t off, std::uint64_t count, std::size_t item) const {
        if (off > n || count > (n - off) / item) throw CRasterCodecError(kCorrupted);
    }
};

}  // namespace metafile
