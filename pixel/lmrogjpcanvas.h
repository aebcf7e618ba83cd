#pragma once

// The engine's data as the whole-canvas view holds it, without the window:
// the canvas, its undo buffer, the view's state and the floating buffer (the
// pixel values of a lifted selection or a paste, 32-bit row-major). It builds
// and applies every edit record; the windows reach what an edit does to them
// through the view notice (lmrnotice.h).

#include <string>
#include <vector>

#include "pixel/lmrestate.h"
#include "pixel/lmrogjpixel.h"
#include "pixel/lmryubuffer.h"

class LUMARET_API CLmrOGJPCanvas : public CLmrYUBuffer, public CLmrOGJPixel, public CLmrOGJPEState {
public:
    // Registers itself as the engine's one canvas.
    CLmrOGJPCanvas();
    ~CLmrOGJPCanvas() override;

    // The one routine that carries out a record (or its reverse), then has
    // the views repaint (redraw), the code go stale (codeStale) and always
    // tells the host.
    void GJPEAApply(const CLmrYUStep& step, int undo, int redraw, int codeStale);

    // Builders: each records, appends, has the zoomed frame refresh its
    // buttons, then applies with redraw and the code-stale mark.

    // "SetUJPixel" of the layer pixels within the rectangle (the working area
    // when null) in the zoomed view's drawing colour; 0 and no step when
    // nothing would change. clearLayer empties the PGInfo plane first.
    int GJPEAANPerformByUJPixel(int redraw, int clearLayer, const CRect* rect = nullptr);
    // The transforms, kinds 3 to 9, of the zoomed selection or else the
    // working area. 0 for another kind.
    int GJPEAANPerformByKGJPEdit(int kind);
    // "GJPCGZClear" of an inclusive OSL rectangle.
    void GJPEAANPerformByGJPCGZClear(int left, int top, int right, int bottom);
    // "GJPCGZWalk" of the working area by one cell; 0 (nothing recorded) when
    // the area would leave the canvas.
    int GJPEAANPerformByGJPCGZWalk(int direction);
    // "DShift": a floating-layer move (source given) or paste (source null).
    void DSGJPEAAdd(int apply, int sourceClear, const CRect& source, const CRect& destination,
                    int update, int evacuate);

    // Empties the floating buffer and fills it with the rectangle's colours.
    void DSPGIUpdateFromOSLRect(int left, int top, int right, int bottom);
    // Empties the PGInfo plane and, unless the destination is null, writes
    // the floating buffer over it (row-major) as layer pixels.
    void PGICarveForDShift(const CRect& source, const CRect& destination);

    // The one way a move of the zoomed view's selection that is under way
    // (modes 8 and 9) ends, whatever ends it (the release, a key, a tool,
    // an undo, a walk, a clear, a lost focus...): as the release would, one
    // "DShift" step to the place shown now, or, when it has not left its
    // place, the pixel values put back with no step. The selection then
    // floats (mode 7; 6 when a fresh one never left). 1 when a move ended.
    int GJPSEndMove();
    // Ends the zoomed view's selection, a move first: the floating buffer is
    // refilled from the canvas under the placed rectangle, the layer emptied
    // and the view idle; the pixel values stay where the last step put them.
    void GJPSEnd();
    // The canvas changed within an inclusive rectangle under a live
    // selection without moving it: the floating pixel values are lifted
    // again from the canvas and, where the change also covered what lies
    // under them (coverUnder), that becomes white as the canvas did.
    void GJPSCanvasChanged(const CRect& changed, bool coverUnder);
    const CRevolver& GetDSPGInfo() const { return m_revDSPGInfo; }
    CRevolver& GetDSPGInfo() { return m_revDSPGInfo; }

protected:
    void YUEndSelection() override;
    void YUApply(const CLmrYUStep& step, int undo, int redraw, int codeStale) override;

private:
    void AddAndApply(std::unique_ptr<CLmrYUStep> step);
    void ApplyWalk(const CLmrYUStep& step, int undo);
    void ApplyDShift(const CLmrYUStep& step, int undo);

    CRevolver m_revDSPGInfo;
};

// The engine's one canvas, null while there is none.
LUMARET_API CLmrOGJPCanvas* LmrOGJPCanvas();
