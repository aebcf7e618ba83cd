#include "platform/controls.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QWidget>

TEST(ControlsTest, ClassNamesOfControls) {
    QWidget dialog;
    const std::pair<QWidget*, const char*> table[] = {{new QLineEdit(&dialog), "edit"},
                                                      {new QPlainTextEdit(&dialog), "edit"},
                                                      {new QComboBox(&dialog), "combobox"},
                                                      {new QCheckBox(&dialog), "button"},
                                                      {new QPushButton(&dialog), "button"},
                                                      {new QGroupBox(&dialog), "button"},
                                                      {new QLabel(&dialog), "static"},
                                                      {new QSlider(&dialog), "msctls_trackbar32"},
                                                      {&dialog, "qwidget"}};
    for (const auto& [control, name] : table) EXPECT_EQ(GetControlClassName(control), name);
    EXPECT_EQ(GetControlClassName(nullptr), "");
}

TEST(ControlsTest, ButtonStylesFollowTheWidgetUnlessDeclared) {
    QWidget dialog;
    auto* check = new QCheckBox(&dialog);
    auto* push = new QPushButton(&dialog);
    auto* radio = new QRadioButton(&dialog);
    EXPECT_EQ(GetButtonStyle(check), BS_AUTOCHECKBOX);
    check->setTristate(true);
    EXPECT_EQ(GetButtonStyle(check), BS_AUTO3STATE);
    EXPECT_EQ(GetButtonStyle(push), BS_PUSHBUTTON);
    push->setDefault(true);
    EXPECT_EQ(GetButtonStyle(push), BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetButtonStyle(radio), BS_AUTORADIOBUTTON);
    EXPECT_EQ(GetButtonStyle(new QLineEdit(&dialog)), -1);

    SetButtonStyle(check, BS_CHECKBOX);
    EXPECT_EQ(GetButtonStyle(check), BS_CHECKBOX);
}

TEST(ControlsTest, CheckStates) {
    QWidget dialog;
    auto* check = new QCheckBox(&dialog);
    SetButtonCheck(check, BST_CHECKED);
    EXPECT_EQ(GetButtonCheck(check), BST_CHECKED);
    // Indeterminate only on a tristate box; a two-state box takes it as checked.
    SetButtonCheck(check, BST_UNCHECKED);
    SetButtonCheck(check, BST_INDETERMINATE);
    EXPECT_EQ(GetButtonCheck(check), BST_CHECKED);
    check->setTristate(true);
    SetButtonCheck(check, BST_INDETERMINATE);
    EXPECT_EQ(GetButtonCheck(check), BST_INDETERMINATE);
    SetButtonCheck(check, BST_UNCHECKED);
    EXPECT_EQ(GetButtonCheck(check), BST_UNCHECKED);

    auto* push = new QPushButton(&dialog);
    SetButtonCheck(push, BST_CHECKED);
    EXPECT_EQ(GetButtonCheck(push), BST_UNCHECKED);
    auto* edit = new QLineEdit(&dialog);
    SetButtonCheck(edit, BST_CHECKED);
    EXPECT_EQ(GetButtonCheck(edit), BST_UNCHECKED);
}
