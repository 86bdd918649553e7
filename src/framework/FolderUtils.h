#pragma once
// Folder utilities. Folder paths end in a backslash; one is added when it is missing.
#include <functional>
#include <string>
#include <vector>

// True if the folder can be enumerated.
bool isFolder(const std::wstring& folder);
// Names of the sub-folders ("." and ".." left out) and of the plain files, in the system's
// enumeration order (sort where order matters).
std::vector<std::wstring> listSubFolders(const std::wstring& folder);
std::vector<std::wstring> listFiles(const std::wstring& folder);

// Deletes every file of the folder, sub-folders first, then the folder itself when removeSelf.
// Only a folder strictly inside the data folder (or the installation's temporary folder) is
// touched: an empty, relative or outside path is refused (false) and nothing is deleted. A linked
// folder (junction or symbolic link), at the top or inside, is unlinked, never entered: its target
// is not ours. Returns true when everything asked for is gone.
bool deleteFolder(const std::wstring& folder, bool removeSelf = true);

// Copies every file of the folder into the target (overwriting), recursing into sub-folders and
// creating target folders as needed. Returns false if any folder or file could not be copied,
// so that a caller moving data deletes the source only after a complete copy. Refused: a target
// outside the data folder (see deleteFolder), a source that is relative or a link, a target inside
// the source (the copy would never end). Links inside the source are not followed.
bool copyFolder(const std::wstring& source, const std::wstring& target);

// Copies a picture file to a target inside the data folder (see deleteFolder). A target that is
// the source itself needs no copy; an existing one is replaced only when mayOverwrite() says yes.
// True when the target holds the picture; on false the target is as it was.
bool copyPictureInto(const std::wstring& sourcePath, const std::wstring& target,
                     const std::function<bool()>& mayOverwrite);

// Deletes one file strictly inside the data folder (see deleteFolder); anything else is refused.
bool removeDataFile(const std::wstring& path);

// Moves a folder inside the data folder to a target inside it that does not exist yet: a rename
// where the system can (same volume), else a complete copy followed by the source's deletion.
// False when nothing moved (the source is untouched, no partial target is left) or when the copy
// is complete but part of the source could not be deleted (*sourceRemains tells). allowRename
// false goes straight to the copy (tests use it to reach that path).
bool moveDataFolder(const std::wstring& source, const std::wstring& target, bool* sourceRemains = nullptr,
                    bool allowRename = true);
