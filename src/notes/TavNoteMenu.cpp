#include "TavNoteMenu.h"

#include <algorithm>

#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "MenuPlacement.h"
#include "TavNoteItem.h"
#include "TavNoteMenuSetPromptSub.h"

namespace {
constexpr DWORD kMenuExStyle = WS_EX_TOOLWINDOW | WS_EX_LAYERED;
constexpr int kCheckSize = 16;
} // namespace

TavMemDC TavNoteMenuItem::renderSelf() {
    TavMemDC dc = TavWndMenuItem::renderSelf();
    if (dc && checked_) {
        int x = dc.width() - kCheckSize - 6, y = (dc.height() - kCheckSize) / 2;
        drawImageFile(L"check.png", dc.dc(), x, y, kCheckSize, kCheckSize, handle());
    }
    if (dc && opensSubmenu_) {
        // A small triangle pointing right: 4 pixels wide, 7 high, centred on the row.
        const int tip = dc.width() - kArrowRight, middle = dc.height() / 2;
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = 0; dx <= 3 - (dy < 0 ? -dy : dy); ++dx) {
                int x = tip - 3 + dx, y = middle + dy;
                if (x >= 0 && y >= 0 && x < dc.width() && y < dc.height()) dc.at(x, y) = kArrowColor;
            }
    }
    return dc;
}

uint64_t TavNoteMenuItem::keptImageKey() const {
    const unsigned char marks[2] = {checked_, opensSubmenu_};
    const uint64_t key = TavWndMenuItem::keptImageKey();
    return key ? mixKey(key, marks, sizeof marks) | 1 : 0;
}

TavNoteMenu::TavNoteMenu() { setObjectName(L"TavNoteMenu"); }

void TavNoteMenu::addItem(int id, std::wstring text, std::wstring icon) {
    defs_.push_back(ItemDef{id, std::move(text), std::move(icon)});
}

TavNoteMenuItem* TavNoteMenu::item(int id) {
    for (auto& entry : items_)
        if (entry->objectId() == id) return entry.get();
    return nullptr;
}

bool TavNoteMenu::build(const wchar_t* name, HWND commandTarget) {
    // As wide as the longest text (a long group name is never cut to a sliver), within the work
    // area; a text longer than that ends in "…".
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    auto measure = [](const std::wstring& text) { return int(measureTextFormat(nullptr, text).cx); };
    std::vector<int> widths;
    for (const ItemDef& def : defs_) widths.push_back(measure(def.text));
    width_ = menuWidthFor(widths, kTextMargins, kWidth, int(work.right - work.left) - 2 * shadowWidth());
    const int height = int(defs_.size()) * kItemHeight + 2 * shadowWidth();
    if (!create(menuId_, name, kMenuExStyle, WS_POPUP, 0, 0, width_ + 2 * shadowWidth(), height, nullptr))
        return false;
    for (size_t i = 0; i < defs_.size(); ++i) {
        const ItemDef& def = defs_[i];
        auto entry = std::make_unique<TavNoteMenuItem>();
        const std::wstring text = fitWithEllipsis(def.text, width_ - kTextMargins, measure);
        // The opacity row holds the slider instead of a text.
        if (!entry->create(def.id, text.c_str(), 0, WS_CHILD | WS_VISIBLE, shadowWidth(), itemTop(i), width_,
                           kItemHeight, handle()))
            continue;
        if (!def.icon.empty()) entry->setIcon(def.icon);
        auto check = checks_.find(def.id);
        entry->setChecked(check != checks_.end() && check->second);
        items_.push_back(std::move(entry));
    }
    slider_.setNote(commandTarget);
    buildExtras();
    buildSubmenus(commandTarget);
    for (auto& entry : items_) entry->setOpensSubmenu(submenus().count(entry->objectId()) != 0);
    setCommandTarget(commandTarget);
    return true;
}

LRESULT TavNoteMenu::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // An item's hover can arrive after a click on it has closed the menu (the pointer came to
    // rest on the item just before the click). Opening the item's submenu then would leave it
    // on the screen beside a closed menu, and keep the menu from deleting itself.
    if (message == kTavMsgItemHovered && !(handle() && IsWindowVisible(handle()))) return 0;
    return TavWndMenuWithShadow::windowProc(message, wParam, lParam);
}

bool TavNoteMenu::showAt(HWND owner, int screenX, int screenY) {
    if (!build(windowName(), owner)) {
        delete this;
        return false;
    }
    popUp(screenX, screenY);
    startSelfDestruction();
    return true;
}

void TavNoteMenu::buildExtras() {
    TavNoteMenuItem* row = opacityRow_ ? item(opacityRow_) : nullptr;
    if (!row) return;
    // The slider covers the opacity row; the row itself does nothing when clicked.
    row->enable(false);
    RECT rc{};
    GetWindowRect(row->handle(), &rc);
    MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&rc), 2);
    // The slider's position is the transparency: it stops where the item would fade too far.
    slider_.setRange(0, 255 - minOpacity_);
    slider_.setValue(255 - std::clamp(opacity_, minOpacity_, 255));
    slider_.create(0, L"", 0, WS_CHILD | WS_VISIBLE, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   handle());
}

TavNoteSliderAlpha::TavNoteSliderAlpha() : TavWndSlider(0) { setObjectName(L"TavNoteSliderAlpha"); }

void TavNoteSliderAlpha::onValueChanged() {
    if (note_) PostMessageW(note_, kNoteMsgAlphaChanged, WPARAM(objectId()), LPARAM(255 - value()));
}

void TavNoteMenuGroups::setGroups(const std::vector<std::wstring>& names, int firstId,
                                  const std::wstring& systemName) {
    defs_.clear();
    if (!systemName.empty()) addItem(firstId, systemName);
    for (size_t k = 0; k < names.size() && k < 198; ++k) addItem(firstId + 1 + int(k), names[k]);
}

TavNoteMenuNote::TavNoteMenuNote() {
    setObjectName(L"TavNoteMenuNote");
    addItem(kCmdNoteAdd, L"添加", L"addnote.png");
    addItem(kCmdNoteHide, L"隐藏", L"invisible.png");
    addItem(kCmdNoteDelete, L"删除", L"delete.png");
    addItem(kCmdNoteReminder, L"设置提醒...");
    addItem(kCmdNoteBackground, L"设置背景...", L"images.png");
    addItem(kCmdNoteAddImage, L"添加图像...");
    addItem(kCmdNoteAddText, L"添加文字");
    addItem(kCmdNoteOpacity, L"");
    addItem(kCmdNoteToDesk, L"嵌入桌面");
    addItem(kCmdNoteTopMost, L"置顶显示");
    addItem(kCmdNoteChooseTemplate, L"选择模板...");
    addItem(kCmdNoteSaveTemplate, L"保存为模板...");
    addItem(kCmdNoteManager, L"管理", L"manager.png");
    addItem(kCmdNoteQuit, L"退出");
}

TavNoteMenuNote::~TavNoteMenuNote() = default;

void TavNoteMenuNote::buildSubmenus(HWND commandTarget) {
    groupMenu_.setGroups(groups_, kCmdGroupSystem, L"系统分组");
    if (groupMenu_.build(L"添加便签选择分组子菜单", commandTarget)) registerSubmenu(kCmdNoteAdd, &groupMenu_);
    templateGroupMenu_.setGroups(templateGroups_, kCmdTemplateGroupNone, L"系统分组");
    if (templateGroupMenu_.build(L"添加模板选择分组子菜单", commandTarget))
        registerSubmenu(kCmdNoteSaveTemplate, &templateGroupMenu_);
    if (!reminderUnique_.empty()) {
        reminderMenu_ = std::make_unique<TavNoteMenuSetPromptSub>();
        reminderMenu_->setNote(reminderUnique_, reminderDir_);
        reminderMenu_->setMenuId(kCmdNoteReminderMenu);
        if (reminderMenu_->build(L"设置提醒子菜单", commandTarget))
            registerSubmenu(kCmdNoteReminder, reminderMenu_.get());
    }
}
