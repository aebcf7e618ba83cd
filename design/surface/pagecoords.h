#pragma once

// Page coordinates and the user grid. All object geometry is kept in LCD
// units, 10000 per dot: dot column x covers units x*10000 .. x*10000 + 9999.
// The design page shows the LCD as a rectangle of its window, 25 pixels in
// from the nearer pair of edges, and converts between window (client) pixels
// and LCD units with one zoom for both axes.
//
// A page whose LCD size or rectangle is zero or negative has no zoom: its
// conversions then give zero (points, lengths, the zoom) and snapping leaves
// points where they are.

#include "design/model/dsgntprops.h"
#include "platform/geometry.h"

class QWidget;

// LCD units to dots for code and dialogs: signed integer division truncating
// toward zero (-15000 gives -1, 19999 gives 1).
constexpr int LMHugeToDot(int units) { return units / nDSG_LMHUGE_PER_DOT; }

class CDsgCDinateEVMent {
public:
    CDsgCDinateEVMent();
    virtual ~CDsgCDinateEVMent();

    // Recomputes the LCD rectangle from the page window's client size; 0 when
    // the page has no window (or the LCD size is not positive), else 1.
    int CalcLMRect();
    // The LCD rectangle for a client area of the given size.
    int CalcLMRect(const CSize& client);
    // The LCD rectangle in client pixels; all 0 until first computed.
    const CRect& GetLMClientRect() const { return m_rcLM; }

    // Client pixel to LCD units, keeping sub-dot precision.
    CPoint ClientToLMPoint(int x, int y) const;
    // LCD units to client pixel.
    CPoint LMToClientPoint(int x, int y) const;
    // LCD rectangle to client rectangle, corner by corner.
    CRect LMToClientRect(const CRect& lm) const;
    // A length in dots as client pixels.
    double LMToClientLength(double dots) const;
    // Client pixels per dot; 0 when the page has no valid LCD rectangle.
    double GetLMZoom() const;

    // Moves an LCD point onto the user grid when the grid is on; returns the
    // move made (new - old).
    CSize SnapPointToUGrid(CPoint& pt) const;
    // Snaps the first corner; with `keepSize` the second corner moves with
    // it, otherwise it is snapped too.
    void SnapRectToUGrid(CPoint& first, CPoint& second, int keepSize) const;

    // The arrow-key step in LCD units: the grid gap with the grid on, else
    // one dot.
    int GetArrowStep() const;

protected:
    // The page window this coordinate base belongs to; null when the page
    // has none.
    const QWidget* GetPageWindow() const;

    // The LCD rectangle in client pixels.
    CRect m_rcLM;
};
