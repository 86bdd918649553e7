#pragma once
// Every number that crosses from one window to another, named once: the framework's
// notifications, the program's messages, the menu commands and the fixed object ids. A window
// that posts to another names the number from here, never as a literal.
#include <windows.h>

// Notifications of the framework (sent or posted between framework windows).
enum : UINT {
    kTavMsgItemLostFocus = 10001,
    kTavMsgCommand = 10002, // wParam = command or control id, lParam = argument
    kTavMsgItemHovered = 10003,
    kTavMsgTrayCallback = 10006,
    kTavMsgButtonClicked = 10009,
    kTavMsgScrollChanged = 10010,
    kTavMsgScrollLostFocus = 10011,
    kTavMsgLastNotification = 10012,
    // Posted by any thread: wParam = MAKEWPARAM(left, top), lParam = MAKELPARAM(right, bottom) in
    // client coordinates, or both 0 for the whole window. The window redraws and presents.
    kTavMsgRedrawRequest = 10013,
};

// Messages of the program.
enum : UINT {
    kNoteMsgDelete = 50001,         // to the main window: wParam = note object id
    kNoteMsgAlphaChanged = 50005,   // lParam = opacity 0..255
    kNoteMsgColorChanged = 50006,   // wParam = ARGB
    kNoteMsgReload = 50008,         // to the main window
    kNoteMsgManagerRefresh = 50010, // to the manager
    kNoteMsgRecycleByName = 50021,  // to the main window: take the sets of postRecycleByName
    kNoteMsgAddRichText = 50023,    // lParam = client point, signed 16-bit x and y
};

// Fixed object ids.
enum : int {
    kMainWindowId = 20000,
    kManagerWindowId = 20001,
    kAboutLinkId = 20010,
    kMessageBoxId = 20018, // the About box and the start-up message box
    kReminderEditorId = 20100,
    kTrayMenuId = 30100,
    kConfirmDeleteBoxId = 30701,
};

// Commands of the tray menu, handled by the main window (a note posts some of them too).
enum : int {
    kCmdMainNewNote = 30102, // lParam = MAKELPARAM(x, y) of the new note's corner, or 0
    kCmdMainExit = 30103,
    kCmdMainManager = 30104,
    kCmdMainHelpMenu = 30105,
    kCmdMainAbout = 30107,
    kCmdMainHelp = 30108,
};

// Commands of the note menu.
enum : int {
    kCmdNoteBackground = 30201,
    kCmdNoteDelete = 30202,
    kCmdNoteTopMost = 30203,
    kCmdNoteQuit = 30204,
    kCmdNoteToDesk = 30205,
    kCmdNoteAddImage = 30206,
    kCmdNoteSaveTemplate = 30207,
    kCmdNoteChooseTemplate = 30208,
    kCmdNoteAdd = 30210,
    kCmdNoteManager = 30211,
    kCmdNoteAddText = 30212,
    kCmdNoteOpacity = 30213,
    kCmdNoteReminder = 30214,
    // The note menu's "隐藏"; the note passes it on to the main window with its object id as
    // lParam, and the main window closes that note.
    kCmdNoteHide = 30218,
};

// The group submenus of the tray and note menus: the system group, then one entry per group
// folder in listing order. A note passes its choice on to the main window.
enum : int {
    kCmdGroupSystem = 31000,
    kCmdGroupFirst = 31001,
    kCmdGroupLast = 31198,
};
