// The manager's system settings page in a window: it shows the state the registry holds when it
// opens (rewriting a value left by a moved program), and a click on "开机启动" switches the value
// off and on, the check mark following. Everything under a scratch key of HKEY_CURRENT_USER.
#include "win_support.h"

#include "ImageFiles.h"
#include "TavNMiSysSet.h"
#include "TestPanel.h"
#include "autorun_support.h"
#include "ScreenCapture.h"

namespace {

const std::wstring kExe = L"C:\\Program Files\\TavNote\\TavNote.exe";
const std::wstring kQuoted = L"\"" + kExe + L"\"";
constexpr int kPageWidth = 600, kPageHeight = 300;

// The stored text of a REG_SZ value without its zero, "<absent>", or "<other>" for anything else.
std::wstring shown(const StoredAutorunValue& v) {
    if (!v.present) return L"<absent>";
    std::wstring raw = v.rawText();
    if (v.type != REG_SZ || raw.empty() || raw.back() != L'\0') return L"<other>";
    raw.pop_back();
    return raw;
}

class SettingsPageTest : public ManagerWindowTest {
protected:
    void SetUp() override {
        ManagerWindowTest::SetUp();
        ASSERT_TRUE(host.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 60, 60,
                                kPageWidth, kPageHeight, nullptr));
    }
    void TearDown() override {
        page.reset();
        DestroyWindow(host.handle());
        ManagerWindowTest::TearDown();
    }
    TavNMiSysSet& open(const AutorunRegistry& registry) {
        page = std::make_unique<TavNMiSysSet>();
        page->setRegistry(registry);
        page->setExecutablePath(kExe);
        EXPECT_TRUE(page->createChild(host.handle(), 20017, RECT{0, 0, kPageWidth, kPageHeight}));
        pumpMessages();
        return *page;
    }
    // A real press and release at the middle of the check button.
    void click() {
        HWND button = page->checkButton()->handle();
        RECT rc{};
        GetClientRect(button, &rc);
        const LPARAM middle = MAKELPARAM(rc.right / 2, rc.bottom / 2);
        SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, middle);
        SendMessageW(button, WM_LBUTTONUP, 0, middle);
        pumpMessages();
    }
    // Pixels of the check mark's green inside the box, as the window shows it.
    int greenInBox() {
        EXPECT_TRUE(host.redrawAll());
        GdiFlush();
        RECT box{};
        GetWindowRect(page->checkButton()->handle(), &box);
        MapWindowPoints(nullptr, host.handle(), reinterpret_cast<POINT*>(&box), 2);
        int green = 0;
        const TavMemDC& b = host.backBuffer();
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.left + TavNMiCheckBt::kBoxSide; ++x) {
                const uint32_t p = b.at(x, y);
                const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, bl = p & 0xFF;
                green += g > r + 60 && g > bl + 30;
            }
        return green;
    }

    TestPanel host;
    std::unique_ptr<TavNMiSysSet> page;
    ScratchAutorunRegistry scratch;
};

TEST_F(SettingsPageTest, OpensOnForAValueOfAMovedProgramAndRewritesIt) {
    ASSERT_TRUE(ScratchAutorunRegistry::put(scratch.registry().machine, L"\"D:\\旧位置\\TavNote.exe\""));
    TavNMiSysSet& settings = open(scratch.registry());
    EXPECT_TRUE(settings.autorunOn());
    EXPECT_EQ(shown(ScratchAutorunRegistry::read(scratch.registry().machine)), kQuoted);
    EXPECT_GT(greenInBox(), 10);
}

TEST_F(SettingsPageTest, ClicksSwitchTheValueOffAndOnWithTheMarkFollowing) {
    ASSERT_TRUE(ScratchAutorunRegistry::put(scratch.registry().machine, kQuoted));
    ASSERT_TRUE(ScratchAutorunRegistry::put(scratch.registry().user, kQuoted));
    TavNMiSysSet& settings = open(scratch.registry());
    ASSERT_TRUE(settings.autorunOn());
    ASSERT_EQ(settings.checkButton()->objectId(), TavNMiSysSet::kAutorunButtonId);

    click();
    EXPECT_FALSE(settings.autorunOn());
    EXPECT_EQ(shown(ScratchAutorunRegistry::read(scratch.registry().machine)), L"<absent>");
    EXPECT_EQ(shown(ScratchAutorunRegistry::read(scratch.registry().user)), L"<absent>");
    EXPECT_EQ(greenInBox(), 0);

    click();
    EXPECT_TRUE(settings.autorunOn());
    const StoredAutorunValue written = ScratchAutorunRegistry::read(scratch.registry().machine);
    EXPECT_EQ(shown(written), kQuoted);
    EXPECT_EQ(written.bytes.size(), (kQuoted.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(shown(ScratchAutorunRegistry::read(scratch.registry().user)), L"<absent>");
    EXPECT_GT(greenInBox(), 10);
}

// Where the machine key refuses the write, the value lands under the user's key and the mark shows
// on; with neither writable the mark stays off after the click, as the registry holds nothing.
TEST_F(SettingsPageTest, TheMarkShowsWhatTheRegistryHolds) {
    const AutorunPlace refusing{reinterpret_cast<HKEY>(ULONG_PTR(0x80001234)), kAutorunRunKey};
    AutorunRegistry registry = scratch.registry();
    registry.machine = refusing;
    TavNMiSysSet& fallback = open(registry);
    EXPECT_FALSE(fallback.autorunOn());
    click();
    EXPECT_TRUE(fallback.autorunOn());
    EXPECT_EQ(shown(ScratchAutorunRegistry::read(scratch.registry().user)), kQuoted);

    registry.user = refusing;
    TavNMiSysSet& neither = open(registry);
    click();
    EXPECT_FALSE(neither.autorunOn());
    EXPECT_EQ(greenInBox(), 0);
}

// The page with the option on, saved as "settings_page.png" beside the test for a person to look at.
TEST_F(SettingsPageTest, ScreenshotOfThePage) {
    ASSERT_TRUE(ScratchAutorunRegistry::put(scratch.registry().machine, kQuoted));
    open(scratch.registry());
    EXPECT_TRUE(saveWindowPng(host, L"settings_page.png"));
}

} // namespace
