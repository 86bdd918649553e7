#pragma once
// What the manager's template page does on disk, without a window: template groups are the
// folders of "NoteTpls2" (the system group is "NoteTpls", the recycle bin "TplRecycle"), each
// template a folder holding "<name>.xml" (`TplItem`) and its pictures. Moves copy completely
// before they delete, into a fresh folder when the name is taken.
#include <windows.h>

#include <string>
#include <vector>

#include "ManagerFolders.h"
#include "ManagerGroups.h"
#include "ManagerNoteList.h"

// The folder of a template group shown on the page ("" for a name that is no folder name).
std::wstring managerTemplateGroupFolder(const std::wstring& group);
// The template groups: the folders of "NoteTpls2", links left out, sorted ignoring case (the order
// of the note menu's template group submenu).
std::vector<std::wstring> managerTemplateGroups();
// One template as the page lists it: folder = the group folder, unique = the template's name,
// created = `datetime`, group = `group`, id = `ID`, rect = its rectangle, snapshot = the full path
// of its `bkimage` picture when that file is there. A template without its file is listed without
// size or date; one whose file has no `datetime` is given `now` and saved. False for a name that
// is no plain folder name or a folder that is not there.
bool readManagerTemplateEntry(const std::wstring& folder, const std::wstring& name, const SYSTEMTIME& now,
                              ManagerNoteEntry& entry);
// The templates of a group folder in name order (creation order); linked folders left out.
std::vector<ManagerNoteEntry> readManagerTemplateList(const std::wstring& folder, const SYSTEMTIME& now);
// A template made from a picture file: a new folder named uniqueTimeName(now, 1) (the next
// millisecond while taken) in the group, the picture copied as "bkimage_<name>_<file name>", and
// `TplItem` with `TplName`, the rectangle 0, 0, 240, 240, `bkimage`, `group` and `datetime`. When
// the file is no picture or cannot be copied nothing is left behind and "" is returned.
std::wstring addTemplateFromImage(const std::wstring& group, const std::wstring& imagePath,
                                  const SYSTEMTIME& now);
// Moves a template folder into the group ("" or the system group's name for "NoteTpls"); its
// `group` (and `TplName` under a fresh name) follow.
ItemMoveResult moveTemplateToGroup(const std::wstring& sourceFolder, const std::wstring& name,
                                   const std::wstring& targetGroup);
ItemMoveResult moveTemplateToRecycle(const std::wstring& sourceFolder, const std::wstring& name);
// Back to the group its file names; the group's folder is made again when it was deleted.
ItemMoveResult restoreTemplate(const std::wstring& name, std::wstring* group = nullptr);
bool deleteRecycledTemplate(const std::wstring& name);
bool emptyTemplateRecycleBin();
GroupNameProblem createTemplateGroup(const std::wstring& raw, std::wstring* created = nullptr);
GroupNameProblem renameTemplateGroup(const std::wstring& oldName, const std::wstring& raw,
                                     std::wstring* created = nullptr);
// Its templates go to the template recycle bin, then the folder; false when one could not move.
bool deleteTemplateGroup(const std::wstring& name);
