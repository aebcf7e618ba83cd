#pragma once

// The job behind the crawling dashes of both views (the zoomed view's
// marquee, the whole-canvas view's text frame). The job runs on a worker
// thread and does nothing but wait, advance the dash phase and post one
// repaint request at a time to its view; the view paints on the
// user-interface thread. The job never touches the view or the edit state.

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "foundation/pixel/fxmlthread.h"

class CLmrCrawlShared {
public:
    // The dash pattern's length (3 on, 2 off).
    static constexpr int kPhases = 5;

    explicit CLmrCrawlShared(QObject* target, std::function<void()> onTick)
        : m_pTarget(target), m_onTick(std::move(onTick)) {}

    // Advances the phase and, unless one is still waiting, posts the tick to
    // the view. Any thread.
    void Step();
    int Phase() const { return m_nPhase.load(); }
    // The view is going: nothing more is posted to it. Its thread only.
    void Detach();

    CFxMLFlag m_running;

private:
    std::atomic<int> m_nPhase{0};
    std::atomic<bool> m_bPosted{false};
    std::mutex m_lock;
    QObject* m_pTarget;  // under m_lock; null once detached
    std::function<void()> m_onTick;
};

// Starts the job on the manager (starting the manager when needed): while
// the run flag is set it waits `periodMs` and steps. The job id, or 0.
DWORD LmrStartCrawlJob(CFxMLThreadManager& manager, const std::shared_ptr<CLmrCrawlShared>& shared,
                       int periodMs);
