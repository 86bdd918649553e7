#pragma once
// TavNote.exe started as a child process in a folder of its own, for the end-to-end tests.
#include <windows.h>

#include <string>
#include <vector>

#include "TempFolder.h"
#include "TestWait.h"

// The installation folder's TavNote.exe (build/TavNote/ beside build/tests/e2e/).
inline std::wstring installedExe() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    for (int up = 0; up < 3; ++up) path.resize(path.rfind(L'\\'));
    return path + L"\\TavNote\\TavNote.exe";
}

// A fresh installation in `folder` (ending in a backslash): everything the build put beside
// TavNote.exe, without the data a development run may have left there. Returns the exe's path.
// Unless `firstStart`, an empty data folder is made too: the program then starts as for someone
// who has used it before (no welcome note).
inline std::wstring installInto(const std::wstring& folder, bool firstStart = false) {
    if (!firstStart) CreateDirectoryW((folder + L"NoteData").c_str(), nullptr);
    std::wstring source = installedExe();
    source.resize(source.rfind(L'\\'));
    CopyFileW((source + L"\\TavNote.exe").c_str(), (folder + L"TavNote.exe").c_str(), FALSE);
    CopyFileW((source + L"\\help.chm").c_str(), (folder + L"help.chm").c_str(), FALSE);
    copyTree(source + L"\\sysres", folder + L"sysres");
    copyTree(source + L"\\tavnote_reicon", folder + L"tavnote_reicon");
    return folder + L"TavNote.exe";
}

// TavNote.exe of the folder started as a child process, ended by id when still running at the end.
class TavNoteProcess {
public:
    explicit TavNoteProcess(const std::wstring& exe, const std::wstring& folder) {
        STARTUPINFOW si{sizeof(si)};
        std::wstring command = L"\"" + exe + L"\"";
        started_ = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.c_str(), &si, &pi_) != FALSE;
    }
    ~TavNoteProcess() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi_.hProcess, 99);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    bool started() const { return started_; }
    HANDLE processHandle() const { return pi_.hProcess; }
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
