#include "TavNoteItemMath.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "MoveResizeZones.h"

namespace {

constexpr double kPi = 3.14159267; // the value the swing has always used

int toInt(double v) { return static_cast<int>(v); }

} // namespace

TavSwingFrame swingFrame(const RECT& c, double x) {
    const int a = c.left, b = c.top, cr = c.right, d = c.bottom;
    const int u = (cr - a) / 2, v = (d - b) / 2;
    TavSwingFrame f{};
    if (u <= 0 || v <= 0) {
        f = {POINT{a, b}, POINT{cr, b}, POINT{a, d}, POINT{cr, d}};
        return f;
    }
    const double phi = std::atan(double(v) / double(u));
    if (x < 0) {
        const double z = std::fabs(v / std::tan(phi - x));
        const double t = std::fabs(std::tan(phi + x) * u);
        f[0] = POINT{toInt(a + u - z), b};
        f[1] = POINT{cr, toInt(b + v - t)};
        f[2] = POINT{a, toInt(d - (v - t))};
        f[3] = POINT{toInt(cr - (u - z)), d};
    } else {
        const double z = std::fabs(std::tan(phi - x) * u);
        const double s = u - std::fabs(v / std::tan(phi + x));
        f[0] = POINT{a, toInt(b + v - z)};
        f[1] = POINT{toInt(cr - s), b};
        f[2] = POINT{toInt(a + s), d};
        f[3] = POINT{cr, toInt(d - (v - z))};
    }
    return f;
}

std::vector<TavSwingFrame> swingFrames(const RECT& client, double tiltDegrees) {
    const double beta = tiltDegrees / 180.0 * kPi;
    const double a7 = 7 * 0.125 * beta;
    std::vector<TavSwingFrame> frames;
    frames.push_back(swingFrame(client, 0.0));
    for (int i = 0; i < 4; ++i) {
        frames.push_back(swingFrame(client, a7));
        frames.push_back(swingFrame(client, -a7));
    }
    frames.push_back(swingFrame(client, 0.0));
    return frames;
}

int noteResizeZone(POINT pt, const RECT& w, int corner) {
    RECT square{w.right - corner, w.bottom - corner, w.right, w.bottom};
    return PtInRect(&square, pt) && PtInRect(&w, pt) ? kZoneBottomRight : kZoneNone;
}

int gripAlpha(int opacity) { return opacity < 50 ? 50 : (opacity > 127 ? 127 : opacity); }

POINT newNotePosition(LPARAM packed, int screenWidth) {
    int x = 0, y = 0;
    if (packed != 0) {
        x = static_cast<short>(LOWORD(packed)) - 30;
        y = static_cast<short>(HIWORD(packed)) + 30;
    }
    if (x == 0) x = screenWidth - 296;
    if (y == 0) y = 180;
    return POINT{x, y};
}

POINT cascadeNotePosition(POINT wanted, SIZE size, const std::vector<POINT>& taken, const RECT& work) {
    auto occupied = [&](POINT p) {
        for (POINT t : taken)
            if (std::abs(t.x - p.x) <= 2 && std::abs(t.y - p.y) <= 2) return true;
        return false;
    };
    POINT p = wanted;
    // Every step moves the place; a bounded number of them ends even on a screen full of notes.
    for (size_t step = 0; step <= taken.size() && occupied(p); ++step) {
        p.x -= 30;
        p.y += 30;
        if (p.y + size.cy > work.bottom) p.y = work.top;
        if (p.x < work.left) p.x = work.right - size.cx;
    }
    p.x = std::max<LONG>(work.left, std::min<LONG>(p.x, work.right - size.cx));
    p.y = std::max<LONG>(work.top, std::min<LONG>(p.y, work.bottom - size.cy));
    return p;
}

bool pickGroup(const std::vector<std::wstring>& names, int entry, std::wstring& chosen) {
    if (names.empty() || entry < 1) return false;
    size_t index = static_cast<size_t>(entry - 1);
    if (index >= names.size()) index = names.size() - 1;
    chosen = names[index];
    return true;
}

bool needsShowDesktopChord(bool viewFound, bool viewVisible) { return viewFound && !viewVisible; }

TavSwingTick swingTick(int counter, int frameCount) {
    TavSwingTick tick;
    if (frameCount <= 0) return tick;
    if (counter < 0 || counter >= frameCount) counter = 0;
    tick.frame = counter;
    tick.interval = counter == 0 ? 100 : 0;
    tick.nextCounter = counter + 1;
    if (tick.nextCounter >= frameCount) {
        tick.nextCounter = 0;
        tick.interval = 1000;
    }
    return tick;
}

TavLabelScroll labelScrollTick(int elapsedMs, int textWidth, int labelWidth) {
    TavLabelScroll s;
    const long long sum = std::max(0, textWidth) + static_cast<long long>(std::max(0, labelWidth));
    const long long travel = std::min<long long>(sum, INT_MAX); // the offset stays an int
    // A negative or absurd elapsed time (a stale counter) starts the travel again rather than
    // overflowing the product below.
    s.elapsedMs = (elapsedMs < 0 || elapsedMs > kLabelScrollTravelMs) ? 0 : elapsedMs;
    s.elapsedMs += static_cast<int>(kLabelScrollTickMs);
    long long offset = static_cast<long long>(s.elapsedMs) * travel / kLabelScrollTravelMs;
    if (offset >= travel) {
        offset = travel;
        s.restart = true;
    }
    s.offset = static_cast<int>(offset);
    s.x = std::max(0, labelWidth) - s.offset;
    if (s.restart) s.elapsedMs = 0; // the caller feeds elapsedMs back: the next tick is the first
    return s;
}

std::wstring missedReminderText(long long packedMinute, const SYSTEMTIME& today) {
    if (packedMinute < 160101010000LL || packedMinute > 999912312359LL) return L"";
    const int minute = static_cast<int>(packedMinute % 100);
    const int hour = static_cast<int>(packedMinute / 100 % 100);
    const int day = static_cast<int>(packedMinute / 10000 % 100);
    const int month = static_cast<int>(packedMinute / 1000000 % 100);
    const int year = static_cast<int>(packedMinute / 100000000);
    if (minute > 59 || hour > 23 || month < 1 || month > 12 || day < 1 || day > 31) return L"";
    wchar_t text[64];
    if (year == today.wYear && month == today.wMonth && day == today.wDay)
        swprintf(text, 64, L"错过的提醒 %02d:%02d", hour, minute);
    else
        swprintf(text, 64, L"错过的提醒 %d月%d日 %02d:%02d", month, day, hour, minute);
    return text;
}
