// Templates with real notes: "保存为模板..." into the plain folder or a template group, applying a
// template's size, background and pictures (text blocks stay), and template files whose names
// lead out of their folders.
#include "notewin_support.h"

#include <algorithm>
#include <cwchar>

#include "AppPaths.h"
#include "FolderUtils.h"
#include "ImageFiles.h"
#include "TavNoteItemImage.h"
#include "TavNoteItemTemplate.h"
#include "TavNoteMenu.h"
#include "XmlDocument.h"

using namespace notewin;

namespace {

bool writeColorPicture(const std::wstring& path, int w, int h, Gdiplus::ARGB color) {
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(color));
    return saveBitmapPng(bitmap, path);
}

// Stands in for a text block: a child window recorded as "TavRichEditNI" that counts erasures.
class FakeTextChild : public TavWnd, public TavNoteChildItem {
public:
    int erased = 0;
    TavWnd& childWindow() override { return *this; }
    const wchar_t* childClassName() const override { return kRichTextChildClass; }
    bool createInNote(HWND note, int id, const RECT& r) override {
        return create(id, L"", 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                      note);
    }
    void eraseStoredData() override { ++erased; }
    void activateAt(int, int) override {}
};

std::wstring templateElement(const std::wstring& xmlPath, const wchar_t* name) {
    XmlDocument doc;
    if (!doc.loadFile(xmlPath) || !doc.findElement(L"TplItem") || !doc.intoElement()) return L"<none>";
    return doc.findElement(name) ? doc.getData() : L"<none>";
}

std::vector<std::wstring> sortedFolders(const std::wstring& folder) {
    std::vector<std::wstring> names = listSubFolders(folder);
    std::sort(names.begin(), names.end());
    return names;
}

class NoteTemplateTest : public NoteWindowTest {
protected:
    void SetUp() override {
        NoteWindowTest::SetUp();
        prepareNote(kUnique, 0, RECT{100, 100, 400, 400}).SaveAlpha(255);
        note_ = std::make_unique<TavNoteItem>(kUnique);
        ASSERT_TRUE(
            note_->create(0, L"", TavNoteItem::kExStyle, TavNoteItem::kStyle, 100, 100, 300, 300, nullptr));
        pump();
        red_ = app_ + L"red.png";
        blue_ = app_ + L"blue.png";
        ASSERT_TRUE(writeColorPicture(red_, 8, 8, 0xFFFF0000));
        ASSERT_TRUE(writeColorPicture(blue_, 8, 8, 0xFF0000FF));
        setTemplateDialogs({[this](TavNoteItem&) { ++told_; }});
    }
    void TearDown() override {
        setTemplateDialogs({});
        note_.reset();
        NoteWindowTest::TearDown();
    }
    // A template of the plain folder whose `TplItem` holds `inner`; pictures copied in by name.
    std::wstring writeTemplate(const std::wstring& name, const std::string& inner,
                               const std::vector<std::pair<std::wstring, std::wstring>>& files = {}) {
        const std::wstring folder = templatesDirectory() + name + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        EXPECT_TRUE(writeBytes(folder + name + L".xml", "<TplItem>" + inner + "</TplItem>"));
        for (const auto& [source, as] : files)
            EXPECT_TRUE(CopyFileW(source.c_str(), (folder + as).c_str(), FALSE));
        return folder;
    }
    std::wstring noteFile(const std::wstring& name) const { return note_->store().fileInFolder(name); }
    RECT windowRect() const {
        RECT r{};
        GetWindowRect(note_->handle(), &r);
        return r;
    }
    std::vector<TavNoteItemImage*> pictures() const {
        std::vector<TavNoteItemImage*> found;
        for (const auto& child : note_->noteChildren())
            if (auto* picture = dynamic_cast<TavNoteItemImage*>(child.get())) found.push_back(picture);
        return found;
    }

    static constexpr const wchar_t* kUnique = L"20260203040506007_08";
    static constexpr SYSTEMTIME kStamp{2031, 1, 0, 2, 3, 4, 5, 6};
    std::unique_ptr<TavNoteItem> note_;
    std::wstring red_, blue_;
    int told_ = 0;
};

TEST_F(NoteTemplateTest, SavingTwiceMakesTwoTemplatesAndTellsTheUserEachTime) {
    ASSERT_TRUE(note_->SetBackgroundFrom(red_, kStamp));
    const std::wstring background = note_->backgroundFile();
    EXPECT_TRUE(handleTemplateCommand(*note_, kCmdNoteSaveTemplate));
    EXPECT_TRUE(handleTemplateCommand(*note_, kCmdNoteSaveTemplate));
    EXPECT_FALSE(handleTemplateCommand(*note_, kCmdNoteAdd));
    EXPECT_EQ(told_, 2);
    const std::vector<std::wstring> names = sortedFolders(templatesDirectory());
    ASSERT_EQ(names.size(), 2u);
    for (const std::wstring& name : names) {
        // uniqueTimeName(0): 17 digits and "_00".
        ASSERT_EQ(name.size(), 20u) << name;
        EXPECT_EQ(name.substr(17), L"_00") << name;
        const std::wstring folder = templatesDirectory() + name + L"\\";
        const std::wstring xml = folder + name + L".xml";
        EXPECT_EQ(templateElement(xml, L"left"), L"100") << name;
        EXPECT_EQ(templateElement(xml, L"bottom"), L"400") << name;
        EXPECT_EQ(templateElement(xml, L"bkimage"), background) << name;
        EXPECT_EQ(templateElement(xml, L"group"), L"") << name;
        EXPECT_NE(templateElement(xml, L"datetime"), L"<none>") << name;
        EXPECT_EQ(readBytes(folder + background), readBytes(red_)) << name;
    }
}

TEST_F(NoteTemplateTest, TheTemplateGroupEntriesChooseWhereTheTemplateGoes) {
    ASSERT_TRUE(note_->SetBackgroundFrom(red_, kStamp));
    for (const wchar_t* group : {L"工作", L"b"})
        ASSERT_TRUE(CreateDirectoryW((templates2Directory() + group).c_str(), nullptr));
    const std::vector<std::wstring> groups = templateGroupNames();
    ASSERT_EQ(groups, (std::vector<std::wstring>{L"b", L"工作"}));

    // The submenu lists them in the same order as the commands count them.
    {
        TavNoteMenuNote menu;
        menu.setTemplateGroups(groups);
        ASSERT_TRUE(menu.build(L"子标签窗口菜单", note_->handle()));
        std::vector<std::pair<int, std::wstring>> entries;
        for (const auto& def : menu.templateGroupMenu().itemDefs()) entries.emplace_back(def.id, def.text);
        EXPECT_EQ(entries, (std::vector<std::pair<int, std::wstring>>{
                               {kCmdTemplateGroupNone, L"系统分组"}, {31201, L"b"}, {31202, L"工作"}}));
        ASSERT_NE(menu.item(kCmdNoteSaveTemplate), nullptr);
        EXPECT_TRUE(menu.item(kCmdNoteSaveTemplate)->opensSubmenu());
    }

    const std::wstring plain = templatesDirectory();
    struct Case {
        int command;
        std::wstring base;
        std::wstring group; // as written in the template
    } cases[] = {
        {kCmdNoteSaveTemplate, plain, L""},
        {kCmdTemplateGroupNone, plain, L""},
        {kCmdTemplateGroupFirst, templates2Directory() + L"b\\", L"b"},
        {kCmdTemplateGroupFirst + 1, templates2Directory() + L"工作\\", L"工作"},
        {kCmdTemplateGroupFirst + 2, plain, L""}, // past the end: no group
    };
    for (const Case& c : cases) {
        const std::vector<std::wstring> before = sortedFolders(c.base);
        EXPECT_TRUE(handleTemplateCommand(*note_, c.command)) << c.command;
        const std::vector<std::wstring> after = sortedFolders(c.base);
        std::vector<std::wstring> added;
        std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                            std::back_inserter(added));
        ASSERT_EQ(added.size(), 1u) << c.command;
        EXPECT_EQ(templateElement(c.base + added[0] + L"\\" + added[0] + L".xml", L"group"), c.group)
            << c.command;
    }
    // "系统分组" is the plain folder when saving, never a group folder of that name.
    ASSERT_TRUE(saveNoteAsTemplate(*note_, L"t1", L"系统分组"));
    EXPECT_TRUE(pathExists(plain + L"t1\\t1.xml"));
    EXPECT_FALSE(pathExists(templates2Directory() + L"系统分组"));
}

TEST_F(NoteTemplateTest, ApplyingKeepsAnExistingBackgroundFileButNamesIt) {
    struct Case {
        const char* what;
        const wchar_t* name;
        bool inNoteFolder; // a blue file of that name is there already
        std::wstring expectedBytesOf;
    } cases[] = {
        {"existing file kept", L"bkimage_t.png", true, blue_},
        {"missing file copied", L"bkimage_u.png", false, red_},
    };
    for (const Case& c : cases) {
        const std::string bk(c.name, c.name + wcslen(c.name));
        writeTemplate(L"tA",
                      "<left>0</left><top>0</top><right>250</right><bottom>200</bottom><bkimage>" + bk +
                          "</bkimage>",
                      {{red_, c.name}});
        if (c.inNoteFolder) {
            ASSERT_TRUE(CopyFileW(blue_.c_str(), noteFile(c.name).c_str(), FALSE)) << c.what;
        }
        MoveWindow(note_->handle(), 100, 100, 300, 300, FALSE);
        // The chooser's message carries the template's name and group.
        EXPECT_TRUE(applyTemplateMessage(*note_, WPARAM(L"tA"), 0)) << c.what;
        RECT r = windowRect();
        EXPECT_EQ(r.left, 100) << c.what;
        EXPECT_EQ(r.top, 100) << c.what;
        EXPECT_EQ(r.right - r.left, 250) << c.what;
        EXPECT_EQ(r.bottom - r.top, 200) << c.what;
        EXPECT_EQ(noteElement(note_->store(), L"right"), L"350") << c.what;
        EXPECT_EQ(noteElement(note_->store(), L"bkimage"), c.name) << c.what;
        EXPECT_EQ(readBytes(noteFile(c.name)), readBytes(c.expectedBytesOf)) << c.what;
    }
    EXPECT_FALSE(applyTemplateMessage(*note_, 0, 0));
}

TEST_F(NoteTemplateTest, ApplyingReplacesThePicturesAndKeepsTheTextBlocks) {
    ASSERT_TRUE(CopyFileW(blue_.c_str(), noteFile(L"old.png").c_str(), FALSE));
    ASSERT_NE(note_->addImageChild(L"old.png", RECT{10, 10, 50, 50}), nullptr);
    auto text = std::make_unique<FakeTextChild>();
    FakeTextChild* block = text.get();
    ASSERT_NE(note_->addChild(std::move(text), 0, RECT{10, 60, 100, 90}, true), nullptr);
    const int textId = block->objectId();
    // Were "..\\canary.txt" followed, the template's file beside its folder would replace the
    // canary beside the note folder.
    const std::wstring canary = noteItemsDirectory() + L"canary.txt";
    ASSERT_TRUE(writeColorPicture(canary, 4, 4, 0xFF00FF00));
    ASSERT_TRUE(CopyFileW(blue_.c_str(), (templatesDirectory() + L"canary.txt").c_str(), FALSE));
    const std::string canaryBytes = readBytes(canary);
    const std::string unique(kUnique, kUnique + wcslen(kUnique));

    writeTemplate(
        L"tP",
        "<left>0</left><top>0</top><right>300</right><bottom>300</bottom><bkimage>bk.png</bkimage>"
        "<image name=\"a.png\"><left>20</left><top>20</top><right>80</right><bottom>80</bottom></image>"
        "<image name=\"b.png\"><left>100</left><top>100</top><right>200</right><bottom>160</bottom>"
        "</image>"
        "<image name=\"c.png\"><left>1</left><top>1</top><right>9</right></image>"
        "<image name=\"missing.png\"><left>1</left><top>1</top><right>9</right><bottom>9</bottom></image>"
        "<image name=\"..\\canary.txt\"><left>1</left><top>1</top><right>9</right><bottom>9</bottom>"
        "</image>"
        "<image name=\"" +
            unique +
            ".xml\"><left>1</left><top>1</top><right>9</right><bottom>9</bottom></image>"
            "<image name=\"\"><left>1</left><top>1</top><right>9</right><bottom>9</bottom></image>",
        {{red_, L"bk.png"},
         {red_, L"a.png"},
         {blue_, L"b.png"},
         {red_, L"c.png"},
         {red_, std::wstring(kUnique) + L".xml"}});
    ASSERT_TRUE(applyTemplateToNote(*note_, L"tP", L""));
    pump();

    // The old picture went with its file and `Item`; the text block stayed, its data untouched.
    EXPECT_FALSE(pathExists(noteFile(L"old.png")));
    EXPECT_EQ(note_->findChild(textId), block);
    EXPECT_EQ(block->erased, 0);
    std::vector<std::wstring> shown;
    for (TavNoteItemImage* picture : pictures()) shown.push_back(picture->imageName());
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"a.png", L"b.png"}));
    std::vector<std::pair<int, std::wstring>> records;
    for (const TavNoteChild& stored : note_->store().LoadChildren())
        records.emplace_back(stored.id, stored.className);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], (std::pair<int, std::wstring>{textId, L"TavRichEditNI"}));
    EXPECT_EQ(records[1].second, L"TavNoteItemImage");
    EXPECT_EQ(records[2].second, L"TavNoteItemImage");
    if (pictures().size() == 2) {
        RECT b{};
        GetWindowRect(pictures()[1]->handle(), &b);
        MapWindowPoints(nullptr, note_->handle(), reinterpret_cast<POINT*>(&b), 2);
        EXPECT_EQ(b.left, 100);
        EXPECT_EQ(b.bottom, 160);
        EXPECT_EQ(readBytes(noteFile(L"b.png")), readBytes(blue_));
    }
    // Nothing outside the note folder was read or touched, and the note file is still the note's.
    EXPECT_EQ(readBytes(canary), canaryBytes);
    EXPECT_FALSE(pathExists(noteFile(L"canary.txt")));
    EXPECT_EQ(noteElement(note_->store(), L"unique"), kUnique);
    EXPECT_EQ(noteElement(note_->store(), L"bkimage"), L"bk.png");
}

TEST_F(NoteTemplateTest, ABackgroundThatCannotArriveKeepsTheNotesOwn) {
    ASSERT_TRUE(note_->SetBackgroundFrom(blue_, kStamp));
    const std::wstring own = note_->backgroundFile();
    const std::wstring canary = noteItemsDirectory() + L"canary.txt";
    ASSERT_TRUE(writeColorPicture(canary, 4, 4, 0xFF00FF00));
    const std::string unique(kUnique, kUnique + wcslen(kUnique));
    struct Case {
        const char* what;
        std::string background;
    } cases[] = {
        {"file missing in the template", "nothere.png"},
        {"parent step", "..\\canary.txt"},
        {"drive path", "C:\\x.png"},
        {"the note file", unique + ".xml"},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        writeTemplate(L"tB", "<left>0</left><top>0</top><right>260</right><bottom>260</bottom><bkimage>" +
                                 c.background + "</bkimage>");
        EXPECT_TRUE(applyTemplateToNote(*note_, L"tB", L"")) << c.what;
        EXPECT_EQ(noteElement(note_->store(), L"bkimage"), own) << c.what;
        EXPECT_TRUE(pathExists(noteFile(own))) << c.what;
        EXPECT_TRUE(pathExists(canary)) << c.what;
        EXPECT_EQ(noteElement(note_->store(), L"unique"), kUnique) << c.what;
    }
}

TEST_F(NoteTemplateTest, AMissingOrIncompleteTemplateLeavesTheNoteAlone) {
    struct Case {
        const char* what;
        const wchar_t* name;
        const char* file; // null: no template
    } cases[] = {
        {"missing", L"nope", nullptr},
        {"no TplItem", L"t1", "<Other><left>0</left></Other>"},
        {"three values", L"t2", "<TplItem><left>0</left><top>0</top><right>9</right></TplItem>"},
        {"no width", L"t3",
         "<TplItem><left>9</left><top>0</top><right>9</right><bottom>50</bottom></TplItem>"},
        {"a parent step", L"..", nullptr},
    };
    const RECT before = windowRect();
    for (const Case& c : cases) {
        if (c.file) {
            const std::wstring folder = templatesDirectory() + c.name + L"\\";
            CreateDirectoryW(folder.c_str(), nullptr);
            ASSERT_TRUE(writeBytes(folder + c.name + L".xml", c.file)) << c.what;
        }
        EXPECT_FALSE(applyTemplateToNote(*note_, c.name, L"")) << c.what;
        RECT now = windowRect();
        EXPECT_TRUE(EqualRect(&now, &before)) << c.what;
    }
    // Applying a template that is not there leaves no folder behind.
    EXPECT_FALSE(pathExists(templatesDirectory() + L"nope"));
}

TEST(TemplateLookTest, ReadsTheFirstOfEachValueAndEveryPictureInOrder) {
    std::optional<TavTemplateLook> look = readTemplateLook(
        L"<Other/><TplItem><TplName>n</TplName><left>1</left><top>2</top><right>30</right><bottom>40</bottom>"
        L"<left>99</left><bkimage>bk.png</bkimage>"
        L"<image name=\"a.png\"><left>5</left><top>6</top><right>7</right><bottom>8</bottom></image>"
        L"<image name=\"b.png\"><left>5</left></image></TplItem>");
    ASSERT_TRUE(look.has_value());
    ASSERT_TRUE(look->rect.has_value());
    EXPECT_EQ(look->rect->left, 1);
    EXPECT_EQ(look->rect->bottom, 40);
    EXPECT_EQ(look->background, std::optional<std::wstring>(L"bk.png"));
    ASSERT_EQ(look->pictures.size(), 2u);
    EXPECT_EQ(look->pictures[0].name, L"a.png");
    ASSERT_TRUE(look->pictures[0].rect.has_value());
    EXPECT_EQ(look->pictures[0].rect->right, 7);
    EXPECT_EQ(look->pictures[1].name, L"b.png");
    EXPECT_FALSE(look->pictures[1].rect.has_value());
    EXPECT_FALSE(readTemplateLook(L"<TplName/>").has_value());
    EXPECT_FALSE(readTemplateLook(L"<TplItem></TplItem>")->background.has_value());
}

} // namespace
