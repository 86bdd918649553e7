#include "GdiOwners.h"

#include <algorithm>
#include <cstring>

TavDib createBitmap(int width, int height, TavRowOrder order, TavDibStart start) {
    TavDib dib;
    if (width <= 0 || height <= 0) return dib;
    BITMAPINFO info{};
    // The header size must be that of BITMAPINFOHEADER: the system rejects other values.
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = order == TavRowOrder::TopDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return dib;
    }
    // DIB sections come zeroed from the system; clear anyway so the transparent start is ours.
    if (start == TavDibStart::Cleared) std::memset(bits, 0, size_t(width) * size_t(height) * 4);
    dib.bitmap.reset(bitmap);
    dib.pixels = static_cast<uint32_t*>(bits);
    return dib;
}

TavMemDC::TavMemDC(int width, int height, TavRowOrder order, TavDibStart start) : order_(order) {
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) return;
    TavDib dib = createBitmap(width, height, order, start);
    if (!dib.bitmap) return;
    oldBitmap_ = SelectObject(dc_, dib.bitmap.get());
    bitmap_ = std::move(dib.bitmap);
    pixels_ = dib.pixels;
    width_ = width;
    height_ = height;
}

TavMemDC::~TavMemDC() { destroy(); }

TavMemDC::TavMemDC(TavMemDC&& other) noexcept
    : dc_(std::exchange(other.dc_, nullptr)), bitmap_(std::move(other.bitmap_)),
      oldBitmap_(std::exchange(other.oldBitmap_, nullptr)), pixels_(std::exchange(other.pixels_, nullptr)),
      width_(std::exchange(other.width_, 0)), height_(std::exchange(other.height_, 0)), order_(other.order_) {
}

TavMemDC& TavMemDC::operator=(TavMemDC&& other) noexcept {
    if (this != &other) {
        destroy();
        dc_ = std::exchange(other.dc_, nullptr);
        bitmap_ = std::move(other.bitmap_);
        oldBitmap_ = std::exchange(other.oldBitmap_, nullptr);
        pixels_ = std::exchange(other.pixels_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        order_ = other.order_;
    }
    return *this;
}

void TavMemDC::destroy() {
    if (dc_ && oldBitmap_) SelectObject(dc_, oldBitmap_);
    bitmap_.reset();
    if (dc_) DeleteDC(dc_);
    dc_ = nullptr;
    oldBitmap_ = nullptr;
    pixels_ = nullptr;
    width_ = height_ = 0;
}

void TavMemDC::clear() {
    if (!ok()) return;
    GdiFlush();
    std::memset(pixels_, 0, size_t(width_) * size_t(height_) * 4);
}

uint32_t premultiply(uint32_t argb) {
    uint32_t a = argb >> 24;
    auto channel = [a](uint32_t c) { return (c * a + 127) / 255; };
    uint32_t r = channel((argb >> 16) & 0xFF), g = channel((argb >> 8) & 0xFF), b = channel(argb & 0xFF);
    return (a << 24) | (r << 16) | (g << 8) | b;
}

TavMemDC createMemoryDC(HWND /*window*/, int width, int height, uint32_t fillArgb) {
    TavMemDC mem(width, height);
    if (mem.ok() && fillArgb != 0) {
        // Filling a transparent bitmap source-over is writing the premultiplied color, so the
        // pixels are set directly instead of going through a GDI+ graphics.
        GdiFlush();
        std::fill_n(mem.pixels(), size_t(width) * size_t(height), premultiply(fillArgb));
    }
    return mem;
}
