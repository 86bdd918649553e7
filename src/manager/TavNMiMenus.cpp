#include "TavNMiMenus.h"

#include "ManagerGroups.h"
#include "NoteExport.h"
#include "TavNMiNote.h"

TavNMiMenuMoveToSub::TavNMiMenuMoveToSub(const std::vector<std::wstring>& groups, bool withSystem) {
    setObjectName(L"TavNMiMenuMoveToSub");
    setGroups(groups, kCmdMgrMoveSystem, withSystem ? std::wstring(kSystemGroupName) : std::wstring());
}

TavNMiMenuDel::TavNMiMenuDel(std::vector<std::wstring> targets) : targets_(std::move(targets)) {
    setObjectName(L"TavNMiMenuDel");
    addItem(kCmdMgrDeleteGroup, L"删除", L"delete.png");
    addItem(kCmdMgrDeleteAndMove, L"删除并移动便签至 ->", L"addnote.png");
}

void TavNMiMenuDel::buildSubmenus(HWND commandTarget) {
    groupMenu_.setGroups(targets_, kCmdMgrMoveSystem, kSystemGroupName);
    if (groupMenu_.build(L"删除并移动子菜单", commandTarget))
        registerSubmenu(kCmdMgrDeleteAndMove, &groupMenu_);
}

TavNMiMenuExport::TavNMiMenuExport() {
    setObjectName(L"TavNMiMenuExport");
    addItem(int(ExportKind::Rtf), L"富文本.rtf", L"rtf.png");
    addItem(int(ExportKind::Text), L"文本.txt", L"txt.png");
    addItem(int(ExportKind::Png), L"图片.png", L"png.png");
}
