#pragma once

// The objects of one form: an id map that owns the window objects and the
// z-order (drawing order, bottom first, so the last id is on top). The
// container rebuilds a form by replaying its edit-action list and writes a set
// of objects as one record (WOS), which several-object actions and the copy
// buffer carry.

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "design/frames/veldrane_export.h"
#include "design/model/dsgklinker.h"
#include "design/model/dsgwobj.h"
#include "foundation/revolver.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

class CDsgEAction;
class CDsgEActions;
class CDsgWOChoice;
class CDsgWObjsReplay;

// A set of object ids (chosen objects, filters).
using CDsgWOIdSet = std::set<int>;

// Object ids in drawing order, with an index from id to its node. An id that
// is added twice keeps its index at the first node.
class CDsgWOIdList {
public:
    using Node = std::list<int>::const_iterator;

    void AddTail(int id);
    // Puts `id` right after / before the node.
    void InsertAfter(Node node, int id);
    void InsertBefore(Node node, int id);
    // Removes the indexed node of the id. FALSE when the id is not there.
    BOOL Remove(int id);
    void RemoveAll();

    // The indexed node of the id; end() when it is not there.
    Node Find(int id) const;
    BOOL Has(int id) const { return m_index.count(id) != 0; }
    Node begin() const { return m_ids.cbegin(); }
    Node end() const { return m_ids.cend(); }
    int GetCount() const { return static_cast<int>(m_ids.size()); }
    BOOL IsEmpty() const { return m_ids.empty(); }
    int GetHead() const { return m_ids.front(); }
    int GetTail() const { return m_ids.back(); }

private:
    void Index(std::list<int>::iterator node);

    std::list<int> m_ids;
    std::unordered_map<int, std::list<int>::iterator> m_index;
};

class VELDRANE_API CDsgWObjs : public CDsgKLinker {
public:
    CDsgWObjs();
    CDsgWObjs(const CDsgWObjs&) = delete;
    CDsgWObjs& operator=(const CDsgWObjs&) = delete;
    ~CDsgWObjs() override;

    // Deletes every object, empties the id map and the z-order and clears
    // the line-link groups.
    void RemoveAllWObjs();

    CDsgWObj* GetWObjById(int id) const;
    int GetWObjCount() const { return static_cast<int>(m_mapWObjs.size()); }
    const CDsgWOIdList& GetZOrder() const { return m_zorder; }
    // The rectangle as stored; (-1, -1, -1, -1) for an unknown id.
    CRect GetWObjRect(int id) const;
    BOOL SetWObjRect(int id, const CRect& rect);
    BOOL OffsetWObj(int id, int dx, int dy);
    // Deletes one object and its z-order node. FALSE for an unknown id.
    BOOL RemoveWObj(int id);

    // Bounding rectangle of the objects of the ids that exist, in 1/10000
    // dot; (-1, -1, -1, -1) when none does. One object's rectangle comes as
    // stored; with several ids a definable character counts as its first
    // corner and the result is normalised.
    CRect GetWObjsBoundRect(const CDsgWOIdSet& ids) const;

    // Lowest menu order number 0..99 that no menu object uses; -1 when all
    // are taken.
    int GetFVacantWONOrder() const;
    int GetWOMenuCount() const;

    // Rebuilds the objects by applying the list's actions from the first one
    // up to and including the current one. 0 when a single-object action
    // cannot be applied; the objects built up to it stay. With the
    // fix-selection flag the page's chosen objects that no longer exist are
    // dropped afterwards.
    //
    // The list keeps what its replays learnt (CDsgWObjsReplay): the content
    // at checkpoints along the history and, while this container still holds
    // what the last replay left, how to take back each action it applied. A
    // replay then starts from there, or from the nearest checkpoint at or
    // before the current action, instead of from the first action; the
    // result is the same.
    BOOL WObjsFromEActions(const CDsgEActions& actions, BOOL fixChoice);
    // The same, always from the first action and without what the list kept.
    BOOL ReplayWObjsFromStart(const CDsgEActions& actions, BOOL fixChoice);

    // Several-object operations of the replay.
    void OffsetWObjs(const CDsgWOIdSet& ids, int dx, int dy);
    // Stretches the objects from their bounding box to the box that dragging
    // the grip of it to the point gives.
    void PRMoveWObjs(const CDsgWOIdSet& ids, int grip, CPoint point);
    // Stretches the objects from their bounding box into the rectangle.
    void MDRMoveWObjs(const CDsgWOIdSet& ids, const CRect& rect);
    void RemoveWObjs(const CDsgWOIdSet& ids);

    // Copies the source's objects (only the filter's ids when one is given),
    // bottom first, each onto the top of this container. With a counter that
    // is not negative every copy takes the counter's value as its id and the
    // counter advances. Returns the smallest x and y over the copies' corners,
    // (-1, -1) when nothing was copied.
    CPoint CopyWObjsFrom(const CDsgWObjs& source, BOOL clear, int& counter,
                         const CDsgWOIdSet* filter = nullptr);
    // A full copy through the container record.
    BOOL WObjsCopyFrom(const CDsgWObjs& source);

    // The container record.
    BOOL WObjsToRevolver(CRevolver& buffer) const;
    BOOL WObjsFromRevolver(const CRevolver& buffer);

    // The id above the given one in the z-order; after the top one the bottom
    // one with the wrap flag, else -1. -1 for a negative or unknown id.
    int GetNextZWOId(int id, BOOL wrap) const;
    // Corner 1 (left, top), 2 (right, top), 3 (left, bottom), 4 (right,
    // bottom) of the stored rectangle; (-1, -1) for an unknown id or corner.
    CPoint GetWOCorner(int id, int corner) const;

    // Queries about the page's chosen objects (none without a choice).
    // With exactly one object chosen among at least two: the id of the object
    // above it (upper) or below it in the z-order, -1 at the top or bottom;
    // `ownId` gets the chosen object's id. FALSE otherwise.
    BOOL GetCWOCHZNeighbour(BOOL upper, int& neighbourId, int& ownId) const;
    // The grip of the chosen objects' bounding box under a client point
    // (grip numbers as the selection uses them; 10 for none, also when
    // nothing is chosen). With the normalise flag the box is normalised
    // before and after it is converted to client units.
    int GetWOCHGripByPoint(CPoint clientPoint, BOOL normalize) const;
    // Exactly one object chosen and it is a definable character.
    BOOL IsSingleWODNCharChosen() const;
    // Chooses, bottom first, every object whose first corner lies in the
    // rectangle (left and top edges in, right and bottom out) and whose
    // second corner lies in it with all edges in.
    void WOChooseInRect(const CRect& rect);
    // The object nearest to a point (1/10000 dot) among those whose rectangle
    // grown by 15 dots (held to the LCD) holds the point; ties keep the lower
    // object. It becomes the current chosen object, its attributes are copied
    // out and the centre of its rectangle returned. FALSE when none.
    BOOL PickWObjNearPoint(CPoint point, CDsgUTProps& attributes, CPoint& centre);

protected:
    // Applies one action during a rebuild. FALSE stops the rebuild (nothing
    // is changed then).
    BOOL ApplyEAction(const CDsgEAction& action);
    // The chosen objects of the page that holds this container; none for
    // containers without a page (actions, copies).
    virtual CDsgWOChoice* GetWObjsChoice() const { return nullptr; }
    // A rectangle in 1/10000 dot in the client units of the page that shows
    // this container; the page converts by its zoom and scroll position.
    // Without a page the units stay as they are.
    virtual CRect WObjsToClientRect(const CRect& rect) const { return rect; }

private:
    friend class CDsgWObjsReplay;

    // Menu order numbers in use, counted from the objects.
    void CountWONOrders();

    // Enters a new object under its id at the top of the z-order; an object
    // already under that id is replaced and its id moves to the top.
    void AddWObj(std::unique_ptr<CDsgWObj> obj, int id);
    // Gives a menu object the lowest free order number (99 when all are used).
    void AssignWONOrder(CDsgWObj& obj) const;
    void StretchWObjs(const CDsgWOIdSet& ids, const CRect& target, BOOL keepDNCharSize);
    // Counts a menu's order number in or out of the numbers in use while a
    // rebuild runs.
    void NoteWONOrder(const CDsgWObj& obj, int delta);

    std::map<int, std::unique_ptr<CDsgWObj>> m_mapWObjs;
    CDsgWOIdList m_zorder;
    // While a rebuild runs: how many menus hold each order number, so that
    // a menu's creation need not look at every object (empty otherwise).
    std::vector<int> m_vecWONOrderUse;
};

// What the replays of one action list keep: the content at checkpoints along
// the history, and how to take back the actions applied since the last
// restore while the replaying container still holds their result.
//
// Memory: a checkpoint is taken when at least max(256, the number of objects)
// actions lie between it and the one before, so all checkpoints together hold
// at most about one object copy per action of the history.
// The take-back steps (about one object copy each) are kept for at most that
// spacing; older ones are dropped and a step back past them restores a
// checkpoint and replays from it. Every change of the history drops what lies
// past the changed action.
//
// Owned by the list, used on the thread that owns the list and its page.
class CDsgWObjsReplay {
public:
    CDsgWObjsReplay();
    CDsgWObjsReplay(const CDsgWObjsReplay&) = delete;
    CDsgWObjsReplay& operator=(const CDsgWObjsReplay&) = delete;
    ~CDsgWObjsReplay();

    // The history changed from the action at `index` on (0: all of it).
    void InvalidateFrom(int index);

    // The positions of the checkpoints (index of the last action applied).
    std::vector<int> GetCheckpointPositions() const;
    // The fewest actions between two checkpoints: kMinSpacing unless set
    // otherwise (tests take short histories through many checkpoints).
    static constexpr int kMinSpacing = 256;
    void SetMinSpacing(int spacing) { m_nMinSpacing = spacing < 1 ? 1 : spacing; }

private:
    friend class CDsgWObjs;
    struct Content;
    struct Step;

    // Replays the actions up to and including `target` into the container.
    BOOL Replay(CDsgWObjs& objs, const CDsgEActions& actions, int target);
    // The container still holds what the last replay left.
    BOOL IsLive(const CDsgWObjs& objs) const;
    void DropLive();
    static std::unique_ptr<Content> Capture(const CDsgWObjs& objs);
    static void Restore(CDsgWObjs& objs, const Content& content);
    // What taking back the action needs, recorded before it is applied.
    static std::unique_ptr<Step> Record(const CDsgWObjs& objs, const CDsgEAction& action);
    static void TakeBack(CDsgWObjs& objs, Step& step);

    std::map<int, std::unique_ptr<Content>> m_checkpoints;
    std::vector<std::unique_ptr<Step>> m_steps;
    // The steps take back the actions after this position up to m_nLivePos.
    int m_nStepFloor = -1;
    const CDsgWObjs* m_pOwner = nullptr;
    std::uint64_t m_nOwnerStamp = 0;
    // The position the owner's content is the replay of; -2 when none.
    int m_nLivePos = -2;
    // The owner's menu order numbers in use at m_nLivePos.
    std::vector<int> m_vecWONOrderUse;
    int m_nMinSpacing = kMinSpacing;
};

// Option GOPT.epusftype to bits per pixel: 0 gives 4, 1 gives 8, others -1.
int EPUSFTypeToBpp(int epusfType);
// Option GOPT.cpcindex to the colour drawn as "negative": non-zero gives
// white (0xFFFFFF), zero black.
COLORREF CPCIndexToNegativeColor(int cpcIndex);

// Advances an object-id or link-leader counter: past 0x7FFFFFFF it starts
// again at 1.
int NextDsgCounter(int counter);

// Ids written in decimal and joined by a separator, in their written order;
// empty pieces and pieces that are not a whole int are passed over.
std::vector<int> SplitDecimalIds(const std::string& text, char separator);
