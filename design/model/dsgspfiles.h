#pragma once

// The working files of a slot's forms ("<form name>.frm"), as this process
// changes them. Every write, move and removal of a working file goes through
// here, and each gives the files it touches a new change stamp: whatever is
// made from a working file (a form's generated SUB) stays valid for as long
// as the file's stamp is the one it was made under, without reading the file
// again to find out.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/wintypes.h"

class CDsgEActions;
class CRevolver;

class CDsgSPFiles {
public:
    using Stamp = std::uint64_t;

    // The history written as the whole file, atomically.
    static BOOL Write(const std::string& path, const CDsgEActions& actions, BOOL withIndex);
    // Records written as their files together (one sync for all); a plain
    // file that holds its record already is left as it is. FALSE when any of
    // them could not be put in place.
    static BOOL WriteAll(const std::vector<std::pair<std::string, const CRevolver*>>& files);
    // The file renamed (std::rename's result, 0 on success).
    static int Move(const std::string& from, const std::string& to);
    // The file removed (std::remove's result, 0 on success).
    static int Remove(const std::string& path);

    // The file's stamp: the same number while nothing above changed the
    // file, a number never given before after every change (also a failed
    // one, which may have changed it all the same). Never 0.
    static Stamp GetStamp(const std::string& path);

private:
    static void Changed(const std::string& path);
};
