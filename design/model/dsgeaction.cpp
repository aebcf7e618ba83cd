#include "design/model/dsgeaction.h"

#include "design/model/dsgeactionkeys.h"
#include "design/model/dsgwobjkeysets.h"
#include "design/model/dsgwochoice.h"
#include "foundation/fxrevpropstore.h"
#include "foundation/fxsharedvalues.h"
#include "platform/textcodec.h"

namespace {

// The ids joined by '|', and back (empty and malformed pieces skipped).
std::string JoinIds(const CDsgWOIdSet& ids) {
    std::string text;
    for (int id : ids) {
        if (!text.empty()) text += '|';
        text += std::to_string(id);
    }
    return text;
}

CDsgWOIdSet SplitIds(const std::string& text) {
    const std::vector<int> ids = SplitDecimalIds(text, '|');
    return CDsgWOIdSet(ids.begin(), ids.end());
}

}  // namespace

std::string GetEATypeName(int eatype) {
    static const char* const names[] = {
        "undefined",
        "WOCreate",
        "WODelete",
        "WOCERDRMove",
        "DRMove",
        "EDRMove",
        "WOAmend",
        "UZAlter",
        "DZAlter",
        "WOCreate_WOMultily",
        "WODelete_WOMultily",
        "PRMove_WOMultily",
        "WOMDRMove",
        "WOMEDRMove",
        "WOAmend_WOMultily",
        "mcadd",
        "jattach",
        "jdetach",
    };
    if (eatype < 1 || eatype > nDSG_EATYPE__JDETACH) return "undefined";
    return names[eatype];
}

// ---------------------------------------------------------------------------
// CDsgWOAmending

void CDsgWOAmending::SetStringAmending(const std::string& key, const std::string& value) {
    m_strWOATPKey = key;
    m_nWOATPVType = nDSG_WOATYPE__STRING;
    m_strWOATPValue = value;
}

void CDsgWOAmending::SetBitAmending(const std::string& key, int bitNum, BOOL bitOn) {
    m_strWOATPKey = key;
    m_nWOATPVType = nDSG_WOATYPE__BIT;
    m_nBitNum = bitNum;
    m_nBitOn = bitOn;
}

void CDsgWOAmending::SetRevolverAmending(const std::string& key, const CRevolver& value) {
    m_strWOATPKey = key;
    m_nWOATPVType = nDSG_WOATYPE__REVOLVER;
    m_revWOATPValue.Assign(value);
}

void CDsgWOAmending::SetRegion(const CRect& region) {
    m_nWOARegion = 1;
    m_rcWOARegion = region;
}

void CDsgWOAmending::CopyWOAmending(const CDsgWOAmending& other) {
    m_strWOATPKey = other.m_strWOATPKey;
    m_nWOATPVType = other.m_nWOATPVType;
    m_strWOATPValue = other.m_strWOATPValue;
    m_nBitNum = other.m_nBitNum;
    m_nBitOn = other.m_nBitOn;
    m_revWOATPValue.Assign(other.m_revWOATPValue);
    m_nWOARegion = other.m_nWOARegion;
    m_rcWOARegion = other.m_rcWOARegion;
}

BOOL CDsgWOAmending::WOAmendTProps(CDsgTProps& tprops) const {
    CDsgUTProps& ut = tprops;
    switch (m_nWOATPVType) {
        case nDSG_WOATYPE__STRING:
            ut.SetString(m_strWOATPKey, m_strWOATPValue);
            break;
        case nDSG_WOATYPE__BIT: {
            int value = 0;
            ut.LookupInt(m_strWOATPKey, value);
            // The bit number counts modulo 32; a negative one as well.
            const unsigned bit = static_cast<unsigned>(((m_nBitNum % 32) + 32) % 32);
            unsigned bits = static_cast<unsigned>(value);
            if (m_nBitOn)
                bits |= 1u << bit;
            else
                bits &= ~(1u << bit);
            ut.SetString(m_strWOATPKey, std::to_string(static_cast<int>(bits)));
            break;
        }
        case nDSG_WOATYPE__REVOLVER:
            ut.SetRevolver(m_strWOATPKey, m_revWOATPValue);
            break;
        default:
            return FALSE;
    }
    if (m_nWOARegion) {
        tprops.SetLMHugeRect(m_rcWOARegion);
    }
    return TRUE;
}

BOOL CDsgWOAmending::WOAmendingToRevolver(CRevolver& buffer) const {
    CFxRevPropStore store;
    store.SetString("WOA.woatpkey", m_strWOATPKey);
    store.SetInt("WOA.woatpvtype", m_nWOATPVType);
    switch (m_nWOATPVType) {
        case nDSG_WOATYPE__STRING:
            store.SetString("WOA.woatpvalue.str", m_strWOATPValue);
            break;
        case nDSG_WOATYPE__BIT:
            store.SetInt("WOA.bitnum", m_nBitNum);
            store.SetInt("WOA.biton", m_nBitOn);
            break;
        case nDSG_WOATYPE__REVOLVER:
            store.SetRevolver("WOA.woatpvalue.rev", m_revWOATPValue);
            break;
        default:
            return FALSE;
    }
    if (m_nWOARegion) {
        store.SetInt("WOA.woaregion", 1);
        store.SetInt("WOA.woaleft", m_rcWOARegion.left);
        store.SetInt("WOA.woatop", m_rcWOARegion.top);
        store.SetInt("WOA.woaright", m_rcWOARegion.right);
        store.SetInt("WOA.woabottom", m_rcWOARegion.bottom);
    }
    RecordKeysToStyle(store, kWOAKeys, GetKeyStyle());
    return store.ToRevolver(buffer);
}

BOOL CDsgWOAmending::WOAmendingFromRevolver(const CRevolver& buffer) {
    static const std::string reason = "CDsgWOAmending::WOAmendingFromRevolver Fail Reason ";
    CFxRevPropStore store;
    CDsgWOAmending read;
    if (!store.FromRevolver(buffer)) {
        LogWrite(reason + "1.0");
        return FALSE;
    }
    RecordKeysFromStyle(store, kWOAKeys, GetKeyStyle());
    if (!store.LookupInt("WOA.woatpvtype", read.m_nWOATPVType) || read.m_nWOATPVType == 0) {
        LogWrite(reason + "1.0");
        return FALSE;
    }
    if (!store.LookupString("WOA.woatpkey", read.m_strWOATPKey)) {
        LogWrite(reason + "2.0");
        return FALSE;
    }
    if (store.GetInt("WOA.woaregion", 0) == 1) {
        read.m_nWOARegion = 1;
        CRect& r = read.m_rcWOARegion;
        if (!store.LookupInt("WOA.woaleft", r.left) || !store.LookupInt("WOA.woatop", r.top) ||
            !store.LookupInt("WOA.woaright", r.right) ||
            !store.LookupInt("WOA.woabottom", r.bottom)) {
            LogWrite(reason + "3.0");
            return FALSE;
        }
    }
    switch (read.m_nWOATPVType) {
        case nDSG_WOATYPE__STRING:
            if (!store.LookupString("WOA.woatpvalue.str", read.m_strWOATPValue)) {
                LogWrite(reason + "4.0");
                return FALSE;
            }
            break;
        case nDSG_WOATYPE__BIT:
            if (!store.LookupInt("WOA.bitnum", read.m_nBitNum) ||
                !store.LookupInt("WOA.biton", read.m_nBitOn)) {
                LogWrite(reason + "5.0");
                return FALSE;
            }
            break;
        default:
            // A byte-block value; an unknown value type cannot be applied.
            if (read.m_nWOATPVType != nDSG_WOATYPE__REVOLVER ||
                !store.LookupRevolver("WOA.woatpvalue.rev", read.m_revWOATPValue)) {
                LogWrite(reason + "6.0");
                return FALSE;
            }
            break;
    }
    CopyWOAmending(read);
    return TRUE;
}

// ---------------------------------------------------------------------------
// CDsgEAction

CDsgEAction::CDsgEAction(int womeatype) : CDsgWOMEAction(womeatype) {}

CDsgEAction::CDsgEAction(int womeatype, CDsgUTProps::NoDefaults none)
    : CDsgWOMEAction(womeatype), CDsgWOSEAction(none) {}

CDsgEAction::~CDsgEAction() = default;

BOOL CDsgEAction::InitWOCreation(int& woIdCounter, int wokind, const CRect& rect,
                                 const CDsgUTProps& attributes, BOOL joined) {
    m_tprops.SetNTProps(woIdCounter, wokind, rect);
    if (!GetUTPKeySet().GetWOKindKeySet(wokind)) return FALSE;
    m_tprops.CopyWOKindUTProps(attributes, wokind);
    m_nEASwift = joined;
    m_nEAType = nDSG_EATYPE__WOCREATE;
    woIdCounter = NextDsgCounter(woIdCounter);
    return TRUE;
}

namespace {

void SetIdAndRect(CDsgTProps& tprops, int id, const CRect& rect) {
    tprops.SetWOId(id);
    tprops.SetLMHugeRect(rect);
}

void SetId(CDsgTProps& tprops, int id) { tprops.SetWOId(id); }

}  // namespace

void CDsgEAction::InitWOCERDRMoving(int id, const CRect& rect) {
    SetIdAndRect(m_tprops, id, rect);
    m_nEAType = nDSG_EATYPE__WOCERDRMOVE;
}

void CDsgEAction::InitDRMoving(int id, const CRect& rect) {
    SetIdAndRect(m_tprops, id, rect);
    m_nEAType = nDSG_EATYPE__DRMOVE;
}

void CDsgEAction::InitEDRMoving(const CRect& rect, int id) {
    SetIdAndRect(m_tprops, id, rect);
    m_nEAType = nDSG_EATYPE__EDRMOVE;
}

void CDsgEAction::InitPRMoving(const CRect& rect, int id, int grip, CPoint point) {
    InitDRMoving(id, GetGripDraggedRect(rect, grip, point, FALSE));
}

void CDsgEAction::InitWODeletion(int id) {
    SetIdAndRect(m_tprops, id, CRect(-1, -1, -1, -1));
    m_nEAType = nDSG_EATYPE__WODELETE;
}

void CDsgEAction::InitWOAmending(int id, BOOL joined, const CDsgWOAmending& amending) {
    SetId(m_tprops, id);
    CopyWOAmending(amending);
    m_nEASwift = joined;
    m_nEAType = nDSG_EATYPE__WOAMEND;
}

void CDsgEAction::InitUZAlter(int id) {
    SetId(m_tprops, id);
    m_nEAType = nDSG_EATYPE__UZALTER;
}

void CDsgEAction::InitDZAlter(int id) {
    SetId(m_tprops, id);
    m_nEAType = nDSG_EATYPE__DZALTER;
}

void CDsgEAction::InitWOMCreation(const CDsgWObjs& objects, int& woIdCounter) {
    CopyWObjsFrom(objects, TRUE, woIdCounter);
    m_nEAType = nDSG_EATYPE__WOCREATE_WOMULTILY;
}

void CDsgEAction::InitWOMDeletion(const CDsgWOIdSet& ids) {
    m_setWOIds = ids;
    m_nEAType = nDSG_EATYPE__WODELETE_WOMULTILY;
}

void CDsgEAction::InitWOMPRMoving(const CDsgWOIdSet& ids, int grip, CPoint point) {
    m_setWOIds = ids;
    m_nGrip = grip;
    m_ptPivot = point;
    m_nEAType = nDSG_EATYPE__PRMOVE_WOMULTILY;
}

void CDsgEAction::InitWOMDRMove(const CDsgWOIdSet& ids, const CRect& rect) {
    m_setWOIds = ids;
    m_rcRegion = rect;
    m_nEAType = nDSG_EATYPE__WOMDRMOVE;
}

void CDsgEAction::InitWOMEDRMoving(const CDsgWOIdSet& ids, CPoint offset) {
    m_setWOIds = ids;
    m_ptOffset = offset;
    m_nEAType = nDSG_EATYPE__WOMEDRMOVE;
}

void CDsgEAction::InitWOMAmending(const CDsgWOIdSet& ids, BOOL joined,
                                  const CDsgWOAmending& amending) {
    m_setWOIds = ids;
    CopyWOAmending(amending);
    m_nEASwift = joined;
    m_nEAType = nDSG_EATYPE__WOAMEND_WOMULTILY;
}

void CDsgEAction::InitKLMCAdd(int leader, BOOL joined) {
    SetKLeader(leader);
    m_nEASwift = joined;
    m_nEAType = nDSG_EATYPE__MCADD;
}

void CDsgEAction::InitKLJAttach(int leader, int id, int corner, BOOL joined) {
    SetKLicEAction(leader, id, corner);
    SetId(m_tprops, id);
    m_nEASwift = joined;
    m_nEAType = nDSG_EATYPE__JATTACH;
}

void CDsgEAction::InitKLJDetach(int leader, int id, int corner, BOOL joined) {
    InitKLJAttach(leader, id, corner, joined);
    m_nEAType = nDSG_EATYPE__JDETACH;
}

BOOL CDsgEAction::IsEActionWOSingle() const {
    return m_nEAType < nDSG_EATYPE__WOCREATE_WOMULTILY ||
           m_nEAType > nDSG_EATYPE__WOAMEND_WOMULTILY;
}

int CDsgEAction::GetWOId() const { return m_tprops.GetWOId(); }

BOOL CDsgEAction::EActionToRevolver(CRevolver& buffer) const {
    CFxRevPropStore store;
    store.SetInt("EA.eatype", m_nEAType);
    store.SetInt("EA.easwift", m_nEASwift);
    CRevolver inner;
    if (IsEActionWOSingle()) {
        if (!WOSEActionToRevolver(inner)) return FALSE;
        store.SetRevolver("EA.woseaction", inner);
    } else {
        if (!WOMEActionToRevolver(inner)) return FALSE;
        store.SetRevolver("EA.womeaction", inner);
        store.SetInt("EA.womeatype", m_nWOMEAType);
    }
    RecordKeysToStyle(store, kEAKeys, GetKeyStyle());
    return store.ToRevolver(buffer);
}

BOOL CDsgEAction::EActionFromRevolver(const CRevolver& buffer, int writerVersion) {
    CFxRevPropStore store;
    if (!store.FromRevolver(buffer)) return FALSE;
    RecordKeysFromStyle(store, kEAKeys, GetKeyStyle());
    m_nEASwift = store.GetInt("EA.easwift", 0);
    m_nEAType = store.GetInt("EA.eatype", 0);
    CRevolver inner;
    if (IsEActionWOSingle()) {
        if (!store.LookupRevolver("EA.woseaction", inner)) {
            // Link-group creations of early versions carried nothing else.
            m_tprops.ResetUTProps();
            return m_nEAType == nDSG_EATYPE__MCADD && writerVersion <= 101;
        }
        return WOSEActionFromRevolver(inner);
    }
    m_tprops.ResetUTProps();
    if (!store.LookupRevolver("EA.womeaction", inner) || !WOMEActionFromRevolver(inner))
        return FALSE;
    store.LookupInt("EA.womeatype", m_nWOMEAType);
    return TRUE;
}

BOOL CDsgEAction::WOSEActionToRevolver(CRevolver& buffer) const {
    CFxRevPropStore store;
    CRevolver inner;
    if (!m_tprops.TPropsToRevolver(inner, GetKeyStyle())) return FALSE;
    store.SetRevolver("WOSEA.tprops", inner);
    if (m_nEAType == nDSG_EATYPE__WOAMEND) {
        if (!WOAmendingToRevolver(inner)) return FALSE;
        store.SetRevolver("WOSEA.woamending", inner);
    } else if (m_nEAType == nDSG_EATYPE__MCADD) {
        store.SetInt("WOSEA.kleader", m_nKLeader);
    } else if (m_nEAType == nDSG_EATYPE__JATTACH || m_nEAType == nDSG_EATYPE__JDETACH) {
        store.SetInt("WOSEA.kleader", m_nKLeader);
        store.SetInt("WOSEA.woid", m_tprops.GetWOId());
        store.SetInt("WOSEA.wocorner", m_nKLCorner);
    }
    RecordKeysToStyle(store, kWOSEAKeys, GetKeyStyle());
    return store.ToRevolver(buffer);
}

BOOL CDsgEAction::WOSEActionFromRevolver(const CRevolver& buffer) {
    static const std::string reason = "WOSEActionFromRevolver Fail Reason ";
    CFxRevPropStore store;
    CRevolver inner;
    if (!store.FromRevolver(buffer)) {
        LogWrite(reason + "1.0");
        return FALSE;
    }
    RecordKeysFromStyle(store, kWOSEAKeys, GetKeyStyle());
    if (!store.LookupRevolver("WOSEA.tprops", inner)) {
        LogWrite(reason + "1.0");
        return FALSE;
    }
    if (!m_tprops.TPropsFromRevolver(inner, GetKeyStyle())) {
        LogWrite(reason + "2.0");
        return FALSE;
    }
    if (m_nEAType == nDSG_EATYPE__WOAMEND) {
        if (!store.LookupRevolver("WOSEA.woamending", inner)) {
            LogWrite(reason + "3.0");
            return FALSE;
        }
        if (!WOAmendingFromRevolver(inner)) {
            LogWrite(reason + "4.0");
            return FALSE;
        }
    } else if (m_nEAType == nDSG_EATYPE__MCADD) {
        store.LookupInt("WOSEA.kleader", m_nKLeader);
    } else if (m_nEAType == nDSG_EATYPE__JATTACH || m_nEAType == nDSG_EATYPE__JDETACH) {
        store.LookupInt("WOSEA.kleader", m_nKLeader);
        store.LookupInt("WOSEA.woid", m_nKLWOId);
        store.LookupInt("WOSEA.wocorner", m_nKLCorner);
    }
    return TRUE;
}

BOOL CDsgEAction::WOMEActionToRevolver(CRevolver& buffer) const {
    CFxRevPropStore store;
    CRevolver inner;
    if (m_nEAType == nDSG_EATYPE__WOAMEND_WOMULTILY) {
        if (!WOAmendingToRevolver(inner)) return FALSE;
        store.SetRevolver("WOMEA.woamending", inner);
    }
    store.SetInt("WOMEA.womeatype", m_nWOMEAType);
    if (m_nWOMEAType == nDSG_WOMEATYPE__MGEOM) {
        store.SetInt("WOMEA.womvtpspot", m_nGrip);
        store.SetInt("WOMEA.wompvtpoint.x", m_ptPivot.x);
        store.SetInt("WOMEA.wompvtpoint.y", m_ptPivot.y);
        store.SetInt("WOMEA.womeaoffset.x", m_ptOffset.x);
        store.SetInt("WOMEA.womeaoffset.y", m_ptOffset.y);
        store.SetRectText("WOMEA.womregion", m_rcRegion);
    }
    if (m_nWOMEAType == nDSG_WOMEATYPE__MCREATE) {
        if (!WObjsToRevolver(inner)) return FALSE;
        store.SetRevolver("WOMEA.wobjs", inner);
    }
    if (m_nEAType == nDSG_EATYPE__WOAMEND_WOMULTILY || m_nWOMEAType == nDSG_WOMEATYPE__MGEOM)
        store.SetString("WOMEA.womeawoids", JoinIds(m_setWOIds));
    RecordKeysToStyle(store, kWOMEAKeys, GetKeyStyle());
    return store.ToRevolver(buffer);
}

BOOL CDsgEAction::WOMEActionFromRevolver(const CRevolver& buffer) {
    CFxRevPropStore store;
    CRevolver inner;
    if (!store.FromRevolver(buffer)) {
        LogWrite("WOMEActionFromRevolver Fail Reason 1.0");
        return FALSE;
    }
    RecordKeysFromStyle(store, kWOMEAKeys, GetKeyStyle());
    store.LookupInt("WOMEA.womeatype", m_nWOMEAType);
    if (m_nEAType == nDSG_EATYPE__WOAMEND_WOMULTILY) {
        if (!store.LookupRevolver("WOMEA.woamending", inner)) {
            LogWrite("WOMEActionFromRevolver Fail Reason 3.0 " +
                     A("v2.10보다 낮은 버전일 거다. v2.00까지도 문제 있음"));
            return FALSE;
        }
        if (!WOAmendingFromRevolver(inner)) {
            LogWrite("WOMEActionFromRevolver Fail Reason 4.0");
            return FALSE;
        }
    }
    if (m_nWOMEAType == nDSG_WOMEATYPE__MGEOM) {
        m_nGrip = store.GetInt("WOMEA.womvtpspot", 0);
        m_ptPivot.x = store.GetInt("WOMEA.wompvtpoint.x", 0);
        m_ptPivot.y = store.GetInt("WOMEA.wompvtpoint.y", 0);
        m_ptOffset.x = store.GetInt("WOMEA.womeaoffset.x", 0);
        m_ptOffset.y = store.GetInt("WOMEA.womeaoffset.y", 0);
        m_rcRegion = store.GetRectText("WOMEA.womregion");
    }
    if (m_nWOMEAType == nDSG_WOMEATYPE__MCREATE) {
        if (!store.LookupRevolver("WOMEA.wobjs", inner)) {
            LogWrite("CDsgWOMEAction::WOMEActionFromRevolver return FALSE 1.0");
            return FALSE;
        }
        if (!WObjsFromRevolver(inner)) {
            LogWrite("CDsgWOMEAction::WOMEActionFromRevolver return FALSE 2.0");
            return FALSE;
        }
    }
    if (m_nEAType == nDSG_EATYPE__WOAMEND_WOMULTILY || m_nWOMEAType == nDSG_WOMEATYPE__MGEOM)
        m_setWOIds = SplitIds(store.GetString("WOMEA.womeawoids"));
    return TRUE;
}
