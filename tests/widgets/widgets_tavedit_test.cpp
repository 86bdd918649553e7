// The plain text field in a real window: editing keys and characters, undo by action, the
// clipboard in single- and multi-line mode, hit testing by bisection and the drawn text.
#include "widgets_support.h"

#include "Clipboard.h"
#include "TavEdit.h"
#include "TestPanel.h"

#include <cmath>
#include <memory>

using namespace widgettest;

namespace {

struct Field {
    std::unique_ptr<TestPanel> panel = std::make_unique<TestPanel>();
    std::unique_ptr<TavEdit> edit = std::make_unique<TavEdit>();
    explicit Field(int width = 240, int height = 120) {
        EXPECT_TRUE(
            panel->create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 100, 100, 320, 200, nullptr));
        panel->show(SW_SHOWNA);
        EXPECT_TRUE(edit->create(0, L"", 0, WS_CHILD | WS_VISIBLE, 20, 20, width, height, panel->handle()));
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

std::wstring clipboardText() {
    if (!OpenClipboard(nullptr)) return L"<no clipboard>";
    std::wstring text = openClipboardText();
    CloseClipboard();
    return text;
}

// An input step: a key (with or without Control), typed characters or a clipboard text.
struct Step {
    enum Kind { Key, ControlKey, Type, Clipboard } kind;
    WPARAM key = 0;
    std::wstring text;
};
Step key(WPARAM vk) { return Step{Step::Key, vk, L""}; }
Step ctrl(WPARAM vk) { return Step{Step::ControlKey, vk, L""}; }
Step type(std::wstring text) { return Step{Step::Type, 0, std::move(text)}; }
Step clip(std::wstring text) { return Step{Step::Clipboard, 0, std::move(text)}; }

} // namespace

TEST(TavEdit, EditingKeysCharactersAndUndo) {
    struct Case {
        const char* what;
        bool multiLine;
        std::wstring start; // caret at its end
        std::vector<Step> steps;
        std::wstring expected;
        size_t caret;
        bool selection;
    };
    const Case cases[] = {
        {"single-line paste drops the line feed",
         false,
         L"",
         {clip(L"第一行\r\n第二行"), ctrl('V')},
         L"第一行第二行",
         6,
         false},
        {"multi-line paste keeps one line feed",
         true,
         L"",
         {clip(L"a\r\nb\rc"), ctrl('V')},
         L"a\nb\nc",
         5,
         false},
        {"paste replaces the selection as one step",
         true,
         L"old",
         {clip(L"new"), ctrl('A'), ctrl('V'), ctrl('Z')},
         L"old",
         3,
         false},
        {"backspace at position 0 changes nothing",
         true,
         L"ab",
         {key(VK_HOME), type(L"\b")},
         L"ab",
         0,
         false},
        {"Control+A on an empty field selects nothing", true, L"", {ctrl('A')}, L"", 0, false},
        {"Control+A selects everything", true, L"abc", {ctrl('a')}, L"abc", 3, true},
        {"two characters and one undo remove only the second",
         true,
         L"",
         {type(L"xy"), ctrl('Z')},
         L"x",
         1,
         false},
        {"redo puts it back", true, L"", {type(L"xy"), ctrl('Z'), ctrl('y')}, L"xy", 2, false},
        {"a new edit after undo gives up the redo",
         true,
         L"",
         {type(L"xy"), ctrl('Z'), type(L"z"), ctrl('Y')},
         L"xz",
         2,
         false},
        {"enter inserts a line feed",
         true,
         L"ab",
         {key(VK_LEFT), key(VK_RETURN), type(L"\r")},
         L"a\nb",
         2,
         false},
        {"enter is refused in single-line mode",
         false,
         L"ab",
         {key(VK_RETURN), type(L"\n")},
         L"ab",
         2,
         false},
        {"typed line feed and escape characters only beep",
         true,
         L"a",
         {type(L"\n"), type(std::wstring(1, 27))},
         L"a",
         1,
         false},
        {"delete removes the character after the caret",
         true,
         L"abc",
         {key(VK_HOME), key(VK_DELETE)},
         L"bc",
         0,
         false},
        {"a surrogate pair is one character",
         true,
         L"x",
         {type(L"\U0001F600"), key(VK_LEFT), key(VK_DELETE)},
         L"x",
         1,
         false},
        {"home and end stay on the caret's line",
         true,
         L"ab\ncd",
         {key(VK_HOME), type(L"1"), key(VK_END)},
         L"ab\n1cd",
         6,
         false},
        {"up goes to the line above", true, L"abc\nd", {key(VK_UP), type(L"|")}, L"a|bc\nd", 2, false},
        {"down at the last line stays", true, L"abc\nd", {key(VK_DOWN)}, L"abc\nd", 5, false},
        {"cut removes the selection as one step",
         true,
         L"abc",
         {ctrl('A'), ctrl('X'), ctrl('Z')},
         L"abc",
         3,
         false},
    };
    for (const Case& c : cases) {
        Field f;
        f.edit->setMultiLine(c.multiLine);
        f.edit->setText(c.start);
        for (const Step& s : c.steps) {
            switch (s.kind) {
            case Step::Key:
                f.key(s.key);
                break;
            case Step::ControlKey:
                f.key(s.key, true);
                break;
            case Step::Type:
                f.type(s.text);
                break;
            case Step::Clipboard:
                setClipboardText(s.text);
                break;
            }
        }
        EXPECT_EQ(f.edit->text(), c.expected) << c.what;
        EXPECT_EQ(f.edit->caret(), c.caret) << c.what;
        EXPECT_EQ(f.edit->hasSelection(), c.selection) << c.what;
    }
}

TEST(TavEdit, CopyGivesOtherProgramsCrLfAndCutIsUndoable) {
    Field f;
    f.edit->setText(L"工作\n笔记");
    f.key('A', true);
    f.key('C', true);
    EXPECT_EQ(clipboardText(), L"工作\r\n笔记");
    // Nothing selected: the clipboard is left alone.
    f.key(VK_END);
    setClipboardText(L"kept");
    f.key('C', true);
    EXPECT_EQ(clipboardText(), L"kept");
}

TEST(TavEdit, HitTestFindsTheCharacterUnderThePointOnALongLine) {
    Field f(160, 40);
    f.edit->setMultiLine(false);
    std::wstring line;
    for (int i = 0; i < 400; ++i) line += wchar_t(L'a' + i % 26);
    f.edit->setText(line);
    // The caret at the end scrolled the long line sideways.
    EXPECT_GT(f.edit->scrollX(), 0);
    f.key(VK_HOME);
    EXPECT_EQ(f.edit->scrollX(), 0);
    for (size_t index : {size_t(0), size_t(1), size_t(7), size_t(12), size_t(17)}) {
        const RECT r = f.edit->characterRect(index);
        ASSERT_GT(r.right, r.left) << index;
        const int y = (r.top + r.bottom) / 2;
        const long before = f.edit->measureCount();
        EXPECT_EQ(f.edit->hitTestIndex(r.left + 1, y), index) << "left part of " << index;
        // Bisection: about log2(401) measurements for one point, not one per character.
        EXPECT_LE(f.edit->measureCount() - before, 10) << index;
        EXPECT_EQ(f.edit->hitTestIndex(r.right - 1, y), index + 1) << "right part of " << index;
    }
    // Points left of the text and far right of the field clamp to the line's ends.
    EXPECT_EQ(f.edit->hitTestIndex(-50, 10), 0u);
    EXPECT_EQ(f.edit->hitTestIndex(100000, 10), line.size());
    // A click lands the caret there; the characters keep their order on the screen.
    const RECT third = f.edit->characterRect(3);
    SendMessageW(f.edit->handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(third.left + 1, third.top + 2));
    SendMessageW(f.edit->handle(), WM_LBUTTONUP, 0, MAKELPARAM(third.left + 1, third.top + 2));
    EXPECT_EQ(f.edit->caret(), 3u);
    EXPECT_LT(f.edit->characterRect(3).left, f.edit->characterRect(4).left);
}

TEST(TavEdit, DrawsItsTextItsSelectionAndItsBorder) {
    Field f(200, 60);
    auto inkIn = [](const TavMemDC& dc, int x0, int x1) {
        int ink = 0;
        for (int y = 0; y < dc.height(); ++y)
            for (int x = x0; x < x1; ++x) ink += (dc.at(x, y) >> 24) != 0;
        return ink;
    };
    {
        TavMemDC empty = f.edit->renderSelf();
        ASSERT_TRUE(empty.ok());
        EXPECT_EQ(inkIn(empty, 0, empty.width()), 0);
    }
    f.edit->setText(L"工作 notes");
    TavMemDC drawn = f.edit->renderSelf();
    ASSERT_TRUE(drawn.ok());
    const RECT end = f.edit->characterRect(f.edit->text().size());
    EXPECT_GT(inkIn(drawn, TavEdit::kMarginLeft, end.left), 20);
    // Nothing in the left margin and nothing right of the text.
    EXPECT_EQ(inkIn(drawn, 0, TavEdit::kMarginLeft - 1), 0);
    EXPECT_EQ(inkIn(drawn, end.left + 3, drawn.width()), 0);

    f.key('A', true);
    TavMemDC selected = f.edit->renderSelf();
    const RECT first = f.edit->characterRect(0);
    const uint32_t gap = selected.at(first.left + 1, first.top + 1);
    EXPECT_EQ(gap >> 24, 0xFFu) << "the selection fills the character cells";

    f.edit->setBorder(true);
    f.edit->setText(L"");
    TavMemDC framed = f.edit->renderSelf();
    EXPECT_EQ(framed.at(TavEdit::kBorderInset, 30), premultiply(f.edit->color()));
    EXPECT_EQ(framed.at(TavEdit::kBorderInset - 1, 30) >> 24, 0u);
}
