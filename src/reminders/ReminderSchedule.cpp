#include "ReminderSchedule.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "XmlDocument.h"

namespace {

int decimal(const std::wstring& text) { return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10)); }

bool listed(const std::vector<int>& values, int value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// Reads the `value` of every `item` of the element under the cursor; leaves the cursor on it.
void readItems(XmlDocument& doc, std::vector<int>& out) {
    if (!doc.intoElement()) return;
    while (doc.findElement(L"item")) out.push_back(decimal(doc.getAttribute(L"value")));
    doc.outOfElement();
}

// Days since 1970-01-01 of a proleptic Gregorian date.
long long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

SYSTEMTIME civilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    SYSTEMTIME t{};
    t.wYear = WORD(yoe + era * 400 + (m <= 2));
    t.wMonth = WORD(m);
    t.wDay = WORD(d);
    return t;
}

// 1 Monday .. 7 Sunday; day 0 (1970-01-01) was a Thursday.
int weekdayOfDays(long long days) { return int(((days % 7) + 7 + 3) % 7) + 1; }

bool dayQualifies(const ReminderSchedule& s, long long days) {
    const SYSTEMTIME t = civilFromDays(days);
    if (!s.months.empty() && !listed(s.months, t.wMonth)) return false;
    if (!s.years.empty() && !listed(s.years, t.wYear)) return false;
    if (!s.days.empty() && listed(s.days, t.wDay)) return true;
    if (!s.weekdays.empty()) return listed(s.weekdays, weekdayOfDays(days));
    return s.days.empty();
}

bool hourQualifies(const ReminderSchedule& s, int hour) { return s.hours.empty() || listed(s.hours, hour); }

bool canFire(const ReminderSchedule& s) { return !s.minutes.empty() && reminderCountLeft(s); }

constexpr long long kMinutesPerDay = 1440;

} // namespace

std::optional<ReminderSchedule> readReminderSchedule(XmlDocument& doc) {
    XmlDocument& d = doc;
    if (!d.isWellFormed()) return std::nullopt;
    if (!d.findElement(L"TavNotePrompt") || !d.intoElement()) return std::nullopt;
    ReminderSchedule s;
    bool seen[8] = {};
    // One walk over the root's children; the first element of each kind counts.
    while (d.findElement()) {
        const std::wstring name = d.currentName();
        std::vector<int>* target = nullptr;
        int kind = -1;
        if (name == L"Minute")
            target = &s.minutes, kind = 0;
        else if (name == L"Hour")
            target = &s.hours, kind = 1;
        else if (name == L"Day")
            target = &s.days, kind = 2;
        else if (name == L"Month")
            target = &s.months, kind = 3;
        else if (name == L"Year")
            target = &s.years, kind = 4;
        else if (name == L"Week")
            target = &s.weekdays, kind = 5;
        else if (name == L"PromptCount")
            kind = 6;
        else if (name == L"ExecFile")
            kind = 7;
        if (kind < 0 || seen[kind]) continue;
        seen[kind] = true;
        if (kind == 6) {
            s.promptCount = decimal(d.getData());
        } else if (kind == 7) {
            if (!d.intoElement()) continue;
            while (d.findElement(L"item")) s.execFiles.push_back(d.getAttribute(L"FilePath"));
            d.outOfElement();
        } else {
            if (kind == 0) s.hasMinute = true;
            readItems(d, *target);
        }
    }
    return s;
}

std::optional<ReminderSchedule> readReminderSchedule(const std::wstring& path) {
    if (path.empty()) return std::nullopt;
    XmlDocument doc;
    if (!doc.loadFile(path)) return std::nullopt;
    return readReminderSchedule(doc);
}

bool reminderCountLeft(const ReminderSchedule& schedule) {
    return !schedule.promptCount || *schedule.promptCount >= 1;
}

long long reminderMinuteIndex(const SYSTEMTIME& t) {
    return daysFromCivil(t.wYear, t.wMonth, t.wDay) * kMinutesPerDay + t.wHour * 60 + t.wMinute;
}

SYSTEMTIME reminderMinuteTime(long long index) {
    long long days = index >= 0 ? index / kMinutesPerDay : -((-index + kMinutesPerDay - 1) / kMinutesPerDay);
    const int rest = int(index - days * kMinutesPerDay);
    SYSTEMTIME t = civilFromDays(days);
    t.wHour = WORD(rest / 60);
    t.wMinute = WORD(rest % 60);
    t.wDayOfWeek = WORD(weekdayOfDays(days) % 7);
    return t;
}

bool isReminderDue(const ReminderSchedule& s, const SYSTEMTIME& local) {
    if (!listed(s.minutes, local.wMinute) || !hourQualifies(s, local.wHour)) return false;
    return dayQualifies(s, daysFromCivil(local.wYear, local.wMonth, local.wDay));
}

ReminderDecision decideReminder(bool inFiredSet, const std::wstring& stopMinute,
                                const std::wstring& currentMinute) {
    const bool stoppedNow = !stopMinute.empty() && stopMinute == currentMinute;
    if (!inFiredSet) return stoppedNow ? ReminderDecision::Skip : ReminderDecision::Fire;
    if (stopMinute.empty()) return ReminderDecision::Skip;
    return stoppedNow ? ReminderDecision::SkipAndForget : ReminderDecision::Fire;
}

std::optional<SYSTEMTIME> nextDueMinute(const ReminderSchedule& s, const SYSTEMTIME& from) {
    if (!canFire(s)) return std::nullopt;
    std::vector<int> minutes = s.minutes;
    std::sort(minutes.begin(), minutes.end());
    const long long start = reminderMinuteIndex(from) + 1;
    const long long firstDay = start / kMinutesPerDay; // from is after 1970: no negative indices
    const long long lastDay = firstDay + 5 * 366;
    for (long long day = firstDay; day <= lastDay; ++day) {
        if (!dayQualifies(s, day)) continue;
        const int startOfDay = day == firstDay ? int(start - day * kMinutesPerDay) : 0;
        for (int hour = startOfDay / 60; hour < 24; ++hour) {
            if (!hourQualifies(s, hour)) continue;
            for (int minute : minutes) {
                if (minute < 0 || minute > 59) continue;
                const long long index = day * kMinutesPerDay + hour * 60 + minute;
                if (index >= start) return reminderMinuteTime(index);
            }
        }
    }
    return std::nullopt;
}

std::wstring nextReminderHint(const ReminderSchedule& s, const SYSTEMTIME& now) {
    const std::optional<SYSTEMTIME> next = nextDueMinute(s, now);
    if (!next) return L"";
    wchar_t text[64];
    const int n = std::swprintf(text, 64, L"下次提醒：");
    wchar_t* day = text + n;
    const size_t room = size_t(64 - n);
    if (next->wYear == now.wYear && next->wMonth == now.wMonth && next->wDay == now.wDay)
        std::swprintf(day, room, L"今天 %02d:%02d", next->wHour, next->wMinute);
    else if (next->wYear == now.wYear)
        std::swprintf(day, room, L"%d月%d日 %02d:%02d", next->wMonth, next->wDay, next->wHour, next->wMinute);
    else
        std::swprintf(day, room, L"%d年%d月%d日 %02d:%02d", next->wYear, next->wMonth, next->wDay,
                      next->wHour, next->wMinute);
    return text;
}

std::optional<SYSTEMTIME> mostRecentMissedMinute(const ReminderSchedule& s, const SYSTEMTIME& lastPass,
                                                 const SYSTEMTIME& now) {
    if (!canFire(s)) return std::nullopt;
    const long long current = reminderMinuteIndex(now);
    const long long earliest = std::max(reminderMinuteIndex(lastPass) + 1, current - kMinutesPerDay);
    for (long long m = current - 1; m >= earliest; --m) {
        const SYSTEMTIME t = reminderMinuteTime(m);
        if (isReminderDue(s, t)) return t;
    }
    return std::nullopt;
}
