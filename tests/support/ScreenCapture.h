#pragma once
// Saves what this process sees of the screen (the desktop window's pixels), or one window's
// composed picture, as a PNG, for a person to look at after a window test.
#include <windows.h>

#include <string>

#include "GdiOwners.h"
#include "ImageFiles.h"
#include "TavWnd.h"

inline bool saveScreenPng(const std::wstring& path) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    TavMemDC copy(w, h);
    HDC screen = GetDC(nullptr);
    BitBlt(copy.dc(), 0, 0, w, h, screen, 0, 0, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    // The screen has no alpha: make every pixel opaque.
    for (int i = 0; i < w * h; ++i) copy.pixels()[i] |= 0xFF000000u;
    TavGpBitmap bitmap = dcToBitmap(nullptr, copy.dc(), w, h);
    return bitmap && saveBitmapPng(*bitmap, path);
}

// The window's tree composed anew, as it would be presented.
inline bool saveWindowPng(TavWnd& window, const std::wstring& path) {
    if (!window.redrawAll()) return false;
    GdiFlush();
    const TavMemDC& buffer = window.backBuffer();
    TavGpBitmap bitmap = dcToBitmap(nullptr, buffer.dc(), buffer.width(), buffer.height());
    return bitmap && saveBitmapPng(*bitmap, path);
}
