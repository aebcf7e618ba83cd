#pragma once

// Command ids of the designer's menu 128, its tool bar and its accelerators
// (the File and About ones are every document program's).
// The messages between the design library and the view are the library's:
// WM_DSG_DESIGNCHANGED (design/frames/dsgmainframe.h) and WM_DSG_REGENERATE
// (design/model/dsglsdhost.h).

#include "foundation/fxdocprogram.h"

enum : UINT {
    ID_FILE_SAVE = 57603,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,

    ID_DSG_SETTINGS = 32772,
    ID_DSG_SELECTALL = 32773,
    ID_DSG_LOADFORM = 32771,
    ID_DSG_CUT = 32778,
    ID_DSG_COPY = 32779,
    ID_DSG_PASTE = 32780,
    ID_DSG_UNDO = 32782,
    ID_DSG_REDO = 32783,
    ID_DSG_SELECTAROUND = 32787,
    ID_DSG_GRID = 32789,
    ID_DSG_SAVECODEAS = 32790,
    ID_DSG_VIEWCODE = 32791,
    ID_DSG_OPTIONS = 32792,
    ID_DSG_VIEW100 = 32794,
    ID_DSG_VIEW200 = 32795,
    ID_DSG_CLEARFORM = 32796,
    ID_DSG_ADDFORM = 32798,
    ID_DSG_GUIDE = 32799,
    ID_DSG_DELETE = 32800,
    ID_DSG_PAGEKEYS = 32806,  // Ctrl+A, C, V, X, Y, Z: the page handles them
};

// The menu and accelerator resource, and the tool bar's bitmaps.
constexpr int IDR_MAINFRAME = 128;
constexpr int IDB_TOOLBAR = 134;
constexpr int IDB_TOOLBAR_DISABLED = 135;
