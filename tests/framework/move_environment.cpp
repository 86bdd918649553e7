// Process set-up of the move/resize frame tests: crash dialogs off, module instance, GDI+ (the
// size limits use the default font's line height).
#include <gtest/gtest.h>

#include "AppState.h"
#include "GdiOwners.h"
#include "TavFont.h"

namespace {

class MoveEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
        appState().instance = GetModuleHandleW(nullptr);
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override {
        TavFont::instance().clear();
        TavBrush::instance().clear();
        Gdiplus::GdiplusShutdown(token_);
    }

private:
    ULONG_PTR token_ = 0;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new MoveEnvironment);

} // namespace
