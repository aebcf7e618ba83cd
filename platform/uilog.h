#pragma once

// For the tests that run a program as a process: with DRAVIK_UI_LOG set,
// questions are answered with their first button and written to that file,
// so that nothing waits for a user. The file dialogs are the user's own
// choices, not questions: they open as they do without the log.

#include <memory>

#include "platform/platform_export.h"
#include "platform/uiservices.h"

class PLATFORM_API ScopedUiLog {
public:
    // Installs the logged services when DRAVIK_UI_LOG names a file.
    ScopedUiLog();
    // Puts the default services back.
    ~ScopedUiLog();
    ScopedUiLog(const ScopedUiLog&) = delete;
    ScopedUiLog& operator=(const ScopedUiLog&) = delete;

private:
    std::unique_ptr<UiServices> m_services;
};
