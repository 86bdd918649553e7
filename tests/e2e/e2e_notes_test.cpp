// Starts TavNote.exe in a fresh folder holding a prepared note: the note opens as a window at its
// place; a second start says so in the program's message box and leaves the first untouched.
#include "TavNoteProcess.h"
#include "TempFolder.h"

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
    const std::wstring exe = folder.file(L"TavNote.exe");
    ASSERT_TRUE(CopyFileW(installedExe().c_str(), exe.c_str(), FALSE));
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
    EXPECT_TRUE(isFolder(folder.path() + L"NoteData\\NoteItems\\20261207043355123_01"));
}

} // namespace
