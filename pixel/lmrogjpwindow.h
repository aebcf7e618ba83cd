#pragma once

// The whole-canvas view: all 256 x 208 px at a small scale, where the user
// drags out the working area of the zoomed view over the cells and places
// text. It is the engine's data (canvas, undo buffer, view state and the
// floating buffer), and carries the carving routines that fill the PGInfo
// plane for the zoomed view's tools, the clipboard copy, cut and paste of
// regions and the keyboard shortcuts common to both views.
//
// All painting happens in paintEvent on the user-interface thread. The
// text-frame job on its worker thread only advances the frame's dash phase
// and posts a repaint.

#include <QAbstractScrollArea>
#include <QDialog>
#include <QImage>
#include <memory>
#include <string>

#include "foundation/pixel/fxmlthread.h"
#include "pixel/lmrogjpcanvas.h"
#include "pixel/lumaret_export.h"
#include "platform/geometry.h"

class CDC;
class CLmrCrawlShared;

// The virtual keys of the common shortcuts (letters are their upper-case
// character codes).
constexpr int LMR_VK_ESCAPE = 0x1B;
constexpr int LMR_VK_DELETE = 0x2E;
// Maps a Qt key to its virtual key; 0 for a key without one here.
LUMARET_API int LmrVirtualKey(int qtKey);

// The answers of the "Fit Bitmap" dialog, which asks how a clipboard bitmap
// larger than the working area is fitted into it (the dialog's result).
enum LmrFitAnswer {
    LMR_FIT_CANCEL = 2,
    LMR_FIT_SHRINK_ONLY = 100,
    LMR_FIT_SHRINK_EXTEND = 101,
    LMR_FIT_CUT_OUT = 102,
};

// "Bitmap is too large.  How would you fit it ?" with the four answers. Run
// through ExecDialog, so tests answer it.
class LUMARET_API CDlgFitBitmap : public QDialog {
    Q_OBJECT

public:
    explicit CDlgFitBitmap(QWidget* parent = nullptr);
};

class LUMARET_API CLmrOGJPWindow : public QAbstractScrollArea, public CLmrOGJPCanvas {
    Q_OBJECT

public:
    // Distance of the canvas from the view's left and top edges.
    static constexpr int kOrigin = 40;
    // The text-frame job's period.
    static constexpr int kTextFramePeriodMs = 150;
    // Clipboard bitmaps larger than this many pixels are not pasted.
    static constexpr qint64 kMaxClipboardPixels = 64LL * 1024 * 1024;

    explicit CLmrOGJPWindow(QWidget* parent = nullptr);
    ~CLmrOGJPWindow() override;

    // Repaints the whole view (null) or an OSL rectangle (inclusive).
    void RedrawOGJPWindow(const CRect* oslRect = nullptr);
    // The scroll size: 256 x ojpbreadth + 79 by 208 x ojpbreadth + 79.
    CSize GetNSBSize() const;
    void ResetScrollSize();

    // Fills the floating buffer from the clipboard bitmap, fitted to the
    // working area (asking when it is larger); the block's size in `size`.
    // 1, or 0 when there is no bitmap or the user cancelled.
    int DSPGIUpdateFromClipboard(CSize& size);

    // The carving routines of the PGInfo plane (PGICarveForDShift is the
    // canvas's own).
    void PGICarveSinglePoint(int x, int y, DWORD color, DWORD mark);
    void PGICarveForSUJPixel(int x1, int y1, int x2, int y2, int tool);
    void PGICarveForUJPText(const std::string& text);

    // Clipboard copy and cut of an inclusive OSL rectangle.
    void GJPSCopy(const CRect& rect);
    void GJPSCut(const CRect& rect);

    // The keyboard shortcuts of both views (virtual key, Ctrl held); 1 when
    // handled.
    int PreTranslateOECommonKeyDownMessage(int virtualKey, BOOL ctrl);
    // Drops the zoomed view's selection.
    void _OnESCKeyPressed();

    // Text placement: the text rectangle (inclusive of left/top, as the
    // carving sets it) and the text-frame job.
    const CRect& GetUJPTextRect() const { return m_rcUJPText; }
    void SetUJPTextRect(const CRect& rect) { m_rcUJPText = rect; }
    // One step of the crawling text frame: the phase advances and a repaint
    // is posted to the user-interface thread. Safe to call from any thread.
    void UJPTFDraw();
    int GetTextFramePhase() const;
    int StartTextFrame();
    void StopTextFrame();
    bool IsTextFrameRunning() const;
    CFxMLThreadManager& GetMLThreadManager() { return *m_pThreads; }

    // Client point to OSL point, and an OSL point's view rectangle.
    CPoint ClientToOSL(CPoint client) const;
    CRect OSLToClientRect(int x, int y) const;

    const QImage& GetLastFrame() const { return m_imgFrame; }
    void RenderTo(QImage& image);

signals:
    // The text was dragged: the Add Text dialog carves it again.
    void UJPTextMoved();
    // The drawing colour was toggled: text being placed is carved again.
    void DrawColorChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    void Render(CDC& dc, const QRect& clip);
    void DrawTextFrame(CDC& dc);
    void OnTextFrameTick();
    CPoint ScrollPos() const;
    CPoint CellOf(CPoint client) const;
    void UpdateCursor(CPoint client);

    CRect m_rcUJPText = LmrNullRect();
    CRect m_rcUJPTextMove = LmrNullRect();
    CPoint m_ptUJPTextGrab;
    std::unique_ptr<CFxMLThreadManager> m_pThreads;
    std::shared_ptr<CLmrCrawlShared> m_pCrawl;
    QImage m_imgFrame;
};

// The whole-canvas view, null while there is none.
LUMARET_API CLmrOGJPWindow* LmrOGJPWindow();
