#pragma once

// Free helpers on the system's texts (CP949 bytes), text arrays and maps: key
// lists, key=value texts, delimited lists, paths, hex coding and a few number,
// geometry and colour helpers.
//
// Searches move over whole characters: a byte with the high bit set starts a
// two-byte character, and a match never starts on its second byte. The
// case-insensitive forms only fold ASCII letters. Every function that fills an
// output array, map or text replaces its previous content.

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/wintypes.h"

class QComboBox;

using CFxStringMap = std::map<std::string, std::string>;

// ---- Splitting and joining -------------------------------------------------

// Splits at every delimiter. An empty piece (also the one after a trailing
// delimiter) is left out with `skipEmpty`, else added as `fill`. A text
// without the delimiter gives one item, an empty text none. Returns the count.
int SplitString(const std::string& text, std::vector<std::string>& items, char delim,
                BOOL skipEmpty = FALSE, const std::string& fill = "");
// The same at every occurrence of a separator text, found with or without
// regard to case. An empty separator never occurs: the text is one item.
int SplitStringBySeparator(std::vector<std::string>& items, const std::string& text,
                           const std::string& separator, BOOL caseInsensitive = FALSE,
                           BOOL skipEmpty = FALSE);
// The pieces of SplitStringBySeparator (case-sensitive) as a key set.
int SplitStringToMap(const std::string& text, std::set<std::string>& keys, const std::string& delim,
                     BOOL skipEmpty = FALSE);
// The pieces read as decimal numbers (AtoiText) as a key set; empty pieces
// are left out.
int SplitToIntMap(const std::string& text, std::set<int>& keys, const std::string& delim);
// Each item, lower-cased when asked, as a key.
void StringArrayToMapKeys(const std::vector<std::string>& items, std::set<std::string>& keys,
                          BOOL lowerCase = FALSE);
void StringArrayToInts(const std::vector<std::string>& items, std::vector<int>& numbers);

// Items with the separator between them; an empty item is written as `fill`
// (nothing when the fill text is empty).
void JoinStringsTo(const std::vector<std::string>& items, std::string& out,
                   const std::string& separator, const std::string& fill = "");
std::string JoinStrings(const std::vector<std::string>& items, const std::string& separator,
                        const std::string& fill = "");
void JoinWithChar(const std::vector<std::string>& items, std::string& out, char separator,
                  const std::string& fill = "");
// The decimal keys joined in ascending order.
void IntMapKeysToText(const std::set<int>& keys, std::string& out, const std::string& separator,
                      const std::string& fill = "");

void MapKeysToDWordArray(const std::set<int>& keys, std::vector<DWORD>& numbers);
// The keys of a set or map, in its order.
template <class Map>
void MapKeysToStringArray(const Map& map, std::vector<std::string>& items) {
    items.clear();
    items.reserve(map.size());
    for (const auto& entry : map) {
        if constexpr (requires { entry.first; })
            items.push_back(entry.first);
        else
            items.push_back(entry);
    }
}

// Index of the first item equal to the text (case-sensitive), -1 when none.
int FindStringInArray(const std::vector<std::string>& items, const std::string& text);
// Removes the first item equal to the text; FALSE when there is none.
BOOL RemoveStringFromArray(std::vector<std::string>& items, const std::string& text);
void CopyStringMap(CFxStringMap& destination, const CFxStringMap& source);

// ---- Key=value texts ---------------------------------------------------------

// Empties the map, then splits the text at the pair separator and each piece
// at the key/value separator; only pieces of exactly two parts count. The
// parts are lower-cased and trimmed when asked; with `swap` the value is the
// key. A later pair of the same key wins. Returns the number of pairs taken.
int ParseKeyValueText(const std::string& text, CFxStringMap& map,
                      const std::string& keyValueSeparator = "=",
                      const std::string& pairSeparator = "&", BOOL trim = FALSE, BOOL swap = FALSE,
                      BOOL lowerKeys = FALSE, BOOL lowerValues = FALSE);
// key + separator + value for every entry, in map order, pairs separated (no
// separator after the last one).
void KeyValueTextFromMap(const CFxStringMap& map, std::string& out,
                         const std::string& keyValueSeparator = "=",
                         const std::string& pairSeparator = "&");

// ---- Searching ---------------------------------------------------------------

// Index of `part` at or after `start`, -1 when absent. An empty part is never
// found; a negative start counts from 0.
int FindText(BOOL caseInsensitive, const std::string& text, const std::string& part, int start = 0);
int FindNoCase(const std::string& text, const std::string& part, int start = 0);
// Every non-overlapping position, searching on after each match. Returns the
// count.
int FindAllSubstrings(const std::string& text, const std::string& part, std::vector<int>& positions,
                      BOOL caseInsensitive = FALSE);
// The last position; with a limit other than -1 the match must lie within
// the first `limit` bytes. -1 when absent.
int FindLastText(const std::string& text, const std::string& part, BOOL caseInsensitive = FALSE,
                 int limit = -1);
// TRUE when the text begins with the prefix; `length` receives the prefix
// length either way.
BOOL StartsWithText(const std::string& text, const std::string& prefix,
                    BOOL caseInsensitive = FALSE, int* length = nullptr);
BOOL IsAsciiLetter(int c);
BOOL IsAsciiDigit(int c);

// The leading decimal number of a text as atoi reads it (blanks, sign,
// digits; 0 when there is none), held at the 32-bit limits.
int AtoiText(const std::string& text);

// ---- Paths and text ----------------------------------------------------------

// Paths may use "\" or "/" as separator.
// A trailing separator is removed first; then everything before the last
// separator, or "" when there is none: c:\a\b\ gives c:\a.
std::string GetParentPath(const std::string& path);
// The part after the last separator (the whole text when there is none).
std::string GetPathFileName(const std::string& path);
// Of the file name: with `stem` the part before its last ".", else the part
// after it; "" when the name has no ".".
std::string GetFileStemOrExtension(const std::string& path, BOOL stem);
std::string RepeatString(const std::string& text, int count);
// Copies the text into a buffer of `bufferSize` bytes, with a terminating NUL
// when asked; a text that does not fit is cut before a whole character.
// Returns the number of text bytes copied.
int CopyTextToBuffer(const std::string& text, char* buffer, std::size_t bufferSize, BOOL terminate);
// Puts the text on the clipboard; FALSE when there is no clipboard.
BOOL CopyTextToClipboard(const std::string& text);
// The selected item's text, or the box's own text when nothing is selected.
std::string GetComboText(const QComboBox* combo);
// The index of the combo box item with exactly this text (letter case
// counts, no prefix match), -1 when none.
int ComboFindText(const QComboBox* combo, const std::string& text);
// Selects the item with exactly this text; returns its index, -1 (selection
// unchanged) when none.
int ComboSelectText(QComboBox* combo, const std::string& text);

// ---- Hex coding --------------------------------------------------------------

// Each byte as two upper-case hex digits: "AB" gives "4142".
std::string TextToHex(const std::string& text);
// The bytes of a text of hex pairs. FALSE and an empty result for an odd
// length, a pair that is not two hex digits, or a pair that reads as 0.
BOOL HexToText(const std::string& hex, std::string& text);
// A hex number, "0x" allowed in front; more than four digits are read as
// high part (all but the last four) << 16 | low part. Reading stops at the
// first character that is no hex digit; numbers beyond 32 bits give
// 0xFFFFFFFF.
DWORD ParseHex(const std::string& text);

// ---- Numbers, geometry and colours -------------------------------------------

// Both normalised, then the smallest rectangle holding both.
CRect UnionOfRects(const CRect& a, const CRect& b);
double PointDistance(int x1, int y1, int x2, int y2);
// The size scaled by one factor to fit the box (never enlarged unless asked),
// truncated. A size or box without positive extent gives 0 x 0.
CSize FitSizeInto(int width, int height, int boxWidth, int boxHeight, BOOL enlarge);
// Each channel moved `percent` of the way to 255 (0..100); other percentages
// return the colour.
COLORREF LightenColor(COLORREF color, int percent);
// Each channel moved `percent` of the way to 0 (1..100); other percentages
// return the colour.
COLORREF DarkenColor(COLORREF color, int percent);
