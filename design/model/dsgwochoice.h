#pragma once

// What the user is working on in a design page: the chosen objects with one
// current object (CDsgWOChoice), the page's mouse-editing state with the
// attribute record new objects take (CDsgWOEState), and the grip geometry the
// page, the edit actions and the hit tests share.

#include <QtCore/qnamespace.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "design/frames/veldrane_export.h"
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

class CDsgWObj;

// The chosen objects of a design page: one current id and further ids. The
// ids refer to objects of the page the choice belongs to, which answers
// GetWOChoiceWObj; the choosing operations that take a state flag set the
// page's edit state through SetWOChoiceEState.
class VELDRANE_API CDsgWOChoice {
public:
    CDsgWOChoice();
    virtual ~CDsgWOChoice();

    void ResetWOChoice();
    // The id becomes current when there is none, else a further id. An id
    // already chosen stays as it is.
    void WOChoose(int id);
    // Resets, then chooses every id in the set's order; with `setState` the
    // page's edit state becomes 3.
    void WOChoose(const std::set<int>& ids, BOOL setState);
    // The id becomes the only chosen one; with `setState` the edit state
    // becomes 3.
    void ACWOChoose(int id, BOOL setState);
    // Makes the id current and keeps the rest of the choice: the old current
    // id becomes a further one.
    void EnsureCWOChosen(int id);
    // Drops the chosen ids whose objects no longer exist. When the current
    // one goes, the lowest remaining id becomes current, so that no further
    // ids are left chosen behind a choice that reports itself empty.
    void FixWOChoice();

    BOOL IsWOIdWOChosen(int id) const;
    // -1 when nothing is chosen.
    int GetCWOCHId() const { return m_nCWOCHId; }
    const std::set<int>& GetSWOCHIds() const { return m_setSWOCHIds; }
    // 1 nothing chosen, 2 one object, 3 several.
    int GetWOChoiceState() const;
    int GetWOCHCount() const;

    // The current object; none without one (or when it no longer exists).
    CDsgWObj* GetCWOCHObj() const;
    // Its kind; 0 without one.
    int GetCWOCHKind() const;
    // Adds the further ids and then the current id to the set.
    void GetAllWOCHIds(std::set<int>& ids) const;
    // Replaces the set by the distinct kinds of the chosen objects.
    void GetAllWOCHKinds(std::set<int>& kinds) const;
    // The kind (panel face) that all chosen objects share, objects of kind 0
    // left out; 0 when they differ or nothing is chosen.
    int GetWOChosenCommonWOKind() const;
    int GetWOChosenCommonXFace() const;
    BOOL IsWOKindAnyWOChosen(int kind) const;
    // FALSE when a chosen object has another kind; TRUE otherwise, also when
    // nothing is chosen.
    BOOL IsWOKindOnlyWOChosen(int kind) const;

    // "CWOCHId=5,SWOCHIds=7,9"
    std::string GetWOChoiceExp() const;
    // "[5:7/9]"
    std::string GetWOCHIdListExp() const;

    // The selection marks are drawn by the drawing layer from GetCWOCHId,
    // GetAllWOCHIds and GetWOCSignPoints.

protected:
    // The object of an id on the page; none when there is no such object.
    virtual CDsgWObj* GetWOChoiceWObj(int id) const = 0;
    virtual void SetWOChoiceEState(int state) = 0;

private:
    // The chosen objects that exist, current first.
    std::vector<const CDsgWObj*> GetWOCHObjs() const;
    // The value all chosen objects share by `valueOf`, objects of kind 0 left
    // out; 0 when they differ or none is chosen.
    template <typename ValueOf>
    int GetCommonValue(ValueOf valueOf) const;

    int m_nCWOCHId = -1;
    std::set<int> m_setSWOCHIds;
};

// The mouse-editing state of a design page and the attribute record that new
// objects take.
class VELDRANE_API CDsgWOEState {
public:
    CDsgWOEState();
    virtual ~CDsgWOEState();

    int GetWOEState() const { return m_nWOEState; }
    void SetWOEState(int state) { m_nWOEState = state; }

    CDsgUTProps& GetWOEUTProps() { return m_utprops; }
    const CDsgUTProps& GetWOEUTProps() const { return m_utprops; }

    // The cursor for the pointer: the arrow with nothing chosen, the cross
    // while dragging, else the cursor of the grip under the pointer (the
    // page's hit test finds it); a single chosen definable character is only
    // moved, so only its centre grip shows a sizing cursor.
    Qt::CursorShape GetWOECursor(int gripUnderPointer, BOOL singleDNCharChosen) const;

    // The page's drag bookkeeping: the armed tool, the grip under the press,
    // the press and start points (1/10000 dot) and the object being created.
    int m_nWOETool = 10;
    int m_nWOEGrip = nDSG_GRIP__NONE;
    CPoint m_ptWOEPress;
    CPoint m_ptWOEStart;
    int m_nWOECreatedId = -1;

private:
    int m_nWOEState = nDSG_WOES__NOT_WOCH;
    CDsgUTProps m_utprops;
};
