#pragma once
// A picture placed on a note: a file of the note folder drawn scaled inside a 4-pixel margin,
// moved by dragging and resized from its four corners, with a frame while it is the active item.
// It keeps `ID`, its rectangle and `image` in "<id>.xml" of the note folder.
#include "GdiOwners.h"
#include "TavNoteChild.h"
#include "TavNoteMenu.h"
#include "TavWndMoveResize.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

// True when `name` is one of the note's own data files in its folder: the note file
// "<unique>.xml", "prompt.xml", a child's "<digits>.xml" or "<digits>_rtf", or a kept damaged copy
// ("<any of these>.bad"). A picture never takes such a name: deleting or overwriting the picture
// would destroy the note's data.
bool isNoteDataFileName(const std::wstring& name, const std::wstring& noteUnique);

// The picture's menu ("子标签图像控件窗口菜单"): "更换图片" and "删除".
class TavNoteItemImageMenu : public TavNoteMenu {
public:
    TavNoteItemImageMenu();

protected:
    const wchar_t* windowName() const override { return L"子标签图像控件窗口菜单"; }
};

class TavNoteItemImage : public TavWndMoveResize, public TavNoteChildItem {
public:
    static constexpr int kCornerSize = 5;  // the corner squares that resize
    static constexpr int kInnerMargin = 4; // between the window's edge and the picture
    static constexpr int kFrameInset = 2;  // the active frame's distance from the edge
    // A decoded picture is kept at most this large per side (scaled down, proportions kept).
    static constexpr int kMaxKeptSide = 4096;

    TavNoteItemImage(std::wstring noteUnique, std::wstring noteFolder);
    ~TavNoteItemImage() override;

    // TavNoteChildItem
    TavWnd& childWindow() override { return *this; }
    const wchar_t* childClassName() const override { return L"TavNoteItemImage"; }
    bool createInNote(HWND note, int id, const RECT& rect) override;
    void eraseStoredData() override;
    void activateAt(int x, int y) override;

    // --- overridden window operations ---
    TavMemDC renderSelf() override;
    void zoneHitTest(int screenX, int screenY, const RECT& windowRect) override;
    void onGeometryChanged() override;
    void onContextMenu(WPARAM window, int screenX, int screenY) override;
    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override;
    void takeFocus() override;
    bool loseFocus(TavWnd* newFocus) override;

    std::wstring GetFilePath() override;
    // Shows `name`, a plain file name of the note folder, and writes `image`. When the name
    // changes, the previous picture file is deleted. An empty name shows nothing. A name that is
    // no plain file name, or one of the note's data files, changes nothing (false).
    bool SetImage(const std::wstring& name);
    const std::wstring& imageName() const { return image_; }
    // Writes the rectangle (note client coordinates) when it differs from the last one written.
    void SaveGeometry();
    // Reads the stored rectangle and `image`; false when the file has no usable rectangle.
    bool LoadGeometry();
    // "更换图片": the user picks a picture, copied into the note folder as
    // "bkimage_<note unique>_<chosen name>", which the picture then shows.
    void ReplaceImage();
    // The copy-and-show part of ReplaceImage; false when nothing changed (no picture, the copy
    // refused or failed: the old picture and its file stay).
    bool ReplaceImageFrom(const std::wstring& sourcePath);
    // True while a decoded picture is kept (a missing or undecodable file keeps none).
    bool hasPicture() const { return picture_ != nullptr; }

    // The questions the picture asks. An empty function asks with the program's own message box.
    struct Dialogs {
        std::function<int(TavNoteItemImage&)> confirmOverwrite; // replacing a file: 6 = yes
        std::function<void(TavNoteItemImage&)> tellNotPicture;  // the chosen file is no picture
    };
    void setDialogs(Dialogs dialogs) { dialogs_ = std::move(dialogs); }

private:
    // The file of the note folder named `name` ("" when it is not a usable picture name).
    std::wstring pictureFile(const std::wstring& name) const;
    bool writeElements(const std::vector<std::pair<const wchar_t*, std::wstring>>& values);
    RECT rectInNote() const;
    void loadPicture();
    void repaint();
    void postToNote(UINT message, WPARAM wParam);

    std::wstring noteUnique_;
    std::wstring noteFolder_;
    std::wstring image_;
    TavGpImage picture_;
    RECT lastSaved_{};
    bool saved_ = false;
    Dialogs dialogs_;
};
