#include "TavFont.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Gdiplus;

namespace {

TavGpFont fontOfFamily(const FontFamily* family, float size, int style, Unit unit) {
    if (!family || family->GetLastStatus() != Ok) return nullptr;
    auto font = std::make_unique<Font>(family, size, style, unit);
    if (font->GetLastStatus() != Ok) return nullptr;
    return font;
}

// GDI+ does not fall back by itself: a missing face gives a font that measures nothing.
TavGpFont firstInstalledFont(float size, int style, Unit unit) {
    InstalledFontCollection installed;
    int total = installed.GetFamilyCount();
    if (total <= 0) return nullptr;
    std::vector<FontFamily> families(static_cast<size_t>(total));
    int found = 0;
    installed.GetFamilies(total, families.data(), &found);
    return found > 0 ? fontOfFamily(&families[0], size, style, unit) : nullptr;
}

}  // namespace

TavGpFont createFontWithFallback(const std::wstring& face, float size, int style, Unit unit) {
    FontFamily requested(face.c_str());
    if (TavGpFont font = fontOfFamily(&requested, size, style, unit)) return font;
    if (TavGpFont font = fontOfFamily(FontFamily::GenericSansSerif(), size, style, unit)) return font;
    if (TavGpFont font = firstInstalledFont(size, style, unit)) return font;
    // Nothing usable: keep a failed font so that callers hold an object that draws nothing.
    return std::make_unique<Font>(&requested, size, style, unit);
}

TavFont& TavFont::instance() {
    static TavFont* cache = new TavFont;
    return *cache;
}

TavFont::~TavFont() = default;

std::wstring TavFont::key(const std::wstring& face, float size, int style, Unit unit) {
    wchar_t tail[64];
    std::swprintf(tail, 64, L"_%d_%d_%d", int(size), style, int(unit));
    return face + tail;
}

Font* TavFont::get(const std::wstring& face, float size, int style, Unit unit) {
    std::wstring k = key(face, size, style, unit);
    auto it = fonts_.find(k);
    if (it != fonts_.end()) return it->second.get();
    float keySize = std::trunc(size);
    if (keySize <= 0) keySize = size > 0 ? size : 1.0f;
    TavGpFont font = createFontWithFallback(face, keySize, style, unit);
    Font* raw = font.get();
    fonts_.emplace(std::move(k), std::move(font));
    return raw;
}

TavBrush& TavBrush::instance() {
    static TavBrush* cache = new TavBrush;
    return *cache;
}

TavBrush::~TavBrush() = default;

SolidBrush* TavBrush::get(uint32_t argb) {
    auto& slot = brushes_[argb];
    if (!slot) slot = std::make_unique<SolidBrush>(Color(ARGB(argb)));
    return slot.get();
}
