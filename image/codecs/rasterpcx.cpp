// ZSoft PCX: a 128-byte header, run-length coded rows of up to four planes
// and, for 8-bit pictures, a 256-colour palette at the end.

#include "image/codecs/rasterpcx.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/codecs/codecbytes.h"
#include "image/codecs/codecreader.h"

namespace {

constexpr char kCorrupted[] = "corrupted PCX";
constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteSize = 769;  // the byte 12 and 256 RGB triples

// The layouts of bits per pixel in a plane and planes this codec reads.
bool KnownLayout(DWORD bits, DWORD planes) {
    return (bits == 1 && planes >= 1 && planes <= 4) || (bits == 2 && planes == 1) ||
           (bits == 4 && planes == 1) || (bits == 8 && (planes == 1 || planes == 3 || planes == 4));
}

}  // namespace

bool CRasterPCX::Decode(CRasterFile* hFile) {
    if (hFile == nullptr) return false;
    return Run("Can't allocate memory", [&] { DecodeOrThrow(hFile); });
}

bool CRasterPCX::Decode(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return Decode(&file);
}

void CRasterPCX::DecodeOrThrow(CRasterFile* hFile) {
    const std::int64_t start = hFile->Tell();
    const std::int64_t size = hFile->Size();
    BYTE h[kHeaderSize];
    if (start < 0 || size < 0 || hFile->Read(h, 1, kHeaderSize) != kHeaderSize)
        throw CRasterCodecError("Can't read PCX image");
    if (h[0] != 10) throw CRasterCodecError("Error: Not a PCX file");
    if (h[2] != 1) throw CRasterCodecError("PCX file has unknown encoding scheme");
    const DWORD bits = h[3];
    const DWORD planes = h[65];
    if (planes > 4) throw CRasterCodecError("Can't handle image with more than 4 planes");
    const LONG width = static_cast<LONG>(GetLE16(h + 8)) - static_cast<LONG>(GetLE16(h + 4)) + 1;
    const LONG height = static_cast<LONG>(GetLE16(h + 10)) - static_cast<LONG>(GetLE16(h + 6)) + 1;
    const DWORD bytesPerLine = GetLE16(h + 66);
    if (width <= 0 || height <= 0)
        throw CRasterCodecError("PCX image size must be greater than zero");
    if (!KnownLayout(bits, planes))
        throw CRasterCodecError("PCX bits per pixel and planes not supported");
    if (std::uint64_t{bytesPerLine} * 8 < static_cast<std::uint64_t>(width) * bits)
        throw CRasterCodecError("PCX bytes per line too short for the width");

    if (info.nEscape == -1) {
        head.biWidth = width;
        head.biHeight = height;
        throw CRasterCodecError(kRasterSizeOnlyText);
    }

    // The final palette of 8-bit pictures, read before anything is made.
    std::vector<BYTE> palette;
    if (bits == 8 && planes == 1) {
        if (size - static_cast<std::int64_t>(kPaletteSize) <
            start + static_cast<std::int64_t>(kHeaderSize))
            throw CRasterCodecError("PCX file too short for its color map");
        palette.resize(kPaletteSize);
        if (!hFile->Seek(static_cast<LONG>(size - static_cast<std::int64_t>(kPaletteSize)), 0) ||
            hFile->Read(palette.data(), 1, kPaletteSize) != kPaletteSize)
            throw CRasterCodecError(kCorrupted);
        if (palette[0] != 12) throw CRasterCodecError("bad color map signature");
        if (!hFile->Seek(static_cast<LONG>(start + static_cast<std::int64_t>(kHeaderSize)), 0))
            throw CRasterCodecError(kCorrupted);
    }

    const DWORD bpp = bits == 8 && planes >= 3 ? 24 : bits * planes;
    if (Create(width, height, bpp, RASTER_FORMAT_PCX) == nullptr)
        throw CRasterCodecError(GetLastError());
    if (planes == 4 && bits == 8 && !AlphaCreate())
        throw CRasterCodecError("Can't allocate memory");
    SetXDPI(GetLE16(h + 12));
    SetYDPI(GetLE16(h + 14));
    if (info.nEscape != 0) throw CRasterCodecError("Cancelled");

    if (!palette.empty()) {
        for (DWORD i = 0; i < 256; ++i)
            SetPaletteColor(static_cast<BYTE>(i), palette[1 + 3 * i], palette[2 + 3 * i],
                            palette[3 + 3 * i]);
    } else if (bpp <= 4) {
        const DWORD colors = 1u << (bits * planes);
        for (DWORD i = 0; i < colors; ++i)
            SetPaletteColor(static_cast<BYTE>(i), h[16 + 3 * i], h[17 + 3 * i], h[18 + 3 * i]);
        // Monochrome files often leave the header's palette empty.
        if (bpp == 1 && std::memcmp(h + 16, h + 19, 3) == 0) {
            SetPaletteColor(0, 0, 0, 0);
            SetPaletteColor(1, 255, 255, 255);
        }
    }

    // Runs may go on from one line into the next, never past the image.
    const std::size_t lineBytes = std::size_t{bytesPerLine} * planes;
    std::vector<BYTE> line(lineBytes);
    std::uint64_t total =
        static_cast<std::uint64_t>(lineBytes) * static_cast<std::uint64_t>(height);
    CodecReader in(hFile);
    DWORD runLeft = 0;
    BYTE runValue = 0;
    for (LONG r = 0; r < height; ++r) {
        for (std::size_t i = 0; i < lineBytes;) {
            if (runLeft == 0) {
                const int c = in.Get();
                if (c < 0) throw CRasterCodecError(kCorrupted);
                if (c > 191) {
                    const int v = in.Get();
                    if (v < 0) throw CRasterCodecError(kCorrupted);
                    runLeft = static_cast<DWORD>(c) & 0x3F;
                    runValue = static_cast<BYTE>(v);
                    if (runLeft > total) throw CRasterCodecError("repeat count spans end of image");
                    total -= runLeft;
                    continue;
                }
                --total;
                line[i++] = static_cast<BYTE>(c);
                continue;
            }
            const std::size_t n = std::min<std::size_t>(runLeft, lineBytes - i);
            std::memset(line.data() + i, runValue, n);
            i += n;
            runLeft -= static_cast<DWORD>(n);
        }

        const LONG y = height - 1 - r;
        BYTE* dst = GetBits(y);
        if (bpp == 24) {
            // Planes of red, green, blue (and alpha) into the pixels.
            const BYTE* red = line.data();
            const BYTE* green = red + bytesPerLine;
            const BYTE* blue = green + bytesPerLine;
            for (LONG x = 0; x < width; ++x) {
                dst[3 * x] = blue[x];
                dst[3 * x + 1] = green[x];
                dst[3 * x + 2] = red[x];
            }
            if (planes == 4)
                std::memcpy(pAlpha + static_cast<std::size_t>(y) * width, blue + bytesPerLine,
                            static_cast<std::size_t>(width));
        } else if (bits == 1 && planes > 1) {
            // Two to four planes of one bit: bit k of the index from plane k.
            std::memset(dst, 0, info.dwEffWidth);
            for (LONG x = 0; x < width; ++x) {
                BYTE index = 0;
                for (DWORD k = 0; k < planes; ++k)
                    if (line[k * bytesPerLine + (x >> 3)] & (0x80 >> (x & 7)))
                        index = static_cast<BYTE>(index | (1u << k));
                dst[x >> 1] = static_cast<BYTE>(dst[x >> 1] | ((x & 1) ? index : index << 4));
            }
        } else if (bits == 2) {
            // Two bits a pixel widened to four.
            std::memset(dst, 0, info.dwEffWidth);
            for (LONG x = 0; x < width; ++x) {
                const BYTE index = static_cast<BYTE>((line[x >> 2] >> (6 - 2 * (x & 3))) & 3);
                dst[x >> 1] = static_cast<BYTE>(dst[x >> 1] | ((x & 1) ? index : index << 4));
            }
        } else {
            // Packed 1, 4 or 8 bits: the DIB's own layout.
            const std::size_t used = (static_cast<std::size_t>(width) * bits + 7) / 8;
            std::memcpy(dst, line.data(), used);
        }
    }
}

bool CRasterPCX::Encode(CRasterFile* hFile) {
    if (EncodeSafeCheck(hFile)) return false;
    return Run("Can't allocate memory", [&] { EncodeOrThrow(hFile); });
}

bool CRasterPCX::Encode(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return Encode(&file);
}

namespace {

// One plane's line as runs: up to 63 equal bytes as 0xC0 | count and the
// byte; a single byte below 192 as itself.
void PutRuns(CodecWriter& out, const BYTE* src, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes;) {
        std::size_t n = 1;
        while (i + n < bytes && n < 63 && src[i + n] == src[i]) ++n;
        if (n > 1 || src[i] > 191) out.Put(static_cast<BYTE>(0xC0 | n));
        out.Put(src[i]);
        i += n;
    }
}

}  // namespace

void CRasterPCX::EncodeOrThrow(CRasterFile* hFile) {
    const LONG width = head.biWidth, height = head.biHeight;
    if (width > 0xFFFF || height > 0xFFFF) throw CRasterCodecError("Image too large for PCX");
    const DWORD bpp = head.biBitCount;
    // 1 bit: one plane; 4 bits: four planes of one bit; 8 bits: one plane
    // and the final palette; 24 bits: red, green and blue planes, and alpha.
    const DWORD bits = bpp == 1 || bpp == 4 ? 1 : 8;
    const DWORD planes = bpp == 4 ? 4 : bpp == 24 ? (pAlpha != nullptr ? 4 : 3) : 1;
    const DWORD bytesPerLine = ((static_cast<DWORD>(width) * bits + 15) / 16) * 2;

    BYTE h[kHeaderSize] = {};
    h[0] = 10;
    h[1] = 5;
    h[2] = 1;
    h[3] = static_cast<BYTE>(bits);
    PutLE16(h + 8, static_cast<WORD>(width - 1));
    PutLE16(h + 10, static_cast<WORD>(height - 1));
    PutLE16(h + 12, static_cast<WORD>(GetXDPI()));
    PutLE16(h + 14, static_cast<WORD>(GetYDPI()));
    if (bpp <= 4) {
        for (DWORD i = 0; i < head.biClrUsed; ++i) {
            const RGBQUAD c = GetPaletteColor(static_cast<BYTE>(i));
            h[16 + 3 * i] = c.rgbRed;
            h[17 + 3 * i] = c.rgbGreen;
            h[18 + 3 * i] = c.rgbBlue;
        }
    }
    h[65] = static_cast<BYTE>(planes);
    PutLE16(h + 66, static_cast<WORD>(bytesPerLine));
    PutLE16(h + 68, 1);
    if (hFile->Write(h, 1, kHeaderSize) != kHeaderSize)
        throw CRasterCodecError("cannot write PCX header");

    CodecWriter out(hFile, "cannot write PCX data");
    std::vector<BYTE> plane(bytesPerLine);
    for (LONG r = 0; r < height; ++r) {
        const LONG y = height - 1 - r;
        const BYTE* src = GetBits(y);
        for (DWORD k = 0; k < planes; ++k) {
            std::fill(plane.begin(), plane.end(), BYTE{0});
            if (bpp == 4) {
                for (LONG x = 0; x < width; ++x) {
                    const BYTE index =
                        static_cast<BYTE>((x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4);
                    if (index & (1u << k))
                        plane[x >> 3] = static_cast<BYTE>(plane[x >> 3] | (0x80 >> (x & 7)));
                }
            } else if (bpp == 24) {
                if (k == 3)
                    std::memcpy(plane.data(), pAlpha + static_cast<std::size_t>(y) * width,
                                static_cast<std::size_t>(width));
                else
                    for (LONG x = 0; x < width; ++x) plane[x] = src[3 * x + 2 - k];
            } else {
                std::memcpy(plane.data(), src, (static_cast<std::size_t>(width) * bits + 7) / 8);
            }
            PutRuns(out, plane.data(), bytesPerLine);
        }
    }
    if (bpp == 8) {
        out.Put(12);
        for (DWORD i = 0; i < 256; ++i) {
            const RGBQUAD c = GetPaletteColor(static_cast<BYTE>(i));
            out.Put(c.rgbRed);
            out.Put(c.rgbGreen);
            out.Put(c.rgbBlue);
        }
    }
    out.Flush();
}
