#pragma once

// The font the editor's dialogs are laid out in (Arial 8) and their places
// given in its dialog units.

#include <QFont>

#include "platform/dc.h"
#include "platform/geometry.h"

class QWidget;

FontSpec DtrDialogFont();
// A place x, y, cx x cy in dialog units, in pixels.
CRect DtrDialogRect(int x, int y, int cx, int cy);
// Gives the widget the dialog font and the place in dialog units.
void DtrPlace(QWidget* widget, int x, int y, int cx, int cy);
