// Orvanta, the pixel-art program.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "apps/pixelart/orvantaapp.h"
#include "platform/uiservices.h"

namespace {

// With DRAVIK_UI_LOG set (by the tests that run the program as a process),
// questions are answered with their first button and written to that file,
// so that nothing waits for a user. The file dialogs are the user's own
// choices, not questions: they open as they do without the log.
class LoggedUi : public UiServices {
public:
    explicit LoggedUi(std::string path) : m_path(std::move(path)) {}
    int MessageBox(const std::string& text, const std::string& caption, UINT type,
                   QWidget*) override {
        std::ofstream(m_path, std::ios::app) << caption << "|" << text << "\n";
        switch (type & MB_TYPEMASK) {
            case MB_YESNO:
            case MB_YESNOCANCEL:
                return IDYES;
            default:
                return IDOK;
        }
    }
    std::optional<std::string> ChooseFile(const FileDialogRequest& request) override {
        return QtUi().ChooseFile(request);
    }
    std::optional<COLORREF> ChooseColor(COLORREF, QWidget*) override { return {}; }
    bool OpenDocument(const std::string&) override { return false; }
    void PlaySound(const std::string&) override {}

private:
    std::string m_path;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::unique_ptr<LoggedUi> logged;
    if (const char* log = std::getenv("DRAVIK_UI_LOG"); log && *log) {
        logged = std::make_unique<LoggedUi>(log);
        SetUiServices(logged.get());
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    COrvantaApp app;
    if (!app.InitInstance(arguments)) return 1;
    const int result = application.exec();
    app.ExitInstance();
    SetUiServices(nullptr);
    return result;
}
