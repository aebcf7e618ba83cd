#include "design/surface/dsgwodraw.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdhost.h"
#include "design/surface/fxmemdc.h"
#include "design/surface/lcdfont.h"
#include "design/surface/pagecoords.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxstrings.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
// The menu number: 0xF05F5F darkened by half.
constexpr int kMenuNumberShade = 50;
constexpr COLORREF kMenuNumberBase = 0xF05F5F;

// A length in dots as whole pixels on the page, at least 1.
int PixelLength(const CDsgCDinateEVMent& coords, double dots) {
    const double pixels = coords.LMToClientLength(dots);
    if (!(pixels >= 1.0)) return 1;
    return static_cast<int>(std::min(pixels, 1e6));
}

// The object's rectangle on the page: normalised, its right and bottom one
// further so that the last pixel is included.
CRect ClientBox(const CDsgWObj& wobj, const CDsgCDinateEVMent& coords) {
    CRect r = coords.LMToClientRect(wobj.GetLMHugeRect());
    r.NormalizeRect();
    r.right = ClampToLong(std::int64_t{r.right} + 1);
    r.bottom = ClampToLong(std::int64_t{r.bottom} + 1);
    return r;
}

CRect NormalizedLMRect(const CDsgWObj& wobj) {
    CRect r = wobj.GetLMHugeRect();
    r.NormalizeRect();
    return r;
}

void DrawPlaceholder(CDC* dc, const CRect& box, COLORREF color) {
    DrawDotRect(dc, box, 1, color, 1, 1);
}

// ---- Picture cache -----------------------------------------------------------

// Decoded pictures by the stored bytes' CRC-32 and length and the depth.
// Bounded by count and by decoded size; the least recently drawn go first.
class CPictureCache {
public:
    using Key = std::tuple<std::uint32_t, std::size_t, int>;

    std::optional<QImage> Find(const Key& key) {
        const auto it = m_entries.find(key);
        if (it == m_entries.end()) return std::nullopt;
        m_order.splice(m_order.begin(), m_order, it->second.order);
        return it->second.picture;
    }
    void Put(const Key& key, const QImage& picture) {
        Erase(key);
        m_order.push_front(key);
        m_entries[key] = {picture, m_order.begin()};
        m_bytes += Size(picture);
        while (!m_order.empty() && (m_entries.size() > kMaxCount || m_bytes > kMaxBytes) &&
               m_order.back() != key)
            Erase(m_order.back());
    }
    void Clear() {
        m_entries.clear();
        m_order.clear();
        m_bytes = 0;
    }

private:
    static constexpr std::size_t kMaxCount = 64;
    static constexpr std::size_t kMaxBytes = std::size_t{128} << 20;

    struct Entry {
        QImage picture;
        std::list<Key>::iterator order;
    };
    static std::size_t Size(const QImage& picture) {
        return picture.isNull() ? 0 : static_cast<std::size_t>(picture.sizeInBytes());
    }
    void Erase(const Key& key) {
        const auto it = m_entries.find(key);
        if (it == m_entries.end()) return;
        m_bytes -= Size(it->second.picture);
        m_order.erase(it->second.order);
        m_entries.erase(it);
    }

    std::map<Key, Entry> m_entries;
    std::list<Key> m_order;
    std::size_t m_bytes = 0;
};

CPictureCache& PictureCache() {
    static CPictureCache cache;
    return cache;
}

CDsgWOPictureRenderer*& Renderer() {
    static CDsgWOPictureRenderer* renderer = nullptr;
    return renderer;
}

// The decoded picture of the stored bytes at the depth; null when there is
// no renderer or the bytes do not decode.
QImage DecodedPicture(const std::vector<BYTE>& bytes, int bpp) {
    CDsgWOPictureRenderer* renderer = Renderer();
    if (renderer == nullptr) return {};
    std::uint32_t crc = static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0));
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1u << 30);
        crc = static_cast<std::uint32_t>(crc32(crc, bytes.data() + done, static_cast<uInt>(chunk)));
        done += chunk;
    }
    const CPictureCache::Key key(crc, bytes.size(), bpp);
    CPictureCache& cache = PictureCache();
    if (std::optional<QImage> kept = cache.Find(key)) return *kept;
    const QImage picture = renderer->DecodeWOPicture(bytes.data(), bytes.size(), bpp);
    cache.Put(key, picture);  // a picture that does not decode is not tried again
    return picture;
}

// The stored picture's bytes; empty when there is none.
std::vector<BYTE> StoredPicture(const CDsgUTProps& utp) {
    const CRevolver* block = utp.FindRevolver(szUTP_OBWBMP);
    if (block == nullptr) return {};
    const CRevolver& stored = *block;
    std::vector<BYTE> bytes(static_cast<std::size_t>(std::max(0, stored.GetLength())));
    if (!bytes.empty() && !stored.ReadAt(bytes.data(), static_cast<int>(bytes.size()), 0))
        bytes.clear();
    return bytes;
}

// ---- Kinds ---------------------------------------------------------------------

void DrawImage(const CDsgWObj& wobj, CDC* dc, const CDsgWODrawPage& page, const CRect& box) {
    const CDsgUTProps& utp = wobj.GetUTProps();
    const bool moving = page.woeState == nDSG_WOES__WOCH_AND_PRMOVING ||
                        page.woeState == nDSG_WOES__WOCH_AND_EDRMOVING;
    const bool chosen = page.choice && page.choice->IsWOIdWOChosen(wobj.GetWOId());
    const std::vector<BYTE> bytes = StoredPicture(utp);
    QImage picture;
    if (!bytes.empty() && !(moving && chosen))
        picture = DecodedPicture(bytes, page.pictureBpp == 8 ? 8 : 4);
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) {
        DrawPlaceholder(dc, box, nDSG_PHCOLOR__WOIMAGE);
        return;
    }
    CRect target = box;
    if (utp.GetInt(szUTP_KEEP_XYRATIO, 1) != 0) {
        const double rw = static_cast<double>(std::int64_t{box.right} - box.left);
        const double rh = static_cast<double>(std::int64_t{box.bottom} - box.top);
        const double pw = picture.width(), ph = picture.height();
        const double s = rh / rw >= ph / pw ? rw / pw : rh / ph;
        target.right = ClampToLong(std::int64_t{box.left} + static_cast<std::int64_t>(pw * s));
        target.bottom = ClampToLong(std::int64_t{box.top} + static_cast<std::int64_t>(ph * s));
    }
    Renderer()->DrawWOPicture(*dc, picture, target);
}

void DrawMenu(const CDsgWObj& wobj, CDC* dc, const CDsgWODrawPage& page, const CRect& box) {
    const CDsgCDinateEVMent& coords = *page.coords;
    const CDsgUTProps& utp = wobj.GetUTProps();
    if (!utp.GetString(szUTP_LSCRIPT).empty()) {
        // Measured in the object's rectangle, then drawn in the same rectangle
        // moved so that the text's box lies in its middle: the lines break as
        // measured.
        const CDsgLScriptPrinter printer(wobj);
        const CRect lm = NormalizedLMRect(wobj);
        CSize size;
        printer.PrintLScript(nullptr, lm, &coords, nullptr, nullptr, &size, TRUE);
        const std::int64_t dx = (std::int64_t{lm.right} - lm.left - size.cx) / 2;
        const std::int64_t dy = (std::int64_t{lm.bottom} - lm.top - size.cy) / 2;
        const CRect moved(ClampToLong(lm.left + dx), ClampToLong(lm.top + dy),
                          ClampToLong(lm.right + dx), ClampToLong(lm.bottom + dy));
        printer.PrintLScript(dc, moved, &coords);
    }

    int order = 0;
    if (!IsWOEStateMoving(page.woeState) && utp.LookupInt(szUTP_WONORDER, order)) {
        FontSpec font;
        font.height = PointsToHeight(9);
        font.face = "Arial";
        font.quality = NONANTIALIASED_QUALITY;
        const FontSpec oldFont = dc->SelectFont(font);
        const int oldMode = dc->SetBkMode(TRANSPARENT);
        const COLORREF oldColor = dc->SetTextColor(DarkenColor(kMenuNumberBase, kMenuNumberShade));
        dc->TextOut(box.left + 2, box.top + 2, std::to_string(order));
        dc->SetTextColor(oldColor);
        dc->SetBkMode(oldMode);
        dc->SelectFont(oldFont);
    }

    switch (utp.GetInt(szUTP_WONSTYLE, 0)) {
        case 1:
            dc->FrameRect(box, Brush(kBlack));
            break;
        case 2: {
            // A frame two dots in from the right and bottom, and its shadow.
            const int s = PixelLength(coords, 2);
            const LONG r = box.right, b = box.bottom;
            const LONG innerRight = ClampToLong(std::int64_t{r} - s);
            const LONG innerBottom = ClampToLong(std::int64_t{b} - s);
            dc->FrameRect(CRect(box.left, box.top, innerRight, innerBottom), Brush(kBlack));
            dc->FillSolidRect(CRect(innerRight, ClampToLong(std::int64_t{box.top} + s), r, b),
                              kBlack);
            dc->FillSolidRect(CRect(ClampToLong(std::int64_t{box.left} + s), innerBottom, r, b),
                              kBlack);
            break;
        }
        default:
            DrawPlaceholder(dc, box, nDSG_PHCOLOR__WOMENU);
            break;
    }
}

void DrawDNChar(const CDsgWObj& wobj, CDC* dc, const CDsgWODrawPage& page, const CRect& box,
                COLORREF color) {
    const int code = wobj.GetUTProps().GetInt(szUTP_DIRNCACHAR, 0);
    const CDtrGJPixel* character = page.charset ? page.charset->GetGJPixelByNCCode(code) : nullptr;
    if (character == nullptr) {
        DrawPlaceholder(dc, box, nDSG_PHCOLOR__WODNCHAR);
        LogWrite("Cannot get GJPixel by " + std::to_string(code) + " in CDsgWObj::DrawWObj");
        return;
    }
    const CDsgCDinateEVMent& coords = *page.coords;
    const double zoom = coords.GetLMZoom();
    const int square = std::max(1, static_cast<int>(std::ceil(std::min(zoom, 1e6))));
    const CRect lm = NormalizedLMRect(wobj);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            // Only the value 0 is ink, as in the character's pattern.
            if (character->GetJPixel(x, y) != 0) continue;
            const CPoint at = coords.LMToClientPoint(
                ClampToLong(std::int64_t{lm.left} + std::int64_t{x} * nDSG_LMHUGE_PER_DOT),
                ClampToLong(std::int64_t{lm.top} + std::int64_t{y} * nDSG_LMHUGE_PER_DOT));
            dc->FillSolidRect(CRect(at.x, at.y, ClampToLong(std::int64_t{at.x} + square),
                                    ClampToLong(std::int64_t{at.y} + square)),
                              color);
        }
    }
}

}  // namespace

CDsgWODrawPage::CDsgWODrawPage(const CDsgCDinateEVMent* coordinates) : coords(coordinates) {
    const CDsgGOption& options = GetDsgGOption();
    inkColor = options.GetInt(GOPT_CPCINDEX, 0) == 0 ? RGB(0, 0, 0) : RGB(255, 255, 255);
    negativeColor = options.GetNegativeColor();
    pictureBpp = options.GetInt(GOPT_EPUSFTYPE, 0) == 1 ? 8 : 4;
    if (CDsgLSDHost* host = GetDsgLSDHost()) charset = host->GetGGJPixel();
}

void DrawWObj(const CDsgWObj& wobj, CDC* dc, const CDsgWODrawPage& page) {
    if (dc == nullptr || page.coords == nullptr) return;
    const CDsgCDinateEVMent& coords = *page.coords;
    const double zoom = coords.GetLMZoom();
    if (!std::isfinite(zoom) || zoom <= 0) return;

    const CDsgUTProps& utp = wobj.GetUTProps();
    const COLORREF color = utp.GetInt(szUTP_CSWITCH, 1) != 0 ? page.inkColor : page.negativeColor;
    // A form's dot size and spacing are drawn within these bounds.
    const int dtsize = std::clamp(utp.GetInt(szUTP_DTSIZE, 0), 0, nDSG_DRAW_DTSIZE_MAX);
    const int dtspace =
        std::clamp(utp.GetInt(szUTP_DTSPACE, 0), nDSG_DRAW_DTSPACE_MIN, nDSG_DRAW_DTSPACE_MAX);
    const int dotWidth = PixelLength(coords, dtsize + 1);
    const int spacing = PixelLength(coords, dtspace);
    const CRect box = ClientBox(wobj, coords);

    switch (wobj.GetWOKind()) {
        case nDSG_WOKIND__WOBOX: {
            CRect r = box;
            const int shift = dotWidth / 2;  // ceil((dotWidth - 1) / 2)
            r.OffsetRect(shift, shift);
            DrawDotRect(dc, r, dotWidth, color, dotWidth, std::max(0, spacing - dotWidth));
            break;
        }
        case nDSG_WOKIND__WOLINE: {
            const CRect lm = wobj.GetLMHugeRect();
            DrawDotLine(dc, coords.LMToClientPoint(lm.left, lm.top),
                        coords.LMToClientPoint(lm.right, lm.bottom), dotWidth, color,
                        std::max(1, dotWidth), spacing);
            break;
        }
        case nDSG_WOKIND__WOTEXT:
            if (utp.GetString(szUTP_LSCRIPT).empty())
                DrawPlaceholder(dc, box, nDSG_PHCOLOR__WOTEXT);
            else
                CDsgLScriptPrinter(wobj).PrintLScript(dc, NormalizedLMRect(wobj), &coords);
            break;
        case nDSG_WOKIND__WOFBOX:
            dc->FillSolidRect(box, color);
            break;
        case nDSG_WOKIND__WOELLIPSE: {
            const Pen oldPen = dc->SelectPen(Pen(PS_SOLID, dotWidth, color));
            const Brush oldBrush = dc->SelectBrush(Brush::Null());
            dc->Ellipse(box);
            dc->SelectBrush(oldBrush);
            dc->SelectPen(oldPen);
            break;
        }
        case nDSG_WOKIND__WOFELLIPSE: {
            const Pen oldPen = dc->SelectPen(Pen(PS_SOLID, 1, color));
            const Brush oldBrush = dc->SelectBrush(Brush(color));
            dc->Ellipse(box);
            dc->SelectBrush(oldBrush);
            dc->SelectPen(oldPen);
            break;
        }
        case nDSG_WOKIND__WOIMAGE:
            DrawImage(wobj, dc, page, box);
            break;
        case nDSG_WOKIND__WOMENU:
            DrawMenu(wobj, dc, page, box);
            break;
        case nDSG_WOKIND__WODNCHAR:
            DrawDNChar(wobj, dc, page, box, color);
            break;
        case nDSG_WOKIND__WOPTEXT:
            if (utp.GetString(szUTP_LSCRIPT).empty()) {
                DrawPlaceholder(dc, box, nDSG_PHCOLOR__WOPTEXT);
            } else {
                const COLORREF oldColor = dc->SetTextColor(color);
                CDsgLScriptPrinter(wobj).DrawPText(dc, &coords);
                dc->SetTextColor(oldColor);
            }
            break;
        default:
            // Clips and unknown kinds have no picture of their own.
            break;
    }
}

void DrawDotLine(CDC* dc, const CPoint& start, const CPoint& end, int dotSize, COLORREF color,
                 int penWidth, int dotSpacing) {
    DrawStyledLine(dc, start, end, penWidth, color, dotSize, std::max(0, dotSpacing - dotSize));
}

std::pair<int, int> GetWORectCorner(int corner) {
    switch (corner) {
        case 1:
            return {nDSG_RSIDE__LEFT, nDSG_RSIDE__TOP};
        case 2:
            return {nDSG_RSIDE__TOP, nDSG_RSIDE__RIGHT};
        case 3:
            return {nDSG_RSIDE__BOTTOM, nDSG_RSIDE__LEFT};
        case 4:
            return {nDSG_RSIDE__RIGHT, nDSG_RSIDE__BOTTOM};
        default:
            return {-1, -1};
    }
}

CDsgWOPictureRenderer::~CDsgWOPictureRenderer() = default;

bool CDsgWOPictureRenderer::LoadWOPictureFile(const std::string&,
                                              const std::function<CSize(const CSize&)>&,
                                              std::vector<BYTE>&, CSize&) {
    return false;
}

void CDsgWOPictureRenderer::DrawWOPicture(CDC& dc, const QImage& picture, const CRect& target) {
    dc.StretchImage(target, picture);
}

void SetDsgWOPictureRenderer(CDsgWOPictureRenderer* renderer) {
    Renderer() = renderer;
    PictureCache().Clear();
}

CDsgWOPictureRenderer* GetDsgWOPictureRenderer() { return Renderer(); }

void ClearWOPictureCache() { PictureCache().Clear(); }
