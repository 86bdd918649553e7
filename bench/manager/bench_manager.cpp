// Manager figures with 1,000 stored notes (700 in the system group, 200 of them hidden with a
// snapshot, 200 in a user group, 100 in the recycle bin): opening the manager until the notes
// of the group chosen last are listed and shown, and exporting every note of a group to TXT
// (gathering, the progress window and the worker's write).
#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <string>

#include "AppPaths.h"
#include "AppState.h"
#include "Bench.h"
#include "Sampler.h"
#include "ManagerState.h"
#include "NoteContents.h"
#include "NoteFolders.h"
#include "NoteStore.h"
#include "TavNMiManager.h"
#include "TempFolder.h"

namespace {

constexpr int kNotes = 1000;

std::wstring installation() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = exe;
    for (int up = 0; up < 3; ++up) path = path.substr(0, path.find_last_of(L'\\'));
    return path + L"\\TavNote\\";
}

std::wstring benchRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"tavnote_bench_manager_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// A 96 x 96 picture as a 24-bit BMP, the snapshot of a hidden note.
std::string snapshotBytes(unsigned rgb) {
    const int w = 96, h = 96, row = w * 3, size = 54 + row * h;
    std::string b(size_t(size), '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 255);
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, uint32_t(size)), put32(10, 54), put32(14, 40), put32(18, uint32_t(w)), put32(22, uint32_t(h));
    b[26] = 1, b[28] = 24;
    for (int i = 54; i < size; i += 3)
        b[size_t(i)] = char(rgb & 255), b[size_t(i) + 1] = char((rgb >> 8) & 255),
        b[size_t(i) + 2] = char(rgb >> 16);
    return b;
}

struct Session {
    ULONG_PTR token = 0;
    Session() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        appState().instance = GetModuleHandleW(nullptr);
        removeTree(benchRoot());
        CreateDirectoryW(benchRoot().c_str(), nullptr);
        // The installation's pictures, the data folder of its own.
        const std::wstring from = installation() + L"sysres\\", to = benchRoot() + L"sysres\\";
        CreateDirectoryW(to.c_str(), nullptr);
        WIN32_FIND_DATAW d;
        HANDLE find = FindFirstFileW((from + L"*").c_str(), &d);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    CopyFileW((from + d.cFileName).c_str(), (to + d.cFileName).c_str(), FALSE);
            } while (FindNextFileW(find, &d));
            FindClose(find);
        }
        setAppDirectoryOverride(benchRoot());
        const std::wstring group = noteItems2Directory() + L"工作组\\";
        CreateDirectoryW(group.c_str(), nullptr);
        for (int i = 0; i < kNotes; ++i) {
            const std::wstring base = i < 700 ? std::wstring() : i < 900 ? group : recycleDirectory();
            wchar_t unique[40];
            swprintf(unique, 40, L"202612%02d%09d_%02d", 1 + i / 40, i, i % 100);
            TavNoteStore note(unique, base, 1000 + i);
            SYSTEMTIME made{2026, 12, 0, WORD(1 + i / 40), 9, 0, 0, 0};
            bool ok = note.createNoteFile() && note.SaveGeometry(RECT{0, 0, 200, 180}).has_value() &&
                      note.SaveCreateTime(made) &&
                      notecontents::writeRichBlock(
                          note, 5000 + i, {0, 0, 180, 120},
                          notecontents::rtfBody(
                              {L"第" + std::to_wstring(i) + L"个便签 工作计划 meeting notes"}, 0x203040));
            if (i < 200) {
                ok = ok &&
                     writeBytes(note.folderPath() + L"snap.bmp", snapshotBytes(0x30A0E0 + unsigned(i))) &&
                     note.SaveHidden(true);
                XmlDocument doc;
                ok = ok && note.OpenDocument(doc) && doc.intoElement() &&
                     doc.addElement(L"pngview", L"snap.bmp") && doc.saveFile(note.GetFilePath());
            }
            if (!ok) std::printf("could not write note %d\n", i);
        }
    }
    ~Session() {
        setAppDirectoryOverride(L"");
        removeTree(benchRoot());
    }
};

Session& session() {
    static Session s;
    return s;
}

} // namespace

TAV_BENCH(manager_open_1000_notes) {
    session();
    size_t listed = 0;
    const double ms = bench::medianMs(5, [&] {
        TavNMiManager manager(nullptr);
        manager.settingsPage().setRegistry(AutorunRegistry{}); // no registry work in the figure
        manager.createModeless(nullptr, kManagerWindowId);
        pump(); // the notes page reads and shows its group
        listed = manager.notesPage().noteList().entries().size();
        DestroyWindow(manager.handle());
        pump();
    });
    bench::report("open the manager, 700 notes listed and shown", ms, "ms", "goal < 1000 ms");
    std::printf("  notes listed: %zu\n", listed);
}

TAV_BENCH(manager_export_1000_notes_txt) {
    session();
    std::vector<std::pair<std::wstring, std::wstring>> notes;
    for (const ManagerNoteEntry& e : readManagerNoteList(noteItemsDirectory()))
        notes.push_back({e.folder, e.unique});
    for (const ManagerNoteEntry& e : readManagerNoteList(noteItems2Directory() + L"工作组\\"))
        notes.push_back({e.folder, e.unique});
    for (const ManagerNoteEntry& e : readManagerNoteList(recycleDirectory()))
        notes.push_back({e.folder, e.unique});
    const std::wstring out = benchRoot() + L"export.txt";
    TavExportDialogs dialogs;
    dialogs.chooseDestination = [&](ExportKind) { return out; };
    bool ok = false;
    const double ms =
        bench::medianMs(3, [&] { ok = runNoteExport(nullptr, ExportKind::Text, notes, dialogs); });
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(out.c_str(), GetFileExInfoStandard, &data);
    bench::report("export 1,000 notes to one TXT file", ms, "ms", "goal < 5000 ms");
    std::printf("  notes: %zu, written: %s, %lu bytes\n", notes.size(), ok ? "yes" : "no", data.nFileSizeLow);
}

TAV_BENCH(manager_parts) {
    session();
    size_t n = 0;
    double ms = bench::medianMs(3, [&] { n = readManagerNoteList(noteItemsDirectory()).size(); });
    bench::report("read the list of 700 notes", ms, "ms");
    ms = bench::medianMs(3, [&] { n = listNoteFolder(noteItemsDirectory(), L"", false).size(); });
    bench::report("listNoteFolder of 700 notes", ms, "ms");
    std::vector<std::wstring> uniques;
    for (const ManagerNoteEntry& e : readManagerNoteList(noteItemsDirectory())) uniques.push_back(e.unique);
    ms =
        bench::medianMs(3, [&] { n = gatherExport(noteItemsDirectory(), uniques, ExportKind::Text).size(); });
    bench::report("gather 700 notes for a text export", ms, "ms");
    std::vector<ExportNote> notes = gatherExport(noteItemsDirectory(), uniques, ExportKind::Text);
    std::atomic<bool> cancel{false};
    ms = bench::medianMs(3, [&] {
        writeExport(
            ExportKind::Text, notes, benchRoot() + L"x.txt", [](int, int) {}, cancel);
    });
    bench::report("write 700 notes as text", ms, "ms");
}

TAV_BENCH(manager_open_parts) {
    session();
    double create = 0, first = 0;
    const double ms = bench::medianMs(3, [&] {
        TavNMiManager manager(nullptr);
        manager.settingsPage().setRegistry(AutorunRegistry{});
        double t0 = bench::nowMs();
        manager.createModeless(nullptr, kManagerWindowId);
        create = bench::nowMs() - t0;
        t0 = bench::nowMs();
        pump();
        first = bench::nowMs() - t0;
        DestroyWindow(manager.handle());
        pump();
    });
    {
        TavNMiManager manager(nullptr);
        manager.settingsPage().setRegistry(AutorunRegistry{});
        manager.createModeless(nullptr, kManagerWindowId);
        pump();
        auto& list = manager.notesPage().noteList();
        bench::report("  list render", bench::medianMs(5, [&] { list.renderSelf(); }), "ms");
        bench::report("  group list render",
                      bench::medianMs(5, [&] { manager.notesPage().groupList().renderSelf(); }), "ms");
        bench::report("  one button render",
                      bench::medianMs(5, [&] { manager.notesPage().button(kMgrExportId)->renderSelf(); }),
                      "ms");
        bench::report("  manager redrawAll", bench::medianMs(5, [&] { manager.redrawAll(); }), "ms");
        bench::report("  manager present", bench::medianMs(5, [&] { manager.present(); }), "ms");
        bench::report("  list reload", bench::medianMs(3, [&] { manager.notesPage().reload(); }), "ms");
        DestroyWindow(manager.handle());
        pump();
    }
    bench::report("open (total)", ms, "ms");
    bench::report("  create", create, "ms");
    bench::report("  first list", first, "ms");
}

TAV_BENCH(manager_search_per_keystroke) {
    session();
    TavNMiManager manager(nullptr);
    manager.settingsPage().setRegistry(AutorunRegistry{});
    manager.createModeless(nullptr, kManagerWindowId);
    pump();
    TavNMiNote& page = manager.notesPage();
    double t0 = bench::nowMs();
    page.setSearchText(L"g");
    bench::report("first keystroke (every note's text read)", bench::nowMs() - t0, "ms");
    // Typing on and taking a letter back, the list shown after each.
    const wchar_t* const typed[] = {L"gz", L"gzj", L"gzjh", L"gzj", L"gz", L"工作", L"meeting"};
    size_t k = 0, shown = 0;
    bench::Sampler sampler;
    const double ms = bench::medianMs(21, [&] {
        page.setSearchText(typed[k++ % std::size(typed)]);
        shown = page.noteList().entries().size();
    });
    bench::report("a keystroke in the search box over 1,000 notes", ms, "ms", "goal < 50 ms");
    std::printf("  notes listed after the last: %zu\n", shown);
    DestroyWindow(manager.handle());
    pump();
}
