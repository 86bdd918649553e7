// Composition into the root's back buffer, partial redraws, geometry tracking, presentation.
#include "wnd_support.h"

#include <algorithm>

using namespace wndtest;

namespace {

// Source-over of premultiplied pixels, as AlphaBlend computes it (to within rounding).
uint32_t over(uint32_t top, uint32_t below) {
    uint32_t a = top >> 24, out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t t = (top >> shift) & 0xFF, b = (below >> shift) & 0xFF;
        out |= ((t + b * (255 - a) / 255) & 0xFF) << shift;
    }
    return out;
}

// Channels may differ by one through rounding in the blend.
::testing::AssertionResult closeTo(uint32_t actual, uint32_t expected) {
    for (int shift = 0; shift < 32; shift += 8) {
        int d = int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF);
        if (d < -1 || d > 1)
            return ::testing::AssertionFailure()
                   << std::hex << "pixel 0x" << actual << " expected 0x" << expected;
    }
    return ::testing::AssertionSuccess();
}

// GDI objects of this process. Wine answers 0 to GetGuiResources; there the handle table is
// walked instead (a handle with a zero high word names the live object of that slot).
DWORD gdiObjectCount() {
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (n) return n;
    for (ULONG_PTR slot = 1; slot < 0x10000; ++slot) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot))) ++n;
    }
    return n;
}

} // namespace

TEST(WndCompose, ChildPixelsLandAtTheirPlaceWithTheirAlpha) {
    const uint32_t rootColor = 0x80FFFFFF, childColor = 0x800000FF, innerColor = 0xFF00FF00;
    auto root = makeRoot(200, 200, 100, 80, rootColor);
    auto child = makeChild(*root, 10, 20, 30, 20, childColor);
    auto inner = makeChild(*child, 5, 5, 4, 4, innerColor);
    ASSERT_TRUE(root->redrawAll());
    const TavMemDC& buffer = root->backBuffer();
    ASSERT_EQ(buffer.width(), 100);
    ASSERT_EQ(buffer.height(), 80);
    uint32_t r = premultiply(rootColor), c = premultiply(childColor);
    struct Probe {
        int x, y;
        uint32_t expected;
    };
    const Probe probes[] = {
        {0, 0, r},   {9, 20, r},           {10, 20, over(c, r)}, {39, 39, over(c, r)}, {40, 20, r},
        {10, 40, r}, {15, 25, innerColor}, {18, 28, innerColor}, {19, 29, over(c, r)}, {99, 79, r},
    };
    for (const Probe& p : probes) EXPECT_TRUE(closeTo(buffer.at(p.x, p.y), p.expected)) << p.x << "," << p.y;
    EXPECT_NEAR(double(buffer.at(10, 20) >> 24), 0xBF, 1.0); // alpha 0x80 over 0x80
}

TEST(WndCompose, HiddenChildOfAWindowShownWithoutActivationIsComposedAndHit) {
    // The root is still hidden; its child is shown with SW_SHOWNA and so is logically visible.
    auto root = makeRoot(200, 200, 60, 60, 0xFF000000, kLayeredEx, WS_POPUP);
    auto child = makeChild(*root, 10, 10, 20, 20, 0xFFFF0000, WS_CHILD);
    EXPECT_FALSE(child->isLogicallyVisible());
    child->show(SW_SHOWNA);
    EXPECT_FALSE(IsWindowVisible(child->handle()));
    EXPECT_TRUE(child->isLogicallyVisible());
    ASSERT_TRUE(root->redrawAll());
    EXPECT_EQ(root->backBuffer().at(15, 15), 0xFFFF0000u);
    POINT pt = screenPoint(root->handle(), 15, 15);
    EXPECT_EQ(root->hitTest(pt.x, pt.y), child.get());
}

TEST(WndCompose, SmallRedrawTouchesOnlyItsRectangleAndExcludedWindowsAreLeftOut) {
    auto root = makeRoot(200, 200, 60, 60, 0xFF000010);
    auto child = makeChild(*root, 0, 0, 60, 60, 0xFF0000FF);
    ASSERT_TRUE(root->redrawAll());
    child->color = 0xFF00FF00;
    POINT o = screenPoint(root->handle(), 0, 0);
    ASSERT_TRUE(root->redrawScreenRect(o.x + 10, o.y + 10, o.x + 20, o.y + 20));
    const TavMemDC& buffer = root->backBuffer();
    EXPECT_EQ(buffer.at(10, 10), 0xFF00FF00u);
    EXPECT_EQ(buffer.at(19, 19), 0xFF00FF00u);
    EXPECT_EQ(buffer.at(20, 20), 0xFF0000FFu);
    EXPECT_EQ(buffer.at(9, 10), 0xFF0000FFu);
    // Redrawing under the child shows what lies below it.
    ASSERT_TRUE(root->redrawUnder(child.get()));
    EXPECT_EQ(buffer.at(30, 30), 0xFF000010u);
}

TEST(WndCompose, FailedCompositionLeavesTheBackBufferAsItWas) {
    auto root = makeRoot(200, 200, 40, 40, 0xFF112233);
    auto child = makeChild(*root, 0, 0, 20, 20, 0xFF445566);
    ASSERT_TRUE(root->redrawAll());
    root->color = 0xFFFFFFFF;
    child->failRender = true;
    EXPECT_FALSE(root->redrawAll());
    EXPECT_EQ(root->backBuffer().at(30, 30), 0xFF112233u);
    EXPECT_EQ(root->backBuffer().at(5, 5), 0xFF445566u);
}

TEST(WndGeometry, ResizeFromTheLeftKeepsChildrenInPlaceAndRebuildsTheBuffer) {
    auto root = makeRoot(300, 300, 100, 80, 0xFF000000);
    auto child = makeChild(*root, 20, 10, 10, 10, 0xFFFFFFFF);
    ASSERT_TRUE(root->redrawAll());
    RECT before;
    GetWindowRect(child->handle(), &before);
    SetWindowPos(root->handle(), nullptr, 280, 290, 120, 90, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT after;
    GetWindowRect(child->handle(), &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(root->backBuffer().width(), 120);
    EXPECT_EQ(root->backBuffer().height(), 90);
    EXPECT_EQ(root->backBuffer().at(40, 20), 0xFFFFFFFFu); // the child at 20 + 20, 10 + 10
    EXPECT_EQ(root->backBuffer().at(20, 10), 0xFF000000u);
    RECT stored = root->lastWindowRect();
    EXPECT_EQ(stored.left, 280);
    EXPECT_EQ(stored.right, 400);

    // A plain move of the root afterwards shifts nothing inside it.
    SetWindowPos(root->handle(), nullptr, 250, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(root->handle(), nullptr, 0, 0, 130, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(root->backBuffer().at(40, 20), 0xFFFFFFFFu);
    EXPECT_EQ(child->lastWindowRect().left, 250 + 40);
    // Every move of the root told the child that its geometry changed.
    EXPECT_GE(std::count(child->events.begin(), child->events.end(), "geometry"), 2);
}

TEST(WndGeometry, MovedChildLeavesNoTraceWhereItWas) {
    auto root = makeRoot(300, 300, 100, 80, 0xFF000000);
    auto child = makeChild(*root, 0, 0, 10, 10, 0xFFFFFFFF);
    ASSERT_TRUE(root->redrawAll());
    SetWindowPos(child->handle(), nullptr, 50, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(root->backBuffer().at(5, 5), 0xFF000000u);
    POINT o = screenPoint(root->handle(), 50, 50);
    EXPECT_EQ(child->lastWindowRect().left, o.x);
}

TEST(WndPresent, NonLayeredRootBlitsItsBackBuffer) {
    auto root = makeRoot(400, 300, 40, 30, 0xFF3060C0, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    ASSERT_TRUE(root->redrawAll());
    root->present();
    HDC dc = GetDC(root->handle());
    COLORREF c = GetPixel(dc, 20, 15);
    ReleaseDC(root->handle(), dc);
    EXPECT_EQ(c, RGB(0x30, 0x60, 0xC0));
}

TEST(WndResources, ThousandWindowsLeaveNoGdiObjectsBehind) {
    // One round: four windows created, composed, presented (whole and in part) and destroyed.
    auto round = [] {
        auto root = makeRoot(10, 10, 64, 48, 0x80FFFFFF);
        auto a = makeChild(*root, 2, 2, 20, 20, 0xFF0000FF);
        auto b = makeChild(*a, 1, 1, 5, 5, 0xFF00FF00);
        auto c = makeChild(*root, 30, 10, 20, 20, 0xFFFF0000, kChildVisible, WS_EX_TRANSPARENT);
        if (!root->redrawAll()) return false;
        root->present();
        POINT p = screenPoint(root->handle(), 3, 3);
        if (!root->redrawScreenRect(p.x, p.y, p.x + 10, p.y + 10)) return false;
        root->present(nullptr);
        return true;
    };
    // The first round fills what the system keeps once made (a handful of objects, whatever the
    // number of rounds); every later round must give back all it took.
    ASSERT_TRUE(round());
    DWORD start = gdiObjectCount();
    // The count must see one more object while one more exists.
    HBITMAP probe = CreateBitmap(4, 4, 1, 32, nullptr);
    ASSERT_EQ(gdiObjectCount(), start + 1) << "the GDI object count does not work here";
    DeleteObject(probe);
    for (int i = 0; i < 250; ++i) ASSERT_TRUE(round()) << "round " << i;
    EXPECT_EQ(gdiObjectCount(), start);
}

// A hidden window is not composed while its children come, move and change size (a note being
// opened does this many times); it is composed once, with everything at its final place, when it
// is presented after showing or when its picture is read.
TEST(WndCompose, HiddenWindowIsComposedOnceWhenShownOrRead) {
    for (const bool readWhileHidden : {false, true}) {
        SCOPED_TRACE(readWhileHidden ? "read while hidden" : "shown and presented");
        auto root = makeRoot(200, 200, 80, 60, 0xFF000000, kLayeredEx, WS_POPUP);
        auto child = makeChild(*root, 0, 0, 10, 10, 0xFFFF0000);
        for (int step = 1; step <= 5; ++step) {
            SetWindowPos(child->handle(), nullptr, step * 4, step * 3, 10 + step, 10, SWP_NOZORDER);
            root->redrawAll();
        }
        EXPECT_EQ(root->renders, 0);
        EXPECT_EQ(child->renders, 0);
        if (!readWhileHidden) {
            root->show(SW_SHOWNA);
            root->present();
        }
        const TavMemDC& buffer = root->backBuffer();
        ASSERT_TRUE(buffer.ok());
        EXPECT_EQ(root->renders, 1);
        EXPECT_EQ(child->renders, 1);
        // The child at its last place (20, 15, 15 x 10), nothing left at its earlier ones.
        EXPECT_EQ(buffer.at(20, 15), premultiply(0xFFFF0000));
        EXPECT_EQ(buffer.at(34, 24), premultiply(0xFFFF0000));
        EXPECT_EQ(buffer.at(19, 15), premultiply(0xFF000000));
        EXPECT_EQ(buffer.at(5, 4), premultiply(0xFF000000));
        // Read again, nothing is composed again.
        root->backBuffer();
        EXPECT_EQ(root->renders, 1);
    }
}
