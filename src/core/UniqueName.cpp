#include "UniqueName.h"

#include <cwchar>

std::wstring uniqueTimeName(const SYSTEMTIME& t, int n) {
    wchar_t text[64];
    swprintf(text, 64, L"%04d%02d%02d%02d%02d%02d%03d_%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond, t.wMilliseconds, n);
    return text;
}

std::wstring uniqueTimeName(int n) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return uniqueTimeName(now, n);
}
