// The editor document without a window: typing, Backspace, Enter, styles, plain text, read-only,
// undo and redo, and the pixels of partial repaints.
#include "glyph_support.h"

#include <memory>

using namespace glyphtest;
using Rows = std::vector<std::wstring>;

namespace {

std::unique_ptr<TavRichEditDoc> makeDoc(const std::wstring& text = L"", bool buffer = false) {
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

int boldCount(const TavRichEditDoc& doc) {
    int n = 0;
    for (TavGlyph* g : doc.allGlyphs()) n += (fontInfo(g->font()).style & 1) ? 1 : 0;
    return n;
}

} // namespace

TEST(EditorDoc, BackspaceAndEnter) {
    struct Case {
        const char* name;
        std::wstring text;
        TavTextPos caret;
        wchar_t key;
        Rows rows;
        TavTextPos after;
    } cases[] = {
        {"backspace at the start does nothing", L"ab\rcd", {0, 0}, 8, {L"ab\r", L"cd"}, {0, 0}},
        {"backspace at an empty middle row removes it", L"ab\r\rcd", {1, 0}, 8, {L"ab\r", L"cd"}, {0, 2}},
        {"backspace at the empty last row removes it", L"ab\r", {1, 0}, 8, {L"ab"}, {0, 2}},
        {"backspace at a row start joins", L"ab\rcd", {1, 0}, 8, {L"abcd"}, {0, 2}},
        {"backspace deletes the character before", L"abc", {0, 2}, 8, {L"ac"}, {0, 1}},
        {"enter in the middle splits", L"abcd", {0, 2}, 13, {L"ab\r", L"cd"}, {1, 0}},
        {"enter at the end adds an empty row", L"ab", {0, 2}, 13, {L"ab\r", L""}, {1, 0}},
        {"line feed only beeps", L"ab", {0, 1}, 10, {L"ab"}, {0, 1}},
    };
    for (const Case& c : cases) {
        auto doc = makeDoc(c.text);
        doc->setSelection(c.caret, c.caret);
        doc->typeChar(c.key);
        EXPECT_EQ(rowTexts(*doc), c.rows) << c.name;
        EXPECT_EQ(doc->caret(), c.after) << c.name;
        if (doc->history().size() > 0) {
            doc->undo();
            EXPECT_EQ(doc->text(), c.text) << c.name << " (undone)";
        }
    }
}

TEST(EditorDoc, StyleToggleFollowsTheMajority) {
    struct Case {
        const char* name;
        int selected;
        int boldBefore;
        int boldAfter;
    } cases[] = {
        {"two selected, one bold: both bold", 2, 1, 2},
        {"three selected, two bold: none bold", 3, 2, 0},
        {"three selected, one bold: all bold", 3, 1, 3},
    };
    for (const Case& c : cases) {
        auto doc = makeDoc();
        doc->setCurrentFont(L"DejaVu Sans", 16, 1);
        typeText(*doc, std::wstring(size_t(c.boldBefore), L'b'));
        doc->setCurrentFont(L"DejaVu Sans", 16, 0);
        typeText(*doc, std::wstring(size_t(c.selected - c.boldBefore), L'p'));
        doc->selectAll();
        ASSERT_TRUE(doc->toggleStyle(1));
        EXPECT_EQ(boldCount(*doc), c.boldAfter) << c.name;
        EXPECT_EQ(doc->selectionEnd().column - doc->selectionStart().column, c.selected) << c.name;
        // One undo step brings the old format back.
        doc->undo();
        EXPECT_EQ(boldCount(*doc), c.boldBefore) << c.name;
    }
}

TEST(EditorDoc, PlainTextLineEnds) {
    auto doc = makeDoc();
    doc->insertText(L"one\r\ntwo\nthree\r\n");
    EXPECT_EQ(rowTexts(*doc), (Rows{L"one\r", L"two\r", L"three\r", L""}));
    EXPECT_EQ(doc->caret(), (TavTextPos{3, 0}));
    EXPECT_EQ(doc->textBetween({0, 0}, {2, 0}, true), L"one\r\ntwo\r\n");
    doc->undo();
    EXPECT_TRUE(doc->empty());
}

TEST(EditorDoc, ReadOnlyRefusesChanges) {
    auto doc = makeDoc(L"abc");
    doc->setReadOnly(true);
    doc->selectAll();
    EXPECT_EQ(doc->typeChar(L'x'), TavEditResult::Ignored);
    EXPECT_EQ(doc->keyDown(VK_DELETE, false), TavEditResult::Ignored);
    EXPECT_FALSE(doc->toggleStyle(1));
    EXPECT_FALSE(doc->deleteSelection());
    EXPECT_EQ(doc->text(), L"abc");
    // Navigation still works.
    EXPECT_EQ(doc->keyDown(VK_HOME, false), TavEditResult::Handled);
}

TEST(EditorUndo, UserActionsAndTheHistory) {
    // Typing two characters and one undo removes only the second.
    auto doc = makeDoc();
    typeText(*doc, L"ab");
    EXPECT_TRUE(doc->keyDown('Z', true) == TavEditResult::Handled);
    EXPECT_EQ(doc->text(), L"a");
    EXPECT_EQ(doc->caret(), (TavTextPos{0, 1}));
    // New typing clears the redo part: Control+Y then does nothing.
    doc->typeChar(L'c');
    EXPECT_EQ(doc->keyDown('Y', true), TavEditResult::Ignored);
    EXPECT_EQ(doc->text(), L"ac");

    // Control+Z with an empty history does nothing.
    auto fresh = makeDoc(L"kept");
    EXPECT_EQ(fresh->keyDown('Z', true), TavEditResult::Ignored);
    EXPECT_EQ(fresh->text(), L"kept");
}

TEST(EditorUndo, ThreeRowSelectionDeletionInOneStep) {
    auto doc = makeDoc(L"first\rsecond\rthird");
    std::vector<TavGlyph*> before = doc->allGlyphs();
    doc->setSelection({0, 2}, {2, 3});
    doc->typeChar(8);
    EXPECT_EQ(rowTexts(*doc), (Rows{L"fird"}));
    EXPECT_TRUE(doc->undo());
    EXPECT_EQ(rowTexts(*doc), (Rows{L"first\r", L"second\r", L"third"}));
    EXPECT_EQ(doc->allGlyphs(), before) << "the very same glyphs come back";
    EXPECT_TRUE(doc->redo());
    EXPECT_EQ(doc->text(), L"fird");
}

TEST(EditorDoc, RowsAreStackedByTheirHeights) {
    auto doc = makeDoc(L"a\rbb\r");
    doc->setSelection({1, 0}, {1, 1});
    doc->setFontSize(40);
    doc->changeLineSpacing(0, 0, 5);
    int top = TavRichEditDoc::kMarginTop;
    for (int r = 0; r < doc->rowCount(); ++r) {
        EXPECT_EQ(doc->row(r)->bandTop(), top) << "row " << r;
        top += doc->row(r)->height();
    }
    EXPECT_EQ(doc->row(0)->lineSpacing(), 12);
    doc->changeLineSpacing(0, 99, -100);
    EXPECT_EQ(doc->row(2)->lineSpacing(), 0);
}

TEST(EditorDoc, PartialRepaintsMatchAFullRepaint) {
    auto doc = makeDoc(L"", true);
    doc->setCurrentFont(L"DejaVu Sans", 16, Gdiplus::FontStyleItalic);
    typeText(*doc, L"fjord\tAV");
    doc->setSelection({0, 2}, {0, 2});
    typeText(*doc, L"WW\rx");
    doc->setSelection({0, 1}, {1, 2});
    doc->typeChar(8);
    doc->setSelection({0, 0}, {0, 0});
    doc->typeChar(L'f');
    const TavMemDC& buf = doc->buffer();
    GdiFlush();
    std::vector<uint32_t> partial(buf.pixels(), buf.pixels() + size_t(buf.width()) * size_t(buf.height()));
    for (int r = 0; r < doc->rowCount(); ++r) doc->row(r)->repaint();
    GdiFlush();
    std::vector<uint32_t> full(buf.pixels(), buf.pixels() + partial.size());
    EXPECT_TRUE(partial == full);
    EXPECT_TRUE(std::any_of(full.begin(), full.end(), [](uint32_t p) { return p != 0; }));
    // Deleting everything leaves a transparent buffer.
    doc->selectAll();
    doc->typeChar(8);
    GdiFlush();
    EXPECT_TRUE(std::all_of(buf.pixels(), buf.pixels() + partial.size(), [](uint32_t p) { return p == 0; }));
}

TEST(EditorDoc, LargeInsertAndDeleteKeepPixelsAndRows) {
    auto doc = makeDoc(L"head\r", true);
    std::wstring big;
    for (int i = 0; i < 120; ++i) big += L"line " + std::to_wstring(i) + L" 中文\r\n";
    doc->setSelection({0, 2}, {0, 2});
    doc->insertText(big); // more than 512 characters: laid out first, painted once
    EXPECT_EQ(doc->rowCount(), 122);
    doc->typeChar(L'x');
    doc->setSelection({3, 1}, {100, 2});
    doc->typeChar(8); // a large deletion
    EXPECT_EQ(doc->rowCount(), 25);
    int top = TavRichEditDoc::kMarginTop;
    for (int r = 0; r < doc->rowCount(); ++r) {
        EXPECT_EQ(doc->row(r)->bandTop(), top) << "row " << r;
        top += doc->row(r)->height();
    }
    EXPECT_GE(doc->buffer().height(), top);
    // Rows wait for their first paint after a large edit; painted then, they match a full repaint.
    EXPECT_TRUE(doc->row(10)->waiting());
    {
        const TavMemDC& b = doc->buffer();
        GdiFlush();
        bool clear = true;
        for (int y = doc->row(10)->bandTop(); y < doc->row(10)->bandBottom(); ++y)
            for (int x = 0; x < b.width(); ++x) clear = clear && b.at(x, y) == 0;
        EXPECT_TRUE(clear) << "a waiting row's band is clear";
    }
    doc->paintAllRows();
    EXPECT_FALSE(doc->row(10)->waiting());
    const TavMemDC& buf = doc->buffer();
    GdiFlush();
    std::vector<uint32_t> before(buf.pixels(), buf.pixels() + size_t(buf.width()) * size_t(buf.height()));
    for (int r = 0; r < doc->rowCount(); ++r) doc->row(r)->repaint();
    GdiFlush();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), buf.pixels()));
    doc->undo();
    doc->undo();
    doc->undo();
    EXPECT_EQ(doc->text(), L"head\r");
}
