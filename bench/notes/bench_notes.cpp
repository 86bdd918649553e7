// Note store figures: one property save and one getter on a ~3 KB note file, creating 200 notes
// with the writes of a new note, and listing 200 notes.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "AppPaths.h"
#include "Bench.h"
#include "FolderUtils.h"
#include "TempFolder.h"
#include "NoteFolders.h"
#include "NoteFormat.h"
#include "XmlDocument.h"

namespace {

std::wstring benchRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"tavnote_bench_notes_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
}

// A fresh, empty application folder.
void freshAppFolder() {
    removeTree(benchRoot());
    CreateDirectoryW(benchRoot().c_str(), nullptr);
    setAppDirectoryOverride(benchRoot());
}

SYSTEMTIME stamp(int n) {
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 7;
    t.wHour = WORD(n / 3600 % 24);
    t.wMinute = WORD(n / 60 % 60);
    t.wSecond = WORD(n % 60);
    return t;
}

// The writes the program makes for a new note (creation, geometry, times).
std::optional<TavNoteStore> newNote(int id) {
    auto note = createNote(L"", id, stamp(id));
    if (!note) return note;
    note->SaveGeometry({100, 100, 280, 280});
    note->SaveCreateTime(stamp(id));
    note->SaveUpdateTime(stamp(id));
    return note;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

TAV_BENCH(note_property_save_3kb) {
    freshAppFolder();
    auto note = newNote(100001);
    if (!note) return;
    note->SaveColor(0xFF336699);
    note->SaveAlpha(200);
    note->SaveTopMost(false);
    note->SaveToDesk(false);
    note->SaveBkImage(L"bkimage_20261207043355123_100001_picture.png");
    for (int i = 0; i < 70; ++i)
        note->AddChildRecord(100200 + i, i % 3 == 0 ? kImageChildClass : kRichTextChildClass);
    DWORD size = 0;
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (GetFileAttributesExW(note->GetFilePath().c_str(), GetFileExInfoStandard, &info))
        size = info.nFileSizeLow;
    bench::report("note file size", size, "bytes");
    int alpha = 0;
    bench::report("one property save (SaveAlpha), 3 KB note file",
                  bench::medianMs(200, [&] { note->SaveAlpha(alpha++ & 255); }), "ms");
    // The same change without the atomic, flushed save: what the store itself costs.
    bench::report("  of which load + change in memory",
                  bench::medianMs(200,
                                  [&] {
                                      XmlDocument doc;
                                      note->OpenDocument(doc);
                                      doc.intoElement();
                                      doc.findElement(L"alpha");
                                      doc.setData(alpha++ & 255);
                                  }),
                  "ms");
    bench::report("one property read (LoadAlpha), 3 KB note file",
                  bench::medianMs(200, [&] { note->LoadAlpha(); }), "ms");
    bench::report("child list read (LoadChildren, 70 items)",
                  bench::medianMs(200, [&] { note->LoadChildren(); }), "ms");
}

TAV_BENCH(note_create_and_list_200) {
    std::vector<double> create, list;
    for (int run = 0; run < 5; ++run) {
        freshAppFolder();
        noteItemsDirectory();
        double start = bench::nowMs();
        for (int i = 0; i < 200; ++i) newNote(100001 + i);
        create.push_back(bench::nowMs() - start);
        start = bench::nowMs();
        size_t listed = listAllNotes().size();
        list.push_back(bench::nowMs() - start);
        if (listed != 200) bench::report("listing found a wrong count", double(listed), "notes");
    }
    bench::report("create 200 notes (ID, unique, group, geometry, times)", median(create), "ms");
    bench::report("list 200 notes (listAllNotes)", median(list), "ms");
    setAppDirectoryOverride(L"");
    removeTree(benchRoot());
}
