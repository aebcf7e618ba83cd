#pragma once

// The document of the pixel-design engine: a 256 x 208 canvas of colours
// (0x00BBGGRR, white 0xFFFFFF empty, black 0x000000 ink) and beside it the
// PGInfo plane of the floating layer (0 = no layer pixel; bit 24 set = a layer
// pixel whose colour is the low 24 bits). It turns 16 x 16 cells into cell
// bitmaps and DEFCHR statements and reads and writes the pixel project file.
//
// OSL coordinates are absolute canvas coordinates; ESL coordinates are
// relative to the zoomed view's working area (options omlegjpleft,
// omlegjptop, mlegjpwidth, mlegjpheight, in cells).

#include <string>
#include <vector>

#include "foundation/revolver.h"
#include "pixel/lumaret_export.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

class LUMARET_API CLmrOGJPixel {
public:
    enum {
        OGJP_WIDTH = 256,
        OGJP_HEIGHT = 208,
        OGJP_COUNT = OGJP_WIDTH * OGJP_HEIGHT,
        OGJP_CELL = 16,
        OGJP_CELL_COLS = 16,
        OGJP_CELL_ROWS = 13,
        OGJP_FILE_BYTES = OGJP_COUNT * 4,  // the colour plane in the project file
    };
    static constexpr DWORD kWhite = 0xFFFFFF;
    static constexpr DWORD kPGMark = 0x1000000;

    CLmrOGJPixel();
    CLmrOGJPixel(const CLmrOGJPixel& other) = default;
    CLmrOGJPixel& operator=(const CLmrOGJPixel& other) = default;
    virtual ~CLmrOGJPixel();

    // Colour at (x, y); -1 outside the canvas.
    int GetJPixelByOSLPoint(int x, int y) const;
    // Ignored outside the canvas.
    void SetJPixelByOSLPoint(int x, int y, DWORD color);
    // By plane index (x + 256 y); an index outside the plane reads -1 and is
    // not written.
    int GetJPixelByOSLIndex(int index) const;
    void SetJPixelByOSLIndex(int index, DWORD color);
    // Relative to the working area's top-left pixel.
    int GetJPixelByESLPoint(int x, int y) const;
    void SetJPixelByESLPoint(int x, int y, DWORD color);
    // ESL point index mod (16 width), index div (16 width).
    void SetJPixelByESLIndex(int index, DWORD color);
    // PGInfo value (0 outside the canvas).
    DWORD GetPGInfoByOSLPoint(int x, int y) const;
    DWORD GetPGInfoByESLPoint(int x, int y) const;
    // Ignored outside the canvas; without merge stores colour | mark, with
    // merge ORs it into the stored value.
    void SetPGInfo(int x, int y, DWORD color, DWORD mark, int merge);

    void OGJPClear();
    void ClearAllPGInfos();

    // The pixel values a drawing tool is about to change: within the
    // rectangle (inclusive OSL; the working area when null), clipped to the
    // canvas, column by column, every pixel whose PGInfo value is a layer
    // pixel and whose colour differs from the zoomed view's drawing colour,
    // with its present colour.
    void GetUJPixelByPGInfo(std::vector<DWORD>& xs, std::vector<DWORD>& ys,
                            std::vector<DWORD>& colors, const CRect* rect = nullptr) const;
    // The edge line a crawl pushes out (kinds 5 to 8: left column, right
    // column, top row, bottom row of the zoomed selection or else the working
    // area); 1 with nothing for kinds 3, 4 and 9; 0 for any other kind.
    int GetUJPixelForKGJPEdit(std::vector<DWORD>& xs, std::vector<DWORD>& ys,
                              std::vector<DWORD>& colors, int kind) const;

    // The 32-byte bitmap of a cell (cell coordinates): two bytes per row,
    // leftmost pixel in bit 7, 1 exactly for black.
    void BHFCreate(CRevolver& bitmap, CPoint cell) const;
    // One DEFCHR statement of a cell, five lines without a final line break.
    int SHFCreate(std::string& text, CPoint cell, int code) const;
    // The statements of an inclusive block of cells, row by row, codes
    // counting up from the start code, joined by CR LF.
    void GSHFCreate(std::string& text, const CRect& cells, int startCode) const;

    // The pixel project file. Reading changes nothing unless it succeeds; the
    // PGInfo plane is never read or written.
    int OGJPixelToFile(const std::string& path) const;
    int OGJPixelFromFile(const std::string& path);
    // The same from the file's bytes.
    int OGJPixelFromRevolver(const CRevolver& bytes);

    // The working area in OSL coordinates (inclusive).
    static CRect GetWorkingAreaOSLRect();

protected:
    std::vector<DWORD> m_dwColors;
    std::vector<DWORD> m_dwPGInfos;
};

// Files larger than this are no project files: refused before they are read.
inline constexpr std::size_t kMaxLmrFileBytes = std::size_t{1} << 20;

// The library's version number: a.b.c.d as (a mod 100) 100 + (b mod 10) 10
// + (c mod 10).
LUMARET_API int LmrGetVersionNumber();
