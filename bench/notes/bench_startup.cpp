// Start-up of TavNote.exe with a generated data folder of 50, 100 and 200 notes: from starting
// the process until every note has been presented. TavNote loads and presents every note inside
// the creation of its main window, before its message loop runs; so "presented" is taken as the
// moment the main window answers a message sent to it while the process shows N note windows.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "AppPaths.h"
#include "Bench.h"
#include "FolderUtils.h"
#include "TempFolder.h"
#include "NoteStore.h"
#include "TavNoteProcess.h"

namespace {

std::wstring benchRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"tavnote_bench_startup_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
}

// The installation of this build: bench/notes/ sits two levels below the build folder.
std::wstring buildInstallation() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    for (int up = 0; up < 3; ++up) path.resize(path.rfind(L'\\'));
    return path + L"\\TavNote\\";
}

// A fresh installation folder with `count` notes of 180 x 180 in a grid over the screen.
std::wstring prepare(int count) {
    const std::wstring app = benchRoot() + L"n" + std::to_wstring(count) + L"\\";
    removeTree(app);
    CreateDirectoryW(benchRoot().c_str(), nullptr);
    CreateDirectoryW(app.c_str(), nullptr);
    const std::wstring from = buildInstallation();
    CopyFileW((from + L"TavNote.exe").c_str(), (app + L"TavNote.exe").c_str(), FALSE);
    copyTree(from + L"sysres", app + L"sysres");
    copyTree(from + L"tavnote_reicon", app + L"tavnote_reicon");
    setAppDirectoryOverride(app);
    for (int i = 0; i < count; ++i) {
        wchar_t unique[32];
        swprintf(unique, 32, L"20261210050403%03d_%d", i, 200000 + i);
        TavNoteStore note(unique, L"", 200000 + i);
        note.createNoteFile();
        const int x = 20 + (i % 20) * 55, y = 40 + (i / 20) * 50;
        note.SaveGeometry(RECT{x, y, x + 180, y + 180});
        note.SaveCreateTime();
        note.SaveUpdateTime();
    }
    setAppDirectoryOverride(L"");
    return app;
}

size_t noteWindows(const TavNoteProcess& app) {
    size_t n = 0;
    for (HWND w : app.visibleWindows()) {
        RECT r{};
        GetWindowRect(w, &r);
        n += r.right - r.left == 180 && r.bottom - r.top == 180;
    }
    return n;
}

// Milliseconds from the start of the process until it shows `count` notes and its main window
// answers; -1 when that does not happen within a minute.
double startOnce(const std::wstring& app, int count) {
    // The tray of the shell must be idle: under Wine without a window manager it spends ~2 s
    // hiding its window after the previous copy's icon went, and a start meanwhile waits for it.
    Sleep(2500);
    if (HWND tray = FindWindowW(nullptr, L"Wine System Tray")) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(tray, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
    }
    const double start = bench::nowMs();
    TavNoteProcess process(app + L"TavNote.exe", app);
    if (!process.started()) return -1;
    HWND main = nullptr;
    for (;;) {
        if (bench::nowMs() - start > 60000) return -1;
        if (!main) main = process.mainWindow();
        // The answer comes once the loop runs (or earlier, when loading waits on another
        // thread); only then are the windows counted, so that polling them from here does not
        // slow the program down (every query is a round trip to the one wineserver).
        DWORD_PTR answer = 0;
        if (main && SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 60000, &answer) &&
            noteWindows(process) == size_t(count))
            break;
        Sleep(main ? 20 : 2);
    }
    const double elapsed = bench::nowMs() - start;
    PostMessageW(main, WM_CLOSE, 0, 0);
    // Quitting can take ~2 s per activated window under Wine without a window manager; the
    // process is ended by its object if it takes longer than this.
    process.waitForExit(5000);
    return elapsed;
}

void startup(int count) {
    const std::wstring app = prepare(count);
    std::vector<double> times;
    startOnce(app, count); // warm-up: Wine's caches, the file cache
    for (int i = 0; i < 5; ++i) times.push_back(startOnce(app, count));
    std::sort(times.begin(), times.end());
    char name[80];
    std::snprintf(name, sizeof(name), "start-up until %d notes are presented (median of 5)", count);
    bench::report(name, times[times.size() / 2], "ms", count == 200 ? "goal < 2000 ms" : "");
    std::printf("    fastest %.0f ms, slowest %.0f ms\n", times.front(), times.back());
    removeTree(app);
}

} // namespace

TAV_BENCH(startup_notes_50) { startup(50); }
TAV_BENCH(startup_notes_100) { startup(100); }
TAV_BENCH(startup_notes_200) { startup(200); }
