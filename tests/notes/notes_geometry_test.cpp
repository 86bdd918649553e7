// Where a stored rectangle opens: the screen shifts, the monitor rescue, the hosted corner.
#include <climits>

#include "NoteGeometry.h"
#include "notes_support.h"

namespace {

bool sameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// A 1280 x 800 primary monitor with a 30-pixel task bar and a 1280 x 1024 one to its right.
const std::vector<TavMonitorArea> kTwoMonitors = {
    {{0, 0, 1280, 800}, {0, 0, 1280, 770}},
    {{1280, 0, 2560, 1024}, {1280, 0, 2560, 1024}},
};

} // namespace

// A stored rectangle is capped before anything is computed from it: no overflow for any 32-bit
// values, and never a window (and a back buffer) larger than kMaxNoteSide on a side.
TEST(NoteGeometry, StoredRectanglesAreCappedToAWindowSize) {
    constexpr int side = kMaxNoteSide, edge = kMaxNoteCoordinate;
    struct Case {
        const char* name;
        RECT stored;
        RECT expected;
    };
    const Case cases[] = {
        {"ordinary", {100, 100, 280, 280}, {100, 100, 280, 280}},
        {"30000 square", {0, 0, 30000, 30000}, {0, 0, side, side}},
        {"whole 32-bit range",
         {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
         {-edge, -edge, -edge + side, -edge + side}},
        {"far right and down",
         {INT_MAX - 30, INT_MAX - 30, INT_MAX, INT_MAX},
         {edge, edge, edge + 30, edge + 30}},
        {"exactly the largest side", {5, 6, 5 + side, 6 + side}, {5, 6, 5 + side, 6 + side}},
        {"inverted stays inverted", {300, 300, 100, 100}, {300, 300, 100, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RECT got = capStoredRect(c.stored);
        EXPECT_TRUE(sameRect(got, c.expected)) << text(got);
    }
}

TEST(NoteGeometry, AnEmptyOrInvertedRectangleOpensAtANewNotesSize) {
    EXPECT_TRUE(sameRect(withUsableSize({300, 300, 100, 100}), {300, 300, 480, 480}));
    EXPECT_TRUE(sameRect(withUsableSize({INT_MAX, 7, INT_MAX, 7}), {INT_MAX, 7, INT_MAX, 187}));
    EXPECT_TRUE(sameRect(withUsableSize({0, 0, 23, 24}), {0, 0, 180, 24}));
    EXPECT_TRUE(
        sameRect(placeStoredRect({600, 500, 400, 300}, 1280, 800, {kTwoMonitors[0]}), {600, 500, 780, 680}));
}

// At least 40 x 40 pixels of a note stay on some monitor's work area, so it can be grabbed again.
TEST(NoteGeometry, EnoughOfANoteStaysOnAWorkAreaToBeGrabbed) {
    struct Case {
        const char* name;
        RECT rect;
        RECT expected;
    };
    const Case cases[] = {
        {"inside", {100, 100, 280, 280}, {100, 100, 280, 280}},
        {"exactly 40 left on the right", {1240, 100, 1420, 280}, {1240, 100, 1420, 280}},
        {"11 pixels left at the bottom of the task bar's screen", {100, 759, 280, 939}, {100, 730, 280, 910}},
        {"11 pixels left at the left", {-169, 100, 11, 280}, {-140, 100, 40, 280}},
        {"11 pixels left at the top", {100, -169, 280, 11}, {100, -140, 280, 40}},
        {"a corner of 5 x 5", {-175, -175, 5, 5}, {-140, -140, 40, 40}},
        {"on the second monitor's edge", {2550, 500, 2730, 680}, {2520, 500, 2700, 680}},
        {"smaller than 40 needs to be whole", {1270, 100, 1290, 120}, {1260, 100, 1280, 120}},
        {"across both monitors", {1200, 100, 1380, 280}, {1200, 100, 1380, 280}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RECT got = keepReachable(c.rect, kTwoMonitors);
        EXPECT_TRUE(sameRect(got, c.expected)) << text(got);
    }
    EXPECT_TRUE(sameRect(keepReachable({-500, -500, -400, -400}, {}), {-500, -500, -400, -400}));
}

TEST(NoteGeometry, ANoteOpensNoLargerThanTheScreen) {
    const std::vector<TavMonitorArea> primary = {kTwoMonitors[0]};
    EXPECT_TRUE(sameRect(placeStoredRect({0, 0, 4096, 4096}, 1280, 800, primary), {0, 0, 1280, 800}));
    EXPECT_TRUE(sameRect(placeStoredRect({10, 20, 1290, 300}, 1280, 800, primary), {10, 20, 1290, 300}));
    EXPECT_TRUE(sameRect(placeStoredRect({10, 20, 1291, 821}, 1280, 800, primary), {10, 20, 1290, 820}));
}

TEST(NoteGeometry, ShiftsIntoTheScreenInOrder) {
    struct Case {
        const char* name;
        RECT stored;
        RECT expected;
    };
    const Case cases[] = {
        {"inside", {100, 100, 280, 280}, {100, 100, 280, 280}},
        {"left at the right edge", {1280, 100, 1460, 280}, {1100, 100, 1280, 280}},
        {"left just inside", {1279, 100, 1459, 280}, {1279, 100, 1459, 280}},
        {"top in the task bar band", {100, 770, 280, 950}, {100, 590, 280, 770}},
        {"top just above the band", {100, 769, 280, 949}, {100, 769, 280, 949}},
        {"right at zero", {-180, 100, 0, 280}, {0, 100, 180, 280}},
        {"right at one", {-179, 100, 1, 280}, {-179, 100, 1, 280}},
        {"bottom at zero", {100, -180, 280, 0}, {100, 0, 280, 180}},
        {"far away moves one width only", {5000, 5000, 5180, 5180}, {4820, 4820, 5000, 5000}},
    };
    for (const Case& c : cases) {
        RECT got = shiftIntoScreen(c.stored, 1280, 800);
        EXPECT_TRUE(sameRect(got, c.expected)) << c.name << ": " << text(got);
    }
}

TEST(NoteGeometry, ARectangleOutsideEveryMonitorComesBackIntoTheNearest) {
    struct Case {
        const char* name;
        RECT rect;
        RECT expected;
    };
    const Case cases[] = {
        {"on the primary", {100, 100, 280, 280}, {100, 100, 280, 280}},
        {"partly on the second", {2500, 900, 2680, 1080}, {2500, 900, 2680, 1080}},
        {"below the second", {4820, 4820, 5000, 5000}, {2380, 844, 2560, 1024}},
        {"left of the primary", {-5000, 100, -4820, 280}, {0, 100, 180, 280}},
        {"under the primary's task bar", {100, 900, 280, 1080}, {100, 590, 280, 770}},
        {"larger than the work area", {-3000, -3000, -1000, -1000}, {0, 0, 2000, 2000}},
    };
    for (const Case& c : cases) {
        RECT got = bringIntoMonitors(c.rect, kTwoMonitors);
        EXPECT_TRUE(sameRect(got, c.expected)) << c.name << ": " << text(got);
    }
    RECT distant = {9000, 9000, 9100, 9100};
    EXPECT_TRUE(sameRect(bringIntoMonitors(distant, {}), distant)) << "no monitors: unchanged";
}

TEST(NoteGeometry, StoredRectanglesOpenOnAMonitorWhateverTheirValues) {
    const RECT stored[] = {
        {5000, 5000, 5180, 5180},
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
        {INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX},
        {INT_MIN, INT_MIN, INT_MIN + 10, INT_MIN + 10},
    };
    const RECT primary = kTwoMonitors[0].monitor;
    for (const RECT& r : stored) {
        RECT placed = placeStoredRect(r, 1280, 800, {kTwoMonitors[0]});
        RECT meet;
        EXPECT_TRUE(IntersectRect(&meet, &placed, &primary)) << text(r) << " -> " << text(placed);
    }
}

TEST(NoteGeometry, HostedNoteKeepsTheStoredCornerAndOpensCentred) {
    RECT got = keepStoredTopLeft({300, 300, 500, 450}, {50, 60});
    EXPECT_TRUE(sameRect(got, {50, 60, 250, 210})) << text(got);
    got = centreOnScreen({300, 300, 481, 451}, 1280, 800);
    EXPECT_TRUE(sameRect(got, {549, 324, 730, 475})) << text(got);
}

TEST(NoteGeometry, ThisSessionHasAMonitor) {
    auto monitors = currentMonitorAreas();
    ASSERT_FALSE(monitors.empty());
    EXPECT_GT(monitors[0].monitor.right, monitors[0].monitor.left);
}
