#include "platform/window.h"

#include <signal.h>
#include <unistd.h>

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <QTimerEvent>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace {

// The event a posted message travels in.
const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct MessageEvent : QEvent {
    MessageEvent(UINT m, WPARAM w, LPARAM l)
        : QEvent(kMessageEvent), message(m), wParam(w), lParam(l) {}
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Per-window bookkeeping: a child object of the window, so it goes with it and
// takes the window's still-queued messages along.
class WindowHub : public QObject {
public:
    explicit WindowHub(QObject* window) : QObject(window) {}
    ~WindowHub() override;

    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
        auto it = handlers.find(message);
        if (it == handlers.end()) return 0;
        MessageHandler handler = it->second;  // the handler may replace itself
        return handler(wParam, lParam);
    }

    void Tick(UINT_PTR id) {
        if (timerHandler) {
            TimerHandler handler = timerHandler;
            handler(id);
        }
    }

    struct Timer {
        int qtId = 0;
        UINT period = 0;
    };

    std::unordered_map<UINT, MessageHandler> handlers;
    TimerHandler timerHandler;
    std::map<UINT_PTR, Timer> timers;

protected:
    bool event(QEvent* e) override {
        if (e->type() == kMessageEvent) {
            auto* m = static_cast<MessageEvent*>(e);
            Dispatch(m->message, m->wParam, m->lParam);
            return true;
        }
        return QObject::event(e);
    }

    void timerEvent(QTimerEvent* e) override {
        for (const auto& [id, timer] : timers) {
            if (timer.qtId == e->timerId()) {
                Tick(id);
                return;
            }
        }
    }
};

// The hubs of all windows. Worker threads post messages too, so the table
// is looked at under its lock; a hub itself is made, used and destroyed only
// on its window's thread.
std::mutex& HubsLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_map<const QObject*, WindowHub*>& Hubs() {
    static std::unordered_map<const QObject*, WindowHub*> hubs;
    return hubs;
}

WindowHub::~WindowHub() {
    std::lock_guard<std::mutex> guard(HubsLock());
    Hubs().erase(parent());
}

WindowHub* FindHub(const QObject* window) {
    std::lock_guard<std::mutex> guard(HubsLock());
    auto it = Hubs().find(window);
    return it == Hubs().end() ? nullptr : it->second;
}

// On the window's thread only.
WindowHub* HubOf(QObject* window) {
    if (WindowHub* hub = FindHub(window)) return hub;
    auto* hub = new WindowHub(window);
    std::lock_guard<std::mutex> guard(HubsLock());
    Hubs()[window] = hub;
    return hub;
}

// Handles of this process's windows, under their own lock for the same
// reason.
std::mutex& HandleLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_map<HWND, QPointer<QWidget>>& HandleTable() {
    static std::unordered_map<HWND, QPointer<QWidget>> table;
    return table;
}
const char* const kHandleProperty = "dravikWindowHandle";
const char* const kCtrlIdProperty = "dravikCtrlId";
const char* const kCommandIdProperty = "dravikCommandId";

bool ProcessIsRunning(pid_t pid) {
    if (pid <= 0) return false;
    if (kill(pid, 0) != 0 && errno != EPERM) return false;
    // A zombie has ended; only its exit status is left to collect.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;  // no /proc: trust kill()
    const auto close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size()) return true;
    const char state = line[close + 2];
    return state != 'Z' && state != 'X';
}

}  // namespace

void SetMessageHandler(QObject* window, UINT message, MessageHandler handler) {
    if (!window) return;
    if (handler) {
        HubOf(window)->handlers[message] = std::move(handler);
    } else if (WindowHub* hub = FindHub(window)) {
        hub->handlers.erase(message);
    }
}

LRESULT SendMessage(QObject* window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowHub* hub = window ? FindHub(window) : nullptr;
    return hub ? hub->Dispatch(message, wParam, lParam) : 0;
}

bool PostMessage(QObject* window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window) return false;
    if (window->thread() == QThread::currentThread()) {
        QCoreApplication::postEvent(HubOf(window), new MessageEvent(message, wParam, lParam));
        return true;
    }
    // From another thread: the hub may not exist yet and may only be made on
    // the window's own thread, so the message travels as a queued call on the
    // window itself. Posted events of one thread are delivered in the order
    // they were posted, whatever their receiver, so the order of messages
    // to a window holds; the call goes with the window when it is destroyed.
    QMetaObject::invokeMethod(
        window,
        [window, message, wParam, lParam] { HubOf(window)->Dispatch(message, wParam, lParam); },
        Qt::QueuedConnection);
    return true;
}

void DeliverPostedMessages(QObject* window) {
    if (WindowHub* hub = window ? FindHub(window) : nullptr)
        QCoreApplication::sendPostedEvents(hub, kMessageEvent);
}

void SetTimerHandler(QObject* window, TimerHandler handler) {
    if (window) HubOf(window)->timerHandler = std::move(handler);
}

UINT_PTR SetTimer(QObject* window, UINT_PTR id, UINT elapseMs) {
    if (!window) return 0;
    WindowHub* hub = HubOf(window);
    auto& timer = hub->timers[id];
    if (timer.qtId != 0) hub->killTimer(timer.qtId);
    // Qt takes the period as an int: longer periods wait as long as it allows.
    const int period = static_cast<int>(std::min<UINT>(elapseMs, INT_MAX));
    timer.qtId = hub->startTimer(period, Qt::PreciseTimer);
    timer.period = elapseMs;
    return id;
}

bool KillTimer(QObject* window, UINT_PTR id) {
    WindowHub* hub = window ? FindHub(window) : nullptr;
    if (!hub) return false;
    auto it = hub->timers.find(id);
    if (it == hub->timers.end()) return false;
    hub->killTimer(it->second.qtId);
    hub->timers.erase(it);
    return true;
}

bool IsTimerSet(const QObject* window, UINT_PTR id) {
    const WindowHub* hub = window ? FindHub(window) : nullptr;
    return hub && hub->timers.count(id) != 0;
}

UINT GetTimerPeriod(const QObject* window, UINT_PTR id) {
    const WindowHub* hub = window ? FindHub(window) : nullptr;
    if (!hub) return 0;
    auto it = hub->timers.find(id);
    return it == hub->timers.end() ? 0 : it->second.period;
}

bool FireTimerForTest(QObject* window, UINT_PTR id) {
    if (!IsTimerSet(window, id)) return false;
    FindHub(window)->Tick(id);
    return true;
}

void SetDlgCtrlID(QWidget* widget, int id) {
    if (widget) widget->setProperty(kCtrlIdProperty, id);
}

int GetDlgCtrlID(const QWidget* widget) {
    return widget ? widget->property(kCtrlIdProperty).toInt() : 0;
}

QWidget* GetDlgItem(const QWidget* parent, int id) {
    if (!parent || id == 0) return nullptr;
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && GetDlgCtrlID(w) == id) return w;
    }
    return nullptr;
}

HWND GetWindowHandle(QWidget* widget) {
    if (!widget) return 0;
    const QVariant known = widget->property(kHandleProperty);
    if (known.isValid()) return known.toULongLong();
    static std::atomic<std::uint32_t> counter{0};
    const HWND handle = (static_cast<HWND>(static_cast<std::uint32_t>(getpid())) << 32) | ++counter;
    widget->setProperty(kHandleProperty, QVariant::fromValue<qulonglong>(handle));
    {
        std::lock_guard<std::mutex> guard(HandleLock());
        HandleTable()[handle] = widget;
    }
    QObject::connect(widget, &QObject::destroyed, [handle] {
        std::lock_guard<std::mutex> guard(HandleLock());
        HandleTable().erase(handle);
    });
    return handle;
}

QWidget* WindowFromHandle(HWND handle) {
    std::lock_guard<std::mutex> guard(HandleLock());
    auto it = HandleTable().find(handle);
    return it == HandleTable().end() ? nullptr : it->second.data();
}

bool IsWindow(HWND handle) {
    if (handle == 0) return false;
    const pid_t pid = static_cast<pid_t>(ProcessOfHandle(handle));
    if (pid == getpid()) return WindowFromHandle(handle) != nullptr;
    return ProcessIsRunning(pid);
}

std::string HandleToText(HWND handle) { return std::to_string(handle); }

HWND HandleFromText(std::string_view text) {
    HWND value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return 0;
    return value;
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessage(static_cast<QObject*>(WindowFromHandle(window)), message, wParam, lParam);
}

bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Looked up and posted under the table's lock, so that a window being
    // destroyed on its own thread either takes the message along or is no
    // longer found.
    std::lock_guard<std::mutex> guard(HandleLock());
    auto it = HandleTable().find(window);
    QObject* target = it == HandleTable().end() ? nullptr : it->second.data();
    if (!target) return false;
    // Posting takes the hub lock only; the handle lock held here is never
    // taken under it.
    return PostMessage(target, message, wParam, lParam);
}

void SetCommandId(QAction* action, UINT id) {
    if (action) action->setProperty(kCommandIdProperty, id);
}

UINT GetCommandId(const QAction* action) {
    return action ? action->property(kCommandIdProperty).toUInt() : 0;
}
