#include "platform/textcodec.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The code page side always goes through iconv; the Unicode side is UTF-32 in
// the machine's byte order, which we encode and decode ourselves so that
// malformed UTF-8 and lone surrogates are handled the same way everywhere.
constexpr const char* kCodePage = "CP949";
constexpr const char* kUtf32 = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
constexpr char32_t kBad = U'?';

// One iconv conversion in one direction; reset before every use.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (Valid()) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return m_cd;
    }

private:
    iconv_t m_cd;
};

enum Direction { kToUnicode = 0, kFromUnicode = 1, kDirections = 2 };

Converter* OpenConverter(Direction direction) {
    return direction == kToUnicode ? new Converter(kUtf32, kCodePage)
                                   : new Converter(kCodePage, kUtf32);
}

// Every thread keeps one converter per direction open from its first
// conversion to its end. This record has no destructor, so it is there for
// every destructor that runs on the thread however late (a function-static
// object destroyed at program exit, after the thread's own objects): once the
// thread's converters are closed, each conversion opens one for itself.
struct ThreadConverters {
    Converter* open[kDirections];
    bool closed;
};
thread_local ThreadConverters t_converters{};

// Closes the thread's converters when the thread's objects are destroyed.
struct ThreadConvertersCloser {
    ~ThreadConvertersCloser() {
        for (Converter*& converter : t_converters.open) {
            delete converter;
            converter = nullptr;
        }
        t_converters.closed = true;
    }
};

// The converter one conversion uses: the thread's own while it is open, else
// one of the conversion's own.
class ConverterUse {
public:
    explicit ConverterUse(Direction direction) {
        if (t_converters.closed) {
            m_own.reset(OpenConverter(direction));
            m_converter = m_own.get();
            return;
        }
        thread_local ThreadConvertersCloser closer;
        (void)closer;
        Converter*& open = t_converters.open[direction];
        if (!open) open = OpenConverter(direction);
        m_converter = open;
    }
    Converter& operator*() const { return *m_converter; }

private:
    std::unique_ptr<Converter> m_own;
    Converter* m_converter = nullptr;
};

// Code page bytes to code points; a byte that starts no valid character
// becomes '?' and the next byte is tried on its own.
std::u32string DecodeAnsi(std::string_view ansi) {
    std::u32string out;
    if (ansi.empty()) return out;
    const ConverterUse use(kToUnicode);
    Converter& conv = *use;
    if (!conv.Valid()) {
        for (unsigned char c : ansi) out.push_back(c < 0x80 ? c : kBad);
        return out;
    }
    iconv_t cd = conv.Get();
    std::vector<char> in(ansi.begin(), ansi.end());
    char* inPtr = in.data();
    size_t inLeft = in.size();
    std::vector<char32_t> buf(in.size() + 4);
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(buf.data());
        size_t outLeft = buf.size() * sizeof(char32_t);
        const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out.append(buf.data(), (buf.size() * sizeof(char32_t) - outLeft) / sizeof(char32_t));
        if (rc != static_cast<size_t>(-1)) break;
        if (err == E2BIG) continue;
        out.push_back(kBad);
        if (err == EINVAL) break;  // a lead byte with nothing after it
        ++inPtr;                   // EILSEQ (or anything else): skip one byte
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

// Code points to code page bytes; a character the code page lacks becomes '?'.
std::string EncodeAnsi(const std::u32string& text) {
    std::string out;
    if (text.empty()) return out;
    const ConverterUse use(kFromUnicode);
    Converter& conv = *use;
    if (!conv.Valid()) {
        for (char32_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        return out;
    }
    iconv_t cd = conv.Get();
    std::u32string in = text;
    char* inPtr = reinterpret_cast<char*>(in.data());
    size_t inLeft = in.size() * sizeof(char32_t);
    std::vector<char> buf(in.size() * 2 + 16);
    while (inLeft > 0) {
        char* outPtr = buf.data();
        size_t outLeft = buf.size();
        const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out.append(buf.data(), buf.size() - outLeft);
        if (rc != static_cast<size_t>(-1)) break;
        if (err == E2BIG) continue;
        out.push_back('?');
        if (inLeft < sizeof(char32_t)) break;
        inPtr += sizeof(char32_t);
        inLeft -= sizeof(char32_t);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

// Malformed UTF-8 (stray continuation bytes, overlong forms, surrogates,
// truncated sequences) gives one '?' per offending byte.
std::u32string DecodeUtf8(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    size_t i = 0;
    const size_t n = utf8.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        int len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2, cp = c & 0x1F, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3, cp = c & 0x0F, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4, cp = c & 0x07, min = 0x10000;
        }
        bool ok = len > 0 && i + static_cast<size_t>(len) <= n;
        for (int k = 1; ok && k < len; ++k) {
            const unsigned char t = static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]);
            if ((t & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            out.push_back(kBad);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += static_cast<size_t>(len);
    }
    return out;
}

std::u32string DecodeUtf16(std::u16string_view utf16) {
    std::u32string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        const char16_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                          (static_cast<char32_t>(utf16[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out.push_back(kBad);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string EncodeUtf8(const std::u32string& text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : text) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::u16string EncodeUtf16(const std::u32string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (char32_t cp : text) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

template <typename Map>
std::string MapAscii(std::string_view text, Map map) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsLeadByte(c)) {
            ++i;  // the second byte of a pair is never a letter of its own
        } else {
            out[i] = map(out[i]);
        }
    }
    return out;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) { return EncodeUtf8(DecodeAnsi(ansi)); }

std::string Utf8ToAnsi(std::string_view utf8) { return EncodeAnsi(DecodeUtf8(utf8)); }

std::u16string AnsiToUtf16(std::string_view ansi) { return EncodeUtf16(DecodeAnsi(ansi)); }

std::string Utf16ToAnsi(std::u16string_view utf16) { return EncodeAnsi(DecodeUtf16(utf16)); }

QString AnsiToQString(std::string_view ansi) {
    // The code page's bytes below 0x80 are ASCII: most text needs no
    // converter at all.
    if (std::all_of(ansi.begin(), ansi.end(), [](char c) { return (c & 0x80) == 0; }))
        return QString::fromLatin1(ansi.data(), static_cast<qsizetype>(ansi.size()));
    const std::u16string u = AnsiToUtf16(ansi);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

std::string QStringToAnsi(const QString& text) {
    return Utf16ToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                           static_cast<size_t>(text.size())));
}

std::string MbLower(std::string_view text) {
    return MapAscii(text, [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
}

std::string MbUpper(std::string_view text) {
    return MapAscii(text, [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; });
}

int MbCompareNoCase(std::string_view a, std::string_view b) {
    const std::string la = MbLower(a);
    const std::string lb = MbLower(b);
    const int rc = std::memcmp(la.data(), lb.data(), std::min(la.size(), lb.size()));
    if (rc != 0) return rc < 0 ? -1 : 1;
    if (la.size() == lb.size()) return 0;
    return la.size() < lb.size() ? -1 : 1;
}

std::string TrimText(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}
