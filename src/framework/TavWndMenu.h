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
//
// Keys reach the root of the open chain, whichever of its windows has the platform focus: Escape
// closes the innermost open menu (the root closes the whole chain), Left closes an open submenu,
// Up and Down move the highlight (the items' hot state) over the enabled items and wrap, Right
// opens the highlighted item's submenu with its first item highlighted, Enter and Space choose
// the highlighted item as a click does. Up, Down, Right and Enter act in the deepest open menu
// that has a highlight.
//
// On the way from an item to its open submenu the pointer may cross other items: while it heads
// for the submenu (SubmenuAim), their hover waits for up to the grace time before it switches.
#include "MenuPlacement.h"
#include "TavWnd.h"

#include <functional>
#include <map>
#include <vector>

class TavWndMenuItem;

class TavWndMenu : public TavWnd {
public:
    TavWndMenu();
    ~TavWndMenu() override;

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool loseFocus(TavWnd* newFocus) override;
    void onTimer(UINT_PTR timerId) override;
    void onMouseMove(WPARAM keys, int x, int y) override;

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
    // with the key focus and keeps it above other windows.
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
    // Fires when a hover that waited for the pointer's way to the submenu is due.
    static constexpr UINT_PTR kSubmenuAimTimer = 60002;

    // A key pressed while the menu or one of its items has the focus; true when it was handled.
    bool handleKey(WPARAM virtualKey);
    // The pointer is at this screen point over the menu or one of its items.
    void notePointer(POINT screen);
    // The item with the highlight, or null.
    TavWndMenuItem* highlightedItem() const;
    // The items the keyboard moves over: visible and enabled, from top to bottom.
    std::vector<TavWndMenuItem*> keyItems() const;
    // The clock of the submenu grace time, in milliseconds (GetTickCount64 unless replaced).
    void setClock(std::function<uint64_t()> clock) { clock_ = std::move(clock); }
    void setSubmenuGraceMs(uint32_t ms) { graceMs_ = ms; }
    uint32_t submenuGraceMs() const { return graceMs_; }
    // The item whose hover waits for the grace time (0 when none).
    int waitingItemId() const { return waitingItemId_; }

    HWND commandTarget() const { return commandTarget_; }
    TavWndMenu* parentMenu() const { return parentMenu_; }
    TavWndMenu* openSubmenu() const { return openSubmenu_; }
    const std::map<int, TavWndMenu*>& submenus() const { return submenus_; }
    int submenuVerticalOffset() const { return submenuVerticalOffset_; }

    // The screen area menus keep inside: the monitor nearest to the point.
    static RECT screenRectAt(POINT point);

protected:
    // Shows, draws and presents the menu, then brings it to the foreground with the key focus
    // and keeps it above other windows.
    void showWithKeyboard();
    void onItemLostFocus(TavWnd* newFocus);
    void onItemHovered(int itemId, HWND item);
    // The hover's effect: the item's submenu opens, any other closes.
    void switchToItem(int itemId, HWND item);
    // True when the hover of `itemId` waits because the pointer heads for the open submenu.
    bool waitForSubmenuAim(int itemId, HWND item);
    void dropWaitingHover();
    void openSubmenuBeside(TavWndMenu* submenu, HWND item);
    // Hides the open submenu chain and shows the change.
    void closeOpenSubmenu();

    TavWndMenu* chainRoot();
    TavWndMenu* innermostOpenMenu();
    TavWndMenu* keyboardMenu();
    void highlight(TavWndMenuItem* item);
    void moveHighlight(int step);
    void openHighlightedSubmenu();
    // Escape on a submenu: it closes, the focus and the highlight go back to its parent's item.
    void closeSubmenuByKey();
    TavWndMenuItem* itemById(int itemId) const;
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

    SubmenuAim aim_;
    std::function<uint64_t()> clock_;
    uint32_t graceMs_;
    int waitingItemId_ = 0;
    HWND waitingItem_ = nullptr;
};
