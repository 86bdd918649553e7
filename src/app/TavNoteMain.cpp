#include "TavNoteMain.h"

#include <algorithm>

#include "AppPaths.h"
#include "AppState.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "NoteFolders.h"
#include "NoteRecycleRequests.h"
#include "ReminderChecker.h"
#include "TavNoteItem.h"
#include "TavNoteItemDesktop.h"
#include "TavNoteItemTemplate.h"
#include "TavNMiManager.h"
#include "TavNoteMenuSelTpl.h"
#include "TavNoteMenuTray.h"
#include "TavNoteMessageBox.h"

namespace {

std::wstring& instanceMutexName() {
    static std::wstring name = L"TavNote";
    return name;
}

constexpr DWORD kNoteExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW;        // 0x80080
constexpr DWORD kLoadedNoteStyle = WS_POPUP | WS_MINIMIZEBOX;           // 0x80020000
constexpr DWORD kNewNoteStyle = WS_POPUP | WS_VISIBLE | WS_MINIMIZEBOX; // 0x90020000
constexpr int kNoteSize = 180;

// The About box: product, a line about it and the version; its link opens the help file.
class TavNoteAbout : public TavNoteMessageBox {
public:
    explicit TavNoteAbout(TavNoteMain& main)
        : TavNoteMessageBox(1, L"TavNote 桌面便签\n在桌面上记下要做的事\n版本：1.2.2", L"TavNote", 300, 150),
          main_(main), link_(L"帮助文档") {
        setIcon(L"TavNote.png");
    }
    void createControls() override {
        TavNoteMessageBox::createControls();
        if (link_.handle()) return;
        SIZE size = windowSize();
        RECT rect{metrics_.border + 12, size.cy - metrics_.border - 34, metrics_.border + 92,
                  size.cy - metrics_.border - 10};
        link_.createChild(handle(), kAboutLinkId, rect);
    }
    void onControl(int controlId) override {
        if (controlId == kAboutLinkId) {
            main_.openHelp();
            return;
        }
        TavNoteMessageBox::onControl(controlId);
    }

private:
    TavNoteMain& main_;
    TavNoteBt link_;
};

} // namespace

void TavNoteMain::setInstanceMutexName(const std::wstring& name) { instanceMutexName() = name; }

TavNoteMain::TavNoteMain() { setObjectName(L"TavNoteMain"); }

TavNoteMain::~TavNoteMain() {
    // Normally the window's destruction has closed every note already.
    notes_.clear();
    removeTrayIcon();
    if (mutex_) CloseHandle(mutex_);
    mutex_ = nullptr;
    stopReminderThread();
}

bool TavNoteMain::createAt(int x, int y) {
    return create(kMainWindowId, L"", kExStyle, kStyle, x, y, 0, 0, nullptr);
}

void TavNoteMain::onCreated() {
    TavWnd::onCreated();
    // The data tree exists from the first start on.
    resourceDirectory();
    iconDirectory();
    noteItemsDirectory();
    noteItems2Directory();
    templatesDirectory();
    templateRecycleDirectory();
    templates2Directory();
    capNoteDirectory();
    recycleDirectory();

    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    addTrayIcon();
    appState().mainWindow = handle();
    // "选择模板..." of the note menu opens the template page as a chooser.
    setTemplateChooser(runTemplateChooser);
    SetLastError(0);
    mutex_ = CreateMutexW(nullptr, FALSE, instanceMutexName().c_str());
    secondInstance_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
    if (secondInstance_) {
        TavNoteMessageBox box(1, L"软件已经启动了！", L"TavNote", 300, 120);
        box.setIcon(L"TavNote.png");
        box.runModal(handle(), kMessageBoxId);
        exitProgram();
        return;
    }
    bool chord = showDesktopIfHidden(true);
    loadNotes();
    // Only the very first start greets: a deleted welcome note never comes back.
    if (firstStart_ && notes_.empty()) addWelcomeNote();
    if (chord) sendShowDesktopChord();
    startReminderThread();
}

void TavNoteMain::startReminderThread() {
    if (reminderChecker_) return;
    reminderChecker_ = std::make_unique<ReminderChecker>();
    if (!reminderChecker_->start(handle())) reminderChecker_.reset();
}

void TavNoteMain::stopReminderThread() {
    if (!reminderChecker_) return;
    reminderChecker_->stop();
    reminderChecker_.reset();
}

// --- tray ---

void TavNoteMain::addTrayIcon() {
    tray_ = NOTIFYICONDATAW{};
    tray_.cbSize = sizeof(NOTIFYICONDATAW);
    tray_.hWnd = handle();
    tray_.uID = 0;
    tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    tray_.uCallbackMessage = kTavMsgTrayCallback;
    std::wstring icon = resourceDirectory() + L"TavNote.ico";
    tray_.hIcon = static_cast<HICON>(LoadImageW(nullptr, icon.c_str(), IMAGE_ICON, 24, 24, LR_LOADFROMFILE));
    wcsncpy(tray_.szTip, L"TavNote...", std::size(tray_.szTip) - 1);
    trayAdded_ = Shell_NotifyIconW(NIM_ADD, &tray_) != FALSE;
}

void TavNoteMain::removeTrayIcon() {
    if (trayAdded_) Shell_NotifyIconW(NIM_DELETE, &tray_);
    trayAdded_ = false;
    if (tray_.hIcon) DestroyIcon(tray_.hIcon);
    tray_.hIcon = nullptr;
}

void TavNoteMain::onTrayNotify(WPARAM, LPARAM lParam) {
    // While a question is open, the tray brings it forward instead of acting behind it (a new
    // note would cover its buttons).
    if (lParam == WM_LBUTTONDOWN || lParam == WM_RBUTTONDOWN || lParam == WM_LBUTTONDBLCLK) {
        if (HWND modal = TavWnd::openModalDialog()) {
            SetWindowPos(modal, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
            SetForegroundWindow(modal);
            return;
        }
    }
    if (lParam == WM_LBUTTONDOWN) {
        showDesktopIfHidden(false);
        bringNotesForward();
    } else if (lParam == WM_RBUTTONDOWN) {
        showTrayMenu();
    }
}

void TavNoteMain::bringNotesForward() {
    for (auto& note : notes_)
        if (note->handle()) SetForegroundWindow(note->handle());
}

void TavNoteMain::showTrayMenu() {
    POINT cursor{};
    GetCursorPos(&cursor);
    auto* menu = new TavNoteMenuTray(listSubFolders(noteItems2Directory()));
    trayGroups_ = menu->groups();
    // The menu deletes itself once closed, or at once when it cannot be made.
    menu->showAt(handle(), cursor.x, cursor.y);
}

LRESULT TavNoteMain::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (taskbarCreated_ && message == taskbarCreated_) {
        // A restarted shell has lost every tray icon.
        removeTrayIcon();
        addTrayIcon();
        return 0;
    }
    switch (message) {
    case kNoteMsgDelete:
        recycleNoteById(static_cast<int>(wParam));
        return 0;
    case kNoteMsgReload:
        loadNotes();
        return 0;
    case WM_POWERBROADCAST:
        // After a sleep the minutes passed meanwhile are looked at now, not 15 seconds later.
        if ((wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) && reminderChecker_)
            reminderChecker_->passNow();
        return TRUE;
    case WM_TIMECHANGE:
        if (reminderChecker_) reminderChecker_->passNow();
        return 0;
    case kNoteMsgRecycleByName:
        for (const std::set<std::wstring>& names : takeRecycleRequests()) recycleNotesByName(names);
        return 0;
    default:
        return TavWnd::windowProc(message, wParam, lParam);
    }
}

// --- commands ---

void TavNoteMain::chooseGroupEntry(int command) {
    if (command == kCmdGroupSystem) {
        chosenGroup_.clear();
        return;
    }
    pickGroup(trayGroups_, command - kCmdGroupSystem, chosenGroup_);
}

LRESULT TavNoteMain::onCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kTavMsgCommand) return TavWnd::onCommand(message, wParam, lParam);
    const int command = static_cast<int>(wParam);
    if (command >= kCmdGroupSystem && command <= kCmdGroupLast) {
        // From a note's group menu the argument is the note's corner, and its entries are the
        // group folders as they are now; the tray's entries come without a point.
        if (lParam != 0) trayGroups_ = listSubFolders(noteItems2Directory());
        chooseGroupEntry(command);
        newNote(lParam);
        return 0;
    }
    switch (command) {
    case kCmdMainNewNote:
        newNote(lParam);
        break;
    case kCmdMainExit:
        exitProgram();
        break;
    case kCmdMainManager:
        runManager(handle());
        break;
    case kCmdMainAbout:
        showAbout();
        break;
    case kCmdMainHelp:
        openHelp();
        break;
    case kCmdNoteHide:
        closeNote(static_cast<int>(lParam));
        break;
    default:
        break;
    }
    return 0;
}

void TavNoteMain::showAbout() {
    if (TavWnd* open = TavWnd::findById(kMessageBoxId)) {
        SetForegroundWindow(open->handle());
        return;
    }
    TavNoteAbout about(*this);
    about.runModal(handle(), kMessageBoxId);
}

void TavNoteMain::openHelp() {
    std::wstring path = appDirectory() + L"help.chm";
    if (fileExists(path)) {
        ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
        return;
    }
    // Without the file the shell would do nothing and say nothing.
    if (TavWnd* open = TavWnd::findById(kMessageBoxId)) {
        SetForegroundWindow(open->handle());
        return;
    }
    TavNoteMessageBox box(kBoxOk, L"找不到帮助文件 help.chm，请重新安装 TavNote。", L"TavNote", 300, 120);
    box.setIcon(L"TavNote.png");
    box.runModal(handle(), kMessageBoxId);
}

void TavNoteMain::exitProgram() {
    if (handle() && IsWindow(handle())) DestroyWindow(handle());
}

void TavNoteMain::onDestroyed() {
    TavWnd::onDestroyed();
    // Before the notes go: no firing is posted to a window being destroyed.
    stopReminderThread();
    // Nothing is saved here: every note wrote each change when it happened.
    notes_.clear();
    removeTrayIcon();
    appState().mainWindow = nullptr;
    PostQuitMessage(0);
}

// --- notes ---

TavNoteItem* TavNoteMain::findNote(int noteId) const {
    for (const auto& note : notes_)
        if (note->objectId() == noteId) return note.get();
    return nullptr;
}

std::unique_ptr<TavNoteItem> TavNoteMain::takeNote(TavNoteItem* note) {
    auto it = std::find_if(notes_.begin(), notes_.end(), [note](const auto& p) { return p.get() == note; });
    if (it == notes_.end()) return nullptr;
    std::unique_ptr<TavNoteItem> owned = std::move(*it);
    notes_.erase(it);
    return owned;
}

TavNoteItem* TavNoteMain::openNote(std::unique_ptr<TavNoteItem> note, int id, int x, int y, DWORD style) {
    if (id != 0 && TavObject::isIdInUse(id)) id = 0;
    if (!note->create(id, L"", kNoteExStyle, style, x, y, kNoteSize, kNoteSize, nullptr)) return nullptr;
    notes_.push_back(std::move(note));
    return notes_.back().get();
}

TavNoteItem* TavNoteMain::newNote(LPARAM packedPoint) {
    // A second new note never hides behind the first, and none starts off the work area.
    std::vector<POINT> taken;
    for (const auto& open : notes_) {
        RECT r{};
        if (open->handle() && GetWindowRect(open->handle(), &r)) taken.push_back(POINT{r.left, r.top});
    }
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const POINT at = cascadeNotePosition(newNotePosition(packedPoint, GetSystemMetrics(SM_CXSCREEN)),
                                         SIZE{kNoteSize, kNoteSize}, taken, work);
    TavNoteItem* model = TavNoteItem::lastActive();
    if (!model && !notes_.empty()) model = notes_.back().get();
    std::wstring templateName;
    if (model) {
        if (saveNoteAsTemplate(*model, kTempTemplateName, L"")) templateName = kTempTemplateName;
    } else {
        // "" when the template folder cannot be used: nothing to delete then.
        if (const std::wstring stale = templateFolderFor(kTempTemplateName, L""); !stale.empty())
            deleteFolder(stale, true);
        std::vector<std::wstring> templates = listSubFolders(templatesDirectory());
        if (!templates.empty()) templateName = templates.back();
    }

    auto note = std::make_unique<TavNoteItem>(L"");
    if (!chosenGroup_.empty()) {
        note->SetGroup(chosenGroup_);
        note->SetBaseDir(groupBaseDir(chosenGroup_));
    }
    // Shown at the end, with the template's look.
    note->setShowLater(true);
    TavNoteItem* made = openNote(std::move(note), 0, at.x, at.y, kNewNoteStyle);
    // A note of a named group records its group folder once its file exists.
    if (made && !made->store().baseDir().empty()) made->SetBaseDir(made->store().baseDir());
    if (!templateName.empty()) {
        if (made) applyTemplateToNote(*made, templateName, L"");
        if (templateName == kTempTemplateName) {
            if (const std::wstring used = templateFolderFor(kTempTemplateName, L""); !used.empty())
                deleteFolder(used, true);
        }
    }
    if (!made) return nullptr;
    // A note made from another takes the color last chosen in it.
    if (model) made->SetCurrentColor(model->currentColor());
    // The new note's file records where it is and when it was made.
    made->SaveGeometry();
    made->store().SaveCreateTime();
    made->store().SaveUpdateTime();
    made->showNote();
    return made;
}

bool TavNoteMain::closeNote(int noteId) {
    TavNoteItem* note = findNote(noteId);
    if (!note) return false;
    note->hideWithSnapshot();
    takeNote(note).reset();
    return true;
}

bool TavNoteMain::recycleNoteById(int noteId) {
    TavNoteItem* note = findNote(noteId);
    if (!note) return false;
    // In the recycle bin the note is shown by its snapshot.
    note->keepSnapshot();
    // Copy first; a note whose folder could not be copied keeps its window and its data.
    if (recycleNote(note->store()) == TavRecycleResult::CopyFailed) return false;
    std::unique_ptr<TavNoteItem> owned = takeNote(note);
    attachToDesktop(owned->handle());
    owned.reset();
    return true;
}

void TavNoteMain::recycleNotesByName(const std::set<std::wstring>& names) {
    for (size_t i = notes_.size(); i-- > 0;) {
        if (i < notes_.size() && names.count(notes_[i]->unique())) recycleNoteById(notes_[i]->objectId());
    }
}

int TavNoteMain::loadNotes() {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    int opened = 0;
    // A new note never takes an id that a note file holds (a hidden or recycled note's too).
    TavObject::reserveIds(storedNoteIds());
    TavNoteItem* lastShown = nullptr;
    for (const TavNoteListing& listing : listAllNotes()) {
        bool open = std::any_of(notes_.begin(), notes_.end(),
                                [&](const auto& note) { return note->unique() == listing.unique; });
        if (open || (listing.readable && listing.hidden)) continue;
        auto note = std::make_unique<TavNoteItem>(listing.unique);
        if (!listing.group.empty()) {
            note->SetGroup(listing.group);
            note->SetBaseDir(listing.baseDir);
        }
        // Activating every note in turn would cost each one a round of activation messages and
        // leave only the last one active.
        note->setActivateWhenShown(false);
        TavNoteItem* made =
            openNote(std::move(note), listing.id, width * 3 / 4, height / 4, kLoadedNoteStyle);
        // Shown with its first frame already handed over: nothing to present again.
        if (!made) continue;
        if (!made->toDesk()) lastShown = made;
        ++opened;
    }
    if (lastShown)
        SetWindowPos(lastShown->handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    return opened;
}
