#include "TavNoteMessageBox.h"

#include <algorithm>

#include "DrawToolkit.h"
#include "Settings.h"

namespace {

// The message's font style: italic (GDI+ style bit 2), as the message boxes of the program show it.
constexpr int kMessageFontStyle = 2;
constexpr float kMessageFontSize = 13.0f;

} // namespace

TavNoteMessageBox::TavNoteMessageBox(int type, std::wstring message, std::wstring title, int width,
                                     int height)
    : TavNoteCaption(std::move(title), width, height), ok_(L"确定"), cancel_(L"取消"), yes_(L"是"),
      no_(L"否"), type_(type), message_(std::move(message)) {
    setObjectName(L"TavNoteMessageBox");
}

TavNoteBt* TavNoteMessageBox::button(int controlId) {
    switch (controlId) {
    case kNoteOkId:
        return &ok_;
    case kNoteCancelId:
        return &cancel_;
    case kNoteYesId:
        return &yes_;
    case kNoteNoId:
        return &no_;
    default:
        return nullptr;
    }
}

std::vector<TavNoteBt*> TavNoteMessageBox::buttonsLeftToRight() {
    std::vector<TavNoteBt*> present;
    for (const TavPlacedButton& placed : layoutBoxButtons(type_, windowSize(), metrics_)) {
        TavNoteBt* b = button(placed.controlId);
        if (b && b->handle()) present.push_back(b);
    }
    return present;
}

void TavNoteMessageBox::createControls() {
    TavNoteCaption::createControls();
    // Only the type's buttons exist.
    for (const TavPlacedButton& placed : layoutBoxButtons(type_, windowSize(), metrics_)) {
        TavNoteBt* b = button(placed.controlId);
        if (b && !b->handle()) b->createChild(handle(), placed.controlId, placed.rect);
    }
}

void TavNoteMessageBox::layoutControls() {
    TavNoteCaption::layoutControls();
    for (const TavPlacedButton& placed : layoutBoxButtons(type_, windowSize(), metrics_)) {
        TavNoteBt* b = button(placed.controlId);
        const RECT& r = placed.rect;
        if (b && b->handle())
            MoveWindow(b->handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    }
}

TavMemDC TavNoteMessageBox::renderMessage(const RECT& box) {
    int w = box.right - box.left, h = box.bottom - box.top;
    if (w <= 0 || h <= 0 || message_.empty()) return TavMemDC();
    Gdiplus::Font* font = createFont(settings().defaultFontFace, kMessageFontSize, kMessageFontStyle);
    TavGpStringFormat format = makeStringFormat(message_);
    return drawText(handle(), message_, font, defaultTextBrush(), format.get(), 0, 0, w, h);
}

void TavNoteMessageBox::setMessage(std::wstring message) {
    message_ = std::move(message);
    if (!handle()) return;
    renderBackground();
    if (redrawAll()) present();
}

void TavNoteMessageBox::renderBackground() {
    TavNoteCaption::renderBackground();
    if (!background_) return;
    RECT box = messageTextRect(windowSize(), metrics_);
    blendLayer(background_.dc(), renderMessage(box), box.left, box.top);
}

void TavNoteMessageBox::onControl(int controlId) {
    const TavDialogButton* b = dialogButtonById(controlId);
    if (b) {
        closeWith(b->result);
        return;
    }
    TavNoteCaption::onControl(controlId);
}

void TavNoteMessageBox::accept() {
    // Enter answers with the leftmost button, so that a Yes/No box never answers "OK".
    std::vector<TavPlacedButton> placed = layoutBoxButtons(type_, windowSize(), metrics_);
    const TavDialogButton* first = placed.empty() ? nullptr : dialogButtonById(placed.front().controlId);
    closeWith(first ? first->result : kNoteResultOk);
}

int askOverwriteFile(HWND owner) {
    TavNoteMessageBox box(kBoxYes | kBoxNo, L"存在同名文件，是否覆盖？", L"TavNote", 300, 120);
    box.setIcon(L"TavNote.png");
    return static_cast<int>(box.runModal(owner));
}
