#pragma once
// The hidden main window (object id 20000). Creating it does the process-wide start-up work;
// destroying its window ends the message loop.
#include "TavWnd.h"

class TavNoteMain : public TavWnd {
public:
    static constexpr int kObjectId = 20000;
    static constexpr DWORD kExStyle = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW; // 0x08000080
    static constexpr DWORD kStyle = WS_POPUP | WS_VISIBLE;                 // 0x90000000

    TavNoteMain();

    // Creates the window at (x, y) with size 0 × 0, as the entry point asks.
    bool createAt(int x, int y);

protected:
    void onCreated() override;
    void onDestroyed() override;
};
