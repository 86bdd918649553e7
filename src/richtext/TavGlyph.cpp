// Glyph base, container and character: serials, reference counts, measuring and painting.
#include "TavGlyph.h"

#include "TavFont.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace {

std::unordered_set<int>& liveSerials() {
    static auto* set = new std::unordered_set<int>();
    return *set;
}
std::unordered_set<const TavGlyph*>& livePointers() {
    static auto* set = new std::unordered_set<const TavGlyph*>();
    return *set;
}
int serialCount = 0;

// Pixels per font unit for the units the program uses.
float emPixels(Gdiplus::Font* font) {
    float size = font->GetSize();
    switch (font->GetUnit()) {
    case Gdiplus::UnitPoint: return size * 96.0f / 72.0f;
    case Gdiplus::UnitInch: return size * 96.0f;
    case Gdiplus::UnitDocument: return size * 96.0f / 300.0f;
    case Gdiplus::UnitMillimeter: return size * 96.0f / 25.4f;
    default: return size;
    }
}

// One measuring surface for the process.
Gdiplus::Graphics& measureGraphics() {
    static TavMemDC* dc = new TavMemDC(1, 1);
    static auto* g = new Gdiplus::Graphics(dc->dc());
    return *g;
}

const Gdiplus::StringFormat* typographic() { return Gdiplus::StringFormat::GenericTypographic(); }

struct CharKey {
    Gdiplus::Font* font;
    wchar_t ch;
    uint32_t colour;
    bool operator==(const CharKey& o) const {
        return font == o.font && ch == o.ch && colour == o.colour;
    }
};
struct CharKeyHash {
    size_t operator()(const CharKey& k) const {
        return std::hash<const void*>()(k.font) ^ (size_t(k.ch) * 0x9E3779B97F4A7C15ull) ^
               (size_t(k.colour) << 21);
    }
};

std::unordered_map<CharKey, TavCharMetrics, CharKeyHash>& metricsCache() {
    static auto* m = new std::unordered_map<CharKey, TavCharMetrics, CharKeyHash>();
    return *m;
}
std::unordered_map<CharKey, std::unique_ptr<TavMemDC>, CharKeyHash>& imageCache() {
    static auto* m = new std::unordered_map<CharKey, std::unique_ptr<TavMemDC>, CharKeyHash>();
    return *m;
}
std::unordered_map<Gdiplus::Font*, TavFontMetrics>& fontCache() {
    static auto* m = new std::unordered_map<Gdiplus::Font*, TavFontMetrics>();
    return *m;
}

TavCharMetrics measureUncached(Gdiplus::Font* font, wchar_t ch) {
    TavCharMetrics m;
    const TavFontMetrics& fm = fontMetrics(font);
    if (ch == TavGlyphTChar::kLineEnd) {
        m.ink = Gdiplus::RectF(0, 0, 0, float(fm.cellHeight));
        return m;
    }
    if (ch == TavGlyphTChar::kTab) {
        m.width = float(TavGlyphTChar::kTabStop);
        m.ink = Gdiplus::RectF(0, 0, float(TavGlyphTChar::kTabStop), float(fm.cellHeight));
        return m;
    }
    Gdiplus::RectF box;
    measureGraphics().MeasureString(&ch, 1, font, Gdiplus::PointF(0, 0), typographic(), &box);
    float width = std::ceil(box.Width);
    // The ink comes from the character's outline; AddString needs a format (with none it fails
    // under some GDI+ implementations and leaves the path empty).
    Gdiplus::FontFamily family;
    font->GetFamily(&family);
    Gdiplus::GraphicsPath path;
    path.AddString(&ch, 1, &family, fontInfo(font).style, emPixels(font), Gdiplus::PointF(0, 0),
                   typographic());
    Gdiplus::RectF ink;
    path.GetBounds(&ink);
    float inkWidth = 0;
    if (ink.Width > 0) {
        if (ink.X < 0) {
            m.overhang = int(-ink.X) + 1;
            inkWidth = float(m.overhang) + ink.Width;
        } else {
            inkWidth = ink.X + ink.Width;
        }
    }
    m.width = std::max(width, std::ceil(inkWidth));
    m.ink = Gdiplus::RectF(-float(m.overhang), 0, std::ceil(inkWidth), float(fm.cellHeight));
    return m;
}

// The character rendered once in its colour into a premultiplied bitmap; the origin of the
// character is at (overhang, 0) in the image.
const TavMemDC* charImage(Gdiplus::Font* font, wchar_t ch, uint32_t colour) {
    CharKey key{font, ch, colour};
    auto& cache = imageCache();
    auto it = cache.find(key);
    if (it != cache.end()) return it->second.get();
    const TavCharMetrics& m = charMetrics(font, ch);
    const TavFontMetrics& fm = fontMetrics(font);
    // Room for anti-aliasing on the right and for ink beyond the advance.
    int w = int(std::ceil(std::max(m.width, m.ink.Width))) + m.overhang + 2;
    int h = std::max(fm.cellHeight, 1);
    auto image = std::make_unique<TavMemDC>(w, h);
    if (image->ok()) {
        Gdiplus::Graphics g(image->dc());
        g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        Gdiplus::SolidBrush brush{Gdiplus::Color(colour)};
        // Underline and strikeout are drawn here, across the whole advance so that neighbours
        // join up: not every GDI+ draws them, and drawing both would double them.
        TavFontInfo info = fontInfo(font);
        const int lines = info.style & (Gdiplus::FontStyleUnderline | Gdiplus::FontStyleStrikeout);
        Gdiplus::Font* face = lines ? glyphFont(info.family, info.size, info.style & ~lines, info.unit)
                                    : font;
        g.DrawString(&ch, 1, face, Gdiplus::PointF(float(m.overhang), 0), typographic(), &brush);
        const float thickness = std::max(1.0f, std::floor(emPixels(font) / 14.0f));
        const float advance = std::max(m.width, 1.0f);
        if (lines & Gdiplus::FontStyleUnderline)
            g.FillRectangle(&brush, float(m.overhang), std::min(float(fm.ascent) + thickness,
                                                                float(h) - thickness),
                            advance, thickness);
        if (lines & Gdiplus::FontStyleStrikeout)
            g.FillRectangle(&brush, float(m.overhang), std::floor(float(fm.ascent) * 0.62f),
                            advance, thickness);
        g.Flush(Gdiplus::FlushIntentionSync);
        GdiFlush();
    }
    const TavMemDC* result = image.get();
    cache.emplace(key, std::move(image));
    return result;
}

} // namespace

// --- blending ---

void blendPremultiplied(const TavMemDC& target, const RECT& clip, const TavMemDC& image, int x,
                        int y, int constantAlpha) {
    if (!target.ok() || !image.ok() || constantAlpha <= 0) return;
    int left = std::max({x, int(clip.left), 0});
    int top = std::max({y, int(clip.top), 0});
    int right = std::min({x + image.width(), int(clip.right), target.width()});
    int bottom = std::min({y + image.height(), int(clip.bottom), target.height()});
    if (left >= right || top >= bottom) return;
    const uint32_t ca = uint32_t(std::min(constantAlpha, 255));
    for (int py = top; py < bottom; ++py) {
        const uint32_t* src = &image.at(left - x, py - y);
        uint32_t* dst = &target.at(left, py);
        for (int px = left; px < right; ++px, ++src, ++dst) {
            uint32_t s = *src;
            if (!s) continue;
            if (ca != 255) {
                uint32_t rb = ((s & 0x00FF00FFu) * ca + 0x00800080u) >> 8 & 0x00FF00FFu;
                uint32_t ag = ((s >> 8 & 0x00FF00FFu) * ca + 0x00800080u) & 0xFF00FF00u;
                s = rb | ag;
            }
            uint32_t inv = 255 - (s >> 24);
            uint32_t d = *dst;
            if (inv == 0 || d == 0) {
                *dst = s;
                continue;
            }
            uint32_t rb = ((d & 0x00FF00FFu) * inv + 0x00800080u) >> 8 & 0x00FF00FFu;
            uint32_t ag = ((d >> 8 & 0x00FF00FFu) * inv + 0x00800080u) & 0xFF00FF00u;
            *dst = s + (rb | ag);
        }
    }
}

// --- font requests ---

namespace {
std::unordered_map<Gdiplus::Font*, TavFontInfo>& fontRequests() {
    static auto* m = new std::unordered_map<Gdiplus::Font*, TavFontInfo>();
    return *m;
}
} // namespace

Gdiplus::Font* glyphFont(const std::wstring& family, float size, int style, Gdiplus::Unit unit) {
    Gdiplus::Font* font = TavFont::instance().get(family, size, style, unit);
    if (font) fontRequests().try_emplace(font, TavFontInfo{family, float(int(size)), style, unit});
    return font;
}

TavFontInfo fontInfo(Gdiplus::Font* font) {
    TavFontInfo info;
    if (!font) return info;
    auto it = fontRequests().find(font);
    if (it != fontRequests().end()) return it->second;
    Gdiplus::FontFamily fam;
    font->GetFamily(&fam);
    wchar_t name[LF_FACESIZE] = {};
    fam.GetFamilyName(name);
    info.family = name;
    info.size = font->GetSize();
    info.style = font->GetStyle();
    info.unit = font->GetUnit();
    return info;
}

// --- metrics ---

const TavFontMetrics& fontMetrics(Gdiplus::Font* font) {
    auto& cache = fontCache();
    auto it = cache.find(font);
    if (it != cache.end()) return it->second;
    TavFontMetrics m;
    if (font) {
        Gdiplus::FontFamily family;
        font->GetFamily(&family);
        INT style = fontInfo(font).style;
        double em = family.GetEmHeight(style);
        if (em > 0) {
            double scale = emPixels(font) / em;
            m.cellHeight =
                int((family.GetCellAscent(style) + family.GetCellDescent(style)) * scale) + 1;
            m.ascent = int(family.GetCellAscent(style) * scale) + 1;
            m.lineSpacing = int(family.GetLineSpacing(style) * scale) + 1;
        }
    }
    return cache.emplace(font, m).first->second;
}

const TavCharMetrics& charMetrics(Gdiplus::Font* font, wchar_t ch) {
    auto& cache = metricsCache();
    CharKey key{font, ch, 0};
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    TavCharMetrics m = font ? measureUncached(font, ch) : TavCharMetrics{};
    return cache.emplace(key, m).first->second;
}

void clearGlyphCaches() {
    metricsCache().clear();
    imageCache().clear();
    fontCache().clear();
}

// --- TavGlyph ---

TavGlyph::TavGlyph() : serial_(++serialCount) {
    liveSerials().insert(serial_);
    livePointers().insert(this);
}

TavGlyph::~TavGlyph() {
    liveSerials().erase(serial_);
    livePointers().erase(this);
}

void TavGlyph::drawInto(const TavMemDC&, const RECT&, float, float) {}
void TavGlyph::draw(const TavMemDC&, const RECT&) {}
void TavGlyph::setBounds(const Gdiplus::RectF& rect) { bounds_ = rect; }
void TavGlyph::setBounds(float x, float y, float width, float height) {
    bounds_ = Gdiplus::RectF(x, y, width, height);
}
void TavGlyph::setInkBounds(const Gdiplus::RectF& rect) { ink_ = rect; }
int TavGlyph::height() const { return int(bounds_.Height); }
TavGlyph* TavGlyph::clone() const { return nullptr; }
void TavGlyph::moveBy(float dx, float dy) {
    bounds_.X += dx;
    bounds_.Y += dy;
    ink_.X += dx;
    ink_.Y += dy;
}
void TavGlyph::setFontFamily(const std::wstring&) {}
void TavGlyph::measure(Gdiplus::Font*) {}
void TavGlyph::setColour(uint32_t) {}
uint32_t TavGlyph::colour() const { return 0xFE000000u; }
void TavGlyph::setAlpha(int value) { alpha_ = value; }
int TavGlyph::leftOverhang() const { return overhang_; }
int TavGlyph::ascent() const { return 0; }
void TavGlyph::setAscent(int) {}
std::wstring TavGlyph::text() const { return std::wstring(); }
Gdiplus::Font* TavGlyph::font() const { return nullptr; }
int TavGlyph::alpha() const { return alpha_; }
bool TavGlyph::isLineEnd() const { return false; }
bool TavGlyph::isTab() const { return false; }

bool TavGlyph::isAlive(int serial) { return liveSerials().count(serial) != 0; }
size_t TavGlyph::liveCount() { return liveSerials().size(); }
int TavGlyph::serialCounter() { return serialCount; }

void TavGlyph::addRef(TavGlyph* glyph) {
    if (glyph) ++glyph->refs_;
}

void TavGlyph::release(TavGlyph* glyph) {
    // A pointer to a glyph that is gone is never dereferenced.
    if (!glyph || !livePointers().count(glyph)) return;
    if (--glyph->refs_ <= 0) delete glyph;
}

// --- TavGlyphComposite ---

TavGlyphComposite::~TavGlyphComposite() = default;

void TavGlyphComposite::moveBy(float dx, float dy) {
    TavGlyph::moveBy(dx, dy);
    for (TavGlyph* child : children_) child->moveBy(dx, dy);
}

void TavGlyphComposite::append(TavGlyph* child) { children_.push_back(child); }

// --- TavGlyphTChar ---

TavGlyphTChar::TavGlyphTChar(wchar_t ch, Gdiplus::Font* font, uint32_t argb, int alpha)
    : font_(font), colour_(argb), ch_(ch) {
    alpha_ = alpha;
    measure(font);
}

void TavGlyphTChar::measure(Gdiplus::Font* font) {
    font_ = font;
    const TavFontMetrics& fm = fontMetrics(font);
    const TavCharMetrics& m = charMetrics(font, ch_);
    ascent_ = fm.ascent;
    lineSpacing_ = fm.lineSpacing;
    width_ = m.width;
    overhang_ = m.overhang;
    bounds_.Width = m.width;
    bounds_.Height = float(fm.cellHeight);
    ink_ = Gdiplus::RectF(bounds_.X - float(m.overhang), bounds_.Y, m.ink.Width,
                          float(fm.cellHeight));
}

void TavGlyphTChar::drawInto(const TavMemDC& target, const RECT& clip, float x, float y) {
    if (isLineEnd() || isTab() || !font_) return;
    const TavMemDC* image = charImage(font_, ch_, colour_);
    if (image) blendPremultiplied(target, clip, *image, int(std::lround(x)), int(std::lround(y)),
                                  alpha_ & 0xFF);
}

void TavGlyphTChar::draw(const TavMemDC& target, const RECT& clip) {
    drawInto(target, clip, bounds_.X - float(overhang_), bounds_.Y);
}

TavGlyph* TavGlyphTChar::clone() const {
    auto* copy = new TavGlyphTChar(ch_, font_, colour_, alpha_);
    copy->bounds_ = bounds_;
    copy->ink_ = ink_;
    return copy;
}

void TavGlyphTChar::setFontFamily(const std::wstring& family) {
    if (!font_) return;
    TavFontInfo info = fontInfo(font_);
    Gdiplus::Font* next = glyphFont(family, info.size, info.style, info.unit);
    measure(next);
}
