#pragma once
// Drawing shared by the reminder editor's panels.
#include <windows.h>

#include <string>

#include "DrawToolkit.h"

// Draws the text with the default font into `box` of the DC (a DC of the window's client size).
void drawPromptText(HDC dc, HWND window, const std::wstring& text, const RECT& box,
                    Gdiplus::StringAlignment horizontal = Gdiplus::StringAlignmentNear,
                    uint32_t argb = 0xFF000000);
// Width of the text in the default font.
int promptTextWidth(HWND window, const std::wstring& text);
