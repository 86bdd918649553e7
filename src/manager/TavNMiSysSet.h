#pragma once
// The manager's system settings page: the heading "功能设置" and the check button "开机启动",
// whose mark always shows what the registry holds (see ManagerAutorun.h).
#include <string>
#include <utility>

#include "ManagerAutorun.h"
#include "TavWndBt.h"

// A check button: a box, ticked with "check.png" when checked, and the window's name after it.
class TavNMiCheckBt : public TavWndBt {
public:
    static constexpr int kBoxSide = 16;
    static constexpr int kTextGap = 8;

    TavNMiCheckBt();

    // A visible child; the control id is its object id, which the click notification carries.
    bool createChild(HWND parent, int controlId, const std::wstring& text, const RECT& rect);
    bool checked() const { return checked_; }
    // Repaints when the mark changes.
    void setChecked(bool checked);

    TavMemDC renderSelf() override;

private:
    bool checked_ = false;
};

class TavNMiSysSet : public TavWnd {
public:
    static constexpr int kAutorunButtonId = 20019;
    // The heading's top-left corner; the check button stands below it at the same left edge.
    static constexpr int kMarginLeft = 30;
    static constexpr int kHeadingTop = 30;
    static constexpr int kButtonTop = 72;
    static constexpr int kButtonHeight = 24;

    TavNMiSysSet();

    // Both take effect at creation: by default the Run keys of defaultAutorunRegistry() and the
    // running executable's path.
    void setRegistry(AutorunRegistry registry) { registry_ = std::move(registry); }
    void setExecutablePath(std::wstring path) { exePath_ = std::move(path); }

    // A visible, page-sized child of the manager.
    bool createChild(HWND parent, int id, const RECT& rect);

    void onCreated() override;
    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override;
    TavMemDC renderSelf() override;

    bool autorunOn() const { return autorunOn_; }
    TavWnd* checkButton() { return &check_; }

private:
    void toggleAutorun();

    AutorunRegistry registry_;
    std::wstring exePath_;
    bool autorunOn_ = false;
    TavNMiCheckBt check_;
};
