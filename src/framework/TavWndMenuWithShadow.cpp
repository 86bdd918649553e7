#include "TavWndMenuWithShadow.h"

#include "DrawToolkit.h"
#include "MenuPlacement.h"

TavWndMenuWithShadow::TavWndMenuWithShadow() { setObjectName(L"TavWndMenuWithShadow"); }

POINT TavWndMenuWithShadow::submenuPosition(const RECT& menuRect, const RECT& itemRect, POINT anchor) {
    POINT plain = TavWndMenu::submenuPosition(menuRect, itemRect, anchor);
    return shadowedSubmenuPosition(plain, itemRect, shadowWidth_, submenuVerticalOffset_);
}

POINT TavWndMenuWithShadow::popupPosition(int x, int y) {
    return shadowedPopupPosition(TavWndMenu::popupPosition(x, y), shadowWidth_);
}

void TavWndMenuWithShadow::onSized(WPARAM flag, int width, int height) {
    // Dropped first: the base redraws the window at its new size, which builds the new one.
    background_ = TavMemDC();
    TavWndMenu::onSized(flag, width, height);
    if (!background_) buildBackground();
}

RECT TavWndMenuWithShadow::bodyRect() const {
    RECT rc{};
    if (handle()) GetClientRect(handle(), &rc);
    InflateRect(&rc, -shadowWidth_, -shadowWidth_);
    return rc;
}

void TavWndMenuWithShadow::buildBackground() {
    background_ = TavMemDC();
    RECT rc{};
    if (handle()) GetClientRect(handle(), &rc);
    int w = rc.right, h = rc.bottom, s = shadowWidth_;
    TavMemDC dc = createMemoryDC(handle(), w, h);
    if (!dc) return;
    if (w > 2 * s && h > 2 * s) {
        TavDropShadow shadow = dropShadow(handle(), s, s, w - 2 * s, h - 2 * s, s, 0xFF000000);
        if (shadow.dc) {
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            const RECT& p = shadow.placed;
            AlphaBlend(dc.dc(), p.left, p.top, p.right - p.left, p.bottom - p.top, shadow.dc.dc(), 0, 0,
                       shadow.dc.width(), shadow.dc.height(), blend);
        }
        GdiFlush();
        for (int y = s; y < h - s; ++y)
            for (int x = s; x < w - s; ++x) dc.at(x, y) = 0xFFFFFFFFu;
    }
    background_ = std::move(dc);
}

TavMemDC TavWndMenuWithShadow::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    if (!background_ || background_.width() != rc.right || background_.height() != rc.bottom)
        buildBackground();
    // Blending the background over a transparent DC is copying it, and a copy costs far less.
    if (background_) return copyDC(handle(), background_.dc(), rc.right, rc.bottom);
    return createMemoryDC(handle(), rc.right, rc.bottom);
}
