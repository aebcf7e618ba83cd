#include "design/model/dsgrgckmap.h"

#include "design/model/dsgrecordkeys.h"
#include "foundation/fxstrings.h"

CDsgRGCKMap::CDsgRGCKMap() {
    // Entries separated by '&', the running-state key before '=', its
    // attribute keys separated by '/'.
    const std::string table =
        std::string("RGCK.style=UTP.bstate/UTP.is_inversed/UTP.is_underlined") +
        "&RGCK.color=UTP.cswitch" + "&RGCK.dotsize=UTP.dtsize" + "&RGCK.linestyle=UTP.dtspace" +
        "&RGCK.fontkind=UTP.krnfindex/UTP.alnfindex";
    std::vector<std::string> entries, keys;
    SplitString(table, entries, '&', TRUE);
    for (const std::string& entry : entries) {
        const size_t eq = entry.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        SplitString(entry.substr(eq + 1), keys, '/', TRUE);
        m_map[entry.substr(0, eq)].insert(keys.begin(), keys.end());
    }
}

const CFxKeySet* CDsgRGCKMap::GetUTPKeys(const std::string& rgckKey) const {
    auto it = m_map.find(rgckKey);
    return it == m_map.end() ? nullptr : &it->second;
}

const CDsgRGCKMap& GetRGCKMap() {
    static const CDsgRGCKMap table;
    return table;
}
