#include "NoteFolders.h"

#include <algorithm>

#include "AppPaths.h"
#include "FolderUtils.h"
#include "NoteDocument.h"
#include "NoteFormat.h"

namespace {

bool holdsAnyFile(const std::wstring& folder) {
    if (!listFiles(folder).empty()) return true;
    for (const std::wstring& sub : listSubFolders(folder)) {
        if (holdsAnyFile(folder + sub + L"\\")) return true;
    }
    return false;
}

std::vector<std::wstring> sortedSubFolders(const std::wstring& folder) {
    std::vector<std::wstring> names = listSubFolders(folder);
    std::sort(names.begin(), names.end());
    return names;
}

void readListing(TavNoteListing& entry) {
    XmlDocument doc;
    if (!doc.loadFile(entry.filePath) || !doc.isWellFormed() || !doc.findElement(kNoteRootName) ||
        !doc.intoElement())
        return;
    entry.readable = true;
    std::vector<TavFoundElement> wanted{{L"ID", {}, false}, {L"ishide", {}, false}};
    findChildElements(doc, wanted);
    if (wanted[0].found) entry.id = parseNoteInt(wanted[0].value);
    entry.hidden = wanted[1].found && parseNoteInt(wanted[1].value) != 0;
}

} // namespace

std::wstring groupBaseDir(const std::wstring& group) {
    if (group.empty() || !isPlainFileName(group)) return std::wstring();
    std::wstring folder = noteItems2Directory() + group + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::vector<TavNoteListing> listNoteFolder(const std::wstring& groupFolder, const std::wstring& group,
                                           bool namedGroup) {
    std::vector<TavNoteListing> notes;
    for (const std::wstring& name : sortedSubFolders(groupFolder)) {
        std::wstring folder = groupFolder + name + L"\\";
        // A linked folder leads outside the data folder: it is neither opened nor deleted.
        if (isLinkPath(folder)) continue;
        TavNoteListing entry;
        entry.unique = name;
        entry.baseDir = namedGroup ? groupFolder : std::wstring();
        entry.group = namedGroup ? group : std::wstring();
        entry.filePath = folder + name + L".xml";
        if (!fileExists(entry.filePath)) {
            if (!holdsAnyFile(folder)) deleteFolder(folder, true);
            continue;
        }
        readListing(entry);
        notes.push_back(std::move(entry));
    }
    return notes;
}

std::vector<TavNoteListing> listAllNotes() {
    std::vector<TavNoteListing> notes;
    const std::wstring groups = noteItems2Directory();
    for (const std::wstring& group : sortedSubFolders(groups)) {
        if (isLinkPath(groups + group)) continue;
        auto some = listNoteFolder(groups + group + L"\\", group, true);
        notes.insert(notes.end(), some.begin(), some.end());
    }
    auto plain = listNoteFolder(noteItemsDirectory(), std::wstring(), false);
    notes.insert(notes.end(), plain.begin(), plain.end());
    return notes;
}

std::vector<int> storedNoteIds() {
    std::vector<int> ids;
    for (const TavNoteListing& note : listAllNotes())
        if (note.id != 0) ids.push_back(note.id);
    for (const TavNoteListing& note : listNoteFolder(recycleDirectory(), std::wstring(), false))
        if (note.id != 0) ids.push_back(note.id);
    return ids;
}

std::optional<TavNoteStore> createNote(const std::wstring& group, int objectId, const SYSTEMTIME& now) {
    std::wstring base = groupBaseDir(group);
    if (!group.empty() && base.empty()) return std::nullopt;
    TavNoteStore note(std::wstring(), base, objectId);
    note.setGroupInMemory(group);
    note.ensureUnique(now);
    if (!note.createNoteFile()) return std::nullopt;
    return note;
}

bool hideNote(TavNoteStore& note, const TavSnapshotPixels& picture, const SYSTEMTIME& now) {
    if (!note.SaveHidden(true)) return false;
    note.SaveSnapshot(picture, now); // a note without a picture is still hidden
    return true;
}

std::wstring freeRecycleName(const std::wstring& unique) {
    const std::wstring bin = recycleDirectory();
    if (isMissingFile(bin + unique)) return unique;
    for (int n = 1; n < 10000; ++n) {
        std::wstring name = unique + L"_" + std::to_wstring(n);
        if (isMissingFile(bin + name)) return name;
    }
    return std::wstring();
}

TavRecycleResult recycleNote(const TavNoteStore& note) {
    std::wstring source = note.folderPath();
    if (source.empty() || !isFolder(source)) return TavRecycleResult::NoNote;
    // Into a fresh folder: an older copy of the same name is never merged with this one.
    const std::wstring name = freeRecycleName(note.unique());
    if (name.empty()) return TavRecycleResult::CopyFailed;
    bool sourceRemains = false;
    if (!moveDataFolder(source, recycleDirectory() + name + L"\\", &sourceRemains))
        return sourceRemains ? TavRecycleResult::SourceRemains : TavRecycleResult::CopyFailed;
    if (name != note.unique()) {
        // The folder's name is the note's identity: its file takes the name too.
        const std::wstring folder = recycleDirectory() + name + L"\\";
        MoveFileExW((folder + note.unique() + L".xml").c_str(), (folder + name + L".xml").c_str(), 0);
        TavNoteStore moved(name, recycleDirectory(), note.objectId());
        moved.SaveUnique();
    }
    return TavRecycleResult::Moved;
}
