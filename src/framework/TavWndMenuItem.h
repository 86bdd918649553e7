#pragma once
// An item of a pop-up menu: a button that tells its menu when it is hovered (10003), clicked
// (10009, then 10002 when released inside it) and when it loses the focus (10001). Its object id
// is the item id. The plain look shows an optional icon of the resource folder and the window's
// name as text, on a tinted face while hot. The hot state is also the menu's keyboard highlight.
#include "TavWndBt.h"

#include <string>

class TavWndMenuItem : public TavWndBt {
public:
    TavWndMenuItem();

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onMouseMove(WPARAM keys, int x, int y) override;
    void onHover(WPARAM keys, int x, int y) override;
    void onClick(WPARAM keys, int x, int y) override;
    bool loseFocus(TavWnd* newFocus) override;
    TavMemDC renderSelf() override;
    // The item's image depends on its size, hot state, icon and text (and what subclasses add).
    uint64_t keptImageKey() const override;

    // File name of an image in the resource folder ("addnote.png"); empty for none.
    void setIcon(const std::wstring& fileName) { icon_ = fileName; }
    const std::wstring& icon() const { return icon_; }

    // Shows or removes the highlight (the hot look) and presents the change.
    void setHighlighted(bool on);
    // Does what a click inside the item does: 10009 to the parent window, then 10002 to the menu.
    void activate();

private:
    // 10009 to the parent window; then, when `chosen` and the item is not being moved or resized,
    // 10002 to the menu.
    void sendClick(bool chosen);

    std::wstring icon_;
    // The text layer, kept while the text and the size stay: it does not depend on the hot state.
    TavMemDC label_;
    std::wstring labelText_;
};
