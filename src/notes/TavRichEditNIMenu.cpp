#include "TavRichEditNIMenu.h"

#include <algorithm>

#include "AppPaths.h"
#include "FileSystem.h"
#include "ImageFiles.h"
#include "Settings.h"
#include "TavGlyph.h"

namespace {

bool isIconFileName(const std::wstring& name) {
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos) return false;
    std::wstring ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](wchar_t c) { return wchar_t(towlower(c)); });
    return ext == L"png" || ext == L"ico" || ext == L"bmp" || ext == L"gif" || ext == L"jpg" ||
           ext == L"jpeg";
}

bool lessNoCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_LESS_THAN;
}

bool sameNoCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// At most this many icons are listed: the grid stays within a screen.
constexpr size_t kMaxIcons = 200;

} // namespace

// --- the icon grid ---

TavNoteListImage::TavNoteListImage() { setObjectName(L"TavNoteListImage"); }

void TavNoteListImage::load(const std::wstring& folder, const std::wstring& current) {
    names_.clear();
    images_.clear();
    current_ = current;
    if (folder.empty()) return;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        const std::wstring name = data.cFileName;
        if (isPlainFileName(name) && isIconFileName(name)) names_.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    // The order of a folder listing differs between systems.
    std::sort(names_.begin(), names_.end(), lessNoCase);
    if (names_.size() > kMaxIcons) names_.resize(kMaxIcons);
    for (const std::wstring& name : names_) {
        TavMemDC image = createMemoryDC(nullptr, kIcon, kIcon);
        if (image && !drawImageFile(folder + name, image.dc(), 0, 0, kIcon, kIcon)) image = TavMemDC();
        images_.push_back(std::move(image));
    }
}

int TavNoteListImage::rowCount() const { return std::max(1, (int(names_.size()) + columns_ - 1) / columns_); }

int TavNoteListImage::indexAt(int x, int y) const {
    if (x < 0 || y < 0) return -1;
    const int column = x / kCell, row = y / kCell;
    if (column >= columns_) return -1;
    const int index = row * columns_ + column;
    return index < int(names_.size()) ? index : -1;
}

void TavNoteListImage::choose(int index) {
    if (index < 0 || index >= int(names_.size()) || !chosen_) return;
    // The handler closes the menu: the name is copied first.
    const std::wstring name = names_[size_t(index)];
    chosen_(name);
}

void TavNoteListImage::onLeftButtonUp(WPARAM keys, int x, int y) {
    TavWnd::onLeftButtonUp(keys, x, y);
    choose(indexAt(x, y));
}

TavMemDC TavNoteListImage::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom, 0xFFFFFFFF);
    if (!dc) return dc;
    const uint32_t frame = premultiply(settings().borderMenuColor | 0xFF000000u);
    for (size_t i = 0; i < names_.size(); ++i) {
        const int x = int(i) % columns_ * kCell, y = int(i) / columns_ * kCell;
        const int pad = (kCell - kIcon) / 2;
        if (images_[i])
            blendPremultiplied(dc, RECT{0, 0, dc.width(), dc.height()}, images_[i], x + pad, y + pad, 255);
        if (!current_.empty() && sameNoCase(names_[i], current_)) {
            for (int k = 0; k < kCell; ++k) {
                if (x + k < dc.width() && y + kCell - 1 < dc.height()) {
                    dc.at(x + k, y) = frame;
                    dc.at(x + k, y + kCell - 1) = frame;
                }
                if (y + k < dc.height() && x + kCell - 1 < dc.width()) {
                    dc.at(x, y + k) = frame;
                    dc.at(x + kCell - 1, y + k) = frame;
                }
            }
        }
    }
    return dc;
}

// --- the icon submenu ---

TavRichEditNIMenuMark::TavRichEditNIMenuMark() {
    setObjectName(L"TavRichEditNIMenuMark");
    addItem(kCmdIconNone, L"无");
    addItem(kCmdIconManage, L"管理");
}

void TavRichEditNIMenuMark::buildExtras() {
    TavNoteMenu::buildExtras();
    list_.setColumns(width() / TavNoteListImage::kCell);
    list_.load(iconDirectory(), current_);
    const int listHeight = list_.rowCount() * TavNoteListImage::kCell;
    // The grid goes above the items: the menu grows and the items move down.
    RECT rc{};
    GetWindowRect(handle(), &rc);
    SetWindowPos(handle(), nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top + listHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (auto& entry : items_) {
        RECT ir{};
        GetWindowRect(entry->handle(), &ir);
        MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&ir), 2);
        MoveWindow(entry->handle(), ir.left, ir.top + listHeight, ir.right - ir.left, ir.bottom - ir.top,
                   FALSE);
    }
    list_.create(0, L"", 0, WS_CHILD | WS_VISIBLE, shadowWidth(), shadowWidth(), width(), listHeight,
                 handle());
    list_.setOnChosen([this](const std::wstring& name) { chooseIcon(name); });
}

void TavRichEditNIMenuMark::chooseIcon(const std::wstring& name) {
    const HWND target = commandTarget();
    const std::wstring chosen = name;
    // The menus close first, as for any command.
    loseFocus(nullptr);
    if (target) SendMessageW(target, kNoteMsgSetRowIcon, reinterpret_cast<WPARAM>(chosen.c_str()), 0);
}

// --- the block menu ---

TavRichEditNIMenu::TavRichEditNIMenu(int opacity, std::wstring currentIcon)
    : currentIcon_(std::move(currentIcon)) {
    setObjectName(L"TavRichEditNIMenu");
    addItem(kCmdBlockIcon, L"设置图标");
    addItem(kCmdBlockDelete, L"删除", L"delete.png");
    addItem(kCmdBlockCut, L"剪切", L"cut.png");
    addItem(kCmdBlockCopy, L"复制", L"copy.png");
    addItem(kCmdBlockPaste, L"粘贴", L"paste.png");
    addItem(kCmdBlockFont, L"字体");
    addItem(kCmdBlockColor, L"颜色");
    addItem(kCmdBlockOpacity, L"");
    setOpacityRow(kCmdBlockOpacity, opacity, 0);
}

void TavRichEditNIMenu::buildSubmenus(HWND commandTarget) {
    iconMenu_.setCurrentIcon(currentIcon_);
    iconMenu_.setMenuId(kCmdBlockIconMenu);
    if (iconMenu_.build(L"设置提醒子菜单", commandTarget)) registerSubmenu(kCmdBlockIcon, &iconMenu_);
}

LRESULT TavRichEditNIMenu::runCommand(int itemId, LPARAM argument) {
    // "设置图标" only opens its icon list: a click on it must not close the menu.
    if (itemId == kCmdBlockIcon) {
        if (TavNoteMenuItem* row = item(kCmdBlockIcon)) switchToItem(kCmdBlockIcon, row->handle());
        return 0;
    }
    lastCommand_ = itemId;
    return TavNoteMenu::runCommand(itemId, argument);
}

void TavRichEditNIMenu::close() {
    const bool wasShown = handle() && IsWindowVisible(handle());
    TavNoteMenu::close();
    if (wasShown && commandTarget())
        PostMessageW(commandTarget(), kTavMsgScrollLostFocus, WPARAM(lastCommand_), 0);
}
