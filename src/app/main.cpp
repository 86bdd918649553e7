// Entry point: start GDI+, read the settings, create the hidden main window, pre-translate every
// message through the framework, run the loop and shut down in order.
#include <windows.h>
#include <gdiplus.h>

#include "AppState.h"
#include "Settings.h"
#include "TavNoteMain.h"
#include "MessageHook.h"

#include <memory>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Gdiplus::GdiplusStartupInput input; // version 1, no debug callback, background thread, codecs
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    appState().gdiplusToken = token;
    appState().instance = instance;

    loadSettings();

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    auto mainWindow = std::make_unique<TavNoteMain>();
    mainWindow->createAt(screenWidth / 2, int(screenHeight * 0.382));

    appState().messageHook = installMessageHook();

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    Gdiplus::GdiplusShutdown(token);
    removeMessageHook(appState().messageHook);
    mainWindow.reset();
    return int(msg.wParam);
}
