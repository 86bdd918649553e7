// GDI+, the module instance for the dialog host, and an application folder per test.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "TavTestEnvironment.h"
#include "AppPaths.h"
#include "AppState.h"
#include "FolderUtils.h"
#include "TestTree.h"
#include "TavFont.h"
#include "XmlDocument.h"
#include "notewin_support.h"

namespace notewin {

namespace {

std::wstring testRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"tavnote_notewin_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
}

class Environment : public TavTestEnvironment {
public:
    Environment() : TavTestEnvironment(testRoot(), Folder::Plain) {}
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::wstring installationFolder() { return TavTestEnvironment::installationFolder(); }

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TavNoteStore prepareNote(const std::wstring& unique, int id, RECT rect, const std::wstring& group) {
    std::wstring base = group.empty() ? std::wstring() : noteItems2Directory() + group + L"\\";
    TavNoteStore note(unique, base, id);
    note.setGroupName(group);
    EXPECT_TRUE(note.createNoteFile());
    EXPECT_TRUE(note.SaveGeometry(rect).has_value());
    return note;
}

std::wstring noteElement(const TavNoteStore& note, const wchar_t* name) {
    XmlDocument doc;
    if (!doc.loadFile(note.GetFilePath()) || !doc.findElement(L"TavNoteItem") || !doc.intoElement()) return L"";
    return doc.findElement(name) ? doc.getData() : L"";
}

void NoteWindowTest::SetUp() {
    static int counter = 0;
    app_ = testRoot() + L"app" + std::to_wstring(++counter) + L"\\";
    testtree::remove(app_);
    ASSERT_TRUE(CreateDirectoryW(app_.c_str(), nullptr));
    testtree::copy(installationFolder() + L"sysres\\", app_ + L"sysres\\");
    setAppDirectoryOverride(app_);
}

void NoteWindowTest::TearDown() {
    pump();
    setAppDirectoryOverride(L"");
    testtree::remove(app_);
}

} // namespace notewin
