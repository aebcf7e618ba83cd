#include "design/model/dsggoption.h"

#include <limits>

#include "foundation/fxstrings.h"
#include "foundation/fxutils.h"

namespace {

// True when the mean of the colour's three channels (integer) is below 128.
bool IsDark(COLORREF color) {
    return (GetRValue(color) + GetGValue(color) + GetBValue(color)) / 3 < 128;
}

}  // namespace

CDsgGOption::CDsgGOption() = default;
CDsgGOption::~CDsgGOption() = default;

void CDsgGOption::SetDefaultGOption() {
    SetInt(GOPT_LMWIDTH, 320);
    SetInt(GOPT_LMHEIGHT, 240);
    SetInt(GOPT_USE_UGRID, 1);
    SetInt(GOPT_LMTIGHT_UGGAP, 5);
    SetInt(GOPT_EPUSFTYPE, 0);
    SetInt(GOPT_SPAGE_BACK_COLOR, 0xFBF0DD);
    SetInt(GOPT_CPCINDEX, 0);
}

std::string CDsgGOption::GetGOptionFolder() { return GetModuleDir(); }

int CDsgGOption::FromFile() {
    const std::string folder = GetGOptionFolder();
    const std::string shortFile = folder + "/" + DSG_GOPTFILE_SHORT;
    const std::string longFile = folder + "/" + DSG_GOPTFILE_LONG;
    if (GetKeyStyle() == KEYSTYLE_SHORT || !IsPathExisting(longFile)) {
        return CFxRevPropStore::FromFile(shortFile, TRUE) ? 1 : 0;
    }
    if (!IsPathExisting(shortFile)) return CFxRevPropStore::FromFile(longFile, TRUE) ? 1 : 0;

    // Both files: an older installation; only its grid settings count.
    CFxRevPropStore grid;
    if (grid.FromFile(GetSystemDir() + "/" + DSG_GRIDFILE)) {
        SetInt(GOPT_USE_UGRID, grid.GetInt("use_grid", 1));
        SetInt(GOPT_LMTIGHT_UGGAP, grid.GetInt("grid_size", 5));
    }
    return 1;
}

int CDsgGOption::ToFile() {
    const std::string folder = GetGOptionFolder();
    if (GetKeyStyle() == KEYSTYLE_SHORT) {
        return CFxRevPropStore::ToFile(folder + "/" + DSG_GOPTFILE_SHORT) ? 1 : 0;
    }
    ShellDeletePath(folder + "/" + DSG_GOPTFILE_SHORT);
    return CFxRevPropStore::ToFile(folder + "/" + DSG_GOPTFILE_LONG) ? 1 : 0;
}

CSize CDsgGOption::GetLMSize() {
    const CDsgGOption& options = GetDsgGOption();
    return {options.GetInt(GOPT_LMWIDTH, 1), options.GetInt(GOPT_LMHEIGHT, 1)};
}

int CDsgGOption::GetTSPHeight() {
    const CSize size = GetLMSize();
    // A width of 0 or less cannot size a thumbnail: such a record counts as
    // missing its width.
    const double width = size.cx > 0 ? size.cx : 1;
    const double height = double(nDSG_TSP_THUMBWIDTH) * size.cy / width;
    if (!(height < std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (!(height > std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(height);
}

COLORREF CDsgGOption::GetSPageBackColor() const {
    return static_cast<COLORREF>(GetInt(GOPT_SPAGE_BACK_COLOR, 0));
}

COLORREF CDsgGOption::GetUGridColor() const {
    const COLORREF back = GetSPageBackColor();
    return (IsDark(back) ? LightenColor(back, 13) : DarkenColor(back, 13)) & 0xFFFFFF;
}

COLORREF CDsgGOption::GetNegativeColor() const {
    const COLORREF back = GetSPageBackColor();
    return (IsDark(back) ? DarkenColor(back, 9) : LightenColor(back, 9)) & 0xFFFFFF;
}

CDsgGOption& GetDsgGOption() {
    static CDsgGOption options;
    return options;
}
