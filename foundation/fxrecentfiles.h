#pragma once

// The recent-file list of a document program: four paths in an INI file in
// the user's data folder, the newest first. Both programs keep theirs so.

#include <string>
#include <vector>

#include "platform/wintypes.h"

class CFxRecentFiles {
public:
    static constexpr int kCount = 4;
    static constexpr const char* kSection = "Recent File List";

    // `iniName` is the INI file's path under the data folder (for example
    // "dravik.ini"); the folder is looked up at every read and write.
    explicit CFxRecentFiles(std::string iniName) : m_strIniName(std::move(iniName)) {}

    std::string GetIniFilePath() const;
    // Reads the list; empty and repeated entries are left out.
    void Load();
    BOOL Save() const;
    // Puts the path first (an equal entry moves up), keeping four.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& GetPaths() const { return m_paths; }

private:
    std::string m_strIniName;
    std::vector<std::string> m_paths;
};
