// The icon cache behind drawImageFile: one decode per file and size, letter case ignored, a
// replaced or deleted file never drawn from old pixels, a bounded number of entries, and large
// pictures left out.
#include "menu_support.h"

#include "ImageFiles.h"

using namespace menutest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

bool writePng(const std::wstring& path, int side, uint32_t argb) {
    Gdiplus::Bitmap bitmap(side, side, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&bitmap);
        Gdiplus::SolidBrush brush{Gdiplus::Color(Gdiplus::ARGB(argb))};
        g.FillRectangle(&brush, 0, 0, side, side);
    }
    return saveBitmapPng(bitmap, path);
}

class IconCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearIconCache();
        canvas = createMemoryDC(nullptr, 16, 16);
        ASSERT_TRUE(canvas.ok());
    }
    void TearDown() override { clearIconCache(); }
    // Draws the file over a cleared canvas; the middle pixel afterwards (0 when nothing was drawn).
    uint32_t draw(const std::wstring& path, bool* drawn = nullptr) {
        canvas.clear();
        bool ok = drawImageFile(path, canvas.dc(), 0, 0, 16, 16);
        if (drawn) *drawn = ok;
        GdiFlush();
        return canvas.at(8, 8);
    }
    TempFolder folder{L"tavnote_icons"};
    TavMemDC canvas;
};

TEST_F(IconCacheTest, AnIconIsDecodedOnceUntilItsFileChanges) {
    const std::wstring icon = folder.file(L"Mark.png");
    ASSERT_TRUE(writePng(icon, 16, kRed));
    struct Step {
        const char* name;
        std::wstring path;
        uint32_t pixel;
        uint64_t decodes;
    };
    std::wstring upper = icon;
    for (wchar_t& ch : upper) ch = wchar_t(towupper(ch));
    const Step steps[] = {
        {"first draw decodes", icon, kRed, 1},
        {"second draw comes from the cache", icon, kRed, 1},
        {"the same file in other letter case", upper, kRed, 1},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(draw(s.path), s.pixel) << s.name;
        EXPECT_EQ(iconCacheStats().decodes, s.decodes) << s.name;
    }
    EXPECT_EQ(iconCacheStats().entries, 1u);
    EXPECT_EQ(iconCacheStats().hits, 2u);

    // Replaced by another picture (another size on disk): drawn afresh.
    ASSERT_TRUE(writePng(icon, 8, kBlue));
    EXPECT_EQ(draw(icon), kBlue);
    EXPECT_EQ(iconCacheStats().decodes, 2u);
    EXPECT_EQ(iconCacheStats().entries, 1u);

    // Deleted: nothing drawn, the entry goes.
    ASSERT_TRUE(DeleteFileW(icon.c_str()));
    bool drawn = true;
    EXPECT_EQ(draw(icon, &drawn), 0u);
    EXPECT_FALSE(drawn);
    EXPECT_EQ(iconCacheStats().entries, 0u);
}

TEST_F(IconCacheTest, TheSameFileAtAnotherSizeIsItsOwnEntry) {
    const std::wstring icon = folder.file(L"mark.png");
    ASSERT_TRUE(writePng(icon, 16, kRed));
    draw(icon);
    TavMemDC big = createMemoryDC(nullptr, 24, 24);
    ASSERT_TRUE(drawImageFile(icon, big.dc(), 0, 0, 24, 24));
    GdiFlush();
    EXPECT_EQ(big.at(18, 18), kRed) << "drawn at its own size, not the cached 16 pixels";
    EXPECT_EQ(iconCacheStats().entries, 2u);
}

TEST_F(IconCacheTest, TheCacheIsBoundedAndKeepsTheRecentlyUsed) {
    const size_t files = kIconCacheCapacity + 6;
    std::vector<std::wstring> paths;
    for (size_t i = 0; i < files; ++i) {
        paths.push_back(folder.file(L"icon" + std::to_wstring(i) + L".png"));
        ASSERT_TRUE(writePng(paths.back(), 16, i % 2 ? kRed : kBlue));
    }
    for (size_t i = 0; i < files; ++i) draw(paths[i]);
    EXPECT_EQ(iconCacheStats().entries, kIconCacheCapacity);
    EXPECT_EQ(iconCacheStats().decodes, files);
    draw(paths[files - 1]);
    EXPECT_EQ(iconCacheStats().decodes, files) << "the last one drawn is kept";
    EXPECT_EQ(draw(paths[0]), kBlue);
    EXPECT_EQ(iconCacheStats().decodes, files + 1) << "the oldest one was dropped";
    EXPECT_EQ(iconCacheStats().entries, kIconCacheCapacity);
}

TEST_F(IconCacheTest, LargePicturesAndMissingFilesAreNotKept) {
    const std::wstring picture = folder.file(L"background.png");
    ASSERT_TRUE(writePng(picture, 100, kRed));
    TavMemDC large = createMemoryDC(nullptr, 100, 100);
    ASSERT_TRUE(drawImageFile(picture, large.dc(), 0, 0, 100, 100));
    bool drawn = true;
    EXPECT_EQ(draw(folder.file(L"missing.png"), &drawn), 0u);
    EXPECT_FALSE(drawn);
    EXPECT_EQ(draw(folder.path()), 0u) << "a folder is no picture";
    EXPECT_EQ(iconCacheStats().entries, 0u);
}

} // namespace
