// The reminder check: one pass over 1,000 notes of which 200 carry a reminder that is not due, and
// the CPU time of the check thread over idle passes, as a share of one core.
#include <windows.h>

#include <string>

#include "AppPaths.h"
#include "Bench.h"
#include "ReminderChecker.h"
#include "ReminderTables.h"
#include "TempFolder.h"

namespace {

constexpr int kNotes = 1000;
constexpr int kWithReminder = 200;

std::string ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A fresh application folder with the notes written into NoteItems (names are ASCII digits).
std::wstring makeDataFolder(const std::wstring& root) {
    removeTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    setAppDirectoryOverride(root);
    const std::wstring data = root + L"NoteData\\";
    CreateDirectoryW(data.c_str(), nullptr);
    CreateDirectoryW((data + L"NoteItems\\").c_str(), nullptr);
    CreateDirectoryW((data + L"NoteItems2\\").c_str(), nullptr);
    for (int i = 0; i < kNotes; ++i) {
        const std::wstring name = L"20261207043355123_" + std::to_wstring(100001 + i);
        const std::wstring dir = data + L"NoteItems\\" + name + L"\\";
        CreateDirectoryW(dir.c_str(), nullptr);
        writeBytes(dir + name + L".xml", "<TavNoteItem>\r\n<ID>" + std::to_string(100001 + i) +
                                             "</ID>\r\n<unique>" + ascii(name) +
                                             "</unique>\r\n</TavNoteItem>\r\n");
        if (i % (kNotes / kWithReminder) == 0)
            writeBytes(dir + L"prompt.xml",
                       "<TavNotePrompt>\r\n<ID>1</ID>\r\n<Minute>\r\n<item value=\"30\">30</item>\r\n"
                       "</Minute>\r\n<Hour>\r\n<item value=\"8\">8</item>\r\n</Hour>\r\n"
                       "</TavNotePrompt>\r\n");
    }
    return data;
}

double seconds(const FILETIME& f) {
    return double((ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
}

} // namespace

TAV_BENCH(reminder_pass_1000_notes) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring root =
        std::wstring(temp) + L"tavnote_bench_reminders_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    const std::wstring data = makeDataFolder(root);
    // Every note has an open window, so each reminder is read and evaluated (10:00, not due).
    ReminderPassParts parts;
    parts.dataFolder = data;
    parts.now.wYear = 2026;
    parts.now.wMonth = 12;
    parts.now.wDay = 7;
    parts.now.wHour = 10;
    parts.windowOf = [](int id) -> std::optional<HWND> { return reinterpret_cast<HWND>(INT_PTR(id)); };
    parts.postFire = [](HWND, WPARAM, LPARAM) {};
    parts.openFile = [](const std::wstring&) {};
    int seen = 0;
    bench::report("reminder pass, 1,000 notes, 200 reminders (median)",
                  bench::medianMs(21, [&] { seen = runReminderPass(parts).notesSeen; }), "ms",
                  "goal < 100 ms");
    bench::report("  reminders examined per pass", seen, "");

    // The thread over the same folder: passNow back to back, CPU time of the process per pass.
    // The thread looks windows up in the shared table: every note counts as open.
    for (int i = 0; i < kNotes; ++i)
        ReminderNoteWindows::add(100001 + i, reinterpret_cast<HWND>(INT_PTR(100001 + i)));
    ReminderChecker checker;
    FILETIME c0, e0, k0, u0, c1, e1, k1, u1;
    if (!checker.start(nullptr)) return;
    while (checker.passCount() < 1) Sleep(5);
    const int passes = 40;
    GetProcessTimes(GetCurrentProcess(), &c0, &e0, &k0, &u0);
    const int first = checker.passCount();
    for (int i = 0; i < passes; ++i) {
        checker.passNow();
        while (checker.passCount() < first + i + 1) Sleep(1);
    }
    GetProcessTimes(GetCurrentProcess(), &c1, &e1, &k1, &u1);
    checker.stop();
    ReminderNoteWindows::clear();
    const double cpuPerPass = (seconds(k1) - seconds(k0) + seconds(u1) - seconds(u0)) / passes;
    // 240 passes an hour (every 15 s).
    bench::report("  CPU per idle pass (process, incl. waiting loop)", cpuPerPass * 1000.0, "ms");
    bench::report("check thread CPU, extrapolated to an hour", cpuPerPass * 240.0 / 3600.0 * 100.0, "% core",
                  "goal < 1 %");
    setAppDirectoryOverride(L"");
    removeTree(root);
}
