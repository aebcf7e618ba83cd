#include "design/model/dsggoption.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>

#include "platform/paths.h"

namespace {

std::string FolderOf(const std::string& path) {
    const auto pos = path.find_last_of('/');
    return pos == std::string::npos ? std::string(".") : path.substr(0, pos);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Each channel moved toward white or black by `percent` per cent, truncated.
COLORREF Shade(COLORREF color, int percent, bool lighten) {
    const double p = percent / 100.0;
    auto channel = [&](int c) {
        const double v = lighten ? c + p * (255 - c) : c - p * c;
        return static_cast<int>(v);
    };
    return RGB(channel(GetRValue(color)), channel(GetGValue(color)), channel(GetBValue(color))) &
           0xFFFFFF;
}

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

std::string CDsgGOption::GetGOptionFolder() {
    // The library's own file; a build that links the library into the
    // program itself keeps its files beside the program.
    static const int anchor = 0;
    const std::string module = GetModuleFileOf(&anchor);
    if (module.empty() || module == GetProgramFilePath()) return GetFolder(FolderKind::Program);
    return FolderOf(module);
}

int CDsgGOption::FromFile() {
    const std::string folder = GetGOptionFolder();
    const std::string shortFile = folder + "/" + DSG_GOPTFILE_SHORT;
    const std::string longFile = folder + "/" + DSG_GOPTFILE_LONG;
    if (GetKeyStyle() == KEYSTYLE_SHORT || !FileExists(longFile)) {
        return CFxRevPropStore::FromFile(shortFile, TRUE) ? 1 : 0;
    }
    if (!FileExists(shortFile)) return CFxRevPropStore::FromFile(longFile, TRUE) ? 1 : 0;

    // Both files: an older installation; only its grid settings count.
    CFxRevPropStore grid;
    if (grid.FromFile(GetSystemFolder() + "/" + DSG_GRIDFILE)) {
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
    std::error_code ec;
    std::filesystem::remove(folder + "/" + DSG_GOPTFILE_SHORT, ec);
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
    return Shade(back, 13, IsDark(back));
}

COLORREF CDsgGOption::GetNegativeColor() const {
    const COLORREF back = GetSPageBackColor();
    return Shade(back, 9, !IsDark(back));
}

CDsgGOption& GetDsgGOption() {
    static CDsgGOption options;
    return options;
}
