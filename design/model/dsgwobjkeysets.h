#pragma once

// Per-kind key sets: the attribute keys each object kind carries, and the
// BASIC running-state keys each kind affects. Both tables are built once per
// process, for kinds 0 to 49.

#include <set>
#include <string>
#include <vector>

#include "foundation/fxpropstore.h"

class CDsgWOKindKeySet {
public:
    // Kinds below this number have a (possibly empty) key set.
    static constexpr int nKindCount = 50;

    // The keys of one kind; none (nullptr) for a kind outside 0 to 49.
    const CFxKeySet* GetWOKindKeySet(int kind) const;
    // TRUE when the key belongs to the set of any of the kinds.
    BOOL IsKeyOfAnyWOKind(const std::set<int>& kinds, const std::string& key) const;

protected:
    CDsgWOKindKeySet();
    // Gives each of the kinds the keys of a list separated by '|'.
    void SetKindKeys(std::initializer_list<int> kinds, const std::string& keyList);

private:
    std::vector<CFxKeySet> m_keySets;
};

// The attribute (UTP.) keys of each kind.
class CDsgUTPKeySet : public CDsgWOKindKeySet {
public:
    CDsgUTPKeySet();
};

// The running-state (RGCK.) keys each kind affects.
class CDsgRGCKKeySet : public CDsgWOKindKeySet {
public:
    CDsgRGCKKeySet();
};

// The tables of the process.
const CDsgUTPKeySet& GetUTPKeySet();
const CDsgRGCKKeySet& GetRGCKKeySet();
