// The editor window: messages, painting, caret placement and the clipboard.
#include "TavRichEdit.h"

#include "TavRichEditRtf.h"

#include "Clipboard.h"

#include <imm.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool controlHeld() { return GetKeyState(VK_CONTROL) < 0; }

// The IME functions are looked up at run time: the program does not link imm32.
struct ImeApi {
    HIMC(WINAPI* getContext)(HWND) = nullptr;
    BOOL(WINAPI* setCompositionWindow)(HIMC, LPCOMPOSITIONFORM) = nullptr;
    BOOL(WINAPI* releaseContext)(HWND, HIMC) = nullptr;
    ImeApi() {
        HMODULE imm = LoadLibraryW(L"imm32.dll");
        if (!imm) return;
        getContext = reinterpret_cast<decltype(getContext)>(GetProcAddress(imm, "ImmGetContext"));
        setCompositionWindow =
            reinterpret_cast<decltype(setCompositionWindow)>(GetProcAddress(imm, "ImmSetCompositionWindow"));
        releaseContext = reinterpret_cast<decltype(releaseContext)>(GetProcAddress(imm, "ImmReleaseContext"));
    }
};
const ImeApi& ime() {
    static ImeApi api;
    return api;
}

bool setClipboardBytes(UINT format, const void* data, size_t size) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!mem) return false;
    void* p = GlobalLock(mem);
    if (!p) {
        GlobalFree(mem);
        return false;
    }
    std::memcpy(p, data, size);
    GlobalUnlock(mem);
    if (!SetClipboardData(format, mem)) {
        GlobalFree(mem);
        return false;
    }
    return true;
}

UINT rtfFormat() {
    static UINT format = RegisterClipboardFormatW(L"Rich Text Format");
    return format;
}

} // namespace

TavRichEdit::TavRichEdit() : doc_(std::make_unique<TavRichEditDoc>()) {
    setObjectName(L"TavRichEdit");
    cursorKind_ = kCursorText;
    // An input field stays where its dialog put it; a note's block turns dragging on.
    setDragEnabled(false);
    setResizeEnabled(false);
}

TavRichEdit::~TavRichEdit() { caret_.reset(); }

void TavRichEdit::onCreated() {
    TavWndMoveResize::onCreated();
    RECT rc{};
    GetClientRect(handle(), &rc);
    doc_->createBuffer(rc.right, rc.bottom);
    doc_->setPageSize(rc.right, rc.bottom);
    // The caret's window is made when the editor first takes the focus: a note opens many
    // editors, and only the focused one shows a caret.
    placeCaret();
}

void TavRichEdit::onSized(WPARAM flag, int width, int height) {
    TavWndMoveResize::onSized(flag, width, height);
    doc_->setPageSize(width, height);
}

void TavRichEdit::onMoved(int x, int y) {
    TavWndMoveResize::onMoved(x, y);
    placeCaret();
}

LRESULT TavRichEdit::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        onKeyDown(wParam);
        return 0;
    case WM_CHAR:
        onCharacter(wchar_t(wParam));
        return 0;
    case WM_IME_CHAR:
        // Handled here: default processing would send the character again as WM_CHAR.
        if (!controlHeld()) onCharacter(wchar_t(wParam));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_COPY:
        copy();
        return 0;
    case WM_CUT:
        cut();
        return 0;
    case WM_PASTE:
        paste();
        return 0;
    default:
        return TavWndMoveResize::windowProc(message, wParam, lParam);
    }
}

void TavRichEdit::onKeyDown(WPARAM key) {
    bool control = controlHeld();
    if (caret_) caret_->suspend();
    if (key == VK_ESCAPE) {
        loseFocus(nullptr);
        return;
    }
    TavEditResult result = TavEditResult::Ignored;
    if (control && key == 'C') {
        copy();
    } else if (control && key == 'X') {
        cut();
    } else if (control && key == 'V') {
        paste();
    } else {
        ViewState before = viewState();
        result = doc_->keyDown(unsigned(key), control);
        if (result == TavEditResult::Handled) afterKey(before);
    }
    showCaretIfFocused();
}

void TavRichEdit::onCharacter(wchar_t ch) {
    // Control with a letter gives a control character (the key itself is a command); a printable
    // character is typed even if Control seems held (a key released just before, AltGr).
    const bool editingControl = ch == 8 || ch == 9 || ch == 10 || ch == 13 || ch == 27;
    if (ch < 32 && (controlHeld() || !editingControl)) return;
    if (caret_) caret_->suspend();
    ViewState before = viewState();
    TavEditResult result = doc_->typeChar(ch);
    if (result == TavEditResult::Beep) MessageBeep(MB_OK);
    if (result == TavEditResult::Handled) afterKey(before);
    showCaretIfFocused();
}

void TavRichEdit::afterChange() {
    doc_->updateContentSize();
    doc_->scrollToCaret();
    repaintNow();
    placeCaret();
    onContentChanged();
}

TavRichEdit::ViewState TavRichEdit::viewState() const {
    return ViewState{doc_->scrollX(),       doc_->scrollY(),   doc_->rowCount(),
                     doc_->contentHeight(), doc_->caret().row, doc_->hasSelection()};
}

void TavRichEdit::afterKey(const ViewState& before) {
    doc_->updateContentSize();
    doc_->scrollToCaret();
    ViewState now = viewState();
    // One row changed in place: nothing scrolled, no row came or went or changed height, no
    // selection was or is painted.
    bool oneRow = now.scrollX == before.scrollX && now.scrollY == before.scrollY &&
                  now.rowCount == before.rowCount && now.contentHeight == before.contentHeight &&
                  now.caretRow == before.caretRow && !now.selection && !before.selection;
    if (!oneRow || !handle() || !IsWindowVisible(handle())) {
        repaintNow();
        placeCaret();
        onContentChanged();
        return;
    }
    const TavGlyphEditRow* r = doc_->row(now.caretRow);
    RECT client{};
    GetClientRect(handle(), &client);
    RECT band{0, r->bandTop() - doc_->scrollY(), client.right, r->bandBottom() - doc_->scrollY()};
    if (IntersectRect(&band, &band, &client)) {
        MapWindowPoints(handle(), nullptr, reinterpret_cast<POINT*>(&band), 2);
        if (redrawRect(handle(), TavWndSet{}, band)) presentChanged(band);
    }
    placeCaret();
    onContentChanged();
}

void TavRichEdit::repaintNow() {
    if (!handle() || !IsWindowVisible(handle())) return;
    if (redrawAll()) present();
}

void TavRichEdit::showCaretIfFocused() {
    if (!caret_) return;
    if (focusedWindow() == this)
        caret_->showCaret();
    else
        caret_->hideCaret();
}

void TavRichEdit::placeCaret() {
    if (!handle()) return;
    RECT r = doc_->caretRect();
    followWithIme(r);
    if (!caret_) return;
    POINT tl{r.left, r.top};
    ClientToScreen(handle(), &tl);
    RECT screen{tl.x, tl.y, tl.x + (r.right - r.left), tl.y + (r.bottom - r.top)};
    caret_->placeAt(screen, doc_->currentColor());
}

void TavRichEdit::followWithIme(const RECT& caretClient) {
    const ImeApi& api = ime();
    if (!api.getContext || !api.setCompositionWindow || !api.releaseContext) return;
    HIMC context = api.getContext(handle());
    if (!context) return;
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = POINT{caretClient.left, caretClient.top};
    api.setCompositionWindow(context, &form);
    api.releaseContext(handle(), context);
}

void TavRichEdit::takeFocus() {
    TavWndMoveResize::takeFocus();
    if (!caret_ && handle()) {
        caret_ = std::make_unique<TavCaret>();
        if (!caret_->createFor(handle())) caret_.reset();
    }
    showFrame();
    placeCaret();
    showCaretIfFocused();
}

bool TavRichEdit::loseFocus(TavWnd* newFocus) {
    bool moved = TavWndMoveResize::loseFocus(newFocus);
    if (moved && caret_) caret_->hideCaret();
    if (moved) hideFrame();
    return moved;
}

// --- frame ---

void TavRichEdit::showFrame() {
    if (!dragEnabled() || !handle() || !IsWindowVisible(handle())) return;
    frameShown_ = true;
    showOutline(windowRect());
}

void TavRichEdit::hideFrame() {
    if (!frameShown_) return;
    frameShown_ = false;
    if (outlineOwner() == this) hideOutline();
}

uint32_t TavRichEdit::outlineColor() { return doc_->currentColor(); }

bool TavRichEdit::onFrameEdge(int screenX, int screenY) const {
    if (!dragEnabled() || !frameShown_) return false;
    RECT rc = windowRect();
    RECT inner = rc;
    InflateRect(&inner, -borderThickness(), -borderThickness());
    POINT pt{screenX, screenY};
    return PtInRect(&rc, pt) && !PtInRect(&inner, pt);
}

void TavRichEdit::zoneHitTest(int screenX, int screenY, const RECT& rect) {
    POINT pt{screenX, screenY};
    // During a press the cursor chosen at the press stays.
    if (pressFlag_ || !PtInRect(&rect, pt)) return;
    setCursorKind(onFrameEdge(screenX, screenY) ? kCursorSizeAll : kCursorText);
}

void TavRichEdit::onMouseLeave() {
    TavWndMoveResize::onMouseLeave();
    // The base hides the outline when the pointer leaves; here it is the frame of the active block.
    if (frameShown_ && !pressFlag_ && outlineOwner() == this) showOutline(windowRect());
    if (!pressFlag_) cursorKind_ = kCursorText;
}

// --- mouse ---

void TavRichEdit::onLeftButtonDown(WPARAM keys, int x, int y) {
    POINT screen = toScreen(x, y);
    // A press on the frame of the active block starts a move; anywhere else it places the caret.
    setCursorKind(onFrameEdge(screen.x, screen.y) ? kCursorSizeAll : kCursorText);
    TavWndMoveResize::onLeftButtonDown(keys, x, y);
    if (isMoving()) return;
    bool hadSelection = doc_->hasSelection();
    TavTextPos pos = doc_->positionAt(x, y);
    doc_->setSelection(pos, pos);
    bool scrolled = doc_->scrollToCaret();
    if (hadSelection || scrolled) repaintNow();
    placeCaret();
    showCaretIfFocused();
}

void TavRichEdit::onMouseMove(WPARAM keys, int x, int y) {
    TavWndMoveResize::onMouseMove(keys, x, y);
    if (!pressFlag()) {
        POINT screen = toScreen(x, y);
        zoneHitTest(screen.x, screen.y, windowRect());
    }
    if (!(keys & MK_LBUTTON) || !pressFlag() || isMoving()) return;
    TavTextPos pos = doc_->positionAt(x, y);
    if (pos == doc_->caret()) return;
    doc_->setSelection(doc_->anchor(), pos);
    doc_->scrollToCaret();
    repaintNow();
    placeCaret();
}

void TavRichEdit::onLeftButtonUp(WPARAM keys, int x, int y) {
    if (isMoving()) {
        // The end of a move: the block takes the outline's place, and its frame comes back there.
        TavWndMoveResize::onLeftButtonUp(keys, x, y);
        if (frameShown_ && handle()) showOutline(windowRect());
        placeCaret();
        return;
    }
    // The frame around an active block is the outline too: without a move nothing is applied.
    TavWnd::onLeftButtonUp(keys, x, y);
    if (GetCapture() == handle()) ReleaseCapture();
    if (!doc_->hasSelection()) caretFromPoint(x, y, true);
    if (doc_->scrollToCaret()) repaintNow();
    placeCaret();
}

void TavRichEdit::moveCaretTo(int row, int column, bool adoptFormat) {
    TavTextPos pos = doc_->clampPos(TavTextPos{row, column});
    doc_->setSelection(pos, pos);
    if (adoptFormat) doc_->adoptFormatAt(pos);
    placeCaret();
}

void TavRichEdit::caretFromPoint(int x, int y, bool adoptFormat) {
    TavTextPos pos = doc_->positionAt(x, y);
    if (adoptFormat) {
        // The character before the caret gives the format typing continues in.
        TavTextPos from{pos.row, std::max(pos.column - 1, 0)};
        doc_->adoptFormatAt(from);
    }
    placeCaret();
}

bool TavRichEdit::scrollToPosition(int row, int column) {
    return doc_->scrollToPosition(TavTextPos{row, column});
}

// --- painting ---

void TavRichEdit::paintSelectionRange(const TavMemDC& dc, int rowIndex, int from, int to) {
    const TavGlyphEditRow* r = doc_->row(rowIndex);
    int left = int(r->xAt(from)) - doc_->scrollX();
    int right = int(r->xAt(to)) - doc_->scrollX();
    int top = r->bandTop() - doc_->scrollY();
    int bottom = r->bandBottom() - doc_->scrollY();
    left = std::max(left, doc_->marginLeft());
    right = std::min(right, dc.width() - TavRichEditDoc::kMarginRight);
    top = std::max(top, 0);
    bottom = std::min(bottom, dc.height());
    if (left >= right || top >= bottom) return;
    uint32_t pixel = premultiply(kSelectionColor);
    for (int y = top; y < bottom; ++y) std::fill_n(&dc.at(left, y), size_t(right - left), pixel);
}

void TavRichEdit::paintSelection(const TavMemDC& dc) {
    if (!doc_->hasSelection()) return;
    TavTextPos a = doc_->selectionStart(), b = doc_->selectionEnd();
    for (int r = a.row; r <= b.row; ++r) {
        int from = r == a.row ? a.column : 0;
        int to = r == b.row ? b.column : doc_->row(r)->count();
        paintSelectionRange(dc, r, from, to);
    }
}

TavMemDC TavRichEdit::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
    if (!dc) return dc;
    doc_->paintRowsIn(doc_->scrollY(), doc_->scrollY() + rc.bottom);
    GdiFlush();
    paintSelection(dc);
    RECT inner{doc_->marginLeft(), TavRichEditDoc::kMarginTop, rc.right - TavRichEditDoc::kMarginRight,
               rc.bottom - TavRichEditDoc::kMarginBottom};
    blendPremultiplied(dc, inner, doc_->buffer(), -doc_->scrollX(), -doc_->scrollY(), doc_->glyphAlpha());
    return dc;
}

// --- operations for the note code ---

void TavRichEdit::insertText(const std::wstring& text) {
    if (doc_->readOnly()) return;
    doc_->insertText(text);
    afterChange();
}

bool TavRichEdit::loadRtf(const std::wstring& path, bool record) {
    bool ok = readRtf(*doc_, path, record) == 0;
    afterChange();
    return ok;
}

bool TavRichEdit::saveRtf(const std::wstring& path) const { return ::saveRtf(*doc_, path); }

void TavRichEdit::toggleStyle(int styleBit) {
    if (doc_->toggleStyle(styleBit)) afterChange();
}

void TavRichEdit::setFontFamily(const std::wstring& family) {
    doc_->setFontFamily(family);
    afterChange();
}

void TavRichEdit::setFontSize(float size) {
    doc_->setFontSize(size);
    afterChange();
}

void TavRichEdit::setFont(const std::wstring& family, float size, int style) {
    doc_->setFont(family, size, style);
    afterChange();
}

void TavRichEdit::setColor(uint32_t argb) {
    doc_->setColor(argb);
    afterChange();
}

void TavRichEdit::changeLineSpacing(int first, int last, int difference) {
    doc_->changeLineSpacing(first, last, difference);
    afterChange();
}

// --- clipboard ---

bool TavRichEdit::copy() {
    if (!doc_->hasSelection()) return false;
    std::vector<TavGlyph*> glyphs = doc_->glyphsBetween(doc_->selectionStart(), doc_->selectionEnd());
    const std::string rtf = rtfBytes(glyphs);
    const bool haveRtf = !rtf.empty();
    std::wstring text = doc_->textBetween(doc_->selectionStart(), doc_->selectionEnd(), true);
    if (!OpenClipboard(handle())) return false;
    EmptyClipboard();
    if (haveRtf) setClipboardBytes(rtfFormat(), rtf.c_str(), rtf.size() + 1);
    setClipboardBytes(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()) + 1, nullptr, 0, nullptr, nullptr);
    if (n > 0) {
        std::string ansi(size_t(n), '\0');
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()) + 1, ansi.data(), n, nullptr, nullptr);
        setClipboardBytes(CF_TEXT, ansi.data(), ansi.size());
    }
    CloseClipboard();
    return true;
}

bool TavRichEdit::cut() {
    if (doc_->readOnly() || !doc_->hasSelection()) return false;
    if (!copy()) return false;
    doc_->deleteSelection();
    afterChange();
    return true;
}

bool TavRichEdit::paste() {
    if (doc_->readOnly()) return false;
    if (!OpenClipboard(handle())) return false;
    const std::string rtf = openClipboardBytes(rtfFormat());
    const std::wstring text = openClipboardText();
    CloseClipboard();
    bool pasted = false;
    if (!rtf.empty()) {
        // RTF that decodes lossily gives way to the plain text, when there is one.
        pasted = readRtfBytes(*doc_, rtf, true, /*refuseLossy=*/!text.empty()) == 0;
    }
    // RTF that cannot be read falls back to the plain text.
    if (!pasted && !text.empty()) {
        doc_->insertText(text);
        pasted = true;
    }
    if (pasted) afterChange();
    return pasted;
}
