#include "TavNoteMain.h"

#include "AppPaths.h"
#include "AppState.h"

TavNoteMain::TavNoteMain() { setObjectName(L"TavNoteMain"); }

bool TavNoteMain::createAt(int x, int y) {
    return create(kObjectId, L"", kExStyle, kStyle, x, y, 0, 0, nullptr);
}

void TavNoteMain::onCreated() {
    TavWnd::onCreated();
    appState().mainWindow = handle();
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

void TavNoteMain::onDestroyed() {
    TavWnd::onDestroyed();
    appState().mainWindow = nullptr;
    PostQuitMessage(0);
}
