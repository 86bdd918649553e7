// Hit testing and the framework's keyboard focus.
#include "TavWndState.h"

using tavwnd::core;

TavWnd* TavWnd::hitTest(int screenX, int screenY) {
    POINT pt{screenX, screenY};
    // Topmost (last created) first; a child that is gone, hidden, see-through or disabled is
    // passed over, so the window below it answers.
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        TavWnd* child = *it;
        HWND h = child->hwnd_;
        if (!h || !IsWindow(h) || !child->isLogicallyVisible()) continue;
        if ((GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TRANSPARENT) || !IsWindowEnabled(h)) continue;
        RECT rc;
        GetWindowRect(h, &rc);
        if (PtInRect(&rc, pt)) return child->hitTest(screenX, screenY);
    }
    return this;
}

TavWnd* TavWnd::focusedWindow() { return core().focused; }

void TavWnd::setFocusedWindow(TavWnd* window) { core().focused = window; }

void TavWnd::takeFocus() {
    if (hwnd_) {
        SetActiveWindow(hwnd_);
        SetFocus(hwnd_);
    }
    // Set last: activating this window deactivates the previous one, whose lose-focus rule
    // would otherwise hand the focus to this window's root instead.
    core().focused = this;
}

bool TavWnd::loseFocus(TavWnd* newFocus) {
    if (newFocus && focusCompanions_.count(newFocus)) return false;
    TavWnd* focused = core().focused;
    if (focused && focused != this && focused->isDescendantOf(this)) return focused->loseFocus(newFocus);
    core().focused = newFocus;
    return true;
}
