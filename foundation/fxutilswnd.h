#pragma once

// Window helpers: rectangles, texts and class names of windows, the main
// frames' window-state text, the file dialog, dropped files and the yes/no
// question. Stateless; each returns its result rather than raising.

#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class QAbstractButton;
class QMimeData;
class QWidget;

// ---- Windows -----------------------------------------------------------------

// Gives the window object its window of the class when it has none yet
// (TRUE at once when it has): the class name is recorded for
// GetWindowClassName, the background is the button face colour, the title
// and the rectangle are empty, the parent is `parent`. FALSE for null.
BOOL CreateClassWindow(QWidget* window, const std::string& className, BOOL visible,
                       QWidget* parent);
// The direct child windows, topmost first. FALSE for null or no children.
BOOL GetChildWindows(QWidget* window, std::vector<QWidget*>& children);

// The window rectangle in screen coordinates (its frame for a top-level
// window); empty for null or a handle that names no window of this process.
CRect GetWndRect(const QWidget* window);
CRect GetHwndRect(HWND window);
// The window rectangle in the parent's client coordinates; all -1 without a
// parent.
CRect GetWndRectInParent(const QWidget* window);
// The rectangle of the dialog's item of that id in the dialog's client
// coordinates; empty when there is no such item.
CRect GetDlgItemRectInParent(const QWidget* dialog, int id);
CSize GetClientSize(const QWidget* window);
int GetWndWidth(const QWidget* window);
int GetWndLeft(const QWidget* window);
int GetWndRight(const QWidget* window);
// The size of the primary screen.
CSize GetScreenSize();

// Makes the window lay itself out again as after a resize to the size of its
// window rectangle, at once or through the event loop. FALSE for null.
BOOL ResendSizeMessage(QWidget* window, BOOL post);
// Sizes the window to 0 x 0 and back, forcing a relayout.
void ReapplyHwndSize(QWidget* window);
BOOL IsWindowMaximized(const QWidget* window);

// The window's text (a control's content, else its title), trimmed when
// asked; and read as a number.
std::string GetHwndText(const QWidget* window, BOOL trim = FALSE);
int GetWndTextInt(const QWidget* window);
int GetWindowTextInt(HWND window);
// The class the window stands for (at most 50 characters), lower-cased when
// asked: the one given to CreateClassWindow, else the control class.
std::string GetWindowClassName(const QWidget* window, BOOL lowerCase = FALSE);
// Repaints each direct child whose class name is in the "|"-separated filter
// (exact case; every child for an empty filter); with `recurse`, also inside
// the children. Returns how many windows were invalidated.
int InvalidateChildren(QWidget* window, BOOL erase, const std::string& classFilter = "",
                       BOOL recurse = FALSE);
// TRUE when the focus is inside the window (or on it, when `includeSelf`).
BOOL HasFocusWithin(const QWidget* window, BOOL includeSelf = TRUE);
// A yes/no question over the active window; 1 for Yes, else 0.
int AskYesNo(const std::string& text, const std::string& caption);
// Unchecks every button of the list except `keep`, exclusive ones (by
// themselves or in an exclusive group) too.
void UncheckButtonsExcept(const std::vector<QAbstractButton*>& buttons, const QWidget* keep);

// ---- Window state --------------------------------------------------------------

// Where a main frame opens: its window rectangle.
struct FxWindowPlacement {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

// Writes the window's state into the key=value text ("=" and "&"): "max" 1 or
// 0 and, unless maximised, "x", "y", "cx", "cy"; other keys stay. Nothing for
// null or a minimised window. For a top-level window "x" and "y" are the
// position of its frame and "cx" and "cy" the size inside it, so that move()
// and resize() restore it exactly.
void WindowStateToText(const QWidget* window, std::string& text);
// The placement of a main frame from its state file. Minimums of 0 or less
// mean a quarter of the screen. When the file holds "max", "x", "y", "cx" and
// "cy", the window is kept on the screen, no larger than the screen and at
// least the minimum size (the minimum wins on a smaller screen);
// otherwise it opens at a quarter of the screen with half its size. TRUE when
// the file's values were used.
BOOL LoadWindowState(const std::string& path, FxWindowPlacement& placement, BOOL& maximized,
                     int minWidth = 0, int minHeight = 0);
// The same against a given screen size.
BOOL WindowStateFromText(const std::string& text, BOOL textRead, CSize screen,
                         FxWindowPlacement& placement, BOOL& maximized, int minWidth = 0,
                         int minHeight = 0);

// ---- Files -----------------------------------------------------------------------

// The filter of the file dialog: the description cut at its first "(", the
// "/"-separated extensions as patterns, then the all-files entry in the
// process language.
std::string MakeBrowseFilter(const std::string& description, const std::string& extensions);
// Asks for a file to open (or to save to); the chosen full path, empty when
// cancelled.
std::string BrowseFileDialog(BOOL open, const std::string& description,
                             const std::string& extensions, const std::string& initialFolder = "",
                             const std::string& fileName = "", DWORD flags = 0,
                             QWidget* owner = nullptr);
// The local files among dropped data; their number.
int GetDroppedFiles(const QMimeData* drop, std::vector<std::string>& files);
