#include "AppPaths.h"
#include "FileSystem.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

class PathsInFreshFolder : public ::testing::Test {
protected:
    void SetUp() override { setAppDirectoryOverride(root.path()); }
    void TearDown() override { setAppDirectoryOverride(L""); }
    TempFolder root;
};

} // namespace

TEST_F(PathsInFreshFolder, EachFunctionReturnsAndCreatesItsFolder) {
    struct Case {
        const char* what;
        std::wstring (*fn)();
        const wchar_t* relative;
    };
    const Case cases[] = {
        {"resources", resourceDirectory, L"sysres\\"},
        {"data", dataDirectory, L"NoteData\\"},
        {"notes", noteItemsDirectory, L"NoteData\\NoteItems\\"},
        {"grouped notes", noteItems2Directory, L"NoteData\\NoteItems2\\"},
        {"templates", templatesDirectory, L"NoteData\\NoteTpls\\"},
        {"template recycle", templateRecycleDirectory, L"NoteData\\TplRecycle\\"},
        {"grouped templates", templates2Directory, L"NoteData\\NoteTpls2\\"},
        {"captioned windows", capNoteDirectory, L"NoteData\\CapNote\\"},
        {"recycle", recycleDirectory, L"NoteData\\Recycle\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.fn(), root.path() + c.relative) << c.what;
        EXPECT_TRUE(folderExists(root.path() + c.relative)) << c.what;
    }
}

TEST_F(PathsInFreshFolder, NamedFoldersAreCreatedLevelByLevel) {
    EXPECT_EQ(noteFolder(L"20261207043355123_01"),
              root.path() + L"NoteData\\NoteItems\\20261207043355123_01\\");
    EXPECT_TRUE(folderExists(root.path() + L"NoteData\\NoteItems\\20261207043355123_01"));

    const std::wstring group = noteItems2Directory() + L"工作\\";
    EXPECT_EQ(noteFolder(L"n1", group), group + L"n1\\");
    EXPECT_TRUE(folderExists(group + L"n1"));

    EXPECT_EQ(templates2Folder(L"组", L"t"), root.path() + L"NoteData\\NoteTpls2\\组\\t\\");
    EXPECT_TRUE(folderExists(root.path() + L"NoteData\\NoteTpls2\\组\\t"));

    EXPECT_EQ(iconDirectory(), root.path() + L"tavnote_reicon\\default\\");
    EXPECT_EQ(iconDirectory(L"blue"), root.path() + L"tavnote_reicon\\blue\\");
    EXPECT_TRUE(folderExists(root.path() + L"tavnote_reicon\\blue"));

    EXPECT_EQ(capNoteFolder(100123), root.path() + L"NoteData\\CapNote\\100123\\");
    EXPECT_EQ(capNoteFolder(L"manager"), root.path() + L"NoteData\\CapNote\\manager\\");
    EXPECT_EQ(templateFolder(L"tpl"), root.path() + L"NoteData\\NoteTpls\\tpl\\");
}

TEST_F(PathsInFreshFolder, FilesAreNamedButNotCreated) {
    EXPECT_EQ(appDirectory(), root.path());
    EXPECT_EQ(sysconfigPath(), root.path() + L"sysconfig.xml");
    EXPECT_EQ(GetFileAttributesW(sysconfigPath().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(PathsInFreshFolder, DeletedDataTreeComesBackOnFirstUse) {
    noteItemsDirectory();
    ASSERT_TRUE(RemoveDirectoryW((root.path() + L"NoteData\\NoteItems").c_str()));
    ASSERT_TRUE(RemoveDirectoryW((root.path() + L"NoteData").c_str()));
    EXPECT_TRUE(folderExists(noteItemsDirectory()));
}

TEST_F(PathsInFreshFolder, TemplateFolderThatCannotBeCreatedIsEmpty) {
    // A file where the folder should be makes creation fail.
    ASSERT_TRUE(writeBytes(templatesDirectory() + L"blocked", "x"));
    EXPECT_EQ(templateFolder(L"blocked\\inner"), L"");
}

TEST(AppDirectory, IsTheAbsoluteFolderHoldingTheRunningProgram) {
    const std::wstring folder = appDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_TRUE(isAbsolutePath(folder)) << folder;
    EXPECT_TRUE(folderExists(folder)) << folder;
    EXPECT_TRUE(fileExists(folder + L"core_tests.exe")) << folder;
}
