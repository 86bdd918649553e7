#include "Clipboard.h"

#include <cwchar>

std::wstring openClipboardText() {
    std::wstring text;
    HANDLE h = IsClipboardFormatAvailable(CF_UNICODETEXT) ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    if (const wchar_t* p = h ? static_cast<const wchar_t*>(GlobalLock(h)) : nullptr) {
        text.assign(p, wcsnlen(p, GlobalSize(h) / sizeof(wchar_t)));
        GlobalUnlock(h);
    }
    return text;
}

std::string openClipboardBytes(UINT format) {
    std::string bytes;
    HANDLE h = IsClipboardFormatAvailable(format) ? GetClipboardData(format) : nullptr;
    if (const char* p = h ? static_cast<const char*>(GlobalLock(h)) : nullptr) {
        bytes.assign(p, strnlen(p, GlobalSize(h)));
        GlobalUnlock(h);
    }
    return bytes;
}
