// RTF save and load of a long note body, against Wine's RichEdit reading the same bytes.
#include "Bench.h"
#include "CRtfReader.h"
#include "CRtfWriter.h"

#include <windows.h>
#include <gdiplus.h>
#include <richedit.h>

#include <cstring>

namespace {

struct GdiplusSession {
    ULONG_PTR token = 0;
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token); }
};

// About 86,000 characters: mixed Chinese and Latin text, a format change every few characters.
RtfDocument longDocument() {
    RtfDocument doc;
    doc.fontFamilies = {L"Arial", L"宋体"};
    doc.colours = {0xFF000000, 0xFF0080FF, 0xFFFF0000};
    const std::wstring sample = L"便签的文字 sticky note text, 第二部分\t{x}\r";
    for (int k = 0; doc.runs.size() < 86000; ++k) {
        for (wchar_t ch : sample) {
            RtfRun r;
            r.text = std::wstring(1, ch);
            r.font = (k / 3) % 2;
            r.argb = doc.colours[size_t(k % 3)];
            r.sizePixels = k % 4 ? 16 : 20;
            r.bold = k % 5 == 0;
            doc.runs.push_back(r);
        }
    }
    return doc;
}

struct StreamSource {
    const std::string* bytes;
    size_t pos;
};

DWORD CALLBACK streamIn(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got) {
    auto* src = reinterpret_cast<StreamSource*>(cookie);
    const size_t n = std::min(size_t(wanted), src->bytes->size() - src->pos);
    std::memcpy(buffer, src->bytes->data() + src->pos, n);
    src->pos += n;
    *got = LONG(n);
    return 0;
}

} // namespace

TAV_BENCH(rtfSaveAndLoad) {
    GdiplusSession gdiplus;
    const RtfDocument doc = longDocument();
    std::string rtf;
    const double save = bench::medianMs(7, [&] { rtf = rtfToString(doc); });
    bench::report("RTF save, 86,000 characters (ms)", save, "ms");
    bench::report("RTF size (KB)", double(rtf.size()) / 1024.0, "KB");

    std::vector<RtfInsertChar> chars;
    const double parse = bench::medianMs(7, [&] {
        CRtfReader reader;
        reader.parse(rtf.data(), rtf.size());
    });
    bench::report("RTF parse, 86,000 characters (ms)", parse, "ms");
    const double load = bench::medianMs(7, [&] { loadRtfCharacters(rtf.data(), rtf.size(), chars); });
    bench::report("RTF load to characters, 86,000 characters (ms)", load, "ms");

    if (!LoadLibraryW(L"Msftedit.dll"))
        return;
    HWND edit = CreateWindowExW(0, MSFTEDIT_CLASS, L"", WS_POPUP | ES_MULTILINE, 0, 0, 400, 300,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!edit)
        return;
    const double peer = bench::medianMs(5, [&] {
        StreamSource src{&rtf, 0};
        EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&src), 0, streamIn};
        SendMessageW(edit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es));
    });
    bench::report("Wine RichEdit stream-in of the same RTF (ms)", peer, "ms");
    bench::report("our load / RichEdit stream-in", load / peer, "ratio");
    DestroyWindow(edit);
}
