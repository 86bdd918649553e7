// Process set-up of the window core tests: crash dialogs off, module instance, GDI+.
#include <gtest/gtest.h>

#include "AppState.h"
#include "GdiOwners.h"

namespace {

class WndEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
        appState().instance = GetModuleHandleW(nullptr);
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new WndEnvironment);

} // namespace
