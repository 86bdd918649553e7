#pragma once
// A note's look as a template: its size and background picture, saved into a template folder
// and given to another note. Used for the temporary template "__temp_tpl_" through which a new
// note takes the look of the last active note.
#include <string>

class TavNoteItem;

inline constexpr const wchar_t* kTempTemplateName = L"__temp_tpl_";

// The template folder of the name; group "" or "系统分组" means the plain template folder.
std::wstring templateFolderFor(const std::wstring& name, const std::wstring& group);

// Writes "<name>.xml" in the template folder from the note's file: the rectangle, `bkimage`,
// `group` and `datetime`, only when the note file has all five of rectangle and `bkimage`; the
// background file is copied along (an existing copy is kept). False when nothing could be saved.
bool saveNoteAsTemplate(TavNoteItem& note, const std::wstring& name, const std::wstring& group);

// Gives the note the template's size (its place stays) and background picture. False when the
// template is missing or has no complete rectangle (the note is then unchanged).
bool applyTemplateToNote(TavNoteItem& note, const std::wstring& name, const std::wstring& group);
