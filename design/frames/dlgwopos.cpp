#include "design/frames/dlgwopos.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "design/model/dsgwobj.h"

namespace {

constexpr std::int64_t kUnitsPerDot = 10000;

}  // namespace

std::int64_t ParseWOPosValue(const std::string& text) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str()) return 0;
    return value;
}

CRect WOPosApplyKey(const CRect& dots, const std::string& key, std::int64_t value,
                    const CSize& lcd) {
    CRect result = dots;
    // The stored edges that play the left/right and top/bottom roles.
    LONG& left = dots.left <= dots.right ? result.left : result.right;
    LONG& right = dots.left <= dots.right ? result.right : result.left;
    LONG& top = dots.top <= dots.bottom ? result.top : result.bottom;
    LONG& bottom = dots.top <= dots.bottom ? result.bottom : result.top;
    const std::int64_t edge = std::max<std::int64_t>(value, 0);
    const std::int64_t size = std::max<std::int64_t>(value, 1);
    if (key == "left") {
        left = ClampToLong(std::min<std::int64_t>({edge, lcd.cx, right}));
    } else if (key == "right") {
        right = ClampToLong(std::min<std::int64_t>(std::max<std::int64_t>(edge, left), lcd.cx));
    } else if (key == "top") {
        top = ClampToLong(std::min<std::int64_t>({edge, lcd.cy, bottom}));
    } else if (key == "bottom") {
        bottom = ClampToLong(std::min<std::int64_t>(std::max<std::int64_t>(edge, top), lcd.cy));
    } else if (key == "width") {
        right = ClampToLong(static_cast<std::int64_t>(left) + size - 1);
    } else if (key == "height") {
        bottom = ClampToLong(static_cast<std::int64_t>(top) + size - 1);
    }
    return result;
}

CRect WOPosDotsToUnits(const CRect& dots) {
    return CRect(ClampToLong(dots.left * kUnitsPerDot), ClampToLong(dots.top * kUnitsPerDot),
                 ClampToLong(dots.right * kUnitsPerDot), ClampToLong(dots.bottom * kUnitsPerDot));
}
