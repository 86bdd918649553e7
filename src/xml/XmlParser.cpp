// Tolerant, iterative parsing of the document text into the element table.
#include "XmlInternal.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <map>
#include <string_view>

namespace xmlimpl {

size_t nameLength(const wchar_t* s, size_t n, size_t from) {
    size_t i = from;
    while (i < n && !endsName(s[i])) ++i;
    return i - from;
}

bool scanTagEnd(const wchar_t* s, size_t n, size_t from, size_t& gt) {
    bool afterEquals = false;
    for (size_t i = from; i < n; ++i) {
        wchar_t c = s[i];
        if (c == L'>') {
            gt = i;
            return true;
        }
        if (c == L'<') return false;
        if (c == L'=') {
            afterEquals = true;
        } else if (afterEquals && (c == L'"' || c == L'\'')) {
            // A value must not swallow the next tag: a '<' before the closing quote means the
            // quote is stray. Stopping there also keeps every scan within one tag's text.
            size_t k = i + 1;
            while (k < n && s[k] != c && s[k] != L'<') ++k;
            if (k == n || s[k] == L'<') return false;
            i = k;
            afterEquals = false;
        } else if (!isSpace(c)) {
            afterEquals = false;
        }
    }
    return false;
}

size_t findText(const wchar_t* s, size_t n, size_t from, const wchar_t* what) {
    size_t len = std::wcslen(what);
    while (from + len <= n) {
        const wchar_t* p = std::wmemchr(s + from, what[0], n - from - len + 1);
        if (!p) break;
        size_t at = size_t(p - s);
        if (std::wmemcmp(p, what, len) == 0) return at;
        from = at + 1;
    }
    return std::wstring::npos;
}

bool namesEqual(const wchar_t* a, const wchar_t* b, size_t n, bool ignoreCase) {
    if (!ignoreCase) return std::wmemcmp(a, b, n) == 0;
    for (size_t i = 0; i < n; ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// ---- element table ------------------------------------------------------------------------

void ElementTable::reset(size_t documentLength) {
    pages_.clear();
    pageSizes_.clear();
    capacity_ = 0;
    growTo(uint64_t(documentLength / 64) + 8);
    count_ = 1;
    (*this)[0] = XmlElementRecord{};
}

void ElementTable::growTo(uint64_t capacity) {
    for (uint64_t page = 0; page * kPageSize < capacity; ++page) {
        uint32_t want = uint32_t(std::min<uint64_t>(kPageSize, capacity - page * kPageSize));
        if (page == pages_.size()) {
            pages_.emplace_back();
            pageSizes_.push_back(0);
        }
        if (pageSizes_[page] >= want) continue;
        std::unique_ptr<XmlElementRecord[]> bigger(new XmlElementRecord[want]);
        if (pageSizes_[page])
            std::memcpy(bigger.get(), pages_[page].get(), pageSizes_[page] * sizeof(XmlElementRecord));
        pages_[page] = std::move(bigger);
        pageSizes_[page] = want;
    }
    capacity_ = capacity;
}

uint32_t ElementTable::append() {
    if (count_ >= capacity_) growTo(capacity_ + std::max<uint64_t>(1, count_ / 2));
    uint32_t i = count_++;
    (*this)[i] = XmlElementRecord{};
    return i;
}

// ---- result log ---------------------------------------------------------------------------

void ResultLog::add(const wchar_t* name, std::initializer_list<Attr> attrs) {
    if (full_) return;
    std::wstring rec = L"<";
    rec += name;
    for (const Attr& a : attrs) {
        rec += L' ';
        rec += a.name;
        rec += L"=\"";
        for (wchar_t c : a.value) {
            switch (c) {
            case L'&':
                rec += L"&amp;";
                break;
            case L'<':
                rec += L"&lt;";
                break;
            case L'>':
                rec += L"&gt;";
                break;
            case L'"':
                rec += L"&quot;";
                break;
            default:
                rec += c;
            }
        }
        rec += L'"';
    }
    rec += L"/>";
    if (out_.size() + rec.size() > 999) {
        full_ = true;
        return;
    }
    out_ += rec;
}

// ---- parser -------------------------------------------------------------------------------

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

// Orders tag names with the parser's case rule, so that names equal under it share one key.
struct NameLess {
    bool ignoreCase;
    bool operator()(std::wstring_view a, std::wstring_view b) const {
        size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            wchar_t x = ignoreCase ? asciiLower(a[i]) : a[i], y = ignoreCase ? asciiLower(b[i]) : b[i];
            if (x != y) return x < y;
        }
        return a.size() < b.size();
    }
};

// A closing sequence ("?>", "-->", "]]>") and the position from which it is known to be absent:
// a search that failed once fails from every later position, so hostile text full of openers
// is not scanned to its end again for each of them.
struct Terminator {
    const wchar_t* text;
    uint32_t absentFrom;
};

class Parser {
public:
    Parser(const std::wstring& text, ElementTable& table, ResultLog& log, bool ignoreCase)
        : s_(text.data()), n_(uint32_t(std::min(text.size(), kMaxDocument))), t_(table), log_(log),
          ignoreCase_(ignoreCase), named_(NameLess{ignoreCase}) {}

    bool run() {
        open_.push_back(Open{0, 0, kNone}); // the document record sits below every element
        uint32_t pos = 0;
        while (pos < n_) {
            const wchar_t* lt = std::wmemchr(s_ + pos, L'<', n_ - pos);
            if (!lt) break;
            pos = markup(uint32_t(lt - s_));
        }
        unendAbove(0, n_);
        if (unended_) fixLevels();
        return checkRoot();
    }

private:
    struct Open {
        uint32_t index;
        uint32_t nameLen;
        uint32_t below; // stack position of the next lower indexed element of the same name
    };

    uint32_t markup(uint32_t lt) {
        if (lt + 1 >= n_) return syntax(L"unterminated_tag_syntax", L"tag", lt);
        wchar_t c = s_[lt + 1];
        if (c == L'/') return endTag(lt);
        if (c == L'?')
            return skipPast(lt, lt + 2, piEnd_, L"unterminated_tag_syntax", L"processing_instruction");
        if (c == L'!') return exclamation(lt);
        if (isNameStart(c)) return startTag(lt);
        return syntax(L"first_tag_syntax", L"tag", lt);
    }

    uint32_t syntax(const wchar_t* record, const wchar_t* type, uint32_t offset) {
        if (!log_.full()) log_.add(record, {{L"type", type}, {L"offset", std::to_wstring(offset)}});
        illFormed_ = true;
        return offset + 1; // the '<' is taken as text and scanning goes on after it
    }

    uint32_t skipPast(uint32_t lt, uint32_t from, Terminator& t, const wchar_t* record, const wchar_t* type) {
        if (from < t.absentFrom) {
            size_t at = findText(s_, n_, from, t.text);
            if (at != std::wstring::npos) return uint32_t(at + std::wcslen(t.text));
            t.absentFrom = from;
        }
        return syntax(record, type, lt);
    }

    bool startsWith(uint32_t at, const wchar_t* what, bool ignoreCase = false) const {
        size_t len = std::wcslen(what);
        return at + len <= n_ && namesEqual(s_ + at, what, len, ignoreCase);
    }

    uint32_t exclamation(uint32_t lt) {
        if (startsWith(lt, L"<!--"))
            return skipPast(lt, lt + 4, commentEnd_, L"comment_tag_syntax", L"comment");
        if (startsWith(lt, L"<![CDATA["))
            return skipPast(lt, lt + 9, cdataEnd_, L"cdata_section_syntax", L"cdata_section");
        if (startsWith(lt, L"<!DOCTYPE", true)) return doctype(lt);
        return syntax(L"exclamation_tag_syntax", L"tag", lt);
    }

    // A document type declaration (see doctypeStep). The machine is deterministic, so once a
    // scan has failed, any later scan that reaches one of its (position, state) pairs fails too.
    // The failed pairs are marked, each once, which keeps all declarations together linear.
    uint32_t doctype(uint32_t lt) {
        uint32_t from = lt + 9, i = from, state = 0;
        for (; i < n_; ++i) {
            if (!doctypeFailed_.empty() && (doctypeFailed_[i] & (1u << state))) break;
            wchar_t c = s_[i];
            if (c == L'>' && state == 0) return i + 1;
            state = doctypeStep(state, c);
        }
        if (doctypeFailed_.empty()) doctypeFailed_.assign(n_, 0);
        state = 0;
        for (uint32_t k = from; k < i; ++k) {
            doctypeFailed_[k] |= uint8_t(1u << state);
            state = doctypeStep(state, s_[k]);
        }
        return syntax(L"doctype_tag_syntax", L"document_type", lt);
    }

    bool sameName(const Open& o, const wchar_t* name, uint32_t len) const {
        return o.nameLen == len && namesEqual(s_ + t_[o.index].start + 1, name, len, ignoreCase_);
    }

    void link(uint32_t i, uint32_t parent) {
        XmlElementRecord& r = t_[i];
        r.parent = parent;
        XmlElementRecord& p = t_[parent];
        if (!p.firstChild) {
            p.firstChild = i;
            r.prevSibling = i;
            r.flags |= XmlElementRecord::kFirstChild;
            return;
        }
        uint32_t first = p.firstChild;
        uint32_t last = t_[first].prevSibling;
        t_[last].nextSibling = i;
        r.prevSibling = last;
        t_[first].prevSibling = i;
    }

    uint32_t startTag(uint32_t lt) {
        uint32_t nl = uint32_t(nameLength(s_, n_, lt + 1));
        size_t gt = 0;
        if (!scanTagEnd(s_, n_, lt + 1 + nl, gt)) return syntax(L"unterminated_tag_syntax", L"start_tag", lt);
        uint32_t i = t_.append();
        XmlElementRecord& r = t_[i];
        uint32_t stl = uint32_t(gt + 1 - lt);
        r.start = lt;
        r.length = stl;
        r.tagLengths = std::min(stl, kStartTagMax);
        r.flags = std::min<uint32_t>(uint32_t(open_.size() - 1), XmlElementRecord::kLevelMask);
        link(i, open_.back().index);
        bool emptyForm = s_[gt - 1] == L'/' && gt - 1 >= lt + 1 + nl;
        if (!emptyForm) open_.push_back(Open{i, nl, kNone});
        return uint32_t(gt + 1);
    }

    uint32_t endTag(uint32_t lt) {
        const wchar_t* name = s_ + lt + 2;
        uint32_t nl = uint32_t(nameLength(s_, n_, lt + 2));
        size_t gt = 0;
        if (!scanTagEnd(s_, n_, lt + 2 + nl, gt)) return syntax(L"unterminated_tag_syntax", L"end_tag", lt);
        uint32_t tagEnd = uint32_t(gt + 1);
        size_t top = open_.size() - 1;
        if (top > 0 && sameName(open_[top], name, nl)) {
            close(top, lt, tagEnd);
            return tagEnd;
        }
        if (top > 1) {
            if (size_t k = deeperMatch(name, nl)) {
                unendAbove(k, lt);
                close(k, lt, tagEnd);
                return tagEnd;
            }
        }
        if (!log_.full())
            log_.add(L"lone_end_tag",
                     {{L"tagname", std::wstring(name, nl)}, {L"offset", std::to_wstring(lt)}});
        illFormed_ = true;
        if (top > 0) t_[open_[top].index].flags |= XmlElementRecord::kContentIllFormed;
        return tagEnd;
    }

    std::wstring_view openName(size_t k) const {
        return {s_ + t_[open_[k].index].start + 1, open_[k].nameLen};
    }

    // Stack position of the topmost open element of this name, 0 if none. Open elements enter
    // the name index only here, when an end tag does not match the top: a well-formed document
    // never pays for it, and each element enters and leaves the index at most once.
    size_t deeperMatch(const wchar_t* name, uint32_t len) {
        for (; indexed_ < open_.size(); ++indexed_) {
            auto [it, added] = named_.try_emplace(openName(indexed_), uint32_t(indexed_));
            open_[indexed_].below = added ? kNone : it->second;
            it->second = uint32_t(indexed_);
        }
        auto it = named_.find(std::wstring_view(name, len));
        return it == named_.end() ? 0 : it->second;
    }

    void pop() {
        size_t k = open_.size() - 1;
        if (k < indexed_) {
            auto it = named_.find(openName(k));
            if (open_[k].below == kNone)
                named_.erase(it);
            else
                it->second = open_[k].below;
            indexed_ = k;
        }
        open_.pop_back();
    }

    void close(size_t k, uint32_t lt, uint32_t tagEnd) {
        XmlElementRecord& r = t_[open_[k].index];
        r.length = tagEnd - r.start;
        r.tagLengths |= std::min(tagEnd - lt, kEndTagMax) << 22;
        pop();
    }

    // Every element open above stack position k has no end tag: it shrinks to its start tag
    // and its children become its following siblings, so all of them end up below open_[k].
    void unendAbove(size_t k, uint32_t endOffset) {
        if (open_.size() <= k + 1) return;
        uint32_t m = open_[k].index;
        for (size_t j = k + 1; j < open_.size(); ++j) {
            uint32_t x = open_[j].index;
            XmlElementRecord& r = t_[x];
            r.flags |= XmlElementRecord::kNoEndTag;
            r.length = r.tagLengths & kStartTagMax;
            if (r.length == kStartTagMax) r.length = startTagLengthAt(r.start, open_[j].nameLen);
            if (!log_.full())
                log_.add(L"unended_start_tag",
                         {{L"tagname", std::wstring(s_ + r.start + 1, open_[j].nameLen)},
                          {L"offset", std::to_wstring(r.start)},
                          {L"offset2", std::to_wstring(endOffset)}});
            spliceChildrenAfter(x, m);
        }
        if (m) t_[m].flags |= XmlElementRecord::kContentIllFormed;
        while (open_.size() > k + 1) pop();
        illFormed_ = true;
        unended_ = true;
    }

    uint32_t startTagLengthAt(uint32_t start, uint32_t nameLen) const {
        size_t gt = 0;
        scanTagEnd(s_, n_, start + 1 + nameLen, gt);
        return uint32_t(gt + 1 - start);
    }

    // x is the last child of m; its children move to follow it as children of m.
    void spliceChildrenAfter(uint32_t x, uint32_t m) {
        uint32_t first = t_[x].firstChild;
        if (!first) return;
        uint32_t last = t_[first].prevSibling;
        for (uint32_t c = first; c; c = t_[c].nextSibling) t_[c].parent = m;
        t_[first].flags &= ~XmlElementRecord::kFirstChild;
        t_[x].nextSibling = first;
        t_[first].prevSibling = x;
        t_[x].firstChild = 0;
        t_[t_[m].firstChild].prevSibling = last;
    }

    // Parents always have smaller indices than their children, so one pass sets every level.
    void fixLevels() {
        for (uint32_t i = 1; i < t_.count(); ++i) {
            XmlElementRecord& r = t_[i];
            uint32_t level = 0;
            if (r.parent)
                level = std::min<uint32_t>((t_[r.parent].flags & XmlElementRecord::kLevelMask) + 1,
                                           XmlElementRecord::kLevelMask);
            r.flags = (r.flags & ~XmlElementRecord::kLevelMask) | level;
        }
    }

    bool checkRoot() {
        XmlElementRecord& doc = t_[0];
        doc.start = 0;
        doc.length = n_;
        uint32_t root = doc.firstChild;
        bool ok = root != 0;
        if (!root) {
            log_.add(L"no_root_element");
        } else if (uint32_t sib = t_[root].nextSibling) {
            const XmlElementRecord& r = t_[sib];
            log_.add(L"root_has_sibling",
                     {{L"tagname", std::wstring(s_ + r.start + 1, nameLength(s_, n_, r.start + 1))},
                      {L"offset", std::to_wstring(r.start)}});
            illFormed_ = true;
        }
        if (illFormed_) doc.flags |= XmlElementRecord::kDocumentIllFormed;
        return ok && !illFormed_;
    }

    const wchar_t* s_;
    uint32_t n_;
    ElementTable& t_;
    ResultLog& log_;
    bool ignoreCase_;
    std::vector<Open> open_;
    std::map<std::wstring_view, uint32_t, NameLess> named_; // topmost indexed position per name
    size_t indexed_ = 1;                                    // open_[1, indexed_) are in named_
    Terminator piEnd_{L"?>", kNone}, commentEnd_{L"-->", kNone}, cdataEnd_{L"]]>", kNone};
    std::vector<uint8_t> doctypeFailed_; // per position: states from which a declaration never ends
    bool illFormed_ = false;
    bool unended_ = false;
};

} // namespace

bool parse(const std::wstring& text, ElementTable& table, ResultLog& log, bool ignoreCase) {
    table.reset(text.size());
    return Parser(text, table, log, ignoreCase).run();
}

} // namespace xmlimpl
