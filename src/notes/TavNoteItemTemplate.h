#pragma once
// A note's look as a template: its size, background picture and pictures, saved into a template
// folder and given to another note. Used for the temporary template "__temp_tpl_" through which a
// new note takes the look of the last active note, for "保存为模板..." and for the template
// chooser.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class TavNoteItem;

inline constexpr const wchar_t* kTempTemplateName = L"__temp_tpl_";

// The template folder of the name; group "" or "系统分组" means the plain template folder.
std::wstring templateFolderFor(const std::wstring& name, const std::wstring& group);

// Writes "<name>.xml" in the template folder from the note's file: the rectangle, `bkimage`,
// `group` and `datetime`, only when the note file has all five of rectangle and `bkimage`; the
// background file is copied along (an existing copy is kept). False when nothing could be saved.
bool saveNoteAsTemplate(TavNoteItem& note, const std::wstring& name, const std::wstring& group);

// Gives the note the template's size (its place stays), background picture and pictures (they
// replace the note's pictures; text blocks stay). False when the template is missing or has no
// complete rectangle (the note is then unchanged).
bool applyTemplateToNote(TavNoteItem& note, const std::wstring& name, const std::wstring& group);

// What a template file holds for a note, as read (names not yet checked).
struct TavTemplatePicture {
    std::wstring name;
    std::optional<RECT> rect; // only when all four values are present
};
struct TavTemplateLook {
    std::optional<RECT> rect; // only when all four values are present
    std::optional<std::wstring> background;
    std::vector<TavTemplatePicture> pictures; // in file order
};
// Reads `TplItem` of a template file's text; nothing when the text has no `TplItem`.
std::optional<TavTemplateLook> readTemplateLook(const std::wstring& xmlText);

// A name for a new template of the group: uniqueTimeName(now, 0), or that of a following
// millisecond while a template folder of that name exists (two saves never share a folder).
std::wstring newTemplateName(const std::wstring& group, const SYSTEMTIME& now);

// The template groups (folders under "NoteTpls2\"), sorted ignoring case: the order in which
// the template group submenu of "保存为模板..." lists them and its commands count them.
std::vector<std::wstring> templateGroupNames();
// The group of a template group command: "" for kCmdTemplateGroupNone, for an index past the end
// of `groups` and for kCmdNoteSaveTemplate itself; nothing for any other command.
std::optional<std::wstring> templateGroupForCommand(int command, const std::vector<std::wstring>& groups);

// "保存为模板..." (kCmdNoteSaveTemplate) and its template group entries: saves the note as a new
// template of the chosen group and tells the user "模板已添加！". "选择模板..."
// (kCmdNoteChooseTemplate): runs the template chooser. False for other commands.
bool handleTemplateCommand(TavNoteItem& note, int command);

// The template chooser that "选择模板..." opens over the note. The chooser lives with the manager,
// above this layer, so the program installs it at start; without one the command does nothing.
void setTemplateChooser(std::function<void(TavNoteItem&)> chooser);

// Messages 50004 / 50022 to a note: wParam = the template name, lParam = the template group (both
// const wchar_t*, a null group = none). Applies the template and redraws the note.
bool applyTemplateMessage(TavNoteItem& note, WPARAM wParam, LPARAM lParam);

// The message after a template was added. An empty function shows the program's message box;
// tests answer it instead.
struct TavTemplateDialogs {
    std::function<void(TavNoteItem&)> tellTemplateAdded;
};
void setTemplateDialogs(TavTemplateDialogs dialogs);
