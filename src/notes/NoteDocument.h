#pragma once
// Cursor helpers over the note file's document, shared by the store and the repair.
#include <string>
#include <utility>
#include <vector>

#include "XmlDocument.h"

// With the cursor inside an element: sets each named child's text, the first child of that name
// in one pass; names not found are appended at the end, in the order given.
bool setChildElements(XmlDocument& doc, const std::vector<std::pair<const wchar_t*, std::wstring>>& values);

// With the cursor inside an element: the text of each named child (first of that name), empty
// optional-like flag in `found`. One pass over the children.
struct TavFoundElement {
    const wchar_t* name;
    std::wstring value;
    bool found = false;
};
void findChildElements(XmlDocument& doc, std::vector<TavFoundElement>& wanted);

// The text of a well-formed note file rebuilt from a damaged one: the known elements and the
// child items that the tolerant parse still finds (inside the root, or after it where a missing
// end tag pushed them out), in the order a new note writes them. `id` fills a missing `ID`.
std::wstring repairedNoteText(XmlDocument& damaged, int id);
