// The message box and the name prompt in real modal runs, driven from a thread timer: buttons
// clicked with posted mouse messages, the answers returned, the nested "名字不能为空！" box, the
// hooks, placement, and a screenshot of every box type.
#include "widgets_support.h"

#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "TavNoteMessageBox.h"
#include "TavNoteNewName.h"

using namespace widgettest;

namespace {

RECT windowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

// The box's composed picture (its back buffer) as a PNG beside the test executable.
bool saveScreenshot(TavNoteCaption& box, const std::wstring& name) {
    const TavMemDC& buffer = box.backBuffer();
    if (!buffer) return false;
    std::wstring folder = exeFolder() + L"screenshots\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    TavGpBitmap bitmap = dcToBitmap(box.handle(), buffer.dc(), buffer.width(), buffer.height());
    return bitmap && saveBitmapPng(*bitmap, folder + name);
}

std::vector<int> screenOrder(TavNoteMessageBox& box) {
    std::vector<std::pair<LONG, int>> found;
    for (int id : {kNoteOkId, kNoteCancelId, kNoteYesId, kNoteNoId}) {
        TavNoteBt* b = box.button(id);
        if (b && b->handle() && IsWindowVisible(b->handle()))
            found.push_back({windowRect(b->handle()).left, id});
    }
    std::sort(found.begin(), found.end());
    std::vector<int> ids;
    for (auto& f : found) ids.push_back(f.second);
    return ids;
}

// A visible top-level window to run dialogs over.
class ParentWnd : public TavWnd {
public:
    TavMemDC renderSelf() override {
        RECT rc{};
        GetClientRect(handle(), &rc);
        return createMemoryDC(handle(), rc.right, rc.bottom, 0xFF4060A0);
    }
};

} // namespace

// Each case is one modal run whose button is clicked with a posted press and release. The
// first run of each type also checks the buttons on the screen and saves a screenshot.
TEST(MessageBoxRun, EachButtonReturnsItsAnswer) {
    struct Case {
        int type;
        const wchar_t* message;
        int click; // control id clicked
        INT_PTR expected;
        std::vector<int> order;    // buttons left to right, checked while the box is up
        const wchar_t* screenshot; // saved when set
    };
    const std::vector<int> okOnly{kNoteOkId}, okCancel{kNoteOkId, kNoteCancelId},
        yesNo{kNoteYesId, kNoteNoId}, yesNoCancel{kNoteYesId, kNoteNoId, kNoteCancelId};
    const Case cases[] = {
        {1, L"模板已添加！", kNoteOkId, 1, okOnly, L"msgbox_type1.png"},
        {1, L"名字不能为空！", kNoteCloseId, 2, okOnly, nullptr},
        {2, L"操作已取消。", kNoteCancelId, 2, {kNoteCancelId}, L"msgbox_type2.png"},
        {3, L"确定要删除这个便签吗？", kNoteOkId, 1, okCancel, L"msgbox_type3.png"},
        {3, L"确定要删除这个便签吗？", kNoteCancelId, 2, okCancel, nullptr},
        {4, L"提醒已设置。", kNoteYesId, 6, {kNoteYesId}, L"msgbox_type4.png"},
        {12, L"存在同名文件，是否覆盖？", kNoteYesId, 6, yesNo, L"msgbox_type12.png"},
        {12, L"存在同名文件，是否覆盖？", kNoteNoId, 7, yesNo, nullptr},
        {14, L"便签内容已修改，是否保存？", kNoteYesId, 6, yesNoCancel, L"msgbox_type14.png"},
        {14, L"便签内容已修改，是否保存？", kNoteNoId, 7, yesNoCancel, nullptr},
        {14, L"便签内容已修改，是否保存？", kNoteCancelId, 2, yesNoCancel, nullptr},
        {14, L"便签内容已修改，是否保存？", kNoteCloseId, 2, yesNoCancel, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << ", click " << c.click);
        TavNoteMessageBox box(c.type, c.message, L"TavNote", 300, 120);
        box.setIcon(L"TavNote.png");
        std::vector<int> seenOrder;
        bool saved = c.screenshot == nullptr;
        ModalDriver driver({
            [&] {
                if (!box.handle() || !IsWindowVisible(box.handle())) return false;
                seenOrder = screenOrder(box);
                if (c.screenshot) saved = saveScreenshot(box, c.screenshot);
                HWND target =
                    c.click == kNoteCloseId ? box.closeButton().handle() : box.button(c.click)->handle();
                clickWindow(target);
                return true;
            },
        });
        INT_PTR result = box.runModal(nullptr);
        EXPECT_FALSE(driver.abandoned());
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(box.lastResult(), c.expected);
        EXPECT_EQ(seenOrder, c.order);
        EXPECT_TRUE(saved);
        EXPECT_FALSE(box.isModal());
        EXPECT_EQ(box.handle(), nullptr);
    }
}

TEST(MessageBoxRun, EnterAnswersWithTheLeftmostButtonAndEscapeCancels) {
    struct Case {
        int type;
        WPARAM key;
        INT_PTR expected;
    };
    // Keys go to the window with the keyboard focus, which must be the box for its dialog
    // manager to turn them into commands.
    const Case cases[] = {{12, VK_RETURN, 6}, {3, VK_RETURN, 1}, {14, VK_RETURN, 6}, {12, VK_ESCAPE, 2}};
    for (const Case& c : cases) {
        TavNoteMessageBox box(c.type, L"确定要关闭吗？", L"TavNote");
        HWND focus = nullptr;
        ModalDriver driver({[&] {
            if (!box.handle()) return false;
            focus = GetFocus();
            PostMessageW(focus, WM_KEYDOWN, c.key, 1);
            return true;
        }});
        EXPECT_EQ(box.runModal(nullptr), c.expected) << "type " << c.type << " key " << c.key;
        EXPECT_NE(focus, nullptr);
    }
}

TEST(MessageBoxRun, OpensInTheMiddleOfItsParentOrOfTheScreen) {
    ParentWnd parent;
    ASSERT_TRUE(
        parent.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 100, 120, 500, 400, nullptr));
    parent.show(SW_SHOWNA);
    if (parent.redrawAll()) parent.present();

    struct Case {
        const char* what;
        HWND over;
        bool prompt;
        POINT expected;
    };
    // The program's main window is a hidden one: a box over it belongs in the screen's middle.
    ParentWnd hidden;
    ASSERT_TRUE(hidden.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 40, 30, nullptr));
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    const Case cases[] = {
        {"message box without a parent: the screen's middle",
         nullptr,
         false,
         {(sw - 306) / 2, (sh - 126) / 2}},
        {"message box over a hidden parent: the screen's middle",
         hidden.handle(),
         false,
         {(sw - 306) / 2, (sh - 126) / 2}},
        {"message box over the parent: its middle", parent.handle(), false, {100 + 97, 120 + 137}},
        {"name prompt over the parent: one third down", parent.handle(), true, {100 + 97, 120 + 91}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TavNoteCaption> box;
        if (c.prompt)
            box = std::make_unique<TavNoteNewName>(L"新建分组...", 300, 120);
        else
            box = std::make_unique<TavNoteMessageBox>(1, L"软件已经启动了！", L"TavNote");
        RECT seen{};
        ModalDriver driver({[&] {
            if (!box->handle() || !IsWindowVisible(box->handle())) return false;
            seen = windowRect(box->handle());
            PostMessageW(box->handle(), WM_COMMAND, IDCANCEL, 0);
            return true;
        }});
        box->runModal(c.over);
        EXPECT_EQ(seen.left, c.expected.x) << c.what;
        EXPECT_EQ(seen.top, c.expected.y) << c.what;
        EXPECT_EQ(seen.right - seen.left, 306) << c.what;
        EXPECT_EQ(seen.bottom - seen.top, 126) << c.what;
    }
}

namespace {

// A prompt whose hooks record their calls; the validate hook answers from a script.
class RecordingPrompt : public TavNoteNewName {
public:
    using TavNoteNewName::TavNoteNewName;
    std::vector<std::wstring> calls;
    std::vector<int> answers; // validate answers in turn; 1 when used up

    int validateName(const std::wstring& name) override {
        calls.push_back(L"validate:" + name);
        int answer = answers.empty() ? 1 : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return answer;
    }
    void commitName(const std::wstring& name) override { calls.push_back(L"commit:" + name); }
};

void typeInto(HWND window, const std::wstring& text) {
    for (wchar_t ch : text) PostMessageW(window, WM_CHAR, ch, 1);
}

} // namespace

TEST(NamePromptRun, EmptyNameIsRefusedThenHooksDecide) {
    RecordingPrompt prompt(L"新建分组...", 300, 120);
    prompt.setIcon(L"TavNote.png");
    prompt.answers = {0}; // the first name is refused by the validate hook
    std::wstring nestedMessage, nestedTitle;
    int nestedType = 0;
    bool promptStayed = false, fieldStayedEmpty = false, promptShot = false, emptyShot = false;
    TavNoteMessageBox* nested = nullptr;
    ModalDriver driver({
        // Up, with the field focused: press OK with nothing typed.
        [&] {
            if (!prompt.handle() || !IsWindowVisible(prompt.handle())) return false;
            EXPECT_EQ(TavWnd::focusedWindow(), &prompt.edit());
            clickWindow(prompt.okButton().handle());
            return true;
        },
        // The type 1 message box comes up over the prompt.
        [&] {
            nested = findOpen<TavNoteMessageBox>(&prompt);
            if (!nested || !nested->handle() || !IsWindowVisible(nested->handle())) return false;
            nestedMessage = nested->message();
            nestedTitle = nested->title();
            nestedType = nested->type();
            promptStayed = prompt.handle() && IsWindowVisible(prompt.handle());
            fieldStayedEmpty = prompt.edit().text().empty();
            emptyShot = saveScreenshot(*nested, L"nameprompt_empty.png");
            clickWindow(nested->button(kNoteOkId)->handle());
            return true;
        },
        // Back in the prompt: type a name and press OK (refused by the hook), then again.
        [&] {
            if (findOpen<TavNoteMessageBox>(&prompt)) return false;
            typeInto(prompt.edit().handle(), L"工作笔记");
            return true;
        },
        [&] {
            if (prompt.edit().text() != L"工作笔记") return false;
            promptShot = saveScreenshot(prompt, L"nameprompt.png");
            clickWindow(prompt.okButton().handle());
            return true;
        },
        [&] {
            if (prompt.calls.empty()) return false;
            clickWindow(prompt.okButton().handle());
            return true;
        },
    });
    INT_PTR result = prompt.runModal(nullptr);
    EXPECT_FALSE(driver.abandoned());
    EXPECT_EQ(nestedMessage, L"名字不能为空！");
    EXPECT_EQ(nestedTitle, L"TavNote");
    EXPECT_EQ(nestedType, 1);
    EXPECT_TRUE(promptStayed);
    EXPECT_TRUE(fieldStayedEmpty);
    EXPECT_TRUE(promptShot);
    EXPECT_TRUE(emptyShot);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(prompt.name(), L"工作笔记");
    const std::vector<std::wstring> expectedCalls{L"validate:工作笔记", L"validate:工作笔记",
                                                  L"commit:工作笔记"};
    EXPECT_EQ(prompt.calls, expectedCalls);
}

TEST(NamePromptRun, ButtonsAndKeysAnswer) {
    enum Action { kClickCancel, kClickClose, kKeyEscape, kKeyEnter };
    struct Case {
        const char* what;
        std::wstring typed;
        Action action;
        INT_PTR expected;
        std::vector<std::wstring> calls;
    };
    const Case cases[] = {
        {"cancel after typing", L"分组", kClickCancel, 2, {}},
        {"close button", L"分组", kClickClose, 2, {}},
        {"escape key", L"分组", kKeyEscape, 2, {}},
        {"enter key goes through the hooks", L"分组", kKeyEnter, 1, {L"validate:分组", L"commit:分组"}},
    };
    for (const Case& c : cases) {
        RecordingPrompt prompt(L"重命名...", 300, 120);
        ModalDriver driver({
            [&] {
                if (!prompt.handle()) return false;
                typeInto(prompt.edit().handle(), c.typed);
                return true;
            },
            [&] {
                if (prompt.edit().text() != c.typed) return false;
                HWND edit = prompt.edit().handle();
                switch (c.action) {
                case kClickCancel:
                    clickWindow(prompt.cancelButton().handle());
                    break;
                case kClickClose:
                    clickWindow(prompt.closeButton().handle());
                    break;
                case kKeyEscape:
                    PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
                    break;
                case kKeyEnter:
                    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
                    break;
                }
                return true;
            },
        });
        EXPECT_EQ(prompt.runModal(nullptr), c.expected) << c.what;
        EXPECT_FALSE(driver.abandoned()) << c.what;
        EXPECT_EQ(prompt.calls, c.calls) << c.what;
        EXPECT_EQ(prompt.name(), c.expected == 1 ? c.typed : L"") << c.what;
    }
}

namespace {

class SilentBlankPrompt : public RecordingPrompt {
public:
    using RecordingPrompt::RecordingPrompt;
    int reports = 0;
    void reportEmptyName() override { ++reports; }
};

} // namespace

TEST(NamePromptWindow, SpacesOnlyCountAsAnEmptyName) {
    SilentBlankPrompt prompt(L"新建分组...", 300, 120);
    ASSERT_TRUE(prompt.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 10, 10, nullptr));
    prompt.edit().setText(L"   ");
    prompt.onControl(kNoteOkId);
    EXPECT_EQ(prompt.reports, 1);
    EXPECT_TRUE(prompt.calls.empty());
    prompt.edit().setText(L" a ");
    prompt.onControl(kNoteOkId);
    EXPECT_EQ(prompt.reports, 1);
    EXPECT_EQ(prompt.name(), L" a ");
    pump();
}
