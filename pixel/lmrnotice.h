#pragma once

// What the engine does to windows, in one narrow interface: after an edit
// record is applied the views repaint, the code dialog's text goes stale and
// the host window hears of the change; the undo buffer asks the zoomed view's
// tool frame to refresh its buttons. The views and dialogs are not part of
// the engine's data, so the engine reaches them only through this.

#include <QPointer>
#include <functional>

#include "pixel/lumaret_export.h"
#include "platform/window.h"

// The message the host window receives after every applied edit record
// (wParam 0, lParam 0).
constexpr UINT WM_LMR_MODIFIED = WM_USER + 52;

class LUMARET_API CLmrViewNotice {
public:
    virtual ~CLmrViewNotice();
    // The whole-canvas view and the zoomed view repaint completely.
    virtual void RedrawViews() = 0;
    // The code dialog generates its text again at its next tick.
    virtual void MarkCodeStale() = 0;
    // The zoomed view's tool frame refreshes its button states.
    virtual void RefreshEBState() = 0;
    // The host window is told that the canvas changed.
    virtual void NotifyModified() = 0;
};

// The engine's own wiring: WM_LMR_MODIFIED is posted to the host window set
// by the host; the views and dialogs hook their repaint, stale mark and
// button refresh in as they are created.
class LUMARET_API CLmrWindowNotice : public CLmrViewNotice {
public:
    void SetHostWindow(QObject* host) { m_pHost = host; }
    QObject* GetHostWindow() const { return m_pHost.data(); }

    std::function<void()> onRedrawViews;
    std::function<void()> onMarkCodeStale;
    std::function<void()> onRefreshEBState;

    void RedrawViews() override;
    void MarkCodeStale() override;
    void RefreshEBState() override;
    void NotifyModified() override;

private:
    QPointer<QObject> m_pHost;
};

// The engine's own wiring, always there.
LUMARET_API CLmrWindowNotice& LmrWindowNotice();
// The notice in force: the engine's own unless another was installed (not
// owned; null restores the engine's own).
LUMARET_API CLmrViewNotice& LmrViewNotice();
LUMARET_API void LmrSetViewNotice(CLmrViewNotice* notice);
