// The manager's notes page with real windows over a prepared data folder: every group listed with
// its notes (hidden and recycled ones included), the commands changing exactly the files they
// should, refused group names told with their messages while the prompt stays open, the state
// remembered between two openings, and search over every group. Questions, prompts and menus
// are answered through the page's dialog hooks.
#include "win_support.h"

#include <deque>
#include <set>

#include "ManagerState.h"
#include "autorun_support.h"
#include "NoteContents.h"
#include "NoteStore.h"
#include "TavNMiManager.h"
#include "TavNoteItem.h"
#include "TavRichEditNI.h"
#include "UnixTools.h"
#include "ImageFiles.h"
#include "XmlDocument.h"
#include "ScreenCapture.h"

namespace {

bool folderExists(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

class ManagerPageTest : public ManagerWindowTest {
protected:
    void SetUp() override {
        ManagerWindowTest::SetUp();
        work_ = noteItems2Directory() + L"工作\\";
        ASSERT_TRUE(CreateDirectoryW(work_.c_str(), nullptr));
        note(L"20261201080000000_01", L"", L"", 1, {L"工作计划", L"Weekly meeting"}, false, 1);
        note(L"20261202090000000_02", L"", L"", 2, {L"秘密的想法"}, true, 2);
        note(L"20261203100000000_03", work_, L"工作", 3, {L"项目进度"}, false, 3);
        note(L"20261204110000000_04", recycleDirectory(), L"工作", 4, {L"旧的会议记录"}, false, 4);

        dialogs.message = [this](HWND, int type, const std::wstring& text) {
            messages.push_back(text);
            return type == 1 ? 1 : answer;
        };
        dialogs.typeName = [this](const std::wstring& title, const std::wstring& current) {
            prompts.push_back(title + L"|" + current);
            if (typed.empty()) return std::wstring();
            std::wstring next = typed.front();
            typed.pop_front();
            return next;
        };
        dialogs.chooseFromMenu = [this](const std::vector<std::pair<int, std::wstring>>& entries) {
            menus.push_back(entries);
            return menuChoice;
        };
        dialogs.editNote = [this](const std::wstring& unique, const std::wstring& folder) {
            edited.push_back(folder + unique);
        };
    }
    void TearDown() override {
        manager.reset();
        ManagerWindowTest::TearDown();
    }
    void note(const std::wstring& unique, const std::wstring& base, const std::wstring& group, int id,
              const std::vector<std::wstring>& lines, bool hidden, int day) {
        TavNoteStore store(unique, base, id);
        ASSERT_TRUE(store.createNoteFile());
        ASSERT_TRUE(store.SetGroup(group));
        ASSERT_TRUE(store.SaveGeometry(RECT{100, 100, 300, 260}).has_value());
        SYSTEMTIME t{2026, 12, 0, WORD(day), 8, 30, 0, 0};
        ASSERT_TRUE(store.SaveCreateTime(t));
        if (hidden) {
            ASSERT_TRUE(store.SaveHidden(true));
        }
        ASSERT_TRUE(
            notecontents::writeRichBlock(store, id * 10, {0, 0, 150, 60}, notecontents::rtfBody(lines, 0)));
    }
    std::wstring element(const std::wstring& folder, const std::wstring& unique, const wchar_t* name) {
        XmlDocument doc;
        if (!doc.loadFile(folder + unique + L"\\" + unique + L".xml") || !doc.findElement(L"TavNoteItem") ||
            !doc.intoElement() || !doc.findElement(name))
            return L"<none>";
        return doc.getData();
    }
    TavNMiNote& openManager() {
        manager = std::make_unique<TavNMiManager>(nullptr, dialogs);
        manager->settingsPage().setRegistry(scratch.registry());
        EXPECT_TRUE(manager->createModeless(nullptr, kManagerWindowId));
        pumpMessages(100);
        return manager->notesPage();
    }
    void close() {
        if (manager && manager->handle()) DestroyWindow(manager->handle());
        pumpMessages();
        manager.reset();
    }
    void choose(TavNMiNote& page, const std::wstring& group) {
        page.selectGroup(group);
        pumpMessages();
    }
    std::set<std::wstring> listed(TavNMiNote& page) {
        std::set<std::wstring> names;
        for (const ManagerNoteEntry& e : page.noteList().entries())
            names.insert(e.unique.substr(18) + (e.hidden ? L"h" : L""));
        return names;
    }
    void selectOnly(TavNMiNote& page, const std::wstring& suffix) {
        page.noteList().clearSelection();
        for (size_t i = 0; i < page.noteList().entries().size(); ++i)
            if (page.noteList().entries()[i].unique.ends_with(suffix)) page.noteList().setSelected(i, true);
    }
    void press(TavNMiNote& page, int id) {
        page.onButton(id);
        pumpMessages();
    }

    std::wstring work_;
    ScratchAutorunRegistry scratch; // the settings page never reads the real Run keys
    TavManagerDialogs dialogs;
    std::unique_ptr<TavNMiManager> manager;
    std::vector<std::wstring> messages;
    std::vector<std::wstring> prompts;
    std::deque<std::wstring> typed;
    std::vector<std::vector<std::pair<int, std::wstring>>> menus;
    std::vector<std::wstring> edited;
    int answer = 1;
    int menuChoice = 0;
};

TEST_F(ManagerPageTest, EveryGroupIsListedWithItsNotesAndTheRecycleBinHasTheGroupView) {
    TavNMiNote& page = openManager();
    EXPECT_EQ(page.groupList().names(), (std::vector<std::wstring>{L"系统分组", L"工作", L"回收站"}));
    EXPECT_EQ(page.currentGroup(), L"系统分组");
    EXPECT_EQ(listed(page), (std::set<std::wstring>{L"01", L"02h"}));
    EXPECT_EQ(page.viewTab().tabs(), (std::vector<std::wstring>{L"创建时间分栏", L"无分栏"}));
    // Sections by creation date: one header per day, each above its note.
    int headers = 0;
    for (const ManagerListItem& item : page.noteList().layout().items) headers += item.header;
    EXPECT_EQ(headers, 2);
    // The buttons of the system group stand where they belong; the group buttons are hidden.
    RECT client{};
    GetClientRect(page.handle(), &client);
    RECT del{};
    GetWindowRect(page.button(kMgrDeleteNotesId)->handle(), &del);
    MapWindowPoints(nullptr, page.handle(), reinterpret_cast<POINT*>(&del), 2);
    EXPECT_EQ(del.left, client.right - 97);
    EXPECT_EQ(del.top, client.bottom - 28);
    EXPECT_FALSE(IsWindowVisible(page.button(kMgrRenameId)->handle()));
    EXPECT_FALSE(IsWindowVisible(page.button(kMgrRestoreId)->handle()));

    choose(page, L"回收站");
    EXPECT_EQ(listed(page), (std::set<std::wstring>{L"04"}));
    EXPECT_EQ(page.viewTab().tabs().size(), 3u);
    EXPECT_TRUE(IsWindowVisible(page.button(kMgrRestoreId)->handle()));
    EXPECT_TRUE(IsWindowVisible(page.button(kMgrEmptyRecycleId)->handle()));
    EXPECT_FALSE(IsWindowVisible(page.button(kMgrHideId)->handle()));
    page.viewTab().chooseIndex(2);
    SendMessageW(page.handle(), kManagerMsgViewChosen, 2, 0);
    ASSERT_EQ(page.noteList().layout().items.size(), 2u);
    EXPECT_EQ(page.noteList().layout().items[0].key, L"工作");

    // Commands without a selection say so and change nothing.
    page.noteList().clearSelection();
    press(page, kMgrRestoreId);
    press(page, kMgrDeleteNotesId);
    EXPECT_EQ(messages, (std::vector<std::wstring>{L"请选择要恢复的便签！", L"请选择要删除的便签！"}));
    EXPECT_TRUE(folderExists(recycleDirectory() + L"20261204110000000_04"));
}

TEST_F(ManagerPageTest, HideShowMoveDeleteRestoreAndEmptyChangeTheFiles) {
    TavNMiNote& page = openManager();
    // No program runs the notes here: hiding and showing mark the files.
    selectOnly(page, L"_01");
    press(page, kMgrHideId);
    EXPECT_EQ(element(noteItemsDirectory(), L"20261201080000000_01", L"ishide"), L"1");
    page.noteList().selectAll();
    press(page, kMgrShowId);
    EXPECT_EQ(element(noteItemsDirectory(), L"20261201080000000_01", L"ishide"), L"0");
    EXPECT_EQ(element(noteItemsDirectory(), L"20261202090000000_02", L"ishide"), L"0");

    // Move to "工作": the menu offers the user groups only (the note is in the system group).
    selectOnly(page, L"_02");
    menuChoice = kCmdMgrMoveSystem + 1;
    press(page, kMgrMoveId);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0], (std::vector<std::pair<int, std::wstring>>{{kCmdMgrMoveSystem + 1, L"工作"}}));
    EXPECT_FALSE(folderExists(noteItemsDirectory() + L"20261202090000000_02"));
    EXPECT_EQ(element(work_, L"20261202090000000_02", L"group"), L"工作");
    EXPECT_EQ(listed(page), (std::set<std::wstring>{L"01"}));

    // Delete asks; Cancel keeps the note, OK moves it to the recycle bin with its group kept.
    choose(page, L"工作");
    selectOnly(page, L"_03");
    answer = 2;
    press(page, kMgrDeleteNotesId);
    EXPECT_TRUE(folderExists(work_ + L"20261203100000000_03"));
    answer = 1;
    press(page, kMgrDeleteNotesId);
    EXPECT_EQ(messages, (std::vector<std::wstring>{L"确定要删选择的便签吗？", L"确定要删选择的便签吗？"}));
    EXPECT_FALSE(folderExists(work_ + L"20261203100000000_03"));
    EXPECT_EQ(element(recycleDirectory(), L"20261203100000000_03", L"group"), L"工作");

    // Restore goes back to the group named in the file, made again when it was deleted.
    ASSERT_TRUE(removeTree(noteItems2Directory() + L"工作"));
    choose(page, L"回收站");
    EXPECT_EQ(listed(page), (std::set<std::wstring>{L"03", L"04"}));
    selectOnly(page, L"_03");
    press(page, kMgrRestoreId);
    EXPECT_TRUE(folderExists(work_ + L"20261203100000000_03"));
    EXPECT_EQ(page.groupList().names(), (std::vector<std::wstring>{L"系统分组", L"工作", L"回收站"}));
    EXPECT_EQ(listed(page), (std::set<std::wstring>{L"04"}));

    // In the recycle bin delete is for good; emptying asks first.
    messages.clear();
    answer = 2;
    press(page, kMgrEmptyRecycleId);
    EXPECT_TRUE(folderExists(recycleDirectory() + L"20261204110000000_04"));
    answer = 1;
    press(page, kMgrEmptyRecycleId);
    EXPECT_EQ(messages, (std::vector<std::wstring>{L"确定要清空回收站吗？", L"确定要清空回收站吗？"}));
    EXPECT_FALSE(folderExists(recycleDirectory() + L"20261204110000000_04"));
    EXPECT_TRUE(listed(page).empty());
}

TEST_F(ManagerPageTest, GroupsAreMadeRenamedAndDeletedAndRefusedNamesAreTold) {
    writeBytes(noteItems2Directory() + L"afile", "x");
    TavNMiNote& page = openManager();
    // The prompt stays open through each refused name; the last one is taken, trimmed.
    typed = {L"回收站", L"a:b", L"COM1", L"afile", L"  家庭  "};
    press(page, kMgrNewGroupId);
    EXPECT_EQ(messages,
              (std::vector<std::wstring>{L"不能为系统分组或者回收站，请重新命名！", L"分组命名不合法！",
                                         L"分组命名不合法！", L"存在相同的分组或者文件！"}));
    EXPECT_EQ(prompts.size(), 5u);
    EXPECT_EQ(prompts[0], L"新建分组...|");
    EXPECT_TRUE(folderExists(noteItems2Directory() + L"家庭"));
    EXPECT_EQ(page.groupList().names(),
              (std::vector<std::wstring>{L"系统分组", L"家庭", L"工作", L"回收站"}));

    // Rename "工作" to "项目" in the flat view: the notes move, the view follows the new name.
    choose(page, L"工作");
    page.viewTab().chooseIndex(1);
    SendMessageW(page.handle(), kManagerMsgViewChosen, 1, 0);
    messages.clear();
    typed = {L"家庭", L"项目"};
    press(page, kMgrRenameId);
    EXPECT_EQ(prompts.back(), L"重命名...|工作");
    EXPECT_EQ(messages, (std::vector<std::wstring>{L"存在相同的分组或者文件！"}));
    EXPECT_FALSE(folderExists(noteItems2Directory() + L"工作"));
    const std::wstring project = noteItems2Directory() + L"项目\\";
    EXPECT_EQ(element(project, L"20261203100000000_03", L"group"), L"项目");
    EXPECT_EQ(page.currentGroup(), L"项目");
    EXPECT_EQ(listed(page), (std::set<std::wstring>{L"03"}));
    EXPECT_EQ(loadManagerState(sysconfigPath()).groupViews,
              (std::map<std::wstring, std::wstring>{{L"项目", L"无分栏"}}));

    // Delete and move the notes to the system group: no question, the group folder goes.
    messages.clear();
    menuChoice = kCmdMgrMoveSystem;
    press(page, kMgrDeleteGroupId);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(folderExists(project));
    EXPECT_EQ(element(noteItemsDirectory(), L"20261203100000000_03", L"group"), L"");
    EXPECT_EQ(page.currentGroup(), L"系统分组");
    EXPECT_TRUE(loadManagerState(sysconfigPath()).groupViews.empty());

    // Plain delete asks, then puts the group's notes into the recycle bin.
    page.noteList().selectAll();
    menuChoice = kCmdMgrMoveSystem + 1; // "家庭"
    press(page, kMgrMoveId);
    choose(page, L"家庭");
    EXPECT_EQ(listed(page).size(), 3u);
    menuChoice = kCmdMgrDeleteGroup;
    answer = 2;
    press(page, kMgrDeleteGroupId);
    EXPECT_TRUE(folderExists(noteItems2Directory() + L"家庭"));
    answer = 1;
    press(page, kMgrDeleteGroupId);
    EXPECT_EQ(messages, (std::vector<std::wstring>{L"确定要删选择的分组吗？", L"确定要删选择的分组吗？"}));
    EXPECT_FALSE(folderExists(noteItems2Directory() + L"家庭"));
    choose(page, L"回收站");
    EXPECT_EQ(listed(page).size(), 4u);
}

// Group commands take the group's notes from disk, whatever the list shows (a search here), and
// move nothing while one of them is open on the desktop and could not be closed: its window would
// go on writing into the old folder.
TEST_F(ManagerPageTest, AGroupWithANoteThatStaysOpenIsNeitherDeletedNorRenamedDuringASearch) {
    TavNoteItem open(L"20261203100000000_03");
    open.SetGroup(L"工作");
    open.SetBaseDir(work_);
    ASSERT_TRUE(open.create(0, L"", TavNoteItem::kExStyle, TavNoteItem::kStyle, 50, 50, 180, 180, nullptr));
    TavNMiNote& page = openManager();
    choose(page, L"工作");
    page.setSearchText(L"weekly"); // lists a note of the system group only
    pumpMessages();
    menuChoice = kCmdMgrMoveSystem;
    press(page, kMgrDeleteGroupId);
    EXPECT_TRUE(folderExists(work_ + L"20261203100000000_03"));
    typed = {L"项目"};
    press(page, kMgrRenameId);
    EXPECT_TRUE(folderExists(work_ + L"20261203100000000_03"));
    EXPECT_FALSE(folderExists(noteItems2Directory() + L"项目"));
    EXPECT_TRUE(folderExists(noteItemsDirectory() + L"20261201080000000_01"));
    DestroyWindow(open.handle());
}

// Deleting in a search moves notes to the recycle bin, never out of it.
TEST_F(ManagerPageTest, DeletingInASearchLeavesRecycledNotesInTheBin) {
    TavNMiNote& page = openManager();
    page.setSearchText(L"会议");
    pumpMessages();
    ASSERT_EQ(listed(page), (std::set<std::wstring>{L"04"}));
    page.noteList().selectAll();
    press(page, kMgrDeleteNotesId);
    EXPECT_TRUE(folderExists(recycleDirectory() + L"20261204110000000_04"));
}

TEST_F(ManagerPageTest, TheGroupAndViewChosenComeBackAtTheNextOpening) {
    TavNMiNote& page = openManager();
    choose(page, L"工作");
    page.viewTab().chooseIndex(1);
    SendMessageW(page.handle(), kManagerMsgViewChosen, 1, 0);
    close();
    const ManagerState state = loadManagerState(sysconfigPath());
    EXPECT_EQ(state.lastSelected, L"工作");

    TavNMiNote& again = openManager();
    EXPECT_EQ(again.currentGroup(), L"工作");
    EXPECT_EQ(again.viewTab().chosenText(), L"无分栏");
    EXPECT_EQ(again.noteList().view(), ManagerView::Flat);
    EXPECT_EQ(listed(again), (std::set<std::wstring>{L"03"}));
}

TEST_F(ManagerPageTest, SearchFindsWordsPhrasesAndInitialsInEveryGroupAndADoubleClickEdits) {
    TavNMiNote& page = openManager();
    struct Case {
        const wchar_t* query;
        std::set<std::wstring> found;
    } cases[] = {
        {L"weekly", {L"01"}}, // Latin, case ignored
        {L"会议", {L"04"}},   // a recycled note
        {L"gzjh", {L"01"}},   // initials of 工作计划
        {L"想法", {L"02h"}},  // a hidden note
        {L"xm", {L"03"}},     // 项目 in another group
        {L"nothing here", {}},
    };
    for (const Case& c : cases) {
        page.setSearchText(c.query);
        pumpMessages();
        EXPECT_TRUE(page.searching());
        EXPECT_EQ(listed(page), c.found) << c.query;
    }
    page.setSearchText(L"会议");
    ASSERT_EQ(page.noteList().entries().size(), 1u);
    EXPECT_EQ(page.noteList().entries()[0].section, L"回收站（原工作）");
    EXPECT_EQ(page.noteList().entries()[0].group, L"工作") << "the group a restore goes back to";
    SendMessageW(page.handle(), kManagerMsgOpenEntry, 0, 0);
    EXPECT_EQ(edited, (std::vector<std::wstring>{recycleDirectory() + L"20261204110000000_04"}));

    page.setSearchText(L"");
    EXPECT_FALSE(page.searching());
    EXPECT_EQ(listed(page), (std::set<std::wstring>{L"01", L"02h"}));
}

TEST_F(ManagerPageTest, TheManagerOpensCentredAtItsSizeWithTheNotesPageChosen) {
    static TavNMiManager* running = nullptr;
    static RECT seen{};
    static bool notesShown = false;
    TavNMiManager modal(nullptr, dialogs);
    modal.settingsPage().setRegistry(scratch.registry());
    running = &modal;
    SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        GetWindowRect(running->handle(), &seen);
        notesShown = IsWindowVisible(running->notesPage().handle()) &&
                     !IsWindowVisible(running->settingsPage().handle());
        running->closeWith(2);
    });
    modal.runModal(nullptr, kManagerWindowId);
    EXPECT_EQ(seen.right - seen.left, 1024);
    EXPECT_EQ(seen.bottom - seen.top, 732);
    EXPECT_EQ(seen.left, (GetSystemMetrics(SM_CXSCREEN) - 1024) / 2);
    EXPECT_EQ(seen.top, (GetSystemMetrics(SM_CYSCREEN) - 732) / 2);
    EXPECT_TRUE(notesShown);
    EXPECT_TRUE(modal.tabButton(kMgrTabNotesId).selected());
}

// A double click opens a note that is not on the desktop inside the manager, the words searched
// for selected; closing it keeps its picture as the snapshot the list shows.
TEST_F(ManagerPageTest, ADoubleClickEditsTheNoteInTheManagerWithTheMatchSelected) {
    dialogs.editNote = nullptr;
    TavNMiNote& page = openManager();
    page.setSearchText(L"weekly");
    pumpMessages();
    ASSERT_EQ(page.noteList().entries().size(), 1u);
    EXPECT_TRUE(page.noteList().entries()[0].snapshot.empty());
    static std::wstring selected;
    static bool hosted = false;
    selected.clear();
    hosted = false;
    SetTimer(nullptr, 0, 400, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        TavNoteItem* note = TavNoteItem::findByUnique(L"20261201080000000_01");
        if (!note) return;
        hosted = note->hosted() && IsWindowVisible(note->handle());
        for (const auto& child : note->noteChildren())
            if (auto* block = dynamic_cast<TavRichEditNI*>(child.get()))
                selected =
                    block->doc().textBetween(block->doc().selectionStart(), block->doc().selectionEnd());
        note->cancel();
    });
    SendMessageW(page.handle(), kManagerMsgOpenEntry, 0, 0);
    EXPECT_TRUE(hosted);
    EXPECT_EQ(selected, L"Weekly");
    EXPECT_EQ(TavNoteItem::findByUnique(L"20261201080000000_01"), nullptr);
    ASSERT_EQ(page.noteList().entries().size(), 1u);
    EXPECT_FALSE(page.noteList().entries()[0].snapshot.empty());
    EXPECT_EQ(element(noteItemsDirectory(), L"20261201080000000_01", L"ishide"), L"<none>")
        << "editing in the manager neither shows nor hides the note";
}

DWORD gdiObjectCount() {
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (n) return n;
    // Wine answers 0: the handle table is walked instead.
    for (ULONG_PTR slot = 1; slot < 0x10000; ++slot)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot))) ++n;
    return n;
}

// Scrolling through many notes keeps a bounded number of pictures, and closing the manager gives
// back what it drew with.
TEST_F(ManagerPageTest, ScrollingThroughManyNotesAndClosingLeaveNoGdiObjectsBehind) {
    for (int i = 0; i < 300; ++i) {
        wchar_t unique[40];
        swprintf(unique, 40, L"20261205%09d_%02d", i, i % 100);
        TavNoteStore store(unique, L"", 100 + i);
        ASSERT_TRUE(store.createNoteFile());
        ASSERT_TRUE(store.SaveGeometry(RECT{0, 0, 200, 150}).has_value());
        ASSERT_TRUE(
            writeBytes(store.folderPath() + L"snap.bmp", bmpBytes(40, 30, 0x102030 * unsigned(i % 7))));
        XmlDocument doc;
        ASSERT_TRUE(store.OpenDocument(doc) && doc.intoElement() && doc.addElement(L"pngview", L"snap.bmp") &&
                    doc.saveFile(store.GetFilePath()));
    }
    auto cycle = [&] {
        TavNMiNote& page = openManager();
        EXPECT_GE(page.noteList().entries().size(), 300u);
        for (int offset = 0; offset <= page.noteList().maxOffset(); offset += 200) {
            page.noteList().scrollTo(offset);
            pumpMessages();
        }
        close();
    };
    cycle(); // the font and brush caches fill once
    const DWORD before = gdiObjectCount();
    cycle();
    const DWORD after = gdiObjectCount();
    EXPECT_LE(after, before + 10) << before << " GDI objects before, " << after << " after";
}

// The notes page and a search, saved as "manager_notes.png" and "manager_search.png" beside the
// test for a person to look at: thumbnails from the snapshots, a hidden note's mark, the checks.
TEST_F(ManagerPageTest, ScreenshotsOfTheNotesPageAndASearch) {
    // Snapshots of two colours, as hidden notes have them.
    for (auto [unique, rgb] :
         {std::pair{L"20261201080000000_01", 0x3DCBFFu}, {L"20261202090000000_02", 0xE07F2Fu}}) {
        const std::wstring name = L"snap.bmp";
        writeBytes(noteItemsDirectory() + unique + L"\\" + name, bmpBytes(200, 160, rgb));
        TavNoteStore store(unique, L"", 0);
        XmlDocument doc;
        ASSERT_TRUE(store.OpenDocument(doc));
        ASSERT_TRUE(doc.intoElement());
        ASSERT_TRUE(doc.addElement(L"pngview", name));
        ASSERT_TRUE(doc.saveFile(store.GetFilePath()));
    }
    TavNMiNote& page = openManager();
    page.noteList().setSelected(1, true);
    pumpMessages();
    auto save = [&](const wchar_t* file) { EXPECT_TRUE(saveWindowPng(*manager, file)); };
    save(L"manager_notes.png");
    page.searchBox().setText(L"jh");
    page.setSearchText(L"jh");
    pumpMessages();
    EXPECT_EQ(listed(page), (std::set<std::wstring>{L"01"}));
    save(L"manager_search.png");
}

} // namespace
