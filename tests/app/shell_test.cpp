// The main window and the message hook, with real windows in the test process.
#include "AppPaths.h"
#include "AppState.h"
#include "FolderUtils.h"
#include "MessageHook.h"
#include "TavNoteMain.h"
#include "TavTestEnvironment.h"
#include "TestWait.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TavTestEnvironment);

constexpr UINT kSwallowed = WM_APP + 1;
constexpr UINT kKept = WM_APP + 2;

// A window that takes kSwallowed in its pre-translate operation and counts what reaches it.
class Recorder : public TavWnd {
public:
    BOOL preTranslateMessage(MSG* msg) override {
        ++offered[msg->message];
        return msg->message == kSwallowed;
    }
    LRESULT windowProc(UINT message, WPARAM wp, LPARAM lp) override {
        ++delivered[message];
        return TavWnd::windowProc(message, wp, lp);
    }
    std::map<UINT, int> offered, delivered;
};

} // namespace

TEST(MessageHook, WindowTakesMessagesBeforeTheyAreDispatched) {
    Recorder window;
    ASSERT_TRUE(window.create(0, L"", 0, WS_POPUP, 0, 0, 20, 20, nullptr));

    HHOOK hook = installMessageHook();
    ASSERT_NE(hook, nullptr);
    PostMessageW(window.handle(), kSwallowed, 1, 2);
    PostMessageW(window.handle(), kKept, 3, 4);
    pump();
    removeMessageHook(hook);

    EXPECT_EQ(window.offered[kSwallowed], 1);
    EXPECT_EQ(window.offered[kKept], 1);
    EXPECT_EQ(window.delivered[kSwallowed], 0) << "a taken message is dispatched as WM_NULL";
    EXPECT_EQ(window.delivered[kKept], 1);

    // Without the hook nothing is offered and everything arrives.
    PostMessageW(window.handle(), kSwallowed, 0, 0);
    pump();
    EXPECT_EQ(window.offered[kSwallowed], 1);
    EXPECT_EQ(window.delivered[kSwallowed], 1);
}

TEST(MainWindow, IsTheHiddenRegisteredWindowThatEndsTheLoop) {
    TempFolder folder;
    setAppDirectoryOverride(folder.path());
    {
        TavNoteMain main;
        ASSERT_TRUE(main.createAt(640, 305));
        EXPECT_EQ(TavWnd::findById(20000), &main);
        EXPECT_EQ(TavWnd::findByHandle(main.handle()), &main);
        EXPECT_EQ(appState().mainWindow, main.handle());
        EXPECT_EQ(main.objectName(), L"TavNoteMain");
        RECT r{};
        GetWindowRect(main.handle(), &r);
        EXPECT_EQ(r.left, 640);
        EXPECT_EQ(r.top, 305);
        EXPECT_EQ(r.right, 640);
        EXPECT_EQ(r.bottom, 305);
        for (const wchar_t* sub :
             {L"NoteItems", L"NoteItems2", L"NoteTpls", L"TplRecycle", L"NoteTpls2", L"CapNote", L"Recycle"})
            EXPECT_TRUE(isFolder(folder.path() + L"NoteData\\" + sub));

        DestroyWindow(main.handle());
        MSG msg;
        bool quit = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) quit = quit || msg.message == WM_QUIT;
        EXPECT_TRUE(quit) << "destroying the main window ends the message loop";
        EXPECT_EQ(appState().mainWindow, nullptr);
    }
    EXPECT_EQ(TavWnd::findById(20000), nullptr);
    setAppDirectoryOverride(L"");
}
