#pragma once
// The reminder check: one pass over every note folder of the data folder, and the thread that runs
// a pass at once and then every 15 seconds. A pass reads files and posts to note windows only; the
// note window does the firing on its own thread.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

struct ReminderPassParts {
    SYSTEMTIME now{};                                   // local time of the pass
    std::wstring dataFolder;                            // ends in a backslash
    std::function<std::optional<HWND>(int)> windowOf;   // empty: ReminderNoteWindows::find
    std::function<void(HWND, WPARAM, LPARAM)> postFire; // empty: PostMessageW(kNoteMsgFireReminder)
    std::function<void(const std::wstring&)> openFile;  // empty: ShellExecuteW "open", SW_SHOW
    // The minute of the previous pass when the caller knows it (the thread does after its first
    // pass); otherwise it is read from the state file.
    std::optional<SYSTEMTIME> lastPass;
    // Checked between notes: a pass ends early once it is signalled.
    HANDLE stopEvent = nullptr;
};

struct ReminderPassResult {
    int notesSeen = 0;
    int fired = 0;
    int missedFired = 0;
    bool stopped = false;
};

// The file that keeps the minute of the last completed pass: data folder + "reminders.xml".
std::wstring reminderStateFilePath(const std::wstring& dataFolder);
// The minute of the last completed pass, if the file holds a valid one.
std::optional<SYSTEMTIME> readLastPassMinute(const std::wstring& dataFolder);

// One pass. A reminder missed while no pass ran (the last pass more than a minute ago, at most a
// day back) fires once with wParam 1 and lParam = the missed minute as YYYYMMDDhhmm. The minute
// of the pass is written to the state file when it differs from the one stored there.
ReminderPassResult runReminderPass(const ReminderPassParts& parts);

// YYYYMMDDhhmm of a local minute, as the missed firing carries it.
LPARAM packReminderMinute(const SYSTEMTIME& minute);

class ReminderChecker {
public:
    static constexpr DWORD kPeriodMs = 15000;
    static constexpr DWORD kStopWaitMs = 2000;

    ReminderChecker() = default;
    ~ReminderChecker();
    ReminderChecker(const ReminderChecker&) = delete;
    ReminderChecker& operator=(const ReminderChecker&) = delete;

    // Starts the thread over dataDirectory(); false when it runs already or cannot start.
    bool start(HWND mainWindow);
    // Signals the thread and waits at most kStopWaitMs; true when it ended in time.
    bool stop();
    // Runs a pass without waiting for the period (after a resume or a clock change).
    void passNow();
    bool running() const;
    // Passes completed since start (tests).
    int passCount() const;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    HANDLE thread_ = nullptr;
};
