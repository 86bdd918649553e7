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
    // Places the caret at a screen rectangle with the given colour (repainted when shown).
    void placeAt(const RECT& screenRect, uint32_t argb);
    // Visible and blinking while the caret lies inside the owner; otherwise hidden.
    void showCaret();
    void hideCaret();
    // Hidden while a key is processed, without a frame of its own: the next showCaret paints.
    void suspend();

    int blinkCounter() const { return blink_; }
    bool blinking() const { return timer_; }
    uint32_t colour() const { return colour_; }

    void onTimer(UINT_PTR timerId) override;
    TavMemDC renderSelf() override;

private:
    void repaint();

    int blink_ = 0;
    HWND owner_ = nullptr;
    uint32_t colour_ = 0xFF000000u;
    bool timer_ = false;
    bool suspended_ = false;
    uint32_t shownColour_ = 0;
};
