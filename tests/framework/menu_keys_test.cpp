// Menus driven by the keyboard (highlight, choosing, submenus, Escape) and the pointer's way from
// an item to its submenu across the next item, as real windows.
#include "menu_support.h"

#include "TavWndMenuWithShadow.h"

#include <array>

using namespace menutest;

namespace {

enum : int {
    kAdd = 30102,
    kManage = 30104,
    kUnavailable = 30110,
    kHelp = 30105,
    kExit = 30103,
    kSystemGroup = 31000,
    kWork = 31001,
    kLife = 31002,
    kStudy = 31003,
    kHelpFile = 30108,
};

class MenuKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        TavWnd::setFocusedWindow(nullptr);
        makeTopLevel(target, 700, 400, 40, 40);
        buildMenu(root, rootItems,
                  {{kAdd, L"添加便签", L"addnote.png"},
                   {kManage, L"管理", L"manager.png"},
                   {kUnavailable, L"不可用", nullptr, false},
                   {kHelp, L"帮助"},
                   {kExit, L"退出"}},
                  200, 150);
        buildMenu(groups, groupItems,
                  {{kSystemGroup, L"系统分组"}, {kWork, L"工作"}, {kLife, L"生活"}, {kStudy, L"学习"}}, 0, 0);
        buildMenu(help, helpItems, {{kHelpFile, L"帮助文档"}}, 0, 0);
        root.registerSubmenu(kAdd, &groups);
        root.registerSubmenu(kHelp, &help);
        root.setCommandTarget(target.handle());
        target.probe = [this](const Note&) { chainVisibleAtCommand = visible(root) || visible(groups); };
        root.show(SW_SHOWNA);
        if (root.redrawAll()) root.present();
    }
    void TearDown() override {
        ReleaseCapture();
        TavWnd::setFocusedWindow(nullptr);
        pump();
    }
    static bool visible(const TavWnd& w) { return w.handle() && IsWindowVisible(w.handle()); }
    void key(HWND to, WPARAM vk) { SendMessageW(to, WM_KEYDOWN, vk, 1); }
    void keys(HWND to, std::initializer_list<WPARAM> vks) {
        for (WPARAM vk : vks) key(to, vk);
    }
    static int highlighted(const TavWndMenu& menu) {
        TavWndMenuItem* item = menu.highlightedItem();
        return item ? item->objectId() : 0;
    }
    static int hotCount(const std::vector<std::unique_ptr<TavWndMenuItem>>& items) {
        int n = 0;
        for (auto& i : items) n += i->isHot();
        return n;
    }
    std::vector<int> commands() const {
        std::vector<int> ids;
        for (const Note& n : target.notes)
            if (n.message == kTavMsgCommand) ids.push_back(int(n.wParam));
        return ids;
    }

    RecorderWnd target;
    TavWndMenuWithShadow root, groups, help;
    std::vector<std::unique_ptr<TavWndMenuItem>> rootItems, groupItems, helpItems;
    bool chainVisibleAtCommand = true;
};

TEST_F(MenuKeysTest, UpAndDownMoveOverEnabledItemsAndWrap) {
    struct Step {
        WPARAM key;
        int expected;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"down from nothing starts at the top, skips the disabled item, wraps",
         {{VK_DOWN, kAdd},
          {VK_DOWN, kManage},
          {VK_DOWN, kHelp},
          {VK_DOWN, kExit},
          {VK_DOWN, kAdd},
          {VK_UP, kExit}}},
        {"up from nothing starts at the bottom, skips the disabled item, wraps",
         {{VK_UP, kExit}, {VK_UP, kHelp}, {VK_UP, kManage}, {VK_UP, kAdd}, {VK_UP, kExit}}},
    };
    for (const Case& c : cases) {
        for (auto& i : rootItems) i->setHighlighted(false);
        for (const Step& s : c.steps) {
            key(root.handle(), s.key);
            EXPECT_EQ(highlighted(root), s.expected) << c.name;
            EXPECT_EQ(hotCount(rootItems), 1) << c.name;
        }
    }
    EXPECT_FALSE(visible(groups)) << "moving over an item with a submenu does not open it";
    EXPECT_TRUE(target.notes.empty());
}

TEST_F(MenuKeysTest, KeysReachTheMenuFromAnyWindowOfTheChain) {
    // After a press on an item that item holds the focus; in a submenu, the submenu's window.
    key(itemOf(rootItems, kManage)->handle(), VK_DOWN);
    EXPECT_EQ(highlighted(root), kAdd);
    key(root.handle(), VK_RIGHT);
    ASSERT_TRUE(visible(groups));
    key(itemOf(groupItems, kWork)->handle(), VK_DOWN);
    EXPECT_EQ(highlighted(groups), kWork);
    key(groups.handle(), VK_DOWN);
    EXPECT_EQ(highlighted(groups), kLife);
    EXPECT_EQ(highlighted(root), kAdd) << "the parent keeps its item highlighted";
}

TEST_F(MenuKeysTest, EnterOrSpaceSendTheHighlightedItemsCommandAfterTheChainClosed) {
    struct Case {
        const char* name;
        std::vector<WPARAM> keys;
        std::vector<int> commands;
    };
    const Case cases[] = {
        {"Down Down Enter", {VK_DOWN, VK_DOWN, VK_RETURN}, {kManage}},
        {"Space on the first item, which has a submenu", {VK_DOWN, VK_SPACE}, {kAdd}},
        {"in the submenu", {VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}, {kWork}},
        {"nothing highlighted: nothing chosen", {VK_RETURN}, {}},
    };
    for (const Case& c : cases) {
        target.notes.clear();
        chainVisibleAtCommand = true;
        for (auto& i : rootItems) i->setHighlighted(false);
        root.show(SW_SHOWNA);
        for (WPARAM vk : c.keys) key(root.handle(), vk);
        EXPECT_EQ(commands(), c.commands) << c.name;
        if (!c.commands.empty()) {
            EXPECT_FALSE(chainVisibleAtCommand) << c.name;
            EXPECT_FALSE(visible(root)) << c.name;
            EXPECT_FALSE(visible(groups)) << c.name;
        } else {
            EXPECT_TRUE(visible(root)) << c.name;
        }
    }
}

TEST_F(MenuKeysTest, RightOpensTheSubmenuWithItsFirstItemAndLeftClosesIt) {
    keys(root.handle(), {VK_DOWN, VK_RIGHT});
    ASSERT_TRUE(visible(groups));
    EXPECT_EQ(root.openSubmenu(), &groups);
    EXPECT_EQ(highlighted(groups), kSystemGroup);
    EXPECT_EQ(hotCount(groupItems), 1);
    // Beside its item, like a hovered submenu: body left by the shadow, up by shadow + offset.
    RECT itemRect, subRect;
    GetWindowRect(itemOf(rootItems, kAdd)->handle(), &itemRect);
    GetWindowRect(groups.handle(), &subRect);
    EXPECT_EQ(subRect.left, itemRect.right - 3);
    EXPECT_EQ(subRect.top, itemRect.top - 6);

    key(root.handle(), VK_LEFT);
    EXPECT_FALSE(visible(groups));
    EXPECT_TRUE(visible(root));
    EXPECT_EQ(highlighted(root), kAdd);
    key(root.handle(), VK_LEFT);
    EXPECT_TRUE(visible(root)) << "Left in the root menu closes nothing";

    // Right on an item without a submenu does nothing; Down away from an open submenu closes it.
    keys(root.handle(), {VK_DOWN, VK_RIGHT});
    EXPECT_EQ(highlighted(root), kManage);
    EXPECT_FALSE(visible(groups));
    keys(root.handle(), {VK_UP, VK_RIGHT, VK_UP});
    EXPECT_EQ(highlighted(groups), kStudy) << "the keys act in the submenu once it has the highlight";
    key(root.handle(), VK_LEFT);
    key(root.handle(), VK_DOWN);
    EXPECT_EQ(highlighted(root), kManage);
    EXPECT_FALSE(visible(groups));
    EXPECT_TRUE(target.notes.empty());
}

TEST_F(MenuKeysTest, EscapeClosesTheInnermostMenuOnly) {
    enum class Open { ByKey, ByHover, ByKeyFocusInSubmenu };
    struct Case {
        const char* name;
        Open open;
    };
    const Case cases[] = {
        {"submenu opened with Right", Open::ByKey},
        {"submenu opened by hovering its item", Open::ByHover},
        {"the submenu's item holds the focus", Open::ByKeyFocusInSubmenu},
    };
    for (const Case& c : cases) {
        TavWnd::setFocusedWindow(nullptr);
        for (auto& i : rootItems) i->setHighlighted(false);
        root.show(SW_SHOWNA);
        HWND keyWindow = root.handle();
        if (c.open == Open::ByHover) {
            SendMessageW(itemOf(rootItems, kAdd)->handle(), WM_MOUSEHOVER, 0, at(5, 5));
        } else {
            keys(root.handle(), {VK_DOWN, VK_RIGHT});
        }
        ASSERT_TRUE(visible(groups)) << c.name;
        if (c.open == Open::ByKeyFocusInSubmenu) {
            // Pressed on an item and released outside it: the item keeps the focus, nothing chosen.
            TavWndMenuItem* inner = itemOf(groupItems, kWork);
            SendMessageW(inner->handle(), WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
            SendMessageW(inner->handle(), WM_LBUTTONUP, 0, at(-30, 5));
            ASSERT_EQ(TavWnd::focusedWindow(), inner) << c.name;
            keyWindow = inner->handle();
        }
        key(keyWindow, VK_ESCAPE);
        EXPECT_FALSE(visible(groups)) << c.name;
        EXPECT_TRUE(visible(root)) << c.name;
        EXPECT_EQ(highlighted(root), kAdd) << c.name;
        if (c.open == Open::ByKeyFocusInSubmenu) {
            EXPECT_EQ(TavWnd::focusedWindow(), &root) << c.name << ": the focus goes back to the parent";
        }
        // The parent menu answers the keys again.
        key(root.handle(), VK_DOWN);
        EXPECT_EQ(highlighted(root), kManage) << c.name;
        key(root.handle(), VK_ESCAPE);
        EXPECT_FALSE(visible(root)) << c.name;
        EXPECT_FALSE(visible(groups)) << c.name;
    }
    EXPECT_TRUE(target.notes.empty());
}

TEST_F(MenuKeysTest, APoppedUpMenuTakesTheKeyboard) {
    root.close();
    root.popUp(220, 160);
    ASSERT_TRUE(visible(root));
    EXPECT_EQ(GetForegroundWindow(), root.handle());
    EXPECT_EQ(GetFocus(), root.handle());
    // Real key presses, as the system delivers them to the focus window.
    auto press = [](WORD vk) {
        std::array<INPUT, 2> in{};
        for (INPUT& i : in) {
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = vk;
        }
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
    };
    press(VK_DOWN);
    EXPECT_TRUE(waitFor([&] { return highlighted(root) == kAdd; }, 3000)) << "Down did not arrive";
    press(VK_ESCAPE);
    EXPECT_TRUE(waitFor([&] { return !visible(root); }, 3000)) << "Escape did not close the menu";
    EXPECT_TRUE(target.notes.empty());
}

// The pointer's way to the open group submenu (right of "添加便签") across "管理" below it.
class MenuAimTest : public MenuKeysTest {
protected:
    void SetUp() override {
        MenuKeysTest::SetUp();
        root.setClock([this] { return now; });
        root.setSubmenuGraceMs(400);
        move(kAdd, 100, 12);
        hover(kAdd);
        ASSERT_TRUE(visible(groups));
    }
    // A pointer move to the item's client point, as the item reports it.
    void move(int id, int x, int y) {
        SendMessageW(itemOf(rootItems, id)->handle(), WM_MOUSEMOVE, 0, at(x, y));
    }
    void hover(int id) { SendMessageW(itemOf(rootItems, id)->handle(), WM_MOUSEHOVER, 0, at(5, 5)); }
    void leave(int id) { SendMessageW(itemOf(rootItems, id)->handle(), WM_MOUSELEAVE, 0, 0); }
    void timer() { SendMessageW(root.handle(), WM_TIMER, TavWndMenu::kSubmenuAimTimer, 0); }
    // From inside "添加便签" down and right across the top of "管理".
    void diagonal() {
        move(kAdd, 100, 20);
        move(kManage, 120, 2);
    }

    uint64_t now = 5000;
};

TEST_F(MenuAimTest, TheSubmenuStaysOpenWhileThePointerHeadsForIt) {
    diagonal();
    hover(kManage);
    EXPECT_TRUE(visible(groups)) << "crossing the next item closed the submenu";
    EXPECT_EQ(root.openSubmenu(), &groups);
    EXPECT_EQ(root.waitingItemId(), kManage);

    // The pointer arrives in the submenu: the waiting hover is void, even when its time comes.
    SendMessageW(itemOf(groupItems, kWork)->handle(), WM_MOUSEMOVE, 0, at(10, 10));
    EXPECT_EQ(root.waitingItemId(), 0);
    now += 500;
    timer();
    EXPECT_TRUE(visible(groups));
    EXPECT_EQ(root.openSubmenu(), &groups);
}

TEST_F(MenuAimTest, TheItemUnderThePointerWinsAfterTheGraceTimeOrAtOnceWhenNotHeadingThere) {
    enum class Way { DiagonalThenRest, DiagonalThenLeave, StraightDown, DiagonalPastGrace };
    struct Case {
        const char* name;
        Way way;
        bool groupsOpenAfter;
    };
    const Case cases[] = {
        {"diagonal, then resting on the next item past the grace time", Way::DiagonalThenRest, false},
        {"diagonal, then leaving the next item before the time", Way::DiagonalThenLeave, true},
        {"straight down to the next item", Way::StraightDown, false},
        {"still diagonal when the grace time is over", Way::DiagonalPastGrace, false},
    };
    for (const Case& c : cases) {
        move(kAdd, 100, 12);
        hover(kAdd);
        ASSERT_TRUE(visible(groups)) << c.name;
        now += 1000;
        switch (c.way) {
        case Way::DiagonalThenRest:
            diagonal();
            hover(kManage);
            ASSERT_TRUE(visible(groups)) << c.name;
            now += 400;
            timer();
            break;
        case Way::DiagonalThenLeave:
            diagonal();
            hover(kManage);
            leave(kManage);
            now += 400;
            timer();
            break;
        case Way::StraightDown:
            move(kAdd, 100, 20);
            move(kManage, 100, 4);
            hover(kManage);
            break;
        case Way::DiagonalPastGrace:
            diagonal();
            hover(kManage);
            now += 450;
            move(kManage, 124, 3);
            hover(kManage);
            break;
        }
        EXPECT_EQ(visible(groups), c.groupsOpenAfter) << c.name;
        EXPECT_EQ(root.openSubmenu() == &groups, c.groupsOpenAfter) << c.name;
        EXPECT_EQ(root.waitingItemId(), 0) << c.name;
    }
}

} // namespace
