#pragma once
// The arithmetic of the move/resize frame: which border zone a point is in, the cursor each zone
// shows, clamping the pointer into the drag bounds, and one resize step of the outline with the
// size limits. Plain functions of rectangles and points; no windows.
#include <windows.h>

// Border zones of a movable window (t = border thickness).
enum TavZone : int {
    kZoneNone = 0,
    kZoneLeft = 1,
    kZoneRight = 2,
    kZoneTop = 3,
    kZoneBottom = 4,
    kZoneTopLeft = 5,
    kZoneTopRight = 6,
    kZoneBottomLeft = 7,
    kZoneBottomRight = 8,
};

// The zone of a screen point in the window rectangle: corners first, then the left and right
// edges, then the top and bottom edges. Squares and edges are half-open like PtInRect, so the
// zones are the outermost `thickness` pixels. kZoneNone outside the rectangle.
int zoneAt(POINT pt, const RECT& window, int thickness);

// The cursor kind a zone shows (TavCursorKind: 4 NW-SE, 5 NE-SW, 2 W-E, 3 N-S, 0 arrow).
int cursorKindForZone(int zone);

// The point moved into the bounds on both axes; the right and bottom sides are exclusive, so the
// result is a pixel inside non-empty bounds.
POINT clampPoint(POINT pt, const RECT& bounds);

// How far the edges may travel, from the window's rectangle and the minimum size h (one default
// line height): left up to R - h, top up to B - h, right down to L + h, bottom down to T + h.
RECT sizeLimits(const RECT& window, int minSize);

struct TavResizeStep {
    bool changed = false;
    RECT rect{};    // the outline's new rectangle
    POINT anchor{}; // where the next step starts from
};

// One resize step of the outline from the anchor to the point in the zone. An edge that reaches
// its limit stops there, and the anchor advances on that axis only by the distance the edge
// actually moved, so that the pointer keeps its place relative to the edge. Axes the zone does
// not resize take the point's coordinate. Zone 0, or a point equal to the anchor, changes nothing.
TavResizeStep resizeStep(const RECT& outline, POINT anchor, POINT pt, int zone, const RECT& limits);
