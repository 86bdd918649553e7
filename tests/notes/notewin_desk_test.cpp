// Note window behaviour found by using the program on the desk: a right click on the empty strip
// at the bottom of a note opens its menu, and a note opened embedded in the desktop stays below
// the other windows once shown.
#include "notewin_support.h"

#include "TavNoteItem.h"

using namespace notewin;

namespace {

using NoteDeskTest = NoteWindowTest;

HWND visibleNoteMenu() {
    HWND menu = FindWindowW(nullptr, L"子标签窗口菜单");
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

TEST_F(NoteDeskTest, ARightClickOnTheBottomStripOpensTheNoteMenu) {
    prepareNote(L"strip", 0, RECT{200, 200, 380, 380});
    TavNoteItem note(L"strip");
    ASSERT_TRUE(note.create(0, L"", TavNoteItem::kExStyle, TavNoteItem::kStyle, 0, 0, 180, 180, nullptr));
    struct Case {
        const char* what;
        POINT at;
    } cases[] = {{"middle", {290, 250}}, {"bottom strip", {290, 370}}, {"strip corner", {205, 378}}};
    for (const Case& c : cases) {
        SendMessageW(note.handle(), WM_CONTEXTMENU, WPARAM(note.handle()), MAKELPARAM(c.at.x, c.at.y));
        pump();
        HWND menu = visibleNoteMenu();
        EXPECT_NE(menu, nullptr) << c.what;
        if (menu) ShowWindow(menu, SW_HIDE);
        // The hidden menu deletes itself.
        EXPECT_TRUE(waitFor([] { return FindWindowW(nullptr, L"子标签窗口菜单") == nullptr; }, 4000))
            << c.what;
    }
}

TEST_F(NoteDeskTest, ANoteOpenedEmbeddedStaysBelowAWindowShownBeforeIt) {
    prepareNote(L"plain", 0, RECT{200, 200, 380, 380});
    prepareNote(L"embedded", 0, RECT{250, 250, 430, 430}).SaveToDesk(true);
    TavNoteItem plain(L"plain"), embedded(L"embedded");
    ASSERT_TRUE(plain.create(0, L"", TavNoteItem::kExStyle, TavNoteItem::kStyle, 0, 0, 180, 180, nullptr));
    ASSERT_TRUE(embedded.create(0, L"", TavNoteItem::kExStyle, TavNoteItem::kStyle, 0, 0, 180, 180, nullptr));
    EXPECT_TRUE(embedded.toDesk());
    EXPECT_FALSE(GetWindowLongW(embedded.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    auto below = [&] {
        for (HWND w = GetWindow(plain.handle(), GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
            if (w == embedded.handle()) return true;
        return false;
    };
    // Both notes are shown with their pictures; once the platform has handled that (Wine raises
    // a window it has just mapped), the embedded note is below and stays there.
    EXPECT_TRUE(waitFor(below, 3000)) << "the embedded note came up over the plain one";
    waitFor([] { return false; }, 400);
    EXPECT_TRUE(below()) << "the embedded note came up again";
}

} // namespace
