#include "ManagerGroups.h"

#include <windows.h>

#include "AppPaths.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "ManagerFolders.h"
#include "NoteStore.h"

#include <algorithm>
#include <cwctype>

namespace {

bool isSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == 0x3000; }

bool isSystemGroup(const std::wstring& group) { return group.empty() || group == kSystemGroupName; }

// The base folder a note of the group stores in `dir`: "" for the system group.
std::wstring baseDirOf(const std::wstring& group) {
    return isSystemGroup(group) ? std::wstring() : noteItems2Directory() + group + L"\\";
}

// Moves the note folder; a note under a fresh name writes that name as its `unique`.
NoteMoveResult moveNoteFolder(const std::wstring& sourceFolder, const std::wstring& unique,
                              const std::wstring& targetParent) {
    ItemMoveResult moved = moveItemFolder(sourceFolder, unique, targetParent);
    if (!moved.name.empty() && moved.name != unique)
        TavNoteStore(moved.name, withSlash(targetParent), 0).SaveUnique();
    return NoteMoveResult{moved.name, moved.sourceRemains};
}

} // namespace

const wchar_t* groupNameMessage(GroupNameProblem problem) {
    switch (problem) {
    case GroupNameProblem::Exists:
        return L"存在相同的分组或者文件！";
    case GroupNameProblem::Reserved:
        return L"不能为系统分组或者回收站，请重新命名！";
    case GroupNameProblem::Illegal:
        return L"分组命名不合法！";
    case GroupNameProblem::None:
        break;
    }
    return L"";
}

std::wstring trimGroupName(const std::wstring& raw) {
    size_t begin = 0, end = raw.size();
    while (begin < end && isSpace(raw[begin])) ++begin;
    while (end > begin && isSpace(raw[end - 1])) --end;
    return raw.substr(begin, end - begin);
}

GroupNameProblem checkGroupNameIn(const std::wstring& root, const std::wstring& name) {
    // A name that is no folder name is never looked up: "..\\x" must not find a folder elsewhere.
    if (!isValidGroupFolderName(name)) return GroupNameProblem::Illegal;
    if (!isMissingFile(withSlash(root) + name)) return GroupNameProblem::Exists;
    if (name == kSystemGroupName || name == kRecycleGroupName) return GroupNameProblem::Reserved;
    return GroupNameProblem::None;
}

GroupNameProblem checkGroupName(const std::wstring& name) {
    return checkGroupNameIn(noteItems2Directory(), name);
}

GroupNameProblem createGroupIn(const std::wstring& root, const std::wstring& raw, std::wstring* created) {
    const std::wstring name = trimGroupName(raw);
    GroupNameProblem problem = checkGroupNameIn(root, name);
    if (problem != GroupNameProblem::None) return problem;
    const std::wstring folder = withSlash(root) + name;
    if (!isInsideDataFolder(folder) || !CreateDirectoryW(folder.c_str(), nullptr))
        return GetLastError() == ERROR_ALREADY_EXISTS ? GroupNameProblem::Exists : GroupNameProblem::Illegal;
    if (created) *created = name;
    return GroupNameProblem::None;
}

GroupNameProblem createGroup(const std::wstring& raw, std::wstring* created) {
    return createGroupIn(noteItems2Directory(), raw, created);
}

std::wstring managerGroupFolder(const std::wstring& group) {
    if (isSystemGroup(group)) return noteItemsDirectory();
    if (group == kRecycleGroupName) return recycleDirectory();
    if (!isPlainFileName(group)) return std::wstring();
    return noteItems2Directory() + group + L"\\";
}

std::vector<std::wstring> userGroupNames() {
    const std::wstring root = noteItems2Directory();
    std::vector<std::wstring> names;
    for (const std::wstring& name : listSubFolders(root))
        if (!isLinkPath(root + name)) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

NoteMoveResult moveNoteToGroup(const std::wstring& sourceFolder, const std::wstring& unique,
                               const std::wstring& targetGroup) {
    const bool system = isSystemGroup(targetGroup);
    if (!system && (targetGroup == kRecycleGroupName || !isValidGroupFolderName(targetGroup))) return {};
    const std::wstring targetParent = managerGroupFolder(targetGroup);
    if (!system && !isFolder(targetParent) && !CreateDirectoryW(targetParent.c_str(), nullptr)) return {};
    NoteMoveResult result = moveNoteFolder(sourceFolder, unique, targetParent);
    if (result.name.empty()) return result;
    TavNoteStore store(result.name, system ? std::wstring() : targetParent, 0);
    store.SetGroup(system ? std::wstring() : targetGroup);
    store.SetBaseDir(baseDirOf(system ? std::wstring() : targetGroup));
    return result;
}

NoteMoveResult moveNoteToRecycle(const std::wstring& sourceFolder, const std::wstring& unique) {
    return moveNoteFolder(sourceFolder, unique, recycleDirectory());
}

NoteMoveResult restoreNote(const std::wstring& unique, std::wstring* group) {
    if (!isPlainFileName(unique)) return {};
    TavNoteStore recycled(unique, recycleDirectory(), 0);
    std::wstring name = recycled.LoadGroup().value_or(std::wstring());
    // A group that cannot be a folder (a crafted file) brings the note back to the system group.
    if (!name.empty() &&
        (!isValidGroupFolderName(name) || name == kRecycleGroupName || name == kSystemGroupName))
        name.clear();
    if (group) *group = name;
    return moveNoteToGroup(recycleDirectory(), unique, name);
}

bool deleteRecycledNote(const std::wstring& unique) {
    if (!isPlainFileName(unique)) return false;
    return deleteFolder(recycleDirectory() + unique + L"\\");
}

bool emptyRecycleBin() { return deleteFolder(recycleDirectory(), false); }

namespace {
// Moves every note folder of the user group away; false when one stayed.
bool moveAllNotes(const std::wstring& folder, const std::wstring* target, std::vector<std::wstring>* moved) {
    bool all = true;
    for (const std::wstring& unique : listSubFolders(folder)) {
        NoteMoveResult result =
            target ? moveNoteToGroup(folder, unique, *target) : moveNoteToRecycle(folder, unique);
        if (result.name.empty() || result.sourceRemains) {
            all = false;
            continue;
        }
        if (moved) moved->push_back(result.name);
    }
    return all;
}
} // namespace

GroupNameProblem renameGroup(const std::wstring& oldName, const std::wstring& raw, std::wstring* created) {
    const std::wstring oldFolder = managerGroupFolder(oldName);
    if (isSystemGroup(oldName) || oldName == kRecycleGroupName || oldFolder.empty() || !isFolder(oldFolder) ||
        isLinkPath(oldFolder.substr(0, oldFolder.size() - 1)))
        return GroupNameProblem::Illegal;
    std::wstring name;
    GroupNameProblem problem = createGroup(raw, &name);
    if (problem != GroupNameProblem::None) return problem;
    if (created) *created = name;
    // The old folder goes only when every note has arrived in the new one.
    if (moveAllNotes(oldFolder, &name, nullptr)) deleteFolder(oldFolder);
    return GroupNameProblem::None;
}

bool deleteGroup(const std::wstring& name, const std::wstring* moveTo, std::vector<std::wstring>* moved) {
    const std::wstring folder = managerGroupFolder(name);
    // A linked group folder is not ours to empty: its notes live elsewhere.
    if (isSystemGroup(name) || name == kRecycleGroupName || folder.empty() || !isFolder(folder) ||
        isLinkPath(folder.substr(0, folder.size() - 1)))
        return false;
    if (moveTo && *moveTo == name) return false;
    if (!moveAllNotes(folder, moveTo, moved)) return false;
    return deleteFolder(folder);
}

int showNotes(const std::wstring& folder, const std::vector<std::wstring>& uniques) {
    const std::wstring base =
        sameFolderPath(folder, noteItemsDirectory()) ? std::wstring() : withSlash(folder);
    int changed = 0;
    for (const std::wstring& unique : uniques) {
        TavNoteStore store(unique, base, 0);
        if (store.LoadHidden().value_or(false) && store.SaveHidden(false)) ++changed;
    }
    return changed;
}
