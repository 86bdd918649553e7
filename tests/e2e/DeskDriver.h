#pragma once
// Driving a running TavNote.exe like a person at the desk: real pointer input through xdotool,
// its windows found from outside (menus by their items' texts, notes by their rectangles), the
// screen read back from an X screenshot.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>
#include <string>
#include <vector>

#include "FolderUtils.h" // the tests look at the data folder with isFolder
#include "TavNoteProcess.h"
#include "TavTestEnvironment.h"
#include "UnixTools.h"

namespace desk {

// GDI+ (screenshots read back, note snapshots written) and no crash dialogs, for every test.
inline const auto* const deskEnvironment = ::testing::AddGlobalTestEnvironment(new TavTestEnvironment);

// The tray's first icon in Wine's own tray window at the top-left of the screen.
constexpr POINT kTrayIcon{12, 32};

inline bool sameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

inline RECT rectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

inline POINT centreOf(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

inline std::wstring textOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

inline std::wstring at(POINT p) { return std::to_wstring(p.x) + L" " + std::to_wstring(p.y); }

// Moves there, rests a moment (so hover and enter arrive first, as with a hand) and clicks.
inline bool click(POINT p, int button = 1) {
    return unixtools::xdotool(L"mousemove " + at(p) + L" sleep 0.3 click " + std::to_wstring(button));
}

// Presses at `from`, moves in steps to `to` and releases there.
inline bool drag(POINT from, POINT to) {
    std::wstring steps;
    for (int i = 1; i <= 4; ++i) {
        POINT p{from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4};
        steps += L" mousemove " + at(p) + L" sleep 0.1";
    }
    return unixtools::xdotool(L"mousemove " + at(from) + L" sleep 0.3 mousedown 1 sleep 0.2" + steps +
                              L" sleep 0.2 mouseup 1");
}

// The visible child of one of the process's visible top-level windows whose text is `text`.
inline HWND visibleItem(const TavNoteProcess& app, const std::wstring& text) {
    struct Search {
        const std::wstring* text;
        HWND found;
    } search{&text, nullptr};
    for (HWND top : app.visibleWindows()) {
        EnumChildWindows(
            top,
            [](HWND child, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                if (IsWindowVisible(child) && textOf(child) == *s->text) {
                    s->found = child;
                    return FALSE;
                }
                return TRUE;
            },
            LPARAM(&search));
        if (search.found) return search.found;
    }
    return nullptr;
}

inline HWND waitForItem(const TavNoteProcess& app, const std::wstring& text, DWORD ms = 15000) {
    HWND item = nullptr;
    waitFor([&] { return (item = visibleItem(app, text)) != nullptr; }, ms);
    return item;
}

// Clicks the menu item (or button) with that text once it is on the screen.
inline bool choose(const TavNoteProcess& app, const std::wstring& text) {
    HWND item = waitForItem(app, text);
    return item && click(centreOf(rectOf(item)));
}

// Right-clicks the tray icon until the tray menu shows its first item. After a program was
// killed its icon stays in Wine's tray until a click reaches it (the click removes it and the
// icons shift left), so a click that opens nothing is repeated.
inline bool openTrayMenu(const TavNoteProcess& app, int attempts = 5) {
    for (int i = 0; i < attempts && app.running(); ++i) {
        if (!click(kTrayIcon, 3)) continue;
        if (waitFor([&] { return visibleItem(app, L"添加便签") != nullptr || !app.running(); }, 2500))
            return visibleItem(app, L"添加便签") != nullptr;
    }
    return false;
}

// The process's visible top-level window at exactly that rectangle.
inline HWND windowAt(const TavNoteProcess& app, const RECT& place) {
    for (HWND w : app.visibleWindows())
        if (sameRect(rectOf(w), place)) return w;
    return nullptr;
}

inline HWND waitForWindowAt(const TavNoteProcess& app, const RECT& place, DWORD ms = 15000) {
    HWND found = nullptr;
    waitFor([&] { return (found = windowAt(app, place)) != nullptr; }, ms);
    return found;
}

// The visible windows with a size that hold no texts: the notes (menus and boxes have items).
inline std::vector<HWND> noteWindows(const TavNoteProcess& app) {
    std::vector<HWND> notes;
    for (HWND w : app.visibleWindows()) {
        RECT r = rectOf(w);
        if (r.right - r.left < 40 || r.bottom - r.top < 40) continue;
        bool hasText = false;
        EnumChildWindows(
            w,
            [](HWND child, LPARAM lp) -> BOOL {
                if (!textOf(child).empty() && textOf(child) != L"'") *reinterpret_cast<bool*>(lp) = true;
                return TRUE;
            },
            LPARAM(&hasText));
        if (!hasText) notes.push_back(w);
    }
    return notes;
}

inline bool isTopMost(HWND window) { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// The folder of the test executable, where screenshots for people are kept.
inline std::wstring besideTest(const std::wstring& name) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

// An X screenshot read back pixel by pixel.
class Screen {
public:
    bool capture(const std::wstring& path) {
        bitmap_.reset();
        if (!unixtools::saveXScreen(path)) return false;
        bitmap_ = std::make_unique<Gdiplus::Bitmap>(path.c_str());
        return bitmap_->GetLastStatus() == Gdiplus::Ok;
    }
    // 0xRRGGBB of the screen pixel, or 0xFFFFFFFF without a picture.
    uint32_t rgb(POINT p) const {
        Gdiplus::Color c;
        if (!bitmap_ || bitmap_->GetPixel(p.x, p.y, &c) != Gdiplus::Ok) return 0xFFFFFFFFu;
        return c.GetValue() & 0xFFFFFFu;
    }
    // Mean of the three channels, 0..255 (-1 without a picture).
    int brightness(POINT p) const {
        uint32_t v = rgb(p);
        if (v == 0xFFFFFFFFu) return -1;
        return int(((v >> 16) & 0xFF) + ((v >> 8) & 0xFF) + (v & 0xFF)) / 3;
    }

private:
    std::unique_ptr<Gdiplus::Bitmap> bitmap_;
};

// A picture of one color, saved as PNG with GDI+.
inline bool writeSolidPng(const std::wstring& path, int w, int h, Gdiplus::ARGB color) {
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&bitmap);
        Gdiplus::SolidBrush brush{Gdiplus::Color(color)};
        g.FillRectangle(&brush, 0, 0, w, h);
    }
    const CLSID png{0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    return bitmap.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

} // namespace desk
