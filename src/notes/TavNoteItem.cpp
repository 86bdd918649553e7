#include "TavNoteItem.h"

#include <algorithm>
#include <map>

#include "AppPaths.h"
#include "AppState.h"
#include "DrawToolkit.h"
#include "FileSystem.h"
#include "FileDialogs.h"
#include "FolderUtils.h"
#include "ImageFiles.h"
#include "NoteFolders.h"
#include "NoteGeometry.h"
#include "Settings.h"
#include "TavNoteItemDesktop.h"
#include "TavNoteMenu.h"
#include "TavNoteMessageBox.h"
#include "UniqueName.h"

namespace {

TavNoteItem* g_lastActive = nullptr;

std::map<std::wstring, TavNoteItem*>& notesByUnique() {
    static std::map<std::wstring, TavNoteItem*> map;
    return map;
}

TavNoteItem::ConfirmDelete& confirmDelete() {
    static TavNoteItem::ConfirmDelete ask = [](TavNoteItem& note) {
        TavNoteMessageBox box(3, L"确定要删除这个便签吗？", L"TavNote", 300, 120);
        box.setIcon(L"TavNote.png");
        return static_cast<int>(box.runModal(note.handle(), kConfirmDeleteBoxId));
    };
    return ask;
}

TavNoteItem::ConfirmOverwrite& confirmOverwrite() {
    static TavNoteItem::ConfirmOverwrite ask = [](TavNoteItem& note) {
        TavNoteMessageBox box(12, L"存在同名文件，是否覆盖？", L"TavNote", 300, 120);
        box.setIcon(L"TavNote.png");
        return static_cast<int>(box.runModal(note.handle()));
    };
    return ask;
}

constexpr wchar_t kImageFilter[] = L"png gif jpg bmp 格式文件\0*.PNG;*.gif;*.jpg;*.bmp\0";

SYSTEMTIME localNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

} // namespace

// --- the bottom label ---

TavNoteLabel::TavNoteLabel() { setObjectName(L"TavNoteLabelAnimate"); }

LRESULT TavNoteLabel::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // An empty label is not there for the mouse: the note below gets the clicks (and its grip).
    if (message == WM_NCHITTEST && text_.empty()) return HTTRANSPARENT;
    return TavWnd::windowProc(message, wParam, lParam);
}

TavMemDC TavNoteLabel::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    if (text_.empty()) return createMemoryDC(handle(), rc.right, rc.bottom);
    return drawDefaultText(handle(), text_, Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter, rc);
}

// --- the note ---

TavNoteItem* TavNoteItem::lastActive() { return g_lastActive; }

TavNoteItem* TavNoteItem::findByUnique(const std::wstring& unique) {
    auto it = notesByUnique().find(unique);
    return it == notesByUnique().end() ? nullptr : it->second;
}

void TavNoteItem::setConfirmDelete(ConfirmDelete ask) { confirmDelete() = std::move(ask); }

void TavNoteItem::setConfirmOverwrite(ConfirmOverwrite ask) { confirmOverwrite() = std::move(ask); }

TavNoteItem::TavNoteItem(std::wstring unique, bool hosted)
    : store_(std::move(unique), L"", 0), hosted_(hosted), color_(settings().defaultTextColor) {
    setObjectName(L"TavNoteItem");
    store_.setHosted(hosted);
}

TavNoteItem::~TavNoteItem() {
    gif_.stopAll();
    if (g_lastActive == this) g_lastActive = nullptr;
    auto it = notesByUnique().find(store_.unique());
    if (it != notesByUnique().end() && it->second == this) notesByUnique().erase(it);
    // The label is a member: its window goes (with the object) before the note's window.
}

bool TavNoteItem::create(int id, const wchar_t* name, DWORD exStyle, DWORD style, int x, int y, int width,
                         int height, HWND parent) {
    if (!TavWndMoveResize::create(id, name, exStyle, style & ~WS_VISIBLE, x, y, width, height, parent))
        return false;
    if (!toDesk_) {
        show(SW_SHOW);
        return true;
    }
    // A note embedded in the desktop is shown without being activated (activation would bring it
    // to the top) and goes back below the other windows.
    show(SW_SHOWNA);
    attachToDesktop(handle());
    return true;
}

void TavNoteItem::onCreated() {
    TavWndMoveResize::onCreated();
    setBorderThickness(kResizeCorner);
    store_.setObjectId(objectId());
    // One read of the note file serves the start-up sequence below.
    TavNoteStore::ReadBatch reads(store_);
    RECT client{};
    GetClientRect(handle(), &client);
    // See-through for the framework's hit test while it shows nothing (TavNoteLabel::windowProc
    // does the same for the platform's).
    label_.create(0, L"'", WS_EX_TRANSPARENT, WS_CHILD | WS_VISIBLE, 0, client.bottom - kLabelHeight, client.right,
                  kLabelHeight, handle());

    // The folder's name is the note's identity: a file that names another folder is corrected,
    // never followed (the note would write into another note's folder). A new note's file starts
    // with `ID`, `unique` and `group` in one save.
    if (store_.unique().empty()) store_.createNewNoteFile(localNow());
    else store_.rewriteUniqueFromFolder();
    if (!store_.unique().empty()) notesByUnique()[store_.unique()] = this;

    LoadGeometry();
    loadBackground();
    color_ = store_.LoadColor().value_or(color_);
    if (auto alpha = store_.LoadAlpha()) setOpacity(std::clamp(*alpha, 0, 255));
    // The group is written back only when the file lacks it: rewriting the same text would cost
    // a flushed save per note at every start.
    if (!store_.LoadGroup()) store_.SaveGroup();
    snapshotName_ = store_.LoadSnapshotName().value_or(L"");
    if (!hosted_) {
        topMost_ = store_.LoadTopMost().value_or(false);
        toDesk_ = store_.LoadToDesk().value_or(false);
        applyPlacement();
    }
    if (GetWindowLongW(handle(), GWL_STYLE) & WS_VISIBLE) Redraw();
    if (hosted_) {
        RECT window{};
        GetWindowRect(handle(), &window);
        RECT centred = centreOnScreen(window, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        SetWindowPos(handle(), nullptr, centred.left, centred.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    GetClientRect(handle(), &client);
    frames_ = swingFrames(client, -9.0);
    GetWindowRect(handle(), &lastSaved_);
    SetDoubleClickTime(250);
    store_.deleteSnapshotFile();
}

void TavNoteItem::applyPlacement() {
    if (toDesk_) {
        topMost_ = false;
        attachToDesktop(handle());
    } else if (topMost_) {
        SetWindowPos(handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE);
    }
}

void TavNoteItem::loadBackground() {
    if (!bkImage_.empty()) gif_.removePicture(bkImage_);
    bkImage_ = store_.LoadBkImage().value_or(L"");
    if (!bkImage_.empty()) gif_.addPicture(store_.folderPath(), bkImage_, handle());
}

void TavNoteItem::LoadGeometry() {
    auto stored = store_.LoadGeometry();
    if (!stored) {
        // A new note: its place is written at once.
        RECT now{};
        GetWindowRect(handle(), &now);
        if (auto written = store_.SaveGeometry(now)) lastSaved_ = *written;
        return;
    }
    RECT place = withUsableSize(*stored);
    if (!hosted_)
        place = placeStoredRect(*stored, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                currentMonitorAreas());
    MoveWindow(handle(), place.left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
    GetWindowRect(handle(), &lastSaved_);
}

void TavNoteItem::SaveGeometry() {
    RECT now{};
    GetWindowRect(handle(), &now);
    if (EqualRect(&now, &lastSaved_)) return;
    if (store_.SaveGeometry(now)) lastSaved_ = now;
}

void TavNoteItem::onGeometryChanged() {
    TavWndMoveResize::onGeometryChanged();
    SaveGeometry();
}

void TavNoteItem::Redraw() {
    if (!handle()) return;
    if (redrawAll()) present();
}

void TavNoteItem::AddRichText(int x, int y) { richTextPoint_ = POINT{x, y}; }

void TavNoteItem::onSized(WPARAM flag, int width, int height) {
    TavWndMoveResize::onSized(flag, width, height);
    if (label_.handle())
        SetWindowPos(label_.handle(), nullptr, 0, height - kLabelHeight, width, kLabelHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    frames_ = swingFrames(RECT{0, 0, width, height}, -9.0);
}

// --- mouse ---

void TavNoteItem::zoneHitTest(int screenX, int screenY, const RECT& rect) {
    POINT pt{screenX, screenY};
    if ((pressFlag() && ownsVisibleOutline()) || !PtInRect(&rect, pt)) return;
    if (resizeEnabled() && noteResizeZone(pt, rect, kResizeCorner) == kZoneBottomRight) {
        // With the corner size as border thickness the frame finds the same bottom-right zone.
        TavWndMoveResize::zoneHitTest(screenX, screenY, rect);
    } else {
        setCursorKind(kCursorArrow);
    }
}

bool TavNoteItem::isMoving() { return pressFlag() && dragEnabled() && cursorKind() != kCursorSizeNWSE; }

void TavNoteItem::onRightButtonDown(WPARAM keys, int x, int y) {
    TavWndMoveResize::onRightButtonDown(keys, x, y);
    g_lastActive = this;
}

void TavNoteItem::onLeftButtonDown(WPARAM keys, int x, int y) {
    TavWndMoveResize::onLeftButtonDown(keys, x, y);
    if (!topMost_ && !toDesk_)
        SetWindowPos(handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE);
    g_lastActive = this;
}

void TavNoteItem::onLeftButtonUp(WPARAM keys, int x, int y) {
    TavWndMoveResize::onLeftButtonUp(keys, x, y);
    if (outlineVisible() && outlineOwner() == this) hideOutline();
}

// --- drawing ---

TavMemDC TavNoteItem::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    const int w = rc.right, h = rc.bottom;
    TavMemDC background = createMemoryDC(handle(), w, h);
    bool drawn = false;
    if (background && !bkImage_.empty() && fileExists(store_.folderPath() + bkImage_))
        drawn = gif_.drawPicture(bkImage_, background.dc(), rc);
    if (background && !drawn) {
        background.clear();
        const uint32_t fill = premultiply(kPlainBackground);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) background.at(x, y) = fill;
    }
    TavMemDC surface = createMemoryDC(handle(), w, h);
    if (!surface || !background) return surface;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(std::clamp(opacity(), 0, 255)), AC_SRC_ALPHA};
    GdiAlphaBlend(surface.dc(), 0, 0, w, h, background.dc(), 0, 0, w, h, blend);
    drawGrip(surface);
    if (ringing_ && !frames_.empty()) return swingPicture(surface);
    return surface;
}

TavMemDC TavNoteItem::swingPicture(const TavMemDC& surface) {
    const int w = surface.width(), h = surface.height();
    TavMemDC tilted = createMemoryDC(handle(), w, h);
    TavGpBitmap picture = dcToBitmap(handle(), surface.dc(), w, h);
    if (!tilted || !picture) return tilted;
    const TavSwingFrame& f = frames_[size_t(std::clamp(frameCounter_, 0, int(frames_.size()) - 1))];
    Gdiplus::Graphics g(tilted.dc());
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::Point corners[3] = {{int(f[0].x), int(f[0].y)}, {int(f[1].x), int(f[1].y)}, {int(f[2].x), int(f[2].y)}};
    g.DrawImage(picture.get(), corners, 3);
    return tilted;
}

void TavNoteItem::startSwing() {
    ringing_ = 1;
    frameCounter_ = 0;
    SetTimer(handle(), kSwingTimer, 100, nullptr);
}

void TavNoteItem::stopSwing() {
    KillTimer(handle(), kSwingTimer);
    ringing_ = 0;
    frameCounter_ = 0;
    Redraw();
}

void TavNoteItem::onTimer(UINT_PTR timerId) {
    TavWndMoveResize::onTimer(timerId);
    if (timerId != kSwingTimer || !ringing_) return;
    TavSwingTick tick = swingTick(frameCounter_, int(frames_.size()));
    frameCounter_ = tick.frame;
    Redraw();
    frameCounter_ = tick.nextCounter;
    if (tick.interval) SetTimer(handle(), kSwingTimer, tick.interval, nullptr);
}

void TavNoteItem::onLeftDoubleClick(WPARAM keys, int x, int y) {
    TavWndMoveResize::onLeftDoubleClick(keys, x, y);
    // Children (text blocks, pictures) take their own double-clicks; empty note space adds text.
    if (!ringing_) AddRichText(x, y);
}

void TavNoteItem::drawGrip(TavMemDC& surface) {
    const int w = surface.width(), h = surface.height();
    // The nearly transparent corner still receives the mouse (alpha 0 would let it through).
    for (int y = std::max(0, h - kResizeCorner); y < h; ++y)
        for (int x = std::max(0, w - kResizeCorner); x < w; ++x)
            if ((surface.at(x, y) >> 24) == 0) surface.at(x, y) = 0x01000000u;
    const uint32_t accent = (settings().borderMenuColor & 0x00FFFFFFu) | (uint32_t(gripAlpha(opacity())) << 24);
    const uint32_t dot = premultiply(accent);
    for (POINT offset : kGripDotOffsets) {
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) {
                int x = w + offset.x - 2 + dx, y = h + offset.y - 2 + dy;
                if (x >= 0 && y >= 0 && x < w && y < h) surface.at(x, y) = dot;
            }
    }
}

// --- placement ---

void TavNoteItem::SetTopMost(bool on) {
    if (on && toDesk_) {
        EmbedInDesktop(false);
    }
    topMost_ = on;
    SetWindowPos(handle(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE);
    store_.SaveTopMost(on);
}

void TavNoteItem::EmbedInDesktop(bool on) {
    if (on) {
        bool chord = showDesktopIfHidden(true);
        attachToDesktop(handle());
        if (topMost_) {
            topMost_ = false;
            store_.SaveTopMost(false);
        }
        if (chord) sendShowDesktopChord();
    } else {
        detachFromDesktop(handle());
    }
    toDesk_ = on;
    store_.SaveToDesk(on);
}

void TavNoteItem::SetAlpha(int alpha) {
    setOpacity(std::clamp(alpha, 0, 255));
    store_.SaveAlpha(opacity());
    Redraw();
}

void TavNoteItem::SetGroup(const std::wstring& group) { store_.setGroupName(group); }

void TavNoteItem::SetBaseDir(const std::wstring& dir) {
    // Before the window exists only the memory changes; the note file is made at creation.
    if (handle()) {
        store_.SetBaseDir(dir);
    } else {
        TavNoteStore moved(store_.unique(), dir, store_.objectId());
        moved.setGroupName(store_.group());
        moved.setHosted(hosted_);
        store_ = moved;
    }
}

void TavNoteItem::SetBackgroundFile(const std::wstring& fileName) {
    if (!store_.SaveBkImage(fileName)) return;
    loadBackground();
    Redraw();
}

void TavNoteItem::SetBackground() {
    TavFileChoice choice = openFileDialog(handle(), kImageFilter);
    if (!choice.path.empty()) SetBackgroundFrom(choice.path, localNow());
}

bool TavNoteItem::SetBackgroundFrom(const std::wstring& sourcePath, const SYSTEMTIME& stamp) {
    const size_t slash = sourcePath.find_last_of(L"\\/");
    const std::wstring title = slash == std::wstring::npos ? sourcePath : sourcePath.substr(slash + 1);
    if (title.empty() || GetFileAttributesW(sourcePath.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    const std::wstring name = L"bkimage_" + uniqueTimeName(stamp, objectId()) + L"_" + title;
    const std::wstring target = store_.fileInFolder(name);
    if (target.empty() || !isInsideDataFolder(target)) return false;
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES && confirmOverwrite()(*this) != 6) return false;
    // A failed copy keeps the old background: the note must never name a missing picture.
    if (!CopyFileW(sourcePath.c_str(), target.c_str(), FALSE)) return false;
    SetBackgroundFile(name);
    return true;
}

std::vector<uint32_t> TavNoteItem::pictureCopy(int& width, int& height) const {
    const TavMemDC& buffer = backBuffer();
    width = buffer ? buffer.width() : 0;
    height = buffer ? buffer.height() : 0;
    std::vector<uint32_t> pixels;
    pixels.reserve(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(buffer.at(x, y));
    return pixels;
}

void TavNoteItem::hideWithSnapshot() {
    int w = 0, h = 0;
    std::vector<uint32_t> pixels = pictureCopy(w, h);
    TavSnapshotPixels picture{pixels.empty() ? nullptr : pixels.data(), w, h};
    hideNote(store_, picture, localNow());
}

// --- messages and commands ---

LRESULT TavNoteItem::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kNoteMsgAlphaChanged:
        SetAlpha(static_cast<int>(lParam));
        return 0;
    case kNoteMsgColorChanged:
        color_ = static_cast<uint32_t>(wParam);
        store_.SaveColor(color_);
        return 0;
    case kNoteMsgAddRichText:
        AddRichText(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_CONTEXTMENU: {
        // The empty bottom label lets the mouse through, so a right click there is the note's
        // own; the framework would leave it to the label, which shows no menu.
        POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT strip{};
        if (label_.handle() && label_.text().empty() && GetWindowRect(label_.handle(), &strip) &&
            PtInRect(&strip, pt)) {
            onContextMenu(wParam, pt.x, pt.y);
            return 0;
        }
        return TavWndMoveResize::windowProc(message, wParam, lParam);
    }
    default:
        return TavWndMoveResize::windowProc(message, wParam, lParam);
    }
}

void TavNoteItem::postToMain(UINT message, WPARAM wParam, LPARAM lParam) {
    if (appState().mainWindow) PostMessageW(appState().mainWindow, message, wParam, lParam);
}

void TavNoteItem::deleteAfterConfirmation() {
    if (confirmDelete()(*this) != 1) return;
    HWND main = appState().mainWindow;
    if (main) SendMessageW(main, kNoteMsgDelete, static_cast<WPARAM>(objectId()), 0);
    // The note may be gone now: touch no member.
    if (TavWnd* manager = TavWnd::findById(kManagerWindowId)) PostMessageW(manager->handle(), kNoteMsgManagerRefresh, 0, 0);
}

LRESULT TavNoteItem::onCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kTavMsgCommand) return TavWndMoveResize::onCommand(message, wParam, lParam);
    const int command = static_cast<int>(wParam);
    RECT window{};
    GetWindowRect(handle(), &window);
    switch (command) {
    case kCmdNoteAdd:
        postToMain(kTavMsgCommand, kCmdMainNewNote, MAKELPARAM(window.left, window.top));
        break;
    case kCmdNoteHide:
        postToMain(kTavMsgCommand, kCmdNoteHide, objectId());
        break;
    case kCmdNoteDelete:
        deleteAfterConfirmation();
        break;
    case kCmdNoteTopMost:
        SetTopMost(!topMost_);
        break;
    case kCmdNoteToDesk:
        EmbedInDesktop(!toDesk_);
        break;
    case kCmdNoteAddText:
        AddRichText(lastRightPress().x, lastRightPress().y);
        break;
    case kCmdNoteBackground:
        SetBackground();
        break;
    case kCmdNoteManager:
        postToMain(kTavMsgCommand, kCmdMainManager, 0);
        break;
    case kCmdNoteQuit:
        postToMain(kTavMsgCommand, kCmdMainExit, 0);
        break;
    default:
        if (command >= kCmdGroupSystem && command <= kCmdGroupLast) {
            // A group entry: the main window chooses the group and makes the note beside this one.
            postToMain(kTavMsgCommand, WPARAM(command), MAKELPARAM(window.left, window.top));
        }
        break;
    }
    return 0;
}

void TavNoteItem::onContextMenu(WPARAM, int screenX, int screenY) {
    auto* menu = new TavNoteMenuNote();
    menu->setOpacity(opacity());
    menu->setChecked(kCmdNoteToDesk, toDesk_);
    menu->setChecked(kCmdNoteTopMost, topMost_);
    menu->setGroups(listSubFolders(noteItems2Directory()));
    // The menu deletes itself when it has closed (or at once when it cannot be made).
    menu->showAt(handle(), screenX, screenY);
}
