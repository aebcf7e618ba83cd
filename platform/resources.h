#pragma once

// The bitmaps and cursors the program loads by resource id: our own pictures,
// compiled into the platform library (platform/resources/). Background pixels
// are magenta (0xFF00FF), the transparent colour the program draws them with.

#include <QCursor>
#include <QImage>

#include "platform/platform_export.h"

// The bitmap as a 32-bit image; a null image for an unknown id.
PLATFORM_API QImage LoadBitmapResource(int id);

// The cursor, its magenta pixels transparent, with its own hot spot; the
// arrow for an unknown id.
PLATFORM_API QCursor LoadCursorResource(int id);
// Whether the id names one of the program's cursors.
PLATFORM_API bool HasCursorResource(int id);
