#pragma once
// Folder work shared by the manager's notes and templates: a group or item name that can be a
// folder, and moving an item folder into another folder by a complete copy into a fresh name.
#include <string>

// False for "", ".", "..", separators, reserved and control characters, device names (CON,
// COM1 …), a trailing dot or space, and overlong names.
bool isValidGroupFolderName(const std::wstring& name);
std::wstring withSlash(std::wstring folder);
// The last component of a path (the file name of a chosen file).
std::wstring fileNameOfPath(const std::wstring& path);
// Folder paths compared as the system does (case ignored, trailing backslash optional).
bool sameFolderPath(const std::wstring& a, const std::wstring& b);

struct ItemMoveResult {
    std::wstring name;          // the item's folder name at the target ("" when nothing moved)
    bool sourceRemains = false; // the copy is complete but part of the source could not go
};
// Moves "<sourceFolder><name>\" into `targetParent` under its own name or, when that is taken,
// "<name>_<n>"; the item's own file "<name>.xml" inside is then renamed after its folder. Nothing
// moves for a name that is no plain file name or a linked source; an item already in the target
// folder stays (its name is returned).
ItemMoveResult moveItemFolder(const std::wstring& sourceFolder, const std::wstring& name,
                              const std::wstring& targetParent);
