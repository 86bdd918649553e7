// Where the note is: its rectangle on the screen and in its file, top-most or embedded in the
// desktop, its group folder.
#include "TavNoteItem.h"

#include "NoteGeometry.h"
#include "TavNoteItemDesktop.h"

void TavNoteItem::applyPlacement() {
    if (toDesk_) {
        topMost_ = false;
        attachToDesktop(handle());
    } else if (topMost_) {
        SetWindowPos(handle(), HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE);
    }
}

std::optional<RECT> TavNoteItem::storedPlace() const {
    auto stored = store_.LoadGeometry();
    if (!stored) return std::nullopt;
    if (hosted_) return withUsableSize(*stored);
    return placeStoredRect(*stored, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                           currentMonitorAreas());
}

void TavNoteItem::LoadGeometry() {
    auto place = storedPlace();
    RECT now{};
    GetWindowRect(handle(), &now);
    if (!place) {
        // A new note: its place is written at once.
        if (auto written = store_.SaveGeometry(now)) lastSaved_ = *written;
        return;
    }
    // A note opened from its file was made at its place already (see create).
    if (!EqualRect(&now, &*place))
        MoveWindow(handle(), place->left, place->top, place->right - place->left, place->bottom - place->top,
                   FALSE);
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
    // A note dragged almost off the screen comes back far enough to be grabbed again.
    RECT now{};
    GetWindowRect(handle(), &now);
    const RECT reachable = hosted_ ? now : keepReachable(now, currentMonitorAreas());
    if (!EqualRect(&now, &reachable))
        SetWindowPos(handle(), nullptr, reachable.left, reachable.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SaveGeometry();
}

void TavNoteItem::onSized(WPARAM flag, int width, int height) {
    TavWndMoveResize::onSized(flag, width, height);
    if (label_.handle())
        SetWindowPos(label_.handle(), nullptr, 0, height - kLabelHeight, width, kLabelHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    frames_ = swingFrames(RECT{0, 0, width, height}, -9.0);
}

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
    setOpacity(std::clamp(alpha, kMinNoteOpacity, 255));
    store_.SaveAlpha(opacity());
    Redraw();
}

void TavNoteItem::SetGroup(const std::wstring& group) {
    // Before the window exists only the memory changes; the note file is made at creation.
    if (handle())
        store_.SetGroup(group);
    else
        store_.setGroupInMemory(group);
}

void TavNoteItem::SetBaseDir(const std::wstring& dir) {
    // Before the window exists only the memory changes; the note file is made at creation.
    if (handle()) {
        store_.SetBaseDir(dir);
    } else {
        TavNoteStore moved(store_.unique(), dir, store_.objectId());
        moved.setGroupInMemory(store_.group());
        moved.setHosted(hosted_);
        store_ = moved;
    }
}
