#pragma once
// A scroll position over a range, moved by dragging the thumb or by the mouse wheel and reported
// to the parent window: 10010 (bar id, new position, posted) and 10011 (bar id, 0) when the bar
// loses the focus to a window other than its parent. The arithmetic is in ScrollMath.h.
#include "TavWnd.h"

#include <map>

class TavWndScrollBar : public TavWnd {
public:
    // orientation 1: vertical; anything else: horizontal.
    explicit TavWndScrollBar(int orientation = 1);

    void onCreated() override;
    void onSized(WPARAM flag, int width, int height) override;
    void onLeftButtonDown(WPARAM keys, int x, int y) override;
    void onMouseMove(WPARAM keys, int x, int y) override;
    void onLeftButtonUp(WPARAM keys, int x, int y) override;
    void onMouseWheel(WPARAM keys, int delta, int screenX, int screenY) override;
    bool loseFocus(TavWnd* newFocus) override;
    BOOL preTranslateMessage(MSG* message) override;
    TavMemDC renderSelf() override;

    void setRange(int minimum, int maximum);
    // Clamps into minimum .. maximum - track length; the owner sets it, so nothing is reported.
    void setPosition(int position);
    int position() const { return position_; }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int trackLength() const { return track_; }
    const RECT& thumbRect() const { return thumb_; }
    bool isVertical() const { return orientation_ == 1; }
    bool isDragging() const { return dragging_; }
    int breadth() const { return breadth_; }
    void setBreadth(int value) { breadth_ = value; }

    // Messages of `message` retrieved for this bar are handed to `target` (its pre-translate
    // operation decides), so that keys or wheel turns reach the view the bar scrolls.
    void forwardMessage(UINT message, HWND target);
    void stopForwarding(UINT message);

protected:
    // Re-reads the track length from the client size; recomputes the thumb when it changed.
    void updateTrack();
    void updateThumb();
    // A child bar posts 10010 to its parent; a top-level bar redraws and presents itself.
    void reportPosition();

    RECT thumb_{};
    int orientation_;
    int breadth_ = 28;
    int minimum_ = 0;
    int maximum_ = 0;
    int track_ = 0;
    int position_ = 0;
    int dragStartPosition_ = 0;
    bool dragging_ = false;
    std::map<UINT, HWND> forwards_;
};
