// The GIF worker against the GUI thread: a frame decode (held open by a seam) must not hold up
// the owner's painting, and stopping must come back within its bound while a decode runs; a
// worker left behind by such a stop is counted until it has let go of everything it held.
#include "gif_support.h"

#include "DrawToolkit.h"
#include "TavGif.h"
#include "TavWnd.h"

#include <atomic>
#include <memory>

using namespace giftest;

namespace {

// Holds every frame decode until the test lets it go (or a safety limit passes, so a fault shows
// as a failure instead of a hang). Records whether the GUI thread painted while it was held.
struct DecodeGate {
    TavKernelHandle entered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    TavKernelHandle painted{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    TavKernelHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<int> decodes{0};
    std::atomic<bool> paintSeenWhileHeld{false};
    DWORD safetyMs = 8000;

    static void hold(void* context) {
        auto* gate = static_cast<DecodeGate*>(context);
        ++gate->decodes;
        SetEvent(gate->entered.get());
        // A worker still holding the paint lock here would make the paint wait this out.
        if (WaitForSingleObject(gate->painted.get(), gate->safetyMs) == WAIT_OBJECT_0)
            gate->paintSeenWhileHeld = true;
        WaitForSingleObject(gate->release.get(), gate->safetyMs);
    }
};

class PaintingWnd : public TavWnd {
public:
    TavGif* gif = nullptr;
    std::wstring picture;
    int renders = 0;
    bool lastDrawn = false;
    uint32_t centre = 0;

    TavMemDC renderSelf() override {
        ++renders;
        RECT rc{};
        GetClientRect(handle(), &rc);
        TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
        lastDrawn = gif && dc && gif->drawPicture(picture, dc.dc(), rc);
        GdiFlush();
        if (lastDrawn) centre = dc.at(rc.right / 2, rc.bottom / 2);
        return dc;
    }
};

class GifDecodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = testRoot() + L"pictures\\";
        temp = testRoot() + L"app\\tempgif\\";
        tavGifSeams().beforeDecode = &DecodeGate::hold;
        tavGifSeams().context = &gate;
    }
    void TearDown() override {
        SetEvent(gate.release.get());
        SetEvent(gate.painted.get());
        // No worker may outlive the gate it calls into.
        EXPECT_TRUE(tavGifWaitForWorkers(10000));
        tavGifSeams() = TavGifSeams{};
    }
    // A large animation: every frame decode takes real work.
    std::wstring makeBigGif(const wchar_t* name) {
        EXPECT_TRUE(writeFile(folder + name, gifBytes(640, 480, {0, 1, 2}, {2, 100, 100})));
        return name;
    }
    bool waitEntered() {
        return waitFor([&] { return WaitForSingleObject(gate.entered.get(), 0) == WAIT_OBJECT_0; }, 5000);
    }

    DecodeGate gate;
    std::wstring folder, temp;
};

TEST_F(GifDecodeTest, OwnerPaintsWhileTheWorkerDecodesAFrame) {
    std::wstring name = makeBigGif(L"big.gif");
    PaintingWnd owner;
    ASSERT_TRUE(owner.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 600, 400, 64, 48, nullptr));
    owner.show(SW_SHOWNA);
    TavGif gif;
    owner.gif = &gif;
    owner.picture = name;
    ASSERT_TRUE(gif.addPicture(folder, name, owner.handle()));
    ASSERT_TRUE(waitEntered());
    // The worker is inside a decode now. The paint path runs on this thread to its end.
    int before = owner.renders;
    SendMessageW(owner.handle(), kTavMsgRedrawRequest, 0, 0);
    EXPECT_EQ(owner.renders, before + 1);
    EXPECT_TRUE(owner.lastDrawn);
    EXPECT_EQ(owner.centre, 0xFFFF0000u); // frame 0 until the decoded frame is handed over
    EXPECT_EQ(gif.currentFrame(name), 0);
    SetEvent(gate.painted.get());
    SetEvent(gate.release.get());
    // Once handed over, the next frame is what the owner paints.
    EXPECT_TRUE(waitFor([&] { return gif.currentFrame(name) == 1; }));
    SendMessageW(owner.handle(), kTavMsgRedrawRequest, 0, 0);
    EXPECT_TRUE(owner.lastDrawn);
    EXPECT_NE(owner.centre, 0xFFFF0000u);
    EXPECT_TRUE(gate.paintSeenWhileHeld);
    EXPECT_TRUE(gif.stopAll());
}

TEST_F(GifDecodeTest, StopReturnsWithinItsBoundWhileAFrameDecodes) {
    tavGifSeams().stopWaitMs = 100;
    std::wstring name = makeBigGif(L"stuck.gif");
    auto gif = std::make_unique<TavGif>();
    ASSERT_TRUE(gif->addPicture(folder, name, nullptr));
    ASSERT_TRUE(waitEntered());
    // The decode does not end before the stop gives up waiting: the stop reports it and returns.
    EXPECT_FALSE(gif->stopAll());
    EXPECT_EQ(gif->animationCount(), 0u);
    EXPECT_FALSE(gif->workerRunning());
    EXPECT_FALSE(gif->drawPicture(name, TavMemDC(4, 4).dc(), RECT{0, 0, 4, 4}));
    EXPECT_EQ(tavGifLiveWorkers(), 1);
    EXPECT_FALSE(tavGifWaitForWorkers(0));
    // The object is usable again at once, with a worker of its own.
    std::wstring other = makeBigGif(L"other.gif");
    ASSERT_TRUE(gif->addPicture(folder, other, nullptr));
    EXPECT_TRUE(gif->workerRunning());
    EXPECT_EQ(gif->workerStarts(), 2);
    gif.reset();
    // The late worker ends once its decode returns, and frees its copy on the way out.
    SetEvent(gate.release.get());
    SetEvent(gate.painted.get());
    EXPECT_TRUE(tavGifWaitForWorkers(10000));
    EXPECT_EQ(tavGifLiveWorkers(), 0);
    EXPECT_FALSE(exists(temp + name));
    EXPECT_FALSE(exists(temp + other));
}

TEST_F(GifDecodeTest, RemovingAnAnimationDuringItsDecodeDropsTheDecodedFrame) {
    std::wstring name = makeBigGif(L"gone.gif");
    TavGif gif;
    ASSERT_TRUE(gif.addPicture(folder, name, nullptr));
    ASSERT_TRUE(waitEntered());
    gif.removePicture(name);
    EXPECT_FALSE(gif.isAnimation(name));
    SetEvent(gate.painted.get());
    SetEvent(gate.release.get());
    EXPECT_TRUE(gif.waitWorkerEnd(5000));
    EXPECT_EQ(gif.currentFrame(name), -1);
    EXPECT_FALSE(exists(temp + name));
    EXPECT_EQ(gate.decodes.load(), 1);
}

} // namespace
