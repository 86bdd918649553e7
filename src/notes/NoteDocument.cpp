#include "NoteDocument.h"

#include <cwchar>
#include <set>

#include "NoteFormat.h"

bool setChildElements(XmlDocument& doc, const std::vector<std::pair<const wchar_t*, std::wstring>>& values) {
    std::vector<bool> done(values.size(), false);
    while (doc.findElement(nullptr)) {
        std::wstring name = doc.currentName();
        for (size_t i = 0; i < values.size(); ++i) {
            if (done[i] || name != values[i].first) continue;
            if (!doc.setData(values[i].second)) return false;
            done[i] = true;
            break;
        }
    }
    // The cursor is on the last child (or before the first when there is none): adding appends.
    for (size_t i = 0; i < values.size(); ++i) {
        if (!done[i] && !doc.addElement(values[i].first, values[i].second)) return false;
    }
    return true;
}

void findChildElements(XmlDocument& doc, std::vector<TavFoundElement>& wanted) {
    while (doc.findElement(nullptr)) {
        std::wstring name = doc.currentName();
        for (TavFoundElement& w : wanted) {
            if (w.found || name != w.name) continue;
            w.value = doc.getData();
            w.found = true;
            break;
        }
    }
}

namespace {

// The note file's plain elements in the order a new note first writes them; `ChildItems`
// follows `bkimage`.
constexpr const wchar_t* kPlainElements[] = {L"ID",         L"unique", L"group",    L"left",     L"top",
                                             L"right",      L"bottom", L"bkimage",  L"curcolor", L"datetime",
                                             L"updatetime", L"alpha",  L"bTopMost", L"bToDesk",  L"ishide",
                                             L"pngview",    L"dir"};

struct Salvage {
    std::vector<TavFoundElement> plain;
    std::vector<std::pair<int, std::wstring>> children;
    std::set<int> childIds;
    bool childList = false;
};

void salvageChildren(XmlDocument& doc, Salvage& s) {
    s.childList = true;
    if (!doc.intoElement()) return;
    while (doc.findElement(kChildItemName)) {
        int id = parseNoteInt(doc.getData());
        std::wstring cls = doc.getAttribute(kChildClassAttribute);
        if (id > 0 && isKnownChildClass(cls) && s.childIds.insert(id).second)
            s.children.emplace_back(id, cls);
    }
    doc.outOfElement();
}

// Looks at the current element and its following siblings.
void salvageSiblings(XmlDocument& doc, Salvage& s) {
    while (doc.findElement(nullptr)) {
        std::wstring name = doc.currentName();
        if (name == kChildListName) {
            if (!s.childList) salvageChildren(doc, s);
            continue;
        }
        for (TavFoundElement& w : s.plain) {
            if (w.found || name != w.name) continue;
            w.value = doc.getData();
            w.found = true;
            break;
        }
    }
}

} // namespace

std::wstring repairedNoteText(XmlDocument& damaged, int id) {
    Salvage s;
    for (const wchar_t* name : kPlainElements) s.plain.push_back({name, std::wstring(), false});
    if (damaged.findElement(kNoteRootName)) {
        if (damaged.intoElement()) {
            salvageSiblings(damaged, s);
            damaged.outOfElement();
        }
        salvageSiblings(damaged, s);
    }
    if (!s.plain[0].found) s.plain[0] = {L"ID", std::to_wstring(id), true};

    XmlDocument fresh;
    fresh.addElement(kNoteRootName);
    fresh.intoElement();
    for (const TavFoundElement& w : s.plain) {
        if (w.found) fresh.addElement(w.name, w.value);
        if (std::wcscmp(w.name, L"bkimage") == 0 && s.childList) {
            fresh.addElement(kChildListName);
            fresh.intoElement();
            for (const auto& [childId, cls] : s.children) {
                fresh.addElement(kChildItemName, childId);
                fresh.setAttribute(kChildClassAttribute, cls);
            }
            fresh.outOfElement();
        }
    }
    return fresh.documentText();
}
