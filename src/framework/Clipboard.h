#pragma once
// Reading the clipboard's formats while the caller has it open (OpenClipboard ... CloseClipboard).
#include <windows.h>

#include <string>

// The CF_UNICODETEXT text, cut at its first NUL and at the end of its memory; "" when absent.
std::wstring openClipboardText();
// The bytes of an 8-bit format (RTF), cut at the first NUL; "" when absent.
std::string openClipboardBytes(UINT format);
