// The metafile player's text: strings placed by the text alignment, with
// the records' own advances, opaque boxes and clipping.

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

QString WideText(const BYTE* p, std::size_t chars) {
    std::u16string text(chars, u'\0');
    for (std::size_t i = 0; i < chars; ++i) text[i] = static_cast<char16_t>(GetLE16(p + 2 * i));
    return QString::fromStdU16String(text);
}

}  // namespace

void CMetafilePlayer::Text(double x, double y, const QString& text, const std::vector<double>& dx,
                           UINT options, const CRect* rect) {
    if (inPath_) return;
    Sync();
    SyncFont();
    const UINT align = state_.textAlign;
    const QPointF ref = (align & TA_UPDATECP) ? state_.position : Dev(x, y);
    CRect box;
    if (rect != nullptr) box = DevRect(rect->left, rect->top, rect->right, rect->bottom);
    if ((options & ETO_OPAQUE) && rect != nullptr)
        dc_.FillSolidRect(OnSurface(box), Resolve(state_.bkColor));
    if (text.isEmpty()) return;
    const TextMetrics tm = dc_.GetTextMetrics();
    // Advances in pixels: the record's own when it has one for each character.
    std::vector<int> advances;
    const double scale = std::hypot((Dev(1, 0) - Dev(0, 0)).x(), (Dev(1, 0) - Dev(0, 0)).y());
    if (dx.size() == static_cast<std::size_t>(text.size()))
        for (double d : dx)
            advances.push_back(
                static_cast<int>(std::clamp(std::round(d * scale), -kReach, kReach)));
    std::int64_t width = 0;
    if (advances.empty())
        width = dc_.GetTextExtent(text).cx;
    else
        for (int a : advances) width += a;
    width = std::clamp<std::int64_t>(width, -(1 << 26), 1 << 26);
    CPoint at = Pixel(ref);
    if ((align & TA_CENTER) == TA_CENTER)
        at.x -= static_cast<int>(width / 2);
    else if (align & TA_RIGHT)
        at.x -= static_cast<int>(width);
    if ((align & TA_BASELINE) == TA_BASELINE)
        at.y -= tm.ascent;
    else if (align & TA_BOTTOM)
        at.y -= tm.height;
    const CDC::ClipState saved = dc_.SaveClip();
    if ((options & ETO_CLIPPED) && rect != nullptr) dc_.IntersectClipRect(box);
    if (advances.empty()) {
        dc_.TextOut(at.x, at.y, text);
    } else {
        std::int64_t pen = at.x;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (std::abs(pen) < kReach) dc_.TextOut(static_cast<int>(pen), at.y, QString(text[i]));
            pen += advances[static_cast<std::size_t>(i)];
        }
    }
    dc_.RestoreClip(saved);
    if ((align & TA_UPDATECP) && (align & TA_CENTER) == 0)
        state_.position = QPointF(ref.x() + static_cast<double>(width), ref.y());
}

bool CMetafilePlayer::WmfText(unsigned function, const BYTE* data, std::size_t n) {
    const Params p{data, n};
    switch (function) {
        case 0x0521: {  // TextOut
            const unsigned count = p.U16(0);
            const std::size_t padded = (std::size_t{count} + 1) / 2 * 2;
            p.Need(2, padded + 4);
            const std::string text(reinterpret_cast<const char*>(data + 2), count);
            Text(p.S16(2 + padded + 2), p.S16(2 + padded), AnsiToQString(text), {}, 0, nullptr);
            break;
        }
        case 0x0A32: {  // ExtTextOut
            const int y = p.S16(0), x = p.S16(2);
            const unsigned count = p.U16(4), options = p.U16(6);
            std::size_t off = 8;
            CRect rect;
            const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
            if (hasRect) {
                rect = CRect(p.S16(8), p.S16(10), p.S16(12), p.S16(14));
                off = 16;
            }
            p.Need(off, count);
            const std::string text(reinterpret_cast<const char*>(data + off), count);
            off += (std::size_t{count} + 1) / 2 * 2;
            std::vector<double> dx;
            if (p.Has(off, 2 * std::size_t{count}))
                for (unsigned i = 0; i < count; ++i) dx.push_back(p.S16(off + 2 * i));
            QString unicode = AnsiToQString(text);
            // Advances are given per byte: a double-byte character takes both.
            if (!dx.empty() && static_cast<std::size_t>(unicode.size()) != dx.size()) {
                std::vector<double> merged;
                for (std::size_t i = 0; i < text.size(); ++i) {
                    double a = dx[i];
                    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
                        a += dx[++i];
                    merged.push_back(a);
                }
                dx = std::move(merged);
            }
            Text(x, y, unicode, dx, options, hasRect ? &rect : nullptr);
            break;
        }
        default:
            return false;
    }
    return true;
}

bool CMetafilePlayer::EmfText(unsigned type, const BYTE* data, std::size_t n) {
    const Params p{data, n};
    auto text = [&](std::size_t at, bool wide) {
        // The text record: reference point, count, string, options, box, advances.
        const QPointF ref(p.S32(at), p.S32(at + 4));
        const DWORD chars = p.U32(at + 8), offString = p.U32(at + 12), options = p.U32(at + 16);
        const CRect rect(p.S32(at + 20), p.S32(at + 24), p.S32(at + 28), p.S32(at + 32));
        const DWORD offDx = p.U32(at + 36);
        p.NeedItems(offString, chars, wide ? 2 : 1);
        QString string = wide ? WideText(data + offString, chars)
                              : AnsiToQString(std::string(
                                    reinterpret_cast<const char*>(data + offString), chars));
        std::vector<double> dx;
        const std::size_t step = (options & ETO_PDY) ? 8 : 4;
        if (offDx != 0 && p.Has(offDx, step * std::size_t{chars}) &&
            static_cast<std::size_t>(string.size()) == chars)
            for (DWORD i = 0; i < chars; ++i) dx.push_back(p.S32(offDx + step * i));
        const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0 && !rect.IsRectNull();
        Text(ref.x(), ref.y(), string, dx, options, hasRect ? &rect : nullptr);
    };
    switch (type) {
        case 83:  // ExtTextOutA
        case 84:  // ExtTextOutW
            text(36, type == 84);
            break;
        case 108: {  // SmallTextOut
            const LONG x = p.S32(8), y = p.S32(12);
            const DWORD chars = p.U32(16), options = p.U32(20);
            CRect rect;
            std::size_t at = 36;
            if (!(options & ETO_NO_RECT)) {
                rect = CRect(p.S32(36), p.S32(40), p.S32(44), p.S32(48));
                at = 52;
            }
            const bool narrow = (options & ETO_SMALL_CHARS) != 0;
            p.NeedItems(at, chars, narrow ? 1 : 2);
            QString string = narrow ? QString::fromLatin1(reinterpret_cast<const char*>(data + at),
                                                          static_cast<qsizetype>(chars))
                                    : WideText(data + at, chars);
            const bool hasRect = !(options & ETO_NO_RECT) && (options & (ETO_OPAQUE | ETO_CLIPPED));
            Text(x, y, string, {}, options, hasRect ? &rect : nullptr);
            break;
        }
        default:
            return false;
    }
    return true;
}
