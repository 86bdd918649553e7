// The template editor: it opens at the template's size, shows its picture, writes the new size
// once the window has been resized, and takes another picture (asking before it replaces a file);
// a picture name leading outside the template folder is never shown.
#include "win_support.h"

#include "ManagerTemplates.h"
#include "TavNoteModifyTpl.h"
#include "UniqueName.h"
#include "UnixTools.h"
#include "XmlDocument.h"

namespace {

size_t folderEntryCount(const std::wstring& folder) {
    size_t n = 0;
    WIN32_FIND_DATAW d;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &d);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        n += wcscmp(d.cFileName, L".") && wcscmp(d.cFileName, L"..");
    } while (FindNextFileW(find, &d));
    FindClose(find);
    return n;
}

class TemplateEditorTest : public ManagerWindowTest {
protected:
    void SetUp() override {
        ManagerWindowTest::SetUp();
        writeBytes(outside.file(L"red.bmp"), bmpBytes(8, 8, 0xFF0000));
        writeBytes(outside.file(L"blue.bmp"), bmpBytes(8, 8, 0x0000FF));
        GetLocalTime(&now);
        name = addTemplateFromImage(L"", outside.file(L"red.bmp"), now);
        ASSERT_FALSE(name.empty());
    }
    std::wstring element(const wchar_t* which) {
        XmlDocument doc;
        const std::wstring file = templatesDirectory() + name + L"\\" + name + L".xml";
        if (!doc.loadFile(file) || !doc.findElement(L"TplItem") || !doc.intoElement() ||
            !doc.findElement(which))
            return L"<none>";
        return doc.getData();
    }
    // The pixel in the middle of the shown template.
    uint32_t middle(TavNoteModifyTpl& editor) {
        EXPECT_TRUE(editor.redrawAll());
        GdiFlush();
        const SIZE size = editor.templateSize();
        const int x = editor.borderWidth() + size.cx / 2;
        const int y = editor.borderWidth() + editor.captionHeight() + size.cy / 3;
        return editor.backBuffer().at(x, y) & 0xFFFFFF;
    }
    TempFolder outside{L"tavnote_tpl_pictures"};
    SYSTEMTIME now{};
    std::wstring name;
};

TEST_F(TemplateEditorTest, OpensAtItsSizeAndWritesTheNewSizeOnce) {
    TavNoteModifyTpl editor(name, L"");
    int changes = 0;
    editor.setOnChanged([&] { ++changes; });
    ASSERT_TRUE(editor.createModeless(nullptr));
    pumpMessages();
    EXPECT_EQ(editor.templateSize().cx, 240);
    EXPECT_EQ(editor.templateSize().cy, 240);
    EXPECT_EQ(middle(editor), 0xFF0000u);
    EXPECT_EQ(changes, 0) << "opening writes nothing";

    // The frame resizes the window once, when the drag ends.
    RECT rc{};
    GetWindowRect(editor.handle(), &rc);
    SetWindowPos(editor.handle(), nullptr, 0, 0, rc.right - rc.left + 60, rc.bottom - rc.top - 40,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pumpMessages();
    EXPECT_EQ(element(L"right"), L"300");
    EXPECT_EQ(element(L"bottom"), L"200");
    EXPECT_EQ(element(L"left"), L"0");
    EXPECT_EQ(changes, 1);
    DestroyWindow(editor.handle());

    TavNoteModifyTpl again(name, L"");
    ASSERT_TRUE(again.createModeless(nullptr));
    EXPECT_EQ(again.templateSize().cx, 300);
    EXPECT_EQ(again.templateSize().cy, 200);
    DestroyWindow(again.handle());
}

TEST_F(TemplateEditorTest, AnotherPictureIsCopiedInAndAnExistingFileOnlyReplacedAfterYes) {
    TavNoteModifyTpl editor(name, L"");
    bool overwrite = false;
    int asked = 0;
    editor.setDialogs({nullptr, [&] {
                           ++asked;
                           return overwrite;
                       }});
    ASSERT_TRUE(editor.createModeless(nullptr));
    SYSTEMTIME stamp = now;
    stamp.wSecond = (stamp.wSecond + 1) % 60;
    ASSERT_TRUE(editor.changePictureFrom(outside.file(L"blue.bmp"), stamp));
    const std::wstring blue = editor.picture();
    EXPECT_EQ(element(L"bkimage"), blue);
    EXPECT_EQ(blue, L"bkimage_" + uniqueTimeName(stamp, editor.objectId()) + L"_blue.bmp");
    EXPECT_EQ(middle(editor), 0x0000FFu);
    EXPECT_EQ(asked, 0);

    // The next picture's name is taken by a file already there: replaced only after Yes.
    stamp.wSecond = (stamp.wSecond + 1) % 60;
    const std::wstring red = L"bkimage_" + uniqueTimeName(stamp, editor.objectId()) + L"_red.bmp";
    const std::wstring target = templatesDirectory() + name + L"\\" + red;
    writeBytes(target, bmpBytes(8, 8, 0x00FF00));
    EXPECT_FALSE(editor.changePictureFrom(outside.file(L"red.bmp"), stamp));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(editor.picture(), blue);
    EXPECT_EQ(element(L"bkimage"), blue);
    EXPECT_EQ(readBytes(target), bmpBytes(8, 8, 0x00FF00));
    overwrite = true;
    EXPECT_TRUE(editor.changePictureFrom(outside.file(L"red.bmp"), stamp));
    EXPECT_EQ(element(L"bkimage"), red);
    EXPECT_EQ(readBytes(target), bmpBytes(8, 8, 0xFF0000));
    EXPECT_EQ(middle(editor), 0xFF0000u);
    // A file that is no picture changes nothing.
    writeBytes(outside.file(L"fake.bmp"), "no picture");
    stamp.wSecond = (stamp.wSecond + 1) % 60;
    EXPECT_FALSE(editor.changePictureFrom(outside.file(L"fake.bmp"), stamp));
    EXPECT_EQ(element(L"bkimage"), red);
    DestroyWindow(editor.handle());
}

TEST_F(TemplateEditorTest, APictureNameLeadingOutsideIsNeverShown) {
    XmlDocument doc;
    const std::wstring file = templatesDirectory() + name + L"\\" + name + L".xml";
    ASSERT_TRUE(doc.loadFile(file) && doc.findElement(L"TplItem") && doc.intoElement() &&
                doc.findElement(L"bkimage"));
    doc.setData(L"..\\..\\..\\..\\red.bmp");
    ASSERT_TRUE(doc.saveFile(file));
    TavNoteModifyTpl editor(name, L"");
    ASSERT_TRUE(editor.createModeless(nullptr));
    EXPECT_EQ(editor.picture(), L"");
    EXPECT_NE(middle(editor), 0xFF0000u);
    DestroyWindow(editor.handle());
    // A template folder that is a link to a folder outside: neither a new size nor a new picture
    // is written there.
    const std::wstring target = outside.path() + L"linked\\";
    CreateDirectoryW(target.c_str(), nullptr);
    const std::string linkedFile =
        "<TplItem>\r\n<TplName>linked</TplName>\r\n<right>240</right>\r\n<bottom>240</bottom>\r\n"
        "<bkimage>x.bmp</bkimage>\r\n</TplItem>\r\n";
    writeBytes(target + L"linked.xml", linkedFile);
    ASSERT_TRUE(unixtools::makeHostLink(target, templatesDirectory() + L"linked"))
        << "could not make a host link";
    {
        TavNoteModifyTpl linked(L"linked", L"");
        ASSERT_TRUE(linked.createModeless(nullptr));
        RECT rc{};
        GetWindowRect(linked.handle(), &rc);
        SetWindowPos(linked.handle(), nullptr, 0, 0, rc.right - rc.left + 30, rc.bottom - rc.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        pumpMessages();
        EXPECT_FALSE(linked.changePictureFrom(outside.file(L"blue.bmp"), now));
        DestroyWindow(linked.handle());
    }
    EXPECT_EQ(readBytes(target + L"linked.xml"), linkedFile);
    EXPECT_EQ(folderEntryCount(target), 1u);
    RemoveDirectoryW((templatesDirectory() + L"linked").c_str());
    // A template that is not there opens empty and writes nothing.
    TavNoteModifyTpl missing(L"..\\escape", L"");
    EXPECT_EQ(missing.folder(), L"");
}

} // namespace
