#pragma once
// Drawing shared by the manager's windows.
#include <windows.h>

#include <cstdint>
#include <string>

#include "DrawToolkit.h"

// The text in the default font family at `size` pixels, inside `box` of the DC; the layer it is
// drawn in is only as large as the box.
void drawManagerText(HDC dc, HWND window, const std::wstring& text, const RECT& box,
                     Gdiplus::StringAlignment horizontal = Gdiplus::StringAlignmentNear,
                     uint32_t argb = 0xFF000000, float size = 13.0f, bool bold = false);
// Frees the text layers drawManagerText keeps (when the manager closes).
void clearManagerTextCache();
// An opaque filled rectangle.
void fillManagerRect(HDC dc, const RECT& rect, uint32_t argb);
// A one-pixel frame.
void frameManagerRect(HDC dc, const RECT& rect, uint32_t argb);
