// Composition of a window tree into its root's back buffer, presentation, and geometry tracking.
#include "TavWndState.h"

#include <algorithm>

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

uint64_t TavWnd::mixKey(uint64_t key, const void* bytes, size_t count) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < count; ++i) key = (key ^ p[i]) * 1099511628211ull;
    return key;
}

TavMemDC TavWnd::renderSelf() {
    SIZE size = clientSize(hwnd_);
    return createMemoryDC(hwnd_, size.cx, size.cy);
}

bool TavWnd::collectLayers(std::vector<Layer>& layers, const RECT& clip, POINT targetOrigin,
                           const TavWndSet& excluded) {
    POINT mine = clientOrigin(hwnd_);
    SIZE size = clientSize(hwnd_);
    RECT client{mine.x, mine.y, mine.x + size.cx, mine.y + size.cy};
    RECT part;
    if (!IntersectRect(&part, &clip, &client)) return true;
    if (!excluded.count(this)) {
        TavMemDC image;
        const TavMemDC* kept = nullptr;
        if (const uint64_t key = keptImageKey()) {
            if (key != keptKey_ || !keptImage_) {
                keptImage_ = renderSelf();
                keptKey_ = keptImage_ ? key : 0;
            }
            kept = &keptImage_;
        } else {
            // A window that no longer keeps its image lets the kept one go.
            if (keptImage_) keptImage_ = TavMemDC();
            keptKey_ = 0;
            image = renderSelf();
        }
        const TavMemDC& picture = kept ? *kept : image;
        if (!picture) return false;
        // An own image smaller than the client area is a partial look, not a failure.
        RECT source{part.left - mine.x, part.top - mine.y, part.right - mine.x, part.bottom - mine.y};
        RECT bounds{0, 0, picture.width(), picture.height()};
        if (IntersectRect(&source, &source, &bounds)) {
            POINT dest{source.left + mine.x - targetOrigin.x, source.top + mine.y - targetOrigin.y};
            layers.push_back(Layer{std::move(image), source, dest, kept});
        }
    }
    for (TavWnd* child : children_) {
        HWND ch = child->hwnd_;
        if (excluded.count(child) || !ch || !IsWindow(ch)) continue;
        if (!(GetWindowLongW(ch, GWL_STYLE) & WS_CHILD) || !child->isLogicallyVisible()) continue;
        if (!child->collectLayers(layers, part, targetOrigin, excluded)) return false;
    }
    return true;
}

namespace {

// Draws the layers bottom to top. Source-over is associative, so blending every image in turn
// gives the picture of composing each subtree apart and blending it in (to within rounding).
// Over a transparent target the bottom layer is a plain copy.
bool drawLayers(HDC target, std::vector<TavWnd::Layer>& layers, bool targetClear) {
    BLENDFUNCTION blend = sourceOver();
    for (size_t i = 0; i < layers.size(); ++i) {
        auto& l = layers[i];
        int w = l.source.right - l.source.left, h = l.source.bottom - l.source.top;
        HDC source = l.picture().dc();
        BOOL ok = (i == 0 && targetClear)
                      ? BitBlt(target, l.dest.x, l.dest.y, w, h, source, l.source.left, l.source.top, SRCCOPY)
                      : AlphaBlend(target, l.dest.x, l.dest.y, w, h, source, l.source.left, l.source.top, w,
                                   h, blend);
        if (!ok) return false;
    }
    return true;
}

// Sets a rectangle of a memory DC back to transparent black.
void clearRect(const TavMemDC& dc, const RECT& r) {
    GdiFlush();
    for (int y = r.top; y < r.bottom; ++y) std::fill_n(&dc.at(r.left, y), size_t(r.right - r.left), 0u);
}

} // namespace

bool TavWnd::paintInto(HWND, HWND targetWindow, HDC target, int left, int top, int right, int bottom,
                       const TavWndSet& excluded) {
    if (!hwnd_ || !target) return false;
    POINT origin = clientOrigin(targetWindow);
    origin.x += left;
    origin.y += top;
    RECT clip{origin.x, origin.y, origin.x + (right - left), origin.y + (bottom - top)};
    std::vector<Layer> layers;
    if (!collectLayers(layers, clip, origin, excluded)) return false;
    return drawLayers(target, layers, target == clearTarget_);
}

void TavWnd::rebuildBackBuffer() {
    if (!hwnd_ || topLevelHandle() != hwnd_) return;
    backBuffer_ = TavMemDC();
    SIZE size = clientSize(hwnd_);
    backBuffer_ = createMemoryDC(hwnd_, size.cx, size.cy);
}

void TavWnd::copyBackBufferInto(HDC target) {
    if (!backBuffer_ || !target) return;
    if (target == clearTarget_) {
        // Blending over transparent pixels is copying them.
        BitBlt(target, 0, 0, backBuffer_.width(), backBuffer_.height(), backBuffer_.dc(), 0, 0, SRCCOPY);
        return;
    }
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
    if (!composeHidden_ && !IsWindowVisible(hwnd_)) {
        composeDeferred_ = true;
        return true;
    }
    SIZE size = clientSize(hwnd_);
    POINT o = clientOrigin(hwnd_);
    RECT client{o.x, o.y, o.x + size.cx, o.y + size.cy};
    RECT area = screenRect;
    if (composeDeferred_) {
        // What was put off while hidden is drawn now, all of it and with nothing left out.
        if (!excluded.empty()) {
            composeDeferred_ = false;
            if (!redrawRect(origin, TavWndSet{}, client)) {
                composeDeferred_ = true;
                return false;
            }
        } else {
            area = client;
        }
    }
    if (!backBuffer_ || backBuffer_.width() != size.cx || backBuffer_.height() != size.cy) {
        // A new buffer starts transparent: all of it has to be drawn, not just the request.
        rebuildBackBuffer();
        if (!backBuffer_) return false;
        area = client;
    }
    RECT part;
    if (!IntersectRect(&part, &area, &client)) return true;
    // Every image is made before the back buffer is touched, so a failure leaves it as it was.
    std::vector<Layer> layers;
    if (!collectLayers(layers, part, o, excluded)) return false;
    RECT local = part;
    OffsetRect(&local, -o.x, -o.y);
    bool covered = !layers.empty() && layers[0].dest.x <= local.left && layers[0].dest.y <= local.top &&
                   layers[0].dest.x + (layers[0].source.right - layers[0].source.left) >= local.right &&
                   layers[0].dest.y + (layers[0].source.bottom - layers[0].source.top) >= local.bottom;
    if (!covered) clearRect(backBuffer_, local);
    if (!drawLayers(backBuffer_.dc(), layers, true)) return false;
    if (EqualRect(&part, &client)) composeDeferred_ = false;
    return true;
}

const TavMemDC& TavWnd::backBuffer() const {
    if (composeDeferred_ && hwnd_) {
        auto* self = const_cast<TavWnd*>(this);
        self->composeHidden_ = true;
        self->redrawAll();
        self->composeHidden_ = false;
    }
    return backBuffer_;
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
    if (!update || (!composeHidden_ && !IsWindowVisible(hwnd_))) return;
    SIZE client = clientSize(hwnd_);
    if (composeDeferred_ || !backBuffer_ || backBuffer_.width() != client.cx ||
        backBuffer_.height() != client.cy) {
        if (!redrawAll()) return;
    }
    HDC frame = presentSource(client);
    if (!frame) return;
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    SIZE size{wr.right - wr.left, wr.bottom - wr.top};
    POINT position{wr.left, wr.top};
    POINT source{0, 0};
    BLENDFUNCTION blend = sourceOver();
    update(hwnd_, nullptr, &position, &size, frame, &source, 0, &blend, ULW_ALPHA);
}

HDC TavWnd::presentSource(SIZE client) {
    if (!drawsOverBackBuffer()) return backBuffer_.dc();
    // The frame is kept between presents; it is cleared each time, so the copy operation always
    // starts from a transparent frame.
    if (presentFrame_.width() != client.cx || presentFrame_.height() != client.cy)
        presentFrame_ = createMemoryDC(hwnd_, client.cx, client.cy);
    else
        presentFrame_.clear();
    if (!presentFrame_) return nullptr;
    clearTarget_ = presentFrame_.dc();
    copyBackBufferInto(presentFrame_.dc());
    clearTarget_ = nullptr;
    return presentFrame_.dc();
}

void TavWnd::presentChanged(const RECT& screenRect) {
    TavWnd* top = root();
    if (top != this) {
        top->presentChanged(screenRect);
        return;
    }
    if (!hwnd_) return;
    if (!isLayered()) {
        presentBlit(&screenRect);
        return;
    }
    using IndirectFn = BOOL(WINAPI*)(HWND, const UPDATELAYEREDWINDOWINFO*);
    static const auto indirect = reinterpret_cast<IndirectFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "UpdateLayeredWindowIndirect")));
    SIZE client = clientSize(hwnd_);
    bool sameFrame = !composeDeferred_ && backBuffer_ && backBuffer_.width() == client.cx &&
                     backBuffer_.height() == client.cy &&
                     (!drawsOverBackBuffer() || (presentFrame_ && presentFrame_.width() == client.cx &&
                                                 presentFrame_.height() == client.cy));
    POINT o = clientOrigin(hwnd_);
    RECT dirty = screenRect, whole{0, 0, client.cx, client.cy};
    OffsetRect(&dirty, -o.x, -o.y);
    if (!indirect || !sameFrame || !IsWindowVisible(hwnd_)) {
        presentLayered();
        return;
    }
    if (!IntersectRect(&dirty, &dirty, &whole)) return;
    // The frame is the one of a whole present (the back buffer, or a frame with the overlays of
    // copyBackBufferInto); only the hand-over is limited to the changed part.
    HDC frame = presentSource(client);
    if (!frame) return;
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    SIZE size{wr.right - wr.left, wr.bottom - wr.top};
    POINT position{wr.left, wr.top};
    POINT source{0, 0};
    BLENDFUNCTION blend = sourceOver();
    UPDATELAYEREDWINDOWINFO info{sizeof(info), nullptr, &position, &size,     frame,
                                 &source,      0,       &blend,    ULW_ALPHA, &dirty};
    if (!indirect(hwnd_, &info)) presentLayered();
}

void TavWnd::presentBlit(const RECT* screenRect) {
    SIZE client = clientSize(hwnd_);
    if (composeDeferred_ || !backBuffer_ || backBuffer_.width() != client.cx ||
        backBuffer_.height() != client.cy) {
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
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, backBuffer_.dc(),
           area.left, area.top, SRCCOPY);
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
    if (TavWnd* top = root(); !top->composeHidden_ && top->hwnd_ && !IsWindowVisible(top->hwnd_)) {
        top->composeDeferred_ = true;
        if (top == this) backBuffer_ = TavMemDC();
        return;
    }
    rebuildBackBuffer();
    RECT both;
    UnionRect(&both, &old, &now);
    redrawScreenRect(both.left, both.top, both.right, both.bottom);
}
