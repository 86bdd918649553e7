#include "FileSystem.h"

#include <windows.h>

#include <cwctype>
#include <iterator>

#include "AppPaths.h"

namespace {

std::wstring withSlash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path;
}

// "." and ".." resolved, '/' turned into '\'; "" when the path cannot be resolved.
std::wstring resolved(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 4];
    DWORD n = GetFullPathNameW(path.c_str(), DWORD(std::size(buffer)), buffer, nullptr);
    if (n == 0 || n >= std::size(buffer)) return std::wstring();
    return buffer;
}

bool startsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.c_str(), int(prefix.size()), prefix.c_str(), int(prefix.size()), TRUE) ==
               CSTR_EQUAL;
}

bool isReservedDeviceName(const std::wstring& name) {
    // The part before the first dot decides: "con.txt" is the console too.
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem) c = wchar_t(std::towupper(c));
    static const wchar_t* const fixed[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* reserved : fixed)
        if (stem == reserved) return true;
    if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0))
        return stem[3] >= L'1' && stem[3] <= L'9';
    return false;
}

// True when every folder strictly between root (resolved, with a backslash) and the path's last
// part is a plain folder, not a link.
bool noLinkBetween(const std::wstring& root, const std::wstring& path) {
    size_t at = root.size();
    for (;;) {
        size_t slash = path.find(L'\\', at);
        if (slash == std::wstring::npos || slash + 1 >= path.size()) return true;
        DWORD attributes = GetFileAttributesW(path.substr(0, slash).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return false;
        at = slash + 1;
    }
}

bool strictlyInside(const std::wstring& path, const std::wstring& rootFolder) {
    if (!isAbsolutePath(rootFolder)) return false;
    std::wstring root = withSlash(resolved(rootFolder));
    if (root.size() < 4) return false; // never a drive root
    std::wstring bare = path;
    while (!bare.empty() && bare.back() == L'\\') bare.pop_back();
    return bare.size() > root.size() && startsWithIgnoringCase(bare, root) && noLinkBetween(root, bare);
}

} // namespace

bool fileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isMissingFile(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool canReadFile(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool isPlainFileName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    if (name.find_first_of(L"\\/:") != std::wstring::npos) return false;
    for (wchar_t c : name) {
        if (c < 0x20 || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|')
            return false;
    }
    if (name.back() == L'.' || name.back() == L' ') return false;
    return !isReservedDeviceName(name);
}

bool isAbsolutePath(const std::wstring& path) {
    auto isSlash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' && isSlash(path[2])) return true;
    return path.size() >= 3 && isSlash(path[0]) && isSlash(path[1]) && !isSlash(path[2]);
}

bool isInsideDataFolder(const std::wstring& path) {
    if (!isAbsolutePath(path)) return false;
    std::wstring full = resolved(path);
    if (full.empty()) return false;
    return strictlyInside(full, dataDirectory()) || strictlyInside(full, appDirectory() + L"tempgif\\");
}

bool isLinkPath(const std::wstring& path) {
    std::wstring bare = path;
    while (bare.size() > 3 && (bare.back() == L'\\' || bare.back() == L'/')) bare.pop_back();
    DWORD attributes = GetFileAttributesW(bare.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}
