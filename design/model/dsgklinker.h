#pragma once

// Line links: ends of line objects joined into link groups, so that when one
// linked end moves the other ends of its group follow. Groups change only
// through edit actions ("mcadd" makes a group, "jattach" and "jdetach" add and
// remove one end), so they are undone, redone, saved and replayed like every
// other change: a rebuild clears them and the replayed link actions make them
// again.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "design/frames/veldrane_export.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

class CDsgEAction;
class CDsgEActions;
class CDsgWObjs;

// Corners of an object's stored rectangle. A line runs from corner 1 to
// corner 4.
inline constexpr int nDSG_CORNER__LEFTTOP = 1;
inline constexpr int nDSG_CORNER__RIGHTTOP = 2;
inline constexpr int nDSG_CORNER__LEFTBOTTOM = 3;
inline constexpr int nDSG_CORNER__RIGHTBOTTOM = 4;

// The text key of a line end: the object id, '|' and the corner ("12|4").
std::string MakeKLEndKey(int woId, int corner);

// The corner point of a rectangle as stored; (-1, -1) for an unknown corner.
CPoint GetRectCorner(const CRect& rect, int corner);
// The rectangle with one corner moved to a point (corner 1 moves left and top,
// 2 right and top, 3 left and bottom, 4 right and bottom); unchanged for an
// unknown corner.
CRect SetRectCorner(const CRect& rect, int corner, const CPoint& point);

// The pair of ends, one of each line, that lie nearest to each other: the
// corners (1 or 4) of line A and of line B. The pairs are tried A1-B1, A1-B4,
// A4-B1, A4-B4 and a tie goes to the earlier.
void FindNearestLineEnds(const CRect& lineA, const CRect& lineB, int& cornerA, int& cornerB);

// One linked end.
class CDsgKLinkEntry {
public:
    CDsgKLinkEntry() = default;
    CDsgKLinkEntry(int woId, int corner) : m_nKLWOId(woId), m_nKLCorner(corner) {}
    virtual ~CDsgKLinkEntry() = default;

    int GetKLWOId() const { return m_nKLWOId; }
    int GetKLCorner() const { return m_nKLCorner; }
    void SetKLEnd(int woId, int corner) {
        m_nKLWOId = woId;
        m_nKLCorner = corner;
    }
    std::string GetKLEndKey() const { return MakeKLEndKey(m_nKLWOId, m_nKLCorner); }

protected:
    int m_nKLWOId = -1;
    int m_nKLCorner = 0;
};

// The link part of every edit action: an end and the leader id of its group.
class CDsgKLicEAction : public CDsgKLinkEntry {
public:
    int GetKLeader() const { return m_nKLeader; }
    void SetKLeader(int leader) { m_nKLeader = leader; }
    void SetKLicEAction(int leader, int woId, int corner) {
        m_nKLeader = leader;
        SetKLEnd(woId, corner);
    }

    // The link text of the action list's diagnostics, for the link action
    // kinds: "LINKER=<leader>" for a group creation, "<end> is LINKED TO
    // <leader>" for an attach, "<end>for <leader> is UNLINKED" for a detach;
    // "" for other kinds.
    std::string GetKLicExp(int eaType) const;

protected:
    int m_nKLeader = -1;
};

// The link groups of a form, by leader id, and the index of every linked end.
class VELDRANE_API CDsgKLinker {
public:
    // Ends of one group by their end keys.
    using KLGroup = std::map<std::string, std::unique_ptr<CDsgKLinkEntry>>;

    CDsgKLinker();
    CDsgKLinker(const CDsgKLinker&) = delete;
    CDsgKLinker& operator=(const CDsgKLinker&) = delete;
    virtual ~CDsgKLinker();

    void RemoveAllKLGroups();
    // Replaces the groups by copies of another linker's.
    void KLGroupsCopyFrom(const CDsgKLinker& source);
    // Groups and ends equal to another linker's.
    BOOL IsKLGroupsEqual(const CDsgKLinker& other) const;

    // A stamp that every change of the content (groups here, objects in the
    // container) renews; no two changes anywhere give the same stamp, so a
    // replay can tell that the content is still the one it left. Code that
    // changes an object in place through a pointer it was given calls
    // NoteContentChanged.
    std::uint64_t GetContentStamp() const { return m_nContentStamp; }
    void NoteContentChanged();

    // The leader of the first linked corner of the object (tried 1 to 4);
    // -1 when none.
    int GetWOKLGLeader(int woId) const;
    // The leader of one end; -1 when it is not linked.
    int GetKLEndLeader(int woId, int corner) const;
    BOOL IsWOKLGLinked(int woId) const;
    BOOL IsAnyWOKLGLinked(const std::set<int>& woIds) const;
    // For corners 1 to 4: 1 when linked, 0 when not.
    void GetWOKLGCornerFlags(int woId, std::map<int, int>& flags) const;

    // The group of a leader; none when there is no such group.
    const KLGroup* GetKLGroup(int leader) const;
    int GetKLGroupCount() const { return static_cast<int>(m_mapKLGroups.size()); }

    // Applying the link actions during a rebuild; 1 when the action changed
    // the groups, 0 when it could not apply (the rebuild goes on).
    // A group for the leader when there is none.
    int KLGApplyMCAdd(const CDsgKLicEAction& ea);
    // Adds the end to the leader's existing group.
    int KLGApplyJAttach(const CDsgKLicEAction& ea);
    // Removes the end from its group; a group left empty goes too.
    int KLGApplyJDetach(const CDsgKLicEAction& ea);

    // The rectangle of an object by id; FALSE when there is no such object.
    using WORectLookup = std::function<BOOL(int woId, CRect& rect)>;
    // Puts an LCD point on the page's user grid.
    using PointSnap = std::function<void(CPoint& point)>;

    // The new rectangles of the ends that follow a moved object, in the order
    // they are to be applied: for every group of two or more ends that holds
    // an end of the object (its corners tried 1 to 4), every member's linked
    // corner goes to that end's point. With `snap` the point and each
    // resulting rectangle (both corners) are put on the grid. Members whose
    // rectangle does not change are left out.
    std::vector<std::pair<int, CRect>> GetKLGFollowRects(int movedWOId, const WORectLookup& rectOf,
                                                         const PointSnap* snap) const;

    // Joining two lines, as the page's link command does it.
    // The ends to join: the nearest pair of the two objects' first and second
    // ends. FALSE when either object is missing.
    static BOOL FindNearestWOEnds(const CDsgWObjs& objs, int firstId, int secondId,
                                  CDsgKLinkEntry& firstEnd, CDsgKLinkEntry& secondEnd);
    // The group the two ends join: the group of the first end when it is
    // linked, else that of the second. When neither is linked, a new group
    // takes `leaderCounter` as its leader (the counter advances, to 1 when it
    // would not be positive) and its "mcadd" action (joined) is returned.
    std::unique_ptr<CDsgEAction> TSKLGainLeader(const CDsgKLinkEntry& firstEnd,
                                                const CDsgKLinkEntry& secondEnd, int& leader,
                                                int& leaderCounter) const;
    // The "jattach" actions (joined) of the ends that are not linked yet.
    // FALSE, no actions, when both ends are linked.
    BOOL TSKLGainAttach(int leader, const CDsgKLinkEntry& firstEnd, const CDsgKLinkEntry& secondEnd,
                        std::unique_ptr<CDsgEAction>& first,
                        std::unique_ptr<CDsgEAction>& second) const;

    // The "jdetach" action (joined) of one end; none when the end is not
    // linked. With `pair`, when the end's group has exactly two ends, the
    // other end's detach comes in `second` (a group of one end is not kept).
    std::unique_ptr<CDsgEAction> BuildKLGDetachEAction(BOOL pair, int woId, int corner,
                                                       std::unique_ptr<CDsgEAction>& second) const;
    // Appends to the list the detach actions (with their pairs) of every
    // linked corner of the object. Returns the last action appended, none
    // when there was nothing to detach.
    CDsgEAction* AddWOKLGClearEActions(int woId, CDsgEActions& list) const;

    // Appends a move (DRMove) with the joined flag for every end that
    // follows the moved object of `objs` (GetKLGFollowRects), the points put
    // on the page's grid by `snap` when one is given. Returns their number.
    int KLGAddFollowEActions(const CDsgWObjs& objs, int movedWOId, BOOL joined, CDsgEActions& list,
                             const PointSnap* snap) const;
    // The same without actions and without the grid: the rectangles change
    // in place (while a drag is shown). Returns the number of objects moved.
    int KLGFollowDirect(CDsgWObjs& objs, int movedWOId) const;

protected:
    std::uint64_t m_nContentStamp = 0;
    std::map<int, KLGroup> m_mapKLGroups;
    // End key -> leader id. An end belongs to at most one group.
    std::map<std::string, int> m_mapKLEnds;
};
