// Drawing toolkit costs: text with alpha, measuring, the font cache, blur, shadow and PNG export.
#include <windows.h>
#include <gdiplus.h>

#include "Bench.h"
#include "Blur.h"
#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "TavFont.h"

namespace {

// GDI+ for the cases below; started before the first case runs (static order in this file).
struct GdiplusSession {
    ULONG_PTR token = 0;
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
} session;

const std::wstring kCaption = L"提醒：明天上午十点 meeting with 张三";

} // namespace

TAV_BENCH(draw_default_text_caption) {
    RECT rect{0, 0, 300, 20};
    double ms = bench::medianMs(50, [&] {
        drawDefaultText(nullptr, kCaption, Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter,
                        rect);
    });
    bench::report("drawDefaultText, 30 chars into 300x20 (text with alpha)", ms, "ms");
}

TAV_BENCH(measure_text_format) {
    double ms = bench::medianMs(200, [] { measureTextFormat(nullptr, kCaption); });
    bench::report("measureTextFormat, 30 chars", ms, "ms");
}

TAV_BENCH(font_cache_hit) {
    double ms = bench::medianMs(50, [] {
        for (int i = 0; i < 1000; ++i) createFont(L"宋体", 13.0f + float(i % 3) * 0.3f, 0);
    });
    bench::report("font cache lookups, 1000 hits", ms, "ms");
}

TAV_BENCH(blur_and_shadow) {
    TavMemDC src = createMemoryDC(nullptr, 300, 300, 0xFF336699);
    double blur = bench::medianMs(20, [&] { blurredCopy(nullptr, src.dc(), 300, 300); });
    bench::report("blurredCopy 300x300, radius 2", blur, "ms");
    double shadow = bench::medianMs(20, [] { dropShadow(nullptr, 0, 0, 200, 300, 3, 0xFF000000); });
    bench::report("dropShadow 200x300 menu, radius 3", shadow, "ms");
}

TAV_BENCH(png_export) {
    TavMemDC note = createMemoryDC(nullptr, 400, 400, 0xC0FFF8E0);
    double ms = bench::medianMs(20, [&] { dcToBitmap(nullptr, note.dc(), 400, 400); });
    bench::report("dcToBitmap 400x400 (flip + un-premultiply)", ms, "ms");
}
