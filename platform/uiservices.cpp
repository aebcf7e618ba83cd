#include "platform/uiservices.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include "platform/textcodec.h"
#include "platform/window.h"

UiServices::~UiServices() = default;

bool UiServices::StartProgram(const std::string& program, const std::string& parameters) {
    return QProcess::startDetached(AnsiToQString(program),
                                   QProcess::splitCommand(AnsiToQString(parameters)));
}

COLORREF GetSysColor(int index) {
    static const COLORREF table[] = {
        RGB(212, 208, 200),  // scroll bar
        RGB(58, 110, 165),   // desktop
        RGB(10, 36, 106),    // active caption
        RGB(128, 128, 128),  // inactive caption
        RGB(212, 208, 200),  // menu
        RGB(255, 255, 255),  // window
        RGB(0, 0, 0),        // window frame
        RGB(0, 0, 0),        // menu text
        RGB(0, 0, 0),        // window text
        RGB(255, 255, 255),  // caption text
        RGB(212, 208, 200),  // active border
        RGB(212, 208, 200),  // inactive border
        RGB(128, 128, 128),  // application workspace
        RGB(10, 36, 106),    // highlight
        RGB(255, 255, 255),  // highlight text
        RGB(212, 208, 200),  // button face
        RGB(128, 128, 128),  // button shadow
        RGB(128, 128, 128),  // grey text
        RGB(0, 0, 0),        // button text
        RGB(212, 208, 200),  // inactive caption text
        RGB(255, 255, 255),  // button highlight
        RGB(64, 64, 64),     // 3-D dark shadow
        RGB(212, 208, 200),  // 3-D light
        RGB(0, 0, 0),        // tooltip text
        RGB(255, 255, 225),  // tooltip background
    };
    if (index < 0 || index >= static_cast<int>(std::size(table))) return RGB(0, 0, 0);
    return table[index];
}

QString FilterToQt(const std::string& filter) {
    const QStringList parts = AnsiToQString(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;  // the closing "||"
        QString description = parts[i];
        // Qt reads the patterns from the last parentheses of the description.
        const qsizetype paren = description.lastIndexOf('(');
        if (paren >= 0 && description.endsWith(')')) description.truncate(paren);
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts))
            patterns << (p.trimmed() == "*.*" ? QStringLiteral("*") : p.trimmed());
        out << description.trimmed() + " (" + patterns.join(' ') + ")";
    }
    return out.join(";;");
}

namespace {

class QtUiServices : public UiServices {
public:
    int MessageBox(const std::string& text, const std::string& caption, UINT type,
                   QWidget* parent) override {
        QMessageBox box(parent);
        box.setWindowTitle(AnsiToQString(caption));
        box.setText(AnsiToQString(text));
        switch (type & MB_ICONMASK) {
            case MB_ICONERROR:
                box.setIcon(QMessageBox::Critical);
                break;
            case MB_ICONQUESTION:
                box.setIcon(QMessageBox::Question);
                break;
            case MB_ICONWARNING:
                box.setIcon(QMessageBox::Warning);
                break;
            case MB_ICONINFORMATION:
                box.setIcon(QMessageBox::Information);
                break;
            default:
                break;
        }
        struct Choice {
            QMessageBox::StandardButton button;
            int answer;
        };
        std::vector<Choice> choices;
        switch (type & MB_TYPEMASK) {
            case MB_OKCANCEL:
                choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
                break;
            case MB_ABORTRETRYIGNORE:
                choices = {{QMessageBox::Abort, IDABORT},
                           {QMessageBox::Retry, IDRETRY},
                           {QMessageBox::Ignore, IDIGNORE}};
                break;
            case MB_YESNOCANCEL:
                choices = {{QMessageBox::Yes, IDYES},
                           {QMessageBox::No, IDNO},
                           {QMessageBox::Cancel, IDCANCEL}};
                break;
            case MB_YESNO:
                choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
                break;
            case MB_RETRYCANCEL:
                choices = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
                break;
            default:
                choices = {{QMessageBox::Ok, IDOK}};
                break;
        }
        QMessageBox::StandardButtons buttons;
        for (const Choice& c : choices) buttons |= c.button;
        box.setStandardButtons(buttons);
        box.setDefaultButton(choices.front().button);
        const int pressed = box.exec();
        for (const Choice& c : choices)
            if (pressed == c.button) return c.answer;
        return choices.size() == 1 ? choices.front().answer : IDCANCEL;
    }

    std::optional<std::string> ChooseFile(const FileDialogRequest& request) override {
        QFileDialog dialog(request.parent, AnsiToQString(request.title),
                           AnsiToQString(request.initialPath), FilterToQt(request.filter));
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!request.defaultExt.empty()) dialog.setDefaultSuffix(AnsiToQString(request.defaultExt));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return QStringToAnsi(dialog.selectedFiles().front());
    }

    std::optional<COLORREF> ChooseColor(COLORREF initial, QWidget* parent) override {
        const QColor start(GetRValue(initial), GetGValue(initial), GetBValue(initial));
        const QColor chosen = QColorDialog::getColor(start, parent);
        if (!chosen.isValid()) return {};
        return RGB(chosen.red(), chosen.green(), chosen.blue());
    }

    bool OpenDocument(const std::string& pathOrUrl) override {
        const QString target = AnsiToQString(pathOrUrl);
        const QUrl url = target.contains("://") ? QUrl(target) : QUrl::fromLocalFile(target);
        return QDesktopServices::openUrl(url);
    }

    void PlaySound(const std::string&) override { QApplication::beep(); }
};

UiServices* g_override = nullptr;
std::function<int(QDialog&)> g_dialogHook;
std::function<UINT(QMenu&, const QPoint&)> g_popupMenuHook;

}  // namespace

UiServices& QtUi() {
    static QtUiServices qtServices;
    return qtServices;
}

UiServices& Ui() { return g_override ? *g_override : QtUi(); }

void SetUiServices(UiServices* services) { g_override = services; }

int MessageBox(const std::string& text, const std::string& caption, UINT type, QWidget* parent) {
    return Ui().MessageBox(text, caption, type, parent);
}

int ExecDialog(QDialog& dialog) {
    if (g_dialogHook) return g_dialogHook(dialog);
    const int result = dialog.exec();
    return result == QDialog::Rejected ? IDCANCEL : result;
}

void SetDialogHook(std::function<int(QDialog&)> hook) { g_dialogHook = std::move(hook); }

UINT ExecPopupMenu(QMenu& menu, const QPoint& screenPos) {
    if (g_popupMenuHook) return g_popupMenuHook(menu, screenPos);
    return GetCommandId(menu.exec(screenPos));
}

void SetPopupMenuHook(std::function<UINT(QMenu&, const QPoint&)> hook) {
    g_popupMenuHook = std::move(hook);
}
