// Starts TavNote.exe in a fresh installation folder and checks what a user sees at start and exit.
#include "FileSystem.h"
#include "TavNoteProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

const wchar_t* const kDataFolders[] = {L"NoteItems", L"NoteItems2", L"NoteTpls", L"TplRecycle",
                                       L"NoteTpls2", L"CapNote",    L"Recycle"};

} // namespace

TEST(Startup, CreatesTheDataTreeStaysUpAndExitsCleanlyWhenClosed) {
    TempFolder folder;
    TavNoteProcess app(installInto(folder.path()), folder.path());
    ASSERT_TRUE(app.started());

    for (const wchar_t* name : kDataFolders) {
        const std::wstring path = folder.path() + L"NoteData\\" + name;
        EXPECT_TRUE(waitFor([&] { return folderExists(path); }, 20000)) << "missing NoteData folder";
    }
    EXPECT_TRUE(folderExists(folder.path() + L"sysres"));
    EXPECT_TRUE(folderExists(folder.path() + L"tavnote_reicon\\default"));

    HWND main = nullptr;
    ASSERT_TRUE(waitFor([&] { return (main = app.mainWindow()) != nullptr; }, 10000));
    EXPECT_EQ(DWORD(GetWindowLongW(main, GWL_STYLE)) & 0x90000000u, 0x90000000u);
    EXPECT_EQ(DWORD(GetWindowLongW(main, GWL_EXSTYLE)) & 0x08000080u, 0x08000080u);
    RECT r{};
    GetWindowRect(main, &r);
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2);
    EXPECT_EQ(r.top, int(GetSystemMetrics(SM_CYSCREEN) * 0.382));
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);

    EXPECT_FALSE(waitFor([&] { return !app.running(); }, 500)) << "TavNote must stay up until it is closed";

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.waitForExit(10000), 0u);
}

TEST(Startup, DamagedSettingsFilesDoNotStopTheProgramAndAreKept) {
    TempFolder folder;
    const std::string sysconfig = "<sysconfig><deffont><fmname>\x80\xff</deffont>";
    const std::string colors = std::string("\0\0\xff<customcolor>", 16);
    ASSERT_TRUE(writeBytes(folder.file(L"sysconfig.xml"), sysconfig));
    CreateDirectoryW(folder.file(L"NoteData").c_str(), nullptr);
    ASSERT_TRUE(writeBytes(folder.file(L"NoteData\\customcolor.xml"), colors));

    TavNoteProcess app(installInto(folder.path()), folder.path());
    ASSERT_TRUE(app.started());
    HWND main = nullptr;
    ASSERT_TRUE(waitFor([&] { return (main = app.mainWindow()) != nullptr; }, 20000));
    EXPECT_TRUE(app.running());
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.waitForExit(10000), 0u);

    EXPECT_EQ(readBytes(folder.file(L"sysconfig.xml")), sysconfig);
    EXPECT_EQ(readBytes(folder.file(L"NoteData\\customcolor.xml")), colors);
}
