#pragma once

// The bitmaps the program loads by resource id: our own pictures, compiled
// into the platform library (platform/resources/). Background pixels are
// magenta (0xFF00FF), the transparent colour the program draws them with.

#include <QImage>

#include "platform/platform_export.h"

// The bitmap as a 32-bit image; a null image for an unknown id.
PLATFORM_API QImage LoadBitmapResource(int id);
