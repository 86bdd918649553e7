#pragma once
// Process-wide caches of GDI+ fonts and solid brushes. Entries live for the life of the process,
// so drawing thousands of characters creates each font and brush once. GUI thread only.
#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <map>
#include <string>

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
    void clear() { fonts_.clear(); }

private:
    std::map<std::wstring, TavGpFont> fonts_;
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

    // The cached solid brush of the ARGB colour.
    Gdiplus::SolidBrush* get(uint32_t argb);

    size_t count() const { return brushes_.size(); }
    void clear() { brushes_.clear(); }

private:
    std::map<uint32_t, std::unique_ptr<Gdiplus::SolidBrush>> brushes_;
};
