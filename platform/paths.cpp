#include "platform/paths.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <vector>

namespace {

std::mutex g_mutex;
std::string g_overrides[3];
std::function<DWORD()> g_tickSource;
std::function<LocalTime()> g_localTimeSource;

const char* EnvName(FolderKind kind) {
    switch (kind) {
        case FolderKind::Program:
            return "DRAVIK_PROGRAM_DIR";
        case FolderKind::Data:
            return "DRAVIK_DATA_DIR";
        case FolderKind::Runtime:
            return "DRAVIK_RUNTIME_DIR";
    }
    return "";
}

std::string DirName(const std::string& path) {
    const auto pos = path.find_last_of('/');
    if (pos == std::string::npos) return ".";
    if (pos == 0) return "/";
    return path.substr(0, pos);
}

std::string StripTrailingSlash(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

// True when `address` lies in a loaded segment of the main program (the first
// object the dynamic linker lists).
bool IsInMainProgram(const void* address) {
    struct Query {
        uintptr_t address;
        bool found;
    } query{reinterpret_cast<uintptr_t>(address), false};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* q = static_cast<Query*>(data);
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& ph = info->dlpi_phdr[i];
                if (ph.p_type != PT_LOAD) continue;
                const uintptr_t start = info->dlpi_addr + ph.p_vaddr;
                if (q->address >= start && q->address < start + ph.p_memsz) q->found = true;
            }
            return 1;  // only the first object, the program itself
        },
        &query);
    return query.found;
}

// A real folder of this user that nobody else may enter.
bool IsPrivateFolder(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & 0777) == 0700;
}

// The default runtime folder, chosen once per process.
std::string DefaultRuntimeFolder() {
    static std::once_flag once;
    static std::string folder;
    std::call_once(once, [] {
        const std::string wanted = "/tmp/dravik-" + std::to_string(getuid());
        folder = ChoosePrivateFolder(wanted);
        if (folder.empty()) folder = wanted;
    });
    return folder;
}

// Where the program keeps the files it writes beside itself: its own folder
// when this user may write there, else (an installed program in a system
// folder) the folder "program" in the data folder, made when missing.
std::string DefaultProgramFolder() {
    const std::string folder = DirName(GetProgramFilePath());
    if (access(folder.c_str(), W_OK) == 0) return folder;
    const std::string fallback = GetFolder(FolderKind::Data) + "/program";
    MakeFolderPath(fallback);
    return fallback;
}

}  // namespace

std::string ChoosePrivateFolder(const std::string& wanted) {
    if (mkdir(wanted.c_str(), 0700) == 0) chmod(wanted.c_str(), 0700);  // whatever the umask
    if (IsPrivateFolder(wanted)) return wanted;

    const std::string parent = DirName(wanted);
    const std::string stem = wanted.substr(wanted.find_last_of('/') + 1) + "-";
    std::string chosen;
    if (DIR* dir = opendir(parent.c_str())) {
        std::vector<std::string> names;
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() == stem.size() + 6 && name.compare(0, stem.size(), stem) == 0)
                names.push_back(name);
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            if (IsPrivateFolder(parent + "/" + name)) {
                chosen = parent + "/" + name;
                break;
            }
        }
    }
    if (chosen.empty()) {
        std::string pattern = wanted + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) return {};
        chosen = pattern;
    }
    std::fprintf(stderr, "dravik: %s is not a private folder of this user; using %s\n",
                 wanted.c_str(), chosen.c_str());
    return chosen;
}

std::string GetProgramFilePath() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

std::string GetFolder(FolderKind kind) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        const std::string& o = g_overrides[static_cast<int>(kind)];
        if (!o.empty()) return o;
    }
    if (const char* v = std::getenv(EnvName(kind)); v && *v) return StripTrailingSlash(v);

    switch (kind) {
        case FolderKind::Program:
            return DefaultProgramFolder();
        case FolderKind::Data: {
            const std::string home = EnvOr("HOME", "/tmp");
            return StripTrailingSlash(EnvOr("XDG_DATA_HOME", home + "/.local/share")) + "/dravik";
        }
        case FolderKind::Runtime: {
            const std::string base = EnvOr("XDG_RUNTIME_DIR", "");
            // /tmp is everybody's: another user may have made the folder first.
            return base.empty() ? DefaultRuntimeFolder() : StripTrailingSlash(base) + "/dravik";
        }
    }
    return {};
}

void SetFolderOverride(FolderKind kind, const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_overrides[static_cast<int>(kind)] = folder.empty() ? folder : StripTrailingSlash(folder);
}

std::string GetModuleFileOf(const void* address) {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    // The main program is reported by its command-line name, which need not
    // name the file from the current folder: ask the kernel instead.
    if (IsInMainProgram(address)) return GetProgramFilePath();
    std::string name = info.dli_fname;
    char resolved[4096];
    if (realpath(name.c_str(), resolved) != nullptr) return resolved;
    return name;
}

std::string GetSystemFolder() { return GetFolder(FolderKind::Data) + "/system"; }

std::string TranslateWindowsPath(const std::string& path) {
    std::string p = path;
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
        const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(p[0])));
        std::string rest = p.substr(2);
        while (!rest.empty() && rest.front() == '/') rest.erase(rest.begin());
        std::string lowered;
        for (char c : rest)
            lowered += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::string root = GetFolder(FolderKind::Data);
        for (const char* sys : {"windows/system32", "windows/system", "winnt/system32"}) {
            const std::string s(sys);
            if (lowered == s || lowered.rfind(s + "/", 0) == 0) {
                return GetSystemFolder() + rest.substr(s.size());
            }
        }
        std::string out = root + "/drive_" + std::string(1, drive);
        if (!rest.empty()) out += "/" + rest;
        return out;
    }
    return p;
}

bool MakeFolderPath(const std::string& folder) {
    if (folder.empty()) return false;
    std::string path;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        path = folder.substr(0, pos);
        if (path.empty()) continue;
        struct stat st {};
        if (stat(path.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return false;
            continue;
        }
        if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolderPathFor(const std::string& path) { return MakeFolderPath(DirName(path)); }

DWORD GetTickCount() {
    std::function<DWORD()> source;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        source = g_tickSource;
    }
    // Called outside the lock: a test's source may use the other helpers here.
    if (source) return source();
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SetTickSource(std::function<DWORD()> source) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_tickSource = std::move(source);
}

LocalTime GetLocalTime() {
    std::function<LocalTime()> source;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        source = g_localTimeSource;
    }
    if (source) return source();
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalTime lt;
    lt.year = tm.tm_year + 1900;
    lt.month = tm.tm_mon + 1;
    lt.day = tm.tm_mday;
    lt.dayOfWeek = tm.tm_wday;
    lt.hour = tm.tm_hour;
    lt.minute = tm.tm_min;
    lt.second = tm.tm_sec;
    lt.milliseconds = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000);
    return lt;
}

void SetLocalTimeSource(std::function<LocalTime()> source) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_localTimeSource = std::move(source);
}
