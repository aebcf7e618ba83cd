#pragma once

// The look and the keys the bars and panels of the design frames share: the
// system face colour with a raised frame of 40 % shades; no key closes them.

class CDC;
class QKeyEvent;

// The whole surface in the face colour, framed without an inner frame.
void DrawFaceBackground(CDC& dc);

// Esc, Return and Enter, which would close a dialog, are taken and dropped:
// a bar or panel is no dialog to close. True when the key was one of them.
bool SwallowDialogCloseKey(QKeyEvent* event);

// A button of a bar took the focus with its click; the next keys (undo,
// select all, the arrows) are meant for the design page, which takes the
// focus back on its one-shot focus timer once the click is over.
void FocusDesignPageSoon();
