#include "ScrollMath.h"

#include <algorithm>
#include <cstdint>

namespace {

// a * b / c in 64 bits, truncated toward zero; 0 when c is 0.
int mulDiv64(int64_t a, int64_t b, int64_t c) {
    if (c == 0) return 0;
    int64_t r = a * b / c;
    return static_cast<int>(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
}

} // namespace

bool scrollContentExceedsTrack(int minimum, int maximum, int track) {
    return track > 0 && int64_t(track) < int64_t(maximum) - minimum;
}

ScrollThumb scrollThumb(int minimum, int maximum, int track, int position) {
    if (track <= 0) return {};
    if (!scrollContentExceedsTrack(minimum, maximum, track)) return {0, track};
    int64_t range = int64_t(maximum) - minimum;
    ScrollThumb thumb;
    thumb.length = mulDiv64(track, track, range);
    thumb.offset = mulDiv64(int64_t(position) - minimum, track, range);
    return thumb;
}

int clampScrollPosition(int position, int minimum, int maximum, int track) {
    int64_t highest = int64_t(maximum) - std::max(track, 0);
    if (highest < minimum) return minimum;
    return static_cast<int>(std::clamp<int64_t>(position, minimum, highest));
}

int wheelScrollPosition(int position, int delta, int minimum, int maximum, int track) {
    int64_t moved = position;
    if (delta > 0) moved -= kScrollWheelStep;
    if (delta < 0) moved += kScrollWheelStep;
    moved = std::clamp<int64_t>(moved, INT32_MIN, INT32_MAX);
    return clampScrollPosition(static_cast<int>(moved), minimum, maximum, track);
}

int dragScrollPosition(int startPosition, int distance, int minimum, int maximum, int track) {
    if (track <= 0) return clampScrollPosition(startPosition, minimum, maximum, track);
    int64_t moved = int64_t(startPosition) + mulDiv64(distance, int64_t(maximum) - minimum, track);
    moved = std::clamp<int64_t>(moved, INT32_MIN, INT32_MAX);
    return clampScrollPosition(static_cast<int>(moved), minimum, maximum, track);
}

RECT sliderThumbAt(int centre, int across, int side, bool vertical) {
    int start = centre - side / 2;
    if (vertical) return RECT{across, start, across + side, start + side};
    return RECT{start, across, start + side, across + side};
}

SliderLayout sliderLayout(int clientWidth, int clientHeight, bool vertical, int value, int minimum,
                          int maximum, int marginH, int marginV) {
    SliderLayout out;
    out.track = RECT{marginH, marginV, clientWidth - marginH, clientHeight - marginV};
    int64_t range = int64_t(maximum) - minimum;
    int64_t relative = std::clamp<int64_t>(int64_t(value) - minimum, 0, std::max<int64_t>(range, 0));
    if (vertical) {
        int side = std::max(clientWidth - 2 * marginH, 0);
        int extent = out.track.bottom - out.track.top;
        int centre = marginV + (range > 0 ? mulDiv64(relative, extent, range) : 0);
        out.thumb = sliderThumbAt(centre, marginH, side, true);
    } else {
        int side = std::max(clientHeight - 2 * marginV, 0);
        int extent = out.track.right - out.track.left;
        int centre = marginH + (range > 0 ? mulDiv64(relative, extent, range) : 0);
        out.thumb = sliderThumbAt(centre, marginV, side, false);
    }
    return out;
}

int sliderValueAt(int centre, int trackStart, int trackEnd, int minimum, int maximum) {
    if (trackEnd <= trackStart || maximum <= minimum) return minimum;
    int offset = std::clamp(centre, trackStart, trackEnd) - trackStart;
    int64_t value =
        int64_t(minimum) + mulDiv64(int64_t(maximum) - minimum, offset, int64_t(trackEnd) - trackStart);
    return static_cast<int>(std::clamp<int64_t>(value, minimum, maximum));
}
