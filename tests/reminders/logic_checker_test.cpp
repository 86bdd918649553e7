// One pass of the reminder check over a data folder written by hand, with a given clock and window
// lookup; and the thread's start, pass-now and stop.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "AppPaths.h"
#include "ReminderChecker.h"
#include "ReminderTables.h"
#include "TempFolder.h"

namespace {

SYSTEMTIME at(int y, int mo, int d, int h, int mi, int s = 0) {
    SYSTEMTIME t{};
    t.wYear = WORD(y);
    t.wMonth = WORD(mo);
    t.wDay = WORD(d);
    t.wHour = WORD(h);
    t.wMinute = WORD(mi);
    t.wSecond = WORD(s);
    return t;
}

std::string utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring items(const wchar_t* element, std::initializer_list<int> values) {
    std::wstring text = std::wstring(L"<") + element + L">";
    for (int v : values) text += L"<item value=\"" + std::to_wstring(v) + L"\">x</item>";
    return text + L"</" + element + L">";
}

struct Firing {
    HWND note;
    WPARAM kind;
    LPARAM minute;
    bool operator==(const Firing& o) const { return note == o.note && kind == o.kind && minute == o.minute; }
};

HWND fakeWindow(int id) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(id - 100000 + 0x1000)); }

// Notes (folder name, object id, window open):
//   NoteItems\alarmA   100001 open   8:30 and 8:31 on the 7th, two execute files (one missing)
//   NoteItems2\Work\groupG 100002 open  every hour at half past
//   Recycle\binR       100003        every minute (never scanned)
//   NoteItems\hiddenH  100004 closed every hour at half past
//   NoteItems\usedZ    100005 open   every hour at half past, no firing left
//   NoteItems\brokenD  100006 open   prompt.xml damaged
//   NoteItems\noIdN    (no ID)       every hour at half past
//   NoteItems\plainP   100008 open   no reminder
class ReminderPassTest : public ::testing::Test {
protected:
    void SetUp() override {
        setAppDirectoryOverride(app_.path());
        data_ = app_.path() + L"NoteData\\";
        for (const wchar_t* f : {L"", L"NoteItems", L"NoteItems2", L"NoteItems2\\Work", L"Recycle"})
            CreateDirectoryW((data_ + f).c_str(), nullptr);
        exec_ = app_.file(L"run me.bat");
        ASSERT_TRUE(writeBytes(exec_, "@echo off\r\n"));
        canary_ = app_.file(L"canary-missing.bat");
        const std::wstring half = items(L"Minute", {30});
        note(L"NoteItems\\", L"alarmA", 100001,
             items(L"Minute", {30, 31}) + items(L"Hour", {8}) + items(L"Day", {7}) +
                 L"<ExecFile><item FilePath=\"" + exec_ + L"\">run me.bat</item><item FilePath=\"" + canary_ +
                 L"\">canary-missing.bat</item><item "
                 L"FilePath=\"relative.bat\">relative.bat</item></ExecFile>");
        note(L"NoteItems2\\Work\\", L"groupG", 100002, half);
        note(L"Recycle\\", L"binR", 100003, items(L"Minute", {30, 31, 45}));
        note(L"NoteItems\\", L"hiddenH", 100004, half);
        note(L"NoteItems\\", L"usedZ", 100005, half + L"<PromptCount>0</PromptCount>");
        note(L"NoteItems\\", L"brokenD", 100006, L"", "<TavNotePrompt><Minute><item value=\"30\">");
        note(L"NoteItems\\", L"noIdN", 0, half);
        note(L"NoteItems\\", L"plainP", 100008, L"", "");
        for (int id : {100001, 100002, 100003, 100005, 100006, 100007, 100008}) windows_[id] = fakeWindow(id);
        FiredReminderSet::clear();
        ReminderStopTable::clear();
    }
    void TearDown() override {
        FiredReminderSet::clear();
        ReminderStopTable::clear();
        setAppDirectoryOverride(L"");
    }

    // id 0 writes a note file without `ID`; an empty prompt text writes no prompt file.
    void note(const std::wstring& folder, const std::wstring& name, int id, const std::wstring& schedule,
              const std::string& rawPrompt = "-") {
        const std::wstring dir = data_ + folder + name + L"\\";
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
        std::wstring noteText = L"<TavNoteItem>";
        if (id) noteText += L"<ID>" + std::to_wstring(id) + L"</ID>";
        noteText += L"<unique>" + name + L"</unique></TavNoteItem>";
        ASSERT_TRUE(writeBytes(dir + name + L".xml", utf8(noteText)));
        if (rawPrompt.empty()) return;
        const std::string prompt = rawPrompt != "-"
                                       ? rawPrompt
                                       : utf8(L"<TavNotePrompt><ID>1</ID>" + schedule + L"</TavNotePrompt>");
        ASSERT_TRUE(writeBytes(dir + L"prompt.xml", prompt));
    }

    ReminderPassResult pass(const SYSTEMTIME& now) {
        ReminderPassParts parts;
        parts.now = now;
        parts.dataFolder = data_;
        parts.windowOf = [this](int id) -> std::optional<HWND> {
            auto it = windows_.find(id);
            if (it == windows_.end()) return std::nullopt;
            return it->second;
        };
        parts.postFire = [this](HWND note, WPARAM w, LPARAM l) { fired_.push_back({note, w, l}); };
        parts.openFile = [this](const std::wstring& path) { opened_.push_back(path); };
        return runReminderPass(parts);
    }

    // The notes fired since the last call, in window order.
    std::vector<Firing> takeFired() {
        std::vector<Firing> f;
        f.swap(fired_);
        std::sort(f.begin(), f.end(), [](const Firing& a, const Firing& b) { return a.note < b.note; });
        return f;
    }

    void writeLastPass(const std::wstring& minute) {
        ASSERT_TRUE(writeBytes(data_ + L"reminders.xml", utf8(L"<TavNoteReminders><LastPass>" + minute +
                                                              L"</LastPass></TavNoteReminders>")));
    }

    // Every path under the application folder.
    std::set<std::wstring> tree() const {
        std::set<std::wstring> paths;
        std::vector<std::wstring> pending{app_.path()};
        while (!pending.empty()) {
            std::wstring folder = pending.back();
            pending.pop_back();
            WIN32_FIND_DATAW d;
            HANDLE find = FindFirstFileW((folder + L"*").c_str(), &d);
            if (find == INVALID_HANDLE_VALUE) continue;
            do {
                const std::wstring name = d.cFileName;
                if (name == L"." || name == L"..") continue;
                paths.insert(folder + name);
                if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) pending.push_back(folder + name + L"\\");
            } while (FindNextFileW(find, &d));
            FindClose(find);
        }
        return paths;
    }

    TempFolder app_{L"tavnote_reminderpass"};
    std::wstring data_, exec_, canary_;
    std::map<int, HWND> windows_;
    std::vector<Firing> fired_;
    std::vector<std::wstring> opened_;
};

const HWND kA = fakeWindow(100001);
const HWND kG = fakeWindow(100002);

TEST_F(ReminderPassTest, FiresOnlyDueNotesWithAnOpenWindow) {
    pass(at(2026, 12, 7, 8, 30, 5));
    EXPECT_EQ(takeFired(), (std::vector<Firing>{{kA, 0, 0}, {kG, 0, 0}}));
    // The missing canary and the relative path are not opened.
    EXPECT_EQ(opened_, std::vector<std::wstring>{exec_});
    EXPECT_TRUE(FiredReminderSet::contains(L"alarmA"));
    EXPECT_TRUE(FiredReminderSet::contains(L"groupG"));
    for (const wchar_t* skipped : {L"binR", L"hiddenH", L"usedZ", L"brokenD", L"noIdN", L"plainP"})
        EXPECT_FALSE(FiredReminderSet::contains(skipped)) << std::wstring(skipped).size();
}

TEST_F(ReminderPassTest, CreatesNothingButTheStateFile) {
    std::set<std::wstring> before = tree();
    pass(at(2026, 12, 7, 8, 30));
    pass(at(2026, 12, 7, 9, 12));
    std::set<std::wstring> after = tree();
    before.insert(data_ + L"reminders.xml");
    EXPECT_EQ(after, before);
    EXPECT_EQ(readBytes(data_ + L"reminders.xml"),
              "<TavNoteReminders>\r\n<LastPass>2026-12-07 09:12</LastPass>\r\n</TavNoteReminders>\r\n");
}

TEST_F(ReminderPassTest, StopDuringTheMinuteAndTheNextMinute) {
    pass(at(2026, 12, 7, 8, 30, 0));
    EXPECT_EQ(takeFired().size(), 2u);
    // Later passes in the same minute do not fire again.
    pass(at(2026, 12, 7, 8, 30, 15));
    EXPECT_TRUE(takeFired().empty());
    // The user stops A in this minute: the next pass forgets it without firing.
    ReminderStopTable::set(kA, L"2026-12-07 08:30");
    pass(at(2026, 12, 7, 8, 30, 30));
    EXPECT_TRUE(takeFired().empty());
    EXPECT_FALSE(FiredReminderSet::contains(L"alarmA"));
    EXPECT_TRUE(FiredReminderSet::contains(L"groupG"));
    pass(at(2026, 12, 7, 8, 30, 45));
    EXPECT_TRUE(takeFired().empty());
    // 8:31 is due again for A: stopped in an earlier minute, it fires. G, not due, is forgotten.
    pass(at(2026, 12, 7, 8, 31, 0));
    EXPECT_EQ(takeFired(), (std::vector<Firing>{{kA, 0, 0}}));
    EXPECT_FALSE(FiredReminderSet::contains(L"groupG"));
}

TEST_F(ReminderPassTest, UnstoppedFiringCoversConsecutiveDueMinutes) {
    pass(at(2026, 12, 7, 8, 30, 0));
    takeFired();
    pass(at(2026, 12, 7, 8, 31, 0));
    EXPECT_TRUE(takeFired().empty());
    pass(at(2026, 12, 7, 8, 32, 0));
    EXPECT_FALSE(FiredReminderSet::contains(L"alarmA"));
    pass(at(2026, 12, 7, 9, 30, 0));
    EXPECT_EQ(takeFired(), (std::vector<Firing>{{kG, 0, 0}}));
}

TEST_F(ReminderPassTest, FirstStartMissesNothing) {
    pass(at(2026, 12, 7, 8, 45));
    EXPECT_TRUE(takeFired().empty());
    EXPECT_TRUE(opened_.empty());
}

TEST_F(ReminderPassTest, MissedAfterThreeHoursFiresTheLatestOnce) {
    writeLastPass(L"2026-12-07 05:45");
    pass(at(2026, 12, 7, 8, 45, 2));
    EXPECT_EQ(takeFired(), (std::vector<Firing>{{kA, 1, 202612070831}, {kG, 1, 202612070830}}));
    EXPECT_EQ(opened_, std::vector<std::wstring>{exec_});
    // The next pass of the same minute has nothing missed.
    pass(at(2026, 12, 7, 8, 45, 17));
    EXPECT_TRUE(takeFired().empty());
    pass(at(2026, 12, 7, 8, 46, 2));
    EXPECT_TRUE(takeFired().empty());
}

TEST_F(ReminderPassTest, MissedOlderThanADayIsDropped) {
    // 30 hours: A's 8:31 of the 7th lies more than a day back; G's 8:30 of the 8th does not.
    writeLastPass(L"2026-12-07 03:00");
    pass(at(2026, 12, 8, 9, 0));
    EXPECT_EQ(takeFired(), (std::vector<Firing>{{kG, 1, 202612080830}}));
    EXPECT_TRUE(opened_.empty());
}

TEST_F(ReminderPassTest, DamagedStateFileCountsAsFirstStart) {
    for (const char* bytes : {"", "<TavNoteReminders><LastPass>yesterday</LastPass></TavNoteReminders>",
                              "<TavNoteReminders><LastPass>2026-12-07 05:45x</LastPass></TavNoteReminders>",
                              "<TavNoteReminders><LastPass>2026-13-07 05:45</LastPass>"}) {
        ASSERT_TRUE(writeBytes(data_ + L"reminders.xml", bytes));
        pass(at(2026, 12, 7, 8, 45));
        EXPECT_TRUE(takeFired().empty()) << bytes;
    }
}

TEST_F(ReminderPassTest, StopSignalEndsThePassBeforeAnyNote) {
    HANDLE stop = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    ReminderPassParts parts;
    parts.now = at(2026, 12, 7, 8, 30);
    parts.dataFolder = data_;
    parts.windowOf = [this](int id) -> std::optional<HWND> {
        return windows_.count(id) ? windows_[id] : nullptr;
    };
    parts.postFire = [this](HWND note, WPARAM w, LPARAM l) { fired_.push_back({note, w, l}); };
    parts.stopEvent = stop;
    EXPECT_TRUE(runReminderPass(parts).stopped);
    CloseHandle(stop);
    EXPECT_TRUE(fired_.empty());
    EXPECT_FALSE(pathExists(data_ + L"reminders.xml"));
}

TEST_F(ReminderPassTest, HostileDataFolderIsRefused) {
    for (const std::wstring& folder :
         {std::wstring(), std::wstring(L"NoteData\\"), data_.substr(0, data_.size() - 1)}) {
        ReminderPassParts parts;
        parts.now = at(2026, 12, 7, 8, 30);
        parts.dataFolder = folder;
        parts.windowOf = [](int) -> std::optional<HWND> { return fakeWindow(100002); };
        parts.postFire = [this](HWND note, WPARAM w, LPARAM l) { fired_.push_back({note, w, l}); };
        runReminderPass(parts);
    }
    EXPECT_TRUE(fired_.empty());
    EXPECT_FALSE(pathExists(data_ + L"reminders.xml"));
}

TEST(ReminderCheckerThread, StartPassNowStop) {
    TempFolder app(L"tavnote_reminderthread");
    setAppDirectoryOverride(app.path());
    {
        ReminderChecker checker;
        ASSERT_TRUE(checker.start(nullptr));
        EXPECT_FALSE(checker.start(nullptr));
        // The first pass runs at once; passNow asks for another without the 15-second wait.
        for (int i = 0; i < 500 && checker.passCount() < 1; ++i) Sleep(10);
        checker.passNow();
        for (int i = 0; i < 500 && checker.passCount() < 2; ++i) Sleep(10);
        EXPECT_GE(checker.passCount(), 2);
        EXPECT_TRUE(checker.running());
        EXPECT_TRUE(checker.stop());
        EXPECT_FALSE(checker.running());
        EXPECT_TRUE(checker.stop());
    }
    EXPECT_TRUE(pathExists(app.path() + L"NoteData\\reminders.xml"));
    setAppDirectoryOverride(L"");
}

} // namespace
