// Pop-up menus: the shadowed background, a full redraw of a 14-item menu with icons and Chinese
// texts (with the icon cache and with every icon decoded again), and opening and closing a
// submenu by hovering.
#include "Bench.h"

#include "AppPaths.h"
#include "AppState.h"
#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "TavFont.h"
#include "TavWndMenuItem.h"
#include "TavWndMenuWithShadow.h"

#include <memory>
#include <vector>

namespace {

constexpr int kItemHeight = 24;
constexpr int kWidth = 166;

class BenchMenu : public TavWndMenuWithShadow {
public:
    using TavWndMenuWithShadow::buildBackground;
};

// <build>\TavNote\ from <build>\bench\menus\bench_menus.exe.
std::wstring installationFolder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = exe;
    for (int up = 0; up < 3; ++up) path = path.substr(0, path.find_last_of(L'\\'));
    return path + L"\\TavNote\\";
}

struct Session {
    ULONG_PTR token = 0;
    BenchMenu root, sub;
    std::vector<std::unique_ptr<TavWndMenuItem>> items, subItems;

    Session() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        appState().instance = GetModuleHandleW(nullptr);
        setAppDirectoryOverride(installationFolder());
        static const wchar_t* icons[] = {L"addnote.png", L"invisible.png", L"delete.png",
                                         L"prompt.png",  L"images.png",    nullptr};
        build(root, items, 14, icons);
        build(sub, subItems, 4, nullptr);
        root.registerSubmenu(items[0]->objectId(), &sub);
        root.show(SW_SHOWNA);
    }
    ~Session() {
        subItems.clear();
        items.clear();
        TavFont::instance().clear();
        TavBrush::instance().clear();
    }
    void build(BenchMenu& menu, std::vector<std::unique_ptr<TavWndMenuItem>>& out, int count,
               const wchar_t* const* icons) {
        menu.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 40, 40, kWidth,
                    count * kItemHeight + 6, nullptr);
        for (int i = 0; i < count; ++i) {
            auto item = std::make_unique<TavWndMenuItem>();
            item->create(30300 + i + (icons ? 0 : 100), L"设置背景...", 0, WS_CHILD | WS_VISIBLE, 3,
                         3 + i * kItemHeight, kWidth - 6, kItemHeight, menu.handle());
            if (icons && icons[i % 6]) item->setIcon(icons[i % 6]);
            out.push_back(std::move(item));
        }
    }
};

} // namespace

TAV_BENCH(menuBenches) {
    Session s;
    bench::report("shadowed menu background 166 x 342 (build)",
                  bench::medianMs(30, [&] { s.root.buildBackground(); }), "ms");
    bench::report("14-item menu redraw + present (icons, text)",
                  bench::medianMs(20,
                                  [&] {
                                      if (s.root.redrawAll()) s.root.present();
                                  }),
                  "ms", "goal < 4 ms");
    // The pointer moving from one item to the next: two item images made again, one present.
    bench::report("  the pointer moving to the next item (two items made again and presented)",
                  bench::medianMs(20,
                                  [&] {
                                      static bool onSecond = false;
                                      onSecond = !onSecond;
                                      s.items[2]->setHighlighted(onSecond);
                                      s.items[3]->setHighlighted(!onSecond);
                                  }),
                  "ms");
    {
        TavMemDC dc = createMemoryDC(nullptr, 160, 24);
        bench::report("one 16 px icon from its file (cached)",
                      bench::medianMs(20, [&] { drawImageFile(L"addnote.png", dc.dc(), 6, 4, 16, 16); }),
                      "ms");
        bench::report("one 16 px icon from its file (decoded)",
                      bench::medianMs(20,
                                      [&] {
                                          clearIconCache();
                                          drawImageFile(L"addnote.png", dc.dc(), 6, 4, 16, 16);
                                      }),
                      "ms");
        RECT area{28, 0, 160, 24};
        bench::report("one item text with alpha",
                      bench::medianMs(20,
                                      [&] {
                                          drawDefaultText(nullptr, L"设置背景...",
                                                          Gdiplus::StringAlignmentNear,
                                                          Gdiplus::StringAlignmentCenter, area);
                                      }),
                      "ms");
    }
    bench::report("  of which the redraw (compose into the back buffer)",
                  bench::medianMs(20, [&] { s.root.redrawAll(); }), "ms");
    bench::report("  of which the present (one layered-window update)",
                  bench::medianMs(20, [&] { s.root.present(); }), "ms");
    bench::report("one item's own image (icon and text)",
                  bench::medianMs(20, [&] { s.items[1]->renderSelf(); }), "ms");
    bench::report("the menu's own image (background)", bench::medianMs(20, [&] { s.root.renderSelf(); }),
                  "ms");
    HWND first = s.items[0]->handle(), second = s.items[1]->handle();
    bench::report("hover: open a 4-item submenu, then close it",
                  bench::medianMs(20,
                                  [&] {
                                      SendMessageW(first, WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
                                      SendMessageW(second, WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
                                  }),
                  "ms");
}
