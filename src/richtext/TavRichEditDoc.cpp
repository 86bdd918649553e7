// The document: rows, back buffer, text model and geometry.
#include "TavRichEditDoc.h"

#include "Settings.h"
#include "TavFont.h"

#include <algorithm>
#include <cmath>
#include <cstring>

TavRichEditDoc::TavRichEditDoc() {
    const TavSettings& s = settings();
    setCurrentFont(s.defaultFontFace, kDefaultFontSize, s.defaultFontStyle);
    color_ = s.defaultTextColor;
    insertRow(0);
}

TavRichEditDoc::~TavRichEditDoc() {
    // The records let go first; the document's own reference is then the last one.
    history_.clear();
    for (TavGlyphEditRow* r : rows_) {
        for (TavGlyph* g : r->children()) TavGlyph::release(g);
        r->children().clear();
        delete r;
    }
}

// --- buffer and page ---

void TavRichEditDoc::createBuffer(int width, int height) {
    hasBuffer_ = true;
    buffer_ = TavMemDC(std::max(width, 1), std::max({height, contentBottom() + kMarginBottom, 1}));
    for (TavGlyphEditRow* r : rows_) {
        r->setTarget(&buffer_);
        r->repaint();
    }
}

void TavRichEditDoc::setPageSize(int clientWidth, int clientHeight) {
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
    if (hasBuffer_) ensureBuffer(clientWidth, clientHeight);
}

void TavRichEditDoc::ensureBuffer(int width, int height) {
    if (!hasBuffer_) return;
    int bw = buffer_.width(), bh = buffer_.height();
    if (width <= bw && height <= bh) return;
    // Grown with room to spare, so that typing and loading do not copy the buffer per line.
    int nw = width > bw ? std::max(width, bw + bw / 2) : bw;
    int nh = height > bh ? std::max(height, bh + bh / 2) : bh;
    TavMemDC grown(nw, nh);
    if (!grown.ok()) return;
    if (buffer_.ok()) {
        GdiFlush();
        for (int y = 0; y < bh; ++y) std::memcpy(&grown.at(0, y), &buffer_.at(0, y), size_t(bw) * 4);
    }
    buffer_ = std::move(grown);
    // Rows keep a pointer to the member, which now holds the new buffer.
}

int TavRichEditDoc::contentBottom() const { return rows_.empty() ? kMarginTop : rows_.back()->bandBottom(); }

void TavRichEditDoc::shiftRowsFrom(int index, int dy) {
    if (dy == 0 || index < 0 || index >= rowCount()) return;
    int top = rows_[size_t(index)]->bandTop();
    int bottom = contentBottom();
    if (hasBuffer_) ensureBuffer(buffer_.width(), bottom + std::max(dy, 0) + kMarginBottom);
    if (hasBuffer_ && buffer_.ok()) {
        GdiFlush();
        int w = buffer_.width(), h = buffer_.height();
        int from = std::clamp(top, 0, h), to = std::clamp(bottom, 0, h);
        int dest = std::clamp(from + dy, 0, h);
        int lines = std::max(0, std::min(to - from, h - dest));
        if (from + dy < 0) { // never happens for rows below the top margin
            lines = 0;
        }
        if (lines > 0)
            std::memmove(&buffer_.at(0, dest), &buffer_.at(0, from), size_t(lines) * size_t(w) * 4);
        // Clear what the move uncovered.
        int clearFrom = dy > 0 ? from : std::max(to + dy, 0);
        int clearTo = dy > 0 ? std::min(from + dy, h) : to;
        for (int y = clearFrom; y < clearTo; ++y) std::fill_n(&buffer_.at(0, y), size_t(w), 0u);
    }
    for (size_t i = size_t(index); i < rows_.size(); ++i) rows_[i]->moveBy(0, float(dy), false);
}

bool TavRichEditDoc::beginBulk(size_t glyphs, size_t rows) {
    if (!hasBuffer_ || (glyphs < 512 && rows < 2)) return false;
    hasBuffer_ = false;
    for (TavGlyphEditRow* r : rows_) r->setTarget(nullptr);
    return true;
}

void TavRichEditDoc::endBulk() {
    hasBuffer_ = true;
    int width = std::max(buffer_.width(), clientWidth_);
    for (const TavGlyphEditRow* r : rows_)
        width = std::max(width, marginLeft() + r->inkWidth() + 64 + kMarginRight);
    int height = std::max(buffer_.height(), contentBottom() + kMarginBottom);
    buffer_ = TavMemDC(); // the old pixels are not needed: every row is painted again
    // Pages of rows never shown are never touched.
    buffer_ = TavMemDC(width, height, TavRowOrder::TopDown, TavDibStart::AsAllocated);
    for (TavGlyphEditRow* r : rows_) {
        r->setTarget(&buffer_);
        r->markWaiting();
    }
}

void TavRichEditDoc::paintRowsIn(int top, int bottom) {
    if (!hasBuffer_) return;
    // Rows lie top to bottom without overlapping.
    auto it = std::partition_point(rows_.begin(), rows_.end(),
                                   [top](const TavGlyphEditRow* r) { return r->bandBottom() <= top; });
    for (; it != rows_.end() && (*it)->bandTop() < bottom; ++it)
        if ((*it)->waiting()) (*it)->repaint();
}

void TavRichEditDoc::paintAllRows() {
    if (rows_.empty()) return;
    paintRowsIn(rows_.front()->bandTop(), rows_.back()->bandBottom());
}

// --- rows ---

int TavRichEditDoc::insertRow(int index) {
    index = std::clamp(index, 0, rowCount());
    const TavFontMetrics& fm = fontMetrics(font_);
    auto* r = new TavGlyphEditRow();
    int height = fm.cellHeight + r->lineSpacing();
    shiftRowsFrom(index, height);
    int top = kMarginTop;
    for (int i = 0; i < index; ++i) top += rows_[size_t(i)]->height();
    top += r->lineSpacing();
    if (hasBuffer_) ensureBuffer(buffer_.width(), contentBottom() + height + kMarginBottom);
    r->place(float(marginLeft()), float(top), float(buffer_.width()), fm.cellHeight, fm.ascent,
             hasBuffer_ ? &buffer_ : nullptr, this);
    // The band is clear already: below the text, or uncovered by the shift above.
    rows_.insert(rows_.begin() + index, r);
    if (rowObserver_) rowObserver_(index, true);
    return 8024;
}

void TavRichEditDoc::removeRow(int index) {
    if (rowCount() < 2 || index < 0 || index >= rowCount()) return;
    TavGlyphEditRow* r = rows_[size_t(index)];
    r->clearArea();
    int height = r->height();
    for (TavGlyph* g : r->children()) TavGlyph::release(g);
    r->children().clear();
    rows_.erase(rows_.begin() + index);
    delete r;
    shiftRowsFrom(index, -height);
    caret_ = clampPos(caret_);
    anchor_ = clampPos(anchor_);
    if (rowObserver_) rowObserver_(index, false);
}

void TavRichEditDoc::setLeftIndent(int indent) {
    indent = std::max(indent, 0);
    const int dx = indent - indent_;
    if (dx == 0) return;
    indent_ = indent;
    for (TavGlyphEditRow* r : rows_) r->moveBy(float(dx), 0, false);
    if (!hasBuffer_) return;
    // Sideways moves are rare (an icon column appears or goes): every row is painted again where
    // it now lies, when it is next shown.
    int width = buffer_.width();
    for (const TavGlyphEditRow* r : rows_)
        width = std::max(width, marginLeft() + r->inkWidth() + 64 + kMarginRight);
    ensureBuffer(width, buffer_.height());
    buffer_.clear();
    for (TavGlyphEditRow* r : rows_) r->markWaiting();
}

int TavRichEditDoc::indexOf(const TavGlyphEditRow* row) const {
    int n = rowCount();
    if (rowHint_ >= 0 && rowHint_ < n && rows_[size_t(rowHint_)] == row) return rowHint_;
    for (int i = n - 1; i >= 0; --i)
        if (rows_[size_t(i)] == row) return rowHint_ = i;
    return -1;
}

void TavRichEditDoc::rowHeightChanged(TavGlyphEditRow* row, int difference) {
    int i = indexOf(row);
    if (i < 0) return;
    if (hasBuffer_) ensureBuffer(buffer_.width(), contentBottom() + std::max(difference, 0) + kMarginBottom);
    shiftRowsFrom(i + 1, difference);
}

void TavRichEditDoc::rowNeedsWidth(TavGlyphEditRow*, int right) {
    if (hasBuffer_) ensureBuffer(right + kMarginRight, buffer_.height());
}

void TavRichEditDoc::measureContentWidth() {
    int w = 0;
    for (const TavGlyphEditRow* r : rows_) w = std::max(w, r->textWidth());
    contentWidth_ = w;
}

void TavRichEditDoc::measureContentHeight() {
    int h = 0;
    for (const TavGlyphEditRow* r : rows_) h += r->height();
    contentHeight_ = h;
}

void TavRichEditDoc::updateContentSize() {
    measureContentWidth();
    measureContentHeight();
}

void TavRichEditDoc::changeLineSpacing(int first, int last, int difference) {
    if (rows_.empty()) return;
    last = std::min(last, rowCount() - 1);
    first = std::max(first, 0);
    for (int i = first; i <= last; ++i) {
        TavGlyphEditRow* r = rows_[size_t(i)];
        int next = std::max(0, r->lineSpacing() + difference);
        int change = next - r->lineSpacing();
        if (change == 0) continue;
        // The row and everything below move by the change; the row's band then starts where
        // it started before, with the extra spacing above the characters.
        shiftRowsFrom(i, change);
        r->setLineSpacing(next);
    }
    updateContentSize();
}

// --- text model ---

TavTextPos TavRichEditDoc::clampPos(TavTextPos pos) const {
    if (rows_.empty()) return TavTextPos{};
    pos.row = std::clamp(pos.row, 0, rowCount() - 1);
    pos.column = std::clamp(pos.column, 0, rows_[size_t(pos.row)]->lastColumn());
    return pos;
}

TavTextPos TavRichEditDoc::endPos() const {
    int last = rowCount() - 1;
    return TavTextPos{last, rows_[size_t(last)]->lastColumn()};
}

int TavRichEditDoc::linearIndex(TavTextPos pos) const {
    pos = clampPos(pos);
    int n = 0;
    for (int i = 0; i < pos.row; ++i) n += rows_[size_t(i)]->count();
    return n + pos.column;
}

bool TavRichEditDoc::empty() const { return rows_.size() == 1 && rows_[0]->empty(); }

TavTextPos TavRichEditDoc::insertGlyphs(TavTextPos at, const std::vector<TavGlyph*>& glyphs) {
    at = clampPos(at);
    if (glyphs.empty()) return at;
    for (TavGlyph* g : glyphs) TavGlyph::addRef(g);
    int r = at.row, col = at.column;
    bool splits = std::any_of(glyphs.begin(), glyphs.end(), [](const TavGlyph* g) { return g->isLineEnd(); });
    if (!splits) {
        rows_[size_t(r)]->insertChars(col, glyphs);
        return TavTextPos{r, col + int(glyphs.size())};
    }
    // Several new rows (a file being read, a paste) are painted once at the end: row by row
    // each one would grow the buffer and move the rows below it.
    const size_t breaks =
        size_t(std::count_if(glyphs.begin(), glyphs.end(), [](const TavGlyph* g) { return g->isLineEnd(); }));
    bool bulk = beginBulk(glyphs.size(), breaks);
    std::vector<TavGlyph*> tail;
    TavGlyphEditRow* current = rows_[size_t(r)];
    current->removeChars(col, current->count() - col, &tail);
    std::vector<TavGlyph*> segment;
    for (TavGlyph* g : glyphs) {
        segment.push_back(g);
        if (!g->isLineEnd()) continue;
        rows_[size_t(r)]->insertChars(col, segment);
        segment.clear();
        insertRow(r + 1);
        ++r;
        col = 0;
    }
    int endColumn = col + int(segment.size());
    segment.insert(segment.end(), tail.begin(), tail.end());
    rows_[size_t(r)]->insertChars(col, segment);
    if (bulk) endBulk();
    return TavTextPos{r, endColumn};
}

void TavRichEditDoc::removeGlyphs(TavTextPos at, int count, std::vector<TavGlyph*>& out) {
    at = clampPos(at);
    int r = at.row, c = at.column;
    bool bulk = beginBulk(size_t(std::max(count, 0)), 0);
    while (count > 0 && r < rowCount()) {
        TavGlyphEditRow* row = rows_[size_t(r)];
        int take = std::min(count, row->count() - c);
        if (take <= 0) break;
        row->removeChars(c, take, &out);
        count -= take;
        if (out.back()->isLineEnd() && r + 1 < rowCount()) {
            // A removed line end joins the next row onto this one.
            std::vector<TavGlyph*> moved;
            TavGlyphEditRow* next = rows_[size_t(r + 1)];
            next->removeChars(0, next->count(), &moved);
            removeRow(r + 1);
            row->insertChars(row->count(), moved);
        }
    }
    if (bulk) endBulk();
    caret_ = clampPos(caret_);
    anchor_ = clampPos(anchor_);
}

void TavRichEditDoc::dropGlyphs(std::vector<TavGlyph*>& glyphs) {
    for (TavGlyph* g : glyphs) TavGlyph::release(g);
    glyphs.clear();
}

std::vector<TavGlyph*> TavRichEditDoc::glyphsBetween(TavTextPos from, TavTextPos to) const {
    from = clampPos(from);
    to = clampPos(to);
    if (to < from) std::swap(from, to);
    std::vector<TavGlyph*> out;
    for (int r = from.row; r <= to.row; ++r) {
        const TavGlyphEditRow* row = rows_[size_t(r)];
        int start = r == from.row ? from.column : 0;
        int end = r == to.row ? to.column : row->count();
        row->copyRange(start, end - start, out);
    }
    return out;
}

std::vector<TavGlyph*> TavRichEditDoc::allGlyphs() const {
    std::vector<TavGlyph*> out;
    for (const TavGlyphEditRow* r : rows_) r->copyRange(0, r->count(), out);
    return out;
}

std::wstring TavRichEditDoc::textBetween(TavTextPos from, TavTextPos to, bool crlf) const {
    std::wstring s;
    for (const TavGlyph* g : glyphsBetween(from, to)) {
        if (g->isLineEnd() && crlf)
            s += L"\r\n";
        else
            s += g->text();
    }
    return s;
}

std::wstring TavRichEditDoc::text() const {
    std::wstring s;
    for (const TavGlyph* g : allGlyphs()) s += g->text();
    return s;
}

// --- caret and selection ---

void TavRichEditDoc::setSelection(TavTextPos anchor, TavTextPos caret) {
    anchor_ = clampPos(anchor);
    caret_ = clampPos(caret);
    rows_[size_t(caret_.row)]->setCaretIndex(caret_.column);
}

void TavRichEditDoc::collapseTo(TavTextPos pos, bool keepDesiredX) {
    setSelection(pos, pos);
    if (!keepDesiredX) desiredX_ = int(rows_[size_t(caret_.row)]->xAt(caret_.column));
}

void TavRichEditDoc::selectAll() { setSelection(TavTextPos{0, 0}, endPos()); }

// --- format ---

void TavRichEditDoc::setCurrentFont(const std::wstring& family, float size, int style) {
    family_ = family;
    size_ = size;
    style_ = style;
    font_ = glyphFont(family, size, style, Gdiplus::UnitPixel);
}

void TavRichEditDoc::adoptFormatAt(TavTextPos pos) {
    pos = clampPos(pos);
    const TavGlyphEditRow* r = rows_[size_t(pos.row)];
    if (r->empty()) return;
    TavGlyph* g = r->charAt(std::min(pos.column, r->count() - 1));
    if (!g || !g->font()) return;
    TavFontInfo info = fontInfo(g->font());
    family_ = info.family;
    size_ = info.size;
    style_ = info.style;
    font_ = g->font();
    color_ = g->color();
}

// --- geometry ---

int TavRichEditDoc::columnAtX(int rowIndex, float x) const {
    const TavGlyphEditRow* r = rows_[size_t(std::clamp(rowIndex, 0, rowCount() - 1))];
    if (r->empty()) return 0;
    int i = r->hitTest(x);
    if (i < 0) {
        // In a gap between boxes: the column of the next character.
        i = 0;
        while (i < r->count() && r->xAt(i) <= x) ++i;
        return std::min(i, r->lastColumn());
    }
    if (i < r->lastColumn()) {
        const TavGlyph* g = r->charAt(i);
        if (x > g->bounds().X + g->bounds().Width / 2) ++i;
    }
    return std::min(i, r->lastColumn());
}

TavTextPos TavRichEditDoc::positionAt(int x, int y) const {
    int by = y + scrollY_;
    int row = rowCount() - 1;
    if (by < rows_[0]->bandTop()) {
        row = 0;
    } else {
        for (int i = 0; i < rowCount(); ++i) {
            if (by < rows_[size_t(i)]->bandBottom()) {
                row = i;
                break;
            }
        }
    }
    return TavTextPos{row, columnAtX(row, float(x + scrollX_))};
}

RECT TavRichEditDoc::caretRect() const {
    const TavGlyphEditRow* r = rows_[size_t(caret_.row)];
    int x = int(r->xAt(caret_.column)) - scrollX_;
    int top, height;
    if (r->empty()) {
        top = int(r->bounds().Y) - r->lineSpacing();
        height = fontMetrics(font_).cellHeight + r->lineSpacing();
    } else {
        const TavGlyph* g = r->charAt(caret_.column);
        top = int(g->bounds().Y) - r->lineSpacing();
        height = int(g->bounds().Height) + r->lineSpacing();
    }
    top -= scrollY_;
    return RECT{x, top, x + 2, top + height};
}

void TavRichEditDoc::setScroll(int x, int y) {
    scrollX_ = std::clamp(x, 0, std::max(contentWidth_, 0));
    scrollY_ = std::clamp(y, 0, std::max(contentHeight_, 0));
}

bool TavRichEditDoc::scrollToPosition(TavTextPos pos) {
    pos = clampPos(pos);
    updateContentSize();
    const TavGlyphEditRow* r = rows_[size_t(pos.row)];
    int oldX = scrollX_, oldY = scrollY_;
    float t = r->xAt(pos.column);
    float o = pos.column < r->count() ? t + r->charAt(pos.column)->bounds().Width : t;
    int page = pageWidth();
    if (contentWidth_ > page || scrollX_ > 0) {
        if (o - float(marginLeft()) >= float(page + scrollX_))
            scrollX_ = int(std::ceil(o)) - marginLeft() - page;
        else if (t - float(scrollX_) < float(marginLeft()))
            scrollX_ = int(t) - marginLeft();
        else if (contentWidth_ < page)
            scrollX_ = 0;
        scrollX_ = std::clamp(scrollX_, 0, std::max(contentWidth_, 0));
    }
    int pageH = pageHeight();
    int top = r->bandTop(), bottom = r->bandBottom();
    if (contentHeight_ > pageH || scrollY_ > 0) {
        if (bottom - kMarginTop >= pageH + scrollY_)
            scrollY_ = bottom - kMarginTop - pageH;
        else if (top - scrollY_ < kMarginTop)
            scrollY_ = top - kMarginTop;
        else if (contentHeight_ < pageH)
            scrollY_ = 0;
        scrollY_ = std::clamp(scrollY_, 0, std::max(contentHeight_, 0));
    }
    return oldX != scrollX_ || oldY != scrollY_;
}
