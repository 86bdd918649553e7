#include "TavWndScrollBar.h"

#include "DrawToolkit.h"
#include "ScrollMath.h"

namespace {

constexpr uint32_t kTrackColor = 0xFFEDEDED;
constexpr uint32_t kThumbColor = 0xFFA8A8A8;
constexpr uint32_t kThumbDragColor = 0xFF808080;

// Forwarding maps may point at each other; a message is handed on at most this many times.
int forwardDepth = 0;
constexpr int kMaxForwardDepth = 8;

} // namespace

TavWndScrollBar::TavWndScrollBar(int orientation) : orientation_(orientation) {
    setObjectName(L"TavWndScrollBars");
}

void TavWndScrollBar::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    position_ = clampScrollPosition(position_, minimum_, maximum_, track_);
    updateThumb();
}

void TavWndScrollBar::setPosition(int position) {
    int clamped = clampScrollPosition(position, minimum_, maximum_, track_);
    if (clamped == position_) return;
    position_ = clamped;
    updateThumb();
}

void TavWndScrollBar::updateTrack() {
    if (!handle()) return;
    RECT rc{};
    GetClientRect(handle(), &rc);
    int length = isVertical() ? rc.bottom - rc.top : rc.right - rc.left;
    if (length == track_) return;
    track_ = length;
    updateThumb();
}

void TavWndScrollBar::updateThumb() {
    ScrollThumb t = scrollThumb(minimum_, maximum_, track_, position_);
    RECT rc{};
    if (handle()) GetClientRect(handle(), &rc);
    if (isVertical())
        thumb_ = RECT{0, t.offset, rc.right, t.offset + t.length};
    else
        thumb_ = RECT{t.offset, 0, t.offset + t.length, rc.bottom};
}

void TavWndScrollBar::onCreated() {
    TavWnd::onCreated();
    updateTrack();
}

void TavWndScrollBar::onSized(WPARAM flag, int width, int height) {
    TavWnd::onSized(flag, width, height);
    updateTrack();
}

void TavWndScrollBar::reportPosition() {
    HWND self = handle();
    if (!self) return;
    if (GetWindowLongW(self, GWL_STYLE) & WS_CHILD) {
        HWND parent = GetParent(self);
        if (parent) PostMessageW(parent, kTavMsgScrollChanged, WPARAM(objectId()), position_);
        return;
    }
    if (redrawAll()) present();
}

void TavWndScrollBar::onLeftButtonDown(WPARAM keys, int x, int y) {
    TavWnd::onLeftButtonDown(keys, x, y);
    if (!isLogicallyVisible() || !scrollContentExceedsTrack(minimum_, maximum_, track_)) return;
    if (!PtInRect(&thumb_, POINT{x, y})) return;
    dragging_ = true;
    dragStartPosition_ = position_;
}

void TavWndScrollBar::onMouseMove(WPARAM keys, int x, int y) {
    TavWnd::onMouseMove(keys, x, y);
    if (!dragging_) return;
    POINT press = lastLeftPress();
    int distance = isVertical() ? y - press.y : x - press.x;
    int moved = dragScrollPosition(dragStartPosition_, distance, minimum_, maximum_, track_);
    if (moved == position_) return;
    position_ = moved;
    updateThumb();
    reportPosition();
}

void TavWndScrollBar::onLeftButtonUp(WPARAM keys, int x, int y) {
    dragging_ = false;
    TavWnd::onLeftButtonUp(keys, x, y);
}

void TavWndScrollBar::onMouseWheel(WPARAM, int delta, int, int) {
    int moved = wheelScrollPosition(position_, delta, minimum_, maximum_, track_);
    if (moved == position_) return;
    position_ = moved;
    updateThumb();
    reportPosition();
}

bool TavWndScrollBar::loseFocus(TavWnd* newFocus) {
    if (!TavWnd::loseFocus(newFocus)) return false;
    HWND self = handle();
    HWND parent = self ? GetParent(self) : nullptr;
    if (parent && (!newFocus || newFocus->handle() != parent))
        SendMessageW(parent, kTavMsgScrollLostFocus, WPARAM(objectId()), 0);
    return true;
}

void TavWndScrollBar::forwardMessage(UINT message, HWND target) { forwards_[message] = target; }

void TavWndScrollBar::stopForwarding(UINT message) { forwards_.erase(message); }

BOOL TavWndScrollBar::preTranslateMessage(MSG* message) {
    if (!message) return FALSE;
    auto it = forwards_.find(message->message);
    if (it == forwards_.end()) return FALSE;
    HWND target = it->second;
    if (!target) return FALSE;
    // The message now goes to the target; a framework target may still swallow it.
    message->hwnd = target;
    TavWnd* window = findByHandle(target);
    if (!window || window == this || forwardDepth >= kMaxForwardDepth) return FALSE;
    ++forwardDepth;
    BOOL swallowed = window->preTranslateMessage(message);
    --forwardDepth;
    return swallowed;
}

TavMemDC TavWndScrollBar::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom, kTrackColor);
    if (!dc) return dc;
    if (scrollContentExceedsTrack(minimum_, maximum_, track_) && !IsRectEmpty(&thumb_)) {
        fillAndFrame(dc.dc(), thumb_.left, thumb_.top, thumb_.right - thumb_.left, thumb_.bottom - thumb_.top,
                     dragging_ ? kThumbDragColor : kThumbColor, 255);
    }
    return dc;
}
