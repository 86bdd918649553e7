#include "ReminderChecker.h"

#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <set>
#include <vector>

#include "AppPaths.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "GdiOwners.h"
#include "Messages.h"
#include "ReminderSchedule.h"
#include "ReminderTables.h"
#include "XmlDocument.h"

namespace {

constexpr wchar_t kStateRoot[] = L"TavNoteReminders";

std::wstring folded(std::wstring text) {
    for (wchar_t& c : text) c = wchar_t(std::towlower(c));
    return text;
}

bool stopSignalled(HANDLE stopEvent) {
    return stopEvent && WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0;
}

// The object id in the note file "<N>.xml" (root `TavNoteItem`, child `ID`), if any.
std::optional<int> noteObjectId(const std::wstring& notePath) {
    XmlDocument doc;
    if (!doc.loadFile(notePath) || !doc.isWellFormed()) return std::nullopt;
    if (!doc.findElement(L"TavNoteItem") || !doc.intoElement() || !doc.findElement(L"ID"))
        return std::nullopt;
    const std::wstring text = doc.getData();
    if (text.empty()) return std::nullopt;
    return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}

// Group folders first, then the system group; each folder once (names ignore case).
std::vector<std::wstring> foldersToScan(const std::wstring& data) {
    std::vector<std::wstring> folders;
    const std::wstring groups = data + L"NoteItems2\\";
    std::vector<std::wstring> names = listSubFolders(groups);
    for (const std::wstring& name : names) {
        if (!isPlainFileName(name) || isLinkPath(groups + name)) continue;
        folders.push_back(groups + name + L"\\");
    }
    folders.push_back(data + L"NoteItems\\");
    std::set<std::wstring> visited;
    std::vector<std::wstring> unique;
    for (const std::wstring& folder : folders)
        if (visited.insert(folded(folder)).second) unique.push_back(folder);
    return unique;
}

std::optional<SYSTEMTIME> parseMinute(const std::wstring& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    wchar_t rest = 0;
    if (text.size() != 16 ||
        swscanf(text.c_str(), L"%4d-%2d-%2d %2d:%2d%lc", &y, &mo, &d, &h, &mi, &rest) != 5)
        return std::nullopt;
    if (y < 1970 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || h < 0 || mi < 0)
        return std::nullopt;
    SYSTEMTIME t{};
    t.wYear = WORD(y);
    t.wMonth = WORD(mo);
    t.wDay = WORD(d);
    t.wHour = WORD(h);
    t.wMinute = WORD(mi);
    return t;
}

void writeLastPass(const std::wstring& dataFolder, const SYSTEMTIME& now) {
    const std::wstring path = reminderStateFilePath(dataFolder);
    if (!isInsideDataFolder(path)) return;
    XmlDocument doc;
    doc.addElement(kStateRoot);
    doc.intoElement();
    doc.addElement(L"LastPass", reminderMinuteString(now));
    doc.saveFile(path);
}

struct Actions {
    std::function<std::optional<HWND>(int)> windowOf;
    std::function<void(HWND, WPARAM, LPARAM)> postFire;
    std::function<void(const std::wstring&)> openFile;
};

Actions actionsOf(const ReminderPassParts& parts) {
    Actions a{parts.windowOf, parts.postFire, parts.openFile};
    if (!a.windowOf) a.windowOf = [](int id) { return ReminderNoteWindows::find(id); };
    if (!a.postFire)
        a.postFire = [](HWND note, WPARAM w, LPARAM l) { PostMessageW(note, kNoteMsgFireReminder, w, l); };
    if (!a.openFile)
        a.openFile = [](const std::wstring& path) {
            ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
        };
    return a;
}

void fire(const Actions& a, const ReminderSchedule& s, const std::wstring& name, HWND note,
          const std::wstring& minute, WPARAM kind, LPARAM packed) {
    FiredReminderSet::insert(name, minute);
    for (const std::wstring& path : s.execFiles)
        if (isAbsolutePath(path) && fileExists(path)) a.openFile(path);
    a.postFire(note, kind, packed);
}

} // namespace

std::wstring reminderStateFilePath(const std::wstring& dataFolder) {
    return dataFolder.empty() ? std::wstring() : dataFolder + L"reminders.xml";
}

std::optional<SYSTEMTIME> readLastPassMinute(const std::wstring& dataFolder) {
    const std::wstring path = reminderStateFilePath(dataFolder);
    if (path.empty() || !fileExists(path)) return std::nullopt;
    XmlDocument doc;
    if (!doc.loadFile(path) || !doc.isWellFormed()) return std::nullopt;
    if (!doc.findElement(kStateRoot) || !doc.intoElement() || !doc.findElement(L"LastPass"))
        return std::nullopt;
    return parseMinute(doc.getData());
}

LPARAM packReminderMinute(const SYSTEMTIME& t) {
    return LPARAM(t.wYear) * 100000000LL + LPARAM(t.wMonth) * 1000000LL + LPARAM(t.wDay) * 10000LL +
           LPARAM(t.wHour) * 100LL + LPARAM(t.wMinute);
}

ReminderPassResult runReminderPass(const ReminderPassParts& parts) {
    ReminderPassResult result;
    const std::wstring& data = parts.dataFolder;
    if (!isAbsolutePath(data) || data.back() != L'\\') return result;
    const Actions actions = actionsOf(parts);
    const std::wstring now = reminderMinuteString(parts.now);
    const long long nowIndex = reminderMinuteIndex(parts.now);
    const std::optional<SYSTEMTIME> lastPass = parts.lastPass ? parts.lastPass : readLastPassMinute(data);
    // A gap of more than one minute since the last pass: minutes in between were never examined.
    const bool gap = lastPass && nowIndex - reminderMinuteIndex(*lastPass) > 1;

    for (const std::wstring& folder : foldersToScan(data)) {
        for (const std::wstring& name : listSubFolders(folder)) {
            if (stopSignalled(parts.stopEvent)) {
                result.stopped = true;
                return result;
            }
            if (!isPlainFileName(name)) continue;
            const std::wstring noteFolder = folder + name + L"\\";
            const std::wstring promptPath = noteFolder + L"prompt.xml";
            // Most notes have no reminder: one attribute query and on to the next.
            if (!fileExists(promptPath)) continue;
            ++result.notesSeen;
            // The schedule first: a reminder that is not due needs neither the note file nor its
            // window, which keeps an idle pass to one small read per reminder.
            const std::optional<ReminderSchedule> schedule = readReminderSchedule(promptPath);
            if (!schedule || !reminderCountLeft(*schedule)) continue;
            std::optional<SYSTEMTIME> missed;
            if (!isReminderDue(*schedule, parts.now)) {
                if (gap) missed = mostRecentMissedMinute(*schedule, *lastPass, parts.now);
                if (!missed) {
                    FiredReminderSet::erase(name);
                    continue;
                }
            }
            // Never fired without a window: a hidden note, or a note file without `ID`, is skipped.
            const std::optional<int> id = noteObjectId(noteFolder + name + L".xml");
            if (!id) continue;
            const std::optional<HWND> window = actions.windowOf(*id);
            if (!window || !*window) continue;
            const std::wstring stopMinute = ReminderStopTable::get(*window);
            const std::wstring minute = missed ? reminderMinuteString(*missed) : now;
            switch (decideReminder(FiredReminderSet::contains(name), stopMinute, minute)) {
            case ReminderDecision::Skip:
                break;
            case ReminderDecision::SkipAndForget:
                FiredReminderSet::erase(name);
                break;
            case ReminderDecision::Fire:
                if (missed) {
                    fire(actions, *schedule, name, *window, minute, 1, packReminderMinute(*missed));
                    ++result.missedFired;
                } else {
                    fire(actions, *schedule, name, *window, minute, 0, 0);
                    ++result.fired;
                }
                break;
            }
        }
    }
    // Once a minute at most: the thread passes the minute it last wrote back in as `lastPass`.
    if (!lastPass || reminderMinuteIndex(*lastPass) != nowIndex) writeLastPass(data, parts.now);
    return result;
}

// ---- the thread ----

struct ReminderChecker::Shared {
    TavKernelHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    TavKernelHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::wstring dataFolder;
    std::atomic<int> passes{0};
    std::atomic<bool> alive{false};
};

namespace {

DWORD WINAPI checkerThread(void* argument) {
    // The thread keeps the shared state alive: a stop that gave up waiting may drop its own copy.
    std::unique_ptr<std::shared_ptr<ReminderChecker::Shared>> owner(
        static_cast<std::shared_ptr<ReminderChecker::Shared>*>(argument));
    ReminderChecker::Shared& s = **owner;
    HANDLE events[2] = {s.stop.get(), s.wake.get()};
    std::optional<SYSTEMTIME> lastPass;
    for (;;) {
        ReminderPassParts parts;
        GetLocalTime(&parts.now);
        parts.dataFolder = s.dataFolder;
        parts.lastPass = lastPass;
        parts.stopEvent = s.stop.get();
        if (runReminderPass(parts).stopped) break;
        lastPass = parts.now;
        ++s.passes;
        if (WaitForMultipleObjects(2, events, FALSE, ReminderChecker::kPeriodMs) == WAIT_OBJECT_0) break;
    }
    s.alive = false;
    return 0;
}

} // namespace

ReminderChecker::~ReminderChecker() { stop(); }

bool ReminderChecker::start(HWND) {
    if (thread_) return false;
    auto shared = std::make_shared<Shared>();
    if (!shared->stop || !shared->wake) return false;
    shared->dataFolder = dataDirectory();
    shared->alive = true;
    auto* argument = new std::shared_ptr<Shared>(shared);
    HANDLE thread = CreateThread(nullptr, 0, checkerThread, argument, 0, nullptr);
    if (!thread) {
        delete argument;
        return false;
    }
    shared_ = std::move(shared);
    thread_ = thread;
    return true;
}

bool ReminderChecker::stop() {
    if (!thread_) return true;
    SetEvent(shared_->stop.get());
    const bool ended = WaitForSingleObject(thread_, kStopWaitMs) == WAIT_OBJECT_0;
    CloseHandle(thread_);
    thread_ = nullptr;
    shared_.reset();
    return ended;
}

void ReminderChecker::passNow() {
    if (shared_) SetEvent(shared_->wake.get());
}

bool ReminderChecker::running() const { return thread_ && shared_->alive; }

int ReminderChecker::passCount() const { return shared_ ? shared_->passes.load() : 0; }
