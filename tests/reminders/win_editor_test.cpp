// The reminder editor with real windows, driven by mouse messages: each click writes the note's
// reminder file at once and the display panel shows what the file holds.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "AppPaths.h"
#include "ImageFiles.h"
#include "TavNoteAddPrompt.h"
#include "TavNoteBtAPLabel.h"
#include "PromptFile.h"
#include "TavNotePrompt.h"
#include "TavTestEnvironment.h"
#include "TempFolder.h"
#include "TestWait.h"
#include "ScreenCapture.h"

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(
    new TavTestEnvironment(L"reminders", TavTestEnvironment::Folder::AppFolderWithImages));

const std::string
    kGifBytes("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00,"
              "\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02"
              "D\x01\x00;",
              43);

void clickAt(HWND window, int x, int y) {
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    pump();
}

void clickText(HWND window) { clickAt(window, 4, 6); }

std::vector<std::wstring> chipTexts(TavNotePrompt& editor) {
    std::vector<std::wstring> texts;
    for (const ReminderLabel& l : editor.showPanel().labelList().chips()) texts.push_back(l.text);
    return texts;
}

} // namespace

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        unique_ = L"2026121000000000" + std::to_wstring(++counter) + L"_100001";
        folder_ = noteFolder(unique_);
        ASSERT_FALSE(folder_.empty());
        path_ = promptFilePath(unique_, L"");
        hooks_.now = [this] {
            SYSTEMTIME t{};
            t.wYear = 2026;
            t.wMonth = 12;
            t.wDay = 10;
            t.wHour = 8;
            t.wMinute = 30;
            t.wMilliseconds = WORD(++ticks_);
            lastNow_ = t;
            return t;
        };
        hooks_.chooseFile = [this](HWND, const PromptChooser& chooser) {
            chooserTitles_.push_back(chooser.title);
            return nextChoice_;
        };
        hooks_.askClose = [this](HWND, const std::wstring& question) {
            questions_.push_back(question);
            return answer_;
        };
    }
    void TearDown() override {
        if (editor_ && editor_->handle()) DestroyWindow(editor_->handle());
        editor_.reset();
        pump();
    }
    TavNotePrompt& open() {
        editor_ = std::make_unique<TavNotePrompt>(unique_, L"", hooks_);
        EXPECT_TRUE(editor_->createModeless(nullptr, kReminderEditorId));
        pump();
        return *editor_;
    }
    // The label list once it shows the wanted number of chips.
    bool waitChips(size_t n) {
        return waitFor([&] { return editor_->showPanel().labelList().chips().size() == n; }, 3000);
    }

    std::wstring unique_, folder_, path_;
    TavNotePromptHooks hooks_;
    std::unique_ptr<TavNotePrompt> editor_;
    int ticks_ = 0;
    SYSTEMTIME lastNow_{};
    TavFileChoice nextChoice_;
    std::vector<std::wstring> chooserTitles_, questions_;
    int answer_ = 2;
};

TEST_F(EditorTest, TheMinuteDropDownAddsItsTextAndAChosenValue) {
    TavNotePrompt& editor = open();
    TavNoteBtLB* minute = editor.addPanel().dropDown(ReminderLabelKind::Minute);
    ASSERT_NE(minute, nullptr);
    EXPECT_EQ(minute->label(), L"30分");
    clickText(minute->handle());
    ASSERT_TRUE(waitChips(1));
    EXPECT_EQ(readPromptLabels(path_).of(ReminderLabelKind::Minute).at(0).value, 30);

    // The arrow opens the list; choosing its sixth row (5) shows "5分", a click on the text adds it.
    RECT rc{};
    GetClientRect(minute->handle(), &rc);
    clickAt(minute->handle(), rc.right - 4, 6);
    TavNoteListBoxAP& list = editor.addPanel().valueList();
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(list.handle()) != FALSE; }, 3000));
    ASSERT_EQ(list.entries().size(), 60u);
    clickAt(list.handle(), 5, list.rowTop(5) + 3);
    ASSERT_TRUE(waitFor([&] { return minute->label() == L"5分"; }, 3000));
    EXPECT_FALSE(IsWindowVisible(list.handle()));
    clickText(minute->handle());
    ASSERT_TRUE(waitChips(2));
    EXPECT_EQ(chipTexts(editor), (std::vector<std::wstring>{L"5分", L"30分"}));
}

TEST_F(EditorTest, TheYearListOffersAHundredYearsFromThisOne) {
    TavNotePrompt& editor = open();
    TavNoteBtLB* year = editor.addPanel().dropDown(ReminderLabelKind::Year);
    ASSERT_NE(year, nullptr);
    RECT rc{};
    GetClientRect(year->handle(), &rc);
    clickAt(year->handle(), rc.right - 4, 6);
    const auto& entries = editor.addPanel().valueList().entries();
    ASSERT_TRUE(waitFor([&] { return entries.size() == 100u; }, 3000));
    SYSTEMTIME utc;
    GetSystemTime(&utc);
    EXPECT_EQ(entries.front(), std::to_wstring(utc.wYear));
    EXPECT_EQ(entries.back(), std::to_wstring(utc.wYear + 99));
}

TEST_F(EditorTest, LabelButtonsAddTheirValues) {
    TavNotePrompt& editor = open();
    struct Case {
        const wchar_t* button;
        ReminderLabelKind kind;
        int value;
    };
    const Case cases[] = {
        {L"周日", ReminderLabelKind::Weekday, 7},
        {L"置顶", ReminderLabelKind::Style, 1},
        {L"居中", ReminderLabelKind::Style, 4},
        {L"晃动", ReminderLabelKind::Style, 2},
    };
    size_t chips = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.button)));
        TavNoteBtAPLabel* b = editor.addPanel().labelButton(c.button);
        ASSERT_NE(b, nullptr);
        clickText(b->handle());
        ASSERT_TRUE(waitChips(++chips));
        // The set is kept: a range over a member of a temporary would read freed memory.
        const ReminderLabelSet labels = readPromptLabels(path_);
        bool found = false;
        for (const ReminderLabel& l : labels.of(c.kind))
            found = found || (l.text == c.button && l.value == c.value);
        EXPECT_TRUE(found);
    }
    EXPECT_EQ(chipTexts(editor), (std::vector<std::wstring>{L"周日", L"置顶", L"晃动", L"居中"}));
}

TEST_F(EditorTest, AChipsDeleteAreaRemovesTheLabel) {
    ASSERT_TRUE(addPromptValueLabel(path_, kReminderEditorId, ReminderLabelKind::Hour, L"8时", 8));
    ASSERT_TRUE(addPromptValueLabel(path_, kReminderEditorId, ReminderLabelKind::Hour, L"9时", 9));
    TavNotePrompt& editor = open();
    TavNoteListMPL& list = editor.showPanel().labelList();
    ASSERT_EQ(list.chips().size(), 2u);
    // The label text is no delete area.
    const RECT first = list.chipRects().at(0);
    clickAt(list.handle(), first.left + 3, first.top + 5);
    EXPECT_EQ(list.chips().size(), 2u);
    const RECT del = list.deleteArea(0);
    clickAt(list.handle(), (del.left + del.right) / 2, (del.top + del.bottom) / 2);
    ASSERT_TRUE(waitChips(1));
    EXPECT_EQ(chipTexts(editor), std::vector<std::wstring>{L"9时"});
    EXPECT_EQ(readPromptLabels(path_).of(ReminderLabelKind::Hour).size(), 1u);
}

TEST_F(EditorTest, AChosenGifReplacesTheFirstCopy) {
    TempFolder source(L"tavgif");
    const std::wstring gif = source.file(L"bell.gif");
    ASSERT_TRUE(writeBytes(gif, kGifBytes));
    TavNotePrompt& editor = open();
    nextChoice_ = TavFileChoice{gif, L"bell.gif"};
    clickText(editor.addPanel().gifButton().handle());
    ASSERT_TRUE(waitFor([&] { return !editor.showPanel().preview().picturePath().empty(); }, 3000));
    const std::wstring first = readPromptGifPath(path_);
    EXPECT_EQ(first, folder_ + promptGifCopyName(lastNow_, kReminderEditorId, L"bell.gif"));
    EXPECT_EQ(chooserTitles_, std::vector<std::wstring>{L"选择一个gif"});

    clickText(editor.addPanel().gifButton().handle());
    ASSERT_TRUE(waitFor([&] { return editor.showPanel().preview().picturePath() != first; }, 3000));
    EXPECT_FALSE(pathExists(first));
    EXPECT_TRUE(pathExists(readPromptGifPath(path_)));
    EXPECT_TRUE(pathExists(gif));

    // A cancelled chooser changes nothing.
    const std::string before = readBytes(path_);
    nextChoice_ = TavFileChoice{};
    clickText(editor.addPanel().musicButton().handle());
    EXPECT_EQ(readBytes(path_), before);
}

TEST_F(EditorTest, ClosingWithoutAMinuteAsksAndCancelKeepsItOpen) {
    ASSERT_TRUE(addPromptValueLabel(path_, kReminderEditorId, ReminderLabelKind::Weekday, L"周一", 1));
    TavNotePrompt& editor = open();
    answer_ = 2;
    clickText(editor.closeButton().handle());
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0], L"   没有具体的分钟标签，提醒设置不能生效，\r\n确定要关闭吗？");
    EXPECT_TRUE(IsWindow(editor.handle()));
    answer_ = 1;
    clickText(editor.closeButton().handle());
    EXPECT_EQ(questions_.size(), 2u);
    EXPECT_TRUE(waitFor([&] { return !editor.handle() || !IsWindow(editor.handle()); }, 3000));
    EXPECT_TRUE(pathExists(path_));
}

TEST_F(EditorTest, ClosingWithAMinuteAsksNothing) {
    ASSERT_TRUE(addPromptValueLabel(path_, kReminderEditorId, ReminderLabelKind::Minute, L"0分", 0));
    TavNotePrompt& editor = open();
    clickText(editor.closeButton().handle());
    EXPECT_TRUE(questions_.empty());
    EXPECT_TRUE(waitFor([&] { return !editor.handle() || !IsWindow(editor.handle()); }, 3000));
}

// The editor with a few labels, saved as "reminder_editor.png" beside the test for a person to
// look at; the labels set are on the screen as chips.
TEST_F(EditorTest, ScreenshotOfTheEditorWithLabels) {
    TavNotePrompt& editor = open();
    clickText(editor.addPanel().dropDown(ReminderLabelKind::Minute)->handle());
    clickText(editor.addPanel().dropDown(ReminderLabelKind::Hour)->handle());
    for (const wchar_t* text : {L"周一", L"周五", L"一次", L"晃动"}) {
        TavNoteBtAPLabel* button = editor.addPanel().labelButton(text);
        ASSERT_NE(button, nullptr);
        clickText(button->handle());
    }
    ASSERT_TRUE(waitChips(6));
    EXPECT_TRUE(saveWindowPng(editor, L"reminder_editor.png"));
}
