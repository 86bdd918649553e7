#pragma once
// The template page of the manager: the template groups at the left ("系统分组", the folders of
// "NoteTpls2", "回收站"), the templates of the chosen group as thumbnails of their pictures at the
// right with the view switch above and the command buttons below. A double click opens the
// template editor. Made smaller (a scale below 1) it is the note menu's template chooser: the
// groups and the list only, and a double click reports the template to the notify window.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ManagerGroups.h"
#include "ManagerState.h"
#include "TavNMiGroupList.h"
#include "TavNMiNList.h"
#include "TavNMiNote.h"
#include "TavNMiTab.h"
#include "TavNoteBt.h"

// Controls of the template page that the notes page does not have (the others share its ids).
enum : int {
    kTplListId = 20013,
    kTplDeleteId = 20014,
    kTplAddId = 20031,
    kTplViewTabId = 20037,
};

class TavNMiTpl : public TavWnd {
public:
    // statePath: the settings file ("sysconfig.xml"). notify: where a double-clicked template is
    // sent as notifyMessage with wParam = its name and lParam = its group ("" for the system
    // group), both const wchar_t* alive during the call; without one the editor opens.
    TavNMiTpl(std::wstring statePath, TavManagerDialogs dialogs = {}, double scale = 1.0,
              HWND notify = nullptr, UINT notifyMessage = 0);
    ~TavNMiTpl() override;

    bool createChild(HWND parent, int id, const RECT& rect);
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onSized(WPARAM flag, int width, int height) override;
    void onDestroyed() override;
    TavMemDC renderSelf() override;

    // --- what the buttons and menus do (public for tests) ---
    void onButton(int id);
    void onMenuCommand(int command);
    // Reads the group's templates again (50020).
    void reload();
    void selectGroup(const std::wstring& name);
    void openEntry(size_t index);

    // The chooser's compact look: no buttons, no view switch.
    bool compact() const { return scale_ < 1.0; }
    double scale() const { return scale_; }
    TavNMiGroupList& groupList() { return groups_; }
    TavNMiNList& templateList() { return list_; }
    TavNMiTab& viewTab() { return tab_; }
    TavNoteBt* button(int id);
    const ManagerState& state() const { return state_; }
    std::wstring currentGroup() const { return groups_.selectedName(); }
    // The folder of the group shown.
    std::wstring currentFolder() const;

private:
    void layoutControls();
    void applyButtonLayout();
    void saveState();
    int ask(int type, const std::wstring& text);
    HWND dialogOwner();
    // The selected templates, told when there are none.
    std::vector<ManagerNoteEntry> selection(const wchar_t* emptyMessage);
    std::wstring
    askGroupName(const std::wstring& title, const std::wstring& current,
                 const std::function<GroupNameProblem(const std::wstring&, std::wstring*)>& attempt);
    void reloadGroups(const std::wstring& select);

    void addTemplate();
    void deleteTemplates();
    void restoreTemplates();
    void chooseMoveTarget();
    void moveTemplatesTo(const std::wstring& target);
    void newGroup();
    void renameGroup();
    void deleteGroup();
    void emptyRecycle();

    std::wstring statePath_;
    TavManagerDialogs dialogs_;
    double scale_;
    HWND notify_;
    UINT notifyMessage_;
    ManagerState state_;
    TavNMiGroupList groups_;
    TavNMiTab tab_;
    TavNMiNList list_;
    std::map<int, std::unique_ptr<TavNoteBt>> buttons_;
    bool movePending_ = false;
    std::vector<std::wstring> menuTargets_;
};
