#pragma once
// Fixtures shared by the button and menu tests: the process set-up (GDI+, module instance, an
// application folder holding a copy of the installation's "sysres" images), a window that
// records the notifications it receives, and the message pump.
#include <gtest/gtest.h>

#include "TavTestEnvironment.h"
#include "AppPaths.h"
#include "AppState.h"
#include "FolderUtils.h"
#include "TavFont.h"
#include "TavWnd.h"
#include "TavWndMenu.h"
#include "TavWndMenuItem.h"
#include "TestWait.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace menutest {

inline std::wstring installationFolder() { return TavTestEnvironment::installationFolder(); }

class Environment : public TavTestEnvironment {
public:
    Environment() : TavTestEnvironment(L"menus", Folder::AppFolderWithImages) {}
};

struct Note {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A plain framework window that records the notifications reaching its command operation.
// `probe`, when set, runs as each one arrives (to look at other windows at that moment).
class RecorderWnd : public TavWnd {
public:
    std::vector<Note> notes;
    std::function<void(const Note&)> probe;

    LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        notes.push_back(Note{message, wParam, lParam});
        if (probe) probe(notes.back());
        return 0;
    }
    size_t count(UINT message) const {
        size_t n = 0;
        for (const Note& note : notes) n += note.message == message;
        return n;
    }
};

constexpr DWORD kLayeredEx = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
constexpr DWORD kChildVisible = WS_CHILD | WS_VISIBLE;

// A top-level layered window shown without activation (activated windows become "managed"
// under Wine without a window manager, and hiding them then stalls).
template <typename W> void makeTopLevel(W& wnd, int x, int y, int w, int h, bool visible = true) {
    ASSERT_TRUE(wnd.create(0, L"", kLayeredEx, WS_POPUP, x, y, w, h, nullptr));
    if (visible) wnd.show(SW_SHOWNA);
}

inline LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

constexpr int kItemHeight = 24;
constexpr int kMenuWidth = 166;

struct ItemDef {
    int id;
    const wchar_t* text;
    const wchar_t* icon = nullptr;
    bool enabled = true;
};

// Creates the menu window (hidden) with its items from top to bottom, inside a 3-pixel band.
inline void buildMenu(TavWndMenu& menu, std::vector<std::unique_ptr<TavWndMenuItem>>& items,
                      const std::vector<ItemDef>& defs, int x, int y) {
    int height = int(defs.size()) * kItemHeight + 6;
    ASSERT_TRUE(menu.create(0, L"", kLayeredEx, WS_POPUP, x, y, kMenuWidth, height, nullptr));
    for (size_t i = 0; i < defs.size(); ++i) {
        auto item = std::make_unique<TavWndMenuItem>();
        ASSERT_TRUE(item->create(defs[i].id, defs[i].text, 0, kChildVisible, 3, 3 + int(i) * kItemHeight,
                                 kMenuWidth - 6, kItemHeight, menu.handle()));
        if (defs[i].icon) item->setIcon(defs[i].icon);
        if (!defs[i].enabled) item->enable(false);
        items.push_back(std::move(item));
    }
}

inline TavWndMenuItem* itemOf(const std::vector<std::unique_ptr<TavWndMenuItem>>& items, int id) {
    for (auto& i : items)
        if (i->objectId() == id) return i.get();
    return nullptr;
}

} // namespace menutest
