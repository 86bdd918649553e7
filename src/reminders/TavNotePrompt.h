#pragma once
// The reminder editor "提醒设置": a modal dialog over a note in which the user clicks the labels of
// the note's reminder together; every click writes the note's "prompt.xml" at once. Closing asks
// first when no minute label is set, since such a reminder never fires.
#include <windows.h>

#include <string>

#include "TavNoteAddPrompt.h"
#include "TavNoteCaption.h"
#include "TavNoteShowPrompt.h"

class TavNotePrompt : public TavNoteCaption {
public:
    static constexpr int kContentWidth = 570;
    static constexpr int kContentHeight = 310;

    TavNotePrompt(std::wstring unique, std::wstring dir, TavNotePromptHooks hooks = {});

    void createControls() override;
    void modalStart() override;
    void onOk() override;
    void onCancel() override;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    TavMemDC renderSelf() override;

    TavNoteAddPrompt& addPanel() { return add_; }
    TavNoteShowPrompt& showPanel() { return show_; }

private:
    // Ends the dialog (result 2) unless the user keeps it open at the question.
    void tryClose();

    std::wstring unique_;
    std::wstring dir_;
    TavNotePromptHooks hooks_;
    TavNoteAddPrompt add_;
    TavNoteShowPrompt show_;
};

// Runs the editor for the note `unique` of base folder `dir` ("" = the system group), modal over
// `owner`; returns when it has been closed.
void runReminderEditor(HWND owner, const std::wstring& unique, const std::wstring& dir);
