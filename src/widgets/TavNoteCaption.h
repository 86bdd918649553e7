#pragma once
// The captioned dialog frame of the program: a movable window with a caption bar (icon and
// title), a close button, a white background or a user image, and a modal run over a parent.
// The message box, the name prompt and the program's other dialogs derive from it.
//
// A dialog object usually lives on the caller's stack for one modal run:
//     TavNoteMessageBox box(3, L"确定要删除这个便签吗？", L"TavNote", 300, 120);
//     box.setIcon(L"TavNote.png");
//     if (box.runModal(parent) == kNoteResultOk) ...
#include "DialogLayout.h"
#include "TavNoteBt.h"
#include "TavWndMoveResize.h"

#include <string>

class TavNoteCaption : public TavWndMoveResize {
public:
    // width and height are the content size; the window adds the border on every side.
    TavNoteCaption(std::wstring title, int width, int height);
    ~TavNoteCaption() override;

    // --- overridden window operations ---
    void onCreated() override;
    void modalStart() override;
    void accept() override;
    void cancel() override;
    void onSized(WPARAM flag, int width, int height) override;
    void onDestroyed() override;
    TavMemDC renderSelf() override;
    // The image is the kept background: made again only after the background was.
    uint64_t keptImageKey() const override;
    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override;
    void zoneHitTest(int screenX, int screenY, const RECT& windowRect) override;

    // --- operations added by the captioned window ---
    // Makes the child windows (the close button here); run again when the window is made anew.
    virtual void createControls();
    // Places the child windows for the current size.
    virtual void layoutControls();
    // Renders the background bitmap for the current size (white or the user image).
    virtual void renderBackground();
    // A button with the control id was pressed (10009) or the command arrived (10002).
    virtual void onControl(int controlId);
    // The answer of Enter (accept) and of the OK button.
    virtual void onOk();
    // The answer of Escape, Cancel and the close button.
    virtual void onCancel();
    // Vertical placement over the parent: the middle, or one third of the free height.
    virtual bool placesAtOneThird() const { return false; }
    // Asks for a picture and makes it the background (see setBackgroundImage).
    virtual void chooseBackgroundImage();

    // Runs the window modally over the parent (null: the screen) and returns its result.
    INT_PTR runModal(HWND parent, int id = 0);
    // Creates the window without a modal run, placed over the parent, and shows it.
    bool createModeless(HWND parent, int id = 0);
    // Ends the modal run with the result, or closes the window when it runs without one.
    void closeWith(int result);

    void setIcon(const std::wstring& image);
    const std::wstring& icon() const { return icon_; }
    const std::wstring& title() const { return title_; }
    void setTitle(const std::wstring& title);
    // Copies the picture into this window's "CapNote\<id>\" folder and shows it as the background.
    // An existing file of that name is replaced only when the user answers Yes. False when
    // nothing changed.
    bool setBackgroundImage(const std::wstring& sourcePath);
    const std::wstring& backgroundImage() const { return backgroundImage_; }
    bool isModal() const { return modal_; }
    int lastResult() const { return lastResult_; }
    int borderWidth() const { return metrics_.border; }
    int captionHeight() const { return metrics_.captionHeight; }
    int buttonWidth() const { return metrics_.buttonWidth; }
    int buttonHeight() const { return metrics_.buttonHeight; }
    SIZE windowSize() const { return SIZE{width_, height_}; }
    const TavDialogMetrics& metrics() const { return metrics_; }
    TavNoteBt& closeButton() { return close_; }
    const TavMemDC& background() const { return background_; }

    // Asked before an existing background file is replaced; the default runs the type 12 box.
    // Returns the box's answer.
    virtual int askOverwrite();

protected:
    // Places the window over its parent (or the screen) and brings it to the foreground.
    void placeOverParent();
    // Draws the caption bar's icon and title into the DC.
    void drawCaption(HDC dc, SIZE window);
    // Blends a layer the size of the window onto the DC.
    static void blendLayer(HDC dc, const TavMemDC& layer, int x, int y);

    TavDialogMetrics metrics_;
    std::wstring title_;
    std::wstring icon_;
    int width_;
    int height_;
    TavMemDC background_;
    // Counts the backgrounds made; every renderBackground (an override too) adds one.
    uint32_t backgroundVersion_ = 0;
    std::wstring backgroundImage_;
    TavNoteBt close_;
    bool modal_ = false;
    HWND placementParent_ = nullptr;
    int lastResult_ = 0;
};
