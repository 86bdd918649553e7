#pragma once
// A pop-up menu with a white body over a soft black shadow band `shadowWidth` pixels wide. The
// body, not the shadow, meets the point it pops up at and the item a submenu opens beside.
#include "TavWndMenu.h"

class TavWndMenuWithShadow : public TavWndMenu {
public:
    TavWndMenuWithShadow();

    POINT submenuPosition(const RECT& menuRect, const RECT& itemRect, POINT anchor) override;
    POINT popupPosition(int x, int y) override;
    void onSized(WPARAM flag, int width, int height) override;
    TavMemDC renderSelf() override;

    int shadowWidth() const { return shadowWidth_; }
    // The body's rectangle in client coordinates: the client inset by the shadow width.
    RECT bodyRect() const;

protected:
    // The shadow and the white body at the current client size.
    void buildBackground();

    int shadowWidth_ = 3;
    TavMemDC background_;
};
