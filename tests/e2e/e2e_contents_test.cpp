// What a note holds, end to end: a data folder written by another copy of the program (a rich text
// block with colored Chinese text, a plain text block and a picture) opens with all three drawn
// where their files say, and opening it changes none of its files.
#include "DeskDriver.h"
#include "NoteContents.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "AppPaths.h"
#include "NoteStore.h"
#include "XmlDocument.h"

using desk::rectOf;
using desk::writeSolidPng;

namespace {

std::map<std::wstring, std::string> filesOf(const std::wstring& folder) {
    std::map<std::wstring, std::string> files;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files[fd.cFileName] = readBytes(folder + fd.cFileName);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return files;
}

// Pixels of the screen rectangle for which `match` holds.
template <typename Match> int countPixels(const desk::Screen& screen, const RECT& r, Match match) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += match(screen.rgb(POINT{x, y})) ? 1 : 0;
    return n;
}

int red(uint32_t c) { return int((c >> 16) & 255); }
int green(uint32_t c) { return int((c >> 8) & 255); }
int blue(uint32_t c) { return int(c & 255); }

RECT onScreen(const RECT& note, const RECT& child) {
    return RECT{note.left + child.left, note.top + child.top, note.left + child.right,
                note.top + child.bottom};
}

TEST(NoteContents, APreparedFolderOpensWithTextBlocksAndAPictureDrawnAndUnchanged) {
    REQUIRE_TOOL(L"/usr/bin/xdotool");
    TempFolder folder;
    const std::wstring exe = installInto(folder.path());
    const RECT place{200, 150, 560, 470};
    const RECT richRect{10, 10, 330, 70}, plainRect{10, 90, 330, 130}, pictureRect{60, 150, 180, 270};
    std::wstring noteFolder;
    {
        setAppDirectoryOverride(folder.path());
        TavNoteStore note(L"20261210120000001_01", L"", 700001);
        ASSERT_TRUE(note.createNoteFile());
        ASSERT_TRUE(note.SaveGeometry(place).has_value());
        ASSERT_TRUE(notecontents::writeRichBlock(
            note, 700101, richRect,
            notecontents::rtfBody({L"红色的字 Red text", L"第二行 second"}, 0xD01010, L"Red")));
        ASSERT_TRUE(
            notecontents::writePlainBlock(note, 700102, plainRect, L"plain 纯文本 WWWW", 0xFF1030D0u));
        ASSERT_TRUE(writeSolidPng(note.fileInFolder(L"bkimage_700001_green.png"), 40, 40, 0xFF10B040));
        ASSERT_TRUE(notecontents::writePictureChild(note, 700103, pictureRect, L"bkimage_700001_green.png"));
        noteFolder = note.folderPath();
        setAppDirectoryOverride(L"");
    }
    const std::map<std::wstring, std::string> before = filesOf(noteFolder);
    ASSERT_EQ(before.size(), 6u); // the note, three child files, the body and the picture

    {
        TavNoteProcess app(exe, folder.path());
        ASSERT_TRUE(app.started());
        ASSERT_NE(desk::waitForWindowAt(app, place, 20000), nullptr) << "the note does not open at its place";
        Sleep(1500); // the first frame of every child
        desk::Screen screen;
        ASSERT_TRUE(screen.capture(desk::besideTest(L"contents_prepared.png")));

        // The picture fills its rectangle inside a 4-pixel margin.
        const RECT picture = onScreen(place, RECT{pictureRect.left + 8, pictureRect.top + 8,
                                                  pictureRect.right - 8, pictureRect.bottom - 8});
        const int area = (picture.right - picture.left) * (picture.bottom - picture.top);
        EXPECT_GT(countPixels(screen, picture,
                              [](uint32_t c) { return green(c) > 140 && red(c) < 80 && blue(c) < 110; }),
                  area * 9 / 10)
            << "the picture is not drawn at its place";
        // The rich block's text in its red, the plain block's in its blue, each inside its own place.
        auto reddish = [](uint32_t c) { return red(c) > 120 && green(c) < 90 && blue(c) < 90; };
        auto bluish = [](uint32_t c) { return blue(c) > 120 && red(c) < 90 && green(c) < 110; };
        EXPECT_GT(countPixels(screen, onScreen(place, richRect), reddish), 40)
            << "no red text in the rich block";
        EXPECT_GT(countPixels(screen, onScreen(place, plainRect), bluish), 40)
            << "no blue text in the plain block";
        EXPECT_EQ(countPixels(screen, onScreen(place, plainRect), reddish), 0);
        EXPECT_EQ(countPixels(screen, onScreen(place, richRect), bluish), 0);

        PostMessageW(app.mainWindow(), WM_CLOSE, 0, 0);
        app.waitForExit(10000);
    }
    const std::map<std::wstring, std::string> after = filesOf(noteFolder);
    for (const auto& [name, bytes] : before) {
        auto found = after.find(name);
        ASSERT_NE(found, after.end()) << "gone: " << std::string(name.begin(), name.end());
        EXPECT_EQ(found->second, bytes)
            << "changed by being opened: " << std::string(name.begin(), name.end());
    }
}

std::vector<std::wstring> subFolders(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return names;
}

void quit(TavNoteProcess& app) {
    PostMessageW(app.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app.waitForExit(60000), 0u);
}

TEST(NoteContents, TheFirstStartGreetsWithAWelcomeNoteThatNeverComesBackOnceDeleted) {
    REQUIRE_TOOL(L"/usr/bin/xdotool");
    TempFolder folder;
    const std::wstring exe = installInto(folder.path(), true);
    const std::wstring notes = folder.path() + L"NoteData\\NoteItems\\";
    std::wstring unique;
    {
        TavNoteProcess app(exe, folder.path());
        ASSERT_TRUE(app.started());
        std::vector<HWND> shown;
        ASSERT_TRUE(waitFor([&] { return (shown = desk::noteWindows(app)).size() == 1; }, 20000))
            << "no welcome note on the first start";
        ASSERT_TRUE(waitFor([&] { return subFolders(notes).size() == 1; }, 10000));
        unique = subFolders(notes).front();
        const std::wstring noteFolder = notes + unique + L"\\";
        // One rich text block, whose body says how to write, format and find notes again.
        XmlDocument doc;
        auto firstItem = [&] {
            return doc.loadFile(noteFolder + unique + L".xml") && doc.findElement(L"TavNoteItem") &&
                   doc.intoElement() && doc.findElement(L"ChildItems") && doc.intoElement() &&
                   doc.findElement(L"Item");
        };
        ASSERT_TRUE(waitFor(firstItem, 10000)) << "the welcome note holds no text block";
        EXPECT_EQ(doc.getAttribute(L"identify"), L"TavRichEditNI");
        const std::wstring child = doc.getData();
        EXPECT_FALSE(doc.findElement(L"Item")) << "more than one child";
        std::string body;
        waitFor([&] { return (body = readBytes(noteFolder + child + L"_rtf")).size() > 200; }, 10000);
        EXPECT_NE(body.find("TavNote"), std::string::npos) << body;
        EXPECT_GT(body.size(), 200u);

        // Where the tray's new notes go, wholly inside the work area, with dark text on it.
        const RECT r = rectOf(shown.front());
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right &&
                    r.bottom <= work.bottom);
        Sleep(1000);
        desk::Screen screen;
        ASSERT_TRUE(screen.capture(desk::besideTest(L"contents_welcome.png")));
        EXPECT_GT(countPixels(screen, r,
                              [](uint32_t c) { return red(c) < 100 && green(c) < 100 && blue(c) < 100; }),
                  300)
            << "the welcome note shows no text";

        // Deleted as any note: its menu's "删除", then OK.
        const POINT empty{r.right - 20, r.bottom - 40};
        ASSERT_TRUE(desk::click(empty, 3));
        ASSERT_TRUE(desk::choose(app, L"删除"));
        ASSERT_TRUE(desk::choose(app, L"确定"));
        EXPECT_TRUE(waitFor([&] { return subFolders(notes).empty(); }, 15000)) << "the welcome note stays";
        quit(app);
    }
    // Started again: no note comes back.
    TavNoteProcess again(exe, folder.path());
    ASSERT_TRUE(again.started());
    ASSERT_TRUE(waitFor([&] { return again.mainWindow() != nullptr; }, 20000));
    Sleep(2000);
    EXPECT_TRUE(desk::noteWindows(again).empty());
    EXPECT_TRUE(subFolders(notes).empty());
    quit(again);
}

} // namespace
