#pragma once
// An item of a pop-up menu: a button that tells its menu when it is hovered (10003), clicked
// (10009, then 10002 when released inside it) and when it loses the focus (10001). Its object id
// is the item id. The plain look shows an optional icon of the resource folder and the window's
// name as text, on a tinted face while hot.
#include "TavWndBt.h"

#include <string>

class TavWndMenuItem : public TavWndBt {
public:
    TavWndMenuItem();

    void onHover(WPARAM keys, int x, int y) override;
    void onClick(WPARAM keys, int x, int y) override;
    bool loseFocus(TavWnd* newFocus) override;
    TavMemDC renderSelf() override;

    // File name of an image in the resource folder ("addnote.png"); empty for none.
    void setIcon(const std::wstring& fileName) { icon_ = fileName; }
    const std::wstring& icon() const { return icon_; }

private:
    std::wstring icon_;
};
