// Real pointer input (synthesised through the platform) on a presented layered window tree:
// hover tracking, press, release and click as the user produces them.
#include "wnd_support.h"

#include <algorithm>
#include <functional>

using namespace wndtest;

namespace {

void mouseButton(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

} // namespace

TEST(WndInput, PointerMovedInIsTrackedOnceAndAPressReleaseClicks) {
    auto root = makeRoot(500, 300, 160, 120, 0xFF808080, kLayeredEx | WS_EX_TOPMOST);
    auto child = makeChild(*root, 20, 20, 60, 50, 0xFFFF0000);
    auto other = makeChild(*root, 100, 20, 40, 50, 0xFF00FF00);
    ASSERT_TRUE(root->redrawAll());
    root->present();
    pump();
    SetCursorPos(0, 0);
    pump();

    long before = TavWnd::trackingRequestCount();
    POINT in = screenPoint(child->handle(), 10, 10);
    SetCursorPos(in.x, in.y);
    SetCursorPos(in.x + 3, in.y + 2);
    ASSERT_TRUE(waitFor([&] {
        return std::find(child->events.begin(), child->events.end(), "hover") != child->events.end();
    })) << "no hover arrived";
    // Two moves inside the window before the hover came: one request.
    EXPECT_EQ(TavWnd::trackingRequestCount() - before, 1);

    child->events.clear();
    mouseButton(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(waitFor([&] { return child->pressFlag(); })) << "no press arrived";
    EXPECT_EQ(TavWnd::focusedWindow(), child.get());
    mouseButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(waitFor([&] { return !child->pressFlag(); })) << "no release arrived";
    EXPECT_EQ(child->events, (std::vector<std::string>{"down", "up", "click"}));

    // Pressed in the child, released over the other window: the child gets the release and
    // there is no click anywhere. (Pressed away from the first click, so that it is not taken
    // for the second half of a double click.)
    child->events.clear();
    SetCursorPos(in.x + 25, in.y + 25);
    mouseButton(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(waitFor([&] { return child->pressFlag(); }));
    POINT over = screenPoint(other->handle(), 10, 10);
    SetCursorPos(over.x, over.y);
    mouseButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(waitFor([&] { return !child->pressFlag(); }));
    EXPECT_EQ(child->events, (std::vector<std::string>{"down", "up"}));
    EXPECT_EQ(std::count(other->events.begin(), other->events.end(), "click"), 0);
    SetCursorPos(0, 0);
    pump();
}
