#include "ManagerNoteList.h"

#include <algorithm>
#include <map>

#include "ManagerFolders.h"
#include "NoteDocument.h"
#include "NoteFolders.h"
#include "NoteFormat.h"
#include "NoteStore.h"
#include "FileSystem.h"

namespace {

// The creation time of the file in local time; false when the file system does not say.
bool fileCreationTime(const std::wstring& path, SYSTEMTIME& local) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    SYSTEMTIME utc{};
    return FileTimeToSystemTime(&data.ftCreationTime, &utc) &&
           SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
}

} // namespace

bool readManagerNoteEntry(const std::wstring& folder, const std::wstring& unique, ManagerNoteEntry& entry) {
    const std::wstring base = withSlash(folder);
    const std::wstring path = base + unique + L"\\" + unique + L".xml";
    XmlDocument doc;
    if (!doc.loadFile(path) || !doc.isWellFormed() || !doc.findElement(L"TavNoteItem") || !doc.intoElement())
        return false;
    std::vector<TavFoundElement> wanted{{L"ID"},       {L"left"},   {L"top"},     {L"right"}, {L"bottom"},
                                        {L"datetime"}, {L"ishide"}, {L"pngview"}, {L"group"}};
    findChildElements(doc, wanted);
    entry = ManagerNoteEntry{};
    entry.folder = base;
    entry.unique = unique;
    entry.id = parseNoteInt(wanted[0].value);
    entry.rect = RECT{parseNoteInt(wanted[1].value), parseNoteInt(wanted[2].value),
                      parseNoteInt(wanted[3].value), parseNoteInt(wanted[4].value)};
    entry.created = wanted[5].value;
    entry.hidden = wanted[6].found && parseNoteInt(wanted[6].value) != 0;
    if (!wanted[7].value.empty() && isPlainFileName(wanted[7].value)) {
        const std::wstring picture = base + unique + L"\\" + wanted[7].value;
        if (GetFileAttributesW(picture.c_str()) != INVALID_FILE_ATTRIBUTES) entry.snapshot = picture;
    }
    entry.group = wanted[8].value;
    if (entry.created.empty()) {
        SYSTEMTIME made{};
        if (fileCreationTime(path, made)) {
            entry.created = formatNoteTime(made);
            TavNoteStore(unique, base, 0).SaveCreateTime(made);
        }
    }
    return true;
}

std::vector<ManagerNoteEntry> readManagerNoteList(const std::wstring& folder) {
    std::vector<ManagerNoteEntry> entries;
    if (folder.empty()) return entries;
    const std::wstring base = withSlash(folder);
    // One listing of the folder; linked folders lead elsewhere and are left out.
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((base + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !wcscmp(found.cFileName, L".") ||
            !wcscmp(found.cFileName, L".."))
            continue;
        names.push_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    bool stray = false;
    for (const std::wstring& name : names) {
        ManagerNoteEntry entry;
        if (readManagerNoteEntry(base, name, entry)) {
            entries.push_back(std::move(entry));
        } else if (GetFileAttributesW((base + name + L"\\" + name + L".xml").c_str()) ==
                   INVALID_FILE_ATTRIBUTES) {
            stray = true;
        }
    }
    // A folder without its note file is cleaned up as when the notes are loaded.
    if (stray) listNoteFolder(base, std::wstring(), false);
    return entries;
}

const wchar_t* managerViewText(ManagerView view) {
    switch (view) {
    case ManagerView::Flat:
        return kViewFlat;
    case ManagerView::ByGroup:
        return kViewByGroup;
    default:
        return kViewByDate;
    }
}

ManagerView managerViewFromText(const std::wstring& text) {
    if (text == kViewFlat) return ManagerView::Flat;
    if (text == kViewByGroup) return ManagerView::ByGroup;
    return ManagerView::ByDate;
}

std::wstring managerSectionKey(const ManagerNoteEntry& entry, ManagerView view) {
    switch (view) {
    case ManagerView::ByDate:
        return entry.created.substr(0, entry.created.find(L' '));
    case ManagerView::ByGroup:
        if (!entry.section.empty()) return entry.section;
        return entry.group.empty() ? std::wstring(L"系统分组") : entry.group;
    default:
        return std::wstring();
    }
}

SIZE fitInside(const RECT& rect, SIZE box) {
    const long w = std::max<long>(1, rect.right - rect.left), h = std::max<long>(1, rect.bottom - rect.top);
    SIZE size{box.cx, box.cy};
    if (w * box.cy > h * box.cx)
        size.cy = int(std::max<long long>(1, (long long)box.cx * h / w));
    else
        size.cx = int(std::max<long long>(1, (long long)box.cy * w / h));
    return size;
}

ManagerListLayout layoutManagerList(const std::vector<ManagerNoteEntry>& entries, ManagerView view,
                                    int width) {
    // Sections in the order of their first note; the notes of each in list order.
    std::vector<std::wstring> order;
    std::map<std::wstring, std::vector<size_t>> members;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::wstring key = managerSectionKey(entries[i], view);
        auto& list = members[key];
        if (list.empty()) order.push_back(key);
        list.push_back(i);
    }
    const int columns = std::max(1, (width - kManagerTileGap) / (kManagerTileWidth + kManagerTileGap));
    ManagerListLayout layout;
    int y = 0;
    for (const std::wstring& key : order) {
        if (view != ManagerView::Flat) {
            ManagerListItem header;
            header.header = true;
            header.key = key;
            header.rect = RECT{0, y, width, y + kManagerHeaderHeight};
            layout.items.push_back(header);
            y += kManagerHeaderHeight;
        }
        y += kManagerTileGap / 2;
        const std::vector<size_t>& notes = members[key];
        for (size_t n = 0; n < notes.size(); ++n) {
            const int column = int(n % size_t(columns));
            if (n > 0 && column == 0) y += kManagerTileHeight + kManagerTileGap;
            ManagerListItem tile;
            tile.key = key;
            tile.entry = notes[n];
            const int x = kManagerTileGap + column * (kManagerTileWidth + kManagerTileGap);
            tile.rect = RECT{x, y, x + kManagerTileWidth, y + kManagerTileHeight};
            layout.items.push_back(tile);
        }
        if (!notes.empty()) y += kManagerTileHeight + kManagerTileGap;
    }
    layout.height = y;
    return layout;
}
