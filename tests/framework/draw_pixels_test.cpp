// Blur, drop shadow, fills, DC copies, PNG export and image files.
#include <gtest/gtest.h>

#include <cmath>

#include "AppPaths.h"
#include "Blur.h"
#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "draw_support.h"

using namespace Gdiplus;

namespace {
uint32_t channel(uint32_t pixel, int c) { return (pixel >> (8 * c)) & 0xFF; }
} // namespace

TEST(Blur, KernelFollowsSigmaAndEndsAtOne255th) {
    for (int r : {1, 2, 3, 6}) {
        double sigma = gaussianSigma(r);
        EXPECT_NEAR(sigma, (r + 1) / std::sqrt(2.0 * std::log(255.0)), 1e-12);
        std::vector<double> k = gaussianKernel(r);
        ASSERT_EQ(k.size(), size_t(2 * r + 3)) << r;
        double sum = 0;
        for (size_t i = 0; i < k.size(); ++i) {
            sum += k[i];
            EXPECT_DOUBLE_EQ(k[i], k[k.size() - 1 - i]);
        }
        EXPECT_NEAR(sum, 1.0, 1e-12);
        double peak = k[size_t(r + 1)];
        EXPECT_NEAR(k.front() / peak, 1.0 / 255.0, 1e-9); // the last tap sits on the 1/255 bound
    }
}

TEST(Blur, OneBrightPixelSpreadsSymmetricallyAndKeepsItsSum) {
    const int n = 15, c = 7;
    std::vector<uint32_t> px(n * n, 0);
    px[c * n + c] = 0xFFFFFFFF;
    gaussianBlur(px.data(), n, n, 3);
    for (int ch = 0; ch < 4; ++ch) {
        uint32_t sum = 0;
        for (uint32_t p : px) sum += channel(p, ch);
        EXPECT_NEAR(double(sum), 255.0, 6.0) << "channel " << ch; // rounding of 81 samples
    }
    for (int dy = -c; dy <= c; ++dy)
        for (int dx = -c; dx <= c; ++dx) {
            uint32_t v = px[(c + dy) * n + c + dx];
            EXPECT_EQ(v, px[(c - dy) * n + c + dx]);
            EXPECT_EQ(v, px[(c + dy) * n + c - dx]);
            EXPECT_EQ(v, px[(c + dx) * n + c + dy]);
            if (std::abs(dx) > 4 || std::abs(dy) > 4) {
                EXPECT_EQ(v, 0u); // beyond r + 1
            }
        }
    EXPECT_LT(channel(px[c * n + c], 3), 255u);
    EXPECT_GT(channel(px[c * n + c], 3), channel(px[c * n + c + 1], 3));
}

TEST(DropShadow, BandFadesOutwardAndInnerRectangleStaysClear) {
    const int r = 3, w = 20, h = 10;
    TavDropShadow s = dropShadow(nullptr, 50, 40, w, h, r, 0xFF000000);
    ASSERT_TRUE(s.dc.ok());
    EXPECT_EQ(s.dc.width(), w + 2 * r);
    EXPECT_EQ(s.dc.height(), h + 2 * r);
    EXPECT_EQ(s.placed.left, 47);
    EXPECT_EQ(s.placed.top, 37);
    EXPECT_EQ(s.placed.right, 73);
    EXPECT_EQ(s.placed.bottom, 53);
    for (int y = r; y < r + h; ++y)
        for (int x = r; x < r + w; ++x) ASSERT_EQ(s.dc.at(x, y), 0u) << x << "," << y;
    // Along the middle row the band fades from next to the body to the outer edge.
    int mid = r + h / 2;
    uint32_t prev = 255;
    for (int x = r - 1; x >= 0; --x) {
        uint32_t a = alphaOf(s.dc.at(x, mid));
        EXPECT_LT(a, prev) << x;
        EXPECT_GT(a, 0u) << x;
        EXPECT_EQ(s.dc.at(x, mid) & 0xFFFFFF, 0u); // black stays black
        prev = a;
    }
    EXPECT_GT(alphaOf(s.dc.at(r - 1, mid)), 60u); // about a third of the color at the body edge
    EXPECT_EQ(alphaOf(s.dc.at(r - 1, mid)), alphaOf(s.dc.at(r + w, mid))); // both sides alike
    EXPECT_LT(alphaOf(s.dc.at(0, 0)), alphaOf(s.dc.at(0, mid)));
}

TEST(DrawOps, FillAndFrameAndBlank) {
    TavMemDC dc(10, 8);
    fillAndFrame(dc.dc(), 1, 1, 6, 5, 0xFF0000FF, 0x80);
    GdiFlush();
    EXPECT_EQ(dc.at(1, 1), 0xFF0000FFu);    // frame: the color as given
    EXPECT_EQ(dc.at(6, 5), 0xFF0000FFu);    // frame ends at x + w - 1, y + h - 1
    EXPECT_EQ(alphaOf(dc.at(3, 3)), 0x80u); // fill under the fill alpha
    EXPECT_NEAR(double(channel(dc.at(3, 3), 0)), 128.0, 1.0);
    EXPECT_EQ(dc.at(7, 3), 0u);
    blankDC(dc.dc(), 0, 0, 4, 4);
    GdiFlush();
    EXPECT_EQ(dc.at(1, 1), 0u);
    EXPECT_EQ(dc.at(6, 5), 0xFF0000FFu);
}

TEST(DrawOps, GradientFollowsTheBlend) {
    TavMemDC dc(101, 3);
    RECT all{0, 0, 101, 3};
    gradientFill(dc.dc(), all, 0xFF000000, 0xFFFFFFFF, {0.0f, 1.0f}, {0.0f, 1.0f});
    GdiFlush();
    EXPECT_LT(channel(dc.at(0, 1), 1), 8u);
    EXPECT_GT(channel(dc.at(100, 1), 1), 247u);
    EXPECT_NEAR(double(channel(dc.at(50, 1), 1)), 128.0, 8.0);
    TavMemDC held(101, 3);
    gradientFill(held.dc(), all, 0xFF000000, 0xFFFFFFFF, {0.0f, 0.5f, 1.0f}, {0.0f, 0.0f, 1.0f});
    GdiFlush();
    EXPECT_LT(channel(held.at(45, 1), 1), 8u); // the blend holds the start color to the middle
    EXPECT_GT(channel(held.at(100, 1), 1), 247u);
}

TEST(DrawOps, CopyAndBlurredCopy) {
    TavMemDC src = createMemoryDC(nullptr, 9, 9, 0);
    src.at(4, 4) = 0xFFFFFFFF;
    TavMemDC blurred = blurredCopy(nullptr, src.dc(), 9, 9);
    ASSERT_TRUE(blurred.ok());
    EXPECT_GT(alphaOf(blurred.at(3, 4)), 0u);
    EXPECT_EQ(blurred.at(3, 4), blurred.at(5, 4));
    HDC srcDc = src.dc();
    TavMemDC copy = copyDC(nullptr, std::move(src), 9, 9);
    EXPECT_EQ(copy.at(4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(GetObjectType(srcDc), 0u); // the source was freed
}

TEST(Rects, UnionTreatsEmptyAsAbsent) {
    struct Case {
        RECT a, b, expect;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 20, 12}, {0, 0, 20, 12}},
        {{0, 0, 0, 0}, {5, 5, 20, 12}, {5, 5, 20, 12}},
        {{3, 3, 4, 4}, {7, 7, 7, 9}, {3, 3, 4, 4}},
        {{1, 1, 1, 1}, {2, 2, 2, 2}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        RECT u = unionRects(c.a, c.b);
        EXPECT_TRUE(EqualRect(&u, &c.expect)) << u.left << "," << u.top << "," << u.right << "," << u.bottom;
    }
}

TEST(PngExport, HalfTransparentAreaIsUnpremultiplied) {
    EXPECT_EQ(unpremultiply(0x00123456), 0u);
    EXPECT_EQ(unpremultiply(0x80400000), 0x807F0000u);
    EXPECT_EQ(unpremultiply(0x10FFFFFF), 0x10FFFFFFu); // color above alpha is capped at 255

    // Top half half-transparent red, bottom half opaque blue: the export must not turn it over.
    TavMemDC window(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) window.at(x, y) = y < 2 ? premultiply(0x80FF0000) : 0xFF0000FF;
    TavGpBitmap bmp = dcToBitmap(nullptr, window.dc(), 4, 4);
    ASSERT_TRUE(bmp);
    std::wstring path = drawTestFolder(L"png") + L"export.png";
    ASSERT_TRUE(saveBitmapPng(*bmp, path));
    Bitmap back(path.c_str());
    ASSERT_EQ(back.GetLastStatus(), Ok);
    Color top, bottom;
    back.GetPixel(1, 0, &top);
    back.GetPixel(1, 3, &bottom);
    EXPECT_NEAR(top.GetA(), 127, 1);
    EXPECT_GE(top.GetR(), 253);
    EXPECT_EQ(top.GetB(), 0);
    EXPECT_EQ(bottom.GetA(), 254); // the window is presented with constant alpha 254
    EXPECT_EQ(bottom.GetB(), 255);
    EXPECT_EQ(bottom.GetR(), 0);
    EXPECT_TRUE(findPngEncoder().has_value());
}

TEST(ImageFile, DrawsScaledFromTheResourceFolderOrNothing) {
    Bitmap picture(2, 2, PixelFormat32bppARGB);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) picture.SetPixel(x, y, Color(255, 0, 200, 0));
    ASSERT_TRUE(saveBitmapPng(picture, resourceDirectory() + L"test_green.png"));

    TavMemDC target(20, 20);
    EXPECT_TRUE(drawImageFile(L"test_green.png", target.dc(), 5, 5, 10, 10));
    GdiFlush();
    EXPECT_EQ(target.at(10, 10), 0xFF00C800u);
    EXPECT_EQ(target.at(2, 2), 0u);
    EXPECT_EQ(target.at(16, 16), 0u);

    TavMemDC untouched(20, 20);
    EXPECT_FALSE(drawImageFile(L"missing.png", untouched.dc(), 0, 0, 20, 20));
    std::wstring bogus = resourceDirectory() + L"bogus.png";
    HANDLE f = CreateFileW(bogus.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, "not a png", 9, &written, nullptr);
    CloseHandle(f);
    EXPECT_FALSE(drawImageFile(bogus, untouched.dc(), 0, 0, 20, 20));
    GdiFlush();
    for (int i = 0; i < 400; ++i) ASSERT_EQ(untouched.pixels()[i], 0u);
    EXPECT_TRUE(DeleteFileW(bogus.c_str())); // not left locked
}
