#include "TavNoteEdit.h"

#include <algorithm>

#include <imm.h>

#include "DrawToolkit.h"
#include "Settings.h"

namespace {

constexpr int kMarginX = 6;
constexpr uint32_t kFieldFace = 0xFFFFFFFF;
constexpr uint32_t kIdleFrame = 0xFFB4B4B4;
constexpr uint32_t kSelectionFace = 0xFFCCE4F7;

bool acceptable(wchar_t ch) { return ch >= 32 && ch != 127; }

std::wstring cleaned(const std::wstring& text) {
    std::wstring out;
    for (wchar_t ch : text)
        if (acceptable(ch)) out.push_back(ch);
    return out;
}

int textWidth(HWND window, const std::wstring& text) {
    if (text.empty()) return 0;
    // Measured with the format the field draws with; trailing spaces count.
    return measureTextFormat(window, text).cx - 1;
}

} // namespace

TavNoteEdit::TavNoteEdit() { setObjectName(L"TavNoteEdit"); }

void TavNoteEdit::setText(const std::wstring& text) {
    text_ = cleaned(text).substr(0, kMaxLength);
    caret_ = text_.size();
    allSelected_ = false;
    changed();
}

bool TavNoteEdit::removeSelection() {
    if (!allSelected()) {
        allSelected_ = false;
        return false;
    }
    text_.clear();
    caret_ = 0;
    allSelected_ = false;
    return true;
}

void TavNoteEdit::insertText(const std::wstring& text) {
    removeSelection();
    std::wstring piece = cleaned(text);
    size_t room = kMaxLength > text_.size() ? kMaxLength - text_.size() : 0;
    // Never split a surrogate pair at the length limit.
    size_t take = std::min(room, piece.size());
    if (take < piece.size() && take > 0 && IS_HIGH_SURROGATE(piece[take - 1])) --take;
    text_.insert(caret_, piece, 0, take);
    caret_ += take;
    changed();
}

void TavNoteEdit::typeCharacter(wchar_t ch) {
    if (ch == L'\b') {
        if (!removeSelection() && caret_ > 0) {
            size_t n = caret_ >= 2 && IS_LOW_SURROGATE(text_[caret_ - 1]) &&
                               IS_HIGH_SURROGATE(text_[caret_ - 2]) ? 2 : 1;
            text_.erase(caret_ - n, n);
            caret_ -= n;
        }
        changed();
        return;
    }
    if (acceptable(ch)) insertText(std::wstring(1, ch));
}

void TavNoteEdit::pressKey(WPARAM key, bool control) {
    auto step = [this](bool forward) {
        size_t n = 1;
        if (forward && caret_ + 1 < text_.size() && IS_HIGH_SURROGATE(text_[caret_])) n = 2;
        if (!forward && caret_ >= 2 && IS_LOW_SURROGATE(text_[caret_ - 1])) n = 2;
        return n;
    };
    bool hadSelection = allSelected();
    allSelected_ = false;
    switch (key) {
    case VK_LEFT:
        if (caret_ > 0 && !hadSelection) caret_ -= step(false);
        if (hadSelection) caret_ = 0;
        break;
    case VK_RIGHT:
        if (caret_ < text_.size() && !hadSelection) caret_ += step(true);
        if (hadSelection) caret_ = text_.size();
        break;
    case VK_HOME: caret_ = 0; break;
    case VK_END: caret_ = text_.size(); break;
    case VK_DELETE:
        if (hadSelection) {
            allSelected_ = true;
            removeSelection();
        } else if (caret_ < text_.size()) {
            text_.erase(caret_, step(true));
        }
        break;
    case 'A':
        if (control) allSelected_ = true;
        break;
    case 'V':
        if (control) pasteClipboard();
        return;
    default:
        allSelected_ = hadSelection;
        return;
    }
    changed();
}

void TavNoteEdit::pasteClipboard() {
    if (!OpenClipboard(handle())) return;
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            // The clipboard's size bounds the read even when the text lacks its terminator.
            size_t limit = GlobalSize(data) / sizeof(wchar_t);
            text.assign(chars, std::find(chars, chars + limit, L'\0'));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    insertText(text);
}

int TavNoteEdit::caretPixel() const {
    return kMarginX + textWidth(handle(), text_.substr(0, caret_)) - scroll_;
}

void TavNoteEdit::changed() {
    if (!handle()) return;
    RECT rc{};
    GetClientRect(handle(), &rc);
    // Keep the caret inside the field: scroll the text left or right as it moves.
    int x = caretPixel();
    int right = rc.right - kMarginX;
    if (x > right) scroll_ += x - right;
    if (x < kMarginX) scroll_ = std::max(0, scroll_ - (kMarginX - x));
    if (redrawAll()) present();
    followWithIme();
}

void TavNoteEdit::followWithIme() {
    if (!handle() || focusedWindow() != this) return;
    // The IME's composition window opens at the caret, so Chinese input appears where it goes.
    HIMC context = ImmGetContext(handle());
    if (!context) return;
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = POINT{caretPixel(), 4};
    ImmSetCompositionWindow(context, &form);
    ImmReleaseContext(handle(), context);
}

TavMemDC TavNoteEdit::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    int w = rc.right, h = rc.bottom;
    TavMemDC dc = createMemoryDC(handle(), w, h);
    if (!dc) return dc;
    bool focused = focusedWindow() == this;
    uint32_t accent = settings().borderMenuColor | 0xFF000000u;
    fillAndFrame(dc.dc(), 0, 0, w, h, kFieldFace, 255);
    fillAndFrame(dc.dc(), 0, 0, w, h, focused ? accent : kIdleFrame, 0);
    int width = textWidth(handle(), text_);
    if (allSelected()) fillAndFrame(dc.dc(), kMarginX - scroll_, 4, width, h - 8, kSelectionFace, 255);
    if (!text_.empty()) {
        TavGpStringFormat format =
            makeStringFormat(text_, Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter);
        // The layout starts left of the field when scrolled; the DC clips what lies outside.
        int inner = w - 2;
        TavMemDC text = drawText(handle(), text_, defaultFont(13.0f), defaultTextBrush(),
                                 format.get(), 0, 0, std::max(1, width + 2), h);
        if (text) {
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            int srcLeft = std::max(0, scroll_ - kMarginX + 1);
            int destLeft = std::max(1, kMarginX - scroll_);
            int span = std::min(text.width() - srcLeft, inner - destLeft + 1);
            if (span > 0)
                AlphaBlend(dc.dc(), destLeft, 0, span, h, text.dc(), srcLeft, 0, span, h, blend);
        }
    }
    if (focused) {
        int x = std::clamp(caretPixel(), 1, w - 2);
        uint32_t ink = settings().defaultTextColor | 0xFF000000u;
        for (int y = 5; y < h - 5; ++y) dc.at(x, y) = premultiply(ink);
    }
    return dc;
}

void TavNoteEdit::onLeftButtonDown(WPARAM keys, int x, int y) {
    TavWnd::onLeftButtonDown(keys, x, y);
    // The caret goes to the character boundary nearest the press.
    int target = x - kMarginX + scroll_;
    size_t best = 0;
    int bestDistance = std::abs(target);
    for (size_t i = 1; i <= text_.size(); ++i) {
        if (i < text_.size() && IS_LOW_SURROGATE(text_[i])) continue;
        int d = std::abs(textWidth(handle(), text_.substr(0, i)) - target);
        if (d < bestDistance) bestDistance = d, best = i;
    }
    caret_ = best;
    allSelected_ = false;
    changed();
}

void TavNoteEdit::takeFocus() {
    TavWnd::takeFocus();
    if (redrawAll()) present();
    followWithIme();
}

bool TavNoteEdit::loseFocus(TavWnd* newFocus) {
    bool moved = TavWnd::loseFocus(newFocus);
    if (moved && handle() && redrawAll()) present();
    return moved;
}

LRESULT TavNoteEdit::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        // Characters and arrows are ours; Enter and Escape stay with the dialog (OK, Cancel).
        return DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_CHAR:
        if (GetKeyState(VK_CONTROL) < 0 && wParam < 32) return 0;
        typeCharacter(static_cast<wchar_t>(wParam));
        return 0;
    case WM_KEYDOWN:
        pressKey(wParam, GetKeyState(VK_CONTROL) < 0);
        return 0;
    case WM_PASTE:
        pasteClipboard();
        return 0;
    default:
        return TavWnd::windowProc(message, wParam, lParam);
    }
}
