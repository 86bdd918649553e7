// Pop-up menu chains as real windows: submenus opened by hovering, chains closed by focus
// changes, commands sent to the target after the chain has closed, and self-destruction.
#include "menu_support.h"

#include "TavWndMenuItem.h"
#include "TavWndMenuWithShadow.h"

using namespace menutest;

namespace {

// A shadowed menu that counts how often it is shown without activation (a submenu opening) and
// records the notifications its command operation sees.
class CountingMenu : public TavWndMenuWithShadow {
public:
    explicit CountingMenu(bool* destroyed = nullptr) : destroyed_(destroyed) {}
    ~CountingMenu() override {
        if (destroyed_) *destroyed_ = true;
    }
    int opens = 0;       // times it went from hidden to shown
    RECT firstShownAt{}; // where it was when it first showed
    std::vector<UINT> commands;
    void show(int command) override {
        if (command == SW_SHOWNOACTIVATE && !visible() && ++opens == 1)
            GetWindowRect(handle(), &firstShownAt);
        TavWndMenuWithShadow::show(command);
    }
    LRESULT onCommand(UINT message, WPARAM, LPARAM) override {
        commands.push_back(message);
        return 0;
    }
    bool visible() const { return handle() && IsWindowVisible(handle()); }

private:
    bool* destroyed_;
};

class MenuChainTest : public ::testing::Test {
protected:
    void SetUp() override {
        TavWnd::setFocusedWindow(nullptr);
        makeTopLevel(target, 700, 400, 40, 40);
        makeTopLevel(other, 700, 500, 40, 40);
        buildMenu(
            root, rootItems,
            {{30210, L"添加", L"addnote.png"}, {30218, L"隐藏", nullptr}, {30202, L"删除", L"delete.png"}},
            200, 150);
        buildMenu(subA, subAItems, {{31000, L"系统分组", nullptr}, {31001, L"工作", nullptr}}, 0, 0);
        buildMenu(subB, subBItems, {{31200, L"无分组", nullptr}}, 0, 0);
        buildMenu(subC, subCItems, {{31100, L"第三层", nullptr}}, 0, 0);
        subA.registerSubmenu(31001, &subC);
        root.registerSubmenu(30210, &subA);
        root.setCommandTarget(target.handle());
        root.registerSubmenu(30202, &subB);
        target.probe = [this](const Note&) {
            rootVisibleAtCommand = root.visible();
            subVisibleAtCommand = subA.visible() || subB.visible() || subC.visible();
        };
        openRoot();
    }
    void TearDown() override {
        ReleaseCapture();
        TavWnd::setFocusedWindow(nullptr);
        pump();
    }
    void openRoot() {
        root.show(SW_SHOWNA);
        if (root.redrawAll()) root.present();
    }
    TavWndMenuItem* item(std::vector<std::unique_ptr<TavWndMenuItem>>& items, int id) {
        return itemOf(items, id);
    }
    void hover(TavWndMenuItem* i) { SendMessageW(i->handle(), WM_MOUSEHOVER, 0, at(5, 5)); }
    void click(TavWndMenuItem* i, int releaseX = 6, int releaseY = 6) {
        SendMessageW(i->handle(), WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
        SendMessageW(i->handle(), WM_LBUTTONUP, 0, at(releaseX, releaseY));
    }

    RecorderWnd target, other;
    CountingMenu root, subA, subB, subC;
    std::vector<std::unique_ptr<TavWndMenuItem>> rootItems, subAItems, subBItems, subCItems;
    bool rootVisibleAtCommand = true;
    bool subVisibleAtCommand = true;
};

} // namespace

TEST_F(MenuChainTest, TargetAndParentArePassedToSubmenus) {
    EXPECT_EQ(subA.commandTarget(), target.handle());
    EXPECT_EQ(subB.commandTarget(), target.handle()); // registered after the target was set
    EXPECT_EQ(subA.parentMenu(), &root);
    root.setCommandTarget(other.handle());
    EXPECT_EQ(subB.commandTarget(), other.handle());
    {
        CountingMenu shortLived;
        std::vector<std::unique_ptr<TavWndMenuItem>> items;
        buildMenu(shortLived, items, {{1, L"x", nullptr}}, 0, 0);
        root.registerSubmenu(30218, &shortLived);
        EXPECT_EQ(root.submenus().size(), 3u);
    }
    // A submenu that is gone is no longer registered.
    EXPECT_EQ(root.submenus().size(), 2u);
}

TEST_F(MenuChainTest, HoveringOpensOnlyTheCurrentItemsSubmenu) {
    struct Step {
        const char* name;
        int item;
        TavWndMenu* open;
        bool aVisible, bVisible;
        int aOpens, bOpens;
    };
    const Step steps[] = {
        {"first item opens its submenu", 30210, &subA, true, false, 1, 0},
        {"the open one is not reopened", 30210, &subA, true, false, 1, 0},
        {"an item without a submenu closes it", 30218, nullptr, false, false, 1, 0},
        {"third item opens the other", 30202, &subB, false, true, 1, 1},
        {"back to the first", 30210, &subA, true, false, 2, 1},
    };
    for (const Step& s : steps) {
        hover(item(rootItems, s.item));
        EXPECT_EQ(root.openSubmenu(), s.open) << s.name;
        EXPECT_EQ(subA.visible(), s.aVisible) << s.name;
        EXPECT_EQ(subB.visible(), s.bVisible) << s.name;
        EXPECT_EQ(subA.opens, s.aOpens) << s.name;
        EXPECT_EQ(subB.opens, s.bOpens) << s.name;
    }
    EXPECT_TRUE(root.visible());

    // The submenu's body meets the hovered item: left by the shadow, up by shadow + offset.
    RECT itemRect, subRect;
    GetWindowRect(item(rootItems, 30210)->handle(), &itemRect);
    GetWindowRect(subA.handle(), &subRect);
    EXPECT_EQ(subRect.left, itemRect.right - 3);
    EXPECT_EQ(subRect.top, itemRect.top - 6);
    // It showed there: placed while hidden, never shown first where it was made.
    EXPECT_TRUE(EqualRect(&subA.firstShownAt, &subRect))
        << subA.firstShownAt.left << "," << subA.firstShownAt.top << " vs " << subRect.left << ","
        << subRect.top;
}

TEST_F(MenuChainTest, FocusLeavingTheChainClosesItRootIncluded) {
    enum class Start { RootItem, SubmenuItem, MenuActivation };
    struct Case {
        const char* name;
        Start start;
    };
    const Case cases[] = {
        {"focus on a root item", Start::RootItem},
        {"focus on a submenu item", Start::SubmenuItem},
        {"menu deactivated", Start::MenuActivation},
    };
    for (const Case& c : cases) {
        openRoot();
        hover(item(rootItems, 30210));
        ASSERT_TRUE(subA.visible()) << c.name;
        switch (c.start) {
        case Start::RootItem:
            TavWnd::setFocusedWindow(item(rootItems, 30218));
            break;
        case Start::SubmenuItem:
            TavWnd::setFocusedWindow(item(subAItems, 31000));
            break;
        case Start::MenuActivation:
            TavWnd::setFocusedWindow(nullptr);
            break;
        }
        if (c.start == Start::MenuActivation) {
            SendMessageW(root.handle(), WM_ACTIVATE, WA_INACTIVE, LPARAM(other.handle()));
        } else {
            // A press in another window moves the framework focus there.
            SendMessageW(other.handle(), WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
            SendMessageW(other.handle(), WM_LBUTTONUP, 0, at(5, 5));
            EXPECT_EQ(TavWnd::focusedWindow(), &other) << c.name;
        }
        EXPECT_FALSE(subA.visible()) << c.name;
        EXPECT_FALSE(root.visible()) << c.name;
    }
    EXPECT_TRUE(target.notes.empty());
}

TEST_F(MenuChainTest, FocusMovingInsideTheChainKeepsItOpen) {
    hover(item(rootItems, 30210));
    TavWnd::setFocusedWindow(item(rootItems, 30210));
    TavWndMenuItem* inner = item(subAItems, 31001);
    SendMessageW(inner->handle(), WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
    EXPECT_EQ(TavWnd::focusedWindow(), inner);
    EXPECT_TRUE(root.visible());
    EXPECT_TRUE(subA.visible());
    // Released outside the item: no command, the chain stays.
    SendMessageW(inner->handle(), WM_LBUTTONUP, 0, at(-30, 5));
    EXPECT_TRUE(root.visible());
    EXPECT_TRUE(subA.visible());
    EXPECT_TRUE(target.notes.empty());
}

TEST_F(MenuChainTest, ChoosingAnItemSendsOneCommandAfterTheChainClosed) {
    enum class From { Root, Submenu, ThirdLevel };
    struct Case {
        const char* name;
        From from;
        int item;
    };
    const Case cases[] = {
        {"submenu item", From::Submenu, 31001},
        {"root item", From::Root, 30218},
        {"third-level item", From::ThirdLevel, 31100},
    };
    for (const Case& c : cases) {
        target.notes.clear();
        rootVisibleAtCommand = subVisibleAtCommand = true;
        openRoot();
        hover(item(rootItems, 30210));
        ASSERT_TRUE(subA.visible()) << c.name;
        if (c.from == From::ThirdLevel) {
            hover(item(subAItems, 31001));
            ASSERT_TRUE(subC.visible()) << c.name;
        }
        subA.commands.clear();
        subC.commands.clear();
        root.commands.clear();
        auto& items = c.from == From::Root ? rootItems : c.from == From::Submenu ? subAItems : subCItems;
        click(item(items, c.item));

        ASSERT_EQ(target.notes.size(), 1u) << c.name;
        EXPECT_EQ(target.notes[0].message, UINT(kTavMsgCommand)) << c.name;
        EXPECT_EQ(target.notes[0].wParam, WPARAM(c.item)) << c.name;
        EXPECT_EQ(target.notes[0].lParam, 0) << c.name;
        EXPECT_FALSE(rootVisibleAtCommand) << c.name;
        EXPECT_FALSE(subVisibleAtCommand) << c.name;
        EXPECT_FALSE(root.visible()) << c.name;
        EXPECT_FALSE(subA.visible()) << c.name;
        EXPECT_FALSE(subC.visible()) << c.name;
        // The menu of the item saw the click notification before the command.
        auto& seen = c.from == From::Root      ? root.commands
                     : c.from == From::Submenu ? subA.commands
                                               : subC.commands;
        EXPECT_EQ(seen, (std::vector<UINT>{kTavMsgButtonClicked, kTavMsgCommand})) << c.name;
    }
}

TEST_F(MenuChainTest, PoppedUpMenuClosesWhenAnotherWindowIsActivated) {
    root.close();
    root.popUp(220, 160);
    ASSERT_TRUE(root.visible());
    EXPECT_EQ(GetForegroundWindow(), root.handle());
    hover(item(rootItems, 30202));
    ASSERT_TRUE(subB.visible());
    // The platform's own activation change, not a framework press.
    SetForegroundWindow(other.handle());
    pump();
    EXPECT_FALSE(root.visible());
    EXPECT_FALSE(subB.visible());
    EXPECT_TRUE(target.notes.empty());
}

TEST_F(MenuChainTest, CommandWithoutTargetIsDropped) {
    root.setCommandTarget(nullptr);
    click(item(rootItems, 30218));
    EXPECT_FALSE(root.visible());
    EXPECT_TRUE(target.notes.empty());
}

TEST(MenuSelfDestruction, HiddenMenuDeletesItselfOnceNoSubmenuIsOpen) {
    bool destroyed = false;
    auto* menu = new CountingMenu(&destroyed);
    std::vector<std::unique_ptr<TavWndMenuItem>> items;
    buildMenu(*menu, items, {{30210, L"添加", nullptr}}, 100, 100);
    CountingMenu sub;
    std::vector<std::unique_ptr<TavWndMenuItem>> subItems;
    buildMenu(sub, subItems, {{31000, L"系统分组", nullptr}}, 0, 0);
    menu->registerSubmenu(30210, &sub);
    menu->show(SW_SHOWNA);
    menu->startSelfDestruction();
    HWND h = menu->handle();

    auto tick = [h] { SendMessageW(h, WM_TIMER, TavWndMenu::kSelfDestructionTimer, 0); };
    tick();
    EXPECT_FALSE(destroyed) << "still shown";

    SendMessageW(items[0]->handle(), WM_MOUSEHOVER, 0, at(5, 5));
    ASSERT_TRUE(IsWindowVisible(sub.handle()));
    menu->close();
    tick();
    EXPECT_FALSE(destroyed) << "a submenu is still open";

    sub.close();
    items.clear(); // the items go first: they are the menu's children
    tick();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(sub.parentMenu(), nullptr);
}
