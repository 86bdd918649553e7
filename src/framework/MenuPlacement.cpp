#include "MenuPlacement.h"

#include <algorithm>

POINT menuPopupPosition(SIZE menu, POINT point, const RECT& screen) {
    POINT pos{point.x, point.y};
    if (pos.x + menu.cx > screen.right) {
        pos.x -= menu.cx;
        if (pos.x < screen.left) pos.x = screen.left;
    } else {
        pos.x += 1;
    }
    if (pos.y + menu.cy > screen.bottom) {
        pos.y -= menu.cy + 1;
        if (pos.y < screen.top) pos.y = screen.top;
    } else {
        pos.y += 1;
    }
    return pos;
}

POINT submenuPosition(SIZE menu, const RECT& item, POINT anchor, const RECT& screen) {
    POINT pos = anchor;
    if (pos.x + menu.cx > screen.right) {
        pos.x = item.left - menu.cx;
        if (pos.x < screen.left) pos.x = screen.left;
    }
    if (pos.y + menu.cy > screen.bottom) {
        pos.y -= pos.y + menu.cy - screen.bottom;
        if (pos.y < screen.top) pos.y = screen.top;
    }
    return pos;
}

POINT shadowedPopupPosition(POINT plain, int shadow) { return POINT{plain.x - shadow, plain.y}; }

POINT shadowedSubmenuPosition(POINT plain, const RECT& item, int shadow, int verticalOffset) {
    POINT pos = plain;
    if (pos.x >= item.right)
        pos.x -= shadow;
    else if (pos.x <= item.left)
        pos.x += shadow;
    pos.y -= shadow + verticalOffset;
    return pos;
}

int menuWidthFor(const std::vector<int>& textWidths, int margins, int minimum, int maximum) {
    int width = minimum;
    for (int w : textWidths) width = std::max(width, w + margins);
    return std::max(std::min(width, maximum), std::min(minimum, maximum));
}

std::wstring fitWithEllipsis(const std::wstring& text, int width,
                             const std::function<int(const std::wstring&)>& measure) {
    if (measure(text) <= width) return text;
    // The longest start that fits with the ellipsis, by bisection over its length.
    size_t low = 0, high = text.size();
    while (low < high) {
        size_t mid = (low + high + 1) / 2;
        if (measure(text.substr(0, mid) + L"…") <= width)
            low = mid;
        else
            high = mid - 1;
    }
    // Never end on the first half of a surrogate pair.
    if (low > 0 && low < text.size() && IS_HIGH_SURROGATE(text[low - 1])) --low;
    return text.substr(0, low) + L"…";
}

namespace {

// Twice the signed area of (a, b, c): positive when c lies left of a→b.
int64_t cross(POINT a, POINT b, POINT c) {
    return int64_t(b.x - a.x) * (c.y - a.y) - int64_t(b.y - a.y) * (c.x - a.x);
}

} // namespace

bool pointerHeadsFor(POINT previous, POINT current, const RECT& submenu) {
    if (previous.x == current.x && previous.y == current.y) return false;
    LONG nearX;
    if (submenu.left >= previous.x)
        nearX = submenu.left;
    else if (submenu.right <= previous.x)
        nearX = submenu.right;
    else
        return false;
    const POINT top{nearX, submenu.top}, bottom{nearX, submenu.bottom};
    int64_t d1 = cross(previous, top, current), d2 = cross(top, bottom, current),
            d3 = cross(bottom, previous, current);
    bool negative = d1 < 0 || d2 < 0 || d3<0, positive = d1> 0 || d2 > 0 || d3 > 0;
    return !(negative && positive);
}

void SubmenuAim::move(POINT point) {
    if (points_ > 0 && point.x == current_.x && point.y == current_.y) return;
    previous_ = current_;
    current_ = point;
    if (points_ < 2) ++points_;
}

bool SubmenuAim::keepsSubmenu(const RECT& submenu, uint64_t now, uint32_t graceMs) {
    if (points_ < 2 || !pointerHeadsFor(previous_, current_, submenu)) {
        settle();
        return false;
    }
    if (!waitingSince_) waitingSince_ = now;
    return now - *waitingSince_ < graceMs;
}

uint32_t SubmenuAim::remaining(uint64_t now, uint32_t graceMs) const {
    if (!waitingSince_ || now - *waitingSince_ >= graceMs) return 0;
    return uint32_t(graceMs - (now - *waitingSince_));
}

uint32_t submenuGraceMs() {
    UINT delay = 0;
    if (!SystemParametersInfoW(SPI_GETMENUSHOWDELAY, 0, &delay, 0) || delay == 0) return 400;
    return std::clamp<uint32_t>(delay, 100, 1000);
}
