#include "foundation/fxrevpropstore.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

constexpr int kMaxKeyLength = 255;
constexpr int kMaxExtensionBytes = 255;
constexpr int kLongValue = 256;  // values this long or longer take a 4-byte length

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

// The entry of a slot of the store's own list or of a sorted view of it.
const CFxPropEntry& EntryOf(const CFxPropEntry& entry) { return entry; }
const CFxPropEntry& EntryOf(const CFxPropEntry* entry) { return *entry; }

// Writes one item at `p` and returns the position behind it; the caller has
// made room for ItemSize bytes. Null when a byte block's content cannot be
// read (an inconsistent buffer).
BYTE* WriteItem(const CFxPropEntry& entry, BYTE* p) {
    const std::string& key = entry.GetKey();
    const CFxPropItem& item = entry.GetItem();
    const int type = item.GetValueType();
    const int keyLength = static_cast<int>(std::min<size_t>(key.size(), kMaxKeyLength));
    const int valueLength = ValueLength(item);
    const bool longValue = valueLength >= kLongValue;
    if (type == CFxPropItem::VT_INT)
        *p++ = CFxRevPropStore::HDR_INT;
    else if (type == CFxPropItem::VT_STRING)
        *p++ = longValue ? CFxRevPropStore::HDR_TEXT | CFxRevPropStore::HDR_LONGLENGTH
                         : CFxRevPropStore::HDR_TEXT;
    else
        *p++ = longValue ? CFxRevPropStore::HDR_LONGLENGTH : 0x00;
    *p++ = static_cast<BYTE>(keyLength);
    std::memcpy(p, key.data(), static_cast<size_t>(keyLength));
    p += keyLength;
    if (type == CFxPropItem::VT_INT) {
        DWordToBytes(static_cast<DWORD>(item.GetInt()), p);
        return p + 4;
    }
    if (longValue) {
        DWordToBytes(static_cast<DWORD>(valueLength), p);
        p += 4;
    } else {
        *p++ = static_cast<BYTE>(valueLength);
    }
    if (valueLength == 0) return p;
    if (type == CFxPropItem::VT_STRING)
        std::memcpy(p, item.GetString().data(), static_cast<size_t>(valueLength));
    else if (!item.GetRevolver().ReadAt(p, valueLength, 0))
        return nullptr;
    return p + valueLength;
}

// The sizing pass over the entries that `written` lets through: their
// encoded size in `total`, and whether `buffer` is one of the values to be
// written. FALSE on an empty key, a byte block that cannot be read or a
// record past 2 GB.
template <typename Entries, typename Written>
bool SizeItems(const Entries& entries, Written written, const CRevolver& buffer, long long& total,
               bool& aliased) {
    total = 0;
    aliased = false;
    for (const auto& slot : entries) {
        const CFxPropEntry& entry = EntryOf(slot);
        if (!written(entry)) continue;
        const long long size = ItemSize(entry);
        if (size < 0) return false;
        const CFxPropItem& item = entry.GetItem();
        if (item.GetValueType() == CFxPropItem::VT_REVOLVER) {
            if (!item.GetRevolver().IsConsistent()) return false;
            aliased = aliased || &item.GetRevolver() == &buffer;
        }
        total += size;
        if (total > INT_MAX) return false;
    }
    return true;
}

// Replaces the buffer's content by the `size` bytes that SizeItems found,
// each item written straight into the storage reserved for them. A buffer
// that is one of the values being written is read while the bytes go into a
// new storage, which then moves in.
template <typename Entries, typename Written>
BOOL WriteItems(const Entries& entries, long long size, bool aliased, Written written,
                CRevolver& buffer) {
    if (size == 0) {
        buffer.Free();
        return TRUE;
    }
    CRevolver separate;
    CRevolver& out = aliased ? separate : buffer;
    out.Free();
    if (!out.Reserve(static_cast<int>(size), 0)) return FALSE;
    BYTE* p = out.ExtendInPlace(static_cast<int>(size));
    if (p == nullptr) return FALSE;
    for (const auto& slot : entries) {
        const CFxPropEntry& entry = EntryOf(slot);
        if (!written(entry)) continue;
        p = WriteItem(entry, p);
        if (p == nullptr) return FALSE;
    }
    if (aliased) buffer = std::move(separate);
    return TRUE;
}

// Where a key text of the bytes ends: at its first zero byte.
size_t TextLength(const BYTE* bytes, size_t length) {
    if (length <= 32) {  // keys and most texts: a loop costs less than the call
        for (size_t i = 0; i < length; ++i)
            if (bytes[i] == 0) return i;
        return length;
    }
    const void* zero = std::memchr(bytes, 0, length);
    return zero ? static_cast<size_t>(static_cast<const BYTE*>(zero) - bytes) : length;
}

// Walks the items of the bytes from `p` to `end`, calling
// visit(key, value type, integer value, value bytes, their length) for each
// item with a value. TRUE at the clean end or where the bytes are cut, FALSE
// at a malformed item or when `visit` answers false.
template <typename Visit>
BOOL ReadItems(const BYTE* p, const BYTE* const end, Visit&& visit) {
    // Every length read from the data is checked against the bytes still
    // unread before anything is read.
    for (;;) {
        if (p == end) return TRUE;  // clean end
        const BYTE header = *p++;

        // Key.
        if (header & CFxRevPropStore::HDR_KEYNUMBER) return FALSE;  // no key dictionary here
        if (p == end) return TRUE;
        const size_t keyLength = *p++;
        if (keyLength > static_cast<size_t>(end - p)) return TRUE;
        const std::string_view key(reinterpret_cast<const char*>(p), TextLength(p, keyLength));
        p += keyLength;
        if (key.empty()) return FALSE;

        // Extension bytes: their content means nothing to this reader.
        if (header & CFxRevPropStore::HDR_EXTENSION) {
            int count = 0;
            BYTE ext = 0;
            do {
                if (count == kMaxExtensionBytes || p == end) return FALSE;
                ext = *p++;
                ++count;
            } while (ext & 0x80);
        }

        // Values without a length field.
        if (header & CFxRevPropStore::HDR_NOLENGTH) {
            switch (header & 0x03) {
                case 3: {
                    if (end - p < 4) return FALSE;
                    const int value = static_cast<int>(DWordFromBytes(p));
                    p += 4;
                    if (!visit(key, CFxPropItem::VT_INT, value, nullptr, 0)) return FALSE;
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
        size_t valueLength = 0;
        if (header & CFxRevPropStore::HDR_LONGLENGTH) {
            if (end - p < 4) return TRUE;
            valueLength = DWordFromBytes(p);
            p += 4;
        } else {
            if (p == end) return TRUE;
            valueLength = *p++;
        }
        const bool inData = valueLength <= static_cast<size_t>(end - p);
        if (header & CFxRevPropStore::HDR_TEXT) {
            if (!inData) return TRUE;
            if (!visit(key, CFxPropItem::VT_STRING, 0, p, valueLength)) return FALSE;
        } else {
            if (!inData) return FALSE;
            if (!visit(key, CFxPropItem::VT_REVOLVER, 0, p, valueLength)) return FALSE;
        }
        p += valueLength;
    }
}

}  // namespace

// --- one item ---

int CFxPropEntry::GetRevolverSize() const {
    const long long size = ItemSize(*this);
    return size > INT_MAX ? -1 : static_cast<int>(size);
}

BOOL CFxPropEntry::ToRevolver(CRevolver& buffer) const {
    const CFxPropEntry* items[] = {this};
    auto all = [](const CFxPropEntry&) { return true; };
    long long size = 0;
    bool aliased = false;
    if (!SizeItems(items, all, buffer, size, aliased)) return FALSE;
    return WriteItems(items, size, aliased, all, buffer);
}

// --- the whole store ---

CFxRevPropStore::CFxRevPropStore() = default;
CFxRevPropStore::CFxRevPropStore(const CFxRevPropStore& other) = default;
CFxRevPropStore& CFxRevPropStore::operator=(const CFxRevPropStore& other) = default;
CFxRevPropStore::~CFxRevPropStore() = default;

int CFxRevPropStore::GetEncodedSize() const {
    long long total = 0;
    for (const CFxPropEntry& entry : m_entries) {
        const long long size = ItemSize(entry);
        if (size < 0) return -1;
        total += size;
        if (total > INT_MAX) return -1;
    }
    return static_cast<int>(total);
}

BOOL CFxRevPropStore::ToRevolver(CRevolver& buffer) const {
    return ToRevolver(buffer, nullptr, FALSE, nullptr, FALSE, nullptr);
}

BOOL CFxRevPropStore::ToRevolver(CRevolver& buffer, const CFxKeySet* include, BOOL sorted,
                                 const CFxKeySet* exclude, BOOL skipBinary,
                                 const CFxKeySet* binaryExceptions) const {
    (void)sorted;  // items always go in ascending byte order of their keys
    const bool filtered = include != nullptr || exclude != nullptr || skipBinary;
    auto written = [&](const CFxPropEntry& entry) {
        if (!filtered) return true;
        const std::string& key = entry.GetKey();
        if (include != nullptr && include->count(key) == 0) return false;
        if (exclude != nullptr && exclude->count(key) != 0) return false;
        if (skipBinary && entry.GetItem().GetValueType() == CFxPropItem::VT_REVOLVER &&
            (binaryExceptions == nullptr || binaryExceptions->count(key) == 0))
            return false;
        return true;
    };
    // One sizing pass, then one writing pass into a buffer reserved to
    // exactly that size, so the output never grows while it is written; the
    // sizing pass applies the same filters. On failure the buffer is left as
    // it was.
    long long total = 0;
    bool aliased = false;
    if (m_bOrdered) {
        if (!SizeItems(m_entries, written, buffer, total, aliased)) return FALSE;
        return WriteItems(m_entries, total, aliased, written, buffer);
    }
    const std::vector<const CFxPropEntry*> inOrder = SortedEntries();
    if (!SizeItems(inOrder, written, buffer, total, aliased)) return FALSE;
    return WriteItems(inOrder, total, aliased, written, buffer);
}

BOOL CFxRevPropStore::FromRevolver(const CRevolver& buffer, BOOL keep) {
    // Decoding one of this store's own byte-block values: emptying the store
    // (or setting that key) would free the bytes being read, so read from a
    // copy.
    if (HoldsAddress(&buffer)) {
        const CRevolver copy(buffer);
        return FromRevolver(copy, keep);
    }
    if (!keep) RemoveAll();
    // The items are read where they lie: the content itself unless it wraps
    // in its storage.
    std::string scratch;
    const BYTE* p = buffer.Contiguous(scratch);
    if (p == nullptr) return FALSE;
    const BYTE* const end = p + buffer.GetLength();

    // The entry a decoded item goes to, created with the item's kind when the
    // key is new; null when the write-once flag keeps the present value. A
    // store's own bytes come in ascending key order, so a new key usually
    // goes behind the last one without a search.
    auto entryFor = [this](std::string_view key, int valueType) -> CFxPropEntry* {
        if (m_bWriteOnce && FindPos(key) != kNoEntry) return nullptr;
        return &SetEntry(key, valueType);
    };

    // A first walk counts the items, so that the entries are made room for
    // once.
    size_t items = 0;
    ReadItems(p, end, [&](std::string_view, int, int, const BYTE*, size_t) {
        ++items;
        return true;
    });
    // Bytes that repeat one key many times make one entry: room is made for
    // at most 65,536 ahead, the rest as they come.
    m_entries.reserve(m_entries.size() + std::min<size_t>(items, 65536));
    return ReadItems(
        p, end,
        [&](std::string_view key, int valueType, int value, const BYTE* data, size_t length) {
            CFxPropEntry* entry = entryFor(key, valueType);
            if (entry == nullptr) return true;
            CFxPropItem& item = entry->GetItem();
            if (valueType == CFxPropItem::VT_INT) {
                item.SetInt(value);
            } else if (valueType == CFxPropItem::VT_STRING) {
                item.SetString(
                    std::string(reinterpret_cast<const char*>(data), TextLength(data, length)));
            } else {
                CRevolver& block = item.GetRevolver();
                block.Free();
                if (!block.Append(data, static_cast<int>(length))) return false;
            }
            return true;
        });
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
