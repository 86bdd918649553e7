#include "MessageHook.h"

#include "TavWnd.h"

namespace {

LRESULT CALLBACK getMessageHook(int code, WPARAM wp, LPARAM lp) {
    // PM_NOREMOVE peeks would offer the same message twice.
    if (code == HC_ACTION && wp == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lp);
        if (TavWnd::preTranslateHook(msg)) {
            msg->message = WM_NULL;
            msg->wParam = 0;
            msg->lParam = 0;
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

} // namespace

HHOOK installMessageHook() {
    return SetWindowsHookExW(WH_GETMESSAGE, getMessageHook, nullptr, GetCurrentThreadId());
}

void removeMessageHook(HHOOK hook) {
    if (hook) UnhookWindowsHookEx(hook);
}
