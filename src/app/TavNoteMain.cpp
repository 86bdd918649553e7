#include "TavNoteMain.h"

#include "AppPaths.h"
#include "AppState.h"

namespace {
const wchar_t kClassName[] = L"TavWnd";
}

TavNoteMain::~TavNoteMain() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool TavNoteMain::create(int x, int y) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{sizeof(wc)};
    if (!GetClassInfoExW(instance, kClassName, &wc)) {
        wc = WNDCLASSEXW{sizeof(wc)};
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = instance;
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
        wc.lpszClassName = kClassName;
        RegisterClassExW(&wc);
    }
    hwnd_ = CreateWindowExW(kExStyle, kClassName, L"", kStyle, x, y, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!hwnd_) return false;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, LONG_PTR(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, LONG_PTR(&TavNoteMain::windowProc));
    appState().mainWindow = hwnd_;
    onCreated();
    return true;
}

void TavNoteMain::onCreated() {
    // The data tree exists from the first start on.
    resourceDirectory();
    iconDirectory();
    noteItemsDirectory();
    noteItems2Directory();
    templatesDirectory();
    templateRecycleDirectory();
    templates2Directory();
    capNoteDirectory();
    recycleDirectory();
}

LRESULT CALLBACK TavNoteMain::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TavNoteMain*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_DESTROY) {
        if (self) self->hwnd_ = nullptr;
        appState().mainWindow = nullptr;
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}
