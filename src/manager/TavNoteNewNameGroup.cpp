#include "TavNoteNewNameGroup.h"

#include "ManagerDraw.h"
#include "TavNoteMessageBox.h"

void showGroupNameMessage(HWND owner, GroupNameProblem problem) {
    TavNoteMessageBox box(kBoxOk, groupNameMessage(problem), L"TavNote", 300, 120);
    box.setIcon(L"TavNote.png");
    box.runModal(owner);
}

std::wstring
askGroupName(HWND owner, const std::wstring& title, const std::wstring& current,
             const TavNoteNewNameGroup::Attempt& attempt,
             const std::function<std::wstring(const std::wstring&, const std::wstring&)>& typeName,
             const std::function<void(const std::wstring&)>& tell) {
    if (typeName) {
        for (;;) {
            const std::wstring typed = typeName(title, current);
            if (typed.empty()) return std::wstring();
            std::wstring accepted;
            const GroupNameProblem problem = attempt(typed, &accepted);
            if (problem == GroupNameProblem::None) return accepted;
            tell(groupNameMessage(problem));
        }
    }
    if (current.empty()) {
        TavNoteNewNameGroup prompt(attempt, title);
        return prompt.runModal(owner) == kNoteResultOk ? prompt.accepted() : std::wstring();
    }
    TavNoteRenameGroup prompt(attempt, current);
    return prompt.runModal(owner) == kNoteResultOk ? prompt.accepted() : std::wstring();
}

TavNoteNewNameGroup::TavNoteNewNameGroup(Attempt attempt, std::wstring title)
    : TavNoteNewName(std::move(title), 300, 120), attempt_(std::move(attempt)) {
    setObjectName(L"TavNoteNewNameGroup");
    setIcon(L"TavNote.png");
}

int TavNoteNewNameGroup::validateName(const std::wstring& name) {
    std::wstring accepted;
    const GroupNameProblem problem = attempt_ ? attempt_(name, &accepted) : GroupNameProblem::Illegal;
    if (problem != GroupNameProblem::None) {
        showGroupNameMessage(handle(), problem);
        return 0;
    }
    accepted_ = accepted;
    return 1;
}

TavMemDC TavNoteNewNameGroup::renderSelf() {
    TavMemDC dc = TavNoteNewName::renderSelf();
    if (!dc) return dc;
    // Under the name field, above the buttons.
    const RECT field = nameFieldRect(metrics());
    drawManagerText(dc.dc(), handle(), L"请输入新的组名",
                    RECT{field.left, field.bottom + 6, field.right, field.bottom + 26},
                    Gdiplus::StringAlignmentNear, 0xFF808080, 12.0f);
    return dc;
}

TavNoteRenameGroup::TavNoteRenameGroup(Attempt attempt, std::wstring oldName)
    : TavNoteNewNameGroup(std::move(attempt), L"重命名..."), oldName_(std::move(oldName)) {
    setObjectName(L"TavNoteRenameGroup");
}

void TavNoteRenameGroup::modalStart() {
    edit().setText(oldName_);
    TavNoteNewNameGroup::modalStart();
}
