#pragma once
// Image files: drawing a picture file into a DC, and turning a DC into a PNG.
#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <optional>
#include <string>

#include "GdiOwners.h"

// Pictures larger than this are refused as if missing: decoding one would take gigabytes.
inline constexpr uint32_t kMaxImageSide = 16384;
inline constexpr uint64_t kMaxImagePixels = uint64_t(64) << 20;

struct ImageSize {
    uint32_t width = 0;
    uint32_t height = 0;
};

// True for a non-empty size within kMaxImageSide per side and kMaxImagePixels in all.
bool imageSizeAllowed(uint64_t width, uint64_t height);

// The pixel size a PNG, GIF, BMP or JPEG file declares in its first bytes, read without decoding
// anything; nothing for other formats, a header cut short, or a JPEG whose frame header lies
// beyond `size`. Linear in `size`.
std::optional<ImageSize> imageHeaderSize(const uint8_t* data, size_t size);

// Loads a picture file with GDI+. Null when the file is missing, unreadable or larger than the
// bounds; the declared size is checked before GDI+ decodes the file, and the decoded size after.
TavGpImage loadImageFile(const std::wstring& path);

// Draws the whole image scaled to width x height at (x, y), alpha-blended over the target.
// A relative path names a file of the resource folder. Returns false, drawing nothing, when the
// file is missing or GDI+ cannot read it. The file is not kept open afterwards.
// Icon-sized draws (both sides up to kIconCacheMaxSide) keep the scaled pixels in a bounded cache
// keyed by the file's full name (letter case ignored) and the size; an entry serves only while
// the file keeps its size and last-write time, so a replaced file is decoded afresh.
bool drawImageFile(const std::wstring& path, HDC target, int x, int y, int width, int height,
                   HWND window = nullptr);

inline constexpr int kIconCacheMaxSide = 64;
inline constexpr size_t kIconCacheCapacity = 64;

struct IconCacheStats {
    size_t entries = 0;
    uint64_t hits = 0;
    uint64_t decodes = 0; // files decoded for a cacheable draw
};
IconCacheStats iconCacheStats();
// Drops every cached icon (their DCs and bitmaps are freed) and zeroes the counts.
void clearIconCache();

// A 32 bpp ARGB bitmap of the DC's top-left width x height, colors un-premultiplied, with the
// alpha the window would have (scaled by 254/255, as the window is presented). Null on failure.
TavGpBitmap dcToBitmap(HWND window, HDC source, int width, int height);

// The class id of GDI+'s PNG encoder ("image/png"); nothing when GDI+ has none.
std::optional<CLSID> findPngEncoder();

// Saves a bitmap as PNG; false when there is no encoder or the save fails.
bool saveBitmapPng(Gdiplus::Bitmap& bitmap, const std::wstring& path);

// Un-premultiplies one pixel: each color becomes min(255, value * 255 / alpha), alpha 0 gives 0.
uint32_t unpremultiply(uint32_t pixel);
