#pragma once
// The note list of the manager without a window: the entries read from a group folder, the
// section a note falls in for each view, and where every header and tile goes.
#include <windows.h>

#include <string>
#include <vector>

struct ManagerNoteEntry {
    std::wstring folder;   // the group folder holding the note, ending in a backslash
    std::wstring unique;   // the note's folder name
    std::wstring created;  // `datetime`
    std::wstring group;    // `group` ("" for the system group)
    std::wstring section;  // shown instead of the group in the group view when not empty
    std::wstring snapshot; // the full path of the snapshot picture, "" when there is none
    int id = 0;
    RECT rect{}; // the note's stored rectangle (its thumbnail keeps the aspect)
    bool hidden = false;
    bool recycled = false;
};

// The notes of a group folder in folder-name order (creation order). A folder without its note
// file is cleaned up as when notes are loaded; an unreadable note file is left out. A note without
// `datetime` gets the creation time of its file, written to the file.
std::vector<ManagerNoteEntry> readManagerNoteList(const std::wstring& folder);
// One note again (after it was edited); false when its file cannot be read.
bool readManagerNoteEntry(const std::wstring& folder, const std::wstring& unique, ManagerNoteEntry& entry);

enum class ManagerView { ByDate, Flat, ByGroup };
inline constexpr wchar_t kViewByDate[] = L"创建时间分栏";
inline constexpr wchar_t kViewFlat[] = L"无分栏";
inline constexpr wchar_t kViewByGroup[] = L"分组分栏显示";
const wchar_t* managerViewText(ManagerView view);
// The view of a tab text; ByDate for a text that names none.
ManagerView managerViewFromText(const std::wstring& text);

// The section of an entry: the date part of its creation time, its group ("系统分组" for the
// system group), or "" when the view has no sections.
std::wstring managerSectionKey(const ManagerNoteEntry& entry, ManagerView view);

struct ManagerListItem {
    bool header = false;
    std::wstring key; // the section (headers and tiles)
    size_t entry = 0; // index into the entries (tiles only)
    RECT rect{};      // in list coordinates (before scrolling)
};
struct ManagerListLayout {
    std::vector<ManagerListItem> items;
    int height = 0; // the whole list's height
};
inline constexpr int kManagerTileWidth = 150;
inline constexpr int kManagerTileHeight = 170; // picture 150 x 136, then the caption
inline constexpr int kManagerTileGap = 12;
inline constexpr int kManagerHeaderHeight = 30;
// Headers across the width, tiles in rows under them. The sections keep the order in which their
// first note comes; every note of a section is in it even when others come between.
ManagerListLayout layoutManagerList(const std::vector<ManagerNoteEntry>& entries, ManagerView view,
                                    int width);
// The largest size of the aspect of `rect` inside box (at least 1 x 1).
SIZE fitInside(const RECT& rect, SIZE box);
