#pragma once
// What the reminder check thread and the note windows share, each table behind its own mutex:
// - the fired set: note folder name -> minute string of the firing that put it there;
// - the stop table: note window -> minute string at which the user last stopped its reminder;
// - the open note windows by their object id (the check thread may not touch the framework's
//   own registry, which belongs to the user-interface thread).
#include <windows.h>

#include <optional>
#include <string>

// "%04d-%02d-%02d %02d:%02d" of a local time.
std::wstring reminderMinuteString(const SYSTEMTIME& localTime);

namespace FiredReminderSet {
bool contains(const std::wstring& folderName);
void insert(const std::wstring& folderName, const std::wstring& minute);
void erase(const std::wstring& folderName);
void clear();
} // namespace FiredReminderSet

namespace ReminderStopTable {
// "" when the window has no entry.
std::wstring get(HWND note);
void set(HWND note, const std::wstring& minute);
void erase(HWND note);
void clear();
} // namespace ReminderStopTable

namespace ReminderNoteWindows {
void add(int objectId, HWND note);
// Removes the entry only while it still names that window.
void remove(int objectId, HWND note);
// The open note window of that object id, if any.
std::optional<HWND> find(int objectId);
void clear();
} // namespace ReminderNoteWindows
