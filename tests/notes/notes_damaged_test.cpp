// Damaged note files: reading gives defaults and never writes; the first change keeps the
// damaged file as "<name>.xml.bad" beside a repaired one; a file that cannot be read is left.
#include "NoteFormat.h"
#include "XmlDocument.h"
#include "notes_support.h"

namespace {

struct DamagedCase {
    const char* name;
    bool present;
    std::string bytes;
    const char* salvagedUnique; // what the repaired file still names, "" for nothing
};

const DamagedCase kDamaged[] = {
    {"missing", false, "", ""},
    {"empty", true, "", ""},
    {"binary", true, std::string("\x00\xFF\xFE\x89PNG\r\n\x1A\n\x00\x01", 12), ""},
    {"text only", true, "just some words", ""},
    {"wrong root", true, "<Other><unique>x</unique></Other>", ""},
    {"two roots", true, "<TavNoteItem><unique>u2</unique></TavNoteItem><TavNoteItem/>", "u2"},
    {"lone end tag", true, "<TavNoteItem><unique>u3</unique></left><ID>9</ID></TavNoteItem>", "u3"},
    {"truncated", true,
     "<TavNoteItem>\r\n<ID>5</ID>\r\n<unique>u4</unique>\r\n<left>10</left>\r\n<ChildItems>\r\n"
     "<Item identify=\"TavRichEditNI\">100200</Item>\r\n</ChildItems>\r\n<top>2",
     "u4"},
};

} // namespace

class DamagedNoteTest : public NoteFolderTest {};

TEST_F(DamagedNoteTest, ReadingGivesDefaultsAndLeavesTheFileAsItIs) {
    for (const DamagedCase& c : kDamaged) {
        SCOPED_TRACE(c.name);
        TavNoteStore note(std::string(c.name) == "missing" ? L"m" : L"d", L"", 100001);
        std::wstring path = note.createFolder() + note.unique() + L".xml";
        if (c.present) {
            ASSERT_TRUE(writeBytes(path, c.bytes));
        }

        EXPECT_FALSE(note.LoadGeometry());
        EXPECT_FALSE(note.LoadColor());
        EXPECT_FALSE(note.LoadUnique());
        EXPECT_FALSE(note.LoadHidden());
        EXPECT_FALSE(note.LoadGroup());
        EXPECT_TRUE(note.LoadChildren().empty());
        EXPECT_FALSE(note.deleteSnapshotFile());

        EXPECT_EQ(pathExists(path), c.present);
        if (c.present) {
            EXPECT_EQ(readBytes(path), c.bytes);
        }
        EXPECT_FALSE(pathExists(path + L".bad"));
    }
}

TEST_F(DamagedNoteTest, TheFirstChangeKeepsTheDamagedFileAndRepairsTheNote) {
    int n = 0;
    for (const DamagedCase& c : kDamaged) {
        SCOPED_TRACE(c.name);
        TavNoteStore note(L"note" + std::to_wstring(++n), L"", 100001);
        std::wstring path = note.createFolder() + note.unique() + L".xml";
        if (c.present) {
            ASSERT_TRUE(writeBytes(path, c.bytes));
        }

        ASSERT_TRUE(note.SaveAlpha(77));
        EXPECT_EQ(note.LoadAlpha(), 77);
        XmlDocument doc;
        ASSERT_TRUE(doc.loadFile(path));
        EXPECT_TRUE(doc.isWellFormed());
        EXPECT_EQ(pathExists(path + L".bad"), c.present);
        if (c.present) {
            EXPECT_EQ(readBytes(path + L".bad"), c.bytes);
        }
        EXPECT_EQ(note.LoadUnique().value_or(L""),
                  std::wstring(c.salvagedUnique, c.salvagedUnique + strlen(c.salvagedUnique)));
    }
}

TEST_F(DamagedNoteTest, TruncatedFileKeepsWhatTheParseStillFinds) {
    TavNoteStore note(L"t", L"", 100001);
    std::wstring path = note.createFolder() + L"t.xml";
    ASSERT_TRUE(writeBytes(path, kDamaged[7].bytes));
    ASSERT_TRUE(note.SaveTopMost(true));
    EXPECT_EQ(note.LoadId(), 5);
    auto children = note.LoadChildren();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].id, 100200);
    EXPECT_EQ(note.LoadTopMost(), true);
    EXPECT_FALSE(note.LoadGeometry()) << "the rectangle was incomplete";

    // A second damage keeps the first copy too.
    ASSERT_TRUE(writeBytes(path, "<broken"));
    ASSERT_TRUE(note.SaveAlpha(1));
    EXPECT_EQ(readBytes(path + L".bad"), kDamaged[7].bytes);
    EXPECT_EQ(readBytes(path + L".bad.1"), "<broken");
}

TEST_F(DamagedNoteTest, AFileThatCannotBeReadIsNeverReplaced) {
    TavNoteStore note = plainNote();
    ASSERT_TRUE(note.SaveAlpha(10));
    const std::string before = readBytes(note.GetFilePath());
    HANDLE locked =
        CreateFileW(note.GetFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(note.SaveAlpha(20));
    EXPECT_FALSE(note.AddChildRecord(5, kImageChildClass));
    EXPECT_FALSE(note.LoadAlpha());
    CloseHandle(locked);
    EXPECT_EQ(readBytes(note.GetFilePath()), before);
    EXPECT_FALSE(pathExists(note.GetFilePath() + L".bad"));
    EXPECT_EQ(note.LoadAlpha(), 10);
}

// File names read from a note file never reach outside the note folder.
TEST_F(DamagedNoteTest, NamesFromTheFileCannotDeleteOutsideTheNoteFolder) {
    TavNoteStore note = plainNote();
    const std::wstring victim = appFolder() + L"victim.txt";
    ASSERT_TRUE(writeBytes(victim, "keep me"));
    const std::string hostile = "<TavNoteItem><bkimage>..\\..\\..\\victim.txt</bkimage>"
                                "<pngview>..\\..\\..\\victim.txt</pngview></TavNoteItem>";
    ASSERT_TRUE(writeBytes(note.GetFilePath(), hostile));
    EXPECT_FALSE(note.deleteSnapshotFile());
    EXPECT_TRUE(note.SaveBkImage(L"new.png"));
    EXPECT_FALSE(note.SaveBkImage(L"..\\elsewhere.png")) << "a name with a folder is refused";
    EXPECT_EQ(note.LoadBkImage(), std::wstring(L"new.png"));
    EXPECT_EQ(readBytes(victim), "keep me");
}

// Names read from a note file that leave the note folder are not used at all: the note shows its
// plain fill instead of a picture from elsewhere.
TEST_F(DamagedNoteTest, NamesLeavingTheNoteFolderAreIgnoredOnLoad) {
    TavNoteStore note = plainNote();
    const std::wstring outside = appFolder() + L"outside.png";
    ASSERT_TRUE(writeBytes(outside, "not ours"));
    const std::string outsideUtf8(outside.begin(), outside.end());
    const struct {
        const char* name;
        std::string stored;
    } cases[] = {
        {"parent steps", "..\\..\\..\\outside.png"},
        {"absolute path", outsideUtf8},
        {"forward slashes", "../../../outside.png"},
        {"device name", "CON"},
        {"trailing dot", "picture.png."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeBytes(note.GetFilePath(), "<TavNoteItem><bkimage>" + c.stored +
                                                       "</bkimage><pngview>" + c.stored +
                                                       "</pngview></TavNoteItem>"));
        EXPECT_EQ(note.LoadBkImage(), std::wstring());
        EXPECT_FALSE(note.LoadSnapshotName());
        EXPECT_FALSE(note.deleteSnapshotFile());
        EXPECT_TRUE(note.SaveBkImage(L""));
    }
    EXPECT_EQ(readBytes(outside), "not ours");
}

// The folder's name is the note's identity: a file naming another note's folder (a copied folder,
// a crafted file) is kept as ".bad" and corrected; the other note's folder is never touched.
TEST_F(DamagedNoteTest, AFileNamingAnotherFolderIsCorrectedAndTheOtherNoteIsLeftAlone) {
    TavNoteStore mine = plainNote(L"20260101000000000_01", 7);
    TavNoteStore other = plainNote(L"20260101000000000_02", 8);
    ASSERT_TRUE(other.SaveAlpha(50));
    const std::string otherBefore = readBytes(other.GetFilePath());
    const std::string crafted =
        "<TavNoteItem><ID>7</ID><unique>20260101000000000_02</unique><alpha>90</alpha></TavNoteItem>";
    ASSERT_TRUE(writeBytes(mine.GetFilePath(), crafted));

    EXPECT_TRUE(mine.rewriteUniqueFromFolder());
    EXPECT_EQ(mine.unique(), L"20260101000000000_01");
    EXPECT_EQ(mine.LoadUnique(), std::wstring(L"20260101000000000_01"));
    EXPECT_EQ(mine.LoadAlpha(), 90) << "the rest of the file stays";
    EXPECT_EQ(readBytes(mine.GetFilePath() + L".bad"), crafted);
    EXPECT_EQ(readBytes(other.GetFilePath()), otherBefore);

    // A name differing only in letter case names the same folder: nothing to correct.
    ASSERT_TRUE(
        writeBytes(other.GetFilePath(), "<TavNoteItem><unique>20260101000000000_02</unique></TavNoteItem>"));
    TavNoteStore sameFolder(L"20260101000000000_02", L"", 8);
    EXPECT_TRUE(sameFolder.rewriteUniqueFromFolder());
    EXPECT_FALSE(pathExists(other.GetFilePath() + L".bad"));
}

// A new note takes the next free name when its own is taken, and never writes into the folder of
// the note that has it.
TEST_F(DamagedNoteTest, ANewNoteNeverWritesIntoAFolderOfTheSameName) {
    SYSTEMTIME now{2026, 12, 4, 10, 9, 30, 15, 123};
    TavNoteStore first(L"", L"", 100001);
    ASSERT_TRUE(first.createNewNoteFile(now));
    ASSERT_TRUE(first.SaveAlpha(33));
    const std::string firstBytes = readBytes(first.GetFilePath());
    TavNoteStore second(L"", L"", 100001);
    ASSERT_TRUE(second.createNewNoteFile(now));
    EXPECT_NE(second.unique(), first.unique());
    EXPECT_EQ(second.unique(), L"20261210093015124_100001");
    EXPECT_EQ(readBytes(first.GetFilePath()), firstBytes);
}

TEST(FileChecks, OnlyANotFoundErrorMeansMissing) {
    const TempFolder folder(L"tavnote_missing");
    const std::wstring here = folder.file(L"note");
    EXPECT_TRUE(isMissingFile(here + L".xml"));
    EXPECT_TRUE(isMissingFile(here + L"\\no\\such.xml")) << "path not found";
    ASSERT_TRUE(writeBytes(here + L".xml", "x"));
    EXPECT_FALSE(isMissingFile(here + L".xml"));
    DeleteFileW((here + L".xml").c_str());
}

TEST(FileChecks, PlainFileNames) {
    const struct {
        const wchar_t* name;
        bool plain;
    } cases[] = {
        {L"a.png", true},   {L"中文 名.gif", true}, {L"20261207043355123_01", true},
        {L"", false},       {L".", false},          {L"..", false},
        {L"a\\b", false},   {L"a/b", false},        {L"C:a", false},
        {L"a?", false},     {L"a\x01", false},      {L"name.", false},
        {L"name ", false},  {L"CON", false},        {L"con.txt", false},
        {L"COM1", false},   {L"lpt9.png", false},   {L"COM0", true},
        {L"CONSOLE", true}, {L"nul ", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isPlainFileName(c.name), c.plain) << std::string(c.name, c.name + wcslen(c.name));
}
