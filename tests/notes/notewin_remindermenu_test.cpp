// The reminder submenu of the note menu: the note's labels under "提醒标签", "清除" deleting the
// reminder file and the GIF copy (never the note's own file), "设置" asking the note for the editor.
#include "notewin_support.h"

#include "AppPaths.h"
#include "PromptFile.h"
#include "TavNoteMenu.h"
#include "TavNoteMenuSetPromptSub.h"

using namespace notewin;

namespace {

// A window that records the commands it is sent or posted, standing in for the note.
std::vector<WPARAM> recordedCommands;

LRESULT CALLBACK recordCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTavMsgCommand) recordedCommands.push_back(wParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND makeRecorder() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = recordCommands;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TavReminderMenuRecorder";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                           nullptr);
}

void clickMiddle(HWND window) {
    RECT rc{};
    GetClientRect(window, &rc);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.right / 2, rc.bottom / 2));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(rc.right / 2, rc.bottom / 2));
    pump();
}

using ReminderMenuTest = NoteWindowTest;

TEST_F(ReminderMenuTest, TheSubmenuShowsTheLabelsAndClearDeletesTheReminderOnly) {
    TavNoteStore note = prepareNote(L"r1", 100001, RECT{100, 100, 280, 280});
    const std::wstring path = promptFilePath(L"r1", L"");
    ASSERT_TRUE(addPromptValueLabel(path, 20100, ReminderLabelKind::Minute, L"30分", 30));
    ASSERT_TRUE(addPromptValueLabel(path, 20100, ReminderLabelKind::Weekday, L"周一", 1));
    const std::wstring gifSource = app_ + L"bell.gif";
    ASSERT_TRUE(writeBytes(gifSource, "GIF89a"));
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 10;
    ASSERT_TRUE(setPromptGif(path, 20100, gifSource, t));
    const std::wstring gifCopy = readPromptGifPath(path);
    ASSERT_TRUE(pathExists(gifCopy));

    HWND recorder = makeRecorder();
    TavNoteMenuNote menu;
    menu.setReminderNote(L"r1", L"");
    ASSERT_TRUE(menu.build(L"子标签窗口菜单", recorder));
    TavNoteMenuSetPromptSub* sub = menu.reminderMenu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(menu.submenus().count(kCmdNoteReminder), 1u);
    EXPECT_EQ(sub->objectId(), kCmdNoteReminderMenu);
    wchar_t name[64] = L"";
    GetWindowTextW(sub->handle(), name, 64);
    EXPECT_STREQ(name, L"设置提醒子菜单");
    RECT rc{};
    GetWindowRect(sub->handle(), &rc);
    EXPECT_EQ(rc.right - rc.left, TavNoteMenuSetPromptSub::kWidth + 2 * sub->shadowWidth());
    EXPECT_EQ(rc.bottom - rc.top, TavNoteMenuSetPromptSub::kHeight + 2 * sub->shadowWidth());
    EXPECT_EQ(sub->showPanel().labelList().chips().size(), 2u);
    EXPECT_EQ(sub->clearButton().label(), L"清除");

    clickMiddle(sub->clearButton().handle());
    EXPECT_FALSE(pathExists(path));
    EXPECT_FALSE(pathExists(gifCopy));
    EXPECT_TRUE(pathExists(note.GetFilePath()));
    EXPECT_TRUE(sub->showPanel().labelList().chips().empty());

    recordedCommands.clear();
    clickMiddle(sub->setButton().handle());
    EXPECT_TRUE(waitFor([] { return !recordedCommands.empty(); }, 3000));
    EXPECT_EQ(recordedCommands, std::vector<WPARAM>{WPARAM(kCmdNoteReminder)});
    DestroyWindow(recorder);
}

TEST_F(ReminderMenuTest, WithoutANoteThereIsNoSubmenuAndNoFolderIsMade) {
    TavNoteMenuNote menu;
    ASSERT_TRUE(menu.build(L"子标签窗口菜单", nullptr));
    EXPECT_EQ(menu.reminderMenu(), nullptr);
    EXPECT_EQ(menu.submenus().count(kCmdNoteReminder), 0u);

    // Showing the labels of a note that has no folder makes none.
    TavNoteMenuNote other;
    other.setReminderNote(L"gone", L"");
    ASSERT_TRUE(other.build(L"子标签窗口菜单", nullptr));
    EXPECT_FALSE(pathExists(noteItemsDirectory() + L"gone"));
}

} // namespace
