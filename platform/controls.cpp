#include "platform/controls.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTextEdit>

namespace {
const char kButtonStyleProperty[] = "dravik_buttonstyle";
}

std::string GetControlClassName(const QWidget* widget) {
    if (!widget) return {};
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
        qobject_cast<const QPlainTextEdit*>(widget))
        return "edit";
    if (qobject_cast<const QComboBox*>(widget)) return "combobox";
    if (qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QGroupBox*>(widget))
        return "button";
    if (qobject_cast<const QLabel*>(widget)) return "static";
    if (qobject_cast<const QListWidget*>(widget)) return "listbox";
    if (qobject_cast<const QSlider*>(widget)) return "msctls_trackbar32";
    if (qobject_cast<const QScrollBar*>(widget)) return "scrollbar";
    return QString::fromLatin1(widget->metaObject()->className()).toLower().toStdString();
}

int GetButtonStyle(const QWidget* widget) {
    if (!widget) return -1;
    const QVariant declared = widget->property(kButtonStyleProperty);
    if (declared.isValid()) return declared.toInt();
    if (auto* box = qobject_cast<const QCheckBox*>(widget))
        return box->isTristate() ? BS_AUTO3STATE : BS_AUTOCHECKBOX;
    if (qobject_cast<const QRadioButton*>(widget)) return BS_AUTORADIOBUTTON;
    if (auto* push = qobject_cast<const QPushButton*>(widget))
        return push->isDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if (qobject_cast<const QAbstractButton*>(widget)) return BS_PUSHBUTTON;
    if (qobject_cast<const QGroupBox*>(widget)) return BS_GROUPBOX;
    return -1;
}

void SetButtonStyle(QWidget* widget, int style) {
    if (widget) widget->setProperty(kButtonStyleProperty, style);
}

int GetButtonCheck(const QWidget* widget) {
    if (auto* box = qobject_cast<const QCheckBox*>(widget)) {
        switch (box->checkState()) {
            case Qt::Checked:
                return BST_CHECKED;
            case Qt::PartiallyChecked:
                return BST_INDETERMINATE;
            default:
                return BST_UNCHECKED;
        }
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->isCheckable() && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    return BST_UNCHECKED;
}

void SetButtonCheck(QWidget* widget, int state) {
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        if (state == BST_INDETERMINATE && box->isTristate())
            box->setCheckState(Qt::PartiallyChecked);
        else
            box->setCheckState(state == BST_UNCHECKED ? Qt::Unchecked : Qt::Checked);
        return;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        if (button->isCheckable()) button->setChecked(state != BST_UNCHECKED);
}
