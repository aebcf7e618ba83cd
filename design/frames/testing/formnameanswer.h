#pragma once

// Test and benchmark support: the next form-name dialog answered as the user
// answers it, the name typed into its edit and OK pressed. Header-only, so
// that the frames' tests, the designer's tests and the benchmarks share it.

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>
#include <string>

#include "platform/uiservices.h"
#include "platform/window.h"

namespace dsgtesting {

// `result`, when given, receives how the dialog ended.
inline void AnswerFormName(const std::string& name, int* result = nullptr) {
    SetDialogHook([name, result](QDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>();
        auto* ok = qobject_cast<QAbstractButton*>(GetDlgItem(&dialog, IDOK));
        int ended = IDCANCEL;
        if (edit && ok) {
            edit->setText(QString::fromStdString(name));
            ok->click();
            ended = dialog.result();
        }
        if (result) *result = ended;
        return ended;
    });
}

}  // namespace dsgtesting
