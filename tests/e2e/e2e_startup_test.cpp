// Starts TavNote.exe in a fresh installation folder and checks what a user sees at start and exit.
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::wstring installedExe() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path.resize(path.rfind(L'\\')); // ...\tests\e2e
    path.resize(path.rfind(L'\\')); // ...\tests
    path.resize(path.rfind(L'\\') + 1);
    return path + L"TavNote\\TavNote.exe";
}

// A copy of TavNote.exe in its own folder, started as a child process.
class RunningTavNote {
public:
    explicit RunningTavNote(const TempFolder& folder) : exe_(folder.file(L"TavNote.exe")) {
        CopyFileW(installedExe().c_str(), exe_.c_str(), FALSE);
        STARTUPINFOW si{sizeof(si)};
        std::wstring command = L"\"" + exe_ + L"\"";
        started_ = CreateProcessW(exe_.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.path().c_str(), &si, &pi_);
        if (started_) WaitForInputIdle(pi_.hProcess, 10000);
    }
    ~RunningTavNote() {
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
    // The process's top-level window of the framework's window class.
    HWND mainWindow() const {
        struct Search {
            DWORD pid;
            HWND found;
        } search{pi_.dwProcessId, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                wchar_t cls[64] = {};
                GetClassNameW(hwnd, cls, 64);
                if (pid == s->pid && std::wstring(cls) == L"TavWnd") {
                    s->found = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            LPARAM(&search));
        return search.found;
    }

private:
    std::wstring exe_;
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
};

template <class Pred> bool waitFor(Pred pred, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (pred()) return true;
        Sleep(50);
    }
    return pred();
}

const wchar_t* const kDataFolders[] = {L"NoteItems", L"NoteItems2", L"NoteTpls", L"TplRecycle",
                                       L"NoteTpls2", L"CapNote",   L"Recycle"};

} // namespace

TEST(Startup, CreatesTheDataTreeStaysUpAndExitsCleanlyWhenClosed) {
    TempFolder folder;
    RunningTavNote app(folder);
    ASSERT_TRUE(app.started()) << "cannot start " << std::string(installedExe().begin(), installedExe().end());

    for (const wchar_t* name : kDataFolders) {
        const std::wstring path = folder.path() + L"NoteData\\" + name;
        EXPECT_TRUE(waitFor([&] { return isFolder(path); }, 20000)) << "missing NoteData folder";
    }
    EXPECT_TRUE(isFolder(folder.path() + L"sysres"));
    EXPECT_TRUE(isFolder(folder.path() + L"tavnote_reicon\\default"));

    HWND main = nullptr;
    ASSERT_TRUE(waitFor([&] { return (main = app.mainWindow()) != nullptr; }, 10000));
    EXPECT_EQ(DWORD(GetWindowLongW(main, GWL_STYLE)) & 0x90000000u, 0x90000000u);
    EXPECT_EQ(DWORD(GetWindowLongW(main, GWL_EXSTYLE)) & 0x08000080u, 0x08000080u);
    RECT r{};
    GetWindowRect(main, &r);
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2);
    EXPECT_EQ(r.top, int(GetSystemMetrics(SM_CYSCREEN) * 0.382));
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);

    Sleep(500);
    EXPECT_TRUE(app.running()) << "TavNote must stay up until it is closed";

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.waitForExit(10000), 0u);
}

TEST(Startup, DamagedSettingsFilesDoNotStopTheProgramAndAreKept) {
    TempFolder folder;
    const std::string sysconfig = "<sysconfig><deffont><fmname>\x80\xff</deffont>";
    const std::string colours = std::string("\0\0\xff<customcolor>", 16);
    ASSERT_TRUE(writeBytes(folder.file(L"sysconfig.xml"), sysconfig));
    CreateDirectoryW(folder.file(L"NoteData").c_str(), nullptr);
    ASSERT_TRUE(writeBytes(folder.file(L"NoteData\\customcolor.xml"), colours));

    RunningTavNote app(folder);
    ASSERT_TRUE(app.started());
    HWND main = nullptr;
    ASSERT_TRUE(waitFor([&] { return (main = app.mainWindow()) != nullptr; }, 20000));
    EXPECT_TRUE(app.running());
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.waitForExit(10000), 0u);

    EXPECT_EQ(readBytes(folder.file(L"sysconfig.xml")), sysconfig);
    EXPECT_EQ(readBytes(folder.file(L"NoteData\\customcolor.xml")), colours);
}
