#include "TavNoteItemImage.h"

#include <algorithm>
#include <cwchar>

#include "FileDialogs.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "ImageFiles.h"
#include "NoteDocument.h"
#include "NoteFormat.h"
#include "NoteStore.h"
#include "Settings.h"
#include "TavNoteMessageBox.h"
#include "XmlDocument.h"

namespace {

bool endsWithNoCase(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() &&
           CompareStringOrdinal(text.c_str() + (text.size() - tail.size()), int(tail.size()), tail.c_str(),
                                int(tail.size()), TRUE) == CSTR_EQUAL;
}

bool sameNameNoCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

bool allDigits(const std::wstring& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// The picture drawn into a bitmap of its own, no larger than the kept size: the file is released
// at once (a picture loaded from a file keeps it open, and it must stay replaceable and
// deletable), and the drawing never decodes again.
TavGpImage keptCopy(TavGpImage image, int maxSide) {
    if (!image) return nullptr;
    const double w = image->GetWidth(), h = image->GetHeight();
    const double scale = std::min(1.0, double(maxSide) / std::max(w, h));
    const int keptW = std::max(1, int(w * scale)), keptH = std::max(1, int(h * scale));
    auto copy = std::make_unique<Gdiplus::Bitmap>(keptW, keptH, PixelFormat32bppPARGB);
    if (copy->GetLastStatus() != Gdiplus::Ok) return nullptr;
    {
        Gdiplus::Graphics g(copy.get());
        g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        if (g.DrawImage(image.get(), 0, 0, keptW, keptH) != Gdiplus::Ok) return nullptr;
    }
    return copy;
}

// A stored rectangle is used only when it has a size a window can have.
bool usableRect(const RECT& r) {
    constexpr LONG kMaxSide = 16384;
    return r.right > r.left && r.bottom > r.top && r.right - r.left <= kMaxSide &&
           r.bottom - r.top <= kMaxSide;
}

} // namespace

bool isNoteDataFileName(const std::wstring& name, const std::wstring& noteUnique) {
    std::wstring stem = name;
    while (endsWithNoCase(stem, L".bad")) stem.resize(stem.size() - 4);
    if (sameNameNoCase(stem, noteUnique + L".xml") || sameNameNoCase(stem, L"prompt.xml")) return true;
    for (const wchar_t* tail : {L".xml", L"_rtf"}) {
        const size_t n = std::wcslen(tail);
        if (endsWithNoCase(stem, tail) && allDigits(stem.substr(0, stem.size() - n))) return true;
    }
    return false;
}

TavNoteItemImageMenu::TavNoteItemImageMenu() {
    setObjectName(L"TavNoteItemImageMenu");
    addItem(kCmdImageReplace, L"更换图片");
    addItem(kCmdImageDelete, L"删除", L"delete.png");
}

TavNoteItemImage::TavNoteItemImage(std::wstring noteUnique, std::wstring noteFolder)
    : noteUnique_(std::move(noteUnique)), noteFolder_(std::move(noteFolder)) {
    setObjectName(L"TavNoteItemImage");
    setBorderThickness(kCornerSize);
}

TavNoteItemImage::~TavNoteItemImage() = default;

std::wstring TavNoteItemImage::pictureFile(const std::wstring& name) const {
    if (name.empty() || isNoteDataFileName(name, noteUnique_)) return std::wstring();
    return TavNoteStore(noteUnique_, noteFolder_, 0).fileInFolder(name);
}

std::wstring TavNoteItemImage::GetFilePath() {
    return TavNoteStore(noteUnique_, noteFolder_, 0).childFilePath(objectId());
}

bool TavNoteItemImage::createInNote(HWND note, int id, const RECT& rect) {
    if (!note) return false;
    if (!create(id, L"", 0, WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, note))
        return false;
    // A new picture (or one whose file lost its rectangle) writes the place it was given.
    if (!LoadGeometry()) SaveGeometry();
    return true;
}

bool TavNoteItemImage::LoadGeometry() {
    XmlDocument doc;
    const std::wstring path = GetFilePath();
    if (path.empty() || !doc.loadFile(path) || !doc.findElement(L"TavNoteItemImage") || !doc.intoElement())
        return false;
    std::vector<TavFoundElement> wanted{
        {L"left", {}}, {L"top", {}}, {L"right", {}}, {L"bottom", {}}, {L"image", {}}};
    findChildElements(doc, wanted);
    // A name that is no plain picture name of the note folder is never opened, shown or deleted.
    if (wanted[4].found && !pictureFile(wanted[4].value).empty()) {
        image_ = wanted[4].value;
        loadPicture();
    }
    for (int i = 0; i < 4; ++i)
        if (!wanted[size_t(i)].found) return false;
    const RECT stored{parseNoteInt(wanted[0].value), parseNoteInt(wanted[1].value),
                      parseNoteInt(wanted[2].value), parseNoteInt(wanted[3].value)};
    if (!usableRect(stored)) return false;
    MoveWindow(handle(), stored.left, stored.top, stored.right - stored.left, stored.bottom - stored.top,
               FALSE);
    lastSaved_ = stored;
    saved_ = true;
    return true;
}

RECT TavNoteItemImage::rectInNote() const {
    RECT r{};
    if (!handle()) return r;
    GetWindowRect(handle(), &r);
    MapWindowPoints(nullptr, GetParent(handle()), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool TavNoteItemImage::writeElements(const std::vector<std::pair<const wchar_t*, std::wstring>>& values) {
    // Before its window exists the picture has no id and so no file of its own.
    if (objectIdIfAny() == 0) return false;
    XmlDocument doc;
    const std::wstring path = GetFilePath();
    if (path.empty() || !isInsideDataFolder(path) || !OpenDocument(doc)) return false;
    // OpenDocument leaves the cursor on the root element.
    if (!doc.intoElement() || !setChildElements(doc, values)) return false;
    doc.outOfElement();
    return doc.saveFile(path);
}

void TavNoteItemImage::SaveGeometry() {
    const RECT now = rectInNote();
    if (saved_ && EqualRect(&now, &lastSaved_)) return;
    if (!writeElements({{L"left", std::to_wstring(now.left)},
                        {L"top", std::to_wstring(now.top)},
                        {L"right", std::to_wstring(now.right)},
                        {L"bottom", std::to_wstring(now.bottom)}}))
        return;
    const bool moved = saved_;
    lastSaved_ = now;
    saved_ = true;
    if (moved) postToNote(kNoteMsgContentChanged, 0);
}

void TavNoteItemImage::onGeometryChanged() {
    TavWndMoveResize::onGeometryChanged();
    // Called once when a drag or resize ends, and whenever the note moves (nothing to write then:
    // the place in the note is the same).
    SaveGeometry();
}

bool TavNoteItemImage::SetImage(const std::wstring& name) {
    if (!name.empty() && pictureFile(name).empty()) return false;
    if (!sameNameNoCase(name, image_)) {
        // Only a name that was accepted as a picture of the note folder is ever deleted.
        const std::wstring previous = pictureFile(image_);
        if (!previous.empty() && fileExists(previous)) removeDataFile(previous);
    }
    image_ = name;
    writeElements({{L"image", image_}});
    // The same name may hold a new picture (replaced after the user agreed): decode again.
    loadPicture();
    repaint();
    postToNote(kNoteMsgContentChanged, 0);
    return true;
}

void TavNoteItemImage::loadPicture() {
    picture_.reset();
    const std::wstring path = pictureFile(image_);
    if (!path.empty()) picture_ = keptCopy(loadImageFile(path), kMaxKeptSide);
}

void TavNoteItemImage::eraseStoredData() {
    const std::wstring file = GetFilePath();
    if (!file.empty()) removeDataFile(file);
    const std::wstring picture = pictureFile(image_);
    if (!picture.empty()) removeDataFile(picture);
}

void TavNoteItemImage::activateAt(int, int) {
    if (focusedWindow() != this) takeFocus();
}

TavMemDC TavNoteItemImage::renderSelf() {
    RECT client{};
    GetClientRect(handle(), &client);
    const int w = client.right, h = client.bottom;
    TavMemDC dc = createMemoryDC(handle(), w, h);
    if (!dc) return dc;
    const int pw = w - 2 * kInnerMargin, ph = h - 2 * kInnerMargin;
    if (picture_ && pw > 0 && ph > 0) {
        Gdiplus::Graphics g(dc.dc());
        g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        // Edge pixels repeat instead of fading into the transparent outside.
        Gdiplus::ImageAttributes edges;
        edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
        g.DrawImage(picture_.get(), Gdiplus::Rect(kInnerMargin, kInnerMargin, pw, ph), 0, 0,
                    INT(picture_->GetWidth()), INT(picture_->GetHeight()), Gdiplus::UnitPixel, &edges);
    }
    if (focusedWindow() == this && w > 2 * kFrameInset && h > 2 * kFrameInset) {
        const uint32_t pixel = premultiply(settings().borderMenuColor | 0xFF000000u);
        const int x0 = kFrameInset, y0 = kFrameInset, x1 = w - 1 - kFrameInset, y1 = h - 1 - kFrameInset;
        for (int x = x0; x <= x1; ++x) dc.at(x, y0) = dc.at(x, y1) = pixel;
        for (int y = y0; y <= y1; ++y) dc.at(x0, y) = dc.at(x1, y) = pixel;
    }
    return dc;
}

void TavNoteItemImage::zoneHitTest(int screenX, int screenY, const RECT& rect) {
    POINT pt{screenX, screenY};
    if ((pressFlag() && ownsVisibleOutline()) || !PtInRect(&rect, pt)) return;
    TavWndMoveResize::zoneHitTest(screenX, screenY, rect);
    // Only the corner squares resize; the edges and the middle move the picture.
    const int z = zone();
    if (z != kZoneTopLeft && z != kZoneTopRight && z != kZoneBottomLeft && z != kZoneBottomRight)
        setCursorKind(kCursorSizeAll);
}

void TavNoteItemImage::takeFocus() {
    const bool was = focusedWindow() == this;
    TavWndMoveResize::takeFocus();
    if (!was) repaint();
}

bool TavNoteItemImage::loseFocus(TavWnd* newFocus) {
    const bool was = focusedWindow() == this;
    const bool moved = TavWndMoveResize::loseFocus(newFocus);
    if (was && focusedWindow() != this) repaint();
    return moved;
}

void TavNoteItemImage::repaint() {
    if (!handle() || !IsWindowVisible(handle())) return;
    RECT r{};
    GetWindowRect(handle(), &r);
    if (redrawScreenRect(r.left, r.top, r.right, r.bottom)) present(&r);
}

void TavNoteItemImage::postToNote(UINT message, WPARAM wParam) {
    HWND note = handle() ? GetParent(handle()) : nullptr;
    if (note) PostMessageW(note, message, wParam, 0);
}

void TavNoteItemImage::onContextMenu(WPARAM, int screenX, int screenY) {
    auto* menu = new TavNoteItemImageMenu();
    // The menu deletes itself when it has closed (or at once when it cannot be made).
    menu->showAt(handle(), screenX, screenY);
}

LRESULT TavNoteItemImage::onCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kTavMsgCommand) return TavWndMoveResize::onCommand(message, wParam, lParam);
    switch (static_cast<int>(wParam)) {
    case kCmdImageReplace:
        ReplaceImage();
        break;
    case kCmdImageDelete:
        // The note erases the files, destroys this window and removes the `Item`.
        postToNote(kNoteMsgImageDeleted, WPARAM(objectId()));
        break;
    default:
        break;
    }
    return 0;
}

void TavNoteItemImage::ReplaceImage() {
    TavFileChoice choice = openFileDialog(handle(), kImageFileFilter, kImageDialogTitle);
    if (!choice.path.empty()) ReplaceImageFrom(choice.path);
}

bool TavNoteItemImage::ReplaceImageFrom(const std::wstring& sourcePath) {
    const size_t slash = sourcePath.find_last_of(L"\\/");
    const std::wstring title = slash == std::wstring::npos ? sourcePath : sourcePath.substr(slash + 1);
    if (title.empty() || !fileExists(sourcePath)) return false;
    // Only a file that decodes as a picture may replace the picture (and delete the old file).
    if (!loadImageFile(sourcePath)) {
        if (dialogs_.tellNotPicture) {
            dialogs_.tellNotPicture(*this);
        } else {
            TavNoteMessageBox box(kBoxOk, L"所选文件不是图片，图片没有改变。", L"TavNote", 300, 120);
            box.setIcon(L"TavNote.png");
            box.runModal(handle());
        }
        return false;
    }
    const std::wstring name = L"bkimage_" + noteUnique_ + L"_" + title;
    const std::wstring target = pictureFile(name);
    // The name is taken only once the file is there: a failed copy keeps the old picture and its
    // file, and the picture never names a missing file.
    if (target.empty() || !copyPictureInto(sourcePath, target, [&] {
            const int answer =
                dialogs_.confirmOverwrite ? dialogs_.confirmOverwrite(*this) : askOverwriteFile(handle());
            return answer == kNoteResultYes;
        }))
        return false;
    return SetImage(name);
}
