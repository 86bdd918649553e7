// Text outside the code page: "\u" in and out, "\uc" skipping, surrogate pairs, "ansicpg" and
// "fcharset" decoding, the lossy flag, round trips in code pages 936 and 1252, and hostile
// documents that must load in bounded memory.
#include "CRtfReader.h"
#include "CRtfWriter.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::wstring textOf(const CRtfReader& r) {
    std::wstring s;
    for (const RtfCharRun& run : r.runs()) s += run.text;
    return s;
}

struct ReadCase {
    const char* name;
    unsigned defaultCodePage; // the reader's code page before any "ansicpg"
    std::string rtf;
    std::wstring text;
    bool lossy;
};

void expectReads(const ReadCase& c) {
    CRtfReader r(c.defaultCodePage);
    ASSERT_EQ(r.parse(c.rtf.data(), c.rtf.size()), RtfOk) << c.name;
    EXPECT_EQ(textOf(r), c.text) << c.name;
    EXPECT_EQ(r.lossy(), c.lossy) << c.name;
}

TEST(RtfUnicode, UnicodeKeywordAndSkipCount) {
    const ReadCase cases[] = {
        {"default skip of one", 936, "{\\rtf1 \\u20013?x}", L"中x", false},
        {"negative value above 32767", 936, "{\\rtf1 \\u-255?}", L"\xFF01", false},
        {"negative BMP value (Hangul)", 936, "{\\rtf1 \\u-10916?}", L"\xD55C", false},
        {"uc2 skips a double-byte fallback", 936, "{\\rtf1\\uc2 \\u20013\\'d6\\'d0x}", L"中x", false},
        {"uc2 skips two literal bytes", 936, "{\\rtf1\\uc2 \\u20013\xd6\xd0x}", L"中x", false},
        {"uc0 has no fallback", 936, "{\\rtf1\\uc0 \\u20013 x}", L"中x", false},
        {"uc is scoped by groups", 936, "{\\rtf1{\\uc2 \\u20013??}\\u20014?y}", L"中\x4E2Ey", false},
        {"hex fallback counts once", 936, "{\\rtf1 \\u20013\\'3fx}", L"中x", false},
        {"control word fallback counts once", 936, "{\\rtf1 \\u20013\\b x}", L"中x", false},
        {"character symbol fallback", 936, "{\\rtf1 \\u20013\\{x}", L"中x", false},
        {"fallback ends at a group", 936, "{\\rtf1\\uc3 \\u20013?{x}}", L"中x", false},
        {"surrogate pair", 936, "{\\rtf1 \\u-10179?\\u-8704?}", L"\xD83D\xDE00", false},
        {"pair across a format change", 936, "{\\rtf1 \\u-10179?\\b\\u-8704?}", L"\xD83D\xDE00", false},
        {"lone high surrogate", 936, "{\\rtf1 \\u-10179?x}", L"?x", true},
        {"high surrogate at the end", 936, "{\\rtf1 x\\u-10179?}", L"x?", true},
        {"lone low surrogate", 936, "{\\rtf1 \\u-8704?x}", L"?x", true},
        {"value out of range", 936, "{\\rtf1 \\u70000?x}", L"?x", true},
        {"huge value", 936, "{\\rtf1 \\u99999999999999999999?x}", L"?x", true},
        {"huge skip count is clamped", 936, "{\\rtf1\\uc99999999999 \\u20013" + std::string(64, '?') + "x}",
         L"中x", false},
        {"u without a number is ignored", 936, "{\\rtf1 \\u x}", L"x", false},
    };
    for (const ReadCase& c : cases) expectReads(c);
}

TEST(RtfUnicode, CodePagesOfTheText) {
    const ReadCase cases[] = {
        {"ansicpg936 overrides 1252", 1252, "{\\rtf1\\ansi\\ansicpg936 \\'c4\\'e3\\'ba\\'c3}", L"你好",
         false},
        {"ansicpg1252 overrides 936", 936, "{\\rtf1\\ansi\\ansicpg1252 \\'e9\\'c4}", L"éÄ", false},
        {"no ansicpg: the reader's code page", 1252, "{\\rtf1\\ansi \\'e9}", L"é", false},
        {"pair split between escape and literal", 1252, "{\\rtf1\\ansicpg936 \\'c4\xe3}", L"你", false},
        {"literal double-byte text", 1252, "{\\rtf1\\ansicpg936 \xc4\xe3\xba\xc3}", L"你好", false},
        {"lead byte at the end", 936, "{\\rtf1 x\\'c4}", L"x?", true},
        {"lead byte before \\u", 936, "{\\rtf1 \\'c4\\u20013?}", L"?中", true},
        {"lead byte then a control byte", 936, "{\\rtf1 \\'c4\\'09x}", L"?\tx", true},
        {"UTF-8 code page", 1252, "{\\rtf1\\ansicpg65001 \\'e4\\'bd\\'a0\\'f0\\'9f\\'98\\'80}",
         L"你\xD83D\xDE00", false},
        {"broken UTF-8", 1252, "{\\rtf1\\ansicpg65001 \\'e4x}", L"?x", true},
        {"unknown code page keeps ASCII", 936, "{\\rtf1\\ansicpg12345 abc}", L"abc", false},
        {"unknown code page loses other bytes", 936, "{\\rtf1\\ansicpg12345 \\'41\\'e9}", L"A?", true},
        {"fcharset picks the font's code page", 1252,
         "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset134 SimSun;}}"
         "\\f1 \\'c4\\'e3\\f0 \\'e9}",
         L"你é", false},
        {"undeclared font: the document's code page", 1252,
         "{\\rtf1\\ansicpg1252{\\fonttbl{\\f1\\fcharset134 SimSun;}}\\f7 \\'e9}", L"é", false},
    };
    for (const ReadCase& c : cases) expectReads(c);
}

TEST(RtfUnicode, FontNamesDecodeLikeText) {
    CRtfReader r(1252);
    const std::string rtf = "{\\rtf1\\ansicpg1252{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
                            "{\\f1 \\u24494?\\u-28817?\\u-26939?\\u-24879?;}{\\f2 Caf\\'e9;}}x}";
    ASSERT_EQ(r.parse(rtf.data(), rtf.size()), RtfOk);
    EXPECT_EQ(r.fontNames(), (std::vector<std::wstring>{L"宋体", L"微软雅黑", L"Café"}));
    EXPECT_FALSE(r.lossy());
}

RtfDocument documentOf(const std::wstring& text, unsigned codePage,
                       std::vector<std::wstring> families = {L"Arial"}) {
    RtfDocument doc;
    doc.codePage = codePage;
    doc.fontFamilies = std::move(families);
    doc.colors = {0xFF000000};
    RtfRun run;
    run.text = text;
    run.sizePixels = 16;
    doc.runs.push_back(run);
    return doc;
}

TEST(RtfUnicode, WriterEscapesWhatTheCodePageCannotHold) {
    struct Case {
        const char* name;
        unsigned codePage;
        std::wstring text;
        const char* expected;
    };
    const Case cases[] = {
        {"CJK held by 936", 936, L"中", "\\'d6\\'d0"},
        {"CJK outside 1252", 1252, L"你好", "\\u20320?\\u22909?"},
        {"Latin-1 held by 1252", 1252, L"é", "\\'e9"},
        {"no best fit in 1252", 1252, L"\x0100", "\\u256?"},
        {"Hangul as a negative value", 936, L"\xD55C", "\\u-10916?"},
        {"emoji as a surrogate pair", 1252, L"\U0001F600", "\\u-10179?\\u-8704?"},
        {"lone surrogate", 936,
         L"\xD83D"
         L"a",
         "\\u-10179?a"},
        {"a real question mark", 1252, L"?", "?"},
        {"mixed", 1252, L"a\x00e9中\U0001F600\\{", "a\\'e9\\u20013?\\u-10179?\\u-8704?\\\\\\{"},
        {"escapes around a line end", 936, L"中\r\U0001F600", "\\'d6\\'d0\\par \\u-10179?\\u-8704?"},
    };
    for (const Case& c : cases) {
        const std::string rtf = rtfToString(documentOf(c.text, c.codePage));
        const std::string head = "\\fs24 ";
        const size_t at = rtf.find(head);
        ASSERT_NE(at, std::string::npos) << c.name;
        EXPECT_EQ(rtf.substr(at + head.size(), rtf.size() - at - head.size() - 1), c.expected) << c.name;
    }
}

TEST(RtfUnicode, WriterOutputReadsBackInBothCodePages) {
    struct Case {
        const char* name;
        std::wstring text;
    };
    const Case texts[] = {
        {"CJK", L"你好，便签"},
        {"emoji", L"\U0001F600\U0001F44D"},
        {"Latin-1", L"Café crème à la façon"},
        {"mixed", L"a中\U0001F600é\xD55C\x0100\t{x}\\\r第二行 ¿?"},
    };
    const unsigned pages[] = {936, 1252};
    for (unsigned page : pages) {
        for (const Case& c : texts) {
            const RtfDocument doc = documentOf(c.text, page, {L"宋体", L"Café"});
            const std::string rtf = rtfToString(doc);
            // A reader whose own code page differs must follow the document's.
            CRtfReader r(page == 936 ? 1252 : 936);
            ASSERT_EQ(r.parse(rtf.data(), rtf.size()), RtfOk) << c.name << " " << page;
            EXPECT_EQ(textOf(r), c.text) << c.name << " " << page;
            EXPECT_EQ(r.fontNames(), doc.fontFamilies) << c.name << " " << page;
            EXPECT_FALSE(r.lossy()) << c.name << " " << page;
        }
    }
}

// Hostile documents: each must end with a result code, keep its structures bounded and take
// time in proportion to its size (timings are in the benchmark).
TEST(RtfUnicode, RunsOfOneFormatMerge) {
    std::string rtf = "{\\rtf1 ";
    rtf.reserve(10u << 20);
    while (rtf.size() < (10u << 20)) rtf += "{\\b x}";
    rtf += "}";
    CRtfReader r;
    ASSERT_EQ(r.parse(rtf.data(), rtf.size()), RtfOk);
    ASSERT_EQ(r.runs().size(), 1u) << "bold outlives each group, so every x shares one run";
    EXPECT_EQ(r.runs()[0].text.size(), (rtf.size() - 8) / 6);
}

TEST(RtfUnicode, RunCountIsBounded) {
    std::string rtf = "{\\rtf1 ";
    const size_t pairs = CRtfReader::kMaxRuns / 2 + 1000;
    for (size_t i = 0; i < pairs; ++i) rtf += "\\b x\\b0 y";
    rtf += "}";
    CRtfReader r;
    ASSERT_EQ(r.parse(rtf.data(), rtf.size()), RtfOk);
    EXPECT_EQ(r.runs().size(), CRtfReader::kMaxRuns);
    EXPECT_EQ(textOf(r).size(), 2 * pairs) << "text past the last run is kept";
}

TEST(RtfUnicode, FontTableAndFontsAskedForAreBounded) {
    std::string rtf = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 100000; ++i) rtf += "{\\f" + std::to_string(i) + " F" + std::to_string(i) + ";}";
    rtf += "}";
    for (int i = 0; i < 600; ++i) rtf += "\\f" + std::to_string(i) + "\\fs24 x";
    rtf += "\\f99999 y}";
    CRtfReader r;
    ASSERT_EQ(r.parse(rtf.data(), rtf.size()), RtfOk);
    EXPECT_EQ(r.fontNames().size(), CRtfReader::kMaxFonts);
    EXPECT_EQ(r.fontEntry(7), 7);
    EXPECT_EQ(r.fontEntry(99999), int(CRtfReader::kMaxFonts) - 1) << "later entries fall back";

    const std::vector<RtfInsertChar> chars = rtfCharactersToInsert(r);
    ASSERT_EQ(chars.size(), 601u);
    std::set<std::tuple<std::wstring, int, int>> fonts;
    for (const RtfInsertChar& c : chars)
        if (c.setFont) fonts.emplace(c.family, c.pixelSize, c.style);
    EXPECT_EQ(fonts.size(), kMaxDistinctFonts);
    EXPECT_TRUE(chars[0].setFont);
    EXPECT_FALSE(chars[599].setFont) << "past the limit a run keeps the current font";
}

TEST(RtfUnicode, HostileDocumentsEndWithACode) {
    struct Case {
        const char* name;
        std::string rtf;
        int expected;
    };
    const Case cases[] = {
        {"100,000 nested groups", std::string(100000, '{') + "x" + std::string(100000, '}'), RtfNoMemory},
        {"100,000 unterminated groups", "{\\rtf1 " + std::string(100000, '{') + "x", RtfNoMemory},
        {"unterminated group", "{\\rtf1 {\\b x", RtfUnmatchedBrace},
        {"giant numbers",
         "{\\rtf1\\fs99999999999999999\\f-99999999999999\\cf999999999999\\uc-5"
         "\\ansicpg99999999999 \\u1x\\sl99999999999999\\par}",
         RtfOk},
        {"long control word", "{\\rtf1 \\" + std::string(1u << 20, 'q') + " x}", RtfOk},
        {"long parameter", "{\\rtf1 \\fs" + std::string(1u << 20, '9') + " x}", RtfOk},
        {"giant bin count", "{\\rtf1 \\bin99999999999999999999 x}", RtfEndOfFile},
        {"100,000 colors",
         "{\\rtf1{\\colortbl" +
             [] {
                 std::string s;
                 for (int i = 0; i < 100000; ++i) s += "\\red1\\green2\\blue3;";
                 return s;
             }() +
             "}\\cf99999 x}",
         RtfOk},
    };
    for (const Case& c : cases) {
        CRtfReader r;
        EXPECT_EQ(r.parse(c.rtf.data(), c.rtf.size()), c.expected) << c.name;
        EXPECT_LE(r.colors().size(), CRtfReader::kMaxColors) << c.name;
        std::vector<RtfInsertChar> out;
        EXPECT_EQ(loadRtfCharacters(c.rtf.data(), c.rtf.size(), out), c.expected) << c.name;
        for (const RtfInsertChar& ch : out)
            EXPECT_TRUE(!ch.setFont || (ch.pixelSize >= 1 && ch.pixelSize <= 999)) << c.name;
    }
}

} // namespace
