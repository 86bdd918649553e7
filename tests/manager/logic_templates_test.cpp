// The template page's work on disk: a template made from a picture (and none from a file that is
// no picture), moved between groups with its `group` following, recycled and restored into a
// group made again, groups renamed and deleted, and hostile names reaching nothing outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <gdiplus.h>

#include "AppPaths.h"
#include "ManagerTemplates.h"
#include "TempFolder.h"
#include "NoteFormat.h"
#include "UnixTools.h"
#include "XmlDocument.h"

namespace {

// A 2 x 1 24-bit bitmap.
std::string tinyBmp() {
    std::string b = "BM";
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) b += char((v >> (8 * i)) & 0xFF);
    };
    auto u16 = [&](uint16_t v) { b += char(v & 0xFF), b += char(v >> 8); };
    u32(14 + 40 + 8), u32(0), u32(14 + 40);
    u32(40), u32(2), u32(1), u16(1), u16(24), u32(0), u32(8), u32(2835), u32(2835), u32(0), u32(0);
    b += std::string("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8);
    return b;
}

size_t folderEntries(const std::wstring& folder) {
    size_t n = 0;
    WIN32_FIND_DATAW d;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &d);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (wcscmp(d.cFileName, L".") && wcscmp(d.cFileName, L"..")) ++n;
    } while (FindNextFileW(find, &d));
    FindClose(find);
    return n;
}

class TemplateDisk : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        app_ = std::make_unique<TempFolder>(L"tavnote_tpl");
        outside_ = std::make_unique<TempFolder>(L"tavnote_tpl_outside");
        setAppDirectoryOverride(app_->path());
        picture_ = outside_->file(L"红色.bmp");
        writeBytes(picture_, tinyBmp());
        writeBytes(outside_->file(L"canary.txt"), "alive");
        GetLocalTime(&now_);
    }
    void TearDown() override {
        setAppDirectoryOverride(L"");
        app_.reset();
        outside_.reset();
        Gdiplus::GdiplusShutdown(token_);
    }
    std::wstring element(const std::wstring& folder, const std::wstring& name, const wchar_t* element) {
        XmlDocument doc;
        if (!doc.loadFile(folder + name + L"\\" + name + L".xml") || !doc.findElement(L"TplItem") ||
            !doc.intoElement() || !doc.findElement(element))
            return L"<none>";
        return doc.getData();
    }
    ULONG_PTR token_ = 0;
    std::unique_ptr<TempFolder> app_, outside_;
    std::wstring picture_;
    SYSTEMTIME now_{};
};

TEST_F(TemplateDisk, APictureBecomesA240SquareTemplateOfItsGroup) {
    const std::wstring name = addTemplateFromImage(kSystemGroupName, picture_, now_);
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.substr(name.size() - 3), L"_01");
    const std::wstring folder = templatesDirectory();
    struct Expected {
        const wchar_t* element;
        std::wstring value;
    } expected[] = {{L"TplName", name}, {L"left", L"0"},     {L"top", L"0"},
                    {L"right", L"240"}, {L"bottom", L"240"}, {L"bkimage", L"bkimage_" + name + L"_红色.bmp"},
                    {L"group", L""}};
    for (const Expected& e : expected) EXPECT_EQ(element(folder, name, e.element), e.value) << e.element;
    EXPECT_EQ(readBytes(folder + name + L"\\bkimage_" + name + L"_红色.bmp"), tinyBmp());

    ASSERT_EQ(createTemplateGroup(L" 假日 "), GroupNameProblem::None);
    const std::wstring second = addTemplateFromImage(L"假日", picture_, now_);
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(element(templates2Directory() + L"假日\\", second, L"group"), L"假日");

    // A file that is no picture leaves nothing behind.
    writeBytes(outside_->file(L"fake.png"), "not a picture");
    EXPECT_EQ(addTemplateFromImage(L"", outside_->file(L"fake.png"), now_), L"");
    EXPECT_EQ(addTemplateFromImage(kRecycleGroupName, picture_, now_), L"");
    EXPECT_EQ(folderEntries(templatesDirectory()), 1u);
}

TEST_F(TemplateDisk, MovedRecycledAndRestoredIntoAGroupMadeAgain) {
    ASSERT_EQ(createTemplateGroup(L"A"), GroupNameProblem::None);
    const std::wstring name = addTemplateFromImage(L"A", picture_, now_);
    ASSERT_FALSE(name.empty());
    ASSERT_EQ(moveTemplateToGroup(managerTemplateGroupFolder(L"A"), name, L"B").name, name);
    EXPECT_EQ(element(templates2Directory() + L"B\\", name, L"group"), L"B");
    ASSERT_TRUE(deleteTemplateGroup(L"B"));
    EXPECT_FALSE(pathExists(templates2Directory() + L"B"));
    EXPECT_EQ(element(templateRecycleDirectory(), name, L"group"), L"B");
    std::wstring group;
    ASSERT_EQ(restoreTemplate(name, &group).name, name);
    EXPECT_EQ(group, L"B");
    EXPECT_TRUE(pathExists(templates2Directory() + L"B\\" + name + L"\\" + name + L".xml"));

    std::wstring renamed;
    ASSERT_EQ(renameTemplateGroup(L"B", L"C", &renamed), GroupNameProblem::None);
    EXPECT_EQ(element(templates2Directory() + L"C\\", name, L"group"), L"C");
    EXPECT_FALSE(pathExists(templates2Directory() + L"B"));

    // A name taken in the recycle bin: a fresh folder, whose file and TplName follow it.
    ASSERT_FALSE(moveTemplateToRecycle(managerTemplateGroupFolder(L"C"), name).name.empty());
    const std::wstring again = addTemplateFromImage(L"C", picture_, now_);
    ASSERT_FALSE(again.empty());
    CreateDirectoryW((templateRecycleDirectory() + again).c_str(), nullptr);
    ItemMoveResult moved = moveTemplateToRecycle(managerTemplateGroupFolder(L"C"), again);
    EXPECT_EQ(moved.name, again + L"_1");
    EXPECT_EQ(element(templateRecycleDirectory(), moved.name, L"TplName"), moved.name);
    EXPECT_TRUE(emptyTemplateRecycleBin());
    EXPECT_FALSE(pathExists(templateRecycleDirectory() + name));
}

TEST_F(TemplateDisk, HostileGroupsAndNamesReachNothingOutside) {
    const std::wstring name = addTemplateFromImage(L"", picture_, now_);
    ASSERT_FALSE(moveTemplateToRecycle(templatesDirectory(), name).name.empty());
    XmlDocument doc;
    const std::wstring file = templateRecycleDirectory() + name + L"\\" + name + L".xml";
    ASSERT_TRUE(doc.loadFile(file) && doc.findElement(L"TplItem") && doc.intoElement() &&
                doc.findElement(L"group"));
    doc.setData(L"..\\..\\..\\escape");
    ASSERT_TRUE(doc.saveFile(file));
    std::wstring group = L"?";
    EXPECT_EQ(restoreTemplate(name, &group).name, name);
    EXPECT_EQ(group, L"");
    EXPECT_TRUE(pathExists(templatesDirectory() + name));
    for (const wchar_t* bad : {L"", L"..", L"..\\..", L"C:\\", L"x\\..\\.."}) {
        EXPECT_FALSE(deleteRecycledTemplate(bad));
        EXPECT_FALSE(deleteTemplateGroup(bad));
        EXPECT_TRUE(moveTemplateToGroup(templatesDirectory(), bad, L"G").name.empty());
        EXPECT_EQ(createTemplateGroup(bad), GroupNameProblem::Illegal);
    }
    EXPECT_EQ(readBytes(outside_->file(L"canary.txt")), "alive");
    EXPECT_FALSE(pathExists(app_->path() + L"escape"));
}

// The page's list of a group: templates in name order with their picture and rectangle; a folder
// without its file is listed bare; a file without `datetime` is given the time of listing; a
// linked folder and a picture name leading out of the template are left out.
TEST_F(TemplateDisk, TheListOfAGroupReadsEachTemplateFile) {
    ASSERT_EQ(createTemplateGroup(L"G"), GroupNameProblem::None);
    const std::wstring folder = managerTemplateGroupFolder(L"G");
    const std::wstring first = addTemplateFromImage(L"G", picture_, now_);
    const std::wstring second = addTemplateFromImage(L"G", picture_, now_);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    ASSERT_LT(first, second);
    CreateDirectoryW((folder + L"0_bare").c_str(), nullptr);
    CreateDirectoryW((folder + L"1_undated").c_str(), nullptr);
    writeBytes(folder + L"1_undated\\1_undated.xml",
               "<TplItem><ID>7</ID><left>10</left><top>20</top><right>110</right><bottom>70</bottom>"
               "<bkimage>..\\..\\..\\canary.txt</bkimage><group>G</group></TplItem>");
    SYSTEMTIME later = now_;
    later.wYear = 2031;
    const std::vector<ManagerNoteEntry> list = readManagerTemplateList(folder, later);

    struct Expected {
        std::wstring unique;
        std::wstring snapshot;
        RECT rect;
        std::wstring created;
        int id;
    };
    const std::wstring bk = L"bkimage_";
    const Expected expected[] = {
        {L"0_bare", L"", RECT{}, L"", 0},
        {L"1_undated", L"", RECT{10, 20, 110, 70}, formatNoteTime(later), 7},
        {first, folder + first + L"\\" + bk + first + L"_红色.bmp", RECT{0, 0, 240, 240},
         formatNoteTime(now_), 0},
        {second, folder + second + L"\\" + bk + second + L"_红色.bmp", RECT{0, 0, 240, 240},
         formatNoteTime(now_), 0},
    };
    ASSERT_EQ(list.size(), std::size(expected));
    for (size_t i = 0; i < list.size(); ++i) {
        const ManagerNoteEntry& e = list[i];
        const Expected& x = expected[i];
        EXPECT_EQ(e.unique, x.unique);
        EXPECT_EQ(e.folder, folder) << i;
        EXPECT_EQ(e.snapshot, x.snapshot) << i;
        EXPECT_TRUE(EqualRect(&e.rect, &x.rect)) << i;
        EXPECT_EQ(e.created, x.created) << i;
        EXPECT_EQ(e.id, x.id) << i;
        EXPECT_EQ(e.group, i == 0 ? L"" : L"G") << i;
    }
    // The time given is kept in the file; the bare folder gets no file.
    EXPECT_EQ(element(folder, L"1_undated", L"datetime"), formatNoteTime(later));
    EXPECT_FALSE(pathExists(folder + L"0_bare\\0_bare.xml"));
    EXPECT_EQ(readBytes(outside_->file(L"canary.txt")), "alive");

    // A linked folder is neither listed nor written into.
    const std::wstring link = folder + L"linked";
    if (unixtools::makeHostLink(outside_->path(), link)) {
        writeBytes(outside_->file(L"linked.xml"), "<TplItem><left>0</left></TplItem>");
        EXPECT_EQ(readManagerTemplateList(folder, later).size(), std::size(expected));
        EXPECT_EQ(readBytes(outside_->file(L"linked.xml")), "<TplItem><left>0</left></TplItem>");
        RemoveDirectoryW(link.c_str());
    } else {
        ADD_FAILURE() << "no link could be made from the host side";
    }
    ManagerNoteEntry none;
    for (const wchar_t* bad : {L"", L"..", L"..\\..", L"missing"})
        EXPECT_FALSE(readManagerTemplateEntry(folder, bad, later, none)) << bad;
    EXPECT_TRUE(readManagerTemplateList(L"", later).empty());
}

TEST_F(TemplateDisk, TemplateGroupsAreSortedIgnoringCaseWithoutLinks) {
    for (const wchar_t* name : {L"beta", L"Alpha", L"中文", L"Gamma"})
        ASSERT_EQ(createTemplateGroup(name), GroupNameProblem::None) << name;
    writeBytes(templates2Directory() + L"plainfile", "x");
    const bool linked = unixtools::makeHostLink(outside_->path(), templates2Directory() + L"linked");
    EXPECT_TRUE(linked);
    const std::vector<std::wstring> expected{L"Alpha", L"beta", L"Gamma", L"中文"};
    EXPECT_EQ(managerTemplateGroups(), expected);
    if (linked) RemoveDirectoryW((templates2Directory() + L"linked").c_str());
}

} // namespace
