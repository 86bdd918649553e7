// The schedule of a reminder: reading it from "prompt.xml", the due rule, the fire-or-skip
// decision, the next due minute and the latest missed minute.
#include <gtest/gtest.h>

#include <string>

#include "ReminderSchedule.h"
#include "XmlDocument.h"

namespace {

SYSTEMTIME at(int y, int mo, int d, int h, int mi) {
    SYSTEMTIME t{};
    t.wYear = WORD(y);
    t.wMonth = WORD(mo);
    t.wDay = WORD(d);
    t.wHour = WORD(h);
    t.wMinute = WORD(mi);
    return t;
}

std::wstring items(const wchar_t* element, std::initializer_list<int> values) {
    std::wstring text = std::wstring(L"<") + element + L">";
    for (int v : values) text += L"<item value=\"" + std::to_wstring(v) + L"\">x</item>";
    return text + L"</" + element + L">";
}

std::optional<ReminderSchedule> parse(const std::wstring& body) {
    XmlDocument doc;
    doc.setDocument((L"<TavNotePrompt><ID>100001</ID>" + body + L"</TavNotePrompt>").c_str());
    return readReminderSchedule(doc);
}

ReminderSchedule schedule(const std::wstring& body) {
    auto s = parse(body);
    EXPECT_TRUE(s.has_value()) << std::string(body.begin(), body.end());
    return s.value_or(ReminderSchedule{});
}

// 2026-12-07 is a Monday; 2026-12-13 a Sunday; 2026-12-15 a Tuesday.
struct DueCase {
    const char* name;
    std::wstring body;
    SYSTEMTIME time;
    bool due;
};

TEST(ReminderSchedule, DueRuleTable) {
    const std::wstring workdays8 =
        items(L"Minute", {0}) + items(L"Hour", {8}) + items(L"Week", {1, 2, 3, 4, 5});
    const std::wstring workdays8Day15 = workdays8 + items(L"Day", {15});
    const DueCase cases[] = {
        {"only an hour never fires", items(L"Hour", {8}), at(2026, 12, 7, 8, 0), false},
        {"empty minute element never fires", L"<Minute></Minute>", at(2026, 12, 7, 8, 0), false},
        {"no labels at all never fires", L"", at(2026, 12, 7, 8, 0), false},
        {"minute 30 fires at half past", items(L"Minute", {30}), at(2026, 12, 7, 13, 30), true},
        {"minute 30 fires at half past, another hour", items(L"Minute", {30}), at(2027, 3, 1, 0, 30), true},
        {"minute 30 not at 31", items(L"Minute", {30}), at(2026, 12, 7, 13, 31), false},
        {"8:00 workdays on Monday", workdays8, at(2026, 12, 7, 8, 0), true},
        {"8:00 workdays not at 9:00", workdays8, at(2026, 12, 7, 9, 0), false},
        {"8:00 workdays not on Sunday", workdays8, at(2026, 12, 13, 8, 0), false},
        {"8:00 workdays not on Saturday the 12th", workdays8, at(2026, 12, 12, 8, 0), false},
        {"day 15 added: Tuesday 15th", workdays8Day15, at(2026, 12, 15, 8, 0), true},
        {"day 15 added: Saturday 15th fires", workdays8Day15, at(2026, 8, 15, 8, 0), true},
        {"day 15 added: Sunday 13th still not", workdays8Day15, at(2026, 12, 13, 8, 0), false},
        {"day 15 added: Monday 7th still fires", workdays8Day15, at(2026, 12, 7, 8, 0), true},
        {"only day 15: on the 15th", items(L"Minute", {0}) + items(L"Day", {15}), at(2026, 8, 15, 3, 0),
         true},
        {"only day 15: not on the 16th", items(L"Minute", {0}) + items(L"Day", {15}), at(2026, 8, 16, 3, 0),
         false},
        {"Sunday is 7", items(L"Minute", {0}) + items(L"Week", {7}), at(2026, 12, 13, 10, 0), true},
        {"Sunday is 7, not Monday", items(L"Minute", {0}) + items(L"Week", {7}), at(2026, 12, 14, 10, 0),
         false},
        {"month 12 in December", items(L"Minute", {0}) + items(L"Month", {12}), at(2026, 12, 7, 10, 0), true},
        {"month 12 not in November", items(L"Minute", {0}) + items(L"Month", {12}), at(2026, 11, 7, 10, 0),
         false},
        {"year 2027 in 2027", items(L"Minute", {0}) + items(L"Year", {2027}), at(2027, 1, 1, 0, 0), true},
        {"year 2027 not in 2026", items(L"Minute", {0}) + items(L"Year", {2027}), at(2026, 12, 31, 0, 0),
         false},
        {"empty hour element restricts nothing", items(L"Minute", {5}) + L"<Hour/>", at(2026, 12, 7, 17, 5),
         true},
        {"value attribute missing reads 0: minute 0 hour 0",
         L"<Minute><item>0分</item></Minute><Hour><item>x</item></Hour>", at(2026, 12, 7, 0, 0), true},
        {"value attribute missing reads 0: not at 1:00",
         L"<Minute><item>0分</item></Minute><Hour><item>x</item></Hour>", at(2026, 12, 7, 1, 0), false},
        {"malformed value reads 0", L"<Minute><item value=\"abc\">x</item></Minute>", at(2026, 12, 7, 9, 0),
         true},
        {"children in any order", items(L"Hour", {9}) + items(L"Year", {2026}) + items(L"Minute", {15}),
         at(2026, 12, 7, 9, 15), true},
        {"the first element of a kind counts", items(L"Minute", {1}) + items(L"Minute", {2}),
         at(2026, 12, 7, 9, 2), false},
    };
    for (const DueCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isReminderDue(schedule(c.body), c.time), c.due);
    }
}

TEST(ReminderSchedule, ReaderRefusesDocumentsThatAreNoPromptFile) {
    const wchar_t* bad[] = {L"", L"<TavNotePrompt><Minute>", L"<TavNoteItem><Minute/></TavNoteItem>",
                            L"<TavNotePrompt><Minute><item value=\"1\"></Minute></TavNotePrompt>"};
    for (const wchar_t* text : bad) {
        XmlDocument doc;
        doc.setDocument(text);
        EXPECT_FALSE(readReminderSchedule(doc).has_value()) << std::wstring(text).size();
    }
    EXPECT_FALSE(readReminderSchedule(L"Z:\\no\\such\\folder\\prompt.xml").has_value());
    EXPECT_FALSE(readReminderSchedule(L"").has_value());
}

TEST(ReminderSchedule, ReaderTakesCountAndExecFiles) {
    auto s = schedule(items(L"Minute", {3}) +
                      L"<PromptCount>0</PromptCount><ExecFile><item FilePath=\"C:\\a.bat\">a.bat</item>"
                      L"<item FilePath=\"C:\\b.txt\">b.txt</item></ExecFile>");
    ASSERT_TRUE(s.promptCount.has_value());
    EXPECT_EQ(*s.promptCount, 0);
    EXPECT_FALSE(reminderCountLeft(s));
    EXPECT_EQ(s.execFiles, (std::vector<std::wstring>{L"C:\\a.bat", L"C:\\b.txt"}));
    EXPECT_TRUE(reminderCountLeft(schedule(L"<PromptCount>1</PromptCount>")));
    EXPECT_TRUE(reminderCountLeft(schedule(L"")));
}

TEST(ReminderSchedule, ReaderIsLinearOnManyItems) {
    // 200,000 items: a quadratic walk would take minutes here.
    std::wstring body = L"<Minute>";
    for (int i = 0; i < 200000; ++i) body += L"<item value=\"61\"/>";
    body += L"<item value=\"7\"/></Minute>";
    auto s = schedule(body);
    EXPECT_EQ(s.minutes.size(), 200001u);
    EXPECT_TRUE(isReminderDue(s, at(2026, 12, 7, 9, 7)));
}

struct DecisionCase {
    const char* name;
    bool inFiredSet;
    const wchar_t* stop;
    ReminderDecision expected;
};

TEST(ReminderSchedule, DecisionTable) {
    const wchar_t* now = L"2026-12-07 08:30";
    const DecisionCase cases[] = {
        {"not fired, never stopped: fire", false, L"", ReminderDecision::Fire},
        {"not fired, stopped this minute: skip", false, L"2026-12-07 08:30", ReminderDecision::Skip},
        {"not fired, stopped earlier: fire", false, L"2026-12-07 08:29", ReminderDecision::Fire},
        {"fired, not stopped: skip", true, L"", ReminderDecision::Skip},
        {"fired, stopped this minute: skip and forget", true, L"2026-12-07 08:30",
         ReminderDecision::SkipAndForget},
        {"fired, stopped in an earlier minute: fire again", true, L"2026-12-06 08:30",
         ReminderDecision::Fire},
    };
    for (const DecisionCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decideReminder(c.inFiredSet, c.stop, now), c.expected);
    }
}

struct NextCase {
    const char* name;
    std::wstring body;
    SYSTEMTIME from;
    std::optional<SYSTEMTIME> next;
};

TEST(ReminderSchedule, NextDueMinuteTable) {
    const NextCase cases[] = {
        {"later this hour", items(L"Minute", {30}), at(2026, 12, 7, 8, 10), at(2026, 12, 7, 8, 30)},
        {"strictly after the minute itself", items(L"Minute", {30}), at(2026, 12, 7, 8, 30),
         at(2026, 12, 7, 9, 30)},
        {"across the year end", items(L"Minute", {0}) + items(L"Hour", {0}), at(2026, 12, 31, 23, 59),
         at(2027, 1, 1, 0, 0)},
        {"across a month end", items(L"Minute", {15}) + items(L"Hour", {6}), at(2026, 4, 30, 7, 0),
         at(2026, 5, 1, 6, 15)},
        {"day 29 of February waits for the leap year",
         items(L"Minute", {0}) + items(L"Day", {29}) + items(L"Month", {2}), at(2026, 3, 1, 0, 0),
         at(2028, 2, 29, 0, 0)},
        {"day 31 skips short months", items(L"Minute", {0}) + items(L"Hour", {12}) + items(L"Day", {31}),
         at(2026, 4, 1, 0, 0), at(2026, 5, 31, 12, 0)},
        {"Sunday from a Monday", items(L"Minute", {45}) + items(L"Hour", {7}) + items(L"Week", {7}),
         at(2026, 12, 7, 7, 45), at(2026, 12, 13, 7, 45)},
        {"a year in the past never", items(L"Minute", {0}) + items(L"Year", {2025}), at(2026, 1, 1, 0, 0),
         std::nullopt},
        {"day 31 in April only never", items(L"Minute", {0}) + items(L"Day", {31}) + items(L"Month", {4}),
         at(2026, 1, 1, 0, 0), std::nullopt},
        {"no minute never", items(L"Hour", {8}), at(2026, 1, 1, 0, 0), std::nullopt},
        {"no firing left never", items(L"Minute", {0}) + L"<PromptCount>0</PromptCount>",
         at(2026, 1, 1, 0, 0), std::nullopt},
        {"minute values out of range are ignored", items(L"Minute", {75, 10}), at(2026, 1, 1, 0, 20),
         at(2026, 1, 1, 1, 10)},
    };
    for (const NextCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<SYSTEMTIME> got = nextDueMinute(schedule(c.body), c.from);
        ASSERT_EQ(got.has_value(), c.next.has_value());
        if (!got) continue;
        EXPECT_EQ(reminderMinuteIndex(*got), reminderMinuteIndex(*c.next));
        EXPECT_TRUE(isReminderDue(schedule(c.body), *got));
    }
}

TEST(ReminderSchedule, NextDueMinuteAgreesWithMinuteByMinuteSearch) {
    const std::wstring bodies[] = {
        items(L"Minute", {0, 59}) + items(L"Hour", {23}) + items(L"Week", {6}),
        items(L"Minute", {5}) + items(L"Day", {1, 28}) + items(L"Week", {3}),
        items(L"Minute", {30}) + items(L"Month", {2}) + items(L"Day", {28, 29}),
    };
    for (const std::wstring& body : bodies) {
        const ReminderSchedule s = schedule(body);
        long long from = reminderMinuteIndex(at(2027, 12, 25, 10, 0));
        for (int step = 0; step < 5; ++step) {
            std::optional<SYSTEMTIME> got = nextDueMinute(s, reminderMinuteTime(from));
            ASSERT_TRUE(got.has_value());
            long long expected = from + 1;
            while (!isReminderDue(s, reminderMinuteTime(expected))) ++expected;
            EXPECT_EQ(reminderMinuteIndex(*got), expected);
            from = expected;
        }
    }
}

struct HintCase {
    const char* name;
    std::wstring body;
    SYSTEMTIME now;
    std::wstring hint;
};

TEST(ReminderSchedule, NextReminderHintTable) {
    const std::wstring at830 = items(L"Minute", {30}) + items(L"Hour", {8});
    const HintCase cases[] = {
        {"later today", items(L"Minute", {30}), at(2026, 12, 11, 8, 10), L"下次提醒：今天 08:30"},
        {"hour and minute padded", items(L"Minute", {5}) + items(L"Hour", {7}), at(2026, 12, 11, 6, 0),
         L"下次提醒：今天 07:05"},
        {"the current minute is past: tomorrow by date", at830, at(2026, 12, 10, 8, 30),
         L"下次提醒：12月11日 08:30"},
        {"month and day unpadded", items(L"Minute", {0}) + items(L"Hour", {9}) + items(L"Day", {1}),
         at(2026, 11, 20, 12, 0), L"下次提醒：12月1日 09:00"},
        {"past midnight is another day", items(L"Minute", {0}) + items(L"Hour", {0}),
         at(2026, 12, 10, 23, 59), L"下次提醒：12月11日 00:00"},
        {"another year names the year", items(L"Minute", {0}) + items(L"Hour", {0}), at(2026, 12, 31, 23, 59),
         L"下次提醒：2027年1月1日 00:00"},
        {"a Sunday reminder from a Thursday", at830 + items(L"Week", {7}), at(2026, 12, 10, 9, 0),
         L"下次提醒：12月13日 08:30"},
        {"the once label still to fire", at830 + L"<PromptCount>1</PromptCount>", at(2026, 12, 10, 7, 0),
         L"下次提醒：今天 08:30"},
        {"no firing left", at830 + L"<PromptCount>0</PromptCount>", at(2026, 12, 10, 7, 0), L""},
        {"only an hour label", items(L"Hour", {8}), at(2026, 12, 10, 7, 0), L""},
        {"an empty minute element", L"<Minute></Minute>" + items(L"Hour", {8}), at(2026, 12, 10, 7, 0), L""},
        {"no labels at all", L"", at(2026, 12, 10, 7, 0), L""},
        {"only past years", items(L"Minute", {0}) + items(L"Year", {2025}), at(2026, 12, 10, 7, 0), L""},
    };
    for (const HintCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nextReminderHint(schedule(c.body), c.now), c.hint);
    }
}

struct MissedCase {
    const char* name;
    std::wstring body;
    SYSTEMTIME lastPass;
    SYSTEMTIME now;
    std::optional<SYSTEMTIME> missed;
};

TEST(ReminderSchedule, MostRecentMissedMinuteTable) {
    const std::wstring daily = items(L"Minute", {30}) + items(L"Hour", {8, 9});
    const std::wstring onThe7th = items(L"Minute", {30}) + items(L"Hour", {8}) + items(L"Day", {7});
    const MissedCase cases[] = {
        {"23 hours ago", onThe7th, at(2026, 12, 7, 8, 0), at(2026, 12, 8, 7, 30), at(2026, 12, 7, 8, 30)},
        {"exactly 24 hours ago", onThe7th, at(2026, 12, 7, 8, 0), at(2026, 12, 8, 8, 30),
         at(2026, 12, 7, 8, 30)},
        {"25 hours ago: none", onThe7th, at(2026, 12, 7, 8, 0), at(2026, 12, 8, 9, 30), std::nullopt},
        {"only the most recent", daily, at(2026, 12, 7, 8, 0), at(2026, 12, 7, 10, 0),
         at(2026, 12, 7, 9, 30)},
        {"over a night", daily, at(2026, 12, 7, 8, 0), at(2026, 12, 8, 8, 0), at(2026, 12, 7, 9, 30)},
        {"the current minute excluded", daily, at(2026, 12, 7, 8, 0), at(2026, 12, 7, 8, 30), std::nullopt},
        {"the last pass minute excluded", daily, at(2026, 12, 7, 8, 30), at(2026, 12, 7, 9, 0), std::nullopt},
        {"right after the last pass", daily, at(2026, 12, 7, 8, 29), at(2026, 12, 7, 8, 31),
         at(2026, 12, 7, 8, 30)},
        {"a clock set back finds nothing", daily, at(2026, 12, 8, 8, 0), at(2026, 12, 7, 10, 0),
         std::nullopt},
        {"no firing left", daily + L"<PromptCount>0</PromptCount>", at(2026, 12, 7, 8, 0),
         at(2026, 12, 7, 10, 0), std::nullopt},
    };
    for (const MissedCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<SYSTEMTIME> got = mostRecentMissedMinute(schedule(c.body), c.lastPass, c.now);
        ASSERT_EQ(got.has_value(), c.missed.has_value());
        if (got) {
            EXPECT_EQ(reminderMinuteIndex(*got), reminderMinuteIndex(*c.missed));
        }
    }
}

} // namespace
