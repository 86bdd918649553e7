#include "TavNoteBt.h"

#include <algorithm>

#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "Settings.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;

// The accent's RGB under an alpha, laid over white: a light tint that stays opaque.
uint32_t tint(uint32_t accent, int percent) {
    auto mix = [percent](uint32_t channel) {
        return (channel * uint32_t(percent) + 255u * uint32_t(100 - percent)) / 100u;
    };
    uint32_t r = mix((accent >> 16) & 0xFF), g = mix((accent >> 8) & 0xFF), b = mix(accent & 0xFF);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

} // namespace

TavNoteBt::TavNoteBt(std::wstring label, std::wstring image)
    : label_(std::move(label)), image_(std::move(image)) {
    setObjectName(L"TavNoteBt");
}

bool TavNoteBt::createChild(HWND parent, int controlId, const RECT& r) {
    return create(controlId, label_.c_str(), 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                  r.bottom - r.top, parent);
}

TavNoteBt::Look TavNoteBt::lookFor(bool hot, bool pressed, uint32_t accent, bool picture) {
    accent |= 0xFF000000u;
    if (pressed) return Look{accent, accent, kWhite};
    if (hot) return Look{tint(accent, 18), accent, accent};
    // A picture button rests without a frame, so that it reads as part of the caption bar.
    return Look{kWhite, picture ? kWhite : tint(accent, 55), accent};
}

namespace {
uint64_t mixBytes(uint64_t key, const void* bytes, size_t count) {
    const auto* b = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < count; ++i) key = (key ^ b[i]) * 1099511628211ull;
    return key;
}
} // namespace

uint64_t TavNoteBt::keptImageKey() const {
    if (!handle()) return 0;
    RECT rc{};
    GetClientRect(handle(), &rc);
    const uint32_t look[5] = {uint32_t(rc.right), uint32_t(rc.bottom), uint32_t(isHot()),
                              uint32_t(isPressed()), settings().borderMenuColor};
    uint64_t key = mixBytes(14695981039346656037ull, look, sizeof look);
    key = mixBytes(key, label_.data(), label_.size() * sizeof(wchar_t));
    key = mixBytes(key ^ 0x9E37u, image_.data(), image_.size() * sizeof(wchar_t));
    return key | 1; // never 0
}

TavMemDC TavNoteBt::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    int w = rc.right, h = rc.bottom;
    TavMemDC dc = createMemoryDC(handle(), w, h);
    if (!dc) return dc;
    bool picture = !image_.empty();
    Look look = lookFor(isHot(), isPressed(), settings().borderMenuColor, picture);
    fillAndFrame(dc.dc(), 0, 0, w, h, look.face, 255);
    fillAndFrame(dc.dc(), 0, 0, w, h, look.frame, 0);
    // With a label the picture stands at the left and the text follows it; alone it is centred.
    const bool both = picture && !label_.empty();
    int textLeft = 0;
    if (picture) {
        int side = std::min({16, w - 4, h - 4});
        if (side > 0) {
            const int x = both ? 4 : (w - side) / 2;
            drawImageFile(image_, dc.dc(), x, (h - side) / 2, side, side, handle());
            if (both) textLeft = x + side + 4;
        }
    }
    if (!label_.empty() && w > textLeft) {
        TavGpStringFormat format =
            makeStringFormat(label_, both ? Gdiplus::StringAlignmentNear : Gdiplus::StringAlignmentCenter,
                             Gdiplus::StringAlignmentCenter);
        TavMemDC text = drawText(handle(), label_, defaultFont(13.0f), getBrush(look.ink), format.get(), 0, 0,
                                 w - textLeft, h);
        if (text) {
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            GdiAlphaBlend(dc.dc(), textLeft, 0, w - textLeft, h, text.dc(), 0, 0, w - textLeft, h, blend);
        }
    }
    return dc;
}
