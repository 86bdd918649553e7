// The captioned frame without modal runs where possible: its window and controls, closing
// without a modal run, and the user background image copied into "CapNote\<id>\".
#include "widgets_support.h"

#include "AppPaths.h"
#include "FileDialogs.h"
#include "ImageFiles.h"
#include "Settings.h"
#include "TavNoteMessageBox.h"

using namespace widgettest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

// A small solid picture file.
std::wstring writePicture(const std::wstring& folder, const std::wstring& name, uint32_t argb) {
    CreateDirectoryW(folder.c_str(), nullptr);
    Gdiplus::Bitmap bitmap(8, 8, PixelFormat32bppARGB);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(argb));
    std::wstring path = folder + name;
    EXPECT_TRUE(saveBitmapPng(bitmap, path));
    return path;
}

std::string readAll(const std::wstring& path) {
    std::string bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(f, buffer, sizeof(buffer), &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(f);
    return bytes;
}

// A caption whose overwrite question is answered from the test.
class AnsweringCaption : public TavNoteCaption {
public:
    using TavNoteCaption::TavNoteCaption;
    int answer = kNoteResultNo;
    int asked = 0;
    int askOverwrite() override {
        ++asked;
        return answer;
    }
};

uint32_t middlePixel(const TavNoteCaption& c) {
    const TavMemDC& bg = c.background();
    return bg ? bg.at(bg.width() / 2, bg.height() * 2 / 3) : 0;
}

class CaptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = testFolder() + L"pictures\\";
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    void TearDown() override {
        setDialogSeam(TavDialogSeam{});
        pump();
    }
    std::wstring folder;
};

} // namespace

TEST_F(CaptionTest, WindowTakesItsSizeAndControls) {
    TavNoteMessageBox box(14, L"便签内容已修改，是否保存？", L"TavNote", 300, 120);
    ASSERT_TRUE(box.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 10, 10, nullptr));
    RECT r{};
    GetWindowRect(box.handle(), &r);
    EXPECT_EQ(r.right - r.left, 306);
    EXPECT_EQ(r.bottom - r.top, 126);
    EXPECT_TRUE(GetWindowLongW(box.handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    // Only the type's buttons exist; every one is a child placed by the layout table.
    EXPECT_EQ(box.button(kNoteOkId)->handle(), nullptr);
    for (const TavPlacedButton& p : layoutBoxButtons(14, SIZE{306, 126}, box.metrics())) {
        TavNoteBt* b = box.button(p.controlId);
        ASSERT_NE(b->handle(), nullptr) << p.controlId;
        RECT br{};
        GetWindowRect(b->handle(), &br);
        MapWindowPoints(nullptr, box.handle(), reinterpret_cast<POINT*>(&br), 2);
        EXPECT_TRUE(EqualRect(&br, &p.rect)) << p.controlId;
        EXPECT_EQ(b->objectId(), p.controlId);
    }
    ASSERT_NE(box.closeButton().handle(), nullptr);
    EXPECT_EQ(box.closeButton().objectId(), kNoteCloseId);
    EXPECT_EQ(box.closeButton().image(), L"close.png");
    // The white background with the message drawn into it.
    EXPECT_EQ(middlePixel(box), kWhite);
    const TavMemDC& bg = box.background();
    RECT text = messageTextRect(SIZE{306, 126}, box.metrics());
    int ink = 0;
    for (int y = text.top; y < text.top + 20; ++y)
        for (int x = text.left; x < text.left + 200; ++x) ink += bg.at(x, y) != kWhite;
    EXPECT_GT(ink, 20);
}

TEST_F(CaptionTest, CloseWithoutModalRunDestroysTheWindow) {
    TavNoteCaption caption(L"提醒", 300, 200);
    ASSERT_TRUE(caption.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 10, 10, nullptr));
    HWND window = caption.handle();
    SendMessageW(caption.closeButton().handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(caption.closeButton().handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(caption.lastResult(), kNoteResultCancel);
    pump();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(caption.handle(), nullptr);
}

TEST_F(CaptionTest, BackgroundImageIsCopiedAndOverwrittenOnlyOnYes) {
    AnsweringCaption caption(L"模板编辑", 300, 200);
    ASSERT_TRUE(caption.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 10, 10, nullptr));
    const std::wstring red = writePicture(folder + L"a\\", L"pic.png", kRed);
    const std::wstring blue = writePicture(folder + L"b\\", L"pic.png", kBlue);
    const std::wstring target = capNoteFolder(caption.objectId()) + L"pic.png";
    EXPECT_EQ(middlePixel(caption), kWhite);

    ASSERT_TRUE(caption.setBackgroundImage(red));
    EXPECT_EQ(caption.backgroundImage(), L"pic.png");
    EXPECT_EQ(readAll(target), readAll(red));
    EXPECT_EQ(middlePixel(caption), kRed);
    EXPECT_EQ(caption.asked, 0);

    struct Step {
        const char* what;
        int answer;
        bool changed;
        const std::wstring& expectedFile;
        uint32_t expectedPixel;
    };
    const Step steps[] = {
        {"No keeps the old file", kNoteResultNo, false, red, kRed},
        {"Cancel keeps the old file", kNoteResultCancel, false, red, kRed},
        {"Yes replaces it", kNoteResultYes, true, blue, kBlue},
    };
    int asks = 0;
    for (const Step& s : steps) {
        caption.answer = s.answer;
        EXPECT_EQ(caption.setBackgroundImage(blue), s.changed) << s.what;
        EXPECT_EQ(caption.asked, ++asks) << s.what;
        EXPECT_EQ(readAll(target), readAll(s.expectedFile)) << s.what;
        EXPECT_EQ(middlePixel(caption), s.expectedPixel) << s.what;
    }

    // The folder's own file chosen again: nothing to copy, nothing to ask.
    EXPECT_TRUE(caption.setBackgroundImage(target));
    EXPECT_EQ(caption.asked, asks);
    // A missing file changes nothing.
    EXPECT_FALSE(caption.setBackgroundImage(folder + L"missing.png"));
    EXPECT_EQ(caption.backgroundImage(), L"pic.png");
}

TEST_F(CaptionTest, DamagedPictureLeavesTheWhiteBackground) {
    AnsweringCaption caption(L"模板编辑", 300, 200);
    ASSERT_TRUE(caption.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 10, 10, nullptr));
    std::wstring bad = folder + L"bad.png";
    HANDLE f = CreateFileW(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(f, "\x89PNG not really", 15, &n, nullptr);
    CloseHandle(f);
    EXPECT_TRUE(caption.setBackgroundImage(bad));
    EXPECT_EQ(middlePixel(caption), kWhite);
}

TEST_F(CaptionTest, ChoosingAPictureGoesThroughTheFileDialog) {
    AnsweringCaption caption(L"模板编辑", 300, 200);
    ASSERT_TRUE(caption.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 10, 10, nullptr));
    std::wstring picture = writePicture(folder + L"c\\", L"背景.png", kBlue);
    std::wstring filterSeen;
    std::wstring answer;
    TavDialogSeam seam;
    seam.open = [&](HWND, const wchar_t* filter) {
        filterSeen.clear();
        // The filter is a list of NUL-terminated strings ending in an empty one.
        for (const wchar_t* p = filter; *p; p += wcslen(p) + 1) filterSeen += std::wstring(p) + L"|";
        return TavFileChoice{answer, answer.empty() ? L"" : L"背景.png"};
    };
    setDialogSeam(seam);

    caption.chooseBackgroundImage(); // cancelled
    EXPECT_TRUE(caption.backgroundImage().empty());
    EXPECT_EQ(filterSeen, L"png gif jpg bmp 格式文件|*.PNG;*.gif;*.jpg;*.bmp|");

    answer = picture;
    caption.chooseBackgroundImage();
    EXPECT_EQ(caption.backgroundImage(), L"背景.png");
    EXPECT_EQ(middlePixel(caption), kBlue);
}

// The default overwrite question is the type 12 box over the window; No abandons the change.
TEST_F(CaptionTest, OverwriteQuestionIsAYesNoBox) {
    TavNoteCaption caption(L"模板编辑", 300, 200);
    ASSERT_TRUE(caption.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 10, 10, nullptr));
    std::wstring first = writePicture(folder + L"d\\", L"same.png", kRed);
    std::wstring second = writePicture(folder + L"e\\", L"same.png", kBlue);
    ASSERT_TRUE(caption.setBackgroundImage(first));

    int type = 0;
    std::wstring message;
    ModalDriver driver({[&] {
        auto* box = findOpen<TavNoteMessageBox>();
        if (!box || !box->handle() || !IsWindowVisible(box->handle())) return false;
        type = box->type();
        message = box->message();
        clickWindow(box->button(kNoteNoId)->handle());
        return true;
    }});
    EXPECT_FALSE(caption.setBackgroundImage(second));
    EXPECT_FALSE(driver.abandoned());
    EXPECT_EQ(type, 12);
    EXPECT_EQ(message, L"存在同名文件，是否覆盖？");
    EXPECT_EQ(middlePixel(caption), kRed);
}

TEST_F(CaptionTest, CaptionBarDragsTheWindowAndTheBodyDoesNot) {
    TavNoteCaption caption(L"提醒", 300, 120);
    ASSERT_TRUE(caption.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 200, 150, 10, 10, nullptr));
    caption.show(SW_SHOWNA);
    HWND h = caption.handle();
    struct Case {
        const char* what;
        POINT press; // client coordinates
        POINT moveBy;
        POINT expectedTopLeft;
    };
    const Case cases[] = {
        {"caption bar", {100, 10}, {30, 20}, {230, 170}},
        {"border above the bar", {100, 1}, {-10, 5}, {220, 175}},
        {"body", {100, 80}, {40, 40}, {220, 175}},
    };
    for (const Case& c : cases) {
        LPARAM from = MAKELPARAM(c.press.x, c.press.y);
        LPARAM to = MAKELPARAM(c.press.x + c.moveBy.x, c.press.y + c.moveBy.y);
        SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, from);
        SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, to);
        SendMessageW(h, WM_LBUTTONUP, 0, to);
        RECT r{};
        GetWindowRect(h, &r);
        EXPECT_EQ(r.left, c.expectedTopLeft.x) << c.what;
        EXPECT_EQ(r.top, c.expectedTopLeft.y) << c.what;
        EXPECT_EQ(r.right - r.left, 306) << c.what; // moved, never resized
    }
}

TEST_F(CaptionTest, NoteButtonsShowTheirStates) {
    TavNoteCaption caption(L"按钮", 300, 120);
    ASSERT_TRUE(caption.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 10, 10, nullptr));
    TavNoteBt text(L"确定");
    ASSERT_TRUE(text.createChild(caption.handle(), kNoteOkId, RECT{10, 40, 58, 63}));
    const uint32_t accent = settings().borderMenuColor | 0xFF000000u;
    struct Case {
        const char* what;
        UINT message;
        uint32_t face; // a pixel of the face away from the label
        uint32_t frame;
    };
    const uint32_t restingFrame = TavNoteBt::lookFor(false, false, accent, false).frame;
    const Case cases[] = {
        {"normal", 0, 0xFFFFFFFF, restingFrame},
        {"hot", WM_MOUSEHOVER, TavNoteBt::lookFor(true, false, accent, false).face, accent},
        {"pressed", WM_LBUTTONDOWN, accent, accent},
    };
    for (const Case& c : cases) {
        if (c.message) SendMessageW(text.handle(), c.message, MK_LBUTTON, MAKELPARAM(5, 5));
        TavMemDC look = text.renderSelf();
        ASSERT_TRUE(look.ok()) << c.what;
        EXPECT_EQ(look.at(2, 2), premultiply(c.face)) << c.what;
        EXPECT_EQ(look.at(0, 0), premultiply(c.frame)) << c.what;
    }
    EXPECT_NE(restingFrame, 0xFFFFFFFFu); // a text button at rest still shows its edge
    EXPECT_NE(TavNoteBt::lookFor(true, false, accent, false).face, 0xFFFFFFFFu);
    SendMessageW(text.handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ReleaseCapture();
    TavWnd::setFocusedWindow(nullptr);
}

// The message wraps inside its box, which ends inside the window: nothing is cut off at the edge.
TEST_F(CaptionTest, MessageWrapsInsideTheWindow) {
    struct Case {
        const char* what;
        const wchar_t* message;
        int width;
        int lines;
    };
    const Case cases[] = {
        {"one short line", L"确定要删除这个便签吗？", 300, 1},
        {"a line break of its own", L"   没有具体的分钟标签，提醒设置不能生效，\r\n确定要关闭吗？", 300, 2},
        {"a long message wraps",
         L"这是一条很长的提示信息，用来检查文字是否会在窗口内自动换行而不是被截断。换行后每一行都应完整显示"
         L"。",
         300, 3},
        {"the narrow box wraps earlier", L"模板已添加！模板已添加！模板已添加！", 240, 2},
    };
    for (const Case& c : cases) {
        TavNoteMessageBox box(3, c.message, L"TavNote", c.width, 120);
        ASSERT_TRUE(box.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 10, 10, nullptr));
        const TavMemDC& bg = box.background();
        ASSERT_TRUE(bg.ok());
        RECT text = messageTextRect(box.windowSize(), box.metrics());
        // Rows with ink, grouped into lines separated by blank rows.
        int lines = 0, inkOutside = 0;
        bool previousInk = false;
        for (int y = text.top; y < text.bottom; ++y) {
            bool ink = false;
            for (int x = 0; x < bg.width(); ++x) {
                bool dark = (bg.at(x, y) & 0xFF) < 160; // the text is black on white
                if (x >= text.left && x < text.right)
                    ink |= dark;
                else if (x > 3 && x < bg.width() - 3)
                    inkOutside += dark;
            }
            if (ink && !previousInk) ++lines;
            previousInk = ink;
        }
        EXPECT_EQ(lines, c.lines) << c.what;
        EXPECT_EQ(inkOutside, 0) << c.what;
    }
}

TEST_F(CaptionTest, ModelessWindowOpensOverItsParentAndClosesItself) {
    TavNoteCaption parent(L"便签", 400, 300);
    ASSERT_TRUE(parent.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 100, 80, 10, 10, nullptr));
    parent.show(SW_SHOWNA);
    TavNoteCaption caption(L"提醒", 200, 100);
    ASSERT_TRUE(caption.createModeless(parent.handle()));
    HWND window = caption.handle();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(caption.isModal());
    RECT r{};
    GetWindowRect(window, &r);
    // Parent 406 x 306 at (100, 80); the window 206 x 106 in its middle.
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 180);
    caption.onControl(kNoteCloseId);
    EXPECT_EQ(caption.lastResult(), kNoteResultCancel);
    pump();
    EXPECT_FALSE(IsWindow(window));
}

// The caption keeps its composed image between redraws; a new title or size shows at once.
TEST_F(CaptionTest, KeptImageFollowsTheTitleAndTheSize) {
    TavNoteCaption caption(L"提醒", 300, 120);
    ASSERT_TRUE(caption.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 200, 150, 10, 10, nullptr));
    caption.show(SW_SHOWNA);
    std::vector<uint32_t> first, again, retitled;
    auto read = [&](std::vector<uint32_t>& into) {
        ASSERT_TRUE(caption.redrawAll());
        const TavMemDC& buffer = caption.backBuffer();
        for (int y = 0; y < caption.captionHeight(); ++y)
            for (int x = 0; x < buffer.width(); ++x) into.push_back(buffer.at(x, y));
    };
    read(first);
    read(again);
    EXPECT_EQ(first, again);
    caption.setTitle(L"一个长得多的新标题");
    read(retitled);
    EXPECT_NE(first, retitled);
    caption.setTitle(L"提醒");
    std::vector<uint32_t> back;
    read(back);
    EXPECT_EQ(first, back);
    SetWindowPos(caption.handle(), nullptr, 0, 0, 360, 140, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(caption.redrawAll());
    EXPECT_EQ(caption.backBuffer().width(), 360);
    // The right border is drawn at the new edge, not left at the old one.
    EXPECT_EQ(caption.backBuffer().at(359, 60), caption.backBuffer().at(0, 60));
}
