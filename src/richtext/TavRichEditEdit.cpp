// The document's user actions: typing, Backspace and Delete, the keyboard table, style, font and
// color changes of the selection, plain text and RTF characters, undo and redo. Every action
// stamps its records with one sequence number and then increases it.
#include "TavRichEditDoc.h"

#include "CRtfReader.h"
#include "TavFont.h"

#include <algorithm>

namespace {

Gdiplus::Font* fontLike(Gdiplus::Font* font, const std::wstring* family, const float* size,
                        const int* style) {
    if (!font) return nullptr;
    TavFontInfo info = fontInfo(font);
    return glyphFont(family ? *family : info.family, size ? *size : info.size, style ? *style : info.style,
                     info.unit);
}

} // namespace

bool TavRichEditDoc::deleteSelectionAs(int sequence) {
    if (!hasSelection()) return false;
    TavTextPos start = selectionStart(), end = selectionEnd();
    int count = linearIndex(end) - linearIndex(start);
    std::vector<TavGlyph*> removed;
    removeGlyphs(start, count, removed);
    history_.recordChars(sequence, kOpDelete, removed, start.row, start.column, start.row, start.column);
    dropGlyphs(removed);
    collapseTo(start);
    adoptFormatAt(start);
    return true;
}

bool TavRichEditDoc::deleteSelection() {
    if (readOnly_ || !deleteSelectionAs(sequence_)) return false;
    ++sequence_;
    return true;
}

TavEditResult TavRichEditDoc::typeChar(wchar_t ch) {
    if (readOnly_) return TavEditResult::Ignored;
    if (ch == 8) {
        backspace();
        return TavEditResult::Handled;
    }
    if (ch == 10 || ch == 27) return TavEditResult::Beep;
    insertTyped(ch);
    return TavEditResult::Handled;
}

void TavRichEditDoc::insertTyped(wchar_t ch) {
    history_.discardRedo();
    deleteSelectionAs(sequence_);
    if (rows_.empty()) insertRow(0);
    auto* g = new TavGlyphTChar(ch, font_, color_, alpha_);
    TavTextPos at = caret_;
    TavTextPos end = insertGlyphs(at, {g});
    history_.recordChars(sequence_, kOpInsert, {g}, at.row, at.column, end.row, end.column);
    collapseTo(end);
    ++sequence_;
}

void TavRichEditDoc::backspace() {
    if (deleteSelection()) return;
    TavTextPos at = caret_;
    if (at.column == 0) {
        if (at.row == 0) return;
        const TavGlyphEditRow* r = rows_[size_t(at.row)];
        if (r->lastColumn() == 0) {
            removeEmptyRow();
            return;
        }
        // Joining with the previous row: its line end goes.
        at = TavTextPos{at.row - 1, rows_[size_t(at.row - 1)]->count() - 1};
    } else {
        at.column -= 1;
    }
    std::vector<TavGlyph*> removed;
    removeGlyphs(at, 1, removed);
    history_.recordChars(sequence_, kOpDelete, removed, at.row, at.column, at.row, at.column);
    dropGlyphs(removed);
    collapseTo(at);
    adoptFormatAt(at);
    ++sequence_;
}

// An empty row (not the first) goes with the line end that bounds it: its own in the middle of
// the text, the previous row's at the end.
void TavRichEditDoc::removeEmptyRow() {
    int row = caret_.row;
    TavTextPos lineEnd = rows_[size_t(row)]->endsWithLineEnd()
                             ? TavTextPos{row, 0}
                             : TavTextPos{row - 1, rows_[size_t(row - 1)]->count() - 1};
    std::vector<TavGlyph*> removed;
    removeGlyphs(lineEnd, 1, removed);
    TavTextPos after{row - 1, rows_[size_t(row - 1)]->lastColumn()};
    history_.recordRow(sequence_, kOpDelete, removed.front(), lineEnd.row, lineEnd.column, row, 0);
    dropGlyphs(removed);
    collapseTo(after);
    ++sequence_;
}

void TavRichEditDoc::deleteForward() {
    if (deleteSelection()) return;
    TavTextPos at = caret_;
    const TavGlyphEditRow* r = rows_[size_t(at.row)];
    if (at.column >= r->count()) return;
    std::vector<TavGlyph*> removed;
    removeGlyphs(at, 1, removed);
    history_.recordChars(sequence_, kOpDelete, removed, at.row, at.column, at.row, at.column);
    dropGlyphs(removed);
    collapseTo(at);
    adoptFormatAt(at);
    ++sequence_;
}

void TavRichEditDoc::verticalMove(int delta) {
    int row = std::clamp(caret_.row + delta, 0, rowCount() - 1);
    if (row == caret_.row) {
        collapseTo(caret_, true);
        return;
    }
    collapseTo(TavTextPos{row, columnAtX(row, float(desiredX_))}, true);
}

TavEditResult TavRichEditDoc::keyDown(unsigned key, bool control) {
    const TavGlyphEditRow* r = rows_[size_t(caret_.row)];
    if (control) {
        switch (key) {
        case 'A':
            selectAll();
            return TavEditResult::Handled;
        case 'B':
            return toggleStyle(1) ? TavEditResult::Handled : TavEditResult::Ignored;
        case 'I':
            return toggleStyle(2) ? TavEditResult::Handled : TavEditResult::Ignored;
        case 'U':
            return toggleStyle(4) ? TavEditResult::Handled : TavEditResult::Ignored;
        case 'T':
            return toggleStyle(8) ? TavEditResult::Handled : TavEditResult::Ignored;
        case 'Y':
            return redo() ? TavEditResult::Handled : TavEditResult::Ignored;
        case 'Z':
            return undo() ? TavEditResult::Handled : TavEditResult::Ignored;
        default:
            break;
        }
    }
    switch (key) {
    case VK_END:
        collapseTo(TavTextPos{caret_.row, r->lastColumn()});
        break;
    case VK_HOME:
        collapseTo(TavTextPos{caret_.row, 0});
        break;
    case VK_LEFT:
        if (caret_.column > 0)
            collapseTo(TavTextPos{caret_.row, caret_.column - 1});
        else if (caret_.row > 0)
            collapseTo(TavTextPos{caret_.row - 1, rows_[size_t(caret_.row - 1)]->lastColumn()});
        else
            collapseTo(caret_);
        break;
    case VK_RIGHT:
        if (caret_.column < r->lastColumn())
            collapseTo(TavTextPos{caret_.row, caret_.column + 1});
        else if (caret_.row + 1 < rowCount())
            collapseTo(TavTextPos{caret_.row + 1, 0});
        else
            collapseTo(caret_);
        break;
    case VK_UP:
        verticalMove(-1);
        break;
    case VK_DOWN:
        verticalMove(1);
        break;
    case VK_DELETE:
        if (readOnly_) return TavEditResult::Ignored;
        deleteForward();
        break;
    default:
        return TavEditResult::Ignored;
    }
    return TavEditResult::Handled;
}

void TavRichEditDoc::insertText(const std::wstring& text) {
    if (text.empty()) return;
    history_.discardRedo();
    deleteSelectionAs(sequence_);
    std::vector<TavGlyph*> glyphs;
    glyphs.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t ch = text[i];
        if (ch == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        if (ch == L'\n') ch = L'\r';
        if (ch == 0) continue;
        glyphs.push_back(new TavGlyphTChar(ch, font_, color_, alpha_));
    }
    TavTextPos at = caret_;
    TavTextPos end = insertGlyphs(at, glyphs);
    history_.recordChars(sequence_, kOpInsert, glyphs, at.row, at.column, end.row, end.column);
    collapseTo(end);
    ++sequence_;
}

void TavRichEditDoc::insertCharacters(const std::vector<RtfInsertChar>& chars, bool record) {
    bool deleted = false;
    if (record) {
        history_.discardRedo();
        deleted = deleteSelectionAs(sequence_);
    }
    std::vector<TavGlyph*> glyphs;
    glyphs.reserve(chars.size());
    std::wstring lastFamily;
    int lastSize = -1, lastStyle = -1;
    for (const RtfInsertChar& c : chars) {
        if (c.setFont && (c.family != lastFamily || c.pixelSize != lastSize || c.style != lastStyle)) {
            setCurrentFont(c.family, float(c.pixelSize), c.style);
            lastFamily = c.family;
            lastSize = c.pixelSize;
            lastStyle = c.style;
        }
        if (c.setColor) color_ = c.argb;
        glyphs.push_back(new TavGlyphTChar(c.ch, font_, color_, alpha_));
    }
    if (glyphs.empty()) {
        if (deleted) ++sequence_;
        return;
    }
    TavTextPos at = caret_;
    TavTextPos end = insertGlyphs(at, glyphs);
    if (record) {
        history_.recordChars(sequence_, kOpInsert, glyphs, at.row, at.column, end.row, end.column);
        ++sequence_;
    }
    collapseTo(end);
}

void TavRichEditDoc::reformatSelection(const std::function<TavGlyph*(TavGlyph*)>& makeClone) {
    TavTextPos start = selectionStart(), end = selectionEnd();
    bool caretFirst = caret_ < anchor_;
    history_.discardRedo();
    int count = linearIndex(end) - linearIndex(start);
    std::vector<TavGlyph*> removed;
    removeGlyphs(start, count, removed);
    history_.recordChars(sequence_, kOpDelete, removed, start.row, start.column, start.row, start.column);
    std::vector<TavGlyph*> clones;
    clones.reserve(removed.size());
    for (TavGlyph* g : removed) clones.push_back(makeClone(g));
    TavTextPos newEnd = insertGlyphs(start, clones);
    history_.recordChars(sequence_, kOpInsert, clones, start.row, start.column, newEnd.row, newEnd.column);
    dropGlyphs(removed);
    if (caretFirst)
        setSelection(newEnd, start);
    else
        setSelection(start, newEnd);
    ++sequence_;
}

bool TavRichEditDoc::toggleStyle(int bit) {
    if (readOnly_) return false;
    if (!hasSelection()) {
        // Without a selection the style is for the text typed next.
        setCurrentFont(family_, size_, style_ ^ bit);
        return true;
    }
    std::vector<TavGlyph*> selected = glyphsBetween(selectionStart(), selectionEnd());
    int with = int(std::count_if(selected.begin(), selected.end(), [bit](const TavGlyph* g) {
        return g->font() && (fontInfo(g->font()).style & bit);
    }));
    bool remove = with > int(selected.size()) / 2;
    reformatSelection([bit, remove](TavGlyph* g) {
        TavGlyph* c = g->clone();
        if (c->font()) {
            int old = fontInfo(c->font()).style;
            int style = remove ? (old & ~bit) : (old | bit);
            c->measure(fontLike(c->font(), nullptr, nullptr, &style));
        }
        return c;
    });
    return true;
}

void TavRichEditDoc::setFontFamily(const std::wstring& family) {
    setCurrentFont(family, size_, style_);
    if (!hasSelection() || readOnly_) return;
    reformatSelection([&family](TavGlyph* g) {
        TavGlyph* c = g->clone();
        if (c->font()) c->measure(fontLike(c->font(), &family, nullptr, nullptr));
        return c;
    });
}

void TavRichEditDoc::setFontSize(float size) {
    setCurrentFont(family_, size, style_);
    if (!hasSelection() || readOnly_) return;
    reformatSelection([size](TavGlyph* g) {
        TavGlyph* c = g->clone();
        if (c->font()) c->measure(fontLike(c->font(), nullptr, &size, nullptr));
        return c;
    });
}

void TavRichEditDoc::setFont(const std::wstring& family, float size, int style) {
    setCurrentFont(family, size, style);
    if (!hasSelection() || readOnly_) return;
    // Face, size and style at once: one undo step.
    reformatSelection([&family, size, style](TavGlyph* g) {
        TavGlyph* c = g->clone();
        if (c->font()) c->measure(fontLike(c->font(), &family, &size, &style));
        return c;
    });
}

void TavRichEditDoc::setColor(uint32_t argb) {
    color_ = argb;
    if (!hasSelection() || readOnly_) return;
    reformatSelection([argb](TavGlyph* g) {
        TavGlyph* c = g->clone();
        c->setColor(argb);
        return c;
    });
}

bool TavRichEditDoc::undo() {
    if (readOnly_) return false;
    return history_.undoStep(*this);
}

bool TavRichEditDoc::redo() {
    if (readOnly_) return false;
    return history_.redoStep(*this);
}
