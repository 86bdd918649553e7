#include "TavNMiSysSet.h"

#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "Settings.h"

namespace {

constexpr uint32_t kPageColor = 0xFFFFFFFF;
constexpr uint32_t kBoxFrame = 0xFF8A8A8A;
constexpr uint32_t kRuleColor = 0xFFE3E3E3;
constexpr float kHeadingSize = 15.0f;
constexpr int kRuleGap = 8; // between the heading's text and the rule under it

// Lays a text image (see drawText) over the target with its top-left at (x, y).
void blendText(const TavMemDC& target, const TavMemDC& text, int x, int y) {
    if (!target || !text) return;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(target.dc(), x, y, text.width(), text.height(), text.dc(), 0, 0, text.width(),
                  text.height(), blend);
}

} // namespace

TavNMiCheckBt::TavNMiCheckBt() { setObjectName(L"TavNMiCheckBt"); }

bool TavNMiCheckBt::createChild(HWND parent, int controlId, const std::wstring& text, const RECT& r) {
    return create(controlId, text.c_str(), 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                  r.bottom - r.top, parent);
}

void TavNMiCheckBt::setChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    if (handle()) repaint();
}

TavMemDC TavNMiCheckBt::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom, kPageColor);
    if (!dc) return dc;
    const int top = (rc.bottom - kBoxSide) / 2;
    const uint32_t frame = isHot() || isPressed() ? settings().borderMenuColor | 0xFF000000u : kBoxFrame;
    fillAndFrame(dc.dc(), 0, top, kBoxSide, kBoxSide, frame, 0);
    if (checked_) drawImageFile(L"check.png", dc.dc(), 0, top, kBoxSide, kBoxSide, handle());
    const int textLeft = kBoxSide + kTextGap;
    if (rc.right > textLeft) {
        const std::wstring text = caption();
        TavGpStringFormat format =
            makeStringFormat(text, Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter);
        blendText(dc,
                  drawText(handle(), text, defaultFont(13.0f), defaultTextBrush(), format.get(), 0, 0,
                           rc.right - textLeft, rc.bottom),
                  textLeft, 0);
    }
    return dc;
}

TavNMiSysSet::TavNMiSysSet() : registry_(defaultAutorunRegistry()), exePath_(runningExecutablePath()) {
    setObjectName(L"TavNMiSysSet");
}

bool TavNMiSysSet::createChild(HWND parent, int id, const RECT& r) {
    return create(id, L"", 0, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                  parent);
}

void TavNMiSysSet::onCreated() {
    TavWnd::onCreated();
    if (check_.handle()) return;
    const std::wstring text = L"开机启动";
    const int width =
        TavNMiCheckBt::kBoxSide + TavNMiCheckBt::kTextGap + measureTextFormat(handle(), text).cx + 4;
    check_.createChild(handle(), kAutorunButtonId, text,
                       RECT{kMarginLeft, kButtonTop, kMarginLeft + width, kButtonTop + kButtonHeight});
    autorunOn_ = autorunEnabled(registry_, exePath_);
    check_.setChecked(autorunOn_);
}

LRESULT TavNMiSysSet::onCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTavMsgButtonClicked && int(wParam) == kAutorunButtonId) {
        toggleAutorun();
        return 0;
    }
    return TavWnd::onCommand(message, wParam, lParam);
}

void TavNMiSysSet::toggleAutorun() {
    autorunOn_ = setAutorun(registry_, exePath_, !autorunOn_);
    check_.setChecked(autorunOn_);
}

TavMemDC TavNMiSysSet::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom, kPageColor);
    if (!dc) return dc;
    const std::wstring heading = L"功能设置";
    const Gdiplus::Font* font = createFont(settings().defaultFontFace, kHeadingSize, Gdiplus::FontStyleBold);
    const SIZE size = measureText(handle(), font, heading);
    TavGpStringFormat format = makeStringFormat(heading);
    blendText(dc, drawText(handle(), heading, font, defaultTextBrush(), format.get(), 0, 0, size.cx, size.cy),
              kMarginLeft, kHeadingTop);
    // A hairline under the heading, across the page less the margins.
    const int ruleY = kHeadingTop + size.cy + kRuleGap;
    if (ruleY < rc.bottom)
        for (int x = kMarginLeft; x < rc.right - kMarginLeft; ++x) dc.at(x, ruleY) = premultiply(kRuleColor);
    return dc;
}
