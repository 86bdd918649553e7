#pragma once
// The arithmetic of the captioned dialogs: which buttons a message box type shows and where they
// stand, where the message text and the name field go, and where a dialog opens over its parent.
// Plain functions of sizes and rectangles; no windows.
#include <windows.h>

#include <vector>

// Control ids of the dialog buttons and of the name field.
enum : int {
    kNoteCloseId = 20003,
    kNoteOkId = 20005,
    kNoteCancelId = 20006,
    kNoteYesId = 20007,
    kNoteNoId = 20008,
    kNoteNameEditId = 20012,
};

// The answers, equal to the platform's IDOK, IDCANCEL, IDYES and IDNO.
enum : int { kNoteResultOk = 1, kNoteResultCancel = 2, kNoteResultYes = 6, kNoteResultNo = 7 };

// Bits of a message box type.
enum : int { kBoxOk = 1, kBoxCancel = 2, kBoxYes = 4, kBoxNo = 8 };

struct TavDialogButton {
    int bit;
    int controlId;
    int result;
    const wchar_t* label;
};

// The four buttons in their right-to-left order: Cancel, No, OK, Yes.
const std::vector<TavDialogButton>& dialogButtonsRightToLeft();
// The button of a control id; null for any other id.
const TavDialogButton* dialogButtonById(int controlId);
// The type's known bits; a type without any shows OK, so that every box can be answered.
int effectiveBoxType(int type);

struct TavDialogMetrics {
    int border = 3;
    int captionHeight = 0;
    int buttonWidth = 48;
    int buttonHeight = 23;
    int buttonRightMargin = 45; // the rightmost button ends this far from the right edge
    int buttonGap = 10;
    int buttonBottomMargin = 8; // bottom-aligned, clear of the border
};

struct TavPlacedButton {
    int controlId;
    RECT rect;
};

// The buttons of the type, left to right, laid out right to left in a window of the size.
std::vector<TavPlacedButton> layoutBoxButtons(int type, SIZE window, const TavDialogMetrics& m);
// OK and Cancel of the name prompt (Cancel optional), left to right.
std::vector<TavPlacedButton> layoutPromptButtons(bool withCancel, SIZE window, const TavDialogMetrics& m);

// The message text box: 37 pixels right of the border, 9 below the caption, 360 wide but never
// past the window's inner edge, down to 32 pixels above the bottom.
RECT messageTextRect(SIZE window, const TavDialogMetrics& m);
// The name field: 232 x 27, 32 pixels right of the border, 14 below the caption.
RECT nameFieldRect(const TavDialogMetrics& m);
// The caption bar and the close button (at the top right, one border width in).
RECT captionBarRect(SIZE window, const TavDialogMetrics& m);
RECT closeButtonRect(SIZE window, const TavDialogMetrics& m);

// Where a dialog of the size opens: centred horizontally over the area (the parent's rectangle,
// or the screen), vertically in the middle or at one third of the free height; then kept inside
// the work area so that a parent near the screen's edge does not push it out of sight.
POINT placeDialog(const RECT& over, SIZE dialog, bool oneThird, const RECT& workArea);
