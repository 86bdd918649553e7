// The plain text block of a note and its context menu.
#include "TavNoteItemEdit.h"

#include "FileSystem.h"
#include "FolderUtils.h"
#include "Messages.h"
#include "NoteDocument.h"
#include "NoteFormat.h"
#include "Settings.h"
#include "XmlDocument.h"

#include <commdlg.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <optional>

using namespace Gdiplus;

namespace {

constexpr wchar_t kRoot[] = L"TavNoteItemEdit";
// A stored rectangle wider or taller than this is damage, not a block.
constexpr int kMaxStoredSide = 10000;
constexpr int kMaxStoredPosition = 100000;

// Whole-text decimal integer (optional sign, surrounding spaces); nothing for anything else.
std::optional<long long> parseWhole(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    const size_t digits = i;
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        if (i - digits >= 18) return std::nullopt; // beyond any 32-bit value written as text
        value = value * 10 + (text[i] - L'0');
    }
    if (i == digits) return std::nullopt;
    while (i < text.size() && iswspace(text[i])) ++i;
    if (i != text.size()) return std::nullopt;
    return negative ? -value : value;
}

std::optional<float> parseDecimal(const std::wstring& text) {
    if (text.empty() || text.size() > 64) return std::nullopt;
    wchar_t* end = nullptr;
    errno = 0;
    const double value = std::wcstod(text.c_str(), &end);
    while (end && *end && iswspace(*end)) ++end;
    if (!end || *end != L'\0' || end == text.c_str() || errno == ERANGE || !std::isfinite(value))
        return std::nullopt;
    return float(value);
}

bool isUsableFace(const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    return std::none_of(face.begin(), face.end(), [](wchar_t c) { return c < 32; });
}

bool isFontUnit(long long unit) { return unit >= UnitPixel && unit <= UnitMillimeter; }

uint32_t withOpacityFloor(uint32_t argb) {
    const uint32_t alpha = std::max<uint32_t>(argb >> 24, uint32_t(kMinNoteOpacity));
    return (alpha << 24) | (argb & 0x00FFFFFFu);
}

// Copies a damaged file to "<path>.bad" (".bad.1", ... when earlier ones exist) before it is
// rewritten.
bool keepDamagedCopy(const std::wstring& path) {
    std::wstring target = path + L".bad";
    for (int n = 1; fileExists(target) && n < 1000; ++n) target = path + L".bad." + std::to_wstring(n);
    return CopyFileW(path.c_str(), target.c_str(), TRUE) != FALSE;
}

COLORREF toColorRef(uint32_t argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }
uint32_t fromColorRef(COLORREF c) {
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | uint32_t(GetBValue(c));
}

bool systemFontDialog(HWND owner, TavEditFont& font, uint32_t& argb) {
    LOGFONTW lf{};
    lf.lfHeight = -LONG(std::lround(TavEdit::pixelSize(font)));
    lf.lfWeight = (font.style & FontStyleBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (font.style & FontStyleItalic) ? TRUE : FALSE;
    lf.lfUnderline = (font.style & FontStyleUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (font.style & FontStyleStrikeout) ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, font.family.c_str(), LF_FACESIZE - 1);
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof(cf);
    cf.hwndOwner = owner;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    cf.rgbColors = toColorRef(argb);
    if (!ChooseFontW(&cf)) return false;
    font.family = lf.lfFaceName;
    font.size = float(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight);
    font.unit = UnitPixel;
    font.style = (lf.lfWeight >= FW_SEMIBOLD ? FontStyleBold : 0) | (lf.lfItalic ? FontStyleItalic : 0) |
                 (lf.lfUnderline ? FontStyleUnderline : 0) | (lf.lfStrikeOut ? FontStyleStrikeout : 0);
    argb = (argb & 0xFF000000u) | fromColorRef(cf.rgbColors);
    return true;
}

bool systemColorDialog(HWND owner, uint32_t& argb, std::array<COLORREF, 16>& custom) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = owner;
    cc.rgbResult = toColorRef(argb);
    cc.lpCustColors = custom.data();
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorW(&cc)) return false;
    argb = (argb & 0xFF000000u) | fromColorRef(cc.rgbResult);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Menu

TavNoteItemEditMenu::TavNoteItemEditMenu(int opacity) {
    setObjectName(L"TavNoteItemEditMenu");
    addItem(kCmdBlockCut, L"剪切", L"cut.png");
    addItem(kCmdBlockCopy, L"复制", L"copy.png");
    addItem(kCmdBlockPaste, L"粘贴", L"paste.png");
    addItem(kCmdBlockDelete, L"删除");
    addItem(kCmdBlockFont, L"字体");
    addItem(kCmdBlockColor, L"颜色");
    addItem(kCmdBlockOpacity, L"设置透明度");
    setOpacityRow(kCmdBlockOpacity, opacity, kMinNoteOpacity);
}

// ---------------------------------------------------------------------------------------------
// Block

TavNoteItemEdit::TavNoteItemEdit(std::wstring noteUnique, std::wstring noteFolder)
    : noteUnique_(std::move(noteUnique)), noteFolder_(std::move(noteFolder)),
      store_(noteUnique_, noteFolder_, 0) {
    setObjectName(kRoot);
    setColor(kDefaultColor);
}

TavNoteItemEdit::~TavNoteItemEdit() = default;

std::wstring TavNoteItemEdit::GetFilePath() {
    const int id = objectIdIfAny();
    if (id <= 0) return std::wstring();
    std::wstring path = store_.childFilePath(id);
    // Only a file reached inside the data folder without a link is ours to write.
    return !path.empty() && isInsideDataFolder(path) ? path : std::wstring();
}

bool TavNoteItemEdit::createInNote(HWND note, int id, const RECT& rect) {
    if (!note ||
        !create(id, L"", 0, WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                std::max<LONG>(rect.right - rect.left, 1), std::max<LONG>(rect.bottom - rect.top, 1), note))
        return false;
    loading_ = true;
    const bool loaded = LoadFromFile();
    autoSize();
    loading_ = false;
    const std::wstring path = GetFilePath();
    if (!loaded && !path.empty() && isMissingFile(path)) {
        // A new block: its file holds everything from the start.
        std::vector<std::pair<const wchar_t*, std::wstring>> all = geometryValues();
        all.emplace_back(L"text", text());
        for (auto& value : fontValues()) all.push_back(value);
        all.emplace_back(L"color", std::to_wstring(static_cast<int>(color())));
        writeElements(all);
    }
    return true;
}

void TavNoteItemEdit::onCreated() {
    TavEdit::onCreated();
    vbar_.setColor(color());
    hbar_.setColor(color());
    vbar_.create(0, L"", 0, WS_CHILD, 0, 0, TavNoteScrollBar::kThickness, 1, handle());
    hbar_.create(0, L"", 0, WS_CHILD, 0, 0, 1, TavNoteScrollBar::kThickness, handle());
    layoutBars();
}

bool TavNoteItemEdit::LoadFromFile() {
    const std::wstring path = GetFilePath();
    XmlDocument doc;
    if (path.empty() || !doc.loadFile(path) || !doc.isWellFormed() || !doc.findElement(kRoot) ||
        !doc.intoElement())
        return false;
    std::vector<TavFoundElement> found{
        {L"left"},           {L"top"},        {L"right"},     {L"bottom"},   {L"text"},
        {L"fontfamilyname"}, {L"fontemsize"}, {L"fontstyle"}, {L"fontunit"}, {L"color"}};
    findChildElements(doc, found);
    auto value = [&](size_t i) -> const std::wstring* { return found[i].found ? &found[i].value : nullptr; };

    TavEditFont font = this->font();
    const auto unit = value(8) ? parseWhole(*value(8)) : std::nullopt;
    if (unit && isFontUnit(*unit)) font.unit = int(*unit);
    const auto size = value(6) ? parseDecimal(*value(6)) : std::nullopt;
    TavEditFont sized = font;
    sized.size = size.value_or(0.0f);
    const float pixels = TavEdit::pixelSize(sized);
    if (size && pixels >= kMinFontPixels && pixels <= kMaxFontPixels) {
        font.size = *size;
    } else {
        font.size = 13.0f;
        font.unit = UnitPixel;
    }
    const auto style = value(7) ? parseWhole(*value(7)) : std::nullopt;
    if (style && *style >= 0 && *style <= 0xF) font.style = int(*style);
    if (value(5) && isUsableFace(*value(5))) font.family = *value(5);
    setFont(font);

    const auto argb = value(9) ? parseWhole(*value(9)) : std::nullopt;
    if (argb) setColor(withOpacityFloor(static_cast<uint32_t>(*argb)));
    applyColorParts();

    std::optional<long long> r[4];
    for (int i = 0; i < 4; ++i) r[i] = value(size_t(i)) ? parseWhole(*value(size_t(i))) : std::nullopt;
    if (r[0] && r[1] && r[2] && r[3]) {
        const long long w = *r[2] - *r[0], h = *r[3] - *r[1];
        if (w > 0 && h > 0 && w <= kMaxStoredSide && h <= kMaxStoredSide &&
            std::llabs(*r[0]) <= kMaxStoredPosition && std::llabs(*r[1]) <= kMaxStoredPosition) {
            // Kept inside the note so that the block can be reached.
            RECT parent{};
            GetClientRect(GetParent(handle()), &parent);
            const int left =
                std::clamp(int(*r[0]), 0, std::max(0, int(parent.right) - kMarginLeft - kMinTextWidth));
            const int top = std::clamp(int(*r[1]), 0, std::max(0, int(parent.bottom) - lineHeight()));
            MoveWindow(handle(), left, top, int(w), int(h), FALSE);
        }
    }
    if (value(4)) {
        // A text longer than the block takes is cut; the whole file is kept beside it first.
        if (value(4)->size() > kMaxLength) keepDamagedCopy(path);
        setText(*value(4));
    }

    return true;
}

std::vector<std::pair<const wchar_t*, std::wstring>> TavNoteItemEdit::geometryValues() const {
    RECT r{};
    GetWindowRect(handle(), &r);
    MapWindowPoints(nullptr, GetParent(handle()), reinterpret_cast<POINT*>(&r), 2);
    return {{L"left", std::to_wstring(r.left)},
            {L"top", std::to_wstring(r.top)},
            {L"right", std::to_wstring(r.right)},
            {L"bottom", std::to_wstring(r.bottom)}};
}

std::vector<std::pair<const wchar_t*, std::wstring>> TavNoteItemEdit::fontValues() const {
    wchar_t size[64];
    swprintf(size, 64, L"%0.1f", double(font().size));
    return {{L"fontfamilyname", font().family},
            {L"fontemsize", size},
            {L"fontstyle", std::to_wstring(font().style)},
            {L"fontunit", std::to_wstring(font().unit)}};
}

bool TavNoteItemEdit::writeElements(const std::vector<std::pair<const wchar_t*, std::wstring>>& values) {
    const std::wstring path = GetFilePath();
    if (path.empty() || !handle()) return false;
    XmlDocument doc;
    if (!doc.loadFile(path) || !doc.isWellFormed()) {
        // A file that exists but does not load is kept beside its successor; one that cannot
        // even be copied is left alone.
        if (!isMissingFile(path) && !keepDamagedCopy(path)) return false;
        doc.setDocument(L"");
    }
    if (!doc.findElement(kRoot)) {
        if (!doc.addElement(kRoot) || !doc.intoElement() || !doc.addElement(L"ID", objectId())) return false;
        doc.outOfElement();
        doc.findElement(kRoot);
    }
    if (!doc.intoElement() || !setChildElements(doc, values)) return false;
    return doc.saveFile(path);
}

void TavNoteItemEdit::SaveGeometry() { writeElements(geometryValues()); }

void TavNoteItemEdit::eraseStoredData() {
    const std::wstring path = GetFilePath();
    if (!path.empty()) removeDataFile(path);
}

void TavNoteItemEdit::activateAt(int x, int y) {
    takeFocus();
    const size_t index = hitTestIndex(x, y);
    setSelection(index, index);
}

void TavNoteItemEdit::postToNote(UINT message, WPARAM wParam) {
    HWND note = handle() ? GetParent(handle()) : nullptr;
    if (note) PostMessageW(note, message, wParam, 0);
}

// --- text, size and scroll bars ---

void TavNoteItemEdit::onTextChanged() {
    autoSize();
    if (loading_) return;
    std::vector<std::pair<const wchar_t*, std::wstring>> values = geometryValues();
    values.emplace_back(L"text", text());
    writeElements(values);
    postToNote(kNoteMsgContentChanged, WPARAM(objectId()));
}

// The block grows with its text: as wide as the widest line, as tall as all lines, within the
// room the note has right of and below the block (kMarginH / kMarginV from its edges). Where it
// stops, the scroll bar of that direction shows.
void TavNoteItemEdit::autoSize() {
    HWND self = handle();
    HWND note = self ? GetParent(self) : nullptr;
    if (!note) return;
    RECT parent{}, before{};
    GetClientRect(note, &parent);
    GetWindowRect(self, &before);
    RECT at = before;
    MapWindowPoints(nullptr, note, reinterpret_cast<POINT*>(&at), 2);
    const SIZE content = textSize();
    measured_ = RECT{0, 0, content.cx, content.cy};
    const int lh = lineHeight();
    const int minWidth = kMarginLeft + kMinTextWidth;
    const int roomW = std::max<int>(minWidth, parent.right - at.left - kMarginH);
    const int wantW = kMarginLeft + kCaretWidth + content.cx;
    const bool limitedW = wantW > roomW;
    const int width = std::max(minWidth, std::min(wantW, roomW));
    const int minHeight = lh + 2 * kMarginTop;
    const int roomH = std::max<int>(minHeight, parent.bottom - at.top - kMarginV);
    const int wantH = content.cy + 2 * kMarginTop + (limitedW ? TavNoteScrollBar::kThickness : 0);
    const bool limitedH = wantH > roomH;
    const int height = std::max(minHeight, std::min(wantH, roomH));
    const bool barsChanged = showH_ != limitedW || showV_ != limitedH;
    showH_ = limitedW;
    showV_ = limitedH;
    if (width != before.right - before.left || height != before.bottom - before.top) {
        MoveWindow(self, at.left, at.top, width, height, FALSE);
    } else if (barsChanged) {
        relayout();
        layoutBars();
    }
    if (vbar_.handle()) vbar_.show(showV_ ? SW_SHOWNA : SW_HIDE);
    if (hbar_.handle()) hbar_.show(showH_ ? SW_SHOWNA : SW_HIDE);
    // The note shows the area the block covered before and covers now.
    RECT after{};
    GetWindowRect(self, &after);
    TavWnd* noteWnd = parentWnd();
    if (!noteWnd || EqualRect(&before, &after) || !IsWindowVisible(note)) return;
    RECT both;
    UnionRect(&both, &before, &after);
    if (noteWnd->redrawScreenRect(both.left, both.top, both.right, both.bottom)) noteWnd->present(&both);
}

void TavNoteItemEdit::onSized(WPARAM flag, int width, int height) {
    layoutBars();
    TavEdit::onSized(flag, width, height);
}

void TavNoteItemEdit::layoutBars() {
    RECT rc{};
    if (!handle()) return;
    GetClientRect(handle(), &rc);
    const int t = TavNoteScrollBar::kThickness;
    if (vbar_.handle())
        MoveWindow(vbar_.handle(), rc.right - t, 0, t, std::max<int>(1, rc.bottom - (showH_ ? t : 0)), FALSE);
    if (hbar_.handle())
        MoveWindow(hbar_.handle(), 0, rc.bottom - t, std::max<int>(1, rc.right - (showV_ ? t : 0)), t, FALSE);
    onScrollChanged();
}

RECT TavNoteItemEdit::textArea() const {
    RECT area = TavEdit::textArea();
    RECT rc{};
    if (handle()) GetClientRect(handle(), &rc);
    const int t = TavNoteScrollBar::kThickness;
    if (showV_) area.right = std::max<LONG>(area.left + 1, rc.right - t);
    if (showH_) area.bottom = std::max<LONG>(area.top + 1, std::min<LONG>(area.bottom, rc.bottom - t));
    return area;
}

void TavNoteItemEdit::onScrollChanged() {
    const SIZE content = contentSize();
    if (vbar_.handle()) {
        vbar_.setRange(0, content.cy + 2 * kMarginTop);
        vbar_.setPosition(scrollY());
    }
    if (hbar_.handle()) {
        hbar_.setRange(0, content.cx + kMarginLeft + kCaretWidth);
        hbar_.setPosition(scrollX());
    }
}

// --- colour and font ---

void TavNoteItemEdit::applyColorParts() {
    vbar_.setColor(color());
    hbar_.setColor(color());
}

void TavNoteItemEdit::setTextOpacity(int alpha) {
    const uint32_t a = uint32_t(std::clamp(alpha, kMinNoteOpacity, 255));
    applyColor((a << 24) | (color() & 0x00FFFFFFu));
}

void TavNoteItemEdit::applyColor(uint32_t argb) {
    argb = withOpacityFloor(argb);
    setColor(argb); // repaints, the caret follows
    applyColorParts();
    repaintNow();
    writeElements({{L"color", std::to_wstring(static_cast<int>(argb))}});
    postToNote(kNoteMsgColorChanged, WPARAM(argb));
    postToNote(kNoteMsgContentChanged, WPARAM(objectId()));
}

void TavNoteItemEdit::applyFont(const TavEditFont& font) {
    setFont(font);
    autoSize();
    std::vector<std::pair<const wchar_t*, std::wstring>> values = geometryValues();
    for (auto& value : fontValues()) values.push_back(value);
    writeElements(values);
    postToNote(kNoteMsgContentChanged, WPARAM(objectId()));
}

void TavNoteItemEdit::chooseFontCommand() {
    TavEditFont chosen = font();
    uint32_t argb = color();
    const bool ok = dialogs_.chooseFont ? dialogs_.chooseFont(*this, chosen, argb)
                                        : systemFontDialog(handle(), chosen, argb);
    if (!ok) return;
    if (!isUsableFace(chosen.family)) chosen.family = font().family;
    const float pixels = pixelSize(chosen);
    if (!isFontUnit(chosen.unit) || !(pixels >= kMinFontPixels && pixels <= kMaxFontPixels)) return;
    applyFont(chosen);
    // The font dialog offers a colour too: a changed one is taken as "颜色" would.
    if ((argb & 0x00FFFFFFu) != (color() & 0x00FFFFFFu))
        applyColor((color() & 0xFF000000u) | (argb & 0x00FFFFFFu));
}

void TavNoteItemEdit::chooseColorCommand() {
    uint32_t argb = color();
    std::array<COLORREF, 16>& custom = settings().customColors;
    const bool ok = dialogs_.chooseColor ? dialogs_.chooseColor(*this, argb, custom)
                                         : systemColorDialog(handle(), argb, custom);
    // Custom colours defined in the dialog are kept even when it was cancelled.
    saveCustomColors();
    if (ok) applyColor((color() & 0xFF000000u) | (argb & 0x00FFFFFFu));
}

void TavNoteItemEdit::deleteAllText() {
    setText(std::wstring());
    destroyCaret();
    if (focusedWindow() == this) setFocusedWindow(nullptr);
    postToNote(kNoteMsgPlainTextEmpty, WPARAM(objectId()));
}

// --- focus, menu and messages ---

bool TavNoteItemEdit::isOwnMenu(TavWnd* window) const {
    for (TavWnd* w = window; w; w = w->parentWnd())
        if (dynamic_cast<TavNoteItemEditMenu*>(w) || dynamic_cast<TavNoteMenuItem*>(w)) return true;
    return false;
}

void TavNoteItemEdit::onFocusLost(TavWnd* newFocus) {
    // The block's own menu (or its scroll bars) keeps the block in edit mode: only the caret
    // stops blinking.
    if (isOwnMenu(newFocus) || (newFocus && newFocus->isDescendantOf(this))) {
        if (caretWindow()) caretWindow()->hideCaret();
        return;
    }
    TavEdit::onFocusLost(newFocus);
    if (hasSelection()) setSelection(caret(), caret());
    if (text().empty()) postToNote(kNoteMsgPlainTextEmpty, WPARAM(objectId()));
}

void TavNoteItemEdit::onContextMenu(WPARAM, int screenX, int screenY) {
    auto* menu = new TavNoteItemEditMenu(int(color() >> 24));
    // The menu deletes itself once closed (at once when it cannot be made).
    menu->showAt(handle(), screenX, screenY);
}

LRESULT TavNoteItemEdit::onCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTavMsgScrollChanged) {
        if (int(wParam) == vbar_.objectIdIfAny()) setScroll(scrollX(), int(lParam));
        if (int(wParam) == hbar_.objectIdIfAny()) setScroll(int(lParam), scrollY());
        return 0;
    }
    if (message != kTavMsgCommand) return TavEdit::onCommand(message, wParam, lParam);
    switch (int(wParam)) {
    case kCmdBlockCut:
        SendMessageW(handle(), WM_CUT, 0, 0);
        break;
    case kCmdBlockCopy:
        SendMessageW(handle(), WM_COPY, 0, 0);
        break;
    case kCmdBlockPaste:
        SendMessageW(handle(), WM_PASTE, 0, 0);
        break;
    case kCmdBlockDelete:
        deleteAllText();
        break;
    case kCmdBlockFont:
        chooseFontCommand();
        break;
    case kCmdBlockColor:
        chooseColorCommand();
        break;
    default:
        break;
    }
    return 0;
}

LRESULT TavNoteItemEdit::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kNoteMsgAlphaChanged) {
        setTextOpacity(int(lParam));
        return 0;
    }
    return TavEdit::windowProc(message, wParam, lParam);
}
