#include "ManagerDraw.h"

#include <algorithm>
#include <cwchar>
#include <map>

#include "GdiOwners.h"
#include "Settings.h"

void drawManagerText(HDC dc, HWND window, const std::wstring& text, const RECT& box,
                     Gdiplus::StringAlignment horizontal, uint32_t argb, float size, bool bold) {
    const int w = box.right - box.left, h = box.bottom - box.top;
    if (text.empty() || w <= 0 || h <= 0) return;
    TavGpStringFormat format = makeStringFormat(text, horizontal, Gdiplus::StringAlignmentCenter);
    Gdiplus::Font* font =
        bold ? createFont(settings().defaultFontFace, size, Gdiplus::FontStyleBold) : defaultFont(size);
    TavMemDC layer = drawText(window, text, font, getBrush(argb), format.get(), 0, 0, w, h);
    if (!layer) return;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, box.left, box.top, w, h, layer.dc(), 0, 0, w, h, blend);
}

void fillManagerRect(HDC dc, const RECT& rect, uint32_t argb) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    fillAndFrame(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, argb, 255);
}

void frameManagerRect(HDC dc, const RECT& rect, uint32_t argb) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    fillAndFrame(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, argb, 0);
}
