#pragma once
// Process-wide caches of GDI+ fonts and solid brushes, so drawing thousands of characters creates
// each font and brush once. GUI thread only.
//
// Fonts are handed out as raw pointers. A holder that keeps one beyond the current call pins it
// (retain/release, or a TavFontPin): a pinned font is never freed. Unpinned fonts stay cached up
// to a capacity and the least recently used one goes beyond it, so requests for ever new faces and
// sizes cannot grow the cache without bound. A pointer from get() is therefore safe without a pin
// only until `capacity()` other unpinned fonts have been asked for.
#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "GdiOwners.h"

class TavFont {
public:
    // The process's cache. It is never destroyed at exit: fonts must not be freed after the
    // entry point has shut GDI+ down. Call clear() before shutting down to free them early.
    static TavFont& instance();

    TavFont() = default;
    virtual ~TavFont();
    TavFont(const TavFont&) = delete;
    TavFont& operator=(const TavFont&) = delete;

    // The cached font for the face, size, style and unit; creates it on a miss. Sizes that share
    // their integer part share one font, created at that integer size so that the result does
    // not depend on which size was asked for first. A face that does not exist (or cannot carry
    // the style) falls back to the generic sans-serif family, then to the first installed one.
    // The result may be a font whose status is not Ok when no family at all is usable.
    Gdiplus::Font* get(const std::wstring& face, float size, int style,
                       Gdiplus::Unit unit = Gdiplus::UnitPixel);

    // "face_size_style_unit" with the size truncated to an integer.
    static std::wstring key(const std::wstring& face, float size, int style, Gdiplus::Unit unit);

    size_t count() const { return fonts_.size(); }
    // Frees every font, pinned or not: only for shutting down (after the last holder is gone).
    void clear();

    // True while `font` is a font of this cache (not yet freed).
    bool contains(const Gdiplus::Font* font) const { return byPointer_.count(font) != 0; }

    // Pins and unpins a cached font; pointers the cache does not hold are ignored. Pins count.
    void retain(Gdiplus::Font* font);
    void release(Gdiplus::Font* font);
    int pins(const Gdiplus::Font* font) const;

    // Most unpinned fonts kept (at least 1). Lowering it frees the oldest unpinned ones at once.
    static constexpr size_t kDefaultCapacity = 256;
    size_t capacity() const { return capacity_; }
    void setCapacity(size_t fonts);
    size_t unpinnedCount() const { return unpinned_.size(); }

    // Called with each font just before it is freed, so that caches keyed by the pointer can
    // forget it (a later font may be allocated at the same address).
    using FreeListener = std::function<void(Gdiplus::Font*)>;
    void addFreeListener(FreeListener listener) { listeners_.push_back(std::move(listener)); }

private:
    struct Entry {
        TavGpFont font;
        int pins = 0;
        std::list<Gdiplus::Font*>::iterator lru; // valid while pins == 0
    };
    using Map = std::map<std::wstring, Entry>;

    void touch(Entry& entry);
    void trim();
    void erase(Map::iterator it);

    Map fonts_;
    std::unordered_map<const Gdiplus::Font*, Map::iterator> byPointer_;
    std::list<Gdiplus::Font*> unpinned_; // most recently used first
    size_t capacity_ = kDefaultCapacity;
    std::vector<FreeListener> listeners_;
};

// A pin held by an owner: reads and assigns like the raw pointer it holds.
class TavFontPin {
public:
    TavFontPin() = default;
    TavFontPin(Gdiplus::Font* font) : font_(font) { TavFont::instance().retain(font_); }
    ~TavFontPin() { TavFont::instance().release(font_); }
    TavFontPin(const TavFontPin& other) : TavFontPin(other.font_) {}
    TavFontPin& operator=(const TavFontPin& other) { return *this = other.font_; }
    TavFontPin& operator=(Gdiplus::Font* font) {
        TavFont::instance().retain(font);
        TavFont::instance().release(font_);
        font_ = font;
        return *this;
    }
    operator Gdiplus::Font*() const { return font_; }
    Gdiplus::Font* operator->() const { return font_; }
    Gdiplus::Font* get() const { return font_; }

private:
    Gdiplus::Font* font_ = nullptr;
};

// Creates a font with the fallback rule of TavFont, uncached.
TavGpFont createFontWithFallback(const std::wstring& face, float size, int style,
                                 Gdiplus::Unit unit = Gdiplus::UnitPixel);

class TavBrush {
public:
    // As TavFont::instance(): never destroyed at exit.
    static TavBrush& instance();

    TavBrush() = default;
    virtual ~TavBrush();
    TavBrush(const TavBrush&) = delete;
    TavBrush& operator=(const TavBrush&) = delete;

    // The cached solid brush of the ARGB color.
    Gdiplus::SolidBrush* get(uint32_t argb);

    size_t count() const { return brushes_.size(); }
    void clear() { brushes_.clear(); }

private:
    std::map<uint32_t, std::unique_ptr<Gdiplus::SolidBrush>> brushes_;
};
