#pragma once
// One sticky note on the screen: a borderless layered window that the user moves from anywhere
// and resizes from its bottom-right corner. It draws its near-white (or picture) background at
// its opacity, keeps its place on the screen (normal, top-most or embedded in the desktop) and
// writes every change to its note file at once through its TavNoteStore.
#include "Messages.h"

#include <shellapi.h>

#include "NoteFormat.h"
#include "NoteStore.h"
#include "TavGif.h"
#include "TavNoteChild.h"
#include "TavNoteItemMath.h"
#include "TavWndMoveResize.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The strip at the bottom of a note, 24 pixels high. It shows a reminder's text while one rings;
// otherwise it is empty and lets the mouse through to the note (its corner is the resize grip).
class TavNoteLabel : public TavWnd {
public:
    TavNoteLabel();
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    TavMemDC renderSelf() override;
    void setText(const std::wstring& text);
    const std::wstring& text() const { return text_; }
    // Where the text starts, from the label's left edge (it scrolls in from the right).
    void setTextLeft(int x) { textLeft_ = x; }
    int textLeft() const { return textLeft_; }
    int textWidth() const { return textWidth_; }

private:
    std::wstring text_;
    TavMemDC textImage_; // the text on a transparent background, made once per text
    int textLeft_ = 0;
    int textWidth_ = 0;
};

class TavNoteItem : public TavWndMoveResize {
public:
    static constexpr int kResizeCorner = 10;
    static constexpr int kLabelHeight = 24;
    static constexpr uint32_t kPlainBackground = 0xFEFDFDFC;
    static constexpr DWORD kExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW; // 0x80080
    static constexpr DWORD kStyle = WS_POPUP | WS_MINIMIZEBOX;          // 0x80020000

    // unique: the note folder's name ("" for a new note); hosted: opened by the manager.
    explicit TavNoteItem(std::wstring unique, bool hosted = false);
    ~TavNoteItem() override;

    // --- overridden window operations ---
    bool create(int id, const wchar_t* name, DWORD exStyle, DWORD style, int x, int y, int width, int height,
                HWND parent) override;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onRightButtonDown(WPARAM keys, int x, int y) override;
    void onLeftButtonDown(WPARAM keys, int x, int y) override;
    void onLeftButtonUp(WPARAM keys, int x, int y) override;
    void onSized(WPARAM flag, int width, int height) override;
    void onContextMenu(WPARAM window, int screenX, int screenY) override;
    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override;
    TavMemDC renderSelf() override;
    uint64_t keptImageKey() const override;
    void onCreated() override;
    bool isMoving() override;
    void onGeometryChanged() override;
    void zoneHitTest(int screenX, int screenY, const RECT& windowRect) override;
    void onLeftDoubleClick(WPARAM keys, int x, int y) override;
    void onTimer(UINT_PTR timerId) override;
    void onHover(WPARAM keys, int x, int y) override;

    // --- operations of the note ---
    // Applies the stored rectangle (placed on the screen) and remembers it.
    virtual void LoadGeometry();
    // Where the note file puts the note on the current screens; none for a note without a stored place.
    std::optional<RECT> storedPlace() const;
    // Writes the window rectangle when it differs from the last one written.
    virtual void SaveGeometry();
    // Redraws the whole client area and presents it.
    virtual void Redraw();
    // Adds a rich text block whose first line starts at the client point, focused for typing.
    virtual void AddRichText(int x, int y);
    // "添加图像...": the user picks a picture, which is copied into the note folder and placed as
    // a picture child at the point of the last right click.
    void AddImage();
    // The copy-and-add part of AddImage; false when nothing was added (no picture, copy refused).
    bool AddImageFrom(const std::wstring& sourcePath, POINT at);
    // A text block at the client point holding `text` (line breaks kept); false for no text.
    bool AddTextBlock(const std::wstring& text, POINT at);
    // Files dropped on the note: each picture becomes a picture child, each text file a text
    // block, near the drop point. Returns how many were taken; the drop is finished.
    int takeDroppedFiles(HDROP drop);
    // Ctrl+V on the note itself: a picture on the clipboard becomes a picture child, text a text
    // block, at the last click. False when nothing was added.
    bool pasteIntoNote();
    // The swing of a ringing note (started and stopped by the reminder display).
    void startSwing();
    void stopSwing();
    int swingCounter() const { return frameCounter_; }
    static constexpr UINT_PTR kSwingTimer = 60003;
    // Retries the removal of children whose removal came during a modal loop.
    static constexpr UINT_PTR kRemoveLaterTimer = 60010;
    // Once, after an embedded note was opened: it goes below the other windows again.
    static constexpr UINT_PTR kKeepBelowTimer = 60011;
    static constexpr UINT kKeepBelowDelayMs = 150;
    // The bottom label's text scrolling through while a reminder rings.
    static constexpr UINT_PTR kLabelTimer = 60004;
    // A reminder of this note fires (50017): sound, label, picture, styles and count from the
    // note's "prompt.xml"; `missedMinute` (decimal YYYYMMDDhhmm, 0 for none) names a minute that
    // was missed while the program was not running.
    void fireReminder(long long missedMinute = 0);
    // "停止" of the stop menu (30217): the note goes back to how its file has it.
    void stopReminder();
    // The stop menu at the screen point (what a click on a ringing note opens).
    void showStopMenu(int screenX, int screenY);
    const std::wstring& reminderGif() const { return reminderGif_; }
    // What the pointer resting on the note shows: when its reminder fires next, read from its
    // "prompt.xml" now ("" when it never fires again).
    std::wstring reminderHint() const;
    // The tooltip showing reminderHint(); null until the pointer first rested on the note while
    // its reminder had a next minute.
    HWND reminderTip() const { return reminderTip_; }
    bool reminderSoundOpen() const { return sound_ != 0; }
    void SetTopMost(bool on);
    void EmbedInDesktop(bool on);
    void SetAlpha(int alpha);
    // The color of the note's text blocks' last chosen color, handed on to notes made from it.
    void SetCurrentColor(uint32_t argb);
    void SetGroup(const std::wstring& group);
    void SetBaseDir(const std::wstring& dir);
    // Sets (and writes) the background picture file of the note folder; "" = plain background.
    void SetBackgroundFile(const std::wstring& fileName);
    // "设置背景...": the user picks a picture, which is copied into the note folder under
    // "bkimage_<stamp>_<name>" and becomes the background.
    void SetBackground();
    // The copy-and-set part of SetBackground for a chosen file, the name stamped with the given
    // local time; false when nothing changed.
    bool SetBackgroundFrom(const std::wstring& sourcePath, const SYSTEMTIME& stamp);
    // --- children (rich text blocks, plain text blocks, pictures) ---
    // Makes the child's window at `rect` (client coordinates, replaced by a stored rectangle)
    // with object id `id` (0: a new one) and keeps it on top of the others; `record` also writes
    // its `Item` and `updatetime`. Null when the window cannot be made.
    TavNoteChildItem* addChild(std::unique_ptr<TavNoteChildItem> child, int id, const RECT& rect,
                               bool record);
    // Removes the child of that object id: its files, its window and its `Item`; `updatetime`.
    bool removeChild(int childId);
    // A picture child showing `fileName`, a file of the note folder, at `rect`; recorded.
    TavNoteChildItem* addImageChild(const std::wstring& fileName, const RECT& rect);
    // Every picture child goes with its files and `Item` (a template's pictures replace them).
    void removeImageChildren();
    TavNoteChildItem* findChild(int childId);
    const std::vector<std::unique_ptr<TavNoteChildItem>>& noteChildren() const { return noteChildren_; }
    // Marks the note hidden and stores its picture (the folder stays).
    void hideWithSnapshot();
    // Stores the note's picture as its snapshot (what the manager shows of a note that is not open).
    void keepSnapshot();
    // The note's current picture (its back buffer), premultiplied, top row first.
    std::vector<uint32_t> pictureCopy(int& width, int& height) const;

    TavNoteStore& store() { return store_; }
    const std::wstring& unique() const { return store_.unique(); }
    bool hosted() const { return hosted_; }
    bool topMost() const { return topMost_; }
    bool toDesk() const { return toDesk_; }
    // Set before create: a note opened among many (at start) is shown without being activated,
    // and the caller activates the last one (all that activating each in turn would leave).
    void setActivateWhenShown(bool activate) { activateWhenShown_ = activate; }
    // Set before create: the note is made hidden and shows at showNote (a new note shows once its
    // template has been applied, never first with the look it had before).
    void setShowLater(bool later) { showLater_ = later; }
    // Shows a hidden note with its picture: activated or not (see setActivateWhenShown), an
    // embedded one below the other windows.
    void showNote();
    uint32_t currentColor() const { return color_; }
    const std::wstring& backgroundFile() const { return bkImage_; }
    const std::vector<TavSwingFrame>& frames() const { return frames_; }
    const RECT& lastSavedRect() const { return lastSaved_; }
    TavNoteLabel& label() { return label_; }
    POINT lastRichTextPoint() const { return richTextPoint_; }
    bool ringing() const { return ringing_ != 0; }

    // The note last pressed with either mouse button (cleared when it goes).
    static TavNoteItem* lastActive();
    static TavNoteItem* findByUnique(const std::wstring& unique);

    // The questions the note asks. An empty function asks with the program's own message box;
    // whoever opens the note may answer them instead (tests do, without a dialog).
    struct Dialogs {
        std::function<int(TavNoteItem&)> confirmDelete;    // deleting the note: 1 = OK
        std::function<int(TavNoteItem&)> confirmOverwrite; // a picture replacing a file: 6 = yes
        std::function<void(TavNoteItem&)> tellNotPicture;  // a chosen file is no picture
    };
    void setDialogs(Dialogs dialogs) { dialogs_ = std::move(dialogs); }

protected:
    void deleteAfterConfirmation();
    void closeReminderSound();
    void stepLabel();
    // Gives the tooltip the hint of this moment (made on the first hint; off while there is none).
    void updateReminderTip(int x, int y);
    void postToMain(UINT message, WPARAM wParam, LPARAM lParam);
    void applyPlacement();
    void loadBackground();
    void drawGrip(TavMemDC& surface);
    void loadChildren();
    void drawSwingingChildren(TavMemDC& surface);
    // Copies the file of a child whose id another live object holds to a free id and moves its
    // `Item` there; 0 when that failed.
    int rehomeChild(const TavNoteChild& stored);
    // Where a picture from `path` goes: its own size shrunk to fit the note, near `at`.
    RECT pictureRectFor(const std::wstring& path, POINT at) const;
    void tellNotPicture();
    // Copies a chosen picture to `target` in the note folder; an existing file is replaced only
    // when the user says yes. False when nothing was copied.
    bool copyPictureAsking(const std::wstring& sourcePath, const std::wstring& target);
    // True for a picture child whose file the background or another picture child shows too.
    bool sharesItsPicture(TavNoteChildItem& child) const;
    // The surface drawn onto the current swing frame's parallelogram.
    TavMemDC swingPicture(const TavMemDC& surface);

    TavNoteStore store_;
    std::wstring bkImage_;
    bool hosted_;
    bool topMost_ = false;
    bool toDesk_ = false;
    bool activateWhenShown_ = true;
    bool showLater_ = false;
    uint32_t color_;
    TavGif gif_;
    int ringing_ = 0;
    unsigned backgroundLoads_ = 0; // counts loadBackground: a picture read again is a new look
    int frameCounter_ = 0;
    std::vector<TavSwingFrame> frames_;
    TavNoteLabel label_;
    RECT lastSaved_{};
    POINT richTextPoint_{};
    std::wstring snapshotName_;
    Dialogs dialogs_;
    // In stacking order: hit tests run from the last to the first.
    std::vector<std::unique_ptr<TavNoteChildItem>> noteChildren_;
    std::vector<int> swingChildren_; // children hidden while the note swings, drawn into it
    std::vector<int> laterRemovals_; // children to remove once no modal loop runs
    // The ringing reminder: its sound device, its picture in the note, the label's clock.
    unsigned sound_ = 0;
    std::wstring reminderGif_;
    int labelElapsed_ = 0;
    // Owned by the note window (destroyed with it), not by this object.
    HWND reminderTip_ = nullptr;
    int registeredId_ = 0;
    HWND registeredWindow_ = nullptr;
    RECT pressRect_{};
};
