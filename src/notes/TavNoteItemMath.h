#pragma once
// The arithmetic of the note window: the swing frames of a ringing note, the resize corner, the
// grip dots and the placement of a new note. Plain functions; no windows.
#include <windows.h>

#include <array>
#include <string>
#include <vector>

// One frame of the swing: upper-left, upper-right, lower-left, lower-right corner.
using TavSwingFrame = std::array<POINT, 4>;

// The ten frames of one swing over the client rectangle for a tilt in degrees (the note uses -9):
// upright, then the tilt of 7/8 to one side and the other four times each, then upright again.
// Every tilted rectangle stays inside the client rectangle, touching its four edges.
std::vector<TavSwingFrame> swingFrames(const RECT& client, double tiltDegrees);

// One frame for the angle X (radians) over the client rectangle.
TavSwingFrame swingFrame(const RECT& client, double angle);

// Only the bottom-right `corner` x `corner` square of the window starts a resize
// (kZoneBottomRight); every other point of the window gives kZoneNone (the note is moved).
int noteResizeZone(POINT screenPoint, const RECT& windowRect, int corner);

// The grip dots' alpha: the note's opacity clamped to 50..127.
int gripAlpha(int opacity);

// Offsets of the six 2 x 2 grip dots from the bottom-right corner.
constexpr std::array<POINT, 6> kGripDotOffsets{
    {{-2, -2}, {-6, -2}, {-10, -2}, {-2, -6}, {-2, -10}, {-6, -6}}};

// Where a new note opens: (x - 30, y + 30) of the packed screen point, or, for argument 0, the
// default place (screen width - 296, 180). A zero y alone becomes 180 as well.
POINT newNotePosition(LPARAM packedPoint, int screenWidth);
// Where a new note of `size` goes when its place `wanted` may be taken: while an open note's
// top-left corner sits there (within 2 pixels), 30 pixels down and left; a step that leaves the
// work area wraps to its top, or to its right side. The note is then kept inside the work area.
POINT cascadeNotePosition(POINT wanted, SIZE size, const std::vector<POINT>& taken, const RECT& work);

// The group of a tray or menu group entry: index `entry` (1-based) into the names, clamped to
// the last one; nothing with an empty list (the caller keeps its choice).
bool pickGroup(const std::vector<std::wstring>& names, int entry, std::wstring& chosen);

// Whether the Win+D chord must be sent to show the desktop: only when the desktop's icon view
// exists and is hidden. Without a desktop view (no shell) a chord would only type a "d" into
// whatever window has the keyboard.
bool needsShowDesktopChord(bool viewFound, bool viewVisible);

// One tick of the swing timer (60003): the frame to draw, the counter after it, and the timer's
// new interval (0 = keep it). The first tick of a cycle sets 100 ms; after the last frame the
// counter starts again and the timer waits 1000 ms.
struct TavSwingTick {
    int frame = 0;
    int nextCounter = 0;
    UINT interval = 0;
};
TavSwingTick swingTick(int counter, int frameCount);

// One 30 ms tick (timer 60004) of the ringing note's bottom label: the text travels
// textWidth + labelWidth pixels in 10,000 ms, right to left. The offset is the elapsed share of
// the travel, truncated and never past it; the text is drawn at x = labelWidth - offset. When
// `restart` is set the offset reached the travel; elapsedMs is then 0 so that the next tick
// begins again at the right edge.
struct TavLabelScroll {
    int elapsedMs = 0;
    int offset = 0;
    int x = 0;
    bool restart = false;
};
constexpr UINT kLabelScrollTickMs = 30;
constexpr int kLabelScrollTravelMs = 10000;
TavLabelScroll labelScrollTick(int elapsedMs, int textWidth, int labelWidth);

// The bottom label's text for a missed reminder: "错过的提醒 08:30", or "错过的提醒 12月10日 08:30"
// when the minute (packed as the decimal YYYYMMDDhhmm) is not on `today`. A packed number that is
// no real minute gives "" (the caller shows the plain label).
std::wstring missedReminderText(long long packedMinute, const SYSTEMTIME& today);
