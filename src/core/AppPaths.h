#pragma once
// Paths of the installation and data folders. Every folder function creates the folder it returns
// (one level at a time) when it is missing; folder paths end in a backslash. A function taking a
// name returns "" when the name is not a plain file name (see isPlainFileName): callers check
// for "" and stop.
#include <string>

std::wstring appDirectory();
std::wstring resourceDirectory();
std::wstring dataDirectory();
std::wstring noteItemsDirectory();
std::wstring noteItems2Directory();
std::wstring noteFolder(const std::wstring& name, const std::wstring& base = std::wstring());
std::wstring templatesDirectory();
// Also "" when the folder was missing and could not be created.
std::wstring templateFolder(const std::wstring& name);
std::wstring templateRecycleDirectory();
std::wstring templates2Directory();
// Also "" when a folder was missing and could not be created.
std::wstring templates2Folder(const std::wstring& group, const std::wstring& name);
// An empty set name means "default".
std::wstring iconDirectory(const std::wstring& set = std::wstring());
std::wstring capNoteDirectory();
std::wstring capNoteFolder(const std::wstring& key);
std::wstring capNoteFolder(int key);
std::wstring recycleDirectory();
std::wstring sysconfigPath();

// Replaces the folder of the executable as the application folder (tests run in a fresh folder).
// The path must end in a backslash; an empty path restores the executable's folder.
void setAppDirectoryOverride(const std::wstring& folder);
