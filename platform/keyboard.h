#pragma once

// The state of the keyboard at this moment, as opposed to the state an input
// event carries: start-up code asks whether a key is held while the program
// comes up. Tests replace the source.

#include <Qt>
#include <functional>

class QKeyEvent;
class QWidget;

#include "platform/platform_export.h"

// The modifier keys held down now.
PLATFORM_API Qt::KeyboardModifiers GetAsyncModifiers();
// For tests: the source of GetAsyncModifiers; an empty function restores the
// keyboard's own state.
PLATFORM_API void SetModifierSource(std::function<Qt::KeyboardModifiers()> source);

// Whether a widget with the focus takes a key press as one of its own
// editing keys (a text field's select all, undo, copy, caret keys, typed
// characters), as it would over a shortcut of its window.
PLATFORM_API bool IsOwnEditingKey(QWidget* widget, const QKeyEvent& key);
