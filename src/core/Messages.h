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
    kNoteMsgPlainTextEmpty = 50002, // to the note: wParam = id of a plain text block left empty
    kNoteMsgImageDeleted = 50003,   // to the note: wParam = id of a picture deleted by its menu
    kNoteMsgApplyTemplate = 50004,  // to the note: wParam = const wchar_t* name, lParam = group
    kNoteMsgAlphaChanged = 50005,   // lParam = opacity 0..255
    kNoteMsgColorChanged = 50006,   // wParam = ARGB
    kNoteMsgReload = 50008,         // to the main window
    kNoteMsgManagerRefresh = 50010, // to the manager
    // Among the reminder editor's panels.
    kPromptMsgOpenList = 50012,      // to the add panel: wParam = object id of the drop-down button
    kPromptMsgValueChosen = 50013,   // to the add panel: a value was chosen in the drop-down list
    kPromptMsgLabelsChanged = 50014, // to the display panel's parent: reload the labels
    kPromptMsgGifChanged = 50015,    // reload the GIF preview
    kPromptMsgDeleteGif = 50016,     // delete the GIF
    // To the note, posted by the reminder check: wParam = 0, or 1 for a reminder that was missed
    // while the program was not running, lParam = its minute as the decimal YYYYMMDDhhmm.
    kNoteMsgFireReminder = 50017,
    kNoteMsgRichTextEmpty = 50018,  // to the note: wParam = id of a rich text block left empty
    kManagerMsgViewChosen = 50019,  // to a manager page: wParam = index of the view tab chosen
    kManagerMsgReload = 50020,      // to a manager page: the group changed, read the list again
    kNoteMsgRecycleByName = 50021,  // to the main window: take the sets of postRecycleByName
    kNoteMsgTemplateChosen = 50022, // to the note: as 50004, from the template chooser
    kNoteMsgAddRichText = 50023,    // lParam = client point, signed 16-bit x and y
    kNoteMsgSetRowIcon = 50024,     // to a rich text block: wParam = const wchar_t* icon name
    kManagerMsgOpenEntry = 50026,   // to a manager page: an entry was double-clicked (wParam = index)
    kManagerMsgSearch = 50027,      // to the notes page: the search text changed
    // To the note, posted by a child after it changed the note's contents (`updatetime`).
    kNoteMsgContentChanged = 50100,
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
    kCmdNoteReminderMenu = 30215, // the reminder submenu panel ("设置提醒子菜单")
    kCmdNoteStopMenu = 30216,     // the stop menu of a ringing note ("停止提醒菜单")
    kCmdNoteStopReminder = 30217, // "停止"
    // The note menu's "隐藏"; the note passes it on to the main window with its object id as
    // lParam, and the main window closes that note.
    kCmdNoteHide = 30218,
};

// Commands of the picture menu and of the text block menus.
enum : int {
    kCmdImageReplace = 30301,
    kCmdImageDelete = 30302,
    kCmdBlockCut = 30401,
    kCmdBlockCopy = 30402,
    kCmdBlockPaste = 30403,
    kCmdBlockDelete = 30404,
    kCmdBlockFont = 30405,
    kCmdBlockColor = 30406,
    kCmdBlockOpacity = 30407,
    kCmdBlockIcon = 30408,
    kCmdBlockIconMenu = 30409,
    kCmdIconNone = 30503,
    kCmdIconManage = 30504,
};

// The template group submenu of "保存为模板...": no group, then one entry per template group.
enum : int {
    kCmdTemplateGroupNone = 31200,
    kCmdTemplateGroupFirst = 31201,
    kCmdTemplateGroupLast = 31398,
};

// The group submenus of the tray and note menus: the system group, then one entry per group
// folder in listing order. A note passes its choice on to the main window.
enum : int {
    kCmdGroupSystem = 31000,
    kCmdGroupFirst = 31001,
    kCmdGroupLast = 31198,
};
