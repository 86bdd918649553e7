#pragma once
// The pop-up menus of the manager's notes page: the delete menu of a group ("删除", and
// "删除并移动便签至 ->" with the group submenu), the group submenu of "移动至-->" and the export
// menu. Each sends its command (10002) to the page.
#include "TavNoteMenu.h"

class TavNMiMenuMoveToSub : public TavNoteMenuGroups {
public:
    // "系统分组" (31000, unless left out), then the groups from 31001.
    TavNMiMenuMoveToSub(const std::vector<std::wstring>& groups, bool withSystem);

protected:
    const wchar_t* windowName() const override { return L"删除菜单"; }
};

class TavNMiMenuDel : public TavNoteMenu {
public:
    explicit TavNMiMenuDel(std::vector<std::wstring> targets);

protected:
    void buildSubmenus(HWND commandTarget) override;
    const wchar_t* windowName() const override { return L"删除分组菜单"; }

private:
    std::vector<std::wstring> targets_;
    TavNoteMenuGroups groupMenu_;
};

class TavNMiMenuExport : public TavNoteMenu {
public:
    TavNMiMenuExport();

protected:
    const wchar_t* windowName() const override { return L"导出菜单"; }
};
