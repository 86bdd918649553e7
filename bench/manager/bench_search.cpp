// Search figures: gathering the text of 1,000 stored notes (each a rich text block of ~300
// characters of mixed Chinese and Latin; 700 in the system group, 200 in a user group, 100 in
// the recycle bin), refreshing one note, and one query per keystroke as the user types.
#include <windows.h>

#include <cstdio>
#include <string>

#include "AppPaths.h"
#include "Bench.h"
#include "NoteContents.h"
#include "NoteSearch.h"
#include "NoteStore.h"
#include "TempFolder.h"

namespace {

constexpr int kNotes = 1000;

const wchar_t* const kChinese[] = {L"工作", L"计划", L"会议", L"项目", L"今天", L"明天", L"客户", L"报告",
                                   L"需要", L"完成", L"时间", L"问题", L"安排", L"准备", L"资料", L"联系",
                                   L"下午", L"上午", L"预算", L"讨论", L"重要", L"行程", L"长期", L"电话"};
const wchar_t* const kLatin[] = {L"meeting",  L"project", L"report", L"budget", L"call", L"email",
                                 L"review",   L"Q3",      L"draft",  L"todo",   L"sync", L"PDF",
                                 L"deadline", L"client",  L"notes",  L"plan",   L"v2.1", L"Friday"};

// Deterministic text of about 300 characters: Chinese words with a Latin word now and then.
std::wstring noteText(unsigned seed) {
    std::wstring text;
    unsigned x = seed * 2654435761u + 12345u;
    auto next = [&x] {
        x = x * 1103515245u + 12345u;
        return (x >> 16) & 0x7FFF;
    };
    while (text.size() < 300) {
        if (next() % 4 == 0) {
            text += L' ';
            text += kLatin[next() % std::size(kLatin)];
            text += L' ';
        } else {
            text += kChinese[next() % std::size(kChinese)];
        }
        if (next() % 12 == 0) text += L"，";
    }
    return text;
}

std::wstring benchRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"tavnote_bench_search_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
}

// The data folder of kNotes notes, made once for every case.
void makeNotes() {
    static bool made = false;
    if (made) return;
    made = true;
    removeTree(benchRoot());
    CreateDirectoryW(benchRoot().c_str(), nullptr);
    setAppDirectoryOverride(benchRoot());
    const std::wstring group = noteItems2Directory() + L"工作组\\";
    CreateDirectoryW(group.c_str(), nullptr);
    for (int i = 0; i < kNotes; ++i) {
        const std::wstring base = i < 700 ? std::wstring() : i < 900 ? group : recycleDirectory();
        wchar_t unique[40];
        swprintf(unique, 40, L"20261207%09d_%02d", i, i % 100);
        TavNoteStore note(unique, base, 1000 + i);
        if (!note.createNoteFile() ||
            !notecontents::writeRichBlock(note, 5000 + i, {0, 0, 180, 180},
                                          notecontents::rtfBody({noteText(unsigned(i))}, 0x203040)))
            std::printf("could not write note %d\n", i);
    }
}

NoteSearch& gathered() {
    static NoteSearch search;
    static bool done = false;
    if (!done) {
        makeNotes();
        search.gather();
        done = true;
    }
    return search;
}

} // namespace

TAV_BENCH(search_gather_1000_notes) {
    makeNotes();
    const double ms = bench::medianMs(5, [] {
        NoteSearch search;
        search.gather();
    });
    bench::report("gather 1,000 notes (rich text bodies read)", ms, "ms");
    std::printf("  notes gathered: %zu\n", gathered().entries().size());
}

TAV_BENCH(search_refresh_one_note) {
    NoteSearch& search = gathered();
    const std::wstring folder = search.entries()[500].folder, unique = search.entries()[500].unique;
    const double ms = bench::medianMs(21, [&] { search.refresh(folder, unique); });
    bench::report("refresh one note among 1,000", ms, "ms");
}

TAV_BENCH(search_query_per_keystroke) {
    const NoteSearch& search = gathered();
    const struct {
        const wchar_t* query;
        const char* label; // the console shows no Chinese
    } queries[] = {{L"g", "g"},
                   {L"gz", "gz"},
                   {L"gzjh", "gzjh"},
                   {L"工作", "gongzuo (Han)"},
                   {L"meeting", "meeting"},
                   {L"工作计划", "gongzuojihua (Han)"},
                   {L"zzzzq", "zzzzq"}};
    for (const auto& q : queries) {
        size_t hits = 0;
        const double ms = bench::medianMs(21, [&] { hits = search.find(q.query).size(); });
        char name[96];
        std::snprintf(name, sizeof(name), "query \"%s\" over 1,000 notes (%zu hits)", q.label, hits);
        bench::report(name, ms, "ms", "goal < 50 ms");
    }
    setAppDirectoryOverride(L"");
    removeTree(benchRoot());
}
