#include "TavNoteItemTemplate.h"

#include <algorithm>

#include "AppPaths.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "NoteDocument.h"
#include "NoteFormat.h"
#include "TavNoteItem.h"
#include "TavNoteItemImage.h"
#include "TavNoteMessageBox.h"
#include "UniqueName.h"
#include "XmlDocument.h"

namespace {

constexpr const wchar_t* kTemplateRoot = L"TplItem";

// Copies without replacing, and only into the data folder.
bool copyKeeping(const std::wstring& from, const std::wstring& to) {
    return isInsideDataFolder(to) && CopyFileW(from.c_str(), to.c_str(), TRUE) != FALSE;
}

// Saving, "系统分组" names the plain template folder as the empty group does.
bool isPlainTemplateGroup(const std::wstring& group) { return group.empty() || group == L"系统分组"; }

// The folder of an existing template, without creating anything: applying a template that is not
// there leaves no empty folder behind. "" when a name is no plain file name.
std::wstring existingTemplateFolder(const std::wstring& name, const std::wstring& group) {
    if (!isPlainFileName(name) || (!group.empty() && !isPlainFileName(group))) return std::wstring();
    return (group.empty() ? templatesDirectory() : templates2Directory() + group + L"\\") + name + L"\\";
}

// A rectangle read from a file is used only with a size a window can have.
bool usableRect(const RECT& r) {
    constexpr LONG kMaxSide = 16384;
    return r.right > r.left && r.bottom > r.top && r.right - r.left <= kMaxSide &&
           r.bottom - r.top <= kMaxSide;
}

// The rectangle of the four values found in `wanted` (left, top, right, bottom first).
std::optional<RECT> rectOf(const std::vector<TavFoundElement>& wanted) {
    for (size_t i = 0; i < 4; ++i)
        if (!wanted[i].found) return std::nullopt;
    return RECT{parseNoteInt(wanted[0].value), parseNoteInt(wanted[1].value), parseNoteInt(wanted[2].value),
                parseNoteInt(wanted[3].value)};
}

std::function<void(TavNoteItem&)>& templateChooser() {
    static std::function<void(TavNoteItem&)> chooser;
    return chooser;
}

TavTemplateDialogs& templateDialogs() {
    static TavTemplateDialogs dialogs;
    return dialogs;
}

void tellTemplateAdded(TavNoteItem& note) {
    if (templateDialogs().tellTemplateAdded) {
        templateDialogs().tellTemplateAdded(note);
        return;
    }
    TavNoteMessageBox box(kBoxOk, L"模板已添加！", L"TavNote", 300, 120);
    box.setIcon(L"TavNote.png");
    box.runModal(note.handle());
}

// Replaces the note's pictures with the template's. Only plain names that are none of the note's
// data files are copied (overwriting) and shown; a picture whose file did not arrive is left out.
void applyTemplatePictures(TavNoteItem& note, const std::wstring& folder,
                           const std::vector<TavTemplatePicture>& pictures) {
    note.removeImageChildren();
    for (const TavTemplatePicture& picture : pictures) {
        if (!picture.rect || !usableRect(*picture.rect) || !isPlainFileName(picture.name) ||
            isNoteDataFileName(picture.name, note.unique()))
            continue;
        const std::wstring target = note.store().fileInFolder(picture.name);
        if (target.empty()) continue;
        copyPictureInto(folder + picture.name, target, [] { return true; });
        if (fileExists(target)) note.addImageChild(picture.name, *picture.rect);
    }
}

} // namespace

void setTemplateDialogs(TavTemplateDialogs dialogs) { templateDialogs() = std::move(dialogs); }

std::wstring templateFolderFor(const std::wstring& name, const std::wstring& group) {
    if (isPlainTemplateGroup(group)) return templateFolder(name);
    return templates2Folder(group, name);
}

bool saveNoteAsTemplate(TavNoteItem& note, const std::wstring& name, const std::wstring& group) {
    if (!isPlainFileName(name)) return false;
    const std::wstring folder = templateFolderFor(name, group);
    const std::wstring path = folder + name + L".xml";
    // A folder that could not be made, or a linked one leading outside: nothing is written.
    if (folder.empty() || !isInsideDataFolder(path)) return false;
    XmlDocument doc;
    if (!doc.loadFile(path)) doc.setDocument(L"");
    if (!doc.findElement(kTemplateRoot)) {
        doc.setDocument(doc.documentText().c_str());
        while (doc.findElement()) {
        }
        doc.addElement(kTemplateRoot);
    }
    if (!doc.intoElement()) return false;

    auto rect = note.store().LoadGeometry();
    auto background = note.store().LoadBkImage();
    if (rect && background) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        setChildElements(doc, {{L"left", std::to_wstring(rect->left)},
                               {L"top", std::to_wstring(rect->top)},
                               {L"right", std::to_wstring(rect->right)},
                               {L"bottom", std::to_wstring(rect->bottom)},
                               {L"bkimage", *background},
                               {L"group", group},
                               {L"datetime", formatNoteTime(now)}});
        if (isPlainFileName(*background))
            copyKeeping(note.store().folderPath() + *background, folder + *background);
    }
    doc.outOfElement();
    return doc.saveFile(path);
}

std::optional<TavTemplateLook> readTemplateLook(const std::wstring& xmlText) {
    XmlDocument doc;
    doc.setDocument(xmlText.c_str());
    if (!doc.findElement(kTemplateRoot) || !doc.intoElement()) return std::nullopt;
    TavTemplateLook look;
    std::vector<TavFoundElement> wanted{
        {L"left", {}}, {L"top", {}}, {L"right", {}}, {L"bottom", {}}, {L"bkimage", {}}};
    // One pass over `TplItem`: the first of each value, every `image` in order.
    while (doc.findElement(nullptr)) {
        const std::wstring name = doc.currentName();
        if (name == L"image") {
            TavTemplatePicture picture{doc.getAttribute(L"name"), std::nullopt};
            std::vector<TavFoundElement> corners{
                {L"left", {}}, {L"top", {}}, {L"right", {}}, {L"bottom", {}}};
            if (doc.intoElement()) {
                findChildElements(doc, corners);
                doc.outOfElement();
            }
            picture.rect = rectOf(corners);
            look.pictures.push_back(std::move(picture));
            continue;
        }
        for (TavFoundElement& w : wanted) {
            if (w.found || name != w.name) continue;
            w.value = doc.getData();
            w.found = true;
            break;
        }
    }
    look.rect = rectOf(wanted);
    if (wanted[4].found) look.background = wanted[4].value;
    return look;
}

bool applyTemplateToNote(TavNoteItem& note, const std::wstring& name, const std::wstring& group) {
    // Applying, only the empty group means the plain template folder.
    const std::wstring folder = existingTemplateFolder(name, group);
    if (folder.empty() || !note.handle()) return false;
    XmlDocument file;
    if (!file.loadFile(folder + name + L".xml")) return false;
    std::optional<TavTemplateLook> look = readTemplateLook(file.documentText());
    if (!look || !look->rect || !usableRect(*look->rect)) return false;
    const int width = look->rect->right - look->rect->left, height = look->rect->bottom - look->rect->top;
    SetWindowPos(note.handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    note.SaveGeometry();
    // A template without a background gives only its size.
    if (!look->background) return true;
    const std::wstring& background = *look->background;
    if (isPlainFileName(background) && !isNoteDataFileName(background, note.unique())) {
        // The background is set only when its file is there: naming a missing picture would
        // delete the note's previous one. An existing file of that name is kept.
        const std::wstring target = note.store().fileInFolder(background);
        if (!target.empty()) {
            copyKeeping(folder + background, target);
            if (fileExists(target)) note.SetBackgroundFile(background);
        }
    }
    applyTemplatePictures(note, folder, look->pictures);
    return true;
}

std::wstring newTemplateName(const std::wstring& group, const SYSTEMTIME& now) {
    std::wstring base;
    if (isPlainTemplateGroup(group))
        base = templatesDirectory();
    else if (isPlainFileName(group))
        base = templates2Directory() + group + L"\\";
    if (base.empty()) return std::wstring();
    FILETIME stamp{};
    if (!SystemTimeToFileTime(&now, &stamp)) return std::wstring();
    ULARGE_INTEGER ticks{{stamp.dwLowDateTime, stamp.dwHighDateTime}};
    for (int attempt = 0; attempt < 1000; ++attempt, ticks.QuadPart += 10000) {
        FILETIME next{ticks.LowPart, ticks.HighPart};
        SYSTEMTIME when{};
        if (!FileTimeToSystemTime(&next, &when)) break;
        const std::wstring name = uniqueTimeName(when, 0);
        if (isMissingFile(base + name)) return name;
    }
    return std::wstring();
}

std::vector<std::wstring> templateGroupNames() {
    std::vector<std::wstring> names = listSubFolders(templates2Directory());
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) ==
               CSTR_LESS_THAN;
    });
    return names;
}

std::optional<std::wstring> templateGroupForCommand(int command, const std::vector<std::wstring>& groups) {
    if (command == kCmdNoteSaveTemplate || command == kCmdTemplateGroupNone) return std::wstring();
    if (command < kCmdTemplateGroupFirst || command > kCmdTemplateGroupLast) return std::nullopt;
    const size_t k = size_t(command - kCmdTemplateGroupFirst);
    return k < groups.size() ? groups[k] : std::wstring();
}

void setTemplateChooser(std::function<void(TavNoteItem&)> chooser) { templateChooser() = std::move(chooser); }

bool handleTemplateCommand(TavNoteItem& note, int command) {
    if (command == kCmdNoteChooseTemplate) {
        if (templateChooser()) templateChooser()(note);
        return true;
    }
    std::optional<std::wstring> group = templateGroupForCommand(command, templateGroupNames());
    if (!group) return false;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring name = newTemplateName(*group, now);
    if (!name.empty() && saveNoteAsTemplate(note, name, *group)) tellTemplateAdded(note);
    return true;
}

bool applyTemplateMessage(TavNoteItem& note, WPARAM wParam, LPARAM lParam) {
    const auto* name = reinterpret_cast<const wchar_t*>(wParam);
    const auto* group = reinterpret_cast<const wchar_t*>(lParam);
    if (!name) return false;
    const bool applied = applyTemplateToNote(note, name, group ? group : L"");
    if (note.handle() && IsWindowVisible(note.handle())) note.Redraw();
    return applied;
}
