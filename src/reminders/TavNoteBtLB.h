#pragma once
// A drop-down label button: the text part adds a label of its kind (10009 to the parent), the
// arrow area at its right end asks the parent to open the value list (50012).
#include "PromptFile.h"
#include "TavNoteBt.h"

class TavNoteBtLB : public TavNoteBt {
public:
    static constexpr int kArrowWidth = 16;

    TavNoteBtLB(ReminderLabelKind kind, std::wstring text);

    void onClick(WPARAM keys, int x, int y) override;
    TavMemDC renderSelf() override;
    // Its own drawing (the arrow area) is made at every composition.
    uint64_t keptImageKey() const override { return 0; }

    ReminderLabelKind kind() const { return kind_; }
    // Shows a new text at once.
    void setText(const std::wstring& text);

private:
    ReminderLabelKind kind_;
};
