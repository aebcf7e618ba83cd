#include "design/model/dsgwobjs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <set>
#include <vector>

#include "design/model/dsgeaction.h"
#include "design/model/dsgeactionkeys.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsggoption.h"
#include "design/model/dsgwochoice.h"
#include "foundation/fxrevpropstore.h"
#include "foundation/fxsharedvalues.h"

namespace {

constexpr int kMenuOrderCount = 100;
// Below this width or height (2 dots) a stretch target is ignored.
constexpr int kMinStretchSize = 20000;

CDsgNTProps& NTOf(CDsgWObj& obj) { return static_cast<CDsgNTProps&>(obj); }
const CDsgNTProps& NTOf(const CDsgWObj& obj) { return static_cast<const CDsgNTProps&>(obj); }
CDsgUTProps& UTOf(CDsgWObj& obj) { return static_cast<CDsgUTProps&>(obj); }

CRect RectOf(const CDsgWObj& obj) { return NTOf(obj).GetLMHugeRect(); }
void SetRectOf(CDsgWObj& obj, const CRect& rect) { NTOf(obj).SetLMHugeRect(rect); }

// The order number of a menu object; -1 for other kinds and for a menu
// without one or with one outside 0..99.
int WONOrderOf(const CDsgWObj& obj) {
    if (obj.GetWOKind() != nDSG_WOKIND__WOMENU) return -1;
    int order = -1;
    if (!static_cast<const CDsgUTProps&>(obj).LookupInt("UTP.wonorder", order)) return -1;
    return order >= 0 && order < kMenuOrderCount ? order : -1;
}

CRect Normalized(CRect rect) {
    rect.NormalizeRect();
    return rect;
}

std::int64_t SpanOf(LONG from, LONG to) { return std::int64_t{to} - from; }

// Maps one edge from the span [from0, from1] onto [to0, to1]; a span without
// length sends every edge to the target's start.
LONG MapEdge(LONG edge, LONG from0, LONG from1, LONG to0, LONG to1) {
    if (from1 == from0) return to0;
    const double mapped = static_cast<double>(SpanOf(to0, to1)) *
                          static_cast<double>(SpanOf(from0, edge)) /
                          static_cast<double>(SpanOf(from0, from1));
    return ClampToLong(static_cast<std::int64_t>(std::trunc(mapped)) + to0);
}

std::string HexDump(const CRevolver& buffer) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 0; i < buffer.GetLength(); ++i) {
        BYTE b = 0;
        buffer.ReadAt(&b, 1, i);
        if (i) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

}  // namespace

int NextDsgCounter(int counter) {
    return counter >= std::numeric_limits<int>::max() ? 1 : counter + 1;
}

std::vector<int> SplitDecimalIds(const std::string& text, char separator) {
    std::vector<int> ids;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(separator, pos);
        if (end == std::string::npos) end = text.size();
        const std::string piece = text.substr(pos, end - pos);
        pos = end + 1;
        if (piece.empty()) continue;
        char* stop = nullptr;
        const long value = std::strtol(piece.c_str(), &stop, 10);
        if (*stop || value < std::numeric_limits<int>::min() ||
            value > std::numeric_limits<int>::max())
            continue;
        ids.push_back(static_cast<int>(value));
    }
    return ids;
}

int EPUSFTypeToBpp(int epusfType) {
    switch (epusfType) {
        case 0:
            return 4;
        case 1:
            return 8;
        default:
            return -1;
    }
}

COLORREF CPCIndexToNegativeColor(int cpcIndex) { return cpcIndex ? 0xFFFFFF : 0; }

// ---------------------------------------------------------------------------
// CDsgWOIdList

void CDsgWOIdList::Index(std::list<int>::iterator node) { m_index.emplace(*node, node); }

void CDsgWOIdList::AddTail(int id) { Index(m_ids.insert(m_ids.end(), id)); }

void CDsgWOIdList::InsertAfter(Node node, int id) {
    if (node == m_ids.cend()) {
        AddTail(id);
        return;
    }
    Index(m_ids.insert(std::next(node), id));
}

void CDsgWOIdList::InsertBefore(Node node, int id) { Index(m_ids.insert(node, id)); }

BOOL CDsgWOIdList::Remove(int id) {
    auto it = m_index.find(id);
    if (it == m_index.end()) return FALSE;
    m_ids.erase(it->second);
    m_index.erase(it);
    return TRUE;
}

void CDsgWOIdList::RemoveAll() {
    m_ids.clear();
    m_index.clear();
}

CDsgWOIdList::Node CDsgWOIdList::Find(int id) const {
    auto it = m_index.find(id);
    return it == m_index.end() ? m_ids.cend() : Node(it->second);
}

// ---------------------------------------------------------------------------
// CDsgWObjs

CDsgWObjs::CDsgWObjs() = default;

CDsgWObjs::~CDsgWObjs() = default;

void CDsgWObjs::RemoveAllWObjs() {
    std::fill(m_vecWONOrderUse.begin(), m_vecWONOrderUse.end(), 0);
    m_mapWObjs.clear();
    m_zorder.RemoveAll();
    RemoveAllKLGroups();
}

CDsgWObj* CDsgWObjs::GetWObjById(int id) const {
    auto it = m_mapWObjs.find(id);
    return it == m_mapWObjs.end() ? nullptr : it->second.get();
}

CRect CDsgWObjs::GetWObjRect(int id) const {
    const CDsgWObj* obj = GetWObjById(id);
    return obj ? RectOf(*obj) : CRect(-1, -1, -1, -1);
}

BOOL CDsgWObjs::SetWObjRect(int id, const CRect& rect) {
    CDsgWObj* obj = GetWObjById(id);
    if (!obj) return FALSE;
    NoteContentChanged();
    SetRectOf(*obj, rect);
    return TRUE;
}

BOOL CDsgWObjs::OffsetWObj(int id, int dx, int dy) {
    CDsgWObj* obj = GetWObjById(id);
    if (!obj) return FALSE;
    NoteContentChanged();
    const CRect old = RectOf(*obj);
    SetRectOf(*obj, CRect(ClampToLong(std::int64_t{old.left} + dx),
                          ClampToLong(std::int64_t{old.top} + dy),
                          ClampToLong(std::int64_t{old.right} + dx),
                          ClampToLong(std::int64_t{old.bottom} + dy)));
    return TRUE;
}

BOOL CDsgWObjs::RemoveWObj(int id) {
    auto it = m_mapWObjs.find(id);
    if (it == m_mapWObjs.end()) return FALSE;
    NoteContentChanged();
    NoteWONOrder(*it->second, -1);
    m_zorder.Remove(id);
    m_mapWObjs.erase(it);
    return TRUE;
}

void CDsgWObjs::NoteWONOrder(const CDsgWObj& obj, int delta) {
    if (m_vecWONOrderUse.empty()) return;
    const int order = WONOrderOf(obj);
    if (order >= 0) m_vecWONOrderUse[static_cast<size_t>(order)] += delta;
}

void CDsgWObjs::AddWObj(std::unique_ptr<CDsgWObj> obj, int id) {
    NoteContentChanged();
    auto old = m_mapWObjs.find(id);
    if (old != m_mapWObjs.end()) {
        NoteWONOrder(*old->second, -1);
        m_zorder.Remove(id);
    }
    NoteWONOrder(*obj, +1);
    m_mapWObjs[id] = std::move(obj);
    m_zorder.AddTail(id);
}

CRect CDsgWObjs::GetWObjsBoundRect(const CDsgWOIdSet& ids) const {
    CRect bound(-1, -1, -1, -1);
    const bool several = ids.size() > 1;
    bool first = true;
    for (int id : ids) {
        const CDsgWObj* obj = GetWObjById(id);
        if (!obj) continue;
        CRect rect = RectOf(*obj);
        if (several && NTOf(*obj).GetWOKind() == nDSG_WOKIND__WODNCHAR)
            rect = CRect(rect.left, rect.top, rect.left, rect.top);
        if (first) {
            bound = rect;
            first = false;
            continue;
        }
        CRect a = Normalized(bound), b = Normalized(rect);
        bound = CRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                      std::max(a.bottom, b.bottom));
    }
    if (several) bound.NormalizeRect();
    return bound;
}

int CDsgWObjs::GetFVacantWONOrder() const {
    if (!m_vecWONOrderUse.empty()) {
        for (int i = 0; i < kMenuOrderCount; ++i)
            if (m_vecWONOrderUse[static_cast<size_t>(i)] == 0) return i;
        return -1;
    }
    bool used[kMenuOrderCount] = {};
    for (const auto& [id, obj] : m_mapWObjs) {
        const int order = WONOrderOf(*obj);
        if (order >= 0) used[order] = true;
    }
    for (int i = 0; i < kMenuOrderCount; ++i)
        if (!used[i]) return i;
    return -1;
}

int CDsgWObjs::GetWOMenuCount() const {
    int count = 0;
    for (const auto& [id, obj] : m_mapWObjs)
        if (NTOf(*obj).GetWOKind() == nDSG_WOKIND__WOMENU) ++count;
    return count;
}

void CDsgWObjs::AssignWONOrder(CDsgWObj& obj) const {
    if (NTOf(obj).GetWOKind() != nDSG_WOKIND__WOMENU) return;
    int order = GetFVacantWONOrder();
    if (order < 0) order = kMenuOrderCount - 1;
    UTOf(obj).SetString("UTP.wonorder", std::to_string(order));
}

BOOL CDsgWObjs::WObjsFromEActions(const CDsgEActions& actions, BOOL fixChoice) {
    if (!actions.GetWObjsReplay().Replay(*this, actions, actions.GetCurrentEAIndex())) return FALSE;
    if (fixChoice) {
        if (CDsgWOChoice* choice = GetWObjsChoice()) choice->FixWOChoice();
    }
    return TRUE;
}

BOOL CDsgWObjs::ReplayWObjsFromStart(const CDsgEActions& actions, BOOL fixChoice) {
    RemoveAllWObjs();
    // The menu order numbers in use are kept up to date while the actions
    // are applied; only the replay changes objects meanwhile.
    m_vecWONOrderUse.assign(kMenuOrderCount, 0);
    BOOL applied = TRUE;
    for (int i = 0; applied && i <= actions.GetCurrentEAIndex(); ++i)
        applied = ApplyEAction(*actions.GetEAction(i));
    m_vecWONOrderUse.clear();
    if (!applied) return FALSE;
    if (fixChoice) {
        if (CDsgWOChoice* choice = GetWObjsChoice()) choice->FixWOChoice();
    }
    return TRUE;
}

void CDsgWObjs::CountWONOrders() {
    m_vecWONOrderUse.assign(kMenuOrderCount, 0);
    for (const auto& [id, obj] : m_mapWObjs) NoteWONOrder(*obj, +1);
}

// ---------------------------------------------------------------------------
// CDsgWObjsReplay

struct CDsgWObjsReplay::Content {
    // In id order.
    std::vector<std::pair<int, std::unique_ptr<CDsgWObj>>> objects;
    std::vector<int> zorder;
    CDsgKLinker links;
};

struct CDsgWObjsReplay::Step {
    // The objects the action changes, as they were before it; none for an id
    // that had no object.
    std::vector<std::pair<int, std::unique_ptr<CDsgWObj>>> objects;
    // The z-order before: of one id (whether it was there and its lower
    // neighbour) or, for actions that add or remove several, all of it.
    enum { kZNone, kZOne, kZAll } zorderKind = kZNone;
    int zId = -1;
    bool zWasIn = false;
    bool zAtBottom = false;
    int zBelow = -1;
    std::vector<int> zorder;
    // The link groups before a link action.
    std::unique_ptr<CDsgKLinker> links;
};

CDsgWObjsReplay::CDsgWObjsReplay() = default;

CDsgWObjsReplay::~CDsgWObjsReplay() = default;

void CDsgWObjsReplay::InvalidateFrom(int index) {
    if (index < 0) index = 0;
    m_checkpoints.erase(m_checkpoints.lower_bound(index), m_checkpoints.end());
    if (m_nLivePos >= index) DropLive();
}

std::vector<int> CDsgWObjsReplay::GetCheckpointPositions() const {
    std::vector<int> positions;
    for (const auto& [position, content] : m_checkpoints) positions.push_back(position);
    return positions;
}

BOOL CDsgWObjsReplay::IsLive(const CDsgWObjs& objs) const {
    return m_pOwner == &objs && m_nOwnerStamp == objs.GetContentStamp() && m_nLivePos >= -1;
}

void CDsgWObjsReplay::DropLive() {
    m_pOwner = nullptr;
    m_nOwnerStamp = 0;
    m_nLivePos = -2;
    m_nStepFloor = -1;
    m_steps.clear();
    m_vecWONOrderUse.clear();
}

std::unique_ptr<CDsgWObjsReplay::Content> CDsgWObjsReplay::Capture(const CDsgWObjs& objs) {
    auto content = std::make_unique<Content>();
    content->objects.reserve(objs.m_mapWObjs.size());
    for (const auto& [id, obj] : objs.m_mapWObjs)
        content->objects.emplace_back(id, std::make_unique<CDsgWObj>(*obj));
    content->zorder.assign(objs.m_zorder.begin(), objs.m_zorder.end());
    content->links.KLGroupsCopyFrom(objs);
    return content;
}

void CDsgWObjsReplay::Restore(CDsgWObjs& objs, const Content& content) {
    objs.RemoveAllWObjs();
    for (const auto& [id, obj] : content.objects)
        objs.m_mapWObjs.emplace_hint(objs.m_mapWObjs.end(), id, std::make_unique<CDsgWObj>(*obj));
    for (int id : content.zorder) objs.m_zorder.AddTail(id);
    objs.KLGroupsCopyFrom(content.links);
}

std::unique_ptr<CDsgWObjsReplay::Step> CDsgWObjsReplay::Record(const CDsgWObjs& objs,
                                                               const CDsgEAction& action) {
    auto step = std::make_unique<Step>();
    std::set<int> saved;
    auto save = [&](int id) {
        if (!saved.insert(id).second) return;
        const CDsgWObj* obj = objs.GetWObjById(id);
        step->objects.emplace_back(id, obj ? std::make_unique<CDsgWObj>(*obj) : nullptr);
    };
    auto saveZOrderOf = [&](int id) {
        step->zorderKind = Step::kZOne;
        step->zId = id;
        auto node = objs.m_zorder.Find(id);
        step->zWasIn = node != objs.m_zorder.end();
        if (!step->zWasIn) return;
        step->zAtBottom = node == objs.m_zorder.begin();
        if (!step->zAtBottom) step->zBelow = *std::prev(node);
    };
    auto saveZOrder = [&]() {
        step->zorderKind = Step::kZAll;
        step->zorder.assign(objs.m_zorder.begin(), objs.m_zorder.end());
    };
    const int type = action.GetEAType();
    switch (type) {
        case nDSG_EATYPE__WOCREATE:
        case nDSG_EATYPE__WODELETE:
            save(action.GetWOId());
            saveZOrderOf(action.GetWOId());
            break;
        case nDSG_EATYPE__WOCERDRMOVE:
        case nDSG_EATYPE__DRMOVE:
        case nDSG_EATYPE__EDRMOVE:
        case nDSG_EATYPE__WOAMEND:
            save(action.GetWOId());
            break;
        case nDSG_EATYPE__UZALTER:
        case nDSG_EATYPE__DZALTER:
            saveZOrderOf(action.GetWOId());
            break;
        case nDSG_EATYPE__WOCREATE_WOMULTILY:
            for (int id : action.GetZOrder()) save(id);
            saveZOrder();
            break;
        case nDSG_EATYPE__WODELETE_WOMULTILY:
            for (int id : action.m_setWOIds) save(id);
            saveZOrder();
            break;
        case nDSG_EATYPE__PRMOVE_WOMULTILY:
        case nDSG_EATYPE__WOMDRMOVE:
        case nDSG_EATYPE__WOMEDRMOVE:
        case nDSG_EATYPE__WOAMEND_WOMULTILY:
            for (int id : action.m_setWOIds) save(id);
            break;
        case nDSG_EATYPE__MCADD:
        case nDSG_EATYPE__JATTACH:
        case nDSG_EATYPE__JDETACH:
            step->links = std::make_unique<CDsgKLinker>();
            step->links->KLGroupsCopyFrom(objs);
            break;
        default:
            break;
    }
    return step;
}

void CDsgWObjsReplay::TakeBack(CDsgWObjs& objs, Step& step) {
    objs.NoteContentChanged();
    for (auto& [id, before] : step.objects) {
        auto it = objs.m_mapWObjs.find(id);
        if (it != objs.m_mapWObjs.end()) objs.NoteWONOrder(*it->second, -1);
        if (before) {
            objs.NoteWONOrder(*before, +1);
            objs.m_mapWObjs[id] = std::move(before);
        } else if (it != objs.m_mapWObjs.end()) {
            objs.m_mapWObjs.erase(it);
        }
    }
    CDsgWOIdList& zorder = objs.m_zorder;
    if (step.zorderKind == Step::kZAll) {
        zorder.RemoveAll();
        for (int id : step.zorder) zorder.AddTail(id);
    } else if (step.zorderKind == Step::kZOne) {
        zorder.Remove(step.zId);
        if (step.zWasIn) {
            if (step.zAtBottom)
                zorder.InsertBefore(zorder.begin(), step.zId);
            else
                zorder.InsertAfter(zorder.Find(step.zBelow), step.zId);
        }
    }
    if (step.links) objs.KLGroupsCopyFrom(*step.links);
}

BOOL CDsgWObjsReplay::Replay(CDsgWObjs& objs, const CDsgEActions& actions, int target) {
    if (target >= actions.GetEACount()) target = actions.GetEACount() - 1;
    const bool live = IsLive(objs) && m_nLivePos < actions.GetEACount() &&
                      (target >= m_nLivePos || target >= m_nStepFloor);
    if (live) {
        objs.m_vecWONOrderUse = std::move(m_vecWONOrderUse);
    } else {
        // From the nearest checkpoint at or before the target, or from an
        // empty form.
        DropLive();
        auto it = m_checkpoints.upper_bound(target);
        if (it == m_checkpoints.begin()) {
            objs.RemoveAllWObjs();
            m_nLivePos = -1;
        } else {
            --it;
            Restore(objs, *it->second);
            m_nLivePos = it->first;
        }
        m_nStepFloor = m_nLivePos;
        objs.CountWONOrders();
    }
    while (m_nLivePos > target) {
        TakeBack(objs, *m_steps.back());
        m_steps.pop_back();
        --m_nLivePos;
    }
    BOOL applied = TRUE;
    while (m_nLivePos < target) {
        const CDsgEAction& action = *actions.GetEAction(m_nLivePos + 1);
        auto step = Record(objs, action);
        if (!objs.ApplyEAction(action)) {
            applied = FALSE;
            break;
        }
        m_steps.push_back(std::move(step));
        ++m_nLivePos;
        // At least one action per object copied keeps all checkpoints within
        // one object copy per action of the history.
        const size_t spacing = std::max<size_t>(static_cast<size_t>(m_nMinSpacing),
                                                static_cast<size_t>(objs.GetWObjCount()));
        auto next = m_checkpoints.upper_bound(m_nLivePos);
        const int last = next == m_checkpoints.begin() ? -1 : std::prev(next)->first;
        if (static_cast<size_t>(m_nLivePos - last) >= spacing)
            m_checkpoints.emplace(m_nLivePos, Capture(objs));
        if (m_steps.size() > spacing) {
            const size_t dropped = m_steps.size() - spacing / 2;
            m_steps.erase(m_steps.begin(), m_steps.begin() + static_cast<std::ptrdiff_t>(dropped));
            m_nStepFloor += static_cast<int>(dropped);
        }
    }
    if (applied) {
        m_vecWONOrderUse = std::move(objs.m_vecWONOrderUse);
        m_pOwner = &objs;
        m_nOwnerStamp = objs.GetContentStamp();
    } else {
        // The objects built up to the failing action stay; the next replay
        // starts afresh.
        DropLive();
    }
    objs.m_vecWONOrderUse.clear();
    return applied;
}

BOOL CDsgWObjs::ApplyEAction(const CDsgEAction& action) {
    NoteContentChanged();
    const int type = action.GetEAType();
    int id = -1;
    if (type >= nDSG_EATYPE__WOCREATE && type <= nDSG_EATYPE__DZALTER) {
        // Every single-object action names its object.
        if (!action.m_tprops.CDsgNTProps::HasKey("NTP.woid")) return FALSE;
        id = action.GetWOId();
    }
    switch (type) {
        case nDSG_EATYPE__WOCREATE: {
            if (GetWObjById(id)) return FALSE;
            auto obj = std::make_unique<CDsgWObj>();
            obj->SetTPropsFrom(action.m_tprops);
            AssignWONOrder(*obj);
            AddWObj(std::move(obj), id);
            return TRUE;
        }
        case nDSG_EATYPE__WODELETE:
            return RemoveWObj(id);
        case nDSG_EATYPE__WOCERDRMOVE:
        case nDSG_EATYPE__DRMOVE:
        case nDSG_EATYPE__EDRMOVE:
            return SetWObjRect(id, action.m_tprops.GetLMHugeRect());
        case nDSG_EATYPE__WOAMEND: {
            CDsgWObj* obj = GetWObjById(id);
            if (!obj) return FALSE;
            NoteWONOrder(*obj, -1);
            action.WOAmendTProps(*obj);
            NoteWONOrder(*obj, +1);
            return TRUE;
        }
        case nDSG_EATYPE__UZALTER: {
            auto node = m_zorder.Find(id);
            if (node == m_zorder.end() || !GetWObjById(id)) return FALSE;
            auto upper = std::next(node);
            if (upper == m_zorder.end()) return TRUE;
            int upperId = *upper;
            m_zorder.Remove(id);
            m_zorder.InsertAfter(m_zorder.Find(upperId), id);
            return TRUE;
        }
        case nDSG_EATYPE__DZALTER: {
            auto node = m_zorder.Find(id);
            if (node == m_zorder.end() || !GetWObjById(id)) return FALSE;
            if (node == m_zorder.begin()) return TRUE;
            int lowerId = *std::prev(node);
            m_zorder.Remove(id);
            m_zorder.InsertBefore(m_zorder.Find(lowerId), id);
            return TRUE;
        }
        case nDSG_EATYPE__WOCREATE_WOMULTILY:
            for (int carriedId : action.GetZOrder()) {
                const CDsgWObj* carried = action.GetWObjById(carriedId);
                if (!carried) continue;
                auto obj = std::make_unique<CDsgWObj>();
                obj->SetTPropsFrom(*carried);
                AssignWONOrder(*obj);
                AddWObj(std::move(obj), carriedId);
            }
            return TRUE;
        case nDSG_EATYPE__WODELETE_WOMULTILY:
            RemoveWObjs(action.m_setWOIds);
            return TRUE;
        case nDSG_EATYPE__PRMOVE_WOMULTILY:
            PRMoveWObjs(action.m_setWOIds, action.m_nGrip, action.m_ptPivot);
            return TRUE;
        case nDSG_EATYPE__WOMDRMOVE:
            MDRMoveWObjs(action.m_setWOIds, action.m_rcRegion);
            return TRUE;
        case nDSG_EATYPE__WOMEDRMOVE:
            OffsetWObjs(action.m_setWOIds, action.m_ptOffset.x, action.m_ptOffset.y);
            return TRUE;
        case nDSG_EATYPE__WOAMEND_WOMULTILY:
            for (int chosen : action.m_setWOIds) {
                CDsgWObj* obj = GetWObjById(chosen);
                if (!obj) continue;
                NoteWONOrder(*obj, -1);
                action.WOAmendTProps(*obj);
                NoteWONOrder(*obj, +1);
            }
            return TRUE;
        // The link actions' results do not stop the rebuild.
        case nDSG_EATYPE__MCADD:
            KLGApplyMCAdd(action);
            return TRUE;
        case nDSG_EATYPE__JATTACH:
            KLGApplyJAttach(action);
            return TRUE;
        case nDSG_EATYPE__JDETACH:
            KLGApplyJDetach(action);
            return TRUE;
        default:
            return TRUE;
    }
}

void CDsgWObjs::OffsetWObjs(const CDsgWOIdSet& ids, int dx, int dy) {
    for (int id : ids) OffsetWObj(id, dx, dy);
}

void CDsgWObjs::StretchWObjs(const CDsgWOIdSet& ids, const CRect& target, BOOL keepDNCharSize) {
    const CRect to = Normalized(target);
    if (SpanOf(to.left, to.right) < kMinStretchSize || SpanOf(to.top, to.bottom) < kMinStretchSize)
        return;
    bool any = false;
    for (int id : ids) any = any || GetWObjById(id);
    if (!any) return;
    const CRect from = Normalized(GetWObjsBoundRect(ids));
    for (int id : ids) {
        CDsgWObj* obj = GetWObjById(id);
        if (!obj) continue;
        const CRect old = RectOf(*obj);
        CRect rect;
        rect.left = MapEdge(old.left, from.left, from.right, to.left, to.right);
        rect.top = MapEdge(old.top, from.top, from.bottom, to.top, to.bottom);
        if (keepDNCharSize && NTOf(*obj).GetWOKind() == nDSG_WOKIND__WODNCHAR) {
            rect.right = ClampToLong(rect.left + std::abs(SpanOf(old.left, old.right)));
            rect.bottom = ClampToLong(rect.top + std::abs(SpanOf(old.top, old.bottom)));
        } else {
            rect.right = MapEdge(old.right, from.left, from.right, to.left, to.right);
            rect.bottom = MapEdge(old.bottom, from.top, from.bottom, to.top, to.bottom);
        }
        NoteContentChanged();
        SetRectOf(*obj, rect);
    }
}

void CDsgWObjs::PRMoveWObjs(const CDsgWOIdSet& ids, int grip, CPoint point) {
    const CRect bound = Normalized(GetWObjsBoundRect(ids));
    StretchWObjs(ids, GetGripDraggedRect(bound, grip, point, TRUE), TRUE);
}

void CDsgWObjs::MDRMoveWObjs(const CDsgWOIdSet& ids, const CRect& rect) {
    StretchWObjs(ids, rect, FALSE);
}

void CDsgWObjs::RemoveWObjs(const CDsgWOIdSet& ids) {
    for (int id : ids) RemoveWObj(id);
}

CPoint CDsgWObjs::CopyWObjsFrom(const CDsgWObjs& source, BOOL clear, int& counter,
                                const CDsgWOIdSet* filter) {
    if (clear) RemoveAllWObjs();
    // Collect first: the source may be this container.
    std::vector<const CDsgWObj*> copies;
    for (int id : source.GetZOrder()) {
        if (filter && !filter->count(id)) continue;
        if (const CDsgWObj* obj = source.GetWObjById(id)) copies.push_back(obj);
    }
    std::vector<std::unique_ptr<CDsgWObj>> made;
    CPoint topLeft(-1, -1);
    bool first = true;
    for (const CDsgWObj* src : copies) {
        auto obj = std::make_unique<CDsgWObj>();
        obj->SetTPropsFrom(*src);
        const CRect rect = RectOf(*obj);
        const LONG x = std::min(rect.left, rect.right), y = std::min(rect.top, rect.bottom);
        topLeft = first ? CPoint(x, y) : CPoint(std::min(topLeft.x, x), std::min(topLeft.y, y));
        first = false;
        made.push_back(std::move(obj));
    }
    for (auto& obj : made) {
        int id = NTOf(*obj).GetWOId();
        if (counter >= 0) {
            id = counter;
            NTOf(*obj).SetWOId(id);
            // Past the top value a plain increment would overflow into
            // negative ids; the counter starts again at 1 as it does for a
            // single creation.
            counter = NextDsgCounter(counter);
        }
        AddWObj(std::move(obj), id);
    }
    return topLeft;
}

BOOL CDsgWObjs::WObjsCopyFrom(const CDsgWObjs& source) {
    CRevolver buffer;
    if (!source.WObjsToRevolver(buffer)) return FALSE;
    return WObjsFromRevolver(buffer);
}

BOOL CDsgWObjs::WObjsToRevolver(CRevolver& buffer) const {
    CFxRevPropStore store;
    CRevolver item;
    int index = 0;
    for (const auto& [id, obj] : m_mapWObjs) {
        if (!obj->TPropsToRevolver(item, GetKeyStyle())) return FALSE;
        store.SetRevolver(std::to_string(index++), item);
    }
    store.SetInt("WOS.wocount", index);
    std::string zorder;
    for (int id : m_zorder) {
        if (!zorder.empty()) zorder += ',';
        zorder += std::to_string(id);
    }
    store.SetString("WOS.zowoids", zorder);
    RecordKeysToStyle(store, kWOSKeys, GetKeyStyle());
    return store.ToRevolver(buffer);
}

BOOL CDsgWObjs::WObjsFromRevolver(const CRevolver& buffer) {
    CFxRevPropStore store;
    if (!store.FromRevolver(buffer)) {
        LogWrite("CDsgWObjs::WObjsFromRevolver return FALSE 1.0");
        return FALSE;
    }
    RecordKeysFromStyle(store, kWOSKeys, GetKeyStyle());
    int count = 0;
    if (!store.LookupInt("WOS.wocount", count) || count < 0) {
        LogWrite("CDsgWObjs::WObjsFromRevolver return FALSE 2.0 " + HexDump(buffer));
        return FALSE;
    }
    const std::string zorder = store.GetString("WOS.zowoids");

    // Built aside, so that a record that fails halfway leaves this container
    // as it was.
    std::map<int, std::unique_ptr<CDsgWObj>> objects;
    std::vector<int> readOrder;
    CRevolver item;
    for (int i = 0; i < count; ++i) {
        if (!store.LookupRevolver(std::to_string(i), item)) {
            LogWrite("CDsgWObjs::WObjsFromRevolver return FALSE 3.0");
            return FALSE;
        }
        auto obj = std::make_unique<CDsgWObj>();
        if (!obj->TPropsFromRevolver(item, GetKeyStyle())) {
            LogWrite("CDsgWObjs::WObjsFromRevolver return FALSE 4.0");
            return FALSE;
        }
        const int id = NTOf(*obj).GetWOId();
        if (!objects.count(id)) readOrder.push_back(id);
        objects[id] = std::move(obj);
    }

    RemoveAllWObjs();
    m_mapWObjs = std::move(objects);
    // The stored order; ids without an object are left out and objects the
    // order does not name go on top in reading order.
    for (int id : SplitDecimalIds(zorder, ','))
        if (m_mapWObjs.count(id) && !m_zorder.Has(id)) m_zorder.AddTail(id);
    for (int id : readOrder)
        if (!m_zorder.Has(id)) m_zorder.AddTail(id);
    return TRUE;
}

int CDsgWObjs::GetNextZWOId(int id, BOOL wrap) const {
    if (id < 0) return -1;
    auto node = m_zorder.Find(id);
    if (node == m_zorder.end()) return -1;
    ++node;
    if (node != m_zorder.end()) return *node;
    return wrap ? m_zorder.GetHead() : -1;
}

CPoint CDsgWObjs::GetWOCorner(int id, int corner) const {
    const CDsgWObj* obj = GetWObjById(id);
    if (!obj) return CPoint(-1, -1);
    const CRect r = RectOf(*obj);
    switch (corner) {
        case 1:
            return CPoint(r.left, r.top);
        case 2:
            return CPoint(r.right, r.top);
        case 3:
            return CPoint(r.left, r.bottom);
        case 4:
            return CPoint(r.right, r.bottom);
        default:
            return CPoint(-1, -1);
    }
}

BOOL CDsgWObjs::GetCWOCHZNeighbour(BOOL upper, int& neighbourId, int& ownId) const {
    const CDsgWOChoice* choice = GetWObjsChoice();
    if (!choice || choice->GetWOCHCount() != 1 || GetWObjCount() < 2) return FALSE;
    ownId = choice->GetCWOCHId();
    auto node = m_zorder.Find(ownId);
    if (node == m_zorder.end()) return FALSE;
    if (upper) {
        auto next = std::next(node);
        neighbourId = next == m_zorder.end() ? -1 : *next;
    } else {
        neighbourId = node == m_zorder.begin() ? -1 : *std::prev(node);
    }
    return TRUE;
}

int CDsgWObjs::GetWOCHGripByPoint(CPoint clientPoint, BOOL normalize) const {
    const CDsgWOChoice* choice = GetWObjsChoice();
    if (!choice) return nDSG_GRIP__NONE;
    CDsgWOIdSet ids;
    choice->GetAllWOCHIds(ids);
    bool any = false;
    for (int id : ids) any = any || GetWObjById(id);
    if (!any) return nDSG_GRIP__NONE;
    CRect bound = GetWObjsBoundRect(ids);
    if (normalize) bound.NormalizeRect();
    CRect client = WObjsToClientRect(bound);
    if (normalize) client.NormalizeRect();
    return HitTestGrip(client, clientPoint);
}

BOOL CDsgWObjs::IsSingleWODNCharChosen() const {
    const CDsgWOChoice* choice = GetWObjsChoice();
    if (!choice || choice->GetWOCHCount() != 1) return FALSE;
    const CDsgWObj* obj = GetWObjById(choice->GetCWOCHId());
    return obj && obj->GetWOKind() == nDSG_WOKIND__WODNCHAR;
}

void CDsgWObjs::WOChooseInRect(const CRect& rect) {
    CDsgWOChoice* choice = GetWObjsChoice();
    if (!choice) return;
    choice->ResetWOChoice();
    for (int id : m_zorder) {
        const CRect r = GetWObjRect(id);
        const bool first =
            r.left >= rect.left && r.left < rect.right && r.top >= rect.top && r.top < rect.bottom;
        const bool second = r.right >= rect.left && r.right <= rect.right && r.bottom >= rect.top &&
                            r.bottom <= rect.bottom;
        if (first && second) choice->WOChoose(id);
    }
}

BOOL CDsgWObjs::PickWObjNearPoint(CPoint point, CDsgUTProps& attributes, CPoint& centre) {
    constexpr LONG kReach = 150000;  // 15 dots
    const CSize lcd = CDsgGOption::GetLMSize();
    const long long width = static_cast<long long>(lcd.cx) * nDSG_LMHUGE_PER_DOT;
    const long long height = static_cast<long long>(lcd.cy) * nDSG_LMHUGE_PER_DOT;
    const CDsgWObj* best = nullptr;
    int bestId = -1;
    double bestDistance = 0;
    for (int id : m_zorder) {
        const CDsgWObj* obj = GetWObjById(id);
        if (!obj) continue;
        const CRect r = Normalized(RectOf(*obj));
        // Grown and held to the LCD, in 64 bits so that no edge overflows.
        const long long left = std::max<long long>(0, r.left - static_cast<long long>(kReach));
        const long long top = std::max<long long>(0, r.top - static_cast<long long>(kReach));
        const long long right =
            std::min<long long>(width, r.right + static_cast<long long>(kReach));
        const long long bottom =
            std::min<long long>(height, r.bottom + static_cast<long long>(kReach));
        if (point.x < left || point.x >= right || point.y < top || point.y >= bottom) continue;
        const double distance = GetWOCenterDistance(*obj, point);
        if (!best || distance < bestDistance) {
            best = obj;
            bestId = id;
            bestDistance = distance;
        }
    }
    if (!best) return FALSE;
    if (CDsgWOChoice* choice = GetWObjsChoice()) choice->EnsureCWOChosen(bestId);
    attributes.CopyFrom(static_cast<const CDsgUTProps&>(*best));
    centre = GetNormalizedCenter(RectOf(*best));
    return TRUE;
}
