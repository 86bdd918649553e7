// Seeded random edit, undo and redo sequences: the history must replay exactly and every glyph
// must be deleted exactly once.
#include "glyph_support.h"

#include <memory>
#include <random>

using namespace glyphtest;

namespace {

void checkRows(const TavRichEditDoc& doc, const char* when) {
    int top = TavRichEditDoc::kMarginTop;
    for (int r = 0; r < doc.rowCount(); ++r) {
        const TavGlyphEditRow* row = doc.row(r);
        bool last = r == doc.rowCount() - 1;
        int lineEnds = 0;
        for (TavGlyph* g : row->children()) lineEnds += g->isLineEnd() ? 1 : 0;
        ASSERT_EQ(lineEnds, last ? 0 : 1) << when << ", row " << r;
        if (!last) {
            ASSERT_TRUE(row->endsWithLineEnd()) << when << ", row " << r;
        }
        ASSERT_EQ(row->bandTop(), top) << when << ", row " << r;
        top += row->height();
        for (TavGlyph* g : row->children()) ASSERT_GE(g->refCount(), 1) << when;
    }
}

void randomAction(TavRichEditDoc& doc, std::mt19937& rng) {
    const wchar_t alphabet[] = L"ab c\r\t中文Z";
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto randomPos = [&]() {
        int r = pick(doc.rowCount());
        return TavTextPos{r, pick(doc.row(r)->lastColumn() + 1)};
    };
    switch (pick(10)) {
    case 0:
    case 1:
    case 2:
        doc.typeChar(alphabet[pick(int(std::size(alphabet)) - 1)]);
        break;
    case 3:
        doc.typeChar(8);
        break;
    case 4:
        doc.keyDown(VK_DELETE, false);
        break;
    case 5:
        doc.setSelection(randomPos(), randomPos());
        break;
    case 6:
        doc.insertText(pick(2) ? L"x\r\ny" : L"plain");
        break;
    case 7:
        doc.toggleStyle(1 << pick(4));
        break;
    case 8:
        doc.undo();
        break;
    case 9:
        doc.redo();
        break;
    }
}

} // namespace

TEST(EditorRandom, UndoAllAndRedoAllReplayExactly) {
    for (unsigned seed : {1u, 7u, 42u, 2024u}) {
        size_t liveBefore = TavGlyph::liveCount();
        {
            auto doc = std::make_unique<TavRichEditDoc>();
            doc->setCurrentFont(L"DejaVu Sans", 14, 0);
            doc->createBuffer(200, 100);
            doc->insertText(L"start\rtext");
            doc->history().clear();
            const std::wstring startText = doc->text();
            std::mt19937 rng(seed);
            for (int step = 0; step < 300; ++step) {
                randomAction(*doc, rng);
                checkRows(*doc, "after an action");
                if (HasFatalFailure()) return;
            }
            // Forget the redo part so that "the end" is the current text.
            const std::wstring endText = doc->text();
            while (doc->redo()) {
            }
            const std::wstring redoneText = doc->text();
            while (doc->undo()) {
            }
            EXPECT_EQ(doc->text(), startText) << "seed " << seed;
            checkRows(*doc, "after undoing everything");
            while (doc->redo()) {
            }
            EXPECT_EQ(doc->text(), redoneText) << "seed " << seed;
            checkRows(*doc, "after redoing everything");
            (void)endText;
        }
        EXPECT_EQ(TavGlyph::liveCount(), liveBefore) << "seed " << seed << ": glyphs leaked";
    }
}
