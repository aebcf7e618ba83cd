#pragma once

// The system's texts are std::string holding bytes of the ANSI code page
// CP949, exactly as files, records and the generated BASIC hold them. These
// functions convert where text meets Qt, the file system or a UTF-8 source
// literal. Bytes that do not convert become '?'; conversion never fails and
// never drops the rest of the text.

#include <QString>
#include <string>
#include <string_view>

#include "platform/platform_export.h"

PLATFORM_API std::string AnsiToUtf8(std::string_view ansi);
PLATFORM_API std::string Utf8ToAnsi(std::string_view utf8);
PLATFORM_API std::u16string AnsiToUtf16(std::string_view ansi);
PLATFORM_API std::string Utf16ToAnsi(std::u16string_view utf16);
PLATFORM_API QString AnsiToQString(std::string_view ansi);
PLATFORM_API std::string QStringToAnsi(const QString& text);

// A source literal (UTF-8) as system text: A("모든 파일").
inline std::string A(std::string_view utf8Literal) { return Utf8ToAnsi(utf8Literal); }

// Double-byte rules of the code page: a byte with the high bit set starts a
// pair. Case mapping and case-insensitive comparison leave both bytes of a
// pair alone and only map ASCII letters.
inline bool IsLeadByte(unsigned char c) { return (c & 0x80) != 0; }
PLATFORM_API std::string MbLower(std::string_view text);
PLATFORM_API std::string MbUpper(std::string_view text);
// <0, 0, >0 like strcmp, after lower-casing both texts.
PLATFORM_API int MbCompareNoCase(std::string_view a, std::string_view b);
// Removes spaces, tabs, carriage returns and line feeds at both ends.
PLATFORM_API std::string TrimText(std::string_view text);
