#pragma once
// A movable test window: one color, a "caption" that drags it (cursor kind 1 wherever no
// resize zone is), and a log of geometry notifications.
#include <gtest/gtest.h>

#include "DrawToolkit.h"
#include "TavWndMoveResize.h"
#include "TestWait.h"

#include <memory>

namespace movetest {

class MovableWnd : public TavWndMoveResize {
public:
    explicit MovableWnd(uint32_t argb = 0xFF6090C0) : color(argb) {}

    uint32_t color;
    bool moveWhereNoZone = true;
    int geometryChanges = 0;
    int releases = 0; // button releases handled (the move or resize decision is made by then)

    TavMemDC renderSelf() override {
        RECT rc{};
        GetClientRect(handle(), &rc);
        return createMemoryDC(handle(), rc.right, rc.bottom, color);
    }
    void zoneHitTest(int x, int y, const RECT& rect) override {
        TavWndMoveResize::zoneHitTest(x, y, rect);
        POINT pt{x, y};
        if (moveWhereNoZone && zone() == kZoneNone && PtInRect(&rect, pt) &&
            !(pressFlag() && ownsVisibleOutline()))
            setCursorKind(kCursorSizeAll);
    }
    void onGeometryChanged() override { ++geometryChanges; }
    void onLeftButtonUp(WPARAM keys, int x, int y) override {
        TavWndMoveResize::onLeftButtonUp(keys, x, y);
        ++releases;
    }
};

inline RECT rectOf(HWND window) {
    RECT rc{};
    GetWindowRect(window, &rc);
    return rc;
}

inline LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

// A layered, topmost, not activated popup of the given color.
inline std::unique_ptr<MovableWnd> makeMovable(int x, int y, int w, int h, uint32_t argb = 0xFF6090C0) {
    auto wnd = std::make_unique<MovableWnd>(argb);
    EXPECT_TRUE(
        wnd->create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, WS_POPUP, x, y, w, h, nullptr));
    wnd->show(SW_SHOWNA);
    if (wnd->redrawAll()) wnd->present();
    return wnd;
}

} // namespace movetest

#define EXPECT_RECT(actual, l, t, r, b)                                                                      \
    do {                                                                                                     \
        RECT got_ = (actual);                                                                                \
        EXPECT_EQ(got_.left, l);                                                                             \
        EXPECT_EQ(got_.top, t);                                                                              \
        EXPECT_EQ(got_.right, r);                                                                            \
        EXPECT_EQ(got_.bottom, b);                                                                           \
    } while (0)
