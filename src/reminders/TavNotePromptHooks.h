#pragma once
// Questions and file choosers of the reminder editor, answerable without a dialog: an empty
// function means the real dialog.
#include <functional>
#include <string>

#include "FileDialogs.h"
#include "PromptEditorLogic.h"

struct TavNotePromptHooks {
    std::function<TavFileChoice(HWND owner, const PromptChooser& chooser)> chooseFile;
    // The close question; returns the message box's answer (1 = OK).
    std::function<int(HWND owner, const std::wstring& question)> askClose;
    // The local time for the drop-downs' first texts and the GIF copy's name.
    std::function<SYSTEMTIME()> now;
};
