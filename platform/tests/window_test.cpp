#include "platform/window.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing/testsupport.h"

namespace {

void DrainEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

TEST(WindowMessageTest, SentMessageRunsBeforeReturnWithItsParameters) {
    QObject window;
    std::vector<std::string> log;
    int payload = 0;
    SetMessageHandler(&window, WM_USER + 297, [&](WPARAM w, LPARAM l) -> LRESULT {
        log.push_back("handler");
        *reinterpret_cast<int*>(w) = static_cast<int>(l);
        return 77;
    });
    const LRESULT result =
        SendMessage(&window, WM_USER + 297, reinterpret_cast<WPARAM>(&payload), -5);
    log.push_back("after");
    EXPECT_EQ(result, 77);
    EXPECT_EQ(payload, -5);
    EXPECT_EQ(log, (std::vector<std::string>{"handler", "after"}));
    // No handler for a message, and no window: nothing runs, result 0.
    EXPECT_EQ(SendMessage(&window, WM_USER + 1), 0);
    EXPECT_EQ(SendMessage(static_cast<QObject*>(nullptr), WM_USER + 297), 0);
    // Removing the handler.
    SetMessageHandler(&window, WM_USER + 297, nullptr);
    EXPECT_EQ(SendMessage(&window, WM_USER + 297, reinterpret_cast<WPARAM>(&payload), 1), 0);
    EXPECT_EQ(payload, -5);
}

TEST(WindowMessageTest, PostedMessagesArriveLaterAndInOrder) {
    QObject window;
    std::vector<std::string> log;
    SetMessageHandler(&window, WM_USER + 304, [&](WPARAM w, LPARAM) -> LRESULT {
        log.push_back("304:" + std::to_string(w));
        return 0;
    });
    SetMessageHandler(&window, WM_USER + 52, [&](WPARAM w, LPARAM) -> LRESULT {
        log.push_back("52:" + std::to_string(w));
        // A message sent from inside a posted one runs at once.
        SendMessage(&window, WM_USER + 1);
        return 0;
    });
    SetMessageHandler(&window, WM_USER + 1, [&](WPARAM, LPARAM) -> LRESULT {
        log.push_back("sent");
        return 0;
    });
    EXPECT_TRUE(PostMessage(&window, WM_USER + 304, 1));
    EXPECT_TRUE(PostMessage(&window, WM_USER + 52, 2));
    EXPECT_TRUE(PostMessage(&window, WM_USER + 304, 3));
    log.push_back("posted");
    DrainEvents();
    EXPECT_EQ(log, (std::vector<std::string>{"posted", "304:1", "52:2", "sent", "304:3"}));
    EXPECT_FALSE(PostMessage(static_cast<QObject*>(nullptr), WM_USER));
}

// Worker threads post by pointer and by handle, some before the window has
// any bookkeeping, while the window's thread installs its handler: every
// message arrives once, on the window's thread, each thread's in order.
TEST(WindowMessageTest, PostsFromOtherThreadsArriveInOrderOnTheWindowsThread) {
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    for (bool byHandle : {false, true}) {
        SCOPED_TRACE(byHandle ? "by handle" : "by pointer");
        QWidget window;
        const HWND handle = GetWindowHandle(&window);
        std::vector<std::thread> workers;
        for (int t = 0; t < kThreads; ++t) {
            workers.emplace_back([&, t] {
                for (int i = 0; i < kEach; ++i) {
                    const bool posted = byHandle ? PostMessage(handle, WM_USER + 52, t, i)
                                                 : PostMessage(&window, WM_USER + 52, t, i);
                    if (!posted) std::abort();
                }
            });
        }
        std::vector<std::vector<LPARAM>> seen(kThreads);
        bool offThread = false;
        SetMessageHandler(&window, WM_USER + 52, [&](WPARAM w, LPARAM l) -> LRESULT {
            offThread |= QThread::currentThread() != window.thread();
            seen[w].push_back(l);
            return 0;
        });
        for (auto& w : workers) w.join();
        DrainEvents();
        EXPECT_FALSE(offThread);
        for (int t = 0; t < kThreads; ++t) {
            ASSERT_EQ(seen[t].size(), static_cast<size_t>(kEach));
            EXPECT_TRUE(std::is_sorted(seen[t].begin(), seen[t].end()));
        }
    }
}

TEST(WindowMessageTest, PostsFromAnotherThreadToAClosedWindowAreDropped) {
    int calls = 0;
    auto window = std::make_unique<QWidget>();
    const HWND handle = GetWindowHandle(window.get());
    SetMessageHandler(window.get(), WM_USER + 5,
                      [&](WPARAM, LPARAM) -> LRESULT { return ++calls; });
    std::thread([&] { PostMessage(window.get(), WM_USER + 5); }).join();
    window.reset();
    bool postedAfter = true;
    std::thread([&] { postedAfter = PostMessage(handle, WM_USER + 5); }).join();
    DrainEvents();
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(postedAfter);
}

TEST(WindowMessageTest, MessagesQueuedForAClosedWindowAreDropped) {
    int calls = 0;
    auto window = std::make_unique<QObject>();
    SetMessageHandler(window.get(), WM_USER + 5,
                      [&](WPARAM, LPARAM) -> LRESULT { return ++calls; });
    PostMessage(window.get(), WM_USER + 5);
    window.reset();
    DrainEvents();
    EXPECT_EQ(calls, 0);
}

TEST(WindowTimerTest, ArmRestartKillAndFire) {
    QObject window;
    std::vector<UINT_PTR> ticks;
    SetTimerHandler(&window, [&](UINT_PTR id) { ticks.push_back(id); });

    EXPECT_FALSE(FireTimerForTest(&window, 2));  // not armed
    EXPECT_EQ(SetTimer(&window, 2, 1300), 2u);
    EXPECT_EQ(SetTimer(&window, 2386, 10), 2386u);
    EXPECT_TRUE(IsTimerSet(&window, 2));
    EXPECT_EQ(GetTimerPeriod(&window, 2), 1300u);

    EXPECT_TRUE(FireTimerForTest(&window, 2386));
    EXPECT_TRUE(FireTimerForTest(&window, 2));
    EXPECT_EQ(ticks, (std::vector<UINT_PTR>{2386, 2}));

    // Setting an armed id restarts it with the new period; it stays one timer.
    SetTimer(&window, 2, 400);
    EXPECT_EQ(GetTimerPeriod(&window, 2), 400u);
    EXPECT_TRUE(KillTimer(&window, 2));
    EXPECT_FALSE(IsTimerSet(&window, 2));
    EXPECT_FALSE(KillTimer(&window, 2));
    EXPECT_FALSE(FireTimerForTest(&window, 2));
    EXPECT_TRUE(IsTimerSet(&window, 2386));
    EXPECT_EQ(ticks.size(), 2u);
}

TEST(WindowTimerTest, ReArmedTimerRunsOnTheEventLoopWithItsNewPeriod) {
    QObject window;
    std::vector<UINT_PTR> ticks;
    SetTimerHandler(&window, [&](UINT_PTR id) {
        ticks.push_back(id);
        KillTimer(&window, id);
    });
    SetTimer(&window, 7, 3600 * 1000);
    SetTimer(&window, 7, 1);  // restart: the hour-long period is gone
    QElapsedTimer clock;
    clock.start();
    while (ticks.empty() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(ticks, (std::vector<UINT_PTR>{7}));
    EXPECT_FALSE(IsTimerSet(&window, 7));
}

TEST(WindowIdTest, ChildrenFoundByControlId) {
    QWidget parent;
    auto* a = new QWidget(&parent);
    auto* b = new QWidget(&parent);
    auto* nested = new QWidget(b);
    SetDlgCtrlID(a, 1003);
    SetDlgCtrlID(b, 1004);
    SetDlgCtrlID(nested, 1005);
    EXPECT_EQ(GetDlgItem(&parent, 1004), b);
    EXPECT_EQ(GetDlgItem(&parent, 1005), nullptr);  // direct children only
    EXPECT_EQ(GetDlgItem(b, 1005), nested);
    EXPECT_EQ(GetDlgItem(&parent, 0), nullptr);
    auto* twin = new QWidget(&parent);
    SetDlgCtrlID(twin, 1003);
    EXPECT_EQ(GetDlgItem(&parent, 1003), a);  // the first one
}

TEST(WindowHandleTest, HandlesCarryTheProcessAndFollowTheWidget) {
    auto w1 = std::make_unique<QWidget>();
    QWidget w2;
    const HWND h1 = GetWindowHandle(w1.get());
    const HWND h2 = GetWindowHandle(&w2);
    EXPECT_NE(h1, 0u);
    EXPECT_NE(h1, h2);
    EXPECT_EQ(GetWindowHandle(w1.get()), h1);  // stable
    EXPECT_EQ(ProcessOfHandle(h1), static_cast<std::uint32_t>(getpid()));
    EXPECT_EQ(WindowFromHandle(h1), w1.get());
    EXPECT_TRUE(IsWindow(h1));

    int got = 0;
    SetMessageHandler(w1.get(), WM_USER + 9,
                      [&](WPARAM w, LPARAM) -> LRESULT { return got = static_cast<int>(w); });
    EXPECT_EQ(SendMessage(h1, WM_USER + 9, 4), 4);

    w1.reset();
    EXPECT_EQ(WindowFromHandle(h1), nullptr);
    EXPECT_FALSE(IsWindow(h1));
    EXPECT_EQ(SendMessage(h1, WM_USER + 9, 5), 0);
    EXPECT_FALSE(PostMessage(h1, WM_USER + 9, 5));
    EXPECT_FALSE(IsWindow(0));
    EXPECT_EQ(GetWindowHandle(nullptr), 0u);
}

TEST(WindowHandleTest, DecimalTextIsReadAsSixtyFourBits) {
    const HWND big = (HWND{4000000} << 32) | 17;
    EXPECT_EQ(HandleToText(big), "17179869184000017");
    EXPECT_EQ(HandleFromText("17179869184000017"), big);
    EXPECT_EQ(HandleFromText("18446744073709551615"), ~HWND{0});
    // Overflow, nothing, a sign, trailing or leading junk.
    for (const char* bad : {"18446744073709551616", "", "-1", "12a", " 12"})
        EXPECT_EQ(HandleFromText(bad), 0u) << bad;
}

TEST(WindowHandleTest, LivenessAcrossProcesses) {
    // A handle of another process lives while that process runs.
    const pid_t child = testsupport::ForkChild([] {
        pause();
        return 0;
    });
    ASSERT_GT(child, 0);
    const HWND other = (static_cast<HWND>(child) << 32) | 1;
    EXPECT_TRUE(IsWindow(other));
    kill(child, SIGKILL);
    // Killed but not yet collected (a zombie), and collected: dead either way.
    QElapsedTimer clock;
    clock.start();
    while (IsWindow(other) && clock.elapsed() < 5000) usleep(1000);
    EXPECT_FALSE(IsWindow(other));
    EXPECT_EQ(testsupport::WaitChild(child), -SIGKILL);
    EXPECT_FALSE(IsWindow(other));

    // And another process sees this process's window as live.
    QWidget mine;
    const HWND h = GetWindowHandle(&mine);
    const pid_t probe = testsupport::ForkChild([h] {
        // In the child the parent's handle belongs to another process.
        return IsWindow(h) ? 0 : 1;
    });
    EXPECT_EQ(testsupport::WaitChild(probe), 0);
}

}  // namespace

TEST(WindowTimerTest, PeriodBeyondQtsRangeStillArmsATimer) {
    static int warnings = 0;
    warnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString&) { ++warnings; });
    QObject window;
    SetTimer(&window, 3, 0xFFFFFFFFu);
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings, 0);  // Qt refuses a negative period with a warning
    EXPECT_TRUE(IsTimerSet(&window, 3));
    EXPECT_EQ(GetTimerPeriod(&window, 3), 0xFFFFFFFFu);
}
