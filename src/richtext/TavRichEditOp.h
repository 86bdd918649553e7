#pragma once
// Undo and redo: operation records that keep the very glyphs inserted or removed, and the
// history with its cursor. All records of one user action share a sequence number and are
// undone and redone together.
#include <memory>
#include <vector>

class TavGlyph;
class TavRichEditDoc;

enum TavOpKind : int { kOpInsert = 1, kOpDelete = 2 };

class TavRichEditOp {
public:
    TavRichEditOp(int sequence, int kind) : sequence_(sequence), kind_(kind) {}
    virtual ~TavRichEditOp() = default;
    TavRichEditOp(const TavRichEditOp&) = delete;
    TavRichEditOp& operator=(const TavRichEditOp&) = delete;

    virtual void redo(TavRichEditDoc& doc) = 0;
    virtual void undo(TavRichEditDoc& doc) = 0;

    int sequence() const { return sequence_; }
    int kind() const { return kind_; }

private:
    int sequence_;
    int kind_;
};

// Characters inserted at or removed from (start row, start column); (end row, end column) is the
// caret after the change. Line ends among them split or join rows like typed ones.
class TavRichEditOpTChar : public TavRichEditOp {
public:
    TavRichEditOpTChar(int sequence, int kind, std::vector<TavGlyph*> glyphs, int startRow, int startColumn,
                       int endRow, int endColumn);
    ~TavRichEditOpTChar() override;
    void redo(TavRichEditDoc& doc) override;
    void undo(TavRichEditDoc& doc) override;

    const std::vector<TavGlyph*>& glyphs() const { return glyphs_; }

private:
    void insertHeld(TavRichEditDoc& doc);
    void removeHeld(TavRichEditDoc& doc);

    std::vector<TavGlyph*> glyphs_;
    int startRow_, startColumn_, endRow_, endColumn_;
};

// An empty row inserted or removed. Rows follow the line ends, so the record keeps the line end
// that bounded the row and where it stood; (row, column) is the caret after undo or redo.
class TavRichEditOpRow : public TavRichEditOp {
public:
    TavRichEditOpRow(int sequence, int kind, TavGlyph* lineEnd, int lineEndRow, int lineEndColumn, int row,
                     int column);
    ~TavRichEditOpRow() override;
    void redo(TavRichEditDoc& doc) override;
    void undo(TavRichEditDoc& doc) override;

private:
    void addRow(TavRichEditDoc& doc);
    void dropRow(TavRichEditDoc& doc);

    TavGlyph* lineEnd_;
    int lineEndRow_, lineEndColumn_;
    int row_, column_;
};

class TavRichEditHistory {
public:
    TavRichEditHistory() = default;
    ~TavRichEditHistory() { clear(); }
    TavRichEditHistory(const TavRichEditHistory&) = delete;
    TavRichEditHistory& operator=(const TavRichEditHistory&) = delete;

    void recordChars(int sequence, int kind, const std::vector<TavGlyph*>& glyphs, int startRow,
                     int startColumn, int endRow, int endColumn);
    void recordRow(int sequence, int kind, TavGlyph* lineEnd, int lineEndRow, int lineEndColumn, int row,
                   int column);
    // Deletes every record at or after the cursor.
    void discardRedo();
    // Undo / redo one user action; false when there was nothing to do.
    bool undoStep(TavRichEditDoc& doc);
    bool redoStep(TavRichEditDoc& doc);
    void clear();

    size_t size() const { return records_.size(); }
    size_t cursor() const { return cursor_; }
    const TavRichEditOp& at(size_t i) const { return *records_[i]; }

private:
    std::vector<std::unique_ptr<TavRichEditOp>> records_;
    size_t cursor_ = 0;
};
