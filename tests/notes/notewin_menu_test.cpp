// The note menu and the tray menu as built windows: their items in order, the check images of
// the placement toggles, the opacity slider and the group submenus.
#include "notewin_support.h"

#include "AppPaths.h"
#include "TavNoteItem.h"
#include "TavNoteMain.h"
#include "TavNoteMenu.h"
#include "TavNoteMenuTray.h"

using namespace notewin;

namespace {

std::vector<int> itemIds(const TavNoteMenu& menu) {
    std::vector<int> ids;
    for (const auto& def : menu.itemDefs()) ids.push_back(def.id);
    return ids;
}

using NoteMenuTest = NoteWindowTest;

TEST_F(NoteMenuTest, NoteMenuShowsTheStateOfItsNoteAndTheSliderSetsTheOpacity) {
    prepareNote(L"m", 0, RECT{100, 100, 280, 280});
    TavNoteItem note(L"m");
    ASSERT_TRUE(note.create(0, L"", TavNoteItem::kExStyle, TavNoteItem::kStyle, 0, 0, 180, 180, nullptr));
    struct Case {
        const char* what;
        bool toDesk, topMost;
    } cases[] = {{"embedded", true, false}, {"top-most", false, true}, {"neither", false, false}};
    for (const Case& c : cases) {
        TavNoteMenuNote menu;
        menu.setOpacity(200);
        menu.setChecked(kCmdNoteToDesk, c.toDesk);
        menu.setChecked(kCmdNoteTopMost, c.topMost);
        menu.setGroups({L"工作"});
        ASSERT_TRUE(menu.build(L"子标签窗口菜单", note.handle())) << c.what;
        EXPECT_EQ(itemIds(menu), (std::vector<int>{30210, 30218, 30202, 30214, 30201, 30206, 30212, 30213,
                                                   30205, 30203, 30208, 30207, 30211, 30204}))
            << c.what;
        EXPECT_EQ(menu.item(kCmdNoteToDesk)->checked(), c.toDesk) << c.what;
        EXPECT_EQ(menu.item(kCmdNoteTopMost)->checked(), c.topMost) << c.what;
        EXPECT_EQ(menu.item(kCmdNoteAdd)->icon(), L"addnote.png") << c.what;
        // The slider's position is the transparency.
        EXPECT_EQ(menu.slider().value(), 55) << c.what;
        EXPECT_EQ(itemIds(menu.groupMenu()), (std::vector<int>{31000, 31001})) << c.what;
        EXPECT_EQ(menu.submenus().count(kCmdNoteAdd), 1u) << c.what;
    }
    TavNoteMenuNote menu;
    ASSERT_TRUE(menu.build(L"子标签窗口菜单", note.handle()));
    menu.slider().setValue(100);
    menu.slider().onValueChanged();
    pump();
    EXPECT_EQ(note.opacity(), 155);
    EXPECT_EQ(note.store().LoadAlpha().value_or(-1), 155);
}

// A group submenu is as wide as its longest name, within the work area; a name longer than that
// ends in "…".
TEST_F(NoteMenuTest, AGroupMenuIsAsWideAsItsLongestName) {
    const std::wstring longName = L"这是一个很长很长的分组名字，用来检查菜单宽度";
    TavNoteMenuTray menu({L"工作", longName, std::wstring(3000, L'长')});
    ASSERT_TRUE(menu.build(L"系统托盘菜单", nullptr));
    TavNoteMenu& groups = menu.groupMenu();
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(groups.width() + 2 * groups.shadowWidth(), work.right - work.left);
    EXPECT_EQ(groups.item(kCmdGroupFirst + 1)->caption(), longName) << "the long name is shown whole";
    const std::wstring huge = groups.item(kCmdGroupFirst + 2)->caption();
    EXPECT_LT(huge.size(), 3000u);
    EXPECT_EQ(huge.back(), L'…');
    EXPECT_EQ(menu.width(), TavNoteMenu::kWidth) << "the tray menu's own texts are short";
}

TEST_F(NoteMenuTest, TrayMenuItemsHelpSubmenuAndGroupEntries) {
    TavNoteMenuTray menu({L"工作", L"生活"});
    ASSERT_TRUE(menu.build(L"系统托盘菜单", nullptr));
    EXPECT_EQ(menu.objectId(), kTrayMenuId);
    EXPECT_EQ(itemIds(menu), (std::vector<int>{30102, 30104, 30105, 30103}));
    EXPECT_EQ(itemIds(menu.helpMenu()), (std::vector<int>{30108, 30107}));
    EXPECT_EQ(menu.helpMenu().itemDefs()[1].text, L"关于 TavNote");
    EXPECT_EQ(itemIds(menu.groupMenu()), (std::vector<int>{31000, 31001, 31002}));
    EXPECT_EQ(menu.submenus().size(), 2u);

    // Items that open a submenu ("添加便签", "帮助") show an arrow at their right end; the others
    // show none.
    for (int id : {kCmdMainNewNote, kCmdMainManager, kCmdMainHelpMenu, kCmdMainExit}) {
        TavNoteMenuItem* entry = menu.item(id);
        ASSERT_NE(entry, nullptr);
        const bool opens = id == kCmdMainNewNote || id == kCmdMainHelpMenu;
        EXPECT_EQ(entry->opensSubmenu(), opens) << id;
        TavMemDC face = entry->renderSelf();
        ASSERT_TRUE(face.ok());
        const int tipX = face.width() - TavNoteMenuItem::kArrowRight, midY = face.height() / 2;
        EXPECT_EQ(face.at(tipX, midY) == TavNoteMenuItem::kArrowColor, opens) << id;
        EXPECT_EQ(face.at(tipX - 3, midY - 3) == TavNoteMenuItem::kArrowColor, opens) << id;
    }
}

} // namespace
