#pragma once
// The note file's fixed names and the text forms of its values.
#include <windows.h>

#include <string>

#include "FileSystem.h"

inline constexpr wchar_t kNoteRootName[] = L"TavNoteItem";
inline constexpr wchar_t kChildListName[] = L"ChildItems";
inline constexpr wchar_t kChildItemName[] = L"Item";
inline constexpr wchar_t kChildClassAttribute[] = L"identify";

// The lowest opacity of a note: about 20 %, at which a note is still clearly visible and takes
// the mouse (lower, it would vanish and let clicks through). Files and the slider are held to it.
inline constexpr int kMinNoteOpacity = 51;

// Child classes a note recreates from its child list.
inline constexpr wchar_t kRichTextChildClass[] = L"TavRichEditNI";
inline constexpr wchar_t kPlainTextChildClass[] = L"TavNoteItemEdit";
inline constexpr wchar_t kImageChildClass[] = L"TavNoteItemImage";
bool isKnownChildClass(const std::wstring& className);
// A rich text block's body is "<digits>_rtf": any other name in `rtftext` (the note's own file, a
// picture, a path) is never read as text.
bool isRichBodyFileName(const std::wstring& name);

// "%04d年%02d月%02d日 %02d时%02d分%02d秒" of the given local time.
std::wstring formatNoteTime(const SYSTEMTIME& localTime);

// Plain decimal int (wcstol base 10): text that is no number reads as 0.
int parseNoteInt(const std::wstring& text);
// 64-bit decimal truncated to 32 bits, so "-1" and "4294967295" both read as 0xFFFFFFFF.
// Used for the rectangle and the current color.
int parseNoteInt64(const std::wstring& text);

// "%d.xml" and "%d_rtf": a child's own file and its rich text body.
std::wstring childFileName(int childId);
std::wstring childBodyName(int childId);
