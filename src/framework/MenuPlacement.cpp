#include "MenuPlacement.h"

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
