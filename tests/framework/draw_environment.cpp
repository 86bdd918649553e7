// GDI+ for every drawing test, and an application folder of the tests' own (resource images).
#include <gtest/gtest.h>
#include <windows.h>
#include <gdiplus.h>

#include "AppPaths.h"
#include "FolderUtils.h"
#include "TestTree.h"
#include "TavFont.h"
#include "draw_support.h"

std::wstring drawTestFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"tavnote_draw_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += name + L"\\";
    testtree::remove(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

namespace {

class DrawEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetErrorMode(SEM_NOGPFAULTERRORBOX);
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        setAppDirectoryOverride(drawTestFolder(L"app"));
    }
    void TearDown() override {
        setAppDirectoryOverride(L"");
        // Cached GDI+ objects must go before GDI+ itself.
        TavFont::instance().clear();
        TavBrush::instance().clear();
        Gdiplus::GdiplusShutdown(token_);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        testtree::remove(std::wstring(temp) + L"tavnote_draw_" + std::to_wstring(GetCurrentProcessId()) + L"\\");
    }

private:
    ULONG_PTR token_ = 0;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new DrawEnvironment);

}  // namespace
