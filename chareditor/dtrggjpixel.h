#pragma once

// The definable-character set of a project: the characters in insertion
// order, owned by the set, and the code of the character currently chosen for
// new definable-character objects (-1 for none). Codes are unique by
// convention only; lookups by code take the first character in set order.
//
// The set's record: "GGJP.gjpcount" (integer), "GGJP.gjpixel"+i (the encoded
// record of the i-th character, i in decimal from 0), "GGJP.eirncachar"
// (integer) and "GGJP.bpp" (always 1, never read). The record has long keys
// only, whatever key style the rest of the program uses. A set file holds
// exactly the record's bytes.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "chareditor/dottrel_export.h"
#include "chareditor/dtrgjpixel.h"
#include "foundation/revolver.h"

class QListWidget;

class DOTTREL_API CDtrGGJPixel {
public:
    CDtrGGJPixel();
    CDtrGGJPixel(const CDtrGGJPixel&) = delete;
    CDtrGGJPixel& operator=(const CDtrGGJPixel&) = delete;
    // Deletes every character of the set.
    virtual ~CDtrGGJPixel();

    // Delete every character and empty the set; the current code stays.
    void RemoveAll();
    void GGJPClear();

    int GetGJPCount() const { return static_cast<int>(m_characters.size()); }
    // The character at a set position, or null outside the set.
    CDtrGJPixel* GetGJPixelAt(int index) const;
    // Appends a character at the end of the set, which then owns it.
    CDtrGJPixel* AddGJPixel(std::unique_ptr<CDtrGJPixel> character);

    // Empties the list, then appends one item per character in set order.
    void GGJPixelToListCtrl(QListWidget& list);
    // The lowest code from 0xDB30 to 0xDBFF not in use; 0 when none is left.
    int GetFVacantNCCode() const;
    // Removes the first character with the code from the set (later ones move
    // up), deleting it when `deleteIt` is non-zero; otherwise the caller, who
    // holds the pointer, takes it over. No such character: nothing happens.
    void DeleteByNCCode(int code, int deleteIt);
    // Removes that very character from the set and deletes it; a pointer
    // that is not in the set changes nothing.
    void DeleteGJPixel(const CDtrGJPixel* character);
    // The set position of a character, -1 when it is not in the set (a list
    // item may outlive its character when the set was replaced).
    int GetGJPixelIndex(const CDtrGJPixel* character) const;
    // The first character with the code, or null.
    CDtrGJPixel* GetGJPixelByNCCode(int code) const;
    // The codes in use.
    void GetNCCodeMap(std::set<int>& codes) const;

    int GGJPixelToRevolver(CRevolver& buffer) const;
    // Reads a set's record and appends its characters to the set (it is not
    // emptied first) and takes its current code. A record that cannot be read
    // whole gives 0 and changes nothing: neither characters nor current code.
    int GGJPixelFromRevolver(const CRevolver& buffer);
    // Writes the record as the whole file, creating missing folders.
    int GGJPixelToFile(const std::string& path) const;
    // Reads the whole file, then GGJPixelFromRevolver; 0 when the file cannot
    // be read.
    int GGJPixelFromFile(const std::string& path);

    // The current character code; -1 means none.
    int eirncachar = -1;

protected:
    std::vector<std::unique_ptr<CDtrGJPixel>> m_characters;
};
