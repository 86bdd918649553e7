#pragma once
// A note's rich text block: the rich text editor as a movable child of the note, with hidden
// scroll bars, a state icon per row in a left margin, its own menu, and growth to fit its text
// within the note. It keeps its rectangle, `rtftext`, `lineheight` and `rowstates` in "<id>.xml"
// of the note folder and its text as RTF in "<id>_rtf".
//
// Leaving the block (the focus goes anywhere but its own scroll bars or menu) saves it; a block
// left empty asks its note to remove it (kNoteMsgRichTextEmpty).
#include "TavNoteChild.h"
#include "TavNoteScrollBar.h"
#include "TavRichEdit.h"

#include <functional>

class XmlDocument;
#include <map>
#include <string>
#include <vector>

class TavRichEditNI : public TavRichEdit, public TavNoteChildItem {
public:
    static constexpr int kMinWidth = 32;
    static constexpr int kIconSize = 21;
    static constexpr int kIconLeft = 7;
    static constexpr int kIconMargin = 32; // the left margin while any row has an icon
    // Shift+Enter starts the next block this far below this one.
    static constexpr int kNextBlockGap = 10;

    // Questions answered without a dialog in tests (an empty function shows the real one).
    struct Dialogs {
        std::function<int(TavRichEditNI&)> confirmDelete; // 1 = OK
        // The chosen font (face, size in pixels, style bits); false when cancelled.
        std::function<bool(TavRichEditNI&, std::wstring& face, float& size, int& style)> chooseFont;
        // The chosen color (0x00BBGGRR); false when cancelled.
        std::function<bool(TavRichEditNI&, COLORREF& color)> chooseColor;
        // Opens the icon folder (the shell's "open" by default).
        std::function<void(const std::wstring& folder)> openFolder;
    };

    TavRichEditNI(std::wstring noteUnique, std::wstring noteFolder);
    ~TavRichEditNI() override;

    // TavNoteChildItem
    TavWnd& childWindow() override { return *this; }
    const wchar_t* childClassName() const override { return L"TavRichEditNI"; }
    bool createInNote(HWND note, int id, const RECT& rect) override;
    void eraseStoredData() override;
    void activateAt(int x, int y) override;

    // Window operations.
    std::wstring GetFilePath() override;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onSized(WPARAM flag, int width, int height) override;
    void onContextMenu(WPARAM window, int screenX, int screenY) override;
    void onGeometryChanged() override;
    void onDestroyed() override;
    TavMemDC renderSelf() override;
    void takeFocus() override;
    bool loseFocus(TavWnd* newFocus) override;
    void onContentChanged() override;

    // Writes the body ("<id>_rtf", only when its bytes changed; an empty block empties it),
    // `rtftext` and `lineheight`. True when something changed.
    bool SaveBody();
    // Rewrites `rowstates`.
    void SaveRowStates();
    // Writes the rectangle in note client coordinates (unchanged rectangles are not written).
    void SaveGeometry();
    // Grows or shrinks the block to its text, within the note's client area.
    void autoSize();

    // Row icons: the caret row's icon (an empty name removes it).
    void setCaretRowIcon(const std::wstring& name);
    std::wstring caretRowIcon() const;
    const std::map<int, std::wstring>& rowIcons() const { return icons_; }
    int leftMargin() const { return doc().marginLeft(); }

    // The menu's commands, also for tests.
    void runCommand(int command);
    void setDialogs(Dialogs dialogs) { dialogs_ = std::move(dialogs); }
    TavNoteScrollBar& verticalBar() { return vbar_; }
    TavNoteScrollBar& horizontalBar() { return hbar_; }

    // The block that is being edited (null when none).
    static TavRichEditNI* activeBlock();

private:
    void onKeyDownMessage(WPARAM key);
    // The focus went to `to`: saves the block, or asks the note to remove it when it is empty.
    void leave();
    bool hasContent() const;
    void loadStored();
    void readRowStates();
    void readLineHeights(const std::vector<int>& heights);
    void onRowsChanged(int index, bool inserted);
    void updateIconMargin();
    void updateScrollBars();
    void onScrolled(int barId);
    void onMenuClosed(int command);
    void applyFont();
    void applyColor();
    void openIconFolder();
    void deleteAfterConfirmation();
    void postToNote(UINT message, WPARAM wParam, LPARAM lParam);
    void drawIcons(const TavMemDC& dc);
    const TavMemDC* iconImage(const std::wstring& name);
    RECT rectInNote() const;
    // Opens the block's file (made when missing) with the cursor inside its root element.
    bool openForWriting(XmlDocument& xml);
    std::wstring bodyPath() const;

    TavNoteScrollBar hbar_{0};
    TavNoteScrollBar vbar_{1};
    std::wstring noteUnique_;
    std::wstring noteFolder_;
    bool focusFlag_ = false;
    std::map<int, std::wstring> icons_;
    // Icons decoded once at icon size; a name that cannot be decoded keeps an empty image.
    std::map<std::wstring, TavMemDC> iconCache_;
    Dialogs dialogs_;
    bool destroying_ = false;
    bool loading_ = false;
    bool sizing_ = false;
    bool editing_ = false;
    bool geometrySaved_ = false;
    RECT lastSaved_{};
    std::vector<int> savedHeights_;
};
