#pragma once

// The key/value property store: text keys (unique, case-sensitive) mapped to
// typed values, with typed getters and setters. Every record the system keeps
// is one of these; CFxRevPropStore turns a store into bytes and back.

#include <map>
#include <memory>
#include <set>
#include <string>
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
    CFxPropEntry* FindEntry(const std::string& key);
    const CFxPropEntry* FindEntry(const std::string& key) const;
    // Every key, in the store's iteration order.
    void GetKeys(std::vector<std::string>& keys) const;
    int GetCount() const { return static_cast<int>(m_mapEntries.size()); }

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
    BOOL RenameKey(const std::string& oldKey, const std::string& newKey);
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
    // Looked up by any text view of a key, so that readers need no key
    // copies.
    using EntryMap = std::map<std::string, std::unique_ptr<CFxPropEntry>, std::less<>>;

    // The entry of the key, created with the given kind when it is new.
    CFxPropEntry& SetEntry(const std::string& key, int valueType);
    // The entry a setter may write: null when the write-once flag keeps the
    // existing key's value.
    CFxPropEntry* WritableEntry(const std::string& key, int valueType);
    const EntryMap& GetEntries() const { return m_mapEntries; }

    EntryMap m_mapEntries;
    BOOL m_bWriteOnce = FALSE;
};

// The process-wide key style under which records are written and read:
// KEYSTYLE_LONG (the starting value) or KEYSTYLE_SHORT. The value is stored
// as given; readers test it for KEYSTYLE_SHORT.
enum { KEYSTYLE_LONG = 0, KEYSTYLE_SHORT = 1 };
int GetKeyStyle();
void SetKeyStyle(int style);
