#pragma once
// The scroll bar of a note's text blocks: a thin bar whose thumb takes the block's text color (the
// note's background shows through its track).
#include "TavWndScrollBar.h"

#include <cstdint>

class TavNoteScrollBar : public TavWndScrollBar {
public:
    static constexpr int kThickness = 8;

    // orientation 1: vertical (right edge); 0: horizontal (bottom edge).
    explicit TavNoteScrollBar(int orientation);
    TavMemDC renderSelf() override;
    void setColor(uint32_t argb) { color_ = argb; }
    uint32_t color() const { return color_; }

private:
    uint32_t color_ = 0xFF000000u;
};
