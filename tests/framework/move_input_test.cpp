// Real pointer input: xdotool, started as a Unix program through Wine's "start /unix", moves and
// presses the X server's pointer; Wine turns that into the window messages of a real drag. The
// screen is saved as "move_drag_outline.png" (mid-drag) and "move_drag_done.png" for a person to
// look at.
#include "move_support.h"

#include "ImageFiles.h"
#include "ScreenCapture.h"
#include "UnixTools.h"

#include <string>

using namespace movetest;
using unixtools::xdotool;

namespace {

bool sameRect(const RECT& a, int l, int t, int r, int b) {
    return a.left == l && a.top == t && a.right == r && a.bottom == b;
}

COLORREF screenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

} // namespace

TEST(MoveInput, DragMovesResizesAndAClickLeavesTheWindow) {
    REQUIRE_TOOL(L"/usr/bin/xdotool");
    auto wnd = makeMovable(300, 200, 200, 140, 0xFF3060A0);
    pump();
    ASSERT_TRUE(xdotool(L"mousemove 700 600"));

    // Press in the drag area and move: the outline follows, the window stays.
    ASSERT_TRUE(xdotool(L"mousemove 400 260 sleep 0.1 mousedown 1 sleep 0.1 mousemove 430 280 sleep 0.1 "
                        L"mousemove 460 300 sleep 0.1"));
    EXPECT_TRUE(waitFor([&] {
        return TavWndMoveResize::outlineVisible() &&
               sameRect(TavWndMoveResize::outlineRect(), 360, 240, 560, 380);
    }));
    EXPECT_TRUE(sameRect(rectOf(wnd->handle()), 300, 200, 500, 340));
    EXPECT_EQ(wnd->cursorKind(), kCursorSizeAll);
    // The outline's bottom edge is drawn in the accent color below the window.
    EXPECT_TRUE(waitFor([] { return screenPixel(450, 379) != screenPixel(450, 385); }));
    EXPECT_TRUE(saveScreenPng(L"move_drag_outline.png"));

    // Release: the window jumps to the outline, which goes.
    ASSERT_TRUE(xdotool(L"mouseup 1 sleep 0.1"));
    EXPECT_TRUE(waitFor([&] { return sameRect(rectOf(wnd->handle()), 360, 240, 560, 380); }));
    EXPECT_FALSE(TavWndMoveResize::outlineVisible());
    EXPECT_EQ(wnd->geometryChanges, 1);

    // Resize from the bottom-right corner.
    ASSERT_TRUE(xdotool(L"mousemove 557 377 sleep 0.2 mousedown 1 sleep 0.1 mousemove 577 397 sleep 0.1 "
                        L"mousemove 597 407 sleep 0.1 mouseup 1 sleep 0.1"));
    EXPECT_TRUE(waitFor([&] { return sameRect(rectOf(wnd->handle()), 360, 240, 600, 410); }));
    EXPECT_EQ(wnd->geometryChanges, 2);
    // The grown window is drawn in its color right up to its new corner.
    EXPECT_TRUE(waitFor([] { return screenPixel(595, 405) == RGB(0x30, 0x60, 0xA0); }))
        << std::hex << screenPixel(595, 405);
    EXPECT_TRUE(saveScreenPng(L"move_drag_done.png"));

    // A click without moving leaves the window where it is: looked at once the release is handled.
    const int releases = wnd->releases;
    ASSERT_TRUE(xdotool(L"mousemove 450 300 sleep 0.1 mousedown 1 sleep 0.1 mouseup 1 sleep 0.1"));
    ASSERT_TRUE(waitFor([&] { return wnd->releases > releases; })) << "the click did not arrive";
    pump();
    EXPECT_TRUE(sameRect(rectOf(wnd->handle()), 360, 240, 600, 410));
    EXPECT_EQ(wnd->geometryChanges, 2);
    EXPECT_FALSE(TavWndMoveResize::outlineVisible());
    TavWnd::setFocusedWindow(nullptr);
}
