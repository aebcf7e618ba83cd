#include "foundation/fxpropstore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>

#include "foundation/fxstrings.h"

namespace {

int g_nKeyStyle = KEYSTYLE_LONG;

// Splits at the delimiter, keeping empty pieces; only the first `most`
// pieces are made (an empty piece costs far more than the delimiter that
// makes it, so untrusted texts are split only as far as they are used).
std::vector<std::string> SplitKeepEmpty(const std::string& text, char delim,
                                        size_t most = std::numeric_limits<size_t>::max()) {
    std::vector<std::string> pieces;
    size_t from = 0;
    for (;;) {
        if (pieces.size() >= most) return pieces;
        const size_t at = text.find(delim, from);
        if (at == std::string::npos) {
            pieces.push_back(text.substr(from));
            return pieces;
        }
        pieces.push_back(text.substr(from, at - from));
        from = at + 1;
    }
}

// The alternatives of a key text: the key itself without a delimiter.
std::vector<std::string> Alternatives(const std::string& key, char delim) {
    if (delim == 0) return {key};
    return SplitKeepEmpty(key, delim);
}

// Calls `found` with the entry of the first alternative of the key that has
// one and answers what it answers; FALSE when none does. A key without a
// delimiter is looked up as it is, without a copy.
template <typename Store, typename Found>
BOOL FirstAlternative(const Store& store, const std::string& key, char delim, Found found) {
    if (delim == 0 || key.find(delim) == std::string::npos) {
        const CFxPropEntry* entry = store.FindEntry(key);
        return entry != nullptr && found(*entry);
    }
    for (const std::string& alt : Alternatives(key, delim)) {
        const CFxPropEntry* entry = store.FindEntry(alt);
        if (entry != nullptr && found(*entry)) return TRUE;
    }
    return FALSE;
}

// Eight bytes of a key as one number, the first byte highest.
uint64_t BigEndianAt(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return __builtin_bswap64(v);
}

// Whether key a comes before key b in ascending byte order. Keys are short
// and share long beginnings ("UTP.", "WOS.wo"), so they are compared eight
// bytes at a time rather than through a call.
bool KeyBefore(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const uint64_t x = BigEndianAt(a.data() + i), y = BigEndianAt(b.data() + i);
        if (x != y) return x < y;
    }
    for (; i < n; ++i)
        if (a[i] != b[i])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
    return a.size() < b.size();
}

bool KeyLess(const CFxPropEntry& entry, std::string_view key) {
    return KeyBefore(entry.GetKey(), key);
}

uint32_t HashKey(std::string_view key) {
    return static_cast<uint32_t>(std::hash<std::string_view>{}(key));
}

// Up to this many entries a key that comes out of order is put in its place.
constexpr size_t kOrderedInsertLimit = 32;
// From this many entries on, keys are found through the hash table.
constexpr size_t kIndexFrom = 64;

// A table slot: the entry's position + 1 in the low half (0: free), its
// key's hash in the high half.
uint64_t Slot(size_t pos, uint32_t hash) {
    return static_cast<uint64_t>(pos + 1) | (static_cast<uint64_t>(hash) << 32);
}

}  // namespace

int GetKeyStyle() { return g_nKeyStyle; }
void SetKeyStyle(int style) { g_nKeyStyle = style; }

CFxPropStore::CFxPropStore() = default;

CFxPropStore::CFxPropStore(const CFxPropStore& other)
    : m_entries(other.m_entries), m_index(other.m_index), m_bOrdered(other.m_bOrdered) {}

CFxPropStore& CFxPropStore::operator=(const CFxPropStore& other) {
    CopyFrom(other);
    return *this;
}

CFxPropStore::~CFxPropStore() = default;

BOOL CFxPropStore::LookupString(const std::string& key, std::string& out, char delim) const {
    const BOOL found = FirstAlternative(*this, key, delim, [&](const CFxPropEntry& entry) {
        const CFxPropItem& item = entry.GetItem();
        if (item.GetValueType() == CFxPropItem::VT_STRING) {
            out = item.GetString();
            return true;
        }
        if (item.GetValueType() == CFxPropItem::VT_INT) {
            out = std::to_string(item.GetInt());
            return true;
        }
        return false;
    });
    if (!found) out.clear();
    return found;
}

std::string CFxPropStore::GetString(const std::string& key, char delim) const {
    std::string text;
    LookupString(key, text, delim);
    return text;
}

BOOL CFxPropStore::LookupInt(const std::string& key, int& out, char delim) const {
    return FirstAlternative(*this, key, delim, [&](const CFxPropEntry& entry) {
        const CFxPropItem& item = entry.GetItem();
        if (item.GetValueType() == CFxPropItem::VT_INT) {
            out = item.GetInt();
            return true;
        }
        if (item.GetValueType() == CFxPropItem::VT_STRING) {
            out = AtoiText(item.GetString());
            return true;
        }
        return false;
    });
}

int CFxPropStore::GetInt(const std::string& key, int defaultValue, char delim) const {
    int value = defaultValue;
    return LookupInt(key, value, delim) ? value : defaultValue;
}

BOOL CFxPropStore::LookupRevolver(const std::string& key, CRevolver& out, char delim) const {
    BOOL copied = FALSE;
    const BOOL found = FirstAlternative(*this, key, delim, [&](const CFxPropEntry& entry) {
        if (entry.GetItem().GetValueType() != CFxPropItem::VT_REVOLVER) return false;
        copied = out.Assign(entry.GetItem().GetRevolver());
        return true;
    });
    return found && copied;
}

int CFxPropStore::GetValueType(const std::string& key) const {
    const CFxPropEntry* entry = FindEntry(key);
    return entry ? entry->GetItem().GetValueType() : CFxPropItem::VT_NONE;
}

BOOL CFxPropStore::HasKey(const std::string& key) const { return FindEntry(key) != nullptr; }

size_t CFxPropStore::FindPos(std::string_view key) const {
    if (m_index.empty()) {
        const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), key, KeyLess);
        return at != m_entries.end() && at->GetKey() == key
                   ? static_cast<size_t>(at - m_entries.begin())
                   : kNoEntry;
    }
    const uint32_t hash = HashKey(key);
    const size_t mask = m_index.size() - 1;
    for (size_t slot = hash & mask; m_index[slot] != 0; slot = (slot + 1) & mask) {
        if (static_cast<uint32_t>(m_index[slot] >> 32) != hash) continue;
        const size_t pos = static_cast<uint32_t>(m_index[slot]) - 1;
        if (m_entries[pos].GetKey() == key) return pos;
    }
    return kNoEntry;
}

CFxPropEntry* CFxPropStore::FindEntry(std::string_view key) {
    const size_t pos = FindPos(key);
    return pos == kNoEntry ? nullptr : &m_entries[pos];
}

const CFxPropEntry* CFxPropStore::FindEntry(std::string_view key) const {
    const size_t pos = FindPos(key);
    return pos == kNoEntry ? nullptr : &m_entries[pos];
}

const CRevolver* CFxPropStore::FindRevolver(std::string_view key) const {
    const CFxPropEntry* entry = FindEntry(key);
    if (entry == nullptr || entry->GetItem().GetValueType() != CFxPropItem::VT_REVOLVER)
        return nullptr;
    return &entry->GetItem().GetRevolver();
}

bool CFxPropStore::HoldsAddress(const void* address) const {
    const std::less<const void*> before;
    const void* first = m_entries.data();
    const void* last = m_entries.data() + m_entries.capacity();
    return !before(address, first) && before(address, last);
}

std::vector<const CFxPropEntry*> CFxPropStore::SortedEntries() const {
    std::vector<const CFxPropEntry*> sorted;
    sorted.reserve(m_entries.size());
    for (const CFxPropEntry& entry : m_entries) sorted.push_back(&entry);
    std::sort(sorted.begin(), sorted.end(), [](const CFxPropEntry* a, const CFxPropEntry* b) {
        return KeyBefore(a->GetKey(), b->GetKey());
    });
    return sorted;
}

void CFxPropStore::RebuildIndex() {
    size_t capacity = 64;
    while (capacity < 2 * (m_entries.size() + 1)) capacity *= 2;
    m_index.assign(capacity, 0);
    for (size_t pos = 0; pos < m_entries.size(); ++pos)
        IndexPosition(pos, HashKey(m_entries[pos].GetKey()));
}

void CFxPropStore::IndexPosition(size_t pos, uint32_t hash) {
    const size_t mask = m_index.size() - 1;
    size_t slot = hash & mask;
    while (m_index[slot] != 0) slot = (slot + 1) & mask;
    m_index[slot] = Slot(pos, hash);
}

CFxPropEntry& CFxPropStore::AppendEntry(std::string key, int valueType) {
    if (m_entries.capacity() == 0) m_entries.reserve(4);
    m_entries.emplace_back(std::move(key), valueType);
    const size_t count = m_entries.size();
    if (!m_index.empty() && 2 * (count + 1) <= m_index.size())
        IndexPosition(count - 1, HashKey(m_entries.back().GetKey()));
    else if (count >= kIndexFrom || !m_bOrdered)
        RebuildIndex();
    return m_entries.back();
}

void CFxPropStore::GetKeys(std::vector<std::string>& keys) const {
    keys.clear();
    keys.reserve(m_entries.size());
    ForEachInKeyOrder([&](const CFxPropEntry& entry) { keys.push_back(entry.GetKey()); });
}

BOOL CFxPropStore::GetStringArray(const std::string& name, std::vector<std::string>& items,
                                  size_t most) const {
    int delim = 0;
    std::string data;
    if (!HasKey("%SA:type:" + name)) return FALSE;
    if (!LookupInt("%SA:delm:" + name, delim)) return FALSE;
    if (!LookupString("%SA:data:" + name, data)) return FALSE;
    items.clear();
    if (!data.empty()) items = SplitKeepEmpty(data, static_cast<char>(delim), most);
    return TRUE;
}

CRect CFxPropStore::GetRectText(const std::string& key) const {
    const std::vector<std::string> pieces = SplitKeepEmpty(GetString(key), ',', 4);
    LONG v[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < 4 && i < pieces.size(); ++i) v[i] = AtoiText(pieces[i]);
    return CRect(v[0], v[1], v[2], v[3]);
}

std::string CFxPropStore::GetText() const {
    std::string text;
    bool first = true;
    ForEachInKeyOrder([&](const CFxPropEntry& entry) {
        std::string value;
        const int type = entry.GetItem().GetValueType();
        if (type == CFxPropItem::VT_STRING)
            value = entry.GetItem().GetString();
        else if (type == CFxPropItem::VT_INT)
            value = std::to_string(entry.GetItem().GetInt());
        else
            return;
        if (!first) text += ',';
        first = false;
        text += entry.GetKey();
        text += '=';
        text += value;
    });
    return text;
}

CFxPropEntry& CFxPropStore::SetEntry(std::string_view key, int valueType) {
    if (m_bOrdered && (m_entries.empty() || KeyLess(m_entries.back(), key)))
        return AppendEntry(std::string(key), valueType);
    if (m_index.empty()) {
        const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), key, KeyLess);
        if (at != m_entries.end() && at->GetKey() == key) return *at;
        if (m_bOrdered && m_entries.size() < kOrderedInsertLimit)
            return *m_entries.emplace(at, std::string(key), valueType);
    } else {
        const size_t pos = FindPos(key);
        if (pos != kNoEntry) return m_entries[pos];
    }
    // Too large to keep in order by moving entries: the key goes at the
    // end, and from now on keys are found through the table.
    m_bOrdered = false;
    return AppendEntry(std::string(key), valueType);
}

CFxPropEntry* CFxPropStore::WritableEntry(std::string_view key, int valueType) {
    if (m_bWriteOnce && FindPos(key) != kNoEntry) return nullptr;
    return &SetEntry(key, valueType);
}

void CFxPropStore::SetString(const std::string& key, const std::string& text) {
    // A text of this store itself would move when the key is added.
    if (HoldsAddress(&text)) {
        const std::string copy(text);
        SetString(key, copy);
        return;
    }
    if (CFxPropEntry* entry = WritableEntry(key, CFxPropItem::VT_STRING))
        entry->GetItem().SetString(text);
}

void CFxPropStore::SetSzString(const std::string& key, const char* text) {
    SetString(key, text ? std::string(text) : std::string());
}

void CFxPropStore::SetInt(const std::string& key, int value) {
    if (CFxPropEntry* entry = WritableEntry(key, CFxPropItem::VT_INT))
        entry->GetItem().SetInt(value);
}

void CFxPropStore::SetIntFromText(const std::string& key, const std::string& text) {
    SetInt(key, AtoiText(text));
}

void CFxPropStore::SetRevolver(const std::string& key, const CRevolver& buffer) {
    if (HoldsAddress(&buffer)) {
        const CRevolver copy(buffer);
        SetRevolver(key, copy);
        return;
    }
    if (CFxPropEntry* entry = WritableEntry(key, CFxPropItem::VT_REVOLVER))
        entry->GetItem().SetRevolver(buffer);
}

void CFxPropStore::PutDWordArray(const std::string& name, const std::vector<DWORD>& values) {
    std::string data;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) data += '|';
        data += std::to_string(values[i]);
    }
    SetInt("%DA:type:" + name, 1);
    SetString("%DA:data:" + name, data);
}

int CFxPropStore::GetDWordArray(const std::string& name, std::vector<DWORD>& values) const {
    if (!HasKey("%DA:type:" + name)) return 0;
    const CFxPropEntry* data = FindEntry("%DA:data:" + name);
    if (data == nullptr || data->GetItem().GetValueType() != CFxPropItem::VT_STRING) return 0;
    const std::string& text = data->GetItem().GetString();
    values.clear();
    if (text.empty()) return 1;
    size_t from = 0;
    for (;;) {
        const size_t at = text.find('|', from);
        const std::string piece = text.substr(from, at == std::string::npos ? at : at - from);
        values.push_back(static_cast<DWORD>(std::strtoul(piece.c_str(), nullptr, 10)));
        if (at == std::string::npos) return 1;
        from = at + 1;
    }
}

void CFxPropStore::SetStringArray(const std::string& name, const std::vector<std::string>& items,
                                  char delim) {
    std::string data;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) data += delim;
        data += items[i];
    }
    SetInt("%SA:type:" + name, 1);
    SetInt("%SA:delm:" + name, static_cast<unsigned char>(delim));
    SetString("%SA:data:" + name, data);
}

void CFxPropStore::SetRectText(const std::string& key, const CRect& rect) {
    SetString(key, std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                       std::to_string(rect.right) + "," + std::to_string(rect.bottom));
}

BOOL CFxPropStore::RenameKey(std::string_view oldKey, std::string_view newKey) {
    size_t pos = FindPos(oldKey);
    if (pos == kNoEntry || FindPos(newKey) != kNoEntry) return FALSE;
    if (!m_index.empty()) UnindexPosition(pos, HashKey(oldKey));
    m_entries[pos].SetKey(std::string(newKey));
    if (m_bOrdered) {
        // The entry moves to its place in the order; those it passes shift
        // by one, in the table too.
        const auto first = m_entries.begin();
        const auto at = first + static_cast<std::ptrdiff_t>(pos);
        const auto before = std::lower_bound(first, at, newKey, KeyLess);
        const auto after = std::lower_bound(at + 1, m_entries.end(), newKey, KeyLess);
        if (before != at) {
            std::rotate(before, at, at + 1);
            ShiftPositions(static_cast<size_t>(before - first), pos, +1);
            pos = static_cast<size_t>(before - first);
        } else if (after != at + 1) {
            std::rotate(at, at + 1, after);
            ShiftPositions(pos + 1, static_cast<size_t>(after - first), -1);
            pos = static_cast<size_t>(after - first) - 1;
        }
    }
    if (!m_index.empty()) IndexPosition(pos, HashKey(newKey));
    return TRUE;
}

void CFxPropStore::UnindexPosition(size_t pos, uint32_t hash) {
    const size_t mask = m_index.size() - 1;
    size_t hole = hash & mask;
    while (static_cast<uint32_t>(m_index[hole]) != pos + 1) hole = (hole + 1) & mask;
    m_index[hole] = 0;
    // Slots behind the hole that could not sit in their home slot move up
    // into it, so that no search stops early at the hole.
    for (size_t next = (hole + 1) & mask; m_index[next] != 0; next = (next + 1) & mask) {
        const size_t home = static_cast<uint32_t>(m_index[next] >> 32) & mask;
        const bool homeBetween =
            hole <= next ? hole < home && home <= next : hole < home || home <= next;
        if (homeBetween) continue;
        m_index[hole] = m_index[next];
        m_index[next] = 0;
        hole = next;
    }
}

void CFxPropStore::ShiftPositions(size_t first, size_t last, int delta) {
    for (uint64_t& slot : m_index) {
        const size_t pos = static_cast<uint32_t>(slot);
        if (pos == 0 || pos - 1 < first || pos - 1 >= last) continue;
        slot = Slot(pos - 1 + static_cast<size_t>(static_cast<std::ptrdiff_t>(delta)),
                    static_cast<uint32_t>(slot >> 32));
    }
}

void CFxPropStore::RemoveAll() {
    m_entries.clear();
    if (m_entries.capacity() > 4 * kOrderedInsertLimit) m_entries.shrink_to_fit();
    m_index.clear();
    m_index.shrink_to_fit();
    m_bOrdered = true;
}

void CFxPropStore::MergeFrom(const CFxPropStore& other, const CFxKeySet* include,
                             const CFxKeySet* exclude) {
    if (&other == this) {
        // Merging a store into itself changes nothing.
        return;
    }
    if (m_entries.empty() && include == nullptr && exclude == nullptr) {
        m_entries = other.m_entries;
        m_index = other.m_index;
        m_bOrdered = other.m_bOrdered;
        return;
    }
    // A fresh copy replaces a present entry, kind included.
    other.ForEachInKeyOrder([&](const CFxPropEntry& entry) {
        const std::string& key = entry.GetKey();
        if (include != nullptr && include->count(key) == 0) return;
        if (exclude != nullptr && exclude->count(key) != 0) return;
        SetEntry(key, entry.GetItem().GetValueType()) = entry;
    });
}

void CFxPropStore::CopyFrom(const CFxPropStore& other, const CFxKeySet* include,
                            const CFxKeySet* exclude) {
    if (&other == this) {
        // Copying from itself must not lose the entries to the RemoveAll.
        const CFxPropStore copy(other);
        CopyFrom(copy, include, exclude);
        return;
    }
    RemoveAll();
    MergeFrom(other, include, exclude);
}
