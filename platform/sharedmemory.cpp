#include "platform/sharedmemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/paths.h"

// Each block is a file in the runtime folder. Its holders keep a read lock on
// their own open file description (open-file-description locks: one per
// open(), released when the last descriptor of it closes, also when the
// process dies). Whoever can take the write lock is alone with the file: a
// creator then initialises it and turns the lock into a read lock (atomically,
// so no one can slip in between); a holder letting go removes the file; an
// opener finding nobody removes the stale file. Whoever removes the file does
// so while holding the write lock, and everyone who gets a lock checks that
// the path still names the file they locked.

namespace {

constexpr int kAttempts = 64;
constexpr size_t kMaxNameBytes = 150;

bool SetLock(int fd, short type, bool wait) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
    for (;;) {
        if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
        if (errno != EINTR) return false;
    }
}

// True when `path` still names the file open as `fd`.
bool StillNamed(int fd, const std::string& path) {
    struct stat a {
    }, b{};
    if (fstat(fd, &a) != 0 || stat(path.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

uint64_t Fnv1a64(const std::string& s) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

// The runtime folder must be our own real folder, closed to everybody else:
// in a shared place such as /tmp another user could have made it first.
bool EnsureRuntimeFolder(const std::string& folder) {
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0) {
        MakeFolderPathFor(folder);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (lstat(folder.c_str(), &st) != 0) return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return false;
    if ((st.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0) return false;
    return true;
}

unsigned char* Map(int fd, size_t size) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<unsigned char*>(p);
}

// Size of the open file, 0 when unknown.
size_t FileSize(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size < 0) return 0;
    return static_cast<size_t>(st.st_size);
}

// Joins a block that somebody holds (or is setting up) as one more holder:
// waits for the shared lock, then maps the whole file. Null, with the
// descriptor closed, when the file was replaced meanwhile or its creator died
// half-way; the caller tries again.
unsigned char* JoinHolders(int fd, const std::string& path, size_t& size) {
    if (!SetLock(fd, F_RDLCK, true) || !StillNamed(fd, path)) {
        close(fd);
        return nullptr;
    }
    size = FileSize(fd);
    unsigned char* data = size > 0 ? Map(fd, size) : nullptr;
    if (data == nullptr) close(fd);
    return data;
}

}  // namespace

std::string SharedMemoryBlock::FileNameFor(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "shm-";
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '.' || c == '_' || c == '-') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    if (out.size() > kMaxNameBytes) {
        // '~' never appears in an escaped name, so a cut name cannot collide
        // with a whole one.
        char hash[20];
        std::snprintf(hash, sizeof(hash), "~%016llx",
                      static_cast<unsigned long long>(Fnv1a64(name)));
        out.resize(kMaxNameBytes);
        out += hash;
    }
    return out;
}

std::string SharedMemoryBlock::PathFor(const std::string& name) {
    return GetFolder(FolderKind::Runtime) + "/" + FileNameFor(name);
}

SharedMemoryBlock::SharedMemoryBlock(std::string name, std::string path, int fd,
                                     unsigned char* data, std::size_t size)
    : m_name(std::move(name)), m_path(std::move(path)), m_fd(fd), m_data(data), m_size(size) {}

SharedMemoryBlock::~SharedMemoryBlock() {
    if (m_data != nullptr) munmap(m_data, m_size);
    if (m_fd < 0) return;
    // The last holder gets the write lock and removes the file before letting go.
    if (SetLock(m_fd, F_WRLCK, false) && StillNamed(m_fd, m_path)) unlink(m_path.c_str());
    close(m_fd);
}

std::unique_ptr<SharedMemoryBlock> SharedMemoryBlock::Create(const std::string& name,
                                                             std::size_t size, bool* existed) {
    if (existed) *existed = false;
    const std::string folder = GetFolder(FolderKind::Runtime);
    if (!EnsureRuntimeFolder(folder)) return nullptr;
    const std::string path = PathFor(name);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return nullptr;
        if (SetLock(fd, F_WRLCK, false)) {
            // Alone with it: a new file or one nobody holds any more.
            if (!StillNamed(fd, path)) {
                close(fd);
                continue;
            }
            unsigned char* data = nullptr;
            if (size > 0 && ftruncate(fd, 0) == 0 && ftruncate(fd, static_cast<off_t>(size)) == 0) {
                data = Map(fd, size);
            }
            if (data == nullptr || !SetLock(fd, F_RDLCK, false)) {
                if (data != nullptr) munmap(data, size);
                unlink(path.c_str());
                close(fd);
                return nullptr;
            }
            return std::unique_ptr<SharedMemoryBlock>(
                new SharedMemoryBlock(name, path, fd, data, size));
        }
        // Somebody holds it (or is setting it up): join as a holder.
        size_t have = 0;
        unsigned char* data = JoinHolders(fd, path, have);
        if (data == nullptr) continue;
        if (existed) *existed = true;
        return std::unique_ptr<SharedMemoryBlock>(
            new SharedMemoryBlock(name, path, fd, data, have));
    }
    return nullptr;
}

std::unique_ptr<SharedMemoryBlock> SharedMemoryBlock::Open(const std::string& name) {
    if (!EnsureRuntimeFolder(GetFolder(FolderKind::Runtime))) return nullptr;
    const std::string path = PathFor(name);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) return nullptr;
        if (SetLock(fd, F_WRLCK, false)) {
            // Nobody holds it: a leftover of a holder that died.
            if (StillNamed(fd, path)) {
                unlink(path.c_str());
                close(fd);
                return nullptr;
            }
            close(fd);
            continue;
        }
        size_t have = 0;
        unsigned char* data = JoinHolders(fd, path, have);
        if (data == nullptr) continue;
        return std::unique_ptr<SharedMemoryBlock>(
            new SharedMemoryBlock(name, path, fd, data, have));
    }
    return nullptr;
}

bool SharedMemoryBlock::Exists(const std::string& name) {
    if (!EnsureRuntimeFolder(GetFolder(FolderKind::Runtime))) return false;
    const std::string path = PathFor(name);
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    bool held = true;
    if (SetLock(fd, F_WRLCK, false)) {
        held = false;
        if (StillNamed(fd, path)) unlink(path.c_str());
    }
    close(fd);
    return held;
}

bool SharedMemoryBlock::LockContent(bool exclusive) {
    // flock locks are separate from the holders' record locks, and belong to
    // this open file description like them.
    while (flock(m_fd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
        if (errno != EINTR) return false;
    }
    const size_t now = FileSize(m_fd);
    if (now > m_size) {
        unsigned char* data = Map(m_fd, now);
        if (data == nullptr) {
            UnlockContent();
            return false;
        }
        munmap(m_data, m_size);
        m_data = data;
        m_size = now;
    }
    return true;
}

void SharedMemoryBlock::UnlockContent() { flock(m_fd, LOCK_UN); }

bool SharedMemoryBlock::Grow(std::size_t size) {
    if (size <= m_size) return true;
    // Space is taken now, not on first touch: a full file system must fail
    // here rather than fault a write into the mapping later.
    const int error = posix_fallocate(m_fd, 0, static_cast<off_t>(size));
    if (error == EOPNOTSUPP || error == EINVAL) {
        if (ftruncate(m_fd, static_cast<off_t>(size)) != 0) return false;
    } else if (error != 0) {
        return false;
    }
    unsigned char* data = Map(m_fd, size);
    if (data == nullptr) return false;
    munmap(m_data, m_size);
    m_data = data;
    m_size = size;
    return true;
}

bool SharedMemoryBlock::Read(std::size_t offset, void* out, std::size_t count) const {
    if (offset > m_size || count > m_size - offset) return false;
    if (count > 0) std::memcpy(out, m_data + offset, count);
    return true;
}

bool SharedMemoryBlock::Write(std::size_t offset, const void* data, std::size_t count) {
    if (offset > m_size || count > m_size - offset) return false;
    if (count > 0) std::memcpy(m_data + offset, data, count);
    return true;
}
