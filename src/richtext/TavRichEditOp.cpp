// Operation records and the history.
#include "TavRichEditOp.h"

#include "TavGlyph.h"
#include "TavRichEditDoc.h"

TavRichEditOpTChar::TavRichEditOpTChar(int sequence, int kind, std::vector<TavGlyph*> glyphs, int startRow,
                                       int startColumn, int endRow, int endColumn)
    : TavRichEditOp(sequence, kind), glyphs_(std::move(glyphs)), startRow_(startRow),
      startColumn_(startColumn), endRow_(endRow), endColumn_(endColumn) {
    for (TavGlyph* g : glyphs_) TavGlyph::addRef(g);
}

TavRichEditOpTChar::~TavRichEditOpTChar() {
    for (TavGlyph* g : glyphs_) TavGlyph::release(g);
}

void TavRichEditOpTChar::insertHeld(TavRichEditDoc& doc) {
    doc.insertGlyphs(TavTextPos{startRow_, startColumn_}, glyphs_);
}

void TavRichEditOpTChar::removeHeld(TavRichEditDoc& doc) {
    std::vector<TavGlyph*> removed;
    doc.removeGlyphs(TavTextPos{startRow_, startColumn_}, int(glyphs_.size()), removed);
    doc.dropGlyphs(removed);
}

void TavRichEditOpTChar::redo(TavRichEditDoc& doc) {
    if (kind() == kOpInsert)
        insertHeld(doc);
    else
        removeHeld(doc);
    doc.setSelection(TavTextPos{endRow_, endColumn_}, TavTextPos{endRow_, endColumn_});
}

void TavRichEditOpTChar::undo(TavRichEditDoc& doc) {
    if (kind() == kOpInsert)
        removeHeld(doc);
    else
        insertHeld(doc);
    doc.setSelection(TavTextPos{startRow_, startColumn_}, TavTextPos{startRow_, startColumn_});
}

TavRichEditOpRow::TavRichEditOpRow(int sequence, int kind, TavGlyph* lineEnd, int lineEndRow,
                                   int lineEndColumn, int row, int column)
    : TavRichEditOp(sequence, kind), lineEnd_(lineEnd), lineEndRow_(lineEndRow),
      lineEndColumn_(lineEndColumn), row_(row), column_(column) {
    TavGlyph::addRef(lineEnd_);
}

TavRichEditOpRow::~TavRichEditOpRow() { TavGlyph::release(lineEnd_); }

void TavRichEditOpRow::addRow(TavRichEditDoc& doc) {
    doc.insertGlyphs(TavTextPos{lineEndRow_, lineEndColumn_}, {lineEnd_});
}

void TavRichEditOpRow::dropRow(TavRichEditDoc& doc) {
    std::vector<TavGlyph*> removed;
    doc.removeGlyphs(TavTextPos{lineEndRow_, lineEndColumn_}, 1, removed);
    doc.dropGlyphs(removed);
}

void TavRichEditOpRow::redo(TavRichEditDoc& doc) {
    if (kind() == kOpInsert)
        addRow(doc);
    else
        dropRow(doc);
    doc.setSelection(TavTextPos{row_, column_}, TavTextPos{row_, column_});
}

void TavRichEditOpRow::undo(TavRichEditDoc& doc) {
    if (kind() == kOpInsert)
        dropRow(doc);
    else
        addRow(doc);
    doc.setSelection(TavTextPos{row_, column_}, TavTextPos{row_, column_});
}

void TavRichEditHistory::recordChars(int sequence, int kind, const std::vector<TavGlyph*>& glyphs,
                                     int startRow, int startColumn, int endRow, int endColumn) {
    discardRedo();
    records_.push_back(std::make_unique<TavRichEditOpTChar>(sequence, kind, glyphs, startRow, startColumn,
                                                            endRow, endColumn));
    cursor_ = records_.size();
}

void TavRichEditHistory::recordRow(int sequence, int kind, TavGlyph* lineEnd, int lineEndRow,
                                   int lineEndColumn, int row, int column) {
    discardRedo();
    records_.push_back(
        std::make_unique<TavRichEditOpRow>(sequence, kind, lineEnd, lineEndRow, lineEndColumn, row, column));
    cursor_ = records_.size();
}

void TavRichEditHistory::discardRedo() {
    // Newest first, so that a glyph shared by several records goes with the oldest of them.
    while (records_.size() > cursor_) records_.pop_back();
}

bool TavRichEditHistory::undoStep(TavRichEditDoc& doc) {
    if (records_.empty() || cursor_ == 0) return false;
    const int s = records_[cursor_ - 1]->sequence();
    do {
        --cursor_;
        records_[cursor_]->undo(doc);
    } while (cursor_ > 0 && records_[cursor_ - 1]->sequence() == s);
    return true;
}

bool TavRichEditHistory::redoStep(TavRichEditDoc& doc) {
    if (cursor_ >= records_.size()) return false;
    const int s = records_[cursor_]->sequence();
    do {
        records_[cursor_]->redo(doc);
        ++cursor_;
    } while (cursor_ < records_.size() && records_[cursor_]->sequence() == s);
    return true;
}

void TavRichEditHistory::clear() {
    cursor_ = 0;
    discardRedo();
}
