#include "TavNotePrompt.h"

#include "PromptDraw.h"
#include "TavNoteMessageBox.h"

namespace {

constexpr int kTitleHeight = 22;
constexpr int kAddPanelId = 20126;
constexpr int kShowPanelId = 20127;

constexpr wchar_t kCloseQuestion[] = L"   没有具体的分钟标签，提醒设置不能生效，\r\n确定要关闭吗？";

} // namespace

TavNotePrompt::TavNotePrompt(std::wstring unique, std::wstring dir, TavNotePromptHooks hooks)
    : TavNoteCaption(L"提醒设置", kContentWidth, kContentHeight), unique_(std::move(unique)),
      dir_(std::move(dir)), hooks_(std::move(hooks)) {
    setObjectName(L"TavNotePrompt");
}

void TavNotePrompt::createControls() {
    TavNoteCaption::createControls();
    if (add_.handle()) return;
    const int left = borderWidth() + 4, top = borderWidth() + captionHeight() + kTitleHeight;
    add_.setNote(unique_, dir_, kReminderEditorId);
    add_.setHooks(hooks_);
    add_.createChild(handle(), kAddPanelId, L"添加提醒标签",
                     RECT{left, top, left + TavNoteAddPrompt::kWidth, top + TavNoteAddPrompt::kHeight});
    const int showLeft = left + TavNoteAddPrompt::kWidth + 8;
    show_.setNote(unique_, dir_, kReminderEditorId);
    show_.createChild(handle(), kShowPanelId, L"显示提醒标签",
                      RECT{showLeft, top - kTitleHeight,
                           showLeft + kContentWidth - TavNoteAddPrompt::kWidth - 16,
                           top + TavNoteAddPrompt::kHeight});
}

void TavNotePrompt::modalStart() {
    TavNoteCaption::modalStart();
    // The editor stands in the middle of the primary screen, not over the note.
    RECT r{};
    GetWindowRect(handle(), &r);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    SetWindowPos(handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TavNotePrompt::tryClose() {
    if (promptCloseNeedsQuestion(readPromptLabels(show_.promptPath()))) {
        int answer;
        if (hooks_.askClose) {
            answer = hooks_.askClose(handle(), kCloseQuestion);
        } else {
            TavNoteMessageBox box(kBoxOk | kBoxCancel, kCloseQuestion, L"TavNote", 300, 120);
            box.setIcon(L"TavNote.png");
            answer = int(box.runModal(handle()));
        }
        if (answer != kNoteResultOk) return;
    }
    closeWith(kNoteResultCancel);
}

void TavNotePrompt::onOk() { tryClose(); }
void TavNotePrompt::onCancel() { tryClose(); }

LRESULT TavNotePrompt::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kPromptMsgLabelsChanged:
    case kPromptMsgGifChanged:
        if (show_.handle()) PostMessageW(show_.handle(), message, wParam, lParam);
        return 0;
    default:
        return TavNoteCaption::windowProc(message, wParam, lParam);
    }
}

TavMemDC TavNotePrompt::renderSelf() {
    TavMemDC dc = TavNoteCaption::renderSelf();
    if (!dc) return dc;
    const int left = borderWidth() + 8, top = borderWidth() + captionHeight();
    drawPromptText(dc.dc(), handle(), L"添加提醒标签：", RECT{left, top, left + 200, top + kTitleHeight});
    return dc;
}

void runReminderEditor(HWND owner, const std::wstring& unique, const std::wstring& dir) {
    TavNotePrompt editor(unique, dir);
    editor.setIcon(L"prompt.png");
    editor.runModal(owner, kReminderEditorId);
}
