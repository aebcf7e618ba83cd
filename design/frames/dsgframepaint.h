#pragma once

// The look the bars, panels and tabs of the design frames share: the system
// face colour with a raised frame of 40 % shades.

#include "platform/geometry.h"
#include "platform/wintypes.h"

class CDC;

// A raised frame of 40 % shades of `face`; with `inner` a second one inside.
void DrawRaisedFrame(CDC& dc, const CRect& rect, COLORREF face, bool inner);
// The whole surface in the face colour, framed without an inner frame.
void DrawFaceBackground(CDC& dc);
