#pragma once
// Questions about files and names that every layer asks before it opens, writes or deletes.
#include <string>

// True when a plain file (not a folder) is there.
bool fileExists(const std::wstring& path);
// True when a folder (or a link to one) is there.
bool folderExists(const std::wstring& path);
// True only when the system says the file or its folder does not exist. A file that cannot be
// looked at (access denied, a sharing violation, a device error) is not missing: it is someone
// else's business, never replaced by a fresh one.
bool isMissingFile(const std::wstring& path);
// True when the file's bytes can be read now (it is not locked or forbidden).
bool canReadFile(const std::wstring& path);

// True for a bare file or folder name: not empty, no separator, drive or parent step, no
// character Windows forbids, no reserved device name (CON, NUL, COM1...), not ending in a dot or
// space. Every name read from a file passes this test before anything is opened, shown, copied or
// deleted by it.
bool isPlainFileName(const std::wstring& name);

// True for "X:\..." or "\\server\share\...": a path that does not depend on the working folder.
bool isAbsolutePath(const std::wstring& path);

// True when the path is absolute and, once "." and ".." are resolved, lies strictly inside the
// data folder ("NoteData\") or the installation's own temporary folder ("tempgif\"), and no folder
// between that root and the path's last part is a link (a junction or symbolic link would lead
// outside). Every delete, move and overwrite of user data checks this first.
bool isInsideDataFolder(const std::wstring& path);

// True when the path names a link (a junction or symbolic link): it must be unlinked, never
// entered.
bool isLinkPath(const std::wstring& path);
