#pragma once

// The tool and mode state of the two views, without their windows: the
// zoomed view's (CLmrEGJPEState) and the whole-canvas view's
// (CLmrOGJPEState). The edit records read them: the zoomed view's drawing
// colour, selection, evacuation buffer and placed rectangle.

#include "foundation/revolver.h"
#include "pixel/lumaret_export.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

// Marks an absent point or rectangle in every coordinate.
constexpr LONG LMR_NULL_COORD = 2100023000;

LUMARET_API CRect LmrNullRect();
LUMARET_API bool LmrIsNullRect(const CRect& rect);

// The root of the state classes.
class LUMARET_API CLmrEStateRoot {
public:
    virtual ~CLmrEStateRoot();
};

class LUMARET_API CLmrEGJPEState : public CLmrEStateRoot {
public:
    enum Mode {
        EM_IDLE = 1,
        EM_DRAG = 2,
        EM_PENCIL = 3,
        EM_SELECTED = 6,
        EM_FLOATING = 7,
        EM_MOVE_SELECTED = 8,
        EM_MOVE_FLOATING = 9,
    };
    enum Tool {
        ET_PENCIL = 101,
        ET_LINE = 102,
        ET_BOX = 103,
        ET_ELLIPSE = 104,
        ET_SELECT = 106,
        ET_FBOX = 107,
        ET_FELLIPSE = 108,
    };

    // Registers itself as the engine's zoomed-view state.
    CLmrEGJPEState();
    ~CLmrEGJPEState() override;
    CLmrEGJPEState(const CLmrEGJPEState&) = delete;
    CLmrEGJPEState& operator=(const CLmrEGJPEState&) = delete;

    // A selection exists in modes 6 and 7; a move is under way in 8 and 9.
    bool HasSelection() const { return m_nMode == EM_SELECTED || m_nMode == EM_FLOATING; }
    bool IsMoving() const { return m_nMode == EM_MOVE_SELECTED || m_nMode == EM_MOVE_FLOATING; }
    // In modes 6 and 7 the shown rectangle is square, otherwise the working
    // area is.
    bool IsSquare() const;

    CPoint m_ptDragStart{LMR_NULL_COORD, LMR_NULL_COORD};
    CPoint m_ptDragEnd{LMR_NULL_COORD, LMR_NULL_COORD};
    CRevolver m_revEvacuation;  // canvas colours under the floating selection
    CRect m_rcPlaced = LmrNullRect();
    CRect m_rcShown = LmrNullRect();
    CPoint m_ptGrab;
    int m_nMode = EM_IDLE;
    int m_nTool = ET_PENCIL;
    DWORD m_dwDrawColor = 0x000000;
};

class LUMARET_API CLmrOGJPEState : public CLmrEStateRoot {
public:
    enum { OM_IDLE = 1, OM_AREA_DRAG = 4, OM_TEXT_DRAG = 5 };
    enum { OT_AREA = 100, OT_TEXT = 105 };

    int m_nOMode = OM_IDLE;
    int m_nOTool = OT_AREA;
    CPoint m_ptStartCell;
    CPoint m_ptEndCell;
};

// The zoomed view's state, null while there is none.
LUMARET_API CLmrEGJPEState* LmrEGJPEState();
