#pragma once

// The byte streams every format codec reads and writes through, so that one
// codec works on a disk file and on a block of memory alike.
//
// Positions and sizes are signed 32-bit, as the formats store them: a memory
// stream never grows past 2^31 - 1 bytes, and a position past that is
// refused.

#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/inputfile.h"
#include "platform/wintypes.h"

class CRasterFile {
public:
    virtual ~CRasterFile() = default;
    virtual bool Close() = 0;
    // Whole items of `size` bytes read or written.
    virtual std::size_t Read(void* buffer, std::size_t size, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t size, std::size_t count) = 0;
    // origin 0 from the start, 1 from the current position, 2 from the end.
    virtual bool Seek(LONG offset, int origin) = 0;
    virtual LONG Tell() = 0;
    virtual LONG Size() = 0;
    virtual bool Flush() = 0;
    virtual bool Eof() = 0;
    virtual LONG Error() = 0;  // 0: no error
    virtual bool PutC(BYTE c);
    // The byte as 0..255, or -1.
    virtual LONG GetC() = 0;
};

// A C stdio stream. A stream passed in stays the caller's; one this object
// opened itself is closed by it.
class CRasterIOFile : public CRasterFile {
public:
    explicit CRasterIOFile(std::FILE* fp = nullptr);
    ~CRasterIOFile() override;
    CRasterIOFile(const CRasterIOFile&) = default;
    CRasterIOFile& operator=(const CRasterIOFile&) = default;

    // Opens the path (the file functions' path text) with the fopen mode.
    // Files opened for reading only must be regular files within the input
    // cap of the platform, so that a FIFO or a device never blocks; `why`
    // (when given) tells what kept such a file from opening.
    bool Open(const std::string& path, const char* mode, InputFileError* why = nullptr);
    bool Close() override;
    std::size_t Read(void* buffer, std::size_t size, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
    bool Seek(LONG offset, int origin) override;
    LONG Tell() override;
    LONG Size() override;
    bool Flush() override;
    bool Eof() override;
    LONG Error() override;
    bool PutC(BYTE c) override;
    LONG GetC() override;

protected:
    std::FILE* m_fp = nullptr;
    bool m_bCloseFile = true;
};

// A growable block of C heap memory. Over a caller's buffer it reads and
// writes in place; a write that needs more room moves the content into a
// block of its own (the caller's buffer is never reallocated or freed).
class CRasterMemFile : public CRasterFile {
public:
    explicit CRasterMemFile(BYTE* buffer = nullptr, DWORD size = 0);
    ~CRasterMemFile() override;
    CRasterMemFile(const CRasterMemFile&) = default;
    CRasterMemFile& operator=(const CRasterMemFile&) = default;

    bool Open();
    // With detach the caller takes the block and frees it with C free (or
    // CRaster::FreeMemory); without it the stream keeps owning it.
    BYTE* GetBuffer(bool detach = true);

    bool Close() override;
    std::size_t Read(void* buffer, std::size_t size, std::size_t count) override;
    // A write past the end fills the gap with zero bytes. A write that would
    // pass 2^31 - 1 bytes, or whose growth fails, writes nothing and keeps
    // the buffer as it was.
    std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
    bool Seek(LONG offset, int origin) override;
    LONG Tell() override;
    LONG Size() override;
    bool Flush() override;
    bool Eof() override;
    LONG Error() override;
    bool PutC(BYTE c) override;
    LONG GetC() override;

    // The allocated bytes (the edge).
    LONG Capacity() const { return m_Edge; }

protected:
    // Makes room for `needed` bytes: the smallest multiple of 4096 above it.
    bool Alloc(std::size_t needed);

    BYTE* m_pBuffer = nullptr;
    LONG m_Size = 0;
    bool m_bFreeOnClose = false;
    LONG m_Position = 0;
    LONG m_Edge = 0;
};
