// Composition of a window tree into its root's back buffer, presentation, and geometry tracking.
#include "TavWndState.h"

using tavwnd::core;
using tavwnd::sourceOver;

namespace {

POINT clientOrigin(HWND window) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return origin;
}

SIZE clientSize(HWND window) {
    RECT rc{};
    GetClientRect(window, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

bool sameSize(const RECT& a, const RECT& b) {
    return a.right - a.left == b.right - b.left && a.bottom - a.top == b.bottom - b.top;
}

} // namespace

TavMemDC TavWnd::renderSelf() {
    SIZE size = clientSize(hwnd_);
    return createMemoryDC(hwnd_, size.cx, size.cy);
}

bool TavWnd::paintInto(HWND origin, HWND targetWindow, HDC target, int left, int top, int right,
                       int bottom, const TavWndSet& excluded) {
    if (!hwnd_ || !target) return false;
    // The request in this window's client coordinates, cut to the client area.
    POINT targetOrigin = clientOrigin(targetWindow);
    POINT mine = clientOrigin(hwnd_);
    int shiftX = targetOrigin.x - mine.x, shiftY = targetOrigin.y - mine.y;
    RECT area{left + shiftX, top + shiftY, right + shiftX, bottom + shiftY};
    SIZE size = clientSize(hwnd_);
    RECT client{0, 0, size.cx, size.cy};
    RECT part;
    if (!IntersectRect(&part, &area, &client)) return true;
    int w = part.right - part.left, h = part.bottom - part.top;
    // Where the part lands in the target DC.
    int destX = part.left - shiftX - left, destY = part.top - shiftY - top;

    std::vector<TavWnd*> drawn;
    for (TavWnd* child : children_) {
        HWND ch = child->hwnd_;
        if (excluded.count(child) || !ch || !IsWindow(ch)) continue;
        if (!(GetWindowLongW(ch, GWL_STYLE) & WS_CHILD) || !child->isLogicallyVisible()) continue;
        drawn.push_back(child);
    }
    BLENDFUNCTION blend = sourceOver();
    bool own = !excluded.count(this);
    TavMemDC self;
    RECT ownPart{};
    if (own) {
        self = renderSelf();
        if (!self) return false;
        // An own image smaller than the client area is a partial look, not a failure.
        RECT image{0, 0, self.width(), self.height()};
        if (!IntersectRect(&ownPart, &part, &image)) own = false;
    }
    auto blendOwn = [&](HDC dc, int dx, int dy) {
        return AlphaBlend(dc, dx + ownPart.left - part.left, dy + ownPart.top - part.top,
                          ownPart.right - ownPart.left, ownPart.bottom - ownPart.top, self.dc(),
                          ownPart.left, ownPart.top, ownPart.right - ownPart.left,
                          ownPart.bottom - ownPart.top, blend) != FALSE;
    };
    if (drawn.empty()) {
        // Nothing goes above the own image: blending it straight into the target is the same
        // as blending it into a transparent temporary first.
        return !own || blendOwn(target, destX, destY);
    }
    TavMemDC temp(w, h);
    if (!temp) return false;
    if (own && !blendOwn(temp.dc(), 0, 0)) return false;
    for (TavWnd* child : drawn) {
        if (!child->paintInto(origin, hwnd_, temp.dc(), part.left, part.top, part.right,
                              part.bottom, excluded))
            return false;
    }
    return AlphaBlend(target, destX, destY, w, h, temp.dc(), 0, 0, w, h, blend) != FALSE;
}

void TavWnd::rebuildBackBuffer() {
    if (!hwnd_ || topLevelHandle() != hwnd_) return;
    backBuffer_ = TavMemDC();
    SIZE size = clientSize(hwnd_);
    backBuffer_ = createMemoryDC(hwnd_, size.cx, size.cy);
}

void TavWnd::copyBackBufferInto(HDC target) {
    if (!backBuffer_ || !target) return;
    BLENDFUNCTION blend = sourceOver();
    AlphaBlend(target, 0, 0, backBuffer_.width(), backBuffer_.height(), backBuffer_.dc(), 0, 0,
               backBuffer_.width(), backBuffer_.height(), blend);
}

bool TavWnd::redrawUnder(TavWnd* window) {
    if (!window || !window->hwnd_) return false;
    RECT rc;
    GetWindowRect(window->hwnd_, &rc);
    return redrawRect(hwnd_, TavWndSet{window}, rc);
}

bool TavWnd::redrawRect(HWND origin, const TavWndSet& excluded, const RECT& screenRect) {
    TavWnd* top = root();
    if (top != this) return top->redrawRect(origin, excluded, screenRect);
    if (!hwnd_) return false;
    SIZE size = clientSize(hwnd_);
    RECT client{0, 0, size.cx, size.cy};
    RECT area = screenRect;
    if (!backBuffer_ || backBuffer_.width() != size.cx || backBuffer_.height() != size.cy) {
        // A new buffer starts transparent: all of it has to be drawn, not just the request.
        rebuildBackBuffer();
        if (!backBuffer_) return false;
        area = client;
    } else {
        POINT o = clientOrigin(hwnd_);
        OffsetRect(&area, -o.x, -o.y);
    }
    RECT part;
    if (!IntersectRect(&part, &area, &client)) return true;
    int w = part.right - part.left, h = part.bottom - part.top;
    TavMemDC temp(w, h);
    if (!temp) return false;
    if (!paintInto(origin, hwnd_, temp.dc(), part.left, part.top, part.right, part.bottom,
                   excluded))
        return false;
    return BitBlt(backBuffer_.dc(), part.left, part.top, w, h, temp.dc(), 0, 0, SRCCOPY) != FALSE;
}

bool TavWnd::redrawScreenRect(int left, int top, int right, int bottom) {
    return redrawRect(hwnd_, TavWndSet{}, RECT{left, top, right, bottom});
}

bool TavWnd::redrawAll() {
    if (!hwnd_) return false;
    RECT rc;
    GetWindowRect(hwnd_, &rc);
    return redrawRect(hwnd_, TavWndSet{}, rc);
}

void TavWnd::present(const RECT* screenRect) {
    TavWnd* top = root();
    if (top != this) {
        top->present(screenRect);
        return;
    }
    if (!hwnd_) return;
    if (isLayered())
        presentLayered();
    else
        presentBlit(screenRect);
}

void TavWnd::presentLayered() {
    auto update = tavwnd::updateLayeredWindow();
    if (!update || !IsWindowVisible(hwnd_)) return;
    SIZE client = clientSize(hwnd_);
    if (!backBuffer_ || backBuffer_.width() != client.cx || backBuffer_.height() != client.cy) {
        if (!redrawAll()) return;
    }
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    SIZE size{wr.right - wr.left, wr.bottom - wr.top};
    TavMemDC frame = createMemoryDC(hwnd_, client.cx, client.cy);
    if (!frame) return;
    copyBackBufferInto(frame.dc());
    POINT position{wr.left, wr.top};
    POINT source{0, 0};
    BLENDFUNCTION blend = sourceOver();
    update(hwnd_, nullptr, &position, &size, frame.dc(), &source, 0, &blend, ULW_ALPHA);
}

void TavWnd::presentBlit(const RECT* screenRect) {
    SIZE client = clientSize(hwnd_);
    if (!backBuffer_ || backBuffer_.width() != client.cx || backBuffer_.height() != client.cy) {
        if (!redrawAll()) return;
    }
    RECT area{0, 0, client.cx, client.cy};
    if (screenRect) {
        POINT o = clientOrigin(hwnd_);
        RECT requested = *screenRect;
        OffsetRect(&requested, -o.x, -o.y);
        if (!IntersectRect(&area, &requested, &area)) return;
    }
    HDC dc = GetDC(hwnd_);
    if (!dc) return;
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
           backBuffer_.dc(), area.left, area.top, SRCCOPY);
    ReleaseDC(hwnd_, dc);
}

void TavWnd::refreshDescendantRects() {
    for (TavWnd* child : children_) {
        if (!child->hwnd_) continue;
        GetWindowRect(child->hwnd_, &child->lastRect_);
        if (sameSize(child->lastRect_, child->sizedRect_)) child->sizedRect_ = child->lastRect_;
        child->onGeometryChanged();
        child->refreshDescendantRects();
    }
}

void TavWnd::onMoved(int, int) {
    if (!hwnd_) return;
    RECT now;
    GetWindowRect(hwnd_, &now);
    if (EqualRect(&now, &lastRect_)) return;
    RECT old = lastRect_;
    lastRect_ = now;
    // A move that also changes the size is followed by WM_SIZE, which needs the old corner.
    if (sameSize(now, sizedRect_)) sizedRect_ = now;
    if (parent_ && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD))
        parent_->redrawScreenRect(old.left, old.top, old.right, old.bottom);
    refreshDescendantRects();
}

void TavWnd::moveChildrenBy(int dx, int dy) {
    for (TavWnd* child : children_) {
        HWND ch = child->hwnd_;
        if (!ch || !(GetWindowLongW(ch, GWL_STYLE) & WS_CHILD)) continue;
        RECT rc;
        GetWindowRect(ch, &rc);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
        SetWindowPos(ch, nullptr, rc.left + dx, rc.top + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
}

void TavWnd::onSized(WPARAM, int, int) {
    if (!hwnd_) return;
    RECT now;
    GetWindowRect(hwnd_, &now);
    if (EqualRect(&now, &sizedRect_)) return;
    RECT old = sizedRect_;
    sizedRect_ = now;
    lastRect_ = now;
    // Growing or shrinking from the left or top edge: children keep their places on screen.
    int dx = old.left - now.left, dy = old.top - now.top;
    if (dx || dy) moveChildrenBy(dx, dy);
    rebuildBackBuffer();
    RECT both;
    UnionRect(&both, &old, &now);
    redrawScreenRect(both.left, both.top, both.right, both.bottom);
}
