#include "pixel/lmrgoption.h"

#include <algorithm>

#include "platform/inputfile.h"

namespace {

// An option file holds a few short values; anything far larger is refused
// before it is read.
constexpr std::size_t kMaxOptionFileBytes = std::size_t{1} << 20;

}  // namespace

CLmrGOption::CLmrGOption() {
    SetDefaults();
    Refresh();
}

void CLmrGOption::SetDefaults() {
    SetInt("ojpbreadth", 1);
    SetInt("ejpbreadth", 13);
    SetInt("mlegjpwidth", 2);
    SetInt("mlegjpheight", 1);
    SetInt("omlegjptop", 2);
    SetInt("omlegjpleft", 1);
    SetString("tnccode", "DB30");
    SetInt("shfdindent", 0);
    SetString("UJPT.fntsize", "12");
    SetString("UJPT.fntface", "Arial");
    SetInt("UJPT.fntbold", 0);
    SetString("GOPT.lgntisrtime", "");
    SetString("GOPT.gntiscript", "");
}

BOOL CLmrGOption::LoadFromFile(const std::string& path) {
    std::string bytes;
    if (ReadInputFile(path, bytes, kMaxOptionFileBytes) != InputFileError::None) return FALSE;
    CRevolver buffer;
    buffer.Append(bytes.data(), static_cast<int>(bytes.size()));
    CFxRevPropStore read;
    read.FromRevolver(buffer);
    MergeFrom(read);
    Refresh();
    return TRUE;
}

BOOL CLmrGOption::SaveToFile(const std::string& path) const { return ToFile(path); }

void CLmrGOption::ClampValues() {
    auto hold = [this](const char* key, int low, int high, int def) {
        const int value = std::clamp(GetInt(key, def), low, std::max(low, high));
        if (GetValueType(key) == CFxPropItem::VT_STRING)
            SetString(key, std::to_string(value));
        else
            SetInt(key, value);
        return value;
    };
    const int width = hold("mlegjpwidth", 1, 16, 2);
    const int height = hold("mlegjpheight", 1, 13, 1);
    hold("omlegjpleft", 0, 16 - width, 1);
    hold("omlegjptop", 0, 13 - height, 2);
    hold("ejpbreadth", 1, kMaxBreadth, 13);
    hold("ojpbreadth", 1, kMaxBreadth, 1);
    hold("shfdindent", 0, kMaxIndent, 0);
    hold("UJPT.fntsize", 1, kMaxTextHeight, 12);
}

void CLmrGOption::Refresh() {
    ClampValues();
    m_values.mlegjpwidth = GetInt("mlegjpwidth", 2);
    m_values.mlegjpheight = GetInt("mlegjpheight", 1);
    m_values.omlegjptop = GetInt("omlegjptop", 2);
    m_values.omlegjpleft = GetInt("omlegjpleft", 1);
    m_values.ejpbreadth = GetInt("ejpbreadth", 13);
    m_values.ojpbreadth = GetInt("ojpbreadth", 1);
}

CLmrGOption& LmrGOption() {
    static CLmrGOption options;
    return options;
}

const LmrOptionValues& LmrOpt() { return LmrGOption().Values(); }
