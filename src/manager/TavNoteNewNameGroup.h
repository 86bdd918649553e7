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

// What a group name prompt accepts over the owner ("" when cancelled): "新建分组..." without a
// current name, else "重命名..." showing it. When `typeName` is set it answers for the prompt (each
// call one press of OK with the name typed, "" for Cancel); a refused name is then told with
// `tell` and asked for again, as the prompt stays open.
std::wstring
askGroupName(HWND owner, const std::wstring& title, const std::wstring& current,
             const TavNoteNewNameGroup::Attempt& attempt,
             const std::function<std::wstring(const std::wstring&, const std::wstring&)>& typeName,
             const std::function<void(const std::wstring&)>& tell);

// The message box of a refused group name over the owner (type 1, "TavNote").
void showGroupNameMessage(HWND owner, GroupNameProblem problem);
