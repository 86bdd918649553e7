#include "TavWndMenuItem.h"

#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "Settings.h"
#include "TavWndMenu.h"

namespace {

constexpr int kIconSize = 16;
constexpr int kIconLeft = 6;
constexpr int kTextLeft = 28;

// The accent color mixed into white: an opaque tint for the hot item.
uint32_t hotTint() {
    uint32_t accent = settings().borderMenuColor;
    auto mix = [](uint32_t channel) { return (channel * 3 + 255 * 7) / 10; };
    uint32_t r = mix((accent >> 16) & 0xFF), g = mix((accent >> 8) & 0xFF), b = mix(accent & 0xFF);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

} // namespace

TavWndMenuItem::TavWndMenuItem() { setObjectName(L"TavWndMenuItem"); }

void TavWndMenuItem::onHover(WPARAM keys, int x, int y) {
    TavWndBt::onHover(keys, x, y);
    HWND self = handle();
    HWND parent = self ? GetParent(self) : nullptr;
    if (parent) SendMessageW(parent, kTavMsgItemHovered, WPARAM(objectId()), LPARAM(self));
}

LRESULT TavWndMenuItem::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // An item holds the platform focus after a press on it; its menu handles the keys.
    HWND parent = handle() ? GetParent(handle()) : nullptr;
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && parent &&
        dynamic_cast<TavWndMenu*>(parentWnd()))
        return SendMessageW(parent, message, wParam, lParam);
    return TavWndBt::windowProc(message, wParam, lParam);
}

void TavWndMenuItem::onMouseMove(WPARAM keys, int x, int y) {
    TavWndBt::onMouseMove(keys, x, y);
    auto* menu = dynamic_cast<TavWndMenu*>(parentWnd());
    if (!menu || !handle()) return;
    POINT screen{x, y};
    ClientToScreen(handle(), &screen);
    menu->notePointer(screen);
}

void TavWndMenuItem::setHighlighted(bool on) {
    if (isHot() == on) return;
    if (on)
        interaction_ |= kWndHot;
    else
        interaction_ &= ~kWndHot;
    repaint();
}

void TavWndMenuItem::activate() { sendClick(true); }

void TavWndMenuItem::onClick(WPARAM, int x, int y) {
    RECT client{};
    if (handle()) GetClientRect(handle(), &client);
    sendClick(PtInRect(&client, POINT{x, y}) != FALSE);
}

void TavWndMenuItem::sendClick(bool chosen) {
    HWND self = handle();
    if (!self) return;
    int id = objectId();
    HWND parent = GetParent(self);
    if (parent) SendMessageW(parent, kTavMsgButtonClicked, WPARAM(id), 0);
    if (findByHandle(self) != this || isMoving() || isResizing() || !chosen) return;
    TavWnd* menu = parentWnd();
    if (menu && menu->handle()) SendMessageW(menu->handle(), kTavMsgCommand, WPARAM(id), 0);
    // The command may have deleted the menu and this item with it: nothing more here.
}

bool TavWndMenuItem::loseFocus(TavWnd* newFocus) {
    if (!TavWndBt::loseFocus(newFocus)) return false;
    TavWnd* menu = parentWnd();
    if (menu && menu->handle() && handle() && (GetWindowLongW(handle(), GWL_STYLE) & WS_CHILD)) {
        SendMessageW(menu->handle(), kTavMsgItemLostFocus, WPARAM(handle()),
                     LPARAM(newFocus ? newFocus->handle() : nullptr));
    }
    return true;
}

uint64_t TavWndMenuItem::keptImageKey() const {
    if (!handle()) return 0;
    RECT rc{};
    GetClientRect(handle(), &rc);
    const std::wstring text = caption();
    const uint32_t look[4] = {uint32_t(rc.right), uint32_t(rc.bottom), isHot() ? hotTint() : 0u,
                              uint32_t(text.size())};
    uint64_t key = mixKey(kKeySeed, look, sizeof look);
    key = mixKey(key, text.data(), text.size() * sizeof(wchar_t));
    key = mixKey(key, icon_.data(), icon_.size() * sizeof(wchar_t));
    return key | 1; // never 0
}

TavMemDC TavWndMenuItem::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom, isHot() ? hotTint() : 0);
    if (!dc) return dc;
    if (!icon_.empty()) {
        int top = (rc.bottom - kIconSize) / 2;
        drawImageFile(icon_, dc.dc(), kIconLeft, top, kIconSize, kIconSize, handle());
    }
    std::wstring text = caption();
    if (!text.empty() && rc.right > kTextLeft) {
        if (!label_ || text != labelText_ || label_.width() != rc.right || label_.height() != rc.bottom) {
            RECT area{kTextLeft, 0, rc.right, rc.bottom};
            label_ = drawDefaultText(handle(), text, Gdiplus::StringAlignmentNear,
                                     Gdiplus::StringAlignmentCenter, area);
            labelText_ = text;
        }
        if (label_) {
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            AlphaBlend(dc.dc(), 0, 0, rc.right, rc.bottom, label_.dc(), 0, 0, rc.right, rc.bottom, blend);
        }
    }
    return dc;
}
