// The process set-up of the manager's window tests: GDI+, the module instance, and an application
// folder holding a copy of the installation's images ("sysres"). Each test makes its data folder
// inside it with ManagerWindowTest.
#include "win_support.h"

namespace {
const auto* const environment = ::testing::AddGlobalTestEnvironment(
    new TavTestEnvironment(L"manager", TavTestEnvironment::Folder::AppFolderWithImages));
} // namespace

void pumpMessages(DWORD forMs) {
    const DWORD end = GetTickCount() + forMs;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (forMs) Sleep(5);
    } while (forMs && GetTickCount() < end);
}

void ManagerWindowTest::SetUp() {
    // A fresh data folder per test; the images stay.
    removeTree(TavTestEnvironment::folder() + L"NoteData");
    DeleteFileW((TavTestEnvironment::folder() + L"sysconfig.xml").c_str());
    setAppDirectoryOverride(TavTestEnvironment::folder());
}

void ManagerWindowTest::TearDown() {
    pumpMessages();
    removeTree(TavTestEnvironment::folder() + L"NoteData");
}
