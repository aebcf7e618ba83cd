#include "design/model/dsgwobj.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

std::string GetWOKindName(int kind) {
    switch (kind) {
        case 0:
            return "WO???";
        case nDSG_WOKIND__WOBOX:
            return "WOBox";
        case nDSG_WOKIND__WOLINE:
            return "WOLine";
        case nDSG_WOKIND__WOTEXT:
            return "WOText";
        case nDSG_WOKIND__WOFBOX:
            return "WOFBox";
        case nDSG_WOKIND__WOELLIPSE:
            return "WOEllipse";
        case nDSG_WOKIND__WOFELLIPSE:
            return "WOFEllipse";
        case nDSG_WOKIND__WOIMAGE:
            return "WOImage";
        case nDSG_WOKIND__WOMENU:
            return "WOMenu";
        case nDSG_WOKIND__WODNCHAR:
            return "WODNChar";
        case nDSG_WOKIND__WOPTEXT:
            return "WOPText";
        case nDSG_WOKIND__WOJCLIP:
            return "WOJClip";
        default:
            return "WOKind_Error";
    }
}

int GetWOKindXFace(int kind) {
    switch (kind) {
        case nDSG_WOKIND__WOBOX:
        case nDSG_WOKIND__WOLINE:
        case nDSG_WOKIND__WOFBOX:
        case nDSG_WOKIND__WOELLIPSE:
        case nDSG_WOKIND__WOFELLIPSE:
            return nDSG_XFACE__FIGURE;
        case nDSG_WOKIND__WOTEXT:
            return nDSG_XFACE__TEXT;
        case nDSG_WOKIND__WOMENU:
            return nDSG_XFACE__MENU;
        case nDSG_WOKIND__WOIMAGE:
            return nDSG_XFACE__IMAGE;
        case nDSG_WOKIND__WODNCHAR:
            return nDSG_XFACE__DNCHAR;
        case nDSG_WOKIND__WOPTEXT:
            return nDSG_XFACE__PTEXT;
        case nDSG_WOKIND__WOJCLIP:
            return nDSG_XFACE__JCLIP;
        default:
            return nDSG_XFACE__NONE;
    }
}

void CDsgWObj::SetTPropsFrom(const CDsgTProps& tprops) {
    GetUTProps().CopyFrom(tprops.GetUTProps());
    GetNTProps().CopyFrom(tprops.GetNTProps());
}

CPoint GetNormalizedCenter(const CRect& rect) {
    // The sums are formed in 64 bits: edges near the ends of the 32-bit range
    // would overflow them.
    const std::int64_t x = (std::int64_t{rect.left} + rect.right) / 2;
    const std::int64_t y = (std::int64_t{rect.top} + rect.bottom) / 2;
    return CPoint(static_cast<LONG>(x), static_cast<LONG>(y));
}

double GetWOCenterDistance(const CDsgWObj& wobj, const CPoint& point) {
    const CPoint center = GetNormalizedCenter(wobj.GetLMHugeRect());
    // Differences and squares in floating point: a 32-bit square of a
    // distance across the LCD overflows.
    const double dx = static_cast<double>(center.x) - point.x;
    const double dy = static_cast<double>(center.y) - point.y;
    return std::sqrt(dx * dx + dy * dy);
}

LONG ClampToLong(std::int64_t value) {
    return static_cast<LONG>(std::clamp<std::int64_t>(value, std::numeric_limits<LONG>::min(),
                                                      std::numeric_limits<LONG>::max()));
}
