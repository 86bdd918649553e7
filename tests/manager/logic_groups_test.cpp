// Groups and the recycle bin on disk: names refused with the right message, notes moved by a
// complete copy into a fresh folder, restored to the group their file names, and nothing outside
// the data folder touched by hostile names or a linked group.
#include <gtest/gtest.h>

#include "AppPaths.h"
#include "ManagerGroups.h"
#include "ManagerState.h"
#include "NoteStore.h"
#include "TempFolder.h"
#include "TestWait.h"
#include "UnixTools.h"

#include <algorithm>

namespace {

class ManagerDisk : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = std::make_unique<TempFolder>(L"tavnote_manager");
        setAppDirectoryOverride(app_->path());
        // A canary beside the application folder: no operation may reach it.
        outside_ = std::make_unique<TempFolder>(L"tavnote_outside");
        writeBytes(outside_->file(L"canary.txt"), "alive");
    }
    void TearDown() override {
        setAppDirectoryOverride(L"");
        app_.reset();
        outside_.reset();
    }
    // A note folder with its file naming its group, as the program writes it.
    void makeNote(const std::wstring& group, const std::wstring& unique, int id) {
        const std::wstring base = group.empty() ? std::wstring() : noteItems2Directory() + group + L"\\";
        if (!base.empty()) CreateDirectoryW(base.c_str(), nullptr);
        TavNoteStore note(unique, base, id);
        ASSERT_TRUE(note.SaveId());
        ASSERT_TRUE(note.SetGroup(group));
        writeBytes(note.folderPath() + L"1_rtf", "{\\rtf1 text}");
    }
    std::wstring storedGroup(const std::wstring& base, const std::wstring& unique) {
        TavNoteStore note(unique, base, 0);
        return note.LoadGroup().value_or(L"<none>");
    }
    bool canaryAlive() const { return readBytes(outside_->file(L"canary.txt")) == "alive"; }

    std::unique_ptr<TempFolder> app_, outside_;
};

TEST_F(ManagerDisk, GroupNamesAreCheckedInTheOrderTheUserIsTold) {
    writeBytes(noteItems2Directory() + L"afile", "x");
    struct Case {
        const wchar_t* raw;
        GroupNameProblem problem;
        const wchar_t* created;
    } cases[] = {
        {L"  工作 计划　", GroupNameProblem::None, L"工作 计划"},
        {L"工作 计划", GroupNameProblem::Exists, L""},
        {L"Work", GroupNameProblem::None, L"Work"},
        {L"WORK", GroupNameProblem::Exists, L""}, // one folder answers for both cases
        {L"afile", GroupNameProblem::Exists, L""},
        {L"回收站", GroupNameProblem::Reserved, L""},
        {L" 系统分组 ", GroupNameProblem::Reserved, L""},
        {L"", GroupNameProblem::Illegal, L""},
        {L"   ", GroupNameProblem::Illegal, L""},
        {L"a/b", GroupNameProblem::Illegal, L""},
        {L"a\\b", GroupNameProblem::Illegal, L""},
        {L"a:b", GroupNameProblem::Illegal, L""},
        {L"a*b?", GroupNameProblem::Illegal, L""},
        {L"<x>|\"y\"", GroupNameProblem::Illegal, L""},
        {L"tab\there", GroupNameProblem::Illegal, L""},
        {L"CON", GroupNameProblem::Illegal, L""},
        {L"con.txt", GroupNameProblem::Illegal, L""},
        {L"Com1", GroupNameProblem::Illegal, L""},
        {L"LPT9 .log", GroupNameProblem::Illegal, L""},
        {L"nul", GroupNameProblem::Illegal, L""},
        {L"COM10", GroupNameProblem::None, L"COM10"},
        {L"ends.", GroupNameProblem::Illegal, L""},
        {L"..", GroupNameProblem::Illegal, L""},
        {L"..\\..\\escape", GroupNameProblem::Illegal, L""},
    };
    for (const Case& c : cases) {
        std::wstring created;
        EXPECT_EQ(createGroup(c.raw, &created), c.problem) << testing::PrintToString(std::wstring(c.raw));
        EXPECT_EQ(created, c.created);
    }
    EXPECT_EQ(userGroupNames(), (std::vector<std::wstring>{L"COM10", L"Work", L"工作 计划"}));
    EXPECT_STREQ(groupNameMessage(GroupNameProblem::Illegal), L"分组命名不合法！");
    EXPECT_TRUE(canaryAlive());
    EXPECT_FALSE(pathExists(app_->path() + L"escape"));
}

TEST_F(ManagerDisk, NotesMoveIntoAFreshFolderAndTheirFileFollows) {
    makeNote(L"A", L"n1", 100001);
    makeNote(L"B", L"n1", 100002); // the name is taken in the target
    const std::wstring a = managerGroupFolder(L"A");
    NoteMoveResult moved = moveNoteToGroup(a, L"n1", L"B");
    ASSERT_EQ(moved.name, L"n1_1");
    EXPECT_FALSE(moved.sourceRemains);
    EXPECT_FALSE(pathExists(a + L"n1"));
    const std::wstring b = managerGroupFolder(L"B");
    TavNoteStore arrived(L"n1_1", b, 0);
    EXPECT_EQ(arrived.LoadUnique().value_or(L""), L"n1_1");
    EXPECT_EQ(arrived.LoadId().value_or(0), 100001);
    EXPECT_EQ(storedGroup(b, L"n1_1"), L"B");
    EXPECT_EQ(arrived.LoadBaseDir().value_or(L""), b);
    EXPECT_EQ(readBytes(b + L"n1_1\\1_rtf"), "{\\rtf1 text}");
    // The note that was there is untouched.
    EXPECT_EQ(TavNoteStore(L"n1", b, 0).LoadId().value_or(0), 100002);

    // To the system group: `group` and `dir` empty.
    ASSERT_EQ(moveNoteToGroup(b, L"n1", kSystemGroupName).name, L"n1");
    EXPECT_EQ(storedGroup(L"", L"n1"), L"");
    // Into the group it is in: nothing moves.
    EXPECT_EQ(moveNoteToGroup(noteItemsDirectory(), L"n1", L"").name, L"n1");
    EXPECT_TRUE(pathExists(noteItemsDirectory() + L"n1\\n1.xml"));
}

TEST_F(ManagerDisk, ADeletedGroupsNotesComeBackToTheirGroupWhichIsMadeAgain) {
    makeNote(L"旅行", L"t1", 100011);
    makeNote(L"旅行", L"t2", 100012);
    std::vector<std::wstring> moved;
    ASSERT_TRUE(deleteGroup(L"旅行", nullptr, &moved));
    std::sort(moved.begin(), moved.end());
    EXPECT_EQ(moved, (std::vector<std::wstring>{L"t1", L"t2"}));
    EXPECT_FALSE(pathExists(noteItems2Directory() + L"旅行"));
    EXPECT_EQ(storedGroup(recycleDirectory(), L"t1"), L"旅行");

    std::wstring group;
    ASSERT_EQ(restoreNote(L"t1", &group).name, L"t1");
    EXPECT_EQ(group, L"旅行");
    EXPECT_TRUE(pathExists(noteItems2Directory() + L"旅行\\t1\\t1.xml"));
    EXPECT_EQ(userGroupNames(), std::vector<std::wstring>{L"旅行"});

    EXPECT_TRUE(deleteRecycledNote(L"t2"));
    EXPECT_FALSE(pathExists(recycleDirectory() + L"t2"));
    makeNote(L"", L"s1", 100013);
    ASSERT_FALSE(moveNoteToRecycle(noteItemsDirectory(), L"s1").name.empty());
    EXPECT_TRUE(emptyRecycleBin());
    EXPECT_FALSE(pathExists(recycleDirectory() + L"s1"));
}

TEST_F(ManagerDisk, RenamingAndDeletingIntoAnotherGroupCarryTheNotes) {
    makeNote(L"old", L"r1", 100021);
    std::wstring created;
    EXPECT_EQ(renameGroup(L"old", L"回收站", &created), GroupNameProblem::Reserved);
    EXPECT_TRUE(pathExists(noteItems2Directory() + L"old\\r1"));
    ASSERT_EQ(renameGroup(L"old", L" new ", &created), GroupNameProblem::None);
    EXPECT_EQ(created, L"new");
    EXPECT_FALSE(pathExists(noteItems2Directory() + L"old"));
    EXPECT_EQ(storedGroup(noteItems2Directory() + L"new\\", L"r1"), L"new");

    const std::wstring target = kSystemGroupName;
    ASSERT_TRUE(deleteGroup(L"new", &target, nullptr));
    EXPECT_FALSE(pathExists(noteItems2Directory() + L"new"));
    EXPECT_EQ(storedGroup(L"", L"r1"), L"");
    EXPECT_TRUE(userGroupNames().empty());
}

TEST_F(ManagerDisk, HostileNamesAndALinkedGroupReachNothingOutside) {
    // A recycled note whose file names a group outside the data folder comes back to the
    // system group.
    makeNote(L"", L"h1", 100031);
    ASSERT_FALSE(moveNoteToRecycle(noteItemsDirectory(), L"h1").name.empty());
    TavNoteStore(L"h1", recycleDirectory(), 0).SetGroup(L"..\\..\\..\\outside");
    std::wstring group = L"?";
    EXPECT_EQ(restoreNote(L"h1", &group).name, L"h1");
    EXPECT_EQ(group, L"");
    EXPECT_TRUE(pathExists(noteItemsDirectory() + L"h1\\h1.xml"));

    for (const wchar_t* name : {L"", L"..", L"..\\..\\tavnote_outside", L"C:\\", L"a\\..\\.."}) {
        EXPECT_FALSE(deleteRecycledNote(name));
        EXPECT_TRUE(moveNoteToGroup(noteItemsDirectory(), name, L"x").name.empty());
        EXPECT_FALSE(deleteGroup(name, nullptr, nullptr));
    }
    EXPECT_TRUE(moveNoteToGroup(noteItemsDirectory(), L"h1", L"..\\escape").name.empty());

    // A group folder that is a link to a folder outside: deleting or renaming it touches nothing
    // there.
    writeBytes(outside_->path() + L"inner.txt", "mine");
    const std::wstring link = noteItems2Directory() + L"linked";
    ASSERT_TRUE(unixtools::makeHostLink(outside_->path(), link)) << "could not make a host link";
    EXPECT_FALSE(deleteGroup(L"linked", nullptr, nullptr));
    EXPECT_EQ(renameGroup(L"linked", L"other", nullptr), GroupNameProblem::Illegal);
    const std::vector<std::wstring> listed = userGroupNames();
    EXPECT_TRUE(std::find(listed.begin(), listed.end(), L"linked") == listed.end());
    EXPECT_TRUE(canaryAlive());
    EXPECT_EQ(readBytes(outside_->path() + L"inner.txt"), "mine");
    RemoveDirectoryW(link.c_str());
}

TEST_F(ManagerDisk, RememberedStateKeepsEverythingElseInTheFile) {
    const std::wstring path = sysconfigPath();
    writeBytes(path, "<sysconfig>\r\n<deffont>\r\n<fmname>宋体</fmname>\r\n</deffont>\r\n<manager>\r\n"
                     "<grouptab>\r\n<item tab=\"无分栏\">Old</item>\r\n<item tab=\"无分栏\">gone</item>\r\n"
                     "</grouptab>\r\n<lastsel>Old</lastsel>\r\n<tpltab>x</tpltab>\r\n</manager>\r\n"
                     "<other a=\"1\"/>\r\n</sysconfig>\r\n");
    ManagerState state = loadManagerState(path);
    EXPECT_EQ(state.lastSelected, L"Old");
    EXPECT_EQ(state.groupViews.size(), 2u);
    EXPECT_TRUE(removeGroupView(path, L"GONE"));
    state = loadManagerState(path);
    EXPECT_EQ(state.groupViews.count(L"gone"), 0u);
    state.lastSelected = L"工作";
    state.groupViews[L"工作"] = L"创建时间分栏";
    ASSERT_TRUE(saveManagerState(path, state));
    const std::string bytes = readBytes(path);
    for (const char* kept : {"<deffont>", "<fmname>", "<tpltab>x</tpltab>", "<other a=\"1\"/>"})
        EXPECT_NE(bytes.find(kept), std::string::npos) << kept;
    EXPECT_EQ(bytes.find("<grouptab>", bytes.find("</grouptab>")), std::string::npos); // one list
    ManagerState again = loadManagerState(path);
    EXPECT_EQ(again.lastSelected, L"工作");
    EXPECT_EQ(again.groupViews, state.groupViews);

    // A damaged file is kept beside the new one; an unreadable one is never written.
    writeBytes(path, "<sysconfig><deffont>");
    ASSERT_TRUE(saveManagerState(path, state));
    EXPECT_EQ(readBytes(path + L".bad"), "<sysconfig><deffont>");
    EXPECT_EQ(loadManagerState(path).lastSelected, L"工作");
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    state.lastSelected = L"changed";
    EXPECT_FALSE(saveManagerState(path, state));
    CloseHandle(held);
    EXPECT_EQ(loadManagerState(path).lastSelected, L"工作");

    // An empty or relative path names nothing: the working folder's file is never touched.
    wchar_t working[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, working);
    SetCurrentDirectoryW(outside_->path().c_str());
    writeBytes(outside_->file(L"sysconfig.xml"), "canary");
    for (const wchar_t* bad : {L"", L"sysconfig.xml", L".\\sysconfig.xml"}) {
        EXPECT_FALSE(saveManagerState(bad, state));
        EXPECT_FALSE(removeGroupView(bad, L"工作"));
    }
    SetCurrentDirectoryW(working);
    EXPECT_EQ(readBytes(outside_->file(L"sysconfig.xml")), "canary");
    EXPECT_FALSE(pathExists(outside_->file(L"sysconfig.xml.bad")));
}

} // namespace
