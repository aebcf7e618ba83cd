#pragma once

// Command ids of the pixel-art program's menu 128 and tool bar (the File
// and About ones are every document program's).

#include "foundation/fxdocprogram.h"

enum : UINT {
    ID_LMR_CLEARALL = 32771,
    ID_LMR_REDO = 32772,
    ID_LMR_UNDO = 32773,
    ID_LMR_COPY = 32774,
    ID_LMR_PASTE = 32775,
    ID_LMR_CUT = 32776,
    ID_LMR_SELECTALL = 32777,
    ID_LMR_SAVE = 32778,
};

// The menu, accelerator and tool-bar resource, and the tool bar's bitmaps.
constexpr int IDR_MAINFRAME = 128;
constexpr int IDB_TOOLBAR = 130;
constexpr int IDB_TOOLBAR_DISABLED = 132;
