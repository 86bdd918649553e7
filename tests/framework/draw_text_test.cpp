// Fonts, metrics, measuring and text with alpha.
#include <gtest/gtest.h>

#include <cmath>

#include "DrawToolkit.h"
#include "TavFont.h"
#include "TextAlpha.h"
#include "draw_support.h"

using namespace Gdiplus;

namespace {
const wchar_t kCjkFace[] = L"WenQuanYi Zen Hei";

std::wstring familyName(const Font* font) {
    FontFamily family;
    font->GetFamily(&family);
    wchar_t name[LF_FACESIZE] = L"";
    family.GetFamilyName(name);
    return name;
}

// Columns [first, last] that hold ink (alpha > 0) anywhere; -1 when none.
std::pair<int, int> inkColumns(const TavMemDC& dc) {
    int first = -1, last = -1;
    for (int x = 0; x < dc.width(); ++x)
        for (int y = 0; y < dc.height(); ++y)
            if (alphaOf(dc.at(x, y)) > 0) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}
} // namespace

TEST(TextAlpha, LuminanceTablesFollowGammaAndWeights) {
    const TavLuminanceTables& t = luminanceTables();
    EXPECT_EQ(t.red[0], 0.0);
    EXPECT_NEAR(t.red[100], std::pow(100.0, 2.2) * 0.2973, 1e-6);
    EXPECT_NEAR(t.green[200], std::pow(200.0, 2.2) * 0.6274, 1e-6);
    EXPECT_NEAR(t.blue[255], std::pow(255.0, 2.2) * 0.0753, 1e-6);
    EXPECT_EQ(&t, &luminanceTables());
}

TEST(TextAlpha, ProbeCoverageMapsToAlpha) {
    struct Case {
        const char* what;
        uint8_t b, g, r;
        int low, high;
    } cases[] = {
        {"no ink", 0, 0, 0, 0, 0},
        {"full probe coverage", 0x1E, 0xFE, 0x78, 254, 254},
        {"probe premultiplied by 254", 29, 253, 119, 254, 254},
        {"90 % coverage is boosted to solid", 27, 229, 108, 254, 254},
        {"half coverage", 15, 127, 60, 140, 150},
        {"faint edge", 1, 8, 4, 1, 12},
    };
    for (const Case& c : cases) {
        int a = textAlphaFromProbe(c.b, c.g, c.r);
        EXPECT_GE(a, c.low) << c.what;
        EXPECT_LE(a, c.high) << c.what;
    }
    EXPECT_EQ(textAlphaFromProbe(255, 255, 255), textAlphaFromProbe(254, 254, 254));
}

TEST(TextAlpha, ApplyRewritesOnlyAlphaWhereProbeHasInk) {
    uint32_t target[3] = {0x00112233, 0x40445566, 0x80778899};
    uint32_t probe[3] = {0x00000000, 0x400F7F3C, 0xFE78FE1E};
    applyTextAlpha(target, probe, 3);
    EXPECT_EQ(target[0], 0x00112233u);
    EXPECT_EQ(target[1] & 0xFFFFFF, 0x445566u);
    EXPECT_EQ(alphaOf(target[1]), alphaOf(probe[1]));
    EXPECT_EQ(target[2], 0xFE778899u);
}

TEST(TextDrawing, AbcHasSolidEdgeAndClearPixels) {
    Font* font = createFont(kCjkFace, 24.0f, 0);
    TavGpStringFormat format = makeStringFormat(L"abc");
    TavMemDC dc = drawText(nullptr, L"abc", font, getBrush(0xFF000000), format.get(), 2, 2, 120, 40);
    ASSERT_TRUE(dc.ok());
    int solid = 0, edge = 0, above254 = 0;
    for (int y = 0; y < dc.height(); ++y)
        for (int x = 0; x < dc.width(); ++x) {
            uint32_t a = alphaOf(dc.at(x, y));
            solid += a == 254;
            edge += a >= 1 && a <= 253;
            above254 += a > 254;
        }
    EXPECT_GT(solid, 20);
    EXPECT_GT(edge, 20);
    EXPECT_EQ(above254, 0);
    auto [first, last] = inkColumns(dc);
    EXPECT_GE(first, 2);
    EXPECT_LT(last, 60); // "abc" at 24 px is about 40 px wide: the rest stays transparent
    for (int y = 0; y < dc.height(); ++y) EXPECT_EQ(dc.at(dc.width() - 1, y), 0u);
    for (int x = 0; x < dc.width(); ++x) EXPECT_EQ(dc.at(x, 0), 0u);
}

TEST(TextDrawing, DefaultTextPutsPiecesOnTabStops) {
    RECT rect{0, 0, 100, 20};
    TavMemDC plain = drawDefaultText(nullptr, L"b", StringAlignmentNear, StringAlignmentNear, rect);
    TavMemDC tabbed = drawDefaultText(nullptr, L"a\tb", StringAlignmentNear, StringAlignmentNear, rect);
    TavMemDC twoTabs = drawDefaultText(nullptr, L"a\t\tb", StringAlignmentNear, StringAlignmentNear, rect);
    int bStart = inkColumns(plain).first;
    ASSERT_GE(bStart, 0);
    // The last ink column of "b" moves by exactly one or two tab stops.
    EXPECT_EQ(inkColumns(tabbed).second, inkColumns(plain).second + 24);
    EXPECT_EQ(inkColumns(twoTabs).second, inkColumns(plain).second + 48);
}

TEST(FontCache, SizesSharingTheirIntegerPartShareOneFont) {
    TavFont& cache = TavFont::instance();
    Font* a = cache.get(kCjkFace, 13.7f, 0);
    Font* b = cache.get(kCjkFace, 13.2f, 0);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->GetSize(), 13.0f);
    EXPECT_NE(a, cache.get(kCjkFace, 14.0f, 0));
    EXPECT_NE(a, cache.get(kCjkFace, 13.0f, 1));
    EXPECT_EQ(TavFont::key(L"宋体", 13.9f, 3, UnitPixel), L"宋体_13_3_2");
}

TEST(FontCache, MissingFaceFallsBackToSansSerif) {
    Font* font = createFont(L"No Such Face 7f3a", 16.0f, 0);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GetLastStatus(), Ok);
    // The generic sans-serif family; a system without one (Wine without face replacements)
    // falls back to the first installed family.
    wchar_t expected[LF_FACESIZE] = L"";
    if (const FontFamily* sans = FontFamily::GenericSansSerif()) {
        sans->GetFamilyName(expected);
    } else {
        InstalledFontCollection installed;
        FontFamily first;
        int found = 0;
        installed.GetFamilies(1, &first, &found);
        ASSERT_EQ(found, 1);
        first.GetFamilyName(expected);
    }
    EXPECT_EQ(familyName(font), expected);
    EXPECT_GT(measureText(nullptr, font, L"abc").cx, 10);
}

TEST(BrushCache, OneBrushPerColor) {
    SolidBrush* red = getBrush(0xFFFF0000);
    EXPECT_EQ(red, getBrush(0xFFFF0000));
    EXPECT_NE(red, getBrush(0xFEFF0000));
    Color c;
    red->GetColor(&c);
    EXPECT_EQ(c.GetValue(), 0xFFFF0000u);
}

TEST(FontMetrics, ScaleDesignUnitsTruncateAndAddOne) {
    // WenQuanYi Zen Hei: em 1024, cell ascent 986, descent 304, line spacing 1382.
    struct Case {
        float size;
        int height, spacing, ascent;
    } cases[] = {{13, 17, 18, 13}, {16, 21, 22, 16}, {32, 41, 44, 31}};
    for (const Case& c : cases) {
        Font* font = createFont(kCjkFace, c.size, 0);
        EXPECT_EQ(textHeight(font), c.height) << c.size;
        EXPECT_EQ(lineSpacing(font), c.spacing) << c.size;
        EXPECT_EQ(fontAscent(font), c.ascent) << c.size;
    }
    EXPECT_EQ(textHeight(nullptr), 0);
    EXPECT_GT(defaultLineHeight(), 10);
}

TEST(MeasureText, TrailingSpacesAndTabsCount) {
    SIZE ab = measureTextFormat(nullptr, L"ab");
    SIZE abSpaces = measureTextFormat(nullptr, L"ab   ");
    SIZE space = measureTextFormat(nullptr, L" ");
    EXPECT_NEAR(abSpaces.cx, ab.cx + 3 * (space.cx - 1), 2);
    EXPECT_GT(abSpaces.cx, ab.cx + 3);
    EXPECT_EQ(abSpaces.cy, ab.cy);

    SIZE b = measureTextFormat(nullptr, L"b");
    SIZE tab = measureTextFormat(nullptr, L"a\tb");
    SIZE twoTabs = measureTextFormat(nullptr, L"a\t\tb");
    EXPECT_NEAR(tab.cx, 24 + b.cx, 1);
    EXPECT_NEAR(twoTabs.cx, 48 + b.cx, 1);
    EXPECT_EQ(tab.cy, b.cy);
}

TEST(MeasureText, DefaultFormatPadsAndEmptyIsMinimal) {
    Font* font = createFont(kCjkFace, 16.0f, 0);
    SIZE padded = measureText(nullptr, font, L"中");
    EXPECT_GT(padded.cx, 16); // the default format adds padding around the glyph
    EXPECT_GE(padded.cy, 16);
    EXPECT_EQ(measureText(nullptr, font, L"").cx, 1);
}

TEST(TabLayout, PiecesStartOnTheNextStop) {
    struct Case {
        std::vector<float> widths;
        std::vector<float> starts;
    } cases[] = {
        {{10}, {0}}, {{10, 5}, {0, 24}}, {{0, 5}, {0, 24}}, {{24, 5}, {0, 48}}, {{30, 0, 5}, {0, 48, 72}},
    };
    for (const Case& c : cases) EXPECT_EQ(tabPieceStarts(c.widths), c.starts);
}
