#pragma once
// What the editor and field window tests share: a plain opaque panel standing in for a note or a
// dialog, a key press sent with or without Control held, and Unicode text put on the clipboard.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TavWnd.h"

class TestPanel : public TavWnd {
public:
    explicit TestPanel(uint32_t color = 0xFFFFFFFF) : color_(color) {}
    TavMemDC renderSelf() override {
        RECT rc{};
        GetClientRect(handle(), &rc);
        return createMemoryDC(handle(), rc.right, rc.bottom, color_);
    }

private:
    uint32_t color_;
};

// Sends WM_KEYDOWN to the window with the keyboard state saying whether Control is down.
inline void sendKey(HWND window, WPARAM key, bool control) {
    BYTE state[256];
    GetKeyboardState(state);
    const BYTE old = state[VK_CONTROL];
    state[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageW(window, WM_KEYDOWN, key, 1);
    state[VK_CONTROL] = old;
    SetKeyboardState(state);
}

inline void setClipboardText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(mem), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
}
