// The blinking caret window.
#include "TavCaret.h"

#include <algorithm>

TavCaret::~TavCaret() {
    if (timer_ && handle()) KillTimer(handle(), kBlinkTimer);
}

bool TavCaret::createFor(HWND owner) {
    owner_ = owner;
    bool ok = create(0, L"Caret",
                     WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST,
                     WS_POPUP, 0, 0, 2, 16, nullptr);
    if (ok) show(SW_SHOWNA);
    return ok;
}

void TavCaret::placeAt(const RECT& r, uint32_t argb) {
    color_ = argb;
    if (!handle()) return;
    RECT now;
    GetWindowRect(handle(), &now);
    if (!EqualRect(&now, &r))
        SetWindowPos(handle(), HWND_TOPMOST, r.left, r.top, std::max<int>(r.right - r.left, 1),
                     std::max<int>(r.bottom - r.top, 1), SWP_NOACTIVATE | SWP_NOREDRAW);
    // A layered window keeps its frame when it moves: an invisible caret needs no new frame,
    // a visible one only when what it shows changed (size, color, the part inside the owner).
    if (blink_ % 2 == 1) repaintIfChanged();
}

void TavCaret::showCaret() {
    if (!handle()) return;
    bool wasVisible = blink_ % 2 == 1 || suspended_;
    suspended_ = false;
    blink_ = 1;
    RECT mine, owner, both;
    GetWindowRect(handle(), &mine);
    bool inside = owner_ && GetWindowRect(owner_, &owner) && IntersectRect(&both, &mine, &owner);
    if (inside) {
        SetTimer(handle(), kBlinkTimer, kBlinkMs, nullptr);
        timer_ = true;
    } else {
        blink_ = wasVisible ? 1 : 0;
        hideCaret();
        return;
    }
    // After suspend() the caret on screen is usually still lit in place: no new frame then.
    repaintIfChanged();
}

void TavCaret::hideCaret() {
    if (timer_ && handle()) KillTimer(handle(), kBlinkTimer);
    timer_ = false;
    bool visible = blink_ % 2 == 1 || suspended_;
    suspended_ = false;
    blink_ = 0;
    if (visible) repaintIfChanged();
}

void TavCaret::suspend() {
    if (timer_ && handle()) KillTimer(handle(), kBlinkTimer);
    timer_ = false;
    suspended_ = blink_ % 2 == 1;
    blink_ = 0;
}

void TavCaret::onTimer(UINT_PTR timerId) {
    if (timerId != kBlinkTimer) return;
    ++blink_;
    repaint();
}

RECT TavCaret::partInsideOwner() const {
    RECT mine, owner, part{};
    if (!owner_ || !GetWindowRect(handle(), &mine) || !GetWindowRect(owner_, &owner) ||
        !IntersectRect(&part, &mine, &owner))
        return RECT{};
    OffsetRect(&part, -mine.left, -mine.top);
    return part;
}

TavCaret::Look TavCaret::wantedLook() const {
    Look look;
    look.lit = blink_ % 2 == 1 && owner_;
    look.color = color_;
    look.part = partInsideOwner();
    look.lit = look.lit && !IsRectEmpty(&look.part);
    RECT client{};
    GetClientRect(handle(), &client);
    look.size = SIZE{client.right, client.bottom};
    return look;
}

void TavCaret::repaintIfChanged() {
    if (everShown_ && wantedLook() == shown_) return;
    repaint();
}

void TavCaret::repaint() {
    if (!handle() || !IsWindowVisible(handle())) return;
    Look look = wantedLook();
    if (redrawAll()) {
        present();
        ++presents_;
        shown_ = look;
        everShown_ = true;
    }
}

TavMemDC TavCaret::renderSelf() {
    RECT client{};
    GetClientRect(handle(), &client);
    TavMemDC dc = createMemoryDC(handle(), client.right, client.bottom);
    if (!dc || blink_ % 2 == 0 || !owner_) return dc;
    // Only the part of the caret inside the owner editor is drawn.
    RECT part = partInsideOwner();
    if (IsRectEmpty(&part)) return dc;
    uint32_t pixel = premultiply(color_ | 0xFF000000u);
    GdiFlush();
    for (int y = part.top; y < part.bottom; ++y)
        std::fill_n(&dc.at(part.left, y), size_t(part.right - part.left), pixel);
    return dc;
}
