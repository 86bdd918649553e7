// The export run from the manager: the destination asked for, the progress window showing the
// steps and closing itself after the last, the file written by the worker; PNG files of the same
// names replaced only after the question.
#include "win_support.h"

#include "FileSystem.h"
#include "ImageFiles.h"
#include "NoteFormat.h"
#include "NoteStore.h"
#include "TavNoteExportMsg.h"
#include "ScreenCapture.h"

namespace {

class ExportWindowTest : public ManagerWindowTest {
protected:
    // A stored note of the system group with one rich text block holding `text`.
    void note(const std::wstring& unique, const std::string& text) {
        TavNoteStore store(unique, L"", 0);
        ASSERT_TRUE(store.SaveUnique());
        const int id = 710000 + int(unique.back());
        ASSERT_TRUE(store.AddChildRecord(id, kRichTextChildClass));
        writeBytes(store.childFilePath(id), "<TavRichEditNI>\r\n<ID>" + std::to_string(id) +
                                                "</ID>\r\n<rtftext>" + std::to_string(id) +
                                                "_rtf</rtftext>\r\n</TavRichEditNI>\r\n");
        writeBytes(store.childBodyPath(id), "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 " + text + "}");
    }
    TempFolder out{L"tavnote_export_window"};
};

TEST_F(ExportWindowTest, TheProgressWindowCountsAndClosesItselfOnceTheFileIsWritten) {
    note(L"a1", "alpha ");
    note(L"a2", "beta ");
    note(L"a3", "gamma");
    ExportKind asked{};
    const bool done = runNoteExport(nullptr, ExportKind::Text, noteItemsDirectory(), {L"a3", L"a1", L"a2"},
                                    {[&](ExportKind kind) {
                                         asked = kind;
                                         return out.file(L"notes");
                                     },
                                     nullptr});
    // The modal run ended by itself: the window closed after the last step.
    EXPECT_TRUE(done);
    EXPECT_EQ(asked, ExportKind::Text);
    // Notes in ascending order of name, their blocks' text one after the other.
    EXPECT_EQ(readBytes(out.file(L"notes")), "alpha beta gamma");
}

TEST_F(ExportWindowTest, PicturesOfTheSameNamesAreReplacedOnlyAfterTheQuestion) {
    note(L"p1", "x");
    writeBytes(out.file(L"p1.png"), "mine");
    int asked = 0;
    const bool done = runNoteExport(nullptr, ExportKind::Png, noteItemsDirectory(), {L"p1"},
                                    {[&](ExportKind) { return out.path(); },
                                     [&] {
                                         ++asked;
                                         return false;
                                     }});
    EXPECT_FALSE(done);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(readBytes(out.file(L"p1.png")), "mine");
    // Cancelled at the destination: nothing.
    EXPECT_FALSE(runNoteExport(nullptr, ExportKind::Rtf, noteItemsDirectory(), {L"p1"},
                               {[](ExportKind) { return std::wstring(); }, nullptr}));
}

// The progress window part way, saved as "export_progress.png" for a person to look at (a real
// export of a few notes closes it before anyone could see it). The worker is not started here.
TEST_F(ExportWindowTest, ScreenshotOfTheProgressWindowPartWay) {
    class Held : public TavNoteExportMsg {
    public:
        using TavNoteExportMsg::TavNoteExportMsg;
        void onCreated() override { TavNoteMessageBox::onCreated(); }
    } progress(ExportKind::Text, {}, out.file(L"unused.txt"));
    ASSERT_TRUE(progress.createModeless(nullptr));
    SendMessageW(progress.handle(), kExportMsgProgress, 2, 5);
    pumpMessages();
    EXPECT_EQ(progress.message(), L"正在导出，已完成 2/3...");
    EXPECT_TRUE(saveWindowPng(progress, L"export_progress.png"));
    DestroyWindow(progress.handle());
    EXPECT_FALSE(fileExists(out.file(L"unused.txt")));
}

} // namespace
