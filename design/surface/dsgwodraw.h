#pragma once

// Object drawing: one form object drawn onto a page's off-screen surface as
// the controller's LCD will show it. One ink colour per object, dotted lines
// and outlines by dot size and spacing, text through the LCD text printer,
// pictures reduced to the LCD's colour depth through the registered picture
// renderer, definable characters from the project's character set, and
// coloured dotted placeholders for objects with nothing to show yet.

#include <QImage>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "design/model/dsgwobj.h"
#include "design/model/dsgwochoice.h"
#include "platform/dc.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

class CDsgCDinateEVMent;
class CDtrGGJPixel;

// Placeholder colours (dotted one-pixel outlines), 0x00BBGGRR.
inline constexpr COLORREF nDSG_PHCOLOR__WOTEXT = 0x5AC8BE;    // empty LCD text
inline constexpr COLORREF nDSG_PHCOLOR__WOIMAGE = 0xD25078;   // empty or absent picture
inline constexpr COLORREF nDSG_PHCOLOR__WOMENU = 0xD28CD2;    // menu without frame
inline constexpr COLORREF nDSG_PHCOLOR__WODNCHAR = 0xABA578;  // missing character
inline constexpr COLORREF nDSG_PHCOLOR__WOPTEXT = 0xD663F3;   // empty PC text

// Dot size and spacing as drawing takes them from a form (the BASIC keeps
// the stored values).
inline constexpr int nDSG_DRAW_DTSIZE_MAX = 25;
inline constexpr int nDSG_DRAW_DTSPACE_MIN = 1;
inline constexpr int nDSG_DRAW_DTSPACE_MAX = 25;

// What object drawing needs of the page it draws for. The constructor takes
// the colours and the picture depth from the global options and the
// character set from the registered design host; the page sets its edit
// state and choice.
struct CDsgWODrawPage {
    explicit CDsgWODrawPage(const CDsgCDinateEVMent* coordinates);

    // Zoom and conversion between LCD units and the surface; nothing is
    // drawn without it or while it has no zoom.
    const CDsgCDinateEVMent* coords = nullptr;
    // The page's edit state (menu numbers are left out while moving or
    // creating; a chosen picture is outlined only while moving or resizing).
    int woeState = nDSG_WOES__NOT_WOCH;
    // The page's chosen objects; null: none chosen.
    const CDsgWOChoice* choice = nullptr;
    // GOPT.cpcindex: black (0) or white; used by objects with UTP.cswitch on.
    COLORREF inkColor = 0;
    // The page's negative colour; used by objects with UTP.cswitch 0.
    COLORREF negativeColor = 0;
    // GOPT.epusftype: pictures are reduced to 4 (0) or 8 (1) bits per pixel.
    int pictureBpp = 4;
    // The project's character set; null: none (every character missing).
    const CDtrGGJPixel* charset = nullptr;
};

// Draws one object onto the surface.
void DrawWObj(const CDsgWObj& wobj, CDC* dc, const CDsgWODrawPage& page);

// A dotted line: dashes of `dotSize` pixel, gaps of spacing - size pixel (not
// below 0, so a spacing below the size is solid), with a styled pen of the
// width.
void DrawDotLine(CDC* dc, const CPoint& start, const CPoint& end, int dotSize, COLORREF color,
                 int penWidth, int dotSpacing);

// Sides of a rectangle as GetWORectCorner names them.
inline constexpr int nDSG_RSIDE__LEFT = 0;
inline constexpr int nDSG_RSIDE__TOP = 1;
inline constexpr int nDSG_RSIDE__RIGHT = 2;
inline constexpr int nDSG_RSIDE__BOTTOM = 3;
// The two sides that make a corner: 1 (left, top), 2 (top, right), 3 (bottom,
// left), 4 (right, bottom); (-1, -1) for another number.
std::pair<int, int> GetWORectCorner(int corner);

// ---- Pictures ----------------------------------------------------------------

// Turns the stored picture of an image object into what the page shows. The
// image library registers one; without it pictures show as their outline.
class CDsgWOPictureRenderer {
public:
    virtual ~CDsgWOPictureRenderer();
    // Decodes the stored picture (a BMP file's bytes) and reduces it to 4 or
    // 8 bits per pixel; a null image when it cannot.
    virtual QImage DecodeWOPicture(const BYTE* bytes, std::size_t length, int bitsPerPixel) = 0;
    // Draws a decoded picture into the target rectangle of the surface
    // (stretched to it); by default the surface's own stretching.
    virtual void DrawWOPicture(CDC& dc, const QImage& picture, const CRect& target);
    // Reads a picture file of any format the image library knows (the format
    // found from the content), resamples it as the image scaler does to the
    // size `fit` gives for its own size when that differs, and encodes it as
    // the BMP file's bytes image objects store, with its stored size. False
    // when a step fails (always by default).
    virtual bool LoadWOPictureFile(const std::string& path,
                                   const std::function<CSize(const CSize&)>& fit,
                                   std::vector<BYTE>& bmp, CSize& size);
};

// Registers the renderer (not owned; null: none) and forgets the pictures
// decoded so far.
void SetDsgWOPictureRenderer(CDsgWOPictureRenderer* renderer);
CDsgWOPictureRenderer* GetDsgWOPictureRenderer();

// Decoded pictures are kept by content (CRC-32 and length of the stored
// bytes) and depth, so objects rebuilt from the history find theirs again
// and a picture replaced by another of the same size is decoded anew.
// Forgets them all.
void ClearWOPictureCache();
