#include "foundation/fxpropstore.h"

#include <cstdlib>
#include <iterator>
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

}  // namespace

int GetKeyStyle() { return g_nKeyStyle; }
void SetKeyStyle(int style) { g_nKeyStyle = style; }

CFxPropStore::CFxPropStore() = default;

CFxPropStore::CFxPropStore(const CFxPropStore& other) { MergeFrom(other); }

CFxPropStore& CFxPropStore::operator=(const CFxPropStore& other) {
    CopyFrom(other);
    return *this;
}

CFxPropStore::~CFxPropStore() = default;

BOOL CFxPropStore::LookupString(const std::string& key, std::string& out, char delim) const {
    for (const std::string& alt : Alternatives(key, delim)) {
        const CFxPropEntry* entry = FindEntry(alt);
        if (entry == nullptr) continue;
        const CFxPropItem& item = entry->GetItem();
        if (item.GetValueType() == CFxPropItem::VT_STRING) {
            out = item.GetString();
            return TRUE;
        }
        if (item.GetValueType() == CFxPropItem::VT_INT) {
            out = std::to_string(item.GetInt());
            return TRUE;
        }
    }
    out.clear();
    return FALSE;
}

std::string CFxPropStore::GetString(const std::string& key, char delim) const {
    std::string text;
    LookupString(key, text, delim);
    return text;
}

BOOL CFxPropStore::LookupInt(const std::string& key, int& out, char delim) const {
    for (const std::string& alt : Alternatives(key, delim)) {
        const CFxPropEntry* entry = FindEntry(alt);
        if (entry == nullptr) continue;
        const CFxPropItem& item = entry->GetItem();
        if (item.GetValueType() == CFxPropItem::VT_INT) {
            out = item.GetInt();
            return TRUE;
        }
        if (item.GetValueType() == CFxPropItem::VT_STRING) {
            out = AtoiText(item.GetString());
            return TRUE;
        }
    }
    return FALSE;
}

int CFxPropStore::GetInt(const std::string& key, int defaultValue, char delim) const {
    int value = defaultValue;
    return LookupInt(key, value, delim) ? value : defaultValue;
}

BOOL CFxPropStore::LookupRevolver(const std::string& key, CRevolver& out, char delim) const {
    for (const std::string& alt : Alternatives(key, delim)) {
        const CFxPropEntry* entry = FindEntry(alt);
        if (entry != nullptr && entry->GetItem().GetValueType() == CFxPropItem::VT_REVOLVER)
            return out.Assign(entry->GetItem().GetRevolver());
    }
    return FALSE;
}

int CFxPropStore::GetValueType(const std::string& key) const {
    const CFxPropEntry* entry = FindEntry(key);
    return entry ? entry->GetItem().GetValueType() : CFxPropItem::VT_NONE;
}

BOOL CFxPropStore::HasKey(const std::string& key) const { return FindEntry(key) != nullptr; }

CFxPropEntry* CFxPropStore::FindEntry(const std::string& key) {
    auto it = m_mapEntries.find(key);
    return it == m_mapEntries.end() ? nullptr : it->second.get();
}

const CFxPropEntry* CFxPropStore::FindEntry(const std::string& key) const {
    auto it = m_mapEntries.find(key);
    return it == m_mapEntries.end() ? nullptr : it->second.get();
}

void CFxPropStore::GetKeys(std::vector<std::string>& keys) const {
    keys.clear();
    keys.reserve(m_mapEntries.size());
    for (const auto& [key, entry] : m_mapEntries) keys.push_back(key);
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
    for (const auto& [key, entry] : m_mapEntries) {
        std::string value;
        const int type = entry->GetItem().GetValueType();
        if (type == CFxPropItem::VT_STRING)
            value = entry->GetItem().GetString();
        else if (type == CFxPropItem::VT_INT)
            value = std::to_string(entry->GetItem().GetInt());
        else
            continue;
        if (!first) text += ',';
        first = false;
        text += key;
        text += '=';
        text += value;
    }
    return text;
}

CFxPropEntry& CFxPropStore::SetEntry(const std::string& key, int valueType) {
    auto at = m_mapEntries.lower_bound(key);
    if (at != m_mapEntries.end() && at->first == key) return *at->second;
    return *m_mapEntries.emplace_hint(at, key, std::make_unique<CFxPropEntry>(key, valueType))
                ->second;
}

CFxPropEntry* CFxPropStore::WritableEntry(const std::string& key, int valueType) {
    if (m_bWriteOnce && HasKey(key)) return nullptr;
    return &SetEntry(key, valueType);
}

void CFxPropStore::SetString(const std::string& key, const std::string& text) {
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

BOOL CFxPropStore::RenameKey(const std::string& oldKey, const std::string& newKey) {
    auto it = m_mapEntries.find(oldKey);
    if (it == m_mapEntries.end() || m_mapEntries.count(newKey) != 0) return FALSE;
    auto node = m_mapEntries.extract(it);
    node.key() = newKey;
    node.mapped()->SetKey(newKey);
    m_mapEntries.insert(std::move(node));
    return TRUE;
}

void CFxPropStore::RemoveAll() { m_mapEntries.clear(); }

void CFxPropStore::MergeFrom(const CFxPropStore& other, const CFxKeySet* include,
                             const CFxKeySet* exclude) {
    if (&other == this) {
        // Merging a store into itself changes nothing.
        return;
    }
    for (const auto& [key, entry] : other.m_mapEntries) {
        if (include != nullptr && include->count(key) == 0) continue;
        if (exclude != nullptr && exclude->count(key) != 0) continue;
        // A fresh copy replaces a present entry. The other's keys come in
        // ascending order, so into an empty store (a copy) each goes behind
        // the last without a search.
        auto at = m_mapEntries.end();
        if (!m_mapEntries.empty() && !(std::prev(at)->first < key)) {
            at = m_mapEntries.lower_bound(key);
            if (at != m_mapEntries.end() && at->first == key) at = m_mapEntries.erase(at);
        }
        m_mapEntries.emplace_hint(at, key, std::make_unique<CFxPropEntry>(*entry));
    }
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
