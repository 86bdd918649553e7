// The RTF reader: tokenizing, destinations, formatting, result codes and writer round trips.
#include "CRtfReader.h"
#include "CRtfWriter.h"
#include "TempFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring textOf(const std::vector<RtfInsertChar>& chars) {
    std::wstring s;
    for (const RtfInsertChar& c : chars) s.push_back(c.ch);
    return s;
}

int load(const std::string& rtf, std::vector<RtfInsertChar>& out) {
    return loadRtfCharacters(rtf.data(), rtf.size(), out);
}

TEST(RtfReader, TextAndDestinations) {
    struct Case {
        const char* name;
        std::string rtf;
        std::wstring text;
    };
    const Case cases[] = {
        {"two hex escapes form one character", "{\\rtf1 \\'d6\\'d0}", L"中"},
        {"literal double-byte text",
         "{\\rtf1 \xd6\xd0"
         "a}",
         L"中a"},
        {"trail bytes written as symbols", "{\\rtf1 \\'81\\\\\\'81\\{\\'81\\}\\'81@}", L"乗亄亇丂"},
        {"unknown starred destination skipped", "{\\rtf1 a{\\*\\foo {\\b hidden}}b}", L"ab"},
        {"unknown plain keyword keeps its text", "{\\rtf1 a{\\foo kept}b}", L"akeptb"},
        {"backslash and line end ignored", "{\\rtf1 a\\\r\nb\\\nc\r\n}", L"abc"},
        {"known destinations dropped", "{\\rtf1{\\info{\\title T}{\\author A}}{\\stylesheet{N;}}x}", L"x"},
        {"control symbols", "{\\rtf1 \\{\\}\\\\\\tab \\ldblquote q\\rdblquote}", L"{}\\\t\"q\""},
        {"paragraph ends", "{\\rtf1 a\\par b\\par}", L"a\rb\r"},
        {"keyword delimiters", "{\\rtf1\\b0  x\\b0y\\fs-4z}", L" xyz"},
        {"binary data skipped", "{\\rtf1 a\\bin5 {}\\x}b}", L"ab"},
        {"NUL bytes dropped", std::string("{\\rtf1 a\0b\\'00c}", 16), L"abc"},
        {"over-long keyword ignored", "{\\rtf1 \\" + std::string(5000, 'b') + " x}", L"x"},
        {"unicode keyword replaces its fallback", "{\\rtf1 \\u20013?}", L"中"},
        {"lead byte before paragraph end is lost", "{\\rtf1 \\'d6\\par x}", L"?\rx"},
    };
    for (const Case& c : cases) {
        std::vector<RtfInsertChar> out;
        ASSERT_EQ(load(c.rtf, out), RtfOk) << c.name;
        EXPECT_EQ(textOf(out), c.text) << c.name;
    }
}

TEST(RtfReader, FormattingEndsWithItsGroup) {
    // A pasted document that makes one word bold and red inside a group: the text after the group
    // has the format from before it (nested groups restore level by level).
    CRtfReader r(936);
    const std::string rtf =
        "{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;}\\fs20 a{\\b\\i\\ul\\strike\\cf1\\fs40 B"
        "{\\b0 C}D}P\\b0 N}";
    ASSERT_EQ(r.parse(rtf.data(), rtf.size()), RtfOk);
    struct Expect {
        const wchar_t* text;
        bool bold, italic, underline, strike;
        int color, halfPoints;
    };
    const Expect expected[] = {{L"a", false, false, false, false, -1, 20},
                               {L"B", true, true, true, true, 1, 40},
                               {L"C", false, true, true, true, 1, 40},
                               {L"D", true, true, true, true, 1, 40},
                               {L"PN", false, false, false, false, -1, 20}};
    ASSERT_EQ(r.runs().size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const RtfCharRun& run = r.runs()[i];
        EXPECT_EQ(run.text, expected[i].text) << i;
        EXPECT_EQ(run.bold, expected[i].bold) << i;
        EXPECT_EQ(run.italic, expected[i].italic) << i;
        EXPECT_EQ(run.underline, expected[i].underline) << i;
        EXPECT_EQ(run.strike, expected[i].strike) << i;
        EXPECT_EQ(run.color, expected[i].color) << i;
        EXPECT_EQ(run.halfPoints, expected[i].halfPoints) << i;
    }
}

TEST(RtfReader, FormattingInsideTablesDoesNotReachText) {
    CRtfReader r(936);
    const std::string rtf =
        "{\\rtf1{\\fonttbl{\\f0\\b\\fs40 Arial;}}{\\stylesheet{\\s1\\b\\cf2\\par Heading;}}x}";
    ASSERT_EQ(r.parse(rtf.data(), rtf.size()), RtfOk);
    ASSERT_EQ(r.runs().size(), 1u);
    EXPECT_FALSE(r.runs()[0].bold);
    EXPECT_EQ(r.runs()[0].font, -1);
    EXPECT_EQ(r.runs()[0].color, -1);
    EXPECT_EQ(r.runs()[0].halfPoints, 0);
    EXPECT_TRUE(r.paragraphSpacings().empty());
}

TEST(RtfReader, TablesFontsColorsAndSpacings) {
    CRtfReader r(936);
    const std::string rtf = "{\\rtf1{\\fonttbl{\\f3\\fnil{\\*\\panose 0}Arial;}{\\f7 \\'cb\\'ce\\'cc\\'e5;}}"
                            "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue255;\\green9;}"
                            "\\sl360\\slmult1 a\\par\\sl-200\\slmult0 b\\par}";
    ASSERT_EQ(r.parse(rtf.data(), rtf.size()), RtfOk);
    EXPECT_EQ(r.fontNames(), (std::vector<std::wstring>{L"Arial", L"宋体"}));
    EXPECT_EQ(r.fontNumbers(), (std::vector<int>{3, 7}));
    EXPECT_EQ(r.colors(), (std::vector<uint32_t>{0xFF0000, 0x0080FF, 0x000900}));
    ASSERT_EQ(r.paragraphSpacings().size(), 2u);
    EXPECT_EQ(r.paragraphSpacings()[0].sl, 360);
    EXPECT_EQ(r.paragraphSpacings()[1].sl, -200);
    EXPECT_EQ(r.paragraphSpacings()[1].slmult, 0);
    ASSERT_EQ(r.runs().size(), 1u) << "a run ends where the format changes, not at \\par";
    EXPECT_EQ(r.runs()[0].text, L"a\rb\r");
    EXPECT_EQ(r.runs()[0].paragraph, 0);
}

TEST(RtfReader, CharactersToInsert) {
    const std::string rtf =
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\'cb\\'ce\\'cc\\'e5;}}"
        "{\\colortbl;\\red255\\green0\\blue0;}"
        "k\\cf0 a\\cf1\\f1\\fs24\\b b\\cf9\\f9\\fs99999999999999999999 c\\f0\\fs0\\b0\\i\\ul\\strike d}";
    std::vector<RtfInsertChar> out;
    ASSERT_EQ(load(rtf, out), RtfOk);
    ASSERT_EQ(textOf(out), L"kabcd");
    struct Expect {
        bool setFont;
        std::wstring family;
        int style, pixelSize;
        bool setColor;
        uint32_t argb;
    };
    const Expect expected[] = {
        {false, L"", 0, 0, false, 0},                      // before any keyword: keep current
        {false, L"", 0, 0, true, 0xFE000000},              // color 0 is black
        {true, L"宋体", 1, 16, true, 0xFEFF0000},          // color 1 the first table color
        {true, L"宋体", 1, 999, true, 0xFEFF0000},         // unknown numbers clamp; size capped
        {true, L"Arial", 2 | 4 | 8, 16, true, 0xFEFF0000}, // no size: 12 points
    };
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_EQ(out[i].setFont, expected[i].setFont) << i;
        if (expected[i].setFont) {
            EXPECT_EQ(out[i].family, expected[i].family) << i;
            EXPECT_EQ(out[i].style, expected[i].style) << i;
            EXPECT_EQ(out[i].pixelSize, expected[i].pixelSize) << i;
        }
        EXPECT_EQ(out[i].setColor, expected[i].setColor) << i;
        if (expected[i].setColor) {
            EXPECT_EQ(out[i].argb, expected[i].argb) << i;
        }
    }
}

TEST(RtfReader, ResultCodes) {
    const RtfKeyword badKind[] = {{"x", 0, false, static_cast<RtfKeywordKind>(99), 0}};
    const RtfKeyword badSpecial[] = {{"x", 0, false, RtfKeywordKind::Special, 42}};
    const RtfKeyword badDest[] = {{"x", 0, false, RtfKeywordKind::Destination, 42}};
    struct Case {
        const char* name;
        std::string rtf;
        const RtfKeyword* table;
        int expected;
    };
    const Case cases[] = {
        {"balanced", "{\\rtf1 a}", nullptr, RtfOk},
        {"more closing braces", "{\\rtf1 a}}b", nullptr, RtfStackUnderflow},
        {"closing brace first", "}{", nullptr, RtfStackUnderflow},
        {"100,000 nested groups", std::string(100000, '{') + "a" + std::string(100000, '}'), nullptr,
         RtfNoMemory},
        {"unmatched open brace", "{\\rtf1 {a}", nullptr, RtfUnmatchedBrace},
        {"invalid hex digit", "{\\rtf1 \\'zz}", nullptr, RtfInvalidHex},
        {"brace inside a hex escape", "{\\rtf1 \\'d}", nullptr, RtfInvalidHex},
        {"bad table kind", "{\\x}", badKind, RtfBadTable},
        {"bad table destination", "{\\x}", badDest, RtfBadTable},
        {"bad special state", "{\\x}", badSpecial, RtfInternalState},
        {"end after backslash", "{\\rtf1 a\\", nullptr, RtfEndOfFile},
        {"end after minus", "{\\rtf1 \\fs-", nullptr, RtfEndOfFile},
        {"end inside hex escape", "{\\rtf1 \\'d", nullptr, RtfEndOfFile},
        {"bin count larger than the file", "{\\rtf1 \\bin2000000000 ab}", nullptr, RtfEndOfFile},
    };
    for (const Case& c : cases) {
        CRtfReader reader = c.table ? CRtfReader(936, c.table, 1) : CRtfReader(936);
        EXPECT_EQ(reader.parse(c.rtf.data(), c.rtf.size()), c.expected) << c.name;
        if (!c.table) {
            std::vector<RtfInsertChar> out;
            EXPECT_EQ(load(c.rtf, out), c.expected) << c.name;
            if (c.expected != RtfOk) {
                EXPECT_TRUE(out.empty()) << c.name << ": malformed input inserts nothing";
            }
        }
    }
    CRtfReader reader(936);
    EXPECT_EQ(reader.open(L"Z:\\no\\such\\file.rtf"), RtfCannotOpen);
    EXPECT_EQ(reader.open("Z:\\no\\such\\file.rtf"), RtfCannotOpen);
}

TEST(RtfReader, FileIsReadAsBinary) {
    const TempFolder folder(L"tavnote_rtf_reader");
    const std::wstring path = folder.file(L"binary.rtf");
    // 0x1A would end a text-mode read; the "\bin" data must be skipped byte-exactly.
    const std::string rtf = "{\\rtf1 a\\bin3 \x1a\r\n"
                            "b\r\nc}";
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    fwrite(rtf.data(), 1, rtf.size(), f);
    fclose(f);
    std::vector<RtfInsertChar> out;
    EXPECT_EQ(loadRtfCharacters(path, out), RtfOk);
    EXPECT_EQ(textOf(out), L"abc");
}

RtfRun glyph(wchar_t ch, int font, uint32_t argb, int px, bool b, bool i, bool u, bool s) {
    RtfRun r;
    r.text = std::wstring(1, ch);
    r.font = font;
    r.argb = argb;
    r.sizePixels = px;
    r.bold = b;
    r.italic = i;
    r.underline = u;
    r.strike = s;
    return r;
}

TEST(RtfReader, WriterOutputReadsBack) {
    RtfDocument doc;
    doc.codePage = 936;
    doc.fontFamilies = {L"Arial", L"宋体", L"宋体", L"3D Font"};
    doc.colors = {0xFF000000, 0xFF0080FF, 0xFFFF0000};
    const std::wstring text = L"中文 a\\b{c}\t乗亄亇丂\rsecond 行\rthird";
    const uint32_t colors[] = {0xFF000000, 0xFF0080FF, 0xFFFF0000};
    const int sizes[] = {13, 16, 20, 32};
    for (size_t k = 0; k < text.size(); ++k)
        doc.runs.push_back(glyph(text[k], int(k % 4), colors[k % 3], sizes[(k / 2) % 4], k % 2, k % 3 == 0,
                                 k % 5 == 0, k % 7 == 0));

    std::vector<RtfInsertChar> out;
    ASSERT_EQ(load(rtfToString(doc), out), RtfOk);
    ASSERT_EQ(textOf(out), text);
    int rows = 1;
    for (size_t k = 0; k < out.size(); ++k) {
        const RtfRun& in = doc.runs[k];
        EXPECT_TRUE(out[k].setFont && out[k].setColor) << k;
        EXPECT_EQ(out[k].family, doc.fontFamilies[size_t(in.font)]) << k;
        EXPECT_EQ(out[k].style,
                  (in.bold ? 1 : 0) | (in.italic ? 2 : 0) | (in.underline ? 4 : 0) | (in.strike ? 8 : 0))
            << k;
        EXPECT_EQ(out[k].pixelSize, in.sizePixels) << k;
        EXPECT_EQ(out[k].argb, 0xFE000000 | (in.argb & 0xFFFFFF)) << k;
        rows += out[k].ch == L'\r';
    }
    EXPECT_EQ(rows, 3);
}

} // namespace
