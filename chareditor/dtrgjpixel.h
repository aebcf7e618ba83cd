#pragma once

// One definable character: a 16x16 grid of ink/blank cells with its
// character code. The cell in column x (0 = left) and row y (0 = top) is at
// index x + 16*y. Only the value 0 is ink; every other value is blank.
//
// Its exchange form is the 32-byte pattern: byte 2*y holds row y, columns 0
// to 7, byte 2*y+1 columns 8 to 15, the leftmost column of each half in the
// top bit; a bit is 1 exactly for an ink cell.

#include "chareditor/dottrel_export.h"
#include "foundation/revolver.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

class CDC;
class QListWidget;
class QListWidgetItem;

class DOTTREL_API CDtrGJPixel {
public:
    enum {
        GJP_SIDE = 16,
        GJP_CELLS = GJP_SIDE * GJP_SIDE,
        GJP_FRUIT_SIZE = 32,
        GJP_INK = 0,
        GJP_BLANK = 0xFFFFFF,
        GJP_FIRST_CODE = 0xDB30,
        GJP_LAST_CODE = 0xDBFF,
    };

    // Every creator clears or fills the character; it starts blank with
    // code 0 so that nothing reads undefined cells.
    CDtrGJPixel();
    CDtrGJPixel(const CDtrGJPixel& other) = default;
    CDtrGJPixel& operator=(const CDtrGJPixel& other) = default;
    virtual ~CDtrGJPixel();

    // All cells blank; the code stays.
    void GJPClear();
    // Value of the cell at column x, row y; blank outside the grid.
    int GetJPixel(int x, int y) const;
    // Sets the cell of linear index x + 16*y; an index outside the grid is
    // ignored.
    void SetJPixel(int index, int value);
    // Blank becomes ink, any other value blank.
    void Inverse(int index);

    // Moves by one cell; the vacated edge becomes blank, cells pushed over
    // the opposite edge are lost.
    void KGJPMLCrawl();
    void KGJPMRCrawl();
    void KGJPMUCrawl();
    void KGJPMDCrawl();
    // Mirrors left-right and top-bottom.
    void KGJPMXFlip();
    void KGJPMYFlip();
    // Turns the picture 90 degrees clockwise.
    void KGJPMRotate();

    // Draws the character 1:1 as a 16x16 square, top-left corner at `pt`.
    void RGJPDraw(CDC& dc, CPoint pt) const;

    // The buffer holds exactly the 32-byte pattern afterwards.
    void ToGJPFruit(CRevolver& fruit) const;
    // Sets every cell from a 32-byte pattern; 0 with nothing changed unless
    // the buffer holds exactly 32 bytes. The code stays.
    int FromGJPFruit(const CRevolver& fruit);

    // Copies the cells, and the code too when `withCode` is non-zero.
    void GJPCopyFrom(const CDtrGJPixel& source, int withCode);

    // Appends one item "&H" + the code in four upper-case hex digits whose
    // data is this character.
    void AddToListCtrl(QListWidget& list);
    // The character an item of the list refers to, or null.
    static CDtrGJPixel* GJPixelFromListItem(const QListWidgetItem* item);

    // The character's record: "GJP.nccode" (integer) and "GJP.gjpfruit" (the
    // pattern as a byte block).
    int GJPixelToRevolver(CRevolver& buffer) const;
    // Reads a character's record; 0 with the character unchanged when the
    // record cannot be decoded or an item is missing or malformed.
    int GJPixelFromRevolver(const CRevolver& buffer);

    // The character code; valid codes are 0xDB30 to 0xDBFF.
    int nccode = 0;

protected:
    int m_cells[GJP_CELLS];
};
