#pragma once

// The controller's LCD fonts as the page imitates them: tables of cell sizes,
// faces and character advances for the nine Korean font indexes, the
// advance of one character, and the text printer that lays a text out into
// lines, measures it and draws it with the operating system's fonts.

#include <string>
#include <vector>

#include "design/model/dsgwobj.h"
#include "design/surface/fxnamedlists.h"
#include "design/surface/pagecoords.h"
#include "platform/dc.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

// Korean font indexes run 0..8.
inline constexpr int nDSG_LCDFONT_COUNT = 9;

// The font table: lists "width", "height", "face" (header) and "half_width",
// one item per Korean font index; and the display name of each text
// attribute under its key (item 0).
const CFxNamedLists& GetLCDFontTable();
// Advances of the characters 32..126 in the proportional font, one list per
// Korean cell size: "10x16", "16x16", "24x24", "48x48" (header).
const CFxNamedLists& GetLCDAlnumWidthTable();

// Cell width, line height (dots) and face of a Korean font index; 0 and ""
// outside 0..8.
int GetLCDFontWidth(int krnIndex);
int GetLCDFontHeight(int krnIndex);
std::string GetLCDFontFace(int krnIndex);
// Display name of a text attribute key ("" for keys without one).
std::string GetUTPDisplayName(const std::string& key);

// Advance in dots of a single-byte character. With alnIndex 0 the Korean
// font's half-width advance (-1 for krnIndex outside 0..8); otherwise the
// proportional advance for the Korean font's cell size. A character the
// proportional table lacks sets *notFound and gives the advance of "?"
// (-1 when the cell size has no table).
int GetLCDCharWidth(int krnIndex, int alnIndex, int ch, BOOL* notFound = nullptr);

// Prints the LCD text and PC text of one form object, reading its text
// attributes (UTP. keys) from the object's attribute record.
class CDsgLScriptPrinter {
public:
    explicit CDsgLScriptPrinter(const CDsgWObj& wobj);
    // The printer keeps a reference: it cannot outlive its object.
    explicit CDsgLScriptPrinter(const CDsgWObj&& wobj) = delete;

    // Lays out UTP.lscript in the rectangle (LCD units) from its top-left
    // corner: lines break at newlines and at the right edge, and text that
    // would pass the bottom is dropped. With `lines`/`offsets` the text of
    // each line and its offset from the top (LCD units); with `size` the
    // bounding size of the characters (LCD units). Draws on `dc` at the
    // page's coordinates unless measure-only. With `singleLine` layout ends where
    // a second line would start. Returns 0 when the text cannot be drawn
    // (a font size that is not positive), else 1.
    int PrintLScript(CDC* dc, const CRect& lmRect, const CDsgCDinateEVMent* page,
                     std::vector<std::string>* lines = nullptr, std::vector<int>* offsets = nullptr,
                     CSize* size = nullptr, BOOL measureOnly = FALSE,
                     BOOL singleLine = FALSE) const;

    // Draws the text of a PC-font text object into the object's rectangle
    // in the object's font, in the surface's text colour: on its background
    // colour unless transparent, broken at words and centred as the object
    // says.
    void DrawPText(CDC* dc, const CDsgCDinateEVMent* page) const;

private:
    const CDsgWObj& m_wobj;
};
