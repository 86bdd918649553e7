#include "NoteStore.h"

#include <shlwapi.h>

#include "AppPaths.h"
#include "FolderUtils.h"
#include "NoteDocument.h"
#include "NoteFormat.h"
#include "NoteGeometry.h"
#include "NoteSnapshot.h"
#include "UniqueName.h"
#include "XmlDocument.h"

namespace {

// Copies a damaged file to "<path>.bad" (or ".bad.1", ".bad.2", ... when earlier ones exist).
bool keepDamagedCopy(const std::wstring& path) {
    std::wstring target = path + L".bad";
    for (int n = 1; fileExists(target) && n < 1000; ++n) target = path + L".bad." + std::to_wstring(n);
    return CopyFileW(path.c_str(), target.c_str(), TRUE) != FALSE;
}

// Writes go only to files inside the data folder reached without a link: a note folder that is a
// junction or symbolic link leads outside, where nothing is ours to change.
bool isWritablePath(const std::wstring& path) { return isInsideDataFolder(path); }

std::wstring flagText(bool on) { return on ? L"1" : L"0"; }

SYSTEMTIME localNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

} // namespace

TavNoteStore::TavNoteStore(std::wstring unique, std::wstring baseDir, int objectId)
    : unique_(std::move(unique)), id_(objectId) {
    if (!baseDir.empty() && baseDir.back() != L'\\') baseDir += L'\\';
    dir_ = std::move(baseDir);
}

bool TavNoteStore::ensureUnique(const SYSTEMTIME& now) {
    if (!unique_.empty()) return false;
    unique_ = uniqueTimeName(now, id_);
    return true;
}

std::wstring TavNoteStore::folderPath() const {
    if (!isPlainFileName(unique_)) return std::wstring();
    return (dir_.empty() ? noteItemsDirectory() : dir_) + unique_ + L"\\";
}

std::wstring TavNoteStore::createFolder() const {
    if (!isPlainFileName(unique_)) return std::wstring();
    std::wstring folder = noteFolder(unique_, dir_);
    return folderExists(folder) ? folder : std::wstring();
}

std::wstring TavNoteStore::GetFilePath() const {
    std::wstring folder = folderPath();
    return folder.empty() ? folder : folder + unique_ + L".xml";
}

std::wstring TavNoteStore::fileInFolder(const std::wstring& name) const {
    if (!isPlainFileName(name)) return std::wstring();
    std::wstring folder = folderPath();
    return folder.empty() ? folder : folder + name;
}

std::wstring TavNoteStore::childFilePath(int childId) const { return fileInFolder(childFileName(childId)); }

std::wstring TavNoteStore::childBodyPath(int childId) const { return fileInFolder(childBodyName(childId)); }

bool TavNoteStore::OpenDocument(XmlDocument& doc) const {
    // Opened to be changed (or repaired): a kept copy would be out of date.
    dropReadCopy();
    std::wstring path = GetFilePath();
    if (path.empty() || !isWritablePath(path) || createFolder().empty()) return false;
    // Only a file the system says is not there is made anew; one that cannot be looked at now
    // (access denied, held by another program) is left alone.
    if (isMissingFile(path)) {
        doc.setDocument(nullptr);
        doc.addElement(kNoteRootName);
        doc.intoElement();
        doc.addElement(L"ID", id_);
        doc.outOfElement(); // back on the root
        return doc.saveFile(path);
    }
    if (doc.loadFile(path) && doc.isWellFormed() && doc.findElement(kNoteRootName)) return true;
    // A file we cannot read now is someone else's business: it is never replaced.
    if (doc.resultText().find(L"<file_error") != std::wstring::npos || !canReadFile(path)) return false;
    if (!keepDamagedCopy(path)) return false;
    std::wstring repaired = repairedNoteText(doc, id_);
    doc.setDocument(repaired.c_str());
    return doc.saveFile(path) && doc.findElement(kNoteRootName);
}

bool TavNoteStore::createNoteFile() {
    dropReadCopy();
    std::wstring path = GetFilePath();
    if (path.empty() || !isWritablePath(path) || !isMissingFile(path) || createFolder().empty()) return false;
    XmlDocument doc;
    doc.addElement(kNoteRootName);
    doc.intoElement();
    doc.addElement(L"ID", id_);
    doc.addElement(L"unique", unique_);
    doc.addElement(L"group", group_);
    return doc.saveFile(path);
}

bool TavNoteStore::createNewNoteFile(const SYSTEMTIME& now) {
    if (!unique_.empty()) return false;
    // A name already taken belongs to another note: the next millisecond is tried instead.
    FILETIME stamp{};
    SystemTimeToFileTime(&now, &stamp);
    ULARGE_INTEGER ticks{{stamp.dwLowDateTime, stamp.dwHighDateTime}};
    for (int attempt = 0; attempt < 1000; ++attempt, ticks.QuadPart += 10000) {
        FILETIME next{ticks.LowPart, ticks.HighPart};
        SYSTEMTIME when{};
        if (!FileTimeToSystemTime(&next, &when)) break;
        unique_ = uniqueTimeName(when, id_);
        if (!isMissingFile(folderPath())) continue;
        if (createNoteFile()) return true;
        if (!isMissingFile(folderPath())) continue;
        break;
    }
    unique_.clear();
    return false;
}

bool TavNoteStore::rewriteUniqueFromFolder() {
    std::wstring path = GetFilePath();
    if (path.empty()) return false;
    std::optional<std::wstring> stored = readElement(L"unique");
    if (stored && stored->size() == unique_.size() &&
        CompareStringOrdinal(stored->c_str(), int(stored->size()), unique_.c_str(), int(unique_.size()),
                             TRUE) == CSTR_EQUAL)
        return true;
    // A file naming another folder (a copied folder, a crafted file) is kept before it is
    // corrected: the folder's name is the note's identity.
    if (stored && !keepDamagedCopy(path)) return false;
    return SaveUnique();
}

bool TavNoteStore::readDocument(XmlDocument& doc) const {
    std::wstring path = GetFilePath();
    if (path.empty()) return false;
    if (readCopy_.depth > 0 && !readCopy_.text.empty() && readCopy_.path == path) {
        doc.setDocument(readCopy_.text.c_str());
        return doc.findElement(kNoteRootName);
    }
    if (!doc.loadFile(path) || !doc.isWellFormed() || !doc.findElement(kNoteRootName)) return false;
    if (readCopy_.depth > 0) {
        readCopy_.path = path;
        readCopy_.text = doc.documentText();
    }
    return true;
}

bool TavNoteStore::writeElement(const wchar_t* name, const std::wstring& value) {
    XmlDocument doc;
    if (!OpenDocument(doc) || !doc.intoElement()) return false;
    if (!setChildElements(doc, {{name, value}})) return false;
    return doc.saveFile(GetFilePath());
}

std::optional<std::wstring> TavNoteStore::readElement(const wchar_t* name) const {
    XmlDocument doc;
    if (!readDocument(doc) || !doc.intoElement() || !doc.findElement(name)) return std::nullopt;
    return doc.getData();
}

// ---------------------------------------------------------------------------------------------
// Setters

bool TavNoteStore::SaveUnique() { return writeElement(L"unique", unique_); }
bool TavNoteStore::SaveId() { return writeElement(L"ID", std::to_wstring(id_)); }
bool TavNoteStore::SaveGroup() { return writeElement(L"group", group_); }

bool TavNoteStore::SetGroup(const std::wstring& group) {
    group_ = group;
    return SaveGroup();
}

bool TavNoteStore::SetBaseDir(const std::wstring& dir) {
    dir_ = dir;
    if (!dir_.empty() && dir_.back() != L'\\') dir_ += L'\\';
    return writeElement(L"dir", dir_);
}

bool TavNoteStore::SaveBkImage(const std::wstring& fileName) {
    if (!fileName.empty() && !isPlainFileName(fileName)) return false;
    XmlDocument doc;
    if (!OpenDocument(doc) || !doc.intoElement()) return false;
    std::vector<TavFoundElement> old{{L"bkimage", std::wstring(), false}};
    findChildElements(doc, old);
    doc.outOfElement();
    std::wstring text = doc.documentText();
    doc.setDocument(text.c_str());
    if (!doc.findElement(kNoteRootName) || !doc.intoElement()) return false;
    if (!setChildElements(doc, {{L"bkimage", fileName}}) || !doc.saveFile(GetFilePath())) return false;
    // The old picture goes only once the file no longer names it.
    const std::wstring& previous = old[0].value;
    if (previous != fileName && isPlainFileName(previous)) removeDataFile(fileInFolder(previous));
    return true;
}

bool TavNoteStore::SaveColor(uint32_t argb) {
    return writeElement(L"curcolor", std::to_wstring(static_cast<int>(argb)));
}

bool TavNoteStore::SaveAlpha(int alpha) { return writeElement(L"alpha", std::to_wstring(alpha)); }
bool TavNoteStore::SaveTopMost(bool on) { return writeElement(L"bTopMost", flagText(on)); }
bool TavNoteStore::SaveToDesk(bool on) { return writeElement(L"bToDesk", flagText(on)); }
bool TavNoteStore::SaveHidden(bool hidden) { return writeElement(L"ishide", flagText(hidden)); }

std::optional<RECT> TavNoteStore::SaveGeometry(const RECT& windowRect) {
    RECT rect = windowRect;
    if (hosted_) {
        XmlDocument stored;
        if (readDocument(stored) && stored.intoElement()) {
            std::vector<TavFoundElement> corner{{L"left", {}, false}, {L"top", {}, false}};
            findChildElements(stored, corner);
            if (corner[0].found && corner[1].found)
                rect = keepStoredTopLeft(rect,
                                         {parseNoteInt64(corner[0].value), parseNoteInt64(corner[1].value)});
        }
    }
    XmlDocument doc;
    if (!OpenDocument(doc) || !doc.intoElement()) return std::nullopt;
    if (!setChildElements(doc, {{L"left", std::to_wstring(rect.left)},
                                {L"top", std::to_wstring(rect.top)},
                                {L"right", std::to_wstring(rect.right)},
                                {L"bottom", std::to_wstring(rect.bottom)}}))
        return std::nullopt;
    if (!doc.saveFile(GetFilePath())) return std::nullopt;
    return rect;
}

bool TavNoteStore::SaveCreateTime(const SYSTEMTIME& t) {
    return writeElement(L"datetime", formatNoteTime(t));
}
bool TavNoteStore::SaveUpdateTime(const SYSTEMTIME& t) {
    return writeElement(L"updatetime", formatNoteTime(t));
}
bool TavNoteStore::SaveCreateTime() { return SaveCreateTime(localNow()); }
bool TavNoteStore::SaveUpdateTime() { return SaveUpdateTime(localNow()); }

bool TavNoteStore::SaveSnapshot(const TavSnapshotPixels& picture, const SYSTEMTIME& localTime) {
    std::wstring folder = createFolder();
    std::wstring name = uniqueTimeName(localTime, 99) + L".png";
    if (folder.empty() || !isWritablePath(folder + name)) return false;
    std::optional<std::wstring> previous = LoadSnapshotName();
    if (!writeSnapshotPng(picture, folder + name)) return false;
    if (!writeElement(L"pngview", name)) {
        removeDataFile(folder + name);
        return false;
    }
    if (previous && *previous != name && isPlainFileName(*previous)) removeDataFile(folder + *previous);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Getters

std::optional<int> TavNoteStore::LoadId() const {
    auto text = readElement(L"ID");
    if (!text) return std::nullopt;
    return parseNoteInt(*text);
}

std::optional<std::wstring> TavNoteStore::LoadUnique() const { return readElement(L"unique"); }

std::optional<RECT> TavNoteStore::LoadGeometry() const {
    XmlDocument doc;
    if (!readDocument(doc) || !doc.intoElement()) return std::nullopt;
    std::vector<TavFoundElement> sides{
        {L"left", {}, false}, {L"top", {}, false}, {L"right", {}, false}, {L"bottom", {}, false}};
    findChildElements(doc, sides);
    for (const TavFoundElement& side : sides) {
        if (!side.found) return std::nullopt;
    }
    RECT r;
    r.left = parseNoteInt64(sides[0].value);
    r.top = parseNoteInt64(sides[1].value);
    r.right = parseNoteInt64(sides[2].value);
    r.bottom = parseNoteInt64(sides[3].value);
    return capStoredRect(r);
}

std::optional<std::wstring> TavNoteStore::LoadBkImage() const {
    // A name that leaves the note folder is not ours to show: the note shows its plain fill.
    auto name = readElement(L"bkimage");
    if (name && !name->empty() && !isPlainFileName(*name)) return std::wstring();
    return name;
}

std::optional<uint32_t> TavNoteStore::LoadColor() const {
    auto text = readElement(L"curcolor");
    if (!text) return std::nullopt;
    return static_cast<uint32_t>(parseNoteInt64(*text));
}

std::optional<int> TavNoteStore::LoadAlpha() const {
    auto text = readElement(L"alpha");
    if (!text) return std::nullopt;
    int alpha = parseNoteInt(*text);
    return alpha < 0 ? 0 : alpha > 255 ? 255 : alpha;
}

std::optional<std::wstring> TavNoteStore::LoadGroup() {
    auto group = readElement(L"group");
    if (group) group_ = *group;
    return group;
}

namespace {
std::optional<bool> flagOf(const std::optional<std::wstring>& text) {
    if (!text) return std::nullopt;
    return parseNoteInt(*text) != 0;
}
} // namespace

std::optional<bool> TavNoteStore::LoadTopMost() const { return flagOf(readElement(L"bTopMost")); }
std::optional<bool> TavNoteStore::LoadToDesk() const { return flagOf(readElement(L"bToDesk")); }
std::optional<bool> TavNoteStore::LoadHidden() const { return flagOf(readElement(L"ishide")); }
std::optional<std::wstring> TavNoteStore::LoadCreateTime() const { return readElement(L"datetime"); }
std::optional<std::wstring> TavNoteStore::LoadUpdateTime() const { return readElement(L"updatetime"); }
std::optional<std::wstring> TavNoteStore::LoadSnapshotName() const {
    auto name = readElement(L"pngview");
    if (name && !name->empty() && !isPlainFileName(*name)) return std::nullopt;
    return name;
}
std::optional<std::wstring> TavNoteStore::LoadBaseDir() const { return readElement(L"dir"); }

std::vector<TavNoteChild> TavNoteStore::LoadChildren() const {
    std::vector<TavNoteChild> children;
    XmlDocument doc;
    if (!readDocument(doc) || !doc.intoElement() || !doc.findElement(kChildListName) || !doc.intoElement())
        return children;
    while (doc.findElement(kChildItemName)) {
        TavNoteChild child{parseNoteInt(doc.getData()), doc.getAttribute(kChildClassAttribute)};
        if (child.id <= 0 || !isKnownChildClass(child.className)) continue;
        bool repeated = false;
        for (const TavNoteChild& c : children) repeated = repeated || c.id == child.id;
        if (!repeated) children.push_back(std::move(child));
    }
    return children;
}

// ---------------------------------------------------------------------------------------------
// Child records

bool TavNoteStore::AddChildRecord(int childId, const std::wstring& className) {
    XmlDocument doc;
    if (!OpenDocument(doc) || !doc.intoElement()) return false;
    if (!doc.findElement(kChildListName) && !doc.addElement(kChildListName)) return false;
    if (!doc.intoElement()) return false;
    while (doc.findElement(kChildItemName)) {
        if (parseNoteInt(doc.getData()) == childId) return true;
    }
    if (!doc.addElement(kChildItemName, childId) || !doc.setAttribute(kChildClassAttribute, className))
        return false;
    return doc.saveFile(GetFilePath());
}

bool TavNoteStore::RemoveChildRecord(int childId, const SYSTEMTIME& localTime) {
    XmlDocument doc;
    if (!OpenDocument(doc) || !doc.intoElement()) return false;
    bool removed = false;
    if (doc.findElement(kChildListName) && doc.intoElement()) {
        while (doc.findElement(kChildItemName)) {
            if (parseNoteInt(doc.getData()) == childId && doc.removeElement()) removed = true;
        }
    }
    if (removed && !doc.saveFile(GetFilePath())) return false;
    return SaveUpdateTime(localTime) && removed;
}

bool TavNoteStore::deleteSnapshotFile() const {
    auto name = LoadSnapshotName();
    if (!name || !isPlainFileName(*name)) return false;
    return removeDataFile(fileInFolder(*name));
}
