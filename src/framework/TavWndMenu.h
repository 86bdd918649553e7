#pragma once
// A pop-up menu: a top-level layered window whose items are child buttons (TavWndMenuItem).
// Hovering an item with a registered submenu opens that submenu beside it; clicking an item sends
// a command (10002: item id, argument) to the command target once the menu chain has closed; a
// focus change to a window outside the chain closes the chain.
//
// Item messages (sent by the items to their menu):
//   10001 an item lost the focus: wParam = item handle, lParam = handle of the new focus window
//   10002 an item was chosen:     wParam = item id, lParam = 0
//   10003 an item is hovered:     wParam = item id, lParam = item handle
//   10009 an item was clicked:    wParam = item id, lParam = 0 (before 10002; for subclasses)
#include "TavWnd.h"

#include <map>

class TavWndMenu : public TavWnd {
public:
    TavWndMenu();
    ~TavWndMenu() override;

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool loseFocus(TavWnd* newFocus) override;
    void onTimer(UINT_PTR timerId) override;

    // --- operations added by the menu, in slot order ---
    // Stores the target and passes it on to every registered submenu.
    virtual void setCommandTarget(HWND target);
    // Where this menu goes when it opens as a submenu of the item `itemRect` at `anchor`.
    virtual POINT submenuPosition(const RECT& menuRect, const RECT& itemRect, POINT anchor);
    // Where this menu goes when it pops up at the screen point (x, y).
    virtual POINT popupPosition(int x, int y);
    virtual void close();
    // Drops the focus (closing the chain), then sends 10002 (itemId, argument) to the command
    // target; returns its answer, or 0 when there is no target.
    virtual LRESULT runCommand(int itemId, LPARAM argument);

    // Places the menu for the point, shows, draws and presents it, brings it to the foreground
    // and keeps it above other windows.
    void popUp(int x, int y);
    // The same beside a screen rectangle (the menu opens at its top-right corner).
    void popUpBeside(const RECT& itemRect);

    // Hovering item `itemId` opens `submenu`; its parent menu becomes this one. A later
    // registration under the same id replaces the earlier one.
    void registerSubmenu(int itemId, TavWndMenu* submenu);
    void unregisterSubmenu(int itemId);

    // Hides every open submenu below this menu.
    void closeChain();
    // True when `window` is this menu, inside it, or inside one of its open submenus.
    bool isInsideChain(const TavWnd* window) const;

    // Timer 60001 checks every second whether the menu has been hidden; then the menu deletes
    // itself (once no submenu of it is open). Only for a menu made with `new` that nobody else
    // deletes; a subclass that overrides windowProc must not touch its members after the base
    // has handled WM_TIMER.
    void startSelfDestruction();
    static constexpr UINT_PTR kSelfDestructionTimer = 60001;

    HWND commandTarget() const { return commandTarget_; }
    TavWndMenu* parentMenu() const { return parentMenu_; }
    TavWndMenu* openSubmenu() const { return openSubmenu_; }
    const std::map<int, TavWndMenu*>& submenus() const { return submenus_; }
    int submenuVerticalOffset() const { return submenuVerticalOffset_; }

    // The screen area menus keep inside: the monitor nearest to the point.
    static RECT screenRectAt(POINT point);

protected:
    void onItemLostFocus(TavWnd* newFocus);
    void onItemHovered(int itemId, HWND item);
    void openSubmenuBeside(TavWndMenu* submenu, HWND item);
    // Hides this menu and its open chain.
    void closeWithChain();
    // Closes every visible parent menu that `newFocus` is not inside.
    void closeAncestorsOutside(const TavWnd* newFocus);
    bool hasOpenSubmenu() const;

    HWND commandTarget_ = nullptr;
    TavWndMenu* parentMenu_ = nullptr;
    int submenuVerticalOffset_ = 3;
    std::map<int, TavWndMenu*> submenus_;
    TavWndMenu* openSubmenu_ = nullptr;
};
