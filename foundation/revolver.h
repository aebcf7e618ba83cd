#pragma once

// The byte buffer that carries encoded stores and raw byte blocks between
// classes and files. The content is `m_nLength` bytes beginning at `m_nStart`
// in a storage of `m_nCapacity` bytes, wrapping at the end of the storage (a
// ring). It grows in whole growth steps; every growth sets the step to a
// quarter of the new capacity, so repeated appends grow roughly geometrically.

#include <cstdio>
#include <memory>
#include <string>

#include "platform/wintypes.h"

enum class InputFileError;
class AtomicFileBatch;

class CRevolver {
public:
    // Empty, no storage, growth step 256.
    CRevolver();
    // An independent copy of the other's content (growth step 256 before the
    // content is appended).
    CRevolver(const CRevolver& other);
    CRevolver(CRevolver&& other) noexcept;
    // Same as Assign.
    CRevolver& operator=(const CRevolver& other);
    CRevolver& operator=(CRevolver&& other) noexcept;
    virtual ~CRevolver();

    // Frees the storage (keeping the growth step), then appends all of the
    // other's content.
    BOOL Assign(const CRevolver& other);

    // Replaces the storage by `capacity` fresh bytes with no content. The
    // growth step becomes `step`, or capacity / 4 when step is 0, at least 1.
    // FALSE (nothing changed) when capacity <= 0.
    BOOL Reserve(int capacity, int step);
    // Drops storage and content; the growth step stays.
    void Free();
    int GetFreeSpace() const;
    // Moves the content into a storage of `newCapacity` bytes; the growth step
    // becomes newCapacity / 4. FALSE when newCapacity <= the content length.
    BOOL Grow(int newCapacity);

    // Adds bytes behind the content, growing by whole steps when needed.
    BOOL Append(const void* bytes, int len);
    // Appends `len` bytes of the other's content from `offset` (-1: to its end).
    BOOL AppendFrom(const CRevolver& other, int offset, int len = -1);
    // Lengthens the content by `len` bytes of the free space right behind it
    // and returns where they begin, for the caller to fill (a writer that
    // reserved the exact size puts its bytes straight into the storage).
    // Null, nothing changed, unless that space is one run inside the storage.
    BYTE* ExtendInPlace(int len);
    // Copies `len` content bytes from `offset` (-1: the content's length, so
    // only from offset 0) into dest. FALSE when they are not all there.
    BOOL ReadAt(void* dest, int len, int offset) const;
    // ReadAt at the cursor, then moves the cursor past the bytes read; FALSE
    // with the cursor unchanged when the bytes are not there.
    BOOL ReadNext(int& cursor, void* dest, int len) const;

    // Writes the content to an open file: without append the file is first
    // cut to 0 bytes, with append the content goes to its end.
    BOOL ToFile(std::FILE* file, BOOL append) const;
    // Creates every missing folder of the path and replaces the whole file
    // with the content, so that the file holds the old or the new content
    // whole whatever happens (atomicfile.h); FALSE, the old file kept, on
    // failure.
    BOOL ToFile(const std::string& path) const;
    // The same as one file of a batch that the caller commits.
    BOOL ToFile(const std::string& path, AtomicFileBatch& batch) const;
    // Replaces the content by `len` bytes of an open file from `offset`
    // (-1: to the end of the file). FALSE, empty, when they cannot be read.
    BOOL FromFile(std::FILE* file, long offset, long len);
    // Replaces the content by the whole file. FALSE, empty, when the file
    // cannot be opened or read, is no regular file or is larger than the
    // input cap (inputfile.h); `error` tells which.
    BOOL FromFile(const std::string& path);
    BOOL FromFile(const std::string& path, InputFileError* error);

    int GetLength() const { return m_nLength; }
    int GetCapacity() const { return m_nCapacity; }
    int GetStart() const { return m_nStart; }
    int GetGrowthStep() const { return m_nGrowthStep; }
    // Length within capacity and, with storage, start within it.
    BOOL IsConsistent() const;
    // The content as one run of bytes: the storage itself unless the content
    // wraps, else a copy in `scratch`. Null for an inconsistent buffer.
    const BYTE* Contiguous(std::string& scratch) const;

protected:
    std::unique_ptr<BYTE[]> m_pData;
    int m_nCapacity = 0;
    int m_nStart = 0;
    int m_nLength = 0;
    int m_nGrowthStep = 256;
};

// A 32-bit value as four little-endian bytes behind the content; and the one
// at an offset (FALSE when its four bytes are not all there).
BOOL AppendDWord(CRevolver& buffer, DWORD value);
BOOL ReadDWordAt(const CRevolver& buffer, int offset, DWORD& value);
