#include "FolderUtils.h"

#include <windows.h>

#include <iterator>

#include "FileSystem.h"
#include "GdiOwners.h"

namespace {

std::wstring asFolder(const std::wstring& path) {
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') return path + L'\\';
    return path;
}

bool isDots(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Calls fn(findData) for every entry of the folder except "." and "..".
template <typename Fn> bool forEachEntry(const std::wstring& folder, Fn fn) {
    WIN32_FIND_DATAW data;
    TavFindHandle find(FindFirstFileW((asFolder(folder) + L"*.*").c_str(), &data));
    if (!find) return false;
    do {
        if (!isDots(data.cFileName)) fn(data);
    } while (FindNextFileW(find.get(), &data));
    return true;
}

bool isDirectory(const WIN32_FIND_DATAW& d) { return (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
bool isLink(const WIN32_FIND_DATAW& d) { return (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

bool deleteFile(const std::wstring& path) {
    if (DeleteFileW(path.c_str())) return true;
    // A read-only file refuses deletion; the user asked for the whole folder to go.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(path.c_str()) != FALSE;
}

std::wstring fullPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 4];
    DWORD n = GetFullPathNameW(path.c_str(), DWORD(std::size(buffer)), buffer, nullptr);
    return n > 0 && n < std::size(buffer) ? asFolder(buffer) : asFolder(path);
}

// True when target is source or lies inside it: copying would then feed on its own output.
bool isInside(const std::wstring& target, const std::wstring& source) {
    std::wstring t = fullPath(target), s = fullPath(source);
    return t.size() >= s.size() &&
           CompareStringOrdinal(t.c_str(), int(s.size()), s.c_str(), int(s.size()), TRUE) == CSTR_EQUAL;
}

} // namespace

bool isFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    TavFindHandle find(FindFirstFileW((asFolder(folder) + L"*").c_str(), &data));
    return bool(find);
}

std::vector<std::wstring> listSubFolders(const std::wstring& folder) {
    std::vector<std::wstring> names;
    forEachEntry(folder, [&](const WIN32_FIND_DATAW& d) {
        if (isDirectory(d)) names.emplace_back(d.cFileName);
    });
    return names;
}

std::vector<std::wstring> listFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    forEachEntry(folder, [&](const WIN32_FIND_DATAW& d) {
        if (!isDirectory(d)) names.emplace_back(d.cFileName);
    });
    return names;
}

namespace {

bool deleteTree(const std::wstring& base, bool removeSelf) {
    bool ok = true;
    bool listed = forEachEntry(base, [&](const WIN32_FIND_DATAW& d) {
        std::wstring path = base + d.cFileName;
        if (isDirectory(d) && isLink(d))
            ok = RemoveDirectoryW(path.c_str()) && ok;
        else if (isLink(d))
            ok = DeleteFileW(path.c_str()) && ok; // a file link: the link goes, not its target
        else if (isDirectory(d))
            ok = deleteTree(asFolder(path), true) && ok;
        else
            ok = deleteFile(path) && ok;
    });
    if (!listed) return !removeSelf || GetFileAttributesW(base.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (removeSelf) ok = RemoveDirectoryW(base.c_str()) && ok;
    return ok;
}

bool copyTree(const std::wstring& from, const std::wstring& to) {
    if (!CreateDirectoryW(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    bool ok = true;
    forEachEntry(from, [&](const WIN32_FIND_DATAW& d) {
        if (isLink(d)) return; // a link leads outside what is copied: it is not followed
        if (isDirectory(d))
            ok = copyTree(from + d.cFileName + L"\\", to + d.cFileName + L"\\") && ok;
        else
            ok = CopyFileW((from + d.cFileName).c_str(), (to + d.cFileName).c_str(), FALSE) && ok;
    });
    return ok;
}

} // namespace

bool deleteFolder(const std::wstring& folder, bool removeSelf) {
    if (!isInsideDataFolder(folder)) return false;
    std::wstring base = asFolder(folder);
    if (isLinkPath(base)) {
        // Unlinked, never entered. Where the system cannot remove the link itself it stays.
        if (!removeSelf) return true;
        std::wstring bare = base.substr(0, base.size() - 1);
        return RemoveDirectoryW(bare.c_str()) != FALSE;
    }
    return deleteTree(base, removeSelf);
}

bool copyFolder(const std::wstring& source, const std::wstring& target) {
    std::wstring from = asFolder(source), to = asFolder(target);
    if (!isAbsolutePath(from) || !isInsideDataFolder(to)) return false;
    if (!isFolder(from) || isLinkPath(from) || isInside(to, from)) return false;
    return copyTree(from, to);
}

bool copyPictureInto(const std::wstring& sourcePath, const std::wstring& target,
                     const std::function<bool()>& mayOverwrite) {
    if (!fileExists(sourcePath) || !isInsideDataFolder(target)) return false;
    std::wstring from = fullPath(sourcePath), to = fullPath(target);
    if (CompareStringOrdinal(from.c_str(), int(from.size()), to.c_str(), int(to.size()), TRUE) == CSTR_EQUAL)
        return true;
    if (!isMissingFile(target) && !mayOverwrite()) return false;
    return CopyFileW(sourcePath.c_str(), target.c_str(), FALSE) != FALSE;
}

bool removeDataFile(const std::wstring& path) {
    if (!isInsideDataFolder(path)) return false;
    return deleteFile(path);
}

bool moveDataFolder(const std::wstring& source, const std::wstring& target, bool* sourceRemains,
                    bool allowRename) {
    if (sourceRemains) *sourceRemains = false;
    std::wstring from = asFolder(source), to = asFolder(target);
    if (!isInsideDataFolder(from) || !isInsideDataFolder(to) || isLinkPath(from) || !isFolder(from))
        return false;
    if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES) return false; // never merged into another
    std::wstring bareFrom = from.substr(0, from.size() - 1), bareTo = to.substr(0, to.size() - 1);
    if (allowRename && MoveFileExW(bareFrom.c_str(), bareTo.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    if (!copyFolder(from, to)) {
        deleteFolder(to, true); // our own incomplete copy
        return false;
    }
    if (deleteFolder(from, true)) return true;
    if (sourceRemains) *sourceRemains = true;
    return false;
}
