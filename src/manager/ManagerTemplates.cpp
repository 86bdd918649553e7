#include "ManagerTemplates.h"

#include "AppPaths.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "ImageFiles.h"
#include "NoteDocument.h"
#include "NoteFormat.h"
#include "UniqueName.h"
#include "XmlDocument.h"

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

constexpr wchar_t kTemplateRoot[] = L"TplItem";

bool isSystemGroup(const std::wstring& group) { return group.empty() || group == kSystemGroupName; }

// Sets the elements of `TplItem` in the template file (each found or appended).
bool setTemplateElements(const std::wstring& path,
                         std::initializer_list<std::pair<const wchar_t*, std::wstring>> values) {
    if (!isInsideDataFolder(path)) return false;
    XmlDocument doc;
    const bool loaded = doc.loadFile(path) && doc.isWellFormed() && doc.findElement(kTemplateRoot);
    if (!loaded) {
        // A damaged file is kept beside the one written now.
        if (!isMissingFile(path) && !CopyFileW(path.c_str(), (path + L".bad").c_str(), FALSE)) return false;
        doc.setDocument(nullptr);
        doc.addElement(kTemplateRoot);
    }
    if (!doc.intoElement()) return false;
    // One pass over the children sets those present (the first of each name); the others are
    // appended after the last child.
    std::vector<bool> done(values.size(), false);
    while (doc.findElement()) {
        const std::wstring current = doc.currentName();
        size_t k = 0;
        for (const auto& [name, value] : values) {
            if (!done[k] && current == name) {
                doc.setData(value);
                done[k] = true;
                break;
            }
            ++k;
        }
    }
    size_t k = 0;
    for (const auto& [name, value] : values)
        if (!done[k++]) doc.addElement(name, value);
    return doc.saveFile(path);
}

// After a move: the template names its group (and its folder under a fresh name).
void followMove(const ItemMoveResult& moved, const std::wstring& name, const std::wstring& targetParent,
                const std::wstring* group) {
    if (moved.name.empty()) return;
    const std::wstring path = withSlash(targetParent) + moved.name + L"\\" + moved.name + L".xml";
    if (!fileExists(path)) return;
    if (moved.name != name) setTemplateElements(path, {{L"TplName", moved.name}});
    if (group) setTemplateElements(path, {{L"group", *group}});
}

std::wstring storedGroupOf(const std::wstring& folder, const std::wstring& name) {
    XmlDocument doc;
    const std::wstring path = withSlash(folder) + name + L"\\" + name + L".xml";
    if (!doc.loadFile(path) || !doc.isWellFormed() || !doc.findElement(kTemplateRoot) || !doc.intoElement() ||
        !doc.findElement(L"group"))
        return std::wstring();
    return doc.getData();
}

bool moveAllTemplates(const std::wstring& folder, const std::wstring* targetGroup) {
    bool all = true;
    for (const std::wstring& name : listSubFolders(folder)) {
        ItemMoveResult moved = targetGroup ? moveTemplateToGroup(folder, name, *targetGroup)
                                           : moveTemplateToRecycle(folder, name);
        all = all && !moved.name.empty() && !moved.sourceRemains;
    }
    return all;
}

} // namespace

std::wstring managerTemplateGroupFolder(const std::wstring& group) {
    if (isSystemGroup(group)) return templatesDirectory();
    if (group == kRecycleGroupName) return templateRecycleDirectory();
    if (!isValidGroupFolderName(group)) return std::wstring();
    return templates2Directory() + group + L"\\";
}

std::vector<std::wstring> managerTemplateGroups() {
    const std::wstring root = templates2Directory();
    std::vector<std::wstring> names;
    for (const std::wstring& name : listSubFolders(root))
        if (!isLinkPath(root + name)) names.push_back(name);
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) ==
               CSTR_LESS_THAN;
    });
    return names;
}

bool readManagerTemplateEntry(const std::wstring& folder, const std::wstring& name, const SYSTEMTIME& now,
                              ManagerNoteEntry& entry) {
    const std::wstring base = withSlash(folder);
    if (!isPlainFileName(name) || !isFolder(base + name)) return false;
    entry = ManagerNoteEntry{};
    entry.folder = base;
    entry.unique = name;
    const std::wstring path = base + name + L"\\" + name + L".xml";
    XmlDocument doc;
    if (!doc.loadFile(path) || !doc.isWellFormed() || !doc.findElement(kTemplateRoot) || !doc.intoElement())
        return true;
    std::vector<TavFoundElement> wanted{{L"ID"},     {L"left"},     {L"top"},   {L"right"},
                                        {L"bottom"}, {L"datetime"}, {L"group"}, {L"bkimage"}};
    findChildElements(doc, wanted);
    entry.id = parseNoteInt(wanted[0].value);
    entry.rect = RECT{parseNoteInt(wanted[1].value), parseNoteInt(wanted[2].value),
                      parseNoteInt(wanted[3].value), parseNoteInt(wanted[4].value)};
    entry.created = wanted[5].value;
    entry.group = wanted[6].value;
    const std::wstring& picture = wanted[7].value;
    if (!picture.empty() && isPlainFileName(picture) && fileExists(base + name + L"\\" + picture))
        entry.snapshot = base + name + L"\\" + picture;
    if (entry.created.empty()) {
        entry.created = formatNoteTime(now);
        setTemplateElements(path, {{L"datetime", entry.created}});
    }
    return true;
}

std::vector<ManagerNoteEntry> readManagerTemplateList(const std::wstring& folder, const SYSTEMTIME& now) {
    std::vector<ManagerNoteEntry> entries;
    if (folder.empty() || !isFolder(folder)) return entries;
    const std::wstring base = withSlash(folder);
    std::vector<std::wstring> names = listSubFolders(base);
    std::sort(names.begin(), names.end());
    for (const std::wstring& name : names) {
        if (isLinkPath(base + name)) continue;
        ManagerNoteEntry entry;
        if (readManagerTemplateEntry(base, name, now, entry)) entries.push_back(std::move(entry));
    }
    return entries;
}

std::wstring addTemplateFromImage(const std::wstring& group, const std::wstring& imagePath,
                                  const SYSTEMTIME& now) {
    const std::wstring parent = managerTemplateGroupFolder(group);
    if (parent.empty() || group == kRecycleGroupName || !fileExists(imagePath) || !loadImageFile(imagePath))
        return std::wstring();
    if (!isFolder(parent) && !CreateDirectoryW(parent.c_str(), nullptr)) return std::wstring();
    FILETIME stamp{};
    if (!SystemTimeToFileTime(&now, &stamp)) return std::wstring();
    ULARGE_INTEGER ticks{{stamp.dwLowDateTime, stamp.dwHighDateTime}};
    std::wstring name;
    for (int attempt = 0; attempt < 1000 && name.empty(); ++attempt, ticks.QuadPart += 10000) {
        FILETIME next{ticks.LowPart, ticks.HighPart};
        SYSTEMTIME when{};
        if (!FileTimeToSystemTime(&next, &when)) break;
        const std::wstring candidate = uniqueTimeName(when, 1);
        if (isMissingFile(parent + candidate)) name = candidate;
    }
    const std::wstring folder = parent + name + L"\\";
    if (name.empty() || !isInsideDataFolder(folder) || !CreateDirectoryW(folder.c_str(), nullptr))
        return std::wstring();
    const std::wstring picture = L"bkimage_" + name + L"_" + fileNameOfPath(imagePath);
    const bool copied =
        isPlainFileName(picture) && copyPictureInto(imagePath, folder + picture, [] { return false; }) &&
        setTemplateElements(folder + name + L".xml", {{L"TplName", name},
                                                      {L"left", L"0"},
                                                      {L"top", L"0"},
                                                      {L"right", L"240"},
                                                      {L"bottom", L"240"},
                                                      {L"bkimage", picture},
                                                      {L"group", isSystemGroup(group) ? L"" : group},
                                                      {L"datetime", formatNoteTime(now)}});
    if (!copied) {
        deleteFolder(folder);
        return std::wstring();
    }
    return name;
}

ItemMoveResult moveTemplateToGroup(const std::wstring& sourceFolder, const std::wstring& name,
                                   const std::wstring& targetGroup) {
    if (targetGroup == kRecycleGroupName) return {};
    const std::wstring target = managerTemplateGroupFolder(targetGroup);
    if (target.empty()) return {};
    if (!isFolder(target) && !CreateDirectoryW(target.c_str(), nullptr)) return {};
    ItemMoveResult moved = moveItemFolder(sourceFolder, name, target);
    const std::wstring group = isSystemGroup(targetGroup) ? std::wstring() : targetGroup;
    followMove(moved, name, target, &group);
    return moved;
}

ItemMoveResult moveTemplateToRecycle(const std::wstring& sourceFolder, const std::wstring& name) {
    ItemMoveResult moved = moveItemFolder(sourceFolder, name, templateRecycleDirectory());
    followMove(moved, name, templateRecycleDirectory(), nullptr);
    return moved;
}

ItemMoveResult restoreTemplate(const std::wstring& name, std::wstring* group) {
    if (!isPlainFileName(name)) return {};
    std::wstring stored = storedGroupOf(templateRecycleDirectory(), name);
    if (!stored.empty() &&
        (!isValidGroupFolderName(stored) || stored == kRecycleGroupName || isSystemGroup(stored)))
        stored.clear();
    if (group) *group = stored;
    return moveTemplateToGroup(templateRecycleDirectory(), name, stored);
}

bool deleteRecycledTemplate(const std::wstring& name) {
    if (!isPlainFileName(name)) return false;
    return deleteFolder(templateRecycleDirectory() + name + L"\\");
}

bool emptyTemplateRecycleBin() { return deleteFolder(templateRecycleDirectory(), false); }

GroupNameProblem createTemplateGroup(const std::wstring& raw, std::wstring* created) {
    return createGroupIn(templates2Directory(), raw, created);
}

GroupNameProblem renameTemplateGroup(const std::wstring& oldName, const std::wstring& raw,
                                     std::wstring* created) {
    const std::wstring oldFolder = managerTemplateGroupFolder(oldName);
    if (isSystemGroup(oldName) || oldName == kRecycleGroupName || oldFolder.empty() || !isFolder(oldFolder) ||
        isLinkPath(oldFolder.substr(0, oldFolder.size() - 1)))
        return GroupNameProblem::Illegal;
    std::wstring name;
    GroupNameProblem problem = createTemplateGroup(raw, &name);
    if (problem != GroupNameProblem::None) return problem;
    if (created) *created = name;
    if (moveAllTemplates(oldFolder, &name)) deleteFolder(oldFolder);
    return GroupNameProblem::None;
}

bool deleteTemplateGroup(const std::wstring& name) {
    const std::wstring folder = managerTemplateGroupFolder(name);
    if (isSystemGroup(name) || name == kRecycleGroupName || folder.empty() || !isFolder(folder) ||
        isLinkPath(folder.substr(0, folder.size() - 1)))
        return false;
    if (!moveAllTemplates(folder, nullptr)) return false;
    return deleteFolder(folder);
}
