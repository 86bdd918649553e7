// Window registries, attach and creation, destruction, and the window's simple state operations.
#include "TavWndState.h"

#include <algorithm>

namespace tavwnd {

CoreState& core() {
    static CoreState state;
    return state;
}

UpdateLayeredWindowFn updateLayeredWindow() {
    auto& s = core();
    if (!s.updateLayeredLookedUp) {
        s.updateLayeredLookedUp = true;
        HMODULE user32 = GetModuleHandleW(L"User32.DLL");
        if (!user32) user32 = LoadLibraryW(L"User32.DLL");
        if (user32) {
            s.updateLayeredWindow = reinterpret_cast<UpdateLayeredWindowFn>(
                reinterpret_cast<void*>(GetProcAddress(user32, "UpdateLayeredWindow")));
        }
    }
    return s.updateLayeredWindow;
}

} // namespace tavwnd

using tavwnd::core;

TavWnd::TavWnd() : cursor_(LoadCursorW(nullptr, IDC_ARROW)) { setObjectName(L"TavWnd"); }

TavWnd::~TavWnd() {
    auto& s = core();
    unregisterWindow();
    backBuffer_ = TavMemDC();
    detachFromParent();
    for (TavWnd* child : children_) child->parent_ = nullptr;
    children_.clear();
    if (s.focused == this) s.focused = nullptr;
    if (s.pendingModal == this) s.pendingModal = nullptr;
    // The object stops answering for its window before the window goes, so that the messages
    // of the destruction never reach a half-destroyed object.
    HWND window = hwnd_;
    unregisterHandle();
    hwnd_ = nullptr;
    if (window && IsWindow(window)) DestroyWindow(window);
}

void TavWnd::registerWindow() {
    auto& s = core();
    s.byId.emplace(objectId(), this);
    if (hwnd_) s.byHandle[hwnd_] = this;
}

void TavWnd::unregisterWindow() {
    auto& s = core();
    auto range = s.byId.equal_range(objectIdIfAny());
    for (auto it = range.first; it != range.second;) {
        if (it->second == this)
            it = s.byId.erase(it);
        else
            ++it;
    }
    if (hwnd_) {
        auto it = s.byHandle.find(hwnd_);
        if (it != s.byHandle.end() && it->second == this) s.byHandle.erase(it);
    }
}

void TavWnd::detachFromParent() {
    if (!parent_) return;
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    parent_ = nullptr;
}

TavWnd* TavWnd::findById(int id) {
    auto& s = core();
    auto range = s.byId.equal_range(id);
    if (range.first == range.second) return nullptr;
    return std::prev(range.second)->second;
}

TavWnd* TavWnd::findByHandle(HWND window) {
    if (!window) return nullptr;
    auto& s = core();
    auto it = s.byHandle.find(window);
    return it == s.byHandle.end() ? nullptr : it->second;
}

size_t TavWnd::windowCount() { return core().byId.size(); }

bool TavWnd::create(int id, const wchar_t* name, DWORD exStyle, DWORD style, int x, int y, int width,
                    int height, HWND parent) {
    return TavObjectSub::create(id, name, exStyle, style, x, y, width, height, parent);
}

void TavWnd::attach(int id, HWND window) {
    unregisterWindow();
    TavObjectSub::attach(id, window);
    if (!window) return;
    registerWindow();
    if (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) showState_ = SW_SHOW;
    onCreated();
}

void TavWnd::onCreated() {
    HWND parentHandle = (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd_) : nullptr;
    TavWnd* parent = findByHandle(parentHandle);
    if (parent_ != parent) {
        detachFromParent();
        if (parent) {
            parent->children_.push_back(this);
            parent_ = parent;
        }
    }
    GetWindowRect(hwnd_, &lastRect_);
    sizedRect_ = lastRect_;
    tavwnd::updateLayeredWindow();
}

void TavWnd::onDestroyed() {
    auto& s = core();
    if (s.focused == this) s.focused = nullptr;
    // Found by id until the object goes; no longer found by its dead handle.
    if (hwnd_) {
        auto it = s.byHandle.find(hwnd_);
        if (it != s.byHandle.end() && it->second == this) s.byHandle.erase(it);
    }
    unregisterHandle();
    hoverPending_ = false;
    pressFlag_ = false;
    backBuffer_ = TavMemDC();
    presentFrame_ = TavMemDC();
    // The handle may name another window one day: the object forgets it.
    hwnd_ = nullptr;
}

HWND TavWnd::topLevelHandle() const {
    HWND window = hwnd_;
    while (window) {
        LONG style = GetWindowLongW(window, GWL_STYLE);
        if ((style & WS_POPUP) || !(style & WS_CHILD)) return window;
        HWND parent = GetParent(window);
        if (!parent) return window;
        window = parent;
    }
    return nullptr;
}

TavWnd* TavWnd::root() {
    TavWnd* top = findByHandle(topLevelHandle());
    return top ? top : this;
}

bool TavWnd::isLayered() const {
    HWND window = hwnd_;
    while (window && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) {
        HWND parent = GetParent(window);
        if (!parent) break;
        window = parent;
    }
    return window && (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED);
}

bool TavWnd::isLogicallyVisible() const {
    if (!hwnd_) return false;
    if (IsWindowVisible(hwnd_)) return true;
    return showState_ == SW_SHOWNORMAL || showState_ == SW_SHOWNOACTIVATE || showState_ == SW_SHOW ||
           showState_ == SW_SHOWNA;
}

bool TavWnd::isDescendantOf(const TavWnd* ancestor) const {
    for (const TavWnd* w = parent_; w; w = w->parent_) {
        if (w == ancestor) return true;
    }
    return false;
}

void TavWnd::refresh() {
    if (!isLayered()) present();
}

void TavWnd::setCursorKind(int kind) {
    static const LPCWSTR shapes[] = {IDC_ARROW,    IDC_SIZEALL,  IDC_SIZEWE, IDC_SIZENS,
                                     IDC_SIZENWSE, IDC_SIZENESW, IDC_HAND,   IDC_IBEAM};
    LPCWSTR shape = (kind >= 0 && kind < 8) ? shapes[kind] : IDC_ARROW;
    cursorKind_ = kind;
    cursor_ = LoadCursorW(nullptr, shape);
    SetCursor(cursor_);
}

bool TavWnd::isResizing() { return cursorKind_ >= kCursorSizeWE && cursorKind_ <= kCursorSizeNESW; }

bool TavWnd::isMoving() { return cursorKind_ == kCursorSizeAll; }

void TavWnd::show(int command) {
    showState_ = command;
    if (!hwnd_) return;
    // Hiding a hidden window, or showing a shown child window without activating it, changes
    // nothing: the call is left out (scroll bars are shown or hidden again at every key).
    const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
    const bool visible = (style & WS_VISIBLE) != 0;
    if ((command == SW_HIDE && !visible) || (command == SW_SHOWNA && visible && (style & WS_CHILD))) return;
    // A layered window is given its first frame before it shows: it never shows an empty or stale
    // picture, and the platform maps it once, with its contents (handing a frame to a window that
    // already shows costs Wine about a millisecond more per window).
    const bool showing = command == SW_SHOW || command == SW_SHOWNA || command == SW_SHOWNOACTIVATE ||
                         command == SW_SHOWNORMAL;
    if (showing && !visible && !(style & WS_CHILD) && (GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYERED)) {
        composeHidden_ = true;
        struct Restore {
            bool& flag;
            ~Restore() { flag = false; }
        } restore{composeHidden_};
        if (redrawAll()) presentLayered();
    }
    ShowWindow(hwnd_, command);
}

void TavWnd::enable(bool enabled) {
    if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

void TavWnd::onGeometryChanged() {}

void TavWnd::setKeyValue(int key, int value) {
    // A later registration under the same key replaces the earlier one.
    keyValues_[key] = value;
}
