#include "design/model/dsgeactions.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "design/model/dsgeactionkeys.h"
#include "design/model/dsgwochoice.h"
#include "foundation/fxrevpropstore.h"
#include "foundation/fxutils.h"
#include "platform/uiservices.h"

namespace {

// What every form record says about the versions that may read it.
constexpr int kErqVersion = 235;  // reads everything without omission
constexpr int kFrqVersion = 235;  // reads without mixing up data
constexpr int kGrqVersion = 215;  // may read the form at all
constexpr int kMinVersion = 100;  // the same for writers of 119 and below
// Writers up to this version carried only "min_ver".
constexpr int kLastMinVerWriter = 119;

const char kFileType[] = "gle";

std::string ActionKey(int index) {
    return (GetKeyStyle() == KEYSTYLE_SHORT ? "a" : "EAS.ea") + std::to_string(index);
}

}  // namespace

int GetDsgVersionCode() {
    // The design library is built with the rest of the product and carries
    // its version.
    static const int code = GetProductVersionCode();
    return code;
}

CDsgEActions::CDsgEActions(BOOL notify)
    : m_bNotify(notify), m_replay(std::make_unique<CDsgWObjsReplay>()) {}

CDsgEActions::~CDsgEActions() = default;

BOOL CDsgEActions::EAAdd(std::unique_ptr<CDsgEAction> action) {
    if (!action || m_nSPIndex < 0) return FALSE;
    const int type = action->GetEAType();
    const bool lscriptAmend =
        type == nDSG_EATYPE__WOAMEND && action->m_strWOATPKey == "UTP.lscript";
    if (m_bNotify && type != nDSG_EATYPE__WOCREATE && !lscriptAmend) OnEAAdded(*action);
    m_replay->InvalidateFrom(m_nCurrent + 1);
    m_actions.resize(static_cast<size_t>(m_nCurrent + 1));
    m_actions.push_back(std::move(action));
    m_nCurrent = GetEACount() - 1;
    return TRUE;
}

void CDsgEActions::UndoEAction() {
    if (m_actions.empty() || m_nCurrent < 0) return;
    --m_nCurrent;
    while (m_nCurrent >= 0 && m_actions[static_cast<size_t>(m_nCurrent)]->GetEASwift())
        --m_nCurrent;
}

void CDsgEActions::RedoEAction() {
    while (m_nCurrent < GetEACount() - 1) {
        ++m_nCurrent;
        if (!m_actions[static_cast<size_t>(m_nCurrent)]->GetEASwift()) break;
    }
}

BOOL CDsgEActions::IsUndoable() const { return !m_actions.empty() && m_nCurrent >= 0; }

BOOL CDsgEActions::IsRedoable() const {
    return !m_actions.empty() && m_nCurrent < GetEACount() - 1;
}

void CDsgEActions::ResetEActions() {
    m_replay->InvalidateFrom(0);
    m_actions.clear();
    m_nCurrent = -1;
    m_nWOIdCounter = 0;
    m_nKLeaderCounter = 0;
    if (CDsgWOChoice* choice = GetEActionsChoice()) choice->ResetWOChoice();
}

void CDsgEActions::TakeEActions(CDsgEActions& other) {
    if (&other == this) return;
    ResetEActions();
    m_actions = std::move(other.m_actions);
    m_nCurrent = other.m_nCurrent;
    m_nWOIdCounter = other.m_nWOIdCounter;
    m_nKLeaderCounter = other.m_nKLeaderCounter;
    other.ResetEActions();
}

const CDsgEAction* CDsgEActions::GetEAction(int index) const {
    if (index < 0 || index >= GetEACount()) return nullptr;
    return m_actions[static_cast<size_t>(index)].get();
}

CDsgEAction* CDsgEActions::GetEAction(int index) {
    return const_cast<CDsgEAction*>(std::as_const(*this).GetEAction(index));
}

void CDsgEActions::SetEASwiftAt(int index, int swift) {
    if (CDsgEAction* action = GetEAction(index)) action->SetEASwift(swift);
}

void CDsgEActions::NoteEActionChanged(int index) { m_replay->InvalidateFrom(index); }

BOOL CDsgEActions::DeleteLastEAction() {
    if (m_actions.empty()) return FALSE;
    const bool wasCurrent = m_nCurrent == GetEACount() - 1;
    m_replay->InvalidateFrom(GetEACount() - 1);
    m_actions.pop_back();
    if (wasCurrent) m_nCurrent = GetEACount() - 1;
    return TRUE;
}

BOOL CDsgEActions::DeleteLastEActionIfLScriptWOAmend() {
    if (m_actions.empty()) return FALSE;
    const CDsgEAction& last = *m_actions.back();
    if (last.GetEAType() != nDSG_EATYPE__WOAMEND || last.m_strWOATPKey != "UTP.lscript")
        return FALSE;
    return DeleteLastEAction();
}

void CDsgEActions::GetWOMenuWOIds(std::vector<int>& ids, std::vector<int>& nodes,
                                  std::vector<int>& orders) const {
    for (int i = 0; i < GetEACount(); ++i) {
        const CDsgEAction& action = *m_actions[static_cast<size_t>(i)];
        if (action.GetEAType() != nDSG_EATYPE__WOCREATE) continue;
        const CDsgTProps& tprops = action.m_tprops;
        if (tprops.GetWOKind() != nDSG_WOKIND__WOMENU) continue;
        ids.push_back(tprops.GetWOId());
        nodes.push_back(i);
        const CDsgUTProps& ut = tprops;
        orders.push_back(ut.GetInt("UTP.wonorder", 0));
    }
}

BOOL CDsgEActions::WONOExchange(int menuId, int otherMenuId, BOOL refresh) {
    std::vector<int> ids, nodes, orders;
    GetWOMenuWOIds(ids, nodes, orders);
    int first = -1, second = -1;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == menuId && first < 0) first = nodes[i];
        if (ids[i] == otherMenuId && second < 0) second = nodes[i];
    }
    // Each creation is swapped together with the geometry action after it;
    // both pairs must be there, must not overlap, and the action after each
    // creation must be its own menu's, or another object's action would be
    // carried off with it.
    auto pairedAt = [this](int node, int id) {
        return node >= 0 && node + 1 < GetEACount() &&
               m_actions[static_cast<size_t>(node + 1)]->GetWOId() == id;
    };
    const bool paired = pairedAt(first, menuId) && pairedAt(second, otherMenuId);
    if (first > second) std::swap(first, second);
    if (!paired || menuId == otherMenuId || second - first < 2) {
        MessageBox("Cannot exchange menu indexes", "Error");
        return FALSE;
    }
    m_replay->InvalidateFrom(first);
    std::swap(m_actions[static_cast<size_t>(first)], m_actions[static_cast<size_t>(second)]);
    std::swap(m_actions[static_cast<size_t>(first + 1)],
              m_actions[static_cast<size_t>(second + 1)]);
    if (refresh) OnWONOExchanged();
    return TRUE;
}

BOOL CDsgEActions::EActionsToRevolver(CRevolver& buffer, BOOL withIndex, bool* whole) const {
    if (whole) *whole = true;
    CFxRevPropStore store;
    store.SetInt("EAS.eacount", GetEACount());
    store.SetInt("EAS.wocount", m_nWOIdCounter);
    store.SetInt("EAS.nextkleader", m_nKLeaderCounter);
    store.SetInt("EAS.wrversion", GetDsgVersionCode());
    store.SetInt("EAS.erqversion", kErqVersion);
    store.SetInt("EAS.frqversion", kFrqVersion);
    store.SetInt("EAS.grqversion", kGrqVersion);
    store.SetInt("min_ver", kMinVersion);
    store.SetString("EAS.internal_file_type", kFileType);
    store.SetString("reserved_87362", "18932");
    if (withIndex) store.SetInt("EAS.eaaindex", m_nCurrent < 0 ? GetEACount() : m_nCurrent);
    RecordKeysToStyle(store, kEASKeys, GetKeyStyle());
    CRevolver item;
    for (int i = 0; i < GetEACount(); ++i) {
        // An action whose record cannot be made is stored empty, so that the
        // reader drops that one action instead of taking another's bytes.
        if (!m_actions[static_cast<size_t>(i)]->EActionToRevolver(item)) {
            item.Free();
            if (whole) *whole = false;
        }
        store.SetRevolver(ActionKey(i), item);
    }
    return store.ToRevolver(buffer);
}

BOOL CDsgEActions::EActionsFromRevolver(const CRevolver& buffer, int& level) {
    level = nDSG_EAVERSION__NONE;
    CFxRevPropStore store;
    if (!store.FromRevolver(buffer)) {
        ResetEActions();
        return FALSE;
    }
    const bool isShort = GetKeyStyle() == KEYSTYLE_SHORT;
    RecordKeysFromStyle(store, kEASKeys, GetKeyStyle());
    if (store.GetString("EAS.internal_file_type") != kFileType) return FALSE;

    int writer = 0;
    if (!store.LookupInt("EAS.wrversion", writer)) return FALSE;
    int verdict = nDSG_EAVERSION__OK;
    if (writer > kLastMinVerWriter) {
        int erq = 0, frq = 0, grq = 0;
        if (!store.LookupInt("EAS.erqversion", erq) || !store.LookupInt("EAS.frqversion", frq) ||
            !store.LookupInt("EAS.grqversion", grq))
            return FALSE;
        const int running = GetDsgVersionCode();
        if (running < grq) {
            level = nDSG_EAVERSION__REFUSED;
            return FALSE;
        }
        verdict = running < frq   ? nDSG_EAVERSION__MIXED
                  : running < erq ? nDSG_EAVERSION__OMIT
                                  : nDSG_EAVERSION__OK;
    } else if (!store.HasKey("min_ver")) {
        return FALSE;
    }
    level = verdict;

    ResetEActions();
    const int count = store.GetInt("EAS.eacount", 0);
    if (count == 0) return TRUE;
    int woIdCounter = -1, kleaderCounter = -1;
    if (count < 0 || !store.LookupInt("EAS.wocount", woIdCounter) || woIdCounter < 0 ||
        !store.LookupInt("EAS.nextkleader", kleaderCounter) || kleaderCounter < 0)
        return FALSE;
    const int savedIndex = store.GetInt("EAS.eaaindex", -1);

    // The actions are gathered aside, so that a record that fails halfway
    // leaves the list empty rather than half filled.
    ActionList actions;
    int skipped = 0;
    CRevolver item;
    for (int i = 0; i < count; ++i) {
        const std::string key = ActionKey(i);
        if (!store.LookupRevolver(
                isShort && !store.HasKey(key) ? "EAS.ea" + std::to_string(i) : key, item))
            return FALSE;
        auto action =
            std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__TOREAD, CDsgUTProps::NoDefaults());
        if (action->EActionFromRevolver(item, writer))
            actions.push_back(std::move(action));
        else if (i <= savedIndex)
            ++skipped;
    }
    m_replay->InvalidateFrom(0);
    m_actions = std::move(actions);
    m_nWOIdCounter = woIdCounter;
    m_nKLeaderCounter = kleaderCounter;
    if (savedIndex == -1) {
        m_nCurrent = GetEACount() - 1;
    } else {
        const int index = savedIndex - skipped;
        m_nCurrent = index >= 0 && index < GetEACount() ? index : -1;
    }
    return TRUE;
}

BOOL CDsgEActions::EActionsToFile(std::FILE* file, BOOL withIndex) const {
    CRevolver buffer;
    if (!EActionsToRevolver(buffer, withIndex)) return FALSE;
    return buffer.ToFile(file, FALSE);
}

BOOL CDsgEActions::EActionsToFile(const std::string& path, BOOL withIndex) const {
    CRevolver buffer;
    if (!EActionsToRevolver(buffer, withIndex)) return FALSE;
    return buffer.ToFile(path);
}

BOOL CDsgEActions::EActionsFromFile(std::FILE* file, int& level) {
    level = nDSG_EAVERSION__NONE;
    CRevolver buffer;
    if (!buffer.FromFile(file, 0, -1)) return FALSE;
    return EActionsFromRevolver(buffer, level);
}

BOOL CDsgEActions::EActionsFromFile(const std::string& path, int& level) {
    level = nDSG_EAVERSION__NONE;
    CRevolver buffer;
    if (!buffer.FromFile(path)) return FALSE;
    return EActionsFromRevolver(buffer, level);
}

std::string CDsgEActions::GetEAVersionMessage(int level, std::string& caption) {
    switch (level) {
        case nDSG_EAVERSION__REFUSED:
            caption = "Load error";
            return "Loading canceled for version problem. Please upgrade Dravik.";
        case nDSG_EAVERSION__MIXED:
            caption = "Unsuitable Program Version";
            return "Dravik version is old. Data may appear mixed-up. Please upgrade your Dravik.";
        case nDSG_EAVERSION__OMIT:
            caption = "Unsuitable Program Version";
            return "Dravik version is old. Some elements could be omitted. Please upgrade your "
                   "Dravik.";
        default:
            caption.clear();
            return std::string();
    }
}

std::string CDsgEActions::GetEActionsExp(BOOL withRects) const {
    std::string text;
    for (int i = 0; i < GetEACount(); ++i) {
        const CDsgEAction& action = *m_actions[static_cast<size_t>(i)];
        const int type = action.GetEAType();
        std::string line = GetEATypeName(type);
        if (type == nDSG_EATYPE__WOAMEND) {
            std::string value;
            switch (action.m_nWOATPVType) {
                case nDSG_WOATYPE__STRING:
                    value = action.m_strWOATPValue;
                    break;
                case nDSG_WOATYPE__BIT:
                    value = "bit" + std::to_string(action.m_nBitNum) + "=" +
                            std::to_string(action.m_nBitOn);
                    break;
                default:
                    value = std::to_string(action.m_revWOATPValue.GetLength()) + " bytes";
                    break;
            }
            line += "[" + action.m_strWOATPKey + "<-" + value + "]";
        } else if (type == nDSG_EATYPE__WOCREATE) {
            line += "[" + GetWOKindName(action.m_tprops.GetWOKind()) + "]";
        } else if (type >= nDSG_EATYPE__MCADD && type <= nDSG_EATYPE__JDETACH) {
            line += " " + action.GetKLicExp(type);
        } else if (action.IsEActionWOSingle()) {
            line += " " + std::to_string(action.GetWOId()) + " ";
            if (withRects) {
                const CRect r = action.m_tprops.GetLMHugeRect();
                line += std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                        std::to_string(r.right) + "," + std::to_string(r.bottom);
            }
        } else {
            std::string ids;
            for (int id : action.m_setWOIds) {
                if (!ids.empty()) ids += '/';
                ids += std::to_string(id);
            }
            line += " " + ids;
        }
        if (action.GetEASwift()) line += "<SW>";
        if (i == m_nCurrent) line += " *";
        if (i) text += "\r\n";
        text += line;
    }
    return text;
}
