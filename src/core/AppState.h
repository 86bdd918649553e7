#pragma once
// Process-wide handles kept by the entry point and the main window.
#include <windows.h>

struct TavAppState {
    HINSTANCE instance = nullptr; // module of the dialog templates
    ULONG_PTR gdiplusToken = 0;
    HHOOK messageHook = nullptr;
    HWND mainWindow = nullptr;
};

TavAppState& appState();
