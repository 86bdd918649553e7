#pragma once
// The platform's open, save and folder dialogs behind a seam: tests install answers instead of
// opening modal windows.
#include <windows.h>

#include <functional>
#include <string>

struct TavFileChoice {
    std::wstring path;  // full path; empty when cancelled
    std::wstring title; // file name without the folder
};

// The pictures a note or a dialog takes as its background.
inline constexpr wchar_t kImageFileFilter[] = L"png gif jpg bmp 格式文件\0*.PNG;*.gif;*.jpg;*.bmp\0";

// The title of the program's picture choosers.
inline constexpr wchar_t kImageDialogTitle[] = L"选择一个图像文件";

// filter is the platform's list of pairs, each string NUL-terminated, the list ending in two NULs.
// The dialogs have no read-only box; they open in the folder last chosen from (in this run), else
// in the user's Pictures folder for an open dialog.
TavFileChoice openFileDialog(HWND owner, const wchar_t* filter, const wchar_t* title = nullptr);
TavFileChoice saveFileDialog(HWND owner, const wchar_t* filter, const wchar_t* title = nullptr);
// The title of the dialog being asked for right now ("" outside a request); tests read it.
const std::wstring& currentDialogTitle();
// The folder a dialog opens in: the last one chosen from, else the Pictures folder for `pictures`.
std::wstring dialogStartFolder(bool pictures);
// Empty when cancelled.
std::wstring browseForFolder(HWND owner, const wchar_t* title = nullptr);

// Answers given instead of the platform dialogs while set; an empty function means "use the
// platform". Tests set them and reset them with a default-constructed seam.
struct TavDialogSeam {
    std::function<TavFileChoice(HWND owner, const wchar_t* filter)> open;
    std::function<TavFileChoice(HWND owner, const wchar_t* filter)> save;
    std::function<std::wstring(HWND owner)> browse;
};
void setDialogSeam(TavDialogSeam seam);
