#pragma once
// The editor's caret: a small layered popup window, transparent to the mouse, that blinks with
// timer 1 while its owner editor has the focus.
#include "TavWnd.h"

#include <cstdint>

class TavCaret : public TavWnd {
public:
    static constexpr UINT_PTR kBlinkTimer = 1;
    static constexpr UINT kBlinkMs = 600;

    TavCaret() = default;
    ~TavCaret() override;

    // Creates the hidden caret window for the owner editor window.
    bool createFor(HWND owner);
    // Places the caret at a screen rectangle with the given color (repainted when shown).
    void placeAt(const RECT& screenRect, uint32_t argb);
    // Visible and blinking while the caret lies inside the owner; otherwise hidden.
    void showCaret();
    void hideCaret();
    // Hidden while a key is processed, without a frame of its own: the next showCaret paints.
    void suspend();

    int blinkCounter() const { return blink_; }
    bool blinking() const { return timer_; }
    uint32_t color() const { return color_; }
    // Frames handed to the screen so far.
    int presentCount() const { return presents_; }

    void onTimer(UINT_PTR timerId) override;
    TavMemDC renderSelf() override;

private:
    // What the caret's frame shows: lit or not, its color, the lit part (caret coordinates)
    // and the window's size. A frame that would show the same is not presented again.
    struct Look {
        bool lit = false;
        uint32_t color = 0;
        RECT part{};
        SIZE size{};
        bool operator==(const Look& o) const {
            return lit == o.lit && (!lit || (color == o.color && EqualRect(&part, &o.part))) &&
                   size.cx == o.size.cx && size.cy == o.size.cy;
        }
    };
    Look wantedLook() const;
    // The part of the caret inside its owner, in caret coordinates (empty when none).
    RECT partInsideOwner() const;
    void repaint();
    void repaintIfChanged();

    int blink_ = 0;
    HWND owner_ = nullptr;
    uint32_t color_ = 0xFF000000u;
    bool timer_ = false;
    bool suspended_ = false;
    Look shown_;
    bool everShown_ = false;
    int presents_ = 0;
};
