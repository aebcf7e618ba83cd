#pragma once

// The design page: the window in which one form is shown as an enlarged
// picture of the controller's LCD and edited with the mouse and keyboard.
// Mouse gestures and key presses become edit actions appended to the page's
// own history; the objects on screen are rebuilt from that history. The page
// tells the design main frame what to refresh through the registered host
// (dsglsdhost.h) and keeps the form's working file up to date on a timer.
//
// One page is visible (it registers itself as the engine's current page);
// further pages are made hidden, never shown, to replay and draw forms that
// are not on screen (code generation, saving, tab thumbnails).

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "design/frames/veldrane_export.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsgwobjs.h"
#include "design/model/dsgwochoice.h"
#include "design/surface/pagecoords.h"
#include "platform/geometry.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class CDC;
class CDsgEAction;
class CDsgWOAmending;
class QImage;
class QKeyEvent;
class QMenu;

// Timers of the page.
inline constexpr UINT_PTR nDSG_DSPTIMER__CACHE = 2;     // writes the working file
inline constexpr UINT nDSG_DSPTIMER__CACHE_MS = 1300;   //
inline constexpr UINT_PTR nDSG_DSPTIMER__FOCUS = 2386;  // one shot after a release
inline constexpr UINT nDSG_DSPTIMER__FOCUS_MS = 10;     //

// Commands of the page's context menu "WOEDIT"; the main frame runs them on
// the page through the page's command table (CDsgDSPFrame::GetWOEditCommands).
inline constexpr UINT nDSG_CMD__MRINFLATE = 32778;   // "Maximize"
inline constexpr UINT nDSG_CMD__XCENTER = 32779;     // "Center Horizontally"
inline constexpr UINT nDSG_CMD__YCENTER = 32780;     // "Center Vertically"
inline constexpr UINT nDSG_CMD__XYCENTER = 32781;    // "Center"
inline constexpr UINT nDSG_CMD__ORINFLATE = 32782;   // "Enlarge"
inline constexpr UINT nDSG_CMD__ORDEFLATE = 32783;   // "Shrink"
inline constexpr UINT nDSG_CMD__WODELETE = 32774;    // "Delete\tDel"
inline constexpr UINT nDSG_CMD__UZALTER = 32775;     // "Move Forward"
inline constexpr UINT nDSG_CMD__DZALTER = 32776;     // "Move Backward"
inline constexpr UINT nDSG_CMD__TPALIGN = 32791;     // "Align to Top"
inline constexpr UINT nDSG_CMD__BPALIGN = 32792;     // "Align to Bottom"
inline constexpr UINT nDSG_CMD__LPALIGN = 32793;     // "Align to Left"
inline constexpr UINT nDSG_CMD__RPALIGN = 32794;     // "Align to Right"
inline constexpr UINT nDSG_CMD__XSALIGN = 32795;     // "Same Width"
inline constexpr UINT nDSG_CMD__YSALIGN = 32796;     // "Same Height"
inline constexpr UINT nDSG_CMD__XYSALIGN = 32797;    // "Same Size"
inline constexpr UINT nDSG_CMD__XLGALIGN = 32798;    // "Same Horizontal Gap"
inline constexpr UINT nDSG_CMD__YLGALIGN = 32799;    // "Same Vertical Gap"
inline constexpr UINT nDSG_CMD__TSKLGAIN = 32800;    // "Link Lines"
inline constexpr UINT nDSG_CMD__WWKLGCLEAR = 32801;  // "Unlink Lines"

// Most menus a form can hold (order numbers 0..99).
inline constexpr int nDSG_MAX_WOMENUS = 100;

class CDsgDSPFrame;

// One command of the "WOEDIT" menu: its id and menu text, whether a
// separator follows it, when it can run on the page's choice, and what it
// runs on the page.
struct CDsgWOEditCommand {
    UINT id;
    const char* text;
    bool separatorAfter;
    BOOL (*isEnabled)(const CDsgDSPFrame& page);
    void (*run)(CDsgDSPFrame& page);
};

class VELDRANE_API CDsgDSPFrame : public QWidget,
                                  public CDsgCDinateEVMent,
                                  public CDsgWOChoice,
                                  public CDsgWObjs,
                                  public CDsgWOEState,
                                  public CDsgEActions {
public:
    // A non-zero `visible` makes this the engine's current page (shown in the
    // main frame, named "DSPFrame"); zero makes a hidden page ("VDSPFrame")
    // that leaves the current page alone.
    explicit CDsgDSPFrame(int visible, QWidget* parent = nullptr);
    ~CDsgDSPFrame() override;

    BOOL IsVisiblePage() const { return m_nVisible != 0; }

    // 1 once the current form content has been written to its working file,
    // 0 after every change.
    int GetCached() const { return m_nCached; }
    void SetCached(int cached) { m_nCached = cached; }

    // ---- Drawing -------------------------------------------------------
    // Draws the page off screen and, for a shown page, puts it on the
    // window. 0 when the LCD rectangle cannot be computed. With `lcdBitmap`
    // the picture of the LCD area comes back too (tab thumbnails).
    int RedrawDSPFrame(QImage* lcdBitmap = nullptr);
    // The user grid.
    void DrawUGrid(CDC& dc) const;
    // The cursor for the grip under the pointer.
    void UpdateCursor();
    // The rubber band of a running rectangle choice (edit state 2), in LCD
    // units: from the press to the pointer, normalised.
    CRect GetHCaptureRect() const;

    // ---- Names ---------------------------------------------------------
    // "Not_WOCH", "HCapturing", ...; empty outside 1..11.
    static std::string GetWOEStateName(int state);
    // "XFNone", "XFFigure", "XFText", "XFMenu", "XFImage"; "XF???" else.
    static std::string GetXFaceName(int face);
    // The object kind a palette tool draws; 0 for the selection tool and
    // tools that draw nothing.
    static int GetToolWOKind(int tool);

    // The armed palette tool (0 selection).
    int GetWOETool() const { return m_nWOETool; }
    void SetWOETool(int tool) { m_nWOETool = tool; }
    // The object last clicked or created: the reference of Tab.
    int GetRefWOId() const { return m_nRefWOId; }

    // ---- Keyboard ------------------------------------------------------
    // The page's keys (presses and releases; panels forward theirs). TRUE
    // when the key was handled and must not be passed on.
    BOOL OnKeyEvents(QKeyEvent* event);

    // ---- Commands (all record undoable actions) ------------------------
    // Stretches (several) or moves (one) the chosen objects to a rectangle;
    // with `merge` a run of calls less than 1000 ms apart undoes as one step.
    void AddWOCHObjsDRMoveEAction(int left, int top, int right, int bottom, BOOL merge,
                                  BOOL refresh);
    // Moves the chosen objects by a delta.
    void AddWOCHObjsEDRMoveEAction(int dx, int dy, BOOL refresh);
    // Moves the right (lower) edge of the chosen objects' box by a delta,
    // never closer than one dot to the other edge.
    void AddWOCHObjsJIPRMoveEAction(int dx, int dy, BOOL refresh);
    // "tpalign", "bpalign", "lpalign", "rpalign", "xsalign", "ysalign",
    // "xysalign", "xlgalign", "ylgalign".
    void AddAlignEAction(const std::string& key, BOOL refresh);
    void AddXCenterEAction(BOOL refresh);
    void AddYCenterEAction(BOOL refresh);
    void AddXYCenterEAction(BOOL refresh);
    void AddORInflateEAction(BOOL refresh);
    void AddORDeflateEAction(BOOL refresh);
    void AddMRInflateEAction(BOOL refresh);
    void AddUZAlterEAction(BOOL refresh);
    void AddDZAlterEAction(BOOL refresh);
    // Makes the current line horizontal or vertical through its centre.
    void AddACWOCHObjRAAlterEAction(BOOL refresh);
    void AddWODeleteEAction(BOOL refresh);
    void OnWODeleteWOCHObjs();
    // Records the amendment of the chosen objects.
    void AddWOCHObjsWOAEAction(const CDsgWOAmending& amending, BOOL refresh);
    // Applies it without an action (while a value is typed).
    void WOAmendWOCHObjs(const CDsgWOAmending& amending);
    void WOChooseAllWObjs();
    // Chooses the next object near the reference object; 0 when nothing
    // was chosen.
    int OnTab();
    void OnCopy();
    void OnCut();
    void OnPaste();
    // Joins the nearest ends of two lines.
    void TSKLGain(int firstId, int secondId);
    // Detaches every linked end of the chosen objects.
    void AddWWKLGClearEActionsForAllWOCHObjs(BOOL refresh);
    void UndoEActionAndSRefresh();
    void RedoEActionAndSRefresh();
    // Empties the page; with `cache` the form is written to its working
    // file first (0 when that fails).
    int SPClear(BOOL refresh, BOOL cache);

    // The twenty commands of the "WOEDIT" menu, in menu order: the one table
    // behind the page's menu and the main frame's command handlers.
    static const std::vector<CDsgWOEditCommand>& GetWOEditCommands();
    // The command of an id; null for an id that is no object command.
    static const CDsgWOEditCommand* FindWOEditCommand(UINT id);
    // Whether a "WOEDIT" command can run on the page's choice.
    BOOL IsWOEditCommandEnabled(UINT id) const;
    // Runs a "WOEDIT" command on the page; FALSE when the id is no object
    // command or the command is disabled.
    BOOL RunWOEditCommand(UINT id);
    // The "WOEDIT" menu: its items carry their command ids.
    void FillWOEditMenu(QMenu& menu) const;

    // Rebuilds the objects from the history (up to its current action) and
    // repaints: refresh 1 of the main frame.
    void RebuildWObjs();
    // Asks for refreshes by code (1 rebuild, 2 page, 3 panels, 4 position
    // bar): through the main frame for the current page, on the page itself
    // for a hidden one.
    void SRefresh(int code);

protected:
    // The bases' hooks.
    CDsgWObj* GetWOChoiceWObj(int id) const override;
    void SetWOChoiceEState(int state) override;
    CDsgWOChoice* GetWObjsChoice() const override;
    CRect WObjsToClientRect(const CRect& rect) const override;
    void OnEAAdded(const CDsgEAction& action) override;
    CDsgWOChoice* GetEActionsChoice() const override;
    void OnWONOExchanged() override;

    // Qt events.
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // After an undo or redo: the objects rebuilt from the history, the
    // template taken from a lone chosen object, page, panels and position
    // bar refreshed, the host told.
    void OnHistoryMoved();
    // Moves the chosen objects to their bounds as `change` makes them (it is
    // given the bounds and the LCD rectangle), as one action.
    void AddWOCHBoundsEAction(BOOL refresh,
                              const std::function<void(CRect&, const CRect&)>& change);
    // The mouse, by client pixel and the modifier keys held.
    void OnLButtonDown(const CPoint& client, Qt::KeyboardModifiers keys);
    void OnMouseMove(const CPoint& client, Qt::KeyboardModifiers keys);
    void OnLButtonUp(const CPoint& client, Qt::KeyboardModifiers keys);
    // With objects chosen and no drag: the state the handle under the
    // pointer gives (move, resize or neither).
    void UpdateWOCHHoverState(const CPoint& client);
    void OnRButtonDown();
    void OnRButtonUp(const CPoint& client);
    // A left drag that will see no release (mouse or focus lost) ends as
    // a release where the pointer was last seen.
    void EndLostDrag();
    void OnTimer(UINT_PTR id);

    // The release of a creation drag: the geometry of the created object.
    void EndWOCreation(const CPoint& release, Qt::KeyboardModifiers keys, BOOL wasLNX);
    void EndPRMoving(const CPoint& release);
    void EndEDRMoving(const CPoint& release);

    // Appends one action; FALSE when the list did not take it.
    BOOL AddEAction(std::unique_ptr<CDsgEAction> action);
    // A command's actions undo as one step: every action appended since
    // `firstIndex` but the last carries the join mark, the last none.
    void EndEAGroup(int firstIndex);
    // The index the next appended action takes.
    int NextEAIndex() const { return GetCurrentEAIndex() + 1; }
    // Esc during a left drag: a move, resize or rubber band is given up.
    void CancelLeftDrag();
    // Records the follow moves of the ends linked to moved objects, taken
    // from the objects as the history leaves them (a drag has moved linked
    // ends in memory that no action holds yet); the objects end rebuilt.
    void AddFollowEActions(const CDsgWOIdSet& movedIds);
    // Copies an object's attributes into the new-object template.
    void TakeWOEUTProps(int id);
    // The chosen ids, further ids and the current one.
    CDsgWOIdSet GetWOCHIds() const;
    // The LCD rectangle (0, 0)-(width*10000 - 1, height*10000 - 1).
    static CRect GetLMHugeBounds();
    void ShowMenuLimitMessage();
    void SetPageCursor(Qt::CursorShape shape);
    // Draws the whole page on a surface of the client size.
    int DrawDSPFrame(CDC& dc, QImage* lcdBitmap);
    void DrawWOCSigns(CDC& dc) const;
    void DrawHCaptureRect(CDC& dc) const;
    void DrawLNXRubberLine(CDC& dc) const;

    int m_nVisible;
    int m_nCached = 1;
    int m_nRefWOId = -1;
    // The pointer: last client point and last LCD point of a move.
    CPoint m_ptLastClient{0, 0};
    CPoint m_ptLastMove{0, 0};
    Qt::KeyboardModifiers m_lastKeys;
    // Continuous line drawing: the start of the next line and the line
    // drawn before it.
    CPoint m_ptLNXStart{0, 0};
    int m_nLNXPrevId = -1;
    // Keyboard: the last Shift release, the arrow-key repeat.
    DWORD m_dwShiftUpTick = 0;
    bool m_bShiftUpSeen = false;
    DWORD m_dwArrowTick = 0;
    int m_nArrowCount = 0;
    bool m_bArrowSeen = false;
    // The last merging stretch of each choice kind (0 single, 1 several):
    // its time and the action it appended (index and address), which the
    // next action of the run joins.
    struct MergeRun {
        bool valid = false;
        DWORD tick = 0;
        int index = -1;
        const CDsgEAction* action = nullptr;
    };
    MergeRun m_merge[2];
    bool m_bInLostDrag = false;
};

// The engine's current (visible) page; null while there is none.
CDsgDSPFrame* GetDsgDSPFrame();
