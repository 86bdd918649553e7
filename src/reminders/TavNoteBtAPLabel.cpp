#include "TavNoteBtAPLabel.h"

TavNoteBtAPLabel::TavNoteBtAPLabel(ReminderLabelKind kind, std::wstring text, int value)
    : TavNoteBt(std::move(text)), kind_(kind), value_(value) {
    setObjectName(L"TavNoteBtAPLabel");
}
