#pragma once
// The menu of a note's rich text block: the row icon submenu, delete, the clipboard, font, color
// and the opacity slider. Commands go to the block; closing tells the block (10011, wParam = the
// command chosen, 0 for none) so that a menu dismissed by a click elsewhere ends the block's
// editing.
#include "TavNoteMenu.h"

#include <functional>
#include <string>
#include <vector>

// The icons of the icon folder in a grid; the current one is framed. A click chooses one.
class TavNoteListImage : public TavWnd {
public:
    static constexpr int kCell = 26;
    static constexpr int kIcon = 21;

    TavNoteListImage();
    // Reads the image files of the folder (sorted by name, case ignored) and decodes each once.
    void load(const std::wstring& folder, const std::wstring& current);
    void setOnChosen(std::function<void(const std::wstring&)> chosen) { chosen_ = std::move(chosen); }
    const std::vector<std::wstring>& names() const { return names_; }
    int columns() const { return columns_; }
    void setColumns(int columns) { columns_ = columns < 1 ? 1 : columns; }
    // Rows needed for all icons at the current column count (at least one).
    int rowCount() const;
    // The index of the icon under the client point; -1 when none.
    int indexAt(int x, int y) const;
    void choose(int index);

    TavMemDC renderSelf() override;
    void onLeftButtonUp(WPARAM keys, int x, int y) override;

private:
    std::vector<std::wstring> names_;
    std::vector<TavMemDC> images_;
    std::wstring current_;
    int columns_ = 5;
    std::function<void(const std::wstring&)> chosen_;
};

// The icon submenu: the icon grid above "无" and "管理". Choosing an icon sends the block
// kNoteMsgSetRowIcon with the icon's file name.
class TavRichEditNIMenuMark : public TavNoteMenu {
public:
    TavRichEditNIMenuMark();
    void setCurrentIcon(const std::wstring& name) { current_ = name; }
    TavNoteListImage& list() { return list_; }
    // Closes the menus and gives the block the icon.
    void chooseIcon(const std::wstring& name);

protected:
    void buildExtras() override;
    const wchar_t* windowName() const override { return L"设置提醒子菜单"; }

private:
    std::wstring current_;
    TavNoteListImage list_;
};

class TavRichEditNIMenu : public TavNoteMenu {
public:
    // `opacity`: the block's background opacity; `currentIcon`: the icon of the row under the
    // point (marked in the icon submenu).
    TavRichEditNIMenu(int opacity, std::wstring currentIcon);
    TavRichEditNIMenuMark& iconMenu() { return iconMenu_; }
    void close() override;
    LRESULT runCommand(int itemId, LPARAM argument) override;

protected:
    void buildSubmenus(HWND commandTarget) override;

private:
    std::wstring currentIcon_;
    TavRichEditNIMenuMark iconMenu_;
    int lastCommand_ = 0;
};
