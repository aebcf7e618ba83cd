#include "platform/atomicfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

namespace {

constexpr char kPrefix[] = ".~dravik.";
constexpr std::size_t kPrefixLength = sizeof(kPrefix) - 1;
constexpr std::size_t kRandomLength = 16;
constexpr int kNameAttempts = 16;

std::mutex g_nameMutex;
std::function<std::string()> g_nameSource;

std::string RandomPart() {
    {
        std::lock_guard<std::mutex> lock(g_nameMutex);
        if (g_nameSource) return g_nameSource();
    }
    unsigned char bytes[kRandomLength / 2] = {};
    std::size_t have = 0;
    while (have < sizeof(bytes)) {
        const ssize_t n = getrandom(bytes + have, sizeof(bytes) - have, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        have += static_cast<std::size_t>(n);
    }
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 15]);
    }
    return out;
}

std::string FolderOf(const std::string& path) {
    const auto pos = path.find_last_of('/');
    if (pos == std::string::npos) return ".";
    if (pos == 0) return "/";
    return path.substr(0, pos);
}

// The file a write replaces.
struct Target {
    std::string path;
    bool exists = false;
    mode_t mode = 0;
};

// False for a path that names something other than a regular file (or a
// link of ours to one).
bool ResolveTarget(const std::string& path, Target& target) {
    target.path = path;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISLNK(st.st_mode)) {
        // Someone else's link is replaced, never followed.
        if (st.st_uid != geteuid()) return true;
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) == nullptr) return errno == ENOENT;
        target.path = resolved;
        if (stat(resolved, &st) != 0) return false;
    }
    if (!S_ISREG(st.st_mode)) return false;
    target.exists = true;
    target.mode = st.st_mode & 07777;
    return true;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the bytes to a new temporary file beside the target (synced when
// asked); its path, or "" on failure (nothing left behind).
std::string WriteTemporary(const Target& target, const void* data, std::size_t size, bool sync) {
    const std::string folder = FolderOf(target.path);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
        temporary = folder + "/" + kPrefix + std::to_string(getpid()) + "." + RandomPart();
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return {};
    }
    if (fd < 0) return {};
    bool ok = !target.exists || fchmod(fd, target.mode) == 0;
    ok = ok && WriteAll(fd, data, size);
    if (ok && sync) ok = fdatasync(fd) == 0;
    if (close(fd) != 0) ok = false;
    if (!ok) {
        unlink(temporary.c_str());
        return {};
    }
    return temporary;
}

bool SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

// Flushes everything written to the file system that holds the folder.
bool SyncFileSystemOf(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = syncfs(fd) == 0;
    close(fd);
    return ok;
}

bool ProcessLives(pid_t pid) {
    if (pid <= 0) return false;
    if (pid == getpid()) return true;
    return kill(pid, 0) == 0 || errno == EPERM;
}

// The writer's process id of a temporary name, or 0.
pid_t WriterOf(std::string_view name) {
    if (name.size() <= kPrefixLength || name.substr(0, kPrefixLength) != kPrefix) return 0;
    const std::string_view rest = name.substr(kPrefixLength);
    const std::size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot > 10) return 0;
    if (rest.size() - dot - 1 != kRandomLength) return 0;
    long long pid = 0;
    for (char c : rest.substr(0, dot)) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

namespace {

bool Replace(const std::string& path, const void* data, std::size_t size, bool sync) {
    Target target;
    if (path.empty() || !ResolveTarget(path, target)) return false;
    const std::string temporary = WriteTemporary(target, data, size, sync);
    if (temporary.empty()) return false;
    if (std::rename(temporary.c_str(), target.path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return !sync || SyncFolder(FolderOf(target.path));
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
    return Replace(path, data, size, true);
}

bool ReplaceFileUnsynced(const std::string& path, std::string_view bytes) {
    return Replace(path, bytes.data(), bytes.size(), false);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}

bool AppendFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ssize_t n;
    do {
        n = write(fd, bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    const bool ok = n == static_cast<ssize_t>(bytes.size());
    close(fd);
    return ok;
}

AtomicFileBatch::AtomicFileBatch() = default;

AtomicFileBatch::~AtomicFileBatch() {
    for (const Pending& p : m_pending) unlink(p.temporary.c_str());
}

bool AtomicFileBatch::Add(const std::string& path, const void* data, std::size_t size) {
    if (m_failed) return false;
    Target target;
    std::string temporary;
    if (!path.empty() && ResolveTarget(path, target))
        temporary = WriteTemporary(target, data, size, false);
    if (temporary.empty()) {
        m_failed = true;
        return false;
    }
    m_pending.push_back({temporary, target.path});
    return true;
}

bool AtomicFileBatch::Commit() {
    std::vector<Pending> pending = std::move(m_pending);
    m_pending.clear();
    const auto dropFrom = [&pending](std::size_t first) {
        for (std::size_t i = first; i < pending.size(); ++i) unlink(pending[i].temporary.c_str());
    };
    if (m_failed) {
        dropFrom(0);
        return false;
    }
    std::set<std::string> folders;
    for (const Pending& p : pending) folders.insert(FolderOf(p.target));
    // One flush of each file system for every temporary at once, instead of
    // one for each file.
    for (const std::string& folder : folders) {
        if (!SyncFileSystemOf(folder)) {
            dropFrom(0);
            return false;
        }
    }
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (std::rename(pending[i].temporary.c_str(), pending[i].target.c_str()) != 0) {
            dropFrom(i);
            return false;
        }
    }
    bool ok = true;
    for (const std::string& folder : folders) ok = SyncFolder(folder) && ok;
    return ok;
}

bool IsTemporaryFileName(std::string_view name) { return WriterOf(name) != 0; }

int RemoveStaleTemporaries(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return 0;
    int removed = 0;
    while (const dirent* entry = readdir(dir)) {
        const pid_t writer = WriterOf(entry->d_name);
        if (writer == 0 || ProcessLives(writer)) continue;
        if (unlinkat(dirfd(dir), entry->d_name, 0) == 0) ++removed;
    }
    closedir(dir);
    return removed;
}

void SetTemporaryNameSourceForTest(std::function<std::string()> source) {
    std::lock_guard<std::mutex> lock(g_nameMutex);
    g_nameSource = std::move(source);
}

std::unique_ptr<FileLock> FileLock::Exclusive(const std::string& lockPath) {
    const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(fd);
            return nullptr;
        }
    }
    return std::unique_ptr<FileLock>(new FileLock(fd));
}

FileLock::~FileLock() {
    if (m_fd >= 0) close(m_fd);
}
