#include "TavNoteMenuTray.h"

#include "TavNoteMain.h"

TavNoteMenuHelp::TavNoteMenuHelp() {
    setObjectName(L"TavNoteMenuHelp");
    addItem(kCmdMainHelp, L"帮助文档", L"help.png");
    addItem(kCmdMainAbout, L"关于 TavNote", L"TavNote.png");
}

TavNoteMenuTray::TavNoteMenuTray(std::vector<std::wstring> groups) : groups_(std::move(groups)) {
    setObjectName(L"TavNoteMenuTray");
    setMenuId(kTrayMenuId);
    addItem(kCmdMainNewNote, L"添加便签", L"addnote.png");
    addItem(kCmdMainManager, L"管理", L"manager.png");
    addItem(kCmdMainHelpMenu, L"帮助");
    addItem(kCmdMainExit, L"退出");
}

void TavNoteMenuTray::buildSubmenus(HWND commandTarget) {
    groupMenu_.setGroups(groups_, kCmdGroupSystem, L"系统分组");
    if (groupMenu_.build(L"添加便签选择分组子菜单", commandTarget))
        registerSubmenu(kCmdMainNewNote, &groupMenu_);
    if (helpMenu_.build(L"帮助子菜单", commandTarget)) registerSubmenu(kCmdMainHelpMenu, &helpMenu_);
}
