#include "TavWndMenu.h"

#include "TavWndMenuItem.h"

#include <algorithm>

namespace {

// Open-submenu links are followed at most this far (a guard against a menu registered under
// itself).
constexpr int kMaxChainDepth = 32;

SIZE rectSize(const RECT& rc) { return SIZE{rc.right - rc.left, rc.bottom - rc.top}; }

bool isChildWindow(HWND window) { return window && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD); }

} // namespace

TavWndMenu::TavWndMenu() : clock_([] { return uint64_t(GetTickCount64()); }), graceMs_(::submenuGraceMs()) {
    setObjectName(L"TavWndMenu");
}

TavWndMenu::~TavWndMenu() {
    // Neither the parent nor the submenus may keep a pointer to a menu that is gone.
    if (parentMenu_) {
        for (auto it = parentMenu_->submenus_.begin(); it != parentMenu_->submenus_.end();) {
            if (it->second == this)
                it = parentMenu_->submenus_.erase(it);
            else
                ++it;
        }
        if (parentMenu_->openSubmenu_ == this) parentMenu_->openSubmenu_ = nullptr;
    }
    for (auto& entry : submenus_) {
        if (entry.second && entry.second->parentMenu_ == this) entry.second->parentMenu_ = nullptr;
    }
    if (handle()) {
        KillTimer(handle(), kSelfDestructionTimer);
        KillTimer(handle(), kSubmenuAimTimer);
    }
}

LRESULT TavWndMenu::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND self = handle();
    LRESULT result = TavWnd::windowProc(message, wParam, lParam);
    // The base routing may have handed the message to a subclass that deleted the menu.
    if (!self || fromHandle(self) != this) return result;
    switch (message) {
    case kTavMsgItemLostFocus:
        onItemLostFocus(findByHandle(reinterpret_cast<HWND>(lParam)));
        break;
    case kTavMsgCommand:
        return runCommand(static_cast<int>(wParam), lParam);
    case kTavMsgItemHovered:
        onItemHovered(static_cast<int>(wParam), reinterpret_cast<HWND>(lParam));
        break;
    case WM_KEYDOWN:
        if (handleKey(wParam)) return 0;
        break;
    default:
        break;
    }
    return result;
}

void TavWndMenu::setCommandTarget(HWND target) {
    commandTarget_ = target;
    for (auto& entry : submenus_) {
        if (entry.second && entry.second != this) entry.second->setCommandTarget(target);
    }
}

RECT TavWndMenu::screenRectAt(POINT point) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    HMONITOR monitor = MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoW(monitor, &info)) return info.rcMonitor;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

POINT TavWndMenu::submenuPosition(const RECT& menuRect, const RECT& itemRect, POINT anchor) {
    return ::submenuPosition(rectSize(menuRect), itemRect, anchor, screenRectAt(anchor));
}

POINT TavWndMenu::popupPosition(int x, int y) {
    RECT client{};
    if (handle()) GetClientRect(handle(), &client);
    POINT point{x, y};
    return menuPopupPosition(rectSize(client), point, screenRectAt(point));
}

void TavWndMenu::close() {
    dropWaitingHover();
    show(SW_HIDE);
}

LRESULT TavWndMenu::runCommand(int itemId, LPARAM argument) {
    // The target may delete this menu while it handles the command: nothing of the menu is
    // used after the command has been sent.
    HWND target = commandTarget_;
    loseFocus(nullptr);
    if (!target) return 0;
    return SendMessageW(target, kTavMsgCommand, static_cast<WPARAM>(itemId), argument);
}

void TavWndMenu::popUp(int x, int y) {
    HWND self = handle();
    if (!self) return;
    POINT pos = popupPosition(x, y);
    SetWindowPos(self, nullptr, pos.x, pos.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    showWithKeyboard();
}

void TavWndMenu::popUpBeside(const RECT& itemRect) {
    HWND self = handle();
    if (!self) return;
    RECT mine{};
    GetWindowRect(self, &mine);
    POINT pos = submenuPosition(mine, itemRect, POINT{itemRect.right, itemRect.top});
    SetWindowPos(self, nullptr, pos.x, pos.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    showWithKeyboard();
}

void TavWndMenu::showWithKeyboard() {
    HWND self = handle();
    // Activated only once it has a frame: Wine maps a layered window at its first update and
    // gives the X key focus only to a mapped window, so a menu activated while still unmapped
    // would be the active window without ever receiving a key.
    // A hidden menu gets its frame as it shows; one already shown is drawn afresh.
    const bool shown = IsWindowVisible(self) != FALSE;
    show(SW_SHOWNA);
    if (shown && redrawAll()) present();
    SetForegroundWindow(self);
    if (GetFocus() != self) SetFocus(self);
    SetWindowPos(self, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
}

void TavWndMenu::registerSubmenu(int itemId, TavWndMenu* submenu) {
    if (!submenu || submenu == this) return;
    submenus_[itemId] = submenu;
    submenu->parentMenu_ = this;
    submenu->setCommandTarget(commandTarget_);
}

void TavWndMenu::unregisterSubmenu(int itemId) {
    auto it = submenus_.find(itemId);
    if (it == submenus_.end()) return;
    if (openSubmenu_ == it->second) openSubmenu_ = nullptr;
    if (it->second->parentMenu_ == this) it->second->parentMenu_ = nullptr;
    submenus_.erase(it);
}

void TavWndMenu::closeChain() {
    TavWndMenu* menu = openSubmenu_;
    for (int depth = 0; menu && depth < kMaxChainDepth; ++depth) {
        if (!menu->handle() || !IsWindow(menu->handle())) break;
        menu->close();
        menu = menu->openSubmenu_;
    }
}

void TavWndMenu::closeWithChain() {
    closeChain();
    close();
}

bool TavWndMenu::isInsideChain(const TavWnd* window) const {
    if (!window) return false;
    const TavWndMenu* menu = this;
    for (int depth = 0; menu && depth < kMaxChainDepth; ++depth) {
        if (window == menu || window->isDescendantOf(menu)) return true;
        menu = menu->openSubmenu_;
        if (menu && !menu->isLogicallyVisible()) break;
    }
    return false;
}

bool TavWndMenu::hasOpenSubmenu() const {
    return openSubmenu_ && openSubmenu_->handle() && openSubmenu_->isLogicallyVisible();
}

void TavWndMenu::closeAncestorsOutside(const TavWnd* newFocus) {
    // Every level up, not only the parent: choosing in a third-level menu closes the root too.
    TavWndMenu* menu = parentMenu_;
    for (int depth = 0; menu && depth < kMaxChainDepth; ++depth) {
        if (menu->isLogicallyVisible() && !menu->isInsideChain(newFocus)) menu->closeWithChain();
        menu = menu->parentMenu_;
    }
}

void TavWndMenu::onItemLostFocus(TavWnd* newFocus) {
    if (!isInsideChain(newFocus)) closeWithChain();
    closeAncestorsOutside(newFocus);
}

bool TavWndMenu::loseFocus(TavWnd* newFocus) {
    if (!TavWnd::loseFocus(newFocus)) return false;
    if (!isInsideChain(newFocus) && isLogicallyVisible()) closeWithChain();
    closeAncestorsOutside(newFocus);
    return true;
}

void TavWndMenu::onItemHovered(int itemId, HWND item) {
    // The pointer's item is the one highlight: a keyboard highlight elsewhere goes.
    TavWnd* hovered = findByHandle(item);
    for (TavWndMenuItem* other : keyItems())
        if (other != hovered) other->setHighlighted(false);
    if (waitForSubmenuAim(itemId, item)) return;
    switchToItem(itemId, item);
}

void TavWndMenu::switchToItem(int itemId, HWND item) {
    dropWaitingHover();
    aim_.settle();
    auto it = submenus_.find(itemId);
    TavWndMenu* found = it == submenus_.end() ? nullptr : it->second;
    if (found && found == openSubmenu_ && found->handle() && IsWindowVisible(found->handle())) return;
    if (openSubmenu_ && openSubmenu_ != found) {
        TavWndMenu* old = openSubmenu_;
        closeChain();
        old->present();
    }
    bool alreadyOpen = found == openSubmenu_ && found && found->isLogicallyVisible();
    if (found && found->handle() && IsWindow(found->handle()) && !alreadyOpen) openSubmenuBeside(found, item);
    openSubmenu_ = found;
}

bool TavWndMenu::waitForSubmenuAim(int itemId, HWND item) {
    auto it = submenus_.find(itemId);
    TavWndMenu* found = it == submenus_.end() ? nullptr : it->second;
    if (!hasOpenSubmenu() || found == openSubmenu_ || !handle()) return false;
    RECT submenu{};
    GetWindowRect(openSubmenu_->handle(), &submenu);
    const uint64_t now = clock_();
    if (!aim_.keepsSubmenu(submenu, now, graceMs_)) return false;
    waitingItemId_ = itemId;
    waitingItem_ = item;
    SetTimer(handle(), kSubmenuAimTimer, std::max<UINT>(1, aim_.remaining(now, graceMs_)), nullptr);
    return true;
}

void TavWndMenu::dropWaitingHover() {
    if (waitingItemId_ == 0 && !waitingItem_) return;
    waitingItemId_ = 0;
    waitingItem_ = nullptr;
    if (handle()) KillTimer(handle(), kSubmenuAimTimer);
}

void TavWndMenu::notePointer(POINT screen) {
    aim_.move(screen);
    // The pointer has arrived: the hovers that waited for it are void.
    TavWndMenu* menu = parentMenu_;
    for (int depth = 0; menu && depth < kMaxChainDepth; ++depth, menu = menu->parentMenu_) {
        menu->dropWaitingHover();
        menu->aim_.settle();
    }
}

void TavWndMenu::onMouseMove(WPARAM keys, int x, int y) {
    TavWnd::onMouseMove(keys, x, y);
    if (!handle()) return;
    POINT screen{x, y};
    ClientToScreen(handle(), &screen);
    notePointer(screen);
}

void TavWndMenu::openSubmenuBeside(TavWndMenu* submenu, HWND item) {
    HWND sub = submenu->handle();
    RECT itemRect{};
    if (item) GetWindowRect(item, &itemRect);
    POINT anchor{itemRect.right, itemRect.top};
    // A pop-up submenu is placed while still hidden (it shows with its frame: shown first, it
    // would flash at its old place); a child one is composed into its parent only once shown.
    if (isChildWindow(sub)) submenu->show(SW_SHOWNOACTIVATE);
    RECT subRect{};
    GetWindowRect(sub, &subRect);
    POINT pos{subRect.left, subRect.top};
    bool move = subRect.left != anchor.x || subRect.top != anchor.y;
    if (move) {
        if (isChildWindow(sub)) {
            HWND parent = GetParent(sub);
            MapWindowPoints(nullptr, parent, &anchor, 1);
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&itemRect), 2);
        }
        pos = submenu->submenuPosition(subRect, itemRect, anchor);
    }
    // A pop-up submenu is top-most like its root, so that a top-most note does not cover it.
    UINT flags = SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW | (move ? 0 : SWP_NOMOVE);
    if (isChildWindow(sub))
        SetWindowPos(sub, nullptr, pos.x, pos.y, 0, 0, flags | SWP_NOZORDER);
    else
        SetWindowPos(sub, HWND_TOPMOST, pos.x, pos.y, 0, 0, flags);
    // Drawn afresh each time it opens: its items may have changed while it was hidden (a hidden
    // submenu is composed and presented as it shows).
    if (submenu->redrawAll()) submenu->present();
    submenu->show(SW_SHOWNOACTIVATE);
}

void TavWndMenu::startSelfDestruction() {
    if (handle()) SetTimer(handle(), kSelfDestructionTimer, 1000, nullptr);
}

void TavWndMenu::onTimer(UINT_PTR timerId) {
    TavWnd::onTimer(timerId);
    if (timerId == kSubmenuAimTimer) {
        int itemId = waitingItemId_;
        HWND item = waitingItem_;
        dropWaitingHover();
        // The waiting item wins when the pointer still rests on it.
        auto* waiting = dynamic_cast<TavWndMenuItem*>(findByHandle(item));
        if (waiting && waiting->isHot() && waiting->parentWnd() == this) switchToItem(itemId, item);
        return;
    }
    if (timerId != kSelfDestructionTimer || !handle()) return;
    if (IsWindowVisible(handle()) || isLogicallyVisible()) return;
    // A submenu still open keeps the menu (and the timer) alive until it is closed too.
    if (hasOpenSubmenu()) return;
    KillTimer(handle(), kSelfDestructionTimer);
    delete this;
}

// --- keyboard ---

TavWndMenuItem* TavWndMenu::itemById(int itemId) const {
    for (TavWnd* child : children_) {
        auto* item = dynamic_cast<TavWndMenuItem*>(child);
        if (item && item->objectId() == itemId) return item;
    }
    return nullptr;
}

std::vector<TavWndMenuItem*> TavWndMenu::keyItems() const {
    std::vector<std::pair<LONG, TavWndMenuItem*>> found;
    for (TavWnd* child : children_) {
        auto* item = dynamic_cast<TavWndMenuItem*>(child);
        HWND h = item ? item->handle() : nullptr;
        if (!h || !IsWindow(h) || !item->isLogicallyVisible() || !IsWindowEnabled(h)) continue;
        RECT rc{};
        GetWindowRect(h, &rc);
        found.emplace_back(rc.top, item);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TavWndMenuItem*> items;
    for (auto& entry : found) items.push_back(entry.second);
    return items;
}

TavWndMenuItem* TavWndMenu::highlightedItem() const {
    for (TavWndMenuItem* item : keyItems())
        if (item->isHot()) return item;
    return nullptr;
}

TavWndMenu* TavWndMenu::chainRoot() {
    TavWndMenu* menu = this;
    for (int depth = 0;
         depth < kMaxChainDepth && menu->parentMenu_ && menu->parentMenu_->isLogicallyVisible(); ++depth)
        menu = menu->parentMenu_;
    return menu;
}

TavWndMenu* TavWndMenu::innermostOpenMenu() {
    TavWndMenu* menu = this;
    for (int depth = 0; depth < kMaxChainDepth && menu->hasOpenSubmenu(); ++depth) menu = menu->openSubmenu_;
    return menu;
}

TavWndMenu* TavWndMenu::keyboardMenu() {
    TavWndMenu* menu = this;
    for (int depth = 0;
         depth < kMaxChainDepth && menu->hasOpenSubmenu() && menu->openSubmenu_->highlightedItem(); ++depth)
        menu = menu->openSubmenu_;
    return menu;
}

bool TavWndMenu::handleKey(WPARAM virtualKey) {
    TavWndMenu* top = chainRoot();
    if (top != this) return top->handleKey(virtualKey);
    if (!isLogicallyVisible()) return false; // a key that comes after the chain has closed
    TavWndMenu* inner = innermostOpenMenu();
    TavWndMenu* keyed = keyboardMenu();
    switch (virtualKey) {
    case VK_ESCAPE:
        if (inner != this) {
            inner->closeSubmenuByKey();
        } else {
            loseFocus(nullptr);
            if (isLogicallyVisible()) closeWithChain();
        }
        return true;
    case VK_LEFT:
        if (inner != this) inner->closeSubmenuByKey();
        return true;
    case VK_UP:
    case VK_DOWN:
        keyed->moveHighlight(virtualKey == VK_UP ? -1 : 1);
        return true;
    case VK_RIGHT:
        keyed->openHighlightedSubmenu();
        return true;
    case VK_RETURN:
    case VK_SPACE:
        // The command may delete this menu: nothing of it is used afterwards.
        if (TavWndMenuItem* item = keyed->highlightedItem()) item->activate();
        return true;
    default:
        return false;
    }
}

void TavWndMenu::highlight(TavWndMenuItem* item) {
    for (TavWndMenuItem* other : keyItems())
        if (other != item) other->setHighlighted(false);
    if (item) item->setHighlighted(true);
}

void TavWndMenu::moveHighlight(int step) {
    std::vector<TavWndMenuItem*> items = keyItems();
    if (items.empty()) return;
    const int n = int(items.size());
    auto current = std::find(items.begin(), items.end(), highlightedItem());
    int next =
        current == items.end() ? (step > 0 ? 0 : n - 1) : (int(current - items.begin()) + step % n + n) % n;
    TavWndMenuItem* item = items[size_t(next)];
    highlight(item);
    auto sub = submenus_.find(item->objectId());
    if (hasOpenSubmenu() && (sub == submenus_.end() || sub->second != openSubmenu_)) closeOpenSubmenu();
}

void TavWndMenu::openHighlightedSubmenu() {
    TavWndMenuItem* item = highlightedItem();
    if (!item) return;
    auto it = submenus_.find(item->objectId());
    TavWndMenu* submenu = it == submenus_.end() ? nullptr : it->second;
    if (!submenu || !submenu->handle() || !IsWindow(submenu->handle())) return;
    dropWaitingHover();
    if (!(submenu == openSubmenu_ && submenu->isLogicallyVisible())) {
        if (hasOpenSubmenu()) closeOpenSubmenu();
        openSubmenuBeside(submenu, item->handle());
        openSubmenu_ = submenu;
    }
    submenu->highlight(nullptr);
    submenu->moveHighlight(1);
}

void TavWndMenu::closeOpenSubmenu() {
    TavWndMenu* old = openSubmenu_;
    if (!old) return;
    closeChain();
    old->present();
    openSubmenu_ = nullptr;
}

void TavWndMenu::closeSubmenuByKey() {
    TavWndMenu* parent = parentMenu_;
    if (!parent) return;
    HWND focus = GetFocus();
    if (focus && handle() && (focus == handle() || IsChild(handle(), focus))) {
        // Hiding the window with the focus would activate some other window and close the chain.
        TavWnd* focused = focusedWindow();
        if (!focused || focused->loseFocus(parent)) parent->takeFocus();
    }
    parent->dropWaitingHover();
    parent->closeOpenSubmenu();
    if (isLogicallyVisible()) {
        closeWithChain();
        present();
    }
    for (const auto& entry : parent->submenus_)
        if (entry.second == this) {
            if (TavWndMenuItem* anchor = parent->itemById(entry.first)) parent->highlight(anchor);
            break;
        }
}
