#pragma once

// Which attribute keys decide each BASIC running-state key of the code
// generator (RGCK.style is decided by UTP.bstate, UTP.is_inversed and
// UTP.is_underlined, ...).

#include <map>
#include <string>

#include "foundation/fxpropstore.h"

class CDsgRGCKMap {
public:
    CDsgRGCKMap();

    // The attribute keys of a running-state key; none (nullptr) when unknown.
    const CFxKeySet* GetUTPKeys(const std::string& rgckKey) const;

private:
    std::map<std::string, CFxKeySet> m_map;
};

// The table of the process.
const CDsgRGCKMap& GetRGCKMap();
