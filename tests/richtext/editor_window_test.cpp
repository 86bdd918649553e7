// The editor in real windows under Xvfb: typing (messages and synthesised keys), mouse
// selection, style toggles and undo, the clipboard, the caret and a screenshot.
#include <gtest/gtest.h>

#include "TavRichEdit.h"

#include <memory>
#include <string>

namespace {

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// A white opaque panel standing in for a note.
class PanelWnd : public TavWnd {
public:
    TavMemDC renderSelf() override {
        RECT rc{};
        GetClientRect(handle(), &rc);
        return createMemoryDC(handle(), rc.right, rc.bottom, 0xFFFFFFF0);
    }
};

struct EditorFixture {
    std::unique_ptr<PanelWnd> panel = std::make_unique<PanelWnd>();
    std::unique_ptr<TavRichEdit> edit = std::make_unique<TavRichEdit>();
    EditorFixture(int x = 60, int y = 60, int w = 380, int h = 240) {
        EXPECT_TRUE(panel->create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
                                  WS_POPUP, x, y, w, h, nullptr));
        panel->show(SW_SHOWNA);
        EXPECT_TRUE(edit->create(0, L"", 0, WS_CHILD | WS_VISIBLE, 10, 10, w - 20, h - 20,
                                 panel->handle()));
        edit->doc().setCurrentFont(L"WenQuanYi Zen Hei", 20, 0);
        edit->doc().setCurrentColour(0xFF202020);
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
    void controlKey(WPARAM key) {
        BYTE state[256];
        GetKeyboardState(state);
        BYTE old = state[VK_CONTROL];
        state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
        SendMessageW(edit->handle(), WM_KEYDOWN, key, 1);
        state[VK_CONTROL] = old;
        SetKeyboardState(state);
    }
    POINT clientPointOf(int row, int column) {
        const TavGlyphEditRow* r = edit->doc().row(row);
        return POINT{int(r->xAt(column)) + 1 - edit->doc().scrollX(),
                     int(r->bounds().Y) + int(r->bounds().Height) / 2 - edit->doc().scrollY()};
    }
};

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

void setClipboardText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(mem), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
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
    for (int i = 0; i < 20 && f.edit->doc().text().back() != L'q'; ++i) {
        Sleep(20);
        pump();
    }
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
        e.doc().setCurrentColour(p.argb);
        f.chars(p.text);
    }
    e.doc().setSelection(TavTextPos{1, 3}, TavTextPos{2, 10});
    e.afterChange();
    pump();
    Sleep(100);
    pump();

    // The panel's composed frame: the editor on a white note.
    const TavMemDC& frame = f.panel->backBuffer();
    ASSERT_TRUE(frame.ok());
    EXPECT_TRUE(savePng(frame, L"editor_screenshot.png"));
    // The selection is painted in its colour inside the editor, left of the selected text.
    const TavGlyphEditRow* row = e.doc().row(2);
    int x = 10 + int(row->xAt(0)) + 1;
    int y = 10 + row->bandTop() + 1;
    EXPECT_EQ(frame.at(x, y), premultiply(TavRichEdit::kSelectionColour));
    EXPECT_EQ(e.doc().rowCount(), 4);
}
