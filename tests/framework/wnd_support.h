#pragma once
// Small fixtures for the window core tests: a window that fills itself with one color and
// records what reached it, and helpers to make trees of such windows.
#include <gtest/gtest.h>

#include "TavWnd.h"
#include "TestWait.h"

#include <memory>
#include <string>
#include <vector>

namespace wndtest {

// A window whose look is one ARGB color; it logs the operations that tests look at.
class ColorWnd : public TavWnd {
public:
    explicit ColorWnd(uint32_t argb = 0) : color(argb) {}

    uint32_t color;
    bool failRender = false;
    int renders = 0;
    DWORD renderThread = 0;
    std::vector<std::string> events;
    std::vector<UINT> commands;
    int wheelCalls = 0;
    BOOL swallow = FALSE;
    int preTranslated = 0;

    TavMemDC renderSelf() override {
        ++renders;
        renderThread = GetCurrentThreadId();
        if (failRender) return TavMemDC();
        RECT rc{};
        GetClientRect(handle(), &rc);
        return createMemoryDC(handle(), rc.right, rc.bottom, color);
    }
    void onLeftButtonDown(WPARAM k, int x, int y) override {
        TavWnd::onLeftButtonDown(k, x, y);
        events.push_back("down");
    }
    void onLeftButtonUp(WPARAM k, int x, int y) override {
        TavWnd::onLeftButtonUp(k, x, y);
        events.push_back("up");
    }
    void onClick(WPARAM, int, int) override { events.push_back("click"); }
    void onHover(WPARAM k, int x, int y) override {
        TavWnd::onHover(k, x, y);
        events.push_back("hover");
    }
    void onTrayNotify(WPARAM, LPARAM) override { events.push_back("tray"); }
    void onContextMenu(WPARAM, int, int) override { events.push_back("context"); }
    void onGeometryChanged() override { events.push_back("geometry"); }
    void onMouseWheel(WPARAM, int, int, int) override { ++wheelCalls; }
    LRESULT onCommand(UINT message, WPARAM, LPARAM) override {
        commands.push_back(message);
        return 7;
    }
    BOOL preTranslateMessage(MSG*) override {
        ++preTranslated;
        return swallow;
    }
};

constexpr DWORD kLayeredEx = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
constexpr DWORD kPopupVisible = WS_POPUP | WS_VISIBLE;
constexpr DWORD kChildVisible = WS_CHILD | WS_VISIBLE;

template <typename W = ColorWnd>
std::unique_ptr<W> makeRoot(int x, int y, int w, int h, uint32_t argb = 0xFF808080,
                            DWORD exStyle = kLayeredEx, DWORD style = kPopupVisible, int id = 0) {
    auto wnd = std::make_unique<W>(argb);
    // Shown without activation: under Wine without a window manager an activated top-level
    // window becomes "managed", and hiding or destroying it then stalls for two seconds.
    EXPECT_TRUE(wnd->create(id, L"", exStyle, style & ~WS_VISIBLE, x, y, w, h, nullptr));
    if (style & WS_VISIBLE) wnd->show(SW_SHOWNA);
    return wnd;
}

template <typename W = ColorWnd>
std::unique_ptr<W> makeChild(TavWnd& parent, int x, int y, int w, int h, uint32_t argb,
                             DWORD style = kChildVisible, DWORD exStyle = 0) {
    auto wnd = std::make_unique<W>(argb);
    EXPECT_TRUE(wnd->create(0, L"", exStyle, style, x, y, w, h, parent.handle()));
    return wnd;
}

inline LPARAM point(int x, int y) { return MAKELPARAM(x, y); }

// Client point of `from` expressed in `to`'s client coordinates.
inline LPARAM mapPoint(HWND from, HWND to, int x, int y) {
    POINT pt{x, y};
    MapWindowPoints(from, to, &pt, 1);
    return MAKELPARAM(pt.x, pt.y);
}

inline POINT screenPoint(HWND window, int x, int y) {
    POINT pt{x, y};
    ClientToScreen(window, &pt);
    return pt;
}

} // namespace wndtest
