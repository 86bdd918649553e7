// Exceptions at the boundaries where the platform calls into the program: the window procedure
// and the message hook. A release build answers the message as if the program had not handled
// it; a checked build stops with a message that names the boundary.
#include <gtest/gtest.h>

#include "TavAssert.h"
#include "TavWnd.h"
#include "wnd_support.h"

#include <stdexcept>

namespace {

// Throws from its handlers for the message it is told to.
class ThrowingWnd : public TavWnd {
public:
    UINT throwOn = 0;
    bool throwInPreTranslate = false;
    bool throwNonStandard = false;

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == throwOn) fail();
        return TavWnd::windowProc(message, wParam, lParam);
    }
    BOOL preTranslateMessage(MSG* message) override {
        if (throwInPreTranslate) fail();
        return TavWnd::preTranslateMessage(message);
    }

private:
    void fail() {
        if (throwNonStandard) throw 42;
        throw std::runtime_error("handler failed");
    }
};

class GuardTest : public ::testing::Test {
protected:
    void SetUp() override {
        stopBefore = tavStopOnFailure();
        ASSERT_TRUE(window.create(0, L"abcd", WS_EX_TOOLWINDOW, WS_POPUP, 10, 10, 40, 30, nullptr));
    }
    void TearDown() override { tavSetStopOnFailure(stopBefore); }

    ThrowingWnd window;
    bool stopBefore = false;
};

struct ReleaseCase {
    const char* name;
    bool nonStandard;
};

const ReleaseCase kReleaseCases[] = {
    {"std::exception", false},
    {"anything else", true},
};

TEST_F(GuardTest, ReleaseBuildAnswersAFailedMessageWithItsDefaultResult) {
    tavSetStopOnFailure(false);
    for (const ReleaseCase& c : kReleaseCases) {
        SCOPED_TRACE(c.name);
        window.throwNonStandard = c.nonStandard;
        window.throwOn = WM_GETTEXTLENGTH;
        // The platform's own answer: the length of the window's text, not the 0 of a handler.
        EXPECT_EQ(SendMessageW(window.handle(), WM_GETTEXTLENGTH, 0, 0), 4);
        wchar_t text[8] = {};
        window.throwOn = WM_GETTEXT;
        EXPECT_EQ(SendMessageW(window.handle(), WM_GETTEXT, 8, LPARAM(text)), 4);
        EXPECT_STREQ(text, L"abcd");
        // The window stays usable.
        window.throwOn = 0;
        EXPECT_EQ(SendMessageW(window.handle(), WM_GETTEXTLENGTH, 0, 0), 4);
    }
}

TEST_F(GuardTest, ReleaseBuildLeavesAMessageWhosePreTranslationFailedToItsDispatch) {
    tavSetStopOnFailure(false);
    window.throwInPreTranslate = true;
    MSG message{window.handle(), WM_KEYDOWN, VK_SPACE, 0, 0, {}};
    EXPECT_EQ(TavWnd::preTranslateHook(&message), FALSE);
    EXPECT_EQ(message.message, UINT(WM_KEYDOWN));
}

// The statements of the death tests, run in the child process.
void failInWindowProcedure() {
    tavSetStopOnFailure(true);
    ThrowingWnd window;
    window.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 10, 10, 40, 30, nullptr);
    window.throwOn = WM_GETTEXTLENGTH;
    SendMessageW(window.handle(), WM_GETTEXTLENGTH, 0, 0);
}

void failInPreTranslation() {
    tavSetStopOnFailure(true);
    ThrowingWnd window;
    window.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 10, 10, 40, 30, nullptr);
    window.throwInPreTranslate = true;
    MSG message{window.handle(), WM_KEYDOWN, VK_SPACE, 0, 0, {}};
    TavWnd::preTranslateHook(&message);
}

TEST(GuardDeathTest, CheckedBuildStopsAtAFailedWindowProcedure) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(failInWindowProcedure(),
                 "exception in window procedure \\(message 0x000E\\): handler failed");
}

TEST(GuardDeathTest, CheckedBuildStopsAtAFailedPreTranslation) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(failInPreTranslation(), "exception in message hook \\(message 0x0100\\)");
}

} // namespace
