#pragma once
// The manager "管理": the one window in which the user sees every note, hidden and recycled ones
// included, and manages groups, the recycle bin, templates and the system settings.
#include <windows.h>

// Runs the manager modally over `owner` (the main window); returns when it has been closed. A
// second call while it is open brings the open one forward.
void runManager(HWND owner);
