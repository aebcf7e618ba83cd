// The marker sections of a JPEG file: EXIF and comment data for the image's
// record, and the sections kept so that a freshly written JPEG can get them
// back in front.
//
// Everything read from the file is untrusted: every offset and count is
// taken in 64 bits against the section that holds it, every text is bounded
// by its count, and directory links are followed at most four deep and at
// most once each.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "image/codecs/rasterjpg.h"

namespace {

// Markers.
constexpr int M_SOF0 = 0xC0, M_SOF1 = 0xC1, M_SOF2 = 0xC2, M_SOF3 = 0xC3, M_SOF5 = 0xC5,
              M_SOF6 = 0xC6, M_SOF7 = 0xC7, M_SOF9 = 0xC9, M_SOF10 = 0xCA, M_SOF11 = 0xCB,
              M_SOF13 = 0xCD, M_SOF14 = 0xCE, M_SOF15 = 0xCF;
constexpr int M_EOI = 0xD9, M_SOS = 0xDA, M_JFIF = 0xE0, M_EXIF = 0xE1, M_COM = 0xFE;

// Tags.
enum : int {
    TAG_MAKE = 271,
    TAG_MODEL = 272,
    TAG_ORIENTATION = 274,
    TAG_XRESOLUTION = 282,
    TAG_YRESOLUTION = 283,
    TAG_RESOLUTIONUNIT = 296,
    TAG_THUMBNAIL_OFFSET = 513,
    TAG_THUMBNAIL_LENGTH = 514,
    TAG_EXPOSURETIME = 33434,
    TAG_FNUMBER = 33437,
    TAG_EXIF_OFFSET = 34665,
    TAG_EXPOSURE_PROGRAM = 34850,
    TAG_ISO_EQUIVALENT = 34855,
    TAG_EXIF_VERSION = 36864,
    TAG_DATETIME_ORIGINAL = 36867,
    TAG_COMPRESSION_LEVEL = 37122,
    TAG_SHUTTERSPEED = 37377,
    TAG_APERTURE = 37378,
    TAG_BRIGHTNESS = 37379,
    TAG_EXPOSURE_BIAS = 37380,
    TAG_SUBJECT_DISTANCE = 37382,
    TAG_METERING_MODE = 37383,
    TAG_WHITEBALANCE = 37384,
    TAG_FLASH = 37385,
    TAG_FOCALLENGTH = 37386,
    TAG_USERCOMMENT = 37510,
    TAG_EXIF_IMAGEWIDTH = 40962,
    TAG_EXIF_IMAGELENGTH = 40963,
    TAG_INTEROP_OFFSET = 40965,
    TAG_FOCALPLANEXRES = 41486,
    TAG_FOCALPLANEYRES = 41487,
    TAG_FOCALPLANEUNITS = 41488,
};

// Value formats 1..12 and their sizes.
enum : int {
    FMT_BYTE = 1,
    FMT_STRING = 2,
    FMT_USHORT = 3,
    FMT_ULONG = 4,
    FMT_URATIONAL = 5,
    FMT_SBYTE = 6,
    FMT_UNDEFINED = 7,
    FMT_SSHORT = 8,
    FMT_SLONG = 9,
    FMT_SRATIONAL = 10,
    FMT_SINGLE = 11,
    FMT_DOUBLE = 12,
};
constexpr int kBytesPerFormat[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

constexpr int kMaxDepth = 4;
// The bytes of a comment section taken into the record.
constexpr std::size_t kMaxComment = 1000;

bool IsStartOfFrame(int marker) {
    switch (marker) {
        case M_SOF0:
        case M_SOF1:
        case M_SOF2:
        case M_SOF3:
        case M_SOF5:
        case M_SOF6:
        case M_SOF7:
        case M_SOF9:
        case M_SOF10:
        case M_SOF11:
        case M_SOF13:
        case M_SOF14:
        case M_SOF15:
            return true;
        default:
            return false;
    }
}

// At most `room` - 1 characters of a value of `count` bytes, up to its
// first zero byte, as a terminated text.
void CopyText(char* dst, std::size_t room, const BYTE* src, std::uint64_t count) {
    std::size_t n = 0;
    while (n + 1 < room && n < count && src[n] != 0) {
        dst[n] = static_cast<char>(src[n]);
        ++n;
    }
    dst[n] = '\0';
}

// The factor of a resolution unit: per inch for 3..5, else 1.
float UnitFactor(int unit) {
    switch (unit) {
        case 3:
            return 0.3937008f;
        case 4:
            return 0.0393700f;
        case 5:
            return 0.0000394f;
        default:
            return 1.0f;
    }
}

// A float of a value in the file: converted, or 0 when it does not fit.
float ToFloat(double v) {
    if (!std::isfinite(v) || std::fabs(v) > 3.0e38) return 0.0f;
    return static_cast<float>(v);
}

LONG ToLong(double v) {
    if (!std::isfinite(v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<LONG>(v);
}

}  // namespace

using CRasterExifInfo = CRasterJPG::CRasterExifInfo;

CRasterExifInfo::CRasterExifInfo(RasterExifInfo* info)
    : m_exifinfo(info),
      m_bOwnsInfo(info == nullptr),
      m_szLastError(),
      MotorolaOrder(false),
      ExifImageWidth(0),
      SectionsRead(0),
      Sections(),
      m_visited(),
      m_nVisited(0) {
    if (m_exifinfo == nullptr) m_exifinfo = new RasterExifInfo();
}

CRasterExifInfo::~CRasterExifInfo() {
    for (int i = 0; i < SectionsRead; ++i) std::free(Sections[i].Data);
    if (m_bOwnsInfo) delete m_exifinfo;
}

void CRasterExifInfo::SetError(const char* text) {
    std::strncpy(m_szLastError, text, sizeof(m_szLastError) - 1);
    m_szLastError[sizeof(m_szLastError) - 1] = '\0';
}

bool CRasterExifInfo::DecodeExif(std::FILE* hFile, int nReadMode) {
    CRasterIOFile file(hFile);
    return DecodeExif(&file, nReadMode);
}

bool CRasterExifInfo::DecodeExif(CRasterFile* hFile, int nReadMode) {
    if (hFile == nullptr) return false;
    BYTE start[2];
    if (hFile->Read(start, 1, 2) != 2 || start[0] != 0xFF || start[1] != 0xD8) return false;
    bool haveComment = false;
    for (;;) {
        if (SectionsRead >= MAX_SECTIONS) {
            SetError("Too many sections in jpg file");
            return false;
        }
        // Up to six padding bytes, then the marker.
        LONG marker = 0;
        for (int a = 0;; ++a) {
            marker = hFile->GetC();
            if (marker != 0xFF) break;
            if (a >= 6) {
                SetError("too many padding bytes");
                return false;
            }
        }
        BYTE length[2];
        if (marker < 0 || hFile->Read(length, 1, 2) != 2) {
            SetError("Premature end of file?");
            return false;
        }
        const unsigned itemlen = (static_cast<unsigned>(length[0]) << 8) | length[1];
        if (itemlen < 2) {
            SetError("invalid marker");
            return false;
        }
        BYTE* data = static_cast<BYTE*>(std::malloc(itemlen));
        if (data == nullptr) {
            SetError("Could not allocate memory");
            return false;
        }
        Section& section = Sections[SectionsRead++];
        section = Section{data, static_cast<int>(marker), itemlen};
        data[0] = length[0];
        data[1] = length[1];
        if (hFile->Read(data + 2, 1, itemlen - 2) != itemlen - 2) {
            SetError("Premature end of file?");
            return false;
        }
        auto drop = [&] {
            std::free(data);
            section = Section{};
            --SectionsRead;
        };

        if (IsStartOfFrame(marker)) {
            process_SOFn(data, itemlen, marker);
            continue;
        }
        switch (marker) {
            case M_SOS:
                if (nReadMode & EXIF_READ_IMAGE) {
                    // The rest of the stream is the image data.
                    const LONG here = hFile->Tell(), end = hFile->Size();
                    if (here < 0 || end < here ||
                        static_cast<std::uint64_t>(end - here) > GetRasterMaxMemory()) {
                        SetError("could not allocate data for entire image");
                        return false;
                    }
                    const std::size_t size = static_cast<std::size_t>(end - here);
                    BYTE* image = static_cast<BYTE*>(std::malloc(size == 0 ? 1 : size));
                    if (image == nullptr) {
                        SetError("could not allocate data for entire image");
                        return false;
                    }
                    Sections[SectionsRead++] = Section{image, M_IMAGE, static_cast<unsigned>(size)};
                    if (hFile->Read(image, 1, size) != size) {
                        SetError("could not read the rest of the image");
                        return false;
                    }
                }
                return true;
            case M_EOI:
                SetError("No image in jpeg!");
                return false;
            case M_COM:
                if ((nReadMode & EXIF_READ_EXIF) && !haveComment) {
                    haveComment = true;
                    process_COM(data, itemlen);
                } else {
                    drop();
                }
                break;
            case M_JFIF:
                drop();
                break;
            case M_EXIF:
                if ((nReadMode & EXIF_READ_EXIF) && itemlen >= 6 &&
                    std::memcmp(data + 2, "Exif", 4) == 0) {
                    m_exifinfo->IsExif = process_EXIF(data + 2, itemlen - 2);
                } else {
                    drop();
                }
                break;
            default:
                break;
        }
    }
}

bool CRasterExifInfo::EncodeExif(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return EncodeExif(&file);
}

bool CRasterExifInfo::EncodeExif(CRasterFile* hFile) {
    if (hFile == nullptr) return false;
    if (FindSection(M_SOS) == nullptr) {
        SetError("Can't write exif : didn't read all");
        return false;
    }
    static const BYTE kJfifHead[18] = {0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00,
                                       0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};
    bool ok = hFile->PutC(0xFF) && hFile->PutC(0xD8);
    if (ok && Sections[0].Type != M_EXIF && Sections[0].Type != M_JFIF)
        ok = hFile->Write(kJfifHead, 1, sizeof(kJfifHead)) == sizeof(kJfifHead);
    for (int a = 0; ok && a < SectionsRead - 1; ++a)
        ok = hFile->PutC(0xFF) && hFile->PutC(static_cast<BYTE>(Sections[a].Type)) &&
             hFile->Write(Sections[a].Data, 1, Sections[a].Size) == Sections[a].Size;
    const Section& last = Sections[SectionsRead - 1];
    if (ok) ok = hFile->Write(last.Data, 1, last.Size) == last.Size;
    if (!ok) SetError("Can't write exif : write failed");
    return ok;
}

void CRasterExifInfo::DiscardAllButExif() {
    Section exif{}, comment{};
    for (int a = 0; a < SectionsRead; ++a) {
        if (Sections[a].Type == M_EXIF && exif.Data == nullptr)
            exif = Sections[a];
        else if (Sections[a].Type == M_COM && comment.Data == nullptr)
            comment = Sections[a];
        else
            std::free(Sections[a].Data);
        Sections[a] = Section{};
    }
    SectionsRead = 0;
    if (exif.Data != nullptr) Sections[SectionsRead++] = exif;
    if (comment.Data != nullptr) Sections[SectionsRead++] = comment;
}

const CRasterExifInfo::Section* CRasterExifInfo::FindSection(int SectionType) const {
    for (int a = 0; a < SectionsRead - 1; ++a)
        if (Sections[a].Type == SectionType) return &Sections[a];
    return nullptr;
}

void CRasterExifInfo::process_SOFn(const BYTE* Data, std::size_t length, int marker) {
    if (length < 8) return;
    m_exifinfo->Height = Get16m(Data + 3);
    m_exifinfo->Width = Get16m(Data + 5);
    m_exifinfo->IsColor = Data[7] == 3 ? 1 : 0;
    m_exifinfo->Process = marker;
}

void CRasterExifInfo::process_COM(const BYTE* Data, std::size_t length) {
    // Up to 1000 bytes of the text after the section's two length bytes.
    const std::size_t end = std::min<std::size_t>(length, 2 + kMaxComment);
    char* out = m_exifinfo->Comments;
    std::size_t n = 0;
    for (std::size_t a = 2; a < end; ++a) {
        const BYTE ch = Data[a];
        if (ch == '\r' && a + 1 < end && Data[a + 1] == '\n') continue;  // CR of a CR-LF
        const bool printable = (ch >= 0x20 && ch < 0x7F) || ch == '\n' || ch == '\t';
        out[n++] = printable ? static_cast<char>(ch) : '?';
    }
    out[n] = '\0';
}

bool CRasterExifInfo::process_EXIF(const BYTE* CharBuf, std::size_t length) {
    m_exifinfo->FlashUsed = 0;
    m_exifinfo->Comments[0] = '\0';
    ExifImageWidth = 0;
    m_nVisited = 0;
    if (length < 6 || std::memcmp(CharBuf, "Exif\0\0", 6) != 0) {
        SetError("Incorrect Exif header");
        return false;
    }
    const BYTE* tiff = CharBuf + 6;
    const std::size_t tiffLength = length - 6;
    if (tiffLength >= 2 && std::memcmp(tiff, "II", 2) == 0) {
        MotorolaOrder = false;
    } else if (tiffLength >= 2 && std::memcmp(tiff, "MM", 2) == 0) {
        MotorolaOrder = true;
    } else {
        SetError("Invalid Exif alignment marker.");
        return false;
    }
    if (tiffLength < 8 || Get16u(tiff + 2) != 0x2A) {
        SetError("Invalid Exif start (1)");
        return false;
    }
    // The directory right after the header, and the one the header names
    // when that lies beyond.
    if (!ProcessExifDir(tiff, tiffLength, 8, 0)) return false;
    const std::uint64_t first = Get32u(tiff + 4);
    if (first > 8 && !ProcessExifDir(tiff, tiffLength, static_cast<std::size_t>(first), 0))
        return false;
    if (m_exifinfo->FocalplaneXRes != 0)
        m_exifinfo->CCDWidth = ToFloat(static_cast<double>(ExifImageWidth) *
                                       m_exifinfo->FocalplaneUnits / m_exifinfo->FocalplaneXRes);
    return true;
}

bool CRasterExifInfo::ProcessExifDir(const BYTE* base, std::size_t length, std::size_t offset,
                                     int depth) {
    // Each directory once, at most kMaxDepth links below the first.
    if (depth > kMaxDepth || m_nVisited >= static_cast<int>(std::size(m_visited)) ||
        std::find(m_visited, m_visited + m_nVisited, offset) != m_visited + m_nVisited) {
        SetError("Illegal subdirectory link");
        return true;  // the link is left out, what was read stays
    }
    m_visited[m_nVisited++] = offset;
    if (static_cast<std::uint64_t>(offset) + 2 > length) {
        SetError("Illegally sized directory");
        return false;
    }
    const std::uint64_t entries = static_cast<std::uint64_t>(Get16u(base + offset));
    const std::uint64_t dirEnd = offset + 2 + 12 * entries;
    if (dirEnd > length) {
        SetError("Illegally sized directory");
        return false;
    }
    RasterExifInfo& e = *m_exifinfo;
    std::uint64_t thumbOffset = 0, thumbLength = 0;
    for (std::uint64_t de = 0; de < entries; ++de) {
        const BYTE* entry = base + offset + 2 + 12 * de;
        const int tag = Get16u(entry);
        const int format = Get16u(entry + 2);
        const std::uint64_t components = Get32u(entry + 4);
        if (format < 1 || format > 12) {
            SetError("Illegal format code in EXIF dir");
            continue;
        }
        const std::uint64_t byteCount = components * kBytesPerFormat[format];
        if (components == 0) continue;  // no value to read
        const BYTE* value = entry + 8;
        if (byteCount > 4) {
            const std::uint64_t valueOffset = Get32u(entry + 8);
            if (valueOffset + byteCount > length) {
                SetError("Illegal pointer offset value in EXIF.");
                continue;
            }
            value = base + valueOffset;
        }

        switch (tag) {
            case TAG_MAKE:
                CopyText(e.CameraMake, sizeof(e.CameraMake), value, byteCount);
                break;
            case TAG_MODEL:
                CopyText(e.CameraModel, sizeof(e.CameraModel), value, byteCount);
                break;
            case TAG_EXIF_VERSION:
                CopyText(e.Version, sizeof(e.Version), value, byteCount);
                break;
            case TAG_DATETIME_ORIGINAL:
                CopyText(e.DateTime, sizeof(e.DateTime), value, byteCount);
                break;
            case TAG_USERCOMMENT: {
                // Trailing spaces left out; an "ASCII" code is skipped with
                // the zero bytes and spaces after it.
                std::uint64_t n = byteCount;
                while (n > 0 && value[n - 1] == ' ') --n;
                if (n >= 5 && std::memcmp(value, "ASCII", 5) == 0) {
                    for (std::uint64_t a = 5; a < 10 && a < n; ++a)
                        if (value[a] != 0 && value[a] != ' ') {
                            CopyText(e.Comments, 200, value + a, n - a);
                            break;
                        }
                } else {
                    CopyText(e.Comments, 200, value, n);
                }
                break;
            }
            default:
                break;
        }
        if (format == FMT_STRING || format == FMT_UNDEFINED) {
            if (tag != TAG_EXIF_OFFSET && tag != TAG_INTEROP_OFFSET) continue;
        }
        const double v = ConvertAnyFormat(value, format);
        switch (tag) {
            case TAG_ORIENTATION:
                e.Orientation = ToLong(v);
                if (e.Orientation < 1 || e.Orientation > 8) {
                    SetError("Undefined rotation value");
                    e.Orientation = 0;
                }
                break;
            case TAG_XRESOLUTION:
                if (std::isfinite(v) && v >= 1 && v <= 65535) e.Xresolution = ToFloat(v);
                break;
            case TAG_YRESOLUTION:
                if (std::isfinite(v) && v >= 1 && v <= 65535) e.Yresolution = ToFloat(v);
                break;
            case TAG_RESOLUTIONUNIT:
                e.ResolutionUnit = UnitFactor(ToLong(v));
                break;
            case TAG_THUMBNAIL_OFFSET:
                thumbOffset = v > 0 && v < 4294967296.0 ? static_cast<std::uint64_t>(v) : 0;
                break;
            case TAG_THUMBNAIL_LENGTH:
                thumbLength = v > 0 && v < 4294967296.0 ? static_cast<std::uint64_t>(v) : 0;
                break;
            case TAG_EXPOSURETIME:
                e.ExposureTime = ToFloat(v);
                break;
            case TAG_FNUMBER:
                e.ApertureFNumber = ToFloat(v);
                break;
            case TAG_EXPOSURE_PROGRAM:
                e.ExposureProgram = ToLong(v);
                break;
            case TAG_ISO_EQUIVALENT:
                // Small values are a factor of 200 (saturated: the value
                // may be any signed number).
                e.ISOequivalent = ToLong(v);
                if (e.ISOequivalent < 50) e.ISOequivalent = ToLong(e.ISOequivalent * 200.0);
                break;
            case TAG_COMPRESSION_LEVEL:
                e.CompressionLevel = ToLong(v);
                break;
            case TAG_SHUTTERSPEED:
                if (e.ExposureTime == 0) e.ExposureTime = ToFloat(1.0 / std::exp2(v));
                break;
            case TAG_APERTURE:
                if (e.ApertureFNumber == 0) e.ApertureFNumber = ToFloat(std::exp2(v / 2));
                break;
            case TAG_BRIGHTNESS:
                e.Brightness = ToFloat(v);
                break;
            case TAG_EXPOSURE_BIAS:
                e.ExposureBias = ToFloat(v);
                break;
            case TAG_SUBJECT_DISTANCE:
                e.Distance = ToFloat(v);
                break;
            case TAG_METERING_MODE:
                e.MeteringMode = ToLong(v);
                break;
            case TAG_WHITEBALANCE:
                e.Whitebalance = ToLong(v);
                break;
            case TAG_FLASH:
                e.FlashUsed = (ToLong(v) & 7) != 0 ? 1 : 0;
                break;
            case TAG_FOCALLENGTH:
                e.FocalLength = ToFloat(v);
                break;
            case TAG_EXIF_IMAGEWIDTH:
            case TAG_EXIF_IMAGELENGTH:
                ExifImageWidth = std::max(ExifImageWidth, ToLong(v));
                break;
            case TAG_FOCALPLANEXRES:
                e.FocalplaneXRes = ToFloat(v);
                break;
            case TAG_FOCALPLANEYRES:
                e.FocalplaneYRes = ToFloat(v);
                break;
            case TAG_FOCALPLANEUNITS:
                e.FocalplaneUnits = UnitFactor(ToLong(v));
                break;
            case TAG_EXIF_OFFSET:
            case TAG_INTEROP_OFFSET: {
                const std::uint64_t sub = Get32u(value);
                if (sub >= 9 && sub < length) {
                    if (!ProcessExifDir(base, length, static_cast<std::size_t>(sub), depth + 1))
                        return false;
                } else {
                    SetError("Illegal subdirectory link");
                }
                break;
            }
            default:
                break;
        }
    }
    if (thumbOffset != 0 && thumbLength != 0 && thumbOffset + thumbLength <= length) {
        e.ThumbnailPointer = base + thumbOffset;
        e.ThumbnailSize = static_cast<unsigned>(thumbLength);
    }
    // The first directory's link to the next one: the thumbnail's.
    if (depth == 0 && dirEnd + 4 <= length) {
        const std::uint64_t next = Get32u(base + dirEnd);
        if (next >= 8 && next < length) {
            if (!ProcessExifDir(base, length, static_cast<std::size_t>(next), depth + 1))
                return false;
        }
    }
    return true;
}

double CRasterExifInfo::ConvertAnyFormat(const BYTE* ValuePtr, int Format) const {
    switch (Format) {
        case FMT_SBYTE:
            return static_cast<signed char>(ValuePtr[0]);
        case FMT_BYTE:
            return ValuePtr[0];
        case FMT_USHORT:
            return Get16u(ValuePtr);
        case FMT_ULONG:
            return Get32u(ValuePtr);
        case FMT_URATIONAL:
        case FMT_SRATIONAL: {
            const LONG num = Get32s(ValuePtr), den = Get32s(ValuePtr + 4);
            return den == 0 ? 0.0 : static_cast<double>(num) / den;
        }
        case FMT_SSHORT:
            return static_cast<std::int16_t>(Get16u(ValuePtr));
        case FMT_SLONG:
            return Get32s(ValuePtr);
        case FMT_SINGLE: {
            const DWORD bits = Get32u(ValuePtr);
            float f;
            std::memcpy(&f, &bits, sizeof(f));
            return f;
        }
        case FMT_DOUBLE: {
            const std::uint64_t lo = Get32u(ValuePtr + (MotorolaOrder ? 4 : 0));
            const std::uint64_t hi = Get32u(ValuePtr + (MotorolaOrder ? 0 : 4));
            const std::uint64_t bits = (hi << 32) | lo;
            double d;
            std::memcpy(&d, &bits, sizeof(d));
            return d;
        }
        default:
            return 0;
    }
}

int CRasterExifInfo::Get16m(const BYTE* Short) const { return (Short[0] << 8) | Short[1]; }

int CRasterExifInfo::Get16u(const BYTE* Short) const {
    return MotorolaOrder ? (Short[0] << 8) | Short[1] : (Short[1] << 8) | Short[0];
}

LONG CRasterExifInfo::Get32s(const BYTE* Long) const { return static_cast<LONG>(Get32u(Long)); }

DWORD CRasterExifInfo::Get32u(const BYTE* Long) const {
    if (MotorolaOrder)
        return (static_cast<DWORD>(Long[0]) << 24) | (static_cast<DWORD>(Long[1]) << 16) |
               (static_cast<DWORD>(Long[2]) << 8) | Long[3];
    return (static_cast<DWORD>(Long[3]) << 24) | (static_cast<DWORD>(Long[2]) << 16) |
           (static_cast<DWORD>(Long[1]) << 8) | Long[0];
}
