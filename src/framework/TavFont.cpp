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

} // namespace

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
    if (it != fonts_.end()) {
        touch(it->second);
        return it->second.font.get();
    }
    float keySize = std::trunc(size);
    if (keySize <= 0) keySize = size > 0 ? size : 1.0f;
    TavGpFont font = createFontWithFallback(face, keySize, style, unit);
    Font* raw = font.get();
    it = fonts_.emplace(std::move(k), Entry{std::move(font), 0, {}}).first;
    byPointer_.emplace(raw, it);
    unpinned_.push_front(raw);
    it->second.lru = unpinned_.begin();
    trim();
    return raw;
}

void TavFont::touch(Entry& entry) {
    if (entry.pins == 0) unpinned_.splice(unpinned_.begin(), unpinned_, entry.lru);
}

void TavFont::retain(Font* font) {
    auto found = byPointer_.find(font);
    if (found == byPointer_.end()) return;
    Entry& entry = found->second->second;
    if (entry.pins++ == 0) unpinned_.erase(entry.lru);
}

void TavFont::release(Font* font) {
    auto found = byPointer_.find(font);
    if (found == byPointer_.end()) return;
    Entry& entry = found->second->second;
    if (entry.pins <= 0) return;
    if (--entry.pins == 0) {
        unpinned_.push_front(font);
        entry.lru = unpinned_.begin();
        trim();
    }
}

int TavFont::pins(const Font* font) const {
    auto found = byPointer_.find(font);
    return found == byPointer_.end() ? 0 : found->second->second.pins;
}

void TavFont::setCapacity(size_t fonts) {
    capacity_ = fonts < 1 ? 1 : fonts;
    trim();
}

void TavFont::trim() {
    while (unpinned_.size() > capacity_) erase(byPointer_.find(unpinned_.back())->second);
}

void TavFont::erase(Map::iterator it) {
    Font* font = it->second.font.get();
    for (const FreeListener& listener : listeners_) listener(font);
    if (it->second.pins == 0) unpinned_.erase(it->second.lru);
    byPointer_.erase(font);
    fonts_.erase(it);
}

void TavFont::clear() {
    while (!fonts_.empty()) erase(fonts_.begin());
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
