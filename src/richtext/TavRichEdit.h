#pragma once
// The rich text editor window: a TavRichEditDoc drawn into the window with its selection, the
// keyboard and mouse rules, the blinking caret window and the clipboard.
//
// With dragging enabled (off by default) the editor is a movable block: while it has the focus
// its frame (the move/resize outline, in the current text color) lies around it, the outer
// border pixels show the move cursor and dragging there moves the block. Clicks elsewhere place
// the caret as usual. It is never resized by the mouse: its owner sizes it.
#include "TavCaret.h"
#include "TavRichEditDoc.h"
#include "TavWndMoveResize.h"

#include <memory>
#include <string>

class TavRichEdit : public TavWndMoveResize {
public:
    static constexpr uint32_t kSelectionColor = 0xFFE18900u;

    TavRichEdit();
    ~TavRichEdit() override;

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onMouseMove(WPARAM keys, int x, int y) override;
    void onMoved(int x, int y) override;
    void onLeftButtonDown(WPARAM keys, int x, int y) override;
    void onLeftButtonUp(WPARAM keys, int x, int y) override;
    void onMouseLeave() override;
    void zoneHitTest(int screenX, int screenY, const RECT& windowRect) override;
    uint32_t outlineColor() override;
    void onSized(WPARAM flag, int width, int height) override;
    TavMemDC renderSelf() override;
    void onCreated() override;
    void takeFocus() override;
    bool loseFocus(TavWnd* newFocus) override;

    // Own operations.
    virtual void paintSelectionRange(const TavMemDC& dc, int row, int from, int to);
    virtual void paintSelection(const TavMemDC& dc);
    virtual bool scrollToPosition(int row, int column);
    virtual void moveCaretTo(int row, int column, bool adoptFormat);
    virtual void caretFromPoint(int x, int y, bool adoptFormat);

    TavRichEditDoc& doc() { return *doc_; }
    const TavRichEditDoc& doc() const { return *doc_; }
    TavCaret* caretWindow() const { return caret_.get(); }

    // Plain text at the caret (one undo step), then the view follows.
    void insertText(const std::wstring& text);
    bool loadRtf(const std::wstring& path, bool record = false);
    bool saveRtf(const std::wstring& path) const;
    void toggleStyle(int styleBit);
    void setFontFamily(const std::wstring& family);
    void setFontSize(float size);
    void setColor(uint32_t argb);
    void setFont(const std::wstring& family, float size, int style);
    void changeLineSpacing(int first, int last, int difference);
    void setReadOnly(bool on) { doc_->setReadOnly(on); }

    // Clipboard (also reached through WM_COPY, WM_CUT and WM_PASTE).
    bool copy();
    bool cut();
    bool paste();

    // After a change: content size, scrolling to the caret, a presented frame, the caret.
    void afterChange();
    // Called after every change of the text or its format (a block grows with its text).
    virtual void onContentChanged() {}
    // Redraws the window into its root and presents it.
    void repaintNow();
    // Whether the frame is shown around the block (it has the focus and can be dragged).
    bool frameShown() const { return frameShown_; }

protected:
    // Moves the caret window to the caret's place on the screen.
    void placeCaret();
    // Puts the frame around the block (when it can be dragged) or takes it away.
    void showFrame();
    void hideFrame();

private:
    // What decides whether an edit changed more than the caret's row.
    struct ViewState {
        int scrollX, scrollY, rowCount, contentHeight, caretRow;
        bool selection;
    };
    ViewState viewState() const;
    // After a key: when only the caret's row can have changed, that row alone is redrawn and
    // handed to the screen; otherwise afterChange.
    void afterKey(const ViewState& before);
    void onKeyDown(WPARAM key);
    void onCharacter(wchar_t ch);
    void showCaretIfFocused();
    void followWithIme(const RECT& caretClient);
    bool onFrameEdge(int screenX, int screenY) const;

    std::unique_ptr<TavRichEditDoc> doc_;
    std::unique_ptr<TavCaret> caret_;
    bool frameShown_ = false;
};
