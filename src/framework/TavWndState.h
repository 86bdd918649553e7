#pragma once
// Process-wide state of the window core, shared by its source files. GUI thread only.
#include "TavWnd.h"

#include <map>

namespace tavwnd {

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*,
                                            DWORD);

struct CoreState {
    // Several objects may carry the same explicit id; find by id answers the latest one.
    std::multimap<int, TavWnd*> byId;
    std::map<HWND, TavWnd*> byHandle;
    TavWnd* focused = nullptr;
    TavWnd* pendingModal = nullptr;
    int pendingId = 0;
    UpdateLayeredWindowFn updateLayeredWindow = nullptr;
    bool updateLayeredLookedUp = false;
    long trackingRequests = 0;
};

CoreState& core();

// The module whose resources and window classes the framework uses.
HINSTANCE moduleInstance();
// Registers a framework window class once (only if GetClassInfoExW does not find it).
void ensureWindowClass(HINSTANCE instance, const wchar_t* className);

// Looks UpdateLayeredWindow up in User32 once.
UpdateLayeredWindowFn updateLayeredWindow();

// The blend every composition step uses: source-over, constant alpha, per-pixel alpha.
inline BLENDFUNCTION sourceOver(BYTE constantAlpha = 255) {
    BLENDFUNCTION blend{};
    blend.BlendOp = AC_SRC_OVER;
    blend.SourceConstantAlpha = constantAlpha;
    blend.AlphaFormat = AC_SRC_ALPHA;
    return blend;
}

inline int clientX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
inline int clientY(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

} // namespace tavwnd
