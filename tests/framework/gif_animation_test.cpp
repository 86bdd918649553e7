// TavGif with real files, a worker thread and an owner window: plain pictures, animations that
// redraw their owner on the GUI thread, removal ending the worker, stopping, damaged files.
#include "gif_support.h"

#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "TavGif.h"
#include "TavWnd.h"

#include <atomic>
#include <memory>

using namespace giftest;

namespace {

// A window that shows one picture of a TavGif and counts its renders.
class GifOwnerWnd : public TavWnd {
public:
    TavGif* gif = nullptr;
    std::wstring picture;
    int renders = 0;
    bool otherThread = false;
    DWORD guiThread = GetCurrentThreadId();

    TavMemDC renderSelf() override {
        ++renders;
        if (GetCurrentThreadId() != guiThread) otherThread = true;
        RECT rc{};
        GetClientRect(handle(), &rc);
        TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
        if (gif && dc) gif->drawPicture(picture, dc.dc(), rc);
        return dc;
    }
};

class GifTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = testRoot() + L"pictures\\";
        temp = testRoot() + L"app\\tempgif\\";
    }
    std::wstring makeGif(const wchar_t* name, const std::vector<int>& colors,
                         const std::vector<int>& delays) {
        std::wstring path = folder + name;
        EXPECT_TRUE(writeFile(path, gifBytes(8, 6, colors, delays)));
        return name;
    }
    std::unique_ptr<GifOwnerWnd> makeOwner() {
        auto owner = std::make_unique<GifOwnerWnd>();
        EXPECT_TRUE(
            owner->create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 600, 400, 40, 30, nullptr));
        owner->show(SW_SHOWNA);
        return owner;
    }
    // The color drawn at the centre of a picture.
    static uint32_t centreColor(TavGif& gif, const std::wstring& name) {
        TavMemDC dc(16, 12);
        RECT rc{0, 0, 16, 12};
        if (!gif.drawPicture(name, dc.dc(), rc)) return 0;
        GdiFlush();
        return dc.at(8, 6);
    }

    std::wstring folder, temp;
};

} // namespace

TEST_F(GifTest, PlainPicturesStartNoThreadAndAreNotCopied) {
    std::wstring still = makeGif(L"still.gif", {2}, {10});
    {
        Gdiplus::Bitmap png(8, 6, PixelFormat32bppARGB);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) png.SetPixel(x, y, Gdiplus::Color(255, 0, 255, 0));
        ASSERT_TRUE(saveBitmapPng(png, folder + L"green.png"));
    }
    TavGif gif;
    EXPECT_TRUE(gif.addPicture(folder, L"green.png", nullptr));
    EXPECT_TRUE(gif.addPicture(folder, still, nullptr));
    EXPECT_EQ(gif.plainCount(), 2u);
    EXPECT_EQ(gif.animationCount(), 0u);
    EXPECT_EQ(gif.workerStarts(), 0);
    EXPECT_FALSE(gif.workerRunning());
    EXPECT_FALSE(exists(temp + L"green.png"));
    EXPECT_FALSE(exists(temp + L"still.gif"));
    // Drawn as still pictures from their own folder, scaled into the rectangle.
    EXPECT_EQ(centreColor(gif, L"GREEN.PNG"), 0xFF00FF00u);
    EXPECT_EQ(centreColor(gif, still), 0xFF0000FFu);
    gif.removePicture(L"Still.GIF");
    EXPECT_EQ(gif.plainCount(), 1u);
    EXPECT_FALSE(gif.drawPicture(still, TavMemDC(4, 4).dc(), RECT{0, 0, 4, 4}));
}

TEST_F(GifTest, AnimationRedrawsItsOwnerOnTheGuiThread) {
    std::wstring name = makeGif(L"blink.gif", {0, 1, 2}, {2, 2, 2});
    auto owner = makeOwner();
    TavGif gif;
    owner->gif = &gif;
    owner->picture = name;
    ASSERT_TRUE(gif.addPicture(folder, name, owner->handle()));
    EXPECT_TRUE(gif.isAnimation(name));
    EXPECT_EQ(gif.workerStarts(), 1);
    EXPECT_TRUE(gif.workerRunning());
    // Played from its temporary copy.
    EXPECT_TRUE(exists(temp + name));
    // Frame changes arrive as redraws of the owner, made on this (the GUI) thread.
    bool seenOtherFrames = false;
    EXPECT_TRUE(waitFor([&] {
        seenOtherFrames |= gif.currentFrame(name) != 0;
        return owner->renders >= 4 && seenOtherFrames;
    }));
    EXPECT_FALSE(owner->otherThread);
    gif.stopAll();
    EXPECT_FALSE(gif.workerRunning());
    EXPECT_EQ(gif.animationCount(), 0u);
    EXPECT_FALSE(exists(temp + name));
    EXPECT_FALSE(exists(temp)); // the empty folder goes too
    owner.reset();
}

TEST_F(GifTest, RemovingTheOnlyAnimationEndsTheWorkerAndANewOneStartsAnother) {
    std::wstring name = makeGif(L"slow.gif", {0, 3}, {500, 500}); // 5 s frames: the worker sleeps
    TavGif gif;
    ASSERT_TRUE(gif.addPicture(folder, name, nullptr));
    ASSERT_TRUE(gif.workerRunning());
    // The removal wakes the worker at once; it drops the entry and its copy, and ends.
    gif.removePicture(L"SLOW.gif");
    EXPECT_TRUE(gif.waitWorkerEnd(3000));
    EXPECT_FALSE(gif.workerRunning());
    EXPECT_EQ(gif.animationCount(), 0u);
    EXPECT_FALSE(exists(temp + name));
    ASSERT_TRUE(gif.addPicture(folder, name, nullptr));
    EXPECT_EQ(gif.workerStarts(), 2);
    EXPECT_TRUE(gif.workerRunning());
    EXPECT_EQ(centreColor(gif, name), 0xFFFF0000u);
}

TEST_F(GifTest, OneCopyServesTheSameNameTwice) {
    std::wstring name = makeGif(L"twice.gif", {1, 2}, {5, 5});
    TavGif gif;
    ASSERT_TRUE(gif.addPicture(folder, name, nullptr));
    ASSERT_TRUE(gif.addPicture(folder, name, nullptr));
    EXPECT_EQ(gif.animationCount(), 2u);
    gif.removePicture(name);
    // The other entry still plays from the copy, which therefore stays.
    ASSERT_TRUE(waitFor([&] { return gif.animationCount() == 1u; }));
    EXPECT_TRUE(exists(temp + name));
    EXPECT_TRUE(gif.workerRunning());
    gif.removePicture(name);
    EXPECT_TRUE(gif.waitWorkerEnd(3000));
    EXPECT_FALSE(exists(temp + name));
}

TEST_F(GifTest, DestroyingAPlayingOwnerStopsItsWorker) {
    std::wstring name = makeGif(L"busy.gif", {0, 1}, {0, 0}); // delays of 0: 20 ms steps
    auto gif = std::make_unique<TavGif>();
    ASSERT_TRUE(gif->addPicture(folder, name, nullptr));
    ASSERT_TRUE(gif->workerRunning());
    gif.reset();
    EXPECT_FALSE(exists(temp + name));
}

TEST_F(GifTest, DamagedOrMissingFilesAreNotAdded) {
    std::string good = gifBytes(8, 6, {0, 1}, {10, 10});
    struct Case {
        const wchar_t* name;
        std::string bytes;
    };
    const Case cases[] = {
        {L"empty.gif", ""},
        {L"text.gif", "this is not a picture"},
        {L"header.gif", good.substr(0, 13)},
        {L"header_palette.gif", good.substr(0, 25)},
    };
    TavGif gif;
    for (const Case& c : cases) {
        ASSERT_TRUE(writeFile(folder + c.name, c.bytes));
        EXPECT_FALSE(gif.addPicture(folder, c.name, nullptr)) << static_cast<const void*>(c.name);
        EXPECT_FALSE(exists(temp + c.name));
    }
    EXPECT_FALSE(gif.addPicture(folder, L"missing.gif", nullptr));
    EXPECT_EQ(gif.plainCount(), 0u);
    EXPECT_EQ(gif.animationCount(), 0u);
    EXPECT_EQ(gif.workerStarts(), 0);
    // A truncated animation may still be read in part; whatever GDI+ makes of it, nothing breaks.
    ASSERT_TRUE(writeFile(folder + L"cut.gif", good.substr(0, good.size() - 20)));
    gif.addPicture(folder, L"cut.gif", nullptr);
    TavMemDC dc(4, 4);
    gif.drawPicture(L"cut.gif", dc.dc(), RECT{0, 0, 4, 4});
    gif.stopAll();
}

TEST_F(GifTest, AFileNameWithFoldersIsCopiedIntoTheTemporaryFolderOnly) {
    CreateDirectoryW((folder + L"sub\\").c_str(), nullptr);
    ASSERT_TRUE(writeFile(folder + L"sub\\deep.gif", gifBytes(8, 6, {0, 1}, {10, 10})));
    TavGif gif;
    ASSERT_TRUE(gif.addPicture(folder, L"sub\\deep.gif", nullptr));
    EXPECT_TRUE(exists(temp + L"deep.gif"));
    EXPECT_EQ(centreColor(gif, L"sub\\deep.gif"), 0xFFFF0000u);
}
