// The plain text block of a note with real windows: its file written and read back, opacity and
// colour changes, the request to remove it when left empty, and damaged files.
#include "notewin_support.h"

#include "AppPaths.h"
#include "FileSystem.h"
#include "Settings.h"
#include "TavNoteItemEdit.h"
#include "TestPanel.h"
#include "XmlDocument.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace notewin;

namespace {

// Stands in for the note: the block's parent, recording what the block posts it.
class NoteRecorder : public TestPanel {
public:
    std::vector<std::pair<UINT, WPARAM>> received;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message >= kNoteMsgPlainTextEmpty && message <= kNoteMsgContentChanged)
            received.emplace_back(message, wParam);
        return TestPanel::windowProc(message, wParam, lParam);
    }
    bool got(UINT message, WPARAM wParam) const {
        for (auto& [m, w] : received)
            if (m == message && w == wParam) return true;
        return false;
    }
    size_t count(UINT message) const {
        size_t n = 0;
        for (auto& entry : received) n += entry.first == message;
        return n;
    }
};

constexpr wchar_t kUnique[] = L"20261210120000000_01";

class PlainBlockTest : public NoteWindowTest {
protected:
    void SetUp() override {
        NoteWindowTest::SetUp();
        prepareNote(kUnique, 4242, RECT{100, 100, 400, 340});
        note_ = std::make_unique<NoteRecorder>();
        ASSERT_TRUE(
            note_->create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 100, 100, 300, 240, nullptr));
        note_->show(SW_SHOWNA);
    }
    void TearDown() override {
        note_.reset();
        NoteWindowTest::TearDown();
    }
    std::unique_ptr<TavNoteItemEdit> open(int id, RECT rect = RECT{10, 10, 60, 30}) {
        auto block = std::make_unique<TavNoteItemEdit>(kUnique, L"");
        EXPECT_TRUE(block->createInNote(note_->handle(), id, rect));
        pump();
        return block;
    }
    static std::wstring childPath(int id) {
        return noteItemsDirectory() + kUnique + L"\\" + std::to_wstring(id) + L".xml";
    }
    static std::wstring element(int id, const wchar_t* name) {
        XmlDocument doc;
        if (!doc.loadFile(childPath(id)) || !doc.findElement(L"TavNoteItemEdit") || !doc.intoElement())
            return L"<no file>";
        return doc.findElement(name) ? doc.getData() : L"<missing>";
    }
    static RECT placeOf(const TavWnd& w) {
        RECT r{};
        GetWindowRect(w.handle(), &r);
        MapWindowPoints(nullptr, GetParent(w.handle()), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    std::unique_ptr<NoteRecorder> note_;
};

} // namespace

TEST_F(PlainBlockTest, ItsFileRoundTripsTextFontColourAndRectangle) {
    auto block = open(0, RECT{20, 30, 60, 50});
    const int id = block->objectId();
    block->setText(L"第一行\n  second line\t!");
    TavEditFont font{L"Tahoma", 17.5f, 1 | 2, Gdiplus::UnitPixel};
    block->applyFont(font);
    block->applyColor(0x80123456u);
    const RECT written = placeOf(*block);
    EXPECT_EQ(written.left, 20);
    EXPECT_EQ(written.top, 30);
    // The block grew with its two lines.
    EXPECT_GE(written.bottom - written.top, 2 * block->lineHeight());
    EXPECT_EQ(element(id, L"ID"), std::to_wstring(id));
    EXPECT_EQ(element(id, L"fontemsize"), L"17.5");
    EXPECT_EQ(element(id, L"color"), std::to_wstring(int(0x80123456)));
    EXPECT_EQ(element(id, L"right"), std::to_wstring(written.right));
    block.reset();
    pump();

    auto again = open(id, RECT{0, 0, 5, 5});
    EXPECT_EQ(again->text(), L"第一行\n  second line\t!");
    EXPECT_EQ(again->font(), font);
    EXPECT_EQ(again->color(), 0x80123456u);
    const RECT read = placeOf(*again);
    EXPECT_TRUE(EqualRect(&read, &written))
        << read.left << "," << read.top << "," << read.right << "," << read.bottom;
}

TEST_F(PlainBlockTest, OpacityReplacesOnlyTheAlphaByteOfTheColour) {
    struct Case {
        uint32_t color;
        int opacity;
        uint32_t expected;
    };
    const Case cases[] = {
        {0xFFFFFFFFu, 128, 0x80FFFFFFu},
        {0x80123456u, 255, 0xFF123456u},
        {0x80123456u, 200, 0xC8123456u},
        {0xFF000000u, 51, 0x33000000u},
        // Below the floor the text would vanish: it stays at the lowest note opacity.
        {0xFFABCDEFu, 3, 0x33ABCDEFu},
    };
    auto block = open(0);
    const int id = block->objectId();
    block->setText(L"透明");
    for (const Case& c : cases) {
        block->applyColor(c.color);
        note_->received.clear();
        SendMessageW(block->handle(), kNoteMsgAlphaChanged, 0, LPARAM(c.opacity));
        pump();
        EXPECT_EQ(block->color(), c.expected) << std::hex << c.color;
        EXPECT_EQ(element(id, L"color"), std::to_wstring(static_cast<int>(c.expected)))
            << std::hex << c.color;
        EXPECT_EQ(block->verticalBar().color(), c.expected);
        EXPECT_EQ(block->horizontalBar().color(), c.expected);
        EXPECT_TRUE(note_->got(kNoteMsgColorChanged, WPARAM(c.expected))) << std::hex << c.color;
    }
    // The caret takes the colour too.
    block->takeFocus();
    SendMessageW(block->handle(), kNoteMsgAlphaChanged, 0, LPARAM(100));
    ASSERT_NE(block->caretWindow(), nullptr);
    EXPECT_EQ(block->caretWindow()->color(), 0x64ABCDEFu);
}

TEST_F(PlainBlockTest, TheColourCommandKeepsTheAlphaAndSavesCustomColours) {
    auto block = open(0);
    block->setText(L"色");
    block->applyColor(0x90000000u);
    block->setDialogs({nullptr, [](TavNoteItemEdit&, uint32_t& argb, std::array<COLORREF, 16>& custom) {
                           argb = 0x00112233u;
                           custom[0] = RGB(1, 2, 3);
                           return true;
                       }});
    SendMessageW(block->handle(), kTavMsgCommand, kCmdBlockColor, 0);
    EXPECT_EQ(block->color(), 0x90112233u);
    EXPECT_EQ(settings().customColors[0], RGB(1, 2, 3));
    TavSettings read;
    EXPECT_TRUE(readCustomColors(dataDirectory() + L"customcolor.xml", read));
    EXPECT_EQ(read.customColors[0], RGB(1, 2, 3));
    settings().customColors[0] = 0;
}

TEST_F(PlainBlockTest, AnEmptiedBlockAsksTheNoteToRemoveItButNotForItsOwnMenu) {
    auto block = open(0);
    const int id = block->objectId();
    block->takeFocus();
    SendMessageW(block->handle(), WM_CHAR, L'a', 1);
    EXPECT_EQ(element(id, L"text"), L"a");
    SendMessageW(block->handle(), WM_CHAR, L'\b', 1);
    EXPECT_EQ(element(id, L"text"), L"");
    pump();
    EXPECT_GE(note_->count(kNoteMsgContentChanged), 2u);

    // The focus going to the block's own menu keeps it (and its caret).
    auto* menu = new TavNoteItemEditMenu(255);
    ASSERT_TRUE(menu->build(L"子标签编辑控件窗口菜单", block->handle()));
    block->loseFocus(menu);
    pump();
    EXPECT_EQ(note_->count(kNoteMsgPlainTextEmpty), 0u);
    EXPECT_NE(block->caretWindow(), nullptr);
    delete menu;

    block->takeFocus();
    block->loseFocus(nullptr);
    pump();
    EXPECT_TRUE(note_->got(kNoteMsgPlainTextEmpty, WPARAM(id)));
    EXPECT_EQ(block->caretWindow(), nullptr);

    // A block with text stays.
    note_->received.clear();
    block->takeFocus();
    SendMessageW(block->handle(), WM_CHAR, L'b', 1);
    block->loseFocus(nullptr);
    pump();
    EXPECT_EQ(note_->count(kNoteMsgPlainTextEmpty), 0u);

    // "删除" empties it and asks at once.
    SendMessageW(block->handle(), kTavMsgCommand, kCmdBlockDelete, 0);
    pump();
    EXPECT_TRUE(note_->got(kNoteMsgPlainTextEmpty, WPARAM(id)));
    EXPECT_EQ(block->text(), L"");
}

TEST_F(PlainBlockTest, DamagedFilesOpenWithSafeDefaultsAndAreKept) {
    struct Case {
        const char* what;
        std::wstring size, unit, style, color, left;
        size_t textLength;
    };
    const Case cases[] = {
        {"huge size", L"1e30", L"2", L"1", L"-16777216", L"10", 5},
        {"negative size and unit", L"-12.0", L"-7", L"-1", L"zz", L"abc", 5},
        {"not a number", L"nan", L"2", L"99999999999999999999", L"12x", L"10", 5},
        {"a size in inches too tall for a note", L"40.0", L"4", L"0", L"0", L"10", 5},
        {"a megabyte of text", L"13.0", L"2", L"0", L"-16777216", L"10", 1 << 20},
    };
    int id = 7000;
    for (const Case& c : cases) {
        ++id;
        std::string text(c.textLength, 'x');
        std::string xml = "<TavNoteItemEdit><ID>" + std::to_string(id) + "</ID><left>" +
                          std::string(c.left.begin(), c.left.end()) +
                          "</left><top>10</top><right>999999999999</right><bottom>40</bottom><text>" + text +
                          "</text><fontfamilyname>" + std::string(40, 'F') + "</fontfamilyname><fontemsize>" +
                          std::string(c.size.begin(), c.size.end()) + "</fontemsize><fontstyle>" +
                          std::string(c.style.begin(), c.style.end()) + "</fontstyle><fontunit>" +
                          std::string(c.unit.begin(), c.unit.end()) + "</fontunit><color>" +
                          std::string(c.color.begin(), c.color.end()) + "</color></TavNoteItemEdit>";
        {
            std::ofstream out(std::filesystem::path(childPath(id)), std::ios::binary);
            out << xml;
        }
        auto block = open(id, RECT{15, 25, 60, 45});
        EXPECT_EQ(block->font().size, 13.0f) << c.what;
        EXPECT_EQ(block->font().unit, int(Gdiplus::UnitPixel)) << c.what;
        EXPECT_GE(block->font().style, 0) << c.what;
        EXPECT_LE(block->font().style, 15) << c.what;
        EXPECT_EQ(block->font().family, settings().defaultFontFace) << c.what;
        EXPECT_GE(block->color() >> 24, uint32_t(kMinNoteOpacity)) << c.what;
        EXPECT_EQ(block->text().size(), std::min<size_t>(c.textLength, TavEdit::kMaxLength)) << c.what;
        // The stored rectangle is no rectangle (its right edge is far off): the given one stays.
        const RECT r = placeOf(*block);
        EXPECT_EQ(r.left, 15) << c.what;
        EXPECT_EQ(r.top, 25) << c.what;
        EXPECT_GT(block->lineHeight(), 0) << c.what;
        if (c.textLength > TavEdit::kMaxLength) {
            // The cut text is written back only after the whole file was kept.
            SendMessageW(block->handle(), WM_CHAR, L'\b', 1);
            EXPECT_TRUE(fileExists(childPath(id) + L".bad")) << c.what;
            EXPECT_EQ(element(id, L"text").size(), TavEdit::kMaxLength - 1) << c.what;
        }
    }
    // A file that is no XML at all is kept beside the one that replaces it.
    ++id;
    {
        std::ofstream out(std::filesystem::path(childPath(id)), std::ios::binary);
        out << "<TavNoteItemEdit><text>half";
    }
    auto block = open(id);
    EXPECT_EQ(block->text(), L"");
    block->setText(L"new");
    EXPECT_TRUE(fileExists(childPath(id) + L".bad"));
    EXPECT_EQ(element(id, L"text"), L"new");
}

TEST_F(PlainBlockTest, ErasingRemovesOnlyItsOwnFileInsideTheNoteFolder) {
    auto block = open(0);
    block->setText(L"x");
    const int id = block->objectId();
    ASSERT_TRUE(fileExists(childPath(id)));
    block->eraseStoredData();
    EXPECT_FALSE(fileExists(childPath(id)));

    // A note name that leads out of the note folders names no file: the canary one level up stays.
    const std::wstring canary = dataDirectory() + L"7777.xml";
    {
        std::ofstream out(std::filesystem::path(canary), std::ios::binary);
        out << "canary";
    }
    for (const wchar_t* unique : {L"..", L"", L"..\\NoteItems", L"a\\..\\.."}) {
        TavNoteItemEdit hostile(unique, L"");
        ASSERT_TRUE(hostile.createInNote(note_->handle(), 7777, RECT{0, 0, 40, 20}));
        hostile.setText(L"y");
        hostile.eraseStoredData();
        EXPECT_TRUE(fileExists(canary)) << std::string(unique, unique + wcslen(unique));
    }
    std::ifstream in(std::filesystem::path{canary});
    std::string content;
    in >> content;
    EXPECT_EQ(content, "canary");
}
