// Message routing, press/click rules, hover tracking, hit testing and focus.
#include "wnd_support.h"

#include <stdexcept>
#include <thread>

using namespace wndtest;

namespace {

using Events = std::vector<std::string>;

class RoutingTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = makeRoot(100, 100, 200, 150);
        a = makeChild(*root, 10, 10, 50, 40, 0xFFFF0000);
        b = makeChild(*root, 100, 10, 50, 40, 0xFF00FF00);
        TavWnd::setFocusedWindow(nullptr);
    }
    void TearDown() override {
        ReleaseCapture();
        TavWnd::setFocusedWindow(nullptr);
    }
    std::unique_ptr<ColorWnd> root, a, b;
};

} // namespace

TEST_F(RoutingTest, NotificationsReachTheCommandOperation) {
    struct Case {
        UINT message;
        bool toCommand;
        bool toTray;
    };
    const Case cases[] = {
        {10001, false, false}, {10002, true, false}, {10005, true, false},  {10006, false, true},
        {10007, true, false},  {10012, true, false}, {10014, false, false},
    };
    for (const Case& c : cases) {
        a->commands.clear();
        a->events.clear();
        LRESULT r = SendMessageW(a->handle(), c.message, 1, 2);
        EXPECT_EQ(a->commands.size(), c.toCommand ? 1u : 0u) << c.message;
        if (c.toCommand) {
            EXPECT_EQ(r, 7) << c.message;
        }
        EXPECT_EQ(a->events == Events{"tray"}, c.toTray) << c.message;
    }
}

TEST_F(RoutingTest, ClickNeedsPressAndReleaseInsideTheSameWindow) {
    SendMessageW(a->handle(), WM_LBUTTONDOWN, MK_LBUTTON, point(5, 5));
    EXPECT_TRUE(a->pressFlag());
    EXPECT_EQ(TavWnd::focusedWindow(), a.get());
    EXPECT_EQ(GetCapture(), a->handle());
    SendMessageW(a->handle(), WM_LBUTTONUP, 0, point(6, 6));
    EXPECT_EQ(a->events, (Events{"down", "up", "click"}));
    EXPECT_FALSE(a->pressFlag());
    EXPECT_EQ(a->lastLeftPress().x, 5);

    // A release without a press is no click.
    a->events.clear();
    SendMessageW(a->handle(), WM_LBUTTONUP, 0, point(6, 6));
    EXPECT_EQ(a->events, (Events{"up"}));

    // Released outside the client area (the window holds the capture): no click.
    a->events.clear();
    SendMessageW(a->handle(), WM_LBUTTONDOWN, MK_LBUTTON, point(5, 5));
    SendMessageW(a->handle(), WM_LBUTTONUP, 0, point(-20, 70));
    EXPECT_EQ(a->events, (Events{"down", "up"}));
}

TEST_F(RoutingTest, ReleaseInAnotherWindowGoesToThePressedFocusedWindow) {
    SendMessageW(a->handle(), WM_LBUTTONDOWN, MK_LBUTTON, point(5, 5));
    ASSERT_EQ(TavWnd::focusedWindow(), a.get());
    // Released over b, at a point that lies inside a's client area in a's own coordinates.
    SendMessageW(b->handle(), WM_LBUTTONUP, 0, point(5, 5));
    EXPECT_EQ(a->events, (Events{"down", "up"}));
    EXPECT_TRUE(b->events.empty());
    EXPECT_FALSE(a->pressFlag());
}

TEST_F(RoutingTest, PressMovesFocusAndCompanionsKeepIt) {
    SendMessageW(a->handle(), WM_LBUTTONDOWN, MK_LBUTTON, point(5, 5));
    SendMessageW(a->handle(), WM_LBUTTONUP, 0, point(5, 5));
    ASSERT_EQ(TavWnd::focusedWindow(), a.get());
    a->focusCompanions().insert(b.get());
    SendMessageW(b->handle(), WM_RBUTTONDOWN, MK_RBUTTON, point(5, 5));
    EXPECT_EQ(TavWnd::focusedWindow(), a.get());
    EXPECT_FALSE(a->loseFocus(b.get()));
    a->focusCompanions().clear();
    SendMessageW(b->handle(), WM_RBUTTONDOWN, MK_RBUTTON, point(5, 5));
    EXPECT_EQ(TavWnd::focusedWindow(), b.get());
    EXPECT_EQ(b->lastRightPress().x, 5);
}

TEST_F(RoutingTest, LoseFocusIsPassedToTheFocusedDescendant) {
    auto inner = makeChild(*a, 2, 2, 10, 10, 0);
    inner->takeFocus();
    inner->focusCompanions().insert(b.get());
    // Asked of the ancestor, answered by the focused descendant and its companions.
    EXPECT_FALSE(a->loseFocus(b.get()));
    EXPECT_EQ(TavWnd::focusedWindow(), inner.get());
    EXPECT_TRUE(a->loseFocus(root.get()));
    EXPECT_EQ(TavWnd::focusedWindow(), root.get());
}

TEST_F(RoutingTest, DestroyingTheFocusedWindowLeavesNoFocus) {
    a->takeFocus();
    ASSERT_EQ(TavWnd::focusedWindow(), a.get());
    a.reset();
    EXPECT_EQ(TavWnd::focusedWindow(), nullptr);
    b->takeFocus();
    DestroyWindow(b->handle()); // the platform window alone
    EXPECT_EQ(TavWnd::focusedWindow(), nullptr);
}

TEST_F(RoutingTest, HoverIsRequestedOnceUntilHoverOrLeaveArrives) {
    long before = TavWnd::trackingRequestCount();
    SendMessageW(a->handle(), WM_MOUSEMOVE, 0, point(3, 3));
    SendMessageW(a->handle(), WM_MOUSEMOVE, 0, point(4, 3));
    SendMessageW(a->handle(), WM_MOUSEMOVE, 0, point(5, 3));
    EXPECT_EQ(TavWnd::trackingRequestCount() - before, 1);
    EXPECT_TRUE(a->hoverTrackingPending());
    SendMessageW(a->handle(), WM_MOUSEHOVER, 0, point(5, 3));
    EXPECT_FALSE(a->hoverTrackingPending());
    EXPECT_TRUE(a->interactionFlags() & kWndHot);
    SendMessageW(a->handle(), WM_MOUSEMOVE, 0, point(6, 3));
    EXPECT_EQ(TavWnd::trackingRequestCount() - before, 2);
    SendMessageW(a->handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(a->hoverTrackingPending());
    EXPECT_FALSE(a->interactionFlags() & kWndHot);
}

TEST_F(RoutingTest, HitTestTakesTopmostVisibleEnabledOpaqueChild) {
    auto over = makeChild(*root, 20, 20, 20, 20, 0xFF0000FF); // above a, created later
    auto seeThrough = makeChild(*root, 100, 10, 50, 40, 0, kChildVisible, WS_EX_TRANSPARENT);
    POINT inOver = screenPoint(root->handle(), 25, 25);
    POINT inB = screenPoint(root->handle(), 110, 20);
    POINT nowhere = screenPoint(root->handle(), 190, 140);
    EXPECT_EQ(root->hitTest(inOver.x, inOver.y), over.get());
    over->enable(false);
    EXPECT_EQ(root->hitTest(inOver.x, inOver.y), a.get());
    over->show(SW_HIDE);
    over->enable(true);
    EXPECT_EQ(root->hitTest(inOver.x, inOver.y), a.get());
    EXPECT_EQ(root->hitTest(inB.x, inB.y), b.get()); // never the see-through child
    EXPECT_EQ(root->hitTest(nowhere.x, nowhere.y), root.get());

    // A press that the platform delivers to the see-through child lands on the window below.
    SendMessageW(seeThrough->handle(), WM_LBUTTONDOWN, MK_LBUTTON, point(10, 10));
    EXPECT_TRUE(seeThrough->events.empty());
    EXPECT_EQ(b->events, (Events{"down"}));
    EXPECT_EQ(b->lastLeftPress().x, 10);
    EXPECT_EQ(TavWnd::focusedWindow(), b.get());
}

TEST_F(RoutingTest, ParentNotifiedPressFocusesTheWindowUnderThePointer) {
    auto seeThrough = makeChild(*root, 100, 60, 50, 40, 0, kChildVisible, WS_EX_TRANSPARENT);
    struct Case {
        const char* what;
        int x, y;         // in the root's client area
        TavWnd* focused;  // who has the focus afterwards
        bool rootPressed; // whether the root took the press itself
    };
    const Case cases[] = {
        {"over a child", 20, 20, a.get(), false},
        {"over a see-through child", 110, 70, root.get(), true},
        {"over the root", 190, 140, root.get(), true},
    };
    for (const Case& c : cases) {
        TavWnd::setFocusedWindow(nullptr);
        root->events.clear();
        a->events.clear();
        LRESULT r = SendMessageW(root->handle(), WM_PARENTNOTIFY, WM_LBUTTONDOWN, point(c.x, c.y));
        EXPECT_EQ(TavWnd::focusedWindow(), c.focused) << c.what;
        EXPECT_EQ(root->events == Events{"down"}, c.rootPressed) << c.what;
        EXPECT_TRUE(a->events.empty()) << c.what; // the child's own press comes from the platform
        if (!c.rootPressed) {
            EXPECT_EQ(r, 1) << c.what;
        }
        SendMessageW(root->handle(), WM_LBUTTONUP, 0, point(c.x, c.y));
    }
}

TEST_F(RoutingTest, ContextMenuIsLeftToAVisibleChildUnderThePoint) {
    POINT inA = screenPoint(a->handle(), 5, 5);
    POINT outside = screenPoint(root->handle(), 190, 140);
    SendMessageW(root->handle(), WM_CONTEXTMENU, 0, point(inA.x, inA.y));
    EXPECT_TRUE(root->events.empty());
    SendMessageW(root->handle(), WM_CONTEXTMENU, 0, point(outside.x, outside.y));
    EXPECT_EQ(root->events, (Events{"context"}));
}

TEST_F(RoutingTest, WheelReachesTheFocusedWindowOnce) {
    auto inner = makeChild(*a, 2, 2, 10, 10, 0);
    inner->takeFocus();
    SendMessageW(inner->handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), point(110, 110));
    EXPECT_EQ(inner->wheelCalls, 1);
    EXPECT_EQ(a->wheelCalls, 0);
}

TEST_F(RoutingTest, SetCursorInAChildEndsWithTheChildsCursor) {
    a->setCursorKind(kCursorHand);
    LRESULT r = SendMessageW(a->handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(a->handle()),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(a->cursorKind(), kCursorHand);
}

TEST_F(RoutingTest, PreTranslateHookAsksTheWindowsObject) {
    MSG msg{a->handle(), WM_KEYDOWN, 'A', 0};
    EXPECT_FALSE(TavWnd::preTranslateHook(&msg));
    a->swallow = TRUE;
    EXPECT_TRUE(TavWnd::preTranslateHook(&msg));
    EXPECT_EQ(a->preTranslated, 2);
    MSG foreign{GetDesktopWindow(), WM_KEYDOWN, 'A', 0};
    EXPECT_FALSE(TavWnd::preTranslateHook(&foreign));
    EXPECT_FALSE(TavWnd::preTranslateHook(nullptr));
}

TEST(WndThreads, WorkerRedrawRequestIsServedOnTheGuiThread) {
    auto root = makeRoot(50, 50, 60, 40, 0xFF102030);
    auto child = makeChild(*root, 5, 5, 10, 10, 0xFFFFFFFF);
    ASSERT_TRUE(root->redrawAll());
    root->color = 0xFF405060;
    root->renders = 0;
    HWND target = root->handle();
    std::thread worker([target] {
        for (int i = 0; i < 5; ++i) TavWnd::postRedrawRequest(target);
        RECT part{0, 0, 4, 4};
        TavWnd::postRedrawRequest(target, &part);
    });
    worker.join();
    EXPECT_EQ(root->renders, 0); // nothing happened off the GUI thread
    pump();
    EXPECT_EQ(root->renders, 1); // the queued requests were served by one redraw
    EXPECT_EQ(root->renderThread, GetCurrentThreadId());
    EXPECT_EQ(root->backBuffer().at(30, 30), premultiply(0xFF405060));
}
