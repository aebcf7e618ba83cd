// The recent-file list.

#include "foundation/fxrecentfiles.h"

#include <algorithm>

#include "platform/inifile.h"
#include "platform/paths.h"

std::string CFxRecentFiles::GetIniFilePath() const {
    return GetFolder(FolderKind::Data) + "/" + m_strIniName;
}

void CFxRecentFiles::Load() {
    m_paths.clear();
    const std::string ini = GetIniFilePath();
    for (int i = 1; i <= kCount; ++i) {
        const std::string path =
            GetPrivateProfileString(kSection, "File" + std::to_string(i), "", ini);
        if (!path.empty() && std::find(m_paths.begin(), m_paths.end(), path) == m_paths.end())
            m_paths.push_back(path);
    }
}

BOOL CFxRecentFiles::Save() const {
    const std::string ini = GetIniFilePath();
    MakeFolderPathFor(ini);
    BOOL result = TRUE;
    for (int i = 0; i < kCount; ++i) {
        const std::string value = i < static_cast<int>(m_paths.size()) ? m_paths[i] : "";
        if (!WritePrivateProfileString(kSection, "File" + std::to_string(i + 1), value, ini))
            result = FALSE;
    }
    return result;
}

void CFxRecentFiles::Add(const std::string& path) {
    Remove(path);
    m_paths.insert(m_paths.begin(), path);
    if (m_paths.size() > static_cast<size_t>(kCount)) m_paths.resize(kCount);
}

void CFxRecentFiles::Remove(const std::string& path) {
    m_paths.erase(std::remove(m_paths.begin(), m_paths.end(), path), m_paths.end());
}
