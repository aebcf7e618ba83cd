#pragma once

// The zoomed editing view: the working area of the canvas with every pixel
// drawn as a square, and the drawing tools (pencil, line, box, ellipse, their
// filled forms, and the rectangular selection with moving of the selected
// pixel values). What a tool draws goes first into the PGInfo plane of the
// canvas and is committed as one edit record when the button is released.
//
// All painting happens in paintEvent on the user-interface thread. The
// marquee job on its worker thread only advances the dash phase and posts a
// repaint; it never reads the edit state.

#include <QAbstractScrollArea>
#include <QImage>
#include <memory>

#include "foundation/pixel/fxmlthread.h"
#include "pixel/lmrestate.h"
#include "pixel/lumaret_export.h"
#include "platform/geometry.h"

class CDC;
class CLmrCrawlShared;

class LUMARET_API CLmrEGJPWindow : public QAbstractScrollArea, public CLmrEGJPEState {
    Q_OBJECT

public:
    // Distance of the first pixel square from the view's left and top edges.
    static constexpr int kOrigin = 40;
    // The marquee job's period and the least time between two full repaints
    // it asks for.
    static constexpr int kMarqueePeriodMs = 150;
    static constexpr int kMarqueeRepaintMs = 100;
    // Dash pattern of the marquee: 3 on, 2 off.
    static constexpr int kDashOn = 3;
    static constexpr int kDashOff = 2;

    // Sets the scroll size; the marquee job starts with StartMarquee (the
    // tool frame calls it once the view is shown).
    explicit CLmrEGJPWindow(QWidget* parent = nullptr);
    ~CLmrEGJPWindow() override;

    // Repaints the whole view (null) or an ESL rectangle (inclusive).
    void RedrawEGJPWindow(const CRect* eslRect = nullptr);
    // Scroll size from the options, after a zoom or a new working area.
    void ResetScrollSize();
    CSize GetScrollSize() const;

    // Pencil carving of a client point (see the tool notes in the source).
    void EGJPW_PGICarveByPoint(CPoint client, int firstPoint, int redraw, int clear);

    // Marquee: one step of the crawling dashes (the phase advances by one,
    // modulo 5) and a repaint of the marquee's edges, posted to the
    // user-interface thread. Safe to call from any thread.
    void GJPSMDraw();
    int GetMarqueePhase() const;
    // Starts the marquee job on the view's worker-thread manager; 0 when no
    // job could be started.
    int StartMarquee();
    // Clears the run flag the marquee job loops on; the job ends at once.
    void StopMarquee();
    bool IsMarqueeRunning() const;
    CFxMLThreadManager& GetMLThreadManager() { return *m_pThreads; }

    // Mirrors the whole working area in the canvas, without an edit record.
    void KGJPMXFlip();
    void KGJPMYFlip();

    // Client point to OSL point, and OSL point to the view rectangle of its
    // square (client coordinates).
    CPoint ClientToOSL(CPoint client) const;
    CRect OSLToClientRect(int x, int y) const;
    // Whether an OSL point lies inside the working area.
    static bool IsInWorkingArea(CPoint osl);

    // The picture of the last paint (client size), for tests and diagnostics.
    const QImage& GetLastFrame() const { return m_imgFrame; }
    // Renders the client area into `image` as paintEvent does, without a
    // window system (benchmarks, tests).
    void RenderTo(QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Render(CDC& dc, const QRect& clip);
    void DrawMarquee(CDC& dc);
    void UpdateCursor(CPoint client);
    void InvalidateESL(const CRect& osl);
    void OnMarqueeTick();
    CPoint ScrollPos() const;

    CPoint m_ptLastCarved{LMR_NULL_COORD, LMR_NULL_COORD};
    std::unique_ptr<CFxMLThreadManager> m_pThreads;
    std::shared_ptr<CLmrCrawlShared> m_pCrawl;
    QImage m_imgFrame;
};

// The zoomed view, null while there is none.
LUMARET_API CLmrEGJPWindow* LmrEGJPWindow();
