#include "design/model/dsgwobjkeysets.h"

#include "design/model/dsgrecordkeys.h"
#include "foundation/fxstrings.h"

namespace {

const char kTextKeys[] =
    "UTP.lscript|UTP.krnfindex|UTP.alnfindex|UTP.bstate|UTP.is_underlined|UTP.is_inversed";

}  // namespace

CDsgWOKindKeySet::CDsgWOKindKeySet() : m_keySets(nKindCount) {}

const CFxKeySet* CDsgWOKindKeySet::GetWOKindKeySet(int kind) const {
    if (kind < 0 || kind >= nKindCount) return nullptr;
    return &m_keySets[static_cast<size_t>(kind)];
}

BOOL CDsgWOKindKeySet::IsKeyOfAnyWOKind(const std::set<int>& kinds, const std::string& key) const {
    for (int kind : kinds) {
        const CFxKeySet* keys = GetWOKindKeySet(kind);
        if (keys && keys->count(key)) return TRUE;
    }
    return FALSE;
}

void CDsgWOKindKeySet::SetKindKeys(std::initializer_list<int> kinds, const std::string& keyList) {
    std::vector<std::string> keys;
    SplitString(keyList, keys, '|', TRUE);
    for (int kind : kinds) m_keySets[static_cast<size_t>(kind)].insert(keys.begin(), keys.end());
}

CDsgUTPKeySet::CDsgUTPKeySet() {
    SetKindKeys({2, 3, 6}, "UTP.dtsize|UTP.dtspace|UTP.cswitch");
    SetKindKeys({4}, kTextKeys);
    SetKindKeys({5, 7}, "UTP.cswitch");
    SetKindKeys({8}, "UTP.obwbmp|UTP.keep_xyratio");
    SetKindKeys({10}, std::string("UTP.wonstyle|") + kTextKeys);
    SetKindKeys({11}, "UTP.dirncachar");
    SetKindKeys({12},
                "UTP.ptcontent|UTP.ptface|UTP.ptsize|UTP.ptthickness|UTP.pttransparent|"
                "UTP.ptunderlined|UTP.ptantialias|UTP.ptbkcolor|UTP.ptwordbreak|UTP.pthcenter|"
                "UTP.ptstruckout|UTP.ptitalic");
}

CDsgRGCKKeySet::CDsgRGCKKeySet() {
    SetKindKeys({2, 3, 6}, "RGCK.color|RGCK.linestyle|RGCK.dotsize");
    SetKindKeys({4, 10}, "RGCK.style|RGCK.fontkind");
    SetKindKeys({5, 7}, "RGCK.color");
}

const CDsgUTPKeySet& GetUTPKeySet() {
    static const CDsgUTPKeySet table;
    return table;
}

const CDsgRGCKKeySet& GetRGCKKeySet() {
    static const CDsgRGCKKeySet table;
    return table;
}
