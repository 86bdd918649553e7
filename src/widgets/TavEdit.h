#pragma once
// The framework's single-font text field: one UTF-16 string (lines end in line feeds) in one font
// and one ARGB colour, drawn with GDI+ into the window image, with the blinking caret window,
// keyboard and mouse selection, undo and redo, and Unicode clipboard text.
//
// Lines break only at line feeds; long lines scroll sideways. Positions come from GDI+'s
// measurable character ranges, one line at a time, and a point is turned into a character
// index by bisection over its line. The text area selects: the field is neither dragged nor
// resized by the mouse.
#include "TavCaret.h"
#include "TavEditBuffer.h"
#include "TavWndMoveResize.h"

#include <gdiplus.h>

#include <memory>
#include <string>

// A font description; the GDI+ font is made from it when needed.
struct TavEditFont {
    std::wstring family;
    float size = 13.0f;
    int style = 0;                 // GDI+ style bits: 1 bold, 2 italic, 4 underline, 8 strike-out
    int unit = Gdiplus::UnitPixel; // a Gdiplus::Unit
    bool operator==(const TavEditFont&) const = default;
};

class TavEdit : public TavWndMoveResize {
public:
    static constexpr int kMarginLeft = 7;
    static constexpr int kMarginTop = 5;
    static constexpr int kCaretWidth = 2;
    static constexpr int kLineStep = 7;
    static constexpr int kBorderInset = 2;
    static constexpr uint32_t kSelectionColor = 0xFFE18900u;
    // Longer texts are refused on typing and pasting (and cut when set).
    static constexpr size_t kMaxLength = 32768;
    // Lines are measured and drawn in a layout this wide (no line reaches its end).
    static constexpr float kLayoutWidth = 1.0e6f;

    TavEdit();
    ~TavEdit() override;

    // --- overridden window operations ---
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onMouseMove(WPARAM keys, int x, int y) override;
    void onMoved(int x, int y) override;
    void onLeftButtonDown(WPARAM keys, int x, int y) override;
    void onLeftButtonUp(WPARAM keys, int x, int y) override;
    void onSized(WPARAM flag, int width, int height) override;
    void onDestroyed() override;
    void onMouseWheel(WPARAM keys, int delta, int screenX, int screenY) override;
    TavMemDC renderSelf() override;
    void takeFocus() override;
    bool loseFocus(TavWnd* newFocus) override;
    void zoneHitTest(int screenX, int screenY, const RECT& windowRect) override;

    // --- operations added by the field, in slot order ---
    // The character index at a client point (bisection over the point's line).
    virtual size_t hitTestIndex(int x, int y);
    // Scrolls so that the character index is inside the text area; true when the view moved.
    virtual bool scrollToIndex(size_t index);
    // Re-measures the lines, the content size and clamps the scroll position.
    virtual void relayout();
    // Draws the selection and the text into the window image.
    virtual void drawText(const TavMemDC& dc);
    virtual uint32_t selectionColor() const { return kSelectionColor; }
    // After every change of the text (typing, undo, clipboard, setText).
    virtual void onTextChanged() {}
    // The focus went to `newFocus` (null: out of the program); the base destroys the caret.
    virtual void onFocusLost(TavWnd* newFocus);
    // After the scroll position or the content size changed.
    virtual void onScrollChanged() {}

    // --- operations used by owners ---
    const std::wstring& text() const { return buffer_.text(); }
    // Replaces the text (cleaned for the mode, cut to kMaxLength); not undoable.
    void setText(const std::wstring& text);
    const TavEditFont& font() const { return font_; }
    void setFont(const TavEditFont& font);
    uint32_t color() const { return color_; }
    void setColor(uint32_t argb);
    bool multiLine() const { return multiLine_; }
    void setMultiLine(bool on);
    void setAlignment(Gdiplus::StringAlignment horizontal, Gdiplus::StringAlignment vertical);
    bool border() const { return border_; }
    void setBorder(bool on);
    void selectAll();

    // Clipboard (also reached through WM_COPY, WM_CUT and WM_PASTE); false when nothing changed.
    bool copy();
    bool cut();
    bool paste();
    bool undo();
    bool redo();
    // Inserts at the caret as one undoable step (cleaned for the mode).
    bool insertText(const std::wstring& text);

    size_t caret() const { return buffer_.caret(); }
    size_t anchor() const { return buffer_.anchor(); }
    bool hasSelection() const { return buffer_.hasSelection(); }
    void setSelection(size_t anchor, size_t caret);
    const TavEditBuffer& buffer() const { return buffer_; }
    TavCaret* caretWindow() const { return caret_.get(); }
    int scrollX() const { return scrollX_; }
    int scrollY() const { return scrollY_; }
    // Height of one line: the font's cell height.
    int lineHeight();
    // Width of the widest line and the height of all lines, in pixels (margins excluded).
    SIZE textSize();
    // The box of a character (the caret slot at the end of a line) in client coordinates.
    RECT characterRect(size_t index);
    // Width and height of the whole text with the caret's room (margins excluded).
    SIZE contentSize() const { return SIZE{contentWidth_, contentHeight_}; }
    // The font's em size in pixels (96 dots per inch for the units of length).
    static float pixelSize(const TavEditFont& font);
    // Character-range measurements made so far (a diagnostic counter).
    long measureCount() const { return measures_; }
    // `text` made fit for the field: CR LF and CR become LF (removed in single-line mode), other
    // control characters but tab are dropped.
    std::wstring cleanText(const std::wstring& text) const;

protected:
    // After an edit: layout, scroll to the caret, redraw, caret, onTextChanged.
    void afterEdit();
    // After a caret move: scroll, redraw when needed, caret.
    void afterMove(bool selectionChanged);
    void repaintNow();
    void placeCaret();
    void destroyCaret();
    Gdiplus::Font* gdiFont();
    // x of the index within its line, from the line's start (alignment included).
    float xInLine(size_t index);
    // Where the text is drawn: the client area inside the margins.
    virtual RECT textArea() const;
    // Scrolls to a position (clamped to the content); redraws when it moved.
    void setScroll(int x, int y);

private:
    void onKeyDown(WPARAM key);
    void onCharacter(wchar_t ch);
    void moveVertically(int lines, bool extend);
    void rememberCaretX();
    Gdiplus::RectF measureRange(const std::wstring& line, size_t from, size_t count);
    Gdiplus::Graphics* measureGraphics();
    Gdiplus::StringFormat* format();
    std::wstring displayLine(size_t line) const;
    int blockTop();
    // Where the line starts for the horizontal alignment, from the text area's left.
    float lineOffset(size_t line);
    void followWithIme(const RECT& caretClient);

    TavEditBuffer buffer_;
    TavEditFont font_;
    TavGpFont gdiFont_;
    uint32_t color_;
    bool multiLine_ = true;
    bool border_ = false;
    Gdiplus::StringAlignment alignH_ = Gdiplus::StringAlignmentNear;
    Gdiplus::StringAlignment alignV_ = Gdiplus::StringAlignmentNear;
    TavGpStringFormat format_;
    TavGpBitmap measureBitmap_;
    TavGpGraphics measureGraphics_;
    std::vector<float> lineWidths_;
    int contentWidth_ = 0;
    int contentHeight_ = 0;
    int scrollX_ = 0;
    int scrollY_ = 0;
    int lineHeight_ = 0;
    float rememberedX_ = 0.0f;
    std::unique_ptr<TavCaret> caret_;
    long measures_ = 0;
    wchar_t pendingHigh_ = 0; // the first half of a surrogate pair typed as two characters
};
