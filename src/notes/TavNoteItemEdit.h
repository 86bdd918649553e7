#pragma once
// A plain text block on a note: one font and one colour for the whole text, growing with its
// text within the note, with thin scroll bars in the text colour when it cannot grow further.
// It keeps `ID`, its rectangle (note client coordinates), `text` and its font and colour in
// "<id>.xml" of the note folder, writing each change at once. Left empty, it asks the note to
// remove it when it loses the focus.
#include "NoteStore.h"
#include "TavEdit.h"
#include "TavNoteChild.h"
#include "TavNoteMenu.h"
#include "TavNoteScrollBar.h"

#include <array>
#include <functional>
#include <utility>
#include <vector>
#include <string>

// The block's context menu: cut, copy, paste, delete, font, colour and the opacity slider.
class TavNoteItemEditMenu : public TavNoteMenu {
public:
    explicit TavNoteItemEditMenu(int opacity);

protected:
    const wchar_t* windowName() const override { return L"子标签编辑控件窗口菜单"; }
};

class TavNoteItemEdit : public TavEdit, public TavNoteChildItem {
public:
    static constexpr uint32_t kDefaultColor = 0xFF000000u;
    static constexpr int kMarginH = 6;
    static constexpr int kMarginV = 5;
    static constexpr int kResizeCorner = 4;
    static constexpr int kMinTextWidth = 12;
    // Font sizes outside this range (in pixels) are taken for damage and give the default.
    static constexpr float kMinFontPixels = 1.0f;
    static constexpr float kMaxFontPixels = 500.0f;

    TavNoteItemEdit(std::wstring noteUnique, std::wstring noteFolder);
    ~TavNoteItemEdit() override;

    // TavNoteChildItem
    TavWnd& childWindow() override { return *this; }
    const wchar_t* childClassName() const override { return L"TavNoteItemEdit"; }
    bool createInNote(HWND note, int id, const RECT& rect) override;
    void eraseStoredData() override;
    void activateAt(int x, int y) override;

    // --- overridden operations ---
    std::wstring GetFilePath() override;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onSized(WPARAM flag, int width, int height) override;
    void onContextMenu(WPARAM window, int screenX, int screenY) override;
    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onCreated() override;
    void onTextChanged() override;
    void onFocusLost(TavWnd* newFocus) override;
    void onScrollChanged() override;

    // --- the block's own operations ---
    // Writes the window rectangle (note client coordinates).
    virtual void SaveGeometry();
    // Reads the block's file: rectangle, text, font and colour. Damaged values keep the
    // defaults; false when there is no readable file.
    virtual bool LoadFromFile();
    // The opacity (alpha byte of the text colour) becomes `alpha`, never below kMinNoteOpacity;
    // the caret and the scroll bars follow, `color` is written and the note told (50006).
    void setTextOpacity(int alpha);
    // A new text colour (its alpha kept at least kMinNoteOpacity); written and told as above.
    void applyColor(uint32_t argb);
    // A new font: written and the block re-measured.
    void applyFont(const TavEditFont& font);
    // Sizes the window to its text within the note (see the rules in the source).
    void autoSize();

    TavNoteScrollBar& verticalBar() { return vbar_; }
    TavNoteScrollBar& horizontalBar() { return hbar_; }
    const TavNoteStore& store() const { return store_; }

    // The questions the block asks; an empty function opens the system dialog. Each returns
    // false when the user cancelled.
    struct Dialogs {
        // In: the current font and colour; out: the chosen ones.
        std::function<bool(TavNoteItemEdit&, TavEditFont&, uint32_t&)> chooseFont;
        // In: the current colour (ARGB) and the shared custom colours; out: the chosen colour.
        std::function<bool(TavNoteItemEdit&, uint32_t&, std::array<COLORREF, 16>&)> chooseColor;
    };
    void setDialogs(Dialogs dialogs) { dialogs_ = std::move(dialogs); }

protected:
    RECT textArea() const override;

private:
    // Sets elements of the root (in this order when they are new) with one save.
    bool writeElements(const std::vector<std::pair<const wchar_t*, std::wstring>>& values);
    std::vector<std::pair<const wchar_t*, std::wstring>> geometryValues() const;
    std::vector<std::pair<const wchar_t*, std::wstring>> fontValues() const;
    void postToNote(UINT message, WPARAM wParam);
    void chooseFontCommand();
    void chooseColorCommand();
    void deleteAllText();
    void layoutBars();
    void applyColorParts();
    bool isOwnMenu(TavWnd* window) const;

    std::wstring noteUnique_;
    std::wstring noteFolder_;
    TavNoteStore store_;
    TavNoteScrollBar vbar_{1};
    TavNoteScrollBar hbar_{0};
    Dialogs dialogs_;
    RECT measured_{};
    bool loading_ = false;
    bool showV_ = false; // the vertical bar is shown (the block reached the note's bottom)
    bool showH_ = false; // the horizontal bar is shown (the block reached the note's right)
};
