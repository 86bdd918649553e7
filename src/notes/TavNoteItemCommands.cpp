// The note's messages and its menu's commands.
#include "TavNoteItem.h"
#include "TavNotePrompt.h"

#include <shellapi.h>

#include "AppPaths.h"
#include "AppState.h"
#include "FolderUtils.h"
#include "TavNoteItemTemplate.h"
#include "TavNoteMenu.h"
#include "TavNoteMessageBox.h"

LRESULT TavNoteItem::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kNoteMsgAlphaChanged:
        SetAlpha(static_cast<int>(lParam));
        return 0;
    case kNoteMsgColorChanged:
        SetCurrentColor(static_cast<uint32_t>(wParam));
        return 0;
    case kNoteMsgRichTextEmpty:
    case kNoteMsgPlainTextEmpty:
    case kNoteMsgImageDeleted:
        // A child may be waiting in a modal loop (its question, a chooser) when its removal
        // arrives: it goes once the loop has ended, never from under its own call.
        if (TavWnd::openModalDialog()) {
            laterRemovals_.push_back(static_cast<int>(wParam));
            SetTimer(handle(), kRemoveLaterTimer, 200, nullptr);
            return 0;
        }
        removeChild(static_cast<int>(wParam));
        return 0;
    case kNoteMsgApplyTemplate:
    case kNoteMsgTemplateChosen:
        applyTemplateMessage(*this, wParam, lParam);
        return 0;
    case WM_DROPFILES:
        takeDroppedFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_PASTE:
        pasteIntoNote();
        return 0;
    case WM_KEYDOWN:
        // Keys reach the note itself only when none of its children has the keyboard.
        if ((wParam == 'V' || wParam == 'v') && GetKeyState(VK_CONTROL) < 0) {
            pasteIntoNote();
            return 0;
        }
        return TavWndMoveResize::windowProc(message, wParam, lParam);
    case kNoteMsgFireReminder:
        fireReminder(wParam == 1 ? static_cast<long long>(lParam) : 0);
        return 0;
    case kNoteMsgContentChanged:
        store_.SaveUpdateTime();
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

void TavNoteItem::SetCurrentColor(uint32_t argb) {
    color_ = argb;
    store_.SaveColor(color_);
}

void TavNoteItem::postToMain(UINT message, WPARAM wParam, LPARAM lParam) {
    if (appState().mainWindow) PostMessageW(appState().mainWindow, message, wParam, lParam);
}

void TavNoteItem::deleteAfterConfirmation() {
    int answer = 0;
    if (dialogs_.confirmDelete) {
        answer = dialogs_.confirmDelete(*this);
    } else {
        TavNoteMessageBox box(kBoxOk | kBoxCancel, L"确定要删除这个便签吗？", L"TavNote", 300, 120);
        box.setIcon(L"TavNote.png");
        answer = static_cast<int>(box.runModal(handle(), kConfirmDeleteBoxId));
    }
    if (answer != kNoteResultOk) return;
    HWND main = appState().mainWindow;
    if (main) SendMessageW(main, kNoteMsgDelete, static_cast<WPARAM>(objectId()), 0);
    // The note may be gone now: touch no member.
    if (TavWnd* manager = TavWnd::findById(kManagerWindowId))
        PostMessageW(manager->handle(), kNoteMsgManagerRefresh, 0, 0);
}

LRESULT TavNoteItem::onCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kTavMsgCommand) return TavWndMoveResize::onCommand(message, wParam, lParam);
    const int command = static_cast<int>(wParam);
    RECT window{};
    GetWindowRect(handle(), &window);
    const LPARAM corner = MAKELPARAM(window.left, window.top);
    // The note menu's commands, each with what the note does for it.
    struct Entry {
        int command;
        void (*run)(TavNoteItem& note, LPARAM corner);
    };
    static const Entry table[] = {
        {kCmdNoteAdd, [](TavNoteItem& n, LPARAM at) { n.postToMain(kTavMsgCommand, kCmdMainNewNote, at); }},
        {kCmdNoteHide,
         [](TavNoteItem& n, LPARAM) { n.postToMain(kTavMsgCommand, kCmdNoteHide, n.objectId()); }},
        {kCmdNoteDelete, [](TavNoteItem& n, LPARAM) { n.deleteAfterConfirmation(); }},
        {kCmdNoteTopMost, [](TavNoteItem& n, LPARAM) { n.SetTopMost(!n.topMost_); }},
        {kCmdNoteToDesk, [](TavNoteItem& n, LPARAM) { n.EmbedInDesktop(!n.toDesk_); }},
        {kCmdNoteAddText,
         [](TavNoteItem& n, LPARAM) { n.AddRichText(n.lastRightPress().x, n.lastRightPress().y); }},
        {kCmdNoteBackground, [](TavNoteItem& n, LPARAM) { n.SetBackground(); }},
        {kCmdNoteAddImage, [](TavNoteItem& n, LPARAM) { n.AddImage(); }},
        {kCmdNoteReminder,
         [](TavNoteItem& n, LPARAM) { runReminderEditor(n.handle(), n.unique(), n.store().baseDir()); }},
        {kCmdNoteStopReminder, [](TavNoteItem& n, LPARAM) { n.stopReminder(); }},
        {kCmdNoteManager, [](TavNoteItem& n, LPARAM) { n.postToMain(kTavMsgCommand, kCmdMainManager, 0); }},
        {kCmdNoteQuit, [](TavNoteItem& n, LPARAM) { n.postToMain(kTavMsgCommand, kCmdMainExit, 0); }},
    };
    for (const Entry& entry : table) {
        if (entry.command != command) continue;
        entry.run(*this, corner);
        return 0;
    }
    if (handleTemplateCommand(*this, command)) return 0;
    // A group entry: the main window chooses the group and makes the note beside this one.
    if (command >= kCmdGroupSystem && command <= kCmdGroupLast)
        postToMain(kTavMsgCommand, WPARAM(command), corner);
    return 0;
}

void TavNoteItem::onContextMenu(WPARAM, int screenX, int screenY) {
    // A ringing note offers only to stop.
    if (ringing_) {
        showStopMenu(screenX, screenY);
        return;
    }
    auto* menu = new TavNoteMenuNote();
    menu->setOpacity(opacity());
    menu->setChecked(kCmdNoteToDesk, toDesk_);
    menu->setChecked(kCmdNoteTopMost, topMost_);
    menu->setGroups(listSubFolders(noteItems2Directory()));
    menu->setTemplateGroups(templateGroupNames());
    menu->setReminderNote(store_.unique(), store_.baseDir());
    // The menu deletes itself when it has closed (or at once when it cannot be made).
    menu->showAt(handle(), screenX, screenY);
}
