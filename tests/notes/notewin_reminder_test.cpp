// A reminder ringing on its note: 50017 centres the note, swings it, scrolls the sound's path
// through the bottom label, shows the reminder's picture and counts the firing down in the file;
// a click opens the stop menu and "停止" puts the note back where its file has it and records the
// minute; a closed note leaves the shared tables; a picture name leading outside is never shown.
// The pointer resting on a note shows when its reminder fires next in a tooltip.
#include "notewin_support.h"

#include <commctrl.h>

#include <cwchar>

#include "AppPaths.h"
#include "PromptFile.h"
#include "ReminderSchedule.h"
#include "ReminderTables.h"
#include "TavNoteItemMath.h"
#include "XmlDocument.h"

using namespace notewin;

namespace {

class ReminderFiringTest : public NoteWindowTest {
protected:
    std::unique_ptr<TavNoteItem> open(const std::wstring& unique) {
        auto note = std::make_unique<TavNoteItem>(unique);
        EXPECT_TRUE(
            note->create(0, L"", TavNoteItem::kExStyle, TavNoteItem::kStyle, 0, 0, 180, 180, nullptr));
        pump();
        return note;
    }
    // A prompt file written by hand: styles, a count, a sound that is not there and a picture.
    void writePrompt(const std::wstring& unique, const std::string& gifName, const std::string& more = "") {
        const std::wstring path = promptFilePath(unique, L"");
        writeBytes(
            path,
            "<TavNotePrompt>\r\n<ID>20100</ID>\r\n<Minute>\r\n<item value=\"30\">30分</item>\r\n</Minute>\r\n"
            "<Style>\r\n<item value=\"4\">居中</item>\r\n<item value=\"2\">晃动</item>\r\n</Style>\r\n"
            "<PromptCount>1</PromptCount>\r\n<MusicFile>\r\n<item FilePath=\"C:\\nowhere\\bell.mp3\">"
            "bell.mp3</item>\r\n</MusicFile>\r\n<GifFile>\r\n<item>" +
                gifName + "</item>\r\n</GifFile>\r\n" + more + "</TavNotePrompt>\r\n");
    }
    std::wstring promptElement(const std::wstring& unique, const wchar_t* name) {
        XmlDocument doc;
        if (!doc.loadFile(promptFilePath(unique, L"")) || !doc.findElement(L"TavNotePrompt") ||
            !doc.intoElement() || !doc.findElement(name))
            return L"<none>";
        return doc.getData();
    }
    static RECT rectOf(HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        return r;
    }
};

TEST_F(ReminderFiringTest, FiresFromItsFileAndStopsBackToItsFile) {
    TavNoteStore stored = prepareNote(L"f1", 100301, RECT{40, 50, 220, 230});
    writeBytes(stored.fileInFolder(L"bell.gif"), readBytes(installationFolder() + L"sysres\\TavNote.png"));
    writePrompt(L"f1", "bell.gif");
    auto note = open(L"f1");
    EXPECT_EQ(ReminderNoteWindows::find(note->objectId()).value_or(nullptr), note->handle());
    ReminderStopTable::set(note->handle(), L"2026-12-10 08:29");

    SendMessageW(note->handle(), kNoteMsgFireReminder, 0, 0);
    pump();
    EXPECT_TRUE(note->ringing());
    const RECT centred = rectOf(note->handle());
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(centred.left, (sw - 180) / 2);
    EXPECT_EQ(centred.top, (sh - 180) / 2);
    EXPECT_EQ(note->label().text(), L"C:\\nowhere\\bell.mp3");
    EXPECT_FALSE(note->reminderSoundOpen()) << "a sound that is not there stays silent";
    EXPECT_EQ(note->reminderGif(), L"bell.gif");
    EXPECT_EQ(promptElement(L"f1", L"PromptCount"), L"0");
    EXPECT_EQ(ReminderStopTable::get(note->handle()), L"") << "firing forgets the last stop";
    // The label scrolls in from the right; the note swings.
    const int firstLeft = note->label().textLeft();
    EXPECT_TRUE(waitFor([&] { return note->label().textLeft() < firstLeft - 3; }, 2000));
    EXPECT_TRUE(waitFor([&] { return note->swingCounter() > 0; }, 3000));
    // The file still has the note where it was: centring is not saved.
    EXPECT_EQ(noteElement(stored, L"left"), L"40");

    // A click on the ringing note opens the stop menu; "停止" stops.
    SendMessageW(note->handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(90, 60));
    SendMessageW(note->handle(), WM_LBUTTONUP, 0, MAKELPARAM(90, 60));
    pump();
    HWND menu = FindWindowW(nullptr, L"停止提醒菜单");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(IsWindowVisible(menu));
    ShowWindow(menu, SW_HIDE);
    SendMessageW(note->handle(), kTavMsgCommand, kCmdNoteStopReminder, 0);
    pump();
    EXPECT_FALSE(note->ringing());
    EXPECT_EQ(note->label().text(), L"");
    EXPECT_EQ(note->reminderGif(), L"");
    const RECT back = rectOf(note->handle());
    EXPECT_EQ(back.left, 40);
    EXPECT_EQ(back.top, 50);
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(ReminderStopTable::get(note->handle()), reminderMinuteString(now));
    const HWND window = note->handle();
    const int id = note->objectId();
    FiredReminderSet::insert(L"f1", L"2026-12-10 08:30");
    note.reset();
    EXPECT_FALSE(ReminderNoteWindows::find(id).has_value());
    EXPECT_EQ(ReminderStopTable::get(window), L"");
    EXPECT_FALSE(FiredReminderSet::contains(L"f1"));
}

TEST_F(ReminderFiringTest, AMissedReminderSaysSoAndAPictureLeadingOutsideIsNotShown) {
    prepareNote(L"f2", 100302, RECT{40, 50, 220, 230});
    writeBytes(app_ + L"outside.gif", readBytes(installationFolder() + L"sysres\\TavNote.png"));
    writePrompt(L"f2", "..\\..\\..\\outside.gif");
    auto note = open(L"f2");
    SYSTEMTIME now;
    GetLocalTime(&now);
    const long long packed = now.wYear * 100000000LL + now.wMonth * 1000000LL + now.wDay * 10000LL + 830;
    SendMessageW(note->handle(), kNoteMsgFireReminder, 1, LPARAM(packed));
    pump();
    EXPECT_EQ(note->label().text(), missedReminderText(packed, now) + L"  C:\\nowhere\\bell.mp3");
    EXPECT_EQ(note->label().text().rfind(L"错过的提醒 08:30", 0), 0u);
    EXPECT_EQ(note->reminderGif(), L"");
    EXPECT_EQ(readBytes(app_ + L"outside.gif"), readBytes(installationFolder() + L"sysres\\TavNote.png"));
    // The right-click menu of a ringing note is the stop menu.
    SendMessageW(note->handle(), WM_CONTEXTMENU, WPARAM(note->handle()), MAKELPARAM(300, 300));
    pump();
    HWND menu = FindWindowW(nullptr, L"停止提醒菜单");
    ASSERT_NE(menu, nullptr);
    ShowWindow(menu, SW_HIDE);
    SendMessageW(note->handle(), kTavMsgCommand, kCmdNoteStopReminder, 0);
    pump();
    EXPECT_FALSE(note->ringing());
}

// What the tooltip holds for the note (TTM_GETTEXT), "" without a tooltip.
std::wstring tipText(HWND tip, HWND note) {
    if (!tip) return L"";
    wchar_t text[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = note;
    tool.uId = reinterpret_cast<UINT_PTR>(note);
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    return text;
}

// The hint of a reminder due in every minute, seen at `t`: the minute after it.
std::wstring everyMinuteHint(const SYSTEMTIME& t) {
    const SYSTEMTIME next = reminderMinuteTime(reminderMinuteIndex(t) + 1);
    wchar_t text[64];
    if (next.wDay == t.wDay)
        std::swprintf(text, 64, L"下次提醒：今天 %02d:%02d", next.wHour, next.wMinute);
    else if (next.wYear == t.wYear)
        std::swprintf(text, 64, L"下次提醒：%d月%d日 00:00", next.wMonth, next.wDay);
    else
        std::swprintf(text, 64, L"下次提醒：%d年1月1日 00:00", next.wYear);
    return text;
}

std::string everyMinute() {
    std::string minutes = "<Minute>\r\n";
    for (int m = 0; m < 60; ++m)
        minutes += "<item value=\"" + std::to_string(m) + "\">" + std::to_string(m) + "分</item>\r\n";
    return minutes + "</Minute>\r\n";
}

void hover(HWND note, int x, int y) {
    SendMessageW(note, WM_MOUSEHOVER, 0, MAKELPARAM(x, y));
    pump();
}

TEST_F(ReminderFiringTest, ThePointerRestingOnANoteShowsWhenItsReminderFiresNext) {
    prepareNote(L"h1", 100303, RECT{320, 300, 500, 480});
    const std::wstring path = promptFilePath(L"h1", L"");
    writeBytes(path, "<TavNotePrompt>\r\n<ID>20100</ID>\r\n" + everyMinute() + "</TavNotePrompt>\r\n");
    auto note = open(L"h1");
    ASSERT_EQ(note->reminderTip(), nullptr) << "no tooltip before the pointer rested on the note";

    SetCursorPos(410, 390);
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    hover(note->handle(), 90, 90);
    GetLocalTime(&after);
    HWND tip = note->reminderTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(GetWindow(tip, GW_OWNER), note->handle());
    const std::wstring shown = tipText(tip, note->handle());
    EXPECT_TRUE(shown == everyMinuteHint(before) || shown == everyMinuteHint(after)) << shown.size();
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    // With the pointer on the note the tip comes up after its delay.
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(tip) != FALSE; }, 3000)) << "the tooltip never showed";

    // Each rest reads the file again: a reminder that can no longer fire shows nothing.
    struct Change {
        const char* name;
        std::string body;
        bool fires;
    } const changes[] = {
        {"only an hour label", "<Hour>\r\n<item value=\"8\">8时</item>\r\n</Hour>\r\n", false},
        {"every minute again", everyMinute(), true},
        {"no firing left", everyMinute() + "<PromptCount>0</PromptCount>\r\n", false},
        {"a damaged file", "<Minute>\r\n<item value=\"5\">5分", false},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        writeBytes(path, "<TavNotePrompt>\r\n" + c.body + "</TavNotePrompt>\r\n");
        GetLocalTime(&before);
        hover(note->handle(), 90, 90);
        GetLocalTime(&after);
        const std::wstring text = tipText(tip, note->handle());
        if (!c.fires) {
            EXPECT_EQ(text, L"");
            EXPECT_EQ(note->reminderHint(), L"");
        } else {
            EXPECT_TRUE(text == everyMinuteHint(before) || text == everyMinuteHint(after)) << text.size();
        }
    }
    note.reset();
    pump();
    EXPECT_FALSE(IsWindow(tip)) << "the tooltip outlived its note";
}

TEST_F(ReminderFiringTest, ANoteWithoutReminderGetsNoTooltip) {
    prepareNote(L"h2", 100304, RECT{320, 300, 500, 480});
    auto note = open(L"h2");
    SetCursorPos(410, 390);
    hover(note->handle(), 90, 90);
    EXPECT_EQ(note->reminderTip(), nullptr);
    EXPECT_EQ(note->reminderHint(), L"");
    EXPECT_FALSE(pathExists(promptFilePath(L"h2", L""))) << "asking made a reminder file";
}

} // namespace
