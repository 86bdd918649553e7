// Reading and writing files: byte-order marks, declared and detected encodings, round trips,
// result records and atomic saving.
#include "XmlDocument.h"
#include "XmlTestUtil.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

std::string utf32le(const std::wstring& w) {
    std::string out;
    for (size_t i = 0; i < w.size(); ++i) {
        unsigned c = w[i];
        if (c >= 0xD800 && c < 0xDC00) c = 0x10000 + ((c - 0xD800) << 10) + (w[++i] - 0xDC00);
        for (int k = 0; k < 4; ++k) out += char(c >> (8 * k));
    }
    return out;
}

const std::wstring kValue = L"\u4e2d\u6587 <tag> & \"quote\" 'apos' \u00e9";

// ---- round trips --------------------------------------------------------------------------

struct RoundTrip {
    const char* label;
    std::string initialBytes;    // file written before the first load
    std::string savedPrefix;     // the saved file must start with these bytes
    std::string savedValueBytes; // kValue's first two characters as the file stores them
};

TEST(XmlFile, EscapedTextAndAttributesRoundTripInEachEncoding) {
    const std::wstring body = L"<n>\r\n<old>x</old>\r\n</n>\r\n";
    const RoundTrip cases[] = {
        {"UTF-8 without mark", "<n>\r\n<old>x</old>\r\n</n>\r\n", "<n>", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"UTF-8 with mark", "\xEF\xBB\xBF<n>\r\n<old>x</old>\r\n</n>\r\n", "\xEF\xBB\xBF<n>",
         "\xE4\xB8\xAD\xE6\x96\x87"},
        {"declared gb2312", "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<n>\r\n<old>x</old>\r\n</n>\r\n",
         "<?xml version=\"1.0\" encoding=\"gb2312\"?>", "\xD6\xD0\xCE\xC4"},
        {"UTF-16LE with mark", "\xFF\xFE" + utf16le(body), "\xFF\xFE<\0n\0"s, "\x2D\x4E\x87\x65"},
        {"UTF-16BE with mark", "\xFE\xFF" + utf16be(body), "\xFE\xFF\0<\0n"s, "\x4E\x2D\x65\x87"},
    };
    for (const RoundTrip& c : cases) {
        SCOPED_TRACE(c.label);
        TempFolder dir;
        std::wstring path = dir.file(L"note.xml");
        writeBytes(path, c.initialBytes);
        {
            XmlDocument doc;
            ASSERT_TRUE(doc.loadFile(path)) << narrow(doc.resultText());
            ASSERT_TRUE(doc.findElement(L"n") && doc.intoElement() && doc.findElement(L"old"));
            ASSERT_TRUE(doc.setData(kValue));
            ASSERT_TRUE(doc.setAttribute(L"k", kValue));
            ASSERT_TRUE(doc.saveFile(path)) << narrow(doc.resultText());
        }
        std::string saved = readBytes(path);
        EXPECT_EQ(saved.compare(0, c.savedPrefix.size(), c.savedPrefix), 0);
        EXPECT_NE(saved.find(c.savedValueBytes), std::string::npos);
        XmlDocument back;
        ASSERT_TRUE(back.loadFile(path)) << narrow(back.resultText());
        ASSERT_TRUE(back.findElement(L"n") && back.intoElement() && back.findElement(L"old"));
        EXPECT_EQ(back.getData(), kValue);
        EXPECT_EQ(back.getAttribute(L"k"), kValue);
        EXPECT_EQ(dir.entries().size(), 1u); // no temporary file left behind
    }
}

TEST(XmlFile, NewDocumentIsSavedAsUtf8WithoutMarkOrDeclaration) {
    TempFolder dir;
    XmlDocument doc;
    ASSERT_TRUE(doc.addElement(L"customcolor") && doc.intoElement());
    ASSERT_TRUE(doc.addElement(L"coloritem", 255) && doc.addElement(L"coloritem", 0));
    ASSERT_TRUE(doc.saveFile(dir.file(L"customcolor.xml")));
    EXPECT_EQ(
        readBytes(dir.file(L"customcolor.xml")),
        "<customcolor>\r\n<coloritem>255</coloritem>\r\n<coloritem>0</coloritem>\r\n</customcolor>\r\n");
    EXPECT_TRUE(contains(doc.resultText(), L"<write encoding=\"UTF-8\" length=\"85\"/>"))
        << narrow(doc.resultText());
}

TEST(XmlFile, MarkFromLoadingIsWrittenAgain) {
    TempFolder dir;
    std::wstring path = dir.file(L"a.xml");
    writeBytes(path, "\xEF\xBB\xBF<a>1</a>");
    XmlDocument doc;
    ASSERT_TRUE(doc.loadFile(path));
    EXPECT_TRUE(doc.flags() & XmlDocument::kUtf8BomFile);
    ASSERT_TRUE(doc.saveFile(dir.file(L"b.xml")));
    ASSERT_TRUE(doc.saveFile(dir.file(L"b.xml")));
    EXPECT_EQ(readBytes(dir.file(L"b.xml")), "\xEF\xBB\xBF<a>1</a>");
}

// ---- reading ------------------------------------------------------------------------------

struct ReadCase {
    const char* label;
    std::string bytes;
    bool loads;
    std::wstring text;     // expected document text ("" skips the check)
    const wchar_t* record; // expected in the result text
};

TEST(XmlFile, ReadingTable) {
    const ReadCase cases[] = {
        {"empty file", "", false, L"", L"<no_root_element/>"},
        {"UTF-8 detected", "\r\n<a>\xE4\xB8\xAD</a>", true, L"\r\n<a>\u4e2d</a>",
         L"<utf8_detection encoding=\"UTF-8\"/>"},
        {"ANSI fallback", "\r\n<a>\xD6\xD0</a>", true, L"\r\n<a>\u4e2d</a>",
         L"<converted_to encoding=\"CP936\""},
        {"undeclared GBK starting with <", "<a>\xD6\xD0\xCE\xC4</a>", true, L"<a>\u4e2d\u6587</a>",
         L"encoding=\"CP936\""},
        {"NUL bytes removed", "<a>x\0\0y</a>"s, true, L"<a>xy</a>", L"<nulls_removed count=\"2\"/>"},
        {"truncated UTF-8", "<a/>\xE4\xB8", true, L"", L"<truncation_error encoding=\"UTF-8\"/>"},
        {"declared UTF-8 truncated", "<?xml version='1.0' encoding='utf-8'?><a/>\xF0\x9F\x98", true, L"",
         L"<truncation_error"},
        {"odd UTF-16 length", "\xFF\xFE<\0a\0/\0>\0!"s, true, L"<a/>",
         L"<truncation_error encoding=\"UTF-16LE\"/>"},
        {"UTF-16BE swapped", "\xFE\xFF\0<\0a\0/\0>"s, true, L"<a/>", L"<endian_swap length=\"4\"/>"},
        {"UTF-16 without mark, declared",
         utf16le(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\u4e2d</a>"), true,
         L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\u4e2d</a>", L"<read encoding=\"UTF-16\""},
        {"UTF-16BE without mark, declared",
         utf16be(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\u4e2d</a>"), true,
         L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\u4e2d</a>", L"<endian_swap"},
        {"says UTF-16 but is 8-bit", "<?xml version=\"1.0\" encoding=\"utf-16\"?><a>\xE4\xB8\xAD</a>", true,
         L"<?xml version=\"1.0\" encoding=\"utf-16\"?><a>\u4e2d</a>", L"<utf8_detection"},
        {"UTF-32 declared", utf32le(L"<?xml version='1.0' encoding='UTF-32'?><a>\xD83D\xDE00</a>"), true,
         L"<?xml version='1.0' encoding='UTF-32'?><a>\xD83D\xDE00</a>", L"<converted_to encoding=\"UTF-32\""},
        {"HTML meta charset", "<html><head><meta charset=\"gb2312\"></head><body>\xD6\xD0</body></html>",
         false, L"<html><head><meta charset=\"gb2312\"></head><body>\u4e2d</body></html>",
         L"<read encoding=\"gb2312\""},
        {"HTML http-equiv",
         "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=GBK\"/></head>"
         "<body>\xD6\xD0</body></html>",
         true, L"", L"<read encoding=\"GBK\""},
        {"unknown declared name", "<?xml version=\"1.0\" encoding=\"x-nothing\"?><a>\xD6\xD0</a>", true,
         L"<?xml version=\"1.0\" encoding=\"x-nothing\"?><a>\u4e2d</a>", L"<read encoding=\"x-nothing\""},
        {"binary junk", "\x01\x02\x80\xff<\x00\x81"s, false, L"", L"<read"},
    };
    TempFolder dir;
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.label);
        std::wstring path = dir.file(L"r.xml");
        writeBytes(path, c.bytes);
        XmlDocument doc;
        EXPECT_EQ(doc.loadFile(path), c.loads) << narrow(doc.resultText());
        if (!c.text.empty()) {
            EXPECT_EQ(doc.documentText(), c.text);
        }
        EXPECT_TRUE(contains(doc.resultText(), c.record)) << narrow(doc.resultText());
        EXPECT_EQ(xmltest::checkIndex(doc), "");
    }
}

TEST(XmlFile, MissingFileFailsWithFileError) {
    TempFolder dir;
    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(L"<keep/>"));
    EXPECT_FALSE(doc.loadFile(dir.file(L"absent.xml")));
    EXPECT_TRUE(contains(doc.resultText(), L"<file_error msg=\"")) << narrow(doc.resultText());
    EXPECT_TRUE(contains(doc.resultText(), L" n=\"2\"/>"));
    EXPECT_EQ(doc.documentText(), L"<keep/>"); // a failed read keeps the document
}

TEST(XmlFile, ResultTextIsCappedAt999Characters) {
    std::wstring text = L"<r>";
    for (int i = 0; i < 500; ++i) text += L"</x>";
    text += L"</r>";
    XmlDocument doc;
    EXPECT_FALSE(doc.setDocument(text.c_str()));
    EXPECT_LE(doc.resultText().size(), 999u);
    EXPECT_GT(doc.resultText().size(), 900u);
}

// ---- atomic saving ------------------------------------------------------------------------

TEST(XmlFile, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    TempFolder dir;
    std::wstring path = dir.file(L"n.xml");
    writeBytes(path, "<old/>\r\n");
    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(L"<new/>\r\n"));

    // Another handle holds the target open without sharing delete: the replacing move fails.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(doc.saveFile(path));
    CloseHandle(h);
    EXPECT_TRUE(contains(doc.resultText(), L"<file_error"));
    EXPECT_EQ(readBytes(path), "<old/>\r\n");
    EXPECT_EQ(dir.entries().size(), 1u);

    EXPECT_FALSE(doc.saveFile(dir.file(L"no\\such\\folder\\n.xml")));
    EXPECT_FALSE(doc.saveFile(dir.path().substr(0, dir.path().size() - 1))); // a folder is not replaced
    EXPECT_EQ(dir.entries().size(), 1u);

    EXPECT_TRUE(doc.saveFile(path));
    EXPECT_EQ(readBytes(path), "<new/>\r\n");
    EXPECT_EQ(dir.entries().size(), 1u);
}

} // namespace
