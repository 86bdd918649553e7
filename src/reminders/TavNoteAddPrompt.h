#pragma once
// The add panel of the reminder editor: drop-downs for minute, hour, day, month and year, buttons
// for the weekdays, the once label and the styles, and the execute-file, music and GIF choosers.
// Every click writes the reminder file at once and posts 50014 (labels) or 50015 (GIF) to the
// parent, which reloads its display panel.
#include <array>
#include <memory>
#include <vector>

#include "TavNoteBtAPLabel.h"
#include "TavNoteBtLB.h"
#include "TavNoteListBoxAP.h"
#include "TavNotePromptHooks.h"

class TavNoteAddPrompt : public TavWnd {
public:
    static constexpr int kWidth = 280;
    static constexpr int kHeight = 270;
    // Object ids of the panel's controls.
    static constexpr int kFirstDropDownId = 20101; // five, minute to year
    static constexpr int kFirstLabelId = 20110;    // eleven, in the order of promptLabelButtons()
    static constexpr int kExecId = 20121;
    static constexpr int kMusicId = 20122;
    static constexpr int kGifId = 20123;
    static constexpr int kListId = 20124;

    TavNoteAddPrompt();

    void setNote(const std::wstring& unique, const std::wstring& dir, int objectId);
    void setHooks(TavNotePromptHooks hooks) { hooks_ = std::move(hooks); }
    bool createChild(HWND parent, int id, const wchar_t* text, const RECT& rect);

    TavNoteBtLB* dropDown(ReminderLabelKind kind);
    TavNoteBtAPLabel* labelButton(const std::wstring& text);
    TavNoteBt& execButton() { return exec_; }
    TavNoteBt& musicButton() { return music_; }
    TavNoteBt& gifButton() { return gif_; }
    TavNoteListBoxAP& valueList() { return list_; }

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void onButton(int id);
    void openList(int dropDownId);
    void valueChosen(size_t index, int dropDownId);
    void chooseAndAdd(int id);
    void labelsChanged();
    SYSTEMTIME now() const;

    std::vector<std::unique_ptr<TavNoteBtLB>> dropDowns_;
    std::vector<std::unique_ptr<TavNoteBtAPLabel>> labels_;
    TavNoteBt exec_;
    TavNoteBt music_;
    TavNoteBt gif_;
    TavNoteListBoxAP list_;
    TavNotePromptHooks hooks_;
    std::wstring path_;
    int objectId_ = 0;
};
