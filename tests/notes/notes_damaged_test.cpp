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
            ASSERT_TRUE(writeFileBytes(path, c.bytes));
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
            EXPECT_EQ(readFileBytes(path), c.bytes);
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
            ASSERT_TRUE(writeFileBytes(path, c.bytes));
        }

        ASSERT_TRUE(note.SaveAlpha(77));
        EXPECT_EQ(note.LoadAlpha(), 77);
        XmlDocument doc;
        ASSERT_TRUE(doc.loadFile(path));
        EXPECT_TRUE(doc.isWellFormed());
        EXPECT_EQ(pathExists(path + L".bad"), c.present);
        if (c.present) {
            EXPECT_EQ(readFileBytes(path + L".bad"), c.bytes);
        }
        EXPECT_EQ(note.LoadUnique().value_or(L""), std::wstring(c.salvagedUnique, c.salvagedUnique + strlen(c.salvagedUnique)));
    }
}

TEST_F(DamagedNoteTest, TruncatedFileKeepsWhatTheParseStillFinds) {
    TavNoteStore note(L"t", L"", 100001);
    std::wstring path = note.createFolder() + L"t.xml";
    ASSERT_TRUE(writeFileBytes(path, kDamaged[7].bytes));
    ASSERT_TRUE(note.SaveTopMost(true));
    EXPECT_EQ(note.LoadId(), 5);
    auto children = note.LoadChildren();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].id, 100200);
    EXPECT_EQ(note.LoadTopMost(), true);
    EXPECT_FALSE(note.LoadGeometry()) << "the rectangle was incomplete";

    // A second damage keeps the first copy too.
    ASSERT_TRUE(writeFileBytes(path, "<broken"));
    ASSERT_TRUE(note.SaveAlpha(1));
    EXPECT_EQ(readFileBytes(path + L".bad"), kDamaged[7].bytes);
    EXPECT_EQ(readFileBytes(path + L".bad.1"), "<broken");
}

TEST_F(DamagedNoteTest, AFileThatCannotBeReadIsNeverReplaced) {
    TavNoteStore note = plainNote();
    ASSERT_TRUE(note.SaveAlpha(10));
    const std::string before = readFileBytes(note.GetFilePath());
    HANDLE locked = CreateFileW(note.GetFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(note.SaveAlpha(20));
    EXPECT_FALSE(note.AddChildRecord(5, kImageChildClass));
    EXPECT_FALSE(note.LoadAlpha());
    CloseHandle(locked);
    EXPECT_EQ(readFileBytes(note.GetFilePath()), before);
    EXPECT_FALSE(pathExists(note.GetFilePath() + L".bad"));
    EXPECT_EQ(note.LoadAlpha(), 10);
}

// File names read from a note file never reach outside the note folder.
TEST_F(DamagedNoteTest, NamesFromTheFileCannotDeleteOutsideTheNoteFolder) {
    TavNoteStore note = plainNote();
    const std::wstring victim = appFolder() + L"victim.txt";
    ASSERT_TRUE(writeFileBytes(victim, "keep me"));
    const std::string hostile = "<TavNoteItem><bkimage>..\\..\\..\\victim.txt</bkimage>"
                                "<pngview>..\\..\\..\\victim.txt</pngview></TavNoteItem>";
    ASSERT_TRUE(writeFileBytes(note.GetFilePath(), hostile));
    EXPECT_FALSE(note.deleteSnapshotFile());
    EXPECT_TRUE(note.SaveBkImage(L"new.png"));
    EXPECT_FALSE(note.SaveBkImage(L"..\\elsewhere.png")) << "a name with a folder is refused";
    EXPECT_EQ(note.LoadBkImage(), std::wstring(L"new.png"));
    EXPECT_EQ(readFileBytes(victim), "keep me");
}
