// Real input: xdotool, started as a Unix program through Wine's "start /unix", clicks a message
// box button with the X server's pointer; keys typed into the prompt go through the system's
// input queue.
// The screen is saved as "screenshots\widgets_screen_box.png" while the box is up.
#include "widgets_support.h"

#include "ScreenCapture.h"
#include "TavNoteMessageBox.h"
#include "TavNoteNewName.h"
#include "UnixTools.h"

using namespace widgettest;
using unixtools::startXdotool;

namespace {

bool saveScreen(const std::wstring& name) {
    std::wstring folder = exeFolder() + L"screenshots\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return saveScreenPng(folder + name);
}

} // namespace

TEST(WidgetInput, PointerClickOnNoAnswersSeven) {
    REQUIRE_TOOL(L"/usr/bin/xdotool");
    TavNoteMessageBox box(12, L"存在同名文件，是否覆盖？", L"TavNote");
    box.setIcon(L"TavNote.png");
    HANDLE process = nullptr;
    bool shot = false;
    ModalDriver driver({[&] {
                           if (!box.handle() || !IsWindowVisible(box.handle())) return false;
                           shot = saveScreen(L"widgets_screen_box.png");
                           RECT r{};
                           GetWindowRect(box.button(kNoteNoId)->handle(), &r);
                           int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
                           process = startXdotool(L"mousemove " + std::to_wstring(x) + L" " +
                                                  std::to_wstring(y) + L" sleep 0.2 click 1");
                           return true;
                       }},
                       1000);
    INT_PTR result = box.runModal(nullptr);
    EXPECT_NE(process, nullptr);
    unixtools::finishUnix(process);
    EXPECT_FALSE(driver.abandoned());
    EXPECT_EQ(result, 7);
    EXPECT_TRUE(shot);
}

// Keys through the system's input queue (SendInput): the dialog manager turns Return into OK
// and the field gets the characters.
TEST(WidgetInput, TypedNameAndEnterAcceptThePrompt) {
    TavNoteNewName prompt(L"新建分组...", 300, 120);
    UINT sent = 0;
    ModalDriver driver({[&] {
                           if (!prompt.handle() || !IsWindowVisible(prompt.handle())) return false;
                           std::vector<INPUT> inputs;
                           auto add = [&inputs](WORD vk, wchar_t ch) {
                               for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
                                   INPUT in{};
                                   in.type = INPUT_KEYBOARD;
                                   in.ki.wVk = vk;
                                   in.ki.wScan = ch;
                                   in.ki.dwFlags = up | (ch ? KEYEVENTF_UNICODE : 0);
                                   inputs.push_back(in);
                               }
                           };
                           for (wchar_t ch : std::wstring(L"组Group1")) add(0, ch);
                           add(VK_BACK, 0);
                           add(VK_RETURN, 0);
                           sent = SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
                           return true;
                       }},
                       1000);
    INT_PTR result = prompt.runModal(nullptr);
    EXPECT_GT(sent, 0u);
    EXPECT_FALSE(driver.abandoned());
    EXPECT_EQ(result, 1);
    EXPECT_EQ(prompt.name(), L"组Group");
}
