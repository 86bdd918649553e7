#pragma once
// Process set-up shared by every test executable: no crash dialogs, the module instance for
// windows and dialog templates, GDI+, and optionally a folder of the executable's own under the
// temporary folder, removed at the end. With images, the folder also becomes the application
// folder and holds a copy of the installation's "sysres" pictures.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include "AppPaths.h"
#include "AppState.h"
#include "TavFont.h"
#include "TempFolder.h"

#include <memory>
#include <string>

class TavTestEnvironment : public ::testing::Environment {
public:
    enum class Folder { None, Plain, AppFolderWithImages };

    // `name` names the folder ("tavnote_<name>_<process>_<n>").
    explicit TavTestEnvironment(std::wstring name = L"", Folder kind = Folder::None)
        : name_(std::move(name)), kind_(kind) {}

    // The build's installation folder <build>\TavNote\, three levels above <build>\tests\<area>\x.exe.
    static std::wstring installationFolder() {
        wchar_t exe[MAX_PATH];
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring path = exe;
        for (int up = 0; up < 3; ++up) path = path.substr(0, path.find_last_of(L'\\'));
        return path + L"\\TavNote\\";
    }

    // The executable's own folder, ending in a backslash ("" with Folder::None or before set-up).
    static const std::wstring& folder() { return folder_ ? folder_->path() : none(); }
    // An empty sub-folder of the executable's folder, ending in a backslash.
    static std::wstring freshFolder(const std::wstring& name) {
        return folder_ ? folder_->freshFolder(name) : std::wstring();
    }

    void SetUp() override {
        SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
        appState().instance = GetModuleHandleW(nullptr);
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        if (kind_ == Folder::None) return;
        folder_ = std::make_unique<TempFolder>(L"tavnote_" + name_);
        if (kind_ == Folder::AppFolderWithImages) {
            copyTree(installationFolder() + L"sysres\\", folder() + L"sysres\\");
            setAppDirectoryOverride(folder());
        }
    }

    void TearDown() override {
        setAppDirectoryOverride(L"");
        // Cached GDI+ objects must go before GDI+ itself.
        TavFont::instance().clear();
        TavBrush::instance().clear();
        Gdiplus::GdiplusShutdown(token_);
        folder_.reset();
    }

private:
    static const std::wstring& none() {
        static const std::wstring empty;
        return empty;
    }

    std::wstring name_;
    Folder kind_;
    ULONG_PTR token_ = 0;
    static inline std::unique_ptr<TempFolder> folder_;
};
