#pragma once
// Attaching notes to the desktop: the shell's icon view ("Progman" / "SHELLDLL_DefView") as the
// owner of embedded notes, and the Win+D chord that shows the desktop.
#include <windows.h>

// The desktop's icon view, or null when there is no such shell window (Wine has none).
HWND findDesktopView();
// Shows the desktop with the Win+D chord when its icon view is hidden; true when the chord was
// sent (and should be sent once more to undo it). `pause` waits 100 ms after the chord.
bool showDesktopIfHidden(bool pause);
void sendShowDesktopChord();
// Makes the icon view the owner of the note window and puts it at the bottom of the z-order
// (no view: no owner, the note stays an ordinary window).
void attachToDesktop(HWND note);
// The desktop window becomes the owner again; not top-most; the no-activate style goes.
void detachFromDesktop(HWND note);
