#include "platform/uilog.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

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

ScopedUiLog::ScopedUiLog() {
    if (const char* log = std::getenv("DRAVIK_UI_LOG"); log && *log) {
        m_services = std::make_unique<LoggedUi>(log);
        SetUiServices(m_services.get());
    }
}

ScopedUiLog::~ScopedUiLog() {
    if (m_services) SetUiServices(nullptr);
}
