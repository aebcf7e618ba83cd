#pragma once

// A document program run in-process for tests: scripted answers to every
// question, the application started with the test's arguments, and at the
// end the window closed (its save question answered "No") and the
// application ended.

#include <QApplication>
#include <QMainWindow>
#include <string>
#include <vector>

#include "platform/testing/scriptedui.h"
#include "platform/uiservices.h"

namespace fxtesting {

template <class App>
class DocProgramRun {
public:
    DocProgramRun() = default;
    ~DocProgramRun() {
        SetDialogHook({});
        if (QMainWindow* frame = app.GetMainFrame()) {
            // The save question of a test's own close is answered "No".
            ui.messageAnswers.clear();
            ui.messageAnswers.push_back(IDNO);
            frame->close();
        }
        app.ExitInstance();
        Settle();
    }
    DocProgramRun(const DocProgramRun&) = delete;
    DocProgramRun& operator=(const DocProgramRun&) = delete;

    // Delivers what was posted (requests, notices, repaints, queued closes).
    static void Settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }

    // The messages shown so far, as "caption|text".
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& m : ui.messages) out.push_back(m.caption + "|" + m.text);
        return out;
    }

    testsupport::ScriptedUi ui;
    App app;

protected:
    void Start(const std::vector<std::string>& arguments) {
        app.InitInstance(arguments);
        Settle();
    }
};

}  // namespace fxtesting
