#include "pixel/lmrgoption.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/inputfile.h"

namespace {

// An option file holds a few short values; anything far larger is refused
// before it is read.
constexpr std::size_t kMaxOptionFileBytes = std::size_t{1} << 20;
// A face name of a font description holds at most 31 bytes.
constexpr std::size_t kMaxFaceBytes = 31;

// Every key of the record with its kind and default.
struct OptionDefault {
    const char* key;
    bool text;
    int number;
    const char* value;
};
constexpr OptionDefault kDefaults[] = {
    {"ojpbreadth", false, 1, nullptr},   {"ejpbreadth", false, 13, nullptr},
    {"mlegjpwidth", false, 2, nullptr},  {"mlegjpheight", false, 1, nullptr},
    {"omlegjptop", false, 2, nullptr},   {"omlegjpleft", false, 1, nullptr},
    {"tnccode", true, 0, "DB30"},        {"shfdindent", false, 0, nullptr},
    {"UJPT.fntsize", true, 0, "12"},     {"UJPT.fntface", true, 0, "Arial"},
    {"UJPT.fntbold", false, 0, nullptr}, {"GOPT.lgntisrtime", true, 0, ""},
    {"GOPT.gntiscript", true, 0, ""},
};

// A whole decimal number (an optional minus sign and 1..9 digits).
bool ParseWholeInt(const std::string& text, int& value) {
    const std::size_t digits = text.size() - (!text.empty() && text[0] == '-' ? 1 : 0);
    if (digits == 0 || digits > 9) return false;
    for (std::size_t i = text.size() - digits; i < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    value = std::atoi(text.c_str());
    return true;
}

// An integer item, or a text item holding a whole number.
bool ReadInt(const CFxRevPropStore& store, const char* key, int& value) {
    switch (store.GetValueType(key)) {
        case CFxPropItem::VT_INT:
            value = store.GetInt(key, 0);
            return true;
        case CFxPropItem::VT_STRING:
            return ParseWholeInt(store.GetString(key), value);
        default:
            return false;
    }
}

bool IsHexCode(const std::string& text) {
    return text.size() == 4 && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
}

// The keys of a read record whose values do not pass their checks: of the
// wrong kind, out of range, a start code that is not four hexadecimal
// digits, a text height that is no whole number.
CFxKeySet RefusedKeys(const CFxRevPropStore& read) {
    CFxKeySet refused;
    auto checkInt = [&](const char* key, int low, int high, int fallback) {
        int value = fallback;
        if (!read.HasKey(key)) return fallback;
        if (!ReadInt(read, key, value) || value < low || value > high) {
            refused.insert(key);
            return fallback;
        }
        return value;
    };
    checkInt("ojpbreadth", 1, CLmrGOption::kMaxBreadth, 1);
    checkInt("ejpbreadth", 1, CLmrGOption::kMaxBreadth, 13);
    const int width = checkInt("mlegjpwidth", 1, 16, 2);
    const int height = checkInt("mlegjpheight", 1, 13, 1);
    checkInt("omlegjpleft", 0, 16 - width, 1);
    checkInt("omlegjptop", 0, 13 - height, 2);
    checkInt("shfdindent", 0, CLmrGOption::kMaxIndent, 0);
    checkInt("UJPT.fntbold", 0, 1, 0);
    auto checkText = [&](const char* key, auto&& sound) {
        if (!read.HasKey(key)) return;
        if (read.GetValueType(key) != CFxPropItem::VT_STRING || !sound(read.GetString(key)))
            refused.insert(key);
    };
    checkText("tnccode", IsHexCode);
    checkText("UJPT.fntsize", [](const std::string& text) {
        int value = 0;
        return ParseWholeInt(text, value) && value >= 1 && value <= CLmrGOption::kMaxTextHeight;
    });
    checkText("UJPT.fntface", [](const std::string& text) {
        return !text.empty() && text.size() <= kMaxFaceBytes;
    });
    checkText("GOPT.lgntisrtime", [](const std::string&) { return true; });
    checkText("GOPT.gntiscript", [](const std::string&) { return true; });
    return refused;
}

}  // namespace

CLmrGOption::CLmrGOption() {
    SetDefaults();
    Refresh();
}

void CLmrGOption::SetDefaults() {
    for (const OptionDefault& d : kDefaults) SetDefault(d.key);
}

void CLmrGOption::SetDefault(const std::string& key) {
    for (const OptionDefault& d : kDefaults) {
        if (key != d.key) continue;
        if (d.text)
            SetString(key, d.value);
        else
            SetInt(key, d.number);
    }
}

BOOL CLmrGOption::LoadFromFile(const std::string& path) {
    std::string bytes;
    if (ReadInputFile(path, bytes, kMaxOptionFileBytes) != InputFileError::None) return FALSE;
    CRevolver buffer;
    buffer.Append(bytes.data(), static_cast<int>(bytes.size()));
    CFxRevPropStore read;
    read.FromRevolver(buffer);
    // A value that does not pass its check is not taken: its key gets its
    // default.
    const CFxKeySet refused = RefusedKeys(read);
    MergeFrom(read, nullptr, &refused);
    for (const std::string& key : refused) SetDefault(key);
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
