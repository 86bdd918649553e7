#pragma once
// Scroll bar and slider arithmetic, free of windows so that tests can call it directly.
#include <windows.h>

// Units one wheel notch moves a scroll bar, whatever the size of the delta.
inline constexpr int kScrollWheelStep = 24;

struct ScrollThumb {
    int offset = 0; // from the start of the track
    int length = 0;
};

// Thumb of a bar whose content spans minimum..maximum and whose track is `track` pixels long:
// length = L * L / R, offset = (position - minimum) * L / R, truncated. An empty range, or
// content that fits the track, gives a thumb that fills the track.
ScrollThumb scrollThumb(int minimum, int maximum, int track, int position);

// True when the content is larger than the track, so that the thumb can be dragged.
bool scrollContentExceedsTrack(int minimum, int maximum, int track);

// Clamps a position into minimum .. maximum - track (minimum when the content fits).
int clampScrollPosition(int position, int minimum, int maximum, int track);

// One wheel notch: a positive delta moves kScrollWheelStep toward the minimum, a negative one
// toward the maximum, 0 stays; the result is clamped.
int wheelScrollPosition(int position, int delta, int minimum, int maximum, int track);

// Position after dragging the thumb `distance` pixels from where a drag started at
// `startPosition`: start + distance * R / L (truncated), clamped.
int dragScrollPosition(int startPosition, int distance, int minimum, int maximum, int track);

// Slider geometry: the track is the client rectangle inset by the margins, the thumb a square
// whose side is the client's breadth less both margins across the slider.
inline constexpr int kSliderMarginH = 10;
inline constexpr int kSliderMarginV = 5;

struct SliderLayout {
    RECT track{};
    RECT thumb{};
};

// Horizontal: thumb centre x = mh + (value - minimum) * track width / R, top at mv.
// Vertical: centre y = mv + (value - minimum) * track height / R, left at mh.
SliderLayout sliderLayout(int clientWidth, int clientHeight, bool vertical, int value, int minimum,
                          int maximum, int marginH = kSliderMarginH, int marginV = kSliderMarginV);

// Value for a thumb centred at `centre` on a track from `trackStart` to `trackEnd`:
// minimum + R * (centre - start) / (end - start), truncated and clamped into the range.
int sliderValueAt(int centre, int trackStart, int trackEnd, int minimum, int maximum);

// The square thumb of side `side` centred at `centre` along the axis, starting at `across`.
RECT sliderThumbAt(int centre, int across, int side, bool vertical);
