#include "TavNMiNote.h"

#include <algorithm>
#include <set>

#include "AppPaths.h"
#include "FileSystem.h"
#include "ManagerDraw.h"
#include "ManagerFolders.h"
#include "ManagerGroups.h"
#include "Messages.h"
#include "NoteRecycleRequests.h"
#include "NoteStore.h"
#include "TavNMiMenus.h"
#include "TavNoteItem.h"
#include "TavRichEditNI.h"
#include "TavNoteMessageBox.h"
#include "TavNoteNewNameGroup.h"

namespace {

constexpr int kListLeft = 200;
constexpr int kTop = 44;
constexpr int kBottomBand = 36;
constexpr int kSearchWidth = 240;

struct ButtonDef {
    int id;
    const wchar_t* text;
    const wchar_t* icon;
};
constexpr ButtonDef kButtons[] = {
    {kMgrNewGroupId, L"新建分组", L"add.png"},       {kMgrRenameId, L"重命名", L"rename.png"},
    {kMgrDeleteGroupId, L"删除分组", L"delete.png"}, {kMgrEmptyRecycleId, L"清空回收站", L"recycle.png"},
    {kMgrExportId, L"导出便签", L"export.png"},      {kMgrRestoreId, L"恢复便签", L"recovery.png"},
    {kMgrSelectAllId, L"全选", L"selectall.png"},    {kMgrInvertId, L"反选", L"reversesel.png"},
    {kMgrShowId, L"显示便签", L"visible.png"},       {kMgrHideId, L"隐藏便签", L"invisible.png"},
    {kMgrMoveId, L"移动至-->", L"moveto.png"},       {kMgrDeleteNotesId, L"删除便签", L"delete.png"},
};

// Buttons of a group kind: id, left edge from the page's left (>= 0) or right (< 0), width.
struct Placed {
    int id;
    int left;
    int width;
};
const std::vector<Placed>& layoutOf(const std::wstring& group) {
    static const std::vector<Placed> system{{kMgrNewGroupId, 7, 90},     {kMgrExportId, -577, 90},
                                            {kMgrSelectAllId, -487, 60}, {kMgrInvertId, -427, 60},
                                            {kMgrShowId, -367, 90},      {kMgrHideId, -277, 90},
                                            {kMgrMoveId, -187, 90},      {kMgrDeleteNotesId, -97, 90}};
    static const std::vector<Placed> user{{kMgrNewGroupId, 7, 90},     {kMgrDeleteGroupId, 97, 90},
                                          {kMgrRenameId, 187, 90},     {kMgrExportId, -577, 90},
                                          {kMgrSelectAllId, -487, 60}, {kMgrInvertId, -427, 60},
                                          {kMgrShowId, -367, 90},      {kMgrHideId, -277, 90},
                                          {kMgrMoveId, -187, 90},      {kMgrDeleteNotesId, -97, 90}};
    static const std::vector<Placed> recycle{{kMgrNewGroupId, 7, 90},     {kMgrExportId, -587, 90},
                                             {kMgrRestoreId, -497, 90},   {kMgrEmptyRecycleId, -407, 100},
                                             {kMgrSelectAllId, -307, 60}, {kMgrInvertId, -247, 60},
                                             {kMgrMoveId, -187, 90},      {kMgrDeleteNotesId, -97, 90}};
    if (group == kRecycleGroupName) return recycle;
    if (group == kSystemGroupName) return system;
    return user;
}

bool isOpenHere(const ManagerNoteEntry& entry, TavNoteItem** found = nullptr) {
    TavNoteItem* open = TavNoteItem::findByUnique(entry.unique);
    if (!open || !sameFolderPath(open->store().folderPath(), entry.folder + entry.unique)) return false;
    if (found) *found = open;
    return true;
}

// A note opened for editing inside the manager; its picture is kept as its snapshot when it closes
// (a note that is not on the desktop is shown by its snapshot). Opened from a search, the first
// match in each text block is selected, so the words found stand out.
class TavNMiHostedNote : public TavNoteItem {
public:
    TavNMiHostedNote(std::wstring unique, std::wstring query)
        : TavNoteItem(std::move(unique), true), query_(std::move(query)) {}
    void onCreated() override {
        TavNoteItem::onCreated();
        if (!query_.empty()) highlightMatches();
    }
    void cancel() override {
        keepSnapshot();
        TavNoteItem::cancel();
    }
    void accept() override {} // Enter belongs to the text blocks
    // What only a note of the desktop can do is not offered here: the main window does not know
    // this note (deleting, hiding and quitting go through it), and a dialog is not embedded in the
    // desktop.
    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kTavMsgCommand) {
            switch (int(wParam)) {
            case kCmdNoteDelete:
            case kCmdNoteHide:
            case kCmdNoteQuit:
            case kCmdNoteToDesk:
                return 0;
            default:
                break;
            }
        }
        return TavNoteItem::onCommand(message, wParam, lParam);
    }

private:
    void highlightMatches() {
        for (const auto& child : noteChildren()) {
            auto* block = dynamic_cast<TavRichEditNI*>(child.get());
            if (!block) continue;
            TavRichEditDoc& doc = block->doc();
            NoteSearch one;
            one.add(NoteSearchEntry{L"", L"", L"", false, false, doc.text()});
            const std::vector<NoteSearchHit> hits = one.find(query_);
            if (hits.empty() || hits[0].ranges.empty()) continue;
            const NoteTextRange& range = hits[0].ranges[0];
            doc.setSelection(positionOf(doc, int(range.start)),
                             positionOf(doc, int(range.start + range.length)));
            block->repaintNow();
        }
    }
    // The position of a character index of the document's text.
    static TavTextPos positionOf(const TavRichEditDoc& doc, int index) {
        int row = 0;
        for (int r = 1; r < doc.rowCount(); ++r) {
            if (doc.linearIndex(TavTextPos{r, 0}) > index) break;
            row = r;
        }
        return doc.clampPos(TavTextPos{row, index - doc.linearIndex(TavTextPos{row, 0})});
    }
    std::wstring query_;
};

} // namespace

// --- the search box ---

LRESULT TavSearchEdit::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = TavNoteEdit::windowProc(message, wParam, lParam);
    if (message == WM_CHAR || message == WM_KEYDOWN || message == WM_PASTE || message == WM_IME_CHAR ||
        message == WM_SETTEXT) {
        std::wstring now = text();
        if (now != last_) {
            last_ = now;
            if (parent_) PostMessageW(parent_->handle(), kManagerMsgSearch, 0, 0);
        }
    }
    return result;
}

TavMemDC TavSearchEdit::renderSelf() {
    TavMemDC dc = TavNoteEdit::renderSelf();
    if (dc && text().empty() && focusedWindow() != this) {
        RECT rc{};
        GetClientRect(handle(), &rc);
        drawManagerText(dc.dc(), handle(), L"搜索便签：文字或拼音首字母", RECT{6, 0, rc.right - 4, rc.bottom},
                        Gdiplus::StringAlignmentNear, 0xFFA0A0A0, 12.0f);
    }
    return dc;
}

// --- the page ---

TavNMiNote::TavNMiNote(std::wstring statePath, HWND mainWindow, TavManagerDialogs dialogs)
    : statePath_(std::move(statePath)), main_(mainWindow), dialogs_(std::move(dialogs)) {
    setObjectName(L"TavNMiNote");
}

TavNMiNote::~TavNMiNote() = default;

bool TavNMiNote::createChild(HWND parent, int id, const RECT& r) {
    if (!create(id, L"TavNMiNote", 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                r.bottom - r.top, parent))
        return false;
    state_ = loadManagerState(statePath_);
    HWND self = handle();
    groups_.createChild(self, kMgrGroupListId, RECT{7, kTop, kListLeft - 8, kTop + 100});
    tab_.createChild(self, kMgrViewTabId, RECT{kListLeft, 10, kListLeft + 3 * TavNMiTab::kTabWidth, 38});
    tab_.setTabs({kViewByDate, kViewFlat});
    list_.createChild(self, kMgrNoteListId, RECT{kListLeft, kTop, kListLeft + 100, kTop + 100});
    search_.create(kMgrSearchId, L"", 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 10, kSearchWidth, 26, self);
    for (const ButtonDef& def : kButtons) {
        auto button = std::make_unique<TavNoteBt>(def.text, def.icon);
        button->createChild(self, def.id, RECT{0, 0, 90, 24});
        buttons_[def.id] = std::move(button);
    }
    groups_.setGroups(userGroupNames());
    groups_.select(state_.lastSelected);
    layoutControls();
    // The list is there when the manager is first drawn.
    reload();
    return true;
}

void TavNMiNote::onDestroyed() {
    state_.lastSelected = groups_.selectedName();
    if (!statePath_.empty()) saveManagerState(statePath_, state_);
    TavWnd::onDestroyed();
}

TavNoteBt* TavNMiNote::button(int id) {
    auto found = buttons_.find(id);
    return found == buttons_.end() ? nullptr : found->second.get();
}

std::wstring TavNMiNote::currentFolder() const { return managerGroupFolder(groups_.selectedName()); }

void TavNMiNote::onSized(WPARAM flag, int width, int height) {
    TavWnd::onSized(flag, width, height);
    layoutControls();
}

void TavNMiNote::layoutControls() {
    RECT rc{};
    if (!handle() || !GetClientRect(handle(), &rc)) return;
    auto place = [](TavWnd& w, int x, int y, int cx, int cy) {
        if (w.handle()) MoveWindow(w.handle(), x, y, std::max(1, cx), std::max(1, cy), FALSE);
    };
    const int bottom = rc.bottom - kBottomBand;
    place(groups_, 7, kTop, kListLeft - 15, bottom - kTop);
    place(list_, kListLeft, kTop, rc.right - 7 - kListLeft, bottom - kTop);
    place(search_, rc.right - 7 - kSearchWidth, 12, kSearchWidth, 26);
    applyButtonLayout();
}

void TavNMiNote::applyButtonLayout() {
    RECT rc{};
    if (!handle() || !GetClientRect(handle(), &rc)) return;
    const int top = rc.bottom - 28;
    std::set<int> shown;
    for (const Placed& p : layoutOf(groups_.selectedName())) {
        TavNoteBt* b = button(p.id);
        if (!b || !b->handle()) continue;
        const int left = p.left >= 0 ? p.left : rc.right + p.left;
        MoveWindow(b->handle(), left, top, p.width, 24, FALSE);
        shown.insert(p.id);
    }
    for (auto& [id, b] : buttons_) {
        const bool show = shown.count(id) != 0;
        if (b->handle() && ((GetWindowLongW(b->handle(), GWL_STYLE) & WS_VISIBLE) != 0) != show)
            b->show(show ? SW_SHOW : SW_HIDE);
    }
}

uint64_t TavNMiNote::keptImageKey() const {
    RECT rc{};
    GetClientRect(handle(), &rc);
    const uint64_t found = searching() ? uint64_t(list_.entries().size()) + 1 : 0;
    return (found << 32 | uint64_t(rc.right & 0xFFFF) << 16 | uint64_t(rc.bottom & 0xFFFF)) + 1;
}

TavMemDC TavNMiNote::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom, 0xFFFFFFFF);
    if (!dc) return dc;
    drawManagerText(dc.dc(), handle(), searching() ? L"搜索结果（双击修改便签）" : L"双击修改便签",
                    RECT{10, 10, kListLeft - 8, 38}, Gdiplus::StringAlignmentNear, 0xFF808080, 12.0f);
    if (searching()) {
        shownCount_ = list_.entries().size();
        const std::wstring count = L"找到 " + std::to_wstring(shownCount_) + L" 个便签";
        drawManagerText(dc.dc(), handle(), count, countRect(), Gdiplus::StringAlignmentNear, 0xFF404040,
                        13.0f);
    }
    fillManagerRect(dc.dc(), RECT{0, rc.bottom - kBottomBand + 2, rc.right, rc.bottom}, 0xFFF4F4F4);
    return dc;
}

LRESULT TavNMiNote::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kManagerMsgReload:
        // A group chosen in the list ends a search.
        if (wParam == 1 && searching()) {
            search_.reset();
            query_.clear();
        }
        reload();
        return 0;
    case kManagerMsgViewChosen: {
        const std::wstring text = tab_.chosenText();
        if (!searching()) state_.groupViews[groups_.selectedName()] = text;
        list_.setView(managerViewFromText(text));
        list_.repaint();
        return 0;
    }
    case kManagerMsgOpenEntry:
        openEntry(size_t(wParam));
        return 0;
    case kManagerMsgSearch:
        setSearchText(search_.text());
        return 0;
    default:
        return TavWnd::windowProc(message, wParam, lParam);
    }
}

LRESULT TavNMiNote::onCommand(UINT message, WPARAM wParam, LPARAM lParam) {
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

void TavNMiNote::reload() {
    if (searching()) {
        searchEntries_.clear(); // after a change the files are read again
        showingSearch_ = false; // and the whole page is drawn
        runSearch();
        return;
    }
    showingSearch_ = false;
    const std::wstring name = groups_.selectedName();
    const bool recycle = name == kRecycleGroupName;
    std::vector<ManagerNoteEntry> entries = readManagerNoteList(managerGroupFolder(name));
    for (ManagerNoteEntry& e : entries) e.recycled = recycle;
    if (recycle)
        tab_.setTabs({kViewByDate, kViewFlat, kViewByGroup});
    else
        tab_.setTabs({kViewByDate, kViewFlat});
    auto view = state_.groupViews.find(name);
    tab_.choose(view == state_.groupViews.end() ? std::wstring() : view->second);
    const ManagerView chosen = managerViewFromText(tab_.chosenText());
    list_.setEntries(std::move(entries), name);
    if (list_.view() != chosen) list_.setView(chosen);
    applyButtonLayout();
    paint();
}

void TavNMiNote::paint() {
    if (root() && IsWindowVisible(root()->handle()) && redrawAll()) present();
}

void TavNMiNote::selectGroup(const std::wstring& name) {
    groups_.select(name);
    reload();
}

int TavNMiNote::ask(int type, const std::wstring& text) {
    if (dialogs_.message) return dialogs_.message(handle(), type, text);
    TavNoteMessageBox box(type, text, L"TavNote", 300, 120);
    box.setIcon(L"TavNote.png");
    return int(box.runModal(root() ? root()->handle() : handle()));
}

std::vector<ManagerNoteEntry> TavNMiNote::selection(const wchar_t* emptyMessage) {
    // Copies: a question asked meanwhile may see the list read again.
    std::vector<ManagerNoteEntry> chosen;
    for (size_t index : list_.selectedIndexes()) chosen.push_back(list_.entries()[index]);
    if (chosen.empty()) ask(kBoxOk, emptyMessage);
    return chosen;
}

int TavNMiNote::chooseMenu(int anchorId, const std::vector<std::pair<int, std::wstring>>& entries,
                           const std::vector<std::wstring>& icons) {
    (void)icons;
    if (dialogs_.chooseFromMenu) {
        const int command = dialogs_.chooseFromMenu(entries);
        if (command) onMenuCommand(command);
        return command;
    }
    (void)anchorId;
    return 0;
}

void TavNMiNote::tellMain(UINT message) {
    if (main_ && IsWindow(main_)) PostMessageW(main_, message, 0, 0);
}

std::vector<std::wstring> TavNMiNote::moveTargets(const std::wstring& leaveOut) const {
    std::vector<std::wstring> targets;
    for (const std::wstring& g : groups_.userGroups())
        if (_wcsicmp(g.c_str(), leaveOut.c_str()) != 0) targets.push_back(g);
    return targets;
}

std::vector<std::wstring> TavNMiNote::closeOpenNotes(const std::vector<ManagerNoteEntry>& entries) {
    std::vector<std::wstring> closed;
    for (const ManagerNoteEntry& e : entries) {
        TavNoteItem* open = nullptr;
        if (!isOpenHere(e, &open)) continue;
        // The main window hides it with its snapshot and closes it: nothing writes into the folder
        // while it moves.
        if (main_ && IsWindow(main_)) SendMessageW(main_, kTavMsgCommand, kCmdNoteHide, open->objectId());
        if (!isOpenHere(e)) closed.push_back(e.unique);
    }
    return closed;
}

bool TavNMiNote::anyOpen(const std::vector<ManagerNoteEntry>& entries) const {
    return std::any_of(entries.begin(), entries.end(),
                       [](const ManagerNoteEntry& e) { return isOpenHere(e); });
}

// --- buttons and menus ---

void TavNMiNote::onButton(int id) {
    const std::wstring group = groups_.selectedName();
    const bool userGroup = group != kSystemGroupName && group != kRecycleGroupName;
    switch (id) {
    case kMgrNewGroupId:
        newGroup();
        break;
    case kMgrRenameId:
        if (userGroup) renameGroup();
        break;
    case kMgrDeleteGroupId: {
        if (!userGroup) break;
        pending_ = Pending::DeleteGroup;
        menuTargets_ = moveTargets(group);
        if (dialogs_.chooseFromMenu) {
            std::vector<std::pair<int, std::wstring>> entries{{kCmdMgrDeleteGroup, L"删除"},
                                                              {kCmdMgrMoveSystem, kSystemGroupName}};
            for (size_t k = 0; k < menuTargets_.size(); ++k)
                entries.push_back({kCmdMgrMoveSystem + 1 + int(k), menuTargets_[k]});
            chooseMenu(id, entries, {});
        } else if (TavNoteBt* b = button(id)) {
            RECT r{};
            GetWindowRect(b->handle(), &r);
            (new TavNMiMenuDel(menuTargets_))->showAt(handle(), r.left, r.bottom);
        }
        break;
    }
    case kMgrEmptyRecycleId:
        emptyRecycle();
        break;
    case kMgrDeleteNotesId:
        deleteNotes();
        break;
    case kMgrRestoreId:
        restoreNotes();
        break;
    case kMgrSelectAllId:
        list_.selectAll();
        list_.repaint();
        break;
    case kMgrInvertId:
        list_.invertSelection();
        list_.repaint();
        break;
    case kMgrShowId:
        showNotesCommand(true);
        break;
    case kMgrHideId:
        showNotesCommand(false);
        break;
    case kMgrMoveId: {
        if (selection(L"请选择要移动的便签！").empty()) break;
        pending_ = Pending::MoveNotes;
        const bool fromSystem = group == kSystemGroupName && !searching();
        menuTargets_ = moveTargets(searching() ? std::wstring() : group);
        if (dialogs_.chooseFromMenu) {
            std::vector<std::pair<int, std::wstring>> entries;
            if (!fromSystem) entries.push_back({kCmdMgrMoveSystem, kSystemGroupName});
            for (size_t k = 0; k < menuTargets_.size(); ++k)
                entries.push_back({kCmdMgrMoveSystem + 1 + int(k), menuTargets_[k]});
            chooseMenu(id, entries, {});
        } else if (TavNoteBt* b = button(id)) {
            RECT r{};
            GetWindowRect(b->handle(), &r);
            (new TavNMiMenuMoveToSub(menuTargets_, !fromSystem))->showAt(handle(), r.left, r.bottom);
        }
        break;
    }
    case kMgrExportId: {
        if (selection(L"请选择要导出的便签！").empty()) break;
        if (dialogs_.chooseFromMenu) {
            chooseMenu(id,
                       {{int(ExportKind::Rtf), L"富文本.rtf"},
                        {int(ExportKind::Text), L"文本.txt"},
                        {int(ExportKind::Png), L"图片.png"}},
                       {});
        } else if (TavNoteBt* b = button(id)) {
            RECT r{};
            GetWindowRect(b->handle(), &r);
            (new TavNMiMenuExport())->showAt(handle(), r.left, r.bottom);
        }
        break;
    }
    default:
        break;
    }
}

void TavNMiNote::onMenuCommand(int command) {
    if (command == kCmdMgrDeleteGroup && pending_ == Pending::DeleteGroup) {
        pending_ = Pending::None;
        if (ask(kBoxOk | kBoxCancel, L"确定要删选择的分组吗？") == kNoteResultOk) deleteGroup(nullptr);
        return;
    }
    if (command >= kCmdMgrMoveSystem && command <= kCmdMgrMoveLast) {
        std::wstring target;
        if (command == kCmdMgrMoveSystem) {
            target = kSystemGroupName;
        } else if (size_t(command - kCmdMgrMoveSystem - 1) < menuTargets_.size()) {
            target = menuTargets_[size_t(command - kCmdMgrMoveSystem - 1)];
        } else {
            return;
        }
        const Pending pending = pending_;
        pending_ = Pending::None;
        if (pending == Pending::DeleteGroup) deleteGroup(&target);
        if (pending == Pending::MoveNotes) moveNotesTo(target);
        return;
    }
    if (command == int(ExportKind::Rtf) || command == int(ExportKind::Text) ||
        command == int(ExportKind::Png))
        exportNotes(ExportKind(command));
}

std::wstring
TavNMiNote::askGroupName(const std::wstring& title, const std::wstring& current,
                         const std::function<GroupNameProblem(const std::wstring&, std::wstring*)>& attempt) {
    return ::askGroupName((root() ? root()->handle() : handle()), title, current, attempt, dialogs_.typeName,
                          [this](const std::wstring& text) { ask(kBoxOk, text); });
}

void TavNMiNote::newGroup() {
    const std::wstring made =
        askGroupName(L"新建分组...", std::wstring(), [](const std::wstring& typed, std::wstring* accepted) {
            return createGroup(typed, accepted);
        });
    if (made.empty()) return;
    groups_.setGroups(userGroupNames());
    paint();
}

void TavNMiNote::renameGroup() {
    const std::wstring old = groups_.selectedName();
    const std::wstring name =
        askGroupName(L"重命名...", old, [](const std::wstring& typed, std::wstring* accepted) {
            const std::wstring trimmed = trimGroupName(typed);
            const GroupNameProblem problem = checkGroupName(trimmed);
            if (problem == GroupNameProblem::None) *accepted = trimmed;
            return problem;
        });
    if (name.empty()) return;
    // The group's notes as they are on disk now (the list may show a search, or be older than a
    // note added to the group meanwhile).
    const std::vector<ManagerNoteEntry> all = readManagerNoteList(managerGroupFolder(old));
    const std::vector<std::wstring> closed = closeOpenNotes(all);
    std::wstring created;
    // A note still open would go on writing into the old folder: nothing moves then.
    const GroupNameProblem problem =
        anyOpen(all) ? GroupNameProblem::Illegal : ::renameGroup(old, name, &created);
    if (problem != GroupNameProblem::None) {
        ask(kBoxOk, groupNameMessage(problem));
    } else {
        removeGroupView(statePath_, old);
        state_.groupViews.erase(old);
        state_.groupViews[created] = tab_.chosenText();
        state_.lastSelected = created;
        saveManagerState(statePath_, state_);
    }
    // The notes closed come back wherever they are now (a note that could not move stayed).
    if (!created.empty()) showNotes(managerGroupFolder(created), closed);
    showNotes(managerGroupFolder(old), closed);
    groups_.setGroups(userGroupNames());
    groups_.select(problem == GroupNameProblem::None ? created : old);
    gathered_ = false;
    tellMain(kNoteMsgReload);
    PostMessageW(handle(), kManagerMsgReload, 0, 0);
}

void TavNMiNote::deleteGroup(const std::wstring* moveTo) {
    const std::wstring name = groups_.selectedName();
    if (name == kSystemGroupName || name == kRecycleGroupName) return;
    const std::vector<ManagerNoteEntry> all = readManagerNoteList(managerGroupFolder(name));
    std::vector<std::wstring> closed;
    if (moveTo) {
        closed = closeOpenNotes(all);
    } else if (main_ && IsWindow(main_)) {
        // The open notes go to the recycle bin by the main window, which closes them.
        std::set<std::wstring> names;
        for (const ManagerNoteEntry& e : all)
            if (isOpenHere(e)) names.insert(e.unique);
        if (!names.empty() && postRecycleByName(main_, names))
            SendMessageW(main_, kNoteMsgRecycleByName, 0, 0);
    }
    // A note still open would go on writing into the folder: the group stays then.
    if (anyOpen(all)) {
        if (!closed.empty()) showNotes(managerGroupFolder(name), closed);
        tellMain(kNoteMsgReload);
        return;
    }
    std::vector<std::wstring> moved;
    ::deleteGroup(name, moveTo, &moved);
    if (moveTo && !closed.empty()) {
        // Under its own name, or "<name>_<n>" when that was taken in the target.
        std::vector<std::wstring> reopen;
        for (const std::wstring& m : moved)
            for (const std::wstring& c : closed)
                if (m == c || m.rfind(c + L"_", 0) == 0) reopen.push_back(m);
        showNotes(managerGroupFolder(*moveTo), reopen);
        showNotes(managerGroupFolder(name), closed); // any that could not move
    }
    removeGroupView(statePath_, name);
    state_.groupViews.erase(name);
    groups_.setGroups(userGroupNames());
    groups_.select(kSystemGroupName);
    if (moveTo) tellMain(kNoteMsgReload);
    gathered_ = false;
    PostMessageW(handle(), kManagerMsgReload, 0, 0);
}

void TavNMiNote::emptyRecycle() {
    if (ask(kBoxOk | kBoxCancel, L"确定要清空回收站吗？") != kNoteResultOk) return;
    emptyRecycleBin();
    gathered_ = false;
    reload();
}

void TavNMiNote::deleteNotes() {
    const std::vector<ManagerNoteEntry> chosen = selection(L"请选择要删除的便签！");
    if (chosen.empty() || ask(kBoxOk | kBoxCancel, L"确定要删选择的便签吗？") != kNoteResultOk) return;
    std::set<std::wstring> open;
    for (const ManagerNoteEntry& e : chosen)
        if (!e.recycled && isOpenHere(e)) open.insert(e.unique);
    if (!open.empty() && main_ && IsWindow(main_) && postRecycleByName(main_, open))
        SendMessageW(main_, kNoteMsgRecycleByName, 0, 0);
    for (const ManagerNoteEntry& e : chosen) {
        if (e.recycled) {
            // For good only in the recycle bin itself: a search lists recycled notes beside the
            // others, and deleting there moves notes to the bin, never out of it.
            if (!searching()) deleteRecycledNote(e.unique);
        } else if (GetFileAttributesW((e.folder + e.unique).c_str()) != INVALID_FILE_ATTRIBUTES &&
                   !isOpenHere(e)) {
            moveNoteToRecycle(e.folder, e.unique);
        }
    }
    gathered_ = false;
    PostMessageW(handle(), kManagerMsgReload, 0, 0);
}

void TavNMiNote::restoreNotes() {
    const std::vector<ManagerNoteEntry> chosen = selection(L"请选择要恢复的便签！");
    if (chosen.empty()) return;
    for (const ManagerNoteEntry& e : chosen)
        if (e.recycled) restoreNote(e.unique);
    groups_.setGroups(userGroupNames());
    gathered_ = false;
    PostMessageW(handle(), kManagerMsgReload, 0, 0);
    tellMain(kNoteMsgReload);
}

void TavNMiNote::showNotesCommand(bool show) {
    const std::vector<ManagerNoteEntry> chosen =
        selection(show ? L"请选择要显示的便签！" : L"请选择要隐藏的便签！");
    if (chosen.empty()) return;
    std::vector<ManagerNoteEntry> live;
    for (const ManagerNoteEntry& e : chosen)
        if (!e.recycled) live.push_back(e);
    if (show) {
        std::map<std::wstring, std::vector<std::wstring>> byFolder;
        for (const ManagerNoteEntry& e : live) byFolder[e.folder].push_back(e.unique);
        for (const auto& [folder, uniques] : byFolder) showNotes(folder, uniques);
    } else {
        closeOpenNotes(live);
        // A note that is not open (no program running it) is marked in its file.
        for (const ManagerNoteEntry& e : live)
            if (!isOpenHere(e) && !e.hidden) TavNoteStore(e.unique, e.folder, 0).SaveHidden(true);
    }
    PostMessageW(handle(), kManagerMsgReload, 0, 0);
    tellMain(kNoteMsgReload);
}

void TavNMiNote::moveNotesTo(const std::wstring& target) {
    const std::wstring targetFolder = managerGroupFolder(target);
    if (targetFolder.empty()) return;
    std::vector<ManagerNoteEntry> moving;
    for (size_t index : list_.selectedIndexes()) {
        const ManagerNoteEntry& e = list_.entries()[index];
        if (!sameFolderPath(e.folder, targetFolder)) moving.push_back(e);
    }
    if (moving.empty()) return;
    const std::vector<std::wstring> closed = closeOpenNotes(moving);
    std::vector<std::wstring> reopen;
    for (const ManagerNoteEntry& e : moving) {
        if (isOpenHere(e)) continue; // its window would go on writing into the old folder
        NoteMoveResult result = moveNoteToGroup(e.folder, e.unique, target);
        if (!result.name.empty() && std::find(closed.begin(), closed.end(), e.unique) != closed.end())
            reopen.push_back(result.name);
    }
    if (!reopen.empty()) showNotes(targetFolder, reopen);
    gathered_ = false;
    PostMessageW(handle(), kManagerMsgReload, 0, 0);
    tellMain(kNoteMsgReload);
}

void TavNMiNote::exportNotes(ExportKind kind) {
    const std::vector<ManagerNoteEntry> chosen = selection(L"请选择要导出的便签！");
    if (chosen.empty()) return;
    std::vector<std::pair<std::wstring, std::wstring>> notes;
    for (const ManagerNoteEntry& e : chosen) notes.push_back({e.folder, e.unique});
    runNoteExport(root() ? root()->handle() : handle(), kind, notes, dialogs_.exportDialogs);
}

void TavNMiNote::openEntry(size_t index) {
    if (index >= list_.entries().size()) return;
    const ManagerNoteEntry entry = list_.entries()[index];
    if (isOpenHere(entry)) {
        ask(kBoxOk, L"这个便签已经打开了！");
        return;
    }
    if (dialogs_.editNote) {
        dialogs_.editNote(entry.unique, entry.folder);
    } else {
        TavNMiHostedNote note(entry.unique, query_);
        const bool system = sameFolderPath(entry.folder, noteItemsDirectory());
        note.SetGroup(entry.group);
        note.SetBaseDir(system ? std::wstring() : entry.folder);
        TavWnd::runModal(&note, root() ? root()->handle() : handle(), 0);
    }
    ManagerNoteEntry again;
    if (readManagerNoteEntry(entry.folder, entry.unique, again)) {
        again.recycled = entry.recycled;
        if (searching()) searchIndex_.refresh(entry.folder, entry.unique);
        if (index < list_.entries().size() && list_.entries()[index].unique == entry.unique)
            list_.updateEntry(index, again);
    }
    paint();
}

// --- search ---

void TavNMiNote::setSearchText(const std::wstring& text) {
    const std::wstring trimmed = trimGroupName(text);
    if (trimmed == query_) return;
    const bool was = searching();
    query_ = trimmed;
    if (!searching()) {
        if (was) reload();
        return;
    }
    runSearch();
}

void TavNMiNote::runSearch() {
    if (!gathered_) {
        searchIndex_.gather();
        searchEntries_.clear();
        gathered_ = true;
    }
    std::vector<ManagerNoteEntry> found;
    for (const NoteSearchHit& hit : searchIndex_.find(query_)) {
        const NoteSearchEntry& s = searchIndex_.entries()[hit.entry];
        // Each note's file is read once per search, not at every keystroke.
        auto known = searchEntries_.find(s.folder + s.unique);
        if (known == searchEntries_.end()) {
            ManagerNoteEntry read;
            if (!readManagerNoteEntry(s.folder, s.unique, read)) continue;
            known = searchEntries_.emplace(s.folder + s.unique, std::move(read)).first;
        }
        ManagerNoteEntry entry = known->second;
        entry.recycled = s.recycled;
        // Sections say where each note is; a recycled note is marked as such.
        if (s.recycled)
            entry.section = std::wstring(kRecycleGroupName) + L"（原" +
                            (s.group.empty() ? std::wstring(kSystemGroupName) : s.group) + L"）";
        found.push_back(std::move(entry));
    }
    const bool shown = showingSearch_;
    showingSearch_ = true;
    list_.setEntries(std::move(found), L"\nsearch");
    if (shown) {
        // Typing on: only the list and the count change.
        if (!root() || !IsWindowVisible(root()->handle())) return;
        RECT changed{};
        GetWindowRect(list_.handle(), &changed);
        if (!list_.redrawAll()) return;
        if (list_.entries().size() != shownCount_) {
            RECT count = countRect();
            MapWindowPoints(handle(), nullptr, reinterpret_cast<POINT*>(&count), 2);
            if (!redrawScreenRect(count.left, count.top, count.right, count.bottom)) return;
            UnionRect(&changed, &changed, &count);
        }
        presentChanged(changed);
        return;
    }
    tab_.setTabs({kViewByGroup});
    list_.setView(ManagerView::ByGroup);
    applyButtonLayout();
    paint();
}

RECT TavNMiNote::countRect() const {
    const int left = kListLeft + 3 * TavNMiTab::kTabWidth + 12;
    return RECT{left, 10, left + 200, 38};
}
