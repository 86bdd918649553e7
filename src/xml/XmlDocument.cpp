// The document's cursor and editing operations. Edits splice the document text and patch the
// element table so that the text always stays the document's own serialisation.
#include "XmlDocument.h"

#include "XmlEscape.h"
#include "XmlInternal.h"

#include <algorithm>
#include <cwchar>

using xmlimpl::ElementTable;
using xmlimpl::isSpace;

struct XmlDocument::Impl {
    uint32_t parent = 0;
    uint32_t current = 0;
    uint32_t child = 0;
    uint32_t nodeType = 0; // 1 element, 0 no node; the program uses element nodes only
    uint32_t nodeOffset = 0;
    uint32_t nodeLength = 0;
    uint32_t flags = 0;
    ElementTable table;
    xmlimpl::Encoding encoding;

    XmlElementRecord& rec(uint32_t i) { return table[i]; }
    const XmlElementRecord& rec(uint32_t i) const { return table[i]; }
    bool ignoreCase() const { return flags & kIgnoreCase; }
    bool streaming() const { return flags & (kReadFileMode | kWriteFileMode); }
    bool onElement() const { return !streaming() && nodeType == 1 && current != 0; }
    void resetCursor() {
        parent = current = child = 0;
        nodeType = nodeOffset = nodeLength = 0;
    }
};

namespace {

constexpr wchar_t kLineEnd[] = L"\r\n";

bool validName(const wchar_t* name) {
    if (!name || !xmlimpl::isNameStart(name[0])) return false;
    for (const wchar_t* p = name; *p; ++p)
        if (*p < 0x20 || isSpace(*p) || std::wcschr(L"<>/=&\"'!?", *p)) return false;
    return true;
}

std::wstring intText(int value) {
    wchar_t buf[16];
    std::swprintf(buf, 16, L"%d", value);
    return buf;
}

uint32_t level(const XmlElementRecord& r) { return r.flags & XmlElementRecord::kLevelMask; }

uint32_t packTags(size_t startTag, size_t endTag) {
    return uint32_t(std::min<size_t>(startTag, xmlimpl::kStartTagMax)) |
           (uint32_t(std::min<size_t>(endTag, xmlimpl::kEndTagMax)) << 22);
}

} // namespace

// ---- tag geometry -------------------------------------------------------------------------

namespace {

struct Geometry {
    uint32_t start, startTag, endTag, end;
    uint32_t contentStart() const { return start + startTag; }
    uint32_t contentEnd() const { return end - endTag; }
};

Geometry geometry(const std::wstring& doc, const XmlElementRecord& r) {
    Geometry g{r.start, r.tagLengths & xmlimpl::kStartTagMax, r.tagLengths >> 22, r.start + r.length};
    const wchar_t* s = doc.data();
    if (g.startTag == xmlimpl::kStartTagMax) {
        size_t gt = 0;
        xmlimpl::scanTagEnd(s, doc.size(), r.start + 1 + xmlimpl::nameLength(s, doc.size(), r.start + 1), gt);
        g.startTag = uint32_t(gt + 1 - r.start);
    }
    if (g.endTag == xmlimpl::kEndTagMax) {
        uint32_t lt = g.end;
        while (lt > g.start && s[lt - 1] != L'<') --lt;
        g.endTag = g.end - (lt - 1);
    }
    return g;
}

// Attribute of a start tag: [nameStart, nameEnd) and the value [valueStart, valueEnd); `end`
// is just past the closing quote (or the value).
struct AttributeSpan {
    size_t nameEnd, valueStart, valueEnd, end;
    bool quoted, hasValue;
};

// Position where attributes of a start tag end: before "/>" in empty form, else before '>'.
size_t attributesLimit(const std::wstring& doc, const Geometry& g) {
    size_t gt = g.start + g.startTag - 1;
    size_t nameEnd = g.start + 1 + xmlimpl::nameLength(doc.data(), doc.size(), g.start + 1);
    return doc[gt - 1] == L'/' && gt - 1 >= nameEnd ? gt - 1 : gt;
}

bool findAttribute(const std::wstring& doc, const Geometry& g, const wchar_t* name, bool ignoreCase,
                   AttributeSpan& out) {
    const wchar_t* s = doc.data();
    size_t want = std::wcslen(name);
    size_t limit = attributesLimit(doc, g);
    size_t i = g.start + 1 + xmlimpl::nameLength(s, doc.size(), g.start + 1);
    while (i < limit) {
        while (i < limit && isSpace(s[i])) ++i;
        size_t ns = i;
        while (i < limit && !isSpace(s[i]) && s[i] != L'=' && s[i] != L'/' && s[i] != L'>') ++i;
        if (i == ns) {
            ++i;
            continue;
        }
        AttributeSpan a{i, i, i, i, false, false};
        size_t j = i;
        while (j < limit && isSpace(s[j])) ++j;
        if (j < limit && s[j] == L'=') {
            ++j;
            while (j < limit && isSpace(s[j])) ++j;
            a.hasValue = true;
            if (j < limit && (s[j] == L'"' || s[j] == L'\'')) {
                const wchar_t* q = std::wmemchr(s + j + 1, s[j], limit - j - 1);
                a.quoted = true;
                a.valueStart = j + 1;
                a.valueEnd = q ? size_t(q - s) : limit;
                a.end = q ? a.valueEnd + 1 : limit;
            } else {
                a.valueStart = j;
                while (j < limit && !isSpace(s[j])) ++j;
                a.valueEnd = a.end = j;
            }
        }
        if (i - ns == want && xmlimpl::namesEqual(s + ns, name, want, ignoreCase)) {
            out = a;
            return true;
        }
        i = std::max(a.end, i);
    }
    return false;
}

} // namespace

// ---- construction and parsing -------------------------------------------------------------

XmlDocument::XmlDocument() : impl_(std::make_unique<Impl>()) { impl_->table.reset(0); }
XmlDocument::~XmlDocument() = default;

bool XmlDocument::setDocument(const wchar_t* text) {
    doc_ = text ? text : L"";
    if (doc_.size() > xmlimpl::kMaxDocument) doc_.resize(xmlimpl::kMaxDocument);
    xmlimpl::ResultLog log(result_);
    impl_->resetCursor();
    return xmlimpl::parse(doc_, impl_->table, log, impl_->ignoreCase());
}

bool XmlDocument::loadFile(const std::wstring& path) {
    xmlimpl::ResultLog log(result_);
    std::wstring text;
    uint32_t fileFlags = 0;
    xmlimpl::Encoding encoding;
    if (!xmlimpl::readFile(path, text, fileFlags, encoding, log)) return false;
    doc_ = std::move(text);
    impl_->flags = (impl_->flags & ~(kUtf16LeFile | kUtf8BomFile | kUtf16BeFile)) | fileFlags;
    impl_->encoding = std::move(encoding);
    impl_->resetCursor();
    return xmlimpl::parse(doc_, impl_->table, log, impl_->ignoreCase());
}

bool XmlDocument::saveFile(const std::wstring& path) {
    xmlimpl::ResultLog log(result_);
    if (impl_->streaming()) return false;
    return xmlimpl::writeFile(path, doc_, impl_->flags, impl_->encoding, log);
}

// ---- cursor -------------------------------------------------------------------------------

bool XmlDocument::findElement(const wchar_t* name) {
    Impl& d = *impl_;
    if (d.streaming()) return false;
    size_t want = name ? std::wcslen(name) : 0;
    uint32_t i = d.current ? d.rec(d.current).nextSibling : d.rec(d.parent).firstChild;
    for (; i; i = d.rec(i).nextSibling) {
        const XmlElementRecord& r = d.rec(i);
        if (want) {
            size_t len = xmlimpl::nameLength(doc_.data(), doc_.size(), r.start + 1);
            if (len != want || !xmlimpl::namesEqual(doc_.data() + r.start + 1, name, want, d.ignoreCase()))
                continue;
        }
        d.current = i;
        d.child = 0;
        d.nodeType = 1;
        return true;
    }
    return false;
}

bool XmlDocument::intoElement() {
    Impl& d = *impl_;
    if (!d.onElement()) return false;
    d.parent = d.current;
    d.current = d.child;
    d.child = 0;
    d.nodeType = d.current ? 1 : 0;
    return true;
}

bool XmlDocument::outOfElement() {
    Impl& d = *impl_;
    if (d.streaming() || !d.parent) return false;
    d.child = d.current;
    d.current = d.parent;
    d.parent = d.rec(d.parent).parent;
    d.nodeType = 1;
    return true;
}

// ---- reading ------------------------------------------------------------------------------

std::wstring XmlDocument::getData() const {
    const Impl& d = *impl_;
    if (!d.onElement()) return {};
    const XmlElementRecord& r = d.rec(d.current);
    Geometry g = geometry(doc_, r);
    if ((r.flags & XmlElementRecord::kNoEndTag) || g.endTag == 0 || r.firstChild) return {};
    const wchar_t* s = doc_.data();
    size_t i = g.contentStart(), end = g.contentEnd();
    std::wstring out;
    while (i < end) {
        const wchar_t* lt = std::wmemchr(s + i, L'<', end - i);
        size_t at = lt ? size_t(lt - s) : end;
        xmlesc::appendUnescaped(out, s + i, at - i);
        if (!lt) break;
        std::wstring_view rest(s + at, end - at);
        size_t stop;
        if (rest.starts_with(L"<![CDATA[")) {
            stop = xmlimpl::findText(s, end, at + 9, L"]]>");
            out.append(s + at + 9, (stop == std::wstring::npos ? end : stop) - at - 9);
            i = stop == std::wstring::npos ? end : stop + 3;
        } else if (rest.starts_with(L"<!--") || rest.starts_with(L"<?")) {
            const wchar_t* term = rest[1] == L'!' ? L"-->" : L"?>";
            stop = xmlimpl::findText(s, end, at + 2, term);
            i = stop == std::wstring::npos ? end : stop + std::wcslen(term);
        } else if (at + 1 < end && (s[at + 1] == L'/' || xmlimpl::isNameStart(s[at + 1])) &&
                   xmlimpl::scanTagEnd(s, end, at + 1, stop)) {
            i = stop + 1; // a stray tag, not part of the data
        } else {
            out.push_back(L'<');
            i = at + 1;
        }
    }
    return out;
}

std::wstring XmlDocument::getAttribute(const wchar_t* name) const {
    const Impl& d = *impl_;
    if (!d.onElement() || !name || !*name) return {};
    AttributeSpan a;
    if (!findAttribute(doc_, geometry(doc_, d.rec(d.current)), name, d.ignoreCase(), a)) return {};
    std::wstring out;
    xmlesc::appendUnescaped(out, doc_.data() + a.valueStart, a.valueEnd - a.valueStart);
    return out;
}

bool XmlDocument::isWellFormed() const {
    const Impl& d = *impl_;
    uint32_t root = d.rec(0).firstChild;
    return root && !d.rec(root).nextSibling && !(d.rec(0).flags & XmlElementRecord::kDocumentIllFormed);
}

// ---- editing ------------------------------------------------------------------------------

namespace {

// Replaces doc[a, b) with text and patches every record: those after the range move, those
// that enclose it change length. Records inside the range are left for the caller.
void replaceRange(std::wstring& doc, ElementTable& t, size_t a, size_t b, const std::wstring& text) {
    int64_t delta = int64_t(text.size()) - int64_t(b - a);
    doc.replace(a, b - a, text);
    for (uint32_t i = 1; i < t.count(); ++i) {
        XmlElementRecord& r = t[i];
        size_t end = size_t(r.start) + r.length;
        if (r.start >= b)
            r.start = uint32_t(int64_t(r.start) + delta);
        else if (r.start < a && end >= b && end > a)
            r.length = uint32_t(int64_t(r.length) + delta);
    }
    t[0].length = uint32_t(doc.size());
}

bool fits(const std::wstring& doc, size_t added) { return doc.size() + added < xmlimpl::kMaxDocument; }

// "<name attrs/>" becomes "<name attrs>".
std::wstring openForm(const std::wstring& doc, const Geometry& g) {
    return doc.substr(g.start, g.startTag - 2) + L">";
}

std::wstring elementName(const std::wstring& doc, uint32_t start) {
    return doc.substr(start + 1, xmlimpl::nameLength(doc.data(), doc.size(), start + 1));
}

} // namespace

bool XmlDocument::setData(int value) { return setData(intText(value)); }

bool XmlDocument::setData(const std::wstring& value) {
    Impl& d = *impl_;
    if (!d.onElement()) return false;
    XmlElementRecord& r = d.rec(d.current);
    if (r.flags & XmlElementRecord::kNoEndTag) return false;
    Geometry g = geometry(doc_, r);
    std::wstring esc = xmlesc::escaped(value, false);
    if (!fits(doc_, esc.size() + g.startTag + 3)) return false;
    if (g.endTag == 0) { // empty form
        if (value.empty()) return true;
        std::wstring open = openForm(doc_, g);
        std::wstring name = elementName(doc_, g.start);
        std::wstring text = open + esc + L"</" + name + L">";
        replaceRange(doc_, d.table, g.start, g.end, text);
        XmlElementRecord& e = d.rec(d.current);
        e.length = uint32_t(text.size());
        e.tagLengths = packTags(open.size(), name.size() + 3);
        return true;
    }
    replaceRange(doc_, d.table, g.contentStart(), g.contentEnd(), esc);
    d.rec(d.current).firstChild = 0;
    d.child = 0;
    return true;
}

bool XmlDocument::setAttribute(const wchar_t* name, int value) { return setAttribute(name, intText(value)); }

bool XmlDocument::setAttribute(const wchar_t* name, const std::wstring& value) {
    Impl& d = *impl_;
    if (!d.onElement() || !validName(name)) return false;
    Geometry g = geometry(doc_, d.rec(d.current));
    std::wstring esc = xmlesc::escaped(value, true);
    if (!fits(doc_, esc.size() + std::wcslen(name) + 4)) return false;
    AttributeSpan a;
    size_t before = doc_.size();
    if (findAttribute(doc_, g, name, d.ignoreCase(), a)) {
        if (a.quoted)
            replaceRange(doc_, d.table, a.valueStart, a.valueEnd, esc);
        else
            replaceRange(doc_, d.table, a.nameEnd, a.end, L"=\"" + esc + L"\"");
    } else {
        size_t at = attributesLimit(doc_, g);
        replaceRange(doc_, d.table, at, at, L" " + std::wstring(name) + L"=\"" + esc + L"\"");
    }
    XmlElementRecord& r = d.rec(d.current);
    size_t newStartTag = size_t(int64_t(g.startTag) + int64_t(doc_.size()) - int64_t(before));
    r.tagLengths = packTags(newStartTag, r.tagLengths >> 22);
    return true;
}

bool XmlDocument::addElement(const wchar_t* name, int value) { return addElement(name, intText(value)); }

bool XmlDocument::addElement(const wchar_t* name, const std::wstring& value) {
    Impl& d = *impl_;
    if (d.streaming() || !validName(name)) return false;
    std::wstring nm(name);
    std::wstring elem = L"<" + nm;
    if (value.empty()) {
        elem += L"/>";
    } else {
        elem += L">";
        xmlesc::appendEscaped(elem, value.data(), value.size(), false);
        elem += L"</" + nm + L">";
    }
    if (!fits(doc_, elem.size() * 2 + 16)) return false;
    size_t startTag = value.empty() ? elem.size() : nm.size() + 2;
    size_t endTag = value.empty() ? 0 : nm.size() + 3;

    size_t at; // where the new element starts
    uint32_t parent = d.current ? d.rec(d.current).parent : d.parent;
    if (d.current) {
        const XmlElementRecord& e = d.rec(d.current);
        at = size_t(e.start) + e.length;
        if (doc_.compare(at, 2, kLineEnd) == 0)
            at += 2;
        else if (at < doc_.size() && doc_[at] == L'\n')
            at += 1;
        replaceRange(doc_, d.table, at, at, elem + kLineEnd);
    } else if (parent == 0) {
        std::wstring prefix = !doc_.empty() && doc_.back() != L'\n' ? kLineEnd : L"";
        at = doc_.size() + prefix.size();
        replaceRange(doc_, d.table, doc_.size(), doc_.size(), prefix + elem + kLineEnd);
    } else {
        XmlElementRecord& p = d.rec(parent);
        if (p.flags & XmlElementRecord::kNoEndTag) return false;
        Geometry g = geometry(doc_, p);
        if (g.endTag == 0) { // empty form: becomes start tag, child, end tag, each on a line
            std::wstring open = openForm(doc_, g);
            std::wstring close = L"</" + elementName(doc_, g.start) + L">";
            std::wstring text = open + kLineEnd + elem + kLineEnd + close;
            replaceRange(doc_, d.table, g.start, g.end, text);
            XmlElementRecord& q = d.rec(parent);
            q.length = uint32_t(text.size());
            q.tagLengths = packTags(open.size(), close.size());
            at = g.start + open.size() + 2;
        } else {
            size_t ce = g.contentEnd();
            std::wstring prefix = doc_[ce - 1] != L'\n' ? kLineEnd : L"";
            at = ce + prefix.size();
            replaceRange(doc_, d.table, ce, ce, prefix + elem + kLineEnd);
        }
    }

    uint32_t i = d.table.append();
    XmlElementRecord& r = d.rec(i);
    r.start = uint32_t(at);
    r.length = uint32_t(elem.size());
    r.tagLengths = packTags(startTag, endTag);
    r.flags = parent ? std::min<uint32_t>(level(d.rec(parent)) + 1, XmlElementRecord::kLevelMask) : 0;
    r.parent = parent;
    XmlElementRecord& p = d.rec(parent);
    if (d.current) { // after the current element
        XmlElementRecord& e = d.rec(d.current);
        r.prevSibling = d.current;
        r.nextSibling = e.nextSibling;
        if (e.nextSibling)
            d.rec(e.nextSibling).prevSibling = i;
        else
            d.rec(p.firstChild).prevSibling = i;
        e.nextSibling = i;
    } else if (!p.firstChild) {
        p.firstChild = i;
        r.prevSibling = i;
        r.flags |= XmlElementRecord::kFirstChild;
    } else {
        uint32_t last = d.rec(p.firstChild).prevSibling;
        d.rec(last).nextSibling = i;
        r.prevSibling = last;
        d.rec(p.firstChild).prevSibling = i;
    }
    d.current = i;
    d.child = 0;
    d.nodeType = 1;
    return true;
}

bool XmlDocument::removeElement() {
    Impl& d = *impl_;
    if (!d.onElement()) return false;
    uint32_t i = d.current;
    XmlElementRecord& e = d.rec(i);
    size_t a = e.start, b = size_t(e.start) + e.length;
    while (b < doc_.size() && isSpace(doc_[b])) ++b;
    XmlElementRecord& p = d.rec(e.parent);
    bool wasFirst = p.firstChild == i;
    uint32_t prev = e.prevSibling, next = e.nextSibling;
    if (wasFirst) {
        p.firstChild = next;
        if (next) {
            d.rec(next).prevSibling = prev;
            d.rec(next).flags |= XmlElementRecord::kFirstChild;
        }
    } else {
        d.rec(prev).nextSibling = next;
        if (next)
            d.rec(next).prevSibling = prev;
        else
            d.rec(p.firstChild).prevSibling = prev;
    }
    e.parent = e.nextSibling = e.prevSibling = 0;
    replaceRange(doc_, d.table, a, b, std::wstring());
    d.current = wasFirst ? 0 : prev;
    d.child = 0;
    d.nodeType = d.current ? 1 : 0;
    return true;
}

// ---- inspection ---------------------------------------------------------------------------

uint32_t XmlDocument::flags() const { return impl_->flags; }

void XmlDocument::setIgnoreCase(bool on) {
    impl_->flags = on ? impl_->flags | kIgnoreCase : impl_->flags & ~kIgnoreCase;
}

XmlElementRecord XmlDocument::record(uint32_t index) const {
    return index < impl_->table.count() ? impl_->rec(index) : XmlElementRecord{};
}

XmlElementRecord XmlDocument::currentRecord() const { return record(impl_->current); }

uint32_t XmlDocument::elementCount() const { return impl_->table.count(); }

std::wstring XmlDocument::currentName() const {
    if (!impl_->onElement()) return {};
    return elementName(doc_, impl_->rec(impl_->current).start);
}
