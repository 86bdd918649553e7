#pragma once
// What the end-to-end tests of faults met at the desk share beyond DeskDriver.h: note folders
// prepared through the program's own store, the note files read back, where a note lies on the
// screen, the note menu's opacity slider, notes added from the tray and the open-file dialog
// answered by typing.
#include "DeskDriver.h"
#include "TempFolder.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "AppPaths.h"
#include "NoteStore.h"
#include "ScrollMath.h"
#include "XmlDocument.h"

namespace defects {

using desk::centreOf;
using desk::rectOf;

// The title of the program's picture chooser (its window is found by it).
inline constexpr const wchar_t* kPictureChooser = L"选择一个图像文件";

inline std::vector<std::wstring> subFolders(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return names;
}

// One element of a note file, read the way any reader would: nothing when it is missing.
inline std::optional<std::wstring> element(const std::wstring& noteFile, const wchar_t* name) {
    XmlDocument doc;
    if (!doc.loadFile(noteFile) || !doc.findElement(L"TavNoteItem") || !doc.intoElement() ||
        !doc.findElement(name))
        return std::nullopt;
    return doc.getData();
}

inline std::wstring text(const std::wstring& noteFile, const wchar_t* name) {
    return element(noteFile, name).value_or(L"(missing)");
}

inline std::optional<int> number(const std::wstring& noteFile, const wchar_t* name) {
    auto value = element(noteFile, name);
    if (!value || value->empty()) return std::nullopt;
    return _wtoi(value->c_str());
}

inline std::optional<RECT> storedRect(const std::wstring& noteFile) {
    auto l = number(noteFile, L"left"), t = number(noteFile, L"top");
    auto r = number(noteFile, L"right"), b = number(noteFile, L"bottom");
    if (!l || !t || !r || !b) return std::nullopt;
    return RECT{*l, *t, *r, *b};
}

inline std::wstring describe(const RECT& r) {
    return L"(" + std::to_wstring(r.left) + L", " + std::to_wstring(r.top) + L", " +
           std::to_wstring(r.right) + L", " + std::to_wstring(r.bottom) + L")";
}

inline std::wstring describe(const std::optional<RECT>& r) { return r ? describe(*r) : L"(no rectangle)"; }

// The note file of every note folder under the data folder (NoteData\ of an installation,
// ending in a backslash): the system group, the named groups and the recycle folder.
inline std::vector<std::wstring> allNoteFiles(const std::wstring& noteData) {
    std::vector<std::wstring> files;
    auto collect = [&](const std::wstring& base) {
        for (const std::wstring& unique : subFolders(base)) {
            const std::wstring file = base + unique + L"\\" + unique + L".xml";
            if (pathExists(file)) files.push_back(file);
        }
    };
    collect(noteData + L"NoteItems\\");
    for (const std::wstring& group : subFolders(noteData + L"NoteItems2\\"))
        collect(noteData + L"NoteItems2\\" + group + L"\\");
    collect(noteData + L"Recycle\\");
    return files;
}

inline RECT screenRect() { return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

inline RECT workArea() {
    RECT work = screenRect();
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// Width and height of the part of `r` that lies on the screen (0 where nothing does).
inline SIZE onScreen(const RECT& r) {
    const RECT screen = screenRect();
    return SIZE{std::max<LONG>(0, std::min(r.right, screen.right) - std::max(r.left, screen.left)),
                std::max<LONG>(0, std::min(r.bottom, screen.bottom) - std::max(r.top, screen.top))};
}

inline bool insideOf(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// A note folder written through the program's own store into an installation, before it starts.
struct PreparedNote {
    const wchar_t* unique;
    RECT place;
    int id = 0;                          // 0: the next of a running count
    const wchar_t* background = nullptr; // a blue picture under this name
};

// False (with the reason printed) when a note could not be written.
inline bool prepare(const std::wstring& app, const std::vector<PreparedNote>& notes) {
    setAppDirectoryOverride(app);
    int next = 123450;
    bool ok = true;
    for (const PreparedNote& n : notes) {
        TavNoteStore note(n.unique, L"", n.id ? n.id : ++next);
        ok = ok && note.createNoteFile() && note.SaveGeometry(n.place).has_value();
        if (ok && n.background)
            ok = desk::writeSolidPng(note.createFolder() + n.background, n.place.right - n.place.left,
                                     n.place.bottom - n.place.top, 0xFF0000FF) &&
                 note.SaveBkImage(n.background);
        if (!ok) std::printf("could not prepare the note %ls\n", n.unique);
    }
    setAppDirectoryOverride(L"");
    return ok;
}

// Right-clicks the note at `at` until its menu shows (the menu has "隐藏", the tray menu has not).
inline bool openNoteMenu(const TavNoteProcess& app, POINT at) {
    return desk::click(at, 3) && desk::waitForItem(app, L"隐藏") != nullptr;
}

// Clicks a place of a note (outside the menu) and waits until the note menu has gone.
inline bool closeNoteMenu(const TavNoteProcess& app, POINT onNote) {
    return desk::click(onNote) && waitFor([&] { return desk::visibleItem(app, L"隐藏") == nullptr; }, 10000);
}

// The open note menu's opacity row, where the slider lies: the row between "添加文字" and
// "嵌入桌面". Empty when the menu is not open.
inline RECT opacitySlider(const TavNoteProcess& app) {
    HWND above = desk::visibleItem(app, L"添加文字"), below = desk::visibleItem(app, L"嵌入桌面");
    if (!above || !below) return RECT{};
    const RECT a = rectOf(above), b = rectOf(below);
    return RECT{a.left, a.bottom, a.right, b.top};
}

// The centre of the slider's thumb while the note is fully opaque: the start of the track.
inline POINT opaqueThumb(const RECT& slider) {
    return POINT{slider.left + kSliderMarginH, (slider.top + slider.bottom) / 2};
}

// Polls an integer element of the file until it has kept one value for `quietMs` (a drag's
// last change is written after earlier ones); the value, or nothing when it never settled.
inline std::optional<int> settledNumber(const std::wstring& file, const wchar_t* name, DWORD quietMs = 800,
                                        DWORD ms = 15000) {
    std::optional<int> last = number(file, name);
    ULONGLONG since = GetTickCount64();
    const bool settled = waitFor(
        [&] {
            const std::optional<int> now = number(file, name);
            if (now != last) last = now, since = GetTickCount64();
            return last.has_value() && GetTickCount64() - since >= quietMs;
        },
        ms);
    return settled ? last : std::nullopt;
}

// The folders of NoteItems\ that are not in `known`.
inline std::vector<std::wstring> newFolders(const std::wstring& noteItems,
                                            const std::vector<std::wstring>& known) {
    std::vector<std::wstring> fresh;
    for (const std::wstring& name : subFolders(noteItems))
        if (std::find(known.begin(), known.end(), name) == known.end()) fresh.push_back(name);
    return fresh;
}

// Waits for one new note folder under NoteItems\ whose note file holds an `ID`; its name or "".
inline std::wstring waitForNewNoteFolder(const std::wstring& noteItems,
                                         const std::vector<std::wstring>& known) {
    std::wstring found;
    waitFor(
        [&] {
            for (const std::wstring& name : newFolders(noteItems, known))
                if (number(noteItems + name + L"\\" + name + L".xml", L"ID")) return !(found = name).empty();
            return false;
        },
        15000);
    return found;
}

// A note window of the process that is not among `known`, or null.
inline HWND newNoteWindow(const TavNoteProcess& app, const std::vector<HWND>& known) {
    for (HWND w : desk::noteWindows(app))
        if (std::find(known.begin(), known.end(), w) == known.end()) return w;
    return nullptr;
}

// "添加便签" from the tray menu; the new note's window once it shows and the menu has closed.
inline HWND addNoteFromTray(const TavNoteProcess& app) {
    const std::vector<HWND> before = desk::noteWindows(app);
    if (!desk::openTrayMenu(app) || !desk::choose(app, L"添加便签")) return nullptr;
    HWND made = nullptr;
    waitFor([&] { return (made = newNoteWindow(app, before)) != nullptr; }, 15000);
    waitFor([&] { return desk::visibleItem(app, L"添加便签") == nullptr; }, 5000);
    return made;
}

// The visible top-level window with that title, of any process.
inline HWND waitForWindowTitled(const wchar_t* title, DWORD ms = 15000) {
    HWND found = nullptr;
    waitFor(
        [&] {
            found = FindWindowW(nullptr, title);
            return found && IsWindowVisible(found);
        },
        ms);
    return found;
}

// Types the text where the keyboard focus is and presses Return, as a person answering the
// open-file dialog's file name box does.
inline bool typeAndEnter(const std::wstring& textToType) {
    // xdotool may still be typing when its run returns (and "type" takes every further word as
    // text): Return is sent once the typing must be over, or it would overtake the last characters.
    const bool typed = unixtools::xdotool(L"type --delay 30 \"" + textToType + L"\"");
    Sleep(DWORD(textToType.size()) * 30 + 600);
    return typed && unixtools::xdotool(L"key Return");
}

// The bytes of every file in the folder, by name.
inline std::vector<std::pair<std::wstring, std::string>> filesIn(const std::wstring& folder) {
    std::vector<std::pair<std::wstring, std::string>> files;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.emplace_back(fd.cFileName, readBytes(folder + fd.cFileName));
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace defects
