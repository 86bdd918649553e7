// The window procedure of framework windows: messages routed to the window's operations in two
// stages (before and after default processing), the pre-translation hook and redraw requests.
#include "TavWndState.h"

#include "TavAssert.h"

using tavwnd::clientX;
using tavwnd::clientY;
using tavwnd::core;

namespace {

bool isNotification(UINT message) {
    return message >= kTavMsgCommand && message <= kTavMsgLastNotification && message != kTavMsgTrayCallback;
}

// Forwarding WM_SETCURSOR to the window under the pointer must not bounce forever when an
// overridden hit test answers differently in each window.
int setCursorDepth = 0;

} // namespace

LRESULT TavWnd::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (routeBeforeDefault(message, wParam, lParam, result)) return result;
    HWND self = hwnd_;
    result = defaultProc(message, wParam, lParam);
    // Default processing may have destroyed the window and, through its owner, this object.
    if (!self || fromHandle(self) != this) return result;
    routeAfterDefault(message, wParam, lParam, result);
    return result;
}

bool TavWnd::routeBeforeDefault(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd_, &ps);
        EndPaint(hwnd_, &ps);
        if (!isLayered() && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_POPUP)) present();
        result = 1;
        return true;
    }
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_SETCURSOR:
        return handleSetCursor(wParam, lParam, result);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        bool handled = false;
        result = handleButtonDownFocus(message, wParam, lParam, handled);
        return handled;
    }
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) != WM_LBUTTONDOWN) return false;
        result = SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, lParam);
        return true;
    case WM_MOUSEWHEEL:
        // Handled once, by the focused window: default processing would pass the wheel up the
        // parent chain and each ancestor would hand it to the focused window again.
        if (!core().focused) return false;
        core().focused->onMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam),
                                     clientX(lParam), clientY(lParam));
        result = 0;
        return true;
    case kTavMsgRedrawRequest:
        handleRedrawRequest(wParam, lParam);
        result = 0;
        return true;
    default:
        if (isNotification(message)) {
            result = onCommand(message, wParam, lParam);
            return true;
        }
        return false;
    }
}

bool TavWnd::handleSetCursor(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (!pressFlag_ && setCursorDepth < 4) {
        POINT pt;
        GetCursorPos(&pt);
        TavWnd* hit = root()->hitTest(pt.x, pt.y);
        if (hit && hit != this && hit->hwnd_) {
            ++setCursorDepth;
            result = SendMessageW(hit->hwnd_, WM_SETCURSOR, wParam, lParam);
            --setCursorDepth;
            return true;
        }
    }
    if (LOWORD(lParam) != HTCLIENT) return false;
    // In the client area the window's own cursor is final; default processing of a child would
    // first offer the message to the parent, which would forward it back here.
    setCursorKind(cursorKind_);
    result = 1;
    return true;
}

LRESULT TavWnd::handleButtonDownFocus(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    POINT pt{clientX(lParam), clientY(lParam)};
    ClientToScreen(hwnd_, &pt);
    TavWnd* hit = root()->hitTest(pt.x, pt.y);
    auto& s = core();
    if (!hit) {
        s.focused = nullptr;
    } else if (hit != s.focused) {
        bool moved = s.focused ? s.focused->loseFocus(hit) : true;
        if (moved) hit->takeFocus();
    }
    handled = hit && hit != this;
    if (!handled) return 0;
    // The press belongs to the window under the pointer. A press inside a descendant reaches it
    // from the platform itself; a left press reaches the ancestors through WM_PARENTNOTIFY. Any
    // other window (a sibling below a see-through window) gets it forwarded here.
    bool reachesHitAnyway = hit->isDescendantOf(this) || (message == WM_LBUTTONDOWN && isDescendantOf(hit));
    if (reachesHitAnyway || !hit->hwnd_) return 1;
    ScreenToClient(hit->hwnd_, &pt);
    return SendMessageW(hit->hwnd_, message, wParam, MAKELPARAM(pt.x, pt.y));
}

void TavWnd::routeAfterDefault(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_DESTROY:
        onDestroyed();
        break;
    case WM_MOVE:
        onMoved(clientX(lParam), clientY(lParam));
        break;
    case WM_SIZE:
        onSized(wParam, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) loseFocus(findByHandle(reinterpret_cast<HWND>(lParam)));
        break;
    case WM_SETFOCUS:
        onFocusGained(findByHandle(reinterpret_cast<HWND>(wParam)));
        break;
    case WM_SETCURSOR:
        setCursorKind(cursorKind_);
        result = 1;
        break;
    case WM_MOUSEACTIVATE:
        onMouseActivate(wParam, lParam);
        break;
    case WM_CONTEXTMENU:
        handleContextMenu(wParam, lParam);
        break;
    case WM_KEYUP:
        onKeyUp(wParam, lParam);
        break;
    case WM_TIMER:
        onTimer(wParam);
        break;
    case WM_MOUSEMOVE:
        handleMouseMove(wParam, lParam);
        break;
    case WM_LBUTTONDOWN:
        pressFlag_ = true;
        SetCapture(hwnd_);
        onLeftButtonDown(wParam, clientX(lParam), clientY(lParam));
        break;
    case WM_LBUTTONUP:
        handleLeftButtonUp(wParam, lParam, result);
        break;
    case WM_LBUTTONDBLCLK:
        onLeftDoubleClick(wParam, clientX(lParam), clientY(lParam));
        break;
    case WM_RBUTTONDOWN:
        onRightButtonDown(wParam, clientX(lParam), clientY(lParam));
        break;
    case WM_MOUSEHOVER:
        hoverPending_ = false;
        onHover(wParam, clientX(lParam), clientY(lParam));
        break;
    case WM_MOUSELEAVE:
        hoverPending_ = false;
        onMouseLeave();
        break;
    case kTavMsgTrayCallback:
        onTrayNotify(wParam, lParam);
        break;
    default:
        break;
    }
}

void TavWnd::handleMouseMove(WPARAM wParam, LPARAM lParam) {
    if (!hoverPending_) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = hwnd_;
        track.dwHoverTime = 10;
        ++core().trackingRequests;
        // A refused request is asked again on the next move.
        hoverPending_ = TrackMouseEvent(&track) != FALSE;
    }
    onMouseMove(wParam, clientX(lParam), clientY(lParam));
}

void TavWnd::handleLeftButtonUp(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    TavWnd* focused = core().focused;
    if (focused && focused != this && focused->pressFlag_ && focused->hwnd_) {
        // The release belongs to the window that saw the press, in its own coordinates.
        POINT pt{clientX(lParam), clientY(lParam)};
        ClientToScreen(hwnd_, &pt);
        ScreenToClient(focused->hwnd_, &pt);
        result = SendMessageW(focused->hwnd_, WM_LBUTTONUP, wParam, MAKELPARAM(pt.x, pt.y));
        return;
    }
    int x = clientX(lParam), y = clientY(lParam);
    ReleaseCapture();
    onLeftButtonUp(wParam, x, y);
    if (!pressFlag_) return;
    pressFlag_ = false;
    RECT client;
    GetClientRect(hwnd_, &client);
    if (PtInRect(&client, POINT{x, y})) onClick(wParam, x, y);
}

void TavWnd::handleContextMenu(WPARAM wParam, LPARAM lParam) {
    POINT pt{clientX(lParam), clientY(lParam)};
    for (TavWnd* child : children_) {
        HWND h = child->hwnd_;
        if (!h || !IsWindow(h) || !IsWindowVisible(h) || !IsWindowEnabled(h)) continue;
        RECT rc;
        GetWindowRect(h, &rc);
        if (PtInRect(&rc, pt)) return; // the child has it (through its own default processing)
    }
    onContextMenu(wParam, pt.x, pt.y);
}

void TavWnd::handleRedrawRequest(WPARAM wParam, LPARAM lParam) {
    bool whole = wParam == 0 && lParam == 0;
    RECT area{static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam)),
              static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    // Requests already queued for this window are served by the same redraw.
    MSG queued;
    while (PeekMessageW(&queued, hwnd_, kTavMsgRedrawRequest, kTavMsgRedrawRequest, PM_REMOVE)) {
        if (queued.wParam == 0 && queued.lParam == 0) {
            whole = true;
        } else if (!whole) {
            RECT more{static_cast<short>(LOWORD(queued.wParam)), static_cast<short>(HIWORD(queued.wParam)),
                      static_cast<short>(LOWORD(queued.lParam)), static_cast<short>(HIWORD(queued.lParam))};
            UnionRect(&area, &area, &more);
        }
    }
    if (whole) {
        if (redrawAll()) present();
        return;
    }
    POINT origin{0, 0};
    ClientToScreen(hwnd_, &origin);
    OffsetRect(&area, origin.x, origin.y);
    if (redrawScreenRect(area.left, area.top, area.right, area.bottom)) present(&area);
}

bool TavWnd::postRedrawRequest(HWND window, const RECT* clientRect) {
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    if (clientRect && !IsRectEmpty(clientRect)) {
        wParam = MAKEWPARAM(clientRect->left, clientRect->top);
        lParam = MAKELPARAM(clientRect->right, clientRect->bottom);
    }
    return PostMessageW(window, kTavMsgRedrawRequest, wParam, lParam) != FALSE;
}

BOOL TavWnd::preTranslateHook(MSG* message) {
    if (!message) return FALSE;
    TavWnd* window = findByHandle(message->hwnd);
    if (!window) return FALSE;
    // A failure leaves the message to its normal dispatch.
    return tavGuardBoundary(
        "message hook", message->message, [&] { return window->preTranslateMessage(message); },
        [] { return BOOL(FALSE); });
}

long TavWnd::trackingRequestCount() { return core().trackingRequests; }

// Default operations: bookkeeping only; subclasses add behaviour.
BOOL TavWnd::preTranslateMessage(MSG*) { return FALSE; }
LRESULT TavWnd::onCommand(UINT, WPARAM, LPARAM) { return 0; }
void TavWnd::onMouseMove(WPARAM, int, int) {}
void TavWnd::onRightButtonDown(WPARAM, int x, int y) { lastRightPress_ = POINT{x, y}; }
void TavWnd::onLeftButtonDown(WPARAM, int x, int y) {
    if (!isMoving() && !isResizing()) interaction_ |= kWndPressed;
    lastLeftPress_ = POINT{x, y};
}
void TavWnd::onLeftButtonUp(WPARAM, int, int) {
    if (!isMoving() && !isResizing()) interaction_ &= ~kWndPressed;
}
void TavWnd::onHover(WPARAM, int, int) {
    if (!isMoving() && !isResizing()) interaction_ |= kWndHot;
}
void TavWnd::onLeftDoubleClick(WPARAM, int, int) {}
void TavWnd::onClick(WPARAM, int, int) {}
void TavWnd::onMouseLeave() {
    if (!isMoving() && !isResizing()) interaction_ &= ~kWndHot;
}
void TavWnd::onFocusGained(TavWnd*) {}
void TavWnd::onTimer(UINT_PTR) {}
void TavWnd::onTrayNotify(WPARAM, LPARAM) {}
void TavWnd::onKeyUp(WPARAM, LPARAM) {}
void TavWnd::onContextMenu(WPARAM, int, int) {}
void TavWnd::onMouseActivate(WPARAM, LPARAM) {}
void TavWnd::onMouseWheel(WPARAM, int, int, int) {}
