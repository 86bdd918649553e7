#pragma once
// The view switch above a manager list: a row of text tabs, one chosen. A click on another tab
// chooses it and posts kManagerMsgViewChosen (wParam = the tab's index) to the parent.
#include "TavWnd.h"

#include <string>
#include <vector>

class TavNMiTab : public TavWnd {
public:
    static constexpr int kTabWidth = 110;

    TavNMiTab();
    bool createChild(HWND parent, int id, const RECT& rect);
    // Not drawn until the owner draws.
    void setTabs(std::vector<std::wstring> tabs);
    const std::vector<std::wstring>& tabs() const { return tabs_; }
    // Chooses the tab with the text (the first when none has it); nothing is posted or drawn (the
    // owner draws once after its changes).
    void choose(const std::wstring& text);
    void chooseIndex(size_t index);
    size_t chosen() const { return chosen_; }
    std::wstring chosenText() const { return chosen_ < tabs_.size() ? tabs_[chosen_] : std::wstring(); }

    void onClick(WPARAM keys, int x, int y) override;
    TavMemDC renderSelf() override;

private:
    void repaint();
    std::vector<std::wstring> tabs_;
    size_t chosen_ = 0;
};
