#pragma once
// The note-styled pop-up menus: a shadowed menu of 24-pixel items with icons and check images,
// made on demand and deleting itself once closed. The note menu (`TavNoteMenuNote`) adds the
// opacity slider and the group submenu of "添加".
#include "NoteFormat.h"
#include "TavWndMenuItem.h"
#include "TavWndMenuWithShadow.h"
#include "TavWndSlider.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// An item with an optional check image ("check.png") at its right end, or an arrow when it opens a
// submenu.
class TavNoteMenuItem : public TavWndMenuItem {
public:
    TavMemDC renderSelf() override;
    uint64_t keptImageKey() const override;
    void setChecked(bool on) { checked_ = on; }
    bool checked() const { return checked_; }
    void setOpensSubmenu(bool on) { opensSubmenu_ = on; }
    bool opensSubmenu() const { return opensSubmenu_; }
    // The arrow's colour and the column of its point, from the item's right edge.
    static constexpr uint32_t kArrowColor = 0xFF606060;
    static constexpr int kArrowRight = 8;

private:
    bool checked_ = false;
    bool opensSubmenu_ = false;
};

// The opacity slider of a note menu: its position is the transparency (255 - opacity). A move
// posts the menu's
// command target (a note or a text block) 50005 with wParam = the slider's id and lParam = the new opacity.
class TavNoteSliderAlpha : public TavWndSlider {
public:
    TavNoteSliderAlpha();
    void onValueChanged() override;
    void setNote(HWND note) { note_ = note; }

private:
    HWND note_ = nullptr;
};

class TavNoteMenu : public TavWndMenuWithShadow {

public:
    static constexpr int kItemHeight = 24;
    static constexpr int kWidth = 150;      // the narrowest menu
    static constexpr int kTextMargins = 56; // icon column before the text, check or arrow after it
    // The menu's width (without its shadow) once built.
    int width() const { return width_; }

    struct ItemDef {
        int id;
        std::wstring text;
        std::wstring icon;
    };

    TavNoteMenu();
    // Adds items before the window is made (they are laid out top to bottom when it is).
    void addItem(int id, std::wstring text, std::wstring icon = std::wstring());
    void setChecked(int id, bool on) { checks_[id] = on; }
    // Makes the window with its items, unshown; false when it cannot be made.
    bool build(const wchar_t* name, HWND commandTarget);
    // A menu made with `new`: builds, pops up at the screen point and deletes itself once closed
    // (at once when the window cannot be made). Do not touch the object after a false answer.
    bool showAt(HWND owner, int screenX, int screenY);
    TavNoteMenuItem* item(int id);
    // The object id the menu window is made with (0: a new one).
    void setMenuId(int id) { menuId_ = id; }
    const std::vector<ItemDef>& itemDefs() const { return defs_; }
    // Makes the item `id` an opacity row: a slider over it showing `opacity`, never below
    // `minimum`, that reports to the command target with 50005.
    void setOpacityRow(int id, int opacity, int minimum) {
        opacityRow_ = id;
        opacity_ = opacity;
        minOpacity_ = minimum;
    }
    TavNoteSliderAlpha& slider() { return slider_; }

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    // Makes the windows of extra children after the items (the opacity slider).
    virtual void buildExtras();
    virtual void buildSubmenus(HWND commandTarget) { (void)commandTarget; }
    virtual const wchar_t* windowName() const { return L"子标签窗口菜单"; }
    int itemTop(size_t index) const { return shadowWidth() + int(index) * kItemHeight; }

    std::vector<ItemDef> defs_;
    std::vector<std::unique_ptr<TavNoteMenuItem>> items_;
    std::map<int, bool> checks_;
    int menuId_ = 0;
    int width_ = kWidth;
    int opacityRow_ = 0;
    int opacity_ = 255;
    int minOpacity_ = 0;
    TavNoteSliderAlpha slider_;
};

// A group list as a submenu: "系统分组" (first id), then one entry per name.
class TavNoteMenuGroups : public TavNoteMenu {
public:
    void setGroups(const std::vector<std::wstring>& names, int firstId, const std::wstring& systemName);
};

class TavNoteMenuSetPromptSub;

class TavNoteMenuNote : public TavNoteMenu {
public:
    TavNoteMenuNote();
    ~TavNoteMenuNote() override;
    void setOpacity(int alpha) { setOpacityRow(kCmdNoteOpacity, alpha, kMinNoteOpacity); }
    void setGroups(std::vector<std::wstring> names) { groups_ = std::move(names); }
    TavNoteMenuGroups& groupMenu() { return groupMenu_; }
    // The template groups of "保存为模板...": "系统分组" (kCmdTemplateGroupNone), then one entry
    // per name from kCmdTemplateGroupFirst, in the order given.
    void setTemplateGroups(std::vector<std::wstring> names) { templateGroups_ = std::move(names); }
    TavNoteMenuGroups& templateGroupMenu() { return templateGroupMenu_; }
    // The note whose reminder the submenu of "设置提醒..." shows; without it there is no submenu.
    void setReminderNote(std::wstring unique, std::wstring dir) {
        reminderUnique_ = std::move(unique);
        reminderDir_ = std::move(dir);
    }
    // Null until built with a reminder note.
    TavNoteMenuSetPromptSub* reminderMenu() { return reminderMenu_.get(); }

protected:
    void buildSubmenus(HWND commandTarget) override;

private:
    std::vector<std::wstring> groups_;
    TavNoteMenuGroups groupMenu_;
    std::vector<std::wstring> templateGroups_;
    TavNoteMenuGroups templateGroupMenu_;
    std::wstring reminderUnique_;
    std::wstring reminderDir_;
    std::unique_ptr<TavNoteMenuSetPromptSub> reminderMenu_;
};
