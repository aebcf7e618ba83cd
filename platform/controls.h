#pragma once

// What the program knows of a dialog's controls beyond Qt: the window class a
// control stands for ("edit", "combobox", "button", ...) and a button's style,
// so code that picks controls by class and style works on Qt widgets.

#include <string>

#include "platform/platform_export.h"
#include "platform/wintypes.h"

class QWidget;

// Button styles: the low byte of a button's style.
constexpr int BS_PUSHBUTTON = 0x0;
constexpr int BS_DEFPUSHBUTTON = 0x1;
constexpr int BS_CHECKBOX = 0x2;  // the program sets the check itself
constexpr int BS_AUTOCHECKBOX = 0x3;
constexpr int BS_RADIOBUTTON = 0x4;
constexpr int BS_3STATE = 0x5;
constexpr int BS_AUTO3STATE = 0x6;
constexpr int BS_GROUPBOX = 0x7;
constexpr int BS_AUTORADIOBUTTON = 0x9;

// Check states of a check box.
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;
constexpr int BST_INDETERMINATE = 2;

// The class a control stands for, lower-case: "edit" (line and text edits),
// "combobox", "button" (push buttons, check boxes, radio buttons, group
// boxes), "static" (labels), "listbox", "msctls_trackbar32" (sliders),
// "scrollbar"; any other widget gives its Qt class name, lower-cased; "" for
// null.
PLATFORM_API std::string GetControlClassName(const QWidget* widget);

// The style of a button: the one given with SetButtonStyle, else the one its
// Qt class stands for (a check box is an automatic one, three-state when it
// is tristate; a radio button automatic; a push button default or not; a
// group box BS_GROUPBOX). -1 for a widget that is no button.
PLATFORM_API int GetButtonStyle(const QWidget* widget);
// Records the style a dialog declares for a button, for the code that picks
// buttons by style; the widget's own behaviour is unchanged.
PLATFORM_API void SetButtonStyle(QWidget* widget, int style);

// BM_GETCHECK / BM_SETCHECK: a check box's or radio button's state
// (BST_UNCHECKED, BST_CHECKED or, for a tristate check box, BST_INDETERMINATE).
// Other widgets read BST_UNCHECKED and ignore the setting.
PLATFORM_API int GetButtonCheck(const QWidget* widget);
PLATFORM_API void SetButtonCheck(QWidget* widget, int state);
