#pragma once
// The glyph tree of the rich text editor: every character is a TavGlyphTChar with its own font,
// color and measured box; a row (TavGlyphEditRow) is a container of characters that lays them
// out on a common baseline and paints them into the editor's back buffer.
//
// Glyphs are reference-counted: the document holds one reference on every character it shows,
// every undo record one on every character it keeps. A glyph is deleted when the last reference
// goes, so it is deleted exactly once whoever lets go last.
#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <vector>

#include "GdiOwners.h"

class TavGlyphEditRow;

// What a row reports to its editor.
class TavGlyphListener {
public:
    virtual ~TavGlyphListener() = default;
    // The row's height changed by `difference` pixels (rows below have to move).
    virtual void rowHeightChanged(TavGlyphEditRow* row, int difference) = 0;
    // The row is about to paint up to `right` (back-buffer x): the buffer must be that wide.
    virtual void rowNeedsWidth(TavGlyphEditRow* row, int right) = 0;
};

class TavGlyph {
public:
    TavGlyph();
    virtual ~TavGlyph();
    TavGlyph(const TavGlyph&) = delete;
    TavGlyph& operator=(const TavGlyph&) = delete;

    // Blends the glyph with its top-left at (x, y) into `target`, only inside `clip`.
    virtual void drawInto(const TavMemDC& target, const RECT& clip, float x, float y);
    // Draws at its own ink position.
    virtual void draw(const TavMemDC& target, const RECT& clip);
    virtual void setBounds(const Gdiplus::RectF& rect);
    virtual void setBounds(float x, float y, float width, float height);
    virtual void setInkBounds(const Gdiplus::RectF& rect);
    virtual int height() const;
    virtual TavGlyph* clone() const;
    virtual void moveBy(float dx, float dy);
    virtual void setFontFamily(const std::wstring& family);
    virtual void measure(Gdiplus::Font* font);
    virtual void setColor(uint32_t argb);
    virtual uint32_t color() const;
    virtual void setAlpha(int value);
    virtual int leftOverhang() const;
    virtual int ascent() const;
    virtual void setAscent(int value);
    virtual std::wstring text() const;
    virtual Gdiplus::Font* font() const;
    virtual int alpha() const;
    virtual bool isLineEnd() const;
    virtual bool isTab() const;

    const Gdiplus::RectF& bounds() const { return bounds_; }
    const Gdiplus::RectF& inkBounds() const { return ink_; }
    int serial() const { return serial_; }
    int refCount() const { return refs_; }

    // The live-serial registry: serials of glyphs constructed and not yet destroyed.
    static bool isAlive(int serial);
    static size_t liveCount();
    // Glyphs ever constructed (the serial counter).
    static int serialCounter();

    // Reference counting. A glyph starts with no reference; release() of the last reference
    // deletes it. Releasing a null pointer or a glyph whose serial is gone does nothing.
    static void addRef(TavGlyph* glyph);
    static void release(TavGlyph* glyph);

protected:
    Gdiplus::RectF bounds_;
    Gdiplus::RectF ink_;
    int alpha_ = 255;
    int overhang_ = 0;
    int serial_ = 0;
    int refs_ = 0;
};

class TavGlyphComposite : public TavGlyph {
public:
    ~TavGlyphComposite() override;
    void moveBy(float dx, float dy) override;
    virtual void append(TavGlyph* child);

    // The children are not owned: the document and the undo records decide when they go.
    std::vector<TavGlyph*>& children() { return children_; }
    const std::vector<TavGlyph*>& children() const { return children_; }

protected:
    std::vector<TavGlyph*> children_;
};

// What a font was asked for with. GDI+ may report another family (a substitute) or another
// style (some CJK faces report bold), so the editor keeps the request.
struct TavFontInfo {
    std::wstring family;
    float size = 0;
    int style = 0;
    Gdiplus::Unit unit = Gdiplus::UnitPixel;
};
// A font from the shared font cache, remembering the request. The pointer is safe until the
// font cache frees it (see TavFont): a holder that keeps it pins it, as every character does.
Gdiplus::Font* glyphFont(const std::wstring& family, float size, int style,
                         Gdiplus::Unit unit = Gdiplus::UnitPixel);
// The request of a font made by glyphFont, or what the font itself reports; empty for a null
// font or one the font cache has freed.
TavFontInfo fontInfo(Gdiplus::Font* font);

// Font metrics in whole pixels (design units scaled, truncated, + 1).
struct TavFontMetrics {
    int cellHeight = 0;
    int ascent = 0;
    int lineSpacing = 0;
};
// Cached per font while the font cache holds the font; zero for a null or freed font. The
// reference stays valid until the font is freed.
const TavFontMetrics& fontMetrics(Gdiplus::Font* font);

// One character's measurement, cached per (font, character) in a bounded cache.
struct TavCharMetrics {
    float width = 0;    // advance, whole pixels
    Gdiplus::RectF ink; // relative to the glyph origin: x = -overhang, y = 0
    int overhang = 0;
};
TavCharMetrics charMetrics(Gdiplus::Font* font, wchar_t ch);
// Forgets all cached measurements and character images.
void clearGlyphCaches();

// The character images are kept as plain premultiplied pixels, least recently drawn dropped
// first beyond a byte budget; rendering uses one scratch bitmap, so the cache holds a fixed
// number of GDI objects however many characters are drawn.
constexpr size_t kGlyphImageBudget = size_t(24) << 20;
constexpr size_t kGlyphMeasureEntries = size_t(1) << 16;
struct TavGlyphCacheStats {
    size_t images = 0;
    size_t imageBytes = 0; // pixels plus bookkeeping
    size_t imageBudget = 0;
    size_t measurements = 0;
    size_t fonts = 0; // fonts with requests or metrics remembered
};
TavGlyphCacheStats glyphCacheStats();
// Sets the image budget (at least one image is always kept) and drops images beyond it.
void setGlyphImageBudget(size_t bytes);

class TavGlyphTChar : public TavGlyph {
public:
    static constexpr wchar_t kLineEnd = 13;
    static constexpr wchar_t kTab = 9;
    static constexpr int kTabStop = 32;

    // The character pins its font in the font cache for as long as it uses it.
    TavGlyphTChar(wchar_t ch, Gdiplus::Font* font, uint32_t argb, int alpha);
    ~TavGlyphTChar() override;

    void drawInto(const TavMemDC& target, const RECT& clip, float x, float y) override;
    void draw(const TavMemDC& target, const RECT& clip) override;
    TavGlyph* clone() const override;
    void setFontFamily(const std::wstring& family) override;
    void measure(Gdiplus::Font* font) override;
    void setColor(uint32_t argb) override { color_ = argb; }
    uint32_t color() const override { return color_; }
    int ascent() const override { return ascent_; }
    std::wstring text() const override { return std::wstring(1, ch_); }
    Gdiplus::Font* font() const override { return font_; }
    bool isLineEnd() const override { return ch_ == kLineEnd; }
    bool isTab() const override { return ch_ == kTab; }

    wchar_t character() const { return ch_; }
    int lineSpacing() const { return lineSpacing_; }
    // Measured advance (a tab's advance in a row depends on its position; see the row).
    float advance() const { return width_; }

private:
    Gdiplus::Font* font_;
    uint32_t color_;
    wchar_t ch_;
    int ascent_ = 0;
    int lineSpacing_ = 0;
    float width_ = 0;
};

class TavGlyphEditRow : public TavGlyphComposite {
public:
    static constexpr int kDefaultLineSpacing = 7;

    TavGlyphEditRow();

    int height() const override;
    // Moves the row's positions; the pixels are moved by the caller (the editor moves whole
    // blocks of rows at once) unless `movePixels` is set.
    void moveBy(float dx, float dy) override;
    void moveBy(float dx, float dy, bool movePixels);
    int ascent() const override { return ascent_; }
    void setAscent(int value) override { ascent_ = value; }

    // Placement by the editor: top of the row box (below its line spacing), left edge, the
    // height and ascent used while the row is empty, the buffer to paint into and the listener.
    void place(float x, float top, float width, int emptyHeight, int emptyAscent, const TavMemDC* target,
               TavGlyphListener* listener);
    // A new target starts clear.
    void setTarget(const TavMemDC* target) {
        target_ = target;
        painted_ = false;
    }
    void setListener(TavGlyphListener* listener) { listener_ = listener; }
    bool drawing() const { return (drawing_ & 1) != 0; }

    int count() const { return int(children_.size()); }
    bool empty() const { return children_.empty(); }
    bool endsWithLineEnd() const;
    // Character at index, clamped to the last one; null for an empty row.
    TavGlyph* charAt(int index) const;
    // Appends pointers of [start, start + count) (clamped) to `out`.
    void copyRange(int start, int count, std::vector<TavGlyph*>& out) const;
    float xAt(int index) const;
    float inkXAt(int index) const;
    // Index whose box contains x; see the row rules: 0 left of the row, the index after the
    // last non-line-end right of it, −1 in a gap or in an empty row.
    int hitTest(float x) const;
    void setCaretIndex(int index);
    int caretIndex() const { return caretIndex_; }
    // Highest caret column: before a final line end.
    int lastColumn() const { return endsWithLineEnd() ? count() - 1 : count(); }

    // Inserts and removes characters; the row re-lays out, repaints what changed and reports a
    // height change. The glyph pointers are handed over without touching reference counts.
    void insertChars(int index, const std::vector<TavGlyph*>& glyphs);
    void removeChars(int start, int count, std::vector<TavGlyph*>* out);
    // Positions of the characters from `index` on, then the row's height and baseline.
    void relayout(int index);
    // Clears the row's area and paints every character (also a row waiting for its first paint).
    void repaint();
    // After a large edit into a fresh, clear buffer: the row paints nothing until repaint().
    // Its band stays clear meanwhile, so pixel moves of the rows around it stay right.
    void markWaiting() {
        waiting_ = true;
        painted_ = false;
    }
    bool waiting() const { return waiting_; }
    // Clears the row's area in the buffer (line spacing included).
    void clearArea();

    int textWidth() const { return textWidth_; }
    int inkWidth() const { return inkWidth_; }
    int lineSpacing() const { return lineSpacing_; }
    void setLineSpacing(int value) { lineSpacing_ = value < 0 ? 0 : value; }
    int charSpacing() const { return charSpacing_; }
    void setCharSpacing(int value) { charSpacing_ = value; }
    // Top of the row's band including its line spacing, and its bottom.
    int bandTop() const { return int(bounds_.Y) - lineSpacing_; }
    int bandBottom() const { return int(bounds_.Y) + int(bounds_.Height); }

private:
    bool updateHeight();
    void repaintFrom(int index);
    void layoutPositions(int index);

    const TavMemDC* target_ = nullptr;
    TavGlyphListener* listener_ = nullptr;
    int drawing_ = 0;
    int textWidth_ = 0;
    int caretIndex_ = 0;
    int charSpacing_ = 0;
    int lineSpacing_ = kDefaultLineSpacing;
    int inkWidth_ = 0;
    int ascent_ = 0;
    int emptyHeight_ = 0;
    int emptyAscent_ = 0;
    bool painted_ = false; // the row's band may hold pixels (a clear band needs no clearing)
    bool waiting_ = false; // not painted yet: edits paint nothing, the band is clear
    int maxOverhang_ = 0;  // largest left overhang of any character the row has held
    int maxInkReach_ = 0;  // largest ink right edge beyond a character's x
};

// Blends a premultiplied image into `target` at (x, y), clipped to `clip`, scaled by the
// constant alpha (0..255): the arithmetic of AlphaBlend with per-pixel alpha.
void blendPremultiplied(const TavMemDC& target, const RECT& clip, const TavMemDC& image, int x, int y,
                        int constantAlpha);
// The same for top-down pixel rows of `width` words.
void blendPremultiplied(const TavMemDC& target, const RECT& clip, const uint32_t* pixels, int width,
                        int height, int x, int y, int constantAlpha);
