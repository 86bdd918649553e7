#include "TavNoteEdit.h"

#include "Clipboard.h"

#include <algorithm>

#include "DrawToolkit.h"
#include "Settings.h"

namespace {

constexpr uint32_t kFieldFace = 0xFFFFFFFF;
constexpr uint32_t kIdleFrame = 0xFFB4B4B4;
constexpr float kFontSize = 13.0f;

bool acceptable(wchar_t ch) { return ch >= 32 && ch != 127; }

std::wstring cleaned(const std::wstring& text) {
    std::wstring out;
    for (wchar_t ch : text)
        if (acceptable(ch)) out.push_back(ch);
    return out;
}

// At most `room` characters of the text, never ending in the first half of a surrogate pair.
std::wstring limited(std::wstring text, size_t room) {
    if (text.size() <= room) return text;
    size_t take = room;
    if (take > 0 && IS_HIGH_SURROGATE(text[take - 1])) --take;
    text.resize(take);
    return text;
}

bool controlHeld() { return GetKeyState(VK_CONTROL) < 0; }

} // namespace

TavNoteEdit::TavNoteEdit() {
    setObjectName(L"TavNoteEdit");
    doc().setCurrentFont(settings().defaultFontFace, kFontSize, 0);
    doc().setCurrentColor(settings().defaultTextColor | 0xFF000000u);
}

std::wstring TavNoteEdit::text() const {
    const std::wstring raw = doc().text();
    std::wstring out;
    for (size_t i = 0; i < raw.size(); ++i) {
        const wchar_t ch = raw[i];
        if (IS_HIGH_SURROGATE(ch)) {
            if (i + 1 < raw.size() && IS_LOW_SURROGATE(raw[i + 1])) out.append(raw, i++, 2);
        } else if (!IS_LOW_SURROGATE(ch) && acceptable(ch)) {
            out.push_back(ch);
        }
    }
    return out;
}

size_t TavNoteEdit::caret() const { return size_t(doc().caret().column); }

size_t TavNoteEdit::room() const {
    size_t length = doc().text().size();
    size_t selected = 0;
    if (doc().hasSelection())
        selected = doc().textBetween(doc().selectionStart(), doc().selectionEnd()).size();
    length -= std::min(length, selected);
    return kMaxLength > length ? kMaxLength - length : 0;
}

void TavNoteEdit::setText(const std::wstring& text) {
    doc().selectAll();
    doc().deleteSelection();
    const std::wstring line = limited(cleaned(text), kMaxLength);
    if (!line.empty()) doc().insertText(line);
    doc().history().clear();
    afterChange();
}

void TavNoteEdit::insertName(const std::wstring& text) {
    const std::wstring piece = limited(cleaned(text), room());
    if (piece.empty()) return;
    insertText(piece);
}

void TavNoteEdit::typeCharacter(wchar_t ch) {
    if (ch == L'\b') {
        // A surrogate pair goes as one character.
        const TavTextPos at = doc().caret();
        if (!doc().hasSelection() && at.column >= 2 &&
            IS_LOW_SURROGATE(doc().textBetween(TavTextPos{at.row, at.column - 1}, at)[0]) &&
            IS_HIGH_SURROGATE(doc().textBetween(TavTextPos{at.row, at.column - 2}, at)[0]))
            doc().setSelection(TavTextPos{at.row, at.column - 2}, at);
        TavRichEdit::windowProc(WM_CHAR, ch, 0);
        return;
    }
    // Line breaks, tabs and other control characters have no place in a name.
    if (!acceptable(ch)) return;
    if (room() == 0 && !IS_LOW_SURROGATE(ch)) {
        MessageBeep(MB_OK);
        return;
    }
    TavRichEdit::windowProc(WM_CHAR, ch, 0);
}

void TavNoteEdit::pasteClipboard() {
    if (!OpenClipboard(handle())) return;
    const std::wstring text = openClipboardText();
    CloseClipboard();
    // A name is plain text on one line, whatever formats the clipboard also holds.
    insertName(text);
}

TavMemDC TavNoteEdit::renderSelf() {
    TavMemDC text = TavRichEdit::renderSelf();
    if (!text) return text;
    const int w = text.width(), h = text.height();
    TavMemDC dc = createMemoryDC(handle(), w, h);
    if (!dc) return dc;
    const bool focused = focusedWindow() == this;
    const uint32_t accent = settings().borderMenuColor | 0xFF000000u;
    fillAndFrame(dc.dc(), 0, 0, w, h, kFieldFace, 255);
    fillAndFrame(dc.dc(), 0, 0, w, h, focused ? accent : kIdleFrame, 0);
    GdiFlush();
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // Inside the frame only: the text never covers it.
    if (w > 2 && h > 2) AlphaBlend(dc.dc(), 1, 1, w - 2, h - 2, text.dc(), 1, 1, w - 2, h - 2, blend);
    return dc;
}

void TavNoteEdit::takeFocus() {
    TavRichEdit::takeFocus();
    repaintNow();
}

bool TavNoteEdit::loseFocus(TavWnd* newFocus) {
    const bool moved = TavRichEdit::loseFocus(newFocus);
    if (moved) repaintNow();
    return moved;
}

LRESULT TavNoteEdit::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        // Characters and arrows are ours; Enter and Escape stay with the dialog (OK, Cancel).
        return DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_CHAR:
    case WM_IME_CHAR:
        if (!controlHeld()) typeCharacter(static_cast<wchar_t>(wParam));
        return 0;
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_UP:
        case VK_DOWN:
            return 0;
        case 'B':
        case 'I':
        case 'U':
        case 'T':
            // A name has no styles.
            if (controlHeld()) return 0;
            break;
        case 'V':
            if (controlHeld()) {
                pasteClipboard();
                return 0;
            }
            break;
        default:
            break;
        }
        return TavRichEdit::windowProc(message, wParam, lParam);
    case WM_PASTE:
        pasteClipboard();
        return 0;
    default:
        return TavRichEdit::windowProc(message, wParam, lParam);
    }
}
