// The editor as a movable block: off by default (an input field stays put); with dragging on,
// the frame lies around the block while it has the focus, a press on the frame moves the block
// and a press in the text places the caret.
#include <gtest/gtest.h>

#include "TavRichEdit.h"
#include "TestPanel.h"
#include "TestWait.h"

#include <memory>

namespace {

struct BlockFixture {
    std::unique_ptr<TestPanel> panel = std::make_unique<TestPanel>(0xFFFFFFF0);
    std::unique_ptr<TavRichEdit> edit = std::make_unique<TavRichEdit>();
    explicit BlockFixture(bool movable) {
        EXPECT_TRUE(
            panel->create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 100, 100, 400, 300, nullptr));
        panel->show(SW_SHOWNA);
        edit->setDragEnabled(movable);
        EXPECT_TRUE(edit->create(0, L"", 0, WS_CHILD | WS_VISIBLE, 50, 50, 200, 80, panel->handle()));
        edit->doc().setCurrentFont(L"DejaVu Sans", 16, 0);
        edit->doc().setCurrentColor(0xFF2040C0);
        edit->insertText(L"hello world");
        panel->redrawAll();
        panel->present();
        pump();
    }
    ~BlockFixture() {
        edit.reset();
        panel.reset();
        pump();
    }
    RECT placeInPanel() const {
        RECT r{};
        GetWindowRect(edit->handle(), &r);
        MapWindowPoints(nullptr, panel->handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // A press at a client point of the block, a drag by (dx, dy) and the release.
    void drag(POINT from, int dx, int dy) {
        HWND h = edit->handle();
        SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(from.x, from.y));
        SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        for (int step = 1; step <= 4; ++step)
            SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON,
                         MAKELPARAM(from.x + dx * step / 4, from.y + dy * step / 4));
        SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(from.x + dx, from.y + dy));
        pump();
    }
};

} // namespace

TEST(EditorBlock, AFieldNeitherShowsAFrameNorMoves) {
    BlockFixture f(false);
    EXPECT_FALSE(f.edit->dragEnabled());
    EXPECT_FALSE(f.edit->resizeEnabled());
    f.edit->takeFocus();
    EXPECT_FALSE(f.edit->frameShown());
    const RECT before = f.placeInPanel();
    f.drag(POINT{1, 40}, 30, 20);
    const RECT after = f.placeInPanel();
    EXPECT_TRUE(EqualRect(&before, &after));
}

TEST(EditorBlock, TheFrameOfTheActiveBlockMovesItAndTheTextTakesTheCaret) {
    struct Case {
        const char* name;
        POINT press; // client point of the block
        bool moves;
    };
    const Case cases[] = {
        {"the left edge", {1, 40}, true},
        {"the bottom edge", {100, 78}, true},
        {"inside the text", {60, 15}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BlockFixture f(true);
        // Inactive: no frame; an edge press places the caret like any other.
        EXPECT_FALSE(f.edit->frameShown());
        f.edit->takeFocus();
        ASSERT_TRUE(f.edit->frameShown());
        ASSERT_TRUE(TavWndMoveResize::outlineVisible());
        EXPECT_EQ(TavWndMoveResize::outlineOwner(), f.edit.get());
        RECT screen{};
        GetWindowRect(f.edit->handle(), &screen);
        RECT frame = TavWndMoveResize::outlineRect();
        EXPECT_TRUE(EqualRect(&frame, &screen));
        const RECT before = f.placeInPanel();
        f.edit->doc().setSelection(TavTextPos{0, 0}, TavTextPos{0, 0});
        f.drag(c.press, 30, 20);
        const RECT after = f.placeInPanel();
        if (c.moves) {
            EXPECT_EQ(after.left, before.left + 30);
            EXPECT_EQ(after.top, before.top + 20);
            EXPECT_EQ(after.right - after.left, before.right - before.left);
            // The frame comes back around the block's new place.
            GetWindowRect(f.edit->handle(), &screen);
            frame = TavWndMoveResize::outlineRect();
            EXPECT_TRUE(EqualRect(&frame, &screen));
            EXPECT_TRUE(TavWndMoveResize::outlineVisible());
            EXPECT_FALSE(f.edit->doc().hasSelection());
        } else {
            EXPECT_TRUE(EqualRect(&before, &after));
            EXPECT_TRUE(f.edit->doc().hasSelection());
        }
        // Losing the focus takes the frame away.
        f.edit->loseFocus(nullptr);
        EXPECT_FALSE(f.edit->frameShown());
        EXPECT_FALSE(TavWndMoveResize::outlineVisible());
    }
}
