#pragma once
// A label button of the add panel: a click adds the label it stands for (a weekday, the once label
// or a style).
#include "PromptFile.h"
#include "TavNoteBt.h"

class TavNoteBtAPLabel : public TavNoteBt {
public:
    TavNoteBtAPLabel(ReminderLabelKind kind, std::wstring text, int value);

    ReminderLabelKind kind() const { return kind_; }
    int value() const { return value_; }

private:
    ReminderLabelKind kind_;
    int value_;
};
