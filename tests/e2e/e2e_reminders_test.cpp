// Reminders end to end: prompt files written by hand in a fresh installation. A reminder due every
// minute with the once label opens its execute file (a batch file that appends a line to a
// marker) once, counts itself down to 0, centres its note and shows its sound's path in the note's
// bottom label; a minute later it has still fired once. A hidden note's reminder and a reminder
// without minute labels never fire.
#include "DeskDriver.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <string>

#include "AppPaths.h"
#include "NoteStore.h"
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

// A note with a reminder: the minute labels given, the once label, a batch file appending to
// `marker`, the centre style and a sound that is not there.
void prepare(const std::wstring& folder, const std::wstring& unique, int id, const RECT& place, bool hidden,
             bool withMinutes, const std::wstring& marker) {
    setAppDirectoryOverride(folder);
    TavNoteStore note(unique, L"", id);
    ASSERT_TRUE(note.createNoteFile());
    ASSERT_TRUE(note.SaveGeometry(place).has_value());
    if (hidden) {
        ASSERT_TRUE(note.SaveHidden(true));
    }
    const std::wstring bat = note.fileInFolder(L"ring.bat");
    ASSERT_TRUE(writeBytes(bat, "@echo fired>>\"" + utf8(marker) + "\"\r\n"));
    std::string minutes = "<Hour>\r\n<item value=\"8\">8时</item>\r\n</Hour>\r\n";
    if (withMinutes) {
        minutes = "<Minute>\r\n";
        for (int m = 0; m < 60; ++m)
            minutes += "<item value=\"" + std::to_string(m) + "\">" + std::to_string(m) + "分</item>\r\n";
        minutes += "</Minute>\r\n";
    }
    ASSERT_TRUE(writeBytes(
        note.folderPath() + L"prompt.xml",
        "<TavNotePrompt>\r\n<ID>20100</ID>\r\n" + minutes +
            "<PromptCount>1</PromptCount>\r\n<Style>\r\n<item value=\"4\">居中</item>\r\n</Style>\r\n"
            "<ExecFile>\r\n<item FilePath=\"" +
            utf8(bat) +
            "\">ring.bat</item>\r\n</ExecFile>\r\n<MusicFile>\r\n<item "
            "FilePath=\"C:\\sounds\\bell.mp3\">bell.mp3</item>\r\n</MusicFile>\r\n</TavNotePrompt>\r\n"));
    setAppDirectoryOverride(L"");
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
    prepare(folder.path(), L"20261210080000001_01", 700201, place, false, true, due);
    prepare(folder.path(), L"20261210080000002_02", 700202, hiddenPlace, true, true, hidden);
    prepare(folder.path(), L"20261210080000003_03", 700203, plainPlace, false, false, minuteless);

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

} // namespace
