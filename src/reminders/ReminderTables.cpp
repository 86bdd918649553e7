#include "ReminderTables.h"

#include <cstdio>
#include <map>
#include <mutex>

std::wstring reminderMinuteString(const SYSTEMTIME& t) {
    wchar_t text[32];
    swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    return text;
}

namespace {
template <typename Key> struct GuardedMap {
    std::mutex lock;
    std::map<Key, std::wstring> entries;
};

GuardedMap<std::wstring>& firedSet() {
    static GuardedMap<std::wstring> table;
    return table;
}
GuardedMap<HWND>& stopTable() {
    static GuardedMap<HWND> table;
    return table;
}
struct NoteWindows {
    std::mutex lock;
    std::map<int, HWND> entries;
};
NoteWindows& noteWindows() {
    static NoteWindows table;
    return table;
}
} // namespace

namespace FiredReminderSet {
bool contains(const std::wstring& folderName) {
    auto& t = firedSet();
    std::lock_guard guard(t.lock);
    return t.entries.count(folderName) != 0;
}
void insert(const std::wstring& folderName, const std::wstring& minute) {
    auto& t = firedSet();
    std::lock_guard guard(t.lock);
    t.entries[folderName] = minute;
}
void erase(const std::wstring& folderName) {
    auto& t = firedSet();
    std::lock_guard guard(t.lock);
    t.entries.erase(folderName);
}
void clear() {
    auto& t = firedSet();
    std::lock_guard guard(t.lock);
    t.entries.clear();
}
} // namespace FiredReminderSet

namespace ReminderStopTable {
std::wstring get(HWND note) {
    auto& t = stopTable();
    std::lock_guard guard(t.lock);
    auto it = t.entries.find(note);
    return it == t.entries.end() ? std::wstring() : it->second;
}
void set(HWND note, const std::wstring& minute) {
    auto& t = stopTable();
    std::lock_guard guard(t.lock);
    t.entries[note] = minute;
}
void erase(HWND note) {
    auto& t = stopTable();
    std::lock_guard guard(t.lock);
    t.entries.erase(note);
}
void clear() {
    auto& t = stopTable();
    std::lock_guard guard(t.lock);
    t.entries.clear();
}
} // namespace ReminderStopTable

namespace ReminderNoteWindows {
void add(int objectId, HWND note) {
    auto& t = noteWindows();
    std::lock_guard guard(t.lock);
    t.entries[objectId] = note;
}
void remove(int objectId, HWND note) {
    auto& t = noteWindows();
    std::lock_guard guard(t.lock);
    auto it = t.entries.find(objectId);
    if (it != t.entries.end() && it->second == note) t.entries.erase(it);
}
std::optional<HWND> find(int objectId) {
    auto& t = noteWindows();
    std::lock_guard guard(t.lock);
    auto it = t.entries.find(objectId);
    if (it == t.entries.end()) return std::nullopt;
    return it->second;
}
void clear() {
    auto& t = noteWindows();
    std::lock_guard guard(t.lock);
    t.entries.clear();
}
} // namespace ReminderNoteWindows
