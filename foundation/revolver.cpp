#include "foundation/revolver.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/atomicfile.h"
#include "platform/inputfile.h"
#include "platform/paths.h"

CRevolver::CRevolver() = default;

CRevolver::CRevolver(const CRevolver& other) { AppendFrom(other, 0, -1); }

CRevolver::CRevolver(CRevolver&& other) noexcept
    : m_pData(std::move(other.m_pData)),
      m_nCapacity(other.m_nCapacity),
      m_nStart(other.m_nStart),
      m_nLength(other.m_nLength),
      m_nGrowthStep(other.m_nGrowthStep) {
    other.m_nCapacity = other.m_nStart = other.m_nLength = 0;
}

CRevolver& CRevolver::operator=(const CRevolver& other) {
    Assign(other);
    return *this;
}

CRevolver& CRevolver::operator=(CRevolver&& other) noexcept {
    if (this != &other) {
        m_pData = std::move(other.m_pData);
        m_nCapacity = other.m_nCapacity;
        m_nStart = other.m_nStart;
        m_nLength = other.m_nLength;
        m_nGrowthStep = other.m_nGrowthStep;
        other.m_nCapacity = other.m_nStart = other.m_nLength = 0;
    }
    return *this;
}

CRevolver::~CRevolver() = default;

BOOL CRevolver::Assign(const CRevolver& other) {
    if (this == &other) return IsConsistent();
    Free();
    return AppendFrom(other, 0, -1);
}

BOOL CRevolver::Reserve(int capacity, int step) {
    if (capacity <= 0) return FALSE;
    m_pData.reset(new BYTE[static_cast<size_t>(capacity)]);
    m_nCapacity = capacity;
    m_nStart = 0;
    m_nLength = 0;
    m_nGrowthStep = std::max(step == 0 ? capacity / 4 : step, 1);
    return TRUE;
}

void CRevolver::Free() {
    m_pData.reset();
    m_nCapacity = 0;
    m_nStart = 0;
    m_nLength = 0;
}

int CRevolver::GetFreeSpace() const { return m_nCapacity - m_nLength; }

BOOL CRevolver::IsConsistent() const {
    if (m_nCapacity < 0 || m_nLength < 0 || m_nStart < 0) return FALSE;
    if (m_nLength > m_nCapacity) return FALSE;
    if (m_nCapacity != 0 && (m_nStart >= m_nCapacity || !m_pData)) return FALSE;
    return TRUE;
}

BOOL CRevolver::Grow(int newCapacity) {
    if (newCapacity <= m_nLength || !IsConsistent()) return FALSE;
    const int len = m_nLength;
    std::unique_ptr<BYTE[]> keep;
    if (len > 0) {
        keep.reset(new BYTE[static_cast<size_t>(len)]);
        ReadAt(keep.get(), len, 0);
    }
    Reserve(newCapacity, 0);
    return Append(keep.get(), len);
}

BOOL CRevolver::Append(const void* bytes, int len) {
    if (!IsConsistent() || len < 0) return FALSE;
    if (len == 0) return TRUE;
    if (bytes == nullptr) return FALSE;
    if (GetFreeSpace() < len) {
        if (m_nGrowthStep <= 0) return FALSE;
        const long long missing = static_cast<long long>(m_nLength) + len - m_nCapacity;
        const long long steps = (missing + m_nGrowthStep - 1) / m_nGrowthStep;
        const long long newCapacity = m_nCapacity + steps * m_nGrowthStep;
        if (newCapacity > INT_MAX || !Grow(static_cast<int>(newCapacity))) return FALSE;
    }
    // The write position lies behind the content, wrapping at the storage end.
    const int pos = static_cast<int>((static_cast<long long>(m_nStart) + m_nLength) % m_nCapacity);
    const int first = std::min(len, m_nCapacity - pos);
    const BYTE* src = static_cast<const BYTE*>(bytes);
    std::memcpy(m_pData.get() + pos, src, static_cast<size_t>(first));
    if (first < len) std::memcpy(m_pData.get(), src + first, static_cast<size_t>(len - first));
    m_nLength += len;
    return TRUE;
}

BOOL CRevolver::AppendFrom(const CRevolver& other, int offset, int len) {
    if (!other.IsConsistent() || offset < 0 || offset > other.m_nLength) return FALSE;
    if (len == -1) len = other.m_nLength - offset;
    if (len < 0 || len > other.m_nLength - offset) return FALSE;
    if (len == 0) return IsConsistent();
    if (&other == this) {
        std::unique_ptr<BYTE[]> copy(new BYTE[static_cast<size_t>(len)]);
        ReadAt(copy.get(), len, offset);
        return Append(copy.get(), len);
    }
    // Up to two contiguous pieces of the other's ring.
    const int pos =
        static_cast<int>((static_cast<long long>(other.m_nStart) + offset) % other.m_nCapacity);
    const int first = std::min(len, other.m_nCapacity - pos);
    if (!Append(other.m_pData.get() + pos, first)) return FALSE;
    return Append(other.m_pData.get(), len - first);
}

BYTE* CRevolver::ExtendInPlace(int len) {
    if (!IsConsistent() || len <= 0 || GetFreeSpace() < len) return nullptr;
    const long long end = static_cast<long long>(m_nStart) + m_nLength;
    if (end + len > m_nCapacity) return nullptr;  // the free space wraps or lies in front
    m_nLength += len;
    return m_pData.get() + end;
}

BOOL CRevolver::ReadAt(void* dest, int len, int offset) const {
    if (!IsConsistent() || offset < 0 || offset > m_nLength) return FALSE;
    // -1 asks for the whole content, which is only there from offset 0.
    if (len == -1) len = m_nLength;
    if (len < 0 || len > m_nLength - offset) return FALSE;
    if (len == 0) return TRUE;
    if (dest == nullptr) return FALSE;
    const int pos = static_cast<int>((static_cast<long long>(m_nStart) + offset) % m_nCapacity);
    const int first = std::min(len, m_nCapacity - pos);
    BYTE* out = static_cast<BYTE*>(dest);
    std::memcpy(out, m_pData.get() + pos, static_cast<size_t>(first));
    if (first < len) std::memcpy(out + first, m_pData.get(), static_cast<size_t>(len - first));
    return TRUE;
}

BOOL CRevolver::ReadNext(int& cursor, void* dest, int len) const {
    if (cursor < 0 || cursor > m_nLength) return FALSE;
    if (len == -1) len = m_nLength;
    if (!ReadAt(dest, len, cursor)) return FALSE;
    cursor += len;
    return TRUE;
}

BOOL CRevolver::ToFile(std::FILE* file, BOOL append) const {
    if (file == nullptr || !IsConsistent()) return FALSE;
    if (append) {
        if (std::fseek(file, 0, SEEK_END) != 0) return FALSE;
    } else {
        std::fflush(file);
        if (::ftruncate(::fileno(file), 0) != 0) return FALSE;
        if (std::fseek(file, 0, SEEK_SET) != 0) return FALSE;
    }
    if (m_nLength > 0) {
        const int first = std::min(m_nLength, m_nCapacity - m_nStart);
        if (std::fwrite(m_pData.get() + m_nStart, 1, static_cast<size_t>(first), file) !=
            static_cast<size_t>(first))
            return FALSE;
        const int rest = m_nLength - first;
        if (rest > 0 && std::fwrite(m_pData.get(), 1, static_cast<size_t>(rest), file) !=
                            static_cast<size_t>(rest))
            return FALSE;
    }
    return std::fflush(file) == 0 ? TRUE : FALSE;
}

const BYTE* CRevolver::Contiguous(std::string& scratch) const {
    static const BYTE kNothing = 0;
    if (!IsConsistent()) return nullptr;
    if (m_nLength == 0) return &kNothing;
    if (m_nStart + m_nLength <= m_nCapacity) return m_pData.get() + m_nStart;
    scratch.resize(static_cast<size_t>(m_nLength));
    if (!ReadAt(scratch.data(), m_nLength, 0)) return nullptr;
    return reinterpret_cast<const BYTE*>(scratch.data());
}

BOOL CRevolver::ToFile(const std::string& path) const {
    std::string scratch;
    const BYTE* bytes = Contiguous(scratch);
    if (bytes == nullptr) return FALSE;
    MakeFolderPathFor(path);
    return WriteFileAtomically(path, bytes, static_cast<size_t>(m_nLength)) ? TRUE : FALSE;
}

BOOL CRevolver::ToFile(const std::string& path, AtomicFileBatch& batch) const {
    std::string scratch;
    const BYTE* bytes = Contiguous(scratch);
    if (bytes == nullptr) return FALSE;
    MakeFolderPathFor(path);
    return batch.Add(path, bytes, static_cast<size_t>(m_nLength)) ? TRUE : FALSE;
}

BOOL CRevolver::FromFile(std::FILE* file, long offset, long len) {
    Free();
    if (file == nullptr || offset < 0 || len < -1) return FALSE;
    // Only a regular file has an end to seek to and a size to check before
    // anything is read.
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return FALSE;
    if (len == -1) {
        if (std::fseek(file, 0, SEEK_END) != 0) return FALSE;
        const long size = std::ftell(file);
        if (size < 0) return FALSE;
        len = size > offset ? size - offset : 0;
    }
    if (len > INT_MAX || static_cast<unsigned long>(len) > kMaxInputFileBytes) return FALSE;
    if (std::fseek(file, offset, SEEK_SET) != 0) return FALSE;
    if (len == 0) return TRUE;
    std::unique_ptr<BYTE[]> bytes(new BYTE[static_cast<size_t>(len)]);
    if (std::fread(bytes.get(), 1, static_cast<size_t>(len), file) != static_cast<size_t>(len))
        return FALSE;
    if (!Append(bytes.get(), static_cast<int>(len))) {
        Free();
        return FALSE;
    }
    return TRUE;
}

BOOL CRevolver::FromFile(const std::string& path) { return FromFile(path, nullptr); }

BOOL CRevolver::FromFile(const std::string& path, InputFileError* error) {
    Free();
    InputFile file;
    InputFileError result = file.Open(path, std::min<std::size_t>(kMaxInputFileBytes, INT_MAX));
    // The bytes go straight into storage of the file's size: one copy.
    if (result == InputFileError::None && file.Size() > 0) {
        const int size = static_cast<int>(file.Size());
        Reserve(size, 0);
        if (file.ReadAll(m_pData.get())) {
            m_nLength = size;
        } else {
            Free();
            result = InputFileError::Unreadable;
        }
    }
    if (error) *error = result;
    return result == InputFileError::None ? TRUE : FALSE;
}

BOOL AppendDWord(CRevolver& buffer, DWORD value) {
    BYTE bytes[4];
    DWordToBytes(value, bytes);
    return buffer.Append(bytes, 4);
}

BOOL ReadDWordAt(const CRevolver& buffer, int offset, DWORD& value) {
    BYTE bytes[4];
    if (!buffer.ReadAt(bytes, 4, offset)) return FALSE;
    value = DWordFromBytes(bytes);
    return TRUE;
}
