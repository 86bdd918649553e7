#include "TavWndSlider.h"

#include <algorithm>

#include "DrawToolkit.h"
#include "ScrollMath.h"

namespace {

constexpr uint32_t kTrackColor = 0x59FF0000;
constexpr uint32_t kThumbColor = 0xE9167A7B;

} // namespace

TavWndSlider::TavWndSlider(int orientation) : orientation_(orientation) { setObjectName(L"TavWndSlider"); }

void TavWndSlider::layout() {
    RECT rc{};
    if (handle()) GetClientRect(handle(), &rc);
    SliderLayout l =
        sliderLayout(rc.right, rc.bottom, isVertical(), value_, minimum_, maximum_, marginH_, marginV_);
    track_ = l.track;
    thumb_ = l.thumb;
}

void TavWndSlider::onValueChanged() {}

void TavWndSlider::onCreated() {
    TavWnd::onCreated();
    layout();
}

void TavWndSlider::onSized(WPARAM flag, int width, int height) {
    TavWnd::onSized(flag, width, height);
    layout();
}

void TavWndSlider::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    value_ = std::clamp(value_, minimum_, maximum_);
    layout();
}

void TavWndSlider::setValue(int value) {
    value_ = std::clamp(value, minimum_, maximum_);
    layout();
}

int TavWndSlider::thumbCentre() const {
    return isVertical() ? (thumb_.top + thumb_.bottom) / 2 : (thumb_.left + thumb_.right) / 2;
}

int TavWndSlider::moveThumbTo(int centre) {
    int start = isVertical() ? track_.top : track_.left;
    int end = isVertical() ? track_.bottom : track_.right;
    centre = std::clamp(centre, start, std::max(start, end));
    int side = isVertical() ? thumb_.bottom - thumb_.top : thumb_.right - thumb_.left;
    int across = isVertical() ? thumb_.left : thumb_.top;
    thumb_ = sliderThumbAt(centre, across, side, isVertical());
    return sliderValueAt(centre, start, end, minimum_, maximum_);
}

void TavWndSlider::repaint() {
    if (redrawAll()) present();
}

void TavWndSlider::onLeftButtonDown(WPARAM keys, int x, int y) {
    TavWnd::onLeftButtonDown(keys, x, y);
    if (!isVertical()) {
        int target = std::clamp(x, int(track_.left), std::max<int>(track_.left, track_.right));
        if (target != thumbCentre()) {
            value_ = moveThumbTo(target);
            repaint();
            onValueChanged();
        }
    }
    dragging_ = true;
    lastPointer_ = POINT{x, y};
}

void TavWndSlider::onMouseMove(WPARAM keys, int x, int y) {
    TavWnd::onMouseMove(keys, x, y);
    if (!dragging_) return;
    int along = isVertical() ? y : x;
    int before = isVertical() ? lastPointer_.y : lastPointer_.x;
    if (along == before) return;
    int moved = moveThumbTo(along);
    if (moved == value_) return;
    lastPointer_ = POINT{x, y};
    value_ = std::clamp(moved, minimum_, maximum_);
    repaint();
    onValueChanged();
}

void TavWndSlider::onLeftButtonUp(WPARAM keys, int x, int y) {
    TavWnd::onLeftButtonUp(keys, x, y);
    dragging_ = false;
}

TavMemDC TavWndSlider::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
    if (!dc) return dc;
    Gdiplus::Graphics g(dc.dc());
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.FillRectangle(getBrush(kTrackColor), Gdiplus::Rect(track_.left, track_.top, track_.right - track_.left,
                                                         track_.bottom - track_.top));
    g.FillRectangle(getBrush(kThumbColor), Gdiplus::Rect(thumb_.left, thumb_.top, thumb_.right - thumb_.left,
                                                         thumb_.bottom - thumb_.top));
    return dc;
}
