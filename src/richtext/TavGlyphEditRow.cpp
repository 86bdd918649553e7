// A row of characters: layout on a common baseline with tab stops, hit testing, insertion and
// removal with partial repainting of the back buffer.
#include "TavGlyph.h"

#include <algorithm>
#include <cmath>
#include <cstring>

TavGlyphEditRow::TavGlyphEditRow() { alpha_ = 254; }

int TavGlyphEditRow::height() const { return int(bounds_.Height) + lineSpacing_; }

void TavGlyphEditRow::moveBy(float dx, float dy) { moveBy(dx, dy, false); }

void TavGlyphEditRow::moveBy(float dx, float dy, bool movePixels) {
    if (movePixels && !waiting_ && target_ && target_->ok() && dy != 0) {
        GdiFlush();
        int top = std::max(bandTop(), 0), bottom = std::min(bandBottom(), target_->height());
        int shift = int(dy), w = target_->width();
        std::vector<uint32_t> band;
        for (int y = top; y < bottom; ++y)
            band.insert(band.end(), &target_->at(0, y), &target_->at(0, y) + w);
        clearArea();
        for (int y = top; y < bottom; ++y) {
            int to = y + shift;
            if (to < 0 || to >= target_->height()) continue;
            std::memcpy(&target_->at(0, to), band.data() + size_t(y - top) * size_t(w), size_t(w) * 4);
        }
        painted_ = true;
    }
    TavGlyphComposite::moveBy(dx, dy);
}

void TavGlyphEditRow::place(float x, float top, float width, int emptyHeight, int emptyAscent,
                            const TavMemDC* target, TavGlyphListener* listener) {
    bounds_ = Gdiplus::RectF(x, top, width, float(emptyHeight));
    ink_ = bounds_;
    emptyHeight_ = emptyHeight;
    emptyAscent_ = emptyAscent;
    ascent_ = emptyAscent;
    target_ = target;
    listener_ = listener;
    drawing_ |= 1;
    layoutPositions(0);
}

bool TavGlyphEditRow::endsWithLineEnd() const { return !children_.empty() && children_.back()->isLineEnd(); }

TavGlyph* TavGlyphEditRow::charAt(int index) const {
    if (children_.empty()) return nullptr;
    return children_[size_t(std::clamp(index, 0, count() - 1))];
}

void TavGlyphEditRow::copyRange(int start, int n, std::vector<TavGlyph*>& out) const {
    start = std::clamp(start, 0, count());
    int end = std::clamp(start + std::max(n, 0), start, count());
    out.insert(out.end(), children_.begin() + start, children_.begin() + end);
}

float TavGlyphEditRow::xAt(int index) const {
    if (children_.empty()) return bounds_.X;
    if (index < count()) return children_[size_t(std::max(index, 0))]->bounds().X;
    const TavGlyph* last = children_.back();
    return last->bounds().X + last->bounds().Width + float(charSpacing_);
}

float TavGlyphEditRow::inkXAt(int index) const {
    if (children_.empty()) return bounds_.X;
    if (index < count()) return children_[size_t(std::max(index, 0))]->inkBounds().X;
    const TavGlyph* last = children_.back();
    return last->inkBounds().X + last->inkBounds().Width + float(charSpacing_);
}

int TavGlyphEditRow::hitTest(float x) const {
    if (children_.empty()) return -1;
    if (count() == 1 && children_[0]->isLineEnd()) return 0;
    if (x < children_[0]->bounds().X) return 0;
    // Boxes stand left to right: find the last box starting at or left of x.
    auto it = std::upper_bound(children_.begin(), children_.end(), x,
                               [](float v, const TavGlyph* g) { return v < g->bounds().X; });
    int i = int(it - children_.begin()) - 1;
    const TavGlyph* g = children_[size_t(i)];
    if (x < g->bounds().X + g->bounds().Width && !g->isLineEnd()) return i;
    if (i == count() - 1 || (i == count() - 2 && children_.back()->isLineEnd())) return lastColumn();
    return -1;
}

void TavGlyphEditRow::setCaretIndex(int index) { caretIndex_ = std::clamp(index, 0, lastColumn()); }

void TavGlyphEditRow::layoutPositions(int index) {
    index = std::clamp(index, 0, count());
    float x = bounds_.X;
    if (index > 0) {
        const TavGlyph* prev = children_[size_t(index - 1)];
        x = prev->bounds().X + prev->bounds().Width + float(charSpacing_);
    }
    for (size_t i = size_t(index); i < children_.size(); ++i) {
        TavGlyph* g = children_[i];
        float width = g->bounds().Width;
        if (g->isTab()) {
            int offset = int(x - bounds_.X);
            width = float(TavGlyphTChar::kTabStop - offset % TavGlyphTChar::kTabStop);
        }
        float y = bounds_.Y + float(ascent_ - g->ascent());
        g->setBounds(x, y, width, g->bounds().Height);
        Gdiplus::RectF ink = g->inkBounds();
        g->setInkBounds(
            Gdiplus::RectF(x - float(g->leftOverhang()), y, g->isTab() ? width : ink.Width, ink.Height));
        x += width + float(charSpacing_);
    }
    textWidth_ = int(std::ceil(xAt(count()) - bounds_.X));
    float inkRight =
        children_.empty() ? bounds_.X : children_.back()->inkBounds().X + children_.back()->inkBounds().Width;
    inkWidth_ = std::max(textWidth_, int(std::ceil(inkRight - bounds_.X)));
}

void TavGlyphEditRow::relayout(int index) {
    if (updateHeight()) {
        layoutPositions(0);
        repaint();
    } else {
        layoutPositions(index);
        repaintFrom(index);
    }
}

bool TavGlyphEditRow::updateHeight() {
    int asc = emptyAscent_, h = emptyHeight_;
    if (!children_.empty()) {
        int descent = 0;
        asc = 0;
        for (const TavGlyph* g : children_) {
            asc = std::max(asc, g->ascent());
            descent = std::max(descent, int(g->bounds().Height) - g->ascent());
        }
        h = asc + descent;
    }
    int oldHeight = int(bounds_.Height);
    if (asc == ascent_ && h == oldHeight) return false;
    clearArea();
    ascent_ = asc;
    bounds_.Height = float(h);
    ink_.Height = float(h);
    if (h != oldHeight && listener_) listener_->rowHeightChanged(this, h - oldHeight);
    return true;
}

void TavGlyphEditRow::insertChars(int index, const std::vector<TavGlyph*>& glyphs) {
    index = std::clamp(index, 0, count());
    children_.insert(children_.begin() + index, glyphs.begin(), glyphs.end());
    for (const TavGlyph* g : glyphs) {
        maxOverhang_ = std::max(maxOverhang_, g->leftOverhang());
        int reach = int(std::ceil(g->inkBounds().Width)) - g->leftOverhang();
        maxInkReach_ = std::max({maxInkReach_, reach, int(std::ceil(g->bounds().Width))});
    }
    relayout(index);
    setCaretIndex(caretIndex_);
}

void TavGlyphEditRow::removeChars(int start, int n, std::vector<TavGlyph*>* out) {
    start = std::clamp(start, 0, count());
    int end = std::clamp(start + std::max(n, 0), start, count());
    if (start == end) return;
    if (out) out->insert(out->end(), children_.begin() + start, children_.begin() + end);
    children_.erase(children_.begin() + start, children_.begin() + end);
    relayout(start);
    setCaretIndex(caretIndex_);
}

void TavGlyphEditRow::clearArea() {
    if (!target_ || !target_->ok() || !drawing() || !painted_) return;
    painted_ = false;
    GdiFlush();
    int top = std::max(bandTop(), 0), bottom = std::min(bandBottom(), target_->height());
    for (int y = top; y < bottom; ++y) std::fill_n(&target_->at(0, y), size_t(target_->width()), 0u);
}

void TavGlyphEditRow::repaint() {
    waiting_ = false;
    clearArea();
    repaintFrom(0);
}

void TavGlyphEditRow::repaintFrom(int index) {
    if (!target_ || !drawing() || waiting_) return;
    index = std::clamp(index, 0, count());
    int right = int(std::ceil(xAt(count()))) + maxInkReach_ + 2;
    if (listener_) listener_->rowNeedsWidth(this, right);
    if (!target_->ok()) return;
    GdiFlush();
    int clearX = std::max(int(std::floor(xAt(index))) - maxOverhang_, 0);
    int top = std::max(int(bounds_.Y), 0), bottom = std::min(bandBottom(), target_->height());
    int width = target_->width();
    if (painted_) {
        for (int y = top; y < bottom && clearX < width; ++y)
            std::fill_n(&target_->at(clearX, y), size_t(width - clearX), 0u);
    }
    painted_ = painted_ || !children_.empty();
    // Characters left of the cleared strip whose ink reaches into it are painted again, clipped
    // to the strip, so that no pixel is blended twice.
    int first = index;
    while (first > 0 && xAt(first - 1) + float(maxInkReach_) > float(clearX)) --first;
    RECT clip{clearX, top, width, bottom};
    for (size_t i = size_t(first); i < children_.size(); ++i) children_[i]->draw(*target_, clip);
}
