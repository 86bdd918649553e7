#pragma once
// Image files: drawing a picture file into a DC, and turning a DC into a PNG.
#include <windows.h>
#include <gdiplus.h>

#include <optional>
#include <string>

#include "GdiOwners.h"

// Draws the whole image scaled to width x height at (x, y), alpha-blended over the target.
// A relative path names a file of the resource folder. Returns false, drawing nothing, when the
// file is missing or GDI+ cannot read it. The file is not kept open afterwards.
bool drawImageFile(const std::wstring& path, HDC target, int x, int y, int width, int height,
                   HWND window = nullptr);

// A 32 bpp ARGB bitmap of the DC's top-left width x height, colours un-premultiplied, with the
// alpha the window would have (scaled by 254/255, as the window is presented). Null on failure.
TavGpBitmap dcToBitmap(HWND window, HDC source, int width, int height);

// The class id of GDI+'s PNG encoder ("image/png"); nothing when GDI+ has none.
std::optional<CLSID> findPngEncoder();

// Saves a bitmap as PNG; false when there is no encoder or the save fails.
bool saveBitmapPng(Gdiplus::Bitmap& bitmap, const std::wstring& path);

// Un-premultiplies one pixel: each colour becomes min(255, value * 255 / alpha), alpha 0 gives 0.
uint32_t unpremultiply(uint32_t pixel);
