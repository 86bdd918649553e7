#pragma once
// A picture placed on a note: a file of the note folder drawn scaled inside a 4-pixel margin,
// moved by dragging and resized from its four corners, with a frame while it is the active item.
// It keeps `ID`, its rectangle and `image` in "<id>.xml" of the note folder.
#include "TavNoteChild.h"
#include "TavWndMoveResize.h"

#include <string>

class TavNoteItemImage : public TavWndMoveResize, public TavNoteChildItem {
public:
    TavNoteItemImage(std::wstring noteUnique, std::wstring noteFolder);
    ~TavNoteItemImage() override;

    // TavNoteChildItem
    TavWnd& childWindow() override { return *this; }
    const wchar_t* childClassName() const override { return L"TavNoteItemImage"; }
    bool createInNote(HWND note, int id, const RECT& rect) override;
    void eraseStoredData() override;
    void activateAt(int x, int y) override;

    std::wstring GetFilePath() override;
    // Shows `name`, a plain file name of the note folder, and writes `image`. When the name
    // changes, the previous picture file is deleted. An empty name shows nothing.
    void SetImage(const std::wstring& name);
    const std::wstring& imageName() const { return image_; }

private:
    std::wstring noteUnique_;
    std::wstring noteFolder_;
    std::wstring image_;
};
