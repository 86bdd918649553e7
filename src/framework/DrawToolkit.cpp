#include "DrawToolkit.h"

#include <algorithm>

#include "Blur.h"

using namespace Gdiplus;

void blankDC(HDC target, int x, int y, int width, int height) {
    TavMemDC blank(width, height);
    if (!target || !blank.ok()) return;
    BitBlt(target, x, y, width, height, blank.dc(), 0, 0, SRCCOPY);
}

TavMemDC copyDC(HWND window, HDC source, int width, int height) {
    TavMemDC copy = createMemoryDC(window, width, height);
    if (copy.ok() && source) BitBlt(copy.dc(), 0, 0, width, height, source, 0, 0, SRCCOPY);
    return copy;
}

TavMemDC copyDC(HWND window, TavMemDC&& source, int width, int height) {
    TavMemDC owned = std::move(source);
    return copyDC(window, owned.dc(), width, height);
}

void fillAndFrame(HDC dc, int x, int y, int width, int height, uint32_t argb, uint8_t fillAlpha) {
    if (!dc || width <= 0 || height <= 0) return;
    Graphics g(dc);
    SolidBrush fill{Color(ARGB((uint32_t(fillAlpha) << 24) | (argb & 0xFFFFFF)))};
    g.FillRectangle(&fill, x, y, width, height);
    Pen frame{Color(ARGB(argb)), 1.0f};
    g.DrawRectangle(&frame, x, y, width - 1, height - 1);
}

void gradientFill(HDC dc, const RECT& rect, uint32_t startArgb, uint32_t endArgb,
                  const std::vector<float>& positions, const std::vector<float>& factors) {
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (!dc || width <= 0 || height <= 0) return;
    Graphics g(dc);
    RectF area(float(rect.left), float(rect.top), float(width), float(height));
    LinearGradientBrush brush(area, Color(ARGB(startArgb)), Color(ARGB(endArgb)),
                              LinearGradientModeHorizontal);
    // Without flipping, the first column picks up the end color when the brush tiles.
    brush.SetWrapMode(WrapModeTileFlipX);
    size_t n = std::min(positions.size(), factors.size());
    if (n >= 2 && positions.front() == 0.0f && positions[n - 1] == 1.0f)
        brush.SetBlend(factors.data(), positions.data(), int(n));
    g.FillRectangle(&brush, area);
}

TavMemDC blurredCopy(HWND window, HDC source, int width, int height) {
    TavMemDC copy = copyDC(window, source, width, height);
    if (copy.ok()) {
        GdiFlush();
        gaussianBlur(copy.pixels(), width, height, 2);
    }
    return copy;
}

TavDropShadow dropShadow(HWND window, int x, int y, int width, int height, int radius, uint32_t argb) {
    TavDropShadow shadow;
    if (radius < 0) radius = 0;
    shadow.placed = RECT{x - radius, y - radius, x + width + radius, y + height + radius};
    int outerW = width + 2 * radius, outerH = height + 2 * radius;
    shadow.dc = createMemoryDC(window, outerW, outerH);
    if (!shadow.dc.ok() || width <= 0 || height <= 0) return shadow;
    GdiFlush();
    uint32_t color = premultiply(argb);
    for (int row = radius; row < radius + height; ++row)
        for (int col = radius; col < radius + width; ++col) shadow.dc.at(col, row) = color;
    gaussianBlur(shadow.dc.pixels(), outerW, outerH, radius);
    // The window body covers the inner rectangle: the shadow must not show through it.
    for (int row = radius; row < radius + height; ++row)
        for (int col = radius; col < radius + width; ++col) shadow.dc.at(col, row) = 0;
    return shadow;
}

RECT clientToScreenRect(HWND window, const RECT& rect) {
    POINT p{rect.left, rect.top};
    ClientToScreen(window, &p);
    return RECT{p.x, p.y, p.x + (rect.right - rect.left), p.y + (rect.bottom - rect.top)};
}

RECT screenToClientRect(HWND window, const RECT& rect) {
    POINT p{rect.left, rect.top};
    ScreenToClient(window, &p);
    return RECT{p.x, p.y, p.x + (rect.right - rect.left), p.y + (rect.bottom - rect.top)};
}

RECT unionRects(const RECT& a, const RECT& b) {
    RECT out{};
    if (IsRectEmpty(&a)) return IsRectEmpty(&b) ? out : b;
    if (IsRectEmpty(&b)) return a;
    UnionRect(&out, &a, &b);
    return out;
}
