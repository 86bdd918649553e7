// A reminder ringing on its note: the sound played once, the path scrolling through the bottom
// label, the reminder's picture, the styles (on top, swinging, centred) and the count of firings
// left; the stop menu, and stopping, which puts the note back as its file has it.
#include "TavNoteItem.h"

#include <mmsystem.h>

#include "AppPaths.h"
#include "DrawToolkit.h"
#include "FileSystem.h"
#include "NoteGeometry.h"
#include "PromptFile.h"
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

void TavNoteItem::showStopMenu(int screenX, int screenY) {
    auto* menu = new TavNoteMenuStopPrompt();
    menu->showAt(handle(), screenX, screenY);
}
