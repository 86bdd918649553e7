#pragma once
// The note-styled input field of the name prompt: one line of text with a caret, typed into
// through character messages (which the IME produces too), edited with Backspace, Delete, the
// arrow keys, Home and End, Control+A and Control+V.
//
// A small single-line field of its own for now; the rich text editor takes its place once it
// is wired in, keeping text() and setText().
#include "TavWnd.h"

#include <string>

class TavNoteEdit : public TavWnd {
public:
    // Longer names are no use as file or folder names.
    static constexpr size_t kMaxLength = 200;

    TavNoteEdit();

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    TavMemDC renderSelf() override;
    void onLeftButtonDown(WPARAM keys, int x, int y) override;
    void takeFocus() override;
    bool loseFocus(TavWnd* newFocus) override;

    const std::wstring& text() const { return text_; }
    // Line breaks and other control characters are left out; the caret goes to the end.
    void setText(const std::wstring& text);
    size_t caret() const { return caret_; }
    bool allSelected() const { return allSelected_ && !text_.empty(); }

    // The editing rules, also usable without a window.
    void typeCharacter(wchar_t ch);
    void pressKey(WPARAM key, bool control);
    void insertText(const std::wstring& text);

private:
    void changed();
    bool removeSelection();
    void pasteClipboard();
    int caretPixel() const;
    void followWithIme();

    std::wstring text_;
    size_t caret_ = 0;
    bool allSelected_ = false;
    int scroll_ = 0;   // pixels of text hidden at the left
};
