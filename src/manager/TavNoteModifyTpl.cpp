#include "TavNoteModifyTpl.h"

#include "AppPaths.h"
#include "DrawToolkit.h"
#include "FileDialogs.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "ImageFiles.h"
#include "ManagerFolders.h"
#include "ManagerGroups.h"
#include "ManagerTemplates.h"
#include "NoteFormat.h"
#include "TavNoteMenu.h"
#include "TavNoteMessageBox.h"
#include "UniqueName.h"
#include "XmlDocument.h"

#include <algorithm>

namespace {

constexpr wchar_t kTemplateRoot[] = L"TplItem";
constexpr int kMinSide = 40;

// The folder of an existing template ("" when it is not there or a name is no plain name).
std::wstring templateFolderOf(const std::wstring& name, const std::wstring& group) {
    if (!isPlainFileName(name) || group == kRecycleGroupName) return std::wstring();
    const std::wstring parent = managerTemplateGroupFolder(group);
    const std::wstring folder = parent.empty() ? std::wstring() : parent + name + L"\\";
    return !folder.empty() && isFolder(folder) ? folder : std::wstring();
}

} // namespace

TavNoteModifyTpl::TavNoteModifyTpl(std::wstring name, std::wstring group)
    : TavNoteCaption(L"拖动边框调整大小...", 240, 240), name_(std::move(name)), group_(std::move(group)) {
    setObjectName(L"TavNoteModifyTpl");
    setIcon(L"TavNote.png");
    folder_ = templateFolderOf(name_, group_);
    XmlDocument doc;
    if (!folder_.empty() && doc.loadFile(filePath()) && doc.isWellFormed() &&
        doc.findElement(kTemplateRoot) && doc.intoElement()) {
        long values[4] = {0, 0, 240, 240};
        bool found[4] = {};
        while (doc.findElement()) {
            const std::wstring element = doc.currentName();
            static const wchar_t* const names[4] = {L"left", L"top", L"right", L"bottom"};
            for (int k = 0; k < 4; ++k)
                if (!found[k] && element == names[k]) {
                    values[k] = parseNoteInt(doc.getData());
                    found[k] = true;
                }
            if (element == L"bkimage" && picture_.empty()) picture_ = doc.getData();
        }
        if (values[2] - values[0] >= kMinSide && values[3] - values[1] >= kMinSide &&
            values[2] - values[0] <= 4000 && values[3] - values[1] <= 4000)
            stored_ = RECT{values[0], values[1], values[2], values[3]};
        if (!isPlainFileName(picture_)) picture_.clear();
    }
}

std::wstring TavNoteModifyTpl::filePath() const {
    return folder_.empty() ? folder_ : folder_ + name_ + L".xml";
}

SIZE TavNoteModifyTpl::templateSize() const {
    const SIZE window = windowSize();
    return SIZE{window.cx - 2 * borderWidth(), window.cy - 2 * borderWidth() - captionHeight()};
}

void TavNoteModifyTpl::onCreated() {
    TavNoteCaption::onCreated();
    // The window takes the template's size around its frame and caption; dragging its border
    // changes it.
    setResizeEnabled(true);
    const int w = stored_.right - stored_.left + 2 * borderWidth();
    const int h = stored_.bottom - stored_.top + 2 * borderWidth() + captionHeight();
    SetWindowPos(handle(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ready_ = true;
}

void TavNoteModifyTpl::onSized(WPARAM flag, int width, int height) {
    TavNoteCaption::onSized(flag, width, height);
    // The frame resizes the window once, when the drag ends: that is when the size is written.
    if (ready_) saveSize();
    if (handle() && redrawAll()) present();
}

void TavNoteModifyTpl::saveSize() {
    const SIZE size = templateSize();
    if (folder_.empty() || size.cx < 1 || size.cy < 1) return;
    const RECT r{stored_.left, stored_.top, stored_.left + size.cx, stored_.top + size.cy};
    if (EqualRect(&r, &stored_)) return;
    XmlDocument doc;
    const std::wstring path = filePath();
    if (!isInsideDataFolder(path) || !doc.loadFile(path) || !doc.isWellFormed() ||
        !doc.findElement(kTemplateRoot) || !doc.intoElement())
        return;
    const std::pair<const wchar_t*, long> values[4] = {
        {L"left", r.left}, {L"top", r.top}, {L"right", r.right}, {L"bottom", r.bottom}};
    bool done[4] = {};
    while (doc.findElement()) {
        const std::wstring element = doc.currentName();
        for (int k = 0; k < 4; ++k)
            if (!done[k] && element == values[k].first) {
                doc.setData(int(values[k].second));
                done[k] = true;
            }
    }
    for (int k = 0; k < 4; ++k)
        if (!done[k]) doc.addElement(values[k].first, int(values[k].second));
    if (doc.saveFile(path)) {
        stored_ = r;
        if (changed_) changed_();
    }
}

void TavNoteModifyTpl::renderBackground() {
    TavNoteCaption::renderBackground();
    if (!background_) return;
    const int b = borderWidth(), top = b + captionHeight();
    const SIZE size = templateSize();
    if (size.cx <= 0 || size.cy <= 0) return;
    if (!folder_.empty() && !picture_.empty())
        drawImageFile(folder_ + picture_, background_.dc(), b, top, size.cx, size.cy, handle());
    wchar_t text[32];
    swprintf(text, 32, L"%d*%d", int(size.cx), int(size.cy));
    const RECT area{0, 0, size.cx, size.cy};
    TavMemDC label =
        drawDefaultText(handle(), text, Gdiplus::StringAlignmentCenter, Gdiplus::StringAlignmentFar, area);
    if (label) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(background_.dc(), b, top - 8, size.cx, size.cy, label.dc(), 0, 0, size.cx, size.cy, blend);
    }
}

void TavNoteModifyTpl::onContextMenu(WPARAM, int screenX, int screenY) {
    auto* menu = new TavNoteMenu();
    menu->addItem(kCmdTemplateChangePicture, L"修改图片...", L"images.png");
    menu->showAt(handle(), screenX, screenY);
}

LRESULT TavNoteModifyTpl::onCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTavMsgCommand && int(wParam) == kCmdTemplateChangePicture) {
        const std::wstring path = dialogs_.choosePicture
                                      ? dialogs_.choosePicture()
                                      : openFileDialog(handle(), kImageFileFilter, kImageDialogTitle).path;
        SYSTEMTIME now;
        GetLocalTime(&now);
        if (!path.empty()) changePictureFrom(path, now);
        return 0;
    }
    return TavNoteCaption::onCommand(message, wParam, lParam);
}

bool TavNoteModifyTpl::changePictureFrom(const std::wstring& path, const SYSTEMTIME& stamp) {
    // A template folder reached through a link (or gone) is not written into.
    if (folder_.empty() || !isInsideDataFolder(filePath()) || !fileExists(path) || !loadImageFile(path))
        return false;
    const std::wstring name = L"bkimage_" + uniqueTimeName(stamp, objectId()) + L"_" + fileNameOfPath(path);
    if (!isPlainFileName(name) || name == picture_) return false;
    const bool copied = copyPictureInto(path, folder_ + name, [&] {
        if (dialogs_.confirmOverwrite) return dialogs_.confirmOverwrite();
        return askOverwriteFile(handle()) == kNoteResultYes;
    });
    if (!copied) return false;
    XmlDocument doc;
    const std::wstring file = filePath();
    if (!doc.loadFile(file) || !doc.isWellFormed() || !doc.findElement(kTemplateRoot) || !doc.intoElement())
        return false;
    bool set = false;
    while (!set && doc.findElement(L"bkimage")) set = doc.setData(name);
    if (!set) doc.addElement(L"bkimage", name);
    if (!doc.saveFile(file)) return false;
    picture_ = name;
    renderBackground();
    if (redrawAll()) present();
    if (changed_) changed_();
    return true;
}
