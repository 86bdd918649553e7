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

// filter is the platform's list of pairs, each string NUL-terminated, the list ending in two NULs.
TavFileChoice openFileDialog(HWND owner, const wchar_t* filter);
TavFileChoice saveFileDialog(HWND owner, const wchar_t* filter);
// Empty when cancelled.
std::wstring browseForFolder(HWND owner);

// Answers given instead of the platform dialogs while set; an empty function means "use the
// platform". Tests set them and reset them with a default-constructed seam.
struct TavDialogSeam {
    std::function<TavFileChoice(HWND owner, const wchar_t* filter)> open;
    std::function<TavFileChoice(HWND owner, const wchar_t* filter)> save;
    std::function<std::wstring(HWND owner)> browse;
};
void setDialogSeam(TavDialogSeam seam);
