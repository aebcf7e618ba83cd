#pragma once

// The state of the keyboard at this moment, as opposed to the state an input
// event carries: start-up code asks whether a key is held while the program
// comes up. Tests replace the source.

#include <Qt>
#include <functional>

#include "platform/platform_export.h"

// The modifier keys held down now.
PLATFORM_API Qt::KeyboardModifiers GetAsyncModifiers();
// For tests: the source of GetAsyncModifiers; an empty function restores the
// keyboard's own state.
PLATFORM_API void SetModifierSource(std::function<Qt::KeyboardModifiers()> source);
