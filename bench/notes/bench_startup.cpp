// Start-up of TavNote.exe with a generated data folder of 50, 100 and 200 notes: from starting
// the process until every note has been presented. TavNote loads and presents every note inside
// the creation of its main window, before its message loop runs; so "presented" is taken as the
// moment the main window answers a message sent to it while the process shows N note windows.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <cstdio>
#include <string>
#include <vector>

#include "AppPaths.h"
#include "Bench.h"
#include "BenchInstallation.h"
#include "FolderUtils.h"
#include "TempFolder.h"
#include "NoteContents.h"
#include "NoteStore.h"
#include "TavNoteProcess.h"

namespace {

std::wstring benchRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"tavnote_bench_startup_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
}

// About 300 characters of mixed Chinese and Latin text in six lines.
std::vector<std::wstring> blockText(int i) {
    std::vector<std::wstring> lines;
    for (int line = 0; line < 6; ++line)
        lines.push_back(L"第" + std::to_wstring(line + 1) + L"行：便签 " + std::to_wstring(i) +
                        L" 的内容 notes text 测试文字，写在这里的一些字 abcdefg 0123456789");
    return lines;
}

// A fresh installation folder with `count` notes of 180 x 180 in a grid over the screen; with
// `contents`, each note holds a rich text block of about 300 characters and a picture.
std::wstring prepare(int count, bool contents = false) {
    const std::wstring app = benchRoot() + (contents ? L"c" : L"n") + std::to_wstring(count) + L"\\";
    removeTree(app);
    CreateDirectoryW(benchRoot().c_str(), nullptr);
    CreateDirectoryW(app.c_str(), nullptr);
    const std::wstring from = benchnotes::buildInstallation();
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
        if (contents) {
            const int block = 300000 + 2 * i, picture = block + 1;
            notecontents::writeRichBlock(note, block, RECT{4, 4, 170, 110},
                                         notecontents::rtfBody(blockText(i), 0x203080));
            writeBytes(note.fileInFolder(L"pic.bmp"), benchnotes::bmpBytes());
            notecontents::writePictureChild(note, picture, RECT{100, 110, 150, 150}, L"pic.bmp");
        }
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

// Working set of the last presented start, in bytes.
size_t g_lastWorkingSet = 0;

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
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process.processHandle(), &memory, sizeof(memory)))
        g_lastWorkingSet = memory.WorkingSetSize;
    PostMessageW(main, WM_CLOSE, 0, 0);
    // Quitting can take ~2 s per activated window under Wine without a window manager; the
    // process is ended by its object if it takes longer than this.
    process.waitForExit(5000);
    return elapsed;
}

void startup(int count, bool contents = false) {
    const std::wstring app = prepare(count, contents);
    std::vector<double> times;
    std::vector<size_t> sets;
    startOnce(app, count); // warm-up: Wine's caches, the file cache
    for (int i = 0; i < 5; ++i) {
        times.push_back(startOnce(app, count));
        sets.push_back(g_lastWorkingSet);
    }
    std::sort(sets.begin(), sets.end());
    static std::map<std::pair<int, bool>, double> workingSets;
    workingSets[{count, contents}] = double(sets[sets.size() / 2]);
    std::sort(times.begin(), times.end());
    char name[80];
    std::snprintf(name, sizeof(name), "start-up until %d notes%s are presented (median of 5)", count,
                  contents ? " with text and a picture" : "");
    bench::report(name, times[times.size() / 2], "ms", count == 200 ? "goal < 2000 ms" : "");
    std::printf("    fastest %.0f ms, slowest %.0f ms; working set %.1f MB\n", times.front(), times.back(),
                workingSets[{count, contents}] / 1048576.0);
    // The cost of one more open note: the growth of the working set from 50 to `count` notes.
    if (count > 50 && workingSets.count({50, contents})) {
        const double perNote = (workingSets[{count, contents}] - workingSets[{50, contents}]) / (count - 50);
        std::snprintf(name, sizeof(name), "working set per open note%s (from 50 to %d notes)",
                      contents ? " with text and a picture" : "", count);
        bench::report(name, perNote / 1024.0, "KB", "");
    }
    removeTree(app);
}

// What the system alone takes for the windows of `count` notes with contents, in this process:
// a layered window of 180 x 180 per note with five child windows (the bottom label, the text block
// and its two scroll bars, the picture), each window given its frame with UpdateLayeredWindow while
// hidden and then shown, the cheapest order under Wine (showing first and then handing over the
// frame costs about a millisecond more per window). No note code runs: this is the floor under
// the start-up figures above.
void platformWindows(int count) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TavBenchBareWindow";
    RegisterClassW(&wc);
    const int side = 180;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), side, -side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!bitmap || !dc) return;
    HGDIOBJ old = SelectObject(dc, bitmap);
    std::fill_n(static_cast<uint32_t*>(bits), side * side, 0xFFFDFDFCu);
    std::vector<double> times;
    for (int run = 0; run < 3; ++run) {
        std::vector<HWND> windows;
        const double start = bench::nowMs();
        for (int i = 0; i < count; ++i) {
            POINT at{20 + (i % 20) * 55, 40 + (i / 20) * 50}, source{0, 0};
            SIZE size{side, side};
            HWND note = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP,
                                        at.x, at.y, side, side, nullptr, nullptr, wc.hInstance, nullptr);
            for (int child = 0; child < 5; ++child)
                CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD, 0, 0, 10, 10, note, nullptr, wc.hInstance,
                                nullptr);
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            UpdateLayeredWindow(note, nullptr, &at, &size, dc, &source, 0, &blend, ULW_ALPHA);
            ShowWindow(note, SW_SHOWNA);
            windows.push_back(note);
        }
        times.push_back(bench::nowMs() - start);
        for (HWND w : windows) DestroyWindow(w);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    std::sort(times.begin(), times.end());
    char name[120];
    std::snprintf(name, sizeof(name),
                  "the system alone: %d note-sized layered windows with 5 children (median of 3)", count);
    bench::report(name, times[1], "ms", "");
}

} // namespace

TAV_BENCH(startup_platform_200) { platformWindows(200); }
TAV_BENCH(startup_notes_50) { startup(50); }
TAV_BENCH(startup_notes_100) { startup(100); }
TAV_BENCH(startup_notes_200) { startup(200); }
TAV_BENCH(startup_contents_50) { startup(50, true); }
TAV_BENCH(startup_contents_100) { startup(100, true); }
TAV_BENCH(startup_contents_200) { startup(200, true); }
