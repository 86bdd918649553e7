// GDI+ for the snapshot, and an application folder per test under the executable's folder.
#include "TavTestEnvironment.h"
#include "AppPaths.h"
#include "notes_support.h"

namespace {
const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new TavTestEnvironment(L"notes", TavTestEnvironment::Folder::Plain));
} // namespace

void NoteFolderTest::SetUp() {
    static int counter = 0;
    app_ = TavTestEnvironment::freshFolder(L"app" + std::to_wstring(++counter));
    ASSERT_TRUE(pathExists(app_));
    setAppDirectoryOverride(app_);
}

void NoteFolderTest::TearDown() {
    setAppDirectoryOverride(L"");
    removeTree(app_);
}

TavNoteStore NoteFolderTest::plainNote(const std::wstring& unique, int id) {
    TavNoteStore note(unique, L"", id);
    EXPECT_TRUE(note.SaveUnique());
    return note;
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

SYSTEMTIME sampleTime(int secondsLater) {
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 7;
    t.wHour = 4;
    t.wMinute = 33;
    t.wSecond = WORD(55 + secondsLater);
    t.wMilliseconds = 123;
    return t;
}
