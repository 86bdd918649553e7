// The move/resize frame and GIF drawing: one drag step with the outline against moving the real
// window on every step, and drawing an animation frame.
#include "Bench.h"

#include "AppPaths.h"
#include "AppState.h"
#include "DrawToolkit.h"
#include "TavGif.h"
#include "TavWndMoveResize.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

class FillWnd : public TavWndMoveResize {
public:
    TavMemDC renderSelf() override {
        RECT rc{};
        GetClientRect(handle(), &rc);
        return createMemoryDC(handle(), rc.right, rc.bottom, 0xF0FFF8C0);
    }
};

struct Gdip {
    ULONG_PTR token = 0;
    Gdip() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        appState().instance = GetModuleHandleW(nullptr);
    }
};

Gdip& gdip() {
    static Gdip g;
    return g;
}

std::unique_ptr<FillWnd> makeWindow() {
    gdip();
    auto w = std::make_unique<FillWnd>();
    w->create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 100, 100, 500, 400, nullptr);
    w->show(SW_SHOWNA);
    w->redrawAll();
    w->present();
    return w;
}

// A two-frame 200 x 150 GIF, one color per frame.
std::string twoFrameGif() {
    std::string out = "GIF89a";
    auto word = [&out](int v) {
        out += char(v & 0xFF);
        out += char((v >> 8) & 0xFF);
    };
    word(200);
    word(150);
    out += std::string("\x91\x00\x00\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\xFF\xFF\xFF", 15);
    for (int f = 0; f < 2; ++f) {
        out += std::string("\x21\xF9\x04\x04\x0A\x00\x00\x00", 8);
        out += '\x2C';
        word(0);
        word(0);
        word(200);
        word(150);
        out += std::string("\x00\x02", 2);
        std::string data;
        uint32_t bits = 0;
        int count = 0;
        auto put = [&](int code) {
            bits |= uint32_t(code) << count;
            for (count += 3; count >= 8; count -= 8, bits >>= 8) data += char(bits & 0xFF);
        };
        for (int p = 0; p < 200 * 150; ++p) {
            if (p % 2 == 0) put(4);
            put(f);
        }
        put(5);
        if (count > 0) data += char(bits & 0xFF);
        for (size_t i = 0; i < data.size(); i += 255) {
            size_t n = std::min<size_t>(255, data.size() - i);
            out += char(n);
            out += data.substr(i, n);
        }
        out += '\0';
    }
    out += '\x3B';
    return out;
}

} // namespace

TAV_BENCH(move_drag_step_outline_vs_window) {
    auto w = makeWindow();
    HWND h = w->handle();
    // Pressed in the bottom-right corner; each step moves the pointer by one pixel.
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(498, 398));
    int step = 0;
    double outline = bench::medianMs(200, [&] {
        ++step;
        SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(498 + step % 50, 398 + step % 50));
    });
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(498, 398));
    bench::report("resize step, outline of 500x400 follows (ms)", outline, "ms");
    // Moving: a subclass drags by its inside (cursor kind 1); the outline only changes place.
    MoveWindow(h, 100, 100, 500, 400, TRUE);
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(250, 200));
    w->setCursorKind(kCursorSizeAll);
    double moving = bench::medianMs(200, [&] {
        ++step;
        SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(250 + step % 50, 200 + step % 50));
    });
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(250, 200));
    bench::report("move step, outline of 500x400 follows (ms)", moving, "ms");
    // What the frame avoids: resizing the real layered window on every step.
    double direct = bench::medianMs(50, [&] {
        ++step;
        MoveWindow(h, 100, 100, 500 + step % 50, 400 + step % 50, TRUE);
        w->present();
    });
    bench::report("drag step, real 500x400 window resized (ms)", direct, "ms");
    bench::report("ratio real window / outline", direct / outline, "x");
    TavWnd::setFocusedWindow(nullptr);
}

TAV_BENCH(gif_draw_frame) {
    gdip();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"tavnote_bench_gif\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    setAppDirectoryOverride(folder);
    std::string bytes = twoFrameGif();
    FILE* f = _wfopen((folder + L"anim.gif").c_str(), L"wb");
    if (!f) return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    {
        TavGif gif;
        gif.addPicture(folder, L"anim.gif", nullptr);
        TavMemDC dc(200, 150);
        RECT rc{0, 0, 200, 150};
        double draw = bench::medianMs(100, [&] { gif.drawPicture(L"anim.gif", dc.dc(), rc); });
        bench::report("GIF frame 200x150 drawn into a DC (ms)", draw, "ms");
        double start = bench::medianMs(20, [&] {
            TavGif other;
            other.addPicture(folder, L"anim.gif", nullptr);
            other.stopAll();
        });
        bench::report("GIF add (copy, load, start worker) + stop all (ms)", start, "ms");
    }
    DeleteFileW((folder + L"anim.gif").c_str());
    RemoveDirectoryW((folder + L"tempgif\\").c_str());
    RemoveDirectoryW(folder.c_str());
    setAppDirectoryOverride(L"");
}
