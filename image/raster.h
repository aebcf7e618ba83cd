#pragma once

// The raster image of the image library: one device-independent bitmap in
// C heap memory, laid out as a Windows packed DIB (the 40-byte header, the
// palette and bottom-up pixel rows padded to 4 bytes), an optional alpha
// plane, an optional selection plane and the per-image settings the format
// codecs read and write.
//
// The in-memory part (this target) links only the platform. Load, Save,
// Decode, Encode and the loading constructors are defined with the codecs
// (image/codecs), which only the design library carries.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/wintypes.h"

class CDC;
class CRasterFile;
class QImage;
class QRegion;

// Format codes: the image's own format and the index of the codec options.
enum : DWORD {
    RASTER_FORMAT_UNKNOWN = 0,
    RASTER_FORMAT_BMP = 1,
    RASTER_FORMAT_GIF = 2,
    RASTER_FORMAT_JPG = 3,
    RASTER_FORMAT_PNG = 4,
    RASTER_FORMAT_ICO = 5,
    RASTER_FORMAT_TIF = 6,
    RASTER_FORMAT_TGA = 7,
    RASTER_FORMAT_PCX = 8,
    RASTER_FORMAT_WMF = 9,
    RASTER_FORMATS = 10,
};

// The largest DIB block (and plane) an image allocates: 256 MiB. Larger
// images are refused with "RASTER_MAX_MEMORY exceeded" before anything is
// allocated. Tests and fuzz targets lower it for the process.
inline constexpr std::size_t RASTER_MAX_MEMORY = std::size_t{256} << 20;
inline constexpr char RASTER_MAX_MEMORY_TEXT[] = "RASTER_MAX_MEMORY exceeded";
void SetRasterMaxMemory(std::size_t bytes);  // 0 restores RASTER_MAX_MEMORY
std::size_t GetRasterMaxMemory();

// What DrawStringEx draws: the text, its font, colours and the box behind
// it. InitTextInfo gives the defaults.
struct tagRasterTextInfo {
    std::string text;  // system text
    struct {
        LONG height = 0;  // below 0: the character height in pixels
        LONG weight = 0;
        bool italic = false;
        bool underline = false;
        BYTE charSet = 0;
        BYTE quality = 0;
        std::string face;  // system text
    } lfont;
    COLORREF fcolor = 0;  // text
    COLORREF bcolor = 0;  // box
    LONG align = 0;       // 0 left, 1 centre, 2 right of x
    float b_opacity = 0;  // of the box over the picture: 0 opaque .. 1 invisible
    bool opaque = false;  // the box is drawn
    LONG b_round = 0;     // corner radius in per cent of the line height
};

// Pixel triples of SetPalette.
struct rgb_color {
    BYTE r = 0;
    BYTE g = 0;
    BYTE b = 0;
};

class CRaster {
public:
    // The per-image values that travel between images (Copy, CopyInfo,
    // Transfer). Only plain values: the blocks an image owns or borrows are
    // kept apart, so a copy never takes another image's pointers.
    struct RasterInfo {
        DWORD dwEffWidth = 0;  // row stride in bytes
        DWORD dwType = 0;      // format code
        char szLastError[256] = {};
        LONG nProgress = 0;
        LONG nEscape = 0;       // non-zero stops long work; -1 asks a decoder for the size only
        LONG nBkgndIndex = -1;  // transparency index, -1 = none
        RGBQUAD nBkgndColor;    // transparency colour
        BYTE nQuality = 90;     // JPEG quality
        BYTE nJpegScale = 0;
        LONG nFrame = 0;
        LONG nNumFrames = 0;
        DWORD dwFrameDelay = 0;
        LONG xDPI = 96;
        LONG yDPI = 96;
        CRect rSelectionBox;
        BYTE nAlphaMax = 255;
        bool bAlphaPaletteEnabled = false;
        bool bEnabled = true;
        LONG xOffset = 0;
        LONG yOffset = 0;
        DWORD dwCodecOpt[RASTER_FORMATS] = {};
        RGBQUAD last_c;  // nearest-colour cache
        BYTE last_c_index = 0;
        bool last_c_isvalid = false;
        DWORD dwFlags = 0;
    };

    explicit CRaster(DWORD imagetype = 0);
    CRaster(LONG width, LONG height, DWORD bpp, DWORD imagetype);
    CRaster(const CRaster& src, bool copypixels = true, bool copyselection = true,
            bool copyalpha = true);
    CRaster& operator=(const CRaster& src);
    // Loading constructors (defined with the codecs).
    CRaster(const std::string& filename, DWORD imagetype);
    CRaster(std::FILE* stream, DWORD imagetype);
    CRaster(CRasterFile* stream, DWORD imagetype);
    CRaster(BYTE* buffer, DWORD size, DWORD imagetype);
    virtual ~CRaster();

    // Frees the blocks, keeping the header copy and the settings; false on a
    // ghost, which frees nothing.
    bool Destroy();
    // A zeroed image; null (and the last error) when it cannot be made.
    void* Create(LONG width, LONG height, DWORD bpp, DWORD imagetype = 0);
    void Copy(const CRaster& src, bool copypixels = true, bool copyselection = true,
              bool copyalpha = true);
    // Takes src's settings only while this image has no pixels.
    void CopyInfo(const CRaster& src);
    // Moves src's image into this one and leaves src empty.
    bool Transfer(CRaster& src);
    // Borrows src's blocks and settings without owning them.
    void Ghost(const CRaster* src);
    // Every pixel byte to one value (see the depths' rules).
    void Clear(BYTE value = 0);

    // ---- Access ------------------------------------------------------------
    bool IsValid() const { return pDib != nullptr; }
    void* GetDIB() const { return pDib; }
    DWORD GetSize() const;
    DWORD GetWidth() const { return static_cast<DWORD>(head.biWidth); }
    DWORD GetHeight() const { return static_cast<DWORD>(head.biHeight); }
    WORD GetBpp() const { return head.biBitCount; }
    DWORD GetNumColors() const { return head.biClrUsed; }
    DWORD GetEffWidth() const { return info.dwEffWidth; }
    DWORD GetType() const { return info.dwType; }
    // Row 0 is the bottom one; null outside 0..height-1 or without pixels.
    BYTE* GetBits(LONG row = 0) const;
    bool IsInside(LONG x, LONG y) const;
    bool IsIndexed() const { return head.biClrUsed != 0; }
    BYTE GetColorType() const;
    const BITMAPINFOHEADER& GetHeader() const { return head; }

    LONG GetXDPI() const { return info.xDPI; }
    LONG GetYDPI() const { return info.yDPI; }
    void SetXDPI(LONG dpi);
    void SetYDPI(LONG dpi);
    BYTE GetJpegQuality() const { return info.nQuality; }
    void SetJpegQuality(BYTE q) { info.nQuality = q; }
    BYTE GetJpegScale() const { return info.nJpegScale; }
    void SetJpegScale(BYTE s) { info.nJpegScale = s; }
    LONG GetProgress() const { return info.nProgress; }
    void SetProgress(LONG p) { info.nProgress = p; }
    LONG GetEscape() const { return info.nEscape; }
    void SetEscape(LONG e) { info.nEscape = e; }
    bool IsEnabled() const { return info.bEnabled; }
    void Enable(bool enable = true) { info.bEnabled = enable; }
    LONG GetFrame() const { return info.nFrame; }
    void SetFrame(LONG frame) { info.nFrame = frame; }
    LONG GetNumFrames() const { return info.nNumFrames; }
    DWORD GetFrameDelay() const { return info.dwFrameDelay; }
    void SetFrameDelay(DWORD d) { info.dwFrameDelay = d; }
    void GetOffset(LONG* x, LONG* y) const;
    void SetOffset(LONG x, LONG y);
    DWORD GetFlags() const { return info.dwFlags; }
    void SetFlags(DWORD flags, bool lockReservedBits = true);
    DWORD GetCodecOption(DWORD imagetype = 0) const;
    bool SetCodecOption(DWORD opt, DWORD imagetype = 0);
    const char* GetLastError() const { return info.szLastError; }

    LONG GetTransIndex() const { return info.nBkgndIndex; }
    void SetTransIndex(LONG idx) { info.nBkgndIndex = idx; }
    RGBQUAD GetTransColor() const;
    void SetTransColor(RGBQUAD rgb);
    bool IsTransparent() const { return info.nBkgndIndex >= 0; }
    bool IsTransparent(LONG x, LONG y) const;

    static const char* GetVersion();
    static float GetVersionNumber();

    // ---- Conversions the codecs use -----------------------------------------
    // Fills this 24-bit image from 16- or 32-bit rows (which may be this
    // image's own buffer); each channel is taken by its mask's position and
    // width, its top bits landing in the top bits of the byte.
    void Bitfield2RGB(const BYTE* src, DWORD redmask, DWORD greenmask, DWORD bluemask, BYTE bpp);
    bool CreateFromArray(const BYTE* src, DWORD width, DWORD height, DWORD bpp, DWORD bytesperline,
                         bool flipvertical);
    bool CreateFromMatrix(BYTE** ppMatrix, DWORD width, DWORD height, DWORD bpp, DWORD bytesperline,
                          bool flipvertical);
    static LONG CompareColors(const void* a, const void* b);
    // Releases a block the library allocated for the caller.
    static void FreeMemory(void* memblock);

    // ---- Pixel values and palette --------------------------------------------
    BYTE GetPixelIndex(LONG x, LONG y) const;
    RGBQUAD GetPixelColor(LONG x, LONG y, bool bGetAlpha = true) const;
    BYTE GetPixelGray(LONG x, LONG y) const;
    void SetPixelIndex(LONG x, LONG y, BYTE i);
    void SetPixelColor(LONG x, LONG y, RGBQUAD c, bool bSetAlpha = false);
    void SetPixelColor(LONG x, LONG y, COLORREF cr);
    void BlendPixelColor(LONG x, LONG y, RGBQUAD c, float blend, bool bSetAlpha = false);
    BYTE* BlindGetPixelPointer(LONG x, LONG y) const;
    void DrawLine(LONG StartX, LONG EndX, LONG StartY, LONG EndY, RGBQUAD color,
                  bool bSetAlpha = false);
    void DrawLine(LONG StartX, LONG EndX, LONG StartY, LONG EndY, COLORREF cr);
    void RGBtoBGR(BYTE* buffer, LONG length) const;
    static RGBQUAD RGBtoRGBQUAD(COLORREF cr);
    static COLORREF RGBQUADtoRGB(RGBQUAD c);

    DWORD GetPaletteSize() const { return head.biClrUsed * 4; }
    RGBQUAD* GetPalette() const;
    RGBQUAD GetPaletteColor(BYTE idx) const;
    bool GetPaletteColor(BYTE idx, BYTE* r, BYTE* g, BYTE* b) const;
    void SetPaletteColor(BYTE idx, BYTE r, BYTE g, BYTE b, BYTE alpha = 0);
    void SetPaletteColor(BYTE idx, RGBQUAD c);
    void SetPaletteColor(BYTE idx, COLORREF cr);
    void SetPalette(const RGBQUAD* pPal, DWORD nColors = 256);
    void SetPalette(DWORD n, const BYTE* r, const BYTE* g = nullptr, const BYTE* b = nullptr);
    void SetPalette(const rgb_color* rgb, DWORD nColors = 256);
    void SetGrayPalette();
    void SetStdPalette();
    void BlendPalette(COLORREF cr, LONG perc);
    bool IsGrayScale() const;
    bool IsSamePalette(const CRaster& img, bool bCheckAlpha = true) const;
    void SwapIndex(BYTE idx1, BYTE idx2);
    BYTE GetNearestIndex(RGBQUAD c);
    DWORD GetClrImportant() const { return head.biClrImportant; }
    void SetClrImportant(DWORD ncolors = 0);

    bool DecreaseBpp(DWORD nbit, bool errordiffusion, const RGBQUAD* ppal = nullptr,
                     DWORD clrimportant = 0);
    bool IncreaseBpp(DWORD nbit);
    bool GrayScale();
    bool Negative();
    bool Dither(LONG method = 0);

    // ---- Alpha plane ---------------------------------------------------------
    bool AlphaCreate();
    void AlphaDelete();
    void AlphaClear();
    void AlphaSet(BYTE level);
    void AlphaSet(LONG x, LONG y, BYTE level);
    bool AlphaSet(const CRaster& from);
    BYTE AlphaGet(LONG x, LONG y) const;
    BYTE* AlphaGetPointer(LONG x = 0, LONG y = 0) const;
    void AlphaInvert();
    bool AlphaCopy(const CRaster& from);
    bool AlphaFlip();
    bool AlphaMirror();
    bool AlphaSplit(CRaster* dest) const;
    bool AlphaPaletteSplit(CRaster* dest) const;
    bool AlphaIsValid() const { return pAlpha != nullptr; }
    BYTE AlphaGetMax() const { return info.nAlphaMax; }
    void AlphaSetMax(BYTE nAlphaMax) { info.nAlphaMax = nAlphaMax; }
    void AlphaPaletteEnable(bool enable = true) { info.bAlphaPaletteEnabled = enable; }
    bool AlphaPaletteIsEnabled() const { return info.bAlphaPaletteEnabled; }
    bool AlphaPaletteIsValid() const;
    void AlphaPaletteClear();
    void AlphaStrip();

    // ---- Selection plane -----------------------------------------------------
    bool SelectionCreate();
    bool SelectionDelete();
    bool SelectionClear();
    bool SelectionIsValid() const { return pSelection != nullptr; }
    void SelectionGetBox(CRect& r) const { r = info.rSelectionBox; }
    bool SelectionIsInside(LONG x, LONG y) const;
    bool SelectionAddRect(CRect r);
    bool SelectionAddEllipse(CRect r);
    bool SelectionAddPolygon(const CPoint* points, LONG npoints);
    bool SelectionAddColor(RGBQUAD c);
    bool SelectionAddPixel(LONG x, LONG y);
    bool SelectionInvert();
    bool SelectionCopy(const CRaster& from);
    bool SelectionSplit(CRaster* dest) const;
    // ORs one rectangle per run of selected pixels into the region (rows in
    // storage order).
    bool SelectionToHRGN(QRegion& region) const;

    // ---- Files (defined with the codecs) ----------------------------------------
    bool Load(const std::string& filename, DWORD imagetype = 0);
    bool Save(const std::string& filename, DWORD imagetype);
    bool Decode(CRasterFile* hFile, DWORD imagetype);
    bool Decode(std::FILE* hFile, DWORD imagetype);
    bool Decode(BYTE* buffer, DWORD size, DWORD imagetype);
    // A compiled-in Qt resource (":/...").
    bool LoadResource(const std::string& resource, DWORD imagetype);
    bool Encode(CRasterFile* hFile, DWORD imagetype);
    bool Encode(std::FILE* hFile, DWORD imagetype);
    // Into a new block for the caller (released with FreeMemory); `buffer`
    // must be null on entry.
    bool Encode(BYTE*& buffer, LONG& size, DWORD imagetype);
    bool Encode(CRasterFile* hFile, CRaster** pImages, LONG pagecount, DWORD imagetype);
    bool Encode(std::FILE* hFile, CRaster** pImages, LONG pagecount, DWORD imagetype);
    bool Encode2RGBA(CRasterFile* hFile);
    bool Encode2RGBA(BYTE*& buffer, LONG& size);
    // True when encoding must not start (no stream, no image).
    bool EncodeSafeCheck(CRasterFile* hFile);

    // ---- Drawing and conversions ----------------------------------------------
    // The image on a device context, with the context's clip and, within the
    // destination, transparency and alpha blended over what is there. cx or
    // cy below 0: the image's own size. 1 when drawn or nothing to do, 0 when
    // refused.
    LONG Draw(CDC* pDC, LONG x = 0, LONG y = 0, LONG cx = -1, LONG cy = -1,
              const CRect* pClipRect = nullptr, bool bSmooth = false);
    LONG Draw(CDC* pDC, const CRect& rect, const CRect* pClipRect = nullptr, bool bSmooth = false);
    // Stretched, leaving out the pixels of the transparent colour.
    LONG Draw2(CDC* pDC, LONG x = 0, LONG y = 0, LONG cx = -1, LONG cy = -1);
    LONG Draw2(CDC* pDC, const CRect& rect);
    // The whole image stretched onto the rectangle by a block raster operation.
    LONG Stretch(CDC* pDC, LONG x, LONG y, LONG cx, LONG cy, DWORD dwRop = 0x00CC0020 /*SRCCOPY*/);
    LONG Stretch(CDC* pDC, const CRect& rect, DWORD dwRop = 0x00CC0020 /*SRCCOPY*/);
    // Copies at natural size covering the rectangle, the last ones cut.
    LONG Tile(CDC* pDC, const CRect* rc);
    // From a bitmap: 1-bit images keep their two colours, 8-bit indexed and
    // grey ones their table, everything else becomes 24 bits (alpha dropped).
    bool CreateFromHBITMAP(const QImage& bitmap);
    // From an icon: its colour image, with the 1-bit mask (set = transparent)
    // as the alpha plane.
    bool CreateFromHICON(const QImage& color, const QImage& mask);
    // From a packed DIB (the clipboard's DIB format): every read is checked
    // against the block's size.
    bool CreateFromHANDLE(const std::vector<BYTE>& block);
    // The image as a bitmap: 1 bit as Mono, 4 and 8 bits as Indexed8 with
    // the palette, 24 bits as RGB32; null without pixels. The device context
    // is not needed and may be null.
    QImage MakeBitmap(CDC* pDC = nullptr) const;
    // A copy of the whole DIB block; empty without pixels.
    std::vector<BYTE> CopyToHandle() const;
    // Text drawn into the pixels with its bottom edge on row y (counted from
    // the top), in the colour (and its alpha byte with bSetAlpha).
    LONG DrawString(CDC* pDC, LONG x, LONG y, const char* text, RGBQUAD color, const char* font,
                    LONG lSize = 0, LONG lWeight = 400, BYTE bItalic = 0, BYTE bUnderline = 0,
                    bool bSetAlpha = false);
    LONG DrawStringEx(CDC* pDC, LONG x, LONG y, tagRasterTextInfo* pTextType,
                      bool bSetAlpha = false);
    void InitTextInfo(tagRasterTextInfo* txt);

    // ---- Resampling and interpolation ----------------------------------------
    // How a point between pixel values is sampled.
    enum InterpolationMethod : std::int32_t {
        InterpNearest = 1,
        InterpBilinear = 2,
        InterpBSpline = 3,
        InterpCubic = 4,
        InterpGeneralizedCubic = 5,
        InterpLanczos = 6,
        InterpBox = 7,
        InterpHermite = 8,
        InterpHamming = 9,
        InterpSinc = 10,
        InterpBlackman = 11,
        InterpBessel = 12,
        InterpGaussian = 13,
        InterpQuadratic = 14,
        InterpMitchell = 15,
        InterpCatrom = 16,
    };
    // What a pixel outside the image yields.
    enum OverflowMethod : std::int32_t {
        OverflowColor = 1,
        OverflowBackground = 2,
        OverflowTransparent = 3,
        OverflowWrap = 4,
        OverflowRepeat = 5,
        OverflowMirror = 6,
    };

    // Resizes to newx x newy, sampling each destination pixel's centre; a
    // shrinking axis averages the source area unless disableAveraging. With
    // a destination this image stays as it is.
    bool Resample2(LONG newx, LONG newy, InterpolationMethod inMethod, OverflowMethod ofMethod,
                   CRaster* iDst = nullptr, bool disableAveraging = false);
    // The older resize: mode 1 nearest, 2 B-spline, anything else a box
    // average when shrinking 24-bit images, else bilinear.
    bool Resample(LONG newx, LONG newy, int mode, CRaster* iDst = nullptr);

    RGBQUAD GetPixelColorInterpolated(float x, float y, InterpolationMethod inMethod,
                                      OverflowMethod ofMethod,
                                      const RGBQUAD* rplColor = nullptr) const;
    // The average over a w x h box centred on (xc, yc).
    RGBQUAD GetAreaColorInterpolated(float xc, float yc, float w, float h,
                                     InterpolationMethod inMethod, OverflowMethod ofMethod,
                                     const RGBQUAD* rplColor = nullptr) const;
    RGBQUAD GetPixelColorWithOverflow(LONG x, LONG y, OverflowMethod ofMethod,
                                      const RGBQUAD* rplColor = nullptr) const;
    // Maps a point outside the image inside by the wrap, repeat and mirror
    // rules; other methods leave it.
    void OverflowCoordinates(LONG& x, LONG& y, OverflowMethod ofMethod) const;
    void OverflowCoordinates(float& x, float& y, OverflowMethod ofMethod) const;
    static void AddAveragingCont(const RGBQUAD& color, float surf, float& rr, float& gg, float& bb,
                                 float& aa);

    // Interpolation kernels: weight by the distance from the sample point.
    static float KernelBSpline(float x);
    static float KernelLinear(float x);
    static float KernelCubic(float x);
    static float KernelGeneralizedCubic(float x, float a);
    static float KernelLanczosSinc(float x, float radius);
    static float KernelBox(float x);
    static float KernelHermite(float x);
    static float KernelHamming(float x);
    static float KernelSinc(float x);
    static float KernelBlackman(float x);
    static float KernelBessel(float x);
    static float KernelGaussian(float x);
    static float KernelQuadratic(float x);
    static float KernelMitchell(float x);
    static float KernelCatrom(float x);
    // The first-order Bessel function J1 and the amplitudes P1, Q1 of its
    // form for large arguments, J1(x) = sqrt(2 / (pi x)) (P1 cos t - Q1 sin t)
    // with t = x - 3 pi / 4. Computed from the standard library's cylindrical
    // Bessel functions.
    static float KernelBessel_J1(float x);
    static float KernelBessel_P1(float x);
    static float KernelBessel_Q1(float x);
    static float KernelBessel_Order1(float x);

    // ---- Geometric transforms ------------------------------------------------------
    // Each works on a new image and moves it into place only when it is
    // complete: with a destination the result goes there and this image stays
    // as it is; without one (or with this image) it replaces this image. On
    // failure nothing changes. Sizes of new images are checked against the
    // memory cap before anything is allocated.
    friend struct RasterTransformWork;  // their shared steps

    // Crop's top and bottom count lines from the image's top; the edges are
    // clamped to the image and an empty span fails.
    bool Crop(LONG left, LONG top, LONG right, LONG bottom, CRaster* iDst = nullptr);
    bool Crop(const CRect& rect, CRaster* iDst = nullptr);
    bool Flip();
    bool Mirror();
    // Counter-clockwise: the pixel (x, y) goes to (height - 1 - y, x).
    bool RotateLeft(CRaster* iDst = nullptr);
    bool RotateRight(CRaster* iDst = nullptr);
    bool Rotate180(CRaster* iDst = nullptr);
    // Nearest-pixel turn by degrees (clockwise as seen); the new image holds
    // the whole turned picture at its top left, one pixel to spare on the
    // right and at the bottom.
    bool Rotate(float angle, CRaster* iDst = nullptr);
    // Interpolated turn by degrees about the centre into the turned corners'
    // box (or the old size with bKeepOriginalSize). With optimizeRightAngles
    // a turn that lands within a quarter pixel of a quarter, half or no turn
    // is done exactly.
    bool Rotate2(float angle, CRaster* iDst = nullptr,
                 InterpolationMethod inMethod = InterpBilinear,
                 OverflowMethod ofMethod = OverflowBackground, const RGBQUAD* replColor = nullptr,
                 bool optimizeRightAngles = true, bool bKeepOriginalSize = false);
    // The rectangle whose top-left corner is (topx, topy) (lines from the top)
    // and whose sides are turned counter-clockwise by `angle` radians, cut
    // out and turned upright.
    bool CropRotatedRectangle(LONG topx, LONG topy, LONG width, LONG height, float angle,
                              CRaster* iDst = nullptr);
    // Margins of the canvas colour (the nearest palette entry for indexed
    // images); negative margins fail.
    bool Expand(LONG left, LONG top, LONG right, LONG bottom, RGBQUAD canvascolor,
                CRaster* iDst = nullptr);
    // To a size at least the present one, centred (the odd pixel to the right
    // and the bottom).
    bool Expand(LONG newx, LONG newy, RGBQUAD canvascolor, CRaster* iDst = nullptr);
    // Shears the selected pixels: (x, y) takes the source point
    // (x + (y - ypivot) * xgain, y + (x - xpivot) * ygain).
    bool Skew(float xgain, float ygain, LONG xpivot = 0, LONG ypivot = 0,
              bool bEnableInterpolation = false);
    // Fitted into newx x newy keeping the aspect ratio (only ever shrunk),
    // centred on the canvas colour.
    bool Thumbnail(LONG newx, LONG newy, RGBQUAD canvascolor, CRaster* iDst = nullptr);
    // Distortions of the selected pixels about the image's centre; 0 and 1 bulge
    // and pinch, 2 twists by `Koeff`, 3 unrolls to polar coordinates.
    bool CircleTransform(LONG type, LONG rmax = 0, float Koeff = 1.0f);
    // Fast integer shrink: every destination pixel is the mean of its sources.
    bool QIShrink(LONG newx, LONG newy, CRaster* iDst = nullptr);

protected:
    friend class CRasterDispatch;  // the codecs' entrance (image/codecs)

    void Startup(DWORD imagetype);
    // Create for a decoder that writes every pixel byte itself: the pixel
    // rows are left as the allocator gives them.
    void* CreateForWriting(LONG width, LONG height, DWORD bpp, DWORD imagetype);
    void* Create(LONG width, LONG height, DWORD bpp, DWORD imagetype, bool zeroPixels);
    void SetLastError(const char* text);
    void SetLastError(const std::string& text) { SetLastError(text.c_str()); }
    // The text of a failed Create for a codec: the cap's when the cap refused
    // the image, else `otherwise`.
    const char* CreateFailureText(const char* otherwise) const {
        return createRefusedByCap ? RASTER_MAX_MEMORY_TEXT : otherwise;
    }

    BYTE BlindGetPixelIndex(LONG x, LONG y) const;
    RGBQUAD BlindGetPixelColor(LONG x, LONG y, bool bGetAlpha = true) const;
    void BlindSetPixelIndex(LONG x, LONG y, BYTE i);
    void BlindSetPixelColor(LONG x, LONG y, RGBQUAD c, bool bSetAlpha = false);
    // One row of 16- or 32-bit pixel values into 24 bits by the masks; at 16
    // bits right to left, so that src may be dst itself.
    static void BitfieldRow(const BYTE* src, BYTE* dst, LONG width, DWORD redmask, DWORD greenmask,
                            DWORD bluemask, BYTE bpp);
    BYTE BlindAlphaGet(LONG x, LONG y) const { return pAlpha[x + y * head.biWidth]; }
    // An indexed image of only the first `colors` palette entries, laid out
    // as a packed DIB of that many: the pixel rows move up behind them.
    void KeepColors(DWORD colors);
    // The three ways Draw fills the visible part of its destination.
    struct DrawTarget;
    void DrawNearest(const DrawTarget& t) const;
    void DrawSmooth(const DrawTarget& t) const;
    void DrawBlended(const DrawTarget& t) const;
    // The steps of Resample2: the plan for the whole picture, a row, and a
    // kernel window inside the image.
    struct ResamplePlan;
    void ResampleRow(CRaster& tmp, LONG y, ResamplePlan& plan) const;
    RGBQUAD KernelWindowSum(const ResamplePlan& plan, LONG x, LONG y) const;
    // Writes the header copy into the DIB block.
    void SyncHeader();
    // A plane of width x height bytes, within the memory cap; null otherwise.
    BYTE* AllocPlane(bool zeroed) const;
    std::size_t PlaneSize() const;
    void SelectionReset();
    // SelectionAddPolygon's work; may throw std::bad_alloc.
    bool AddPolygon(const CPoint* points, LONG npoints);
    static BYTE GrayOf(RGBQUAD c);
    // Blue, green and red equal; the reserved byte does not count.
    static bool SameColor(RGBQUAD a, RGBQUAD b);
    // Row stride of a depth: each row padded to whole 32-bit words.
    static std::uint64_t StrideOf(std::uint64_t width, std::uint64_t bpp);
    // Dots per inch of a resolution of `dots` per unit, the unit being
    // 1 / unitsPerInch inches (a metre: 0.0254, a centimetre: 2.54), to the
    // nearest whole; 0 (which SetXDPI and SetYDPI take as 96) when that
    // whole is one no device has, outside 1 .. 65535, or is not finite.
    static LONG DpiOf(double dots, double unitsPerInch);

    void* pDib = nullptr;             // the DIB block
    BITMAPINFOHEADER head;            // working copy of the header
    RasterInfo info;                  // settings
    BYTE* pImage = nullptr;           // the first pixel row inside the DIB block
    const CRaster* pGhost = nullptr;  // the image this one borrows from
    BYTE* pSelection = nullptr;
    BYTE* pAlpha = nullptr;
    bool createRefusedByCap = false;  // why the last Create failed
};
