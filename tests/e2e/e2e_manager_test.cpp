// The manager driven like a person at the desk (xdotool clicks and keys only) in TavNote.exe,
// started in a fresh installation over a prepared data folder: it opens from the tray centred at
// its size; a click on a tile selects a note, and the page's buttons show, hide, move, delete,
// restore and export the notes selected, make, rename and delete groups, empty the recycle bin;
// a search finds notes by pinyin initials among 200; the settings page switches the Run value.
// Every step is checked in the files and the registry the program wrote and in screenshots.
#include "DefectsDriver.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "AppPaths.h"
#include "CRtfReader.h"
#include "NoteContents.h"
#include "NoteStore.h"
#include "XmlDocument.h"

using defects::subFolders;
using defects::text;
using desk::centreOf;
using desk::rectOf;

namespace {

constexpr int kManagerWidth = 1024, kManagerHeight = 732;
constexpr int kBorder = 3;
// The note list: tiles of 150 x 170 (the picture the top 136) with 12 pixel gaps under a section
// header of 30, and a scroll bar of 10 at its right edge.
constexpr int kTileWidth = 150, kTileHeight = 170, kTileGap = 12, kPictureHeight = 136;
constexpr int kHeaderHeight = 30, kBarWidth = 10;
constexpr int kGroupRowHeight = 30;
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"tavnote_autorun";

bool sameText(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

std::wstring widen(const std::string& utf8) {
    std::wstring wide(utf8.size() + 1, L'\0');
    wide.resize(size_t(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), int(wide.size()))));
    return wide;
}

std::string codePage(UINT page, const std::wstring& wide) {
    const int n = WideCharToMultiByte(page, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(std::max(n, 0)), '\0');
    WideCharToMultiByte(page, 0, wide.data(), int(wide.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

// ---- the prepared data folder -------------------------------------------------------------

struct PreparedNote {
    std::wstring unique;
    std::wstring place; // "" system group, a group's name, or "Recycle"
    std::wstring group; // the `group` element
    std::wstring line;  // one line of rich text
    bool hidden = false;
    RECT rect{0, 0, 0, 0}; // none for a note that never opens
};

// All notes are made on one day, so the list shows them in one section.
bool prepare(const std::wstring& app, const std::vector<PreparedNote>& notes) {
    setAppDirectoryOverride(app);
    bool ok = true;
    int id = 10;
    for (const PreparedNote& n : notes) {
        const std::wstring base = n.place.empty()         ? std::wstring()
                                  : n.place == L"Recycle" ? recycleDirectory()
                                                          : noteItems2Directory() + n.place + L"\\";
        if (!base.empty()) CreateDirectoryW(base.c_str(), nullptr);
        ++id;
        TavNoteStore store(n.unique, base, id);
        const SYSTEMTIME made{2026, 12, 2, 1, WORD(8 + id / 3600), WORD(id / 60 % 60), WORD(id % 60), 0};
        ok = ok && store.createNoteFile() && store.SetGroup(n.group) && store.SaveCreateTime(made) &&
             (IsRectEmpty(&n.rect) || store.SaveGeometry(n.rect).has_value()) &&
             (!n.hidden || store.SaveHidden(true)) &&
             notecontents::writeRichBlock(store, id * 10, RECT{0, 0, 100, 60},
                                          notecontents::rtfBody({n.line}, 0x202020));
        if (!ok) std::printf("could not prepare the note %s\n", testing::PrintToString(n.unique).c_str());
    }
    setAppDirectoryOverride(L"");
    return ok;
}

// ---- the manager on the screen --------------------------------------------------------------

HWND childWithText(HWND window, const std::wstring& wanted) {
    struct Search {
        const std::wstring* text;
        HWND found;
    } search{&wanted, nullptr};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (IsWindowVisible(child) && desk::textOf(child) == *s->text) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        LPARAM(&search));
    return search.found;
}

// The prompt's name field: the child of 232 x 27.
HWND nameField(HWND prompt) {
    struct Search {
        HWND found;
    } search{nullptr};
    EnumChildWindows(
        prompt,
        [](HWND child, LPARAM lp) -> BOOL {
            const RECT r = rectOf(child);
            if (!IsWindowVisible(child) || r.right - r.left != 232 || r.bottom - r.top != 27) return TRUE;
            reinterpret_cast<Search*>(lp)->found = child;
            return FALSE;
        },
        LPARAM(&search));
    return search.found;
}

// Clicks into the prompt's name field. Keys pressed at once after the click were seen lost (the
// prompt's Ctrl+A did nothing) while the focus was still moving to the field: they wait a moment.
bool clickNameField(HWND prompt) {
    HWND field = nameField(prompt);
    if (!field || !desk::click(centreOf(rectOf(field)))) return false;
    Sleep(GetDoubleClickTime() + 200);
    return true;
}

bool clickChild(HWND window, const std::wstring& textOfChild) {
    HWND child = window ? childWithText(window, textOfChild) : nullptr;
    return child && desk::click(centreOf(rectOf(child)));
}

HWND managerWindow(const TavNoteProcess& app) {
    for (HWND w : app.visibleWindows()) {
        const RECT r = rectOf(w);
        if (r.right - r.left == kManagerWidth && r.bottom - r.top == kManagerHeight) return w;
    }
    return nullptr;
}

// A visible window of the program titled `title`, other than `besides`, holding the button text.
HWND captionedWindow(const TavNoteProcess& app, const std::wstring& title, const std::wstring& button,
                     HWND besides = nullptr) {
    for (HWND w : app.visibleWindows())
        if (w != besides && desk::textOf(w) == title && childWithText(w, button)) return w;
    return nullptr;
}

HWND waitForCaptioned(const TavNoteProcess& app, const std::wstring& title, const std::wstring& button,
                      HWND besides = nullptr, DWORD ms = 15000) {
    HWND found = nullptr;
    waitFor([&] { return (found = captionedWindow(app, title, button, besides)) != nullptr; }, ms);
    return found;
}

// The program's message boxes carry the caption "TavNote", as the manager does.
HWND waitForMessageBox(const TavNoteProcess& app, HWND manager) {
    return waitForCaptioned(app, L"TavNote", L"确定", manager);
}

// Answers the box with its OK button and waits until it has gone.
bool answerOk(HWND box) {
    return clickChild(box, L"确定") &&
           waitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 15000);
}

struct Tile {
    POINT centre; // of the picture
    POINT frame;  // on the left edge of the picture box, where a selected tile has its frame
};

// The n-th tile of a list of one section (the header first, unless flat).
Tile tileOf(const RECT& list, size_t n, bool header = true) {
    const int columns =
        std::max(1, (int(list.right - list.left) - kBarWidth - kTileGap) / (kTileWidth + kTileGap));
    const int column = int(n % size_t(columns)), row = int(n / size_t(columns));
    const int left = list.left + kTileGap + column * (kTileWidth + kTileGap);
    const int top = list.top + (header ? kHeaderHeight : 0) + kTileGap / 2 + row * (kTileHeight + kTileGap);
    return Tile{POINT{left + kTileWidth / 2, top + kPictureHeight / 2},
                POINT{left, top + kPictureHeight / 2}};
}

bool isSelectedFrame(uint32_t rgb) {
    const uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return r >= 200 && g >= 60 && g <= 110 && b <= 60; // 0xE1511E
}

// The visible top-level window with that title, of any process (the common dialogs are Wine's).
HWND waitForTitle(const wchar_t* title, DWORD ms = 15000) {
    HWND found = defects::waitForWindowTitled(title, ms);
    return found && IsWindowVisible(found) ? found : nullptr;
}

bool keys(const std::wstring& names) {
    const bool ok = unixtools::xdotool(L"key --delay 80 " + names);
    Sleep(400); // xdotool may still be sending: the next input must not overtake it
    return ok;
}

bool typeText(const std::wstring& latin) {
    const bool ok = unixtools::xdotool(L"type --delay 40 \"" + latin + L"\"");
    Sleep(DWORD(latin.size()) * 40 + 400);
    return ok;
}

// Chinese typed through xdotool never reaches Wine's windows: it comes through the clipboard.
bool pasteText(const std::wstring& value) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const SIZE_T bytes = (value.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool put = false;
    if (void* p = memory ? GlobalLock(memory) : nullptr) {
        memcpy(p, value.c_str(), bytes);
        GlobalUnlock(memory);
        put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    if (!put && memory) GlobalFree(memory);
    CloseClipboard();
    return put && keys(L"ctrl+v");
}

// Pixels darker than mid-grey in the rectangle of a screenshot (text drawn there).
int darkPixels(const desk::Screen& screen, const RECT& r) {
    int dark = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) dark += screen.brightness(POINT{x, y}) < 128;
    return dark;
}

// ---- the registry -------------------------------------------------------------------------------

std::optional<std::wstring> runValue(HKEY root) {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(root, kRunKey, kRunValue, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

// Exit code of "reg query <root>\...\Run /v tavnote_autorun": 0 when the value is there.
DWORD regQuery(const wchar_t* root) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\reg.exe\" query \"" + root + L"\\" + kRunKey +
                           L"\" /v " + kRunValue;
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &si, &pi))
        return 99;
    DWORD code = 98;
    if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

// No later test or run may find the value: it goes at the start and at the end, whatever failed.
struct RunValueRemover {
    RunValueRemover() { remove(); }
    ~RunValueRemover() { remove(); }
    static void remove() {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(root, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
            RegDeleteValueW(key, kRunValue);
            RegCloseKey(key);
        }
    }
};

// ---- the fixture ------------------------------------------------------------------------------

class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL(L"/usr/bin/xdotool");
        REQUIRE_TOOL(L"/usr/bin/import");
        unixtools::xdotool(L"mousemove 640 790");
    }
    std::wstring data() const { return folder_.path() + L"NoteData\\"; }
    std::wstring systemFile(const std::wstring& unique) const {
        return data() + L"NoteItems\\" + unique + L"\\" + unique + L".xml";
    }
    std::wstring groupFolder(const std::wstring& group) const {
        return data() + L"NoteItems2\\" + group + L"\\";
    }
    std::wstring recycleFile(const std::wstring& unique) const {
        return data() + L"Recycle\\" + unique + L"\\" + unique + L".xml";
    }

    // Starts the program and opens the manager from the tray menu; the manager's window.
    HWND startAndOpenManager() {
        app_ = std::make_unique<TavNoteProcess>(installInto(folder_.path()), folder_.path());
        if (!app_->started() || !waitFor([&] { return app_->mainWindow() != nullptr; }, 20000))
            return nullptr;
        if (!desk::openTrayMenu(*app_) || !desk::choose(*app_, L"管理")) return nullptr;
        HWND manager = nullptr;
        waitFor([&] { return (manager = managerWindow(*app_)) != nullptr; }, 15000);
        // The list is filled once the page has read its group.
        if (manager) waitFor([&] { return desk::visibleItem(*app_, L"新建分组") != nullptr; }, 10000);
        return manager;
    }
    RECT item(const std::wstring& name) const {
        HWND w = desk::visibleItem(*app_, name);
        return w ? rectOf(w) : RECT{};
    }
    RECT noteList() const { return item(L"TavNMiNList"); }
    bool chooseGroupRow(int row) {
        const RECT groups = item(L"分组显示列表");
        return !IsRectEmpty(&groups) &&
               desk::click(POINT{groups.left + 90, groups.top + row * kGroupRowHeight + kGroupRowHeight / 2});
    }
    // Clicks the tile and waits until its selection shows as wanted.
    bool clickTile(const Tile& tile, bool selected, const wchar_t* shot = L"manager_click.png") {
        Sleep(700); // never taken for the second click of a double click
        if (!desk::click(tile.centre)) return false;
        desk::Screen screen;
        return waitFor(
            [&] {
                return screen.capture(desk::besideTest(shot)) &&
                       isSelectedFrame(screen.rgb(tile.frame)) == selected;
            },
            6000);
    }
    // Clicks the page's button until its menu shows the item: a click lost while Wine still moved
    // the focus is made once more, as a person would.
    bool openMenu(const std::wstring& button, const std::wstring& menuItem) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!desk::choose(*app_, button)) return false;
            if (desk::waitForItem(*app_, menuItem, 4000)) return true;
            desk::Screen screen;
            screen.capture(desk::besideTest(L"manager_menu_missing.png"));
            std::printf("no menu item %s after a click on %s: clicked again\n",
                        testing::PrintToString(menuItem).c_str(), testing::PrintToString(button).c_str());
            Sleep(700);
        }
        return false;
    }
    // Closes the manager with its own close button, then quits from the tray menu.
    void closeAndQuit(HWND manager) {
        if (manager && IsWindow(manager)) {
            const RECT r = rectOf(manager);
            desk::click(POINT{r.right - kBorder - 28, r.top + kBorder + 36});
            EXPECT_TRUE(waitFor([&] { return !IsWindow(manager) || !IsWindowVisible(manager); }, 15000))
                << "the close button left the manager open";
        }
        if (desk::openTrayMenu(*app_) && desk::choose(*app_, L"退出")) {
            EXPECT_EQ(app_->waitForExit(30000), 0u);
        } else {
            ADD_FAILURE() << "could not quit from the tray menu";
        }
    }
    // What a Unix command line prints (run by /bin/sh from a script in the test's folder).
    std::string unixOutput(const std::string& commandLine) {
        const std::wstring script = folder_.file(L"probe.sh"), out = folder_.file(L"probe.out");
        DeleteFileW(out.c_str());
        const std::string outUnix = unixtools::unixPath(out), scriptUnix = unixtools::unixPath(script);
        if (outUnix.empty() || scriptUnix.empty() ||
            !writeBytes(script, commandLine + " > '" + outUnix + ".part' 2>&1; mv '" + outUnix + ".part' '" +
                                    outUnix + "'\n"))
            return std::string();
        unixtools::runUnix(L"/bin/sh " + widen(scriptUnix));
        waitFor([&] { return pathExists(out); }, 10000);
        return readBytes(out);
    }

    TempFolder folder_{L"tavmanager"};
    std::unique_ptr<TavNoteProcess> app_;
};

// ---- 1 to 4: opening, show, hide, move, delete, restore, empty -------------------------------------

const std::wstring kN1 = L"20261201080000000_11", kN2 = L"20261201090000000_12",
                   kN3 = L"20261201100000000_13", kW = L"20261201110000000_14", kR = L"20261201120000000_15";
constexpr RECT kPlaceN1{10, 100, 120, 210}, kPlaceN2{10, 230, 120, 340}, kPlaceN3{10, 360, 120, 470},
    kPlaceW{1160, 100, 1270, 210};

TEST_F(ManagerTest, OpensCentredAndItsButtonsShowHideMoveDeleteRestoreAndEmpty) {
    ASSERT_TRUE(prepare(folder_.path(), {{kN1, L"", L"", L"工作计划 Weekly", false, kPlaceN1},
                                         {kN2, L"", L"", L"秘密的想法", true, kPlaceN2},
                                         {kN3, L"", L"", L"购物清单", false, kPlaceN3},
                                         {kW, L"工作", L"工作", L"项目进度", false, kPlaceW},
                                         {kR, L"Recycle", L"工作", L"旧的会议记录", false}}));
    HWND manager = startAndOpenManager();
    ASSERT_NE(manager, nullptr) << "管理 from the tray menu opened no 1024 x 732 window";
    TavNoteProcess& app = *app_;

    // 1. Centred on the screen, as the X server has it.
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kManagerWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kManagerHeight) / 2;
    EXPECT_TRUE(desk::sameRect(rectOf(manager), RECT{left, top, left + kManagerWidth, top + kManagerHeight}));
    // One look per window: a window of the search that has gone since (the tray menu's) ends a
    // chained getwindowgeometry.
    // On a busy machine the X server may map the window a moment after Wine reports it: looked at
    // again for a while.
    const std::string position = "Position: " + std::to_string(left) + "," + std::to_string(top);
    std::string geometry;
    waitFor(
        [&] {
            geometry = unixOutput("for w in $(/usr/bin/xdotool search --onlyvisible --name '^TavNote$'); "
                                  "do /usr/bin/xdotool getwindowgeometry $w; done");
            return geometry.find(position) != std::string::npos;
        },
        8000);
    EXPECT_NE(geometry.find(position), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Geometry: 1024x732"), std::string::npos) << geometry;
    EXPECT_NE(desk::waitForWindowAt(app, kPlaceN1), nullptr);
    EXPECT_EQ(desk::windowAt(app, kPlaceN2), nullptr) << "the hidden note is open";
    desk::Screen screen;
    ASSERT_TRUE(screen.capture(desk::besideTest(L"manager_notes_page.png")));

    // 2. The hidden note shown: its flag goes and its window opens; a shown note hidden.
    RECT list = noteList();
    ASSERT_FALSE(IsRectEmpty(&list));
    ASSERT_TRUE(clickTile(tileOf(list, 1), true)) << "a click on the hidden note's tile did not select it";
    ASSERT_TRUE(desk::choose(app, L"显示便签"));
    EXPECT_TRUE(waitFor([&] { return text(systemFile(kN2), L"ishide") == L"0"; }, 10000))
        << "ishide " << text(systemFile(kN2), L"ishide");
    EXPECT_NE(desk::waitForWindowAt(app, kPlaceN2), nullptr) << "the note shown did not open on the desktop";
    ASSERT_TRUE(clickTile(tileOf(list, 1), false));
    ASSERT_TRUE(clickTile(tileOf(list, 0), true));
    HWND n1 = desk::windowAt(app, kPlaceN1);
    ASSERT_TRUE(desk::choose(app, L"隐藏便签"));
    EXPECT_TRUE(waitFor([&] { return text(systemFile(kN1), L"ishide") == L"1"; }, 10000))
        << "ishide " << text(systemFile(kN1), L"ishide");
    EXPECT_TRUE(waitFor([&] { return !IsWindow(n1) || !IsWindowVisible(n1); }, 10000))
        << "the hidden note stays on the desktop";
    ASSERT_TRUE(clickTile(tileOf(list, 0), false));

    // 3. Moved to "工作" through the group menu: the folder moves, `group` and `dir` follow.
    ASSERT_TRUE(clickTile(tileOf(list, 2), true));
    ASSERT_TRUE(openMenu(L"移动至-->", L"工作")) << "no group menu under 移动至-->";
    EXPECT_EQ(desk::visibleItem(app, L"系统分组"), nullptr) << "the group the notes are in is offered";
    ASSERT_TRUE(screen.capture(desk::besideTest(L"manager_move_menu.png")));
    ASSERT_TRUE(desk::choose(app, L"工作"));
    const std::wstring moved = groupFolder(L"工作") + kN3 + L"\\" + kN3 + L".xml";
    EXPECT_TRUE(
        waitFor([&] { return pathExists(moved) && !pathExists(data() + L"NoteItems\\" + kN3); }, 10000))
        << "the note folder did not move";
    // The elements are written one after the other once the folder has moved.
    EXPECT_TRUE(waitFor(
        [&] {
            return text(moved, L"group") == L"工作" && sameText(text(moved, L"dir"), groupFolder(L"工作"));
        },
        10000))
        << "group " << text(moved, L"group") << ", dir " << text(moved, L"dir");
    EXPECT_NE(desk::waitForWindowAt(app, kPlaceN3), nullptr) << "the open note moved did not open again";

    // 4. Deleted after the question: the open note closes and its folder goes to the recycle bin.
    HWND n2 = desk::waitForWindowAt(app, kPlaceN2);
    ASSERT_TRUE(clickTile(tileOf(list, 1), true));
    ASSERT_TRUE(desk::choose(app, L"删除便签"));
    HWND box = waitForMessageBox(app, manager);
    ASSERT_NE(box, nullptr) << "no question before deleting";
    EXPECT_NE(childWithText(box, L"取消"), nullptr) << "the question has no Cancel";
    ASSERT_TRUE(screen.capture(desk::besideTest(L"manager_delete_question.png")));
    EXPECT_TRUE(pathExists(systemFile(kN2))) << "deleted before the answer";
    ASSERT_TRUE(answerOk(box));
    EXPECT_TRUE(waitFor([&] { return pathExists(recycleFile(kN2)) && !pathExists(systemFile(kN2)); }, 10000))
        << "the note did not go to the recycle bin";
    EXPECT_TRUE(waitFor([&] { return !IsWindow(n2) || !IsWindowVisible(n2); }, 10000))
        << "the deleted note stays on the desktop";

    // In "回收站" (below the system group and "工作"): restored, then the rest emptied.
    ASSERT_TRUE(chooseGroupRow(2));
    ASSERT_NE(desk::waitForItem(app, L"恢复便签", 10000), nullptr) << "the recycle bin's buttons do not show";
    list = noteList();
    ASSERT_TRUE(clickTile(tileOf(list, 0), true, L"manager_recycle_bin.png"));
    ASSERT_TRUE(desk::choose(app, L"恢复便签"));
    EXPECT_TRUE(waitFor([&] { return pathExists(systemFile(kN2)) && !pathExists(recycleFile(kN2)); }, 10000))
        << "the note was not restored";
    EXPECT_NE(desk::waitForWindowAt(app, kPlaceN2), nullptr) << "the restored note did not open";
    EXPECT_TRUE(pathExists(recycleFile(kR)));
    ASSERT_TRUE(desk::choose(app, L"清空回收站"));
    box = waitForMessageBox(app, manager);
    ASSERT_NE(box, nullptr) << "no question before emptying the recycle bin";
    ASSERT_TRUE(answerOk(box));
    EXPECT_TRUE(waitFor([&] { return subFolders(data() + L"Recycle\\").empty(); }, 10000))
        << "the recycle bin is not empty";
    EXPECT_TRUE(pathExists(systemFile(kN1)) && pathExists(systemFile(kN2)) && pathExists(moved) &&
                pathExists(groupFolder(L"工作") + kW))
        << "emptying the recycle bin took other notes";
    closeAndQuit(manager);
}

// ---- 5 and 8: groups; start with Windows ------------------------------------------------------

TEST_F(ManagerTest, GroupsAreMadeRenamedAndDeletedAndStartWithWindowsWritesTheRunValue) {
    RunValueRemover runValueGoes;
    ASSERT_TRUE(prepare(folder_.path(),
                        {{kN1, L"", L"", L"工作计划", true}, {kW, L"工作", L"工作", L"项目进度", true}}));
    HWND manager = startAndOpenManager();
    ASSERT_NE(manager, nullptr);
    TavNoteProcess& app = *app_;
    desk::Screen screen;

    // 5. A reserved name is refused while the prompt stays open; a good one makes the folder.
    ASSERT_TRUE(desk::choose(app, L"新建分组"));
    HWND prompt = waitForCaptioned(app, L"新建分组...", L"确定");
    ASSERT_NE(prompt, nullptr) << "no prompt 新建分组...";
    ASSERT_TRUE(clickNameField(prompt));
    ASSERT_TRUE(pasteText(L"回收站"));
    ASSERT_TRUE(clickChild(prompt, L"确定"));
    HWND box = waitForCaptioned(app, L"TavNote", L"确定", manager);
    ASSERT_NE(box, nullptr) << "the reserved name was not refused";
    EXPECT_EQ(childWithText(box, L"取消"), nullptr) << "the refusal is no OK-only box";
    ASSERT_TRUE(screen.capture(desk::besideTest(L"manager_reserved_name.png")));
    ASSERT_TRUE(answerOk(box));
    EXPECT_TRUE(IsWindowVisible(prompt)) << "the prompt closed after the refusal";
    EXPECT_FALSE(pathExists(groupFolder(L"回收站")));
    // A name that is no folder name is refused with its own message.
    ASSERT_TRUE(clickNameField(prompt));
    ASSERT_TRUE(keys(L"ctrl+a"));
    ASSERT_TRUE(typeText(L"a:b"));
    ASSERT_TRUE(clickChild(prompt, L"确定"));
    box = waitForCaptioned(app, L"TavNote", L"确定", manager);
    ASSERT_NE(box, nullptr) << "the illegal name was not refused";
    ASSERT_TRUE(screen.capture(desk::besideTest(L"manager_illegal_name.png")));
    ASSERT_TRUE(answerOk(box));
    EXPECT_TRUE(IsWindowVisible(prompt)) << "the prompt closed after the refusal";
    ASSERT_TRUE(clickNameField(prompt));
    ASSERT_TRUE(keys(L"ctrl+a"));
    ASSERT_TRUE(typeText(L"Family"));
    ASSERT_TRUE(screen.capture(desk::besideTest(L"manager_new_group.png")));
    ASSERT_TRUE(clickChild(prompt, L"确定"));
    EXPECT_TRUE(waitFor([&] { return !IsWindow(prompt) || !IsWindowVisible(prompt); }, 10000))
        << "the prompt stayed open after a good name";
    ASSERT_TRUE(waitFor([&] { return pathExists(groupFolder(L"Family")); }, 10000))
        << "no folder Family among " << testing::PrintToString(subFolders(data() + L"NoteItems2\\"));

    // Renamed: the group is chosen in the list (its row in the listing's order), then "重命名".
    const std::vector<std::wstring> groups = subFolders(data() + L"NoteItems2\\");
    const auto family = std::find(groups.begin(), groups.end(), L"Family");
    ASSERT_NE(family, groups.end());
    ASSERT_TRUE(chooseGroupRow(1 + int(family - groups.begin())));
    ASSERT_NE(desk::waitForItem(app, L"重命名", 10000), nullptr) << "a user group shows no 重命名";
    ASSERT_TRUE(desk::choose(app, L"重命名"));
    prompt = waitForCaptioned(app, L"重命名...", L"确定");
    ASSERT_NE(prompt, nullptr) << "no prompt 重命名...";
    ASSERT_TRUE(clickNameField(prompt));
    ASSERT_TRUE(keys(L"ctrl+a"));
    ASSERT_TRUE(pasteText(L"家庭"));
    ASSERT_TRUE(clickChild(prompt, L"确定"));
    EXPECT_TRUE(waitFor(
        [&] { return pathExists(groupFolder(L"家庭")) && !pathExists(groupFolder(L"Family")); }, 10000))
        << "Family was not renamed 家庭";

    // Deleted through the delete menu's "删除" and the question.
    ASSERT_TRUE(openMenu(L"删除分组", L"删除并移动便签至 ->")) << "no delete menu";
    ASSERT_TRUE(screen.capture(desk::besideTest(L"manager_delete_group_menu.png")));
    ASSERT_TRUE(desk::choose(app, L"删除"));
    box = waitForMessageBox(app, manager);
    ASSERT_NE(box, nullptr) << "no question before deleting the group";
    ASSERT_TRUE(answerOk(box));
    EXPECT_TRUE(waitFor([&] { return !pathExists(groupFolder(L"家庭")); }, 10000))
        << "the group folder stays";
    EXPECT_TRUE(pathExists(groupFolder(L"工作") + kW)) << "another group went too";

    // "工作" deleted with its notes moved to the system group: no question, the note is there.
    ASSERT_TRUE(chooseGroupRow(1));
    ASSERT_NE(desk::waitForItem(app, L"删除分组", 10000), nullptr) << "工作 shows no 删除分组";
    ASSERT_TRUE(openMenu(L"删除分组", L"删除并移动便签至 ->")) << "no delete menu";
    // The submenu opens when the pointer rests on its item (a click would choose the item itself).
    HWND moveItem = desk::waitForItem(app, L"删除并移动便签至 ->", 5000);
    ASSERT_NE(moveItem, nullptr);
    const POINT over = centreOf(rectOf(moveItem));
    ASSERT_TRUE(unixtools::xdotool(L"mousemove " + std::to_wstring(over.x) + L" " + std::to_wstring(over.y)));
    ASSERT_NE(desk::waitForItem(app, L"系统分组", 10000), nullptr) << "no group submenu";
    ASSERT_TRUE(screen.capture(desk::besideTest(L"manager_delete_and_move.png")));
    ASSERT_TRUE(desk::choose(app, L"系统分组"));
    EXPECT_TRUE(waitFor(
        [&] { return !pathExists(groupFolder(L"工作")) && pathExists(data() + L"NoteItems\\" + kW); }, 10000))
        << "工作 was not deleted with its note moved to the system group";

    // 8. "系统设置", then "开机启动" on and off: the Run value with the quoted path, then none.
    const RECT m = rectOf(manager);
    ASSERT_TRUE(desk::click(POINT{m.left + kBorder + 313, m.top + kBorder + 40}));
    ASSERT_NE(desk::waitForItem(app, L"开机启动", 10000), nullptr) << "no settings page";
    EXPECT_EQ(desk::visibleItem(app, L"新建分组"), nullptr) << "the notes page stays shown";
    ASSERT_TRUE(screen.capture(desk::besideTest(L"manager_settings.png")));
    EXPECT_EQ(regQuery(L"HKLM"), 1u) << "the value was there before";
    ASSERT_TRUE(desk::choose(app, L"开机启动"));
    const std::wstring expected = L"\"" + folder_.path() + L"TavNote.exe\"";
    std::optional<std::wstring> value;
    EXPECT_TRUE(waitFor(
        [&] { return (value = runValue(HKEY_LOCAL_MACHINE)) || (value = runValue(HKEY_CURRENT_USER)); },
        10000))
        << "no Run value after 开机启动 was checked";
    EXPECT_TRUE(value && sameText(*value, expected)) << value.value_or(L"(none)") << L" for " << expected;
    EXPECT_TRUE(regQuery(L"HKLM") == 0 || regQuery(L"HKCU") == 0) << "reg query does not find the value";
    ASSERT_TRUE(screen.capture(desk::besideTest(L"manager_settings_on.png")));
    Sleep(700); // two clicks, not a double click
    ASSERT_TRUE(desk::choose(app, L"开机启动"));
    EXPECT_TRUE(waitFor([&] { return !runValue(HKEY_LOCAL_MACHINE) && !runValue(HKEY_CURRENT_USER); }, 10000))
        << "the Run value stays after 开机启动 was cleared";
    EXPECT_EQ(regQuery(L"HKLM"), 1u);
    closeAndQuit(manager);
}

// ---- 6 and 7: search among 200 notes; export --------------------------------------------------

TEST_F(ManagerTest, SearchByInitialsAmongTwoHundredNotesListsTheRightOnesAndExportsThem) {
    // Three notes hold "工作计划" (one hidden, one in "工作"), two "Weekly"; the rest are Latin
    // filler whose words never give the initials g, z, j, h in a row.
    const std::wstring k1 = L"20261201080000000_21", k2 = L"20261201080000100_22",
                       k3 = L"20261201080000200_23";
    const std::wstring t1 = L"本周工作计划：整理仓库", t2 = L"下月工作计划 Weekly review",
                       t3 = L"项目组的工作计划和预算";
    std::vector<PreparedNote> notes{{k1, L"", L"", t1, false, kPlaceN1},
                                    {k2, L"", L"", t2, true},
                                    {k3, L"工作", L"工作", t3, false, kPlaceW},
                                    {L"20261201080000300_24", L"", L"", L"Weekly status of the shop", true}};
    for (int i = 0; i < 196; ++i) {
        wchar_t unique[32];
        swprintf(unique, 32, L"20261201%02d%02d%02d000_%d", 9 + i / 3600, i / 60 % 60, i % 60, 100 + i);
        notes.push_back({unique, i % 4 == 0 ? L"工作" : L"", i % 4 == 0 ? L"工作" : L"",
                         L"filler note number " + std::to_wstring(i) + L" about apples", true});
    }
    ASSERT_TRUE(prepare(folder_.path(), notes));
    HWND manager = startAndOpenManager();
    ASSERT_NE(manager, nullptr);
    TavNoteProcess& app = *app_;
    desk::Screen screen;

    // 6. "gzjh" typed into the search box at the page's top right.
    const RECT page = item(L"TavNMiNote");
    ASSERT_FALSE(IsRectEmpty(&page));
    ASSERT_TRUE(desk::click(POINT{page.right - 7 - 120, page.top + 12 + 13}));
    Sleep(700); // keys typed at once were seen lost while the focus moved to the box
    ASSERT_TRUE(typeText(L"gzjh"));
    // The results come with a view switch of one tab: the second tab's text ("无分栏") goes.
    EXPECT_TRUE(waitFor(
        [&] {
            return screen.capture(desk::besideTest(L"manager_search.png")) &&
                   darkPixels(screen, RECT{page.left + 330, page.top + 14, page.left + 400, page.top + 34}) ==
                       0;
        },
        10000))
        << "no search results shown";

    // What was found, read back through an export of everything listed (7: as text, then as RTF).
    // "全选" marks every note found (the first tile shows it); a click lost while Wine moved the
    // focus from the search box is made once more.
    const Tile first = tileOf(noteList(), 0);
    auto allMarked = [&] {
        return waitFor(
            [&] {
                return screen.capture(desk::besideTest(L"manager_search_all.png")) &&
                       isSelectedFrame(screen.rgb(first.frame));
            },
            5000);
    };
    ASSERT_TRUE(desk::choose(app, L"全选"));
    if (!allMarked()) {
        std::printf("select all showed no marks: clicked again\n");
        ASSERT_TRUE(desk::choose(app, L"全选"));
        ASSERT_TRUE(allMarked()) << "全选 marked nothing";
    }
    const std::wstring found = t1 + t2 + t3; // in the order of the notes' names, nothing between
    const std::wstring textPath = folder_.file(L"found.txt"), rtfPath = folder_.file(L"found.rtf");
    bool progressSeen = false;
    // What failed, or "".
    auto exportAs = [&](const wchar_t* menuItem, const wchar_t* dialogTitle,
                        const std::wstring& path) -> std::string {
        if (!openMenu(L"导出便签", menuItem)) return "no export menu";
        if (!desk::choose(app, menuItem)) return "the menu item was not clicked";
        if (!waitForTitle(dialogTitle)) return "no save dialog";
        Sleep(700); // the keyboard reaches the dialog once Wine has given it the focus
        if (!defects::typeAndEnter(path)) return "xdotool failed";
        // Three notes are written at once: the progress window may come and go between two looks.
        if (waitForTitle(L"正在导出...", 5000)) {
            HWND progress = waitForTitle(L"正在导出...", 0);
            progressSeen = (screen.capture(desk::besideTest(L"manager_export_progress.png")) && progress &&
                            IsWindowVisible(progress)) ||
                           progressSeen;
        }
        if (waitFor([&] { return pathExists(path); }, 15000)) return "";
        screen.capture(desk::besideTest(L"manager_export_failed.png"));
        return waitForTitle(dialogTitle, 0) ? "the save dialog stays open" : "no file written";
    };
    ASSERT_EQ(exportAs(L"文本.txt", L"保存文本...", textPath), "");
    const std::string bytes = readBytes(textPath);
    EXPECT_EQ(bytes, codePage(936, found)) << "the file holds " << widen(bytes) << " / " << bytes.size()
                                           << " bytes: not the three notes found, in GBK";
    EXPECT_TRUE(waitFor([&] { return !waitForTitle(L"正在导出...", 0); }, 10000)) << "the progress stays";

    ASSERT_EQ(exportAs(L"富文本.rtf", L"保存为富文本...", rtfPath), "");
    const std::string rtf = readBytes(rtfPath);
    EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u) << rtf.substr(0, 40);
    CRtfReader reader;
    ASSERT_EQ(reader.open(rtfPath), 0) << "the RTF file does not read back";
    std::wstring read;
    for (const RtfCharRun& run : reader.runs()) read += run.text;
    read.erase(std::remove(read.begin(), read.end(), L'\r'), read.end());
    EXPECT_EQ(read, found);
    std::printf("progress window %s\n", progressSeen ? "caught on the screen" : "closed before a screenshot");

    // As pictures: Wine's folder chooser has no path field. Its tree is walked with the keys from
    // the desktop through the Unix root ("/") down to a folder, each folder found by typing its
    // name. The tree did not offer the Wine prefix's folder (where the test's own folder lies)
    // under "/": the folder is made in the host's /tmp and goes at the end.
    const std::wstring pictures =
        L"Z:\\tmp\\tavmanager_pictures_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    struct FolderRemover {
        std::wstring path;
        ~FolderRemover() { removeTree(path); }
    } picturesGo{pictures};
    removeTree(pictures);
    ASSERT_TRUE(CreateDirectoryW(pictures.c_str(), nullptr));
    const std::string unixFolder = unixtools::unixPath(pictures);
    ASSERT_FALSE(unixFolder.empty());
    std::vector<std::wstring> steps;
    for (size_t at = 1; at < unixFolder.size();) {
        const size_t slash = unixFolder.find('/', at);
        const std::string step =
            unixFolder.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
        if (!step.empty()) steps.push_back(widen(step));
        at = slash == std::string::npos ? unixFolder.size() : slash + 1;
    }
    ASSERT_TRUE(openMenu(L"导出便签", L"图片.png")) << "no export menu";
    ASSERT_TRUE(desk::choose(app, L"图片.png"));
    HWND tree = nullptr;
    ASSERT_TRUE(waitFor(
        [&] {
            for (HWND w : app.visibleWindows())
                if (HWND t = FindWindowExW(w, nullptr, L"SysTreeView32", nullptr)) tree = t;
            return tree != nullptr;
        },
        15000))
        << "no folder chooser";
    HWND chooser = GetAncestor(tree, GA_ROOT);
    EXPECT_TRUE(desk::textOf(chooser) == L"选择一个文件夹..." || childWithText(chooser, L"选择一个文件夹..."))
        << "the folder chooser does not say 选择一个文件夹... (neither its caption nor its text above the "
           "tree)";
    const RECT treeRect = rectOf(tree);
    ASSERT_TRUE(desk::click(POINT{treeRect.left + 40, treeRect.bottom - 10})); // below the items
    Sleep(700);
    ASSERT_TRUE(keys(L"Home Right")); // the desktop, then its first entry: "/"
    for (const std::wstring& step : steps) {
        ASSERT_TRUE(keys(L"Right"));
        Sleep(300); // the folder is listed when it opens
        ASSERT_TRUE(keys(L"Right"));
        ASSERT_TRUE(typeText(step));
        Sleep(1000); // the tree's type-ahead starts afresh after a pause
    }
    ASSERT_TRUE(screen.capture(desk::besideTest(L"manager_folder_chooser.png")));
    ASSERT_TRUE(keys(L"Return"));
    EXPECT_TRUE(waitFor(
        [&] { return pathExists(pictures + k1 + L".png") && pathExists(pictures + k3 + L".png"); }, 15000))
        << "no pictures of the open notes in " << pictures;
    // The hidden note has no picture to export (it has never been shown): the two open ones.
    for (const std::wstring& unique : {k1, k3})
        EXPECT_EQ(readBytes(pictures + unique + L".png").substr(0, 4), "\x89PNG") << unique;

    // A Latin word (case ignored, a hidden note among those found) and a Chinese phrase, each typed
    // over the last search and read back through a text export of everything found.
    struct Query {
        const wchar_t* typed;
        std::wstring found;
    } queries[] = {{L"weekly", t2 + L"Weekly status of the shop"}, {L"工作计划", t1 + t2 + t3}};
    int n = 0;
    for (const Query& q : queries) {
        ASSERT_TRUE(desk::click(POINT{page.right - 7 - 120, page.top + 12 + 13}));
        Sleep(700);
        ASSERT_TRUE(keys(L"ctrl+a"));
        const bool typed = q.typed[0] < 0x80 ? typeText(q.typed) : pasteText(q.typed);
        ASSERT_TRUE(typed);
        Sleep(1500); // the list follows the box
        ASSERT_TRUE(desk::choose(app, L"全选"));
        if (!allMarked()) {
            ASSERT_TRUE(desk::choose(app, L"全选"));
        }
        const std::wstring path = folder_.file(L"found_" + std::to_wstring(++n) + L".txt");
        ASSERT_EQ(exportAs(L"文本.txt", L"保存文本...", path), "");
        EXPECT_EQ(readBytes(path), codePage(936, q.found))
            << "after typing " << widen(codePage(936, q.typed));
    }
    closeAndQuit(manager);
}

} // namespace
