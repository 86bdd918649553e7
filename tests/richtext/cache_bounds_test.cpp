// The glyph image cache, the measurement cache and the font cache stay bounded under floods of
// distinct characters and fonts, hold a fixed number of GDI objects, and keep drawing correctly.
#include <gtest/gtest.h>

#include "TavFont.h"
#include "TavGlyph.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

const wchar_t* const kCjkFace = L"WenQuanYi Zen Hei";

// GDI objects the process may still create. GetGuiResources tells on Windows but is not
// implemented everywhere (Wine returns 0), so the free slots of the handle table are counted by
// creating 1x1 bitmaps until the system refuses, then freeing them.
long freeGdiSlots() {
    std::vector<HBITMAP> made;
    made.reserve(70000);
    while (made.size() < 70000) {
        HBITMAP b = CreateBitmap(1, 1, 1, 1, nullptr);
        if (!b) break;
        made.push_back(b);
    }
    for (HBITMAP b : made) DeleteObject(b);
    return long(made.size());
}

long gdiObjectsInUse() { return long(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)); }

// The pixels one glyph leaves in a clear surface.
std::vector<uint32_t> drawn(wchar_t ch, Gdiplus::Font* font, uint32_t color, int size = 96) {
    TavMemDC target(size, size);
    EXPECT_TRUE(target.ok()) << "no bitmap for the drawing";
    if (!target.ok()) return {};
    TavGlyphTChar glyph(ch, font, color, 255);
    RECT clip{0, 0, size, size};
    glyph.drawInto(target, clip, 4, 4);
    GdiFlush();
    return std::vector<uint32_t>(target.pixels(), target.pixels() + size_t(size) * size_t(size));
}

// Pixels that differ between two drawings of the same size (all of them when the sizes differ).
size_t differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.size() != b.size()) return std::max(a.size(), b.size());
    size_t n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
    return n;
}

int inkedPixels(const std::vector<uint32_t>& pixels) {
    int n = 0;
    for (uint32_t p : pixels) n += p != 0;
    return n;
}

// Every font the cache frees, in order.
std::vector<const Gdiplus::Font*>& freedFonts() {
    static auto* freed = [] {
        auto* list = new std::vector<const Gdiplus::Font*>();
        TavFont::instance().addFreeListener([list](Gdiplus::Font* f) { list->push_back(f); });
        return list;
    }();
    return *freed;
}

bool wasFreed(const Gdiplus::Font* font) {
    const auto& freed = freedFonts();
    return std::find(freed.begin(), freed.end(), font) != freed.end();
}

// Restores the font cache's capacity and the image budget a test changed.
struct CacheLimits : ::testing::Test {
    ~CacheLimits() override {
        TavFont::instance().setCapacity(TavFont::kDefaultCapacity);
        setGlyphImageBudget(kGlyphImageBudget);
    }
};

} // namespace

TEST(GlyphImageCache, FloodOfDistinctCharactersKeepsGdiObjectsAndMemoryBounded) {
    Gdiplus::Font* font = glyphFont(kCjkFace, 16, 0);
    TavFontPin pin(font);
    const uint32_t colors[] = {0xFF202020u, 0xFFC03010u};
    const std::vector<uint32_t> beforeZhong = drawn(L'中', font, colors[1]);
    const std::vector<uint32_t> beforeA = drawn(L'A', font, colors[0]);
    ASSERT_GT(inkedPixels(beforeZhong), 20) << "the CJK face draws nothing";
    ASSERT_GT(inkedPixels(beforeA), 10);

    const long usedBefore = gdiObjectsInUse();
    const long freeBefore = freeGdiSlots();
    TavMemDC target(64, 64);
    ASSERT_TRUE(target.ok());
    RECT clip{0, 0, 64, 64};
    std::wstring text;
    for (wchar_t ch = 0x4E00; ch < 0x4E00 + 18000; ++ch) text += ch;
    for (wchar_t ch = 0x0400; ch < 0x0400 + 2000; ++ch) text += ch;
    size_t largestImages = 0;
    for (uint32_t color : colors) {
        for (wchar_t ch : text) {
            TavGlyphTChar glyph(ch, font, color, 255);
            glyph.drawInto(target, clip, 0, 0);
        }
        const TavGlyphCacheStats stats = glyphCacheStats();
        EXPECT_LE(stats.imageBytes, stats.imageBudget);
        largestImages = std::max(largestImages, stats.images);
    }
    const long freeAfter = freeGdiSlots();
    const long usedAfter = gdiObjectsInUse();
    EXPECT_LT(freeBefore - freeAfter, 50) << "GDI objects kept by 40,000 character images";
    EXPECT_LT(usedAfter - usedBefore, 50);
    EXPECT_LT(largestImages, 2 * text.size()) << "the images of the flood were all kept";
    EXPECT_LE(glyphCacheStats().measurements, kGlyphMeasureEntries);

    EXPECT_EQ(differing(drawn(L'中', font, colors[1]), beforeZhong), 0u) << "drawing after the flood";
    EXPECT_EQ(differing(drawn(L'A', font, colors[0]), beforeA), 0u);
}

TEST(GlyphImageCache, ImageMatchesDirectRenderingWhateverWasRenderedBefore) {
    // Each case is rendered right after a large glyph has inked the shared scratch bitmap, then
    // compared with the character drawn alone into a fresh bitmap.
    struct Case {
        const wchar_t* face;
        float size;
        int style;
        wchar_t ch;
        uint32_t color;
    } cases[] = {
        {kCjkFace, 16, 0, L'永', 0xFF000000u},
        {kCjkFace, 13, 0, L'，', 0xFF3050A0u},
        {L"DejaVu Sans", 12, 0, L'g', 0xFF000000u},
        {L"DejaVu Sans", 40, Gdiplus::FontStyleItalic, L'f', 0xFF108040u},
        {L"DejaVu Sans", 9, Gdiplus::FontStyleBold, L'W', 0x80FF0000u},
    };
    Gdiplus::Font* big = glyphFont(kCjkFace, 90, 0);
    for (const Case& c : cases) {
        Gdiplus::Font* font = glyphFont(c.face, c.size, c.style);
        clearGlyphCaches();
        drawn(L'黑', big, 0xFF000000u, 128);
        const std::vector<uint32_t> cached = drawn(c.ch, font, c.color);

        const TavCharMetrics m = charMetrics(font, c.ch);
        TavMemDC fresh(96, 96);
        {
            Gdiplus::Graphics g(fresh.dc());
            g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
            Gdiplus::SolidBrush brush{Gdiplus::Color(c.color)};
            g.SetClip(Gdiplus::Rect(4, 4, int(std::ceil(std::max(m.width, m.ink.Width))) + m.overhang + 2,
                                    fontMetrics(font).cellHeight));
            g.DrawString(&c.ch, 1, font, Gdiplus::PointF(float(4 + m.overhang), 4),
                         Gdiplus::StringFormat::GenericTypographic(), &brush);
            g.Flush(Gdiplus::FlushIntentionSync);
        }
        GdiFlush();
        const std::vector<uint32_t> direct(fresh.pixels(), fresh.pixels() + 96 * 96);
        EXPECT_GT(inkedPixels(direct), 0) << int(c.ch);
        EXPECT_EQ(differing(cached, direct), 0u) << "character " << int(c.ch) << " at " << c.size;
    }
}

TEST_F(CacheLimits, ImageBudgetDropsLeastRecentlyDrawnFirst) {
    Gdiplus::Font* font = glyphFont(kCjkFace, 16, 0);
    TavFontPin pin(font);
    clearGlyphCaches();
    drawn(L'一', font, 0xFF000000u);
    const size_t oneImage = glyphCacheStats().imageBytes;
    ASSERT_GT(oneImage, 0u);
    // Room for about four images of this size.
    setGlyphImageBudget(oneImage * 4 + oneImage / 2);
    const std::wstring chars = L"一二三四五六七八";
    for (wchar_t ch : chars) drawn(ch, font, 0xFF000000u);
    TavGlyphCacheStats stats = glyphCacheStats();
    EXPECT_LE(stats.imageBytes, stats.imageBudget);
    EXPECT_GE(stats.images, 3u);
    EXPECT_LE(stats.images, 5u);
    // A budget below one image still keeps the newest, so the character is drawn.
    setGlyphImageBudget(1);
    EXPECT_EQ(glyphCacheStats().images, 1u);
    EXPECT_GT(inkedPixels(drawn(L'九', font, 0xFF000000u)), 10);
    EXPECT_EQ(glyphCacheStats().images, 1u);
}

TEST_F(CacheLimits, FontFloodFreesOnlyUnpinnedFonts) {
    TavFont& cache = TavFont::instance();
    cache.setCapacity(16);
    freedFonts().clear();
    Gdiplus::Font* held = glyphFont(kCjkFace, 17, 0);
    auto glyph = std::make_unique<TavGlyphTChar>(L'字', held, 0xFF000000u, 255);
    const std::vector<uint32_t> before = drawn(L'字', held, 0xFF000000u);
    Gdiplus::Font* loose = glyphFont(kCjkFace, 18, 0);

    // A hostile document asking for many faces and sizes, each character let go again.
    for (int i = 0; i < 600; ++i) {
        Gdiplus::Font* f = glyphFont(L"NoSuchFace" + std::to_wstring(i % 200), float(5 + i % 97), i % 4);
        TavGlyphTChar passing(L'x', f, 0xFF000000u, 255);
        ASSERT_LE(cache.unpinnedCount(), 16u);
    }
    EXPECT_LE(cache.count(), 16u + 1u);
    EXPECT_LE(glyphCacheStats().fonts, 16u + 2u) << "records of freed fonts are kept";
    EXPECT_TRUE(wasFreed(loose));

    EXPECT_FALSE(wasFreed(held)) << "a font a character holds was freed";
    EXPECT_TRUE(cache.contains(held));
    EXPECT_EQ(glyph->font(), held);
    EXPECT_EQ(fontInfo(held).size, 17.0f);
    EXPECT_EQ(differing(drawn(L'字', held, 0xFF000000u), before), 0u);

    // Once its last character goes, the held font is an ordinary cached font again.
    glyph.reset();
    EXPECT_EQ(cache.pins(held), 0);
    for (int i = 0; i < 20; ++i) glyphFont(L"Other" + std::to_wstring(i), 12, 0);
    EXPECT_TRUE(wasFreed(held));
}

TEST_F(CacheLimits, PointerToAFreedFontIsNeverUsed) {
    TavFont& cache = TavFont::instance();
    cache.setCapacity(1);
    Gdiplus::Font* gone = glyphFont(L"DejaVu Sans", 23, 0);
    fontMetrics(gone);
    glyphFont(L"DejaVu Sans", 24, 0);
    // Nothing has been allocated since `gone` was freed, so no other font sits at its address.
    ASSERT_FALSE(cache.contains(gone));
    EXPECT_EQ(fontInfo(gone).family, L"");
    EXPECT_EQ(fontMetrics(gone).cellHeight, 0);
    EXPECT_EQ(charMetrics(gone, L'a').width, 0.0f);
    TavGlyphTChar stale(L'a', gone, 0xFF000000u, 255);
    EXPECT_EQ(stale.font(), nullptr);
    EXPECT_EQ(stale.bounds().Width, 0.0f);
    TavMemDC target(32, 32);
    stale.drawInto(target, RECT{0, 0, 32, 32}, 0, 0);
    GdiFlush();
    EXPECT_EQ(inkedPixels(std::vector<uint32_t>(target.pixels(), target.pixels() + 32 * 32)), 0);
}

TEST_F(CacheLimits, PinsFollowHoldersThroughCopiesAndReassignment) {
    TavFont& cache = TavFont::instance();
    Gdiplus::Font* a = glyphFont(kCjkFace, 21, 0);
    Gdiplus::Font* b = glyphFont(kCjkFace, 22, 0);
    const int pinsA = cache.pins(a), pinsB = cache.pins(b);
    {
        TavFontPin first(a);
        TavFontPin second = first;
        EXPECT_EQ(cache.pins(a), pinsA + 2);
        second = b;
        EXPECT_EQ(cache.pins(a), pinsA + 1);
        EXPECT_EQ(cache.pins(b), pinsB + 1);
        second = second.get();
        EXPECT_EQ(cache.pins(b), pinsB + 1) << "self-assignment";
        TavGlyphTChar glyph(L'a', a, 0xFF000000u, 255);
        glyph.setFontFamily(L"DejaVu Sans");
        EXPECT_EQ(cache.pins(a), pinsA + 1) << "the character let go of its old font";
        EXPECT_EQ(cache.pins(glyph.font()), 1);
        std::unique_ptr<TavGlyph> copy(glyph.clone());
        EXPECT_EQ(cache.pins(glyph.font()), 2);
    }
    EXPECT_EQ(cache.pins(a), pinsA);
    EXPECT_EQ(cache.pins(b), pinsB);
    // Pointers the cache does not hold are ignored.
    int local = 0;
    cache.retain(reinterpret_cast<Gdiplus::Font*>(&local));
    cache.release(nullptr);
    EXPECT_EQ(cache.pins(reinterpret_cast<Gdiplus::Font*>(&local)), 0);
}
