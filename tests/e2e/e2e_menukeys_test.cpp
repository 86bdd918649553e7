// The tray menu and a note menu driven by real key presses (xdotool) in TavNote.exe, started in a
// fresh installation folder: the highlight follows Up and Down, Enter chooses, Right opens the
// group submenu, Escape closes the innermost menu, then the menu itself.
#include "DeskDriver.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "AppPaths.h"
#include "NoteStore.h"

using desk::centreOf;
using desk::rectOf;

namespace {

std::vector<std::wstring> subFolders(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return names;
}

bool keys(const std::wstring& names) { return unixtools::xdotool(L"key --delay 150 " + names); }

class MenuKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL(L"/usr/bin/xdotool");
        REQUIRE_TOOL(L"/usr/bin/import");
        // Nothing of an earlier test may be left under the pointer.
        unixtools::xdotool(L"mousemove 640 780");
    }
    std::wstring items() const { return folder_.path() + L"NoteData\\NoteItems\\"; }
    std::wstring start() { return installInto(folder_.path()); }
    // Waits until the program has settled on its notes (a first start may add one of its own).
    static size_t settledCount(const std::function<size_t()>& count) {
        size_t n = count();
        while (waitFor([&] { return count() != n; }, 1500)) n = count();
        return n;
    }
    static void quit(TavNoteProcess& app) {
        PostMessageW(app.mainWindow(), WM_CLOSE, 0, 0);
        EXPECT_EQ(app.waitForExit(60000), 0u);
    }
    TempFolder folder_;
};

// A point of the item's own face, right of its text: white unless the item is highlighted.
POINT faceOf(HWND item) {
    RECT r = rectOf(item);
    return POINT{r.right - 20, (r.top + r.bottom) / 2};
}

TEST_F(MenuKeysTest, TrayMenuFollowsTheKeysAndEnterAddsANote) {
    const std::wstring exe = start();
    TavNoteProcess app(exe, folder_.path());
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(waitFor([&] { return app.mainWindow() != nullptr; }, 20000));
    const size_t before = settledCount([&] { return subFolders(items()).size(); });

    ASSERT_TRUE(desk::openTrayMenu(app)) << "the tray menu did not open";
    HWND add = desk::visibleItem(app, L"添加便签"), manage = desk::visibleItem(app, L"管理");
    ASSERT_NE(manage, nullptr);
    desk::Screen screen;
    ASSERT_TRUE(screen.capture(desk::besideTest(L"menukeys_tray_plain.png")));
    EXPECT_EQ(screen.rgb(faceOf(manage)), 0xFFFFFFu) << "highlighted before any key";

    ASSERT_TRUE(keys(L"Down Down"));
    // The highlight shows on "管理", tinted, and not on "添加便签".
    EXPECT_TRUE(waitFor(
        [&] {
            return screen.capture(desk::besideTest(L"menukeys_tray_highlight.png")) &&
                   screen.rgb(faceOf(manage)) != 0xFFFFFFu;
        },
        5000))
        << "no highlight on 管理 after Down Down";
    EXPECT_EQ(screen.rgb(faceOf(add)), 0xFFFFFFu) << "添加便签 kept the highlight";
    EXPECT_GE(screen.brightness(faceOf(manage)), 150) << "the highlight is a light tint";

    // Back up to "添加便签" and choose it: a new note folder, and the menu is gone.
    ASSERT_TRUE(keys(L"Up Return"));
    EXPECT_TRUE(waitFor([&] { return subFolders(items()).size() == before + 1; }, 15000))
        << "Enter on 添加便签 made no note";
    EXPECT_TRUE(waitFor([&] { return desk::visibleItem(app, L"添加便签") == nullptr; }, 5000))
        << "the tray menu stayed open";
    quit(app);
}

TEST_F(MenuKeysTest, EscapeClosesTheSubmenuThenTheMenu) {
    const std::wstring exe = start();
    TavNoteProcess app(exe, folder_.path());
    ASSERT_TRUE(waitFor([&] { return app.mainWindow() != nullptr; }, 20000));
    const size_t before = settledCount([&] { return subFolders(items()).size(); });

    ASSERT_TRUE(desk::openTrayMenu(app));
    ASSERT_TRUE(keys(L"Down Right"));
    HWND group = desk::waitForItem(app, L"系统分组", 5000);
    ASSERT_NE(group, nullptr) << "Right did not open the group submenu";
    desk::Screen screen;
    EXPECT_TRUE(waitFor(
        [&] {
            return screen.capture(desk::besideTest(L"menukeys_tray_submenu.png")) &&
                   screen.rgb(faceOf(group)) != 0xFFFFFFu;
        },
        5000))
        << "the submenu's first item is not highlighted";

    ASSERT_TRUE(keys(L"Escape"));
    EXPECT_TRUE(waitFor([&] { return desk::visibleItem(app, L"系统分组") == nullptr; }, 5000))
        << "Escape left the submenu open";
    EXPECT_NE(desk::visibleItem(app, L"添加便签"), nullptr) << "Escape on the submenu closed the tray menu";

    ASSERT_TRUE(keys(L"Escape"));
    EXPECT_TRUE(waitFor([&] { return desk::visibleItem(app, L"添加便签") == nullptr; }, 5000))
        << "Escape left the tray menu open";
    EXPECT_EQ(subFolders(items()).size(), before) << "Escape chose something";
    EXPECT_TRUE(app.running());
    quit(app);
}

TEST_F(MenuKeysTest, EscapeClosesANoteMenu) {
    const std::wstring unique = L"20261207043355123_01";
    const RECT place{500, 300, 680, 480};
    setAppDirectoryOverride(folder_.path());
    {
        TavNoteStore note(unique, L"", 123451);
        ASSERT_TRUE(note.createNoteFile());
        ASSERT_TRUE(note.SaveGeometry(place).has_value());
    }
    setAppDirectoryOverride(L"");
    const std::wstring exe = start();
    TavNoteProcess app(exe, folder_.path());
    HWND note = desk::waitForWindowAt(app, place, 20000);
    ASSERT_NE(note, nullptr);

    ASSERT_TRUE(desk::click(POINT{674, 320}, 3));
    ASSERT_NE(desk::waitForItem(app, L"隐藏"), nullptr) << "the note menu did not open";
    ASSERT_TRUE(keys(L"Down"));
    ASSERT_TRUE(keys(L"Escape"));
    EXPECT_TRUE(waitFor([&] { return desk::visibleItem(app, L"隐藏") == nullptr; }, 5000))
        << "Escape left the note menu open";
    EXPECT_TRUE(IsWindowVisible(note));
    quit(app);
}

} // namespace
