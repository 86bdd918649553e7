// Modal runs: a framework window hosted in the empty dialog template 102.
#include "AppState.h"
#include "TavAssert.h"
#include "TavWndState.h"

using tavwnd::core;

namespace {
constexpr int kHostDialogTemplate = 102;
}

void TavWnd::modalStart() {
    show(SW_SHOW);
    if (redrawAll()) present();
}

TavWnd* TavWnd::pendingModal() { return core().pendingModal; }

HWND TavWnd::openModalDialog() {
    struct Search {
        HWND found = nullptr;
    } search;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            wchar_t cls[16] = L"";
            if (!IsWindowVisible(window) || !GetClassNameW(window, cls, 16) || wcscmp(cls, L"#32770") != 0)
                return TRUE;
            reinterpret_cast<Search*>(data)->found = window;
            return FALSE; // the first in z-order is the one on top
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

INT_PTR TavWnd::runModal(TavWnd* window, HWND parent, int id) {
    if (!window) return -1;
    auto& s = core();
    s.pendingModal = window;
    s.pendingId = id;
    HINSTANCE instance = appState().instance ? appState().instance : GetModuleHandleW(nullptr);
    // The object also travels as the creation parameter, so a run started while another one is
    // pending can never pick up the wrong object.
    INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(kHostDialogTemplate), parent,
                                     &TavWnd::dialogProc, reinterpret_cast<LPARAM>(window));
    if (s.pendingModal == window) {
        s.pendingModal = nullptr;
        s.pendingId = 0;
    }
    return result;
}

INT_PTR CALLBACK TavWnd::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return tavGuardBoundary(
        "dialog procedure", message,
        [&]() -> INT_PTR { return handleDialogMessage(dialog, message, wParam, lParam); },
        [] { return INT_PTR(FALSE); });
}

INT_PTR TavWnd::handleDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    {
        auto& s = core();
        if (message == WM_INITDIALOG) {
            TavWnd* window = lParam ? reinterpret_cast<TavWnd*>(lParam) : s.pendingModal;
            if (!window) return FALSE;
            int id = s.pendingModal == window ? s.pendingId : 0;
            s.pendingModal = nullptr;
            s.pendingId = 0;
            mapHandle(dialog, window);
            window->attach(id, dialog);
            window->modalStart();
            return FALSE; // the window decides its own focus
        }
        if (message == WM_COMMAND) {
            TavWnd* window = findByHandle(dialog);
            if (!window) return FALSE;
            if (LOWORD(wParam) == IDOK) {
                window->accept();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                window->cancel();
                return TRUE;
            }
        }
    }
    return FALSE;
}
