#pragma once

// The designer's global options: LCD size, user grid, page colour, image
// depth and the ink colour choice. One process-wide object of the design
// library (GetDsgGOption) is loaded when the design main frame starts and
// written back when it closes. The keys are always the long keys below,
// whatever the key style.

#include <string>

#include "design/frames/veldrane_export.h"
#include "foundation/fxfieldbinder.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

// Keys of the global options.
inline constexpr const char* GOPT_LMWIDTH = "GOPT.lmwidth";                    // LCD width, dots
inline constexpr const char* GOPT_LMHEIGHT = "GOPT.lmheight";                  // LCD height, dots
inline constexpr const char* GOPT_USE_UGRID = "GOPT.use_ugrid";                // user grid on
inline constexpr const char* GOPT_LMTIGHT_UGGAP = "GOPT.lmtight_uggap";        // grid gap, dots
inline constexpr const char* GOPT_EPUSFTYPE = "GOPT.epusftype";                // 0: 4 bpp, 1: 8 bpp
inline constexpr const char* GOPT_SPAGE_BACK_COLOR = "GOPT.spage_back_color";  // page colour
inline constexpr const char* GOPT_CPCINDEX = "GOPT.cpcindex";  // 0 black, else white

// Width of a form-tab thumbnail in device units.
inline constexpr int nDSG_TSP_THUMBWIDTH = 55;

// Option files: in the folder of the design library.
inline constexpr const char* DSG_GOPTFILE_SHORT = "dvk_goptions.dat";  // short key style
inline constexpr const char* DSG_GOPTFILE_LONG = "dsg_gopt.dat";       // long key style
// The legacy grid file in the Windows system folder.
inline constexpr const char* DSG_GRIDFILE = "grid.cfg";

class VELDRANE_API CDsgGOption : public CFxFieldBinder {
public:
    CDsgGOption();  // empty: no defaults are set here
    ~CDsgGOption() override;

    using CFxRevPropStore::FromFile;
    using CFxRevPropStore::ToFile;

    // Sets the seven keys to their defaults.
    void SetDefaultGOption();

    // Reads the option file of the current key style over the present values
    // (items read replace present ones, others stay). In the long key style
    // with both option files present, only the legacy grid settings are
    // taken. Returns the read result.
    int FromFile();
    // Writes the record to the option file of the current key style; the
    // long style removes the short style's file. Returns the write result.
    int ToFile();

    // The LCD size of the library's global options (each 1 when missing).
    static CSize GetLMSize();
    // Height of a form-tab thumbnail for the global LCD size.
    static int GetTSPHeight();

    // The page colour, 0 when missing.
    COLORREF GetSPageBackColor() const;
    // Grid colour: the page colour 13 % lighter on a dark page (channel mean
    // below 128), 13 % darker on a light one.
    COLORREF GetUGridColor() const;
    // Highlight colour: 9 % shades chosen the other way round.
    COLORREF GetNegativeColor() const;

    // The folder the option files live in (the design library's folder).
    static std::string GetGOptionFolder();
};

// The design library's one global options object.
CDsgGOption& GetDsgGOption();
