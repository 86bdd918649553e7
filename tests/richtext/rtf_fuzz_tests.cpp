// A bounded, replayable fuzz run of the reader over mutated documents: every input must end
// with a result code, never a crash or hang, and a failed parse must insert nothing.
#include "CRtfReader.h"
#include "CRtfWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> seedDocuments() {
    RtfDocument doc;
    doc.codePage = 936;
    doc.fontFamilies = {L"宋体", L"Arial"};
    doc.colors = {0xFF000000, 0xFFFF0000};
    const std::wstring text = L"便签 note\t{x}\\y\r第二行";
    for (size_t k = 0; k < text.size(); ++k) {
        RtfRun r;
        r.text = std::wstring(1, text[k]);
        r.font = int(k % 2);
        r.argb = k % 3 ? 0xFF000000 : 0xFFFF0000;
        r.sizePixels = 16;
        r.bold = k % 4 == 0;
        doc.runs.push_back(r);
    }
    return {
        rtfToString(doc),
        "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil{\\*\\panose 0}Arial;}}{\\colortbl;\\red1\\green2\\blue3;}"
        "{\\info{\\title t}}\\pard\\plain\\f0\\fs24\\cf1 a{\\b b}\\'d6\\'d0\\par{\\pict\\bin4 {}\\}"
        "\\u20013?\\ldblquote c\\rdblquote}",
    };
}

// One random change of a kind that has broken RTF readers before.
void mutate(std::string& s, std::mt19937& rng) {
    auto pick = [&](size_t n) { return n ? size_t(rng() % n) : size_t(0); };
    static const char* const inserts[] = {
        "{",
        "}",
        "\\",
        "\\'",
        "\\bin",
        "\\bin99999999 ",
        "\\*",
        "\\fs999999999999999999",
        "\\f-2147483648",
        "\\cf4294967296",
        "\\par",
        "\\'00",
        "\\'d6",
        "\\fonttbl",
        "\\colortbl",
        "\\red300",
        "\\u-5",
    };
    switch (rng() % 7) {
    case 6: // a NUL byte
        s.insert(pick(s.size() + 1), 1, '\0');
        break;
    case 0: // flip a byte
        if (!s.empty()) s[pick(s.size())] = char(rng() & 0xFF);
        break;
    case 1: // truncate
        s.resize(pick(s.size() + 1));
        break;
    case 2: { // duplicate a brace
        const size_t at = s.find_first_of("{}", pick(s.size()));
        if (at != std::string::npos) s.insert(at, 1 + pick(4), s[at]);
        break;
    }
    case 3: // insert a troublesome token
        s.insert(pick(s.size() + 1), inserts[pick(std::size(inserts))]);
        break;
    case 4: // a long run of digits or letters
        s.insert(pick(s.size() + 1), std::string(1 + pick(300), rng() % 2 ? '9' : 'q'));
        break;
    default: // delete a stretch
        if (!s.empty()) {
            const size_t at = pick(s.size());
            s.erase(at, pick(16));
        }
        break;
    }
}

TEST(RtfReaderFuzz, MutatedDocumentsNeverBreakTheReader) {
    const std::vector<std::string> seeds = seedDocuments();
    int failures = 0, successes = 0;
    for (uint32_t seed = 1; seed <= 1500; ++seed) {
        std::mt19937 rng(seed);
        std::string doc = seeds[seed % seeds.size()];
        const int steps = 1 + int(rng() % 8);
        for (int i = 0; i < steps; ++i) mutate(doc, rng);
        std::vector<RtfInsertChar> out;
        const int ec = loadRtfCharacters(doc.data(), doc.size(), out);
        ASSERT_GE(ec, RtfOk) << "seed " << seed;
        ASSERT_LE(ec, RtfEndOfFile) << "seed " << seed;
        if (ec != RtfOk) {
            ASSERT_TRUE(out.empty()) << "seed " << seed;
            ++failures;
        } else {
            ASSERT_LE(out.size(), doc.size()) << "seed " << seed;
            for (const RtfInsertChar& c : out)
                ASSERT_TRUE(!c.setFont || (c.pixelSize >= 1 && c.pixelSize <= 999)) << "seed " << seed;
            ++successes;
        }
    }
    // The mutations must exercise both outcomes, or the test proves little.
    EXPECT_GT(failures, 100);
    EXPECT_GT(successes, 100);
}

} // namespace
