#pragma once

// User-interface services that answer at once without a window: every
// message box says OK, every chooser is cancelled. For programs that drive
// the code without a person, such as the fuzz targets.

#include "platform/uiservices.h"

class QuietUi : public UiServices {
public:
    int MessageBox(const std::string&, const std::string&, UINT, QWidget*) override { return IDOK; }
    std::optional<std::string> ChooseFile(const FileDialogRequest&) override { return {}; }
    std::optional<COLORREF> ChooseColor(COLORREF, QWidget*) override { return {}; }
    bool OpenDocument(const std::string&) override { return false; }
    void PlaySound(const std::string&) override {}
};
