#pragma once
// Owners for platform and GDI+ resources: every handle the framework creates has exactly one owner.
// Copies are deleted (a copied owner would free its handle twice); moves hand the handle over.
#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <utility>

// A handle plus the rule that frees it. Traits provide `empty(h)` and `close(h)`.
template <typename T, typename Traits> class TavUniqueHandle {
public:
    TavUniqueHandle() = default;
    explicit TavUniqueHandle(T handle) : handle_(handle) {}
    ~TavUniqueHandle() { reset(); }
    TavUniqueHandle(const TavUniqueHandle&) = delete;
    TavUniqueHandle& operator=(const TavUniqueHandle&) = delete;
    TavUniqueHandle(TavUniqueHandle&& other) noexcept : handle_(other.release()) {}
    TavUniqueHandle& operator=(TavUniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const { return handle_; }
    explicit operator bool() const { return !Traits::empty(handle_); }
    // Gives up ownership without freeing.
    T release() { return std::exchange(handle_, T{}); }
    void reset(T handle = T{}) {
        T old = std::exchange(handle_, handle);
        if (!Traits::empty(old)) Traits::close(old);
    }

private:
    T handle_{};
};

struct TavGdiObjectTraits {
    static bool empty(HGDIOBJ h) { return h == nullptr; }
    static void close(HGDIOBJ h) { DeleteObject(h); }
};
struct TavIconTraits {
    static bool empty(HICON h) { return h == nullptr; }
    static void close(HICON h) { DestroyIcon(h); }
};
// Kernel handles use both null and INVALID_HANDLE_VALUE as "no handle", depending on the API.
struct TavKernelTraits {
    static bool empty(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct TavFindTraits {
    static bool empty(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};

using TavBitmapHandle = TavUniqueHandle<HBITMAP, TavGdiObjectTraits>;
using TavFontHandle = TavUniqueHandle<HFONT, TavGdiObjectTraits>;
using TavBrushHandle = TavUniqueHandle<HBRUSH, TavGdiObjectTraits>;
using TavPenHandle = TavUniqueHandle<HPEN, TavGdiObjectTraits>;
using TavRegionHandle = TavUniqueHandle<HRGN, TavGdiObjectTraits>;
using TavIconHandle = TavUniqueHandle<HICON, TavIconTraits>;
using TavKernelHandle = TavUniqueHandle<HANDLE, TavKernelTraits>;
using TavFindHandle = TavUniqueHandle<HANDLE, TavFindTraits>;

// GDI+ objects are C++ objects with virtual destructors: unique_ptr owns them.
using TavGpBitmap = std::unique_ptr<Gdiplus::Bitmap>;
using TavGpImage = std::unique_ptr<Gdiplus::Image>;
using TavGpGraphics = std::unique_ptr<Gdiplus::Graphics>;
using TavGpFont = std::unique_ptr<Gdiplus::Font>;
using TavGpBrush = std::unique_ptr<Gdiplus::Brush>;
using TavGpPen = std::unique_ptr<Gdiplus::Pen>;
using TavGpStringFormat = std::unique_ptr<Gdiplus::StringFormat>;
using TavGpPath = std::unique_ptr<Gdiplus::GraphicsPath>;

// A 32-bit DIB section whose pixels start at zero (transparent black). Pixels are B, G, R, A
// bytes with premultiplied color, as AlphaBlend with per-pixel alpha expects.
struct TavDib {
    TavBitmapHandle bitmap;
    uint32_t* pixels = nullptr;
};

enum class TavRowOrder { TopDown, BottomUp };

// How a new DIB's pixels start: cleared here, or as the system hands them out (zero as well,
// with each page touched only when first drawn into: much cheaper for a large, mostly empty
// bitmap such as a long document's back buffer), or left as they are because the caller writes
// every pixel at once (a fresh bitmap is zero; one used before holds its old picture).
enum class TavDibStart { Cleared, AsAllocated, Overwritten };

// Creates the DIB section; nothing (a null bitmap) when width or height is not positive or the
// system refuses. Top-down rows make pixel (x, y) = pixels[y * width + x].
TavDib createBitmap(int width, int height, TavRowOrder order = TavRowOrder::TopDown,
                    TavDibStart start = TavDibStart::Cleared);

// A memory DC compatible with the screen that owns a TavDib selected into it. The old selection
// is put back before the bitmap and the DC are freed. A DC that could not be made is "failed":
// ok() is false, dc() may still be a valid DC (so GDI calls on it are harmless) but width(),
// height() and pixels() are 0 / null, and callers draw nothing.
class TavMemDC {
public:
    TavMemDC() = default;
    TavMemDC(int width, int height, TavRowOrder order = TavRowOrder::TopDown,
             TavDibStart start = TavDibStart::Cleared);
    ~TavMemDC();
    TavMemDC(const TavMemDC&) = delete;
    TavMemDC& operator=(const TavMemDC&) = delete;
    TavMemDC(TavMemDC&& other) noexcept;
    TavMemDC& operator=(TavMemDC&& other) noexcept;

    bool ok() const { return dc_ != nullptr && pixels_ != nullptr; }
    explicit operator bool() const { return ok(); }
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    TavRowOrder rowOrder() const { return order_; }
    // Raw pixel words in memory order (row 0 is the top row for TopDown, the bottom for BottomUp).
    uint32_t* pixels() const { return pixels_; }
    // Pixel at (x, y) counted from the top-left whatever the row order; no bounds check.
    uint32_t& at(int x, int y) const {
        int row = order_ == TavRowOrder::TopDown ? y : height_ - 1 - y;
        return pixels_[size_t(row) * size_t(width_) + size_t(x)];
    }
    // Sets every pixel back to transparent black.
    void clear();

private:
    void destroy();

    HDC dc_ = nullptr;
    TavBitmapHandle bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;
    uint32_t* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    TavRowOrder order_ = TavRowOrder::TopDown;
};

// Premultiplies an ARGB color into the pixel layout of a TavDib.
uint32_t premultiply(uint32_t argb);

// The toolkit's "create memory DC": a screen-compatible DC of the size, filled with the ARGB
// color (0 leaves it transparent). The window argument is kept for callers; the DC is
// compatible with the screen either way.
TavMemDC createMemoryDC(HWND window, int width, int height, uint32_t fillArgb = 0);
