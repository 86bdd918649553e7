#include "TavNoteNewName.h"

#include "TavNoteMessageBox.h"

TavNoteNewName::TavNoteNewName(std::wstring title, int width, int height)
    : TavNoteCaption(std::move(title), width, height), ok_(L"确定"), cancel_(L"取消") {
    setObjectName(L"TavNoteNewName");
}

void TavNoteNewName::createControls() {
    TavNoteCaption::createControls();
    HWND self = handle();
    if (!edit_.handle()) {
        RECT r = nameFieldRect(metrics_);
        edit_.create(kNoteNameEditId, L"", 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP, r.left, r.top,
                     r.right - r.left, r.bottom - r.top, self);
    }
    for (const TavPlacedButton& placed : layoutPromptButtons(true, windowSize(), metrics_)) {
        TavNoteBt& b = placed.controlId == kNoteOkId ? ok_ : cancel_;
        if (!b.handle()) b.createChild(self, placed.controlId, placed.rect);
    }
}

void TavNoteNewName::layoutControls() {
    TavNoteCaption::layoutControls();
    bool withCancel = cancel_.handle() != nullptr;
    for (const TavPlacedButton& placed : layoutPromptButtons(withCancel, windowSize(), metrics_)) {
        TavNoteBt& b = placed.controlId == kNoteOkId ? ok_ : cancel_;
        const RECT& r = placed.rect;
        if (b.handle()) MoveWindow(b.handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    }
}

void TavNoteNewName::modalStart() {
    TavNoteCaption::modalStart();
    if (edit_.handle()) edit_.takeFocus();
}

int TavNoteNewName::validateName(const std::wstring&) { return 1; }
void TavNoteNewName::commitName(const std::wstring&) {}

void TavNoteNewName::reportEmptyName() {
    TavNoteMessageBox box(kBoxOk, L"名字不能为空！", L"TavNote", 300, 120);
    box.setIcon(L"TavNote.png");
    box.runModal(handle());
    // The user goes on typing where the name belongs.
    if (handle() && edit_.handle()) edit_.takeFocus();
}

void TavNoteNewName::onOk() {
    std::wstring text = edit_.text();
    // A name of spaces only is no name: it would make a file or folder name the system trims away.
    if (text.find_first_not_of(L' ') == std::wstring::npos) {
        reportEmptyName();
        return;
    }
    name_ = text;
    if (!validateName(name_)) return;
    commitName(name_);
    closeWith(kNoteResultOk);
}
