#pragma once
// The note folders as a whole: creating a note, listing the notes of a group folder or of the
// whole data folder, hiding a note and moving it to the recycle folder.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "NoteStore.h"

struct TavNoteListing {
    std::wstring unique;   // the note folder's name
    std::wstring baseDir;  // the group folder for a named group, "" for "NoteItems\\"
    std::wstring group;    // the group folder's name, "" for the system group
    std::wstring filePath; // the note file
    bool readable = false; // the file loads and has its "TavNoteItem" root
    int id = 0;            // `ID` (0 when missing or unreadable)
    bool hidden = false;   // `ishide` present and not 0 (only on a readable file)
};

// The folder of a group's notes: "" (meaning "NoteItems\\") for the system group, else
// "NoteItems2\\<group>\\", created. "" also for a group name that is no plain folder name.
std::wstring groupBaseDir(const std::wstring& group);

// Lists the note folders of one group folder, sorted by name. A folder without its note file is
// stray: it is deleted when it holds no file at all, and otherwise left alone (it may still hold
// the note's texts) and not listed.
std::vector<TavNoteListing> listNoteFolder(const std::wstring& groupFolder, const std::wstring& group,
                                           bool namedGroup);
// Every note: first each group of "NoteItems2\\" (groups sorted by name), then "NoteItems\\".
std::vector<TavNoteListing> listAllNotes();

// Every `ID` stored in a note file: shown, hidden, in any group and in the recycle folder. A new
// note's id is never one of them.
std::vector<int> storedNoteIds();

// A new note of the group: its unique name from the time and its object id, its folder, and its
// file with `ID`, `unique` and `group`. Nothing when the name is taken or the file cannot be made.
std::optional<TavNoteStore> createNote(const std::wstring& group, int objectId, const SYSTEMTIME& now);

// Marks the note hidden and stores its snapshot; the folder stays.
bool hideNote(TavNoteStore& note, const TavSnapshotPixels& picture, const SYSTEMTIME& now);

enum class TavRecycleResult {
    Moved,         // complete copy under "Recycle\\", original gone
    NoNote,        // no folder to move
    CopyFailed,    // the copy failed: the original is untouched, no partial copy is left
    SourceRemains, // the copy is complete, but part of the original could not be deleted
};
// Moves the note folder to "Recycle\\<unique>\\" (or "<unique>_<n>" when that name is taken: an
// older copy is never merged into), by a rename where it can, else a complete copy before the
// original is deleted. The `unique` of a renamed copy follows its folder.
// The name the recycled note's folder has there, "" when none is free.
std::wstring freeRecycleName(const std::wstring& unique);
TavRecycleResult recycleNote(const TavNoteStore& note);
