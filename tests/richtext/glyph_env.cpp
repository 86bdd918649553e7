// GDI+ for measuring and painting glyphs, a module instance for windows, no crash dialogs.
#include <windows.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include "AppState.h"

namespace {

class GlyphEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
        appState().instance = GetModuleHandleW(nullptr);
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
    }
    // GDI+ stays up: the font and glyph caches live for the whole process.

private:
    ULONG_PTR token_ = 0;
};

[[maybe_unused]] ::testing::Environment* const env =
    ::testing::AddGlobalTestEnvironment(new GlyphEnvironment);

} // namespace
