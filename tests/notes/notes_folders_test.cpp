// Note folders: listing the groups and stray folders, hiding with a snapshot, recycling by
// copy-then-delete.
#include <windows.h>
#include <gdiplus.h>

#include <vector>

#include "AppPaths.h"
#include "FolderUtils.h"
#include "NoteFolders.h"
#include "notes_support.h"

class NoteFoldersTest : public NoteFolderTest {};

TEST_F(NoteFoldersTest, ListingReadsGroupsFirstSortedAndCleansEmptyStrays) {
    auto inB = createNote(L"b", 100003, sampleTime());
    auto inA = createNote(L"a", 100002, sampleTime());
    auto plain2 = createNote(L"", 100005, sampleTime());
    auto plain1 = createNote(L"", 100004, sampleTime());
    ASSERT_TRUE(inA && inB && plain1 && plain2);
    ASSERT_TRUE(plain2->SaveHidden());

    const std::wstring items = appFolder() + L"NoteData\\NoteItems\\";
    // Strays: an empty folder goes; one that still holds the note's texts stays, unlisted.
    ASSERT_TRUE(CreateDirectoryW((items + L"stray_empty").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((items + L"stray_empty\\sub").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((items + L"stray_texts").c_str(), nullptr));
    ASSERT_TRUE(writeBytes(items + L"stray_texts\\100200_rtf", "{\\rtf1 words}"));
    // A damaged note file is listed as unreadable.
    ASSERT_TRUE(CreateDirectoryW((items + L"zz_damaged").c_str(), nullptr));
    ASSERT_TRUE(writeBytes(items + L"zz_damaged\\zz_damaged.xml", "<TavNoteItem>"));

    auto notes = listAllNotes();
    struct Expected {
        std::wstring unique;
        std::wstring group;
        int id;
        bool hidden;
        bool readable;
    };
    const Expected expected[] = {
        {inA->unique(), L"a", 100002, false, true},   {inB->unique(), L"b", 100003, false, true},
        {plain1->unique(), L"", 100004, false, true}, {plain2->unique(), L"", 100005, true, true},
        {L"zz_damaged", L"", 0, false, false},
    };
    ASSERT_EQ(notes.size(), std::size(expected));
    for (size_t i = 0; i < notes.size(); ++i) {
        SCOPED_TRACE(utf8(expected[i].unique));
        EXPECT_EQ(notes[i].unique, expected[i].unique);
        EXPECT_EQ(notes[i].group, expected[i].group);
        EXPECT_EQ(notes[i].id, expected[i].id);
        EXPECT_EQ(notes[i].hidden, expected[i].hidden);
        EXPECT_EQ(notes[i].readable, expected[i].readable);
    }
    EXPECT_EQ(notes[0].baseDir, appFolder() + L"NoteData\\NoteItems2\\a\\");
    EXPECT_EQ(notes[2].baseDir, L"");
    EXPECT_FALSE(pathExists(items + L"stray_empty"));
    EXPECT_EQ(readBytes(items + L"stray_texts\\100200_rtf"), "{\\rtf1 words}");
    EXPECT_EQ(readBytes(items + L"zz_damaged\\zz_damaged.xml"), "<TavNoteItem>") << "listing never writes";
}

TEST_F(NoteFoldersTest, HidingMarksTheNoteAndStoresItsSnapshot) {
    auto note = createNote(L"", 100001, sampleTime());
    ASSERT_TRUE(note);
    // 3 x 2 premultiplied pixels: opaque red, half-transparent green (0x80 green at alpha 0x80)...
    const std::vector<uint32_t> pixels = {0xFFFF0000, 0x80008000, 0x00000000,
                                          0xFF0000FF, 0xFFFFFFFF, 0x40404040};
    ASSERT_TRUE(hideNote(*note, {pixels.data(), 3, 2}, sampleTime()));
    EXPECT_EQ(note->LoadHidden(), true);
    const std::wstring name = L"20261207043355123_99.png";
    EXPECT_EQ(note->LoadSnapshotName(), name);

    {
        Gdiplus::Bitmap png((note->folderPath() + name).c_str());
        ASSERT_EQ(png.GetLastStatus(), Gdiplus::Ok);
        EXPECT_EQ(png.GetWidth(), 3u);
        EXPECT_EQ(png.GetHeight(), 2u);
        Gdiplus::Color c;
        png.GetPixel(0, 0, &c);
        EXPECT_EQ(c.GetValue(), 0xFFFF0000u);
        png.GetPixel(1, 0, &c);
        EXPECT_EQ(c.GetValue(), 0x8000FF00u) << "colors are stored with straight alpha";
    }

    // A later snapshot replaces the earlier file; opening deletes the current one.
    ASSERT_TRUE(note->SaveSnapshot({pixels.data(), 3, 2}, sampleTime(1)));
    EXPECT_FALSE(pathExists(note->folderPath() + name));
    const std::wstring second = L"20261207043356123_99.png";
    EXPECT_TRUE(pathExists(note->folderPath() + second));
    EXPECT_TRUE(note->deleteSnapshotFile());
    EXPECT_FALSE(pathExists(note->folderPath() + second));

    EXPECT_FALSE(note->SaveSnapshot({pixels.data(), 0, 2}, sampleTime()));
    EXPECT_FALSE(note->SaveSnapshot({nullptr, 3, 2}, sampleTime()));
    EXPECT_FALSE(note->SaveSnapshot({pixels.data(), 100000, 100000}, sampleTime()));
}

TEST_F(NoteFoldersTest, RecyclingCopiesTheWholeFolderThenDeletesTheOriginal) {
    auto note = createNote(L"组", 100001, sampleTime());
    ASSERT_TRUE(note);
    ASSERT_TRUE(note->AddChildRecord(100200, L"TavRichEditNI"));
    const std::wstring folder = note->folderPath();
    ASSERT_TRUE(writeBytes(folder + L"100200_rtf", "{\\rtf1 text}"));
    ASSERT_TRUE(CreateDirectoryW((folder + L"sub").c_str(), nullptr));
    ASSERT_TRUE(writeBytes(folder + L"sub\\inner.bin", std::string("\0\1\2", 3)));
    const std::string noteBytes = readBytes(note->GetFilePath());

    EXPECT_EQ(recycleNote(*note), TavRecycleResult::Moved);
    const std::wstring copy = appFolder() + L"NoteData\\Recycle\\" + note->unique() + L"\\";
    EXPECT_FALSE(pathExists(folder));
    EXPECT_EQ(readBytes(copy + note->unique() + L".xml"), noteBytes);
    EXPECT_EQ(readBytes(copy + L"100200_rtf"), "{\\rtf1 text}");
    EXPECT_EQ(readBytes(copy + L"sub\\inner.bin"), std::string("\0\1\2", 3));
    EXPECT_EQ(recycleNote(*note), TavRecycleResult::NoNote);
}

// A file held open by another program: the folder either moves whole (a rename, where the system
// allows it) or stays whole with no partial copy in the recycle folder.
TEST_F(NoteFoldersTest, RecyclingAFolderWithAHeldFileMovesAllOrNothing) {
    auto note = createNote(L"", 100001, sampleTime());
    ASSERT_TRUE(note);
    const std::wstring folder = note->folderPath();
    ASSERT_TRUE(writeBytes(folder + L"a_first.txt", "first"));
    ASSERT_TRUE(writeBytes(folder + L"z_locked.txt", "locked"));
    HANDLE locked =
        CreateFileW((folder + L"z_locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    const TavRecycleResult result = recycleNote(*note);
    CloseHandle(locked);

    const std::wstring copy = appFolder() + L"NoteData\\Recycle\\" + note->unique() + L"\\";
    ASSERT_TRUE(result == TavRecycleResult::Moved || result == TavRecycleResult::CopyFailed);
    const std::wstring whole = result == TavRecycleResult::Moved ? copy : folder;
    const std::wstring gone = result == TavRecycleResult::Moved ? folder : copy;
    EXPECT_EQ(readBytes(whole + L"a_first.txt"), "first");
    EXPECT_EQ(readBytes(whole + L"z_locked.txt"), "locked");
    EXPECT_TRUE(pathExists(whole + note->unique() + L".xml"));
    EXPECT_FALSE(pathExists(gone));
}

// A name already in the recycle folder (an older copy) is never merged into: the note goes to a
// fresh folder whose name its file takes.
TEST_F(NoteFoldersTest, RecyclingNeverMergesIntoAnOlderCopy) {
    auto note = createNote(L"", 100001, sampleTime());
    ASSERT_TRUE(note);
    const std::wstring bin = recycleDirectory();
    const std::wstring older = bin + note->unique() + L"\\";
    ASSERT_TRUE(CreateDirectoryW(older.c_str(), nullptr));
    ASSERT_TRUE(writeBytes(older + L"old.txt", "old"));
    ASSERT_TRUE(writeBytes(note->folderPath() + L"new.txt", "new"));

    EXPECT_EQ(recycleNote(*note), TavRecycleResult::Moved);
    EXPECT_EQ(readBytes(older + L"old.txt"), "old");
    EXPECT_FALSE(pathExists(older + L"new.txt"));
    const std::wstring fresh = bin + note->unique() + L"_1\\";
    EXPECT_EQ(readBytes(fresh + L"new.txt"), "new");
    TavNoteStore moved(note->unique() + L"_1", bin, 0);
    EXPECT_EQ(moved.LoadUnique(), note->unique() + L"_1");
}
