#pragma once
// The group list at the left of a manager page: "系统分组", the user groups, "回收站". A click
// selects a group and posts kManagerMsgReload to the parent.
#include "TavWnd.h"

#include <string>
#include <vector>

class TavNMiGroupList : public TavWnd {
public:
    static constexpr int kRowHeight = 30;

    TavNMiGroupList();
    bool createChild(HWND parent, int id, const RECT& rect);
    // The user groups between the two fixed entries; the selection stays on the same name when
    // it is still listed, else goes to the first entry.
    void setGroups(const std::vector<std::wstring>& userGroups);
    const std::vector<std::wstring>& names() const { return names_; }
    // Selects the entry of the name (the first entry when none has it); nothing is posted or drawn
    // (the owner draws once after its changes; so does setGroups).
    void select(const std::wstring& name);
    std::wstring selectedName() const {
        return selected_ < names_.size() ? names_[selected_] : std::wstring();
    }
    // The user groups as listed (move targets).
    std::vector<std::wstring> userGroups() const;

    void onClick(WPARAM keys, int x, int y) override;
    void onMouseWheel(WPARAM keys, int delta, int screenX, int screenY) override;
    TavMemDC renderSelf() override;

private:
    void repaint();
    std::vector<std::wstring> names_;
    size_t selected_ = 0;
    int offset_ = 0;
};
