#include "ImageFiles.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <mutex>
#include <vector>

#include "AppPaths.h"

using namespace Gdiplus;

namespace {

uint32_t bigEndian16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t bigEndian32(const uint8_t* p) { return bigEndian16(p) << 16 | bigEndian16(p + 2); }
uint32_t littleEndian16(const uint8_t* p) { return uint32_t(p[1]) << 8 | p[0]; }
uint32_t littleEndian32(const uint8_t* p) { return littleEndian16(p + 2) << 16 | littleEndian16(p); }
uint32_t magnitude(uint32_t bits) {
    int64_t v = int32_t(bits);
    return uint32_t(v < 0 ? -v : v);
}

std::optional<ImageSize> pngSize(const uint8_t* d, size_t n) {
    if (n < 24 || std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) != 0 || std::memcmp(d + 12, "IHDR", 4) != 0)
        return std::nullopt;
    return ImageSize{bigEndian32(d + 16), bigEndian32(d + 20)};
}

std::optional<ImageSize> gifSize(const uint8_t* d, size_t n) {
    if (n < 10 || (std::memcmp(d, "GIF87a", 6) != 0 && std::memcmp(d, "GIF89a", 6) != 0)) return std::nullopt;
    return ImageSize{littleEndian16(d + 6), littleEndian16(d + 8)};
}

std::optional<ImageSize> bmpSize(const uint8_t* d, size_t n) {
    if (n < 26 || d[0] != 'B' || d[1] != 'M') return std::nullopt;
    uint32_t header = littleEndian32(d + 14);
    if (header == 12) return ImageSize{littleEndian16(d + 18), littleEndian16(d + 20)};
    // A negative height marks a top-down bitmap; a negative width is invalid and stays huge.
    if (header >= 40) return ImageSize{magnitude(littleEndian32(d + 18)), magnitude(littleEndian32(d + 22))};
    return std::nullopt;
}

bool isJpegFrameMarker(uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

// Walks the marker segments up to the first frame header; each step moves forward.
std::optional<ImageSize> jpegSize(const uint8_t* d, size_t n) {
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return std::nullopt;
    size_t p = 2;
    while (p + 4 <= n) {
        if (d[p] != 0xFF) return std::nullopt;
        uint8_t marker = d[p + 1];
        if (marker == 0xFF) { // fill byte
            ++p;
            continue;
        }
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) { // no length
            p += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt; // no frame header before data
        if (isJpegFrameMarker(marker)) {
            if (p + 9 > n) return std::nullopt;
            return ImageSize{bigEndian16(d + p + 7), bigEndian16(d + p + 5)};
        }
        uint32_t length = bigEndian16(d + p + 2);
        if (length < 2) return std::nullopt;
        p += 2 + length;
    }
    return std::nullopt;
}

// Enough for the header of every format read above, and for a JPEG's usual metadata segments.
constexpr DWORD kHeaderBytes = 64 * 1024;

std::vector<uint8_t> readFileStart(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    TavKernelHandle owner(file);
    bytes.resize(kHeaderBytes);
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), kHeaderBytes, &read, nullptr)) read = 0;
    bytes.resize(read);
    return bytes;
}

// The scaled pixels of small pictures, so that menus and buttons do not decode their icons at
// every draw. Guarded by a mutex: drawing is meant for the GUI thread, but nothing here relies on it.
struct IconStamp {
    uint64_t size = 0;
    FILETIME written{};
    bool operator==(const IconStamp& o) const {
        return size == o.size && CompareFileTime(&written, &o.written) == 0;
    }
};

struct IconEntry {
    std::wstring key; // full path, lower case
    int width = 0;
    int height = 0;
    IconStamp stamp;
    TavMemDC pixels;
    uint64_t lastUse = 0;
};

struct IconCache {
    std::mutex lock;
    std::vector<IconEntry> entries;
    uint64_t clock = 0;
    uint64_t hits = 0;
    uint64_t decodes = 0;
};

IconCache& iconCache() {
    static IconCache cache;
    return cache;
}

std::optional<IconStamp> fileStamp(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return IconStamp{uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow, data.ftLastWriteTime};
}

std::wstring cacheKey(const std::wstring& path) {
    std::wstring key = path;
    for (wchar_t& c : key) c = wchar_t(std::towlower(c));
    return key;
}

// The picture decoded and scaled to width x height, premultiplied; a failed DC when it cannot be.
TavMemDC scaledImage(const std::wstring& full, int width, int height, HWND window) {
    TavGpImage image = loadImageFile(full);
    if (!image) return TavMemDC();
    TavMemDC scaled = createMemoryDC(window, width, height);
    if (!scaled.ok()) return scaled;
    Graphics g(scaled.dc());
    g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    if (g.DrawImage(image.get(), 0, 0, width, height) != Ok) return TavMemDC();
    return scaled;
}

bool blendScaled(HDC target, int x, int y, const TavMemDC& scaled) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return AlphaBlend(target, x, y, scaled.width(), scaled.height(), scaled.dc(), 0, 0, scaled.width(),
                      scaled.height(), blend) != FALSE;
}

bool drawCachedIcon(const std::wstring& full, HDC target, int x, int y, int width, int height, HWND window) {
    std::optional<IconStamp> stamp = fileStamp(full);
    IconCache& cache = iconCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    const std::wstring key = cacheKey(full);
    auto found = std::find_if(cache.entries.begin(), cache.entries.end(), [&](const IconEntry& e) {
        return e.width == width && e.height == height && e.key == key;
    });
    if (found != cache.entries.end() && (!stamp || !(found->stamp == *stamp))) {
        cache.entries.erase(found); // gone or replaced: never drawn from the old pixels
        found = cache.entries.end();
    }
    if (!stamp) return false;
    if (found != cache.entries.end()) {
        ++cache.hits;
        found->lastUse = ++cache.clock;
        return blendScaled(target, x, y, found->pixels);
    }
    ++cache.decodes;
    TavMemDC scaled = scaledImage(full, width, height, window);
    if (!scaled.ok()) return false;
    bool drawn = blendScaled(target, x, y, scaled);
    if (cache.entries.size() >= kIconCacheCapacity) {
        auto oldest =
            std::min_element(cache.entries.begin(), cache.entries.end(),
                             [](const IconEntry& a, const IconEntry& b) { return a.lastUse < b.lastUse; });
        cache.entries.erase(oldest);
    }
    cache.entries.push_back(IconEntry{key, width, height, *stamp, std::move(scaled), ++cache.clock});
    return drawn;
}

} // namespace

IconCacheStats iconCacheStats() {
    IconCache& cache = iconCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    return IconCacheStats{cache.entries.size(), cache.hits, cache.decodes};
}

void clearIconCache() {
    IconCache& cache = iconCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    cache.entries.clear();
    cache.hits = 0;
    cache.decodes = 0;
}

bool imageSizeAllowed(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

std::optional<ImageSize> imageHeaderSize(const uint8_t* data, size_t size) {
    if (!data) return std::nullopt;
    for (auto reader : {pngSize, gifSize, bmpSize, jpegSize})
        if (std::optional<ImageSize> found = reader(data, size)) return found;
    return std::nullopt;
}

TavGpImage loadImageFile(const std::wstring& path) {
    if (path.empty() || !PathFileExistsW(path.c_str())) return nullptr;
    std::vector<uint8_t> start = readFileStart(path);
    if (start.empty()) return nullptr;
    std::optional<ImageSize> declared = imageHeaderSize(start.data(), start.size());
    if (declared && !imageSizeAllowed(declared->width, declared->height)) return nullptr;
    auto image = std::make_unique<Image>(path.c_str());
    if (image->GetLastStatus() != Ok || !imageSizeAllowed(image->GetWidth(), image->GetHeight()))
        return nullptr;
    return image;
}

bool drawImageFile(const std::wstring& path, HDC target, int x, int y, int width, int height, HWND window) {
    if (!target || width <= 0 || height <= 0 || path.empty()) return false;
    std::wstring full = PathIsRelativeW(path.c_str()) ? resourceDirectory() + path : path;
    if (width <= kIconCacheMaxSide && height <= kIconCacheMaxSide)
        return drawCachedIcon(full, target, x, y, width, height, window);
    TavMemDC scaled = scaledImage(full, width, height, window);
    return scaled.ok() && blendScaled(target, x, y, scaled);
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
        auto* out =
            reinterpret_cast<uint32_t*>(static_cast<BYTE*>(data.Scan0) + ptrdiff_t(row) * data.Stride);
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
