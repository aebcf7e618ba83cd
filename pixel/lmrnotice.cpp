#include "pixel/lmrnotice.h"

namespace {
CLmrViewNotice* g_pNotice = nullptr;
}

CLmrViewNotice::~CLmrViewNotice() = default;

void CLmrWindowNotice::RedrawViews() {
    if (onRedrawViews) onRedrawViews();
}

void CLmrWindowNotice::MarkCodeStale() {
    if (onMarkCodeStale) onMarkCodeStale();
}

void CLmrWindowNotice::RefreshEBState() {
    if (onRefreshEBState) onRefreshEBState();
}

void CLmrWindowNotice::NotifyModified() {
    if (QObject* host = m_pHost.data()) PostMessage(host, WM_LMR_MODIFIED, 0, 0);
}

CLmrWindowNotice& LmrWindowNotice() {
    static CLmrWindowNotice notice;
    return notice;
}

CLmrViewNotice& LmrViewNotice() { return g_pNotice ? *g_pNotice : LmrWindowNotice(); }

void LmrSetViewNotice(CLmrViewNotice* notice) { g_pNotice = notice; }
