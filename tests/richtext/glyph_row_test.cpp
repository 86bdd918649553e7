// Glyph measuring, row layout with tab stops and hit testing, serials and references.
#include "glyph_support.h"

#include <memory>

using namespace glyphtest;

namespace {

// A row holding fixed-width glyphs, released with the fixture.
struct RowFixture {
    TavGlyphEditRow row;
    std::vector<std::unique_ptr<TavGlyph>> owned;
    RowFixture() { row.place(7, 10, 400, 12, 9, nullptr, nullptr); }
    TavGlyph* add(TavGlyph* g) {
        owned.emplace_back(g);
        row.insertChars(row.count(), {g});
        return g;
    }
    ~RowFixture() { row.children().clear(); }
};

} // namespace

TEST(GlyphMeasure, LineEndTabAndPlainCharacter) {
    Gdiplus::Font* font = latin(16);
    const TavFontMetrics& fm = fontMetrics(font);
    ASSERT_GT(fm.cellHeight, 0);
    struct Case {
        wchar_t ch;
        float width; // < 0: any positive width
        int overhang;
    } cases[] = {{13, 0, 0}, {9, 32, 0}, {L'a', -1, 0}, {L' ', -1, 0}};
    for (const Case& c : cases) {
        TavGlyphTChar g(c.ch, font, 0xFF000000, 254);
        if (c.width >= 0)
            EXPECT_EQ(g.bounds().Width, c.width) << int(c.ch);
        else
            EXPECT_GT(g.bounds().Width, 0) << int(c.ch);
        EXPECT_EQ(g.leftOverhang(), c.overhang) << int(c.ch);
        EXPECT_EQ(g.height(), fm.cellHeight) << int(c.ch);
        EXPECT_EQ(g.bounds().Width, std::ceil(g.bounds().Width)) << "advances are whole pixels";
    }
}

TEST(GlyphMeasure, ItalicOverhangWidensToTheInk) {
    // Italic characters whose outline starts left of their origin.
    Gdiplus::Font* italic = latin(40, Gdiplus::FontStyleItalic);
    int found = 0;
    for (wchar_t ch : std::wstring(L"jfy_/(J")) {
        TavGlyphTChar g(ch, italic, 0xFF000000, 254);
        const TavCharMetrics& m = charMetrics(italic, ch);
        EXPECT_EQ(g.leftOverhang(), m.overhang);
        if (g.leftOverhang() == 0) continue;
        ++found;
        EXPECT_GE(g.bounds().Width, g.inkBounds().Width - float(g.leftOverhang())) << char(ch);
        EXPECT_EQ(g.inkBounds().X, g.bounds().X - float(g.leftOverhang())) << char(ch);
        // The cached measurement gives the same result for a glyph of another color.
        TavGlyphTChar again(ch, italic, 0xFF0000FF, 254);
        EXPECT_EQ(again.bounds().Width, g.bounds().Width);
        EXPECT_EQ(again.leftOverhang(), g.leftOverhang());
    }
    EXPECT_GT(found, 0) << "no italic character reaches left of its origin";
}

TEST(GlyphRow, RowHoldingOnlyItsLineEnd) {
    Gdiplus::Font* font = latin(20);
    TavGlyphTChar* cr = new TavGlyphTChar(13, font, 0xFF000000, 254);
    TavGlyphEditRow row;
    row.place(7, 10, 300, 5, 4, nullptr, nullptr);
    row.insertChars(0, {cr});
    EXPECT_EQ(row.textWidth(), 0);
    EXPECT_EQ(row.height(), fontMetrics(font).cellHeight + TavGlyphEditRow::kDefaultLineSpacing);
    EXPECT_EQ(row.hitTest(100), 0);
    EXPECT_EQ(row.lastColumn(), 0);
    row.children().clear();
    delete cr;
}

TEST(GlyphRow, TabStopsAtMultiplesOf32) {
    struct Case {
        float before;  // advance of the character before the tab
        float advance; // expected tab advance
    } cases[] = {{0, 32}, {31, 1}, {32, 32}, {33, 31}, {64, 32}};
    for (const Case& c : cases) {
        RowFixture f;
        if (c.before > 0) f.add(new FixedGlyph(c.before));
        TavGlyphTChar* tab = new TavGlyphTChar(9, latin(), 0xFF000000, 254);
        f.add(tab);
        TavGlyph* after = f.add(new FixedGlyph(5));
        EXPECT_EQ(tab->bounds().Width, c.advance) << "offset " << c.before;
        EXPECT_EQ(after->bounds().X - 7, c.before + c.advance) << "offset " << c.before;
    }
}

TEST(GlyphRow, HitTesting) {
    RowFixture f;
    f.row.setCharSpacing(2);
    f.add(new FixedGlyph(10)); // x 7..17
    f.add(new FixedGlyph(10)); // x 19..29
    f.add(new FixedGlyph(0, true));
    struct Case {
        float x;
        int index;
    } cases[] = {
        {0, 0},               // left of the row
        {7, 0},               // first box
        {16.5f, 0}, {18, -1}, // the gap of the character spacing
        {20, 1},    {31, 2},  // right of the line: before the line end
        {500, 2},
    };
    for (const Case& c : cases) EXPECT_EQ(f.row.hitTest(c.x), c.index) << "x " << c.x;
    TavGlyphEditRow empty;
    EXPECT_EQ(empty.hitTest(5), -1);
}

TEST(GlyphRow, AscentChangeReportsHeightDifference) {
    struct Listener : TavGlyphListener {
        int total = 0, calls = 0;
        void rowHeightChanged(TavGlyphEditRow*, int d) override {
            total += d;
            ++calls;
        }
        void rowNeedsWidth(TavGlyphEditRow*, int) override {}
    } listener;
    const TavFontMetrics& small = fontMetrics(latin(12));
    const TavFontMetrics& big = fontMetrics(latin(30));
    TavGlyphEditRow row;
    row.place(7, 10, 300, small.cellHeight, small.ascent, nullptr, &listener);
    auto* a = new TavGlyphTChar(L'a', latin(12), 0xFF000000, 254);
    auto* b = new TavGlyphTChar(L'B', latin(30), 0xFF000000, 254);
    row.insertChars(0, {a});
    EXPECT_EQ(listener.calls, 0);
    row.insertChars(1, {b});
    EXPECT_EQ(listener.total, big.cellHeight - small.cellHeight);
    EXPECT_EQ(row.ascent(), big.ascent);
    // Both on one baseline.
    EXPECT_EQ(a->bounds().Y + float(a->ascent()), b->bounds().Y + float(b->ascent()));
    std::vector<TavGlyph*> out;
    row.removeChars(1, 1, &out);
    EXPECT_EQ(listener.total, 0);
    row.children().clear();
    delete a;
    delete b;
}

TEST(GlyphLife, SerialsAndReferences) {
    size_t live = TavGlyph::liveCount();
    int counter = TavGlyph::serialCounter();
    auto* g = new TavGlyphTChar(L'x', latin(), 0xFF000000, 254);
    EXPECT_EQ(g->serial(), counter + 1);
    EXPECT_TRUE(TavGlyph::isAlive(g->serial()));
    int serial = g->serial();
    TavGlyph::addRef(g);
    TavGlyph::addRef(g);
    TavGlyph::release(g);
    EXPECT_TRUE(TavGlyph::isAlive(serial));
    TavGlyph::release(g);
    EXPECT_FALSE(TavGlyph::isAlive(serial));
    EXPECT_EQ(TavGlyph::liveCount(), live);
    TavGlyph::release(nullptr);
}
