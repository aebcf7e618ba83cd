#pragma once

// A property store that encodes itself into bytes and decodes itself from
// them. The bytes of a store are a bare sequence of items, no header, count or
// terminator. One item: a header byte, the key (a length byte 1..255, then the
// key bytes), extension bytes when the header's top bit is set, then the value.
//
// Header bits: 0x80 extension bytes follow the key; 0x40 the key is a 2-byte
// key number (never written, always rejected); 0x20 a value without length
// field (low bits 3: 4-byte integer; 0 and 1: no value; 2: invalid); 0x08 the
// value is text, else a byte block; 0x04 the value length is 4 bytes, else 1.
// Numbers are little-endian.

#include <string>

#include "foundation/fxpropstore.h"
#include "foundation/revolver.h"

class CFxRevPropStore : public CFxPropStore {
public:
    enum : BYTE {
        HDR_EXTENSION = 0x80,
        HDR_KEYNUMBER = 0x40,
        HDR_NOLENGTH = 0x20,
        HDR_TEXT = 0x08,
        HDR_LONGLENGTH = 0x04,
        HDR_INT = HDR_NOLENGTH | 0x03,
    };

    CFxRevPropStore();
    CFxRevPropStore(const CFxRevPropStore& other);
    CFxRevPropStore& operator=(const CFxRevPropStore& other);
    ~CFxRevPropStore() override;

    // Bytes of the encoded store; -1 when any key is empty (or the record
    // would pass 2 GB).
    int GetEncodedSize() const;
    // Replaces the buffer's content by the encoded store. FALSE, buffer
    // untouched, when a key is empty.
    BOOL ToRevolver(CRevolver& buffer) const;
    // The same with filters applied to every item before it is written: only
    // keys of `include` (when given), none of `exclude`, and with
    // `skipBinary` no byte block unless its key is in `binaryExceptions`.
    // With `sorted` the items go in ascending byte order of their keys (the
    // store's own order already is). FALSE, buffer untouched, when a key of a
    // written item is empty; keys left out do not matter.
    BOOL ToRevolver(CRevolver& buffer, const CFxKeySet* include, BOOL sorted,
                    const CFxKeySet* exclude, BOOL skipBinary,
                    const CFxKeySet* binaryExceptions) const;
    // Decodes the buffer's content into the store; without `keep` the store
    // is emptied first, with it decoded items are set over present entries.
    // A record that ends early keeps the items before the cut; FALSE on a
    // malformed item, keeping the items before it.
    BOOL FromRevolver(const CRevolver& buffer, BOOL keep = FALSE);
    BOOL ToFile(const std::string& path) const;
    BOOL FromFile(const std::string& path, BOOL keep = FALSE);
};
