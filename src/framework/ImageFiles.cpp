#include "ImageFiles.h"

#include <shlwapi.h>

#include <cstring>
#include <vector>

#include "AppPaths.h"

using namespace Gdiplus;

bool drawImageFile(const std::wstring& path, HDC target, int x, int y, int width, int height, HWND window) {
    if (!target || width <= 0 || height <= 0 || path.empty()) return false;
    std::wstring full = PathIsRelativeW(path.c_str()) ? resourceDirectory() + path : path;
    if (!PathFileExistsW(full.c_str())) return false;
    TavMemDC scaled = createMemoryDC(window, width, height);
    if (!scaled.ok()) return false;
    {
        Image image(full.c_str());
        if (image.GetLastStatus() != Ok || image.GetWidth() == 0 || image.GetHeight() == 0) return false;
        Graphics g(scaled.dc());
        g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
        g.SetPixelOffsetMode(PixelOffsetModeHalf);
        if (g.DrawImage(&image, 0, 0, width, height) != Ok) return false;
    }
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return AlphaBlend(target, x, y, width, height, scaled.dc(), 0, 0, width, height, blend) != FALSE;
}

uint32_t unpremultiply(uint32_t pixel) {
    uint32_t a = pixel >> 24;
    if (a == 0) return 0;
    auto channel = [a](uint32_t c) {
        uint32_t v = c * 255 / a;
        return v > 255 ? 255u : v;
    };
    return (a << 24) | (channel((pixel >> 16) & 0xFF) << 16) | (channel((pixel >> 8) & 0xFF) << 8) |
           channel(pixel & 0xFF);
}

TavGpBitmap dcToBitmap(HWND /*window*/, HDC source, int width, int height) {
    if (!source || width <= 0 || height <= 0) return nullptr;
    // Bottom-up like a window's own DIB: the rows are turned over while copying below.
    TavMemDC blended(width, height, TavRowOrder::BottomUp);
    if (!blended.ok()) return nullptr;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 254, AC_SRC_ALPHA};
    AlphaBlend(blended.dc(), 0, 0, width, height, source, 0, 0, width, height, blend);
    GdiFlush();

    auto bitmap = std::make_unique<Bitmap>(width, height, PixelFormat32bppARGB);
    if (bitmap->GetLastStatus() != Ok) return nullptr;
    Rect all(0, 0, width, height);
    BitmapData data{};
    if (bitmap->LockBits(&all, ImageLockModeWrite, PixelFormat32bppARGB, &data) != Ok) return nullptr;
    for (int row = 0; row < height; ++row) {
        auto* out = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(data.Scan0) + ptrdiff_t(row) * data.Stride);
        for (int col = 0; col < width; ++col) out[col] = unpremultiply(blended.at(col, row));
    }
    bitmap->UnlockBits(&data);
    return bitmap;
}

std::optional<CLSID> findPngEncoder() {
    UINT count = 0, bytes = 0;
    if (GetImageEncodersSize(&count, &bytes) != Ok || count == 0 || bytes == 0) return std::nullopt;
    std::vector<BYTE> buffer(bytes);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GetImageEncoders(count, bytes, codecs) != Ok) return std::nullopt;
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) return codecs[i].Clsid;
    return std::nullopt;
}

bool saveBitmapPng(Bitmap& bitmap, const std::wstring& path) {
    std::optional<CLSID> png = findPngEncoder();
    return png && bitmap.Save(path.c_str(), &*png, nullptr) == Ok;
}
