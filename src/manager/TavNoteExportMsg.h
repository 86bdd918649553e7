#pragma once
// The export's progress window "正在导出...": it starts the export's worker once it exists, shows
// each step the worker reports (message 50025: wParam = steps done, lParam = step total) and
// closes itself with 1 after the last step. Closed early by the user, it cancels the export.
#include "NoteExport.h"
#include "TavNoteMessageBox.h"

#include <thread>

inline constexpr UINT kExportMsgProgress = 50025;

class TavNoteExportMsg : public TavNoteMessageBox {
public:
    TavNoteExportMsg(ExportKind kind, std::vector<ExportNote> notes, std::wstring destination);
    ~TavNoteExportMsg() override;

    void onCreated() override;
    // No answer buttons: the window closes itself when the export is done, and the close button
    // or Escape cancels it.
    void createControls() override;
    void accept() override {}
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Runs the export with the window over `owner`; true when it completed and wrote its output.
    bool run(HWND owner);

private:
    void finishWorker();

    ExportKind kind_;
    std::vector<ExportNote> notes_;
    std::wstring destination_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> written_{false};
    std::thread worker_;
};

// What the export asks the user; an empty function asks with the platform's dialog or the
// program's message box.
struct TavExportDialogs {
    std::function<std::wstring(ExportKind)> chooseDestination; // "" = cancelled
    std::function<bool()> replacePictures;                     // PNG files of those names exist
};
// The export of the notes `uniques` of `groupFolder` over the manager: asks for the destination,
// gathers, runs the progress window. False when nothing was exported (cancelled, failed).
bool runNoteExport(HWND owner, ExportKind kind, const std::wstring& groupFolder,
                   const std::vector<std::wstring>& uniques, const TavExportDialogs& dialogs = {});
// The same for notes of several folders: (group folder, unique name) pairs.
bool runNoteExport(HWND owner, ExportKind kind,
                   const std::vector<std::pair<std::wstring, std::wstring>>& notes,
                   const TavExportDialogs& dialogs = {});
