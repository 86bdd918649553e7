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
// One table behind its own mutex.
template <typename Key, typename Value> class GuardedMap {
public:
    std::optional<Value> get(const Key& key) {
        std::lock_guard guard(lock_);
        auto it = entries_.find(key);
        if (it == entries_.end()) return std::nullopt;
        return it->second;
    }
    void set(const Key& key, const Value& value) {
        std::lock_guard guard(lock_);
        entries_[key] = value;
    }
    // Removes the entry; with `only`, only while it holds that value.
    void erase(const Key& key, const Value* only = nullptr) {
        std::lock_guard guard(lock_);
        auto it = entries_.find(key);
        if (it != entries_.end() && (!only || it->second == *only)) entries_.erase(it);
    }
    void clear() {
        std::lock_guard guard(lock_);
        entries_.clear();
    }

private:
    std::mutex lock_;
    std::map<Key, Value> entries_;
};

GuardedMap<std::wstring, std::wstring>& firedSet() {
    static GuardedMap<std::wstring, std::wstring> table;
    return table;
}
GuardedMap<HWND, std::wstring>& stopTable() {
    static GuardedMap<HWND, std::wstring> table;
    return table;
}
GuardedMap<int, HWND>& noteWindows() {
    static GuardedMap<int, HWND> table;
    return table;
}
} // namespace

namespace FiredReminderSet {
bool contains(const std::wstring& folderName) { return firedSet().get(folderName).has_value(); }
void insert(const std::wstring& folderName, const std::wstring& minute) {
    firedSet().set(folderName, minute);
}
void erase(const std::wstring& folderName) { firedSet().erase(folderName); }
void clear() { firedSet().clear(); }
} // namespace FiredReminderSet

namespace ReminderStopTable {
std::wstring get(HWND note) { return stopTable().get(note).value_or(std::wstring()); }
void set(HWND note, const std::wstring& minute) { stopTable().set(note, minute); }
void erase(HWND note) { stopTable().erase(note); }
void clear() { stopTable().clear(); }
} // namespace ReminderStopTable

namespace ReminderNoteWindows {
void add(int objectId, HWND note) { noteWindows().set(objectId, note); }
void remove(int objectId, HWND note) { noteWindows().erase(objectId, &note); }
std::optional<HWND> find(int objectId) { return noteWindows().get(objectId); }
void clear() { noteWindows().clear(); }
} // namespace ReminderNoteWindows
