// The plain text field: keys, characters, mouse selection, clipboard, layout and drawing.
#include "TavEdit.h"

#include "Clipboard.h"
#include "DrawToolkit.h"
#include "Settings.h"
#include "TavFont.h"

#include <imm.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Gdiplus;

namespace {

bool keyHeld(int key) { return GetKeyState(key) < 0; }

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

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

bool putClipboardText(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    bool ok = false;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* p = GlobalLock(mem)) {
            std::memcpy(p, text.c_str(), bytes);
            GlobalUnlock(mem);
            ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
        }
        if (!ok) GlobalFree(mem);
    }
    CloseClipboard();
    return ok;
}

// Line feeds become CR LF for other programs.
std::wstring withCrLf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'\n') out += L'\r';
        out += c;
    }
    return out;
}

void fillRect(const TavMemDC& dc, int left, int top, int right, int bottom, uint32_t argb) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, dc.width());
    bottom = std::min(bottom, dc.height());
    if (left >= right || top >= bottom) return;
    const uint32_t pixel = premultiply(argb);
    for (int y = top; y < bottom; ++y) std::fill_n(&dc.at(left, y), size_t(right - left), pixel);
}

} // namespace

TavEdit::TavEdit() : color_(settings().defaultTextColor) {
    setObjectName(L"TavEdit");
    cursorKind_ = kCursorText;
    font_.family = settings().defaultFontFace;
    font_.style = settings().defaultFontStyle;
    buffer_.setMaxLength(kMaxLength);
    // The text area selects: no drag, no resize.
    setDragEnabled(false);
    setResizeEnabled(false);
}

TavEdit::~TavEdit() { caret_.reset(); }

// --- messages ---

LRESULT TavEdit::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        onKeyDown(wParam);
        return 0;
    case WM_CHAR:
        onCharacter(wchar_t(wParam));
        return 0;
    case WM_IME_CHAR:
        // Handled here: default processing would send the character again as WM_CHAR.
        onCharacter(wchar_t(wParam));
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

void TavEdit::onKeyDown(WPARAM key) {
    const bool control = keyHeld(VK_CONTROL), shift = keyHeld(VK_SHIFT);
    if (caret_) caret_->suspend();
    const bool hadSelection = buffer_.hasSelection();
    auto moveTo = [&](size_t index) {
        buffer_.setSelection(shift ? buffer_.anchor() : index, index);
        rememberCaretX();
        afterMove(hadSelection || buffer_.hasSelection());
    };
    const size_t line = buffer_.lineOf(buffer_.caret());
    switch (key) {
    case VK_RETURN:
        if (!multiLine_) {
            MessageBeep(MB_OK);
        } else if (buffer_.insert(L"\n")) {
            afterEdit();
        }
        break;
    case VK_ESCAPE:
        loseFocus(nullptr);
        return;
    case VK_HOME:
        moveTo(buffer_.lineStart(line));
        break;
    case VK_END:
        moveTo(buffer_.lineEnd(line));
        break;
    case VK_LEFT:
        moveTo(buffer_.previousIndex(buffer_.caret()));
        break;
    case VK_RIGHT:
        moveTo(buffer_.nextIndex(buffer_.caret()));
        break;
    case VK_UP:
        moveVertically(-1, shift);
        break;
    case VK_DOWN:
        moveVertically(1, shift);
        break;
    case VK_DELETE:
        if (buffer_.eraseForward()) afterEdit();
        break;
    default:
        if (!control) break;
        switch (key) {
        case 'A':
        case 'a':
            selectAll();
            break;
        case 'C':
        case 'c':
            SendMessageW(handle(), WM_COPY, 0, 0);
            break;
        case 'X':
        case 'x':
            SendMessageW(handle(), WM_CUT, 0, 0);
            break;
        case 'V':
        case 'v':
            SendMessageW(handle(), WM_PASTE, 0, 0);
            break;
        case 'Y':
        case 'y':
            redo();
            break;
        case 'Z':
        case 'z':
            undo();
            break;
        default:
            break;
        }
        break;
    }
    if (caret_ && focusedWindow() == this) caret_->showCaret();
}

void TavEdit::onCharacter(wchar_t ch) {
    // Control with a letter gives a control character (the key itself is a command); a printable
    // character is typed even if Control seems held (a key released just before, AltGr).
    if (ch < 32 && keyHeld(VK_CONTROL)) return;
    if (isHighSurrogate(ch)) {
        pendingHigh_ = ch;
        return;
    }
    std::wstring typed(1, ch);
    if (isLowSurrogate(ch)) {
        if (!pendingHigh_) return;
        typed.insert(typed.begin(), pendingHigh_);
    }
    pendingHigh_ = 0;
    if (caret_) caret_->suspend();
    bool changed = false;
    if (ch == L'\b') {
        changed = buffer_.eraseBackward();
    } else if (ch == L'\n' || ch == 27) {
        MessageBeep(MB_OK);
    } else if (ch >= 32 || ch == L'\t') {
        changed = buffer_.insert(typed);
    }
    // A carriage return follows Enter, which has already been handled; other control
    // characters type nothing.
    if (changed) afterEdit();
    if (caret_ && focusedWindow() == this) caret_->showCaret();
}

void TavEdit::moveVertically(int lines, bool extend) {
    const int lh = lineHeight();
    const size_t line = buffer_.lineOf(buffer_.caret());
    const long long target = static_cast<long long>(line) + lines;
    if (target < 0 || target >= static_cast<long long>(buffer_.lineCount())) return;
    // Through the remembered x on the target line: by client point, as a click would.
    const int y = blockTop() + int(target) * lh - scrollY_ + lh / 2;
    const int x = kMarginLeft - scrollX_ + int(std::lround(rememberedX_));
    const bool hadSelection = buffer_.hasSelection();
    const size_t index = hitTestIndex(x, y);
    buffer_.setSelection(extend ? buffer_.anchor() : index, index);
    afterMove(hadSelection || buffer_.hasSelection());
}

void TavEdit::rememberCaretX() { rememberedX_ = xInLine(buffer_.caret()); }

// --- operations for owners ---

std::wstring TavEdit::cleanText(const std::wstring& text) const {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n') continue;
            c = L'\n';
        }
        if (c == L'\n') {
            if (multiLine_) out += c;
        } else if (c >= 32 || c == L'\t') {
            out += c;
        }
    }
    return out;
}

void TavEdit::setText(const std::wstring& text) {
    std::wstring clean = cleanText(text);
    if (clean.size() > kMaxLength) {
        size_t cut = kMaxLength;
        if (isHighSurrogate(clean[cut - 1])) --cut;
        clean.resize(cut);
    }
    buffer_.setText(std::move(clean));
    rememberCaretX();
    afterEdit();
}

bool TavEdit::insertText(const std::wstring& text) {
    const std::wstring clean = cleanText(text);
    if (clean.empty() && !buffer_.hasSelection()) return false;
    if (!buffer_.insert(clean)) return false;
    afterEdit();
    return true;
}

void TavEdit::setFont(const TavEditFont& font) {
    font_ = font;
    gdiFont_.reset();
    lineHeight_ = 0;
    relayout();
    scrollToIndex(buffer_.caret());
    repaintNow();
    placeCaret();
}

void TavEdit::setColor(uint32_t argb) {
    color_ = argb;
    repaintNow();
    placeCaret();
}

void TavEdit::setMultiLine(bool on) {
    multiLine_ = on;
    if (!on && buffer_.text().find(L'\n') != std::wstring::npos) setText(buffer_.text());
}

void TavEdit::setAlignment(StringAlignment horizontal, StringAlignment vertical) {
    alignH_ = horizontal;
    alignV_ = vertical;
    format_.reset();
    relayout();
    repaintNow();
    placeCaret();
}

void TavEdit::setBorder(bool on) {
    border_ = on;
    repaintNow();
}

void TavEdit::selectAll() {
    // An empty field has nothing to select.
    if (buffer_.length() == 0) return;
    buffer_.selectAll();
    afterMove(true);
}

void TavEdit::setSelection(size_t anchor, size_t caret) {
    buffer_.setSelection(anchor, caret);
    rememberCaretX();
    afterMove(true);
}

bool TavEdit::undo() {
    if (!buffer_.undo()) return false;
    afterEdit();
    return true;
}

bool TavEdit::redo() {
    if (!buffer_.redo()) return false;
    afterEdit();
    return true;
}

// --- clipboard ---

bool TavEdit::copy() {
    if (!buffer_.hasSelection()) return false;
    return putClipboardText(handle(), withCrLf(buffer_.selectedText()));
}

bool TavEdit::cut() {
    if (!copy()) return false;
    buffer_.eraseSelection();
    afterEdit();
    return true;
}

bool TavEdit::paste() {
    if (!OpenClipboard(handle())) return false;
    const std::wstring text = openClipboardText();
    CloseClipboard();
    return insertText(text);
}

// --- after changes ---

void TavEdit::afterEdit() {
    relayout();
    onTextChanged();
    scrollToIndex(buffer_.caret());
    rememberCaretX();
    repaintNow();
    placeCaret();
}

void TavEdit::afterMove(bool selectionChanged) {
    const bool scrolled = scrollToIndex(buffer_.caret());
    if (scrolled || selectionChanged) repaintNow();
    placeCaret();
    if (caret_ && focusedWindow() == this) caret_->showCaret();
}

void TavEdit::repaintNow() {
    if (!handle() || !IsWindowVisible(handle())) return;
    if (redrawAll()) present();
}

void TavEdit::placeCaret() {
    if (!handle()) return;
    RECT r = characterRect(buffer_.caret());
    r.right = r.left + kCaretWidth;
    followWithIme(r);
    if (!caret_) return;
    caret_->placeAt(clientToScreenRect(handle(), r), color_);
}

void TavEdit::followWithIme(const RECT& caretClient) {
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

void TavEdit::destroyCaret() { caret_.reset(); }

// --- focus and mouse ---

void TavEdit::takeFocus() {
    TavWndMoveResize::takeFocus();
    if (!caret_) {
        caret_ = std::make_unique<TavCaret>();
        if (!caret_->createFor(handle())) {
            caret_.reset();
            return;
        }
    }
    placeCaret();
    caret_->showCaret();
}

bool TavEdit::loseFocus(TavWnd* newFocus) {
    const bool moved = TavWndMoveResize::loseFocus(newFocus);
    if (moved) onFocusLost(newFocus);
    return moved;
}

void TavEdit::onFocusLost(TavWnd*) { destroyCaret(); }

void TavEdit::onDestroyed() {
    destroyCaret();
    TavWndMoveResize::onDestroyed();
}

void TavEdit::zoneHitTest(int, int, const RECT&) { setCursorKind(kCursorText); }

void TavEdit::onMoved(int x, int y) {
    TavWndMoveResize::onMoved(x, y);
    placeCaret();
}

void TavEdit::onSized(WPARAM flag, int width, int height) {
    TavWndMoveResize::onSized(flag, width, height);
    relayout();
    placeCaret();
}

void TavEdit::onLeftButtonDown(WPARAM keys, int x, int y) {
    TavWndMoveResize::onLeftButtonDown(keys, x, y);
    const bool hadSelection = buffer_.hasSelection();
    const size_t index = hitTestIndex(x, y);
    buffer_.setSelection((keys & MK_SHIFT) ? buffer_.anchor() : index, index);
    rememberCaretX();
    afterMove(hadSelection || buffer_.hasSelection());
}

void TavEdit::onMouseMove(WPARAM keys, int x, int y) {
    TavWndMoveResize::onMouseMove(keys, x, y);
    if (!(keys & MK_LBUTTON) || !pressFlag()) return;
    const size_t index = hitTestIndex(x, y);
    if (index == buffer_.caret()) return;
    buffer_.setSelection(buffer_.anchor(), index);
    rememberCaretX();
    afterMove(true);
}

void TavEdit::onLeftButtonUp(WPARAM keys, int x, int y) { TavWndMoveResize::onLeftButtonUp(keys, x, y); }

void TavEdit::onMouseWheel(WPARAM, int delta, int, int) {
    setScroll(scrollX_, scrollY_ - delta / WHEEL_DELTA * 3 * lineHeight());
}

void TavEdit::setScroll(int x, int y) {
    const RECT area = textArea();
    x = std::clamp(x, 0, std::max(0, contentWidth_ - int(area.right - area.left)));
    y = std::clamp(y, 0, std::max(0, contentHeight_ - int(area.bottom - area.top)));
    if (x == scrollX_ && y == scrollY_) return;
    scrollX_ = x;
    scrollY_ = y;
    onScrollChanged();
    repaintNow();
    placeCaret();
}

// --- measuring ---

float TavEdit::pixelSize(const TavEditFont& font) {
    switch (font.unit) {
    case UnitPoint:
        return font.size * 96.0f / 72.0f;
    case UnitInch:
        return font.size * 96.0f;
    case UnitDocument:
        return font.size * 96.0f / 300.0f;
    case UnitMillimeter:
        return font.size * 96.0f / 25.4f;
    default:
        return font.size;
    }
}

Font* TavEdit::gdiFont() {
    if (!gdiFont_) {
        const std::wstring& face = font_.family.empty() ? settings().defaultFontFace : font_.family;
        gdiFont_ = createFontWithFallback(face, font_.size, font_.style, Unit(font_.unit));
    }
    return gdiFont_.get();
}

int TavEdit::lineHeight() {
    if (lineHeight_ > 0) return lineHeight_;
    Font* font = gdiFont();
    int height = 0;
    FontFamily family;
    if (font && font->GetLastStatus() == Ok && font->GetFamily(&family) == Ok) {
        const int style = font->GetStyle();
        const UINT16 em = family.GetEmHeight(style);
        if (em > 0)
            height = int(double(family.GetCellAscent(style) + family.GetCellDescent(style)) *
                         double(pixelSize(font_)) / double(em)) +
                     1;
    }
    // Without a usable font the field still has lines to place the caret on.
    lineHeight_ = height > 0 ? height : int(std::ceil(pixelSize(font_))) + 3;
    return lineHeight_;
}

Graphics* TavEdit::measureGraphics() {
    if (!measureGraphics_) {
        measureBitmap_ = std::make_unique<Bitmap>(1, 1, PixelFormat32bppPARGB);
        measureGraphics_ = std::make_unique<Graphics>(measureBitmap_.get());
        measureGraphics_->SetTextRenderingHint(TextRenderingHintAntiAlias);
    }
    return measureGraphics_.get();
}

StringFormat* TavEdit::format() {
    if (!format_) {
        format_.reset(StringFormat::GenericTypographic()->Clone());
        if (!format_) format_ = std::make_unique<StringFormat>();
        format_->SetFormatFlags(format_->GetFormatFlags() | StringFormatFlagsNoWrap |
                                StringFormatFlagsMeasureTrailingSpaces | StringFormatFlagsNoClip);
        format_->SetTrimming(StringTrimmingNone);
        // Always near: ranges outside a layout rectangle are not measured everywhere, so the
        // layout is wide and the alignment is applied per line (lineOffset).
        format_->SetAlignment(StringAlignmentNear);
        format_->SetLineAlignment(StringAlignmentNear);
    }
    return format_.get();
}

std::wstring TavEdit::displayLine(size_t line) const {
    const size_t from = buffer_.lineStart(line), to = buffer_.lineEnd(line);
    std::wstring s = buffer_.text().substr(from, to - from);
    // One character for one character: tab stops are not placed the same way everywhere.
    std::replace(s.begin(), s.end(), L'\t', L' ');
    return s;
}

RECT TavEdit::textArea() const {
    RECT rc{};
    if (handle()) GetClientRect(handle(), &rc);
    RECT area{kMarginLeft, kMarginTop, std::max<LONG>(rc.right - kCaretWidth, kMarginLeft + 1),
              std::max<LONG>(rc.bottom - kMarginTop, kMarginTop + 1)};
    return area;
}

RectF TavEdit::measureRange(const std::wstring& line, size_t from, size_t count) {
    RectF box;
    if (line.empty() || count == 0) return box;
    const RectF layout(0.0f, 0.0f, kLayoutWidth, float(lineHeight() * 2));
    StringFormat* fmt = format();
    CharacterRange range{INT(from), INT(count)};
    fmt->SetMeasurableCharacterRanges(1, &range);
    Region region;
    Graphics* g = measureGraphics();
    ++measures_;
    if (g->MeasureCharacterRanges(line.c_str(), INT(line.size()), gdiFont(), layout, fmt, 1, &region) == Ok)
        region.GetBounds(&box, g);
    return box;
}

float TavEdit::xInLine(size_t index) {
    index = buffer_.alignIndex(index);
    const size_t line = buffer_.lineOf(index);
    const size_t start = buffer_.lineStart(line);
    const std::wstring s = displayLine(line);
    const size_t column = index - start;
    const float offset = lineOffset(line);
    if (s.empty()) return offset;
    if (column < s.size()) {
        const size_t next = buffer_.nextIndex(index) - start;
        return offset + measureRange(s, column, std::min(next, s.size()) - column).X;
    }
    const size_t last = buffer_.previousIndex(index) - start;
    const RectF box = measureRange(s, last, s.size() - last);
    return offset + box.X + box.Width;
}

float TavEdit::lineOffset(size_t line) {
    if (alignH_ == StringAlignmentNear) return 0.0f;
    const RECT area = textArea();
    const float width = line < lineWidths_.size() ? lineWidths_[line] : 0.0f;
    const float room = float(area.right - area.left) - width;
    if (room <= 0.0f) return 0.0f;
    return alignH_ == StringAlignmentCenter ? room / 2.0f : room;
}

int TavEdit::blockTop() {
    const RECT area = textArea();
    const int room = int(area.bottom - area.top) - contentHeight_;
    if (room <= 0 || alignV_ == StringAlignmentNear) return kMarginTop;
    return kMarginTop + (alignV_ == StringAlignmentCenter ? room / 2 : room);
}

void TavEdit::relayout() {
    const size_t lines = buffer_.lineCount();
    lineWidths_.assign(lines, 0.0f);
    float widest = 0.0f;
    Graphics* g = measureGraphics();
    Font* font = gdiFont();
    const RectF layout(0.0f, 0.0f, kLayoutWidth, float(lineHeight() * 2));
    for (size_t i = 0; i < lines; ++i) {
        const std::wstring s = displayLine(i);
        if (s.empty()) continue;
        RectF box;
        g->MeasureString(s.c_str(), INT(s.size()), font, layout, format(), &box);
        lineWidths_[i] = box.Width;
        widest = std::max(widest, box.Width);
    }
    contentWidth_ = int(std::ceil(widest)) + kCaretWidth;
    contentHeight_ = int(lines) * lineHeight();
    const RECT area = textArea();
    scrollX_ = std::clamp(scrollX_, 0, std::max(0, contentWidth_ - int(area.right - area.left)));
    scrollY_ = std::clamp(scrollY_, 0, std::max(0, contentHeight_ - int(area.bottom - area.top)));
    onScrollChanged();
}

SIZE TavEdit::textSize() {
    relayout();
    return SIZE{contentWidth_, contentHeight_};
}

size_t TavEdit::hitTestIndex(int x, int y) {
    const int lh = lineHeight();
    const int inText = y - blockTop() + scrollY_;
    const size_t lastLine = buffer_.lineCount() - 1;
    const size_t line = inText < 0 ? 0 : std::min(size_t(inText / lh), lastLine);
    const float tx = float(x - kMarginLeft + scrollX_) - lineOffset(line);
    const size_t start = buffer_.lineStart(line);
    const std::wstring s = displayLine(line);
    // The first character whose middle lies right of the point: the caret goes before it.
    size_t lo = 0, hi = s.size();
    while (lo < hi) {
        const size_t mid = buffer_.alignIndex(start + (lo + hi) / 2) - start;
        const size_t count = buffer_.nextIndex(start + mid) - start - mid;
        const RectF box = measureRange(s, mid, count);
        if (tx > box.X + box.Width / 2.0f)
            lo = mid + count;
        else
            hi = mid;
    }
    return start + std::min(lo, s.size());
}

bool TavEdit::scrollToIndex(size_t index) {
    if (!handle()) return false;
    const RECT area = textArea();
    const int width = int(area.right - area.left), height = int(area.bottom - area.top);
    const int lh = lineHeight();
    const int x = int(std::floor(xInLine(index)));
    const int top = int(buffer_.lineOf(index)) * lh;
    int sx = scrollX_, sy = scrollY_;
    if (x < sx) sx = std::max(0, x - kLineStep * 4);
    if (x + kCaretWidth > sx + width) sx = x + kCaretWidth - width + kLineStep * 4;
    if (top < sy) sy = top;
    if (top + lh > sy + height) sy = top + lh - height;
    sx = std::clamp(sx, 0, std::max(0, contentWidth_ - width));
    sy = std::clamp(sy, 0, std::max(0, contentHeight_ - height));
    if (sx == scrollX_ && sy == scrollY_) return false;
    scrollX_ = sx;
    scrollY_ = sy;
    onScrollChanged();
    return true;
}

RECT TavEdit::characterRect(size_t index) {
    index = buffer_.alignIndex(index);
    const int lh = lineHeight();
    const size_t line = buffer_.lineOf(index);
    const float x = xInLine(index);
    float width = float(kCaretWidth);
    if (index < buffer_.lineEnd(line)) {
        const std::wstring s = displayLine(line);
        const size_t column = index - buffer_.lineStart(line);
        const size_t count = buffer_.nextIndex(index) - index;
        width = measureRange(s, column, count).Width;
    }
    const int left = kMarginLeft - scrollX_ + int(std::floor(x));
    const int top = blockTop() + int(line) * lh - scrollY_;
    return RECT{left, top, left + std::max(1, int(std::ceil(width))), top + lh};
}

// --- drawing ---

TavMemDC TavEdit::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
    if (!dc) return dc;
    GdiFlush();
    if (border_) {
        // A 1-pixel frame in the text colour, kBorderInset pixels inside the edge.
        const int l = kBorderInset, t = kBorderInset, r = rc.right - kBorderInset,
                  b = rc.bottom - kBorderInset;
        fillRect(dc, l, t, r, t + 1, color_);
        fillRect(dc, l, b - 1, r, b, color_);
        fillRect(dc, l, t, l + 1, b, color_);
        fillRect(dc, r - 1, t, r, b, color_);
    }
    if (!buffer_.text().empty()) drawText(dc);
    return dc;
}

void TavEdit::drawText(const TavMemDC& dc) {
    const int lh = lineHeight();
    const RECT area = textArea();
    const int top = blockTop();
    const size_t lines = buffer_.lineCount();
    // Line i is drawn at y = top + i * lh - scrollY: only the lines inside the image.
    const size_t first = size_t(std::max(0, scrollY_ - top) / lh);
    const size_t last = std::min(lines, size_t(std::max(0, scrollY_ - top + dc.height()) / lh) + 2);
    if (buffer_.hasSelection()) {
        const size_t a = buffer_.selectionStart(), b = buffer_.selectionEnd();
        const size_t from = std::max(buffer_.lineOf(a), first), to = std::min(buffer_.lineOf(b) + 1, last);
        for (size_t line = from; line < to; ++line) {
            const size_t s = std::max(a, buffer_.lineStart(line)), e = std::min(b, buffer_.lineEnd(line));
            int x0 = kMarginLeft - scrollX_ + int(std::floor(xInLine(s)));
            int x1 = kMarginLeft - scrollX_ + int(std::ceil(xInLine(e)));
            // A selected line feed shows as a little room after the line.
            if (b > buffer_.lineEnd(line)) x1 += 4;
            const int y0 = top + int(line) * lh - scrollY_;
            fillRect(dc, std::max<int>(x0, area.left), y0, std::min<int>(x1, area.right), y0 + lh,
                     selectionColor());
        }
    }
    // GDI+ writes premultiplied pixels with their alpha straight into the window image.
    Bitmap image(dc.width(), dc.height(), dc.width() * 4, PixelFormat32bppPARGB,
                 reinterpret_cast<BYTE*>(dc.pixels()));
    Graphics g(&image);
    g.SetTextRenderingHint(TextRenderingHintAntiAlias);
    g.SetClip(Rect(area.left, area.top, area.right - area.left, area.bottom - area.top));
    SolidBrush brush{Color(ARGB(color_))};
    Font* font = gdiFont();
    for (size_t line = first; line < last; ++line) {
        const std::wstring s = displayLine(line);
        if (s.empty()) continue;
        const RectF layout(float(kMarginLeft - scrollX_) + lineOffset(line),
                           float(top + int(line) * lh - scrollY_), kLayoutWidth, float(lh * 2));
        g.DrawString(s.c_str(), INT(s.size()), font, layout, format(), &brush);
    }
}
