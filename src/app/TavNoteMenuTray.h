#pragma once
// The tray icon's menu: "添加便签" with the group submenu, "管理", "帮助" with its submenu, "退出".
#include "TavNoteMenu.h"

// "帮助文档" and "关于 TavNote".
class TavNoteMenuHelp : public TavNoteMenu {
public:
    TavNoteMenuHelp();
};

class TavNoteMenuTray : public TavNoteMenu {
public:
    // groups: the folders of the group directory, in listing order (entries 31001, 31002, ...).
    explicit TavNoteMenuTray(std::vector<std::wstring> groups);
    const std::vector<std::wstring>& groups() const { return groups_; }
    TavNoteMenuGroups& groupMenu() { return groupMenu_; }
    TavNoteMenuHelp& helpMenu() { return helpMenu_; }

protected:
    void buildSubmenus(HWND commandTarget) override;
    const wchar_t* windowName() const override { return L"系统托盘菜单"; }

private:
    std::vector<std::wstring> groups_;
    TavNoteMenuGroups groupMenu_;
    TavNoteMenuHelp helpMenu_;
};
