#include "pixel/lmrestate.h"

#include "pixel/lmrgoption.h"

namespace {
CLmrEGJPEState* g_pEGJPEState = nullptr;
}

CRect LmrNullRect() {
    return CRect(LMR_NULL_COORD, LMR_NULL_COORD, LMR_NULL_COORD, LMR_NULL_COORD);
}

bool LmrIsNullRect(const CRect& rect) {
    return rect.left == LMR_NULL_COORD && rect.top == LMR_NULL_COORD &&
           rect.right == LMR_NULL_COORD && rect.bottom == LMR_NULL_COORD;
}

CLmrEStateRoot::~CLmrEStateRoot() = default;

CLmrEGJPEState::CLmrEGJPEState() { g_pEGJPEState = this; }

CLmrEGJPEState::~CLmrEGJPEState() {
    if (g_pEGJPEState == this) g_pEGJPEState = nullptr;
}

bool CLmrEGJPEState::IsSquare() const {
    if (HasSelection()) return m_rcShown.Width() == m_rcShown.Height();
    return LmrOpt().mlegjpwidth == LmrOpt().mlegjpheight;
}

CLmrEGJPEState* LmrEGJPEState() { return g_pEGJPEState; }
