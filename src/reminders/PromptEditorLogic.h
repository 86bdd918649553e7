#pragma once
// The decisions of the reminder editor, without a window: the add panel's controls and texts, the
// entries of a drop-down list, the label a click adds, and whether closing needs a question.
#include <windows.h>

#include <string>
#include <vector>

#include "PromptFile.h"

// One control of the add panel: where it stands inside the panel, its text and what it adds.
struct PromptAddControl {
    ReminderLabelKind kind;
    int left;
    int top;
    std::wstring text;
    int value; // the value a click adds (weekdays and styles); 0 for drop-downs and the once label
};

// The five drop-downs (minute, hour, day, month, year), texts from `localNow`.
std::vector<PromptAddControl> promptDropDowns(const SYSTEMTIME& localNow);
// The weekday, once and style buttons in the add panel's order.
std::vector<PromptAddControl> promptLabelButtons();

// The suffix a drop-down's text carries ("分", "时", "日", "月", "年"); "" for other kinds.
const wchar_t* promptSuffix(ReminderLabelKind kind);
// The entries of a drop-down's list: minute 0-59, hour 0-23, day 1-31, month 1-12, year
// utcYear .. utcYear + 99, each as "%d".
std::vector<std::wstring> promptDropDownEntries(ReminderLabelKind kind, int utcYear);
// The drop-down's text after the entry was chosen: the entry followed by the kind's suffix.
std::wstring promptDropDownText(ReminderLabelKind kind, const std::wstring& entry);
// The label a click on a drop-down's text adds: that text, the number before the suffix as value.
// False when the text is no number of the kind's range.
bool promptLabelFromDropDown(ReminderLabelKind kind, const std::wstring& text, ReminderLabel& label);
// Closing asks first when the reminder has no minute label: it could never fire.
bool promptCloseNeedsQuestion(const ReminderLabelSet& labels);

// The file choosers of the add panel: the platform's filter list (pairs, ending in two NULs) and
// the title.
struct PromptChooser {
    const wchar_t* filter;
    size_t filterLength; // characters, the closing NULs included
    const wchar_t* title;
};
PromptChooser promptExecChooser();
PromptChooser promptMusicChooser();
PromptChooser promptGifChooser();
