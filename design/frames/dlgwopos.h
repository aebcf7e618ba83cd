#pragma once

// The object-position bar under the design page: the cursor's LCD position,
// the zoom and the rectangle of the chosen objects, with fields that set a
// new rectangle for one object.

#include <cstdint>
#include <string>

#include "platform/geometry.h"
#include "platform/wintypes.h"

inline constexpr int IDD_DSG_WOPOS = 1008;
inline constexpr int IDC_WOPOS_LEFT = 1029;
inline constexpr int IDC_WOPOS_TOP = 1030;
inline constexpr int IDC_WOPOS_RIGHT = 1031;
inline constexpr int IDC_WOPOS_BOTTOM = 1032;
inline constexpr int IDC_WOPOS_WIDTH = 1033;
inline constexpr int IDC_WOPOS_HEIGHT = 1034;
inline constexpr int IDC_WOPOS_CURSOR = 1010;
inline constexpr int IDC_WOPOS_ZOOM = 1043;

// A typed field value: a decimal number held to 64 bits; 0 for text that is
// no number.
std::int64_t ParseWOPosValue(const std::string& text);

// The object's rectangle in dots after one typed field ("left", "right",
// "top", "bottom", "width" or "height") on an LCD of `lcd` dots. Edges are
// held inside the LCD and by the opposite edge; a width or height below 1
// counts as 1. Where the stored corners are in the other order, the edge
// that plays the named role moves. Another key changes nothing.
CRect WOPosApplyKey(const CRect& dots, const std::string& key, std::int64_t value,
                    const CSize& lcd);

// Dots to LCD units (10000 per dot), held at the ends of the coordinate
// range.
CRect WOPosDotsToUnits(const CRect& dots);
