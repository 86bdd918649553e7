#include "TavNoteScrollBar.h"

#include "DrawToolkit.h"
#include "ScrollMath.h"

TavNoteScrollBar::TavNoteScrollBar(int orientation) : TavWndScrollBar(orientation) {
    setObjectName(L"TavNoteScrollBar");
    setBreadth(kThickness);
}

TavMemDC TavNoteScrollBar::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom, 0x00000000u);
    if (!dc) return dc;
    if (scrollContentExceedsTrack(minimum_, maximum_, track_) && !IsRectEmpty(&thumb_)) {
        // The thumb in the text color, half transparent (stronger while dragged).
        const uint32_t rgb = color_ & 0x00FFFFFFu;
        const int alpha = dragging_ ? 160 : 96;
        for (int y = thumb_.top; y < thumb_.bottom && y < dc.height(); ++y)
            for (int x = thumb_.left; x < thumb_.right && x < dc.width(); ++x)
                if (x >= 0 && y >= 0) dc.at(x, y) = premultiply(uint32_t(alpha) << 24 | rgb);
    }
    return dc;
}
