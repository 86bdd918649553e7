// Typing into a note's text block that already holds 10,000 characters: one character per key,
// measured from the key message to the presented frame (the block grows, scrolls and redraws
// within the same call), median over the keys.
#include "AppState.h"
#include "Bench.h"
#include "Sampler.h"
#include "TavRichEditNI.h"

#include <gdiplus.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct GdiplusSession {
    ULONG_PTR token = 0;
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token); }
};

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The note: a plain opaque layered panel.
class Panel : public TavWnd {
public:
    TavMemDC renderSelf() override {
        RECT rc{};
        GetClientRect(handle(), &rc);
        return createMemoryDC(handle(), rc.right, rc.bottom, 0xFFFFF3B0);
    }
};

// 10,000 characters of mixed text with a line end every 60 characters.
std::wstring startText() {
    const std::wstring sample = L"便签的文字 sticky note text, 第二部分 and more words ";
    std::wstring text;
    while (text.size() < 10000) {
        text += sample[text.size() % sample.size()];
        if (text.size() % 60 == 59) text += L'\r';
    }
    text.resize(10000);
    return text;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Types `count` characters at the caret, each through the window's message, timed one by one.
double typeKeys(TavRichEditNI& block, int count) {
    const std::wstring keys = L"键入的字 typed ";
    std::vector<double> times;
    bench::Sampler sampler;
    for (int i = 0; i < count; ++i) {
        const double start = bench::nowMs();
        SendMessageW(block.handle(), WM_CHAR, keys[size_t(i) % keys.size()], 1);
        times.push_back(bench::nowMs() - start);
        if (i % 64 == 0) pump();
    }
    return median(times);
}

} // namespace

TAV_BENCH(blockTyping) {
    GdiplusSession gdiplus;
    appState().instance = GetModuleHandleW(nullptr);
    Panel note;
    note.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 20, 20, 420, 320, nullptr);
    note.show(SW_SHOWNA);
    // No note name: the block keeps nothing on disk.
    TavRichEditNI block(L"", L"");
    block.createInNote(note.handle(), 0, RECT{10, 10, 200, 40});
    block.doc().setCurrentFont(L"WenQuanYi Zen Hei", 16, 0);
    note.redrawAll();
    note.present();
    block.activateAt(0, 0);
    block.insertText(startText());
    pump();
    const int held = block.doc().linearIndex(block.doc().endPos());
    if (held < 10000) std::printf("warning: the block holds %d characters\n", held);

    block.moveCaretTo(block.doc().rowCount() - 1, 1 << 20, true);
    bench::report("block with 10,000 chars: one key at the end (median)", typeKeys(block, 400), "ms");
    block.moveCaretTo(0, 0, true);
    bench::report("block with 10,000 chars: one key at the start (median)", typeKeys(block, 400), "ms");
    block.moveCaretTo(block.doc().rowCount() / 2, 30, true);
    bench::report("block with 10,000 chars: one key in the middle (median)", typeKeys(block, 400), "ms");
}
