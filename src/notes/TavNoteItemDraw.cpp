// The note's drawing: its background at its opacity, the resize grip, the swing of a ringing
// note and the bottom label.
#include "TavNoteItem.h"

#include <algorithm>

#include "DrawToolkit.h"
#include "FileSystem.h"
#include "ImageFiles.h"
#include "Settings.h"
#include "TavNoteItemDesktop.h"

// --- the bottom label ---

TavNoteLabel::TavNoteLabel() { setObjectName(L"TavNoteLabelAnimate"); }

LRESULT TavNoteLabel::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // An empty label is not there for the mouse: the note below gets the clicks (and its grip).
    if (message == WM_NCHITTEST && text_.empty()) return HTTRANSPARENT;
    return TavWnd::windowProc(message, wParam, lParam);
}

TavMemDC TavNoteLabel::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
    if (!dc || !textImage_) return dc;
    // The text where it has scrolled to, clipped to the strip.
    const int left = std::max(0, textLeft_), skip = left - textLeft_;
    const int width = std::min(textImage_.width() - skip, int(rc.right) - left);
    const int height = std::min(textImage_.height(), int(rc.bottom));
    if (width > 0 && height > 0) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        GdiAlphaBlend(dc.dc(), left, 0, width, height, textImage_.dc(), skip, 0, width, height, blend);
    }
    return dc;
}

void TavNoteItem::Redraw() {
    if (!handle()) return;
    if (redrawAll()) present();
}

// While the user works inside the note (one of its windows has the focus: every key typed into a
// block composes the note again), its own image is kept between compositions, as long as it shows
// a plain background or a still picture. A ringing note swings and an animated background changes
// by itself: those are drawn at every composition. A note nobody works in keeps no image: the
// memory of an image per open note is not spent on notes that are only shown.
uint64_t TavNoteItem::keptImageKey() const {
    if (!handle() || ringing_ || (!bkImage_.empty() && gif_.isAnimation(bkImage_))) return 0;
    const TavWnd* focused = focusedWindow();
    if (!focused || !focused->handle() || GetAncestor(focused->handle(), GA_ROOT) != handle()) return 0;
    RECT rc{};
    GetClientRect(handle(), &rc);
    const bool picture = !bkImage_.empty() && fileExists(store_.folderPath() + bkImage_);
    const uint32_t look[6] = {uint32_t(rc.right),         uint32_t(rc.bottom), uint32_t(opacity()),
                              settings().borderMenuColor, backgroundLoads_,    uint32_t(picture)};
    return mixKey(kKeySeed, look, sizeof look) | 1;
}

TavMemDC TavNoteItem::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    const int w = rc.right, h = rc.bottom;
    TavMemDC background = createMemoryDC(handle(), w, h);
    bool drawn = false;
    if (background && !bkImage_.empty() && fileExists(store_.folderPath() + bkImage_))
        drawn = gif_.drawPicture(bkImage_, background.dc(), rc);
    if (background && !drawn) {
        background.clear();
        const uint32_t fill = premultiply(kPlainBackground);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) background.at(x, y) = fill;
    }
    TavMemDC surface = createMemoryDC(handle(), w, h);
    if (!surface || !background) return surface;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(std::clamp(opacity(), 0, 255)), AC_SRC_ALPHA};
    GdiAlphaBlend(surface.dc(), 0, 0, w, h, background.dc(), 0, 0, w, h, blend);
    if (ringing_) drawSwingingChildren(surface);
    drawGrip(surface);
    if (ringing_ && !frames_.empty()) return swingPicture(surface);
    return surface;
}

void TavNoteItem::drawSwingingChildren(TavMemDC& surface) {
    for (int id : swingChildren_) {
        TavNoteChildItem* child = findChild(id);
        if (!child) continue;
        TavWnd& window = child->childWindow();
        RECT r{};
        if (!GetWindowRect(window.handle(), &r)) continue;
        MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&r), 2);
        TavMemDC image = window.renderSelf();
        if (!image) continue;
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        GdiAlphaBlend(surface.dc(), r.left, r.top, image.width(), image.height(), image.dc(), 0, 0,
                      image.width(), image.height(), blend);
    }
}

TavMemDC TavNoteItem::swingPicture(const TavMemDC& surface) {
    const int w = surface.width(), h = surface.height();
    TavMemDC tilted = createMemoryDC(handle(), w, h);
    TavGpBitmap picture = dcToBitmap(handle(), surface.dc(), w, h);
    if (!tilted || !picture) return tilted;
    const TavSwingFrame& f = frames_[size_t(std::clamp(frameCounter_, 0, int(frames_.size()) - 1))];
    Gdiplus::Graphics g(tilted.dc());
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::Point corners[3] = {
        {int(f[0].x), int(f[0].y)}, {int(f[1].x), int(f[1].y)}, {int(f[2].x), int(f[2].y)}};
    g.DrawImage(picture.get(), corners, 3);
    return tilted;
}

void TavNoteItem::startSwing() {
    // The children swing with the note: they leave the composition and are drawn into the
    // note's own picture, which is tilted as a whole.
    for (auto& child : noteChildren_) {
        HWND window = child->childWindow().handle();
        if (!window || !IsWindowVisible(window)) continue;
        ShowWindow(window, SW_HIDE);
        swingChildren_.push_back(child->childWindow().objectId());
    }
    ringing_ = 1;
    frameCounter_ = 0;
    SetTimer(handle(), kSwingTimer, 100, nullptr);
}

void TavNoteItem::stopSwing() {
    KillTimer(handle(), kSwingTimer);
    ringing_ = 0;
    frameCounter_ = 0;
    for (int id : swingChildren_)
        if (TavNoteChildItem* child = findChild(id)) ShowWindow(child->childWindow().handle(), SW_SHOWNA);
    swingChildren_.clear();
    Redraw();
}

void TavNoteItem::onTimer(UINT_PTR timerId) {
    TavWndMoveResize::onTimer(timerId);
    if (timerId == kRemoveLaterTimer) {
        if (TavWnd::openModalDialog()) return;
        KillTimer(handle(), kRemoveLaterTimer);
        std::vector<int> ids;
        ids.swap(laterRemovals_);
        for (int id : ids) {
            TavNoteChildItem* child = findChild(id);
            // A block taken up again after the question (Cancel) stays; it reports again when
            // it is left empty.
            if (child && TavWnd::focusedWindow() != &child->childWindow()) removeChild(id);
        }
        return;
    }
    if (timerId == kLabelTimer) {
        stepLabel();
        return;
    }
    if (timerId == kKeepBelowTimer) {
        KillTimer(handle(), kKeepBelowTimer);
        // A ringing note is shown above the others until it is stopped.
        if (toDesk_ && !ringing_) attachToDesktop(handle());
        return;
    }
    if (timerId != kSwingTimer || !ringing_) return;
    TavSwingTick tick = swingTick(frameCounter_, int(frames_.size()));
    frameCounter_ = tick.frame;
    Redraw();
    frameCounter_ = tick.nextCounter;
    if (tick.interval) SetTimer(handle(), kSwingTimer, tick.interval, nullptr);
}

void TavNoteItem::drawGrip(TavMemDC& surface) {
    const int w = surface.width(), h = surface.height();
    // The nearly transparent corner still receives the mouse (alpha 0 would let it through).
    for (int y = std::max(0, h - kResizeCorner); y < h; ++y)
        for (int x = std::max(0, w - kResizeCorner); x < w; ++x)
            if ((surface.at(x, y) >> 24) == 0) surface.at(x, y) = 0x01000000u;
    const uint32_t accent =
        (settings().borderMenuColor & 0x00FFFFFFu) | (uint32_t(gripAlpha(opacity())) << 24);
    const uint32_t dot = premultiply(accent);
    for (POINT offset : kGripDotOffsets) {
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) {
                int x = w + offset.x - 2 + dx, y = h + offset.y - 2 + dy;
                if (x >= 0 && y >= 0 && x < w && y < h) surface.at(x, y) = dot;
            }
    }
}

std::vector<uint32_t> TavNoteItem::pictureCopy(int& width, int& height) const {
    const TavMemDC& buffer = backBuffer();
    width = buffer ? buffer.width() : 0;
    height = buffer ? buffer.height() : 0;
    std::vector<uint32_t> pixels;
    pixels.reserve(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(buffer.at(x, y));
    return pixels;
}
