// The arithmetic of the move/resize frame: zones and cursors, pointer clamping, resize steps.
#include <gtest/gtest.h>

#include "MoveResizeZones.h"

namespace {

// A window at (100, 200) of 300 x 150, border 5: L 100, T 200, R 400, B 350.
const RECT kWindow{100, 200, 400, 350};
constexpr int kBorder = 5;

} // namespace

TEST(MoveZones, EdgesAndCornersGiveTheirZoneAndCursor) {
    struct Case {
        const char* where;
        POINT pt;
        int zone;
        int cursor;
    };
    const Case cases[] = {
        {"top-left corner", {100, 200}, kZoneTopLeft, 4},
        {"top-left square, inner pixel", {104, 204}, kZoneTopLeft, 4},
        {"bottom-right corner pixel", {399, 349}, kZoneBottomRight, 4},
        {"bottom-right square", {395, 345}, kZoneBottomRight, 4},
        {"top-right", {399, 200}, kZoneTopRight, 5},
        {"bottom-left", {100, 349}, kZoneBottomLeft, 5},
        {"left edge", {100, 260}, kZoneLeft, 2},
        {"left edge, fifth pixel", {104, 260}, kZoneLeft, 2},
        {"right edge", {397, 260}, kZoneRight, 2},
        {"top edge", {250, 202}, kZoneTop, 3},
        {"bottom edge", {250, 345}, kZoneBottom, 3},
        {"left edge just below the corner", {100, 205}, kZoneLeft, 2},
        {"top edge just right of the corner", {105, 200}, kZoneTop, 3},
        {"sixth pixel from the left", {105, 260}, kZoneNone, 0},
        {"sixth pixel from the right", {394, 260}, kZoneNone, 0},
        {"centre", {250, 275}, kZoneNone, 0},
        {"outside, left", {99, 260}, kZoneNone, 0},
        {"outside, right side is exclusive", {400, 260}, kZoneNone, 0},
        {"outside, below", {250, 350}, kZoneNone, 0},
    };
    for (const Case& c : cases) {
        int zone = zoneAt(c.pt, kWindow, kBorder);
        EXPECT_EQ(zone, c.zone) << c.where;
        EXPECT_EQ(cursorKindForZone(zone), c.cursor) << c.where;
    }
}

TEST(MoveZones, ThickerBorderAndTinyWindow) {
    EXPECT_EQ(zoneAt(POINT{109, 260}, kWindow, 10), kZoneLeft);
    EXPECT_EQ(zoneAt(POINT{110, 260}, kWindow, 10), kZoneNone);
    // A window narrower than two borders: the corners win over the edges.
    const RECT tiny{0, 0, 8, 8};
    EXPECT_EQ(zoneAt(POINT{4, 4}, tiny, kBorder), kZoneTopLeft);
    EXPECT_EQ(zoneAt(POINT{7, 7}, tiny, kBorder), kZoneBottomRight);
}

TEST(MoveZones, PointerIsClampedIntoTheBounds) {
    const RECT parent{50, 60, 250, 160};
    struct Case {
        POINT in, out;
    };
    const Case cases[] = {
        {{100, 100}, {100, 100}}, {{10, 100}, {50, 100}},   {{400, 100}, {249, 100}},
        {{100, 0}, {100, 60}},    {{100, 500}, {100, 159}}, {{-30, -30}, {50, 60}},
    };
    for (const Case& c : cases) {
        POINT got = clampPoint(c.in, parent);
        EXPECT_EQ(got.x, c.out.x) << c.in.x << "," << c.in.y;
        EXPECT_EQ(got.y, c.out.y) << c.in.x << "," << c.in.y;
    }
}

TEST(MoveZones, SizeLimitsKeepOneLineHeight) {
    RECT limits = sizeLimits(kWindow, 18);
    EXPECT_EQ(limits.left, 400 - 18);
    EXPECT_EQ(limits.top, 350 - 18);
    EXPECT_EQ(limits.right, 100 + 18);
    EXPECT_EQ(limits.bottom, 200 + 18);
}

TEST(MoveZones, ResizeStepsMoveTheEdgesOfTheZone) {
    const RECT limits = sizeLimits(kWindow, 18);
    struct Case {
        const char* what;
        int zone;
        POINT anchor, pt;
        bool changed;
        RECT rect;
        POINT anchorAfter;
    };
    const Case cases[] = {
        {"left edge widens to the left",
         kZoneLeft,
         {102, 260},
         {80, 270},
         true,
         {78, 200, 400, 350},
         {80, 270}},
        {"left edge narrows", kZoneLeft, {102, 260}, {202, 260}, true, {200, 200, 400, 350}, {202, 260}},
        {"left edge stops one line height from the right",
         kZoneLeft,
         {102, 260},
         {395, 260},
         true,
         {382, 200, 400, 350},
         {384, 260}},
        {"right edge stops one line height from the left",
         kZoneRight,
         {398, 260},
         {10, 260},
         true,
         {100, 200, 118, 350},
         {116, 260}},
        {"top edge stops above the bottom",
         kZoneTop,
         {250, 201},
         {250, 600},
         true,
         {100, 332, 400, 350},
         {250, 333}},
        {"bottom-right grows both ways",
         kZoneBottomRight,
         {398, 348},
         {450, 400},
         true,
         {100, 200, 452, 402},
         {450, 400}},
        {"top-left corner", kZoneTopLeft, {101, 201}, {91, 221}, true, {90, 220, 400, 350}, {91, 221}},
        {"top-right corner limited in x only",
         kZoneTopRight,
         {398, 201},
         {0, 191},
         true,
         {100, 190, 118, 350},
         {116, 191}},
        {"bottom-left corner",
         kZoneBottomLeft,
         {101, 348},
         {121, 368},
         true,
         {120, 200, 400, 370},
         {121, 368}},
        {"zone 0 does nothing", kZoneNone, {250, 260}, {300, 300}, false, kWindow, {250, 260}},
        {"same point does nothing", kZoneRight, {398, 260}, {398, 260}, false, kWindow, {398, 260}},
    };
    for (const Case& c : cases) {
        TavResizeStep step = resizeStep(kWindow, c.anchor, c.pt, c.zone, limits);
        EXPECT_EQ(step.changed, c.changed) << c.what;
        EXPECT_TRUE(EqualRect(&step.rect, &c.rect))
            << c.what << ": " << step.rect.left << "," << step.rect.top << "," << step.rect.right << ","
            << step.rect.bottom;
        EXPECT_EQ(step.anchor.x, c.anchorAfter.x) << c.what;
        EXPECT_EQ(step.anchor.y, c.anchorAfter.y) << c.what;
    }
}

TEST(MoveZones, PointerPastTheLimitMustComeBackBeforeTheEdgeMoves) {
    // Dragging the left edge far right: the edge stops at the limit and keeps its distance to
    // the pointer, so coming back a little does not move it; coming back past that distance does.
    const RECT limits = sizeLimits(kWindow, 18);
    TavResizeStep a = resizeStep(kWindow, POINT{102, 260}, POINT{395, 260}, kZoneLeft, limits);
    ASSERT_EQ(a.rect.left, 382);
    TavResizeStep b = resizeStep(a.rect, a.anchor, POINT{390, 260}, kZoneLeft, limits);
    EXPECT_EQ(b.rect.left, 382);
    TavResizeStep c = resizeStep(b.rect, b.anchor, POINT{300, 260}, kZoneLeft, limits);
    EXPECT_EQ(c.rect.left, 298);
}

TEST(MoveZones, WindowSmallerThanTheMinimumDoesNotJump) {
    const RECT small{100, 100, 110, 200}; // 10 wide, minimum 18
    const RECT limits = sizeLimits(small, 18);
    TavResizeStep inward = resizeStep(small, POINT{101, 150}, POINT{105, 150}, kZoneLeft, limits);
    EXPECT_EQ(inward.rect.left, 100);
    TavResizeStep outward = resizeStep(small, POINT{101, 150}, POINT{96, 150}, kZoneLeft, limits);
    EXPECT_EQ(outward.rect.left, 95);
}
