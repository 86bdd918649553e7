#pragma once
// Folders that tests make for themselves (outside any data folder), removed and copied without
// the program's data-folder guard. Never used on anything a test did not create.
#include <windows.h>

#include <string>

namespace testtree {

inline std::wstring slashed(const std::wstring& path) {
    return !path.empty() && path.back() != L'\\' ? path + L'\\' : path;
}

// Removes the folder and everything in it; links are unlinked, never entered.
inline bool remove(const std::wstring& folder) {
    const std::wstring base = slashed(folder);
    if (base.empty()) return false;
    WIN32_FIND_DATAW d;
    HANDLE find = FindFirstFileW((base + L"*").c_str(), &d);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = d.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = base + name;
            if (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveDirectoryW(path.c_str());
            } else if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &d));
        FindClose(find);
    }
    return RemoveDirectoryW(base.c_str()) != FALSE;
}

// Copies a folder tree (files and sub-folders); true when everything was copied.
inline bool copy(const std::wstring& from, const std::wstring& to) {
    const std::wstring source = slashed(from), target = slashed(to);
    CreateDirectoryW(target.c_str(), nullptr);
    WIN32_FIND_DATAW d;
    HANDLE find = FindFirstFileW((source + L"*").c_str(), &d);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        const std::wstring name = d.cFileName;
        if (name == L"." || name == L"..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = copy(source + name, target + name) && ok;
        else
            ok = CopyFileW((source + name).c_str(), (target + name).c_str(), FALSE) && ok;
    } while (FindNextFileW(find, &d));
    FindClose(find);
    return ok;
}

} // namespace testtree
