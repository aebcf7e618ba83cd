#pragma once

// The format codecs. Each is an image of its own format, made on the stack
// for one call by the dispatcher: a decode fills it and is then moved into
// the caller's image; an encode borrows the caller's image as a ghost.
//
// Inside a codec a failure is thrown as a CRasterCodecError carrying its
// text; the codec's Decode or Encode catches it (and anything else thrown),
// keeps the text (at most 255 characters) as the last error and returns
// false. Nothing is thrown out of a codec.

#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "image/raster.h"
#include "image/rasterfile.h"

class CRasterCodecError : public std::runtime_error {
public:
    explicit CRasterCodecError(const std::string& text) : std::runtime_error(text) {}
};

// The stop of a size-only decode (escape value -1): width and height are in
// the header copy, there are no pixels.
inline constexpr char kRasterSizeOnlyText[] = "output dimensions returned";

// What every codec shares: the entry that turns a thrown text into the last
// error and a false result.
class CRasterCodec : public CRaster {
protected:
    explicit CRasterCodec(DWORD imagetype) : CRaster(imagetype) {}

    // Runs one decode or encode; a failure is kept as the last error (cut to
    // 255 characters), a failed allocation as `outOfMemory`. Whatever else
    // is thrown (by a stream, say) fails the call too and never leaves it.
    template <class Body>
    bool Run(const char* outOfMemory, Body&& body) {
        try {
            body();
            return true;
        } catch (const std::bad_alloc&) {
            SetLastError(outOfMemory);
        } catch (const std::exception& error) {
            SetLastError(error.what());
        } catch (...) {
            SetLastError("unexpected failure while reading or writing the image");
        }
        return false;
    }
};

class CRasterBMP : public CRasterCodec {
public:
    CRasterBMP() : CRasterCodec(RASTER_FORMAT_BMP) {}
    bool Decode(CRasterFile* hFile);
    bool Encode(CRasterFile* hFile);

protected:
    void DecodeOrThrow(CRasterFile* hFile);
    void DecodeRLE(CRasterFile* hFile, DWORD compression, std::size_t available);
};

class CRasterICO : public CRasterCodec {
public:
    CRasterICO() : CRasterCodec(RASTER_FORMAT_ICO) {}
    bool Decode(CRasterFile* hFile);
    bool Encode(CRasterFile* hFile);

protected:
    void DecodeOrThrow(CRasterFile* hFile);
    void EncodeOrThrow(CRasterFile* hFile);
};
