#pragma once
// A value between a minimum and a maximum, chosen with a square thumb on a track. Subclasses
// react to changes in onValueChanged (the note's transparency slider, for example).
#include "TavWnd.h"

class TavWndSlider : public TavWnd {
public:
    // orientation 1: vertical; 0: horizontal.
    explicit TavWndSlider(int orientation = 0);

    // --- operations added by the slider ---
    // Computes track and thumb from the client size and the value.
    virtual void layout();
    virtual void onValueChanged();

    void onCreated() override;
    void onSized(WPARAM flag, int width, int height) override;
    void onLeftButtonDown(WPARAM keys, int x, int y) override;
    void onMouseMove(WPARAM keys, int x, int y) override;
    void onLeftButtonUp(WPARAM keys, int x, int y) override;
    TavMemDC renderSelf() override;

    void setRange(int minimum, int maximum);
    // Clamped into the range, then laid out; not reported (the owner sets it).
    void setValue(int value);
    int value() const { return value_; }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    bool isVertical() const { return orientation_ == 1; }
    bool isDragging() const { return dragging_; }
    const RECT& trackRect() const { return track_; }
    const RECT& thumbRect() const { return thumb_; }

protected:
    int thumbCentre() const;
    // Centres the thumb at `centre` along the axis (kept inside the track) and returns the
    // value it stands for.
    int moveThumbTo(int centre);
    void repaint();

    int orientation_;
    int minimum_ = 0;
    int maximum_ = 100;
    int value_ = 0;
    RECT track_{};
    RECT thumb_{};
    int marginH_ = 10;
    int marginV_ = 5;
    bool dragging_ = false;
    POINT lastPointer_{};
};
