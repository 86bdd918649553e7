// A picture on a note with real windows: its file, its drawing and frame, resizing from each
// corner, "更换图片" (refused, failed and repeated choices) and "删除", and names read from its
// file that lead outside the note folder.
#include "notewin_support.h"

#include "AppPaths.h"
#include "FileDialogs.h"
#include "ImageFiles.h"
#include "NoteDocument.h"
#include "Settings.h"
#include "TavNoteItemImage.h"
#include "XmlDocument.h"

using namespace notewin;

namespace {

// A one-color PNG picture of the given size.
bool writeColorPicture(const std::wstring& path, int w, int h, Gdiplus::ARGB color) {
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(color));
    return saveBitmapPng(bitmap, path);
}

RECT clientRectInParent(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The child file's elements, read as a reader in another program would.
struct StoredPicture {
    bool found = false;
    std::wstring id, left, top, right, bottom, image;
};
StoredPicture readPictureFile(const std::wstring& path) {
    StoredPicture s;
    XmlDocument doc;
    if (!doc.loadFile(path) || !doc.findElement(L"TavNoteItemImage") || !doc.intoElement()) return s;
    std::vector<TavFoundElement> wanted{{L"ID", {}},    {L"left", {}},   {L"top", {}},
                                        {L"right", {}}, {L"bottom", {}}, {L"image", {}}};
    findChildElements(doc, wanted);
    s.found = true;
    s.id = wanted[0].value;
    s.left = wanted[1].value;
    s.top = wanted[2].value;
    s.right = wanted[3].value;
    s.bottom = wanted[4].value;
    s.image = wanted[5].value;
    return s;
}

class NoteImageTest : public NoteWindowTest {
protected:
    void SetUp() override {
        NoteWindowTest::SetUp();
        prepareNote(kUnique, 0, RECT{100, 100, 400, 400}).SaveAlpha(255);
        note_ = std::make_unique<TavNoteItem>(kUnique);
        ASSERT_TRUE(
            note_->create(0, L"", TavNoteItem::kExStyle, TavNoteItem::kStyle, 100, 100, 300, 300, nullptr));
        pump();
        red_ = app_ + L"红.png";
        blue_ = app_ + L"blue.png";
        ASSERT_TRUE(writeColorPicture(red_, 8, 8, 0xFFFF0000));
        ASSERT_TRUE(writeColorPicture(blue_, 8, 8, 0xFF0000FF));
    }
    void TearDown() override {
        setDialogSeam(TavDialogSeam{});
        ReleaseCapture();
        TavWnd::setFocusedWindow(nullptr);
        note_.reset();
        NoteWindowTest::TearDown();
    }
    // A picture child showing a copy of `source` under `name`, at `rect` of the note.
    TavNoteItemImage* addPicture(const std::wstring& source, const std::wstring& name, RECT rect) {
        EXPECT_TRUE(CopyFileW(source.c_str(), folderFile(name).c_str(), FALSE));
        auto* added = dynamic_cast<TavNoteItemImage*>(note_->addImageChild(name, rect));
        EXPECT_NE(added, nullptr);
        pump();
        return added;
    }
    std::wstring folderFile(const std::wstring& name) const { return note_->store().fileInFolder(name); }
    void answerOpenWith(const std::wstring& path) {
        setDialogSeam(TavDialogSeam{[this, path](HWND, const wchar_t* filter) {
            ++opened_;
            title_ = currentDialogTitle();
            filterIsImages_ = filter && std::wstring(filter) == kImageFileFilter;
            return TavFileChoice{path, path.substr(path.find_last_of(L'\\') + 1)};
        }});
    }

    static constexpr const wchar_t* kUnique = L"20260102030405006_07";
    std::unique_ptr<TavNoteItem> note_;
    std::wstring red_, blue_;
    int opened_ = 0;
    std::wstring title_;
    bool filterIsImages_ = false;
};

TEST_F(NoteImageTest, APictureRoundTripsThroughItsFile) {
    TavNoteItemImage* first = addPicture(red_, L"p.png", RECT{20, 30, 120, 90});
    ASSERT_NE(first, nullptr);
    const int id = first->objectId();
    const std::wstring path = note_->store().childFilePath(id);
    StoredPicture stored = readPictureFile(path);
    ASSERT_TRUE(stored.found);
    EXPECT_EQ(stored.id, std::to_wstring(id));
    EXPECT_EQ(stored.left + L"," + stored.top + L"," + stored.right + L"," + stored.bottom, L"20,30,120,90");
    EXPECT_EQ(stored.image, L"p.png");
    // Elements in the order a reader of the format expects them.
    const std::string bytes = readBytes(path);
    size_t last = 0;
    for (const char* tag : {"<ID>", "<left>", "<top>", "<right>", "<bottom>", "<image>"}) {
        const size_t at = bytes.find(tag);
        ASSERT_NE(at, std::string::npos) << tag;
        EXPECT_GE(at, last) << tag;
        last = at;
    }

    // A picture opened again from the file (as the note does when it loads its children) takes
    // the stored place and picture over the rectangle it is created with.
    note_->removeImageChildren();
    EXPECT_FALSE(pathExists(path));
    ASSERT_TRUE(writeBytes(path, "<TavNoteItemImage><ID>" + std::to_string(id) +
                                     "</ID><left>40</left><top>50</top><right>140</right><bottom>110</bottom>"
                                     "<image>q.png</image></TavNoteItemImage>"));
    ASSERT_TRUE(CopyFileW(blue_.c_str(), folderFile(L"q.png").c_str(), FALSE));
    TavNoteItemImage again(kUnique, L"");
    ASSERT_TRUE(again.createInNote(note_->handle(), id, RECT{0, 0, 10, 10}));
    RECT r = clientRectInParent(again.handle());
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right, 140);
    EXPECT_EQ(r.bottom, 110);
    EXPECT_EQ(again.imageName(), L"q.png");
    EXPECT_EQ(again.renderSelf().at(50, 30), 0xFF0000FFu);
    // Opening writes nothing back.
    EXPECT_EQ(readPictureFile(path).left, L"40");
}

TEST_F(NoteImageTest, ThePictureFillsTheInnerRectAndTheFrameShowsWhileActive) {
    TavNoteItemImage* picture = addPicture(red_, L"p.png", RECT{20, 20, 120, 80});
    ASSERT_NE(picture, nullptr);
    const uint32_t frame = premultiply(settings().borderMenuColor | 0xFF000000u);
    struct Case {
        const char* what;
        bool active;
        uint32_t atFrame;
    } cases[] = {{"inactive", false, 0u}, {"active", true, frame}};
    for (const Case& c : cases) {
        if (c.active)
            picture->activateAt(0, 0);
        else
            TavWnd::setFocusedWindow(nullptr);
        TavMemDC image = picture->renderSelf();
        ASSERT_TRUE(image.ok()) << c.what;
        EXPECT_EQ(image.at(0, 0), 0u) << c.what;
        EXPECT_EQ(image.at(2, 2), c.atFrame) << c.what;
        EXPECT_EQ(image.at(97, 57), c.atFrame) << c.what;
        EXPECT_EQ(image.at(50, 2), c.atFrame) << c.what;
        EXPECT_EQ(image.at(3, 3), 0u) << c.what;
        // The picture, scaled, fills the window inset by 4 pixels (the edge pixels of the inner
        // rectangle depend on the platform's rounding).
        EXPECT_EQ(image.at(5, 5), 0xFFFF0000u) << c.what;
        EXPECT_EQ(image.at(94, 54), 0xFFFF0000u) << c.what;
        EXPECT_EQ(image.at(1, 30), 0u) << c.what;
        EXPECT_EQ(image.at(98, 30), 0u) << c.what;
        EXPECT_EQ(image.at(50, 30), 0xFFFF0000u) << c.what;
    }
}

TEST_F(NoteImageTest, ThePictureIsDecodedOnceAndAMissingOrBrokenFileDrawsOnlyTheFrame) {
    TavNoteItemImage* picture = addPicture(red_, L"p.png", RECT{20, 20, 120, 80});
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->hasPicture());
    // The file is no longer needed for drawing (nor held open).
    ASSERT_TRUE(DeleteFileW(folderFile(L"p.png").c_str()));
    EXPECT_EQ(picture->renderSelf().at(50, 30), 0xFFFF0000u);

    struct Case {
        const char* what;
        const wchar_t* name;
        const char* bytes; // null: no file
    } cases[] = {{"missing", L"gone.png", nullptr}, {"not a picture", L"words.png", "just words"}};
    for (const Case& c : cases) {
        if (c.bytes) {
            ASSERT_TRUE(writeBytes(folderFile(c.name), c.bytes)) << c.what;
        }
        EXPECT_TRUE(picture->SetImage(c.name)) << c.what;
        EXPECT_FALSE(picture->hasPicture()) << c.what;
        picture->activateAt(0, 0);
        TavMemDC image = picture->renderSelf();
        ASSERT_TRUE(image.ok()) << c.what;
        EXPECT_EQ(image.at(50, 30), 0u) << c.what;
        EXPECT_NE(image.at(2, 2), 0u) << c.what;
    }
}

TEST_F(NoteImageTest, EachCornerResizesAndTheRestMovesWrittenOnceAtTheRelease) {
    TavNoteItemImage* picture = addPicture(red_, L"p.png", RECT{50, 50, 150, 130});
    ASSERT_NE(picture, nullptr);
    HWND w = picture->handle();
    const std::wstring path = note_->store().childFilePath(picture->objectId());
    struct Case {
        const char* what;
        POINT press; // client point of the picture
        POINT moveBy;
        int cursor;
        RECT expected; // in the note
    } cases[] = {
        {"top-left", {1, 1}, {-20, -10}, kCursorSizeNWSE, {30, 40, 150, 130}},
        {"top-right", {98, 1}, {20, -10}, kCursorSizeNESW, {50, 40, 170, 130}},
        {"bottom-left", {1, 78}, {-20, 10}, kCursorSizeNESW, {30, 50, 150, 140}},
        {"bottom-right", {98, 78}, {20, 10}, kCursorSizeNWSE, {50, 50, 170, 140}},
        {"top edge moves", {50, 0}, {20, 10}, kCursorSizeAll, {70, 60, 170, 140}},
        {"right edge moves", {99, 40}, {-10, 5}, kCursorSizeAll, {40, 55, 140, 135}},
        {"middle moves", {50, 40}, {-20, -20}, kCursorSizeAll, {30, 30, 130, 110}},
    };
    for (const Case& c : cases) {
        MoveWindow(w, 50, 50, 100, 80, FALSE);
        picture->SaveGeometry();
        SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.press.x, c.press.y));
        EXPECT_EQ(picture->cursorKind(), c.cursor) << c.what;
        SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON,
                     MAKELPARAM(c.press.x + c.moveBy.x / 2, c.press.y + c.moveBy.y / 2));
        SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(c.press.x + c.moveBy.x, c.press.y + c.moveBy.y));
        // Only the outline follows while the button is held; the file waits for the release.
        EXPECT_EQ(readPictureFile(path).left, L"50") << c.what;
        SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(c.press.x + c.moveBy.x, c.press.y + c.moveBy.y));
        pump();
        RECT r = clientRectInParent(w);
        EXPECT_TRUE(EqualRect(&r, &c.expected))
            << c.what << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        StoredPicture stored = readPictureFile(path);
        EXPECT_EQ(stored.left + L"," + stored.top + L"," + stored.right + L"," + stored.bottom,
                  std::to_wstring(c.expected.left) + L"," + std::to_wstring(c.expected.top) + L"," +
                      std::to_wstring(c.expected.right) + L"," + std::to_wstring(c.expected.bottom))
            << c.what;
    }
}

TEST_F(NoteImageTest, ReplacingAsksForAPictureAndCopiesItUnderTheNotesName) {
    TavNoteItemImage* picture = addPicture(red_, L"p.png", RECT{20, 20, 120, 80});
    ASSERT_NE(picture, nullptr);
    answerOpenWith(blue_);
    SendMessageW(picture->handle(), kTavMsgCommand, kCmdImageReplace, 0);
    EXPECT_EQ(opened_, 1);
    EXPECT_EQ(title_, L"选择一个图像文件");
    EXPECT_TRUE(filterIsImages_);
    const std::wstring name = std::wstring(L"bkimage_") + kUnique + L"_blue.png";
    EXPECT_EQ(picture->imageName(), name);
    EXPECT_EQ(readPictureFile(note_->store().childFilePath(picture->objectId())).image, name);
    EXPECT_TRUE(pathExists(folderFile(name)));
    // The previous picture's file goes; the chosen file stays where it was.
    EXPECT_FALSE(pathExists(folderFile(L"p.png")));
    EXPECT_TRUE(pathExists(blue_));
    EXPECT_EQ(picture->renderSelf().at(50, 30), 0xFF0000FFu);
}

TEST_F(NoteImageTest, AReplacementThatIsRefusedOrFailsChangesNothing) {
    const std::wstring words = app_ + L"words.png";
    ASSERT_TRUE(writeBytes(words, "these are words, not pixels"));
    // A folder where the copy should go: the copy fails after the user agreed.
    const std::wstring blocked = app_ + L"blocked.png";
    ASSERT_TRUE(writeColorPicture(blocked, 8, 8, 0xFF00FF00));
    struct Case {
        const char* what;
        std::wstring source;
        int answer;   // to "存在同名文件，是否覆盖？"
        int told;     // "not a picture" messages
        int asked;    // overwrite questions
        bool prepare; // a directory of the target's name in the note folder
    } cases[] = {
        {"not a picture", words, 6, 1, 0, false},
        {"missing file", app_ + L"none.png", 6, 0, 0, false},
        {"user says no", blue_, 7, 0, 1, false},
        {"copy fails", blocked, 6, 0, 1, true},
    };
    for (const Case& c : cases) {
        TavNoteItemImage* picture = addPicture(red_, L"p.png", RECT{20, 20, 120, 80});
        ASSERT_NE(picture, nullptr) << c.what;
        const std::wstring title = c.source.substr(c.source.find_last_of(L'\\') + 1);
        const std::wstring target = folderFile(std::wstring(L"bkimage_") + kUnique + L"_" + title);
        if (c.prepare) {
            ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr)) << c.what;
        }
        if (c.answer == 7) {
            ASSERT_TRUE(writeColorPicture(target, 8, 8, 0xFF123456)) << c.what;
        }
        int told = 0, asked = 0;
        picture->setDialogs({[&](TavNoteItemImage&) {
                                 ++asked;
                                 return c.answer;
                             },
                             [&](TavNoteItemImage&) { ++told; }});
        EXPECT_FALSE(picture->ReplaceImageFrom(c.source)) << c.what;
        EXPECT_EQ(told, c.told) << c.what;
        EXPECT_EQ(asked, c.asked) << c.what;
        EXPECT_EQ(picture->imageName(), L"p.png") << c.what;
        EXPECT_EQ(readPictureFile(note_->store().childFilePath(picture->objectId())).image, L"p.png")
            << c.what;
        EXPECT_TRUE(pathExists(folderFile(L"p.png"))) << c.what;
        EXPECT_EQ(picture->renderSelf().at(50, 30), 0xFFFF0000u) << c.what;
        note_->removeImageChildren();
        if (c.prepare) RemoveDirectoryW(target.c_str());
        DeleteFileW(target.c_str());
    }
}

TEST_F(NoteImageTest, ChoosingTheSameFileAgainAsksAndKeepsItsName) {
    TavNoteItemImage* picture = addPicture(red_, L"p.png", RECT{20, 20, 120, 80});
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(picture->ReplaceImageFrom(blue_));
    const std::wstring name = picture->imageName();
    // The same file, changed meanwhile, chosen again.
    ASSERT_TRUE(writeColorPicture(blue_, 8, 8, 0xFF00FF00));
    int asked = 0;
    picture->setDialogs({[&](TavNoteItemImage&) {
        ++asked;
        return 6;
    }});
    EXPECT_TRUE(picture->ReplaceImageFrom(blue_));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(picture->imageName(), name);
    EXPECT_TRUE(pathExists(folderFile(name)));
    // The new content shows: the picture was decoded again.
    EXPECT_EQ(picture->renderSelf().at(50, 30), 0xFF00FF00u);
}

TEST_F(NoteImageTest, TheMenuReplacesOrDeletesThePicture) {
    TavNoteItemImageMenu menu;
    std::vector<std::pair<int, std::wstring>> items;
    for (const auto& def : menu.itemDefs()) items.emplace_back(def.id, def.text);
    EXPECT_EQ(items, (std::vector<std::pair<int, std::wstring>>{{30301, L"更换图片"}, {30302, L"删除"}}));

    TavNoteItemImage* picture = addPicture(red_, L"p.png", RECT{20, 20, 120, 80});
    ASSERT_NE(picture, nullptr);
    const int id = picture->objectId();
    const std::wstring path = note_->store().childFilePath(id);
    SendMessageW(picture->handle(), kTavMsgCommand, kCmdImageDelete, 0);
    // The note removes the picture when the posted message arrives.
    EXPECT_TRUE(waitFor([&] { return note_->findChild(id) == nullptr; }));
    EXPECT_FALSE(pathExists(path));
    EXPECT_FALSE(pathExists(folderFile(L"p.png")));
    for (const TavNoteChild& stored : note_->store().LoadChildren()) EXPECT_NE(stored.id, id);
}

TEST_F(NoteImageTest, NamesLeadingOutOfTheNoteFolderAreNeverReadNorDeleted) {
    // Canaries outside the note folder, and the note's own file inside it.
    const std::wstring beside = noteItemsDirectory() + L"canary.txt";
    const std::wstring outside = app_ + L"canary.png";
    ASSERT_TRUE(writeColorPicture(beside, 4, 4, 0xFF00FF00));
    ASSERT_TRUE(writeColorPicture(outside, 4, 4, 0xFF00FF00));
    const std::wstring noteFile = note_->store().GetFilePath();
    const std::string noteBytes = readBytes(noteFile);
    ASSERT_FALSE(noteBytes.empty());
    struct Case {
        const char* what;
        std::wstring image;
    } cases[] = {
        {"parent step", L"..\\canary.txt"},
        {"absolute path", outside},
        {"drive path", L"C:\\x.png"},
        {"empty", L""},
        {"the note file", std::wstring(kUnique) + L".xml"},
        {"a child file", L"5.xml"},
        {"a body file", L"5_rtf"},
        {"the reminder", L"PROMPT.XML"},
        {"a kept copy", std::wstring(kUnique) + L".xml.bad"},
    };
    int id = 900001;
    for (const Case& c : cases) {
        ++id;
        const std::wstring path = note_->store().childFilePath(id);
        XmlDocument doc;
        doc.setDocument(L"");
        doc.addElement(L"TavNoteItemImage");
        doc.intoElement();
        doc.addElement(L"ID", id);
        doc.addElement(L"left", 10);
        doc.addElement(L"top", 10);
        doc.addElement(L"right", 60);
        doc.addElement(L"bottom", 60);
        doc.addElement(L"image", c.image);
        doc.outOfElement();
        ASSERT_TRUE(doc.saveFile(path)) << c.what;
        {
            TavNoteItemImage picture(kUnique, L"");
            ASSERT_TRUE(picture.createInNote(note_->handle(), id, RECT{0, 0, 10, 10})) << c.what;
            EXPECT_EQ(picture.imageName(), L"") << c.what;
            EXPECT_FALSE(picture.hasPicture()) << c.what;
            // Neither shown through another call.
            EXPECT_FALSE(picture.SetImage(c.image) && !c.image.empty()) << c.what;
            EXPECT_EQ(picture.imageName(), L"") << c.what;
            picture.eraseStoredData();
        }
        EXPECT_FALSE(pathExists(path)) << c.what;
        EXPECT_TRUE(pathExists(beside)) << c.what;
        EXPECT_TRUE(pathExists(outside)) << c.what;
        EXPECT_EQ(readBytes(noteFile), noteBytes) << c.what;
    }
}

TEST_F(NoteImageTest, APictureNameNeverTakesOneOfTheNotesDataFiles) {
    struct Case {
        const wchar_t* name;
        bool data;
    } cases[] = {
        {L"20260102030405006_07.xml", true},
        {L"20260102030405006_07.XML.bad", true},
        {L"prompt.xml", true},
        {L"12.xml", true},
        {L"12_rtf", true},
        {L"12_rtf.bad", true},
        {L"p.png", false},
        {L"bkimage_x_12.xml", false},
        {L"a12.xml", false},
        {L"_rtf", false},
        {L"12.png", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isNoteDataFileName(c.name, kUnique), c.data) << c.name;
}

} // namespace
