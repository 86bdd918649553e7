// TavNote.exe started on data folders that a damaged disk, another program or a curious user could
// leave behind. Whatever the folder holds, the program must not change anything outside NoteData
// (the installation folder with a canary, help.chm and sysres\, and a canary beside it), must not
// lose any file inside it, and must keep showing the ordinary notes.
#include "DataFolderCheck.h"
#include "DeskDriver.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using datacheck::joined;
using desk::centreOf;
using desk::rectOf;
using desk::writeSolidPng;

namespace {

std::string utf8(const std::wstring& w) {
    std::string s(w.size() * 4, '\0');
    s.resize(size_t(
        WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), int(s.size()), nullptr, nullptr)));
    return s;
}

// A note file as the program writes it; `extra` goes before the end of the root.
std::string noteXml(int id, const std::wstring& unique, const RECT& r, const std::string& extra = "") {
    auto el = [](const char* name, const std::string& value) {
        return "<" + std::string(name) + ">" + value + "</" + name + ">\r\n";
    };
    return "<TavNoteItem>\r\n" + el("ID", std::to_string(id)) + el("unique", utf8(unique)) + el("group", "") +
           el("left", std::to_string(r.left)) + el("top", std::to_string(r.top)) +
           el("right", std::to_string(r.right)) + el("bottom", std::to_string(r.bottom)) +
           "<ChildItems></ChildItems>\r\n" + extra + "</TavNoteItem>\r\n";
}

bool isBlue(uint32_t rgb) {
    return (rgb & 0xFF) > 180 && ((rgb >> 16) & 0xFF) < 80 && ((rgb >> 8) & 0xFF) < 80;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Resident memory of the Unix process behind the program started from `exe`, from /proc (0 when
// unknown).
unsigned long long residentBytesOf(const std::wstring& exe) {
    const int pid = datacheck::unixPidOf(exe);
    if (pid <= 0) return 0;
    const std::string status = readBytes(L"Z:\\proc\\" + std::to_wstring(pid) + L"\\status");
    const size_t at = status.find("VmRSS:");
    return at == std::string::npos ? 0 : std::strtoull(status.c_str() + at + 6, nullptr, 10) * 1024;
}

class HostileDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL(L"/usr/bin/xdotool");
        unixtools::xdotool(L"mousemove 640 780");
        exe_ = installInto(folder_.path());
        ASSERT_TRUE(exists(exe_));
        for (const wchar_t* sub : {L"NoteData", L"NoteData\\NoteItems"})
            CreateDirectoryW((folder_.path() + sub).c_str(), nullptr);
        ASSERT_TRUE(writeBytes(folder_.file(L"canary.txt"), "installation canary"));
        // Beside the installation folder, in its parent.
        std::wstring parent = folder_.path().substr(0, folder_.path().size() - 1);
        parent.resize(parent.rfind(L'\\') + 1);
        static int counter = 0;
        outside_ = parent + L"tav_e2e_outside_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                   std::to_wstring(++counter) + L"\\";
        CreateDirectoryW(outside_.c_str(), nullptr);
        ASSERT_TRUE(writeBytes(outside_ + L"canary.txt", "outside canary"));
        ASSERT_TRUE(writeSolidPng(outside_ + L"canary.png", 64, 64, 0xFF0000FF));
    }
    void TearDown() override {
        datacheck::removeHostLinks(folder_.path());
        if (!outside_.empty()) {
            EXPECT_EQ(readBytes(outside_ + L"canary.txt"), "outside canary")
                << "the canary beside the installation";
            EXPECT_TRUE(exists(outside_ + L"canary.png")) << "the picture beside the installation";
            DeleteFileW((outside_ + L"canary.txt").c_str());
            DeleteFileW((outside_ + L"canary.png").c_str());
            RemoveDirectoryW(outside_.c_str());
        }
    }

    std::wstring items() const { return folder_.path() + L"NoteData\\NoteItems\\"; }
    void writeNote(const std::wstring& unique, int id, const RECT& r, const std::string& extra = "") {
        CreateDirectoryW((items() + unique).c_str(), nullptr);
        ASSERT_TRUE(writeBytes(items() + unique + L"\\" + unique + L".xml", noteXml(id, unique, r, extra)));
    }
    datacheck::Listing listing() const { return datacheck::listTree(folder_.path()); }

    // Nothing outside NoteData changed, nothing inside it lost.
    void expectIntact(const datacheck::Listing& before, bool deletedNotes) {
        const datacheck::Listing after = listing();
        const auto outside = datacheck::outsideChanges(before, after);
        EXPECT_TRUE(outside.empty()) << "outside NoteData:" << joined(outside);
        const auto lost = datacheck::lostData(before, after, deletedNotes);
        EXPECT_TRUE(lost.empty()) << "inside NoteData:" << joined(lost);
        EXPECT_TRUE(exists(folder_.file(L"help.chm")));
        EXPECT_TRUE(exists(folder_.file(L"sysres\\TavNote.ico")));
    }

    // import can be slow to finish its file on a busy machine: a failed read is taken again.
    static bool capture(desk::Screen& screen, const std::wstring& name) {
        for (int i = 0; i < 3; ++i) {
            if (screen.capture(desk::besideTest(L"hostile_" + name + L".png"))) return true;
            Sleep(1000);
        }
        return false;
    }
    void shot(const std::wstring& name) {
        desk::Screen screen;
        EXPECT_TRUE(capture(screen, name));
    }

    static void quit(TavNoteProcess& app) {
        HWND main = app.mainWindow();
        EXPECT_NE(main, nullptr) << "the program is gone";
        if (main) PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(app.waitForExit(60000), 0u);
    }

    // "添加便签" from the tray menu; true when a new note window appeared.
    static bool addNoteFromTray(TavNoteProcess& app) {
        const size_t before = desk::noteWindows(app).size();
        if (!desk::openTrayMenu(app)) return false;
        HWND add = desk::visibleItem(app, L"添加便签");
        if (!add || !unixtools::xdotool(L"mousemove " + desk::at(centreOf(rectOf(add))) + L" click 1"))
            return false;
        return waitFor([&] { return !app.running() || desk::noteWindows(app).size() > before; }, 10000) &&
               app.running();
    }

    // "删除" from the note's menu, answered with "确定"; true when the window went.
    static bool deleteNote(TavNoteProcess& app, HWND note) {
        const RECT r = rectOf(note);
        if (!desk::click(POINT{r.left + 20, r.top + 20}, 3) || !desk::waitForItem(app, L"隐藏", 8000))
            return false;
        if (!desk::choose(app, L"删除") || !desk::waitForItem(app, L"确定", 8000)) return false;
        return desk::choose(app, L"确定") && waitFor([&] { return !IsWindow(note); }, 15000);
    }

    TempFolder folder_;
    std::wstring exe_, outside_;
};

// The template folder's place is taken by a file: a new note from the tray must neither write its
// temporary template into the working folder (the installation) nor empty it.
TEST_F(HostileDataTest, TemplateFolderThatIsAFileLeavesTheWorkingFolderAlone) {
    const std::wstring note = L"20261207043355101_01";
    const RECT place{300, 200, 480, 380};
    writeNote(note, 123451, place);
    ASSERT_TRUE(writeBytes(folder_.file(L"NoteData\\NoteTpls"), "a file where the template folder belongs"));
    const auto before = listing();

    // The working folder is the installation folder, as a shortcut's "Start in" makes it.
    TavNoteProcess app(exe_, folder_.path());
    HWND window = desk::waitForWindowAt(app, place, 20000);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(desk::click(centreOf(place))); // the model of the new note's look
    EXPECT_TRUE(addNoteFromTray(app)) << "no new note from the tray menu";
    shot(L"template_file");
    EXPECT_TRUE(app.running()) << "the program ended";
    if (app.running()) quit(app);
    expectIntact(before, false);
    EXPECT_EQ(readBytes(folder_.file(L"NoteData\\NoteTpls")), "a file where the template folder belongs");
}

// Folder links inside the data folder point outside it. Loading, deleting a note that lives behind
// a link and making a note through a temporary template that is a link never touch the targets.
TEST_F(HostileDataTest, LinkedNoteGroupAndTemplateFoldersNeverLoseTheirTargets) {
    const RECT ordinaryPlace{200, 150, 380, 330}, linkedPlace{600, 200, 780, 380};
    writeNote(L"20261207043355101_01", 123451, ordinaryPlace);
    struct LinkCase {
        const wchar_t* what;
        const wchar_t* link;   // inside NoteData
        const wchar_t* target; // in the installation folder, outside NoteData
    } links[] = {
        {L"note folder without a note file", L"NoteItems\\20261207043355102_02", L"linked_empty"},
        {L"note folder with a note file", L"NoteItems\\20261207043355103_03", L"linked_note"},
        {L"group folder", L"NoteItems2\\linked_group", L"linked_group"},
        {L"temporary template folder", L"NoteTpls\\__temp_tpl_", L"linked_temp_tpl"},
        {L"template folder", L"NoteTpls\\20261207043355104_00", L"linked_tpl"},
    };
    for (const wchar_t* sub : {L"NoteData\\NoteItems2", L"NoteData\\NoteTpls"})
        CreateDirectoryW((folder_.path() + sub).c_str(), nullptr);
    for (const LinkCase& c : links) {
        const std::wstring target = folder_.path() + c.target + L"\\";
        CreateDirectoryW(target.c_str(), nullptr);
        ASSERT_TRUE(writeBytes(target + L"canary.txt", "link target canary"));
    }
    ASSERT_TRUE(writeBytes(folder_.file(L"linked_note\\20261207043355103_03.xml"),
                           noteXml(123453, L"20261207043355103_03", linkedPlace)));
    // An empty note folder in the linked group: start-up removes such folders, but not there.
    CreateDirectoryW(folder_.file(L"linked_group\\20261207043355105_05").c_str(), nullptr);
    for (const LinkCase& c : links)
        ASSERT_TRUE(
            datacheck::makeHostLink(folder_.path() + c.target, folder_.path() + L"NoteData\\" + c.link))
            << c.what;
    const auto before = listing();

    TavNoteProcess app(exe_, folder_.path());
    HWND ordinary = desk::waitForWindowAt(app, ordinaryPlace, 20000);
    ASSERT_NE(ordinary, nullptr);
    HWND linked = desk::waitForWindowAt(app, linkedPlace, 5000);
    shot(L"links");
    // Under Wine a link cannot be removed, so the note may stay; what counts is its target.
    if (linked && !deleteNote(app, linked)) std::printf("the note behind a link stayed after \"删除\"\n");
    ASSERT_TRUE(desk::click(centreOf(ordinaryPlace)));
    EXPECT_TRUE(addNoteFromTray(app)) << "no new note from the tray menu";
    EXPECT_TRUE(app.running()) << "the program ended";
    if (app.running()) quit(app);

    for (const LinkCase& c : links) {
        const std::wstring target = folder_.path() + c.target + L"\\";
        EXPECT_EQ(readBytes(target + L"canary.txt"), "link target canary") << c.what;
    }
    EXPECT_TRUE(isFolder(folder_.file(L"linked_group\\20261207043355105_05")))
        << "the folder in the linked group";
    EXPECT_TRUE(exists(folder_.file(L"linked_note\\20261207043355103_03.xml")))
        << "the note file behind the link";
    // Writes through the links are the user's choice of place; anything gone or changed there is not.
    const auto after = listing();
    std::vector<std::wstring> outside;
    for (const std::wstring& change : datacheck::outsideChanges(before, after)) {
        if (change == L"changed: linked_note\\20261207043355103_03.xml") continue;
        if (datacheck::startsWith(change, L"new: linked_")) {
            std::printf("left behind a link: %ls\n", change.c_str());
            continue;
        }
        outside.push_back(change);
    }
    EXPECT_TRUE(outside.empty()) << "outside NoteData:" << joined(outside);
    const auto lost = datacheck::lostData(before, after, true);
    EXPECT_TRUE(lost.empty()) << "inside NoteData:" << joined(lost);
}

// A megabyte of markup that never ends beside ordinary notes: the parse stays linear, the ordinary
// notes open, the damaged files stay as they were or are kept as ".bad".
TEST_F(HostileDataTest, AMegabyteOfUnterminatedMarkupDoesNotHoldBackTheOtherNotes) {
    struct Hostile {
        const wchar_t* unique;
        const char* unit;
    } hostile[] = {
        {L"20261207043355110_10", "<?"}, {L"20261207043355111_11", "<!--"}, {L"20261207043355112_12", "<a "}};
    for (const Hostile& h : hostile) {
        std::string bytes;
        while (bytes.size() < (1u << 20)) bytes += h.unit;
        CreateDirectoryW((items() + h.unique).c_str(), nullptr);
        ASSERT_TRUE(writeBytes(items() + h.unique + L"\\" + h.unique + L".xml", "<TavNoteItem>" + bytes));
    }
    const RECT places[] = {{200, 150, 380, 330}, {420, 150, 600, 330}};
    writeNote(L"20261207043355101_01", 123451, places[0]);
    writeNote(L"20261207043355102_02", 123452, places[1]);
    const auto before = listing();

    const ULONGLONG start = GetTickCount64();
    TavNoteProcess app(exe_, folder_.path());
    for (const RECT& place : places) EXPECT_NE(desk::waitForWindowAt(app, place, 20000), nullptr);
    std::printf("ordinary notes shown after %.2f s\n", double(GetTickCount64() - start) / 1000.0);
    shot(L"unterminated");
    EXPECT_TRUE(app.running()) << "the program ended";
    if (app.running()) quit(app);
    expectIntact(before, false);
}

// Note A's file names B's folder as its unique name. Each folder is shown once, and moving A writes
// A's folder only.
TEST_F(HostileDataTest, ANoteNamingAnotherNotesFolderWritesOnlyItsOwnFolder) {
    const std::wstring a = L"20261207043355101_01", b = L"20261207043355102_02";
    const RECT placeA{200, 150, 380, 330}, placeB{600, 150, 780, 330};
    CreateDirectoryW((items() + a).c_str(), nullptr);
    ASSERT_TRUE(writeBytes(items() + a + L"\\" + a + L".xml", noteXml(123451, b, placeA)));
    writeNote(b, 123452, placeB);
    const std::string bBytes = readBytes(items() + b + L"\\" + b + L".xml");
    const auto before = listing();

    TavNoteProcess app(exe_, folder_.path());
    HWND windowA = desk::waitForWindowAt(app, placeA, 20000);
    HWND windowB = desk::waitForWindowAt(app, placeB, 5000);
    EXPECT_NE(windowA, nullptr) << "A is not shown";
    EXPECT_NE(windowB, nullptr) << "B is not shown";
    Sleep(500); // a second window of either would come from the same start-up pass
    EXPECT_EQ(desk::noteWindows(app).size(), 2u);
    shot(L"unique_of_another");
    const RECT movedA{300, 350, 480, 530};
    if (windowA) {
        ASSERT_TRUE(desk::drag(centreOf(placeA), centreOf(movedA)));
        EXPECT_TRUE(waitFor([&] { return desk::sameRect(rectOf(windowA), movedA); }, 10000))
            << "A did not move";
        EXPECT_TRUE(waitFor(
            [&] {
                return readBytes(items() + a + L"\\" + a + L".xml").find("<left>300</left>") !=
                       std::string::npos;
            },
            10000))
            << "A's own file does not hold its new place";
    }
    EXPECT_TRUE(app.running());
    if (app.running()) quit(app);
    const std::string bAfter = readBytes(items() + b + L"\\" + b + L".xml");
    EXPECT_EQ(bAfter.find("<left>300</left>"), std::string::npos) << "A's move was written into B's file";
    EXPECT_NE(bAfter.find("<ID>123452</ID>"), std::string::npos) << "B's file lost B's id:\n" << bAfter;
    EXPECT_EQ(datacheck::listTree(items() + b + L"\\").size(), 1u) << "files of A in B's folder";
    expectIntact(before, false);
    (void)bBytes;
}

// Rectangles no screen has: the program stays up, every note opens on the screen at a size a
// screen can show, and memory stays far from what a bitmap of that size would take.
TEST_F(HostileDataTest, AbsurdRectanglesOpenOnTheScreenWithoutHugeBitmaps) {
    struct Absurd {
        const char* what;
        RECT stored;
    } cases[] = {
        {"30000 to the right and down", {30000, 30000, 30180, 30180}},
        {"30000 to the left and up", {-30000, -30000, -29820, -29820}},
        {"the whole int range", {INT_MIN, INT_MIN, INT_MAX, INT_MAX}},
        {"from the origin to the largest int", {0, 0, INT_MAX, INT_MAX}},
        {"right of left, above top", {600, 500, 400, 300}},
        {"the largest int everywhere", {INT_MAX, INT_MAX, INT_MAX, INT_MAX}},
    };
    int n = 0;
    for (const Absurd& c : cases) {
        const std::wstring unique = L"2026120704335510" + std::to_wstring(n) + L"_0" + std::to_wstring(n + 1);
        writeNote(unique, 123451 + n++, c.stored);
    }
    const auto before = listing();

    TavNoteProcess app(exe_, folder_.path());
    const size_t expected = std::size(cases);
    EXPECT_TRUE(waitFor([&] { return !app.running() || desk::noteWindows(app).size() >= expected; }, 20000));
    ASSERT_TRUE(app.running()) << "the program ended";
    shot(L"absurd_rectangles");
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const RECT screen{0, 0, w, h};
    std::vector<HWND> notes = desk::noteWindows(app);
    EXPECT_EQ(notes.size(), expected);
    for (HWND note : notes) {
        const RECT r = rectOf(note);
        RECT seen{};
        IntersectRect(&seen, &r, &screen);
        const std::string where = std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                                  std::to_string(r.right) + "," + std::to_string(r.bottom);
        EXPECT_GE(seen.right - seen.left, 40) << "a note off the screen at " << where;
        EXPECT_GE(seen.bottom - seen.top, 40) << "a note off the screen at " << where;
        EXPECT_LE(r.right - r.left, w) << "wider than the screen at " << where;
        EXPECT_LE(r.bottom - r.top, h) << "higher than the screen at " << where;
    }
    const unsigned long long bytes = residentBytesOf(exe_);
    std::printf("resident memory with the absurd notes open: %.1f MB\n", double(bytes) / 1048576.0);
    EXPECT_GT(bytes, 0u) << "no figure from /proc";
    EXPECT_LT(bytes, 512ull << 20);
    quit(app);
    expectIntact(before, false);
}

// Background names that lead out of the note folder: the files there are neither shown, nor
// deleted when the note is deleted, nor overwritten.
TEST_F(HostileDataTest, BackgroundNamesOutsideTheNoteFolderAreNeitherShownNorDeleted) {
    ASSERT_TRUE(writeSolidPng(folder_.file(L"canary.png"), 64, 64, 0xFF0000FF));
    ASSERT_TRUE(writeSolidPng(folder_.file(L"NoteData\\canary.png"), 64, 64, 0xFF0000FF));
    struct Background {
        const char* what;
        std::wstring bkimage;
        RECT place;
    } cases[] = {
        {"three folders up (the installation folder)", L"..\\..\\..\\canary.png", {100, 150, 280, 330}},
        {"two folders up (the data folder)", L"..\\..\\canary.png", {400, 150, 580, 330}},
        {"an absolute path beside the installation", outside_ + L"canary.png", {700, 150, 880, 330}},
    };
    int n = 0;
    for (const Background& c : cases) {
        const std::wstring unique = L"2026120704335510" + std::to_wstring(n) + L"_0" + std::to_wstring(n + 1);
        writeNote(unique, 123451 + n++, c.place, "<bkimage>" + utf8(c.bkimage) + "</bkimage>\r\n");
    }
    const std::string installed = readBytes(folder_.file(L"canary.png")),
                      data = readBytes(folder_.file(L"NoteData\\canary.png")),
                      beside = readBytes(outside_ + L"canary.png");
    const auto before = listing();

    TavNoteProcess app(exe_, folder_.path());
    std::vector<HWND> windows;
    for (const Background& c : cases) {
        windows.push_back(desk::waitForWindowAt(app, c.place, 20000));
        EXPECT_NE(windows.back(), nullptr) << c.what;
    }
    Sleep(300);
    desk::Screen screen;
    ASSERT_TRUE(capture(screen, L"bkimage"));
    for (const Background& c : cases)
        EXPECT_FALSE(isBlue(screen.rgb(centreOf(c.place)))) << c.what << ": the picture outside is shown";
    // Deleting a note erases its background file: the one it names must stay.
    for (HWND w : windows)
        if (w) {
            EXPECT_TRUE(deleteNote(app, w)) << "the note could not be deleted";
        }
    EXPECT_TRUE(app.running());
    if (app.running()) quit(app);
    EXPECT_EQ(readBytes(folder_.file(L"canary.png")), installed);
    EXPECT_EQ(readBytes(folder_.file(L"NoteData\\canary.png")), data);
    EXPECT_EQ(readBytes(outside_ + L"canary.png"), beside);
    expectIntact(before, true);
}

// A truncated note file is kept as ".bad" before it is rewritten; a note file another program holds
// open is never replaced, even when its note is moved.
TEST_F(HostileDataTest, DamagedFileIsKeptAndAFileThatCannotBeReadIsNeverReplaced) {
    const std::wstring truncated = L"20261207043355101_01", held = L"20261207043355102_02";
    CreateDirectoryW((items() + truncated).c_str(), nullptr);
    const std::string truncatedBytes =
        "<TavNoteItem>\r\n<ID>123451</ID>\r\n<unique>20261207043355101_01</unique>\r\n<left>100</left>\r\n"
        "<ChildItems>\r\n</ChildItems>\r\n<top>1";
    ASSERT_TRUE(writeBytes(items() + truncated + L"\\" + truncated + L".xml", truncatedBytes));
    writeNote(held, 123452, RECT{200, 150, 380, 330});
    const std::wstring heldFile = items() + held + L"\\" + held + L".xml";
    const std::string heldBytes = readBytes(heldFile);
    const RECT ordinaryPlace{500, 450, 680, 630};
    writeNote(L"20261207043355103_03", 123453, ordinaryPlace);
    const auto before = listing();
    HANDLE lock = CreateFileW(heldFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    TavNoteProcess app(exe_, folder_.path());
    ASSERT_NE(desk::waitForWindowAt(app, ordinaryPlace, 20000), nullptr);
    EXPECT_TRUE(waitFor([&] { return desk::noteWindows(app).size() >= 3; }, 10000)) << "a note did not open";
    shot(L"damaged_and_held");
    // Moving the notes that opened with defaults asks for their files to be written.
    for (HWND note : desk::noteWindows(app)) {
        const RECT r = rectOf(note);
        if (desk::sameRect(r, ordinaryPlace)) continue;
        const POINT from = centreOf(r);
        desk::drag(from, POINT{from.x - 150, from.y + 200});
        waitFor([&] { return !desk::sameRect(rectOf(note), r); }, 5000);
    }
    Sleep(500);
    EXPECT_TRUE(app.running());
    if (app.running()) quit(app);
    CloseHandle(lock);
    EXPECT_EQ(readBytes(heldFile), heldBytes) << "the held file was replaced";
    const std::wstring truncatedFile = items() + truncated + L"\\" + truncated + L".xml";
    EXPECT_TRUE(readBytes(truncatedFile) == truncatedBytes ||
                readBytes(truncatedFile + L".bad") == truncatedBytes)
        << "the damaged file was rewritten without a .bad copy";
    expectIntact(before, false);
}

} // namespace
