// The move/resize frame driven by window messages: outline while dragging, the window moved or
// resized once on release, clamping of a child to its parent, the size limit and the leave rule.
#include "move_support.h"

#include "Settings.h"

using namespace movetest;

namespace {

// One window serves the whole suite: under Wine without a window manager, destroying a window
// that was activated by a press stalls for two seconds.
class MoveWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shared = makeMovable(200, 150, 240, 160).release(); }
    static void TearDownTestSuite() {
        delete shared;
        shared = nullptr;
    }
    void SetUp() override {
        TavWnd::setFocusedWindow(nullptr);
        wnd = shared;
        ASSERT_TRUE(wnd && wnd->handle());
        MoveWindow(wnd->handle(), 200, 150, 240, 160, FALSE);
        wnd->setDragEnabled(true);
        wnd->setResizeEnabled(true);
        pump();
        wnd->geometryChanges = 0;
    }
    void TearDown() override {
        ReleaseCapture();
        TavWnd::setFocusedWindow(nullptr);
        SendMessageW(wnd->handle(), WM_MOUSELEAVE, 0, 0);
        pump();
    }
    void press(TavWnd& w, int x, int y) { SendMessageW(w.handle(), WM_LBUTTONDOWN, MK_LBUTTON, at(x, y)); }
    void moveTo(TavWnd& w, int x, int y) { SendMessageW(w.handle(), WM_MOUSEMOVE, MK_LBUTTON, at(x, y)); }
    void release(TavWnd& w, int x, int y) { SendMessageW(w.handle(), WM_LBUTTONUP, 0, at(x, y)); }

    static MovableWnd* shared;
    MovableWnd* wnd = nullptr;
};

MovableWnd* MoveWindowTest::shared = nullptr;

} // namespace

TEST_F(MoveWindowTest, OneOutlineWindowForTheProcess) {
    HWND outline = TavWndMoveResize::outlineWindow();
    ASSERT_TRUE(outline);
    auto other = makeMovable(20, 20, 50, 50);
    EXPECT_EQ(TavWndMoveResize::outlineWindow(), outline);
    wchar_t name[64] = {};
    GetClassNameW(outline, name, 64);
    EXPECT_STREQ(name, L"MoveResizeWnd");
    EXPECT_EQ(GetWindowLongW(outline, GWL_EXSTYLE) & 0x80020, 0x80020);
    EXPECT_TRUE(GetWindowLongW(outline, GWL_STYLE) & WS_POPUP);
    EXPECT_FALSE(TavWndMoveResize::outlineVisible());
    // Fields at construction: all switches on, zone 0, border 5.
    EXPECT_EQ(other->subclassSwitch(), 1);
    EXPECT_TRUE(other->dragEnabled());
    EXPECT_TRUE(other->resizeEnabled());
    EXPECT_EQ(other->zone(), kZoneNone);
    EXPECT_EQ(other->borderThickness(), 5);
}

TEST_F(MoveWindowTest, ResizeFromTheBottomRightCornerOnRelease) {
    press(*wnd, 238, 158);
    EXPECT_EQ(wnd->zone(), kZoneBottomRight);
    EXPECT_EQ(wnd->cursorKind(), kCursorSizeNWSE);
    EXPECT_EQ(GetCapture(), wnd->handle());
    moveTo(*wnd, 258, 168);
    moveTo(*wnd, 278, 198);
    // The outline follows; the window itself waits for the release.
    EXPECT_TRUE(TavWndMoveResize::outlineVisible());
    EXPECT_EQ(TavWndMoveResize::outlineOwner(), wnd);
    EXPECT_RECT(TavWndMoveResize::outlineRect(), 200, 150, 480, 350);
    EXPECT_RECT(rectOf(wnd->handle()), 200, 150, 440, 310);
    EXPECT_EQ(wnd->geometryChanges, 0);
    release(*wnd, 278, 198);
    EXPECT_RECT(rectOf(wnd->handle()), 200, 150, 480, 350);
    EXPECT_FALSE(TavWndMoveResize::outlineVisible());
    EXPECT_EQ(wnd->geometryChanges, 1);
    EXPECT_NE(GetCapture(), wnd->handle());
    // The back buffer follows the new size.
    EXPECT_EQ(wnd->backBuffer().width(), 280);
    EXPECT_EQ(wnd->backBuffer().height(), 200);
}

TEST_F(MoveWindowTest, MoveByTheDragAreaOnRelease) {
    press(*wnd, 100, 80);
    EXPECT_EQ(wnd->cursorKind(), kCursorSizeAll);
    moveTo(*wnd, 120, 90);
    moveTo(*wnd, 150, 120);
    EXPECT_RECT(TavWndMoveResize::outlineRect(), 250, 190, 490, 350);
    EXPECT_RECT(rectOf(wnd->handle()), 200, 150, 440, 310);
    release(*wnd, 150, 120);
    EXPECT_RECT(rectOf(wnd->handle()), 250, 190, 490, 350);
    EXPECT_EQ(wnd->geometryChanges, 1);
}

TEST_F(MoveWindowTest, ReleaseWithoutMovingLeavesTheWindowInPlace) {
    struct Case {
        const char* what;
        POINT pressAt;
    };
    const Case cases[] = {{"drag area", {100, 80}}, {"corner", {238, 158}}, {"left edge", {1, 80}}};
    for (const Case& c : cases) {
        press(*wnd, c.pressAt.x, c.pressAt.y);
        moveTo(*wnd, c.pressAt.x, c.pressAt.y);
        EXPECT_FALSE(TavWndMoveResize::outlineVisible()) << c.what;
        release(*wnd, c.pressAt.x, c.pressAt.y);
        EXPECT_RECT(rectOf(wnd->handle()), 200, 150, 440, 310);
        EXPECT_EQ(wnd->geometryChanges, 0) << c.what;
    }
    // Out and back again: the outline ends where it started, so nothing moves.
    press(*wnd, 100, 80);
    moveTo(*wnd, 140, 100);
    moveTo(*wnd, 100, 80);
    release(*wnd, 100, 80);
    EXPECT_RECT(rectOf(wnd->handle()), 200, 150, 440, 310);
    EXPECT_EQ(wnd->geometryChanges, 0);
    EXPECT_FALSE(TavWndMoveResize::outlineVisible());
}

TEST_F(MoveWindowTest, LeftEdgeStopsOneLineHeightFromTheRightEdge) {
    int h = defaultLineHeight();
    ASSERT_GT(h, 5);
    // Pressing within the five border pixels and dragging left widens the window to the left.
    press(*wnd, 3, 80);
    EXPECT_EQ(wnd->zone(), kZoneLeft);
    moveTo(*wnd, -37, 80);
    EXPECT_RECT(TavWndMoveResize::outlineRect(), 160, 150, 440, 310);
    // Dragging right stops one default line height from the right edge.
    moveTo(*wnd, 300, 80);
    EXPECT_RECT(TavWndMoveResize::outlineRect(), 440 - h, 150, 440, 310);
    release(*wnd, 300, 80);
    EXPECT_RECT(rectOf(wnd->handle()), 440 - h, 150, 440, 310);
}

TEST_F(MoveWindowTest, WithoutResizeZonesTheWindowOnlyMoves) {
    wnd->setResizeEnabled(false);
    press(*wnd, 238, 158); // the bottom-right corner
    EXPECT_EQ(wnd->zone(), kZoneNone);
    EXPECT_EQ(wnd->cursorKind(), kCursorSizeAll);
    moveTo(*wnd, 268, 178);
    release(*wnd, 268, 178);
    EXPECT_RECT(rectOf(wnd->handle()), 230, 170, 470, 330);
}

TEST_F(MoveWindowTest, DraggingDisabledDoesNothing) {
    wnd->setDragEnabled(false);
    press(*wnd, 238, 158);
    moveTo(*wnd, 268, 178);
    EXPECT_FALSE(TavWndMoveResize::outlineVisible());
    release(*wnd, 268, 178);
    EXPECT_RECT(rectOf(wnd->handle()), 200, 150, 440, 310);
}

TEST_F(MoveWindowTest, ChildDragIsClampedToItsParent) {
    auto child = std::make_unique<MovableWnd>(0xFFC04040);
    ASSERT_TRUE(child->create(0, L"", 0, WS_CHILD | WS_VISIBLE, 20, 30, 60, 40, wnd->handle()));
    EXPECT_EQ(child->dragBounds().left, 200);
    EXPECT_EQ(child->dragBounds().bottom, 310);
    press(*child, 30, 20); // screen (250, 200)
    ASSERT_EQ(TavWnd::focusedWindow(), child.get());
    EXPECT_EQ(child->cursorKind(), kCursorSizeAll);
    // Far outside the parent: the pointer is held at the parent's last pixel (439, 309).
    moveTo(*child, 900, 700);
    EXPECT_RECT(TavWndMoveResize::outlineRect(), 220 + 189, 180 + 109, 280 + 189, 220 + 109);
    release(*child, 900, 700);
    // The child lands there, placed in its parent's client coordinates.
    EXPECT_RECT(rectOf(child->handle()), 409, 289, 469, 329);
    RECT inParent = rectOf(child->handle());
    MapWindowPoints(nullptr, wnd->handle(), reinterpret_cast<POINT*>(&inParent), 2);
    EXPECT_EQ(inParent.left, 209);
    EXPECT_EQ(inParent.top, 139);
    EXPECT_EQ(child->geometryChanges, 1);
    child.reset();
}

TEST_F(MoveWindowTest, HoverArmsTheZoneAndLeaveDisarmsIt) {
    struct Case {
        POINT at;
        int zone;
        int cursor;
    };
    const Case cases[] = {{{1, 80}, kZoneLeft, 2},
                          {{120, 158}, kZoneBottom, 3},
                          {{239, 0}, kZoneTopRight, 5},
                          {{0, 0}, kZoneTopLeft, 4},
                          {{100, 80}, kZoneNone, 1}};
    for (const Case& c : cases) {
        SendMessageW(wnd->handle(), WM_MOUSEHOVER, 0, at(c.at.x, c.at.y));
        EXPECT_EQ(wnd->zone(), c.zone) << c.at.x << "," << c.at.y;
        EXPECT_EQ(wnd->cursorKind(), c.cursor) << c.at.x << "," << c.at.y;
        SendMessageW(wnd->handle(), WM_MOUSELEAVE, 0, 0);
        EXPECT_EQ(wnd->cursorKind(), kCursorArrow);
    }
}

TEST_F(MoveWindowTest, LeavingDuringADragKeepsTheOutlineUntilRelease) {
    // Growing a window from its corner takes the pointer outside it at once; the platform may
    // report that as a leave while the button is still held.
    press(*wnd, 238, 158);
    moveTo(*wnd, 260, 180);
    SendMessageW(wnd->handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(TavWndMoveResize::outlineVisible());
    moveTo(*wnd, 270, 190);
    release(*wnd, 270, 190);
    EXPECT_RECT(rectOf(wnd->handle()), 200, 150, 472, 342);
}

TEST_F(MoveWindowTest, OutlineIsAOnePixelFrameInTheAccentColor) {
    uint32_t saved = settings().borderMenuColor;
    settings().borderMenuColor = 0x80FF0000;
    RECT r{0, 0, 6, 4};
    TavMemDC dc = wnd->renderOutline(r);
    ASSERT_TRUE(dc.ok());
    // The frame is opaque in the DC; the color's alpha (0x80) is applied once, as the constant
    // alpha of the layered update, so the outline shows half transparent.
    const uint32_t frame = 0xFFFF0000;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            bool border = x == 0 || y == 0 || x == 5 || y == 3;
            EXPECT_EQ(dc.at(x, y), border ? frame : 0u) << x << "," << y;
        }
    }
    settings().borderMenuColor = saved;
}

TEST_F(MoveWindowTest, HalfTransparentAccentShowsHalfTransparentOnScreen) {
    uint32_t saved = settings().borderMenuColor;
    settings().borderMenuColor = 0x80FF0000;
    press(*wnd, 100, 80);
    moveTo(*wnd, 100, 300); // the outline's top edge lies at screen y 370, below the window
    ASSERT_TRUE(TavWndMoveResize::outlineVisible());
    COLORREF c = 0;
    waitFor(
        [&] {
            HDC screen = GetDC(nullptr);
            c = GetPixel(screen, 300, 370);
            ReleaseDC(nullptr, screen);
            return GetRValue(c) >= 0x30;
        },
        2000);
    release(*wnd, 100, 80);
    MoveWindow(wnd->handle(), 200, 150, 240, 160, FALSE);
    settings().borderMenuColor = saved;
    // Xvfb has no compositor: the screen shows the premultiplied color, 0x80 of full red (a
    // second application of the alpha would leave 0x40).
    EXPECT_NEAR(int(GetRValue(c)), 0x80, 6);
    EXPECT_EQ(GetGValue(c), 0);
}

TEST(MoveOutline, DestroyingTheOwnerHidesTheOutline) {
    auto own = makeMovable(500, 100, 100, 80);
    SendMessageW(own->handle(), WM_LBUTTONDOWN, MK_LBUTTON, at(50, 40));
    SendMessageW(own->handle(), WM_MOUSEMOVE, MK_LBUTTON, at(60, 50));
    ASSERT_TRUE(TavWndMoveResize::outlineVisible());
    EXPECT_EQ(TavWndMoveResize::outlineOwner(), own.get());
    own.reset();
    EXPECT_FALSE(TavWndMoveResize::outlineVisible());
    EXPECT_EQ(TavWndMoveResize::outlineOwner(), nullptr);
    TavWnd::setFocusedWindow(nullptr);
}
