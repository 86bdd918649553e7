#include "TavNoteAddPrompt.h"

#include "PromptDraw.h"

namespace {

constexpr int kButtonHeight = 24;
constexpr int kListHeight = 164;

// A button sized to its text, with room for the arrow or an icon.
RECT buttonRect(HWND window, int left, int top, const std::wstring& text, int extra) {
    return RECT{left, top, left + promptTextWidth(window, text) + 16 + extra, top + kButtonHeight};
}

} // namespace

TavNoteAddPrompt::TavNoteAddPrompt()
    : exec_(L"添加一个要执行的文件"), music_(L"设置播放的音乐"), gif_(L"显示为一个gif动画") {
    setObjectName(L"TavNoteAddPrompt");
}

void TavNoteAddPrompt::setNote(const std::wstring& unique, const std::wstring& dir, int objectId) {
    path_ = promptFilePath(unique, dir);
    objectId_ = objectId;
}

SYSTEMTIME TavNoteAddPrompt::now() const {
    if (hooks_.now) return hooks_.now();
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t;
}

bool TavNoteAddPrompt::createChild(HWND parent, int id, const wchar_t* text, const RECT& r) {
    if (!create(id, text, 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                parent))
        return false;
    HWND self = handle();
    int n = 0;
    for (const PromptAddControl& c : promptDropDowns(now())) {
        auto button = std::make_unique<TavNoteBtLB>(c.kind, c.text);
        button->createChild(self, kFirstDropDownId + n++,
                            buttonRect(self, c.left, c.top, c.text, TavNoteBtLB::kArrowWidth));
        dropDowns_.push_back(std::move(button));
    }
    n = 0;
    for (const PromptAddControl& c : promptLabelButtons()) {
        auto button = std::make_unique<TavNoteBtAPLabel>(c.kind, c.text, c.value);
        button->createChild(self, kFirstLabelId + n++, buttonRect(self, c.left, c.top, c.text, 0));
        labels_.push_back(std::move(button));
    }
    exec_.setImage(L"add.png");
    music_.setImage(L"images.png");
    gif_.setImage(L"images.png");
    exec_.createChild(self, kExecId, buttonRect(self, 7, 199, exec_.label(), 20));
    music_.createChild(self, kMusicId, buttonRect(self, 7, 221, music_.label(), 20));
    gif_.createChild(self, kGifId, buttonRect(self, 7, 243, gif_.label(), 20));
    list_.create(kListId, L"", 0, WS_CHILD, 0, 0, 60, kListHeight, self);
    return true;
}

TavNoteBtLB* TavNoteAddPrompt::dropDown(ReminderLabelKind kind) {
    for (auto& d : dropDowns_)
        if (d->kind() == kind) return d.get();
    return nullptr;
}

TavNoteBtAPLabel* TavNoteAddPrompt::labelButton(const std::wstring& text) {
    for (auto& b : labels_)
        if (b->label() == text) return b.get();
    return nullptr;
}

LRESULT TavNoteAddPrompt::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kTavMsgButtonClicked:
        onButton(int(wParam));
        return 0;
    case kPromptMsgOpenList:
        openList(int(wParam));
        return 0;
    case kPromptMsgValueChosen:
        valueChosen(size_t(wParam), int(lParam));
        return 0;
    default:
        return TavWnd::windowProc(message, wParam, lParam);
    }
}

void TavNoteAddPrompt::labelsChanged() {
    HWND parent = handle() ? GetParent(handle()) : nullptr;
    if (parent) PostMessageW(parent, kPromptMsgLabelsChanged, 0, 0);
}

void TavNoteAddPrompt::onButton(int id) {
    if (id >= kFirstDropDownId && size_t(id - kFirstDropDownId) < dropDowns_.size()) {
        const TavNoteBtLB& d = *dropDowns_[size_t(id - kFirstDropDownId)];
        ReminderLabel label;
        if (promptLabelFromDropDown(d.kind(), d.label(), label) &&
            addPromptValueLabel(path_, objectId_, label.kind, label.text, label.value))
            labelsChanged();
        return;
    }
    if (id >= kFirstLabelId && size_t(id - kFirstLabelId) < labels_.size()) {
        const TavNoteBtAPLabel& b = *labels_[size_t(id - kFirstLabelId)];
        const bool written = b.kind() == ReminderLabelKind::Once
                                 ? setPromptOnce(path_, objectId_)
                                 : addPromptValueLabel(path_, objectId_, b.kind(), b.label(), b.value());
        if (written) labelsChanged();
        return;
    }
    if (id == kExecId || id == kMusicId || id == kGifId) chooseAndAdd(id);
}

void TavNoteAddPrompt::openList(int dropDownId) {
    if (dropDownId < kFirstDropDownId || size_t(dropDownId - kFirstDropDownId) >= dropDowns_.size()) return;
    const TavNoteBtLB& d = *dropDowns_[size_t(dropDownId - kFirstDropDownId)];
    // The year list starts at the year of universal time, as the clock of the check does.
    SYSTEMTIME utc;
    GetSystemTime(&utc);
    list_.setEntries(promptDropDownEntries(d.kind(), utc.wYear));
    list_.setNotify(handle(), dropDownId);
    RECT r{};
    GetWindowRect(d.handle(), &r);
    MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(list_.handle(), r.left, r.bottom + 1, r.right - r.left, kListHeight, FALSE);
    SetWindowPos(list_.handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    list_.show(SW_SHOW);
    if (list_.redrawAll()) list_.present();
}

void TavNoteAddPrompt::valueChosen(size_t index, int dropDownId) {
    if (dropDownId < kFirstDropDownId || size_t(dropDownId - kFirstDropDownId) >= dropDowns_.size()) return;
    if (index >= list_.entries().size()) return;
    TavNoteBtLB& d = *dropDowns_[size_t(dropDownId - kFirstDropDownId)];
    d.setText(promptDropDownText(d.kind(), list_.entries()[index]));
    if (redrawAll()) present();
}

void TavNoteAddPrompt::chooseAndAdd(int id) {
    const PromptChooser chooser = id == kExecId    ? promptExecChooser()
                                  : id == kMusicId ? promptMusicChooser()
                                                   : promptGifChooser();
    const TavFileChoice choice = hooks_.chooseFile ? hooks_.chooseFile(handle(), chooser)
                                                   : openFileDialog(handle(), chooser.filter, chooser.title);
    if (choice.path.empty()) return;
    if (id == kExecId) {
        if (addPromptExecFile(path_, objectId_, choice.title, choice.path)) labelsChanged();
    } else if (id == kMusicId) {
        if (setPromptMusicFile(path_, objectId_, choice.title, choice.path)) labelsChanged();
    } else if (setPromptGif(path_, objectId_, choice.path, now())) {
        HWND parent = GetParent(handle());
        if (parent) PostMessageW(parent, kPromptMsgGifChanged, 0, 0);
    }
}
