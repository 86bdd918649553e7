#pragma once
// What a note asks of each of its children: rich text blocks (TavRichEditNI), plain text blocks
// (TavNoteItemEdit) and pictures (TavNoteItemImage). A child is constructed with its note's
// unique name and base folder, created as a visible child window of the note and keeps itself in
// "<id>.xml" of the note folder (plus its body or picture file).
//
// A child never destroys itself: it posts its note kNoteMsgRichTextEmpty, kNoteMsgPlainTextEmpty
// or kNoteMsgImageDeleted (wParam = its object id) and the note removes it, its files and its
// `Item`. After any change of the note's contents it posts kNoteMsgContentChanged.
#include <windows.h>

#include <memory>
#include <string>

class TavWnd;

class TavNoteChildItem {
public:
    virtual ~TavNoteChildItem() = default;

    virtual TavWnd& childWindow() = 0;
    // The `identify` name of the child's class: "TavRichEditNI", "TavNoteItemEdit" or
    // "TavNoteItemImage".
    virtual const wchar_t* childClassName() const = 0;
    // Creates the window as a visible child of `note` with object id `id` (0: a new one) at
    // `rect` (note client coordinates), then reads the child's file: a stored rectangle replaces
    // `rect`, a missing file leaves the defaults. False when the window cannot be made.
    virtual bool createInNote(HWND note, int id, const RECT& rect) = 0;
    // Deletes the child's files in the note folder (its XML file and its body or picture file);
    // only plain file names inside the note folder are touched.
    virtual void eraseStoredData() = 0;
    // Takes the focus for editing, caret or selection at the client point of the child (a
    // double-click on it); a picture just shows its frame.
    virtual void activateAt(int x, int y) = 0;
};

// A child of the class named as in `identify`, for the note of `unique` in base folder `noteDir`
// ("" for the system group); null for an unknown class name.
std::unique_ptr<TavNoteChildItem> makeNoteChild(const std::wstring& className, const std::wstring& unique,
                                                const std::wstring& noteDir);
