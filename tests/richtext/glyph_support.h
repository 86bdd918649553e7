#pragma once
// Small fixtures for the glyph and document tests.
#include <gtest/gtest.h>

#include "TavFont.h"
#include "TavGlyph.h"
#include "TavRichEditDoc.h"

#include <string>

namespace glyphtest {

inline Gdiplus::Font* latin(float size = 16, int style = 0) {
    return TavFont::instance().get(L"DejaVu Sans", size, style);
}

// A glyph of a fixed advance (the layout rules without font measuring).
class FixedGlyph : public TavGlyph {
public:
    FixedGlyph(float width, bool lineEnd = false) : lineEnd_(lineEnd) {
        bounds_ = Gdiplus::RectF(0, 0, lineEnd ? 0 : width, 10);
        ink_ = bounds_;
    }
    bool isLineEnd() const override { return lineEnd_; }
    std::wstring text() const override { return lineEnd_ ? L"\r" : L"x"; }
    int ascent() const override { return 8; }

private:
    bool lineEnd_;
};

// Rows: each one's text with its line end, for readable comparisons.
inline std::vector<std::wstring> rowTexts(const TavRichEditDoc& doc) {
    std::vector<std::wstring> out;
    for (int r = 0; r < doc.rowCount(); ++r) {
        std::wstring s;
        for (TavGlyph* g : doc.row(r)->children()) s += g->text();
        out.push_back(s);
    }
    return out;
}

inline void typeText(TavRichEditDoc& doc, const std::wstring& text) {
    for (wchar_t ch : text) doc.typeChar(ch);
}

} // namespace glyphtest
