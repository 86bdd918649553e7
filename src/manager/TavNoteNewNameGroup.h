#pragma once
// The name prompts of the manager's groups: "新建分组..." and "重命名...". OK hands the typed
// name to the prompt's attempt, which checks it (and for a new group makes the folder); a refused
// name is told with its message and the prompt stays open.
#include <functional>
#include <string>

#include "ManagerGroups.h"
#include "TavNoteNewName.h"

class TavNoteNewNameGroup : public TavNoteNewName {
public:
    using Attempt = std::function<GroupNameProblem(const std::wstring& typed, std::wstring* accepted)>;

    explicit TavNoteNewNameGroup(Attempt attempt, std::wstring title = L"新建分组...");

    int validateName(const std::wstring& name) override;
    TavMemDC renderSelf() override;
    // The name as accepted (trimmed) once the prompt closed with OK.
    const std::wstring& accepted() const { return accepted_; }

private:
    Attempt attempt_;
    std::wstring accepted_;
};

class TavNoteRenameGroup : public TavNoteNewNameGroup {
public:
    TavNoteRenameGroup(Attempt attempt, std::wstring oldName);
    void modalStart() override;
    const std::wstring& oldName() const { return oldName_; }

private:
    std::wstring oldName_;
};

// The message box of a refused group name over the owner (type 1, "TavNote").
void showGroupNameMessage(HWND owner, GroupNameProblem problem);
