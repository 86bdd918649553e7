#pragma once
// The hidden main window (object id 20000). It owns the process-wide start-up work that happens
// while it is created and ends the message loop when it is destroyed.
#include <windows.h>

class TavNoteMain {
public:
    static constexpr int kObjectId = 20000;
    static constexpr DWORD kExStyle = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW; // 0x08000080
    static constexpr DWORD kStyle = WS_POPUP | WS_VISIBLE;                 // 0x90000000

    TavNoteMain() = default;
    ~TavNoteMain();
    TavNoteMain(const TavNoteMain&) = delete;
    TavNoteMain& operator=(const TavNoteMain&) = delete;

    // Creates the window at (x, y) with size 0 × 0, as the entry point asks.
    bool create(int x, int y);
    HWND handle() const { return hwnd_; }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void onCreated();

    HWND hwnd_ = nullptr;
};
