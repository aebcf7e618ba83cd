#include "foundation/fxutils.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFontDatabase>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include "foundation/fxstrings.h"
#include "platform/atomicfile.h"
#include "platform/inifile.h"
#include "platform/inputfile.h"
#include "platform/paths.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

std::string FolderOf(const std::string& path) {
    const auto pos = path.find_last_of('/');
    if (pos == std::string::npos) return {};
    if (pos == 0) return "/";
    return path.substr(0, pos);
}

std::string FileNameOf(const std::string& path) {
    const auto pos = path.find_last_of('/');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

// ---- Files and folders -----------------------------------------------------

BOOL ReadFileAsText(std::FILE* file, std::string& text, BOOL replaceNul, char fill) {
    text.clear();
    if (file == nullptr) return FALSE;
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<unsigned long long>(st.st_size) > kMaxInputFileBytes ||
        std::fseek(file, 0, SEEK_SET) != 0)
        return FALSE;
    char chunk[8192];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        // A file that grows while it is read stops at the cap too.
        if (text.size() + n > kMaxInputFileBytes) {
            text.clear();
            return FALSE;
        }
        text.append(chunk, n);
    }
    if (std::ferror(file)) {
        text.clear();
        return FALSE;
    }
    if (replaceNul) std::replace(text.begin(), text.end(), '\0', fill);
    return TRUE;
}

BOOL ReadTextFile(const std::string& path, std::string& text, BOOL replaceNul, char fill) {
    if (ReadInputFile(path, text) != InputFileError::None) return FALSE;
    if (replaceNul) std::replace(text.begin(), text.end(), '\0', fill);
    return TRUE;
}

std::string ReadWholeTextFile(const std::string& path, BOOL replaceNul, char fill) {
    std::string text;
    ReadTextFile(path, text, replaceNul, fill);
    return text;
}

BOOL WriteTextToOpenFile(std::FILE* file, const std::string& text) {
    if (file == nullptr) return FALSE;
    std::fflush(file);
    if (::ftruncate(::fileno(file), 0) != 0 || std::fseek(file, 0, SEEK_SET) != 0) return FALSE;
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size())
        return FALSE;
    return std::fflush(file) == 0 ? TRUE : FALSE;
}

BOOL WriteTextFile(const std::string& path, const std::string& text, BOOL openAfter) {
    if (path.empty() || !MakeFolderPathFor(path)) return FALSE;
    const BOOL ok = WriteFileAtomically(path, text) ? TRUE : FALSE;
    // Shown as a document, never started, whatever the file's mode.
    if (ok && openAfter) Ui().OpenDocument(path);
    return ok;
}

BOOL CreateEmptyFile(const std::string& path) { return WriteTextFile(path, "", FALSE); }

BOOL IsPathExisting(const std::string& path) {
    if (path.empty()) return FALSE;
    if (IsFolder(path)) return TRUE;
    // Without O_NONBLOCK a FIFO would hold the open until a writer comes.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return FALSE;
    ::close(fd);
    return TRUE;
}

BOOL ShellDeletePath(const std::string& path) {
    // The original passes the path in a 260-byte list with two closing NULs;
    // a longer path would be cut to another, shorter one: refuse it instead.
    if (path.empty() || path.size() > 258) return FALSE;
    std::error_code error;
    const std::filesystem::path target(path);
    if (!std::filesystem::exists(std::filesystem::symlink_status(target, error))) return FALSE;
    std::filesystem::remove_all(target, error);
    return error ? FALSE : TRUE;
}

namespace {

bool ListInto(const std::string& folder, const std::string& relative,
              std::vector<std::string>& entries, bool recurse, bool fullPaths, bool foldersOnly) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return false;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        const bool isFolder = IsFolder(path);
        if (isFolder == foldersOnly) entries.push_back(fullPaths ? path : rel);
        // A link to a folder is listed but not walked: it may lead back up.
        struct stat link {};
        const bool isLink = ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
        if (isFolder && recurse && !isLink)
            ListInto(path, rel, entries, recurse, fullPaths, foldersOnly);
    }
    return true;
}

}  // namespace

BOOL ListFolder(const std::string& folder, std::vector<std::string>& entries, BOOL recurse,
                BOOL fullPaths, BOOL foldersOnly) {
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return ListInto(base, "", entries, recurse, fullPaths, foldersOnly) ? TRUE : FALSE;
}

// ---- Module paths and system -----------------------------------------------

std::string GetModuleLongPath(const void* module) {
    if (module == nullptr) return {};
    const std::string file = GetModuleFileOf(module);
    if (file.empty()) return {};
    return GetFolder(FolderKind::Program) + "/" + FileNameOf(file);
}

std::string GetModuleFilePath() {
    return GetModuleLongPath(reinterpret_cast<const void*>(&GetModuleFilePath));
}

std::string GetModuleDir() { return FolderOf(GetModuleFilePath()); }

std::string GetModuleFolder() {
    const std::string dir = GetModuleDir();
    return dir.empty() || dir.back() == '/' ? dir : dir + "/";
}

std::string GetModuleParentDir() { return FolderOf(GetModuleDir()); }

std::string GetModuleFileTitle() { return FileNameOf(GetModuleFilePath()); }

std::uintptr_t GetModuleInstanceHandle() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&GetModuleInstanceHandle), &info) == 0) return 0;
    return reinterpret_cast<std::uintptr_t>(info.dli_fbase);
}

std::string GetSystemDir() { return GetSystemFolder(); }

std::string QuoteShellParameters(const std::string& parameters, BOOL noQuoting) {
    if (parameters.empty() || noQuoting || parameters.find('"') != std::string::npos)
        return parameters;
    return "\"" + parameters + "\"";
}

BOOL ShellOpen(const std::string& file, const std::string& parameters, int /*show*/,
               BOOL noQuoting) {
    if (file.empty()) return FALSE;
    const std::string quoted = QuoteShellParameters(parameters, noQuoting);
    // A program is started with its parameters; anything else goes to the
    // desktop, which has no use for parameters.
    if (!IsFolder(file) && ::access(file.c_str(), X_OK) == 0)
        return Ui().StartProgram(file, quoted) ? TRUE : FALSE;
    return Ui().OpenDocument(file) ? TRUE : FALSE;
}

std::string GetWindowsVersionName() { return {}; }

namespace {
std::atomic<int> g_nKoreanUI{-1};  // -1 until tested
}  // namespace

BOOL FxIsKoreanUILanguage() {
    int korean = g_nKoreanUI.load();
    if (korean < 0) {
        korean = !IsPathExisting(TranslateWindowsPath("c:\\_fakeengwindow.txt")) &&
                 QLocale::system().language() == QLocale::Korean;
        g_nKoreanUI.store(korean);
    }
    return korean;
}

void SetKoreanUILanguageForTest(int state) { g_nKoreanUI.store(state < 0 ? -1 : (state ? 1 : 0)); }

// ---- INI values --------------------------------------------------------------

namespace {

std::mutex g_iniCacheMutex;
std::map<std::string, std::string> g_iniCache;

std::string IniCacheKey(const std::string& file, const std::string& key,
                        const std::string& section) {
    return file + '\1' + key + '\1' + section;
}

}  // namespace

std::string GetIniString(const std::string& file, const std::string& key,
                         const std::string& section, const std::string& def, int bufferSize,
                         BOOL encoded, BOOL cached) {
    const std::string cacheKey = IniCacheKey(file, key, section);
    if (cached) {
        std::lock_guard<std::mutex> lock(g_iniCacheMutex);
        const auto it = g_iniCache.find(cacheKey);
        if (it != g_iniCache.end()) return it->second;
    }
    if (!IsPathExisting(file)) return def;
    const std::size_t limit = static_cast<std::size_t>(bufferSize <= 0 ? 2000 : bufferSize) - 1;
    const std::string readDefault = encoded ? TextToHex(def) : def;
    std::string value = GetPrivateProfileString(section, key, readDefault, file);
    if (value.size() > limit) value.resize(limit);
    // Reading writes nothing: an empty entry left for a missing key could
    // land over a value another process writes meanwhile.
    std::string result = value;
    if (encoded) {
        // A value that is no hex code (edited by hand) reads as the default.
        if (!HexToText(value, result)) result = def;
    }
    if (cached) {
        std::lock_guard<std::mutex> lock(g_iniCacheMutex);
        g_iniCache[cacheKey] = result;
    }
    return result;
}

BOOL SetIniString(const std::string& file, const std::string& key, const std::string& value,
                  const std::string& section, BOOL encoded) {
    return SetIniStrings(file, {{key, value}}, section, encoded);
}

BOOL SetIniStrings(const std::string& file, const IniEntries& entries, const std::string& section,
                   BOOL encoded) {
    // The write itself creates the file, under the INI's lock: a file made
    // empty beforehand could replace what another process wrote meanwhile.
    if (!MakeFolderPathFor(file)) return FALSE;
    IniEntries stored = entries;
    if (encoded) {
        for (auto& entry : stored) entry.second = TextToHex(entry.second);
    }
    if (!WritePrivateProfileStrings(section, stored, file)) return FALSE;
    // A cached read must not answer with a value this write replaced.
    std::lock_guard<std::mutex> lock(g_iniCacheMutex);
    for (const auto& [key, value] : entries) {
        const auto it = g_iniCache.find(IniCacheKey(file, key, section));
        if (it != g_iniCache.end()) it->second = value;
    }
    return TRUE;
}

void ClearIniCache() {
    std::lock_guard<std::mutex> lock(g_iniCacheMutex);
    g_iniCache.clear();
}

// ---- Version -----------------------------------------------------------------

std::vector<int> SplitVersionText(const std::string& text) {
    std::vector<int> numbers;
    if (text.empty()) return numbers;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find_first_of(",.", start);
        numbers.push_back(AtoiText(text.substr(start, end - start)));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return numbers;
}

BOOL GetVersionNumbers(const std::string& path, std::vector<int>& numbers) {
    numbers.clear();
    // Only the deliverables of this build carry a version: the build's own.
    if (!path.empty()) {
        if (!IsPathExisting(path) || IsFolder(path)) return FALSE;
        const std::string name = FileNameOf(path);
        const std::string ours[] = {FileNameOf(GetProgramFilePath()), GetModuleFileTitle()};
        if (std::find(std::begin(ours), std::end(ours), name) == std::end(ours)) return FALSE;
    }
    numbers = SplitVersionText(DRAVIK_VERSION_TEXT);
    return numbers.empty() ? FALSE : TRUE;
}

int GetProductVersionCode(const std::string& path, int* fourth) {
    std::vector<int> numbers;
    if (fourth) *fourth = 0;
    if (!GetVersionNumbers(path, numbers) || numbers.size() != 4) return 0;
    if (fourth) *fourth = numbers[3];
    return numbers[0] % 100 * 100 + numbers[1] % 10 * 10 + numbers[2] % 10;
}

std::string GetVersionText(const std::string& path) {
    const int code = GetProductVersionCode(path);
    return std::to_string(code / 100 % 100) + "." + std::to_string(code / 10 % 10) +
           std::to_string(code % 10);
}

// ---- Sorting -----------------------------------------------------------------

BOOL SortByKeys(std::vector<DWORD>& values, const std::vector<DWORD>* keys, BOOL descending) {
    if (keys == nullptr) {
        std::sort(values.begin(), values.end());
        return TRUE;
    }
    if (keys->size() != values.size()) return FALSE;
    std::vector<std::string> texts;
    texts.reserve(values.size());
    static const char hex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::string text(8, '0');
        for (int d = 0; d < 8; ++d) text[7 - d] = hex[((*keys)[i] >> (4 * d)) & 0xF];
        texts.push_back(text + std::to_string(values[i]));
    }
    std::sort(texts.begin(), texts.end());
    if (descending) std::reverse(texts.begin(), texts.end());
    for (std::size_t i = 0; i < texts.size(); ++i)
        values[i] = static_cast<DWORD>(std::strtoul(texts[i].c_str() + 8, nullptr, 10));
    return TRUE;
}

void SortStrings(std::vector<std::string>& texts, BOOL caseSensitive, BOOL descending) {
    std::stable_sort(texts.begin(), texts.end(), [&](const std::string& a, const std::string& b) {
        const int order = caseSensitive ? a.compare(b) : MbCompareNoCase(a, b);
        return descending ? order > 0 : order < 0;
    });
}

// ---- Fonts -------------------------------------------------------------------

int EnumDisplayFontFaces(std::vector<std::string>& faces, BOOL skipVertical, BOOL trueTypeOnly,
                         BOOL firstGroupOnly) {
    faces.clear();
    std::set<std::string> seen;
    std::vector<std::string> leadingDouble, innerDouble, plain;
    for (const QString& family : QFontDatabase::families()) {
        if (family.isEmpty() || family == QLatin1String("Terminal") ||
            family == QLatin1String("Fixedsys"))
            continue;
        if (skipVertical && family.startsWith('@')) continue;
        if (trueTypeOnly && !QFontDatabase::isSmoothlyScalable(family)) continue;
        // A face the code page cannot spell could not be stored or found again.
        const std::string name = QStringToAnsi(family);
        if (AnsiToQString(name) != family) continue;
        if (!seen.insert(name).second) continue;
        const auto doubleAt =
            std::find_if(name.begin(), name.end(), [](char c) { return IsLeadByte(c); });
        if (doubleAt == name.begin())
            leadingDouble.push_back(name);
        else if (doubleAt != name.end())
            innerDouble.push_back(name);
        else
            plain.push_back(name);
    }
    SortStrings(leadingDouble);
    SortStrings(innerDouble);
    SortStrings(plain);
    faces = std::move(leadingDouble);
    if (!firstGroupOnly) {
        faces.insert(faces.end(), innerDouble.begin(), innerDouble.end());
        faces.insert(faces.end(), plain.begin(), plain.end());
    }
    return static_cast<int>(faces.size());
}

// ---- Small records -----------------------------------------------------------

CFxHandleHolder::~CFxHandleHolder() { Reset(); }

void CFxHandleHolder::Reset(int handle) {
    if (m_handle >= 0 && m_handle != handle) ::close(m_handle);
    m_handle = handle;
}

int CFxHandleHolder::Release() {
    const int handle = m_handle;
    m_handle = -1;
    return handle;
}
