#pragma once

// User-interface services that answer from a script, for tests: nothing
// blocks, every question is recorded.

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/uiservices.h"

namespace testsupport {

class ScriptedUi : public UiServices {
public:
    // Installs itself for the lifetime of the object.
    ScriptedUi();
    ~ScriptedUi() override;
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    // Answers, used in order. Without one a message box answers with its
    // first button (IDOK, IDYES, IDABORT or IDRETRY) and the dialogs cancel.
    std::deque<int> messageAnswers;
    std::deque<std::optional<std::string>> fileAnswers;
    std::deque<std::optional<COLORREF>> colorAnswers;
    bool openDocumentResult = true;

    struct Message {
        std::string text;
        std::string caption;
        UINT type = 0;
    };
    std::vector<Message> messages;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<COLORREF> colorRequests;
    std::vector<std::string> openedDocuments;
    bool startProgramResult = true;
    std::vector<std::pair<std::string, std::string>> startedPrograms;  // program, parameters
    std::vector<std::string> sounds;

    int MessageBox(const std::string& text, const std::string& caption, UINT type,
                   QWidget* parent) override;
    std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;
    std::optional<COLORREF> ChooseColor(COLORREF initial, QWidget* parent) override;
    bool OpenDocument(const std::string& pathOrUrl) override;
    bool StartProgram(const std::string& program, const std::string& parameters) override;
    void PlaySound(const std::string& name) override;
};

}  // namespace testsupport
