// The tray side of the main window with real windows: a new note's file records its place and
// times, a late hover cannot reopen a submenu of a closed menu, and a restarted shell gets the
// tray icon back.
#include "notewin_support.h"

#include "AppPaths.h"
#include "TavNoteItem.h"
#include "TavNoteMain.h"
#include "TavNoteMenuTray.h"
#include "TavNoteMessageBox.h"

#include <cwctype>

using namespace notewin;

namespace {

using TrayTest = MainWindowTest;

// "2026年12月10日 05时04分03秒"
bool isTimeText(const std::wstring& text) {
    const std::wstring shape = L"dddd年dd月dd日 dd时dd分dd秒";
    if (text.size() != shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == L'd' ? !std::iswdigit(text[i]) : text[i] != shape[i]) return false;
    }
    return true;
}

TEST_F(TrayTest, ANewNoteFromTheTrayWritesItsPlaceAndItsTimes) {
    TavNoteMain& main = start();
    TavNoteItem* note = main.newNote(0);
    ASSERT_NE(note, nullptr);
    const TavNoteStore& store = note->store();
    const int left = GetSystemMetrics(SM_CXSCREEN) - 296;
    EXPECT_EQ(noteElement(store, L"left"), std::to_wstring(left));
    EXPECT_EQ(noteElement(store, L"top"), L"180");
    EXPECT_EQ(noteElement(store, L"right"), std::to_wstring(left + 180));
    EXPECT_EQ(noteElement(store, L"bottom"), L"360");
    EXPECT_TRUE(isTimeText(noteElement(store, L"datetime"))) << noteElement(store, L"datetime");
    EXPECT_TRUE(isTimeText(noteElement(store, L"updatetime"))) << noteElement(store, L"updatetime");

    // A note made beside another one (and so with its look) records its times too.
    TavNoteItem* beside = main.newNote(MAKELPARAM(500, 300));
    ASSERT_NE(beside, nullptr);
    EXPECT_EQ(noteElement(beside->store(), L"left"), L"470");
    EXPECT_TRUE(isTimeText(noteElement(beside->store(), L"datetime")));
    EXPECT_TRUE(isTimeText(noteElement(beside->store(), L"updatetime")));
}

TEST_F(TrayTest, AHoverThatArrivesAfterTheMenuClosedOpensNoSubmenu) {
    // The pointer rests on "添加便签" while it is clicked: the click closes the menu, and the
    // item's hover report comes after that.
    TavNoteMenuTray menu({L"工作"});
    ASSERT_TRUE(menu.build(L"系统托盘菜单", nullptr));
    TavNoteMenuItem* add = menu.item(kCmdMainNewNote);
    ASSERT_NE(add, nullptr);
    struct Step {
        const char* what;
        bool menuShown;
        bool submenuShown;
    } steps[] = {{"hover over the open menu", true, true}, {"hover after the menu closed", false, false}};
    for (const Step& step : steps) {
        if (step.menuShown) {
            menu.popUp(200, 200);
        } else {
            menu.closeChain();
            menu.close();
        }
        pump();
        SendMessageW(menu.handle(), kTavMsgItemHovered, WPARAM(kCmdMainNewNote), LPARAM(add->handle()));
        pump();
        EXPECT_EQ(IsWindowVisible(menu.groupMenu().handle()) != FALSE, step.submenuShown) << step.what;
    }
}

TEST_F(TrayTest, ARestartedShellGetsTheTrayIconBack) {
    TavNoteMain& main = start();
    NOTIFYICONDATAW probe = main.trayData();
    probe.uFlags = NIF_TIP;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the tray icon is missing after start";
    // A shell that restarts has lost every icon, then broadcasts "TaskbarCreated".
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &probe));
    ASSERT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe));
    SendMessageW(main.handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    pump();
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the tray icon was not added again";
}

} // namespace

namespace {

// What the tray did while a question was open, seen from inside the question's modal loop.
struct TrayWhileModal {
    HWND main = nullptr;
    LPARAM click = 0;
    TavNoteMessageBox* box = nullptr;
    bool menuShown = false;
    HWND foreground = nullptr;
    HWND boxWindow = nullptr;
};
TrayWhileModal* g_trayWhileModal = nullptr;

void CALLBACK clickTrayDuringQuestion(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    TrayWhileModal& t = *g_trayWhileModal;
    SendMessageW(t.main, kTavMsgTrayCallback, 0, t.click);
    TavWnd* menu = TavWnd::findById(kTrayMenuId);
    t.menuShown = menu && menu->handle() && IsWindowVisible(menu->handle());
    t.foreground = GetForegroundWindow();
    t.boxWindow = t.box->handle();
    t.box->cancel();
}

} // namespace

TEST_F(TrayTest, WhileAQuestionIsOpenTheTrayBringsItForwardInsteadOfActingBehindIt) {
    TavNoteMain& main = start();
    const size_t notesBefore = main.notes().size();
    for (LPARAM click : {LPARAM(WM_RBUTTONDOWN), LPARAM(WM_LBUTTONDOWN)}) {
        TavNoteMessageBox box(kBoxOk | kBoxCancel, L"确定要删除这个便签吗？", L"TavNote", 300, 120);
        TrayWhileModal seen{main.handle(), click, &box};
        g_trayWhileModal = &seen;
        SetTimer(nullptr, 0, 200, clickTrayDuringQuestion);
        box.runModal(main.handle());
        g_trayWhileModal = nullptr;
        EXPECT_FALSE(seen.menuShown) << "click " << click << ": the tray menu opened behind the question";
        EXPECT_NE(seen.boxWindow, nullptr);
        EXPECT_EQ(seen.foreground, seen.boxWindow)
            << "click " << click << ": the question was not brought forward";
    }
    EXPECT_EQ(main.notes().size(), notesBefore);
    // Without a question, the right click opens the menu as before.
    SendMessageW(main.handle(), kTavMsgTrayCallback, 0, WM_RBUTTONDOWN);
    pump();
    TavWnd* menu = TavWnd::findById(kTrayMenuId);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(IsWindowVisible(menu->handle()));
    SendMessageW(menu->handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    if (TavWnd* still = TavWnd::findById(kTrayMenuId)) ShowWindow(still->handle(), SW_HIDE);
    pump();
}
