// GIF: the block walk, the LZW decoder and the composition of frames, and
// the three code-stream writers.

#include "image/codecs/rastergif.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "image/codecs/codecbytes.h"
#include "image/codecs/codecreader.h"

namespace {

constexpr char kNotGif[] = "Not a GIF file";
constexpr char kCutShort[] = "GIF file is cut short";
constexpr char kBadCodeSize[] = "Bad GIF code size";
constexpr char kBrokenStream[] = "Corrupted GIF code stream";
constexpr char kWriteError[] = "Write Error in GIF file";
constexpr int kMaxCodes = 4096;

// ---- Reading -------------------------------------------------------------------------

// An image descriptor as the frame count found it.
struct FrameRect {
    LONG left = 0, top = 0, width = 0, height = 0;
    BYTE packed = 0;
    bool Local() const { return (packed & 0x80) != 0; }
    bool Interlaced() const { return (packed & 0x40) != 0; }
    DWORD LocalColors() const { return 2u << (packed & 7); }
};

// Skips data sub-blocks up to their zero-length terminator; false when the
// stream ends first.
bool SkipSubBlocks(CodecReader& in) {
    for (;;) {
        const int n = in.Get();
        if (n < 0) return false;
        if (n == 0) return true;
        if (!in.Skip(static_cast<std::size_t>(n))) return false;
    }
}

// Counts the image descriptors of the file, walking the blocks without
// decoding, and keeps the first `keep` of them; the walk ends at the
// trailer, at a byte that starts no block, and at the end of the data.
std::vector<FrameRect> CountFrames(CodecReader& in, std::size_t keep, LONG& count) {
    std::vector<FrameRect> frames;
    count = 0;
    for (;;) {
        const int block = in.Get();
        if (block == 0x21) {
            if (in.Get() < 0 || !SkipSubBlocks(in)) break;
        } else if (block == 0x2C) {
            BYTE d[9];
            if (!in.Read(d, 9)) break;
            FrameRect f;
            f.left = GetLE16(d);
            f.top = GetLE16(d + 2);
            f.width = GetLE16(d + 4);
            f.height = GetLE16(d + 6);
            f.packed = d[8];
            if (frames.size() < keep) frames.push_back(f);
            if (count < INT32_MAX) ++count;
            if (f.Local() && !in.Skip(3 * std::size_t{f.LocalColors()})) break;
            if (in.Get() < 0 || !SkipSubBlocks(in)) break;
        } else {
            break;
        }
    }
    return frames;
}

// The LZW code stream of one frame, read from its sub-blocks.
class GifLzwDecoder {
public:
    GifLzwDecoder(CodecReader& in, int minSize) : m_in(in), m_min(minSize) {
        m_clear = 1 << minSize;
        m_end = m_clear + 1;
        for (int i = 0; i < m_clear; ++i) {
            m_suffix[i] = static_cast<BYTE>(i);
            m_first[i] = static_cast<BYTE>(i);
            m_length[i] = 1;
        }
        Reset();
    }

    // Hands the decoded pixels to `sink(data, count)`, which answers false
    // when it wants no more; stops at the end code and at the end of the
    // data. A code the table cannot hold throws.
    template <class Sink>
    void Run(Sink&& sink) {
        int prev = -1;
        for (;;) {
            const int code = NextCode();
            if (code < 0 || code == m_end) return;
            if (code == m_clear) {
                Reset();
                prev = -1;
                continue;
            }
            if (prev < 0) {
                // The first code after a clear is a pixel value.
                if (code > m_clear) throw CRasterCodecError(kBrokenStream);
                const BYTE pixel = m_suffix[code];
                prev = code;
                if (!sink(&pixel, 1)) return;
                continue;
            }
            if (code > m_next || (code == m_next && m_next >= kMaxCodes))
                throw CRasterCodecError(kBrokenStream);
            const BYTE first = code == m_next ? m_first[prev] : m_first[code];
            if (m_next < kMaxCodes) {
                m_prefix[m_next] = static_cast<std::uint16_t>(prev);
                m_suffix[m_next] = first;
                m_first[m_next] = m_first[prev];
                m_length[m_next] = static_cast<std::uint16_t>(m_length[prev] + 1);
                ++m_next;
                if (m_next == (1 << m_size) && m_size < 12) ++m_size;
            }
            // The string, written from its last pixel back.
            const int length = m_length[code];
            if (length > kMaxCodes) throw CRasterCodecError(kBrokenStream);
            BYTE* p = m_stack + length;
            for (int c = code;; c = m_prefix[c]) {
                *--p = m_suffix[c];
                if (c < m_clear) break;
            }
            prev = code;
            if (!sink(m_stack, static_cast<std::size_t>(length))) return;
        }
    }

    // Passes over what is left of the frame's sub-blocks.
    bool SkipRest() {
        if (m_ended) return true;
        if (!m_in.Skip(static_cast<std::size_t>(m_blockLeft))) return false;
        m_blockLeft = 0;
        return SkipSubBlocks(m_in);
    }

private:
    void Reset() {
        m_size = m_min + 1;
        m_next = m_clear + 2;
    }

    // The next byte of the sub-blocks, or -1 at their terminator or the end
    // of the data.
    int NextByte() {
        if (m_ended) return -1;
        if (m_blockLeft == 0) {
            const int n = m_in.Get();
            if (n <= 0) {
                m_ended = true;
                return -1;
            }
            m_blockLeft = n;
        }
        const int b = m_in.Get();
        if (b < 0) {
            m_ended = true;
            return -1;
        }
        --m_blockLeft;
        return b;
    }

    int NextCode() {
        while (m_bits < m_size) {
            const int b = NextByte();
            if (b < 0) return -1;
            m_acc |= static_cast<std::uint32_t>(b) << m_bits;
            m_bits += 8;
        }
        const int code = static_cast<int>(m_acc & ((1u << m_size) - 1));
        m_acc >>= m_size;
        m_bits -= m_size;
        return code;
    }

    CodecReader& m_in;
    int m_min;
    int m_clear = 0, m_end = 0, m_size = 0, m_next = 0;
    int m_blockLeft = 0;
    bool m_ended = false;
    std::uint32_t m_acc = 0;
    int m_bits = 0;
    std::uint16_t m_prefix[kMaxCodes] = {};
    BYTE m_suffix[kMaxCodes] = {};
    BYTE m_first[kMaxCodes] = {};
    std::uint16_t m_length[kMaxCodes] = {};
    BYTE m_stack[kMaxCodes + 1] = {};
};

// The rows of a frame in file order: top-down, or the four passes of an
// interlaced frame (rows 0, 4, 2, 1 on, steps 8, 8, 4, 2), skipping passes
// that start below the frame.
class RowOrder {
public:
    RowOrder(LONG height, bool interlaced) : m_height(height), m_interlaced(interlaced) {}
    // The frame row of the next line, or -1 when all are done.
    LONG Next() {
        if (!m_interlaced) return m_row < m_height ? m_row++ : -1;
        static constexpr LONG kStart[4] = {0, 4, 2, 1};
        static constexpr LONG kStep[4] = {8, 8, 4, 2};
        while (m_pass < 4) {
            const LONG row = m_started ? m_row + kStep[m_pass] : kStart[m_pass];
            if (row < m_height) {
                m_started = true;
                return m_row = row;
            }
            ++m_pass;
            m_started = false;
        }
        return -1;
    }

private:
    LONG m_height;
    bool m_interlaced;
    LONG m_row = 0;
    int m_pass = 0;
    bool m_started = false;
};

DWORD DepthOfColors(DWORD colors) { return colors <= 2 ? 1 : colors <= 16 ? 4 : 8; }

// ---- Writing ------------------------------------------------------------------------------

// Codes packed least-significant bit first into sub-blocks of 255 bytes.
// The code width follows the decoder's table exactly, so every stream the
// writers make is one any decoder reads.
class GifCodeStream {
public:
    GifCodeStream(CodecWriter& out, int minSize) : m_out(out), m_min(minSize) {
        m_clear = 1 << minSize;
        m_end = m_clear + 1;
        m_size = m_min + 1;
        m_next = m_clear + 2;
    }

    void Emit(int code) {
        m_acc |= static_cast<std::uint32_t>(code) << m_bits;
        m_bits += m_size;
        while (m_bits >= 8) {
            Byte(static_cast<BYTE>(m_acc));
            m_acc >>= 8;
            m_bits -= 8;
        }
        if (code == m_clear) {
            m_size = m_min + 1;
            m_next = m_clear + 2;
            m_first = true;
            return;
        }
        if (code == m_end) return;
        // What the decoder does on reading this code.
        if (!m_first && m_next < kMaxCodes) {
            ++m_next;
            if (m_next == (1 << m_size) && m_size < 12) ++m_size;
        }
        m_first = false;
    }

    void Finish() {
        Emit(m_end);
        if (m_bits > 0) Byte(static_cast<BYTE>(m_acc));
        FlushPacket();
        m_out.Put(0);
    }

    int Clear() const { return m_clear; }
    int End() const { return m_end; }
    int Min() const { return m_min; }
    // The decoder's next free code and whether it just saw a clear.
    int Next() const { return m_next; }
    bool AfterClear() const { return m_first; }

private:
    void Byte(BYTE b) {
        m_packet[m_count++] = b;
        if (m_count == 255) FlushPacket();
    }
    void FlushPacket() {
        if (m_count == 0) return;
        m_out.Put(static_cast<BYTE>(m_count));
        m_out.Put(m_packet, static_cast<std::size_t>(m_count));
        m_count = 0;
    }

    CodecWriter& m_out;
    int m_min;
    int m_clear, m_end, m_size, m_next;
    bool m_first = true;
    std::uint32_t m_acc = 0;
    int m_bits = 0;
    BYTE m_packet[255] = {};
    int m_count = 0;
};

// LZW: strings found through a hash table of 5003 (prefix, pixel) keys; a
// clear code when the table is full.
void WriteLzw(GifCodeStream& s, const BYTE* pixels, std::size_t count) {
    constexpr int kHashSize = 5003;
    std::vector<std::int32_t> keys(kHashSize, -1);
    std::vector<std::uint16_t> codes(kHashSize, 0);
    int next = s.End() + 1;
    s.Emit(s.Clear());
    if (count == 0) return;
    int prefix = pixels[0];
    for (std::size_t i = 1; i < count; ++i) {
        const int c = pixels[i];
        const std::int32_t key = (c << 12) | prefix;
        int h = ((c << 4) ^ prefix) % kHashSize;
        const int step = h == 0 ? 1 : kHashSize - h;
        bool found = false;
        while (keys[h] >= 0) {
            if (keys[h] == key) {
                found = true;
                break;
            }
            h -= step;
            if (h < 0) h += kHashSize;
        }
        if (found) {
            prefix = codes[h];
            continue;
        }
        s.Emit(prefix);
        if (next < kMaxCodes) {
            keys[h] = key;
            codes[h] = static_cast<std::uint16_t>(next++);
        } else {
            s.Emit(s.Clear());
            std::fill(keys.begin(), keys.end(), -1);
            next = s.End() + 1;
        }
        prefix = c;
    }
    s.Emit(prefix);
}

// Every pixel its own code, with a clear when the table is full.
void WriteUncompressed(GifCodeStream& s, const BYTE* pixels, std::size_t count) {
    s.Emit(s.Clear());
    for (std::size_t i = 0; i < count; ++i) {
        if (s.Next() >= kMaxCodes) s.Emit(s.Clear());
        s.Emit(pixels[i]);
    }
}

// The integer square root, by Newton's iteration.
std::uint64_t SquareRoot(std::uint64_t n) {
    if (n < 2) return n;
    std::uint64_t x = n, y = (x + 1) / 2;
    while (y < x) {
        x = y;
        y = (x + n / x) / 2;
    }
    return x;
}

// How many codes a fresh series 1, 2, 3, ... takes to cover n pixels.
std::uint64_t TriangleCount(std::uint64_t n) {
    const std::uint64_t k = (SquareRoot(8 * n + 1) - 1) / 2;  // k (k + 1) / 2 <= n
    return k + (k * (k + 1) / 2 < n ? 1 : 0);
}

// Runs of equal pixels: after a clear, a run goes out as codes for runs of
// 1, 2, 3, ... pixels, each the decoder's next code; the run codes stay
// known until the next clear and serve later runs of the same pixel.
class RunLengthWriter {
public:
    explicit RunLengthWriter(GifCodeStream& s) : m_s(s), m_base(s.Clear()) {}

    void Start() { Clear(); }

    void Run(int pixel, std::uint64_t n) {
        if (pixel == m_pixel && m_known >= 2) {
            const std::uint64_t known = n / m_known + (n % m_known != 0 ? 1 : 0);
            if (1 + TriangleCount(n) < known)
                Series(pixel, n);
            else
                Known(n);
            return;
        }
        if (n > 1 && TriangleCount(n) + 1 < n) {
            Series(pixel, n);
            return;
        }
        for (std::uint64_t i = 0; i < n; ++i) Plain(pixel);
    }

private:
    void Clear() {
        m_s.Emit(m_s.Clear());
        m_pixel = -1;
        m_known = 0;
        m_prevRun = 0;
    }

    // One code standing for `run` pixels of the table's pixel (0: anything
    // else); keeps count of the run codes the decoder's new entry adds.
    void Code(int code, int run) {
        if (!m_s.AfterClear() && m_s.Next() < kMaxCodes && m_prevRun == m_known && run > 0 &&
            m_s.Next() == m_base + m_known + 1)
            ++m_known;
        m_s.Emit(code);
        m_prevRun = run;
    }

    // A single pixel, keeping the code width at its start.
    void Plain(int pixel) {
        if (!m_s.AfterClear() && m_s.Next() + 1 >= (1 << (m_s.Min() + 1))) Clear();
        Code(pixel, pixel == m_pixel ? 1 : 0);
    }

    void Series(int pixel, std::uint64_t n) {
        Clear();
        m_pixel = pixel;
        m_known = 1;
        Code(pixel, 1);
        std::uint64_t left = n - 1;
        for (int j = 2; left >= static_cast<std::uint64_t>(j) && m_s.Next() == m_base + j &&
                        m_base + j < kMaxCodes;
             ++j) {
            Code(m_base + j, j);
            left -= static_cast<std::uint64_t>(j);
        }
        Known(left);
    }

    // n pixels of the table's pixel by the longest run codes known.
    void Known(std::uint64_t n) {
        while (n > 0) {
            const int run = static_cast<int>(std::min<std::uint64_t>(n, m_known));
            Code(run == 1 ? m_pixel : m_base + run, run);
            n -= static_cast<std::uint64_t>(run);
        }
    }

    GifCodeStream& m_s;
    int m_base;
    int m_pixel = -1;  // the pixel whose runs the table holds
    int m_known = 0;   // runs 2..m_known of it are codes m_base + 2 ..
    int m_prevRun = 0;
};

void WriteRunLength(GifCodeStream& s, const BYTE* pixels, std::size_t count) {
    RunLengthWriter writer(s);
    writer.Start();
    for (std::size_t i = 0; i < count;) {
        std::size_t n = 1;
        while (i + n < count && pixels[i + n] == pixels[i]) ++n;
        writer.Run(pixels[i], n);
        i += n;
    }
}

// One image's pixel values, top row first, one byte each.
std::vector<BYTE> IndexesOf(const CRaster& image) {
    const LONG width = static_cast<LONG>(image.GetWidth());
    const LONG height = static_cast<LONG>(image.GetHeight());
    const WORD bpp = image.GetBpp();
    std::vector<BYTE> out(static_cast<std::size_t>(width) * height);
    BYTE* p = out.data();
    for (LONG y = height - 1; y >= 0; --y) {
        const BYTE* row = image.GetBits(y);
        if (bpp == 8) {
            std::memcpy(p, row, static_cast<std::size_t>(width));
            p += width;
            continue;
        }
        for (LONG x = 0; x < width; ++x)
            *p++ = bpp == 4 ? static_cast<BYTE>((x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4)
                            : static_cast<BYTE>((row[x >> 3] >> (7 - (x & 7))) & 1);
    }
    return out;
}

void PutPalette(CodecWriter& out, const RGBQUAD* pal, DWORD entries, DWORD size) {
    for (DWORD i = 0; i < size; ++i) {
        const RGBQUAD c = pal != nullptr && i < entries ? pal[i] : RGBQUAD{};
        out.Put(c.rgbRed);
        out.Put(c.rgbGreen);
        out.Put(c.rgbBlue);
    }
}

// The logical screen: "GIF89a", its size, a global palette of 2^bits
// entries when there is one.
void PutHeader(CodecWriter& out, LONG width, LONG height, DWORD bits, const RGBQUAD* pal,
               DWORD entries) {
    out.Put("GIF89a", 6);
    out.Put16(static_cast<WORD>(width));
    out.Put16(static_cast<WORD>(height));
    out.Put(pal != nullptr ? static_cast<BYTE>(0x80 | (((bits + 7) << 5) & 0xFF) | (bits - 1))
                           : BYTE{0x11});
    out.Put(0);
    out.Put(0);
    if (pal != nullptr) PutPalette(out, pal, entries, 1u << bits);
}

void PutGraphicControl(CodecWriter& out, int disposal, DWORD delay, LONG transIndex) {
    const BYTE h[] = {0x21, 0xF9, 0x04,
                      static_cast<BYTE>(((disposal & 7) << 2) | (transIndex >= 0 ? 1 : 0))};
    out.Put(h, sizeof(h));
    out.Put16(static_cast<WORD>(std::min<DWORD>(delay, 0xFFFF)));
    out.Put(static_cast<BYTE>(transIndex >= 0 ? transIndex : 0));
    out.Put(0);
}

void PutComment(CodecWriter& out, const char* comment) {
    const std::size_t n = std::min<std::size_t>(std::strlen(comment), 255);
    if (n == 0) return;
    out.Put(0x21);
    out.Put(0xFE);
    out.Put(static_cast<BYTE>(n));
    out.Put(comment, n);
    out.Put(0);
}

// One image block: descriptor, local palette when given, code size, codes.
void PutImage(CodecWriter& out, LONG left, LONG top, LONG width, LONG height, DWORD bits,
              const RGBQUAD* localPal, DWORD localEntries, const std::vector<BYTE>& pixels,
              DWORD method) {
    out.Put(0x2C);
    out.Put16(static_cast<WORD>(left));
    out.Put16(static_cast<WORD>(top));
    out.Put16(static_cast<WORD>(width));
    out.Put16(static_cast<WORD>(height));
    out.Put(localPal != nullptr ? static_cast<BYTE>(0x80 | (bits - 1)) : BYTE{0});
    if (localPal != nullptr) PutPalette(out, localPal, localEntries, 1u << bits);
    const int minSize = static_cast<int>(std::max<DWORD>(bits, 2));
    out.Put(static_cast<BYTE>(minSize));
    GifCodeStream s(out, minSize);
    if (method == 1)
        WriteUncompressed(s, pixels.data(), pixels.size());
    else if (method == 2)
        WriteRunLength(s, pixels.data(), pixels.size());
    else
        WriteLzw(s, pixels.data(), pixels.size());
    s.Finish();
}

const CRasterGIF* AsGif(const CRaster* image) { return dynamic_cast<const CRasterGIF*>(image); }

}  // namespace

// ---- The codec ------------------------------------------------------------------------------

void CRasterGIF::SetDisposalMethod(int dm) {
    m_gcb.flags = static_cast<BYTE>((m_gcb.flags & ~0x1C) | ((dm & 7) << 2));
}

void CRasterGIF::SetComment(const char* comment) {
    if (comment == nullptr) comment = "";
    std::strncpy(m_comment, comment, 255);
    m_comment[255] = '\0';
}

void CRasterGIF::GetComment(char* comment) const {
    if (comment != nullptr) std::strcpy(comment, m_comment);
}

bool CRasterGIF::Decode(CRasterFile* hFile) {
    if (hFile == nullptr) return false;
    return Run("Can't allocate memory", [&] { DecodeOrThrow(hFile); });
}

bool CRasterGIF::Decode(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return Decode(&file);
}

void CRasterGIF::DecodeOrThrow(CRasterFile* hFile) {
    const LONG start = hFile->Tell();
    BYTE h[13];
    if (start < 0 || hFile->Read(h, 1, 13) != 13 || std::memcmp(h, "GIF8", 4) != 0)
        throw CRasterCodecError(kNotGif);
    LONG screenWidth = GetLE16(h + 6);
    LONG screenHeight = GetLE16(h + 8);
    const BYTE packed = h[10];
    const BYTE background = h[11];
    if (info.nEscape == -1) {
        head.biWidth = screenWidth;
        head.biHeight = screenHeight;
        throw CRasterCodecError(kRasterSizeOnlyText);
    }

    CodecReader in(hFile);
    RGBQUAD global[256] = {};
    const DWORD globalColors = (packed & 0x80) ? 2u << (packed & 7) : 0;
    for (DWORD i = 0; i < globalColors; ++i) {
        BYTE rgb[3];
        if (!in.Read(rgb, 3)) throw CRasterCodecError(kCutShort);
        global[i] = RGBQUAD{rgb[2], rgb[1], rgb[0], 0};
    }
    const std::int64_t blocksStart = start + 13 + 3 * std::int64_t{globalColors};

    // The frames, counted first: the chosen one must be among them.
    const std::vector<FrameRect> frames = CountFrames(
        in, static_cast<std::size_t>(std::max<LONG>(info.nFrame, 0)) + 1, info.nNumFrames);
    if (frames.empty()) throw CRasterCodecError("No images in GIF file");
    if (info.nFrame < 0 || info.nFrame >= info.nNumFrames)
        throw CRasterCodecError("GIF frame not found");
    const std::size_t chosen = static_cast<std::size_t>(info.nFrame);

    // A screen of no size takes the first frame's.
    if (screenWidth == 0 || screenHeight == 0) {
        screenWidth = std::max<LONG>(1, frames[0].left + frames[0].width);
        screenHeight = std::max<LONG>(1, frames[0].top + frames[0].height);
    }

    // One frame, or frames that all cover the screen on the global palette,
    // compose in palette indexes; anything else on a 24-bit canvas.
    bool indexed = info.nNumFrames == 1;
    if (!indexed) {
        indexed = true;
        for (std::size_t i = 0; i <= chosen; ++i) {
            const FrameRect& f = frames[i];
            if (f.Local() || f.left != 0 || f.top != 0 || f.width != screenWidth ||
                f.height != screenHeight)
                indexed = false;
        }
    }
    const DWORD chosenColors = frames[chosen].Local() ? frames[chosen].LocalColors() : globalColors;
    const DWORD bpp = indexed ? DepthOfColors(chosenColors) : 24;
    if (Create(screenWidth, screenHeight, bpp, RASTER_FORMAT_GIF) == nullptr)
        throw CRasterCodecError(GetLastError());
    if (info.nEscape != 0) throw CRasterCodecError("Cancelled");

    // Back to the first block, this time decoding.
    if (!hFile->Seek(static_cast<LONG>(blocksStart), 0)) throw CRasterCodecError(kCutShort);
    CodecReader walk(hFile);
    GraphicControl gcb;
    bool haveCanvasColor = false;
    BYTE clearIndex = 0;
    RGBQUAD clearColor{};
    FrameRect previous;
    int previousDisposal = 0;
    const BYTE canvasMask = static_cast<BYTE>(indexed ? (1u << bpp) - 1 : 0xFF);
    std::vector<BYTE> line;

    // Fills a rectangle of the canvas (rows from the top, clipped).
    auto fill = [&](LONG left, LONG top, LONG width, LONG height) {
        const LONG x0 = std::max<LONG>(0, left), x1 = std::min<LONG>(screenWidth, left + width);
        const LONG y0 = std::max<LONG>(0, top), y1 = std::min<LONG>(screenHeight, top + height);
        for (LONG y = y0; y < y1; ++y) {
            BYTE* row = GetBits(screenHeight - 1 - y);
            if (bpp == 8) {
                if (x1 > x0) std::memset(row + x0, clearIndex, static_cast<std::size_t>(x1 - x0));
                continue;
            }
            for (LONG x = x0; x < x1; ++x) {
                if (bpp == 24) {
                    row[3 * x] = clearColor.rgbBlue;
                    row[3 * x + 1] = clearColor.rgbGreen;
                    row[3 * x + 2] = clearColor.rgbRed;
                } else {
                    BlindSetPixelIndex(x, screenHeight - 1 - y, clearIndex);
                }
            }
        }
    };

    for (std::size_t frame = 0;;) {
        const int block = walk.Get();
        if (block == 0x21) {
            const int label = walk.Get();
            if (label < 0) throw CRasterCodecError(kCutShort);
            if (label == 0xF9) {
                const int n = walk.Get();
                BYTE g[4] = {};
                if (n < 0) throw CRasterCodecError(kCutShort);
                if (n >= 4) {
                    if (!walk.Read(g, 4) || !walk.Skip(static_cast<std::size_t>(n - 4)))
                        throw CRasterCodecError(kCutShort);
                    gcb.flags = g[0];
                    gcb.delay = GetLE16(g + 1);
                    gcb.transindex = g[3];
                } else if (n > 0 && !walk.Skip(static_cast<std::size_t>(n))) {
                    throw CRasterCodecError(kCutShort);
                }
                if (n > 0 && !SkipSubBlocks(walk)) throw CRasterCodecError(kCutShort);
            } else if (label == 0xFE) {
                // The comment: its first 255 bytes.
                std::size_t kept = 0;
                for (;;) {
                    const int n = walk.Get();
                    if (n < 0) throw CRasterCodecError(kCutShort);
                    if (n == 0) break;
                    BYTE data[255];
                    if (!walk.Read(data, static_cast<std::size_t>(n)))
                        throw CRasterCodecError(kCutShort);
                    const std::size_t take =
                        std::min<std::size_t>(static_cast<std::size_t>(n), 255 - kept);
                    std::memcpy(m_comment + kept, data, take);
                    kept += take;
                }
                m_comment[kept] = '\0';
            } else if (label == 0xFF) {
                // An application block; the loop count from its second
                // sub-block.
                const int n = walk.Get();
                if (n < 0 || !walk.Skip(static_cast<std::size_t>(n)))
                    throw CRasterCodecError(kCutShort);
                if (n > 0) {
                    const int m = walk.Get();
                    if (m < 0) throw CRasterCodecError(kCutShort);
                    if (m > 0) {
                        BYTE data[255];
                        if (!walk.Read(data, static_cast<std::size_t>(m)))
                            throw CRasterCodecError(kCutShort);
                        if (m > 2) m_loops = GetLE16(data + 1);
                        if (!SkipSubBlocks(walk)) throw CRasterCodecError(kCutShort);
                    }
                }
            } else if (!SkipSubBlocks(walk)) {
                throw CRasterCodecError(kCutShort);
            }
            continue;
        }
        if (block != 0x2C) throw CRasterCodecError(kCutShort);  // the frame was counted

        BYTE d[9];
        if (!walk.Read(d, 9)) throw CRasterCodecError(kCutShort);
        FrameRect f;
        f.left = GetLE16(d);
        f.top = GetLE16(d + 2);
        f.width = GetLE16(d + 4);
        f.height = GetLE16(d + 6);
        f.packed = d[8];
        RGBQUAD local[256] = {};
        const RGBQUAD* table = global;
        DWORD colors = globalColors;
        if (f.Local()) {
            colors = f.LocalColors();
            for (DWORD i = 0; i < colors; ++i) {
                BYTE rgb[3];
                if (!walk.Read(rgb, 3)) throw CRasterCodecError(kCutShort);
                local[i] = RGBQUAD{rgb[2], rgb[1], rgb[0], 0};
            }
            table = local;
        }
        // The frame's palette of 256: no table gives black and white; with a
        // transparent index, the entries past the table are white.
        RGBQUAD pal[256] = {};
        if (colors == 0) {
            pal[1] = RGBQUAD{255, 255, 255, 0};
            colors = 2;
        } else {
            std::memcpy(pal, table, colors * sizeof(RGBQUAD));
        }
        // An index outside the table names no colour: nothing is transparent.
        const bool transparent = (gcb.flags & 1) != 0 && gcb.transindex < colors;
        if (transparent)
            for (DWORD i = colors; i < 256; ++i) pal[i] = RGBQUAD{255, 255, 255, 0};

        const int minSize = walk.Get();
        if (minSize < 0) throw CRasterCodecError(kCutShort);
        if (minSize < 2 || minSize > 9) throw CRasterCodecError(kBadCodeSize);

        // What the canvas starts from: the first frame's transparent index,
        // else the screen's background.
        if (!haveCanvasColor) {
            haveCanvasColor = true;
            const BYTE index = transparent ? gcb.transindex : background;
            clearIndex = static_cast<BYTE>(index & canvasMask);
            clearColor = transparent ? pal[index] : globalColors != 0 ? global[index] : RGBQUAD{};
            fill(0, 0, screenWidth, screenHeight);
        } else if (previousDisposal == 2) {
            fill(previous.left, previous.top, previous.width, previous.height);
        }

        if (frame == chosen) {
            if (indexed) {
                RGBQUAD* dst = GetPalette();
                std::memcpy(dst, pal, head.biClrUsed * sizeof(RGBQUAD));
                if (!transparent)
                    for (DWORD i = colors; i < head.biClrUsed; ++i) dst[i] = RGBQUAD{};
                info.nBkgndIndex = transparent ? (gcb.transindex & canvasMask) : -1;
            } else {
                info.nBkgndIndex = -1;
            }
            info.dwFrameDelay = gcb.delay;
            m_gcb = gcb;
        }

        // The frame's rows onto the canvas at its offset, clipped to the
        // screen, leaving the dots of the transparent index out; values are
        // masked to the frame's depth.
        const BYTE mask = static_cast<BYTE>((1u << DepthOfColors(colors)) - 1);
        const int trans = transparent ? gcb.transindex : -1;
        const LONG x0 = std::min<LONG>(f.left, screenWidth);
        const LONG rowEnd = std::min<LONG>(f.left + f.width, screenWidth);
        RowOrder order(f.height, f.Interlaced());
        line.assign(static_cast<std::size_t>(f.width), 0);
        std::size_t filled = 0;
        // A row of `count` pixels (fewer where the data ends early).
        auto putRow = [&](LONG fy, LONG count) {
            const LONG y = f.top + fy;
            const LONG x1 = std::min<LONG>(rowEnd, f.left + count);
            if (y >= screenHeight || x0 >= x1) return;
            BYTE* row = GetBits(screenHeight - 1 - y);
            const BYTE* src = line.data() + (x0 - f.left);
            if (bpp == 8 && trans < 0 && mask == 0xFF) {
                std::memcpy(row + x0, src, static_cast<std::size_t>(x1 - x0));
                return;
            }
            for (LONG x = x0; x < x1; ++x, ++src) {
                if (*src == trans) continue;
                const BYTE v = static_cast<BYTE>(*src & mask);
                if (bpp == 24) {
                    const RGBQUAD c = pal[v];
                    row[3 * x] = c.rgbBlue;
                    row[3 * x + 1] = c.rgbGreen;
                    row[3 * x + 2] = c.rgbRed;
                } else if (bpp == 8) {
                    row[x] = v;
                } else {
                    BlindSetPixelIndex(x, screenHeight - 1 - y, static_cast<BYTE>(v & canvasMask));
                }
            }
        };
        GifLzwDecoder lzw(walk, minSize);
        LONG fy = f.width > 0 ? order.Next() : -1;
        lzw.Run([&](const BYTE* data, std::size_t n) {
            while (n > 0) {
                if (fy < 0) return false;
                const std::size_t take = std::min(n, line.size() - filled);
                std::memcpy(line.data() + filled, data, take);
                filled += take;
                data += take;
                n -= take;
                if (filled == line.size()) {
                    putRow(fy, f.width);
                    filled = 0;
                    fy = order.Next();
                }
            }
            return fy >= 0;
        });
        if (fy >= 0 && filled > 0) putRow(fy, static_cast<LONG>(filled));
        if (frame == chosen) return;
        if (!lzw.SkipRest()) throw CRasterCodecError(kCutShort);
        previous = f;
        previousDisposal = (gcb.flags >> 2) & 7;
        gcb = GraphicControl{};
        ++frame;
    }
}

bool CRasterGIF::Encode(CRasterFile* hFile) {
    if (EncodeSafeCheck(hFile)) return false;
    return Run("Can't allocate memory", [&] { EncodeOrThrow(hFile); });
}

bool CRasterGIF::Encode(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return Encode(&file);
}

void CRasterGIF::EncodeOrThrow(CRasterFile* hFile) {
    const LONG width = head.biWidth, height = head.biHeight;
    if (width > 0xFFFF || height > 0xFFFF) throw CRasterCodecError("Image too large for GIF");
    const DWORD method = GetCodecOption(RASTER_FORMAT_GIF);
    CodecWriter out(hFile, kWriteError);
    if (head.biBitCount <= 8) {
        const DWORD bits = head.biBitCount;
        PutHeader(out, width, height, bits, GetPalette(), head.biClrUsed);
        PutGraphicControl(out, GetDisposalMethod(), info.dwFrameDelay, info.nBkgndIndex);
        PutComment(out, m_comment);
        PutImage(out, info.xOffset, info.yOffset, width, height, bits, nullptr, 0, IndexesOf(*this),
                 method);
        out.Put(0x3B);
        out.Flush();
        return;
    }

    // A mosaic: tiles of 17 x 15 dots from the top left, each an 8-bit
    // image of its own colours; index 0 is the transparent colour when the
    // picture has one.
    PutHeader(out, width, height, 8, nullptr, 0);
    PutComment(out, m_comment);
    const bool transparent = info.nBkgndIndex >= 0;
    const RGBQUAD transColor = GetTransColor();
    for (LONG ty = 0; ty < height; ty += 15) {
        for (LONG tx = 0; tx < width; tx += 17) {
            const LONG tw = std::min<LONG>(17, width - tx), th = std::min<LONG>(15, height - ty);
            RGBQUAD pal[256] = {};
            DWORD used = 0;
            if (transparent) pal[used++] = transColor;
            std::vector<BYTE> pixels(static_cast<std::size_t>(tw) * th);
            // A small hash of the tile's colours to their indexes.
            std::int16_t slots[512];
            std::fill(std::begin(slots), std::end(slots), std::int16_t{-1});
            BYTE* p = pixels.data();
            for (LONG y = ty; y < ty + th; ++y) {
                const BYTE* row = GetBits(height - 1 - y);
                for (LONG x = tx; x < tx + tw; ++x) {
                    const BYTE* c = row + 3 * x;
                    if (transparent && c[0] == transColor.rgbBlue && c[1] == transColor.rgbGreen &&
                        c[2] == transColor.rgbRed) {
                        *p++ = 0;
                        continue;
                    }
                    const DWORD key = c[0] | (c[1] << 8) | (c[2] << 16);
                    DWORD h = (key * 2654435761u) >> 23;
                    for (;; h = (h + 1) & 511) {
                        if (slots[h] < 0) {
                            slots[h] = static_cast<std::int16_t>(used);
                            pal[used] = RGBQUAD{c[0], c[1], c[2], 0};
                            ++used;
                            break;
                        }
                        const RGBQUAD& q = pal[slots[h]];
                        if (q.rgbBlue == c[0] && q.rgbGreen == c[1] && q.rgbRed == c[2]) break;
                    }
                    *p++ = static_cast<BYTE>(slots[h]);
                }
            }
            PutGraphicControl(out, 0, 0, transparent ? 0 : -1);
            PutImage(out, tx, ty, tw, th, 8, pal, used, pixels, method);
        }
    }
    out.Put(0x3B);
    out.Flush();
}

bool CRasterGIF::Encode(CRasterFile* hFile, CRaster** pImages, LONG pagecount,
                        bool bLocalColorMap) {
    if (hFile == nullptr) {
        SetLastError("invalid file pointer");
        return false;
    }
    if (pImages == nullptr || pagecount <= 0) {
        SetLastError("multipage GIF, no images!");
        return false;
    }
    for (LONG i = 0; i < pagecount; ++i)
        if (pImages[i] == nullptr || !pImages[i]->IsValid()) {
            SetLastError("Bad image pointer");
            return false;
        }
    for (LONG i = 0; i < pagecount; ++i)
        if (pImages[i]->GetBpp() > 8) {
            SetLastError("Multipage GIF needs images of 8 bits per pixel or fewer");
            return false;
        }
    return Run("Can't allocate memory",
               [&] { EncodeFramesOrThrow(hFile, pImages, pagecount, bLocalColorMap); });
}

bool CRasterGIF::Encode(std::FILE* hFile, CRaster** pImages, LONG pagecount, bool bLocalColorMap) {
    CRasterIOFile file(hFile);
    return Encode(hFile == nullptr ? nullptr : &file, pImages, pagecount, bLocalColorMap);
}

void CRasterGIF::EncodeFramesOrThrow(CRasterFile* hFile, CRaster** pImages, LONG pagecount,
                                     bool bLocalColorMap) {
    const CRaster& first = *pImages[0];
    const DWORD method = GetCodecOption(RASTER_FORMAT_GIF);
    CodecWriter out(hFile, kWriteError);
    PutHeader(out, static_cast<LONG>(first.GetWidth()), static_cast<LONG>(first.GetHeight()),
              first.GetBpp(), first.GetPalette(), first.GetNumColors());
    if (m_loops != 1) {
        static const BYTE loop[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S',  'C',
                                    'A',  'P',  'E',  '2', '.', '0', 0x03, 0x01};
        out.Put(loop, sizeof(loop));
        out.Put16(static_cast<WORD>(m_loops > 0 ? std::min<LONG>(m_loops - 1, 0xFFFF) : 0));
        out.Put(0);
    }
    for (LONG i = 0; i < pagecount; ++i) {
        const CRaster& image = *pImages[i];
        const CRasterGIF* gif = AsGif(&image);
        LONG left = 0, top = 0;
        image.GetOffset(&left, &top);
        PutGraphicControl(out, gif != nullptr ? gif->GetDisposalMethod() : 0, image.GetFrameDelay(),
                          image.GetTransIndex());
        if (i == 0) PutComment(out, m_comment);
        const bool local = i > 0 && bLocalColorMap;
        PutImage(out, left, top, static_cast<LONG>(image.GetWidth()),
                 static_cast<LONG>(image.GetHeight()), image.GetBpp(),
                 local ? image.GetPalette() : nullptr, image.GetNumColors(), IndexesOf(image),
                 method);
    }
    out.Put(0x3B);
    out.Flush();
}
