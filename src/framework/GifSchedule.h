#pragma once
// The due-time schedule of GIF animations on one shared clock: when each animation changes frame
// and which frame it shows. Plain data and functions; the clock is a number of milliseconds that
// the caller supplies.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Frame delays below this are raised to it: a GIF whose delays are 0 would otherwise step without
// ever sleeping and keep a core busy.
inline constexpr int64_t kGifMinFrameDelayMs = 20;

// 0, then the running sums of the frame delays (hundredths of a second, x 10 ms, each at least
// kGifMinFrameDelayMs): one value per frame plus the end of the cycle.
std::vector<int64_t> gifDueTimes(const std::vector<int>& delaysHundredths);

// One animation's place in the schedule. Step i < frameCount() shows frame i at due[i]; the last
// step (i == frameCount(), at the end of the cycle) shows nothing and starts the next cycle, whose
// first frame follows at the same time.
struct GifTrack {
    std::vector<int64_t> due;
    size_t step = 0;
    bool playing = true;
    bool removed = false;

    size_t frameCount() const { return due.empty() ? 0 : due.size() - 1; }
    bool active() const { return playing && !removed && step < due.size(); }
    int64_t current() const { return due[step]; }
    // Moves every due time later by `offset` (a track joining a clock that already runs).
    void shift(int64_t offset);
    // Leaves the current step; after the last one the next cycle starts on the same clock.
    void advance();
};

struct GifChange {
    size_t track; // index into the track list
    size_t step;  // the step taken: a frame number, or frameCount() for the end of a cycle
};

// The earliest due time over the active tracks; nothing when none is active.
std::optional<int64_t> gifEarliestDue(const std::vector<GifTrack*>& tracks);

// Takes the step of every active track whose due time is at or before the earliest one, reports
// them in `changes` and returns that time (nothing when no track is active).
std::optional<int64_t> gifStepDue(const std::vector<GifTrack*>& tracks, std::vector<GifChange>& changes);
