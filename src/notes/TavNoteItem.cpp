#include "TavNoteItem.h"

#include <shellapi.h>

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
#include "ReminderTables.h"
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

SYSTEMTIME localNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

} // namespace

// --- the note ---

TavNoteItem* TavNoteItem::lastActive() { return g_lastActive; }

TavNoteItem* TavNoteItem::findByUnique(const std::wstring& unique) {
    auto it = notesByUnique().find(unique);
    return it == notesByUnique().end() ? nullptr : it->second;
}

TavNoteItem::TavNoteItem(std::wstring unique, bool hosted)
    : store_(std::move(unique), L"", 0), hosted_(hosted), color_(settings().defaultTextColor) {
    setObjectName(L"TavNoteItem");
    store_.setHosted(hosted);
}

TavNoteItem::~TavNoteItem() {
    closeReminderSound();
    if (registeredWindow_) {
        ReminderNoteWindows::remove(registeredId_, registeredWindow_);
        ReminderStopTable::erase(registeredWindow_);
    }
    if (!store_.unique().empty()) FiredReminderSet::erase(store_.unique());
    gif_.stopAll();
    if (g_lastActive == this) g_lastActive = nullptr;
    auto it = notesByUnique().find(store_.unique());
    if (it != notesByUnique().end() && it->second == this) notesByUnique().erase(it);
    // The label is a member: its window goes (with the object) before the note's window.
}

bool TavNoteItem::create(int id, const wchar_t* name, DWORD exStyle, DWORD style, int x, int y, int width,
                         int height, HWND parent) {
    // A note opened from its file is made at its stored place: moving it there once made costs the
    // platform one more round of messages per note at start. The file is read once for both.
    TavNoteStore::ReadBatch reads(store_);
    RECT place{x, y, x + width, y + height};
    if (!store_.unique().empty())
        if (auto stored = storedPlace()) place = *stored;
    if (!TavWndMoveResize::create(id, name, exStyle, style & ~WS_VISIBLE, place.left, place.top,
                                  place.right - place.left, place.bottom - place.top, parent))
        return false;
    if (!showLater_) showNote();
    return true;
}

void TavNoteItem::showNote() {
    if (!handle() || IsWindowVisible(handle())) return;
    if (!toDesk_) {
        show(activateWhenShown_ ? SW_SHOW : SW_SHOWNA);
        return;
    }
    // A note embedded in the desktop is shown without being activated (activation would bring it
    // to the top) and goes back below the other windows; once more a moment later, when the
    // platform has handled the showing, which may bring it up again (Wine's X driver raises a
    // window it has just mapped when the X server reports it exposed, after the messages
    // already posted).
    show(SW_SHOWNA);
    attachToDesktop(handle());
    SetTimer(handle(), kKeepBelowTimer, kKeepBelowDelayMs, nullptr);
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
    label_.create(0, L"'", WS_EX_TRANSPARENT, WS_CHILD | WS_VISIBLE, 0, client.bottom - kLabelHeight,
                  client.right, kLabelHeight, handle());

    // The folder's name is the note's identity: a file that names another folder is corrected,
    // never followed (the note would write into another note's folder). A new note's file starts
    // with `ID`, `unique` and `group` in one save.
    if (store_.unique().empty())
        store_.createNewNoteFile(localNow());
    else
        store_.rewriteUniqueFromFolder();
    if (!store_.unique().empty()) notesByUnique()[store_.unique()] = this;
    // A note's id is never handed to another note in this run, even after it is hidden or
    // recycled; a stored id that another note had taken was replaced: the file learns the new one.
    TavObject::reserveIds({objectId()});
    // The reminder check finds the note's window by its id (on its own thread).
    registeredId_ = objectId();
    registeredWindow_ = handle();
    ReminderNoteWindows::add(registeredId_, registeredWindow_);
    if (auto stored = store_.LoadId(); stored && *stored != objectId()) store_.SaveId();

    LoadGeometry();
    loadBackground();
    loadChildren();
    // Pictures and text files dropped from the shell become children.
    if (!hosted_) DragAcceptFiles(handle(), TRUE);
    color_ = store_.LoadColor().value_or(color_);
    if (auto alpha = store_.LoadAlpha()) setOpacity(std::clamp(*alpha, kMinNoteOpacity, 255));
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
        SetWindowPos(handle(), nullptr, centred.left, centred.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    GetClientRect(handle(), &client);
    frames_ = swingFrames(client, -9.0);
    GetWindowRect(handle(), &lastSaved_);
    SetDoubleClickTime(250);
    store_.deleteSnapshotFile();
}

void TavNoteItem::loadBackground() {
    if (!bkImage_.empty()) gif_.removePicture(bkImage_);
    ++backgroundLoads_;
    bkImage_ = store_.LoadBkImage().value_or(L"");
    if (!bkImage_.empty()) gif_.addPicture(store_.folderPath(), bkImage_, handle());
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
    GetWindowRect(handle(), &pressRect_);
    TavWndMoveResize::onLeftButtonDown(keys, x, y);
    if (!topMost_ && !toDesk_)
        SetWindowPos(handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE);
    g_lastActive = this;
}

void TavNoteItem::onLeftButtonUp(WPARAM keys, int x, int y) {
    TavWndMoveResize::onLeftButtonUp(keys, x, y);
    if (outlineVisible() && outlineOwner() == this) hideOutline();
    // A click (not a drag) on a ringing note opens the stop menu.
    RECT now{};
    GetWindowRect(handle(), &now);
    if (ringing_ && EqualRect(&now, &pressRect_)) {
        POINT at{x, y};
        ClientToScreen(handle(), &at);
        showStopMenu(at.x, at.y);
    }
}

void TavNoteItem::onLeftDoubleClick(WPARAM keys, int x, int y) {
    TavWndMoveResize::onLeftDoubleClick(keys, x, y);
    // Children (text blocks, pictures) take their own double-clicks; empty note space adds text.
    if (!ringing_) AddRichText(x, y);
}

void TavNoteItem::SetBackgroundFile(const std::wstring& fileName) {
    if (!store_.SaveBkImage(fileName)) return;
    loadBackground();
    Redraw();
}

void TavNoteItem::SetBackground() {
    TavFileChoice choice = openFileDialog(handle(), kImageFileFilter, kImageDialogTitle);
    if (!choice.path.empty()) SetBackgroundFrom(choice.path, localNow());
}

bool TavNoteItem::SetBackgroundFrom(const std::wstring& sourcePath, const SYSTEMTIME& stamp) {
    const size_t slash = sourcePath.find_last_of(L"\\/");
    const std::wstring title = slash == std::wstring::npos ? sourcePath : sourcePath.substr(slash + 1);
    if (title.empty() || GetFileAttributesW(sourcePath.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    // Only a file that decodes as a picture may replace the background (and delete the old one).
    if (!loadImageFile(sourcePath)) {
        if (dialogs_.tellNotPicture) {
            dialogs_.tellNotPicture(*this);
        } else {
            TavNoteMessageBox box(kBoxOk, L"所选文件不是图片，背景没有改变。", L"TavNote", 300, 120);
            box.setIcon(L"TavNote.png");
            box.runModal(handle());
        }
        return false;
    }
    const std::wstring name = L"bkimage_" + uniqueTimeName(stamp, objectId()) + L"_" + title;
    const std::wstring target = store_.fileInFolder(name);
    // A failed copy keeps the old background: the note must never name a missing picture.
    if (!copyPictureAsking(sourcePath, target)) return false;
    SetBackgroundFile(name);
    return true;
}

bool TavNoteItem::copyPictureAsking(const std::wstring& sourcePath, const std::wstring& target) {
    return !target.empty() && copyPictureInto(sourcePath, target, [&] {
        int answer =
            dialogs_.confirmOverwrite ? dialogs_.confirmOverwrite(*this) : askOverwriteFile(handle());
        return answer == kNoteResultYes;
    });
}

void TavNoteItem::keepSnapshot() {
    int w = 0, h = 0;
    std::vector<uint32_t> pixels = pictureCopy(w, h);
    if (!pixels.empty()) store_.SaveSnapshot(TavSnapshotPixels{pixels.data(), w, h}, localNow());
}

void TavNoteItem::hideWithSnapshot() {
    int w = 0, h = 0;
    std::vector<uint32_t> pixels = pictureCopy(w, h);
    TavSnapshotPixels picture{pixels.empty() ? nullptr : pixels.data(), w, h};
    hideNote(store_, picture, localNow());
}
