#include "TavNMiNList.h"

#include <algorithm>

#include "ImageFiles.h"
#include "ManagerDraw.h"
#include "Messages.h"
#include "TavNoteItem.h"

namespace {

constexpr int kPictureHeight = 136;
constexpr uint32_t kPageColor = 0xFFFFFFFF;
constexpr uint32_t kHeaderColor = 0xFFF3F3F3;
constexpr uint32_t kHeaderInk = 0xFF505050;
constexpr uint32_t kTileFrame = 0xFFD8D8D8;
constexpr uint32_t kSelectedFrame = 0xFFE1511E;
constexpr uint32_t kPlainTile = 0xFFFFF8C8;
constexpr uint32_t kBarColor = 0xFFC8C8C8;

} // namespace

TavNMiNList::TavNMiNList() { setObjectName(L"TavNMiNList"); }

bool TavNMiNList::createChild(HWND parent, int id, const RECT& rect) {
    if (!create(id, L"TavNMiNList", 0, WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, parent))
        return false;
    width_ = rect.right - rect.left;
    height_ = rect.bottom - rect.top;
    relayout();
    return true;
}

void TavNMiNList::setEntries(std::vector<ManagerNoteEntry> entries, const std::wstring& context) {
    entries_ = std::move(entries);
    if (context != context_) offset_ = 0;
    context_ = context;
    // Pictures stay: they are known by the note and its snapshot's name (a new snapshot has a new
    // name), and a list read again or narrowed by a search shows mostly the same ones.
    for (auto it = thumbnails_.begin(); it != thumbnails_.end();)
        it = it->first.ends_with(L"\nlive") ? thumbnails_.erase(it) : std::next(it);
    relayout();
}

void TavNMiNList::setView(ManagerView view) {
    view_ = view;
    offset_ = 0;
    relayout();
}

void TavNMiNList::updateEntry(size_t index, ManagerNoteEntry entry) {
    if (index >= entries_.size()) return;
    thumbnails_.erase(thumbnailKey(entries_[index]));
    entries_[index] = std::move(entry);
    relayout();
}

void TavNMiNList::relayout() {
    layout_ = layoutManagerList(entries_, view_, std::max(0, width_ - kBarWidth));
    offset_ = std::clamp(offset_, 0, maxOffset());
}

int TavNMiNList::maxOffset() const { return std::max(0, layout_.height - height_); }

void TavNMiNList::scrollTo(int offset) {
    offset_ = std::clamp(offset, 0, maxOffset());
    repaint();
}

void TavNMiNList::repaint() {
    if (handle() && redrawAll()) present();
}

bool TavNMiNList::isSelected(size_t index) const {
    return index < entries_.size() && selected_.count(key(entries_[index])) != 0;
}

void TavNMiNList::setSelected(size_t index, bool on) {
    if (index >= entries_.size()) return;
    if (on)
        selected_.insert(key(entries_[index]));
    else
        selected_.erase(key(entries_[index]));
}

std::vector<size_t> TavNMiNList::selectedIndexes() const {
    std::vector<size_t> chosen;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (isSelected(i)) chosen.push_back(i);
    return chosen;
}

void TavNMiNList::selectAll() {
    for (size_t i = 0; i < entries_.size(); ++i) setSelected(i, true);
}

void TavNMiNList::invertSelection() {
    for (size_t i = 0; i < entries_.size(); ++i) setSelected(i, !isSelected(i));
}

void TavNMiNList::clearSelection() {
    for (size_t i = 0; i < entries_.size(); ++i) setSelected(i, false);
}

std::wstring TavNMiNList::headerKey(const std::wstring& section) const {
    return context_ + L"\n" + managerViewText(view_) + L"\n" + section;
}

bool TavNMiNList::headerChecked(const std::wstring& section) const {
    return headerChecks_.count(headerKey(section)) != 0;
}

void TavNMiNList::toggleHeader(const std::wstring& section) {
    const bool on = !headerChecked(section);
    if (on)
        headerChecks_.insert(headerKey(section));
    else
        headerChecks_.erase(headerKey(section));
    for (const ManagerListItem& item : layout_.items)
        if (!item.header && item.key == section) setSelected(item.entry, on);
}

int TavNMiNList::tileAt(int x, int y) const {
    const POINT p{x, y + offset_};
    for (const ManagerListItem& item : layout_.items)
        if (!item.header && PtInRect(&item.rect, p)) return int(item.entry);
    return -1;
}

const ManagerListItem* TavNMiNList::headerAt(int x, int y) const {
    const POINT p{x, y + offset_};
    for (const ManagerListItem& item : layout_.items)
        if (item.header && PtInRect(&item.rect, p)) return &item;
    return nullptr;
}

RECT TavNMiNList::tileRect(size_t index) const {
    for (const ManagerListItem& item : layout_.items) {
        if (item.header || item.entry != index) continue;
        RECT r = item.rect;
        OffsetRect(&r, 0, -offset_);
        return r;
    }
    return RECT{};
}

void TavNMiNList::onClick(WPARAM, int x, int y) {
    if (x >= width_ - kBarWidth) {
        // The bar: a page towards the click.
        const int max = maxOffset();
        if (max <= 0) return;
        const int thumbTop = int((long long)offset_ * height_ / std::max(1, layout_.height));
        scrollTo(offset_ + (y < thumbTop ? -height_ : height_) * 9 / 10);
        return;
    }
    if (const ManagerListItem* header = headerAt(x, y)) {
        toggleHeader(header->key);
    } else if (int index = tileAt(x, y); index >= 0) {
        setSelected(size_t(index), !isSelected(size_t(index)));
    } else {
        return;
    }
    repaint();
}

void TavNMiNList::onLeftDoubleClick(WPARAM, int x, int y) {
    const int index = tileAt(x, y);
    if (index < 0) return;
    // The first click of the pair flipped the mark: the double click leaves it as it was.
    setSelected(size_t(index), !isSelected(size_t(index)));
    repaint();
    if (parent_) PostMessageW(parent_->handle(), kManagerMsgOpenEntry, WPARAM(index), 0);
}

void TavNMiNList::onMouseWheel(WPARAM, int delta, int, int) {
    scrollTo(offset_ - delta / WHEEL_DELTA * (kManagerTileHeight / 2));
}

void TavNMiNList::onSized(WPARAM flag, int width, int height) {
    TavWnd::onSized(flag, width, height);
    width_ = width;
    height_ = height;
    relayout();
}

const TavMemDC* TavNMiNList::thumbnail(const ManagerNoteEntry& entry, SIZE size) {
    const std::wstring cacheKey = thumbnailKey(entry);
    auto found = thumbnails_.find(cacheKey);
    if (found != thumbnails_.end()) return found->second ? &found->second : nullptr;
    TavMemDC picture;
    if (!entry.snapshot.empty()) {
        picture = createMemoryDC(handle(), size.cx, size.cy);
        if (picture && !drawImageFile(entry.snapshot, picture.dc(), 0, 0, size.cx, size.cy, handle()))
            picture = TavMemDC();
    } else if (TavNoteItem* open = TavNoteItem::findByUnique(entry.unique); open && !entry.recycled) {
        // An open note has no snapshot: its window shows what it looks like now.
        int w = 0, h = 0;
        std::vector<uint32_t> pixels = open->pictureCopy(w, h);
        TavMemDC full = w > 0 && h > 0 ? createMemoryDC(handle(), w, h) : TavMemDC();
        if (full && pixels.size() >= size_t(w) * size_t(h)) {
            for (int y = 0; y < h; ++y) std::copy_n(pixels.data() + size_t(y) * size_t(w), w, &full.at(0, y));
            picture = createMemoryDC(handle(), size.cx, size.cy);
            SetStretchBltMode(picture.dc(), HALFTONE);
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            if (picture) AlphaBlend(picture.dc(), 0, 0, size.cx, size.cy, full.dc(), 0, 0, w, h, blend);
        }
    }
    // A bounded number of pictures are kept (each holds a DC and a bitmap): scrolling through a
    // thousand notes must not take a thousand of each.
    if (thumbnails_.size() >= 120) thumbnails_.clear();
    auto placed = thumbnails_.emplace(cacheKey, std::move(picture)).first;
    return placed->second ? &placed->second : nullptr;
}

void TavNMiNList::drawTile(HDC dc, const ManagerNoteEntry& entry, const RECT& tile, bool selected) {
    const RECT pictureBox{tile.left, tile.top, tile.right, tile.top + kPictureHeight};
    const SIZE fit = fitInside(entry.rect, SIZE{kManagerTileWidth - 8, kPictureHeight - 8});
    const int x = pictureBox.left + (kManagerTileWidth - fit.cx) / 2;
    const int y = pictureBox.top + (kPictureHeight - fit.cy) / 2;
    if (const TavMemDC* picture = thumbnail(entry, fit)) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, x, y, fit.cx, fit.cy, picture->dc(), 0, 0, fit.cx, fit.cy, blend);
    } else {
        fillManagerRect(dc, RECT{x, y, x + fit.cx, y + fit.cy}, kPlainTile);
        drawManagerText(dc, handle(), emptyText_.empty() ? entry.created : emptyText_,
                        RECT{x + 4, y + 4, x + fit.cx - 4, y + fit.cy - 4}, Gdiplus::StringAlignmentCenter,
                        0xFF707070, 12.0f);
    }
    frameManagerRect(dc, RECT{x - 1, y - 1, x + fit.cx + 1, y + fit.cy + 1}, kTileFrame);
    if (entry.hidden) drawImageFile(L"invisible.png", dc, x + 4, y + 4, 16, 16, handle());
    if (selected) {
        frameManagerRect(dc, pictureBox, kSelectedFrame);
        frameManagerRect(
            dc, RECT{pictureBox.left + 1, pictureBox.top + 1, pictureBox.right - 1, pictureBox.bottom - 1},
            kSelectedFrame);
        drawImageFile(L"check.png", dc, pictureBox.right - 24, pictureBox.top + 4, 20, 20, handle());
    }
    const std::wstring caption = entry.created.empty() ? entry.unique : entry.created;
    drawManagerText(dc, handle(), caption, RECT{tile.left, pictureBox.bottom, tile.right, tile.bottom},
                    Gdiplus::StringAlignmentCenter, 0xFF606060, 11.0f);
}

TavMemDC TavNMiNList::renderSelf() {
    TavMemDC dc = createMemoryDC(handle(), std::max(1, width_), std::max(1, height_), kPageColor);
    if (!dc) return dc;
    for (const ManagerListItem& item : layout_.items) {
        RECT r = item.rect;
        OffsetRect(&r, 0, -offset_);
        if (r.bottom <= 0 || r.top >= height_) continue;
        if (item.header) {
            fillManagerRect(dc.dc(), RECT{r.left + 4, r.top + 2, r.right - 4, r.bottom - 2}, kHeaderColor);
            const bool on = headerChecked(item.key);
            frameManagerRect(dc.dc(), RECT{r.left + 10, r.top + 8, r.left + 24, r.top + 22}, 0xFF909090);
            if (on) drawImageFile(L"check.png", dc.dc(), r.left + 9, r.top + 7, 16, 16, handle());
            drawManagerText(dc.dc(), handle(), item.key, RECT{r.left + 32, r.top, r.right - 8, r.bottom},
                            Gdiplus::StringAlignmentNear, kHeaderInk, 13.0f, true);
        } else if (item.entry < entries_.size()) {
            drawTile(dc.dc(), entries_[item.entry], r, isSelected(item.entry));
        }
    }
    if (const int max = maxOffset(); max > 0) {
        const int thumb = std::max(24, int((long long)height_ * height_ / std::max(1, layout_.height)));
        const int top = int((long long)offset_ * (height_ - thumb) / max);
        fillManagerRect(dc.dc(), RECT{width_ - kBarWidth + 3, top + 2, width_ - 2, top + thumb - 2},
                        kBarColor);
    }
    return dc;
}
