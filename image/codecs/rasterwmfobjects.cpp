// The metafile player's objects: pens, brushes, fonts, palettes and
// regions as the records create, select and delete them.

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "image/codecs/rasterwmfplayer.h"
#include "image/codecs/rasterwmfrecord.h"
#include "platform/textcodec.h"

using namespace metafile;

namespace {

std::string FaceOf(const BYTE* p, std::size_t max) {
    std::size_t len = 0;
    while (len < max && p[len] != 0) ++len;
    return std::string(reinterpret_cast<const char*>(p), len);
}

std::string FaceOfWide(const BYTE* p, std::size_t maxChars) {
    std::u16string face;
    for (std::size_t i = 0; i < maxChars; ++i) {
        const char16_t c = static_cast<char16_t>(GetLE16(p + 2 * i));
        if (c == 0) break;
        face += c;
    }
    return Utf16ToAnsi(face);
}

// The average colour of a pattern bitmap: what a pattern brush paints with.
COLORREF PatternColor(const std::vector<BYTE>& dib) {
    CRaster pattern;
    if (!pattern.CreateFromHANDLE(dib)) return 0;
    const LONG w = std::min<LONG>(pattern.GetWidth(), 64),
               h = std::min<LONG>(pattern.GetHeight(), 64);
    if (w <= 0 || h <= 0) return 0;
    std::uint64_t r = 0, g = 0, b = 0;
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) {
            const RGBQUAD c = pattern.GetPixelColor(x, y, false);
            r += c.rgbRed;
            g += c.rgbGreen;
            b += c.rgbBlue;
        }
    const std::uint64_t n = static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
    return RGB(static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n));
}

// A brush of a plain style: none, hatched or solid.
Brush SolidBrushOf(DWORD style, COLORREF color, DWORD hatch) {
    return style == BS_NULL      ? Brush::Null()
           : style == BS_HATCHED ? Brush::Hatched(static_cast<int>(hatch % 6), color)
                                 : Brush(color);
}

}  // namespace

void CMetafilePlayer::Select(const Object& object) {
    switch (object.kind) {
        case Object::kPen:
            state_.pen = object.pen;
            break;
        case Object::kBrush:
            state_.brush = object.brush;
            break;
        case Object::kFont:
            state_.font = object.font;
            break;
        case Object::kPalette:
            state_.palette = object.palette;
            break;
        case Object::kRegion: {
            const Region& r = object.region;
            ClipToRect(DevRect(r.bound.left, r.bound.top, r.bound.right, r.bound.bottom), RGN_COPY);
            break;
        }
        case Object::kNone:
            break;
    }
}

int CMetafilePlayer::WmfAddObject(Object object) {
    // Each new object takes the lowest free slot; with none free it is lost.
    for (std::size_t i = 0; i < wmfObjects_.size(); ++i)
        if (wmfObjects_[i].kind == Object::kNone) {
            wmfObjects_[i] = std::move(object);
            return static_cast<int>(i);
        }
    return -1;
}

// The object a record names by its slot, or none.
const CMetafilePlayer::Object* CMetafilePlayer::WmfObject(const Params& p, std::size_t off) const {
    const unsigned index = p.U16(off);
    if (index >= wmfObjects_.size() || wmfObjects_[index].kind == Object::kNone) return nullptr;
    return &wmfObjects_[index];
}

const CMetafilePlayer::Object* CMetafilePlayer::EmfHandle(DWORD index) const {
    const auto it = emfObjects_.find(index);
    return it == emfObjects_.end() ? nullptr : &it->second;
}

bool CMetafilePlayer::WmfObjects(unsigned function, const BYTE* data, std::size_t n) {
    const Params p{data, n};
    switch (function) {
        case 0x012D:  // SelectObject
            if (const Object* o = WmfObject(p, 0)) Select(*o);
            break;
        case 0x0234:  // SelectPalette
            if (const Object* o = WmfObject(p, 0); o != nullptr && o->kind == Object::kPalette)
                Select(*o);
            break;
        case 0x01F0:  // DeleteObject
            if (const unsigned index = p.U16(0); index < wmfObjects_.size())
                wmfObjects_[index] = Object{};
            break;
        case 0x02FA: {  // CreatePenIndirect
            Object o;
            o.kind = Object::kPen;
            o.pen.style = static_cast<int>(p.U16(0));
            o.pen.width = std::abs(p.S16(2));
            o.pen.color = p.U32(6);
            o.pen.geometric = (o.pen.style & 0xF00) != 0;
            o.pen.cap = o.pen.style & 0xF00;
            WmfAddObject(std::move(o));
            break;
        }
        case 0x02FC: {  // CreateBrushIndirect
            Object o;
            o.kind = Object::kBrush;
            o.brush = SolidBrushOf(p.U16(0), p.U32(2), p.U16(6));
            WmfAddObject(std::move(o));
            break;
        }
        case 0x0142: {  // DIBCreatePatternBrush
            Object o;
            o.kind = Object::kBrush;
            p.Need(0, 4);
            if (p.U16(0) != BS_PATTERN && n > 4)
                o.brush = Brush(PatternColor(std::vector<BYTE>(data + 4, data + n)));
            WmfAddObject(std::move(o));
            break;
        }
        case 0x01F9: {  // CreatePatternBrush, an old device bitmap: a grey pattern
            Object o;
            o.kind = Object::kBrush;
            o.brush = Brush(RGB(128, 128, 128));
            NotDrawn(function);
            WmfAddObject(std::move(o));
            break;
        }
        case 0x02FB: {  // CreateFontIndirect
            p.Need(0, 18);
            Object o;
            o.kind = Object::kFont;
            o.font.height = p.S16(0);
            o.font.width = std::abs(p.S16(2));
            o.font.escapement = p.S16(4);
            o.font.weight = p.S16(8);
            o.font.italic = p.U8(10) != 0;
            o.font.underline = p.U8(11) != 0;
            o.font.strikeOut = p.U8(12) != 0;
            o.font.quality = p.U8(16);
            o.font.face = FaceOf(data + 18, std::min<std::size_t>(32, n - 18));
            WmfAddObject(std::move(o));
            break;
        }
        case 0x00F7: {  // CreatePalette
            const unsigned count = p.U16(2);
            p.NeedItems(4, count, 4);
            Object o;
            o.kind = Object::kPalette;
            for (unsigned i = 0; i < count; ++i)
                o.palette.push_back(RGB(data[4 + 4 * i], data[5 + 4 * i], data[6 + 4 * i]));
            WmfAddObject(std::move(o));
            break;
        }
        case 0x0037: {  // SetPalEntries: into the selected palette
            const unsigned start = p.U16(0), count = p.U16(2);
            p.NeedItems(4, count, 4);
            for (unsigned i = 0; i < count && start + i < state_.palette.size(); ++i)
                state_.palette[start + i] = RGB(data[4 + 4 * i], data[5 + 4 * i], data[6 + 4 * i]);
            break;
        }
        case 0x06FF: {  // CreateRegion
            Object o;
            o.kind = Object::kRegion;
            const unsigned scans = p.U16(10);
            o.region.bound = CRect(p.S16(14), p.S16(16), p.S16(18), p.S16(20));
            std::size_t off = 22;
            for (unsigned s = 0; s < scans; ++s) {
                const unsigned count = p.U16(off);
                const int top = p.S16(off + 2), bottom = p.S16(off + 4);
                p.NeedItems(off + 6, count, 2);
                for (unsigned i = 0; i + 1 < count; i += 2)
                    o.region.rects.emplace_back(p.S16(off + 6 + 2 * i), top, p.S16(off + 8 + 2 * i),
                                                bottom);
                off += 6 + 2 * std::size_t{count} + 2;
            }
            if (scans == 0 && !o.region.bound.IsRectEmpty())
                o.region.rects.push_back(o.region.bound);
            WmfAddObject(std::move(o));
            break;
        }
        default:
            return false;
    }
    return true;
}

bool CMetafilePlayer::EmfObjects(unsigned type, const BYTE* data, std::size_t n) {
    const Params p{data, n};
    auto newObject = [&](std::size_t off, Object o) {
        const DWORD index = p.U32(off);
        if (index == 0 || index >= emfHandles_) return;  // 0 is the metafile itself
        emfObjects_[index] = std::move(o);
    };
    auto stock = [&](DWORD index) {
        switch (index & 0x7FFFFFFF) {
            case 0:  // white, light grey, grey, dark grey, black brushes
                state_.brush = Brush(RGB(255, 255, 255));
                break;
            case 1:
                state_.brush = Brush(RGB(192, 192, 192));
                break;
            case 2:
                state_.brush = Brush(RGB(128, 128, 128));
                break;
            case 3:
                state_.brush = Brush(RGB(64, 64, 64));
                break;
            case 4:
                state_.brush = Brush(RGB(0, 0, 0));
                break;
            case 5:
                state_.brush = Brush::Null();
                break;
            case 6:  // white, black and no pen
                state_.pen = LogPen{};
                state_.pen.color = RGB(255, 255, 255);
                break;
            case 7:
                state_.pen = LogPen{};
                break;
            case 8:
                state_.pen = LogPen{};
                state_.pen.style = PS_NULL;
                break;
            case 10:  // the stock fonts
            case 11:
            case 12:
            case 13:
            case 14:
            case 16:
            case 17:
                state_.font = LogFont{};
                break;
            case 15:
                state_.palette.clear();
                break;
            default:
                break;
        }
    };
    switch (type) {
        case 37: {  // SelectObject
            const DWORD index = p.U32(8);
            if (index & 0x80000000u)
                stock(index);
            else if (const Object* o = EmfHandle(index))
                Select(*o);
            break;
        }
        case 48:  // SelectPalette
            if (const Object* o = EmfHandle(p.U32(8)); o != nullptr && o->kind == Object::kPalette)
                Select(*o);
            else if (p.U32(8) & 0x80000000u)
                stock(p.U32(8));
            break;
        case 40:  // DeleteObject
            emfObjects_.erase(p.U32(8));
            break;
        case 38: {  // CreatePen
            Object o;
            o.kind = Object::kPen;
            o.pen.style = static_cast<int>(p.U32(12) & 0xFF);
            o.pen.width = std::abs(static_cast<double>(p.S32(16)));
            o.pen.color = p.U32(24);
            newObject(8, std::move(o));
            break;
        }
        case 95: {  // ExtCreatePen
            Object o;
            o.kind = Object::kPen;
            const DWORD style = p.U32(28);
            o.pen.style = static_cast<int>(style & 0xF);
            o.pen.geometric = (style & 0x000F0000) != 0;
            o.pen.cap = static_cast<int>(style & 0xF00);
            o.pen.width = o.pen.geometric ? static_cast<double>(p.U32(32) & 0x7FFFFFFF) : 0;
            if (p.U32(36) == BS_NULL) o.pen.style = PS_NULL;
            o.pen.color = p.U32(40);
            const DWORD entries = p.U32(48);
            if (o.pen.style == PS_USERSTYLE) {
                p.NeedItems(52, entries, 4);
                for (DWORD i = 0; i < std::min<DWORD>(entries, 16); ++i)
                    o.pen.dashes.push_back(p.U32(52 + 4 * i));
            }
            newObject(8, std::move(o));
            break;
        }
        case 39: {  // CreateBrushIndirect
            Object o;
            o.kind = Object::kBrush;
            o.brush = SolidBrushOf(p.U32(12), p.U32(16), p.U32(20));
            newObject(8, std::move(o));
            break;
        }
        case 93:    // CreateMonoBrush
        case 94: {  // CreateDIBPatternBrushPt
            Object o;
            o.kind = Object::kBrush;
            const BYTE *bmi = nullptr, *bits = nullptr;
            std::size_t bmiSize = 0, bitsSize = 0;
            if (EmfBitmap(p, 16, bmi, bmiSize, bits, bitsSize)) {
                std::vector<BYTE> block(bmi, bmi + bmiSize);
                block.insert(block.end(), bits, bits + bitsSize);
                o.brush = Brush(PatternColor(block));
            }
            newObject(8, std::move(o));
            break;
        }
        case 82: {  // ExtCreateFontIndirectW
            p.Need(12, 92);
            Object o;
            o.kind = Object::kFont;
            o.font.height = p.S32(12);
            o.font.width =
                static_cast<LONG>(std::min<std::int64_t>(std::llabs(p.S32(16)), 1 << 20));
            o.font.escapement = p.S32(20);
            o.font.weight = p.S32(28);
            o.font.italic = p.U8(32) != 0;
            o.font.underline = p.U8(33) != 0;
            o.font.strikeOut = p.U8(34) != 0;
            o.font.quality = p.U8(38);
            o.font.face = FaceOfWide(data + 40, 32);
            newObject(8, std::move(o));
            break;
        }
        case 49: {  // CreatePalette
            const unsigned count = p.U16(14);
            p.NeedItems(16, count, 4);
            Object o;
            o.kind = Object::kPalette;
            for (unsigned i = 0; i < count; ++i)
                o.palette.push_back(RGB(data[16 + 4 * i], data[17 + 4 * i], data[18 + 4 * i]));
            newObject(8, std::move(o));
            break;
        }
        case 50: {  // SetPaletteEntries
            const DWORD index = p.U32(8), start = p.U32(12), count = p.U32(16);
            p.NeedItems(20, count, 4);
            auto it = emfObjects_.find(index);
            if (it == emfObjects_.end() || it->second.kind != Object::kPalette) break;
            std::vector<COLORREF>& pal = it->second.palette;
            for (DWORD i = 0; i < count && start < pal.size() && i < pal.size() - start; ++i)
                pal[start + i] = RGB(data[20 + 4 * i], data[21 + 4 * i], data[22 + 4 * i]);
            break;
        }
        default:
            return false;
    }
    return true;
}
