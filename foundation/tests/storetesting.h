#pragma once

// Helpers shared by the tests of the byte buffer and the store.

#include <initializer_list>
#include <string>

#include "foundation/fxpropstore.h"
#include "foundation/revolver.h"

// Bytes written as a list of numbers, the way the format tables give them.
inline std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

inline std::string ContentOf(const CRevolver& buffer) {
    std::string out(static_cast<size_t>(buffer.GetLength()), '\0');
    if (!out.empty()) buffer.ReadAt(out.data(), buffer.GetLength(), 0);
    return out;
}

inline CRevolver RevolverOf(const std::string& bytes) {
    CRevolver buffer;
    buffer.Append(bytes.data(), static_cast<int>(bytes.size()));
    return buffer;
}

// Reaches the ring's fields, so that content can be placed across the end of
// the storage and inconsistent buffers can be made.
class RingRevolver : public CRevolver {
public:
    // An empty buffer of `capacity` bytes whose content begins at `start`.
    RingRevolver(int capacity, int start) {
        Reserve(capacity, 0);
        m_nStart = start;
    }
    void SetFields(int capacity, int start, int length) {
        m_nCapacity = capacity;
        m_nStart = start;
        m_nLength = length;
    }
    BYTE RawAt(int i) const { return m_pData[static_cast<size_t>(i)]; }
};

// Sets the process key style for the lifetime of the object.
class KeyStyleScope {
public:
    explicit KeyStyleScope(int style) : m_saved(GetKeyStyle()) { SetKeyStyle(style); }
    ~KeyStyleScope() { SetKeyStyle(m_saved); }
    KeyStyleScope(const KeyStyleScope&) = delete;
    KeyStyleScope& operator=(const KeyStyleScope&) = delete;

private:
    int m_saved;
};
