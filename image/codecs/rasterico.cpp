// Windows icons and cursors: a directory of images, each a bitmap info
// header with doubled height, a palette, the colour bits and a one-bit AND
// mask whose set bits mark transparent pixels.

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/codecs/codecbytes.h"
#include "image/codecs/rastercodecs.h"

namespace {

constexpr char kCutError[] = "Icon file is cut short";
constexpr char kInfoError[] = "Error reading icon info";
constexpr BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

}  // namespace

bool CRasterICO::Decode(CRasterFile* hFile) {
    if (hFile == nullptr) return false;
    return Run("Can't allocate memory", [&] { DecodeOrThrow(hFile); });
}

void CRasterICO::DecodeOrThrow(CRasterFile* hFile) {
    const std::int64_t start = hFile->Tell();
    const std::int64_t size = hFile->Size();
    if (start < 0 || size < 0) throw CRasterCodecError("Not an icon file");
    BYTE header[6];
    ReadOrThrow(hFile, header, 6, "Not an icon file");
    const WORD type = GetLE16(header + 2);
    const WORD count = GetLE16(header + 4);
    if (GetLE16(header) != 0 || (type != 1 && type != 2) || count == 0)
        throw CRasterCodecError("Not an icon file");
    info.nNumFrames = count;
    if (start + 6 + 16 * std::int64_t{count} > size) throw CRasterCodecError(kCutError);
    std::vector<BYTE> directory(16 * std::size_t{count});
    ReadOrThrow(hFile, directory.data(), directory.size(), kCutError);
    if (info.nFrame < 0 || info.nFrame >= count) throw CRasterCodecError("Icon frame not found");
    const BYTE* entry = directory.data() + 16 * static_cast<std::size_t>(info.nFrame);
    const std::int64_t bytesInRes = GetLE32(entry + 8);
    const std::int64_t offset = GetLE32(entry + 12);
    if (start + offset + bytesInRes > size || bytesInRes < 40) throw CRasterCodecError(kCutError);
    if (!hFile->Seek(static_cast<LONG>(start + offset), 0)) throw CRasterCodecError(kCutError);

    BYTE raw[40];
    ReadOrThrow(hFile, raw, 8, kCutError);
    if (std::memcmp(raw, kPngSignature, 8) == 0)
        throw CRasterCodecError("PNG icons are not supported");
    ReadOrThrow(hFile, raw + 8, 32, kCutError);
    const BITMAPINFOHEADER bih = InfoHeaderOf(raw);
    // The bits follow the info header, so its size wins over the
    // directory's (where 0 stands for 256).
    const LONG width = bih.biWidth;
    const LONG height = bih.biHeight / 2;
    const DWORD bpp = bih.biBitCount;
    if (bih.biSize < 40 || width <= 0 || height <= 0 ||
        (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32))
        throw CRasterCodecError(kInfoError);
    if (bih.biCompression != 0) throw CRasterCodecError("compression type not supported");

    if (info.nEscape == -1) {
        head.biWidth = width;
        head.biHeight = height;
        throw CRasterCodecError(kRasterSizeOnlyText);
    }

    std::uint64_t colors = bih.biClrUsed;
    if (bpp <= 8 && colors == 0) colors = 1u << bpp;
    if (bpp > 8) colors = 0;
    const std::uint64_t entries = std::min<std::uint64_t>(colors, bpp <= 8 ? 1u << bpp : 0);
    const std::uint64_t stride = StrideOf(static_cast<std::uint64_t>(width), bpp);
    const std::uint64_t maskStride = StrideOf(static_cast<std::uint64_t>(width), 1);
    const std::uint64_t need =
        (bih.biSize - 40) + colors * 4 + (stride + maskStride) * static_cast<std::uint64_t>(height);
    const std::int64_t here = hFile->Tell();
    if (here < 0 || static_cast<std::uint64_t>(size - here) < need)
        throw CRasterCodecError(kCutError);
    if (bih.biSize > 40 && !hFile->Seek(static_cast<LONG>(bih.biSize - 40), 1))
        throw CRasterCodecError(kCutError);

    if (Create(width, height, bpp, RASTER_FORMAT_ICO) == nullptr)
        throw CRasterCodecError(GetLastError());
    if (entries > 0) {
        std::vector<BYTE> pal(static_cast<std::size_t>(colors * 4));
        ReadOrThrow(hFile, pal.data(), pal.size(), kCutError);
        std::memcpy(GetPalette(), pal.data(), static_cast<std::size_t>(entries * 4));
    }

    const std::size_t rowBytes = static_cast<std::size_t>(stride);
    if (bpp == 32) {
        // The fourth byte of every pixel is its alpha.
        if (!AlphaCreate()) throw CRasterCodecError("Can't allocate memory");
        std::vector<BYTE> row(rowBytes);
        for (LONG y = 0; y < height; ++y) {
            ReadOrThrow(hFile, row.data(), rowBytes, kCutError);
            BYTE* d = GetBits(y);
            for (LONG x = 0; x < width; ++x) {
                d[3 * x] = row[4 * x];
                d[3 * x + 1] = row[4 * x + 1];
                d[3 * x + 2] = row[4 * x + 2];
                AlphaSet(x, y, row[4 * x + 3]);
            }
        }
    } else {
        ReadOrThrow(hFile, pImage, rowBytes * static_cast<std::size_t>(height), kCutError);
    }

    // The AND mask: a set bit makes its pixel transparent.
    std::vector<BYTE> mask(static_cast<std::size_t>(maskStride) * static_cast<std::size_t>(height));
    ReadOrThrow(hFile, mask.data(), mask.size(), kCutError);
    for (LONG y = 0; y < height; ++y) {
        const BYTE* m = mask.data() + static_cast<std::size_t>(y) * maskStride;
        for (LONG x = 0; x < width; ++x) {
            if ((m[x >> 3] & (0x80 >> (x & 7))) == 0) continue;
            if (pAlpha == nullptr && !AlphaCreate())
                throw CRasterCodecError("Can't allocate memory");
            AlphaSet(x, y, 0);
        }
    }
}

bool CRasterICO::Encode(CRasterFile* hFile) {
    if (EncodeSafeCheck(hFile)) return false;
    return Run("Can't allocate memory", [&] { EncodeOrThrow(hFile); });
}

void CRasterICO::EncodeOrThrow(CRasterFile* hFile) {
    const LONG width = head.biWidth, height = head.biHeight;
    if (width > 255 || height > 255) throw CRasterCodecError("Can't save this image as icon");
    const bool bgra = pAlpha != nullptr && head.biClrUsed == 0;
    const WORD bpp = bgra ? 32 : head.biBitCount;
    const DWORD paletteBytes = GetPaletteSize();
    const std::size_t colorStride = bgra ? static_cast<std::size_t>(width) * 4 : info.dwEffWidth;
    const std::size_t maskStride = static_cast<std::size_t>(StrideOf(width, 1));
    const DWORD colorBytes = static_cast<DWORD>(colorStride * height);
    const DWORD maskBytes = static_cast<DWORD>(maskStride * height);
    const DWORD imageBytes = 40 + paletteBytes + colorBytes + maskBytes;

    std::vector<BYTE> out(6 + 16 + imageBytes, 0);
    BYTE* p = out.data();
    PutLE16(p + 2, 1);  // an icon
    PutLE16(p + 4, 1);  // of one image
    p += 6;
    p[0] = static_cast<BYTE>(width);
    p[1] = static_cast<BYTE>(height);
    p[2] = static_cast<BYTE>(head.biClrUsed < 256 ? head.biClrUsed : 0);
    PutLE16(p + 4, 1);
    PutLE16(p + 6, bpp);
    PutLE32(p + 8, imageBytes);
    PutLE32(p + 12, 6 + 16);
    p += 16;

    BITMAPINFOHEADER bih;
    bih.biSize = 40;
    bih.biWidth = width;
    bih.biHeight = height * 2;
    bih.biPlanes = 1;
    bih.biBitCount = bpp;
    bih.biSizeImage = colorBytes + maskBytes;
    bih.biClrUsed = head.biClrUsed;
    PutInfoHeader(p, bih);
    p += 40;
    if (paletteBytes > 0) std::memcpy(p, GetPalette(), paletteBytes);
    p += paletteBytes;

    for (LONG y = 0; y < height; ++y, p += colorStride) {
        if (!bgra) {
            std::memcpy(p, GetBits(y), colorStride);
            continue;
        }
        const BYTE* s = GetBits(y);
        for (LONG x = 0; x < width; ++x) {
            p[4 * x] = s[3 * x];
            p[4 * x + 1] = s[3 * x + 1];
            p[4 * x + 2] = s[3 * x + 2];
            p[4 * x + 3] = BlindAlphaGet(x, y);
        }
    }

    // A pixel is masked when its alpha is 0, its palette entry's alpha is 0
    // (a palette with alpha), or it has the transparent colour.
    const bool paletteAlpha = AlphaPaletteIsEnabled() && AlphaPaletteIsValid();
    for (LONG y = 0; y < height; ++y, p += maskStride)
        for (LONG x = 0; x < width; ++x) {
            bool masked = pAlpha != nullptr && BlindAlphaGet(x, y) == 0;
            if (paletteAlpha && GetPaletteColor(BlindGetPixelIndex(x, y)).rgbReserved == 0)
                masked = true;
            if (info.nBkgndIndex >= 0 && IsTransparent(x, y)) masked = true;
            if (masked) p[x >> 3] = static_cast<BYTE>(p[x >> 3] | (0x80 >> (x & 7)));
        }

    if (hFile->Write(out.data(), 1, out.size()) != out.size())
        throw CRasterCodecError("Can't write icon");
}
