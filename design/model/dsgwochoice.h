#pragma once

// What the user is working on in a design page: the chosen objects with one
// current object (CDsgWOChoice), the page's mouse-editing state with the
// attribute record new objects take (CDsgWOEState), and the grip geometry the
// page, the edit actions and the hit tests share.

#include <QtCore/qnamespace.h>

#include <array>
#include <set>
#include <string>

#include "design/model/dsgutprops.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

// Grips of a chosen box.
inline constexpr int nDSG_GRIP__LEFTTOP = 1;
inline constexpr int nDSG_GRIP__RIGHTTOP = 2;
inline constexpr int nDSG_GRIP__LEFTBOTTOM = 3;
inline constexpr int nDSG_GRIP__RIGHTBOTTOM = 4;
inline constexpr int nDSG_GRIP__LEFT = 5;
inline constexpr int nDSG_GRIP__RIGHT = 6;
inline constexpr int nDSG_GRIP__TOP = 7;
inline constexpr int nDSG_GRIP__BOTTOM = 8;
inline constexpr int nDSG_GRIP__CENTER = 9;  // the whole box: move
inline constexpr int nDSG_GRIP__NONE = 10;

// Edit states of a design page.
inline constexpr int nDSG_WOES__NOT_WOCH = 1;
inline constexpr int nDSG_WOES__HCAPTURING = 2;
inline constexpr int nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING = 3;
inline constexpr int nDSG_WOES__WOCH_AND_PRMOVABLE_BUT_NOT_PRMOVING = 4;
inline constexpr int nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING = 5;
inline constexpr int nDSG_WOES__WOCREATION_READY = 6;
inline constexpr int nDSG_WOES__WOCH_AND_WOCERDRMOVING = 7;
inline constexpr int nDSG_WOES__WOCH_AND_PRMOVING = 8;
inline constexpr int nDSG_WOES__WOCH_AND_EDRMOVING = 9;
inline constexpr int nDSG_WOES__BROWSING_LNXPOINT = 10;
inline constexpr int nDSG_WOES__BROWSING_LNFPOINT = 11;

// Selection states.
inline constexpr int nDSG_WOCHS__NONE = 1;
inline constexpr int nDSG_WOCHS__SINGLE = 2;
inline constexpr int nDSG_WOCHS__MULTIPLE = 3;

// The creation drag, the grip drag and the whole-object drag.
BOOL IsWOEStateMoving(int state);

// The rectangle after dragging a grip to a point. Grips 1 and 3 move the
// left edge, 2, 4 and every number outside 1 to 8 the right edge; 1 and 2 the
// top edge, 3, 4 and every number outside 1 to 8 the bottom edge; 5 to 8 move
// only their side. With `normalize` the rectangle is normalised first and a
// dragged edge stops at the opposite edge.
CRect GetGripDraggedRect(const CRect& rect, int grip, const CPoint& point, BOOL normalize);

// The positions of grips 1 to 8 around a client rectangle, `offset` units out
// from the box (side grips one unit further), indexed by grip number (index 0
// is not used).
std::array<CPoint, 9> GetWOCSignPoints(const CRect& clientRect, int offset);

// Which grip of a chosen box (in client units) a client point is on: the
// centre 9 first, then 1, 2, 4, 3, 7, 8, 5, 6; 10 for none. A box narrower or
// lower than 12 units is widened to 7 units on either side of its centre; a
// grip is hit within 12 units on both axes.
int HitTestGrip(const CRect& clientRect, const CPoint& point);

// Snaps a moving point to a horizontal, vertical or 45-degree line from a
// fixed point. Mode 3 (a line) keeps the drag horizontal below 22.5 degrees
// and vertical from 67.5 on; every other mode, and a line between those
// angles, gets a square (45-degree) end.
CPoint ConstrainLineEndPoint(const CPoint& fixed, const CPoint& moving, int mode);

// Shapes the two corners of a creation drag (1/10000 dot) in place. With
// Shift the drag becomes symmetric about the start point. Otherwise Ctrl or
// `forceSquare` constrains the second corner by the object kind as the mode,
// and a definable character always measures 16 by 16 dots.
void ShapeCreationRect(CPoint& start, CPoint& moving, BOOL forceSquare, int wokind, BOOL shiftHeld,
                       BOOL ctrlHeld);

// The sizing cursor of a grip: the arrow for none.
Qt::CursorShape LoadWOCSignCursor(int grip);
