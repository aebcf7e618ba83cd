#pragma once

// Drawing with the pixel rules the program's pictures were designed under, on
// a 32-bit QImage with antialiasing off:
// - a line leaves out its end pixel (geometric pens with square or round caps
//   keep it);
// - Rectangle and Ellipse cover left..right-1 and top..bottom-1, the pen
//   inside that box; without a pen the filled area is one pixel smaller;
// - pens and brushes combine with the picture by a raster operation;
// - text is placed by the top of its character cell.
// Pens, brushes and fonts are plain values: selecting one returns the one it
// replaces. Texts are system texts (CP949 bytes); QString overloads take text
// that is already Unicode.

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/platform_export.h"
#include "platform/wintypes.h"

// Pen styles, end caps and the geometric flag.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;        // 18 on, 6 off
constexpr int PS_DOT = 2;         // 3 on, 3 off
constexpr int PS_DASHDOT = 3;     // 9, 6, 3, 6
constexpr int PS_DASHDOTDOT = 4;  // 9, 3, 3, 3, 3, 3
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
constexpr int PS_USERSTYLE = 7;
constexpr int PS_ALTERNATE = 8;  // every other pixel
constexpr int PS_ENDCAP_ROUND = 0x000;
constexpr int PS_ENDCAP_SQUARE = 0x100;
constexpr int PS_ENDCAP_FLAT = 0x200;

// Brush styles and hatches.
constexpr int BS_SOLID = 0;
constexpr int BS_NULL = 1;
constexpr int BS_HATCHED = 2;
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2;
constexpr int HS_BDIAGONAL = 3;
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;

// Raster operations of pens and brushes.
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

// Raster operations of block transfers.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// What GetClipBox finds.
constexpr int NULLREGION = 1;    // nothing can be drawn
constexpr int SIMPLEREGION = 2;  // a rectangle

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Font weights and qualities.
constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_THIN = 100;
constexpr LONG FW_LIGHT = 300;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr LONG FW_HEAVY = 900;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE CLEARTYPE_QUALITY = 5;

// DrawText formats.
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;

constexpr COLORREF CLR_NONE = 0xFFFFFFFF;

// Polygon fill modes.
constexpr int ALTERNATE = 1;  // a pixel inside an odd number of edges
constexpr int WINDING = 2;    // a pixel the outline winds around

struct PLATFORM_API Pen {
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
    bool geometric = false;        // pens made with an end cap and user dashes
    int endCap = PS_ENDCAP_ROUND;  // geometric pens only
    std::vector<DWORD> dashes;     // PS_USERSTYLE: on, off, on, off... in pixels
    // Styled pens: how many pixels into the pattern each line and outline
    // starts (taken modulo the pattern's length), so that dashes can crawl.
    int dashPhase = 0;

    Pen() = default;
    Pen(int penStyle, int penWidth, COLORREF penColor)
        : style(penStyle), width(penWidth), color(penColor) {}
    static Pen Geometric(int penStyle, int penWidth, COLORREF penColor, int cap,
                         std::vector<DWORD> userDashes = {});
    static Pen Null() { return Pen(PS_NULL, 0, 0); }
};

struct Brush {
    int style = BS_SOLID;
    COLORREF color = 0;
    int hatch = HS_HORIZONTAL;

    Brush() = default;
    Brush(COLORREF c) : color(c) {}  // NOLINT: a colour is a solid brush
    static Brush Hatched(int hatchStyle, COLORREF c) { return {BS_HATCHED, c, hatchStyle}; }
    static Brush Null() { return {BS_NULL, 0, 0}; }

private:
    Brush(int s, COLORREF c, int h) : style(s), color(c), hatch(h) {}
};

// A font as the program describes one. height < 0: the character height in
// pixels; height > 0: the cell height (ascent + descent); 0: a default size.
// width: the average character width, 0 for the face's own proportions.
struct FontSpec {
    LONG height = 0;
    LONG width = 0;
    LONG weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    BYTE quality = DEFAULT_QUALITY;
    std::string face;  // system text
};

struct TextMetrics {
    LONG height = 0;  // ascent + descent: the cell height
    LONG ascent = 0;
    LONG descent = 0;
    LONG internalLeading = 0;
    LONG externalLeading = 0;
    LONG aveCharWidth = 0;
    LONG maxCharWidth = 0;
};

// The installed family standing in for a face name of the original system.
PLATFORM_API QString SubstituteFace(const QString& face);
// The Qt font for a font description, at 96 dpi in pixel sizes.
PLATFORM_API QFont MakeFont(const FontSpec& spec);
// A size in points as a character height (negative) at 96 dpi.
PLATFORM_API LONG PointsToHeight(int points);

// The base units of a dialog font that dialog layouts are given in: the
// average width of the letters A-Z and a-z, rounded, and the cell height.
PLATFORM_API CSize GetDialogBaseUnits(const FontSpec& font);
// A rectangle in dialog units to pixels, each edge on its own: x * cx / 4 and
// y * cy / 8 (cx, cy the base units), rounded to the nearest pixel.
PLATFORM_API CRect MapDialogRect(const CRect& rect, CSize baseUnits);

// Colour conversion between COLORREF and the 0xAARRGGBB of QImage.
constexpr QRgb ToQRgb(COLORREF c) {
    return 0xFF000000u | (static_cast<QRgb>(GetRValue(c)) << 16) |
           (static_cast<QRgb>(GetGValue(c)) << 8) | GetBValue(c);
}
constexpr COLORREF FromQRgb(QRgb c) {
    return RGB(static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF),
               static_cast<int>(c & 0xFF));
}

class PLATFORM_API CDC {
public:
    // A memory surface of its own, filled with `background`.
    CDC(int width, int height, COLORREF background = RGB(255, 255, 255));
    // Draws on an image owned by the caller (converted to 32 bits if needed).
    explicit CDC(QImage& target);
    ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    QImage& Image() { return *image_; }
    const QImage& Image() const { return *image_; }
    CSize GetSize() const { return {image_->width(), image_->height()}; }

    Pen SelectPen(const Pen& pen);
    Brush SelectBrush(const Brush& brush);
    FontSpec SelectFont(const FontSpec& font);
    const Pen& GetPen() const { return pen_; }
    const Brush& GetBrush() const { return brush_; }
    const FontSpec& GetFont() const { return fontSpec_; }
    COLORREF SetTextColor(COLORREF c);
    COLORREF SetBkColor(COLORREF c);
    int SetBkMode(int mode);
    int SetROP2(int rop);
    COLORREF GetTextColor() const { return textColor_; }
    COLORREF GetBkColor() const { return bkColor_; }
    int GetBkMode() const { return bkMode_; }
    int GetROP2() const { return rop2_; }

    // Drawing stays inside the clip rectangle. None clears the clip; an empty
    // rectangle, or narrowing to an empty intersection, admits no pixel.
    void SelectClipRect(const CRect* rect);
    void IntersectClipRect(const CRect& rect);
    // The clip as a value, to put back after narrowing it for a while.
    struct ClipState {
        CRect rect;
        bool nothing = false;
    };
    ClipState SaveClip() const { return {clip_, clipNothing_}; }
    void RestoreClip(const ClipState& state);
    // The part of the surface that can be drawn on: NULLREGION (and an empty
    // rectangle) when none, else SIMPLEREGION.
    int GetClipBox(CRect& rect) const;
    // Whether some pixel of the rectangle can be drawn on.
    bool RectVisible(const CRect& rect) const;

    COLORREF GetPixel(int x, int y) const;  // CLR_NONE outside the surface
    COLORREF SetPixel(int x, int y, COLORREF c);

    CPoint MoveTo(int x, int y);
    CPoint MoveTo(CPoint p) { return MoveTo(p.x, p.y); }
    CPoint GetCurrentPosition() const { return position_; }
    void LineTo(int x, int y);
    void LineTo(CPoint p) { LineTo(p.x, p.y); }

    void Rectangle(const CRect& rect);
    void Ellipse(const CRect& rect);
    // The part of the outline Ellipse draws for the same rectangle and pen
    // that runs counter-clockwise from the radial through `start` to the
    // radial through `end` (both from the rectangle's centre). Radials of one
    // direction, or a point at the centre, give the whole outline, pixel for
    // pixel as Ellipse draws it; nothing is filled.
    void Arc(const CRect& rect, CPoint start, CPoint end);
    void FillRect(const CRect& rect, const Brush& brush);
    void FillSolidRect(const CRect& rect, COLORREF c) { FillRect(rect, Brush(c)); }
    void FrameRect(const CRect& rect, const Brush& brush);
    void InvertRect(const CRect& rect);
    // The dotted focus frame; drawing it again removes it.
    void DrawFocusRect(const CRect& rect);
    // Top and left edges in one colour, right and bottom edges in the other.
    void Draw3dRect(const CRect& rect, COLORREF topLeft, COLORREF bottomRight);

    void BitBlt(int x, int y, int width, int height, const CDC& source, int srcX, int srcY,
                DWORD rop);
    // The source rectangle (sx, sy, sw, sh) onto (x, y, w, h), nearest
    // neighbour: destination column x + i takes source column
    // sx + floor(i * sw / w), rows alike; each pixel combined by the raster
    // operation with the brush and the picture. Source pixels outside the
    // source image count as black; non-positive sizes draw nothing.
    void StretchBlt(int x, int y, int w, int h, const QImage& source, int sx, int sy, int sw,
                    int sh, DWORD rop);
    void StretchBlt(int x, int y, int w, int h, const CDC& source, int sx, int sy, int sw, int sh,
                    DWORD rop);
    void DrawImage(int x, int y, const QImage& image);
    void StretchImage(const CRect& target, const QImage& image);
    // Pixels of the transparent colour are left out.
    void DrawTransparentImage(int x, int y, const QImage& image, COLORREF transparent);
    // The dark shapes of the image embossed in the face shades, as a disabled
    // control shows them; pixels of the transparent colour count as empty.
    void DrawDisabledImage(int x, int y, const QImage& image, COLORREF transparent = CLR_NONE);

    TextMetrics GetTextMetrics() const;
    CSize GetTextExtent(const std::string& text) const;
    CSize GetTextExtent(const QString& text) const;
    // The cell top-left of the first character at (x, y).
    void TextOut(int x, int y, const std::string& text);
    void TextOut(int x, int y, const QString& text);
    // Returns the height of the text; with DT_VCENTER or DT_BOTTOM the offset
    // from the rectangle's top to the text's bottom. DT_CALCRECT only sets the
    // rectangle's right and bottom to the text's extent.
    int DrawText(const std::string& text, CRect& rect, UINT format);
    int DrawText(const QString& text, CRect& rect, UINT format);
    // Disabled text: the highlight shade one pixel down and right, then the
    // shadow shade.
    void DrawDisabledText(const std::string& text, const CRect& rect, UINT format);

    // ---- Polygons, curves and the rounded shapes ----
    // A pixel is inside a polygon when its centre is, by the fill mode; the
    // fill comes first, then the pen along the points. None of these uses or
    // moves the current position.
    int SetPolyFillMode(int mode);
    int GetPolyFillMode() const { return polyFillMode_; }
    void Polyline(const CPoint* points, int count);
    void Polygon(const CPoint* points, int count);
    // Several polygons filled as one area: with ALTERNATE overlaps are holes.
    void PolyPolygon(const CPoint* points, const int* counts, int polygons);
    // Cubic curves: the first point, then three points for each curve.
    void PolyBezier(const CPoint* points, int count);
    // The box's corners rounded by ellipses `corner` wide and high.
    void RoundRect(const CRect& rect, CPoint corner);
    // The part of the box's ellipse cut off by the line from the radial
    // through `start` to the radial through `end` (counter-clockwise), and
    // the wedge between those radials.
    void Chord(const CRect& rect, CPoint start, CPoint end);
    void Pie(const CRect& rect, CPoint start, CPoint end);

private:
    void FillPolygons(const std::vector<std::vector<QPointF>>& figures);
    void OutlinePolygon(const std::vector<CPoint>& points, bool closed);
    void FillAndOutline(const std::vector<QPointF>& exact);
    void WidePolyline(const std::vector<CPoint>& points, bool closed);
    void Init();
    void Plot(int x, int y, QRgb pen);
    void Span(int x0, int x1, int y, const Brush& brush, bool useRop);
    void FillArea(const CRect& rect, const Brush& brush, bool useRop);
    void ThinLine(CPoint from, CPoint to, bool lastPixel, std::size_t* styleIndex);
    void DrawTextLine(int x, int y, const QString& text);
    void EllipseOutline(const CRect& outer, const std::function<void(int, int, int)>& run,
                        bool fill = true);
    QRect ClipBox() const;

    std::unique_ptr<QImage> owned_;
    QImage* image_ = nullptr;
    Pen pen_;
    Brush brush_ = Brush(RGB(255, 255, 255));
    FontSpec fontSpec_;
    QFont font_;
    COLORREF textColor_ = 0;
    COLORREF bkColor_ = RGB(255, 255, 255);
    int bkMode_ = OPAQUE;
    int rop2_ = R2_COPYPEN;
    CPoint position_;
    CRect clip_;                // empty: whole surface
    bool clipNothing_ = false;  // the clip was narrowed to nothing
    int polyFillMode_ = ALTERNATE;
};

// Points along the ellipse inscribed in the pixels of `rect`, counter-
// clockwise from the radial through `start` to the radial through `end`
// (the whole ellipse when both lie on one radial), as pixel positions: the
// outline the arc shapes draw with their pen.
PLATFORM_API std::vector<CPoint> EllipseArcPoints(const CRect& rect, CPoint start, CPoint end);
// The points of cubic curves (first point, then three per curve) flattened.
PLATFORM_API std::vector<CPoint> FlattenBezier(const CPoint* points, int count);
