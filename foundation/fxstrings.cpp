#include "foundation/fxstrings.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "foundation/fxsharedvalues.h"
#include "platform/textcodec.h"

namespace {

// Bytes of the character that starts at `at`.
std::size_t CharLength(const std::string& text, std::size_t at) {
    return (IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size()) ? 2 : 1;
}

// Position of `part` in `text` at or after `from`, moving over whole
// characters; npos when absent or when `part` is empty. Both texts must
// already be folded alike.
std::size_t FindFrom(const std::string& text, const std::string& part, std::size_t from) {
    if (part.empty()) return std::string::npos;
    for (std::size_t at = from; at < text.size() && text.size() - at >= part.size();
         at += CharLength(text, at)) {
        if (text.compare(at, part.size(), part) == 0) return at;
    }
    return std::string::npos;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Position of the last path separator, npos when none.
std::size_t LastSeparator(const std::string& path) {
    std::size_t last = std::string::npos;
    for (std::size_t at = 0; at < path.size(); at += CharLength(path, at))
        if (IsSeparator(path[at])) last = at;
    return last;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The leading hex digits of a text as a number, held at 2^32 - 1 + 1 so a
// caller can tell an overflow.
std::uint64_t LeadingHex(std::string_view text) {
    std::uint64_t value = 0;
    for (char c : text) {
        const int d = HexDigit(c);
        if (d < 0) break;
        value = std::min<std::uint64_t>(value * 16 + static_cast<unsigned>(d), 0x100000000ULL);
    }
    return value;
}

// Splits at every occurrence of `separator` (already folded into `search`
// when case is ignored); pieces come from the unfolded text.
int SplitAt(std::vector<std::string>& items, const std::string& text, const std::string& search,
            const std::string& separator, BOOL skipEmpty, const std::string& fill) {
    items.clear();
    if (text.empty()) return 0;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = FindFrom(search, separator, from);
        const std::size_t end = (at == std::string::npos) ? text.size() : at;
        if (end > from)
            items.push_back(text.substr(from, end - from));
        else if (!skipEmpty)
            items.push_back(fill);
        if (at == std::string::npos) break;
        from = at + separator.size();
    }
    return static_cast<int>(items.size());
}

BYTE ClampChannel(double value) { return static_cast<BYTE>(std::clamp(value, 0.0, 255.0)); }

}  // namespace

// ---- Splitting and joining -------------------------------------------------

int SplitString(const std::string& text, std::vector<std::string>& items, char delim,
                BOOL skipEmpty, const std::string& fill) {
    const std::string separator(1, delim);
    return SplitAt(items, text, text, separator, skipEmpty, fill);
}

int SplitStringBySeparator(std::vector<std::string>& items, const std::string& text,
                           const std::string& separator, BOOL caseInsensitive, BOOL skipEmpty) {
    if (caseInsensitive)
        return SplitAt(items, text, MbLower(text), MbLower(separator), skipEmpty, "");
    return SplitAt(items, text, text, separator, skipEmpty, "");
}

int SplitStringToMap(const std::string& text, std::set<std::string>& keys, const std::string& delim,
                     BOOL skipEmpty) {
    std::vector<std::string> pieces;
    SplitStringBySeparator(pieces, text, delim, FALSE, skipEmpty);
    keys.clear();
    keys.insert(pieces.begin(), pieces.end());
    return static_cast<int>(keys.size());
}

int SplitToIntMap(const std::string& text, std::set<int>& keys, const std::string& delim) {
    std::vector<std::string> pieces;
    SplitStringBySeparator(pieces, text, delim, FALSE, TRUE);
    keys.clear();
    for (const std::string& piece : pieces) keys.insert(AtoiText(piece));
    return static_cast<int>(keys.size());
}

void StringArrayToMapKeys(const std::vector<std::string>& items, std::set<std::string>& keys,
                          BOOL lowerCase) {
    keys.clear();
    for (const std::string& item : items) keys.insert(lowerCase ? MbLower(item) : item);
}

void StringArrayToInts(const std::vector<std::string>& items, std::vector<int>& numbers) {
    numbers.clear();
    numbers.reserve(items.size());
    for (const std::string& item : items) numbers.push_back(AtoiText(item));
}

void JoinStringsTo(const std::vector<std::string>& items, std::string& out,
                   const std::string& separator, const std::string& fill) {
    std::string joined;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) joined += separator;
        joined += items[i].empty() ? fill : items[i];
    }
    out = std::move(joined);
}

std::string JoinStrings(const std::vector<std::string>& items, const std::string& separator,
                        const std::string& fill) {
    std::string out;
    JoinStringsTo(items, out, separator, fill);
    return out;
}

void JoinWithChar(const std::vector<std::string>& items, std::string& out, char separator,
                  const std::string& fill) {
    JoinStringsTo(items, out, std::string(1, separator), fill);
}

void IntMapKeysToText(const std::set<int>& keys, std::string& out, const std::string& separator,
                      const std::string& fill) {
    std::vector<std::string> items;
    items.reserve(keys.size());
    for (int key : keys) items.push_back(std::to_string(key));
    JoinStringsTo(items, out, separator, fill);
}

void MapKeysToDWordArray(const std::set<int>& keys, std::vector<DWORD>& numbers) {
    numbers.clear();
    numbers.reserve(keys.size());
    for (int key : keys) numbers.push_back(static_cast<DWORD>(key));
}

int FindStringInArray(const std::vector<std::string>& items, const std::string& text) {
    const auto it = std::find(items.begin(), items.end(), text);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

BOOL RemoveStringFromArray(std::vector<std::string>& items, const std::string& text) {
    const auto it = std::find(items.begin(), items.end(), text);
    if (it == items.end()) return FALSE;
    items.erase(it);
    return TRUE;
}

void CopyStringMap(CFxStringMap& destination, const CFxStringMap& source) {
    if (&destination == &source) return;
    destination = source;
}

// ---- Key=value texts ---------------------------------------------------------

int ParseKeyValueText(const std::string& text, CFxStringMap& map,
                      const std::string& keyValueSeparator, const std::string& pairSeparator,
                      BOOL trim, BOOL swap, BOOL lowerKeys, BOOL lowerValues) {
    map.clear();
    // An empty pair holds no key: skipped as it is split, so that a text of
    // nothing but separators costs no more than its own bytes.
    std::vector<std::string> pairs;
    SplitStringBySeparator(pairs, text, pairSeparator, FALSE, TRUE);
    int taken = 0;
    std::vector<std::string> parts;
    for (const std::string& pair : pairs) {
        SplitStringBySeparator(parts, pair, keyValueSeparator);
        if (parts.size() != 2) continue;
        std::string key = lowerKeys ? MbLower(parts[0]) : parts[0];
        std::string value = lowerValues ? MbLower(parts[1]) : parts[1];
        if (trim) {
            key = TrimText(key);
            value = TrimText(value);
        }
        if (swap) std::swap(key, value);
        map[key] = std::move(value);
        ++taken;
    }
    return taken;
}

void KeyValueTextFromMap(const CFxStringMap& map, std::string& out,
                         const std::string& keyValueSeparator, const std::string& pairSeparator) {
    std::string text;
    bool first = true;
    for (const auto& [key, value] : map) {
        if (!first) text += pairSeparator;
        text += key + keyValueSeparator + value;
        first = false;
    }
    out = std::move(text);
}

// ---- Searching ---------------------------------------------------------------

int FindText(BOOL caseInsensitive, const std::string& text, const std::string& part, int start) {
    const std::size_t from = start < 0 ? 0 : static_cast<std::size_t>(start);
    const std::size_t at =
        caseInsensitive ? FindFrom(MbLower(text), MbLower(part), from) : FindFrom(text, part, from);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int FindNoCase(const std::string& text, const std::string& part, int start) {
    return FindText(TRUE, text, part, start);
}

int FindAllSubstrings(const std::string& text, const std::string& part, std::vector<int>& positions,
                      BOOL caseInsensitive) {
    positions.clear();
    const std::string search = caseInsensitive ? MbLower(text) : text;
    const std::string wanted = caseInsensitive ? MbLower(part) : part;
    for (std::size_t at = FindFrom(search, wanted, 0); at != std::string::npos;
         at = FindFrom(search, wanted, at + wanted.size()))
        positions.push_back(static_cast<int>(at));
    return static_cast<int>(positions.size());
}

int FindLastText(const std::string& text, const std::string& part, BOOL caseInsensitive,
                 int limit) {
    std::string search = caseInsensitive ? MbLower(text) : text;
    if (limit != -1 && static_cast<std::size_t>(std::max(limit, 0)) < search.size())
        search.resize(static_cast<std::size_t>(std::max(limit, 0)));
    const std::string wanted = caseInsensitive ? MbLower(part) : part;
    int last = -1;
    for (std::size_t at = FindFrom(search, wanted, 0); at != std::string::npos;
         at = FindFrom(search, wanted, at + CharLength(search, at)))
        last = static_cast<int>(at);
    return last;
}

BOOL StartsWithText(const std::string& text, const std::string& prefix, BOOL caseInsensitive,
                    int* length) {
    if (length) *length = static_cast<int>(prefix.size());
    if (prefix.size() > text.size()) return FALSE;
    const std::string_view head(text.data(), prefix.size());
    if (caseInsensitive) return MbCompareNoCase(head, prefix) == 0;
    return head == prefix;
}

BOOL IsAsciiLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

BOOL IsAsciiDigit(int c) { return c >= '0' && c <= '9'; }

int AtoiText(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && IsAsciiDigit(text[i]); ++i)
        value = std::min(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    if (negative) return static_cast<int>(-value);
    return static_cast<int>(std::min<long long>(value, INT_MAX));
}

// ---- Paths and text ----------------------------------------------------------

std::string GetParentPath(const std::string& path) {
    std::string trimmed = path;
    if (!trimmed.empty() && IsSeparator(trimmed.back())) trimmed.pop_back();
    const std::size_t at = LastSeparator(trimmed);
    return at == std::string::npos ? std::string() : trimmed.substr(0, at);
}

std::string GetPathFileName(const std::string& path) {
    const std::size_t at = LastSeparator(path);
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string GetFileStemOrExtension(const std::string& path, BOOL stem) {
    const std::string name = GetPathFileName(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return std::string();
    return stem ? name.substr(0, dot) : name.substr(dot + 1);
}

std::string RepeatString(const std::string& text, int count) {
    std::string out;
    if (count <= 0) return out;
    out.reserve(text.size() * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) out += text;
    return out;
}

int CopyTextToBuffer(const std::string& text, char* buffer, std::size_t bufferSize,
                     BOOL terminate) {
    if (!buffer || bufferSize == 0) return 0;
    const std::size_t room = terminate ? bufferSize - 1 : bufferSize;
    std::size_t count = 0;
    while (count < text.size()) {
        const std::size_t next = count + CharLength(text, count);
        if (next > room) break;
        count = next;
    }
    std::memcpy(buffer, text.data(), count);
    if (terminate) buffer[count] = '\0';
    return static_cast<int>(count);
}

BOOL CopyTextToClipboard(const std::string& text) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return FALSE;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return FALSE;
    clipboard->setText(AnsiToQString(text));
    return TRUE;
}

std::string GetComboText(const QComboBox* combo) {
    if (!combo) return std::string();
    const int index = combo->currentIndex();
    if (index >= 0) return QStringToAnsi(combo->itemText(index));
    return QStringToAnsi(combo->currentText());
}

int ComboFindText(const QComboBox* combo, const std::string& text) {
    if (!combo) return -1;
    return combo->findText(AnsiToQString(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

int ComboSelectText(QComboBox* combo, const std::string& text) {
    const int index = ComboFindText(combo, text);
    if (index >= 0) combo->setCurrentIndex(index);
    return index;
}

// ---- Hex coding --------------------------------------------------------------

std::string TextToHex(const std::string& text) {
    std::string hex;
    hex.reserve(text.size() * 2);
    for (unsigned char c : text) hex += IntToPaddedText(c, 16, 2);
    return hex;
}

BOOL HexToText(const std::string& hex, std::string& text) {
    text.clear();
    if (hex.size() % 2 != 0) return FALSE;
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return FALSE;
        bytes += static_cast<char>(high * 16 + low);
    }
    text = std::move(bytes);
    return TRUE;
}

DWORD ParseHex(const std::string& text) {
    std::string_view digits(text);
    while (!digits.empty() && (digits.front() == ' ' || digits.front() == '\t'))
        digits.remove_prefix(1);
    if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.remove_prefix(2);
    if (digits.size() <= 4) return static_cast<DWORD>(LeadingHex(digits));
    const std::uint64_t high = LeadingHex(digits.substr(0, digits.size() - 4));
    const std::uint64_t low = LeadingHex(digits.substr(digits.size() - 4));
    if (high > 0xFFFF) return 0xFFFFFFFF;
    return static_cast<DWORD>((high << 16) | low);
}

// ---- Numbers, geometry and colours -------------------------------------------

CRect UnionOfRects(const CRect& a, const CRect& b) {
    CRect na = a;
    CRect nb = b;
    na.NormalizeRect();
    nb.NormalizeRect();
    return CRect(std::min(na.left, nb.left), std::min(na.top, nb.top), std::max(na.right, nb.right),
                 std::max(na.bottom, nb.bottom));
}

double PointDistance(int x1, int y1, int x2, int y2) {
    const double dx = static_cast<double>(x2) - x1;
    const double dy = static_cast<double>(y2) - y1;
    return std::sqrt(dx * dx + dy * dy);
}

CSize FitSizeInto(int width, int height, int boxWidth, int boxHeight, BOOL enlarge) {
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return CSize(0, 0);
    // The factor is boxWidth / width when boxHeight / boxWidth >= height /
    // width; worked in whole numbers so the fitted side is exact.
    const std::int64_t w = width, h = height, bw = boxWidth, bh = boxHeight;
    const bool byWidth = bh * w >= h * bw;
    std::int64_t num = byWidth ? bw : bh;
    std::int64_t den = byWidth ? w : h;
    if (!enlarge && num > den) num = den = 1;
    return CSize(static_cast<LONG>(w * num / den), static_cast<LONG>(h * num / den));
}

COLORREF LightenColor(COLORREF color, int percent) {
    if (percent < 0 || percent > 100) return color;
    const double p = percent / 100.0;
    auto lift = [p](BYTE c) { return ClampChannel(c + p * (255 - c)); };
    return RGB(lift(GetRValue(color)), lift(GetGValue(color)), lift(GetBValue(color)));
}

COLORREF DarkenColor(COLORREF color, int percent) {
    if (percent <= 0 || percent > 100) return color;
    const double p = percent / 100.0;
    auto lower = [p](BYTE c) { return ClampChannel(c - p * c); };
    return RGB(lower(GetRValue(color)), lower(GetGValue(color)), lower(GetBValue(color)));
}
