// The blinking caret window.
#include "TavCaret.h"

#include <algorithm>

TavCaret::~TavCaret() {
    if (timer_ && handle()) KillTimer(handle(), kBlinkTimer);
}

bool TavCaret::createFor(HWND owner) {
    owner_ = owner;
    bool ok = create(0, L"Caret",
                     WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE |
                         WS_EX_TOPMOST,
                     WS_POPUP, 0, 0, 2, 16, nullptr);
    if (ok) show(SW_SHOWNA);
    return ok;
}

void TavCaret::placeAt(const RECT& r, uint32_t argb) {
    colour_ = argb;
    if (!handle()) return;
    RECT now;
    GetWindowRect(handle(), &now);
    bool moved = !EqualRect(&now, &r);
    if (moved)
        SetWindowPos(handle(), HWND_TOPMOST, r.left, r.top, std::max<int>(r.right - r.left, 1),
                     std::max<int>(r.bottom - r.top, 1), SWP_NOACTIVATE | SWP_NOREDRAW);
    // An invisible caret needs no new frame; a visible one does when it moved or changed.
    if (blink_ % 2 == 1 && (moved || argb != shownColour_)) repaint();
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
    repaint();
}

void TavCaret::hideCaret() {
    if (timer_ && handle()) KillTimer(handle(), kBlinkTimer);
    timer_ = false;
    bool visible = blink_ % 2 == 1 || suspended_;
    suspended_ = false;
    blink_ = 0;
    if (visible) repaint();
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

void TavCaret::repaint() {
    shownColour_ = colour_;
    if (!handle() || !IsWindowVisible(handle())) return;
    if (redrawAll()) present();
}

TavMemDC TavCaret::renderSelf() {
    RECT client{};
    GetClientRect(handle(), &client);
    TavMemDC dc = createMemoryDC(handle(), client.right, client.bottom);
    if (!dc || blink_ % 2 == 0 || !owner_) return dc;
    // Only the part of the caret inside the owner editor is drawn.
    RECT mine, owner, part;
    GetWindowRect(handle(), &mine);
    GetWindowRect(owner_, &owner);
    if (!IntersectRect(&part, &mine, &owner)) return dc;
    OffsetRect(&part, -mine.left, -mine.top);
    uint32_t pixel = premultiply(colour_ | 0xFF000000u);
    GdiFlush();
    for (int y = part.top; y < part.bottom; ++y)
        std::fill_n(&dc.at(part.left, y), size_t(part.right - part.left), pixel);
    return dc;
}
