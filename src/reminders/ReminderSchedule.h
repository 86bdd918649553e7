#pragma once
// The schedule of a reminder as read from its "prompt.xml", and the decisions taken on it: whether
// a local minute is due, whether a due minute fires, the next due minute and the latest one missed.
// Nothing here reads the clock or touches a window.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

class XmlDocument;

struct ReminderSchedule {
    // The `value` of every `item`; a missing element and an element without items both read as
    // empty, except that `hasMinute` tells the two apart for minutes (neither ever fires).
    std::vector<int> minutes, hours, days, months, years, weekdays;
    std::optional<int> promptCount;      // absent: unlimited
    std::vector<std::wstring> execFiles; // `FilePath` of every `ExecFile` item, unchecked
    bool hasMinute = false;
};

// Reads the schedule from a freshly loaded document (cursor at the top level). Nothing when the document is
// not well-formed or has no root `TavNotePrompt`. Linear in the document.
std::optional<ReminderSchedule> readReminderSchedule(XmlDocument& doc);
// Nothing also when the file does not load.
std::optional<ReminderSchedule> readReminderSchedule(const std::wstring& path);

// True when the count allows another firing (absent or at least 1).
bool reminderCountLeft(const ReminderSchedule& schedule);

// Whether the minute of `local` is due: a listed minute; a listed hour when hours are listed; a
// listed day of the month, else a listed weekday (1 Monday .. 7 Sunday) when either is listed;
// a listed month and a listed year when those are listed. wDayOfWeek of `local` is not used.
bool isReminderDue(const ReminderSchedule& schedule, const SYSTEMTIME& local);

enum class ReminderDecision {
    Fire,
    Skip,
    SkipAndForget, // skip and remove the note from the fired set
};

// The choice for a due minute from whether the note's folder is in the fired set, the minute its
// reminder was last stopped ("" for never) and the current minute.
ReminderDecision decideReminder(bool inFiredSet, const std::wstring& stopMinute,
                                const std::wstring& currentMinute);

// The first due minute strictly after the minute of `from`, within five years; seconds zero and
// wDayOfWeek filled in (0 Sunday). Nothing when it never fires or no firing is left.
std::optional<SYSTEMTIME> nextDueMinute(const ReminderSchedule& schedule, const SYSTEMTIME& from);

// What a note shows while the pointer rests on it: "下次提醒：" and the first due minute after `now`
// (local time), as "今天 08:30" on the same day, "12月11日 08:30" later in the same year and
// "2027年1月1日 08:30" in another year. "" when the reminder never fires again (no minute label,
// no firing left, nothing due within five years).
std::wstring nextReminderHint(const ReminderSchedule& schedule, const SYSTEMTIME& now);

// The latest due minute m with lastPass < m < now (by minutes) and at most 24 hours before now.
std::optional<SYSTEMTIME> mostRecentMissedMinute(const ReminderSchedule& schedule, const SYSTEMTIME& lastPass,
                                                 const SYSTEMTIME& now);

// Minutes since 1 January 1970 of a local time (seconds dropped), and back.
long long reminderMinuteIndex(const SYSTEMTIME& local);
SYSTEMTIME reminderMinuteTime(long long index);
