#pragma once
// The manager "管理": the one window in which the user sees every note, hidden and recycled ones
// included, and manages groups, the recycle bin, templates and the system settings. A band of tab
// buttons at the top chooses one of its three pages.
#include <windows.h>

#include <memory>

#include "TavNMiBt.h"
#include "TavNMiNote.h"
#include "TavNMiSysSet.h"
#include "TavNMiTpl.h"
#include "TavNoteCaption.h"

// Ids of the manager's tab buttons and pages.
enum : int {
    kMgrTabNotesId = 20039,
    kMgrTabTemplatesId = 20004,
    kMgrTabSettingsId = 20016,
    kMgrNotesPageId = 20015,
    kMgrTemplatesPageId = 20012,
    kMgrSettingsPageId = 20017,
};

class TavNMiManager : public TavNoteCaption {
public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 732;
    static constexpr int kBandHeight = 80;

    // mainWindow: the program's main window (shown, hidden and recycled notes are told to it).
    explicit TavNMiManager(HWND mainWindow, TavManagerDialogs dialogs = {});
    ~TavNMiManager() override;

    void createControls() override;
    void layoutControls() override;
    void renderBackground() override;
    void modalStart() override;
    void onControl(int controlId) override;
    // 50010: the notes changed elsewhere (a note deleted or added on the desktop): the pages read
    // their lists again.
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void zoneHitTest(int screenX, int screenY, const RECT& windowRect) override;

    // Shows the page of the tab button id.
    void chooseTab(int tabId);
    int chosenTab() const { return chosen_; }
    TavNMiNote& notesPage() { return notes_; }
    TavNMiTpl& templatesPage() { return *templates_; }
    TavNMiSysSet& settingsPage() { return settings_; }
    TavNMiBt& tabButton(int tabId);
    // The rectangle the pages take, in client coordinates.
    RECT pageRect() const;

private:
    HWND main_;
    TavNMiBt notesTab_;
    TavNMiBt templatesTab_;
    TavNMiBt settingsTab_;
    TavNMiBt closeBt_;
    TavNMiNote notes_;
    std::unique_ptr<TavNMiTpl> templates_;
    TavNMiSysSet settings_;
    int chosen_ = kMgrTabNotesId;
};

// Runs the manager modally over `owner` (the main window); returns when it has been closed. A
// second call while it is open brings the open one forward.
void runManager(HWND owner);
