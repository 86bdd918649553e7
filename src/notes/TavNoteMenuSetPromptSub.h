#pragma once
// The reminder submenu of a note's menu ("设置提醒子菜单"): the note's reminder labels and GIF
// ("提醒标签") over the buttons "清除" (deletes the reminder) and "设置" (opens the editor).
#include "TavNoteBt.h"
#include "TavNoteMenu.h"
#include "TavNoteShowPrompt.h"

class TavNoteMenuSetPromptSub : public TavNoteMenu {
public:
    static constexpr int kWidth = 260;
    static constexpr int kHeight = 400;
    static constexpr int kClearId = 20128;
    static constexpr int kSetId = 20129;

    TavNoteMenuSetPromptSub();

    // The note whose reminder is shown; call before build().
    void setNote(const std::wstring& unique, const std::wstring& dir);

    TavNoteShowPrompt& showPanel() { return show_; }
    TavNoteBt& clearButton() { return clear_; }
    TavNoteBt& setButton() { return set_; }

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void buildExtras() override;
    const wchar_t* windowName() const override { return L"设置提醒子菜单"; }

private:
    void closeWholeMenu();

    TavNoteShowPrompt show_;
    TavNoteBt clear_;
    TavNoteBt set_;
    std::wstring unique_;
    std::wstring dir_;
};
