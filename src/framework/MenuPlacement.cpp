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
