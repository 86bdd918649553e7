// The rich text editor against Wine's RichEdit (RICHEDIT50W) doing the same work in the same run:
// typing 10,000 characters one key at a time (each key including the presented frame), loading
// a 200 KB RTF document and saving it.
#include "AppState.h"
#include "Bench.h"
#include "CRtfReader.h"
#include "CRtfWriter.h"
#include "TavRichEdit.h"
#include "TavRichEditRtf.h"

#include <gdiplus.h>
#include <richedit.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
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

// A note-like white panel holding the editor.
class Panel : public TavWnd {
public:
    TavMemDC renderSelf() override {
        RECT rc{};
        GetClientRect(handle(), &rc);
        return createMemoryDC(handle(), rc.right, rc.bottom, 0xFFFFFFF0);
    }
};

struct OurEditor {
    Panel panel;
    TavRichEdit edit;
    OurEditor() {
        panel.create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 20, 20, 420, 320, nullptr);
        panel.show(SW_SHOWNA);
        edit.create(0, L"", 0, WS_CHILD | WS_VISIBLE, 10, 10, 400, 300, panel.handle());
        edit.doc().setCurrentFont(L"WenQuanYi Zen Hei", 16, 0);
        panel.redrawAll();
        panel.present();
        edit.takeFocus();
        pump();
    }
};

struct PeerEditor {
    HWND frame = nullptr;
    HWND edit = nullptr;
    PeerEditor() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BenchPeerFrame";
        RegisterClassW(&wc);
        frame = CreateWindowExW(WS_EX_TOOLWINDOW, L"BenchPeerFrame", L"", WS_POPUP | WS_VISIBLE, 460, 20, 420,
                                320, nullptr, nullptr, wc.hInstance, nullptr);
        edit = CreateWindowExW(0, MSFTEDIT_CLASS, L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL,
                               10, 10, 400, 300, frame, nullptr, wc.hInstance, nullptr);
        SetFocus(edit);
        pump();
    }
    ~PeerEditor() {
        if (frame) DestroyWindow(frame);
    }
};

// 10,000 characters of mixed text with a line end every 60 characters.
std::wstring typingText() {
    const std::wstring sample = L"便签的文字 sticky note text, 第二部分 and more words ";
    std::wstring text;
    while (text.size() < 10000) {
        text += sample[text.size() % sample.size()];
        if (text.size() % 60 == 59) text += L'\r';
    }
    text.resize(10000);
    return text;
}

RtfDocument longDocument() {
    RtfDocument doc;
    doc.fontFamilies = {L"DejaVu Sans", L"WenQuanYi Zen Hei"};
    doc.colors = {0xFF000000, 0xFF0080FF, 0xFFFF0000};
    const std::wstring sample = L"便签的文字 sticky note text, 第二部分\t{x}\r";
    for (int k = 0; doc.runs.size() < 58000; ++k) {
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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct TypingFigures {
    double perKeyAll;  // median over all 10,000 keys
    double perKeyLast; // median over the last 1,000 keys (at about 10,000 characters)
};

template <typename SendKey> TypingFigures typeAll(const std::wstring& text, SendKey send) {
    std::vector<double> times;
    times.reserve(text.size());
    for (wchar_t ch : text) {
        double s = bench::nowMs();
        send(ch);
        times.push_back(bench::nowMs() - s);
        if (times.size() % 256 == 0) pump();
    }
    std::vector<double> last(times.end() - 1000, times.end());
    return TypingFigures{median(times), median(last)};
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

DWORD CALLBACK streamOut(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(buffer), size_t(count));
    *done = count;
    return 0;
}

std::wstring benchFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

bool readAll(const std::wstring& path, std::string& out) {
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return false;
    char buf[65536];
    size_t n;
    out.clear();
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    fclose(f);
    return true;
}

bool writeAll(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

} // namespace

TAV_BENCH(editorTyping) {
    GdiplusSession gdiplus;
    appState().instance = GetModuleHandleW(nullptr);
    const std::wstring text = typingText();
    TypingFigures ours;
    {
        OurEditor e;
        HWND h = e.edit.handle();
        ours = typeAll(text, [h](wchar_t ch) { SendMessageW(h, WM_CHAR, ch, 1); });
        if (e.edit.doc().linearIndex(e.edit.doc().endPos()) != 10000)
            std::printf("warning: the editor holds %d characters\n",
                        e.edit.doc().linearIndex(e.edit.doc().endPos()));
    }
    {
        OurEditor e;
        e.edit.loseFocus(nullptr);
        HWND h = e.edit.handle();
        TypingFigures noCaret = typeAll(text, [h](wchar_t ch) { SendMessageW(h, WM_CHAR, ch, 1); });
        bench::report("of which without the caret window, keys 9,000-10,000 (ms)", noCaret.perKeyLast, "ms");
    }
    {
        // Where a key's time goes, at the end of a 10,000 character text.
        OurEditor e;
        e.edit.insertText(text);
        e.edit.afterChange();
        HWND panel = e.panel.handle();
        RECT wr;
        GetWindowRect(panel, &wr);
        const RECT band{wr.left + 10, wr.top + 200, wr.right - 10, wr.top + 230};
        auto time = [](const auto& body) {
            std::vector<double> t;
            for (int i = 0; i < 300; ++i) {
                double s = bench::nowMs();
                body();
                t.push_back(bench::nowMs() - s);
            }
            return median(t);
        };
        bench::report("  redraw all (compose panel and editor) (ms)", time([&] { e.panel.redrawAll(); }),
                      "ms");
        bench::report("  redraw one row band (ms)",
                      time([&] { e.panel.redrawRect(panel, TavWndSet{}, band); }), "ms");
        bench::report("  present the whole window (ms)", time([&] { e.panel.present(); }), "ms");
        const TavMemDC& frame = e.panel.backBuffer();
        SIZE size{wr.right - wr.left, wr.bottom - wr.top};
        POINT at{wr.left, wr.top}, zero{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        RECT dirty{10, 200, size.cx - 10, 230};
        UPDATELAYEREDWINDOWINFO info{sizeof(info), nullptr, &at,    &size,     frame.dc(),
                                     &zero,        0,       &blend, ULW_ALPHA, nullptr};
        bench::report("  UpdateLayeredWindowIndirect, whole (ms)",
                      time([&] { UpdateLayeredWindowIndirect(panel, &info); }), "ms");
        info.prcDirty = &dirty;
        bench::report("  UpdateLayeredWindowIndirect, one row band (ms)",
                      time([&] { UpdateLayeredWindowIndirect(panel, &info); }), "ms");
        bench::report("  editor renderSelf (ms)", time([&] { e.edit.renderSelf(); }), "ms");
        bench::report("  panel renderSelf (ms)", time([&] { e.panel.renderSelf(); }), "ms");
        TavCaret* caret = e.edit.caretWindow();
        bench::report("  caret: suspend and show again (ms)", time([&] {
                          caret->suspend();
                          caret->showCaret();
                      }),
                      "ms");
        RECT cr;
        GetWindowRect(caret->handle(), &cr);
        int flip = 0;
        bench::report("  caret: move by one character (ms)", time([&] {
                          RECT r = cr;
                          OffsetRect(&r, (flip ^= 1) ? 9 : 0, 0);
                          caret->placeAt(r, 0xFF202020);
                      }),
                      "ms");
        flip = 0;
        bench::report("  caret: SetWindowPos topmost (ms)", time([&] {
                          SetWindowPos(caret->handle(), HWND_TOPMOST, cr.left + ((flip ^= 1) ? 9 : 0), cr.top,
                                       2, cr.bottom - cr.top, SWP_NOACTIVATE | SWP_NOREDRAW);
                      }),
                      "ms");
        bench::report("  caret: SetWindowPos no z-order (ms)", time([&] {
                          SetWindowPos(caret->handle(), nullptr, cr.left + ((flip ^= 1) ? 9 : 0), cr.top, 2,
                                       cr.bottom - cr.top, SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOZORDER);
                      }),
                      "ms");
        bench::report("  afterChange without a change (ms)", time([&] { e.edit.afterChange(); }), "ms");
        bench::report("  one key (ms)", time([&] { SendMessageW(e.edit.handle(), WM_CHAR, L'x', 1); }), "ms");
    }
    bench::report("editor: key to presented frame, median of 10,000 keys (ms)", ours.perKeyAll, "ms");
    bench::report("editor: key to presented frame, keys 9,000-10,000 (ms)", ours.perKeyLast, "ms",
                  "goal < 2 ms");
    {
        TavRichEditDoc doc;
        doc.setCurrentFont(L"WenQuanYi Zen Hei", 16, 0);
        doc.createBuffer(400, 300);
        doc.setPageSize(400, 300);
        TypingFigures model = typeAll(text, [&doc](wchar_t ch) {
            doc.typeChar(ch);
            doc.updateContentSize();
            doc.scrollToCaret();
        });
        bench::report("of which the document alone, keys 9,000-10,000 (ms)", model.perKeyLast, "ms");
    }
    if (!LoadLibraryW(L"Msftedit.dll")) return;
    TypingFigures peer;
    {
        PeerEditor p;
        HWND h = p.edit;
        peer = typeAll(text, [h](wchar_t ch) {
            SendMessageW(h, WM_CHAR, ch, 1);
            UpdateWindow(h);
        });
    }
    bench::report("RichEdit: WM_CHAR + paint, median of 10,000 keys (ms)", peer.perKeyAll, "ms");
    bench::report("RichEdit: WM_CHAR + paint, keys 9,000-10,000 (ms)", peer.perKeyLast, "ms");
    bench::report("typing ratio ours / RichEdit (all keys)", ours.perKeyAll / peer.perKeyAll, "ratio",
                  "goal <= 1");
    bench::report("typing ratio ours / RichEdit (last 1,000)", ours.perKeyLast / peer.perKeyLast, "ratio",
                  "goal <= 1");
}

TAV_BENCH(editorRtfLoadAndSave) {
    GdiplusSession gdiplus;
    appState().instance = GetModuleHandleW(nullptr);
    const std::string rtf = rtfToString(longDocument());
    const std::wstring source = benchFile(L"tav_bench_editor_in.rtf");
    const std::wstring ourOut = benchFile(L"tav_bench_editor_out.rtf");
    const std::wstring peerOut = benchFile(L"tav_bench_editor_peer.rtf");
    writeAll(source, rtf);
    bench::report("RTF document size (KB)", double(rtf.size()) / 1024.0, "KB");

    std::vector<double> loads, saves;
    size_t chars = 0;
    for (int run = 0; run < 5; ++run) {
        OurEditor e;
        double s = bench::nowMs();
        e.edit.loadRtf(source);
        loads.push_back(bench::nowMs() - s);
        chars = size_t(e.edit.doc().linearIndex(e.edit.doc().endPos()));
        s = bench::nowMs();
        e.edit.saveRtf(ourOut);
        saves.push_back(bench::nowMs() - s);
    }
    std::printf("editor loaded %zu characters\n", chars);
    {
        // Where a save's time goes; the last line writes the same bytes the way the peer's
        // figure below does (one plain write, no temporary file and no replacing).
        OurEditor e;
        e.edit.loadRtf(source);
        std::vector<double> collect, model, bytes, plain;
        for (int run = 0; run < 5; ++run) {
            double s = bench::nowMs();
            std::vector<TavGlyph*> glyphs = e.edit.doc().allGlyphs();
            collect.push_back(bench::nowMs() - s);
            s = bench::nowMs();
            RtfDocument d = rtfDocumentFromGlyphs(glyphs);
            model.push_back(bench::nowMs() - s);
            s = bench::nowMs();
            std::string out = rtfToString(d);
            bytes.push_back(bench::nowMs() - s);
            s = bench::nowMs();
            writeAll(ourOut, out);
            plain.push_back(bench::nowMs() - s);
        }
        std::printf(
            "  save: collecting glyphs %.2f ms, runs %.2f ms, RTF bytes %.2f ms, one plain write %.2f ms\n",
            median(collect), median(model), median(bytes), median(plain));
    }
    {
        // Where a load's time goes (medians of five).
        std::vector<RtfInsertChar> parsed;
        std::vector<double> parse, make, placeBare, placeBuffered, paintShown, buffer;
        for (int run = 0; run < 5; ++run) {
            double s = bench::nowMs();
            loadRtfCharacters(source, parsed);
            parse.push_back(bench::nowMs() - s);
            for (int buffered = 0; buffered < 2; ++buffered) {
                TavRichEditDoc d;
                if (buffered) d.createBuffer(400, 300);
                s = bench::nowMs();
                std::vector<TavGlyph*> glyphs;
                for (const RtfInsertChar& c : parsed) {
                    if (c.setFont) d.setCurrentFont(c.family, float(c.pixelSize), c.style);
                    glyphs.push_back(new TavGlyphTChar(c.ch, d.currentFont(), c.argb, 254));
                }
                make.push_back(bench::nowMs() - s);
                s = bench::nowMs();
                d.insertGlyphs(TavTextPos{}, glyphs);
                (buffered ? placeBuffered : placeBare).push_back(bench::nowMs() - s);
                if (buffered) {
                    s = bench::nowMs();
                    d.paintRowsIn(0, 300);
                    paintShown.push_back(bench::nowMs() - s);
                    s = bench::nowMs();
                    TavMemDC big(d.buffer().width(), d.buffer().height());
                    buffer.push_back(bench::nowMs() - s);
                }
            }
        }
        std::printf(
            "  load: RTF to characters %.1f ms, making glyphs %.1f ms, placing them without a buffer "
            "%.1f ms, with one %.1f ms, painting the rows shown %.2f ms, clearing a buffer of the final size "
            "would add %.2f ms\n",
            median(parse), median(make), median(placeBare), median(placeBuffered), median(paintShown),
            median(buffer));
    }
    const double ourLoad = median(loads), ourSave = median(saves);
    bench::report("editor: load 200 KB RTF into the editor, presented (ms)", ourLoad, "ms");
    bench::report("editor: save it as RTF (ms)", ourSave, "ms");

    if (!LoadLibraryW(L"Msftedit.dll")) return;
    std::vector<double> peerLoads, peerSaves;
    for (int run = 0; run < 5; ++run) {
        PeerEditor p;
        double s = bench::nowMs();
        std::string bytes;
        readAll(source, bytes);
        StreamSource src{&bytes, 0};
        EDITSTREAM in{reinterpret_cast<DWORD_PTR>(&src), 0, streamIn};
        SendMessageW(p.edit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&in));
        UpdateWindow(p.edit);
        peerLoads.push_back(bench::nowMs() - s);
        s = bench::nowMs();
        std::string out;
        EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&out), 0, streamOut};
        SendMessageW(p.edit, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&es));
        writeAll(peerOut, out);
        peerSaves.push_back(bench::nowMs() - s);
    }
    const double peerLoad = median(peerLoads), peerSave = median(peerSaves);
    bench::report("RichEdit: stream in from the file, painted (ms)", peerLoad, "ms");
    bench::report("RichEdit: stream out to a file (ms)", peerSave, "ms");
    bench::report("load ratio ours / RichEdit", ourLoad / peerLoad, "ratio", "goal <= 1");
    bench::report("save ratio ours / RichEdit", ourSave / peerSave, "ratio", "goal <= 1");
    DeleteFileW(source.c_str());
    DeleteFileW(ourOut.c_str());
    DeleteFileW(peerOut.c_str());
}
