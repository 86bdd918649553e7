// Characters outside the code page through the editor's own save, load and paste paths.
#include "TempFolder.h"
#include "glyph_support.h"

#include "CRtfReader.h"
#include "TavRichEditRtf.h"

#include <fstream>
#include <iterator>

using namespace glyphtest;

namespace {

std::wstring tempFile(const wchar_t* name) {
    static const TempFolder folder(L"tavnote_glyph_rtf_unicode");
    return folder.file(name);
}

std::string fileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Typed as WM_CHAR delivers it: an emoji arrives as its two surrogates.
void typeSample(TavRichEditDoc& doc) {
    doc.setCurrentFont(L"WenQuanYi Zen Hei", 20, 0);
    typeText(doc, L"a\U0001F600你好");
    doc.insertText(L"\r");
    doc.setCurrentFont(L"DejaVu Sans", 16, 1);
    typeText(doc, L"Café \U0001F44D 한");
}

} // namespace

TEST(EditorRtfUnicode, TypedEmojiAndChineseSurviveSaveAndLoad) {
    TavRichEditDoc doc;
    typeSample(doc);
    const std::wstring path = tempFile(L"tav_editor_unicode_save.rtf");
    ASSERT_TRUE(saveRtf(doc, path));
    const std::string bytes = fileBytes(path);
    EXPECT_NE(bytes.find("\\u-10179?\\u-8704?"), std::string::npos) << bytes;

    TavRichEditDoc loaded;
    ASSERT_EQ(readRtf(loaded, path, false), RtfOk);
    EXPECT_EQ(loaded.text(), doc.text());
    EXPECT_EQ(rowTexts(loaded), rowTexts(doc));
    DeleteFileW(path.c_str());
}

TEST(EditorRtfUnicode, SameTextInEitherCodePage) {
    TavRichEditDoc doc;
    typeSample(doc);
    for (unsigned page : {936u, 1252u}) {
        RtfDocument rtfDoc = rtfDocumentFromGlyphs(doc.allGlyphs());
        rtfDoc.codePage = page;
        TavRichEditDoc loaded;
        ASSERT_EQ(readRtfBytes(loaded, rtfToString(rtfDoc), true), RtfOk) << page;
        EXPECT_EQ(loaded.text(), doc.text()) << page;
    }
}

TEST(EditorRtfUnicode, LossyTextIsRefusedByPasteAndKeptByLoad) {
    // A lead byte with no trail byte: the reader cannot know the character.
    const std::string lossy = "{\\rtf1\\ansicpg936 a\\'c4}";
    TavRichEditDoc doc;
    doc.insertText(L"keep");
    const size_t steps = doc.history().size();
    EXPECT_EQ(readRtfBytes(doc, lossy, true), RtfLossy) << "a paste falls back to plain text";
    EXPECT_EQ(doc.text(), L"keep");
    EXPECT_EQ(doc.history().size(), steps);

    EXPECT_EQ(readRtfBytes(doc, lossy, true, false), RtfOk) << "nothing better on the clipboard";
    EXPECT_EQ(doc.text(), L"keepa?");

    TavRichEditDoc loaded;
    EXPECT_EQ(readRtfBytes(loaded, lossy, false), RtfOk) << "a note's own text is never dropped";
    EXPECT_EQ(loaded.text(), L"a?");

    TavRichEditDoc pasted;
    EXPECT_EQ(readRtfBytes(pasted, "{\\rtf1 \\u-10179?\\u-8704?\\u20320?}", true), RtfOk);
    EXPECT_EQ(pasted.text(), L"\U0001F600你");
}
