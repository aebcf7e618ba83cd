#include "foundation/pixel/fxpixelutils.h"

#include <sys/stat.h>

#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "foundation/fxstrings.h"
#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "platform/textcodec.h"

namespace fxpixel {

namespace {

int Channel(COLORREF color, int shift) { return static_cast<int>((color >> shift) & 0xFF); }

COLORREF FromChannels(int r, int g, int b) {
    return RGB(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

}  // namespace

COLORREF LightenColor(COLORREF color, int percent) {
    if (percent < 0 || percent > 100) return color;
    auto up = [&](int c) { return c + c * percent / 100; };
    return FromChannels(up(Channel(color, 0)), up(Channel(color, 8)), up(Channel(color, 16)));
}

COLORREF LightenColorAdditive(COLORREF color, double percent) {
    if (!(percent > 0) || percent > 100) return color;
    const int add = static_cast<int>(percent / 100 * 256);
    return FromChannels(Channel(color, 0) + add, Channel(color, 8) + add, Channel(color, 16) + add);
}

COLORREF DarkenColorAdditive(COLORREF color, double percent) {
    if (!(percent > 0) || percent > 100) return color;
    const int sub = static_cast<int>(percent / 100 * 256);
    return FromChannels(Channel(color, 0) - sub, Channel(color, 8) - sub, Channel(color, 16) - sub);
}

BOOL IsPointInBounds(int x, int y, int left, int top, int right, int bottom) {
    return x >= left && x <= right && y >= top && y <= bottom;
}

CPoint ClampPointToBounds(CPoint point, const CRect& bounds) {
    return CPoint(std::clamp(point.x, bounds.left, std::max(bounds.left, bounds.right)),
                  std::clamp(point.y, bounds.top, std::max(bounds.top, bounds.bottom)));
}

CRect ClampRectToBounds(CRect rect, const CRect& bounds, BOOL shift) {
    if (shift) {
        if (rect.right > bounds.right) {
            rect.left -= rect.right - bounds.right;
            rect.right = bounds.right;
        }
        if (rect.bottom > bounds.bottom) {
            rect.top -= rect.bottom - bounds.bottom;
            rect.bottom = bounds.bottom;
        }
        if (rect.left < bounds.left) {
            rect.right += bounds.left - rect.left;
            rect.left = bounds.left;
        }
        if (rect.top < bounds.top) {
            rect.bottom += bounds.top - rect.top;
            rect.top = bounds.top;
        }
    }
    rect.left = std::clamp(rect.left, bounds.left, std::max(bounds.left, bounds.right));
    rect.right = std::clamp(rect.right, bounds.left, std::max(bounds.left, bounds.right));
    rect.top = std::clamp(rect.top, bounds.top, std::max(bounds.top, bounds.bottom));
    rect.bottom = std::clamp(rect.bottom, bounds.top, std::max(bounds.top, bounds.bottom));
    return rect;
}

CSize FitSizeKeepingAspect(CSize size, CSize target, BOOL allowEnlarge, CRect* centred) {
    CSize fitted = size;
    if (size.cx > 0 && size.cy > 0 && target.cx > 0 && target.cy > 0) {
        const double scale = std::min(static_cast<double>(target.cx) / size.cx,
                                      static_cast<double>(target.cy) / size.cy);
        if (scale < 1 || allowEnlarge) {
            fitted.cx = std::max<LONG>(1, static_cast<LONG>(std::lround(size.cx * scale)));
            fitted.cy = std::max<LONG>(1, static_cast<LONG>(std::lround(size.cy * scale)));
        }
    }
    if (centred) {
        const LONG left = (target.cx - fitted.cx) / 2, top = (target.cy - fitted.cy) / 2;
        *centred = CRect(left, top, left + fitted.cx, top + fitted.cy);
    }
    return fitted;
}

BOOL SortNumbers(std::vector<int>& numbers, BOOL descending, const std::vector<int>* keys) {
    if (keys && keys->size() != numbers.size()) return FALSE;
    std::vector<size_t> order(numbers.size());
    std::iota(order.begin(), order.end(), 0);
    const std::vector<int>& by = keys ? *keys : numbers;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return descending ? by[a] > by[b] : by[a] < by[b];
    });
    std::vector<int> sorted;
    sorted.reserve(numbers.size());
    for (size_t i : order) sorted.push_back(numbers[i]);
    numbers.swap(sorted);
    return TRUE;
}

int EnumFontFaceNames(std::vector<std::string>& faces, BOOL firstGroupOnly) {
    return EnumDisplayFontFaces(faces, FALSE, FALSE, firstGroupOnly);
}

BOOL FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

QString LimitText(QString text, int limit) {
    if (limit <= 0 || text.size() <= limit) return text;
    if (text[limit - 1].isHighSurrogate()) --limit;
    text.truncate(limit);
    return text;
}

void AppendRichText(QTextEdit* edit, const std::string& text, COLORREF color, BOOL bold,
                    int limit) {
    if (!edit) return;
    QString added = AnsiToQString(text);
    if (limit > 0) {
        const int room = limit - (edit->document()->characterCount() - 1);
        added = room > 0 ? LimitText(added, room) : QString();
    }
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(QColor(Channel(color, 0), Channel(color, 8), Channel(color, 16)));
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    if (!added.isEmpty()) cursor.insertText(added, format);
    edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
}

CRect GetChildWindowsRect(const QWidget* parent, const std::string& classFilter) {
    CRect all;
    std::vector<QWidget*> children;
    GetChildWindows(const_cast<QWidget*>(parent), children);
    std::vector<std::string> filter;
    SplitString(classFilter, filter, '|', TRUE);
    for (const QWidget* child : children) {
        if (!filter.empty() && std::find(filter.begin(), filter.end(),
                                         GetWindowClassName(child, TRUE)) == filter.end())
            continue;
        all |= GetWndRect(child);
    }
    return all;
}

}  // namespace fxpixel
