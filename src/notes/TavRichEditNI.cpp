#include "TavRichEditNI.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>

#include "AppPaths.h"
#include "DrawToolkit.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "ImageFiles.h"
#include "NoteDocument.h"
#include "NoteFormat.h"
#include "NoteStore.h"
#include "Settings.h"
#include "TavNoteMessageBox.h"
#include "TavRichEditNIMenu.h"
#include "TavRichEditRtf.h"
#include "XmlDocument.h"
#include "AtomicFile.h"

namespace {

constexpr wchar_t kRoot[] = L"TavRichEditNI";
// A stored line height beyond this is damage, not a choice: it would only grow the buffer.
constexpr int kMaxLineHeight = 200;

TavRichEditNI* g_active = nullptr;

bool shiftHeld() { return GetKeyState(VK_SHIFT) < 0; }

// The file's bytes; false when it cannot be read (a missing file reads as nothing).
bool readBytes(const std::wstring& path, std::string& out) {
    out.clear();
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0)
        out.append(buffer, got);
    CloseHandle(file);
    return ok;
}

// A stored rectangle is used only when it has a size a window can have.
bool usableRect(const RECT& r) {
    constexpr LONG kMaxSide = 16384;
    return r.right > r.left && r.bottom > r.top && r.right - r.left <= kMaxSide &&
           r.bottom - r.top <= kMaxSide;
}

// Opens the block's file for reading with the cursor inside its root element.
bool openForReading(XmlDocument& doc, const std::wstring& path) {
    return !path.empty() && doc.loadFile(path) && doc.findElement(kRoot) && doc.intoElement();
}

// With the cursor at the start of the root: removes every child named `a` or `b`; the cursor
// ends on the last child left, so that what is added next is appended.
void removeChildren(XmlDocument& doc, const wchar_t* a, const wchar_t* b = nullptr) {
    while (doc.findElement(nullptr)) {
        const std::wstring name = doc.currentName();
        if (name == a || (b && name == b)) doc.removeElement();
    }
}

} // namespace

bool TavRichEditNI::openForWriting(XmlDocument& xml) {
    const std::wstring path = GetFilePath();
    if (path.empty() || !isInsideDataFolder(path) || !OpenDocument(xml)) return false;
    // The opened document's cursor rests on the root element.
    if (xml.currentName() != kRoot && !xml.findElement(kRoot)) return false;
    return xml.intoElement();
}

TavRichEditNI* TavRichEditNI::activeBlock() { return g_active; }

TavRichEditNI::TavRichEditNI(std::wstring noteUnique, std::wstring noteFolder)
    : noteUnique_(std::move(noteUnique)), noteFolder_(std::move(noteFolder)) {
    setObjectName(kRoot);
    setDragEnabled(true);
    setResizeEnabled(false);
    doc().setRowObserver([this](int index, bool inserted) { onRowsChanged(index, inserted); });
}

TavRichEditNI::~TavRichEditNI() {
    destroying_ = true;
    if (g_active == this) g_active = nullptr;
    doc().setRowObserver(nullptr);
    // The windows go with the objects: the scroll bars (members) first, then the block's own.
}

void TavRichEditNI::onDestroyed() {
    destroying_ = true;
    if (g_active == this) g_active = nullptr;
    TavRichEdit::onDestroyed();
}

std::wstring TavRichEditNI::GetFilePath() {
    if (noteUnique_.empty()) return std::wstring();
    return TavNoteStore(noteUnique_, noteFolder_, 0).childFilePath(objectId());
}

std::wstring TavRichEditNI::bodyPath() const {
    if (noteUnique_.empty()) return std::wstring();
    return TavNoteStore(noteUnique_, noteFolder_, 0).childBodyPath(objectIdIfAny());
}

// --- creation ---

bool TavRichEditNI::createInNote(HWND note, int id, const RECT& rect) {
    if (!note) return false;
    if (!create(id, L"", 0, WS_CHILD, rect.left, rect.top, std::max<LONG>(rect.right - rect.left, kMinWidth),
                std::max<LONG>(rect.bottom - rect.top, 1), note))
        return false;
    loadStored();
    show(SW_SHOWNA);
    repaintNow();
    return true;
}

void TavRichEditNI::onContentChanged() {
    if (!loading_ && !destroying_) autoSize();
}

void TavRichEditNI::loadStored() {
    loading_ = true;
    XmlDocument xml;
    const bool stored = openForReading(xml, GetFilePath());
    std::vector<TavFoundElement> wanted{
        {L"left", {}}, {L"top", {}}, {L"right", {}}, {L"bottom", {}}, {L"rtftext", {}}};
    if (stored) findChildElements(xml, wanted);
    if (stored && wanted[0].found && wanted[1].found && wanted[2].found && wanted[3].found) {
        const RECT r{parseNoteInt(wanted[0].value), parseNoteInt(wanted[1].value),
                     parseNoteInt(wanted[2].value), parseNoteInt(wanted[3].value)};
        if (usableRect(r)) {
            MoveWindow(handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
            lastSaved_ = r;
            geometrySaved_ = true;
        }
    }
    readRowStates();
    RECT rc{};
    GetClientRect(handle(), &rc);
    const int bar = TavNoteScrollBar::kThickness;
    vbar_.create(0, L"", 0, WS_CHILD, rc.right - bar, TavRichEditDoc::kMarginTop, bar,
                 std::max<int>(1, rc.bottom - TavRichEditDoc::kMarginTop - TavRichEditDoc::kMarginBottom),
                 handle());
    hbar_.create(0, L"", 0, WS_CHILD, leftMargin(), rc.bottom - bar,
                 std::max<int>(1, rc.right - leftMargin() - TavRichEditDoc::kMarginRight), bar, handle());
    vbar_.setColor(doc().currentColor());
    hbar_.setColor(doc().currentColor());
    if (stored && wanted[4].found && isRichBodyFileName(wanted[4].value)) {
        const std::wstring body = TavNoteStore(noteUnique_, noteFolder_, 0).fileInFolder(wanted[4].value);
        // Loading is no edit: nothing of it can be undone.
        if (!body.empty() && fileExists(body)) loadRtf(body, false);
    }
    std::vector<int> heights;
    XmlDocument again;
    if (openForReading(again, GetFilePath()) && again.findElement(L"lineheight") && again.intoElement()) {
        const size_t rows = size_t(doc().rowCount());
        while (heights.size() < rows && again.findElement(L"item"))
            heights.push_back(parseNoteInt(again.getData()));
    }
    readLineHeights(heights);
    savedHeights_.clear();
    for (int i = 0; i < doc().rowCount(); ++i) savedHeights_.push_back(doc().row(i)->lineSpacing());
    readRowStates();
    doc().setSelection(TavTextPos{}, TavTextPos{});
    loading_ = false;
    autoSize();
}

void TavRichEditNI::readRowStates() {
    icons_.clear();
    XmlDocument xml;
    if (openForReading(xml, GetFilePath()) && xml.findElement(L"rowstates") && xml.intoElement()) {
        const int rows = doc().rowCount();
        while (xml.findElement(L"item")) {
            const std::wstring text = xml.getData();
            const std::wstring name = xml.getAttribute(L"image");
            if (text.empty() ||
                !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
                continue;
            const int row = parseNoteInt(text);
            // Only names of icons in the icon folder are ever opened.
            if (row < 0 || row >= rows || name.empty() || !isPlainFileName(name)) continue;
            icons_[row] = name;
        }
    }
    updateIconMargin();
}

void TavRichEditNI::readLineHeights(const std::vector<int>& heights) {
    // Runs of rows that change by the same amount move together: one pass over the rows below.
    const int n = std::min<int>(int(heights.size()), doc().rowCount());
    int i = 0;
    while (i < n) {
        const int diff = std::clamp(heights[size_t(i)], 0, kMaxLineHeight) - doc().row(i)->lineSpacing();
        int j = i + 1;
        while (j < n &&
               std::clamp(heights[size_t(j)], 0, kMaxLineHeight) - doc().row(j)->lineSpacing() == diff)
            ++j;
        if (diff != 0) doc().changeLineSpacing(i, j - 1, diff);
        i = j;
    }
    if (n > 0) afterChange();
}

// --- files ---

void TavRichEditNI::SaveGeometry() {
    const RECT now = rectInNote();
    if (geometrySaved_ && EqualRect(&now, &lastSaved_)) return;
    XmlDocument doc;
    const std::wstring path = GetFilePath();
    if (!openForWriting(doc)) return;
    if (!setChildElements(doc, {{L"left", std::to_wstring(now.left)},
                                {L"top", std::to_wstring(now.top)},
                                {L"right", std::to_wstring(now.right)},
                                {L"bottom", std::to_wstring(now.bottom)}}))
        return;
    doc.outOfElement();
    if (!doc.saveFile(path)) return;
    lastSaved_ = now;
    geometrySaved_ = true;
}

bool TavRichEditNI::SaveBody() {
    const std::wstring path = GetFilePath();
    const std::wstring body = bodyPath();
    if (path.empty() || body.empty() || !isInsideDataFolder(body) || !isInsideDataFolder(path)) return false;
    const std::vector<TavGlyph*> glyphs = doc().allGlyphs();
    // An empty block empties its body, so that no earlier text comes back.
    const std::string bytes = glyphs.empty() ? std::string() : rtfBytes(glyphs);
    std::string old;
    bool changed = false;
    if (!readBytes(body, old) || old != bytes) {
        if (!replaceFileAtomically(body, bytes)) return false;
        changed = true;
    }
    std::vector<int> heights;
    for (int i = 0; i < doc().rowCount(); ++i) heights.push_back(doc().row(i)->lineSpacing());
    const std::wstring name = std::to_wstring(objectId()) + L"_rtf";
    XmlDocument stored;
    std::vector<TavFoundElement> found{{L"rtftext", {}}};
    if (openForReading(stored, path)) findChildElements(stored, found);
    if (found[0].found && found[0].value == name && heights == savedHeights_) return changed;
    XmlDocument xml;
    if (!openForWriting(xml)) return changed;
    removeChildren(xml, L"rtftext", L"lineheight");
    xml.addElement(L"rtftext", name);
    xml.addElement(L"lineheight");
    xml.intoElement();
    for (int h : heights) xml.addElement(L"item", h);
    xml.outOfElement();
    xml.outOfElement();
    if (!xml.saveFile(path)) return changed;
    savedHeights_ = heights;
    return true;
}

void TavRichEditNI::SaveRowStates() {
    XmlDocument xml;
    const std::wstring path = GetFilePath();
    if (!openForWriting(xml)) return;
    removeChildren(xml, L"rowstates");
    xml.addElement(L"rowstates");
    xml.intoElement();
    for (const auto& [row, name] : icons_) {
        xml.addElement(L"item", row);
        xml.setAttribute(L"image", name);
    }
    xml.outOfElement();
    xml.outOfElement();
    xml.saveFile(path);
}

void TavRichEditNI::eraseStoredData() {
    // Only the block's own files: `rtftext` is read from the file and could name any file of the
    // note folder (the note's own file, another block's body), so it never chooses what goes.
    const std::wstring body = bodyPath();
    if (!body.empty() && fileExists(body)) removeDataFile(body);
    const std::wstring path = GetFilePath();
    if (!path.empty() && fileExists(path)) removeDataFile(path);
}

// --- focus ---

void TavRichEditNI::activateAt(int x, int y) {
    takeFocus();
    // A new block starts with the caret at its start; otherwise the caret goes to the point.
    if (x == 0 && y == 0)
        moveCaretTo(0, 0, true);
    else
        moveCaretTo(doc().positionAt(x, y).row, doc().positionAt(x, y).column, true);
    if (doc().hasSelection()) doc().setSelection(doc().caret(), doc().caret());
    repaintNow();
}

void TavRichEditNI::takeFocus() {
    g_active = this;
    focusFlag_ = true;
    editing_ = true;
    updateScrollBars();
    TavRichEdit::takeFocus();
}

bool TavRichEditNI::loseFocus(TavWnd* newFocus) {
    if (destroying_) return TavRichEdit::loseFocus(newFocus);
    // The block's own scroll bars take no focus from it.
    if (newFocus && (newFocus == &hbar_ || newFocus == &vbar_)) return false;
    if (!TavRichEdit::loseFocus(newFocus)) return false;
    if (newFocus) {
        // Its own menu (and the menu's items and submenus) keep the block in edit mode.
        auto* menu = dynamic_cast<TavWndMenu*>(newFocus->root());
        if (menu && menu->commandTarget() == handle()) return true;
    }
    leave();
    return true;
}

bool TavRichEditNI::hasContent() const {
    return doc().rowCount() > 1 || doc().row(0)->count() > 0 || !icons_.empty();
}

void TavRichEditNI::leave() {
    if (g_active == this) g_active = nullptr;
    focusFlag_ = false;
    if (!editing_) return;
    editing_ = false;
    if (caretWindow()) caretWindow()->hideCaret();
    hideFrame();
    vbar_.show(SW_HIDE);
    hbar_.show(SW_HIDE);
    doc().setSelection(TavTextPos{}, TavTextPos{});
    doc().setScroll(0, 0);
    if (!hasContent()) {
        postToNote(kNoteMsgRichTextEmpty, WPARAM(objectId()), 0);
        return;
    }
    repaintNow();
    SaveGeometry();
    const bool changed = SaveBody();
    SaveRowStates();
    if (changed) postToNote(kNoteMsgContentChanged, 0, 0);
}

void TavRichEditNI::postToNote(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND note = handle() ? GetParent(handle()) : nullptr;
    if (note) PostMessageW(note, message, wParam, lParam);
}

// --- messages ---

LRESULT TavRichEditNI::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        if (!editing_) return 0;
        if (wParam == VK_RETURN && shiftHeld()) {
            onKeyDownMessage(wParam);
            return 0;
        }
        break;
    case WM_CHAR:
        // The Enter of Shift+Enter makes no line.
        if (!editing_ || (wParam == L'\r' && shiftHeld())) return 0;
        break;
    case WM_IME_CHAR:
    case WM_PASTE:
    case WM_CUT:
        // Typing reaches a block only while it is being edited.
        if (!editing_) return 0;
        break;
    case kNoteMsgAlphaChanged:
        setOpacity(std::clamp(int(lParam), 0, 255));
        repaintNow();
        return 0;
    case kNoteMsgSetRowIcon:
        setCaretRowIcon(wParam ? std::wstring(reinterpret_cast<const wchar_t*>(wParam)) : std::wstring());
        takeFocus();
        return 0;
    case kTavMsgScrollChanged:
        onScrolled(int(wParam));
        return 0;
    case kTavMsgScrollLostFocus:
        onMenuClosed(int(wParam));
        return 0;
    default:
        break;
    }
    return TavRichEdit::windowProc(message, wParam, lParam);
}

void TavRichEditNI::onKeyDownMessage(WPARAM) {
    RECT r = rectInNote();
    const int x = r.left + leftMargin();
    const int y = r.bottom + kNextBlockGap;
    HWND note = GetParent(handle());
    // Leaving first: an empty block goes, and the new one is placed below what stays.
    if (focusedWindow() == this) TavRichEdit::loseFocus(nullptr);
    leave();
    if (note) PostMessageW(note, kNoteMsgAddRichText, 0, MAKELPARAM(x, y));
}

LRESULT TavRichEditNI::onCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kTavMsgCommand) return TavRichEdit::onCommand(message, wParam, lParam);
    runCommand(int(wParam));
    return 0;
}

void TavRichEditNI::runCommand(int command) {
    switch (command) {
    case kCmdBlockCut:
        cut();
        break;
    case kCmdBlockCopy:
        copy();
        break;
    case kCmdBlockPaste:
        paste();
        break;
    case kCmdBlockDelete:
        deleteAfterConfirmation();
        return;
    case kCmdBlockFont:
        applyFont();
        break;
    case kCmdBlockColor:
        applyColor();
        break;
    case kCmdIconNone:
        setCaretRowIcon(std::wstring());
        break;
    case kCmdIconManage:
        openIconFolder();
        break;
    default:
        return;
    }
    if (editing_) {
        autoSize();
        takeFocus();
    }
}

void TavRichEditNI::onMenuClosed(int command) {
    // A scroll bar's lost focus is no leave; a menu closed by a click elsewhere is.
    if (command == vbar_.objectIdIfAny() || command == hbar_.objectIdIfAny()) return;
    if (!editing_ || focusedWindow() == this) return;
    TavWnd* focused = focusedWindow();
    if (focused) {
        auto* menu = dynamic_cast<TavWndMenu*>(focused->root());
        if (menu && menu->commandTarget() == handle()) return;
    }
    leave();
}

void TavRichEditNI::deleteAfterConfirmation() {
    int answer = 0;
    if (dialogs_.confirmDelete) {
        answer = dialogs_.confirmDelete(*this);
    } else {
        TavNoteMessageBox box(kBoxOk | kBoxCancel, L"确定要删除吗？", L"TavNote", 300, 120);
        box.setIcon(L"TavNote.png");
        answer = static_cast<int>(box.runModal(handle(), kConfirmDeleteBoxId));
    }
    if (answer != kNoteResultOk) {
        takeFocus();
        return;
    }
    doc().selectAll();
    doc().deleteSelection();
    icons_.clear();
    updateIconMargin();
    editing_ = true;
    leave();
}

void TavRichEditNI::applyFont() {
    std::wstring face = doc().fontFamily();
    float size = doc().fontSize();
    int style = doc().fontStyle();
    bool chosen = false;
    if (dialogs_.chooseFont) {
        chosen = dialogs_.chooseFont(*this, face, size, style);
    } else {
        LOGFONTW lf{};
        lf.lfHeight = -LONG(std::lround(size));
        lf.lfWeight = (style & 1) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style & 2) ? TRUE : FALSE;
        lf.lfUnderline = (style & 4) ? TRUE : FALSE;
        lf.lfStrikeOut = (style & 8) ? TRUE : FALSE;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
        CHOOSEFONTW cf{};
        cf.lStructSize = sizeof cf;
        cf.hwndOwner = handle();
        cf.lpLogFont = &lf;
        cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
        if (ChooseFontW(&cf)) {
            chosen = true;
            face = lf.lfFaceName;
            size = float(std::abs(lf.lfHeight));
            style = (lf.lfWeight >= 700 ? 1 : 0) | (lf.lfItalic ? 2 : 0) | (lf.lfUnderline ? 4 : 0) |
                    (lf.lfStrikeOut ? 8 : 0);
        }
    }
    if (!chosen || face.empty() || !(size > 0)) return;
    setFont(face, std::clamp(size, 1.0f, 500.0f), style & 15);
}

void TavRichEditNI::applyColor() {
    const uint32_t current = doc().currentColor();
    COLORREF color = RGB((current >> 16) & 0xFF, (current >> 8) & 0xFF, current & 0xFF);
    bool chosen = false;
    if (dialogs_.chooseColor) {
        chosen = dialogs_.chooseColor(*this, color);
    } else {
        CHOOSECOLORW cc{};
        cc.lStructSize = sizeof cc;
        cc.hwndOwner = handle();
        cc.rgbResult = color;
        cc.lpCustColors = settings().customColors.data();
        cc.Flags = CC_RGBINIT | CC_FULLOPEN;
        chosen = ChooseColorW(&cc) != 0;
        if (chosen) color = cc.rgbResult;
        saveCustomColors();
    }
    if (!chosen) return;
    const uint32_t argb = (current & 0xFF000000u) | (uint32_t(GetRValue(color)) << 16) |
                          (uint32_t(GetGValue(color)) << 8) | GetBValue(color);
    setColor(argb);
    vbar_.setColor(argb);
    hbar_.setColor(argb);
    postToNote(kNoteMsgColorChanged, WPARAM(argb), 0);
}

void TavRichEditNI::openIconFolder() {
    const std::wstring folder = iconDirectory();
    if (folder.empty()) return;
    if (dialogs_.openFolder)
        dialogs_.openFolder(folder);
    else
        ShellExecuteW(handle(), L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TavRichEditNI::onContextMenu(WPARAM, int screenX, int screenY) {
    POINT pt{screenX, screenY};
    ScreenToClient(handle(), &pt);
    const int row = doc().positionAt(pt.x, pt.y).row;
    auto it = icons_.find(row);
    auto* menu = new TavRichEditNIMenu(opacity(), it == icons_.end() ? std::wstring() : it->second);
    menu->showAt(handle(), screenX, screenY);
}

// --- row icons ---

void TavRichEditNI::setCaretRowIcon(const std::wstring& name) {
    const int row = doc().caret().row;
    if (row < 0 || row >= doc().rowCount()) return;
    if (name.empty())
        icons_.erase(row);
    else if (isPlainFileName(name))
        icons_[row] = name;
    else
        return;
    updateIconMargin();
    autoSize();
    repaintNow();
    SaveRowStates();
}

std::wstring TavRichEditNI::caretRowIcon() const {
    auto it = icons_.find(doc().caret().row);
    return it == icons_.end() ? std::wstring() : it->second;
}

void TavRichEditNI::onRowsChanged(int index, bool inserted) {
    if (icons_.empty()) return;
    std::map<int, std::wstring> moved;
    for (auto& [row, name] : icons_) {
        if (row < index)
            moved.emplace(row, std::move(name));
        else if (inserted)
            moved.emplace(row + 1, std::move(name));
        else if (row > index)
            moved.emplace(row - 1, std::move(name));
    }
    icons_ = std::move(moved);
    if (!destroying_) updateIconMargin();
}

void TavRichEditNI::updateIconMargin() {
    const int indent = icons_.empty() ? 0 : kIconMargin - TavRichEditDoc::kMarginLeft;
    if (doc().leftIndent() == indent) return;
    doc().setLeftIndent(indent);
    if (hbar_.handle()) {
        RECT rc{};
        GetClientRect(handle(), &rc);
        MoveWindow(hbar_.handle(), leftMargin(), rc.bottom - TavNoteScrollBar::kThickness,
                   std::max<int>(1, rc.right - leftMargin() - TavRichEditDoc::kMarginRight),
                   TavNoteScrollBar::kThickness, FALSE);
    }
}

const TavMemDC* TavRichEditNI::iconImage(const std::wstring& name) {
    auto it = iconCache_.find(name);
    if (it != iconCache_.end()) return &it->second;
    TavMemDC image;
    const std::wstring folder = iconDirectory();
    if (!folder.empty() && isPlainFileName(name)) {
        TavMemDC drawn = createMemoryDC(handle(), kIconSize, kIconSize);
        if (drawn && drawImageFile(folder + name, drawn.dc(), 0, 0, kIconSize, kIconSize, handle()))
            image = std::move(drawn);
    }
    return &iconCache_.emplace(name, std::move(image)).first->second;
}

void TavRichEditNI::drawIcons(const TavMemDC& dc) {
    if (icons_.empty()) return;
    RECT client{0, 0, dc.width(), dc.height()};
    for (const auto& [row, name] : icons_) {
        if (row >= doc().rowCount()) continue;
        const TavGlyphEditRow* r = doc().row(row);
        const int bottom = r->bandBottom() - doc().scrollY();
        RECT square{kIconLeft, bottom - kIconSize, kIconLeft + kIconSize, bottom};
        RECT visible;
        if (!IntersectRect(&visible, &square, &client)) continue;
        const TavMemDC* image = iconImage(name);
        if (image && image->ok()) blendPremultiplied(dc, client, *image, square.left, square.top, 255);
    }
}

// --- drawing, size and scrolling ---

TavMemDC TavRichEditNI::renderSelf() {
    TavMemDC dc = TavRichEdit::renderSelf();
    if (!dc) return dc;
    drawIcons(dc);
    return dc;
}

void TavRichEditNI::onSized(WPARAM flag, int width, int height) {
    const int bar = TavNoteScrollBar::kThickness;
    const int top = TavRichEditDoc::kMarginTop, bottom = TavRichEditDoc::kMarginBottom;
    if (vbar_.handle())
        MoveWindow(vbar_.handle(), width - bar, top, bar, std::max(1, height - top - bottom), FALSE);
    if (hbar_.handle())
        MoveWindow(hbar_.handle(), leftMargin(), height - bar,
                   std::max(1, width - leftMargin() - TavRichEditDoc::kMarginRight), bar, FALSE);
    TavRichEdit::onSized(flag, width, height);
    doc().updateContentSize();
}

void TavRichEditNI::onGeometryChanged() {
    TavRichEdit::onGeometryChanged();
    // The end of a drag; also when the note moves (then nothing changed in the note).
    if (geometrySaved_ || editing_) SaveGeometry();
    if (g_active == this && frameShown()) showFrame();
}

RECT TavRichEditNI::rectInNote() const {
    RECT r{};
    if (!handle()) return r;
    GetWindowRect(handle(), &r);
    MapWindowPoints(nullptr, GetParent(handle()), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void TavRichEditNI::autoSize() {
    if (!handle() || sizing_) return;
    sizing_ = true;
    doc().updateContentSize();
    RECT note{};
    HWND parent = GetParent(handle());
    if (parent) GetClientRect(parent, &note);
    const RECT r = rectInNote();
    const int margins = TavRichEditDoc::kMarginTop + TavRichEditDoc::kMarginBottom;
    // Room for the caret after the widest row.
    const int wantW =
        std::max(kMinWidth, leftMargin() + doc().contentWidth() + TavRichEditDoc::kMarginRight + 2);
    const int wantH = std::max(defaultLineHeight() + margins, doc().contentHeight() + margins);
    int w = wantW, h = wantH;
    if (parent) {
        w = std::max(kMinWidth, std::min<int>(w, note.right - r.left));
        h = std::max(1, std::min<int>(h, note.bottom - r.top));
    }
    if (w != r.right - r.left || h != r.bottom - r.top) {
        SetWindowPos(handle(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (parent && IsWindowVisible(handle())) {
            RECT both = r;
            RECT now = rectInNote();
            UnionRect(&both, &both, &now);
            MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&both), 2);
            if (redrawScreenRect(both.left, both.top, both.right, both.bottom)) present(&both);
        }
        // A view scrolled while the block was smaller comes back as far as the new size allows.
        const int maxX = std::max(0, doc().contentWidth() - doc().pageWidth());
        const int maxY = std::max(0, doc().contentHeight() - doc().pageHeight());
        if (doc().scrollX() > maxX || doc().scrollY() > maxY) {
            doc().setScroll(std::min(doc().scrollX(), maxX), std::min(doc().scrollY(), maxY));
            repaintNow();
            placeCaret();
        }
        if (frameShown()) showFrame();
    }
    updateScrollBars();
    sizing_ = false;
}

void TavRichEditNI::updateScrollBars() {
    if (!vbar_.handle() || !hbar_.handle()) return;
    const int contentH = doc().contentHeight(), contentW = doc().contentWidth();
    vbar_.setRange(0, contentH);
    hbar_.setRange(0, contentW);
    vbar_.setPosition(doc().scrollY());
    hbar_.setPosition(doc().scrollX());
    const bool active = editing_ && focusFlag_;
    vbar_.show(active && contentH > doc().pageHeight() ? SW_SHOWNA : SW_HIDE);
    hbar_.show(active && contentW > doc().pageWidth() ? SW_SHOWNA : SW_HIDE);
}

void TavRichEditNI::onScrolled(int barId) {
    if (barId == vbar_.objectIdIfAny())
        doc().setScroll(doc().scrollX(), vbar_.position());
    else if (barId == hbar_.objectIdIfAny())
        doc().setScroll(hbar_.position(), doc().scrollY());
    else
        return;
    repaintNow();
    // The caret window follows the text (it hides where it leaves the block).
    if (caretWindow() && focusedWindow() == this) placeCaret();
}
