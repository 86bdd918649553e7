#pragma once
// The template editor: a captioned window showing a template's background picture at the
// template's size. Dragging its border resizes the template (written once the drag ends); its
// menu's "修改图片..." gives the template another picture.
#include "TavNoteCaption.h"

#include <functional>
#include <string>

inline constexpr int kCmdTemplateChangePicture = 30601;

class TavNoteModifyTpl : public TavNoteCaption {
public:
    // The template `name` of `group` ("" or "系统分组" for the plain template folder).
    TavNoteModifyTpl(std::wstring name, std::wstring group);

    void onCreated() override;
    void onSized(WPARAM flag, int width, int height) override;
    void renderBackground() override;
    void onContextMenu(WPARAM window, int screenX, int screenY) override;
    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The template's folder ("" when the template is not there).
    const std::wstring& folder() const { return folder_; }
    const std::wstring& picture() const { return picture_; }
    // The template's size as shown (the window without its frame and caption).
    SIZE templateSize() const;
    // "修改图片..." with a chosen file and the stamp of its name: copies the picture into the
    // template folder as "bkimage_<stamp>_<file name>" (an existing file only after Yes), writes
    // `bkimage` and shows it. False when nothing changed.
    bool changePictureFrom(const std::wstring& path, const SYSTEMTIME& stamp);

    // The questions; an empty function asks with the platform's dialog or the program's box.
    struct Dialogs {
        std::function<std::wstring()> choosePicture; // "" = cancelled
        std::function<bool()> confirmOverwrite;
    };
    void setDialogs(Dialogs dialogs) { dialogs_ = std::move(dialogs); }
    // Called after the template changed on disk (the manager refreshes its list).
    void setOnChanged(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    std::wstring filePath() const;
    void saveSize();

    std::wstring name_, group_, folder_, picture_;
    RECT stored_{0, 0, 240, 240};
    bool ready_ = false;
    Dialogs dialogs_;
    std::function<void()> changed_;
};
