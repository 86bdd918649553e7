// Starts TavNote.exe in a fresh folder holding a prepared note: the note opens as a window at its
// place; a second start says so in the program's message box and leaves the first untouched.
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <vector>

#include "AppPaths.h"
#include "NoteStore.h"

namespace {

std::wstring installedExe() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    for (int up = 0; up < 3; ++up) path.resize(path.rfind(L'\\'));
    return path + L"\\TavNote\\TavNote.exe";
}

template <class Pred> bool waitFor(Pred pred, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (pred()) return true;
        Sleep(50);
    }
    return pred();
}

// TavNote.exe of the folder started as a child process, ended by id when still running at the end.
class Process {
public:
    explicit Process(const std::wstring& exe, const std::wstring& folder) {
        STARTUPINFOW si{sizeof(si)};
        std::wstring command = L"\"" + exe + L"\"";
        started_ = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                  &si, &pi_) != FALSE;
    }
    ~Process() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi_.hProcess, 99);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    bool started() const { return started_; }
    bool running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
    DWORD waitForExit(DWORD ms) const {
        if (WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }
    // The visible top-level windows of the process, and the hidden zero-sized main window.
    std::vector<HWND> visibleWindows() const { return windows(true); }
    HWND mainWindow() const {
        for (HWND w : windows(false)) {
            RECT r{};
            GetWindowRect(w, &r);
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            if (std::wstring(cls) == L"TavWnd" && r.right == r.left && r.bottom == r.top) return w;
        }
        return nullptr;
    }

private:
    std::vector<HWND> windows(bool visibleOnly) const {
        struct Search {
            DWORD pid;
            bool visibleOnly;
            std::vector<HWND> found;
        } search{pi_.dwProcessId, visibleOnly, {}};
        EnumWindows(
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                if (pid == s->pid && (!s->visibleOnly || IsWindowVisible(hwnd))) s->found.push_back(hwnd);
                return TRUE;
            },
            LPARAM(&search));
        return search.found;
    }

    PROCESS_INFORMATION pi_{};
    bool started_ = false;
};

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

    Process first(exe, folder.path());
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
        Process second(exe, folder.path());
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
