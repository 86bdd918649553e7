#pragma once
// Where pop-up menus and submenus go on the screen, free of windows so that tests can call it.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Shadow band and extra lift of the shadowed menus, in pixels.
inline constexpr int kMenuShadowWidth = 3;
inline constexpr int kSubmenuVerticalOffset = 3;

// Top-left of a menu of `menu` size popped up at `point`: one pixel below and right of it, or
// flipped to the left (by its width) and/or above it (by its height + 1) where it would pass the
// right or bottom edge of `screen`. A flip that would leave the screen on the other side stops at
// its left or top edge, so the whole menu stays reachable.
POINT menuPopupPosition(SIZE menu, POINT point, const RECT& screen);

// Top-left of a submenu of `menu` size opened beside the hovered `item` (both in the same
// coordinates) at `anchor` (normally the item's top-right corner): there, or ending at the
// item's left edge where it would pass the right edge of `screen`, and moved up by the overflow
// where it would pass the bottom. It never starts left of or above the screen.
POINT submenuPosition(SIZE menu, const RECT& item, POINT anchor, const RECT& screen);

// The shadowed menus' versions: the visible body (inside the shadow band) starts at the point.
POINT shadowedPopupPosition(POINT plain, int shadow = kMenuShadowWidth);
// Moves a plain submenu position so that the body, not the shadow, meets the item: left by the
// shadow when it opens to the right, right by it when it opens to the left; up by the shadow plus
// the vertical offset so the first item lines up with the hovered one.
POINT shadowedSubmenuPosition(POINT plain, const RECT& item, int shadow = kMenuShadowWidth,
                              int verticalOffset = kSubmenuVerticalOffset);

// The width of a menu whose items' texts measure `textWidths`: wide enough for the longest text
// with `margins` (icon column and the check or arrow at the end), never below `minimum`, never
// above `maximum` (the work area).
int menuWidthFor(const std::vector<int>& textWidths, int margins, int minimum, int maximum);

// The text cut to the longest start that, followed by "…", measures at most `width` (the whole
// text when it fits). `measure` gives a text's width; it is called O(log n) times.
std::wstring fitWithEllipsis(const std::wstring& text, int width,
                             const std::function<int(const std::wstring&)>& measure);

// True when the pointer, moving from `previous` to `current`, heads for an open submenu at
// `submenu`: `current` lies inside (or on) the triangle of `previous` and the two ends of the
// submenu's near edge (its left edge when it lies right of `previous`, its right edge when it lies
// left). A pointer that did not move, or a submenu straddling `previous`, does not count.
bool pointerHeadsFor(POINT previous, POINT current, const RECT& submenu);

// The pointer's way to an open submenu across other items of its menu. While the pointer heads
// for the submenu, the hover of another item waits, for at most the grace time counted from the
// first hover that waited; then, or as soon as the pointer turns away, the item under it wins.
// Times are milliseconds of any steady clock.
class SubmenuAim {
public:
    // Records a pointer position (screen coordinates); an unchanged position is ignored.
    void move(POINT point);
    // Whether the hover of another item at `now` waits while the submenu at `submenu` is open.
    bool keepsSubmenu(const RECT& submenu, uint64_t now, uint32_t graceMs);
    // Milliseconds left of the grace time at `now` (0 when nothing waits).
    uint32_t remaining(uint64_t now, uint32_t graceMs) const;
    // Forgets the waiting (the switch happened, or the pointer reached the submenu).
    void settle() { waitingSince_.reset(); }
    bool waiting() const { return waitingSince_.has_value(); }
    POINT current() const { return current_; }

private:
    POINT previous_{};
    POINT current_{};
    int points_ = 0;
    std::optional<uint64_t> waitingSince_;
};

// The grace time from the system's menu show delay, kept within 100..1000 ms (400 without one).
uint32_t submenuGraceMs();
