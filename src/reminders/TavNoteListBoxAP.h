#pragma once
// The value list of the add panel's drop-downs: a child list under the drop-down that opened it.
// Choosing an entry hides the list and posts 50013 (wParam = the entry's index) to the window to
// notify; the wheel scrolls it.
#include "TavWnd.h"

#include <string>
#include <vector>

class TavNoteListBoxAP : public TavWnd {
public:
    static constexpr int kRowHeight = 20;

    TavNoteListBoxAP();

    void setEntries(std::vector<std::wstring> entries);
    const std::vector<std::wstring>& entries() const { return entries_; }
    void setNotify(HWND window, int ownerId);
    int ownerId() const { return ownerId_; }
    // The entry's row top inside the list as it is scrolled now.
    int rowTop(size_t index) const { return int(index) * kRowHeight - offset_; }
    void scrollTo(size_t index);

    void onClick(WPARAM keys, int x, int y) override;
    void onMouseWheel(WPARAM keys, int delta, int screenX, int screenY) override;
    TavMemDC renderSelf() override;

private:
    int maxOffset() const;

    std::vector<std::wstring> entries_;
    HWND notify_ = nullptr;
    int ownerId_ = 0;
    int offset_ = 0;
};
