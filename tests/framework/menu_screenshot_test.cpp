// A shadowed menu with Chinese items and icons, popped up with a submenu open. The composed
// picture (both back buffers over a light grey desktop, blended as a compositor would) is saved
// as "menu_screenshot.png" in the test's working folder for a person to look at.
#include "menu_support.h"

#include "ImageFiles.h"
#include "TavWndMenuItem.h"
#include "TavWndMenuWithShadow.h"

using namespace menutest;

namespace {

constexpr int kWidth = 166;
constexpr uint32_t kDesktop = 0xFFD8D8D8;

struct ShotItem {
    int id;
    const wchar_t* text;
    const wchar_t* icon;
};

void build(TavWndMenu& menu, std::vector<std::unique_ptr<TavWndMenuItem>>& items,
           const std::vector<ShotItem>& defs) {
    int height = int(defs.size()) * kItemHeight + 6;
    ASSERT_TRUE(menu.create(0, L"", kLayeredEx, WS_POPUP, 0, 0, kWidth, height, nullptr));
    for (size_t i = 0; i < defs.size(); ++i) {
        auto item = std::make_unique<TavWndMenuItem>();
        ASSERT_TRUE(item->create(defs[i].id, defs[i].text, 0, kChildVisible, 3, 3 + int(i) * kItemHeight,
                                 kWidth - 6, kItemHeight, menu.handle()));
        if (defs[i].icon) item->setIcon(defs[i].icon);
        items.push_back(std::move(item));
    }
}

// Blends a window's back buffer onto the canvas at its place on the screen.
void blendOnto(const TavMemDC& canvas, POINT canvasOrigin, TavWnd& window) {
    RECT rc;
    GetWindowRect(window.handle(), &rc);
    const TavMemDC& buffer = window.backBuffer();
    ASSERT_TRUE(buffer.ok());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(canvas.dc(), rc.left - canvasOrigin.x, rc.top - canvasOrigin.y, buffer.width(),
               buffer.height(), buffer.dc(), 0, 0, buffer.width(), buffer.height(), blend);
    GdiFlush();
}

} // namespace

TEST(MenuScreenshot, ShadowedMenuWithSubmenuOpen) {
    TavWndMenuWithShadow root, sub;
    std::vector<std::unique_ptr<TavWndMenuItem>> rootItems, subItems;
    build(root, rootItems,
          {{30210, L"添加", L"addnote.png"},
           {30218, L"隐藏", L"invisible.png"},
           {30202, L"删除", L"delete.png"},
           {30214, L"设置提醒...", L"prompt.png"},
           {30201, L"设置背景...", L"images.png"},
           {30211, L"管理", L"manager.png"},
           {30204, L"退出", nullptr}});
    build(sub, subItems,
          {{31000, L"系统分组", nullptr}, {31001, L"工作", nullptr}, {31002, L"生活", nullptr}});
    root.registerSubmenu(30210, &sub);

    root.popUp(60, 60);
    SendMessageW(rootItems[0]->handle(), WM_MOUSEHOVER, 0, at(5, 5));
    SendMessageW(subItems[1]->handle(), WM_MOUSEHOVER, 0, at(5, 5));
    pump();
    ASSERT_TRUE(IsWindowVisible(root.handle()));
    ASSERT_TRUE(IsWindowVisible(sub.handle()));
    RECT rootRect;
    GetWindowRect(root.handle(), &rootRect);
    // The body starts one pixel below and right of the point.
    EXPECT_EQ(rootRect.left + 3, 61);
    EXPECT_EQ(rootRect.top, 61);

    POINT origin{40, 40};
    TavMemDC canvas = createMemoryDC(nullptr, 400, 260, kDesktop);
    ASSERT_TRUE(canvas.ok());
    blendOnto(canvas, origin, root);
    blendOnto(canvas, origin, sub);
    TavGpBitmap bitmap = dcToBitmap(nullptr, canvas.dc(), canvas.width(), canvas.height());
    ASSERT_TRUE(bitmap);
    EXPECT_TRUE(saveBitmapPng(*bitmap, L"menu_screenshot.png"));

    // Root back buffer: white body, a soft black shadow band, an icon that is not white.
    const TavMemDC& b = root.backBuffer();
    int w = b.width();
    EXPECT_EQ(b.at(w - 8, 3 + kItemHeight + 3), 0xFFFFFFFFu) << "body right of the text";
    uint32_t band = b.at(w - 2, b.height() / 2);
    EXPECT_GT(band >> 24, 0u);
    EXPECT_LT(band >> 24, 255u);
    EXPECT_EQ(band & 0xFFFFFF, 0u) << "the shadow is black";
    EXPECT_LT(b.at(0, 0) >> 24, 40u) << "the corner stays almost clear";
    bool iconDrawn = false;
    for (int y = 3 + kItemHeight + 4; y < 3 + 2 * kItemHeight - 4; ++y)
        for (int x = 3 + 6; x < 3 + 22; ++x) iconDrawn |= b.at(x, y) != 0xFFFFFFFFu;
    EXPECT_TRUE(iconDrawn) << "the icon of the second item";
}
