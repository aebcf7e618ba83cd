#include "design/model/dsgwochoice.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "design/model/dsgwobj.h"

namespace {

LONG Mid(LONG a, LONG b) { return static_cast<LONG>((std::int64_t{a} + b) / 2); }

}  // namespace

BOOL IsWOEStateMoving(int state) {
    return state == nDSG_WOES__WOCH_AND_WOCERDRMOVING || state == nDSG_WOES__WOCH_AND_PRMOVING ||
           state == nDSG_WOES__WOCH_AND_EDRMOVING;
}

CRect GetGripDraggedRect(const CRect& rect, int grip, const CPoint& point, BOOL normalize) {
    CRect r = rect;
    if (normalize) r.NormalizeRect();
    const bool other = grip < 1 || grip > 8;
    const bool moveLeft = grip == 1 || grip == 3 || grip == 5;
    const bool moveRight = grip == 2 || grip == 4 || grip == 6 || other;
    const bool moveTop = grip == 1 || grip == 2 || grip == 7;
    const bool moveBottom = grip == 3 || grip == 4 || grip == 8 || other;
    if (moveLeft) r.left = normalize ? std::min(point.x, r.right) : point.x;
    if (moveRight) r.right = normalize ? std::max(point.x, r.left) : point.x;
    if (moveTop) r.top = normalize ? std::min(point.y, r.bottom) : point.y;
    if (moveBottom) r.bottom = normalize ? std::max(point.y, r.top) : point.y;
    return r;
}

std::array<CPoint, 9> GetWOCSignPoints(const CRect& rc, int offset) {
    const std::int64_t sx = rc.right >= rc.left ? 1 : -1;
    const std::int64_t sy = rc.bottom >= rc.top ? 1 : -1;
    const std::int64_t e = offset;
    auto at = [](std::int64_t x, std::int64_t y) { return CPoint(ClampToLong(x), ClampToLong(y)); };
    std::array<CPoint, 9> points{};
    points[nDSG_GRIP__LEFTTOP] = at(rc.left - e * sx, rc.top - e * sy);
    points[nDSG_GRIP__RIGHTTOP] = at(rc.right + e * sx, rc.top - e * sy);
    points[nDSG_GRIP__RIGHTBOTTOM] = at(rc.right + e * sx, rc.bottom + e * sy);
    points[nDSG_GRIP__LEFTBOTTOM] = at(rc.left - e * sx, rc.bottom + e * sy);
    points[nDSG_GRIP__TOP] = at(Mid(rc.left, rc.right), rc.top - (e + 1) * sy);
    points[nDSG_GRIP__BOTTOM] = at(Mid(rc.left, rc.right), rc.bottom + (e + 1) * sy);
    points[nDSG_GRIP__LEFT] = at(rc.left - (e + 1) * sx, Mid(rc.top, rc.bottom));
    points[nDSG_GRIP__RIGHT] = at(rc.right + (e + 1) * sx, Mid(rc.top, rc.bottom));
    return points;
}

int HitTestGrip(const CRect& clientRect, const CPoint& point) {
    CRect r = clientRect;
    if (std::int64_t{r.right} - r.left < 12) {
        const LONG cx = Mid(r.left, r.right);
        r.left = ClampToLong(std::int64_t{cx} - 7);
        r.right = ClampToLong(std::int64_t{cx} + 7);
    }
    if (std::int64_t{r.bottom} - r.top < 12) {
        const LONG cy = Mid(r.top, r.bottom);
        r.top = ClampToLong(std::int64_t{cy} - 7);
        r.bottom = ClampToLong(std::int64_t{cy} + 7);
    }
    const LONG cx = Mid(r.left, r.right);
    const LONG cy = Mid(r.top, r.bottom);
    const std::pair<int, CPoint> grips[] = {
        {nDSG_GRIP__CENTER, {cx, cy}},
        {nDSG_GRIP__LEFTTOP, {r.left, r.top}},
        {nDSG_GRIP__RIGHTTOP, {r.right, r.top}},
        {nDSG_GRIP__RIGHTBOTTOM, {r.right, r.bottom}},
        {nDSG_GRIP__LEFTBOTTOM, {r.left, r.bottom}},
        {nDSG_GRIP__TOP, {cx, r.top}},
        {nDSG_GRIP__BOTTOM, {cx, r.bottom}},
        {nDSG_GRIP__LEFT, {r.left, cy}},
        {nDSG_GRIP__RIGHT, {r.right, cy}},
    };
    for (const auto& [grip, at] : grips) {
        if (std::llabs(std::int64_t{point.x} - at.x) <= 12 &&
            std::llabs(std::int64_t{point.y} - at.y) <= 12)
            return grip;
    }
    return nDSG_GRIP__NONE;
}

CPoint ConstrainLineEndPoint(const CPoint& fixed, const CPoint& moving, int mode) {
    const std::int64_t dx = std::llabs(std::int64_t{fixed.x} - moving.x);
    const std::int64_t dy = std::llabs(std::int64_t{fixed.y} - moving.y);
    const std::int64_t sx = moving.x >= fixed.x ? 1 : -1;
    const std::int64_t sy = moving.y >= fixed.y ? 1 : -1;
    if (mode == nDSG_WOKIND__WOLINE) {
        const double degrees = std::atan2(static_cast<double>(dy), static_cast<double>(dx)) *
                               180.0 / 3.14159265358979323846;
        if (degrees >= 67.5) return CPoint(fixed.x, ClampToLong(fixed.y + sy * dy));
        if (degrees < 22.5) return CPoint(ClampToLong(fixed.x + sx * dx), fixed.y);
    }
    const std::int64_t m = std::max(dx, dy);
    return CPoint(ClampToLong(fixed.x + sx * m), ClampToLong(fixed.y + sy * m));
}

void ShapeCreationRect(CPoint& start, CPoint& moving, BOOL forceSquare, int wokind, BOOL shiftHeld,
                       BOOL ctrlHeld) {
    if (shiftHeld) {
        // The start point becomes the centre: the first corner is the
        // pointer mirrored through it; the second stays at the pointer.
        start = CPoint(ClampToLong(2 * std::int64_t{start.x} - moving.x),
                       ClampToLong(2 * std::int64_t{start.y} - moving.y));
        return;
    }
    if (ctrlHeld || forceSquare) moving = ConstrainLineEndPoint(start, moving, wokind);
    if (wokind == nDSG_WOKIND__WODNCHAR) {
        moving = CPoint(ClampToLong(std::int64_t{start.x} + 16 * nDSG_LMHUGE_PER_DOT),
                        ClampToLong(std::int64_t{start.y} + 16 * nDSG_LMHUGE_PER_DOT));
    }
}

Qt::CursorShape LoadWOCSignCursor(int grip) {
    switch (grip) {
        case nDSG_GRIP__LEFTTOP:
        case nDSG_GRIP__RIGHTBOTTOM:
            return Qt::SizeFDiagCursor;
        case nDSG_GRIP__RIGHTTOP:
        case nDSG_GRIP__LEFTBOTTOM:
            return Qt::SizeBDiagCursor;
        case nDSG_GRIP__LEFT:
        case nDSG_GRIP__RIGHT:
            return Qt::SizeHorCursor;
        case nDSG_GRIP__TOP:
        case nDSG_GRIP__BOTTOM:
            return Qt::SizeVerCursor;
        case nDSG_GRIP__CENTER:
            return Qt::SizeAllCursor;
        default:
            return Qt::ArrowCursor;
    }
}

CDsgWOChoice::CDsgWOChoice() = default;

CDsgWOChoice::~CDsgWOChoice() = default;

void CDsgWOChoice::ResetWOChoice() {
    m_nCWOCHId = -1;
    m_setSWOCHIds.clear();
}

void CDsgWOChoice::WOChoose(int id) {
    if (IsWOIdWOChosen(id)) return;
    if (m_nCWOCHId == -1)
        m_nCWOCHId = id;
    else
        m_setSWOCHIds.insert(id);
}

void CDsgWOChoice::WOChoose(const std::set<int>& ids, BOOL setState) {
    ResetWOChoice();
    for (int id : ids) WOChoose(id);
    if (setState) SetWOChoiceEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
}

void CDsgWOChoice::ACWOChoose(int id, BOOL setState) {
    ResetWOChoice();
    WOChoose(id);
    if (setState) SetWOChoiceEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
}

void CDsgWOChoice::EnsureCWOChosen(int id) {
    if (m_nCWOCHId == id) return;
    m_setSWOCHIds.erase(id);
    if (m_nCWOCHId != -1) m_setSWOCHIds.insert(m_nCWOCHId);
    m_nCWOCHId = id;
}

void CDsgWOChoice::FixWOChoice() {
    if (m_nCWOCHId != -1 && !GetWOChoiceWObj(m_nCWOCHId)) m_nCWOCHId = -1;
    std::erase_if(m_setSWOCHIds, [this](int id) { return GetWOChoiceWObj(id) == nullptr; });
    // Every query of the choice (state, count, IsWOIdWOChosen) starts from the
    // current id, while GetAllWOCHIds and the several-object edits take the
    // further ids as well. Left without a current id, the remaining further
    // ids would be acted on while the page reports nothing chosen, so the
    // lowest of them becomes current instead.
    if (m_nCWOCHId == -1 && !m_setSWOCHIds.empty()) {
        m_nCWOCHId = *m_setSWOCHIds.begin();
        m_setSWOCHIds.erase(m_setSWOCHIds.begin());
    }
}

BOOL CDsgWOChoice::IsWOIdWOChosen(int id) const {
    if (m_nCWOCHId == -1) return FALSE;
    return id == m_nCWOCHId || m_setSWOCHIds.count(id) != 0;
}

int CDsgWOChoice::GetWOChoiceState() const {
    if (m_nCWOCHId == -1) return nDSG_WOCHS__NONE;
    return m_setSWOCHIds.empty() ? nDSG_WOCHS__SINGLE : nDSG_WOCHS__MULTIPLE;
}

int CDsgWOChoice::GetWOCHCount() const {
    return m_nCWOCHId == -1 ? 0 : static_cast<int>(m_setSWOCHIds.size()) + 1;
}

CDsgWObj* CDsgWOChoice::GetCWOCHObj() const {
    return m_nCWOCHId == -1 ? nullptr : GetWOChoiceWObj(m_nCWOCHId);
}

int CDsgWOChoice::GetCWOCHKind() const {
    const CDsgWObj* obj = GetCWOCHObj();
    return obj ? obj->GetWOKind() : 0;
}

void CDsgWOChoice::GetAllWOCHIds(std::set<int>& ids) const {
    ids.insert(m_setSWOCHIds.begin(), m_setSWOCHIds.end());
    if (m_nCWOCHId != -1) ids.insert(m_nCWOCHId);
}

std::vector<const CDsgWObj*> CDsgWOChoice::GetWOCHObjs() const {
    std::vector<const CDsgWObj*> objs;
    if (m_nCWOCHId == -1) return objs;
    if (const CDsgWObj* obj = GetWOChoiceWObj(m_nCWOCHId)) objs.push_back(obj);
    for (int id : m_setSWOCHIds)
        if (const CDsgWObj* obj = GetWOChoiceWObj(id)) objs.push_back(obj);
    return objs;
}

void CDsgWOChoice::GetAllWOCHKinds(std::set<int>& kinds) const {
    kinds.clear();
    for (const CDsgWObj* obj : GetWOCHObjs()) kinds.insert(obj->GetWOKind());
}

template <typename ValueOf>
int CDsgWOChoice::GetCommonValue(ValueOf valueOf) const {
    int common = 0;
    bool first = true;
    for (const CDsgWObj* obj : GetWOCHObjs()) {
        if (obj->GetWOKind() == 0) continue;
        const int value = valueOf(obj->GetWOKind());
        if (first) {
            common = value;
            first = false;
        } else if (value != common) {
            return 0;
        }
    }
    return common;
}

int CDsgWOChoice::GetWOChosenCommonWOKind() const {
    return GetCommonValue([](int kind) { return kind; });
}

int CDsgWOChoice::GetWOChosenCommonXFace() const {
    return GetCommonValue([](int kind) { return GetWOKindXFace(kind); });
}

BOOL CDsgWOChoice::IsWOKindAnyWOChosen(int kind) const {
    for (const CDsgWObj* obj : GetWOCHObjs())
        if (obj->GetWOKind() == kind) return TRUE;
    return FALSE;
}

BOOL CDsgWOChoice::IsWOKindOnlyWOChosen(int kind) const {
    for (const CDsgWObj* obj : GetWOCHObjs())
        if (obj->GetWOKind() != kind) return FALSE;
    return TRUE;
}

std::string CDsgWOChoice::GetWOChoiceExp() const {
    std::string text = "CWOCHId=" + std::to_string(m_nCWOCHId);
    if (!m_setSWOCHIds.empty()) {
        text += ",SWOCHIds=";
        bool first = true;
        for (int id : m_setSWOCHIds) {
            if (!first) text += ',';
            text += std::to_string(id);
            first = false;
        }
    }
    return text;
}

std::string CDsgWOChoice::GetWOCHIdListExp() const {
    std::string text = "[" + std::to_string(m_nCWOCHId) + ":";
    bool first = true;
    for (int id : m_setSWOCHIds) {
        if (!first) text += '/';
        text += std::to_string(id);
        first = false;
    }
    return text + "]";
}

CDsgWOEState::CDsgWOEState() = default;

CDsgWOEState::~CDsgWOEState() = default;

Qt::CursorShape CDsgWOEState::GetWOECursor(int gripUnderPointer, BOOL singleDNCharChosen) const {
    if (m_nWOEState == nDSG_WOES__NOT_WOCH) return Qt::ArrowCursor;
    if (IsWOEStateMoving(m_nWOEState)) return Qt::CrossCursor;
    if (singleDNCharChosen && gripUnderPointer != nDSG_GRIP__CENTER) return Qt::ArrowCursor;
    return LoadWOCSignCursor(gripUnderPointer);
}
