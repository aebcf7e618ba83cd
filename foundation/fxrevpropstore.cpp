#include "foundation/fxrevpropstore.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr int kMaxKeyLength = 255;
constexpr int kMaxExtensionBytes = 255;
constexpr int kLongValue = 256;  // values this long or longer take a 4-byte length

void PutDWord(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
    p[3] = static_cast<BYTE>(v >> 24);
}

DWORD GetDWord(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

int ValueLength(const CFxPropItem& item) {
    switch (item.GetValueType()) {
        case CFxPropItem::VT_STRING:
            return static_cast<int>(std::min<size_t>(item.GetString().size(), INT_MAX));
        case CFxPropItem::VT_REVOLVER:
            return item.GetRevolver().GetLength();
        default:
            return 0;
    }
}

// Encoded bytes of one item; -1 for an empty key.
long long ItemSize(const CFxPropEntry& entry) {
    const std::string& key = entry.GetKey();
    if (key.empty()) return -1;
    const long long keyBytes = 1 + std::min<size_t>(key.size(), kMaxKeyLength);
    const CFxPropItem& item = entry.GetItem();
    long long valueBytes = 0;
    if (item.GetValueType() == CFxPropItem::VT_INT) {
        valueBytes = 4;
    } else {
        const long long len = ValueLength(item);
        valueBytes = len + (len < kLongValue ? 1 : 4);
    }
    return 1 + keyBytes + valueBytes;
}

// Appends one item behind the buffer's content. The header, key and length
// are put together first so that a value goes into the buffer in one piece.
BOOL AppendItem(const CFxPropEntry& entry, CRevolver& buffer) {
    const std::string& key = entry.GetKey();
    if (key.empty()) return FALSE;
    const CFxPropItem& item = entry.GetItem();
    BYTE head[1 + 1 + kMaxKeyLength + 4];
    const int keyLength = static_cast<int>(std::min<size_t>(key.size(), kMaxKeyLength));
    int n = 0;
    const int type = item.GetValueType();
    const int valueLength = ValueLength(item);
    const bool longValue = valueLength >= kLongValue;
    if (type == CFxPropItem::VT_INT)
        head[n++] = CFxRevPropStore::HDR_INT;
    else if (type == CFxPropItem::VT_STRING)
        head[n++] = longValue ? CFxRevPropStore::HDR_TEXT | CFxRevPropStore::HDR_LONGLENGTH
                              : CFxRevPropStore::HDR_TEXT;
    else
        head[n++] = longValue ? CFxRevPropStore::HDR_LONGLENGTH : 0x00;
    head[n++] = static_cast<BYTE>(keyLength);
    std::memcpy(head + n, key.data(), static_cast<size_t>(keyLength));
    n += keyLength;
    if (type == CFxPropItem::VT_INT) {
        PutDWord(head + n, static_cast<DWORD>(item.GetInt()));
        return buffer.Append(head, n + 4);
    }
    if (longValue) {
        PutDWord(head + n, static_cast<DWORD>(valueLength));
        n += 4;
    } else {
        head[n++] = static_cast<BYTE>(valueLength);
    }
    if (!buffer.Append(head, n)) return FALSE;
    if (type == CFxPropItem::VT_STRING) return buffer.Append(item.GetString().data(), valueLength);
    return buffer.AppendFrom(item.GetRevolver(), 0, -1);
}

// Text up to its first zero byte.
std::string CutAtZero(std::string text) {
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

}  // namespace

// --- one item ---

int CFxPropEntry::GetRevolverSize() const {
    const long long size = ItemSize(*this);
    return size > INT_MAX ? -1 : static_cast<int>(size);
}

BOOL CFxPropEntry::ToRevolver(CRevolver& buffer) const {
    const int size = GetRevolverSize();
    if (size <= 0) return FALSE;
    buffer.Free();
    buffer.Reserve(size, 0);
    return AppendItem(*this, buffer);
}

// --- the whole store ---

CFxRevPropStore::CFxRevPropStore() = default;
CFxRevPropStore::CFxRevPropStore(const CFxRevPropStore& other) = default;
CFxRevPropStore& CFxRevPropStore::operator=(const CFxRevPropStore& other) = default;
CFxRevPropStore::~CFxRevPropStore() = default;

int CFxRevPropStore::GetEncodedSize() const {
    long long total = 0;
    for (const auto& [key, entry] : m_mapEntries) {
        const long long size = ItemSize(*entry);
        if (size < 0) return -1;
        total += size;
        if (total > INT_MAX) return -1;
    }
    return static_cast<int>(total);
}

BOOL CFxRevPropStore::ToRevolver(CRevolver& buffer) const {
    const int size = GetEncodedSize();
    if (size < 0) return FALSE;
    // One sizing pass, then every item goes into a buffer of exactly that
    // size, so the output never grows while it is written.
    buffer.Free();
    if (size == 0) return TRUE;
    buffer.Reserve(size, 0);
    for (const auto& [key, entry] : m_mapEntries)
        if (!AppendItem(*entry, buffer)) return FALSE;
    return TRUE;
}

BOOL CFxRevPropStore::ToRevolver(CRevolver& buffer, const CFxKeySet* include, BOOL sorted,
                                 const CFxKeySet* exclude, BOOL skipBinary,
                                 const CFxKeySet* binaryExceptions) const {
    (void)sorted;  // the entry map keeps its keys in ascending byte order
    auto written = [&](const std::string& key, const CFxPropEntry& entry) {
        if (include != nullptr && include->count(key) == 0) return false;
        if (exclude != nullptr && exclude->count(key) != 0) return false;
        if (skipBinary && entry.GetItem().GetValueType() == CFxPropItem::VT_REVOLVER &&
            (binaryExceptions == nullptr || binaryExceptions->count(key) == 0))
            return false;
        return true;
    };
    // The size pass applies the same filters.
    long long total = 0;
    for (const auto& [key, entry] : m_mapEntries) {
        if (!written(key, *entry)) continue;
        const long long size = ItemSize(*entry);
        if (size < 0) return FALSE;
        total += size;
        if (total > INT_MAX) return FALSE;
    }
    buffer.Free();
    if (total == 0) return TRUE;
    buffer.Reserve(static_cast<int>(total), 0);
    for (const auto& [key, entry] : m_mapEntries)
        if (written(key, *entry) && !AppendItem(*entry, buffer)) return FALSE;
    return TRUE;
}

BOOL CFxRevPropStore::FromRevolver(const CRevolver& buffer, BOOL keep) {
    // Decoding one of this store's own byte-block values: emptying the store
    // would free the bytes being read, so read from a copy.
    for (const auto& [key, entry] : GetEntries()) {
        if (&entry->GetItem().GetRevolver() == &buffer) {
            const CRevolver copy(buffer);
            return FromRevolver(copy, keep);
        }
    }
    if (!keep) RemoveAll();
    if (!buffer.IsConsistent()) return FALSE;
    const int total = buffer.GetLength();
    int cursor = 0;
    // Bytes still unread; every length read from the data is checked against
    // it before anything is read.
    auto left = [&]() { return static_cast<long long>(total) - cursor; };

    for (;;) {
        BYTE header = 0;
        if (!buffer.ReadNext(cursor, &header, 1)) return TRUE;  // clean end

        // Key.
        if (header & HDR_KEYNUMBER) return FALSE;  // no key dictionary here
        BYTE keyLength = 0;
        if (!buffer.ReadNext(cursor, &keyLength, 1)) return TRUE;
        if (keyLength > left()) return TRUE;
        char keyBytes[kMaxKeyLength];
        buffer.ReadNext(cursor, keyBytes, keyLength);
        const size_t keyEnd = std::find(keyBytes, keyBytes + keyLength, '\0') - keyBytes;
        if (keyEnd == 0) return FALSE;
        const std::string key(keyBytes, keyEnd);

        // Extension bytes: their content means nothing to this reader.
        if (header & HDR_EXTENSION) {
            int count = 0;
            BYTE ext = 0;
            do {
                if (count == kMaxExtensionBytes) return FALSE;
                if (!buffer.ReadNext(cursor, &ext, 1)) return FALSE;
                ++count;
            } while (ext & 0x80);
        }

        // Values without a length field.
        if (header & HDR_NOLENGTH) {
            switch (header & 0x03) {
                case 3: {
                    BYTE v[4];
                    if (!buffer.ReadNext(cursor, v, 4)) return FALSE;
                    SetInt(key, static_cast<int>(GetDWord(v)));
                    break;
                }
                case 2:
                    return FALSE;
                default:
                    break;  // an item without value bytes is skipped
            }
            continue;
        }

        // Text and byte blocks.
        long long valueLength = 0;
        if (header & HDR_LONGLENGTH) {
            BYTE v[4];
            if (!buffer.ReadNext(cursor, v, 4)) return TRUE;
            valueLength = GetDWord(v);
        } else {
            BYTE v = 0;
            if (!buffer.ReadNext(cursor, &v, 1)) return TRUE;
            valueLength = v;
        }
        if (header & HDR_TEXT) {
            if (valueLength > left()) return TRUE;
            std::string text(static_cast<size_t>(valueLength), '\0');
            buffer.ReadNext(cursor, text.data(), static_cast<int>(valueLength));
            SetString(key, CutAtZero(std::move(text)));
        } else {
            if (valueLength > left()) return FALSE;
            if (m_bWriteOnce && HasKey(key)) {
                cursor += static_cast<int>(valueLength);  // kept as it is
                continue;
            }
            CRevolver& block = SetEntry(key, CFxPropItem::VT_REVOLVER).GetItem().GetRevolver();
            block.Free();
            if (!block.AppendFrom(buffer, cursor, static_cast<int>(valueLength))) return FALSE;
            cursor += static_cast<int>(valueLength);
        }
    }
}

BOOL CFxRevPropStore::ToFile(const std::string& path) const {
    CRevolver buffer;
    if (!ToRevolver(buffer)) return FALSE;
    return buffer.ToFile(path);
}

BOOL CFxRevPropStore::FromFile(const std::string& path, BOOL keep) {
    CRevolver buffer;
    if (!buffer.FromFile(path)) return FALSE;
    return FromRevolver(buffer, keep);
}
