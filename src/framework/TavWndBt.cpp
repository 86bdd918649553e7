#include "TavWndBt.h"

#include "DrawToolkit.h"

namespace {

// Face colors of the plain look: normal, hot, pressed; and the frame.
constexpr uint32_t kFaceNormal = 0xFFF0F0F0;
constexpr uint32_t kFaceHot = 0xFFE3EEF9;
constexpr uint32_t kFacePressed = 0xFFC8DCF0;
constexpr uint32_t kFrame = 0xFF8A8A8A;

} // namespace

TavWndBt::TavWndBt() { setObjectName(L"TavWndBt"); }

void TavWndBt::repaint() {
    if (redrawAll()) present();
}

void TavWndBt::onHover(WPARAM keys, int x, int y) {
    if (isMoving() || isResizing()) return;
    TavWnd::onHover(keys, x, y);
    setCursorKind(kCursorHand);
    repaint();
}

void TavWndBt::onMouseLeave() {
    if (isMoving() || isResizing()) return;
    TavWnd::onMouseLeave();
    repaint();
}

void TavWndBt::onLeftButtonDown(WPARAM keys, int x, int y) {
    bool wasHot = isHot();
    TavWnd::onLeftButtonDown(keys, x, y);
    if (wasHot && !isMoving() && !isResizing()) repaint();
}

void TavWndBt::onLeftButtonUp(WPARAM keys, int x, int y) {
    bool wasPressed = isPressed();
    TavWnd::onLeftButtonUp(keys, x, y);
    if (wasPressed && !isMoving() && !isResizing()) repaint();
}

void TavWndBt::onClick(WPARAM, int, int) {
    HWND parent = handle() ? GetParent(handle()) : nullptr;
    if (parent) SendMessageW(parent, kTavMsgButtonClicked, static_cast<WPARAM>(objectId()), 0);
}

std::wstring TavWndBt::caption() const {
    if (!handle()) return {};
    int length = GetWindowTextLengthW(handle());
    if (length <= 0) return {};
    std::wstring text(size_t(length) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(handle(), text.data(), length + 1)));
    return text;
}

TavMemDC TavWndBt::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
    if (!dc) return dc;
    uint32_t face = isPressed() ? kFacePressed : isHot() ? kFaceHot : kFaceNormal;
    fillAndFrame(dc.dc(), 0, 0, rc.right, rc.bottom, face, 255);
    // The frame in its own color over the face.
    fillAndFrame(dc.dc(), 0, 0, rc.right, rc.bottom, kFrame, 0);
    std::wstring text = caption();
    if (!text.empty()) {
        TavMemDC label = drawDefaultText(handle(), text, Gdiplus::StringAlignmentCenter,
                                         Gdiplus::StringAlignmentCenter, rc);
        if (label) {
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            AlphaBlend(dc.dc(), 0, 0, rc.right, rc.bottom, label.dc(), 0, 0, rc.right, rc.bottom, blend);
        }
    }
    return dc;
}
