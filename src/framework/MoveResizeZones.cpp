#include "MoveResizeZones.h"

#include <algorithm>

namespace {

bool inside(POINT pt, int left, int top, int right, int bottom) {
    return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom;
}

bool movesLeft(int zone) { return zone == kZoneLeft || zone == kZoneTopLeft || zone == kZoneBottomLeft; }
bool movesRight(int zone) { return zone == kZoneRight || zone == kZoneTopRight || zone == kZoneBottomRight; }
bool movesTop(int zone) { return zone == kZoneTop || zone == kZoneTopLeft || zone == kZoneTopRight; }
bool movesBottom(int zone) {
    return zone == kZoneBottom || zone == kZoneBottomLeft || zone == kZoneBottomRight;
}

// Moves one edge by `delta`, not beyond `limit` in the direction `sign` (+1: the limit is a
// maximum, -1: a minimum). Returns the distance actually moved.
int moveEdge(LONG& edge, int delta, int limit, int sign) {
    int wanted = edge + delta;
    int reached = wanted;
    // Only travel towards the limit is bounded; an edge already beyond its limit (a window
    // smaller than the minimum) stays where it is rather than jumping back.
    if (sign > 0 && delta > 0) reached = std::max<int>(edge, std::min(wanted, limit));
    if (sign < 0 && delta < 0) reached = std::min<int>(edge, std::max(wanted, limit));
    int moved = reached - edge;
    edge = reached;
    return moved;
}

} // namespace

int zoneAt(POINT pt, const RECT& w, int t) {
    if (!inside(pt, w.left, w.top, w.right, w.bottom)) return kZoneNone;
    if (inside(pt, w.left, w.top, w.left + t, w.top + t)) return kZoneTopLeft;
    if (inside(pt, w.right - t, w.bottom - t, w.right, w.bottom)) return kZoneBottomRight;
    if (inside(pt, w.right - t, w.top, w.right, w.top + t)) return kZoneTopRight;
    if (inside(pt, w.left, w.bottom - t, w.left + t, w.bottom)) return kZoneBottomLeft;
    if (inside(pt, w.left, w.top + t, w.left + t, w.bottom - t)) return kZoneLeft;
    if (inside(pt, w.right - t, w.top + t, w.right, w.bottom - t)) return kZoneRight;
    if (inside(pt, w.left + t, w.top, w.right - t, w.top + t)) return kZoneTop;
    if (inside(pt, w.left + t, w.bottom - t, w.right - t, w.bottom)) return kZoneBottom;
    return kZoneNone;
}

int cursorKindForZone(int zone) {
    switch (zone) {
    case kZoneTopLeft:
    case kZoneBottomRight:
        return 4;
    case kZoneTopRight:
    case kZoneBottomLeft:
        return 5;
    case kZoneLeft:
    case kZoneRight:
        return 2;
    case kZoneTop:
    case kZoneBottom:
        return 3;
    default:
        return 0;
    }
}

POINT clampPoint(POINT pt, const RECT& b) {
    POINT out = pt;
    if (b.right > b.left) out.x = std::clamp<LONG>(pt.x, b.left, b.right - 1);
    if (b.bottom > b.top) out.y = std::clamp<LONG>(pt.y, b.top, b.bottom - 1);
    return out;
}

RECT sizeLimits(const RECT& w, int h) { return RECT{w.right - h, w.bottom - h, w.left + h, w.top + h}; }

TavResizeStep resizeStep(const RECT& outline, POINT anchor, POINT pt, int zone, const RECT& limits) {
    TavResizeStep step;
    step.rect = outline;
    step.anchor = anchor;
    if (zone < kZoneLeft || zone > kZoneBottomRight) return step;
    if (pt.x == anchor.x && pt.y == anchor.y) return step;
    int dx = pt.x - anchor.x, dy = pt.y - anchor.y;
    step.anchor = pt;
    if (movesLeft(zone)) step.anchor.x = anchor.x + moveEdge(step.rect.left, dx, limits.left, +1);
    if (movesRight(zone)) step.anchor.x = anchor.x + moveEdge(step.rect.right, dx, limits.right, -1);
    if (movesTop(zone)) step.anchor.y = anchor.y + moveEdge(step.rect.top, dy, limits.top, +1);
    if (movesBottom(zone)) step.anchor.y = anchor.y + moveEdge(step.rect.bottom, dy, limits.bottom, -1);
    step.changed = true;
    return step;
}
