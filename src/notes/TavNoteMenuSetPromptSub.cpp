#include "TavNoteMenuSetPromptSub.h"

namespace {

constexpr int kShowPanelId = 20130;
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 24;
constexpr int kMargin = 6;

} // namespace

TavNoteMenuSetPromptSub::TavNoteMenuSetPromptSub() : clear_(L"清除"), set_(L"设置") {
    setObjectName(L"TavNoteMenuSetPromptSub");
}

void TavNoteMenuSetPromptSub::setNote(const std::wstring& unique, const std::wstring& dir) {
    unique_ = unique;
    dir_ = dir;
}

void TavNoteMenuSetPromptSub::buildExtras() {
    TavNoteMenu::buildExtras();
    const int s = shadowWidth();
    SetWindowPos(handle(), nullptr, 0, 0, kWidth + 2 * s, kHeight + 2 * s,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int buttonsTop = s + kHeight - kMargin - kButtonHeight;
    show_.setNote(unique_, dir_, objectId());
    show_.createChild(handle(), kShowPanelId, L"提醒标签",
                      RECT{s + kMargin, s + kMargin, s + kWidth - kMargin, buttonsTop - kMargin});
    const int right = s + kWidth - kMargin;
    clear_.createChild(handle(), kClearId,
                       RECT{right - 2 * kButtonWidth - kMargin, buttonsTop, right - kButtonWidth - kMargin,
                            buttonsTop + kButtonHeight});
    set_.createChild(handle(), kSetId,
                     RECT{right - kButtonWidth, buttonsTop, right, buttonsTop + kButtonHeight});
}

void TavNoteMenuSetPromptSub::closeWholeMenu() {
    TavWndMenu* root = this;
    while (root->parentMenu()) root = root->parentMenu();
    root->close();
}

LRESULT TavNoteMenuSetPromptSub::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTavMsgButtonClicked && int(wParam) == kSetId) {
        // Posted: the editor runs modally, after the menu is gone.
        if (HWND note = commandTarget()) PostMessageW(note, kTavMsgCommand, kCmdNoteReminder, 0);
        closeWholeMenu();
        return 0;
    }
    if (message == kTavMsgButtonClicked && int(wParam) == kClearId) {
        show_.preview().stop();
        clearPromptFile(show_.promptPath());
        show_.reloadLabels();
        show_.reloadPreview();
        return 0;
    }
    return TavNoteMenu::windowProc(message, wParam, lParam);
}
