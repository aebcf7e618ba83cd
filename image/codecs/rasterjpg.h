#pragma once

// JPEG files through libjpeg (the 6b interface, here libjpeg-turbo), with our
// own source, destination and error managers over a CRasterFile, and the
// marker-section reader that pulls EXIF and comment data out of a file and
// can put them in front of a freshly written one.

#include <cstddef>
#include <cstdio>

#include "image/codecs/rastercodecs.h"

struct jpeg_decompress_struct;
struct JpegDecodeWork;
struct JpegEncodeWork;

// What the EXIF and comment sections of a file say.
struct RasterExifInfo {
    char Version[5];
    char CameraMake[32];
    char CameraModel[40];
    char DateTime[20];
    LONG Height, Width;
    LONG Orientation;  // 1..8, 0 when unknown
    LONG IsColor;
    LONG Process;  // the start-of-frame marker
    LONG FlashUsed;
    float FocalLength;
    float ExposureTime;
    float ApertureFNumber;
    float Distance;
    float CCDWidth;
    float ExposureBias;
    LONG Whitebalance;
    LONG MeteringMode;
    LONG ExposureProgram;
    LONG ISOequivalent;
    LONG CompressionLevel;
    float FocalplaneXRes;
    float FocalplaneYRes;
    float FocalplaneUnits;
    float Xresolution;
    float Yresolution;
    float ResolutionUnit;
    float Brightness;
    char Comments[1001];           // up to 1000 bytes of text and their end
    const BYTE* ThumbnailPointer;  // inside the section data of the reader
    unsigned ThumbnailSize;
    bool IsExif;
};

class CRasterJPG : public CRasterCodec {
public:
    // The marker sections of a JPEG file, read into C heap blocks.
    class CRasterExifInfo {
    public:
        // Over the caller's record, or one of its own when null.
        explicit CRasterExifInfo(RasterExifInfo* info = nullptr);
        ~CRasterExifInfo();
        CRasterExifInfo(const CRasterExifInfo&) = delete;
        CRasterExifInfo& operator=(const CRasterExifInfo&) = delete;

        enum : int { EXIF_READ_EXIF = 0x01, EXIF_READ_IMAGE = 0x02, EXIF_READ_ALL = 0x03 };

        // Reads the sections up to the scan (with EXIF_READ_IMAGE: and the
        // rest of the stream as the image data).
        bool DecodeExif(CRasterFile* hFile, int nReadMode = EXIF_READ_EXIF);
        bool DecodeExif(std::FILE* hFile, int nReadMode = EXIF_READ_EXIF);
        // Writes the start marker, a JFIF header when the first section is
        // no application header, every section and the image data.
        bool EncodeExif(CRasterFile* hFile);
        bool EncodeExif(std::FILE* hFile);
        // Keeps only the first EXIF and the first comment section.
        void DiscardAllButExif();

        struct Section {
            BYTE* Data;  // begins with the two length bytes
            int Type;
            unsigned Size;
        };
        // The first section of the marker among all but the last, or null.
        const Section* FindSection(int SectionType) const;

        const char* GetLastError() const { return m_szLastError; }
        int GetSectionCount() const { return SectionsRead; }
        const RasterExifInfo* GetInfo() const { return m_exifinfo; }

        static constexpr int MAX_SECTIONS = 20;
        static constexpr int M_IMAGE = 0x123;  // the compressed data after the scan header

    protected:
        bool process_EXIF(const BYTE* CharBuf, std::size_t length);
        // One directory at `offset` within the TIFF data of `length` bytes.
        bool ProcessExifDir(const BYTE* base, std::size_t length, std::size_t offset, int depth);
        void process_COM(const BYTE* Data, std::size_t length);
        void process_SOFn(const BYTE* Data, std::size_t length, int marker);
        double ConvertAnyFormat(const BYTE* ValuePtr, int Format) const;
        int Get16m(const BYTE* Short) const;
        int Get16u(const BYTE* Short) const;
        LONG Get32s(const BYTE* Long) const;
        DWORD Get32u(const BYTE* Long) const;
        void SetError(const char* text);

        RasterExifInfo* m_exifinfo;
        bool m_bOwnsInfo;
        char m_szLastError[256];
        bool MotorolaOrder;
        LONG ExifImageWidth;
        int SectionsRead;
        Section Sections[MAX_SECTIONS + 1];  // one more for the image data
        // Directory offsets already read in this EXIF section.
        std::size_t m_visited[16];
        int m_nVisited;
    };

    CRasterJPG();
    CRasterJPG(const CRasterJPG& src);
    CRasterJPG& operator=(const CRasterJPG& src);
    ~CRasterJPG() override;

    bool Decode(CRasterFile* hFile);
    bool Decode(std::FILE* hFile);
    bool Encode(CRasterFile* hFile);
    bool Encode(std::FILE* hFile);
    // Reads the file's sections into the record; true when it holds EXIF.
    bool DecodeExif(CRasterFile* hFile);
    bool DecodeExif(std::FILE* hFile);

    const RasterExifInfo& GetExifInfo() const { return m_exifinfo; }
    const CRasterExifInfo* GetExif() const { return m_exif; }

    // The codec settings; options 0x40 (smoothing, 0..100) and 0x200 (dither
    // mode: 0 none, 1 ordered, 2 Floyd-Steinberg) read the first two.
    LONG m_nSmoothing = 0;
    LONG m_nDither = 0;
    LONG m_nSetting2 = 0, m_nSetting3 = 0, m_nSetting4 = 0;

    // The first files past this many scans are refused.
    static constexpr int kMaxScans = 1000;

protected:
    // The parts that run under libjpeg's error jump: they hold nothing with
    // a destructor, everything they allocate lives in the work record.
    bool DecodeWith(JpegDecodeWork& w, CRasterFile* hFile);
    bool EncodeWith(JpegEncodeWork& w, CRasterFile* hFile);
    void ApplyResolution(const jpeg_decompress_struct& cinfo, bool exif);

    CRasterExifInfo* m_exif = nullptr;
    RasterExifInfo m_exifinfo;
};
