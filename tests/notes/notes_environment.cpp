// GDI+ for the snapshot, and per-test application folders under the temporary folder.
#include <windows.h>
#include <gdiplus.h>

#include <vector>

#include "AppPaths.h"
#include "FolderUtils.h"
#include "TestTree.h"
#include "notes_support.h"

namespace {

std::wstring testRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"tavnote_notes_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
}

class NotesEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetErrorMode(SEM_NOGPFAULTERRORBOX);
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        CreateDirectoryW(testRoot().c_str(), nullptr);
    }
    void TearDown() override {
        setAppDirectoryOverride(L"");
        testtree::remove(testRoot());
        Gdiplus::GdiplusShutdown(token_);
    }

private:
    ULONG_PTR token_ = 0;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new NotesEnvironment);

} // namespace

void NoteFolderTest::SetUp() {
    static int counter = 0;
    app_ = testRoot() + L"app" + std::to_wstring(++counter) + L"\\";
    testtree::remove(app_);
    ASSERT_TRUE(CreateDirectoryW(app_.c_str(), nullptr));
    setAppDirectoryOverride(app_);
}

void NoteFolderTest::TearDown() {
    setAppDirectoryOverride(L"");
    testtree::remove(app_);
}

TavNoteStore NoteFolderTest::plainNote(const std::wstring& unique, int id) {
    TavNoteStore note(unique, L"", id);
    EXPECT_TRUE(note.SaveUnique());
    return note;
}

std::string readFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool writeFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool pathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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
