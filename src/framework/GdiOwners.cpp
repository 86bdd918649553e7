#include "GdiOwners.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

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

namespace {

// Bitmaps of memory DCs that were just freed, kept for the next DC of the same size: a window
// redrawn at every key or pointer move makes its images anew each time, and a fresh DIB section
// costs its pages' first touch (most of a typing key's frame under Wine) where a kept one costs a
// clear. Small and bounded; the oldest goes first.
class SpareBitmaps {
public:
    // Never destroyed: memory DCs held by other static objects give their bitmaps back at exit.
    static SpareBitmaps& instance() {
        static SpareBitmaps* spares = new SpareBitmaps;
        return *spares;
    }
    // A kept bitmap of that size and row order, its pixels cleared unless the caller overwrites
    // them all; nothing when none is kept.
    TavDib take(int width, int height, TavRowOrder order, TavDibStart start) {
        TavDib dib;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (auto it = spares_.rbegin(); it != spares_.rend(); ++it) {
                if (it->width != width || it->height != height || it->order != order) continue;
                dib.bitmap.reset(it->bitmap);
                dib.pixels = it->pixels;
                bytes_ -= bytesOf(*it);
                spares_.erase(std::next(it).base());
                break;
            }
        }
        if (dib.pixels && start != TavDibStart::Overwritten) {
            GdiFlush();
            std::memset(dib.pixels, 0, size_t(width) * size_t(height) * 4);
        }
        return dib;
    }
    // Keeps the bitmap (no longer selected into any DC) or frees it when it is too large.
    void give(TavBitmapHandle bitmap, uint32_t* pixels, int width, int height, TavRowOrder order) {
        Spare spare{bitmap.get(), pixels, width, height, order};
        if (!spare.bitmap || !pixels || bytesOf(spare) > kLargest) return; // the handle frees it
        std::vector<HBITMAP> evicted;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            spares_.push_back(spare);
            bitmap.release();
            bytes_ += bytesOf(spare);
            while (spares_.size() > kCount || bytes_ > kBytes) {
                evicted.push_back(spares_.front().bitmap);
                bytes_ -= bytesOf(spares_.front());
                spares_.pop_front();
            }
        }
        for (HBITMAP b : evicted) DeleteObject(b);
    }

private:
    struct Spare {
        HBITMAP bitmap;
        uint32_t* pixels;
        int width, height;
        TavRowOrder order;
    };
    static size_t bytesOf(const Spare& s) { return size_t(s.width) * size_t(s.height) * 4; }
    static constexpr size_t kCount = 8;
    static constexpr size_t kLargest = size_t(4) << 20;
    static constexpr size_t kBytes = size_t(12) << 20;

    std::mutex mutex_;
    std::deque<Spare> spares_;
    size_t bytes_ = 0;
};

} // namespace

TavMemDC::TavMemDC(int width, int height, TavRowOrder order, TavDibStart start) : order_(order) {
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) return;
    TavDib dib =
        width > 0 && height > 0 ? SpareBitmaps::instance().take(width, height, order, start) : TavDib{};
    if (!dib.bitmap) dib = createBitmap(width, height, order, start);
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
    if (dc_ && oldBitmap_ && bitmap_)
        SpareBitmaps::instance().give(std::move(bitmap_), pixels_, width_, height_, order_);
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
    TavMemDC mem(width, height, TavRowOrder::TopDown,
                 fillArgb != 0 ? TavDibStart::Overwritten : TavDibStart::Cleared);
    if (mem.ok() && fillArgb != 0) {
        // Filling a transparent bitmap source-over is writing the premultiplied color, so the
        // pixels are set directly instead of going through a GDI+ graphics.
        GdiFlush();
        std::fill_n(mem.pixels(), size_t(width) * size_t(height), premultiply(fillArgb));
    }
    return mem;
}
