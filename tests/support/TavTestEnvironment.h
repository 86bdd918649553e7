#pragma once
// Process set-up shared by the window test executables: no crash dialogs, the module instance for
// dialog templates, GDI+, and a folder of the test's own, removed at the end. With images, the folder
// also becomes the application folder and holds a copy of the installation's "sysres" pictures.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include "AppPaths.h"
#include "AppState.h"
#include "FolderUtils.h"
#include "TestTree.h"
#include "TavFont.h"

#include <string>

class TavTestEnvironment : public ::testing::Environment {
public:
    enum class Folder { Plain, AppFolderWithImages };

    TavTestEnvironment(std::wstring folder, Folder kind) : folder_(std::move(folder)), kind_(kind) {}

    // The build's installation folder <build>\TavNote\, three levels above <build>\tests\<area>\x.exe.
    static std::wstring installationFolder() {
        wchar_t exe[MAX_PATH];
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring path = exe;
        for (int up = 0; up < 3; ++up) path = path.substr(0, path.find_last_of(L'\\'));
        return path + L"\\TavNote\\";
    }

    void SetUp() override {
        SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
        appState().instance = GetModuleHandleW(nullptr);
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        CreateDirectoryW(folder_.c_str(), nullptr);
        if (kind_ == Folder::AppFolderWithImages) {
            testtree::copy(installationFolder() + L"sysres\\", folder_ + L"sysres\\");
            setAppDirectoryOverride(folder_);
        }
    }

    void TearDown() override {
        setAppDirectoryOverride(L"");
        // Cached GDI+ objects must go before GDI+ itself.
        TavFont::instance().clear();
        TavBrush::instance().clear();
        Gdiplus::GdiplusShutdown(token_);
        testtree::remove(folder_);
    }

private:
    std::wstring folder_;
    Folder kind_;
    ULONG_PTR token_ = 0;
};
