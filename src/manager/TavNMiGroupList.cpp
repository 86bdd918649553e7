#include "TavNMiGroupList.h"

#include <algorithm>

#include "ImageFiles.h"
#include "ManagerDraw.h"
#include "ManagerGroups.h"
#include "Messages.h"

TavNMiGroupList::TavNMiGroupList() {
    setObjectName(L"TavNMiGroupList");
    names_ = {kSystemGroupName, kRecycleGroupName};
}

bool TavNMiGroupList::createChild(HWND parent, int id, const RECT& r) {
    return create(id, L"分组显示列表", 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                  r.bottom - r.top, parent);
}

void TavNMiGroupList::setGroups(const std::vector<std::wstring>& userGroups) {
    const std::wstring was = selectedName();
    names_.clear();
    names_.push_back(kSystemGroupName);
    names_.insert(names_.end(), userGroups.begin(), userGroups.end());
    names_.push_back(kRecycleGroupName);
    select(was);
}

void TavNMiGroupList::select(const std::wstring& name) {
    selected_ = 0;
    for (size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name) selected_ = i;
}

std::vector<std::wstring> TavNMiGroupList::userGroups() const {
    if (names_.size() < 2) return {};
    return std::vector<std::wstring>(names_.begin() + 1, names_.end() - 1);
}

void TavNMiGroupList::repaint() {
    if (handle() && redrawAll()) present();
}

void TavNMiGroupList::onClick(WPARAM, int, int y) {
    const int index = (y + offset_) / kRowHeight;
    if (y < 0 || size_t(index) >= names_.size()) return;
    selected_ = size_t(index);
    repaint();
    if (parent_) PostMessageW(parent_->handle(), kManagerMsgReload, 1, 0);
}

void TavNMiGroupList::onMouseWheel(WPARAM, int delta, int, int) {
    RECT rc{};
    GetClientRect(handle(), &rc);
    const int max = std::max(0, int(names_.size()) * kRowHeight - int(rc.bottom));
    offset_ = std::clamp(offset_ - delta / WHEEL_DELTA * kRowHeight * 2, 0, max);
    repaint();
}

TavMemDC TavNMiGroupList::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom, 0xFFF7F7F7);
    if (!dc) return dc;
    for (size_t i = 0; i < names_.size(); ++i) {
        const RECT row{0, int(i) * kRowHeight - offset_, rc.right, int(i + 1) * kRowHeight - offset_};
        if (row.bottom <= 0 || row.top >= rc.bottom) continue;
        const bool on = i == selected_;
        if (on) fillManagerRect(dc.dc(), row, 0xFFFBE3D9);
        if (on) fillManagerRect(dc.dc(), RECT{0, row.top, 4, row.bottom}, 0xFFE1511E);
        const wchar_t* icon = i == 0                   ? L"tavnote.png"
                              : i + 1 == names_.size() ? L"recycle.png"
                                                       : L"manager.png";
        drawImageFile(icon, dc.dc(), 12, row.top + 7, 16, 16, handle());
        drawManagerText(dc.dc(), handle(), names_[i], RECT{36, row.top, rc.right - 6, row.bottom},
                        Gdiplus::StringAlignmentNear, on ? 0xFFB83F12 : 0xFF303030, 13.0f, on);
    }
    frameManagerRect(dc.dc(), rc, 0xFFDDDDDD);
    return dc;
}
