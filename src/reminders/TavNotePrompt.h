#pragma once
// The reminder editor "提醒设置": a modal dialog over a note in which the user clicks the labels of
// the note's reminder together; every click writes the note's "prompt.xml" at once.
#include <windows.h>

#include <string>

// Runs the editor for the note `unique` of base folder `dir` ("" = the system group), modal over
// `owner`; returns when it has been closed.
void runReminderEditor(HWND owner, const std::wstring& unique, const std::wstring& dir);
