// The editor in real windows under Xvfb: typing (messages and synthesised keys), mouse
// selection, style toggles and undo, the clipboard, the caret and a screenshot.
#include <gtest/gtest.h>

#include "TavRichEdit.h"
#include "TestPanel.h"
#include "TestWait.h"
#include "UnixTools.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

struct EditorFixture {
    std::unique_ptr<TestPanel> panel = std::make_unique<TestPanel>(0xFFFFFFF0);
    std::unique_ptr<TavRichEdit> edit = std::make_unique<TavRichEdit>();
    EditorFixture(int x = 60, int y = 60, int w = 380, int h = 240) {
        EXPECT_TRUE(panel->create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, WS_POPUP, x, y, w,
                                  h, nullptr));
        panel->show(SW_SHOWNA);
        EXPECT_TRUE(edit->create(0, L"", 0, WS_CHILD | WS_VISIBLE, 10, 10, w - 20, h - 20, panel->handle()));
        edit->doc().setCurrentFont(L"WenQuanYi Zen Hei", 20, 0);
        edit->doc().setCurrentColor(0xFF202020);
        panel->redrawAll();
        panel->present();
        edit->takeFocus();
        pump();
    }
    ~EditorFixture() {
        edit.reset();
        panel.reset();
        pump();
    }
    void chars(const std::wstring& text, UINT message = WM_CHAR) {
        for (wchar_t ch : text) SendMessageW(edit->handle(), message, ch, 1);
    }
    void controlKey(WPARAM key) { sendKey(edit->handle(), key, true); }
    POINT clientPointOf(int row, int column) {
        const TavGlyphEditRow* r = edit->doc().row(row);
        return POINT{int(r->xAt(column)) + 1 - edit->doc().scrollX(),
                     int(r->bounds().Y) + int(r->bounds().Height) / 2 - edit->doc().scrollY()};
    }
};

// Runs xdotool. What it did is checked by its effects on the editor (bounded waits). Its exit
// status is only printed: one run under heavy load failed early on it for a reason that did not
// show; the program not starting at all is a failure.
bool xinput(const std::wstring& arguments) {
    HANDLE process = unixtools::startXdotool(arguments);
    if (!process) return false;
    if (!unixtools::finishUnix(process))
        std::printf("note: xdotool %ls reported a failure\n", arguments.c_str());
    return true;
}

// "x y" of an editor client point on the X screen, for xdotool.
std::wstring screenArg(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return std::to_wstring(client.x) + L" " + std::to_wstring(client.y);
}

int boldCount(TavRichEditDoc& doc) {
    int n = 0;
    for (TavGlyph* g : doc.allGlyphs()) n += (fontInfo(g->font()).style & 1) ? 1 : 0;
    return n;
}

std::wstring clipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            text = p;
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

bool savePng(const TavMemDC& image, const wchar_t* path) {
    int w = image.width(), h = image.height();
    GdiFlush();
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppRGB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(0xFF000000 | image.at(x, y)));
    UINT count = 0, bytes = 0;
    Gdiplus::GetImageEncodersSize(&count, &bytes);
    std::unique_ptr<char[]> buffer(new char[bytes]);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.get());
    Gdiplus::GetImageEncoders(count, bytes, encoders);
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(encoders[i].MimeType) == L"image/png")
            return bitmap.Save(path, &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
    return false;
}

} // namespace

TEST(EditorWindow, TypeSelectBoldAndUndo) {
    EditorFixture f;
    f.chars(L"Hello");
    f.chars(L"中文", WM_IME_CHAR);
    f.chars(L"\rworld");
    // A real key stroke through the system's input queue.
    SetForegroundWindow(f.panel->handle());
    SetFocus(f.edit->handle());
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = 'Q';
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    waitFor([&] { return f.edit->doc().text().back() == L'q'; });
    EXPECT_EQ(f.edit->doc().text(), L"Hello中文\rworldq");
    EXPECT_EQ(f.edit->doc().rowCount(), 2);

    // Drag over "Hello" with the mouse.
    POINT a = f.clientPointOf(0, 0), b = f.clientPointOf(0, 5);
    HWND h = f.edit->handle();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a.x, a.y));
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(b.x, b.y));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(b.x, b.y));
    EXPECT_EQ(f.edit->doc().selectionStart(), (TavTextPos{0, 0}));
    EXPECT_EQ(f.edit->doc().selectionEnd(), (TavTextPos{0, 5}));

    EXPECT_EQ(boldCount(f.edit->doc()), 0);
    f.controlKey('B');
    EXPECT_EQ(boldCount(f.edit->doc()), 5);
    f.controlKey('Z');
    EXPECT_EQ(boldCount(f.edit->doc()), 0);
    EXPECT_EQ(f.edit->doc().text(), L"Hello中文\rworldq");

    // The caret blinks while the editor has the focus.
    TavCaret* caret = f.edit->caretWindow();
    ASSERT_NE(caret, nullptr);
    EXPECT_TRUE(caret->blinking());
    int before = caret->blinkCounter();
    SendMessageW(caret->handle(), WM_TIMER, TavCaret::kBlinkTimer, 0);
    EXPECT_EQ(caret->blinkCounter(), before + 1);
    f.edit->loseFocus(nullptr);
    EXPECT_FALSE(caret->blinking());
    EXPECT_EQ(caret->blinkCounter(), 0);
}

TEST(EditorWindow, ClipboardCopyPasteAndReadOnly) {
    EditorFixture source;
    source.chars(L"abc\rdef");
    source.controlKey('A');
    source.controlKey('C');
    EXPECT_EQ(clipboardText(), L"abc\r\ndef");
    EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(L"Rich Text Format")));

    EditorFixture target(60, 320);
    target.chars(L"xyz");
    target.edit->setReadOnly(true);
    target.controlKey('V');
    target.controlKey('X');
    EXPECT_EQ(target.edit->doc().text(), L"xyz") << "a read-only editor takes no paste or cut";
    target.controlKey('A');
    target.controlKey('C');
    EXPECT_EQ(clipboardText(), L"xyz") << "copying still works when read-only";

    target.edit->setReadOnly(false);
    source.controlKey('C');
    target.controlKey('A');
    target.controlKey('V');
    EXPECT_EQ(target.edit->doc().text(), L"abc\rdef");
    EXPECT_EQ(target.edit->doc().allGlyphs()[0]->font()->GetSize(), 20.0f) << "the RTF was read";
    target.controlKey('Z');
    EXPECT_EQ(target.edit->doc().text(), L"xyz") << "a paste is one undo step";

    setClipboardText(L"l1\r\nl2\r\nl3");
    target.controlKey('A');
    target.controlKey('V');
    EXPECT_EQ(target.edit->doc().rowCount(), 3);
    EXPECT_EQ(target.edit->doc().text(), L"l1\rl2\rl3");
}

TEST(EditorWindow, ScreenshotOfFormattedTextWithSelection) {
    EditorFixture f(60, 60, 420, 260);
    TavRichEdit& e = *f.edit;
    struct Piece {
        const wchar_t* text;
        const wchar_t* family;
        float size;
        int style;
        uint32_t argb;
    } pieces[] = {
        {L"便签 TavNote ", L"WenQuanYi Zen Hei", 22, 1, 0xFF1F4E9C},
        {L"rich text\r", L"DejaVu Serif", 20, 2, 0xFFC0392B},
        {L"第二行：中文与 Latin\tTab\r", L"WenQuanYi Zen Hei", 16, 0, 0xFF202020},
        {L"underlined ", L"DejaVu Sans", 18, 4, 0xFF27AE60},
        {L"struck", L"DejaVu Sans Mono", 18, 8, 0xFF8E44AD},
        {L" big\r", L"DejaVu Sans", 30, 0, 0xFFE67E22},
        {L"last line 最后一行", L"WenQuanYi Zen Hei", 14, 0, 0xFF000000},
    };
    for (const Piece& p : pieces) {
        e.doc().setCurrentFont(p.family, p.size, p.style);
        e.doc().setCurrentColor(p.argb);
        f.chars(p.text);
    }
    e.doc().setSelection(TavTextPos{1, 3}, TavTextPos{2, 10});
    e.afterChange();

    // The panel's composed frame: the editor on a white note. The selection is painted in its
    // color inside the editor, left of the selected text.
    const TavGlyphEditRow* row = e.doc().row(2);
    int x = 10 + int(row->xAt(0)) + 1;
    int y = 10 + row->bandTop() + 1;
    const TavMemDC& frame = f.panel->backBuffer();
    waitFor([&] { return frame.ok() && frame.at(x, y) == premultiply(TavRichEdit::kSelectionColor); });
    ASSERT_TRUE(frame.ok());
    EXPECT_TRUE(savePng(frame, L"editor_screenshot.png"));
    EXPECT_EQ(frame.at(x, y), premultiply(TavRichEdit::kSelectionColor));
    EXPECT_EQ(e.doc().rowCount(), 4);
}

// Real input through the X server: xdotool clicks, types (Chinese too), drags a selection and
// presses the bold and undo keys; Wine turns it into the messages a user's input would give.
TEST(EditorWindow, RealKeysAndMouseThroughX) {
    REQUIRE_TOOL(L"/usr/bin/xdotool");
    EditorFixture f(60, 60, 420, 260);
    TavRichEditDoc& doc = f.edit->doc();
    HWND h = f.edit->handle();
    auto textIs = [&](const std::wstring& wanted) -> ::testing::AssertionResult {
        if (waitFor([&] { return doc.text() == wanted; })) return ::testing::AssertionSuccess();
        std::string codes;
        for (wchar_t c : doc.text()) codes += std::to_string(int(c)) + " ";
        return ::testing::AssertionFailure() << "the document holds " << codes;
    };

    // Without a click the X server gives the window no key focus.
    ASSERT_TRUE(xinput(L"mousemove " + screenArg(h, POINT{60, 40}) + L" click 1"));
    ASSERT_TRUE(waitFor([&] { return GetFocus() == h; }));

    struct Line {
        const wchar_t* family;
        float size;
        uint32_t argb;
        std::vector<std::wstring> typed; // one xdotool call each; one character outside the layout at most
    } lines[] = {
        {L"DejaVu Serif", 24, 0xFF1F4E9C, {L"Hello TavNote"}},
        {L"WenQuanYi Zen Hei", 20, 0xFFC0392B, {L"中", L"文", L" ", L"便", L"签", L" mixed"}},
        {L"DejaVu Sans Mono", 16, 0xFF27AE60, {L"third line"}},
    };
    std::wstring expected;
    for (const Line& line : lines) {
        if (!expected.empty()) {
            ASSERT_TRUE(xinput(L"key Return"));
            expected += L'\r';
            ASSERT_TRUE(textIs(expected)) << "after Return";
        }
        doc.setCurrentFont(line.family, line.size, 0);
        doc.setCurrentColor(line.argb);
        for (const std::wstring& piece : line.typed) {
            // For a character outside the layout xdotool maps a spare keycode, presses it and maps
            // it back; on a busy machine Wine can read the key before the new mapping and drop the
            // character. What did not arrive is typed again (never what did: the text must stay a
            // prefix of what is wanted, or the check below fails).
            const std::wstring want = expected + piece;
            for (int attempt = 0; attempt < 3 && doc.text() != want; ++attempt) {
                const std::wstring now = doc.text();
                if (now.size() > want.size() || want.compare(0, now.size(), now) != 0 ||
                    now.size() < expected.size())
                    break;
                ASSERT_TRUE(xinput(L"type --delay 60 \"" + want.substr(now.size()) + L"\""));
                waitFor([&] { return doc.text() == want; }, 3000);
            }
            expected = want;
            ASSERT_TRUE(textIs(expected))
                << "piece " << (&piece - line.typed.data()) << " of row " << (&line - lines);
        }
    }
    ASSERT_EQ(doc.rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        const TavGlyph* g = doc.row(row)->charAt(0);
        EXPECT_EQ(fontInfo(g->font()).family, lines[row].family) << "row " << row;
        EXPECT_EQ(g->color(), lines[row].argb) << "row " << row;
    }

    // BackSpace removes a typed character again.
    ASSERT_TRUE(xinput(L"type x"));
    ASSERT_TRUE(textIs(expected + L"x"));
    ASSERT_TRUE(xinput(L"key BackSpace"));
    ASSERT_TRUE(textIs(expected));

    // Drag from "TavNote" on the first row to after "中文" on the second.
    const TavTextPos from{0, 6}, to{1, 2};
    POINT a = f.clientPointOf(from.row, from.column), b = f.clientPointOf(to.row, to.column);
    POINT halfway{(a.x + b.x) / 2, (a.y + b.y) / 2};
    ASSERT_TRUE(xinput(L"mousemove " + screenArg(h, a) + L" mousedown 1 sleep 0.1 mousemove " +
                       screenArg(h, halfway) + L" sleep 0.1 mousemove " + screenArg(h, b) +
                       L" sleep 0.1 mouseup 1"));
    ASSERT_TRUE(waitFor([&] { return doc.selectionStart() == from && doc.selectionEnd() == to; }))
        << "selection " << doc.selectionStart().row << ":" << doc.selectionStart().column << " - "
        << doc.selectionEnd().row << ":" << doc.selectionEnd().column;
    const int selected = 7 + 1 + 2; // "TavNote", the line end, "中文"

    EXPECT_EQ(boldCount(doc), 0);
    ASSERT_TRUE(xinput(L"key ctrl+b"));
    ASSERT_TRUE(waitFor([&] { return boldCount(doc) == selected; })) << boldCount(doc);
    EXPECT_EQ(doc.text(), expected);
    EXPECT_EQ(doc.selectionStart(), from);
    EXPECT_EQ(doc.selectionEnd(), to);
    EXPECT_TRUE(doc.row(0)->charAt(6)->font() != doc.row(0)->charAt(5)->font());
    EXPECT_TRUE(unixtools::saveXScreen(L"editor_xinput_screen.png"));

    ASSERT_TRUE(xinput(L"key ctrl+z"));
    ASSERT_TRUE(waitFor([&] { return boldCount(doc) == 0; })) << boldCount(doc);
    EXPECT_EQ(doc.text(), expected);
    ASSERT_TRUE(xinput(L"key ctrl+y"));
    ASSERT_TRUE(waitFor([&] { return boldCount(doc) == selected; })) << "redo";
}

// After a large insertion rows are painted when they are first shown; the frame is the same as
// with every row painted at once.
TEST(EditorWindow, RowsPaintedWhenShownMatchAFullPaint) {
    EditorFixture f;
    TavRichEditDoc& doc = f.edit->doc();
    std::wstring text;
    for (int i = 0; i < 200; ++i) text += L"line " + std::to_wstring(i) + L" 中文 mixed\r\n";
    f.edit->insertText(text);
    ASSERT_EQ(doc.rowCount(), 201);
    doc.setSelection(TavTextPos{150, 3}, TavTextPos{152, 2});
    f.edit->afterChange();
    ASSERT_GT(doc.scrollY(), 0);
    EXPECT_FALSE(doc.row(151)->waiting()) << "a shown row is painted";
    EXPECT_TRUE(doc.row(100)->waiting()) << "a row never shown waits";

    auto frame = [&] {
        const TavMemDC& b = f.panel->backBuffer();
        GdiFlush();
        return std::vector<uint32_t>(b.pixels(), b.pixels() + size_t(b.width()) * size_t(b.height()));
    };
    const std::vector<uint32_t> shown = frame();
    for (int r = 0; r < doc.rowCount(); ++r) doc.row(r)->repaint();
    f.edit->repaintNow();
    EXPECT_TRUE(shown == frame());
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(),
                            [](uint32_t p) { return p == premultiply(TavRichEdit::kSelectionColor); }));
}

// The caret hands a frame to the screen only when what it shows changes: moving a lit caret
// along while typing needs none (a layered window keeps its frame when it moves).
TEST(EditorWindow, CaretPresentsOnlyWhenItsLookChanges) {
    EditorFixture f;
    TavCaret* caret = f.edit->caretWindow();
    ASSERT_NE(caret, nullptr);
    f.chars(L"ab");
    ASSERT_EQ(caret->blinkCounter(), 1);
    struct Step {
        const char* name;
        std::function<void()> action;
        bool presents;
        bool lit;
    } steps[] = {
        {"typing moves the lit caret", [&] { f.chars(L"c"); }, false, true},
        {"a new color",
         [&] {
             f.edit->doc().setCurrentColor(0xFFC00000);
             f.chars(L"d");
         },
         true, true},
        {"a blink tick", [&] { SendMessageW(caret->handle(), WM_TIMER, TavCaret::kBlinkTimer, 0); }, true,
         false},
        {"typing shows the unlit caret", [&] { f.chars(L"e"); }, true, true},
        {"a taller caret",
         [&] {
             f.edit->doc().setCurrentFont(L"DejaVu Sans", 30, 0);
             f.chars(L"f");
         },
         true, true},
        {"losing the focus hides it", [&] { f.edit->loseFocus(nullptr); }, true, false},
        {"hiding it again", [&] { caret->hideCaret(); }, false, false},
    };
    for (const Step& step : steps) {
        int before = caret->presentCount();
        step.action();
        pump();
        EXPECT_EQ(caret->presentCount() > before, step.presents) << step.name;
        EXPECT_EQ(caret->blinkCounter() % 2 == 1, step.lit) << step.name;
        // Wherever it is, the window sits at the caret's place.
        RECT want = f.edit->doc().caretRect(), got{};
        MapWindowPoints(f.edit->handle(), nullptr, reinterpret_cast<POINT*>(&want), 2);
        GetWindowRect(caret->handle(), &got);
        EXPECT_EQ(got.left, want.left) << step.name;
        EXPECT_EQ(got.top, want.top) << step.name;
        EXPECT_EQ(got.bottom - got.top, want.bottom - want.top) << step.name;
        // The frame last handed over shows the caret when it is lit.
        const TavMemDC& frame = caret->backBuffer();
        GdiFlush();
        ASSERT_TRUE(frame.ok()) << step.name;
        EXPECT_EQ(frame.at(0, 1) != 0, step.lit) << step.name;
    }
}

// A key that changes only its row redraws and hands over that row alone: the composed frame
// stays that of a full redraw, and the screen shows the frame.
TEST(EditorWindow, KeysRedrawTheirRowAndTheScreenShowsTheFrame) {
    EditorFixture f;
    f.chars(L"first row\rsecond");
    f.chars(L" more 中文xy");
    f.chars(L"\b");
    f.edit->loseFocus(nullptr); // no caret over the text in the screenshot
    pump();
    const TavMemDC& b = f.panel->backBuffer();
    auto frame = [&] {
        GdiFlush();
        return std::vector<uint32_t>(b.pixels(), b.pixels() + size_t(b.width()) * size_t(b.height()));
    };
    const std::vector<uint32_t> typed = frame();
    f.panel->redrawAll();
    EXPECT_TRUE(typed == frame()) << "the row redraws leave the frame of a full redraw";

    ASSERT_TRUE(unixtools::saveXScreen(L"editor_rows_screen.png"));
    Gdiplus::Bitmap shot(L"editor_rows_screen.png");
    ASSERT_EQ(shot.GetLastStatus(), Gdiplus::Ok);
    RECT wr;
    GetWindowRect(f.panel->handle(), &wr);
    int differing = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            Gdiplus::Color c;
            shot.GetPixel(wr.left + x, wr.top + y, &c);
            differing += (c.GetValue() & 0xFFFFFF) != (b.at(x, y) & 0xFFFFFF);
        }
    EXPECT_EQ(differing, 0);
}

// A note opens many editors: only one that takes the focus makes the caret's window.
TEST(EditorWindow, CaretWindowComesWithTheFirstFocus) {
    TestPanel panel(0xFFFFFFF0);
    ASSERT_TRUE(panel.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, WS_POPUP, 60, 60, 200,
                             120, nullptr));
    panel.show(SW_SHOWNA);
    TavRichEdit edit;
    ASSERT_TRUE(edit.create(0, L"", 0, WS_CHILD | WS_VISIBLE, 10, 10, 180, 100, panel.handle()));
    EXPECT_EQ(edit.caretWindow(), nullptr);
    edit.takeFocus();
    ASSERT_NE(edit.caretWindow(), nullptr);
    EXPECT_TRUE(edit.caretWindow()->blinking());
    edit.loseFocus(nullptr);
    pump();
}
