// TavNote.exe in a fresh installation folder, driven at the desk where people met faults: the
// opacity slider pulled to its end, ids of hidden and recycled notes, a file that is no picture
// chosen as background, new notes on top of each other or off the screen, and a note dragged
// almost off the screen. Each scenario checks the note files and, where it matters, the X screen.
#include "DefectsDriver.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using defects::describe;
using defects::number;
using defects::onScreen;
using defects::storedRect;
using desk::centreOf;
using desk::rectOf;

namespace {

// A note faded further than this is hard to find on the screen again.
constexpr int kLeastOpacity = 51;
// What of a note must stay on the screen to be seen and grabbed.
constexpr int kReachable = 40;

class DefectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL(L"/usr/bin/xdotool");
        // Nothing of an earlier test may be left under the pointer.
        unixtools::xdotool(L"mousemove 640 780");
    }
    std::wstring noteData() const { return folder_.path() + L"NoteData\\"; }
    std::wstring noteItems() const { return noteData() + L"NoteItems\\"; }
    std::wstring noteFolder(const std::wstring& unique) const { return noteItems() + unique + L"\\"; }
    std::wstring noteFile(const std::wstring& unique) const { return noteFolder(unique) + unique + L".xml"; }
    std::wstring start() { return installInto(folder_.path()); }
    // Quits through the main window as the tray menu's "退出" does, and waits for the end.
    static void quit(TavNoteProcess& app) {
        PostMessageW(app.mainWindow(), WM_CLOSE, 0, 0);
        EXPECT_EQ(app.waitForExit(60000), 0u);
    }
    // Every `ID` of every note file under NoteData, with the file it came from.
    std::vector<std::pair<int, std::wstring>> storedIds() const {
        std::vector<std::pair<int, std::wstring>> ids;
        for (const std::wstring& file : defects::allNoteFiles(noteData()))
            ids.emplace_back(number(file, L"ID").value_or(0), file.substr(noteData().size()));
        return ids;
    }
    // True when every note file holds a positive `ID` that no other note file holds.
    bool idsDistinct(size_t expectedFiles) const {
        std::set<int> seen;
        for (const auto& [id, file] : storedIds())
            if (id <= 0 || !seen.insert(id).second) return false;
        return seen.size() == expectedFiles;
    }
    std::wstring idList() const {
        std::wstring all;
        for (const auto& [id, file] : storedIds()) all += L"\n  " + std::to_wstring(id) + L"  " + file;
        return all;
    }
    TempFolder folder_{L"tavdefects"};
};

// ---- the opacity slider ----------------------------------------------------------------------

TEST_F(DefectsTest, OpacitySliderPulledToItsEndLeavesTheNoteVisibleAlsoAfterARestart) {
    struct Case {
        const char* what;
        const wchar_t* unique;
        RECT place;
        bool drag; // the thumb dragged far past the right end; else a click at the far right
    } cases[] = {
        {"thumb dragged far past the right end", L"20261207043355101_01", RECT{300, 150, 480, 330}, true},
        {"click at the far right of the slider", L"20261207043355102_02", RECT{300, 440, 480, 620}, false},
    };
    std::vector<defects::PreparedNote> notes;
    for (const Case& c : cases) notes.push_back({c.unique, c.place});
    ASSERT_TRUE(defects::prepare(folder_.path(), notes));
    const std::wstring exe = start();
    desk::Screen screen;
    {
        TavNoteProcess app(exe, folder_.path());
        for (const Case& c : cases) {
            ASSERT_NE(desk::waitForWindowAt(app, c.place, 20000), nullptr) << c.what;
            ASSERT_TRUE(defects::openNoteMenu(app, POINT{c.place.right - 15, c.place.top + 15})) << c.what;
            const RECT slider = defects::opacitySlider(app);
            ASSERT_FALSE(IsRectEmpty(&slider)) << c.what << ": no opacity row in the note menu";
            const POINT thumb = defects::opaqueThumb(slider);
            if (c.drag) {
                ASSERT_TRUE(desk::drag(thumb, POINT{slider.right + 300, thumb.y})) << c.what;
            } else {
                ASSERT_TRUE(desk::click(POINT{slider.right - 2, thumb.y})) << c.what;
            }
            const std::wstring file = noteFile(c.unique);
            const std::optional<int> alpha = defects::settledNumber(file, L"alpha");
            ASSERT_TRUE(alpha.has_value())
                << c.what << ": no alpha written (" << defects::text(file, L"alpha") << ")";
            EXPECT_GE(*alpha, kLeastOpacity) << c.what;
            // The slider did reach its end: the note is far from opaque.
            EXPECT_LE(*alpha, 100) << c.what;
            ASSERT_TRUE(screen.capture(
                desk::besideTest(c.drag ? L"defects_opacity_drag.png" : L"defects_opacity_click.png")));
            ASSERT_TRUE(defects::closeNoteMenu(app, POINT{c.place.left + 20, c.place.top + 20})) << c.what;
        }
        quit(app);
    }

    TavNoteProcess again(exe, folder_.path());
    for (const Case& c : cases) {
        EXPECT_NE(desk::waitForWindowAt(again, c.place, 20000), nullptr) << c.what << ": not reopened";
        EXPECT_GE(number(noteFile(c.unique), L"alpha").value_or(0), kLeastOpacity) << c.what;
    }
    ASSERT_TRUE(screen.capture(desk::besideTest(L"defects_opacity_restart.png")));
    for (const Case& c : cases) {
        // Without a compositor a faded note shows as its premultiplied color over a black desktop.
        const int note = screen.brightness(centreOf(c.place));
        const int desktop = screen.brightness(POINT{c.place.left - 40, centreOf(c.place).y});
        EXPECT_GE(note, desktop + 30) << c.what << ": the note cannot be told from the desktop (" << note
                                      << " against " << desktop << ")";
    }
    quit(again);
}

// ---- ids -------------------------------------------------------------------------------------

TEST_F(DefectsTest, IdsOfHiddenAndRecycledNotesAreNeverGivenToNewNotes) {
    // A note from an earlier run, away from where the new ones open: a start with notes is an
    // ordinary start, whatever a first start may add.
    const std::wstring earlier = L"20261207043355101_01";
    const RECT earlierPlace{40, 520, 220, 700};
    ASSERT_TRUE(defects::prepare(folder_.path(), {{earlier.c_str(), earlierPlace}}));
    const std::wstring exe = start();
    TavNoteProcess app(exe, folder_.path());
    ASSERT_NE(desk::waitForWindowAt(app, earlierPlace, 20000), nullptr);
    std::vector<std::wstring> known{earlier};
    // A note added from the tray, its folder once its file holds an `ID`.
    auto add = [&](const char* name, HWND& window) {
        window = defects::addNoteFromTray(app);
        EXPECT_NE(window, nullptr) << name << ": no new note window";
        const std::wstring unique = defects::waitForNewNoteFolder(noteItems(), known);
        EXPECT_FALSE(unique.empty()) << name << ": no new note folder with an ID";
        known.push_back(unique);
        return unique;
    };
    HWND windowA = nullptr, windowB = nullptr, windowC = nullptr, windowD = nullptr;
    const std::wstring a = add("A", windowA);
    const std::wstring b = add("B", windowB);
    ASSERT_TRUE(windowA && windowB && !a.empty() && !b.empty());

    // Hide A through its menu, at a place of A that B (30 pixels down and left of it) leaves free.
    const RECT placeA = rectOf(windowA), placeB = rectOf(windowB);
    ASSERT_TRUE(defects::openNoteMenu(app, POINT{placeA.right - 20, placeA.top + 15}));
    ASSERT_TRUE(desk::choose(app, L"隐藏"));
    EXPECT_TRUE(waitFor([&] { return !IsWindow(windowA) || !IsWindowVisible(windowA); }, 15000));
    EXPECT_TRUE(waitFor([&] { return defects::text(noteFile(a), L"ishide") == L"1"; }, 10000));
    const std::wstring c = add("C", windowC);
    ASSERT_TRUE(windowC && !c.empty());

    // Delete B through its menu, at a place of B that C leaves free, and confirm.
    const RECT placeC = rectOf(windowC);
    POINT onlyB{placeB.left + 15, placeB.bottom - 20};
    ASSERT_FALSE(PtInRect(&placeC, onlyB)) << "C covers " << describe(placeC);
    ASSERT_TRUE(defects::openNoteMenu(app, onlyB));
    ASSERT_TRUE(desk::choose(app, L"删除"));
    ASSERT_NE(desk::waitForItem(app, L"取消"), nullptr) << "no question before deleting";
    ASSERT_TRUE(desk::choose(app, L"确定"));
    EXPECT_TRUE(waitFor([&] { return !IsWindow(windowB); }, 15000));
    EXPECT_TRUE(
        waitFor([&] { return pathExists(noteData() + L"Recycle\\" + b + L"\\" + b + L".xml"); }, 10000))
        << "B is not in the recycle folder";
    const std::wstring d = add("D", windowD);
    ASSERT_FALSE(d.empty());

    EXPECT_TRUE(waitFor([&] { return idsDistinct(5); }, 10000)) << "ids of the note files:" << idList();
    quit(app);
}

TEST_F(DefectsTest, TwoNoteFilesWithTheSameIdGetDifferentIdsAtStart) {
    const RECT first{200, 200, 380, 380}, second{450, 200, 630, 380};
    ASSERT_TRUE(defects::prepare(folder_.path(), {{L"20261207043355101_01", first, 123456},
                                                  {L"20261207043355102_02", second, 123456}}));
    const std::wstring exe = start();
    TavNoteProcess app(exe, folder_.path());
    EXPECT_NE(desk::waitForWindowAt(app, first, 20000), nullptr);
    EXPECT_NE(desk::waitForWindowAt(app, second), nullptr);
    EXPECT_TRUE(waitFor([&] { return idsDistinct(2); }, 10000)) << "ids of the note files:" << idList();
    // A note added afterwards takes neither of them.
    EXPECT_NE(defects::addNoteFromTray(app), nullptr);
    EXPECT_TRUE(waitFor([&] { return idsDistinct(3); }, 10000)) << "ids of the note files:" << idList();
    quit(app);
}

// ---- a background that is no picture -----------------------------------------------------------

TEST_F(DefectsTest, AFileThatIsNoPictureLeavesTheBackgroundAndItsFileAlone) {
    const std::wstring unique = L"20261207043355101_01", background = L"bkimage_blue.png";
    const RECT place{400, 200, 580, 380};
    ASSERT_TRUE(defects::prepare(folder_.path(), {{unique.c_str(), place, 0, background.c_str()}}));
    TempFolder picks(L"tavpick");
    const std::wstring fake = picks.file(L"fake.png");
    ASSERT_TRUE(writeBytes(fake, "This is a text file, not a picture.\r\n"));
    const auto filesBefore = defects::filesIn(noteFolder(unique));
    const std::string backgroundBytes = readBytes(noteFolder(unique) + background);
    ASSERT_FALSE(backgroundBytes.empty());

    const std::wstring exe = start();
    TavNoteProcess app(exe, folder_.path());
    ASSERT_NE(desk::waitForWindowAt(app, place, 20000), nullptr);
    ASSERT_TRUE(defects::openNoteMenu(app, POINT{place.right - 15, place.top + 15}));
    ASSERT_TRUE(desk::choose(app, L"设置背景..."));
    HWND chooser = defects::waitForWindowTitled(defects::kPictureChooser);
    ASSERT_NE(chooser, nullptr) << "no picture chooser";
    ASSERT_TRUE(defects::typeAndEnter(fake));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(chooser) || !IsWindowVisible(chooser); }, 15000))
        << "the chooser did not take the typed name";

    // The program's own box says that nothing changed; it has only an OK button.
    HWND ok = desk::waitForItem(app, L"确定");
    desk::Screen screen;
    ASSERT_TRUE(screen.capture(desk::besideTest(L"defects_not_a_picture.png")));
    ASSERT_NE(ok, nullptr) << "no message box after choosing a file that is no picture";
    EXPECT_EQ(desk::visibleItem(app, L"取消"), nullptr) << "a question instead of a message";
    ASSERT_TRUE(desk::choose(app, L"确定"));
    EXPECT_TRUE(waitFor([&] { return desk::visibleItem(app, L"确定") == nullptr; }, 10000));

    const std::wstring file = noteFile(unique);
    EXPECT_EQ(defects::text(file, L"bkimage"), background);
    EXPECT_EQ(readBytes(noteFolder(unique) + background), backgroundBytes) << "the old background changed";
    // No copy of the chosen file and nothing else new in the note folder (the note file may be rewritten).
    std::vector<std::wstring> namesBefore, namesAfter;
    for (const auto& [name, bytes] : filesBefore) namesBefore.push_back(name);
    for (const auto& [name, bytes] : defects::filesIn(noteFolder(unique))) namesAfter.push_back(name);
    EXPECT_EQ(namesAfter, namesBefore);
    EXPECT_TRUE(pathExists(fake)) << "the chosen file went";
    // The note still shows its blue background.
    ASSERT_TRUE(screen.capture(desk::besideTest(L"defects_not_a_picture_after.png")));
    const uint32_t middle = screen.rgb(centreOf(place));
    EXPECT_GE(middle & 0xFF, 200u) << std::hex << middle;
    EXPECT_LE((middle >> 16) & 0xFF, 40u) << std::hex << middle;
    quit(app);
}

// ---- where new notes open ----------------------------------------------------------------------

TEST_F(DefectsTest, NewNotesCascadeAndANoteAddedBesideTheScreenEdgeLiesOnTheScreen) {
    const RECT screenRect = defects::screenRect(), work = defects::workArea();
    // 80 pixels of it on the screen: a note made 30 pixels left of it and lower would leave it.
    const RECT edge{screenRect.right - 80, screenRect.bottom - 240, screenRect.right + 100,
                    screenRect.bottom - 60};
    ASSERT_TRUE(defects::prepare(folder_.path(), {{L"20261207043355101_01", edge}}));
    const std::wstring exe = start();
    TavNoteProcess app(exe, folder_.path());
    HWND edgeNote = desk::waitForWindowAt(app, edge, 20000);
    ASSERT_NE(edgeNote, nullptr) << "the note at the edge did not open at " << describe(edge);

    // Two notes from the tray in a row.
    HWND first = defects::addNoteFromTray(app);
    ASSERT_NE(first, nullptr);
    HWND second = defects::addNoteFromTray(app);
    ASSERT_NE(second, nullptr);
    const RECT one = rectOf(first), two = rectOf(second);
    const bool cascaded = two.left - one.left == -30 && two.top - one.top == 30;
    const bool wrapped = (two.top == work.top || two.right == work.right) && defects::insideOf(two, work);
    EXPECT_TRUE(cascaded || wrapped) << "first " << describe(one) << ", second " << describe(two);
    EXPECT_TRUE(defects::insideOf(two, work)) << describe(two);

    // "添加" from the menu of the note at the edge.
    ASSERT_TRUE(defects::openNoteMenu(app, POINT{edge.left + 40, edge.top + 20}));
    const std::vector<HWND> before = desk::noteWindows(app);
    ASSERT_TRUE(desk::choose(app, L"添加"));
    HWND added = nullptr;
    ASSERT_TRUE(waitFor([&] { return (added = defects::newNoteWindow(app, before)) != nullptr; }, 15000));
    desk::Screen screen;
    ASSERT_TRUE(screen.capture(desk::besideTest(L"defects_cascade.png")));
    const RECT made = rectOf(added);
    EXPECT_TRUE(defects::insideOf(made, screenRect)) << "the added note lies at " << describe(made);
    EXPECT_EQ(made.right - made.left, 180);
    EXPECT_EQ(made.bottom - made.top, 180);
    quit(app);
}

// ---- a note dragged almost off the screen ------------------------------------------------------

TEST_F(DefectsTest, ANoteDraggedAlmostOffTheScreenComesBackFarEnoughToBeGrabbed) {
    const RECT screenRect = defects::screenRect();
    struct Case {
        const char* what;
        const wchar_t* unique;
        RECT place;
        POINT grab; // pixels from the top-left corner (negative: from the bottom-right corner)
        POINT to;   // where the pointer goes: beyond the screen's corner (the X server stops it there)
    } cases[] = {
        {"towards the bottom-right corner", L"20261207043355101_01", RECT{300, 200, 480, 380}, POINT{12, 12},
         POINT{screenRect.right + 100, screenRect.bottom + 100}},
        {"towards the top-left corner", L"20261207043355102_02", RECT{600, 300, 780, 480}, POINT{-12, -12},
         POINT{0, 0}},
    };
    std::vector<defects::PreparedNote> notes;
    for (const Case& c : cases) notes.push_back({c.unique, c.place});
    ASSERT_TRUE(defects::prepare(folder_.path(), notes));
    const std::wstring exe = start();
    desk::Screen screen;
    {
        TavNoteProcess app(exe, folder_.path());
        for (const Case& c : cases) {
            HWND note = desk::waitForWindowAt(app, c.place, 20000);
            ASSERT_NE(note, nullptr) << c.what;
            const POINT from{c.grab.x >= 0 ? c.place.left + c.grab.x : c.place.right + c.grab.x,
                             c.grab.y >= 0 ? c.place.top + c.grab.y : c.place.bottom + c.grab.y};
            ASSERT_TRUE(desk::drag(from, c.to)) << c.what;
            // The drag has ended when the note left its place and its file holds where it is now.
            const std::wstring file = noteFile(c.unique);
            RECT now{};
            const bool settled = waitFor(
                [&] {
                    now = rectOf(note);
                    const SIZE seen = onScreen(now);
                    return !desk::sameRect(now, c.place) && seen.cx >= kReachable && seen.cy >= kReachable &&
                           storedRect(file) && desk::sameRect(*storedRect(file), now);
                },
                15000);
            EXPECT_TRUE(settled) << c.what << ": the note lies at " << describe(now) << ", its file says "
                                 << describe(storedRect(file));
            // Most of it did go off the screen: only the part kept for grabbing is left.
            const SIZE seen = onScreen(now);
            EXPECT_LT(seen.cx, 100) << c.what << ": " << describe(now);
            EXPECT_LT(seen.cy, 100) << c.what << ": " << describe(now);
        }
        ASSERT_TRUE(screen.capture(desk::besideTest(L"defects_reachable.png")));
        quit(app);
    }

    TavNoteProcess again(exe, folder_.path());
    ASSERT_TRUE(waitFor([&] { return desk::noteWindows(again).size() == 2; }, 20000));
    for (const Case& c : cases) {
        const std::optional<RECT> stored = storedRect(noteFile(c.unique));
        ASSERT_TRUE(stored.has_value()) << c.what;
        const SIZE seen = onScreen(*stored);
        EXPECT_GE(seen.cx, kReachable) << c.what << ": " << describe(*stored);
        EXPECT_GE(seen.cy, kReachable) << c.what << ": " << describe(*stored);
        HWND note = desk::waitForWindowAt(again, *stored);
        EXPECT_NE(note, nullptr) << c.what << ": not reopened at " << describe(*stored);
    }
    ASSERT_TRUE(screen.capture(desk::besideTest(L"defects_reachable_restart.png")));
    quit(again);
}

} // namespace
