#include "PromptEditorLogic.h"

#include <cwchar>

namespace {

struct KindRange {
    ReminderLabelKind kind;
    const wchar_t* suffix;
    int low;
    int high; // inclusive; for years an offset from the first year
};

constexpr KindRange kRanges[] = {
    {ReminderLabelKind::Minute, L"分", 0, 59}, {ReminderLabelKind::Hour, L"时", 0, 23},
    {ReminderLabelKind::Day, L"日", 1, 31},    {ReminderLabelKind::Month, L"月", 1, 12},
    {ReminderLabelKind::Year, L"年", 0, 99},
};

const KindRange* rangeOf(ReminderLabelKind kind) {
    for (const KindRange& r : kRanges)
        if (r.kind == kind) return &r;
    return nullptr;
}

constexpr wchar_t kExecFilter[] = L"所有文件(*.*)\0*.*\0";
constexpr wchar_t kMusicFilter[] = L"wav,mp3 文件(*.wav;*.mp3)\0*.wav;*.mp3\0";
constexpr wchar_t kGifFilter[] = L"gif 文件(*.gif)\0*.gif\0";

} // namespace

std::vector<PromptAddControl> promptDropDowns(const SYSTEMTIME& now) {
    auto text = [](ReminderLabelKind kind, int n) { return std::to_wstring(n) + promptSuffix(kind); };
    return {
        {ReminderLabelKind::Minute, 7, 7, text(ReminderLabelKind::Minute, now.wMinute), 0},
        {ReminderLabelKind::Hour, 79, 7, text(ReminderLabelKind::Hour, now.wHour), 0},
        {ReminderLabelKind::Day, 7, 39, text(ReminderLabelKind::Day, now.wDay), 0},
        {ReminderLabelKind::Month, 79, 39, text(ReminderLabelKind::Month, now.wMonth), 0},
        {ReminderLabelKind::Year, 151, 39, text(ReminderLabelKind::Year, now.wYear), 0},
    };
}

std::vector<PromptAddControl> promptLabelButtons() {
    const ReminderLabelKind week = ReminderLabelKind::Weekday, style = ReminderLabelKind::Style;
    return {
        {week, 7, 71, L"周一", 1},     {week, 61, 71, L"周二", 2},
        {week, 115, 71, L"周三", 3},   {week, 169, 71, L"周四", 4},
        {week, 223, 71, L"周五", 5},   {week, 7, 103, L"周六", 6},
        {week, 61, 103, L"周日", 7},   {ReminderLabelKind::Once, 7, 135, L"一次", 0},
        {style, 7, 167, L"置顶", 1},   {style, 61, 167, L"居中", 4},
        {style, 115, 167, L"晃动", 2},
    };
}

const wchar_t* promptSuffix(ReminderLabelKind kind) {
    const KindRange* r = rangeOf(kind);
    return r ? r->suffix : L"";
}

std::vector<std::wstring> promptDropDownEntries(ReminderLabelKind kind, int utcYear) {
    std::vector<std::wstring> entries;
    const KindRange* r = rangeOf(kind);
    if (!r) return entries;
    const int base = kind == ReminderLabelKind::Year ? utcYear : 0;
    for (int n = r->low; n <= r->high; ++n) entries.push_back(std::to_wstring(base + n));
    return entries;
}

std::wstring promptDropDownText(ReminderLabelKind kind, const std::wstring& entry) {
    return entry + promptSuffix(kind);
}

bool promptLabelFromDropDown(ReminderLabelKind kind, const std::wstring& text, ReminderLabel& label) {
    const KindRange* r = rangeOf(kind);
    if (!r || text.empty()) return false;
    const std::wstring suffix = r->suffix;
    if (text.size() <= suffix.size() || text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    const std::wstring digits = text.substr(0, text.size() - suffix.size());
    if (digits.size() > 4 || digits.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
    const int value = std::stoi(digits);
    if (kind != ReminderLabelKind::Year && (value < r->low || value > r->high)) return false;
    label.kind = kind;
    label.text = text;
    label.value = value;
    label.width = 0;
    return true;
}

bool promptCloseNeedsQuestion(const ReminderLabelSet& labels) {
    return labels.of(ReminderLabelKind::Minute).empty();
}

PromptChooser promptExecChooser() {
    return {kExecFilter, sizeof(kExecFilter) / sizeof(wchar_t), L"选择一个文件"};
}
PromptChooser promptMusicChooser() {
    return {kMusicFilter, sizeof(kMusicFilter) / sizeof(wchar_t), L"选择一个音乐"};
}
PromptChooser promptGifChooser() {
    return {kGifFilter, sizeof(kGifFilter) / sizeof(wchar_t), L"选择一个gif"};
}
