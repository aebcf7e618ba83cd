#include "pixel/lmrogjpcanvas.h"

#include <algorithm>

#include "pixel/lmrgoption.h"
#include "pixel/lmrnotice.h"

namespace {

CLmrOGJPCanvas* g_pCanvas = nullptr;

constexpr DWORD kLayerMark = 0x1000000;

// Reads 32-bit little-endian values of a byte block one after another; a
// short block simply runs out.
class BlockReader {
public:
    explicit BlockReader(const CRevolver* block) : m_pBlock(block) {}
    bool Next(DWORD& value) {
        if (!m_pBlock || !ReadDWordAt(*m_pBlock, m_nOffset, value)) return false;
        m_nOffset += 4;
        return true;
    }

private:
    const CRevolver* m_pBlock;
    int m_nOffset = 0;
};

std::string RectText(const CRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

bool Inside(const CRect& r, int x, int y) {
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;  // inclusive
}

}  // namespace

CLmrOGJPCanvas::CLmrOGJPCanvas() { g_pCanvas = this; }

CLmrOGJPCanvas::~CLmrOGJPCanvas() {
    if (g_pCanvas == this) g_pCanvas = nullptr;
}

CLmrOGJPCanvas* LmrOGJPCanvas() { return g_pCanvas; }

void CLmrOGJPCanvas::YUApply(const CLmrYUStep& step, int undo, int redraw, int codeStale) {
    GJPEAApply(step, undo, redraw, codeStale);
}

void CLmrOGJPCanvas::YUEndSelection() { GJPSEnd(); }

int CLmrOGJPCanvas::GJPSEndMove() {
    CLmrEGJPEState* state = LmrEGJPEState();
    if (!state || !state->IsMoving()) return 0;
    const bool fresh = state->m_nMode == CLmrEGJPEState::EM_MOVE_SELECTED;
    const CRect placed = state->m_rcPlaced;
    if (state->m_rcShown == placed) {
        // Not moved after all: the pixel values go back where they were.
        state->m_nMode = fresh ? CLmrEGJPEState::EM_SELECTED : CLmrEGJPEState::EM_FLOATING;
        BlockReader values(&m_revDSPGInfo);
        DWORD v = 0;
        for (int y = placed.top; y <= placed.bottom; ++y)
            for (int x = placed.left; x <= placed.right; ++x)
                if (values.Next(v)) SetJPixelByOSLPoint(x, y, v & 0xFFFFFF);
    } else {
        // The mode first: nothing the step calls back finds a move going on.
        state->m_nMode = CLmrEGJPEState::EM_FLOATING;
        DSGJPEAAdd(1, fresh ? 1 : 0, placed, state->m_rcShown, 1, 1);
        state->m_rcShown = state->m_rcPlaced;
    }
    PGICarveForDShift(LmrNullRect(), state->m_rcPlaced);
    CLmrViewNotice& notice = LmrViewNotice();
    notice.RedrawViews();
    notice.RefreshEBState();
    return 1;
}

void CLmrOGJPCanvas::GJPSEnd() {
    GJPSEndMove();
    CLmrEGJPEState* state = LmrEGJPEState();
    if (!state || !state->HasSelection()) return;
    const CRect r = state->m_rcPlaced;
    DSPGIUpdateFromOSLRect(r.left, r.top, r.right, r.bottom);
    ClearAllPGInfos();
    state->m_nMode = CLmrEGJPEState::EM_IDLE;
    CLmrViewNotice& notice = LmrViewNotice();
    notice.RedrawViews();
    notice.RefreshEBState();
}

void CLmrOGJPCanvas::GJPSCanvasChanged(const CRect& changed, bool coverUnder) {
    CLmrEGJPEState* state = LmrEGJPEState();
    if (!state || !state->HasSelection()) return;
    const CRect r = state->m_rcPlaced;
    DSPGIUpdateFromOSLRect(r.left, r.top, r.right, r.bottom);
    if (!coverUnder) return;
    CRevolver under;
    BlockReader old(&state->m_revEvacuation);
    DWORD v = 0;
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x) {
            if (!old.Next(v)) v = kWhite;
            AppendDWord(under, Inside(changed, x, y) ? kWhite : v);
        }
    state->m_revEvacuation.Assign(under);
}

void CLmrOGJPCanvas::GJPEAApply(const CLmrYUStep& step, int undo, int redraw, int codeStale) {
    const int kind = step.GetKind();
    const int left = step.GetInt(GJPEA_LEFT, 0), top = step.GetInt(GJPEA_TOP, 0);
    const int width = step.GetInt(GJPEA_WIDTH, 0), height = step.GetInt(GJPEA_HEIGHT, 0);
    std::vector<DWORD> xs, ys, colors;
    step.GetDWordArray(GJPEA_XS, xs);
    step.GetDWordArray(GJPEA_YS, ys);
    step.GetDWordArray(GJPEA_COLORS, colors);
    const bool savedComplete = xs.size() == ys.size() && ys.size() == colors.size();

    auto get = [this](int x, int y) { return GetJPixelByOSLPoint(x, y); };
    // Pixel values read outside the canvas (-1) are never written back.
    auto put = [this](int x, int y, int value) {
        if (value >= 0) SetJPixelByOSLPoint(x, y, static_cast<DWORD>(value));
    };
    auto restoreSaved = [&] {
        if (!savedComplete) return;
        for (size_t i = 0; i < xs.size(); ++i)
            SetJPixelByOSLPoint(static_cast<int>(xs[i]), static_cast<int>(ys[i]), colors[i]);
    };
    // Moves every row (dx) or column (dy) of the rectangle by one pixel; the
    // edge left behind becomes white.
    auto crawl = [&](int dx, int dy) {
        std::vector<int> old(static_cast<size_t>(std::max(0, width * height)));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                old[static_cast<size_t>(x + width * y)] = get(left + x, top + y);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int sx = x - dx, sy = y - dy;
                const bool from = sx >= 0 && sx < width && sy >= 0 && sy < height;
                put(left + x, top + y,
                    from ? old[static_cast<size_t>(sx + width * sy)] : static_cast<int>(kWhite));
            }
        }
    };

    switch (kind) {
        case GJPEA_SETUJPIXEL:
            if (undo) {
                restoreSaved();
            } else if (xs.size() == ys.size()) {
                const DWORD color = static_cast<DWORD>(step.GetInt(GJPEA_JPCOLOR, 0));
                for (size_t i = 0; i < xs.size(); ++i)
                    SetJPixelByOSLPoint(static_cast<int>(xs[i]), static_cast<int>(ys[i]), color);
            }
            break;
        case GJPEA_XFLIP:
            for (int y = 0; y < height; ++y) {
                for (int k = 0; k < width / 2; ++k) {
                    const int a = get(left + k, top + y), b = get(left + width - 1 - k, top + y);
                    put(left + k, top + y, b);
                    put(left + width - 1 - k, top + y, a);
                }
            }
            break;
        case GJPEA_YFLIP:
            for (int x = 0; x < width; ++x) {
                for (int k = 0; k < height / 2; ++k) {
                    const int a = get(left + x, top + k), b = get(left + x, top + height - 1 - k);
                    put(left + x, top + k, b);
                    put(left + x, top + height - 1 - k, a);
                }
            }
            break;
        case GJPEA_LCRAWL:
        case GJPEA_RCRAWL:
        case GJPEA_UCRAWL:
        case GJPEA_DCRAWL: {
            int dx = kind == GJPEA_LCRAWL ? -1 : kind == GJPEA_RCRAWL ? 1 : 0;
            int dy = kind == GJPEA_UCRAWL ? -1 : kind == GJPEA_DCRAWL ? 1 : 0;
            if (undo) {
                crawl(-dx, -dy);
                restoreSaved();
            } else {
                crawl(dx, dy);
            }
            break;
        }
        case GJPEA_ROTATE: {
            if (width != height || width <= 0) break;
            const int n = width;
            std::vector<int> old(static_cast<size_t>(n * n));
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x)
                    old[static_cast<size_t>(x + n * y)] = get(left + x, top + y);
            for (int y = 0; y < n; ++y) {
                for (int x = 0; x < n; ++x) {
                    const int v = old[static_cast<size_t>(x + n * y)];
                    if (undo)
                        put(left + y, top + n - 1 - x, v);
                    else
                        put(left + n - 1 - y, top + x, v);
                }
            }
            break;
        }
        case GJPEA_WALK:
            ApplyWalk(step, undo);
            break;
        case GJPEA_CLEAR:
            if (undo) {
                BlockReader old(step.FindRevolver(GJPEA_VPIXEL));
                DWORD v = 0;
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x)
                        if (old.Next(v)) SetJPixelByOSLPoint(left + x, top + y, v);
            } else {
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) SetJPixelByOSLPoint(left + x, top + y, kWhite);
            }
            break;
        case GJPEA_DSHIFT:
            ApplyDShift(step, undo);
            break;
        default:
            break;
    }

    CLmrViewNotice& notice = LmrViewNotice();
    if (redraw) notice.RedrawViews();
    if (codeStale) notice.MarkCodeStale();
    notice.NotifyModified();
}

void CLmrOGJPCanvas::ApplyWalk(const CLmrYUStep& step, int undo) {
    int direction = step.GetInt(GJPEA_DIRECTION, 0);
    const CRect area = step.GetRectText(GJPEA_POMLRECT);  // cells, inclusive
    int cellLeft = area.left, cellTop = area.top;
    const int cellsWide = area.right - area.left + 1, cellsHigh = area.bottom - area.top + 1;
    if (direction < GJPCGZ_LEFT || direction > GJPCGZ_DOWN || cellsWide <= 0 || cellsHigh <= 0)
        return;
    if (undo) {
        // From the area's new place, the other way.
        if (direction == GJPCGZ_LEFT) --cellLeft;
        if (direction == GJPCGZ_RIGHT) ++cellLeft;
        if (direction == GJPCGZ_UP) --cellTop;
        if (direction == GJPCGZ_DOWN) ++cellTop;
        static const int kOpposite[] = {0, GJPCGZ_RIGHT, GJPCGZ_LEFT, GJPCGZ_DOWN, GJPCGZ_UP};
        direction = kOpposite[direction];
    }
    const bool horizontal = direction == GJPCGZ_LEFT || direction == GJPCGZ_RIGHT;
    // The strip of the area and the cell it walks into, rotated by one cell:
    // the area's content moves one cell, the cell it covers goes to its
    // other end.
    const int lineCount = OGJP_CELL * (horizontal ? cellsHigh : cellsWide);
    const int stripLength = OGJP_CELL * ((horizontal ? cellsWide : cellsHigh) + 1);
    const int stripStart = OGJP_CELL * (horizontal ? cellLeft - (direction == GJPCGZ_LEFT)
                                                   : cellTop - (direction == GJPCGZ_UP));
    const int lineStart = OGJP_CELL * (horizontal ? cellTop : cellLeft);
    const int shift = (direction == GJPCGZ_LEFT || direction == GJPCGZ_UP) ? -OGJP_CELL : OGJP_CELL;
    std::vector<int> line(static_cast<size_t>(stripLength));
    for (int l = 0; l < lineCount; ++l) {
        auto at = [&](int i, int& x, int& y) {
            x = horizontal ? stripStart + i : lineStart + l;
            y = horizontal ? lineStart + l : stripStart + i;
        };
        int x = 0, y = 0;
        for (int i = 0; i < stripLength; ++i) {
            at(i, x, y);
            line[static_cast<size_t>(i)] = GetJPixelByOSLPoint(x, y);
        }
        for (int i = 0; i < stripLength; ++i) {
            const int to = ((i + shift) % stripLength + stripLength) % stripLength;
            at(to, x, y);
            const int v = line[static_cast<size_t>(i)];
            if (v >= 0) SetJPixelByOSLPoint(x, y, static_cast<DWORD>(v));
        }
    }
    const int newLeft = cellLeft + (direction == GJPCGZ_LEFT ? -1 : direction == GJPCGZ_RIGHT);
    const int newTop = cellTop + (direction == GJPCGZ_UP ? -1 : direction == GJPCGZ_DOWN);
    CLmrGOption& options = LmrGOption();
    options.SetInt("omlegjpleft", newLeft);
    options.SetInt("omlegjptop", newTop);
    options.Refresh();
}

void CLmrOGJPCanvas::ApplyDShift(const CLmrYUStep& step, int undo) {
    const CRect source = step.GetRectText(GJPEA_SRCRECT);
    const CRect dest = step.GetRectText(GJPEA_DSTRECT);
    const bool hasSource = !LmrIsNullRect(source);
    const bool clearSource = step.GetInt(GJPEA_SRCCLEAR, 0) == 1;
    BlockReader moved(step.FindRevolver(GJPEA_DSTNEW));
    BlockReader destOld(step.FindRevolver(GJPEA_DSTOLD));
    BlockReader sourceOld(step.FindRevolver(GJPEA_SRCOLD));
    const int w = dest.right - dest.left + 1, h = dest.bottom - dest.top + 1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int dx = dest.left + x, dy = dest.top + y;
            const int sx = source.left + x, sy = source.top + y;
            DWORD newValue = 0, oldValue = 0, sourceValue = 0;
            const bool haveNew = moved.Next(newValue);
            const bool haveOld = destOld.Next(oldValue);
            const bool haveSource = hasSource && sourceOld.Next(sourceValue);
            if (!undo) {
                if (haveNew) SetJPixelByOSLPoint(dx, dy, newValue);
                if (hasSource && !Inside(dest, sx, sy)) {
                    if (clearSource)
                        SetJPixelByOSLPoint(sx, sy, kWhite);
                    else if (haveSource)
                        SetJPixelByOSLPoint(sx, sy, sourceValue);
                }
            } else {
                if (haveOld && !(hasSource && Inside(source, dx, dy)))
                    SetJPixelByOSLPoint(dx, dy, oldValue);
                if (hasSource && haveNew) SetJPixelByOSLPoint(sx, sy, newValue);
            }
        }
    }
}

void CLmrOGJPCanvas::AddAndApply(std::unique_ptr<CLmrYUStep> step) {
    const CLmrYUStep& added = *step;
    GJPEAAdd(std::move(step));
    YURefreshEBState();
    GJPEAApply(added, 0, 1, 1);
}

int CLmrOGJPCanvas::GJPEAANPerformByUJPixel(int redraw, int clearLayer, const CRect* rect) {
    std::vector<DWORD> xs, ys, colors;
    GetUJPixelByPGInfo(xs, ys, colors, rect);
    if (xs.empty()) return 0;
    auto step = std::make_unique<CLmrYUStep>(GJPEA_SETUJPIXEL);
    step->PutDWordArray(GJPEA_XS, xs);
    step->PutDWordArray(GJPEA_YS, ys);
    step->PutDWordArray(GJPEA_COLORS, colors);
    const CLmrEGJPEState* state = LmrEGJPEState();
    step->SetInt(GJPEA_JPCOLOR, static_cast<int>(state ? state->m_dwDrawColor : 0));
    const CLmrYUStep& added = *step;
    GJPEAAdd(std::move(step));
    YURefreshEBState();
    if (clearLayer) ClearAllPGInfos();
    GJPEAApply(added, 0, redraw, 1);
    return 1;
}

int CLmrOGJPCanvas::GJPEAANPerformByKGJPEdit(int kind) {
    if (kind < GJPEA_XFLIP || kind > GJPEA_ROTATE) return 0;
    GJPSEndMove();
    ClearAllPGInfos();
    const CLmrEGJPEState* state = LmrEGJPEState();
    const bool selection = state && state->HasSelection();
    const CRect r = selection ? state->m_rcPlaced : GetWorkingAreaOSLRect();
    auto step = std::make_unique<CLmrYUStep>(kind);
    step->SetInt(GJPEA_LEFT, r.left);
    step->SetInt(GJPEA_TOP, r.top);
    step->SetInt(GJPEA_WIDTH, r.right - r.left + 1);
    step->SetInt(GJPEA_HEIGHT, r.bottom - r.top + 1);
    if (kind >= GJPEA_LCRAWL && kind <= GJPEA_DCRAWL) {
        std::vector<DWORD> xs, ys, colors;
        GetUJPixelForKGJPEdit(xs, ys, colors, kind);
        step->PutDWordArray(GJPEA_XS, xs);
        step->PutDWordArray(GJPEA_YS, ys);
        step->PutDWordArray(GJPEA_COLORS, colors);
    }
    AddAndApply(std::move(step));
    if (selection) {
        // The selection holds what the transform made of it.
        DSPGIUpdateFromOSLRect(r.left, r.top, r.right, r.bottom);
        PGICarveForDShift(LmrNullRect(), r);
    }
    return 1;
}

void CLmrOGJPCanvas::GJPEAANPerformByGJPCGZClear(int left, int top, int right, int bottom) {
    GJPSEndMove();
    auto step = std::make_unique<CLmrYUStep>(GJPEA_CLEAR);
    step->SetInt(GJPEA_LEFT, left);
    step->SetInt(GJPEA_TOP, top);
    step->SetInt(GJPEA_WIDTH, right - left + 1);
    step->SetInt(GJPEA_HEIGHT, bottom - top + 1);
    CRevolver old;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            AppendDWord(old, static_cast<DWORD>(GetJPixelByOSLPoint(x, y)));
    step->SetRevolver(GJPEA_VPIXEL, old);
    AddAndApply(std::move(step));
}

int CLmrOGJPCanvas::GJPEAANPerformByGJPCGZWalk(int direction) {
    const LmrOptionValues& o = LmrOpt();
    const bool fits =
        (direction == GJPCGZ_LEFT && o.omlegjpleft > 0) ||
        (direction == GJPCGZ_RIGHT && o.omlegjpleft + o.mlegjpwidth < OGJP_CELL_COLS) ||
        (direction == GJPCGZ_UP && o.omlegjptop > 0) ||
        (direction == GJPCGZ_DOWN && o.omlegjptop + o.mlegjpheight < OGJP_CELL_ROWS);
    if (!fits) return 0;
    // The area's content moves away under the selection: it ends first.
    GJPSEnd();
    auto step = std::make_unique<CLmrYUStep>(GJPEA_WALK);
    step->SetInt(GJPEA_DIRECTION, direction);
    step->SetString(GJPEA_POMLRECT,
                    RectText(CRect(o.omlegjpleft, o.omlegjptop, o.omlegjpleft + o.mlegjpwidth - 1,
                                   o.omlegjptop + o.mlegjpheight - 1)));
    AddAndApply(std::move(step));
    return 1;
}

void CLmrOGJPCanvas::DSGJPEAAdd(int apply, int sourceClear, const CRect& source,
                                const CRect& destination, int update, int evacuate) {
    CLmrEGJPEState* state = LmrEGJPEState();
    auto step = std::make_unique<CLmrYUStep>(GJPEA_DSHIFT);
    step->SetString(GJPEA_SRCRECT, RectText(source));
    step->SetString(GJPEA_DSTRECT, RectText(destination));
    step->SetInt(GJPEA_SRCCLEAR, sourceClear);
    if (!LmrIsNullRect(source) && state) step->SetRevolver(GJPEA_SRCOLD, state->m_revEvacuation);
    CRevolver under;
    for (LONG y = destination.top; y <= destination.bottom; ++y)
        for (LONG x = destination.left; x <= destination.right; ++x)
            AppendDWord(under, static_cast<DWORD>(GetJPixelByOSLPoint(x, y)));
    step->SetRevolver(GJPEA_DSTOLD, under);
    CRevolver floating;
    BlockReader values(&m_revDSPGInfo);
    DWORD v = 0;
    while (values.Next(v)) AppendDWord(floating, v & 0xFFFFFF);
    step->SetRevolver(GJPEA_DSTNEW, floating);
    if (evacuate && state) state->m_revEvacuation.Assign(under);
    const CLmrYUStep& added = *step;
    GJPEAAdd(std::move(step));
    YURefreshEBState();
    if (apply) GJPEAApply(added, 0, 1, 1);
    if (update && state) state->m_rcPlaced = destination;
}

void CLmrOGJPCanvas::PGICarveForDShift(const CRect&, const CRect& destination) {
    ClearAllPGInfos();
    if (LmrIsNullRect(destination)) return;
    BlockReader values(&m_revDSPGInfo);
    DWORD v = 0;
    for (int y = destination.top; y <= destination.bottom; ++y)
        for (int x = destination.left; x <= destination.right; ++x) {
            if (!values.Next(v)) return;
            SetPGInfo(x, y, v & 0xFFFFFF, kLayerMark, 0);
        }
}

void CLmrOGJPCanvas::DSPGIUpdateFromOSLRect(int left, int top, int right, int bottom) {
    m_revDSPGInfo.Free();
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            AppendDWord(m_revDSPGInfo, static_cast<DWORD>(GetJPixelByOSLPoint(x, y)));
}
