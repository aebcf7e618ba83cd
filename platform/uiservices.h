#pragma once

// The questions the program asks its user and the things it asks the desktop
// for (message boxes, file and colour choice, opening a document or link,
// sounds) go through one replaceable object, so that tests can answer them.
// Also: the fixed table of system colours, and the hook through which tests
// answer the program's own modal dialogs.

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "platform/platform_export.h"
#include "platform/wintypes.h"

class QDialog;
class QMenu;
class QPoint;
class QWidget;

// Message box buttons, icons and answers.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONSTOP = MB_ICONERROR;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONEXCLAMATION = MB_ICONWARNING;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_ICONMASK = 0xF0;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// System colours: one fixed table, so pictures come out the same everywhere.
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
// Black for an index outside the table.
PLATFORM_API COLORREF GetSysColor(int index);

// A file-type filter as the program writes one, "Desc(*.a)|*.a|All files(*.*)|*.*||",
// as Qt's "Desc (*.a);;All files (*)". "*.*" matches every file.
PLATFORM_API QString FilterToQt(const std::string& filter);

struct FileDialogRequest {
    bool save = false;
    std::string title;        // empty: the desktop's own title
    std::string filter;       // the program's filter text (above)
    std::string defaultExt;   // added to a typed name without extension, e.g. "dvk"
    std::string initialPath;  // folder or file
    QWidget* parent = nullptr;
};

class PLATFORM_API UiServices {
public:
    virtual ~UiServices();
    // IDOK, IDCANCEL, IDYES, ... by the buttons in `type`.
    virtual int MessageBox(const std::string& text, const std::string& caption, UINT type,
                           QWidget* parent) = 0;
    // The chosen path (system text), nothing when cancelled.
    virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;
    virtual std::optional<COLORREF> ChooseColor(COLORREF initial, QWidget* parent) = 0;
    // A file, folder or web address, opened by the desktop; false on failure.
    virtual bool OpenDocument(const std::string& pathOrUrl) = 0;
    // Starts a program with a parameter text (split like a command line),
    // without waiting for it; false when it cannot be started.
    virtual bool StartProgram(const std::string& program, const std::string& parameters);
    // A named sound; an empty name is the default beep.
    virtual void PlaySound(const std::string& name) = 0;
};

// The services in force: the Qt ones unless a test installed its own.
PLATFORM_API UiServices& Ui();
// The Qt services themselves, for services that pass some requests on.
PLATFORM_API UiServices& QtUi();
// Installs `services` (not owned); null restores the Qt ones.
PLATFORM_API void SetUiServices(UiServices* services);

// Shorthand for Ui().MessageBox.
PLATFORM_API int MessageBox(const std::string& text, const std::string& caption = "",
                            UINT type = MB_OK, QWidget* parent = nullptr);

// Runs one of the program's own modal dialogs and returns its result. When a
// test installed a hook, the hook answers instead of the user: it may fill
// the dialog's fields and returns the result (e.g. IDOK); exec() never runs.
PLATFORM_API int ExecDialog(QDialog& dialog);
PLATFORM_API void SetDialogHook(std::function<int(QDialog&)> hook);

// Opens a pop-up menu at a screen position and returns the command id (see
// SetCommandId) of the item chosen, 0 when the menu was dismissed. When a
// test installed a hook, the hook chooses instead of the user and returns the
// id; the menu never opens.
PLATFORM_API UINT ExecPopupMenu(QMenu& menu, const QPoint& screenPos);
PLATFORM_API void SetPopupMenuHook(std::function<UINT(QMenu&, const QPoint&)> hook);
