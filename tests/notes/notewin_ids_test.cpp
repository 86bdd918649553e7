// Note ids never repeat and a note never fades out of reach: ids stored in any note file (shown,
// hidden, grouped, recycled) are never given to a new note, a stored id another note took is
// replaced and written back, and opacity keeps its floor from files, the slider and commands.
#include "notewin_support.h"

#include "AppPaths.h"
#include "TavNoteMenu.h"

#include <set>

using namespace notewin;

namespace {

int storedId(const TavNoteStore& note) { return _wtoi(noteElement(note, L"ID").c_str()); }

TEST_F(MainWindowTest, ANewNoteNeverTakesAnIdStoredInAnyNoteFile) {
    prepareNote(L"shown", 100000, RECT{10, 10, 190, 190});
    prepareNote(L"hidden", 100001, RECT{200, 10, 380, 190}).SaveHidden(true);
    prepareNote(L"grouped", 100002, RECT{400, 10, 580, 190}, L"工作").SaveHidden(true);
    TavNoteStore recycled(L"recycled", recycleDirectory(), 100003);
    ASSERT_TRUE(recycled.createNoteFile());

    TavNoteMain& main = start();
    std::set<int> taken{100000, 100001, 100002, 100003};
    for (int round = 0; round < 3; ++round) {
        SendMessageW(main.handle(), kTavMsgCommand, kCmdMainNewNote, 0);
        pump();
        TavNoteItem* made = main.notes().back().get();
        const int id = made->objectId();
        EXPECT_EQ(made->store().LoadId(), id);
        EXPECT_EQ(taken.count(id), 0u) << "id " << id << " repeated";
        taken.insert(id);
        // Hidden now, its id stays taken for every later note.
        SendMessageW(main.handle(), kTavMsgCommand, kCmdNoteHide, LPARAM(id));
        pump();
    }
}

TEST_F(MainWindowTest, AStoredIdAnotherNoteHoldsIsReplacedAndWrittenBack) {
    TavNoteStore first = prepareNote(L"first", 100010, RECT{10, 10, 190, 190});
    TavNoteStore second = prepareNote(L"second", 100010, RECT{200, 10, 380, 190});
    TavNoteMain& main = start();
    ASSERT_EQ(main.notes().size(), 2u);
    std::set<int> ids;
    for (const auto& note : main.notes()) {
        ids.insert(note->objectId());
        EXPECT_EQ(storedId(note->store()), note->objectId()) << "the file holds the note's id";
    }
    EXPECT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids.count(100010), 1u) << "one of them keeps its id";
}

TEST_F(MainWindowTest, OpacityNeverGoesBelowItsFloor) {
    TavNoteStore faded = prepareNote(L"faded", 0, RECT{10, 10, 190, 190});
    ASSERT_TRUE(faded.SaveAlpha(0));
    TavNoteMain& main = start();
    TavNoteItem* note = TavNoteItem::findByUnique(L"faded");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->opacity(), kMinNoteOpacity);

    const struct {
        int asked;
        int kept;
    } cases[] = {
        {0, kMinNoteOpacity}, {2, kMinNoteOpacity}, {kMinNoteOpacity + 1, kMinNoteOpacity + 1}, {300, 255}};
    for (const auto& c : cases) {
        SendMessageW(note->handle(), kNoteMsgAlphaChanged, 0, LPARAM(c.asked));
        EXPECT_EQ(note->opacity(), c.kept) << "asked " << c.asked;
        EXPECT_EQ(noteElement(note->store(), L"alpha"), std::to_wstring(c.kept));
    }

    // The slider's far end is the floor: its largest transparency is 255 - floor.
    TavNoteMenuNote menu;
    menu.setOpacity(0);
    ASSERT_TRUE(menu.build(L"子标签窗口菜单", note->handle()));
    EXPECT_EQ(menu.slider().maximum(), 255 - kMinNoteOpacity);
    EXPECT_EQ(menu.slider().value(), 255 - kMinNoteOpacity);
    (void)main;
}

} // namespace
