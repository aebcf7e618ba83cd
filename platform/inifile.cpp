#include "platform/inifile.h"

#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>

#include "platform/atomicfile.h"
#include "platform/inputfile.h"
#include "platform/textcodec.h"

namespace {

// One line of the file as it stands, with its own line end ("" for a last
// line without one), so that lines we do not change are written back byte
// for byte.
struct Line {
    enum class Kind { Other, Section, Key };
    std::string text;
    std::string eol;
    Kind kind = Kind::Other;
    std::string name;   // section name or key, trimmed
    std::string value;  // key value, trimmed
};

struct IniText {
    std::vector<Line> lines;
    bool exists = false;
    // There but not readable: writing it back would lose what it holds.
    bool unreadable = false;
};

void Classify(Line& line) {
    const std::string t = TrimText(line.text);
    if (t.empty() || t[0] == ';') return;
    if (t[0] == '[') {
        const size_t close = t.find(']');
        if (close == std::string::npos) return;
        line.kind = Line::Kind::Section;
        line.name = TrimText(std::string_view(t).substr(1, close - 1));
        return;
    }
    const size_t eq = t.find('=');
    if (eq == std::string::npos) return;
    std::string key = TrimText(std::string_view(t).substr(0, eq));
    if (key.empty()) return;
    line.kind = Line::Kind::Key;
    line.name = std::move(key);
    line.value = TrimText(std::string_view(t).substr(eq + 1));
}

// False when the file cannot be read (also when it is no regular file or is
// too large); `missing` tells whether it is simply not there.
bool ReadWhole(const std::string& path, std::string& out, bool& missing) {
    // Every line is kept with its parts: a file of empty lines costs a
    // hundred times its size, so INI files have a cap of their own, far
    // above any file the program writes.
    constexpr std::size_t kMaxIniFileBytes = std::size_t{1} << 20;
    const InputFileError error = ReadInputFile(path, out, kMaxIniFileBytes);
    missing = error == InputFileError::Missing;
    return error == InputFileError::None;
}

IniText Load(const std::string& path) {
    IniText ini;
    std::string bytes;
    bool missing = false;
    if (!ReadWhole(path, bytes, missing)) {
        ini.unreadable = !missing;
        return ini;
    }
    ini.exists = true;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t nl = bytes.find('\n', pos);
        Line line;
        if (nl == std::string::npos) {
            line.text = bytes.substr(pos);
            pos = bytes.size();
        } else {
            size_t end = nl;
            if (end > pos && bytes[end - 1] == '\r') --end;
            line.text = bytes.substr(pos, end - pos);
            line.eol = bytes.substr(end, nl + 1 - end);
            pos = nl + 1;
        }
        Classify(line);
        ini.lines.push_back(std::move(line));
    }
    return ini;
}

// Index of the first header of `section`, if any.
std::optional<size_t> FindSection(const IniText& ini, const std::string& section) {
    for (size_t i = 0; i < ini.lines.size(); ++i) {
        const Line& l = ini.lines[i];
        if (l.kind == Line::Kind::Section && MbCompareNoCase(l.name, section) == 0) return i;
    }
    return std::nullopt;
}

// One past the last line of the section whose header is at `header`.
size_t SectionEnd(const IniText& ini, size_t header) {
    size_t i = header + 1;
    while (i < ini.lines.size() && ini.lines[i].kind != Line::Kind::Section) ++i;
    return i;
}

std::optional<size_t> FindKey(const IniText& ini, const std::string& section,
                              const std::string& key) {
    const auto header = FindSection(ini, section);
    if (!header) return std::nullopt;
    const size_t end = SectionEnd(ini, *header);
    for (size_t i = *header + 1; i < end; ++i) {
        const Line& l = ini.lines[i];
        if (l.kind == Line::Kind::Key && MbCompareNoCase(l.name, key) == 0) return i;
    }
    return std::nullopt;
}

Line MakeLine(std::string text) {
    Line l;
    l.text = std::move(text);
    l.eol = "\r\n";
    Classify(l);
    return l;
}

// Inserting after a last line that has no line end gives it one first.
void Insert(IniText& ini, size_t at, Line line) {
    if (at > 0 && ini.lines[at - 1].eol.empty()) ini.lines[at - 1].eol = "\r\n";
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

// Writes the whole file; a failed write leaves the old file as it was.
bool Store(const IniText& ini, const std::string& file) {
    std::string bytes;
    for (const Line& l : ini.lines) {
        bytes += l.text;
        bytes += l.eol;
    }
    return WriteFileAtomically(file, bytes);
}

// The lock file of an INI file: hidden, beside it.
std::string LockPathOf(const std::string& file) {
    const size_t slash = file.find_last_of('/');
    const size_t name = slash == std::string::npos ? 0 : slash + 1;
    return file.substr(0, name) + "." + file.substr(name) + ".lock";
}

// Runs one read-modify-write of the file under the exclusive lock of its
// lock file, so that concurrent writers, in this
// process or others, never lose each other's changes. `change` edits the
// text and tells whether there is anything to store.
bool Update(const std::string& file, const std::function<bool(IniText&)>& change) {
    const auto lock = FileLock::Exclusive(LockPathOf(file));
    if (!lock) return false;
    IniText ini = Load(file);
    if (ini.unreadable) return false;
    if (!change(ini)) return true;
    return Store(ini, file);
}

// Nothing to delete from: the file is simply not there.
bool IsMissing(const std::string& file) {
    const IniText ini = Load(file);
    return !ini.exists && !ini.unreadable;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& file) {
    const IniText ini = Load(file);
    const auto at = FindKey(ini, TrimText(section), TrimText(key));
    if (!at) return def;
    std::string value = ini.lines[*at].value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

UINT GetPrivateProfileInt(const std::string& section, const std::string& key, int def,
                          const std::string& file) {
    const IniText ini = Load(file);
    const auto at = FindKey(ini, TrimText(section), TrimText(key));
    if (!at) return static_cast<UINT>(def);
    const std::string& v = ini.lines[*at].value;
    size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
    UINT n = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
        n = n * 10 + static_cast<UINT>(v[i] - '0');  // wraps like the 32-bit original
    }
    return negative ? 0u - n : n;
}

BOOL WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file) {
    return WritePrivateProfileStrings(section, {{key, value}}, file);
}

BOOL WritePrivateProfileStrings(const std::string& section, const IniEntries& entries,
                                const std::string& file) {
    // A line break, or a key that could not be read back, would change other
    // entries of the file: refuse such writes.
    const std::string sec = TrimText(section);
    if (sec.empty() || HasLineBreak(section) || sec.find(']') != std::string::npos) return FALSE;
    IniEntries lines;
    for (const auto& [key, value] : entries) {
        const std::string k = TrimText(key);
        if (k.empty() || HasLineBreak(key) || HasLineBreak(value) ||
            k.find('=') != std::string::npos || k[0] == ';' || k[0] == '[') {
            return FALSE;
        }
        lines.emplace_back(k, value);
    }
    const bool ok = Update(file, [&](IniText& ini) {
        for (const auto& [k, value] : lines) {
            Line line = MakeLine(k + "=" + value);
            if (const auto at = FindKey(ini, sec, k)) {
                ini.lines[*at] = std::move(line);
            } else if (const auto header = FindSection(ini, sec)) {
                const size_t end = SectionEnd(ini, *header);
                size_t after = *header;
                for (size_t i = *header + 1; i < end; ++i) {
                    if (ini.lines[i].kind == Line::Kind::Key) after = i;
                }
                Insert(ini, after + 1, std::move(line));
            } else {
                Insert(ini, ini.lines.size(), MakeLine("[" + sec + "]"));
                Insert(ini, ini.lines.size(), std::move(line));
            }
        }
        return true;
    });
    return ok ? TRUE : FALSE;
}

BOOL DeletePrivateProfileKey(const std::string& section, const std::string& key,
                             const std::string& file) {
    if (IsMissing(file)) return TRUE;
    const bool ok = Update(file, [&](IniText& ini) {
        const auto at = FindKey(ini, TrimText(section), TrimText(key));
        if (!at) return false;
        ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(*at));
        return true;
    });
    return ok ? TRUE : FALSE;
}

BOOL DeletePrivateProfileSection(const std::string& section, const std::string& file) {
    if (IsMissing(file)) return TRUE;
    const bool ok = Update(file, [&](IniText& ini) {
        const auto header = FindSection(ini, TrimText(section));
        if (!header) return false;
        const size_t end = SectionEnd(ini, *header);
        ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(*header),
                        ini.lines.begin() + static_cast<std::ptrdiff_t>(end));
        return true;
    });
    return ok ? TRUE : FALSE;
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::string& file) {
    const IniText ini = Load(file);
    std::vector<std::string> names;
    for (const Line& l : ini.lines) {
        if (l.kind != Line::Kind::Section) continue;
        bool seen = false;
        for (const std::string& n : names) seen = seen || MbCompareNoCase(n, l.name) == 0;
        if (!seen) names.push_back(l.name);
    }
    return names;
}

std::vector<std::string> GetPrivateProfileKeys(const std::string& section,
                                               const std::string& file) {
    const IniText ini = Load(file);
    std::vector<std::string> keys;
    const auto header = FindSection(ini, TrimText(section));
    if (!header) return keys;
    const size_t end = SectionEnd(ini, *header);
    for (size_t i = *header + 1; i < end; ++i) {
        const Line& l = ini.lines[i];
        if (l.kind != Line::Kind::Key) continue;
        bool seen = false;
        for (const std::string& n : keys) seen = seen || MbCompareNoCase(n, l.name) == 0;
        if (!seen) keys.push_back(l.name);
    }
    return keys;
}
