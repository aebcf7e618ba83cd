#include "pixel/lmrcrawljob.h"

#include <QMetaObject>

#include "platform/window.h"

void CLmrCrawlShared::Step() {
    int phase = m_nPhase.load();
    while (!m_nPhase.compare_exchange_weak(phase, (phase + 1) % kPhases)) {
    }
    if (m_bPosted.exchange(true)) return;  // the view has not taken the last one yet
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_pTarget) return;
    // A posted call to an object that is deleted before it runs is dropped
    // by Qt; the target is only cleared under the lock, so it is alive here.
    QMetaObject::invokeMethod(
        m_pTarget,
        [this] {
            m_bPosted = false;
            if (m_onTick) m_onTick();
        },
        Qt::QueuedConnection);
}

void CLmrCrawlShared::Detach() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_pTarget = nullptr;
}

DWORD LmrStartCrawlJob(CFxMLThreadManager& manager, const std::shared_ptr<CLmrCrawlShared>& shared,
                       int periodMs) {
    if (!manager.IsStarted() && !manager.StartMLThreads(30, 10, 10)) return 0;
    shared->m_running.Set();
    const std::weak_ptr<CLmrCrawlShared> weak = shared;
    const DWORD id = manager.AddMLJob(
        [weak, periodMs](CFxRevPropStore*) {
            for (;;) {
                std::shared_ptr<CLmrCrawlShared> s = weak.lock();
                if (!s || !s->m_running.IsSet()) return;
                // Wakes at once when the flag is cleared or the thread told to stop.
                if (s->m_running.WaitCleared(periodMs)) return;
                if (CFxMLThread::IsStopRequested()) return;
                s->Step();
            }
        },
        nullptr, nullptr, HWND{}, 0, 0, CFxMLThreadManager::kDefaultTimeoutMs);
    if (!id) shared->m_running.Clear();
    return id;
}
