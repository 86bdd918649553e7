// Files in 8-bit encodings: NUL bytes and units are removed on reading, and characters that the
// file's code page cannot hold survive a save as character references (or, where no reference
// can stand, by the file becoming UTF-8) instead of turning into '?' or a look-alike.
#include "XmlDocument.h"
#include "XmlTestUtil.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

// ---- NUL removal ----------------------------------------------------------------------------

struct NulCase {
    const char* label;
    std::string bytes;
    std::wstring data; // of the root element <r>
    const wchar_t* record;
};

TEST(XmlLegacy, NulBytesAndUnitsAreRemovedOnReading) {
    const NulCase cases[] = {
        {"one NUL in text", "<r>a\0b</r>"s, L"ab", L"<nulls_removed count=\"1\"/>"},
        {"NUL first", "\0<r>ab</r>"s, L"ab", L"<nulls_removed count=\"1\"/>"},
        {"NULs in markup", "<\0r\0>a\0b<\0/r>\0"s, L"ab", L"<nulls_removed count=\"5\"/>"},
        {"NUL inside a GBK character", "<?xml version=\"1.0\" encoding=\"gbk\"?><r>\xD6\0\xD0</r>"s,
         L"\u4e2d", L"<nulls_removed count=\"1\"/>"},
        {"NUL in undeclared GBK", "<r>\xD6\xD0\0\xCE\xC4</r>"s, L"\u4e2d\u6587",
         L"<nulls_removed count=\"1\"/>"},
        {"NUL after a UTF-8 mark", "\xEF\xBB\xBF<r>\xE4\xB8\0\xAD</r>"s, L"\u4e2d",
         L"<nulls_removed count=\"1\"/>"},
        {"NUL unit in UTF-16LE", "\xFF\xFE" + utf16le(L"<r>a"s + L'\0' + L"b</r>"), L"ab",
         L"<nulls_removed count=\"1\"/>"},
        {"NUL unit in UTF-16BE", "\xFE\xFF" + utf16be(L"<r>a"s + L'\0' + L"b</r>"), L"ab",
         L"<nulls_removed count=\"1\"/>"},
    };
    TempFolder dir;
    for (const NulCase& c : cases) {
        SCOPED_TRACE(c.label);
        std::wstring path = dir.file(L"zeros.xml");
        writeBytes(path, c.bytes);
        XmlDocument doc;
        ASSERT_TRUE(doc.loadFile(path)) << narrow(doc.resultText());
        EXPECT_EQ(doc.documentText().find(L'\0'), std::wstring::npos);
        EXPECT_TRUE(contains(doc.resultText(), c.record)) << narrow(doc.resultText());
        ASSERT_TRUE(doc.findElement(L"r"));
        EXPECT_EQ(doc.getData(), c.data);
    }
}

TEST(XmlLegacy, FileOfNulsFailsCleanly) {
    TempFolder dir;
    writeBytes(dir.file(L"z.xml"), std::string(4096, '\0'));
    XmlDocument doc;
    EXPECT_FALSE(doc.loadFile(dir.file(L"z.xml")));
    EXPECT_TRUE(contains(doc.resultText(), L"<no_root_element/>")) << narrow(doc.resultText());
}

// ---- characters the code page cannot hold ---------------------------------------------------

struct LegacyCase {
    const char* label;
    std::string file;      // before loading; holds an element <v/> inside the root <n>
    std::wstring value;    // set as <v>'s data and as its attribute k
    std::string savedData; // <v>'s data as the saved file holds it
    std::string savedAttr; // the attribute's value as the saved file holds it
};

const std::wstring kEmoji = L"\xD83D\xDE00"; // U+1F600

TEST(XmlLegacy, UnmappableCharactersRoundTripAsReferences) {
    const LegacyCase cases[] = {
        {"gb2312: emoji beside Chinese",
         "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<n>\r\n<v/>\r\n</n>\r\n", kEmoji + L"\u4e2d",
         "&#x1F600;\xD6\xD0", "&#x1F600;\xD6\xD0"},
        {"gbk: pair, pair, Thai", "<?xml version=\"1.0\" encoding=\"GBK\"?><n><v/></n>",
         kEmoji + L"\xD83D\xDE01\u0e01", "&#x1F600;&#x1F601;&#xE01;", "&#x1F600;&#x1F601;&#xE01;"},
        {"windows-1252: Chinese beside Latin", "<?xml version='1.0' encoding='windows-1252'?><n><v/></n>",
         L"\u4e2d\u6587 \u00e9", "&#x4E2D;&#x6587; \xE9", "&#x4E2D;&#x6587; \xE9"},
        {"windows-1252: no look-alike for a-macron",
         "<?xml version='1.0' encoding='windows-1252'?><n><v/></n>", L"\u0101", "&#x101;", "&#x101;"},
        {"iso-8859-1", "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><n><v/></n>", L"\u4e2d", "&#x4E2D;",
         "&#x4E2D;"},
        {"undeclared ANSI (GBK bytes)", "<n>\xD6\xD0<v/></n>", kEmoji, "&#x1F600;", "&#x1F600;"},
        {"escapes and literal reference text", "<?xml version=\"1.0\" encoding=\"gb2312\"?><n><v/></n>",
         L"\"" + kEmoji + L"\" &#x41; <", "\"&#x1F600;\" &amp;#x41; &lt;",
         "&quot;&#x1F600;&quot; &amp;#x41; &lt;"},
    };
    for (const LegacyCase& c : cases) {
        SCOPED_TRACE(c.label);
        TempFolder dir;
        std::wstring path = dir.file(L"legacy.xml");
        writeBytes(path, c.file);
        {
            XmlDocument doc;
            ASSERT_TRUE(doc.loadFile(path)) << narrow(doc.resultText());
            ASSERT_TRUE(doc.findElement(L"n") && doc.intoElement() && doc.findElement(L"v"));
            ASSERT_TRUE(doc.setData(c.value) && doc.setAttribute(L"k", c.value));
            ASSERT_TRUE(doc.saveFile(path)) << narrow(doc.resultText());
            EXPECT_FALSE(contains(doc.resultText(), L"conversion_loss")) << narrow(doc.resultText());
        }
        std::string saved = readBytes(path);
        EXPECT_NE(saved.find("<v k=\"" + c.savedAttr + "\">" + c.savedData + "</v>"), std::string::npos)
            << saved;
        EXPECT_EQ(saved.compare(0, 5, c.file, 0, 5), 0) << saved; // the same declaration
        XmlDocument back;
        ASSERT_TRUE(back.loadFile(path)) << narrow(back.resultText());
        ASSERT_TRUE(back.findElement(L"n") && back.intoElement() && back.findElement(L"v"));
        EXPECT_EQ(back.getData(), c.value);
        EXPECT_EQ(back.getAttribute(L"k"), c.value);
    }
}

// A character that no reference can carry (in a name or a comment) makes the whole file UTF-8,
// and the declaration says so.
struct UnicodeCase {
    const char* label;
    std::string file;
    void (*edit)(XmlDocument&);
    std::string savedStart;    // the saved file starts with these bytes
    std::string savedContains; // and holds these
    const wchar_t* name;       // element found after reloading
    std::wstring data;         // and its data
};

TEST(XmlLegacy, UnmappableNamesAndCommentsMakeTheFileUtf8) {
    const UnicodeCase cases[] = {
        {"element name in windows-1252",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<n>\r\n</n>\r\n",
         [](XmlDocument& d) { d.addElement(L"\u8868\u60c5", L"\xD83D\xDE00 \u00e9"); },
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<n>",
         "<\xE8\xA1\xA8\xE6\x83\x85>\xF0\x9F\x98\x80 \xC3\xA9</", L"\u8868\u60c5", L"\xD83D\xDE00 \u00e9"},
        {"attribute name in gbk",
         "<?xml version='1.0' encoding='gbk' standalone='yes'?><n><v>\xD6\xD0</v></n>",
         [](XmlDocument& d) { d.setAttribute(L"\u0e01", L"x"); },
         "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>", "<v \xE0\xB8\x81=\"x\">\xE4\xB8\xAD</v>",
         L"v", L"\u4e2d"},
        {"element name in undeclared ANSI", "<n>\xD6\xD0<v/></n>",
         [](XmlDocument& d) { d.addElement(L"\u0e01", L"y"); }, "<n>\xE4\xB8\xAD<v/>",
         "<\xE0\xB8\x81>y</\xE0\xB8\x81>", L"\u0e01", L"y"},
    };
    for (const UnicodeCase& c : cases) {
        SCOPED_TRACE(c.label);
        TempFolder dir;
        std::wstring path = dir.file(L"u.xml");
        writeBytes(path, c.file);
        {
            XmlDocument doc;
            ASSERT_TRUE(doc.loadFile(path)) << narrow(doc.resultText());
            ASSERT_TRUE(doc.findElement(L"n") && doc.intoElement());
            doc.findElement(L"v");
            c.edit(doc);
            ASSERT_TRUE(doc.saveFile(path)) << narrow(doc.resultText());
            EXPECT_TRUE(contains(doc.resultText(), L"<converted_from encoding=\"UTF-8\""))
                << narrow(doc.resultText());
        }
        std::string saved = readBytes(path);
        EXPECT_EQ(saved.compare(0, c.savedStart.size(), c.savedStart), 0) << saved;
        EXPECT_NE(saved.find(c.savedContains), std::string::npos) << saved;
        XmlDocument back;
        ASSERT_TRUE(back.loadFile(path)) << narrow(back.resultText());
        ASSERT_TRUE(back.findElement(L"n") && back.intoElement() && back.findElement(c.name));
        EXPECT_EQ(back.getData(), c.data);
    }
}

TEST(XmlLegacy, CommentInAnHtmlDocumentWithAMetaCharsetGetsTheUtf8Mark) {
    const std::wstring text =
        L"<html><head><meta charset=\"windows-1252\"/></head><body><!-- \u4e2d -->\u00e9</body></html>";
    TempFolder dir;
    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(text.c_str()));
    ASSERT_TRUE(doc.saveFile(dir.file(L"h.html")));
    std::string saved = readBytes(dir.file(L"h.html"));
    EXPECT_EQ(saved.rfind("\xEF\xBB\xBF<html>", 0), 0u) << saved;
    XmlDocument back;
    ASSERT_TRUE(back.loadFile(dir.file(L"h.html"))) << narrow(back.resultText());
    EXPECT_EQ(back.documentText(), text);
}

TEST(XmlLegacy, MappableTextIsWrittenUnchanged) {
    TempFolder dir;
    const std::string file =
        "<?xml version=\"1.0\" encoding=\"gbk\"?>\r\n<n a=\"\xD6\xD0?\">\xCE\xC4 ? &amp;</n>\r\n";
    writeBytes(dir.file(L"g.xml"), file);
    XmlDocument doc;
    ASSERT_TRUE(doc.loadFile(dir.file(L"g.xml")));
    ASSERT_TRUE(doc.saveFile(dir.file(L"g.xml")));
    EXPECT_EQ(readBytes(dir.file(L"g.xml")), file);
}

TEST(XmlLegacy, UnpairedSurrogateIsReportedAsLost) {
    TempFolder dir;
    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(L"<?xml version=\"1.0\" encoding=\"gb2312\"?><a>\xD800 \u00e9\u0e01</a>"));
    ASSERT_TRUE(doc.saveFile(dir.file(L"g.xml")));
    EXPECT_TRUE(contains(doc.resultText(), L"<conversion_loss")) << narrow(doc.resultText());
    EXPECT_NE(readBytes(dir.file(L"g.xml")).find("&#xE01;</a>"), std::string::npos);
}

} // namespace
