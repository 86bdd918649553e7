// Hostile input: truncated documents, seeded random damage and random edits. Every parse must
// leave a consistent index, and edits of a well-formed document must keep the index equal to
// what a fresh parse of the edited text gives. Seeds are fixed so every failure replays.
#include "XmlDocument.h"
#include "XmlTestUtil.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace std::string_literals;

namespace {

const wchar_t* const kBaseDocuments[] = {
    L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<!DOCTYPE n [<!ENTITY e \"x\">]>\r\n"
    L"<n a=\"1\" b='x&amp;y'>\r\n<t>\u4e2d &lt; &#x1F600;</t>\r\n<!-- c -->\r\n"
    L"<c><![CDATA[<raw>]]></c>\r\n<g><i>1</i><i/><?pi x?></g>\r\n</n>\r\n",
    L"<r><a><b><c>deep</c></b></a><e k=\"v\"/></r>",
};

void exercise(XmlDocument& doc) {
    ASSERT_EQ(xmltest::checkIndex(doc), "");
    xmltest::outline(doc); // every cursor path terminates without fault
    EXPECT_LE(doc.resultText().size(), 999u);
}

TEST(XmlFuzz, EveryPrefixOfADocumentParsesSafely) {
    for (const wchar_t* base : kBaseDocuments) {
        std::wstring text = base;
        for (size_t n = 0; n <= text.size(); ++n) {
            XmlDocument doc;
            doc.setDocument(text.substr(0, n).c_str());
            SCOPED_TRACE(n);
            exercise(doc);
        }
    }
}

TEST(XmlFuzz, EveryByteTruncationOfAFileLoadsSafely) {
    const std::string files[] = {
        "<n>\xE4\xB8\xAD\xF0\x9F\x98\x80<a k='\xE6\x96\x87'/></n>",
        "\xFF\xFE<\0n\0>\0-N</\0n\0>\0"s,
        "\xFE\xFF\0<\0n\0>N-\0<\0/\0n\0>"s,
        "<?xml version=\"1.0\" encoding=\"gbk\"?><n>\xD6\xD0\xCE\xC4</n>",
        "\xEF\xBB\xBF<n>\xC3\xA9</n>",
    };
    TempFolder dir;
    std::wstring path = dir.file(L"t.xml");
    for (const std::string& full : files) {
        for (size_t n = 0; n <= full.size(); ++n) {
            writeBytes(path, full.substr(0, n));
            XmlDocument doc;
            doc.loadFile(path);
            SCOPED_TRACE(n);
            exercise(doc);
        }
    }
}

std::wstring damage(std::wstring text, std::mt19937& rng) {
    static const wchar_t* const kPieces[] = {L"<",      L">",   L"</",        L"/>",  L"<a>", L"</a>",
                                             L"<b x='", L"\"",  L"'",         L"&",   L"&#x", L";",
                                             L"<!--",   L"-->", L"<![CDATA[", L"]]>", L"<?",  L"<!DOCTYPE",
                                             L"[",      L"]",   L"\xD83D",    L"=",   L" ",   L"\r\n"};
    int edits = 1 + int(rng() % 6);
    for (int e = 0; e < edits; ++e) {
        size_t at = text.empty() ? 0 : rng() % (text.size() + 1);
        switch (rng() % 4) {
        case 0:
            text.insert(at, kPieces[rng() % std::size(kPieces)]);
            break;
        case 1:
            if (at < text.size()) text.erase(at, 1 + rng() % 8);
            break;
        case 2:
            if (at < text.size()) text[at] = wchar_t(1 + rng() % 0xFFFE);
            break;
        default:
            text.insert(at, text.substr(rng() % (text.size() + 1), rng() % 20));
            break;
        }
    }
    return text;
}

// One random cursor move or edit; failures are fine, faults are not.
void randomStep(XmlDocument& doc, std::mt19937& rng) {
    static const wchar_t* const kNames[] = {L"i", L"t", L"g", L"c", L"n", L"a", nullptr};
    switch (rng() % 10) {
    case 0:
        doc.findElement(kNames[rng() % std::size(kNames)]);
        break;
    case 1:
        doc.intoElement();
        break;
    case 2:
        doc.outOfElement();
        break;
    case 3:
        doc.setData(L"v<&>" + std::to_wstring(rng() % 100));
        break;
    case 4:
        doc.setAttribute(L"k", L"\"" + std::to_wstring(rng() % 100));
        break;
    case 5:
        doc.addElement(L"i", rng() % 2 ? std::wstring() : L"x");
        break;
    case 6:
        doc.removeElement();
        break;
    case 7:
        doc.getData();
        break;
    case 8:
        doc.getAttribute(L"a");
        break;
    default:
        doc.findElement();
        break;
    }
}

TEST(XmlFuzz, SeededDamageParsesSafely) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        std::wstring text = damage(kBaseDocuments[seed % 2], rng);
        XmlDocument doc;
        doc.setDocument(text.c_str());
        SCOPED_TRACE(seed);
        exercise(doc);
        for (int step = 0; step < 40; ++step) {
            randomStep(doc, rng);
            ASSERT_EQ(xmltest::checkIndex(doc), "") << "step " << step;
        }
    }
}

TEST(XmlFuzz, SeededEditsKeepTheIndexEqualToAFreshParse) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        XmlDocument doc;
        ASSERT_TRUE(doc.setDocument(kBaseDocuments[seed % 2]));
        for (int step = 0; step < 60; ++step) randomStep(doc, rng);
        SCOPED_TRACE(seed);
        ASSERT_EQ(xmltest::checkIndex(doc), "");
        XmlDocument fresh;
        EXPECT_EQ(fresh.setDocument(doc.documentText().c_str()), doc.isWellFormed());
        EXPECT_EQ(xmltest::structure(doc), xmltest::structure(fresh));
    }
}

TEST(XmlFuzz, SeededBinaryFilesLoadSafely) {
    TempFolder dir;
    std::wstring path = dir.file(L"b.xml");
    for (unsigned seed = 1; seed <= 60; ++seed) {
        std::mt19937 rng(seed);
        std::string bytes(rng() % 4096, '\0');
        for (char& c : bytes) c = char(rng() % 4 == 0 ? "<>/&"[rng() % 4] : rng());
        if (seed % 3 == 0 && bytes.size() > 2) bytes[0] = '\xFF', bytes[1] = '\xFE';
        writeBytes(path, bytes);
        XmlDocument doc;
        doc.loadFile(path);
        SCOPED_TRACE(seed);
        exercise(doc);
    }
}

} // namespace
