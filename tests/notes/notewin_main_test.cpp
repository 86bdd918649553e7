// The main window's note commands with real windows: loading, new notes and their place and
// look, groups, closing, recycling and reloading.
#include "NoteRecycleRequests.h"
#include "notewin_support.h"

#include "AppPaths.h"
#include "AppState.h"
#include "FolderUtils.h"
#include "TavNoteItem.h"
#include "TavNoteItemTemplate.h"
#include "TavNoteMain.h"
#include "TavNoteMessageBox.h"
#include "TavWndMenu.h"

#include <set>

using namespace notewin;

namespace {

TEST_F(MainWindowTest, LoadingOpensVisibleNotesOfGroupsAndSystemGroupOnce) {
    prepareNote(L"plain", 0, RECT{10, 10, 190, 190});
    prepareNote(L"grouped", 0, RECT{200, 10, 380, 190}, L"工作");
    prepareNote(L"hidden", 0, RECT{400, 10, 580, 190}).SaveHidden(true);
    CreateDirectoryW((noteItemsDirectory() + L"stray").c_str(), nullptr); // no note file, empty

    TavNoteMain& main = start();
    EXPECT_FALSE(main.isSecondInstance());
    EXPECT_EQ(openNames(), (std::set<std::wstring>{L"plain", L"grouped"}));
    EXPECT_FALSE(pathExists(noteItemsDirectory() + L"stray"));
    TavNoteItem* grouped = TavNoteItem::findByUnique(L"grouped");
    ASSERT_NE(grouped, nullptr);
    EXPECT_EQ(grouped->store().group(), L"工作");
    RECT r = rectOf(grouped);
    EXPECT_EQ(r.left, 200);
    EXPECT_TRUE(IsWindowVisible(grouped->handle()));
    // The last note opened is the active one, as after showing each with activation.
    ASSERT_EQ(main.notes().size(), 2u);
    EXPECT_EQ(GetActiveWindow(), main.notes().back()->handle());
    EXPECT_EQ(main.trayData().cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(std::wstring(main.trayData().szTip), L"TavNote...");
    EXPECT_EQ(main.trayData().uCallbackMessage, 10006u);

    // Reload opens only what is new.
    prepareNote(L"later", 0, RECT{10, 200, 190, 380});
    SendMessageW(main.handle(), kNoteMsgReload, 0, 0);
    EXPECT_EQ(openNames(), (std::set<std::wstring>{L"plain", L"grouped", L"later"}));
    EXPECT_EQ(main.notes().size(), 3u);
    EXPECT_EQ(GetActiveWindow(), TavNoteItem::findByUnique(L"later")->handle());
}

TEST_F(MainWindowTest, NewNotePlacementAndSize) {
    TavNoteMain& main = start();
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    struct Case {
        const char* what;
        LPARAM point;
        POINT corner;
    } cases[] = {
        {"tray: default place", 0, {screenWidth - 296, 180}},
        {"from a note at (500, 300)", MAKELPARAM(500, 300), {470, 330}},
    };
    for (const Case& c : cases) {
        SendMessageW(main.handle(), kTavMsgCommand, kCmdMainNewNote, c.point);
        ASSERT_FALSE(main.notes().empty()) << c.what;
        TavNoteItem* note = main.notes().back().get();
        RECT r = rectOf(note);
        EXPECT_EQ(r.left, c.corner.x) << c.what;
        EXPECT_EQ(r.top, c.corner.y) << c.what;
        EXPECT_EQ(r.right - r.left, 180) << c.what;
        EXPECT_EQ(r.bottom - r.top, 180) << c.what;
        EXPECT_EQ(noteElement(note->store(), L"left"), std::to_wstring(c.corner.x)) << c.what;
        EXPECT_TRUE(IsWindowVisible(note->handle())) << c.what;
    }
}

TEST_F(MainWindowTest, TrayGroupEntryPastTheEndPicksTheLastGroup) {
    TavNoteMain& main = start();
    main.setTrayGroups({L"工作", L"生活"});
    SendMessageW(main.handle(), kTavMsgCommand, 31005, 0);
    EXPECT_EQ(main.chosenGroup(), L"生活");
    ASSERT_EQ(main.notes().size(), 1u);
    TavNoteItem* note = main.notes().back().get();
    EXPECT_EQ(noteElement(note->store(), L"group"), L"生活");
    EXPECT_EQ(noteElement(note->store(), L"dir"), noteItems2Directory() + L"生活\\");
    EXPECT_TRUE(
        pathExists(noteItems2Directory() + L"生活\\" + note->unique() + L"\\" + note->unique() + L".xml"));
    SendMessageW(main.handle(), kTavMsgCommand, kCmdGroupSystem, 0);
    EXPECT_EQ(main.chosenGroup(), L"");
    EXPECT_TRUE(pathExists(noteItemsDirectory() + main.notes().back()->unique()));
}

TEST_F(MainWindowTest, ANotesGroupEntryMakesOneNoteBesideItInThatGroup) {
    CreateDirectoryW((noteItems2Directory() + L"工作").c_str(), nullptr);
    CreateDirectoryW((noteItems2Directory() + L"生活").c_str(), nullptr);
    prepareNote(L"source", 0, RECT{300, 200, 480, 380});
    TavNoteMain& main = start();
    ASSERT_EQ(main.notes().size(), 1u);
    SendMessageW(main.notes()[0]->handle(), kTavMsgCommand, kCmdGroupSystem + 2, 0);
    pump();
    ASSERT_EQ(main.notes().size(), 2u);
    TavNoteItem* made = main.notes().back().get();
    RECT r = rectOf(made);
    EXPECT_EQ(r.left, 270);
    EXPECT_EQ(r.top, 230);
    EXPECT_EQ(noteElement(made->store(), L"group"), L"生活");
}

TEST_F(MainWindowTest, NewNoteTakesTheModelsSizeAndBackground) {
    TavNoteStore model = prepareNote(L"model", 0, RECT{100, 100, 340, 250});
    // A background picture in the model's folder.
    CopyFileW((app_ + L"sysres\\TavNote.png").c_str(), (model.folderPath() + L"bk.png").c_str(), FALSE);
    model.SaveBkImage(L"bk.png");
    TavNoteMain& main = start();
    ASSERT_EQ(main.notes().size(), 1u);
    SendMessageW(main.notes()[0]->handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
    SendMessageW(main.notes()[0]->handle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
    // The size each top-level window had when it was shown: the new note shows with the model's
    // look, never first with a new note's.
    static std::vector<SIZE> shownSizes;
    shownSizes.clear();
    HHOOK hook = SetWindowsHookExW(
        WH_CALLWNDPROC,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
            if (code == HC_ACTION && m->message == WM_SHOWWINDOW && m->wParam &&
                !(GetWindowLongW(m->hwnd, GWL_STYLE) & WS_CHILD)) {
                RECT w{};
                GetWindowRect(m->hwnd, &w);
                shownSizes.push_back(SIZE{w.right - w.left, w.bottom - w.top});
            }
            return CallNextHookEx(nullptr, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
    SendMessageW(main.handle(), kTavMsgCommand, kCmdMainNewNote, 0);
    UnhookWindowsHookEx(hook);
    ASSERT_EQ(main.notes().size(), 2u);
    TavNoteItem* made = main.notes().back().get();
    EXPECT_TRUE(IsWindowVisible(made->handle()));
    ASSERT_EQ(shownSizes.size(), 1u);
    EXPECT_EQ(shownSizes[0].cx, 240);
    EXPECT_EQ(shownSizes[0].cy, 150);
    RECT r = rectOf(made);
    EXPECT_EQ(r.right - r.left, 240);
    EXPECT_EQ(r.bottom - r.top, 150);
    EXPECT_EQ(made->backgroundFile(), L"bk.png");
    EXPECT_TRUE(pathExists(made->store().folderPath() + L"bk.png"));
    EXPECT_EQ(noteElement(made->store(), L"right"), std::to_wstring(r.right));
    EXPECT_FALSE(pathExists(templatesDirectory() + kTempTemplateName));
}

TEST_F(MainWindowTest, CloseHidesAndRecycleMovesTheFolder) {
    TavNoteStore closing = prepareNote(L"closing", 0, RECT{10, 10, 190, 190});
    TavNoteStore recycled = prepareNote(L"recycled", 0, RECT{200, 10, 380, 190});
    TavNoteStore byName = prepareNote(L"byname", 0, RECT{400, 10, 580, 190});
    TavNoteMain& main = start();
    ASSERT_EQ(main.notes().size(), 3u);

    SendMessageW(main.handle(), kTavMsgCommand, kCmdNoteHide,
                 LPARAM(TavNoteItem::findByUnique(L"closing")->objectId()));
    EXPECT_EQ(openNames(), (std::set<std::wstring>{L"recycled", L"byname"}));
    EXPECT_EQ(noteElement(closing, L"ishide"), L"1");
    std::wstring snapshot = noteElement(closing, L"pngview");
    EXPECT_FALSE(snapshot.empty());
    EXPECT_TRUE(pathExists(closing.folderPath() + snapshot));

    SendMessageW(main.handle(), kNoteMsgDelete, WPARAM(TavNoteItem::findByUnique(L"recycled")->objectId()),
                 0);
    EXPECT_EQ(openNames(), (std::set<std::wstring>{L"byname"}));
    EXPECT_FALSE(pathExists(recycled.folderPath()));
    EXPECT_TRUE(pathExists(recycleDirectory() + L"recycled\\recycled.xml"));

    ASSERT_TRUE(postRecycleByName(main.handle(), {L"byname", L"not-open"}));
    waitFor([&] { return main.notes().empty(); });
    EXPECT_TRUE(main.notes().empty());
    EXPECT_TRUE(pathExists(recycleDirectory() + L"byname\\byname.xml"));

    // A closed note stays closed at the next load.
    SendMessageW(main.handle(), kNoteMsgReload, 0, 0);
    EXPECT_TRUE(main.notes().empty());
}

// Answers the modal box with object id 20018 from a thread timer (the modal loop delivers it),
// keeping what it showed; a box that never appears ends the wait after the tick limit.
struct BoxWatcher {
    static inline std::wstring seen;
    static inline std::wstring title;
    static inline int ticks = 0;
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        ++ticks;
        auto* box = dynamic_cast<TavNoteMessageBox*>(TavWnd::findById(kMessageBoxId));
        if (box && box->handle() && IsWindowVisible(box->handle()) && seen.empty()) {
            seen = box->message();
            title = box->title();
            box->closeWith(1);
        }
    }
};

TEST_F(MainWindowTest, AboutBoxShowsTheVersionInTheProgramsOwnBox) {
    TavNoteMain& main = start();
    BoxWatcher::seen.clear();
    UINT_PTR timer = SetTimer(nullptr, 0, 50, &BoxWatcher::tick);
    SendMessageW(main.handle(), kTavMsgCommand, kCmdMainAbout, 0);
    KillTimer(nullptr, timer);
    EXPECT_NE(BoxWatcher::seen.find(L"版本：1.2.2"), std::wstring::npos);
    EXPECT_EQ(BoxWatcher::seen.find(L"http"), std::wstring::npos);
    EXPECT_EQ(BoxWatcher::title, L"TavNote");
    EXPECT_EQ(TavWnd::findById(kMessageBoxId), nullptr);
}

// Without help.chm the shell would do nothing: the program's own box says the file is missing.
TEST_F(MainWindowTest, AMissingHelpFileIsReportedInTheProgramsOwnBox) {
    TavNoteMain& main = start();
    ASSERT_FALSE(pathExists(appDirectory() + L"help.chm"));
    BoxWatcher::seen.clear();
    UINT_PTR timer = SetTimer(nullptr, 0, 50, &BoxWatcher::tick);
    SendMessageW(main.handle(), kTavMsgCommand, kCmdMainHelp, 0);
    KillTimer(nullptr, timer);
    EXPECT_NE(BoxWatcher::seen.find(L"help.chm"), std::wstring::npos) << "no message about the missing file";
    EXPECT_EQ(BoxWatcher::title, L"TavNote");
}

TEST_F(MainWindowTest, TrayRightClickOpensTheTrayMenuWithTheGroupsOfTheDataFolder) {
    CreateDirectoryW((noteItems2Directory() + L"工作").c_str(), nullptr);
    TavNoteMain& main = start();
    SendMessageW(main.handle(), kTavMsgTrayCallback, 0, WM_RBUTTONDOWN);
    pump();
    TavWnd* menu = TavWnd::findById(30100);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(IsWindowVisible(menu->handle()));
    EXPECT_EQ(main.trayGroups(), (std::vector<std::wstring>{L"工作"}));
    // Once closed, the menu deletes itself.
    static_cast<TavWndMenu*>(menu)->close();
    EXPECT_TRUE(waitFor([] { return TavWnd::findById(30100) == nullptr; }, 3000));
}

TEST_F(MainWindowTest, ExitDestroysNotesAndEndsTheLoop) {
    prepareNote(L"a", 0, RECT{10, 10, 190, 190});
    TavNoteMain& main = start();
    HWND note = main.notes().at(0)->handle();
    SendMessageW(main.handle(), kTavMsgCommand, kCmdMainExit, 0);
    EXPECT_FALSE(IsWindow(note));
    EXPECT_FALSE(IsWindow(main.handle()));
    EXPECT_EQ(appState().mainWindow, nullptr);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    // Notes keep their files.
    EXPECT_TRUE(pathExists(noteItemsDirectory() + L"a\\a.xml"));
}

} // namespace
