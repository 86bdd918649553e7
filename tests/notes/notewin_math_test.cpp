// The note window's arithmetic: swing frames, the resize corner, the grip's alpha, where a new
// note goes, the group entries and when the desktop chord is sent.
#include <gtest/gtest.h>

#include "MoveResizeZones.h"
#include "TavNoteItemMath.h"

namespace {

struct FrameCase {
    const char* what;
    RECT client;
    TavSwingFrame tiltOne;   // frames 1, 3, 5, 7
    TavSwingFrame tiltOther; // frames 2, 4, 6, 8
};

bool same(const TavSwingFrame& a, const TavSwingFrame& b) {
    for (size_t i = 0; i < 4; ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
    return true;
}

TEST(NoteSwing, TenFramesUprightThenAlternatingTilts) {
    const FrameCase cases[] = {
        {"square note",
         {0, 0, 180, 180},
         {{{21, 0}, {180, 21}, {0, 158}, {158, 180}}},
         {{{0, 21}, {158, 0}, {21, 180}, {180, 158}}}},
        {"wide note",
         {0, 0, 240, 120},
         {{{32, 0}, {240, 19}, {0, 100}, {207, 120}}},
         {{{0, 19}, {207, 0}, {32, 120}, {240, 100}}}},
    };
    for (const FrameCase& c : cases) {
        std::vector<TavSwingFrame> frames = swingFrames(c.client, -9.0);
        ASSERT_EQ(frames.size(), 10u) << c.what;
        const RECT& r = c.client;
        TavSwingFrame upright{{{r.left, r.top}, {r.right, r.top}, {r.left, r.bottom}, {r.right, r.bottom}}};
        EXPECT_TRUE(same(frames[0], upright)) << c.what;
        EXPECT_TRUE(same(frames[9], upright)) << c.what;
        for (size_t i = 1; i <= 8; ++i) {
            EXPECT_TRUE(same(frames[i], i % 2 ? c.tiltOne : c.tiltOther)) << c.what << " frame " << i;
            // Every corner lies on the client rectangle's border, inside it.
            for (const POINT& p : frames[i]) {
                EXPECT_TRUE(p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom) << c.what;
                EXPECT_TRUE(p.x == r.left || p.x == r.right || p.y == r.top || p.y == r.bottom) << c.what;
            }
        }
    }
}

TEST(NoteSwing, EmptyClientGivesTenUprightFrames) {
    const std::vector<TavSwingFrame> frames = swingFrames(RECT{0, 0, 0, 0}, -9.0);
    ASSERT_EQ(frames.size(), 10u);
    for (const TavSwingFrame& f : frames)
        for (const POINT& p : f) EXPECT_TRUE(p.x == 0 && p.y == 0);
}

TEST(NoteSwing, TimerTicksRunTheTenFramesThenPauseASecond) {
    struct Case {
        int counter;
        int frame, next;
        UINT interval;
    } cases[] = {
        {0, 0, 1, 100},                                 // a cycle starts at 100 ms
        {1, 1, 2, 0},    {8, 8, 9, 0}, {9, 9, 0, 1000}, // the last frame: wait a second
        {42, 0, 1, 100},                                // a stale counter starts over
    };
    for (const Case& c : cases) {
        TavSwingTick t = swingTick(c.counter, 10);
        EXPECT_EQ(t.frame, c.frame) << c.counter;
        EXPECT_EQ(t.nextCounter, c.next) << c.counter;
        EXPECT_EQ(t.interval, c.interval) << c.counter;
    }
}

TEST(NoteResizeCorner, OnlyTheBottomRightSquareResizes) {
    const RECT window{100, 100, 280, 280};
    struct Case {
        const char* what;
        POINT pt;
        int zone;
    } cases[] = {
        {"last pixel", {279, 279}, kZoneBottomRight},
        {"corner square's first pixel", {270, 270}, kZoneBottomRight},
        {"left of the square", {269, 279}, kZoneNone},
        {"above the square", {279, 269}, kZoneNone},
        {"right edge elsewhere", {279, 150}, kZoneNone},
        {"bottom edge elsewhere", {150, 279}, kZoneNone},
        {"top-left corner", {100, 100}, kZoneNone},
        {"middle", {190, 190}, kZoneNone},
        {"outside, past the corner", {280, 280}, kZoneNone},
    };
    for (const Case& c : cases) EXPECT_EQ(noteResizeZone(c.pt, window, 10), c.zone) << c.what;
}

TEST(NoteGrip, AlphaIsOpacityClampedTo50Through127) {
    struct Case {
        int opacity, alpha;
    } cases[] = {{0, 50}, {49, 50}, {50, 50}, {100, 100}, {127, 127}, {128, 127}, {255, 127}};
    for (const Case& c : cases) EXPECT_EQ(gripAlpha(c.opacity), c.alpha) << c.opacity;
}

TEST(NewNotePlace, PackedPointOrTheDefaultPlace) {
    struct Case {
        const char* what;
        LPARAM packed;
        POINT expected;
    } cases[] = {
        {"no point", 0, {1024 - 296, 180}},
        {"a note's corner", MAKELPARAM(500, 300), {470, 330}},
        {"zero y alone", MAKELPARAM(500, 65506), {470, 180}}, // y = -30 packed
        {"negative x", MAKELPARAM(65526, 40), {-40, 70}},     // x = -10 packed
    };
    for (const Case& c : cases) {
        POINT p = newNotePosition(c.packed, 1024);
        EXPECT_EQ(p.x, c.expected.x) << c.what;
        EXPECT_EQ(p.y, c.expected.y) << c.what;
    }
}

// A new note never lands exactly on an open one, and never off the work area.
TEST(NewNotePlace, CascadesPastOpenNotesAndStaysInTheWorkArea) {
    const RECT work{0, 0, 1280, 770};
    const SIZE note{180, 180};
    struct Case {
        const char* what;
        POINT wanted;
        std::vector<POINT> taken;
        POINT expected;
    } cases[] = {
        {"free place", {984, 180}, {}, {984, 180}},
        {"one note there", {984, 180}, {{984, 180}}, {954, 210}},
        {"two in a cascade", {984, 180}, {{984, 180}, {954, 210}}, {924, 240}},
        {"a note 2 pixels off counts", {984, 180}, {{986, 178}}, {954, 210}},
        {"a note 3 pixels off does not", {984, 180}, {{987, 180}}, {984, 180}},
        {"wraps to the top at the bottom", {500, 600}, {{500, 600}}, {470, 0}},
        {"wraps to the right side at the left", {10, 100}, {{10, 100}}, {1100, 130}},
        {"beside a note at the right edge", {1250, 100}, {}, {1100, 100}},
        {"below the bottom", {300, 760}, {}, {300, 590}},
        {"left of the screen", {-40, 70}, {}, {0, 70}},
    };
    for (const Case& c : cases) {
        POINT p = cascadeNotePosition(c.wanted, note, c.taken, work);
        EXPECT_EQ(p.x, c.expected.x) << c.what;
        EXPECT_EQ(p.y, c.expected.y) << c.what;
    }
    // A screen full of notes still ends, inside the work area.
    std::vector<POINT> full;
    for (int x = 0; x < 1280; x += 30)
        for (int y = 0; y < 770; y += 30) full.push_back(POINT{x + 4, y});
    POINT p = cascadeNotePosition({984, 180}, note, full, work);
    EXPECT_GE(p.x, 0);
    EXPECT_LE(p.y, 770 - 180);
}

TEST(GroupEntries, IndexPastTheEndTakesTheLastName) {
    const std::vector<std::wstring> two{L"工作", L"生活"};
    struct Case {
        const char* what;
        std::vector<std::wstring> names;
        int entry;
        bool picked;
        std::wstring group;
    } cases[] = {
        {"first", two, 1, true, L"工作"},
        {"second", two, 2, true, L"生活"},
        {"31005 with two groups", two, 5, true, L"生活"},
        {"empty list keeps the choice", {}, 3, false, L"kept"},
    };
    for (const Case& c : cases) {
        std::wstring chosen = L"kept";
        EXPECT_EQ(pickGroup(c.names, c.entry, chosen), c.picked) << c.what;
        EXPECT_EQ(chosen, c.group) << c.what;
    }
}

TEST(ShowDesktopChord, OnlyForAHiddenDesktopView) {
    EXPECT_FALSE(needsShowDesktopChord(false, false)); // no shell: no key is typed anywhere
    EXPECT_FALSE(needsShowDesktopChord(true, true));
    EXPECT_TRUE(needsShowDesktopChord(true, false));
}

TEST(LabelScroll, TextCrossesTheLabelInTenSecondsThenRestarts) {
    struct Case {
        const char* what;
        int elapsed, text, label;
        int offset, x;
        bool restart;
    } cases[] = {
        {"first tick: 30 ms of 1000 px", 0, 700, 300, 3, 297, false},
        {"halfway", 4970, 700, 300, 500, -200, false},
        {"truncated, not rounded", 0, 10, 90, 0, 90, false},
        {"last tick reaches the travel", 9970, 700, 300, 1000, -700, true},
        {"past the end is clamped", 9990, 700, 300, 1000, -700, true},
        {"stale negative counter starts again", -500, 700, 300, 3, 297, false},
        {"huge widths do not overflow", 9000, 2000000000, 2000000000, 1939177733, 2000000000 - 1939177733,
         false},
        {"empty text still ends", 9970, 0, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        TavLabelScroll s = labelScrollTick(c.elapsed, c.text, c.label);
        EXPECT_EQ(s.offset, c.offset) << c.what;
        EXPECT_EQ(s.x, c.x) << c.what;
        EXPECT_EQ(s.restart, c.restart) << c.what;
    }
    // Fed back tick by tick, the text has left at the left edge after exactly 10 s and the next tick
    // is at the right edge again.
    int elapsed = 0, ticks = 0;
    TavLabelScroll s;
    do {
        s = labelScrollTick(elapsed, 400, 200);
        elapsed = s.elapsedMs;
        ++ticks;
    } while (!s.restart && ticks < 1000);
    EXPECT_EQ(ticks, 334); // ceil(10000 / 30)
    EXPECT_EQ(s.x, -400);
    EXPECT_EQ(labelScrollTick(elapsed, 400, 200).x, 200 - 1);
}

TEST(MissedReminderText, TimeTodayDateOtherwiseNothingForNonsense) {
    SYSTEMTIME today{};
    today.wYear = 2026;
    today.wMonth = 12;
    today.wDay = 11;
    struct Case {
        const char* what;
        long long packed;
        std::wstring text;
    } cases[] = {
        {"today", 202612110830LL, L"错过的提醒 08:30"},
        {"yesterday", 202612100830LL, L"错过的提醒 12月10日 08:30"},
        {"same day last year", 202512110830LL, L"错过的提醒 12月11日 08:30"},
        {"minute 60", 202612110860LL, L""},
        {"month 13", 202613110830LL, L""},
        {"day 0", 202612000830LL, L""},
        {"too short", 2026121108LL, L""},
        {"negative", -202612110830LL, L""},
    };
    for (const Case& c : cases) EXPECT_EQ(missedReminderText(c.packed, today), c.text) << c.what;
}

} // namespace
