#pragma once
// Notes to recycle by name, handed to the main window without a pointer in the message: the
// sender queues the names and posts kNoteMsgRecycleByName (no arguments); the main window takes
// every queued set when the message arrives. A message that is lost (the window is gone) leaves
// nothing dangling: the queue holds values.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

// Queues the names and posts the message to the window; false (nothing queued) when it cannot
// be posted.
bool postRecycleByName(HWND mainWindow, std::set<std::wstring> names);
// Every set queued so far, oldest first; the queue is left empty.
std::vector<std::set<std::wstring>> takeRecycleRequests();
