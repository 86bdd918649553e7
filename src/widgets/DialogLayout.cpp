#include "DialogLayout.h"

#include <algorithm>

namespace {

constexpr int kTextLeft = 37;
constexpr int kTextTop = 9;
constexpr int kTextWidth = 360;
constexpr int kTextBottomReserve = 32;
constexpr int kTextRightMargin = 9;
constexpr int kFieldLeft = 32;
constexpr int kFieldTop = 14;
constexpr int kFieldWidth = 232;
constexpr int kFieldHeight = 27;

int contentTop(const TavDialogMetrics& m) { return m.border + m.captionHeight; }

// Places the buttons of the ids (given right to left) from the right edge leftwards.
std::vector<TavPlacedButton> placeRightToLeft(const std::vector<int>& ids, SIZE window,
                                              const TavDialogMetrics& m) {
    std::vector<TavPlacedButton> placed;
    int right = window.cx - m.buttonRightMargin;
    int bottom = window.cy - m.buttonBottomMargin;
    for (int id : ids) {
        placed.push_back({id, RECT{right - m.buttonWidth, bottom - m.buttonHeight, right, bottom}});
        right -= m.buttonWidth + m.buttonGap;
    }
    std::reverse(placed.begin(), placed.end());
    return placed;
}

} // namespace

const std::vector<TavDialogButton>& dialogButtonsRightToLeft() {
    static const std::vector<TavDialogButton> buttons = {
        {kBoxCancel, kNoteCancelId, kNoteResultCancel, L"取消"},
        {kBoxNo, kNoteNoId, kNoteResultNo, L"否"},
        {kBoxOk, kNoteOkId, kNoteResultOk, L"确定"},
        {kBoxYes, kNoteYesId, kNoteResultYes, L"是"},
    };
    return buttons;
}

const TavDialogButton* dialogButtonById(int controlId) {
    for (const TavDialogButton& b : dialogButtonsRightToLeft())
        if (b.controlId == controlId) return &b;
    return nullptr;
}

int effectiveBoxType(int type) {
    int known = type & (kBoxOk | kBoxCancel | kBoxYes | kBoxNo);
    return known ? known : kBoxOk;
}

std::vector<TavPlacedButton> layoutBoxButtons(int type, SIZE window, const TavDialogMetrics& m) {
    int bits = effectiveBoxType(type);
    std::vector<int> ids;
    for (const TavDialogButton& b : dialogButtonsRightToLeft())
        if (bits & b.bit) ids.push_back(b.controlId);
    return placeRightToLeft(ids, window, m);
}

std::vector<TavPlacedButton> layoutPromptButtons(bool withCancel, SIZE window, const TavDialogMetrics& m) {
    std::vector<int> ids;
    if (withCancel) ids.push_back(kNoteCancelId);
    ids.push_back(kNoteOkId);
    return placeRightToLeft(ids, window, m);
}

RECT messageTextRect(SIZE window, const TavDialogMetrics& m) {
    int left = m.border + kTextLeft;
    int top = contentTop(m) + kTextTop;
    // The 360-pixel box is kept inside the window: wider, it would wrap past the visible edge and
    // cut long messages off instead of breaking them onto the next line.
    int right = std::min<int>(left + kTextWidth, window.cx - m.border - kTextRightMargin);
    int bottom = int(window.cy) - kTextBottomReserve;
    return RECT{left, top, std::max(left, right), std::max(top, bottom)};
}

RECT nameFieldRect(const TavDialogMetrics& m) {
    int left = m.border + kFieldLeft;
    int top = contentTop(m) + kFieldTop;
    return RECT{left, top, left + kFieldWidth, top + kFieldHeight};
}

RECT captionBarRect(SIZE window, const TavDialogMetrics& m) {
    return RECT{m.border, m.border, window.cx - m.border, contentTop(m)};
}

RECT closeButtonRect(SIZE window, const TavDialogMetrics& m) {
    int side = std::max(16, m.captionHeight - 2);
    int right = window.cx - m.border;
    return RECT{right - side, m.border, right, m.border + side};
}

POINT placeDialog(const RECT& over, SIZE dialog, bool oneThird, const RECT& workArea) {
    int freeWidth = (over.right - over.left) - dialog.cx;
    int freeHeight = (over.bottom - over.top) - dialog.cy;
    POINT pt{over.left + freeWidth / 2, over.top + (oneThird ? freeHeight / 3 : freeHeight / 2)};
    if (IsRectEmpty(&workArea)) return pt;
    // Right and bottom first, so that a dialog larger than the work area keeps its top-left
    // corner (and its caption with the close button) on the screen.
    pt.x = std::max(workArea.left, std::min(pt.x, workArea.right - dialog.cx));
    pt.y = std::max(workArea.top, std::min(pt.y, workArea.bottom - dialog.cy));
    return pt;
}
