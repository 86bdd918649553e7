// Ownership rules of the GDI owners and the memory DC.
#include <gtest/gtest.h>

#include "GdiOwners.h"

#include <algorithm>

TEST(MemDC, StartsTransparentAndKnowsItsSize) {
    TavMemDC mem(7, 5);
    ASSERT_TRUE(mem.ok());
    EXPECT_EQ(mem.width(), 7);
    EXPECT_EQ(mem.height(), 5);
    for (int i = 0; i < 35; ++i) EXPECT_EQ(mem.pixels()[i], 0u);
}

TEST(MemDC, NonPositiveSizeIsAVisibleFailure) {
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 3}}) {
        TavMemDC mem(w, h);
        EXPECT_FALSE(mem.ok()) << w << "x" << h;
        EXPECT_EQ(mem.pixels(), nullptr);
        EXPECT_FALSE(createBitmap(w, h).bitmap);
    }
}

TEST(MemDC, MoveHandsOverAndRestoresSelectionOnDestroy) {
    TavMemDC a(4, 4);
    HBITMAP bitmap = a.bitmap();
    HDC dc = a.dc();
    TavMemDC b(std::move(a));
    EXPECT_FALSE(a.ok());
    EXPECT_EQ(b.dc(), dc);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap);
    b = TavMemDC();
    // The bitmap was deselected before the DC went: freed, or kept for the next DC of its size,
    // it can be selected into another DC (a bitmap selected into one DC cannot be into a second).
    if (GetObjectType(bitmap) != 0) {
        HDC other = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(other, bitmap);
        EXPECT_NE(old, nullptr) << "the bitmap is still selected into the freed DC";
        if (old) SelectObject(other, old);
        DeleteDC(other);
    }
}

// A DC of the size of one just freed takes its bitmap again: it starts transparent all the same,
// and a fill covers what the earlier one drew.
TEST(MemDC, ABitmapTakenAgainStartsCleanOrFilled) {
    HBITMAP first = nullptr;
    {
        TavMemDC used(37, 11);
        ASSERT_TRUE(used.ok());
        first = used.bitmap();
        std::fill_n(used.pixels(), 37 * 11, 0xFF123456u);
    }
    {
        TavMemDC again(37, 11);
        ASSERT_TRUE(again.ok());
        EXPECT_EQ(again.bitmap(), first) << "the freed bitmap was not taken again";
        size_t dirty = 0;
        for (int i = 0; i < 37 * 11; ++i) dirty += again.pixels()[i] != 0;
        EXPECT_EQ(dirty, 0u);
        std::fill_n(again.pixels(), 37 * 11, 0xFF654321u);
    }
    TavMemDC filled = createMemoryDC(nullptr, 37, 11, 0x80FF0000);
    ASSERT_TRUE(filled.ok());
    EXPECT_EQ(filled.bitmap(), first);
    size_t other = 0;
    for (int i = 0; i < 37 * 11; ++i) other += filled.pixels()[i] != 0x80800000u;
    EXPECT_EQ(other, 0u);
    // Another size or row order is a bitmap of its own.
    TavMemDC bottomUp(37, 11, TavRowOrder::BottomUp);
    EXPECT_NE(bottomUp.bitmap(), first);
}

TEST(MemDC, RowOrderMapsTopLeft) {
    for (auto order : {TavRowOrder::TopDown, TavRowOrder::BottomUp}) {
        TavMemDC mem(3, 2, order);
        ASSERT_TRUE(mem.ok());
        SetPixelV(mem.dc(), 1, 0, RGB(255, 0, 0));
        GdiFlush();
        EXPECT_EQ(mem.at(1, 0) & 0xFFFFFF, 0xFF0000u);
        EXPECT_EQ(mem.at(1, 1) & 0xFFFFFF, 0u);
    }
}

TEST(MemDC, FillWritesPremultipliedColor) {
    TavMemDC mem = createMemoryDC(nullptr, 2, 2, 0x80FF0000);
    ASSERT_TRUE(mem.ok());
    EXPECT_EQ(mem.at(1, 1), 0x80800000u);
    EXPECT_EQ(createMemoryDC(nullptr, 2, 2, 0).at(0, 0), 0u);
}

TEST(HandleOwners, ResetFreesAndReleaseDoesNot) {
    TavBrushHandle brush(CreateSolidBrush(RGB(1, 2, 3)));
    HBRUSH raw = brush.get();
    TavBrushHandle moved = std::move(brush);
    EXPECT_FALSE(brush);
    EXPECT_EQ(moved.get(), raw);
    moved.reset();
    EXPECT_EQ(GetObjectType(raw), 0u);

    TavKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE kept = event.release();
    EXPECT_TRUE(SetEvent(kept));
    CloseHandle(kept);
    EXPECT_FALSE(TavKernelHandle(INVALID_HANDLE_VALUE));
}
