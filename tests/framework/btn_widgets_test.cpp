// Buttons, scroll bars and sliders as real child windows, driven by messages.
#include "menu_support.h"

#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "TavWndBt.h"
#include "TavWndScrollBar.h"
#include "TavWndSlider.h"

using namespace menutest;

namespace {

class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        makeTopLevel(parent, 100, 100, 300, 260);
        makeTopLevel(other, 500, 100, 60, 60);
        TavWnd::setFocusedWindow(nullptr);
    }
    void TearDown() override {
        ReleaseCapture();
        TavWnd::setFocusedWindow(nullptr);
        pump();
    }
    RecorderWnd parent;
    RecorderWnd other;
};

WPARAM wheel(int delta) { return MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))); }

class CountingSlider : public TavWndSlider {
public:
    using TavWndSlider::TavWndSlider;
    int changes = 0;
    void onValueChanged() override { ++changes; }
};

// A view that records what its pre-translate operation saw and swallows it.
class ViewWnd : public RecorderWnd {
public:
    std::vector<MSG> seen;
    BOOL preTranslateMessage(MSG* message) override {
        seen.push_back(*message);
        return TRUE;
    }
};

} // namespace

TEST_F(WidgetTest, ButtonClickNotifiesTheParentOnlyForReleaseInside) {
    TavWndBt button;
    ASSERT_TRUE(button.create(0, L"确定", 0, kChildVisible, 10, 10, 80, 24, parent.handle()));
    HWND h = button.handle();

    SendMessageW(h, WM_MOUSEHOVER, 0, at(5, 5));
    EXPECT_TRUE(button.isHot());
    EXPECT_EQ(button.cursorKind(), kCursorHand);

    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
    EXPECT_TRUE(button.isPressed());
    SendMessageW(h, WM_LBUTTONUP, 0, at(6, 6));
    EXPECT_FALSE(button.isPressed());
    ASSERT_EQ(parent.count(kTavMsgButtonClicked), 1u);
    EXPECT_EQ(parent.notes.back().wParam, WPARAM(button.objectId()));
    EXPECT_EQ(parent.notes.back().lParam, 0);

    // Pressed inside, released outside the client area: no click.
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
    SendMessageW(h, WM_LBUTTONUP, 0, at(-20, 70));
    EXPECT_EQ(parent.count(kTavMsgButtonClicked), 1u);

    SendMessageW(h, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button.isHot());
}

TEST_F(WidgetTest, ScrollBarDragsItsThumbAndReportsPositions) {
    TavWndScrollBar bar(1);
    ASSERT_TRUE(bar.create(0, L"", 0, kChildVisible, 0, 0, 20, 200, parent.handle()));
    HWND h = bar.handle();
    EXPECT_EQ(bar.trackLength(), 200);
    bar.setRange(0, 1000);
    EXPECT_EQ(bar.thumbRect().top, 0);
    EXPECT_EQ(bar.thumbRect().bottom, 40);
    EXPECT_EQ(bar.thumbRect().right, 20);

    // Press on the thumb and drag it 20 px down: 20 x 1000 / 200 = 100.
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 10));
    EXPECT_TRUE(bar.isDragging());
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, at(10, 30));
    EXPECT_EQ(bar.position(), 100);
    EXPECT_EQ(bar.thumbRect().top, 20);
    // Sideways only: the position stays.
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, at(60, 30));
    EXPECT_EQ(bar.position(), 100);
    SendMessageW(h, WM_LBUTTONUP, 0, at(60, 30));
    EXPECT_FALSE(bar.isDragging());
    pump();
    ASSERT_EQ(parent.count(kTavMsgScrollChanged), 1u);
    EXPECT_EQ(parent.notes.back().wParam, WPARAM(bar.objectId()));
    EXPECT_EQ(parent.notes.back().lParam, 100);

    // A press beside the thumb starts no drag.
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 150));
    EXPECT_FALSE(bar.isDragging());
    SendMessageW(h, WM_LBUTTONUP, 0, at(10, 150));

    // Wheel turns reach the focused bar: 24 units a notch, never past the ends.
    TavWnd::setFocusedWindow(&bar);
    SendMessageW(h, WM_MOUSEWHEEL, wheel(-120), 0);
    EXPECT_EQ(bar.position(), 124);
    for (int i = 0; i < 10; ++i) SendMessageW(h, WM_MOUSEWHEEL, wheel(120), 0);
    EXPECT_EQ(bar.position(), 0);
    for (int i = 0; i < 40; ++i) SendMessageW(h, WM_MOUSEWHEEL, wheel(-120), 0);
    EXPECT_EQ(bar.position(), 800);
    pump();
    // One report per change: 1 drag, 1 + 6 up (124 -> 0), 34 down (0 -> 800).
    EXPECT_EQ(parent.count(kTavMsgScrollChanged), 1u + 1u + 6u + 34u);
    EXPECT_EQ(parent.notes.back().lParam, 800);
}

TEST_F(WidgetTest, ScrollBarWhoseContentFitsIgnoresPresses) {
    TavWndScrollBar bar(0); // horizontal
    ASSERT_TRUE(bar.create(0, L"", 0, kChildVisible, 0, 0, 200, 20, parent.handle()));
    bar.setRange(0, 150);
    EXPECT_EQ(bar.thumbRect().right - bar.thumbRect().left, 200);
    SendMessageW(bar.handle(), WM_LBUTTONDOWN, MK_LBUTTON, at(50, 10));
    EXPECT_FALSE(bar.isDragging());
    SendMessageW(bar.handle(), WM_MOUSEMOVE, MK_LBUTTON, at(150, 10));
    SendMessageW(bar.handle(), WM_LBUTTONUP, 0, at(150, 10));
    TavWnd::setFocusedWindow(&bar);
    SendMessageW(bar.handle(), WM_MOUSEWHEEL, wheel(-120), 0);
    EXPECT_EQ(bar.position(), 0);
    pump();
    EXPECT_EQ(parent.count(kTavMsgScrollChanged), 0u);
}

TEST_F(WidgetTest, ScrollBarReportsLosingTheFocusExceptToItsParent) {
    TavWndScrollBar bar(1);
    ASSERT_TRUE(bar.create(0, L"", 0, kChildVisible, 0, 0, 20, 200, parent.handle()));
    struct Case {
        const char* name;
        TavWnd* newFocus;
        size_t reports;
    };
    const Case cases[] = {
        {"another window", &other, 1},
        {"no window", nullptr, 1},
        {"its parent", &parent, 0},
    };
    for (const Case& c : cases) {
        parent.notes.clear();
        TavWnd::setFocusedWindow(&bar);
        EXPECT_TRUE(bar.loseFocus(c.newFocus)) << c.name;
        ASSERT_EQ(parent.count(kTavMsgScrollLostFocus), c.reports) << c.name;
        if (c.reports) {
            EXPECT_EQ(parent.notes.back().wParam, WPARAM(bar.objectId())) << c.name;
        }
    }
}

TEST_F(WidgetTest, ScrollBarForwardsMappedMessagesToItsView) {
    ViewWnd view;
    ASSERT_TRUE(view.create(0, L"", 0, kChildVisible, 30, 0, 200, 200, parent.handle()));
    TavWndScrollBar bar(1);
    ASSERT_TRUE(bar.create(0, L"", 0, kChildVisible, 0, 0, 20, 200, parent.handle()));
    bar.forwardMessage(WM_KEYDOWN, view.handle());

    MSG key{bar.handle(), WM_KEYDOWN, VK_DOWN, 0, 0, {}};
    EXPECT_TRUE(TavWnd::preTranslateHook(&key));
    EXPECT_EQ(key.hwnd, view.handle());
    ASSERT_EQ(view.seen.size(), 1u);
    EXPECT_EQ(view.seen[0].wParam, WPARAM(VK_DOWN));

    MSG unmapped{bar.handle(), WM_CHAR, 'a', 0, 0, {}};
    EXPECT_FALSE(TavWnd::preTranslateHook(&unmapped));
    EXPECT_EQ(unmapped.hwnd, bar.handle());

    // Two bars forwarding to each other end the hand-over instead of recursing for ever.
    TavWndScrollBar second(1);
    ASSERT_TRUE(second.create(0, L"", 0, kChildVisible, 250, 0, 20, 200, parent.handle()));
    bar.forwardMessage(WM_KEYUP, second.handle());
    second.forwardMessage(WM_KEYUP, bar.handle());
    MSG loop{bar.handle(), WM_KEYUP, VK_DOWN, 0, 0, {}};
    EXPECT_FALSE(TavWnd::preTranslateHook(&loop));
}

TEST_F(WidgetTest, HorizontalSliderJumpsToThePressAndFollowsTheDrag) {
    CountingSlider slider(0);
    ASSERT_TRUE(slider.create(0, L"", 0, kChildVisible, 10, 10, 220, 30, parent.handle()));
    HWND h = slider.handle();
    slider.setValue(50);
    EXPECT_EQ((slider.thumbRect().left + slider.thumbRect().right) / 2, 110);

    struct Step {
        const char* name;
        UINT message;
        int x, y;
        int value;
        int changes;
    };
    const Step steps[] = {
        {"press away from the thumb jumps", WM_LBUTTONDOWN, 60, 15, 25, 1},
        {"drag to the middle", WM_MOUSEMOVE, 110, 15, 50, 2},
        {"across the axis is ignored", WM_MOUSEMOVE, 110, 28, 50, 2},
        {"drag past the end", WM_MOUSEMOVE, 400, 15, 100, 3},
        {"release", WM_LBUTTONUP, 400, 15, 100, 3},
        {"press before the track", WM_LBUTTONDOWN, 3, 15, 0, 4},
        {"release again", WM_LBUTTONUP, 3, 15, 0, 4},
        {"move without a drag", WM_MOUSEMOVE, 110, 15, 0, 4},
    };
    for (const Step& s : steps) {
        SendMessageW(h, s.message, s.message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at(s.x, s.y));
        EXPECT_EQ(slider.value(), s.value) << s.name;
        EXPECT_EQ(slider.changes, s.changes) << s.name;
    }
    EXPECT_FALSE(slider.isDragging());
}

TEST_F(WidgetTest, VerticalSliderOnlyStartsDraggingOnPress) {
    CountingSlider slider(1);
    ASSERT_TRUE(slider.create(0, L"", 0, kChildVisible, 10, 10, 30, 220, parent.handle()));
    HWND h = slider.handle();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, at(15, 200));
    EXPECT_TRUE(slider.isDragging());
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(slider.changes, 0);
    // Centre 110 on a track from 5 to 215: 100 x 105 / 210 = 50.
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, at(15, 110));
    EXPECT_EQ(slider.value(), 50);
    EXPECT_EQ(slider.changes, 1);
    SendMessageW(h, WM_LBUTTONUP, 0, at(15, 110));
}

TEST_F(WidgetTest, PlainLooksAreSavedForAPersonToLookAt) {
    TavWndBt button;
    ASSERT_TRUE(button.create(0, L"确定", 0, kChildVisible, 10, 10, 80, 26, parent.handle()));
    TavWndScrollBar bar(1);
    ASSERT_TRUE(bar.create(0, L"", 0, kChildVisible, 270, 0, 20, 200, parent.handle()));
    bar.setRange(0, 600);
    bar.setPosition(200);
    TavWndSlider slider(0);
    ASSERT_TRUE(slider.create(0, L"", 0, kChildVisible, 10, 60, 220, 30, parent.handle()));
    slider.setValue(50);
    SendMessageW(button.handle(), WM_MOUSEHOVER, 0, at(5, 5));
    ASSERT_TRUE(parent.redrawAll());

    const TavMemDC& b = parent.backBuffer();
    TavMemDC canvas = createMemoryDC(nullptr, b.width(), b.height(), 0xFFFFFFFF);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(canvas.dc(), 0, 0, b.width(), b.height(), b.dc(), 0, 0, b.width(), b.height(), blend);
    GdiFlush();
    TavGpBitmap bitmap = dcToBitmap(nullptr, canvas.dc(), canvas.width(), canvas.height());
    ASSERT_TRUE(bitmap);
    EXPECT_TRUE(saveBitmapPng(*bitmap, L"btn_screenshot.png"));
    // The thumb (offset 200 x 200 / 600 = 66, length 66) is darker than the track around it.
    EXPECT_NE(b.at(280, 100), b.at(280, 20));
    EXPECT_EQ(b.at(280, 100), b.at(280, 70));
}
