#include "FileDialogs.h"

#include <commdlg.h>
#include <shlobj.h>

namespace {

TavDialogSeam& seam() {
    static TavDialogSeam current;
    return current;
}

template <typename Show>
TavFileChoice runFileDialog(HWND owner, const wchar_t* filter, DWORD flags, Show show) {
    wchar_t path[MAX_PATH] = L"";
    wchar_t title[MAX_PATH] = L"";
    OPENFILENAMEW ofn{};
    // The structure's own size: the 32-bit layout's 88 bytes would be refused by a 64-bit system.
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = MAX_PATH;
    ofn.Flags = flags;
    if (!show(&ofn)) return {};
    return TavFileChoice{path, title};
}

} // namespace

void setDialogSeam(TavDialogSeam answers) { seam() = std::move(answers); }

TavFileChoice openFileDialog(HWND owner, const wchar_t* filter) {
    if (seam().open) return seam().open(owner, filter);
    return runFileDialog(owner, filter, OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, GetOpenFileNameW);
}

TavFileChoice saveFileDialog(HWND owner, const wchar_t* filter) {
    if (seam().save) return seam().save(owner, filter);
    return runFileDialog(owner, filter, 0, GetSaveFileNameW);
}

std::wstring browseForFolder(HWND owner) {
    if (seam().browse) return seam().browse(owner);
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE items = SHBrowseForFolderW(&info);
    if (!items) return {};
    wchar_t path[MAX_PATH] = L"";
    BOOL ok = SHGetPathFromIDListW(items, path);
    CoTaskMemFree(items); // the shell allocator
    return ok ? std::wstring(path) : std::wstring();
}
