// The editor document's hooks for a note block: the row observer, the left indent that makes
// room beside the rows, and a font chosen for a selection as one undo step.
#include "glyph_support.h"

#include <memory>
#include <utility>
#include <vector>

using namespace glyphtest;

namespace {

std::unique_ptr<TavRichEditDoc> makeDoc(const std::wstring& text, bool buffer) {
    auto doc = std::make_unique<TavRichEditDoc>();
    doc->setCurrentFont(L"DejaVu Sans", 16, 0);
    doc->setCurrentColor(0xFF000000);
    if (buffer) {
        doc->createBuffer(300, 200);
        doc->setPageSize(300, 200);
    }
    doc->insertText(text);
    doc->history().clear();
    return doc;
}

using Events = std::vector<std::pair<int, bool>>;

} // namespace

TEST(EditorDocHooks, TheObserverHearsEveryRowMadeOrRemovedWithItsIndex) {
    struct Case {
        const char* name;
        std::wstring text;
        TavTextPos anchor, caret;
        std::wstring typed; // typed over the selection ("\b" deletes it)
        Events events;
    };
    const Case cases[] = {
        {"Enter in the middle", L"ab\rcd", {0, 1}, {0, 1}, L"\r", {{1, true}}},
        {"a join removes the row below", L"ab\rcd\ref", {0, 2}, {1, 2}, L"\b", {{1, false}}},
        {"rows 2..4 removed from the end of row 1",
         L"a\rb\rc\rd\re\rf",
         {1, 1},
         {4, 1},
         L"\b",
         {{2, false}, {2, false}, {2, false}}},
        {"pasted lines", L"x", {0, 1}, {0, 1}, L"\r1\r2", {{1, true}, {2, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = makeDoc(c.text, true);
        Events heard;
        doc->setRowObserver([&](int index, bool inserted) { heard.emplace_back(index, inserted); });
        doc->setSelection(c.anchor, c.caret);
        if (c.typed == L"\b")
            doc->deleteSelection();
        else
            doc->insertText(c.typed);
        EXPECT_EQ(heard, c.events);
        // Undo reverses each change: removed rows come back, made ones go.
        heard.clear();
        ASSERT_TRUE(doc->undo());
        EXPECT_EQ(int(heard.size()), int(c.events.size()));
        for (const auto& [index, inserted] : heard) {
            (void)index;
            EXPECT_EQ(inserted, !c.events.front().second);
        }
        EXPECT_EQ(doc->text(), c.text);
    }
}

TEST(EditorDocHooks, TheIndentMovesEveryRowAndRowsMadeLater) {
    for (bool buffer : {false, true}) {
        SCOPED_TRACE(buffer ? "with a buffer" : "without a buffer");
        auto doc = makeDoc(L"one\rtwo", buffer);
        const float x0 = doc->row(0)->xAt(1), x1 = doc->row(1)->xAt(0);
        EXPECT_EQ(doc->marginLeft(), TavRichEditDoc::kMarginLeft);
        doc->setLeftIndent(25);
        EXPECT_EQ(doc->marginLeft(), TavRichEditDoc::kMarginLeft + 25);
        EXPECT_FLOAT_EQ(doc->row(0)->xAt(1), x0 + 25);
        EXPECT_FLOAT_EQ(doc->row(1)->xAt(0), x1 + 25);
        // Hit testing follows: the point of a character still finds it.
        TavTextPos at = doc->positionAt(int(doc->row(1)->xAt(1)) + 1, int(doc->row(1)->bounds().Y) + 2);
        EXPECT_EQ(at, (TavTextPos{1, 1}));
        doc->setSelection(TavTextPos{1, 3}, TavTextPos{1, 3});
        doc->insertText(L"\rthree");
        EXPECT_FLOAT_EQ(doc->row(2)->xAt(0), x1 + 25);
        doc->setLeftIndent(0);
        for (int r = 0; r < 3; ++r) EXPECT_FLOAT_EQ(doc->row(r)->xAt(0), x1) << r;
        // A negative indent is none.
        doc->setLeftIndent(-10);
        EXPECT_EQ(doc->marginLeft(), TavRichEditDoc::kMarginLeft);
    }
}

TEST(EditorDocHooks, TheIndentedRowsArePaintedWhereTheyNowLie) {
    auto plain = makeDoc(L"Wide\rWords", true);
    auto moved = makeDoc(L"Wide\rWords", true);
    moved->setLeftIndent(25);
    plain->paintAllRows();
    moved->paintAllRows();
    GdiFlush();
    const TavMemDC& a = plain->buffer();
    const TavMemDC& b = moved->buffer();
    int inked = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x + 25 < 200; ++x) {
            ASSERT_EQ(b.at(x + 25, y), a.at(x, y)) << x << "," << y;
            inked += a.at(x, y) != 0;
        }
    EXPECT_GT(inked, 20);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 25; ++x) ASSERT_EQ(b.at(x, y), 0u) << x << "," << y;
}

TEST(EditorDocHooks, AFontForASelectionIsOneUndoStepAndAlsoForTextTypedNext) {
    auto doc = makeDoc(L"abc def", true);
    doc->setSelection(TavTextPos{0, 0}, TavTextPos{0, 3});
    doc->setFont(L"DejaVu Serif", 24, 1 | 4);
    std::vector<TavGlyph*> glyphs = doc->allGlyphs();
    for (size_t i = 0; i < glyphs.size(); ++i) {
        TavFontInfo info = fontInfo(glyphs[i]->font());
        EXPECT_EQ(info.size == 24 && info.style == 5 && info.family == L"DejaVu Serif", i < 3) << i;
    }
    ASSERT_TRUE(doc->undo());
    for (TavGlyph* g : doc->allGlyphs()) {
        TavFontInfo info = fontInfo(g->font());
        EXPECT_EQ(info.size, 16);
        EXPECT_EQ(info.style, 0);
    }
    EXPECT_FALSE(doc->undo());
    // Without a selection the font is for what comes next.
    doc->setSelection(TavTextPos{0, 7}, TavTextPos{0, 7});
    doc->setFont(L"DejaVu Serif", 20, 2);
    doc->typeChar(L'x');
    TavFontInfo typed = fontInfo(doc->allGlyphs().back()->font());
    EXPECT_EQ(typed.size, 20);
    EXPECT_EQ(typed.style, 2);
}
