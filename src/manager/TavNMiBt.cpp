#include "TavNMiBt.h"

#include "ImageFiles.h"
#include "ManagerDraw.h"

TavNMiBt::TavNMiBt(std::wstring text, std::wstring icon, std::wstring hoverIcon, uint32_t color)
    : text_(std::move(text)), icon_(std::move(icon)), hoverIcon_(std::move(hoverIcon)), color_(color) {
    setObjectName(L"TavNMiBt");
}

bool TavNMiBt::createChild(HWND parent, int id, const RECT& r) {
    return create(id, text_.c_str(), 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                  r.bottom - r.top, parent);
}

void TavNMiBt::setSelected(bool on) {
    if (selected_ == on) return;
    selected_ = on;
    // Drawn with the rest while the window is still being made.
    if (root() && IsWindowVisible(root()->handle())) repaint();
}

uint64_t TavNMiBt::keptImageKey() const {
    if (!handle()) return 0;
    RECT rc{};
    GetClientRect(handle(), &rc);
    const uint32_t look[6] = {uint32_t(rc.right),    uint32_t(rc.bottom), uint32_t(isHot()),
                              uint32_t(isPressed()), uint32_t(selected_), color_};
    uint64_t key = 14695981039346656037ull;
    auto mix = [&key](const void* bytes, size_t count) {
        const auto* b = static_cast<const unsigned char*>(bytes);
        for (size_t i = 0; i < count; ++i) key = (key ^ b[i]) * 1099511628211ull;
    };
    mix(look, sizeof look);
    mix(text_.data(), text_.size() * sizeof(wchar_t));
    mix(icon_.data(), icon_.size() * sizeof(wchar_t));
    return key | 1; // never 0
}

TavMemDC TavNMiBt::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
    if (!dc) return dc;
    if (selected_)
        fillManagerRect(dc.dc(), rc, color_);
    else if (isHot())
        fillAndFrame(dc.dc(), 0, 0, rc.right, rc.bottom, color_, 90);
    const bool lit = selected_ || isHot() || isPressed();
    const std::wstring& icon = lit && !hoverIcon_.empty() ? hoverIcon_ : icon_;
    if (text_.empty()) {
        // A picture only (the close button).
        const int side = 32;
        drawImageFile(icon, dc.dc(), (rc.right - side) / 2, (rc.bottom - side) / 2, side, side, handle());
    } else if (rc.right < 140) {
        // A narrow tab: the picture above its text.
        const int side = 36;
        drawImageFile(icon, dc.dc(), (rc.right - side) / 2, 9, side, side, handle());
        drawManagerText(dc.dc(), handle(), text_, RECT{0, 48, rc.right, rc.bottom - 6},
                        Gdiplus::StringAlignmentCenter, 0xFFFFFFFF, 13.0f, true);
    } else {
        const int side = 32, top = (rc.bottom - side) / 2;
        drawImageFile(icon, dc.dc(), 14, top, side, side, handle());
        drawManagerText(dc.dc(), handle(), text_, RECT{14 + side + 8, 0, rc.right - 4, rc.bottom},
                        Gdiplus::StringAlignmentNear, 0xFFFFFFFF, 17.0f, true);
    }
    return dc;
}
