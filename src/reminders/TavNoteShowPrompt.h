#pragma once
// The display panel of a reminder: its labels (TavNoteListMPL, "时间") over the GIF preview
// (TavNoteGif, "gif图片窗口"). It reloads on 50014 (labels) and 50015 (preview) and deletes the GIF
// on 50016.
#include "TavNoteGif.h"
#include "TavNoteListMPL.h"

class TavNoteShowPrompt : public TavWnd {
public:
    TavNoteShowPrompt();

    // The note whose reminder is shown; call before creating the window.
    void setNote(const std::wstring& unique, const std::wstring& dir, int objectId);
    bool createChild(HWND parent, int id, const wchar_t* text, const RECT& rect);
    void reloadLabels();
    void reloadPreview();

    const std::wstring& promptPath() const { return path_; }
    TavNoteListMPL& labelList() { return list_; }
    TavNoteGif& preview() { return gif_; }

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onSized(WPARAM flag, int width, int height) override;
    TavMemDC renderSelf() override;

private:
    void layout();

    TavNoteListMPL list_;
    TavNoteGif gif_;
    std::wstring path_;
    int objectId_ = 0;
};
