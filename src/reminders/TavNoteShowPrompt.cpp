#include "TavNoteShowPrompt.h"

#include "PromptDraw.h"

namespace {

constexpr int kTitleHeight = 20;

// Object ids of the panel's children (each panel's own; they are found through the panel).
constexpr int kListId = 20131;
constexpr int kGifId = 20132;

} // namespace

TavNoteShowPrompt::TavNoteShowPrompt() { setObjectName(L"TavNoteShowPrompt"); }

void TavNoteShowPrompt::setNote(const std::wstring& unique, const std::wstring& dir, int objectId) {
    path_ = promptFilePath(unique, dir);
    objectId_ = objectId;
    list_.setPromptPath(path_, objectId);
}

bool TavNoteShowPrompt::createChild(HWND parent, int id, const wchar_t* text, const RECT& r) {
    if (!create(id, text, 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                parent))
        return false;
    list_.create(kListId, L"时间", 0, WS_CHILD | WS_VISIBLE, 0, kTitleHeight, 10, 10, handle());
    gif_.create(kGifId, L"gif图片窗口", 0, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, handle());
    layout();
    reloadLabels();
    reloadPreview();
    return true;
}

void TavNoteShowPrompt::layout() {
    if (!handle() || !list_.handle() || !gif_.handle()) return;
    RECT rc{};
    GetClientRect(handle(), &rc);
    const int w = rc.right, h = rc.bottom - kTitleHeight;
    const int listHeight = h * 3 / 5;
    MoveWindow(list_.handle(), 0, kTitleHeight, w, listHeight, FALSE);
    MoveWindow(gif_.handle(), 0, kTitleHeight + listHeight + 4, w, h - listHeight - 4, FALSE);
}

void TavNoteShowPrompt::reloadLabels() {
    list_.reload();
    if (handle() && redrawAll()) present();
}

void TavNoteShowPrompt::reloadPreview() { gif_.showPicture(readPromptGifPath(path_)); }

LRESULT TavNoteShowPrompt::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kPromptMsgLabelsChanged:
        reloadLabels();
        return 0;
    case kPromptMsgGifChanged:
        reloadPreview();
        return 0;
    case kPromptMsgDeleteGif:
        gif_.stop();
        removePromptGif(path_, objectId_);
        reloadPreview();
        return 0;
    default:
        return TavWnd::windowProc(message, wParam, lParam);
    }
}

void TavNoteShowPrompt::onSized(WPARAM flag, int width, int height) {
    TavWnd::onSized(flag, width, height);
    layout();
}

TavMemDC TavNoteShowPrompt::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
    if (!dc) return dc;
    wchar_t title[64] = L"";
    GetWindowTextW(handle(), title, 64);
    drawPromptText(dc.dc(), handle(), title, RECT{2, 0, rc.right, kTitleHeight});
    return dc;
}
