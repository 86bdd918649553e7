#pragma once
// Where a note's stored rectangle is placed when it opens. Pure functions: the screen and the
// monitors come in as parameters; currentMonitorAreas() is the thin platform caller.
#include <windows.h>

#include <vector>

struct TavMonitorArea {
    RECT monitor{}; // the monitor's rectangle in screen pixels
    RECT work{};    // its work area (without task bars)
};

// The largest width or height of a note window, and the largest distance of its corner from the
// screen's origin: a stored 30000 x 30000 rectangle would otherwise ask for a 3.6 GB bitmap.
inline constexpr int kMaxNoteSide = 4096;
inline constexpr int kMaxNoteCoordinate = 100000;
// A width or height below this (empty, inverted) would leave a note nobody can see or grab: it
// opens at the size of a new note instead.
inline constexpr int kMinNoteSide = 24;
inline constexpr int kNewNoteSide = 180;

// The stored rectangle as a window can take it: left and top within +-kMaxNoteCoordinate, width
// and height at most kMaxNoteSide (computed without overflow for any 32-bit values). A negative
// extent stays as it was.
RECT capStoredRect(const RECT& stored);

// A width or height below kMinNoteSide becomes kNewNoteSide; the top-left corner stays.
RECT withUsableSize(const RECT& rect);

// The classic shifts, in this order: left >= W moves left by the width; top >= H - 30 moves up by
// the height; right < 1 moves right by the width; bottom < 1 moves down by the height.
RECT shiftIntoScreen(const RECT& stored, int screenWidth, int screenHeight);

// A rectangle that meets no monitor is moved into the work area of the nearest monitor (kept
// whole where it fits, its top-left corner inside otherwise); one that meets a monitor is kept.
// No monitors: unchanged.
RECT bringIntoMonitors(const RECT& rect, const std::vector<TavMonitorArea>& monitors);

// How much of a note must lie on some monitor's work area, so that it can be seen and grabbed.
inline constexpr int kReachableSide = 40;

// The rectangle moved the least distance so that at least `side` x `side` pixels of it (all of it
// where it is smaller) lie in the work area of one monitor. Unchanged when one already holds that
// much, or without monitors.
RECT keepReachable(const RECT& rect, const std::vector<TavMonitorArea>& monitors, int side = kReachableSide);

// The rectangle a top-level note opens at: a usable size no larger than the screen, the shifts,
// the monitor rescue, then enough of it on a work area to be grabbed.
RECT placeStoredRect(const RECT& stored, int screenWidth, int screenHeight,
                     const std::vector<TavMonitorArea>& monitors);

// A hosted note keeps the stored top-left corner; only its size comes from the window.
RECT keepStoredTopLeft(const RECT& window, POINT storedTopLeft);

// A hosted note opens centred on the screen with its size: ((W - width) / 2, (H - height) / 2).
RECT centreOnScreen(const RECT& window, int screenWidth, int screenHeight);

// The monitors of this session (EnumDisplayMonitors).
std::vector<TavMonitorArea> currentMonitorAreas();
