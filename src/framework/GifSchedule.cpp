#include "GifSchedule.h"

#include <algorithm>

std::vector<int64_t> gifDueTimes(const std::vector<int>& delaysHundredths) {
    std::vector<int64_t> due;
    due.reserve(delaysHundredths.size() + 1);
    int64_t sum = 0;
    due.push_back(sum);
    for (int delay : delaysHundredths) {
        sum += std::max<int64_t>(int64_t(delay) * 10, kGifMinFrameDelayMs);
        due.push_back(sum);
    }
    return due;
}

void GifTrack::shift(int64_t offset) {
    for (int64_t& t : due) t += offset;
}

void GifTrack::advance() {
    if (due.empty()) return;
    ++step;
    if (step < due.size()) return;
    // The cycle length is the last due time minus the first.
    step = 0;
    shift(due.back() - due.front());
}

std::optional<int64_t> gifEarliestDue(const std::vector<GifTrack*>& tracks) {
    std::optional<int64_t> earliest;
    for (const GifTrack* t : tracks) {
        if (!t || !t->active()) continue;
        if (!earliest || t->current() < *earliest) earliest = t->current();
    }
    return earliest;
}

std::optional<int64_t> gifStepDue(const std::vector<GifTrack*>& tracks, std::vector<GifChange>& changes) {
    changes.clear();
    std::optional<int64_t> when = gifEarliestDue(tracks);
    if (!when) return when;
    for (size_t i = 0; i < tracks.size(); ++i) {
        GifTrack* t = tracks[i];
        if (!t || !t->active() || t->current() > *when) continue;
        changes.push_back(GifChange{i, t->step});
        t->advance();
    }
    return when;
}
