// Parsing, cursor, editing and escaping of the XML document (no files).
#include "XmlCharset.h"
#include "XmlDocument.h"
#include "XmlEscape.h"
#include "XmlTestUtil.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Rec = XmlElementRecord;

struct ParseCase {
    const char* label;
    const wchar_t* text;
    bool ok;                // setDocument's result
    bool wellFormed;        // isWellFormed afterwards
    const wchar_t* records; // expected in the result text ("" for none)
};

const ParseCase kParseCases[] = {
    {"empty", L"", false, false, L"<no_root_element/>"},
    {"only text", L"hello", false, false, L"<no_root_element/>"},
    {"single empty element", L"<a/>", true, true, L""},
    {"declaration and comment", L"<?xml version=\"1.0\"?>\r\n<!-- c --><a>x</a>\r\n", true, true, L""},
    {"doctype with subset", L"<!DOCTYPE a [<!ELEMENT a ANY> <!ENTITY e \"]>\">]><a/>", true, true, L""},
    {"cdata with markup", L"<a><![CDATA[<b></a>]]></a>", true, true, L""},
    {"quoted greater-than", L"<a t='x>y'><b/></a>", true, true, L""},
    {"unended child", L"<a><b></a>", false, false,
     L"<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"6\"/>"},
    {"lone end tag", L"<a></b></a>", false, false, L"<lone_end_tag tagname=\"b\" offset=\"3\"/>"},
    {"two roots", L"<a/><b/>", false, false, L"<root_has_sibling tagname=\"b\" offset=\"4\"/>"},
    {"root never closed", L"<a><b/>", false, false, L"<unended_start_tag tagname=\"a\""},
    {"unterminated start tag", L"<a><b x=\"1\"</a>", false, false,
     L"<unterminated_tag_syntax type=\"start_tag\" offset=\"3\"/>"},
    {"unterminated end tag", L"<a></a", false, false, L"type=\"end_tag\""},
    {"bad first character", L"<a>1 < 2</a>", false, false, L"<first_tag_syntax type=\"tag\" offset=\"5\"/>"},
    {"open processing instruction", L"<a/><?pi", false, false, L"type=\"processing_instruction\""},
    {"open comment", L"<a/><!-- x", false, false, L"<comment_tag_syntax type=\"comment\""},
    {"open cdata", L"<a><![CDATA[x</a>", false, false, L"<cdata_section_syntax type=\"cdata_section\""},
    {"open doctype", L"<!DOCTYPE a [ <a/>", false, false, L"<doctype_tag_syntax type=\"document_type\""},
    {"unknown exclamation", L"<a><!x></a>", false, false, L"<exclamation_tag_syntax type=\"tag\""},
    {"end tag name is a prefix", L"<ab></a></ab>", false, false, L"<lone_end_tag tagname=\"a\""},
    {"lone less-than at end", L"<a/><", false, false, L"<unterminated_tag_syntax type=\"tag\""},
};

TEST(XmlParse, DocumentTable) {
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(c.label);
        XmlDocument doc;
        EXPECT_EQ(doc.setDocument(c.text), c.ok);
        EXPECT_EQ(doc.isWellFormed(), c.wellFormed);
        if (*c.records)
            EXPECT_NE(doc.resultText().find(c.records), std::wstring::npos)
                << "result text: " << std::string(doc.resultText().begin(), doc.resultText().end());
        else
            EXPECT_EQ(doc.resultText(), L"");
        EXPECT_EQ(xmltest::checkIndex(doc), "");
    }
}

TEST(XmlParse, NullTextIsEmptyDocument) {
    XmlDocument doc;
    EXPECT_FALSE(doc.setDocument(nullptr));
    EXPECT_EQ(doc.documentText(), L"");
    EXPECT_FALSE(doc.findElement());
}

TEST(XmlParse, UnendedChildIsFlaggedAndItsChildrenMoveUp) {
    XmlDocument doc;
    EXPECT_FALSE(doc.setDocument(L"<r><a><b/><c>t</c></r>"));
    ASSERT_TRUE(doc.findElement(L"r"));
    ASSERT_TRUE(doc.intoElement());
    ASSERT_TRUE(doc.findElement(L"a"));
    Rec a = doc.currentRecord();
    EXPECT_TRUE(a.flags & Rec::kNoEndTag);
    EXPECT_EQ(a.length, 3u);
    EXPECT_EQ(a.firstChild, 0u);
    EXPECT_EQ(doc.getData(), L"");
    // b and c are now a's following siblings, one level up.
    ASSERT_TRUE(doc.findElement());
    EXPECT_EQ(doc.currentName(), L"b");
    EXPECT_EQ(doc.currentRecord().flags & Rec::kLevelMask, 1u);
    EXPECT_FALSE(doc.currentRecord().flags & Rec::kFirstChild);
    ASSERT_TRUE(doc.findElement());
    EXPECT_EQ(doc.getData(), L"t");
    EXPECT_FALSE(doc.findElement());
    EXPECT_TRUE(doc.record(1).flags & Rec::kContentIllFormed);
    EXPECT_TRUE(doc.record(0).flags & Rec::kDocumentIllFormed);
    EXPECT_EQ(xmltest::checkIndex(doc), "");
}

TEST(XmlParse, RecordFieldsOfAWellFormedDocument) {
    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(L"<r k=\"v\"><a/><b>x</b ><c/></r>"));
    Rec root = doc.record(1);
    EXPECT_EQ(root.start, 0u);
    EXPECT_EQ(root.length, 30u);
    EXPECT_EQ(root.tagLengths & 0x3FFFFF, 9u);
    EXPECT_EQ(root.tagLengths >> 22, 4u);
    EXPECT_TRUE(root.flags & Rec::kFirstChild);
    Rec a = doc.record(2), b = doc.record(3);
    EXPECT_EQ(a.tagLengths, 4u); // empty form: no end tag
    EXPECT_EQ(b.tagLengths >> 22, 5u);
    EXPECT_EQ(root.firstChild, 2u);
    EXPECT_EQ(a.prevSibling, 4u); // the first child names the last
    EXPECT_EQ(doc.record(4).prevSibling, 3u);
    EXPECT_EQ(doc.record(4).nextSibling, 0u);
    EXPECT_EQ(doc.record(0).length, doc.documentText().size());
    EXPECT_EQ(doc.elementCount(), 5u);
}

TEST(XmlParse, HundredThousandLevelsNeitherRecurseNorOverflow) {
    const int depth = 100000;
    std::wstring text;
    for (int i = 0; i < depth; ++i) text += L"<d>";
    std::wstring closed = text;
    for (int i = 0; i < depth; ++i) closed += L"</d>";

    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(closed.c_str()));
    int reached = 0;
    while (doc.findElement(L"d") && doc.intoElement()) ++reached;
    EXPECT_EQ(reached, depth);
    EXPECT_EQ(doc.record(depth).flags & Rec::kLevelMask, 0xFFFFu); // level saturates

    XmlDocument open;
    EXPECT_FALSE(open.setDocument(text.c_str())); // every element unended: all end up top level
    EXPECT_EQ(xmltest::checkIndex(open), "");
    EXPECT_EQ(open.record(depth).parent, 0u);
}

TEST(XmlParse, ManyLoneEndTagsInADeepDocumentStayLinear) {
    std::wstring text;
    for (int i = 0; i < 50000; ++i) text += L"<d>";
    for (int i = 0; i < 50000; ++i) text += L"</x>";
    XmlDocument doc;
    EXPECT_FALSE(doc.setDocument(text.c_str()));
    EXPECT_LE(doc.resultText().size(), 999u);
}

TEST(XmlParse, IndexPagesBeyondOnePage) {
    std::wstring text = L"<r>";
    for (int i = 0; i < 70000; ++i) text += L"<e>" + std::to_wstring(i) + L"</e>";
    text += L"</r>";
    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(text.c_str()));
    EXPECT_EQ(doc.elementCount(), 70002u);
    ASSERT_TRUE(doc.findElement(L"r"));
    ASSERT_TRUE(doc.intoElement());
    int n = 0;
    std::wstring last;
    while (doc.findElement(L"e")) {
        ++n;
        if (n == 65536 || n == 70000) last = doc.getData();
    }
    EXPECT_EQ(n, 70000);
    EXPECT_EQ(last, L"69999");
    EXPECT_EQ(doc.record(65537).parent, 1u);
}

TEST(XmlParse, IgnoreCaseMatchesEndTagsAndNames) {
    XmlDocument doc;
    doc.setIgnoreCase(true);
    ASSERT_TRUE(doc.setDocument(L"<Root><Item/></ROOT>"));
    EXPECT_TRUE(doc.findElement(L"root"));
    XmlDocument exact;
    EXPECT_FALSE(exact.setDocument(L"<Root><Item/></ROOT>"));
}

// ---- cursor -------------------------------------------------------------------------------

TEST(XmlCursor, FindVisitsEachMatchingSiblingOnceInOrder) {
    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(L"<r><i>1</i><x/><i>2</i><i>3</i></r>"));
    ASSERT_TRUE(doc.findElement(L"r"));
    ASSERT_TRUE(doc.intoElement());
    std::wstring seen;
    while (doc.findElement(L"i")) seen += doc.getData();
    EXPECT_EQ(seen, L"123");
    EXPECT_EQ(doc.getData(), L"3"); // the failed find left the cursor on the last match
}

TEST(XmlCursor, FailuresLeaveDocumentAndCursorUnchanged) {
    struct Case {
        const char* label;
        bool (*prepare)(XmlDocument&); // moves the cursor into the state under test
        bool (*op)(XmlDocument&);
    };
    auto toRoot = [](XmlDocument& d) { return d.findElement(L"r"); };
    auto beforeChildren = [](XmlDocument& d) { return d.findElement(L"r") && d.intoElement(); };
    auto onUnended = [](XmlDocument& d) {
        return d.findElement(L"r") && d.intoElement() && d.findElement(L"u");
    };
    auto onEmptyRoot = [](XmlDocument&) { return true; };
    const Case cases[] = {
        {"into with no current", onEmptyRoot, [](XmlDocument& d) { return d.intoElement(); }},
        {"out of top level", toRoot, [](XmlDocument& d) { return d.outOfElement(); }},
        {"find missing name", beforeChildren, [](XmlDocument& d) { return d.findElement(L"nope"); }},
        {"find past the last", toRoot, [](XmlDocument& d) { return d.findElement(); }},
        {"setData before children", beforeChildren, [](XmlDocument& d) { return d.setData(L"x"); }},
        {"setAttribute before children", beforeChildren,
         [](XmlDocument& d) { return d.setAttribute(L"k", L"v"); }},
        {"setAttribute bad name", toRoot, [](XmlDocument& d) { return d.setAttribute(L"a b", L"v"); }},
        {"addElement bad name", toRoot, [](XmlDocument& d) { return d.addElement(L"<x", L"v"); }},
        {"addElement null name", toRoot, [](XmlDocument& d) { return d.addElement(nullptr, L"v"); }},
        {"remove before children", beforeChildren, [](XmlDocument& d) { return d.removeElement(); }},
        {"setData on element without end tag", onUnended, [](XmlDocument& d) { return d.setData(L"x"); }},
        {"add child to element without end tag",
         [](XmlDocument& d) {
             return d.findElement(L"r") && d.intoElement() && d.findElement(L"u") && d.intoElement();
         },
         [](XmlDocument& d) { return d.addElement(L"c", L"1"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        XmlDocument doc;
        doc.setDocument(L"<r><u><k>1</k></r>");
        ASSERT_TRUE(c.prepare(doc));
        std::wstring before = doc.documentText();
        Rec cur = doc.currentRecord();
        std::wstring name = doc.currentName();
        EXPECT_FALSE(c.op(doc));
        EXPECT_EQ(doc.documentText(), before);
        EXPECT_EQ(doc.currentRecord().start, cur.start);
        EXPECT_EQ(doc.currentName(), name);
    }
}

TEST(XmlCursor, OutOfElementRemembersTheChild) {
    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(L"<r><a/><b/><c/></r>"));
    ASSERT_TRUE(doc.findElement(L"r") && doc.intoElement() && doc.findElement(L"b"));
    ASSERT_TRUE(doc.outOfElement());
    EXPECT_EQ(doc.currentName(), L"r");
    ASSERT_TRUE(doc.intoElement()); // back on the remembered child
    EXPECT_EQ(doc.currentName(), L"b");
    EXPECT_TRUE(doc.findElement());
    EXPECT_EQ(doc.currentName(), L"c");
}

TEST(XmlCursor, GetDataAndAttributes) {
    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(L"<r a=\"1 &amp; 2\" b='q&quot;' c=bare d><p><q/></p>"
                                L"<t>x<!-- no -->y<![CDATA[&amp;<z>]]>&lt;</t></r>"));
    ASSERT_TRUE(doc.findElement(L"r"));
    EXPECT_EQ(doc.getAttribute(L"a"), L"1 & 2");
    EXPECT_EQ(doc.getAttribute(L"b"), L"q\"");
    EXPECT_EQ(doc.getAttribute(L"c"), L"bare");
    EXPECT_EQ(doc.getAttribute(L"d"), L"");
    EXPECT_EQ(doc.getAttribute(L"missing"), L"");
    EXPECT_EQ(doc.getAttribute(nullptr), L"");
    ASSERT_TRUE(doc.intoElement() && doc.findElement(L"p"));
    EXPECT_EQ(doc.getData(), L""); // holds child elements
    ASSERT_TRUE(doc.findElement(L"t"));
    EXPECT_EQ(doc.getData(), L"xy&amp;<z><");
}

// ---- escaping -----------------------------------------------------------------------------

TEST(XmlEscape, ReferencesDecodeOrStayLiteral) {
    struct Case {
        const wchar_t* stored;
        std::wstring read;
    };
    const Case cases[] = {
        {L"&#65;&#x4e2d;", L"A\u4e2d"},
        {L"&#x1F600;", L"\xD83D\xDE00"},
        {L"&#128512;", L"\xD83D\xDE00"},
        {L"&#0;", L"&#0;"},
        {L"&#x110000;", L"&#x110000;"},
        {L"&#xD800;", L"&#xD800;"},
        {L"&#99999999999999999999;", L"&#99999999999999999999;"},
        {L"&#;&#x;&#X41;", L"&#;&#x;&#X41;"},
        {L"&nbsp;&copy;&thetasym;&apos;&quot;", L"\u00a0\u00a9\u03d1'\""},
        {L"&bogus;&amp", L"&bogus;&amp"},
        {L"&amp;lt;", L"&lt;"},
        {L"a & b", L"a & b"},
        {L"&verylongname;", L"&verylongname;"},
        {L"&&amp;", L"&&"},
    };
    for (const Case& c : cases) {
        XmlDocument doc;
        std::wstring text = std::wstring(L"<a v=\"") + c.stored + L"\">" + c.stored + L"</a>";
        ASSERT_TRUE(doc.setDocument(text.c_str())) << std::string(text.begin(), text.end());
        ASSERT_TRUE(doc.findElement(L"a"));
        EXPECT_EQ(doc.getData(), c.read);
        EXPECT_EQ(doc.getAttribute(L"v"), c.read);
    }
    EXPECT_EQ(xmlesc::entityCount(), 253u);
}

TEST(XmlEscape, ValuesRoundTripAndAreStoredEscaped) {
    const std::wstring value = L"a<b & c>d \"q\" 'p' \u4e2d\xD83D\xDE00 &amp;";
    XmlDocument doc;
    ASSERT_TRUE(doc.addElement(L"r"));
    ASSERT_TRUE(doc.setAttribute(L"k", value));
    ASSERT_TRUE(doc.intoElement());
    ASSERT_TRUE(doc.addElement(L"v", value));
    EXPECT_EQ(doc.documentText(),
              L"<r k=\"a&lt;b &amp; c&gt;d &quot;q&quot; &apos;p&apos; \u4e2d\xD83D\xDE00 &amp;amp;\">\r\n"
              L"<v>a&lt;b &amp; c&gt;d \"q\" 'p' \u4e2d\xD83D\xDE00 &amp;amp;</v>\r\n</r>\r\n");
    XmlDocument back;
    ASSERT_TRUE(back.setDocument(doc.documentText().c_str()));
    ASSERT_TRUE(back.findElement(L"r"));
    EXPECT_EQ(back.getAttribute(L"k"), value);
    ASSERT_TRUE(back.intoElement() && back.findElement(L"v"));
    EXPECT_EQ(back.getData(), value);
}

TEST(XmlCharset, NamesMapToCodePages) {
    struct Case {
        const wchar_t* name;
        unsigned cp;
    };
    const Case cases[] = {
        {L"utf-8", 65001},       {L"UTF-8", 65001},       {L"gb2312", 936},
        {L"GBK", 936},           {L"chinese", 936},       {L"gb18030", 54936},
        {L"big5", 950},          {L"Shift_JIS", 932},     {L"utf-16", 1200},
        {L"unicode", 1200},      {L"ucs-2", 1200},        {L"UTF-16BE", 1201},
        {L"unicodeFFFE", 1201},  {L"iso-8859-1", 28591},  {L"us-ascii", 20127},
        {L"windows-1252", 1252}, {L"UTF-32", 65005},      {L"utf-32", 65005},
        {L"koi8-r", 20866},      {L"no-such-charset", 0}, {L"", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(xmlcs::codePageForName(c.name), c.cp) << std::string(c.name, c.name + wcslen(c.name));
    std::wstring longName(100, L'a');
    EXPECT_EQ(xmlcs::codePageForName(longName), 0u);
    EXPECT_GE(xmlcs::charsetNameCount(), 360u);
}

// ---- layout of built documents --------------------------------------------------------------

struct LayoutCase {
    const char* label;
    const wchar_t* start;       // document before (nullptr: new document)
    void (*edit)(XmlDocument&); // must succeed
    const wchar_t* expected;
};

const LayoutCase kLayoutCases[] = {
    {"customcolor", nullptr,
     [](XmlDocument& d) {
         ASSERT_TRUE(d.addElement(L"customcolor"));
         ASSERT_TRUE(d.intoElement());
         ASSERT_TRUE(d.addElement(L"coloritem", 255));
         ASSERT_TRUE(d.addElement(L"coloritem", 0));
     },
     L"<customcolor>\r\n<coloritem>255</coloritem>\r\n<coloritem>0</coloritem>\r\n</customcolor>\r\n"},
    {"child of empty form keeps attributes", L"<r>\r\n<g id=\"7\" />\r\n</r>\r\n",
     [](XmlDocument& d) {
         ASSERT_TRUE(d.findElement(L"r") && d.intoElement() && d.findElement(L"g") && d.intoElement());
         ASSERT_TRUE(d.addElement(L"k", L"v"));
     },
     L"<r>\r\n<g id=\"7\" >\r\n<k>v</k>\r\n</g>\r\n</r>\r\n"},
    {"nested groups", nullptr,
     [](XmlDocument& d) {
         ASSERT_TRUE(d.addElement(L"s") && d.intoElement());
         ASSERT_TRUE(d.addElement(L"a", 1) && d.addElement(L"g") && d.intoElement());
         ASSERT_TRUE(d.addElement(L"x", -5) && d.outOfElement());
         ASSERT_TRUE(d.addElement(L"b", L""));
     },
     L"<s>\r\n<a>1</a>\r\n<g>\r\n<x>-5</x>\r\n</g>\r\n<b/>\r\n</s>\r\n"},
    {"append as last child", L"<r>\r\n<a/>\r\n</r>",
     [](XmlDocument& d) { ASSERT_TRUE(d.findElement(L"r") && d.intoElement() && d.addElement(L"b", L"2")); },
     L"<r>\r\n<a/>\r\n<b>2</b>\r\n</r>"},
    {"insert between siblings", L"<r>\r\n<a/>\r\n<c/>\r\n</r>\r\n",
     [](XmlDocument& d) {
         ASSERT_TRUE(d.findElement(L"r") && d.intoElement() && d.findElement(L"a") && d.addElement(L"b"));
     },
     L"<r>\r\n<a/>\r\n<b/>\r\n<c/>\r\n</r>\r\n"},
    {"child of element with empty content", L"<r></r>",
     [](XmlDocument& d) { ASSERT_TRUE(d.findElement(L"r") && d.intoElement() && d.addElement(L"a")); },
     L"<r>\r\n<a/>\r\n</r>"},
    {"remove takes following white space", L"<r>\r\n<a/>\r\n  <b>1</b> \r\n<c/>\r\n</r>\r\n",
     [](XmlDocument& d) {
         ASSERT_TRUE(d.findElement(L"r") && d.intoElement() && d.findElement(L"b") && d.removeElement());
         ASSERT_EQ(d.currentName(), L"a"); // the previous sibling becomes current
     },
     L"<r>\r\n<a/>\r\n  <c/>\r\n</r>\r\n"},
    {"remove first child", L"<r>\r\n<a/>\r\n<b/>\r\n</r>\r\n",
     [](XmlDocument& d) {
         ASSERT_TRUE(d.findElement(L"r") && d.intoElement() && d.findElement(L"a") && d.removeElement());
         ASSERT_TRUE(d.findElement()); // cursor is before the first child again
         ASSERT_EQ(d.currentName(), L"b");
     },
     L"<r>\r\n<b/>\r\n</r>\r\n"},
    {"rewrite of a file: remove root, add again", L"<?xml version=\"1.0\"?>\r\n<n>\r\n<a>1</a>\r\n</n>\r\n",
     [](XmlDocument& d) {
         ASSERT_TRUE(d.findElement(L"n") && d.removeElement());
         ASSERT_TRUE(d.addElement(L"n") && d.intoElement() && d.addElement(L"a", 2));
     },
     L"<?xml version=\"1.0\"?>\r\n<n>\r\n<a>2</a>\r\n</n>\r\n"},
    {"setAttribute inserts at end of start tag", L"<r x=\"1\"><e/></r>",
     [](XmlDocument& d) {
         ASSERT_TRUE(d.findElement(L"r") && d.setAttribute(L"y", 2));
         ASSERT_TRUE(d.intoElement() && d.findElement(L"e") && d.setAttribute(L"z", L"\""));
     },
     L"<r x=\"1\" y=\"2\"><e z=\"&quot;\"/></r>"},
    {"setAttribute replaces value in place", L"<r a='old' b=bare c><e/></r>",
     [](XmlDocument& d) {
         ASSERT_TRUE(d.findElement(L"r") && d.setAttribute(L"a", L"new"));
         ASSERT_TRUE(d.setAttribute(L"b", L"q") && d.setAttribute(L"c", L"w"));
     },
     L"<r a='new' b=\"q\" c=\"w\"><e/></r>"},
    {"setData replaces content and children", L"<r><a>1</a><b><c/></b><d/></r>",
     [](XmlDocument& d) {
         ASSERT_TRUE(d.findElement(L"r") && d.intoElement() && d.findElement(L"a") && d.setData(L"22"));
         ASSERT_TRUE(d.findElement(L"b") && d.setData(L"<"));
         ASSERT_TRUE(d.findElement(L"d") && d.setData(7));
     },
     L"<r><a>22</a><b>&lt;</b><d>7</d></r>"},
};

TEST(XmlLayout, BuiltDocumentsAreByteExact) {
    for (const LayoutCase& c : kLayoutCases) {
        SCOPED_TRACE(c.label);
        XmlDocument doc;
        if (c.start) doc.setDocument(c.start);
        c.edit(doc);
        EXPECT_EQ(doc.documentText(), c.expected);
        EXPECT_EQ(xmltest::checkIndex(doc), "");
        // The patched index describes the same tree as a fresh parse of the text.
        XmlDocument fresh;
        fresh.setDocument(doc.documentText().c_str());
        EXPECT_EQ(xmltest::structure(fresh), xmltest::structure(doc));
    }
}

TEST(XmlLayout, EditedDocumentStaysNavigable) {
    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(L"<r>\r\n<a>1</a>\r\n<b>2</b>\r\n</r>\r\n"));
    ASSERT_TRUE(doc.findElement(L"r") && doc.intoElement() && doc.findElement(L"a"));
    ASSERT_TRUE(doc.setData(L"long value"));
    ASSERT_TRUE(doc.findElement(L"b"));
    EXPECT_EQ(doc.getData(), L"2");
    ASSERT_TRUE(doc.outOfElement());
    EXPECT_TRUE(doc.isWellFormed());
    EXPECT_EQ(doc.record(0).length, doc.documentText().size());
    EXPECT_EQ(doc.currentRecord().length, doc.documentText().size() - 2);
}

} // namespace
