// The name field's editing rules, without a window.
#include <gtest/gtest.h>

#include "TavNoteEdit.h"

namespace {

void typeAll(TavNoteEdit& e, const std::wstring& text) {
    for (wchar_t ch : text) e.typeCharacter(ch);
}

} // namespace

TEST(NoteEdit, TypingAndEditingKeys) {
    struct Case {
        const char* what;
        std::wstring start;   // set with setText (caret at the end)
        std::vector<std::pair<int, wchar_t>> input;   // {key, 0} for keys, {0, ch} for characters
        std::wstring expected;
        size_t caret;
    };
    const Case cases[] = {
        {"typing appends", L"", {{0, L'工'}, {0, L'作'}}, L"工作", 2},
        {"backspace at the start changes nothing", L"ab", {{VK_HOME, 0}, {0, L'\b'}}, L"ab", 0},
        {"backspace removes before the caret", L"abc", {{VK_LEFT, 0}, {0, L'\b'}}, L"ac", 1},
        {"delete removes after the caret", L"abc", {{VK_HOME, 0}, {VK_DELETE, 0}}, L"bc", 0},
        {"insert in the middle", L"ac", {{VK_LEFT, 0}, {0, L'b'}}, L"abc", 2},
        {"control characters are not typed", L"a", {{0, L'\r'}, {0, L'\n'}, {0, 27}, {0, L'\t'}}, L"a", 1},
        {"a surrogate pair goes as one character", L"x\U0001F600",
         {{VK_LEFT, 0}, {VK_DELETE, 0}}, L"x", 1},
        {"backspace removes a whole surrogate pair", L"x\U0001F600", {{0, L'\b'}}, L"x", 1},
        {"left and right stop at the ends", L"ab", {{VK_RIGHT, 0}, {VK_HOME, 0}, {VK_LEFT, 0}}, L"ab", 0},
    };
    for (const Case& c : cases) {
        TavNoteEdit e;
        e.setText(c.start);
        for (auto [key, ch] : c.input) {
            if (key)
                e.pressKey(WPARAM(key), false);
            else
                e.typeCharacter(ch);
        }
        EXPECT_EQ(e.text(), c.expected) << c.what;
        EXPECT_EQ(e.caret(), c.caret) << c.what;
    }
}

TEST(NoteEdit, SelectAllIsReplacedOrRemoved) {
    TavNoteEdit e;
    e.setText(L"旧名字");
    e.pressKey('A', true);
    EXPECT_TRUE(e.allSelected());
    typeAll(e, L"新");
    EXPECT_EQ(e.text(), L"新");

    e.pressKey('A', true);
    e.typeCharacter(L'\b');
    EXPECT_EQ(e.text(), L"");
    // Control+A on an empty field selects nothing.
    e.pressKey('A', true);
    EXPECT_FALSE(e.allSelected());
}

TEST(NoteEdit, SetTextKeepsOneLineAndTheLengthLimit) {
    TavNoteEdit e;
    e.setText(L"第一行\r\n第二行\t!");
    EXPECT_EQ(e.text(), L"第一行第二行!");
    EXPECT_EQ(e.caret(), e.text().size());

    e.setText(std::wstring(TavNoteEdit::kMaxLength + 50, L'名'));
    EXPECT_EQ(e.text().size(), TavNoteEdit::kMaxLength);
    e.typeCharacter(L'x');
    EXPECT_EQ(e.text().size(), TavNoteEdit::kMaxLength);

    // A pasted piece that would cross the limit in the middle of a surrogate pair stops before it.
    e.setText(std::wstring(TavNoteEdit::kMaxLength - 1, L'a'));
    e.insertText(L"\U0001F600");
    EXPECT_EQ(e.text().size(), TavNoteEdit::kMaxLength - 1);
}
