#pragma once

// The key/value property store: text keys (unique, case-sensitive) mapped to
// typed values, with typed getters and setters. Every record the system keeps
// is one of these; CFxRevPropStore turns a store into bytes and back.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/revolver.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

// One typed value. An item keeps a slot for each kind; its value type is
// fixed when its key is first created, and a setter of another kind later
// only fills that kind's slot, so the getters keep answering with the first
// kind.
class CFxPropItem {
public:
    enum ValueType {
        VT_NONE = 0,
        VT_STRING = 1,    // text (CP949 bytes)
        VT_REVOLVER = 2,  // byte block; a nested record travels as one
        VT_INT = 3,       // signed 32-bit integer
    };

    CFxPropItem() = default;
    explicit CFxPropItem(int valueType) : m_nType(valueType) {}

    int GetValueType() const { return m_nType; }
    void SetValueType(int valueType) { m_nType = valueType; }

    const std::string& GetString() const { return m_strValue; }
    void SetString(std::string text) { m_strValue = std::move(text); }
    int GetInt() const { return m_nValue; }
    void SetInt(int value) { m_nValue = value; }
    const CRevolver& GetRevolver() const { return m_revValue; }
    CRevolver& GetRevolver() { return m_revValue; }
    void SetRevolver(const CRevolver& buffer) { m_revValue.Assign(buffer); }

private:
    int m_nType = VT_NONE;
    std::string m_strValue;
    CRevolver m_revValue;
    int m_nValue = 0;
};

// One key of a store with its value; owned by the store.
class CFxPropEntry {
public:
    CFxPropEntry(std::string key, int valueType) : m_strKey(std::move(key)), m_item(valueType) {}
    CFxPropEntry(const CFxPropEntry& other) = default;  // deep copy
    CFxPropEntry& operator=(const CFxPropEntry& other) = default;
    CFxPropEntry(CFxPropEntry&& other) noexcept = default;
    CFxPropEntry& operator=(CFxPropEntry&& other) noexcept = default;

    const std::string& GetKey() const { return m_strKey; }
    void SetKey(std::string key) { m_strKey = std::move(key); }
    CFxPropItem& GetItem() { return m_item; }
    const CFxPropItem& GetItem() const { return m_item; }

    // Writes this one item (header, key, value) as the whole new content of
    // the buffer. FALSE on an empty key.
    BOOL ToRevolver(CRevolver& buffer) const;
    // Bytes the item takes in the byte format.
    int GetRevolverSize() const;

private:
    std::string m_strKey;
    CFxPropItem m_item;
};

using CFxKeySet = std::set<std::string>;

class CFxPropStore {
public:
    CFxPropStore();
    CFxPropStore(const CFxPropStore& other);
    CFxPropStore& operator=(const CFxPropStore& other);
    virtual ~CFxPropStore();

    // Getters. With a non-zero delimiter the key text is split at it into
    // alternatives (empty pieces kept) that are tried in order; the first
    // alternative found answers.

    // Text entry: its text; integer entry: its decimal text. Else "" and FALSE.
    BOOL LookupString(const std::string& key, std::string& out, char delim = 0) const;
    std::string GetString(const std::string& key, char delim = 0) const;
    // Integer entry: its value; text entry: its leading decimal number (0 when
    // none). Else FALSE and `out` untouched.
    BOOL LookupInt(const std::string& key, int& out, char delim = 0) const;
    int GetInt(const std::string& key, int defaultValue, char delim = 0) const;
    // Byte-block entry only: `out` becomes a copy of its content.
    BOOL LookupRevolver(const std::string& key, CRevolver& out, char delim = 0) const;

    // CFxPropItem::VT_*; 0 (VT_NONE) when the key is missing.
    int GetValueType(const std::string& key) const;
    BOOL HasKey(const std::string& key) const;
    // The key's entry, or null. The pointer holds until the store next
    // changes (entries live side by side and move when one is added).
    CFxPropEntry* FindEntry(std::string_view key);
    const CFxPropEntry* FindEntry(std::string_view key) const;
    // The key's byte block where the store keeps it; null when the key is
    // missing or holds no byte block. Holds as FindEntry's pointer does.
    const CRevolver* FindRevolver(std::string_view key) const;
    // Every key, in ascending byte order.
    void GetKeys(std::vector<std::string>& keys) const;
    int GetCount() const { return static_cast<int>(m_entries.size()); }

    // A text array travels as three items: "%SA:type:"+name, "%SA:delm:"+name
    // (the delimiter's character code) and "%SA:data:"+name (the items joined
    // by the delimiter). Reading stops after the first `most` items.
    BOOL GetStringArray(const std::string& name, std::vector<std::string>& items,
                        size_t most = static_cast<size_t>(-1)) const;
    // An integer array travels as two items: "%DA:type:"+name (the integer
    // 1) and "%DA:data:"+name (the values in decimal joined by "|", empty for
    // an empty array). 0 unless both are there, the data as text; the type's
    // value is not checked.
    int GetDWordArray(const std::string& name, std::vector<DWORD>& values) const;
    // The text "left,top,right,bottom" of the key as a rectangle (missing
    // pieces 0).
    CRect GetRectText(const std::string& key) const;
    // "key=value" for every text and integer entry, joined by ",".
    std::string GetText() const;

    // Setters. A new key gets an entry of the setter's kind; an existing key
    // keeps its value type (see CFxPropItem).
    void SetString(const std::string& key, const std::string& text);
    void SetSzString(const std::string& key, const char* text);
    void SetInt(const std::string& key, int value);
    void SetIntFromText(const std::string& key, const std::string& text);
    void SetRevolver(const std::string& key, const CRevolver& buffer);
    void SetStringArray(const std::string& name, const std::vector<std::string>& items, char delim);
    void SetRectText(const std::string& key, const CRect& rect);
    void PutDWordArray(const std::string& name, const std::vector<DWORD>& values);

    // While the write-once flag is set (it is clear in a new store), the
    // setters add new keys but leave the value of an existing key alone.
    void SetWriteOnce(BOOL writeOnce) { m_bWriteOnce = writeOnce; }
    BOOL IsWriteOnce() const { return m_bWriteOnce; }

    // Moves the entry of `oldKey` to `newKey`. FALSE (nothing changed) when
    // oldKey is missing or newKey exists.
    BOOL RenameKey(std::string_view oldKey, std::string_view newKey);
    void RemoveAll();
    // Deep-copies every entry of `other` into this store, replacing entries of
    // the same key; with `include` only its keys, with `exclude` none of its
    // keys.
    void MergeFrom(const CFxPropStore& other, const CFxKeySet* include = nullptr,
                   const CFxKeySet* exclude = nullptr);
    // RemoveAll, then MergeFrom.
    void CopyFrom(const CFxPropStore& other, const CFxKeySet* include = nullptr,
                  const CFxKeySet* exclude = nullptr);

protected:
    // The entry of the key, created with the given kind when it is new.
    CFxPropEntry& SetEntry(std::string_view key, int valueType);
    // The entry a setter may write: null when the write-once flag keeps the
    // existing key's value.
    CFxPropEntry* WritableEntry(std::string_view key, int valueType);
    // Position of the key's entry in m_entries, or kNoEntry.
    static constexpr size_t kNoEntry = static_cast<size_t>(-1);
    size_t FindPos(std::string_view key) const;
    // Whether the address lies inside the entries' own storage (a value of
    // this store, which moves when an entry is added).
    bool HoldsAddress(const void* address) const;
    // Calls `visit` with every entry in ascending byte order of the keys.
    template <typename Visit>
    void ForEachInKeyOrder(Visit&& visit) const {
        if (m_bOrdered) {
            for (const CFxPropEntry& entry : m_entries) visit(entry);
            return;
        }
        for (const CFxPropEntry* entry : SortedEntries()) visit(*entry);
    }
    // The entries sorted by key, for a store that is not in order.
    std::vector<const CFxPropEntry*> SortedEntries() const;

    // The entries side by side. While m_bOrdered they ascend by key: a small
    // store takes a key that comes out of order in its place; a larger one
    // takes it at the end and is no longer in order. A store decoded from
    // bytes or copied from an ordered one stays in order. Keys are found by
    // binary search in a small ordered store, else through m_index, an
    // open-addressed table of entry positions + 1 (0: free) with their keys'
    // hashes, at most half full.
    std::vector<CFxPropEntry> m_entries;
    std::vector<uint64_t> m_index;
    bool m_bOrdered = true;
    BOOL m_bWriteOnce = FALSE;

private:
    // Appends a new entry (the key known to be absent) and files it.
    CFxPropEntry& AppendEntry(std::string key, int valueType);
    void RebuildIndex();
    void IndexPosition(size_t pos, uint32_t hash);
    // Takes the entry at `pos` out of the table.
    void UnindexPosition(size_t pos, uint32_t hash);
    // Moves the table's positions in [first, last) by `delta`.
    void ShiftPositions(size_t first, size_t last, int delta);
};

// The process-wide key style under which records are written and read:
// KEYSTYLE_LONG (the starting value) or KEYSTYLE_SHORT. The value is stored
// as given; readers test it for KEYSTYLE_SHORT.
enum { KEYSTYLE_LONG = 0, KEYSTYLE_SHORT = 1 };
int GetKeyStyle();
void SetKeyStyle(int style);
