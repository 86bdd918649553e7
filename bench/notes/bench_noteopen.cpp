// Opening one note window in the process, as the main window does at start: a note without
// contents, with a rich text block of about 300 characters, with a picture, and with both. The
// difference between them is what each kind of child costs at start-up.
#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "AppPaths.h"
#include "Bench.h"
#include "Sampler.h"
#include "BenchInstallation.h"
#include "NoteContents.h"
#include "NoteStore.h"
#include "Settings.h"
#include "TavNoteItem.h"
#include "TempFolder.h"

namespace {

std::wstring benchRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"tavnote_bench_noteopen_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
}

std::vector<std::wstring> blockText() {
    std::vector<std::wstring> lines;
    for (int line = 0; line < 6; ++line)
        lines.push_back(L"第" + std::to_wstring(line + 1) +
                        L"行：便签的内容 notes text 测试文字，写在这里的一些字 abcdefg 0123456789");
    return lines;
}

int g_nextId = 400000;

struct Gdip {
    Gdip() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    ~Gdip() { Gdiplus::GdiplusShutdown(token); }
    ULONG_PTR token = 0;
};

// Opens `count` notes of the kind and reports the median time per note.
void openNotes(const char* what, bool text, bool picture) {
    Gdip gdip;
    const std::wstring app = benchRoot();
    removeTree(app);
    CreateDirectoryW(app.c_str(), nullptr);
    copyTree(benchnotes::buildInstallation() + L"sysres", app + L"sysres");
    copyTree(benchnotes::buildInstallation() + L"tavnote_reicon", app + L"tavnote_reicon");
    setAppDirectoryOverride(app);
    loadSettings();
    const int count = 30;
    std::vector<std::wstring> names;
    for (int i = 0; i < count; ++i) {
        wchar_t unique[32];
        swprintf(unique, 32, L"20261210050403%03d_%d", i, g_nextId + i);
        TavNoteStore note(unique, L"", g_nextId + i);
        note.createNoteFile();
        const int x = 20 + (i % 10) * 60, y = 40 + (i / 10) * 60;
        note.SaveGeometry(RECT{x, y, x + 180, y + 180});
        if (text)
            notecontents::writeRichBlock(note, 1000000 + 2 * (g_nextId + i), RECT{4, 4, 170, 110},
                                         notecontents::rtfBody(blockText(), 0x203080));
        if (picture) {
            writeBytes(note.fileInFolder(L"pic.bmp"), benchnotes::bmpBytes());
            notecontents::writePictureChild(note, 1000001 + 2 * (g_nextId + i), RECT{100, 110, 150, 150},
                                            L"pic.bmp");
        }
        names.push_back(unique);
    }
    std::vector<double> times;
    std::vector<std::unique_ptr<TavNoteItem>> open;
    // Each note opens with the id its file holds, as at start-up (an id is never used twice).
    int id = g_nextId;
    g_nextId += count;
    bench::Sampler sampler;
    for (const std::wstring& name : names) {
        const double start = bench::nowMs();
        auto note = std::make_unique<TavNoteItem>(name);
        note->create(id++, L"", TavNoteItem::kExStyle, TavNoteItem::kStyle, 0, 0, 180, 180, nullptr);
        times.push_back(bench::nowMs() - start);
        open.push_back(std::move(note));
    }
    open.clear();
    std::sort(times.begin(), times.end());
    bench::report(what, times[times.size() / 2], "ms");
    setAppDirectoryOverride(L"");
    removeTree(app);
}

} // namespace

TAV_BENCH(note_open_empty) { openNotes("open one note window: empty (median of 30)", false, false); }
TAV_BENCH(note_open_text) { openNotes("open one note window: a 300-character text block", true, false); }
TAV_BENCH(note_open_picture) { openNotes("open one note window: a picture", false, true); }
TAV_BENCH(note_open_both) { openNotes("open one note window: text block and picture", true, true); }
