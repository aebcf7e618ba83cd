#pragma once

// The about box of a program: its title, the product text (the product name
// and the version) in a control of its own, and OK. A program adds what its
// box shows beside that (a link to the maker's site) as further controls.

#include <QDialog>
#include <string>

#include "platform/wintypes.h"

class CFxAboutBox : public QDialog {
public:
    // `textId` is the control that shows "<product> <version>".
    CFxAboutBox(const std::string& title, int textId, const std::string& product,
                QWidget* parent = nullptr);
    // "<product> <version>" with the build's version text.
    static std::string GetProductText(const std::string& product);
};
