// A note's rich text block in real windows: leaving it (kept and saved, or reported empty), row
// icons that follow row removal and widen the margin, Shift+Enter, its files read back, hostile
// files, and a color or font change undone in one step.
#include "notewin_support.h"

#include "AppPaths.h"
#include "FileSystem.h"
#include "ImageFiles.h"
#include "TavRichEditNI.h"
#include "TavRichEditNIMenu.h"
#include "TestPanel.h"
#include "XmlDocument.h"

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace notewin;

namespace {

constexpr wchar_t kUnique[] = L"20261207043355123_07";

// Stands in for the note: a plain panel that records what its children post to it.
class NoteRecorder : public TestPanel {
public:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Message> received;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message >= kNoteMsgDelete && message <= kNoteMsgContentChanged) {
            received.push_back({message, wParam, lParam});
            return 0;
        }
        return TestPanel::windowProc(message, wParam, lParam);
    }
    int count(UINT message) const {
        return int(std::count_if(received.begin(), received.end(),
                                 [&](const Message& m) { return m.message == message; }));
    }
    const Message* last(UINT message) const {
        for (auto it = received.rbegin(); it != received.rend(); ++it)
            if (it->message == message) return &*it;
        return nullptr;
    }
};

// Sends a key with Shift and Control held as asked (the block reads the keyboard state).
void sendKeyWith(HWND window, WPARAM key, bool shift, bool control) {
    BYTE state[256];
    GetKeyboardState(state);
    const BYTE oldShift = state[VK_SHIFT], oldControl = state[VK_CONTROL];
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageW(window, WM_KEYDOWN, key, 1);
    state[VK_SHIFT] = oldShift;
    state[VK_CONTROL] = oldControl;
    SetKeyboardState(state);
}

// A 21 x 21 PNG icon of one color.
bool writeIcon(const std::wstring& path, uint32_t argb) {
    Gdiplus::Bitmap bitmap(21, 21, PixelFormat32bppARGB);
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 21; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(argb));
    return saveBitmapPng(bitmap, path);
}

FILETIME writeTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

class RichChildTest : public NoteWindowTest {
protected:
    void SetUp() override {
        NoteWindowTest::SetUp();
        store_ = prepareNote(kUnique, 912345, RECT{100, 100, 500, 400});
        folder_ = store_.folderPath();
        ASSERT_FALSE(folder_.empty());
        ASSERT_TRUE(
            note_.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 100, 100, 400, 300, nullptr));
        note_.show(SW_SHOWNA);
        note_.redrawAll();
        note_.present();
        ASSERT_TRUE(writeIcon(iconDirectory() + L"red.png", 0xFFFF0000));
        ASSERT_TRUE(writeIcon(iconDirectory() + L"blue.png", 0xFF0000FF));
        ASSERT_TRUE(writeIcon(iconDirectory() + L"green.png", 0xFF00FF00));
    }
    void TearDown() override {
        pump();
        NoteWindowTest::TearDown();
    }

    std::unique_ptr<TavRichEditNI> open(int id, RECT rect = RECT{60, 60, 160, 90}) {
        auto block = std::make_unique<TavRichEditNI>(kUnique, L"");
        EXPECT_TRUE(block->createInNote(note_.handle(), id, rect));
        block->doc().setCurrentFont(L"WenQuanYi Zen Hei", 16, 0);
        pump();
        return block;
    }
    // A new block being edited, holding `text` typed at its start.
    std::unique_ptr<TavRichEditNI> typed(const std::wstring& text) {
        auto block = open(0);
        block->activateAt(0, 0);
        block->insertText(text);
        return block;
    }
    // A press and release on the note's own surface: the block loses the focus to the note.
    void clickNote() {
        SendMessageW(note_.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 280));
        SendMessageW(note_.handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 280));
        pump();
    }
    std::wstring xmlPath(int id) const { return folder_ + std::to_wstring(id) + L".xml"; }
    std::wstring bodyPath(int id) const { return folder_ + std::to_wstring(id) + L"_rtf"; }
    // The `item` texts of a list element of the block's file (attribute `image` when asked).
    std::vector<std::wstring> items(int id, const wchar_t* list, const wchar_t* attribute = nullptr) const {
        std::vector<std::wstring> out;
        XmlDocument doc;
        if (!doc.loadFile(xmlPath(id)) || !doc.findElement(L"TavRichEditNI") || !doc.intoElement() ||
            !doc.findElement(list) || !doc.intoElement())
            return out;
        while (doc.findElement(L"item"))
            out.push_back(attribute ? doc.getData() + L"=" + doc.getAttribute(attribute) : doc.getData());
        return out;
    }
    std::wstring element(int id, const wchar_t* name) const {
        XmlDocument doc;
        if (!doc.loadFile(xmlPath(id)) || !doc.findElement(L"TavRichEditNI") || !doc.intoElement() ||
            !doc.findElement(name))
            return L"<missing>";
        return doc.getData();
    }
    void select(TavRichEditNI& block, TavTextPos from, TavTextPos to) { block.doc().setSelection(from, to); }

    TavNoteStore store_;
    std::wstring folder_;
    NoteRecorder note_;
};

// --- leaving a block ---

TEST_F(RichChildTest, LeavingKeepsABlockWithContentAndReportsAnEmptyOne) {
    struct Case {
        const char* name;
        std::wstring text;
        bool icon;
        bool kept;
    };
    const Case cases[] = {
        {"only an empty row", L"", false, false},
        {"only a row icon", L"", true, true},
        {"one character", L"x", false, true},
        {"two empty rows", L"\r", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        note_.received.clear();
        auto block = typed(c.text);
        const int id = block->objectId();
        if (c.icon) SendMessageW(block->handle(), kNoteMsgSetRowIcon, WPARAM(L"red.png"), 0);
        clickNote();
        EXPECT_TRUE(waitFor([&] { return !note_.received.empty(); }, 2000));
        if (c.kept) {
            EXPECT_EQ(note_.count(kNoteMsgRichTextEmpty), 0);
            EXPECT_EQ(element(id, L"rtftext"), std::to_wstring(id) + L"_rtf");
            ASSERT_TRUE(pathExists(bodyPath(id)));
            // An empty block's body is an empty file.
            EXPECT_EQ(readBytes(bodyPath(id)).empty(), c.text.empty());
            EXPECT_EQ(items(id, L"rowstates", L"image"),
                      c.icon ? std::vector<std::wstring>{L"0=red.png"} : std::vector<std::wstring>{});
        } else {
            const auto* empty = note_.last(kNoteMsgRichTextEmpty);
            ASSERT_NE(empty, nullptr);
            EXPECT_EQ(int(empty->wParam), id);
            // Nothing is written for a block that goes.
            EXPECT_FALSE(pathExists(xmlPath(id)));
            EXPECT_FALSE(pathExists(bodyPath(id)));
        }
        block->eraseStoredData();
        block.reset();
        EXPECT_FALSE(pathExists(xmlPath(id)));
        EXPECT_FALSE(pathExists(bodyPath(id)));
    }
}

// The block's scroll bars show only while it is edited and only for a content larger than what the
// block shows within the note.
TEST_F(RichChildTest, ScrollBarsShowWhileEditingAContentLargerThanTheBlock) {
    auto block = typed(L"short");
    auto shown = [&](TavNoteScrollBar& bar) { return IsWindowVisible(bar.handle()) != FALSE; };
    EXPECT_FALSE(shown(block->verticalBar()));
    EXPECT_FALSE(shown(block->horizontalBar()));
    // Many rows: taller than the note lets the block grow.
    std::wstring rows;
    for (int i = 0; i < 40; ++i) rows += L"行 " + std::to_wstring(i) + L"\r";
    block->insertText(rows);
    EXPECT_TRUE(shown(block->verticalBar()));
    EXPECT_FALSE(shown(block->horizontalBar()));
    // One long row: wider than the note.
    block->insertText(std::wstring(300, L'宽'));
    EXPECT_TRUE(shown(block->verticalBar()));
    EXPECT_TRUE(shown(block->horizontalBar()));
    // Typing on keeps them, leaving hides them, coming back shows them again.
    SendMessageW(block->handle(), WM_CHAR, L'x', 1);
    EXPECT_TRUE(shown(block->verticalBar()));
    EXPECT_TRUE(shown(block->horizontalBar()));
    clickNote();
    EXPECT_FALSE(shown(block->verticalBar()));
    EXPECT_FALSE(shown(block->horizontalBar()));
    block->activateAt(0, 0);
    EXPECT_TRUE(shown(block->verticalBar()));
    EXPECT_TRUE(shown(block->horizontalBar()));
    // Emptied, the block needs neither.
    block->doc().setSelection(TavTextPos{}, block->doc().endPos());
    SendMessageW(block->handle(), WM_CHAR, 8, 1);
    EXPECT_FALSE(shown(block->verticalBar()));
    EXPECT_FALSE(shown(block->horizontalBar()));
    clickNote();
    block->eraseStoredData();
}

TEST_F(RichChildTest, ItsOwnMenuKeepsTheBlockInEditModeAndAChosenCommandReactivatesIt) {
    auto block = typed(L"abc");
    block->setDialogs({[](TavRichEditNI&) { return 2; }, {}, {}, {}});
    auto* menu = new TavRichEditNIMenu(block->opacity(), L"");
    ASSERT_TRUE(menu->showAt(block->handle(), 300, 300));
    pump();
    EXPECT_EQ(note_.count(kNoteMsgRichTextEmpty) + note_.count(kNoteMsgContentChanged), 0);
    EXPECT_EQ(TavRichEditNI::activeBlock(), block.get());
    // "删除" answered with Cancel: the block stays and has the focus again.
    menu->runCommand(kCmdBlockDelete, 0);
    pump();
    EXPECT_EQ(TavWnd::focusedWindow(), block.get());
    EXPECT_EQ(note_.count(kNoteMsgRichTextEmpty), 0);
    EXPECT_EQ(block->doc().text(), L"abc");
    // Answered with OK: the block is emptied and reported.
    block->setDialogs({[](TavRichEditNI&) { return 1; }, {}, {}, {}});
    block->runCommand(kCmdBlockDelete);
    EXPECT_TRUE(waitFor([&] { return note_.count(kNoteMsgRichTextEmpty) == 1; }, 2000));
    EXPECT_EQ(int(note_.last(kNoteMsgRichTextEmpty)->wParam), block->objectId());
    EXPECT_TRUE(waitFor([&] { return TavWnd::findById(kCmdBlockIconMenu) == nullptr; }, 3000));
}

// --- row icons ---

TEST_F(RichChildTest, RowIconsFollowRemovedRowsAndAreSavedInRowOrder) {
    auto block = typed(L"a\rb\rc\rd\re\rf");
    ASSERT_EQ(block->doc().rowCount(), 6);
    const std::pair<int, const wchar_t*> icons[] = {{0, L"red.png"}, {2, L"blue.png"}, {5, L"green.png"}};
    for (const auto& [row, name] : icons) {
        block->moveCaretTo(row, 0, false);
        SendMessageW(block->handle(), kNoteMsgSetRowIcon, WPARAM(name), 0);
    }
    EXPECT_EQ(items(block->objectId(), L"rowstates", L"image"),
              (std::vector<std::wstring>{L"0=red.png", L"2=blue.png", L"5=green.png"}));
    // From the end of row 1 to the end of row 4: rows 2, 3 and 4 go, row 5 becomes row 2.
    select(*block, TavTextPos{4, 1}, TavTextPos{1, 1});
    sendKeyWith(block->handle(), VK_DELETE, false, false);
    ASSERT_EQ(block->doc().rowCount(), 3);
    EXPECT_EQ(block->doc().text(), L"a\rb\rf");
    const std::map<int, std::wstring> expected{{0, L"red.png"}, {2, L"green.png"}};
    EXPECT_EQ(block->rowIcons(), expected);
    // A new row above moves the icons below it down.
    block->moveCaretTo(0, 1, false);
    SendMessageW(block->handle(), WM_CHAR, L'\r', 1);
    const std::map<int, std::wstring> shifted{{0, L"red.png"}, {3, L"green.png"}};
    EXPECT_EQ(block->rowIcons(), shifted);
    clickNote();
    EXPECT_EQ(items(block->objectId(), L"rowstates", L"image"),
              (std::vector<std::wstring>{L"0=red.png", L"3=green.png"}));
}

TEST_F(RichChildTest, TheFirstIconWidensTheMarginAndTheLastOneNarrowsItAgain) {
    auto block = typed(L"one\rtwo\rthree");
    auto rowXs = [&] {
        std::vector<float> xs;
        for (int i = 0; i < block->doc().rowCount(); ++i) xs.push_back(block->doc().row(i)->xAt(0));
        return xs;
    };
    const std::vector<float> before = rowXs();
    EXPECT_EQ(block->leftMargin(), 7);
    block->moveCaretTo(1, 0, false);
    SendMessageW(block->handle(), kNoteMsgSetRowIcon, WPARAM(L"red.png"), 0);
    EXPECT_EQ(block->leftMargin(), 32);
    std::vector<float> after = rowXs();
    for (size_t i = 0; i < before.size(); ++i) EXPECT_FLOAT_EQ(after[i], before[i] + 25) << "row " << i;
    // A second icon changes nothing more; a row typed afterwards starts at the wide margin too.
    block->moveCaretTo(2, 5, false);
    SendMessageW(block->handle(), kNoteMsgSetRowIcon, WPARAM(L"blue.png"), 0);
    SendMessageW(block->handle(), WM_CHAR, L'\r', 1);
    EXPECT_FLOAT_EQ(block->doc().row(3)->xAt(0), before[0] + 25);
    // The icon is drawn at x = 7..27, bottom-aligned with its row.
    TavMemDC image = block->renderSelf();
    ASSERT_TRUE(image);
    const int bottom = block->doc().row(1)->bandBottom() - block->doc().scrollY();
    // The block grew with its rows: nothing is scrolled out of view.
    EXPECT_EQ(block->doc().scrollY(), 0);
    ASSERT_TRUE(bottom - 10 >= 0 && bottom - 10 < image.height());
    EXPECT_EQ(image.at(17, bottom - 10) & 0x00FFFFFF, 0x00FF0000u);
    EXPECT_EQ(image.at(3, bottom - 10) >> 24, 0u);
    // Removing both icons ("无" on each row) shifts the rows back.
    for (int row : {1, 2}) {
        block->moveCaretTo(row, 0, false);
        block->runCommand(kCmdIconNone);
    }
    EXPECT_TRUE(block->rowIcons().empty());
    EXPECT_EQ(block->leftMargin(), 7);
    after = rowXs();
    for (size_t i = 0; i < before.size(); ++i) EXPECT_FLOAT_EQ(after[i], before[i]) << "row " << i;
}

TEST_F(RichChildTest, ShiftEnterAsksForTheNextBlockBelowThisOne) {
    struct Case {
        const char* name;
        bool icon;
        int x; // the point's x: block left + left margin
    };
    const Case cases[] = {{"without icons", false, 47}, {"with an icon", true, 72}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        note_.received.clear();
        auto block = typed(L"x");
        if (c.icon) SendMessageW(block->handle(), kNoteMsgSetRowIcon, WPARAM(L"red.png"), 0);
        RECT r{};
        GetClientRect(block->handle(), &r);
        // Left 40, bottom 100 in the note.
        MoveWindow(block->handle(), 40, 100 - r.bottom, r.right, r.bottom, FALSE);
        sendKeyWith(block->handle(), VK_RETURN, true, false);
        SendMessageW(block->handle(), WM_CHAR, L'\r', 1); // the Enter's character makes no row
        pump();
        EXPECT_EQ(block->doc().rowCount(), 1);
        const auto* add = note_.last(kNoteMsgAddRichText);
        ASSERT_NE(add, nullptr);
        EXPECT_EQ(short(LOWORD(add->lParam)), c.x);
        EXPECT_EQ(short(HIWORD(add->lParam)), 110);
        // The note puts the new block's window at (x - its margin 7, y - 10).
        if (!c.icon) {
            EXPECT_EQ(short(LOWORD(add->lParam)) - 7, 40);
            EXPECT_EQ(short(HIWORD(add->lParam)) - 10, 100);
        }
        // The block was left: saved, not in edit mode.
        EXPECT_NE(TavRichEditNI::activeBlock(), block.get());
        EXPECT_EQ(element(block->objectId(), L"rtftext"), std::to_wstring(block->objectId()) + L"_rtf");
        block->eraseStoredData();
    }
}

// --- files ---

TEST_F(RichChildTest, LineHeightsComeBackInRowOrder) {
    auto block = typed(L"first\rsecond\rthird");
    block->changeLineSpacing(0, 0, 3);
    block->changeLineSpacing(2, 2, 9);
    const int id = block->objectId();
    clickNote();
    EXPECT_EQ(items(id, L"lineheight"), (std::vector<std::wstring>{L"10", L"7", L"16"}));
    block.reset();
    auto again = open(id);
    ASSERT_EQ(again->doc().rowCount(), 3);
    EXPECT_EQ(again->doc().row(0)->lineSpacing(), 10);
    EXPECT_EQ(again->doc().row(1)->lineSpacing(), 7);
    EXPECT_EQ(again->doc().row(2)->lineSpacing(), 16);
    EXPECT_EQ(again->doc().text(), L"first\rsecond\rthird");
}

TEST_F(RichChildTest, ChineseTextInAColorWithABoldWordRoundTripsThroughItsFiles) {
    const std::wstring text = L"你好世界 bold 再见";
    auto block = typed(text);
    select(*block, TavTextPos{0, 0}, TavTextPos{0, int(text.size())});
    block->setColor(0xFECC2200);
    select(*block, TavTextPos{0, 5}, TavTextPos{0, 9});
    block->toggleStyle(1);
    const int id = block->objectId();
    RECT placed{};
    GetWindowRect(block->handle(), &placed);
    MapWindowPoints(nullptr, note_.handle(), reinterpret_cast<POINT*>(&placed), 2);
    clickNote();
    EXPECT_EQ(note_.count(kNoteMsgContentChanged), 1);
    EXPECT_EQ(element(id, L"rtftext"), std::to_wstring(id) + L"_rtf");
    EXPECT_EQ(items(id, L"lineheight").size(), 1u);
    EXPECT_EQ(element(id, L"left"), std::to_wstring(placed.left));
    EXPECT_EQ(element(id, L"bottom"), std::to_wstring(placed.bottom));
    const std::string body = readBytes(bodyPath(id));
    ASSERT_EQ(body.rfind("{\\rtf", 0), 0u);
    block.reset();

    const FILETIME written = writeTime(bodyPath(id));
    note_.received.clear();
    auto again = open(id);
    ASSERT_EQ(again->doc().text(), text);
    RECT reopened{};
    GetWindowRect(again->handle(), &reopened);
    MapWindowPoints(nullptr, note_.handle(), reinterpret_cast<POINT*>(&reopened), 2);
    EXPECT_EQ(reopened.left, placed.left);
    EXPECT_EQ(reopened.top, placed.top);
    const std::vector<TavGlyph*> glyphs = again->doc().allGlyphs();
    for (size_t i = 0; i < glyphs.size(); ++i) {
        EXPECT_EQ(glyphs[i]->color() & 0x00FFFFFF, 0x00CC2200u) << i;
        const bool bold = (fontInfo(glyphs[i]->font()).style & 1) != 0;
        EXPECT_EQ(bold, i >= 5 && i < 9) << i;
    }
    // Opening, then entering and leaving without an edit, leaves the body as it was.
    again->activateAt(3, 3);
    clickNote();
    EXPECT_EQ(readBytes(bodyPath(id)), body);
    const FILETIME now = writeTime(bodyPath(id));
    EXPECT_EQ(CompareFileTime(&now, &written), 0);
    EXPECT_EQ(note_.count(kNoteMsgContentChanged), 0);
}

TEST_F(RichChildTest, HostileFilesOpenSafelyAndNothingOutsideTheNoteFolderIsTouched) {
    // A canary beside the note folder, where "..\x" would lead.
    const std::wstring parent = folder_.substr(0, folder_.find_last_of(L'\\', folder_.size() - 2) + 1);
    const std::wstring canary = parent + L"x";
    const std::string canaryBytes = "{\\rtf1 canary text}";
    ASSERT_TRUE(writeBytes(canary, canaryBytes));
    std::string manyHeights = "<lineheight>";
    for (int i = 0; i < 100000; ++i)
        manyHeights += i % 3 ? "<item>7</item>" : (i % 2 ? "<item>-5</item>" : "<item>99999999</item>");
    manyHeights += "</lineheight>";
    struct Case {
        const char* name;
        std::string inside; // elements of the root after `ID`
        int rows;
        std::wstring text;
    };
    const int id = 700001;
    const std::string ownBody = "<rtftext>700001_rtf</rtftext>";
    const Case cases[] = {
        {"a body name that climbs out", "<rtftext>..\\x</rtftext>", 1, L""},
        {"an absolute body name", "<rtftext>" + std::string("C:\\windows\\win.ini") + "</rtftext>", 1, L""},
        {"a missing body", ownBody, 1, L""},
        {"a body name that is the note's own file", "<rtftext>20261207043355123_07.xml</rtftext>", 1, L""},
        {"100000 line heights", ownBody + manyHeights, 1, L""},
        {"icon names with paths",
         ownBody + "<rowstates><item>0</item><item image=\"..\\..\\x\">0</item>"
                   "<item image=\"C:\\x.png\">0</item><item image=\"red.png\">-1</item>"
                   "<item image=\"red.png\">99999999999</item></rowstates>",
         1, L""},
        {"a rectangle far too large", "<left>0</left><top>0</top><right>99999999</right><bottom>5</bottom>",
         1, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<TavRichEditNI><ID>700001</ID>" + c.inside +
            "</TavRichEditNI>\r\n";
        ASSERT_TRUE(writeBytes(xmlPath(id), file));
        note_.received.clear();
        auto block = open(id);
        EXPECT_EQ(block->doc().rowCount(), c.rows);
        EXPECT_EQ(block->doc().text(), c.text);
        EXPECT_TRUE(block->rowIcons().empty());
        EXPECT_EQ(block->leftMargin(), 7);
        RECT r{};
        GetWindowRect(block->handle(), &r);
        EXPECT_LE(r.right - r.left, 400);
        for (int row = 0; row < block->doc().rowCount(); ++row)
            EXPECT_LE(block->doc().row(row)->lineSpacing(), 200);
        // Text typed and saved goes to the block's own body file, never where the file pointed.
        block->activateAt(0, 0);
        block->insertText(L"saved");
        clickNote();
        EXPECT_EQ(element(id, L"rtftext"), L"700001_rtf");
        EXPECT_FALSE(readBytes(bodyPath(id)).empty());
        block->eraseStoredData();
        EXPECT_FALSE(pathExists(xmlPath(id)));
        EXPECT_FALSE(pathExists(bodyPath(id)));
        EXPECT_EQ(readBytes(canary), canaryBytes);
        EXPECT_TRUE(pathExists(store_.GetFilePath()));
    }
    DeleteFileW(canary.c_str());
}

// --- formatting ---

TEST_F(RichChildTest, AColorOrFontChosenForASelectionIsUndoneByOneControlZ) {
    struct Case {
        const char* name;
        int command;
    };
    const Case cases[] = {{"color", kCmdBlockColor}, {"font", kCmdBlockFont}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        note_.received.clear();
        auto block = typed(L"abc def");
        TavRichEditNI::Dialogs dialogs;
        dialogs.chooseColor = [](TavRichEditNI&, COLORREF& color) {
            color = RGB(0, 128, 0);
            return true;
        };
        dialogs.chooseFont = [](TavRichEditNI&, std::wstring& face, float& size, int& style) {
            face = L"DejaVu Sans";
            size = 24;
            style = 1 | 2;
            return true;
        };
        block->setDialogs(dialogs);
        auto formats = [&] {
            std::vector<std::tuple<uint32_t, int, float>> out;
            for (TavGlyph* g : block->doc().allGlyphs()) {
                auto info = fontInfo(g->font());
                out.emplace_back(g->color(), info.style, info.size);
            }
            return out;
        };
        const auto before = formats();
        select(*block, TavTextPos{0, 0}, TavTextPos{0, 3});
        block->runCommand(c.command);
        const auto changed = formats();
        for (size_t i = 0; i < changed.size(); ++i) EXPECT_EQ(changed[i] != before[i], i < 3) << i;
        if (c.command == kCmdBlockColor) {
            EXPECT_EQ(std::get<0>(changed[0]) & 0x00FFFFFF, 0x00008000u);
            ASSERT_TRUE(waitFor([&] { return note_.count(kNoteMsgColorChanged) == 1; }, 2000));
            EXPECT_EQ(note_.last(kNoteMsgColorChanged)->wParam & 0x00FFFFFF, 0x00008000u);
        } else {
            EXPECT_EQ(std::get<1>(changed[0]), 3);
            EXPECT_FLOAT_EQ(std::get<2>(changed[0]), 24.0f);
        }
        sendKeyWith(block->handle(), 'Z', false, true);
        EXPECT_EQ(formats(), before);
        EXPECT_EQ(block->doc().text(), L"abc def");
        block->eraseStoredData();
    }
}

} // namespace
