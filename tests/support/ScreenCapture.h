#pragma once
// Saves what this process sees of the screen (the desktop window's pixels) as a PNG, for a person
// to look at after a window test.
#include <windows.h>

#include <string>

#include "GdiOwners.h"
#include "ImageFiles.h"

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
