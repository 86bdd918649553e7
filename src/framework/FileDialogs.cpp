#include "FileDialogs.h"

#include <commdlg.h>
#include <shlobj.h>

namespace {

TavDialogSeam& seam() {
    static TavDialogSeam current;
    return current;
}

std::wstring& lastFolder() {
    static std::wstring folder;
    return folder;
}

std::wstring& askedTitle() {
    static std::wstring title;
    return title;
}

// Sets the title being asked for while the dialog (or the seam's answer) runs.
struct TitleScope {
    explicit TitleScope(const wchar_t* title) { askedTitle() = title ? title : L""; }
    ~TitleScope() { askedTitle().clear(); }
};

void rememberFolderOf(const TavFileChoice& choice) {
    const size_t slash = choice.path.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 0) lastFolder() = choice.path.substr(0, slash);
}

template <typename Show>
TavFileChoice runFileDialog(HWND owner, const wchar_t* filter, const wchar_t* dialogTitle, bool pictures,
                            DWORD flags, Show show) {
    wchar_t path[MAX_PATH] = L"";
    wchar_t title[MAX_PATH] = L"";
    const std::wstring start = dialogStartFolder(pictures);
    OPENFILENAMEW ofn{};
    // The structure's own size: the 32-bit layout's 88 bytes would be refused by a 64-bit system.
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = MAX_PATH;
    ofn.lpstrTitle = dialogTitle;
    ofn.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
    // A read-only choice means nothing here: the program only ever copies the chosen file.
    ofn.Flags = flags | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!show(&ofn)) return {};
    return TavFileChoice{path, title};
}

} // namespace

void setDialogSeam(TavDialogSeam answers) { seam() = std::move(answers); }

const std::wstring& currentDialogTitle() { return askedTitle(); }

std::wstring dialogStartFolder(bool pictures) {
    if (!lastFolder().empty() && GetFileAttributesW(lastFolder().c_str()) != INVALID_FILE_ATTRIBUTES)
        return lastFolder();
    if (!pictures) return std::wstring();
    wchar_t folder[MAX_PATH] = L"";
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return folder;
    return std::wstring();
}

TavFileChoice openFileDialog(HWND owner, const wchar_t* filter, const wchar_t* title) {
    TitleScope asking(title);
    TavFileChoice choice = seam().open
                               ? seam().open(owner, filter)
                               : runFileDialog(owner, filter, title, true,
                                               OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, GetOpenFileNameW);
    rememberFolderOf(choice);
    return choice;
}

TavFileChoice saveFileDialog(HWND owner, const wchar_t* filter, const wchar_t* title) {
    TitleScope asking(title);
    TavFileChoice choice =
        seam().save ? seam().save(owner, filter)
                    : runFileDialog(owner, filter, title, false, OFN_OVERWRITEPROMPT, GetSaveFileNameW);
    rememberFolderOf(choice);
    return choice;
}

std::wstring browseForFolder(HWND owner, const wchar_t* title) {
    if (seam().browse) return seam().browse(owner);
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE items = SHBrowseForFolderW(&info);
    if (!items) return {};
    wchar_t path[MAX_PATH] = L"";
    BOOL ok = SHGetPathFromIDListW(items, path);
    CoTaskMemFree(items); // the shell allocator
    return ok ? std::wstring(path) : std::wstring();
}
