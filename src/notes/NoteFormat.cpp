#include "NoteFormat.h"

#include "FileSystem.h"

#include <cstdint>
#include <cstdlib>
#include <cwchar>

bool isKnownChildClass(const std::wstring& className) {
    return className == kRichTextChildClass || className == kPlainTextChildClass ||
           className == kImageChildClass;
}

bool isRichBodyFileName(const std::wstring& name) {
    const size_t n = name.size();
    if (n < 5 || !isPlainFileName(name)) return false;
    if (CompareStringOrdinal(name.c_str() + n - 4, 4, L"_rtf", 4, TRUE) != CSTR_EQUAL) return false;
    for (size_t i = 0; i + 4 < n; ++i)
        if (name[i] < L'0' || name[i] > L'9') return false;
    return true;
}

std::wstring formatNoteTime(const SYSTEMTIME& t) {
    wchar_t text[64];
    swprintf(text, 64, L"%04d年%02d月%02d日 %02d时%02d分%02d秒", t.wYear, t.wMonth, t.wDay, t.wHour,
             t.wMinute, t.wSecond);
    return text;
}

int parseNoteInt(const std::wstring& text) {
    return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}

int parseNoteInt64(const std::wstring& text) {
    long long value = _wcstoi64(text.c_str(), nullptr, 10);
    return static_cast<int>(static_cast<uint32_t>(static_cast<unsigned long long>(value)));
}

std::wstring childFileName(int childId) { return std::to_wstring(childId) + L".xml"; }
std::wstring childBodyName(int childId) { return std::to_wstring(childId) + L"_rtf"; }
