// Process set-up of the GIF tests: crash dialogs off, GDI+, and an application folder of the
// tests' own, so that "tempgif\" is made there.
#include <gtest/gtest.h>

#include "AppPaths.h"
#include "AppState.h"
#include "FolderUtils.h"
#include "TestTree.h"
#include "GdiOwners.h"
#include "gif_support.h"

namespace giftest {

std::wstring testRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"tavnote_gif_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
}

} // namespace giftest

namespace {

class GifEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
        appState().instance = GetModuleHandleW(nullptr);
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        std::wstring root = giftest::testRoot();
        testtree::remove(root);
        CreateDirectoryW(root.c_str(), nullptr);
        CreateDirectoryW((root + L"app\\").c_str(), nullptr);
        CreateDirectoryW((root + L"pictures\\").c_str(), nullptr);
        setAppDirectoryOverride(root + L"app\\");
    }
    void TearDown() override {
        setAppDirectoryOverride(L"");
        Gdiplus::GdiplusShutdown(token_);
        testtree::remove(giftest::testRoot());
    }

private:
    ULONG_PTR token_ = 0;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new GifEnvironment);

} // namespace
