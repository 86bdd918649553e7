#include "TavNoteItemDesktop.h"

#include "TavNoteItemMath.h"

HWND findDesktopView() {
    HWND progman = FindWindowW(L"Progman", L"Program Manager");
    if (!progman) return nullptr;
    return FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr);
}

void sendShowDesktopChord() {
    keybd_event(VK_LWIN, 0, 0, 0);
    keybd_event('D', 0, 0, 0);
    keybd_event('D', 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
}

bool showDesktopIfHidden(bool pause) {
    HWND view = findDesktopView();
    if (!needsShowDesktopChord(view != nullptr, view && IsWindowVisible(view))) return false;
    sendShowDesktopChord();
    if (pause) Sleep(100);
    return true;
}

void attachToDesktop(HWND note) {
    HWND view = findDesktopView();
    constexpr UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(note, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    SetWindowLongPtrW(note, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(view));
    SetWindowPos(note, HWND_BOTTOM, 0, 0, 0, 0, flags);
}

void detachFromDesktop(HWND note) {
    SetWindowLongPtrW(note, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(GetDesktopWindow()));
    SetWindowPos(note, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    LONG ex = GetWindowLongW(note, GWL_EXSTYLE);
    if (ex & WS_EX_NOACTIVATE) SetWindowLongW(note, GWL_EXSTYLE, ex & ~WS_EX_NOACTIVATE);
}
