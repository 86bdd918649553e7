#include "TavNoteItemTemplate.h"

#include <cwchar>

#include "AppPaths.h"
#include "FileSystem.h"
#include "NoteDocument.h"
#include "NoteFormat.h"
#include "TavNoteItem.h"
#include "XmlDocument.h"

namespace {

constexpr const wchar_t* kTemplateRoot = L"TplItem";

// Copies without replacing, and only into the data folder.
bool copyKeeping(const std::wstring& from, const std::wstring& to) {
    return isInsideDataFolder(to) && CopyFileW(from.c_str(), to.c_str(), TRUE) != FALSE;
}

} // namespace

std::wstring templateFolderFor(const std::wstring& name, const std::wstring& group) {
    if (group.empty() || group == L"系统分组") return templateFolder(name);
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

bool applyTemplateToNote(TavNoteItem& note, const std::wstring& name, const std::wstring& group) {
    if (!isPlainFileName(name)) return false;
    // Applying, only the empty group means the plain template folder.
    const std::wstring folder = group.empty() ? templateFolder(name) : templates2Folder(group, name);
    if (folder.empty()) return false;
    XmlDocument doc;
    if (!doc.loadFile(folder + name + L".xml") || !doc.findElement(kTemplateRoot) || !doc.intoElement())
        return false;
    std::vector<TavFoundElement> wanted{
        {L"left", {}}, {L"top", {}}, {L"right", {}}, {L"bottom", {}}, {L"bkimage", {}}};
    findChildElements(doc, wanted);
    for (int i = 0; i < 4; ++i)
        if (!wanted[size_t(i)].found) return false;
    const int width = parseNoteInt(wanted[2].value) - parseNoteInt(wanted[0].value);
    const int height = parseNoteInt(wanted[3].value) - parseNoteInt(wanted[1].value);
    if (width <= 0 || height <= 0 || !note.handle()) return false;
    SetWindowPos(note.handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    note.SaveGeometry();
    const std::wstring& background = wanted[4].value;
    if (wanted[4].found && isPlainFileName(background)) {
        // The background is set only when its file is there: naming a missing picture would
        // delete the note's previous one.
        const std::wstring target = note.store().folderPath() + background;
        copyKeeping(folder + background, target);
        if (fileExists(target)) note.SetBackgroundFile(background);
    }
    return true;
}
