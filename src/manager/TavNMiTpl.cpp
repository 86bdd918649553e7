#include "TavNMiTpl.h"

#include <algorithm>
#include <set>

#include "AppPaths.h"
#include "FileDialogs.h"
#include "ManagerDraw.h"
#include "ManagerTemplates.h"
#include "Messages.h"
#include "TavNMiMenus.h"
#include "TavNoteMessageBox.h"
#include "TavNoteModifyTpl.h"
#include "TavNoteNewNameGroup.h"

namespace {

// The page's geometry: the full page, and the chooser's compact one (no tab row, no button band).
struct PageGeometry {
    int listLeft;   // the template list's left edge; the group list fills the space before it
    int top;        // the top of both lists
    int bottomBand; // the band below the lists
};
constexpr PageGeometry kFullPage{200, 44, 36};
constexpr PageGeometry kCompactPage{136, 30, 7};

struct ButtonDef {
    int id;
    const wchar_t* text;
    const wchar_t* icon;
};
constexpr ButtonDef kButtons[] = {
    {kMgrNewGroupId, L"新建分组", L"add.png"},
    {kMgrRenameId, L"重命名", L"rename.png"},
    {kMgrDeleteGroupId, L"删除分组", L"delete.png"},
    {kMgrEmptyRecycleId, L"清空回收站", L"recycle.png"},
    {kTplAddId, L"添加模板", L"add.png"},
    {kTplDeleteId, L"删除模板", L"delete.png"},
    {kMgrInvertId, L"反选", L"reversesel.png"},
    {kMgrSelectAllId, L"全选", L"selectall.png"},
    {kMgrMoveId, L"移动至-->", L"moveto.png"},
    {kMgrRestoreId, L"恢复模板", L"recovery.png"},
};

// Buttons of a group kind: id, left edge from the page's left (>= 0) or right (< 0), width. A
// template in the recycle bin goes back by "恢复模板"; new ones are added to real groups only.
struct Placed {
    int id;
    int left;
    int width;
};
const std::vector<Placed>& layoutOf(const std::wstring& group) {
    static const std::vector<Placed> system{{kMgrNewGroupId, 7, 90},     {kTplAddId, -397, 90},
                                            {kMgrSelectAllId, -307, 60}, {kMgrInvertId, -247, 60},
                                            {kMgrMoveId, -187, 90},      {kTplDeleteId, -97, 90}};
    static const std::vector<Placed> user{{kMgrNewGroupId, 7, 90},     {kMgrDeleteGroupId, 97, 90},
                                          {kMgrRenameId, 187, 90},     {kTplAddId, -397, 90},
                                          {kMgrSelectAllId, -307, 60}, {kMgrInvertId, -247, 60},
                                          {kMgrMoveId, -187, 90},      {kTplDeleteId, -97, 90}};
    static const std::vector<Placed> recycle{{kMgrNewGroupId, 7, 90},         {kMgrRestoreId, -407, 90},
                                             {kMgrEmptyRecycleId, -317, 100}, {kMgrSelectAllId, -217, 60},
                                             {kMgrInvertId, -157, 60},        {kTplDeleteId, -97, 90}};
    if (group == kRecycleGroupName) return recycle;
    if (group == kSystemGroupName) return system;
    return user;
}

bool sameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

} // namespace

TavNMiTpl::TavNMiTpl(std::wstring statePath, TavManagerDialogs dialogs, double scale, HWND notify,
                     UINT notifyMessage)
    : statePath_(std::move(statePath)), dialogs_(std::move(dialogs)), scale_(scale > 0.0 ? scale : 1.0),
      notify_(notify), notifyMessage_(notifyMessage) {
    setObjectName(L"TavNMiTpl");
}

TavNMiTpl::~TavNMiTpl() = default;

bool TavNMiTpl::createChild(HWND parent, int id, const RECT& r) {
    if (!create(id, L"TavNMiTpl", 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                parent))
        return false;
    if (!statePath_.empty()) state_ = loadManagerState(statePath_, kTemplatePageStateKeys);
    HWND self = handle();
    const PageGeometry& g = compact() ? kCompactPage : kFullPage;
    groups_.createChild(self, kMgrGroupListId, RECT{7, g.top, g.listLeft - 8, g.top + 100});
    list_.createChild(self, kTplListId, RECT{g.listLeft, g.top, g.listLeft + 100, g.top + 100});
    if (!compact()) {
        tab_.createChild(self, kTplViewTabId,
                         RECT{g.listLeft, 10, g.listLeft + 2 * TavNMiTab::kTabWidth, 38});
        tab_.setTabs({kViewByDate, kViewFlat});
        for (const ButtonDef& def : kButtons) {
            auto button = std::make_unique<TavNoteBt>(def.text, def.icon);
            button->createChild(self, def.id, RECT{0, 0, 90, 24});
            buttons_[def.id] = std::move(button);
        }
    }
    groups_.setGroups(managerTemplateGroups());
    // The chooser opens where a template can be taken: never in the recycle bin.
    const bool usable = !notify_ || state_.lastSelected != kRecycleGroupName;
    groups_.select(usable ? state_.lastSelected : std::wstring(kSystemGroupName));
    layoutControls();
    reload();
    return true;
}

void TavNMiTpl::onDestroyed() {
    saveState();
    TavWnd::onDestroyed();
}

// The chooser only reads the page's state: what it shows is the manager's choice.
void TavNMiTpl::saveState() {
    if (compact() || statePath_.empty() || !groups_.handle()) return;
    state_.lastSelected = groups_.selectedName();
    saveManagerState(statePath_, state_, kTemplatePageStateKeys);
}

TavNoteBt* TavNMiTpl::button(int id) {
    auto found = buttons_.find(id);
    return found == buttons_.end() ? nullptr : found->second.get();
}

std::wstring TavNMiTpl::currentFolder() const { return managerTemplateGroupFolder(groups_.selectedName()); }

void TavNMiTpl::onSized(WPARAM flag, int width, int height) {
    TavWnd::onSized(flag, width, height);
    layoutControls();
}

void TavNMiTpl::layoutControls() {
    RECT rc{};
    if (!handle() || !GetClientRect(handle(), &rc)) return;
    auto place = [](TavWnd& w, int x, int y, int cx, int cy) {
        if (w.handle()) MoveWindow(w.handle(), x, y, std::max(1, cx), std::max(1, cy), FALSE);
    };
    const PageGeometry& g = compact() ? kCompactPage : kFullPage;
    const int bottom = rc.bottom - g.bottomBand;
    place(groups_, 7, g.top, g.listLeft - 15, bottom - g.top);
    place(list_, g.listLeft, g.top, rc.right - 7 - g.listLeft, bottom - g.top);
    applyButtonLayout();
}

void TavNMiTpl::applyButtonLayout() {
    RECT rc{};
    if (buttons_.empty() || !handle() || !GetClientRect(handle(), &rc)) return;
    const int top = rc.bottom - 28;
    std::set<int> shown;
    for (const Placed& p : layoutOf(groups_.selectedName())) {
        TavNoteBt* b = button(p.id);
        if (!b || !b->handle()) continue;
        const int left = p.left >= 0 ? p.left : rc.right + p.left;
        MoveWindow(b->handle(), left, top, p.width, 24, FALSE);
        shown.insert(p.id);
    }
    for (auto& [id, b] : buttons_)
        if (b->handle()) b->show(shown.count(id) ? SW_SHOW : SW_HIDE);
}

TavMemDC TavNMiTpl::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom, 0xFFFFFFFF);
    if (!dc) return dc;
    const PageGeometry& g = compact() ? kCompactPage : kFullPage;
    const wchar_t* hint = notify_ ? L"双击模板，应用到便签" : L"双击模板，修改图片和大小";
    const RECT hintBox = compact() ? RECT{10, 2, rc.right - 7, g.top - 2} : RECT{10, 10, g.listLeft - 8, 38};
    drawManagerText(dc.dc(), handle(), hint, hintBox, Gdiplus::StringAlignmentNear, 0xFF808080, 12.0f);
    if (!compact())
        fillManagerRect(dc.dc(), RECT{0, rc.bottom - g.bottomBand + 2, rc.right, rc.bottom}, 0xFFF4F4F4);
    return dc;
}

LRESULT TavNMiTpl::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kManagerMsgReload:
    case kNoteMsgManagerRefresh:
        reload();
        return 0;
    case kManagerMsgViewChosen: {
        const std::wstring text = tab_.chosenText();
        state_.groupViews[groups_.selectedName()] = text;
        list_.setView(managerViewFromText(text));
        list_.repaint();
        saveState();
        return 0;
    }
    case kManagerMsgOpenEntry:
        openEntry(size_t(wParam));
        return 0;
    default:
        return TavWnd::windowProc(message, wParam, lParam);
    }
}

LRESULT TavNMiTpl::onCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTavMsgButtonClicked) {
        onButton(int(wParam));
        return 0;
    }
    if (message == kTavMsgCommand) {
        onMenuCommand(int(wParam));
        return 0;
    }
    return TavWnd::onCommand(message, wParam, lParam);
}

void TavNMiTpl::reload() {
    const std::wstring name = groups_.selectedName();
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::vector<ManagerNoteEntry> entries = readManagerTemplateList(managerTemplateGroupFolder(name), now);
    const bool recycle = name == kRecycleGroupName;
    for (ManagerNoteEntry& e : entries) e.recycled = recycle;
    ManagerView chosen = ManagerView::Flat;
    if (!compact()) {
        auto view = state_.groupViews.find(name);
        tab_.choose(view == state_.groupViews.end() ? std::wstring() : view->second);
        chosen = managerViewFromText(tab_.chosenText());
    }
    list_.setEntries(std::move(entries), name);
    if (list_.view() != chosen) list_.setView(chosen);
    applyButtonLayout();
    if (name != state_.lastSelected) saveState();
    if (redrawAll()) present();
}

void TavNMiTpl::selectGroup(const std::wstring& name) {
    groups_.select(name);
    reload();
}

void TavNMiTpl::reloadGroups(const std::wstring& select) {
    groups_.setGroups(managerTemplateGroups());
    if (!select.empty()) groups_.select(select);
    reload();
}

HWND TavNMiTpl::dialogOwner() { return root() ? root()->handle() : handle(); }

int TavNMiTpl::ask(int type, const std::wstring& text) {
    if (dialogs_.message) return dialogs_.message(handle(), type, text);
    TavNoteMessageBox box(type, text, L"TavNote", 300, 120);
    box.setIcon(L"TavNote.png");
    return int(box.runModal(dialogOwner()));
}

std::vector<ManagerNoteEntry> TavNMiTpl::selection(const wchar_t* emptyMessage) {
    std::vector<ManagerNoteEntry> chosen;
    for (size_t index : list_.selectedIndexes()) chosen.push_back(list_.entries()[index]);
    if (chosen.empty()) ask(kBoxOk, emptyMessage);
    return chosen;
}

// --- buttons and menus ---

void TavNMiTpl::onButton(int id) {
    const std::wstring group = groups_.selectedName();
    const bool userGroup = group != kSystemGroupName && group != kRecycleGroupName;
    switch (id) {
    case kMgrNewGroupId:
        newGroup();
        break;
    case kMgrRenameId:
        if (userGroup) renameGroup();
        break;
    case kMgrDeleteGroupId:
        if (userGroup) deleteGroup();
        break;
    case kMgrEmptyRecycleId:
        emptyRecycle();
        break;
    case kTplAddId:
        addTemplate();
        break;
    case kTplDeleteId:
        deleteTemplates();
        break;
    case kMgrRestoreId:
        restoreTemplates();
        break;
    case kMgrMoveId:
        chooseMoveTarget();
        break;
    case kMgrSelectAllId:
        list_.selectAll();
        list_.repaint();
        break;
    case kMgrInvertId:
        list_.invertSelection();
        list_.repaint();
        break;
    default:
        break;
    }
}

void TavNMiTpl::onMenuCommand(int command) {
    if (command < kCmdMgrMoveSystem || command > kCmdMgrMoveLast || !movePending_) return;
    movePending_ = false;
    if (command == kCmdMgrMoveSystem) {
        moveTemplatesTo(kSystemGroupName);
    } else if (size_t k = size_t(command - kCmdMgrMoveSystem - 1); k < menuTargets_.size()) {
        moveTemplatesTo(menuTargets_[k]);
    }
}

void TavNMiTpl::chooseMoveTarget() {
    const std::wstring group = groups_.selectedName();
    if (group == kRecycleGroupName || selection(L"请选择要移动的模板！").empty()) return;
    menuTargets_.clear();
    for (const std::wstring& g : groups_.userGroups())
        if (!sameNameIgnoringCase(g, group)) menuTargets_.push_back(g);
    const bool withSystem = group != kSystemGroupName;
    movePending_ = true;
    if (dialogs_.chooseFromMenu) {
        std::vector<std::pair<int, std::wstring>> entries;
        if (withSystem) entries.push_back({kCmdMgrMoveSystem, kSystemGroupName});
        for (size_t k = 0; k < menuTargets_.size(); ++k)
            entries.push_back({kCmdMgrMoveSystem + 1 + int(k), menuTargets_[k]});
        const int command = dialogs_.chooseFromMenu(entries);
        if (command) onMenuCommand(command);
        movePending_ = false;
    } else if (TavNoteBt* b = button(kMgrMoveId)) {
        RECT r{};
        GetWindowRect(b->handle(), &r);
        (new TavNMiMenuMoveToSub(menuTargets_, withSystem))->showAt(handle(), r.left, r.bottom);
    }
}

void TavNMiTpl::moveTemplatesTo(const std::wstring& target) {
    const std::wstring source = currentFolder();
    if (source.empty()) return;
    for (const ManagerNoteEntry& e : selection(L"请选择要移动的模板！"))
        moveTemplateToGroup(source, e.unique, target);
    reload();
}

void TavNMiTpl::addTemplate() {
    const std::wstring group = groups_.selectedName();
    if (group == kRecycleGroupName) return;
    const std::wstring path = openFileDialog(dialogOwner(), kImageFileFilter, kImageDialogTitle).path;
    if (path.empty()) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    // A file that is no picture leaves nothing behind; the list simply stays as it was.
    if (!addTemplateFromImage(group, path, now).empty()) reload();
}

void TavNMiTpl::deleteTemplates() {
    const auto chosen = selection(L"请选择要删除的模板！");
    if (chosen.empty() || ask(kBoxOk | kBoxCancel, L"确定要删选择的模板吗？") != kNoteResultOk) return;
    const bool recycle = groups_.selectedName() == kRecycleGroupName;
    const std::wstring source = currentFolder();
    for (const ManagerNoteEntry& e : chosen) {
        if (recycle)
            deleteRecycledTemplate(e.unique);
        else if (!source.empty())
            moveTemplateToRecycle(source, e.unique);
    }
    reload();
}

void TavNMiTpl::restoreTemplates() {
    if (groups_.selectedName() != kRecycleGroupName) return;
    const auto chosen = selection(L"请选择要恢复的模板！");
    if (chosen.empty()) return;
    for (const ManagerNoteEntry& e : chosen) restoreTemplate(e.unique);
    // A group made again by the restore is listed.
    reloadGroups(std::wstring());
}

std::wstring
TavNMiTpl::askGroupName(const std::wstring& title, const std::wstring& current,
                        const std::function<GroupNameProblem(const std::wstring&, std::wstring*)>& attempt) {
    return ::askGroupName(dialogOwner(), title, current, attempt, dialogs_.typeName,
                          [this](const std::wstring& text) { ask(kBoxOk, text); });
}

void TavNMiTpl::newGroup() {
    const std::wstring made =
        askGroupName(L"新建分组...", std::wstring(), [](const std::wstring& typed, std::wstring* accepted) {
            return createTemplateGroup(typed, accepted);
        });
    if (!made.empty()) reloadGroups(made);
}

void TavNMiTpl::renameGroup() {
    const std::wstring old = groups_.selectedName();
    // The prompt only checks the name; the folder is made by the rename, which moves the templates.
    const std::wstring name =
        askGroupName(L"重命名...", old, [](const std::wstring& typed, std::wstring* accepted) {
            const std::wstring trimmed = trimGroupName(typed);
            const GroupNameProblem problem = checkGroupNameIn(templates2Directory(), trimmed);
            if (problem == GroupNameProblem::None) *accepted = trimmed;
            return problem;
        });
    if (name.empty()) return;
    std::wstring created;
    const GroupNameProblem problem = renameTemplateGroup(old, name, &created);
    if (problem != GroupNameProblem::None) {
        ask(kBoxOk, groupNameMessage(problem));
        reloadGroups(old);
        return;
    }
    // The view shown now is remembered under the new name.
    if (!statePath_.empty()) removeGroupView(statePath_, old, kTemplatePageStateKeys);
    state_.groupViews.erase(old);
    state_.groupViews[created] = tab_.chosenText();
    groups_.setGroups(managerTemplateGroups());
    groups_.select(created);
    saveState();
    reload();
}

void TavNMiTpl::deleteGroup() {
    const std::wstring name = groups_.selectedName();
    if (ask(kBoxOk | kBoxCancel, L"确定要删选择的分组吗？") != kNoteResultOk) return;
    deleteTemplateGroup(name);
    if (!statePath_.empty()) removeGroupView(statePath_, name, kTemplatePageStateKeys);
    state_.groupViews.erase(name);
    reloadGroups(kSystemGroupName);
}

void TavNMiTpl::emptyRecycle() {
    if (ask(kBoxOk | kBoxCancel, L"确定要清空回收站吗？") != kNoteResultOk) return;
    emptyTemplateRecycleBin();
    reload();
}

void TavNMiTpl::openEntry(size_t index) {
    if (index >= list_.entries().size()) return;
    const ManagerNoteEntry entry = list_.entries()[index];
    const std::wstring group = groups_.selectedName();
    // A recycled template is neither applied nor edited: it is restored first.
    if (group == kRecycleGroupName) return;
    if (notify_) {
        const std::wstring sent = group == kSystemGroupName ? std::wstring() : group;
        // The receiver may close the chooser holding this page: nothing of it is touched after.
        SendMessageW(notify_, notifyMessage_, WPARAM(entry.unique.c_str()), LPARAM(sent.c_str()));
        return;
    }
    if (dialogs_.editTemplate) {
        dialogs_.editTemplate(entry.unique, entry.folder);
    } else {
        TavNoteModifyTpl editor(entry.unique, group);
        editor.runModal(dialogOwner());
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    ManagerNoteEntry again;
    if (readManagerTemplateEntry(entry.folder, entry.unique, now, again) && index < list_.entries().size() &&
        list_.entries()[index].unique == entry.unique)
        list_.updateEntry(index, again);
    list_.repaint();
}
