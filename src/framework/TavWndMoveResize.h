#pragma once
// The base of every window the user can drag or resize with the mouse. While the button is held
// only a thin outline follows the pointer: one process-wide layered window ("MoveResizeWnd")
// showing a 1-pixel rectangle. The real window jumps to the outline's rectangle on release, so
// its large layered image is moved once per drag.
//
// Resizing works from the border zones (see MoveResizeZones.h); moving needs a subclass that sets
// cursor kind 1 over the area it is dragged by (a caption bar, say) in its zone hit test.
#include "MoveResizeZones.h"
#include "TavWnd.h"

#include <cstdint>

class TavWndMoveResize : public TavWnd {
public:
    TavWndMoveResize();
    ~TavWndMoveResize() override;

    // --- overridden window operations ---
    void onMouseMove(WPARAM keys, int x, int y) override;
    void onLeftButtonDown(WPARAM keys, int x, int y) override;
    void onLeftButtonUp(WPARAM keys, int x, int y) override;
    void onHover(WPARAM keys, int x, int y) override;
    void onMouseLeave() override;
    void onCreated() override;

    // --- operations added by the frame, in slot order ---
    // Finds the zone of the screen point in the window rectangle, stores it and sets the cursor
    // of the zone; nothing during a drag or for a point outside the rectangle.
    virtual void zoneHitTest(int screenX, int screenY, const RECT& windowRect);
    // Where the pointer may go while dragging: the parent's rectangle for a child window, the
    // (virtual) screen otherwise.
    virtual RECT dragBounds();
    // Moves the outline's edges of the zone towards the screen point; false when nothing moved.
    virtual bool resizeOutline(int screenX, int screenY, int zone, RECT& newRect);
    // The furthest the left, top, right and bottom edges may travel (see sizeLimits()).
    virtual RECT resizeLimits();
    // A transparent DC of the rectangle's size with a 1-pixel frame in the outline color.
    virtual TavMemDC renderOutline(const RECT& rect);
    virtual uint32_t outlineColor();
    virtual int moveResizeHook();

    // --- switches and state ---
    int subclassSwitch() const { return subclassSwitch_; }
    void setSubclassSwitch(int value) { subclassSwitch_ = value; }
    bool dragEnabled() const { return dragEnabled_ != 0; }
    void setDragEnabled(bool enabled) { dragEnabled_ = enabled ? 1 : 0; }
    bool resizeEnabled() const { return resizeEnabled_ != 0; }
    void setResizeEnabled(bool enabled) { resizeEnabled_ = enabled ? 1 : 0; }
    POINT dragAnchor() const { return anchor_; }
    int zone() const { return zone_; }
    int borderThickness() const { return borderThickness_; }
    void setBorderThickness(int pixels) { borderThickness_ = pixels; }

    // The outline window shared by every movable window of the process.
    static HWND outlineWindow();
    static const TavWndMoveResize* outlineOwner();
    static RECT outlineRect();
    static bool outlineVisible();

protected:
    // Puts the outline over the screen rectangle (re-rendered only when it changed or was
    // hidden) and makes this window its owner.
    void showOutline(const RECT& screenRect);
    void hideOutline();
    bool ownsVisibleOutline() const;
    RECT windowRect() const;
    POINT toScreen(int x, int y) const;
    // After the release: the window takes the outline's rectangle.
    void applyOutline(const RECT& screenRect);

private:
    int subclassSwitch_ = 1;
    int dragEnabled_ = 1;
    int resizeEnabled_ = 1;
    POINT anchor_{};
    int zone_ = kZoneNone;
    int borderThickness_ = 5;
};
