#include "foundation/pixel/fxmlthread.h"

#include <QCoreApplication>
#include <chrono>
#include <system_error>

#include "platform/paths.h"

// Everything of one thread that its worker and the manager both touch, under
// `lock`. The manager writes the job fields only while `busy` is clear; the
// worker reads them only after it saw `busy` set.
struct FxMLThreadState {
    std::mutex lock;
    std::condition_variable wake;  // a job was handed over, or quit was set
    bool busy = false;
    bool quit = false;
    FxMLJobFunction job;
    FxMLJobFunction completion;
    CFxRevPropStore store;
    DWORD startTick = 0;
    HWND notifyWindow = 0;
    UINT notifyMessage = 0;
    WPARAM notifyWParam = 0;
    BOOL overdueReported = FALSE;
    UINT timeoutMs = CFxMLThreadManager::kDefaultTimeoutMs;
};

// The completions the workers append and the manager's thread takes out;
// `open` is cleared when the manager's event window goes, after which no
// record is added.
struct FxMLCompletions {
    struct Record {
        FxMLJobFunction completion;
        CFxRevPropStore store;
    };
    std::mutex lock;
    std::vector<Record> records;
    bool open = false;
};

namespace {

// The state of the thread the calling code runs on, when it is a worker.
thread_local FxMLThreadState* t_pCurrentState = nullptr;

std::atomic<DWORD> g_nextThreadId{0};

// Threads still allowed by a test; -1: no limit.
std::atomic<int> g_nCreationsLeft{-1};

DWORD NewThreadId() {
    DWORD id = 0;
    while (id == 0) id = ++g_nextThreadId;
    return id;
}

}  // namespace

void SetMLThreadCreationLimitForTest(int creations) {
    g_nCreationsLeft = creations < 0 ? -1 : creations;
}

// ---- CFxMLFlag -------------------------------------------------------------

void CFxMLFlag::Set() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_bSet = true;
}

void CFxMLFlag::Clear() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bSet = false;
    }
    m_changed.notify_all();
}

bool CFxMLFlag::IsSet() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bSet;
}

bool CFxMLFlag::WaitCleared(int ms) const {
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(ms > 0 ? ms : 0),
                              [this] { return !m_bSet; });
}

// ---- CFxMLThread -----------------------------------------------------------

CFxMLThread::CFxMLThread(DWORD threadId, std::shared_ptr<FxMLCompletions> completions)
    : m_nThreadId(threadId), m_pState(std::make_shared<FxMLThreadState>()) {
    int left = g_nCreationsLeft.load();
    while (left > 0 && !g_nCreationsLeft.compare_exchange_weak(left, left - 1)) {
    }
    if (left == 0)
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    // Throws std::system_error as well when the system has no room for it.
    m_thread = std::thread(&CFxMLThread::Run, m_pState, std::move(completions));
}

CFxMLThread::~CFxMLThread() {
    // Whoever deletes a thread has joined it or lets it go.
    if (m_thread.joinable()) {
        SetQuit();
        m_thread.detach();
    }
}

bool CFxMLThread::IsBusy() const {
    std::lock_guard<std::mutex> guard(m_pState->lock);
    return m_pState->busy;
}

bool CFxMLThread::IsQuitSet() const {
    std::lock_guard<std::mutex> guard(m_pState->lock);
    return m_pState->quit;
}

void CFxMLThread::SetQuit() {
    {
        std::lock_guard<std::mutex> guard(m_pState->lock);
        m_pState->quit = true;
    }
    m_pState->wake.notify_all();
}

bool CFxMLThread::IsStopRequested() {
    FxMLThreadState* state = t_pCurrentState;
    if (!state) return false;
    std::lock_guard<std::mutex> guard(state->lock);
    return state->quit;
}

bool CFxMLThread::WaitForStop(int ms) {
    FxMLThreadState* state = t_pCurrentState;
    if (!state) return false;
    std::unique_lock<std::mutex> guard(state->lock);
    return state->wake.wait_for(guard, std::chrono::milliseconds(ms > 0 ? ms : 0),
                                [state] { return state->quit; });
}

void CFxMLThread::Run(std::shared_ptr<FxMLThreadState> state,
                      std::shared_ptr<FxMLCompletions> completions) {
    t_pCurrentState = state.get();
    for (;;) {
        FxMLJobFunction job, completion;
        {
            std::unique_lock<std::mutex> guard(state->lock);
            state->wake.wait(guard, [&] { return state->busy || state->quit; });
            if (state->quit) break;
            job = state->job;
            completion = state->completion;
        }
        // Nobody else touches the store while busy is set.
        if (job) job(&state->store);
        if (completion) {
            std::lock_guard<std::mutex> guard(completions->lock);
            if (completions->open) completions->records.push_back({completion, state->store});
        }
        std::lock_guard<std::mutex> guard(state->lock);
        state->busy = false;
    }
    t_pCurrentState = nullptr;
}

// ---- CFxMLThreadManager ----------------------------------------------------

CFxMLThreadManager::CFxMLThreadManager() : m_pCompletions(std::make_shared<FxMLCompletions>()) {}

CFxMLThreadManager::~CFxMLThreadManager() {
    for (auto& [id, thread] : m_mapThreads) thread->SetQuit();
    if (m_strShutdownPolicy == "infinite") {
        for (auto& [id, thread] : m_mapThreads)
            if (thread->m_thread.joinable()) thread->m_thread.join();
    } else {
        // "terminate" and any other policy: the threads end by themselves.
        for (auto& [id, thread] : m_mapThreads)
            if (thread->m_thread.joinable()) thread->m_thread.detach();
    }
    m_mapThreads.clear();
    DeliverCompletions();
    {
        std::lock_guard<std::mutex> guard(m_pCompletions->lock);
        m_pCompletions->open = false;
        m_pCompletions->records.clear();
    }
    m_pEventWnd.reset();
}

int CFxMLThreadManager::StartMLThreads(int batchSize, int threadsKept, int checkSeconds) {
    if (m_bStarted) return 1;
    if (!QCoreApplication::instance()) return 0;
    m_nBatchSize = batchSize;
    m_nThreadsKept = threadsKept;
    m_nCheckPeriod = checkSeconds;
    m_pEventWnd = std::make_unique<QObject>();
    m_pEventWnd->setObjectName("MLEventWnd");
    SetTimerHandler(m_pEventWnd.get(), [this](UINT_PTR id) { OnTimer(id); });
    SetTimer(m_pEventWnd.get(), 1, static_cast<UINT>(checkSeconds > 0 ? checkSeconds : 0) * 1000);
    SetTimer(m_pEventWnd.get(), 2, 1000);
    {
        std::lock_guard<std::mutex> guard(m_pCompletions->lock);
        m_pCompletions->open = true;
    }
    m_bStarted = TRUE;
    return 1;
}

CFxMLThread* CFxMLThreadManager::TakeIdleThread() {
    for (auto& [id, thread] : m_mapThreads)
        if (!thread->IsBusy() && !thread->IsQuitSet()) return thread.get();
    // None idle: begin a batch, as far as the pool allows.
    const int room = kMaxThreads - static_cast<int>(m_mapThreads.size());
    const int count = std::min(m_nBatchSize, room);
    CFxMLThread* last = nullptr;
    for (int i = 0; i < count; ++i) {
        const DWORD id = NewThreadId();
        std::unique_ptr<CFxMLThread> thread;
        try {
            thread.reset(new CFxMLThread(id, m_pCompletions));
        } catch (const std::system_error&) {
            break;  // no more threads now: the job goes to one begun before, if any
        }
        last = thread.get();
        m_mapThreads.emplace(id, std::move(thread));
    }
    return last;
}

DWORD CFxMLThreadManager::AddMLJob(FxMLJobFunction job, FxMLJobFunction completion,
                                   const CFxRevPropStore* arguments, HWND notifyWindow,
                                   UINT notifyMessage, WPARAM notifyWParam, UINT timeoutMs) {
    CFxMLThread* thread = TakeIdleThread();
    if (!thread) return 0;
    FxMLThreadState& state = *thread->m_pState;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        state.startTick = GetTickCount();
        state.notifyWindow = notifyWindow;
        state.notifyMessage = notifyMessage;
        state.notifyWParam = notifyWParam;
        state.overdueReported = FALSE;  // each job may be reported once
        state.timeoutMs = timeoutMs;
        state.job = std::move(job);
        state.completion = std::move(completion);
        if (arguments)
            state.store.CopyFrom(*arguments);
        else
            state.store.RemoveAll();
        state.busy = true;
    }
    state.wake.notify_all();
    return thread->GetThreadId();
}

int CFxMLThreadManager::GetBusyThreadCount() const {
    int count = 0;
    for (const auto& [id, thread] : m_mapThreads) {
        std::lock_guard<std::mutex> guard(thread->m_pState->lock);
        if (thread->m_pState->busy || thread->m_pState->quit) ++count;
    }
    return count;
}

int CFxMLThreadManager::GetIdleThreadCount() const {
    return GetThreadCount() - GetBusyThreadCount();
}

void CFxMLThreadManager::TerminateAllThreads() {
    for (auto& [id, thread] : m_mapThreads) {
        thread->SetQuit();
        if (thread->m_thread.joinable()) thread->m_thread.detach();
    }
    m_mapThreads.clear();
}

void CFxMLThreadManager::TrimIdleThreads() {
    int surplus = GetIdleThreadCount() - m_nThreadsKept;
    for (auto it = m_mapThreads.begin(); it != m_mapThreads.end() && surplus > 0;) {
        CFxMLThread& thread = *it->second;
        bool take = false;
        {
            std::lock_guard<std::mutex> guard(thread.m_pState->lock);
            if (!thread.m_pState->busy && !thread.m_pState->quit) {
                thread.m_pState->quit = true;
                take = true;
            }
        }
        if (!take) {
            ++it;
            continue;
        }
        // An idle thread waits for nothing but its flags: it ends at once.
        thread.m_pState->wake.notify_all();
        if (thread.m_thread.joinable()) thread.m_thread.join();
        it = m_mapThreads.erase(it);
        --surplus;
    }
}

void CFxMLThreadManager::DeliverCompletions() {
    std::vector<FxMLCompletions::Record> records;
    {
        std::lock_guard<std::mutex> guard(m_pCompletions->lock);
        records.swap(m_pCompletions->records);
    }
    for (auto& record : records) record.completion(&record.store);
}

void CFxMLThreadManager::ReportOverdueJobs() {
    const DWORD now = GetTickCount();
    for (const auto& [id, thread] : m_mapThreads) {
        HWND window = 0;
        UINT message = 0;
        WPARAM wParam = 0;
        {
            FxMLThreadState& state = *thread->m_pState;
            std::lock_guard<std::mutex> guard(state.lock);
            if (state.overdueReported || state.notifyWindow == 0 || !state.busy) continue;
            if (static_cast<DWORD>(now - state.startTick) <= state.timeoutMs) continue;
            state.overdueReported = TRUE;
            window = state.notifyWindow;
            message = state.notifyMessage;
            wParam = state.notifyWParam;
            state.notifyWindow = 0;
        }
        PostMessage(window, message, wParam, static_cast<LPARAM>(id));
    }
}

void CFxMLThreadManager::OnTimer(UINT_PTR id) {
    if (id == 1) {
        TrimIdleThreads();
        DeliverCompletions();
    } else if (id == 2) {
        ReportOverdueJobs();
    }
}
