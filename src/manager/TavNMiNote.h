#pragma once
// The notes page of the manager: the groups at the left, the notes of the chosen group at the
// right with the view switch above and the command buttons below, and a search box that finds
// notes by their text in every group.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ManagerGroups.h"
#include "ManagerState.h"
#include "NoteSearch.h"
#include "TavNMiGroupList.h"
#include "TavNMiNList.h"
#include "TavNMiTab.h"
#include "TavNoteBt.h"
#include "TavNoteEdit.h"
#include "TavNoteExportMsg.h"

// Control ids of the notes page (the buttons' clicks carry them).
enum : int {
    kMgrGroupListId = 20038,
    kMgrNewGroupId = 20040,
    kMgrDeleteGroupId = 20041,
    kMgrEmptyRecycleId = 20042,
    kMgrDeleteNotesId = 20043,
    kMgrRestoreId = 20044,
    kMgrSelectAllId = 20045,
    kMgrInvertId = 20046,
    kMgrMoveId = 20047,
    kMgrShowId = 20048,
    kMgrHideId = 20049,
    kMgrRenameId = 20050,
    kMgrExportId = 20051,
    kMgrNoteListId = 20052,
    kMgrViewTabId = 20053,
    kMgrSearchId = 20054,
};
// Commands of the page's menus.
enum : int {
    kCmdMgrDeleteGroup = 30901,
    kCmdMgrDeleteAndMove = 30902,
    kCmdMgrMoveSystem = 31000, // then 31001 + n for the n-th user group
    kCmdMgrMoveLast = 31198,
};

// What the page asks the user; an empty function asks with the program's own windows.
struct TavManagerDialogs {
    // A message box of the type (1: OK, 3: OK and Cancel) over the owner; returns its answer.
    std::function<int(HWND owner, int type, const std::wstring& text)> message;
    // One press of OK in a name prompt with the name typed; "" is Cancel. Called again after a
    // refused name, as the prompt stays open.
    std::function<std::wstring(const std::wstring& title, const std::wstring& current)> typeName;
    // A pop-up menu of the (command, text) entries under a button: the command chosen, 0 for none.
    std::function<int(const std::vector<std::pair<int, std::wstring>>& entries)> chooseFromMenu;
    // The editing of a note opened by a double click (unique, group folder); the default runs the
    // note in the manager.
    std::function<void(const std::wstring& unique, const std::wstring& folder)> editNote;
    // The same for a template of the template page (name, group folder); the default runs the
    // template editor.
    std::function<void(const std::wstring& name, const std::wstring& folder)> editTemplate;
    TavExportDialogs exportDialogs;
};

class TavSearchEdit : public TavNoteEdit {
public:
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    TavMemDC renderSelf() override;
    // Empties the box without telling the page.
    void reset() {
        setText(std::wstring());
        last_.clear();
    }

private:
    std::wstring last_;
};

class TavNMiNote : public TavWnd {
public:
    // statePath: the settings file ("sysconfig.xml"); mainWindow: where shown, hidden and recycled
    // notes are told (may be null).
    TavNMiNote(std::wstring statePath, HWND mainWindow, TavManagerDialogs dialogs = {});
    ~TavNMiNote() override;

    bool createChild(HWND parent, int id, const RECT& rect);
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onSized(WPARAM flag, int width, int height) override;
    void onDestroyed() override;
    TavMemDC renderSelf() override;
    // The page's own image shows only its size, whether it searches and how many were found.
    uint64_t keptImageKey() const override;

    // --- what the buttons and menus do (public for tests) ---
    void onButton(int id);
    void onMenuCommand(int command);
    // Reads the group's list again (50020).
    void reload();
    // The notes changed elsewhere: the search reads them again and the list is read again.
    void refresh() {
        gathered_ = false;
        if (handle()) PostMessageW(handle(), kManagerMsgReload, 0, 0);
    }
    void selectGroup(const std::wstring& name);
    void setSearchText(const std::wstring& text);
    void openEntry(size_t index);

    TavNMiGroupList& groupList() { return groups_; }
    TavNMiNList& noteList() { return list_; }
    TavNMiTab& viewTab() { return tab_; }
    TavNoteBt* button(int id);
    TavSearchEdit& searchBox() { return search_; }
    const ManagerState& state() const { return state_; }
    std::wstring currentGroup() const { return groups_.selectedName(); }
    // The folder of the group shown.
    std::wstring currentFolder() const;
    bool searching() const { return !query_.empty(); }
    NoteSearch& search() { return searchIndex_; }

private:
    enum class Pending { None, DeleteGroup, MoveNotes };
    void layoutControls();
    void applyButtonLayout();
    // Draws the page and shows it, once the manager is on the screen.
    void paint();
    // Where the number of notes found is written.
    RECT countRect() const;
    int ask(int type, const std::wstring& text);
    // The selected entries, told when there are none.
    std::vector<ManagerNoteEntry> selection(const wchar_t* emptyMessage);
    int chooseMenu(int anchorId, const std::vector<std::pair<int, std::wstring>>& entries,
                   const std::vector<std::wstring>& icons);
    std::wstring
    askGroupName(const std::wstring& title, const std::wstring& current,
                 const std::function<GroupNameProblem(const std::wstring&, std::wstring*)>& attempt);
    std::vector<std::wstring> moveTargets(const std::wstring& leaveOut) const;
    // The open notes among the names are closed (hidden with their snapshots); their names.
    std::vector<std::wstring> closeOpenNotes(const std::vector<ManagerNoteEntry>& entries);
    bool anyOpen(const std::vector<ManagerNoteEntry>& entries) const;
    void tellMain(UINT message);

    void newGroup();
    void renameGroup();
    void deleteGroup(const std::wstring* moveTo);
    void emptyRecycle();
    void deleteNotes();
    void restoreNotes();
    void showNotesCommand(bool show);
    void moveNotesTo(const std::wstring& target);
    void exportNotes(ExportKind kind);
    void runSearch();

    std::wstring statePath_;
    HWND main_;
    TavManagerDialogs dialogs_;
    ManagerState state_;
    TavNMiGroupList groups_;
    TavNMiTab tab_;
    TavNMiNList list_;
    TavSearchEdit search_;
    std::map<int, std::unique_ptr<TavNoteBt>> buttons_;
    Pending pending_ = Pending::None;
    std::vector<std::wstring> menuTargets_;
    std::wstring query_;
    bool gathered_ = false;
    NoteSearch searchIndex_;
    bool showingSearch_ = false; // the list shows a search's results
    size_t shownCount_ = 0;      // the number of notes found, as the page shows it
    std::map<std::wstring, ManagerNoteEntry> searchEntries_; // folder + name -> the note as read
};
