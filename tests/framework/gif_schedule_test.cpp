// The due-time schedule of GIF animations on the shared clock.
#include <gtest/gtest.h>

#include "GifSchedule.h"

#include <map>
#include <utility>

TEST(GifSchedule, DueTimesAreRunningSumsOfTheDelays) {
    struct Case {
        const char* what;
        std::vector<int> delays;
        std::vector<int64_t> due;
    };
    const Case cases[] = {
        {"two frames of 100 ms", {10, 10}, {0, 100, 200}},
        {"uneven", {5, 15, 30}, {0, 50, 200, 500}},
        {"delays of 0 get the 20 ms minimum", {0, 0}, {0, 20, 40}},
        {"10 ms is raised to the minimum too", {1, 3}, {0, 20, 50}},
        {"negative values are not trusted", {-5, 10}, {0, 20, 120}},
        {"no frames", {}, {0}},
    };
    for (const Case& c : cases) EXPECT_EQ(gifDueTimes(c.delays), c.due) << c.what;
}

namespace {

struct Step {
    int64_t time;
    size_t track;
    size_t step;
};

// Runs the schedule the way the worker does until the clock passes `until`; returns every step
// taken, and the sleeps between passes.
std::vector<Step> run(std::vector<GifTrack>& tracks, int64_t until, std::vector<int64_t>* sleeps = nullptr) {
    std::vector<GifTrack*> pointers;
    for (GifTrack& t : tracks) pointers.push_back(&t);
    std::vector<Step> steps;
    std::vector<GifChange> changes;
    for (;;) {
        std::optional<int64_t> t = gifStepDue(pointers, changes);
        if (!t || *t > until) break;
        for (const GifChange& c : changes) steps.push_back(Step{*t, c.track, c.step});
        std::optional<int64_t> next = gifEarliestDue(pointers);
        if (sleeps && next) sleeps->push_back(*next - *t);
    }
    return steps;
}

// The times at which a track shows a new frame (the end-of-cycle steps show none).
std::vector<int64_t> frameChanges(const std::vector<Step>& steps, const std::vector<GifTrack>& tracks,
                                  size_t track) {
    std::vector<int64_t> times;
    for (const Step& s : steps)
        if (s.track == track && s.step < tracks[track].frameCount()) times.push_back(s.time);
    return times;
}

} // namespace

TEST(GifSchedule, TwoAnimationsShareOneClock) {
    std::vector<GifTrack> tracks(2);
    tracks[0].due = gifDueTimes({10, 10}); // 100 ms frames
    tracks[1].due = gifDueTimes({15, 15}); // 150 ms frames
    std::vector<int64_t> sleeps;
    std::vector<Step> steps = run(tracks, 600, &sleeps);
    EXPECT_EQ(frameChanges(steps, tracks, 0), (std::vector<int64_t>{0, 100, 200, 300, 400, 500, 600}));
    EXPECT_EQ(frameChanges(steps, tracks, 1), (std::vector<int64_t>{0, 150, 300, 450, 600}));
    // At 300 the first animation shows its second frame and the second one ends its cycle in one
    // pass; the second one's first frame follows in the next pass without any sleep.
    std::map<int64_t, int> passesAt;
    int64_t clock = 0;
    passesAt[0] = 1;
    for (int64_t s : sleeps) passesAt[clock += s]++;
    EXPECT_GE(passesAt[300], 2);
    // The frames alternate 0, 1, 0, 1 ...
    for (const Step& s : steps) {
        if (s.track == 0 && s.step < 2) {
            EXPECT_EQ(s.step, size_t(s.time / 100 % 2)) << s.time;
        }
    }
    // Nothing ever sleeps a negative time, and never longer than the shortest frame.
    for (int64_t s : sleeps) {
        EXPECT_GE(s, 0);
        EXPECT_LE(s, 100);
    }
}

TEST(GifSchedule, PausedAndRemovedTracksDoNotAdvance) {
    std::vector<GifTrack> tracks(3);
    for (GifTrack& t : tracks) t.due = gifDueTimes({10, 10});
    tracks[1].playing = false;
    tracks[2].removed = true;
    std::vector<Step> steps = run(tracks, 400);
    for (const Step& s : steps) EXPECT_EQ(s.track, 0u);
    EXPECT_EQ(tracks[1].step, 0u);
    tracks[0].playing = false;
    std::vector<GifTrack*> pointers{&tracks[0], &tracks[1], &tracks[2]};
    EXPECT_FALSE(gifEarliestDue(pointers).has_value());
    std::vector<GifChange> changes;
    EXPECT_FALSE(gifStepDue(pointers, changes).has_value());
    EXPECT_TRUE(changes.empty());
}

TEST(GifSchedule, ATrackJoiningLaterStartsAtTheClocksPresent) {
    GifTrack early;
    early.due = gifDueTimes({10, 10});
    GifTrack late;
    late.due = gifDueTimes({5, 5});
    late.shift(5000);
    std::vector<GifTrack*> both{&early, &late};
    // The early track has run up to 5000 on its own.
    std::vector<GifChange> changes;
    while (gifEarliestDue(both).value() < 5000) gifStepDue(both, changes);
    EXPECT_EQ(early.current(), 5000);
    // From here both advance together; the newcomer does not drag the clock back: the passes
    // that follow are at 5000 (the early track's cycle end and the newcomer's first frame), 5000
    // (the early track's first frame of its next cycle), then 5050, 5100.
    std::vector<int64_t> times;
    for (int i = 0; i < 4; ++i) times.push_back(gifStepDue(both, changes).value());
    EXPECT_EQ(times, (std::vector<int64_t>{5000, 5000, 5050, 5100}));
}

TEST(GifSchedule, CycleContinuesOnTheSameClock) {
    GifTrack t;
    t.due = gifDueTimes({4, 6}); // 0, 40, 100
    for (int i = 0; i < 3; ++i) t.advance();
    EXPECT_EQ(t.step, 0u);
    EXPECT_EQ(t.due, (std::vector<int64_t>{100, 140, 200}));
}
