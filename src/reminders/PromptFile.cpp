#include "PromptFile.h"

#include <cwchar>

#include "AppPaths.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "XmlDocument.h"

namespace {

constexpr wchar_t kRootName[] = L"TavNotePrompt";
constexpr wchar_t kFileName[] = L"prompt.xml";
constexpr wchar_t kItemName[] = L"item";
constexpr wchar_t kCountName[] = L"PromptCount";
constexpr wchar_t kGifName[] = L"GifFile";
constexpr wchar_t kPathAttribute[] = L"FilePath";
constexpr wchar_t kValueAttribute[] = L"value";

// The folder part of the prompt file's path, ending in a backslash.
std::wstring folderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// Only a path inside the data folder is ours to write, and only under its own name.
bool isPromptPath(const std::wstring& path) {
    if (path.empty() || !isInsideDataFolder(path)) return false;
    size_t n = wcslen(kFileName);
    return path.size() > n && _wcsicmp(path.c_str() + path.size() - n, kFileName) == 0 &&
           path[path.size() - n - 1] == L'\\';
}

// Copies a damaged file to "<path>.bad" (or ".bad.1", ".bad.2", ... when earlier ones exist).
bool keepDamagedCopy(const std::wstring& path) {
    std::wstring target = path + L".bad";
    for (int n = 1; fileExists(target) && n < 1000; ++n) target = path + L".bad." + std::to_wstring(n);
    return CopyFileW(path.c_str(), target.c_str(), TRUE) != FALSE;
}

bool startNewFile(XmlDocument& doc, const std::wstring& path, int objectId) {
    doc.setDocument(nullptr);
    doc.addElement(kRootName);
    doc.intoElement();
    doc.addElement(L"ID", objectId);
    doc.outOfElement();
    return doc.saveFile(path);
}

// Moves the cursor to the last child of the current level so that an added element goes last.
void toLastChild(XmlDocument& doc) {
    while (doc.findElement()) {
    }
}

// Enters the root's child `name`, adding it at the end when it is missing.
bool enterContainer(XmlDocument& doc, const wchar_t* name, bool create) {
    if (!doc.intoElement()) return false;
    if (!doc.findElement(name)) {
        if (!create) return false;
        toLastChild(doc);
        if (!doc.addElement(name)) return false;
    }
    return doc.intoElement();
}

bool findItemByText(XmlDocument& doc, const std::wstring& text) {
    while (doc.findElement(kItemName)) {
        if (doc.getData() == text) return true;
    }
    return false;
}

// Reads the file's text and returns a fresh document positioned before the root, or false.
bool loadForReading(XmlDocument& doc, const std::wstring& path) {
    if (path.empty() || !fileExists(path)) return false;
    return doc.loadFile(path) && doc.isWellFormed() && doc.findElement(kRootName);
}

int decimal(const std::wstring& text) {
    long v = wcstol(text.c_str(), nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return int(v);
}

bool addItemWithAttribute(const std::wstring& path, int objectId, const wchar_t* container,
                          const std::wstring& text, const wchar_t* attribute,
                          const std::wstring& attributeValue) {
    if (text.empty()) return false;
    XmlDocument doc;
    if (!openPromptFile(doc, path, objectId) || !enterContainer(doc, container, true)) return false;
    if (findItemByText(doc, text)) return true;
    toLastChild(doc);
    return doc.addElement(kItemName, text) && doc.setAttribute(attribute, attributeValue) &&
           doc.saveFile(path);
}

} // namespace

const std::vector<ReminderLabel>& ReminderLabelSet::of(ReminderLabelKind kind) const {
    size_t k = size_t(kind);
    return lists_[k < lists_.size() ? k : 0];
}

void ReminderLabelSet::insert(const ReminderLabel& label) {
    size_t k = size_t(label.kind);
    if (label.kind == ReminderLabelKind::Once) {
        once_ = label;
        hasOnce_ = true;
        return;
    }
    if (k == 0 || k >= lists_.size()) return;
    std::vector<ReminderLabel>& list = lists_[k];
    if (label.kind == ReminderLabelKind::Exec) {
        list.push_back(label);
        return;
    }
    auto at = list.begin();
    while (at != list.end() && at->value <= label.value) ++at;
    list.insert(at, label);
}

void ReminderLabelSet::clear() {
    for (auto& list : lists_) list.clear();
    hasOnce_ = false;
    once_ = ReminderLabel();
}

std::vector<ReminderLabel> ReminderLabelSet::all() const {
    std::vector<ReminderLabel> out;
    for (uint32_t k = 1; k <= 10; ++k) {
        if (k == uint32_t(ReminderLabelKind::Once)) {
            if (hasOnce_) out.push_back(once_);
            continue;
        }
        const auto& list = lists_[k];
        out.insert(out.end(), list.begin(), list.end());
    }
    return out;
}

const wchar_t* promptContainerName(ReminderLabelKind kind) {
    switch (kind) {
    case ReminderLabelKind::Minute:
        return L"Minute";
    case ReminderLabelKind::Hour:
        return L"Hour";
    case ReminderLabelKind::Day:
        return L"Day";
    case ReminderLabelKind::Month:
        return L"Month";
    case ReminderLabelKind::Year:
        return L"Year";
    case ReminderLabelKind::Weekday:
        return L"Week";
    case ReminderLabelKind::Style:
        return L"Style";
    case ReminderLabelKind::Music:
        return L"MusicFile";
    case ReminderLabelKind::Exec:
        return L"ExecFile";
    case ReminderLabelKind::Once:
        break;
    }
    return L"";
}

std::wstring promptFilePath(const std::wstring& unique, const std::wstring& dir) {
    if (!isPlainFileName(unique)) return std::wstring();
    std::wstring base = dir;
    if (base.empty()) {
        base = noteItemsDirectory();
        if (base.empty()) return std::wstring();
    } else if (base.back() != L'\\') {
        base += L'\\';
    }
    return base + unique + L"\\" + kFileName;
}

bool openPromptFile(XmlDocument& doc, const std::wstring& path, int objectId) {
    if (!isPromptPath(path)) return false;
    const std::wstring folder = folderOf(path);
    if (!folderExists(folder) && !CreateDirectoryW(folder.c_str(), nullptr)) return false;
    // Only a file the system says is not there is made anew.
    if (isMissingFile(path)) return startNewFile(doc, path, objectId);
    if (doc.loadFile(path) && doc.isWellFormed() && doc.findElement(kRootName)) return true;
    if (doc.resultText().find(L"<file_error") != std::wstring::npos || !canReadFile(path)) return false;
    if (!keepDamagedCopy(path)) return false;
    return startNewFile(doc, path, objectId);
}

bool addPromptValueLabel(const std::wstring& path, int objectId, ReminderLabelKind kind,
                         const std::wstring& text, int value) {
    if (kind == ReminderLabelKind::Once || kind == ReminderLabelKind::Music ||
        kind == ReminderLabelKind::Exec)
        return false;
    return addItemWithAttribute(path, objectId, promptContainerName(kind), text, kValueAttribute,
                                std::to_wstring(value));
}

bool setPromptOnce(const std::wstring& path, int objectId) {
    XmlDocument doc;
    if (!openPromptFile(doc, path, objectId) || !doc.intoElement()) return false;
    if (doc.findElement(kCountName)) {
        if (!doc.setData(1)) return false;
    } else {
        toLastChild(doc);
        if (!doc.addElement(kCountName, 1)) return false;
    }
    return doc.saveFile(path);
}

bool addPromptExecFile(const std::wstring& path, int objectId, const std::wstring& name,
                       const std::wstring& filePath) {
    return addItemWithAttribute(path, objectId, L"ExecFile", name, kPathAttribute, filePath);
}

bool setPromptMusicFile(const std::wstring& path, int objectId, const std::wstring& name,
                        const std::wstring& filePath) {
    if (name.empty()) return false;
    XmlDocument doc;
    if (!openPromptFile(doc, path, objectId) || !enterContainer(doc, L"MusicFile", true)) return false;
    if (doc.findElement(kItemName)) {
        if (!doc.setData(name)) return false;
    } else if (!doc.addElement(kItemName, name)) {
        return false;
    }
    return doc.setAttribute(kPathAttribute, filePath) && doc.saveFile(path);
}

std::wstring promptGifCopyName(const SYSTEMTIME& now, int objectId, const std::wstring& sourceName) {
    wchar_t stamp[64];
    swprintf(stamp, 64, L"%04d%02d%02d%02d%02d%02d%03d_%02d", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond, now.wMilliseconds, objectId);
    return std::wstring(stamp) + L"_gif_" + sourceName;
}

bool setPromptGif(const std::wstring& path, int objectId, const std::wstring& sourceFile,
                  const SYSTEMTIME& now) {
    size_t slash = sourceFile.find_last_of(L"\\/");
    const std::wstring sourceName = slash == std::wstring::npos ? sourceFile : sourceFile.substr(slash + 1);
    const std::wstring copyName = promptGifCopyName(now, objectId, sourceName);
    if (!isPlainFileName(copyName)) return false;
    XmlDocument doc;
    if (!openPromptFile(doc, path, objectId)) return false;
    const std::wstring folder = folderOf(path);
    const std::wstring target = folder + copyName;
    if (!isInsideDataFolder(target) || !CopyFileW(sourceFile.c_str(), target.c_str(), FALSE)) return false;
    if (!enterContainer(doc, kGifName, true)) return false;
    while (doc.findElement(kItemName)) {
        const std::wstring old = doc.getData();
        // A name that is no plain file name was not written by us: it is dropped, never followed.
        if (isPlainFileName(old) && _wcsicmp(old.c_str(), copyName.c_str()) != 0)
            removeDataFile(folder + old);
        doc.removeElement();
    }
    return doc.addElement(kItemName, copyName) && doc.saveFile(path);
}

bool removePromptLabel(const std::wstring& path, int objectId, ReminderLabelKind kind,
                       const std::wstring& text) {
    XmlDocument doc;
    if (!fileExists(path) || !openPromptFile(doc, path, objectId)) return false;
    if (kind == ReminderLabelKind::Once) {
        if (!doc.intoElement() || !doc.findElement(kCountName)) return true;
        return doc.removeElement() && doc.saveFile(path);
    }
    const wchar_t* container = promptContainerName(kind);
    if (!*container || !enterContainer(doc, container, false)) return true;
    if (!findItemByText(doc, text)) return true;
    return doc.removeElement() && doc.saveFile(path);
}

bool removePromptGif(const std::wstring& path, int objectId) {
    XmlDocument doc;
    if (!fileExists(path) || !openPromptFile(doc, path, objectId)) return false;
    if (!enterContainer(doc, kGifName, false)) return true;
    const std::wstring folder = folderOf(path);
    bool changed = false;
    while (doc.findElement(kItemName)) {
        const std::wstring name = doc.getData();
        if (isPlainFileName(name)) removeDataFile(folder + name);
        changed = doc.removeElement() || changed;
    }
    return !changed || doc.saveFile(path);
}

bool clearPromptFile(const std::wstring& path) {
    if (!isPromptPath(path)) return false;
    const std::wstring gif = readPromptGifPath(path);
    if (!gif.empty() && fileExists(gif)) removeDataFile(gif);
    return !fileExists(path) || removeDataFile(path);
}

ReminderLabelSet readPromptLabels(const std::wstring& path) {
    ReminderLabelSet labels;
    XmlDocument doc;
    if (!loadForReading(doc, path)) return labels;
    const std::wstring text = doc.documentText();
    // Each kind is looked up from the root's first child, whatever order the children stand in.
    auto readKind = [&](ReminderLabelKind kind, bool hasValue) {
        XmlDocument one;
        if (!one.setDocument(text.c_str()) || !one.findElement(kRootName)) return;
        if (!enterContainer(one, promptContainerName(kind), false)) return;
        while (one.findElement(kItemName)) {
            ReminderLabel label;
            label.kind = kind;
            label.text = one.getData();
            label.value = hasValue ? decimal(one.getAttribute(kValueAttribute)) : 0;
            labels.insert(label);
            if (kind == ReminderLabelKind::Music) break; // one music file at most
        }
    };
    for (ReminderLabelKind kind : {ReminderLabelKind::Minute, ReminderLabelKind::Hour, ReminderLabelKind::Day,
                                   ReminderLabelKind::Weekday, ReminderLabelKind::Month,
                                   ReminderLabelKind::Year, ReminderLabelKind::Style})
        readKind(kind, true);
    readKind(ReminderLabelKind::Exec, false);
    readKind(ReminderLabelKind::Music, false);
    if (doc.intoElement() && doc.findElement(kCountName)) {
        ReminderLabel once;
        once.kind = ReminderLabelKind::Once;
        once.text = L"一次";
        once.value = decimal(doc.getData());
        labels.insert(once);
    }
    return labels;
}

std::wstring readPromptGifPath(const std::wstring& path) {
    XmlDocument doc;
    if (!loadForReading(doc, path) || !enterContainer(doc, kGifName, false) || !doc.findElement(kItemName))
        return std::wstring();
    const std::wstring name = doc.getData();
    return isPlainFileName(name) ? folderOf(path) + name : std::wstring();
}
