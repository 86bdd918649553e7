// Exporting notes: the text and RTF of stored rich text blocks gathered in order, Chinese text
// kept (ANSI when the code page holds it, UTF-8 with a byte-order mark when not), the progress
// steps, cancelling, and a block whose body name leads outside giving nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include <gdiplus.h>

#include "AppPaths.h"
#include "CRtfReader.h"
#include "NoteExport.h"
#include "NoteFormat.h"
#include "NoteStore.h"
#include "TempFolder.h"

namespace {

std::string ansi(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string utf8(const std::wstring& text) {
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

TEST(ExportText, ProgressTextsAndFileNames) {
    struct Step {
        int done, total;
        const wchar_t* text;
    } steps[] = {{1, 5, L"正在导出，已完成 1/3..."},
                 {3, 5, L"正在导出，已完成 3/3..."},
                 {4, 5, L"正在完成导出..."},
                 {5, 5, L""},
                 {1, 3, L"正在导出，已完成 1/1..."}};
    for (const Step& s : steps) EXPECT_EQ(exportProgressText(s.done, s.total), s.text) << s.done;
    struct Name {
        const wchar_t* chosen;
        const wchar_t* written;
    } names[] = {{L"C:\\a\\notes", L"C:\\a\\notes.txt"},
                 {L"C:\\a\\notes.txt", L"C:\\a\\notes.txt"},
                 {L"C:\\a\\notes.doc", L"C:\\a\\notes.doc"},
                 {L"C:\\a\\n.tx", L"C:\\a\\n.tx.txt"},
                 {L"ab", L"ab.txt"}};
    for (const Name& n : names) EXPECT_EQ(withExportExtension(n.chosen, L".txt"), n.written);
}

TEST(ExportText, LineEndsAndCharactersTheCodePageLacks) {
    EXPECT_EQ(exportTextBytes(L"a\rb\r\nc\nd"), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(exportTextBytes(L"工作计划\r"), ansi(L"工作计划\r\n"));
    // An emoji has no place in the ANSI code page: the whole file is UTF-8, nothing becomes "?".
    EXPECT_EQ(exportTextBytes(L"计划😀"), "\xEF\xBB\xBF" + utf8(L"计划😀"));
    EXPECT_EQ(exportTextBytes(L""), "");
}

class ExportFromFiles : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        app_ = std::make_unique<TempFolder>(L"tavnote_export");
        out_ = std::make_unique<TempFolder>(L"tavnote_export_out");
        setAppDirectoryOverride(app_->path());
    }
    void TearDown() override {
        setAppDirectoryOverride(L"");
        app_.reset();
        out_.reset();
        Gdiplus::GdiplusShutdown(token_);
    }
    // A stored note of the system group with a rich text block per body (its RTF bytes), and
    // optionally a block whose body name is `hostileName`.
    void note(const std::wstring& unique, const std::vector<std::string>& bodies,
              const std::string& hostileName = "") {
        TavNoteStore store(unique, L"", 0);
        ASSERT_TRUE(store.SaveUnique());
        int id = 700000 + int(bodies.size()) * 10 + int(unique.size());
        auto block = [&](int childId, const std::string& bodyName) {
            ASSERT_TRUE(store.AddChildRecord(childId, kRichTextChildClass));
            writeBytes(store.childFilePath(childId), "<TavRichEditNI>\r\n<ID>" + std::to_string(childId) +
                                                         "</ID>\r\n<rtftext>" + bodyName +
                                                         "</rtftext>\r\n</TavRichEditNI>\r\n");
        };
        for (const std::string& body : bodies) {
            ++id;
            block(id, std::to_string(id) + "_rtf");
            writeBytes(store.childBodyPath(id), body);
        }
        if (!hostileName.empty()) block(++id, hostileName);
    }
    std::string rtf(const std::wstring& text) {
        return "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 "
               "SimSun;}}{\\colortbl;\\red255\\green0\\blue0;}"
               "\\f0\\fs24\\cf1 " +
               ansi(text) + "}";
    }
    ULONG_PTR token_ = 0;
    std::unique_ptr<TempFolder> app_, out_;
};

TEST_F(ExportFromFiles, TextAndRtfHoldEveryBlockInOrderAndTheProgressCounts) {
    writeBytes(out_->file(L"secret.rtf"), rtf(L"不该导出"));
    note(L"n1", {rtf(L"第一"), rtf(L"second")});
    // From the note folder (app\NoteData\NoteItems\n2\) four levels up is the temporary folder.
    std::wstring outName = out_->path().substr(0, out_->path().size() - 1);
    outName = outName.substr(outName.find_last_of(L'\\') + 1);
    note(L"n2", {rtf(L"工作计划")},
         "..\\..\\..\\..\\" + std::string(outName.begin(), outName.end()) + "\\secret.rtf");
    note(L"n0", {}, "C:\\windows\\win.ini");
    std::vector<ExportNote> notes =
        gatherExport(noteItemsDirectory(), {L"n2", L"n1", L"n0"}, ExportKind::Text);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].unique, L"n0"); // ascending names
    std::vector<std::pair<int, int>> steps;
    std::atomic<bool> cancel{false};
    const std::wstring text = out_->file(L"notes.txt");
    ASSERT_TRUE(writeExport(
        ExportKind::Text, notes, text, [&](int d, int t) { steps.emplace_back(d, t); }, cancel));
    EXPECT_EQ(readBytes(text), ansi(L"第一second工作计划"));
    EXPECT_EQ(steps, (std::vector<std::pair<int, int>>{{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}));

    const std::wstring rtfPath = out_->file(L"notes.rtf");
    ASSERT_TRUE(writeExport(ExportKind::Rtf, notes, rtfPath, nullptr, cancel));
    CRtfReader reader;
    ASSERT_EQ(reader.open(rtfPath), 0);
    std::wstring read;
    bool red = false;
    for (const RtfCharRun& run : reader.runs()) {
        read += run.text;
        if (run.color >= 1 && size_t(run.color) <= reader.colors().size())
            red = red || reader.colors()[size_t(run.color) - 1] == 0xFF0000u;
    }
    EXPECT_EQ(read, L"第一second工作计划");
    EXPECT_TRUE(red) << "the text keeps its colour";

    // Cancelled at the second note: no file.
    const std::wstring cancelled = out_->file(L"cancelled.txt");
    std::atomic<bool> stop{false};
    EXPECT_FALSE(writeExport(
        ExportKind::Text, notes, cancelled, [&](int d, int) { stop = d >= 2; }, stop));
    EXPECT_FALSE(pathExists(cancelled));
    for (const wchar_t* bad : {L"", L"relative.txt", L".\\x.txt"})
        EXPECT_FALSE(writeExport(ExportKind::Text, notes, bad, nullptr, cancel));
}

TEST_F(ExportFromFiles, PicturesAreOnePngPerNoteNamedAfterIt) {
    note(L"p1", {});
    note(L"p2", {});
    std::vector<ExportNote> notes = gatherExport(noteItemsDirectory(), {L"p1", L"p2"}, ExportKind::Png);
    std::vector<uint32_t> pixels(20 * 10, 0xFF336699u);
    notes[0].pixels = pixels;
    notes[0].width = 20;
    notes[0].height = 10;
    writeBytes(noteItemsDirectory() + L"p2\\snap.png", "\x89PNG stored");
    notes[1].snapshotFile = noteItemsDirectory() + L"p2\\snap.png";
    std::atomic<bool> cancel{false};
    ASSERT_TRUE(writeExport(ExportKind::Png, notes, out_->path(), nullptr, cancel));
    EXPECT_EQ(readBytes(out_->file(L"p1.png")).substr(1, 3), "PNG");
    EXPECT_EQ(readBytes(out_->file(L"p2.png")), "\x89PNG stored");
}

} // namespace
