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

// A submenu right of its parent's item "添加" (x 100..250, y 100..124), and a mirrored one on the
// left (opened near the right screen edge).
namespace {
const RECT kSubmenuRight{250, 94, 400, 200};
const RECT kSubmenuLeft{-50, 94, 100, 200};
} // namespace

TEST(SubmenuAim, PointerHeadsForTheSubmenuInsideTheTriangleToItsNearEdge) {
    struct Case {
        const char* name;
        POINT previous, current;
        RECT submenu;
        bool heads;
    };
    const Case cases[] = {
        {"diagonal down-right across the next item", {180, 112}, {190, 124}, kSubmenuRight, true},
        {"straight right", {180, 112}, {200, 112}, kSubmenuRight, true},
        {"steep, still inside the triangle", {180, 112}, {186, 119}, kSubmenuRight, true},
        {"straight down to the next item", {180, 112}, {180, 130}, kSubmenuRight, false},
        {"too steep: below the triangle", {180, 112}, {182, 140}, kSubmenuRight, false},
        {"away to the left", {180, 112}, {170, 118}, kSubmenuRight, false},
        {"did not move", {180, 112}, {180, 112}, kSubmenuRight, false},
        {"on the triangle's lower side", {150, 100}, {200, 150}, RECT{250, 0, 400, 200}, true},
        {"mirrored: submenu on the left, diagonal down-left", {150, 112}, {140, 124}, kSubmenuLeft, true},
        {"mirrored: moving right, away from it", {150, 112}, {160, 118}, kSubmenuLeft, false},
        {"submenu straddling the pointer", {300, 112}, {310, 118}, kSubmenuRight, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pointerHeadsFor(c.previous, c.current, c.submenu), c.heads) << c.name;
}

TEST(SubmenuAim, AnotherItemWaitsOnlyWhileHeadingThereAndWithinTheGraceTime) {
    struct Step {
        const char* name;
        POINT pointer;      // the pointer's next position
        uint64_t hoverAt;   // when the other item's hover arrives
        bool keeps;         // the hover waits
        uint32_t remaining; // grace left afterwards
    };
    // Grace 400 ms; the first waiting hover starts the count.
    const Step steps[] = {
        {"first move: no direction yet", {180, 112}, 1000, false, 0},
        {"diagonal: waits", {190, 124}, 1010, true, 400},
        {"still heading there later: the count goes on", {200, 130}, 1300, true, 110},
        {"grace time over: the item wins", {210, 135}, 1410, false, 0},
        {"heading there again starts a new count", {220, 138}, 2000, true, 400},
        {"turning straight down: the item wins at once", {220, 160}, 2050, false, 0},
    };
    SubmenuAim aim;
    for (const Step& s : steps) {
        aim.move(s.pointer);
        bool keeps = aim.keepsSubmenu(kSubmenuRight, s.hoverAt, 400);
        EXPECT_EQ(keeps, s.keeps) << s.name;
        EXPECT_EQ(aim.remaining(s.hoverAt, 400), s.remaining) << s.name;
        if (!keeps) aim.settle(); // the menu switches to the item
    }
    // An unchanged position keeps the last direction.
    SubmenuAim resting;
    resting.move(POINT{180, 112});
    resting.move(POINT{190, 124});
    resting.move(POINT{190, 124});
    EXPECT_TRUE(resting.keepsSubmenu(kSubmenuRight, 0, 400));
}
