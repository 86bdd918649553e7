#pragma once
// Structural checks shared by the XML document tests.
#include "TempFolder.h"
#include "XmlDocument.h"

#include <windows.h>

#include <string>
#include <vector>

// Byte-level helpers of the file tests.
inline std::string narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }
inline bool contains(const std::wstring& hay, const wchar_t* needle) {
    return hay.find(needle) != std::wstring::npos;
}
inline std::string utf16le(const std::wstring& w) {
    std::string out;
    for (wchar_t c : w) out += char(c & 0xFF), out += char(c >> 8);
    return out;
}
inline std::string utf16be(const std::wstring& w) {
    std::string out;
    for (wchar_t c : w) out += char(c >> 8), out += char(c & 0xFF);
    return out;
}

namespace xmltest {

// Checks the element index against the text: every reachable record lies inside its parent,
// starts with '<' and follows its previous sibling; the first child's previous-sibling field
// names the last child; no cycles. Returns "" or a description of the first fault.
inline std::string checkIndex(const XmlDocument& doc) {
    const std::wstring& text = doc.documentText();
    uint32_t count = doc.elementCount();
    std::vector<uint32_t> stack{0};
    uint32_t visited = 0;
    while (!stack.empty()) {
        uint32_t p = stack.back();
        stack.pop_back();
        XmlElementRecord pr = doc.record(p);
        uint32_t first = pr.firstChild, last = 0, prevEnd = p ? pr.start + (pr.tagLengths & 0x3FFFFF) : 0;
        for (uint32_t c = first; c; c = doc.record(c).nextSibling) {
            if (c >= count || ++visited > count) return "bad link or cycle at " + std::to_string(c);
            XmlElementRecord r = doc.record(c);
            if (r.parent != p) return "wrong parent of " + std::to_string(c);
            if (r.start < prevEnd) return "overlap at " + std::to_string(c);
            if (size_t(r.start) + r.length > (p ? size_t(pr.start) + pr.length : text.size()))
                return "outside parent at " + std::to_string(c);
            if (text[r.start] != L'<') return "no '<' at record " + std::to_string(c);
            if (c != first && (r.flags & XmlElementRecord::kFirstChild)) return "stray first flag";
            prevEnd = r.start + r.length;
            last = c;
            stack.push_back(c);
        }
        if (first && doc.record(first).prevSibling != last) return "first child does not name last child";
    }
    return "";
}

// Tree of names and data reached through the cursor alone, one line per element: from the
// current element (or the first top-level one) through its following siblings.
inline std::wstring outline(XmlDocument& doc) {
    std::wstring out;
    int depth = 0;
    bool moved = doc.currentName().empty() ? doc.findElement() : true;
    for (int guard = 0; guard < 1000000; ++guard) {
        if (moved) {
            out += std::wstring(size_t(depth), L' ') + doc.currentName() + L"=" + doc.getData() + L"\n";
            if (doc.intoElement()) {
                ++depth;
                moved = doc.findElement();
                continue;
            }
        }
        if (depth == 0) break;
        doc.outOfElement();
        --depth;
        moved = doc.findElement();
    }
    return out;
}

// The index as a list of elements in document order with depth, name, offsets and tag
// lengths, read from the records alone: an edited document must give the same list as a
// fresh parse of its text.
inline std::wstring structure(const XmlDocument& doc) {
    const std::wstring& text = doc.documentText();
    std::wstring out;
    std::vector<std::pair<uint32_t, int>> stack;
    for (uint32_t c = doc.record(0).firstChild; c; c = doc.record(c).nextSibling)
        stack.insert(stack.begin(), {c, 0});
    uint32_t guard = 0;
    while (!stack.empty() && ++guard <= doc.elementCount()) {
        auto [i, depth] = stack.back();
        stack.pop_back();
        XmlElementRecord r = doc.record(i);
        size_t n = r.start + 1;
        while (n < text.size() && !wcschr(L" \t\r\n/><", text[n])) ++n;
        out += std::wstring(size_t(depth), L' ') + text.substr(r.start + 1, n - r.start - 1) + L" " +
               std::to_wstring(r.start) + L"+" + std::to_wstring(r.length) + L" " +
               std::to_wstring(r.tagLengths) + L" " + std::to_wstring(r.flags & 0xFFFF) + L"\n";
        std::vector<std::pair<uint32_t, int>> kids;
        for (uint32_t c = r.firstChild; c; c = doc.record(c).nextSibling) kids.push_back({c, depth + 1});
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
    return out;
}

} // namespace xmltest
