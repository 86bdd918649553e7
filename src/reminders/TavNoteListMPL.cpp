#include "TavNoteListMPL.h"

#include <algorithm>

#include "ImageFiles.h"
#include "PromptDraw.h"
#include "Settings.h"

namespace {

const wchar_t* iconOf(ReminderLabelKind kind) {
    if (kind == ReminderLabelKind::Music) return L"excmusic.png";
    if (kind == ReminderLabelKind::Exec) return L"excfile.png";
    return nullptr;
}

bool contains(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

} // namespace

TavNoteListMPL::TavNoteListMPL() { setObjectName(L"TavNoteListMPL"); }

void TavNoteListMPL::setPromptPath(const std::wstring& path, int objectId) {
    path_ = path;
    objectId_ = objectId;
}

void TavNoteListMPL::reload() {
    labels_ = readPromptLabels(path_);
    hover_ = -1;
    layout();
    if (handle() && redrawAll()) present();
}

void TavNoteListMPL::layout() {
    chips_ = labels_.all();
    rects_.clear();
    RECT rc{};
    if (handle()) GetClientRect(handle(), &rc);
    const int right = std::max(int(rc.right) - kGap, kGap + 1);
    int x = kGap, y = kGap;
    for (ReminderLabel& chip : chips_) {
        // The width leaves room for the delete area (one height); icons take a second height.
        int width = promptTextWidth(handle(), chip.text) + kChipHeight + 8;
        if (iconOf(chip.kind)) width += kChipHeight;
        chip.width = uint32_t(width);
        if (x > kGap && x + width > right) {
            x = kGap;
            y += kChipHeight + kGap;
        }
        rects_.push_back(RECT{x, y, x + width, y + kChipHeight});
        x += width + kGap;
    }
    contentHeight_ = y + kChipHeight + kGap;
    offset_ = std::clamp(offset_, 0, std::max(0, contentHeight_ - int(rc.bottom)));
}

RECT TavNoteListMPL::deleteArea(size_t index) const {
    if (index >= rects_.size()) return RECT{};
    const RECT& r = rects_[index];
    return RECT{r.right - kChipHeight, r.top - offset_, r.right, r.bottom - offset_};
}

int TavNoteListMPL::chipAt(int x, int y) const {
    for (size_t i = 0; i < rects_.size(); ++i) {
        RECT r = rects_[i];
        OffsetRect(&r, 0, -offset_);
        if (contains(r, x, y)) return int(i);
    }
    return -1;
}

void TavNoteListMPL::onMouseMove(WPARAM keys, int x, int y) {
    TavWnd::onMouseMove(keys, x, y);
    const int now = chipAt(x, y);
    if (now == hover_) return;
    hover_ = now;
    if (redrawAll()) present();
}

void TavNoteListMPL::onMouseLeave() {
    TavWnd::onMouseLeave();
    if (hover_ < 0) return;
    hover_ = -1;
    if (redrawAll()) present();
}

void TavNoteListMPL::onClick(WPARAM, int x, int y) {
    const int i = chipAt(x, y);
    if (!deletable_ || i < 0 || !contains(deleteArea(size_t(i)), x, y)) return;
    const ReminderLabel chip = chips_[size_t(i)];
    removePromptLabel(path_, objectId_, chip.kind, chip.text);
    HWND parent = GetParent(handle());
    if (parent) PostMessageW(parent, kPromptMsgLabelsChanged, 0, 0);
}

void TavNoteListMPL::onMouseWheel(WPARAM, int delta, int, int) {
    RECT rc{};
    GetClientRect(handle(), &rc);
    offset_ = std::clamp(offset_ - delta / WHEEL_DELTA * (kChipHeight + kGap), 0,
                         std::max(0, contentHeight_ - int(rc.bottom)));
    if (redrawAll()) present();
}

void TavNoteListMPL::onSized(WPARAM flag, int width, int height) {
    TavWnd::onSized(flag, width, height);
    layout();
}

TavMemDC TavNoteListMPL::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
    if (!dc) return dc;
    const uint32_t accent = settings().borderMenuColor | 0xFF000000u;
    fillAndFrame(dc.dc(), 0, 0, rc.right, rc.bottom, 0xFFFFFFFF, 255);
    for (size_t i = 0; i < chips_.size(); ++i) {
        RECT r = rects_[i];
        OffsetRect(&r, 0, -offset_);
        if (r.bottom < 0 || r.top > rc.bottom) continue;
        fillAndFrame(dc.dc(), r.left, r.top, r.right - r.left, kChipHeight, accent, 40);
        RECT text = r;
        text.left += 4;
        text.right -= kChipHeight;
        if (const wchar_t* icon = iconOf(chips_[i].kind)) {
            drawImageFile(icon, dc.dc(), r.left + 3, r.top + 3, kChipHeight - 6, kChipHeight - 6, handle());
            text.left += kChipHeight;
        }
        drawPromptText(dc.dc(), handle(), chips_[i].text, text);
        if (deletable_ && int(i) == hover_) {
            const RECT d = deleteArea(i);
            drawImageFile(L"delete.png", dc.dc(), d.left + 3, d.top + 3, kChipHeight - 6, kChipHeight - 6,
                          handle());
        }
    }
    fillAndFrame(dc.dc(), 0, 0, rc.right, rc.bottom, accent, 0);
    return dc;
}
