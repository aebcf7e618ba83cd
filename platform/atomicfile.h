#pragma once

// Files the system replaces whole (working files, the character file,
// projects and forms, INI, option and layout files), and the advisory locks
// that let several processes share them.
//
// A file is replaced by writing a temporary file in the same folder, syncing
// it to disk, renaming it over the file and syncing the folder: after a crash
// or a kill at any moment the file holds either its old or its new content,
// never a part of either. A failure leaves the old file and reports false.
//
// Temporary files are made with O_CREAT | O_EXCL | O_NOFOLLOW under a random
// name ".~dravik.<pid>.<16 hex digits>", so nothing planted in the folder is
// ever written through, and the writer's process id tells a dead writer's
// leftovers (RemoveStaleTemporaries) from a live writer's work.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform_export.h"

// Replaces the file at `path` with the bytes. The folder must exist. An
// existing file keeps its permission bits; a new one gets 0666 less the
// umask. A link of our own in place of the file is followed (the file it
// names is replaced); anyone else's link is replaced, not followed. False,
// and the old file as it was, when anything fails (also when the path names
// a folder or another non-regular file).
PLATFORM_API bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size);
PLATFORM_API bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// The same replacement without the syncs, for a file that is made again
// from other data whenever it is lost (the generated code saved at every
// regeneration): readers see the old or the new file whole, never a part,
// but after a crash of the system the file may be older than its last
// write, or empty on a file system that does not keep the order of a
// rename and the data it puts in place.
PLATFORM_API bool ReplaceFileUnsynced(const std::string& path, std::string_view bytes);

// Many files replaced together (a project open writes every working file):
// Add writes each temporary file, Commit syncs them all at once, renames
// them in the order they were added and syncs each folder once. Each file
// keeps the guarantee above; a kill during Commit leaves some files new and
// the rest old. Temporaries not committed are removed by the destructor.
class PLATFORM_API AtomicFileBatch {
public:
    AtomicFileBatch();
    ~AtomicFileBatch();
    AtomicFileBatch(const AtomicFileBatch&) = delete;
    AtomicFileBatch& operator=(const AtomicFileBatch&) = delete;

    // False (and the batch fails as a whole) when the temporary cannot be
    // written.
    bool Add(const std::string& path, const void* data, std::size_t size);
    // False when an earlier Add failed (nothing is renamed then) or a sync or
    // rename fails (the files renamed before it are in place).
    bool Commit();
    std::size_t Size() const { return m_pending.size(); }

private:
    struct Pending {
        std::string temporary;
        std::string target;
    };
    std::vector<Pending> m_pending;
    bool m_failed = false;
};

// Appends the bytes to the end of the file (created when missing, never
// cut) with one write on a descriptor opened for appending, so that entries
// appended by several processes at once never interleave. False when the
// file cannot be opened or the bytes not all written.
PLATFORM_API bool AppendFileAtomically(const std::string& path, std::string_view bytes);

// Whether the file name (without folder) is one of our temporary names.
PLATFORM_API bool IsTemporaryFileName(std::string_view name);
// Removes the temporary files in the folder whose writer process has ended;
// the number removed.
PLATFORM_API int RemoveStaleTemporaries(const std::string& folder);

// For tests: the source of the random part of temporary names (16
// characters); an empty function restores the random source.
PLATFORM_API void SetTemporaryNameSourceForTest(std::function<std::string()> source);

// An exclusive advisory lock (flock) on a lock file, held while the object
// lives and dropped by the system when the process dies. The lock file is
// created when missing (never through a link) and never removed.
class PLATFORM_API FileLock {
public:
    // Waits for the lock; null when the lock file cannot be opened.
    static std::unique_ptr<FileLock> Exclusive(const std::string& lockPath);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    explicit FileLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};
