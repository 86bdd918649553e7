// The note file: the elements a new note writes, each setter's exact change, the read rules of
// the values, and the child list.
#include <functional>

#include "AppPaths.h"
#include "FolderUtils.h"
#include "NoteFolders.h"
#include "NoteFormat.h"
#include "UniqueName.h"
#include "XmlDocument.h"
#include "NoteGeometry.h"
#include "notes_support.h"

namespace {

const std::string kEnd = "\r\n";

std::string element(const char* name, const std::string& value) {
    return std::string("<") + name + ">" + value + "</" + name + ">" + kEnd;
}

} // namespace

class NoteFileTest : public NoteFolderTest {};

TEST_F(NoteFileTest, NewNoteWritesItsElementsInOrderWithTheirExactTexts) {
    auto note = createNote(L"工作", 100123, sampleTime());
    ASSERT_TRUE(note);
    ASSERT_TRUE(note->SaveGeometry({470, 330, 650, 510}));
    ASSERT_TRUE(note->SaveCreateTime(sampleTime()));
    ASSERT_TRUE(note->SaveUpdateTime(sampleTime(1)));

    const std::wstring unique = L"20261207043355123_100123";
    EXPECT_EQ(note->unique(), unique);
    const std::wstring path =
        appFolder() + L"NoteData\\NoteItems2\\工作\\" + unique + L"\\" + unique + L".xml";
    EXPECT_EQ(note->GetFilePath(), path);
    EXPECT_EQ(readBytes(path),
              "<TavNoteItem>" + kEnd + element("ID", "100123") + element("unique", utf8(unique)) +
                  element("group", utf8(L"工作")) + element("left", "470") + element("top", "330") +
                  element("right", "650") + element("bottom", "510") +
                  element("datetime", utf8(L"2026年12月07日 04时33分55秒")) +
                  element("updatetime", utf8(L"2026年12月07日 04时33分56秒")) + "</TavNoteItem>" + kEnd);

    // Read back through the getters.
    TavNoteStore reopened(unique, appFolder() + L"NoteData\\NoteItems2\\工作\\", 0);
    EXPECT_EQ(reopened.LoadId(), 100123);
    EXPECT_EQ(reopened.LoadUnique(), unique);
    EXPECT_EQ(reopened.LoadGroup(), std::wstring(L"工作"));
    EXPECT_EQ(reopened.group(), L"工作");
    auto rect = reopened.LoadGeometry();
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->left, 470);
    EXPECT_EQ(rect->bottom, 510);
    EXPECT_EQ(reopened.LoadCreateTime(), std::wstring(L"2026年12月07日 04时33分55秒"));
    EXPECT_FALSE(reopened.LoadColor());
    EXPECT_FALSE(reopened.LoadHidden());
    EXPECT_TRUE(reopened.LoadChildren().empty());
}

TEST_F(NoteFileTest, SystemGroupNoteLivesInNoteItemsWithAnEmptyGroup) {
    auto note = createNote(L"", 7, sampleTime());
    ASSERT_TRUE(note);
    EXPECT_EQ(note->unique(), L"20261207043355123_07"); // "%02d" is a minimum width
    const std::wstring path =
        appFolder() + L"NoteData\\NoteItems\\" + note->unique() + L"\\" + note->unique() + L".xml";
    EXPECT_EQ(note->GetFilePath(), path);
    EXPECT_EQ(readBytes(path), "<TavNoteItem>" + kEnd + element("ID", "7") +
                                   element("unique", "20261207043355123_07") + "<group/>" + kEnd +
                                   "</TavNoteItem>" + kEnd);
}

TEST_F(NoteFileTest, NotesOfTheSameMillisecondDifferByIdAndANameIsNeverTakenOver) {
    auto a = createNote(L"", 100001, sampleTime());
    auto b = createNote(L"", 100002, sampleTime());
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->unique(), b->unique());
    EXPECT_FALSE(createNote(L"", 100001, sampleTime())) << "the same name belongs to note a";
    EXPECT_FALSE(createNote(L"..", 100003, sampleTime())) << "a group name that is no folder name";
}

// Each setter changes exactly its element: the file after is the file before with that one
// element's text replaced.
TEST_F(NoteFileTest, EachSetterRewritesOnlyItsElement) {
    TavNoteStore note = plainNote();
    note.setGroupInMemory(L"旧");
    ASSERT_TRUE(note.SaveGroup());
    ASSERT_TRUE(note.SaveGeometry({10, 20, 190, 200}));
    ASSERT_TRUE(note.SaveBkImage(L"bkimage_1_a.png"));
    ASSERT_TRUE(note.AddChildRecord(100200, kRichTextChildClass));
    ASSERT_TRUE(note.SaveColor(0xFF0000FF));
    ASSERT_TRUE(note.SaveCreateTime(sampleTime()));
    ASSERT_TRUE(note.SaveUpdateTime(sampleTime()));
    ASSERT_TRUE(note.SaveAlpha(200));
    ASSERT_TRUE(note.SaveTopMost(false));
    ASSERT_TRUE(note.SaveToDesk(false));
    ASSERT_TRUE(note.SaveHidden(false));
    ASSERT_TRUE(writeBytes(note.createFolder() + L"bkimage_1_a.png", "png"));

    struct Case {
        const char* name;
        std::function<bool(TavNoteStore&)> set;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"group", [](TavNoteStore& n) { return n.SetGroup(L"新 & <组>"); }, element("group", utf8(L"旧")),
         element("group", utf8(L"新 &amp; &lt;组&gt;"))},
        {"geometry",
         [](TavNoteStore& n) {
             return n.SaveGeometry({-5, 6, 300, 4000}).has_value();
         },
         element("left", "10") + element("top", "20") + element("right", "190") + element("bottom", "200"),
         element("left", "-5") + element("top", "6") + element("right", "300") + element("bottom", "4000")},
        {"bkimage", [](TavNoteStore& n) { return n.SaveBkImage(L"bkimage_2_b.png"); },
         element("bkimage", "bkimage_1_a.png"), element("bkimage", "bkimage_2_b.png")},
        {"color white", [](TavNoteStore& n) { return n.SaveColor(0xFFFFFFFF); },
         element("curcolor", "-16776961"), element("curcolor", "-1")},
        {"alpha", [](TavNoteStore& n) { return n.SaveAlpha(128); }, element("alpha", "200"),
         element("alpha", "128")},
        {"top-most", [](TavNoteStore& n) { return n.SaveTopMost(true); }, element("bTopMost", "0"),
         element("bTopMost", "1")},
        {"to desk", [](TavNoteStore& n) { return n.SaveToDesk(true); }, element("bToDesk", "0"),
         element("bToDesk", "1")},
        {"hidden", [](TavNoteStore& n) { return n.SaveHidden(); }, element("ishide", "0"),
         element("ishide", "1")},
        {"created", [](TavNoteStore& n) { return n.SaveCreateTime(sampleTime(3)); },
         element("datetime", utf8(L"2026年12月07日 04时33分55秒")),
         element("datetime", utf8(L"2026年12月07日 04时33分58秒"))},
        {"updated", [](TavNoteStore& n) { return n.SaveUpdateTime(sampleTime(4)); },
         element("updatetime", utf8(L"2026年12月07日 04时33分55秒")),
         element("updatetime", utf8(L"2026年12月07日 04时33分59秒"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string before = readBytes(note.GetFilePath());
        size_t at = before.find(c.before);
        ASSERT_NE(at, std::string::npos);
        ASSERT_TRUE(c.set(note));
        std::string expected = before;
        expected.replace(at, c.before.size(), c.after);
        EXPECT_EQ(readBytes(note.GetFilePath()), expected);
    }
    // The old background picture went with its name; the file names the new one.
    EXPECT_FALSE(pathExists(note.folderPath() + L"bkimage_1_a.png"));
    EXPECT_EQ(note.LoadColor(), 0xFFFFFFFFu);
}

TEST_F(NoteFileTest, AnElementIsAppendedTheFirstTimeAndFoundByNameInAnyOrder) {
    TavNoteStore note = plainNote();
    ASSERT_TRUE(writeBytes(note.GetFilePath(),
                           "<TavNoteItem>\r\n<alpha>9</alpha>\r\n<bottom>4</bottom>\r\n<right>3</right>\r\n"
                           "<top>2</top>\r\n<left>1</left>\r\n<ID>5</ID>\r\n</TavNoteItem>\r\n"));
    auto rect = note.LoadGeometry();
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->left, 1);
    EXPECT_EQ(rect->top, 2);
    EXPECT_EQ(rect->right, 3);
    EXPECT_EQ(rect->bottom, 4);
    EXPECT_EQ(note.LoadId(), 5);

    ASSERT_TRUE(note.SaveGeometry({11, 12, 13, 14}));
    ASSERT_TRUE(note.SaveSnapshot({nullptr, 0, 0}, sampleTime()) == false);
    ASSERT_TRUE(note.SetBaseDir(L""));
    EXPECT_EQ(readBytes(note.GetFilePath()),
              "<TavNoteItem>\r\n<alpha>9</alpha>\r\n<bottom>14</bottom>\r\n<right>13</right>\r\n"
              "<top>12</top>\r\n<left>11</left>\r\n<ID>5</ID>\r\n<dir/>\r\n</TavNoteItem>\r\n");
}

// left/top/right/bottom and curcolor read as 64-bit decimal cut to 32 bits; the other integers
// as plain decimal.
TEST_F(NoteFileTest, ValuesFollowTheirReadRules) {
    struct Case {
        const char* text;
        int asRectangle; // curcolor, and left/top/right/bottom before the rectangle is capped
        int asCorner;    // left and top of the capped rectangle
        int asAlpha;     // plain int, clamped to an opacity
        bool asFlag;
    };
    const Case cases[] = {
        {"-1", -1, -1, 0, true},
        {"4294967295", -1, -1, 255, true},
        {"2147483648", INT32_MIN, -kMaxNoteCoordinate, 255, true},
        {"4294967396", 100, 100, 255, true},
        {"-4294967196", 100, 100, 0, true},
        {"77", 77, 77, 77, true},
        {"12abc", 12, 12, 12, true},
        {"abc", 0, 0, 0, false},
        {"", 0, 0, 0, false},
    };
    TavNoteStore note = plainNote();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string v = c.text;
        ASSERT_TRUE(writeBytes(note.GetFilePath(), "<TavNoteItem><left>" + v + "</left><top>" + v +
                                                       "</top><right>" + v + "</right><bottom>" + v +
                                                       "</bottom><curcolor>" + v + "</curcolor><alpha>" + v +
                                                       "</alpha><bTopMost>" + v + "</bTopMost><ishide>" + v +
                                                       "</ishide></TavNoteItem>"));
        auto rect = note.LoadGeometry();
        ASSERT_TRUE(rect);
        EXPECT_EQ(rect->left, c.asCorner);
        EXPECT_EQ(rect->top, c.asCorner);
        EXPECT_EQ(note.LoadColor(), static_cast<uint32_t>(c.asRectangle));
        EXPECT_EQ(note.LoadAlpha(), c.asAlpha);
        EXPECT_EQ(note.LoadTopMost(), c.asFlag);
        EXPECT_EQ(note.LoadHidden(), c.asFlag);
    }
}

TEST_F(NoteFileTest, GeometryNeedsAllFourValues) {
    TavNoteStore note = plainNote();
    ASSERT_TRUE(writeBytes(note.GetFilePath(),
                           "<TavNoteItem><left>1</left><top>2</top><right>3</right></TavNoteItem>"));
    EXPECT_FALSE(note.LoadGeometry());
}

TEST_F(NoteFileTest, HostedNoteKeepsItsStoredTopLeftAndSavesOnlyTheSize) {
    TavNoteStore note = plainNote();
    ASSERT_TRUE(note.SaveGeometry({50, 60, 230, 240}));
    note.setHosted(true);
    auto written = note.SaveGeometry({300, 300, 500, 450});
    ASSERT_TRUE(written);
    EXPECT_EQ(written->left, 50);
    EXPECT_EQ(written->top, 60);
    EXPECT_EQ(written->right, 250);
    EXPECT_EQ(written->bottom, 210);
    auto stored = note.LoadGeometry();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->right, 250);

    TavNoteStore fresh = plainNote(L"20261207043355123_100002", 100002);
    fresh.setHosted(true);
    written = fresh.SaveGeometry({300, 300, 500, 450});
    ASSERT_TRUE(written);
    EXPECT_EQ(written->left, 300) << "without a stored corner the rectangle is written as it is";
}

TEST_F(NoteFileTest, ChildRecordsAreAddedOnceInOrderAndRemoved) {
    TavNoteStore note = plainNote();
    ASSERT_TRUE(note.AddChildRecord(100200, kRichTextChildClass));
    ASSERT_TRUE(note.AddChildRecord(100201, kPlainTextChildClass));
    ASSERT_TRUE(note.AddChildRecord(100202, kImageChildClass));
    std::string three = readBytes(note.GetFilePath());
    EXPECT_NE(three.find("<ChildItems>\r\n<Item identify=\"TavRichEditNI\">100200</Item>\r\n"
                         "<Item identify=\"TavNoteItemEdit\">100201</Item>\r\n"
                         "<Item identify=\"TavNoteItemImage\">100202</Item>\r\n</ChildItems>\r\n"),
              std::string::npos)
        << three;
    ASSERT_TRUE(note.AddChildRecord(100201, kImageChildClass));
    EXPECT_EQ(readBytes(note.GetFilePath()), three) << "an id already listed is not added again";

    auto children = note.LoadChildren();
    ASSERT_EQ(children.size(), 3u);
    EXPECT_EQ(children[0].id, 100200);
    EXPECT_EQ(children[1].className, kPlainTextChildClass);
    EXPECT_EQ(children[2].id, 100202);

    EXPECT_TRUE(note.RemoveChildRecord(100201, sampleTime(2)));
    children = note.LoadChildren();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[0].id, 100200);
    EXPECT_EQ(children[1].id, 100202);
    EXPECT_EQ(note.LoadUpdateTime(), std::wstring(L"2026年12月07日 04时33分57秒"));
    EXPECT_FALSE(note.RemoveChildRecord(999, sampleTime())) << "nothing to remove";

    EXPECT_TRUE(note.RemoveChildRecord(100200, sampleTime()));
    EXPECT_TRUE(note.RemoveChildRecord(100202, sampleTime()));
    EXPECT_TRUE(note.LoadChildren().empty());
    EXPECT_TRUE(note.AddChildRecord(100300, kRichTextChildClass)) << "an emptied list takes new items";
    ASSERT_EQ(note.LoadChildren().size(), 1u);
}

TEST_F(NoteFileTest, ChildListSkipsUnknownClassesBadAndRepeatedIds) {
    TavNoteStore note = plainNote();
    ASSERT_TRUE(
        writeBytes(note.GetFilePath(),
                   "<TavNoteItem><ChildItems>"
                   "<Item identify=\"TavRichEditNI\">5</Item><Item identify=\"Evil\">6</Item>"
                   "<Item identify=\"TavNoteItemEdit\">0</Item><Item identify=\"TavNoteItemEdit\">abc</Item>"
                   "<Item identify=\"TavNoteItemImage\">5</Item><Item identify=\"TavNoteItemImage\">7</Item>"
                   "</ChildItems></TavNoteItem>"));
    auto children = note.LoadChildren();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[0].id, 5);
    EXPECT_EQ(children[0].className, kRichTextChildClass);
    EXPECT_EQ(children[1].id, 7);
}

TEST_F(NoteFileTest, ChildPathsAndTimeTexts) {
    TavNoteStore note(L"n1", appFolder() + L"NoteData\\NoteItems2\\g", 1);
    EXPECT_EQ(note.childFilePath(100200), appFolder() + L"NoteData\\NoteItems2\\g\\n1\\100200.xml");
    EXPECT_EQ(note.childBodyPath(100200), appFolder() + L"NoteData\\NoteItems2\\g\\n1\\100200_rtf");
    SYSTEMTIME t{};
    t.wYear = 987;
    t.wMonth = 1;
    t.wDay = 2;
    t.wHour = 3;
    t.wMinute = 4;
    t.wSecond = 5;
    EXPECT_EQ(formatNoteTime(t), L"0987年01月02日 03时04分05秒");
}

TEST_F(NoteFileTest, AnUnusableUniqueNameMakesEveryOperationANoOp) {
    for (const wchar_t* unique : {L"", L"..", L"a\\b", L"c:x"}) {
        SCOPED_TRACE(utf8(unique));
        TavNoteStore note(unique, L"", 1);
        EXPECT_EQ(note.GetFilePath(), L"");
        EXPECT_FALSE(note.SaveAlpha(1));
        EXPECT_FALSE(note.AddChildRecord(2, kImageChildClass));
        EXPECT_FALSE(note.LoadAlpha());
    }
    EXPECT_TRUE(listSubFolders(appFolder() + L"NoteData\\NoteItems\\").empty());
}

// A read batch answers reads from one copy of the file; the store's own writes are seen at once,
// and once the batch ends the file is read again.
TEST_F(NoteFileTest, ReadBatchServesOneCopyAndSeesItsOwnWrites) {
    auto note = createNote(L"", 9, sampleTime());
    ASSERT_TRUE(note);
    ASSERT_TRUE(note->SaveAlpha(100));
    TavNoteStore other(note->unique(), L"", 9);
    {
        TavNoteStore::ReadBatch reads(*note);
        EXPECT_EQ(note->LoadAlpha().value_or(-1), 100);
        // Another writer: this batch keeps answering from its copy.
        ASSERT_TRUE(other.SaveAlpha(50));
        EXPECT_EQ(note->LoadAlpha().value_or(-1), 100);
        // Its own write drops the copy: the write and the other writer's change are both seen.
        ASSERT_TRUE(note->SaveTopMost(true));
        EXPECT_EQ(note->LoadAlpha().value_or(-1), 50);
        EXPECT_EQ(note->LoadTopMost().value_or(false), true);
        {
            TavNoteStore::ReadBatch inner(*note);
            EXPECT_EQ(note->LoadAlpha().value_or(-1), 50);
        }
        ASSERT_TRUE(other.SaveAlpha(25));
        EXPECT_EQ(note->LoadAlpha().value_or(-1), 50) << "the inner batch must not end the outer one";
    }
    EXPECT_EQ(note->LoadAlpha().value_or(-1), 25);
}

// A copy of a store made during a batch reads the file itself.
TEST_F(NoteFileTest, ACopyOfAStoreTakesNoReadBatchWithIt) {
    auto note = createNote(L"", 10, sampleTime());
    ASSERT_TRUE(note);
    ASSERT_TRUE(note->SaveAlpha(100));
    TavNoteStore copy;
    {
        TavNoteStore::ReadBatch reads(*note);
        EXPECT_EQ(note->LoadAlpha().value_or(-1), 100);
        copy = *note;
    }
    TavNoteStore other(note->unique(), L"", 10);
    ASSERT_TRUE(other.SaveAlpha(40));
    EXPECT_EQ(copy.LoadAlpha().value_or(-1), 40);
}
