// The template page's remembered state lives beside the notes page's under `manager` in
// "sysconfig.xml" (`tpllastsel`, `tpltab`): each page reads and writes only its own two elements,
// and forgetting a group's view on one page leaves the other's alone.
#include <gtest/gtest.h>

#include "AppPaths.h"
#include "ManagerState.h"
#include "TempFolder.h"

namespace {

class TemplatePageState : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = std::make_unique<TempFolder>(L"tavnote_tplstate");
        setAppDirectoryOverride(app_->path());
        path_ = sysconfigPath();
    }
    void TearDown() override {
        setAppDirectoryOverride(L"");
        app_.reset();
    }
    std::unique_ptr<TempFolder> app_;
    std::wstring path_;
};

TEST_F(TemplatePageState, EachPageKeepsItsOwnElements) {
    ManagerState notes{L"工作", {{L"工作", L"无分栏"}, {L"Same", L"无分栏"}}};
    ManagerState templates{L"模板组", {{L"模板组", L"创建时间分栏"}, {L"same", L"无分栏"}}};
    ASSERT_TRUE(saveManagerState(path_, notes, kNotePageStateKeys));
    ASSERT_TRUE(saveManagerState(path_, templates, kTemplatePageStateKeys));
    // Written again after the other: nothing of the other page is lost either way round.
    ASSERT_TRUE(saveManagerState(path_, notes));

    struct Case {
        const char* page;
        const ManagerStateKeys& keys;
        const ManagerState& expected;
    };
    for (const Case& c :
         {Case{"notes", kNotePageStateKeys, notes}, Case{"templates", kTemplatePageStateKeys, templates}}) {
        const ManagerState read = loadManagerState(path_, c.keys);
        EXPECT_EQ(read.lastSelected, c.expected.lastSelected) << c.page;
        EXPECT_EQ(read.groupViews, c.expected.groupViews) << c.page;
    }
    const std::string bytes = readBytes(path_);
    for (const char* element : {"<lastsel>", "<grouptab>", "<tpllastsel>", "<tpltab>"})
        EXPECT_NE(bytes.find(element), std::string::npos) << element;

    // The template page forgets "SAME" (case ignored) in `tpltab` only.
    EXPECT_TRUE(removeGroupView(path_, L"SAME", kTemplatePageStateKeys));
    EXPECT_EQ(loadManagerState(path_, kTemplatePageStateKeys).groupViews.count(L"same"), 0u);
    EXPECT_EQ(loadManagerState(path_, kNotePageStateKeys).groupViews.count(L"Same"), 1u);
    EXPECT_FALSE(removeGroupView(path_, L"absent", kTemplatePageStateKeys))
        << "nothing removed, nothing saved";
}

TEST_F(TemplatePageState, AFileWithoutTheTemplateElementsGivesAnEmptyState) {
    writeBytes(path_, "<sysconfig>\r\n<manager>\r\n<lastsel>A</lastsel>\r\n<grouptab>\r\n"
                      "<item tab=\"无分栏\">A</item>\r\n</grouptab>\r\n</manager>\r\n</sysconfig>\r\n");
    const ManagerState read = loadManagerState(path_, kTemplatePageStateKeys);
    EXPECT_EQ(read.lastSelected, L"");
    EXPECT_TRUE(read.groupViews.empty());
    // The template elements are added after the notes page's, which stay as they were.
    ASSERT_TRUE(saveManagerState(path_, ManagerState{L"B", {{L"B", L"无分栏"}}}, kTemplatePageStateKeys));
    EXPECT_EQ(loadManagerState(path_).lastSelected, L"A");
    EXPECT_EQ(loadManagerState(path_).groupViews.at(L"A"), L"无分栏");
    EXPECT_EQ(loadManagerState(path_, kTemplatePageStateKeys).lastSelected, L"B");
}

} // namespace
