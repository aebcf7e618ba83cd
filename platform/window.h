#pragma once

// What windows and modules need of each other beyond Qt: numbered messages
// sent at once or posted to the event loop, timers by id, control ids, and
// window handles that name a window of any process on this system.
//
// A window is any QObject (usually a QWidget). Receivers register a handler
// per message number and one timer handler; everything a window registers is
// dropped with it.

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/platform_export.h"
#include "platform/wintypes.h"

class QAction;
class QWidget;

using UINT_PTR = std::uintptr_t;

constexpr UINT WM_USER = 0x0400;

// ---- Messages ------------------------------------------------------------

using MessageHandler = std::function<LRESULT(WPARAM, LPARAM)>;

// Installs the handler of one message number for `window`; an empty handler
// removes it.
PLATFORM_API void SetMessageHandler(QObject* window, UINT message, MessageHandler handler);

// Runs the receiver's handler before returning and returns its result; 0 when
// the window is null or has no handler for the message.
PLATFORM_API LRESULT SendMessage(QObject* window, UINT message, WPARAM wParam = 0,
                                 LPARAM lParam = 0);

// Queues the message on the event loop of the window's thread; messages
// posted to one window arrive in the order they were posted. Any thread may
// post, as long as the window outlives the call (by handle, a window that is
// gone is simply not found). Messages still queued when the window goes away
// are dropped. False only for a null window.
PLATFORM_API bool PostMessage(QObject* window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Handles now, in order, the messages posted to the window from its own
// thread that are still queued.
PLATFORM_API void DeliverPostedMessages(QObject* window);

// ---- Commands ------------------------------------------------------------

// A command notice to an owner window: wParam carries the command id in its
// low word, lParam is 0. Menus and tool bars post it for the item chosen.
constexpr UINT WM_COMMAND = 0x0111;

// The command id a menu item or tool-bar action stands for (0 = none).
PLATFORM_API void SetCommandId(QAction* action, UINT id);
PLATFORM_API UINT GetCommandId(const QAction* action);

// ---- Timers --------------------------------------------------------------

using TimerHandler = std::function<void(UINT_PTR id)>;

// The handler that receives every timer tick of `window` with the timer id.
PLATFORM_API void SetTimerHandler(QObject* window, TimerHandler handler);

// Arms timer `id` of `window` with a period in milliseconds; an armed id is
// restarted with the new period. Returns the id (0 for a null window).
PLATFORM_API UINT_PTR SetTimer(QObject* window, UINT_PTR id, UINT elapseMs);
// Stops the timer; false when it was not armed.
PLATFORM_API bool KillTimer(QObject* window, UINT_PTR id);
PLATFORM_API bool IsTimerSet(const QObject* window, UINT_PTR id);
// The period the timer was last armed with, 0 when it is not armed.
PLATFORM_API UINT GetTimerPeriod(const QObject* window, UINT_PTR id);

// For tests: delivers one tick of an armed timer now, as the event loop
// would. False (and nothing delivered) when the timer is not armed.
PLATFORM_API bool FireTimerForTest(QObject* window, UINT_PTR id);

// ---- Control ids ---------------------------------------------------------

// The id a dialog or frame knows its child by (0 = none).
PLATFORM_API void SetDlgCtrlID(QWidget* widget, int id);
PLATFORM_API int GetDlgCtrlID(const QWidget* widget);
// The first direct child widget of `parent` carrying `id`, or null.
PLATFORM_API QWidget* GetDlgItem(const QWidget* parent, int id);

// ---- Window handles ------------------------------------------------------

// A window's number as other processes and files see it: the process id in
// the upper 32 bits, a per-process counter below. Never 0 for a window.
using HWND = std::uint64_t;

// The handle of `widget`, given on first use and kept for its life; 0 for null.
PLATFORM_API HWND GetWindowHandle(QWidget* widget);
// The widget of a handle of this process, or null (other process, or gone).
PLATFORM_API QWidget* WindowFromHandle(HWND handle);
// Whether the handle names a live window: in this process the widget still
// exists; for another process, that process is still running.
PLATFORM_API bool IsWindow(HWND handle);
// The process id a handle belongs to.
constexpr std::uint32_t ProcessOfHandle(HWND handle) {
    return static_cast<std::uint32_t>(handle >> 32);
}

// Decimal text of a handle, and back: 0 for text that is not a whole
// unsigned 64-bit decimal number.
PLATFORM_API std::string HandleToText(HWND handle);
PLATFORM_API HWND HandleFromText(std::string_view text);

// Messages addressed by handle reach windows of this process only.
PLATFORM_API LRESULT SendMessage(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
PLATFORM_API bool PostMessage(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
