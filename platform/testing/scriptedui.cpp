#include "platform/testing/scriptedui.h"

namespace testsupport {

ScriptedUi::ScriptedUi() { SetUiServices(this); }
ScriptedUi::~ScriptedUi() { SetUiServices(nullptr); }

int ScriptedUi::MessageBox(const std::string& text, const std::string& caption, UINT type,
                           QWidget*) {
    messages.push_back({text, caption, type});
    if (!messageAnswers.empty()) {
        const int answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    switch (type & MB_TYPEMASK) {
        case MB_ABORTRETRYIGNORE:
            return IDABORT;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return IDYES;
        case MB_RETRYCANCEL:
            return IDRETRY;
        default:
            return IDOK;
    }
}

std::optional<std::string> ScriptedUi::ChooseFile(const FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (fileAnswers.empty()) return {};
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::optional<COLORREF> ScriptedUi::ChooseColor(COLORREF initial, QWidget*) {
    colorRequests.push_back(initial);
    if (colorAnswers.empty()) return {};
    auto answer = colorAnswers.front();
    colorAnswers.pop_front();
    return answer;
}

bool ScriptedUi::OpenDocument(const std::string& pathOrUrl) {
    openedDocuments.push_back(pathOrUrl);
    return openDocumentResult;
}

bool ScriptedUi::StartProgram(const std::string& program, const std::string& parameters) {
    startedPrograms.emplace_back(program, parameters);
    return startProgramResult;
}

void ScriptedUi::PlaySound(const std::string& name) { sounds.push_back(name); }

}  // namespace testsupport
