#pragma once

// Buffered reading of a codec's stream: bytes one at a time or in blocks
// without a virtual call per byte, and writing through a block of memory
// that goes out whole.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "image/codecs/rastercodecs.h"

class CodecReader {
public:
    explicit CodecReader(CRasterFile* file) : m_file(file) {}
    CodecReader(const CodecReader&) = delete;
    CodecReader& operator=(const CodecReader&) = delete;

    // The next byte, or -1 at the end of the stream.
    int Get() {
        if (m_pos == m_fill && !Refill()) return -1;
        return m_buffer[m_pos++];
    }
    // Exactly `bytes` bytes; false when the stream ends first.
    bool Read(void* dst, std::size_t bytes) {
        BYTE* out = static_cast<BYTE*>(dst);
        while (bytes > 0) {
            if (m_pos == m_fill) {
                // Large blocks go straight from the stream.
                if (bytes >= sizeof(m_buffer)) {
                    const std::size_t got = m_file->Read(out, 1, bytes);
                    return got == bytes;
                }
                if (!Refill()) return false;
            }
            const std::size_t n = std::min(bytes, m_fill - m_pos);
            std::memcpy(out, m_buffer + m_pos, n);
            m_pos += n;
            out += n;
            bytes -= n;
        }
        return true;
    }
    bool Skip(std::size_t bytes) {
        while (bytes > 0) {
            if (m_pos == m_fill && !Refill()) return false;
            const std::size_t n = std::min(bytes, m_fill - m_pos);
            m_pos += n;
            bytes -= n;
        }
        return true;
    }

private:
    bool Refill() {
        m_pos = 0;
        m_fill = m_file->Read(m_buffer, 1, sizeof(m_buffer));
        return m_fill > 0;
    }

    CRasterFile* m_file;
    std::size_t m_pos = 0;
    std::size_t m_fill = 0;
    BYTE m_buffer[16384];
};

// Output gathered in memory and written in large blocks; a short write
// throws the codec's text.
class CodecWriter {
public:
    CodecWriter(CRasterFile* file, const char* error) : m_file(file), m_error(error) {
        m_data.reserve(kBlock);
    }
    void Put(BYTE b) {
        m_data.push_back(b);
        if (m_data.size() >= kBlock) Flush();
    }
    void Put16(WORD v) {
        Put(static_cast<BYTE>(v));
        Put(static_cast<BYTE>(v >> 8));
    }
    void Put(const void* src, std::size_t bytes) {
        const BYTE* p = static_cast<const BYTE*>(src);
        m_data.insert(m_data.end(), p, p + bytes);
        if (m_data.size() >= kBlock) Flush();
    }
    void Flush() {
        if (!m_data.empty() && m_file->Write(m_data.data(), 1, m_data.size()) != m_data.size())
            throw CRasterCodecError(m_error);
        m_data.clear();
    }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    CRasterFile* m_file;
    const char* m_error;
    std::vector<BYTE> m_data;
};
