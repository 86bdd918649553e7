#pragma once
// The hidden main window (object id 20000). Creating it does the process-wide start-up work: the
// tray icon, the single-instance guard, loading the notes. It owns the open notes and carries
// out the program's commands (new note, close, recycle, reload, About, help, exit); destroying
// its window ends the message loop.
#include "TavWnd.h"

#include <shellapi.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

class ReminderChecker;
class TavNoteItem;

class TavNoteMain : public TavWnd {
public:
    static constexpr DWORD kExStyle = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW; // 0x08000080
    static constexpr DWORD kStyle = WS_POPUP | WS_VISIBLE;                 // 0x90000000

    TavNoteMain();
    ~TavNoteMain() override;

    // Creates the window at (x, y) with size 0 × 0, as the entry point asks.
    bool createAt(int x, int y);

    // --- the program's operations ---
    // A new note at the packed screen point (x - 30, y + 30), or at the default place for 0,
    // with the look of the model note; null when its window could not be made.
    TavNoteItem* newNote(LPARAM packedPoint);
    // Hides the note (file kept, `ishide` set, picture stored) and destroys it.
    bool closeNote(int noteId);
    // Moves the note's folder to the recycle folder and destroys the note. A note whose folder
    // could not be copied stays open and untouched.
    bool recycleNoteById(int noteId);
    void recycleNotesByName(const std::set<std::wstring>& names);
    // Opens every note that is not hidden and not open yet; returns how many were opened.
    int loadNotes();
    // A first start (no data folder before this run) opens with one welcome note.
    void setFirstStart(bool first) { firstStart_ = first; }
    // The welcome note: a note at the place of the tray's new notes with one text block that
    // tells how to write, format, add notes and find them again. Null when it could not be made.
    TavNoteItem* addWelcomeNote();
    // Shows the help file beside the executable.
    void openHelp();
    void chooseGroupEntry(int command);

    TavNoteItem* findNote(int noteId) const;
    const std::vector<std::unique_ptr<TavNoteItem>>& notes() const { return notes_; }
    const std::wstring& chosenGroup() const { return chosenGroup_; }
    const std::vector<std::wstring>& trayGroups() const { return trayGroups_; }
    void setTrayGroups(std::vector<std::wstring> names) { trayGroups_ = std::move(names); }
    bool isSecondInstance() const { return secondInstance_; }
    const NOTIFYICONDATAW& trayData() const { return tray_; }

    // The name of the single-instance mutex ("TavNote"); tests use their own.
    static void setInstanceMutexName(const std::wstring& name);

protected:
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onTrayNotify(WPARAM wParam, LPARAM lParam) override;
    void onCreated() override;
    void onDestroyed() override;

private:
    void addTrayIcon();
    void removeTrayIcon();
    void showTrayMenu();
    void bringNotesForward();
    void showAbout();
    void exitProgram();
    // The reminder check thread: started when the notes are loaded, stopped with the window.
    void startReminderThread();
    void stopReminderThread();
    std::unique_ptr<TavNoteItem> takeNote(TavNoteItem* note);
    TavNoteItem* openNote(std::unique_ptr<TavNoteItem> note, int id, int x, int y, DWORD style);

    std::vector<std::unique_ptr<TavNoteItem>> notes_;
    NOTIFYICONDATAW tray_{};
    bool trayAdded_ = false;
    std::unique_ptr<ReminderChecker> reminderChecker_;
    std::vector<std::wstring> trayGroups_;
    std::wstring chosenGroup_;
    HANDLE mutex_ = nullptr;
    bool secondInstance_ = false;
    UINT taskbarCreated_ = 0;
    bool firstStart_ = false;
};
