// A note's children from the note's side, with real windows: loading them in the order of the
// child list, adding a text block by double-click and a picture by "添加图像...", removing one with
// its files and its record, and a child whose id another note's child holds.
#include "notewin_support.h"

#include "AppState.h"
#include "FileDialogs.h"
#include "GdiOwners.h"
#include "ImageFiles.h"
#include "NoteContents.h"
#include "TavNoteItem.h"
#include "TavNoteItemImage.h"
#include "TavNoteMessageBox.h"
#include "TavRichEditNI.h"
#include "TavRichEdit.h"
#include "XmlDocument.h"

#include <shellapi.h>
#include <shlobj.h>

using namespace notewin;

namespace {

bool writePicture(const std::wstring& path, int w, int h, Gdiplus::ARGB color) {
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(color));
    return saveBitmapPng(bitmap, path);
}

// The `Item`s of the note file: (id, class) in order.
std::vector<std::pair<std::wstring, std::wstring>> childItems(const TavNoteStore& note) {
    std::vector<std::pair<std::wstring, std::wstring>> items;
    XmlDocument doc;
    if (!doc.loadFile(note.GetFilePath()) || !doc.findElement(L"TavNoteItem") || !doc.intoElement() ||
        !doc.findElement(L"ChildItems") || !doc.intoElement())
        return items;
    while (doc.findElement(L"Item")) items.emplace_back(doc.getData(), doc.getAttribute(L"identify"));
    return items;
}

class NoteChildrenTest : public NoteWindowTest {
protected:
    void TearDown() override {
        notes_.clear();
        setDialogSeam(TavDialogSeam{});
        NoteWindowTest::TearDown();
    }
    TavNoteItem& open(const std::wstring& unique, int id, int x = 300, int y = 150) {
        auto note = std::make_unique<TavNoteItem>(unique);
        EXPECT_TRUE(
            note->create(id, L"", TavNoteItem::kExStyle, TavNoteItem::kStyle, x, y, 300, 260, nullptr));
        note->setDialogs({nullptr, [](TavNoteItem&) { return kNoteResultYes; },
                          [this](TavNoteItem&) { ++toldNotPicture_; }});
        pump();
        notes_.push_back(std::move(note));
        return *notes_.back();
    }
    std::vector<std::unique_ptr<TavNoteItem>> notes_;
    int toldNotPicture_ = 0;
};

TEST_F(NoteChildrenTest, ChildrenOpenInTheOrderOfTheChildListAndUnknownOnesAreSkipped) {
    TavNoteStore file = prepareNote(L"kids", 810001, RECT{300, 150, 600, 410});
    ASSERT_TRUE(notecontents::writePlainBlock(file, 810012, RECT{10, 90, 200, 120}, L"plain", 0xFF2020C0u));
    ASSERT_TRUE(file.AddChildRecord(810099, L"TavSomethingElse"));
    ASSERT_TRUE(writePicture(file.fileInFolder(L"pic.png"), 20, 20, 0xFF10B040));
    ASSERT_TRUE(notecontents::writePictureChild(file, 810013, RECT{20, 140, 80, 200}, L"pic.png"));
    ASSERT_TRUE(notecontents::writeRichBlock(file, 810011, RECT{10, 10, 200, 40},
                                             notecontents::rtfBody({L"你好 rich"}, 0xC01010)));
    TavNoteItem& note = open(L"kids", 810001);
    ASSERT_EQ(note.noteChildren().size(), 3u);
    const wchar_t* expected[] = {L"TavNoteItemEdit", L"TavNoteItemImage", L"TavRichEditNI"};
    const int ids[] = {810012, 810013, 810011};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_STREQ(note.noteChildren()[i]->childClassName(), expected[i]) << i;
        EXPECT_EQ(note.noteChildren()[i]->childWindow().objectId(), ids[i]) << i;
        EXPECT_EQ(GetParent(note.noteChildren()[i]->childWindow().handle()), note.handle()) << i;
    }
    // The picture sits where its file says, in note client coordinates.
    RECT r{};
    GetWindowRect(note.noteChildren()[1]->childWindow().handle(), &r);
    MapWindowPoints(nullptr, note.handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 140);
    EXPECT_EQ(r.right, 80);
    EXPECT_EQ(r.bottom, 200);
    // The unknown record stays in the file: a later version's child is not thrown away.
    EXPECT_EQ(childItems(file).size(), 4u);
}

TEST_F(NoteChildrenTest, ADoubleClickOnEmptySpaceAddsABlockThereAndLeavingItEmptyRemovesIt) {
    TavNoteStore file = prepareNote(L"dbl", 0, RECT{300, 150, 600, 410});
    TavNoteItem& note = open(L"dbl", 0);
    SendMessageW(note.handle(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(60, 80));
    pump();
    ASSERT_EQ(note.noteChildren().size(), 1u);
    TavWnd& block = note.noteChildren()[0]->childWindow();
    RECT r{};
    GetWindowRect(block.handle(), &r);
    MapWindowPoints(nullptr, note.handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 60 - 7);
    EXPECT_EQ(r.top, 80 - 10);
    auto items = childItems(file);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].second, L"TavRichEditNI");
    EXPECT_EQ(items[0].first, std::to_wstring(block.objectId()));
    EXPECT_EQ(TavWnd::focusedWindow(), &block) << "the new block takes the keyboard";

    // Left at once (a click on the note beside it), empty: the block, its file and its record go.
    const std::wstring blockFile = file.childFilePath(block.objectId());
    SendMessageW(note.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(250, 200));
    SendMessageW(note.handle(), WM_LBUTTONUP, 0, MAKELPARAM(250, 200));
    pump();
    EXPECT_TRUE(note.noteChildren().empty());
    EXPECT_TRUE(childItems(file).empty());
    EXPECT_FALSE(pathExists(blockFile));
    EXPECT_FALSE(noteElement(file, L"updatetime").empty());
}

TEST_F(NoteChildrenTest, AddingAPictureCopiesItRemovingItTakesItsFilesUnlessAnotherPictureShowsThem) {
    TavNoteStore file = prepareNote(L"pics", 0, RECT{300, 150, 600, 410});
    TavNoteItem& note = open(L"pics", 0);
    const std::wstring green = app_ + L"绿色.png", text = app_ + L"notes.png";
    ASSERT_TRUE(writePicture(green, 400, 100, 0xFF10B040));
    ASSERT_TRUE(writeBytes(text, "not a picture"));
    std::wstring answer, title;
    setDialogSeam(TavDialogSeam{[&](HWND, const wchar_t*) {
        title = currentDialogTitle();
        return TavFileChoice{answer, answer.substr(answer.rfind(L'\\') + 1)};
    }});

    // A file that is no picture is refused with a message; nothing is added.
    answer = text;
    SendMessageW(note.handle(), kTavMsgCommand, kCmdNoteAddImage, 0);
    EXPECT_EQ(title, L"选择一个图像文件");
    EXPECT_EQ(toldNotPicture_, 1);
    EXPECT_TRUE(note.noteChildren().empty());
    EXPECT_TRUE(childItems(file).empty());

    answer = green;
    SendMessageW(note.handle(), kTavMsgCommand, kCmdNoteAddImage, 0);
    ASSERT_EQ(note.noteChildren().size(), 1u);
    // The next chooser opens where this one was left.
    EXPECT_EQ(dialogStartFolder(true) + L"\\", app_);
    auto* picture = dynamic_cast<TavNoteItemImage*>(note.noteChildren()[0].get());
    ASSERT_NE(picture, nullptr);
    const std::wstring name = L"bkimage_" + std::to_wstring(note.objectId()) + L"_绿色.png";
    EXPECT_EQ(picture->imageName(), name);
    EXPECT_TRUE(pathExists(file.fileInFolder(name)));
    // Shrunk to the note's width, keeping its proportions (4 : 1).
    RECT r{};
    GetClientRect(picture->handle(), &r);
    EXPECT_LE(r.right, 300);
    EXPECT_NEAR(double(r.right) / r.bottom, 4.0, 0.2);
    ASSERT_EQ(childItems(file).size(), 1u);
    EXPECT_EQ(childItems(file)[0].second, L"TavNoteItemImage");

    // A second picture of the same file: removing one keeps the file for the other.
    TavNoteChildItem* twin = note.addImageChild(name, RECT{10, 10, 60, 60});
    ASSERT_NE(twin, nullptr);
    const int twinId = twin->childWindow().objectId();
    const std::wstring twinFile = file.childFilePath(twinId);
    ASSERT_TRUE(pathExists(twinFile));
    PostMessageW(note.handle(), kNoteMsgImageDeleted, WPARAM(twinId), 0);
    pump();
    EXPECT_EQ(note.noteChildren().size(), 1u);
    EXPECT_FALSE(pathExists(twinFile));
    EXPECT_TRUE(pathExists(file.fileInFolder(name))) << "the other picture lost its file";

    // The last one takes its file along.
    const int id = picture->objectId();
    const std::wstring pictureFile = file.childFilePath(id);
    PostMessageW(note.handle(), kNoteMsgImageDeleted, WPARAM(id), 0);
    pump();
    EXPECT_TRUE(note.noteChildren().empty());
    EXPECT_FALSE(pathExists(pictureFile));
    EXPECT_FALSE(pathExists(file.fileInFolder(name)));
    EXPECT_TRUE(childItems(file).empty());
}

TEST_F(NoteChildrenTest, AChildWhoseIdAnotherNotesChildHoldsOpensUnderAFreeIdOfItsOwn) {
    // Two note folders copied outside the program: both have a child 820011.
    for (const wchar_t* unique : {L"one", L"two"}) {
        TavNoteStore file = prepareNote(unique, 0, RECT{300, 150, 600, 410});
        ASSERT_TRUE(notecontents::writePlainBlock(file, 820011, RECT{10, 10, 200, 40}, unique, 0xFF000000u));
    }
    TavNoteItem& one = open(L"one", 0);
    TavNoteItem& two = open(L"two", 0, 650, 150);
    ASSERT_EQ(one.noteChildren().size(), 1u);
    ASSERT_EQ(two.noteChildren().size(), 1u);
    EXPECT_EQ(one.noteChildren()[0]->childWindow().objectId(), 820011);
    const int moved = two.noteChildren()[0]->childWindow().objectId();
    EXPECT_NE(moved, 820011);
    EXPECT_EQ(TavWnd::findById(820011), &one.noteChildren()[0]->childWindow());
    // The second note's record and file follow the new id; the first note's files are untouched.
    auto items = childItems(two.store());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].first, std::to_wstring(moved));
    EXPECT_TRUE(pathExists(two.store().childFilePath(moved)));
    EXPECT_TRUE(pathExists(one.store().childFilePath(820011)));
}

TEST_F(NoteChildrenTest, ARingingNoteSwingsWithItsChildren) {
    TavNoteStore file = prepareNote(L"swing", 0, RECT{300, 150, 600, 410});
    file.SaveAlpha(255);
    ASSERT_TRUE(writePicture(file.fileInFolder(L"pic.png"), 20, 20, 0xFF10B040));
    ASSERT_TRUE(notecontents::writePictureChild(file, 830013, RECT{100, 100, 160, 160}, L"pic.png"));
    TavNoteItem& note = open(L"swing", 0);
    ASSERT_EQ(note.noteChildren().size(), 1u);
    HWND child = note.noteChildren()[0]->childWindow().handle();
    note.startSwing();
    EXPECT_FALSE(IsWindowVisible(child)) << "the child would stay upright over the swinging note";
    // The first frame is upright: the picture is in the note's own picture at its place.
    TavMemDC frame = note.renderSelf();
    ASSERT_TRUE(frame);
    const uint32_t pixel = unpremultiply(frame.at(130, 130));
    EXPECT_GT(int((pixel >> 8) & 255), 140) << std::hex << pixel;
    EXPECT_LT(int((pixel >> 16) & 255), 80) << std::hex << pixel;
    note.stopSwing();
    EXPECT_TRUE(IsWindowVisible(child));
}

// Closes the question that is open, with OK, from inside its modal loop.
TavNoteMessageBox* g_openQuestion = nullptr;
void CALLBACK answerOk(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (g_openQuestion) g_openQuestion->accept();
}

TEST_F(NoteChildrenTest, ABlockWhoseRemovalArrivesWhileItAsksIsRemovedOnlyAfterTheQuestion) {
    TavNoteStore file = prepareNote(L"ask", 0, RECT{300, 150, 600, 410});
    TavNoteItem& note = open(L"ask", 0);
    SendMessageW(note.handle(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(60, 80));
    pump();
    ASSERT_EQ(note.noteChildren().size(), 1u);
    auto* block = dynamic_cast<TavRichEditNI*>(note.noteChildren()[0].get());
    ASSERT_NE(block, nullptr);
    const int id = block->objectId();
    bool survivedTheQuestion = false;
    // "删除" asks with a real modal box; while it is open the note hears that the (empty) block was
    // left, as it does when the box takes the focus.
    block->setDialogs({[&](TavRichEditNI& asking) {
        PostMessageW(note.handle(), kNoteMsgRichTextEmpty, WPARAM(asking.objectId()), 0);
        TavNoteMessageBox box(kBoxOk | kBoxCancel, L"确定要删除吗？", L"TavNote", 300, 120);
        g_openQuestion = &box;
        SetTimer(nullptr, 0, 300, answerOk);
        const int answer = int(box.runModal(note.handle()));
        g_openQuestion = nullptr;
        survivedTheQuestion = TavWnd::findById(id) == &asking;
        return answer;
    }});
    SendMessageW(block->handle(), kTavMsgCommand, kCmdBlockDelete, 0);
    pump();
    EXPECT_TRUE(survivedTheQuestion) << "the block was destroyed while its question was open";
    waitFor([&] { return note.noteChildren().empty(); }, 3000);
    EXPECT_TRUE(note.noteChildren().empty());
    EXPECT_TRUE(childItems(file).empty());
}

// A drop of files on the note as the shell makes it.
HDROP makeDrop(const std::vector<std::wstring>& paths, POINT at) {
    size_t chars = 1;
    for (const std::wstring& p : paths) chars += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = at;
    drop->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(drop + 1);
    for (const std::wstring& p : paths) {
        memcpy(names, p.c_str(), (p.size() + 1) * sizeof(wchar_t));
        names += p.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

int rowsOf(TavNoteChildItem& child) {
    auto* editor = dynamic_cast<TavRichEdit*>(&child.childWindow());
    return editor ? editor->doc().rowCount() : -1;
}

TEST_F(NoteChildrenTest, DroppedPicturesAndTextFilesBecomeChildrenAndOtherFilesAreLeft) {
    TavNoteStore file = prepareNote(L"drop", 0, RECT{300, 150, 600, 410});
    TavNoteItem& note = open(L"drop", 0);
    const std::wstring picture = app_ + L"dropped.png", text = app_ + L"笔记.txt",
                       binary = app_ + L"data.bin";
    ASSERT_TRUE(writePicture(picture, 30, 30, 0xFF10B040));
    ASSERT_TRUE(writeBytes(text, "\xEF\xBB\xBF第一行\r\nsecond line\r\n第三行"));
    ASSERT_TRUE(writeBytes(binary, std::string("MZ\0\0\x90\0binary", 12)));
    SendMessageW(note.handle(), WM_DROPFILES, WPARAM(makeDrop({binary, picture, text, app_}, POINT{40, 50})),
                 0);
    pump();
    ASSERT_EQ(note.noteChildren().size(), 2u) << "the binary file and the folder are left";
    EXPECT_STREQ(note.noteChildren()[0]->childClassName(), L"TavNoteItemImage");
    EXPECT_TRUE(
        pathExists(file.fileInFolder(L"bkimage_" + std::to_wstring(note.objectId()) + L"_dropped.png")));
    EXPECT_STREQ(note.noteChildren()[1]->childClassName(), L"TavRichEditNI");
    EXPECT_EQ(rowsOf(*note.noteChildren()[1]), 3) << "one row per line of the file";
    EXPECT_EQ(childItems(file).size(), 2u);
}

TEST_F(NoteChildrenTest, APastedPictureOrTextBecomesAChildAtTheLastClick) {
    TavNoteStore file = prepareNote(L"paste", 0, RECT{300, 150, 600, 410});
    TavNoteItem& note = open(L"paste", 0);
    // A 30 x 20 red picture as a device-independent bitmap, as a screenshot tool leaves it.
    const int w = 30, h = 20;
    HGLOBAL dib = GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + w * h * 4);
    auto* info = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    *info = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    auto* pixels = reinterpret_cast<uint32_t*>(info + 1);
    for (int i = 0; i < w * h; ++i) pixels[i] = 0xFFE01010u;
    GlobalUnlock(dib);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    ASSERT_NE(SetClipboardData(CF_DIB, dib), nullptr);
    CloseClipboard();
    SendMessageW(note.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 60));
    SendMessageW(note.handle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 60));
    SendMessageW(note.handle(), WM_PASTE, 0, 0);
    pump();
    ASSERT_EQ(note.noteChildren().size(), 1u);
    auto* pasted = dynamic_cast<TavNoteItemImage*>(note.noteChildren()[0].get());
    ASSERT_NE(pasted, nullptr);
    TavGpImage stored = loadImageFile(file.fileInFolder(pasted->imageName()));
    ASSERT_TRUE(stored) << "the pasted picture was not stored in the note folder";
    EXPECT_EQ(stored->GetWidth(), 30u);
    EXPECT_EQ(stored->GetHeight(), 20u);

    const std::wstring words = L"粘贴的字\r\nline two";
    HGLOBAL unicode = GlobalAlloc(GHND, (words.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(unicode), words.c_str(), (words.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(unicode);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    ASSERT_NE(SetClipboardData(CF_UNICODETEXT, unicode), nullptr);
    CloseClipboard();
    SendMessageW(note.handle(), WM_PASTE, 0, 0);
    pump();
    ASSERT_EQ(note.noteChildren().size(), 2u);
    EXPECT_EQ(rowsOf(*note.noteChildren()[1]), 2);
}

} // namespace
