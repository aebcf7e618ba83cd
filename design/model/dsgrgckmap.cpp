#include "design/model/dsgrgckmap.h"

#include "design/model/dsgrecordkeys.h"

CDsgRGCKMap::CDsgRGCKMap() {
    // Entries separated by '&', the running-state key before '=', its
    // attribute keys separated by '/'.
    const std::string table =
        std::string("RGCK.style=UTP.bstate/UTP.is_inversed/UTP.is_underlined") +
        "&RGCK.color=UTP.cswitch" + "&RGCK.dotsize=UTP.dtsize" + "&RGCK.linestyle=UTP.dtspace" +
        "&RGCK.fontkind=UTP.krnfindex/UTP.alnfindex";
    for (const std::string& entry : SplitKeyList(table, '&')) {
        const size_t eq = entry.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        const std::vector<std::string> keys = SplitKeyList(entry.substr(eq + 1), '/');
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
