#include "design/surface/dsgdspframe.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/dsghdata.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsglsdhost.h"
#include "design/surface/dsgwodraw.h"
#include "design/surface/fxmemdc.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxstrings.h"
#include "platform/dc.h"
#include "platform/paths.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

CDsgDSPFrame* g_pDsgDSPFrame = nullptr;

constexpr int kDot = nDSG_LMHUGE_PER_DOT;
// A press turns into a drag once the pointer is more than 49999 units (4.9999
// dots) from it on either axis.
constexpr int kDragStart = 49999;
// Arrow presses closer than this count as held down.
constexpr DWORD kArrowRepeatMs = 500;
// Key presses merging into one undo step.
constexpr DWORD kMergeMs = 1000;
// Ctrl+Z right after a Shift release (of Ctrl+Shift+Z) is no undo.
constexpr DWORD kShiftGuardMs = 500;
// Tab looks for objects closer than 50 dots to the reference object.
constexpr double kTabReach = 500000.0;

// The mouse states in which the left button drags.
bool IsLeftDragState(int state) {
    return state == nDSG_WOES__HCAPTURING ||
           (state >= nDSG_WOES__WOCREATION_READY && state <= nDSG_WOES__WOCH_AND_EDRMOVING);
}

CPoint ClientPointOf(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

// Coordinates of stored rectangles may be anywhere in the int range: sums
// are made in 64 bits and held at its ends.
LONG Add(LONG a, std::int64_t b) { return ClampToLong(static_cast<std::int64_t>(a) + b); }

CRect Normalized(CRect rect) {
    rect.NormalizeRect();
    return rect;
}

CRect OffsetClamped(const CRect& rect, std::int64_t dx, std::int64_t dy) {
    return {Add(rect.left, dx), Add(rect.top, dy), Add(rect.right, dx), Add(rect.bottom, dy)};
}

// One axis of a stored rectangle grown by `amount` on both sides, in the
// direction it is stored (negative amounts shrink).
void InflateAxis(LONG& low, LONG& high, std::int64_t amount) {
    if (high >= low) {
        low = Add(low, -amount);
        high = Add(high, amount);
    } else {
        low = Add(low, amount);
        high = Add(high, -amount);
    }
}

// The edges of one axis of the whole LCD, kept in the stored direction.
void MaximizeAxis(LONG& low, LONG& high, LONG extent) {
    if (high >= low) {
        low = 0;
        high = extent;
    } else {
        low = extent;
        high = 0;
    }
}

}  // namespace

CDsgDSPFrame* GetDsgDSPFrame() { return g_pDsgDSPFrame; }

CDsgDSPFrame::CDsgDSPFrame(int visible, QWidget* parent)
    : QWidget(parent), CDsgEActions(visible != 0), m_nVisible(visible) {
    setObjectName(visible ? "DSPFrame" : "VDSPFrame");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_nWOETool = 0;
    SetTimerHandler(this, [this](UINT_PTR id) { OnTimer(id); });
    if (visible) {
        g_pDsgDSPFrame = this;
        SetTimer(this, nDSG_DSPTIMER__CACHE, nDSG_DSPTIMER__CACHE_MS);
    }
}

CDsgDSPFrame::~CDsgDSPFrame() {
    if (g_pDsgDSPFrame == this) g_pDsgDSPFrame = nullptr;
    // The objects go before the choice that looks them up.
    ResetWOChoice();
}

// ---- Names ---------------------------------------------------------------

std::string CDsgDSPFrame::GetWOEStateName(int state) {
    static const char* const kNames[] = {"Not_WOCH",
                                         "HCapturing",
                                         "WOCH_But_Cannot_Do_Anything",
                                         "WOCH_And_PRMovable_But_Not_PRMoving",
                                         "WOCH_And_EDRMovable_But_Not_EDRMoving",
                                         "WOCreation_Ready",
                                         "WOCH_And_WOCERDRMoving",
                                         "WOCH_And_PRMoving",
                                         "WOCH_And_EDRMoving",
                                         "Browsing_LNXPoint",
                                         "Browsing_LNFPoint"};
    if (state < 1 || state > 11) return {};
    return kNames[state - 1];
}

std::string CDsgDSPFrame::GetXFaceName(int face) {
    switch (face) {
        case nDSG_XFACE__NONE:
            return "XFNone";
        case nDSG_XFACE__FIGURE:
            return "XFFigure";
        case nDSG_XFACE__TEXT:
            return "XFText";
        case nDSG_XFACE__MENU:
            return "XFMenu";
        case nDSG_XFACE__IMAGE:
            return "XFImage";
        default:
            return "XF???";
    }
}

int CDsgDSPFrame::GetToolWOKind(int tool) {
    switch (tool) {
        case 1:
            return nDSG_WOKIND__WOBOX;
        case 2:
            return nDSG_WOKIND__WOLINE;
        case 3:
            return nDSG_WOKIND__WOTEXT;
        case 4:
            return nDSG_WOKIND__WOFBOX;
        case 5:
            return nDSG_WOKIND__WOELLIPSE;
        case 6:
            return nDSG_WOKIND__WOFELLIPSE;
        case 7:
            return nDSG_WOKIND__WOIMAGE;
        case 9:
            return nDSG_WOKIND__WODNCHAR;
        case 10:
            return nDSG_WOKIND__WOPTEXT;
        case 11:
            return nDSG_WOKIND__WOJCLIP;
        case 100:
            return nDSG_WOKIND__WOMENU;
        default:
            return 0;
    }
}

// ---- The bases' hooks ----------------------------------------------------

CDsgWObj* CDsgDSPFrame::GetWOChoiceWObj(int id) const { return GetWObjById(id); }

void CDsgDSPFrame::SetWOChoiceEState(int state) { SetWOEState(state); }

CDsgWOChoice* CDsgDSPFrame::GetWObjsChoice() const { return const_cast<CDsgDSPFrame*>(this); }

CRect CDsgDSPFrame::WObjsToClientRect(const CRect& rect) const { return LMToClientRect(rect); }

void CDsgDSPFrame::OnEAAdded(const CDsgEAction&) {
    m_nCached = 0;
    if (!IsVisiblePage()) return;
    if (CDsgLSDHost* host = GetDsgLSDHost()) host->_OnEAAdded();
}

CDsgWOChoice* CDsgDSPFrame::GetEActionsChoice() const { return const_cast<CDsgDSPFrame*>(this); }

void CDsgDSPFrame::OnWONOExchanged() { SRefresh(1); }

// ---- Refreshes -----------------------------------------------------------

void CDsgDSPFrame::RebuildWObjs() {
    WObjsFromEActions(*this, TRUE);
    update();
}

void CDsgDSPFrame::SRefresh(int code) {
    CDsgLSDHost* host = IsVisiblePage() ? GetDsgLSDHost() : nullptr;
    if (host) {
        host->MFRefresh(code);
    } else if (code == 1) {
        RebuildWObjs();
    } else if (code == 2) {
        update();
    }
}

// ---- Helpers of the commands ---------------------------------------------

BOOL CDsgDSPFrame::AddEAction(std::unique_ptr<CDsgEAction> action) {
    return EAAdd(std::move(action));
}

void CDsgDSPFrame::EndEAGroup(int firstIndex) {
    const int last = GetCurrentEAIndex();
    if (last < firstIndex) return;
    for (int i = std::max(firstIndex, 0); i < last; ++i) SetEASwiftAt(i, 1);
    SetEASwiftAt(last, 0);
}

void CDsgDSPFrame::AddFollowEActions(const CDsgWOIdSet& movedIds) {
    const PointSnap snap = [this](CPoint& point) { SnapPointToUGrid(point); };
    WObjsFromEActions(*this, TRUE);
    // Each object's followers from the rectangles the ones before left, so
    // that a line linked to two moved objects keeps both moves.
    for (int id : movedIds)
        if (KLGAddFollowEActions(*this, id, TRUE, *this, &snap) > 0) WObjsFromEActions(*this, TRUE);
}

void CDsgDSPFrame::TakeWOEUTProps(int id) {
    if (const CDsgWObj* obj = GetWObjById(id)) GetWOEUTProps().MergeFrom(obj->GetUTProps());
}

CDsgWOIdSet CDsgDSPFrame::GetWOCHIds() const {
    CDsgWOIdSet ids;
    GetAllWOCHIds(ids);
    return ids;
}

CRect CDsgDSPFrame::GetLMHugeBounds() {
    const CSize lm = CDsgGOption::GetLMSize();
    return {0, 0, ClampToLong(std::int64_t{lm.cx} * kDot - 1),
            ClampToLong(std::int64_t{lm.cy} * kDot - 1)};
}

void CDsgDSPFrame::ShowMenuLimitMessage() {
    MessageBox("You cannot create more than " + std::to_string(nDSG_MAX_WOMENUS) + " menus !",
               "Menu", MB_OK, this);
}

// ---- Stretching and moving the chosen objects ---------------------------

void CDsgDSPFrame::AddWOCHObjsDRMoveEAction(int left, int top, int right, int bottom, BOOL merge,
                                            BOOL refresh) {
    const int choice = GetWOChoiceState();
    if (choice == nDSG_WOCHS__NONE) return;
    const CRect rect(left, top, right, bottom);
    std::unique_ptr<CDsgEAction> action;
    if (choice == nDSG_WOCHS__SINGLE) {
        action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        action->InitDRMoving(GetCWOCHId(), rect);
    } else {
        action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__MGEOM);
        action->InitWOMDRMove(GetWOCHIds(), rect);
    }
    // A run of merging calls undoes as one step: each action of the run
    // joins the one after it, so the newest never carries the mark and the
    // next unrelated edit stays a step of its own.
    MergeRun& run = m_merge[choice == nDSG_WOCHS__SINGLE ? 0 : 1];
    const DWORD now = GetTickCount();
    CDsgEAction* previous = nullptr;
    if (merge && run.valid && now - run.tick < kMergeMs && run.index == GetCurrentEAIndex() &&
        GetEAction(run.index) == run.action)
        previous = GetEAction(run.index);
    const int first = NextEAIndex();
    if (AddEAction(std::move(action))) {
        AddFollowEActions(GetWOCHIds());
        EndEAGroup(first);
        if (previous) previous->SetEASwift(1);
        if (merge) run = {true, now, GetCurrentEAIndex(), GetEAction(GetCurrentEAIndex())};
    }
    SetWOEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
    if (refresh) SRefresh(1);
}

void CDsgDSPFrame::AddWOCHObjsEDRMoveEAction(int dx, int dy, BOOL refresh) {
    const CDsgWOIdSet ids = GetWOCHIds();
    if (ids.empty()) return;
    const CRect rect = OffsetClamped(GetWObjsBoundRect(ids), dx, dy);
    AddWOCHObjsDRMoveEAction(rect.left, rect.top, rect.right, rect.bottom, TRUE, refresh);
}

void CDsgDSPFrame::AddWOCHObjsJIPRMoveEAction(int dx, int dy, BOOL refresh) {
    const CDsgWOIdSet ids = GetWOCHIds();
    if (ids.empty()) return;
    CRect rect = GetWObjsBoundRect(ids);
    // The edge further right (lower) moves, never closer than a dot to the
    // other one; a mirrored rectangle keeps that edge in its left (top).
    auto resize = [](LONG& low, LONG& high, int delta) {
        if (delta == 0) return;
        if (high >= low)
            high = std::max(Add(high, delta), Add(low, kDot));
        else
            low = std::max(Add(low, delta), Add(high, kDot));
    };
    resize(rect.left, rect.right, dx);
    resize(rect.top, rect.bottom, dy);
    AddWOCHObjsDRMoveEAction(rect.left, rect.top, rect.right, rect.bottom, TRUE, refresh);
}

// ---- Alignment and spacing ------------------------------------------------

void CDsgDSPFrame::AddAlignEAction(const std::string& key, BOOL refresh) {
    const int current = GetCWOCHId();
    if (!GetWObjById(current)) return;
    const CDsgWOIdSet chosen = GetWOCHIds();
    std::vector<int> ids;
    for (int id : chosen)
        if (GetWObjById(id)) ids.push_back(id);
    const int first = NextEAIndex();

    if (key == "xlgalign" || key == "ylgalign") {
        if (ids.size() < 2) return;
        const bool horizontal = key == "xlgalign";
        struct Item {
            int id;
            CRect stored;
            std::int64_t start, size;
            double centre;
        };
        std::vector<Item> items;
        std::int64_t low = 0, high = 0, sum = 0;
        for (int id : ids) {
            const CRect stored = GetWObjRect(id);
            const CRect n = Normalized(stored);
            const std::int64_t start = horizontal ? n.left : n.top;
            const std::int64_t end = horizontal ? n.right : n.bottom;
            if (items.empty() || start < low) low = start;
            if (items.empty() || end > high) high = end;
            sum += end - start;
            items.push_back({id, stored, start, end - start, (double(start) + double(end)) / 2});
        }
        std::stable_sort(items.begin(), items.end(),
                         [](const Item& a, const Item& b) { return a.centre < b.centre; });
        const double gap = double(high - low - sum) / double(items.size() - 1);
        double position = double(low);
        for (const Item& item : items) {
            const std::int64_t start = static_cast<std::int64_t>(position);
            const LONG s = ClampToLong(start);
            const LONG e = ClampToLong(start + item.size);
            CRect rect = item.stored;
            LONG& a = horizontal ? rect.left : rect.top;
            LONG& b = horizontal ? rect.right : rect.bottom;
            if (b < a) {
                a = e;
                b = s;
            } else {
                a = s;
                b = e;
            }
            position += double(item.size) + gap;
            auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
            action->InitEDRMoving(rect, item.id);
            AddEAction(std::move(action));
        }
    } else {
        const CRect reference = Normalized(GetWObjRect(current));
        const std::int64_t width = std::int64_t{reference.right} - reference.left;
        const std::int64_t height = std::int64_t{reference.bottom} - reference.top;
        // The order in which the objects are handled: by their near or far
        // edge, the far edges from the far side.
        auto sortKey = [&](int id) -> std::int64_t {
            const CRect r = GetWObjRect(id);
            if (key == "tpalign") return std::min(r.top, r.bottom);
            if (key == "bpalign") return -std::int64_t{std::max(r.top, r.bottom)};
            if (key == "lpalign") return std::min(r.left, r.right);
            if (key == "rpalign") return -std::int64_t{std::max(r.left, r.right)};
            return 0;
        };
        std::stable_sort(ids.begin(), ids.end(),
                         [&](int a, int b) { return sortKey(a) < sortKey(b); });
        const bool shifts =
            key == "tpalign" || key == "bpalign" || key == "lpalign" || key == "rpalign";
        const bool widths = key == "xsalign" || key == "xysalign";
        const bool heights = key == "ysalign" || key == "xysalign";
        if (!shifts && !widths && !heights) return;
        std::map<int, std::pair<std::int64_t, std::int64_t>> groupShift;
        for (int id : ids) {
            CRect rect = GetWObjRect(id);
            if (shifts) {
                std::int64_t dx = 0, dy = 0;
                if (key == "tpalign")
                    dy = std::int64_t{reference.top} - std::min(rect.top, rect.bottom);
                if (key == "bpalign")
                    dy = std::int64_t{reference.bottom} - std::max(rect.top, rect.bottom);
                if (key == "lpalign")
                    dx = std::int64_t{reference.left} - std::min(rect.left, rect.right);
                if (key == "rpalign")
                    dx = std::int64_t{reference.right} - std::max(rect.left, rect.right);
                // Linked lines move together: a group keeps the shift of its
                // first object.
                const int leader = GetWOKLGLeader(id);
                if (leader >= 0) {
                    const auto found = groupShift.find(leader);
                    if (found != groupShift.end())
                        std::tie(dx, dy) = found->second;
                    else
                        groupShift[leader] = {dx, dy};
                }
                rect = OffsetClamped(rect, dx, dy);
            } else {
                if (IsWOKLGLinked(id)) continue;
                if (widths) {
                    if (rect.left <= rect.right)
                        rect.right = Add(rect.left, width);
                    else
                        rect.left = Add(rect.right, width);
                }
                if (heights) {
                    if (rect.top <= rect.bottom)
                        rect.bottom = Add(rect.top, height);
                    else
                        rect.top = Add(rect.bottom, height);
                }
            }
            auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
            action->InitEDRMoving(rect, id);
            AddEAction(std::move(action));
        }
    }
    if (GetCurrentEAIndex() >= first) AddFollowEActions(CDsgWOIdSet(ids.begin(), ids.end()));
    EndEAGroup(first);
    if (refresh) SRefresh(1);
}

// ---- Centring, growing, shrinking ------------------------------------------

namespace {

// Moves one axis of a rectangle so that it is centred between two edges
// (integer halves), keeping its stored direction.
void CenterAxis(LONG& a, LONG& b, LONG outerLow, LONG outerHigh) {
    const std::int64_t low = std::min(a, b);
    const std::int64_t size = std::int64_t{std::max(a, b)} - low;
    const std::int64_t outer = std::int64_t{outerHigh} - outerLow;
    const std::int64_t shift = outerLow + (outer - size) / 2 - low;
    a = Add(a, shift);
    b = Add(b, shift);
}

}  // namespace

void CDsgDSPFrame::AddWOCHBoundsEAction(BOOL refresh,
                                        const std::function<void(CRect&, const CRect&)>& change) {
    const CDsgWOIdSet ids = GetWOCHIds();
    if (ids.empty()) return;
    CRect rect = GetWObjsBoundRect(ids);
    change(rect, GetLMHugeBounds());
    AddWOCHObjsDRMoveEAction(rect.left, rect.top, rect.right, rect.bottom, FALSE, refresh);
}

void CDsgDSPFrame::AddXCenterEAction(BOOL refresh) {
    AddWOCHBoundsEAction(refresh, [](CRect& rect, const CRect& lcd) {
        CenterAxis(rect.left, rect.right, lcd.left, lcd.right);
    });
}

void CDsgDSPFrame::AddYCenterEAction(BOOL refresh) {
    AddWOCHBoundsEAction(refresh, [](CRect& rect, const CRect& lcd) {
        CenterAxis(rect.top, rect.bottom, lcd.top, lcd.bottom);
    });
}

void CDsgDSPFrame::AddXYCenterEAction(BOOL refresh) {
    AddWOCHBoundsEAction(refresh, [](CRect& rect, const CRect& lcd) {
        CenterAxis(rect.left, rect.right, lcd.left, lcd.right);
        CenterAxis(rect.top, rect.bottom, lcd.top, lcd.bottom);
    });
}

void CDsgDSPFrame::AddORInflateEAction(BOOL refresh) {
    AddWOCHBoundsEAction(refresh, [](CRect& rect, const CRect&) {
        InflateAxis(rect.left, rect.right, kDot);
        InflateAxis(rect.top, rect.bottom, kDot);
    });
}

void CDsgDSPFrame::AddORDeflateEAction(BOOL refresh) {
    // An axis of two dots or less has nothing to give: shrinking it would
    // turn it over. It stays; the action is recorded all the same.
    AddWOCHBoundsEAction(refresh, [](CRect& rect, const CRect&) {
        auto shrink = [](LONG& low, LONG& high) {
            if (std::llabs(std::int64_t{high} - low) > 2 * kDot) InflateAxis(low, high, -kDot);
        };
        shrink(rect.left, rect.right);
        shrink(rect.top, rect.bottom);
    });
}

void CDsgDSPFrame::AddMRInflateEAction(BOOL refresh) {
    AddWOCHBoundsEAction(refresh, [](CRect& rect, const CRect& lcd) {
        MaximizeAxis(rect.left, rect.right, lcd.right);
        MaximizeAxis(rect.top, rect.bottom, lcd.bottom);
    });
}

// ---- Depth, straightening --------------------------------------------------

void CDsgDSPFrame::AddUZAlterEAction(BOOL refresh) {
    int neighbour = -1, own = -1;
    if (!GetCWOCHZNeighbour(TRUE, neighbour, own) || neighbour < 0) return;
    auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
    action->InitUZAlter(own);
    AddEAction(std::move(action));
    if (refresh) SRefresh(1);
}

void CDsgDSPFrame::AddDZAlterEAction(BOOL refresh) {
    int neighbour = -1, own = -1;
    if (!GetCWOCHZNeighbour(FALSE, neighbour, own) || neighbour < 0) return;
    auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
    action->InitDZAlter(own);
    AddEAction(std::move(action));
    if (refresh) SRefresh(1);
}

void CDsgDSPFrame::AddACWOCHObjRAAlterEAction(BOOL refresh) {
    const int id = GetCWOCHId();
    if (!GetWObjById(id)) return;
    const CRect old = GetWObjRect(id);
    CRect rect = old;
    const std::int64_t width = std::llabs(std::int64_t{rect.right} - rect.left);
    const std::int64_t height = std::llabs(std::int64_t{rect.bottom} - rect.top);
    if (height <= width)
        rect.top = rect.bottom = ClampToLong((std::int64_t{rect.top} + rect.bottom) / 2);
    else
        rect.left = rect.right = ClampToLong((std::int64_t{rect.left} + rect.right) / 2);
    if (rect == old) return;
    const int first = NextEAIndex();
    auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
    action->InitEDRMoving(rect, id);
    if (AddEAction(std::move(action))) AddFollowEActions({id});
    EndEAGroup(first);
    if (refresh) SRefresh(1);
}

// ---- Deleting, amending, choosing ------------------------------------------

void CDsgDSPFrame::AddWWKLGClearEActionsForAllWOCHObjs(BOOL refresh) {
    const int first = NextEAIndex();
    for (int id : GetWOCHIds()) {
        const int from = NextEAIndex();
        AddWOKLGClearEActions(id, *this);
        // The groups follow at once, so that a partner chosen too is not
        // detached a second time.
        for (int i = from; i <= GetCurrentEAIndex(); ++i) KLGApplyJDetach(*GetEAction(i));
    }
    EndEAGroup(first);
    if (refresh) SRefresh(1);
}

void CDsgDSPFrame::AddWODeleteEAction(BOOL refresh) {
    const int choice = GetWOChoiceState();
    if (choice == nDSG_WOCHS__NONE) return;
    const int first = NextEAIndex();
    const CDsgWOIdSet ids = GetWOCHIds();
    AddWWKLGClearEActionsForAllWOCHObjs(FALSE);
    if (choice == nDSG_WOCHS__SINGLE) {
        auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        action->InitWODeletion(GetCWOCHId());
        AddEAction(std::move(action));
    } else {
        auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__MGEOM);
        action->InitWOMDeletion(ids);
        AddEAction(std::move(action));
    }
    EndEAGroup(first);
    ResetWOChoice();
    SetWOEState(nDSG_WOES__NOT_WOCH);
    if (refresh) SRefresh(1);
    SRefresh(3);
    SRefresh(4);
}

void CDsgDSPFrame::OnWODeleteWOCHObjs() { AddWODeleteEAction(TRUE); }

void CDsgDSPFrame::AddWOCHObjsWOAEAction(const CDsgWOAmending& amending, BOOL refresh) {
    const int choice = GetWOChoiceState();
    if (GetWOEState() == nDSG_WOES__NOT_WOCH || choice == nDSG_WOCHS__NONE) return;
    auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
    if (choice == nDSG_WOCHS__SINGLE)
        action->InitWOAmending(GetCWOCHId(), FALSE, amending);
    else
        action->InitWOMAmending(GetWOCHIds(), FALSE, amending);
    AddEAction(std::move(action));
    if (refresh) SRefresh(1);
}

void CDsgDSPFrame::WOAmendWOCHObjs(const CDsgWOAmending& amending) {
    for (int id : GetWOCHIds())
        if (CDsgWObj* obj = GetWObjById(id)) amending.WOAmendTProps(*obj);
    NoteContentChanged();
    SRefresh(2);
}

void CDsgDSPFrame::WOChooseAllWObjs() {
    const std::set<int> ids(GetZOrder().begin(), GetZOrder().end());
    if (ids.empty()) return;
    WOChoose(ids, TRUE);
    SRefresh(2);
    SRefresh(3);
    SRefresh(4);
}

int CDsgDSPFrame::OnTab() {
    const int current = GetCWOCHId();
    if (current < 0) return 0;
    // Without its reference object (deleted, undone) Tab has nothing to go by.
    const CDsgWObj* reference = GetWObjById(m_nRefWOId);
    if (!reference) return 0;
    const CPoint centre = GetNormalizedCenter(reference->GetLMHugeRect());
    // One walk round the objects at most, starting after the current one.
    int id = current;
    for (int step = 0; step < GetWObjCount(); ++step) {
        id = GetNextZWOId(id, TRUE);
        if (id < 0 || id == current) break;
        const CDsgWObj* obj = GetWObjById(id);
        if (!obj || GetWOCenterDistance(*obj, centre) >= kTabReach) continue;
        ACWOChoose(id, TRUE);
        TakeWOEUTProps(id);
        SRefresh(2);
        SRefresh(3);
        SRefresh(4);
        return 1;
    }
    return 0;
}

// ---- Copy, cut, paste --------------------------------------------------------

void CDsgDSPFrame::OnCopy() {
    const CDsgWOIdSet ids = GetWOCHIds();
    if (ids.empty()) return;
    const CDsgLSDHost* host = GetDsgLSDHost();
    CDsgHDAction buffer;
    int counter = -1;  // the copies keep their ids
    buffer.HDSetWObjs(host ? host->GetLSDSlotNumber() : -1, *this, TRUE, counter, &ids);
    buffer.m_nSPIndex = GetSPIndex();
    buffer.HDWrite();
}

void CDsgDSPFrame::OnCut() {
    if (GetWOChoiceState() == nDSG_WOCHS__NONE) return;
    OnCopy();
    AddWODeleteEAction(TRUE);
}

void CDsgDSPFrame::OnPaste() {
    CDsgHDAction buffer;
    if (!buffer.HDRead() || buffer.m_nHDKind != nDSG_HDKIND__WOBJS || buffer.GetWObjCount() < 1)
        return;
    const CDsgLSDHost* host = GetDsgLSDHost();
    const int slot = host ? host->GetLSDSlotNumber() : -1;
    // Copies pasted into the form they came from are put at the top-left
    // corner, off the originals; other forms keep their positions.
    if (buffer.m_nSPIndex == GetSPIndex() && buffer.m_nLSIndex == slot) {
        const CPoint corner = buffer.m_ptTopLeft;
        const std::vector<int> ids(buffer.GetZOrder().begin(), buffer.GetZOrder().end());
        for (int id : ids)
            buffer.SetWObjRect(id, OffsetClamped(buffer.GetWObjRect(id), -std::int64_t{corner.x},
                                                 -std::int64_t{corner.y}));
    }
    if (buffer.GetWObjCount() == 1) {
        const CDsgWObj* obj = buffer.GetWObjById(buffer.GetZOrder().GetHead());
        if (obj->GetWOKind() == nDSG_WOKIND__WOMENU && GetFVacantWONOrder() < 0) {
            SetWOEState(nDSG_WOES__NOT_WOCH);
            ShowMenuLimitMessage();
            return;
        }
        const int id = GetWOIdCounter();
        auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        action->InitWOCreation(WOIdCounter(), obj->GetWOKind(), obj->GetLMHugeRect(),
                               obj->GetUTProps(), FALSE);
        if (AddEAction(std::move(action))) {
            ACWOChoose(id, TRUE);
            // A lone creation is no change the list reports (a drag's
            // geometry action does that); a pasted object is one.
            m_nCached = 0;
            if (IsVisiblePage())
                if (CDsgLSDHost* host = GetDsgLSDHost()) host->_OnEAAdded();
        }
    } else {
        if (GetFVacantWONOrder() < 0 ||
            GetWOMenuCount() + buffer.GetWOMenuCount() > nDSG_MAX_WOMENUS) {
            SetWOEState(nDSG_WOES__NOT_WOCH);
            ShowMenuLimitMessage();
            return;
        }
        auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__MCREATE);
        action->InitWOMCreation(buffer, WOIdCounter());
        const std::set<int> ids(action->GetZOrder().begin(), action->GetZOrder().end());
        if (AddEAction(std::move(action))) WOChoose(ids, TRUE);
    }
    SRefresh(1);
    SRefresh(3);
    SRefresh(4);
}

// ---- Line links --------------------------------------------------------------

void CDsgDSPFrame::TSKLGain(int firstId, int secondId) {
    if (firstId < 0 || secondId < 0) return;
    const bool english = FxSharedValues().GetPVLanguage() == "eng";
    const CDsgWObj* first = GetWObjById(firstId);
    const CDsgWObj* second = GetWObjById(secondId);
    if (!first || !second) {
        MessageBox(english ? "The object was not selected correctly."
                           : A("객체가 올바르게 선택되지 않았습니다."),
                   "Error", MB_OK, this);
        return;
    }
    if (first->GetWOKind() != nDSG_WOKIND__WOLINE || second->GetWOKind() != nDSG_WOKIND__WOLINE) {
        MessageBox(english ? "Each object must be line in order to link"
                           : A("두 객체가 모두 라인이어야 접점 연결이 가능합니다."),
                   "Error", MB_OK, this);
        return;
    }
    CDsgKLinkEntry firstEnd, secondEnd;
    if (!FindNearestWOEnds(*this, firstId, secondId, firstEnd, secondEnd)) return;
    const int group = NextEAIndex();
    // The first line's end goes onto the second's, then the ends are joined.
    const CRect firstRect = GetWObjRect(firstId);
    const CRect moved = SetRectCorner(firstRect, firstEnd.GetKLCorner(),
                                      GetWOCorner(secondId, secondEnd.GetKLCorner()));
    if (moved != firstRect) {
        auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        action->InitDRMoving(firstId, moved);
        if (AddEAction(std::move(action))) SetWObjRect(firstId, moved);
    }
    int leader = -1;
    if (auto mcadd = TSKLGainLeader(firstEnd, secondEnd, leader, KLeaderCounter())) {
        const CDsgEAction& made = *mcadd;
        if (AddEAction(std::move(mcadd))) KLGApplyMCAdd(made);
    }
    std::unique_ptr<CDsgEAction> attachFirst, attachSecond;
    TSKLGainAttach(leader, firstEnd, secondEnd, attachFirst, attachSecond);
    for (auto* attach : {&attachFirst, &attachSecond}) {
        if (!*attach) continue;
        const CDsgEAction& made = **attach;
        if (AddEAction(std::move(*attach))) KLGApplyJAttach(made);
    }
    AddFollowEActions({firstId});
    EndEAGroup(group);
    SRefresh(1);
}

// ---- Undo, redo, clear ---------------------------------------------------------

void CDsgDSPFrame::OnHistoryMoved() {
    WObjsFromEActions(*this, TRUE);
    if (GetWOChoiceState() == nDSG_WOCHS__SINGLE) TakeWOEUTProps(GetCWOCHId());
    m_nCached = 0;
    SRefresh(2);
    SRefresh(3);
    SRefresh(4);
    if (IsVisiblePage())
        if (CDsgLSDHost* host = GetDsgLSDHost()) host->_OnUndoedOrRedoed();
}

void CDsgDSPFrame::UndoEActionAndSRefresh() {
    if (!IsUndoable()) return;
    UndoEAction();
    OnHistoryMoved();
    setFocus();
}

void CDsgDSPFrame::RedoEActionAndSRefresh() {
    if (!IsRedoable()) return;
    RedoEAction();
    OnHistoryMoved();
}

int CDsgDSPFrame::SPClear(BOOL refresh, BOOL cache) {
    if (cache) {
        CDsgLSDAction lsd;
        if (!lsd.SLSCache(GetSPIndex(), TRUE)) return 0;
    }
    ResetEActions();
    ResetWOChoice();
    RemoveAllWObjs();
    SetWOEState(nDSG_WOES__NOT_WOCH);
    // The emptied form is rebuilt and shown, and so are the bars and panels
    // that showed what was chosen on it.
    if (refresh) SRefresh(1);
    return 1;
}

// ---- The context menu ------------------------------------------------------------

namespace {

// The enable rules of the object commands.
BOOL SeveralChosen(const CDsgDSPFrame& page) { return page.GetWOCHCount() >= 2; }
// At least two chosen and none of them but the current one is line-linked.
BOOL SeveralChosenOthersUnlinked(const CDsgDSPFrame& page) {
    if (!SeveralChosen(page)) return FALSE;
    for (int id : page.GetSWOCHIds())
        if (page.IsWOKLGLinked(id)) return FALSE;
    return TRUE;
}
BOOL SomethingChosen(const CDsgDSPFrame& page) { return page.GetWOCHCount() >= 1; }
// One object chosen with a neighbour above it (upper) or below it.
template <BOOL upper>
BOOL HasZNeighbour(const CDsgDSPFrame& page) {
    int neighbour = -1, own = -1;
    return page.GetCWOCHZNeighbour(upper, neighbour, own) && neighbour >= 0;
}
BOOL Always(const CDsgDSPFrame&) { return TRUE; }

}  // namespace

const std::vector<CDsgWOEditCommand>& CDsgDSPFrame::GetWOEditCommands() {
    using Page = CDsgDSPFrame;
    static const std::vector<CDsgWOEditCommand> commands = {
        {nDSG_CMD__TPALIGN, "Align to Top", false, SeveralChosen,
         [](Page& page) { page.AddAlignEAction("tpalign", 1); }},
        {nDSG_CMD__BPALIGN, "Align to Bottom", false, SeveralChosen,
         [](Page& page) { page.AddAlignEAction("bpalign", 1); }},
        {nDSG_CMD__LPALIGN, "Align to Left", false, SeveralChosen,
         [](Page& page) { page.AddAlignEAction("lpalign", 1); }},
        {nDSG_CMD__RPALIGN, "Align to Right", true, SeveralChosen,
         [](Page& page) { page.AddAlignEAction("rpalign", 1); }},
        {nDSG_CMD__XSALIGN, "Same Width", false, SeveralChosenOthersUnlinked,
         [](Page& page) { page.AddAlignEAction("xsalign", 1); }},
        {nDSG_CMD__YSALIGN, "Same Height", false, SeveralChosenOthersUnlinked,
         [](Page& page) { page.AddAlignEAction("ysalign", 1); }},
        {nDSG_CMD__XYSALIGN, "Same Size", true, SeveralChosenOthersUnlinked,
         [](Page& page) { page.AddAlignEAction("xysalign", 1); }},
        {nDSG_CMD__YLGALIGN, "Same Vertical Gap", false, SeveralChosenOthersUnlinked,
         [](Page& page) { page.AddAlignEAction("ylgalign", 1); }},
        {nDSG_CMD__XLGALIGN, "Same Horizontal Gap", true, SeveralChosenOthersUnlinked,
         [](Page& page) { page.AddAlignEAction("xlgalign", 1); }},
        {nDSG_CMD__XCENTER, "Center Horizontally", false, SomethingChosen,
         [](Page& page) { page.AddXCenterEAction(1); }},
        {nDSG_CMD__YCENTER, "Center Vertically", false, SomethingChosen,
         [](Page& page) { page.AddYCenterEAction(1); }},
        {nDSG_CMD__XYCENTER, "Center", false, SomethingChosen,
         [](Page& page) { page.AddXYCenterEAction(1); }},
        {nDSG_CMD__MRINFLATE, "Maximize", true, SomethingChosen,
         [](Page& page) { page.AddMRInflateEAction(1); }},
        {nDSG_CMD__TSKLGAIN, "Link Lines", false, Always,
         [](Page& page) {
             // Two lines chosen: the active one and the other.
             if (page.GetWOCHCount() == 2)
                 page.TSKLGain(page.GetCWOCHId(), *page.GetSWOCHIds().begin());
         }},
        {nDSG_CMD__WWKLGCLEAR, "Unlink Lines", false, Always,
         [](Page& page) {
             page.AddWWKLGClearEActionsForAllWOCHObjs(1);
             page.SRefresh(2);
         }},
        {nDSG_CMD__WODELETE, "Delete\tDel", true, SomethingChosen,
         [](Page& page) { page.AddWODeleteEAction(1); }},
        {nDSG_CMD__UZALTER, "Move Forward", false, HasZNeighbour<TRUE>,
         [](Page& page) { page.AddUZAlterEAction(1); }},
        {nDSG_CMD__DZALTER, "Move Backward", true, HasZNeighbour<FALSE>,
         [](Page& page) { page.AddDZAlterEAction(1); }},
        {nDSG_CMD__ORINFLATE, "Enlarge", false, SomethingChosen,
         [](Page& page) { page.AddORInflateEAction(1); }},
        {nDSG_CMD__ORDEFLATE, "Shrink", false, SomethingChosen,
         [](Page& page) { page.AddORDeflateEAction(1); }},
    };
    return commands;
}

const CDsgWOEditCommand* CDsgDSPFrame::FindWOEditCommand(UINT id) {
    for (const CDsgWOEditCommand& command : GetWOEditCommands())
        if (command.id == id) return &command;
    return nullptr;
}

BOOL CDsgDSPFrame::IsWOEditCommandEnabled(UINT id) const {
    const CDsgWOEditCommand* command = FindWOEditCommand(id);
    return command && command->isEnabled(*this);
}

BOOL CDsgDSPFrame::RunWOEditCommand(UINT id) {
    const CDsgWOEditCommand* command = FindWOEditCommand(id);
    if (!command || !command->isEnabled(*this)) return FALSE;
    command->run(*this);
    return TRUE;
}

void CDsgDSPFrame::FillWOEditMenu(QMenu& menu) const {
    menu.setObjectName("WOEDIT");
    for (const CDsgWOEditCommand& command : GetWOEditCommands()) {
        QAction* action = menu.addAction(QString::fromLatin1(command.text));
        SetCommandId(action, command.id);
        action->setEnabled(command.isEnabled(*this));
        if (command.separatorAfter) menu.addSeparator();
    }
}

// ---- Mouse -----------------------------------------------------------------------

void CDsgDSPFrame::OnLButtonDown(const CPoint& client, Qt::KeyboardModifiers keys) {
    m_ptLastClient = client;
    const CPoint point = ClientToLMPoint(client.x, client.y);
    m_ptWOEPress = point;
    m_ptLastMove = point;
    // A press where the last move was not seen (a click just chose the
    // object under a still pointer) acts on the handle under the press,
    // which the cursor already shows.
    UpdateWOCHHoverState(client);
    switch (GetWOEState()) {
        case nDSG_WOES__WOCH_AND_PRMOVABLE_BUT_NOT_PRMOVING:
            // A single definable character is only moved, never resized.
            if (!IsSingleWODNCharChosen()) SetWOEState(nDSG_WOES__WOCH_AND_PRMOVING);
            break;
        case nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING:
            SetWOEState(nDSG_WOES__WOCH_AND_EDRMOVING);
            break;
        case nDSG_WOES__NOT_WOCH:
        case nDSG_WOES__HCAPTURING:
        case nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING: {
            if (m_nWOETool != 0 && GetToolWOKind(m_nWOETool) == 0) break;
            const int state = GetWOEState();
            m_ptWOEStart = point;
            if (!(keys & Qt::ShiftModifier)) ResetWOChoice();
            if (state == nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING) SRefresh(2);
            SetWOEState(nDSG_WOES__WOCREATION_READY);
            break;
        }
        default:
            break;
    }
}

void CDsgDSPFrame::OnMouseMove(const CPoint& client, Qt::KeyboardModifiers keys) {
    m_ptLastClient = client;
    m_lastKeys = keys;
    const CPoint point = ClientToLMPoint(client.x, client.y);
    const CSize delta = point - m_ptLastMove;
    m_ptLastMove = point;
    switch (GetWOEState()) {
        case nDSG_WOES__HCAPTURING:
            // The rubber band follows, and the position bar shows it.
            SRefresh(2);
            SRefresh(4);
            break;
        case nDSG_WOES__BROWSING_LNXPOINT:
            SRefresh(2);
            break;
        case nDSG_WOES__WOCREATION_READY: {
            const std::int64_t dx = std::llabs(std::int64_t{point.x} - m_ptWOEPress.x);
            const std::int64_t dy = std::llabs(std::int64_t{point.y} - m_ptWOEPress.y);
            if (dx <= kDragStart && dy <= kDragStart) break;
            const int kind = GetToolWOKind(m_nWOETool);
            if (kind == 0) {
                SetWOEState(nDSG_WOES__HCAPTURING);
                SRefresh(2);
                SRefresh(4);
                break;
            }
            const CSize lm = CDsgGOption::GetLMSize();
            if (m_ptWOEPress.x < 0 || m_ptWOEPress.y < 0 || point.x >= std::int64_t{lm.cx} * kDot ||
                point.y >= std::int64_t{lm.cy} * kDot)
                break;
            if (kind == nDSG_WOKIND__WOMENU && GetFVacantWONOrder() < 0) {
                SetWOEState(nDSG_WOES__NOT_WOCH);
                ShowMenuLimitMessage();
                break;
            }
            SetWOEState(nDSG_WOES__WOCH_AND_WOCERDRMOVING);
            const int id = GetWOIdCounter();
            ACWOChoose(id, FALSE);
            m_nWOECreatedId = id;
            CDsgUTProps& templ = GetWOEUTProps();
            if (kind == nDSG_WOKIND__WOTEXT || kind == nDSG_WOKIND__WOMENU ||
                kind == nDSG_WOKIND__WOPTEXT)
                templ.SetString(szUTP_LSCRIPT, "");
            if (kind == nDSG_WOKIND__WOIMAGE) templ.SetRevolver(szUTP_OBWBMP, CRevolver());
            auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
            action->InitWOCreation(WOIdCounter(), kind, CRect(m_ptWOEPress, point), templ, TRUE);
            AddEAction(std::move(action));
            // The drag shapes the new object from the next move on.
            WObjsFromEActions(*this, TRUE);
            SRefresh(2);
            SRefresh(4);
            break;
        }
        case nDSG_WOES__WOCH_AND_WOCERDRMOVING:
            if (CDsgWObj* obj = GetWObjById(m_nWOECreatedId)) {
                CPoint first = m_ptWOEStart, second = point;
                ShapeCreationRect(first, second, FALSE, obj->GetWOKind(),
                                  (keys & Qt::ShiftModifier) != 0,
                                  (keys & Qt::ControlModifier) != 0);
                SetWObjRect(m_nWOECreatedId, CRect(first, second));
                SRefresh(2);
                SRefresh(4);
            }
            break;
        case nDSG_WOES__WOCH_AND_PRMOVING: {
            const CDsgWOIdSet ids = GetWOCHIds();
            if (ids.size() > 1) {
                PRMoveWObjs(ids, m_nWOEGrip, point);
                for (int id : ids) KLGFollowDirect(*this, id);
            } else if (GetWObjById(GetCWOCHId())) {
                const int id = GetCWOCHId();
                SetWObjRect(id, GetGripDraggedRect(GetWObjRect(id), m_nWOEGrip, point, FALSE));
                KLGFollowDirect(*this, id);
            }
            SRefresh(2);
            SRefresh(4);
            break;
        }
        case nDSG_WOES__WOCH_AND_EDRMOVING: {
            const CDsgWOIdSet ids = GetWOCHIds();
            if (ids.size() > 1) {
                OffsetWObjs(ids, delta.cx, delta.cy);
                for (int id : ids) KLGFollowDirect(*this, id);
            } else if (GetWObjById(GetCWOCHId())) {
                OffsetWObj(GetCWOCHId(), delta.cx, delta.cy);
                KLGFollowDirect(*this, GetCWOCHId());
            }
            SRefresh(2);
            SRefresh(4);
            break;
        }
        case nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING:
        case nDSG_WOES__WOCH_AND_PRMOVABLE_BUT_NOT_PRMOVING:
        case nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING:
            UpdateWOCHHoverState(client);
            break;
        default:
            break;
    }
    UpdateCursor();
    if (IsVisiblePage())
        if (CDsgLSDHost* host = GetDsgLSDHost()) host->ShowCursorLCDPos(client);
}

void CDsgDSPFrame::UpdateWOCHHoverState(const CPoint& client) {
    switch (GetWOEState()) {
        case nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING:
        case nDSG_WOES__WOCH_AND_PRMOVABLE_BUT_NOT_PRMOVING:
        case nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING:
            break;
        default:
            return;
    }
    if (GetWOChoiceState() == nDSG_WOCHS__NONE) return;
    const int grip = GetWOCHGripByPoint(client, FALSE);
    m_nWOEGrip = grip;
    if (grip == nDSG_GRIP__CENTER)
        SetWOEState(nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING);
    else if (grip == nDSG_GRIP__NONE || IsSingleWODNCharChosen())
        SetWOEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
    else
        SetWOEState(nDSG_WOES__WOCH_AND_PRMOVABLE_BUT_NOT_PRMOVING);
}

void CDsgDSPFrame::OnLButtonUp(const CPoint& client, Qt::KeyboardModifiers keys) {
    SetTimer(this, nDSG_DSPTIMER__FOCUS, nDSG_DSPTIMER__FOCUS_MS);
    m_ptLastClient = client;
    const CPoint point = ClientToLMPoint(client.x, client.y);
    const int state = GetWOEState();
    switch (state) {
        case nDSG_WOES__HCAPTURING: {
            WOChooseInRect(Normalized(CRect(m_ptWOEPress, point)));
            SetWOEState(GetWOChoiceState() == nDSG_WOCHS__NONE
                            ? nDSG_WOES__NOT_WOCH
                            : nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
            SRefresh(2);
            SRefresh(3);
            SRefresh(4);
            break;
        }
        case nDSG_WOES__WOCREATION_READY: {
            CDsgUTProps attributes;
            CPoint centre;
            if (PickWObjNearPoint(point, attributes, centre)) {
                GetWOEUTProps().MergeFrom(attributes);
                m_nRefWOId = GetCWOCHId();
                SetWOEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
            } else {
                SetWOEState(GetWOChoiceState() == nDSG_WOCHS__NONE
                                ? nDSG_WOES__NOT_WOCH
                                : nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
            }
            SRefresh(1);
            SRefresh(3);
            SRefresh(4);
            break;
        }
        case nDSG_WOES__BROWSING_LNXPOINT:
        case nDSG_WOES__WOCH_AND_WOCERDRMOVING:
            EndWOCreation(point, keys, state == nDSG_WOES__BROWSING_LNXPOINT);
            break;
        case nDSG_WOES__WOCH_AND_PRMOVING:
            EndPRMoving(point);
            break;
        case nDSG_WOES__WOCH_AND_EDRMOVING:
            EndEDRMoving(point);
            break;
        default:
            break;
    }
}

void CDsgDSPFrame::EndWOCreation(const CPoint& release, Qt::KeyboardModifiers keys, BOOL wasLNX) {
    const int group = NextEAIndex();
    CPoint start = m_ptWOEStart;
    if (wasLNX) {
        // A click while drawing continuous lines starts the next line at the
        // end of the last one.
        start = m_ptLNXStart;
        const int id = GetWOIdCounter();
        auto create = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        create->InitWOCreation(WOIdCounter(), nDSG_WOKIND__WOLINE, CRect(start, start),
                               GetWOEUTProps(), TRUE);
        if (!AddEAction(std::move(create))) {
            SetWOEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
            return;
        }
        ACWOChoose(id, FALSE);
        m_nWOECreatedId = id;
    }
    const int id = m_nWOECreatedId;
    const CDsgWObj* obj = GetWObjById(id);
    int kind = obj ? obj->GetWOKind() : 0;
    if (!obj && wasLNX) kind = nDSG_WOKIND__WOLINE;
    CPoint first = start, second = release;
    ShapeCreationRect(first, second, FALSE, kind, (keys & Qt::ShiftModifier) != 0,
                      (keys & Qt::ControlModifier) != 0);
    if (kind != nDSG_WOKIND__WODNCHAR) SnapRectToUGrid(first, second, FALSE);
    auto geometry = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
    geometry->InitWOCERDRMoving(id, CRect(first, second));
    AddEAction(std::move(geometry));
    m_nRefWOId = id;
    SetWOEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
    if (kind == nDSG_WOKIND__WOLINE && (keys & Qt::AltModifier)) {
        if (wasLNX && GetWObjById(m_nLNXPrevId)) {
            WObjsFromEActions(*this, TRUE);
            TSKLGain(m_nLNXPrevId, id);
        }
        m_nLNXPrevId = id;
        m_ptLNXStart = second;
        SetWOEState(nDSG_WOES__BROWSING_LNXPOINT);
    }
    EndEAGroup(group);
    if (IsVisiblePage())
        if (CDsgLSDHost* host = GetDsgLSDHost()) host->_OnJustWOCreated(kind);
    SRefresh(1);
}

void CDsgDSPFrame::EndPRMoving(const CPoint& release) {
    if (release != m_ptWOEPress) {
        const int group = NextEAIndex();
        const CDsgWOIdSet ids = GetWOCHIds();
        CPoint target = release;
        SnapPointToUGrid(target);
        if (ids.size() > 1) {
            // The replay stretches the objects from their box before the
            // drag, so the objects go back to it first.
            WObjsFromEActions(*this, TRUE);
            auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__MGEOM);
            action->InitWOMPRMoving(ids, m_nWOEGrip, target);
            AddEAction(std::move(action));
            AddFollowEActions(ids);
        } else if (GetWObjById(GetCWOCHId())) {
            const int id = GetCWOCHId();
            CRect rect = GetWObjRect(id);
            CPoint first = rect.TopLeft(), second = rect.BottomRight();
            SnapRectToUGrid(first, second, FALSE);
            rect = CRect(first, second);
            auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
            action->InitPRMoving(rect, id, m_nWOEGrip, target);
            if (AddEAction(std::move(action))) AddFollowEActions({id});
        }
        EndEAGroup(group);
    }
    SetWOEState(nDSG_WOES__WOCH_AND_PRMOVABLE_BUT_NOT_PRMOVING);
    UpdateCursor();
    SRefresh(1);
}

void CDsgDSPFrame::EndEDRMoving(const CPoint& release) {
    if (release == m_ptWOEPress) {
        SetWOEState(nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING);
        SRefresh(1);
        return;
    }
    const int group = NextEAIndex();
    const CDsgWOIdSet ids = GetWOCHIds();
    // The objects on screen went with the pointer; the history takes the
    // whole move from the press.
    WObjsFromEActions(*this, TRUE);
    const CSize move = release - m_ptWOEPress;
    if (ids.size() > 1) {
        const CRect box = GetWObjsBoundRect(ids);
        CPoint corner(Add(box.left, move.cx), Add(box.top, move.cy));
        const CSize snap = SnapPointToUGrid(corner);
        auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__MGEOM);
        action->InitWOMEDRMoving(ids, CPoint(Add(move.cx, snap.cx), Add(move.cy, snap.cy)));
        AddEAction(std::move(action));
        AddFollowEActions(ids);
    } else if (const CDsgWObj* obj = GetWObjById(GetCWOCHId())) {
        const int id = GetCWOCHId();
        const CRect rect = OffsetClamped(GetWObjRect(id), move.cx, move.cy);
        CPoint first = rect.TopLeft(), second = rect.BottomRight();
        if (obj->GetWOKind() != nDSG_WOKIND__WODNCHAR) SnapRectToUGrid(first, second, TRUE);
        const CRect moved(first, second);
        auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        action->InitEDRMoving(moved, id);
        if (AddEAction(std::move(action))) AddFollowEActions({id});
    }
    EndEAGroup(group);
    SetWOEState(nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING);
    UpdateCursor();
    SRefresh(1);
}

void CDsgDSPFrame::OnRButtonDown() {
    if (GetWOEState() != nDSG_WOES__NOT_WOCH) SetWOEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
}

void CDsgDSPFrame::OnRButtonUp(const CPoint& client) {
    SetPageCursor(Qt::ArrowCursor);
    QMenu menu(this);
    FillWOEditMenu(menu);
    const UINT id = ExecPopupMenu(menu, mapToGlobal(QPoint(client.x, client.y)));
    // The main frame runs the page's commands.
    if (id != 0) PostMessage(parentWidget(), WM_COMMAND, id, 0);
}

void CDsgDSPFrame::EndLostDrag() {
    if (m_bInLostDrag) return;
    m_bInLostDrag = true;
    const int state = GetWOEState();
    if (IsLeftDragState(state)) {
        OnLButtonUp(m_ptLastClient, m_lastKeys);
    } else if (state == nDSG_WOES__BROWSING_LNXPOINT) {
        // The Alt release that ends continuous drawing will not come.
        SetWOEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
        SRefresh(2);
    }
    m_bInLostDrag = false;
}

void CDsgDSPFrame::CancelLeftDrag() {
    const int state = GetWOEState();
    // A drawing drag has recorded its object already; it ends on release.
    if (state == nDSG_WOES__WOCH_AND_WOCERDRMOVING) return;
    WObjsFromEActions(*this, TRUE);
    SetWOEState(GetWOChoiceState() == nDSG_WOCHS__NONE ? nDSG_WOES__NOT_WOCH
                                                       : nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
    UpdateCursor();
    SRefresh(2);
    SRefresh(4);
}

void CDsgDSPFrame::SetPageCursor(Qt::CursorShape shape) { setCursor(shape); }

void CDsgDSPFrame::UpdateCursor() {
    const QPoint p = mapFromGlobal(QCursor::pos());
    const int grip = GetWOCHGripByPoint(CPoint(p.x(), p.y()), FALSE);
    SetPageCursor(GetWOECursor(grip, IsSingleWODNCharChosen()));
}

// ---- Keyboard --------------------------------------------------------------------

BOOL CDsgDSPFrame::OnKeyEvents(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers keys = event->modifiers();
    const DWORD now = GetTickCount();
    if (event->type() == QEvent::KeyRelease) {
        if (key == Qt::Key_Shift) {
            m_dwShiftUpTick = now;
            m_bShiftUpSeen = true;
        }
        if (key == Qt::Key_Alt && GetWOEState() == nDSG_WOES__BROWSING_LNXPOINT) {
            SetWOEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
            SRefresh(2);
            return TRUE;
        }
        return FALSE;
    }
    if (event->type() != QEvent::KeyPress) return FALSE;

    const bool ctrl = (keys & Qt::ControlModifier) != 0;
    const bool shift = (keys & Qt::ShiftModifier) != 0;
    const bool alt = (keys & Qt::AltModifier) != 0;
    QWidget* focus = QApplication::focusWidget();
    const bool focused = focus && (focus == this || focus->isAncestorOf(this));

    if (IsLeftDragState(GetWOEState())) {
        // Esc gives up a move, a resize or a rubber band: the objects go
        // back to what the history holds and the release records nothing.
        if (key == Qt::Key_Escape) {
            CancelLeftDrag();
            return TRUE;
        }
        // The keys that change the history or the choice wait for the
        // release, which records what the drag shows.
        const bool editing = key == Qt::Key_Tab || key == Qt::Key_Backtab ||
                             key == Qt::Key_Delete || key == Qt::Key_Left || key == Qt::Key_Right ||
                             key == Qt::Key_Up || key == Qt::Key_Down ||
                             (ctrl && (key == Qt::Key_Z || key == Qt::Key_Y || key == Qt::Key_A ||
                                       key == Qt::Key_V || key == Qt::Key_X));
        if (editing) return TRUE;
    }

    if (ctrl && key == Qt::Key_Z && !shift) {
        // Only a plain key press counts, and not right after Shift went up.
        if (!alt && !(m_bShiftUpSeen && now - m_dwShiftUpTick < kShiftGuardMs))
            UndoEActionAndSRefresh();
        return TRUE;
    }
    if (ctrl && (key == Qt::Key_Y || (key == Qt::Key_Z && shift))) {
        RedoEActionAndSRefresh();
        return TRUE;
    }
    switch (key) {
        case Qt::Key_Tab:
            return OnTab() != 0;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down: {
            if (!focused) return FALSE;
            if (m_bArrowSeen && now - m_dwArrowTick < kArrowRepeatMs)
                ++m_nArrowCount;
            else
                m_nArrowCount = 0;
            m_bArrowSeen = true;
            m_dwArrowTick = now;
            const int factor = std::clamp((m_nArrowCount - 30) / 3, 1, 7);
            const int step = GetArrowStep() * factor;
            const int dx = key == Qt::Key_Left ? -step : key == Qt::Key_Right ? step : 0;
            const int dy = key == Qt::Key_Up ? -step : key == Qt::Key_Down ? step : 0;
            if (shift)
                AddWOCHObjsJIPRMoveEAction(dx, dy, TRUE);
            else
                AddWOCHObjsEDRMoveEAction(dx, dy, TRUE);
            return TRUE;
        }
        case Qt::Key_Delete:
            if (!focused) return FALSE;
            OnWODeleteWOCHObjs();
            return TRUE;
        default:
            break;
    }
    if (ctrl && !alt) {
        switch (key) {
            case Qt::Key_A:
                WOChooseAllWObjs();
                break;
            case Qt::Key_C:
                OnCopy();
                break;
            case Qt::Key_V:
                OnPaste();
                break;
            case Qt::Key_X:
                OnCut();
                break;
            default:
                break;
        }
    }
    return FALSE;
}

// ---- Timers ------------------------------------------------------------------------

void CDsgDSPFrame::OnTimer(UINT_PTR id) {
    if (id == nDSG_DSPTIMER__CACHE) {
        if (m_nCached == 0) {
            m_nCached = 1;
            CDsgLSDAction lsd;
            lsd.SLSCache(GetSPIndex(), TRUE);
        }
    } else if (id == nDSG_DSPTIMER__FOCUS) {
        KillTimer(this, nDSG_DSPTIMER__FOCUS);
        setFocus();
    }
}

// ---- Qt events -----------------------------------------------------------------------

bool CDsgDSPFrame::event(QEvent* event) {
    // Tab chooses the next object here instead of moving the focus.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            if (!OnKeyEvents(key)) QWidget::event(event);
            return true;
        }
    }
    return QWidget::event(event);
}

void CDsgDSPFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    CalcLMRect();
    SRefresh(4);
}

void CDsgDSPFrame::mousePressEvent(QMouseEvent* event) {
    const CPoint client = ClientPointOf(event);
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown(client, event->modifiers());
    } else if (event->button() == Qt::RightButton) {
        // The right button waits while the left one drags.
        if (IsLeftDragState(GetWOEState()) || (event->buttons() & Qt::LeftButton)) return;
        OnRButtonDown();
    }
}

void CDsgDSPFrame::mouseMoveEvent(QMouseEvent* event) {
    // A drag whose release went elsewhere ends where the pointer was.
    if (IsLeftDragState(GetWOEState()) && !(event->buttons() & Qt::LeftButton)) EndLostDrag();
    OnMouseMove(ClientPointOf(event), event->modifiers());
}

void CDsgDSPFrame::mouseReleaseEvent(QMouseEvent* event) {
    const CPoint client = ClientPointOf(event);
    if (event->button() == Qt::LeftButton) {
        OnLButtonUp(client, event->modifiers());
    } else if (event->button() == Qt::RightButton) {
        if (IsLeftDragState(GetWOEState()) || (event->buttons() & Qt::LeftButton)) return;
        OnRButtonUp(client);
    }
}

void CDsgDSPFrame::keyPressEvent(QKeyEvent* event) {
    if (!OnKeyEvents(event)) QWidget::keyPressEvent(event);
}

void CDsgDSPFrame::keyReleaseEvent(QKeyEvent* event) {
    if (!OnKeyEvents(event)) QWidget::keyReleaseEvent(event);
}

void CDsgDSPFrame::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    EndLostDrag();
}

// ---- Drawing -----------------------------------------------------------------------

void CDsgDSPFrame::paintEvent(QPaintEvent*) {
    CFxMemDC surface(nullptr, std::max(width(), 1), std::max(height(), 1));
    if (!DrawDSPFrame(surface, nullptr)) return;
    QPainter painter(this);
    surface.BltToTarget(painter);
}

int CDsgDSPFrame::RedrawDSPFrame(QImage* lcdBitmap) {
    if (!CalcLMRect()) return 0;
    // A shown page paints through its window; the picture of the LCD area
    // and hidden pages come from the same drawing off screen.
    if (!lcdBitmap && isVisible()) {
        repaint();
        return 1;
    }
    CFxMemDC surface(nullptr, std::max(width(), 1), std::max(height(), 1));
    return DrawDSPFrame(surface, lcdBitmap);
}

void CDsgDSPFrame::DrawUGrid(CDC& dc) const {
    const CDsgGOption& options = GetDsgGOption();
    const int gap = options.GetInt(GOPT_LMTIGHT_UGGAP, 0);
    if (!options.GetInt(GOPT_USE_UGRID, 0) || gap <= 1) return;
    const CSize lm = CDsgGOption::GetLMSize();
    const Pen old = dc.SelectPen(Pen(PS_SOLID, 1, options.GetUGridColor()));
    const LONG bottom = ClampToLong(std::int64_t{lm.cy} * kDot - kDot);
    const LONG right = ClampToLong(std::int64_t{lm.cx} * kDot - 1);
    for (std::int64_t i = 0; i < lm.cx; i += gap) {
        const LONG x = ClampToLong(i * kDot);
        dc.MoveTo(LMToClientPoint(x, 0));
        dc.LineTo(LMToClientPoint(x, bottom));
    }
    for (std::int64_t j = 0; j < lm.cy; j += gap) {
        const LONG y = ClampToLong(j * kDot);
        dc.MoveTo(LMToClientPoint(0, y));
        dc.LineTo(LMToClientPoint(right, y));
    }
    dc.SelectPen(old);
}

int CDsgDSPFrame::DrawDSPFrame(CDC& dc, QImage* lcdBitmap) {
    if (!CalcLMRect()) return 0;
    const CRect client(0, 0, dc.GetSize().cx, dc.GetSize().cy);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    dc.FillSolidRect(client, face);
    Draw3dFrame(&dc, client, face, 40, TRUE);
    if (GetSPIndex() < 0 && IsVisiblePage()) return 1;

    const CDsgGOption& options = GetDsgGOption();
    const COLORREF back = options.GetSPageBackColor();
    const CRect lcd = GetLMClientRect();
    // A vertical gradient from 5 % lighter to 5 % darker than the page colour.
    const COLORREF top = LightenColor(back, 5), bottom = DarkenColor(back, 5);
    const std::int64_t span = std::max<LONG>(lcd.Height(), 1);
    const CRect visible = lcd & client;
    for (LONG y = visible.top; y < visible.bottom; ++y) {
        const std::int64_t t = std::int64_t{y} - lcd.top;
        auto mix = [&](int shift) {
            const std::int64_t a = (top >> shift) & 0xFF, b = (bottom >> shift) & 0xFF;
            return static_cast<int>(a + (b - a) * t / span);
        };
        dc.FillSolidRect(CRect(visible.left, y, visible.right, y + 1),
                         RGB(mix(0), mix(8), mix(16)));
    }
    dc.SetTextColor(RGB(0x64, 0x64, 0x64));
    dc.SetBkMode(TRANSPARENT);
    if (IsVisiblePage()) DrawUGrid(dc);
    CRect frame = lcd;
    frame.InflateRect(1, 1);
    Draw3dFrame(&dc, frame, back, 40, TRUE);

    CDsgWODrawPage page(this);
    page.woeState = GetWOEState();
    page.choice = this;
    for (int id : GetZOrder())
        if (const CDsgWObj* obj = GetWObjById(id)) DrawWObj(*obj, &dc, page);

    if (IsVisiblePage()) {
        DrawWOCSigns(dc);
        if (GetWOEState() == nDSG_WOES__HCAPTURING) DrawHCaptureRect(dc);
    }
    if (lcdBitmap) *lcdBitmap = CopyRectToBitmap(&dc, lcd);
    if (GetWOEState() == nDSG_WOES__BROWSING_LNXPOINT) DrawLNXRubberLine(dc);
    return 1;
}

void CDsgDSPFrame::DrawWOCSigns(CDC& dc) const {
    const int current = GetCWOCHId();
    if (GetWOChoiceState() == nDSG_WOCHS__NONE || IsWOEStateMoving(GetWOEState())) return;
    auto square = [](const CPoint& p, int half) {
        return CRect(p.x - half, p.y - half, p.x + half, p.y + half);
    };
    if (const CDsgWObj* obj = GetWObjById(current)) {
        const std::array<CPoint, 9> grips =
            GetWOCSignPoints(LMToClientRect(obj->GetLMHugeRect()), 8);
        const bool dnchar = obj->GetWOKind() == nDSG_WOKIND__WODNCHAR;
        for (int grip = nDSG_GRIP__LEFTTOP; grip <= nDSG_GRIP__BOTTOM; ++grip) {
            if (dnchar)
                DrawPenRect(&dc, square(grips[grip], 3), PS_SOLID, 1, RGB(0, 0, 0));
            else
                dc.InvertRect(square(grips[grip], 3));
        }
        // Linked line ends show in red.
        std::map<int, int> linked;
        GetWOKLGCornerFlags(current, linked);
        for (int corner : {nDSG_CORNER__LEFTTOP, nDSG_CORNER__RIGHTBOTTOM}) {
            if (!linked[corner]) continue;
            DrawPenRect(&dc, square(grips[corner], 4), PS_SOLID, 1, 0x3C3CFF);
            DrawPenRect(&dc, square(grips[corner], 5), PS_SOLID, 1, 0x000096);
        }
    }
    // The box of the whole choice: a cross at its centre and small marks at
    // its grips, drawn inverted.
    const CRect box = LMToClientRect(GetWObjsBoundRect(GetWOCHIds()));
    const int rop = dc.SetROP2(R2_NOT);
    const CPoint centre((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    dc.MoveTo(centre.x - 5, centre.y - 5);
    dc.LineTo(centre.x + 5, centre.y + 5);
    dc.MoveTo(centre.x + 5, centre.y - 5);
    dc.LineTo(centre.x - 5, centre.y + 5);
    dc.SetROP2(rop);
    if (current >= 0) {
        const std::array<CPoint, 9> marks = GetWOCSignPoints(box, 3);
        for (int grip = nDSG_GRIP__LEFTTOP; grip <= nDSG_GRIP__BOTTOM; ++grip)
            dc.InvertRect(square(marks[grip], 2));
    }
}

CRect CDsgDSPFrame::GetHCaptureRect() const {
    return Normalized(CRect(m_ptWOEPress, m_ptLastMove));
}

void CDsgDSPFrame::DrawHCaptureRect(CDC& dc) const {
    const CRect lcd = GetLMClientRect();
    auto clamp = [&](CPoint p) {
        return CPoint(std::clamp(p.x, lcd.left, std::max(lcd.left, lcd.right - 1)),
                      std::clamp(p.y, lcd.top, std::max(lcd.top, lcd.bottom - 1)));
    };
    const CPoint a = clamp(LMToClientPoint(m_ptWOEPress.x, m_ptWOEPress.y));
    const CPoint b = clamp(LMToClientPoint(m_ptLastMove.x, m_ptLastMove.y));
    CRect band(a, b);
    band.NormalizeRect();
    DrawPenRect(&dc, band, PS_DOT, 1, 0xAAAAAA);
}

void CDsgDSPFrame::DrawLNXRubberLine(CDC& dc) const {
    CPoint end = m_ptLastMove;
    if (m_lastKeys & Qt::ControlModifier)
        end = ConstrainLineEndPoint(m_ptLNXStart, end, nDSG_WOKIND__WOLINE);
    const CRect lcd = GetLMClientRect();
    auto clamp = [&](CPoint p) {
        return CPoint(std::clamp(p.x, lcd.left, std::max(lcd.left, lcd.right - 1)),
                      std::clamp(p.y, lcd.top, std::max(lcd.top, lcd.bottom - 1)));
    };
    const CDsgUTProps& templ = GetWOEUTProps();
    const int size = std::clamp(templ.GetInt(szUTP_DTSIZE, 0), 0, nDSG_DRAW_DTSIZE_MAX);
    const int space =
        std::clamp(templ.GetInt(szUTP_DTSPACE, 1), nDSG_DRAW_DTSPACE_MIN, nDSG_DRAW_DTSPACE_MAX);
    const int dot = std::max(1, static_cast<int>(LMToClientLength(size + 1)));
    const int spacing = std::max(1, static_cast<int>(LMToClientLength(space)));
    const CDsgGOption& options = GetDsgGOption();
    const COLORREF color = templ.GetInt(szUTP_CSWITCH, 1)
                               ? CPCIndexToNegativeColor(options.GetInt(GOPT_CPCINDEX, 0))
                               : options.GetNegativeColor();
    DrawDotLine(&dc, clamp(LMToClientPoint(m_ptLNXStart.x, m_ptLNXStart.y)),
                clamp(LMToClientPoint(end.x, end.y)), dot, color, dot, spacing);
}
