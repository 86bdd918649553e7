// The reminder editor's decisions without a window: drop-down entries and texts, the label a
// click adds, the add panel's buttons and the close question.
#include <gtest/gtest.h>

#include "PromptEditorLogic.h"

namespace {

struct EntriesCase {
    const char* name;
    ReminderLabelKind kind;
    size_t count;
    const wchar_t* first;
    const wchar_t* last;
};

} // namespace

TEST(PromptEditorLogic, DropDownListsOfferTheKindsRange) {
    const EntriesCase cases[] = {
        {"minute", ReminderLabelKind::Minute, 60, L"0", L"59"},
        {"hour", ReminderLabelKind::Hour, 24, L"0", L"23"},
        {"day", ReminderLabelKind::Day, 31, L"1", L"31"},
        {"month", ReminderLabelKind::Month, 12, L"1", L"12"},
        {"year: 100 years from this one", ReminderLabelKind::Year, 100, L"2026", L"2125"},
        {"weekday has no list", ReminderLabelKind::Weekday, 0, L"", L""},
    };
    for (const EntriesCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::wstring> entries = promptDropDownEntries(c.kind, 2026);
        ASSERT_EQ(entries.size(), c.count);
        if (c.count == 0) continue;
        EXPECT_EQ(entries.front(), c.first);
        EXPECT_EQ(entries.back(), c.last);
    }
}

TEST(PromptEditorLogic, AChosenEntryBecomesTheTextAndAClickAddsItsValue) {
    struct Case {
        const char* name;
        ReminderLabelKind kind;
        const wchar_t* entry;
        const wchar_t* text;
        int value;
    };
    const Case cases[] = {
        {"minute 5", ReminderLabelKind::Minute, L"5", L"5分", 5},
        {"hour 0", ReminderLabelKind::Hour, L"0", L"0时", 0},
        {"day 31", ReminderLabelKind::Day, L"31", L"31日", 31},
        {"month 12", ReminderLabelKind::Month, L"12", L"12月", 12},
        {"year", ReminderLabelKind::Year, L"2030", L"2030年", 2030},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring text = promptDropDownText(c.kind, c.entry);
        EXPECT_EQ(text, c.text);
        ReminderLabel label;
        ASSERT_TRUE(promptLabelFromDropDown(c.kind, text, label));
        EXPECT_EQ(label.kind, c.kind);
        EXPECT_EQ(label.text, c.text);
        EXPECT_EQ(label.value, c.value);
    }
}

TEST(PromptEditorLogic, TextsThatAreNoValueOfTheKindAddNothing) {
    struct Case {
        const char* name;
        ReminderLabelKind kind;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"empty", ReminderLabelKind::Minute, L""},
        {"suffix only", ReminderLabelKind::Minute, L"分"},
        {"wrong suffix", ReminderLabelKind::Minute, L"5时"},
        {"minute 60", ReminderLabelKind::Minute, L"60分"},
        {"day 0", ReminderLabelKind::Day, L"0日"},
        {"sign", ReminderLabelKind::Hour, L"-1时"},
        {"huge", ReminderLabelKind::Year, L"99999999999年"},
        {"weekday is no drop-down", ReminderLabelKind::Weekday, L"周一"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReminderLabel label;
        EXPECT_FALSE(promptLabelFromDropDown(c.kind, c.text, label));
    }
}

TEST(PromptEditorLogic, TheAddPanelsButtonsAndTheirValues) {
    SYSTEMTIME now{};
    now.wYear = 2026;
    now.wMonth = 12;
    now.wDay = 10;
    now.wHour = 8;
    now.wMinute = 30;
    const std::vector<PromptAddControl> drops = promptDropDowns(now);
    ASSERT_EQ(drops.size(), 5u);
    EXPECT_EQ(drops[0].text, L"30分");
    EXPECT_EQ(drops[1].text, L"8时");
    EXPECT_EQ(drops[4].text, L"2026年");
    EXPECT_EQ(drops[4].left, 151);
    EXPECT_EQ(drops[4].top, 39);

    const std::vector<PromptAddControl> buttons = promptLabelButtons();
    ASSERT_EQ(buttons.size(), 11u);
    EXPECT_EQ(buttons[6].text, L"周日");
    EXPECT_EQ(buttons[6].value, 7);
    EXPECT_EQ(buttons[6].left, 61);
    EXPECT_EQ(buttons[6].top, 103);
    EXPECT_EQ(buttons[7].kind, ReminderLabelKind::Once);
    const int styleValues[] = {1, 4, 2};
    const wchar_t* styleTexts[] = {L"置顶", L"居中", L"晃动"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(buttons[8 + i].kind, ReminderLabelKind::Style);
        EXPECT_EQ(buttons[8 + i].text, styleTexts[i]);
        EXPECT_EQ(buttons[8 + i].value, styleValues[i]);
    }
}

TEST(PromptEditorLogic, ClosingAsksOnlyWithoutAMinuteLabel) {
    ReminderLabelSet labels;
    EXPECT_TRUE(promptCloseNeedsQuestion(labels));
    labels.insert({ReminderLabelKind::Weekday, L"周一", 1, 0});
    EXPECT_TRUE(promptCloseNeedsQuestion(labels));
    labels.insert({ReminderLabelKind::Minute, L"0分", 0, 0});
    EXPECT_FALSE(promptCloseNeedsQuestion(labels));
}

TEST(PromptEditorLogic, ChoosersFilterAsTheirTitlesSay) {
    const PromptChooser gif = promptGifChooser();
    EXPECT_STREQ(gif.title, L"选择一个gif");
    EXPECT_EQ(std::wstring(gif.filter), L"gif 文件(*.gif)");
    EXPECT_EQ(std::wstring(gif.filter + wcslen(gif.filter) + 1), L"*.gif");
    const PromptChooser music = promptMusicChooser();
    EXPECT_EQ(std::wstring(music.filter + wcslen(music.filter) + 1), L"*.wav;*.mp3");
    EXPECT_STREQ(promptExecChooser().title, L"选择一个文件");
    EXPECT_EQ(music.filter[music.filterLength - 1], L'\0');
    EXPECT_EQ(music.filter[music.filterLength - 2], L'\0');
}
