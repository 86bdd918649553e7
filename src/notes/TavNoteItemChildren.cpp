// The note's children: loading them in the order of `ChildItems`, adding text blocks and
// pictures, removing one with its files and its `Item`.
#include "TavNoteItem.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Clipboard.h"
#include "FileDialogs.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "ImageFiles.h"
#include "NoteFormat.h"
#include "TavNoteItemImage.h"
#include "TavNoteMessageBox.h"
#include "TavRichEdit.h"
#include "UniqueName.h"

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
    if (!copyPictureAsking(sourcePath, target)) return false;
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

// --- pictures and text given to the note: dropped files, the clipboard ---

namespace {

// Text files a note takes as a text block: small enough to read at once.
constexpr uint64_t kMaxDroppedText = 1 << 20;

// The text of a dropped file: UTF-16 with its byte order mark, UTF-8 (with or without its mark)
// or the system code page; "" for a file that is no text (NUL bytes in it) or too large.
std::wstring textOfFile(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::wstring();
    LARGE_INTEGER size{};
    std::string bytes;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && uint64_t(size.QuadPart) <= kMaxDroppedText) {
        bytes.resize(size_t(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr)) read = 0;
        bytes.resize(read);
    }
    CloseHandle(file);
    if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        memcpy(text.data(), bytes.data() + 2, text.size() * 2);
        return text.find(L'\0') == std::wstring::npos ? text : std::wstring();
    }
    if (bytes.find('\0') != std::string::npos) return std::wstring();
    size_t skip = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    auto convert = [&](UINT codePage, DWORD flags) {
        const int n =
            MultiByteToWideChar(codePage, flags, bytes.data() + skip, int(bytes.size() - skip), nullptr, 0);
        std::wstring text(size_t(std::max(n, 0)), L'\0');
        if (n > 0)
            MultiByteToWideChar(codePage, flags, bytes.data() + skip, int(bytes.size() - skip), text.data(),
                                n);
        return text;
    };
    std::wstring text = convert(CP_UTF8, MB_ERR_INVALID_CHARS);
    if (text.empty() && bytes.size() > skip) text = convert(CP_ACP, 0);
    return text;
}

// Line breaks as the editor keeps them: one line feed each.
std::wstring withLineFeeds(std::wstring text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            out += L'\n';
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

bool TavNoteItem::AddTextBlock(const std::wstring& text, POINT at) {
    const std::wstring clean = withLineFeeds(text);
    if (clean.empty()) return false;
    const size_t before = noteChildren_.size();
    AddRichText(at.x, at.y);
    if (noteChildren_.size() == before) return false;
    auto* editor = dynamic_cast<TavRichEdit*>(&noteChildren_.back()->childWindow());
    if (!editor) return false;
    editor->insertText(clean);
    return true;
}

int TavNoteItem::takeDroppedFiles(HDROP drop) {
    POINT at{};
    DragQueryPoint(drop, &at);
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    int taken = 0;
    for (UINT i = 0; i < count && i < 64; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0 || length > 32767) continue;
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, i, path.data(), length + 1);
        path.resize(length);
        if (folderExists(path) || !fileExists(path)) continue;
        // A picture becomes a picture child; a text file a text block; anything else is left.
        const POINT place{at.x + 20 * taken, at.y + 20 * taken};
        if (loadImageFile(path)) {
            taken += AddImageFrom(path, place) ? 1 : 0;
        } else if (std::wstring text = textOfFile(path); !text.empty()) {
            taken += AddTextBlock(text, place) ? 1 : 0;
        }
    }
    DragFinish(drop);
    return taken;
}

bool TavNoteItem::pasteIntoNote() {
    if (unique().empty() || !OpenClipboard(handle())) return false;
    // A picture first (a screenshot also offers text in some programs), else text.
    TavGpBitmap picture;
    if (HANDLE dib = GetClipboardData(CF_DIB)) {
        if (const auto* info = static_cast<const BITMAPINFO*>(GlobalLock(dib))) {
            const SIZE_T size = GlobalSize(dib);
            const BITMAPINFOHEADER& h = info->bmiHeader;
            const size_t colors = h.biBitCount <= 8
                                      ? (h.biClrUsed ? h.biClrUsed : (size_t(1) << h.biBitCount))
                                      : (h.biCompression == BI_BITFIELDS ? 3 : 0);
            const size_t header = h.biSize + colors * sizeof(RGBQUAD);
            const uint64_t stride = (uint64_t(std::abs(h.biWidth)) * h.biBitCount + 31) / 32 * 4;
            const uint64_t need = header + stride * uint64_t(std::abs(h.biHeight));
            if (size >= sizeof(BITMAPINFOHEADER) && h.biSize >= sizeof(BITMAPINFOHEADER) && need <= size &&
                imageSizeAllowed(uint64_t(std::abs(h.biWidth)), uint64_t(std::abs(h.biHeight))))
                picture.reset(Gdiplus::Bitmap::FromBITMAPINFO(
                    info, const_cast<BYTE*>(reinterpret_cast<const BYTE*>(info) + header)));
            GlobalUnlock(dib);
        }
    }
    std::wstring text = picture ? std::wstring() : openClipboardText();
    CloseClipboard();
    const POINT at = lastLeftPress();
    if (picture && picture->GetLastStatus() == Gdiplus::Ok) {
        SYSTEMTIME now = localNow();
        const std::wstring name =
            L"bkimage_" + std::to_wstring(objectId()) + L"_" + uniqueTimeName(now, 0) + L".png";
        const std::wstring target = store_.fileInFolder(name);
        if (target.empty() || fileExists(target) || !isInsideDataFolder(target)) return false;
        // Copied out of the clipboard's memory into a bitmap of its own before it is saved.
        Gdiplus::Bitmap copy(int(picture->GetWidth()), int(picture->GetHeight()), PixelFormat32bppARGB);
        {
            Gdiplus::Graphics g(&copy);
            g.DrawImage(picture.get(), 0, 0, int(picture->GetWidth()), int(picture->GetHeight()));
        }
        if (!saveBitmapPng(copy, target)) return false;
        return addImageChild(name, pictureRectFor(target, at)) != nullptr;
    }
    return AddTextBlock(text, at);
}
