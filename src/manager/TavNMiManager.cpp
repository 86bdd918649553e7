#include "TavNMiManager.h"

#include "AppPaths.h"
#include "ImageFiles.h"
#include "ManagerDraw.h"
#include "Messages.h"

namespace {

constexpr uint32_t kBandColor = 0xFF2F333A;
constexpr uint32_t kNotesColor = 0xFFE1511E;
constexpr uint32_t kTemplatesColor = 0xFFE15F1E;
constexpr uint32_t kSettingsColor = 0xFFE1711E;

} // namespace

TavNMiManager::TavNMiManager(HWND mainWindow, TavManagerDialogs dialogs)
    : TavNoteCaption(L"TavNote", kWidth - 6, kHeight - 6), main_(mainWindow),
      notesTab_(L"TavNote", L"TavNote.png", L"TavNote.png", kNotesColor),
      templatesTab_(L"模板管理", L"templatenormal.png", L"templatehoverpushdown.png", kTemplatesColor),
      settingsTab_(L"系统设置", L"systemnormal.png", L"systemhoverpushdown.png", kSettingsColor),
      closeBt_(L"", L"closenormal.png", L"closehoverpushdown.png", kNotesColor),
      notes_(sysconfigPath(), mainWindow, dialogs),
      templates_(std::make_unique<TavNMiTpl>(sysconfigPath(), dialogs)) {
    setObjectName(L"TavNMiManager");
    // The caption is the band of tab buttons.
    metrics_.captionHeight = kBandHeight;
    width_ = kWidth;
    height_ = kHeight;
}

TavNMiManager::~TavNMiManager() { clearManagerTextCache(); }

RECT TavNMiManager::pageRect() const {
    const int b = metrics_.border;
    return RECT{b, b + kBandHeight, width_ - b, height_ - b};
}

TavNMiBt& TavNMiManager::tabButton(int tabId) {
    if (tabId == kMgrTabTemplatesId) return templatesTab_;
    if (tabId == kMgrTabSettingsId) return settingsTab_;
    return notesTab_;
}

void TavNMiManager::createControls() {
    // The band has its own close button (the dialog's small one is not made).
    if (notesTab_.handle()) return;
    HWND self = handle();
    const int b = metrics_.border;
    closeBt_.createChild(self, kNoteCloseId, RECT{width_ - b - 48, b + 16, width_ - b - 8, b + 56});
    notesTab_.createChild(self, kMgrTabNotesId, RECT{b, b, b + 160, b + kBandHeight});
    templatesTab_.createChild(self, kMgrTabTemplatesId, RECT{b + 160, b, b + 260, b + kBandHeight});
    settingsTab_.createChild(self, kMgrTabSettingsId, RECT{b + 260, b, b + 360, b + kBandHeight});
    const RECT page = pageRect();
    notes_.createChild(self, kMgrNotesPageId, page);
    templates_->create(kMgrTemplatesPageId, L"模板管理", 0, WS_CHILD, page.left, page.top,
                       page.right - page.left, page.bottom - page.top, self);
    settings_.createChild(self, kMgrSettingsPageId, page);
    chooseTab(kMgrTabNotesId);
}

void TavNMiManager::layoutControls() {
    const int b = metrics_.border;
    if (closeBt_.handle()) MoveWindow(closeBt_.handle(), width_ - b - 48, b + 16, 40, 40, FALSE);
    const RECT page = pageRect();
    for (TavWnd* w : {static_cast<TavWnd*>(&notes_), static_cast<TavWnd*>(templates_.get()),
                      static_cast<TavWnd*>(&settings_)})
        if (w->handle())
            MoveWindow(w->handle(), page.left, page.top, page.right - page.left, page.bottom - page.top,
                       FALSE);
}

void TavNMiManager::renderBackground() {
    ++backgroundVersion_;
    background_ = TavMemDC();
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom, 0xFFFFFFFF);
    if (!dc) return;
    const int b = metrics_.border;
    fillManagerRect(dc.dc(), RECT{0, 0, rc.right, b + kBandHeight}, kBandColor);
    // The chosen tab's colour runs along the band's lower edge.
    fillManagerRect(dc.dc(), RECT{b, b + kBandHeight - 3, rc.right - b, b + kBandHeight},
                    tabButton(chosen_).color());
    frameManagerRect(dc.dc(), rc, kBandColor);
    frameManagerRect(dc.dc(), RECT{1, 1, rc.right - 1, rc.bottom - 1}, 0xFFB0B0B0);
    background_ = std::move(dc);
}

void TavNMiManager::modalStart() {
    SetWindowLongW(handle(), GWL_STYLE, GetWindowLongW(handle(), GWL_STYLE) | WS_MINIMIZEBOX);
    TavNoteCaption::modalStart();
    // Centred on the primary screen, whatever the owner is.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width_) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height_) / 2;
    SetWindowPos(handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TavNMiManager::onControl(int controlId) {
    switch (controlId) {
    case kMgrTabNotesId:
    case kMgrTabTemplatesId:
    case kMgrTabSettingsId:
        chooseTab(controlId);
        break;
    default:
        TavNoteCaption::onControl(controlId);
        break;
    }
}

LRESULT TavNMiManager::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kNoteMsgManagerRefresh) {
        notes_.refresh();
        if (templates_->handle()) PostMessageW(templates_->handle(), kManagerMsgReload, 0, 0);
        return 0;
    }
    return TavNoteCaption::windowProc(message, wParam, lParam);
}

void TavNMiManager::chooseTab(int tabId) {
    chosen_ = tabId;
    notes_.show(tabId == kMgrTabNotesId ? SW_SHOW : SW_HIDE);
    templates_->show(tabId == kMgrTabTemplatesId ? SW_SHOW : SW_HIDE);
    // The templates may have changed meanwhile (a note saved as one).
    if (tabId == kMgrTabTemplatesId && IsWindowVisible(handle()))
        PostMessageW(templates_->handle(), kManagerMsgReload, 0, 0);
    settings_.show(tabId == kMgrTabSettingsId ? SW_SHOW : SW_HIDE);
    for (int id : {kMgrTabNotesId, kMgrTabTemplatesId, kMgrTabSettingsId})
        tabButton(id).setSelected(id == tabId);
    if (!handle() || !IsWindowVisible(handle())) return;
    renderBackground();
    if (redrawAll()) present();
}

void TavNMiManager::zoneHitTest(int screenX, int screenY, const RECT& windowRect) {
    // The band drags the window where no tab button is.
    TavNoteCaption::zoneHitTest(screenX, screenY, windowRect);
}

void runManager(HWND owner) {
    if (TavWnd* open = TavWnd::findById(kManagerWindowId)) {
        ShowWindow(open->handle(), SW_RESTORE);
        SetForegroundWindow(open->handle());
        return;
    }
    // Not over another dialog (a note's reminder editor or template chooser): the manager could
    // move or close that note under it.
    if (HWND modal = TavWnd::openModalDialog()) {
        SetWindowPos(modal, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        SetForegroundWindow(modal);
        return;
    }
    TavNMiManager manager(owner);
    manager.setIcon(L"TavNote.png");
    manager.runModal(owner, kManagerWindowId);
}
