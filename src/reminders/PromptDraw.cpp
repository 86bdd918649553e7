#include "PromptDraw.h"

void drawPromptText(HDC dc, HWND window, const std::wstring& text, const RECT& box,
                    Gdiplus::StringAlignment horizontal, uint32_t argb) {
    if (text.empty() || box.right <= box.left || box.bottom <= box.top) return;
    TavGpStringFormat format = makeStringFormat(text, horizontal, Gdiplus::StringAlignmentCenter);
    TavMemDC layer = drawText(window, text, defaultFont(13.0f), getBrush(argb), format.get(), box.left,
                              box.top, box.right, box.bottom);
    if (!layer) return;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, layer.dc(), box.left,
               box.top, box.right - box.left, box.bottom - box.top, blend);
}

int promptTextWidth(HWND window, const std::wstring& text) {
    return text.empty() ? 0 : int(measureText(window, defaultFont(13.0f), text).cx);
}
