#include "AppPaths.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>
#include <direct.h>
#include <vector>

#include "FileSystem.h"

namespace {

std::wstring& appDirectoryOverride() {
    static std::wstring folder;
    return folder;
}

// Creates the folder when it is missing; returns false only when it is missing and cannot be made.
bool ensureFolder(const std::wstring& folder) {
    if (PathFileExistsW(folder.c_str())) return true;
    return _wmkdir(folder.c_str()) == 0 || PathFileExistsW(folder.c_str());
}

std::wstring subFolder(const std::wstring& parent, const std::wstring& name) {
    std::wstring folder = parent + name + L"\\";
    ensureFolder(folder);
    return folder;
}

} // namespace

void setAppDirectoryOverride(const std::wstring& folder) { appDirectoryOverride() = folder; }

std::wstring appDirectory() {
    if (!appDirectoryOverride().empty()) return appDirectoryOverride();
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) break;
        buffer.resize(buffer.size() * 2);
    }
    std::wstring path(buffer.data());
    return path.substr(0, path.rfind(L'\\') + 1);
}

std::wstring resourceDirectory() { return subFolder(appDirectory(), L"sysres"); }
std::wstring dataDirectory() { return subFolder(appDirectory(), L"NoteData"); }
std::wstring noteItemsDirectory() { return subFolder(dataDirectory(), L"NoteItems"); }
std::wstring noteItems2Directory() { return subFolder(dataDirectory(), L"NoteItems2"); }

std::wstring noteFolder(const std::wstring& name, const std::wstring& base) {
    if (!isPlainFileName(name)) return std::wstring();
    if (base.empty()) return subFolder(noteItemsDirectory(), name);
    ensureFolder(base); // a group folder may not exist yet
    return subFolder(base, name);
}

std::wstring templatesDirectory() { return subFolder(dataDirectory(), L"NoteTpls"); }

std::wstring templateFolder(const std::wstring& name) {
    if (!isPlainFileName(name)) return std::wstring();
    std::wstring folder = templatesDirectory() + name + L"\\";
    return ensureFolder(folder) ? folder : std::wstring();
}

std::wstring templateRecycleDirectory() { return subFolder(dataDirectory(), L"TplRecycle"); }
std::wstring templates2Directory() { return subFolder(dataDirectory(), L"NoteTpls2"); }

std::wstring templates2Folder(const std::wstring& group, const std::wstring& name) {
    if (!isPlainFileName(group) || !isPlainFileName(name)) return std::wstring();
    std::wstring folder = templates2Directory() + group + L"\\" + name + L"\\";
    return ensureFolder(templates2Directory() + group + L"\\") && ensureFolder(folder) ? folder
                                                                                       : std::wstring();
}

std::wstring iconDirectory(const std::wstring& set) {
    if (!set.empty() && !isPlainFileName(set)) return std::wstring();
    return subFolder(subFolder(appDirectory(), L"tavnote_reicon"), set.empty() ? L"default" : set);
}

std::wstring capNoteDirectory() { return subFolder(dataDirectory(), L"CapNote"); }
std::wstring capNoteFolder(const std::wstring& key) {
    return isPlainFileName(key) ? subFolder(capNoteDirectory(), key) : std::wstring();
}
std::wstring capNoteFolder(int key) { return capNoteFolder(std::to_wstring(key)); }
std::wstring recycleDirectory() { return subFolder(dataDirectory(), L"Recycle"); }
std::wstring sysconfigPath() { return appDirectory() + L"sysconfig.xml"; }
