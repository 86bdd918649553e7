#include "NoteSnapshot.h"

#include <windows.h>
#include <gdiplus.h>

#include <vector>

#include "AtomicFile.h"
#include "ImageFiles.h"

namespace {
constexpr int kMaxSide = 16384; // larger than any screen; keeps width * height well in range
}

bool writeSnapshotPng(const TavSnapshotPixels& picture, const std::wstring& path) {
    if (!picture.pixels || picture.width <= 0 || picture.height <= 0 || picture.width > kMaxSide ||
        picture.height > kMaxSide)
        return false;
    std::vector<uint32_t> straight(size_t(picture.width) * size_t(picture.height));
    for (size_t i = 0; i < straight.size(); ++i) straight[i] = unpremultiply(picture.pixels[i]);
    Gdiplus::Bitmap bitmap(picture.width, picture.height, picture.width * 4, PixelFormat32bppARGB,
                           reinterpret_cast<BYTE*>(straight.data()));
    if (bitmap.GetLastStatus() != Gdiplus::Ok) return false;
    // Encoded beside the target and moved over it: a failed or interrupted save leaves no partial
    // picture.
    const std::wstring temp = atomicTempPath(path);
    if (!saveBitmapPng(bitmap, temp)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return moveOverAtomically(temp, path);
}
