// The note's children: loading them in the order of `ChildItems`, adding text blocks and
// pictures, removing one with its files and its `Item`.
#include "TavNoteItem.h"

#include <algorithm>

#include "FileDialogs.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "ImageFiles.h"
#include "NoteFormat.h"
#include "TavNoteItemImage.h"
#include "TavNoteMessageBox.h"
#include "TavRichEdit.h"

namespace {

SYSTEMTIME localNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

// A new rich text block starts this far left of the point (its left margin) and 10 above it, one
// line high; it grows with its text.
constexpr int kBlockLeftMargin = 7;
constexpr int kBlockAbove = 10;
constexpr int kBlockStartWidth = 32;
constexpr int kBlockStartHeight = 24;

// A picture added by the menu: at most this share of the note's client area, within a margin.
constexpr int kPictureMargin = 10;

} // namespace

TavNoteChildItem* TavNoteItem::findChild(int childId) {
    for (auto& child : noteChildren_)
        if (child->childWindow().objectIdIfAny() == childId) return child.get();
    return nullptr;
}

TavNoteChildItem* TavNoteItem::addChild(std::unique_ptr<TavNoteChildItem> child, int id, const RECT& rect,
                                        bool record) {
    if (!child || !handle()) return nullptr;
    TavNoteChildItem* raw = child.get();
    if (!raw->createInNote(handle(), id, rect)) return nullptr;
    noteChildren_.push_back(std::move(child));
    // The bottom strip stays above the children: it carries a ringing reminder's text.
    if (label_.handle())
        SetWindowPos(label_.handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (record) {
        store_.AddChildRecord(raw->childWindow().objectId(), raw->childClassName());
        store_.SaveUpdateTime(localNow());
    }
    return raw;
}

bool TavNoteItem::removeChild(int childId) {
    auto it = std::find_if(noteChildren_.begin(), noteChildren_.end(), [&](const auto& child) {
        return child->childWindow().objectIdIfAny() == childId;
    });
    if (it == noteChildren_.end()) return false;
    std::unique_ptr<TavNoteChildItem> child = std::move(*it);
    noteChildren_.erase(it);
    if (sharesItsPicture(*child)) {
        // Another picture (or the background) shows the same file: only the child's own file goes.
        if (const std::wstring file = child->childWindow().GetFilePath(); !file.empty()) removeDataFile(file);
    } else {
        child->eraseStoredData();
    }
    child.reset(); // the window goes with the object
    store_.RemoveChildRecord(childId, localNow());
    if (handle() && IsWindowVisible(handle())) Redraw();
    return true;
}

bool TavNoteItem::sharesItsPicture(TavNoteChildItem& child) const {
    auto* picture = dynamic_cast<TavNoteItemImage*>(&child);
    if (!picture || picture->imageName().empty()) return false;
    auto same = [&](const std::wstring& name) {
        return CompareStringOrdinal(name.c_str(), -1, picture->imageName().c_str(), -1, TRUE) == CSTR_EQUAL;
    };
    if (same(bkImage_)) return true;
    for (const auto& other : noteChildren_) {
        auto* otherPicture = dynamic_cast<TavNoteItemImage*>(other.get());
        if (otherPicture && otherPicture != picture && same(otherPicture->imageName())) return true;
    }
    return false;
}

void TavNoteItem::loadChildren() {
    RECT client{};
    GetClientRect(handle(), &client);
    const RECT fallback{0, 0, std::min<LONG>(client.right, 100), std::min<LONG>(client.bottom, 24)};
    for (const TavNoteChild& stored : store_.LoadChildren()) {
        std::unique_ptr<TavNoteChildItem> child = makeNoteChild(stored.className, unique(), store_.baseDir());
        if (!child) continue;
        int id = stored.id;
        // Two note folders copied outside the program can hold children of one id; an object id
        // names one live window, so the second child is copied to a free id of its own.
        if (TavObject::isIdInUse(id)) {
            id = rehomeChild(stored);
            if (id == 0) continue;
        }
        addChild(std::move(child), id, fallback, false);
    }
}

int TavNoteItem::rehomeChild(const TavNoteChild& stored) {
    TavObject probe;
    const int fresh = probe.objectId();
    const std::wstring from = store_.childFilePath(stored.id), to = store_.childFilePath(fresh);
    if (from.empty() || to.empty() || !isInsideDataFolder(to) || fileExists(to) ||
        !CopyFileW(from.c_str(), to.c_str(), TRUE))
        return 0;
    // The probe gives its id back when it goes; the id stays reserved for the child's window.
    TavObject::reserveIds({fresh});
    store_.AddChildRecord(fresh, stored.className);
    store_.RemoveChildRecord(stored.id, localNow());
    return fresh;
}

void TavNoteItem::AddRichText(int x, int y) {
    richTextPoint_ = POINT{x, y};
    if (!handle() || unique().empty()) return;
    std::unique_ptr<TavNoteChildItem> block = makeNoteChild(kRichTextChildClass, unique(), store_.baseDir());
    const RECT rect{x - kBlockLeftMargin, y - kBlockAbove, x - kBlockLeftMargin + kBlockStartWidth,
                    y - kBlockAbove + kBlockStartHeight};
    TavNoteChildItem* added = addChild(std::move(block), 0, rect, true);
    if (!added) return;
    // A new block writes in the color last chosen in this note.
    if (auto* editor = dynamic_cast<TavRichEdit*>(&added->childWindow())) editor->setColor(color_);
    added->activateAt(0, 0);
}

TavNoteChildItem* TavNoteItem::addImageChild(const std::wstring& fileName, const RECT& rect) {
    if (!isPlainFileName(fileName) || unique().empty()) return nullptr;
    auto picture = std::make_unique<TavNoteItemImage>(unique(), store_.baseDir());
    TavNoteItemImage* raw = picture.get();
    TavNoteChildItem* added = addChild(std::move(picture), 0, rect, false);
    if (!added) return nullptr;
    raw->SetImage(fileName);
    store_.AddChildRecord(raw->objectId(), raw->childClassName());
    store_.SaveUpdateTime(localNow());
    if (IsWindowVisible(handle())) Redraw();
    return added;
}

void TavNoteItem::removeImageChildren() {
    std::vector<int> pictures;
    for (auto& child : noteChildren_)
        if (std::wstring(child->childClassName()) == kImageChildClass)
            pictures.push_back(child->childWindow().objectId());
    for (int id : pictures) removeChild(id);
    // `Item`s of pictures whose window never opened (a damaged child file) go too.
    for (const TavNoteChild& stored : store_.LoadChildren())
        if (stored.className == kImageChildClass && !findChild(stored.id))
            store_.RemoveChildRecord(stored.id, localNow());
}

RECT TavNoteItem::pictureRectFor(const std::wstring& path, POINT at) const {
    RECT client{};
    GetClientRect(handle(), &client);
    const int roomW = std::max<int>(40, client.right - 2 * kPictureMargin);
    const int roomH = std::max<int>(40, client.bottom - kLabelHeight - kPictureMargin);
    int w = roomW / 2, h = roomH / 2;
    if (TavGpImage image = loadImageFile(path)) {
        w = int(image->GetWidth());
        h = int(image->GetHeight());
    }
    // Shrunk (never enlarged) to the room the note has, keeping the picture's proportions.
    if (w > roomW || h > roomH) {
        const double scale = std::min(double(roomW) / std::max(w, 1), double(roomH) / std::max(h, 1));
        w = std::max(8, int(w * scale));
        h = std::max(8, int(h * scale));
    }
    int left = std::clamp<int>(at.x, kPictureMargin, std::max<int>(kPictureMargin, client.right - w));
    int top = std::clamp<int>(at.y, kPictureMargin, std::max<int>(kPictureMargin, client.bottom - h));
    return RECT{left, top, left + w, top + h};
}

bool TavNoteItem::AddImageFrom(const std::wstring& sourcePath, POINT at) {
    const size_t slash = sourcePath.find_last_of(L"\\/");
    const std::wstring title = slash == std::wstring::npos ? sourcePath : sourcePath.substr(slash + 1);
    if (title.empty() || !fileExists(sourcePath) || unique().empty()) return false;
    if (!loadImageFile(sourcePath)) {
        tellNotPicture();
        return false;
    }
    const std::wstring name = L"bkimage_" + std::to_wstring(objectId()) + L"_" + title;
    const std::wstring target = store_.fileInFolder(name);
    if (target.empty() || !copyPictureInto(sourcePath, target, [&] {
            int answer =
                dialogs_.confirmOverwrite ? dialogs_.confirmOverwrite(*this) : askOverwriteFile(handle());
            return answer == kNoteResultYes;
        }))
        return false;
    return addImageChild(name, pictureRectFor(target, at)) != nullptr;
}

void TavNoteItem::AddImage() {
    TavFileChoice choice = openFileDialog(handle(), kImageFileFilter, kImageDialogTitle);
    if (!choice.path.empty()) AddImageFrom(choice.path, lastRightPress());
}

void TavNoteItem::tellNotPicture() {
    if (dialogs_.tellNotPicture) {
        dialogs_.tellNotPicture(*this);
        return;
    }
    TavNoteMessageBox box(kBoxOk, L"所选文件不是图片。", L"TavNote", 300, 120);
    box.setIcon(L"TavNote.png");
    box.runModal(handle());
}
