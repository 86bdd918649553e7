// The note window with real windows: start-up from a prepared note file, drawing, moving and
// resizing, the placement toggles, the note messages and deleting after confirmation.
#include "notewin_support.h"

#include <functional>

#include "AppState.h"
#include "FileDialogs.h"
#include "ImageFiles.h"
#include "GdiOwners.h"
#include "Settings.h"
#include "TavNoteItem.h"
#include "UniqueName.h"

using namespace notewin;

namespace {

// Stands in for the main window: records what the notes send it.
class MainRecorder : public TavWnd {
public:
    std::vector<std::pair<UINT, WPARAM>> received;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kNoteMsgDelete || message == kTavMsgCommand) received.emplace_back(message, wParam);
        return TavWnd::windowProc(message, wParam, lParam);
    }
};

class NoteItemTest : public NoteWindowTest {
protected:
    void SetUp() override {
        NoteWindowTest::SetUp();
        ASSERT_TRUE(main_.create(0, L"", WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, 0, 0, nullptr));
        appState().mainWindow = main_.handle();
    }
    void TearDown() override {
        appState().mainWindow = nullptr;
        setDialogSeam(TavDialogSeam{});
        NoteWindowTest::TearDown();
    }
    // Opens the note of a prepared folder as the main window would.
    std::unique_ptr<TavNoteItem> open(const std::wstring& unique, int id = 0) {
        auto note = std::make_unique<TavNoteItem>(unique);
        EXPECT_TRUE(
            note->create(id, L"", TavNoteItem::kExStyle, TavNoteItem::kStyle, 768, 192, 180, 180, nullptr));
        pump();
        return note;
    }
    static RECT rectOf(HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        return r;
    }
    MainRecorder main_;
};

TEST_F(NoteItemTest, OpensAtItsStoredPlaceWithItsOpacityAndShows) {
    TavNoteStore file = prepareNote(L"20261207043355123_01", 123456, RECT{200, 150, 440, 330});
    file.SaveAlpha(128);
    auto note = open(L"20261207043355123_01");
    RECT r = rectOf(note->handle());
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 150);
    EXPECT_EQ(r.right, 440);
    EXPECT_EQ(r.bottom, 330);
    EXPECT_EQ(note->opacity(), 128);
    EXPECT_TRUE(IsWindowVisible(note->handle()));
    EXPECT_EQ(TavNoteItem::findByUnique(L"20261207043355123_01"), note.get());
    // The bottom label spans the note's width at its bottom.
    RECT label = rectOf(note->label().handle());
    EXPECT_EQ(label.top, 330 - 24);
    EXPECT_EQ(label.right - label.left, 240);
    EXPECT_EQ(
        SendMessageW(note->label().handle(), WM_NCHITTEST, 0, MAKELPARAM(label.left + 2, label.top + 2)),
        HTTRANSPARENT);
    note.reset();
    EXPECT_EQ(TavNoteItem::findByUnique(L"20261207043355123_01"), nullptr);
}

TEST_F(NoteItemTest, ANewNoteGetsANameAFileAndItsRectangle) {
    auto note = open(L"");
    ASSERT_FALSE(note->unique().empty());
    EXPECT_TRUE(pathExists(note->store().GetFilePath()));
    EXPECT_EQ(noteElement(note->store(), L"ID"), std::to_wstring(note->objectId()));
    EXPECT_EQ(noteElement(note->store(), L"left"), L"768");
    EXPECT_EQ(noteElement(note->store(), L"bottom"), L"372");
}

TEST_F(NoteItemTest, BackgroundIsNearWhiteAtTheOpacityWithTheGripInTheCorner) {
    prepareNote(L"n1", 0, RECT{100, 100, 280, 280}).SaveAlpha(255);
    auto note = open(L"n1");
    struct Case {
        int alpha;
    } cases[] = {{255}, {128}};
    for (const Case& c : cases) {
        note->setOpacity(c.alpha);
        TavMemDC image = note->renderSelf();
        ASSERT_TRUE(image.ok());
        uint32_t middle = image.at(90, 90);
        EXPECT_NEAR(int(middle >> 24), 254 * c.alpha / 255, 1) << c.alpha;
        // A grip dot at (-2, -2) from the corner, in the accent color at the clamped alpha.
        uint32_t dot = image.at(180 - 4, 180 - 4);
        EXPECT_EQ(int(dot >> 24), gripAlpha(c.alpha)) << c.alpha;
        // Between the dots the corner keeps the note's surface; no pixel of the corner is clear.
        for (int y = 170; y < 180; ++y)
            for (int x = 170; x < 180; ++x) EXPECT_NE(image.at(x, y) >> 24, 0u) << x << "," << y;
    }
}

// A one-color PNG picture of the given size.
bool writePicture(const std::wstring& path, int w, int h, Gdiplus::ARGB color) {
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(color));
    return saveBitmapPng(bitmap, path);
}

TEST_F(NoteItemTest, ChosenBackgroundIsCopiedIntoTheNoteFolderAndReplacesTheOldOne) {
    TavNoteStore file = prepareNote(L"bg", 0, RECT{100, 100, 280, 280});
    file.SaveAlpha(255);
    auto note = open(L"bg");
    const std::wstring red = app_ + L"红色.png", blue = app_ + L"blue.png";
    ASSERT_TRUE(writePicture(red, 16, 16, 0xFFFF0000));
    ASSERT_TRUE(writePicture(blue, 16, 16, 0xFF0000FF));
    std::wstring answer;
    int asked = 0;
    setDialogSeam(TavDialogSeam{[&](HWND, const wchar_t*) {
        ++asked;
        return TavFileChoice{answer, answer.substr(answer.rfind(L'\\') + 1)};
    }});

    // Cancelled: nothing changes.
    answer.clear();
    SendMessageW(note->handle(), kTavMsgCommand, kCmdNoteBackground, 0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(noteElement(note->store(), L"bkimage"), L"");

    answer = red;
    SendMessageW(note->handle(), kTavMsgCommand, kCmdNoteBackground, 0);
    const std::wstring first = noteElement(note->store(), L"bkimage");
    EXPECT_EQ(first.rfind(L"bkimage_", 0), 0u) << first;
    EXPECT_EQ(first.substr(first.size() - 7), L"_红色.png");
    EXPECT_TRUE(pathExists(note->store().fileInFolder(first)));
    EXPECT_EQ(note->backgroundFile(), first);
    TavMemDC image = note->renderSelf();
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.at(90, 90), 0xFFFF0000u);

    // A second picture replaces the first, whose copy is removed; the source stays.
    SYSTEMTIME later{2031, 1, 0, 2, 3, 4, 5, 6};
    EXPECT_TRUE(note->SetBackgroundFrom(blue, later));
    const std::wstring second = noteElement(note->store(), L"bkimage");
    EXPECT_EQ(second, L"bkimage_" + uniqueTimeName(later, note->objectId()) + L"_blue.png");
    EXPECT_FALSE(pathExists(note->store().fileInFolder(first)));
    EXPECT_TRUE(pathExists(note->store().fileInFolder(second)));
    EXPECT_TRUE(pathExists(red));
    EXPECT_EQ(note->renderSelf().at(90, 90), 0xFF0000FFu);

    // A file that cannot be read leaves the background as it was.
    answer = app_ + L"missing.png";
    SendMessageW(note->handle(), kTavMsgCommand, kCmdNoteBackground, 0);
    EXPECT_EQ(noteElement(note->store(), L"bkimage"), second);

    // A file that is no picture is refused with a message: the old picture and its file stay.
    int told = 0;
    note->setDialogs({nullptr, nullptr, [&](TavNoteItem&) { ++told; }});
    answer = app_ + L"notes.png";
    ASSERT_TRUE(writeBytes(answer, "these are words, not pixels"));
    SendMessageW(note->handle(), kTavMsgCommand, kCmdNoteBackground, 0);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(noteElement(note->store(), L"bkimage"), second);
    EXPECT_TRUE(pathExists(note->store().fileInFolder(second)));
    EXPECT_EQ(note->renderSelf().at(90, 90), 0xFF0000FFu);
}

// While a block of the note has the focus, the note's own image is kept between compositions;
// every change of what it shows must still reach the composed picture (a key missing from the
// kept image's key leaves the old look).
TEST_F(NoteItemTest, TheComposedNoteFollowsEveryChangeOfItsLook) {
    prepareNote(L"look", 0, RECT{100, 100, 280, 280}).SaveAlpha(255);
    auto note = open(L"look");
    note->AddRichText(20, 20);
    ASSERT_NE(TavWnd::focusedWindow(), nullptr);
    ASSERT_EQ(GetAncestor(TavWnd::focusedWindow()->handle(), GA_ROOT), note->handle());
    const std::wstring red = app_ + L"red.png", blue = app_ + L"blue.png";
    ASSERT_TRUE(writePicture(red, 16, 16, 0xFFFF0000));
    ASSERT_TRUE(writePicture(blue, 16, 16, 0xFF0000FF));
    auto composed = [&](int x, int y) {
        note->Redraw();
        int w = 0, h = 0;
        std::vector<uint32_t> pixels = note->pictureCopy(w, h);
        return x < w && y < h ? pixels[size_t(y) * size_t(w) + size_t(x)] : 0u;
    };
    const uint32_t plain = composed(90, 90);
    EXPECT_NEAR(int(plain >> 24), 254, 1);
    EXPECT_EQ(composed(90, 90), plain); // drawn again unchanged: the kept image
    struct Step {
        const char* what;
        std::function<void()> change;
        int x, y;
        uint32_t expected; // 0: only the alpha byte is checked against `alpha`
        int alpha;
    } steps[] = {
        {"opacity", [&] { note->setOpacity(128); }, 90, 90, 0, 127},
        {"picture",
         [&] {
             note->setOpacity(255);
             ASSERT_TRUE(note->SetBackgroundFrom(red, SYSTEMTIME{2031, 1, 0, 2, 3, 4, 5, 6}));
         },
         90, 90, 0xFFFF0000u, 0},
        {"same name, new contents",
         [&] {
             ASSERT_TRUE(
                 CopyFileW(blue.c_str(), note->store().fileInFolder(note->backgroundFile()).c_str(), FALSE));
             note->SetBackgroundFile(note->backgroundFile());
         },
         90, 90, 0xFF0000FFu, 0},
        {"picture file gone",
         [&] { ASSERT_TRUE(DeleteFileW(note->store().fileInFolder(note->backgroundFile()).c_str())); }, 90,
         90, plain, 0},
        {"size",
         [&] {
             SetWindowPos(note->handle(), nullptr, 0, 0, 240, 240,
                          SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
         },
         230, 200, 0, 254},
    };
    for (const Step& step : steps) {
        step.change();
        const uint32_t pixel = composed(step.x, step.y);
        if (step.expected)
            EXPECT_EQ(pixel, step.expected) << step.what;
        else
            EXPECT_NEAR(int(pixel >> 24), step.alpha, 1) << step.what;
    }
}

TEST_F(NoteItemTest, AnExistingCopyIsReplacedOnlyWhenTheUserSaysYes) {
    prepareNote(L"bg2", 0, RECT{100, 100, 280, 280}).SaveAlpha(255);
    auto note = open(L"bg2");
    const std::wstring picture = app_ + L"p.png";
    ASSERT_TRUE(writePicture(picture, 8, 8, 0xFF00FF00));
    const SYSTEMTIME stamp{2031, 1, 0, 2, 3, 4, 5, 6};
    ASSERT_TRUE(note->SetBackgroundFrom(picture, stamp));
    const std::wstring name = noteElement(note->store(), L"bkimage");
    ASSERT_TRUE(writePicture(picture, 8, 8, 0xFF0000FF));
    struct Case {
        int answer;
        bool replaced;
    } cases[] = {{7, false}, {6, true}};
    for (const Case& c : cases) {
        int asked = 0;
        note->setDialogs({nullptr, [&](TavNoteItem&) {
                              ++asked;
                              return c.answer;
                          }});
        EXPECT_EQ(note->SetBackgroundFrom(picture, stamp), c.replaced) << c.answer;
        EXPECT_EQ(asked, 1) << c.answer;
        EXPECT_EQ(noteElement(note->store(), L"bkimage"), name) << c.answer;
        // The copy holds the new picture only after a yes.
        EXPECT_EQ(note->renderSelf().at(4, 4), c.replaced ? 0xFF0000FFu : 0xFF00FF00u) << c.answer;
    }
}

TEST_F(NoteItemTest, DragMovesFromAnywhereButResizesOnlyFromTheCorner) {
    TavNoteStore file = prepareNote(L"drag", 0, RECT{100, 100, 280, 280});
    auto note = open(L"drag");
    HWND w = note->handle();
    struct Case {
        const char* what;
        POINT press; // client point
        POINT moveBy;
        RECT expected;
    } cases[] = {
        {"middle moves", {90, 90}, {30, 40}, {130, 140, 310, 320}},
        {"bottom edge moves too", {90, 178}, {-30, -40}, {100, 100, 280, 280}},
        {"corner resizes", {176, 176}, {40, 20}, {100, 100, 320, 300}},
    };
    for (const Case& c : cases) {
        SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.press.x, c.press.y));
        SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON,
                     MAKELPARAM(c.press.x + c.moveBy.x / 2, c.press.y + c.moveBy.y / 2));
        SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(c.press.x + c.moveBy.x, c.press.y + c.moveBy.y));
        SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(c.press.x + c.moveBy.x, c.press.y + c.moveBy.y));
        pump();
        RECT r = rectOf(w);
        EXPECT_TRUE(EqualRect(&r, &c.expected))
            << c.what << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        // Written at once.
        auto stored = file.LoadGeometry();
        ASSERT_TRUE(stored.has_value());
        EXPECT_TRUE(EqualRect(&*stored, &c.expected)) << c.what;
        EXPECT_EQ(TavNoteItem::lastActive(), note.get());
    }
}

TEST_F(NoteItemTest, TopMostAndDesktopExcludeEachOtherAndAreWrittenAtOnce) {
    TavNoteStore file = prepareNote(L"place", 0, RECT{100, 100, 280, 280});
    auto note = open(L"place");
    HWND w = note->handle();
    auto topMostStyle = [&] { return (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    struct Step {
        const char* what;
        int command;
        bool topMost, toDesk;
    } steps[] = {
        {"top-most on", kCmdNoteTopMost, true, false},
        {"embed clears top-most", kCmdNoteToDesk, false, true},
        {"top-most leaves the desktop", kCmdNoteTopMost, true, false},
        {"top-most off", kCmdNoteTopMost, false, false},
        {"embed", kCmdNoteToDesk, false, true},
        {"embed off", kCmdNoteToDesk, false, false},
    };
    for (const Step& s : steps) {
        SendMessageW(w, kTavMsgCommand, s.command, 0);
        EXPECT_EQ(note->topMost(), s.topMost) << s.what;
        EXPECT_EQ(note->toDesk(), s.toDesk) << s.what;
        EXPECT_EQ(topMostStyle(), s.topMost) << s.what;
        EXPECT_EQ(file.LoadTopMost().value_or(false), s.topMost) << s.what;
        EXPECT_EQ(file.LoadToDesk().value_or(false), s.toDesk) << s.what;
    }
}

TEST_F(NoteItemTest, AFileWithBothFlagsOpensEmbeddedAndNotTopMost) {
    TavNoteStore file = prepareNote(L"both", 0, RECT{100, 100, 280, 280});
    file.SaveTopMost(true);
    file.SaveToDesk(true);
    auto note = open(L"both");
    EXPECT_TRUE(note->toDesk());
    EXPECT_FALSE(note->topMost());
    EXPECT_FALSE(GetWindowLongW(note->handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(NoteItemTest, OpacityColorAndTextPointMessages) {
    TavNoteStore file = prepareNote(L"msg", 0, RECT{100, 100, 280, 280});
    auto note = open(L"msg");
    SendMessageW(note->handle(), kNoteMsgAlphaChanged, 0, 77);
    EXPECT_EQ(note->opacity(), 77);
    EXPECT_EQ(file.LoadAlpha().value_or(-1), 77);
    SendMessageW(note->handle(), kNoteMsgAlphaChanged, 0, 900); // out of range: clamped
    EXPECT_EQ(file.LoadAlpha().value_or(-1), 255);
    SendMessageW(note->handle(), kNoteMsgColorChanged, WPARAM(0xFF112233u), 0);
    EXPECT_EQ(file.LoadColor().value_or(0), 0xFF112233u);
    EXPECT_EQ(note->currentColor(), 0xFF112233u);
    SendMessageW(note->handle(), kNoteMsgAddRichText, 0, MAKELPARAM(-5, 40));
    EXPECT_EQ(note->lastRichTextPoint().x, -5);
    EXPECT_EQ(note->lastRichTextPoint().y, 40);
}

TEST_F(NoteItemTest, DoubleClickOnEmptySpaceAddsTextThereButNotWhileSwinging) {
    prepareNote(L"dbl", 0, RECT{100, 100, 280, 280});
    auto note = open(L"dbl");
    SendMessageW(note->handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(33, 44));
    EXPECT_EQ(note->lastRichTextPoint().x, 33);
    EXPECT_EQ(note->lastRichTextPoint().y, 44);
    note->startSwing();
    SendMessageW(note->handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(70, 80));
    EXPECT_EQ(note->lastRichTextPoint().x, 33);
    note->stopSwing();
}

TEST_F(NoteItemTest, SwingTicksDrawTheTiltedPictureAndStopRestoresTheNote) {
    prepareNote(L"swing", 0, RECT{100, 100, 280, 280});
    auto note = open(L"swing");
    note->startSwing();
    // Two ticks: the counter stands at frame 2, a tilted one whose picture leaves the note's
    // top-left corner uncovered.
    SendMessageW(note->handle(), WM_TIMER, TavNoteItem::kSwingTimer, 0);
    SendMessageW(note->handle(), WM_TIMER, TavNoteItem::kSwingTimer, 0);
    EXPECT_EQ(note->swingCounter(), 2);
    TavMemDC shown = note->renderSelf();
    ASSERT_TRUE(shown.ok());
    EXPECT_EQ(shown.at(0, 0) >> 24, 0u);
    EXPECT_GT(shown.at(90, 90) >> 24, 200u);
    note->stopSwing();
    EXPECT_FALSE(note->ringing());
    TavMemDC plain = note->renderSelf();
    EXPECT_GT(plain.at(0, 0) >> 24, 200u);
}

TEST_F(NoteItemTest, DeleteAsksFirstAndOnlyOkReachesTheMainWindow) {
    prepareNote(L"del", 0, RECT{100, 100, 280, 280});
    auto note = open(L"del");
    int asked = 0;
    int answer = 2;
    note->setDialogs({[&](TavNoteItem&) {
                          ++asked;
                          return answer;
                      },
                      nullptr});
    SendMessageW(note->handle(), kTavMsgCommand, kCmdNoteDelete, 0);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(main_.received.empty());
    answer = 1;
    SendMessageW(note->handle(), kTavMsgCommand, kCmdNoteDelete, 0);
    ASSERT_EQ(main_.received.size(), 1u);
    EXPECT_EQ(main_.received[0].first, UINT(kNoteMsgDelete));
    EXPECT_EQ(main_.received[0].second, WPARAM(note->objectId()));
}

TEST_F(NoteItemTest, MenuCommandsForTheMainWindowCarryTheNotesCornerOrId) {
    prepareNote(L"cmd", 0, RECT{100, 120, 280, 300});
    auto note = open(L"cmd");
    SendMessageW(note->handle(), kTavMsgCommand, kCmdNoteAdd, 0);
    SendMessageW(note->handle(), kTavMsgCommand, kCmdNoteHide, 0);
    pump();
    ASSERT_EQ(main_.received.size(), 2u);
    EXPECT_EQ(main_.received[0].second, WPARAM(30102));
    EXPECT_EQ(main_.received[1].second, WPARAM(kCmdNoteHide));
}

TEST_F(NoteItemTest, LastActiveIsClearedWhenTheNoteGoes) {
    prepareNote(L"act", 0, RECT{100, 100, 280, 280});
    auto note = open(L"act");
    SendMessageW(note->handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 30));
    pump();
    EXPECT_EQ(TavNoteItem::lastActive(), note.get());
    note.reset();
    EXPECT_EQ(TavNoteItem::lastActive(), nullptr);
}

} // namespace
