#pragma once
// Folders that tests make for themselves under the temporary folder (outside any data folder),
// removed and copied without the program's data-folder guard, and whole-file reads and writes.
// Never used on anything a test did not create.
#include <windows.h>

#include <string>
#include <vector>

inline std::wstring slashed(const std::wstring& path) {
    return !path.empty() && path.back() != L'\\' ? path + L'\\' : path;
}

// Removes the folder and everything in it; links are unlinked, never entered.
inline bool removeTree(const std::wstring& folder) {
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
                removeTree(path);
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
inline bool copyTree(const std::wstring& from, const std::wstring& to) {
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
            ok = copyTree(source + name, target + name) && ok;
        else
            ok = CopyFileW((source + name).c_str(), (target + name).c_str(), FALSE) && ok;
    } while (FindNextFileW(find, &d));
    FindClose(find);
    return ok;
}

// Replaces the file's bytes; true when all were written.
inline bool writeBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// The file's bytes ("" when it cannot be read); a file another process holds open is still read.
inline std::string readBytes(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

inline bool pathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh folder under the temporary folder, deleted with everything in it at scope end. The prefix
// tells a person which tests left a folder behind after a crash.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& prefix = L"tavtest") {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static int counter = 0;
        do {
            path_ = std::wstring(base) + prefix + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                    std::to_wstring(++counter) + L"\\";
        } while (!CreateDirectoryW(path_.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    }
    ~TempFolder() { removeTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Ends in a backslash.
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + name; }
    // An empty sub-folder of that name (emptied when it was there), ending in a backslash.
    std::wstring freshFolder(const std::wstring& name) const {
        const std::wstring folder = path_ + name + L"\\";
        removeTree(folder);
        CreateDirectoryW(folder.c_str(), nullptr);
        return folder;
    }
    // The names of everything in the folder (files and sub-folders).
    std::vector<std::wstring> entries() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW d;
        HANDLE find = FindFirstFileW((path_ + L"*").c_str(), &d);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            const std::wstring name = d.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (FindNextFileW(find, &d));
        FindClose(find);
        return names;
    }

private:
    std::wstring path_;
};
