#include "TavNMiTab.h"

#include "ManagerDraw.h"
#include "Messages.h"

TavNMiTab::TavNMiTab() { setObjectName(L"TavNMiTab"); }

bool TavNMiTab::createChild(HWND parent, int id, const RECT& r) {
    return create(id, L"tab标签", 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                  parent);
}

void TavNMiTab::setTabs(std::vector<std::wstring> tabs) {
    const std::wstring was = chosenText();
    tabs_ = std::move(tabs);
    choose(was);
}

void TavNMiTab::choose(const std::wstring& text) {
    chosen_ = 0;
    for (size_t i = 0; i < tabs_.size(); ++i)
        if (tabs_[i] == text) chosen_ = i;
}

void TavNMiTab::chooseIndex(size_t index) {
    if (index < tabs_.size()) chosen_ = index;
    repaint();
}

void TavNMiTab::repaint() {
    if (handle() && redrawAll()) present();
}

void TavNMiTab::onClick(WPARAM, int x, int) {
    const int index = x / kTabWidth;
    if (x < 0 || size_t(index) >= tabs_.size()) return;
    chosen_ = size_t(index);
    repaint();
    if (parent_) PostMessageW(parent_->handle(), kManagerMsgViewChosen, WPARAM(index), 0);
}

TavMemDC TavNMiTab::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom, 0xFFFFFFFF);
    if (!dc) return dc;
    for (size_t i = 0; i < tabs_.size(); ++i) {
        const RECT tab{int(i) * kTabWidth, 0, int(i + 1) * kTabWidth - 4, rc.bottom};
        const bool on = i == chosen_;
        if (on) fillManagerRect(dc.dc(), tab, 0xFFE1511E);
        drawManagerText(dc.dc(), handle(), tabs_[i], tab, Gdiplus::StringAlignmentCenter,
                        on ? 0xFFFFFFFF : 0xFF404040, 13.0f);
    }
    fillManagerRect(dc.dc(), RECT{0, rc.bottom - 2, rc.right, rc.bottom}, 0xFFE1511E);
    return dc;
}
