#pragma once
// A tab button of the manager's caption band: an icon and a text on the band, filled with the
// tab's colour while its page is shown (and lightly while the pointer is over it).
#include "TavWndBt.h"

#include <string>

class TavNMiBt : public TavWndBt {
public:
    TavNMiBt(std::wstring text, std::wstring icon, std::wstring hoverIcon, uint32_t color);

    bool createChild(HWND parent, int id, const RECT& rect);
    void setSelected(bool on);
    bool selected() const { return selected_; }
    uint32_t color() const { return color_; }
    TavMemDC renderSelf() override;
    uint64_t keptImageKey() const override;

private:
    std::wstring text_, icon_, hoverIcon_;
    uint32_t color_;
    bool selected_ = false;
};
