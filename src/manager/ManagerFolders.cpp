#include "ManagerFolders.h"

#include <windows.h>

#include "FileSystem.h"
#include "FolderUtils.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

bool isDeviceName(const std::wstring& name) {
    // The part before the first dot, without the spaces before it, is what the system compares.
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(), [](wchar_t c) { return wchar_t(towupper(c)); });
    static const wchar_t* const fixed[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : fixed)
        if (base == device) return true;
    if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
        const wchar_t digit = base[3];
        return (digit >= L'1' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

std::wstring freeNameIn(const std::wstring& parent, const std::wstring& name) {
    if (isMissingFile(parent + name)) return name;
    for (int n = 1; n < 10000; ++n) {
        std::wstring candidate = name + L"_" + std::to_wstring(n);
        if (isMissingFile(parent + candidate)) return candidate;
    }
    return std::wstring();
}

} // namespace

std::wstring fileNameOfPath(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool isValidGroupFolderName(const std::wstring& name) {
    if (name.empty() || name.size() > 200 || name == L"." || name == L"..") return false;
    for (wchar_t c : name)
        if (c < 32 || wcschr(L"<>:\"/\\|?*", c)) return false;
    if (name.back() == L'.' || name.back() == L' ') return false;
    return !isDeviceName(name) && isPlainFileName(name);
}

std::wstring withSlash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

bool sameFolderPath(const std::wstring& a, const std::wstring& b) {
    const std::wstring x = withSlash(a), y = withSlash(b);
    return x.size() == y.size() &&
           CompareStringOrdinal(x.c_str(), int(x.size()), y.c_str(), int(y.size()), TRUE) == CSTR_EQUAL;
}

ItemMoveResult moveItemFolder(const std::wstring& sourceFolder, const std::wstring& name,
                              const std::wstring& targetParent) {
    ItemMoveResult result;
    if (!isPlainFileName(name) || sourceFolder.empty() || targetParent.empty()) return result;
    const std::wstring source = withSlash(sourceFolder) + name + L"\\";
    if (!isFolder(source) || isLinkPath(source.substr(0, source.size() - 1))) return result;
    if (sameFolderPath(sourceFolder, targetParent)) {
        result.name = name; // already there
        return result;
    }
    const std::wstring fresh = freeNameIn(withSlash(targetParent), name);
    if (fresh.empty()) return result;
    const std::wstring target = withSlash(targetParent) + fresh + L"\\";
    bool remains = false;
    if (!moveDataFolder(source, target, &remains) && !remains) return result;
    result.name = fresh;
    result.sourceRemains = remains;
    // The folder's name is the item's identity: its file takes the name too.
    if (fresh != name && isInsideDataFolder(target + name + L".xml"))
        MoveFileExW((target + name + L".xml").c_str(), (target + fresh + L".xml").c_str(), 0);
    return result;
}
