#pragma once

// Children of the pixel program's dialogs, placed at fixed positions as the
// dialogs' layouts give them.

#include <QLabel>
#include <QRect>
#include <QWidget>

#include "platform/window.h"

namespace lmrdlg {

template <typename T>
T* AddControl(QWidget* parent, int id, const QRect& rect) {
    auto* control = new T(parent);
    control->setGeometry(rect);
    if (id) SetDlgCtrlID(control, id);
    return control;
}

// A label at (x, y), as wide as its text in the dialog's font: a fixed width
// cuts the text wherever the font is wider than the layout assumed. The
// next control of the row goes at the label's right edge plus a gap.
inline QLabel* AddLabel(QWidget* parent, const char* text, int x, int y, int height = 16) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setGeometry(x, y, label->sizeHint().width(), height);
    return label;
}

inline int RightOf(const QWidget* control, int gap = 4) {
    return control->geometry().right() + 1 + gap;
}

}  // namespace lmrdlg
