// Items keep their image between compositions: a menu walked through hover, text, icon and size
// changes must compose exactly like a menu made directly in its final state (a kept image that
// missed a change would show the old look).
#include "menu_support.h"

#include "TavWndMenuWithShadow.h"

using namespace menutest;

namespace {

std::vector<uint32_t> composed(TavWnd& menu) {
    EXPECT_TRUE(menu.redrawAll());
    GdiFlush();
    const TavMemDC& buffer = menu.backBuffer();
    std::vector<uint32_t> pixels;
    for (int y = 0; y < buffer.height(); ++y)
        for (int x = 0; x < buffer.width(); ++x) pixels.push_back(buffer.at(x, y));
    return pixels;
}

TEST(MenuKeptImages, AWalkedMenuComposesLikeOneMadeInItsFinalState) {
    struct Step {
        const char* name;
        std::function<void(std::vector<std::unique_ptr<TavWndMenuItem>>&)> apply;
    };
    const std::vector<Step> steps = {
        {"hover the first", [](auto& items) { items[0]->setHighlighted(true); }},
        {"hover the second",
         [](auto& items) {
             items[0]->setHighlighted(false);
             items[1]->setHighlighted(true);
         }},
        {"new text", [](auto& items) { SetWindowTextW(items[2]->handle(), L"删除便签"); }},
        {"new icon", [](auto& items) { items[2]->setIcon(L"delete.png"); }},
        {"narrower",
         [](auto& items) {
             MoveWindow(items[1]->handle(), 3, 3 + kItemHeight, kMenuWidth - 40, kItemHeight, FALSE);
         }},
    };
    TavWndMenuWithShadow walked, direct;
    std::vector<std::unique_ptr<TavWndMenuItem>> walkedItems, directItems;
    const std::vector<ItemDef> defs = {{1, L"添加", L"addnote.png"}, {2, L"隐藏"}, {3, L"设置背景..."}};
    buildMenu(walked, walkedItems, defs, 40, 40);
    walked.show(SW_SHOWNA);
    std::vector<uint32_t> before = composed(walked);
    for (const Step& step : steps) {
        step.apply(walkedItems);
        std::vector<uint32_t> after = composed(walked);
        EXPECT_NE(after, before) << step.name << " changed nothing on the screen";
        before = after;
    }
    buildMenu(direct, directItems, defs, 240, 40);
    direct.show(SW_SHOWNA);
    for (const Step& step : steps) step.apply(directItems);
    EXPECT_EQ(composed(walked), composed(direct));
}

} // namespace
