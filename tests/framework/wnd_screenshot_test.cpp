// A layered window with child windows and anti-aliased text, presented on screen; the screen
// area is saved as "wnd_screenshot.png" in the test's working folder for a person to look at.
#include "wnd_support.h"

#include <algorithm>
#include <memory>

using namespace wndtest;

namespace {

// Draws a rounded panel and a line of text with GDI+ (which keeps the alpha channel).
class LabelWnd : public ColorWnd {
public:
    LabelWnd(uint32_t argb, const wchar_t* text) : ColorWnd(argb), text_(text) {}

    TavMemDC renderSelf() override {
        TavMemDC dc = ColorWnd::renderSelf();
        if (!dc) return dc;
        Gdiplus::Graphics g(dc.dc());
        g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        Gdiplus::FontFamily family(L"DejaVu Sans");
        Gdiplus::Font font(&family, 18, Gdiplus::FontStyleBold, Gdiplus::UnitPixel);
        Gdiplus::SolidBrush brush(Gdiplus::Color(230, 20, 20, 20));
        g.DrawString(text_, -1, &font, Gdiplus::PointF(6, 6), &brush);
        return dc;
    }

private:
    const wchar_t* text_;
};

bool saveScreenArea(const RECT& area, const wchar_t* path) {
    int w = area.right - area.left, h = area.bottom - area.top;
    TavMemDC copy(w, h);
    HDC screen = GetDC(nullptr);
    BitBlt(copy.dc(), 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppRGB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(0xFF000000 | copy.at(x, y)));
    UINT count = 0, bytes = 0;
    Gdiplus::GetImageEncodersSize(&count, &bytes);
    std::unique_ptr<char[]> buffer(new char[bytes]);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.get());
    Gdiplus::GetImageEncoders(count, bytes, encoders);
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(encoders[i].MimeType) == L"image/png")
            return bitmap.Save(path, &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
    }
    return false;
}

} // namespace

TEST(WndScreenshot, LayeredWindowWithChildrenAndAlphaText) {
    auto root = std::make_unique<LabelWnd>(0xE0FFF4A0, L"TavNote layered root");
    ASSERT_TRUE(root->create(0, L"", kLayeredEx | WS_EX_TOPMOST, WS_POPUP, 40, 40, 320, 200, nullptr));
    root->show(SW_SHOWNA);
    auto red = makeChild<ColorWnd>(*root, 20, 50, 120, 60, 0xFFD03030);
    auto glass = std::make_unique<LabelWnd>(0x803070FF, L"half blue");
    ASSERT_TRUE(glass->create(0, L"", 0, kChildVisible, 90, 80, 200, 90, root->handle()));
    auto dot = makeChild<ColorWnd>(*glass, 150, 50, 30, 30, 0xFF20A040);
    ASSERT_TRUE(root->redrawAll());
    root->present();
    // The opaque red child shows on screen where it was placed.
    COLORREF c = 0;
    EXPECT_TRUE(waitFor([&] {
        HDC screen = GetDC(nullptr);
        c = GetPixel(screen, 40 + 25, 40 + 55);
        ReleaseDC(nullptr, screen);
        return c == RGB(0xD0, 0x30, 0x30);
    })) << std::hex
        << c;
    RECT area{20, 20, 380, 260};
    EXPECT_TRUE(saveScreenArea(area, L"wnd_screenshot.png"));
}

// Showing a layered window puts its current picture on the screen without a present of its own:
// a window never presented before, and one whose look changed while it was hidden (it must not
// come back with the picture it had when it was hidden).
TEST(WndScreenshot, AShownLayeredWindowShowsItsCurrentPictureAtOnce) {
    for (const bool changedWhileHidden : {false, true}) {
        SCOPED_TRACE(changedWhileHidden ? "changed while hidden" : "never presented");
        auto root = makeRoot(60, 300, 90, 70, 0xFF2040C0, kLayeredEx, WS_POPUP);
        if (changedWhileHidden) {
            root->show(SW_SHOWNA);
            ASSERT_TRUE(root->redrawAll());
            root->present();
            root->show(SW_HIDE);
            root->color = 0xFF20A040;
            root->redrawAll();
        }
        root->show(SW_SHOWNA);
        const COLORREF expected = changedWhileHidden ? RGB(0x20, 0xA0, 0x40) : RGB(0x20, 0x40, 0xC0);
        COLORREF c = 0;
        EXPECT_TRUE(waitFor([&] {
            HDC screen = GetDC(nullptr);
            c = GetPixel(screen, 60 + 45, 300 + 35);
            ReleaseDC(nullptr, screen);
            return c == expected;
        })) << std::hex
            << c;
        root->show(SW_HIDE);
    }
}

namespace {

// Draws a mark over its presented frame, outside its composed picture.
class OverlayWnd : public ColorWnd {
public:
    using ColorWnd::ColorWnd;
    bool drawsOverBackBuffer() const override { return true; }
    void copyBackBufferInto(HDC target) override {
        ColorWnd::copyBackBufferInto(target);
        TavMemDC mark(10, 10);
        std::fill_n(mark.pixels(), 100, premultiply(0xFFE02020));
        BitBlt(target, 0, 0, 10, 10, mark.dc(), 0, 0, SRCCOPY);
    }
};

} // namespace

// A window that draws over its frame has the overlay on the screen at every present, the whole
// one and a present of a changed part, while its back buffer holds only the composed picture.
TEST(WndScreenshot, AnOverlayDrawnOverTheFrameIsPresented) {
    auto root = makeRoot<OverlayWnd>(300, 300, 60, 40, 0xFF2040C0);
    auto pixel = [](int x, int y) {
        HDC screen = GetDC(nullptr);
        COLORREF c = GetPixel(screen, x, y);
        ReleaseDC(nullptr, screen);
        return c;
    };
    EXPECT_TRUE(waitFor([&] { return pixel(305, 305) == RGB(0xE0, 0x20, 0x20); }))
        << std::hex << pixel(305, 305);
    EXPECT_EQ(pixel(340, 330), RGB(0x20, 0x40, 0xC0));
    EXPECT_EQ(root->backBuffer().at(5, 5), premultiply(0xFF2040C0));
    root->color = 0xFF20A040;
    ASSERT_TRUE(root->redrawAll());
    root->presentChanged(RECT{330, 320, 360, 340});
    EXPECT_TRUE(waitFor([&] { return pixel(340, 330) == RGB(0x20, 0xA0, 0x40); }))
        << std::hex << pixel(340, 330);
    EXPECT_EQ(pixel(305, 305), RGB(0xE0, 0x20, 0x20));
    root->show(SW_HIDE);
}
