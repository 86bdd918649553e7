// Hostile text: markup openers repeated to a few hundred kilobytes, nested unmatched end tags and
// unterminated quotes must load or fail cleanly, and the shortcuts that keep the parser linear
// (remembered failed searches, the lazily built name index) must give the same answers as the
// plain rules. Functional checks only; the speed is measured by bench_xml.
#include "XmlDocument.h"
#include "XmlTestUtil.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Rec = XmlElementRecord;

constexpr size_t kHostileChars = 400 * 1024;

std::string narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

std::wstring repeated(const std::wstring& unit, size_t chars = kHostileChars) {
    std::wstring out;
    out.reserve(chars + unit.size());
    while (out.size() < chars) out += unit;
    return out;
}

std::wstring times(const std::wstring& unit, size_t n) {
    std::wstring out;
    for (size_t i = 0; i < n; ++i) out += unit;
    return out;
}

size_t countOf(const std::wstring& hay, const std::wstring& needle) {
    size_t n = 0;
    for (size_t at = hay.find(needle); at != std::wstring::npos; at = hay.find(needle, at + 1)) ++n;
    return n;
}

struct HostileCase {
    const char* label;
    std::wstring text;
    bool loads;            // setDocument's result
    const wchar_t* root;   // name of the first top-level element, nullptr: none
    const wchar_t* data;   // its data, when root is given
    const wchar_t* record; // expected in the result text ("" for none)
};

TEST(XmlHostile, RepeatedOpenersLoadOrFailCleanly) {
    const std::wstring big(kHostileChars, L'x');
    const HostileCase cases[] = {
        {"'<?' repeated", repeated(L"<?"), false, nullptr, nullptr,
         L"type=\"processing_instruction\" offset=\"0\""},
        {"'<!--' repeated", repeated(L"<!--"), false, nullptr, nullptr,
         L"<comment_tag_syntax type=\"comment\""},
        {"'<!DOCTYPE ' repeated", repeated(L"<!DOCTYPE "), false, nullptr, nullptr, L"<doctype_tag_syntax"},
        {"'<!DOCTYPE [' repeated", repeated(L"<!DOCTYPE ["), false, nullptr, nullptr, L"<doctype_tag_syntax"},
        {"'<![CDATA[' repeated", repeated(L"<![CDATA["), false, nullptr, nullptr, L"<cdata_section_syntax"},
        {"'<a b=\"' repeated", repeated(L"<a b=\""), false, nullptr, nullptr,
         L"type=\"start_tag\" offset=\"0\""},
        {"'</a b=\"' repeated", repeated(L"</a b=\""), false, nullptr, nullptr,
         L"type=\"end_tag\" offset=\"0\""},
        {"'<' repeated", repeated(L"<"), false, nullptr, nullptr, L"<first_tag_syntax"},
        // Hostile text before a real root: the root is still found and read.
        {"openers before a root", repeated(L"<?<!--<![CDATA[") + L"<r>v</r>", false, L"r", L"v",
         L"<comment_tag_syntax"},
        {"unterminated quotes before a root", repeated(L"<a x='1' y=\"") + L"<r>v</r>", false, L"r", L"v",
         L"<unterminated_tag_syntax"},
        // One terminator at the very end closes the first opener: everything between is one node.
        {"processing instruction closed at the end", repeated(L"<?") + L"?><r>v</r>", true, L"r", L"v", L""},
        {"comment closed at the end", repeated(L"<!--") + L"--><r>v</r>", true, L"r", L"v", L""},
        {"cdata closed at the end", repeated(L"<![CDATA[") + L"]]><r>v</r>", true, L"r", L"v", L""},
        {"doctype closed at the end", repeated(L"<!DOCTYPE ") + L"><r>v</r>", true, L"r", L"v", L""},
        {"doctype subset closed at the end", repeated(L"<!DOCTYPE [") + L"]><r>v</r>", true, L"r", L"v", L""},
        // A failed search must not hide a later terminator of another kind.
        {"open comment, then a closed instruction", L"<!--" + big + L"<?pi?><r>v</r>", false, L"r", L"v",
         L"<comment_tag_syntax"},
        // A declaration whose quote never closes fails; a later plain one still ends at its '>'.
        {"open quoted doctype, then a closed one", L"<!DOCTYPE a \"" + big + L"<!DOCTYPE r><r>v</r>", false,
         L"r", L"v", L"<doctype_tag_syntax type=\"document_type\" offset=\"0\"/>"},
        {"long quoted attribute", L"<r a=\"" + big + L"\">v</r>", true, L"r", L"v", L""},
        {"long name", L"<r" + big + L">v</r" + big + L">", true, nullptr, nullptr, L""},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.label);
        XmlDocument doc;
        EXPECT_EQ(doc.setDocument(c.text.c_str()), c.loads) << narrow(doc.resultText());
        EXPECT_NE(doc.resultText().find(c.record), std::wstring::npos) << narrow(doc.resultText());
        EXPECT_LE(doc.resultText().size(), 999u);
        ASSERT_EQ(xmltest::checkIndex(doc), "");
        if (c.root) {
            ASSERT_TRUE(doc.findElement(c.root));
            EXPECT_EQ(doc.getData(), c.data);
        }
    }
}

TEST(XmlHostile, OpenDoctypeIsReportedOnceAndTheNextDeclarationStillEnds) {
    XmlDocument doc;
    std::wstring text = L"<!DOCTYPE a \"x<!DOCTYPE b [<!ENTITY e '>'>]><r a=\"1\"/>";
    EXPECT_FALSE(doc.setDocument(text.c_str()));
    EXPECT_EQ(countOf(doc.resultText(), L"<doctype_tag_syntax"), 1u) << narrow(doc.resultText());
    ASSERT_TRUE(doc.findElement(L"r"));
    EXPECT_EQ(doc.getAttribute(L"a"), L"1");
}

TEST(XmlHostile, EndTagsDifferingInCaseAreLoneUnlessCaseIsIgnored) {
    const size_t pairs = 40000;
    std::wstring text = repeated(L"<d>", pairs * 3) + repeated(L"</D>", pairs * 4);
    XmlDocument exact;
    EXPECT_FALSE(exact.setDocument(text.c_str()));
    EXPECT_NE(exact.resultText().find(L"<lone_end_tag tagname=\"D\""), std::wstring::npos);
    EXPECT_EQ(exact.elementCount(), pairs + 1);
    ASSERT_EQ(xmltest::checkIndex(exact), "");
    for (uint32_t i = 1; i <= pairs; i += 9999) EXPECT_TRUE(exact.record(i).flags & Rec::kNoEndTag) << i;

    XmlDocument folded;
    folded.setIgnoreCase(true);
    EXPECT_TRUE(folded.setDocument(text.c_str())) << narrow(folded.resultText());
    EXPECT_EQ(folded.record(1).length, text.size());
    EXPECT_EQ(folded.record(pairs).length, 7u); // "<d></D>"
}

TEST(XmlHostile, ManyDistinctOpenNamesThenLoneEndTags) {
    std::wstring open, close;
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        open += L"<e" + std::to_wstring(i) + L">";
        close += L"</z" + std::to_wstring(i) + L">";
    }
    // The last lone end tag is followed by end tags that do match, deepest first.
    std::wstring text = open + close + L"</e" + std::to_wstring(n - 1) + L"></e0>";
    XmlDocument doc;
    EXPECT_FALSE(doc.setDocument(text.c_str()));
    ASSERT_EQ(xmltest::checkIndex(doc), "");
    EXPECT_EQ(doc.record(1).length, text.size());
    EXPECT_FALSE(doc.record(1).flags & Rec::kNoEndTag);
    EXPECT_FALSE(doc.record(n).flags & Rec::kNoEndTag);
    EXPECT_TRUE(doc.record(n / 2).flags & Rec::kNoEndTag);
}

// ---- end-tag matching against the plain rule --------------------------------------------------

// What the parser must decide for each start tag, computed the plain way: an end tag closes the
// topmost open element of its name (case folded when asked); everything open above it, and all
// still open at the end, has no end tag.
struct Expected {
    std::vector<uint32_t> length; // whole element; start tag only when it has no end tag
    std::vector<bool> ended;
};

Expected plainMatch(const std::vector<std::wstring>& tags, bool ignoreCase) {
    auto same = [&](const std::wstring& a, const std::wstring& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i) {
            wchar_t x = a[i], y = b[i];
            if (ignoreCase && x >= L'A' && x <= L'Z') x = wchar_t(x + 32);
            if (ignoreCase && y >= L'A' && y <= L'Z') y = wchar_t(y + 32);
            if (x != y) return false;
        }
        return true;
    };
    Expected e;
    struct Open {
        size_t element;
        std::wstring name;
        uint32_t start;
    };
    std::vector<Open> stack;
    uint32_t pos = 0;
    for (const std::wstring& tag : tags) {
        uint32_t len = uint32_t(tag.size());
        if (tag[1] != L'/') {
            std::wstring name = tag.substr(1, tag.size() - 2);
            stack.push_back({e.length.size(), name, pos});
            e.length.push_back(len);
            e.ended.push_back(false);
        } else {
            std::wstring name = tag.substr(2, tag.size() - 3);
            for (size_t k = stack.size(); k-- > 0;) {
                if (!same(stack[k].name, name)) continue;
                e.length[stack[k].element] = pos + len - stack[k].start;
                e.ended[stack[k].element] = true;
                stack.resize(k);
                break;
            }
        }
        pos += len;
    }
    return e;
}

TEST(XmlHostile, SeededTagSequencesMatchThePlainRule) {
    const wchar_t* const kNames[] = {L"a", L"A", L"b", L"B", L"ab", L"c"};
    std::mt19937 rng(20240611);
    for (int round = 0; round < 400; ++round) {
        std::vector<std::wstring> tags;
        std::wstring text;
        int count = 1 + int(rng() % 60);
        for (int i = 0; i < count; ++i) {
            std::wstring name = kNames[rng() % std::size(kNames)];
            std::wstring tag = rng() % 2 ? L"<" + name + L">" : L"</" + name + L">";
            tags.push_back(tag);
            text += tag;
        }
        for (bool ignoreCase : {false, true}) {
            SCOPED_TRACE(narrow(text) + (ignoreCase ? " (case ignored)" : ""));
            Expected want = plainMatch(tags, ignoreCase);
            XmlDocument doc;
            doc.setIgnoreCase(ignoreCase);
            doc.setDocument(text.c_str());
            ASSERT_EQ(xmltest::checkIndex(doc), "");
            ASSERT_EQ(doc.elementCount(), want.length.size() + 1);
            for (uint32_t i = 0; i < want.length.size(); ++i) {
                Rec r = doc.record(i + 1);
                EXPECT_EQ(r.length, want.length[i]) << "element " << i;
                EXPECT_EQ(!(r.flags & Rec::kNoEndTag), bool(want.ended[i])) << "element " << i;
            }
        }
    }
}

// ---- character data --------------------------------------------------------------------------

struct DataCase {
    const char* label;
    std::wstring content; // between <r> and </r>
    std::wstring data;    // getData
};

TEST(XmlHostile, ReferencesAndStrayMarkupInLongContentReadBack) {
    const DataCase cases[] = {
        {"'&#x' repeated", repeated(L"&#x", 90000), repeated(L"&#x", 90000)},
        {"'&#' repeated", repeated(L"&#", 90000), repeated(L"&#", 90000)},
        {"one long number", L"&#" + std::wstring(90000, L'9') + L";",
         L"&#" + std::wstring(90000, L'9') + L";"},
        {"one long name", L"&" + std::wstring(90000, L'a') + L";", L"&" + std::wstring(90000, L'a') + L";"},
        {"ampersands", repeated(L"&amp", 90000), repeated(L"&amp", 90000)},
        {"valid references", times(L"&lt;&#x1F600;", 7000), times(L"<\xD83D\xDE00", 7000)},
    };
    for (const DataCase& c : cases) {
        SCOPED_TRACE(c.label);
        XmlDocument doc;
        std::wstring text = L"<r>" + c.content + L"</r>";
        ASSERT_TRUE(doc.setDocument(text.c_str())) << narrow(doc.resultText());
        ASSERT_TRUE(doc.findElement(L"r"));
        EXPECT_EQ(doc.getData(), c.data);
    }
}

} // namespace
