#pragma once
// What the manager does to groups and notes on disk, without a window: groups are folders
// ("NoteItems" for the system group, "NoteItems2\<name>\" for a user group, "Recycle" for the
// recycle bin) and notes are folders inside them. Every move copies first and deletes the source
// only after a complete copy, into a fresh folder when the name is taken there.
#include <string>
#include <vector>

inline constexpr wchar_t kSystemGroupName[] = L"系统分组";
inline constexpr wchar_t kRecycleGroupName[] = L"回收站";

enum class GroupNameProblem {
    None,
    Exists,   // "存在相同的分组或者文件！"
    Reserved, // "不能为系统分组或者回收站，请重新命名！"
    Illegal,  // "分组命名不合法！"
};
// The message shown for a refused name ("" for None).
const wchar_t* groupNameMessage(GroupNameProblem problem);
// The name without its leading and trailing spaces (ideographic spaces included).
std::wstring trimGroupName(const std::wstring& raw);
// Checks a trimmed name in the order the user is told: an existing folder or file of that name
// (case ignored), a reserved name, then a name that is no valid folder name (empty, separators,
// reserved characters, control characters, device names such as CON or COM1, a trailing dot or
// space, "." or "..").
GroupNameProblem checkGroupName(const std::wstring& name);
// Checks and creates the group folder; `created` receives the trimmed name.
GroupNameProblem createGroup(const std::wstring& raw, std::wstring* created = nullptr);
// The same for the groups of another root folder (the template groups of "NoteTpls2").
GroupNameProblem checkGroupNameIn(const std::wstring& root, const std::wstring& name);
GroupNameProblem createGroupIn(const std::wstring& root, const std::wstring& raw,
                               std::wstring* created = nullptr);

// The folder of a group shown in the manager: the system group, the recycle bin or a user group
// ("" for a user group name that is no plain folder name). A user group's folder is not created.
std::wstring managerGroupFolder(const std::wstring& group);
// The user groups: the folders of "NoteItems2", sorted by name, links left out.
std::vector<std::wstring> userGroupNames();

struct NoteMoveResult {
    std::wstring name;          // the note's folder name at the target ("" when nothing moved)
    bool sourceRemains = false; // the copy is complete but part of the source could not go
};
// Moves the note folder `unique` of `sourceFolder` into the group `targetGroup` ("" or the system
// group's name for the system group): under its own name, or "<unique>_<n>" when that is taken;
// its file then names its folder, its group and its base folder.
NoteMoveResult moveNoteToGroup(const std::wstring& sourceFolder, const std::wstring& unique,
                               const std::wstring& targetGroup);
// Moves the note folder `unique` of `sourceFolder` into the recycle bin (its `group` is kept, so
// that restoring knows where it came from).
NoteMoveResult moveNoteToRecycle(const std::wstring& sourceFolder, const std::wstring& unique);
// Moves a recycled note back to the group its file names (the group's folder is made again when
// it was deleted); `group` receives that group ("" for the system group).
NoteMoveResult restoreNote(const std::wstring& unique, std::wstring* group = nullptr);
// Deletes a recycled note for good.
bool deleteRecycledNote(const std::wstring& unique);
// Empties the recycle bin.
bool emptyRecycleBin();

// Renames a user group: the new folder is made (checked as a new group), every note is moved into
// it and the old folder goes once it is empty. Problem None when the rename happened; a note that
// could not move keeps the old folder.
GroupNameProblem renameGroup(const std::wstring& oldName, const std::wstring& raw,
                             std::wstring* created = nullptr);
// Deletes a user group: its notes go to the recycle bin, or to `moveTo` when it is given (a group
// name, kSystemGroupName for the system group), then the folder goes once it is empty. The names
// of the notes moved, as they are named at the target, are appended to `moved`. False when a
// note could not be moved (the group folder then stays with it).
bool deleteGroup(const std::wstring& name, const std::wstring* moveTo, std::vector<std::wstring>* moved);
// Marks the notes of the folder shown (`ishide` 0); the number changed.
int showNotes(const std::wstring& folder, const std::vector<std::wstring>& uniques);
