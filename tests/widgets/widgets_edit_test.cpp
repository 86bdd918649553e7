// The name field in a real window: typing and editing keys, selection, undo, paste and the
// length limit, driven by the messages a keyboard and the clipboard produce.
#include "widgets_support.h"

#include "Settings.h"
#include "TavNoteEdit.h"
#include "TestPanel.h"

#include <memory>

using namespace widgettest;

namespace {

struct Field {
    std::unique_ptr<TestPanel> panel = std::make_unique<TestPanel>();
    std::unique_ptr<TavNoteEdit> edit = std::make_unique<TavNoteEdit>();
    Field() {
        EXPECT_TRUE(
            panel->create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 100, 100, 300, 120, nullptr));
        panel->show(SW_SHOWNA);
        EXPECT_TRUE(edit->create(20012, L"", 0, WS_CHILD | WS_VISIBLE, 32, 44, 232, 27, panel->handle()));
        edit->takeFocus();
        pump();
    }
    ~Field() {
        edit.reset();
        panel.reset();
        pump();
    }
    void type(const std::wstring& text) {
        for (wchar_t ch : text) SendMessageW(edit->handle(), WM_CHAR, ch, 1);
    }
    void key(WPARAM vk, bool control = false) { sendKey(edit->handle(), vk, control); }
};

} // namespace

TEST(NoteEdit, TypingAndEditingKeys) {
    struct Case {
        const char* what;
        std::wstring start;                         // set with setText (caret at the end)
        std::vector<std::pair<int, wchar_t>> input; // {key, 0} for keys, {0, ch} for characters
        std::wstring expected;
        size_t caret;
    };
    const Case cases[] = {
        {"typing appends", L"", {{0, L'工'}, {0, L'作'}}, L"工作", 2},
        {"backspace at the start changes nothing", L"ab", {{VK_HOME, 0}, {0, L'\b'}}, L"ab", 0},
        {"backspace removes before the caret", L"abc", {{VK_LEFT, 0}, {0, L'\b'}}, L"ac", 1},
        {"delete removes after the caret", L"abc", {{VK_HOME, 0}, {VK_DELETE, 0}}, L"bc", 0},
        {"insert in the middle", L"ac", {{VK_LEFT, 0}, {0, L'b'}}, L"abc", 2},
        {"enter and other control characters are not typed",
         L"a",
         {{VK_RETURN, 0}, {0, L'\r'}, {0, L'\n'}, {0, 27}, {0, L'\t'}},
         L"a",
         1},
        {"backspace removes a whole surrogate pair", L"x\U0001F600", {{0, L'\b'}}, L"x", 1},
        {"left and right stop at the ends", L"ab", {{VK_RIGHT, 0}, {VK_HOME, 0}, {VK_LEFT, 0}}, L"ab", 0},
    };
    Field f;
    for (const Case& c : cases) {
        f.edit->setText(c.start);
        for (auto [key, ch] : c.input) {
            if (key)
                f.key(WPARAM(key));
            else
                f.type(std::wstring(1, ch));
        }
        EXPECT_EQ(f.edit->text(), c.expected) << c.what;
        EXPECT_EQ(f.edit->caret(), c.caret) << c.what;
        EXPECT_EQ(f.edit->doc().rowCount(), 1) << c.what;
    }
}

TEST(NoteEdit, SelectAllUndoAndRedo) {
    Field f;
    f.edit->setText(L"旧名字");
    // setText is not undoable: the first Control+Z has nothing to undo.
    f.key('Z', true);
    EXPECT_EQ(f.edit->text(), L"旧名字");
    f.key('A', true);
    EXPECT_TRUE(f.edit->hasSelection());
    f.type(L"新");
    EXPECT_EQ(f.edit->text(), L"新");
    f.type(L"名");
    f.key('Z', true);
    EXPECT_EQ(f.edit->text(), L"新");
    f.key('Y', true);
    EXPECT_EQ(f.edit->text(), L"新名");
    // Styles belong to notes, not to names.
    f.key('A', true);
    f.key('B', true);
    for (TavGlyph* g : f.edit->doc().allGlyphs()) EXPECT_EQ(fontInfo(g->font()).style & 1, 0);

    f.key('A', true);
    f.type(L"\b");
    EXPECT_EQ(f.edit->text(), L"");
    // Control+A on an empty field selects nothing.
    f.key('A', true);
    EXPECT_FALSE(f.edit->hasSelection());
}

TEST(NoteEdit, PastedLinesBecomeOneLineAndTheLengthLimitHolds) {
    Field f;
    f.edit->setText(L"第一行\r\n第二行\t!");
    EXPECT_EQ(f.edit->text(), L"第一行第二行!");
    EXPECT_EQ(f.edit->caret(), f.edit->text().size());

    f.edit->setText(L"");
    setClipboardText(L"工作\r\n笔记\n");
    f.key('V', true);
    EXPECT_EQ(f.edit->text(), L"工作笔记");
    EXPECT_EQ(f.edit->doc().rowCount(), 1);
    SendMessageW(f.edit->handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(f.edit->text(), L"工作笔记工作笔记");
    // One paste is one undo step.
    f.key('Z', true);
    EXPECT_EQ(f.edit->text(), L"工作笔记");

    f.edit->setText(std::wstring(TavNoteEdit::kMaxLength + 50, L'名'));
    EXPECT_EQ(f.edit->text().size(), TavNoteEdit::kMaxLength);
    f.type(L"x");
    EXPECT_EQ(f.edit->text().size(), TavNoteEdit::kMaxLength);
    // With the whole text selected, typing replaces it.
    f.key('A', true);
    f.type(L"x");
    EXPECT_EQ(f.edit->text(), L"x");

    // A pasted piece that would cross the limit in the middle of a surrogate pair stops before it.
    f.edit->setText(std::wstring(TavNoteEdit::kMaxLength - 1, L'a'));
    setClipboardText(L"\U0001F600");
    f.key('V', true);
    EXPECT_EQ(f.edit->text().size(), TavNoteEdit::kMaxLength - 1);
}

TEST(NoteEdit, FieldIsWhiteWithTheAccentFrameWhileFocused) {
    Field f;
    f.edit->setText(L"名字");
    TavMemDC image = f.edit->renderSelf();
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.at(200, 13), 0xFFFFFFFFu); // right of the text
    EXPECT_EQ(image.at(0, 13) | 0xFF000000u, (settings().borderMenuColor | 0xFF000000u));
    // Some ink of the text left of the middle.
    bool ink = false;
    for (int x = 7; x < 40 && !ink; ++x)
        for (int y = 3; y < 24 && !ink; ++y) ink = image.at(x, y) != 0xFFFFFFFFu;
    EXPECT_TRUE(ink);
}
