#pragma once

// INI files with the semantics of the profile functions: sections and keys are
// found without regard to case; a missing file, section or key gives the
// default; writing creates the file and the section and keeps every other
// line and its order. Files are read and written as bytes (CP949), lines end
// in CR LF when written; either line end is read. Anything but a regular
// file, and a file over 1 MiB, cannot be read: reads give the default and
// writes are refused.
//
// Every change is one read-modify-write under an exclusive lock on a lock
// file beside the INI ("." + its name + ".lock"), and the file is replaced whole
// (atomicfile.h): writers in several processes lose nothing of each other's,
// and readers, who take no lock, see the file before or after a change.

#include <string>
#include <utility>
#include <vector>

#include "platform/platform_export.h"
#include "platform/wintypes.h"

// The value of key in section, or `def` (surrounding blanks of the value are
// removed, as are one pair of matching quotes around it).
PLATFORM_API std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                                 const std::string& def, const std::string& file);
// The value read as a decimal number (leading digits, like atoi), or `def` when
// the key is missing.
PLATFORM_API UINT GetPrivateProfileInt(const std::string& section, const std::string& key, int def,
                                       const std::string& file);
// Sets key = value in section; adds the section at the end and the key at the
// end of its section when missing. FALSE when the file cannot be written, or
// is there but cannot be read (the writers never replace what they could not
// read).
PLATFORM_API BOOL WritePrivateProfileString(const std::string& section, const std::string& key,
                                            const std::string& value, const std::string& file);
// Key and value pairs, in the order they are written.
using IniEntries = std::vector<std::pair<std::string, std::string>>;
// Sets every key of the list in section, in order, as one change of the file
// (one lock, one replacement): all of them or, on failure, none.
PLATFORM_API BOOL WritePrivateProfileStrings(const std::string& section, const IniEntries& entries,
                                             const std::string& file);
// Removes the key (true also when it was not there); FALSE when the file
// cannot be written.
PLATFORM_API BOOL DeletePrivateProfileKey(const std::string& section, const std::string& key,
                                          const std::string& file);
// Removes the whole section with its keys.
PLATFORM_API BOOL DeletePrivateProfileSection(const std::string& section, const std::string& file);
// The section names, and the key names of one section, in file order.
PLATFORM_API std::vector<std::string> GetPrivateProfileSectionNames(const std::string& file);
PLATFORM_API std::vector<std::string> GetPrivateProfileKeys(const std::string& section,
                                                            const std::string& file);
