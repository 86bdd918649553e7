#pragma once
// Charset names (IANA names, Windows names and their aliases) mapped to Windows code pages.
#include <cstddef>
#include <string>

namespace xmlcs {

// Internal code page number for 32-bit code units ("UTF-32"); Windows has no converter for it.
constexpr unsigned kUtf32 = 65005;
constexpr unsigned kUtf32Be = 12001;
constexpr unsigned kUtf32Le = 12000;
constexpr unsigned kUtf16Le = 1200;
constexpr unsigned kUtf16Be = 1201;
constexpr unsigned kUtf8 = 65001;

// Code page of a charset name, compared ignoring ASCII case; 0 when the name is unknown or is
// 100 characters or longer.
unsigned codePageForName(const wchar_t* name, size_t len);
inline unsigned codePageForName(const std::wstring& name) {
    return codePageForName(name.data(), name.size());
}

size_t charsetNameCount();

} // namespace xmlcs
