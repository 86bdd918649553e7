// Starts TavNote.exe in a fresh folder holding a prepared note: the note opens as a window at its
// place; a second start says so in the program's message box and leaves the first untouched.
#include "FileSystem.h"
#include "TavNoteProcess.h"
#include "TempFolder.h"
#include "UnixTools.h"

#include <gtest/gtest.h>

#include <vector>

#include "AppPaths.h"
#include "NoteStore.h"

namespace {

HWND windowAt(const std::vector<HWND>& windows, const RECT& place) {
    for (HWND w : windows) {
        RECT r{};
        GetWindowRect(w, &r);
        if (EqualRect(&r, &place)) return w;
    }
    return nullptr;
}

TEST(NotesOnTheDesktop, APreparedNoteOpensAtItsPlaceAndASecondStartLeavesTheFirstAlone) {
    TempFolder folder;
    const std::wstring exe = installInto(folder.path());
    ASSERT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES);
    const RECT place{300, 200, 520, 360};
    {
        // The note folder, written the way the program writes it.
        setAppDirectoryOverride(folder.path());
        TavNoteStore note(L"20261207043355123_01", L"", 123456);
        ASSERT_TRUE(note.createNoteFile());
        ASSERT_TRUE(note.SaveGeometry(place).has_value());
        TavNoteStore hidden(L"20261207043355124_02", L"", 123457);
        ASSERT_TRUE(hidden.createNoteFile());
        ASSERT_TRUE(hidden.SaveHidden(true));
        setAppDirectoryOverride(L"");
    }

    TavNoteProcess first(exe, folder.path());
    ASSERT_TRUE(first.started());
    HWND note = nullptr;
    ASSERT_TRUE(waitFor([&] { return (note = windowAt(first.visibleWindows(), place)) != nullptr; }, 20000))
        << "the note window does not appear at its place";
    EXPECT_TRUE(GetWindowLongW(note, GWL_EXSTYLE) & WS_EX_LAYERED);
    // Only the note that is not hidden is shown (the main window is visible but has no size).
    int shown = 0;
    for (HWND w : first.visibleWindows()) {
        RECT r{};
        GetWindowRect(w, &r);
        shown += r.right > r.left && r.bottom > r.top;
    }
    EXPECT_EQ(shown, 1);
    HWND main = first.mainWindow();
    ASSERT_NE(main, nullptr);

    {
        TavNoteProcess second(exe, folder.path());
        ASSERT_TRUE(second.started());
        std::vector<HWND> box;
        ASSERT_TRUE(waitFor([&] { return !(box = second.visibleWindows()).empty(); }, 20000))
            << "the second start shows no message";
        EXPECT_TRUE(second.running());
        // The message box answers; the second copy then ends by itself.
        PostMessageW(box.front(), WM_KEYDOWN, VK_RETURN, 0);
        PostMessageW(box.front(), WM_CLOSE, 0, 0);
        EXPECT_EQ(second.waitForExit(15000), 0u);
    }

    EXPECT_TRUE(first.running());
    EXPECT_TRUE(IsWindow(note));
    RECT r{};
    GetWindowRect(note, &r);
    EXPECT_TRUE(EqualRect(&r, &place));
    EXPECT_EQ(first.mainWindow(), main);

    // Exit from the tray menu's command.
    PostMessageW(main, 10002, 30103, 0);
    EXPECT_EQ(first.waitForExit(15000), 0u);
    EXPECT_TRUE(folderExists(folder.path() + L"NoteData\\NoteItems\\20261207043355123_01"));
}

// Two notes and the menu of one, opened with a real right click: the picture the README shows is
// this run's "notes_and_menu.png" beside the test executable.
TEST(NotesOnTheDesktop, RightClickOpensTheNoteMenuAndTheScreenIsSaved) {
    TempFolder folder;
    const std::wstring exe = installInto(folder.path());
    ASSERT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES);
    const RECT places[] = {{420, 180, 640, 360}, {700, 220, 880, 400}};
    setAppDirectoryOverride(folder.path());
    for (int i = 0; i < 2; ++i) {
        TavNoteStore note(L"2026120704335512" + std::to_wstring(i) + L"_0" + std::to_wstring(i + 1), L"",
                          123460 + i);
        ASSERT_TRUE(note.createNoteFile());
        ASSERT_TRUE(note.SaveGeometry(places[i]).has_value());
        if (i == 1) {
            ASSERT_TRUE(note.SaveAlpha(160));
        }
    }
    setAppDirectoryOverride(L"");

    TavNoteProcess app(exe, folder.path());
    ASSERT_TRUE(app.started());
    HWND note = nullptr;
    ASSERT_TRUE(
        waitFor([&] { return (note = windowAt(app.visibleWindows(), places[0])) != nullptr; }, 20000));
    ASSERT_TRUE(waitFor([&] { return windowAt(app.visibleWindows(), places[1]) != nullptr; }, 20000));
    const size_t before = app.visibleWindows().size();

    ASSERT_TRUE(unixtools::xdotool(L"mousemove 500 250 click 3"));
    EXPECT_TRUE(waitFor([&] { return app.visibleWindows().size() > before; }, 10000)) << "no menu appeared";
    Sleep(500);

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring shot(self);
    shot = shot.substr(0, shot.rfind(L'\\') + 1) + L"notes_and_menu.png";
    EXPECT_TRUE(unixtools::saveXScreen(shot));

    PostMessageW(app.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app.waitForExit(15000), 0u);
}

} // namespace
