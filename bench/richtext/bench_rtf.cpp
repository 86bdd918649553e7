// RTF save and load of a long note body, against Wine's RichEdit reading the same bytes.
#include "Bench.h"
#include "CRtfReader.h"
#include "CRtfWriter.h"

#include <windows.h>
#include <gdiplus.h>
#include <richedit.h>

#include <cstdio>
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
    doc.colors = {0xFF000000, 0xFF0080FF, 0xFFFF0000};
    const std::wstring sample = L"便签的文字 sticky note text, 第二部分\t{x}\r";
    for (int k = 0; doc.runs.size() < 86000; ++k) {
        for (wchar_t ch : sample) {
            RtfRun r;
            r.text = std::wstring(1, ch);
            r.font = (k / 3) % 2;
            r.argb = doc.colors[size_t(k % 3)];
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

// Text of which a code page holds little: CJK, emoji and Latin-1 mixed.
RtfDocument unicodeDocument(unsigned codePage) {
    RtfDocument doc;
    doc.codePage = codePage;
    doc.fontFamilies = {L"宋体"};
    doc.colors = {0xFF000000};
    const std::wstring sample = L"便签 \U0001F600 café 한국어 \U0001F44D\r";
    RtfRun r;
    r.sizePixels = 16;
    while (r.text.size() < 86000) r.text += sample;
    doc.runs.push_back(r);
    return doc;
}

std::string repeated(const std::string& head, const std::string& unit, size_t bytes,
                     const std::string& tail) {
    std::string s = head;
    s.reserve(bytes + head.size() + tail.size());
    while (s.size() < bytes) s += unit;
    return s + tail;
}

} // namespace

TAV_BENCH(rtfUnicodeAndHostile) {
    GdiplusSession gdiplus;
    for (unsigned page : {936u, 1252u}) {
        const RtfDocument doc = unicodeDocument(page);
        std::string rtf;
        const double save = bench::medianMs(7, [&] { rtf = rtfToString(doc); });
        const double parse = bench::medianMs(7, [&] {
            CRtfReader reader;
            reader.parse(rtf.data(), rtf.size());
        });
        std::printf("  code page %u: %zu KB\n", page, rtf.size() / 1024);
        bench::report(page == 936 ? "RTF save, 86,000 mixed characters, cp 936 (ms)"
                                  : "RTF save, 86,000 mixed characters, cp 1252 (ms)",
                      save, "ms");
        bench::report(page == 936 ? "RTF parse, 86,000 mixed characters, cp 936 (ms)"
                                  : "RTF parse, 86,000 mixed characters, cp 1252 (ms)",
                      parse, "ms");
    }
    struct Hostile {
        const char* name;
        std::string rtf;
    };
    std::string fonts = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 100000; ++i) fonts += "{\\f" + std::to_string(i) + " F" + std::to_string(i) + ";}";
    fonts += "}x}";
    const Hostile hostile[] = {
        {"10 MB of {\\b x} (ms)", repeated("{\\rtf1 ", "{\\b x}", 10u << 20, "}")},
        {"10 MB alternating \\b x\\b0 y (ms)", repeated("{\\rtf1 ", "\\b x\\b0 y", 10u << 20, "}")},
        {"10 MB of \\u-10179?\\u-8704? (ms)", repeated("{\\rtf1 ", "\\u-10179?\\u-8704?", 10u << 20, "}")},
        {"10 MB of nested { (ms)", std::string(10u << 20, '{')},
        {"10 MB control word (ms)", "{\\rtf1 \\" + std::string(10u << 20, 'q') + " x}"},
        {"10 MB parameter (ms)", "{\\rtf1 \\fs" + std::string(10u << 20, '9') + " x}"},
        {"100,000 font entries (ms)", fonts},
    };
    for (const Hostile& h : hostile) {
        const double ms = bench::medianMs(3, [&] {
            CRtfReader reader;
            reader.parse(h.rtf.data(), h.rtf.size());
        });
        bench::report(h.name, ms, "ms");
    }
}

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

    if (!LoadLibraryW(L"Msftedit.dll")) return;
    HWND edit = CreateWindowExW(0, MSFTEDIT_CLASS, L"", WS_POPUP | ES_MULTILINE, 0, 0, 400, 300, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!edit) return;
    const double peer = bench::medianMs(5, [&] {
        StreamSource src{&rtf, 0};
        EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&src), 0, streamIn};
        SendMessageW(edit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es));
    });
    bench::report("Wine RichEdit stream-in of the same RTF (ms)", peer, "ms");
    bench::report("our load / RichEdit stream-in", load / peer, "ratio");
    DestroyWindow(edit);
}
