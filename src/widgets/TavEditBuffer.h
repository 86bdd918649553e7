#pragma once
// The text of a plain edit field without its window: one UTF-16 string whose lines end in line
// feeds, the caret and the selection anchor, and an undo history of insertions and deletions.
// Every user action takes a new sequence number; undo and redo replay all records of one number.
//
// Invariants: caret and anchor lie in 0 .. length and never between the halves of a surrogate
// pair; records before the history cursor are applied, those after it can be redone.
#include <cstddef>
#include <string>
#include <vector>

class TavEditBuffer {
public:
    enum : int { kInsertion = 1, kDeletion = 2 };
    struct Record {
        int kind;
        std::wstring text;
        size_t position;
        int sequence;
        size_t caretAfter;
    };

    const std::wstring& text() const { return text_; }
    size_t length() const { return text_.size(); }
    size_t caret() const { return caret_; }
    size_t anchor() const { return anchor_; }
    bool hasSelection() const { return caret_ != anchor_; }
    size_t selectionStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
    size_t selectionEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
    std::wstring selectedText() const {
        return text_.substr(selectionStart(), selectionEnd() - selectionStart());
    }

    // Replaces everything without a record; the history is cleared and the caret goes to the end.
    void setText(std::wstring text);
    // Both clamped to the text and moved off a surrogate pair's second half.
    void setSelection(size_t anchor, size_t caret);
    void moveCaret(size_t caret) { setSelection(caret, caret); }
    void selectAll() { setSelection(0, text_.size()); }

    // Each of these is one user action (one undo step); false when nothing changed.
    // Replaces the selection with `text`, cut at a surrogate boundary to fit maxLength().
    bool insert(const std::wstring& text);
    // The selection, else the character (a whole surrogate pair) before / after the caret.
    bool eraseBackward();
    bool eraseForward();
    bool eraseSelection();
    bool undo();
    bool redo();
    bool canUndo() const { return cursor_ > 0; }
    bool canRedo() const { return cursor_ < history_.size(); }

    // Neighbouring caret positions, a surrogate pair counting as one character.
    size_t previousIndex(size_t index) const;
    size_t nextIndex(size_t index) const;
    // Moves an index that splits a surrogate pair to the pair's start, clamped to the text.
    size_t alignIndex(size_t index) const;

    // Lines: line i runs from lineStart(i) to lineEnd(i) (its line feed excluded).
    size_t lineCount() const { return lineStarts_.size(); }
    size_t lineStart(size_t line) const;
    size_t lineEnd(size_t line) const;
    size_t lineOf(size_t index) const;

    size_t maxLength() const { return maxLength_; }
    void setMaxLength(size_t length) { maxLength_ = length; }

    const std::vector<Record>& history() const { return history_; }
    size_t historyCursor() const { return cursor_; }

private:
    void record(Record r);
    void applyInsert(size_t position, const std::wstring& text);
    void applyErase(size_t position, size_t count);
    bool eraseRange(size_t from, size_t to, int sequence);
    void rebuildLines();

    std::wstring text_;
    size_t caret_ = 0;
    size_t anchor_ = 0;
    std::vector<Record> history_;
    size_t cursor_ = 0;
    int sequence_ = 0;
    size_t maxLength_ = size_t(-1);
    std::vector<size_t> lineStarts_{0};
};
