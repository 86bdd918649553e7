#include "TavWndMenuItem.h"

#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "Settings.h"

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

void TavWndMenuItem::onClick(WPARAM, int x, int y) {
    HWND self = handle();
    if (!self) return;
    int id = objectId();
    HWND parent = GetParent(self);
    if (parent) SendMessageW(parent, kTavMsgButtonClicked, WPARAM(id), 0);
    if (isMoving() || isResizing()) return;
    RECT client{};
    GetClientRect(self, &client);
    TavWnd* menu = parentWnd();
    if (menu && menu->handle() && PtInRect(&client, POINT{x, y}))
        SendMessageW(menu->handle(), kTavMsgCommand, WPARAM(id), 0);
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
        RECT area{kTextLeft, 0, rc.right, rc.bottom};
        TavMemDC label = drawDefaultText(handle(), text, Gdiplus::StringAlignmentNear,
                                         Gdiplus::StringAlignmentCenter, area);
        if (label) {
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            AlphaBlend(dc.dc(), 0, 0, rc.right, rc.bottom, label.dc(), 0, 0, rc.right, rc.bottom, blend);
        }
    }
    return dc;
}
