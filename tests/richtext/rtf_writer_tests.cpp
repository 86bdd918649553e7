// The RTF writer: exact bytes of the control-word rules, escaping and whole documents.
#include "CRtfWriter.h"
#include "RtfFontSizes.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "TempFolder.h"

namespace {

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kRed = 0xFFFF0000;

RtfRun run(const std::wstring& text, int font, uint32_t argb, bool bold = false, int px = 16) {
    RtfRun r;
    r.text = text;
    r.font = font;
    r.argb = argb;
    r.bold = bold;
    r.sizePixels = px;
    return r;
}

std::wstring tempPath(const wchar_t* name) {
    static const TempFolder folder(L"tavnote_rtf_writer");
    return folder.file(name);
}

TEST(RtfWriter, ControlWordsAndGroups) {
    struct Case {
        const char* name;
        bool pretty;
        void (*write)(CRtfWriter&);
        const char* expected;
    };
    const Case cases[] = {
        {"plain word", false, [](CRtfWriter& w) { w.writeControlWord(L"b"); }, "\\b"},
        {"par starts a line", false, [](CRtfWriter& w) { w.writeControlWord(L"par"); }, "\r\n\\par"},
        {"pard starts a line", false, [](CRtfWriter& w) { w.writeControlWord(L"pard"); }, "\r\n\\pard"},
        {"destination", false, [](CRtfWriter& w) { w.writeControlWord(L"foo", true); }, "\\*\\foo"},
        {"groups", false,
         [](CRtfWriter& w) {
             w.beginGroup();
             w.beginGroup();
             w.endGroup();
             w.endGroup();
         },
         "{{}}"},
        {"pretty par has no CR LF", true, [](CRtfWriter& w) { w.writeControlWord(L"par"); }, "\\par"},
        {"pretty nested groups", true,
         [](CRtfWriter& w) {
             w.beginGroup();
             w.beginGroup();
             w.endGroup();
             w.endGroup();
         },
         "{\r\n   {\r\n   }\r\n}"},
    };
    for (const Case& c : cases) {
        std::string out;
        CRtfWriter w(&out, 936);
        w.setPrettyPrint(c.pretty);
        c.write(w);
        EXPECT_EQ(out, c.expected) << c.name;
        EXPECT_EQ(w.depth(), 0) << c.name;
    }
}

TEST(RtfWriter, TextEscapes) {
    struct Case {
        const char* name;
        std::wstring text;
        const char* expected;
    };
    const Case cases[] = {
        {"tab", L"a\tb", "a\\tab b"},
        {"backslash and braces", L"\\{x}", "\\\\\\{x\\}"},
        {"chinese in 936", L"中", "\\'d6\\'d0"},
        {"control byte", L"\x01", "\\'01"},
        {"printable ascii kept", L"Az 09~", "Az 09~"},
        {"trail byte that is a backslash", L"乗", "\\'81\\\\"},
        {"trail byte that is a brace", L"亄", "\\'81\\{"},
        {"emoji as two signed \\u values", L"\U0001F600", "\\u-10179?\\u-8704?"},
    };
    for (const Case& c : cases) {
        std::string out;
        CRtfWriter w(&out, 936);
        w.writeText(c.text);
        EXPECT_EQ(out, c.expected) << c.name;
    }
}

TEST(RtfWriter, SizeConversions) {
    struct Case {
        int pixels;
        int points;
    };
    const Case cases[] = {{12, 9}, {13, 10}, {16, 12}, {20, 15}, {32, 24}};
    for (const Case& c : cases) {
        EXPECT_EQ(pixelsToPoints(c.pixels, L"宋体"), c.points) << c.pixels;
        EXPECT_EQ(pointsToPixels(c.points, L"宋体"), c.pixels) << c.points;
    }
    EXPECT_EQ(pixelsToPoints(4000), 4000) << "no candidate is tall enough: the size itself";
    EXPECT_EQ(pixelsToPoints(0), 0);
}

RtfDocument smallDocument() {
    RtfDocument doc;
    doc.codePage = 936;
    doc.fontFamilies = {L"宋体", L"Arial"};
    doc.colors = {kBlack, kRed};
    doc.runs = {run(L"中", 0, kBlack),
                run(L"a", 1, kRed, true),
                run(L"b", 1, kRed, true),
                run(L"\r", 1, kRed, true),
                run(L"c", 1, kRed),
                run(L"", 0, 0xFF123456),
                run(L"\t", 1, 0xFF00FF00 /* no table entry: first color */, false, 13)};
    return doc;
}

const char kSmallDocumentRtf[] = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\'cb\\'ce\\'cc\\'e5;}{\\f1Arial;}}"
                                 "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}"
                                 "\\cf1\\f0\\fs24 \\'d6\\'d0\\cf2\\f1\\b ab\\par \\b0 c\\cf1\\fs20 \\tab }";

TEST(RtfWriter, SmallDocumentExactBytes) {
    const std::string out = rtfToString(smallDocument());
    EXPECT_EQ(out, kSmallDocumentRtf);
    EXPECT_EQ(out.find_first_of("\r\n"), std::string::npos) << "a single line";
}

TEST(RtfWriter, DocumentEdges) {
    RtfDocument noColors;
    noColors.codePage = 936;
    noColors.fontFamilies = {L"3D Font"};
    noColors.runs = {run(L"x\r\ny\nz", 0, kBlack, false, 16)};
    EXPECT_EQ(rtfToString(noColors),
              "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0 3D Font;}}\\cf1\\f0\\fs24 x\\par y\\par z}");

    RtfDocument empty = smallDocument();
    empty.runs.clear();
    EXPECT_EQ(rtfToString(empty), "");

    RtfDocument systemPage = smallDocument();
    systemPage.codePage = 0;
    EXPECT_NE(rtfToString(systemPage).find("\\ansicpg" + std::to_string(GetACP()) + "{"), std::string::npos);
}

TEST(RtfWriter, FileForm) {
    const std::wstring path = tempPath(L"tav_rtf_writer_test.rtf");
    DeleteFileW(path.c_str());

    RtfDocument empty = smallDocument();
    empty.runs.clear();
    EXPECT_FALSE(writeRtf(path, empty));
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing written";

    ASSERT_TRUE(writeRtf(path, smallDocument()));
    EXPECT_EQ(readBytes(path), kSmallDocumentRtf);

    RtfDocument shorter = smallDocument();
    shorter.runs.resize(1);
    ASSERT_TRUE(writeRtf(path, shorter));
    EXPECT_EQ(readBytes(path), rtfToString(shorter)) << "an existing file is replaced";
    EXPECT_FALSE(writeRtf(path, empty));
    EXPECT_EQ(readBytes(path), rtfToString(shorter)) << "an empty document leaves it";
    DeleteFileW(path.c_str());

    EXPECT_FALSE(writeRtf(tempPath(L"no_such_folder_tav\\x.rtf"), smallDocument()));
}

} // namespace
