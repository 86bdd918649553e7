// The manager's template page with real windows over a prepared data folder: each group lists its
// templates with their pictures, the commands change exactly the folders they should (a new
// template is 240 x 240 in its group's folder, a deleted one goes to the template recycle bin and
// from there for good, a restore makes its deleted group again), refused group names are told, the
// group and view chosen are remembered, and the note menu's chooser hands a double-clicked template
// to the note. Questions, prompts, menus and the file dialog are answered through their seams.
#include "win_support.h"

#include <deque>
#include <functional>
#include <map>

#include "FileDialogs.h"
#include "FolderUtils.h"
#include "ImageFiles.h"
#include "ManagerState.h"
#include "ManagerTemplates.h"
#include "Messages.h"
#include "TavNMiTpl.h"
#include "TavNoteItem.h"
#include "TavNoteItemTemplate.h"
#include "TavNoteMenuSelTpl.h"
#include "TestPanel.h"
#include "UnixTools.h"
#include "XmlDocument.h"
#include "ScreenCapture.h"

namespace {

constexpr int kPageWidth = 960, kPageHeight = 560;

// A window standing in for the note: it keeps what the chooser tells it.
class ChoiceCatcher : public TestPanel {
public:
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kNoteMsgTemplateChosen) return TestPanel::windowProc(message, wParam, lParam);
        const auto* name = reinterpret_cast<const wchar_t*>(wParam);
        const auto* group = reinterpret_cast<const wchar_t*>(lParam);
        choices.push_back(std::wstring(name ? name : L"<null>") + L"|" + (group ? group : L"<null>"));
        return 0;
    }
    std::vector<std::wstring> choices;
};

class TemplatePageTest : public ManagerWindowTest {
protected:
    void SetUp() override {
        ManagerWindowTest::SetUp();
        writeBytes(outside.file(L"red.bmp"), bmpBytes(60, 40, 0xFF0000));
        writeBytes(outside.file(L"blue.bmp"), bmpBytes(40, 40, 0x0000FF));
        writeBytes(outside.file(L"fake.png"), "no picture");
        writeBytes(outside.file(L"canary.txt"), "alive");
        GetLocalTime(&now);
        ASSERT_TRUE(host.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 20, 20,
                                kPageWidth, kPageHeight, nullptr));
        dialogs.message = [this](HWND, int type, const std::wstring& text) {
            messages.push_back(text);
            return type == kBoxOk ? kNoteResultOk : answer;
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
        dialogs.editTemplate = [this](const std::wstring& name, const std::wstring& folder) {
            edited.push_back(folder + name);
        };
        TavDialogSeam seam;
        seam.open = [this](HWND, const wchar_t*) {
            ++fileDialogs;
            return TavFileChoice{chosenFile, fileNameOfPath(chosenFile)};
        };
        setDialogSeam(seam);
    }
    void TearDown() override {
        page.reset();
        DestroyWindow(host.handle());
        setDialogSeam(TavDialogSeam{});
        ManagerWindowTest::TearDown();
    }
    TavNMiTpl& open() {
        page = std::make_unique<TavNMiTpl>(sysconfigPath(), dialogs);
        EXPECT_TRUE(page->createChild(host.handle(), 20012, RECT{0, 0, kPageWidth, kPageHeight}));
        pumpMessages();
        return *page;
    }
    void close() {
        if (page && page->handle()) DestroyWindow(page->handle());
        pumpMessages();
        page.reset();
    }
    std::wstring add(const std::wstring& group, const wchar_t* picture) {
        return addTemplateFromImage(group, outside.file(picture), now);
    }
    void press(int id) {
        page->onButton(id);
        pumpMessages();
    }
    void selectAll() { page->templateList().selectAll(); }
    std::vector<std::wstring> listed() {
        std::vector<std::wstring> names;
        for (const ManagerNoteEntry& e : page->templateList().entries()) names.push_back(e.unique);
        return names;
    }
    std::wstring element(const std::wstring& folder, const std::wstring& name, const wchar_t* which) {
        XmlDocument doc;
        if (!doc.loadFile(folder + name + L"\\" + name + L".xml") || !doc.findElement(L"TplItem") ||
            !doc.intoElement() || !doc.findElement(which))
            return L"<none>";
        return doc.getData();
    }
    // The colour in the middle of an entry's picture as the page shows it (0xRRGGBB).
    uint32_t tileColor(TavNMiNList& list, size_t index) {
        EXPECT_TRUE(host.redrawAll());
        GdiFlush();
        RECT tile = list.tileRect(index);
        MapWindowPoints(list.handle(), host.handle(), reinterpret_cast<POINT*>(&tile), 2);
        return host.backBuffer().at(tile.left + kManagerTileWidth / 2, tile.top + 68) & 0xFFFFFF;
    }
    // A real double click at the middle of an entry.
    static void doubleClick(TavNMiNList& list, size_t index) {
        const RECT tile = list.tileRect(index);
        const LPARAM at = MAKELPARAM(tile.left + kManagerTileWidth / 2, tile.top + 40);
        SendMessageW(list.handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list.handle(), WM_LBUTTONUP, 0, at);
        SendMessageW(list.handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        SendMessageW(list.handle(), WM_LBUTTONUP, 0, at);
        pumpMessages();
    }
    void saveShot(const wchar_t* file) { EXPECT_TRUE(saveWindowPng(host, file)); }

    TempFolder outside{L"tavnote_tplpage_outside"};
    SYSTEMTIME now{};
    TestPanel host;
    std::unique_ptr<TavNMiTpl> page;
    TavManagerDialogs dialogs;
    std::vector<std::wstring> messages;
    std::vector<std::wstring> prompts;
    std::deque<std::wstring> typed;
    std::vector<std::vector<std::pair<int, std::wstring>>> menus;
    std::vector<std::wstring> edited;
    std::wstring chosenFile;
    int fileDialogs = 0;
    int answer = kNoteResultOk;
    int menuChoice = 0;
};

TEST_F(TemplatePageTest, EachGroupListsItsTemplatesWithTheirPicturesAndItsButtons) {
    ASSERT_EQ(createTemplateGroup(L"花"), GroupNameProblem::None);
    const std::wstring red = add(L"", L"red.bmp");
    const std::wstring blue = add(L"花", L"blue.bmp");
    TavNMiTpl& p = open();
    EXPECT_EQ(p.groupList().names(), (std::vector<std::wstring>{kSystemGroupName, L"花", kRecycleGroupName}));
    EXPECT_EQ(p.currentGroup(), kSystemGroupName);

    struct Case {
        const wchar_t* group;
        std::vector<std::wstring> names;
        uint32_t color;
        std::vector<int> shown, hidden;
    };
    const Case cases[] = {
        {kSystemGroupName,
         {red},
         0xFF0000,
         {kTplAddId, kTplDeleteId, kMgrMoveId, kMgrNewGroupId},
         {kMgrRestoreId, kMgrDeleteGroupId, kMgrRenameId, kMgrEmptyRecycleId}},
        {L"花",
         {blue},
         0x0000FF,
         {kTplAddId, kTplDeleteId, kMgrMoveId, kMgrDeleteGroupId, kMgrRenameId},
         {kMgrRestoreId, kMgrEmptyRecycleId}},
        {kRecycleGroupName,
         {},
         0,
         {kMgrRestoreId, kMgrEmptyRecycleId, kTplDeleteId},
         {kTplAddId, kMgrMoveId, kMgrDeleteGroupId, kMgrRenameId}},
    };
    for (const Case& c : cases) {
        p.selectGroup(c.group);
        pumpMessages();
        EXPECT_EQ(listed(), c.names);
        if (!c.names.empty()) {
            EXPECT_EQ(tileColor(p.templateList(), 0), c.color);
            EXPECT_FALSE(p.templateList().entries()[0].snapshot.empty());
        }
        for (int id : c.shown) EXPECT_TRUE(IsWindowVisible(p.button(id)->handle())) << id;
        for (int id : c.hidden) EXPECT_FALSE(IsWindowVisible(p.button(id)->handle())) << id;
    }
}

TEST_F(TemplatePageTest, AnAddedTemplateIs240SquareInTheFolderOfItsGroup) {
    ASSERT_EQ(createTemplateGroup(L"花"), GroupNameProblem::None);
    TavNMiTpl& p = open();
    chosenFile = outside.file(L"red.bmp");
    press(kTplAddId);
    ASSERT_EQ(listed().size(), 1u);
    const std::wstring plain = listed()[0];
    EXPECT_TRUE(pathExists(templatesDirectory() + plain));
    struct Stored {
        const wchar_t* element;
        const wchar_t* value;
    };
    for (const Stored& s : {Stored{L"left", L"0"}, Stored{L"right", L"240"}, Stored{L"bottom", L"240"}})
        EXPECT_EQ(element(templatesDirectory(), plain, s.element), s.value) << s.element;

    p.selectGroup(L"花");
    press(kTplAddId);
    ASSERT_EQ(listed().size(), 1u);
    const std::wstring grouped = listed()[0];
    const std::wstring groupFolder = templates2Directory() + L"花\\";
    EXPECT_TRUE(pathExists(groupFolder + grouped));
    EXPECT_EQ(element(groupFolder, grouped, L"group"), L"花");
    EXPECT_EQ(element(groupFolder, grouped, L"right"), L"240");
    EXPECT_FALSE(pathExists(templatesDirectory() + grouped));

    // Cancelled, or a file that is no picture: nothing is added.
    for (const std::wstring& file : {std::wstring(), outside.file(L"fake.png")}) {
        chosenFile = file;
        press(kTplAddId);
        EXPECT_EQ(listed().size(), 1u);
    }
    EXPECT_EQ(fileDialogs, 4);
    size_t folders = 0;
    for (const std::wstring& name : listSubFolders(groupFolder)) folders += !name.empty();
    EXPECT_EQ(folders, 1u);
}

TEST_F(TemplatePageTest, DeletingRecyclesAndFromTheRecycleBinRemovesForGood) {
    const std::wstring one = add(L"", L"red.bmp");
    const std::wstring two = add(L"", L"blue.bmp");
    TavNMiTpl& p = open();
    press(kTplDeleteId);
    EXPECT_EQ(messages, std::vector<std::wstring>{L"请选择要删除的模板！"});
    selectAll();
    answer = kNoteResultCancel;
    press(kTplDeleteId);
    EXPECT_EQ(messages.back(), L"确定要删选择的模板吗？");
    EXPECT_EQ(listed().size(), 2u) << "cancelled";

    answer = kNoteResultOk;
    p.templateList().clearSelection();
    p.templateList().setSelected(0, true);
    press(kTplDeleteId);
    EXPECT_EQ(listed(), std::vector<std::wstring>{two});
    EXPECT_FALSE(pathExists(templatesDirectory() + one));
    EXPECT_TRUE(pathExists(templateRecycleDirectory() + one + L"\\" + one + L".xml"));

    p.selectGroup(kRecycleGroupName);
    ASSERT_EQ(listed(), std::vector<std::wstring>{one});
    selectAll();
    press(kTplDeleteId);
    EXPECT_TRUE(listed().empty());
    EXPECT_FALSE(pathExists(templateRecycleDirectory() + one));
    EXPECT_TRUE(pathExists(templatesDirectory() + two));
}

// A link in the template recycle bin is never listed, and emptying the bin leaves what it points
// at alone.
TEST_F(TemplatePageTest, EmptyingTheRecycleBinLeavesALinkedFolderAlone) {
    const std::wstring one = add(L"", L"red.bmp");
    ASSERT_FALSE(moveTemplateToRecycle(templatesDirectory(), one).name.empty());
    ASSERT_TRUE(unixtools::makeHostLink(outside.path(), templateRecycleDirectory() + L"linked"));
    TavNMiTpl& p = open();
    p.selectGroup(kRecycleGroupName);
    EXPECT_EQ(listed(), std::vector<std::wstring>{one});
    answer = kNoteResultCancel;
    press(kMgrEmptyRecycleId);
    EXPECT_EQ(messages.back(), L"确定要清空回收站吗？");
    EXPECT_TRUE(pathExists(templateRecycleDirectory() + one));
    answer = kNoteResultOk;
    press(kMgrEmptyRecycleId);
    EXPECT_TRUE(listed().empty());
    EXPECT_FALSE(pathExists(templateRecycleDirectory() + one));
    EXPECT_EQ(readBytes(outside.file(L"canary.txt")), "alive");
    EXPECT_EQ(readBytes(outside.file(L"red.bmp")), bmpBytes(60, 40, 0xFF0000));
    RemoveDirectoryW((templateRecycleDirectory() + L"linked").c_str());
}

TEST_F(TemplatePageTest, RestoringATemplateMakesItsDeletedGroupAgain) {
    ASSERT_EQ(createTemplateGroup(L"花"), GroupNameProblem::None);
    const std::wstring name = add(L"花", L"blue.bmp");
    TavNMiTpl& p = open();
    p.selectGroup(L"花");
    answer = kNoteResultCancel;
    press(kMgrDeleteGroupId);
    EXPECT_EQ(messages.back(), L"确定要删选择的分组吗？");
    EXPECT_TRUE(pathExists(templates2Directory() + L"花"));
    answer = kNoteResultOk;
    press(kMgrDeleteGroupId);
    EXPECT_FALSE(pathExists(templates2Directory() + L"花"));
    EXPECT_EQ(p.groupList().names(), (std::vector<std::wstring>{kSystemGroupName, kRecycleGroupName}));
    EXPECT_EQ(p.currentGroup(), kSystemGroupName);

    p.selectGroup(kRecycleGroupName);
    ASSERT_EQ(listed(), std::vector<std::wstring>{name});
    press(kMgrRestoreId);
    EXPECT_EQ(messages.back(), L"请选择要恢复的模板！");
    selectAll();
    press(kMgrRestoreId);
    EXPECT_TRUE(listed().empty());
    EXPECT_TRUE(pathExists(templates2Directory() + L"花\\" + name + L"\\" + name + L".xml"));
    EXPECT_EQ(p.groupList().names(), (std::vector<std::wstring>{kSystemGroupName, L"花", kRecycleGroupName}));
    EXPECT_EQ(p.currentGroup(), kRecycleGroupName);
}

TEST_F(TemplatePageTest, MovingOffersTheOtherGroupsAndTheGroupFollows) {
    for (const wchar_t* g : {L"A", L"b"}) ASSERT_EQ(createTemplateGroup(g), GroupNameProblem::None);
    const std::wstring name = add(L"A", L"red.bmp");
    TavNMiTpl& p = open();
    p.selectGroup(L"A");
    press(kMgrMoveId);
    EXPECT_EQ(messages, std::vector<std::wstring>{L"请选择要移动的模板！"});
    EXPECT_TRUE(menus.empty());

    selectAll();
    menuChoice = kCmdMgrMoveSystem + 1;
    press(kMgrMoveId);
    ASSERT_EQ(menus.size(), 1u);
    const std::vector<std::pair<int, std::wstring>> offered{{kCmdMgrMoveSystem, kSystemGroupName},
                                                            {kCmdMgrMoveSystem + 1, L"b"}};
    EXPECT_EQ(menus[0], offered);
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(element(templates2Directory() + L"b\\", name, L"group"), L"b");

    // From "b" to the system group: the group element empties, the system group is not offered twice.
    p.selectGroup(L"b");
    selectAll();
    menuChoice = kCmdMgrMoveSystem;
    press(kMgrMoveId);
    EXPECT_EQ(menus.back()[0], (std::pair<int, std::wstring>{kCmdMgrMoveSystem, kSystemGroupName}));
    EXPECT_EQ(element(templatesDirectory(), name, L"group"), L"");
    p.selectGroup(kSystemGroupName);
    selectAll();
    press(kMgrMoveId);
    EXPECT_EQ(menus.back(), (std::vector<std::pair<int, std::wstring>>{{kCmdMgrMoveSystem + 1, L"A"},
                                                                       {kCmdMgrMoveSystem + 2, L"b"}}));
}

TEST_F(TemplatePageTest, GroupsAreMadeRenamedAndRefusedNamesAreTold) {
    TavNMiTpl& p = open();
    typed = {L"回收站", L"a\\b", L"  新组  "};
    press(kMgrNewGroupId);
    EXPECT_EQ(messages,
              (std::vector<std::wstring>{L"不能为系统分组或者回收站，请重新命名！", L"分组命名不合法！"}));
    EXPECT_EQ(prompts.size(), 3u) << "the prompt stays open after a refused name";
    EXPECT_EQ(prompts[0], L"新建分组...|");
    EXPECT_TRUE(pathExists(templates2Directory() + L"新组"));
    EXPECT_EQ(p.currentGroup(), L"新组");
    const std::wstring name = add(L"新组", L"red.bmp");

    // The view shown is kept under the new name.
    p.viewTab().chooseIndex(1);
    SendMessageW(p.handle(), kManagerMsgViewChosen, 1, 0);
    messages.clear();
    typed = {L"新组", L"改名"};
    press(kMgrRenameId);
    EXPECT_EQ(messages, std::vector<std::wstring>{L"存在相同的分组或者文件！"});
    EXPECT_EQ(prompts.back(), L"重命名...|新组");
    EXPECT_FALSE(pathExists(templates2Directory() + L"新组"));
    EXPECT_EQ(element(templates2Directory() + L"改名\\", name, L"group"), L"改名");
    EXPECT_EQ(p.currentGroup(), L"改名");
    EXPECT_EQ(listed(), std::vector<std::wstring>{name});
    const ManagerState stored = loadManagerState(sysconfigPath(), kTemplatePageStateKeys);
    EXPECT_EQ(stored.groupViews.count(L"新组"), 0u);
    EXPECT_EQ(stored.groupViews.count(L"改名") ? stored.groupViews.at(L"改名") : L"", kViewFlat);
    EXPECT_EQ(p.viewTab().chosenText(), kViewFlat);

    // Cancelled prompts change nothing.
    typed.clear();
    press(kMgrNewGroupId);
    press(kMgrRenameId);
    EXPECT_EQ(p.groupList().names(),
              (std::vector<std::wstring>{kSystemGroupName, L"改名", kRecycleGroupName}));
}

TEST_F(TemplatePageTest, TheGroupAndViewChosenAreRememberedBesideTheNotesPages) {
    writeBytes(sysconfigPath(),
               "<sysconfig>\r\n<manager>\r\n<lastsel>工作</lastsel>\r\n</manager>\r\n</sysconfig>\r\n");
    ASSERT_EQ(createTemplateGroup(L"花"), GroupNameProblem::None);
    add(L"花", L"red.bmp");
    TavNMiTpl& p = open();
    // A click on the group's row and on the second view tab, as the user makes them.
    p.groupList().onClick(0, 40, TavNMiGroupList::kRowHeight + 5);
    pumpMessages();
    EXPECT_EQ(p.currentGroup(), L"花");
    EXPECT_EQ(loadManagerState(sysconfigPath(), kTemplatePageStateKeys).lastSelected, L"花")
        << "saved at once";
    p.viewTab().onClick(0, TavNMiTab::kTabWidth + 5, 5);
    pumpMessages();
    EXPECT_EQ(p.templateList().view(), ManagerView::Flat);
    close();

    const ManagerState stored = loadManagerState(sysconfigPath(), kTemplatePageStateKeys);
    EXPECT_EQ(stored.lastSelected, L"花");
    EXPECT_EQ(stored.groupViews, (std::map<std::wstring, std::wstring>{{L"花", kViewFlat}}));
    EXPECT_EQ(loadManagerState(sysconfigPath()).lastSelected, L"工作");

    TavNMiTpl& again = open();
    EXPECT_EQ(again.currentGroup(), L"花");
    EXPECT_EQ(again.viewTab().chosenText(), kViewFlat);
    EXPECT_EQ(again.templateList().view(), ManagerView::Flat);
    EXPECT_EQ(listed().size(), 1u);
}

TEST_F(TemplatePageTest, ADoubleClickOpensTheEditorAndShowsTheChangeAfter) {
    const std::wstring name = add(L"", L"red.bmp");
    // The editor is answered by changing the template's size as the editor would.
    dialogs.editTemplate = [&](const std::wstring& n, const std::wstring& folder) {
        edited.push_back(folder + n);
        const std::wstring file = folder + n + L"\\" + n + L".xml";
        XmlDocument doc;
        ASSERT_TRUE(doc.loadFile(file) && doc.findElement(L"TplItem") && doc.intoElement() &&
                    doc.findElement(L"right"));
        doc.setData(L"400");
        ASSERT_TRUE(doc.saveFile(file));
    };
    TavNMiTpl& p = open();
    doubleClick(p.templateList(), 0);
    EXPECT_EQ(edited, std::vector<std::wstring>{templatesDirectory() + name});
    ASSERT_EQ(p.templateList().entries().size(), 1u);
    EXPECT_EQ(p.templateList().entries()[0].rect.right, 400);
    EXPECT_FALSE(p.templateList().isSelected(0)) << "a double click leaves the selection as it was";
}

TEST_F(TemplatePageTest, TheChooserHandsTheDoubleClickedTemplateToTheNoteAndCloses) {
    ASSERT_EQ(createTemplateGroup(L"花"), GroupNameProblem::None);
    const std::wstring plain = add(L"", L"red.bmp");
    const std::wstring grouped = add(L"花", L"blue.bmp");
    // The manager's page was left in the recycle bin: the chooser opens where a template can be taken.
    const std::string stored = "<sysconfig>\r\n<manager>\r\n<tpllastsel>回收站</tpllastsel>\r\n</manager>\r\n"
                               "</sysconfig>\r\n";
    writeBytes(sysconfigPath(), stored);
    ChoiceCatcher note;
    ASSERT_TRUE(note.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 100, 100, 200,
                            200, nullptr));
    struct Case {
        const wchar_t* group;
        std::wstring expected;
    };
    for (const Case& c : {Case{kSystemGroupName, plain + L"|"}, Case{L"花", grouped + L"|花"}}) {
        TavNoteMenuSelTpl chooser(sysconfigPath(), dialogs);
        ASSERT_TRUE(chooser.createModeless(note.handle(), kTemplateChooserId));
        TavNMiTpl* inside = chooser.page();
        ASSERT_TRUE(inside);
        EXPECT_TRUE(inside->compact());
        EXPECT_EQ(inside->button(kTplAddId), nullptr) << "the chooser has no buttons";
        EXPECT_EQ(inside->currentGroup(), kSystemGroupName);
        inside->selectGroup(c.group);
        ASSERT_EQ(inside->templateList().entries().size(), 1u);
        if (c.group == std::wstring(L"花")) {
            // The chooser as the user sees it, for a person to look at.
            ASSERT_TRUE(chooser.redrawAll());
            GdiFlush();
            TavGpBitmap bitmap = dcToBitmap(nullptr, chooser.backBuffer().dc(), chooser.backBuffer().width(),
                                            chooser.backBuffer().height());
            ASSERT_TRUE(bitmap);
            EXPECT_TRUE(saveBitmapPng(*bitmap, L"template_chooser.png"));
        }
        note.choices.clear();
        doubleClick(inside->templateList(), 0);
        EXPECT_EQ(note.choices, std::vector<std::wstring>{c.expected}) << c.group;
        pumpMessages(50);
        EXPECT_FALSE(IsWindow(chooser.handle()) && IsWindowVisible(chooser.handle())) << "closed";
        EXPECT_TRUE(edited.empty()) << "the chooser opens no editor";
    }
    // The chooser never writes the page's remembered state.
    EXPECT_EQ(readBytes(sysconfigPath()), stored);
    DestroyWindow(note.handle());
}

// What a timer does while the chooser runs modally: the test's step, found by the timer's id.
std::map<UINT_PTR, std::function<void()>>& timerSteps() {
    static std::map<UINT_PTR, std::function<void()>> steps;
    return steps;
}
void CALLBACK runTimerStep(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto step = timerSteps().find(id);
    if (step == timerSteps().end()) return;
    auto run = std::move(step->second);
    timerSteps().erase(step);
    run();
}
void afterMs(UINT ms, std::function<void()> step) {
    timerSteps()[SetTimer(nullptr, 0, ms, runTimerStep)] = std::move(step);
}

// As the note runs it: modally over the note, ended by the choice.
TEST_F(TemplatePageTest, TheModalChooserEndsWithTheChoice) {
    const std::wstring plain = add(L"", L"red.bmp");
    ChoiceCatcher note;
    ASSERT_TRUE(note.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 100, 100, 200,
                            200, nullptr));
    TavNoteMenuSelTpl chooser(sysconfigPath(), dialogs);
    afterMs(100, [&] {
        TavNMiNList& list = chooser.page()->templateList();
        const RECT tile = list.tileRect(0);
        const LPARAM at = MAKELPARAM(tile.left + kManagerTileWidth / 2, tile.top + 40);
        SendMessageW(list.handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    });
    // A chooser that did not close is closed here, so that the test fails instead of hanging.
    afterMs(5000, [&] {
        if (chooser.handle()) chooser.closeWith(kNoteResultCancel);
    });
    EXPECT_EQ(chooser.runModal(note.handle(), kTemplateChooserId), kNoteResultOk);
    EXPECT_EQ(note.choices, std::vector<std::wstring>{plain + L"|"});
    for (auto& [id, step] : timerSteps()) KillTimer(nullptr, id);
    timerSteps().clear();
    DestroyWindow(note.handle());
}

// "选择模板..." of a note runs the chooser the program installed, with that note.
TEST_F(TemplatePageTest, TheNoteCommandRunsTheInstalledChooser) {
    TavNoteItem note(L"20261201080000000_01");
    TavNoteItem* chosenFor = nullptr;
    EXPECT_TRUE(handleTemplateCommand(note, kCmdNoteChooseTemplate)) << "nothing installed: nothing happens";
    setTemplateChooser([&](TavNoteItem& n) { chosenFor = &n; });
    EXPECT_TRUE(handleTemplateCommand(note, kCmdNoteChooseTemplate));
    setTemplateChooser(nullptr);
    EXPECT_EQ(chosenFor, &note);
}

// The page with two templates, saved as "templates_page.png" beside the test for a person to
// look at.
TEST_F(TemplatePageTest, ScreenshotOfThePage) {
    add(L"", L"red.bmp");
    add(L"", L"blue.bmp");
    TavNMiTpl& p = open();
    p.templateList().setSelected(1, true);
    p.templateList().repaint();
    saveShot(L"templates_page.png");
}

} // namespace
