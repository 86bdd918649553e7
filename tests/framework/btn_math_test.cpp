// Scroll thumb, wheel, drag and slider arithmetic.
#include <gtest/gtest.h>

#include "ScrollMath.h"

TEST(ScrollMath, ThumbLengthAndOffset) {
    struct Case {
        const char* name;
        int minimum, maximum, track, position;
        int offset, length;
    };
    const Case cases[] = {
        {"top", 0, 1000, 200, 0, 0, 40},
        {"middle", 0, 1000, 200, 400, 80, 40},
        {"bottom", 0, 1000, 200, 800, 160, 40},
        {"truncated", 0, 300, 200, 50, 33, 133},
        {"from a minimum", 100, 1100, 200, 500, 80, 40},
        {"content fits", 0, 150, 200, 0, 0, 200},
        {"content equals track", 0, 200, 200, 0, 0, 200},
        {"empty range", 0, 0, 200, 0, 0, 200},
        {"no track", 0, 1000, 0, 0, 0, 0},
        {"no overflow", 0, 2000000000, 1000, 1999999000, 999, 0},
    };
    for (const Case& c : cases) {
        ScrollThumb t = scrollThumb(c.minimum, c.maximum, c.track, c.position);
        EXPECT_EQ(t.offset, c.offset) << c.name;
        EXPECT_EQ(t.length, c.length) << c.name;
    }
}

TEST(ScrollMath, WheelStepsAreClampedToTheRange) {
    struct Case {
        const char* name;
        int position, delta, minimum, maximum, track;
        int expected;
    };
    const Case cases[] = {
        {"up one step", 100, 120, 0, 1000, 200, 76},
        {"down one step", 100, -120, 0, 1000, 200, 124},
        {"any positive delta is one step", 100, 1, 0, 1000, 200, 76},
        {"no delta", 100, 0, 0, 1000, 200, 100},
        {"not below the minimum", 10, 120, 0, 1000, 200, 0},
        {"not below a nonzero minimum", 60, 120, 50, 1000, 200, 50},
        {"not past maximum - track", 790, -120, 0, 1000, 200, 800},
        {"at the end stays", 800, -120, 0, 1000, 200, 800},
        {"content fits", 0, -120, 0, 150, 200, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wheelScrollPosition(c.position, c.delta, c.minimum, c.maximum, c.track), c.expected)
            << c.name;
    }
    EXPECT_EQ(kScrollWheelStep, 24);
}

TEST(ScrollMath, DragMovesByTheContentScale) {
    struct Case {
        const char* name;
        int start, distance, minimum, maximum, track;
        int expected;
    };
    const Case cases[] = {
        {"down 20 px", 0, 20, 0, 1000, 200, 100},       {"truncated", 100, 3, 0, 1000, 200, 115},
        {"up past the top", 100, -50, 0, 1000, 200, 0}, {"down past the end", 700, 50, 0, 1000, 200, 800},
        {"content fits", 0, 30, 0, 150, 200, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dragScrollPosition(c.start, c.distance, c.minimum, c.maximum, c.track), c.expected)
            << c.name;
    }
    EXPECT_TRUE(scrollContentExceedsTrack(0, 201, 200));
    EXPECT_FALSE(scrollContentExceedsTrack(0, 200, 200));
    EXPECT_FALSE(scrollContentExceedsTrack(0, 1000, 0));
}

TEST(SliderMath, LayoutAndValueRoundTrip) {
    // A 220 x 30 horizontal slider: the track is 200 px from x = 10, the thumb a 20 px square.
    SliderLayout l = sliderLayout(220, 30, false, 50, 0, 100);
    EXPECT_EQ(l.track.left, 10);
    EXPECT_EQ(l.track.right, 210);
    EXPECT_EQ(l.track.top, 5);
    EXPECT_EQ(l.track.bottom, 25);
    EXPECT_EQ(l.thumb.left, 100);
    EXPECT_EQ(l.thumb.right, 120);
    EXPECT_EQ(l.thumb.top, 5);
    EXPECT_EQ(l.thumb.bottom, 25);
    // Thumb centred 100 px into the 200 px track: value 50.
    EXPECT_EQ(sliderValueAt(110, 10, 210, 0, 100), 50);

    struct Case {
        const char* name;
        int centre, start, end, minimum, maximum;
        int expected;
    };
    const Case cases[] = {
        {"track start", 10, 10, 210, 0, 100, 0},        {"track end", 210, 10, 210, 0, 100, 100},
        {"truncated", 13, 10, 210, 0, 100, 1},          {"before the track", -40, 10, 210, 0, 100, 0},
        {"past the track", 500, 10, 210, 0, 100, 100},  {"opacity range", 110, 10, 210, 0, 255, 127},
        {"nonzero minimum", 110, 10, 210, 20, 120, 70}, {"no track", 10, 10, 10, 0, 100, 0},
        {"empty range", 110, 10, 210, 5, 5, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sliderValueAt(c.centre, c.start, c.end, c.minimum, c.maximum), c.expected) << c.name;
    }

    // Vertical: 30 x 220; track height 210 from y = 5; the thumb a 10 px square at x = 10.
    SliderLayout v = sliderLayout(30, 220, true, 25, 0, 100);
    EXPECT_EQ((v.thumb.top + v.thumb.bottom) / 2, 5 + 52);
    EXPECT_EQ(v.thumb.left, 10);
    EXPECT_EQ(v.thumb.right - v.thumb.left, 10);
    EXPECT_EQ(v.thumb.bottom - v.thumb.top, 10);
    // An empty range puts the thumb at the start instead of dividing by zero.
    SliderLayout e = sliderLayout(220, 30, false, 7, 7, 7);
    EXPECT_EQ((e.thumb.left + e.thumb.right) / 2, 10);
}
