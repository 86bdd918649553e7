#include "NoteGeometry.h"

#include <algorithm>
#include <cstdint>

namespace {

bool intersects(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Distance along one axis between the spans [a0, a1) and [b0, b1); 0 when they overlap.
int64_t gap(int64_t a0, int64_t a1, int64_t b0, int64_t b1) {
    if (a1 <= b0) return b0 - a1;
    if (b1 <= a0) return a0 - b1;
    return 0;
}

int64_t squaredDistance(const RECT& a, const RECT& b) {
    int64_t dx = gap(a.left, a.right, b.left, b.right);
    int64_t dy = gap(a.top, a.bottom, b.top, b.bottom);
    return dx * dx + dy * dy;
}

// Start of a span of `size` moved into [lo, hi): whole where it fits, else at lo.
int64_t clampSpan(int64_t start, int64_t size, int64_t lo, int64_t hi) {
    if (size >= hi - lo) return lo;
    return std::clamp(start, lo, hi - size);
}

LONG saturate(int64_t v) { return LONG(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

RECT makeRect(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    RECT r;
    r.left = saturate(left);
    r.top = saturate(top);
    r.right = saturate(right);
    r.bottom = saturate(bottom);
    return r;
}

} // namespace

RECT capStoredRect(const RECT& stored) {
    const int64_t left = std::clamp<int64_t>(stored.left, -kMaxNoteCoordinate, kMaxNoteCoordinate);
    const int64_t top = std::clamp<int64_t>(stored.top, -kMaxNoteCoordinate, kMaxNoteCoordinate);
    const int64_t width = std::min<int64_t>(int64_t(stored.right) - stored.left, kMaxNoteSide);
    const int64_t height = std::min<int64_t>(int64_t(stored.bottom) - stored.top, kMaxNoteSide);
    return makeRect(left, top, left + width, top + height);
}

RECT withUsableSize(const RECT& rect) {
    auto extent = [](int64_t size) { return size < kMinNoteSide ? int64_t(kNewNoteSide) : size; };
    const int64_t width = extent(int64_t(rect.right) - rect.left);
    const int64_t height = extent(int64_t(rect.bottom) - rect.top);
    return makeRect(rect.left, rect.top, rect.left + width, rect.top + height);
}

RECT shiftIntoScreen(const RECT& stored, int screenWidth, int screenHeight) {
    // 64-bit arithmetic: stored values may be anything a 32-bit integer holds.
    int64_t left = stored.left, top = stored.top, right = stored.right, bottom = stored.bottom;
    const int64_t width = right - left;
    const int64_t height = bottom - top;
    if (left >= screenWidth) left -= width, right -= width;
    if (top >= int64_t(screenHeight) - 30) top -= height, bottom -= height;
    if (right < 1) left += width, right += width;
    if (bottom < 1) top += height, bottom += height;
    return makeRect(left, top, right, bottom);
}

RECT bringIntoMonitors(const RECT& rect, const std::vector<TavMonitorArea>& monitors) {
    if (monitors.empty()) return rect;
    const TavMonitorArea* nearest = nullptr;
    int64_t best = INT64_MAX;
    for (const TavMonitorArea& m : monitors) {
        if (intersects(rect, m.monitor)) return rect;
        int64_t d = squaredDistance(rect, m.monitor);
        if (d < best) best = d, nearest = &m;
    }
    const RECT& work = nearest->work;
    const int64_t width = int64_t(rect.right) - rect.left;
    const int64_t height = int64_t(rect.bottom) - rect.top;
    const int64_t left = clampSpan(rect.left, width, work.left, work.right);
    const int64_t top = clampSpan(rect.top, height, work.top, work.bottom);
    return makeRect(left, top, left + width, top + height);
}

RECT keepReachable(const RECT& rect, const std::vector<TavMonitorArea>& monitors, int side) {
    const int64_t width = int64_t(rect.right) - rect.left, height = int64_t(rect.bottom) - rect.top;
    const int64_t needX = std::min<int64_t>(side, std::max<int64_t>(width, 0));
    const int64_t needY = std::min<int64_t>(side, std::max<int64_t>(height, 0));
    // The shift along one axis that puts `need` pixels of [a0, a1) inside [w0, w1).
    auto shift = [](int64_t a0, int64_t a1, int64_t w0, int64_t w1, int64_t need) -> int64_t {
        if (a1 - w0 < need) return w0 + need - a1;
        if (w1 - a0 < need) return w1 - need - a0;
        return 0;
    };
    int64_t bestX = 0, bestY = 0, best = INT64_MAX;
    for (const TavMonitorArea& m : monitors) {
        const RECT& w = m.work;
        int64_t dx = shift(rect.left, rect.right, w.left, w.right, needX);
        int64_t dy = shift(rect.top, rect.bottom, w.top, w.bottom, needY);
        if (dx == 0 && dy == 0) return rect;
        if (dx * dx + dy * dy < best) best = dx * dx + dy * dy, bestX = dx, bestY = dy;
    }
    if (monitors.empty()) return rect;
    return makeRect(rect.left + bestX, rect.top + bestY, rect.right + bestX, rect.bottom + bestY);
}

RECT placeStoredRect(const RECT& stored, int screenWidth, int screenHeight,
                     const std::vector<TavMonitorArea>& monitors) {
    // A note larger than the screen could never be seen whole and costs its size in memory.
    RECT sized = withUsableSize(stored);
    if (screenWidth > 0 && int64_t(sized.right) - sized.left > screenWidth)
        sized.right = sized.left + screenWidth;
    if (screenHeight > 0 && int64_t(sized.bottom) - sized.top > screenHeight)
        sized.bottom = sized.top + screenHeight;
    return keepReachable(bringIntoMonitors(shiftIntoScreen(sized, screenWidth, screenHeight), monitors),
                         monitors);
}

RECT keepStoredTopLeft(const RECT& window, POINT storedTopLeft) {
    return makeRect(storedTopLeft.x, storedTopLeft.y,
                    int64_t(storedTopLeft.x) + (int64_t(window.right) - window.left),
                    int64_t(storedTopLeft.y) + (int64_t(window.bottom) - window.top));
}

RECT centreOnScreen(const RECT& window, int screenWidth, int screenHeight) {
    const int64_t width = int64_t(window.right) - window.left;
    const int64_t height = int64_t(window.bottom) - window.top;
    const int64_t left = (screenWidth - width) / 2;
    const int64_t top = (screenHeight - height) / 2;
    return makeRect(left, top, left + width, top + height);
}

namespace {

BOOL CALLBACK collectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info)) {
        reinterpret_cast<std::vector<TavMonitorArea>*>(data)->push_back({info.rcMonitor, info.rcWork});
    }
    return TRUE;
}

} // namespace

std::vector<TavMonitorArea> currentMonitorAreas() {
    std::vector<TavMonitorArea> areas;
    EnumDisplayMonitors(nullptr, nullptr, collectMonitor, reinterpret_cast<LPARAM>(&areas));
    return areas;
}
