#pragma once

// Keeps the child windows of a frame or dialog in place when that window is
// resized, and saves and restores their rectangles between runs.
//
// The layout does not compute a layout by itself. Once attached it watches
// the parent's resizes; the owner's own resize handler then calls the
// anchoring operations, one call per child and edge, in the order it chooses.
// Children are known by their control ids (SetDlgCtrlID), which key the
// layout record.
//
// CFxSplitStatic is a bar between two panes that the user drags; the owner
// places the panes against the bar in its resize handler. CFxTransparentStatic
// is a static text whose background is the parent's picture under it.

#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "foundation/revolver.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

class CFxSplitStatic;

// Text forms of the layout record: a rectangle as "left,top,right,bottom" and
// a pair as "a,b", in decimal. Reading splits at ","; missing or unreadable
// numbers read 0.
std::string RectToText(const CRect& rect);
std::string PairToText(int first, int second);
CRect TextToRect(const std::string& text);
CSize TextToPair(const std::string& text);

class CFxWindowsLayout {
public:
    CFxWindowsLayout();
    virtual ~CFxWindowsLayout();
    CFxWindowsLayout(const CFxWindowsLayout&) = delete;
    CFxWindowsLayout& operator=(const CFxWindowsLayout&) = delete;

    // Attaches the layout to `parent`: stores the margins and gaps, starts
    // watching the parent's resizes and makes this the parent's layout. With
    // `prepareChildren`, plain static texts and group-box-like buttons among
    // the direct children stop painting a background of their own.
    void InitLayoutMargins(QWidget* parent, int hMargin, int vMargin, int hGap, int vGap,
                           BOOL prepareChildren);

    // Anchoring. A margin of -1 takes the default member named beside each
    // operation. Every operation does nothing when the child (or the other
    // child) or the parent is missing.

    // Left edge to x = m, right edge kept (horizontal margin).
    void AlignLeft(QWidget* child, int margin = -1);
    // Right edge m from the client's right, left edge kept (horizontal margin).
    void StretchRight(QWidget* child, int margin = -1);
    // Top edge to y = m, bottom edge kept (vertical margin).
    void AlignTop(QWidget* child, int margin = -1);
    // Bottom edge m above the client's bottom, top edge kept (vertical margin).
    void StretchBottom(QWidget* child, int margin = -1);
    // Each child moved vertically so that its bottom lies m above the client
    // bottom (vertical margin). The walk ends at a null entry. FALSE, with a
    // message, past 1000 children (those already walked stay moved).
    BOOL AnchorBottom(int margin, std::initializer_list<QWidget*> children);
    BOOL AnchorBottom(int margin, std::span<QWidget* const> children);
    // The children moved horizontally as one block, so that the last one's
    // right edge lies m from the client right (horizontal margin). The list
    // ends at a null entry. FALSE, with a message and nothing moved, past
    // 1000 children.
    BOOL AnchorRight(int margin, std::initializer_list<QWidget*> children);
    BOOL AnchorRight(int margin, std::span<QWidget* const> children);

    // x = m, size kept (horizontal margin).
    void MoveToLeft(QWidget* child, int margin = -1);
    // Right edge m from the client right, size kept (horizontal margin).
    void MoveToRight(QWidget* child, int margin = -1);
    // Right edge m left of the other's left edge, size kept (horizontal gap).
    void MoveLeftOf(QWidget* child, QWidget* other, int margin = -1);
    // y = m, size kept (vertical margin).
    void MoveToTop(QWidget* child, int margin = -1);
    // Bottom edge m above the client bottom, size kept (horizontal margin).
    void MoveToBottom(QWidget* child, int margin = -1);
    // Top edge m below the other's bottom edge, x and size kept (horizontal gap).
    void MoveBelow(QWidget* child, QWidget* other, int margin = -1);
    // Left edge m right of the other's right edge, right edge kept
    // (horizontal gap).
    void FillRightOf(QWidget* child, QWidget* other, int margin = -1);
    // Width set so that the right edge lies m left of the other's left edge
    // (horizontal gap).
    void StretchToLeftOf(QWidget* child, QWidget* other, int margin = -1);
    // Height set so that the bottom edge lies m above the other's top edge
    // (vertical margin).
    void StretchToAbove(QWidget* child, QWidget* other, int margin = -1);

    // The layout record: the rectangle of every direct child with a control
    // id, keyed by the id in decimal, and "$top_parent_rect", the top-level
    // window's rectangle on the screen.

    // Writes the record as the whole file (missing folders are made). FALSE,
    // nothing written, for an empty path or a parent without children.
    BOOL SaveLayoutFile(const std::string& path);
    // Reads the file and applies it. TRUE at once, changing nothing, while the
    // Shift key is held. FALSE, nothing moved, for a missing, unreadable or
    // empty file.
    BOOL LoadLayoutFile(const std::string& path, BOOL restoreTopWindow);
    // The record's bytes into the buffer; FALSE when the parent has no
    // children.
    BOOL LayoutToStore(CRevolver& buffer) const;
    // Moves the children named in the record (ids without a child and empty
    // values are skipped); with `restoreTopWindow` also the top-level window.
    // FALSE without a parent or for bytes that are not a record.
    BOOL LayoutFromStore(const CRevolver& buffer, BOOL restoreTopWindow);

    // Resizes pass through here, before the owner's handler.
    void OnParentResized();

    QWidget* GetLayoutParent() const { return m_pParent; }
    // The parent's window rectangle on the screen at its last resize.
    const CRect& GetParentRect() const { return m_rcParent; }
    BOOL IsAttached() const { return m_bAttached; }
    const std::vector<CFxSplitStatic*>& GetSplitters() const { return m_arrSplitters; }

protected:
    int m_nHMargin = 0;
    int m_nVMargin = 0;
    int m_nHGap = 0;
    int m_nVGap = 0;  // kept for the owner; no operation reads it
    QPointer<QWidget> m_pParent;
    CRect m_rcParent;
    BOOL m_bAttached = FALSE;
    std::vector<CFxSplitStatic*> m_arrSplitters;  // not owned, in attach order

private:
    friend class CFxSplitStatic;
    BOOL IsUsable(const QWidget* child) const;
};

// A bar between two panes. Vertical bars (orientation 1) move left and right,
// horizontal bars (orientation 0) up and down. A live bar follows the mouse
// while dragged; otherwise a tracking line shows where it will go and the bar
// moves at the button release. The owner's resize handler places the panes
// against the bar; moving the bar resends the parent's size for that.
class CFxSplitStatic : public QLabel {
    Q_OBJECT

public:
    explicit CFxSplitStatic(QWidget* parent = nullptr);
    ~CFxSplitStatic() override;

    // Joins the layout's splitters and starts watching the bar's parent for
    // the mouse. FALSE when the bar has no parent.
    BOOL AttachToLayout(CFxWindowsLayout* layout, int orientation, BOOL live, COLORREF lineColor);
    // The pane on each side and its minimum size. Without a set pane the
    // nearest window on that side is found at every button press.
    void SetFirstPane(QWidget* pane, int minimum);
    void SetSecondPane(QWidget* pane, int minimum);
    // Called by the owner's resize handler: keeps the bar at its distance from
    // the parent's right (bottom) edge, without letting a shrinking parent push
    // it across another bar or the client's left (top) edge.
    void FollowParentSize();

    int GetOrientation() const { return m_nOrientation; }
    BOOL IsLive() const { return m_bLive; }
    QWidget* GetFirstPane() const { return m_hFirstPane; }
    QWidget* GetSecondPane() const { return m_hSecondPane; }
    int GetFirstMinimum() const { return m_nFirstMin; }
    int GetSecondMinimum() const { return m_nSecondMin; }
    int GetRememberedPos() const { return m_nRememberedPos; }
    CFxWindowsLayout* GetLayout() const { return m_pLayout; }

    // The splitter under the mouse, or null.
    static CFxSplitStatic* GetHotSplitter();
    // Whether a bar is being dragged.
    static BOOL IsDragging();
    // The position of the tracking line in the parent's client coordinates
    // (x of a vertical bar, y of a horizontal one), -1 when none is shown.
    static int GetTrackingLinePos();

protected:
    int m_nOrientation = 1;
    BOOL m_bLive = FALSE;
    QPointer<QWidget> m_hFirstPane;
    int m_nFirstMin = 30;
    QPointer<QWidget> m_hSecondPane;
    int m_nSecondMin = 30;
    BOOL m_bFindFirst = TRUE;
    BOOL m_bFindSecond = TRUE;
    int m_nRememberedPos = -1;
    CFxWindowsLayout* m_pLayout = nullptr;

private:
    friend class CFxWindowsLayout;
    friend class LayoutParentHook;
    void FindPanes();
    CPoint ClampDragPoint(CPoint cursor) const;
    void MoveToCursor(CPoint cursor);
};

// A static text whose background is the parent's picture under it, wherever
// the control stands; setting its text repaints it at once.
class CFxTransparentStatic : public QLabel {
    Q_OBJECT

public:
    explicit CFxTransparentStatic(QWidget* parent = nullptr);
    explicit CFxTransparentStatic(const QString& text, QWidget* parent = nullptr);

    void setText(const QString& text);
};
