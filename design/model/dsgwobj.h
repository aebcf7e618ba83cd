#pragma once

// A window object of a form: a line, box, ellipse, LCD text, menu, image,
// PC-font text, clip or definable character, made of its attribute record and
// its identity-and-geometry record. Objects are made on the heap and owned by
// the form's object container.

#include <cstdint>
#include <string>

#include "design/model/dsgtprops.h"
#include "platform/geometry.h"

// Object kinds (NTP.wokind). 1 and 9 are not used.
inline constexpr int nDSG_WOKIND__WOBOX = 2;
inline constexpr int nDSG_WOKIND__WOLINE = 3;
inline constexpr int nDSG_WOKIND__WOTEXT = 4;
inline constexpr int nDSG_WOKIND__WOFBOX = 5;
inline constexpr int nDSG_WOKIND__WOELLIPSE = 6;
inline constexpr int nDSG_WOKIND__WOFELLIPSE = 7;
inline constexpr int nDSG_WOKIND__WOIMAGE = 8;
inline constexpr int nDSG_WOKIND__WOMENU = 10;
inline constexpr int nDSG_WOKIND__WODNCHAR = 11;
inline constexpr int nDSG_WOKIND__WOPTEXT = 12;
inline constexpr int nDSG_WOKIND__WOJCLIP = 13;

// Property panel faces: the panel that shows an object kind.
inline constexpr int nDSG_XFACE__NONE = 0;
inline constexpr int nDSG_XFACE__FIGURE = 1;
inline constexpr int nDSG_XFACE__TEXT = 2;
inline constexpr int nDSG_XFACE__MENU = 3;
inline constexpr int nDSG_XFACE__IMAGE = 4;
inline constexpr int nDSG_XFACE__DNCHAR = 5;
inline constexpr int nDSG_XFACE__PTEXT = 6;
inline constexpr int nDSG_XFACE__JCLIP = 7;

// "WO???" for 0, "WOBox", "WOLine", ... for the kinds, "WOKind_Error" for
// every other number.
std::string GetWOKindName(int kind);
// The panel face of a kind; 0 for 0 and every unknown number.
int GetWOKindXFace(int kind);

class CDsgWObj : public CDsgTProps {
public:
    CDsgWObj() = default;

    // Replaces both records by copies of the given pair.
    void SetTPropsFrom(const CDsgTProps& tprops);

    int GetWOFlag() const { return m_nWOFlag; }
    void SetWOFlag(int flag) { m_nWOFlag = flag; }

    // The decoded picture of an image object belongs to the drawing layer,
    // which decodes UTP.obwbmp when it first draws the object; the object
    // itself carries only the encoded bytes.

private:
    int m_nWOFlag = 0;
};

// The distance, in 1/10000 dot, between the centre of the object's normalised
// rectangle and a point.
double GetWOCenterDistance(const CDsgWObj& wobj, const CPoint& point);

// Coordinates come from form records as well as from the mouse, so sums and
// sizes of them are taken in 64 bits and brought back with this, held at the
// ends of the coordinate range rather than wrapped.
LONG ClampToLong(std::int64_t value);
// The centre of a rectangle after normalising it, without overflow for any
// edges.
CPoint GetNormalizedCenter(const CRect& rect);
