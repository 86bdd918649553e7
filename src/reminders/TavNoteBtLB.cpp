#include "TavNoteBtLB.h"

#include "ImageFiles.h"

TavNoteBtLB::TavNoteBtLB(ReminderLabelKind kind, std::wstring text)
    : TavNoteBt(std::move(text)), kind_(kind) {
    setObjectName(L"TavNoteBtLB");
}

void TavNoteBtLB::onClick(WPARAM keys, int x, int y) {
    RECT rc{};
    GetClientRect(handle(), &rc);
    HWND parent = handle() ? GetParent(handle()) : nullptr;
    if (x >= rc.right - kArrowWidth) {
        if (parent) PostMessageW(parent, kPromptMsgOpenList, WPARAM(objectId()), 0);
        return;
    }
    TavNoteBt::onClick(keys, x, y);
}

TavMemDC TavNoteBtLB::renderSelf() {
    TavMemDC dc = TavNoteBt::renderSelf();
    if (!dc) return dc;
    RECT rc{};
    GetClientRect(handle(), &rc);
    const int side = 12;
    drawImageFile(L"listarrow.png", dc.dc(), rc.right - kArrowWidth + (kArrowWidth - side) / 2,
                  (rc.bottom - side) / 2, side, side, handle());
    return dc;
}

void TavNoteBtLB::setText(const std::wstring& text) {
    setLabel(text);
    if (handle()) SetWindowTextW(handle(), text.c_str());
    repaint();
}
