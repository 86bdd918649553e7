#pragma once
// Folder utilities. Folder paths end in a backslash; one is added when it is missing.
#include <string>
#include <vector>

// True if the folder can be enumerated.
bool isFolder(const std::wstring& folder);
// Names of the sub-folders ("." and ".." left out) and of the plain files, in the system's
// enumeration order (sort where order matters).
std::vector<std::wstring> listSubFolders(const std::wstring& folder);
std::vector<std::wstring> listFiles(const std::wstring& folder);

// Deletes every file of the folder, sub-folders first, then the folder itself when removeSelf.
// A linked folder (junction or symbolic link) is unlinked, never entered: its target is not ours.
// Returns true when everything asked for is gone.
bool deleteFolder(const std::wstring& folder, bool removeSelf = true);

// Copies every file of the folder into the target (overwriting), recursing into sub-folders and
// creating target folders as needed. Returns false if any folder or file could not be copied,
// so that a caller moving data deletes the source only after a complete copy. A target inside
// the source (or the source itself) is refused: the copy would never end.
bool copyFolder(const std::wstring& source, const std::wstring& target);
