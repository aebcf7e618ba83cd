#pragma once

// The pictures of the tool frames' buttons: 16 x 16, drawn by the program
// itself on the transparent colour 0xFF00FF.

#include <QImage>

// The bitmap id of a frame's control (frame: dialog 28000 or 28001).
int LmrFrameBitmapIdOf(int frame, int control);
// The picture of a bitmap id; a plain frame for an unknown one.
QImage LmrFrameBitmap(int bitmapId);
