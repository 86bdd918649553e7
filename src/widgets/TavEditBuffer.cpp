#include "TavEditBuffer.h"

#include <algorithm>

namespace {

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

} // namespace

void TavEditBuffer::setText(std::wstring text) {
    text_ = std::move(text);
    history_.clear();
    cursor_ = 0;
    rebuildLines();
    caret_ = anchor_ = text_.size();
}

size_t TavEditBuffer::alignIndex(size_t index) const {
    index = std::min(index, text_.size());
    if (index > 0 && index < text_.size() && isLowSurrogate(text_[index]) &&
        isHighSurrogate(text_[index - 1]))
        --index;
    return index;
}

void TavEditBuffer::setSelection(size_t anchor, size_t caret) {
    anchor_ = alignIndex(anchor);
    caret_ = alignIndex(caret);
}

size_t TavEditBuffer::previousIndex(size_t index) const {
    index = alignIndex(index);
    if (index == 0) return 0;
    return alignIndex(index - 1);
}

size_t TavEditBuffer::nextIndex(size_t index) const {
    index = alignIndex(index);
    if (index >= text_.size()) return text_.size();
    if (isHighSurrogate(text_[index]) && index + 1 < text_.size() && isLowSurrogate(text_[index + 1]))
        return index + 2;
    return index + 1;
}

void TavEditBuffer::record(Record r) {
    // A new edit after undo gives up what could have been redone.
    history_.resize(cursor_);
    history_.push_back(std::move(r));
    cursor_ = history_.size();
}

void TavEditBuffer::applyInsert(size_t position, const std::wstring& text) {
    text_.insert(position, text);
    rebuildLines();
}

void TavEditBuffer::applyErase(size_t position, size_t count) {
    text_.erase(position, count);
    rebuildLines();
}

bool TavEditBuffer::eraseRange(size_t from, size_t to, int sequence) {
    if (from >= to) return false;
    std::wstring removed = text_.substr(from, to - from);
    applyErase(from, to - from);
    caret_ = anchor_ = from;
    record(Record{kDeletion, std::move(removed), from, sequence, from});
    return true;
}

bool TavEditBuffer::insert(const std::wstring& text) {
    const int sequence = ++sequence_;
    bool changed = eraseRange(selectionStart(), selectionEnd(), sequence);
    size_t room = maxLength_ > text_.size() ? maxLength_ - text_.size() : 0;
    size_t count = std::min(text.size(), room);
    // Never keep half of a surrogate pair.
    if (count > 0 && count < text.size() && isHighSurrogate(text[count - 1])) --count;
    if (count == 0) return changed;
    std::wstring piece = text.substr(0, count);
    const size_t at = caret_;
    applyInsert(at, piece);
    caret_ = anchor_ = at + count;
    record(Record{kInsertion, std::move(piece), at, sequence, caret_});
    return true;
}

bool TavEditBuffer::eraseSelection() { return eraseRange(selectionStart(), selectionEnd(), ++sequence_); }

bool TavEditBuffer::eraseBackward() {
    if (hasSelection()) return eraseSelection();
    if (caret_ == 0) return false;
    return eraseRange(previousIndex(caret_), caret_, ++sequence_);
}

bool TavEditBuffer::eraseForward() {
    if (hasSelection()) return eraseSelection();
    if (caret_ >= text_.size()) return false;
    return eraseRange(caret_, nextIndex(caret_), ++sequence_);
}

bool TavEditBuffer::undo() {
    if (cursor_ == 0) return false;
    const int sequence = history_[cursor_ - 1].sequence;
    size_t caret = caret_;
    while (cursor_ > 0 && history_[cursor_ - 1].sequence == sequence) {
        const Record& r = history_[--cursor_];
        if (r.kind == kInsertion) {
            applyErase(r.position, r.text.size());
            caret = r.position;
        } else {
            applyInsert(r.position, r.text);
            caret = r.position + r.text.size();
        }
    }
    caret_ = anchor_ = alignIndex(caret);
    return true;
}

bool TavEditBuffer::redo() {
    if (cursor_ >= history_.size()) return false;
    const int sequence = history_[cursor_].sequence;
    size_t caret = caret_;
    while (cursor_ < history_.size() && history_[cursor_].sequence == sequence) {
        const Record& r = history_[cursor_++];
        if (r.kind == kInsertion)
            applyInsert(r.position, r.text);
        else
            applyErase(r.position, r.text.size());
        caret = r.caretAfter;
    }
    caret_ = anchor_ = alignIndex(caret);
    return true;
}

void TavEditBuffer::rebuildLines() {
    lineStarts_.assign(1, 0);
    for (size_t i = 0; i < text_.size(); ++i)
        if (text_[i] == L'\n') lineStarts_.push_back(i + 1);
}

size_t TavEditBuffer::lineStart(size_t line) const {
    return lineStarts_[std::min(line, lineStarts_.size() - 1)];
}

size_t TavEditBuffer::lineEnd(size_t line) const {
    line = std::min(line, lineStarts_.size() - 1);
    return line + 1 < lineStarts_.size() ? lineStarts_[line + 1] - 1 : text_.size();
}

size_t TavEditBuffer::lineOf(size_t index) const {
    auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), std::min(index, text_.size()));
    return size_t(it - lineStarts_.begin()) - 1;
}
