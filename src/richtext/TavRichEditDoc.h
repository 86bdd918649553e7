#pragma once
// The rich text editor's document without its window: rows of character glyphs, the back
// buffer they paint into, caret and selection, the current format, scrolling arithmetic, the
// keyboard and character rules, and the undo history. TavRichEdit puts a window around it.
//
// Rows follow the line ends: every row but the last ends with a line end (13) and the last has
// none, so the rows are a function of the text and every edit has an exact inverse.
#include "TavFont.h"
#include "TavGlyph.h"
#include "TavRichEditOp.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct RtfInsertChar;

struct TavTextPos {
    int row = 0;
    int column = 0;
    bool operator==(const TavTextPos& o) const { return row == o.row && column == o.column; }
    bool operator!=(const TavTextPos& o) const { return !(*this == o); }
    bool operator<(const TavTextPos& o) const { return row < o.row || (row == o.row && column < o.column); }
};

// What a character or key did.
enum class TavEditResult { Ignored, Handled, Beep };

class TavRichEditDoc : public TavGlyphListener {
public:
    static constexpr int kMarginLeft = 7;
    static constexpr int kMarginRight = 7;
    static constexpr int kMarginTop = 3;
    static constexpr int kMarginBottom = 5;
    static constexpr int kDefaultAlpha = 254;
    static constexpr float kDefaultFontSize = 13.0f;

    TavRichEditDoc();
    ~TavRichEditDoc() override;
    TavRichEditDoc(const TavRichEditDoc&) = delete;
    TavRichEditDoc& operator=(const TavRichEditDoc&) = delete;

    // --- buffer and page ---
    // Creates the back buffer (at least the client size) and paints every row into it.
    void createBuffer(int width, int height);
    // The back buffer. After a large edit rows are painted when first shown: paintRowsIn before
    // reading the pixels of a range.
    const TavMemDC& buffer() const { return buffer_; }
    // Paints the rows waiting for their first paint whose bands meet buffer lines [top, bottom).
    void paintRowsIn(int top, int bottom);
    void paintAllRows();
    void setPageSize(int clientWidth, int clientHeight);
    int clientWidth() const { return clientWidth_; }
    int clientHeight() const { return clientHeight_; }

    // --- rows ---
    int rowCount() const { return int(rows_.size()); }
    TavGlyphEditRow* row(int index) const { return rows_[size_t(index)]; }
    // Creates an empty row at index (rows below move down); returns 8024 as the program's
    // row operations always have.
    int insertRow(int index);
    // Removes an empty row (only while two or more rows exist).
    void removeRow(int index);
    void measureContentWidth();
    void measureContentHeight();
    void updateContentSize();
    int contentWidth() const { return contentWidth_; }
    int contentHeight() const { return contentHeight_; }
    // Adds `difference` to the line spacing of rows first … last (never below 0).
    void changeLineSpacing(int first, int last, int difference);

    // --- the text ---
    // Inserts the glyphs (taking the document's reference on each) at a position; line ends
    // split rows. Returns the position after the last one.
    TavTextPos insertGlyphs(TavTextPos at, const std::vector<TavGlyph*>& glyphs);
    // Takes `count` characters out from a position on (removed line ends join rows). The
    // document's references stay with the caller until dropGlyphs.
    void removeGlyphs(TavTextPos at, int count, std::vector<TavGlyph*>& out);
    static void dropGlyphs(std::vector<TavGlyph*>& glyphs);
    std::vector<TavGlyph*> glyphsBetween(TavTextPos from, TavTextPos to) const;
    std::vector<TavGlyph*> allGlyphs() const;
    // Characters of the range; line ends as "\r" (or "\r\n" with crlf).
    std::wstring textBetween(TavTextPos from, TavTextPos to, bool crlf = false) const;
    std::wstring text() const;
    bool empty() const;
    int linearIndex(TavTextPos pos) const;
    TavTextPos clampPos(TavTextPos pos) const;
    TavTextPos endPos() const;

    // --- caret and selection ---
    TavTextPos caret() const { return caret_; }
    TavTextPos anchor() const { return anchor_; }
    void setSelection(TavTextPos anchor, TavTextPos caret);
    bool hasSelection() const { return caret_ != anchor_; }
    TavTextPos selectionStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
    TavTextPos selectionEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
    int desiredX() const { return desiredX_; }

    // --- user actions ---
    TavEditResult typeChar(wchar_t ch);
    TavEditResult keyDown(unsigned virtualKey, bool control);
    // Plain text at the caret as one action; "\r\n" and lone "\n" become one line end.
    void insertText(const std::wstring& text);
    // Characters from the RTF reader at the caret. With `record` the insertion is one undo step.
    void insertCharacters(const std::vector<RtfInsertChar>& chars, bool record);
    // Deletes the selection as one action; false when there was none.
    bool deleteSelection();
    bool toggleStyle(int styleBit);
    void setFontFamily(const std::wstring& family);
    void setFontSize(float size);
    void setColor(uint32_t argb);
    // Face, size and style together, on the selection as one step and for the text typed next.
    void setFont(const std::wstring& family, float size, int style);
    bool undo();
    bool redo();
    void selectAll();

    // --- format ---
    Gdiplus::Font* currentFont() const { return font_; }
    const std::wstring& fontFamily() const { return family_; }
    float fontSize() const { return size_; }
    int fontStyle() const { return style_; }
    uint32_t currentColor() const { return color_; }
    void setCurrentFont(const std::wstring& family, float size, int style);
    void setCurrentColor(uint32_t argb) { color_ = argb; }
    int glyphAlpha() const { return alpha_; }
    // The character's font and color become current.
    void adoptFormatAt(TavTextPos pos);

    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { readOnly_ = on; }

    // --- geometry (client coordinates) ---
    TavTextPos positionAt(int x, int y) const;
    int columnAtX(int row, float bufferX) const;
    RECT caretRect() const;
    bool scrollToPosition(TavTextPos pos);
    bool scrollToCaret() { return scrollToPosition(caret_); }
    int scrollX() const { return scrollX_; }
    int scrollY() const { return scrollY_; }
    void setScroll(int x, int y);
    int pageWidth() const { return clientWidth_ - marginLeft() - kMarginRight; }
    // The left margin: kMarginLeft plus the indent that makes room for something drawn beside the
    // rows (a note block's row icons).
    int marginLeft() const { return kMarginLeft + indent_; }
    int leftIndent() const { return indent_; }
    // Moves every row sideways to the new indent; rows made later start there too.
    void setLeftIndent(int indent);
    // Told of every row created (inserted = true) or removed at an index, after the change.
    void setRowObserver(std::function<void(int index, bool inserted)> observer) {
        rowObserver_ = std::move(observer);
    }
    int pageHeight() const { return clientHeight_ - kMarginTop - kMarginBottom; }

    TavRichEditHistory& history() { return history_; }
    int sequence() const { return sequence_; }

    // TavGlyphListener
    void rowHeightChanged(TavGlyphEditRow* row, int difference) override;
    void rowNeedsWidth(TavGlyphEditRow* row, int right) override;

private:
    int indexOf(const TavGlyphEditRow* row) const;
    void ensureBuffer(int width, int height);
    void shiftRowsFrom(int index, int dy);
    int contentBottom() const;
    // Large edits (512 characters, or two new rows or more) lay out without painting into a buffer of the
    // final size (no pixel moves or buffer growth per row); each row is painted when it is first shown.
    bool beginBulk(size_t glyphs, size_t rows);
    void endBulk();
    void backspace();
    void deleteForward();
    void removeEmptyRow();
    void insertTyped(wchar_t ch);
    bool deleteSelectionAs(int sequence);
    void reformatSelection(const std::function<TavGlyph*(TavGlyph*)>& makeClone);
    void collapseTo(TavTextPos pos, bool keepDesiredX = false);
    void verticalMove(int delta);

    std::vector<TavGlyphEditRow*> rows_;
    TavMemDC buffer_;
    bool hasBuffer_ = false;
    int clientWidth_ = 0, clientHeight_ = 0;
    TavTextPos caret_, anchor_;
    bool readOnly_ = false;
    int desiredX_ = 0;
    TavFontPin font_; // pinned: the font cache never frees the font new text will take
    std::wstring family_;
    float size_ = kDefaultFontSize;
    int style_ = 0;
    uint32_t color_ = 0xFF000000u;
    int alpha_ = kDefaultAlpha;
    int sequence_ = 1;
    TavRichEditHistory history_;
    int contentWidth_ = 0, contentHeight_ = 0;
    int scrollX_ = 0, scrollY_ = 0;
    mutable int rowHint_ = 0;
    int indent_ = 0;
    std::function<void(int, bool)> rowObserver_;
};
