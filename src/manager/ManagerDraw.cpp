#include "ManagerDraw.h"

#include <algorithm>
#include <cwchar>
#include <map>

#include "GdiOwners.h"
#include "Settings.h"

namespace {
std::map<std::wstring, TavMemDC>& keptTextLayers() {
    static std::map<std::wstring, TavMemDC> layers;
    return layers;
}
} // namespace

void clearManagerTextCache() { keptTextLayers().clear(); }

void drawManagerText(HDC dc, HWND window, const std::wstring& text, const RECT& box,
                     Gdiplus::StringAlignment horizontal, uint32_t argb, float size, bool bold) {
    const int w = box.right - box.left, h = box.bottom - box.top;
    if (text.empty() || w <= 0 || h <= 0) return;
    // The same texts come back at every redraw (captions, headers, group names): their layers are
    // kept, a bounded number of them, until the manager closes.
    std::map<std::wstring, TavMemDC>& kept = keptTextLayers();
    wchar_t key[96];
    swprintf(key, 96, L"%d|%d|%08x|%g|%d|%d|", w, h, argb, double(size), int(bold), int(horizontal));
    const std::wstring name = key + text;
    auto found = kept.find(name);
    if (found == kept.end()) {
        TavGpStringFormat format = makeStringFormat(text, horizontal, Gdiplus::StringAlignmentCenter);
        Gdiplus::Font* font =
            bold ? createFont(settings().defaultFontFace, size, Gdiplus::FontStyleBold) : defaultFont(size);
        TavMemDC made = drawText(window, text, font, getBrush(argb), format.get(), 0, 0, w, h);
        if (!made) return;
        // The blend takes premultiplied pixels: a colour byte above its alpha (light text at a
        // glyph's edge) would overflow on a coloured face and leave coloured fringes.
        uint32_t* pixels = made.pixels();
        for (size_t i = 0, n = size_t(made.width()) * size_t(made.height()); i < n; ++i) {
            const uint32_t p = pixels[i], a = p >> 24;
            const uint32_t r = std::min((p >> 16) & 0xFFu, a), g = std::min((p >> 8) & 0xFFu, a),
                           b = std::min(p & 0xFFu, a);
            pixels[i] = (a << 24) | (r << 16) | (g << 8) | b;
        }
        if (kept.size() >= 160) kept.clear();
        found = kept.emplace(name, std::move(made)).first;
    }
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, box.left, box.top, w, h, found->second.dc(), 0, 0, w, h, blend);
}

void fillManagerRect(HDC dc, const RECT& rect, uint32_t argb) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    fillAndFrame(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, argb, 255);
}

void frameManagerRect(HDC dc, const RECT& rect, uint32_t argb) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    fillAndFrame(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, argb, 0);
}
