// Pop-up and submenu placement near the screen edges, with and without the shadow offsets.
#include <gtest/gtest.h>

#include "MenuPlacement.h"

namespace {
const RECT kScreen{0, 0, 1024, 768};
}

TEST(MenuPlacement, PopupFlipsNearTheScreenEdges) {
    struct Case {
        const char* name;
        SIZE menu;
        POINT point;
        RECT screen;
        POINT plain, shadowed;
    };
    const Case cases[] = {
        {"room everywhere", {120, 200}, {500, 300}, kScreen, {501, 301}, {498, 301}},
        {"near the right edge", {120, 200}, {950, 300}, kScreen, {830, 301}, {827, 301}},
        {"near the bottom", {120, 200}, {500, 700}, kScreen, {501, 499}, {498, 499}},
        {"bottom-right corner", {120, 200}, {1000, 700}, kScreen, {880, 499}, {877, 499}},
        {"top-left corner", {120, 200}, {0, 0}, kScreen, {1, 1}, {-2, 1}},
        {"wider than the room on both sides", {600, 200}, {500, 100}, kScreen, {0, 101}, {-3, 101}},
        {"taller than the room above", {120, 700}, {100, 300}, kScreen, {101, 0}, {98, 0}},
        {"second monitor", {120, 200}, {2000, 10}, {1024, 0, 2048, 768}, {1880, 11}, {1877, 11}},
    };
    for (const Case& c : cases) {
        POINT p = menuPopupPosition(c.menu, c.point, c.screen);
        EXPECT_EQ(p.x, c.plain.x) << c.name;
        EXPECT_EQ(p.y, c.plain.y) << c.name;
        POINT s = shadowedPopupPosition(p, 3);
        EXPECT_EQ(s.x, c.shadowed.x) << c.name;
        EXPECT_EQ(s.y, c.shadowed.y) << c.name;
    }
}

TEST(MenuPlacement, SubmenuOpensOnTheOtherSideNearTheEdges) {
    struct Case {
        const char* name;
        RECT item;
        SIZE menu;
        POINT plain, shadowed;
    };
    const Case cases[] = {
        {"room on the right", {400, 100, 520, 124}, {150, 200}, {520, 100}, {517, 94}},
        {"right edge: left of the item", {900, 100, 1020, 124}, {150, 200}, {750, 100}, {753, 94}},
        {"bottom: moved up by the overflow", {400, 650, 520, 674}, {150, 200}, {520, 568}, {517, 562}},
        {"bottom-right corner", {900, 650, 1020, 674}, {150, 200}, {750, 568}, {753, 562}},
        {"no room on either side", {20, 100, 1010, 124}, {150, 200}, {0, 100}, {3, 94}},
        {"taller than the screen", {400, 100, 520, 124}, {150, 900}, {520, 0}, {517, -6}},
    };
    for (const Case& c : cases) {
        POINT anchor{c.item.right, c.item.top};
        POINT p = submenuPosition(c.menu, c.item, anchor, kScreen);
        EXPECT_EQ(p.x, c.plain.x) << c.name;
        EXPECT_EQ(p.y, c.plain.y) << c.name;
        POINT s = shadowedSubmenuPosition(p, c.item, 3, 3);
        EXPECT_EQ(s.x, c.shadowed.x) << c.name;
        EXPECT_EQ(s.y, c.shadowed.y) << c.name;
    }
}

TEST(MenuWidth, FollowsTheLongestTextWithinItsBounds) {
    struct Case {
        const char* what;
        std::vector<int> texts;
        int expected;
    } cases[] = {
        {"short texts keep the narrowest width", {20, 40}, 150},
        {"a long text widens the menu", {20, 300}, 356},
        {"never wider than the work area", {5000}, 1000},
        {"no texts", {}, 150},
    };
    for (const Case& c : cases) EXPECT_EQ(menuWidthFor(c.texts, 56, 150, 1000), c.expected) << c.what;
}

TEST(MenuWidth, ATextTooLongEndsInAnEllipsis) {
    auto measure = [](const std::wstring& t) { return int(t.size()) * 10; }; // 10 pixels a character
    EXPECT_EQ(fitWithEllipsis(L"工作计划", 40, measure), L"工作计划");
    EXPECT_EQ(fitWithEllipsis(L"工作计划和总结", 40, measure), L"工作计…");
    EXPECT_EQ(fitWithEllipsis(L"abc", 5, measure), L"…");
    // A surrogate pair is never cut in half: "a😀b" is a, high, low, b.
    EXPECT_EQ(fitWithEllipsis(L"a\U0001F600bcd", 30, measure), L"a…");
}
