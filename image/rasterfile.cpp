#include "image/rasterfile.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::int64_t kMaxStreamBytes = INT32_MAX;

// size x count in 64 bits; -1 when it overflows.
std::int64_t ByteCount(std::size_t size, std::size_t count) {
    if (size != 0 && count > static_cast<std::size_t>(INT64_MAX) / size) return -1;
    return static_cast<std::int64_t>(size * count);
}

}  // namespace

bool CRasterFile::PutC(BYTE c) { return Write(&c, 1, 1) == 1; }

// ---- CRasterIOFile ---------------------------------------------------------

CRasterIOFile::CRasterIOFile(std::FILE* fp) : m_fp(fp), m_bCloseFile(fp == nullptr) {}

CRasterIOFile::~CRasterIOFile() {
    if (m_bCloseFile) Close();
}

bool CRasterIOFile::Open(const std::string& path, const char* mode, InputFileError* why) {
    if (m_fp != nullptr || mode == nullptr) return false;
    const bool readOnly = mode[0] == 'r' && std::strchr(mode, '+') == nullptr;
    m_fp = readOnly ? OpenInputStream(path, why) : std::fopen(path.c_str(), mode);
    if (m_fp == nullptr) return false;
    m_bCloseFile = true;
    return true;
}

bool CRasterIOFile::Close() {
    if (m_fp == nullptr || !m_bCloseFile) return true;
    const int result = std::fclose(m_fp);
    m_fp = nullptr;
    return result == 0;
}

std::size_t CRasterIOFile::Read(void* buffer, std::size_t size, std::size_t count) {
    if (m_fp == nullptr || buffer == nullptr) return 0;
    return std::fread(buffer, size, count, m_fp);
}

std::size_t CRasterIOFile::Write(const void* buffer, std::size_t size, std::size_t count) {
    if (m_fp == nullptr || buffer == nullptr) return 0;
    return std::fwrite(buffer, size, count, m_fp);
}

bool CRasterIOFile::Seek(LONG offset, int origin) {
    if (m_fp == nullptr) return false;
    return std::fseek(m_fp, offset, origin) == 0;
}

LONG CRasterIOFile::Tell() {
    if (m_fp == nullptr) return 0;
    const long pos = std::ftell(m_fp);
    return pos > kMaxStreamBytes ? -1 : static_cast<LONG>(pos);
}

LONG CRasterIOFile::Size() {
    if (m_fp == nullptr) return -1;
    const long pos = std::ftell(m_fp);
    if (pos < 0 || std::fseek(m_fp, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(m_fp);
    std::fseek(m_fp, pos, SEEK_SET);
    return size < 0 || size > kMaxStreamBytes ? -1 : static_cast<LONG>(size);
}

bool CRasterIOFile::Flush() { return m_fp != nullptr && std::fflush(m_fp) == 0; }

bool CRasterIOFile::Eof() { return m_fp == nullptr || std::feof(m_fp) != 0; }

LONG CRasterIOFile::Error() {
    if (m_fp == nullptr) return -1;
    return std::ferror(m_fp) != 0 ? 1 : 0;
}

bool CRasterIOFile::PutC(BYTE c) { return m_fp != nullptr && std::fputc(c, m_fp) == c; }

LONG CRasterIOFile::GetC() {
    if (m_fp == nullptr) return -1;
    const int c = std::getc(m_fp);
    return c == EOF ? -1 : c;
}

// ---- CRasterMemFile --------------------------------------------------------

CRasterMemFile::CRasterMemFile(BYTE* buffer, DWORD size)
    : m_pBuffer(buffer), m_bFreeOnClose(buffer == nullptr) {
    // A stream holds at most 2^31 - 1 bytes.
    const LONG n = size > static_cast<DWORD>(INT32_MAX) ? INT32_MAX : static_cast<LONG>(size);
    m_Size = buffer == nullptr ? 0 : n;
    m_Edge = m_Size;
}

CRasterMemFile::~CRasterMemFile() { Close(); }

bool CRasterMemFile::Open() {
    if (m_pBuffer != nullptr) return false;
    m_pBuffer = static_cast<BYTE*>(std::malloc(1));
    m_Size = m_Edge = m_Position = 0;
    m_bFreeOnClose = true;
    return m_pBuffer != nullptr;
}

BYTE* CRasterMemFile::GetBuffer(bool detach) {
    if (detach) m_bFreeOnClose = false;
    return m_pBuffer;
}

bool CRasterMemFile::Close() {
    if (m_pBuffer != nullptr && m_bFreeOnClose) std::free(m_pBuffer);
    m_pBuffer = nullptr;
    m_Size = 0;
    return true;
}

std::size_t CRasterMemFile::Read(void* buffer, std::size_t size, std::size_t count) {
    if (buffer == nullptr || m_pBuffer == nullptr || m_Position >= m_Size) return 0;
    const std::int64_t wanted = ByteCount(size, count);
    if (wanted == 0) return 0;
    const std::int64_t left = m_Size - m_Position;
    const std::int64_t n = wanted < 0 || wanted > left ? left : wanted;
    std::memcpy(buffer, m_pBuffer + m_Position, static_cast<std::size_t>(n));
    m_Position += static_cast<LONG>(n);
    return static_cast<std::size_t>(n) / size;
}

bool CRasterMemFile::Alloc(std::size_t needed) {
    if (needed <= static_cast<std::size_t>(m_Edge)) return true;
    const std::size_t edge = (needed & ~std::size_t{0xFFF}) + 0x1000;
    if (edge > static_cast<std::size_t>(kMaxStreamBytes) + 1) return false;
    BYTE* grown = nullptr;
    if (m_pBuffer != nullptr && m_bFreeOnClose) {
        grown = static_cast<BYTE*>(std::realloc(m_pBuffer, edge));
    } else {
        // A caller's buffer stays theirs: the content moves into our own block.
        grown = static_cast<BYTE*>(std::malloc(edge));
        if (grown != nullptr && m_pBuffer != nullptr && m_Size > 0)
            std::memcpy(grown, m_pBuffer, static_cast<std::size_t>(m_Size));
    }
    if (grown == nullptr) return false;
    m_pBuffer = grown;
    m_bFreeOnClose = true;
    // The last block byte is never handed out, so the edge fits in 32 bits.
    m_Edge = static_cast<LONG>(edge > static_cast<std::size_t>(kMaxStreamBytes)
                                   ? kMaxStreamBytes
                                   : static_cast<std::int64_t>(edge));
    return true;
}

std::size_t CRasterMemFile::Write(const void* buffer, std::size_t size, std::size_t count) {
    if (buffer == nullptr || m_pBuffer == nullptr) return 0;
    const std::int64_t n = ByteCount(size, count);
    if (n <= 0) return 0;
    const std::int64_t end = std::int64_t{m_Position} + n;
    if (end > kMaxStreamBytes || !Alloc(static_cast<std::size_t>(end))) return 0;
    // Bytes between the end of the data and a position sought past it.
    if (m_Position > m_Size)
        std::memset(m_pBuffer + m_Size, 0, static_cast<std::size_t>(m_Position - m_Size));
    std::memcpy(m_pBuffer + m_Position, buffer, static_cast<std::size_t>(n));
    m_Position = static_cast<LONG>(end);
    if (m_Position > m_Size) m_Size = m_Position;
    return count;
}

bool CRasterMemFile::PutC(BYTE c) { return Write(&c, 1, 1) == 1; }

bool CRasterMemFile::Seek(LONG offset, int origin) {
    if (m_pBuffer == nullptr) return false;
    std::int64_t pos = offset;
    if (origin == 1)
        pos += m_Position;
    else if (origin == 2)
        pos += m_Size;
    else if (origin != 0)
        return false;
    if (pos > kMaxStreamBytes) return false;
    m_Position = pos < 0 ? 0 : static_cast<LONG>(pos);
    return true;
}

LONG CRasterMemFile::Tell() { return m_pBuffer == nullptr ? -1 : m_Position; }

LONG CRasterMemFile::Size() { return m_pBuffer == nullptr ? -1 : m_Size; }

bool CRasterMemFile::Flush() { return m_pBuffer != nullptr; }

bool CRasterMemFile::Eof() { return m_pBuffer == nullptr || m_Position >= m_Size; }

LONG CRasterMemFile::Error() {
    if (m_pBuffer == nullptr) return -1;
    return m_Position > m_Size ? 1 : 0;
}

LONG CRasterMemFile::GetC() {
    if (Eof()) return -1;
    return m_pBuffer[m_Position++];
}
