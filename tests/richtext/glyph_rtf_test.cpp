// The document as RTF and back, the empty save, and pasting RTF as one undo step.
#include "TempFolder.h"
#include "glyph_support.h"

#include "TavRichEditRtf.h"

#include <cstdio>
#include <memory>

using namespace glyphtest;

namespace {

struct CharFormat {
    wchar_t ch;
    std::wstring family;
    int style;
    int pixels;
    uint32_t rgb;
    bool operator==(const CharFormat& o) const {
        return ch == o.ch && family == o.family && style == o.style && pixels == o.pixels && rgb == o.rgb;
    }
};

std::vector<CharFormat> formats(const TavRichEditDoc& doc) {
    std::vector<CharFormat> out;
    for (TavGlyph* g : doc.allGlyphs()) {
        TavFontInfo info = fontInfo(g->font());
        out.push_back({g->text()[0], info.family, info.style, int(info.size), g->color() & 0xFFFFFF});
    }
    return out;
}

std::wstring tempFile(const wchar_t* name) {
    static const TempFolder folder(L"tavnote_glyph_rtf");
    return folder.file(name);
}

} // namespace

TEST(EditorRtf, WriterOutputReadsBackTheSameDocument) {
    TavRichEditDoc source;
    struct Piece {
        const wchar_t* text;
        const wchar_t* family;
        int style;
        float size;
        uint32_t argb;
    } pieces[] = {
        {L"Plain ", L"DejaVu Sans", 0, 16, 0xFF000000},
        {L"bold\r", L"DejaVu Sans", 1, 16, 0xFFFF0000},
        {L"中文 text", L"WenQuanYi Zen Hei", 2, 20, 0xFF0080FF},
        {L"\t{x}\\\r", L"DejaVu Sans", 12, 12, 0xFF008000},
        {L"end", L"DejaVu Sans", 0, 16, 0xFF000000},
    };
    for (const Piece& p : pieces) {
        source.setCurrentFont(p.family, p.size, p.style);
        source.setCurrentColor(p.argb);
        source.insertText(p.text);
    }
    std::string rtf = rtfBytes(source.allGlyphs());
    ASSERT_FALSE(rtf.empty());
    EXPECT_EQ(rtf.find("\r\n"), std::string::npos) << "one line without line breaks";

    TavRichEditDoc loaded;
    ASSERT_EQ(readRtfBytes(loaded, rtf, false), 0);
    EXPECT_EQ(loaded.text(), source.text());
    EXPECT_EQ(rowTexts(loaded), rowTexts(source));
    EXPECT_TRUE(formats(loaded) == formats(source));
    EXPECT_EQ(loaded.history().size(), 0u) << "loading is not an undo step";
}

TEST(EditorRtf, PasteIsOneUndoStepAndReplacesTheSelection) {
    TavRichEditDoc source;
    source.insertText(L"pasted\rrows");
    std::string rtf = rtfBytes(source.allGlyphs());
    TavRichEditDoc doc;
    doc.insertText(L"keep SEL end");
    doc.setSelection({0, 5}, {0, 8});
    ASSERT_EQ(readRtfBytes(doc, rtf, true), 0);
    EXPECT_EQ(doc.text(), L"keep pasted\rrows end");
    EXPECT_TRUE(doc.undo());
    EXPECT_EQ(doc.text(), L"keep SEL end");
    // Damaged RTF inserts nothing.
    EXPECT_NE(readRtfBytes(doc, "{\\rtf1 unbalanced", true), 0);
    EXPECT_EQ(doc.text(), L"keep SEL end");
}

TEST(EditorRtf, SavingAnEmptyDocumentEmptiesTheFile) {
    std::wstring path = tempFile(L"tav_editor_empty_save.rtf");
    TavRichEditDoc doc;
    doc.insertText(L"old text");
    ASSERT_TRUE(saveRtf(doc, path));
    doc.selectAll();
    doc.typeChar(8);
    ASSERT_TRUE(doc.empty());
    EXPECT_FALSE(writeRtf(path, doc.allGlyphs())) << "the writer itself writes nothing";
    ASSERT_TRUE(saveRtf(doc, path));
    TavRichEditDoc reloaded;
    EXPECT_EQ(readRtf(reloaded, path, false), 0);
    EXPECT_TRUE(reloaded.empty());
    DeleteFileW(path.c_str());
}

// Characters of one format are written as one run; the bytes are those of one run per
// character, also around line ends ("\r" then "\n" are two paragraph marks), surrogates, tabs
// and characters RTF escapes.
TEST(EditorRtf, JoinedRunsWriteTheBytesOfOneRunPerCharacter) {
    Gdiplus::Font* plain = latin(16);
    Gdiplus::Font* bold = latin(16, 1);
    Gdiplus::Font* cjk = TavFont::instance().get(L"WenQuanYi Zen Hei", 20, 0);
    struct Piece {
        std::wstring text;
        Gdiplus::Font* font;
        uint32_t argb;
    } pieces[] = {
        {L"ab{c}\\d\t", plain, 0xFF000000},
        {L"\r\n\n\r", plain, 0xFF000000},
        {L"中文\xD83D\xDE00x", cjk, 0xFF000000},
        {L"ef", cjk, 0xFFFF0000},
        {L"gh\r", bold, 0xFFFF0000},
        {L"ij", plain, 0xFFFF0000},
    };
    std::vector<TavGlyph*> glyphs;
    for (const Piece& p : pieces)
        for (wchar_t ch : p.text) glyphs.push_back(new TavGlyphTChar(ch, p.font, p.argb, 254));

    RtfDocument joined = rtfDocumentFromGlyphs(glyphs);
    RtfDocument perCharacter = joined;
    perCharacter.runs.clear();
    for (const RtfRun& run : joined.runs)
        for (wchar_t ch : run.text) {
            RtfRun one = run;
            one.text = std::wstring(1, ch);
            perCharacter.runs.push_back(one);
        }
    EXPECT_EQ(perCharacter.runs.size(), glyphs.size());
    EXPECT_LT(joined.runs.size(), glyphs.size() / 2);
    EXPECT_EQ(rtfToString(joined), rtfToString(perCharacter));
    for (TavGlyph* g : glyphs) TavGlyph::release(g);
}
