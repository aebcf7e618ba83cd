#include "foundation/fxutilswnd.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QTextEdit>
#include <QUrl>
#include <algorithm>

#include "foundation/fxsharedvalues.h"
#include "foundation/fxstrings.h"
#include "foundation/fxutils.h"
#include "platform/controls.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

// The dynamic property that carries a class name given by CreateClassWindow.
constexpr const char* kClassNameProperty = "dravikWindowClass";

CRect ToCRect(const QRect& r) {
    return CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

QRect ScreenRectOf(const QWidget* window) {
    if (window->isWindow()) return window->frameGeometry();
    return QRect(window->mapToGlobal(QPoint(0, 0)), window->size());
}

}  // namespace

// ---- Windows -----------------------------------------------------------------

BOOL CreateClassWindow(QWidget* window, const std::string& className, BOOL visible,
                       QWidget* parent) {
    if (window == nullptr) return FALSE;
    if (window->property(kClassNameProperty).isValid()) return TRUE;
    window->setProperty(kClassNameProperty, AnsiToQString(className));
    if (window->parentWidget() != parent) window->setParent(parent);
    window->setWindowTitle(QString());
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, QColor(GetRValue(face), GetGValue(face), GetBValue(face)));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setGeometry(0, 0, 0, 0);
    if (visible) window->show();
    return TRUE;
}

BOOL GetChildWindows(QWidget* window, std::vector<QWidget*>& children) {
    children.clear();
    if (window == nullptr) return FALSE;
    // Qt lists children bottom first; windows are listed topmost first.
    const QObjectList& objects = window->children();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        auto* child = qobject_cast<QWidget*>(*it);
        if (child != nullptr && !child->isWindow()) children.push_back(child);
    }
    return children.empty() ? FALSE : TRUE;
}

CRect GetWndRect(const QWidget* window) {
    if (window == nullptr) return CRect();
    return ToCRect(ScreenRectOf(window));
}

CRect GetHwndRect(HWND window) { return GetWndRect(WindowFromHandle(window)); }

CRect GetWndRectInParent(const QWidget* window) {
    if (window == nullptr || window->parentWidget() == nullptr) return CRect(-1, -1, -1, -1);
    if (!window->isWindow()) return ToCRect(window->geometry());
    const QRect frame = window->frameGeometry();
    return ToCRect(QRect(window->parentWidget()->mapFromGlobal(frame.topLeft()), frame.size()));
}

CRect GetDlgItemRectInParent(const QWidget* dialog, int id) {
    if (dialog == nullptr) return CRect();
    const QWidget* item = GetDlgItem(dialog, id);
    return item ? GetWndRectInParent(item) : CRect();
}

CSize GetClientSize(const QWidget* window) {
    if (window == nullptr) return CSize();
    return CSize(window->width(), window->height());
}

int GetWndWidth(const QWidget* window) { return GetWndRect(window).Width(); }

int GetWndLeft(const QWidget* window) { return GetWndRectInParent(window).left; }

int GetWndRight(const QWidget* window) { return GetWndRectInParent(window).right; }

CSize GetScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return CSize();
    return CSize(screen->geometry().width(), screen->geometry().height());
}

BOOL ResendSizeMessage(QWidget* window, BOOL post) {
    if (window == nullptr) return FALSE;
    const QSize size = ScreenRectOf(window).size();
    if (post) {
        QCoreApplication::postEvent(window, new QResizeEvent(size, size));
    } else {
        QResizeEvent event(size, size);
        QCoreApplication::sendEvent(window, &event);
    }
    return TRUE;
}

void ReapplyHwndSize(QWidget* window) {
    if (window == nullptr) return;
    const QSize size = window->size();
    window->resize(0, 0);
    window->resize(size);
}

BOOL IsWindowMaximized(const QWidget* window) {
    return window != nullptr && window->isMaximized() ? TRUE : FALSE;
}

std::string GetHwndText(const QWidget* window, BOOL trim) {
    if (window == nullptr) return {};
    QString text;
    if (auto* edit = qobject_cast<const QLineEdit*>(window)) {
        text = edit->text();
    } else if (auto* combo = qobject_cast<const QComboBox*>(window)) {
        text = combo->currentText();
    } else if (auto* button = qobject_cast<const QAbstractButton*>(window)) {
        text = button->text();
    } else if (auto* label = qobject_cast<const QLabel*>(window)) {
        text = label->text();
    } else if (auto* spin = qobject_cast<const QAbstractSpinBox*>(window)) {
        text = spin->text();
    } else if (auto* rich = qobject_cast<const QTextEdit*>(window)) {
        text = rich->toPlainText();
    } else if (auto* plain = qobject_cast<const QPlainTextEdit*>(window)) {
        text = plain->toPlainText();
    } else {
        text = window->windowTitle();
    }
    const std::string out = QStringToAnsi(text);
    return trim ? TrimText(out) : out;
}

int GetWndTextInt(const QWidget* window) { return AtoiText(GetHwndText(window)); }

int GetWindowTextInt(HWND window) { return GetWndTextInt(WindowFromHandle(window)); }

std::string GetWindowClassName(const QWidget* window, BOOL lowerCase) {
    if (window == nullptr) return {};
    const QVariant given = window->property(kClassNameProperty);
    std::string name =
        given.isValid() ? QStringToAnsi(given.toString()) : GetControlClassName(window);
    if (name.size() > 50) name.resize(50);
    return lowerCase ? MbLower(name) : name;
}

namespace {

int InvalidateInside(QWidget* window, const std::vector<std::string>& filter, bool recurse) {
    int count = 0;
    std::vector<QWidget*> children;
    GetChildWindows(window, children);
    for (QWidget* child : children) {
        if (filter.empty() ||
            std::find(filter.begin(), filter.end(), GetWindowClassName(child)) != filter.end()) {
            child->update();
            ++count;
        }
        // Qt windows always clip their children, so every child is walked.
        if (recurse) count += InvalidateInside(child, filter, recurse);
    }
    return count;
}

}  // namespace

int InvalidateChildren(QWidget* window, BOOL /*erase*/, const std::string& classFilter,
                       BOOL recurse) {
    if (window == nullptr) return 0;
    std::vector<std::string> filter;
    SplitString(classFilter, filter, '|', TRUE);
    return InvalidateInside(window, filter, recurse != FALSE);
}

BOOL HasFocusWithin(const QWidget* window, BOOL includeSelf) {
    if (window == nullptr) return FALSE;
    const QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr) return FALSE;
    if (focus == window) return includeSelf;
    for (const QWidget* w = focus->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (w == window) return TRUE;
    }
    return FALSE;
}

int AskYesNo(const std::string& text, const std::string& caption) {
    return MessageBox(text, caption, MB_YESNO | MB_ICONQUESTION, QApplication::activeWindow()) ==
                   IDYES
               ? 1
               : 0;
}

void UncheckButtonsExcept(const std::vector<QAbstractButton*>& buttons, const QWidget* keep) {
    for (QAbstractButton* button : buttons) {
        if (button == nullptr || button == keep) continue;
        // An exclusive button refuses to be unchecked while it is the checked one.
        QButtonGroup* group = button->group();
        const bool groupExclusive = group && group->exclusive();
        const bool exclusive = button->autoExclusive();
        if (groupExclusive) group->setExclusive(false);
        button->setAutoExclusive(false);
        SetButtonCheck(button, BST_UNCHECKED);
        button->setAutoExclusive(exclusive);
        if (groupExclusive) group->setExclusive(true);
    }
}

// ---- Window state --------------------------------------------------------------

void WindowStateToText(const QWidget* window, std::string& text) {
    if (window == nullptr || window->isMinimized()) return;
    CFxStringMap values;
    ParseKeyValueText(text, values, "=", "&");
    const bool maximized = window->isMaximized();
    values["max"] = maximized ? "1" : "0";
    if (!maximized) {
        // A top-level window: where its frame lies and the size of its inside,
        // the two that move() and resize() take back, so that a window saved
        // and restored comes back exactly as it was.
        const CRect rect = window->isWindow() ? CRect(CPoint(window->x(), window->y()),
                                                      CSize(window->width(), window->height()))
                                              : GetWndRect(window);
        values["x"] = std::to_string(rect.left);
        values["y"] = std::to_string(rect.top);
        values["cx"] = std::to_string(rect.Width());
        values["cy"] = std::to_string(rect.Height());
    }
    KeyValueTextFromMap(values, text, "=", "&");
}

BOOL WindowStateFromText(const std::string& text, BOOL textRead, CSize screen,
                         FxWindowPlacement& placement, BOOL& maximized, int minWidth,
                         int minHeight) {
    if (minWidth <= 0) minWidth = screen.cx / 4;
    if (minHeight <= 0) minHeight = screen.cy / 4;
    CFxStringMap values;
    ParseKeyValueText(text, values, "=", "&", TRUE);
    const auto number = [&values](const char* key) { return AtoiText(values[key]); };
    maximized = values.count("max") && number("max") != 0 ? TRUE : FALSE;
    const bool complete = textRead && values.count("max") && values.count("x") &&
                          values.count("y") && values.count("cx") && values.count("cy");
    if (!complete) {
        placement.x = screen.cx / 4;
        placement.y = screen.cy / 4;
        placement.cx = screen.cx / 2;
        placement.cy = screen.cy / 2;
        return FALSE;
    }
    placement.x = std::max(0, std::min(number("x"), static_cast<int>(screen.cx) - minWidth));
    placement.y = std::max(0, std::min(number("y"), static_cast<int>(screen.cy) - minHeight));
    // No larger than the screen (a window far larger cannot be drawn), and
    // at least the minimum, which wins on a screen smaller than it.
    placement.cx = std::max(std::min(number("cx"), static_cast<int>(screen.cx)), minWidth);
    placement.cy = std::max(std::min(number("cy"), static_cast<int>(screen.cy)), minHeight);
    return TRUE;
}

BOOL LoadWindowState(const std::string& path, FxWindowPlacement& placement, BOOL& maximized,
                     int minWidth, int minHeight) {
    std::string text;
    const BOOL read = ReadTextFile(path, text, TRUE, ' ');
    return WindowStateFromText(text, read, GetScreenSize(), placement, maximized, minWidth,
                               minHeight);
}

// ---- Files -----------------------------------------------------------------------

std::string MakeBrowseFilter(const std::string& description, const std::string& extensions) {
    const std::string allFiles =
        (FxSharedValues().GetPVLanguage() == "eng" ? std::string("All files") : A("모든 파일")) +
        "(*.*)|*.*||";
    const std::string cut = description.substr(0, description.find('('));
    std::vector<std::string> parts;
    SplitString(extensions, parts, '/', TRUE);
    if (description.empty() || parts.empty()) return allFiles;
    std::string patterns;
    for (const std::string& ext : parts) patterns += (patterns.empty() ? "" : ";") + ("*." + ext);
    return cut + "(" + patterns + ")|" + patterns + "|" + allFiles;
}

std::string BrowseFileDialog(BOOL open, const std::string& description,
                             const std::string& extensions, const std::string& initialFolder,
                             const std::string& fileName, DWORD /*flags*/, QWidget* owner) {
    FileDialogRequest request;
    request.save = !open;
    request.filter = MakeBrowseFilter(description, extensions);
    if (initialFolder.empty()) {
        request.initialPath = fileName;
    } else if (fileName.empty()) {
        request.initialPath = initialFolder;
    } else {
        request.initialPath = initialFolder + (initialFolder.back() == '/' ? "" : "/") + fileName;
    }
    request.parent = owner;
    const std::optional<std::string> chosen = Ui().ChooseFile(request);
    return chosen ? *chosen : std::string();
}

int GetDroppedFiles(const QMimeData* drop, std::vector<std::string>& files) {
    files.clear();
    if (drop == nullptr || !drop->hasUrls()) return 0;
    for (const QUrl& url : drop->urls()) {
        if (url.isLocalFile()) files.push_back(QStringToAnsi(url.toLocalFile()));
    }
    return static_cast<int>(files.size());
}
