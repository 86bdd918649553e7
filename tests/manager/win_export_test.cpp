// The export run from the manager: the destination asked for, the progress window showing the
// steps and closing itself after the last, the file written by the worker; PNG files of the same
// names replaced only after the question.
#include "win_support.h"

#include "NoteFormat.h"
#include "NoteStore.h"
#include "TavNoteExportMsg.h"

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

} // namespace
