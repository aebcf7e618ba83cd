#pragma once

// Named shared memory between processes of the same user. A block exists while
// some process holds it open and vanishes with its last holder, also when that
// holder dies: each block is a file in the runtime folder that its holders keep
// under a shared lock; the last one to let go removes it, and a file that
// nobody holds counts as absent. Reads and writes are bounded by the block's
// size.

#include <cstddef>
#include <memory>
#include <string>

#include "platform/platform_export.h"

class PLATFORM_API SharedMemoryBlock {
public:
    // Opens the block of that name, creating it with `size` zero bytes when it
    // does not exist. `existed` tells whether it was there already (then it
    // keeps its own size). Null when the block cannot be made (also for a new
    // block of size 0).
    static std::unique_ptr<SharedMemoryBlock> Create(const std::string& name, std::size_t size,
                                                     bool* existed = nullptr);
    // Opens an existing block; null when there is none.
    static std::unique_ptr<SharedMemoryBlock> Open(const std::string& name);
    // True when a block of that name exists (some process holds it).
    static bool Exists(const std::string& name);
    // The file that carries the block: the name with every byte outside
    // [A-Za-z0-9._-] written as %XX; long names are cut and end in a hash of
    // the whole name.
    static std::string FileNameFor(const std::string& name);
    static std::string PathFor(const std::string& name);

    ~SharedMemoryBlock();
    SharedMemoryBlock(const SharedMemoryBlock&) = delete;
    SharedMemoryBlock& operator=(const SharedMemoryBlock&) = delete;

    const std::string& Name() const { return m_name; }
    std::size_t Size() const { return m_size; }

    // Copy bytes out of / into the block; false (and nothing done) when the
    // range does not lie inside the block.
    bool Read(std::size_t offset, void* out, std::size_t count) const;
    bool Write(std::size_t offset, const void* data, std::size_t count);

    // The content lock, apart from the holders' own: writers of a record
    // take it exclusive, readers shared, so that a reader copies a whole
    // record or none. A writer that dies lets go of it. Once it is taken,
    // the mapping follows a block that another holder grew meanwhile.
    bool LockContent(bool exclusive);
    void UnlockContent();
    // Grows the block to `size` bytes, for every holder; it never shrinks,
    // since other holders may still read what they mapped. Take the
    // content lock exclusive first. False (block unchanged) when the space
    // cannot be had.
    bool Grow(std::size_t size);

    // Direct access to the mapped bytes (Size() of them).
    unsigned char* Data() { return m_data; }
    const unsigned char* Data() const { return m_data; }

private:
    SharedMemoryBlock(std::string name, std::string path, int fd, unsigned char* data,
                      std::size_t size);

    std::string m_name;
    std::string m_path;
    int m_fd = -1;
    unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
};
