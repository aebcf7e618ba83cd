// JPEG reading and writing through libjpeg.
//
// libjpeg reports a fatal error by calling our exit routine, which keeps
// the library's message and jumps back to the setjmp of the driver. The
// jump crosses library frames and our callbacks, so nothing on that path
// holds an object with a destructor: the library objects, the managers and
// every buffer live in a plain work record that the caller of the driver
// frees whichever way the driver returns. The callbacks are noexcept, so no
// exception ever enters a C frame.

#include "image/codecs/rasterjpg.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kIoBuffer = 4096;
// Reading takes larger blocks: libjpeg-turbo decodes a block of Huffman
// codes on its fast path only while a few kilobytes of data lie ahead in
// the buffer.
constexpr std::size_t kReadBuffer = std::size_t{64} << 10;

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

struct JpegSource {
    jpeg_source_mgr pub;
    CRasterFile* file;
    boolean startOfFile;
    JOCTET* buffer;  // kReadBuffer bytes, freed with the work record
};

struct JpegDestination {
    jpeg_destination_mgr pub;
    CRasterFile* file;
    JOCTET buffer[kIoBuffer];
};

// The library's message as our last error, then back to the driver.
void ErrorExit(j_common_ptr cinfo) noexcept {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (a premature end, a corrupt marker) are not printed.
void OutputMessage(j_common_ptr) noexcept {}

// Files with more scans than anyone writes are refused: each scan passes
// over the whole picture.
void ProgressMonitor(j_common_ptr cinfo) noexcept {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= CRasterJPG::kMaxScans)
        return;
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof(err->message), "JPEG file has more than %d scans",
                  CRasterJPG::kMaxScans);
    std::longjmp(err->jump, 1);
}

void InitSource(j_decompress_ptr cinfo) noexcept {
    reinterpret_cast<JpegSource*>(cinfo->src)->startOfFile = TRUE;
}

// An empty stream is an error; a stream that ends early gets an end-of-image
// marker, so that the rows read so far are kept.
boolean FillInputBuffer(j_decompress_ptr cinfo) noexcept {
    auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
    std::size_t n = src->file->Read(src->buffer, 1, kReadBuffer);
    if (n == 0) {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = n;
    src->startOfFile = FALSE;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) noexcept {
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    std::size_t left = static_cast<std::size_t>(count);
    while (left > src->bytes_in_buffer) {
        left -= src->bytes_in_buffer;
        FillInputBuffer(cinfo);
    }
    src->next_input_byte += left;
    src->bytes_in_buffer -= left;
}

void TermSource(j_decompress_ptr) noexcept {}

void InitDestination(j_compress_ptr cinfo) noexcept {
    auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kIoBuffer;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) noexcept {
    auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    if (dest->file->Write(dest->buffer, 1, kIoBuffer) != kIoBuffer) ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kIoBuffer;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) noexcept {
    auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    const std::size_t left = kIoBuffer - dest->pub.free_in_buffer;
    if (left > 0 && dest->file->Write(dest->buffer, 1, left) != left)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->file->Flush();
    if (dest->file->Error() != 0) ERREXIT(cinfo, JERR_FILE_WRITE);
}

void UseErrorManager(jpeg_common_struct* cinfo, JpegErrorManager& err) {
    cinfo->err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
}

// The image's scale as libjpeg's denominator over 1: what the library
// cannot do (0, 3, 5..7, above 8) goes to the reduction below it.
unsigned ScaleDenominator(BYTE scale) {
    if (scale >= 8) return 8;
    if (scale >= 4) return 4;
    if (scale >= 2) return 2;
    return 1;
}

// C, M, Y, K as libjpeg delivers them, to blue, green, red.
inline void CmykToBgr(const JSAMPLE* cmyk, BYTE* bgr) {
    const unsigned k = cmyk[3];
    bgr[0] = static_cast<BYTE>(cmyk[2] * k / 255);
    bgr[1] = static_cast<BYTE>(cmyk[1] * k / 255);
    bgr[2] = static_cast<BYTE>(cmyk[0] * k / 255);
}

// A resolution worth using: finite and within what the formats store.
bool UsableResolution(double value) { return std::isfinite(value) && value >= 1 && value <= 65535; }

// The whole dots per inch of an EXIF resolution, cut as EXIF readers cut
// it (not rounded).
LONG ExifDpi(double value) {
    if (!std::isfinite(value) || value < 1) return 0;
    return value >= 2147483647.0 ? 2147483647 : static_cast<LONG>(value);
}

}  // namespace

// Everything a decode allocates or hands to libjpeg; freed by Decode.
struct JpegDecodeWork {
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    JpegSource src;
    jpeg_progress_mgr progress;
    bool created;
    bool exif;     // the EXIF section was read without fault
    JSAMPLE* row;  // one delivered row where it cannot go into the image
};

struct JpegEncodeWork {
    jpeg_compress_struct cinfo;
    JpegErrorManager err;
    JpegDestination dest;
    bool created;
    JSAMPLE* row;
};

CRasterJPG::CRasterJPG() : CRasterCodec(RASTER_FORMAT_JPG), m_exifinfo() {}

CRasterJPG::CRasterJPG(const CRasterJPG& src)
    : CRasterCodec(src),
      m_nSmoothing(src.m_nSmoothing),
      m_nDither(src.m_nDither),
      m_nSetting2(src.m_nSetting2),
      m_nSetting3(src.m_nSetting3),
      m_nSetting4(src.m_nSetting4),
      m_exifinfo(src.m_exifinfo) {
    // The thumbnail lies in the source's sections, which stay the source's.
    m_exifinfo.ThumbnailPointer = nullptr;
    m_exifinfo.ThumbnailSize = 0;
}

CRasterJPG& CRasterJPG::operator=(const CRasterJPG& src) {
    if (this == &src) return *this;
    CRaster::operator=(src);
    delete m_exif;
    m_exif = nullptr;
    m_exifinfo = src.m_exifinfo;
    m_exifinfo.ThumbnailPointer = nullptr;
    m_exifinfo.ThumbnailSize = 0;
    m_nSmoothing = src.m_nSmoothing;
    m_nDither = src.m_nDither;
    m_nSetting2 = src.m_nSetting2;
    m_nSetting3 = src.m_nSetting3;
    m_nSetting4 = src.m_nSetting4;
    return *this;
}

CRasterJPG::~CRasterJPG() { delete m_exif; }

bool CRasterJPG::DecodeExif(CRasterFile* hFile) {
    if (hFile == nullptr) return false;
    delete m_exif;
    m_exif = nullptr;
    m_exifinfo = RasterExifInfo();
    m_exif = new (std::nothrow) CRasterExifInfo(&m_exifinfo);
    if (m_exif == nullptr) return false;
    const LONG pos = hFile->Tell();
    m_exif->DecodeExif(hFile, CRasterExifInfo::EXIF_READ_EXIF);
    hFile->Seek(pos, 0);
    return m_exifinfo.IsExif;
}

bool CRasterJPG::DecodeExif(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return DecodeExif(&file);
}

bool CRasterJPG::Decode(CRasterFile* hFile) {
    if (hFile == nullptr) return false;
    // Zeroed: a library object that failed while being made is destroyed
    // as an empty one.
    JpegDecodeWork w{};
    w.exif = DecodeExif(hFile);
    const bool ok = DecodeWith(w, hFile);
    if (w.created) jpeg_destroy_decompress(&w.cinfo);
    std::free(w.row);
    std::free(w.src.buffer);
    return ok;
}

bool CRasterJPG::Decode(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return Decode(&file);
}

bool CRasterJPG::DecodeWith(JpegDecodeWork& w, CRasterFile* hFile) {
    jpeg_decompress_struct& cinfo = w.cinfo;
    UseErrorManager(reinterpret_cast<jpeg_common_struct*>(&cinfo), w.err);
    if (setjmp(w.err.jump)) {
        SetLastError(w.err.message);
        return false;
    }
    w.created = true;
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = static_cast<long>(GetRasterMaxMemory());
    w.src.file = hFile;
    w.src.buffer = static_cast<JOCTET*>(std::malloc(kReadBuffer));
    if (w.src.buffer == nullptr) ERREXIT(&cinfo, JERR_OUT_OF_MEMORY);
    w.src.pub.init_source = InitSource;
    w.src.pub.fill_input_buffer = FillInputBuffer;
    w.src.pub.skip_input_data = SkipInputData;
    w.src.pub.resync_to_restart = jpeg_resync_to_restart;
    w.src.pub.term_source = TermSource;
    w.src.pub.bytes_in_buffer = 0;
    w.src.pub.next_input_byte = nullptr;
    cinfo.src = &w.src.pub;
    w.progress.progress_monitor = ProgressMonitor;
    cinfo.progress = &w.progress;

    jpeg_read_header(&cinfo, TRUE);

    const DWORD options = GetCodecOption(RASTER_FORMAT_JPG);
    if (options & 0x80) cinfo.out_color_space = JCS_GRAYSCALE;
    if (options & 0x100) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = std::clamp<int>(info.nQuality, 8, 256);
    }
    if (options & 0x200)
        cinfo.dither_mode = static_cast<J_DITHER_MODE>(std::clamp<LONG>(m_nDither, 0, 2));
    if (options & 0x400) cinfo.two_pass_quantize = FALSE;
    if (options & 0x800) cinfo.do_fancy_upsampling = FALSE;
    cinfo.scale_num = 1;
    cinfo.scale_denom = ScaleDenominator(info.nJpegScale);
    // Colour rows come straight in the image's order, blue first.
    const bool bgr = !cinfo.quantize_colors && cinfo.out_color_space == JCS_RGB;
    if (bgr) cinfo.out_color_space = JCS_EXT_BGR;

    jpeg_calc_output_dimensions(&cinfo);
    const LONG width = static_cast<LONG>(cinfo.output_width);
    const LONG height = static_cast<LONG>(cinfo.output_height);
    if (info.nEscape == -1) {
        head.biWidth = width;
        head.biHeight = height;
        return true;
    }
    const int components = cinfo.output_components;
    // The image is made (or refused by the memory cap) before libjpeg
    // allocates its own buffers for the picture. Every row is written below,
    // its padding too, so the block is not cleared first.
    if (CreateForWriting(width, height, 8 * static_cast<DWORD>(components), RASTER_FORMAT_JPG) ==
        nullptr)
        return false;
    ApplyResolution(cinfo, w.exif);

    jpeg_start_decompress(&cinfo);

    if (cinfo.quantize_colors) {
        RGBQUAD* pal = GetPalette();
        const int colors = std::min(cinfo.actual_number_of_colors, 256);
        for (int i = 0; i < colors; ++i) {
            BYTE c[3];
            if (cinfo.out_color_components >= 4) {
                const JSAMPLE cmyk[4] = {cinfo.colormap[0][i], cinfo.colormap[1][i],
                                         cinfo.colormap[2][i], cinfo.colormap[3][i]};
                CmykToBgr(cmyk, c);
                std::swap(c[0], c[2]);
            } else if (cinfo.out_color_components == 3) {
                c[0] = cinfo.colormap[0][i];
                c[1] = cinfo.colormap[1][i];
                c[2] = cinfo.colormap[2][i];
            } else {
                c[0] = c[1] = c[2] = cinfo.colormap[0][i];
            }
            pal[i] = RGBQUAD{c[2], c[1], c[0], 0};
        }
        KeepColors(static_cast<DWORD>(std::max(colors, 1)));
    } else if (components == 1) {
        SetGrayPalette();
    }

    const std::size_t delivered = static_cast<std::size_t>(width) * components;
    const bool direct = components == 1 || components == 3;
    if (!direct) {
        w.row = static_cast<JSAMPLE*>(std::malloc(delivered));
        if (w.row == nullptr) {
            SetLastError("Can't allocate memory");
            return false;
        }
    }
    const std::size_t stride = info.dwEffWidth;
    const std::size_t written =
        std::min(stride, static_cast<std::size_t>(width) * (components == 1 ? 1 : 3));
    while (cinfo.output_scanline < cinfo.output_height) {
        if (info.nEscape != 0) {
            SetLastError("Cancelled");
            return false;
        }
        const LONG line = static_cast<LONG>(cinfo.output_scanline);
        // Up to four rows at a time, from the last storage row down; rows
        // the image cannot take as they come go through the work row.
        JSAMPROW rows[4] = {w.row};
        const int n = direct ? static_cast<int>(std::min<LONG>(4, height - line)) : 1;
        if (direct)
            for (int i = 0; i < n; ++i) rows[i] = GetBits(height - 1 - line - i);
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(n));
        if (got == 0) {
            SetLastError("JPEG data stopped early");
            return false;
        }
        for (JDIMENSION i = 0; i < got; ++i) {
            BYTE* out = GetBits(height - 1 - line - static_cast<LONG>(i));
            std::size_t filled = written;
            if (components == 3 && !bgr) {
                RGBtoBGR(out, width * 3);
            } else if (components == 4) {
                for (LONG x = 0; x < width; ++x) CmykToBgr(w.row + 4 * x, out + 3 * x);
            } else if (!direct) {
                filled = std::min(delivered, written);
                std::memcpy(out, w.row, filled);
            }
            std::memset(out + filled, 0, stride - filled);
        }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

void CRasterJPG::ApplyResolution(const jpeg_decompress_struct& cinfo, bool exif) {
    const RasterExifInfo& e = m_exifinfo;
    if (exif && UsableResolution(e.Xresolution) && UsableResolution(e.Yresolution) &&
        e.ResolutionUnit > 0 && std::isfinite(e.ResolutionUnit)) {
        SetXDPI(ExifDpi(e.Xresolution / e.ResolutionUnit));
        SetYDPI(ExifDpi(e.Yresolution / e.ResolutionUnit));
        return;
    }
    if (!cinfo.saw_JFIF_marker || cinfo.density_unit == 0) return;  // an aspect ratio only
    // Per centimetre with unit 2, per inch otherwise.
    const double unitsPerInch = cinfo.density_unit == 2 ? 2.54 : 1;
    SetXDPI(DpiOf(cinfo.X_density, unitsPerInch));
    SetYDPI(DpiOf(cinfo.Y_density, unitsPerInch));
}

bool CRasterJPG::Encode(CRasterFile* hFile) {
    if (EncodeSafeCheck(hFile)) return false;
    if (IsIndexed() && !IsGrayScale()) {
        SetLastError("JPEG can save only RGB or GreyScale images");
        return false;
    }
    const LONG pos = hFile->Tell();
    // Zeroed: a library object that failed while being made is destroyed
    // as an empty one.
    JpegEncodeWork w{};
    const bool ok = EncodeWith(w, hFile);
    if (w.created) jpeg_destroy_compress(&w.cinfo);
    std::free(w.row);
    if (!ok) return false;

    // A picture read from a file keeps that file's EXIF and comment.
    if (m_exifinfo.IsExif && m_exif != nullptr) {
        m_exif->DiscardAllButExif();
        if (!hFile->Seek(pos, 0) || !m_exif->DecodeExif(hFile, CRasterExifInfo::EXIF_READ_IMAGE) ||
            !hFile->Seek(pos, 0) || !m_exif->EncodeExif(hFile)) {
            SetLastError(m_exif->GetLastError()[0] != '\0' ? m_exif->GetLastError()
                                                           : "Can't write exif");
            return false;
        }
    }
    return true;
}

bool CRasterJPG::Encode(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return Encode(&file);
}

bool CRasterJPG::EncodeWith(JpegEncodeWork& w, CRasterFile* hFile) {
    jpeg_compress_struct& cinfo = w.cinfo;
    UseErrorManager(reinterpret_cast<jpeg_common_struct*>(&cinfo), w.err);
    if (setjmp(w.err.jump)) {
        SetLastError(w.err.message);
        return false;
    }
    w.created = true;
    jpeg_create_compress(&cinfo);
    w.dest.file = hFile;
    w.dest.pub.init_destination = InitDestination;
    w.dest.pub.empty_output_buffer = EmptyOutputBuffer;
    w.dest.pub.term_destination = TermDestination;
    cinfo.dest = &w.dest.pub;

    const LONG width = head.biWidth, height = head.biHeight;
    const bool grey = IsIndexed();  // a grey palette: checked by Encode
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    const DWORD options = GetCodecOption(RASTER_FORMAT_JPG);
    if (options & 0x2) cinfo.arith_code = TRUE;
    if (options & 0x8) cinfo.optimize_coding = TRUE;
    if (options & 0x4) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    if (options & 0x40)
        cinfo.smoothing_factor = static_cast<int>(std::clamp<LONG>(m_nSmoothing, 0, 100));
    jpeg_set_quality(&cinfo, info.nQuality, (options & 0x1) ? TRUE : FALSE);
    if (options & 0x10) jpeg_simple_progression(&cinfo);
    cinfo.density_unit = 1;
    cinfo.X_density = static_cast<UINT16>(std::clamp<LONG>(info.xDPI, 1, 65535));
    cinfo.Y_density = static_cast<UINT16>(std::clamp<LONG>(info.yDPI, 1, 65535));

    // Grey images below 8 bits go through a row of grey values.
    if (grey && head.biBitCount != 8) {
        w.row = static_cast<JSAMPLE*>(std::malloc(static_cast<std::size_t>(width)));
        if (w.row == nullptr) {
            SetLastError("Can't allocate memory");
            return false;
        }
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const LONG y = height - 1 - static_cast<LONG>(cinfo.next_scanline);
        JSAMPROW rows[1] = {GetBits(y)};
        if (w.row != nullptr) {
            for (LONG x = 0; x < width; ++x) w.row[x] = GetPaletteColor(GetPixelIndex(x, y)).rgbRed;
            rows[0] = w.row;
        }
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}
