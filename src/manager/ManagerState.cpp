#include "ManagerState.h"

#include <windows.h>

#include "FileSystem.h"
#include "XmlDocument.h"

#include <vector>

namespace {

constexpr wchar_t kRoot[] = L"sysconfig";

// Inside an element that has a parent (`manager` inside the root): the cursor goes back before
// the element's first child, so that the next search looks at every child. (Leaving and entering
// again returns to the child last visited.)
bool rewindInside(XmlDocument& doc) {
    return doc.outOfElement() && doc.outOfElement() && doc.intoElement() && doc.intoElement();
}

bool findOrAdd(XmlDocument& doc, const wchar_t* name) {
    return doc.findElement(name) || doc.addElement(name);
}

// Opens the file for a change: the document stands inside the root. False when the file must not
// be written (it exists and cannot be read).
bool openForChange(XmlDocument& doc, const std::wstring& path) {
    // Only the file named by a full path: an empty or relative one would land in the working folder.
    if (!isAbsolutePath(path) || isLinkPath(path)) return false;
    if (!isMissingFile(path) && !canReadFile(path)) return false;
    const bool loaded = doc.loadFile(path) && doc.isWellFormed();
    if (!loaded || !doc.findElement(kRoot)) {
        if (loaded || !isMissingFile(path)) {
            // Kept before it is replaced: the user's settings may still be read from it.
            if (!CopyFileW(path.c_str(), (path + L".bad").c_str(), FALSE)) return false;
        }
        doc.setDocument(nullptr);
        doc.addElement(kRoot);
        doc.findElement(kRoot);
        doc.intoElement();
        doc.addElement(L"ID", 0);
        return true;
    }
    return doc.intoElement();
}

bool sameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

} // namespace

ManagerState loadManagerState(const std::wstring& path, const ManagerStateKeys& keys) {
    ManagerState state;
    XmlDocument doc;
    if (!doc.loadFile(path) || !doc.isWellFormed() || !doc.findElement(kRoot) || !doc.intoElement() ||
        !doc.findElement(L"manager") || !doc.intoElement())
        return state;
    if (doc.findElement(keys.lastSelected)) state.lastSelected = doc.getData();
    if (rewindInside(doc) && doc.findElement(keys.groupViews) && doc.intoElement()) {
        while (doc.findElement(L"item")) state.groupViews[doc.getData()] = doc.getAttribute(L"tab");
    }
    return state;
}

bool saveManagerState(const std::wstring& path, const ManagerState& state, const ManagerStateKeys& keys) {
    XmlDocument doc;
    if (!openForChange(doc, path)) return false;
    if (!findOrAdd(doc, L"manager") || !doc.intoElement()) return false;
    if (doc.findElement(keys.lastSelected))
        doc.setData(state.lastSelected);
    else
        doc.addElement(keys.lastSelected, state.lastSelected);
    if (!rewindInside(doc) || !findOrAdd(doc, keys.groupViews) || !doc.intoElement()) return false;
    auto entry = state.groupViews.begin();
    bool reuse = true;
    while (entry != state.groupViews.end()) {
        if (reuse && doc.findElement(L"item")) {
            doc.setData(entry->first);
        } else {
            reuse = false;
            doc.addElement(L"item", entry->first);
        }
        doc.setAttribute(L"tab", entry->second);
        ++entry;
    }
    // Items beyond the views held now would bring a forgotten view back.
    if (reuse)
        while (doc.findElement(L"item")) doc.removeElement();
    return doc.saveFile(path);
}

bool removeGroupView(const std::wstring& path, const std::wstring& group, const ManagerStateKeys& keys) {
    if (!isAbsolutePath(path) || isLinkPath(path)) return false;
    if (!isMissingFile(path) && !canReadFile(path)) return false;
    XmlDocument doc;
    if (!doc.loadFile(path) || !doc.isWellFormed() || !doc.findElement(kRoot) || !doc.intoElement() ||
        !doc.findElement(L"manager") || !doc.intoElement() || !doc.findElement(keys.groupViews) ||
        !doc.intoElement())
        return false;
    bool removed = false;
    while (doc.findElement(L"item")) {
        if (!sameNameIgnoringCase(doc.getData(), group)) continue;
        doc.removeElement();
        removed = true;
    }
    return removed && doc.saveFile(path);
}
