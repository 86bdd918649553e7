#include "TavNoteListBoxAP.h"

#include <algorithm>

#include "PromptDraw.h"
#include "Settings.h"

TavNoteListBoxAP::TavNoteListBoxAP() { setObjectName(L"TavNoteListBoxAP"); }

void TavNoteListBoxAP::setEntries(std::vector<std::wstring> entries) {
    entries_ = std::move(entries);
    offset_ = 0;
}

void TavNoteListBoxAP::setNotify(HWND window, int ownerId) {
    notify_ = window;
    ownerId_ = ownerId;
}

int TavNoteListBoxAP::maxOffset() const {
    RECT rc{};
    if (handle()) GetClientRect(handle(), &rc);
    return std::max(0, int(entries_.size()) * kRowHeight - int(rc.bottom));
}

void TavNoteListBoxAP::scrollTo(size_t index) {
    offset_ = std::clamp(int(index) * kRowHeight, 0, maxOffset());
    if (redrawAll()) present();
}

void TavNoteListBoxAP::onClick(WPARAM, int, int y) {
    if (y < 0) return;
    const int index = (y + offset_) / kRowHeight;
    if (index < 0 || size_t(index) >= entries_.size()) return;
    show(SW_HIDE);
    if (notify_) PostMessageW(notify_, kPromptMsgValueChosen, WPARAM(index), LPARAM(ownerId_));
}

void TavNoteListBoxAP::onMouseWheel(WPARAM, int delta, int, int) {
    offset_ = std::clamp(offset_ - delta / WHEEL_DELTA * 3 * kRowHeight, 0, maxOffset());
    if (redrawAll()) present();
}

TavMemDC TavNoteListBoxAP::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
    if (!dc) return dc;
    const uint32_t accent = settings().borderMenuColor | 0xFF000000u;
    fillAndFrame(dc.dc(), 0, 0, rc.right, rc.bottom, 0xFFFFFFFF, 255);
    const size_t first = size_t(offset_ / kRowHeight);
    for (size_t i = first; i < entries_.size() && rowTop(i) < rc.bottom; ++i) {
        const RECT row{4, std::max(0, rowTop(i)), rc.right - 4,
                       std::min(int(rc.bottom), rowTop(i) + kRowHeight)};
        drawPromptText(dc.dc(), handle(), entries_[i], row);
    }
    fillAndFrame(dc.dc(), 0, 0, rc.right, rc.bottom, accent, 0);
    return dc;
}
