#pragma once
// A push button: hot and pressed states, the hand cursor, and a click notification (10009 with
// the button's object id) to its parent window. The plain look here is a framed face with the
// window's name as caption; the note-styled buttons draw their own pictures.
#include "TavWnd.h"

#include <string>

class TavWndBt : public TavWnd {
public:
    TavWndBt();

    void onHover(WPARAM keys, int x, int y) override;
    void onMouseLeave() override;
    void onLeftButtonDown(WPARAM keys, int x, int y) override;
    void onLeftButtonUp(WPARAM keys, int x, int y) override;
    void onClick(WPARAM keys, int x, int y) override;
    TavMemDC renderSelf() override;

    bool isHot() const { return (interactionFlags() & kWndHot) != 0; }
    bool isPressed() const { return (interactionFlags() & kWndPressed) != 0; }
    // The window's name, which the plain look shows as its caption.
    std::wstring caption() const;

protected:
    // Redraws the button and shows the result.
    void repaint();
};
