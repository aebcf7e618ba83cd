#pragma once

// Helpers shared by the tests of the character and the character set.

#include <memory>
#include <set>
#include <string>
#include <utility>

#include "chareditor/dtrgjpixel.h"
#include "foundation/fxrevpropstore.h"
#include "foundation/tests/storetesting.h"

using Cell = std::pair<int, int>;  // column, row
inline constexpr int kBlank = CDtrGJPixel::GJP_BLANK;

inline CDtrGJPixel Character(const std::set<Cell>& ink, int code = 0xDB30) {
    CDtrGJPixel character;
    character.GJPClear();
    character.nccode = code;
    for (auto [x, y] : ink) character.SetJPixel(x + 16 * y, 0);
    return character;
}

// A character on the heap whose only ink is the cell of a linear index.
inline std::unique_ptr<CDtrGJPixel> Dot(int code, int inkIndex = 0) {
    auto character = std::make_unique<CDtrGJPixel>(Character({}, code));
    character->SetJPixel(inkIndex, 0);
    return character;
}

inline std::set<Cell> InkOf(const CDtrGJPixel& character) {
    std::set<Cell> ink;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (character.GetJPixel(x, y) == 0) ink.insert({x, y});
    return ink;
}

inline std::set<Cell> AllCells() {
    std::set<Cell> all;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) all.insert({x, y});
    return all;
}

inline std::string Zeros(size_t n) { return std::string(n, '\0'); }

inline std::string IntBytes(int v) {
    return Bytes({v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, (v >> 24) & 0xFF});
}

inline CRevolver Encoded(const CFxRevPropStore& store) {
    CRevolver bytes;
    store.ToRevolver(bytes);
    return bytes;
}

// An item's header as the byte format writes it: the value type, the key's
// length and the key.
inline std::string ItemHead(int type, const std::string& key) {
    return Bytes({type, static_cast<int>(key.size())}) + key;
}

// A character's record written by hand from the format tables: the pattern
// item, then the code item (the store's key order).
inline std::string CharacterRecordBytes(const std::string& fruit, int code) {
    return ItemHead(0x00, "GJP.gjpfruit") + Bytes({0x20}) + fruit + ItemHead(0x23, "GJP.nccode") +
           IntBytes(code);
}
