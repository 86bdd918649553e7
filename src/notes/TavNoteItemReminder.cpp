// A reminder ringing on its note: the sound played once, the path scrolling through the bottom
// label, the reminder's picture, the styles (on top, swinging, centred) and the count of firings
// left; the stop menu, and stopping, which puts the note back as its file has it. While the
// pointer rests on a note, a tooltip tells when its reminder fires next.
#include "TavNoteItem.h"

#include <commctrl.h>
#include <mmsystem.h>

#include "AppPaths.h"
#include "DrawToolkit.h"
#include "FileSystem.h"
#include "NoteGeometry.h"
#include "PromptFile.h"
#include "ReminderSchedule.h"
#include "ReminderTables.h"
#include "TavNoteItemDesktop.h"
#include "TavNoteItemMath.h"
#include "TavNoteMenu.h"
#include "XmlDocument.h"

namespace {

// The stop menu of a ringing note: one item, "停止".
class TavNoteMenuStopPrompt : public TavNoteMenu {
public:
    TavNoteMenuStopPrompt() {
        setObjectName(L"TavNoteMenuStopPrompt");
        setMenuId(kCmdNoteStopMenu);
        addItem(kCmdNoteStopReminder, L"停止", L"prompt.png");
    }
    const wchar_t* windowName() const override { return L"停止提醒菜单"; }
};

SYSTEMTIME localNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

// The whole note is the tool; the tooltip watches its mouse messages itself (subclass) and lets
// clicks through to the note.
TTTOOLINFOW noteTool(HWND note, wchar_t* text) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS | TTF_TRANSPARENT;
    tool.hwnd = note;
    tool.uId = reinterpret_cast<UINT_PTR>(note);
    tool.lpszText = text;
    return tool;
}

// A tooltip owned by the note (the platform destroys it with the note's window); null on failure.
HWND createNoteTip(HWND note) {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&classes) != FALSE;
    }();
    (void)registered;
    // Always shown: the note is rarely the active window.
    HWND tip =
        CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, note, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tip) return nullptr;
    wchar_t none[] = L"";
    TTTOOLINFOW tool = noteTool(note, none);
    if (!SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) {
        DestroyWindow(tip);
        return nullptr;
    }
    return tip;
}

} // namespace

// --- the bottom label ---

void TavNoteLabel::setText(const std::wstring& text) {
    if (text == text_) return;
    text_ = text;
    textImage_ = TavMemDC();
    textWidth_ = 0;
    textLeft_ = 0;
    if (text_.empty() || !handle()) return;
    RECT rc{};
    GetClientRect(handle(), &rc);
    textWidth_ = int(measureTextFormat(handle(), text_).cx) + 4;
    textImage_ = drawDefaultText(handle(), text_, Gdiplus::StringAlignmentNear,
                                 Gdiplus::StringAlignmentCenter, RECT{0, 0, textWidth_, rc.bottom});
}

// --- firing and stopping ---

void TavNoteItem::closeReminderSound() {
    if (!sound_) return;
    MCI_GENERIC_PARMS close{};
    mciSendCommandW(sound_, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
    sound_ = 0;
}

void TavNoteItem::fireReminder(long long missedMinute) {
    closeReminderSound();
    KillTimer(handle(), kLabelTimer);
    XmlDocument doc;
    const std::wstring path = promptFilePath(store_.unique(), store_.baseDir());
    const bool readable = !path.empty() && doc.loadFile(path) && doc.isWellFormed() &&
                          doc.findElement(L"TavNotePrompt") && doc.intoElement();
    std::wstring labelText;
    if (missedMinute) labelText = missedReminderText(missedMinute, localNow());
    if (readable) {
        ReminderStopTable::erase(handle());
        std::wstring music, gif;
        std::vector<std::wstring> styles;
        bool hasCount = false;
        int count = 0;
        // One pass over the root's children; the first element of each kind counts.
        bool seenMusic = false, seenGif = false, seenStyle = false;
        while (doc.findElement()) {
            const std::wstring name = doc.currentName();
            if ((name == L"MusicFile" && !seenMusic) || (name == L"GifFile" && !seenGif) ||
                (name == L"Style" && !seenStyle)) {
                (name == L"MusicFile" ? seenMusic : name == L"GifFile" ? seenGif : seenStyle) = true;
                if (!doc.intoElement()) continue;
                while (doc.findElement(L"item")) {
                    if (name == L"MusicFile" && music.empty()) music = doc.getAttribute(L"FilePath");
                    if (name == L"GifFile" && gif.empty()) gif = doc.getData();
                    if (name == L"Style") styles.push_back(doc.getAttribute(L"value"));
                }
                doc.outOfElement();
            } else if (name == L"PromptCount" && !hasCount) {
                hasCount = true;
                count = parseNoteInt(doc.getData());
            }
        }
        if (!music.empty()) {
            if (isAbsolutePath(music) && fileExists(music)) {
                // The device is chosen from the file; the sound plays once.
                MCI_OPEN_PARMSW open{};
                open.lpstrDeviceType = L"MPEGAudio";
                open.lpstrElementName = music.c_str();
                if (mciSendCommandW(0, MCI_OPEN, MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open)) == 0) {
                    sound_ = open.wDeviceID;
                    MCI_PLAY_PARMS play{};
                    play.dwFrom = 0;
                    mciSendCommandW(sound_, MCI_PLAY, MCI_FROM | MCI_NOTIFY,
                                    reinterpret_cast<DWORD_PTR>(&play));
                }
            }
            labelText += (labelText.empty() ? L"" : L"  ") + music;
        }
        // Only a picture of the note folder is shown.
        if (!reminderGif_.empty()) gif_.removePicture(reminderGif_);
        reminderGif_.clear();
        if (!gif.empty() && isPlainFileName(gif) && fileExists(store_.folderPath() + gif) &&
            gif_.addPicture(store_.folderPath(), gif, handle()))
            reminderGif_ = gif;
        for (const std::wstring& style : styles) {
            if (style == L"1") {
                SetWindowPos(handle(), HWND_TOPMOST, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE);
            } else if (style == L"2") {
                startSwing();
            } else if (style == L"4") {
                RECT window{};
                GetWindowRect(handle(), &window);
                const RECT centred =
                    centreOnScreen(window, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
                SetWindowPos(handle(), nullptr, centred.left, centred.top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
            }
        }
        if (hasCount) {
            // The count goes down with every firing (the check skips a reminder at 0).
            XmlDocument again;
            if (openPromptFile(again, path, objectId()) && again.intoElement() &&
                again.findElement(L"PromptCount")) {
                again.setData(count - 1);
                again.saveFile(path);
            }
        }
    }
    if (!labelText.empty()) {
        label_.setText(labelText);
        labelElapsed_ = 0;
        stepLabel();
        SetTimer(handle(), kLabelTimer, kLabelScrollTickMs, nullptr);
    }
    ringing_ = 1;
    Redraw();
}

void TavNoteItem::stepLabel() {
    RECT rc{};
    GetClientRect(label_.handle(), &rc);
    const TavLabelScroll step = labelScrollTick(labelElapsed_, label_.textWidth(), rc.right);
    labelElapsed_ = step.elapsedMs;
    if (step.x == label_.textLeft()) return;
    label_.setTextLeft(step.x);
    RECT strip{};
    GetWindowRect(label_.handle(), &strip);
    if (redrawScreenRect(strip.left, strip.top, strip.right, strip.bottom)) presentChanged(strip);
}

void TavNoteItem::stopReminder() {
    stopSwing();
    KillTimer(handle(), kLabelTimer);
    closeReminderSound();
    label_.setText(L"");
    if (!reminderGif_.empty()) gif_.removePicture(reminderGif_);
    reminderGif_.clear();
    ringing_ = 0;
    // The note as its file has it: background, layering and place.
    loadBackground();
    if (!hosted_) {
        SetWindowPos(handle(), HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE);
        topMost_ = store_.LoadTopMost().value_or(false);
        toDesk_ = store_.LoadToDesk().value_or(false);
        LoadGeometry();
        applyPlacement();
    }
    Redraw();
    ReminderStopTable::set(handle(), reminderMinuteString(localNow()));
}

// --- the next-fire hint ---

std::wstring TavNoteItem::reminderHint() const {
    const std::wstring path = promptFilePath(store_.unique(), store_.baseDir());
    if (path.empty()) return L"";
    const std::optional<ReminderSchedule> schedule = readReminderSchedule(path);
    return schedule ? nextReminderHint(*schedule, localNow()) : L"";
}

void TavNoteItem::onHover(WPARAM keys, int x, int y) {
    TavWndMoveResize::onHover(keys, x, y);
    updateReminderTip(x, y);
}

void TavNoteItem::updateReminderTip(int x, int y) {
    // Read at every rest of the pointer: the file may have changed since, and so has the time.
    std::wstring hint = reminderHint();
    if (hint.empty() && !reminderTip_) return;
    const bool fresh = !reminderTip_;
    if (fresh && !(reminderTip_ = createNoteTip(handle()))) return;
    TTTOOLINFOW tool = noteTool(handle(), hint.data());
    SendMessageW(reminderTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(reminderTip_, TTM_ACTIVATE, !hint.empty(), 0);
    if (!fresh) return;
    // A tooltip made while the pointer rests saw no move yet: hand it the one that brought the
    // pointer here, so that it shows after its usual delay.
    MSG move{};
    move.hwnd = handle();
    move.message = WM_MOUSEMOVE;
    move.lParam = MAKELPARAM(x, y);
    move.time = DWORD(GetMessageTime());
    GetCursorPos(&move.pt);
    SendMessageW(reminderTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}

void TavNoteItem::showStopMenu(int screenX, int screenY) {
    auto* menu = new TavNoteMenuStopPrompt();
    menu->showAt(handle(), screenX, screenY);
}
