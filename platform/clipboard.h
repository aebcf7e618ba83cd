#pragma once

// The desktop clipboard as the program uses it: one bitmap or one text at a
// time. Every call fails (false or nothing) when there is no clipboard, that
// is without a running GUI application. Bitmaps handed in from other
// programs are read with a size limit before any pixel is allocated.

#include <QImage>
#include <optional>
#include <string>

#include "platform/geometry.h"
#include "platform/platform_export.h"

// Pixels a clipboard bitmap may have at most to be read.
constexpr long long kClipboardMaxPixels = 64LL * 1024 * 1024;

// Puts the image on the clipboard (replacing what was there); false when it
// is null or there is no clipboard.
PLATFORM_API bool SetClipboardImage(const QImage& image);
// Whether the clipboard holds a bitmap; its size in `size` when given.
// Bitmaps over the limit count as none.
PLATFORM_API bool IsClipboardImageAvailable(CSize* size = nullptr);
// Whether the clipboard offers a bitmap, asked without fetching it (cheap
// enough for the enable rules polled while the program is idle): another
// program's counts when it names a bitmap format (its size and content are
// known only when it is read); one of this process's own when it has a
// non-zero width and height within the limit.
PLATFORM_API bool IsClipboardImageOffered();
// The clipboard bitmap as 32 bits (0xFFRRGGBB); nothing when there is none,
// it cannot be read or it is over the limit.
PLATFORM_API std::optional<QImage> GetClipboardImage(long long maxPixels = kClipboardMaxPixels);

// Text is system text (CP949 bytes).
PLATFORM_API bool SetClipboardText(const std::string& text);
PLATFORM_API std::optional<std::string> GetClipboardText();
// Empties the clipboard; false when there is none.
PLATFORM_API bool EmptyClipboard();
