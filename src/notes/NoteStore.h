#pragma once
// The store of one note: its folder, its note file "<unique>.xml" and the child records in it.
// Every setter opens the file, changes one element and saves at once (the save is atomic);
// every getter opens the file and reads one element. No window is needed: the note window
// keeps one store and calls it.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class XmlDocument;

struct TavNoteChild {
    int id = 0;
    std::wstring className; // the `identify` attribute
};

// A picture of the note: premultiplied 32-bit BGRA pixels, top row first, width * height values.
struct TavSnapshotPixels {
    const uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

class TavNoteStore {
public:
    TavNoteStore() = default;
    // unique: the folder name; baseDir: the group folder of a named group ("" = system group);
    // objectId: written as `ID` when the file is created.
    TavNoteStore(std::wstring unique, std::wstring baseDir, int objectId);

    const std::wstring& unique() const { return unique_; }
    const std::wstring& baseDir() const { return dir_; }
    const std::wstring& group() const { return group_; }
    // The group in memory only, for a store whose file is written later (SetGroup writes it).
    void setGroupInMemory(const std::wstring& group) { group_ = group; }
    int objectId() const { return id_; }
    void setObjectId(int id) { id_ = id; }
    bool hosted() const { return hosted_; }
    void setHosted(bool hosted) { hosted_ = hosted; }

    // Gives a note without a name its permanent one: uniqueTimeName(now, object id).
    // False when it already had one.
    bool ensureUnique(const SYSTEMTIME& now);

    // The note folder (no folder is created); "" without a usable unique name.
    std::wstring folderPath() const;
    // The note folder, created when missing; "" when it cannot be made.
    std::wstring createFolder() const;
    // folder + unique + ".xml"; "" when the note has no usable unique name.
    std::wstring GetFilePath() const;
    std::wstring childFilePath(int childId) const;
    // A file of the note folder ("" when the name is no plain file name or the note has no folder).
    std::wstring fileInFolder(const std::wstring& name) const;
    std::wstring childBodyPath(int childId) const;

    // Writes a new note file holding `ID`, `unique` and `group` with one save. False when the
    // file exists already (a name that is taken belongs to another note) or cannot be written.
    bool createNoteFile();
    // For a note without a name: takes uniqueTimeName(now, object id), or that of a following
    // millisecond when a folder of that name exists, and writes the new note file there. False
    // (and no name) when no free name could be written.
    bool createNewNoteFile(const SYSTEMTIME& now);
    // The note folder's name is the note's identity. Writes it as `unique` when the file lacks it
    // or names another folder; a file naming another folder is first kept as "<name>.xml.bad".
    // True when the file now names its own folder.
    bool rewriteUniqueFromFolder();

    // Opens the note file for a change, with the cursor on the root element. A missing file is
    // created (root and `ID`). A damaged file is kept as "<name>.xml.bad" and replaced by a
    // repaired one holding whatever could be recovered; a file that cannot be read at all is
    // left alone and false returned.
    bool OpenDocument(XmlDocument& doc) const;
    // Opens the note file for reading only, cursor on the root element. Never writes: missing
    // or damaged files give false.
    bool readDocument(XmlDocument& doc) const;

    // Setters: each writes its element (appended at the end of the root the first time) and
    // saves; false when the note has no file name or the file cannot be written.
    bool SaveUnique();
    // Writes `ID`: the object id the note has now (a note whose stored id was taken by another).
    bool SaveId();
    bool SaveGroup();
    bool SetGroup(const std::wstring& group);
    // Stores the base folder (a trailing backslash is added) and writes `dir`.
    bool SetBaseDir(const std::wstring& dir);
    // Writes `bkimage`; the previous background file is deleted when the name changes.
    bool SaveBkImage(const std::wstring& fileName);
    bool SaveColor(uint32_t argb);
    bool SaveAlpha(int alpha);
    bool SaveTopMost(bool on);
    bool SaveToDesk(bool on);
    // Writes the window rectangle; a hosted note keeps the stored top-left corner. Returns the
    // rectangle written.
    std::optional<RECT> SaveGeometry(const RECT& windowRect);
    bool SaveCreateTime(const SYSTEMTIME& localTime);
    bool SaveUpdateTime(const SYSTEMTIME& localTime);
    bool SaveCreateTime(); // now
    bool SaveUpdateTime(); // now
    bool SaveHidden(bool hidden = true);
    // Writes "<stamp of id 99>.png" into the note folder and names it in `pngview`; the previous
    // snapshot file goes. GDI+ must be running.
    bool SaveSnapshot(const TavSnapshotPixels& picture, const SYSTEMTIME& localTime);

    // Getters: nothing when the file or the element is missing or the file is damaged.
    std::optional<int> LoadId() const;
    std::optional<std::wstring> LoadUnique() const;
    // The stored rectangle, only when all four values are present; capped to a size a window can
    // have (see capStoredRect).
    std::optional<RECT> LoadGeometry() const;
    // "" when the stored name is no plain file name of the note folder.
    std::optional<std::wstring> LoadBkImage() const;
    std::optional<uint32_t> LoadColor() const;
    std::optional<int> LoadAlpha() const;
    // Also keeps the group read as this store's group.
    std::optional<std::wstring> LoadGroup();
    std::optional<bool> LoadTopMost() const;
    std::optional<bool> LoadToDesk() const;
    std::optional<bool> LoadHidden() const;
    std::optional<std::wstring> LoadCreateTime() const;
    std::optional<std::wstring> LoadUpdateTime() const;
    std::optional<std::wstring> LoadSnapshotName() const;
    std::optional<std::wstring> LoadBaseDir() const;
    // The child list in order; items with an unknown class, a bad id or a repeated id are left
    // out.
    std::vector<TavNoteChild> LoadChildren() const;

    // Appends an `Item` for the child unless one with that id exists.
    bool AddChildRecord(int childId, const std::wstring& className);
    // Removes every `Item` of the child and writes `updatetime` (also when none was found: the
    // result is then false). The child's own files are erased by the child.
    bool RemoveChildRecord(int childId, const SYSTEMTIME& localTime);

    // Deletes the snapshot file named by `pngview` (done when a note opens).
    bool deleteSnapshotFile() const;

    // While one lives, reads of the note file are answered from one copy of it (a note reads a
    // dozen elements when it opens); every write through the store drops the copy.
    class ReadBatch {
    public:
        explicit ReadBatch(const TavNoteStore& store) : store_(store) { ++store_.readCopy_.depth; }
        ~ReadBatch() {
            if (store_.readCopy_.depth > 0) --store_.readCopy_.depth;
            if (store_.readCopy_.depth == 0) store_.dropReadCopy();
        }
        ReadBatch(const ReadBatch&) = delete;
        ReadBatch& operator=(const ReadBatch&) = delete;

    private:
        const TavNoteStore& store_;
    };

private:
    bool writeElement(const wchar_t* name, const std::wstring& value);
    std::optional<std::wstring> readElement(const wchar_t* name) const;
    void dropReadCopy() const {
        readCopy_.path.clear();
        readCopy_.text.clear();
    }

    std::wstring unique_;
    std::wstring dir_;
    std::wstring group_;
    int id_ = 0;
    bool hosted_ = false;
    // The batch state belongs to this object: copies and assignments neither take nor give it.
    struct ReadCopy {
        int depth = 0;
        std::wstring path;
        std::wstring text;
        ReadCopy() = default;
        ReadCopy(const ReadCopy&) {}
        ReadCopy& operator=(const ReadCopy&) { return *this; }
    };
    mutable ReadCopy readCopy_;
};
