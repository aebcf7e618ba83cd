#pragma once

// Worker threads for short background jobs. A manager owns a pool of worker
// threads, hands each job to an idle one, ends surplus idle threads, reports
// jobs that run too long and carries a job's results back to the thread that
// owns the manager (the user-interface thread), in the order the jobs ended.
//
// What the worker threads share with the manager is locked: each thread's
// flags and job fields under its own mutex, the completions under theirs.
// No thread is ever suspended or killed. A thread told to stop is left to
// end by itself; its job, its job store and the completion queue are held by
// shared ownership, so a job still running after its manager is gone never
// touches freed memory. Jobs that loop wait on a flag (CFxMLFlag, or the
// thread's own stop through CFxMLThread::WaitForStop) instead of sleeping,
// so a stop acts at once.

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/fxrevpropstore.h"
#include "platform/window.h"
#include "platform/wintypes.h"

// A job, and the completion that runs on the manager's thread afterwards
// with a copy of the store the job left. A plain function fits; an empty
// function is "none".
using FxMLJobFunction = std::function<void(CFxRevPropStore*)>;

// A run flag a user shares with its looping jobs: the jobs wait on it and
// return as soon as it is cleared.
class CFxMLFlag {
public:
    explicit CFxMLFlag(bool set = false) : m_bSet(set) {}
    void Set();
    // Clears the flag and wakes every waiter at once.
    void Clear();
    bool IsSet() const;
    // Waits up to `ms` milliseconds; true as soon as the flag is clear.
    bool WaitCleared(int ms) const;

private:
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    bool m_bSet;
};

struct FxMLThreadState;
struct FxMLCompletions;

class CFxMLThreadManager;

// One worker thread of a manager.
class CFxMLThread {
public:
    ~CFxMLThread();
    CFxMLThread(const CFxMLThread&) = delete;
    CFxMLThread& operator=(const CFxMLThread&) = delete;

    // The number AddMLJob returns and overdue reports carry (never 0).
    DWORD GetThreadId() const { return m_nThreadId; }
    bool IsBusy() const;
    bool IsQuitSet() const;

    // Inside a job: whether the thread running it was told to stop, and a
    // wait of up to `ms` milliseconds that ends at once on that stop (true
    // when stopped). Outside a worker thread: false, and no wait.
    static bool IsStopRequested();
    static bool WaitForStop(int ms);

private:
    friend class CFxMLThreadManager;
    CFxMLThread(DWORD threadId, std::shared_ptr<FxMLCompletions> completions);

    void SetQuit();
    static void Run(std::shared_ptr<FxMLThreadState> state,
                    std::shared_ptr<FxMLCompletions> completions);

    DWORD m_nThreadId;
    std::shared_ptr<FxMLThreadState> m_pState;
    std::thread m_thread;
};

// Tests only: the number of worker threads that may still be created before
// every further one is refused, as the system refuses a thread it has no
// room for; -1 (the default) for no limit.
void SetMLThreadCreationLimitForTest(int creations);

class CFxMLThreadManager {
public:
    // Threads a manager keeps at most; beyond them AddMLJob gives 0.
    static constexpr int kMaxThreads = 64;
    // The time-out a thread has before its first job.
    static constexpr UINT kDefaultTimeoutMs = 4500;

    CFxMLThreadManager();
    virtual ~CFxMLThreadManager();
    CFxMLThreadManager(const CFxMLThreadManager&) = delete;
    CFxMLThreadManager& operator=(const CFxMLThreadManager&) = delete;

    // Stores the numbers, creates the event window "MLEventWnd" with timer 1
    // (trim and completions, every checkSeconds) and timer 2 (overdue jobs,
    // every 1000 ms). 1 on success, also on a second call (which changes
    // nothing); 0 when there is no event loop to run the timers.
    int StartMLThreads(int batchSize, int threadsKept, int checkSeconds);

    // Hands the job to an idle thread, beginning a batch of threads when
    // none is idle. `arguments` (may be null) is copied into the job store.
    // Returns the thread's id, or 0 (nothing recorded) when no thread can be
    // had: a batch size of 0 or less, the pool at kMaxThreads and busy, or
    // the system refusing a new thread. A batch the system refuses part of
    // keeps the threads begun before, and the job takes the last of them.
    DWORD AddMLJob(FxMLJobFunction job, FxMLJobFunction completion,
                   const CFxRevPropStore* arguments, HWND notifyWindow, UINT notifyMessage,
                   WPARAM notifyWParam, UINT timeoutMs);

    // Threads that are busy or told to quit.
    int GetBusyThreadCount() const;
    // Threads with neither flag.
    int GetIdleThreadCount() const;
    int GetThreadCount() const { return static_cast<int>(m_mapThreads.size()); }

    // Tells every thread to stop and lets it go at once; the pool is empty
    // afterwards. A job still running ends by itself.
    void TerminateAllThreads();

    // "infinite" (the default): the destructor waits for every thread;
    // "terminate": it lets them go at once, as TerminateAllThreads; any other
    // text: it neither waits nor ends them (they end by themselves).
    void SetShutdownPolicy(const std::string& policy) { m_strShutdownPolicy = policy; }
    const std::string& GetShutdownPolicy() const { return m_strShutdownPolicy; }

    BOOL IsStarted() const { return m_bStarted; }
    // The hidden object that owns the two timers (null before the start).
    QObject* GetEventWindow() const { return m_pEventWnd.get(); }

    // Timer 1: ends idle threads beyond the number kept, then delivers the
    // completions gathered so far.
    void TrimIdleThreads();
    void DeliverCompletions();
    // Timer 2: posts one report per job for jobs past their time-out that
    // have a notify window: the notify message with its wParam and, as
    // lParam, the thread's id.
    void ReportOverdueJobs();

private:
    void OnTimer(UINT_PTR id);
    CFxMLThread* TakeIdleThread();

    std::map<DWORD, std::unique_ptr<CFxMLThread>> m_mapThreads;
    std::shared_ptr<FxMLCompletions> m_pCompletions;
    std::unique_ptr<QObject> m_pEventWnd;
    int m_nBatchSize = 0;
    int m_nThreadsKept = 0;
    int m_nCheckPeriod = 0;
    BOOL m_bStarted = FALSE;
    std::string m_strShutdownPolicy = "infinite";
};
