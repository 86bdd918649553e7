// Glyph base, container and character: serials, reference counts, measuring and painting.
#include "TavGlyph.h"

#include "TavFont.h"

#include <algorithm>
#include <cmath>
#include <list>
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
    case Gdiplus::UnitPoint:
        return size * 96.0f / 72.0f;
    case Gdiplus::UnitInch:
        return size * 96.0f;
    case Gdiplus::UnitDocument:
        return size * 96.0f / 300.0f;
    case Gdiplus::UnitMillimeter:
        return size * 96.0f / 25.4f;
    default:
        return size;
    }
}

// One measuring surface for the process.
Gdiplus::Graphics& measureGraphics() {
    static TavMemDC* dc = new TavMemDC(1, 1);
    static auto* g = new Gdiplus::Graphics(dc->dc());
    return *g;
}

const Gdiplus::StringFormat* typographic() { return Gdiplus::StringFormat::GenericTypographic(); }

// What the glyph code remembers about one font of the font cache. Records go when the cache
// frees their font; the id is never reused, so entries of a freed font in the character caches
// can never be taken for a later font at the same address (they age out instead).
struct FontRecord {
    uint64_t id = 0;
    bool requested = false;
    TavFontInfo request;
    bool measured = false;
    TavFontMetrics metrics;
};

std::unordered_map<const Gdiplus::Font*, FontRecord>& fontRecords() {
    static auto* m = [] {
        auto* records = new std::unordered_map<const Gdiplus::Font*, FontRecord>();
        TavFont::instance().addFreeListener([records](Gdiplus::Font* font) { records->erase(font); });
        return records;
    }();
    return *m;
}

// The record of a live font of the cache; null for a null pointer or a font already freed.
FontRecord* recordOf(Gdiplus::Font* font) {
    static uint64_t nextId = 0;
    if (!font) return nullptr;
    auto& records = fontRecords();
    auto it = records.find(font);
    if (it != records.end()) return &it->second;
    if (!TavFont::instance().contains(font)) return nullptr;
    FontRecord& record = records[font];
    record.id = ++nextId;
    return &record;
}

struct CharKey {
    uint64_t font;
    wchar_t ch;
    uint32_t color;
    bool operator==(const CharKey& o) const { return font == o.font && ch == o.ch && color == o.color; }
};
struct CharKeyHash {
    size_t operator()(const CharKey& k) const {
        return size_t(k.font * 0xD6E8FEB86659FD93ull) ^ (size_t(k.ch) * 0x9E3779B97F4A7C15ull) ^
               (size_t(k.color) << 21);
    }
};

// Least recently used entries go first once the summed cost passes the budget; the newest entry
// always stays, so a pointer from insert() is good until the next insert().
template <typename Value> class LruCache {
public:
    explicit LruCache(size_t budget) : budget_(budget) {}
    Value* find(const CharKey& key) {
        auto it = index_.find(key);
        if (it == index_.end()) return nullptr;
        order_.splice(order_.begin(), order_, it->second);
        return &it->second->value;
    }
    Value* insert(const CharKey& key, Value value, size_t cost) {
        auto old = index_.find(key);
        if (old != index_.end()) drop(old->second);
        order_.push_front(Node{key, std::move(value), cost});
        index_[key] = order_.begin();
        cost_ += cost;
        trim();
        return &order_.front().value;
    }
    void setBudget(size_t budget) {
        budget_ = budget;
        trim();
    }
    void clear() {
        index_.clear();
        order_.clear();
        cost_ = 0;
    }
    size_t size() const { return order_.size(); }
    size_t cost() const { return cost_; }
    size_t budget() const { return budget_; }

private:
    struct Node {
        CharKey key;
        Value value;
        size_t cost;
    };
    void drop(typename std::list<Node>::iterator it) {
        cost_ -= it->cost;
        index_.erase(it->key);
        order_.erase(it);
    }
    void trim() {
        while (cost_ > budget_ && order_.size() > 1) drop(std::prev(order_.end()));
    }

    size_t budget_;
    size_t cost_ = 0;
    std::list<Node> order_;
    std::unordered_map<CharKey, typename std::list<Node>::iterator, CharKeyHash> index_;
};

// A character rendered in one color: premultiplied top-down pixels, the character's origin at
// (overhang, 0).
struct CharImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};
// What an entry costs beyond its pixels (list and hash nodes, the vector).
constexpr size_t kImageOverhead = 96;

LruCache<TavCharMetrics>& metricsCache() {
    static auto* m = new LruCache<TavCharMetrics>(kGlyphMeasureEntries);
    return *m;
}
LruCache<CharImage>& imageCache() {
    static auto* m = new LruCache<CharImage>(kGlyphImageBudget);
    return *m;
}

const TavFontMetrics& zeroMetrics() {
    static const TavFontMetrics zero;
    return zero;
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

// The one bitmap characters are rendered into before their pixels are copied out. It only grows.
TavMemDC& scratchFor(int width, int height) {
    static auto* scratch = new TavMemDC();
    if (scratch->width() < width || scratch->height() < height || !scratch->ok()) {
        *scratch =
            TavMemDC(std::max({width, scratch->width(), 64}), std::max({height, scratch->height(), 64}));
    }
    return *scratch;
}

bool renderChar(Gdiplus::Font* font, wchar_t ch, uint32_t color, CharImage& image) {
    const TavCharMetrics m = charMetrics(font, ch);
    const TavFontMetrics fm = fontMetrics(font);
    const TavFontInfo info = fontInfo(font);
    // Room for anti-aliasing on the right and for ink beyond the advance.
    const int w = int(std::ceil(std::max(m.width, m.ink.Width))) + m.overhang + 2;
    const int h = std::max(fm.cellHeight, 1);
    TavMemDC& scratch = scratchFor(w, h);
    if (!scratch.ok()) return false;
    // Only the image's own rectangle has to start clear: nothing outside it is copied out.
    GdiFlush();
    for (int y = 0; y < h; ++y) std::fill_n(&scratch.at(0, y), size_t(w), 0u);
    {
        Gdiplus::Graphics g(scratch.dc());
        g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        Gdiplus::SolidBrush brush{Gdiplus::Color(color)};
        // Underline and strikeout are drawn here, across the whole advance so that neighbours
        // join up: not every GDI+ draws them, and drawing both would double them.
        const int lines = info.style & (Gdiplus::FontStyleUnderline | Gdiplus::FontStyleStrikeout);
        Gdiplus::Font* face =
            lines ? glyphFont(info.family, info.size, info.style & ~lines, info.unit) : font;
        g.DrawString(&ch, 1, face, Gdiplus::PointF(float(m.overhang), 0), typographic(), &brush);
        const float thickness = std::max(1.0f, std::floor(emPixels(font) / 14.0f));
        const float advance = std::max(m.width, 1.0f);
        if (lines & Gdiplus::FontStyleUnderline)
            g.FillRectangle(&brush, float(m.overhang),
                            std::min(float(fm.ascent) + thickness, float(h) - thickness), advance, thickness);
        if (lines & Gdiplus::FontStyleStrikeout)
            g.FillRectangle(&brush, float(m.overhang), std::floor(float(fm.ascent) * 0.62f), advance,
                            thickness);
        g.Flush(Gdiplus::FlushIntentionSync);
    }
    GdiFlush();
    image.width = w;
    image.height = h;
    image.pixels.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        std::copy_n(&scratch.at(0, y), size_t(w), image.pixels.data() + size_t(y) * size_t(w));
    return true;
}

// The character rendered once in its color; null when it cannot be rendered. Good until the
// next character image is made.
const CharImage* charImage(Gdiplus::Font* font, wchar_t ch, uint32_t color) {
    const FontRecord* record = recordOf(font);
    if (!record) return nullptr;
    const CharKey key{record->id, ch, color};
    auto& cache = imageCache();
    if (const CharImage* hit = cache.find(key)) return hit;
    CharImage image;
    if (!renderChar(font, ch, color, image)) return nullptr;
    const size_t cost = image.pixels.size() * sizeof(uint32_t) + kImageOverhead;
    return cache.insert(key, std::move(image), cost);
}

// AlphaBlend's arithmetic with per-pixel alpha; `row(y)` gives the first source word of row y.
template <typename RowOf>
void blendRows(const TavMemDC& target, const RECT& clip, RowOf row, int width, int height, int x, int y,
               int constantAlpha) {
    if (!target.ok() || constantAlpha <= 0) return;
    int left = std::max({x, int(clip.left), 0});
    int top = std::max({y, int(clip.top), 0});
    int right = std::min({x + width, int(clip.right), target.width()});
    int bottom = std::min({y + height, int(clip.bottom), target.height()});
    if (left >= right || top >= bottom) return;
    const uint32_t ca = uint32_t(std::min(constantAlpha, 255));
    for (int py = top; py < bottom; ++py) {
        const uint32_t* src = row(py - y) + (left - x);
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

} // namespace

// --- blending ---

void blendPremultiplied(const TavMemDC& target, const RECT& clip, const TavMemDC& image, int x, int y,
                        int constantAlpha) {
    if (!image.ok()) return;
    blendRows(
        target, clip, [&image](int row) { return &image.at(0, row); }, image.width(), image.height(), x, y,
        constantAlpha);
}

void blendPremultiplied(const TavMemDC& target, const RECT& clip, const uint32_t* pixels, int width,
                        int height, int x, int y, int constantAlpha) {
    if (!pixels || width <= 0 || height <= 0) return;
    blendRows(
        target, clip, [pixels, width](int row) { return pixels + size_t(row) * size_t(width); }, width,
        height, x, y, constantAlpha);
}

// --- font requests ---

Gdiplus::Font* glyphFont(const std::wstring& family, float size, int style, Gdiplus::Unit unit) {
    Gdiplus::Font* font = TavFont::instance().get(family, size, style, unit);
    if (FontRecord* record = recordOf(font); record && !record->requested) {
        record->requested = true;
        record->request = TavFontInfo{family, float(int(size)), style, unit};
    }
    return font;
}

TavFontInfo fontInfo(Gdiplus::Font* font) {
    TavFontInfo info;
    const FontRecord* record = recordOf(font);
    if (!record) return info;
    if (record->requested) return record->request;
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
    FontRecord* record = recordOf(font);
    if (!record) return zeroMetrics();
    if (record->measured) return record->metrics;
    TavFontMetrics m;
    Gdiplus::FontFamily family;
    font->GetFamily(&family);
    INT style = fontInfo(font).style;
    double em = family.GetEmHeight(style);
    if (em > 0) {
        double scale = emPixels(font) / em;
        m.cellHeight = int((family.GetCellAscent(style) + family.GetCellDescent(style)) * scale) + 1;
        m.ascent = int(family.GetCellAscent(style) * scale) + 1;
        m.lineSpacing = int(family.GetLineSpacing(style) * scale) + 1;
    }
    record->metrics = m;
    record->measured = true;
    return record->metrics;
}

TavCharMetrics charMetrics(Gdiplus::Font* font, wchar_t ch) {
    const FontRecord* record = recordOf(font);
    if (!record) return TavCharMetrics{};
    const CharKey key{record->id, ch, 0};
    auto& cache = metricsCache();
    if (const TavCharMetrics* hit = cache.find(key)) return *hit;
    TavCharMetrics m = measureUncached(font, ch);
    cache.insert(key, m, 1);
    return m;
}

void clearGlyphCaches() {
    metricsCache().clear();
    imageCache().clear();
    for (auto& [font, record] : fontRecords()) record.measured = false;
}

TavGlyphCacheStats glyphCacheStats() {
    TavGlyphCacheStats stats;
    stats.images = imageCache().size();
    stats.imageBytes = imageCache().cost();
    stats.imageBudget = imageCache().budget();
    stats.measurements = metricsCache().size();
    stats.fonts = fontRecords().size();
    return stats;
}

void setGlyphImageBudget(size_t bytes) { imageCache().setBudget(bytes); }

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
void TavGlyph::setColor(uint32_t) {}
uint32_t TavGlyph::color() const { return 0xFE000000u; }
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
    : font_(nullptr), color_(argb), ch_(ch) {
    alpha_ = alpha;
    measure(font);
}

TavGlyphTChar::~TavGlyphTChar() { TavFont::instance().release(font_); }

void TavGlyphTChar::measure(Gdiplus::Font* font) {
    // A pointer the font cache has already freed is never used: the character goes without one.
    if (!recordOf(font)) font = nullptr;
    TavFont::instance().retain(font);
    TavFont::instance().release(font_);
    font_ = font;
    const TavFontMetrics& fm = fontMetrics(font);
    const TavCharMetrics m = charMetrics(font, ch_);
    ascent_ = fm.ascent;
    lineSpacing_ = fm.lineSpacing;
    width_ = m.width;
    overhang_ = m.overhang;
    bounds_.Width = m.width;
    bounds_.Height = float(fm.cellHeight);
    ink_ = Gdiplus::RectF(bounds_.X - float(m.overhang), bounds_.Y, m.ink.Width, float(fm.cellHeight));
}

void TavGlyphTChar::drawInto(const TavMemDC& target, const RECT& clip, float x, float y) {
    if (isLineEnd() || isTab() || !font_) return;
    const CharImage* image = charImage(font_, ch_, color_);
    if (image)
        blendPremultiplied(target, clip, image->pixels.data(), image->width, image->height,
                           int(std::lround(x)), int(std::lround(y)), alpha_ & 0xFF);
}

void TavGlyphTChar::draw(const TavMemDC& target, const RECT& clip) {
    drawInto(target, clip, bounds_.X - float(overhang_), bounds_.Y);
}

TavGlyph* TavGlyphTChar::clone() const {
    auto* copy = new TavGlyphTChar(ch_, font_, color_, alpha_);
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
