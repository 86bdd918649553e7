#pragma once
// Waiting in a test thread: the thread's messages keep being handled (the test's own windows answer
// the input, timers and posted messages being waited for) while a condition is polled, with a bound
// so that a fault fails the test instead of hanging it.
#include <windows.h>

// Handles every message waiting in this thread's queue.
inline void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Pumps messages until the condition holds or `ms` milliseconds have passed; the condition's answer.
template <class Pred> bool waitFor(Pred condition, DWORD ms = 5000) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        pump();
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}
