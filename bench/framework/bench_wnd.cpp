// Redraw and present of a layered window tree: the whole window and a small rectangle of it.
#include "Bench.h"

#include "AppState.h"
#include "TavWnd.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

class FillWnd : public TavWnd {
public:
    explicit FillWnd(uint32_t argb) : argb_(argb) {}
    TavMemDC renderSelf() override {
        RECT rc{};
        GetClientRect(handle(), &rc);
        return createMemoryDC(handle(), rc.right, rc.bottom, argb_);
    }

private:
    uint32_t argb_;
};

struct Tree {
    std::unique_ptr<FillWnd> root;
    std::vector<std::unique_ptr<FillWnd>> children;

    Tree() {
        appState().instance = GetModuleHandleW(nullptr);
        root = std::make_unique<FillWnd>(0xF0FFF8C0);
        root->create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 50, 50, 400, 400,
                     nullptr);
        // 20 children in a 5 x 4 grid of 70 x 80 cells, half of them half-transparent.
        for (int i = 0; i < 20; ++i) {
            uint32_t color = (i % 2 ? 0x80000000u : 0xFF000000u) | (0x101010u * (i + 1));
            auto child = std::make_unique<FillWnd>(color);
            child->create(0, L"", 0, WS_CHILD | WS_VISIBLE, 10 + (i % 5) * 78, 10 + (i / 5) * 96, 70, 80,
                          root->handle());
            children.push_back(std::move(child));
        }
        root->redrawAll();
        root->present();
    }
};

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

} // namespace

TAV_BENCH(layeredRedrawAndPresent) {
    Tree tree;
    TavWnd& root = *tree.root;
    POINT o{0, 0};
    ClientToScreen(root.handle(), &o);
    RECT small{o.x + 40, o.y + 40, o.x + 60, o.y + 60}; // inside the first child

    double full = bench::medianMs(50, [&] {
        if (root.redrawAll()) root.present();
    });
    double fullRedraw = bench::medianMs(50, [&] { root.redrawAll(); });
    double smallRedraw = bench::medianMs(
        200, [&] { root.redrawScreenRect(small.left, small.top, small.right, small.bottom); });
    double smallBoth = bench::medianMs(50, [&] {
        if (root.redrawScreenRect(small.left, small.top, small.right, small.bottom)) root.present(&small);
    });
    double presentOnly = bench::medianMs(50, [&] { root.present(); });
    pump();
    bench::report("400x400 layered, 20 children: redraw all + present", full, "ms", "goal < 4");
    bench::report("400x400 layered, 20 children: redraw all", fullRedraw, "ms");
    bench::report("400x400 layered, 20 children: present", presentOnly, "ms");
    bench::report("20x20 rectangle: redraw", smallRedraw, "ms");
    bench::report("20x20 rectangle: redraw + present", smallBoth, "ms");
    bench::report("20x20 redraw / full redraw", smallRedraw / fullRedraw, "ratio", "goal: a small fraction");
}

// The floor under opening a note: the system's own cost of a 180 x 180 layered pop-up window,
// made, shown and given its first frame, with no framework code at all.
TAV_BENCH(rawLayeredPopup) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BenchRawPopup";
    RegisterClassW(&wc);
    TavMemDC frame = createMemoryDC(nullptr, 180, 180, 0xF0FFF8C0);
    std::vector<HWND> windows;
    std::vector<double> made, shown, framed;
    for (int i = 0; i < 60; ++i) {
        double t0 = bench::nowMs();
        HWND w = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"BenchRawPopup", L"", WS_POPUP,
                                 20 + (i % 20) * 55, 40 + (i / 20) * 50, 180, 180, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        double t1 = bench::nowMs();
        ShowWindow(w, SW_SHOWNA);
        double t2 = bench::nowMs();
        POINT position{20 + (i % 20) * 55, 40 + (i / 20) * 50}, source{0, 0};
        SIZE size{180, 180};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        UpdateLayeredWindow(w, nullptr, &position, &size, frame.dc(), &source, 0, &blend, ULW_ALPHA);
        double t3 = bench::nowMs();
        made.push_back(t1 - t0);
        shown.push_back(t2 - t1);
        framed.push_back(t3 - t2);
        windows.push_back(w);
    }
    pump();
    for (HWND w : windows) DestroyWindow(w);
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    bench::report("raw 180x180 layered pop-up: CreateWindowEx", median(made), "ms");
    bench::report("raw 180x180 layered pop-up: ShowWindow", median(shown), "ms");
    bench::report("raw 180x180 layered pop-up: first UpdateLayeredWindow", median(framed), "ms");
}
