#pragma once
// The note-styled input field of the name prompt: the rich text editor kept to one line of plain
// text in the program's default font, inside a white field whose frame takes the accent color
// while it has the focus. Enter and Escape stay with the dialog (OK and Cancel); pasted text loses
// its line breaks; a name never grows past kMaxLength characters.
#include "TavRichEdit.h"

#include <string>

class TavNoteEdit : public TavRichEdit {
public:
    // Longer names are no use as file or folder names.
    static constexpr size_t kMaxLength = 200;

    TavNoteEdit();

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    TavMemDC renderSelf() override;
    void takeFocus() override;
    bool loseFocus(TavWnd* newFocus) override;

    // The field's text; a surrogate half without its partner is left out.
    std::wstring text() const;
    // Line breaks and other control characters are left out; the caret goes to the end; the
    // change is not undoable.
    void setText(const std::wstring& text);
    // Plain text at the caret as one undoable step, cleaned and cut to the length limit.
    void insertName(const std::wstring& text);
    // Caret position as a character index in the line.
    size_t caret() const;
    bool hasSelection() const { return doc().hasSelection(); }

private:
    void typeCharacter(wchar_t ch);
    void pasteClipboard();
    size_t room() const;
};
