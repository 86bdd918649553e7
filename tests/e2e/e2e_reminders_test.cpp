// Reminders end to end: prompt files written by hand in a fresh installation. A reminder due every
// minute with the once label opens its execute file (a batch file that appends a line to a
// marker) once, counts itself down to 0, centres its note and shows its sound's path in the note's
// bottom label; a minute later it has still fired once. A hidden note's reminder and a reminder
// without minute labels never fire. A ringing note clicked and stopped ("停止" of its stop menu)
// goes back to its place and stops swinging, stays silent for the rest of that minute and rings
// again in the next one.
#include "DefectsDriver.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppPaths.h"
#include "NoteStore.h"
#include "ReminderSchedule.h"
#include "ReminderTables.h"
#include "XmlDocument.h"

namespace {

std::string utf8(const std::wstring& text) {
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

int lines(const std::wstring& path) {
    const std::string bytes = readBytes(path);
    int n = 0;
    for (char c : bytes) n += c == '\n';
    return n;
}

// The minute labels 0 to 59: due in every minute.
std::string everyMinute() {
    std::string minutes = "<Minute>\r\n";
    for (int m = 0; m < 60; ++m)
        minutes += "<item value=\"" + std::to_string(m) + "\">" + std::to_string(m) + "分</item>\r\n";
    return minutes + "</Minute>\r\n";
}

// A note with a reminder of those labels that runs a batch file appending a line to `marker`.
void prepare(const std::wstring& folder, const std::wstring& unique, int id, const RECT& place, bool hidden,
             const std::string& labels, const std::wstring& marker) {
    setAppDirectoryOverride(folder);
    TavNoteStore note(unique, L"", id);
    ASSERT_TRUE(note.createNoteFile());
    ASSERT_TRUE(note.SaveGeometry(place).has_value());
    if (hidden) {
        ASSERT_TRUE(note.SaveHidden(true));
    }
    const std::wstring bat = note.fileInFolder(L"ring.bat");
    ASSERT_TRUE(writeBytes(bat, "@echo fired>>\"" + utf8(marker) + "\"\r\n"));
    ASSERT_TRUE(writeBytes(note.folderPath() + L"prompt.xml",
                           "<TavNotePrompt>\r\n<ID>20100</ID>\r\n" + labels +
                               "<ExecFile>\r\n<item FilePath=\"" + utf8(bat) +
                               "\">ring.bat</item>\r\n</ExecFile>\r\n</TavNotePrompt>\r\n"));
    setAppDirectoryOverride(L"");
}

// Once, centred, with a sound that is not there; due in every minute or never (no minute label).
std::string onceCentred(bool withMinutes) {
    return (withMinutes ? everyMinute() : "<Hour>\r\n<item value=\"8\">8时</item>\r\n</Hour>\r\n") +
           "<PromptCount>1</PromptCount>\r\n<Style>\r\n<item value=\"4\">居中</item>\r\n</Style>\r\n"
           "<MusicFile>\r\n<item FilePath=\"C:\\sounds\\bell.mp3\">bell.mp3</item>\r\n</MusicFile>\r\n";
}

std::wstring promptCount(const std::wstring& folder, const std::wstring& unique) {
    XmlDocument doc;
    if (!doc.loadFile(folder + L"NoteData\\NoteItems\\" + unique + L"\\prompt.xml") ||
        !doc.findElement(L"TavNotePrompt") || !doc.intoElement() || !doc.findElement(L"PromptCount"))
        return L"<none>";
    return doc.getData();
}

TEST(Reminders, AOnceReminderFiresOnceCentredAndHiddenOrMinutelessOnesNever) {
    REQUIRE_TOOL(L"/usr/bin/xdotool");
    TempFolder folder;
    const std::wstring exe = installInto(folder.path());
    const RECT place{60, 80, 240, 260}, hiddenPlace{300, 80, 480, 260}, plainPlace{540, 80, 720, 260};
    const std::wstring due = folder.file(L"due.txt"), hidden = folder.file(L"hidden.txt"),
                       minuteless = folder.file(L"minuteless.txt");
    prepare(folder.path(), L"20261210080000001_01", 700201, place, false, onceCentred(true), due);
    prepare(folder.path(), L"20261210080000002_02", 700202, hiddenPlace, true, onceCentred(true), hidden);
    prepare(folder.path(), L"20261210080000003_03", 700203, plainPlace, false, onceCentred(false),
            minuteless);

    TavNoteProcess app(exe, folder.path());
    ASSERT_TRUE(app.started());
    ASSERT_NE(desk::waitForWindowAt(app, plainPlace, 20000), nullptr);
    // The first pass runs at once: the batch file has run within seconds.
    EXPECT_TRUE(waitFor([&] { return lines(due) >= 1; }, 30000)) << "the due reminder did not fire";
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    const RECT centred{(sw - 180) / 2, (sh - 180) / 2, (sw - 180) / 2 + 180, (sh - 180) / 2 + 180};
    EXPECT_NE(desk::waitForWindowAt(app, centred, 10000), nullptr) << "the ringing note is not centred";
    EXPECT_TRUE(waitFor([&] { return promptCount(folder.path(), L"20261210080000001_01") == L"0"; }, 10000));
    Sleep(1500);
    desk::Screen screen;
    EXPECT_TRUE(screen.capture(desk::besideTest(L"reminders_ringing.png")));

    // A minute later (four passes): still once; the others never.
    Sleep(62000);
    EXPECT_EQ(lines(due), 1);
    EXPECT_EQ(lines(hidden), 0) << "a hidden note's reminder fired";
    EXPECT_EQ(lines(minuteless), 0) << "a reminder without minute labels fired";
    EXPECT_EQ(promptCount(folder.path(), L"20261210080000001_01"), L"0");
    PostMessageW(app.mainWindow(), WM_CLOSE, 0, 0);
    app.waitForExit(10000);
}

SYSTEMTIME localNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

// The minute string of the minute after `t`.
std::wstring minuteAfter(const SYSTEMTIME& t) {
    return reminderMinuteString(reminderMinuteTime(reminderMinuteIndex(t) + 1));
}

// Pixels of the screen rectangle, every third one in both directions, from a fresh screenshot;
// empty when no screenshot could be taken.
std::vector<uint32_t> looks(const RECT& r) {
    desk::Screen screen;
    std::vector<uint32_t> pixels;
    if (!screen.capture(desk::besideTest(L"reminders_swing_probe.png"))) return pixels;
    for (int y = r.top; y < r.bottom; y += 3)
        for (int x = r.left; x < r.right; x += 3) pixels.push_back(screen.rgb(POINT{x, y}));
    return pixels;
}

// Screenshots of the rectangle for `ms` (at least three): whether one differs from the first. A
// swinging note wobbles for a second after every second of rest.
bool changesWithin(const RECT& r, DWORD ms) {
    const std::vector<uint32_t> first = looks(r);
    EXPECT_FALSE(first.empty());
    const ULONGLONG end = GetTickCount64() + ms;
    for (int shots = 1; shots < 3 || GetTickCount64() < end; ++shots) {
        const std::vector<uint32_t> now = looks(r);
        EXPECT_FALSE(now.empty());
        if (now != first) return true;
    }
    return false;
}

TEST(Reminders, AStoppedNoteIsBackInPlaceStillAndSilentForTheMinuteAndRingsInTheNext) {
    REQUIRE_TOOL(L"/usr/bin/xdotool");
    REQUIRE_TOOL(L"/usr/bin/import");
    TempFolder folder;
    const std::wstring exe = installInto(folder.path());
    const RECT place{200, 160, 380, 340};
    const std::wstring unique = L"20261211080000001_01";
    const std::wstring marker = folder.file(L"rang.txt");
    // Due in every minute without a limit; it swings and comes to the middle when it rings.
    prepare(folder.path(), unique, 700211, place, false,
            everyMinute() +
                "<Style>\r\n<item value=\"2\">晃动</item>\r\n<item value=\"4\">居中</item>\r\n</Style>\r\n",
            marker);
    const std::wstring noteFile =
        folder.path() + L"NoteData\\NoteItems\\" + unique + L"\\" + unique + L".xml";
    ASSERT_EQ(lines(marker), 0);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    const POINT away{sw - 8, sh - 8};
    ASSERT_TRUE(unixtools::xdotool(L"mousemove " + desk::at(away)));
    // Ringing, clicking and stopping take about half a minute: they start early in a minute.
    if (localNow().wSecond > 15) Sleep((60 - localNow().wSecond) * 1000 + 1000);

    TavNoteProcess app(exe, folder.path());
    ASSERT_TRUE(app.started());
    // The first pass runs at once: the batch file runs, the note comes to the middle and swings.
    ASSERT_TRUE(waitFor([&] { return lines(marker) >= 1; }, 30000)) << "the reminder did not ring";
    const std::wstring rangIn = reminderMinuteString(localNow());
    const RECT centred{(sw - 180) / 2, (sh - 180) / 2, (sw - 180) / 2 + 180, (sh - 180) / 2 + 180};
    HWND note = desk::waitForWindowAt(app, centred, 10000);
    ASSERT_NE(note, nullptr) << "the ringing note is not centred";
    EXPECT_TRUE(changesWithin(centred, 10000)) << "the ringing note does not swing";

    // A click on the ringing note opens the stop menu; its "停止" stops the reminder.
    ASSERT_EQ(FindWindowW(nullptr, L"停止提醒菜单"), nullptr);
    ASSERT_TRUE(desk::click(desk::centreOf(centred)));
    ASSERT_NE(defects::waitForWindowTitled(L"停止提醒菜单", 10000), nullptr) << "no stop menu";
    ASSERT_TRUE(desk::choose(app, L"停止"));
    const SYSTEMTIME stoppedAt = localNow();
    const std::wstring stoppedIn = reminderMinuteString(stoppedAt);
    EXPECT_TRUE(waitFor(
        [] {
            HWND menu = FindWindowW(nullptr, L"停止提醒菜单");
            return !menu || !IsWindowVisible(menu);
        },
        10000))
        << "the stop menu stayed";
    ASSERT_EQ(stoppedIn, rangIn) << "the stop fell into another minute than the ringing";
    ASSERT_EQ(lines(marker), 1);

    // Back where its file has it, and still.
    EXPECT_TRUE(waitFor([&] { return desk::sameRect(desk::rectOf(note), place); }, 10000))
        << defects::describe(desk::rectOf(note));
    EXPECT_EQ(defects::describe(defects::storedRect(noteFile)), defects::describe(place));
    ASSERT_TRUE(unixtools::xdotool(L"mousemove " + desk::at(away)));
    EXPECT_FALSE(changesWithin(place, 4500)) << "the stopped note still swings";
    desk::Screen screen;
    EXPECT_TRUE(screen.capture(desk::besideTest(L"reminders_stopped.png")));
    // Upright: its corners are covered too (a tilted frame leaves them to the desktop).
    for (POINT p : {desk::centreOf(place), POINT{place.left + 2, place.top + 2},
                    POINT{place.right - 3, place.top + 2}, POINT{place.left + 2, place.bottom - 3}})
        EXPECT_GT(screen.brightness(p), 200) << "not drawn upright in its place at " << p.x << "," << p.y;

    // Silent for the rest of the stopped minute (the check passes every 15 s)...
    waitFor([&] { return reminderMinuteString(localNow()) != stoppedIn || localNow().wSecond >= 55; }, 60000);
    ASSERT_EQ(reminderMinuteString(localNow()), stoppedIn);
    EXPECT_EQ(lines(marker), 1) << "the stopped minute rang again";
    EXPECT_TRUE(desk::sameRect(desk::rectOf(note), place));
    // ...and ringing in the next one.
    EXPECT_TRUE(waitFor([&] { return lines(marker) >= 2; }, 35000)) << "the next minute did not ring";
    EXPECT_EQ(reminderMinuteString(localNow()), minuteAfter(stoppedAt));
    EXPECT_NE(desk::waitForWindowAt(app, centred, 10000), nullptr) << "the second ringing is not centred";
    EXPECT_EQ(lines(marker), 2);
    PostMessageW(app.mainWindow(), WM_CLOSE, 0, 0);
    app.waitForExit(10000);
}

} // namespace
