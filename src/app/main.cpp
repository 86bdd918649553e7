// Entry point: start GDI+, read the settings, create the hidden main window, pre-translate every
// message through the framework, run the loop and shut down in order.
#include <windows.h>
#include <gdiplus.h>

#include "AppState.h"
#include "AppPaths.h"
#include "FileSystem.h"
#include "Settings.h"
#include "TavNoteMain.h"
#include "MessageHook.h"
#include "TavFont.h"
#include "TavGif.h"

#include <memory>

namespace {

// How long exit waits for GIF workers that a bounded stop left finishing a decode.
constexpr DWORD kGifWorkersExitWaitMs = 3000;

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Gdiplus::GdiplusStartupInput input; // version 1, no debug callback, background thread, codecs
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    appState().gdiplusToken = token;
    appState().instance = instance;

    // Read before anything makes the data folder: its absence is what marks a first start.
    const bool firstStart = !folderExists(appDirectory() + L"NoteData");
    loadSettings();

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    auto mainWindow = std::make_unique<TavNoteMain>();
    mainWindow->setFirstStart(firstStart);
    mainWindow->createAt(screenWidth / 2, int(screenHeight * 0.382));

    appState().messageHook = installMessageHook();

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    // Everything that holds GDI+ objects goes before GDI+ itself: the windows (and with them the
    // notes and their pictures), the hook that reaches them, the font and brush caches, and the
    // GIF workers, which a late stop may have left finishing a decode.
    mainWindow.reset();
    removeMessageHook(appState().messageHook);
    appState().messageHook = nullptr;
    TavFont::instance().clear();
    TavBrush::instance().clear();
    // A worker that still runs after the wait would touch GDI+ after shutdown: GDI+ is then left
    // to the end of the process instead.
    if (tavGifWaitForWorkers(kGifWorkersExitWaitMs)) Gdiplus::GdiplusShutdown(token);
    appState().gdiplusToken = 0;
    return int(msg.wParam);
}
