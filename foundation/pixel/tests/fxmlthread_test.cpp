#include "foundation/pixel/fxmlthread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "platform/paths.h"

namespace {

// Polls `done` (running the event loop) for up to ten seconds.
bool WaitUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 10000) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A job that holds its thread until the gate is cleared.
FxMLJobFunction GatedJob(std::shared_ptr<CFxMLFlag> gate) {
    return [gate](CFxRevPropStore*) {
        while (gate->IsSet()) gate->WaitCleared(1000);
    };
}

DWORD AddJob(CFxMLThreadManager& manager, FxMLJobFunction job, FxMLJobFunction completion = nullptr,
             const CFxRevPropStore* args = nullptr, HWND notify = 0, WPARAM wParam = 0) {
    return manager.AddMLJob(std::move(job), std::move(completion), args, notify, WM_USER + 7,
                            wParam, 4500);
}

TEST(FxMLThreadTest, JobsBeginABatchTakeIdleThreadsAndStopAtThePoolCap) {
    CFxMLThreadManager unstarted;  // batch size 0: no thread
    EXPECT_EQ(AddJob(unstarted, nullptr), 0u);
    CFxMLThreadManager manager;
    ASSERT_EQ(manager.StartMLThreads(30, 10, 10), 1);
    EXPECT_EQ(manager.StartMLThreads(5, 1, 1), 1);  // changes nothing
    EXPECT_EQ(GetTimerPeriod(manager.GetEventWindow(), 1), 10000u);
    EXPECT_EQ(GetTimerPeriod(manager.GetEventWindow(), 2), 1000u);
    auto gate = std::make_shared<CFxMLFlag>(true);
    std::set<DWORD> ids;
    for (int i = 0; i < CFxMLThreadManager::kMaxThreads; ++i) {
        ids.insert(AddJob(manager, GatedJob(gate)));
        if (i < 30) {
            EXPECT_EQ(manager.GetThreadCount(), 30);
        }
        EXPECT_EQ(manager.GetBusyThreadCount(), i + 1);
    }
    EXPECT_EQ(ids.size(), static_cast<size_t>(CFxMLThreadManager::kMaxThreads));
    EXPECT_EQ(ids.count(0), 0u);
    EXPECT_EQ(AddJob(manager, GatedJob(gate)), 0u);
    EXPECT_EQ(manager.GetThreadCount(), CFxMLThreadManager::kMaxThreads);
    gate->Clear();
    EXPECT_TRUE(WaitUntil([&] { return manager.GetBusyThreadCount() == 0; }));
    EXPECT_NE(AddJob(manager, nullptr), 0u);

    // The system refusing threads: with none at all the job gets 0 and
    // nothing is recorded; a batch refused in part keeps the threads begun.
    struct Limit {
        explicit Limit(int n) { SetMLThreadCreationLimitForTest(n); }
        ~Limit() { SetMLThreadCreationLimitForTest(-1); }
    };
    CFxMLThreadManager refused;
    refused.StartMLThreads(30, 10, 10);
    auto ran = std::make_shared<std::atomic<int>>(0);
    auto count = [ran](CFxRevPropStore*) { ++*ran; };
    {
        Limit none(0);
        EXPECT_EQ(AddJob(refused, count), 0u);
        EXPECT_EQ(refused.GetThreadCount(), 0);
    }
    {
        Limit three(3);
        EXPECT_NE(AddJob(refused, count), 0u);
        EXPECT_EQ(refused.GetThreadCount(), 3);
    }
    EXPECT_TRUE(WaitUntil([&] { return refused.GetBusyThreadCount() == 0; }));
    EXPECT_EQ(*ran, 1);
}

TEST(FxMLThreadTest, TrimEndsIdleThreadsBeyondThoseKeptButNeverABusyOne) {
    {
        // 30 idle, 10 kept: the first trim ends 20.
        CFxMLThreadManager idle;
        idle.StartMLThreads(30, 10, 10);
        AddJob(idle, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return idle.GetBusyThreadCount() == 0; }));
        FireTimerForTest(idle.GetEventWindow(), 1);
        EXPECT_EQ(idle.GetThreadCount(), 10);
    }
    CFxMLThreadManager manager;
    manager.StartMLThreads(30, 10, 10);
    auto gate = std::make_shared<CFxMLFlag>(true);
    AddJob(manager, GatedJob(gate));
    // 29 idle, 10 kept: 19 go, the busy one stays.
    ASSERT_TRUE(FireTimerForTest(manager.GetEventWindow(), 1));
    EXPECT_EQ(manager.GetThreadCount(), 11);
    EXPECT_EQ(manager.GetBusyThreadCount(), 1);
    gate->Clear();
    EXPECT_TRUE(WaitUntil([&] { return manager.GetBusyThreadCount() == 0; }));
    FireTimerForTest(manager.GetEventWindow(), 1);
    EXPECT_EQ(manager.GetThreadCount(), 10);
    FireTimerForTest(manager.GetEventWindow(), 1);
    EXPECT_EQ(manager.GetThreadCount(), 10);
}

TEST(FxMLThreadTest, JobStoreCompletionsAndNullJobs) {
    CFxMLThreadManager manager;
    manager.StartMLThreads(2, 2, 10);
    std::vector<int> delivered;
    bool offThread = false;
    auto completion = [&](CFxRevPropStore* store) {
        offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        delivered.push_back(store->GetInt("result", -1));
    };
    // One after another, so they end in the order they were given.
    for (int i = 0; i < 20; ++i) {
        CFxRevPropStore args;
        args.SetInt("n", i);
        const bool nullJob = i % 5 == 4;
        FxMLJobFunction job;
        if (!nullJob) job = [](CFxRevPropStore* s) { s->SetInt("result", s->GetInt("n", 0) * 10); };
        ASSERT_NE(AddJob(manager, job, completion, nullJob ? nullptr : &args), 0u);
        ASSERT_TRUE(WaitUntil([&] { return manager.GetBusyThreadCount() == 0; }));
    }
    EXPECT_TRUE(delivered.empty());  // only the timer delivers
    FireTimerForTest(manager.GetEventWindow(), 1);
    std::vector<int> expected;
    for (int i = 0; i < 20; ++i) expected.push_back(i % 5 == 4 ? -1 : i * 10);
    EXPECT_EQ(delivered, expected);
    EXPECT_FALSE(offThread);
}

TEST(FxMLThreadTest, OverdueJobIsReportedOnceByThreadIdEvenAfterItsThreadWasTrimmed) {
    DWORD now = 1000;
    SetTickSource([&] { return now; });
    QWidget notify;
    std::vector<std::pair<WPARAM, LPARAM>> reports;
    SetMessageHandler(&notify, WM_USER + 7, [&](WPARAM w, LPARAM l) -> LRESULT {
        reports.emplace_back(w, l);
        return 0;
    });
    {
        CFxMLThreadManager manager;
        manager.StartMLThreads(1, 0, 10);
        auto gate = std::make_shared<CFxMLFlag>(true);
        const DWORD id =
            AddJob(manager, GatedJob(gate), nullptr, nullptr, GetWindowHandle(&notify), 33);
        now += 4500;  // not yet past the time-out
        FireTimerForTest(manager.GetEventWindow(), 2);
        now += 1;
        FireTimerForTest(manager.GetEventWindow(), 2);
        FireTimerForTest(manager.GetEventWindow(), 2);
        // The thread ends and is trimmed before the report is delivered.
        gate->Clear();
        ASSERT_TRUE(WaitUntil([&] { return manager.GetBusyThreadCount() == 0; }));
        manager.TrimIdleThreads();
        EXPECT_EQ(manager.GetThreadCount(), 0);
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(reports, (std::vector<std::pair<WPARAM, LPARAM>>{{33, static_cast<LPARAM>(id)}}));
    }
    SetTickSource(nullptr);
}

// "terminate" lets a looping job go at once; the job goes on writing its
// store after the manager is gone, safely, and adds no completion.
TEST(FxMLThreadTest, TerminateReturnsAtOnceWhileAJobLoopsAndTheJobStaysSafe) {
    for (bool policy : {true, false}) {
        auto run = std::make_shared<CFxMLFlag>(true);
        auto ended = std::make_shared<std::atomic<bool>>(false);
        int completions = 0;
        QElapsedTimer clock;
        {
            CFxMLThreadManager manager;
            manager.StartMLThreads(1, 1, 10);
            auto job = [run, ended](CFxRevPropStore* store) {
                for (int passes = 0; !run->WaitCleared(1);) store->SetInt("passes", ++passes);
                store->SetString("end", "reached");
                ended->store(true);
            };
            ASSERT_NE(AddJob(manager, job, [&](CFxRevPropStore*) { ++completions; }), 0u);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            clock.start();
            if (policy)
                manager.SetShutdownPolicy("terminate");
            else
                manager.TerminateAllThreads();
        }
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_FALSE(ended->load());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        run->Clear();
        ASSERT_TRUE(WaitUntil([&] { return ended->load(); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(completions, 0);
    }
}

// "infinite" waits for the job, whose wait on its thread's stop ends at
// once, and delivers its completion.
TEST(FxMLThreadTest, InfiniteShutdownStopsAWaitingJobAndDeliversItsCompletion) {
    EXPECT_FALSE(CFxMLThread::WaitForStop(1000));  // not a worker: no wait
    auto started = std::make_shared<std::atomic<bool>>(false);
    int delivered = 0;
    QElapsedTimer clock;
    {
        CFxMLThreadManager manager;
        manager.StartMLThreads(1, 1, 10);
        auto job = [started](CFxRevPropStore* s) {
            started->store(true);
            while (!CFxMLThread::WaitForStop(60000)) {
            }
            s->SetInt("stopped", CFxMLThread::IsStopRequested());
        };
        AddJob(manager, job, [&](CFxRevPropStore* s) { delivered += s->GetInt("stopped", 0); });
        ASSERT_TRUE(WaitUntil([&] { return started->load(); }));
        clock.start();
    }
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(delivered, 1);
}

// Many short jobs on a full pool, completions taken out while workers keep
// appending: every completion arrives once, on the manager's thread.
TEST(FxMLThreadStressTest, HundredThousandJobsWithCompletionsDeliveredMeanwhile) {
    constexpr int kJobs = 100000;
    CFxMLThreadManager manager;
    manager.StartMLThreads(8, 4, 10);
    std::vector<char> seen(kJobs, 0);
    int delivered = 0;
    bool offThread = false;
    auto completion = [&](CFxRevPropStore* s) {
        offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        const int n = s->GetInt("n", -1);
        if (n >= 0 && n < kJobs) ++seen[static_cast<size_t>(n)];
        ++delivered;
    };
    auto job = [](CFxRevPropStore* s) { s->SetInt("square", s->GetInt("n", 0) % 1000); };
    CFxRevPropStore args;
    for (int i = 0; i < kJobs;) {
        args.SetInt("n", i);
        if (AddJob(manager, job, completion, &args) != 0) {
            ++i;
        } else {
            manager.DeliverCompletions();
            std::this_thread::yield();
        }
        if (i % 1000 == 0) manager.DeliverCompletions();
    }
    ASSERT_TRUE(WaitUntil([&] {
        manager.DeliverCompletions();
        return delivered == kJobs;
    }));
    EXPECT_FALSE(offThread);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), kJobs);
}

}  // namespace
