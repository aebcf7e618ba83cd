// The image library's entrance for files and buffers: a format number picks
// a codec, a codec object on the stack does the work, and the result moves
// into the caller's image (decode) or the codec borrows the caller's image
// (encode). Format 0 decodes by trying every known format in turn.

#include <QResource>
#include <cstdlib>
#include <cstring>

#include "image/codecs/rastercodecs.h"
#include "image/codecs/rastergif.h"
#include "image/codecs/rasterjpg.h"
#include "image/codecs/rasterpcx.h"
#include "image/codecs/rasterpng.h"
#include "image/codecs/rastertga.h"
#include "image/codecs/rastertif.h"
#include "image/codecs/rasterwmf.h"
#include "platform/atomicfile.h"
#include "platform/inputfile.h"

namespace {

constexpr char kUnknownDecode[] = "Decode: Unknown or wrong format";

}  // namespace

// One codec's decode or encode with the dispatcher's rules.
class CRasterDispatch {
public:
    // Runs the codec; on success the caller's image is replaced. A size-only
    // request that stopped after the header counts as success: the caller
    // gets width and height without pixels.
    template <class T>
    static bool Decode(CRaster& caller, CRasterFile* file, DWORD format, bool keepFailure) {
        T codec;
        codec.CopyInfo(caller);
        FileSettingsToDefaults(codec);
        bool ok = codec.Decode(file);
        if (!ok && codec.info.nEscape == -1 && codec.pDib == nullptr &&
            std::strcmp(codec.GetLastError(), kRasterSizeOnlyText) == 0)
            ok = true;
        if (ok) return caller.Transfer(codec);
        if (keepFailure) {
            caller.SetLastError(codec.GetLastError());
            if (format == RASTER_FORMAT_GIF || format == RASTER_FORMAT_ICO ||
                format == RASTER_FORMAT_TIF)
                caller.info.nNumFrames = codec.info.nNumFrames;
        }
        return false;
    }

    // The caller's options travel into a decode; what a file itself sets (or
    // leaves unset) starts from a new image's defaults, not from the
    // caller's earlier picture.
    static void FileSettingsToDefaults(CRaster& codec) {
        const CRaster::RasterInfo defaults;
        CRaster::RasterInfo& i = codec.info;
        i.nBkgndIndex = defaults.nBkgndIndex;
        i.nBkgndColor = defaults.nBkgndColor;
        i.bAlphaPaletteEnabled = defaults.bAlphaPaletteEnabled;
        i.nNumFrames = defaults.nNumFrames;
        i.dwFrameDelay = defaults.dwFrameDelay;
        i.xOffset = defaults.xOffset;
        i.yOffset = defaults.yOffset;
        i.rSelectionBox = defaults.rSelectionBox;
        codec.SetXDPI(defaults.xDPI);
        codec.SetYDPI(defaults.yDPI);
    }

    template <class T>
    static bool Encode(CRaster& caller, CRasterFile* file) {
        T codec;
        codec.Ghost(&caller);
        const bool ok = codec.Encode(file);
        if (!ok) caller.SetLastError(codec.GetLastError());
        return ok;
    }

    // The decoder of each format this build reads; null for the others.
    using Decoder = bool (*)(CRaster&, CRasterFile*, DWORD, bool);
    static Decoder DecoderOf(DWORD format) {
        switch (format) {
            case RASTER_FORMAT_BMP:
                return &Decode<CRasterBMP>;
            case RASTER_FORMAT_ICO:
                return &Decode<CRasterICO>;
            case RASTER_FORMAT_GIF:
                return &Decode<CRasterGIF>;
            case RASTER_FORMAT_TGA:
                return &Decode<CRasterTGA>;
            case RASTER_FORMAT_PCX:
                return &Decode<CRasterPCX>;
            case RASTER_FORMAT_JPG:
                return &Decode<CRasterJPG>;
            case RASTER_FORMAT_PNG:
                return &Decode<CRasterPNG>;
            case RASTER_FORMAT_TIF:
                return &Decode<CRasterTIF>;
            case RASTER_FORMAT_WMF:
                return &Decode<CRasterWMF>;
            default:
                return nullptr;
        }
    }
    static bool EncodeFormat(CRaster& caller, CRasterFile* file, DWORD format) {
        switch (format) {
            case RASTER_FORMAT_BMP:
                return Encode<CRasterBMP>(caller, file);
            case RASTER_FORMAT_ICO:
                return Encode<CRasterICO>(caller, file);
            case RASTER_FORMAT_GIF:
                return Encode<CRasterGIF>(caller, file);
            case RASTER_FORMAT_TGA:
                return Encode<CRasterTGA>(caller, file);
            case RASTER_FORMAT_PCX:
                return Encode<CRasterPCX>(caller, file);
            case RASTER_FORMAT_JPG:
                return Encode<CRasterJPG>(caller, file);
            case RASTER_FORMAT_PNG:
                return Encode<CRasterPNG>(caller, file);
            case RASTER_FORMAT_TIF:
                return Encode<CRasterTIF>(caller, file);
            default:
                caller.SetLastError("Encode: Unknown format");
                return false;
        }
    }
    // Several pages into one file, by a codec that writes them.
    template <class T>
    static bool EncodePages(CRaster& caller, CRasterFile* file, CRaster** pages, LONG count) {
        T codec;
        const bool ok = codec.Encode(file, pages, count);
        if (!ok) caller.SetLastError(codec.GetLastError());
        return ok;
    }
    static bool EncodePagesFormat(CRaster& caller, CRasterFile* file, CRaster** pages, LONG count,
                                  DWORD format) {
        switch (format) {
            case RASTER_FORMAT_GIF: {
                // Each frame keeps its own colours.
                CRasterGIF codec;
                codec.CopyInfo(caller);
                const bool ok = codec.Encode(file, pages, count, true);
                if (!ok) caller.SetLastError(codec.GetLastError());
                return ok;
            }
            case RASTER_FORMAT_TIF:
                return EncodePages<CRasterTIF>(caller, file, pages, count);
            default:
                caller.SetLastError("Multipage Encode, Unsupported operation for this format");
                return false;
        }
    }
};

// ---- Loading constructors ---------------------------------------------------------------

CRaster::CRaster(const std::string& filename, DWORD imagetype) {
    Startup(imagetype);
    Load(filename, imagetype);
}

CRaster::CRaster(std::FILE* stream, DWORD imagetype) {
    Startup(imagetype);
    Decode(stream, imagetype);
}

CRaster::CRaster(CRasterFile* stream, DWORD imagetype) {
    Startup(imagetype);
    Decode(stream, imagetype);
}

CRaster::CRaster(BYTE* buffer, DWORD size, DWORD imagetype) {
    Startup(imagetype);
    Decode(buffer, size, imagetype);
}

// ---- Decoding ---------------------------------------------------------------------------------

bool CRaster::Decode(CRasterFile* hFile, DWORD imagetype) {
    if (hFile == nullptr) return false;
    if (imagetype == RASTER_FORMAT_UNKNOWN) {
        const LONG pos = hFile->Tell();
        // The order of the probe: BMP, JPEG, ICO, GIF, PNG, TIFF, TGA, PCX,
        // WMF, for the formats this build reads.
        static constexpr DWORD order[] = {RASTER_FORMAT_BMP, RASTER_FORMAT_JPG, RASTER_FORMAT_ICO,
                                          RASTER_FORMAT_GIF, RASTER_FORMAT_PNG, RASTER_FORMAT_TIF,
                                          RASTER_FORMAT_TGA, RASTER_FORMAT_PCX, RASTER_FORMAT_WMF};
        for (const DWORD format : order) {
            const CRasterDispatch::Decoder decode = CRasterDispatch::DecoderOf(format);
            if (decode == nullptr) continue;
            if (decode(*this, hFile, format, false)) return true;
            hFile->Seek(pos, 0);
        }
        SetLastError(kUnknownDecode);
        return false;
    }
    const CRasterDispatch::Decoder decode = CRasterDispatch::DecoderOf(imagetype);
    if (decode == nullptr) {
        SetLastError(kUnknownDecode);
        return false;
    }
    return decode(*this, hFile, imagetype, true);
}

bool CRaster::Decode(std::FILE* hFile, DWORD imagetype) {
    CRasterIOFile file(hFile);
    return Decode(&file, imagetype);
}

bool CRaster::Decode(BYTE* buffer, DWORD size, DWORD imagetype) {
    CRasterMemFile file(buffer, size);
    return Decode(&file, imagetype);
}

bool CRaster::Load(const std::string& filename, DWORD imagetype) {
    // A file that is there but cannot be read (no regular file, too large)
    // says why; a missing one leaves the last error as it was.
    const auto open = [&](CRasterIOFile& file) {
        InputFileError why = InputFileError::None;
        if (file.Open(filename, "rb", &why)) return true;
        if (why != InputFileError::None && why != InputFileError::Missing)
            SetLastError(InputFileErrorText(why));
        return false;
    };
    if (imagetype >= 1 && imagetype < RASTER_FORMATS) {
        CRasterIOFile file;
        if (!open(file)) return false;
        if (Decode(&file, imagetype)) return true;
    }
    // The probe; when it fails too, an asked format's own message stays.
    char asked[sizeof(info.szLastError)];
    std::memcpy(asked, info.szLastError, sizeof(asked));
    CRasterIOFile file;
    if (!open(file)) return false;
    if (Decode(&file, RASTER_FORMAT_UNKNOWN)) return true;
    if (imagetype != RASTER_FORMAT_UNKNOWN) SetLastError(asked);
    return false;
}

bool CRaster::LoadResource(const std::string& resource, DWORD imagetype) {
    const QResource res(QString::fromStdString(resource));
    if (!res.isValid()) {
        SetLastError("Unable to load resource!");
        return false;
    }
    QByteArray bytes = res.uncompressedData();
    if (bytes.isEmpty()) return false;
    return Decode(reinterpret_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()),
                  imagetype);
}

// ---- Encoding -----------------------------------------------------------------------------------

bool CRaster::EncodeSafeCheck(CRasterFile* hFile) {
    if (hFile == nullptr) {
        SetLastError("null file handler");
        return true;
    }
    if (pDib == nullptr) {
        SetLastError("null image!!!");
        return true;
    }
    return false;
}

bool CRaster::Encode(CRasterFile* hFile, DWORD imagetype) {
    if (imagetype == RASTER_FORMAT_WMF) {
        if (hFile != nullptr) SetLastError("Save WMF not supported");
        return false;
    }
    return CRasterDispatch::EncodeFormat(*this, hFile, imagetype);
}

bool CRaster::Encode(std::FILE* hFile, DWORD imagetype) {
    CRasterIOFile file(hFile);
    return Encode(&file, imagetype);
}

bool CRaster::Encode(BYTE*& buffer, LONG& size, DWORD imagetype) {
    if (buffer != nullptr) {
        SetLastError("the buffer must be empty");
        return false;
    }
    CRasterMemFile file;
    if (!file.Open()) return false;
    if (!Encode(&file, imagetype)) return false;
    size = file.Size();
    buffer = file.GetBuffer(true);
    return true;
}

bool CRaster::Encode(CRasterFile* hFile, CRaster** pImages, LONG pagecount, DWORD imagetype) {
    return CRasterDispatch::EncodePagesFormat(*this, hFile, pImages, pagecount, imagetype);
}

bool CRaster::Encode(std::FILE* hFile, CRaster** pImages, LONG pagecount, DWORD imagetype) {
    CRasterIOFile file(hFile);
    return Encode(&file, pImages, pagecount, imagetype);
}

bool CRaster::Save(const std::string& filename, DWORD imagetype) {
    // Encoded in memory first: a failed encode leaves no file behind, and
    // the file is replaced whole.
    BYTE* buffer = nullptr;
    LONG size = 0;
    if (!Encode(buffer, size, imagetype)) return false;
    const bool ok = WriteFileAtomically(filename, buffer, static_cast<std::size_t>(size));
    FreeMemory(buffer);
    return ok;
}

bool CRaster::Encode2RGBA(CRasterFile* hFile) {
    if (EncodeSafeCheck(hFile)) return false;
    for (LONG y = 0; y < head.biHeight; ++y)
        for (LONG x = 0; x < head.biWidth; ++x) {
            const RGBQUAD c = BlindGetPixelColor(x, y, false);
            const BYTE alpha = head.biClrUsed != 0 ? c.rgbReserved
                               : pAlpha != nullptr ? BlindAlphaGet(x, y)
                                                   : BYTE{0};
            if (!hFile->PutC(c.rgbRed) || !hFile->PutC(c.rgbGreen) || !hFile->PutC(c.rgbBlue) ||
                !hFile->PutC(alpha))
                return false;
        }
    return true;
}

bool CRaster::Encode2RGBA(BYTE*& buffer, LONG& size) {
    if (buffer != nullptr) {
        SetLastError("the buffer must be empty");
        return false;
    }
    CRasterMemFile file;
    if (!file.Open()) return false;
    if (!Encode2RGBA(&file)) return false;
    size = file.Size();
    buffer = file.GetBuffer(true);
    return true;
}
