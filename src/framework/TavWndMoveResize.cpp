#include "TavWndMoveResize.h"

#include <algorithm>

#include "AppState.h"
#include "DrawToolkit.h"
#include "Settings.h"
#include "TavWndState.h"

namespace {

// The outline window and the movable window it currently serves. GUI thread only.
struct OutlineState {
    HWND window = nullptr;
    TavWndMoveResize* owner = nullptr;
    RECT rect{};
};

OutlineState& outline() {
    static OutlineState state;
    return state;
}

// Created once; made again only if it was destroyed with its owner (the main window).
HWND ensureOutlineWindow() {
    auto& s = outline();
    if (s.window && IsWindow(s.window)) return s.window;
    HINSTANCE instance = tavwnd::moduleInstance();
    tavwnd::ensureWindowClass(instance, L"MoveResizeWnd");
    s.window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, L"MoveResizeWnd", nullptr, WS_POPUP, 0, 0,
                               0, 0, appState().mainWindow, nullptr, instance, nullptr);
    s.rect = RECT{};
    return s.window;
}

bool samePoint(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

} // namespace

TavWndMoveResize::TavWndMoveResize() { setObjectName(L"TavWndMoveResize"); }

TavWndMoveResize::~TavWndMoveResize() {
    auto& s = outline();
    if (s.owner == this) {
        hideOutline();
        s.owner = nullptr;
    }
}

HWND TavWndMoveResize::outlineWindow() { return outline().window; }
const TavWndMoveResize* TavWndMoveResize::outlineOwner() { return outline().owner; }
RECT TavWndMoveResize::outlineRect() { return outline().rect; }
bool TavWndMoveResize::outlineVisible() {
    HWND w = outline().window;
    return w && IsWindowVisible(w);
}

void TavWndMoveResize::onCreated() {
    TavWnd::onCreated();
    ensureOutlineWindow();
}

RECT TavWndMoveResize::windowRect() const {
    RECT rc{};
    if (hwnd_) GetWindowRect(hwnd_, &rc);
    return rc;
}

POINT TavWndMoveResize::toScreen(int x, int y) const {
    POINT pt{x, y};
    if (hwnd_) ClientToScreen(hwnd_, &pt);
    return pt;
}

bool TavWndMoveResize::ownsVisibleOutline() const { return outline().owner == this && outlineVisible(); }

void TavWndMoveResize::showOutline(const RECT& r) {
    auto& s = outline();
    HWND window = ensureOutlineWindow();
    if (!window || IsRectEmpty(&r)) return;
    bool hidden = !IsWindowVisible(window);
    bool sameSize =
        r.right - r.left == s.rect.right - s.rect.left && r.bottom - r.top == s.rect.bottom - s.rect.top;
    if (!hidden && sameSize && !EqualRect(&r, &s.rect)) {
        // A move keeps the picture: the layered window only changes place.
        SetWindowPos(window, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        s.rect = r;
    } else if (hidden || !EqualRect(&r, &s.rect)) {
        TavMemDC image = renderOutline(r);
        auto update = tavwnd::updateLayeredWindow();
        if (image && update) {
            POINT position{r.left, r.top};
            SIZE size{r.right - r.left, r.bottom - r.top};
            POINT source{0, 0};
            BLENDFUNCTION blend = tavwnd::sourceOver(static_cast<BYTE>(outlineColor() >> 24));
            update(window, nullptr, &position, &size, image.dc(), &source, 0, &blend, ULW_ALPHA);
        }
        s.rect = r;
        if (hidden) {
            ShowWindow(window, SW_SHOWNOACTIVATE);
            SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
        }
    }
    s.owner = this;
}

void TavWndMoveResize::hideOutline() {
    HWND window = outline().window;
    if (window && IsWindowVisible(window)) ShowWindow(window, SW_HIDE);
}

TavMemDC TavWndMoveResize::renderOutline(const RECT& r) {
    int w = r.right - r.left, h = r.bottom - r.top;
    TavMemDC dc = createMemoryDC(hwnd_, w, h);
    if (!dc) return dc;
    // The color's own alpha is applied once, as the constant alpha of the layered update; the
    // frame pixels themselves are opaque so that 0x80 shows half transparent, not a quarter.
    uint32_t pixel = premultiply(outlineColor() | 0xFF000000u);
    for (int x = 0; x < w; ++x) dc.at(x, 0) = dc.at(x, h - 1) = pixel;
    for (int y = 0; y < h; ++y) dc.at(0, y) = dc.at(w - 1, y) = pixel;
    return dc;
}

uint32_t TavWndMoveResize::outlineColor() { return settings().borderMenuColor; }

int TavWndMoveResize::moveResizeHook() { return 0; }

void TavWndMoveResize::zoneHitTest(int screenX, int screenY, const RECT& rect) {
    POINT pt{screenX, screenY};
    if ((pressFlag_ && ownsVisibleOutline()) || !PtInRect(&rect, pt)) return;
    zone_ = resizeEnabled() ? zoneAt(pt, rect, borderThickness_) : kZoneNone;
    setCursorKind(cursorKindForZone(zone_));
}

RECT TavWndMoveResize::dragBounds() {
    bool child = hwnd_ && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD);
    if (child && parentWnd() && parentWnd()->handle()) {
        RECT rc;
        GetWindowRect(parentWnd()->handle(), &rc);
        return rc;
    }
    // The virtual screen: on one monitor exactly (0, 0, screen width, screen height); with more
    // monitors a note can still be dragged onto any of them.
    int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (w <= 0 || h <= 0) return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return RECT{x, y, x + w, y + h};
}

RECT TavWndMoveResize::resizeLimits() {
    int h = defaultLineHeight();
    // Without a usable font the window still keeps room for its border zones.
    if (h <= 0) h = 2 * borderThickness_;
    return sizeLimits(windowRect(), h);
}

bool TavWndMoveResize::resizeOutline(int screenX, int screenY, int zone, RECT& newRect) {
    POINT pt{screenX, screenY};
    if (zone == kZoneNone || samePoint(pt, anchor_)) return false;
    TavResizeStep step = resizeStep(outline().rect, anchor_, pt, zone, resizeLimits());
    if (!step.changed) return false;
    anchor_ = step.anchor;
    showOutline(step.rect);
    newRect = step.rect;
    return true;
}

void TavWndMoveResize::onLeftButtonDown(WPARAM keys, int x, int y) {
    TavWnd::onLeftButtonDown(keys, x, y);
    if (!dragEnabled()) return;
    anchor_ = toScreen(x, y);
    SetCapture(hwnd_);
    zoneHitTest(anchor_.x, anchor_.y, windowRect());
}

void TavWndMoveResize::onMouseMove(WPARAM keys, int x, int y) {
    TavWnd::onMouseMove(keys, x, y);
    if (!dragEnabled() || !pressFlag_ || focusedWindow() != this) return;
    POINT pt = toScreen(x, y);
    if (samePoint(pt, anchor_)) return;
    pt = clampPoint(pt, dragBounds());
    if (samePoint(pt, anchor_)) return;
    if (isMoving()) {
        if (!outlineVisible()) showOutline(windowRect());
        if (outline().owner == this) {
            RECT moved = outline().rect;
            OffsetRect(&moved, pt.x - anchor_.x, pt.y - anchor_.y);
            showOutline(moved);
        }
        anchor_ = pt;
    } else if (isResizing()) {
        if (!outlineVisible()) showOutline(windowRect());
        // The resize step keeps the anchor itself: where an edge stopped at its limit the anchor
        // stays level with the edge instead of following the pointer.
        RECT ignored;
        resizeOutline(pt.x, pt.y, zone_, ignored);
    } else {
        anchor_ = pt;
    }
}

void TavWndMoveResize::onLeftButtonUp(WPARAM keys, int x, int y) {
    TavWnd::onLeftButtonUp(keys, x, y);
    if (!dragEnabled()) return;
    if (GetCapture() == hwnd_) ReleaseCapture();
    if (!ownsVisibleOutline()) return;
    RECT target = outline().rect;
    RECT now = windowRect();
    if (!EqualRect(&target, &now)) applyOutline(target);
    hideOutline();
}

void TavWndMoveResize::applyOutline(const RECT& target) {
    RECT before = windowRect();
    RECT place = target;
    HWND self = hwnd_;
    bool child = GetWindowLongW(self, GWL_STYLE) & WS_CHILD;
    if (child) MapWindowPoints(nullptr, GetParent(self), reinterpret_cast<POINT*>(&place), 2);
    MoveWindow(self, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
    onGeometryChanged();
    // The hook may have closed the window.
    if (hwnd_ != self || !IsWindow(self)) return;
    // A moved child leaves its old place (redrawn by the parent) and appears at the new one; a
    // resized window has a new back buffer. Either way the root shows the result once.
    RECT both;
    UnionRect(&both, &before, &target);
    if (child) {
        if (redrawScreenRect(both.left, both.top, both.right, both.bottom)) present(&both);
    } else if (target.right - target.left != before.right - before.left ||
               target.bottom - target.top != before.bottom - before.top) {
        // The size change already recomposed the back buffer; a pure move keeps the image.
        present();
    }
}

void TavWndMoveResize::onHover(WPARAM keys, int x, int y) {
    TavWnd::onHover(keys, x, y);
    if (pressFlag_) return;
    POINT pt = toScreen(x, y);
    zoneHitTest(pt.x, pt.y, windowRect());
}

void TavWndMoveResize::onMouseLeave() {
    TavWnd::onMouseLeave();
    if (!dragEnabled()) return;
    // While the button is held the window has the capture and the drag goes on outside it (a
    // window grown from its edge is left at once): the release ends it, not the leave.
    if (ownsVisibleOutline() && !pressFlag_) hideOutline();
    if (!pressFlag_ && cursorKind() != kCursorArrow) setCursorKind(kCursorArrow);
}
