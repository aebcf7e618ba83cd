#include "design/model/dsgklinker.h"

#include <atomic>
#include <climits>

#include "design/model/dsgeaction.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsgwobjs.h"

namespace {

// The action kinds whose link text the diagnostics show.
constexpr int kEATypeMCAdd = 15;
constexpr int kEATypeJAttach = 16;
constexpr int kEATypeJDetach = 17;

// Squared distance of two points, without overflow for any coordinates.
double SquaredDistance(const CPoint& a, const CPoint& b) {
    const double dx = static_cast<double>(a.x) - b.x;
    const double dy = static_cast<double>(a.y) - b.y;
    return dx * dx + dy * dy;
}

}  // namespace

std::string MakeKLEndKey(int woId, int corner) {
    return std::to_string(woId) + "|" + std::to_string(corner);
}

CPoint GetRectCorner(const CRect& rect, int corner) {
    switch (corner) {
        case nDSG_CORNER__LEFTTOP:
            return CPoint(rect.left, rect.top);
        case nDSG_CORNER__RIGHTTOP:
            return CPoint(rect.right, rect.top);
        case nDSG_CORNER__LEFTBOTTOM:
            return CPoint(rect.left, rect.bottom);
        case nDSG_CORNER__RIGHTBOTTOM:
            return CPoint(rect.right, rect.bottom);
        default:
            return CPoint(-1, -1);
    }
}

CRect SetRectCorner(const CRect& rect, int corner, const CPoint& point) {
    CRect moved = rect;
    switch (corner) {
        case nDSG_CORNER__LEFTTOP:
            moved.left = point.x;
            moved.top = point.y;
            break;
        case nDSG_CORNER__RIGHTTOP:
            moved.right = point.x;
            moved.top = point.y;
            break;
        case nDSG_CORNER__LEFTBOTTOM:
            moved.left = point.x;
            moved.bottom = point.y;
            break;
        case nDSG_CORNER__RIGHTBOTTOM:
            moved.right = point.x;
            moved.bottom = point.y;
            break;
        default:
            break;
    }
    return moved;
}

void FindNearestLineEnds(const CRect& lineA, const CRect& lineB, int& cornerA, int& cornerB) {
    const int corners[4][2] = {{1, 1}, {1, 4}, {4, 1}, {4, 4}};
    double best = -1.0;
    for (const auto& pair : corners) {
        const double d =
            SquaredDistance(GetRectCorner(lineA, pair[0]), GetRectCorner(lineB, pair[1]));
        if (best < 0.0 || d < best) {
            best = d;
            cornerA = pair[0];
            cornerB = pair[1];
        }
    }
}

std::string CDsgKLicEAction::GetKLicExp(int eaType) const {
    switch (eaType) {
        case kEATypeMCAdd:
            return "LINKER=" + std::to_string(m_nKLeader);
        case kEATypeJAttach:
            return GetKLEndKey() + " is LINKED TO " + std::to_string(m_nKLeader);
        case kEATypeJDetach:
            return GetKLEndKey() + "for " + std::to_string(m_nKLeader) + " is UNLINKED";
        default:
            return "";
    }
}

CDsgKLinker::CDsgKLinker() { NoteContentChanged(); }

CDsgKLinker::~CDsgKLinker() = default;

void CDsgKLinker::NoteContentChanged() {
    static std::atomic<std::uint64_t> stamps{0};
    m_nContentStamp = ++stamps;
}

void CDsgKLinker::RemoveAllKLGroups() {
    NoteContentChanged();
    m_mapKLGroups.clear();
    m_mapKLEnds.clear();
}

void CDsgKLinker::KLGroupsCopyFrom(const CDsgKLinker& source) {
    if (&source == this) return;
    NoteContentChanged();
    m_mapKLGroups.clear();
    for (const auto& [leader, group] : source.m_mapKLGroups) {
        KLGroup& copy = m_mapKLGroups[leader];
        for (const auto& [key, entry] : group)
            copy[key] = std::make_unique<CDsgKLinkEntry>(entry->GetKLWOId(), entry->GetKLCorner());
    }
    m_mapKLEnds = source.m_mapKLEnds;
}

BOOL CDsgKLinker::IsKLGroupsEqual(const CDsgKLinker& other) const {
    if (m_mapKLEnds != other.m_mapKLEnds || m_mapKLGroups.size() != other.m_mapKLGroups.size())
        return FALSE;
    for (auto a = m_mapKLGroups.begin(), b = other.m_mapKLGroups.begin(); a != m_mapKLGroups.end();
         ++a, ++b) {
        if (a->first != b->first || a->second.size() != b->second.size()) return FALSE;
        for (auto x = a->second.begin(), y = b->second.begin(); x != a->second.end(); ++x, ++y)
            if (x->first != y->first || x->second->GetKLWOId() != y->second->GetKLWOId() ||
                x->second->GetKLCorner() != y->second->GetKLCorner())
                return FALSE;
    }
    return TRUE;
}

int CDsgKLinker::GetKLEndLeader(int woId, int corner) const {
    auto it = m_mapKLEnds.find(MakeKLEndKey(woId, corner));
    return it == m_mapKLEnds.end() ? -1 : it->second;
}

int CDsgKLinker::GetWOKLGLeader(int woId) const {
    for (int corner = 1; corner <= 4; ++corner) {
        const int leader = GetKLEndLeader(woId, corner);
        if (leader != -1) return leader;
    }
    return -1;
}

BOOL CDsgKLinker::IsWOKLGLinked(int woId) const {
    for (int corner = 1; corner <= 4; ++corner)
        if (m_mapKLEnds.count(MakeKLEndKey(woId, corner))) return TRUE;
    return FALSE;
}

BOOL CDsgKLinker::IsAnyWOKLGLinked(const std::set<int>& woIds) const {
    for (int id : woIds)
        if (IsWOKLGLinked(id)) return TRUE;
    return FALSE;
}

void CDsgKLinker::GetWOKLGCornerFlags(int woId, std::map<int, int>& flags) const {
    for (int corner = 1; corner <= 4; ++corner)
        flags[corner] = m_mapKLEnds.count(MakeKLEndKey(woId, corner)) ? 1 : 0;
}

const CDsgKLinker::KLGroup* CDsgKLinker::GetKLGroup(int leader) const {
    auto it = m_mapKLGroups.find(leader);
    return it == m_mapKLGroups.end() ? nullptr : &it->second;
}

int CDsgKLinker::KLGApplyMCAdd(const CDsgKLicEAction& ea) {
    NoteContentChanged();
    if (m_mapKLGroups.count(ea.GetKLeader())) return 0;
    m_mapKLGroups[ea.GetKLeader()];
    return 1;
}

int CDsgKLinker::KLGApplyJAttach(const CDsgKLicEAction& ea) {
    NoteContentChanged();
    auto group = m_mapKLGroups.find(ea.GetKLeader());
    if (group == m_mapKLGroups.end()) return 0;
    const std::string key = ea.GetKLEndKey();
    // An end belongs to one group only: an end already linked elsewhere is
    // not taken into a second group.
    auto linked = m_mapKLEnds.find(key);
    if (linked != m_mapKLEnds.end() && linked->second != ea.GetKLeader()) return 0;
    group->second[key] = std::make_unique<CDsgKLinkEntry>(ea.GetKLWOId(), ea.GetKLCorner());
    m_mapKLEnds[key] = ea.GetKLeader();
    return 1;
}

int CDsgKLinker::KLGApplyJDetach(const CDsgKLicEAction& ea) {
    NoteContentChanged();
    auto group = m_mapKLGroups.find(ea.GetKLeader());
    if (group == m_mapKLGroups.end()) return 0;
    const std::string key = ea.GetKLEndKey();
    auto entry = group->second.find(key);
    if (entry == group->second.end()) return 0;
    group->second.erase(entry);
    if (group->second.empty()) m_mapKLGroups.erase(group);
    m_mapKLEnds.erase(key);
    return 1;
}

std::vector<std::pair<int, CRect>> CDsgKLinker::GetKLGFollowRects(int movedWOId,
                                                                  const WORectLookup& rectOf,
                                                                  const PointSnap* snap) const {
    std::vector<std::pair<int, CRect>> moves;
    // Rectangles as the moves so far leave them, so that two ends of one
    // object both count.
    std::map<int, CRect> current;
    auto lookup = [&](int id, CRect& rect) {
        auto it = current.find(id);
        if (it != current.end()) {
            rect = it->second;
            return TRUE;
        }
        return rectOf(id, rect);
    };
    for (const auto& [leader, group] : m_mapKLGroups) {
        if (group.size() < 2) continue;
        int movedCorner = 0;
        for (int corner = 1; corner <= 4 && !movedCorner; ++corner)
            if (group.count(MakeKLEndKey(movedWOId, corner))) movedCorner = corner;
        if (!movedCorner) continue;
        CRect movedRect;
        if (!lookup(movedWOId, movedRect)) continue;
        CPoint target = GetRectCorner(movedRect, movedCorner);
        if (snap) (*snap)(target);
        for (const auto& [key, entry] : group) {
            CRect rect;
            if (!lookup(entry->GetKLWOId(), rect)) continue;
            CRect moved = SetRectCorner(rect, entry->GetKLCorner(), target);
            if (snap) {
                CPoint first = moved.TopLeft();
                CPoint second = moved.BottomRight();
                (*snap)(first);
                (*snap)(second);
                moved = CRect(first, second);
            }
            if (moved == rect) continue;
            current[entry->GetKLWOId()] = moved;
            moves.emplace_back(entry->GetKLWOId(), moved);
        }
    }
    return moves;
}

namespace {

CDsgKLinker::WORectLookup RectsOf(const CDsgWObjs& objs) {
    return [&objs](int id, CRect& rect) {
        const CDsgWObj* obj = objs.GetWObjById(id);
        if (!obj) return FALSE;
        rect = obj->GetLMHugeRect();
        return TRUE;
    };
}

}  // namespace

BOOL CDsgKLinker::FindNearestWOEnds(const CDsgWObjs& objs, int firstId, int secondId,
                                    CDsgKLinkEntry& firstEnd, CDsgKLinkEntry& secondEnd) {
    const CDsgWObj* first = objs.GetWObjById(firstId);
    const CDsgWObj* second = objs.GetWObjById(secondId);
    if (!first || !second) return FALSE;
    int firstCorner = 0;
    int secondCorner = 0;
    FindNearestLineEnds(first->GetLMHugeRect(), second->GetLMHugeRect(), firstCorner, secondCorner);
    firstEnd.SetKLEnd(firstId, firstCorner);
    secondEnd.SetKLEnd(secondId, secondCorner);
    return TRUE;
}

std::unique_ptr<CDsgEAction> CDsgKLinker::TSKLGainLeader(const CDsgKLinkEntry& firstEnd,
                                                         const CDsgKLinkEntry& secondEnd,
                                                         int& leader, int& leaderCounter) const {
    const int firstLeader = GetKLEndLeader(firstEnd.GetKLWOId(), firstEnd.GetKLCorner());
    const int secondLeader = GetKLEndLeader(secondEnd.GetKLWOId(), secondEnd.GetKLCorner());
    if (firstLeader != -1 || secondLeader != -1) {
        leader = firstLeader != -1 ? firstLeader : secondLeader;
        return nullptr;
    }
    leader = leaderCounter;
    // The counter never wraps into ids that are not positive.
    leaderCounter = leaderCounter >= INT_MAX || leaderCounter + 1 <= 0 ? 1 : leaderCounter + 1;
    auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
    action->InitKLMCAdd(leader, TRUE);
    return action;
}

BOOL CDsgKLinker::TSKLGainAttach(int leader, const CDsgKLinkEntry& firstEnd,
                                 const CDsgKLinkEntry& secondEnd,
                                 std::unique_ptr<CDsgEAction>& first,
                                 std::unique_ptr<CDsgEAction>& second) const {
    first.reset();
    second.reset();
    const bool firstLinked = GetKLEndLeader(firstEnd.GetKLWOId(), firstEnd.GetKLCorner()) != -1;
    const bool secondLinked = GetKLEndLeader(secondEnd.GetKLWOId(), secondEnd.GetKLCorner()) != -1;
    if (firstLinked && secondLinked) return FALSE;
    const KLGroup* group = GetKLGroup(leader);
    auto attach = [&](const CDsgKLinkEntry& end) {
        auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        action->InitKLJAttach(leader, end.GetKLWOId(), end.GetKLCorner(), TRUE);
        return action;
    };
    auto inGroup = [&](const CDsgKLinkEntry& end) {
        return group && group->count(end.GetKLEndKey()) != 0;
    };
    if (!firstLinked && !inGroup(firstEnd)) first = attach(firstEnd);
    // One end given twice is attached once.
    if (!secondLinked && !inGroup(secondEnd) && secondEnd.GetKLEndKey() != firstEnd.GetKLEndKey())
        second = attach(secondEnd);
    return TRUE;
}

std::unique_ptr<CDsgEAction> CDsgKLinker::BuildKLGDetachEAction(
    BOOL pair, int woId, int corner, std::unique_ptr<CDsgEAction>& second) const {
    second.reset();
    const int leader = GetKLEndLeader(woId, corner);
    if (leader == -1) return nullptr;
    auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
    action->InitKLJDetach(leader, woId, corner, TRUE);
    const KLGroup* group = GetKLGroup(leader);
    if (pair && group && group->size() == 2) {
        const std::string key = MakeKLEndKey(woId, corner);
        for (const auto& [otherKey, entry] : *group) {
            if (otherKey == key) continue;
            second = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
            second->InitKLJDetach(leader, entry->GetKLWOId(), entry->GetKLCorner(), TRUE);
        }
    }
    return action;
}

CDsgEAction* CDsgKLinker::AddWOKLGClearEActions(int woId, CDsgEActions& list) const {
    CDsgEAction* last = nullptr;
    // Ends already detached here (the other end of a pair can be a further
    // corner of the same object).
    std::set<std::string> detached;
    auto append = [&](std::unique_ptr<CDsgEAction> action) {
        if (!action) return;
        const std::string key = action->GetKLEndKey();
        if (!detached.insert(key).second) return;
        CDsgEAction* added = action.get();
        if (list.EAAdd(std::move(action))) last = added;
    };
    for (int corner = 1; corner <= 4; ++corner) {
        if (detached.count(MakeKLEndKey(woId, corner))) continue;
        std::unique_ptr<CDsgEAction> second;
        std::unique_ptr<CDsgEAction> first = BuildKLGDetachEAction(TRUE, woId, corner, second);
        append(std::move(first));
        append(std::move(second));
    }
    return last;
}

int CDsgKLinker::KLGAddFollowEActions(const CDsgWObjs& objs, int movedWOId, BOOL joined,
                                      CDsgEActions& list, const PointSnap* snap) const {
    int count = 0;
    for (const auto& [id, rect] : GetKLGFollowRects(movedWOId, RectsOf(objs), snap)) {
        auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        action->InitDRMoving(id, rect);
        action->SetEASwift(joined);
        if (list.EAAdd(std::move(action))) ++count;
    }
    return count;
}

int CDsgKLinker::KLGFollowDirect(CDsgWObjs& objs, int movedWOId) const {
    int count = 0;
    for (const auto& [id, rect] : GetKLGFollowRects(movedWOId, RectsOf(objs), nullptr))
        if (objs.SetWObjRect(id, rect)) ++count;
    return count;
}
